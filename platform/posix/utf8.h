// UTF-8, the 8-bit text of POSIX: decoding one character, encoding one, and
// the letter folding that keys and names rely on.
#ifndef MOLVAREN_PLATFORM_POSIX_UTF8_H_
#define MOLVAREN_PLATFORM_POSIX_UTF8_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace mlvns {
namespace platform {

constexpr uint32_t kNotACharacter = 0xFFFFFFFFu;

// Decodes the character at `at`; returns the bytes it takes (at least 1).
// A byte that starts no valid sequence is taken alone and gives
// kNotACharacter, so that callers can keep it as it stands.
size_t DecodeUtf8(const std::string& text, size_t at, uint32_t* c);

void AppendUtf8(uint32_t c, std::string* out);

// Lower case of a letter (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic); any other character comes back as it is.
uint32_t LowerCharacter(uint32_t c);

}  // namespace platform
}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_POSIX_UTF8_H_
