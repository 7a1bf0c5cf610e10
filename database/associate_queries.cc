// Fetching, replacing and deleting the list of one associate file.
#include <utility>

#include "archive/list_copy.h"
#include "archive/path_file.h"
#include "database/database.h"
#include "database/database_keys.h"
#include "model/path_info_array.h"
#include "platform/env.h"
#include "platform/trace.h"

namespace mlvns {

void CMlvrDataBase::LoadList(const std::string& key, _DATABASE_FILE_INFO_* entry) {
  if (entry->pdsPathInfoArray != nullptr) return;
  Changed();
  const std::string file = PathFileOf(key, *entry);
  entry->qwReadFingerprint = 0;
  int32_t whole = PathFile_Open(m_env, file.c_str(), &entry->pdsPathInfoArray, &entry->qwReadFingerprint);
  entry->bPartialFromDisk = whole == 0 && entry->pdsPathInfoArray != nullptr;
}

int32_t CMlvrDataBase::fnGetInfoArray(const char* pszDataBaseFolder, const char* pszAssociateFile,
                                      _PATH_INFO_ARRAY_** ppArray) {
  if (pszDataBaseFolder == nullptr || pszAssociateFile == nullptr) return 0;
  const std::string key = FolderKey(pszDataBaseFolder);
  const int32_t r = fnLoadDataBase(pszDataBaseFolder);
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return r;
  auto slot = folder->second.find(AssociateKey(pszAssociateFile));
  if (slot == folder->second.end()) return r;
  LoadList(key, slot->second.get());
  if (ppArray != nullptr) {
    *ppArray = slot->second->pdsPathInfoArray;
    m_identities.Hold(*ppArray);
  }
  return 1;
}

int32_t CMlvrDataBase::fnUpdateInfoArray(const char* pszDataBaseFolder,
                                         const char* pszAssociateFile,
                                         const _PATH_INFO_ARRAY_* pArray) {
  if (pszDataBaseFolder == nullptr || pszAssociateFile == nullptr) return 0;
  Trace("fnUpdateInfoArray %s %s", pszDataBaseFolder, pszAssociateFile);
  if (pszDataBaseFolder[0] == '\0') return 0;
  const std::string key = FolderKey(pszDataBaseFolder);
  const int32_t r = fnLoadDataBase(pszDataBaseFolder);

  // The copy comes first: the caller may hand back the very list that the
  // entry holds, and a list that cannot be copied must not cost the old one.
  // A null list copies to an empty one, which then replaces the entry's.
  _PATH_INFO_ARRAY_* copy = nullptr;
  if (PathInfoArray_Clone(&copy, pArray, nullptr) == 0 && pArray != nullptr) {
    PathInfoArray_Release(copy);
    return 0;
  }
  if (copy == nullptr) return 0;

  Changed();
  const bool known = m_mapFolders.count(key) != 0;
  EntryMap& entries = m_mapFolders[key];
  if (!known) FolderOnDisk(key, pszDataBaseFolder);
  std::unique_ptr<_DATABASE_FILE_INFO_>& slot = entries[AssociateKey(pszAssociateFile)];
  if (!slot) {
    std::string name = m_env.NewGuidText();
    if (name.empty()) {
      PathInfoArray_Release(copy);
      entries.erase(AssociateKey(pszAssociateFile));
      if (entries.empty()) {
        m_mapFolders.erase(key);
        m_mapFolderPaths.erase(key);
      }
      return 0;
    }
    slot = std::make_unique<_DATABASE_FILE_INFO_>();
    slot->strDataBaseName = std::move(name);
  }
  _PATH_INFO_ARRAY_* list = slot->pdsPathInfoArray;
  if (list == nullptr) {
    slot->pdsPathInfoArray = copy;
  } else {
    // The contents move into the header that callers may still hold.
    std::swap(*list, *copy);
    PathInfoArray_Release(copy);
  }
  slot->bPartialFromDisk = false;
  slot->bUpdated = true;
  Trace("  nNumOfPathInfos: %d", slot->pdsPathInfoArray->nNumOfPathInfos);
  return r;
}

int32_t CMlvrDataBase::fnDeleteInfoArray(const char* pszDataBaseFolder,
                                         const char* pszAssociateFile) {
  if (pszDataBaseFolder == nullptr || pszAssociateFile == nullptr) return 0;
  const std::string key = FolderKey(pszDataBaseFolder);
  if (fnLoadDataBase(pszDataBaseFolder) == 0) return 0;
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return 0;
  auto slot = folder->second.find(AssociateKey(pszAssociateFile));
  if (slot == folder->second.end()) return 0;
  Changed();
  m_identities.Release(slot->second->pdsPathInfoArray);
  PathInfoArray_Release(slot->second->pdsPathInfoArray);
  slot->second->pdsPathInfoArray = nullptr;
  {
    // Under the folder lock: the file stays when another process's index
    // names it.
    const std::string folderOnDisk = FolderPathOf(key);
    std::unique_ptr<platform::FileLock> lock =
        m_env.LockFile(folderOnDisk + kLockFileName, true, nullptr);
    const std::string name = slot->second->strDataBaseName;
    if (!ClaimedElsewhere(name, ReadIndex(folderOnDisk), m_mapOnDisk[key]))
      m_env.DeleteFile(PathFileOf(key, *slot->second).c_str());
  }
  folder->second.erase(slot);
  return 1;
}

}  // namespace mlvns
