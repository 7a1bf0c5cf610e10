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

TEST(PosixFileDialog, WithoutDisplayOrZenityTheDialogIsCancelled) {
  EnvSaved display("DISPLAY"), wayland("WAYLAND_DISPLAY"), path("PATH");
  platform::FileDialogSettings s;
  s.save = true;
  s.title = "Save Object Tracking Path File";
  s.fileName = "ObjTrckngPaths.otp";
  std::string chosen = "untouched";

  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(platform::Env::Default()->ShowFileDialog(s, &chosen));
  // A display but no zenity on the PATH.
  setenv("DISPLAY", ":99", 1);
  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(platform::Env::Default()->ShowFileDialog(s, &chosen));
  EXPECT_EQ(chosen, "untouched");
}

// A stand-in zenity first on the PATH records its arguments and answers
// as each case says, so the glue around the real dialog runs without one.
TEST(PosixFileDialog, ZenitysAnswerBecomesTheChosenName) {
  EnvSaved display("DISPLAY"), path("PATH");
  testing_support::TempDir dir;
  const std::string zenity = dir.File("zenity");
  testing_support::Bytes script;
  script.raw("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n/bin/cat \"$0.answer\"\n");
  script.raw("exit $(/bin/cat \"$0.status\")\n");
  testing_support::WriteFileBytes(zenity, script);
  ASSERT_EQ(chmod(zenity.c_str(), 0755), 0);
  setenv("DISPLAY", ":99", 1);
  setenv("PATH", dir.path().c_str(), 1);
  auto text = [](const std::string& s) { return testing_support::Bytes().raw(s.c_str()); };

  platform::FileDialogSettings s;
  s.save = true;
  s.title = "Save";
  s.fileName = "ObjTrckngPaths.otp";
  s.filter = "Paths (*.otp)|*.otp|All (*.a;*.b)|*.a;*.b||";
  s.defaultExtension = "otp";
  s.overwritePrompt = true;
  const struct {
    const char* answer;
    const char* status;
    bool chosen;
    std::string name;
  } cases[] = {
      {"/d/a.b/typed\n", "0", true, "/d/a.b/typed.otp"},  // a dot in a folder is no extension
      {"/d/x.otp\r\n", "0", true, "/d/x.otp"},
      {"typed", "0", true, "typed.otp"},
      {"\n", "0", false, "untouched"},
      {"/d/y.otp\n", "1", false, "untouched"},  // cancelled
  };
  for (const auto& c : cases) {
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
