// Finding the path files of a folder that no index entry names, and putting
// them back. The index is read and written by the database's own code, and
// keys are folded by its own lower-casing, so nothing here can read a folder
// differently from the library.
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/path_file.h"
#include "companion/last_error.h"
#include "database/database.h"
#include "database/database_keys.h"
#include "model/path_info_array.h"
#include "platform/env.h"
#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {

[[noreturn]] void Fail(const std::string& sentence) { throw std::runtime_error(sentence); }

struct Orphan {
  std::string name;  // base name, without the extension
  std::string key;   // empty when it cannot be adopted
  std::string reason;
};

struct Survey {
  std::string folder;  // with a separator
  std::vector<Orphan> orphans;
};

bool EndsWithPathExtension(const std::string& file) {
  const size_t n = sizeof kPathFileExtension - 1;
  return file.size() > n &&
         platform::CompareNoCase(file.substr(file.size() - n), kPathFileExtension) == 0;
}

// The media file that every path of the file names, lower-cased; empty with
// *reason when they name none or several.
std::string MediaKeyOf(const _PATH_INFO_ARRAY_& list, std::string* reason) {
  std::string key;
  for (int32_t i = 0; i < list.nNumOfPathInfos; ++i) {
    const _PATH_INFO_* p = list.ppPathInfos[i];
    if (p == nullptr) continue;
    const std::string file(p->szAssociateFile,
                           strnlen(p->szAssociateFile, sizeof p->szAssociateFile));
    const std::string k = AssociateKey(file);
    if (k.empty()) {
      *reason = "a path names no media file";
      return std::string();
    }
    if (!key.empty() && k != key) {
      *reason = "its paths name different media files (" + key + ", " + k + ")";
      return std::string();
    }
    key = k;
  }
  if (key.empty()) *reason = "it holds no path";
  return key;
}

// The folder's name with a separator; fails unless it is a database folder.
// Reads no index, so it never waits for another process's write-back.
std::string DatabaseFolder(const char* pszFolder, std::vector<std::string>* files) {
  if (pszFolder == nullptr || pszFolder[0] == '\0') Fail("no folder given");
  std::string folder = FolderWithSeparator(pszFolder);
  if (!ModuleEnv().PathExists(folder.c_str()) || !ModuleEnv().ListFiles(folder, files))
    Fail("cannot read the folder " + folder);
  bool index = false, pathFiles = false;
  for (const std::string& f : *files) {
    index = index || platform::CompareNoCase(f, kIndexFileName) == 0;
    pathFiles = pathFiles || EndsWithPathExtension(f);
  }
  if (!index && !pathFiles) {
    Fail(folder + " is not a database folder: it holds neither " + kIndexFileName +
         " nor any " + kPathFileExtension + " path file");
  }
  return folder;
}

Survey SurveyFolder(const char* pszFolder) {
  Survey s;
  std::vector<std::string> files;
  s.folder = DatabaseFolder(pszFolder, &files);

  CMlvrDataBase db;
  db.fnLoadDataBase(s.folder.c_str());
  std::set<std::string> named;
  std::set<std::string> keys;
  for (const auto& folder : db.Folders()) {
    for (const auto& entry : folder.second) {
      named.insert(entry.second->strDataBaseName);
      keys.insert(entry.first);
    }
  }
  db.Discard();  // read only: no write-back

  std::map<std::string, int> perKey;
  for (const std::string& f : files) {
    if (!EndsWithPathExtension(f)) continue;
    Orphan o;
    o.name = f.substr(0, f.size() - (sizeof kPathFileExtension - 1));
    if (named.count(o.name) != 0) continue;
    _PATH_INFO_ARRAY_* list = nullptr;
    const bool whole = PathInfo_OpenSave((s.folder + f).c_str(), 0, &list) != 0 && list != nullptr;
    if (whole) o.key = MediaKeyOf(*list, &o.reason);
    PathInfoArray_Release(list);
    if (!whole) continue;  // what does not decode is no orphan
    if (!o.key.empty() && !IsSafeDataBaseName(o.name)) {
      o.reason = "its name cannot stand in the index";
      o.key.clear();
    } else if (!o.key.empty() && keys.count(o.key) != 0) {
      o.reason = "its media file " + o.key + " has an entry already";
      o.key.clear();
    }
    if (!o.key.empty()) ++perKey[o.key];
    s.orphans.push_back(o);
  }
  for (Orphan& o : s.orphans) {
    if (!o.key.empty() && perKey[o.key] > 1) {
      o.reason = "another orphan names its media file " + o.key + " too";
      o.key.clear();
    }
  }
  return s;
}

