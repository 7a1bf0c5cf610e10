// Lookups by identity: the first path in key order, its box at a frame in
// the caller's frame shape and turn, and what repeated lookups remember,
// which must give what a scan of every path gives whatever the host or the
// database changed in between.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/trace.h"
#include "processing/node_conversion.h"

namespace mlvns {
namespace {

using dbtest::Path;
using testing_support::CaptureSink;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

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
  EXPECT_EQ(Mlvr_PathInfo_PathNodeAppend(p, nodes.data(), static_cast<int32_t>(nodes.size()), 1),
            1);
  return p;
}

// The rule a lookup must follow, written as plainly as it reads: outside the
// range the end node; else the first node at or after f decides.
_PATH_NODE_ ReferenceNode(const _PATH_INFO_& p, int32_t f, _PATH_NODE_ out) {
  const _PATH_NODE_* n = p.pPathNodes;
  const int32_t last = p.nTotalPathNodeNum - 1;
  if (f <= n[0].nFrameIndex) return n[0];
  if (f >= n[last].nFrameIndex) return n[last];
  int32_t i = 1;
  while (n[i].nFrameIndex < f) ++i;
  if (n[i].nFrameIndex == f) return n[i];
  const float t = static_cast<float>(f - n[i - 1].nFrameIndex) /
                  static_cast<float>(n[i].nFrameIndex - n[i - 1].nFrameIndex);
  out.fXPos = (n[i].fXPos - n[i - 1].fXPos) * t + n[i - 1].fXPos;
  out.fYPos = (n[i].fYPos - n[i - 1].fYPos) * t + n[i - 1].fYPos;
  out.fWidth = (n[i].fWidth - n[i - 1].fWidth) * t + n[i - 1].fWidth;
  out.fHeight = (n[i].fHeight - n[i - 1].fHeight) * t + n[i - 1].fHeight;
  return out;
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
  const _DATABASE_FILE_INFO_& Entry(const char* key) {
    return *db_.m_mapFolders.begin()->second.at(key);
  }
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
}

TEST_F(IdentityLookup, APathFileThatAppearsBeforeTheRememberedPlaceIsRead) {
  char key[260] = {};
  _PATH_NODE_ node;
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  dbtest::WritePathFile(dir_.File("{GONE}.otp"), {Path("{X}")});
  ASSERT_EQ(NodeAt(db_, f_, "{X}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/0gone.mp4");
}

// Hand-worked cases of the rule the property test below holds the lookup
// to, and what a path without nodes gives.
TEST_F(IdentityLookup, NodeAtAFrameInterpolatesBetweenNeighbours) {
  using testing_support::Node;
  ListHolder l(NewList({PathWith("{N}", {Node(10, 0.1f, 0.2f, 0.1f, 0.1f),
                                         Node(20, 0.2f, 0.4f, 0.2f, 0.3f),
                                         Node(40, 0.6f, 0.8f, 0.4f, 0.5f)}),
                        Path("{EMPTY}", "1", {})}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/n.mp4", l.get()), 1);
  _PATH_NODE_ mid;
  mid.nFrameIndex = 777;
  mid.fConfidence = 0.5f;
  char key[260] = {};
  ASSERT_EQ(NodeAt(db_, f_, "{N}", 30, &mid, key), 1);
  EXPECT_FLOAT_EQ(mid.fXPos, 0.4f);
  EXPECT_FLOAT_EQ(mid.fYPos, 0.6f);
  EXPECT_FLOAT_EQ(mid.fWidth, 0.3f);
  EXPECT_FLOAT_EQ(mid.fHeight, 0.4f);
  EXPECT_EQ(mid.nFrameIndex, 777);  // only the box is written
  EXPECT_EQ(mid.fConfidence, 0.5f);
  EXPECT_STREQ(key, "/v/n.mp4");

  // Out of order, the first node at or after the frame decides, with the
  // one before it.
  ListHolder ul(NewList({PathWith("{U}", {Node(10, 0.1f, 0.1f), Node(30, 0.3f, 0.3f),
                                          Node(20, 0.9f, 0.9f), Node(40, 0.4f, 0.4f),
                                          Node(35, 0.8f, 0.8f), Node(50, 0.5f, 0.5f)})}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/u.mp4", ul.get()), 1);
  for (auto [frame, x] : {std::pair{20, 0.2f},      // between 10 and 30; the 20 later unseen
                          std::pair{35, 0.525f},    // between 20 and 40; the 35 later unseen
                          std::pair{45, 0.6f}}) {   // between 35 and 50
    ASSERT_EQ(NodeAt(db_, f_, "{U}", frame, &mid), 1);
    EXPECT_FLOAT_EQ(mid.fXPos, x) << frame;
  }

  // A path without nodes gives 0 and leaves the node, but names its file.
  _PATH_NODE_ untouched = Node(3, 0.9f, 0.9f);
  EXPECT_EQ(NodeAt(db_, f_, "{EMPTY}", 3, &untouched, key), 0);
  EXPECT_EQ(untouched.fXPos, 0.9f);
  EXPECT_STREQ(key, "/v/n.mp4");
  EXPECT_EQ(NodeAt(db_, f_, "{NONE}", 3, &untouched, key), 0);
}

// Evenly spaced, irregular, with repeated frames, out of order: every frame
// gives the node the plain rule gives, also once the host holds the list
// and reorders its frames behind the database's back.
TEST_F(IdentityLookup, NodeAtEveryFrameMatchesThePlainRule) {
  std::mt19937 rng(7);
  std::vector<std::vector<int32_t>> shapes = {{0, 5, 10, 15, 20, 25, 30}, {3, 4}, {0, 0, 0, 9}};
  for (int k = 0; k < 30; ++k) {
    std::vector<int32_t> frames(2 + rng() % 60);
    int32_t at = static_cast<int32_t>(rng() % 50) - 25;
    for (int32_t& v : frames) v = at += static_cast<int32_t>(rng() % 4) * (1 + rng() % 30);
    if (k % 3 == 2) std::shuffle(frames.begin() + 1, frames.end() - 1, rng);
    shapes.push_back(frames);
  }
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<std::vector<_PATH_NODE_>> kept(shapes.size());
  for (size_t s = 0; s < shapes.size(); ++s) {
    for (int32_t frame : shapes[s])
      kept[s].push_back(testing_support::Node(frame, unit(rng), unit(rng), unit(rng), unit(rng)));
    ListHolder list(NewList({PathWith(("{P" + std::to_string(s) + "}").c_str(), kept[s])}));
    const std::string media = "/v/p" + std::to_string(s) + ".mp4";
    ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), media.c_str(), list.get()), 1);
  }
  // Every frame around the path against the nodes as the test knows them.
  auto expectAll = [&](size_t s) {
    const std::string guid = "{P" + std::to_string(s) + "}";
    _PATH_INFO_ own{};
    own.pPathNodes = kept[s].data();
    own.nTotalPathNodeNum = static_cast<int32_t>(kept[s].size());
    const int32_t lo = kept[s].front().nFrameIndex - 3;
    const int32_t hi = kept[s].back().nFrameIndex + 3;
    for (int32_t frame = std::min(lo, hi); frame <= std::max(lo, hi); ++frame) {
      // Fields the lookup does not write keep what the caller put there.
      _PATH_NODE_ got = testing_support::Node(-77, 0.0f, 0.0f, 0.0f, 0.0f);
      got.fConfidence = 0.625f;
      const _PATH_NODE_ want = ReferenceNode(own, frame, got);
      ASSERT_EQ(NodeAt(db_, f_, guid.c_str(), frame, &got), 1);
      ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << guid << " frame " << frame;
    }
  };
  for (size_t s = 0; s < shapes.size(); ++s) {
    // First while only the database holds the list...
    expectAll(s);
    // ...then after the host, holding it, put its inner frames out of order.
    _PATH_INFO_* held = nullptr;
    ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), ("{P" + std::to_string(s) + "}").c_str(), &held,
                                      nullptr), 1);
    _PATH_NODE_ n;  // a lookup while held, before the edit
    ASSERT_EQ(NodeAt(db_, f_, held->szGUID, 0, &n), 1);
    if (held->nTotalPathNodeNum > 3) {
      std::swap(held->pPathNodes[1], held->pPathNodes[2]);
      std::swap(kept[s][1], kept[s][2]);
    }
    expectAll(s);
  }
}

