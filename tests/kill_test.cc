// A host killed with SIGKILL while the library writes a folder of 200
// entries back: afterwards every entry must read back holding either its
// list from before the run or the one the run gave it, never a mix and
// never nothing. The host is a forked child that gives every entry a new
// list and lets its database go, which writes the folder back as an unload
// does.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "database/database.h"
#include "molvaren/molvaren.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

constexpr int kEntries = 200;
constexpr int kKills = 50;

std::string Media(const std::string& folder, int m) {
  return folder + "-media/clip" + std::to_string(m) + ".mp4";
}

// Starts the child and returns its process id. The generation is in every
// node, so a list read back tells which run wrote it, and a mix shows.
pid_t Spawn(const std::string& folder, int generation) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  {
    CMlvrDataBase db;
    for (int m = 0; m < kEntries; ++m) {
      std::vector<_PATH_NODE_> nodes;
      for (int n = 0; n < 20; ++n)
        nodes.push_back(testing_support::Node(n, static_cast<float>(generation),
                                              static_cast<float>(m)));
      testing_support::ListHolder list(testing_support::NewList({testing_support::NewPath(nodes)}));
      db.fnUpdateInfoArray(folder.c_str(), Media(folder, m).c_str(), list.get());
    }
  }
  _exit(0);
}

int Wait(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid ? status : -1;
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
    ASSERT_TRUE(g == (*held)[m] || g == run)
        << key << " holds generation " << g << " after kill " << run << ", before it held "
        << (*held)[m];
    (*held)[m] = g;
  }
  db.Discard();  // read only: no write-back
}

TEST(DataBaseKill, WriteBackSurvivesSigkillAtAnyMoment) {
  testing_support::TempDir dir;
  const std::string folder = dir.File("db");

  // Generation 0 written whole; its duration sets the range of kill moments.
  const auto start = std::chrono::steady_clock::now();
  const int status = Wait(Spawn(folder, 0));
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::vector<int> held(kEntries, 0);
  CheckFolder(folder, 0, &held);

  std::mt19937 rng(20261207);
  const long long span = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  int finished = 0;
  for (int run = 1; run <= kKills; ++run) {
    const pid_t pid = Spawn(folder, run);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % (span + 1)));
    kill(pid, SIGKILL);
    const int s = Wait(pid);
    if (WIFEXITED(s)) ++finished;
    CheckFolder(folder, run, &held);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Most kills landed inside the run rather than after it.
  EXPECT_LT(finished, kKills / 2);
}

}  // namespace
}  // namespace mlvns
