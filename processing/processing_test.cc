// The operations on paths: simplification (the three-node pass and the
// bounded one), conversion between frame shapes, and resuming.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "tests/support/database_folders.h"
#include "model/path_info_ops.h"
#include "processing/bounded_simplification.h"
#include "processing/node_conversion.h"
#include "processing/resume.h"
#include "processing/simplification.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::Frames;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;
using testing_support::Snapshot;
using ::testing::ElementsAre;

constexpr char kOldStamp[] = "19990101.000000.000";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Ints = std::vector<int32_t>;
using Floats = std::vector<float>;

// A record with a GUID, an old time stamp and match keys 7, 8, 9.
_PATH_INFO_* Path(const std::vector<_PATH_NODE_>& nodes, const char* guid, uint32_t key = 7) {
  _PATH_INFO_* p = NewPath(nodes);
  std::strcpy(p->szGUID, guid), std::strcpy(p->szTimeStamp, kOldStamp);
  p->dwMatchKey1 = key, p->dwMatchKey2 = 8, p->dwMatchKey3 = 9;
  return p;
}

template <class Field>
auto Each(const _PATH_INFO_* p, Field field) {
  std::vector<decltype(field(p->pPathNodes[0]))> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(field(p->pPathNodes[i]));
  return out;
}
Floats Tags(const _PATH_INFO_* p) {
  return Each(p, [](const _PATH_NODE_& n) { return n.fConfidence; });
}
Ints Survivors(const _PATH_INFO_* p) {
  return Each(p, [](const _PATH_NODE_& n) { return static_cast<int32_t>(n.dwReserved[0]); });
}

_PATH_NODE_* AddExtraNode(_PATH_INFO_* p) {
  return p->bHasExtraNode = 1, p->pExtraNode = new _PATH_NODE_[1];
}

// A record whose nodes carry their input position in dwReserved[0], so that
// the survivors can be told apart whatever their frames.
_PATH_INFO_* Track(std::vector<_PATH_NODE_> nodes) {
  for (size_t i = 0; i < nodes.size(); ++i) nodes[i].dwReserved[0] = static_cast<uint32_t>(i);
  return Path(nodes, "{TRACK}");
}

_PATH_INFO_* Abc() {
  return Track({Node(0, 0.25f, 0.5f), Node(10, 0.5f, 0.5f), Node(20, 0.75f, 0.5f)});
}

// The worked windows: A at (0.25, 0.5) frame 0, B frame 10, C at (0.75, 0.5)
// frame 20, each changed by `edit`; B goes or stays.
TEST(Simplify, WorkedWindows) {
  using Edit = std::function<void(_PATH_NODE_*)>;
  auto at = [](float x, float y) {
    return [=](_PATH_NODE_* n) { n[1].fXPos = x, n[1].fYPos = y; };
  };
  auto frames = [](int32_t a, int32_t b, int32_t c) {
    return [=](_PATH_NODE_* n) {
      n[0].nFrameIndex = a, n[1].nFrameIndex = b, n[2].nFrameIndex = c;
    };
  };
  auto bezier = [](int i, float cx, float cy) {
    return [=](_PATH_NODE_* n) { n[i].nPathType = 1, n[i].fCtrlXPos = cx, n[i].fCtrlYPos = cy; };
  };
  const struct { Edit edit; bool dropped; } cases[] = {
      {at(0.5f, 0.5f), true},
      {at(0.5f, 0.502f), true},    // 0.002 off the line
      {at(0.5f, 0.52f), false},    // 0.02 off
      {at(0.6f, 0.5f), false},     // uneven speed
      {[](_PATH_NODE_* n) { n[1].fXPos = n[2].fXPos = 0.25f; }, true},  // standing still
      {at(0.25f, 0.5f), false},    // still, then moving
      {at(0.9f, 0.5f), false},     // beyond C
      {[](_PATH_NODE_* n) { n[0].fWidth += 0.001f; }, false},
      {[](_PATH_NODE_* n) { n[2].fHeight += 0.001f; }, false},
      {[](_PATH_NODE_* n) { n[0].fWidth = n[1].fWidth = n[2].fWidth = kNaN; }, false},
      {bezier(0, 0.375f, 0.5f), true},   // control points in the middle
      {bezier(1, 0.625f, 0.5f), true},
      {bezier(0, 0.4f, 0.5f), false},
      {bezier(0, 0.375f, 0.52f), false},
      {bezier(1, 0.6f, 0.5f), false},
      {bezier(1, 0.625f, 0.48f), false},
      {[](_PATH_NODE_* n) { n[0].nPathType = 2; }, false},
      {[](_PATH_NODE_* n) { n[1].nPathType = -1; }, false},
      {frames(4, 4, 4), true},     // 0/0 time ratio passes
      {frames(0, 0, 20), false},   // infinite time ratio
      {frames(INT32_MIN, 0, INT32_MAX), false},  // differences wrap in 32 bits
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    PathHolder p(Abc());
    c.edit(p->pPathNodes);
    p->pPathNodes[2].dwReserved[4] = 77;
    const auto before = Snapshot(p.get());
    ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
    if (!c.dropped) {
      EXPECT_EQ(Snapshot(p.get()), before);  // not even the time stamp
      continue;
    }
    EXPECT_THAT(Survivors(p.get()), ElementsAre(0, 2));
    EXPECT_EQ(std::tuple(p->pPathNodes[1].dwReserved[4], std::string(p->szGUID),
                         std::strlen(p->szTimeStamp)),
              std::tuple(77u, "{TRACK}", 19u));
    EXPECT_STRNE(p->szTimeStamp, kOldStamp);
  }
  // Any coordinate that is not finite keeps B.
  for (float bad : {kNaN, kInf})
    for (int k = 0; k < 6; ++k) {
      PathHolder p(Abc());
      (k % 2 ? p->pPathNodes[k / 2].fYPos : p->pPathNodes[k / 2].fXPos) = bad;
      ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
      EXPECT_EQ(p->nTotalPathNodeNum, 3) << bad << " at " << k;
    }
}

