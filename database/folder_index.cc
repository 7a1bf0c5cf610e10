// Loading a folder: creating it when it is missing, then reading its index
// once into the folder's entry map. Lists are not read here.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "database/database.h"
#include "database/database_keys.h"
#include "database/folder_index.h"
#include "platform/env.h"

namespace mlvns {
namespace {

// The numbers i of the sections "File_i" that the file holds, ascending,
// below n. Reading only these gives what reading every i below n gives: a
// missing section has an empty name and is skipped.
std::vector<int> EntrySections(const std::vector<std::string>& names, int n) {
  std::vector<int> found;
  for (const std::string& name : names) {
    std::string low = platform::LowerAnsi(name);
    if (low.compare(0, 5, "file_") != 0 || low.size() == 5 || low.size() > 15) continue;
    const std::string digits = low.substr(5);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    if (digits.size() > 1 && digits[0] == '0') continue;  // "File_%d" never writes these
    long long i = std::strtoll(digits.c_str(), nullptr, 10);
    if (i < n) found.push_back(static_cast<int>(i));
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

}  // namespace

std::vector<IndexSection> ReadIndexSections(platform::Env& env, const std::string& folderOnDisk,
                                            int* numOfFiles) {
  const std::string lockName = folderOnDisk + kLockFileName;
  // The folder lock keeps another process's write-back from replacing the
  // index between the reads below (each may open the file anew). Reading
  // never creates the lock file: a folder no write-back has locked yet is
  // read as it is.
  std::unique_ptr<platform::FileLock> lock;
  if (env.PathExists(lockName.c_str())) lock = env.LockFile(lockName, true, nullptr);
  std::unique_ptr<platform::ProfileFile> index =
      platform::OpenProfile(env, folderOnDisk + kIndexFileName);
  const int n = index->GetInt("Setting", "NumOfFiles", 0);
  if (numOfFiles != nullptr) *numOfFiles = n;
  std::vector<IndexSection> sections;
  for (int i : EntrySections(index->SectionNames(), n)) {
    const std::string section = "File_" + std::to_string(i);
    IndexSection s;
    s.number = i;
    s.associateKey =
        AssociateKey(index->GetString(section, "AssiciateFile", "", kIndexValueUnits));
    s.dataBaseName = index->GetString(section, "DataBaseName", "", kIndexValueUnits);
    s.usable = IsSafeDataBaseName(s.dataBaseName);
    sections.push_back(std::move(s));
  }
  return sections;
}

CMlvrDataBase::IndexNames CMlvrDataBase::ReadIndex(const std::string& folderOnDisk) {
  IndexNames names;
  for (IndexSection& s : ReadIndexSections(m_env, folderOnDisk)) {
    // A name that could reach outside the folder counts as no name.
    if (s.usable) names[s.associateKey] = std::move(s.dataBaseName);  // a later section wins
  }
  return names;
}

const std::string& CMlvrDataBase::FolderOnDisk(const std::string& key,
                                               const std::string& asGiven) {
  return m_mapFolderPaths.emplace(key, FolderWithSeparator(asGiven)).first->second;
}

std::string CMlvrDataBase::FolderPathOf(const std::string& key) const {
  auto it = m_mapFolderPaths.find(key);
  return it != m_mapFolderPaths.end() ? it->second : key;
}

std::string CMlvrDataBase::PathFileOf(const std::string& key,
                                      const _DATABASE_FILE_INFO_& entry) const {
  return FolderPathOf(key) + entry.strDataBaseName + kPathFileExtension;
}

const std::string& CMlvrDataBase::KeyOf(const char* pszDataBaseFolder) {
  if (m_strLastFolder != pszDataBaseFolder) {
    m_strLastFolder = pszDataBaseFolder;
    m_strLastFolderKey = FolderKey(m_strLastFolder);
  }
  return m_strLastFolderKey;
}

int32_t CMlvrDataBase::fnLoadDataBase(const char* pszDataBaseFolder) {
  if (pszDataBaseFolder == nullptr || pszDataBaseFolder[0] == '\0') return 0;
  // A folder in memory is not looked for on disk again; its write-back
  // makes it anew should it have gone meanwhile.
  if (m_mapFolders.count(KeyOf(pszDataBaseFolder)) != 0) return 1;
  const std::string given = pszDataBaseFolder;
  MakeFolder(m_env, given);
  const std::string key = FolderKey(given);

  const std::string folder = FolderWithSeparator(given);
  if (!m_env.PathExists(folder.c_str())) return 0;

  IndexNames names = ReadIndex(folder);
  EntryMap* entries = nullptr;
  for (const auto& named : names) {
    auto entry = std::make_unique<_DATABASE_FILE_INFO_>();
    entry->strDataBaseName = named.second;
    if (entries == nullptr) {
      entries = &m_mapFolders[key];
      m_mapFolderPaths[key] = folder;
      Changed();
    }
    (*entries)[named.first] = std::move(entry);
  }
  m_mapOnDisk[key] = std::move(names);
  return 1;
}

}  // namespace mlvns
