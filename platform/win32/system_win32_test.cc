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

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

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

TEST(Win32Platform, FilesAndFolders) {
  TempDir dir;
  const std::string sub = dir.path() + "\\sub";
  EXPECT_TRUE(platform::CreateFolder(sub.c_str()));
  EXPECT_FALSE(platform::CreateFolder(sub.c_str()));
  EXPECT_FALSE(platform::CreateFolder((dir.path() + "\\no\\deeper").c_str()));
  EXPECT_TRUE(platform::PathExists(sub.c_str()));

  const std::string file = sub + "\\{GUID}.otp";
  WriteFileBytes(file, {1, 2, 3, 4, 5, 6, 7});
  uint64_t size = 0;
  EXPECT_TRUE(platform::FileSize(file.c_str(), &size));
  EXPECT_EQ(size, 7u);
  EXPECT_FALSE(platform::FileSize((sub + "\\missing").c_str(), &size));

  // Deleting goes through the shell, silently: a missing file is no error box.
  EXPECT_TRUE(platform::DeleteFile(file.c_str()));
  EXPECT_FALSE(platform::PathExists(file.c_str()));
  EXPECT_FALSE(platform::DeleteFile(file.c_str()));
  EXPECT_FALSE(platform::DeleteFile(""));
  EXPECT_FALSE(platform::DeleteFile(nullptr));

  const std::string from = sub + "\\new.tmp";
  const std::string to = sub + "\\old.ini";
  WriteFileBytes(to, {'o'});
  WriteFileBytes(from, {'n', 'e', 'w'});
  EXPECT_TRUE(platform::RenameFile(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadFileBytes(to), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_FALSE(platform::PathExists(from.c_str()));
}

}  // namespace
}  // namespace mlvns
