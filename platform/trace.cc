#include "platform/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/env.h"

namespace mlvns {
namespace {

std::atomic<bool> g_trace{false};

void WriteFormatted(platform::Env& env, const char* format, va_list args) {
  char small[512];
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    env.DebugLine(small);
  } else {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&big[0], big.size(), format, again);
    big.resize(static_cast<size_t>(n));
    env.DebugLine(big.c_str());
  }
  va_end(again);
}

}  // namespace

bool TraceEnabled() { return g_trace.load(std::memory_order_relaxed); }
void SetTraceEnabled(bool on) { g_trace.store(on, std::memory_order_relaxed); }

void Trace(const char* format, ...) {
  if (!TraceEnabled()) return;
  va_list args;
  va_start(args, format);
  WriteFormatted(ModuleEnv(), format, args);
  va_end(args);
}

void DebugPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteFormatted(ModuleEnv(), format, args);
  va_end(args);
}

void DebugPrint(platform::Env& env, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteFormatted(env, format, args);
  va_end(args);
}

}  // namespace mlvns
