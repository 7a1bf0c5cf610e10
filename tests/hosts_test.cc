// Hosts at once on one folder: a host killed mid-write, processes writing
// side by side, and threads of one host.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "archive/path_file.h"
#include "tests/support/database_folders.h"
#include "module/lifecycle.h"
#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {

using testing_support::ListHolder, testing_support::NewList, testing_support::NewPath;
using testing_support::Node, testing_support::TempDir;

// The child's wait status (0: it exited with 0), or -1.
int Wait(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid ? status : -1;
}

constexpr int kEntries = 200, kKills = 50;

std::string Media(const std::string& folder, int m) {
  return folder + "-media/clip" + std::to_string(m) + ".mp4";
}

// Starts a child that gives every entry a new list and lets its database
// go, which writes the folder back as an unload does; returns its id. The
// generation is in every node, so a list read back tells which run wrote
// it, and a mix shows.
pid_t Spawn(const std::string& folder, int generation) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  {
    CMlvrDataBase db;
    for (int m = 0; m < kEntries; ++m) {
      std::vector<_PATH_NODE_> nodes;
      for (int n = 0; n < 20; ++n)
        nodes.push_back(Node(n, static_cast<float>(generation), static_cast<float>(m)));
      ListHolder list(NewList({NewPath(nodes)}));
      db.fnUpdateInfoArray(folder.c_str(), Media(folder, m).c_str(), list.get());
    }
  }
  _exit(0);
}

// The generation that wrote an entry's list, or -1 when it is not one whole
// list of one run.
int GenerationOf(const _PATH_INFO_ARRAY_* list, int media) {
  if (list == nullptr || list->nNumOfPathInfos != 1 || list->ppPathInfos[0] == nullptr ||
      list->ppPathInfos[0]->nTotalPathNodeNum != 20)
    return -1;
  const _PATH_NODE_* n = list->ppPathInfos[0]->pPathNodes;
  for (int i = 0; i < 20; ++i)
    if (n[i].fXPos != n[0].fXPos || n[i].fYPos != static_cast<float>(media) || n[i].nFrameIndex != i)
      return -1;
  return static_cast<int>(n[0].fXPos);
}

// Reads the folder as the next run would; `held` is each entry's generation
// before the run, updated to what the folder holds now.
void CheckFolder(const std::string& folder, int run, std::vector<int>* held) {
  CMlvrDataBase db;
  for (int m = 0; m < kEntries; ++m) {
    const std::string key = Media(folder, m);
    _PATH_INFO_ARRAY_* list = nullptr;
    ASSERT_EQ(db.fnGetInfoArray(folder.c_str(), key.c_str(), &list), 1);
    const int g = GenerationOf(list, m);
    ASSERT_TRUE(g == (*held)[m] || g == run) << key << " holds " << g << " after kill " << run;
    (*held)[m] = g;
  }
  db.Discard();  // read only: no write-back
}

TEST(DataBaseKill, WriteBackSurvivesSigkillAtAnyMoment) {
  TempDir dir;
  const std::string folder = dir.File("db");

  // Generation 0 written whole; its duration sets the range of kill moments.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Spawn(folder, 0)), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  std::vector<int> held(kEntries, 0);
  CheckFolder(folder, 0, &held);

  std::mt19937 rng(20261207);
  const long long span = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  int finished = 0;
  for (int run = 1; run <= kKills; ++run) {
    const pid_t pid = Spawn(folder, run);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % (span + 1)));
    kill(pid, SIGKILL);
    if (const int s = Wait(pid); WIFEXITED(s)) ++finished;
    CheckFolder(folder, run, &held);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Most kills landed inside the run rather than after it.
  EXPECT_LT(finished, kKills / 2);
}

constexpr int kProcesses = 4, kRounds = 50, kOwn = 4;

