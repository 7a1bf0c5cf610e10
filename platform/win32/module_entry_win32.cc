// The process-attach and process-detach notifications run the module's load
// and unload steps.
#include "module/lifecycle.h"
#include "platform/win32/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return mlvns::ModuleLoad() != 0 ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      mlvns::ModuleUnload();
      return TRUE;
    default:
      return TRUE;
  }
}
