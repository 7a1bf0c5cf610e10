// Helpers of the database tests: folders with hand-written indexes, paths
// with identities, and a look at what a folder holds on disk.
#ifndef MOLVAREN_TESTS_SUPPORT_DATABASE_FOLDERS_H_
#define MOLVAREN_TESTS_SUPPORT_DATABASE_FOLDERS_H_

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/path_file.h"
#include "database/database.h"
#include "database/database_keys.h"
#include "platform/env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace dbtest {

inline void WriteText(const std::string& path, const std::string& text) {
  testing_support::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline bool Exists(const std::string& path) {
  return platform::Env::Default()->PathExists(path.c_str());
}

inline std::string ReadText(const std::string& path) {
  auto b = testing_support::ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

// A path with an identity, a time stamp and nodes at the given frames.
inline _PATH_INFO_* Path(const char* guid, const char* stamp = "20240101.000000.000",
                         std::vector<int> frames = {0, 10}) {
  std::vector<_PATH_NODE_> nodes;
  for (int f : frames) nodes.push_back(testing_support::Node(f, 0.5f, 0.5f));
  _PATH_INFO_* p = testing_support::NewPath(nodes);
  std::strncpy(p->szGUID, guid, sizeof p->szGUID - 1);
  std::strncpy(p->szTimeStamp, stamp, sizeof p->szTimeStamp - 1);
  return p;
}

// Writes a path file holding the given paths (the list takes them).
inline void WritePathFile(const std::string& file, const std::vector<_PATH_INFO_*>& paths) {
  testing_support::ListHolder list(testing_support::NewList(paths));
  ASSERT_EQ(PathInfo_OpenSave(file.c_str(), 1, list.ref()), 1);
}

inline std::vector<std::string> Guids(const _PATH_INFO_ARRAY_* list) {
  std::vector<std::string> out;
  for (int i = 0; list != nullptr && i < list->nNumOfPathInfos; ++i)
    out.emplace_back(list->ppPathInfos[i]->szGUID);
  return out;
}

// The identities of a path file's paths, in order; empty when unreadable.
inline std::vector<std::string> GuidsInFile(const std::string& file) {
  testing_support::ListHolder list;
  if (PathInfo_OpenSave(file.c_str(), 0, list.ref()) == 0) return {};
  return Guids(list.get());
}

// An associate file's list as the next run reads it from disk: per path its
// identity, with `fields` as identity@stamp<origin>associate file.
inline std::vector<std::string> OnDisk(const std::string& folder, const std::string& key,
                                       bool fields = false) {
  CMlvrDataBase fresh;
  _PATH_INFO_ARRAY_* list = nullptr;
  fresh.fnGetInfoArray(folder.c_str(), key.c_str(), &list);
  std::vector<std::string> out;
  for (int i = 0; list != nullptr && i < list->nNumOfPathInfos; ++i) {
    const _PATH_INFO_& p = *list->ppPathInfos[i];
    out.push_back(fields ? std::string(p.szGUID) + "@" + p.szTimeStamp + "<" + p.szOriginGUID +
                               ">" + p.szAssociateFile
                         : std::string(p.szGUID));
  }
  fresh.Discard();  // read only: no write-back
  return out;
}

// The base name of an associate file's path file, as the index on disk says.
inline std::string PathFileName(const std::string& folder, const std::string& file) {
  CMlvrDataBase look;
  look.fnLoadDataBase(folder.c_str());
  const std::string name = look.Folders().begin()->second.at(AssociateKey(file))->strDataBaseName;
  look.Discard();
  return name;
}

}  // namespace dbtest
}  // namespace mlvns

#endif  // MOLVAREN_TESTS_SUPPORT_DATABASE_FOLDERS_H_
