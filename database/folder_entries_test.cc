// A folder's entries: the index as read, each list fetched, replaced,
// deleted, imported into or relinked, and every write-back of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "tests/support/database_folders.h"
#include "tests/support/test_env.h"

namespace mlvns {
namespace {

using dbtest::Exists, dbtest::Guids, dbtest::GuidsInFile, dbtest::OnDisk, dbtest::Path;
using dbtest::PathFileName, dbtest::ReadText, dbtest::WritePathFile, dbtest::WriteText;
using testing_support::FaultEnv, testing_support::FileOp, testing_support::ListHolder;
using testing_support::NewList, testing_support::PathHolder, testing_support::TempDir;
using Strings = std::vector<std::string>;

// A list read only for a lookup is saved again, as every loaded list is,
// unless its file changed on disk since it was read (another process's) or
// could not be decoded whole (a fetched list too: nothing on disk is lost).
TEST(WriteBack, SavesListsReadUnlessTheirFileChangedOrIsDamaged) {
  enum { kAsRead, kRewritten, kDamaged };
  for (int c : {kAsRead, kRewritten, kDamaged}) {
    SCOPED_TRACE(c);
    TempDir dir;
    const std::string f = dir.path(), file = dir.File("{B}.otp");
    WritePathFile(file, {Path("{P-B}"), Path("{P2}")});
    const std::string read = ReadText(file);
    // Bytes the decoder passes over, or a file cut in its second path.
    const std::string onDisk = c == kDamaged ? read.substr(0, read.size() - 100) : read + "tail";
    WriteText(file, onDisk);
    WriteText(dir.File("Molvaren.ini"),
              "[Setting]\r\nNumOfFiles=1\r\n[File_0]\r\nAssiciateFile=b\r\nDataBaseName={B}\r\n");
    CMlvrDataBase db;
    _PATH_NODE_ node;
    _PATH_INFO_ARRAY_* list = nullptr;
    ASSERT_EQ(c == kDamaged ? db.fnGetInfoArray(f.c_str(), "b", &list)
                            : db.fnGetPathNodeByGUID(f.c_str(), "{P-B}", 0, {1920, 1080}, 0.0f,
                                                     &node, nullptr, 0), 1);
    EXPECT_TRUE(c != kDamaged || list != nullptr);  // what could be decoded
    if (c == kRewritten) WriteText(file, read + "other");
    ASSERT_EQ(db.fnSaveDataBase(f.c_str(), 1), 1);
    const std::string want[] = {read, read + "other", onDisk};
    EXPECT_EQ(ReadText(file), want[c]);
  }
}

TEST(WriteBack, RenumbersInKeyOrderAndKeepsLeftoverSections) {
  TempDir dir;
  const std::string f = dir.path();
  WritePathFile(dir.File("{B}.otp"), {Path("{P-B}")});
  WritePathFile(dir.File("{C}.otp"), {Path("{P-C}")});
  WriteText(dir.File("Molvaren.ini"),
            "[Setting]\r\nNumOfFiles=3\r\n"
            "[File_0]\r\nAssiciateFile=/v/c.mp4\r\nDataBaseName={C}\r\n"
            "[File_1]\r\nAssiciateFile=/v/b.mp4\r\nDataBaseName={B}\r\n"
            "[File_2]\r\nAssiciateFile=/v/a.mp4\r\nDataBaseName={A}\r\n");
  auto db = std::make_unique<CMlvrDataBase>();
  EXPECT_EQ(db->fnSaveDataBase(f.c_str(), 0), 1);  // never loaded: nothing written
  EXPECT_EQ(ReadText(dir.File("Molvaren.ini")).find("NumOfFiles=3"), 11u);

  ASSERT_EQ(db->fnDeleteInfoArray(f.c_str(), "/V/A.MP4"), 1);
  _PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(db->fnGetInfoArray(f.c_str(), "/v/c.mp4", &list), 1);
  ASSERT_NE(list, nullptr);
  Mlvr_PathInfoArray_Add(&list, Path("{P-C2}"));  // an edit through the handed-out list

  db.reset();  // destruction writes the folder back
  EXPECT_EQ(ReadText(dir.File("Molvaren.ini")),
            "[Setting]\r\nNumOfFiles=2\r\n"
            "[File_0]\r\nAssiciateFile=/v/b.mp4\r\nDataBaseName={B}\r\n"
            "[File_1]\r\nAssiciateFile=/v/c.mp4\r\nDataBaseName={C}\r\n"
            "[File_2]\r\nAssiciateFile=/v/a.mp4\r\nDataBaseName={A}\r\n");
  EXPECT_EQ(GuidsInFile(dir.File("{C}.otp")), (Strings{"{P-C}", "{P-C2}"}));
  EXPECT_EQ(GuidsInFile(dir.File("{B}.otp")), Strings{"{P-B}"});
}

Strings Keys(const CMlvrDataBase& db, const std::string& folderKey) {
  Strings keys;
  auto it = db.Folders().find(folderKey);
  if (it == db.Folders().end()) return keys;
  for (auto& e : it->second) keys.push_back(e.first + "=" + e.second->strDataBaseName);
  return keys;
}

TEST(FolderIndex, ParsesEntriesAndIsReadOncePerFolder) {
  TempDir dir;
  const std::string folder = dir.File("Data/Tracks");
  ASSERT_TRUE(std::filesystem::create_directories(folder));
  WriteText(folder + "/Molvaren.ini",
            "[Setting]\r\nNumOfFiles=4\r\n"
            "[File_0]\r\nAssiciateFile=/V/Clip.MP4\r\nDataBaseName={A}\r\n"
            "[File_1]\r\nAssiciateFile=/v/empty.mp4\r\nDataBaseName=\r\n"
            "[File_2]\r\nAssiciateFile=/v/CLIP.mp4\r\nDataBaseName={C}\r\n"
            "[File_3]\r\nAssociateFile=/v/misspelt.mp4\r\nDataBaseName={D}\r\n"
            "[File_4]\r\nAssiciateFile=/v/beyond.mp4\r\nDataBaseName={E}\r\n"
            "[File_03]\r\nAssiciateFile=/v/padded.mp4\r\nDataBaseName={F}\r\n");
  CMlvrDataBase db;
  ASSERT_EQ(db.fnLoadDataBase(folder.c_str()), 1);
  const std::string key = platform::LowerAnsi(folder + "/");
  // The empty name is skipped, the two spellings of one clip are one entry
  // (the later section wins), only "AssiciateFile" is read, and sections at
  // or beyond NumOfFiles are not.
  EXPECT_EQ(Keys(db, key), (Strings{"={D}", "/v/clip.mp4={C}"}));

  // The same folder written another way is not read again.
  WriteText(folder + "/Molvaren.ini", "[Setting]\r\nNumOfFiles=0\r\n");
  ASSERT_EQ(db.fnLoadDataBase((folder + "/").c_str()), 1);
  EXPECT_EQ(db.Folders().size(), 1u);
  EXPECT_EQ(Keys(db, key).size(), 2u);
}

TEST(FolderIndex, MissingFoldersAreMadeAndAFolderWithoutEntriesIsReadAgain) {
  TempDir dir;
  CMlvrDataBase db;
  ASSERT_EQ(db.fnLoadDataBase(dir.path().c_str()), 1);  // no index at all
  EXPECT_TRUE(db.Folders().empty());
  EXPECT_FALSE(Exists(dir.File("Molvaren.ini")));  // none is made
  WriteText(dir.File("Molvaren.ini"),
            "[Setting]\nNumOfFiles=1\n[File_0]\nAssiciateFile=a\nDataBaseName={A}\n");
  ASSERT_EQ(db.fnLoadDataBase(dir.path().c_str()), 1);
  EXPECT_EQ(Keys(db, platform::LowerAnsi(dir.path() + "/")), Strings{"a={A}"});

  // Missing folders are made, level by level.
  const std::string deep = dir.File("one/two/three");
  ASSERT_EQ(db.fnLoadDataBase(deep.c_str()), 1);
  EXPECT_TRUE(Exists(deep));
  EXPECT_EQ(db.fnLoadDataBase(""), 0);
  EXPECT_EQ(db.fnLoadDataBase(nullptr), 0);
}

TEST(FolderIndex, HostileAndOversizedValuesNeverNameFilesOutsideTheFolder) {
  TempDir dir;
  const std::string folder = dir.File("db"), longName(600, 'n'), longKey(600, 'k');
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  WriteText(dir.File("x.otp"), "outside");
  WriteText(folder + "/Molvaren.ini",
            "[Setting]\nNumOfFiles=99999999999\n"  // wraps; must not loop for long
            "[File_0]\nAssiciateFile=a\nDataBaseName=../x\n"
            "[File_1]\nAssiciateFile=b\nDataBaseName=/abs\n"
            "[File_2]\nAssiciateFile=c\nDataBaseName=..\n"
            "[File_3]\nAssiciateFile=d\nDataBaseName=" + longName + "\n"
            "[File_4]\nAssiciateFile=" + longKey + "\nDataBaseName={OK}\n"
            "[File_5]\nAssiciateFile=e\nDataBaseName=a\\..\\b\n"
            "[File_6]\nAssiciateFile=f\nDataBaseName=a*b\n");
  CMlvrDataBase db;
  ASSERT_EQ(db.fnLoadDataBase(folder.c_str()), 1);
  const std::string key = platform::LowerAnsi(folder + "/");
  // The long key is cut to 519 characters; every unsafe name is dropped.
  EXPECT_EQ(Keys(db, key), Strings{std::string(519, 'k') + "={OK}"});
  // Deleting such entries cannot touch the file outside.
  EXPECT_EQ(db.fnDeleteInfoArray(folder.c_str(), "a"), 0);
  EXPECT_TRUE(Exists(dir.File("x.otp")));
}

TEST(AssociateQueries, FetchUpdateDeleteInMemory) {
  TempDir dir;
  const std::string f = dir.path();
  CMlvrDataBase db;
  _PATH_INFO_ARRAY_ *const sentinel = reinterpret_cast<_PATH_INFO_ARRAY_*>(&db), *list = sentinel;
  EXPECT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);  // unknown file
  EXPECT_EQ(list, sentinel);