TEST(Simplify, DroppingMovesTheBezierControlPointAlong) {
  // Steps of (3, 4, 5) x 2^-5 keep every distance exact.
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < 4; ++i) nodes.push_back(Node(i, 0.125f + 0.09375f * i, 0.25f + 0.125f * i));
  nodes[0].nPathType = 1;
  nodes[0].fCtrlXPos = 0.171875f, nodes[0].fCtrlYPos = 0.3125f;  // the middle of A to B
  PathHolder p(Track(nodes));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(Survivors(p.get()), ElementsAre(0, 3));
  EXPECT_EQ(std::tuple(p->pPathNodes[0].fCtrlXPos, p->pPathNodes[0].fCtrlYPos),
            std::tuple(0.265625f, 0.4375f));  // now the middle of A to D
}

TEST(Simplify, OnePassPerCall) {
  // Pass one keeps B for its distance from A..C but drops C; the second pass
  // tests B against A..D and drops it too; a third changes nothing.
  PathHolder p(Track({Node(0, 0.0f, 0.0f), Node(1, 0.1f, 0.012f), Node(2, 0.2f, 0.0f),
                      Node(3, 0.3f, 0.007f)}));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(Survivors(p.get()), ElementsAre(0, 1, 3));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(Survivors(p.get()), ElementsAre(0, 3));
  std::strcpy(p->szTimeStamp, kOldStamp);
  const auto before = Snapshot(p.get());
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_EQ(Snapshot(p.get()), before);
}

// Straight, evenly timed runs collapse to their end nodes in one call.
// Points lie on a lattice along Pythagorean directions so that every
// distance is exact.
TEST(Simplify, StraightEvenRunsCollapseToTheirEnds) {
  std::mt19937 rng(20240126);
  const int dirs[][2] = {{1, 0}, {0, 1}, {3, 4}, {4, 3}, {5, 12}, {8, 15}};
  for (int run = 0; run < 100; ++run) {
    const auto& d = dirs[rng() % 6];
    const int n = run == 0 ? 1000 : 3 + static_cast<int>(rng() % 200);
    const double unit = std::ldexp(1.0, -14) * (1 + rng() % 4);
    const double sx = (rng() % 2 ? 1 : -1) * unit * d[0], sy = (rng() % 2 ? 1 : -1) * unit * d[1];
    const double x0 = std::ldexp(static_cast<double>(rng() % 4096), -13) + 0.25;
    const double y0 = std::ldexp(static_cast<double>(rng() % 4096), -13) + 0.25;
    const int32_t f0 = static_cast<int32_t>(rng() % 1000) - 500, df = 1 + rng() % 5;
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i)
      nodes.push_back(Node(f0 + df * i, static_cast<float>(x0 + sx * i),
                           static_cast<float>(y0 + sy * i), 0.125f, 0.0625f));
    PathHolder p(Track(nodes));
    ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
    ASSERT_THAT(Survivors(p.get()), ElementsAre(0, n - 1)) << "run " << run;
    EXPECT_EQ(std::tuple(p->nPathInIndex, p->nPathOutIndex), std::tuple(f0, f0 + df * (n - 1)));
  }
}

// Random tracks: turns, jitter, pauses, box changes and curves.
std::vector<_PATH_NODE_> RandomTrack(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::normal_distribution<float> jitter(0.0f, 0.003f);
  const int n = 3 + static_cast<int>(rng() % 60);
  float x = unit(rng), y = unit(rng), vx = 0.01f, vy = 0.0f;
  int32_t frame = 0;
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < n; ++i) {
    const uint32_t roll = rng() % 100;
    if (roll < 5) vx = (unit(rng) - 0.5f) * 0.05f, vy = (unit(rng) - 0.5f) * 0.05f;
    const int32_t step = roll < 3 ? 0 : roll < 70 ? 1 : 1 + static_cast<int32_t>(rng() % 3);
    frame += step;
    if (roll >= 8) {  // otherwise stand still
      x += vx * static_cast<float>(step) + (roll < 40 ? 0.0f : jitter(rng));
      y += vy * static_cast<float>(step) + (roll < 40 ? 0.0f : jitter(rng));
    }
    _PATH_NODE_ node = Node(frame, x, y, rng() % 12 ? 0.1f : 0.15f, 0.2f);
    const uint32_t kind = rng() % 100;
    node.nPathType = kind < 20 ? 1 : kind < 23 ? 2 : 0;
    nodes.push_back(node);
  }
  for (int i = 0; i + 1 < n; ++i) {  // curves with their point near the middle
    nodes[i].fCtrlXPos = (nodes[i].fXPos + nodes[i + 1].fXPos) / 2 + jitter(rng);
    nodes[i].fCtrlYPos = (nodes[i].fYPos + nodes[i + 1].fYPos) / 2 + jitter(rng);
  }
  return nodes;
}

// B left out of the window A..C must meet every rule's bound there.
void ExpectWithinBounds(const _PATH_NODE_& a, const _PATH_NODE_& b, const _PATH_NODE_& c) {
  EXPECT_TRUE(a.fWidth == b.fWidth && b.fWidth == c.fWidth && a.fHeight == b.fHeight &&
              b.fHeight == c.fHeight);
  EXPECT_TRUE(a.nPathType == 0 || a.nPathType == 1);
  EXPECT_TRUE(b.nPathType == 0 || b.nPathType == 1);
  const double ax = a.fXPos, ay = a.fYPos, bx = b.fXPos, by = b.fYPos, cx = c.fXPos, cy = c.fYPos;
  const double dAB = std::hypot(bx - ax, by - ay), dBC = std::hypot(cx - bx, cy - by);
  const double dAC = std::hypot(cx - ax, cy - ay);
  EXPECT_LE(std::max(dAB, dBC), dAC + 1e-9);  // B lies between A and C
  if (dAB > 0) {
    const double rt = static_cast<double>(c.nFrameIndex - b.nFrameIndex) /
                      static_cast<double>(b.nFrameIndex - a.nFrameIndex);
    EXPECT_LE(std::fabs(dBC / dAB - rt), 0.06 + 1e-9);
  } else {
    EXPECT_EQ(dBC, 0.0);
  }
  // Distance from B to the segment A..C.
  const double len2 = dAC * dAC;
  double t = len2 > 0 ? ((bx - ax) * (cx - ax) + (by - ay) * (cy - ay)) / len2 : 0;
  t = std::min(1.0, std::max(0.0, t));
  EXPECT_LT(std::hypot(ax + t * (cx - ax) - bx, ay + t * (cy - ay) - by), 0.01 + 1e-6);
}

