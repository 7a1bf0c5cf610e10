// Write-back of a folder with several entries while the platform fails the
// Nth write, rename, sync, create or delete: whatever N, the call returns,
// every file of the folder is its old or its new complete version, and no
// path that was on disk before is lost.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/database_test_util.h"
#include "platform/env.h"
#include "tests/support/test_env.h"

namespace mlvns {
namespace {

using dbtest::Path;
using dbtest::WritePathFile;
using dbtest::WriteText;
using testing_support::FaultEnv;
using testing_support::FileOp;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

using Files = std::map<std::string, std::vector<uint8_t>>;

const char* const kKeys[] = {"/v/a.mp4", "/v/b.mp4", "/v/c.mp4", "/v/d.mp4", "/v/e.mp4"};
const char* const kNames[] = {"{NA}", "{NB}", "{NC}", "{ND}", "{NE}"};

// {OLD-A}, {NEW-C} and so on: the identity of the old or new list of entry i.
std::string Guid(const char* age, int i) {
  return std::string("{") + age + "-" + static_cast<char>('A' + i) + "}";
}

Files ReadFolder(const std::string& folder) {
  Files files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    if (e.path().filename() == "Molvaren.lock") continue;  // holds nothing
    files[e.path().filename().string()] = ReadFileBytes(e.path().string());
  }
  return files;
}

void ReplaceFolder(const std::string& folder, const Files& files) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  for (const auto& f : files) testing_support::WriteFileBytes(folder + "/" + f.first, f.second);
}

// The folder before: four entries on disk and a fifth named in the index
// whose path file was never written; sections out of key order, so that the
// write-back renumbers them.
Files OldFolder(const std::string& folder) {
  platform::Env::Default()->CreateFolder(folder.c_str());
  for (int i = 0; i < 4; ++i) {
    WritePathFile(folder + "/" + kNames[i] + ".otp",
                  {Path(Guid("OLD", i).c_str()), Path("{OLD-2}")});
  }
  std::string index;
  const int order[] = {3, 1, 4, 0, 2};
  for (int s = 0; s < 5; ++s)
    index += "[File_" + std::to_string(s) + "]\nAssiciateFile=" + kKeys[order[s]] +
             "\nDataBaseName=" + kNames[order[s]] + "\n";
  WriteText(folder + "/Molvaren.ini", index + "[Setting]\nNumOfFiles=5\n");
  return ReadFolder(folder);
}

// What the host changes before the write-back: every entry gets a new list.
void ChangeEverything(CMlvrDataBase& db, const std::string& folder) {
  for (int i = 0; i < 5; ++i) {
    ListHolder list(NewList({Path(Guid("NEW", i).c_str(), "20260101.000000.000", {0, 5, 9})}));
    db.fnUpdateInfoArray(folder.c_str(), kKeys[i], list.get());
  }
}

TEST(DataBaseWriteBackFaults, EveryFailedCallLeavesOldOrNewFiles) {
  TempDir dir;
  const std::string folder = dir.File("db");
  const Files before = OldFolder(folder);
  FaultEnv faults;

  // A clean write-back: the new versions, and how many calls of each kind
  // it makes.
  Files after;
  uint64_t calls[static_cast<int>(FileOp::kKinds)];
  {
    CMlvrDataBase db(faults);
    ChangeEverything(db, folder);
    faults.Reset();
    db.fnSaveDataBase(folder.c_str(), 1);
    for (int k = 0; k < static_cast<int>(FileOp::kKinds); ++k)
      calls[k] = faults.Count(static_cast<FileOp>(k));
    after = ReadFolder(folder);
  }
  ASSERT_EQ(after.size(), 6u);  // five path files and the index
  ASSERT_NE(after["Molvaren.ini"], before.at("Molvaren.ini"));
  // At least the five path files; the index too where the platform's own
  // engine writes it (on Windows the system's profile functions do).
  for (FileOp op : {FileOp::kWrite, FileOp::kRename, FileOp::kSync, FileOp::kCreate})
    EXPECT_GE(calls[static_cast<int>(op)], 5u) << static_cast<int>(op);

  int failedRuns = 0;
  for (int k = 0; k < static_cast<int>(FileOp::kKinds); ++k) {
    const FileOp op = static_cast<FileOp>(k);
    for (uint64_t n = 1; n <= calls[k]; ++n) {
      SCOPED_TRACE("file operation kind " + std::to_string(k) + ", call #" + std::to_string(n));
      ReplaceFolder(folder, before);
      {
        CMlvrDataBase db(faults);
        ChangeEverything(db, folder);
        faults.Arm(op, n);
        EXPECT_EQ(db.fnSaveDataBase(folder.c_str(), 1), 1);
        faults.Reset();
      }
      const Files now = ReadFolder(folder);
      if (now != after) ++failedRuns;
      for (const auto& f : before)
        EXPECT_EQ(now.count(f.first), 1u) << f.first << " was lost";
      for (const auto& f : now) {
        const bool isOld = before.count(f.first) != 0 && before.at(f.first) == f.second;
        const bool isNew = after.count(f.first) != 0 && after.at(f.first) == f.second;
        // Only a failed removal of a temporary may leave the temporary.
        const bool leftTemporary = op == FileOp::kDelete && before.count(f.first) == 0 &&
                                   after.count(f.first) == 0;
        EXPECT_TRUE(isOld || isNew || leftTemporary) << f.first << " is neither old nor new";
      }
      // Read back by a fresh database, every entry holds its old or its new
      // list; the fifth had no file before and may still have none.
      for (int i = 0; i < 5; ++i) {
        const std::vector<std::string> guids = dbtest::OnDisk(folder, kKeys[i]);
        const std::vector<std::string> old = {Guid("OLD", i), "{OLD-2}"};
        EXPECT_TRUE(guids == std::vector<std::string>{Guid("NEW", i)} ||
                    guids == (i < 4 ? old : std::vector<std::string>{}))
            << kKeys[i];
      }
    }
  }
  // The faults did make write-backs fail, not only pass by.
  EXPECT_GT(failedRuns, 10);
}

