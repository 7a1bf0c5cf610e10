#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/database_test_util.h"
#include "module/trace.h"
#include "processing/node_conversion.h"

namespace mlvns {
namespace {

using dbtest::Path;
using testing_support::CaptureSink;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

class IdentityLookup : public ::testing::Test {
 protected:
  // Three associate files on disk; the identity {SHARED} is in two of them.
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
  CMlvrDataBase db_;
};

TEST_F(IdentityLookup, FindsTheFirstInKeyOrderAndLoadsOnlyWhatItPasses) {
  const std::string f = dir_.path();
  _PATH_INFO_* found = nullptr;
  char key[260] = "unchanged";
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f.c_str(), "{SHARED}", &found, key), 1);
  EXPECT_STREQ(key, "/v/a.mp4");
  EXPECT_STREQ(found->szTimeStamp, "1");
  EXPECT_NE(Entry("/v/a.mp4").pdsPathInfoArray, nullptr);
  EXPECT_EQ(Entry("/v/b.mp4").pdsPathInfoArray, nullptr);  // after the match: not loaded
  // The handed-out path is the database's own.
  EXPECT_EQ(found, Entry("/v/a.mp4").pdsPathInfoArray->ppPathInfos[1]);

  // Identities match with their letter case; misses write nothing.
  _PATH_INFO_* none = nullptr;
  EXPECT_EQ(db_.fnGetPathInfoByGUID(f.c_str(), "{shared}", &none, key), 0);
  EXPECT_EQ(none, nullptr);
  EXPECT_STREQ(key, "/v/a.mp4");
  ASSERT_EQ(db_.fnGetPathInfoByGUID(f.c_str(), "{LAST}", &found, nullptr), 1);
  EXPECT_NE(Entry("/v/b.mp4").pdsPathInfoArray, nullptr);  // passed, so loaded
  EXPECT_EQ(db_.fnGetPathInfoByGUID(dir_.File("empty").c_str(), "{LAST}", &found, key), 0);
}

