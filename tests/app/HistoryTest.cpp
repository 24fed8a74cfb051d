#include "app/History.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "app/DeviceController.h"
#include "app/HistoryExport.h"
#include "app/HistoryReader.h"
#include "app/MsgFileU.h"
#include "app/S7QX1FormsController.h"
#include "app/fHistory.h"
#include "app/fErrors.h"
#include "app/fMain.h"
#include "app/fMasks.h"
#include "app/fWaiting.h"
#include "app/fWays.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/HistoryRing.h"
#include "tests/support/FakeExchangeSteps.h"
#include "tests/support/SimDevice.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Driver.h"

namespace {

using Fault = testsupport::LoopbackComm::Fault;

sim::HistoryEvent Event(char qualifier, std::string code = "130", std::string group = "01", std::string delivery = "00",
                        std::uint8_t channels = 0xFE)
{
    return {.qualifier = qualifier, .code = std::move(code), .group = std::move(group), .time = 1'717'156'800,  // 31/05/24 12:00
            .global = 0x1234, .delivery = std::move(delivery), .channels = channels};
}

std::string Record(int number, const sim::HistoryEvent& e) { return sim::HistoryRing::MakeRecord(number, e); }

std::string With(std::string record, std::size_t at, char c)
{
    record[at] = c;
    return record;
}

TChannelLinks Links(std::initializer_list<int> inUse, std::initializer_list<int> orLinks)
{
    TChannelLinks links;
    for (const int c : inUse) links.InUse[static_cast<std::size_t>(c - 1)] = true;
    for (const int l : orLinks) links.OrLink[static_cast<std::size_t>(l - 1)] = true;
    return links;
}

// ---------------------------------------------------------------- one record

TEST(HistoryRecord, TypedNumbersStayInsideTheRingAndTheCheckCountsSoundCorruptedShortAndNineFillerRecords)
{
    const std::pair<std::string, std::optional<int>> typed[] = {{"5FF3", 0x5FF3}, {" 1a ", 0x1A}, {"$0020", 0x20},
                                                                {"0", 0}, {"5FF4", std::nullopt}, {"", std::nullopt},
                                                                {"G1", std::nullopt}, {"-1", std::nullopt}};
    for (const auto& [text, number] : typed) EXPECT_EQ(ParseHistoryNumber(text), number) << text;
    const std::string sound = Record(300, Event('1'));
    EXPECT_EQ(HistoryRecordCheck(300, sound), true);
    EXPECT_EQ(HistoryRecordCheck(301, sound), false) << "the number belongs to the check";
    EXPECT_EQ(HistoryRecordCheck(300, With(sound, 12, sound[12] == '1' ? '2' : '1')), false);
    EXPECT_EQ(HistoryRecordCheck(300, With(sound, 20, '0')), true) << "fillers count 255 whatever they hold";
    EXPECT_EQ(HistoryRecordCheck(300, With(sound, 90, 'X')), std::nullopt);
    EXPECT_EQ(HistoryRecordCheck(300, sound.substr(0, 80)), std::nullopt);
    EXPECT_EQ(HistoryRecordCheck(0, sim::HistoryRing::EmptyRecord()), false);
    // The M45PE16 layout: 9 fillers, the last three pairs 3 places earlier; three fillers fewer add 3.
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (std::stoi(sound.substr(93, 2), nullptr, 16) + 253) & 0xFF);
    const std::string nine = sound.substr(0, 77) + std::string(9, 'F') + sound.substr(89, 4) + check;
    EXPECT_EQ(HistoryRecordCheck(300, nine, HistoryFillersM45PE16), true);
    EXPECT_NE(HistoryRecordCheck(300, nine, HistoryFillers), true);
    EXPECT_NE(HistoryRecordCheck(300, sound, HistoryFillersM45PE16), true);
}

TEST(HistoryRecord, WholeRowsAndTextLinesOfEveryKind)
{
    const std::string alarm = Record(300, Event('1'));
    const THistoryRow valid{"300", "31/05/24,12:00:00", "0050", "130", "Тревога", "", "01", "001", alarm.substr(0, 16),
                            "Да",  "Да", "Да", "", "", "00001234", "Да"};
    EXPECT_EQ(DecodeHistoryRow(300, alarm, "1i2i", false), valid);
    EXPECT_EQ(HistoryEventKey(valid), "1301");
    EXPECT_EQ(HistoryEventKey(DecodeHistoryRow(1, Record(1, Event('3')), "", false)), "1303");
    EXPECT_EQ(DecodeHistoryRow(42, sim::HistoryRing::EmptyRecord(), "", true), THistoryRow{"42"});
    const THistoryRow invalid{"5", "", "Ошибка", "Ошибка", "", "", "Ошибка", "Ошибка"};
    EXPECT_EQ(DecodeHistoryRow(5, With(alarm, 3, 'x'), "", false), invalid);
    EXPECT_EQ(DecodeHistoryRow(5, "0050181", "", false), invalid) << "a short message is no message";
    EXPECT_EQ(FailedHistoryRow(17), (THistoryRow{"17", "", "", "", "", "Ошибка чтения записи"}));
    EXPECT_EQ(HistoryEventKey(FailedHistoryRow(17)), "");

    const std::string phone = Record(2, Event('1'));
    EXPECT_EQ(HistoryTextLine(2, phone, Links({1, 2}, {1})),
              "2  " + phone.substr(0, 16) + " 31/05/24,12:00:00 0050 130 Тревога 01 001 Да Да 1i2i 1i2 Да 00001234 Да");
    const std::string gprs = Record(1, Event('3', "301", "99", "02", 0xFF));
    EXPECT_EQ(HistoryTextLine(1, gprs, {}),
              "1  " + gprs.substr(0, 16) + " 31/05/24,12:00:00 0050 301 Восстановление 99 001 Да Да Да 00001234 GPRS GPRS Да");
    EXPECT_EQ(HistoryTextLine(0, sim::HistoryRing::EmptyRecord(), {}), "0  - - - - - - - - - - - -");
    EXPECT_EQ(HistoryTextLine(9, With(gprs, 0, 'x'), {}), "9  Ошибка Ошибка Ошибка Ошибка - - - - - -");
}

