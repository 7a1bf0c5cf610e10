// DllMain called as the loader calls it: attach and detach run the module's
// load and unload steps, thread notifications do nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "module/lifecycle.h"
#include "platform/trace.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID);

namespace mlvns {
namespace {

TEST(Win32ModuleEntry, AttachAndDetachCountAndTheIniBesideTheExeTurnsTracingOn) {
  char exe[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::string marker(exe, n);
  marker.erase(marker.rfind('\\') + 1);
  marker += "Molvaren.ini";
  std::remove(marker.c_str());
  SetTraceEnabled(false);

  ASSERT_EQ(AttachCount(), 0);
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(AttachCount(), 1);
  EXPECT_NE(DataBasePointer(), nullptr);
  EXPECT_FALSE(TraceEnabled());
  EXPECT_TRUE(DllMain(nullptr, DLL_THREAD_ATTACH, nullptr));
  EXPECT_TRUE(DllMain(nullptr, DLL_THREAD_DETACH, nullptr));
  EXPECT_EQ(AttachCount(), 1);
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr));
  EXPECT_EQ(AttachCount(), 0);
  EXPECT_EQ(DataBasePointer(), nullptr);

  // The file beside the executable, in upper case: the lookup ignores case.
  std::string upper = marker;
  upper.replace(upper.size() - 12, 12, "MOLVAREN.INI");
  std::ofstream(upper).put('\n');
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_TRUE(TraceEnabled());
  EXPECT_TRUE(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr));
  std::remove(upper.c_str());
  SetTraceEnabled(false);
}

}  // namespace
}  // namespace mlvns
