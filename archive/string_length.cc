#include "archive/string_length.h"

#include <vector>

#include "platform/platform.h"

namespace mlvns {

size_t StringLengthPrefixSize(uint64_t length) {
  if (length < 0xFF) return 1;
  if (length < 0xFFFE) return 3;
  if (length < 0xFFFFFFFF) return 7;
  return 15;
}

bool WriteLengthPrefixedText(ArchiveWriter& ar, const char* text, size_t length) {
  const uint64_t L = length;
  uint8_t prefix[15];
  size_t n = 0;
  if (L < 0xFF) {
    prefix[n++] = static_cast<uint8_t>(L);
  } else {
    prefix[n++] = 0xFF;
    if (L < 0xFFFE) {
      prefix[n++] = static_cast<uint8_t>(L);
      prefix[n++] = static_cast<uint8_t>(L >> 8);
    } else {
      prefix[n++] = 0xFF;
      prefix[n++] = 0xFF;
      if (L < 0xFFFFFFFF) {
        for (int i = 0; i < 4; ++i) prefix[n++] = static_cast<uint8_t>(L >> (8 * i));
      } else {
        for (int i = 0; i < 4; ++i) prefix[n++] = 0xFF;
        for (int i = 0; i < 8; ++i) prefix[n++] = static_cast<uint8_t>(L >> (8 * i));
      }
    }
  }
  if (n + length > ar.Remaining()) return false;
  return ar.Write(prefix, n) && ar.Write(text, length);
}

bool ReadStringLength(ArchiveReader& ar, uint32_t* length, bool* wide) {
  *wide = false;
  uint8_t b;
  if (!ar.ReadU8(&b)) return false;
  if (b < 0xFF) {
    *length = b;
    return true;
  }
  uint16_t w;
  if (!ar.ReadU16(&w)) return false;
  if (w == 0xFFFE) {
    *wide = true;
    if (!ar.ReadU8(&b)) return false;
    if (b < 0xFF) {
      *length = b;
      return true;
    }
    if (!ar.ReadU16(&w)) return false;
  }
  if (w < 0xFFFF) {
    *length = w;
    return true;
  }
  uint32_t d;
  if (!ar.ReadU32(&d)) return false;
  if (d < 0xFFFFFFFF) {
    *length = d;
    return true;
  }
  // An 8-byte length; lengths are handled as 32-bit values.
  uint32_t low, high;
  if (!ar.ReadU32(&low) || !ar.ReadU32(&high)) return false;
  *length = low;
  return true;
}

bool ReadLengthPrefixedText(ArchiveReader& ar, std::string* text) {
  uint32_t length;
  bool wide;
  if (!ReadStringLength(ar, &length, &wide)) return false;
  const uint64_t bytes = wide ? uint64_t{length} * 2 : length;
  if (bytes > ar.Remaining()) return false;
  if (!wide) {
    text->assign(reinterpret_cast<const char*>(ar.Current()), length);
    ar.Skip(bytes);
    return true;
  }
  std::vector<char16_t> units(length);
  for (uint32_t i = 0; i < length; ++i) {
    uint16_t u = 0;
    ar.ReadU16(&u);  // cannot fail: the length was checked above
    units[i] = static_cast<char16_t>(u);
  }
  *text = platform::Utf16ToAnsi(units.data(), units.size());
  return true;
}

}  // namespace mlvns
