// A folder's index read by the database's own reader, with the library's
// verdict per section, so that tools never read an index differently.
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "companion/last_error.h"
#include "database/database_keys.h"
#include "database/folder_index.h"
#include "platform/env.h"
#include "molvaren/molvaren_x.h"

using mlvns::CompanionCall;

extern "C" {

MLVRX_API int32_t MlvrX_Folder_ListIndex(const char* pszFolder, MlvrX_IndexVisitor visit,
                                         void* user, int32_t* pnNumOfFiles) {
  return CompanionCall([&] {
    if (pszFolder == nullptr || pszFolder[0] == '\0') throw std::runtime_error("no folder given");
    const std::string folder = mlvns::FolderWithSeparator(pszFolder);
    // A file named with a separator after it does not exist as a path.
    if (!mlvns::ModuleEnv().PathExists(folder.c_str()))
      throw std::runtime_error(std::string(pszFolder) + ": no such folder");
    if (!mlvns::ModuleEnv().PathExists((folder + mlvns::kIndexFileName).c_str())) {
      if (pnNumOfFiles != nullptr) *pnNumOfFiles = -1;
      return 1;
    }
    int numOfFiles = 0;
    const std::vector<mlvns::IndexSection> sections =
        mlvns::ReadIndexSections(mlvns::ModuleEnv(), folder, &numOfFiles);
    // The last used section of each media file is the one the library keeps.
    std::map<std::string, int> kept;
    for (const mlvns::IndexSection& s : sections)
      if (s.usable) kept[s.associateKey] = s.number;
    for (const mlvns::IndexSection& s : sections) {
      if (visit == nullptr) break;
      MlvrX_IndexEntry e;
      e.nSection = s.number;
      e.pszAssociateKey = s.associateKey.c_str();
      e.pszDataBaseName = s.dataBaseName.c_str();
      e.nVerdict = !s.usable ? MLVRX_INDEX_SKIPPED
                   : kept[s.associateKey] == s.number ? MLVRX_INDEX_USED
                                                      : MLVRX_INDEX_REPLACED;
      visit(&e, user);
    }
    if (pnNumOfFiles != nullptr) *pnNumOfFiles = numOfFiles;
    return 1;
  });
}

MLVRX_API int32_t MlvrX_AssociateKey(const char* pszFile, char* pszKey, int32_t nKeyRoom) {
  return CompanionCall([&] {
    if (pszFile == nullptr || pszKey == nullptr) throw std::runtime_error("no name or no buffer");
    const std::string key = mlvns::AssociateKey(pszFile);
    if (nKeyRoom < 0 || key.size() >= static_cast<size_t>(nKeyRoom))
      throw std::runtime_error("the key of " + std::string(pszFile) + " needs " +
                               std::to_string(key.size() + 1) + " bytes");
    std::memcpy(pszKey, key.c_str(), key.size() + 1);
    return 1;
  });
}

}  // extern "C"
