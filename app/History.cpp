#include "app/History.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "app/MsgFileU.h"
#include "app/fCommon.h"
#include "link/ContactID.h"
#include "platform/Text.h"

using platform::Copy;

const std::array<std::string_view, HistoryColumnCount> HistoryColumnTitles{
    "№", "Время", "Объект", "Код", "Т\\В", "Событие", "Раздел", "Шлейф", "Посылка", "КС CID",
    "Передано по одному номеру", "Передано по всем номерам", "Передано по факту", "Телефоны", "Глоб №",
    "КС записи"};

namespace {

constexpr std::string_view kYes = "Да";
constexpr std::string_view kNo = "Нет";
constexpr std::string_view kError = "Ошибка";
constexpr std::string_view kBadFormat = "неправильный формат";
constexpr std::string_view kOr = "или";

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<int> HexPair(std::string_view bytes, std::size_t at)
{
    if (at + 2 > bytes.size()) return std::nullopt;
    const int hi = HexDigit(bytes[at]);
    const int lo = HexDigit(bytes[at + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    return hi * 16 + lo;
}

bool IsDateCharacter(char c) { return (c >= '0' && c <= '9') || c == '/' || c == ':' || c == ','; }

bool KeepsGroup99(const std::string& code, std::string_view kind)
{
    static constexpr std::string_view kSystemCodes[] = {"550", "305", "301", "302", "139"};
    return std::find(std::begin(kSystemCodes), std::end(kSystemCodes), code) != std::end(kSystemCodes) ||
           (code == "602" && kind == HistoryAlarm);
}

std::string GroupCell(const TContactID& cid, std::string_view kind, bool altSections)
{
    const std::string group = cid.Group();
    if (group == "99" && KeepsGroup99(cid.EventCode(), kind)) return group;
    if (group.empty() || !altSections) return group;
    const auto value = HexPair(group, 0);
    if (!value || group.size() != 2) return group;
    return std::to_string(*value);
}

std::string_view KindOf(std::string_view message)
{
    const std::string qualifier = Copy(message, 7, 1);
    if (qualifier == "1") return HistoryAlarm;
    if (qualifier == "3") return HistoryRestore;
    return {};
}

std::string CheckText(std::optional<bool> ok) { return ok ? std::string(*ok ? kYes : kNo) : std::string(); }

// The characters of a record as the device sent them (its code page), so that the check sums bytes.
std::string DeviceBytes(std::string_view record) { return platform::Utf8ToCp1251Lossy(record); }

}  // namespace

// ---------------------------------------------------------------- the ring

bool IsHistoryRecordNumber(long long Number) { return Number >= 0 && Number <= HistoryLastRecord; }

int HistoryAdvance(int Number, int By)
{
    const int r = (Number + By) % HistoryRingSize;
    return r < 0 ? r + HistoryRingSize : r;
}

int HistoryDistance(int From, int To) { return HistoryAdvance(To, -From); }

int HistoryPageBefore(int To) { return HistoryAdvance(To, -HistoryPageSize); }

std::string HistoryNumberHex(int Number)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(Number) & 0xFFFFu);
    return text;
}

std::optional<int> ParseHistoryNumber(std::string_view Text)
{
    std::string t = platform::Trim(Text);
    if (!t.empty() && t.front() == '$') t.erase(0, 1);
    if (t.empty() || t.size() > 8) return std::nullopt;
    long long value = 0;
    for (const char c : t) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + d;
    }
    if (!IsHistoryRecordNumber(value)) return std::nullopt;
    return static_cast<int>(value);
}

// ---------------------------------------------------------------- one record

std::string HistoryMessage(std::string_view Record) { return Copy(Record, 1, 16); }
int HistoryRecordFillers(std::string_view Record)
{
    return std::max(0, static_cast<int>(platform::Utf8Length(Record)) - HistoryShortestRecord);
}

namespace {

// Where the delivery code, the channel bits and the check byte begin: after the fillers.
long long TailPosition(std::string_view Record) { return 78 + HistoryRecordFillers(Record); }

}  // namespace

std::string HistoryDeliveryCode(std::string_view Record) { return Copy(Record, TailPosition(Record), 2); }
std::string HistoryGlobalNumber(std::string_view Record) { return Copy(Record, 70, 8); }

bool IsEmptyHistorySlot(std::string_view Message)
{
    return Message.size() == 16 && std::all_of(Message.begin(), Message.end(), [](char c) { return c == 'F'; });
}

bool IsValidHistoryMessage(std::string_view Message)
{
    return platform::Utf8Length(Message) == 16 && TContactID::IsValidText(Message);
}

std::string HistoryDateText(std::string_view Record)
{
    const std::size_t open = Record.find('"');
    const std::size_t close = open == std::string_view::npos ? open : Record.find('"', open + 1);
    if (close == std::string_view::npos) return " ";
    const std::string inner(Record.substr(open + 1, close - open - 1));
    const long long length = static_cast<long long>(platform::Utf8Length(inner));
    std::string date = Copy(inner, 1, length - 3);
    DeviceDateToText(date);
    return date;
}

