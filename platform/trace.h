// Diagnostics: printf-style lines on the environment's debug output, either
// always or only while the trace switch is on.
#ifndef MOLVAREN_PLATFORM_TRACE_H_
#define MOLVAREN_PLATFORM_TRACE_H_

namespace mlvns {
namespace platform {
class Env;
}  // namespace platform

bool TraceEnabled();
void SetTraceEnabled(bool on);

// Written only while the trace switch is on.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Written whatever the trace switch says, to the module's environment or
// to `env`.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugPrint(platform::Env& env, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_TRACE_H_
