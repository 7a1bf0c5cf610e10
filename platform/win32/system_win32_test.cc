// The Win32 layer against the real system (run under Wine on Linux). Debug
// lines through OutputDebugStringA are shown by the Windows host test.
#include <gtest/gtest.h>

#include <string>

#include "platform/env.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

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
  EXPECT_FALSE(platform::Env::Default()->DeleteFile((dir.path() + "\\missing.otp").c_str()));
  EXPECT_FALSE(platform::Env::Default()->DeleteFile(""));
  EXPECT_FALSE(platform::Env::Default()->DeleteFile(nullptr));
}

}  // namespace
}  // namespace mlvns
