// Files and folders on Win32.
#include <climits>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {
namespace {

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { Close(); }

  bool Read(void* buffer, size_t n, size_t* got) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (h_ != INVALID_HANDLE_VALUE && done < n) {
      DWORD want = n - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n - done);
      DWORD r = 0;
      if (!::ReadFile(h_, out + done, want, &r, nullptr)) {
        *got = done;
        return false;
      }
      if (r == 0) break;
      done += r;
    }
    *got = done;
    return h_ != INVALID_HANDLE_VALUE;
  }

  bool Write(const void* data, size_t n) override {
    if (FileOpFails(FileOp::kWrite)) return false;
    const auto* in = static_cast<const char*>(data);
    while (h_ != INVALID_HANDLE_VALUE && n > 0) {
      DWORD want = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
      DWORD w = 0;
      if (!::WriteFile(h_, in, want, &w, nullptr) || w == 0) return false;
      in += w;
      n -= w;
    }
    return h_ != INVALID_HANDLE_VALUE;
  }

  bool Sync() override {
    return h_ != INVALID_HANDLE_VALUE && !FileOpFails(FileOp::kSync) && ::FlushFileBuffers(h_) != 0;
  }

  bool Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    BOOL ok = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

  bool Size(uint64_t* size) override {
    LARGE_INTEGER li;
    if (h_ == INVALID_HANDLE_VALUE || !::GetFileSizeEx(h_, &li)) return false;
    *size = static_cast<uint64_t>(li.QuadPart);
    return true;
  }

 private:
  HANDLE h_;
};

std::unique_ptr<File> Open(const char* path, DWORD access, DWORD disposition) {
  if (path == nullptr) return nullptr;
  if (disposition != OPEN_EXISTING && FileOpFails(FileOp::kCreate)) return nullptr;
  HANDLE h = ::CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (::GetFileType(h) != FILE_TYPE_DISK) {  // no pipes, consoles or devices
    ::CloseHandle(h);
    return nullptr;
  }
  return std::unique_ptr<File>(new Win32File(h));
}

}  // namespace

bool PathExists(const char* path) { return path != nullptr && ::PathFileExistsA(path) != 0; }

bool CreateFolder(const char* path) {
  return path != nullptr && !FileOpFails(FileOp::kCreate) &&
         ::CreateDirectoryA(path, nullptr) != 0;
}

bool DeleteFile(const char* path) {
  if (path == nullptr || *path == '\0' || !::PathFileExistsA(path)) return false;
  if (FileOpFails(FileOp::kDelete)) return false;
  // The source is a list of names closed by an empty one: two NULs at the end.
  std::string from(path);
  from.push_back('\0');
  SHFILEOPSTRUCTA op = {};
  op.hwnd = nullptr;
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.pTo = nullptr;
  // Silent, no confirmation, no error box, and no recycle bin.
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  return ::SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
}

bool FileSize(const char* path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path == nullptr || !::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool RenameFile(const char* from, const char* to) {
  return from != nullptr && to != nullptr && !FileOpFails(FileOp::kRename) &&
         ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t n) {
  const std::string temp = path + ".tmp";
  {
    std::unique_ptr<File> f = OpenFileForWriting(temp.c_str());
    if (!f) return false;
    bool ok = f->Write(data, n) && f->Sync();
    ok = f->Close() && ok;
    if (!ok) {
      if (!FileOpFails(FileOp::kDelete)) ::DeleteFileA(temp.c_str());
      return false;
    }
  }
  if (!RenameFile(temp.c_str(), path.c_str())) {
    if (!FileOpFails(FileOp::kDelete)) ::DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

std::unique_ptr<File> OpenFileForReading(const char* path) {
  return Open(path, GENERIC_READ, OPEN_EXISTING);
}

std::unique_ptr<File> OpenFileForWriting(const char* path) {
  return Open(path, GENERIC_WRITE, CREATE_ALWAYS);
}

}  // namespace platform
}  // namespace mlvns
