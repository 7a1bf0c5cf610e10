#include "processing/node_lookup.h"

#include <algorithm>

#include "platform/trace.h"

namespace mlvns {

void SelectNodeAtFrame(const _PATH_INFO_& path, int32_t f, bool ascending, _PATH_NODE_* out) {
  const int32_t n = path.nTotalPathNodeNum;
  const _PATH_NODE_* nodes = path.pPathNodes;
  if (f <= nodes[0].nFrameIndex) {
    *out = nodes[0];
    return;
  }
  if (f >= nodes[n - 1].nFrameIndex) {
    *out = nodes[n - 1];
    return;
  }
  // Here N[0] lies before f and N[n-1] after it. Scanning on, every node
  // before the first one at or after f is a node before f, so that first
  // one decides: an exact match, or the node after with its predecessor as
  // the node before.
  int32_t i = 1;
  if (ascending) {
    // Tracked frames are mostly evenly spaced, so the node where f falls
    // by proportion is usually the one; checking it costs two loads.
    const int64_t span = int64_t{nodes[n - 1].nFrameIndex} - nodes[0].nFrameIndex;
    const int64_t into = int64_t{f} - nodes[0].nFrameIndex;
    const int32_t guess =
        std::min<int32_t>(n - 1, std::max<int32_t>(1, static_cast<int32_t>(
                                                           (into * (n - 1) + span - 1) / span)));
    // Uneven spacing mostly puts it one node off.
    const int32_t up = std::min(guess + 1, n - 1);
    const int32_t down = std::max(guess - 1, 1);
    if (nodes[guess].nFrameIndex >= f && nodes[guess - 1].nFrameIndex < f) {
      i = guess;
    } else if (nodes[guess].nFrameIndex < f && nodes[up].nFrameIndex >= f) {
      i = up;
    } else if (nodes[down].nFrameIndex >= f && nodes[down - 1].nFrameIndex < f) {
      i = down;
    } else {
      // The answer lies in [1, n-1] as N[n-1] is after f. Halving without
      // a branch to mispredict.
      const _PATH_NODE_* base = nodes + 1;
      int32_t len = n - 1;
      while (len > 1) {
        const int32_t half = len / 2;
        base += static_cast<int32_t>(base[half - 1].nFrameIndex < f) * half;
        len -= half;
      }
      i = static_cast<int32_t>(base - nodes);
    }
  } else {
    // Unrolled, as a host asks for every frame.
    for (; i + 8 <= n; i += 8) {
      const int32_t a = std::max(std::max(nodes[i].nFrameIndex, nodes[i + 1].nFrameIndex),
                                 std::max(nodes[i + 2].nFrameIndex, nodes[i + 3].nFrameIndex));
      const int32_t b = std::max(std::max(nodes[i + 4].nFrameIndex, nodes[i + 5].nFrameIndex),
                                 std::max(nodes[i + 6].nFrameIndex, nodes[i + 7].nFrameIndex));
      if (std::max(a, b) >= f) break;
    }
    while (nodes[i].nFrameIndex < f) ++i;
  }
  if (nodes[i].nFrameIndex == f) {
    *out = nodes[i];
    return;
  }
  const _PATH_NODE_* before = &nodes[i - 1];
  const _PATH_NODE_* after = &nodes[i];
  // Widened so that frames far apart cannot overflow.
  const int64_t d = int64_t{after->nFrameIndex} - before->nFrameIndex;
  if (d <= 0) return;
  const float t = static_cast<float>(int64_t{f} - before->nFrameIndex) / static_cast<float>(d);
  out->fXPos = (after->fXPos - before->fXPos) * t + before->fXPos;
  out->fYPos = (after->fYPos - before->fYPos) * t + before->fYPos;
  out->fWidth = (after->fWidth - before->fWidth) * t + before->fWidth;
  out->fHeight = (after->fHeight - before->fHeight) * t + before->fHeight;
}

bool FramesAscending(const _PATH_INFO_& path) {
  if (path.pPathNodes == nullptr) return false;
  for (int32_t i = 1; i < path.nTotalPathNodeNum; ++i)
    if (path.pPathNodes[i].nFrameIndex < path.pPathNodes[i - 1].nFrameIndex) return false;
  return true;
}

bool IsOwnFrame(const _PATH_INFO_& path, MLVR_SIZE target, float fTargetRotation) {
  if (!(fTargetRotation == path.fRotation)) return false;
  switch (path.nFrameAspect) {
    case 0:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 16.0 / 9.0)
        return false;
      Trace("  16:9");
      return true;
    case 1:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 4.0 / 3.0)
        return false;
      Trace("  4:3");
      return true;
    case 2:
      if (static_cast<float>(target.cx) / static_cast<float>(target.cy) !=
          static_cast<float>(path.nFrameWidth) / static_cast<float>(path.nFrameHeight))
        return false;
      Trace("  1:1");
      return true;
    default:
      return false;
  }
}

}  // namespace mlvns
