#include "tools/mlvr/folder_index.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>

#include "tools/mlvr/tool_support.h"

namespace mlvr {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
  return s.substr(a, b - a);
}

// Leading decimal number, as the profile functions read integers.
int LeadingInt(const std::string& s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long long v = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && v < 1000000000)
    v = v * 10 + (s[i++] - '0');
  return static_cast<int>(negative ? -v : v);
}

// Section and key names match without regard to case; the first value of
// a key in the first section of that name counts.
using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ParseIni(const std::string& text) {
  Ini ini;
  std::istringstream in(text);
  std::string line, section;
  bool sectionSeen = false;
  std::map<std::string, bool> sectionsDone;
  bool skipping = false;
  while (std::getline(in, line)) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      const size_t close = t.find(']');
      section = Lower(Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      skipping = sectionsDone[section];
      sectionsDone[section] = true;
      sectionSeen = true;
      continue;
    }
    if (!sectionSeen || skipping) continue;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Lower(Trim(t.substr(0, eq)));
    std::string value = Trim(t.substr(eq + 1));
    if (value.size() > 519) value.resize(519);
    ini[section].emplace(key, value);
  }
  return ini;
}

std::string Value(const Ini& ini, const std::string& section, const std::string& key) {
  auto s = ini.find(Lower(section));
  if (s == ini.end()) return "";
  auto k = s->second.find(Lower(key));
  return k == s->second.end() ? "" : k->second;
}

}  // namespace

std::string FolderPrefix(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

std::string MediaKey(const std::string& media) {
  return Lower(std::filesystem::path(media).lexically_normal().generic_string());
}

bool SafeDataBaseName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find("..") != std::string::npos) return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

FolderIndex ReadFolderIndex(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(folder, ec))
    throw Failure(folder + ": is a file, not a database folder");
  if (!std::filesystem::is_directory(folder, ec)) throw Failure(folder + ": no such folder");
  FolderIndex index;
  const std::string file = FolderPrefix(folder) + "Molvaren.ini";
  if (!std::filesystem::exists(file, ec)) return index;
  index.present = true;
  const Ini ini = ParseIni(ReadTextFile(file));
  index.numOfFiles = LeadingInt(Value(ini, "Setting", "NumOfFiles"));
  // Only sections File_0 .. File_{n-1} count; walking the sections that
  // exist keeps a huge NumOfFiles cheap.
  for (const auto& section : ini) {
    const std::string& name = section.first;
    if (name.compare(0, 5, "file_") != 0 || name.size() == 5 || name.size() > 15) continue;
    const std::string digits = name.substr(5);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    if (digits.size() > 1 && digits[0] == '0') continue;
    const long long n = std::stoll(digits);
    if (n >= index.numOfFiles) continue;
    IndexEntry e;
    e.section = static_cast<int>(n);
    e.associate = Lower(Value(ini, name, "AssiciateFile"));
    e.databaseName = Value(ini, name, "DataBaseName");
    index.entries.push_back(e);
  }
  std::sort(index.entries.begin(), index.entries.end(),
            [](const IndexEntry& a, const IndexEntry& b) { return a.section < b.section; });
  return index;
}

}  // namespace mlvr
