// Loading and unloading the shared object stand in for the process-attach
// and process-detach notifications.
#include "module/lifecycle.h"

namespace {

__attribute__((constructor)) void MolvarenAttach() { mlvns::ModuleLoad(); }

__attribute__((destructor)) void MolvarenDetach() { mlvns::ModuleUnload(); }

}  // namespace
