#include "sim/HistoryRing.h"

#include <array>
#include <cstdio>
#include <random>

#include "platform/CalendarTime.h"

namespace sim {

namespace {

constexpr int kFillerBefore = 31;  // positions 17-47
constexpr int kFillerAfter = 12;   // positions 78-89

struct EventKind {
    char qualifier;
    const char* code;
    const char* group;
    const char* zone;
};

// A mix of what a panel and the communicator itself report in a working week.
constexpr std::array<EventKind, 12> kEventKinds{{
    {'1', "130", "01", "001"},  // burglary
    {'3', "130", "01", "001"},
    {'1', "401", "01", "003"},  // opened by user
    {'3', "401", "01", "003"},  // closed by user
    {'1', "301", "99", "000"},  // mains lost
    {'3', "301", "99", "000"},
    {'1', "302", "99", "000"},  // low battery
    {'1', "602", "99", "000"},  // periodic test
    {'1', "110", "02", "005"},  // fire
    {'1', "570", "01", "004"},  // bypass
    {'1', "305", "99", "000"},  // restart
    {'1', "139", "99", "000"},  // tamper
}};

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool HexPair(std::string_view text, std::size_t at, int& value)
{
    if (at + 2 > text.size()) return false;
    const int hi = HexValue(text[at]);
    const int lo = HexValue(text[at + 1]);
    if (hi < 0 || lo < 0) return false;
    value = hi * 16 + lo;
    return true;
}

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string QuotedDate(std::time_t time)
{
    const std::tm t = platform::UtcTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "\"%02d/%02d/%02d,%02d:%02d:%02d+00\"", t.tm_year % 100, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

// The sum of the record check over everything but the final check pair; nothing when a pair is not
// hexadecimal or the record is short.
bool PartialSum(int number, std::string_view record, unsigned& sum)
{
    if (record.size() < HistoryRing::RecordLength) return false;
    sum = static_cast<unsigned>((number >> 8) & 0xFF) + static_cast<unsigned>(number & 0xFF);
    for (std::size_t i = 0; i < 16; ++i) sum += static_cast<unsigned char>(record[i]);
    sum += 255u * kFillerBefore;
    for (std::size_t i = 47; i < 69; ++i) sum += static_cast<unsigned char>(record[i]);
    for (std::size_t at = 69; at < 77; at += 2) {
        int v = 0;
        if (!HexPair(record, at, v)) return false;
        sum += static_cast<unsigned>(v);
    }
    sum += 255u * kFillerAfter;
    for (std::size_t at = 89; at < 93; at += 2) {
        int v = 0;
        if (!HexPair(record, at, v)) return false;
        sum += static_cast<unsigned>(v);
    }
    return true;
}

}  // namespace

HistoryRing::HistoryRing() : records_(Size, EmptyRecord()) {}

char HistoryRing::ContactIdCheck(std::string_view first15)
{
    int sum = 0;
    for (const char c : first15.substr(0, 15)) {
        const int v = HexValue(c);
        sum += v == 0 ? 10 : (v < 0 ? 0 : v);
    }
    const int expected = 15 - sum % 15;
    return expected >= 10 ? static_cast<char>('A' + expected - 10) : static_cast<char>('0' + expected);
}

std::string HistoryRing::EmptyRecord() { return std::string(RecordLength, 'F'); }

std::string HistoryRing::MakeRecord(int number, const HistoryEvent& e)
{
    std::string cid = e.account + "18" + e.qualifier + e.code + e.group + e.zone;
    cid += ContactIdCheck(cid);
    std::string record = cid + std::string(kFillerBefore, 'F') + QuotedDate(e.time) + Hex(e.global, 8) +
                         std::string(kFillerAfter, 'F') + e.delivery + Hex(e.channels, 2) + "00";
    unsigned sum = 0;
    PartialSum(number, record, sum);
    record.replace(93, 2, Hex((256 - sum % 256) % 256, 2));
    return record;
}

bool HistoryRing::RecordCheckOk(int number, std::string_view record)
{
    unsigned sum = 0;
    int check = 0;
    if (!PartialSum(number, record, sum) || !HexPair(record, 93, check)) return false;
    return (sum + static_cast<unsigned>(check)) % 256 == 0;
}

void HistoryRing::Append(const HistoryEvent& event)
{
    HistoryEvent e = event;
    e.global = nextGlobal_++;
    records_[static_cast<std::size_t>(pointer_)] = MakeRecord(pointer_, e);
    pointer_ = (pointer_ + 1) % Size;
}

void HistoryRing::Fill(int count, std::uint32_t seed, std::time_t newest, const std::string& account)
{
    std::mt19937 random(seed);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::time_t> times(static_cast<std::size_t>(std::max(count, 0)));
    std::time_t t = newest;
    for (auto it = times.rbegin(); it != times.rend(); ++it) {
        *it = t;
        t -= 60 + pick(3600);
    }
    static constexpr std::array<std::uint8_t, 4> kChannelBits{0xFE, 0xFD, 0xFC, 0xF6};
    for (const std::time_t when : times) {
        const EventKind& kind = kEventKinds[static_cast<std::size_t>(pick(kEventKinds.size()))];
        HistoryEvent e;
        e.account = account;
        e.qualifier = kind.qualifier;
        e.code = kind.code;
        e.group = kind.group;
        e.zone = kind.zone;
        e.time = when;
        const int way = pick(10);
        e.delivery = way < 7 ? "00" : way == 7 ? "01" : way == 8 ? "02" : "03";
        e.channels = e.delivery == "00" ? kChannelBits[static_cast<std::size_t>(pick(4))] : 0xFF;
        Append(e);
    }
}

void HistoryRing::Erase()
{
    records_.assign(Size, EmptyRecord());
    pointer_ = 0;
}

std::string HistoryRing::Record(int number) const
{
    if (number < 0 || number >= Size) return {};
    return records_[static_cast<std::size_t>(number)];
}

}  // namespace sim