std::string HistoryDateCell(std::string_view Record)
{
    const std::string date = HistoryDateText(Record);
    return std::all_of(date.begin(), date.end(), IsDateCharacter) ? date : std::string(kBadFormat);
}

std::optional<bool> HistoryRecordCheck(int Number, std::string_view Record, std::optional<int> Fillers)
{
    const int fillers = Fillers.value_or(HistoryRecordFillers(Record));
    const std::string bytes = DeviceBytes(Record);
    unsigned sum = static_cast<unsigned>((Number >> 8) & 0xFF) + static_cast<unsigned>(Number & 0xFF);
    const auto codes = [&](std::size_t from, std::size_t count) {
        for (std::size_t i = from; i < from + count && i < bytes.size(); ++i) sum += static_cast<unsigned char>(bytes[i]);
    };
    const auto pairs = [&](std::size_t from, int count) {
        for (int k = 0; k < count; ++k) {
            const auto v = HexPair(bytes, from + 2 * static_cast<std::size_t>(k));
            if (!v) return false;
            sum += static_cast<unsigned>(*v);
        }
        return true;
    };
    codes(0, 16);
    sum += 255u * 31u;
    codes(47, 22);
    if (!pairs(69, 4)) return std::nullopt;
    sum += 255u * static_cast<unsigned>(fillers);
    if (!pairs(77 + static_cast<std::size_t>(fillers), 3)) return std::nullopt;
    return sum % 256 == 0;
}

// ---------------------------------------------------------------- channel marks

std::string DecodeSentChannels(std::string_view Record)
{
    const std::string pair = platform::Trim(Copy(Record, TailPosition(Record) + 2, 2));
    const auto value = HexPair(pair, 0);
    if (!value) return {};
    std::string channels;
    for (int channel = 8; channel >= 1; --channel)
        if ((*value & (1 << (channel - 1))) == 0) channels += std::to_string(channel) + " ";
    return platform::Trim(channels);
}

std::string FormatChannelList(std::string_view Channels, const TChannelLinks& Links)
{
    std::string marks;
    for (int i = 0; i < 8; ++i) {
        if (!Links.InUse[static_cast<std::size_t>(i)]) continue;
        const char digit = static_cast<char>('1' + i);
        marks += digit;
        if (Channels.find(digit) != std::string_view::npos) marks += 'i';
        if (i < 7 && Links.OrLink[static_cast<std::size_t>(i)] && Links.InUse[static_cast<std::size_t>(i + 1)])
            marks += kOr;
    }
    return marks;
}

std::string SpreadGroupMarks(std::string_view Marks)
{
    // Groups of channel digits: a new group starts at every digit not preceded by "или".
    struct Member {
        char digit;
        bool marked;
    };
    std::vector<std::vector<Member>> groups;
    bool joined = false;
    for (std::size_t i = 0; i < Marks.size();) {
        if (Marks.substr(i).starts_with(kOr)) {
            joined = true;
            i += kOr.size();
            continue;
        }
        const char c = Marks[i++];
        if (c < '1' || c > '8') continue;
        const bool marked = i < Marks.size() && Marks[i] == 'i';
        if (marked) ++i;
        if (!joined || groups.empty()) groups.emplace_back();
        groups.back().push_back({c, marked});
        joined = false;
    }
    std::string spread;
    for (const auto& group : groups) {
        const bool marked = std::any_of(group.begin(), group.end(), [](const Member& m) { return m.marked; });
        for (const Member& m : group) {
            spread += m.digit;
            if (marked) spread += 'i';
        }
    }
    return spread;
}

bool AllChannelsMarked(std::string_view Spread)
{
    const auto marks = std::count(Spread.begin(), Spread.end(), 'i');
    const auto others = static_cast<std::ptrdiff_t>(Spread.size()) - marks;
    return marks > 0 && marks == others;
}

THistoryMarks HistoryChannelMarks(std::string_view Record, const TChannelLinks& Links)
{
    if (HistoryDeliveryCode(Record) != "00") return {};
    const std::string list = FormatChannelList(DecodeSentChannels(Record), Links);
    std::string own;
    for (std::size_t i = 0; i < list.size();) {
        if (std::string_view(list).substr(i).starts_with(kOr)) {
            i += kOr.size();
            continue;
        }
        own += list[i++];
    }
    return {SpreadGroupMarks(list), own};
}

// ---------------------------------------------------------------- the grid row

