#include "model/box_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;

MLVR_RECT Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return MLVR_RECT{l, t, r, b}; }

void ExpectRect(const MLVR_RECT& r, int32_t l, int32_t t, int32_t rt, int32_t b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rt);
  EXPECT_EQ(r.bottom, b);
}

TEST(BoxGeometry, RectToNodeAndBackInFloat) {
  const MLVR_RECT frame = Rect(0, 0, 1920, 1080);
  _PATH_NODE_ n;
  n.nFrameIndex = 12;
  n.fConfidence = 0.75f;
  n.nPathType = 1;
  n.fCtrlXPos = 0.4f;
  n.dwReserved[3] = 99;
  const _PATH_NODE_ before = n;

  ASSERT_EQ(PathNode_Rect2PathNode(Rect(100, 200, 300, 400), frame, &n), 1);
  // Bit for bit the float quotients, y turned upward.
  EXPECT_EQ(n.fXPos, 200.0f / 1920.0f);
  EXPECT_EQ(n.fWidth, 200.0f / 1920.0f);
  EXPECT_EQ(n.fYPos, 1.0f - 300.0f / 1080.0f);
  EXPECT_EQ(n.fHeight, 200.0f / 1080.0f);
  // Nothing but the box changes.
  _PATH_NODE_ a = before, b = n;
  a.fXPos = b.fXPos = a.fYPos = b.fYPos = a.fWidth = b.fWidth = a.fHeight = b.fHeight = 0;
  EXPECT_EQ(RawBytes(a), RawBytes(b));

  MLVR_RECT r{};
  ASSERT_EQ(PathNode_PathNode2Rect(&n, frame, &r), 1);
  ExpectRect(r, 100, 200, 300, 400);

  // Odd sizes come back one pixel larger, grown to the left and the top.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(100, 200, 301, 401), frame, &n), 1);
  ASSERT_EQ(PathNode_PathNode2Rect(&n, frame, &r), 1);
  ExpectRect(r, 99, 199, 301, 401);

  // The whole frame.
  ASSERT_EQ(PathNode_Rect2PathNode(frame, frame, &n), 1);
  EXPECT_EQ(n.fXPos, 0.5f);
  EXPECT_EQ(n.fYPos, 0.5f);
  EXPECT_EQ(n.fWidth, 1.0f);
  EXPECT_EQ(n.fHeight, 1.0f);

  // Centre on the corner: the halves truncate toward zero.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(-50, -50, 50, 50), frame, &n), 1);
  EXPECT_EQ(n.fXPos, 0.0f);
  EXPECT_EQ(n.fYPos, 1.0f);
  ASSERT_EQ(PathNode_PathNode2Rect(&n, frame, &r), 1);
  ExpectRect(r, -50, -50, 50, 50);
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(-3, -3, 0, 0), frame, &n), 1);
  EXPECT_EQ(n.fXPos, -1.0f / 1920.0f);  // (-3 + 0) / 2 is -1, not -2

  // Only the frame's width and height count, not its corner.
  _PATH_NODE_ shifted;
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(100, 200, 300, 400), Rect(500, 500, 2420, 1580), &shifted),
            1);
  EXPECT_EQ(shifted.fXPos, 200.0f / 1920.0f);
  EXPECT_EQ(shifted.fYPos, 1.0f - 300.0f / 1080.0f);
}

TEST(BoxGeometry, NodeToRectRoundsEachFloatStep) {
  const MLVR_RECT frame = Rect(0, 0, 1000, 500);
  _PATH_NODE_ n;
  n.fXPos = 0.2505f;   // 250.5 + 0.5 truncates to 251
  n.fWidth = 0.101f;   // 101 * 0.5 + 0.5 = 51
  n.fYPos = 0.75f;     // (1 - 0.75) * 500 + 0.5 = 125.5 -> 125
  n.fHeight = 0.1f;    // 50 * 0.5 + 0.5 = 25.5 -> 25
  MLVR_RECT r{};
  ASSERT_EQ(PathNode_PathNode2Rect(&n, frame, &r), 1);
  // In double the centre would truncate to 250.
  ExpectRect(r, 251 - 51, 125 - 25, 251 + 51, 125 + 25);
  EXPECT_EQ(r.right - r.left, 102);  // always even

  EXPECT_EQ(PathNode_PathNode2Rect(&n, frame, nullptr), 0);
  EXPECT_EQ(PathNode_PathNode2Rect(nullptr, frame, &r), 0);
  EXPECT_EQ(PathNode_Rect2PathNode(frame, frame, nullptr), 0);
}

