// A folder's entries: the index as read, each list fetched, replaced or
// deleted, and every write-back of them.
#include <gtest/gtest.h>

#include <memory>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/env.h"

namespace mlvns {
namespace {

using dbtest::Guids;
using dbtest::GuidsInFile;
using dbtest::Path;
using dbtest::ReadText;
using dbtest::WriteText;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

// A list read only for a lookup is saved again, as every loaded list is,
// unless its file changed on disk since it was read (another process's) or
// could not be decoded whole (a fetched list too: nothing on disk is lost).
TEST(WriteBack, SavesListsReadUnlessTheirFileChangedOrIsDamaged) {
  enum { kAsRead, kRewritten, kDamaged };
  for (int c : {kAsRead, kRewritten, kDamaged}) {
    SCOPED_TRACE(c);
    TempDir dir;
    const std::string f = dir.path(), file = dir.File("{B}.otp");
    dbtest::WritePathFile(file, {Path("{P-B}"), Path("{P2}")});
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
  dbtest::WritePathFile(dir.File("{B}.otp"), {Path("{P-B}")});
  dbtest::WritePathFile(dir.File("{C}.otp"), {Path("{P-C}")});
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
  EXPECT_EQ(GuidsInFile(dir.File("{C}.otp")), (std::vector<std::string>{"{P-C}", "{P-C2}"}));
  EXPECT_EQ(GuidsInFile(dir.File("{B}.otp")), std::vector<std::string>{"{P-B}"});
}

std::vector<std::string> Keys(const CMlvrDataBase& db, const std::string& folderKey) {
  std::vector<std::string> keys;
  auto it = db.Folders().find(folderKey);
  if (it == db.Folders().end()) return keys;
  for (auto& e : it->second) keys.push_back(e.first + "=" + e.second->strDataBaseName);
  return keys;
}

TEST(FolderIndex, ParsesEntriesAndIsReadOncePerFolder) {
  TempDir dir;
  const std::string folder = dir.File("Data/Tracks");
  ASSERT_TRUE(platform::Env::Default()->CreateFolder(dir.File("Data").c_str()));
  ASSERT_TRUE(platform::Env::Default()->CreateFolder(folder.c_str()));
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
  EXPECT_EQ(Keys(db, key), (std::vector<std::string>{"={D}", "/v/clip.mp4={C}"}));

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
  EXPECT_FALSE(platform::Env::Default()->PathExists(dir.File("Molvaren.ini").c_str()));  // none is made
  WriteText(dir.File("Molvaren.ini"),
            "[Setting]\nNumOfFiles=1\n[File_0]\nAssiciateFile=a\nDataBaseName={A}\n");
  ASSERT_EQ(db.fnLoadDataBase(dir.path().c_str()), 1);
  EXPECT_EQ(Keys(db, platform::LowerAnsi(dir.path() + "/")),
            std::vector<std::string>{"a={A}"});

  // Missing folders are made, level by level.
  const std::string deep = dir.File("one/two/three");
  ASSERT_EQ(db.fnLoadDataBase(deep.c_str()), 1);
  EXPECT_TRUE(platform::Env::Default()->PathExists(deep.c_str()));
  EXPECT_EQ(db.fnLoadDataBase(""), 0);
  EXPECT_EQ(db.fnLoadDataBase(nullptr), 0);
}

TEST(FolderIndex, HostileAndOversizedValuesNeverNameFilesOutsideTheFolder) {
  TempDir dir;
  const std::string folder = dir.File("db");
  ASSERT_TRUE(platform::Env::Default()->CreateFolder(folder.c_str()));
  WriteText(dir.File("x.otp"), "outside");
  const std::string longName(600, 'n');
  const std::string longKey(600, 'k');
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
  EXPECT_EQ(Keys(db, key), std::vector<std::string>{std::string(519, 'k') + "={OK}"});
  // Deleting such entries cannot touch the file outside.
  EXPECT_EQ(db.fnDeleteInfoArray(folder.c_str(), "a"), 0);
  EXPECT_TRUE(platform::Env::Default()->PathExists(dir.File("x.otp").c_str()));
}

TEST(AssociateQueries, FetchUpdateDeleteInMemory) {
  TempDir dir;
  const std::string f = dir.path();
  CMlvrDataBase db;
  _PATH_INFO_ARRAY_* sentinel = reinterpret_cast<_PATH_INFO_ARRAY_*>(&db);
  _PATH_INFO_ARRAY_* list = sentinel;
  EXPECT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);  // unknown file
  EXPECT_EQ(list, sentinel);

  ListHolder first(NewList({Path("{ONE}")}));
  ListHolder second(NewList({Path("{TWO}"), Path("{THREE}")}));
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/V/A.mp4", first.get()), 1);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.MP4", &list), 1);
  ASSERT_NE(list, first.get());  // the database keeps its own copy
  EXPECT_EQ(Guids(list), std::vector<std::string>{"{ONE}"});
  const std::string name = db.Folders().begin()->second.begin()->second->strDataBaseName;
  EXPECT_EQ(name.size(), 38u) << name;  // a fresh identity's text

