// The parts of the POSIX environment that live in files of their own.
#ifndef MOLVAREN_PLATFORM_POSIX_ENV_POSIX_H_
#define MOLVAREN_PLATFORM_POSIX_ENV_POSIX_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mlvns {
namespace platform {
namespace posix {

std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy);
bool ListFiles(const std::string& folder, std::vector<std::string>* names);
bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen);

}  // namespace posix
}  // namespace platform
}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_POSIX_ENV_POSIX_H_
