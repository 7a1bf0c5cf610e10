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

std::string Read(const std::vector<uint8_t>& bytes, bool* ok) {
  ArchiveReader ar(bytes.data(), bytes.size());
  std::string text;
  *ok = ReadLengthPrefixedText(ar, &text);
  return text;
}

TEST(StringLength, ReadsEveryForm) {
  bool ok;
  EXPECT_EQ(Read(Bytes().u8(3).raw("abc"), &ok), "abc");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(3).raw("abc"), &ok), "abc");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(0xFFFF).u32(3).raw("abc"), &ok), "abc");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(3).raw("abc"), &ok), "abc");
  EXPECT_TRUE(ok);
  // Wide: the marker, then a length in any of the forms, then UTF-16LE.
  // ...converted to 8-bit text as the platform converts it.
  const char16_t he[] = {u'h', 0xE9};
  ASSERT_GT(platform::Utf16ToAnsi(he, 2).size(), 1u);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('h').u16(0xE9), &ok),
            platform::Utf16ToAnsi(he, 2));
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(1).u16('x'), &ok), "x");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(1).u16('y'), &ok), "y");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(Bytes().u8(0), &ok), "");
  EXPECT_TRUE(ok);
}

TEST(StringLength, ShortDataIsEndOfFile) {
  bool ok;
  Read(Bytes().u8(5).raw("abc"), &ok);
  EXPECT_FALSE(ok);
  Read(Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('a'), &ok);
  EXPECT_FALSE(ok);
  Read(Bytes().u8(0xFF).u8(1), &ok);
  EXPECT_FALSE(ok);
  // A huge announced length costs nothing before it fails.
  Read(Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFE).raw("a"), &ok);
  EXPECT_FALSE(ok);
  Read({}, &ok);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace mlvns
