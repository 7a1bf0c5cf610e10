#include "processing/simplification.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "model/path_info_ops.h"
#include "model/records.h"
#include "platform/trace.h"

namespace mlvns {
namespace {

// A control point this far or less from the segment's middle still counts
// as a straight bezier segment.
constexpr double kCtrlTolerance = 0.01;
// Largest difference between the distance ratio and the time ratio of the
// two halves that still counts as evenly timed.
constexpr double kTimingTolerance = 0.06;
// A candidate closer than this to the segment from the last kept node to the
// next node lies on it.
constexpr double kLineTolerance = 0.01;
constexpr double kTiny = 1e-6;

double Distance(const _PATH_NODE_& a, const _PATH_NODE_& b) {
  const double dx = static_cast<double>(b.fXPos) - static_cast<double>(a.fXPos);
  const double dy = static_cast<double>(b.fYPos) - static_cast<double>(a.fYPos);
  return std::sqrt(dx * dx + dy * dy);
}

// The middle of a segment, computed in double and stored as float.
float Middle(float from, float to) {
  const double f = from;
  return static_cast<float>(f + (static_cast<double>(to) - f) * 0.5);
}

bool OffCentre(float middle, float ctrl) {
  return std::fabs(static_cast<double>(middle) - static_cast<double>(ctrl)) > kCtrlTolerance;
}

// A 32-bit frame difference that wraps instead of overflowing.
int32_t FrameDifference(int32_t later, int32_t earlier) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

// Tracing is a template argument so that the untraced pass carries no
// calls, and keeps its doubles in registers.
template <bool trace>
void Keep(const char* format, uint32_t b) {
  if (!trace) return;
  Trace(format, static_cast<int>(b));
  Trace("\r\n");
}

// The segment from `from` to `to` drawn by `from`'s kind; true when it runs
// straight. `first` tells the segment A to B from the segment B to C.
template <bool trace>
bool StraightSegment(const _PATH_NODE_& from, const _PATH_NODE_& to, bool first, uint32_t b) {
  switch (from.nPathType) {
    case 0:
      return true;
    case 1:
      if (OffCentre(Middle(from.fXPos, to.fXPos), from.fCtrlXPos)) {
        Keep<trace>(
             first ? "    ==>     keep nIdx: %d, bezier, 1 to 2 ctrl x is not at center"
                   : "    ==>     keep nIdx: %d, bezier, 2 to 3 ctrl x is not at center",
             b);
        return false;
      }
      if (OffCentre(Middle(from.fYPos, to.fYPos), from.fCtrlYPos)) {
        Keep<trace>(
             first ? "    ==>     keep nIdx: %d, bezier, 1 to 2 ctrl y is not at center"
                   : "    ==>     keep nIdx: %d, bezier, 2 to 3 ctrl y is not at center",
             b);
        return false;
      }
      return true;
    default:
      Keep<trace>("    ==>     keep nIdx: %d, node 1 or 2 is not linear", b);
      return false;
  }
}

// Distance from B to the segment AC, in the branch order the decision
// depends on. Heron's product is not clamped: rounding below zero gives NaN,
// which keeps B.
double PointToSegment(double dAB, double dAC, double dBC) {
  if (dBC <= kTiny || dAB <= kTiny) return 0.0;
  if (dAC <= kTiny) return dAB;
  if (dBC * dBC >= dAC * dAC + dAB * dAB) return dAB;
  if (dAB * dAB >= dAC * dAC + dBC * dBC) return dBC;
  const double s = (dAB + dAC + dBC) * 0.5;
  const double q = ((s - dAC) * s) * (s - dAB) * (s - dBC);
  return 2.0 * std::sqrt(q) / dAC;
}

// The tests of one window, in their order; true when B can go.
template <bool trace>
bool Droppable(const _PATH_NODE_& A, const _PATH_NODE_& B, const _PATH_NODE_& C, uint32_t b) {
  if (!(A.fWidth == B.fWidth && A.fWidth == C.fWidth && B.fWidth == C.fWidth &&
        A.fHeight == B.fHeight && A.fHeight == C.fHeight && B.fHeight == C.fHeight)) {
    Keep<trace>("    ==>     keep nIdx: %d, object width/height is different", b);
    return false;
  }
  if (!StraightSegment<trace>(A, B, true, b)) return false;
  if (!StraightSegment<trace>(B, C, false, b)) return false;

  const double dAC = Distance(A, C);
  const double dAB = Distance(A, B);
  const double dBC = Distance(B, C);
  if (dAB > dAC || dBC > dAC) {
    Keep<trace>("    ==>     keep nIdx: %d, (x0,y0) is not between (x1,y1) and (x2,y2)", b);
    return false;
  }

  const bool stillAB = dAB == 0.0;
  const bool stillBC = dBC == 0.0;
  if (stillAB != stillBC) {
    Keep<trace>(
         "    ==>     keep nIdx: %d because timing is not stable, two frame stay at the same "
         "position",
         b);
    return false;
  }
  if (!stillAB) {
    const double dRatioOfDistance = dBC / dAB;
    const double dRatioOfTime =
        static_cast<double>(FrameDifference(C.nFrameIndex, B.nFrameIndex)) /
        static_cast<double>(FrameDifference(B.nFrameIndex, A.nFrameIndex));
    const double dDiff = std::fabs(dRatioOfDistance - dRatioOfTime);
    if constexpr (trace) {
      Trace("    dRatioOfDistance: %f, dRatioOfTime: %f, dDiff: %f", dRatioOfDistance, dRatioOfTime,
            dDiff);
    }
    if (dDiff > kTimingTolerance) {
      Keep<trace>("    ==>     keep nIdx: %d because timing is not stable, dDiff > 0.06", b);
      return false;
    }
  }

  const double dPt2Ln = PointToSegment(dAB, dAC, dBC);
  if constexpr (trace) Trace("    dPt2Ln: %f", dPt2Ln);
  return dPt2Ln < kLineTolerance;
}

// The one pass over the windows; the indices of dropped nodes go to `drops`.
// The kept list only ever loses its second window entry, so the window is
// the last kept node A and the next two nodes of the array.
template <bool trace>
void Pass(_PATH_NODE_* nodes, uint32_t count, CUIntArray& drops) {
  uint32_t a = 0;
  for (uint32_t b = 1; b + 1 < count; ++b) {
    const uint32_t c = b + 1;
    if constexpr (trace) {
      Trace("(%d, %d, %d)", static_cast<int>(a), static_cast<int>(b), static_cast<int>(c));
    }
    if (!Droppable<trace>(nodes[a], nodes[b], nodes[c], b)) {
      a = b;
      continue;
    }
    drops.m_pData[drops.m_nSize++] = b;
    _PATH_NODE_& A = nodes[a];
    if (A.nPathType == 1) {
      A.fCtrlXPos = Middle(A.fXPos, nodes[c].fXPos);
      A.fCtrlYPos = Middle(A.fYPos, nodes[c].fYPos);
    }
    if constexpr (trace) {
      Trace("    ==> drop nIdx: %d", static_cast<int>(b));
      Trace("\r\n");
    }
  }
}

}  // namespace

// Leaves out the dropped nodes (ascending indices) with the outcome of
// cloning the record onto itself with the drop list, without the full
// temporary copy that clone makes: for a long path that copy would cost more
// than the whole pass. Only records of this library's own size take this
// road; any other size goes through the clone itself, whose partial record
// copies decide what such a record keeps.
void RebuildWithout(_PATH_INFO_* p, const CUIntArray& drops) {
  if (p->dwSize != kPathInfoSize) {
    PathInfo_Clone(p, p, 0, &drops);
    return;
  }
  const int32_t n = p->nTotalPathNodeNum;
  const int32_t count = n - static_cast<int32_t>(drops.m_nSize);
  _PATH_NODE_* old = p->pPathNodes;
  // When at least half stays, the kept nodes move down in their own array:
  // a fresh array of a million nodes costs more in page faults than the
  // whole pass, and at most half of the old one is left unused.
  const bool inPlace = count >= n - count;
  _PATH_NODE_* nodes = inPlace ? old : NewNodes(static_cast<size_t>(count));
  if (nodes == nullptr) return;
  intptr_t next = 0;
  int32_t out = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (next < drops.m_nSize && drops.m_pData[next] == static_cast<uint32_t>(i)) {
      ++next;
      continue;
    }
    if (old[i].dwSize == sizeof(_PATH_NODE_)) {
      // What the guarded copy into a fresh node does for a node of our size.
      if (&nodes[out] != &old[i]) std::memcpy(&nodes[out], &old[i], sizeof(_PATH_NODE_));
    } else {
      _PATH_NODE_ fresh;
      CopyNodeGuarded(&fresh, &old[i]);
      nodes[out] = fresh;
    }
    ++out;
  }
  if (!inPlace) DeleteNodes(old);
  p->pPathNodes = nodes;
  p->nTotalPathNodeNum = count;
  // Clone re-creates the extra node by the guarded copy, and forgets a
  // pointer that the flag does not own.
  if (p->bHasExtraNode != 0 && p->pExtraNode != nullptr) {
    _PATH_NODE_ extra;
    CopyNodeGuarded(&extra, p->pExtraNode);
    *p->pExtraNode = extra;
  } else if (p->bHasExtraNode == 0) {
    p->pExtraNode = nullptr;
  }
  PathInfo_AssignTimeStamp(p);
}

int32_t LinearRegressionPathInfo(_PATH_INFO_* pPathInfo) {
  if (pPathInfo == nullptr) return 0;
  const bool trace = TraceEnabled();
  if (trace) Trace("sfnLinearRegressionPathInfo");

  const int32_t n = pPathInfo->nTotalPathNodeNum;
  _PATH_NODE_* nodes = pPathInfo->pPathNodes;
  if (n < 3 || nodes == nullptr) return 1;

  // The drop list can hold every candidate, so the pass allocates nothing.
  CUIntArray drops;
  const size_t candidates = static_cast<size_t>(n) - 2;
  drops.m_pData = static_cast<uint32_t*>(std::malloc(candidates * sizeof(uint32_t)));
  if (drops.m_pData == nullptr) return 1;
  drops.m_nMaxSize = static_cast<intptr_t>(candidates);

  const uint32_t count = static_cast<uint32_t>(n);
  if (trace) {
    Pass<true>(nodes, count, drops);
  } else {
    Pass<false>(nodes, count, drops);
  }

  if (drops.m_nSize > 0) RebuildWithout(pPathInfo, drops);
  return 1;
}

}  // namespace mlvns
