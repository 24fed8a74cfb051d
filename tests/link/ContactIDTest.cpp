#include "link/ContactID.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Worked out by hand from the alarm-line rule: the weights of all sixteen digits ("0" weighs ten) add
// up to a multiple of 15. Body 5678 18 3 401 02 00z: 5+6+7+8+1+8+3+4+10+1+10+2+10+10 = 85, plus z.
constexpr std::pair<const char*, char> kSound[] = {
    {"567818340102000", 'A'},  // 95: check weight 10, written "a", never "0"
    {"567818340102009", 'B'},  // 94: 11
    {"567818340102005", 'F'},  // 90: 15, the sum is already a multiple of 15
    {"567818340102004", '1'},  // 89: 1
    {"123418113001003", '7'},  // 1+2+3+4+1+8+1+1+3+10+10+1+10+10+3 = 68: 7
    {"000000000000000", 'F'},  // 150: 15
};

}  // namespace

TEST(ContactIDChecksum, OnlyTheSoundCheckDigitPassesInEitherCase)
{
    for (const auto& [body, check] : kSound) {
        for (const char c : std::string("0123456789ABCDEF"))
            EXPECT_EQ(TContactID(body + std::string(1, c)).ChecksumOk(), c == check) << body << c;
        EXPECT_TRUE(TContactID(body + std::string(1, static_cast<char>(std::tolower(check)))).ChecksumOk()) << body;
    }
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
    EXPECT_TRUE(TContactID::IsValidText(""));
    for (const char* text : {"1234 18", "1234-18", "1234a18", "G", "Т"})
        EXPECT_FALSE(TContactID::IsValidText(text)) << text;
}
