// Diagnostics: printf-style lines on the debug-output channel, either always
// or only while the trace switch is on.
#ifndef MOLVAREN_PLATFORM_TRACE_H_
#define MOLVAREN_PLATFORM_TRACE_H_

namespace mlvns {

bool TraceEnabled();
void SetTraceEnabled(bool on);

// Written only while the trace switch is on.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Written whatever the trace switch says.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_TRACE_H_
