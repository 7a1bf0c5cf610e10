// Length-prefixed text: a prefix of 1, 3, 7 or 15 bytes, then the
// characters without terminator; 8-bit or, when marked, UTF-16LE.
#ifndef MOLVAREN_ARCHIVE_STRING_LENGTH_H_
#define MOLVAREN_ARCHIVE_STRING_LENGTH_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive.h"

namespace mlvns {

// Bytes of the prefix written for an 8-bit text of `length` characters.
size_t StringLengthPrefixSize(uint64_t length);

// Writes the prefix and the characters; false when they do not fit.
bool WriteLengthPrefixedText(ArchiveWriter& ar, const char* text, size_t length);

// Reads a prefix; `wide` tells whether UTF-16 characters follow. False at
// the end of the data.
bool ReadStringLength(ArchiveReader& ar, uint32_t* length, bool* wide);

// Reads a whole text, wide text converted to 8-bit text. False (end of
// file) when fewer characters arrive than the prefix announces.
bool ReadLengthPrefixedText(ArchiveReader& ar, std::string* text);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_STRING_LENGTH_H_
