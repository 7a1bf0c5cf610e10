// The orphan repair as a host calls it: what it adopts, and the folders it
// refuses without changing a byte.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "molvaren/molvaren.h"
#include "molvaren/molvaren_x.h"

namespace {
namespace fs = std::filesystem;

// A path file whose paths name the given media files.
void Save(const fs::path& file, std::vector<const char*> media) {
  mlvns::_PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(MlvrX_PathInfoArray_New(&list), 1);
  for (const char* m : media) {
    mlvns::_PATH_INFO_* p = nullptr;
    ASSERT_EQ(MlvrX_PathInfo_New(&p), 1);
    std::strcpy(p->szAssociateFile, m);
    ASSERT_EQ(Mlvr_PathInfoArray_Add(&list, p), 1);
  }
  ASSERT_EQ(Mlvr_OpenSavePathInfo(file.c_str(), 1, &list), 1);
  Mlvr_PathInfoArray_Free(&list);
}

// Each file's content hash; the lock file holds nothing.
std::map<std::string, size_t> Snapshot(const fs::path& folder) {
  std::map<std::string, size_t> files;
  for (const auto& f : fs::directory_iterator(folder)) {
    std::ifstream in(f.path(), std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    files[f.path().filename()] = std::hash<std::string>()(bytes);
  }
  return files;
}

class FolderRepair : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "Molvaren.ini") << "[File_0]\nAssiciateFile=/v/a.mp4\nDataBaseName={A}\n"
                                            "[Setting]\nNumOfFiles=1\n";
    Save(dir_ / "{A}.otp", {"/v/a.mp4"});
    Save(dir_ / "{O}.otp", {"/V/Orphan.MP4", "/v/orphan.mp4"});
    std::ofstream(dir_ / "{JUNK}.otp") << "not a path file";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_ = fs::temp_directory_path() / ("repair-" + std::to_string(getpid()));
};

TEST_F(FolderRepair, AdoptsWhatDecodesUnderItsMediaFileAndDeletesNothing) {
  std::string key;
  MlvrX_Folder_ListOrphans(dir_.c_str(), [](const char*, const char* k, const char*, void* u) {
    *static_cast<std::string*>(u) = k != nullptr ? k : "(refused)";
  }, &key, nullptr);
  EXPECT_EQ(key, "/v/orphan.mp4");
  int32_t adopted = 0;
  ASSERT_EQ(MlvrX_Folder_AdoptOrphans(dir_.c_str(), &adopted), 1) << MlvrX_LastError();
  EXPECT_EQ(adopted, 1);
  EXPECT_EQ(Snapshot(dir_).size(), 5u);  // nothing deleted, the lock file added
  ASSERT_EQ(MlvrX_Folder_AdoptOrphans(dir_.c_str(), &adopted), 1);
  EXPECT_EQ(adopted, 0);  // none left
}

// The index as the library reads it: the later of two sections for one
// media file wins, refused names are skipped, keys fold beyond ASCII.
TEST_F(FolderRepair, ListsTheIndexWithTheLibrarysVerdicts) {
  std::ofstream(dir_ / "Molvaren.ini") << "[Setting]\nNumOfFiles=3\n"
      "[File_0]\nAssiciateFile=/v/\xC3\x89T\xC3\x89.mp4\nDataBaseName={A}\n"
      "[File_1]\nAssiciateFile=/v/\xC3\xA9t\xC3\xA9.mp4\nDataBaseName={O}\n"
      "[File_2]\nAssiciateFile=/v/c.mp4\nDataBaseName=c|d\n";
  std::vector<std::string> seen;
  int32_t n = 0;
  ASSERT_EQ(MlvrX_Folder_ListIndex(dir_.c_str(), [](const MlvrX_IndexEntry* e, void* u) {
    static_cast<std::vector<std::string>*>(u)->push_back(
        std::to_string(e->nSection) + e->pszAssociateKey + "=" + e->pszDataBaseName + ":" +
        std::to_string(e->nVerdict));
  }, &seen, &n), 1) << MlvrX_LastError();
  EXPECT_EQ(n, 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"0/v/\xC3\xA9t\xC3\xA9.mp4={A}:2",
                                            "1/v/\xC3\xA9t\xC3\xA9.mp4={O}:0", "2/v/c.mp4=c|d:1"}));
  fs::remove(dir_ / "Molvaren.ini");
  ASSERT_EQ(MlvrX_Folder_ListIndex(dir_.c_str(), nullptr, nullptr, &n), 1);
  EXPECT_EQ(n, -1);  // no index
  EXPECT_EQ(MlvrX_Folder_ListIndex((dir_ / "{A}.otp").c_str(), nullptr, nullptr, &n), 0);
  EXPECT_NE(std::string(MlvrX_LastError()).find("no such folder"), std::string::npos);
  EXPECT_EQ(MlvrX_Folder_ListIndex(nullptr, nullptr, nullptr, &n), 0);
  char key[8];
  EXPECT_EQ(MlvrX_AssociateKey("/V/A.MP4", key, sizeof key), 0);  // 9 bytes needed
  ASSERT_EQ(MlvrX_AssociateKey("/V/AB.M", key, sizeof key), 1);
  EXPECT_STREQ(key, "/v/ab.m");
  EXPECT_EQ(MlvrX_AssociateKey(nullptr, key, sizeof key), 0);
}

TEST_F(FolderRepair, RefusesAndChangesNothing) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"not a database folder", [&] { fs::remove_all(dir_); fs::create_directories(dir_); }},
      {"different media files", [&] { Save(dir_ / "{MIX}.otp", {"/v/b.mp4", "/v/c.mp4"}); }},
      {"has an entry already", [&] { Save(dir_ / "{A2}.otp", {"/v/A.mp4"}); }},
      {"in use by another process", [&] {
         const int fd = open((dir_ / "Molvaren.lock").c_str(), O_RDWR | O_CREAT, 0644);
         ASSERT_EQ(flock(fd, LOCK_EX), 0);  // released when the test's process ends
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    TearDown();
    SetUp();
    c.second();
    const auto before = Snapshot(dir_);
    EXPECT_EQ(MlvrX_Folder_AdoptOrphans(dir_.c_str(), nullptr), 0);
    EXPECT_NE(std::string(MlvrX_LastError()).find(c.first), std::string::npos) << MlvrX_LastError();
    EXPECT_EQ(Snapshot(dir_), before);
  }
}

}  // namespace
