#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

// Restores an environment variable on scope exit.
struct EnvSaved {
  explicit EnvSaved(const char* n) : name(n), had(getenv(n)), value(had ? getenv(n) : "") {}
  ~EnvSaved() { had ? setenv(name, value.c_str(), 1) : unsetenv(name); }
  const char* name;
  bool had;
  std::string value;
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
  s.save = true;
  s.title = "Save";
  s.fileName = "ObjTrckngPaths.otp";
  s.filter = "Paths (*.otp)|*.otp|All (*.a;*.b)|*.a;*.b||";
  s.defaultExtension = "otp";
  s.overwritePrompt = true;
  const struct {
    bool display, zenity;
    const char* answer;
    const char* status;
    bool chosen;
    std::string name;
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

}  // namespace
}  // namespace mlvns
