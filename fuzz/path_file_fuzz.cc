// Opening an arbitrary file as a path file must never crash or leak, and
// whatever opens must save and open again to the same list.
#include <unistd.h>

#include <fstream>
#include <string>

#include "fuzz/fuzz_support.h"

using namespace mlvns;
using fuzz_support::Fail;
using fuzz_support::PackToBytes;

namespace {

std::string ScratchName(const char* what) {
  return "/tmp/molvaren-fuzz-" + std::to_string(getpid()) + "-" + what + ".otp";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = ScratchName("in");
  const std::string output = ScratchName("out");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  _PATH_INFO_ARRAY_* list = nullptr;
  if (Mlvr_OpenSavePathInfo(input.c_str(), 0, &list)) {
    if (list == nullptr) Fail("opened without a list");
    std::vector<uint8_t> packed = PackToBytes(&list);
    if (!packed.empty()) {
      if (!Mlvr_OpenSavePathInfo(output.c_str(), 1, &list)) Fail("saving an opened list");
      _PATH_INFO_ARRAY_* again = nullptr;
      if (!Mlvr_OpenSavePathInfo(output.c_str(), 0, &again)) Fail("a saved file does not open");
      if (PackToBytes(&again) != packed) Fail("save and open changed the list");
      Mlvr_PathInfoArray_Free(&again);
    }
  }
  // A failed decode may leave what it read so far; it is the caller's to free.
  Mlvr_PathInfoArray_Free(&list);
  unlink(input.c_str());
  unlink(output.c_str());
  return 0;
}
