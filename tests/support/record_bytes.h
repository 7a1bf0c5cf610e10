// The stored bytes of the records, written field by field from the layout:
// the one place the tests encode records by hand.
#ifndef MOLVAREN_TESTS_SUPPORT_RECORD_BYTES_H_
#define MOLVAREN_TESTS_SUPPORT_RECORD_BYTES_H_

#include <cstdint>
#include <string>

#include "tests/support/test_support.h"

namespace mlvns {
namespace testing_support {

// Every field of a stored path record (528 bytes), defaults as a fresh path.
struct StoredPathFields {
  uint32_t size = 528;
  uint32_t keys[3] = {0, 0, 0};
  std::string file;
  uint64_t fileSize = 0;
  std::string guid;
  std::string timeStamp;
  uint32_t reserved1 = 0;
  int32_t in = -1, out = -1, nodes = 0;
  uint32_t nodesSlot = 0, reservedLow = 0, reserved2 = 0, hasExtraNode = 0, extraSlot = 0;
  uint32_t reserved3 = 0;
  int32_t video[3] = {0, 0, 0};  // width, height, aspect
  int32_t frame[3] = {0, 0, 0};
  uint32_t reserved4 = 0;
  std::string originGuid;
  uint32_t reserved5 = 0;
  float rotation = 0;
  uint32_t trackType = 401, trackParam = 20;
};

Bytes StoredPathBytes(const StoredPathFields& f = {});

// A path with the given node count, extra-node flag and frames in and out.
Bytes StoredPathBytes(int32_t nodes, uint32_t hasExtraNode = 0, int32_t in = -1, int32_t out = -1);

// A node (60 bytes unless size says otherwise; then the body is cut or
// padded with zeros to size).
Bytes NodeBytes(int32_t frame, float x, float y = 0, float w = 0, float h = 0, uint32_t size = 60);

// A list header of 88 bytes (or size, zero-padded) announcing count paths.
Bytes ListHeaderBytes(int32_t count, uint32_t size = 88);

}  // namespace testing_support
}  // namespace mlvns

#endif  // MOLVAREN_TESTS_SUPPORT_RECORD_BYTES_H_
