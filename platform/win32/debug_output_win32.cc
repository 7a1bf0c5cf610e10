// The debug-output channel on Win32: what a debugger (or DebugView) shows.
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {

void SystemDebugLine(const char* line) {
  if (line != nullptr) ::OutputDebugStringA(line);
}

}  // namespace platform
}  // namespace mlvns
