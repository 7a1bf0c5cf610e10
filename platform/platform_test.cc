#include "platform/env.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "platform/trace.h"
#include "tests/support/test_env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureEnv;
using testing_support::TempDir;

// Lines reach the innermost environment installed, and the platform's
// channel once none is.
TEST(Platform, DebugLinesReachTheModuleEnvironment) {
  CaptureEnv outer;
  {
    CaptureEnv inner;
    DebugPrint("one %d", 1);
    EXPECT_THAT(inner.Lines(), ::testing::ElementsAre("one 1"));
  }
  DebugPrint("%s", std::string(600, 'x').c_str());  // beyond the small buffer
  EXPECT_THAT(outer.Lines(), ::testing::ElementsAre(std::string(600, 'x')));
}

TEST(Platform, FilesAndFolders) {
  TempDir dir;
  const std::string sub = dir.File("sub");
  EXPECT_FALSE(platform::Env::Default()->PathExists(sub.c_str()));
  EXPECT_TRUE(platform::Env::Default()->CreateFolder(sub.c_str()));
  EXPECT_FALSE(platform::Env::Default()->CreateFolder(sub.c_str()));
  EXPECT_TRUE(platform::Env::Default()->PathExists(sub.c_str()));
  EXPECT_FALSE(platform::Env::Default()->CreateFolder(dir.File("a/b").c_str()));

  const std::string file = dir.File("sub/f.bin");
  {
    auto f = platform::Env::Default()->OpenFileForWriting(file.c_str());
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Write("hello", 5));
    EXPECT_TRUE(f->Sync());
    EXPECT_TRUE(f->Close());
  }
  uint64_t size = 0;
  EXPECT_TRUE(platform::Env::Default()->FileSize(file.c_str(), &size));
  EXPECT_EQ(size, 5u);
  {
    auto f = platform::Env::Default()->OpenFileForReading(file.c_str());
    ASSERT_TRUE(f);
    char buf[16];
    size_t got = 0;
    EXPECT_TRUE(f->Read(buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got), "hello");
    EXPECT_TRUE(f->Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
  }
  EXPECT_FALSE(platform::Env::Default()->OpenFileForReading(sub.c_str()));  // a folder is no file
  EXPECT_FALSE(platform::Env::Default()->OpenFileForReading(dir.File("none").c_str()));
  EXPECT_TRUE(platform::Env::Default()->RenameFile(file.c_str(), dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::Env::Default()->PathExists(file.c_str()));
  EXPECT_TRUE(platform::Env::Default()->DeleteFile(dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::Env::Default()->DeleteFile(dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::Env::Default()->FileSize(dir.File("g.bin").c_str(), &size));
}

TEST(Platform, GuidTimeAndText) {
  std::string g = platform::Env::Default()->NewGuidText();
  EXPECT_TRUE(std::regex_match(
      g, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << g;
  platform::LocalTime t = platform::Env::Default()->CurrentLocalTime();
  EXPECT_GE(t.year, 2024);
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.month, 12);
  EXPECT_LT(t.millisecond, 1000);
  const std::string beside = platform::Env::Default()->FileBesideExecutable("x.ini");
  ASSERT_GT(beside.size(), 6u);
  EXPECT_EQ(beside.substr(beside.size() - 5), "x.ini");
  const char sep = beside[beside.size() - 6];
  EXPECT_TRUE(sep == '/' || sep == '\\') << beside;
}

}  // namespace
}  // namespace mlvns