TEST_F(IdentityLookup, NodeAtAFrameInterpolatesBetweenNeighbours) {
  _PATH_INFO_* p = Path("{N}");
  Mlvr_PathInfo_FreeNodes(p);
  const _PATH_NODE_ nodes[] = {testing_support::Node(10, 0.1f, 0.2f, 0.1f, 0.1f),
                               testing_support::Node(20, 0.2f, 0.4f, 0.2f, 0.3f),
                               testing_support::Node(40, 0.6f, 0.8f, 0.4f, 0.5f)};
  ASSERT_EQ(Mlvr_PathInfo_PathNodeAppend(p, nodes, 3, 1), 1);
  p->pPathNodes[0].fConfidence = 0.25f;
  ListHolder l(NewList({p, Path("{EMPTY}", "1", {})}));
  const std::string f = dir_.path();
  ASSERT_EQ(db_.fnUpdateInfoArray(f.c_str(), "/v/n.mp4", l.get()), 1);
  const MLVR_SIZE own{1920, 1080};

  _PATH_NODE_ n;
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{N}", 5, own, 0.0f, &n, nullptr, 0), 1);
  EXPECT_EQ(n.nFrameIndex, 10);
  EXPECT_EQ(n.fConfidence, 0.25f);  // a whole copy of the first node
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{N}", 50, own, 0.0f, &n, nullptr, 0), 1);
  EXPECT_EQ(n.nFrameIndex, 40);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{N}", 20, own, 0.0f, &n, nullptr, 0), 1);
  EXPECT_EQ(n.nFrameIndex, 20);
  EXPECT_FLOAT_EQ(n.fYPos, 0.4f);

  _PATH_NODE_ mid;
  mid.nFrameIndex = 777;
  mid.fConfidence = 0.5f;
  mid.fCtrlXPos = 9.0f;
  char key[260] = {};
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{N}", 30, own, 0.0f, &mid, key, 0), 1);
  EXPECT_FLOAT_EQ(mid.fXPos, 0.4f);
  EXPECT_FLOAT_EQ(mid.fYPos, 0.6f);
  EXPECT_FLOAT_EQ(mid.fWidth, 0.3f);
  EXPECT_FLOAT_EQ(mid.fHeight, 0.4f);
  EXPECT_EQ(mid.nFrameIndex, 777);  // only the box is written
  EXPECT_EQ(mid.fConfidence, 0.5f);
  EXPECT_EQ(mid.fCtrlXPos, 9.0f);
  EXPECT_STREQ(key, "/v/n.mp4");

  // Out of order, the first node at or after the frame decides, with the
  // one before it: frame 20 lies between the nodes at 10 and 30 here, the
  // node at 20 further on is not reached.
  _PATH_INFO_* u = Path("{U}");
  Mlvr_PathInfo_FreeNodes(u);
  const _PATH_NODE_ shuffled[] = {testing_support::Node(10, 0.1f, 0.1f),
                                  testing_support::Node(30, 0.3f, 0.3f),
                                  testing_support::Node(20, 0.9f, 0.9f),
                                  testing_support::Node(40, 0.4f, 0.4f),
                                  testing_support::Node(35, 0.8f, 0.8f),
                                  testing_support::Node(50, 0.5f, 0.5f)};
  ASSERT_EQ(Mlvr_PathInfo_PathNodeAppend(u, shuffled, 6, 1), 1);
  ListHolder ul(NewList({u}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f.c_str(), "/v/u.mp4", ul.get()), 1);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{U}", 20, own, 0.0f, &mid, nullptr, 0), 1);
  EXPECT_FLOAT_EQ(mid.fXPos, 0.2f);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{U}", 35, own, 0.0f, &mid, nullptr, 0), 1);
  // The last node passed (at 20) is the one before, 40 the one after; the
  // node at 35 further on is not reached.
  EXPECT_FLOAT_EQ(mid.fXPos, 0.525f);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{U}", 45, own, 0.0f, &mid, nullptr, 0), 1);
  EXPECT_FLOAT_EQ(mid.fXPos, 0.6f);  // between the node at 35 (passed last) and 50

  // A path without nodes gives 0 and leaves the node, but names its file.
  _PATH_NODE_ untouched = testing_support::Node(3, 0.9f, 0.9f);
  char key2[260] = {};
  EXPECT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{EMPTY}", 3, own, 0.0f, &untouched, key2, 0), 0);
  EXPECT_EQ(untouched.fXPos, 0.9f);
  EXPECT_STREQ(key2, "/v/n.mp4");
  EXPECT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{NONE}", 3, own, 0.0f, &untouched, key2, 0), 0);
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

// Evenly spaced, irregular, with repeated frames, out of order: every frame
// gives the node the plain rule gives, also once the host holds the list
// and reorders its frames behind the database's back.
TEST_F(IdentityLookup, NodeAtEveryFrameMatchesThePlainRule) {
  const std::string f = dir_.path();
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
    _PATH_INFO_* p = Path(("{P" + std::to_string(s) + "}").c_str());
    Mlvr_PathInfo_FreeNodes(p);
    ASSERT_EQ(Mlvr_PathInfo_PathNodeAppend(p, kept[s].data(), static_cast<int32_t>(kept[s].size()),
                                           1), 1);
    ListHolder list(NewList({p}));
    const std::string media = "/v/p" + std::to_string(s) + ".mp4";
    ASSERT_EQ(db_.fnUpdateInfoArray(f.c_str(), media.c_str(), list.get()), 1);
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
      ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), guid.c_str(), frame, {1920, 1080}, 0.0f, &got,
                                        nullptr, 0), 1);
      ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << guid << " frame " << frame;
    }
  };
  for (size_t s = 0; s < shapes.size(); ++s) {
    // First while only the database holds the list...
    expectAll(s);
    // ...then after the host, holding it, put its inner frames out of order.
    _PATH_INFO_* held = nullptr;
    ASSERT_EQ(db_.fnGetPathInfoByGUID(f.c_str(), ("{P" + std::to_string(s) + "}").c_str(), &held,
                                      nullptr), 1);
    _PATH_NODE_ n;  // a lookup while held, before the edit
    ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), held->szGUID, 0, {1920, 1080}, 0.0f, &n, nullptr,
                                      0), 1);
    if (held->nTotalPathNodeNum > 3) {
      std::swap(held->pPathNodes[1], held->pPathNodes[2]);
      std::swap(kept[s][1], kept[s][2]);
    }
    expectAll(s);
  }
}

