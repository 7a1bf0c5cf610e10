#include <gtest/gtest.h>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/env.h"

namespace mlvns {
namespace {

using dbtest::Guids;
using dbtest::Path;
using dbtest::WriteText;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

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
  const std::string name = db.m_mapFolders.begin()->second.begin()->second->strDataBaseName;
  EXPECT_EQ(name.size(), 38u) << name;  // a fresh identity's text

  // A second update replaces the contents of the same list and keeps the name.
  _PATH_INFO_ARRAY_* held = list;
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "/v/a.mp4", second.get()), 1);
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "/v/a.mp4", &list), 1);
  EXPECT_EQ(list, held);
  EXPECT_EQ(Guids(list), (std::vector<std::string>{"{TWO}", "{THREE}"}));
  EXPECT_EQ(db.m_mapFolders.begin()->second.begin()->second->strDataBaseName, name);

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
    db.m_mapFolders.clear();  // as if the run ended without a write-back
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
