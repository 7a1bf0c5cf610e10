#include "processing/node_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::RawBytes;

constexpr float kTol = 1e-6f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

_PATH_INFO_ Record(int32_t frameAspect, int32_t videoAspect, float rotation = 0.0f) {
  _PATH_INFO_ p;
  p.nFrameAspect = frameAspect;
  p.nVideoAspect = videoAspect;
  p.fRotation = rotation;
  return p;
}

// Every field but the box is set, so that a stray write shows.
_PATH_NODE_ Box(float x, float y, float w, float h) {
  _PATH_NODE_ n;
  n.nFrameIndex = 17;
  n.fConfidence = 0.625f;
  n.fXPos = x;
  n.fYPos = y;
  n.fWidth = w;
  n.fHeight = h;
  n.nPathType = 1;
  n.fCtrlXPos = 0.3f;
  n.fCtrlYPos = 0.7f;
  for (int i = 0; i < 5; ++i) n.dwReserved[i] = 0xA0u + static_cast<uint32_t>(i);
  return n;
}

MLVR_SIZE Size(int32_t w, int32_t h) { return MLVR_SIZE{w, h}; }

TEST(NodeConversion, BoxesMoveIntoTheTargetFrame) {
  const float s = 81.0f / 256.0f;                // 9:16 picture in a 16:9 frame, squared
  const float w3 = 0.1f * 144.0f / 45.5625f;     // out of the bars of a turned 16:9 video
  const float c = 4.0f / 3.0f;                   // 16:9 covering 4:3
  struct Case {
    int32_t frame, video;
    float rotation;
    int32_t W, H;
    float angle;
    int32_t relative, mode;
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
    EXPECT_NEAR(n.fXPos, k.out[0], kTol);
    EXPECT_NEAR(n.fYPos, k.out[1], kTol);
    EXPECT_NEAR(n.fWidth, k.out[2], kTol);
    EXPECT_NEAR(n.fHeight, k.out[3], kTol);
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
  custom.nVideoWidth = 3840, custom.nVideoHeight = 2160;
  named.nFrameWidth = named.nVideoHeight = 0;
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
    EXPECT_EQ(n.fYPos, 1e-9f) << angle;
    EXPECT_EQ(n.fHeight, 0.2f) << angle;
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
  for (const _PATH_INFO_& rec : recs) {
    for (MLVR_SIZE target : {Size(1920, 1080), Size(1440, 1080), Size(1080, 1920)}) {
      for (float angle : {0.0f, 90.0f, 180.0f, 270.0f}) {
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
    }
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
  for (int32_t w : sizes) {
    for (int32_t h : sizes) {
      _PATH_INFO_ custom = Record(2, 2, 90.0f);
      custom.nFrameWidth = custom.nVideoHeight = w;
      custom.nFrameHeight = custom.nVideoWidth = h;
      for (int32_t mode : {0, 1, 3}) {
        _PATH_NODE_ m = before, d = before;
        ConvertPathNodeInfo(&m, &custom, Size(w, h), 270.0f, 0, mode);
        ConvertPathNodeInfo(&d, &same, Size(h, w), 0.0f, 1, mode);
      }
    }
  }
}

TEST(NodeConversion, NonFiniteValuesStayDefined) {
  const float inf = std::numeric_limits<float>::infinity();
  _PATH_INFO_ rec = Record(0, 1);
  _PATH_NODE_ n = Box(kNaN, 0.5f, kNaN, 0.1f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1440, 1080), 90.0f, 0, 3), 1);
  EXPECT_TRUE(std::isnan(n.fYPos));  // x went through the turn into y
  EXPECT_TRUE(std::isnan(n.fHeight));

  // Huge boxes overflow to infinity in the double steps, no further.
  const _PATH_INFO_ same = Record(0, 0);
  _PATH_NODE_ big = Box(3e38f, -3e38f, 3e38f, 3e38f);
  ASSERT_EQ(ConvertPathNodeInfo(&big, &same, Size(1440, 1080), 0.0f, 0, 3), 1);
  EXPECT_EQ(big.fWidth, inf);
  EXPECT_EQ(big.fXPos, inf);
  _PATH_NODE_ mir = Box(-3.4e38f, 0.0f, inf, -inf);
  ASSERT_EQ(ConvertPathNodeInfo(&mir, &same, Size(1920, 1080), 180.0f, 0, 0), 1);
  EXPECT_FLOAT_EQ(mir.fXPos, 3.4e38f);
  EXPECT_EQ(mir.fWidth, inf);
}

}  // namespace
}  // namespace mlvns