TEST_F(IdentityLookup, ConvertsOnlyWhenTheTargetIsAnotherFrame) {
  _PATH_INFO_* wide = Path("{WIDE}", "1", {0});  // frame 16:9, video 4:3
  wide->nFrameAspect = 0;
  wide->nVideoAspect = 1;
  wide->pPathNodes[0].fXPos = 0.5f;
  wide->pPathNodes[0].fWidth = 0.75f;
  _PATH_INFO_* four = Path("{FOUR}", "1", {0});
  four->nFrameAspect = 1;
  four->nVideoAspect = 1;
  _PATH_INFO_* custom = Path("{CUSTOM}", "1", {0});
  custom->nFrameAspect = custom->nVideoAspect = 2;
  custom->nFrameWidth = custom->nFrameHeight = custom->nVideoWidth = custom->nVideoHeight = 1000;
  ListHolder l(NewList({wide, four, custom}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/v/s.mp4", l.get()), 1);

  CaptureSink sink;
  SetTraceEnabled(true);
  _PATH_NODE_ n;
  ASSERT_EQ(NodeAt(db_, f_, "{WIDE}", 0, &n), 1);
  EXPECT_EQ(n.fWidth, 0.75f);  // own frame: unconverted
  ASSERT_EQ(NodeAt(db_, f_, "{FOUR}", 0, &n, nullptr, {640, 480}), 1);
  ASSERT_EQ(NodeAt(db_, f_, "{CUSTOM}", 0, &n, nullptr, {500, 500}), 1);
  EXPECT_THAT(sink.Lines(), ::testing::ElementsAre("fnGetPathNodeByGUID", "  16:9",
                                                   "fnGetPathNodeByGUID", "  4:3",
                                                   "fnGetPathNodeByGUID", "  1:1"));
  sink.Clear();

  // Another shape, or an equal shape but another turn, gives exactly what
  // the conversion gives.
  for (auto [guid, target, turn] : {std::make_tuple("{WIDE}", MLVR_SIZE{1440, 1080}, 0.0f),
                                    std::make_tuple("{WIDE}", MLVR_SIZE{1920, 1080}, 90.0f),
                                    std::make_tuple("{FOUR}", MLVR_SIZE{1280, 720}, 0.0f)}) {
    _PATH_INFO_* p = nullptr;
    ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), guid, &p, nullptr), 1);
    _PATH_NODE_ want = p->pPathNodes[0];
    ASSERT_EQ(ConvertPathNodeInfo(&want, p, target, turn, 0, 3), 1);
    ASSERT_EQ(NodeAt(db_, f_, guid, 0, &n, nullptr, target, turn, 3), 1);
    EXPECT_EQ(std::memcmp(&n, &want, sizeof n), 0) << guid;
  }
  SetTraceEnabled(false);
  EXPECT_THAT(sink.Lines(), ::testing::ElementsAre(
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo",
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo",
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo"));
}

// Three associate files in memory, each with paths {<letter>1} and
// {<letter>2}; lookups are checked against a scan of the loaded lists.
class IdentityCache : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::string c : {"a", "b", "c"}) {
      ListHolder l(NewList({Path(("{" + c + "1}").c_str()), Path(("{" + c + "2}").c_str(), "1",
                                                                 {0, 100})}));
      ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), ("/v/" + c + ".mp4").c_str(), l.get()), 1);
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
      const int32_t r = NodeAt(db_, f_, guid, 50, &node, key);
      EXPECT_EQ(r, want.second != nullptr && want.second->nTotalPathNodeNum > 0 ? 1 : 0) << guid;
      EXPECT_EQ(std::string(key), want.first) << guid;
      if (r == 1 && want.second != nullptr) {
        const _PATH_NODE_ expected = ReferenceNode(*want.second, 50, _PATH_NODE_{});
        EXPECT_EQ(std::memcmp(&node, &expected, sizeof node), 0) << guid;
      }
    }
  }

  TempDir dir_;
  const std::string f_ = dir_.path();
  CMlvrDataBase db_;
};

