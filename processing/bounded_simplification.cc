#include "processing/bounded_simplification.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "processing/simplification.h"

namespace mlvns {
namespace {

constexpr uint8_t kPinned = 1;
constexpr uint8_t kUnordered = 2;

// Pixels per unit of the node's fractions.
struct Scale {
  double x;
  double y;
};

// Left, right, bottom and top edges in pixels. Each is linear in the node's
// values, so interpolating boxes interpolates edges.
inline void EdgesOf(const _PATH_NODE_& n, const Scale& s, double* e) {
  const double x = n.fXPos, y = n.fYPos;
  const double hw = 0.5 * static_cast<double>(n.fWidth);
  const double hh = 0.5 * static_cast<double>(n.fHeight);
  e[0] = (x - hw) * s.x;
  e[1] = (x + hw) * s.x;
  e[2] = (y - hh) * s.y;
  e[3] = (y + hh) * s.y;
}

// What the lookup's single-precision interpolation may add near this node,
// in pixels; kept out of the tolerance so that its answers stay in bound.
inline double Slack(const _PATH_NODE_& n, const Scale& s) {
  return 8.0 * FLT_EPSILON *
         ((std::fabs(n.fXPos) + std::fabs(n.fWidth)) * s.x +
          (std::fabs(n.fYPos) + std::fabs(n.fHeight)) * s.y);
}

inline bool Finite(const _PATH_NODE_& n) {
  return std::isfinite(n.fXPos) && std::isfinite(n.fYPos) && std::isfinite(n.fWidth) &&
         std::isfinite(n.fHeight);
}

// Calls onEnd(b, valid) for b = a + 1, a + 2, ... up to q, where valid says
// that the straight segment from a to b keeps every node between them
// within `tol` on all four edges. Per edge, each node between narrows the
// cone of slopes the segment may take; once a cone is empty no further b can
// be valid and the scan ends. Written out per edge, without early exits, so
// that the loop stays in registers.
template <class OnEnd>
void ScanFrom(const _PATH_NODE_* nodes, int32_t a, int32_t q, const Scale& s, double tol,
              OnEnd&& onEnd) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double ea[4];
  EdgesOf(nodes[a], s, ea);
  const int64_t fa = nodes[a].nFrameIndex;
  double lo0 = -kInf, lo1 = -kInf, lo2 = -kInf, lo3 = -kInf;
  double hi0 = kInf, hi1 = kInf, hi2 = kInf, hi3 = kInf;
  for (int32_t j = a + 1;; ++j) {
    double e[4];
    EdgesOf(nodes[j], s, e);
    const double inv = 1.0 / static_cast<double>(nodes[j].nFrameIndex - fa);
    const double d0 = e[0] - ea[0], d1 = e[1] - ea[1], d2 = e[2] - ea[2], d3 = e[3] - ea[3];
    const double s0 = d0 * inv, s1 = d1 * inv, s2 = d2 * inv, s3 = d3 * inv;
    onEnd(j, (s0 >= lo0) & (s0 <= hi0) & (s1 >= lo1) & (s1 <= hi1) & (s2 >= lo2) & (s2 <= hi2) &
                 (s3 >= lo3) & (s3 <= hi3));
    if (j == q) break;
    const double r = (tol - Slack(nodes[j], s)) * inv;
    lo0 = std::max(lo0, s0 - r), hi0 = std::min(hi0, s0 + r);
    lo1 = std::max(lo1, s1 - r), hi1 = std::min(hi1, s1 + r);
    lo2 = std::max(lo2, s2 - r), hi2 = std::min(hi2, s2 + r);
    lo3 = std::max(lo3, s3 - r), hi3 = std::min(hi3, s3 + r);
    if (!((lo0 <= hi0) & (lo1 <= hi1) & (lo2 <= hi2) & (lo3 <= hi3))) break;
  }
}

// The three furthest valid ends from a, furthest first (-1 where fewer).
struct Reach {
  int32_t best, second, third;
};

Reach ReachFrom(const _PATH_NODE_* nodes, int32_t a, int32_t q, const Scale& s, double tol) {
  Reach reach{a + 1, -1, -1};
  ScanFrom(nodes, a, q, s, tol, [&reach](int32_t j, bool valid) {
    // Without a branch: whether an end is valid is as good as random.
    const bool take = valid & (j > reach.best);
    reach.third = take ? reach.second : reach.third;
    reach.second = take ? reach.best : reach.second;
    reach.best = take ? j : reach.best;
  });
  return reach;
}

// Up to this many nodes between two pinned nodes, and while the scans read
// at most kExactSteps nodes per node, the kept nodes are the fewest
// possible: a shortest path over every valid segment. Its cost grows with
// the nodes times the segment length, so long spans and long segments take
// the look-ahead pass instead.
constexpr int32_t kExactUpTo = 4096;
constexpr int64_t kExactSteps = 64;

// Calls onSegment(a, b) for the segments between the kept nodes of [p, q],
// in order; each is valid. The look-ahead pass calls it as it goes, while
// the nodes are still in the cache.
template <class OnSegment>
void KeepWithin(const _PATH_NODE_* nodes, int32_t p, int32_t q, const Scale& s, double tol,
                OnSegment&& onSegment) {
  if (q - p <= kExactUpTo) {
    std::vector<int32_t> hops(static_cast<size_t>(q - p + 1), q - p + 1), from(hops.size(), p);
    hops[0] = 0;
    int64_t steps = 0;
    const int64_t budget = kExactSteps * (q - p);
    for (int32_t a = p; a < q && steps <= budget; ++a) {
      const int32_t h = hops[a - p] + 1;
      ScanFrom(nodes, a, q, s, tol, [&](int32_t j, bool valid) {
        ++steps;
        if (valid && h < hops[j - p]) hops[j - p] = h, from[j - p] = a;
      });
    }
    if (steps <= budget) {
      std::vector<int32_t> kept(static_cast<size_t>(hops[q - p]) + 1, p);
      for (int32_t b = q, k = hops[q - p]; k > 0; b = from[b - p], --k) kept[k] = b;
      for (size_t k = 1; k < kept.size(); ++k) onSegment(kept[k - 1], kept[k]);
      return;
    }
  }
  // Longer: of the three furthest nodes a segment can reach, the one from
  // which the next segment reaches furthest; much closer to the fewest
  // nodes than always taking the furthest, as kept nodes keep their jitter.
  Reach here = ReachFrom(nodes, p, q, s, tol);
  for (int32_t a = p; a < q;) {
    int32_t b = here.best;
    Reach next{q, -1, -1};
    if (b < q) {
      next = ReachFrom(nodes, b, q, s, tol);
      for (int32_t c : {here.second, here.third}) {
        if (c <= a) continue;
        const Reach after = ReachFrom(nodes, c, q, s, tol);
        if (after.best > next.best) next = after, b = c;
      }
    }
    onSegment(a, b);
    a = b;
    here = next;
  }
}

// The largest edge difference, in pixels, between the nodes strictly
// between a and b and the straight segment from a to b.
double Deviation(const _PATH_NODE_* nodes, int32_t a, int32_t b, const Scale& s) {
  double ea[4], eb[4], ei[4];
  EdgesOf(nodes[a], s, ea);
  EdgesOf(nodes[b], s, eb);
  const double span = static_cast<double>(int64_t{nodes[b].nFrameIndex} - nodes[a].nFrameIndex);
  double worst = 0.0;
  for (int32_t i = a + 1; i < b; ++i) {
    EdgesOf(nodes[i], s, ei);
    const double t =
        static_cast<double>(int64_t{nodes[i].nFrameIndex} - nodes[a].nFrameIndex) / span;
    for (int k = 0; k < 4; ++k)
      worst = std::max(worst, std::fabs(ea[k] + (eb[k] - ea[k]) * t - ei[k]));
  }
  return worst;
}

float Middle(float from, float to) {
  const double f = from;
  return static_cast<float>(f + (static_cast<double>(to) - f) * 0.5);
}

// Marks the nodes that must stay and may not be spanned by a new segment.
std::vector<uint8_t> Pins(const _PATH_NODE_* nodes, int32_t n, BoundedSimplification* out) {
  std::vector<uint8_t> pin(static_cast<size_t>(n), 0);
  pin[0] = pin[n - 1] = kPinned;
  for (int32_t i = 0; i < n; ++i) {
    const _PATH_NODE_& node = nodes[i];
    // A segment drawn some other way than straight or bezier stays as it is.
    if (node.nPathType != 0 && node.nPathType != 1) {
      pin[i] |= kPinned;
      if (i + 1 < n) pin[i + 1] |= kPinned;
    }
    // Interpolating to or from such a node gives no box at all.
    if (!Finite(node)) {
      ++out->keptNonFinite;
      pin[i] |= kPinned;
      if (i > 0) pin[i - 1] |= kPinned;
      if (i + 1 < n) pin[i + 1] |= kPinned;
    }
    // Out of order, the lookup's answer between them is not an interpolation.
    if (i > 0 && node.nFrameIndex <= nodes[i - 1].nFrameIndex) {
      pin[i - 1] |= kPinned | kUnordered;
      pin[i] |= kPinned | kUnordered;
    }
  }
  for (uint8_t p : pin) out->keptUnordered += (p & kUnordered) != 0;
  return pin;
}

}  // namespace

