// Packing, unpacking and cloning a list of 100 paths x 10,000 nodes (about
// 60 MB), each beside a memcpy of the same number of bytes; the size query;
// and appending paths one by one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "molvaren/molvaren.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;
using mlvns::_PATH_NODE_;

_PATH_INFO_ARRAY_* MakeList(int paths, int nodes) {
  auto* list = new _PATH_INFO_ARRAY_();
  for (int p = 0; p < paths; ++p) {
    auto* info = new _PATH_INFO_[1]();
    info->pPathNodes = new _PATH_NODE_[nodes];
    info->nTotalPathNodeNum = nodes;
    for (int i = 0; i < nodes; ++i) {
      info->pPathNodes[i].nFrameIndex = i;
      info->pPathNodes[i].fXPos = static_cast<float>(i) / nodes;
    }
    Mlvr_PathInfoArray_Add(&list, info);
  }
  return list;
}

struct Fixture {
  Fixture() : list(MakeList(100, 10000)) {
    Mlvr_PathInfoArray_Pack(&list, nullptr, &bytes);
    packed.resize(bytes);
    Mlvr_PathInfoArray_Pack(&list, packed.data(), &bytes);
    scratch.assign(bytes, 1);
  }
  ~Fixture() { Mlvr_PathInfoArray_Free(&list); }
  _PATH_INFO_ARRAY_* list;
  uint32_t bytes = 0;
  std::vector<uint8_t> packed;
  std::vector<uint8_t> scratch;
};

Fixture& Data() {
  static Fixture f;
  return f;
}

void BM_Memcpy(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    std::memcpy(f.scratch.data(), f.packed.data(), f.bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// The same bytes into memory fresh from the allocator, as decoding must use:
// shows what the kernel's page zeroing costs when freed memory goes back.
void BM_MemcpyFresh(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    auto* fresh = static_cast<uint8_t*>(std::malloc(f.bytes));
    std::memcpy(fresh, f.packed.data(), f.bytes);
    benchmark::DoNotOptimize(fresh);
    std::free(fresh);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_MemcpyFresh)->Unit(benchmark::kMillisecond);

// What any copy of the list must do: release the old blocks, then allocate
// each path's record and node array afresh and copy it. The baseline of
// Unpack and Clone.
void BM_MallocMemcpyBlocks(benchmark::State& state) {
  Fixture& f = Data();
  const int32_t paths = f.list->nNumOfPathInfos;
  std::vector<void*> blocks(2 * static_cast<size_t>(paths), nullptr);
  for (auto _ : state) {
    for (void*& b : blocks) std::free(b);
    for (int32_t i = 0; i < paths; ++i) {
      const _PATH_INFO_* p = f.list->ppPathInfos[i];
      const size_t nodeBytes = sizeof(_PATH_NODE_) * static_cast<size_t>(p->nTotalPathNodeNum);
      blocks[2 * i] = std::malloc(sizeof(_PATH_INFO_));
      std::memcpy(blocks[2 * i], p, sizeof(_PATH_INFO_));
      blocks[2 * i + 1] = std::malloc(nodeBytes);
      std::memcpy(blocks[2 * i + 1], p->pPathNodes, nodeBytes);
    }
    benchmark::ClobberMemory();
  }
  for (void*& b : blocks) std::free(b);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_MallocMemcpyBlocks)->Unit(benchmark::kMillisecond);

void BM_Pack(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    uint32_t n = f.bytes;
    Mlvr_PathInfoArray_Pack(&f.list, f.scratch.data(), &n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);

void BM_Unpack(benchmark::State& state) {
  Fixture& f = Data();
  _PATH_INFO_ARRAY_* out = nullptr;
  for (auto _ : state) {
    Mlvr_PathInfoArray_Unpack(f.packed.data(), f.bytes, &out);
    benchmark::ClobberMemory();
  }
  Mlvr_PathInfoArray_Free(&out);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond);

void BM_Clone(benchmark::State& state) {
  Fixture& f = Data();
  _PATH_INFO_ARRAY_* out = nullptr;
  for (auto _ : state) {
    Mlvr_PathInfoArray_Clone(&out, f.list, nullptr);
    benchmark::ClobberMemory();
  }
  Mlvr_PathInfoArray_Free(&out);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * f.bytes);
}
BENCHMARK(BM_Clone)->Unit(benchmark::kMillisecond);

// The size query costs per path; reported per path.
void BM_SizeQueryPerPath(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    uint32_t n = 0;
    Mlvr_PathInfoArray_Pack(&f.list, nullptr, &n);
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * f.list->nNumOfPathInfos);
}
BENCHMARK(BM_SizeQueryPerPath)->Unit(benchmark::kNanosecond);

// Appending n paths one by one: the pointer array is reallocated at the new
// count each time, so the whole run is quadratic in n.
void BM_AddPaths(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<_PATH_INFO_*> paths(n);
  for (auto _ : state) {
    state.PauseTiming();
    for (auto& p : paths) p = new _PATH_INFO_[1]();
    auto* list = new _PATH_INFO_ARRAY_();
    state.ResumeTiming();
    for (auto* p : paths) Mlvr_PathInfoArray_Add(&list, p);
    state.PauseTiming();
    Mlvr_PathInfoArray_Free(&list);
    state.ResumeTiming();
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_AddPaths)->RangeMultiplier(4)->Range(256, 16384)->Complexity()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
