#include "platform/env.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <tuple>

#include "platform/trace.h"
#include "tests/support/test_env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureEnv;
using testing_support::TempDir;

// Lines reach the module's environment whole, beyond the small buffer too.
TEST(Platform, DebugLinesReachTheModuleEnvironment) {
  CaptureEnv capture;
  DebugPrint("one %d", 1);
  DebugPrint("%s", std::string(600, 'x').c_str());
  EXPECT_THAT(capture.Lines(), ::testing::ElementsAre("one 1", std::string(600, 'x')));
}

TEST(Platform, FilesAndFolders) {
  TempDir dir;
  platform::Env* env = platform::Env::Default();
  const std::string sub = dir.File("sub"), file = dir.File("sub/f.bin"), moved = dir.File("g.bin");
  EXPECT_FALSE(env->PathExists(sub.c_str()));
  EXPECT_TRUE(env->CreateFolder(sub.c_str()) && !env->CreateFolder(sub.c_str()));
  EXPECT_TRUE(env->PathExists(sub.c_str()));
  EXPECT_FALSE(env->CreateFolder(dir.File("a/b").c_str()));  // one level at a time
  {
    auto f = env->OpenFileForWriting(file.c_str());
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Write("hello", 5) && f->Sync() && f->Close());
  }
  uint64_t size = 0;
  EXPECT_TRUE(env->FileSize(file.c_str(), &size) && size == 5u);
  {
    auto f = env->OpenFileForReading(file.c_str());
    ASSERT_TRUE(f);
    char buf[16];
    size_t got = 0, atEnd = 1;
    EXPECT_TRUE(f->Read(buf, sizeof buf, &got) && f->Read(buf, sizeof buf, &atEnd));
    EXPECT_EQ(std::string(buf, got) + std::to_string(atEnd), "hello0");
  }
  EXPECT_FALSE(env->OpenFileForReading(sub.c_str()));  // a folder is no file
  EXPECT_FALSE(env->OpenFileForReading(dir.File("none").c_str()));
  EXPECT_TRUE(env->RenameFile(file.c_str(), moved.c_str()));
  EXPECT_FALSE(env->PathExists(file.c_str()));
  std::vector<std::string> names;  // the file, not the folder beside it
  EXPECT_TRUE(env->ListFiles(dir.File(""), &names));
  EXPECT_EQ(names, std::vector<std::string>{"g.bin"});
  EXPECT_TRUE(env->DeleteFile(moved.c_str()) && !env->DeleteFile(moved.c_str()));
  EXPECT_FALSE(env->FileSize(moved.c_str(), &size));
}

TEST(Platform, GuidTimeAndText) {
  platform::Env* env = platform::Env::Default();
  std::string g = env->NewGuidText();
  EXPECT_TRUE(std::regex_match(
      g, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << g;
  // The C library's calendar day, taken on both sides in case midnight passes.
  auto day = [] {
    std::time_t s = std::time(nullptr);
    const std::tm tm = *std::localtime(&s);
    return std::tuple(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  };
  const auto dayBefore = day();
  platform::LocalTime t = env->CurrentLocalTime();
  const auto got = std::tuple(t.year, t.month, t.day);
  EXPECT_TRUE(got == dayBefore || got == day()) << t.year << "-" << t.month << "-" << t.day;
  EXPECT_TRUE(t.hour < 24 && t.minute < 60 && t.second < 61 && t.millisecond < 1000);
  const std::string beside = env->FileBesideExecutable("x.ini");
  ASSERT_GT(beside.size(), 6u);
  EXPECT_EQ(beside.substr(beside.size() - 5), "x.ini");
  const char sep = beside[beside.size() - 6];
  EXPECT_TRUE(sep == '/' || sep == '\\') << beside;
}

}  // namespace
}  // namespace mlvns
