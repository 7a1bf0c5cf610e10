#include "tests/support/record_bytes.h"

#include <tuple>
#include <vector>

namespace mlvns {
namespace testing_support {

Bytes StoredPathBytes(const StoredPathFields& f) {
  Bytes b;
  b.u32(f.size).u32(f.keys[0]).u32(f.keys[1]).u32(f.keys[2]);
  b.text(f.file.c_str(), 260).zeros(4).u64(f.fileSize);
  b.text(f.guid.c_str(), 39).text(f.timeStamp.c_str(), 71).zeros(2);
  b.u32(f.reserved1).i32(f.in).i32(f.out).i32(f.nodes);
  b.u32(f.nodesSlot).u32(f.reservedLow).u32(f.reserved2).u32(f.hasExtraNode).u32(f.extraSlot);
  b.u32(f.reserved3);
  for (int32_t v : f.video) b.i32(v);
  for (int32_t v : f.frame) b.i32(v);
  b.u32(f.reserved4).text(f.originGuid.c_str(), 39).zeros(1).u32(f.reserved5).f32(f.rotation);
  b.u32(f.trackType).u32(f.trackParam).u32(0);
  return b;
}

Bytes StoredPathBytes(int32_t nodes, uint32_t hasExtraNode, int32_t in, int32_t out) {
  StoredPathFields f;
  std::tie(f.nodes, f.hasExtraNode, f.in, f.out) = std::tie(nodes, hasExtraNode, in, out);
  return StoredPathBytes(f);
}

Bytes NodeBytes(int32_t frame, float x, float y, float w, float h, uint32_t size) {
  Bytes b;
  b.u32(size).i32(frame).f32(0).f32(x).f32(y).f32(w).f32(h).zeros(32);
  std::vector<uint8_t> v = b.vec();
  v.resize(size, 0);
  return Bytes().append(v);
}

Bytes ListHeaderBytes(int32_t count, uint32_t size) {
  Bytes b;
  b.u32(size).zeros(52).i32(count).zeros(28);
  if (size > 88) b.zeros(size - 88);
  return b;
}

}  // namespace testing_support
}  // namespace mlvns
