// What the platform's attach and detach notifications run: the module's
// load and unload steps.
#include "module/lifecycle.h"
#include "platform/process_entry.h"

namespace mlvns {
namespace platform {

int32_t OnProcessAttach() { return ModuleLoad() != 0 ? 1 : 0; }
void OnProcessDetach() { ModuleUnload(); }

}  // namespace platform
}  // namespace mlvns
