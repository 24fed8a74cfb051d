#pragma once
// The device's event history as the program reads it: a ring of numbered records, each record's
// fields, its checks, the channel marks of its delivery, the row the history grid shows for it, the
// line the text download writes, and the store of every record read since it was last emptied.
//
// Record layout (1-based positions): 1-16 Contact ID message (all "F": an empty slot), 17-47 not
// decoded, 48-69 the date in double quotes with a three-character zone suffix, 70-77 the global record
// number as four hexadecimal bytes, then filler positions that are not decoded (twelve: 78-89 in the
// usual record of 95 characters; a device with the M45PE16 flash chip keeps nine), and the last six
// characters: the delivery code ("00" phone, "01" not sent, "02" GPRS, "03" LAN), the per-channel delivery
// bits (bit 7 = channel 8 .. bit 0 = channel 1, a 0 bit marks a channel that got the message) and a check
// byte.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

class TMsgFile;

constexpr int HistoryRingSize = 0x5FF4;
constexpr int HistoryLastRecord = HistoryRingSize - 1;
constexpr int HistoryPageSize = 32;
// Characters in the usual record, and in the shortest one that holds every field (no filler).
constexpr int HistoryRecordLength = 95;
constexpr int HistoryShortestRecord = 83;
constexpr int HistoryColumnCount = 16;
// Positions 78 onwards that the record check counts as filler: the grid and the text download count the
// record's own (12 in a record of 95 characters); the export of the record store counts 9 for a device
// with the M45PE16 flash chip and 12 for the others.
constexpr int HistoryFillers = 12;
constexpr int HistoryFillersM45PE16 = 9;

// ---------------------------------------------------------------- the ring

bool IsHistoryRecordNumber(long long Number);
// Number + By round the ring (By may be negative).
int HistoryAdvance(int Number, int By);
// How many records a page from From up to, not including, To holds.
int HistoryDistance(int From, int To);
// The first record of the page of 32 that ends just before To.
int HistoryPageBefore(int To);
// A record number as the device command takes it: four upper-case hexadecimal digits.
std::string HistoryNumberHex(int Number);
// A typed record number (hexadecimal, blanks around it allowed); nullopt when it is not a number of
// the ring.
std::optional<int> ParseHistoryNumber(std::string_view Text);

// ---------------------------------------------------------------- one record

std::string HistoryMessage(std::string_view Record);
// The record's filler positions: those between the global number and its last six characters.
int HistoryRecordFillers(std::string_view Record);
std::string HistoryDeliveryCode(std::string_view Record);
std::string HistoryGlobalNumber(std::string_view Record);
bool IsEmptyHistorySlot(std::string_view Message);
// Sixteen characters the Contact ID record accepts.
bool IsValidHistoryMessage(std::string_view Message);
// The quoted date less its zone suffix, reordered to dd/mm/yy,hh:mm:ss; " " when a quote is missing.
std::string HistoryDateText(std::string_view Record);
// The date as the grid shows it: the reordered text, or "неправильный формат" when it holds anything
// but digits, "/", ":" and ",".
std::string HistoryDateCell(std::string_view Record);

// The record check: the record number's two bytes, the codes of the message and date characters, 255
// per filler position, and the hexadecimal pairs sum to 0 mod 256. nullopt when a pair is not
// hexadecimal (a short record included). Without Fillers, the record's own count.
std::optional<bool> HistoryRecordCheck(int Number, std::string_view Record, std::optional<int> Fillers = std::nullopt);

// ---------------------------------------------------------------- channel marks

// The reporting ways as the marks need them: which channels are in use and which links are OR links.
struct TChannelLinks {
    std::array<bool, 8> InUse{};
    std::array<bool, 7> OrLink{};  // link i joins channel i + 1 and channel i + 2 (0-based)
};

