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
  EXPECT_FALSE(platform::PathExists(f.c_str()));
}

// One thread holds the lock across several calls while others call the
// database: what the holder does between its Lock and Unlock is not
// interleaved with anyone else's calls.
TEST(DataBaseExports, AHostHoldingTheLockMakesItsCallsAtomic) {
  TempDir dir;
  ASSERT_EQ(ModuleLoad(), 1);
  const std::string f = dir.path();
  {
    ListHolder seed(NewList({Path("{SEED}", "1", {0, 10, 20})}));
    ASSERT_EQ(Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/seed.mp4",
                                                                   seed.get()), 1);
  }
  std::atomic<bool> stop{false};
  std::atomic<int> otherCalls{0};
  std::vector<std::thread> others;
  for (int t = 0; t < 3; ++t) {
    others.emplace_back([&, t] {
      ListHolder mine(NewList({Path("{OTHER}"), Path("{OTHER2}")}));
      while (!stop.load()) {
        _PATH_NODE_ n;
        Mlvr_DataBase_GetPathNodeByGUID(f.c_str(), "{SEED}", 15, {1920, 1080}, 0.0f, &n,
                                        nullptr, 0);
        Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/shared.mp4",
                                                             mine.get());
        if (t == 0) Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(f.c_str(), "/v/shared.mp4");
        otherCalls.fetch_add(1);
      }
    });
  }
  int mismatches = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int round = 0; round < 200; ++round) {
    Mlvr_DataBase_Lock();
    Mlvr_DataBase_Lock();  // recursively
    ListHolder one(NewList({Path("{HOLDER}")}));
    Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(f.c_str(), "/v/shared.mp4", one.get());
    std::this_thread::yield();
    _PATH_INFO_ARRAY_* seen = nullptr;
    Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(f.c_str(), "/v/shared.mp4", &seen);
    Mlvr_DataBase_Unlock();
    _PATH_INFO_* p = nullptr;
    if (seen == nullptr || seen->nNumOfPathInfos != 1 ||
        Mlvr_DataBase_GetPathInfoByGUID(f.c_str(), "{HOLDER}", &p, nullptr) != 1)
      ++mismatches;
    Mlvr_DataBase_Unlock();
    // Let another call in between rounds: a lock that is not fair (Wine's)
    // would otherwise hand it straight back to this thread every time.
    const int before = otherCalls.load();
    while (otherCalls.load() == before && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
  }
  stop.store(true);
  for (auto& th : others) th.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(otherCalls.load(), 0);
  ASSERT_EQ(ModuleUnload(), 1);
  EXPECT_EQ(dbtest::OnDisk(f, "/v/seed.mp4"), std::vector<std::string>{"{SEED}"});
}

}  // namespace
}  // namespace mlvns