TEST_F(IdentityCache, FollowsTheHostsEditsOfWhatItWasHanded) {
  ExpectAsScan("{c2}");
  // The host renames the path it was handed: the old identity is gone.
  _PATH_INFO_* p = nullptr;
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f_.c_str(), "{c2}", &p, nullptr), 1);
  std::strcpy(p->szGUID, "{renamed}");
  ExpectAsScan("{c2}");
  ExpectAsScan("{renamed}");

  // A path of an earlier, fetched list takes the identity: it comes first.
  ExpectAsScan("{c1}");
  _PATH_INFO_ARRAY_* a = nullptr;
  ASSERT_EQ(db_.fnGetInfoArray(f_.c_str(), "/v/a.mp4", &a), 1);
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

TEST_F(IdentityCache, FollowsEveryChangeOfTheDatabase) {
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

TEST_F(IdentityCache, EachFolderHasItsOwnPlaces) {
  TempDir other;
  const std::string g = other.path();
  ListHolder l(NewList({Path("{a1}")}));
  ASSERT_EQ(db_.fnUpdateInfoArray(g.c_str(), "/w/z.mp4", l.get()), 1);
  _PATH_INFO_ARRAY_* held = nullptr;
  ASSERT_EQ(db_.fnGetInfoArray(g.c_str(), "/w/z.mp4", &held), 1);
  char key[260] = {};
  _PATH_NODE_ node;
  ASSERT_EQ(NodeAt(db_, f_, "{a1}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  // A call on the other folder that changes nothing, then a lookup there.
  ASSERT_EQ(db_.fnGetInfoArray(g.c_str(), "/w/z.mp4", &held), 1);
  ASSERT_EQ(NodeAt(db_, g, "{a1}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/w/z.mp4");
  ASSERT_EQ(NodeAt(db_, f_, "{a1}", 0, &node, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
}

}  // namespace
}  // namespace mlvns