// The channel numbers whose delivery bit is 0, highest first, separated by blanks ("4 1").
std::string DecodeSentChannels(std::string_view Record);
// The channels in use, each followed by "i" when it is among Channels, with "или" where an OR link
// joins it to the next channel in use: "1i2или3i4".
std::string FormatChannelList(std::string_view Channels, const TChannelLinks& Links);
// Channels joined by OR links form one group; a mark on any member marks every member of its group.
// "или" is dropped: "1i2или3i4" gives "1i2i3i4".
std::string SpreadGroupMarks(std::string_view Marks);
// True when every channel digit of Spread carries its mark (and there is at least one).
bool AllChannelsMarked(std::string_view Spread);

struct THistoryMarks {
    std::string Group;  // SpreadGroupMarks of the channel list
    std::string Own;    // the channel list without "или"
};
// Both empty unless the record was delivered by phone ("00").
THistoryMarks HistoryChannelMarks(std::string_view Record, const TChannelLinks& Links);

// ---------------------------------------------------------------- the grid row

enum THistoryColumn {
    hcNumber, hcTime, hcAccount, hcCode, hcKind, hcEvent, hcGroup, hcZone, hcMessage, hcCidCheck,
    hcSentOne, hcSentAll, hcSentFact, hcPhones, hcGlobal, hcRecordCheck
};
extern const std::array<std::string_view, HistoryColumnCount> HistoryColumnTitles;
using THistoryRow = std::array<std::string, HistoryColumnCount>;

inline constexpr std::string_view HistoryAlarm = "Тревога";
inline constexpr std::string_view HistoryRestore = "Восстановление";
inline constexpr std::string_view HistoryReadFailed = "Ошибка чтения записи";
// The page shows it in place of rows when the newest record is an empty slot.
inline constexpr std::string_view HistoryEmpty = "История пуста";

// The cells of one record. "Событие" stays empty (the message table fills it); for delivery code "00"
// so do "Передано по факту" and "Телефоны" (the channel marks are drawn). AltSections: groups are shown
// as the decimal value of their two hexadecimal digits.
THistoryRow DecodeHistoryRow(int Number, std::string_view Record, std::string_view Spread, bool AltSections,
                             std::optional<int> Fillers = std::nullopt);
// The row of a record the device did not give: its number, the failure as its event, and why in place of
// the message.
THistoryRow FailedHistoryRow(int Number, std::string_view Why = {});
// The message-table code of a row (event code and "3" for a restore, "1" otherwise); empty when the row
// has no event code or kind.
std::string HistoryEventKey(std::span<const std::string> Row);
// What the row's "Событие" shows: its own text, else the message table's text of its event (empty
// without either). The grid's drawing and both exports take it from here, so a row the grid never
// drew exports the text the grid would show.
std::string HistoryEventText(std::span<const std::string> Row, const TMsgFile* Messages);

// The text download's first line of a record (the second is the record as read).
std::string HistoryTextLine(int Number, std::string_view Record, const TChannelLinks& Links);
// The text download's line of a record the device did not give: its number, an empty field and the failure.
std::string FailedHistoryTextLine(int Number, std::string_view Why);

// ---------------------------------------------------------------- the record store

struct THistoryEntry {
    int Number = 0;
    std::string Record{};
    std::string GroupMarks{};
    std::string OwnMarks{};
    // The device did not give the record (Why says how it failed): the exports mark it at its place, and
    // the next page that shows it asks the device again.
    bool Unread = false;
    std::string Why{};
};

// Every record asked for since the store was last emptied, in display order (newest first as the pages
// put them), found by number in constant time.
class THistoryStore {
public:
    int Count() const { return static_cast<int>(order_.size()); }
    // Throws std::out_of_range.
    const THistoryEntry& At(int Index) const;
    const THistoryEntry* Find(int Number) const;
    // Inserts before Index (0 .. Count); a record of the same number already stored is replaced in place.
    void Insert(int Index, THistoryEntry Entry);
    void Clear();

private:
    std::deque<int> order_;
    std::unordered_map<int, THistoryEntry> entries_;
};
