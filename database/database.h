// The path database: for every folder in use, the index entries and the path
// lists loaded so far.
#ifndef MOLVAREN_DATABASE_DATABASE_H_
#define MOLVAREN_DATABASE_DATABASE_H_

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
  virtual ~CMlvrDataBase();

  FolderMap m_mapFolders;
};

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_DATABASE_H_
