// The bounded-error simplification on synthetic tracker output: nodes kept at
// e = 0.5, 1 and 2 px beside time-synchronised Douglas-Peucker at the same e,
// the library's own rule and, on short paths, the fewest nodes possible;
// then its throughput from 125k to 1M nodes with the fitted growth, and
// with MOLVAREN_TRACKER_CSV the same counts on real tracker output
// (bench/tracker_tracks.py, scripts/test.d/70-tracker-bench.sh).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/path_info_ops.h"
#include "model/records.h"
#include "processing/bounded_simplification.h"
#include "processing/node_lookup.h"
#include "processing/simplification.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_NODE_;

constexpr double kW = 1920, kH = 1080;

// The frame the error is measured in, in pixels.
struct Frame {
  double w, h;
};
constexpr Frame kHd{kW, kH};

// What a tracker reports for an object moving along a smooth curve: about
// 1 to 4 px per frame, the centre jittered by up to `jitter` px, the box
// size by up to 1 px, one node per frame.
std::vector<_PATH_NODE_> TrackerNodes(int n, double jitter, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<_PATH_NODE_> nodes(static_cast<size_t>(n));
  const double phase = u(rng) * 3;
  for (int i = 0; i < n; ++i) {
    _PATH_NODE_& node = nodes[static_cast<size_t>(i)];
    node.nFrameIndex = i;
    node.fXPos =
        static_cast<float>(0.5 + 0.35 * std::sin(i / 300.0 + phase) + jitter * u(rng) / kW);
    node.fYPos = static_cast<float>(0.5 + 0.3 * std::sin(i / 470.0) + jitter * u(rng) / kH);
    node.fWidth = static_cast<float>(0.08 + 0.02 * std::sin(i / 900.0) + u(rng) / kW);
    node.fHeight = static_cast<float>(0.15 + u(rng) / kH);
  }
  return nodes;
}

_PATH_INFO_* PathOf(const std::vector<_PATH_NODE_>& nodes) {
  _PATH_INFO_* p = mlvns::NewPathInfo();
  p->pPathNodes = mlvns::NewNodes(nodes.size());
  std::copy(nodes.begin(), nodes.end(), p->pPathNodes);
  p->nTotalPathNodeNum = static_cast<int32_t>(nodes.size());
  return p;
}

// Largest edge difference in px at node i from the segment a-b, timed by frame.
double EdgeError(const _PATH_NODE_* n, int a, int b, int i, Frame f = kHd) {
  const double t =
      double(n[i].nFrameIndex - n[a].nFrameIndex) / double(n[b].nFrameIndex - n[a].nFrameIndex);
  double worst = 0;
  for (double s : {-0.5, 0.5}) {
    auto at = [&](const _PATH_NODE_& m, bool x) {
      return x ? (m.fXPos + s * m.fWidth) * f.w : (m.fYPos + s * m.fHeight) * f.h;
    };
    for (bool x : {true, false})
      worst =
          std::max(worst, std::fabs(at(n[a], x) + (at(n[b], x) - at(n[a], x)) * t - at(n[i], x)));
  }
  return worst;
}

// Douglas-Peucker with the time-synchronised edge distance: split at the
// node furthest from the segment while it is beyond e.
int DouglasPeuckerKept(const std::vector<_PATH_NODE_>& nodes, double e, Frame f = kHd) {
  std::vector<std::pair<int, int>> todo{{0, static_cast<int>(nodes.size()) - 1}};
  int kept = 2;
  while (!todo.empty()) {
    auto [a, b] = todo.back();
    todo.pop_back();
    int far = -1;
    double worst = e;
    for (int i = a + 1; i < b; ++i) {
      const double d = EdgeError(nodes.data(), a, b, i, f);
      if (d > worst) worst = d, far = i;
    }
    if (far < 0) continue;
    ++kept;
    todo.push_back({a, far});
    todo.push_back({far, b});
  }
  return kept;
}

