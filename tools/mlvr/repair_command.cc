#include "tools/mlvr/repair_command.h"

#include <cstdint>

#include "molvaren/molvaren_x.h"
#include "tools/mlvr/tool_support.h"

namespace mlvr {
namespace {

void AddLine(const char* file, const char* key, const char* reason, void* user) {
  auto* out = static_cast<std::string*>(user);
  *out += key != nullptr ? std::string("  would adopt: ") + file + " for " + key + "\n"
                         : std::string("  cannot adopt: ") + file + ": " + reason + "\n";
}

}  // namespace

std::string OrphanReport(const std::string& folder) {
  std::string out;
  if (MlvrX_Folder_ListOrphans(folder.c_str(), AddLine, &out, nullptr) == 0) return std::string();
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
