#include "platform/platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureSink;
using testing_support::TempDir;

TEST(Platform, DebugLinesReachTheInstalledSink) {
  {
    CaptureSink sink;
    platform::DebugLine("one");
    platform::DebugLine(nullptr);
    {
      CaptureSink inner;
      platform::DebugLine("two");
      EXPECT_THAT(inner.Lines(), ::testing::ElementsAre("two"));
    }
    platform::DebugLine("three");
    EXPECT_THAT(sink.Lines(), ::testing::ElementsAre("one", "three"));
  }
  platform::DebugLine("to syslog");  // the system channel takes it without a sink
}

TEST(Platform, FilesAndFolders) {
  TempDir dir;
  const std::string sub = dir.File("sub");
  EXPECT_FALSE(platform::PathExists(sub.c_str()));
  EXPECT_TRUE(platform::CreateFolder(sub.c_str()));
  EXPECT_FALSE(platform::CreateFolder(sub.c_str()));
  EXPECT_TRUE(platform::PathExists(sub.c_str()));
  EXPECT_FALSE(platform::CreateFolder(dir.File("a/b").c_str()));

  const std::string file = dir.File("sub/f.bin");
  {
    auto f = platform::OpenFileForWriting(file.c_str());
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Write("hello", 5));
    EXPECT_TRUE(f->Sync());
    EXPECT_TRUE(f->Close());
  }
  uint64_t size = 0;
  EXPECT_TRUE(platform::FileSize(file.c_str(), &size));
  EXPECT_EQ(size, 5u);
  {
    auto f = platform::OpenFileForReading(file.c_str());
    ASSERT_TRUE(f);
    char buf[16];
    size_t got = 0;
    EXPECT_TRUE(f->Read(buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got), "hello");
    EXPECT_TRUE(f->Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
  }
  EXPECT_FALSE(platform::OpenFileForReading(sub.c_str()));  // a folder is no file
  EXPECT_FALSE(platform::OpenFileForReading(dir.File("none").c_str()));
  EXPECT_TRUE(platform::RenameFile(file.c_str(), dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::PathExists(file.c_str()));
  EXPECT_TRUE(platform::DeleteFile(dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::DeleteFile(dir.File("g.bin").c_str()));
  EXPECT_FALSE(platform::FileSize(dir.File("g.bin").c_str(), &size));
}

TEST(Platform, GuidTimeAndText) {
  std::string g = platform::NewGuidText();
  EXPECT_TRUE(std::regex_match(
      g, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << g;
  platform::LocalTime t = platform::CurrentLocalTime();
  EXPECT_GE(t.year, 2024);
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.month, 12);
  EXPECT_LT(t.millisecond, 1000);
  const std::string beside = platform::FileBesideExecutable("x.ini");
  ASSERT_GT(beside.size(), 6u);
  EXPECT_EQ(beside.substr(beside.size() - 5), "x.ini");
  const char sep = beside[beside.size() - 6];
  EXPECT_TRUE(sep == '/' || sep == '\\') << beside;
}

}  // namespace
}  // namespace mlvns