TEST(HistoryRecord, CellsByDeliveryMarksDateAndGroup)
{
    const auto cell = [](const sim::HistoryEvent& e, THistoryColumn column, const char* spread = "", bool alt = false) {
        return DecodeHistoryRow(1, Record(1, e), spread, alt)[column];
    };
    const std::string alarm = Record(1, Event('1'));
    const std::pair<std::string, std::string> cases[] = {
        {cell(Event('3'), hcKind), "Восстановление"},
        {cell(Event('1'), hcSentAll, "1i2"), "Нет"},
        {cell(Event('1', "130", "01", "01"), hcSentOne), "Нет"},
        {cell(Event('1', "130", "01", "01"), hcSentAll, "1i"), "Нет"},
        {cell(Event('1', "130", "01", "02"), hcSentAll), "Да"},
        {cell(Event('1', "130", "01", "02"), hcSentFact), "GPRS"},
        {cell(Event('1', "130", "01", "03"), hcSentOne), "Да"},
        {cell(Event('1', "130", "01", "03"), hcPhones), "LAN"},
        {cell(Event('1', "130", "01", "07"), hcSentOne, "1i") + cell(Event('1', "130", "01", "07"), hcSentAll, "1i"), ""},
        {DecodeHistoryRow(1, With(alarm, 58, 'A'), "", false)[hcTime], "неправильный формат"},
        {DecodeHistoryRow(1, With(alarm, 68, '+'), "", false)[hcTime], "неправильный формат"},
        {cell(Event('1', "602", "99"), hcGroup, "", true), "99"},  // a periodic test alarm keeps 99
        {cell(Event('3', "301", "99"), hcGroup, "", true), "99"},
        {cell(Event('3', "602", "99"), hcGroup, "", true), "153"},
        {cell(Event('3', "602", "99"), hcGroup), "99"},
        {cell(Event('1', "130", "1A"), hcGroup, "", true), "26"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST(HistoryRecord, ChannelMarksFollowTheDeliveryBitsAndTheReportingWays)
{
    EXPECT_EQ(DecodeSentChannels(Record(1, Event('1', "130", "01", "00", 0xF6))), "4 1");
    EXPECT_EQ(DecodeSentChannels(Record(1, Event('1', "130", "01", "00", 0x7F))), "8");
    EXPECT_EQ(DecodeSentChannels(With(Record(1, Event('1')), 91, 'Z')), "");
    EXPECT_EQ(FormatChannelList("3 1", Links({1, 2, 3, 4}, {2})), "1i2или3i4");
    EXPECT_EQ(FormatChannelList("", Links({1, 3}, {1, 2})), "13") << "an OR link to an unused channel is no link";
    for (const auto& [marks, spread] :
         {std::pair{"1i2или3i4", "1i2i3i4"}, {"1i2или34", "1i234"}, {"1или2или3i", "1i2i3i"}, {"7или8i", "7i8i"}})
        EXPECT_EQ(SpreadGroupMarks(marks), spread) << marks;
    const THistoryMarks phone = HistoryChannelMarks(Record(1, Event('1')), Links({1, 2, 3}, {1}));
    EXPECT_EQ(phone.Own + " " + phone.Group, "1i23 1i2i3");
    EXPECT_EQ(HistoryChannelMarks(Record(1, Event('1', "130", "01", "02")), Links({1}, {})).Group, "") << "only by phone";
}

// ---------------------------------------------------------------- export sheets

TEST(HistoryExport, WorksheetBytesAreWhatASpreadsheetReadsAndRowsBeyondTheFormatAreReported)
{
    const testsupport::TempFolder folder;
    EXPECT_EQ(WriteWorksheet(folder.path / "page.xls", {{"№", "Время"}, {"1"}}).RowsWritten, 2);
    constexpr char kExpected[] =
        "\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00"        // BOF, worksheet
        "\x42\x00\x02\x00\xE3\x04"                                // CODEPAGE 1251
        "\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00\xB9"    // LABEL row 0, column 0: "№"
        "\x04\x02\x09\x00\x01\x00\x00\x00\x00\x00\x01\x00" "1"    // column by column
        "\x04\x02\x0D\x00\x00\x00\x01\x00\x00\x00\x05\x00\xC2\xF0\xE5\xEC\xFF"
        "\x04\x02\x08\x00\x01\x00\x01\x00\x00\x00\x00\x00"        // a short row's missing cell, empty
        "\x0A\x00\x00\x00";                                       // EOF
    EXPECT_EQ(folder.Read("page.xls"), std::string(kExpected, sizeof kExpected - 1));
    // Rows beyond the format are reported, not hidden; a file that cannot be written whole stays as it was.
    const TWorksheet cells(static_cast<std::size_t>(WorksheetMaxRows) + 5, std::vector<std::string>{"x"});
    const TWorksheetResult result = WriteWorksheet(folder.path / "big.xls", cells);
    EXPECT_EQ(result.RowsWritten, WorksheetMaxRows);
    EXPECT_EQ(result.RowsLeftOut, 5);
    EXPECT_EQ(folder.Read("big.xls").size(), 12u + 6 + 13 * static_cast<std::size_t>(WorksheetMaxRows) + 4);
    EXPECT_THAT([&] { const testsupport::DiskFullAt full(100); WriteWorksheet(folder.path / "page.xls", cells); },
                testing::ThrowsMessage<platform::FileError>(testing::HasSubstr("page.xls\": файл слишком велик")));
    EXPECT_EQ(folder.Read("page.xls"), std::string(kExpected, sizeof kExpected - 1)) << "the earlier file stays whole";

    const std::pair<std::tuple<const char*, int, int>, const char*> marks[] = {
        {{"1i2i34", hcPhones, 1}, "1,2,3,4"}, {{"1i2i34", hcSentFact, 1}, "1,2"}, {{"1i23", hcSentFact, 4}, "1"},
        {{"GPRS", hcSentFact, 1}, "GPRS"},   {{"", hcPhones, 1}, ""},            {{"1i2", hcPhones, 0}, "1i2"},
        {{"1i2", hcGlobal, 3}, "1i2"},
    };
    for (const auto& [in, out] : marks)
        EXPECT_EQ(FormatPhonesCell(std::get<0>(in), std::get<1>(in), std::get<2>(in)), out) << std::get<0>(in);
    TWorksheet sheet(2, std::vector<std::string>(HistoryColumnCount));
    sheet[0][hcSentFact] = "Передано по факту";
    sheet[1][hcSentFact] = "1i23";
    sheet[1][hcPhones] = "1i2i3";
    ExportHistorySheet(folder.path / "marks.xls", sheet);
    sheet[1][hcSentFact] = "1";
    sheet[1][hcPhones] = "1,2,3";
    WriteWorksheet(folder.path / "expected.xls", sheet);
    EXPECT_EQ(folder.Read("marks.xls"), folder.Read("expected.xls")) << "mark columns become channel lists below the titles";
}

TEST(HistoryExport, StoreSheetCarriesEventTextsAndMarksPageSheetTheStoredMarks)
{
    THistoryStore store;
    store.Insert(0, {.Number = 4, .Record = Record(4, Event('1')), .GroupMarks = "1i2i3", .OwnMarks = "1i23"});
    store.Insert(0, {.Number = 5, .Record = Record(5, Event('1', "130", "01", "02", 0xFF))});
    const TMsgFile messages{.Rows = {{"1301", "Проникновение", "$0000FF", "0"}}};
    const TWorksheet sheet = HistoryStoreSheet(store, &messages, false, HistoryFillers);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[0][hcSentFact] + "|" + sheet[1][hcSentFact], "Передано по факту|GPRS");
    const std::vector<std::string>& row = sheet[2];
    EXPECT_EQ(row[hcNumber] + " " + row[hcEvent] + " " + row[hcSentFact] + " " + row[hcPhones] + " " + row[hcRecordCheck],
              "4 Проникновение 1i23 1i2i3 Да");
    EXPECT_EQ(HistoryStoreSheet(store, &messages, false, HistoryFillersM45PE16)[2][hcRecordCheck], "Нет")
        << "a record of the other chip's layout fails the 9-filler count";

    ui::ApplicationScope scope;
    auto* form = scope.App().CreateForm<ui::TForm>("F");
    auto* grid = ui::Create<ui::TStringGrid>(form, "g", form);
    grid->SetColCount(HistoryColumnCount);
    grid->SetRowCount(3);
    grid->SetCell(hcNumber, 1, "4");
    grid->SetCell(hcNumber, 2, "5");
    grid->SetCell(hcSentFact, 2, "GPRS");
    const TWorksheet page = HistoryPageSheet(*grid, store, &messages);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(page[1][hcPhones] + " " + page[1][hcSentFact] + " " + page[2][hcSentFact], "1i2i3 1i23 GPRS");
}

// ---------------------------------------------------------------- the message table

TMsgFile Table(std::string_view bytes)
{
    TMsgFile table;
    table.LoadFromBytes(bytes);
    return table;
}

TEST(MsgFile, LooksUpTheFirstRowThatHasTheCodeCellsSplitAtEveryBarAndOddCellsGiveTheDefaults)
{
    const TMsgFile table = Table("602|\xD2\xE5\xF1\xF2|$0000FF|5\r\n130|\xD2\xF0\xE5\xE2\xEE\xE3\xE0\r\n");
    EXPECT_EQ(table.TextOf("602") + table.TextOf("130"), "ТестТревога");
    EXPECT_EQ(std::pair(table.ColorOf("602"), table.NumberOf("602")), std::pair(255, 5));
    EXPECT_EQ(std::pair(table.ColorOf("130"), table.NumberOf("130")), std::pair(0xFFFFFF, 0));
    EXPECT_EQ(table.TextOf("999") + table.TextOf("602 "), "  ") << "no such code: codes compare exactly";
    EXPECT_EQ(Table("1|Тест\n").TextOf("1"), "Тест") << "a UTF-8 file is read as UTF-8";
    EXPECT_EQ(Table("7|x\r\r\n8|y|$FF\r\r\n").TextOf("7"), "x") << "CR CR LF ends a line";
    const TMsgFile repeated = Table("5|||\n5|second|$FF0000|\n5|third|$00FF00|7\n");
    EXPECT_EQ(repeated.TextOf("5"), "second");
    EXPECT_EQ(std::pair(repeated.ColorOf("5"), repeated.NumberOf("5")), std::pair(0xFF0000, 7));
    const TMsgFile cells = Table("a|b|\r\nno bar here\r\n\r\n| x |\r\nlast|line");
    EXPECT_EQ(cells.Rows, (std::vector<std::vector<std::string>>{{"a", "b", ""}, {"", " x ", ""}, {"last", "line"}}));
    for (const auto& [row, col] : {std::pair{0, 3}, {3, 0}, {-1, 0}, {0, -1}}) EXPECT_EQ(cells.Cell(row, col), "");
    const TMsgFile odd = Table("1|t|red|five\n3|t| 12 |0x10\n4|t|$FF000005|-3\n");
    EXPECT_EQ(std::pair(odd.ColorOf("1"), odd.NumberOf("1")), std::pair(0xFFFFFF, 0));
    EXPECT_EQ(std::pair(odd.ColorOf("3"), odd.NumberOf("3")), std::pair(12, 16));
    EXPECT_EQ(std::pair(static_cast<TColor>(odd.ColorOf("4")), odd.NumberOf("4")), std::pair(clWindow, -3));
    const testsupport::TempFolder folder;
    const std::string missing = (folder.path / "Messages.txt").string();
    TMsgFile none;
    EXPECT_THAT([&] { none.LoadFromFile(missing); }, testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr(missing)));
    EXPECT_EQ(none.Count(), 0);
}

TEST(MessagesTable, IsWindows1251WithCrLfAndEveryRowIsWellFormedAndKeyed)
{
    const std::string file = std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt";
    const std::string bytes = testsupport::ReadFile(file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(platform::IsValidUtf8(bytes));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_FALSE(bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) << "a bare line feed at byte " << i;
    TMsgFile table;
    table.LoadFromFile(file);
    table.LoadFromFile(file);  // a second load replaces the rows
    ASSERT_GT(table.Count(), 200);
    std::set<std::string> codes;
    for (int r = 0; r < table.Count(); ++r) {
        const std::string code = table.Cell(r, 0);
        ASSERT_EQ(table.Rows[static_cast<std::size_t>(r)].size(), 4u) << "row " << r;
        EXPECT_TRUE(code.size() == 4 && (code.back() == '1' || code.back() == '3')) << code;
        EXPECT_TRUE(codes.insert(code).second) << "twice: " << code;
        EXPECT_FALSE(table.Cell(r, 1).empty()) << code;
        EXPECT_TRUE(table.Cell(r, 2).starts_with("$") && table.Cell(r, 3).starts_with("$")) << code;
        EXPECT_NE(table.ColorOf(code), 0xFFFFFF) << code;
    }
    EXPECT_EQ(table.Cell(38, 0) + table.Cell(39, 0), "13031301") << "rows 39 and 40: the loops page's factory events";
    EXPECT_EQ(table.TextOf("1301"), "Проникновение");
    EXPECT_EQ(table.TextOf("1303"), "Восстановление после проникновения");
    EXPECT_EQ(table.TextOf("1130"), " ") << "the device's own order (qualifier first) is not a key";
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("1301")), clRed);
    for (const std::span<const TC2000Event> events : {std::span<const TC2000Event>(EventTable83), std::span<const TC2000Event>(EventTable51)})
        for (const TC2000Event& e : events) EXPECT_FALSE(MaskEventText(e.Code, table).ends_with(":  ")) << "masks: " << e.Code;
}


