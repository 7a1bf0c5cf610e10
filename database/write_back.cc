// Writing a folder back: every loaded list to its path file, then the index
// renumbered in ascending key order, each file replaced in one step so that
// a failed write leaves the old one. Destruction writes back every folder.
#include <vector>

#include "archive/path_file.h"
#include "database/database.h"
#include "database/database_keys.h"
#include "model/path_info_array.h"
#include "platform/platform.h"

namespace mlvns {

_DATABASE_FILE_INFO_::~_DATABASE_FILE_INFO_() { PathInfoArray_Release(pdsPathInfoArray); }

int32_t CMlvrDataBase::SaveFolder(const std::string& key, bool bRemove, bool* written) {
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return 1;
  const std::string onDisk = m_mapFolderPaths.count(key) != 0 ? m_mapFolderPaths[key] : key;
  Changed();
  MakeFolder(onDisk);

  std::unique_ptr<platform::ProfileFile> index = platform::OpenProfile(onDisk + kIndexFileName);
  int i = 0;
  bool ok = true;
  std::vector<uint8_t> bytes;
  for (auto& slot : folder->second) {
    _DATABASE_FILE_INFO_& entry = *slot.second;
    const std::string section = "File_" + std::to_string(i);
    index->SetString(section, "AssiciateFile", slot.first);
    index->SetString(section, "DataBaseName", entry.strDataBaseName);
    if (entry.pdsPathInfoArray != nullptr) {
      // What could not be read whole stays on disk as it was.
      if (!entry.bPartialFromDisk) {
        ok = PathFile_Encode(&entry.pdsPathInfoArray, &bytes) &&
             platform::WriteFileAtomically(PathFileOf(key, entry), bytes.data(), bytes.size()) &&
             ok;
      }
      Forget(entry.pdsPathInfoArray);
      PathInfoArray_Release(entry.pdsPathInfoArray);
      entry.pdsPathInfoArray = nullptr;
      entry.bPartialFromDisk = false;
    }
    ++i;
  }
  if (bRemove) {
    m_mapFolders.erase(folder);
    m_mapFolderPaths.erase(key);
    m_cacheIdentities.erase(key);
  }
  index->SetString("Setting", "NumOfFiles", std::to_string(i));
  // A failed write is not reported to the host; the old index stays.
  ok = index->Commit() && ok;
  if (written != nullptr) *written = ok;
  return 1;
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
