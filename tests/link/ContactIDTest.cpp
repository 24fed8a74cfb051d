#include "link/ContactID.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Worked out by hand from the alarm-line rule: the weights of all sixteen digits ("0" weighs ten) add
// up to a multiple of 15. Body 5678 18 3 401 02 00z: 5+6+7+8+1+8+3+4+10+1+10+2+10+10 = 85, plus z.
struct Vector {
    const char* body;
    char check;
};
constexpr Vector kSound[] = {
    {"567818340102000", 'A'},  // 95: check weight 10
    {"567818340102009", 'B'},  // 94: 11
    {"567818340102008", 'C'},  // 93: 12
    {"567818340102007", 'D'},  // 92: 13
    {"567818340102006", 'E'},  // 91: 14
    {"567818340102005", 'F'},  // 90: 15, the sum is already a multiple of 15
    {"567818340102004", '1'},  // 89: 1
    {"123418113001003", '7'},  // 1+2+3+4+1+8+1+1+3+10+10+1+10+10+3 = 68: 7
    {"000000000000000", 'F'},  // 150: 15
};

}  // namespace

TEST(ContactIDChecksum, AcceptsTheSoundCheckDigitInEitherCase)
{
    for (const auto& v : kSound) {
        const std::string body = v.body;
        EXPECT_TRUE(TContactID(body + v.check).ChecksumOk()) << body << v.check;
        EXPECT_TRUE(TContactID(body + static_cast<char>(std::tolower(v.check))).ChecksumOk()) << body;
    }
}

TEST(ContactIDChecksum, RejectsEveryOtherCheckDigit)
{
    for (const auto& v : kSound) {
        for (const char c : std::string("0123456789ABCDEF")) {
            const bool weighsTheSame = c == v.check;
            EXPECT_EQ(TContactID(std::string(v.body) + c).ChecksumOk(), weighsTheSame) << v.body << c;
        }
    }
}

TEST(ContactIDChecksum, ZeroIsNeverACheckCharacter)
{
    // A check of ten is written "a"; the same body with "0" in its place fails.
    EXPECT_FALSE(TContactID("5678183401020000").ChecksumOk());
    EXPECT_TRUE(TContactID("567818340102000a").ChecksumOk());
    EXPECT_FALSE(TContactID("1111111111111110").ChecksumOk());
}

TEST(ContactIDChecksum, FifteenOnesNeedF)
{
    EXPECT_TRUE(TContactID("111111111111111f").ChecksumOk());
    EXPECT_TRUE(TContactID("111111111111111F").ChecksumOk());
    EXPECT_TRUE(TContactID("1234181130010037 and more").ChecksumOk());  // only sixteen characters count
}

TEST(ContactIDChecksum, ShortOrNonDigitTextFailsWithoutThrowing)
{
    // IsValidText lets "+ , / : >" through, so the history reaches ChecksumOk with them.
    for (const char* text : {"12341811300+003F", "1234,81130010037", "1234/81130010037", "1234:81130010037",
                             "1234>81130010037", "FFFFFFFFFFFFFFF+"}) {
        EXPECT_TRUE(TContactID::IsValidText(text)) << text;
        EXPECT_NO_THROW(EXPECT_FALSE(TContactID(text).ChecksumOk()) << text);
    }
    for (const char* text : {"", "567818340102000", " 234181130010037", "Пр41811300100377"})
        EXPECT_NO_THROW(EXPECT_FALSE(TContactID(text).ChecksumOk()) << text);
}

TEST(ContactIDText, ValidCharacters)
{
    EXPECT_TRUE(TContactID::IsValidText(""));
    EXPECT_TRUE(TContactID::IsValidText("0123456789ABCDEF+,/:>"));
    for (const char* text : {"1234 18", "1234-18", "1234a18", "G", "Т"})
        EXPECT_FALSE(TContactID::IsValidText(text)) << text;
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
    const TContactID id("12341811300");
    EXPECT_EQ(id.EventCode(), "130");
    EXPECT_EQ(id.Group(), "0");
    EXPECT_EQ(id.Zone(), "");
}