TEST(BoxGeometry, DegenerateFramesAndValuesStayDefined) {
  _PATH_NODE_ n;
  // A zero-size frame stores what float division gives, and still succeeds.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(10, 10, 30, 20), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isinf(n.fXPos));
  EXPECT_TRUE(std::isinf(n.fWidth));
  EXPECT_TRUE(std::isinf(n.fYPos));  // 1 - inf
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(0, 0, 0, 0), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isnan(n.fXPos));
  EXPECT_TRUE(std::isnan(n.fHeight));

  // Extreme integers wrap instead of overflowing.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
                                   Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), &n),
            1);

  // Boxes with no pixel value give the processor's indefinite integer.
  MLVR_RECT r{};
  _PATH_NODE_ bad;
  bad.fXPos = std::numeric_limits<float>::quiet_NaN();
  bad.fYPos = std::numeric_limits<float>::infinity();
  bad.fWidth = 1e30f;
  bad.fHeight = -1e30f;
  ASSERT_EQ(PathNode_PathNode2Rect(&bad, Rect(0, 0, 1920, 1080), &r), 1);
  // Centre and half size are both INT32_MIN: the sums wrap to 0.
  ExpectRect(r, 0, 0, 0, 0);
}

TEST(BoxGeometry, ControlPointsOfLinearSegmentsGoToTheMiddle) {
  std::vector<_PATH_NODE_> nodes = {Node(0, 0.1f, 0.2f), Node(1, 0.3f, 0.7f), Node(2, 0.9f, 0.1f),
                                    Node(3, 0.5f, 0.5f)};
  nodes[1].nPathType = 1;  // bezier keeps its point
  nodes[1].fCtrlXPos = 0.77f;
  nodes[1].fCtrlYPos = 0.66f;
  nodes[3].fCtrlXPos = 0.123f;  // last node has no segment
  nodes[3].fCtrlYPos = 0.456f;
  PathHolder p(NewPath(nodes));
  ASSERT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(p.get()), 1);
  const _PATH_NODE_* out = p->pPathNodes;
  EXPECT_FLOAT_EQ(out[0].fCtrlXPos, 0.2f);
  EXPECT_FLOAT_EQ(out[0].fCtrlYPos, 0.45f);
  EXPECT_EQ(out[1].fCtrlXPos, 0.77f);
  EXPECT_EQ(out[1].fCtrlYPos, 0.66f);
  EXPECT_FLOAT_EQ(out[2].fCtrlXPos, 0.7f);
  EXPECT_FLOAT_EQ(out[2].fCtrlYPos, 0.3f);
  EXPECT_EQ(out[3].fCtrlXPos, 0.123f);
  EXPECT_EQ(out[3].fCtrlYPos, 0.456f);

  // A node of an unknown kind is left alone like a bezier one.
  nodes[0].nPathType = 7;
  PathHolder q(NewPath(nodes));
  ASSERT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(q.get()), 1);
  EXPECT_EQ(q->pPathNodes[0].fCtrlXPos, 0.0f);

  PathHolder one(NewPath({Node(0, 0.4f, 0.4f)}));
  const auto before = RawBytes(one->pPathNodes[0]);
  ASSERT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(one.get()), 1);
  EXPECT_EQ(RawBytes(one->pPathNodes[0]), before);

  PathHolder none(NewPath({}));
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(none.get()), 1);
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(nullptr), 0);
  _PATH_INFO_ broken;
  broken.nTotalPathNodeNum = 3;  // count without an array
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(&broken), 0);
}

}  // namespace
}  // namespace mlvns
