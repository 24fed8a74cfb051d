// History records as the device sends them: the grid row, the text download's line, the record check
// and the channel marks, for any record text; and record numbers as typed. The first two bytes give the
// record number and the reporting ways, the rest is the record (Windows-1251 on the wire).
#include "app/History.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool IsMarks(std::string_view s) { return s.find_first_not_of("12345678i") == std::string_view::npos; }

std::size_t ChannelDigits(std::string_view s)
{
    std::size_t n = 0;
    for (const char c : s) n += c >= '1' && c <= '8' ? 1 : 0;
    return n;
}

void CheckRecord(int number, const std::string& record, const TChannelLinks& links)
{
    const THistoryMarks marks = HistoryChannelMarks(record, links);
    FUZZ_CHECK(IsMarks(marks.Group) && IsMarks(marks.Own));
    FUZZ_CHECK(ChannelDigits(marks.Group) == ChannelDigits(marks.Own));
    for (const bool alt : {false, true}) {
        for (const int fillers : {HistoryFillers, HistoryFillersM45PE16}) {
            const THistoryRow row = DecodeHistoryRow(number, record, marks.Group, alt, fillers);
            for (const std::string& cell : row) FUZZ_CHECK(platform::IsValidUtf8(cell));
            const std::string key = HistoryEventKey(row);
            FUZZ_CHECK(key.empty() || key.size() == 4);
            (void)HistoryRecordCheck(number, record, fillers);
        }
    }
    const std::string line = HistoryTextLine(number, record, links);
    FUZZ_CHECK(platform::IsValidUtf8(line));
    FUZZ_CHECK(platform::IsValidUtf8(HistoryDateCell(record)));
}

void CheckMarks(std::string_view text)
{
    const std::string spread = SpreadGroupMarks(text);
    FUZZ_CHECK(IsMarks(spread));
    FUZZ_CHECK(ChannelDigits(spread) == ChannelDigits(text));
    (void)AllChannelsMarked(spread);
}

void CheckNumbers(std::string_view text)
{
    const auto number = ParseHistoryNumber(text);
    if (!number) return;
    FUZZ_CHECK(IsHistoryRecordNumber(*number));
    FUZZ_CHECK(ParseHistoryNumber(HistoryNumberHex(*number)) == number);
    const int before = HistoryPageBefore(*number);
    FUZZ_CHECK(IsHistoryRecordNumber(before) && HistoryDistance(before, *number) == HistoryPageSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const int number = (data[0] * 256 + data[1]) % HistoryRingSize;
    TChannelLinks links;
    for (int i = 0; i < 8; ++i) links.InUse[static_cast<std::size_t>(i)] = (data[0] >> i & 1) != 0;
    for (int i = 0; i < 7; ++i) links.OrLink[static_cast<std::size_t>(i)] = (data[1] >> i & 1) != 0;
    const std::string bytes = fuzz::Bytes(data + 2, size - 2);
    CheckRecord(number, platform::Cp1251ToUtf8(bytes), links);
    CheckMarks(bytes);
    CheckNumbers(bytes);
    return 0;
}
