// Simplification of a long, gently curving, evenly timed path with equal
// boxes, beside a Douglas-Peucker simplification (Boost.Geometry, tolerance
// 0.01) of the same centre points. Both run on 125k to 1M nodes so that the
// fit shows whether the cost stays linear.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>

#include "molvaren/molvaren.h"

// Counts allocations made through operator new, to show that the pass does
// not allocate per window.
static std::atomic<long> g_news{0};

void* operator new(std::size_t n) {
  g_news.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  g_news.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_NODE_;

// A Lissajous figure walked at about 1/1000 of the frame per node: turns
// with radii of a tenth of the frame and more, every node one frame apart.
std::vector<_PATH_NODE_> CurvingNodes(int n) {
  std::vector<_PATH_NODE_> nodes(static_cast<size_t>(n));
  const double kTwoPi = 6.283185307179586;
  for (int i = 0; i < n; ++i) {
    _PATH_NODE_& node = nodes[static_cast<size_t>(i)];
    node.nFrameIndex = i;
    node.fXPos = static_cast<float>(0.5 + 0.4 * std::sin(kTwoPi * i / 2500.0));
    node.fYPos = static_cast<float>(0.5 + 0.4 * std::sin(kTwoPi * i / 3300.0));
    node.fWidth = 0.125f;
    node.fHeight = 0.25f;
    node.fConfidence = 0.9f;
  }
  return nodes;
}

void BM_LinearRegressionPathInfo(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<_PATH_NODE_> source = CurvingNodes(n);
  _PATH_INFO_* path = new _PATH_INFO_[1]();
  long kept = 0, news = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Mlvr_PathInfo_FreeNodes(path);
    path->pPathNodes = new _PATH_NODE_[source.size()];
    std::memcpy(path->pPathNodes, source.data(), source.size() * sizeof(_PATH_NODE_));
    path->nTotalPathNodeNum = n;
    const long before = g_news.load();
    state.ResumeTiming();

    Mlvr_LinearRegressionPathInfo(path);

    state.PauseTiming();
    news += g_news.load() - before;
    kept = path->nTotalPathNodeNum;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
  state.SetComplexityN(n);
  state.counters["kept"] = static_cast<double>(kept);
  state.counters["news_per_call"] =
      static_cast<double>(news) / static_cast<double>(state.iterations());
  Mlvr_PathInfo_FreeInfos(&path, 1);
}
BENCHMARK(BM_LinearRegressionPathInfo)
    ->Arg(125000)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

using Point = boost::geometry::model::d2::point_xy<double>;
using Line = boost::geometry::model::linestring<Point>;

void BM_BoostDouglasPeucker(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Line line;
  line.reserve(static_cast<size_t>(n));
  for (const _PATH_NODE_& node : CurvingNodes(n)) line.emplace_back(node.fXPos, node.fYPos);
  Line out;
  for (auto _ : state) {
    out.clear();
    boost::geometry::simplify(line, out, 0.01);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
  state.SetComplexityN(n);
  state.counters["kept"] = static_cast<double>(out.size());
}
BENCHMARK(BM_BoostDouglasPeucker)
    ->Arg(125000)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace

BENCHMARK_MAIN();