// ---------------------------------------------------------------- pages from the simulated device

// A device whose write pointer says what the test wants, and that answers one record with a reply that
// is no record (a late reply to "+point") as often as asked.
class PointerOverride final : public sim::Responder {
public:
    explicit PointerOverride(sim::Responder& inner) : inner_(inner) {}
    std::string Answer(const std::string& request) override
    {
        if (request == "+point" && !pointer.empty()) return ">" + pointer + "\r\nOK\r\n";
        if (request == shortRecord && shortReplies-- > 0) return ">0000\r\nOK\r\n";
        return inner_.Answer(request);
    }
    std::string pointer;
    std::string shortRecord;
    int shortReplies = 0;

private:
    sim::Responder& inner_;
};

class HistoryReading : public testing::Test {
protected:
    HistoryReading()
    {
        FormHistory = page;
        formWays = ways;
        page->SetBounds(0, 0, 1400, 700);
        page->Show();
        // As a connection leaves them outside an operation.
        page->SetDeviceButtonsEnabled(true);
    }
    ~HistoryReading() override
    {
        FormHistory = nullptr;
        formWays = nullptr;
    }
    int RecordReads() const
    {
        const std::vector<std::string> r = device.Requests();
        return static_cast<int>(std::count_if(r.begin(), r.end(), [](const std::string& s) { return s.starts_with("+read"); }));
    }
    std::string Cell(int col, int row) const { return page->StringGrid1->Cells(col, row); }
    std::string LastError() const
    {
        const auto errors = steps.log.Texts(testsupport::RecordingLog::Kind::Error);
        return errors.empty() ? std::string() : errors.back();
    }
    THistoryDownload Download(std::function<bool()> go = [] { return true; })
    {
        return reader.SaveToFile(folder.path / HistoryTextFileName, go);
    }

