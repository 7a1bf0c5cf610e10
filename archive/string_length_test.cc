#include "archive/string_length.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::Bytes;

std::vector<uint8_t> Written(size_t length) {
  std::string text(length, 'a');
  std::vector<uint8_t> out(StringLengthPrefixSize(length) + length);
  ArchiveWriter ar(out.data(), out.size());
  EXPECT_TRUE(WriteLengthPrefixedText(ar, text.data(), text.size()));
  EXPECT_EQ(ar.Remaining(), 0u);
  out.resize(out.size() - length);  // the prefix alone
  return out;
}

TEST(StringLength, PrefixFormsByLength) {
  EXPECT_EQ(Written(41), Bytes().u8(41).vec());
  EXPECT_EQ(Written(254), Bytes().u8(254).vec());
  EXPECT_EQ(Written(255), Bytes().u8(0xFF).u16(255).vec());
  EXPECT_EQ(Written(0xFFFD), Bytes().u8(0xFF).u16(0xFFFD).vec());
  EXPECT_EQ(Written(0xFFFE), Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFE).vec());
  EXPECT_EQ(StringLengthPrefixSize(0xFFFFFFFEull), 7u);
  EXPECT_EQ(StringLengthPrefixSize(0xFFFFFFFFull), 15u);
}

TEST(StringLength, ReadsEveryFormAndShortDataIsEndOfFile) {
  // Wide text is converted to 8-bit text as the platform converts it.
  const char16_t he[] = {u'h', 0xE9};
  ASSERT_GT(platform::Utf16ToAnsi(he, 2).size(), 1u);
  const struct {
    Bytes bytes;
    bool ok;
    std::string text;
  } cases[] = {
      {Bytes().u8(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(0xFFFF).u32(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(3).raw("abc"), true, "abc"},
      // Wide: the marker, then a length in any of the forms, then UTF-16LE.
      {Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('h').u16(0xE9), true, platform::Utf16ToAnsi(he, 2)},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(1).u16('x'), true, "x"},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(1).u16('y'), true, "y"},
      {Bytes().u8(0), true, ""},
      {Bytes().u8(5).raw("abc"), false, ""},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('a'), false, ""},
      {Bytes().u8(0xFF).u8(1), false, ""},
      // A huge announced length costs nothing before it fails.
      {Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFE).raw("a"), false, ""},
      {Bytes(), false, ""},
  };
  int row = 0;
  for (const auto& c : cases) {
    ArchiveReader ar(c.bytes.vec().data(), c.bytes.size());
    std::string text;
    EXPECT_EQ(ReadLengthPrefixedText(ar, &text), c.ok) << row;
    if (c.ok) {
      EXPECT_EQ(text, c.text) << row;
    }
    ++row;
  }
}

}  // namespace
}  // namespace mlvns
