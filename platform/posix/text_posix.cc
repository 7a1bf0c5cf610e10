// Text conversion on POSIX, where 8-bit text is UTF-8.
#include "platform/platform.h"
#include "platform/posix/utf8.h"

namespace mlvns {
namespace platform {

std::string Utf16ToAnsi(const char16_t* text, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = '?';  // a lone surrogate has no character to stand for
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::u16string AnsiToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    uint32_t c;
    size_t len = DecodeUtf8(text, i, &c);
    i += len;
    if (c == kNotACharacter) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace platform
}  // namespace mlvns
