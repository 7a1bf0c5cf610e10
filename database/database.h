// The path database: for every folder in use, the index entries and the path
// lists loaded so far.
#ifndef MOLVAREN_DATABASE_DATABASE_H_
#define MOLVAREN_DATABASE_DATABASE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "molvaren/molvaren.h"

namespace mlvns {

// One associate file of a folder.
struct _DATABASE_FILE_INFO_ {
  _DATABASE_FILE_INFO_() = default;
  _DATABASE_FILE_INFO_(const _DATABASE_FILE_INFO_&) = delete;
  _DATABASE_FILE_INFO_& operator=(const _DATABASE_FILE_INFO_&) = delete;
  ~_DATABASE_FILE_INFO_();

  std::string strDataBaseName;                   // base name of the path file
  _PATH_INFO_ARRAY_* pdsPathInfoArray = nullptr;  // owned; null until loaded or set
  // Set when the list holds only part of a path file that could not be read
  // whole: such a list is not written over the file unless an update
  // replaced it.
  bool bPartialFromDisk = false;
};

class CMlvrDataBase {
 public:
  // Associate key -> entry, ordered byte-wise.
  using EntryMap = std::map<std::string, std::unique_ptr<_DATABASE_FILE_INFO_>>;
  // Folder key -> entry map, ordered byte-wise.
  using FolderMap = std::map<std::string, EntryMap>;

  CMlvrDataBase() = default;
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

  FolderMap m_mapFolders;

 private:
  // Folder key -> the folder's name on disk, as first named (POSIX file
  // systems heed case, so the lower-cased key names no folder).
  std::map<std::string, std::string> m_mapFolderPaths;

  const std::string& FolderOnDisk(const std::string& key, const std::string& asGiven);
  std::string PathFileOf(const std::string& key, const _DATABASE_FILE_INFO_& entry) const;
  void LoadList(const std::string& key, _DATABASE_FILE_INFO_* entry);
  // `written`, when given, tells whether every file reached the disk.
  int32_t SaveFolder(const std::string& key, bool bRemove, bool* written = nullptr);
};

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_DATABASE_H_
