#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;

std::string ReadText(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  testing_support::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(Profile, ReadsLikeTheWin32Functions) {
  TempDir dir;
  const std::string file = dir.File("a.ini");
  WriteText(file,
            "top=ignored\n"
            "[Setting]\n"
            "  NumOfFiles =  12abc  \n"
            "Neg=-7\n"
            "Empty=\n"
            "Letters=x9\n"
            "; Comment=1\n"
            "[ file_0 ]\n"
            "AssiciateFile = C:\\Video\\A.mp4 \n"
            "Quoted=\"two words\"\n"
            "Long=" + std::string(600, 'z') + "\n"
            "AssiciateFile=second\n"
            "[FILE_0]\n"
            "DataBaseName=hidden\n");
  auto p = platform::OpenProfile(file);
  EXPECT_EQ(p->GetInt("setting", "numoffiles", 5), 12);
  EXPECT_EQ(p->GetInt("Setting", "Neg", 5), -7);
  EXPECT_EQ(p->GetInt("Setting", "Empty", 5), 5);
  EXPECT_EQ(p->GetInt("Setting", "Letters", 5), 0);
  EXPECT_EQ(p->GetInt("Setting", "Missing", 5), 5);
  EXPECT_EQ(p->GetInt("Setting", "; Comment", 5), 5);
  EXPECT_EQ(p->GetInt("Nowhere", "NumOfFiles", 3), 3);
  // Keys before the first section form one without a name, as in Win32.
  EXPECT_EQ(p->GetString("", "top", "d", 520), "ignored");
  EXPECT_EQ(p->GetString("", "NumOfFiles", "d", 520), "d");

  // Names match in any case; the first section and key of a name count.
  EXPECT_EQ(p->GetString("File_0", "assiciatefile", "", 520), "C:\\Video\\A.mp4");
  EXPECT_EQ(p->GetString("File_0", "DataBaseName", "none", 520), "none");
  EXPECT_EQ(p->GetString("File_0", "Quoted", "", 520), "two words");
  EXPECT_EQ(p->GetString("File_0", "Long", "", 520), std::string(519, 'z'));
  EXPECT_EQ(p->GetString("File_0", "Long", "", 4), "zzz");
  EXPECT_EQ(p->GetString("File_0", "Long", "", 0), "");
  EXPECT_EQ(p->GetString("File_0", "Missing", "default", 4), "def");
  EXPECT_EQ(p->GetString("File_0", "Missing", " pad \t  ", 520), " pad \t");
  EXPECT_EQ(p->GetString("File_0", "Missing", "   ", 520), " ");
  std::vector<std::string> names{"Setting", "file_0", "FILE_0"};
  EXPECT_EQ(p->SectionNames(), names);

  // A file that does not exist reads as empty and is not created by reading.
  auto missing = platform::OpenProfile(dir.File("none.ini"));
  EXPECT_EQ(missing->GetInt("Setting", "NumOfFiles", 0), 0);
  EXPECT_TRUE(missing->SectionNames().empty());
  EXPECT_TRUE(missing->Commit());
  EXPECT_FALSE(platform::PathExists(dir.File("none.ini").c_str()));
}

TEST(Profile, ValuesAreCutInUtf16Units) {
  TempDir dir;
  const std::string file = dir.File("u.ini");
  // e-acute is one unit, the emoji (U+1F600) two.
  WriteText(file, "[S]\nK=\xC3\xA9\xF0\x9F\x98\x80x\n");
  auto p = platform::OpenProfile(file);
  EXPECT_EQ(p->GetString("s", "k", "", 5), "\xC3\xA9\xF0\x9F\x98\x80x");
  EXPECT_EQ(p->GetString("s", "k", "", 4), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(p->GetString("s", "k", "", 3), "\xC3\xA9");  // no half character
  // Section names fold beyond ASCII.
  WriteText(file, "[\xC3\x89t\xC3\xA9]\nK=1\n");
  EXPECT_EQ(platform::OpenProfile(file)->GetInt("\xC3\xA9T\xC3\x89", "k", 0), 1);
}

TEST(Profile, WritesAFreshFileInWin32Order) {
  TempDir dir;
  const std::string file = dir.File("Molvaren.ini");
  auto p = platform::OpenProfile(file);
  p->SetString("File_0", "AssiciateFile", "/v/a.mp4");
  p->SetString("File_0", "DataBaseName", "{A}");
  p->SetString("File_1", "AssiciateFile", "/v/b.mp4");
  p->SetString("File_1", "DataBaseName", "{B}");
  p->SetString("Setting", "NumOfFiles", "2");
  EXPECT_FALSE(platform::PathExists(file.c_str()));  // nothing before the commit
  ASSERT_TRUE(p->Commit());
  EXPECT_EQ(ReadText(file),
            "[File_0]\r\nAssiciateFile=/v/a.mp4\r\nDataBaseName={A}\r\n"
            "[File_1]\r\nAssiciateFile=/v/b.mp4\r\nDataBaseName={B}\r\n"
            "[Setting]\r\nNumOfFiles=2\r\n");
  // The written values read back through the same object and a new one.
  EXPECT_EQ(p->GetString("file_1", "databasename", "", 520), "{B}");
  EXPECT_EQ(platform::OpenProfile(file)->GetInt("Setting", "NumOfFiles", 0), 2);
}

TEST(Profile, ChangesLeaveEveryOtherLineAsItWas) {
  TempDir dir;
  const std::string file = dir.File("Molvaren.ini");
  const std::string before =
      "; kept comment\n"
      "[Setting]\n"
      "NumOfFiles = 3 \n"
      "\n"
      "[File_0]\n"
      "odd line without equals\n"
      "AssiciateFile=/v/a.mp4\n"
      "\n"
      "[File_2]\n"
      "Extra=keep\n";
  WriteText(file, before);
  auto p = platform::OpenProfile(file);
  p->SetString("setting", "numoffiles", "1");         // existing key, other case
  p->SetString("File_0", "DataBaseName", "{NEW}");    // new key in a section
  p->SetString("File_2", "Extra", "keep");            // same value: no change
  p->SetString("File_5", "AssiciateFile", "/v/z");    // new section at the end
  p->SetString("File_5", "Padded", " \t/v/p  ");       // stored without the blanks
  ASSERT_TRUE(p->Commit());
  EXPECT_EQ(ReadText(file),
            "; kept comment\n"
            "[Setting]\n"
            "NumOfFiles=1\n"
            "\n"
            "[File_0]\n"
            "odd line without equals\n"
            "AssiciateFile=/v/a.mp4\n"
            "DataBaseName={NEW}\n"
            "\n"
            "[File_2]\n"
            "Extra=keep\n"
            "[File_5]\n"
            "AssiciateFile=/v/z\n"
            "Padded=/v/p\n");

  // Setting only what is already there does not rewrite the file.
  WriteText(file, "[S]\nK=v\n");
  auto same = platform::OpenProfile(file);
  same->SetString("S", "K", "v");
  testing_support::WriteFileBytes(file, {'x'});  // changed behind its back
  ASSERT_TRUE(same->Commit());
  EXPECT_EQ(ReadText(file), "x");
}

TEST(Profile, AFailedCommitKeepsTheOldFile) {
  TempDir dir;
  // A folder where the file should be: it cannot be read, so it is never
  // replaced.
  const std::string blocked = dir.File("blocked.ini");
  ASSERT_TRUE(platform::CreateFolder(blocked.c_str()));
  auto p = platform::OpenProfile(blocked);
  p->SetString("S", "K", "v");
  EXPECT_FALSE(p->Commit());
  EXPECT_TRUE(platform::PathExists(blocked.c_str()));

  // A folder that does not exist: nothing is written anywhere.
  auto q = platform::OpenProfile(dir.File("no/such/x.ini"));
  q->SetString("S", "K", "v");
  EXPECT_FALSE(q->Commit());
  EXPECT_FALSE(platform::PathExists(dir.File("no").c_str()));
}

}  // namespace
}  // namespace mlvns
