#include "processing/node_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::RawBytes;

constexpr float kTol = 1e-6f;

_PATH_INFO_ Record(int32_t frameAspect, int32_t videoAspect, float rotation = 0.0f) {
  _PATH_INFO_ p;
  p.nFrameAspect = frameAspect;
  p.nVideoAspect = videoAspect;
  p.fRotation = rotation;
  return p;
}

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

#define EXPECT_BOX(n, x, y, w, h)          \
  do {                                     \
    EXPECT_NEAR((n).fXPos, (x), kTol);     \
    EXPECT_NEAR((n).fYPos, (y), kTol);     \
    EXPECT_NEAR((n).fWidth, (w), kTol);    \
    EXPECT_NEAR((n).fHeight, (h), kTol);   \
  } while (0)

// Everything but the four box fields keeps its bytes.
void ExpectOnlyBoxChanged(const _PATH_NODE_& before, const _PATH_NODE_& after) {
  _PATH_NODE_ a = before, b = after;
  a.fXPos = b.fXPos = 0;
  a.fYPos = b.fYPos = 0;
  a.fWidth = b.fWidth = 0;
  a.fHeight = b.fHeight = 0;
  EXPECT_EQ(RawBytes(a), RawBytes(b));
}

TEST(NodeConversion, SameShapeAndFrameLeavesTheNodeAsItWas) {
  const _PATH_INFO_ rec = Record(0, 0);
  const _PATH_NODE_ before = Box(0.3f, 0.6f, 0.2f, 0.1f);
  for (int32_t mode : {0, 1, 2, 3, 7}) {
    _PATH_NODE_ n = before;
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 0.0f, 0, mode), 1) << mode;
    EXPECT_EQ(RawBytes(n), RawBytes(before)) << mode;
  }
  // A custom frame and video of the same shape behave like the named kind.
  _PATH_INFO_ custom = Record(2, 2);
  custom.nFrameWidth = 1280;
  custom.nFrameHeight = 720;
  custom.nVideoWidth = 3840;
  custom.nVideoHeight = 2160;
  _PATH_NODE_ n = before;
  ASSERT_EQ(ConvertPathNodeInfo(&n, &custom, Size(1920, 1080), 0.0f, 0, 0), 1);
  EXPECT_EQ(RawBytes(n), RawBytes(before));
}

TEST(NodeConversion, NarrowVideoBetweenSideBarsComesOutOfTheBars) {
  // A 4:3 video in a 16:9 tracking frame covers the middle three quarters.
  const _PATH_INFO_ rec = Record(0, 1);
  const _PATH_NODE_ whole = Box(0.5f, 0.4f, 0.75f, 0.3f);
  _PATH_NODE_ n = whole;
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1440, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(n, 0.5f, 0.4f, 1.0f, 0.3f);
  ExpectOnlyBoxChanged(whole, n);

  _PATH_NODE_ edge = Box(0.125f, 0.4f, 0.0f, 0.3f);
  ASSERT_EQ(ConvertPathNodeInfo(&edge, &rec, Size(640, 480), 0.0f, 0, 0), 1);
  EXPECT_NEAR(edge.fXPos, 0.0f, kTol);
  _PATH_NODE_ right = Box(0.875f, 0.4f, 0.0f, 0.3f);
  ASSERT_EQ(ConvertPathNodeInfo(&right, &rec, Size(640, 480), 0.0f, 0, 0), 1);
  EXPECT_NEAR(right.fXPos, 1.0f, kTol);

  // Normalised to the video alone: the target's own shape plays no part.
  for (MLVR_SIZE target : {Size(1440, 1080), Size(1920, 1080), Size(100, 900), Size(-5, 3)}) {
    _PATH_NODE_ m = whole;
    ASSERT_EQ(ConvertPathNodeInfo(&m, &rec, target, 0.0f, 0, 1), 1);
    EXPECT_BOX(m, 0.5f, 0.4f, 1.0f, 0.3f);
  }
}

