// Counting of file operations by kind, and the one armed failure that tests
// of write-back ask for. The platform implementations ask FileOpFails()
// before each real call.
#include <atomic>

#include "platform/platform.h"

namespace mlvns {
namespace platform {
namespace {

constexpr int kKinds = static_cast<int>(FileOp::kKinds);
std::atomic<uint64_t> g_counts[kKinds];
std::atomic<uint64_t> g_armed[kKinds];

}  // namespace

void ArmFileFault(FileOp op, uint64_t nth) {
  g_armed[static_cast<int>(op)].store(nth, std::memory_order_relaxed);
}

void ResetFileOps() {
  for (int i = 0; i < kKinds; ++i) {
    g_counts[i].store(0, std::memory_order_relaxed);
    g_armed[i].store(0, std::memory_order_relaxed);
  }
}

uint64_t FileOpCount(FileOp op) {
  return g_counts[static_cast<int>(op)].load(std::memory_order_relaxed);
}

bool FileOpFails(FileOp op) {
  const int i = static_cast<int>(op);
  const uint64_t n = g_counts[i].fetch_add(1, std::memory_order_relaxed) + 1;
  return n == g_armed[i].load(std::memory_order_relaxed);
}

}  // namespace platform
}  // namespace mlvns