    ui::ApplicationScope scope;
    sim::Communicator device{sim::DeviceProfile{}, scope.Clock(), 1'715'953'510};  // 1000 records
    PointerOverride override{device};
    testsupport::FakeExchangeSteps steps{override, scope.Clock()};
    TFormHistory* page = scope.App().CreateForm<TFormHistory>("FormHistory");
    TformWays* ways = scope.App().CreateForm<TformWays>("formWays");
    THistoryReader reader{steps, *page};
    testsupport::TempFolder folder;
    ui::Driver user{scope.App()};
};

TEST_F(HistoryReading, LatestPageThenNumbersOutsideTheRingReadNothingAndOnlyAnErasedDeviceEmptiesThePage)
{
    reader.ReadLatest();
    EXPECT_EQ(Cell(hcNumber, 32) + " " + Cell(hcNumber, 1) + " " + Cell(hcRecordCheck, 1), "968 999 Да") << "the oldest at the bottom";
    ASSERT_EQ(page->Store.Count(), 32);
    EXPECT_EQ(page->Store.At(0).Number, 999) << "newest first";
    EXPECT_EQ(steps.reading.front(), "LAN-online") << "the reporting ways come first";
    EXPECT_EQ(steps.steps, 10 + 1 + 32);
    EXPECT_TRUE(steps.watchdog && page->btnBackward->Enabled());
    page->SetPagingEnabled(false);  // an operation's bracket
    reader.ReadLatest();
    EXPECT_FALSE(page->btnBackward->Enabled() || page->Button2->Enabled()) << "the page gives back what the bracket set";
    page->SetPagingEnabled(true);
    page->StringGrid1->SetCell(hcNumber, 1, "kept");
    override.pointer = "6000";
    reader.ReadLatest();
    EXPECT_NE(LastError().find("6000"), std::string::npos);
    page->Edit1->SetText("5FF4");
    reader.FromNumber();
    EXPECT_NE(LastError().find("5FF4"), std::string::npos);
    EXPECT_EQ(RecordReads(), 2 * 32);
    EXPECT_EQ(page->StateText(), "") << "a page of records says nothing";
    steps.comm.FailAlways(Fault::Nok);
    EXPECT_FALSE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(Cell(hcNumber, 1) + " " + std::to_string(page->FirstRecord) + " " + std::to_string(page->Store.Count()), "kept 968 32");
    EXPECT_EQ(LastError(), "Ошибка при удалении истории!");
    steps.comm.FailAlways(Fault::None);
    EXPECT_TRUE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(device.HistoryPointer(), 0);
    EXPECT_EQ(page->Store.Count(), 0);
    EXPECT_EQ(Cell(hcNumber, 0) + Cell(hcNumber, 1) + "|" + page->StateText(), "№|История пуста");
    // An erased device: pointer zero, the ring's end below it all empty slots. The page shows no rows.
    override.pointer.clear();
    reader.ReadLatest();
    EXPECT_EQ(page->FirstRecord, 0x5FD4) << "pointer zero is the ring's end";
    EXPECT_EQ(Cell(hcNumber, 1) + Cell(hcNumber, 32) + "|" + page->StateText(), "|История пуста");
    EXPECT_TRUE(page->lbState->Visible());
    // One event since: its row, and the empty slots below it as the device has them.
    device.AddHistoryEvent(Event('1'));
    reader.ReadLatest();
    EXPECT_EQ(Cell(hcNumber, 1) + " " + Cell(hcCode, 1) + " " + Cell(hcNumber, 2) + "|" + page->StateText(), "0 130 24563|");
    EXPECT_FALSE(page->lbState->Visible());
    // Paging back from there through empty slots: no rows, and the page says so.
    reader.Backward();
    EXPECT_EQ(Cell(hcNumber, 1) + "|" + page->StateText(), "|На этой странице записей нет");
}

// The colours of one cell of the page as drawn.
std::set<TColor> Inks(ui::TStringGrid& grid, int col, int row)
{
    ui::Canvas canvas(grid.Width(), grid.Height());
    grid.PaintTo(canvas);
    const ui::TRect cell = grid.CellRect(col, row);
    std::set<TColor> found;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x) found.insert(canvas.pixel(x, y));
    return found;
}