// One process's part; writes per entry the identities it must hold at the end.
void Writer(const std::string& folder, int p, const std::string& expectFile) {
  std::mt19937 rng(2026 + p);
  auto db = std::make_unique<CMlvrDataBase>();
  std::set<std::string> expect[kOwn];
  for (int r = 0; r < kRounds; ++r) {
    const int e = static_cast<int>(rng() % kOwn);
    const std::string key = "/m/p" + std::to_string(p) + "e" + std::to_string(e) + ".mp4";
    const std::string guid = "{" + std::to_string(p * 1000 + r) + "}";
    _PATH_INFO_* path = dbtest::Path(guid.c_str());
    std::strcpy(path->szAssociateFile, key.c_str());
    ListHolder list(NewList({path}));
    const char* f = folder.c_str();
    switch (rng() % 5) {
      case 0: if (db->fnUpdateInfoArray(f, key.c_str(), list.get()) == 1) expect[e] = {guid}; break;
      case 1: db->fnImportPathInfo(f, key.c_str(), path, nullptr); expect[e].insert(guid); break;
      case 2: db->fnDeleteInfoArray(f, key.c_str()); expect[e].clear(); break;
      case 3: db = std::make_unique<CMlvrDataBase>(); break;  // unload: write back
      default: db->fnSaveDataBase(f, 1);
    }
    usleep(rng() % 3000);
  }
  db.reset();
  std::ofstream out(expectFile);
  for (int e = 0; e < kOwn; ++e) {
    out << "/m/p" << p << "e" << e << ".mp4";
    for (const std::string& g : expect[e]) out << ' ' << g;
    out << '\n';
  }
}

TEST(MultiProcess, FourWritersLoseNoPath) {
  TempDir dir;
  const std::string folder = dir.File("db");
  pid_t pids[kProcesses];
  for (int p = 0; p < kProcesses; ++p) {
    if ((pids[p] = fork()) != 0) continue;
    Writer(folder, p, dir.File("expect" + std::to_string(p)));
    _exit(0);
  }
  for (pid_t pid : pids) ASSERT_EQ(Wait(pid), 0);
  for (const auto& f : std::filesystem::directory_iterator(folder)) {
    ListHolder list;
    if (f.path().extension() != ".otp") continue;
    EXPECT_EQ(PathInfo_OpenSave(f.path().c_str(), 0, list.ref()), 1) << f.path();
  }
  ASSERT_EQ(MlvrX_Folder_AdoptOrphans(folder.c_str(), nullptr), 1) << MlvrX_LastError();
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir.File("expect" + std::to_string(p)));
    std::string line, key, g;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::vector<std::string> expect;
      for (words >> key; words >> g;) expect.push_back(g);
      std::vector<std::string> held = dbtest::OnDisk(folder, key);
      std::sort(held.begin(), held.end());
      EXPECT_EQ(held, expect) << key;
    }
  }
}

// Host threads calling the database exports at once, some holding the
// database lock across several calls. Every call is logged while the lock
// is held, so the log is the order in which the calls really ran; replaying
// it on fresh folders from one thread must give the same content.
constexpr int kThreads = 8, kCallsPerThread = 5000, kMedia = 6;
constexpr uint64_t kMediaBytes = 7;

enum Kind { kFetch, kUpdate, kPathByGuid, kNodeByGuid, kImport, kRelink, kDelete };

// `other` is a relink's target; `serial` makes an update's or import's paths unique.
struct Call { Kind kind; int folder, media, other, thread, serial; };

std::string GuidOf(int thread, int serial, int k) {
  return "{" + std::to_string(thread) + "-" + std::to_string(serial * 4 + k) + "}";
}

// Path k of a call; later serials are newer, so imports of a refreshed path
// copy it.
_PATH_INFO_* MakePath(const char* media, const Call& c, int k) {
  const float x = static_cast<float>((c.thread * 131 + c.serial * 17 + k) % 100) / 100.0f;
  _PATH_INFO_* p = NewPath({Node(0, x, 0.5f), Node(5, x, 0.6f), Node(10, x, 0.7f)});
  std::snprintf(p->szGUID, sizeof p->szGUID, "%s", GuidOf(c.thread, c.serial, k).c_str());
  std::snprintf(p->szAssociateFile, sizeof p->szAssociateFile, "%s", media);
  std::snprintf(p->szTimeStamp, sizeof p->szTimeStamp, "20261207.%06d.%03d", c.serial % 1000000,
                c.thread);
  p->qwAssociateFileSize = kMediaBytes;
  return p;
}

// Runs one call on the given folders; the caller holds the database lock.
void RunCall(const std::vector<std::string>& folders, const std::vector<std::string>& media,
             const Call& c) {
  const char *folder = folders[c.folder].c_str(), *file = media[c.media].c_str();
  const std::string guid = GuidOf(c.thread, c.serial, 0);
  _PATH_INFO_ARRAY_* list = nullptr;
  _PATH_INFO_* path = nullptr;
  _PATH_NODE_ node{};
  CString made;
  char key[260];
  switch (c.kind) {
    case kFetch: Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder, file, &list); break;
    case kUpdate:
      list = NewList({MakePath(file, c, 0)});
      if (c.serial % 2 == 1) Mlvr_PathInfoArray_Add(&list, MakePath(file, c, 1));
      Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(folder, file, list);
      Mlvr_PathInfoArray_Free(&list);
      break;
    case kPathByGuid: Mlvr_DataBase_GetPathInfoByGUID(folder, guid.c_str(), &path, key); break;
    case kNodeByGuid:
      Mlvr_DataBase_GetPathNodeByGUID(folder, guid.c_str(), 7, {1080, 1920}, 90.0f, &node,
                                      nullptr, 0);
      break;
    case kImport:
      path = MakePath(file, c, 3);
      Mlvr_DataBase_ImportPathInfo(folder, file, path, &made);
      Mlvr_PathInfo_FreeInfos(&path, 1);
      break;
    case kRelink: Mlvr_DataBase_RelinkAssociateFile(folder, file, media[c.other].c_str()); break;
    case kDelete: Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(folder, file); break;
  }
}

