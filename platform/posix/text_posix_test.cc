#include <gtest/gtest.h>

#include "platform/platform.h"

namespace mlvns {
namespace {

TEST(PosixText, WideTextBecomesUtf8) {
  const char16_t text[] = {u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xD800, u'z'};
  EXPECT_EQ(platform::Utf16ToAnsi(text, 7), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80?z");
}

}  // namespace
}  // namespace mlvns
