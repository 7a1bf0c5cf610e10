// Routing of debug-output lines: to the installed sink, else to the
// platform's channel. Portable; the channel itself is per platform.
#include <atomic>

#include "platform/platform.h"

namespace mlvns {
namespace platform {
namespace {
std::atomic<DebugSink*> g_sink{nullptr};
}  // namespace

DebugSink* SetDebugSink(DebugSink* sink) { return g_sink.exchange(sink); }

void DebugLine(const char* line) {
  if (line == nullptr) return;
  DebugSink* sink = g_sink.load();
  if (sink != nullptr) {
    sink->Write(line);
  } else {
    SystemDebugLine(line);
  }
}

}  // namespace platform
}  // namespace mlvns