Call Draw(std::mt19937& rng, int thread, int serial) {
  // Per hundred, in the order of Kind: 39 fetches, 25 updates, 13 and 12
  // lookups, one import, one relink and 9 deletes.
  std::discrete_distribution<int> pick({39, 25, 13, 12, 1, 1, 9});
  const Kind kind = static_cast<Kind>(pick(rng));
  const int media = static_cast<int>(rng() % kMedia);
  // Lookups ask for paths that some update of this thread may have made.
  const int asked =
      (kind == kPathByGuid || kind == kNodeByGuid) ? static_cast<int>(rng() % (serial + 1)) : serial;
  return Call{kind, static_cast<int>(rng() % 2), media,
              static_cast<int>((media + 1 + rng() % (kMedia - 1)) % kMedia), thread, asked};
}

// Every media file's whole list in a folder, packed: all fields of every
// path and node, but not the names of the path files.
std::string Content(const std::string& folder, const std::vector<std::string>& media) {
  std::string out;
  for (const std::string& file : media) {
    _PATH_INFO_ARRAY_* own = nullptr;
    Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder.c_str(), file.c_str(), &own);
    UINT size = 0;
    std::string bytes;
    if (own != nullptr && Mlvr_PathInfoArray_Pack(&own, nullptr, &size) == 1) {
      bytes.resize(size);
      Mlvr_PathInfoArray_Pack(&own, reinterpret_cast<uint8_t*>(&bytes[0]), &size);
    }
    out += file + ":" + bytes + "\n";
  }
  return out;
}

TEST(DataBaseConcurrency, ThreadsAgreeWithASequentialReplayInLockOrder) {
  TempDir dir;
  ASSERT_EQ(ModuleLoad(), 1);  // as the host's loading of the library does
  const std::vector<std::string> live{dir.File("live-a"), dir.File("live-b")};
  const std::vector<std::string> replay{dir.File("replay-a"), dir.File("replay-b")};
  std::vector<std::string> media;
  for (int m = 0; m < kMedia; ++m) {
    // Real media files of the recorded size, so that relinks go through.
    media.push_back(dir.File("clip" + std::to_string(m) + ".mp4"));
    testing_support::WriteFileBytes(media.back(), std::vector<uint8_t>(kMediaBytes, 'v'));
  }

  std::vector<Call> log;  // appended only while the database lock is held
  log.reserve(kThreads * kCallsPerThread);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 rng(1000 + t);
      int serial = 0;
      while (serial < kCallsPerThread) {
        // Even threads sometimes keep the lock across a burst of calls,
        // taking it again for each call inside (the lock is recursive).
        const int burst = (t % 2 == 0 && rng() % 4 == 0) ? 2 + static_cast<int>(rng() % 4) : 1;
        if (burst > 1) Mlvr_DataBase_Lock();
        for (int b = 0; b < burst && serial < kCallsPerThread; ++b, ++serial) {
          const Call c = Draw(rng, t, serial);
          Mlvr_DataBase_Lock();
          log.push_back(c);
          RunCall(live, media, c);
          Mlvr_DataBase_Unlock();
        }
        if (burst > 1) Mlvr_DataBase_Unlock();
      }
    });
  }
  for (std::thread& th : threads) th.join();
  ASSERT_EQ(log.size(), static_cast<size_t>(kThreads * kCallsPerThread));

  Mlvr_DataBase_Lock();
  for (const Call& c : log) RunCall(replay, media, c);
  for (int f = 0; f < 2; ++f) {
    const std::string got = Content(live[f], media);
    EXPECT_EQ(got, Content(replay[f], media)) << "folder " << f;
    EXPECT_NE(got.find('{'), std::string::npos);  // some media file ends with paths
  }
  Mlvr_DataBase_Unlock();
  ModuleUnload();
}

}  // namespace
}  // namespace mlvns
