// Lookups by identity: the first path in key order, its box at a frame in
// the caller's frame shape and turn, and what repeated lookups remember,
// which must follow whatever the host or the database changed in between.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/database_folders.h"
#include "processing/node_conversion.h"

namespace mlvns {
namespace {

using dbtest::Path, ::testing::ElementsAre, ::testing::FloatEq, testing_support::Node;
using testing_support::ListHolder, testing_support::NewList, testing_support::TempDir;

// The node lookup with the arguments most cases leave alone.
int32_t NodeAt(CMlvrDataBase& db, const std::string& folder, const char* guid, int32_t frame,
               _PATH_NODE_* node, char* key = nullptr, MLVR_SIZE target = {1920, 1080},
               float turn = 0.0f, int32_t mode = 0) {
  return db.fnGetPathNodeByGUID(folder.c_str(), guid, frame, target, turn, node, key, mode);
}

// A path with the given nodes, as a host appends them.
_PATH_INFO_* PathWith(const char* guid, const std::vector<_PATH_NODE_>& nodes) {
  _PATH_INFO_* p = Path(guid);
  Mlvr_PathInfo_FreeNodes(p);
  EXPECT_EQ(Mlvr_PathInfo_PathNodeAppend(p, nodes.data(), int32_t(nodes.size()), 1), 1);
  return p;
}

class IdentityLookup : public ::testing::Test {
 protected:
  // Three associate files on disk, {SHARED} in two of them, and an entry
  // without a path file that sorts first.
  void SetUp() override {
    dbtest::WritePathFile(dir_.File("{A}.otp"), {Path("{X}"), Path("{SHARED}", "1", {0})});
    dbtest::WritePathFile(dir_.File("{B}.otp"), {Path("{SHARED}", "2", {0, 5})});
    dbtest::WritePathFile(dir_.File("{C}.otp"), {Path("{LAST}")});
    dbtest::WriteText(dir_.File("Molvaren.ini"),
                      "[Setting]\nNumOfFiles=4\n"
                      "[File_0]\nAssiciateFile=/v/B.mp4\nDataBaseName={B}\n"
                      "[File_1]\nAssiciateFile=/v/A.mp4\nDataBaseName={A}\n"
                      "[File_2]\nAssiciateFile=/v/C.mp4\nDataBaseName={C}\n"
                      "[File_3]\nAssiciateFile=/v/0gone.mp4\nDataBaseName={GONE}\n");
  }
  auto& Entry(const char* key) { return *db_.Folders().begin()->second.at(key); }
  TempDir dir_;
  const std::string f_ = dir_.path();
  CMlvrDataBase db_;
};

TEST_F(IdentityLookup, FindsTheFirstInKeyOrderAndLoadsOnlyWhatItPasses) {
  _PATH_INFO_* found = nullptr;
  char key[260] = "unchanged";
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{SHARED}", &found, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  EXPECT_STREQ(found->szTimeStamp, "1");
  EXPECT_EQ(Entry("/v/b.mp4").pdsPathInfoArray, nullptr);  // after the match: not loaded
  // The handed-out path is the database's own.
  EXPECT_EQ(found, Entry("/v/a.mp4").pdsPathInfoArray->ppPathInfos[1]);

  // Identities match with their letter case; misses write nothing.
  _PATH_INFO_* none = nullptr;
  EXPECT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{shared}", &none, key), 0);
  EXPECT_EQ(none, nullptr);
  EXPECT_STREQ(key, "/v/a.mp4");
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{LAST}", &found, nullptr), 1);
  EXPECT_NE(Entry("/v/b.mp4").pdsPathInfoArray, nullptr);  // passed, so loaded
  EXPECT_EQ(db_.fnGetPathInfoByGUID(dir_.File("empty").c_str(), "{LAST}", &found, key), 0);

  // A path file that appears before the remembered place is read.
  _PATH_NODE_ node;
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  dbtest::WritePathFile(dir_.File("{GONE}.otp"), {Path("{X}")});
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/0gone.mp4");
}

// Before the first node the first, after the last the last; else the
// first node at or after the frame decides, with the one before it. Boxes
// alternating between x = 0 and x = 1 check that every spacing (even,
// bunched at the start, bunched at both ends) finds the right neighbours.
TEST_F(IdentityLookup, NodeAtAFrameInterpolatesBetweenNeighbours) {
  auto alternating = [](const char* guid, const std::vector<int32_t>& frames) {
    std::vector<_PATH_NODE_> nodes;
    for (int32_t f : frames) nodes.push_back(Node(f, static_cast<float>(nodes.size() % 2), 0.5f));
    return PathWith(guid, nodes);
  };
  ListHolder l(NewList({PathWith("{N}", {Node(10, 0.1f, 0.2f, 0.1f, 0.1f),
                                         Node(20, 0.2f, 0.4f, 0.2f, 0.3f),
                                         Node(40, 0.6f, 0.8f, 0.4f, 0.5f)}),
                        Path("{EMPTY}", "1", {}),
                        // Out of order: the 20 and the 35 are never the first at or after.
                        PathWith("{U}", {Node(10, 0.1f, 0.1f), Node(30, 0.3f, 0.3f),
                                         Node(20, 0.9f, 0.9f), Node(40, 0.4f, 0.4f),
                                         Node(35, 0.8f, 0.8f), Node(50, 0.5f, 0.5f)}),
                        alternating("{EVEN}", {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}),
                        alternating("{LOW}", {0, 10, 20, 100}),
                        alternating("{ENDS}", {0, 1, 2, 3, 4, 5, 6, 7, 8, 100, 101, 102, 190, 200})}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/n.mp4", l.get()), 1);
  _PATH_NODE_ mid = Node(777, 0, 0);
  mid.fConfidence = 0.5f;  // only the box is written
  char key[260] = {};
  ASSERT_EQ(NodeAt(db_, f_, "{N}", 30, &mid, key), 1);
  EXPECT_THAT((std::vector<float>{mid.fYPos, mid.fWidth, mid.fHeight, mid.fConfidence}),
              ElementsAre(FloatEq(0.6f), FloatEq(0.3f), FloatEq(0.4f), 0.5f));
  EXPECT_EQ(mid.nFrameIndex, 777);
  EXPECT_STREQ(key, "/v/n.mp4");
  const std::tuple<const char*, int32_t, float> cases[] = {
      {"{N}", -5, 0.1f},      {"{N}", 10, 0.1f},     {"{N}", 20, 0.2f},
      {"{N}", 25, 0.3f},      {"{N}", 30, 0.4f},     {"{N}", 40, 0.6f},
      {"{N}", 99, 0.6f},      {"{U}", 20, 0.2f},     {"{U}", 35, 0.525f},
      {"{U}", 45, 0.6f},      {"{EVEN}", 35, 0.5f},  {"{EVEN}", 41, 0.1f},
      {"{LOW}", 15, 0.5f},    {"{ENDS}", 50, 42.0f / 92}, {"{ENDS}", 150, 1 - 48.0f / 88},
      {"{ENDS}", 195, 0.5f},  {"{ENDS}", 101, 0.0f}, {"{ENDS}", 189, 1 - 87.0f / 88}};
  for (const auto& [guid, frame, x] : cases) {
    ASSERT_EQ(NodeAt(db_, f_, guid, frame, &mid), 1);
    EXPECT_NEAR(mid.fXPos, x, 1e-5) << guid << " frame " << frame;
  }

  // A path without nodes gives 0 and leaves the node, but names its file.
  _PATH_NODE_ untouched = Node(3, 0.9f, 0.9f);
  EXPECT_EQ(NodeAt(db_, f_, "{EMPTY}", 3, &untouched, key), 0);
  EXPECT_EQ(untouched.fXPos, 0.9f);
  EXPECT_STREQ(key, "/v/n.mp4");
  EXPECT_EQ(NodeAt(db_, f_, "{NONE}", 3, &untouched, key), 0);
}

// In its own frame shape and turn the stored box comes back as it is;
// another shape, or the same shape turned, gives what the conversion gives.
TEST_F(IdentityLookup, ConvertsOnlyWhenTheTargetIsAnotherFrame) {
  _PATH_INFO_* wide = Path("{WIDE}", "1", {0});  // frame 16:9, video 4:3
  wide->nVideoAspect = 1;
  wide->pPathNodes[0].fWidth = 0.75f;
  _PATH_INFO_* custom = Path("{CUSTOM}", "1", {0});
  custom->nFrameAspect = custom->nVideoAspect = 2;
  custom->nFrameWidth = custom->nFrameHeight = custom->nVideoWidth = custom->nVideoHeight = 1000;
  _PATH_INFO_* four = Path("{FOUR}", "1", {0});
  four->nFrameAspect = four->nVideoAspect = 1;
  ListHolder l(NewList({wide, custom, four}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/s.mp4", l.get()), 1);
  const std::tuple<const char*, MLVR_SIZE, float, bool> cases[] = {
      {"{WIDE}", {1920, 1080}, 0.0f, false}, {"{CUSTOM}", {500, 500}, 0.0f, false},
      {"{WIDE}", {1440, 1080}, 0.0f, true},  {"{WIDE}", {1920, 1080}, 90.0f, true},
      {"{FOUR}", {1440, 1080}, 0.0f, false}, {"{FOUR}", {1920, 1080}, 0.0f, true}};
  for (const auto& [guid, target, turn, converted] : cases) {
    _PATH_INFO_* p = nullptr;
    ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), guid, &p, nullptr), 1);
    _PATH_NODE_ want = p->pPathNodes[0];
    ASSERT_EQ(converted ? ConvertPathNodeInfo(&want, p, target, turn, 0, 3) : 1, 1);
    ASSERT_EQ(converted, std::memcmp(&want, &p->pPathNodes[0], sizeof want) != 0) << guid;
    _PATH_NODE_ n;
    ASSERT_EQ(NodeAt(db_, f_, guid, 0, &n, nullptr, target, turn, 3), 1);
    EXPECT_EQ(std::memcmp(&n, &want, sizeof n), 0) << guid << " turned " << turn;
  }
}

// Three associate files in memory, each with paths {<letter>1} (frames 0
// and 10) and {<letter>2} (frames 0 and 100), every box centred at 0.5.
class IdentityCache : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::string c : {"a", "b", "c"}) {
      ListHolder l(NewList({Path(("{" + c + "1}").c_str()), Path(("{" + c + "2}").c_str(), "1",
                                                                 {0, 100})}));
      ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), ("/v/" + c + ".mp4").c_str(), l.get()), 1);
    }
  }

  // Looks up twice, the second time from what the first remembered: both
  // name `key` ("" when unknown) and give the box at frame 50 at `x` (a
  // negative x: no node to give).
  void ExpectAt(const char* guid, const std::string& key, float x = 0.5f) {
    for (int round = 0; round < 2; ++round) {
      char got[260] = {};
      _PATH_NODE_ node{};
      EXPECT_EQ(NodeAt(db_, f_, guid, 50, &node, got), x >= 0 ? 1 : 0) << guid << round;
      EXPECT_EQ(std::string(got), key) << guid << round;
      EXPECT_TRUE(x < 0 || node.fXPos == x) << guid << round << " x " << node.fXPos;
    }
  }

  TempDir dir_;
  const std::string f_ = dir_.path();
  CMlvrDataBase db_;
};

