#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace platform {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Decodes one UTF-8 sequence at text[i]; advances i. Returns nullopt for an invalid sequence (i moves by 1).
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) { ++i; return b0; }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; }
    else { ++i; return std::nullopt; }
    if (i + len > text.size()) { ++i; return std::nullopt; }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return std::nullopt; }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return std::nullopt; }
    i += len;
    return cp;
}

// Byte offset of character number `chars` (0-based), clamped to the end.
std::size_t ByteOffsetOfChar(std::string_view text, std::size_t chars)
{
    std::size_t i = 0;
    while (chars > 0 && i < text.size()) {
        NextCodePoint(text, i);
        --chars;
    }
    return i;
}

}  // namespace

char32_t Cp1251ToUnicode(unsigned char byte)
{
    return byte < 0x80 ? char32_t{byte} : char32_t{kHigh[byte - 0x80]};
}

std::optional<unsigned char> UnicodeToCp1251(char32_t cp)
{
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    for (std::size_t k = 0; k < kHigh.size(); ++k)
        if (kHigh[k] == cp) return static_cast<unsigned char>(0x80 + k);
    return std::nullopt;
}

std::string Cp1251ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto cp = NextCodePoint(utf8, i);
        if (!cp) return std::nullopt;
        const auto b = UnicodeToCp1251(*cp);
        if (!b) return std::nullopt;
        out.push_back(static_cast<char>(*b));
    }
    return out;
}

std::string Utf8ToCp1251Lossy(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto cp = NextCodePoint(utf8, i);
        const auto b = cp ? UnicodeToCp1251(*cp) : std::nullopt;
        out.push_back(b ? static_cast<char>(*b) : '?');
    }
    return out;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
        if (!NextCodePoint(text, i)) return false;
    return true;
}

std::u32string DecodeUtf8(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) out.push_back(NextCodePoint(utf8, i).value_or(U'\uFFFD'));
    return out;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char32_t cp : text) AppendUtf8(out, cp);
    return out;
}

std::size_t Utf8Length(std::string_view utf8)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++n) NextCodePoint(utf8, i);
    return n;
}

std::string Copy(std::string_view utf8, long long index, long long count)
{
    if (count <= 0) return {};
    if (index < 1) {
        // The positions before the first character use up part of count; tested before the sum is
        // taken, so that no index (the least long long included) can overflow it.
        if (index <= 1 - count) return {};
        count += index - 1;
        index = 1;
    }
    const std::size_t begin = ByteOffsetOfChar(utf8, static_cast<std::size_t>(index - 1));
    const std::string_view rest = utf8.substr(begin);
    const std::size_t end = ByteOffsetOfChar(rest, static_cast<std::size_t>(count));
    return std::string(rest.substr(0, end));
}

std::size_t Pos(std::string_view sub, std::string_view text)
{
    if (sub.empty()) return 0;
    const auto at = text.find(sub);
    return at == std::string_view::npos ? 0 : Utf8Length(text.substr(0, at)) + 1;
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool ContainsIgnoreAsciiCase(std::string_view text, std::string_view sub)
{
    return AsciiUpper(text).find(AsciiUpper(sub)) != std::string::npos;
}

std::string Trim(std::string_view text)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

FileEncoding FileEncodingOf(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8Mark)) return IsValidUtf8(bytes.substr(kUtf8Mark.size())) ? FileEncoding::Utf8WithMark
                                                                                    : FileEncoding::Windows1251;
    if (!IsValidUtf8(bytes)) return FileEncoding::Windows1251;
    const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return beyondAscii ? FileEncoding::Utf8 : FileEncoding::Ascii;
}

std::string DecodeFileText(std::string_view bytes)
{
    const FileEncoding encoding = FileEncodingOf(bytes);
    if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
    return encoding == FileEncoding::Windows1251 ? Cp1251ToUtf8(bytes) : std::string(bytes);
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        lines.push_back(text.substr(0, end));
        const bool crLf = text.substr(end).starts_with("\r\n");
        text.remove_prefix(std::min(end + (crLf ? 2 : 1), text.size()));
    }
    return lines;
}

std::optional<int> ParseInteger(std::string_view text, bool dollarHex)
{
    const std::string trimmed = Trim(text);
    std::string_view s = trimmed;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (dollarHex && !s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : std::uint64_t{std::numeric_limits<int>::max()} + negative;
    std::uint64_t value = 0;
    for (const char c : s) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    const auto low = static_cast<std::uint32_t>(value);
    return static_cast<int>(negative ? 0u - low : low);
}

}  // namespace platform
