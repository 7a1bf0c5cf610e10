// Reading a folder's index (Molvaren.ini) section by section, for the
// database and for anything that must see a folder as the database does.
#ifndef MOLVAREN_DATABASE_FOLDER_INDEX_H_
#define MOLVAREN_DATABASE_FOLDER_INDEX_H_

#include <string>
#include <vector>

#include "platform/env.h"

namespace mlvns {

struct IndexSection {
  int number = 0;            // n of "File_n"
  std::string associateKey;  // the media file, folded as entries are keyed
  std::string dataBaseName;  // the path file's base name, as written
  // False for a name that could reach outside the folder (or is empty):
  // the database skips such a section.
  bool usable = false;
};

// The sections File_0 .. File_{NumOfFiles-1} that the index holds, in
// ascending order; *numOfFiles (may be null) receives NumOfFiles. A missing
// index reads as an empty one.
std::vector<IndexSection> ReadIndexSections(platform::Env& env, const std::string& folderOnDisk,
                                            int* numOfFiles = nullptr);

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_FOLDER_INDEX_H_
