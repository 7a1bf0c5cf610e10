// Subcommands that look at a database folder without the database object:
// check, and db list. Neither writes anything.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/mlvr/commands.h"
#include "tools/mlvr/repair_command.h"
#include "molvaren/molvaren_x.h"
#include "tools/mlvr/reports.h"
#include "tools/mlvr/tool_support.h"

#include <nlohmann/json.hpp>

namespace mlvr {
namespace {
namespace fs = std::filesystem;

// Below this many entries the check is quick enough to need no progress.
constexpr size_t kProgressFrom = 200;

struct EntryState {
  IndexEntry entry;
  std::string state;  // "ok", "missing", "unreadable", "unsafe name", "replaced"
  int32_t paths = 0;
};

struct Survey {
  FolderIndex index;
  std::vector<EntryState> entries;
  std::vector<std::string> problems;
};

class Progress {
 public:
  explicit Progress(size_t total) : on_(total >= kProgressFrom && isatty(2)), total_(total) {}
  void Step(size_t done) {
    if (!on_ || (done % 50 != 0 && done != total_)) return;
    const int width = 40;
    const int filled = static_cast<int>(width * done / total_);
    std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), ' ').c_str(), done, total_);
    if (done == total_) std::fprintf(stderr, "\n");
  }

 private:
  bool on_;
  size_t total_;
};

// Bytes the library's reading covers: head, list header, each stored path
// with its nodes and extra node.
uintmax_t StoredBytes(const List& list) {
  uintmax_t n = 1 + 41 + 4 + 88;
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (p == nullptr) continue;
    n += 528 + 60 * static_cast<uintmax_t>(p->nTotalPathNodeNum + (p->bHasExtraNode != 0 ? 1 : 0));
  }
  return n;
}

bool GuidForm(const std::string& g) {
  static const char form[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (g.size() != 38) return false;
  for (size_t i = 0; i < 38; ++i) {
    const char c = g[i];
    if (form[i] == 'X' ? !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) : c != form[i])
      return false;
  }
  return true;
}

// What a host would trip over in one path: its identity, its frame order,
// values that are not numbers.
std::vector<std::string> PathSurprises(const _PATH_INFO_& p) {
  std::vector<std::string> out;
  const std::string guid = FieldText(p.szGUID, sizeof p.szGUID);
  if (!GuidForm(guid)) out.push_back("malformed GUID \"" + guid + "\"");
  const int32_t n = p.pPathNodes == nullptr ? 0 : p.nTotalPathNodeNum;
  const int32_t run = p.nTrackType == 403 && n % 4 == 0 && n > 0 ? n / 4 : n;
  for (int32_t i = 1; i < n; ++i) {
    if (i % run != 0 && p.pPathNodes[i].nFrameIndex <= p.pPathNodes[i - 1].nFrameIndex) {
      out.push_back("frames do not increase at node " + std::to_string(i) + " (frame " +
                    std::to_string(p.pPathNodes[i].nFrameIndex) + " after " +
                    std::to_string(p.pPathNodes[i - 1].nFrameIndex) + ")");
      break;
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    const _PATH_NODE_& d = p.pPathNodes[i];
    for (float v : {d.fConfidence, d.fXPos, d.fYPos, d.fWidth, d.fHeight, d.fCtrlXPos, d.fCtrlYPos}) {
      if (!std::isfinite(v)) {
        out.push_back("node " + std::to_string(i) + " (frame " + std::to_string(d.nFrameIndex) +
                      ") holds a value that is not finite");
        i = n;
        break;
      }
    }
  }
  return out;
}

Survey SurveyFolder(const std::string& folder, bool readPaths) {
  Survey s;
  s.index = ReadFolderIndex(folder);
  if (!s.index.present) {
    s.problems.push_back("no index " + FolderPrefix(folder) + "Molvaren.ini");
    return s;
  }
  const std::string prefix = FolderPrefix(folder);
  std::map<std::string, int> kept;                    // key -> the section the library keeps
  std::map<std::string, std::vector<int>> byFile;     // path file -> sections
  std::map<std::string, std::vector<std::string>> guids;
  std::map<std::string, std::set<std::string>> spellings;  // MediaKey -> names
  for (const IndexEntry& e : s.index.entries)
    if (e.verdict == MLVRX_INDEX_USED) kept[e.associate] = e.section;
  Progress progress(s.index.entries.size());
  size_t done = 0;
  for (const IndexEntry& e : s.index.entries) {
    progress.Step(++done);
    if (e.databaseName.empty()) continue;  // an empty section, passed over
    EntryState st{e, "ok", 0};
    const std::string section = "File_" + std::to_string(e.section);
    if (e.verdict == MLVRX_INDEX_SKIPPED) {
      st.state = "unsafe name";
      s.problems.push_back(section + ": database name \"" + e.databaseName +
                           "\" is not one the library accepts (the library skips it)");
      s.entries.push_back(st);
      continue;
    }
    if (e.verdict == MLVRX_INDEX_REPLACED)
      s.problems.push_back(section + " and File_" + std::to_string(kept[e.associate]) +
                           " both name " + e.associate + " (the later one counts)");
    spellings[MediaKey(e.associate)].insert(e.associate);
    const std::string file = e.databaseName + ".otp";
    byFile[file].push_back(e.section);
    std::error_code ec;
    if (!fs::is_regular_file(prefix + file, ec)) {
      st.state = "missing";
      s.problems.push_back(section + " (" + e.associate + "): path file " + file + " is missing");
    } else if (readPaths) {
      List list;
      if (Mlvr_OpenSavePathInfo((prefix + file).c_str(), 0, list.ref()) != 1 ||
          list.get() == nullptr) {
        st.state = "unreadable";
        s.problems.push_back(section + " (" + e.associate + "): path file " + file +
                             " is not a readable path file");
      } else {
        st.paths = list.size();
        const std::string at = section + " (" + e.associate + "): " + file;
        const uintmax_t size = fs::file_size(prefix + file, ec);
        const uintmax_t read = StoredBytes(list);
        if (!ec && size > read)
          s.problems.push_back(at + " is only partly readable: the library reads " +
                               std::to_string(read) + " of its " + std::to_string(size) + " bytes");
        for (int32_t i = 0; i < list.size(); ++i) {
          const _PATH_INFO_* p = list.path(i);
          if (p == nullptr) continue;
          for (const std::string& q : PathSurprises(*p))
            s.problems.push_back(at + " path " + std::to_string(i) + ": " + q);
          guids[FieldText(p->szGUID, sizeof p->szGUID)].push_back(e.associate + " #" +
                                                                  std::to_string(i));
        }
      }
    }
    if (e.verdict == MLVRX_INDEX_REPLACED) st.state = "replaced";
    s.entries.push_back(st);
  }
  for (const auto& sp : spellings) {
    if (sp.second.size() < 2) continue;
    std::string names;
    for (const std::string& n : sp.second) names += (names.empty() ? "" : ", ") + n;
    s.problems.push_back(names + " name one media file in different spellings (separate entries)");
  }
  for (const auto& f : byFile) {
    if (f.second.size() < 2) continue;
    std::string sections;
    for (int n : f.second) sections += (sections.empty() ? "File_" : ", File_") + std::to_string(n);
    s.problems.push_back(sections + " share the path file " + f.first);
  }
  std::error_code ec;
  std::set<std::string> orphans;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    const std::string name = item.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".otp") == 0 &&
        byFile.find(name) == byFile.end())
      orphans.insert(name);
  }
  for (const std::string& o : orphans) s.problems.push_back(o + ": no entry names this path file");
  for (const auto& g : guids) {
    if (g.second.size() < 2) continue;
    std::string where;
    for (const std::string& w : g.second) where += (where.empty() ? "" : ", ") + w;
    s.problems.push_back("identity " + (g.first.empty() ? std::string("(empty)") : g.first) +
                         " appears " + std::to_string(g.second.size()) + " times: " + where);
  }
  return s;
}

}  // namespace

