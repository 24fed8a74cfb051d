#pragma once
// Keystroke filters that the pages hang on their edits' OnKeyPress. A refused key is set to 0, which
// the edit ignores; Backspace always passes.
#include "ui/Object.h"

class TInputController {
public:
    TInputController() = delete;

    // Everything except the Cyrillic letters of Windows-1251 (Ё, ё and А..я).
    static void NoCyrillicKeyPress(ui::TObject* Sender, char32_t& Key);
    static void DigitsKeyPress(ui::TObject* Sender, char32_t& Key);           // 0-9
    static void PhoneKeyPress(ui::TObject* Sender, char32_t& Key);            // 0-9 +
    static void HexKeyPress(ui::TObject* Sender, char32_t& Key);              // 0-9 A-F a-f
    static void LatinDigitsKeyPress(ui::TObject* Sender, char32_t& Key);      // 0-9 A-Z a-z
    static void DialStringKeyPress(ui::TObject* Sender, char32_t& Key);       // 0-9 + W w
    static void DigitsWaitKeyPress(ui::TObject* Sender, char32_t& Key);       // 0-9 W w
    static void DigitsPlusCommaKeyPress(ui::TObject* Sender, char32_t& Key);  // 0-9 + ,
    static void DigitsCommaKeyPress(ui::TObject* Sender, char32_t& Key);      // 0-9 ,
};
