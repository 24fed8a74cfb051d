#include "app/InputController.h"

#include "platform/Text.h"

#include <string_view>

namespace {

constexpr char32_t kBackspace = 8;
constexpr char32_t kRefused = 0;

constexpr std::u32string_view kDigits = U"0123456789";
constexpr std::u32string_view kPhone = U"0123456789+";
constexpr std::u32string_view kHex = U"0123456789ABCDEF";
constexpr std::u32string_view kLatinDigits = U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u32string_view kDialString = U"0123456789+W";
constexpr std::u32string_view kDigitsWait = U"0123456789W";
constexpr std::u32string_view kDigitsPlusComma = U"0123456789+,";
constexpr std::u32string_view kDigitsComma = U"0123456789,";

char32_t UpperLatin(char32_t key) { return key >= U'a' && key <= U'z' ? key - (U'a' - U'A') : key; }

// Lets through Backspace and the keys of the set (compared with Latin letters upper-cased).
void KeepOnly(std::u32string_view allowed, char32_t& key)
{
    if (key == kBackspace) return;
    if (allowed.find(UpperLatin(key)) == std::u32string_view::npos) key = kRefused;
}

}  // namespace

void TInputController::NoCyrillicKeyPress(ui::TObject*, char32_t& Key)
{
    constexpr unsigned char kCapitalYo = 0xA8;
    constexpr unsigned char kSmallYo = 0xB8;
    constexpr unsigned char kFirstLetter = 0xC0;  // А; the letters run to я at 0xFF
    const auto code = platform::UnicodeToCp1251(Key);
    if (code && (*code == kCapitalYo || *code == kSmallYo || *code >= kFirstLetter)) Key = kRefused;
}

void TInputController::DigitsKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kDigits, Key); }
void TInputController::PhoneKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kPhone, Key); }
void TInputController::HexKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kHex, Key); }
void TInputController::LatinDigitsKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kLatinDigits, Key); }
void TInputController::DialStringKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kDialString, Key); }
void TInputController::DigitsWaitKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kDigitsWait, Key); }
void TInputController::DigitsPlusCommaKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kDigitsPlusComma, Key); }
void TInputController::DigitsCommaKeyPress(ui::TObject*, char32_t& Key) { KeepOnly(kDigitsComma, Key); }