TEST(NodeConversion, WideVideoIntoANarrowerTargetFitsOrCovers) {
  const _PATH_INFO_ rec = Record(0, 0);
  const float x = 0.3f, y = 0.6f, w = 0.2f, h = 0.4f;
  // Fit: the video fills the width, bars above and below.
  _PATH_NODE_ fit = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&fit, &rec, Size(1440, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(fit, x, 0.75f * y + 0.125f, w, 0.75f * h);
  // Any mode but 1 and 3 fits.
  _PATH_NODE_ fit2 = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&fit2, &rec, Size(1440, 1080), 0.0f, 0, 2), 1);
  EXPECT_EQ(RawBytes(fit2), RawBytes(fit));
  _PATH_NODE_ fit9 = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&fit9, &rec, Size(1440, 1080), 0.0f, 0, -4), 1);
  EXPECT_EQ(RawBytes(fit9), RawBytes(fit));

  // Cover: the video fills the height and is cropped left and right.
  _PATH_NODE_ cover = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&cover, &rec, Size(1440, 1080), 0.0f, 0, 3), 1);
  EXPECT_BOX(cover, (x - 0.5f) * 4.0f / 3.0f + 0.5f, y, w * 4.0f / 3.0f, h);
  _PATH_NODE_ middle = Box(0.5f, y, 0.75f, h);
  ASSERT_EQ(ConvertPathNodeInfo(&middle, &rec, Size(1440, 1080), 0.0f, 0, 3), 1);
  EXPECT_BOX(middle, 0.5f, y, 1.0f, h);
  // Cover keeps no clamp: the cropped part lies outside 0..1.
  _PATH_NODE_ left = Box(0.0f, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&left, &rec, Size(1440, 1080), 0.0f, 0, 3), 1);
  EXPECT_NEAR(left.fXPos, -1.0f / 6.0f, kTol);

  // A target wider than the video: fit adds side bars, cover crops top and
  // bottom. 16:9 into 32:9 halves widths; cover doubles heights.
  _PATH_NODE_ wide = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&wide, &rec, Size(3840, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(wide, 0.5f * x + 0.25f, y, 0.5f * w, h);
  _PATH_NODE_ tall = Box(x, y, w, h);
  ASSERT_EQ(ConvertPathNodeInfo(&tall, &rec, Size(3840, 1080), 0.0f, 0, 3), 1);
  EXPECT_BOX(tall, x, (y - 0.5f) * 2.0f + 0.5f, w, 2.0f * h);
}

TEST(NodeConversion, FitIntoTheTrackingShapeUndoesTheBars) {
  // Out of the bars and back into the same frame shape.
  const _PATH_INFO_ rec = Record(0, 1);
  for (float x : {0.125f, 0.3f, 0.5f, 0.8f}) {
    _PATH_NODE_ n = Box(x, 0.2f, 0.25f, 0.5f);
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 0.0f, 0, 0), 1);
    EXPECT_BOX(n, x, 0.2f, 0.25f, 0.5f);
  }
  // And the other way: a 16:9 video in a 4:3 frame sits between bars above
  // and below (the middle three quarters of the height).
  const _PATH_INFO_ letterbox = Record(1, 0);
  _PATH_NODE_ n = Box(0.4f, 0.125f, 0.2f, 0.75f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &letterbox, Size(1920, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(n, 0.4f, 0.0f, 0.2f, 1.0f);
  _PATH_NODE_ back = Box(0.4f, 0.3f, 0.2f, 0.25f);
  ASSERT_EQ(ConvertPathNodeInfo(&back, &letterbox, Size(640, 480), 0.0f, 0, 0), 1);
  EXPECT_BOX(back, 0.4f, 0.3f, 0.2f, 0.25f);
}

TEST(NodeConversion, TurnsOfTheTarget) {
  const _PATH_INFO_ rec = Record(0, 0);
  _PATH_NODE_ q = Box(0.25f, 0.75f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&q, &rec, Size(1080, 1920), 90.0f, 0, 0), 1);
  EXPECT_BOX(q, 0.75f, 0.75f, 0.2f, 0.1f);

  _PATH_NODE_ t = Box(0.25f, 0.75f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&t, &rec, Size(1080, 1920), 270.0f, 0, 0), 1);
  EXPECT_BOX(t, 0.25f, 0.25f, 0.2f, 0.1f);

  _PATH_NODE_ h = Box(0.25f, 0.75f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&h, &rec, Size(1920, 1080), 180.0f, 0, 0), 1);
  EXPECT_BOX(h, 0.75f, 0.25f, 0.1f, 0.2f);

  // Only 90, 180 and 270 turn; 45 or -90 is no turn at all.
  for (float angle : {45.0f, -90.0f, 360.0f, 90.5f}) {
    _PATH_NODE_ n = Box(0.25f, 0.75f, 0.1f, 0.2f);
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), angle, 0, 0), 1);
    EXPECT_BOX(n, 0.25f, 0.75f, 0.1f, 0.2f);
  }

  // A quarter turn of a 16:9 video shown in a 16:9 target leaves a narrow
  // 9:16 video between side bars: width scale (9/16)^2.
  _PATH_NODE_ side = Box(0.5f, 0.5f, 0.4f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&side, &rec, Size(1920, 1080), 90.0f, 0, 0), 1);
  const float s = 81.0f / 256.0f;
  EXPECT_BOX(side, 0.5f, 0.5f, 0.2f * s, 0.4f);
}

