#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "database/database_test_util.h"
#include "module/lifecycle.h"
#include "molvaren/molvaren.h"

namespace mlvns {
namespace {

using dbtest::Path;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

TEST(DataBaseExports, WithoutADatabaseObjectNothingIsTouched) {
  ASSERT_EQ(DataBasePointer(), nullptr);
  TempDir dir;
  const std::string f = dir.File("never");
  _PATH_INFO_ARRAY_* list = nullptr;
  ListHolder l(NewList({Path("{P}")}));
  EXPECT_EQ(Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(f.c_str(), "a", &list), 0);
  EXPECT_EQ(Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "a", l.get()), 0);
  EXPECT_EQ(Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(f.c_str(), "a"), 0);
  _PATH_INFO_* p = nullptr;
  EXPECT_EQ(Mlvr_DataBase_GetPathInfoByGUID(f.c_str(), "{P}", &p, nullptr), 0);
  _PATH_NODE_ n;
  EXPECT_EQ(Mlvr_DataBase_GetPathNodeByGUID(f.c_str(), "{P}", 0, {1, 1}, 0, &n, nullptr, 0), 0);
  CString guid;
  EXPECT_EQ(Mlvr_DataBase_ImportPathInfo(f.c_str(), "a", l->ppPathInfos[0], &guid), 1);
  EXPECT_EQ(guid.m_pszData, nullptr);
  EXPECT_EQ(Mlvr_DataBase_RelinkAssociateFile(f.c_str(), "a", "b"), 0);
  EXPECT_FALSE(platform::Env::Default()->PathExists(f.c_str()));
}

// The lock exports keep every other thread's database calls out until the
// last of the holder's unlocks, while the holder's own calls go through.
TEST(DataBaseExports, TheLockKeepsOtherThreadsOut) {
  TempDir dir;
  const std::string f = dir.path();
  ASSERT_EQ(ModuleLoad(), 1);
  ASSERT_EQ(Mlvr_DataBase_Lock(), 1);
  ASSERT_EQ(Mlvr_DataBase_Lock(), 1);
  ListHolder mine(NewList({Path("{HOLDER}")}));
  ASSERT_EQ(Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4",
                                                                 mine.get()), 1);
  std::atomic<int> deleted{-1};
  std::thread other([&] {
    deleted = Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4");
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(Mlvr_DataBase_Unlock(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(deleted.load(), -1);  // one hold is left
  _PATH_INFO_ARRAY_* seen = nullptr;
  ASSERT_EQ(Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4", &seen), 1);
  EXPECT_EQ(dbtest::Guids(seen), std::vector<std::string>{"{HOLDER}"});
  ASSERT_EQ(Mlvr_DataBase_Unlock(), 1);
  other.join();
  EXPECT_EQ(deleted.load(), 1);

  // An unlock without a hold is ignored instead of breaking the lock.
  EXPECT_EQ(Mlvr_DataBase_Unlock(), 1);
  std::thread again([&] {
    deleted = Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/a.mp4",
                                                                   mine.get());
  });
  again.join();
  EXPECT_EQ(deleted.load(), 1);
  ASSERT_EQ(ModuleUnload(), 1);
}

}  // namespace
}  // namespace mlvns
