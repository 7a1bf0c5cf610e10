// Repeated lookups of one identity give what a scan of every path gives,
// whatever the host or the database changed in between.
#include <gtest/gtest.h>

#include <cstring>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/platform.h"

namespace mlvns {
namespace {

using dbtest::Path;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

class IdentityCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f_ = dir_.path();
    for (const char* file : {"/v/a.mp4", "/v/b.mp4", "/v/c.mp4"}) {
      ListHolder l(NewList({Path((std::string("{") + file[3] + "1}").c_str()),
                            Path((std::string("{") + file[3] + "2}").c_str(), "1", {0, 100})}));
      ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), file, l.get()), 1);
    }
  }

  // The first path with the identity, walking the loaded lists in order.
  std::pair<std::string, const _PATH_INFO_*> Scan(const char* guid) {
    for (auto& slot : db_.m_mapFolders.begin()->second) {
      const _PATH_INFO_ARRAY_* l = slot.second->pdsPathInfoArray;
      for (int i = 0; l != nullptr && i < l->nNumOfPathInfos; ++i)
        if (l->ppPathInfos[i] != nullptr && std::strcmp(l->ppPathInfos[i]->szGUID, guid) == 0)
          return {slot.first, l->ppPathInfos[i]};
    }
    return {"", nullptr};
  }

  // Looks up twice (the second time from what the first remembered) and
  // checks both against the scan.
  void ExpectAsScan(const char* guid) {
    const auto want = Scan(guid);
    for (int round = 0; round < 2; ++round) {
      char key[260] = {};
      _PATH_NODE_ node;
      int32_t r = db_.fnGetPathNodeByGUID(f_.c_str(), guid, 50, {1920, 1080}, 0.0f, &node, key, 0);
      EXPECT_EQ(r, want.second != nullptr && want.second->nTotalPathNodeNum > 0 ? 1 : 0) << guid;
      EXPECT_EQ(std::string(key), want.first) << guid;
      if (r == 1) {
        EXPECT_FLOAT_EQ(node.fXPos, XAt50(*want.second)) << guid;
      }
    }
  }

  // The box centre at frame 50 of a path whose nodes are in frame order.
  static float XAt50(const _PATH_INFO_& p) {
    const _PATH_NODE_* n = p.pPathNodes;
    const int last = p.nTotalPathNodeNum - 1;
    if (50 <= n[0].nFrameIndex) return n[0].fXPos;
    if (50 >= n[last].nFrameIndex) return n[last].fXPos;
    int i = 0;
    while (n[i + 1].nFrameIndex < 50) ++i;
    const float t = (50.0f - n[i].nFrameIndex) / (n[i + 1].nFrameIndex - n[i].nFrameIndex);
    return (n[i + 1].fXPos - n[i].fXPos) * t + n[i].fXPos;
  }

  _PATH_INFO_ARRAY_* Fetch(const char* file) {
    _PATH_INFO_ARRAY_* l = nullptr;
    EXPECT_EQ(db_.fnGetInfoArray(f_.c_str(), file, &l), 1);
    return l;
  }

  TempDir dir_;
  std::string f_;
  CMlvrDataBase db_;
};

TEST_F(IdentityCacheTest, FollowsTheHostsEditsOfWhatItWasHanded) {
  ExpectAsScan("{c2}");
  // The host renames the path it was handed: the old identity is gone.
  _PATH_INFO_* p = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{c2}", &p, nullptr), 1);
  std::strcpy(p->szGUID, "{renamed}");
  ExpectAsScan("{c2}");
  ExpectAsScan("{renamed}");

  // A path of an earlier, fetched list takes the identity: it comes first.
  ExpectAsScan("{c1}");
  _PATH_INFO_ARRAY_* a = Fetch("/v/a.mp4");
  ExpectAsScan("{c1}");
  std::strcpy(a->ppPathInfos[1]->szGUID, "{c1}");
  ExpectAsScan("{c1}");
  EXPECT_EQ(Scan("{c1}").first, "/v/a.mp4");

  // A path appended to an earlier list by the host.
  ExpectAsScan("{b1}");
  Mlvr_PathInfoArray_Add(&a, Path("{b1}", "1", {50}));
  ExpectAsScan("{b1}");
  EXPECT_EQ(Scan("{b1}").first, "/v/a.mp4");

  // A single path handed out earlier in the order, renamed afterwards.
  ExpectAsScan("{renamed}");
  _PATH_INFO_* b2 = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{b2}", &b2, nullptr), 1);
  ExpectAsScan("{renamed}");
  std::strcpy(b2->szGUID, "{renamed}");
  ExpectAsScan("{renamed}");
  EXPECT_EQ(Scan("{renamed}").first, "/v/b.mp4");

  // Nodes edited in place are read as they now stand.
  b2->pPathNodes[1].fXPos = 0.875f;
  ExpectAsScan("{renamed}");
  b2->pPathNodes[1].nFrameIndex = 40;
  ExpectAsScan("{renamed}");
  Mlvr_PathInfo_FreeNodes(b2);
  ExpectAsScan("{renamed}");
}

