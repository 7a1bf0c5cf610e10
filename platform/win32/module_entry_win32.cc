// The process-attach and process-detach notifications run the module's load
// and unload steps.
#include "platform/process_entry.h"
#include "platform/win32/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return mlvns::platform::OnProcessAttach() != 0 ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      mlvns::platform::OnProcessDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