TEST_F(IdentityLookup, ConvertsOnlyWhenTheTargetIsAnotherFrame) {
  const std::string f = dir_.path();
  _PATH_INFO_* wide = Path("{WIDE}", "1", {0});  // frame 16:9, video 4:3
  wide->nFrameAspect = 0;
  wide->nVideoAspect = 1;
  wide->pPathNodes[0].fXPos = 0.5f;
  wide->pPathNodes[0].fWidth = 0.75f;
  _PATH_INFO_* four = Path("{FOUR}", "1", {0});
  four->nFrameAspect = 1;
  four->nVideoAspect = 1;
  _PATH_INFO_* custom = Path("{CUSTOM}", "1", {0});
  custom->nFrameAspect = 2;
  custom->nFrameWidth = 1000;
  custom->nFrameHeight = 1000;
  custom->nVideoAspect = 2;
  custom->nVideoWidth = 1000;
  custom->nVideoHeight = 1000;
  ListHolder l(NewList({wide, four, custom}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f.c_str(), "/v/s.mp4", l.get()), 1);

  CaptureSink sink;
  SetTraceEnabled(true);
  _PATH_NODE_ n;
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{WIDE}", 0, {1920, 1080}, 0.0f, &n, nullptr, 0), 1);
  EXPECT_EQ(n.fWidth, 0.75f);  // own frame: unconverted
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{FOUR}", 0, {640, 480}, 0.0f, &n, nullptr, 0), 1);
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{CUSTOM}", 0, {500, 500}, 0.0f, &n, nullptr, 0), 1);
  EXPECT_THAT(sink.Lines(), ::testing::ElementsAre("fnGetPathNodeByGUID", "  16:9",
                                                   "fnGetPathNodeByGUID", "  4:3",
                                                   "fnGetPathNodeByGUID", "  1:1"));
  sink.Clear();

  // A 4:3 target for the 16:9 frame: the video fills it.
  ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), "{WIDE}", 0, {1440, 1080}, 0.0f, &n, nullptr, 0), 1);
  EXPECT_NEAR(n.fXPos, 0.5, 1e-6);
  EXPECT_NEAR(n.fWidth, 1.0, 1e-6);
  // Equal shapes but another turn, and another shape for the 4:3 frame,
  // give exactly what the conversion gives.
  for (auto [guid, target, turn] : {std::make_tuple("{WIDE}", MLVR_SIZE{1920, 1080}, 90.0f),
                                    std::make_tuple("{FOUR}", MLVR_SIZE{1280, 720}, 0.0f)}) {
    _PATH_INFO_* p = nullptr;
    ASSERT_EQ(db_.fnGetPathInfoByGUID(f.c_str(), guid, &p, nullptr), 1);
    _PATH_NODE_ want = p->pPathNodes[0];
    ASSERT_EQ(ConvertPathNodeInfo(&want, p, target, turn, 0, 3), 1);
    ASSERT_EQ(db_.fnGetPathNodeByGUID(f.c_str(), guid, 0, target, turn, &n, nullptr, 3), 1);
    EXPECT_EQ(n.fXPos, want.fXPos);
    EXPECT_EQ(n.fYPos, want.fYPos);
    EXPECT_EQ(n.fWidth, want.fWidth);
    EXPECT_EQ(n.fHeight, want.fHeight);
  }
  SetTraceEnabled(false);
  EXPECT_THAT(sink.Lines(), ::testing::ElementsAre(
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo",
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo",
                                "fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo"));
}

}  // namespace
}  // namespace mlvns
