// Numbers in profile files: decimal or hexadecimal, and what falls back.
#include <gtest/gtest.h>

#include "platform/profile_files.h"

namespace kl::platform {
namespace {

TEST(TextToIntDef, AcceptsDecimalAndBothHexadecimalSpellings) {
  EXPECT_EQ(12, textToIntDef("12", -1));
  EXPECT_EQ(-1, textToIntDef("-1", 0));
  EXPECT_EQ(16, textToIntDef("0x10", -1));
  EXPECT_EQ(16, textToIntDef("0X10", -1));
  EXPECT_EQ(255, textToIntDef("$ff", -1));
  EXPECT_EQ(-1, textToIntDef("0xFFFFFFFF", 0));  // all 32 bits
  EXPECT_EQ(2147483647, textToIntDef("2147483647", 0));
  EXPECT_EQ(-2147483647L - 1, textToIntDef("-2147483648", 0));
}

TEST(TextToIntDef, AnythingElseGivesTheFallback) {
  for (const char* bad : {"", " ", "1 ", "1.5", "0x", "$", "abc", "0x1G", "2147483648",
                          "0x100000000", "--1"})
    EXPECT_EQ(-7, textToIntDef(bad, -7)) << '"' << bad << '"';
}

}  // namespace
}  // namespace kl::platform
