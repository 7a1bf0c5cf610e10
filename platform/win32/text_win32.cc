// Text conversion on Win32: 8-bit text is in the ANSI code page.
#include <climits>
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {

std::string Utf16ToAnsi(const char16_t* text, size_t n) {
  if (text == nullptr || n == 0 || n > INT_MAX) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text);
  int len = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), nullptr, 0, nullptr,
                                  nullptr);
  if (len <= 0) return std::string();
  std::string out(static_cast<size_t>(len), '\0');
  len = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), &out[0], len, nullptr,
                              nullptr);
  out.resize(len > 0 ? static_cast<size_t>(len) : 0);
  return out;
}

std::u16string AnsiToUtf16(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::u16string();
  int n = static_cast<int>(text.size());
  int len = ::MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
  if (len <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(len), u'\0');
  len = ::MultiByteToWideChar(CP_ACP, 0, text.data(), n, reinterpret_cast<wchar_t*>(&out[0]), len);
  out.resize(len > 0 ? static_cast<size_t>(len) : 0);
  return out;
}

std::string LowerAnsi(const std::string& text) {
  std::string out = text;
  if (!out.empty() && out.size() <= ULONG_MAX) {
    ::CharLowerBuffA(&out[0], static_cast<DWORD>(out.size()));
  }
  return out;
}

// Not _mbsicmp: in the run-time's start-up multibyte code page it folds
// ASCII only (É.MP4 and é.mp4 would differ), and switching the code page
// with _setmbcp would change it for the whole host process.
int CompareNoCase(const std::string& a, const std::string& b) {
  const std::string la = LowerAnsi(a);
  const std::string lb = LowerAnsi(b);
  int c = std::memcmp(la.data(), lb.data(), la.size() < lb.size() ? la.size() : lb.size());
  if (c != 0) return c;
  return la.size() < lb.size() ? -1 : (la.size() > lb.size() ? 1 : 0);
}

}  // namespace platform
}  // namespace mlvns
