#include "processing/simplification.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/path_info_ops.h"
#include "platform/trace.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureSink;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;
using testing_support::Snapshot;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr char kOldStamp[] = "19990101.000000.000";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string Fmt(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

// ---- An independent replay of the rules -------------------------------------
//
// Walks a kept list literally (positions p, p+1, p+2; removal of p+1), and
// writes the transcript the rules call for. Used to re-check every decision
// the library makes on random tracks.

struct Replay {
  std::vector<_PATH_NODE_> nodes;  // after the pass, dropped ones removed
  std::vector<uint32_t> dropped;
  std::vector<std::string> lines;
  std::map<std::string, int> reasons;  // what the random input exercised
};

double Dist(double x0, double y0, double x1, double y1) {
  return std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0));
}

float MidF(float a, float b) { return static_cast<float>((double)a + ((double)b - (double)a) * 0.5); }

Replay ReplayRules(std::vector<_PATH_NODE_> in) {
  Replay r;
  r.lines.push_back("sfnLinearRegressionPathInfo");
  std::vector<uint32_t> kept;
  for (uint32_t i = 0; i < in.size(); ++i) kept.push_back(i);
  size_t p = 0;
  while (p + 2 < kept.size()) {
    const uint32_t ia = kept[p], ib = kept[p + 1], ic = kept[p + 2];
    _PATH_NODE_& A = in[ia];
    const _PATH_NODE_& B = in[ib];
    const _PATH_NODE_& C = in[ic];
    r.lines.push_back(Fmt("(%d, %d, %d)", (int)ia, (int)ib, (int)ic));
    std::string keep;  // the keep reason line; empty while B may still go
    bool silentKeep = false;

    const bool sameBox = A.fWidth == B.fWidth && A.fWidth == C.fWidth && B.fWidth == C.fWidth &&
                         A.fHeight == B.fHeight && A.fHeight == C.fHeight &&
                         B.fHeight == C.fHeight;
    if (!sameBox) keep = Fmt("    ==>     keep nIdx: %d, object width/height is different", (int)ib);

    const _PATH_NODE_* seg[2][2] = {{&A, &B}, {&B, &C}};
    for (int s = 0; s < 2 && keep.empty(); ++s) {
      const _PATH_NODE_& from = *seg[s][0];
      const _PATH_NODE_& to = *seg[s][1];
      const char* names = s == 0 ? "1 to 2" : "2 to 3";
      if (from.nPathType == 0) continue;
      if (from.nPathType != 1) {
        keep = Fmt("    ==>     keep nIdx: %d, node 1 or 2 is not linear", (int)ib);
      } else if (std::fabs((double)MidF(from.fXPos, to.fXPos) - (double)from.fCtrlXPos) > 0.01) {
        keep = Fmt("    ==>     keep nIdx: %d, bezier, %s ctrl x is not at center", (int)ib, names);
      } else if (std::fabs((double)MidF(from.fYPos, to.fYPos) - (double)from.fCtrlYPos) > 0.01) {
        keep = Fmt("    ==>     keep nIdx: %d, bezier, %s ctrl y is not at center", (int)ib, names);
      }
    }

    const double dAC = Dist(A.fXPos, A.fYPos, C.fXPos, C.fYPos);
    const double dAB = Dist(A.fXPos, A.fYPos, B.fXPos, B.fYPos);
    const double dBC = Dist(B.fXPos, B.fYPos, C.fXPos, C.fYPos);
    if (keep.empty() && (dAB > dAC || dBC > dAC)) {
      keep = Fmt("    ==>     keep nIdx: %d, (x0,y0) is not between (x1,y1) and (x2,y2)", (int)ib);
    }
    if (keep.empty()) {
      if ((dAB == 0.0) != (dBC == 0.0)) {
        keep = Fmt("    ==>     keep nIdx: %d because timing is not stable, %s", (int)ib,
                   "two frame stay at the same position");
      } else if (dAB != 0.0) {
        const int64_t tBC = (int64_t)C.nFrameIndex - B.nFrameIndex;
        const int64_t tAB = (int64_t)B.nFrameIndex - A.nFrameIndex;
        const double rd = dBC / dAB;
        const double rt = (double)(int32_t)(uint32_t)tBC / (double)(int32_t)(uint32_t)tAB;
        const double diff = std::fabs(rd - rt);
        r.lines.push_back(
            Fmt("    dRatioOfDistance: %f, dRatioOfTime: %f, dDiff: %f", rd, rt, diff));
        if (diff > 0.06) {
          keep = Fmt("    ==>     keep nIdx: %d because timing is not stable, %s", (int)ib,
                     "dDiff > 0.06");
        }
      }
    }
    if (keep.empty()) {
      double d;
      if (dBC <= 1e-6 || dAB <= 1e-6) {
        d = 0;
      } else if (dAC <= 1e-6) {
        d = dAB;
      } else if (dBC * dBC >= dAC * dAC + dAB * dAB) {
        d = dAB;
      } else if (dAB * dAB >= dAC * dAC + dBC * dBC) {
        d = dBC;
      } else {
        const double s = (dAB + dAC + dBC) * 0.5;
        d = 2 * std::sqrt(((s - dAC) * s) * (s - dAB) * (s - dBC)) / dAC;
      }
      r.lines.push_back(Fmt("    dPt2Ln: %f", d));
      if (!(d < 0.01)) silentKeep = true;
    }

    if (!keep.empty() || silentKeep) {
      if (!keep.empty()) {
        r.lines.push_back(keep);
        r.lines.push_back("\r\n");
        // The reason is what follows "keep nIdx: N".
        size_t cut = keep.find("nIdx: ") + 6;
        while (cut < keep.size() && std::isdigit(static_cast<unsigned char>(keep[cut]))) ++cut;
        r.reasons[keep.substr(cut)]++;
      } else {
        r.reasons["farOff from the line"]++;
      }
      ++p;
      continue;
    }
    r.reasons["dropped"]++;
    r.dropped.push_back(ib);
    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(p + 1));
    if (A.nPathType == 1) {
      A.fCtrlXPos = MidF(A.fXPos, C.fXPos);
      A.fCtrlYPos = MidF(A.fYPos, C.fYPos);
    }
    r.lines.push_back(Fmt("    ==> drop nIdx: %d", (int)ib));
    r.lines.push_back("\r\n");
  }
  for (uint32_t i : kept) r.nodes.push_back(in[i]);
  return r;
}