bool OwnFrameSize(const _PATH_INFO_& path, int32_t* width, int32_t* height) {
  switch (path.nFrameAspect) {
    case 0:
      *width = 1920;
      *height = 1080;
      return true;
    case 1:
      *width = 1440;
      *height = 1080;
      return true;
    case 2:
      if (path.nFrameWidth <= 0 || path.nFrameHeight <= 0) return false;
      *width = path.nFrameWidth;
      *height = path.nFrameHeight;
      return true;
    default:
      return false;
  }
}

BoundedSimplification SimplifyWithinBound(_PATH_INFO_* path, double maxErrorPixels, double width,
                                          double height) {
  if (!(maxErrorPixels > 0.0) || !std::isfinite(maxErrorPixels))
    throw std::invalid_argument("the largest error must be a positive, finite number of pixels");
  if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height))
    throw std::invalid_argument("the frame size must be positive and finite");
  if (path == nullptr) throw std::invalid_argument("no path was given");
  const int32_t n = path->nTotalPathNodeNum;
  if (n < 0) throw std::invalid_argument("the path's node count is negative");

  BoundedSimplification out;
  out.nodesBefore = out.nodesAfter = n;
  if (n < 3) return out;
  _PATH_NODE_* nodes = path->pPathNodes;
  if (nodes == nullptr) throw std::invalid_argument("the path has a node count but no nodes");

  const Scale scale{width, height};
  const std::vector<uint8_t> pin = Pins(nodes, n, &out);

  CUIntArray drops;
  const size_t room = static_cast<size_t>(n) - 2;
  drops.m_pData = static_cast<uint32_t*>(std::malloc(room * sizeof(uint32_t)));
  if (drops.m_pData == nullptr) throw std::bad_alloc();
  drops.m_nMaxSize = static_cast<intptr_t>(room);

  int32_t p = 0;
  while (p < n - 1) {
    int32_t q = p + 1;
    while (pin[q] == 0) ++q;
    KeepWithin(nodes, p, q, scale, maxErrorPixels, [&](int32_t a, int32_t b) {
      if (b == a + 1) return;
      out.largestDeviation = std::max(out.largestDeviation, Deviation(nodes, a, b, scale));
      for (int32_t i = a + 1; i < b; ++i) drops.m_pData[drops.m_nSize++] = static_cast<uint32_t>(i);
      nodes[a].fCtrlXPos = Middle(nodes[a].fXPos, nodes[b].fXPos);
      nodes[a].fCtrlYPos = Middle(nodes[a].fYPos, nodes[b].fYPos);
    });
    p = q;
  }

  if (drops.m_nSize > 0) {
    RebuildWithout(path, drops);
    out.nodesAfter = path->nTotalPathNodeNum;
  }
  return out;
}

}  // namespace mlvns
