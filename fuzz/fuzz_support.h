// Shared by the fuzz targets: building small lists for seeds, and stopping
// hard when a property that must hold does not.
#ifndef MOLVAREN_FUZZ_FUZZ_SUPPORT_H_
#define MOLVAREN_FUZZ_FUZZ_SUPPORT_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "molvaren/molvaren.h"

namespace mlvns {
namespace fuzz_support {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

// Packs a list into a fresh byte vector; empty when Pack refuses it.
inline std::vector<uint8_t> PackToBytes(_PATH_INFO_ARRAY_** list) {
  MLVR_UINT size = 0;
  if (!Mlvr_PathInfoArray_Pack(list, nullptr, &size) || size == 0) return {};
  std::vector<uint8_t> bytes(size);
  MLVR_UINT written = size;
  if (!Mlvr_PathInfoArray_Pack(list, bytes.data(), &written)) Fail("pack after size query");
  if (written != size) Fail("pack wrote another size than it announced");
  return bytes;
}

}  // namespace fuzz_support
}  // namespace mlvns

#endif  // MOLVAREN_FUZZ_FUZZ_SUPPORT_H_
