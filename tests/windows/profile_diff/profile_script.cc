// Runs one fixed set of write and read sequences on INI files through the
// library's profile interface and prints every value read, one line each,
// prefixed with the case's name. The files stay in DIR. Built once against
// the POSIX engine and once against the Win32 functions, so that a harness
// can hold the two runs side by side.
//
//   profile_script DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

using mlvns::platform::OpenProfile;
using mlvns::platform::ProfileFile;

std::string g_dir;
std::string g_case;

std::string FileOf(const std::string& name) {
  const char sep = g_dir.find('\\') != std::string::npos ? '\\' : '/';
  return g_dir + sep + name + ".ini";
}

// Quoted, with everything outside printable ASCII as \xNN, so that a line
// never breaks and both runtimes print the same bytes.
std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7e) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Say(const std::string& text) { std::printf("%s: %s\n", g_case.c_str(), text.c_str()); }

void Start(const std::string& name, const char* content, size_t n) {
  g_case = name;
  if (content != nullptr) {
    std::ofstream out(FileOf(name), std::ios::binary | std::ios::trunc);
    out.write(content, static_cast<std::streamsize>(n));
  }
}
template <size_t N>
void Start(const std::string& name, const char (&content)[N]) {
  Start(name, content, N - 1);
}
void Start(const std::string& name) { Start(name, nullptr, 0); }

std::unique_ptr<ProfileFile> Open() { return OpenProfile(FileOf(g_case)); }

void Get(ProfileFile& p, const std::string& section, const std::string& key,
         const std::string& def = "", size_t units = 520) {
  Say("get [" + section + "] " + key + " (" + std::to_string(units) + ") = " +
      Quote(p.GetString(section, key, def, units)));
}

void GetInt(ProfileFile& p, const std::string& section, const std::string& key, int def) {
  Say("int [" + section + "] " + key + " (" + std::to_string(def) + ") = " +
      std::to_string(p.GetInt(section, key, def)));
}

void Sections(ProfileFile& p) {
  std::string all;
  for (const std::string& name : p.SectionNames()) all += " " + Quote(name);
  Say("sections" + all);
}

void Set(ProfileFile& p, const std::string& section, const std::string& key,
         const std::string& value) {
  p.SetString(section, key, value);
}

void Commit(ProfileFile& p) { Say(std::string("commit ") + (p.Commit() ? "ok" : "failed")); }

// A file the engine makes: sections appended at the end, keys at the end of
// their section, existing keys rewritten in place.
void NewFile() {
  Start("new-file");
  auto p = Open();
  Get(*p, "Alpha", "k1", "absent");
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Set(*p, "File_0", "AssiciateFile", "z:\\media\\clip.mp4");
  Set(*p, "File_0", "DataBaseName", "{9A1B2C3D-0000-4000-8000-00000000000A}");
  Set(*p, "File_1", "AssiciateFile", "z:\\media\\other.mp4");
  Set(*p, "File_1", "DataBaseName", "{9A1B2C3D-0000-4000-8000-00000000000B}");
  Set(*p, "Setting", "NumOfFiles", "2");
  Set(*p, "File_0", "Extra", "after the last key of File_0");
  Set(*p, "File_1", "DataBaseName", "{9A1B2C3D-0000-4000-8000-00000000000C}");
  Commit(*p);
  Get(*p, "File_0", "AssiciateFile");
  Get(*p, "File_1", "DataBaseName");
  Sections(*p);
  p = Open();
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Get(*p, "File_0", "Extra");
  Get(*p, "File_1", "DataBaseName");
  Get(*p, "File_2", "DataBaseName", "");
  Sections(*p);
}

// Names in other letter case find what is there and keep its spelling.
void MixedCase() {
  Start("mixed-case");
  auto p = Open();
  Set(*p, "Alpha", "Key", "one");
  Commit(*p);
  p = Open();
  Set(*p, "ALPHA", "KEY", "two");
  Set(*p, "alpha", "NewKey", "three");
  Set(*p, "BETA", "k", "four");
  Commit(*p);
  p = Open();
  Get(*p, "alpha", "key");
  Get(*p, "Alpha", "newkey");
  Get(*p, "beta", "K");
  Sections(*p);
}

// Values written with blanks around them.
void BlankValues() {
  Start("blank-values");
  auto p = Open();
  Set(*p, "Pad", "Both", "  padded  ");
  Set(*p, "Pad", "Inner", "a  b");
  Set(*p, "Pad", "Empty", "");
  Commit(*p);
  p = Open();
  Get(*p, "Pad", "Both");
  Get(*p, "Pad", "Inner");
  Get(*p, "Pad", "Empty", "default");
}

// A hand-written file with blanks around names and values, read as it
// stands; then one key of it rewritten.
void BlankNames() {
  static const char kText[] =
      "[ Spaced ]\r\n"
      "  key one  =  value one  \r\n"
      "\ttabbed\t=\ttab value\t\r\n"
      "quoted = \"  inner pad  \"\r\n"
      "single='x'\r\n"
      "open=\"unbalanced\r\n"
      "[Other]\r\n"
      "k=v\r\n";
  Start("blank-names", kText);
  auto p = Open();
  Get(*p, "Spaced", "key one");
  Get(*p, " spaced ", "KEY ONE");
  Get(*p, "Spaced", "tabbed");
  Get(*p, "Spaced", "quoted");
  Get(*p, "Spaced", "single");
  Get(*p, "Spaced", "open");
  Sections(*p);
  Set(*p, "Other", "k", "w");
  Commit(*p);
  p = Open();
  Get(*p, "Spaced", "key one");
  Get(*p, "Other", "k");
}

