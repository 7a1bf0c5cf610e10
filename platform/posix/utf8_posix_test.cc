#include <gtest/gtest.h>

#include "platform/platform.h"

namespace mlvns {
namespace {

TEST(Text, FoldingAndConversion) {
  EXPECT_EQ(platform::LowerAnsi("/Data/Tracks/CLIP.MP4"), "/data/tracks/clip.mp4");
  // Latin-1, Latin Extended-A (both alignments), Greek, Cyrillic.
  EXPECT_EQ(platform::LowerAnsi("\xC3\x89\xC3\x96\xC3\x97\xC3\x9E"), "\xC3\xA9\xC3\xB6\xC3\x97\xC3\xBE");
  EXPECT_EQ(platform::LowerAnsi("\xC4\x80\xC4\xB9\xC5\xB9\xC5\xB8\xC4\xB0"),
            "\xC4\x81\xC4\xBA\xC5\xBA\xC3\xBFi");
  EXPECT_EQ(platform::LowerAnsi("\xCE\xA9\xD0\x96\xD0\x81"), "\xCF\x89\xD0\xB6\xD1\x91");
  // Bytes that are no UTF-8 stay as they are.
  EXPECT_EQ(platform::LowerAnsi(std::string("A\xFF\xC3", 3)), std::string("a\xFF\xC3", 3));

  EXPECT_EQ(platform::CompareNoCase("\xC3\x89.MP4", "\xC3\xA9.mp4"), 0);
  EXPECT_LT(platform::CompareNoCase("a", "B"), 0);
  EXPECT_GT(platform::CompareNoCase("b", "A"), 0);

  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";
  std::u16string wide = platform::AnsiToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', u'\u00E9', char16_t(0xD83D), char16_t(0xDE00)}));
  EXPECT_EQ(platform::Utf16ToAnsi(wide.data(), wide.size()), text);
  EXPECT_EQ(platform::AnsiToUtf16("\xFF"), std::u16string(1, char16_t(0xFFFD)));
  // A lone surrogate becomes '?'; the surrogate ranges' ends are U+10000
  // and U+10FFFF.
  const char16_t lone[] = {0x20AC, 0xD800, u'z'}, ends[] = {0xD800, 0xDC00, 0xDBFF, 0xDFFF};
  EXPECT_EQ(platform::Utf16ToAnsi(lone, 3), "\xE2\x82\xAC?z");
  EXPECT_EQ(platform::Utf16ToAnsi(ends, 4), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace mlvns
