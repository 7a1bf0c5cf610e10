#include "processing/bounded_simplification.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
// Where the compiler can build one function for AVX and the processor is
// asked at run time, the look-ahead scan takes all four edges in one
// vector. Not on Windows: GCC there cannot align the stack for AVX spills.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#define MOLVAREN_AVX_SCAN 1
#include <immintrin.h>
#endif

#include "processing/node_lookup.h"
#include "processing/simplification.h"

namespace mlvns {
namespace {

constexpr uint8_t kPinned = 1;
constexpr uint8_t kUnordered = 2;

#ifdef MOLVAREN_AVX_SCAN
bool HasAvx() { return __builtin_cpu_supports("avx"); }
#endif

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

// The lookup interpolates in single precision: between a and b, at a node
// k, its answer is off by less than about 2 float steps of the edges of a
// and of k (t, b - a and the sum each round once). Four times that, from
// the sums of the edges' magnitudes in pixels, is the band in which the
// slope cones alone cannot tell whether the answer stays within the bound.
constexpr double kBandPerPixel = 8.0 * FLT_EPSILON;

// 1 / k for the frame steps a scan mostly meets, so that a step needs no
// division.
constexpr int32_t kReciprocals = 1024;
const double* Reciprocals() {
  static const std::vector<double> table = [] {
    std::vector<double> t(kReciprocals, 0.0);
    for (int32_t k = 1; k < kReciprocals; ++k) t[static_cast<size_t>(k)] = 1.0 / k;
    return t;
  }();
  return table.data();
}

inline bool Finite(const _PATH_NODE_& n) {
  return std::isfinite(n.fXPos) && std::isfinite(n.fYPos) && std::isfinite(n.fWidth) &&
         std::isfinite(n.fHeight);
}

static_assert(offsetof(_PATH_NODE_, fYPos) == offsetof(_PATH_NODE_, fXPos) + 4 &&
                  offsetof(_PATH_NODE_, fWidth) == offsetof(_PATH_NODE_, fXPos) + 8 &&
                  offsetof(_PATH_NODE_, fHeight) == offsetof(_PATH_NODE_, fXPos) + 12,
              "a node's box is four floats in a row");

#if defined(__SSE2__) || defined(_M_X64)
// Two edges of a box side by side: left and bottom, or right and top.
struct Pair {
  __m128d v;
};
// The box's x, y, width and height are read as one vector.
inline void Edges(const _PATH_NODE_& n, Pair scale, Pair* low, Pair* high) {
  const __m128 box = _mm_loadu_ps(&n.fXPos);
  const __m128d centre = _mm_cvtps_pd(box);
  const __m128d half = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(box, box)), _mm_set1_pd(0.5));
  low->v = _mm_mul_pd(_mm_sub_pd(centre, half), scale.v);
  high->v = _mm_mul_pd(_mm_add_pd(centre, half), scale.v);
}
inline Pair Both(double x, double y) { return {_mm_set_pd(y, x)}; }
inline Pair Sub(Pair a, Pair b) { return {_mm_sub_pd(a.v, b.v)}; }
inline Pair Add(Pair a, Pair b) { return {_mm_add_pd(a.v, b.v)}; }
inline Pair Mul(Pair a, double k) { return {_mm_mul_pd(a.v, _mm_set1_pd(k))}; }
inline Pair Max(Pair a, Pair b) { return {_mm_max_pd(a.v, b.v)}; }
inline Pair Min(Pair a, Pair b) { return {_mm_min_pd(a.v, b.v)}; }
inline Pair Splat(double k) { return {_mm_set1_pd(k)}; }
inline Pair Abs(Pair a) { return {_mm_andnot_pd(_mm_set1_pd(-0.0), a.v)}; }
inline double First(Pair a) { return _mm_cvtsd_f64(a.v); }
inline double Second(Pair a) { return _mm_cvtsd_f64(_mm_unpackhi_pd(a.v, a.v)); }
// Both lanes of x in [lo, hi] and of y in [ylo, yhi].
inline bool Inside(Pair x, Pair lo, Pair hi, Pair y, Pair ylo, Pair yhi) {
  const __m128d in = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(x.v, lo.v), _mm_cmple_pd(x.v, hi.v)),
                                _mm_and_pd(_mm_cmpge_pd(y.v, ylo.v), _mm_cmple_pd(y.v, yhi.v)));
  return _mm_movemask_pd(in) == 3;
}
inline bool Open(Pair lo, Pair hi, Pair ylo, Pair yhi) {
  return _mm_movemask_pd(_mm_or_pd(_mm_cmpgt_pd(lo.v, hi.v), _mm_cmpgt_pd(ylo.v, yhi.v))) == 0;
}
// The sum of the four edges' magnitudes.
inline double Magnitude(Pair x, Pair y) {
  const __m128d sign = _mm_set1_pd(-0.0);
  const __m128d m = _mm_add_pd(_mm_andnot_pd(sign, x.v), _mm_andnot_pd(sign, y.v));
  return _mm_cvtsd_f64(_mm_add_sd(m, _mm_unpackhi_pd(m, m)));
}
#else
struct Pair {
  double lo, hi;
};
inline void Edges(const _PATH_NODE_& n, Pair scale, Pair* low, Pair* high) {
  const double x = n.fXPos, y = n.fYPos;
  const double hw = 0.5 * static_cast<double>(n.fWidth);
  const double hh = 0.5 * static_cast<double>(n.fHeight);
  *low = {(x - hw) * scale.lo, (y - hh) * scale.hi};
  *high = {(x + hw) * scale.lo, (y + hh) * scale.hi};
}
inline Pair Both(double x, double y) { return {x, y}; }
inline Pair Sub(Pair a, Pair b) { return {a.lo - b.lo, a.hi - b.hi}; }
inline Pair Add(Pair a, Pair b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Pair Mul(Pair a, double k) { return {a.lo * k, a.hi * k}; }
inline Pair Max(Pair a, Pair b) { return {std::max(a.lo, b.lo), std::max(a.hi, b.hi)}; }
inline Pair Min(Pair a, Pair b) { return {std::min(a.lo, b.lo), std::min(a.hi, b.hi)}; }
inline Pair Splat(double k) { return {k, k}; }
inline Pair Abs(Pair a) { return {std::fabs(a.lo), std::fabs(a.hi)}; }
inline double First(Pair a) { return a.lo; }
inline double Second(Pair a) { return a.hi; }
inline bool Inside(Pair x, Pair lo, Pair hi, Pair y, Pair ylo, Pair yhi) {
  return (x.lo >= lo.lo) & (x.lo <= hi.lo) & (x.hi >= lo.hi) & (x.hi <= hi.hi) & (y.lo >= ylo.lo) &
         (y.lo <= yhi.lo) & (y.hi >= ylo.hi) & (y.hi <= yhi.hi);
}
inline bool Open(Pair lo, Pair hi, Pair ylo, Pair yhi) {
  return (lo.lo <= hi.lo) & (lo.hi <= hi.hi) & (ylo.lo <= yhi.lo) & (ylo.hi <= yhi.hi);
}
inline double Magnitude(Pair x, Pair y) {
  return std::fabs(x.lo) + std::fabs(x.hi) + std::fabs(y.lo) + std::fabs(y.hi);
}
#endif

// One pass's nodes, frame scale and tolerance, and a two-node path through
// which a segment is looked up exactly as the database would.
struct Pass {
  const _PATH_NODE_* nodes;
  Scale s;
  double tol;
  _PATH_INFO_ segment;
  _PATH_NODE_ ends[2];
  const double* reciprocals = Reciprocals();
  // A scan's ends inside the band. Left uninitialised: a scan writes one
  // slot per end it meets, and only the slots written are ever touched.
  std::unique_ptr<int32_t[]> unsure;
  int64_t reads = 0;  // nodes the lookups read

  // Each node is read by several scans (about four at 1 px), so its edges
  // and band are worked out once into a window of the nodes the scans are
  // at: [low, high) are valid, a node at window[node & (kWindow - 1)].
  struct Box {
    Pair low, high;  // left and bottom, right and top
    double band;
    int64_t frame;
  };
  static constexpr int32_t kWindow = 1024, kFill = 64;
  std::vector<Box> window;
  int32_t low = 0, high = 0;
  const int32_t count;
#ifdef MOLVAREN_AVX_SCAN
  const bool avx = HasAvx();
#endif

  Pass(const _PATH_NODE_* n, int32_t nodeCount, const Scale& scale, double t)
      : nodes(n),
        s(scale),
        tol(t),
        unsure(new int32_t[static_cast<size_t>(nodeCount)]),
        window(kWindow),
        count(nodeCount) {
    segment.pPathNodes = ends;
    segment.nTotalPathNodeNum = 2;
  }
  Pass(const Pass&) = delete;
  Pass& operator=(const Pass&) = delete;

  // The end of the valid window for a scan that reads from `first` on.
  int32_t WindowFrom(int32_t first) {
    if (first < low || first > high) low = high = first;
    return high;
  }
  // Works out the next few nodes; returns the new end of the window.
  int32_t Extend() {
    const Pair scale = Both(s.x, s.y);
    const int32_t end = std::min(high + kFill, count);
    for (int32_t i = high; i < end; ++i) {
      Box& b = window[static_cast<size_t>(i & (kWindow - 1))];
      Edges(nodes[i], scale, &b.low, &b.high);
      b.band = kBandPerPixel * Magnitude(b.low, b.high);
      b.frame = nodes[i].nFrameIndex;
    }
    high = end;
    low = std::max(low, high - kWindow);
    return high;
  }

  // The largest edge difference, in pixels, between the box the lookup
  // gives at each original node strictly between a and b from the segment
  // a-b and that node's own box; it stops once beyond `stopAbove`.
  double LookupDeviation(int32_t a, int32_t b, double stopAbove) {
    ends[0] = nodes[a];
    ends[1] = nodes[b];
    double worst = 0.0;
    for (int32_t i = a + 1; i < b && worst <= stopAbove; ++i) {
      _PATH_NODE_ box;
      SelectNodeAtFrame(segment, nodes[i].nFrameIndex, true, &box);
      double was[4], is[4];
      EdgesOf(nodes[i], s, was);
      EdgesOf(box, s, is);
      for (int k = 0; k < 4; ++k) worst = std::max(worst, std::fabs(is[k] - was[k]));
    }
    reads += b - a - 1;
    return worst;
  }
  bool Within(int32_t a, int32_t b) { return LookupDeviation(a, b, tol) <= tol; }
};

// Calls onEnd(b, sure, maybe) for b = a + 1, a + 2, ... up to q: sure says
// that the straight segment from a to b keeps every node between them
// within the tolerance less the band on all four edges, so that the
// lookup's answers stay within it; not maybe says that some node is beyond
// the tolerance plus the band, so that they do not. Per edge, each node
// between narrows the cone of slopes the segment may take, once for each
// side of the band; once the outer cones are empty no further b can be
// valid and the scan ends.
template <class OnEnd>
void ScanFrom(Pass& pass, int32_t a, int32_t q, OnEnd&& onEnd) {
  const double tol = pass.tol;
  const double* reciprocals = pass.reciprocals;
  const Pass::Box* window = pass.window.data();
  int32_t high = pass.WindowFrom(a);
  if (a == high) high = pass.Extend();
  const Pass::Box& start = window[a & (Pass::kWindow - 1)];
  const Pair aLow = start.low, aHigh = start.high;
  const int64_t fa = start.frame;
  const double bandOfA = start.band;
  // The cones inside the band and, with the out prefix, those outside it.
  Pair minLow, maxLow, minHigh, maxHigh, outMinLow, outMaxLow, outMinHigh, outMaxHigh;
  // With no node between, the next node is always a valid end, and it
  // opens the cones.
  onEnd(a + 1, true, true);
  if (a + 1 == q) return;
  {
    if (a + 1 == high) high = pass.Extend();
    const Pass::Box& n = window[(a + 1) & (Pass::kWindow - 1)];
    const int64_t step = n.frame - fa;
    const double inv = step < kReciprocals ? reciprocals[step] : 1.0 / static_cast<double>(step);
    const Pair slopeLow = Mul(Sub(n.low, aLow), inv), slopeHigh = Mul(Sub(n.high, aHigh), inv);
    const double band = n.band + bandOfA;
    const Pair in = Splat((tol - band) * inv), out = Splat((tol + band) * inv);
    minLow = Sub(slopeLow, in);
    maxLow = Add(slopeLow, in);
    minHigh = Sub(slopeHigh, in);
    maxHigh = Add(slopeHigh, in);
    outMinLow = Sub(slopeLow, out);
    outMaxLow = Add(slopeLow, out);
    outMinHigh = Sub(slopeHigh, out);
    outMaxHigh = Add(slopeHigh, out);
  }
  for (int32_t j = a + 2;; ++j) {
    if (j == high) high = pass.Extend();
    const Pass::Box& n = window[j & (Pass::kWindow - 1)];
    const int64_t step = n.frame - fa;
    const double inv = step < kReciprocals ? reciprocals[step] : 1.0 / static_cast<double>(step);
    const Pair slopeLow = Mul(Sub(n.low, aLow), inv), slopeHigh = Mul(Sub(n.high, aHigh), inv);
    onEnd(j, Inside(slopeLow, minLow, maxLow, slopeHigh, minHigh, maxHigh),
          Inside(slopeLow, outMinLow, outMaxLow, slopeHigh, outMinHigh, outMaxHigh));
    if (j == q) break;
    const double band = n.band + bandOfA;
    const Pair in = Splat((tol - band) * inv), out = Splat((tol + band) * inv);
    minLow = Max(minLow, Sub(slopeLow, in));
    maxLow = Min(maxLow, Add(slopeLow, in));
    minHigh = Max(minHigh, Sub(slopeHigh, in));
    maxHigh = Min(maxHigh, Add(slopeHigh, in));
    outMinLow = Max(outMinLow, Sub(slopeLow, out));
    outMaxLow = Min(outMaxLow, Add(slopeLow, out));
    outMinHigh = Max(outMinHigh, Sub(slopeHigh, out));
    outMaxHigh = Min(outMaxHigh, Add(slopeHigh, out));
    if (!Open(outMinLow, outMaxLow, outMinHigh, outMaxHigh)) break;
  }
}

// The three furthest valid ends from a, furthest first (-1 where fewer).
struct Reach {
  int32_t best, second, third;
};

// The ends a scan meets, kept for ReachFrom. The valid ones go into a ring
// of four, a + 1 first, so that the last three are the furthest; stored
// without a branch, as whether an end is valid is as good as random.
struct Ends {
  int32_t valid[4];
  uint32_t count = 0;
  int32_t unsure = 0;

  explicit Ends(int32_t a) : valid{a + 1, -1, -1, -1} {}
  void Note(Pass& pass, int32_t j, bool sure, bool maybe) {
    valid[count & 3] = j;
    count += sure;
    pass.unsure[unsure] = j;
    unsure += maybe & !sure;
  }
  Reach Furthest(Pass& pass, int32_t a) {
    // a + 1 always counts. With fewer than three, the slots read past the
    // first still hold -1: the only slot written uncounted is valid[count & 3].
    Reach reach{valid[(count - 1) & 3], valid[(count - 2) & 3], valid[(count - 3) & 3]};
    // Ends inside the band, furthest first, are looked up only while they
    // could still be among the three.
    while (unsure > 0) {
      const int32_t j = pass.unsure[--unsure];
      if (j < reach.third) break;
      if (!pass.Within(a, j)) continue;
      if (j > reach.best) {
        reach = {j, reach.best, reach.second};
      } else if (j > reach.second) {
        reach = {reach.best, j, reach.second};
      } else {
        reach.third = j;
      }
    }
    return reach;
  }
};

Reach ReachFrom(Pass& pass, int32_t a, int32_t q) {
  Ends ends(a);
  ScanFrom(pass, a, q, [&](int32_t j, bool sure, bool maybe) { ends.Note(pass, j, sure, maybe); });
  return ends.Furthest(pass, a);
}

#ifdef MOLVAREN_AVX_SCAN
// 1 / step in all four lanes.
__attribute__((target("avx"))) inline __m256d InverseStep(int64_t step, const double* reciprocals) {
  if (step < kReciprocals) return _mm256_broadcast_sd(reciprocals + step);
  const double inv = 1.0 / static_cast<double>(step);
  return _mm256_broadcast_sd(&inv);
}

// ScanFrom with left, bottom, right and top in one AVX vector: the same
// operations on the same values, so the same answers, in half the
// instructions.
template <class OnEnd>
__attribute__((target("avx"))) inline void ScanFromAvx(Pass& pass, int32_t a, int32_t q,
                                                        OnEnd&& onEnd) {
  // Scalars are broadcast from memory: AVX has no broadcast from a register.
  const __m256d tol = _mm256_broadcast_sd(&pass.tol);
  const double* reciprocals = pass.reciprocals;
  const Pass::Box* window = pass.window.data();
  int32_t high = pass.WindowFrom(a);
  if (a == high) high = pass.Extend();
  const Pass::Box& start = window[a & (Pass::kWindow - 1)];
  static_assert(offsetof(Pass::Box, high) == offsetof(Pass::Box, low) + 16, "edges in a row");
  const __m256d edgesOfA = _mm256_loadu_pd(reinterpret_cast<const double*>(&start.low));
  const int64_t fa = start.frame;
  const __m256d bandOfA = _mm256_broadcast_sd(&start.band);
  __m256d lo, hi, outLo, outHi;
  onEnd(a + 1, true, true);
  if (a + 1 == q) return;
  {
    if (a + 1 == high) high = pass.Extend();
    const Pass::Box& n = window[(a + 1) & (Pass::kWindow - 1)];
    const __m256d inv = InverseStep(n.frame - fa, reciprocals);
    const __m256d edges = _mm256_loadu_pd(reinterpret_cast<const double*>(&n.low));
    const __m256d slope = _mm256_mul_pd(_mm256_sub_pd(edges, edgesOfA), inv);
    const __m256d band = _mm256_add_pd(_mm256_broadcast_sd(&n.band), bandOfA);
    const __m256d in = _mm256_mul_pd(_mm256_sub_pd(tol, band), inv);
    const __m256d out = _mm256_mul_pd(_mm256_add_pd(tol, band), inv);
    lo = _mm256_sub_pd(slope, in);
    hi = _mm256_add_pd(slope, in);
    outLo = _mm256_sub_pd(slope, out);
    outHi = _mm256_add_pd(slope, out);
  }
  for (int32_t j = a + 2;; ++j) {
    if (j == high) high = pass.Extend();
    const Pass::Box& n = window[j & (Pass::kWindow - 1)];
    const __m256d inv = InverseStep(n.frame - fa, reciprocals);
    const __m256d edges = _mm256_loadu_pd(reinterpret_cast<const double*>(&n.low));
    const __m256d slope = _mm256_mul_pd(_mm256_sub_pd(edges, edgesOfA), inv);
    const __m256d sure =
        _mm256_and_pd(_mm256_cmp_pd(slope, lo, _CMP_GE_OS), _mm256_cmp_pd(slope, hi, _CMP_LE_OS));
    const __m256d maybe = _mm256_and_pd(_mm256_cmp_pd(slope, outLo, _CMP_GE_OS),
                                        _mm256_cmp_pd(slope, outHi, _CMP_LE_OS));
    onEnd(j, _mm256_movemask_pd(sure) == 15, _mm256_movemask_pd(maybe) == 15);
    if (j == q) break;
    const __m256d band = _mm256_add_pd(_mm256_broadcast_sd(&n.band), bandOfA);
    const __m256d in = _mm256_mul_pd(_mm256_sub_pd(tol, band), inv);
    const __m256d out = _mm256_mul_pd(_mm256_add_pd(tol, band), inv);
    lo = _mm256_max_pd(lo, _mm256_sub_pd(slope, in));
    hi = _mm256_min_pd(hi, _mm256_add_pd(slope, in));
    outLo = _mm256_max_pd(outLo, _mm256_sub_pd(slope, out));
    outHi = _mm256_min_pd(outHi, _mm256_add_pd(slope, out));
    if (_mm256_movemask_pd(_mm256_cmp_pd(outLo, outHi, _CMP_GT_OS)) != 0) break;
  }
}

__attribute__((target("avx"))) Reach ReachFromAvx(Pass& pass, int32_t a, int32_t q) {
  Ends ends(a);
  ScanFromAvx(pass, a, q,
              [&](int32_t j, bool sure, bool maybe) { ends.Note(pass, j, sure, maybe); });
  return ends.Furthest(pass, a);
}
#endif

// The three furthest valid ends from a, by whichever scan the processor runs
// best.
inline Reach ReachOf(Pass& pass, int32_t a, int32_t q) {
#ifdef MOLVAREN_AVX_SCAN
  if (pass.avx) return ReachFromAvx(pass, a, q);
#endif
  return ReachFrom(pass, a, q);
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
void KeepWithin(Pass& pass, int32_t p, int32_t q, OnSegment&& onSegment) {
  if (q - p <= kExactUpTo) {
    std::vector<int32_t> hops(static_cast<size_t>(q - p + 1), q - p + 1), from(hops.size(), p);
    hops[0] = 0;
    int64_t steps = 0;
    const int64_t budget = kExactSteps * (q - p);
    for (int32_t a = p; a < q && steps <= budget; ++a) {
      const int32_t h = hops[a - p] + 1;
      pass.reads = 0;
      ScanFrom(pass, a, q, [&](int32_t j, bool sure, bool maybe) {
        ++steps;
        if (maybe && h < hops[j - p] && (sure || pass.Within(a, j)))
          hops[j - p] = h, from[j - p] = a;
      });
      steps += pass.reads;
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
  Reach here = ReachOf(pass, p, q);
  for (int32_t a = p; a < q;) {
    int32_t b = here.best;
    Reach next{q, -1, -1};
    if (b < q) {
      next = ReachOf(pass, b, q);
      for (int32_t c : {here.second, here.third}) {
        if (c <= a) continue;
        const Reach after = ReachOf(pass, c, q);
        if (after.best > next.best) next = after, b = c;
      }
    }
    onSegment(a, b);
    a = b;
    here = next;
  }
}

// The largest edge difference, in pixels, between the nodes strictly
// between a and b and the straight segment from a to b; *band gets the
// rounding band of the segment's ends.
double Deviation(const _PATH_NODE_* nodes, int32_t a, int32_t b, const Scale& s, double* band) {
  const Pair scale = Both(s.x, s.y);
  Pair aLow, aHigh, bLow, bHigh;
  Edges(nodes[a], scale, &aLow, &aHigh);
  Edges(nodes[b], scale, &bLow, &bHigh);
  // Summed left, right, bottom, top, one at a time, for either end.
  const auto magnitude = [](Pair low, Pair high) {
    const Pair l = Abs(low), h = Abs(high);
    return First(l) + First(h) + Second(l) + Second(h);
  };
  *band = kBandPerPixel * (magnitude(aLow, aHigh) + magnitude(bLow, bHigh));
  const Pair dLow = Sub(bLow, aLow), dHigh = Sub(bHigh, aHigh);
  const int64_t fa = nodes[a].nFrameIndex;
  const double span = static_cast<double>(int64_t{nodes[b].nFrameIndex} - fa);
  Pair worst = Splat(0.0);
  for (int32_t i = a + 1; i < b; ++i) {
    Pair low, high;
    Edges(nodes[i], scale, &low, &high);
    const double t = static_cast<double>(int64_t{nodes[i].nFrameIndex} - fa) / span;
    worst = Max(worst, Abs(Sub(Add(aLow, Mul(dLow, t)), low)));
    worst = Max(worst, Abs(Sub(Add(aHigh, Mul(dHigh, t)), high)));
  }
  return std::max(First(worst), Second(worst));
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

  Pass pass(nodes, n, scale, maxErrorPixels);
  int32_t p = 0;
  while (p < n - 1) {
    int32_t q = p + 1;
    while (pin[q] == 0) ++q;
    KeepWithin(pass, p, q, [&](int32_t a, int32_t b) {
      if (b == a + 1) return;
      double band;
      double deviation = Deviation(nodes, a, b, scale, &band);
      // Near the bound, what counts is what the lookup answers.
      if (deviation > maxErrorPixels - 2 * band)
        deviation = pass.LookupDeviation(a, b, std::numeric_limits<double>::infinity());
      out.largestDeviation = std::max(out.largestDeviation, deviation);
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
