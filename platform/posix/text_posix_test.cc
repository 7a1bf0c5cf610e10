#include <gtest/gtest.h>

#include "platform/platform.h"

namespace mlvns {
namespace {

TEST(PosixText, WideTextBecomesUtf8) {
  const char16_t text[] = {u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xD800, u'z'};
  EXPECT_EQ(platform::Utf16ToAnsi(text, 7), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80?z");
  // The surrogate ranges' ends: U+10000 and U+10FFFF.
  const char16_t ends[] = {0xD800, 0xDC00, 0xDBFF, 0xDFFF};
  EXPECT_EQ(platform::Utf16ToAnsi(ends, 4), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace mlvns
