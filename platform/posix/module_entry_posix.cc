// Loading and unloading the shared object stand in for the process-attach
// and process-detach notifications.
#include "platform/process_entry.h"

namespace {

__attribute__((constructor)) void MolvarenAttach() { mlvns::platform::OnProcessAttach(); }

__attribute__((destructor)) void MolvarenDetach() { mlvns::platform::OnProcessDetach(); }

}  // namespace