  ListHolder first(NewList({Path("{ONE}")}));
  ListHolder second(NewList({Path("{TWO}"), Path("{THREE}")}));
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/V/A.mp4", first.get()), 1);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.MP4", &list), 1);
  ASSERT_NE(list, first.get());  // the database keeps its own copy
  EXPECT_EQ(Guids(list), Strings{"{ONE}"});
  const std::string name = db.Folders().begin()->second.begin()->second->strDataBaseName;
  EXPECT_EQ(name.size(), 38u) << name;  // a fresh identity's text

  // A second update replaces the contents of the same list and keeps the name.
  _PATH_INFO_ARRAY_* held = list;
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", second.get()), 1);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);
  EXPECT_EQ(list, held);
  EXPECT_EQ(Guids(list), (Strings{"{TWO}", "{THREE}"}));
  EXPECT_EQ(db.Folders().begin()->second.begin()->second->strDataBaseName, name);

  // Handing the database its own list back is a no-op, not a loss.
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", list), 1);
  EXPECT_EQ(Guids(list), (Strings{"{TWO}", "{THREE}"}));

  // A list that cannot be copied leaves the entry as it was.
  ListHolder holey(NewList({Path("{H}")}));
  holey->ppPathInfos[0]->bHasExtraNode = 1;  // flag without its node
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(Guids(list), (Strings{"{TWO}", "{THREE}"}));
  // No folder, no associate file: refused.
  EXPECT_EQ(db.fnUpdateInfoArray("", "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(db.fnUpdateInfoArray(nullptr, "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), nullptr, holey.get()), 0);
  EXPECT_EQ(db.fnDeleteInfoArray(nullptr, "/v/a.mp4"), 0);
  EXPECT_EQ(db.fnDeleteInfoArray(f.c_str(), nullptr), 0);
  // A null list empties the entry, and gives a new file an empty entry.
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", nullptr), 1);
  EXPECT_EQ(Guids(list), Strings{});
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/b.mp4", nullptr), 1);
  _PATH_INFO_ARRAY_* empty = nullptr;
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/b.mp4", &empty), 1);
  ASSERT_TRUE(empty != nullptr && empty->nNumOfPathInfos == 0);
  EXPECT_FALSE(Exists(dir.File("Molvaren.ini")));  // nothing on disk yet

  EXPECT_EQ(db.fnDeleteInfoArray(f.c_str(), "/v/none.mp4"), 0);
  ASSERT_EQ(db.fnDeleteInfoArray(f.c_str(), "/V/a.mp4"), 1);
  list = sentinel;
  EXPECT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);
  EXPECT_EQ(list, sentinel);
}

