// Host threads calling the database exports at once, some holding the
// database lock across several calls. Every call is logged while the lock
// is held, so the log is the order in which the calls really ran; replaying
// it on fresh folders from one thread must give the same content.
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "module/lifecycle.h"
#include "molvaren/molvaren.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::TempDir;

constexpr int kThreads = 8;
constexpr int kCallsPerThread = 5000;
constexpr int kMedia = 6;
constexpr uint64_t kMediaBytes = 7;

enum class Kind { kFetch, kUpdate, kPathByGuid, kNodeByGuid, kImport, kRelink, kDelete };

struct Call {
  Kind kind;
  int folder;
  int media;
  int other;   // relink target
  int thread;
  int serial;  // makes the paths of an update or import unique
};

std::string GuidOf(int thread, int serial, int k) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-0000-4000-8000-%012X}", static_cast<unsigned>(thread),
                static_cast<unsigned>(serial * 4 + k));
  return buf;
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
  const char* folder = folders[c.folder].c_str();
  const char* file = media[c.media].c_str();
  const std::string guid = GuidOf(c.thread, c.serial, 0);
  _PATH_INFO_ARRAY_* list = nullptr;
  _PATH_INFO_* path = nullptr;
  _PATH_NODE_ node{};
  CString made;
  char associate[260];
  switch (c.kind) {
    case Kind::kFetch:
      Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder, file, &list);
      break;
    case Kind::kUpdate:
      list = NewList({MakePath(file, c, 0)});
      if (c.serial % 2 == 1) Mlvr_PathInfoArray_Add(&list, MakePath(file, c, 1));
      Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(folder, file, list);
      Mlvr_PathInfoArray_Free(&list);
      break;
    case Kind::kPathByGuid:
      Mlvr_DataBase_GetPathInfoByGUID(folder, guid.c_str(), &path, associate);
      break;
    case Kind::kNodeByGuid:
      Mlvr_DataBase_GetPathNodeByGUID(folder, guid.c_str(), 7, MLVR_SIZE{1080, 1920}, 90.0f,
                                      &node, nullptr, 0);
      break;
    case Kind::kImport:
      path = MakePath(file, c, 3);
      Mlvr_DataBase_ImportPathInfo(folder, file, path, &made);
      Mlvr_PathInfo_FreeInfos(&path, 1);
      break;
    case Kind::kRelink:
      Mlvr_DataBase_RelinkAssociateFile(folder, file, media[c.other].c_str());
      break;
    case Kind::kDelete:
      Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(folder, file);
      break;
  }
}

Call Draw(std::mt19937& rng, int thread, int serial) {
  // Per hundred, in the order of Kind: 39 fetches, 25 updates, 13 and 12
  // lookups, one import, one relink and 9 deletes.
  std::discrete_distribution<int> pick({39, 25, 13, 12, 1, 1, 9});
  const Kind kind = static_cast<Kind>(pick(rng));
  const int media = static_cast<int>(rng() % kMedia);
  // Lookups ask for paths that some update of this thread may have made.
  const int asked = (kind == Kind::kPathByGuid || kind == Kind::kNodeByGuid)
                        ? static_cast<int>(rng() % (serial + 1))
                        : serial;
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
    // The run did something: some media file ends with paths.
    EXPECT_NE(got.find("-4000-8000-"), std::string::npos);
  }
  Mlvr_DataBase_Unlock();
  ModuleUnload();
}

}  // namespace
}  // namespace mlvns
