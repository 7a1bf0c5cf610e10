// The shared library's own load and unload notifications. The module expands
// MLVR_DEFINE_PROCESS_ENTRY once, in the shared library only, with its load
// step (an int, 0 refuses the load) and its unload step; the platform only
// knows how the system delivers the two notifications, never what they run.
#ifndef MOLVAREN_PLATFORM_PROCESS_ENTRY_H_
#define MOLVAREN_PLATFORM_PROCESS_ENTRY_H_

#if defined(_WIN32)
// DllMain with the plain types behind BOOL, HINSTANCE, DWORD and LPVOID, so
// the module needs no system header; 1 and 0 are DLL_PROCESS_ATTACH and
// DLL_PROCESS_DETACH.
#define MLVR_DEFINE_PROCESS_ENTRY(attach, detach)                          \
  extern "C" int __stdcall DllMain(void*, unsigned long reason, void*) { \
    if (reason == 1) return (attach) != 0 ? 1 : 0;                       \
    if (reason == 0) (detach);                                           \
    return 1;                                                            \
  }
#else
// Loading and unloading the shared object stand in for the process attach
// and detach notifications.
#define MLVR_DEFINE_PROCESS_ENTRY(attach, detach)                     \
  namespace {                                                        \
  __attribute__((constructor)) void MolvarenAttach() { (attach); }    \
  __attribute__((destructor)) void MolvarenDetach() { (detach); }     \
  }
#endif

#endif  // MOLVAREN_PLATFORM_PROCESS_ENTRY_H_
