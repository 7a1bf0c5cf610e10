// The path database: for every folder in use, the index entries and the path
// lists loaded so far.
#ifndef MOLVAREN_DATABASE_DATABASE_H_
#define MOLVAREN_DATABASE_DATABASE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "database/identity_cache.h"
#include "model/path_info_array.h"
#include "platform/env.h"

#include "molvaren/molvaren.h"

namespace mlvns {

// One associate file of a folder.
struct _DATABASE_FILE_INFO_ {
  _DATABASE_FILE_INFO_() = default;
  _DATABASE_FILE_INFO_(const _DATABASE_FILE_INFO_&) = delete;
  _DATABASE_FILE_INFO_& operator=(const _DATABASE_FILE_INFO_&) = delete;
  ~_DATABASE_FILE_INFO_() { PathInfoArray_Release(pdsPathInfoArray); }

  std::string strDataBaseName;                   // base name of the path file
  _PATH_INFO_ARRAY_* pdsPathInfoArray = nullptr;  // owned; null until loaded or set
  // Set when the list holds only part of a path file that could not be read
  // whole: such a list is not written over the file unless an update
  // replaced it.
  bool bPartialFromDisk = false;
  // Set when an update replaced the list since the last write-back.
  bool bUpdated = false;
  // The path file's bytes as the list was read from them, so that a
  // write-back can tell whether another process has rewritten the file.
  uint64_t qwReadFingerprint = 0;
};

class CMlvrDataBase {
 public:
  // Associate key -> entry, ordered byte-wise.
  using EntryMap = std::map<std::string, std::unique_ptr<_DATABASE_FILE_INFO_>>;
  // Folder key -> entry map, ordered byte-wise.
  using FolderMap = std::map<std::string, EntryMap>;

  // Reaches files and folders through `env`, which must outlive it; by
  // default the module's environment.
  CMlvrDataBase() : CMlvrDataBase(ModuleEnv()) {}
  explicit CMlvrDataBase(platform::Env& env) : m_env(env) {}
  CMlvrDataBase(const CMlvrDataBase&) = delete;
  CMlvrDataBase& operator=(const CMlvrDataBase&) = delete;
  // Writes every folder in memory back to disk.
  virtual ~CMlvrDataBase();

  int32_t fnLoadDataBase(const char* pszDataBaseFolder);
  int32_t fnSaveDataBase(const char* pszDataBaseFolder, int32_t bRemove);

  int32_t fnGetInfoArray(const char* pszDataBaseFolder, const char* pszAssociateFile,
                         _PATH_INFO_ARRAY_** ppArray);
  int32_t fnUpdateInfoArray(const char* pszDataBaseFolder, const char* pszAssociateFile,
                            const _PATH_INFO_ARRAY_* pArray);
  int32_t fnDeleteInfoArray(const char* pszDataBaseFolder, const char* pszAssociateFile);

  int32_t fnGetPathInfoByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                              _PATH_INFO_** ppPathInfo, char* pszAssociateFile);
  int32_t fnGetPathNodeByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                              int32_t nFrameIndex, MLVR_SIZE szTarget, float fTargetRotation,
                              _PATH_NODE_* pNode, char* pszAssociateFile, int32_t nMode);

  int32_t fnImportPathInfo(const char* pszDataBaseFolder, const char* pszAssociateFile,
                           const _PATH_INFO_* pPathInfo, CString* pstrGUID);
  int32_t fnRelinkAssociateFile(const char* pszDataBaseFolder, const char* pszOrgFile,
                                const char* pszNewFile);

  // For the folder repair: enters an index entry for a path file already in
  // the folder (false when the associate key has one), and writes the folder
  // back, telling whether every file reached the disk.
  bool AdoptPathFile(const char* pszDataBaseFolder, const std::string& associateKey,
                     const std::string& dataBaseName);
  bool WriteBack(const char* pszDataBaseFolder);

  // What is in memory, to look at.
  const FolderMap& Folders() const { return m_mapFolders; }
  // Drops every folder in memory without writing it back, for a reader
  // that must leave the disk as it was.
  void Discard();

 private:
  platform::Env& m_env;
  FolderMap m_mapFolders;
  // Folder key -> the folder's name on disk, as first named (POSIX file
  // systems heed case, so the lower-cased key names no folder).
  std::map<std::string, std::string> m_mapFolderPaths;
  // Associate key -> path-file name, as an index file names them.
  using IndexNames = std::map<std::string, std::string>;
  // Folder key -> the index as this process last read or wrote it: what
  // differs on disk at a write-back was written by another process since.
  std::map<std::string, IndexNames> m_mapOnDisk;

  // Where identities were found, and the lists the host holds.
  IdentityCache m_identities{m_env};
  // The last folder text named and its key, to spare folding it per call.
  std::string m_strLastFolder;
  std::string m_strLastFolderKey;

  // Valid until the next call with another folder text.
  const std::string& KeyOf(const char* pszDataBaseFolder);
  // Wherever what an identity lookup finds can change.
  void Changed() { m_identities.Invalidate(); }
  // Whether the list may differ from its file: one the host was handed or
  // an update gave. Any other list is written back only while its file is
  // still the one it was read from.
  bool MayHaveChanged(const _DATABASE_FILE_INFO_& entry) const {
    return entry.pdsPathInfoArray != nullptr &&
           (entry.bUpdated || m_identities.IsHeld(entry.pdsPathInfoArray));
  }
  // The identity lookup without handing anything out.
  bool FindIdentity(const char* pszDataBaseFolder, const char* pszGUID, _PATH_INFO_** ppPathInfo,
                    const std::string** ppAssociateKey, const _PATH_INFO_ARRAY_** ppList,
                    bool* pAscending = nullptr);
  bool ScanIdentity(const std::string& key, const char* pszGUID, IdentityPlace* place);

  const std::string& FolderOnDisk(const std::string& key, const std::string& asGiven);
  std::string FolderPathOf(const std::string& key) const;
  std::string PathFileOf(const std::string& key, const _DATABASE_FILE_INFO_& entry) const;
  void LoadList(const std::string& key, _DATABASE_FILE_INFO_* entry);
  IndexNames ReadIndex(const std::string& folderOnDisk);
  // Takes in what other processes changed in the index since this one read
  // it: entries they added or renamed, unless this process changed them too,
  // go in; entries they removed, unless changed here, go out.
  void MergeIndex(const std::string& key, const IndexNames& disk);
  // Whether the index on disk names the path file `name` in a way that the
  // index as this process knew it did not: another process holds it then.
  static bool ClaimedElsewhere(const std::string& name, const IndexNames& disk,
                               const IndexNames& known);
  // `written`, when given, tells whether every file reached the disk. The
  // path file `dropName`, when given, is deleted once all is written.
  int32_t SaveFolder(const std::string& key, bool bRemove, bool* written = nullptr,
                     const std::string& dropName = std::string());
};

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_DATABASE_H_
