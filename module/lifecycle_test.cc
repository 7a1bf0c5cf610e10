#include "module/lifecycle.h"

#include <gtest/gtest.h>

#include <fstream>

#include "module/export_guard.h"
#include "platform/trace.h"
#include "platform/env.h"

namespace mlvns {
namespace {

TEST(ModuleLifecycle, FirstLoadCreatesTheDatabaseAndLastUnloadDestroysIt) {
  ASSERT_EQ(AttachCount(), 0);
  EXPECT_EQ(DataBasePointer(), nullptr);
  EXPECT_EQ(WithDataBase([](CMlvrDataBase&) { return 1; }), 0);  // no object yet

  ASSERT_EQ(ModuleLoad(), 1);
  EXPECT_EQ(AttachCount(), 1);
  CMlvrDataBase* db = DataBasePointer();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(WithDataBase([&](CMlvrDataBase& d) { return &d == db ? 1 : 0; }), 1);

  ASSERT_EQ(ModuleUnload(), 1);
  EXPECT_EQ(AttachCount(), 0);
  EXPECT_EQ(DataBasePointer(), nullptr);

  // Unloading again has no database pointer to count down.
  ASSERT_EQ(ModuleUnload(), 1);
  EXPECT_EQ(AttachCount(), 0);
}

TEST(ModuleLifecycle, TraceSwitchFollowsTheFileBesideTheExecutable) {
  const std::string marker = platform::Env::Default()->FileBesideExecutable("Molvaren.ini");
  ASSERT_FALSE(marker.empty());
  std::remove(marker.c_str());

  SetTraceEnabled(false);
  ASSERT_EQ(ModuleLoad(), 1);
  EXPECT_FALSE(TraceEnabled());
  std::ofstream(marker).put('\n');  // created while loaded: no effect yet
  EXPECT_FALSE(TraceEnabled());
  ASSERT_EQ(ModuleUnload(), 1);

  ASSERT_EQ(ModuleLoad(), 1);
  EXPECT_TRUE(TraceEnabled());
  ASSERT_EQ(ModuleUnload(), 1);
  std::remove(marker.c_str());
  SetTraceEnabled(false);
}

}  // namespace
}  // namespace mlvns