// ---- Helpers ---------------------------------------------------------------

_PATH_INFO_* Track(const std::vector<_PATH_NODE_>& nodes) {
  _PATH_INFO_* p = NewPath(nodes);
  std::strcpy(p->szGUID, "{TRACK}");
  std::strcpy(p->szTimeStamp, kOldStamp);
  return p;
}

std::vector<int32_t> FrameList(const _PATH_INFO_* p) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(p->pPathNodes[i].nFrameIndex);
  return out;
}

class Simplify : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceEnabled(true); }
  void TearDown() override { SetTraceEnabled(false); }

  // Runs the operation and checks it against the replay: the same
  // transcript, the same surviving nodes byte for byte, and a new time stamp
  // exactly when something was dropped.
  Replay RunAndCheck(const std::vector<_PATH_NODE_>& nodes) {
    // The untraced pass must decide the same, and write nothing.
    PathHolder quiet(Track(nodes));
    SetTraceEnabled(false);
    sink.Clear();
    EXPECT_EQ(LinearRegressionPathInfo(quiet.get()), 1);
    SetTraceEnabled(true);
    EXPECT_TRUE(sink.Lines().empty());

    PathHolder p(Track(nodes));
    const auto before = Snapshot(p.get());
    sink.Clear();
    EXPECT_EQ(LinearRegressionPathInfo(p.get()), 1);
    Replay want = ReplayRules(nodes);
    EXPECT_EQ(sink.Lines(), want.lines);
    EXPECT_EQ(quiet->nTotalPathNodeNum, p->nTotalPathNodeNum);
    for (int32_t i = 0; i < quiet->nTotalPathNodeNum && i < p->nTotalPathNodeNum; ++i) {
      EXPECT_EQ(RawBytes(quiet->pPathNodes[i]), RawBytes(p->pPathNodes[i])) << i;
    }
    if (want.dropped.empty()) {
      EXPECT_EQ(Snapshot(p.get()), before);
    } else {
      EXPECT_STRNE(p->szTimeStamp, kOldStamp);
      EXPECT_STREQ(p->szGUID, "{TRACK}");
      EXPECT_EQ(p->nPathInIndex, nodes.front().nFrameIndex);
      EXPECT_EQ(p->nPathOutIndex, nodes.back().nFrameIndex);
      EXPECT_EQ(p->nTotalPathNodeNum, static_cast<int32_t>(want.nodes.size()));
      for (size_t i = 0; i < want.nodes.size() && i < static_cast<size_t>(p->nTotalPathNodeNum);
           ++i) {
        EXPECT_EQ(RawBytes(p->pPathNodes[i]), RawBytes(want.nodes[i])) << i;
      }
    }
    return want;
  }

  CaptureSink sink;
};

