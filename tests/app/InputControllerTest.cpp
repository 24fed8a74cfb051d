#include "app/InputController.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Filter = void (*)(ui::TObject*, char32_t&);

// The keys of `keys` that the filter lets through, in order; a key that passes is not changed.
std::u32string Passed(Filter filter, std::u32string_view keys)
{
    std::u32string passed;
    for (char32_t key : keys) {
        const char32_t typed = key;
        filter(nullptr, key);
        EXPECT_TRUE(key == 0 || key == typed);
        if (key != 0) passed.push_back(key);
    }
    return passed;
}

// Backspace, every printable ASCII character, some control keys, Cyrillic letters and their neighbours in
// Windows-1251, and a letter it lacks. The Latin "e" and the Cyrillic "е" look alike: only one passes.
const std::u32string kKeyboard = [] {
    std::u32string keys = U"\b\r\x1B\x03\x16\x18\t";
    for (char32_t c = 0x20; c < 0x7F; ++c) keys.push_back(c);
    return keys + U"ЁёАЯаяЖжеЂђЇїІіЄєҐґЎўЈјЅѕ№«»€日";
}();

struct FilterCase {
    Filter filter;
    std::u32string passes;
};

TEST(KeyFilters, EachLetsThroughBackspaceAndItsOwnSetOnly)
{
    std::u32string notCyrillic;
    for (char32_t key : kKeyboard)
        if (std::u32string_view(U"ЁёАЯаяЖже").find(key) == std::u32string_view::npos) notCyrillic.push_back(key);
    const FilterCase cases[] = {
        {&TInputController::DigitsKeyPress, U"\b0123456789"},
        {&TInputController::PhoneKeyPress, U"\b+0123456789"},
        {&TInputController::HexKeyPress, U"\b0123456789ABCDEFabcdef"},
        {&TInputController::LatinDigitsKeyPress, U"\b0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"},
        {&TInputController::DialStringKeyPress, U"\b+0123456789Ww"},
        {&TInputController::DigitsWaitKeyPress, U"\b0123456789Ww"},
        {&TInputController::DigitsPlusCommaKeyPress, U"\b+,0123456789"},
        {&TInputController::DigitsCommaKeyPress, U"\b,0123456789"},
        {&TInputController::NoCyrillicKeyPress, notCyrillic}};
    for (const FilterCase& c : cases) EXPECT_EQ(Passed(c.filter, kKeyboard), c.passes) << &c - cases;
    std::u32string cyrillic;
    for (char32_t c = U'А'; c <= U'я'; ++c) cyrillic.push_back(c);
    EXPECT_EQ(Passed(&TInputController::NoCyrillicKeyPress, cyrillic), U"");
}

}  // namespace