TEST_F(IdentityCache, FollowsTheHostsEditsOfWhatItWasHanded) {
  ExpectAt("{c2}", "/v/c.mp4");
  // The host renames the path it was handed: the old identity is gone.
  _PATH_INFO_* p = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{c2}", &p, nullptr), 1);
  std::strcpy(p->szGUID, "{renamed}");
  ExpectAt("{c2}", "", -1);
  ExpectAt("{renamed}", "/v/c.mp4");

  // A path of an earlier, fetched list takes the identity: it comes first.
  ExpectAt("{c1}", "/v/c.mp4");
  _PATH_INFO_ARRAY_* a = nullptr;
  ASSERT_EQ(db_.fnGetInfoArray(f_.c_str(), "/v/a.mp4", &a), 1);
  ExpectAt("{c1}", "/v/c.mp4");
  std::strcpy(a->ppPathInfos[1]->szGUID, "{c1}");
  ExpectAt("{c1}", "/v/a.mp4");

  // A path appended to an earlier list by the host.
  ExpectAt("{b1}", "/v/b.mp4");
  Mlvr_PathInfoArray_Add(&a, Path("{b1}", "1", {50}));
  ExpectAt("{b1}", "/v/a.mp4");

  // A single path handed out earlier in the order, renamed afterwards.
  _PATH_INFO_* b2 = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{b2}", &b2, nullptr), 1);
  ExpectAt("{renamed}", "/v/c.mp4");
  std::strcpy(b2->szGUID, "{renamed}");
  ExpectAt("{renamed}", "/v/b.mp4");

  // Nodes edited in place are read as they now stand.
  b2->pPathNodes[1].fXPos = 0.875f;
  ExpectAt("{renamed}", "/v/b.mp4", 0.6875f);
  b2->pPathNodes[1].nFrameIndex = 40;
  ExpectAt("{renamed}", "/v/b.mp4", 0.875f);
  Mlvr_PathInfo_FreeNodes(b2);
  ExpectAt("{renamed}", "/v/b.mp4", -1);
}