TEST_F(HistoryReading, RowsAreColouredAndNamedFromTheMessageTableAndChannelMarksStandOut)
{
    TMsgFile messages{.Rows = {{"1301", "Проникновение", "$00FFFF", "$FF0000"}, {"1303", "Восстановление", "$00FF00", "0"}}};
    page->Messages = &messages;
    reader.ReadLatest();
    // A phone delivery of an alarm with a marked group and more than one channel.
    int row = 1;
    for (; row <= 32; ++row) {
        const THistoryEntry* e = page->Store.Find(std::atoi(Cell(hcNumber, row).c_str()));
        if (e != nullptr && Cell(hcCode, row) + Cell(hcKind, row) == "130Тревога" && e->GroupMarks.find('i') != std::string::npos &&
            e->OwnMarks.size() > 2)
            break;
    }
    ASSERT_LE(row, 32);
    const std::set<TColor> inks = Inks(*page->StringGrid1, hcPhones, row);
    EXPECT_TRUE(inks.contains(clGreen) && inks.contains(clRed) && inks.contains(0x00FFFF)) << "marks on the row's colour";
    EXPECT_EQ(Cell(hcEvent, row), "Проникновение") << "named once drawn";
    EXPECT_EQ(Cell(hcPhones, row), "") << "the marks are drawn, not written";
    // Where the row's colour would swallow the red "not delivered" or the green "delivered" digits (red,
    // grey rows), the marks keep their colours on a tile of the grid's white; where both read (yellow),
    // they stand on the row's colour.
    for (const auto& [colour, tile] : {std::pair{"$0000FF", true}, std::pair{"$C0C0C0", true}, std::pair{"$00FFFF", false}}) {
        messages.Rows[0][2] = colour;
        const std::set<TColor> drawn = Inks(*page->StringGrid1, hcPhones, row);
        EXPECT_TRUE(drawn.contains(clRed) && drawn.contains(clGreen)) << colour;
        EXPECT_EQ(drawn.contains(clWhite), tile) << colour;
    }
    page->Messages = nullptr;
}

TEST_F(HistoryReading, PagesWrapRoundTheRingAndTheStoreKeepsThemInDisplayOrder)
{
    reader.ReadLatest();
    for (int i = 0; i < 2; ++i) reader.Backward();
    ASSERT_EQ(page->Store.Count(), 3 * 32);
    for (int i = 0; i < page->Store.Count(); ++i) EXPECT_EQ(page->Store.At(i).Number, 999 - i) << i;
    page->FirstRecord = 968;
    reader.Forward();
    EXPECT_EQ(page->FirstRecord, 1000);
    EXPECT_EQ(page->Store.At(0).Number, 1031) << "a forward page goes before the store";

    page->FirstRecord = 10;
    reader.Backward();
    EXPECT_EQ(page->FirstRecord, 0x5FDE);
    EXPECT_EQ(Cell(hcNumber, 32) + " " + Cell(hcNumber, 11) + " " + Cell(hcNumber, 10), "24542 24563 0");
    EXPECT_EQ(steps.windowsClosed, 4);
    reader.Forward();
    EXPECT_EQ(page->FirstRecord, 10);
    const int reads = RecordReads();
    page->FirstRecord = 10;
    reader.Backward();
    EXPECT_EQ(RecordReads(), reads) << "every record of the page is in the store";
    EXPECT_EQ(Cell(hcNumber, 1), "9");
}

TEST_F(HistoryReading, AFailedOrShortRecordIsMarkedNamedAndReadAgainLaterACancelKeepsThePageALostLinePassesOn)
{
    for (const bool shortReply : {false, true}) {
        SCOPED_TRACE(shortReply);
        page->Store.Clear();
        steps.readErrors.clear();
        page->FirstRecord = 100;
        override.shortRecord = "+read0044";  // record 68
        override.shortReplies = shortReply ? TDevice::DefaultAttempts : 0;  // a reply too short is retried
        steps.comm.FailNext(shortReply ? Fault::None : Fault::Nok, 3);  // every attempt at record 68
        reader.Backward();
        EXPECT_EQ(Cell(hcNumber, 32) + " " + Cell(hcEvent, 32), "68 Ошибка чтения записи");
        EXPECT_TRUE(Inks(*page->StringGrid1, hcEvent, 32).contains(0xD8D8D8)) << "a row of its own colour";
        if (shortReply) {
            EXPECT_EQ(Cell(hcMessage, 32), "ответ не похож на запись истории");
        }
        EXPECT_FALSE(Cell(hcMessage, 32).empty()) << "why it failed, in place of the message";
        EXPECT_EQ(steps.readErrors, std::vector<std::string>{"Запись истории 68"});
        ASSERT_NE(page->Store.Find(68), nullptr);
        EXPECT_TRUE(page->Store.Find(68)->Unread && page->Store.Find(68)->Record.empty()) << "no record made up";
        EXPECT_EQ(page->Store.At(page->Store.Count() - 1).Number, 68) << "kept at its place in the store";
        page->FirstRecord = 100;
        reader.Backward();
        ASSERT_NE(page->Store.Find(68), nullptr);
        EXPECT_FALSE(page->Store.Find(68)->Unread);
        EXPECT_EQ(page->Store.Find(68)->Record, device.HistoryRecord(68));
        EXPECT_EQ(page->Store.At(page->Store.Count() - 1).Number, 68);
        EXPECT_EQ(Cell(hcAccount, 32), "0050");
    }
    page->Store.Clear();
    steps.cancelAtStep = steps.steps + 6;
    EXPECT_THROW(reader.Backward(), TStopException);
    EXPECT_EQ(page->FirstRecord, 68);
    EXPECT_EQ(Cell(hcNumber, 32) + "|" + Cell(hcNumber, 28), "36|") << "the rows read stay";
    EXPECT_TRUE(steps.watchdog);
    steps.cancelAtStep = 0;
    page->Edit1->SetText("20");
    reader.FromNumber();
    EXPECT_EQ(std::to_string(page->FirstRecord) + " " + Cell(hcNumber, 1), "0 31");
    page->Edit1->SetText("100");
    steps.cancelAtStep = steps.steps + 3;
    EXPECT_NO_THROW(reader.FromNumber());
    EXPECT_TRUE(page->Button2->Enabled());
    steps.cancelAtStep = 0;
    steps.comm.FailAlways(Fault::Vanish);
    EXPECT_THROW(reader.FromNumber(), ELinkFailure);
    EXPECT_TRUE(page->Button2->Enabled());
}