TEST(AssociateQueries, DeleteRemovesThePathFileAtOnceButNotTheIndexEntry) {
  TempDir dir;
  WritePathFile(dir.File("{A}.otp"), {Path("{P}")});
  const std::string f = dir.path(),
                    index = "[Setting]\nNumOfFiles=1\n[File_0]\nAssiciateFile=a\nDataBaseName={A}\n";
  WriteText(dir.File("Molvaren.ini"), index);
  {
    CMlvrDataBase db;
    ASSERT_EQ(db.fnDeleteInfoArray(f.c_str(), "A"), 1);
    EXPECT_FALSE(Exists(dir.File("{A}.otp")));
    EXPECT_EQ(ReadText(dir.File("Molvaren.ini")), index);
    db.Discard();  // as if the run ended without a write-back
  }
  // The next run still finds the entry, with no list.
  CMlvrDataBase db;
  _PATH_INFO_ARRAY_* list = reinterpret_cast<_PATH_INFO_ARRAY_*>(&db);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "a", &list), 1);
  EXPECT_EQ(list, nullptr);
}

TEST(AssociateQueries, FolderThatCannotBeCreated) {
  TempDir dir;
  WriteText(dir.File("file"), "x");
  const std::string bad = dir.File("file/sub");
  CMlvrDataBase db;
  _PATH_INFO_ARRAY_* list = nullptr;
  EXPECT_EQ(db.fnGetInfoArray(bad.c_str(), "a", &list), 0);
  EXPECT_EQ(db.fnDeleteInfoArray(bad.c_str(), "a"), 0);
  ListHolder l(NewList({Path("{P}")}));
  EXPECT_EQ(db.fnUpdateInfoArray(bad.c_str(), "a", l.get()), 0);
  // The entry is kept in memory all the same.
  EXPECT_EQ(db.fnGetInfoArray(bad.c_str(), "a", &list), 1);
  EXPECT_EQ(Guids(list), Strings{"{P}"});
  // Its write-back fails unnoticed and creates nothing.
  EXPECT_EQ(db.fnSaveDataBase(bad.c_str(), 1), 1);
  EXPECT_FALSE(Exists(bad));
}