// After each call every dropped node lies within the rules' bounds of the
// window it was judged in: the nearest survivor before it and the node
// after it in that call's input. A second call never drops a node from a
// window the first call already kept it in.
TEST(Simplify, DropsStayWithinTheRulesAndASecondCallKeepsWhatWasKept) {
  std::mt19937 rng(7);
  int dropped = 0, droppedSecond = 0;
  for (int track = 0; track < 300; ++track) {
    SCOPED_TRACE(track);
    const std::vector<_PATH_NODE_> input = RandomTrack(rng);
    PathHolder p(Track(input));
    std::vector<int> order(input.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::vector<std::vector<int>> passes = {order};
    for (int call = 0; call < 2; ++call) {
      ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
      passes.push_back(Survivors(p.get()));
    }
    for (int call = 1; call <= 2; ++call) {
      const auto &in = passes[call - 1], &out = passes[call];
      ASSERT_EQ(out.front(), in.front());
      ASSERT_EQ(out.back(), in.back());
      size_t kept = 0;  // out[kept] is the nearest survivor before in[i]
      for (size_t i = 1; i + 1 < in.size(); ++i) {
        if (kept + 1 < out.size() && out[kept + 1] == in[i]) {
          ++kept;
          continue;
        }
        (call == 1 ? dropped : droppedSecond)++;
        ExpectWithinBounds(input[out[kept]], input[in[i]], input[in[i + 1]]);
        if (call == 2) {
          // Its first-call window: the survivor before it then, and its
          // successor in the input.
          const auto& first = passes[1];
          const size_t at = std::find(first.begin(), first.end(), in[i]) - first.begin();
          EXPECT_FALSE(first[at - 1] == out[kept] && in[i + 1] == in[i] + 1) << in[i];
        }
      }
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(dropped, 100);  // the sample did exercise both calls
  EXPECT_GT(droppedSecond, 0);
}

// The rebuild after a drop is Clone of the record onto itself with the drop
// list: identity kept, new time stamp, nodes and an owned extra node through
// the size-guarded copy, a foreign extra node forgotten, and a record of
// another size left to Clone's partial copy.
TEST(Simplify, RebuildIsCloneOntoItselfWithTheDropList) {
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < 12; ++i) nodes.push_back(Node(i, 0.01f * i, i == 5 ? 0.55f : 0.5f));
  nodes[6].dwSize = 40;  // guarded copies keep only fXPos
  _PATH_NODE_ foreign;
  for (int variant = 0; variant < 4; ++variant) {
    SCOPED_TRACE(variant);
    PathHolder got(Track(nodes)), want(Track(nodes));
    for (_PATH_INFO_* p : {got.get(), want.get()}) {
      p->dwMatchKey2 = 5;
      p->nPathOutIndex = 1234;  // not derived from the nodes
      if (variant == 1) AddExtraNode(p)->dwSize = 40, p->pExtraNode->fYPos = 0.25f;
      if (variant == 2) p->pExtraNode = &foreign;
      if (variant == 3) p->dwSize = 300;
    }
    ASSERT_EQ(LinearRegressionPathInfo(got.get()), 1);
    ASSERT_EQ(got->nTotalPathNodeNum, 5);  // 0, 4, 5, 6 and 11 stay
    CUIntArray drops;
    for (uint32_t i : {1, 2, 3, 7, 8, 9, 10}) drops.Add(i);
    PathInfo_Clone(want.get(), want.get(), 0, &drops);
    EXPECT_STREQ(got->szGUID, "{TRACK}");
    EXPECT_STRNE(got->szTimeStamp, kOldStamp);
    _PATH_INFO_ a = *got.get(), b = *want.get();
    a.pPathNodes = b.pPathNodes = a.pExtraNode = b.pExtraNode = nullptr;
    for (_PATH_INFO_* r : {&a, &b}) {  // the texts' bytes past their end may differ
      std::memset(r->szGUID, 0, sizeof r->szGUID);
      std::memset(r->szTimeStamp, 0, sizeof r->szTimeStamp);
    }
    EXPECT_EQ(RawBytes(a), RawBytes(b));
    ASSERT_EQ(got->pExtraNode == nullptr, want->pExtraNode == nullptr);
    if (variant == 1) {
      EXPECT_EQ(RawBytes(*got->pExtraNode), RawBytes(*want->pExtraNode));
    }
    for (int32_t i = 0; i < 5; ++i)
      EXPECT_EQ(RawBytes(got->pPathNodes[i]), RawBytes(want->pPathNodes[i])) << i;
  }
}

TEST(Simplify, NullShortAndBrokenRecords) {
  EXPECT_EQ(LinearRegressionPathInfo(nullptr), 0);
  for (int n = 0; n <= 2; ++n) {
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i) nodes.push_back(Node(i, 0.1f * static_cast<float>(i), 0.1f));
    PathHolder p(Track(nodes));
    const auto before = Snapshot(p.get());
    ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
    EXPECT_EQ(Snapshot(p.get()), before) << n;
  }
  _PATH_INFO_ broken;  // counts that do not match an array
  for (int32_t count : {5, -5}) {
    broken.nTotalPathNodeNum = count;
    EXPECT_EQ(LinearRegressionPathInfo(&broken), 1);
    EXPECT_EQ(broken.nTotalPathNodeNum, count);
  }
}

// On tracker-like paths the box the database lookup gives at every original
// frame moves by at most the tolerance; input it cannot judge stays.
// A loop of `turns` over the clip in a 1920 x 1080 frame, jittered in pixels;
// maxGap frames at most from one node to the next; above 4096 nodes (n) the
// look-ahead pass runs instead of the exact one.
struct BoundedCase {
  const char* name;
  double turns, jitter, sizeJitter;
  int maxGap;
  double e;
  int n;
};

double EdgeGap(const _PATH_NODE_& a, const _PATH_NODE_& b) {
  return std::max({std::fabs(a.fXPos - a.fWidth / 2.0 - b.fXPos + b.fWidth / 2) * 1920,
                   std::fabs(a.fXPos + a.fWidth / 2.0 - b.fXPos - b.fWidth / 2) * 1920,
                   std::fabs(a.fYPos - a.fHeight / 2.0 - b.fYPos + b.fHeight / 2) * 1080,
                   std::fabs(a.fYPos + a.fHeight / 2.0 - b.fYPos - b.fHeight / 2) * 1080});
}

class BoundedTrack : public ::testing::TestWithParam<BoundedCase> {};

TEST_P(BoundedTrack, LookupStaysWithinTheToleranceAtEveryOriginalFrame) {
  const BoundedCase& t = GetParam();
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
  std::strcpy(list->ppPathInfos[0]->szGUID, "{ORIGINAL}"), std::strcpy(simple.szGUID, "{SIMPLE}");
  const BoundedSimplification r = SimplifyWithinBound(&simple, t.e, 1920, 1080);
  ASSERT_EQ(r.nodesAfter, simple.nTotalPathNodeNum);
  EXPECT_LT(r.nodesAfter, r.nodesBefore / 2);
  for (int i = 0, k = 0; i < r.nodesAfter; ++i, ++k) {  // original nodes, the ends among them
    while (k < t.n - 1 && nodes[k].nFrameIndex != simple.pPathNodes[i].nFrameIndex) ++k;
    EXPECT_TRUE(EdgeGap(nodes[k], simple.pPathNodes[i]) == 0.0 && (i == 0) == (k == 0) &&
                (i + 1 == r.nodesAfter) == (k == t.n - 1));
  }

  testing_support::TempDir dir;
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
                         ::testing::Values(BoundedCase{"Line", 0, 0, 0, 1, 0.5, 5000},
                                           BoundedCase{"JitteredLine", 0, 1, 0, 1, 2, 1000},
                                           BoundedCase{"Curve", 1, 0, 0, 1, 0.5, 1000},
                                           BoundedCase{"JitteredCurve", 3, 1.5, 0, 1, 2, 6000},
                                           BoundedCase{"SizeJitter", 1, 1, 1, 1, 2, 6000},
                                           BoundedCase{"Gaps", 2, 1, 1, 6, 2, 1000}),
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
  EXPECT_EQ(r.nodesAfter, path->nTotalPathNodeNum);
  EXPECT_EQ(Frames(path), (Ints{0, 4, 5, 6, 9, 9, 11, 15, 16, 19}));
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

  // A zigzag keeps every node; the one before a non-finite node keeps its
  // own control point too.
  for (int f = 0; f < 8; ++f) nodes[f] = Node(f, 0.1f * f, f % 2 ? 0.2f : 0.8f);
  for (int f = 0; f < 8; ++f) nodes[f].fCtrlXPos = nodes[f].fCtrlYPos = 0.3f;
  nodes[4].fYPos = NAN;
  PathHolder zigzag(NewPath({nodes.begin(), nodes.begin() + 8}));
  const auto zigzagBefore = Snapshot(zigzag.get());
  EXPECT_EQ(SimplifyWithinBound(zigzag.get(), 1.0, 1920, 1080).nodesAfter, 8);
  EXPECT_EQ(Snapshot(zigzag.get()), zigzagBefore);

  // Two nodes on the first frame stay; the straight run after them goes.
  PathHolder twins(NewPath({Node(0, 0.0f, 0.5f), Node(0, 0.01f, 0.5f), Node(1, 0.02f, 0.5f),
                            Node(2, 0.03f, 0.5f), Node(3, 0.04f, 0.5f)}));
  const int32_t unordered = SimplifyWithinBound(twins.get(), 1.0, 1920, 1080).keptUnordered;
  EXPECT_EQ(std::pair(Frames(twins.get()), unordered), std::pair(Ints{0, 0, 3}, 2));
}

// Conversion of a node's box between frame shapes.
constexpr float kTol = 1e-6f;

_PATH_INFO_ Record(int32_t frameAspect, int32_t videoAspect, float rotation = 0.0f) {
  _PATH_INFO_ p;
  p.nFrameAspect = frameAspect, p.nVideoAspect = videoAspect, p.fRotation = rotation;
  return p;
}

// Every field but the box is set, so that a stray write shows.
_PATH_NODE_ Box(float x, float y, float w, float h) {
  _PATH_NODE_ n = Node(17, x, y, w, h);
  n.fConfidence = 0.625f, n.nPathType = 1, n.fCtrlXPos = 0.3f, n.fCtrlYPos = 0.7f;
  for (int i = 0; i < 5; ++i) n.dwReserved[i] = 0xA0u + static_cast<uint32_t>(i);
  return n;
}

MLVR_SIZE Size(int32_t w, int32_t h) { return MLVR_SIZE{w, h}; }

TEST(NodeConversion, BoxesMoveIntoTheTargetFrame) {
  const float s = 81.0f / 256.0f;                // 9:16 picture in a 16:9 frame, squared
  const float w3 = 0.1f * 144.0f / 45.5625f;     // out of the bars of a turned 16:9 video
  const float c = 4.0f / 3.0f;                   // 16:9 covering 4:3
  struct Case {
    int32_t frame, video; float rotation; int32_t W, H; float angle; int32_t relative, mode;
    float in[4], out[4];
  } cases[] = {
      // A 4:3 video between side bars of a 16:9 frame covers the middle
      // three quarters; its edge comes out at 0.
      {0, 1, 0, 1440, 1080, 0, 0, 0, {0.5f, 0.4f, 0.75f, 0.3f}, {0.5f, 0.4f, 1.0f, 0.3f}},
      {0, 1, 0, 640, 480, 0, 0, 0, {0.125f, 0.4f, 0, 0.3f}, {0.0f, 0.4f, 0, 0.3f}},
      // Mode 1: normalised to the video, the target's shape plays no part.
      {0, 1, 0, 1920, 1080, 0, 0, 1, {0.5f, 0.4f, 0.75f, 0.3f}, {0.5f, 0.4f, 1.0f, 0.3f}},
      {0, 1, 0, -5, 3, 0, 0, 1, {0.5f, 0.4f, 0.75f, 0.3f}, {0.5f, 0.4f, 1.0f, 0.3f}},
      // 16:9 into 4:3: fit (any mode but 1 and 3) adds bars above and below...
      {0, 0, 0, 1440, 1080, 0, 0, 0, {0.3f, 0.6f, 0.2f, 0.4f}, {0.3f, 0.575f, 0.2f, 0.3f}},
      {0, 0, 0, 1440, 1080, 0, 0, -4, {0.3f, 0.6f, 0.2f, 0.4f}, {0.3f, 0.575f, 0.2f, 0.3f}},
      // ...cover crops left and right, unclamped.
      {0, 0, 0, 1440, 1080, 0, 0, 3, {0.0f, 0.6f, 0.2f, 0.4f},
        {-1.0f / 6.0f, 0.6f, 0.2f * c, 0.4f}},
      // A target wider than the video: side bars, or crop top and bottom.
      {0, 0, 0, 3840, 1080, 0, 0, 0, {0.3f, 0.6f, 0.2f, 0.4f}, {0.4f, 0.6f, 0.1f, 0.4f}},
      {0, 0, 0, 3840, 1080, 0, 0, 3, {0.3f, 0.6f, 0.2f, 0.4f}, {0.3f, 0.7f, 0.2f, 0.8f}},
      // Out of the bars and back into the same shape.
      {0, 1, 0, 1920, 1080, 0, 0, 0, {0.3f, 0.2f, 0.25f, 0.5f}, {0.3f, 0.2f, 0.25f, 0.5f}},
      {1, 0, 0, 1920, 1080, 0, 0, 0, {0.4f, 0.125f, 0.2f, 0.75f}, {0.4f, 0.0f, 0.2f, 1.0f}},
      {1, 0, 0, 640, 480, 0, 0, 0, {0.4f, 0.3f, 0.2f, 0.25f}, {0.4f, 0.3f, 0.2f, 0.25f}},
      // Target turns.
      {0, 0, 0, 1080, 1920, 90, 0, 0, {0.25f, 0.75f, 0.1f, 0.2f}, {0.75f, 0.75f, 0.2f, 0.1f}},
      {0, 0, 0, 1080, 1920, 270, 0, 0, {0.25f, 0.75f, 0.1f, 0.2f}, {0.25f, 0.25f, 0.2f, 0.1f}},
      {0, 0, 0, 1920, 1080, 180, 0, 0, {0.25f, 0.75f, 0.1f, 0.2f}, {0.75f, 0.25f, 0.1f, 0.2f}},
      {0, 0, 0, 1920, 1080, 90, 0, 0, {0.5f, 0.5f, 0.4f, 0.2f}, {0.5f, 0.5f, 0.2f * s, 0.4f}},
      // Only exactly 90, 180 and 270 turn; NaN equals nothing.
      {0, 0, 0, 1920, 1080, -90, 0, 0, {0.25f, 0.75f, 0.1f, 0.2f}, {0.25f, 0.75f, 0.1f, 0.2f}},
      {0, 0, 0, 1920, 1080, 90.5f, 0, 0, {0.25f, 0.75f, 0.1f, 0.2f}, {0.25f, 0.75f, 0.1f, 0.2f}},
      {0, 1, 0, 1440, 1080, kNaN, 0, 0, {0.3f, 0.4f, 0.1f, 0.1f},
        {0.5f - 0.2f * c, 0.4f, 0.1f * c, 0.1f}},
      {0, 0, kNaN, 1920, 1080, 0, 0, 0, {0.3f, 0.4f, 0.1f, 0.1f}, {0.3f, 0.4f, 0.1f, 0.1f}},
      // Record turns are undone (the turned video stands between side bars).
      {0, 0, 90, 1920, 1080, 0, 0, 0, {0.5f, 0.25f, 0.1f, 0.2f}, {0.75f, 0.5f, 0.2f, w3}},
      {0, 0, 270, 1920, 1080, 0, 0, 0, {0.5f, 0.25f, 0.1f, 0.2f}, {0.25f, 0.5f, 0.2f, w3}},
      {0, 0, 180, 1920, 1080, 90, 0, 0, {0.1f, 0.25f, 0.1f, 0.2f},
        {0.75f * s + (1.0f - s) / 2.0f, 0.1f, 0.2f * s, 0.1f}},
      // Displacements: no centring offsets, mirrors only flip the sign.
      {0, 1, 0, 1920, 1080, 270, 1, 0, {0, 0, 0.3f, 0.2f}, {0, 0, 0.2f * 2430.0f / 5760.0f, 0.4f}},
      {0, 1, 0, 1440, 1080, 180, 1, 3, {0, 0, 0.3f, 0.2f}, {0, 0, 0.4f, 0.2f}},
      {0, 0, 0, 1920, 1080, 180, 1, 0, {0.1f, -0.2f, 0.05f, 0.05f}, {-0.1f, 0.2f, 0.05f, 0.05f}},
      {0, 0, 0, 1440, 1080, 0, 1, 3, {0.3f, 0.1f, 0.05f, 0.05f}, {0.4f, 0.1f, 0.05f * c, 0.05f}},
  };
  int row = 0;
  for (const Case& k : cases) {
    SCOPED_TRACE(row++);
    const _PATH_INFO_ rec = Record(k.frame, k.video, k.rotation);
    const _PATH_NODE_ before = Box(k.in[0], k.in[1], k.in[2], k.in[3]);
    _PATH_NODE_ n = before;
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(k.W, k.H), k.angle, k.relative, k.mode), 1);
    const float got[] = {n.fXPos, n.fYPos, n.fWidth, n.fHeight};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], k.out[i], kTol) << i;
    // Nothing but the box changes, the control point included.
    _PATH_NODE_ a = before, b = n;
    a.fXPos = b.fXPos = a.fYPos = b.fYPos = a.fWidth = b.fWidth = a.fHeight = b.fHeight = 0;
    EXPECT_EQ(RawBytes(a), RawBytes(b));
  }
}

