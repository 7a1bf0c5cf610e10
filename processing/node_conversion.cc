#include "processing/node_conversion.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace mlvns {
namespace {

struct Shape {
  int32_t w = 0;
  int32_t h = 0;
};

// Shape numbers of an aspect kind; false for a kind without numbers or a
// custom shape with a zero side (it would divide by zero).
bool ShapeOf(int32_t kind, int32_t width, int32_t height, Shape* out) {
  switch (kind) {
    case 0:
      *out = {16, 9};
      return true;
    case 1:
      *out = {4, 3};
      return true;
    case 2:
      if (width == 0 || height == 0) return false;
      *out = {width, height};
      return true;
    default:
      return false;
  }
}

// Products of shape numbers are 32-bit products; they wrap instead of
// overflowing into undefined behaviour.
int32_t Mul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

float F(int32_t v) { return static_cast<float>(v); }

// Double to float as the hardware rounds it, without the undefined cast of
// a value beyond the float range: past the halfway point above FLT_MAX it
// becomes infinity, below it FLT_MAX.
float ToFloat(double v) {
  if (std::isnan(v) || std::fabs(v) <= static_cast<double>(FLT_MAX)) return static_cast<float>(v);
  const double halfway = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
  const float big = std::fabs(v) < halfway ? FLT_MAX : std::numeric_limits<float>::infinity();
  return v < 0 ? -big : big;
}

struct Box {
  float x, y, w, h;
};

class Converter {
 public:
  explicit Converter(bool relative) : relative_(relative) {}

  // The mirror 1 - v is taken in double; displacements only change sign.
  float Mirror(float v) const {
    if (relative_) return -v;
    return ToFloat(1.0 - static_cast<double>(v));
  }
  float Offset(float v) const { return relative_ ? 0.0f : v; }
  bool relative() const { return relative_; }

 private:
  bool relative_;
};

// Turns by `angle` degrees; `undo` reverses the turn. Anything but 90, 180
// or 270 is no turn.
void Turn(const Converter& c, float angle, bool undo, Box* b, Shape* video) {
  bool quarter = angle == 90.0f || angle == 270.0f;
  if (quarter) {
    // A quarter turn one way equals three quarters the other way.
    bool leftward = (angle == 90.0f) == undo;
    Box t = *b;
    if (leftward) {
      b->x = c.Mirror(t.y);
      b->y = t.x;
    } else {
      b->x = t.y;
      b->y = c.Mirror(t.x);
    }
    b->w = t.h;
    b->h = t.w;
    std::swap(video->w, video->h);
  } else if (angle == 180.0f) {
    b->x = c.Mirror(b->x);
    b->y = c.Mirror(b->y);
  }
}

}  // namespace

int32_t ConvertPathNodeInfo(_PATH_NODE_* pNode, const _PATH_INFO_* pPathInfo, MLVR_SIZE szTarget,
                            float fTargetRotation, MLVR_BOOL bRelative, int32_t nMode) {
  if (pNode == nullptr || pPathInfo == nullptr) return 0;
  const int32_t W = szTarget.cx;
  const int32_t H = szTarget.cy;
  if (W == 0 || H == 0) return 0;

  Shape frame, video;
  if (!ShapeOf(pPathInfo->nFrameAspect, pPathInfo->nFrameWidth, pPathInfo->nFrameHeight, &frame))
    return 0;
  if (!ShapeOf(pPathInfo->nVideoAspect, pPathInfo->nVideoWidth, pPathInfo->nVideoHeight, &video))
    return 0;
  const float rotation = pPathInfo->fRotation;
  // The turned video stands in the tracking frame with its sides exchanged.
  if (rotation == 90.0f || rotation == 270.0f) std::swap(video.w, video.h);

  const Converter c(bRelative != 0);
  Box b{pNode->fXPos, pNode->fYPos, pNode->fWidth, pNode->fHeight};

  // Out of the tracking frame, where the video is fitted with bars. Every
  // divisor is checked: a product that wrapped to zero is refused rather
  // than divided by.
  const float rS = F(frame.w) / F(frame.h);
  const float rV = F(video.w) / F(video.h);
  if (rS > rV) {
    const float X = F(Mul(video.w, frame.h)) / F(video.h) * F(video.w);
    const float P = F(Mul(video.w, frame.w));
    if (X == 0.0f) return 0;
    const float off = c.Offset((P - X) * 0.5f);
    b.w = (P * b.w) / X;
    b.x = (P * b.x - off) / X;
  } else if (rV > rS) {
    const float Y = F(Mul(video.h, frame.w)) / F(video.w) * F(video.h);
    const float P = F(Mul(video.h, frame.h));
    if (Y == 0.0f) return 0;
    const float off = c.Offset((P - Y) * 0.5f);
    b.h = (P * b.h) / Y;
    b.y = (P * b.y - off) / Y;
  }

  if (rotation != fTargetRotation) {
    Turn(c, rotation, /*undo=*/true, &b, &video);
    Turn(c, fTargetRotation, /*undo=*/false, &b, &video);
  }

  // Into the target frame.
  const int32_t targetByVideoW = Mul(H, video.w);
  const int32_t targetByVideoH = Mul(W, video.h);
  if (nMode == 1) {
    // Normalised to the video itself.
  } else if (nMode == 3) {
    if (targetByVideoW > targetByVideoH) {
      if (targetByVideoH == 0) return 0;
      const double k = static_cast<double>(targetByVideoW) / static_cast<double>(targetByVideoH);
      b.w = ToFloat(static_cast<double>(b.w) * k);
      b.x = c.relative() ? ToFloat(static_cast<double>(b.x) * k)
                         : ToFloat((static_cast<double>(b.x) - 0.5) * k + 0.5);
    } else if (targetByVideoW < targetByVideoH) {
      if (targetByVideoW == 0) return 0;
      const double k = static_cast<double>(targetByVideoH) / static_cast<double>(targetByVideoW);
      b.h = ToFloat(static_cast<double>(b.h) * k);
      b.y = c.relative() ? ToFloat(static_cast<double>(b.y) * k)
                         : ToFloat((static_cast<double>(b.y) - 0.5) * k + 0.5);
    }
  } else {
    if (targetByVideoH > targetByVideoW) {
      const float X = F(targetByVideoW) / F(video.h) * F(video.w);
      const float D = F(Mul(video.w, W));
      if (D == 0.0f) return 0;
      const float off = c.Offset((D - X) * 0.5f);
      b.w = (X * b.w) / D;
      b.x = (X * b.x + off) / D;
    } else if (targetByVideoH < targetByVideoW) {
      const float Y = F(targetByVideoH) / F(video.w) * F(video.h);
      const float D = F(Mul(H, video.h));
      if (D == 0.0f) return 0;
      const float off = c.Offset((D - Y) * 0.5f);
      b.h = (Y * b.h) / D;
      b.y = (Y * b.y + off) / D;
    }
  }

  pNode->fXPos = b.x;
  pNode->fYPos = b.y;
  pNode->fWidth = b.w;
  pNode->fHeight = b.h;
  return 1;
}

}  // namespace mlvns
