// The debug-output channel on POSIX: syslog, user facility, debug level.
#include <syslog.h>

#include <mutex>

#include "platform/platform.h"

namespace mlvns {
namespace platform {

void SystemDebugLine(const char* line) {
  static std::once_flag opened;
  std::call_once(opened, [] { openlog("Molvaren", LOG_NDELAY, LOG_USER); });
  syslog(LOG_USER | LOG_DEBUG, "%s", line);
}

}  // namespace platform
}  // namespace mlvns
