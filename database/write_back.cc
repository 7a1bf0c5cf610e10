// Writing a folder back: every loaded list to its path file, then the index
// renumbered in ascending key order, each file replaced in one step so that
// a failed write leaves the old one. Destruction writes back every folder.
#include <vector>

#include "archive/path_file.h"
#include "database/database.h"
#include "database/database_keys.h"
#include "model/path_info_array.h"
#include "platform/env.h"

namespace mlvns {

void CMlvrDataBase::MergeIndex(const std::string& key, const IndexNames& disk) {
  EntryMap& entries = m_mapFolders[key];
  IndexNames& known = m_mapOnDisk[key];
  // What this process left as it read it: in the index as read, same name,
  // list not written back.
  auto untouched = [&](const std::string& associate, const _DATABASE_FILE_INFO_& entry) {
    auto was = known.find(associate);
    return was != known.end() && was->second == entry.strDataBaseName && !MayHaveChanged(entry);
  };
  for (auto slot = entries.begin(); slot != entries.end();) {
    auto there = disk.find(slot->first);
    if (there == disk.end() && untouched(slot->first, *slot->second)) {
      slot = entries.erase(slot);  // removed by another process
      continue;
    }
    if (there != disk.end() && untouched(slot->first, *slot->second))
      slot->second->strDataBaseName = there->second;
    ++slot;
  }
  for (const auto& named : disk) {
    auto was = known.find(named.first);
    // Not new: this process's own to keep or to drop.
    if (was != known.end() && was->second == named.second) continue;
    std::unique_ptr<_DATABASE_FILE_INFO_>& slot = entries[named.first];
    if (!slot) {
      slot = std::make_unique<_DATABASE_FILE_INFO_>();
      slot->strDataBaseName = named.second;
    }
  }
  known = disk;
}

bool CMlvrDataBase::ClaimedElsewhere(const std::string& name, const IndexNames& disk,
                                     const IndexNames& known) {
  for (const auto& named : disk) {
    if (named.second != name) continue;
    auto was = known.find(named.first);
    if (was == known.end() || was->second != name) return true;
  }
  return false;
}

int32_t CMlvrDataBase::SaveFolder(const std::string& key, bool bRemove, bool* written,
                                  const std::string& dropName) {
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return 1;
  const std::string onDisk = FolderPathOf(key);
  Changed();
  MakeFolder(m_env, onDisk);

  // Write-backs of one folder by several processes take turns; each starts
  // from the index as the last one left it.
  std::unique_ptr<platform::FileLock> lock = m_env.LockFile(onDisk + kLockFileName, true, nullptr);
  const bool indexThere = m_env.PathExists((onDisk + kIndexFileName).c_str());
  const IndexNames disk = indexThere ? ReadIndex(onDisk) : IndexNames();
  const IndexNames known = m_mapOnDisk[key];
  // A missing index tells nothing of other processes; the write makes it anew.
  if (indexThere) MergeIndex(key, disk);

  std::unique_ptr<platform::ProfileFile> index = platform::OpenProfile(m_env, onDisk + kIndexFileName);
  int i = 0;
  bool ok = true;
  std::vector<uint8_t> bytes;
  IndexNames names;
  for (auto& slot : folder->second) {
    _DATABASE_FILE_INFO_& entry = *slot.second;
    const std::string section = "File_" + std::to_string(i);
    index->SetString(section, "AssiciateFile", slot.first);
    index->SetString(section, "DataBaseName", entry.strDataBaseName);
    names[slot.first] = entry.strDataBaseName;
    if (entry.pdsPathInfoArray != nullptr) {
      // What could not be read whole stays on disk as it was, and so does
      // a file that another process rewrote or deleted since this one read
      // it, unless this process changed or handed out the list.
      const std::string file = PathFileOf(key, entry);
      uint64_t now = 0;
      const bool rewrittenElsewhere = !MayHaveChanged(entry) &&
                                      (!PathFile_Fingerprint(m_env, file.c_str(), &now) ||
                                       now != entry.qwReadFingerprint);
      if (!entry.bPartialFromDisk && !rewrittenElsewhere) {
        ok = PathFile_Encode(&entry.pdsPathInfoArray, &bytes) &&
             platform::WriteFileAtomically(m_env, file, bytes.data(), bytes.size()) &&
             ok;
      }
      m_identities.Release(entry.pdsPathInfoArray);
      PathInfoArray_Release(entry.pdsPathInfoArray);
      entry.pdsPathInfoArray = nullptr;
      entry.bPartialFromDisk = false;
      entry.bUpdated = false;
    }
    ++i;
  }
  index->SetString("Setting", "NumOfFiles", std::to_string(i));
  // A failed write is not reported to the host; the old index stays.
  const bool indexWritten = index->Commit();
  if (indexWritten) m_mapOnDisk[key] = std::move(names);
  ok = indexWritten && ok;
  // A path file given up goes only once the index no longer names it, and
  // never while another process's index does.
  if (ok && !dropName.empty() && !ClaimedElsewhere(dropName, disk, known))
    m_env.DeleteFile((onDisk + dropName + kPathFileExtension).c_str());
  if (bRemove) {
    m_mapFolders.erase(key);
    m_mapFolderPaths.erase(key);
    m_mapOnDisk.erase(key);
  }
  if (written != nullptr) *written = ok;
  return 1;
}

bool CMlvrDataBase::AdoptPathFile(const char* pszDataBaseFolder, const std::string& associateKey,
                                  const std::string& dataBaseName) {
  const std::string key = FolderKey(pszDataBaseFolder);
  if (fnLoadDataBase(pszDataBaseFolder) == 0) return false;
  EntryMap& entries = m_mapFolders[key];
  FolderOnDisk(key, pszDataBaseFolder);
  if (entries.count(associateKey) != 0) return false;
  Changed();
  auto entry = std::make_unique<_DATABASE_FILE_INFO_>();
  entry->strDataBaseName = dataBaseName;
  entries[associateKey] = std::move(entry);
  return true;
}

void CMlvrDataBase::Discard() {
  for (auto& folder : m_mapFolders)
    for (auto& slot : folder.second) m_identities.Release(slot.second->pdsPathInfoArray);
  Changed();
  m_mapFolders.clear();
  m_mapFolderPaths.clear();
  m_mapOnDisk.clear();
}

bool CMlvrDataBase::WriteBack(const char* pszDataBaseFolder) {
  bool written = true;
  SaveFolder(FolderKey(pszDataBaseFolder), true, &written);
  return written;
}

int32_t CMlvrDataBase::fnSaveDataBase(const char* pszDataBaseFolder, int32_t bRemove) {
  if (pszDataBaseFolder == nullptr) return 1;
  return SaveFolder(FolderKey(pszDataBaseFolder), bRemove != 0);
}

CMlvrDataBase::~CMlvrDataBase() {
  try {
    for (auto& folder : m_mapFolders) SaveFolder(folder.first, false);
  } catch (...) {
    // Out of memory while writing: the remaining folders stay as on disk.
  }
}

}  // namespace mlvns
