#include "app/InputController.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Filter = void (*)(ui::TObject*, char32_t&);

// The keys of `keys` that the filter lets through, in order.
std::u32string Passed(Filter filter, std::u32string_view keys)
{
    std::u32string passed;
    for (char32_t key : keys) {
        const char32_t typed = key;
        filter(nullptr, key);
        if (key != 0) {
            EXPECT_EQ(key, typed) << "a key that passes is not changed";
            passed.push_back(key);
        }
    }
    return passed;
}

// Every printable ASCII character, some control keys and some Cyrillic letters.
const std::u32string kKeyboard = [] {
    std::u32string keys = U"\r\x1B\x03\x16\x18\t";
    for (char32_t c = 0x20; c < 0x7F; ++c) keys.push_back(c);
    return keys + U"АЯаяЁёЖж№";
}();

}  // namespace

TEST(KeyFilters, EachLetsThroughItsOwnSetOnly)
{
    EXPECT_EQ(Passed(&TInputController::DigitsKeyPress, kKeyboard), U"0123456789");
    EXPECT_EQ(Passed(&TInputController::PhoneKeyPress, kKeyboard), U"+0123456789");
    EXPECT_EQ(Passed(&TInputController::HexKeyPress, kKeyboard), U"0123456789ABCDEFabcdef");
    EXPECT_EQ(Passed(&TInputController::LatinDigitsKeyPress, kKeyboard),
              U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(Passed(&TInputController::DialStringKeyPress, kKeyboard), U"+0123456789Ww");
    EXPECT_EQ(Passed(&TInputController::DigitsWaitKeyPress, kKeyboard), U"0123456789Ww");
    EXPECT_EQ(Passed(&TInputController::DigitsPlusCommaKeyPress, kKeyboard), U"+,0123456789");
    EXPECT_EQ(Passed(&TInputController::DigitsCommaKeyPress, kKeyboard), U",0123456789");
}

TEST(KeyFilters, BackspaceAlwaysPasses)
{
    for (const Filter filter :
         {&TInputController::NoCyrillicKeyPress, &TInputController::DigitsKeyPress, &TInputController::PhoneKeyPress,
          &TInputController::HexKeyPress, &TInputController::LatinDigitsKeyPress,
          &TInputController::DialStringKeyPress, &TInputController::DigitsWaitKeyPress,
          &TInputController::DigitsPlusCommaKeyPress, &TInputController::DigitsCommaKeyPress}) {
        char32_t key = 8;
        filter(nullptr, key);
        EXPECT_EQ(key, char32_t{8});
    }
}

TEST(KeyFilters, NoCyrillicRefusesTheCyrillicLettersOfWindows1251)
{
    // А..я (Windows-1251 C0..FF), Ё (A8) and ё (B8).
    std::u32string cyrillic = U"Ёё";
    for (char32_t c = U'А'; c <= U'я'; ++c) cyrillic.push_back(c);
    EXPECT_EQ(Passed(&TInputController::NoCyrillicKeyPress, cyrillic), U"");
}

TEST(KeyFilters, NoCyrillicLetsEverythingElseThrough)
{
    const std::u32string others = U"\r\x1B\x03 eEaAzZ09+-№«»€ЂђЇїІіЄєҐґЎўЈјЅѕ日";
    EXPECT_EQ(Passed(&TInputController::NoCyrillicKeyPress, others), others);
    std::u32string ascii;
    for (char32_t c = 1; c < 0x80; ++c) ascii.push_back(c);
    EXPECT_EQ(Passed(&TInputController::NoCyrillicKeyPress, ascii), ascii);
}

TEST(KeyFilters, LatinELooksLikeCyrillicEButOnlyOnePasses)
{
    char32_t latin = U'e';
    char32_t cyrillic = U'е';
    TInputController::NoCyrillicKeyPress(nullptr, latin);
    TInputController::NoCyrillicKeyPress(nullptr, cyrillic);
    EXPECT_EQ(latin, U'e');
    EXPECT_EQ(cyrillic, char32_t{0});
}
