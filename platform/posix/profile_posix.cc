// The private-profile (INI) engine of POSIX, with the behaviour of the Win32
// functions that the index relies on. A file is parsed once when opened and
// written once per Commit, whatever the number of keys read or set.
#include <cctype>
#include <unordered_map>

#include "platform/env.h"
#include "platform/posix/utf8.h"

namespace mlvns {
namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s, size_t from, size_t to) {
  while (from < to && IsBlank(s[from])) ++from;
  while (to > from && IsBlank(s[to - 1])) --to;
  return s.substr(from, to - from);
}

// Win32 reads a value between matching quotes without them.
std::string StripQuotes(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// The longest head of `text` that fits in `units` UTF-16 units.
std::string CutToUnits(const std::string& text, size_t units) {
  size_t used = 0;
  size_t i = 0;
  while (i < text.size()) {
    uint32_t c;
    size_t len = DecodeUtf8(text, i, &c);
    size_t need = (c != kNotACharacter && c >= 0x10000) ? 2 : 1;
    if (used + need > units) break;
    used += need;
    i += len;
  }
  return text.substr(0, i);
}

struct Line {
  std::string text;
  std::string key;  // as written, trimmed; empty for a line that is no key
};

struct Section {
  std::string name;         // as written, trimmed
  std::string header;       // the header line as it stands
  std::vector<Line> lines;  // the lines after the header, up to the next one
  std::unordered_map<std::string, size_t> keys;  // folded key -> first line
};

class PosixProfile final : public ProfileFile {
 public:
  PosixProfile(Env& env, const std::string& path) : env_(env), path_(path) { Load(); }

  int GetInt(const std::string& section, const std::string& key, int def) override {
    const Line* line = Find(section, key);
    if (line == nullptr) return def;
    std::string v = StripQuotes(Value(*line));
    if (v.empty()) return def;
    size_t i = 0;
    bool negative = false;
    if (v[i] == '+' || v[i] == '-') negative = v[i++] == '-';
    uint32_t n = 0;  // wraps as the Win32 conversion does
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') n = n * 10u + static_cast<uint32_t>(v[i++] - '0');
    if (negative) n = 0u - n;
    return static_cast<int>(n);
  }

  std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                        size_t units) override {
    if (units == 0) return std::string();
    const Line* line = Find(section, key);
    if (line != nullptr) return CutToUnits(StripQuotes(Value(*line)), units - 1);
    // Win32 hands out the default without its trailing spaces, though never
    // shorter than its first character.
    size_t end = def.size();
    while (end > 1 && def[end - 1] == ' ') --end;
    return CutToUnits(def.substr(0, end), units - 1);
  }

  void SetString(const std::string& section, const std::string& key,
                 const std::string& value) override {
    const std::string name = Trim(section, 0, section.size());
    const std::string k = Trim(key, 0, key.size());
    // Win32 stores the value without the blanks around it.
    const std::string v = Trim(value, 0, value.size());
    Section* s = FindSection(name);
    if (s == nullptr) {
      sections_.push_back(Section{name, "[" + name + "]", {}, {}});
      index_.emplace(LowerAnsi(name), sections_.size() - 1);
      s = &sections_.back();
    }
    const std::string text = k + "=" + v;
    auto it = s->keys.find(LowerAnsi(k));
    if (it != s->keys.end()) {
      Line& line = s->lines[it->second];
      if (Value(line) == v) return;
      line.text = line.key + "=" + v;
      dirty_ = true;
      return;
    }
    // After the section's last key, so that blank lines before the next
    // section stay where they are.
    size_t at = 0;
    for (size_t i = s->lines.size(); i > 0; --i) {
      if (!s->lines[i - 1].key.empty()) {
        at = i;
        break;
      }
    }
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{text, k});
    for (auto& entry : s->keys)
      if (entry.second >= at) ++entry.second;
    s->keys.emplace(LowerAnsi(k), at);
    dirty_ = true;
  }

  std::vector<std::string> SectionNames() override {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& s : sections_) names.push_back(s.name);
    return names;
  }

  bool Commit() override {
    if (!dirty_) return true;
    if (unreadable_) return false;  // never replace what could not be read
    std::string out = bom_;
    for (const Line& l : preamble_) out += l.text + eol_;
    for (const Section& s : sections_) {
      out += s.header + eol_;
      for (const Line& l : s.lines) out += l.text + eol_;
    }
    if (!WriteFileAtomically(env_, path_, out.data(), out.size())) return false;
    dirty_ = false;
    return true;
  }

 private:
  static std::string Value(const Line& line) {
    size_t eq = line.text.find('=');
    return Trim(line.text, eq + 1, line.text.size());
  }

  Section* FindSection(const std::string& name) {
    auto it = index_.find(LowerAnsi(Trim(name, 0, name.size())));
    return it == index_.end() ? nullptr : &sections_[it->second];
  }

  const Line* Find(const std::string& section, const std::string& key) {
    const std::string folded = LowerAnsi(Trim(key, 0, key.size()));
    if (Trim(section, 0, section.size()).empty()) {
      // Win32 reads the keys before the first section as a section without
      // a name.
      auto it = preambleKeys_.find(folded);
      return it == preambleKeys_.end() ? nullptr : &preamble_[it->second];
    }
    Section* s = FindSection(section);
    if (s == nullptr) return nullptr;
    auto it = s->keys.find(folded);
    return it == s->keys.end() ? nullptr : &s->lines[it->second];
  }

  void Load() {
    std::string data;
    std::unique_ptr<File> file = env_.OpenFileForReading(path_.c_str());
    if (!file) {
      unreadable_ = env_.PathExists(path_.c_str());
      return;
    }
    if (!ReadToEnd(*file, &data)) {
      unreadable_ = true;
      return;
    }
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
      bom_ = data.substr(0, 3);
      data.erase(0, 3);
    }
    size_t nl = data.find('\n');
    if (nl != std::string::npos && (nl == 0 || data[nl - 1] != '\r')) eol_ = "\n";
    size_t start = 0;
    while (start < data.size()) {
      size_t end = data.find('\n', start);
      if (end == std::string::npos) end = data.size();
      size_t stop = end;
      if (stop > start && data[stop - 1] == '\r') --stop;
      AddLine(data.substr(start, stop - start));
      start = end + 1;
    }
  }

  void AddLine(std::string text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    if (first < text.size() && text[first] == '[') {
      size_t close = text.find(']', first);
      std::string name = Trim(text, first + 1, close == std::string::npos ? text.size() : close);
      sections_.push_back(Section{name, std::move(text), {}, {}});
      index_.emplace(LowerAnsi(name), sections_.size() - 1);  // the first of a name counts
      return;
    }
    Line line{std::move(text), std::string()};
    size_t eq = line.text.find('=');
    if (eq != std::string::npos && line.text[first] != ';') line.key = Trim(line.text, 0, eq);
    if (sections_.empty()) {
      if (!line.key.empty()) preambleKeys_.emplace(LowerAnsi(line.key), preamble_.size());
      preamble_.push_back(std::move(line));
      return;
    }
    Section& s = sections_.back();
    if (!line.key.empty()) s.keys.emplace(LowerAnsi(line.key), s.lines.size());
    s.lines.push_back(std::move(line));
  }

  Env& env_;
  std::string path_;
  std::string bom_;
  std::string eol_ = "\r\n";  // a file made here ends its lines as Win32 does
  std::vector<Line> preamble_;
  std::unordered_map<std::string, size_t> preambleKeys_;  // folded key -> first line
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> index_;  // folded name -> first section
  bool dirty_ = false;
  bool unreadable_ = false;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfile(Env& env, const std::string& path) {
  return std::unique_ptr<ProfileFile>(new PosixProfile(env, path));
}

}  // namespace platform
}  // namespace mlvns
