// Files and folders on POSIX.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

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
    if (FileOpFails(FileOp::kWrite)) return false;
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

  bool Sync() override { return fd_ >= 0 && !FileOpFails(FileOp::kSync) && ::fsync(fd_) == 0; }

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
  if ((flags & O_CREAT) != 0 && FileOpFails(FileOp::kCreate)) return nullptr;
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

}  // namespace

bool PathExists(const char* path) {
  struct stat st;
  return path != nullptr && ::stat(path, &st) == 0;
}

bool CreateFolder(const char* path) {
  return path != nullptr && !FileOpFails(FileOp::kCreate) && ::mkdir(path, 0755) == 0;
}

bool DeleteFile(const char* path) {
  return path != nullptr && !FileOpFails(FileOp::kDelete) && ::unlink(path) == 0;
}

bool FileSize(const char* path, uint64_t* size) {
  struct stat st;
  if (path == nullptr || ::stat(path, &st) != 0) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool RenameFile(const char* from, const char* to) {
  return from != nullptr && to != nullptr && !FileOpFails(FileOp::kRename) &&
         ::rename(from, to) == 0;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t n) {
  std::string temp = path + ".XXXXXX";
  if (FileOpFails(FileOp::kCreate)) return false;
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  ::fchmod(fd, 0644);
  PosixFile file(fd);
  bool ok = file.Write(data, n) && file.Sync();
  ok = file.Close() && ok;
  ok = ok && !FileOpFails(FileOp::kRename) && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    if (!FileOpFails(FileOp::kDelete)) ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  std::string folder = path.substr(0, path.find_last_of('/') + 1);
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    // Too late to fail the write: the new file is in place already.
    if (!FileOpFails(FileOp::kSync)) ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::unique_ptr<File> OpenFileForReading(const char* path) { return Open(path, O_RDONLY); }

std::unique_ptr<File> OpenFileForWriting(const char* path) {
  return Open(path, O_WRONLY | O_CREAT | O_TRUNC);
}

}  // namespace platform
}  // namespace mlvns
