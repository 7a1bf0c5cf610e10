#include <gtest/gtest.h>

#include <memory>

#include "database/database.h"
#include "database/database_test_util.h"
#include "platform/platform.h"

namespace mlvns {
namespace {

using dbtest::GuidsInFile;
using dbtest::Path;
using dbtest::ReadText;
using dbtest::WriteText;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

// A list read only for a lookup is saved again, as every loaded list is,
// unless its file changed on disk since it was read: another process's.
TEST(WriteBack, SavesListsReadForLookupsUnlessTheirFileChanged) {
  for (bool rewritten : {false, true}) {
    SCOPED_TRACE(rewritten ? "file rewritten since it was read" : "file as read");
    TempDir dir;
    const std::string f = dir.path();
    dbtest::WritePathFile(dir.File("{B}.otp"), {Path("{P-B}")});
    const std::string read = ReadText(dir.File("{B}.otp"));
    WriteText(dir.File("{B}.otp"), read + "tail");  // bytes the decoder passes over
    WriteText(dir.File("Molvaren.ini"),
              "[Setting]\r\nNumOfFiles=1\r\n[File_0]\r\nAssiciateFile=b\r\nDataBaseName={B}\r\n");
    CMlvrDataBase db;
    _PATH_NODE_ node;
    ASSERT_EQ(db.fnGetPathNodeByGUID(f.c_str(), "{P-B}", 0, {1920, 1080}, 0.0f, &node, nullptr, 0),
              1);
    if (rewritten) WriteText(dir.File("{B}.otp"), read + "other");
    ASSERT_EQ(db.fnSaveDataBase(f.c_str(), 1), 1);
    EXPECT_EQ(ReadText(dir.File("{B}.otp")), rewritten ? read + "other" : read);
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

  // A fresh index lists its sections in the order of the writes.
  TempDir fresh;
  {
    CMlvrDataBase db2;
    ListHolder two(NewList({Path("{X}")}));
    ASSERT_EQ(db2.fnUpdateInfoArray(fresh.path().c_str(), "b", two.get()), 1);
    ASSERT_EQ(db2.fnUpdateInfoArray(fresh.path().c_str(), "a", two.get()), 1);
  }
  const std::string text = ReadText(fresh.File("Molvaren.ini"));
  EXPECT_EQ(text.find("[File_0]\r\nAssiciateFile=a\r\nDataBaseName={"), 0u);
  EXPECT_NE(text.find("}\r\n[File_1]\r\nAssiciateFile=b\r\nDataBaseName={"), std::string::npos);
  EXPECT_NE(text.find("}\r\n[Setting]\r\nNumOfFiles=2\r\n"), std::string::npos);
}

// With removal the folder also leaves memory: the import tests show it.
TEST(WriteBack, ReleasesListsAndReloadsThemFromTheirFiles) {
  TempDir dir;
  const std::string f = dir.path();
  CMlvrDataBase db;
  ListHolder mine(NewList({Path("{ONE}")}));
  ASSERT_EQ(db.fnUpdateInfoArray(f.c_str(), "clip", mine.get()), 1);
  ASSERT_EQ(db.fnSaveDataBase(f.c_str(), 0), 1);
  const auto& entry = *db.Folders().begin()->second.begin()->second;
  EXPECT_EQ(entry.pdsPathInfoArray, nullptr);
  EXPECT_EQ(GuidsInFile(dir.File(entry.strDataBaseName + ".otp")),
            std::vector<std::string>{"{ONE}"});
  _PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "clip", &list), 1);
  EXPECT_EQ(dbtest::Guids(list), std::vector<std::string>{"{ONE}"});
}

TEST(WriteBack, NeverLosesWhatIsOnDisk) {
  TempDir dir;
  const std::string f = dir.path();
  // A damaged path file: a whole file cut in the middle of its second path.
  dbtest::WritePathFile(dir.File("{D}.otp"), {Path("{P1}"), Path("{P2}")});
  auto bytes = testing_support::ReadFileBytes(dir.File("{D}.otp"));
  bytes.resize(bytes.size() - 100);
  testing_support::WriteFileBytes(dir.File("{D}.otp"), bytes);
  WriteText(dir.File("Molvaren.ini"),
            "[Setting]\nNumOfFiles=1\n[File_0]\nAssiciateFile=d\nDataBaseName={D}\n");
  {
    CMlvrDataBase db;
    _PATH_INFO_ARRAY_* list = nullptr;
    ASSERT_EQ(db.fnGetInfoArray(f.c_str(), "d", &list), 1);
    ASSERT_NE(list, nullptr);  // what could be decoded
  }
  EXPECT_EQ(testing_support::ReadFileBytes(dir.File("{D}.otp")), bytes);
}

}  // namespace
}  // namespace mlvns