  // A second update replaces the contents of the same list and keeps the name.
  _PATH_INFO_ARRAY_* held = list;
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", second.get()), 1);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);
  EXPECT_EQ(list, held);
  EXPECT_EQ(Guids(list), (std::vector<std::string>{"{TWO}", "{THREE}"}));
  EXPECT_EQ(db.Folders().begin()->second.begin()->second->strDataBaseName, name);

  // Handing the database its own list back is a no-op, not a loss.
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", list), 1);
  EXPECT_EQ(Guids(list), (std::vector<std::string>{"{TWO}", "{THREE}"}));

  // A list that cannot be copied leaves the entry as it was.
  ListHolder holey(NewList({Path("{H}")}));
  holey->ppPathInfos[0]->bHasExtraNode = 1;  // flag without its node
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(Guids(list), (std::vector<std::string>{"{TWO}", "{THREE}"}));
  // No folder, no associate file: refused.
  EXPECT_EQ(db.fnUpdateInfoArray("", "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(db.fnUpdateInfoArray(nullptr, "/v/a.mp4", holey.get()), 0);
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), nullptr, holey.get()), 0);
  EXPECT_EQ(db.fnDeleteInfoArray(nullptr, "/v/a.mp4"), 0);
  EXPECT_EQ(db.fnDeleteInfoArray(f.c_str(), nullptr), 0);
  // A null list empties the entry, and gives a new file an empty entry.
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", nullptr), 1);
  EXPECT_EQ(Guids(list), std::vector<std::string>{});
  EXPECT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/b.mp4", nullptr), 1);
  _PATH_INFO_ARRAY_* empty = nullptr;
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/b.mp4", &empty), 1);
  ASSERT_TRUE(empty != nullptr && empty->nNumOfPathInfos == 0);
  EXPECT_FALSE(platform::Env::Default()->PathExists(dir.File("Molvaren.ini").c_str()));  // nothing on disk yet

  EXPECT_EQ(db.fnDeleteInfoArray(f.c_str(), "/v/none.mp4"), 0);
  ASSERT_EQ(db.fnDeleteInfoArray(f.c_str(), "/V/a.mp4"), 1);
  list = sentinel;
  EXPECT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);
  EXPECT_EQ(list, sentinel);
}

TEST(AssociateQueries, DeleteRemovesThePathFileAtOnceButNotTheIndexEntry) {
  TempDir dir;
  const std::string f = dir.path();
  dbtest::WritePathFile(dir.File("{A}.otp"), {Path("{P}")});
  const std::string index =
      "[Setting]\nNumOfFiles=1\n[File_0]\nAssiciateFile=a\nDataBaseName={A}\n";
  WriteText(dir.File("Molvaren.ini"), index);
  {
    CMlvrDataBase db;
    ASSERT_EQ(db.fnDeleteInfoArray(f.c_str(), "A"), 1);
    EXPECT_FALSE(platform::Env::Default()->PathExists(dir.File("{A}.otp").c_str()));
    EXPECT_EQ(dbtest::ReadText(dir.File("Molvaren.ini")), index);
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
  EXPECT_EQ(Guids(list), std::vector<std::string>{"{P}"});
  // Its write-back fails unnoticed and creates nothing.
  EXPECT_EQ(db.fnSaveDataBase(bad.c_str(), 1), 1);
  EXPECT_FALSE(platform::Env::Default()->PathExists(bad.c_str()));
}

}  // namespace
}  // namespace mlvns