// Fails, naming the first, when any orphan cannot be adopted.
void RefuseUnadoptable(const Survey& s) {
  int32_t refused = 0;
  std::string first;
  for (const Orphan& o : s.orphans) {
    if (!o.key.empty()) continue;
    if (refused++ == 0) first = s.folder + o.name + kPathFileExtension + ": " + o.reason;
  }
  if (refused > 0) {
    Fail(std::to_string(refused) + " path file(s) cannot be adopted, so nothing was " +
         "changed; the first is " + first);
  }
}

}  // namespace
}  // namespace mlvns

using mlvns::CompanionCall;

extern "C" {

MLVRX_API int32_t MlvrX_Folder_ListOrphans(const char* pszFolder, MlvrX_OrphanVisitor visit,
                                           void* user, int32_t* pnOrphans) {
  return CompanionCall([&] {
    const mlvns::Survey s = mlvns::SurveyFolder(pszFolder);
    for (const mlvns::Orphan& o : s.orphans) {
      const std::string file = s.folder + o.name + mlvns::kPathFileExtension;
      if (visit != nullptr) {
        visit(file.c_str(), o.key.empty() ? nullptr : o.key.c_str(),
              o.key.empty() ? o.reason.c_str() : nullptr, user);
      }
    }
    if (pnOrphans != nullptr) *pnOrphans = static_cast<int32_t>(s.orphans.size());
    return 1;
  });
}

MLVRX_API int32_t MlvrX_Folder_AdoptOrphans(const char* pszFolder, int32_t* pnAdopted) {
  return CompanionCall([&] {
    if (pnAdopted != nullptr) *pnAdopted = 0;
    const std::string folder =
        mlvns::FolderWithSeparator(pszFolder != nullptr ? pszFolder : std::string());
    std::vector<std::string> files;
    mlvns::DatabaseFolder(pszFolder, &files);
    // A refusal leaves not even a lock file behind: where there is none yet,
    // what cannot be adopted is found before one is made.
    const std::string lockName = folder + mlvns::kLockFileName;
    if (!mlvns::ModuleEnv().PathExists(lockName.c_str()))
      mlvns::RefuseUnadoptable(mlvns::SurveyFolder(pszFolder));
    bool busy = false;
    std::unique_ptr<mlvns::platform::FileLock> lock =
        mlvns::ModuleEnv().LockFile(lockName, false, &busy);
    if (!lock && busy)
      mlvns::Fail("the folder " + folder + " is in use by another process; nothing was changed");
    if (!lock) mlvns::Fail("the folder " + folder + " is not writable; nothing was changed");
    // Surveyed again under the lock: no write-back can come in between.
    const mlvns::Survey s = mlvns::SurveyFolder(pszFolder);
    mlvns::RefuseUnadoptable(s);
    if (s.orphans.empty()) return 1;
    mlvns::CMlvrDataBase db;
    for (const mlvns::Orphan& o : s.orphans) {
      if (db.AdoptPathFile(s.folder.c_str(), o.key, o.name)) continue;
      db.Discard();  // no write-back of a part
      mlvns::Fail("cannot enter " + o.name + " in the index; nothing was changed");
    }
    if (!db.WriteBack(s.folder.c_str()))
      mlvns::Fail("the index of " + s.folder + " could not be written; nothing was changed");
    if (pnAdopted != nullptr) *pnAdopted = static_cast<int32_t>(s.orphans.size());
    return 1;
  });
}

}  // extern "C"
