// The POSIX platform: text folding and conversion, and the file dialog.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

// Restores an environment variable on scope exit.
struct EnvSaved {
  explicit EnvSaved(const char* n) : name(n), had(getenv(n)), value(had ? getenv(n) : "") {}
  ~EnvSaved() { had ? setenv(name, value.c_str(), 1) : unsetenv(name); }
  const char* name; bool had; std::string value;
};

// A stand-in zenity first on the PATH records its arguments and answers
// as each case says, so the glue around the real dialog runs without one.
// Without a display, or without zenity, the dialog counts as cancelled.
TEST(PosixFileDialog, ZenitysAnswerBecomesTheChosenName) {
  EnvSaved display("DISPLAY"), wayland("WAYLAND_DISPLAY"), path("PATH");
  testing_support::TempDir dir;
  const std::string zenity = dir.File("zenity");
  auto text = [](const std::string& s) { return testing_support::Bytes().raw(s.c_str()); };
  testing_support::WriteFileBytes(
      zenity, text("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n/bin/cat \"$0.answer\"\n"
                   "exit $(/bin/cat \"$0.status\")\n"));
  ASSERT_EQ(chmod(zenity.c_str(), 0755), 0);
  unsetenv("WAYLAND_DISPLAY");

  platform::FileDialogSettings s;
  s.save = s.overwritePrompt = true, s.title = "Save", s.fileName = "ObjTrckngPaths.otp";
  s.filter = "Paths (*.otp)|*.otp|All (*.a;*.b)|*.a;*.b||", s.defaultExtension = "otp";
  const struct {
    bool display, zenity; const char *answer, *status; bool chosen; std::string name;
  } cases[] = {
      {false, true, "/d/x.otp\n", "0", false, "untouched"},
      {true, false, "/d/x.otp\n", "0", false, "untouched"},
      {true, true, "/d/a.b/typed\n", "0", true, "/d/a.b/typed.otp"},  // a dot in a folder is no extension
      {true, true, "/d/x.otp\r\n", "0", true, "/d/x.otp"},
      {true, true, "typed", "0", true, "typed.otp"},
      {true, true, "\n", "0", false, "untouched"},
      {true, true, "/d/y.otp\n", "1", false, "untouched"},  // cancelled
  };
  for (const auto& c : cases) {
    c.display ? setenv("DISPLAY", ":99", 1) : unsetenv("DISPLAY");
    setenv("PATH", c.zenity ? dir.path().c_str() : "/nonexistent", 1);
    testing_support::WriteFileBytes(zenity + ".answer", text(c.answer));
    testing_support::WriteFileBytes(zenity + ".status", text(c.status));
    std::string chosen = "untouched";
    EXPECT_EQ(platform::Env::Default()->ShowFileDialog(s, &chosen), c.chosen) << c.answer;
    EXPECT_EQ(chosen, c.name);
  }
  const std::vector<uint8_t> args = testing_support::ReadFileBytes(zenity + ".args");
  EXPECT_EQ(std::string(args.begin(), args.end()),
            "--file-selection\n--title=Save\n--filename=ObjTrckngPaths.otp\n--save\n"
            "--confirm-overwrite\n--file-filter=Paths (*.otp) | *.otp\n"
            "--file-filter=All (*.a;*.b) | *.a *.b\n");
}

TEST(Text, FoldingAndConversion) {
  EXPECT_EQ(platform::LowerAnsi("/Data/Tracks/CLIP.MP4"), "/data/tracks/clip.mp4");
  // Latin-1, Latin Extended-A (both alignments), Greek, Cyrillic.
  EXPECT_EQ(platform::LowerAnsi("\xC3\x89\xC3\x96\xC3\x97\xC3\x9E"), "\xC3\xA9\xC3\xB6\xC3\x97\xC3\xBE");
  EXPECT_EQ(platform::LowerAnsi("\xC4\x80\xC4\xB9\xC5\xB9\xC5\xB8\xC4\xB0"),
            "\xC4\x81\xC4\xBA\xC5\xBA\xC3\xBFi");
  // The odd-aligned runs' last pairs: U+0147 U+0148 and U+017D U+017E.
  EXPECT_EQ(platform::LowerAnsi("\xC5\x87\xC5\x88\xC5\xBD\xC5\xBE"),
            "\xC5\x88\xC5\x88\xC5\xBE\xC5\xBE");
  EXPECT_EQ(platform::LowerAnsi("\xCE\xA9\xD0\x96\xD0\x81"), "\xCF\x89\xD0\xB6\xD1\x91");
  // Bytes that are no UTF-8 stay as they are.
  EXPECT_EQ(platform::LowerAnsi(std::string("A\xFF\xC3", 3)), std::string("a\xFF\xC3", 3));

  EXPECT_EQ(platform::CompareNoCase("\xC3\x89.MP4", "\xC3\xA9.mp4"), 0);
  EXPECT_TRUE(platform::CompareNoCase("a", "B") < 0 && platform::CompareNoCase("b", "A") > 0);

  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";
  std::u16string wide = platform::AnsiToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', u'\u00E9', char16_t(0xD83D), char16_t(0xDE00)}));
  EXPECT_EQ(platform::Utf16ToAnsi(wide.data(), wide.size()), text);
  EXPECT_EQ(platform::AnsiToUtf16("\xFF"), std::u16string(1, char16_t(0xFFFD)));
  // The smallest value of each length is a character; one below it is overlong.
  EXPECT_EQ(platform::AnsiToUtf16("\xC2\x80\xE0\xA0\x80\xC1\xBF"), u"\u0080\u0800\uFFFD\uFFFD");
  // A lone surrogate becomes '?'; the surrogate ranges' ends are U+10000
  // and U+10FFFF.
  const char16_t lone[] = {0x20AC, 0xD800, u'z'}, ends[] = {0xD800, 0xDC00, 0xDBFF, 0xDFFF};
  EXPECT_EQ(platform::Utf16ToAnsi(lone, 3), "\xE2\x82\xAC?z");
  EXPECT_EQ(platform::Utf16ToAnsi(ends, 4), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace mlvns
