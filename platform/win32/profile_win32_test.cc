// The index file through the real private-profile functions: what the
// database relies on, with the ANSI/UTF-16 conversions on the way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Win32Profile, WritesAFreshIndexInSectionAndKeyOrder) {
  TempDir dir;
  const std::string path = dir.path() + "\\Molvaren.ini";
  auto ini = platform::OpenProfile(path);
  ini->SetString("File_0", "AssiciateFile", "c:\\clips\\\xe9t\xe9.mp4");
  ini->SetString("File_0", "DataBaseName", "{A}");
  ini->SetString("File_1", "AssiciateFile", "c:\\clips\\b.mp4");
  ini->SetString("File_1", "DataBaseName", "{B}");
  ini->SetString("Setting", "NumOfFiles", "2");
  ini->SetString("FILE_0", "DATABASENAME", "{C}");  // same key, other case: replaced
  EXPECT_TRUE(ini->Commit());
  EXPECT_EQ(Text(ReadFileBytes(path)),
            "[File_0]\r\nAssiciateFile=c:\\clips\\\xe9t\xe9.mp4\r\nDataBaseName={C}\r\n"
            "[File_1]\r\nAssiciateFile=c:\\clips\\b.mp4\r\nDataBaseName={B}\r\n"
            "[Setting]\r\nNumOfFiles=2\r\n");

  // Read back through a new object, as the next load would.
  auto again = platform::OpenProfile(path);
  EXPECT_EQ(again->GetInt("setting", "numoffiles", 0), 2);
  EXPECT_EQ(again->GetString("File_0", "AssiciateFile", "", 520), "c:\\clips\\\xe9t\xe9.mp4");
  EXPECT_EQ(again->GetString("File_1", "DataBaseName", "", 520), "{B}");
  EXPECT_EQ(again->GetString("File_2", "DataBaseName", "", 520), "");
  EXPECT_EQ(again->GetString("File_1", "Other", "dflt", 520), "dflt");
  EXPECT_EQ(again->GetInt("File_9", "NumOfFiles", 0), 0);
}

TEST(Win32Profile, ReadsHandWrittenValuesAsTheDatabaseNeedsThem) {
  TempDir dir;
  const std::string path = dir.path() + "\\Molvaren.ini";
  const std::string text =
      "[Setting]\r\n  NumOfFiles  =  12abc  \r\n"
      "[File_0]\r\nDataBaseName=HelloWorld\r\nEmpty=\r\n";
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  auto ini = platform::OpenProfile(path);
  EXPECT_EQ(ini->GetInt("Setting", "NumOfFiles", 0), 12);
  EXPECT_EQ(ini->GetInt("Setting", "Missing", 7), 7);
  EXPECT_EQ(ini->GetString("file_0", "databasename", "", 520), "HelloWorld");
  // Cut at the buffer: size - 1 units.
  EXPECT_EQ(ini->GetString("File_0", "DataBaseName", "", 5), "Hell");
  EXPECT_EQ(ini->GetString("File_0", "DataBaseName", "", 1), "");
  EXPECT_EQ(ini->GetString("File_0", "DataBaseName", "", 0), "");
  // Present but empty is not missing.
  EXPECT_EQ(ini->GetString("File_0", "Empty", "dflt", 520), "");
}

TEST(Win32Profile, MissingFilesAndFolders) {
  TempDir dir;
  auto none = platform::OpenProfile(dir.path() + "\\none.ini");
  EXPECT_EQ(none->GetInt("Setting", "NumOfFiles", 0), 0);
  EXPECT_EQ(none->GetString("File_0", "DataBaseName", "", 520), "");
  EXPECT_FALSE(platform::PathExists((dir.path() + "\\none.ini").c_str()));

  // A folder that does not exist: the write fails and Commit says so.
  auto lost = platform::OpenProfile(dir.path() + "\\gone\\Molvaren.ini");
  lost->SetString("Setting", "NumOfFiles", "1");
  EXPECT_FALSE(lost->Commit());
  EXPECT_TRUE(lost->Commit());  // nothing written since
}

}  // namespace
}  // namespace mlvns