TEST_F(HistoryReading, DownloadWritesTwoLinesPerRecordNewestFirstWithProgressAndHearsStop)
{
    override.pointer = "0003";
    page->SetStateText("kept");
    std::vector<std::string> notes;
    steps.onPump = [&] { notes.push_back(page->StateText()); };
    const THistoryDownload three = Download();
    EXPECT_EQ(std::tuple(three.RecordsWritten, three.Newest, three.Oldest, three.Saved, three.Complete()), std::tuple(3, 2, 0, true, true));
    std::string expected;
    for (int n = 2; n >= 0; --n)
        expected += HistoryTextLine(n, device.HistoryRecord(n), ways->ChannelLinks()) + "\r\n" + device.HistoryRecord(n) + "\r\n";
    EXPECT_EQ(platform::Cp1251ToUtf8(folder.Read(HistoryTextFileName)), expected) << "Cyrillic in Windows-1251";
    EXPECT_EQ(std::tuple(steps.steps, steps.windowsClosed), std::tuple(3, 1)) << "a progress window, a step per record";
    EXPECT_EQ(notes.back(), "Выгрузка истории в файл: записано записей 2 из 3");
    EXPECT_EQ(page->StateText(), "kept") << "the page's own note comes back";
    EXPECT_EQ(HistoryDownloadReport(three),
              "История выгружена: в файл \"" + (folder.path / HistoryTextFileName).string() + "\" записано записей: 3 (с 2 по 0).");
    steps.onPump = nullptr;
    override.pointer = "0000";
    EXPECT_EQ(Download().RecordsWritten, 0);
    EXPECT_EQ(folder.Read(HistoryTextFileName), "");
    override.pointer.clear();
    bool go = true;
    const int pumps = steps.pumps, reads = RecordReads();
    steps.onPump = [&] {
        if (steps.pumps == pumps + 4) go = false;  // the user presses "Finish" before the fourth record
    };
    const THistoryDownload stopped = Download([&] { return go; });
    EXPECT_TRUE(stopped.Stopped && stopped.Saved);
    EXPECT_EQ(RecordReads() - reads, 3);
    EXPECT_EQ(std::ranges::count(folder.Read(HistoryTextFileName), '\n'), 6) << "what was read is kept";
    EXPECT_THAT(HistoryDownloadReport(stopped),
                testing::EndsWith("записано записей: 3 (с 999 по 997). Файл кончается на записи 997. Не выгружены записи с 996 по 0."));
    steps.onPump = nullptr;
    steps.cancelAtStep = steps.steps + 2;  // the progress window's "Отмена" after the second record
    EXPECT_TRUE(Download().Stopped);
    EXPECT_EQ(std::ranges::count(folder.Read(HistoryTextFileName), '\n'), 4);
    steps.cancelAtStep = 0;
}

TEST_F(HistoryReading, ADownloadCutShortByARecordOrTheLinkKeepsWhatWasReadAndNamesWhereTheFileStops)
{
    const std::string name = "\"" + (folder.path / HistoryTextFileName).string() + "\"";
    override.pointer = "0003";
    override.shortRecord = "+read0001";
    override.shortReplies = (THistoryReader::DownloadAttempts - 1) * TDevice::DefaultAttempts;
    EXPECT_TRUE(Download().Complete()) << "a record read on its last try";
    EXPECT_EQ(folder.Read(HistoryTextFileName).find("0000\r\n"), std::string::npos) << "no short record in the file";
    override.shortReplies = THistoryReader::DownloadAttempts * TDevice::DefaultAttempts;
    const THistoryDownload cut = Download();
    EXPECT_EQ(std::tuple(cut.FailedRecord, cut.RecordsWritten, cut.Saved), std::tuple(std::optional(1), 1, true));
    EXPECT_EQ(platform::Cp1251ToUtf8(folder.Read(HistoryTextFileName)),
              HistoryTextLine(2, device.HistoryRecord(2), ways->ChannelLinks()) + "\r\n" + device.HistoryRecord(2) +
                  "\r\n1  Ошибка чтения записи: ответ не похож на запись истории\r\n\r\n");
    EXPECT_EQ(HistoryDownloadReport(cut), "Не удалось прочитать запись 1 истории (ответ не похож на запись истории): в файл " + name +
                                              " записано записей: 1 (с 2 по 2). Файл кончается на записи 2. Запись 1 отмечена в нём "
                                              "как не прочитанная. Не выгружены записи с 1 по 0.");
    EXPECT_TRUE(steps.log.Texts(testsupport::RecordingLog::Kind::Error).size() > 0);

    // A download that read nothing, at a record or at the pointer, leaves the earlier file as it was.
    const std::string kept = folder.Read(HistoryTextFileName);
    override.pointer = "0005";
    steps.comm.FailAlways(Fault::Nok);
    steps.comm.FailNext(Fault::None, 1);  // the pointer itself reads
    const int reads = RecordReads();
    const THistoryDownload none = Download();
    EXPECT_EQ(std::tuple(none.Saved, none.RecordsWritten, HistoryDownloadReport(none)),
              std::tuple(false, 0, "Не удалось прочитать запись 4 истории (" + none.Why + "); файл " + name + " не изменён"));
    EXPECT_EQ(RecordReads() - reads, THistoryReader::DownloadAttempts * TDevice::DefaultAttempts);
    EXPECT_EQ(HistoryDownloadReport(Download()), "Не удалось прочитать указатель истории; файл " + name + " не изменён");
    EXPECT_EQ(folder.Read(HistoryTextFileName), kept);

    // The device goes in the middle: the records read are written, the failure handed back.
    steps.comm.FailAlways(Fault::None);
    override.shortReplies = 0;
    const int pumps = steps.pumps;
    steps.onPump = [&] {
        if (steps.pumps == pumps + 3) steps.comm.FailAlways(Fault::Vanish);
    };
    const THistoryDownload lost = Download();
    EXPECT_TRUE(lost.LinkFailure != nullptr);
    EXPECT_EQ(std::tuple(lost.FailedRecord, lost.RecordsWritten, lost.Saved), std::tuple(std::optional(2), 2, true));
    EXPECT_THAT(platform::Cp1251ToUtf8(folder.Read(HistoryTextFileName)), testing::EndsWith("\r\n2  Ошибка чтения записи: связь с устройством потеряна\r\n\r\n"));
    EXPECT_THAT(HistoryDownloadReport(lost), testing::StartsWith("Не удалось прочитать запись 2 истории (связь с устройством потеряна)"));
}

