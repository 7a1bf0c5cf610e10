#include <gtest/gtest.h>

#include <filesystem>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/env.h"

namespace mlvns {
namespace {

using dbtest::Path;
using dbtest::WriteText;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::PathHolder;
using testing_support::TempDir;

// The list as the next run reads it, with the fields import and relink set.
auto OnDisk(const std::string& folder, const std::string& key) {
  return dbtest::OnDisk(folder, key, true);
}

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
  EXPECT_EQ(OnDisk(f, "/v/a.mp4"),
            std::vector<std::string>{"{S}@20240101.000000.000<>/v/A.mp4"});

  // A newer source, named in other letter case, refreshes the one copy
  // with all of its fields.
  std::strcpy(s->szTimeStamp, "20240202.000000.000");
  std::strcpy(s->szAssociateFile, "/elsewhere.mp4");
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/V/A.MP4", s.get(), nullptr), 1);
  EXPECT_EQ(OnDisk(f, "/v/a.mp4"),
            std::vector<std::string>{"{S}@20240202.000000.000<>/elsewhere.mp4"});
  s->szAssociateFile[0] = '\0';

  // Into another file: a copy under a new identity that remembers its origin.
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/B.mp4", s.get(), &guid), 1);
  const std::string copy = guid.GetString();
  EXPECT_NE(copy, "{S}");
  EXPECT_EQ(copy.size(), 38u);
  EXPECT_EQ(OnDisk(f, "/v/b.mp4"),
            std::vector<std::string>{copy + "@20240202.000000.000<{S}>/v/B.mp4"});

  // Again into B: the earlier copy is found by its origin and refreshed,
  // keeping its identity, origin and file.
  std::strcpy(s->szTimeStamp, "20240303.000000.000");
  s->pPathNodes[0].fXPos = 0.125f;
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", s.get(), &guid), 1);
  EXPECT_EQ(guid.GetString(), copy);
  EXPECT_EQ(OnDisk(f, "/v/b.mp4"),
            std::vector<std::string>{copy + "@20240303.000000.000<{S}>/v/B.mp4"});
  _PATH_INFO_* refreshed = nullptr;
  ASSERT_EQ(db.fnGetPathInfoByGUID(f.c_str(), copy.c_str(), &refreshed, nullptr), 1);
  EXPECT_EQ(refreshed->pPathNodes[0].fXPos, 0.125f);
  // An older source leaves it.
  std::strcpy(s->szTimeStamp, "20230101.000000.000");
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", s.get(), &guid), 1);
  EXPECT_EQ(OnDisk(f, "/v/b.mp4"),
            std::vector<std::string>{copy + "@20240303.000000.000<{S}>/v/B.mp4"});

  // Into a file that has a list: appended.
  PathHolder t(Path("{T}"));
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", t.get(), &guid), 1);
  EXPECT_EQ(OnDisk(f, "/v/b.mp4").size(), 2u);
  EXPECT_EQ(OnDisk(f, "/v/b.mp4")[1], "{T}@20240101.000000.000<>/v/b.mp4");
  EXPECT_STREQ(s->szGUID, "{S}");  // the caller's path is never changed

  // Bad input does nothing and still answers 1.
  EXPECT_EQ(db.fnImportPathInfo(f.c_str(), "/v/b.mp4", nullptr, &guid), 1);
  EXPECT_EQ(db.fnImportPathInfo(nullptr, "/v/b.mp4", t.get(), &guid), 1);
}

class Relink : public ::testing::Test {
 protected:
  void SetUp() override {
    f_ = dir_.path();
    WriteText(dir_.File("new.mp4"), std::string(10, 'v'));
    _PATH_INFO_* a = Path("{A}", "20240505.000000.000");
    _PATH_INFO_* b = Path("{B}", "20240505.000000.000");
    std::strcpy(a->szAssociateFile, "/old.mp4");
    std::strcpy(b->szAssociateFile, "/old.mp4");
    a->qwAssociateFileSize = 10;
    b->qwAssociateFileSize = 999;  // only the first path's size counts
    ListHolder l(NewList({a, b}));
    ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), "/old.mp4", l.get()), 1);
    ASSERT_EQ(db_.fnSaveDataBase(f_.c_str(), 1), 1);
    oldFile_ = dir_.File(dbtest::PathFileName(f_, "/old.mp4") + ".otp");
  }
  TempDir dir_;
  std::string f_;
  std::string oldFile_;
  CMlvrDataBase db_;
};

TEST_F(Relink, RefusesWhatItCannotMove) {
  const std::string newFile = dir_.File("new.mp4");
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", dir_.File("missing.mp4").c_str()), 0);
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/other.mp4", newFile.c_str()), 0);
  WriteText(newFile, std::string(11, 'v'));
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", newFile.c_str()), 0);
  WriteText(dir_.File("OLD.mp4"), "x");
  EXPECT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), dir_.File("old.mp4").c_str(),
                                      dir_.File("OLD.mp4").c_str()), 0);
  db_.Discard();
  EXPECT_EQ(OnDisk(f_, "/old.mp4").size(), 2u);
  EXPECT_TRUE(platform::Env::Default()->PathExists(oldFile_.c_str()));
}

// The sizes compared are their low 32 bits: the new file, sparse, is 4 GiB
// longer than the recorded 10 bytes.
TEST_F(Relink, MovesAWholeListToAFileWithoutOne) {
  const std::string newFile = dir_.File("new.mp4");
  std::filesystem::resize_file(newFile, (uintmax_t{1} << 32) + 10);
  ASSERT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/OLD.mp4", newFile.c_str()), 1);
  EXPECT_FALSE(platform::Env::Default()->PathExists(oldFile_.c_str()));
  EXPECT_TRUE(OnDisk(f_, "/old.mp4").empty());
  EXPECT_EQ(OnDisk(f_, newFile),
            (std::vector<std::string>{"{A}@20240505.000000.000<>/old.mp4",
                                      "{B}@20240505.000000.000<>/old.mp4"}));
  EXPECT_NE(dir_.File(dbtest::PathFileName(f_, newFile) + ".otp"), oldFile_);
}

TEST_F(Relink, MergesIntoAnExistingList) {
  const std::string newFile = dir_.File("new.mp4");
  _PATH_INFO_* older = Path("{A}", "20240101.000000.000");
  _PATH_INFO_* newer = Path("{B}", "20251231.000000.000");
  _PATH_INFO_* own = Path("{C}", "20240101.000000.000");
  ListHolder l(NewList({older, newer, own}));
  ASSERT_EQ(db_.fnUpdateInfoArray(f_.c_str(), newFile.c_str(), l.get()), 1);
  _PATH_INFO_ARRAY_* source = nullptr;  // and one path the new file lacks
  ASSERT_EQ(db_.fnGetInfoArray(f_.c_str(), "/old.mp4", &source), 1);
  ASSERT_EQ(Mlvr_PathInfoArray_Add(&source, Path("{D}", "20240505.000000.000")), 1);
  ASSERT_EQ(db_.fnRelinkAssociateFile(f_.c_str(), "/old.mp4", newFile.c_str()), 1);
  EXPECT_EQ(OnDisk(f_, newFile),
            (std::vector<std::string>{"{A}@20240505.000000.000<>" + newFile,
                                      "{B}@20251231.000000.000<>",
                                      "{C}@20240101.000000.000<>",
                                      "{D}@20240505.000000.000<>" + newFile}));
  EXPECT_FALSE(platform::Env::Default()->PathExists(oldFile_.c_str()));
}

}  // namespace
}  // namespace mlvns
