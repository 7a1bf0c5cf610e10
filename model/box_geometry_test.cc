#include "model/box_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;

MLVR_RECT Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return MLVR_RECT{l, t, r, b}; }
auto Tie(const MLVR_RECT& r) { return std::make_tuple(r.left, r.top, r.right, r.bottom); }

TEST(BoxGeometry, RectToNodeAndBack) {
  const MLVR_RECT hd = Rect(0, 0, 1920, 1080);
  const struct {
    MLVR_RECT rect, frame;
    float box[4];   // x, y, w, h as float quotients, y upward
    MLVR_RECT back;
  } cases[] = {
      {Rect(100, 200, 300, 400), hd, {200.0f / 1920, 1.0f - 300.0f / 1080, 200.0f / 1920,
                                      200.0f / 1080}, Rect(100, 200, 300, 400)},
      // Only the frame's size counts, not its corner.
      {Rect(100, 200, 300, 400), Rect(500, 500, 2420, 1580),
       {200.0f / 1920, 1.0f - 300.0f / 1080, 200.0f / 1920, 200.0f / 1080}, Rect(100, 200, 300, 400)},
      // Odd sizes come back one pixel larger, grown to the left and the top.
      {Rect(100, 200, 301, 401), hd, {200.0f / 1920, 1.0f - 300.0f / 1080, 201.0f / 1920,
                                      201.0f / 1080}, Rect(99, 199, 301, 401)},
      {hd, hd, {0.5f, 0.5f, 1.0f, 1.0f}, hd},
      {Rect(-50, -50, 50, 50), hd, {0.0f, 1.0f, 100.0f / 1920, 100.0f / 1080}, Rect(-50, -50, 50, 50)},
  };
  for (const auto& c : cases) {
    _PATH_NODE_ n = Node(12, 0, 0);
    n.nPathType = 1, n.fConfidence = 0.75f, n.fCtrlXPos = 0.4f, n.dwReserved[3] = 99;
    _PATH_NODE_ other = n;
    ASSERT_EQ(PathNode_Rect2PathNode(c.rect, c.frame, &n), 1);
    EXPECT_EQ(std::tuple(n.fXPos, n.fYPos, n.fWidth, n.fHeight),
              std::tuple(c.box[0], c.box[1], c.box[2], c.box[3]));
    other.fXPos = n.fXPos, other.fYPos = n.fYPos, other.fWidth = n.fWidth, other.fHeight = n.fHeight;
    EXPECT_EQ(RawBytes(n), RawBytes(other));  // nothing but the box changes
    MLVR_RECT r{};
    ASSERT_EQ(PathNode_PathNode2Rect(&n, hd, &r), 1);
    EXPECT_EQ(Tie(r), Tie(c.back));
  }
}

TEST(BoxGeometry, NodeToRectRoundsEachFloatStep) {
  _PATH_NODE_ n;
  n.fXPos = 0.2505f;   // 250.5 + 0.5 truncates to 251; in double it would be 250
  n.fWidth = 0.101f;   // 101 * 0.5 + 0.5 = 51
  n.fYPos = 0.75f;     // (1 - 0.75) * 500 + 0.5 = 125.5 -> 125
  n.fHeight = 0.1f;    // 50 * 0.5 + 0.5 = 25.5 -> 25
  MLVR_RECT r{};
  ASSERT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 1000, 500), &r), 1);
  EXPECT_EQ(Tie(r), Tie(Rect(200, 100, 302, 150)));
  // The other way the centre's halves truncate toward zero: (-3 + 0) / 2 is -1.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(-3, -3, 0, 0), Rect(0, 0, 1920, 1080), &n), 1);
  EXPECT_EQ(n.fXPos, -1.0f / 1920.0f);
}

TEST(BoxGeometry, BadInputAndDegenerateValuesStayDefined) {
  _PATH_NODE_ n;
  MLVR_RECT r{};
  EXPECT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 10, 10), nullptr), 0);
  EXPECT_EQ(PathNode_PathNode2Rect(nullptr, Rect(0, 0, 10, 10), &r), 0);
  EXPECT_EQ(PathNode_Rect2PathNode(Rect(0, 0, 10, 10), Rect(0, 0, 10, 10), nullptr), 0);
  // A zero-size frame stores what float division gives, and still succeeds.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(10, 10, 30, 20), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isinf(n.fXPos) && std::isinf(n.fWidth) && std::isinf(n.fYPos));
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(0, 0, 0, 0), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isnan(n.fXPos) && std::isnan(n.fHeight));
  // Extreme integers wrap instead of overflowing.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
                                   Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), &n),
            1);
  // Boxes with no pixel value give the indefinite integer for centre and
  // half size, whose sums wrap to 0.
  n = Node(0, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f,
           -1e30f);
  ASSERT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 1920, 1080), &r), 1);
  EXPECT_EQ(Tie(r), Tie(Rect(0, 0, 0, 0)));
}

TEST(BoxGeometry, ControlPointsOfLinearSegmentsGoToTheMiddle) {
  std::vector<_PATH_NODE_> nodes = {Node(0, 0.1f, 0.2f), Node(1, 0.3f, 0.7f), Node(2, 0.9f, 0.1f),
                                    Node(3, 0.5f, 0.5f), Node(4, 0.7f, 0.3f)};
  nodes[1].nPathType = 1;  // bezier and unknown kinds keep their point
  nodes[1].fCtrlXPos = 0.77f;
  nodes[3].nPathType = 7;
  nodes[3].fCtrlXPos = 0.33f;
  nodes[4].fCtrlXPos = 0.123f;  // the last node has no segment
  PathHolder p(NewPath(nodes));
  ASSERT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(p.get()), 1);
  const float want[][2] = {{0.2f, 0.45f}, {0.77f, 0}, {0.7f, 0.3f}, {0.33f, 0}, {0.123f, 0}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(p->pPathNodes[i].fCtrlXPos, want[i][0]) << i;
    EXPECT_FLOAT_EQ(p->pPathNodes[i].fCtrlYPos, want[i][1]) << i;
  }
  PathHolder none(NewPath({}));
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(none.get()), 1);
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(nullptr), 0);
  _PATH_INFO_ broken;
  broken.nTotalPathNodeNum = 3;  // count without an array
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(&broken), 0);
}

}  // namespace
}  // namespace mlvns
