// The index file through the real wide-character private-profile functions.
// Every 8-bit text goes to UTF-16 from the ANSI code page and back. Changes go
// to a copy beside the file, which Commit moves over it in one step, so a
// crash leaves the old index or the new one, never a half-written one.
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class Win32Profile final : public ProfileFile {
 public:
  Win32Profile(Env& env, const std::string& path)
      : env_(env),
        pathName_(path),
        copyName_(path + ".new"),
        path_(AnsiToUtf16(pathName_)),
        copy_(AnsiToUtf16(copyName_)) {}
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
      ok = env_.RenameFile(copyName_.c_str(), pathName_.c_str());
    }
    if (copying_ && !ok) ::DeleteFileW(W(copy_));
    copying_ = false;
    failed_ = false;
    return ok;
  }

 private:
  const std::u16string& Current() const { return copying_ ? copy_ : path_; }

  // The copy starts as the file is, or empty when there is no file yet (a
  // copy a crash left is overwritten). It is made through the environment,
  // so that a failing create or write shows.
  void StartCopy() {
    std::string data;
    if (env_.PathExists(pathName_.c_str()) && !ReadAll(&data)) {
      failed_ = true;
      return;
    }
    std::unique_ptr<File> copy = env_.OpenFileForWriting(copyName_.c_str());
    bool ok = copy && (data.empty() || copy->Write(data.data(), data.size()));
    ok = copy && copy->Close() && ok;
    if (!ok) {
      if (copy) ::DeleteFileW(W(copy_));
      failed_ = true;
      return;
    }
    copying_ = true;
  }

  bool ReadAll(std::string* data) {
    std::unique_ptr<File> file = env_.OpenFileForReading(pathName_.c_str());
    char chunk[65536];
    for (size_t got = 1; file && got != 0;) {
      if (!file->Read(chunk, sizeof chunk, &got)) return false;
      data->append(chunk, got);
    }
    return file != nullptr;
  }

  Env& env_;
  std::string pathName_;
  std::string copyName_;
  std::u16string path_;
  std::u16string copy_;
  bool copying_ = false;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfile(Env& env, const std::string& path) {
  return std::unique_ptr<ProfileFile>(new Win32Profile(env, path));
}

}  // namespace platform
}  // namespace mlvns