TEST(NodeConversion, NothingToDoLeavesEveryBit) {
  const _PATH_NODE_ before = Box(0.3f, 0.6f, 0.2f, 0.1f);
  const _PATH_INFO_ rec = Record(0, 0);
  for (int32_t mode : {0, 1, 3, 7}) {
    _PATH_NODE_ n = before;
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 0.0f, 0, mode), 1) << mode;
    EXPECT_EQ(RawBytes(n), RawBytes(before)) << mode;
  }
  // Custom shapes of the same ratio, and stray sizes beside named kinds.
  _PATH_INFO_ custom = Record(2, 2), named = Record(0, 0);
  custom.nFrameWidth = 1280, custom.nFrameHeight = 720;
  custom.nVideoWidth = 3840, custom.nVideoHeight = 2160, named.nFrameWidth = named.nVideoHeight = 0;
  for (const _PATH_INFO_* r : {&custom, &named}) {
    _PATH_NODE_ n = before;
    ASSERT_EQ(ConvertPathNodeInfo(&n, r, Size(1920, 1080), 0.0f, 0, 0), 1);
    EXPECT_EQ(RawBytes(n), RawBytes(before));
  }
  // Equal turns skip the turning step: two mirrors would lose 1e-9.
  for (float angle : {90.0f, 180.0f, 270.0f}) {
    const _PATH_INFO_ turned = Record(0, 0, angle);
    _PATH_NODE_ n = Box(0.5f, 1e-9f, 0.1f, 0.2f);
    MLVR_SIZE target = angle == 180.0f ? Size(1920, 1080) : Size(1080, 1920);
    ASSERT_EQ(ConvertPathNodeInfo(&n, &turned, target, angle, 0, 0), 1) << angle;
    EXPECT_EQ(std::pair(n.fYPos, n.fHeight), std::pair(1e-9f, 0.2f)) << angle;
  }
  // Different turns take the mirror in double and round to float.
  _PATH_NODE_ n = Box(1e-9f, 0.5f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 180.0f, 0, 0), 1);
  EXPECT_EQ(n.fXPos, 1.0f);
}