std::vector<_PATH_NODE_> Three(float bx, float by, int32_t f2 = 20) {
  return {Node(0, 0.25f, 0.5f), Node(10, bx, by), Node(f2, 0.75f, 0.5f)};
}

// ---- The worked examples -----------------------------------------------------

TEST_F(Simplify, ThreeNodeWindows) {
  auto still = Three(0.25f, 0.5f);
  still[2].fXPos = 0.25f;
  auto wideA = Three(0.5f, 0.5f);
  wideA[0].fWidth += 0.001f;
  auto tallC = Three(0.5f, 0.5f);
  tallC[2].fHeight += 0.001f;
  auto nanWidth = Three(0.5f, 0.5f);
  for (auto& n : nanWidth) n.fWidth = kNaN;
  const std::string keep1 = "    ==>     keep nIdx: 1";
  const std::string box = keep1 + ", object width/height is different";
  const std::string drop[] = {"    dPt2Ln: 0.000000", "    ==> drop nIdx: 1", "\r\n"};
  const std::string even = "    dRatioOfDistance: 1.000000, dRatioOfTime: 1.000000, dDiff: 0.000000";
  struct Case {
    std::vector<_PATH_NODE_> nodes;
    std::vector<std::string> lines;  // after the window line
    int32_t left;
  } cases[] = {
      {Three(0.5f, 0.5f), {even, drop[0], drop[1], drop[2]}, 2},
      {Three(0.5f, 0.5f, 30),
       {"    dRatioOfDistance: 1.000000, dRatioOfTime: 2.000000, dDiff: 1.000000",
        keep1 + " because timing is not stable, dDiff > 0.06", "\r\n"},
       3},
      {Three(0.5f, 0.502f),
       {"    dRatioOfDistance: 1.000000, dRatioOfTime: 1.000000, dDiff: 0.000000",
        "    dPt2Ln: 0.002000", drop[1], drop[2]},
       2},
      // Kept without a keep line and without the line break.
      {Three(0.5f, 0.52f),
       {"    dRatioOfDistance: 1.000000, dRatioOfTime: 1.000000, dDiff: 0.000000",
        "    dPt2Ln: 0.020000"},
       3},
      {still, {drop[0], drop[1], drop[2]}, 2},
      {Three(0.25f, 0.5f),
       {keep1 + " because timing is not stable, two frame stay at the same position", "\r\n"},
       3},
      {{Node(0, 0.3f, 0.3f), Node(1, 0.6f, 0.3f), Node(2, 0.3f, 0.3f)},
       {keep1 + ", (x0,y0) is not between (x1,y1) and (x2,y2)", "\r\n"},
       3},
      {wideA, {box, "\r\n"}, 3},
      {tallC, {box, "\r\n"}, 3},
      {nanWidth, {box, "\r\n"}, 3},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(row++);
    PathHolder p(Track(c.nodes));
    p->pPathNodes[2].dwReserved[4] = 77;
    const auto before = Snapshot(p.get());
    sink.Clear();
    ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
    std::vector<std::string> want = {"sfnLinearRegressionPathInfo", "(0, 1, 2)"};
    want.insert(want.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(sink.Lines(), want);
    if (c.left == 3) {
      EXPECT_EQ(Snapshot(p.get()), before);  // not even the time stamp
      continue;
    }
    ASSERT_EQ(p->nTotalPathNodeNum, 2);
    EXPECT_THAT(FrameList(p.get()), ElementsAre(c.nodes[0].nFrameIndex, c.nodes[2].nFrameIndex));
    EXPECT_EQ(p->pPathNodes[1].dwReserved[4], 77u);
    EXPECT_STREQ(p->szGUID, "{TRACK}");
    EXPECT_STRNE(p->szTimeStamp, kOldStamp);
    EXPECT_EQ(std::strlen(p->szTimeStamp), 19u);
  }
}

TEST_F(Simplify, DroppingMovesTheBezierControlPointAlong) {
  // Four evenly timed nodes on a line; A is a bezier whose control point
  // starts at the middle of A to B. Steps of (3, 4, 5) x 2^-5 keep every
  // distance exact.
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < 4; ++i) {
    nodes.push_back(Node(i, 0.125f + 0.09375f * static_cast<float>(i),
                         0.25f + 0.125f * static_cast<float>(i)));
  }
  nodes[0].nPathType = 1;
  nodes[0].fCtrlXPos = MidF(nodes[0].fXPos, nodes[1].fXPos);
  nodes[0].fCtrlYPos = MidF(nodes[0].fYPos, nodes[1].fYPos);
  PathHolder p(Track(nodes));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(FrameList(p.get()), ElementsAre(0, 3));
  EXPECT_EQ(p->pPathNodes[0].fCtrlXPos, MidF(nodes[0].fXPos, nodes[3].fXPos));
  EXPECT_EQ(p->pPathNodes[0].fCtrlYPos, MidF(nodes[0].fYPos, nodes[3].fYPos));
}

