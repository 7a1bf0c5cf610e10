// On tracker-like paths the box the database lookup gives at every original
// frame moves by at most the tolerance; input it cannot judge stays.
#include "processing/bounded_simplification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

#include "database/database_test_util.h"

namespace mlvns {
namespace {

using namespace testing_support;

// A loop of `turns` over the clip in a 1920 x 1080 frame, jittered in pixels.
struct Track {
  const char* name;
  double turns, jitter, sizeJitter;
  int maxGap;  // frames from one node to the next, from 1
  double e;
  int n;  // above 4096 the look-ahead pass runs instead of the exact one
};

double EdgeGap(const _PATH_NODE_& a, const _PATH_NODE_& b) {
  return std::max({std::fabs(a.fXPos - a.fWidth / 2.0 - b.fXPos + b.fWidth / 2) * 1920,
                   std::fabs(a.fXPos + a.fWidth / 2.0 - b.fXPos - b.fWidth / 2) * 1920,
                   std::fabs(a.fYPos - a.fHeight / 2.0 - b.fYPos + b.fHeight / 2) * 1080,
                   std::fabs(a.fYPos + a.fHeight / 2.0 - b.fYPos - b.fHeight / 2) * 1080});
}

class BoundedTrack : public ::testing::TestWithParam<Track> {};

TEST_P(BoundedTrack, LookupStaysWithinTheToleranceAtEveryOriginalFrame) {
  const Track& t = GetParam();
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0, f = 100; i < t.n; ++i, f += 1 + static_cast<int>(rng() % t.maxGap)) {
    const double a = 6.2832 * t.turns * i / t.n;
    nodes.push_back(Node(f, 0.2 + 0.6 * i / t.n + 0.1 * std::sin(a) + t.jitter * u(rng) / 1920,
                         0.5 + 0.2 * std::cos(a) + t.jitter * u(rng) / 1080,
                         0.1 + t.sizeJitter * u(rng) / 1920, 0.2 + t.sizeJitter * u(rng) / 1080));
  }
  ListHolder list(NewList({NewPath(nodes), NewPath(nodes)}));
  _PATH_INFO_& simple = *list->ppPathInfos[1];
  std::strcpy(list->ppPathInfos[0]->szGUID, "{ORIGINAL}");
  std::strcpy(simple.szGUID, "{SIMPLE}");
  const BoundedSimplification r = SimplifyWithinBound(&simple, t.e, 1920, 1080);
  ASSERT_EQ(r.nodesAfter, simple.nTotalPathNodeNum);
  EXPECT_LT(r.nodesAfter, r.nodesBefore / 2);
  for (int i = 0, k = 0; i < r.nodesAfter; ++i, ++k) {  // original nodes, the ends among them
    while (k < t.n - 1 && nodes[k].nFrameIndex != simple.pPathNodes[i].nFrameIndex) ++k;
    EXPECT_TRUE(EdgeGap(nodes[k], simple.pPathNodes[i]) == 0.0 && (i == 0) == (k == 0) &&
                (i + 1 == r.nodesAfter) == (k == t.n - 1));
  }

  TempDir dir;
  CMlvrDataBase db;
  for (_PATH_INFO_* p : {list->ppPathInfos[0], &simple})
    ASSERT_EQ(db.fnImportPathInfo(dir.path().c_str(), "/v/a.mp4", p, nullptr), 1);
  double worst = 0.0;
  for (const _PATH_NODE_& at : nodes) {
    _PATH_NODE_ was, is;
    for (auto [guid, box] : {std::pair{"{ORIGINAL}", &was}, std::pair{"{SIMPLE}", &is}})
      ASSERT_EQ(db.fnGetPathNodeByGUID(dir.path().c_str(), guid, at.nFrameIndex, {1920, 1080}, 0.0f,
                                       box, nullptr, 0),
                1);
    worst = std::max(worst, EdgeGap(was, is));
  }
  EXPECT_TRUE(worst <= t.e && worst > r.largestDeviation - 1e-3) << worst;
}

INSTANTIATE_TEST_SUITE_P(Tracks, BoundedTrack,
                         ::testing::Values(Track{"Line", 0, 0, 0, 1, 0.5, 5000},
                                           Track{"JitteredLine", 0, 1, 0, 1, 2, 1000},
                                           Track{"Curve", 1, 0, 0, 1, 0.5, 1000},
                                           Track{"JitteredCurve", 3, 1.5, 0, 1, 2, 6000},
                                           Track{"SizeJitter", 1, 1, 1, 1, 2, 6000},
                                           Track{"Gaps", 2, 1, 1, 6, 2, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

// Values it cannot judge stay, with their neighbours, and are counted.
TEST(BoundedSimplification, KeepsWhatItCannotJudgeAndRefusesBadTolerances) {
  std::vector<_PATH_NODE_> nodes;
  for (int f = 0; f < 20; ++f) nodes.push_back(Node(f, 0.01f * f, 0.5f));
  nodes[5].fXPos = NAN;
  nodes[10].nFrameIndex = 9;  // does not increase on node 9
  nodes[15].nPathType = 2;
  ListHolder list(NewList({NewPath(nodes)}));
  _PATH_INFO_* path = list->ppPathInfos[0];
  const BoundedSimplification r = SimplifyWithinBound(path, 1.0, 1920, 1080);
  std::vector<int> frames;
  for (int i = 0; i < r.nodesAfter; ++i) frames.push_back(path->pPathNodes[i].nFrameIndex);
  EXPECT_EQ(frames, (std::vector<int>{0, 4, 5, 6, 9, 9, 11, 15, 16, 19}));
  // The segment from frame 0 now ends at frame 4: its control point moved to the middle.
  EXPECT_EQ(std::pair(path->pPathNodes[0].fCtrlXPos, path->pPathNodes[0].fCtrlYPos),
            std::pair(0.04f / 2, 0.5f));
  EXPECT_EQ(std::pair(r.keptNonFinite, r.keptUnordered), std::pair(1, 2));

  const auto before = Snapshot(path);
  for (double e : {0.0, -1.0, double(NAN), double(INFINITY)})
    EXPECT_THROW(SimplifyWithinBound(path, e, 1920, 1080), std::invalid_argument);
  EXPECT_EQ(SimplifyWithinBound(path, 1e-6, 1920, 1080).nodesAfter, 10);
  EXPECT_EQ(Snapshot(path), before) << "nothing dropped, untouched";
  _PATH_NODE_* held = path->pPathNodes;
  path->pPathNodes = nullptr;  // a count without its nodes
  EXPECT_THROW(SimplifyWithinBound(path, 1.0, 1920, 1080), std::invalid_argument);
  path->pPathNodes = held;
}

}  // namespace
}  // namespace mlvns
