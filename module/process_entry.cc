// What the system's load and unload notifications of the shared library run:
// the module's load and unload steps. Built into the shared library only, so
// programs that link the core directly load nothing on their own.
#include "module/lifecycle.h"
#include "platform/process_entry.h"

MLVR_DEFINE_PROCESS_ENTRY(mlvns::ModuleLoad(), mlvns::ModuleUnload())