TEST_F(Simplify, NodesOfOtherKindsAndTheirSuccessorsStay) {
  std::vector<_PATH_NODE_> nodes;
  for (int i = 0; i < 6; ++i) nodes.push_back(Node(i, 0.125f * static_cast<float>(i), 0.5f));
  nodes[2].nPathType = 2;
  PathHolder p(Track(nodes));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(FrameList(p.get()), ElementsAre(0, 2, 3, 5));
  const auto lines = sink.Lines();
  for (const char* line : {"    ==>     keep nIdx: 2, node 1 or 2 is not linear",
                           "    ==>     keep nIdx: 3, node 1 or 2 is not linear"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
}

TEST_F(Simplify, OnePassOnly) {
  // Pass one keeps B for its distance from A..C but drops C; the second pass
  // then tests B against A..D and drops it too.
  std::vector<_PATH_NODE_> nodes = {Node(0, 0.0f, 0.0f), Node(1, 0.1f, 0.012f),
                                    Node(2, 0.2f, 0.0f), Node(3, 0.3f, 0.007f)};
  PathHolder p(Track(nodes));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(FrameList(p.get()), ElementsAre(0, 1, 3));
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_THAT(FrameList(p.get()), ElementsAre(0, 3));
  // And once nothing more goes, the record is left alone.
  std::strcpy(p->szTimeStamp, kOldStamp);
  const auto before = Snapshot(p.get());
  ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
  EXPECT_EQ(Snapshot(p.get()), before);
}

// ---- Properties ----------------------------------------------------------------

// Straight, evenly timed runs collapse to their end nodes in one call, every
// dropped node logged with its old index. Points lie on a lattice along
// Pythagorean directions so that every distance is exact: on general float
// lines Heron's product can round below zero, and the resulting NaN keeps a
// node by rule.
TEST_F(Simplify, RandomStraightRunsCollapseToTheirEnds) {
  std::mt19937 rng(20240126);
  const int dirs[][3] = {{1, 0, 1}, {0, 1, 1}, {3, 4, 5}, {4, 3, 5}, {5, 12, 13}, {8, 15, 17}};
  for (int run = 0; run < 200; ++run) {
    const auto& d = dirs[rng() % 6];
    const int n = run == 0 ? 1000 : 3 + static_cast<int>(rng() % 200);
    const double unit = std::ldexp(1.0, -14) * (1 + rng() % 4);  // per-node step / hypotenuse
    const double sx = (rng() % 2 ? 1 : -1) * unit * d[0];
    const double sy = (rng() % 2 ? 1 : -1) * unit * d[1];
    const double x0 = std::ldexp(static_cast<double>(rng() % 4096), -13) + 0.25;
    const double y0 = std::ldexp(static_cast<double>(rng() % 4096), -13) + 0.25;
    const int32_t f0 = static_cast<int32_t>(rng() % 1000) - 500;
    const int32_t df = 1 + static_cast<int32_t>(rng() % 5);
    const float w = 0.05f + 0.01f * static_cast<float>(rng() % 10);
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i) {
      nodes.push_back(Node(f0 + df * i, static_cast<float>(x0 + sx * i),
                           static_cast<float>(y0 + sy * i), w, w * 0.5f));
    }
    SCOPED_TRACE(::testing::Message() << "run " << run << " n " << n);
    Replay want = RunAndCheck(nodes);
    std::vector<uint32_t> inner;
    for (int i = 1; i + 1 < n; ++i) inner.push_back(static_cast<uint32_t>(i));
    EXPECT_EQ(want.dropped, inner);
    if (HasFailure()) return;
  }
}

// Jittered tracks with every kind of node: each decision, each trace line and
// each surviving node is re-checked against the replay of the rules.
TEST_F(Simplify, RandomJitteredTracksFollowTheRules) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::normal_distribution<float> jitter(0.0f, 0.004f);
  std::map<std::string, int> seen;
  for (int track = 0; track < 400; ++track) {
    const int n = 3 + static_cast<int>(rng() % 60);
    float x = unit(rng), y = unit(rng);
    float vx = (unit(rng) - 0.5f) * 0.05f, vy = (unit(rng) - 0.5f) * 0.05f;
    int32_t frame = static_cast<int32_t>(rng() % 100);
    const float w = 0.1f, h = 0.2f;
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i) {
      const uint32_t roll = rng() % 100;
      if (roll < 5) {
        vx = (unit(rng) - 0.5f) * 0.05f;  // a turn
        vy = (unit(rng) - 0.5f) * 0.05f;
      }
      const int32_t step = roll < 3 ? 0 : roll < 70 ? 1 : 1 + static_cast<int32_t>(rng() % 3);
      frame += step;
      if (roll >= 8 || i == 0) {  // otherwise stand still
        x += vx * static_cast<float>(step == 0 ? 1 : step) + (roll < 40 ? jitter(rng) * 0.1f : jitter(rng));
        y += vy * static_cast<float>(step == 0 ? 1 : step) + (roll < 40 ? jitter(rng) * 0.1f : jitter(rng));
      }
      _PATH_NODE_ node = Node(frame, x, y, w, h);
      if (rng() % 12 == 0) node.fWidth = w * 1.5f;
      if (rng() % 30 == 0) node.fHeight = h * 0.5f;
      if (rng() % 150 == 0) node.fXPos = kNaN;
      if (rng() % 150 == 0) node.fYPos = std::numeric_limits<float>::infinity();
      const uint32_t kind = rng() % 100;
      node.nPathType = kind < 20 ? 1 : kind < 23 ? 2 : 0;
      node.fCtrlXPos = unit(rng);  // linear nodes: of no account
      node.fCtrlYPos = unit(rng);
      nodes.push_back(node);
    }
    // Bezier control points nearBy the middle of the segment to the next node.
    for (int i = 0; i + 1 < n; ++i) {
      if (nodes[i].nPathType != 1) continue;
      nodes[i].fCtrlXPos = MidF(nodes[i].fXPos, nodes[i + 1].fXPos) + jitter(rng) * 2.0f;
      nodes[i].fCtrlYPos = MidF(nodes[i].fYPos, nodes[i + 1].fYPos) + jitter(rng) * 2.0f;
    }
    Replay r = RunAndCheck(nodes);
    for (const auto& kv : r.reasons) seen[kv.first] += kv.second;
    if (HasFailure()) {
      ADD_FAILURE() << "track " << track;
      return;
    }
  }
  // The random input reached every rule.
  for (const char* reason :
       {"dropped", "farOff from the line", ", object width/height is different",
        ", bezier, 1 to 2 ctrl x is not at center", ", bezier, 1 to 2 ctrl y is not at center",
        ", bezier, 2 to 3 ctrl x is not at center", ", bezier, 2 to 3 ctrl y is not at center",
        ", node 1 or 2 is not linear", ", (x0,y0) is not between (x1,y1) and (x2,y2)",
        " because timing is not stable, two frame stay at the same position",
        " because timing is not stable, dDiff > 0.06"}) {
    EXPECT_GT(seen[reason], 0) << reason;
  }
}

