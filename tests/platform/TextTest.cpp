#include "platform/Text.h"

#include <gtest/gtest.h>

#include <limits>

using namespace platform;

TEST(Cp1251, AllBytesRoundTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8Length(utf8), 256u);
    const auto back = Utf8ToCp1251(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Cp1251, CyrillicAndSymbols)
{
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
    EXPECT_EQ(*Utf8ToCp1251("Тест"), "\xD2\xE5\xF1\xF2");
    EXPECT_FALSE(Utf8ToCp1251("日本").has_value());
    EXPECT_FALSE(Utf8ToCp1251("\xC0").has_value());  // not valid UTF-8
    EXPECT_EQ(Utf8ToCp1251Lossy("a日b"), "a?b");
}

TEST(Utf8, InvalidSequencesAreRejected)
{
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE0\xA0"));      // truncated
    EXPECT_TRUE(IsValidUtf8("plain ascii"));
}

TEST(Copy, ClampsAndCountsCharacters)
{
    EXPECT_EQ(Copy("ABCDEF", 2, 3), "BCD");
    EXPECT_EQ(Copy("ABCDEF", 5, 10), "EF");
    EXPECT_EQ(Copy("ABCDEF", 7, 1), "");
    EXPECT_EQ(Copy("ABCDEF", 0, 2), "A");
    EXPECT_EQ(Copy("ABCDEF", -5, 2), "");
    EXPECT_EQ(Copy("ABCDEF", 3, -1), "");
    EXPECT_EQ(Copy("", 1, 4), "");
    EXPECT_EQ(Copy("Привет", 2, 3), "рив");
    EXPECT_EQ(Pos("ве", "Привет"), 4u);
    EXPECT_EQ(Pos("x", "Привет"), 0u);
}

TEST(Copy, ExtremeIndexesAndCountsClampWithoutOverflow)
{
    constexpr long long kMin = std::numeric_limits<long long>::min();
    constexpr long long kMax = std::numeric_limits<long long>::max();
    EXPECT_EQ(Copy("ABCDEF", kMin, 5), "");
    EXPECT_EQ(Copy("ABCDEF", kMin, kMax), "");
    EXPECT_EQ(Copy("ABCDEF", kMin + 1, kMax), "");
    EXPECT_EQ(Copy("ABCDEF", -1, kMax), "ABCDEF");
    EXPECT_EQ(Copy("ABCDEF", 0, 1), "");
    EXPECT_EQ(Copy("ABCDEF", kMax, kMax), "");
    EXPECT_EQ(Copy("ABCDEF", 2, kMax), "BCDEF");
}

TEST(AsciiCase, CyrillicIsLeftAlone)
{
    EXPECT_EQ(AsciiUpper("ok Ок"), "OK Ок");
    EXPECT_TRUE(ContainsIgnoreAsciiCase("+read>12\r\nok", "OK"));
    EXPECT_EQ(Trim("\r\n 12 \r\n"), "12");
}