TEST_F(HistoryReading, EraseNeedsThreeYesesShowsItsWaitAndKeepsEverythingWhenItFailsSayingWhy)
{
    page->Store.Insert(0, {.Number = 7, .Record = "rec"});
    page->StringGrid1->SetCell(0, 1, "7");
    THistoryErase answer;
    std::vector<bool> mainEnabled;
    page->Actions.ClearDeviceHistory = [&] {
        EXPECT_TRUE(ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1))) << "the waiting window";
        return answer;
    };
    page->Actions.SetMainControlsEnabled = [&](bool on) { mainEnabled.push_back(on); };
    for (int refused = 0; refused < 3; ++refused) {
        for (int i = 0; i < refused; ++i) scope.Services().AnswerBox(ui::mrYes);
        scope.Services().AnswerBox(ui::mrNo);
        user.Click(*page->btnClear);
    }
    const auto& boxes = scope.Services().Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, "Вы уверены, что хотите стереть историю?\n\r* при очистке истории прекращается обмен между панелями");
    EXPECT_EQ(boxes[2].text + boxes[5].text, "Её невозможно будет восстановить!Точно?");
    EXPECT_EQ(boxes[2].type, ui::mtWarning);

    // Not erased and why, not erased with the user told already (a lost link), erased.
    const std::tuple<THistoryErase, const char*, const char*> cases[] = {
        {{false, "устройство не ответило"}, "71", "Ошибка при удалении истории!\nИстория не удалена: устройство не ответило."},
        {{false, ""}, "71", "Точно?"},
        {{true, ""}, "0", "Точно?"}};
    for (const auto& [erase, left, lastBox] : cases) {
        SCOPED_TRACE(lastBox);
        answer = erase;
        mainEnabled.clear();
        scope.Services().ClearRecords();
        user.Click(*page->btnClear);
        EXPECT_EQ(mainEnabled, (std::vector<bool>{false, true}));
        EXPECT_EQ(page->StringGrid1->Cells(0, 1) + std::to_string(page->Store.Count()), left);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, lastBox);
        EXPECT_EQ(page->StateText(), erase.Erased ? "История пуста" : "");
    }
    EXPECT_FALSE(ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1))) << "waiting window freed";
    EXPECT_EQ(scope.App().Screen().Cursor(), ui::crDefault);
}

TEST_F(HistoryReading, ReadAllGoesOnceRoundTheRingUntilEscOrAPageThatDoesNotMoveFromATypedNumber)
{
    int pages = 0;
    int escAt = 0;
    int stuckAt = 0;
    page->Actions.Backward = [&] {
        if (++pages == stuckAt) return;
        page->FirstRecord = HistoryPageBefore(page->FirstRecord);
        if (pages == escAt) user.PressKey(*page->Edit1, 27);
    };
    page->Edit1->Show();
    user.TypeText(*page->Edit1, "1g2f9");
    EXPECT_EQ(page->Edit1->Text(), "12F9") << "the typed number takes hexadecimal digits only";
    const std::tuple<int, int, int, int, int> cases[] = {// from, Esc at, stuck at, pages read, where it ends
                                                         {0x100, 0, 0, 767, 0x100 + 20},
                                                         {0x5FE0, 0, 0, 768, 0x5FE0 - 12},
                                                         {0x1000, 3, 0, 3, 0x1000 - 3 * 32},
                                                         {0x1000, 0, 5, 5, 0x1000 - 4 * 32}};
    for (const auto& [from, esc, stuck, read, last] : cases) {
        pages = 0;
        escAt = esc;
        stuckAt = stuck;
        page->FirstRecord = from;
        page->ReadAll();
        EXPECT_EQ(pages, read) << from;
        EXPECT_EQ(page->FirstRecord, last) << from;
        EXPECT_EQ(page->Stopped, esc > 0) << from;
    }
}

// ---------------------------------------------------------------- in the program

class ProgramController final : public TS7QX1FormsController {
public:
    using TS7QX1FormsController::TS7QX1FormsController;
    bool DoConnect() override
    {
        auto controller = std::make_unique<TDeviceController>(sim->worker, Log.get());
        controller->Device().SetTimeoutFloor(testsupport::SimDevice::kTimeoutMs);
        if (!controller->ReadVersion()) return false;
        SetDeviceController(std::move(controller));
        return true;
    }
    testsupport::SimDevice* sim = nullptr;
};

class HistoryInProgram : public testing::Test {
protected:
    HistoryInProgram()
    {
        ::setenv(platform::kProgramFolderVariable, folder.path.c_str(), 1);
        main->Show();
        main->FormsController = controller.get();
        controller->sim = &sim;
    }
    ~HistoryInProgram() override
    {
        main->FormsController = nullptr;
        controller.reset();
        ::unsetenv(platform::kProgramFolderVariable);
    }
    static sim::DeviceProfile Profile()
    {
        sim::DeviceProfile profile = testsupport::Profile(100);
        profile.historyRecords = 100;
        return profile;
    }

    // The lines of the next error window.
    void CatchErrorWindow()
    {
        scope.Services().AnswerModal([this](ui::TForm& form) {
            auto& window = dynamic_cast<TFormErrors&>(form);
            errorLines.push_back(window.pErrCount->Caption());
            for (int i = 0; i < window.lErrors->ItemCount(); ++i) errorLines.push_back(window.lErrors->Item(i)->Caption);
            form.SetModalResult(ui::mrOk);
        });
    }
    void ShowHistoryPage()
    {
        const std::vector<TformIncl*> pages = controller->Pages();
        controller->SelectPage(static_cast<int>(std::find(pages.begin(), pages.end(), FormHistory) - pages.begin()));
    }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    testsupport::TempFolder folder;
    std::vector<std::string> errorLines;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    testsupport::SimDevice sim{Profile(), scope.Clock()};
    std::unique_ptr<ProgramController> controller = MakeFormsController<ProgramController>(main, main->PagesPane, main->tv1);
};