// ---- The rebuild -----------------------------------------------------------

// The record after a pass, compared field by field with the same record
// cloned onto itself with the drop list: identity text, every other record
// byte outside the pointers and the time stamp, the nodes, the extra node.
void ExpectSameAsCloneOntoItself(const _PATH_INFO_* got, const _PATH_INFO_* want) {
  EXPECT_STREQ(got->szGUID, want->szGUID);
  _PATH_INFO_ a = *got, b = *want;
  for (_PATH_INFO_* r : {&a, &b}) {
    std::memset(r->szGUID, 0, sizeof r->szGUID);
    std::memset(r->szTimeStamp, 0, sizeof r->szTimeStamp);
    r->pPathNodes = nullptr;
    r->pExtraNode = nullptr;
  }
  EXPECT_EQ(RawBytes(a), RawBytes(b));
  EXPECT_EQ(got->pExtraNode == nullptr, want->pExtraNode == nullptr);
  if (got->pExtraNode != nullptr && want->pExtraNode != nullptr && got->bHasExtraNode != 0) {
    EXPECT_EQ(RawBytes(*got->pExtraNode), RawBytes(*want->pExtraNode));
  }
  ASSERT_EQ(got->nTotalPathNodeNum, want->nTotalPathNodeNum);
  for (int32_t i = 0; i < got->nTotalPathNodeNum; ++i) {
    EXPECT_EQ(RawBytes(got->pPathNodes[i]), RawBytes(want->pPathNodes[i])) << i;
  }
}