// Largest edge difference in px at node i between its own box and the box
// the database lookup answers at its frame from a path of only a and b.
double LookupError(const _PATH_NODE_* n, int a, int b, int i, Frame f = kHd) {
  _PATH_NODE_ ends[2] = {n[a], n[b]};
  _PATH_INFO_ segment;
  segment.pPathNodes = ends;
  segment.nTotalPathNodeNum = 2;
  _PATH_NODE_ box = n[i];
  mlvns::SelectNodeAtFrame(segment, n[i].nFrameIndex, true, &box);
  const double dx = (double(box.fXPos) - n[i].fXPos) * f.w,
               dy = (double(box.fYPos) - n[i].fYPos) * f.h;
  const double dw = (double(box.fWidth) - n[i].fWidth) / 2 * f.w;
  const double dh = (double(box.fHeight) - n[i].fHeight) / 2 * f.h;
  return std::max({std::fabs(dx - dw), std::fabs(dx + dw), std::fabs(dy - dh), std::fabs(dy + dh)});
}

// The fewest nodes with the lookup's box at every dropped node's frame
// within e of that node's: a shortest path over all valid segments.
int OptimumKept(const std::vector<_PATH_NODE_>& nodes, double e, Frame f = kHd) {
  const int n = static_cast<int>(nodes.size());
  std::vector<int> best(static_cast<size_t>(n), n + 1);
  best[0] = 1;
  for (int a = 0; a < n; ++a)
    for (int b = a + 1; b < n; ++b) {
      bool valid = true;
      for (int i = a + 1; valid && i < b; ++i) valid = LookupError(nodes.data(), a, b, i, f) <= e;
      if (valid) best[b] = std::min(best[b], best[a] + 1);
    }
  return best[n - 1];
}

struct Outcome {
  int kept;
  double deviation;  // px, largest over the path
};

Outcome Bounded(const std::vector<_PATH_NODE_>& nodes, double e, Frame f = kHd) {
  _PATH_INFO_* p = PathOf(nodes);
  const auto r = mlvns::SimplifyWithinBound(p, e, f.w, f.h);
  mlvns::PathInfo_Release(p);
  return {r.nodesAfter, r.largestDeviation};
}

// The library's own rule, and the largest edge error it leaves at a dropped node.
Outcome LibraryRule(const std::vector<_PATH_NODE_>& nodes, Frame f = kHd) {
  _PATH_INFO_* p = PathOf(nodes);
  mlvns::LinearRegressionPathInfo(p);
  Outcome out{p->nTotalPathNodeNum, 0.0};
  for (int k = 0, a = 0; k + 1 < p->nTotalPathNodeNum; ++k) {
    int b = a + 1;
    while (nodes[b].nFrameIndex != p->pPathNodes[k + 1].nFrameIndex) ++b;
    for (int i = a + 1; i < b; ++i)
      out.deviation = std::max(out.deviation, EdgeError(nodes.data(), a, b, i, f));
    a = b;
  }
  mlvns::PathInfo_Release(p);
  return out;
}

