// The index file through the real wide-character private-profile functions.
// Every 8-bit text goes to UTF-16 from the ANSI code page and back.
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
  explicit Win32Profile(const std::string& path) : path_(AnsiToUtf16(path)) {}

  int GetInt(const std::string& section, const std::string& key, int def) override {
    return static_cast<int>(::GetPrivateProfileIntW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                                    def, W(path_)));
  }

  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def, size_t units) override {
    if (units == 0) return std::string();
    if (units > 0x7FFFFFFFu) units = 0x7FFFFFFFu;
    std::vector<wchar_t> buffer(units, L'\0');
    DWORD n = ::GetPrivateProfileStringW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                         W(AnsiToUtf16(def)), buffer.data(),
                                         static_cast<DWORD>(units), W(path_));
    if (n >= units) n = static_cast<DWORD>(units - 1);
    return Utf16ToAnsi(reinterpret_cast<const char16_t*>(buffer.data()), n);
  }

  void SetString(const std::string& section, const std::string& key,
                 const std::string& value) override {
    // Each call writes the file at once; Commit only reports how that went.
    if (!::WritePrivateProfileStringW(W(AnsiToUtf16(section)), W(AnsiToUtf16(key)),
                                      W(AnsiToUtf16(value)), W(path_))) {
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
                                           W(path_));
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
    failed_ = false;
    return ok;
  }

 private:
  std::u16string path_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfile(const std::string& path) {
  return std::unique_ptr<ProfileFile>(new Win32Profile(path));
}

}  // namespace platform
}  // namespace mlvns
