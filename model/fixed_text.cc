#include "model/fixed_text.h"

#include <cstring>

namespace mlvns {

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

bool FieldEquals(const char* field, size_t size, const char* text) {
  const size_t n = strnlen(field, size);
  return std::strncmp(field, text, n) == 0 && text[n] == '\0';
}

void CopyCut(const std::string& text, char* out, size_t room) {
  if (out == nullptr || room == 0) return;
  const size_t n = text.size() < room - 1 ? text.size() : room - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace mlvns