TEST_F(HistoryInProgram, ConnectingRefillsTheWayTypesThenThePagePagesExportsDownloadsAndErasesTheDevice)
{
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[0], 13));
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[1], 3));
    ASSERT_TRUE(controller->Connect());
    EXPECT_EQ(formWays->cb[0]->Items().Count(), 11) << "build 100 offers eleven types";
    EXPECT_EQ(formWays->ChannelType(0), 0) << "v.110 is not among them";
    EXPECT_EQ(formWays->ChannelType(1), 3) << "a type the list still offers is kept";
    const std::vector<TformIncl*> pages = controller->Pages();
    controller->SelectPage(static_cast<int>(std::find(pages.begin(), pages.end(), FormHistory) - pages.begin()));
    controller->ReadCurrent();
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1), "99");
    user.Click(*FormHistory->btnBackward);
    EXPECT_EQ(FormHistory->FirstRecord, 36);
    EXPECT_TRUE(main->tv1->Enabled()) << "the bracket closed";
    user.Click(*FormHistory->Button3);  // the save dialog cancelled: the store shown, nothing written
    EXPECT_EQ(FormHistory->StringGrid2->RowCount(), 65);
    EXPECT_EQ(FormHistory->StringGrid2->Cells(0, 1) + " " + FormHistory->StringGrid2->Cells(0, 64), "99 36") << "newest first";
    EXPECT_EQ(FormHistory->StringGrid2->Cells(hcRecordCheck, 1) + " " + main->StatusText(TFormMain::PanelFlash), "Да AT45DB161D");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "store.xls"));
    user.Click(*FormHistory->Button2);
    EXPECT_EQ(FormHistory->FirstRecord, 68);
    FormHistory->Button4->Show();
    FormHistory->Edit1->SetText("40");
    user.Click(*FormHistory->Button4);  // the page below the typed number
    EXPECT_EQ(FormHistory->FirstRecord, 32);
    // The text download goes to the program folder; a file it cannot write is named in a box.
    FormHistory->btnStart->Show();
    std::filesystem::create_directory(folder.path / "История.txt");
    user.Click(*FormHistory->btnStart);
    EXPECT_THAT(scope.Services().Boxes().at(0).text, testing::HasSubstr((folder.path / "История.txt").string() + "\": это папка"));
    std::filesystem::remove(folder.path / "История.txt");
    user.Click(*FormHistory->btnStart);
    const std::string text = folder.Read("История.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200) << "two lines for each of 100 records";
    EXPECT_EQ(text.substr(0, 3), "99 ");
    user.Click(*FormHistory->btnClear);
    EXPECT_EQ(sim.device.HistoryPointer(), 0);
    EXPECT_EQ(FormHistory->Store.Count(), 0);
    EXPECT_TRUE(main->tv1->Enabled());

    // A disconnect (the close box, the watchdog) during a download stops it after the record in hand.
    for (const char q : {'1', '3', '1'}) sim.device.AddHistoryEvent(Event(q));
    main->tvLog->OnAddition = [this](ui::TObject*, ui::TTreeNode* node) {
        if (node->Text().starts_with("+read")) controller->Disconnect();
    };
    user.Click(*FormHistory->btnStart);
    EXPECT_EQ(std::ranges::count(folder.Read("История.txt"), '\n'), 2) << "record 2 alone";
}

TEST_F(HistoryInProgram, RecordsTheDeviceDoesNotGiveAreMarkedCountedExportedAndWhereTheDownloadStops)
{
    ASSERT_TRUE(controller->Connect());
    ShowHistoryPage();
    // Record 80 is refused on every attempt of the latest page, record 40 on every attempt of the page back.
    sim.line.AddFault("+read0050", {sim::FaultKind::Nok}, TDevice::DefaultAttempts);
    sim.line.AddFault("+read0028", {sim::FaultKind::Nok}, TDevice::DefaultAttempts);
    CatchErrorWindow();
    controller->ReadCurrent();
    EXPECT_EQ(errorLines, (std::vector<std::string>{"1", "Ошибка при чтении параметра \"Запись истории 80\""}));
    const int row = 100 - 80;  // the newest, 99, in row 1
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, row) + " " + FormHistory->StringGrid1->Cells(hcEvent, row) + ": " +
                  FormHistory->StringGrid1->Cells(hcMessage, row),
              "80 Ошибка чтения записи: устройство отказало (NOK)");
    errorLines.clear();
    CatchErrorWindow();
    user.Click(*FormHistory->btnBackward);
    EXPECT_EQ(errorLines, (std::vector<std::string>{"1", "Ошибка при чтении параметра \"Запись истории 40\""}))
        << "paging shows its own error window";

    // Both exports mark them at their places.
    const auto marks = [this](const char* file) {
        const std::string bytes = folder.Read(file);
        std::size_t count = 0;
        const std::string mark = platform::Utf8ToCp1251Lossy(std::string(HistoryReadFailed));
        for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) ++count;
        return count;
    };
    scope.Services().AnswerFileDialog((folder.path / "store.xls").string());
    user.Click(*FormHistory->Button3);
    EXPECT_EQ(marks("store.xls"), 2u);
    EXPECT_EQ(FormHistory->StringGrid2->Cells(hcEvent, 1 + 99 - 80) + FormHistory->StringGrid2->Cells(hcEvent, 1 + 99 - 40),
              "Ошибка чтения записиОшибка чтения записи");
    scope.Services().AnswerFileDialog((folder.path / "page.xls").string());
    user.Click(*FormHistory->Button1);
    EXPECT_EQ(marks("page.xls"), 1u);

    // The download stops at a record refused on every try, keeps the records before it and says so.
    FormHistory->btnStart->Show();
    sim.line.AddFault("+read0032", {sim::FaultKind::Nok}, THistoryReader::DownloadAttempts * TDevice::DefaultAttempts);
    scope.Services().ClearRecords();
    user.Click(*FormHistory->btnStart);
    const std::string text = platform::Cp1251ToUtf8(folder.Read("История.txt"));
    EXPECT_EQ(std::ranges::count(text, '\n'), 2 * (99 - 50) + 2) << "records 99 to 51 and the mark of 50";
    EXPECT_TRUE(text.ends_with("\r\n50  Ошибка чтения записи: устройство отказало (NOK)\r\n\r\n"));
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes().back().type, ui::mtWarning);
    EXPECT_EQ(scope.Services().Boxes().back().text,
              "Не удалось прочитать запись 50 истории (устройство отказало (NOK)): в файл \"" + (folder.path / "История.txt").string() +
                  "\" записано записей: 49 (с 99 по 51). Файл кончается на записи 51. Запись 50 отмечена в нём как не прочитанная. "
                  "Не выгружены записи с 50 по 0.");
}

TEST_F(HistoryInProgram, AnEraseThatFailsSaysWhyAndAnEmptyHistoryShowsAnEmptyPage)
{
    ASSERT_TRUE(controller->Connect());
    ShowHistoryPage();
    controller->ReadCurrent();
    sim.line.AddFault("+erase", {sim::FaultKind::Nok}, TDevice::DefaultAttempts);
    user.Click(*FormHistory->btnClear);
    ASSERT_FALSE(scope.Services().Boxes().empty());
    EXPECT_EQ(scope.Services().Boxes().back().text, "Ошибка при удалении истории!\nИстория не удалена: устройство отказало (NOK).");
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1), "99") << "the device keeps its history, the page too";
    user.Click(*FormHistory->btnClear);
    EXPECT_EQ(sim.device.HistoryPointer(), 0);
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1) + "|" + FormHistory->StateText(), "|История пуста");
    controller->ReadCurrent();
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1) + FormHistory->StringGrid1->Cells(hcNumber, 32) + "|" +
                  FormHistory->StateText(),
              "|История пуста")
        << "no rows of empty slots";
}

}  // namespace