TEST(NodeConversion, TurnsOfTheRecordAreUndone) {
  // The video was turned by 90 inside a 16:9 tracking frame: it stands as a
  // 9:16 picture between side bars.
  const _PATH_INFO_ rec = Record(0, 0, 90.0f);
  _PATH_NODE_ n = Box(0.5f, 0.25f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 0.0f, 0, 0), 1);
  // Out of the bars: width scale 144 / 45.5625; then the turn is undone.
  const float w3 = 0.1f * 144.0f / 45.5625f;
  EXPECT_BOX(n, 0.75f, 0.5f, 0.2f, w3);

  const _PATH_INFO_ r270 = Record(0, 0, 270.0f);
  _PATH_NODE_ m = Box(0.5f, 0.25f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&m, &r270, Size(1920, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(m, 0.25f, 0.5f, 0.2f, w3);

  const _PATH_INFO_ r180 = Record(0, 0, 180.0f);
  _PATH_NODE_ k = Box(0.1f, 0.25f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&k, &r180, Size(1920, 1080), 90.0f, 0, 0), 1);
  // Undo 180: (0.9, 0.75); turn 90: (0.75, 0.1), sizes swapped, then the
  // 9:16 picture into a 16:9 target.
  const float s = 81.0f / 256.0f;
  EXPECT_BOX(k, 0.75f * s + (1.0f - s) / 2.0f, 0.1f, 0.2f * s, 0.1f);
}

TEST(NodeConversion, EqualTurnsSkipTheTurningStep) {
  // Undoing and redoing a turn would pass y through two mirrors, which
  // loses a value as small as 1e-9; skipping keeps it exactly.
  for (float angle : {90.0f, 180.0f, 270.0f}) {
    const _PATH_INFO_ rec = Record(0, 0, angle);
    MLVR_SIZE target = angle == 180.0f ? Size(1920, 1080) : Size(1080, 1920);
    _PATH_NODE_ n = Box(0.5f, 1e-9f, 0.1f, 0.2f);
    ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, target, angle, 0, 0), 1) << angle;
    EXPECT_EQ(n.fYPos, 1e-9f) << angle;
    EXPECT_EQ(n.fHeight, 0.2f) << angle;
  }
  // With different turns the mirror is taken in double and rounded to float.
  const _PATH_INFO_ rec = Record(0, 0, 0.0f);
  _PATH_NODE_ n = Box(1e-9f, 0.5f, 0.1f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1920, 1080), 180.0f, 0, 0), 1);
  EXPECT_EQ(n.fXPos, 1.0f);
}

TEST(NodeConversion, RelativeValuesAreDisplacements) {
  // A displacement at (0, 0) stays there through bars, turns and cover.
  const _PATH_INFO_ narrow = Record(0, 1);
  _PATH_NODE_ zero = Box(0.0f, 0.0f, 0.3f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&zero, &narrow, Size(1920, 1080), 270.0f, 1, 0), 1);
  // 4:3 out of the 16:9 bars: w 0.4; turned: (0.2, 0.4) as a 3:4 video;
  // into 16:9 with side bars: width scale 2430 / 5760.
  EXPECT_BOX(zero, 0.0f, 0.0f, 0.2f * 2430.0f / 5760.0f, 0.4f);
  _PATH_NODE_ zc = Box(0.0f, 0.0f, 0.3f, 0.2f);
  ASSERT_EQ(ConvertPathNodeInfo(&zc, &narrow, Size(1440, 1080), 180.0f, 1, 3), 1);
  EXPECT_BOX(zc, 0.0f, 0.0f, 0.4f, 0.2f);

  // A mirror of a displacement only flips its sign.
  const _PATH_INFO_ same = Record(0, 0);
  _PATH_NODE_ d = Box(0.1f, -0.2f, 0.05f, 0.05f);
  ASSERT_EQ(ConvertPathNodeInfo(&d, &same, Size(1920, 1080), 180.0f, 1, 0), 1);
  EXPECT_BOX(d, -0.1f, 0.2f, 0.05f, 0.05f);
  // Cover scales a displacement without moving it around the centre.
  _PATH_NODE_ c = Box(0.3f, 0.1f, 0.05f, 0.05f);
  ASSERT_EQ(ConvertPathNodeInfo(&c, &same, Size(1440, 1080), 0.0f, 1, 3), 1);
  EXPECT_BOX(c, 0.4f, 0.1f, 0.05f * 4.0f / 3.0f, 0.05f);
}