// The list as the next run reads it, with the fields import and relink set.
auto Fields(const std::string& folder, const std::string& key) { return OnDisk(folder, key, true); }

TEST(Import, AddsRefreshesAndCopiesUnderNewIdentities) {
  TempDir dir;
  const std::string f = dir.path();
  CMlvrDataBase db;
  PathHolder s(Path("{S}", "20240101.000000.000"));
  CString guid;

  // New to the folder, into a file without a list: kept under its identity.
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/A.mp4", s.get(), &guid), 1);
  EXPECT_STREQ(guid.GetString(), "{S}");
  EXPECT_TRUE(db.Folders().empty());  // written back and dropped
  EXPECT_EQ(Fields(f, "/v/a.mp4"), Strings{"{S}@20240101.000000.000<>/v/A.mp4"});

  // A newer source, named in other letter case, refreshes the one copy
  // with all of its fields.
  std::strcpy(s->szTimeStamp, "20240202.000000.000");
  std::strcpy(s->szAssociateFile, "/elsewhere.mp4");
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/V/A.MP4", s.get(), nullptr), 1);
  EXPECT_EQ(Fields(f, "/v/a.mp4"), Strings{"{S}@20240202.000000.000<>/elsewhere.mp4"});
  s->szAssociateFile[0] = '\0';

  // Into another file: a copy under a new identity that remembers its origin.
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/B.mp4", s.get(), &guid), 1);
  const std::string copy = guid.GetString();
  EXPECT_NE(copy, "{S}");
  EXPECT_EQ(copy.size(), 38u);
  EXPECT_EQ(Fields(f, "/v/b.mp4"), Strings{copy + "@20240202.000000.000<{S}>/v/B.mp4"});

  // Again into B: the earlier copy is found by its origin and refreshed,
  // keeping its identity, origin and file.
  std::strcpy(s->szTimeStamp, "20240303.000000.000");
  s->pPathNodes[0].fXPos = 0.125f;
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", s.get(), &guid), 1);
  EXPECT_EQ(guid.GetString(), copy);
  EXPECT_EQ(Fields(f, "/v/b.mp4"), Strings{copy + "@20240303.000000.000<{S}>/v/B.mp4"});
  _PATH_INFO_* refreshed = nullptr;
  ASSERT_EQ(db.fnGetPathInfoByGUID(f.c_str(), copy.c_str(), &refreshed, nullptr), 1);
  EXPECT_EQ(refreshed->pPathNodes[0].fXPos, 0.125f);
  // An older source leaves it.
  std::strcpy(s->szTimeStamp, "20230101.000000.000");
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", s.get(), &guid), 1);
  EXPECT_EQ(Fields(f, "/v/b.mp4"), Strings{copy + "@20240303.000000.000<{S}>/v/B.mp4"});

  // Into a file that has a list: appended.
  PathHolder t(Path("{T}"));
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", t.get(), &guid), 1);
  EXPECT_EQ(Fields(f, "/v/b.mp4").size(), 2u);
  EXPECT_EQ(Fields(f, "/v/b.mp4")[1], "{T}@20240101.000000.000<>/v/b.mp4");
  EXPECT_STREQ(s->szGUID, "{S}");  // the caller's path is never changed

  // Bad input does nothing and still answers 1.
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", nullptr, &guid), 1);
  EXPECT_EQ(db.fnImportPathInfo(nullptr, "/v/b.mp4", t.get(), &guid), 1);
}

