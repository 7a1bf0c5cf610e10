// A database folder as the library sees it, through the companion library:
// its index, its orphans, and check --repair putting them back.
#ifndef MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_
#define MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_

#include <cstdint>
#include <string>
#include <vector>

namespace mlvr {

struct IndexEntry {
  int section = 0;           // n of "File_n"
  std::string associate;     // the media file, as the library keys it
  std::string databaseName;  // base name of the path file
  int32_t verdict = 0;       // MLVRX_INDEX_*: used, skipped or replaced
};

struct FolderIndex {
  bool present = false;  // the index file exists
  int numOfFiles = 0;
  std::vector<IndexEntry> entries;  // the sections File_0 .. File_{n-1} held, in order
};

// The folder's index, read by the library's own reader; Failure when the
// folder does not exist or is a file.
FolderIndex ReadFolderIndex(const std::string& folder);

// The folder with exactly one separator after it.
std::string FolderPrefix(const std::string& folder);

// The key the library files a media file under.
std::string LibraryKey(const std::string& media);

// One spelling for the media file names that mean the same file:
// "./clip.mp4" and "Clip.MP4" both give "clip.mp4". The library keys its
// entries by the name as given, folded, so other spellings make separate
// entries.
std::string MediaKey(const std::string& media);

// A path file no index entry names: adoptable under `key`, or not for `reason`.
struct Orphan {
  std::string file;
  std::string key;
  std::string reason;
};

// The folder's orphans; none when the folder cannot be surveyed.
std::vector<Orphan> ListOrphans(const std::string& folder);

// One line per orphan of the folder: whether the repair would adopt it, and
// under which media file, or why not. Empty when there is none to report.
std::string OrphanReport(const std::string& folder);

// Adopts every orphan of the folder and says how many; Failure, with nothing
// changed, when the folder cannot be repaired.
void RepairFolder(const std::string& folder);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_REPAIR_COMMAND_H_
