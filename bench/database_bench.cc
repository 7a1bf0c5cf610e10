// The path database: a node lookup by identity as a host makes it every
// frame of playback, beside an uncontended Lock+Unlock pair and beside a
// plain scan over every path (the baseline); loading and writing back an
// index of 1,000 and of 10,000 entries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "database/database.h"
#include "module/lifecycle.h"
#include "molvaren/molvaren.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;
using mlvns::_PATH_NODE_;

constexpr int kFiles = 1000;
constexpr int kPathsPerFile = 10;
constexpr int kNodes = 200;
constexpr int kFrameStep = 5;

std::string GuidOf(int file, int path) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", file, path);
  return text;
}

std::string TempFolder(const char* name) {
  auto p = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}

// 1,000 associate files x 10 paths x 200 nodes, every list in memory; with
// `held`, the host has fetched every list and so may change any of them.
struct Folder {
  explicit Folder(const char* name, bool held = false) : dir(TempFolder(name)) {
    mlvns::ModuleLoad();
    for (int f = 0; f < kFiles; ++f) {
      auto* list = new _PATH_INFO_ARRAY_();
      for (int p = 0; p < kPathsPerFile; ++p) {
        auto* info = new _PATH_INFO_[1]();
        std::strcpy(info->szGUID, GuidOf(f, p).c_str());
        info->pPathNodes = new _PATH_NODE_[kNodes];
        info->nTotalPathNodeNum = kNodes;
        // One path of the last file is spaced unevenly, as after
        // simplification: the lookup cannot guess its node.
        const bool uneven = f == kFiles - 1 && p == kPathsPerFile - 2;
        for (int i = 0; i < kNodes; ++i) {
          info->pPathNodes[i].nFrameIndex =
              uneven ? i * kFrameStep + (i * i * 7) % kFrameStep : i * kFrameStep;
          info->pPathNodes[i].fXPos = static_cast<float>(i) / kNodes;
        }
        Mlvr_PathInfoArray_Add(&list, info);
      }
      char name[32];
      std::snprintf(name, sizeof name, "/media/clip%04d.mp4", f);
      Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(dir.c_str(), name, list);
      Mlvr_PathInfoArray_Free(&list);
      names.push_back(name);
    }
    if (held) {
      for (const std::string& name : names) {
        _PATH_INFO_ARRAY_* fetched = nullptr;
        Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(dir.c_str(), name.c_str(), &fetched);
      }
    }
    last = GuidOf(kFiles - 1, kPathsPerFile - 1);
    uneven = GuidOf(kFiles - 1, kPathsPerFile - 2);
  }
  std::string dir;
  std::vector<std::string> names;
  std::string last;
  std::string uneven;
};

Folder& Data() {
  static Folder f("molvaren-bench-db");
  return f;
}

Folder& HeldData() {
  static Folder f("molvaren-bench-held", true);
  return f;
}

void BM_LockUnlockPair(benchmark::State& state) {
  for (auto _ : state) {
    Mlvr_DataBase_Lock();
    Mlvr_DataBase_Unlock();
  }
}
BENCHMARK(BM_LockUnlockPair);

// The node of one path at a frame that moves by 3 each call: between nodes
// and on them.
void LookUpNodes(benchmark::State& state, const Folder& d, const std::string& guid) {
  _PATH_NODE_ node;
  int frame = 0;
  for (auto _ : state) {
    int32_t r = Mlvr_DataBase_GetPathNodeByGUID(d.dir.c_str(), guid.c_str(), frame, {1920, 1080},
                                                0.0f, &node, nullptr, 0);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(node);
    frame = (frame + 3) % (kNodes * kFrameStep);
  }
}

void BM_GetPathNodeByGUID(benchmark::State& state) { LookUpNodes(state, Data(), Data().last); }
BENCHMARK(BM_GetPathNodeByGUID);

void BM_GetPathNodeByGUID_Uneven(benchmark::State& state) {
  LookUpNodes(state, Data(), Data().uneven);
}
BENCHMARK(BM_GetPathNodeByGUID_Uneven);