class Relink : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(newFile_, std::string(10, 'v'));
    ListHolder l(NewList({OfOld("{A}", 10), OfOld("{B}", 999)}));  // only the first size counts
    ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/old.mp4", l.get()), 1);
    ASSERT_EQ(db_.fnSaveDataBase(f_.c_str(), 1), 1);
    oldFile_ = dir_.File(PathFileName(f_, "/old.mp4") + ".otp");
  }
  static _PATH_INFO_* OfOld(const char* guid, uint64_t size) {
    _PATH_INFO_* p = Path(guid, "20240505.000000.000");
    std::strcpy(p->szAssociateFile, "/old.mp4");
    p->qwAssociateFileSize = size;
    return p;
  }
  TempDir dir_;
  const std::string f_ = dir_.path(), newFile_ = dir_.File("new.mp4");
  std::string oldFile_;
  CMlvrDataBase db_;
};

TEST_F(Relink, RefusesWhatItCannotMove) {
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", dir_.File("missing.mp4").c_str()), 0);
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/other.mp4", newFile_.c_str()), 0);
  WriteText(newFile_, std::string(11, 'v'));
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", newFile_.c_str()), 0);
  WriteText(dir_.File("OLD.mp4"), "x");
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), dir_.File("old.mp4").c_str(),
                                      dir_.File("OLD.mp4").c_str()), 0);
  db_.Discard();
  EXPECT_EQ(Fields(f_, "/old.mp4").size(), 2u);
  EXPECT_TRUE(Exists(oldFile_));
}

// The sizes compared are their low 32 bits: the new file, sparse, is 4 GiB
// longer than the recorded 10 bytes.
TEST_F(Relink, MovesAWholeListToAFileWithoutOne) {
  std::filesystem::resize_file(newFile_, (uintmax_t{1} << 32) + 10);
  ASSERT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/OLD.mp4", newFile_.c_str()), 1);
  EXPECT_FALSE(Exists(oldFile_));
  EXPECT_TRUE(Fields(f_, "/old.mp4").empty());
  EXPECT_EQ(Fields(f_, newFile_),
            (Strings{"{A}@20240505.000000.000<>/old.mp4", "{B}@20240505.000000.000<>/old.mp4"}));
  EXPECT_NE(dir_.File(PathFileName(f_, newFile_) + ".otp"), oldFile_);
}

TEST_F(Relink, MergesIntoAnExistingList) {
  ListHolder l(NewList({Path("{A}", "20240101.000000.000"), Path("{B}", "20251231.000000.000"),
                        Path("{C}", "20240101.000000.000")}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), newFile_.c_str(), l.get()), 1);
  _PATH_INFO_ARRAY_* source = nullptr;  // and one path the new file lacks
  ASSERT_EQ(db_.fnGetInfoArray(f_.c_str(), "/old.mp4", &source), 1);
  ASSERT_EQ(Mlvr_PathInfoArray_Add(&source, Path("{D}", "20240505.000000.000")), 1);
  ASSERT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", newFile_.c_str()), 1);
  EXPECT_EQ(Fields(f_, newFile_),
            (Strings{"{A}@20240505.000000.000<>" + newFile_, "{B}@20251231.000000.000<>",
                     "{C}@20240101.000000.000<>", "{D}@20240505.000000.000<>" + newFile_}));
  EXPECT_FALSE(Exists(oldFile_));
}

