#include "database/database_keys.h"

#include <cstring>

#include "platform/platform.h"

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

void CopyCut(const std::string& text, char* out, size_t room) {
  if (out == nullptr || room == 0) return;
  size_t n = text.size() < room - 1 ? text.size() : room - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace mlvns