// The baseline: the same answer by comparing the identity of every path in
// key order, then the same node selection, under the same lock.
void BM_PlainScan(benchmark::State& state) {
  Folder& d = Data();
  mlvns::CMlvrDataBase& db = *mlvns::DataBasePointer();
  _PATH_NODE_ node;
  int frame = 0;
  for (auto _ : state) {
    Mlvr_DataBase_Lock();
    const _PATH_INFO_* found = nullptr;
    for (auto& folder : db.Folders()) {
      for (auto& slot : folder.second) {
        const _PATH_INFO_ARRAY_* l = slot.second->pdsPathInfoArray;
        for (int i = 0; l != nullptr && i < l->nNumOfPathInfos && found == nullptr; ++i)
          if (std::strcmp(l->ppPathInfos[i]->szGUID, d.last.c_str()) == 0) found = l->ppPathInfos[i];
      }
    }
    const _PATH_NODE_* n = found->pPathNodes;
    int i = 0;
    while (i + 1 < found->nTotalPathNodeNum && n[i].nFrameIndex < frame) ++i;
    node = n[i];
    Mlvr_DataBase_Unlock();
    benchmark::DoNotOptimize(node);
    frame = (frame + 3) % (kNodes * kFrameStep);
  }
}
BENCHMARK(BM_PlainScan);

// Every list held by the host: the lookup must search each held list before
// the path's again, as the host may have renamed or added paths in it.
void BM_HeldLists_GetPathNodeByGUID(benchmark::State& state) {
  LookUpNodes(state, HeldData(), HeldData().last);
}
BENCHMARK(BM_HeldLists_GetPathNodeByGUID);

// The baseline for held lists: the host's own scan through the exports:
// fetch each list in key order, compare identities, interpolate.
void BM_HeldLists_HostScan(benchmark::State& state) {
  Folder& d = HeldData();
  _PATH_NODE_ node;
  int frame = 0;
  for (auto _ : state) {
    Mlvr_DataBase_Lock();
    const _PATH_INFO_* found = nullptr;
    for (size_t f = 0; f < d.names.size() && found == nullptr; ++f) {
      _PATH_INFO_ARRAY_* l = nullptr;
      Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(d.dir.c_str(), d.names[f].c_str(), &l);
      for (int i = 0; l != nullptr && i < l->nNumOfPathInfos && found == nullptr; ++i)
        if (std::strcmp(l->ppPathInfos[i]->szGUID, d.last.c_str()) == 0) found = l->ppPathInfos[i];
    }
    const _PATH_NODE_* n = found->pPathNodes;
    int i = 0;
    while (i + 1 < found->nTotalPathNodeNum && n[i].nFrameIndex < frame) ++i;
    node = n[i];
    if (i > 0 && n[i].nFrameIndex != frame) {
      const float t = static_cast<float>(frame - n[i - 1].nFrameIndex) /
                      static_cast<float>(n[i].nFrameIndex - n[i - 1].nFrameIndex);
      node.fXPos = (n[i].fXPos - n[i - 1].fXPos) * t + n[i - 1].fXPos;
      node.fYPos = (n[i].fYPos - n[i - 1].fYPos) * t + n[i - 1].fYPos;
      node.fWidth = (n[i].fWidth - n[i - 1].fWidth) * t + n[i - 1].fWidth;
      node.fHeight = (n[i].fHeight - n[i - 1].fHeight) * t + n[i - 1].fHeight;
    }
    Mlvr_DataBase_Unlock();
    benchmark::DoNotOptimize(node);
    frame = (frame + 3) % (kNodes * kFrameStep);
  }
}
BENCHMARK(BM_HeldLists_HostScan)->Unit(benchmark::kMicrosecond);

// An index of n entries on disk, no path files.
std::string IndexFolder(int n) {
  std::string dir = TempFolder(("molvaren-bench-index-" + std::to_string(n)).c_str());
  std::string text = "[Setting]\r\nNumOfFiles=" + std::to_string(n) + "\r\n";
  for (int i = 0; i < n; ++i) {
    text += "[File_" + std::to_string(i) + "]\r\nAssiciateFile=/media/clip" + std::to_string(i) +
            ".mp4\r\nDataBaseName=" + GuidOf(i, 0) + "\r\n";
  }
  std::FILE* f = std::fopen((dir + "/Molvaren.ini").c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return dir;
}

void BM_IndexLoad(benchmark::State& state) {
  const std::string dir = IndexFolder(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    mlvns::CMlvrDataBase db;
    db.fnLoadDataBase(dir.c_str());
    benchmark::DoNotOptimize(db.Folders().size());
    state.PauseTiming();
    db.Discard();  // leave without writing back
    state.ResumeTiming();
  }
}
BENCHMARK(BM_IndexLoad)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_WriteBack(benchmark::State& state) {
  const std::string dir = IndexFolder(static_cast<int>(state.range(0)));
  mlvns::CMlvrDataBase db;
  for (auto _ : state) {
    state.PauseTiming();
    db.fnLoadDataBase(dir.c_str());
    state.ResumeTiming();
    db.fnSaveDataBase(dir.c_str(), 1);
  }
}
BENCHMARK(BM_WriteBack)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
