#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/platform.h"

namespace mlvns {
namespace {

// Restores an environment variable on scope exit.
class EnvSaved {
 public:
  explicit EnvSaved(const char* name) : name_(name) {
    const char* v = getenv(name);
    had_ = v != nullptr;
    if (had_) value_ = v;
  }
  ~EnvSaved() {
    if (had_) {
      setenv(name_, value_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  std::string value_;
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
  EXPECT_FALSE(platform::SystemFileDialog(s, &chosen));
  // A display but no zenity on the PATH.
  setenv("DISPLAY", ":99", 1);
  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(platform::SystemFileDialog(s, &chosen));
  EXPECT_EQ(chosen, "untouched");
}

}  // namespace
}  // namespace mlvns
