// A host killed with SIGKILL while the library writes a folder of 200
// entries back: afterwards the index must parse, every path file must
// decode, and every entry must hold either its list from before the run or
// the one the run gave it, never a mix and never nothing.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "molvaren/molvaren.h"
#include "tests/support/test_support.h"

#ifndef MOLVAREN_KILL_CHILD
#error "MOLVAREN_KILL_CHILD names the child program"
#endif

namespace mlvns {
namespace {

constexpr int kEntries = 200;
constexpr int kKills = 50;

// Starts the child and returns its process id.
pid_t Spawn(const std::string& folder, int generation) {
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string count = std::to_string(kEntries), gen = std::to_string(generation);
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 1);
    execl(MOLVAREN_KILL_CHILD, "kill_child", folder.c_str(), count.c_str(), gen.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// The index read by hand, independently of the library's own reader:
// associate key to path-file base name.
std::map<std::string, std::string> ReadIndex(const std::string& folder, std::string* problem) {
  std::ifstream in(folder + "/Molvaren.ini");
  if (!in) {
    *problem = "no index";
    return {};
  }
  std::map<int, std::pair<std::string, std::string>> sections;
  int numOfFiles = -1, current = -2;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      int n = 0;
      current = std::sscanf(line.c_str(), "[File_%d]", &n) == 1 ? n : (line == "[Setting]" ? -1 : -3);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      *problem = "stray line: " + line;
      return {};
    }
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (current == -1 && key == "NumOfFiles") numOfFiles = std::atoi(value.c_str());
    if (current >= 0 && key == "AssiciateFile") sections[current].first = value;
    if (current >= 0 && key == "DataBaseName") sections[current].second = value;
  }
  std::map<std::string, std::string> entries;
  for (int i = 0; i < numOfFiles; ++i) {
    const auto& s = sections[i];
    if (s.first.empty() || s.second.empty()) {
      *problem = "section File_" + std::to_string(i) + " incomplete";
      return {};
    }
    entries[s.first] = s.second;
  }
  return entries;
}

// The generation that wrote an entry's path file, or -1 when it does not
// decode as one whole list of one run.
int GenerationOf(const std::string& file, int media) {
  _PATH_INFO_ARRAY_* list = nullptr;
  int generation = -1;
  if (Mlvr_OpenSavePathInfo(file.c_str(), 0, &list) == 1 && list != nullptr &&
      list->nNumOfPathInfos == 1 && list->ppPathInfos[0] != nullptr &&
      list->ppPathInfos[0]->nTotalPathNodeNum == 20) {
    const _PATH_INFO_* p = list->ppPathInfos[0];
    generation = static_cast<int>(p->pPathNodes[0].fXPos);
    for (int n = 0; n < 20; ++n)
      if (p->pPathNodes[n].fXPos != static_cast<float>(generation) ||
          p->pPathNodes[n].fYPos != static_cast<float>(media) || p->pPathNodes[n].nFrameIndex != n)
        generation = -1;
  }
  Mlvr_PathInfoArray_Free(&list);
  return generation;
}

// Checks the folder; `held` is each entry's generation before the run,
// updated to what the folder holds now.
void CheckFolder(const std::string& folder, int run, std::vector<int>* held) {
  std::string problem;
  const std::map<std::string, std::string> index = ReadIndex(folder, &problem);
  ASSERT_EQ(problem, "") << "after kill " << run;
  ASSERT_EQ(index.size(), static_cast<size_t>(kEntries)) << "after kill " << run;
  for (int m = 0; m < kEntries; ++m) {
    const std::string key = folder + "-media/clip" + std::to_string(m) + ".mp4";
    const auto it = index.find(key);
    ASSERT_NE(it, index.end()) << key << " lost after kill " << run;
    const int g = GenerationOf(folder + "/" + it->second + ".otp", m);
    ASSERT_TRUE(g == (*held)[m] || g == run)
        << key << " holds generation " << g << " after kill " << run << ", before it held "
        << (*held)[m];
    (*held)[m] = g;
  }
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
  std::printf("%d of %d runs were killed before they ended\n", kKills - finished, kKills);
}

}  // namespace
}  // namespace mlvns