// Nodes kept on a 100k-node track: range(0) = e x 10, range(1) = jitter px.
void BM_KeptVsDouglasPeucker(benchmark::State& state) {
  const double e = state.range(0) / 10.0;
  const auto nodes = TrackerNodes(100000, static_cast<double>(state.range(1)), 1);
  Outcome ours{}, rule{};
  int dp = 0;
  for (auto _ : state) {
    ours = Bounded(nodes, e);
    dp = DouglasPeuckerKept(nodes, e);
    rule = LibraryRule(nodes);
  }
  state.counters["bounded"] = ours.kept;
  state.counters["dp"] = dp;
  state.counters["bounded/dp"] = double(ours.kept) / dp;
  state.counters["rule"] = rule.kept;
  state.counters["rule_err_px"] = rule.deviation;
  state.counters["bounded_err_px"] = ours.deviation;
}
BENCHMARK(BM_KeptVsDouglasPeucker)
    ->ArgsProduct({{5, 10, 20}, {1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Nodes kept on 40 tracks of 500 nodes beside the fewest possible.
void BM_KeptVsOptimum(benchmark::State& state) {
  const double e = state.range(0) / 10.0;
  int ours = 0, best = 0, dp = 0;
  for (auto _ : state) {
    ours = best = dp = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
      const auto nodes = TrackerNodes(500, 1.0 + (seed % 2), seed);
      ours += Bounded(nodes, e).kept;
      best += OptimumKept(nodes, e);
      dp += DouglasPeuckerKept(nodes, e);
    }
  }
  state.counters["bounded"] = ours;
  state.counters["optimum"] = best;
  state.counters["dp"] = dp;
  state.counters["bounded/optimum"] = double(ours) / best;
}
BENCHMARK(BM_KeptVsOptimum)->Arg(5)->Arg(10)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

// Throughput on 125k to 1M nodes with 1 px of jitter: range(1) = e x 10.
// At 0.5 and 1 px most nodes stay and move down in their own array; at 2 px
// few do. The fit says how the cost grows.
void BM_Throughput(benchmark::State& state) {
  const auto nodes = TrackerNodes(static_cast<int>(state.range(0)), 1.0, 3);
  const double e = state.range(1) / 10.0;
  int32_t kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    _PATH_INFO_* p = PathOf(nodes);
    state.ResumeTiming();
    kept = mlvns::SimplifyWithinBound(p, e, kW, kH).nodesAfter;
    state.PauseTiming();
    mlvns::PathInfo_Release(p);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
  state.counters["kept"] = kept;
}
BENCHMARK(BM_Throughput)
    ->ArgsProduct({{125000, 250000, 500000, 1000000}, {5}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Throughput)
    ->ArgsProduct({{125000, 250000, 500000, 1000000}, {10}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Throughput)
    ->ArgsProduct({{125000, 250000, 500000, 1000000}, {20}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Real tracker output (bench/tracker_tracks.py): a CSV of
// frame,left,top,width,height in pixels of a 1280 x 720 clip, y downward.
std::vector<_PATH_NODE_> ReadTrackerCsv(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);  // header
  std::vector<_PATH_NODE_> nodes;
  int frame = 0;
  double left = 0, top = 0, w = 0, h = 0;
  char c = 0;
  while (in >> frame >> c >> left >> c >> top >> c >> w >> c >> h) {
    _PATH_NODE_ n;
    n.nFrameIndex = frame;
    n.fXPos = static_cast<float>((left + w / 2) / 1280);
    n.fYPos = static_cast<float>(1 - (top + h / 2) / 720);
    n.fWidth = static_cast<float>(w / 1280);
    n.fHeight = static_cast<float>(h / 720);
    nodes.push_back(n);
  }
  return nodes;
}

// Nodes kept on one tracker's output at e px of the 1280 x 720 clip.
void TrackerFile(benchmark::State& state, std::vector<_PATH_NODE_> nodes, double e) {
  constexpr Frame kClip{1280, 720};
  Outcome ours{}, rule{};
  int dp = 0, best = 0;
  for (auto _ : state) {
    ours = Bounded(nodes, e, kClip);
    dp = DouglasPeuckerKept(nodes, e, kClip);
    best = OptimumKept(nodes, e, kClip);
    rule = LibraryRule(nodes, kClip);
  }
  state.counters["nodes"] = static_cast<double>(nodes.size());
  state.counters["bounded"] = ours.kept;
  state.counters["bounded_err_px"] = ours.deviation;
  state.counters["dp"] = dp;
  state.counters["optimum"] = best;
  state.counters["rule"] = rule.kept;
  state.counters["rule_err_px"] = rule.deviation;
}

}  // namespace

// MOLVAREN_TRACKER_CSV=a.csv:b.csv adds the tracker files' benchmarks.
int main(int argc, char** argv) {
  if (const char* files = std::getenv("MOLVAREN_TRACKER_CSV")) {
    std::stringstream list(files);
    std::string file;
    while (std::getline(list, file, ':')) {
      const auto nodes = ReadTrackerCsv(file);
      if (nodes.size() < 3) {
        std::fprintf(stderr, "%s: fewer than 3 tracked frames\n", file.c_str());
        return 1;
      }
      const std::string name = file.substr(file.find_last_of('/') + 1);
      for (double e : {0.5, 1.0, 2.0})
        benchmark::RegisterBenchmark(
            ("BM_Tracker/" + name + "/e=" + std::to_string(e).substr(0, 3)).c_str(), TrackerFile,
            nodes, e)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
