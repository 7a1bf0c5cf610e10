#include "database/database_keys.h"

#include <cstring>

#include "platform/env.h"

namespace mlvns {

std::string FolderWithSeparator(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

std::string FolderKey(const std::string& folder) {
  return platform::LowerAnsi(FolderWithSeparator(folder));
}

std::string AssociateKey(const std::string& file) { return platform::LowerAnsi(file); }

bool IsSafeDataBaseName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.size() + sizeof kPathFileExtension - 1 > 255) return false;
  if (name.find("..") != std::string::npos) return false;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) return false;
  }
  return true;
}

// Creates the folder, level by level when one step is not enough; single
// failures do not matter, only whether the folder stands at the end.
void MakeFolder(platform::Env& env, const std::string& folder) {
  if (env.PathExists(folder.c_str())) return;
  env.CreateFolder(folder.c_str());
  if (env.PathExists(folder.c_str())) return;
  std::string prefix = folder.front() == '/' ? "/" : "";
  size_t start = 0;
  while (start < folder.size()) {
    size_t end = folder.find('/', start);
    if (end == std::string::npos) end = folder.size();
    if (end > start) {
      prefix += folder.substr(start, end - start) + "/";
      env.CreateFolder(prefix.c_str());
    }
    start = end + 1;
  }
}

}  // namespace mlvns
