#include "link/ContactID.h"

#include "platform/Text.h"

#include <optional>

namespace {

constexpr std::size_t kMessageLength = 16;

// The weight of one message digit: a hexadecimal value, except that "0" is ten, as on the alarm line
// where the digit 0 is sent as the tenth tone.
std::optional<int> DigitWeight(char c)
{
    if (c == '0') return 10;
    if (c >= '1' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

}  // namespace

bool TContactID::IsValidText(std::string_view s)
{
    for (const char c : s) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '+' || c == ',' || c == '/'
                        || c == ':' || c == '>';
        if (!ok) return false;
    }
    return true;
}

std::string TContactID::Account() const { return platform::Copy(text_, 1, 4); }
std::string TContactID::EventCode() const { return platform::Copy(text_, 8, 3); }
std::string TContactID::Group() const { return platform::Copy(text_, 11, 2); }
std::string TContactID::Zone() const { return platform::Copy(text_, 13, 3); }

bool TContactID::ChecksumOk() const
{
    if (text_.size() < kMessageLength) return false;
    int sum = 0;
    for (std::size_t i = 0; i + 1 < kMessageLength; ++i) {
        const auto weight = DigitWeight(text_[i]);
        if (!weight) return false;
        sum += *weight;
    }
    // The check digit brings the sum of all sixteen weights to a multiple of 15, so its own weight is
    // 1..15. The device writes a check of ten as "a", never as "0", so "0" is no valid check character.
    const int expected = 15 - sum % 15;
    const char check = text_[kMessageLength - 1];
    if (check == '0') return false;
    const auto weight = DigitWeight(check);
    return weight && *weight == expected;
}
