// The fixed-size text fields of the records, which may be full without a
// terminating zero, and text cut to fit a caller's buffer.
#ifndef MOLVAREN_MODEL_FIXED_TEXT_H_
#define MOLVAREN_MODEL_FIXED_TEXT_H_

#include <cstddef>
#include <string>

namespace mlvns {

// The field's text: up to its first zero, or all `size` bytes.
std::string FieldText(const char* field, size_t size);

// True when the field's text is exactly `text`.
bool FieldEquals(const char* field, size_t size, const char* text);

// `text` into a buffer of `room` bytes, cut to fit and always terminated.
void CopyCut(const std::string& text, char* out, size_t room);

}  // namespace mlvns

#endif  // MOLVAREN_MODEL_FIXED_TEXT_H_