TEST(NodeConversion, DisplacementIsTheDifferenceOfConvertedPoints) {
  // Every step is affine with the same linear part for points and
  // displacements, so converting two points and subtracting must equal
  // converting their difference as a displacement.
  const _PATH_INFO_ recs[] = {Record(0, 0), Record(0, 1, 90), Record(1, 0, 180), Record(1, 1, 270)};
  for (const _PATH_INFO_& rec : recs)
    for (MLVR_SIZE target : {Size(1920, 1080), Size(1440, 1080), Size(1080, 1920)})
      for (float angle : {0.0f, 90.0f, 180.0f, 270.0f})
        for (int32_t mode : {0, 1, 3}) {
          SCOPED_TRACE(::testing::Message() << rec.fRotation << target.cx << angle << mode);
          _PATH_NODE_ a = Box(0.2f, 0.7f, 0.1f, 0.1f), b = Box(0.6f, 0.3f, 0.1f, 0.1f);
          _PATH_NODE_ d = Box(0.4f, -0.4f, 0.1f, 0.1f);
          ASSERT_EQ(ConvertPathNodeInfo(&a, &rec, target, angle, 0, mode) +
                        ConvertPathNodeInfo(&b, &rec, target, angle, 0, mode) +
                        ConvertPathNodeInfo(&d, &rec, target, angle, 1, mode),
                    3);
          EXPECT_NEAR(b.fXPos - a.fXPos, d.fXPos, 1e-5f);
          EXPECT_NEAR(b.fYPos - a.fYPos, d.fYPos, 1e-5f);
          EXPECT_NEAR(a.fWidth, d.fWidth, kTol);
          EXPECT_NEAR(a.fHeight, d.fHeight, kTol);
        }
}

