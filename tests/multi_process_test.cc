// Four processes add, update, import and delete entries of their own in one
// folder, unloading their database at random moments, 50 rounds each. Then
// every path a process kept is in the index (after the repair adopted any
// orphan), nothing it deleted is, and every path file decodes.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/path_file.h"
#include "database/database_test_util.h"
#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {

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
    testing_support::ListHolder list(testing_support::NewList({path}));
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
  testing_support::TempDir dir;
  const std::string folder = dir.File("db");
  pid_t pids[kProcesses];
  for (int p = 0; p < kProcesses; ++p) {
    if ((pids[p] = fork()) != 0) continue;
    Writer(folder, p, dir.File("expect" + std::to_string(p)));
    _exit(0);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const auto& f : std::filesystem::directory_iterator(folder)) {
    testing_support::ListHolder list;
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

}  // namespace
}  // namespace mlvns