TEST_F(Simplify, RebuildIsCloneOntoItselfWithTheDropList) {
  SetTraceEnabled(false);
  std::mt19937 rng(99);
  _PATH_NODE_ foreign;  // an extra node the record's flag does not own
  for (int round = 0; round < 60; ++round) {
    const int n = 3 + static_cast<int>(rng() % 40);
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i) {
      // Mostly straight with a few bends, so that some nodes go and some stay.
      const float bend = rng() % 5 == 0 ? 0.05f : 0.0f;
      _PATH_NODE_ node = Node(i, 0.01f * static_cast<float>(i), 0.5f + bend);
      node.fConfidence = 0.5f;
      node.dwReserved[2] = static_cast<uint32_t>(rng());
      if (rng() % 7 == 0) node.dwSize = 40;  // guarded copies keep only fXPos
      nodes.push_back(node);
    }
    PathHolder got(Track(nodes));
    PathHolder want(Track(nodes));
    for (_PATH_INFO_* p : {got.get(), want.get()}) {
      p->dwMatchKey2 = 5;
      p->nTrackType = 403;
      std::strcpy(p->szAssociateFile, "clip.mp4");
      p->nPathOutIndex = 1234;  // not derived from the nodes
    }
    switch (round % 4) {
      case 0:
        break;
      case 1:
        for (_PATH_INFO_* p : {got.get(), want.get()}) {
          p->bHasExtraNode = 1;
          p->pExtraNode = new _PATH_NODE_[1];
          p->pExtraNode->fYPos = 0.25f;
          p->pExtraNode->dwSize = round % 8 == 1 ? 60 : 52;
        }
        break;
      case 2:
        for (_PATH_INFO_* p : {got.get(), want.get()}) p->pExtraNode = &foreign;
        break;
      case 3:  // a record of another size: clone's partial copies decide
        for (_PATH_INFO_* p : {got.get(), want.get()}) p->dwSize = round % 8 == 3 ? 300 : 600;
        break;
    }
    ASSERT_EQ(LinearRegressionPathInfo(got.get()), 1);
    Replay r = ReplayRules(nodes);
    if (r.dropped.empty()) continue;
    CUIntArray drops;
    for (uint32_t d : r.dropped) drops.Add(d);
    PathInfo_Clone(want.get(), want.get(), 0, &drops);
    SCOPED_TRACE(round);
    ExpectSameAsCloneOntoItself(got.get(), want.get());
    EXPECT_STRNE(got->szTimeStamp, kOldStamp);
    if (round % 4 == 2) {
      EXPECT_EQ(got->pExtraNode, nullptr);
    }
  }
}

