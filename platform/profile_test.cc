// The index file's INI engine held to what the Win32 private-profile
// functions do. The same expectations run on the POSIX engine and, in the
// Windows build, on the Win32 functions themselves; where Wine's functions
// depart from Windows', the departure is written out as its own expectation.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mlvns {
namespace {

#ifdef _WIN32
const char kSep = '\\';
const bool kWine = [] {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}();
#else
const char kSep = '/';
const bool kWine = false;
#endif

class Profile : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return dir_.path() + kSep + name; }
  std::unique_ptr<platform::ProfileFile> Open(const std::string& name, const std::string& text) {
    testing_support::WriteFileBytes(File(name), std::vector<uint8_t>(text.begin(), text.end()));
    return platform::OpenProfile(*platform::Env::Default(), File(name));
  }
  std::string Text(const std::string& name) const {
    auto bytes = testing_support::ReadFileBytes(File(name));
    return std::string(bytes.begin(), bytes.end());
  }
  testing_support::TempDir dir_;
};

TEST_F(Profile, IntegersAreTheLeadingDecimalNumber) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"12abc", 12}, {"  12abc  ", 12}, {" 7", 7}, {"-3", -3}, {"x", 0}, {"", 77}, {"+5", 5},
      {"\"42\"", 42}, {"012", 12}, {"- 5", 0}, {"4294967295", -1}, {"99999999999", 1215752191},
      {"1e3", 1}, {"0X10", 0},
      // Wine reads a lower-case "0x" as hexadecimal; the index needs 0.
      {"0x1A", kWine ? 26 : 0}};
  std::string text = "[Numbers]\r\n";
  for (size_t i = 0; i < cases.size(); ++i)
    text += "k" + std::to_string(i) + "=" + cases[i].first + "\r\n";
  auto p = Open("int.ini", text);
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(p->GetInt("numbers", "K" + std::to_string(i), 77), cases[i].second)
        << cases[i].first;
  EXPECT_EQ(p->GetInt("Numbers", "missing", 77), 77);
  EXPECT_EQ(p->GetInt("Nowhere", "k0", 78), 78);
}

TEST_F(Profile, ReadsNamesInAnyCaseAndTheFirstOfEach) {
  auto p = Open("read.ini",
                "; written by hand\r\norphan=before any section\r\n\r\n[ Spaced ]\r\n"
                "  key one  =  value one  \r\n\ttabbed\t=\ttab value\t\r\n"
                "quoted = \"  inner pad  \"\r\nsingle='x'\r\nopen=\"unbalanced\r\n"
                "no equals sign\r\nEmpty=\r\n[File_0]\r\nAssiciateFile=first\r\n"
                "AssiciateFile=second\r\n[file_0]\r\nDataBaseName=hidden\r\n");
  const std::vector<std::pair<std::pair<const char*, const char*>, const char*>> cases = {
      {{"", "orphan"}, "before any section"},  // keys before any section: a nameless one
      {{"Spaced", "key one"}, "value one"}, {{" spaced ", "KEY ONE"}, "value one"},
      {{"Spaced", "tabbed"}, "tab value"},  {{"Spaced", "quoted"}, "  inner pad  "},
      {{"Spaced", "single"}, "x"},          {{"Spaced", "open"}, "\"unbalanced"},
      {{"Spaced", "no equals sign"}, "none"},
      {{"Spaced", "Empty"}, ""},  // present but empty is not missing
      {{"file_0", "assiciatefile"}, "first"},
      {{"File_0", "DataBaseName"}, "none"},  // only the first section of a name counts
  };
  for (const auto& c : cases)
    EXPECT_EQ(p->GetString(c.first.first, c.first.second, "none", 520), c.second)
        << c.first.first << "/" << c.first.second;
  EXPECT_EQ(p->SectionNames(), (std::vector<std::string>{"Spaced", "File_0", "file_0"}));

  // A missing file reads as empty, and committing nothing creates nothing.
  auto missing = platform::OpenProfile(*platform::Env::Default(), File("none.ini"));
  EXPECT_EQ(missing->GetInt("Setting", "NumOfFiles", 3), 3);
  EXPECT_TRUE(missing->Commit());
  EXPECT_FALSE(platform::Env::Default()->PathExists(File("none.ini").c_str()));
}

