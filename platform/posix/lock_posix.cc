// The folder lock on POSIX: flock on a lock file, counted per process so that
// a holder taking it again does not wait on itself (flock is per open file).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

#include "platform/posix/env_posix.h"

namespace mlvns {
namespace platform {
namespace {

struct Held {
  int fd;
  int count;
};

std::mutex& HeldMutex() {
  static std::mutex m;
  return m;
}

// (device, inode) of a lock file -> the descriptor that holds it.
std::map<std::pair<dev_t, ino_t>, Held>& HeldLocks() {
  // An object, not a leaked pointer: a library unloaded and loaded again
  // (dlclose, FreeLibrary) must not leave one behind each time. The module
  // writes back before static objects are destroyed.
  static std::map<std::pair<dev_t, ino_t>, Held> held;
  return held;
}

class PosixLock final : public FileLock {
 public:
  explicit PosixLock(std::pair<dev_t, ino_t> id) : id_(id) {}
  ~PosixLock() override {
    std::lock_guard<std::mutex> guard(HeldMutex());
    auto it = HeldLocks().find(id_);
    if (it == HeldLocks().end() || --it->second.count > 0) return;
    ::close(it->second.fd);  // releases the flock
    HeldLocks().erase(it);
  }

 private:
  std::pair<dev_t, ino_t> id_;
};

}  // namespace

namespace posix {

std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy) {
  if (busy != nullptr) *busy = false;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const std::pair<dev_t, ino_t> id(st.st_dev, st.st_ino);
  {
    std::lock_guard<std::mutex> guard(HeldMutex());
    auto it = HeldLocks().find(id);
    if (it != HeldLocks().end()) {
      ++it->second.count;
      ::close(fd);
      return std::unique_ptr<FileLock>(new PosixLock(id));
    }
  }
  int r;
  do {
    r = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    if (busy != nullptr) *busy = errno == EWOULDBLOCK;
    ::close(fd);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(HeldMutex());
  HeldLocks()[id] = Held{fd, 1};
  return std::unique_ptr<FileLock>(new PosixLock(id));
}

bool ListFiles(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (struct dirent* e = ::readdir(dir)) {
    struct stat st;
    if (::stat((prefix + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
      names->push_back(e->d_name);
  }
  ::closedir(dir);
  return true;
}

}  // namespace posix
}  // namespace platform
}  // namespace mlvns