// ---- Bad input ---------------------------------------------------------------

TEST_F(Simplify, NullAndShortRecords) {
  EXPECT_EQ(LinearRegressionPathInfo(nullptr), 0);
  EXPECT_TRUE(sink.Lines().empty());  // not even the first line

  for (int n = 0; n <= 2; ++n) {
    std::vector<_PATH_NODE_> nodes;
    for (int i = 0; i < n; ++i) nodes.push_back(Node(i, 0.1f * i, 0.1f));
    PathHolder p(Track(nodes));
    const auto before = Snapshot(p.get());
    sink.Clear();
    ASSERT_EQ(LinearRegressionPathInfo(p.get()), 1);
    EXPECT_EQ(Snapshot(p.get()), before) << n;
    EXPECT_THAT(sink.Lines(), ElementsAre("sfnLinearRegressionPathInfo"));
  }

  _PATH_INFO_ broken;  // counts that do not match an array
  broken.nTotalPathNodeNum = 5;
  EXPECT_EQ(LinearRegressionPathInfo(&broken), 1);
  broken.nTotalPathNodeNum = -5;
  EXPECT_EQ(LinearRegressionPathInfo(&broken), 1);
}

TEST_F(Simplify, EqualFrameIndices) {
  // All three in one frame: 0/0 is NaN, which passes the timing test. A and
  // B in one frame: an infinite time ratio keeps B. And frame differences
  // wrap in 32 bits rather than overflow.
  const int32_t frames[][3] = {{4, 4, 4}, {0, 0, 20}, {INT32_MIN, 0, INT32_MAX}};
  const char* ratio[] = {"nan", "dRatioOfTime: inf, dDiff: inf", "dRatioOfTime: -1.0"};
  const size_t dropped[] = {1, 0, 0};
  for (int i = 0; i < 3; ++i) {
    auto nodes = Three(0.5f, 0.5f);
    for (int k = 0; k < 3; ++k) nodes[k].nFrameIndex = frames[i][k];
    Replay r = RunAndCheck(nodes);
    EXPECT_EQ(r.dropped.size(), dropped[i]) << i;
    ASSERT_GT(sink.Lines().size(), 2u);
    EXPECT_THAT(sink.Lines()[2], ::testing::HasSubstr(ratio[i])) << i;
  }
}

TEST_F(Simplify, NonFiniteCoordinatesAreKept) {
  for (float bad : {kNaN, std::numeric_limits<float>::infinity()}) {
    for (int which = 0; which < 3; ++which) {
      for (int axis = 0; axis < 2; ++axis) {
        auto nodes = Three(0.5f, 0.5f);
        (axis == 0 ? nodes[which].fXPos : nodes[which].fYPos) = bad;
        Replay r = RunAndCheck(nodes);
        EXPECT_TRUE(r.dropped.empty()) << bad << which << axis;
      }
    }
  }
}

}  // namespace
}  // namespace mlvns
