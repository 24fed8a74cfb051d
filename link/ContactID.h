#pragma once
// A history record's Contact ID message: 16 characters (account 4, message type 2, qualifier 1,
// event code 3, group 2, zone or user 3, check digit 1), counted from 1.
#include <string>
#include <string_view>

class TContactID {
public:
    TContactID() = default;
    // Holds the text unchanged; nothing is tested here, callers test IsValidText first.
    explicit TContactID(std::string text) : text_(std::move(text)) {}
    static TContactID Create(std::string text) { return TContactID(std::move(text)); }

    // Every character one of "+ , / 0-9 : > A-F" (capitals only); an empty text is valid.
    static bool IsValidText(std::string_view s);

    const std::string& GetText() const { return text_; }
    std::string AsString() const { return text_; }

    // The fields as text; shorter (or empty) when the held text is shorter.
    std::string Account() const;
    std::string EventCode() const;
    std::string Group() const;
    std::string Zone() const;

    // True when characters 1-16 carry a sound check digit. Never throws: a short text or a character
    // that is not a hexadecimal digit simply fails the test.
    bool ChecksumOk() const;

private:
    std::string text_;
};