// Write-back of a folder with several entries while the platform fails the
// Nth write, rename, sync, create or delete: whatever N, the call returns,
// every file of the folder is its old or its new complete version, and no
// path that was on disk before is lost.
using Files = std::map<std::string, std::vector<uint8_t>>;
constexpr int kKinds = static_cast<int>(FileOp::kKinds);

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
    files[e.path().filename().string()] = testing_support::ReadFileBytes(e.path().string());
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
  std::filesystem::create_directory(folder);
  for (int i = 0; i < 4; ++i)
    WritePathFile(folder + "/" + kNames[i] + ".otp",
                  {Path(Guid("OLD", i).c_str()), Path("{OLD-2}")});
  std::string index;
  for (int s = 0, order[] = {3, 1, 4, 0, 2}; s < 5; ++s)
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

  // A clean write-back: the new versions, and the calls of each kind it makes.
  Files after;
  uint64_t calls[kKinds];
  {
    CMlvrDataBase db(faults);
    ChangeEverything(db, folder);
    faults.Reset();
    db.fnSaveDataBase(folder.c_str(), 1);
    for (int k = 0; k < kKinds; ++k) calls[k] = faults.Count(static_cast<FileOp>(k));
    after = ReadFolder(folder);
  }
  ASSERT_EQ(after.size(), 6u);  // five path files and the index
  ASSERT_NE(after["Molvaren.ini"], before.at("Molvaren.ini"));
  // At least the five path files; the index too where the platform's own
  // engine writes it (on Windows the system's profile functions do).
  for (FileOp op : {FileOp::kWrite, FileOp::kRename, FileOp::kSync, FileOp::kCreate})
    EXPECT_GE(calls[static_cast<int>(op)], 5u) << static_cast<int>(op);

  int failedRuns = 0;
  for (int k = 0; k < kKinds; ++k) {
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
        const Strings guids = OnDisk(folder, kKeys[i]);
        const Strings old = i < 4 ? Strings{Guid("OLD", i), "{OLD-2}"} : Strings{};
        EXPECT_TRUE(guids == Strings{Guid("NEW", i)} || guids == old) << kKeys[i];
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
  ASSERT_TRUE(Exists(folder));
  ASSERT_GT(std::filesystem::remove_all(dir.File("gone")), 0u);

  _PATH_INFO_* found = nullptr;
  EXPECT_EQ(db.fnGetPathInfoByGUID(folder.c_str(), "{KEEP}", &found, nullptr), 1);
  EXPECT_EQ(db.fnSaveDataBase(folder.c_str(), 1), 1);
  EXPECT_EQ(ReadFolder(folder).size(), 2u);  // the index and the one path file
  EXPECT_EQ(OnDisk(folder, "/v/a.mp4"), Strings{"{KEEP}"});
}

// An import into, and a relink of, an entry whose list lies on disk, failing
// at each file operation in turn: the entry's paths are always on disk, in
// its old file or in the one the index now names.
TEST(DataBaseWriteBackFaults, ImportAndRelinkNeverLoseTheOldFile) {
  TempDir dir;
  const std::string folder = dir.File("db"), media = dir.File("new.mp4");
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
    for (int k = 0; k < kKinds; ++k) {
      for (uint64_t n = 1; n <= 8; ++n) {
        SCOPED_TRACE(std::string(relink ? "relink" : "import") + ", file operation kind " +
                     std::to_string(k) + ", call #" + std::to_string(n));
        ReplaceFolder(folder, before);
        {
          CMlvrDataBase db(faults);
          faults.Arm(static_cast<FileOp>(k), n);
          const char* old = "/v/old.mp4";
          relink ? db.fnRelinkAssociateFile(folder.c_str(), old, media.c_str())
                 : db.fnImportPathInfo(folder.c_str(), old, imported->ppPathInfos[0], nullptr);
          faults.Reset();
        }
        const bool oldThere = Exists(folder + "/{OLD}.otp");
        const auto guids = OnDisk(folder, relink ? media : "/v/old.mp4");
        const bool kept = std::count(guids.begin(), guids.end(), "{MOVED}") == 1;
        EXPECT_TRUE(oldThere || kept) << "the paths of /v/old.mp4 are gone";
      }
    }
  }
}

}  // namespace
}  // namespace mlvns
