#include "tools/mlvr/repair_command.h"

#include <cstdint>
#include <filesystem>
#include <vector>

#include "molvaren/molvaren_x.h"
#include "tools/mlvr/tool_support.h"

namespace mlvr {
namespace {

void AddOrphan(const char* file, const char* key, const char* reason, void* user) {
  static_cast<std::vector<Orphan>*>(user)->push_back(
      {file, key != nullptr ? key : "", reason != nullptr ? reason : ""});
}

void AddEntry(const MlvrX_IndexEntry* e, void* user) {
  static_cast<std::vector<IndexEntry>*>(user)->push_back(
      {e->nSection, e->pszAssociateKey, e->pszDataBaseName, e->nVerdict});
}

}  // namespace

FolderIndex ReadFolderIndex(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(folder, ec))
    throw Failure(folder + ": is a file, not a database folder");
  FolderIndex index;
  int32_t n = 0;
  if (MlvrX_Folder_ListIndex(folder.c_str(), AddEntry, &index.entries, &n) == 0)
    throw Failure(MlvrX_LastError());
  index.present = n >= 0;
  index.numOfFiles = index.present ? n : 0;
  return index;
}

std::string FolderPrefix(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

std::string LibraryKey(const std::string& media) {
  std::vector<char> key(media.size() * 4 + 8);
  if (MlvrX_AssociateKey(media.c_str(), key.data(), static_cast<int32_t>(key.size())) == 0)
    throw Failure(media + ": " + MlvrX_LastError());
  return key.data();
}

std::string MediaKey(const std::string& media) {
  return LibraryKey(std::filesystem::path(media).lexically_normal().generic_string());
}

std::vector<Orphan> ListOrphans(const std::string& folder) {
  std::vector<Orphan> orphans;
  if (MlvrX_Folder_ListOrphans(folder.c_str(), AddOrphan, &orphans, nullptr) == 0) return {};
  return orphans;
}

std::string OrphanReport(const std::string& folder) {
  std::string out;
  for (const Orphan& o : ListOrphans(folder)) {
    out += o.key.empty() ? "  cannot adopt: " + o.file + ": " + o.reason + "\n"
                         : "  would adopt: " + o.file + " for " + o.key + "\n";
  }
  return out;
}

void RepairFolder(const std::string& folder) {
  int32_t adopted = 0;
  if (MlvrX_Folder_AdoptOrphans(folder.c_str(), &adopted) == 0)
    throw Failure(folder + ": " + MlvrX_LastError());
  WriteOutput("", "adopted " + std::to_string(adopted) + " path file" +
                      (adopted == 1 ? "" : "s") + " into the index\n");
}

}  // namespace mlvr