void AddFolderCommands(CLI::App& app, CLI::App& db, int* status) {
  auto folder = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);

  CLI::App* check = app.add_subcommand(
      "check", "Read-only health report of a database folder (exit 1 when anything is wrong)");
  check->add_option("folder", *folder, "Database folder")->required();
  check->add_flag("--json", *json, "Write JSON");
  auto repair = std::make_shared<bool>(false);
  check->add_flag("--repair", *repair,
                  "Enter the orphaned path files in the index (nothing is deleted)");
  check->callback([folder, json, status, repair] {
    if (*repair) return RepairFolder(*folder);
    const Survey s = SurveyFolder(*folder, true);
    *status = s.problems.empty() ? 0 : 1;
    if (*json) {
      int32_t total = 0;
      for (const EntryState& e : s.entries) total += e.paths;
      nlohmann::ordered_json orphans = nlohmann::ordered_json::array();
      for (const Orphan& o : ListOrphans(*folder)) {
        orphans.push_back({{"pathFile", o.file},
                           {"adoptAs", o.key.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(o.key)},
                           {"reason", o.key.empty() ? o.reason : ""}});
      }
      const nlohmann::ordered_json doc = {{"folder", *folder}, {"entries", s.entries.size()},
                                          {"paths", total}, {"healthy", s.problems.empty()},
                                          {"problems", s.problems}, {"orphans", orphans}};
      return WriteOutput("", JsonText(doc));
    }
    std::string out = "folder " + *folder + "\n";
    out += std::to_string(s.entries.size()) + " entries";
    int32_t paths = 0;
    for (const EntryState& e : s.entries) paths += e.paths;
    out += ", " + std::to_string(paths) + " paths\n";
    out += OrphanReport(*folder);
    if (s.problems.empty()) {
      out += "healthy\n";
    } else {
      for (const std::string& p : s.problems) out += "  problem: " + p + "\n";
      out += std::to_string(s.problems.size()) + " problem" + (s.problems.size() == 1 ? "" : "s") +
             "\n";
    }
    WriteOutput("", out);
  });

  CLI::App* list = db.add_subcommand("list", "The media files a database folder keeps paths for");
  list->add_option("folder", *folder, "Database folder")->required();
  list->add_flag("--json", *json, "Write JSON");
  list->callback([folder, json] {
    const Survey s = SurveyFolder(*folder, true);
    if (!s.index.present) throw Failure(*folder + ": no index Molvaren.ini, not a database folder");
    if (*json) {
      nlohmann::ordered_json doc = nlohmann::ordered_json::array();
      for (const EntryState& e : s.entries)
        doc.push_back({{"media", e.entry.associate}, {"pathFile", e.entry.databaseName + ".otp"},
                       {"state", e.state}, {"paths", e.paths}});
      return WriteOutput("", JsonText(doc));
    }
    std::string out;
    for (const EntryState& e : s.entries) {
      out += e.entry.associate + "  " + e.entry.databaseName + ".otp  ";
      out += e.state == "ok" ? std::to_string(e.paths) + " path" + (e.paths == 1 ? "" : "s")
                             : e.state;
      out += "\n";
    }
    out += std::to_string(s.entries.size()) + " media file" + (s.entries.size() == 1 ? "" : "s") +
           "\n";
    WriteOutput("", out);
  });
}

}  // namespace mlvr