// A folder removed behind the database's back between two calls: the next
// write-back makes it again and saves what the host gave, and a lookup in
// between finds nothing on disk without failing.
TEST(DataBaseWriteBackFaults, AFolderThatVanishesBetweenCallsIsMadeAgain) {
  TempDir dir;
  const std::string folder = dir.File("gone/db");
  CMlvrDataBase db;
  ListHolder list(NewList({Path("{KEEP}")}));
  ASSERT_EQ(db.fnUpdateInfoArray(folder.c_str(), "/v/a.mp4", list.get()), 1);
  ASSERT_TRUE(platform::Env::Default()->PathExists(folder.c_str()));
  ASSERT_GT(std::filesystem::remove_all(dir.File("gone")), 0u);

  _PATH_INFO_* found = nullptr;
  EXPECT_EQ(db.fnGetPathInfoByGUID(folder.c_str(), "{KEEP}", &found, nullptr), 1);
  EXPECT_EQ(db.fnSaveDataBase(folder.c_str(), 1), 1);
  EXPECT_EQ(ReadFolder(folder).size(), 2u);  // the index and the one path file
  EXPECT_EQ(dbtest::OnDisk(folder, "/v/a.mp4"), std::vector<std::string>{"{KEEP}"});
}

// An import into, and a relink of, an entry whose list lies on disk, failing
// at each file operation in turn: the entry's paths are always on disk, in
// its old file or in the one the index now names.
TEST(DataBaseWriteBackFaults, ImportAndRelinkNeverLoseTheOldFile) {
  TempDir dir;
  const std::string folder = dir.File("db");
  const std::string media = dir.File("new.mp4");
  WriteText(media, std::string(10, 'v'));
  ListHolder imported(NewList({Path("{IMPORTED}", "20250101.000000.000")}));
  std::filesystem::create_directory(folder);
  _PATH_INFO_* path = Path("{MOVED}");
  path->qwAssociateFileSize = 10;
  WritePathFile(folder + "/{OLD}.otp", {path});
  WriteText(folder + "/Molvaren.ini",
            "[File_0]\nAssiciateFile=/v/old.mp4\nDataBaseName={OLD}\n[Setting]\nNumOfFiles=1\n");
  const Files before = ReadFolder(folder);
  FaultEnv faults;
  for (bool relink : {false, true}) {
    for (int k = 0; k < static_cast<int>(FileOp::kKinds); ++k) {
      for (uint64_t n = 1; n <= 8; ++n) {
        SCOPED_TRACE(std::string(relink ? "relink" : "import") + ", file operation kind " +
                     std::to_string(k) + ", call #" + std::to_string(n));
        ReplaceFolder(folder, before);
        {
          CMlvrDataBase db(faults);
          faults.Arm(static_cast<FileOp>(k), n);
          if (relink)
            db.fnRelinkAssociateFile(folder.c_str(), "/v/old.mp4", media.c_str());
          else
            db.fnImportPathInfo(folder.c_str(), "/v/old.mp4", imported->ppPathInfos[0], nullptr);
          faults.Reset();
        }
        const bool oldThere = platform::Env::Default()->PathExists((folder + "/{OLD}.otp").c_str());
        const auto guids = dbtest::OnDisk(folder, relink ? media : "/v/old.mp4");
        const bool kept = std::count(guids.begin(), guids.end(), "{MOVED}") == 1;
        EXPECT_TRUE(oldThere || kept) << "the paths of /v/old.mp4 are gone";
      }
    }
  }
}

}  // namespace
}  // namespace mlvns