TEST_F(Profile, StringsAreCutToTheBufferLessOne) {
  auto p = Open("long.ini", "[Long]\r\nSix=" + std::string(600, 'z') + "\r\nHello=HelloWorld\r\n");
  EXPECT_EQ(p->GetString("Long", "Six", "", 601), std::string(600, 'z'));
  EXPECT_EQ(p->GetString("Long", "Six", "", 520), std::string(519, 'z'));
  for (auto [units, value] : {std::pair<size_t, const char*>{11, "HelloWorld"}, {5, "Hell"},
                              {2, "H"}, {1, ""}, {0, ""}})
    EXPECT_EQ(p->GetString("Long", "Hello", "", units), value) << units;
  // Defaults are cut too, and lose their trailing spaces (all but one).
  EXPECT_EQ(p->GetString("Long", "Missing", "default", 4), "def");
  EXPECT_EQ(p->GetString("Long", "Missing", "  dflt padded \t ", 520), "  dflt padded \t");
  EXPECT_EQ(p->GetString("Nowhere", "Missing", "   ", 520), " ");
}

TEST_F(Profile, WritesAFreshFileInWin32Order) {
  auto p = platform::OpenProfile(*platform::Env::Default(), File("new.ini"));
  p->SetString("File_0", "AssiciateFile", "z:\\media\\clip.mp4");
  p->SetString("File_0", "DataBaseName", "{A}");
  p->SetString("File_1", "AssiciateFile", "z:\\media\\other.mp4");
  p->SetString("File_1", "DataBaseName", "{B}");
  p->SetString("Setting", "NumOfFiles", "2");
  p->SetString("File_0", "Extra", "  padded  ");      // at the end of its section, unpadded
  p->SetString("FILE_1", "DATABASENAME", "{C}");     // same key, other case: replaced
  EXPECT_FALSE(platform::Env::Default()->PathExists(File("new.ini").c_str()));  // nothing before the commit
  ASSERT_TRUE(p->Commit());
  EXPECT_EQ(Text("new.ini"),
            "[File_0]\r\nAssiciateFile=z:\\media\\clip.mp4\r\nDataBaseName={A}\r\n"
            "Extra=padded\r\n"
            "[File_1]\r\nAssiciateFile=z:\\media\\other.mp4\r\nDataBaseName={C}\r\n"
            "[Setting]\r\nNumOfFiles=2\r\n");
  EXPECT_EQ(p->GetString("file_1", "databasename", "", 520), "{C}");
}

