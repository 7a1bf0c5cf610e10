// No exception leaves an export: whatever escapes the work becomes the
// export's failure result.
#ifndef MOLVAREN_MODULE_EXPORT_GUARD_H_
#define MOLVAREN_MODULE_EXPORT_GUARD_H_

#include <cstdint>
#include <mutex>

#include "module/lifecycle.h"

namespace mlvns {

template <class Work>
int32_t Guarded(int32_t onFailure, Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return onFailure;
  }
}

// Runs `work` on the database object under the database lock; 0 while there
// is no database object.
template <class Work>
int32_t WithDataBase(Work&& work) noexcept {
  return Guarded(0, [&]() -> int32_t {
    std::lock_guard<std::recursive_mutex> hold(DataBaseLock());
    CMlvrDataBase* db = DataBasePointer();
    if (db == nullptr) return 0;
    return work(*db);
  });
}

}  // namespace mlvns

#endif  // MOLVAREN_MODULE_EXPORT_GUARD_H_
