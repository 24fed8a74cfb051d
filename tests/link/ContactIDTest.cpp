#include "link/ContactID.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Vectors worked out by hand from the alarm-line rule: the weights of all sixteen digits ("0" weighs
// ten) add up to a multiple of 15. Body 5678 18 3 401 02 00z: 5+6+7+8+1+8+3+4+10+1+10+2+10+10 = 85,
// plus the zone's last digit z (weight 10 for "0").
struct Vector {
    const char* body;
    const char* check;
};
constexpr Vector kSound[] = {
    {"567818340102000", "A"},  // 95: check weight 10
    {"567818340102009", "B"},  // 94: 11
    {"567818340102008", "C"},  // 93: 12
    {"567818340102007", "D"},  // 92: 13
    {"567818340102006", "E"},  // 91: 14
    {"567818340102005", "F"},  // 90: 15, the sum is already a multiple of 15
    {"567818340102004", "1"},  // 89: 1
    {"123418113001003", "7"},  // 1+2+3+4+1+8+1+1+3+10+10+1+10+10+3 = 68: 7
    {"000000000000000", "F"},  // 150: 15
};

}  // namespace

TEST(ContactIDChecksum, AcceptsEverySoundCheckDigit)
{
    for (const auto& v : kSound) {
        EXPECT_TRUE(TContactID(std::string(v.body) + v.check).ChecksumOk()) << v.body << v.check;
    }
}

TEST(ContactIDChecksum, CheckDigitsAreCaseBlind)
{
    for (const auto& v : kSound) {
        std::string lower = v.check;
        lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
        EXPECT_TRUE(TContactID(std::string(v.body) + lower).ChecksumOk()) << v.body << lower;
    }
}

TEST(ContactIDChecksum, RejectsEveryOtherCheckDigit)
{
    const std::string digits = "0123456789ABCDEF";
    for (const auto& v : kSound) {
        for (const char c : digits) {
            const std::string text = std::string(v.body) + c;
            const bool weighsTen = std::string(v.check) == "A" && c == '0';
            if (c == v.check[0] || weighsTen) continue;
            EXPECT_FALSE(TContactID(text).ChecksumOk()) << text;
        }
    }
}

TEST(ContactIDChecksum, ZeroStandsForAWeightOfTenAsOnTheAlarmLine)
{
    EXPECT_TRUE(TContactID("5678183401020000").ChecksumOk());
    EXPECT_FALSE(TContactID("5678183401020050").ChecksumOk());  // body needs 15, not 10
}

TEST(ContactIDChecksum, FifteenOnesNeedF)
{
    EXPECT_TRUE(TContactID("111111111111111f").ChecksumOk());
    EXPECT_TRUE(TContactID("111111111111111F").ChecksumOk());
    EXPECT_FALSE(TContactID("1111111111111110").ChecksumOk());
}

TEST(ContactIDChecksum, ShortTextFails)
{
    EXPECT_FALSE(TContactID("").ChecksumOk());
    EXPECT_FALSE(TContactID("567818340102000").ChecksumOk());
}

TEST(ContactIDChecksum, CharactersThatAreNotDigitsFailWithoutThrowing)
{
    // IsValidText lets these through, so the history reaches ChecksumOk with them.
    for (const char* text : {"12341811300+003F", "1234,81130010037", "1234/81130010037", "1234:81130010037",
                             "1234>81130010037", "FFFFFFFFFFFFFFF+"}) {
        EXPECT_TRUE(TContactID::IsValidText(text)) << text;
        EXPECT_NO_THROW(EXPECT_FALSE(TContactID(text).ChecksumOk()) << text);
    }
    for (const char* text : {" 234181130010037", "Пр41811300100377", "1234181130010" "37"}) {
        EXPECT_NO_THROW(EXPECT_FALSE(TContactID(text).ChecksumOk()) << text);
    }
}

TEST(ContactIDChecksum, OnlyTheFirstSixteenCharactersCount)
{
    EXPECT_TRUE(TContactID("1234181130010037trailing").ChecksumOk());
}

TEST(ContactIDText, ValidCharacters)
{
    EXPECT_TRUE(TContactID::IsValidText(""));
    EXPECT_TRUE(TContactID::IsValidText("0123456789ABCDEF+,/:>"));
    EXPECT_FALSE(TContactID::IsValidText("1234 18"));
    EXPECT_FALSE(TContactID::IsValidText("1234-18"));
    EXPECT_FALSE(TContactID::IsValidText("1234a18"));
    EXPECT_FALSE(TContactID::IsValidText("G"));
    EXPECT_FALSE(TContactID::IsValidText("Т"));
}

TEST(ContactIDFields, CutFromTheirPositions)
{
    const TContactID id = TContactID::Create("1234181130010037");
    EXPECT_EQ(id.Account(), "1234");
    EXPECT_EQ(id.EventCode(), "130");
    EXPECT_EQ(id.Group(), "01");
    EXPECT_EQ(id.Zone(), "003");
    EXPECT_EQ(id.GetText(), "1234181130010037");
    EXPECT_EQ(id.AsString(), "1234181130010037");
}

TEST(ContactIDFields, ShortTextGivesShortFields)
{
    const TContactID id("123418113001");
    EXPECT_EQ(id.Account(), "1234");
    EXPECT_EQ(id.EventCode(), "130");
    EXPECT_EQ(id.Group(), "01");
    EXPECT_EQ(id.Zone(), "");
    EXPECT_EQ(TContactID("12").Account(), "12");
    EXPECT_EQ(TContactID("12").EventCode(), "");
}

TEST(ContactIDFields, IsAValueType)
{
    TContactID a("1234181130010037");
    const TContactID b = a;
    a = TContactID("FFFFFFFFFFFFFFFF");
    EXPECT_EQ(b.AsString(), "1234181130010037");
}
