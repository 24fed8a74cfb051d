#include "platform/Text.h"

#include <gtest/gtest.h>

#include <limits>

using namespace platform;

TEST(Cp1251, EveryByteRoundTripsThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8Length(utf8), 256u);
    EXPECT_EQ(Utf8ToCp1251(utf8), all);
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
    EXPECT_FALSE(Utf8ToCp1251("日本").has_value());
    EXPECT_FALSE(Utf8ToCp1251("\xC0").has_value());  // not valid UTF-8
    EXPECT_EQ(Utf8ToCp1251Lossy("a日b"), "a?b");
}

TEST(Utf8, EncodesEveryLengthAndRejectsInvalidSequences)
{
    const std::u32string chars = U"aЖ日😀\U0010FFFF";
    EXPECT_EQ(EncodeUtf8(chars), "a\xD0\x96\xE6\x97\xA5\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(chars)), chars);
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xE0\xA0", "\xF4\x90\x80\x80"})  // overlong, surrogate,
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;                                         // truncated, too high
}

TEST(Copy, ClampsAndCountsCharactersFromOneAndTheAsciiHelpersLeaveCyrillicAlone)
{
    constexpr long long kMin = std::numeric_limits<long long>::min();
    constexpr long long kMax = std::numeric_limits<long long>::max();
    const struct {
        long long index;
        long long count;
        const char* expected;
    } cases[] = {{2, 3, "BCD"}, {5, 10, "EF"},     {7, 1, ""},        {0, 2, "A"},         {-5, 2, ""},
                 {3, -1, ""},   {kMin, 5, ""},     {kMin, kMax, ""},  {kMin + 1, kMax, ""}, {-1, kMax, "ABCDEF"},
                 {0, 1, ""},    {kMax, kMax, ""},  {2, kMax, "BCDEF"}};
    for (const auto& c : cases) EXPECT_EQ(Copy("ABCDEF", c.index, c.count), c.expected) << c.index << " " << c.count;
    EXPECT_EQ(Copy("", 1, 4), "");
    EXPECT_EQ(Copy("Привет", 2, 3), "рив");
    EXPECT_EQ(Pos("ве", "Привет"), 4u);
    EXPECT_EQ(Pos("x", "Привет"), 0u);
    EXPECT_EQ(AsciiUpper("ok Ок"), "OK Ок") << "Cyrillic is left alone";
    EXPECT_TRUE(ContainsIgnoreAsciiCase("+read>12\r\nok", "OK"));
    EXPECT_EQ(Trim("\r\n 12 \r\n"), "12");
}
