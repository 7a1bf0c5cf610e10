// The per-thread failure sentence behind MlvrX_LastError.
#ifndef MOLVAREN_COMPANION_LAST_ERROR_H_
#define MOLVAREN_COMPANION_LAST_ERROR_H_

#include <cstdint>
#include <exception>
#include <string>

namespace mlvns {

void SetLastError(std::string sentence);
void ClearLastError();

// Runs `work` (returning 1 or 0) for a companion function: clears the last
// error, and turns any escaping exception into 0 with its message kept.
template <class Work>
int32_t CompanionCall(Work&& work) noexcept {
  try {
    ClearLastError();
    return work();
  } catch (const std::exception& e) {
    SetLastError(e.what());
  } catch (...) {
    SetLastError("unexpected failure");
  }
  return 0;
}

}  // namespace mlvns

#endif  // MOLVAREN_COMPANION_LAST_ERROR_H_
