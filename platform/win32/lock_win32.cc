// The folder lock on Win32: LockFileEx on a lock file, counted per process
// so that a holder taking it again does not wait on itself.
#include <map>
#include <mutex>
#include <tuple>

#include "platform/win32/env_win32.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {
namespace {

using FileId = std::tuple<DWORD, DWORD, DWORD>;  // volume, index high, index low

struct Held {
  HANDLE h;
  int count;
};

std::mutex& HeldMutex() {
  static std::mutex m;
  return m;
}

std::map<FileId, Held>& HeldLocks() {
  // An object, not a leaked pointer: a library unloaded and loaded again
  // (dlclose, FreeLibrary) must not leave one behind each time. The module
  // writes back before static objects are destroyed.
  static std::map<FileId, Held> held;
  return held;
}

class Win32Lock final : public FileLock {
 public:
  explicit Win32Lock(FileId id) : id_(id) {}
  ~Win32Lock() override {
    std::lock_guard<std::mutex> guard(HeldMutex());
    auto it = HeldLocks().find(id_);
    if (it == HeldLocks().end() || --it->second.count > 0) return;
    OVERLAPPED at = {};
    ::UnlockFileEx(it->second.h, 0, 1, 0, &at);
    ::CloseHandle(it->second.h);
    HeldLocks().erase(it);
  }

 private:
  FileId id_;
};

}  // namespace

namespace win32 {

std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy) {
  if (busy != nullptr) *busy = false;
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info)) {
    ::CloseHandle(h);
    return nullptr;
  }
  const FileId id(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
  {
    std::lock_guard<std::mutex> guard(HeldMutex());
    auto it = HeldLocks().find(id);
    if (it != HeldLocks().end()) {
      ++it->second.count;
      ::CloseHandle(h);
      return std::unique_ptr<FileLock>(new Win32Lock(id));
    }
  }
  OVERLAPPED at = {};
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (!::LockFileEx(h, flags, 0, 1, 0, &at)) {
    if (busy != nullptr) *busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(h);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(HeldMutex());
  HeldLocks()[id] = Held{h, 1};
  return std::unique_ptr<FileLock>(new Win32Lock(id));
}

bool ListFiles(const std::string& folder, std::vector<std::string>* names) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += "\\";
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((prefix + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names->push_back(data.cFileName);
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return true;
}

}  // namespace win32
}  // namespace platform
}  // namespace mlvns