// A rewrite must leave every line it does not write as it was. Wine's
// functions write the whole file anew; each such departure is spelt out.
TEST_F(Profile, ARewriteLeavesEveryOtherLineAsItWas) {
  const struct { const char *before, *after, *afterUnderWine; } cases[] = {
      // Comments, blank lines, lines without '=', a key before any section,
      // duplicate sections and keys. Wine drops the blank lines.
      {"; c\r\norphan=1\r\n\r\n[Setting]\r\nNumOfFiles=1\r\nno equals\r\n\r\n"
       "[File_0]\r\nA=first\r\nA=second\r\n[file_0]\r\nD=hidden\r\n[Tail]\r\nlast=1\r\n\r\n",
       "; c\r\norphan=1\r\n\r\n[Setting]\r\nNumOfFiles=2\r\nno equals\r\n\r\n"
       "[File_0]\r\nA=first\r\nA=second\r\nD={D}\r\n[file_0]\r\nD=hidden\r\n[Tail]\r\nlast=1\r\n"
       "\r\n[File_1]\r\nA=third\r\n",
       "; c\r\norphan=1\r\n[Setting]\r\nNumOfFiles=2\r\nno equals\r\n"
       "[File_0]\r\nA=first\r\nA=second\r\nD={D}\r\n[file_0]\r\nD=hidden\r\n[Tail]\r\nlast=1\r\n"
       "[File_1]\r\nA=third\r\n"},
      // Lines ended by LF alone keep them; Wine ends every line with CR LF.
      {"; c\n[Setting]\nNumOfFiles=1\n[File_0]\nA=first\n",
       "; c\n[Setting]\nNumOfFiles=2\n[File_0]\nA=first\nD={D}\n[File_1]\nA=third\n",
       "; c\r\n[Setting]\r\nNumOfFiles=2\r\n[File_0]\r\nA=first\r\nD={D}\r\n"
       "[File_1]\r\nA=third\r\n"},
      // Blanks around names and '='; Wine takes them away.
      {"[ Setting ]\r\nNumOfFiles = 1\r\n[File_0]\r\n\tA = first \r\n",
       "[ Setting ]\r\nNumOfFiles=2\r\n[File_0]\r\n\tA = first \r\nD={D}\r\n[File_1]\r\nA=third\r\n",
       "[Setting]\r\nNumOfFiles=2\r\n[File_0]\r\nA=first\r\nD={D}\r\n[File_1]\r\nA=third\r\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "rewrite" + std::to_string(n++) + ".ini";
    auto p = Open(name, c.before);
    p->SetString("setting", "numoffiles", "2");
    p->SetString("File_0", "D", "{D}");
    p->SetString("File_1", "A", "third");
    ASSERT_TRUE(p->Commit());
    EXPECT_EQ(Text(name), kWine ? c.afterUnderWine : c.after) << c.before;
  }
}

TEST_F(Profile, AFailedCommitKeepsTheOldFile) {
  // A folder that does not exist: nothing is written anywhere.
  auto lost = platform::OpenProfile(*platform::Env::Default(), File("gone") + kSep + "x.ini");
  lost->SetString("S", "K", "v");
  EXPECT_FALSE(lost->Commit());
  EXPECT_FALSE(platform::Env::Default()->PathExists(File("gone").c_str()));
}

#ifndef _WIN32
// What only the POSIX engine does itself: text is UTF-8, the file is written
// at the commit, and only when something changed.
TEST_F(Profile, PosixEngineCutsUtf8InUtf16UnitsAndWritesOnlyChanges) {
  // e-acute is one unit, the emoji (U+1F600) two.
  auto p = Open("u.ini", "[\xC3\x89t\xC3\xA9]\nK=\xC3\xA9\xF0\x9F\x98\x80x\n");
  EXPECT_EQ(p->GetString("\xC3\xA9T\xC3\x89", "k", "", 5), "\xC3\xA9\xF0\x9F\x98\x80x");
  EXPECT_EQ(p->GetString("\xC3\xA9T\xC3\x89", "k", "", 4), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(p->GetString("\xC3\xA9T\xC3\x89", "k", "", 3), "\xC3\xA9");  // no half character

  auto same = Open("same.ini", "[S]\nK=v\n");
  same->SetString("S", "K", "v");
  testing_support::WriteFileBytes(File("same.ini"), {'x'});  // changed behind its back
  ASSERT_TRUE(same->Commit());
  EXPECT_EQ(Text("same.ini"), "x");

  // A folder where the file should be cannot be read, so it is never replaced.
  ASSERT_TRUE(platform::Env::Default()->CreateFolder(File("blocked.ini").c_str()));
  auto blocked = platform::OpenProfile(*platform::Env::Default(), File("blocked.ini"));
  blocked->SetString("S", "K", "v");
  EXPECT_FALSE(blocked->Commit());
  EXPECT_TRUE(platform::Env::Default()->PathExists(File("blocked.ini").c_str()));
}
#endif

}  // namespace
}  // namespace mlvns
