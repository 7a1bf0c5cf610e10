// The module's life as hosts see it: the database object between the first
// load and the last unload, the trace switch read at load, and the lock
// exports.
#include "module/lifecycle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/database_folders.h"
#include "module/export_guard.h"
#include "platform/trace.h"

namespace mlvns {
namespace {

using dbtest::Path, testing_support::ListHolder, testing_support::NewList;

TEST(ModuleLifecycle, FirstLoadCreatesTheDatabaseAndLastUnloadDestroysIt) {
  ASSERT_EQ(AttachCount(), 0);
  EXPECT_EQ(DataBasePointer(), nullptr);
  // Without the object the exports touch nothing; import answers 1 all the same.
  testing_support::TempDir dir;
  const std::string f = dir.File("never");
  ListHolder l(NewList({Path("{P}")}));
  EXPECT_EQ(Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "a", l.get()), 0);
  CString guid;
  EXPECT_EQ(Mlvr_DataBase_ImportPathInfo(f.c_str(), "a", l->ppPathInfos[0], &guid), 1);
  EXPECT_EQ(guid.m_pszData, nullptr);
  EXPECT_FALSE(dbtest::Exists(f));

  ASSERT_EQ(ModuleLoad(), 1);
  EXPECT_EQ(AttachCount(), 1);
  CMlvrDataBase* db = DataBasePointer();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(WithDataBase([&](CMlvrDataBase& d) { return &d == db ? 1 : 0; }), 1);

  ASSERT_EQ(ModuleUnload(), 1);
  EXPECT_EQ(AttachCount(), 0);
  EXPECT_EQ(DataBasePointer(), nullptr);
  EXPECT_EQ(WithDataBase([](CMlvrDataBase&) { return 1; }), 0);

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

// The lock exports keep every other thread's database calls out until the
// last of the holder's unlocks, while the holder's own calls go through.
TEST(ModuleLifecycle, TheLockKeepsOtherThreadsOut) {
  testing_support::TempDir dir;
  const std::string f = dir.path();
  ASSERT_EQ(ModuleLoad(), 1);
  ASSERT_EQ(Mlvr_DataBase_Lock(), 1);
  ASSERT_EQ(Mlvr_DataBase_Lock(), 1);
  ListHolder mine(NewList({Path("{HOLDER}")}));
  const auto update = [&] {
    return Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4", mine.get());
  };
  ASSERT_EQ(update(), 1);
  std::atomic<int> deleted{-1};
  std::thread other([&] {
    deleted = Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4");
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(Mlvr_DataBase_Unlock(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(deleted.load(), -1);  // one hold is left
  ASSERT_EQ(Mlvr_DataBase_Unlock(), 1);
  other.join();
  EXPECT_EQ(deleted.load(), 1);

  // An unlock without a hold is ignored instead of breaking the lock.
  EXPECT_EQ(Mlvr_DataBase_Unlock(), 1);
  std::thread([&] { deleted = update(); }).join();
  EXPECT_EQ(deleted.load(), 1);
  ASSERT_EQ(ModuleUnload(), 1);
}

}  // namespace
}  // namespace mlvns