THistoryRow DecodeHistoryRow(int Number, std::string_view Record, std::string_view Spread, bool AltSections,
                             std::optional<int> Fillers)
{
    THistoryRow row;
    row[hcNumber] = std::to_string(Number);
    const std::string message = HistoryMessage(Record);
    if (IsEmptyHistorySlot(message)) return row;
    if (!IsValidHistoryMessage(message)) {
        for (const int c : {hcAccount, hcCode, hcGroup, hcZone}) row[static_cast<std::size_t>(c)] = kError;
        return row;
    }
    const TContactID cid(message);
    const std::string_view kind = KindOf(message);
    row[hcTime] = HistoryDateCell(Record);
    row[hcAccount] = cid.Account();
    row[hcCode] = cid.EventCode();
    row[hcKind] = kind;
    row[hcGroup] = GroupCell(cid, kind, AltSections);
    row[hcZone] = cid.Zone();
    row[hcMessage] = message;
    row[hcCidCheck] = cid.ChecksumOk() ? kYes : kNo;
    const std::string delivery = HistoryDeliveryCode(Record);
    if (delivery == "00") {
        row[hcSentOne] = kYes;
        row[hcSentAll] = AllChannelsMarked(Spread) ? kYes : kNo;
    } else if (delivery == "01") {
        row[hcSentOne] = kNo;
        row[hcSentAll] = kNo;
    } else if (delivery == "02" || delivery == "03") {
        row[hcSentOne] = kYes;
        row[hcSentAll] = kYes;
        row[hcSentFact] = row[hcPhones] = delivery == "02" ? "GPRS" : "LAN";
    }
    row[hcGlobal] = HistoryGlobalNumber(Record);
    row[hcRecordCheck] = CheckText(HistoryRecordCheck(Number, Record, Fillers));
    return row;
}

THistoryRow FailedHistoryRow(int Number, std::string_view Why)
{
    THistoryRow row;
    row[hcNumber] = std::to_string(Number);
    row[hcEvent] = HistoryReadFailed;
    row[hcMessage] = Why;
    return row;
}

std::string HistoryEventKey(std::span<const std::string> Row)
{
    if (Row.size() <= hcEvent || Row[hcCode].empty() || Row[hcKind].empty()) return {};
    return Row[hcCode] + (Row[hcKind] == HistoryRestore ? "3" : "1");
}

std::string HistoryEventText(std::span<const std::string> Row, const TMsgFile* Messages)
{
    if (Row.size() > hcEvent && !Row[hcEvent].empty()) return Row[hcEvent];
    const std::string key = HistoryEventKey(Row);
    return key.empty() || Messages == nullptr ? std::string() : Messages->TextOf(key);
}

std::string HistoryTextLine(int Number, std::string_view Record, const TChannelLinks& Links)
{
    std::string line = std::to_string(Number) + " ";
    const auto field = [&line](std::string_view f) {
        line += ' ';
        line += f;
    };
    const auto dashes = [&field] {
        for (int i = 0; i < 6; ++i) field("-");
    };
    const std::string message = HistoryMessage(Record);
    if (IsEmptyHistorySlot(message)) {
        dashes();
        dashes();
        return line;
    }
    if (!IsValidHistoryMessage(message)) {
        for (int i = 0; i < 4; ++i) field(kError);
        dashes();
        return line;
    }
    const TContactID cid(message);
    field(message);
    field(HistoryDateCell(Record));
    field(cid.Account());
    field(cid.EventCode());
    field(KindOf(message));
    field(cid.Group());
    field(cid.Zone());
    field(cid.ChecksumOk() ? kYes : kNo);
    const std::string delivery = HistoryDeliveryCode(Record);
    if (delivery == "01") {
        field(kNo);
        field(kNo);
    } else if (delivery == "02" || delivery == "03") {
        field(kYes);
        field(kYes);
    } else if (delivery == "00") {
        const THistoryMarks marks = HistoryChannelMarks(Record, Links);
        field(kYes);
        field(marks.Group);
        field(marks.Own);
        field(AllChannelsMarked(marks.Group) ? kYes : kNo);
    }
    field(HistoryGlobalNumber(Record));
    if (delivery == "02" || delivery == "03") {
        field(delivery == "02" ? "GPRS" : "LAN");
        field(delivery == "02" ? "GPRS" : "LAN");
    }
    field(CheckText(HistoryRecordCheck(Number, Record)));
    return line;
}

std::string FailedHistoryTextLine(int Number, std::string_view Why)
{
    std::string line = std::to_string(Number) + "  " + std::string(HistoryReadFailed);
    if (!Why.empty()) line += ": " + std::string(Why);
    return line;
}

// ---------------------------------------------------------------- the record store

const THistoryEntry& THistoryStore::At(int Index) const
{
    if (Index < 0 || Index >= Count()) throw std::out_of_range("history store index " + std::to_string(Index));
    return entries_.at(order_[static_cast<std::size_t>(Index)]);
}

const THistoryEntry* THistoryStore::Find(int Number) const
{
    const auto it = entries_.find(Number);
    return it == entries_.end() ? nullptr : &it->second;
}

void THistoryStore::Insert(int Index, THistoryEntry Entry)
{
    const int number = Entry.Number;
    const auto [it, added] = entries_.insert_or_assign(number, std::move(Entry));
    (void)it;
    if (!added) return;
    const int at = std::clamp(Index, 0, Count());
    order_.insert(order_.begin() + at, number);
}

void THistoryStore::Clear()
{
    order_.clear();
    entries_.clear();
}
