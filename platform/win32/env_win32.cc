// The environment on Win32: the system calls behind every Env method.
#include <climits>
#include <new>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/win32/env_win32.h"
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

  bool Sync() override { return h_ != INVALID_HANDLE_VALUE && ::FlushFileBuffers(h_) != 0; }

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
  HANDLE h = ::CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (::GetFileType(h) != FILE_TYPE_DISK) {  // no pipes, consoles or devices
    ::CloseHandle(h);
    return nullptr;
  }
  return std::unique_ptr<File>(new Win32File(h));
}

class Win32Env final : public Env {
 public:
  // What a debugger (or DebugView) shows.
  void DebugLine(const char* line) override {
    if (line != nullptr) ::OutputDebugStringA(line);
  }

  bool PathExists(const char* path) override {
    return path != nullptr && ::PathFileExistsA(path) != 0;
  }

  bool CreateFolder(const char* path) override {
    return path != nullptr && ::CreateDirectoryA(path, nullptr) != 0;
  }

  bool DeleteFile(const char* path) override {
    if (path == nullptr || *path == '\0' || !::PathFileExistsA(path)) return false;
    // The source is a list of names closed by an empty one: two NULs at the
    // end.
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

  bool FileSize(const char* path, uint64_t* size) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !::GetFileAttributesExA(path, GetFileExInfoStandard, &data))
      return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
  }

  bool RenameFile(const char* from, const char* to) override {
    return from != nullptr && to != nullptr &&
           ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  std::unique_ptr<File> OpenFileForReading(const char* path) override {
    return Open(path, GENERIC_READ, OPEN_EXISTING);
  }

  std::unique_ptr<File> OpenFileForWriting(const char* path) override {
    return Open(path, GENERIC_WRITE, CREATE_ALWAYS);
  }

  // The writer holds the folder lock, so one fixed name is enough.
  std::unique_ptr<File> NewTemporaryFile(const std::string& beside, std::string* name) override {
    *name = beside + ".tmp";
    return OpenFileForWriting(name->c_str());
  }

  // The write-through rename needs no separate step.
  bool SyncFolderOf(const std::string&) override { return true; }

  bool ListFiles(const std::string& folder, std::vector<std::string>* names) override {
    return win32::ListFiles(folder, names);
  }

  std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy) override {
    return win32::LockFile(path, wait, busy);
  }

  std::string NewGuidText() override {
    GUID guid;
    if (FAILED(::CoCreateGuid(&guid))) return std::string();
    wchar_t text[64];
    int n = ::StringFromGUID2(guid, text, static_cast<int>(sizeof text / sizeof text[0]));
    if (n <= 1) return std::string();
    return Utf16ToAnsi(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n - 1));
  }

  LocalTime CurrentLocalTime() override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
  }

  std::string FileBesideExecutable(const char* name) override {
    // Room for the executable's name (MAX_PATH) and for what PathAppendA adds.
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    ::PathRemoveFileSpecA(path);
    if (::PathAddBackslashA(path) == nullptr) return std::string();
    if (!::PathAppendA(path, name)) return std::string();
    return std::string(path);
  }

  bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) override {
    return chosen != nullptr && win32::ShowFileDialog(settings, chosen);
  }
};

}  // namespace

Env* Env::Default() {
  // Built in static storage and never destroyed: the module writes back
  // from the library's detach, and nothing is left on the heap when the
  // library is unloaded.
  alignas(Win32Env) static unsigned char storage[sizeof(Win32Env)];
  static Env* env = new (storage) Win32Env;
  return env;
}

// MFC's extension-module registration has no counterpart without MFC; the
// load needs only its success.
bool RegisterExtensionModule() { return true; }
void UnregisterExtensionModule() {}

}  // namespace platform
}  // namespace mlvns