TEST(NodeConversion, BadInputLeavesTheNodeUnchanged) {
  const _PATH_NODE_ before = Box(0.3f, 0.6f, 0.2f, 0.1f);
  const _PATH_INFO_ rec = Record(0, 1);
  _PATH_NODE_ n = before;
  EXPECT_EQ(ConvertPathNodeInfo(nullptr, &rec, Size(1920, 1080), 0.0f, 0, 0), 0);
  EXPECT_EQ(ConvertPathNodeInfo(&n, nullptr, Size(1920, 1080), 0.0f, 0, 0), 0);
  EXPECT_EQ(ConvertPathNodeInfo(&n, &rec, Size(0, 1080), 0.0f, 0, 0), 0);
  EXPECT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 0), 0.0f, 0, 1), 0);
  // Shape kinds without numbers, custom shapes with a zero side, and
  // products that wrap to zero and would divide by it.
  const int32_t bad[][8] = {
      // frame and video kinds, frame and video sizes, target
      {3, 0, 0, 0, 0, 0, 1920, 1080},  {0, 3, 0, 0, 0, 0, 1920, 1080},
      {-1, 0, 0, 0, 0, 0, 1920, 1080}, {0, -1, 0, 0, 0, 0, 1920, 1080},
      {2, 0, 0, 1080, 0, 0, 1920, 1080}, {2, 0, 1920, 0, 0, 0, 1920, 1080},
      {0, 2, 0, 0, 0, 1080, 1920, 1080}, {0, 2, 0, 0, 1920, 0, 1920, 1080},
      {2, 2, 65536, 65536, 65536, 1000000, 1920, 1080}, {2, 2, 65536, 1, 65536, 1, 65536, 1 << 20},
  };
  for (const auto& b : bad) {
    _PATH_INFO_ r = Record(b[0], b[1]);
    r.nFrameWidth = b[2], r.nFrameHeight = b[3], r.nVideoWidth = b[4], r.nVideoHeight = b[5];
    EXPECT_EQ(ConvertPathNodeInfo(&n, &r, Size(b[6], b[7]), 0.0f, 0, 0), 0) << b[0] << b[1] << b[2];
  }
  EXPECT_EQ(RawBytes(n), RawBytes(before));

  // Extreme and negative sizes wrap in their products but never trap.
  const _PATH_INFO_ same = Record(0, 0);
  const int32_t sizes[] = {INT32_MAX, INT32_MIN, -1, 1, 46341};
  for (int32_t w : sizes)
    for (int32_t h : sizes) {
      _PATH_INFO_ custom = Record(2, 2, 90.0f);
      custom.nFrameWidth = custom.nVideoHeight = w, custom.nFrameHeight = custom.nVideoWidth = h;
      for (int32_t mode : {0, 1, 3}) {
        _PATH_NODE_ m = before, d = before;
        ConvertPathNodeInfo(&m, &custom, Size(w, h), 270.0f, 0, mode);
        ConvertPathNodeInfo(&d, &same, Size(h, w), 0.0f, 1, mode);
      }
    }
}

