#include <gtest/gtest.h>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/env.h"

namespace mlvns {
namespace {

using dbtest::WriteText;
using testing_support::TempDir;

std::vector<std::string> Keys(const CMlvrDataBase& db, const std::string& folderKey) {
  std::vector<std::string> keys;
  auto it = db.m_mapFolders.find(folderKey);
  if (it == db.m_mapFolders.end()) return keys;
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
  EXPECT_EQ(db.m_mapFolders.size(), 1u);
  EXPECT_EQ(Keys(db, key).size(), 2u);
}

TEST(FolderIndex, MissingFoldersAreMadeAndAFolderWithoutEntriesIsReadAgain) {
  TempDir dir;
  CMlvrDataBase db;
  ASSERT_EQ(db.fnLoadDataBase(dir.path().c_str()), 1);  // no index at all
  EXPECT_TRUE(db.m_mapFolders.empty());
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
            "[File_5]\nAssiciateFile=e\nDataBaseName=a\\..\\b\n");
  CMlvrDataBase db;
  ASSERT_EQ(db.fnLoadDataBase(folder.c_str()), 1);
  const std::string key = platform::LowerAnsi(folder + "/");
  // The long key is cut to 519 characters; every unsafe name is dropped.
  EXPECT_EQ(Keys(db, key), std::vector<std::string>{std::string(519, 'k') + "={OK}"});
  // Deleting such entries cannot touch the file outside.
  EXPECT_EQ(db.fnDeleteInfoArray(folder.c_str(), "a"), 0);
  EXPECT_TRUE(platform::Env::Default()->PathExists(dir.File("x.otp").c_str()));
}

}  // namespace
}  // namespace mlvns
