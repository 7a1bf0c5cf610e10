// Unpacking arbitrary bytes must never crash, leak or allocate beyond what
// the input justifies; whatever decodes must pack and decode again to the
// same bytes (decoding normalises, so a second round changes nothing).
#include <cstring>

#include "fuzz/fuzz_support.h"

using namespace mlvns;
using fuzz_support::Fail;
using fuzz_support::PackToBytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  _PATH_INFO_ARRAY_* list = nullptr;
  const int32_t ok = Mlvr_PathInfoArray_Unpack(data, static_cast<MLVR_UINT>(size), &list);
  if (ok) {
    std::vector<uint8_t> first = PackToBytes(&list);
    if (!first.empty()) {
      _PATH_INFO_ARRAY_* again = nullptr;
      if (!Mlvr_PathInfoArray_Unpack(first.data(), static_cast<MLVR_UINT>(first.size()), &again))
        Fail("a packed list does not unpack");
      std::vector<uint8_t> second = PackToBytes(&again);
      if (second != first) Fail("pack of unpack is not stable");

      // A deep copy packs to the same bytes too.
      _PATH_INFO_ARRAY_* copy = nullptr;
      MLVR_UINT copied = 0;
      if (!Mlvr_PathInfoArray_Clone(&copy, again, &copied)) Fail("clone of a decoded list");
      if (copied != first.size()) Fail("clone measured another size");
      if (PackToBytes(&copy) != first) Fail("clone packs differently");
      Mlvr_PathInfoArray_Free(&copy);
      Mlvr_PathInfoArray_Free(&again);
    }
  }
  // Decoding over an existing list replaces it without leaking.
  if (list != nullptr && size > 1) {
    Mlvr_PathInfoArray_Unpack(data + 1, static_cast<MLVR_UINT>(size - 1), &list);
  }
  Mlvr_PathInfoArray_Free(&list);
  return 0;
}
