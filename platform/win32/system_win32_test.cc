// The Win32 layer against the real system (run under Wine on Linux).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C (0x40010006), which a
// vectored handler sees before the system swallows it: the texts exactly as
// a debugger would show them.
std::vector<std::string>* g_seen = nullptr;

LONG CALLBACK SeeDebugString(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  if (g_seen != nullptr && r->ExceptionCode == 0x40010006 && r->NumberParameters >= 2) {
    g_seen->emplace_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

TEST(Win32Platform, DebugLinesGoToOutputDebugStringAsTheyStand) {
  std::vector<std::string> seen;
  g_seen = &seen;
  void* handler = ::AddVectoredExceptionHandler(1, SeeDebugString);
  ASSERT_NE(handler, nullptr);
  platform::DebugLine("  error 5. same file");
  platform::SystemDebugLine("tab\tquote\" \xe9");
  platform::DebugLine(nullptr);
  {
    testing_support::CaptureSink sink;  // an installed sink keeps lines off the channel
    platform::DebugLine("captured");
    EXPECT_THAT(sink.Lines(), ::testing::ElementsAre("captured"));
  }
  ::RemoveVectoredExceptionHandler(handler);
  g_seen = nullptr;
  EXPECT_THAT(seen, ::testing::ElementsAre("  error 5. same file", "tab\tquote\" \xe9"));
}

TEST(Win32Platform, TextInTheAnsiCodePage) {
  // The tests run with code page 1252 (a Western locale).
  ASSERT_EQ(::GetACP(), 1252u);
  const char16_t wide[] = {u'A', 0x00E9, 0x20AC, 0x4E2D, u'z'};
  EXPECT_EQ(platform::Utf16ToAnsi(wide, 5), "A\xe9\x80?z");
  EXPECT_EQ(platform::AnsiToUtf16("A\xe9\x80z"), std::u16string(u"A\u00e9\u20acz"));
  EXPECT_EQ(platform::AnsiToUtf16(""), std::u16string());
  EXPECT_EQ(platform::Utf16ToAnsi(wide, 0), "");

  EXPECT_EQ(platform::LowerAnsi("C:\\DATA\\\xC9t\xC9.MP4"), "c:\\data\\\xe9t\xe9.mp4");
  EXPECT_EQ(platform::CompareNoCase("\xC9.MP4", "\xe9.mp4"), 0);
  EXPECT_LT(platform::CompareNoCase("a.mp4", "B.mp4"), 0);
  EXPECT_GT(platform::CompareNoCase("b.mp4", "A.mp4"), 0);
  EXPECT_NE(platform::CompareNoCase("a.mp4", "a.mp"), 0);
}

// The shell delete: a missing or empty name is a plain false, no error box.
TEST(Win32Platform, DeleteRefusesNamesOfNothing) {
  testing_support::TempDir dir;
  EXPECT_FALSE(platform::DeleteFile((dir.path() + "\\missing.otp").c_str()));
  EXPECT_FALSE(platform::DeleteFile(""));
  EXPECT_FALSE(platform::DeleteFile(nullptr));
}

}  // namespace
}  // namespace mlvns
