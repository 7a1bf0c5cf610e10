// Subcommands that look at a database folder without the database object:
// check, and db list. Neither writes anything.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/mlvr/commands.h"
#include "tools/mlvr/folder_index.h"
#include "tools/mlvr/repair_command.h"
#include "tools/mlvr/tool_support.h"

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

Survey SurveyFolder(const std::string& folder, bool readPaths) {
  Survey s;
  s.index = ReadFolderIndex(folder);
  if (!s.index.present) {
    s.problems.push_back("no index " + FolderPrefix(folder) + "Molvaren.ini");
    return s;
  }
  const std::string prefix = FolderPrefix(folder);
  std::map<std::string, size_t> byAssociate;          // key -> entry counted
  std::map<std::string, std::vector<int>> byFile;     // path file -> sections
  std::map<std::string, std::vector<std::string>> guids;
  Progress progress(s.index.entries.size());
  size_t done = 0;
  for (const IndexEntry& e : s.index.entries) {
    progress.Step(++done);
    if (e.databaseName.empty()) continue;  // an empty section, passed over
    EntryState st{e, "ok", 0};
    const std::string section = "File_" + std::to_string(e.section);
    if (!SafeDataBaseName(e.databaseName)) {
      st.state = "unsafe name";
      s.problems.push_back(section + ": database name \"" + e.databaseName +
                           "\" would leave the folder (the library skips it)");
      s.entries.push_back(st);
      continue;
    }
    auto earlier = byAssociate.find(e.associate);
    if (earlier != byAssociate.end()) {
      s.entries[earlier->second].state = "replaced";
      s.problems.push_back("File_" + std::to_string(s.entries[earlier->second].entry.section) +
                           " and " + section + " both name " + e.associate +
                           " (the later one counts)");
    }
    byAssociate[e.associate] = s.entries.size();
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
        for (int32_t i = 0; i < list.size(); ++i) {
          const _PATH_INFO_* p = list.path(i);
          if (p == nullptr) continue;
          guids[FieldText(p->szGUID, sizeof p->szGUID)].push_back(e.associate + " #" +
                                                                  std::to_string(i));
        }
      }
    }
    s.entries.push_back(st);
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

  CLI::App* check = app.add_subcommand(
      "check", "Read-only health report of a database folder (exit 1 when anything is wrong)");
  check->add_option("folder", *folder, "Database folder")->required();
  auto repair = std::make_shared<bool>(false);
  check->add_flag("--repair", *repair,
                  "Enter the orphaned path files in the index (nothing is deleted)");
  check->callback([folder, status, repair] {
    if (*repair) return RepairFolder(*folder);
    const Survey s = SurveyFolder(*folder, true);
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
    *status = s.problems.empty() ? 0 : 1;
  });

  CLI::App* list = db.add_subcommand("list", "The media files a database folder keeps paths for");
  list->add_option("folder", *folder, "Database folder")->required();
  list->callback([folder] {
    const Survey s = SurveyFolder(*folder, true);
    if (!s.index.present) throw Failure(*folder + ": no index Molvaren.ini, not a database folder");
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
