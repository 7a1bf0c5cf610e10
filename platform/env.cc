// The helpers made of the environment's calls, the same on every platform.
#include "platform/env.h"

namespace mlvns {
namespace platform {

bool WriteFileAtomically(Env& env, const std::string& path, const void* data, size_t n) {
  std::string temp;
  std::unique_ptr<File> file = env.NewTemporaryFile(path, &temp);
  if (!file) return false;
  bool ok = file->Write(data, n) && file->Sync();
  ok = file->Close() && ok;
  ok = ok && env.RenameFile(temp.c_str(), path.c_str());
  if (!ok) {
    env.DeleteFile(temp.c_str());
    return false;
  }
  // Too late to fail the write: the new file is in place already.
  env.SyncFolderOf(path);
  return true;
}

}  // namespace platform
}  // namespace mlvns
