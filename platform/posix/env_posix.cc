// The environment on POSIX: the system calls behind every Env method.
#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <random>
#include <string>

#include "platform/env.h"
#include "platform/posix/env_posix.h"

namespace mlvns {
namespace platform {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { Close(); }

  bool Read(void* buffer, size_t n, size_t* got) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (fd_ >= 0 && done < n) {
      ssize_t r = ::read(fd_, out + done, n - done);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        *got = done;
        return false;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    *got = done;
    return fd_ >= 0;
  }

  bool Write(const void* data, size_t n) override {
    const auto* in = static_cast<const char*>(data);
    while (fd_ >= 0 && n > 0) {
      ssize_t w = ::write(fd_, in, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      in += w;
      n -= static_cast<size_t>(w);
    }
    return fd_ >= 0;
  }

  bool Sync() override { return fd_ >= 0 && ::fsync(fd_) == 0; }

  bool Close() override {
    if (fd_ < 0) return true;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
  }

  bool Size(uint64_t* size) override {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }

 private:
  int fd_;
};

std::unique_ptr<File> Open(const char* path, int flags) {
  if (path == nullptr) return nullptr;
  int fd;
  do {
    // Non-blocking only for the open itself, so that a FIFO cannot hang us.
    fd = ::open(path, flags | O_CLOEXEC | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<File>(new PosixFile(fd));
}

bool RandomBytes(unsigned char* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::getrandom(out + done, n - done, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

class PosixEnv final : public Env {
 public:
  // syslog, user facility, debug level.
  void DebugLine(const char* line) override {
    if (line == nullptr) return;
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("Molvaren", LOG_NDELAY, LOG_USER); });
    syslog(LOG_USER | LOG_DEBUG, "%s", line);
  }

  bool PathExists(const char* path) override {
    struct stat st;
    return path != nullptr && ::stat(path, &st) == 0;
  }

  bool CreateFolder(const char* path) override {
    return path != nullptr && ::mkdir(path, 0755) == 0;
  }

  bool DeleteFile(const char* path) override { return path != nullptr && ::unlink(path) == 0; }

  bool FileSize(const char* path, uint64_t* size) override {
    struct stat st;
    if (path == nullptr || ::stat(path, &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }

  bool RenameFile(const char* from, const char* to) override {
    return from != nullptr && to != nullptr && ::rename(from, to) == 0;
  }

  std::unique_ptr<File> OpenFileForReading(const char* path) override {
    return Open(path, O_RDONLY);
  }

  std::unique_ptr<File> OpenFileForWriting(const char* path) override {
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC);
  }

  std::unique_ptr<File> NewTemporaryFile(const std::string& beside, std::string* name) override {
    std::string temp = beside + ".XXXXXX";
    int fd = ::mkstemp(&temp[0]);
    if (fd < 0) return nullptr;
    ::fchmod(fd, 0644);
    *name = temp;
    return std::unique_ptr<File>(new PosixFile(fd));
  }

  bool SyncFolderOf(const std::string& path) override {
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
  }

  bool ListFiles(const std::string& folder, std::vector<std::string>* names) override {
    return posix::ListFiles(folder, names);
  }

  std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy) override {
    return posix::LockFile(path, wait, busy);
  }

  std::string NewGuidText() override {
    unsigned char b[16];
    if (!RandomBytes(b, sizeof b)) {
      std::random_device rd;
      for (unsigned char& c : b) c = static_cast<unsigned char>(rd());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
    // Same order as StringFromGUID2: Data1, Data2, Data3 as numbers (the
    // bytes taken big-endian here, which for random bytes is as good), then
    // 8 bytes.
    char text[39];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
                  b[13], b[14], b[15]);
    return std::string(text);
  }

  LocalTime CurrentLocalTime() override {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tmv;
    time_t secs = ts.tv_sec;
    ::localtime_r(&secs, &tmv);
    LocalTime t;
    t.year = tmv.tm_year + 1900;
    t.month = tmv.tm_mon + 1;
    t.day = tmv.tm_mday;
    t.hour = tmv.tm_hour;
    t.minute = tmv.tm_min;
    t.second = tmv.tm_sec;
    t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
  }

  std::string FileBesideExecutable(const char* name) override {
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return std::string();
    std::string path(exe, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    path.erase(slash == std::string::npos ? 0 : slash);
    path += '/';
    path += name;
    return path;
  }

  bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) override {
    return chosen != nullptr && posix::ShowFileDialog(settings, chosen);
  }
};

}  // namespace

Env* Env::Default() {
  // Built in static storage and never destroyed: the module writes back
  // from the library's destructors, and nothing is left on the heap when the
  // library is unloaded.
  alignas(PosixEnv) static unsigned char storage[sizeof(PosixEnv)];
  static Env* env = new (storage) PosixEnv;
  return env;
}

// No class framework to register with on POSIX.
bool RegisterExtensionModule() { return true; }
void UnregisterExtensionModule() {}

}  // namespace platform
}  // namespace mlvns