TEST_F(IdentityCache, FollowsEveryChangeOfTheDatabase) {
  ExpectAt("{c1}", "/v/c.mp4");
  ListHolder l(NewList({Path("{x}"), Path("{c1}", "2", {60})}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/b.mp4", l.get()), 1);
  ExpectAt("{c1}", "/v/b.mp4");
  ASSERT_EQ(db_.fnDeleteInfoArray(f_.c_str(), "/v/b.mp4"), 1);
  ExpectAt("{c1}", "/v/c.mp4");
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/0.mp4", l.get()), 1);  // sorts first
  ExpectAt("{c1}", "/v/0.mp4");

  // Write-back releases every list; the next lookups load them again.
  ASSERT_EQ(db_.fnSaveDataBase(f_.c_str(), 0), 1);
  ExpectAt("{c1}", "/v/0.mp4");

  // Import and relink end with a write-back that empties memory.
  testing_support::PathHolder s(Path("{c1}", "9", {70}));
  ASSERT_EQ(db_.fnImportPathInfo(f_.c_str(), "/v/0.mp4", s.get(), nullptr), 1);
  ExpectAt("{c1}", "/v/0.mp4", 0.5f);
}

// A call on another folder that changes nothing must not mix the folders'
// remembered places.
TEST_F(IdentityCache, EachFolderHasItsOwnPlaces) {
  TempDir other;
  const std::string g = other.path();
  ListHolder l(NewList({Path("{a1}")}));
  ASSERT_EQ(db_.fnUpdateInfoArray(g.c_str(), "/w/z.mp4", l.get()), 1);
  ExpectAt("{a1}", "/v/a.mp4");
  _PATH_INFO_ARRAY_* held = nullptr;
  ASSERT_EQ(db_.fnGetInfoArray(g.c_str(), "/w/z.mp4", &held), 1);
  char key[260] = {};
  _PATH_NODE_ node;
  ASSERT_EQ(NodeAt(db_, g, "{a1}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/w/z.mp4");
  ExpectAt("{a1}", "/v/a.mp4");
}

}  // namespace
}  // namespace mlvns
