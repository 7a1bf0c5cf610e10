// The index file through the real wide-character private-profile functions.
// Every 8-bit text goes to UTF-16 from the ANSI code page and back. Changes go
// to a copy beside the file, which Commit moves over it in one step, so a
// crash leaves the old index or the new one, never a half-written one.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class Win32Profile final : public ProfileFile {
 public:
  explicit Win32Profile(const std::string& path)
      : path_(AnsiToUtf16(path)), copy_(AnsiToUtf16(path + ".new")) {}
  ~Win32Profile() override {
    if (copying_) ::DeleteFileW(W(copy_));  // changes never committed
  }

  int GetInt(const std::string& section, const std::string& key, int def) override {
    return static_cast<int>(::GetPrivateProfileIntW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                                    def, W(Current())));
  }

  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def, size_t units) override {
    if (units == 0) return std::string();
    if (units > 0x7FFFFFFFu) units = 0x7FFFFFFFu;
    std::vector<wchar_t> buffer(units, L'\0');
    DWORD n = ::GetPrivateProfileStringW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                         W(AnsiToUtf16(def)), buffer.data(),
                                         static_cast<DWORD>(units), W(Current()));
    if (n >= units) n = static_cast<DWORD>(units - 1);
    return Utf16ToAnsi(reinterpret_cast<const char16_t*>(buffer.data()), n);
  }

  void SetString(const std::string& section, const std::string& key,
                 const std::string& value) override {
    // Each call writes the copy at once; Commit puts it in place.
    if (!failed_ && !copying_) StartCopy();
    if (failed_) return;
    if (!::WritePrivateProfileStringW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                      W(AnsiToUtf16(value)), W(copy_))) {
      failed_ = true;
    }
  }

  // The section names, from the NUL-separated list the platform hands out;
  // the buffer grows until the list fits.
  std::vector<std::string> SectionNames() {
    std::vector<wchar_t> buffer(4096);
    DWORD n = 0;
    for (;;) {
      n = ::GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()),
                                           W(Current()));
      if (n + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
      buffer.resize(buffer.size() * 4);
    }
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
      if (buffer[i] != L'\0') continue;
      if (i > start) {
        names.push_back(
            Utf16ToAnsi(reinterpret_cast<const char16_t*>(buffer.data() + start), i - start));
      }
      start = i + 1;
    }
    return names;
  }

  bool Commit() override {
    bool ok = !failed_;
    if (ok && copying_) {
      // Flushes the system's cached copy of the file before it moves.
      ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, W(copy_));
      ok = !FileOpFails(FileOp::kRename) &&
           ::MoveFileExW(W(copy_), W(path_),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (copying_ && !ok) ::DeleteFileW(W(copy_));
    copying_ = false;
    failed_ = false;
    return ok;
  }

 private:
  const std::u16string& Current() const { return copying_ ? copy_ : path_; }

  // The copy starts as the file is, or empty when there is no file yet.
  void StartCopy() {
    if (FileOpFails(FileOp::kCreate)) {
      failed_ = true;
      return;
    }
    if (::GetFileAttributesW(W(path_)) != INVALID_FILE_ATTRIBUTES) {
      if (::CopyFileW(W(path_), W(copy_), FALSE) == 0) {
        failed_ = true;
        return;
      }
    } else {
      ::DeleteFileW(W(copy_));  // one a crash left; the first write makes it anew
    }
    copying_ = true;
  }

  std::u16string path_;
  std::u16string copy_;
  bool copying_ = false;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfile(const std::string& path) {
  return std::unique_ptr<ProfileFile>(new Win32Profile(path));
}

}  // namespace platform
}  // namespace mlvns