TEST(NodeConversion, DisplacementIsTheDifferenceOfConvertedPoints) {
  // Every step is affine with the same linear part for points and
  // displacements, so converting two points and subtracting must equal
  // converting their difference as a displacement.
  struct Frame {
    int32_t frame, video;
    float rotation;
  };
  const std::vector<Frame> frames = {{0, 0, 0.0f}, {0, 1, 90.0f}, {1, 0, 180.0f}, {1, 1, 270.0f}};
  const std::vector<MLVR_SIZE> targets = {Size(1920, 1080), Size(1440, 1080), Size(1080, 1920)};
  const float angles[] = {0.0f, 90.0f, 180.0f, 270.0f};
  const int32_t modes[] = {0, 1, 3};
  for (const Frame& f : frames) {
    const _PATH_INFO_ rec = Record(f.frame, f.video, f.rotation);
    for (MLVR_SIZE target : targets) {
      for (float angle : angles) {
        for (int32_t mode : modes) {
          _PATH_NODE_ a = Box(0.2f, 0.7f, 0.1f, 0.1f);
          _PATH_NODE_ b = Box(0.6f, 0.3f, 0.1f, 0.1f);
          _PATH_NODE_ d = Box(0.4f, -0.4f, 0.1f, 0.1f);
          ASSERT_EQ(ConvertPathNodeInfo(&a, &rec, target, angle, 0, mode), 1);
          ASSERT_EQ(ConvertPathNodeInfo(&b, &rec, target, angle, 0, mode), 1);
          ASSERT_EQ(ConvertPathNodeInfo(&d, &rec, target, angle, 1, mode), 1);
          SCOPED_TRACE(::testing::Message() << f.frame << f.video << " rot " << f.rotation
                                            << " to " << target.cx << "x" << target.cy << " "
                                            << angle << " mode " << mode);
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
  EXPECT_EQ(ConvertPathNodeInfo(&n, &rec, Size(0, 0), 90.0f, 1, 3), 0);
  EXPECT_EQ(RawBytes(n), RawBytes(before));

  // Shape kinds without numbers, and custom shapes with a zero side.
  for (int32_t kind : {3, -1, 100}) {
    _PATH_INFO_ badFrame = Record(kind, 0);
    _PATH_INFO_ badVideo = Record(0, kind);
    EXPECT_EQ(ConvertPathNodeInfo(&n, &badFrame, Size(1920, 1080), 0.0f, 0, 0), 0) << kind;
    EXPECT_EQ(ConvertPathNodeInfo(&n, &badVideo, Size(1920, 1080), 0.0f, 0, 1), 0) << kind;
  }
  for (auto wh : {std::make_pair(0, 1080), std::make_pair(1920, 0), std::make_pair(0, 0)}) {
    _PATH_INFO_ f = Record(2, 0);
    f.nFrameWidth = wh.first;
    f.nFrameHeight = wh.second;
    _PATH_INFO_ v = Record(0, 2);
    v.nVideoWidth = wh.first;
    v.nVideoHeight = wh.second;
    EXPECT_EQ(ConvertPathNodeInfo(&n, &f, Size(1920, 1080), 0.0f, 0, 0), 0);
    EXPECT_EQ(ConvertPathNodeInfo(&n, &v, Size(1920, 1080), 0.0f, 0, 0), 0);
  }
  // Sizes in the unused fields of a named kind do not matter.
  _PATH_INFO_ named = Record(0, 0);
  named.nFrameWidth = 0;
  named.nVideoHeight = 0;
  _PATH_NODE_ ok = before;
  EXPECT_EQ(ConvertPathNodeInfo(&ok, &named, Size(1920, 1080), 0.0f, 0, 0), 1);
  EXPECT_EQ(RawBytes(ok), RawBytes(before));

  // Products that wrap to zero would divide by zero: refused.
  _PATH_INFO_ wrap = Record(2, 2);
  wrap.nFrameWidth = 65536;
  wrap.nFrameHeight = 65536;
  wrap.nVideoWidth = 65536;
  wrap.nVideoHeight = 1000000;
  EXPECT_EQ(ConvertPathNodeInfo(&n, &wrap, Size(1920, 1080), 0.0f, 0, 0), 0);
  _PATH_INFO_ wrapTarget = Record(0, 2);
  wrapTarget.nVideoWidth = 65536;
  wrapTarget.nVideoHeight = 1;
  _PATH_INFO_ frameLikeVideo = wrapTarget;
  frameLikeVideo.nFrameAspect = 2;
  frameLikeVideo.nFrameWidth = 65536;
  frameLikeVideo.nFrameHeight = 1;
  EXPECT_EQ(ConvertPathNodeInfo(&n, &frameLikeVideo, Size(65536, 1 << 20), 0.0f, 0, 0), 0);
  EXPECT_EQ(RawBytes(n), RawBytes(before));
}

TEST(NodeConversion, ExtremeValuesStayDefined) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const _PATH_INFO_ rec = Record(0, 1);

  _PATH_NODE_ n = Box(nan, 0.5f, nan, 0.1f);
  ASSERT_EQ(ConvertPathNodeInfo(&n, &rec, Size(1440, 1080), 90.0f, 0, 3), 1);
  EXPECT_TRUE(std::isnan(n.fYPos));  // x went through the turn into y
  EXPECT_TRUE(std::isnan(n.fHeight));

  // A NaN turn equals nothing: the record's turn (none) is undone, the
  // target's (none) applied.
  _PATH_NODE_ t = Box(0.3f, 0.4f, 0.1f, 0.1f);
  ASSERT_EQ(ConvertPathNodeInfo(&t, &rec, Size(1440, 1080), nan, 0, 0), 1);
  EXPECT_BOX(t, 0.5f + (0.3f - 0.5f) * 4.0f / 3.0f, 0.4f, 0.1f * 4.0f / 3.0f, 0.1f);
  _PATH_INFO_ nanRec = Record(0, 0, nan);
  _PATH_NODE_ u = Box(0.3f, 0.4f, 0.1f, 0.1f);
  ASSERT_EQ(ConvertPathNodeInfo(&u, &nanRec, Size(1920, 1080), 0.0f, 0, 0), 1);
  EXPECT_BOX(u, 0.3f, 0.4f, 0.1f, 0.1f);

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

  // Extreme and negative sizes wrap in their products but never trap.
  const int32_t sizes[] = {INT32_MAX, INT32_MIN, -1, 1, -1920, 46341};
  for (int32_t w : sizes) {
    for (int32_t h : sizes) {
      _PATH_INFO_ custom = Record(2, 2, 90.0f);
      custom.nFrameWidth = w;
      custom.nFrameHeight = h;
      custom.nVideoWidth = h;
      custom.nVideoHeight = w;
      for (int32_t mode : {0, 1, 3}) {
        _PATH_NODE_ m = Box(0.5f, 0.5f, 0.1f, 0.1f);
        int32_t r = ConvertPathNodeInfo(&m, &custom, Size(w, h), 270.0f, 0, mode);
        EXPECT_TRUE(r == 0 || r == 1);
        _PATH_NODE_ k = Box(0.5f, 0.5f, 0.1f, 0.1f);
        r = ConvertPathNodeInfo(&k, &same, Size(h, w), 0.0f, 1, mode);
        EXPECT_TRUE(r == 0 || r == 1);
      }
    }
  }
}

TEST(NodeConversion, ExportConvertsLikeTheOperation) {
  const _PATH_INFO_ rec = Record(0, 0);
  _PATH_NODE_ n = Box(0.25f, 0.75f, 0.1f, 0.2f);
  ASSERT_EQ(Mlvr_PathInfo_ConvertPathNodeInfo(&n, &rec, Size(1080, 1920), 90.0f, 0, 0), 1);
  EXPECT_BOX(n, 0.75f, 0.75f, 0.2f, 0.1f);
  EXPECT_EQ(Mlvr_PathInfo_ConvertPathNodeInfo(nullptr, &rec, Size(1080, 1920), 90.0f, 0, 0), 0);
  EXPECT_EQ(Mlvr_PathInfo_ConvertPathNodeInfo(&n, &rec, Size(0, 1920), 90.0f, 0, 0), 0);
}

}  // namespace
}  // namespace mlvns