// Values longer than the buffer are cut to its size less one.
void LongValues() {
  Start("long-values");
  const std::string longValue(600, 'z');
  const std::string hello = "HelloWorld";
  auto p = Open();
  Set(*p, "Long", "Six", longValue);
  Set(*p, "Long", "Hello", hello);
  Commit(*p);
  p = Open();
  Say("length (520) " +
      std::to_string(p->GetString("Long", "Six", "", 520).size()));
  Say("length (600) " +
      std::to_string(p->GetString("Long", "Six", "", 600).size()));
  Say("length (601) " +
      std::to_string(p->GetString("Long", "Six", "", 601).size()));
  Get(*p, "Long", "Hello", "", 5);
  Get(*p, "Long", "Hello", "", 11);
  Get(*p, "Long", "Hello", "", 2);
  Get(*p, "Long", "Hello", "", 1);
  Get(*p, "Long", "Missing", "default", 4);
  Get(*p, "Long", "Missing", "  dflt padded \t ", 520);
  Get(*p, "Nowhere", "Missing", "   ", 520);
}

// Integers: the leading decimal number; the default when missing or empty.
void Integers() {
  static const char kText[] =
      "[Numbers]\r\n"
      "trailing=12abc\r\n"
      "blank= 7\r\n"
      "negative=-3\r\n"
      "letter=x\r\n"
      "empty=\r\n"
      "plus=+5\r\n"
      "quoted=\"42\"\r\n"
      "zero=012\r\n"
      "spaced=- 5\r\n"
      "big=4294967295\r\n"
      "wrap=99999999999\r\n"
      "exp=1e3\r\n";
  Start("integers", kText);
  auto p = Open();
  for (const char* key : {"trailing", "blank", "negative", "letter", "empty", "plus", "quoted",
                          "zero", "spaced", "big", "wrap", "exp", "missing"}) {
    GetInt(*p, "Numbers", key, 77);
  }
  GetInt(*p, "Nowhere", "trailing", 78);
}

// Hex-looking values, apart from the rest: see the known differences.
void HexIntegers() {
  static const char kText[] =
      "[Numbers]\r\n"
      "lower=0x1A\r\n"
      "upper=0X10\r\n";
  Start("hex-integers", kText);
  auto p = Open();
  GetInt(*p, "Numbers", "lower", 77);
  GetInt(*p, "Numbers", "upper", 77);
}

// Odd lines that a write must leave alone: comments, blank lines, lines
// without '=', a key before any section, duplicate sections and keys.
void OddLines() {
  static const char kText[] =
      "; written by hand\r\n"
      "orphan=before any section\r\n"
      "\r\n"
      "[Setting]\r\n"
      "NumOfFiles=1\r\n"
      "; NumOfFiles=9\r\n"
      "# hash comment\r\n"
      "no equals sign\r\n"
      "\r\n"
      "[File_0]\r\n"
      "AssiciateFile=first\r\n"
      "AssiciateFile=second\r\n"
      "\r\n"
      "[file_0]\r\n"
      "DataBaseName=hidden\r\n"
      "[Tail]\r\n"
      "last=1\r\n"
      "\r\n";
  Start("odd-lines", kText);
  auto p = Open();
  Get(*p, "", "orphan", "none");
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Get(*p, "Setting", "no equals sign", "none");
  Get(*p, "File_0", "AssiciateFile");
  Get(*p, "File_0", "DataBaseName", "none");
  Sections(*p);
  Set(*p, "Setting", "NumOfFiles", "2");
  Set(*p, "File_0", "DataBaseName", "{9A1B2C3D-0000-4000-8000-00000000000D}");
  Set(*p, "Tail", "added", "2");
  Set(*p, "File_1", "AssiciateFile", "third");
  Commit(*p);
  p = Open();
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Get(*p, "File_0", "DataBaseName");
  Get(*p, "Tail", "added");
  Get(*p, "File_1", "AssiciateFile");
  Sections(*p);
}

// The same kind of file with LF line ends only, as an editor on Linux
// writes it (no blank line, so that only the line ends tell).
void LfLines() {
  static const char kText[] =
      "; written by hand\n"
      "[Setting]\n"
      "NumOfFiles=1\n"
      "[File_0]\n"
      "AssiciateFile=first\n";
  Start("lf-lines", kText);
  auto p = Open();
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Set(*p, "Setting", "NumOfFiles", "3");
  Set(*p, "File_0", "DataBaseName", "{9A1B2C3D-0000-4000-8000-00000000000E}");
  Commit(*p);
  p = Open();
  GetInt(*p, "Setting", "NumOfFiles", 0);
  Get(*p, "File_0", "DataBaseName");
}

// Blanks around the '=' of keys that are not written.
void KeepOtherLines() {
  static const char kText[] =
      "[Setting]\r\n"
      "NumOfFiles = 1\r\n"
      "[File_0]\r\n"
      "AssiciateFile = first\r\n"
      "DataBaseName =  {9A1B2C3D-0000-4000-8000-00000000000F}\r\n";
  Start("keep-other-lines", kText);
  auto p = Open();
  Set(*p, "File_1", "AssiciateFile", "second");
  Commit(*p);
  p = Open();
  Get(*p, "File_0", "AssiciateFile");
  Get(*p, "File_0", "DataBaseName");
  Get(*p, "File_1", "AssiciateFile");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: profile_script DIR\n");
    return 2;
  }
  g_dir = argv[1];
  NewFile();
  MixedCase();
  BlankValues();
  BlankNames();
  LongValues();
  Integers();
  HexIntegers();
  OddLines();
  LfLines();
  KeepOtherLines();
  return 0;
}
