#include "link/ValueForm.h"

#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

enum class Kind { Hex, Decimal, Text, Literal };

struct Run {
    Kind kind;
    char32_t literal;
    std::size_t min;
    std::size_t max;
};

constexpr std::size_t kOpen = std::numeric_limits<std::size_t>::max();

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFD;
}

bool Matches(const Run& run, char32_t c)
{
    switch (run.kind) {
    case Kind::Hex: return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    case Kind::Decimal: return c >= '0' && c <= '9';
    case Kind::Text: return !IsControl(c);
    case Kind::Literal: return c == run.literal;
    }
    return false;
}

std::optional<std::size_t> Number(std::string_view text)
{
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "{n}", "{n,m}" or "{n,}" at the start of `text` (which is advanced past it) into the run's bounds.
bool ParseCount(std::string_view& text, Run& run)
{
    const std::size_t close = text.find('}');
    if (close == std::string_view::npos) return false;
    const std::string_view inside = text.substr(1, close - 1);
    text.remove_prefix(close + 1);
    const std::size_t comma = inside.find(',');
    const auto min = Number(inside.substr(0, comma));
    if (!min) return false;
    run.min = *min;
    if (comma == std::string_view::npos) {
        run.max = *min;
        return true;
    }
    const std::string_view rest = inside.substr(comma + 1);
    const auto max = rest.empty() ? std::optional<std::size_t>(kOpen) : Number(rest);
    if (!max || *max < *min) return false;
    run.max = *max;
    return true;
}

std::optional<std::vector<Run>> Parse(std::string_view form)
{
    std::vector<Run> runs;
    std::string_view rest = form;
    while (!rest.empty()) {
        const char c = rest.front();
        Run run{Kind::Literal, static_cast<unsigned char>(c), 1, 1};
        if (c == 'H' || c == 'D' || c == 'T') {
            run.kind = c == 'H' ? Kind::Hex : c == 'D' ? Kind::Decimal : Kind::Text;
            rest.remove_prefix(1);
            if (!rest.empty() && rest.front() == '{' && !ParseCount(rest, run)) return std::nullopt;
        } else if (c == '{' || c == '}' || static_cast<unsigned char>(c) >= 0x80) {
            return std::nullopt;  // a count without a run, or a literal the table never needs
        } else {
            rest.remove_prefix(1);
        }
        runs.push_back(run);
    }
    return runs;
}

// Whether chars[at..] fits runs[run..]: each run takes as many characters as it can, giving back one at a
// time when the rest does not fit. The table's patterns are short and have at most one open run.
bool Fits(const std::vector<Run>& runs, std::size_t run, const std::u32string& chars, std::size_t at)
{
    if (run == runs.size()) return at == chars.size();
    const Run& r = runs[run];
    std::size_t taken = 0;
    while (taken < r.max && at + taken < chars.size() && Matches(r, chars[at + taken])) ++taken;
    if (taken < r.min) return false;
    for (std::size_t n = taken + 1; n-- > r.min;)
        if (Fits(runs, run + 1, chars, at + n)) return true;
    return false;
}

}  // namespace

bool IsValueForm(std::string_view Form)
{
    return Parse(Form).has_value();
}

bool FitsValueForm(std::string_view Value, std::string_view Form)
{
    const auto runs = Parse(Form);
    return runs && Fits(*runs, 0, platform::DecodeUtf8(Value), 0);
}
