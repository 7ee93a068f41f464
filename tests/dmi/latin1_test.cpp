#include <gtest/gtest.h>

#include "dmi/latin1.h"

namespace kalvire::dmi {
namespace {

TEST(Latin1, EveryNonZeroByteSurvivesTheWayThereAndBack) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  const std::string text = Latin1ToUtf8(all);
  EXPECT_EQ(text.size(), 127u + 2 * 128u);
  EXPECT_EQ(Utf8ToLatin1(text), all);
  EXPECT_EQ(Latin1ToUtf8("\xA9 x"), "\xC2\xA9 x");
  EXPECT_EQ(Latin1ToUtf8("\xFF"), "\xC3\xBF");
}

TEST(Latin1, RefusesWhatNoSingleByteStringCanHold) {
  for (const std::string text : {std::string("\xE2\x82\xAC"),      // U+20AC
                                 std::string("\xC4\x80"),          // U+0100
                                 std::string("\xC0\x80"),          // overlong NUL
                                 std::string("\xC1\xBF"),          // overlong ASCII
                                 std::string("\xC3"),              // cut short
                                 std::string("\xC3x"),             // no continuation
                                 std::string("\xA9"),              // bare continuation
                                 std::string("\xF0\x9F\x98\x80"),  // U+1F600
                                 std::string("a\0b", 3)}) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_FALSE(Utf8ToLatin1(text).has_value());
  }
  EXPECT_EQ(Utf8ToLatin1(""), "");
}

}  // namespace
}  // namespace kalvire::dmi