TEST_F(IdentityCacheTest, FollowsEveryChangeOfTheDatabase) {
  ExpectAsScan("{c1}");
  ListHolder l(NewList({Path("{x}"), Path("{c1}", "2", {60})}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/b.mp4", l.get()), 1);
  ExpectAsScan("{c1}");
  EXPECT_EQ(Scan("{c1}").first, "/v/b.mp4");
  ASSERT_EQ(db_.fnDeleteInfoArray(f_.c_str(), "/v/b.mp4"), 1);
  ExpectAsScan("{c1}");
  EXPECT_EQ(Scan("{c1}").first, "/v/c.mp4");
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/0.mp4", l.get()), 1);  // sorts first
  ExpectAsScan("{c1}");
  EXPECT_EQ(Scan("{c1}").first, "/v/0.mp4");

  // Write-back releases every list; the next lookups load them again.
  ASSERT_EQ(db_.fnSaveDataBase(f_.c_str(), 0), 1);
  char key[260] = {};
  _PATH_INFO_* p = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{c1}", &p, key), 1);
  EXPECT_STREQ(key, "/v/0.mp4");
  ExpectAsScan("{c1}");

  // Import and relink end with a write-back that empties memory.
  testing_support::PathHolder s(Path("{c1}", "9", {70}));
  ASSERT_EQ(db_.fnImportPathInfo(f_.c_str(), "/v/0.mp4", s.get(), nullptr), 1);
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{c1}", &p, key), 1);
  EXPECT_STREQ(p->szTimeStamp, "9");
  ExpectAsScan("{c1}");
}

TEST_F(IdentityCacheTest, EachFolderHasItsOwnPlaces) {
  TempDir other;
  ListHolder l(NewList({Path("{a1}")}));
  ASSERT_EQ(db_.fnUpdateInfoArray(other.path().c_str(), "/w/z.mp4", l.get()), 1);
  _PATH_INFO_ARRAY_* held = nullptr;
  ASSERT_EQ(db_.fnGetInfoArray(other.path().c_str(), "/w/z.mp4", &held), 1);
  char key[260] = {};
  _PATH_NODE_ node;
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f_.c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  // A call on the other folder that changes nothing, then a lookup there.
  ASSERT_EQ(db_.fnGetInfoArray(other.path().c_str(), "/w/z.mp4", &held), 1);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(other.path().c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0),
            1);
  EXPECT_STREQ(key, "/w/z.mp4");
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f_.c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
}

TEST_F(IdentityCacheTest, APathFileThatAppearsBeforeThePlaceIsRead) {
  // An entry whose path file is missing sorts first.
  ASSERT_EQ(db_.fnSaveDataBase(f_.c_str(), 1), 1);
  std::string index = dbtest::ReadText(dir_.File("Molvaren.ini"));
  index += "[File_3]\r\nAssiciateFile=/v/0.mp4\r\nDataBaseName={ZERO}\r\n";
  size_t at = index.find("NumOfFiles=3");
  index.replace(at, 12, "NumOfFiles=4");
  dbtest::WriteText(dir_.File("Molvaren.ini"), index);
  char key[260] = {};
  _PATH_NODE_ node;
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f_.c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0), 1);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f_.c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  dbtest::WritePathFile(dir_.File("{ZERO}.otp"), {Path("{a1}")});
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f_.c_str(), "{a1}", 0, {16, 9}, 0.0f, &node, key, 0), 1);
  EXPECT_STREQ(key, "/v/0.mp4");
}

}  // namespace
}  // namespace mlvns