TEST(NodeConversion, NonFiniteValuesStayDefined) {
  _PATH_INFO_ rec = Record(0, 1);
  _PATH_NODE_ n = Box(kNaN, 0.5f, kNaN, 0.1f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1440, 1080), 90.0f, 0, 3), 1);
  EXPECT_TRUE(std::isnan(n.fYPos) && std::isnan(n.fHeight));  // x went through the turn into y

  // Huge boxes overflow to kInfinity in the double steps, no further.
  const _PATH_INFO_ same = Record(0, 0);
  _PATH_NODE_ big = Box(3e38f, -3e38f, 3e38f, 3e38f);
  ASSERT_EQ(ConvertPathNodeInfo(&big, &same, Size(1440, 1080), 0.0f, 0, 3), 1);
  EXPECT_EQ(std::tuple(big.fWidth, big.fXPos), std::tuple(kInf, kInf));
  _PATH_NODE_ mir = Box(-3.4e38f, 0.0f, kInf, -kInf);
  ASSERT_EQ(ConvertPathNodeInfo(&mir, &same, Size(1920, 1080), 180.0f, 0, 0), 1);
  EXPECT_FLOAT_EQ(mir.fXPos, 3.4e38f);
  EXPECT_EQ(mir.fWidth, kInf);
}

// Resuming a path from another. Nodes for frames first..last, tagged through
// fConfidence so that the origin of every node can be told after a splice.
std::vector<_PATH_NODE_> Frames(int32_t first, int32_t last, float tag) {
  std::vector<_PATH_NODE_> v;
  for (int32_t f = first; f <= last; ++f) {
    v.push_back(Node(f, 0.01f * static_cast<float>(f), 0.5f));
    v.back().fConfidence = tag;
  }
  return v;
}

