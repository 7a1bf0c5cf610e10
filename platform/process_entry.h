// The platform's process attach and detach notifications call these; the
// module defines what they do, so the platform never names the module.
#ifndef MOLVAREN_PLATFORM_PROCESS_ENTRY_H_
#define MOLVAREN_PLATFORM_PROCESS_ENTRY_H_

#include <cstdint>

namespace mlvns {
namespace platform {

// 1 when the process may go on loading the library, 0 to refuse the load.
int32_t OnProcessAttach();
void OnProcessDetach();

}  // namespace platform
}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_PROCESS_ENTRY_H_
