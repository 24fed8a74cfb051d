#include "app/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <cstdio>
#include <string>
#include <vector>

#include "app/HistoryReader.h"
#include "app/MsgFileU.h"
#include "app/fHistory.h"
#include "app/fWays.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/HistoryRing.h"
#include "tests/support/FakeExchangeSteps.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"
#include "ui/Canvas.h"

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

TEST(HistoryRecord, TypedNumbersStayInsideTheRing)
{
    const std::pair<std::string, std::optional<int>> typed[] = {{"5FF3", 0x5FF3}, {" 1a ", 0x1A}, {"$0020", 0x20},
                                                                {"0", 0}, {"5FF4", std::nullopt}, {"", std::nullopt},
                                                                {"G1", std::nullopt}, {"-1", std::nullopt}};
    for (const auto& [text, number] : typed) EXPECT_EQ(ParseHistoryNumber(text), number) << text;
}

TEST(HistoryRecord, CheckOfSoundCorruptedShortAndNineFillerRecords)
{
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

TEST(HistoryRecord, WholeRowsOfEveryKind)
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
        {cell(Event('1'), hcSentAll), "Нет"},
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

TEST(HistoryRecord, TextLinesOfEveryKind)
{
    const std::string phone = Record(2, Event('1'));
    EXPECT_EQ(HistoryTextLine(2, phone, Links({1, 2}, {1})),
              "2  " + phone.substr(0, 16) + " 31/05/24,12:00:00 0050 130 Тревога 01 001 Да Да 1i2i 1i2 Да 00001234 Да");
    const std::string gprs = Record(1, Event('3', "301", "99", "02", 0xFF));
    EXPECT_EQ(HistoryTextLine(1, gprs, {}),
              "1  " + gprs.substr(0, 16) + " 31/05/24,12:00:00 0050 301 Восстановление 99 001 Да Да Да 00001234 GPRS GPRS Да");
    EXPECT_EQ(HistoryTextLine(0, sim::HistoryRing::EmptyRecord(), {}), "0  - - - - - - - - - - - -");
    EXPECT_EQ(HistoryTextLine(9, With(gprs, 0, 'x'), {}), "9  Ошибка Ошибка Ошибка Ошибка - - - - - -");
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
};

TEST_F(HistoryReading, LatestPageReadsTheWaysThenTheRecordsBelowThePointer)
{
    reader.ReadLatest();
    EXPECT_EQ(page->FirstRecord, 968);
    EXPECT_EQ(Cell(hcNumber, 32) + " " + Cell(hcNumber, 1), "968 999") << "the oldest at the bottom";
    EXPECT_EQ(Cell(hcRecordCheck, 1), "Да");
    ASSERT_EQ(page->Store.Count(), 32);
    EXPECT_EQ(page->Store.At(0).Number, 999) << "newest first";
    EXPECT_EQ(RecordReads(), 32);
    EXPECT_EQ(steps.reading.front(), "LAN-online") << "the reporting ways come first";
    EXPECT_EQ(steps.steps, 10 + 1 + 32);
    EXPECT_TRUE(steps.watchdog && page->btnBackward->Enabled());
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
    page->SetBounds(0, 0, 1400, 700);
    page->Show();
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
    messages.Rows[0][2] = "$0000FF";
    EXPECT_TRUE(Inks(*page->StringGrid1, hcPhones, row).contains(0x00007F)) << "a red digit on a red row is drawn dark red";
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

TEST_F(HistoryReading, AFailedOrShortRecordIsShownAsFailedNotStoredAndReadAgainLaterACancelKeepsThePage)
{
    for (const bool shortReply : {false, true}) {
        SCOPED_TRACE(shortReply);
        page->Store.Clear();
        page->FirstRecord = 100;
        override.shortRecord = "+read0044";  // record 68
        override.shortReplies = shortReply ? 1 : 0;
        steps.comm.FailNext(shortReply ? Fault::None : Fault::Nok, 3);  // every attempt at record 68
        reader.Backward();
        EXPECT_EQ(Cell(hcNumber, 32) + " " + Cell(hcEvent, 32), "68 Ошибка чтения записи");
        EXPECT_EQ(page->Store.Find(68), nullptr) << "not stored as if it were real";
        page->FirstRecord = 100;
        reader.Backward();
        ASSERT_NE(page->Store.Find(68), nullptr);
        EXPECT_EQ(page->Store.Find(68)->Record, device.HistoryRecord(68));
        EXPECT_EQ(Cell(hcAccount, 32), "0050");
    }
    page->Store.Clear();
    steps.cancelAtStep = steps.steps + 6;
    EXPECT_THROW(reader.Backward(), TStopException);
    EXPECT_EQ(page->FirstRecord, 68);
    EXPECT_EQ(Cell(hcNumber, 32) + "|" + Cell(hcNumber, 28), "36|") << "the rows read stay";
    EXPECT_TRUE(steps.watchdog);
}

TEST_F(HistoryReading, PointerOrTypedNumberOutsideTheRingReadsNothingPointerZeroIsTheRingsEnd)
{
    reader.ReadLatest();
    page->StringGrid1->SetCell(hcNumber, 1, "kept");
    const int reads = RecordReads();
    override.pointer = "6000";
    reader.ReadLatest();
    EXPECT_NE(LastError().find("6000"), std::string::npos);
    page->Edit1->SetText("5FF4");
    reader.FromNumber();
    EXPECT_NE(LastError().find("5FF4"), std::string::npos);
    EXPECT_EQ(RecordReads(), reads);
    EXPECT_EQ(Cell(hcNumber, 1) + " " + std::to_string(page->FirstRecord), "kept 968");
    EXPECT_EQ(page->Store.Count(), 32) << "the store stays with the grid";
    override.pointer = "0000";
    reader.ReadLatest();
    EXPECT_EQ(page->FirstRecord, 0x5FD4);
    EXPECT_EQ(Cell(hcNumber, 1), std::to_string(0x5FF3));
}

TEST_F(HistoryReading, TypedNumberPageItsCancelAndALostLine)
{
    page->Edit1->SetText("20");
    reader.FromNumber();
    EXPECT_EQ(page->FirstRecord, 0);
    EXPECT_EQ(Cell(hcNumber, 1), "31");
    page->Edit1->SetText("100");
    steps.cancelAtStep = steps.steps + 3;
    EXPECT_NO_THROW(reader.FromNumber());
    EXPECT_TRUE(page->Button2->Enabled());
    steps.cancelAtStep = 0;
    steps.comm.FailAlways(Fault::Vanish);
    EXPECT_THROW(reader.FromNumber(), ELinkFailure);
    EXPECT_TRUE(page->Button2->Enabled());
}

TEST_F(HistoryReading, EraseEmptiesGridAndStoreOnlyWhenTheDeviceErased)
{
    reader.ReadLatest();
    steps.comm.FailAlways(Fault::Nok);
    EXPECT_FALSE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(Cell(hcNumber, 1) + " " + std::to_string(page->Store.Count()), "999 32") << "grid and store kept";
    EXPECT_EQ(LastError(), "Ошибка при удалении истории!");
    steps.comm.FailAlways(Fault::None);
    EXPECT_TRUE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(device.HistoryPointer(), 0);
    EXPECT_EQ(page->Store.Count(), 0);
    EXPECT_EQ(Cell(hcNumber, 0) + Cell(hcNumber, 1), "№");
}

TEST_F(HistoryReading, DownloadWritesTwoLinesPerRecordNewestFirst)
{
    override.pointer = "0003";
    EXPECT_EQ(Download().RecordsWritten, 3);
    std::string expected;
    for (int n = 2; n >= 0; --n)
        expected += HistoryTextLine(n, device.HistoryRecord(n), ways->ChannelLinks()) + "\r\n" + device.HistoryRecord(n) + "\r\n";
    EXPECT_EQ(platform::Cp1251ToUtf8(folder.Read(HistoryTextFileName)), expected) << "Cyrillic in Windows-1251";
    override.pointer = "0000";
    EXPECT_EQ(Download().RecordsWritten, 0);
    EXPECT_EQ(folder.Read(HistoryTextFileName), "");
}

TEST_F(HistoryReading, DownloadHearsTheStopButtonAndReadsARecordAgainABoundedNumberOfTimes)
{
    bool go = true;
    steps.onPump = [&] {
        if (steps.pumps == 4) go = false;  // the user presses "Finish" during the fourth record
    };
    EXPECT_TRUE(Download([&] { return go; }).Stopped);
    EXPECT_EQ(RecordReads(), 3);
    steps.onPump = nullptr;
    override.pointer = "0003";
    override.shortRecord = "+read0001";
    override.shortReplies = THistoryReader::DownloadAttempts - 1;
    EXPECT_FALSE(Download().Failed);
    EXPECT_EQ(folder.Read(HistoryTextFileName).find("0000\r\n"), std::string::npos) << "no short record in the file";
    override.shortReplies = THistoryReader::DownloadAttempts;
    EXPECT_EQ(Download().RecordsWritten, 1);

    override.pointer = "0005";
    steps.comm.FailAlways(Fault::Nok);
    steps.comm.FailNext(Fault::None, 1);  // the pointer itself reads
    const int reads = RecordReads();
    const THistoryDownload result = Download();
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(result.RecordsWritten, 0);
    EXPECT_EQ(result.Error, "Не удалось прочитать запись 0004 истории; загрузка остановлена");
    EXPECT_EQ(RecordReads() - reads, THistoryReader::DownloadAttempts * TDevice::DefaultAttempts);
}

}  // namespace
