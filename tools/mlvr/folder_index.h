// Reading a database folder's index (Molvaren.ini) without the database
// object, so that looking at a folder never writes to it.
#ifndef MOLVAREN_TOOLS_MLVR_FOLDER_INDEX_H_
#define MOLVAREN_TOOLS_MLVR_FOLDER_INDEX_H_

#include <string>
#include <vector>

namespace mlvr {

struct IndexEntry {
  int section = 0;          // n of "File_n"
  std::string associate;    // the associate key as stored
  std::string databaseName; // base name of the path file
};

struct FolderIndex {
  bool present = false;  // the index file exists
  int numOfFiles = 0;
  std::vector<IndexEntry> entries;  // sections 0 .. numOfFiles-1, in order
};

// Failure when the folder does not exist or the index cannot be read.
FolderIndex ReadFolderIndex(const std::string& folder);

// The folder with exactly one separator after it.
std::string FolderPrefix(const std::string& folder);

// One spelling for the media file names that mean the same file:
// "./clip.mp4" and "Clip.MP4" both give "clip.mp4". The library keys its
// entries by the name as given, lower-cased, so other spellings make
// separate entries.
std::string MediaKey(const std::string& media);

// A database name that stays inside its folder.
bool SafeDataBaseName(const std::string& name);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_FOLDER_INDEX_H_
