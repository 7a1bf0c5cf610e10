// Text conversion on Win32: 8-bit text is in the ANSI code page.
#include <climits>

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

int CompareNoCase(const std::string& a, const std::string& b) {
  return ::_mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str()));
}

}  // namespace platform
}  // namespace mlvns
