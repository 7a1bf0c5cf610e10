#include "tools/mlvr/demo_tracks.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace mlvr {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Box {
  double x, y, w, h;  // centre and size, normalised, y upward
};

// Object 1: left to right along a straight line, then a turn upward at
// even speed, coming nearer the camera (its box grows) as it turns.
Box CarAt(int32_t frame) {
  const double speed = 0.5 / kDemoTurnFrame;  // frame widths per frame
  if (frame < kDemoTurnFrame) return {0.1 + speed * frame, 0.3, 0.08, 0.12};
  const double radius = 0.25;
  const double angle = speed * (frame - kDemoTurnFrame) / radius;  // radians
  const double grow = 1.0 + 0.004 * (frame - kDemoTurnFrame);
  return {0.6 + radius * std::sin(angle), 0.3 + radius * (1.0 - std::cos(angle)), 0.08 * grow,
          0.12 * grow};
}

// Object 2: one turn round a circle in the upper left; the tracker's box
// changes size every 25 frames as the object turns towards the camera and
// away again.
Box BallAt(int32_t frame) {
  const double angle = 2.0 * kPi * frame / kDemoFrames;
  const double size = (frame / 25) % 2 == 0 ? 1.0 : 1.2;
  return {0.3 + 0.15 * std::cos(angle), 0.7 + 0.2 * std::sin(angle), 0.05 * size, 0.09 * size};
}

_PATH_NODE_ NodeOf(int32_t frame, const Box& b) {
  _PATH_NODE_ n{};
  n.nFrameIndex = frame;
  n.fConfidence = 0.9f;
  n.fXPos = static_cast<float>(b.x);
  n.fYPos = static_cast<float>(b.y);
  n.fWidth = static_cast<float>(b.w);
  n.fHeight = static_cast<float>(b.h);
  return n;
}

_PATH_INFO_* NewPath(const DemoClip& clip, uint32_t object) {
  _PATH_INFO_* p = new _PATH_INFO_[1];
  p->dwMatchKey1 = object;
  p->dwMatchKey2 = 1;  // tracker pass family
  p->dwMatchKey3 = 0;
  std::strncpy(p->szAssociateFile, clip.mediaFile.c_str(), sizeof p->szAssociateFile - 1);
  p->qwAssociateFileSize = clip.mediaSize;
  p->nVideoWidth = p->nFrameWidth = 1920;
  p->nVideoHeight = p->nFrameHeight = 1080;
  p->nVideoAspect = p->nFrameAspect = 0;  // 16:9
  Mlvr_PathInfo_AssignGUID(p);
  Mlvr_PathInfo_AssignTimeStamp(p);
  return p;
}

void AppendNodes(_PATH_INFO_* p, const std::vector<_PATH_NODE_>& nodes) {
  Mlvr_PathInfo_PathNodeAppend(p, nodes.data(), static_cast<int32_t>(nodes.size()), 1);
  p->nPathInIndex = nodes.front().nFrameIndex;
  p->nPathOutIndex = nodes.back().nFrameIndex;
}

}  // namespace

List MakeDemoTracks(const DemoClip& clip) {
  List list(new _PATH_INFO_ARRAY_());
  for (uint32_t object = 1; object <= 2; ++object) {
    _PATH_INFO_* p = NewPath(clip, object);
    std::vector<_PATH_NODE_> nodes;
    for (int32_t f = 0; f < kDemoFrames; ++f)
      nodes.push_back(NodeOf(f, object == 1 ? CarAt(f) : BallAt(f)));
    AppendNodes(p, nodes);
    if (Mlvr_PathInfoArray_Add(list.ref(), p) != 1) {
      Mlvr_PathInfo_FreeInfos(&p, 1);
      throw Failure("cannot build the demo paths");
    }
  }
  return list;
}

_PATH_INFO_* MakeRetrackedRun(const _PATH_INFO_& original, int32_t firstFrame) {
  DemoClip clip{FieldText(original.szAssociateFile, sizeof original.szAssociateFile),
                original.qwAssociateFileSize};
  _PATH_INFO_* run = NewPath(clip, original.dwMatchKey1);
  run->dwMatchKey2 = original.dwMatchKey2;
  run->dwMatchKey3 = original.dwMatchKey3;
  std::vector<_PATH_NODE_> nodes;
  for (int32_t f = firstFrame; f < kDemoFrames; ++f) {
    Box b = CarAt(f);
    b.y += 0.02;  // the second pass sits the box a little higher
    nodes.push_back(NodeOf(f, b));
  }
  AppendNodes(run, nodes);
  return run;
}

void FreeRun(_PATH_INFO_* run) { Mlvr_PathInfo_FreeInfos(&run, 1); }

}  // namespace mlvr
