// Exports of the path database.
#include "module/export_guard.h"
#include "module/lifecycle.h"
#include "molvaren/molvaren.h"

using namespace mlvns;

extern "C" {

MLVR_API int32_t Mlvr_DataBase_Lock(void) {
  HostLock();
  return 1;
}

MLVR_API int32_t Mlvr_DataBase_Unlock(void) {
  HostUnlock();
  return 1;
}

}  // extern "C"