// The destination's nodes before the source's first frame, then the source;
// a source from the destination's start on replaces it, keys and kind
// included, and is no change of the stamp.
TEST(ResumeSplice, KeepsTheNodesBeforeTheSourceThenTakesIt) {
  std::vector<_PATH_NODE_> sparse = Frames(0, 9, 1.0f);
  sparse.erase(sparse.begin() + 1);
  sparse.push_back(sparse[1]);  // 0, 2, 3, ..., 9, 2: counting stops at frame 4
  const struct {
    std::vector<_PATH_NODE_> dst, src; uint32_t srcKey; Ints frames; Floats tags;
  } cases[] = {
      {Frames(0, 9, 1), Frames(5, 14, 2), 7, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
       {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
      {Frames(0, 3, 1), Frames(20, 21, 2), 7, {0, 1, 2, 3, 20, 21}, {1, 1, 1, 1, 2, 2}},
      {sparse, Frames(4, 4, 2), 7, {0, 2, 3, 4}, {1, 1, 1, 2}},
      {Frames(3, 9, 1), Frames(0, 4, 2), 2, {0, 1, 2, 3, 4}, {2, 2, 2, 2, 2}},
      {Frames(0, 9, 1), Frames(0, 4, 2), 2, {0, 1, 2, 3, 4}, {2, 2, 2, 2, 2}},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    PathHolder dst(Path(c.dst, "{DST}")), src(Path(c.src, "{SRC}", c.srcKey));
    const bool later = c.srcKey == 7;
    AddExtraNode(dst.get())->fXPos = 0.75f;
    src->nFrameAspect = 2;
    const auto srcBefore = Snapshot(src.get());
    ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
    EXPECT_EQ(std::pair(Frames(dst.get()), Tags(dst.get())), std::pair(c.frames, c.tags));
    const size_t first = c.frames.size() - c.src.size();  // the source's first node
    EXPECT_EQ(RawBytes(dst->pPathNodes[first]), RawBytes(src->pPathNodes[0]));
    EXPECT_EQ(std::tuple(dst->nPathInIndex, dst->nPathOutIndex, std::string(dst->szGUID),
                         dst->dwMatchKey1, dst->nFrameAspect),
              std::tuple(c.frames.front(), c.frames.back(), "{DST}", c.srcKey, later ? 0 : 2));
    EXPECT_EQ(std::strcmp(dst->szTimeStamp, kOldStamp) != 0, later);
    EXPECT_TRUE(!later || dst->pExtraNode->fXPos == 0.75f);
    EXPECT_EQ(Snapshot(src.get()), srcBefore);
  }
  // Source nodes go through the size-guarded copy; the out frame is the
  // source's last node as given.
  PathHolder dst(Path(Frames(0, 3, 1.0f), "{DST}")), src(Path(Frames(2, 3, 2.0f), "{SRC}"));
  src->pPathNodes[1].dwSize = 40;
  ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  EXPECT_EQ(Frames(dst.get()), (Ints{0, 1, 2, -1}));
  EXPECT_EQ(std::tuple(dst->pPathNodes[3].dwSize, dst->pPathNodes[3].fXPos, dst->nPathOutIndex),
            std::tuple(60u, src->pPathNodes[1].fXPos, 3));
}

// Refusals (0) and no-ops (1) of both operations leave the destination as
// it was, time stamp included.
TEST(Resume, RefusalsAndNoOpsChangeNothing) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}")), empty(Path({}, "{E}"));
  PathHolder src(Path(Frames(5, 7, 2.0f), "{SRC}")), key1(Path(Frames(5, 7, 2.0f), "{SRC}", 1));
  PathHolder key2(Path(Frames(5, 7, 2.0f), "{SRC}")), key3(Path(Frames(5, 7, 2.0f), "{SRC}"));
  key2->dwMatchKey2 = key3->dwMatchKey3 = 1;
  _PATH_INFO_ broken;  // a count without an array
  broken.nTotalPathNodeNum = 4;
  _PATH_INFO_* d = dst.get();
  const struct { _PATH_INFO_* dst; const _PATH_INFO_* src; int32_t splice, run0; } cases[] = {
      {nullptr, src.get(), 0, 0}, {d, nullptr, 0, 0},      {d, key1.get(), 0, 0},
      {d, key2.get(), 0, 0},      {d, key3.get(), 0, 0},   {d, empty.get(), 0, 1},
      {d, d, 1, 1},               {d, &broken, 0, 0},      {empty.get(), src.get(), 0, 0},
      {&broken, src.get(), 0, 0},
  };
  const auto before = Snapshot(d), emptyBefore = Snapshot(empty.get());
  int row = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(PathInfo_ResumFromAnother(c.dst, c.src), c.splice) << row;
    EXPECT_EQ(PathInfo_ResumFromAnother2(0, c.dst, c.src), c.run0) << row++;
  }
  // Runs outside the destination's runs.
  for (int32_t run : {-1, 1, INT32_MAX})
    EXPECT_EQ(PathInfo_ResumFromAnother2(run, d, src.get()), 0) << run;
  EXPECT_EQ(std::pair(Snapshot(d), Snapshot(empty.get())), std::pair(before, emptyBefore));

  // Four runs: of 2 slots in ten nodes, run 4 is none; of 0 slots in three.
  PathHolder small(Path(Frames(0, 2, 1.0f), "{SMALL}"));
  for (auto [path, run] : {std::pair(d, 4), std::pair(small.get(), 0)}) {
    path->nTrackType = 403;
    const auto was = Snapshot(path);
    EXPECT_EQ(PathInfo_ResumFromAnother2(run, path, src.get()), 0);
    EXPECT_EQ(Snapshot(path), was);
  }
}

// Run 0 of a ten-node destination of frames `first`.. (tag 1): the source
// overwrites the slots from its frame on.
TEST(ResumeRun, OverwritesTheMatchingSlots) {
  const struct {
    int32_t first; std::vector<_PATH_NODE_> src; Ints frames; Floats tags;
  } cases[] = {
      {0, Frames(5, 7, 2.0f), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 2, 2, 1, 1}},
      // A missing frame 6: the next source node fills its slot too.
      {0, {Frames(5, 5, 2.0f)[0], Frames(7, 7, 3.0f)[0]},
       {0, 1, 2, 3, 4, 5, 7, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 3, 3, 1, 1}},
      // A source node behind the slot is skipped and the slot waits.
      {0, {Frames(5, 5, 2.0f)[0], Frames(5, 5, 3.0f)[0], Frames(6, 6, 4.0f)[0]},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 4, 1, 1, 1}},
      // A source that begins before the run: only the time stamp changes.
      {5, Frames(3, 6, 2.0f), {5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, Floats(10, 1)},
      // Frames 5..16 do not fit in ten slots: every node goes.
      {5, Frames(12, 16, 2.0f), {}, {}},
  };
  for (const auto& c : cases) {
    PathHolder dst(Path(Frames(c.first, c.first + 9, 1.0f), "{DST}"));
    PathHolder src(Path(c.src, "{SRC}"));
    ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), src.get()), 1);
    EXPECT_EQ(std::pair(Frames(dst.get()), Tags(dst.get())), std::pair(c.frames, c.tags));
    EXPECT_STRNE(dst->szTimeStamp, kOldStamp);
    EXPECT_EQ(std::tuple(dst->nPathInIndex, dst->nPathOutIndex, dst->pPathNodes == nullptr),
              std::tuple(c.first, c.first + 9, c.frames.empty()));
  }
}

TEST(ResumeRun, FourRunsChangeOnlyTheChosenRun) {
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < 41; ++i) nodes.push_back(Frames(i % 10, i % 10, 1.0f)[0]);
  nodes.back().nFrameIndex = 10;  // 41 nodes still make runs of 10
  PathHolder dst(Path(nodes, "{DST}"));
  dst->nTrackType = 403;
  // Frame 3, then frame 9 fills every slot up to the end of the run.
  PathHolder src(Path({Frames(3, 3, 2.0f)[0], Frames(9, 9, 4.0f)[0]}, "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(2, dst.get(), src.get()), 1);
  PathHolder tail(Path(Frames(8, 9, 3.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(3, dst.get(), tail.get()), 1);
  ASSERT_EQ(dst->nTotalPathNodeNum, 41);
  for (int i = 0; i < 41; ++i) {
    const float want = i == 23 ? 2.0f : i >= 24 && i < 30 ? 4.0f : i >= 38 && i < 40 ? 3.0f : 1.0f;
    EXPECT_EQ(dst->pPathNodes[i].fConfidence, want) << i;
  }
  EXPECT_EQ(dst->pPathNodes[24].nFrameIndex, 9);
}

}  // namespace
}  // namespace mlvns
