#include "app/History.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/HistoryReader.h"
#include "app/fHistory.h"
#include "app/fWays.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/HistoryRing.h"
#include "tests/support/FakeExchangeSteps.h"
#include "ui/Application.h"

namespace {

sim::HistoryEvent Event(char qualifier, std::string code, std::string group, std::string delivery = "00",
                        std::uint8_t channels = 0xFE)
{
    sim::HistoryEvent e;
    e.qualifier = qualifier;
    e.code = std::move(code);
    e.group = std::move(group);
    e.time = 1'717'156'800;  // 2024-05-31 12:00:00 UTC
    e.global = 0x1234;
    e.delivery = std::move(delivery);
    e.channels = channels;
    return e;
}

std::string Record(int number, const sim::HistoryEvent& e) { return sim::HistoryRing::MakeRecord(number, e); }

TChannelLinks Links(std::initializer_list<int> inUse, std::initializer_list<int> orLinks)
{
    TChannelLinks links;
    for (const int c : inUse) links.InUse[static_cast<std::size_t>(c - 1)] = true;
    for (const int l : orLinks) links.OrLink[static_cast<std::size_t>(l - 1)] = true;
    return links;
}

// The check byte (positions 94-95, or wherever the fillers put it) that makes the record sound.
std::string WithCheckByte(std::string record, std::size_t at, int fillers)
{
    for (int v = 0; v < 256; ++v) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", v);
        record.replace(at, 2, hex);
        if (HistoryRecordCheck(7, record, fillers) == true) return record;
    }
    return {};
}

// ---------------------------------------------------------------- ring arithmetic

TEST(HistoryRing, PagesWrapAtTheEndOfTheRing)
{
    EXPECT_EQ(HistoryPageBefore(10), 0x5FDE);
    EXPECT_EQ(HistoryDistance(0x5FDE, 10), 32);
    EXPECT_EQ(HistoryAdvance(0x5FF3, 1), 0);
    EXPECT_EQ(HistoryAdvance(0x5FE0, 32), 0xC);
    EXPECT_EQ(HistoryPageBefore(0), 0x5FD4);
    EXPECT_EQ(HistoryPageBefore(32), 0);
    EXPECT_EQ(HistoryPageBefore(31), HistoryLastRecord);
}

TEST(HistoryRing, TypedNumbersOutsideTheRingAreRefused)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"5FF3", 0x5FF3}, {" 1a ", 0x1A}, {"$0020", 0x20}, {"0", 0},
        {"5FF4", std::nullopt}, {"", std::nullopt}, {"G1", std::nullopt}, {"-1", std::nullopt}};
    for (const auto& [text, number] : cases) EXPECT_EQ(ParseHistoryNumber(text), number) << text;
    EXPECT_EQ(HistoryNumberHex(10), "000A");
}

// ---------------------------------------------------------------- record checks

TEST(HistoryRecordCheck, SoundCorruptedAndShortRecords)
{
    const std::string sound = Record(300, Event('1', "130", "01"));
    EXPECT_EQ(HistoryRecordCheck(300, sound), true);
    EXPECT_EQ(HistoryRecordCheck(301, sound), false) << "the number belongs to the check";
    std::string corrupted = sound;
    corrupted[12] = corrupted[12] == '1' ? '2' : '1';
    EXPECT_EQ(HistoryRecordCheck(300, corrupted), false);
    std::string filler = sound;
    filler[20] = '0';
    EXPECT_EQ(HistoryRecordCheck(300, filler), true) << "filler positions count 255 whatever they hold";
    std::string badPair = sound;
    badPair[90] = 'X';
    EXPECT_EQ(HistoryRecordCheck(300, badPair), std::nullopt);
    EXPECT_EQ(HistoryRecordCheck(300, sound.substr(0, 80)), std::nullopt);
    EXPECT_EQ(HistoryRecordCheck(0, sim::HistoryRing::EmptyRecord()), false);
}

TEST(HistoryRecordCheck, NineFillersTakeTheLastPairsEarlier)
{
    const std::string twelve = Record(7, Event('1', "130", "01"));
    std::string nine = twelve.substr(0, 77) + std::string(9, 'F') + "00FE00";
    nine = WithCheckByte(nine, 90, HistoryFillersM45PE16);
    ASSERT_FALSE(nine.empty());
    EXPECT_EQ(HistoryRecordCheck(7, nine, HistoryFillersM45PE16), true);
    EXPECT_NE(HistoryRecordCheck(7, nine, HistoryFillers), true);
    EXPECT_EQ(HistoryRecordCheck(7, twelve, HistoryFillers), true);
    EXPECT_NE(HistoryRecordCheck(7, twelve, HistoryFillersM45PE16), true);
}

// ---------------------------------------------------------------- rows

TEST(HistoryRow, ValidAlarmDeliveredByPhone)
{
    const std::string record = Record(300, Event('1', "130", "01", "00", 0xFE));
    const THistoryRow row = DecodeHistoryRow(300, record, "1i2i", false);
    EXPECT_EQ(row[hcNumber], "300");
    EXPECT_EQ(row[hcTime], "31/05/24,12:00:00");
    EXPECT_EQ(row[hcAccount], "0050");
    EXPECT_EQ(row[hcCode], "130");
    EXPECT_EQ(row[hcKind], "Тревога");
    EXPECT_EQ(row[hcGroup], "01");
    EXPECT_EQ(row[hcZone], "001");
    EXPECT_EQ(row[hcMessage], record.substr(0, 16));
    EXPECT_EQ(row[hcCidCheck], "Да");
    EXPECT_EQ(row[hcSentOne], "Да");
    EXPECT_EQ(row[hcSentAll], "Да");
    EXPECT_EQ(row[hcGlobal], "00001234");
    EXPECT_EQ(row[hcRecordCheck], "Да");
    EXPECT_EQ(HistoryEventKey(row), "1301");
}

TEST(HistoryRow, AllChannelsRuleOnTheSpread)
{
    const std::string record = Record(1, Event('3', "130", "01"));
    EXPECT_EQ(DecodeHistoryRow(1, record, "1i2i", false)[hcSentAll], "Да");
    EXPECT_EQ(DecodeHistoryRow(1, record, "1i2", false)[hcSentAll], "Нет");
    const THistoryRow row = DecodeHistoryRow(1, record, "", false);
    EXPECT_EQ(row[hcSentAll], "Нет");
    EXPECT_EQ(row[hcKind], "Восстановление");
    EXPECT_EQ(HistoryEventKey(row), "1303");
}

TEST(HistoryRow, DeliveryCodes)
{
    struct Case { const char* delivery; const char* one; const char* all; const char* fact; };
    for (const Case& c : {Case{"01", "Нет", "Нет", ""}, Case{"02", "Да", "Да", "GPRS"}, Case{"03", "Да", "Да", "LAN"},
                          Case{"07", "", "", ""}}) {
        SCOPED_TRACE(c.delivery);
        const THistoryRow row = DecodeHistoryRow(1, Record(1, Event('1', "130", "01", c.delivery, 0xFF)), "", false);
        EXPECT_EQ(row[hcSentOne], c.one);
        EXPECT_EQ(row[hcSentAll], c.all);
        EXPECT_EQ(row[hcSentFact], c.fact);
        EXPECT_EQ(row[hcPhones], c.fact);
    }
}

TEST(HistoryRow, EmptySlotShowsOnlyTheNumber)
{
    const THistoryRow row = DecodeHistoryRow(42, sim::HistoryRing::EmptyRecord(), "", true);
    EXPECT_EQ(row[hcNumber], "42");
    for (int c = 1; c < HistoryColumnCount; ++c) EXPECT_EQ(row[static_cast<std::size_t>(c)], "") << c;
    EXPECT_EQ(HistoryEventKey(row), "");
}

TEST(HistoryRow, InvalidMessageShowsErrors)
{
    std::string record = Record(5, Event('1', "130", "01"));
    record[3] = 'x';
    const THistoryRow row = DecodeHistoryRow(5, record, "", false);
    for (const int c : {hcAccount, hcCode, hcGroup, hcZone}) EXPECT_EQ(row[static_cast<std::size_t>(c)], "Ошибка");
    EXPECT_EQ(row[hcTime], "");
    EXPECT_EQ(DecodeHistoryRow(5, "0050181", "", false)[hcAccount], "Ошибка") << "a short message is no message";
}

TEST(HistoryRow, DatesThatAreNotDatesAreFlagged)
{
    std::string record = Record(5, Event('1', "130", "01"));
    EXPECT_EQ(HistoryDateText(record), "31/05/24,12:00:00");
    std::string letter = record;
    letter[58] = 'A';
    EXPECT_EQ(DecodeHistoryRow(5, letter, "", false)[hcTime], "неправильный формат");
    std::string noQuote = record;
    noQuote[68] = '+';
    EXPECT_EQ(DecodeHistoryRow(5, noQuote, "", false)[hcTime], "неправильный формат");
}

TEST(HistoryRow, GroupRule)
{
    const auto group = [](char q, const char* code, const char* g, bool alt) {
        return DecodeHistoryRow(1, Record(1, Event(q, code, g)), "", alt)[hcGroup];
    };
    EXPECT_EQ(group('1', "602", "99", true), "99") << "a periodic test alarm keeps 99";
    EXPECT_EQ(group('3', "602", "99", true), "153");
    EXPECT_EQ(group('3', "602", "99", false), "99") << "without alternative sections nothing converts";
    EXPECT_EQ(group('1', "130", "1A", true), "26");
    EXPECT_EQ(group('1', "130", "01", false), "01");
}

TEST(HistoryRow, FailedReadShowsTheFailure)
{
    const THistoryRow row = FailedHistoryRow(17);
    EXPECT_EQ(row[hcNumber], "17");
    EXPECT_EQ(row[hcEvent], "Ошибка чтения записи");
    EXPECT_EQ(HistoryEventKey(row), "");
}

// ---------------------------------------------------------------- channel marks

TEST(HistoryMarks, SentChannelsFromTheDeliveryBits)
{
    EXPECT_EQ(DecodeSentChannels(Record(1, Event('1', "130", "01", "00", 0xF6))), "4 1");
    EXPECT_EQ(DecodeSentChannels(Record(1, Event('1', "130", "01", "00", 0x7F))), "8");
    std::string bad = Record(1, Event('1', "130", "01"));
    bad[91] = 'Z';
    EXPECT_EQ(DecodeSentChannels(bad), "");
    EXPECT_EQ(DecodeSentChannels("short"), "");
}

TEST(HistoryMarks, ChannelListFollowsTheReportingWays)
{
    EXPECT_EQ(FormatChannelList("3 1", Links({1, 2, 3, 4}, {2})), "1i2или3i4");
    EXPECT_EQ(FormatChannelList("", Links({1, 3}, {1, 2})), "13") << "an OR link to an unused channel is no link";
    EXPECT_EQ(FormatChannelList("1", Links({}, {})), "");
}

TEST(HistoryMarks, OrLinkedChannelsShareTheirMarks)
{
    EXPECT_EQ(SpreadGroupMarks("1i2или3i4"), "1i2i3i4");
    EXPECT_EQ(SpreadGroupMarks("1i2или34"), "1i234");
    EXPECT_EQ(SpreadGroupMarks("1или2или3i"), "1i2i3i");
    EXPECT_TRUE(AllChannelsMarked("1i2i"));
    EXPECT_FALSE(AllChannelsMarked("1i2"));
    EXPECT_FALSE(AllChannelsMarked(""));
}

TEST(HistoryMarks, OnlyPhoneDeliveriesCarryMarks)
{
    const TChannelLinks links = Links({1, 2, 3}, {1});
    const THistoryMarks phone = HistoryChannelMarks(Record(1, Event('1', "130", "01", "00", 0xFE)), links);
    EXPECT_EQ(phone.Own, "1i23");
    EXPECT_EQ(phone.Group, "1i2i3");
    EXPECT_EQ(HistoryChannelMarks(Record(1, Event('1', "130", "01", "02", 0xFE)), links).Group, "");
}

// ---------------------------------------------------------------- text download line

TEST(HistoryTextLine, ValidRecordDeliveredByPhone)
{
    const std::string record = Record(2, Event('1', "130", "01", "00", 0xFE));
    EXPECT_EQ(HistoryTextLine(2, record, Links({1, 2}, {1})),
              "2  " + record.substr(0, 16) + " 31/05/24,12:00:00 0050 130 Тревога 01 001 Да Да 1i2i 1i2 Да 00001234 Да");
}

TEST(HistoryTextLine, GprsRecordAndOddSlots)
{
    const std::string gprs = Record(1, Event('3', "301", "99", "02", 0xFF));
    EXPECT_EQ(HistoryTextLine(1, gprs, {}),
              "1  " + gprs.substr(0, 16) + " 31/05/24,12:00:00 0050 301 Восстановление 99 001 Да Да Да 00001234 GPRS GPRS Да");
    EXPECT_EQ(HistoryTextLine(0, sim::HistoryRing::EmptyRecord(), {}), "0  - - - - - - - - - - - -");
    std::string invalid = gprs;
    invalid[0] = 'x';
    EXPECT_EQ(HistoryTextLine(9, invalid, {}), "9  Ошибка Ошибка Ошибка Ошибка - - - - - -");
}

// ---------------------------------------------------------------- record store

TEST(HistoryStore, KeepsDisplayOrderAndFindsByNumber)
{
    THistoryStore store;
    store.Insert(0, {10, "a", "", ""});
    store.Insert(0, {11, "b", "", ""});
    store.Insert(store.Count(), {5, "c", "", ""});
    store.Insert(2, {6, "d", "1i", "1i"});
    ASSERT_EQ(store.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(store.At(i).Number, (std::array{11, 10, 6, 5})[static_cast<std::size_t>(i)]);
    EXPECT_EQ(store.Find(7), nullptr);
    store.Insert(0, {10, "again", "", ""});
    EXPECT_EQ(store.Count(), 4) << "a number is stored once";
    EXPECT_EQ(store.Find(10)->Record, "again");
    EXPECT_THROW(store.At(4), std::out_of_range);
}

// ---------------------------------------------------------------- reading from the device

// A device whose write pointer says what the test wants, whatever its ring holds.
class PointerOverride final : public sim::Responder {
public:
    explicit PointerOverride(sim::Responder& inner) : inner_(inner) {}
    std::string Answer(const std::string& request) override
    {
        if (request == "+point" && !pointer.empty()) return ">" + pointer + "\r\nOK\r\n";
        if (request == shortRecord && shortReplies > 0) {
            --shortReplies;
            return ">0000\r\nOK\r\n";  // what a late reply to "+point" looks like
        }
        return inner_.Answer(request);
    }
    std::string pointer;
    std::string shortRecord;  // this request gets a reply that is no record, `shortReplies` times
    int shortReplies = 0;

private:
    sim::Responder& inner_;
};

class HistoryReading : public testing::Test {
protected:
    explicit HistoryReading(int records = 1000)
        : device(Profile(records), scope.Clock(), 1'715'953'510), override(device),
          steps(override, scope.Clock())
    {
        FormHistory = page;
        formWays = ways;
    }
    ~HistoryReading() override
    {
        FormHistory = nullptr;
        formWays = nullptr;
    }

    static sim::DeviceProfile Profile(int records)
    {
        sim::DeviceProfile p;
        p.historyRecords = records;
        return p;
    }

    int RecordReads() const
    {
        int n = 0;
        for (const std::string& r : device.Requests()) n += r.starts_with("+read") ? 1 : 0;
        return n;
    }

    ui::ApplicationScope scope;
    sim::Communicator device;
    PointerOverride override;
    testsupport::FakeExchangeSteps steps;
    TFormHistory* page = scope.App().CreateForm<TFormHistory>("FormHistory");
    TformWays* ways = scope.App().CreateForm<TformWays>("formWays");
    THistoryReader reader{steps, *page};
};

TEST_F(HistoryReading, LatestPageReadsTheWaysThenTheRecordsBelowThePointer)
{
    reader.ReadLatest();
    EXPECT_EQ(page->FirstRecord, 968);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 32), "968") << "the oldest at the bottom";
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "999");
    ASSERT_EQ(page->Store.Count(), 32);
    EXPECT_EQ(page->Store.At(0).Number, 999) << "newest first";
    EXPECT_EQ(RecordReads(), 32);
    EXPECT_EQ(steps.reading.front(), "LAN-online") << "the reporting ways come first";
    EXPECT_EQ(steps.steps, 10 + 1 + 32);
    EXPECT_TRUE(steps.watchdog);
    EXPECT_TRUE(page->btnBackward->Enabled());
}

TEST_F(HistoryReading, PagingBackWrapsAndAStoredPageAsksNothing)
{
    reader.ReadLatest();
    page->FirstRecord = 10;
    page->Store.Clear();
    reader.Backward();
    EXPECT_EQ(page->FirstRecord, 0x5FDE);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 32), std::to_string(0x5FDE));
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 11), std::to_string(0x5FF3));
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 10), "0");
    EXPECT_EQ(steps.windowsClosed, 1);

    reader.Forward();
    EXPECT_EQ(page->FirstRecord, 10);
    reader.Backward();
    const int reads = RecordReads();
    page->FirstRecord = 10;
    reader.Backward();
    EXPECT_EQ(RecordReads(), reads) << "every record of the page is in the store";
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "9");
}

TEST_F(HistoryReading, BackwardPagesLandAfterTheStoreForwardPagesBeforeIt)
{
    reader.ReadLatest();
    reader.Backward();
    reader.Backward();
    reader.Backward();
    ASSERT_EQ(page->Store.Count(), 4 * 32);
    for (int i = 0; i < page->Store.Count(); ++i) EXPECT_EQ(page->Store.At(i).Number, 999 - i) << i;
    page->FirstRecord = 968;
    reader.Forward();
    EXPECT_EQ(page->FirstRecord, 1000);
    EXPECT_EQ(page->Store.At(0).Number, 1031);
}

TEST_F(HistoryReading, AFailedOrShortRecordIsShownAsFailedNotStoredAndReadAgainLater)
{
    for (const bool shortReply : {false, true}) {
        SCOPED_TRACE(shortReply);
        page->Store.Clear();
        page->FirstRecord = 100;
        if (shortReply) {
            override.shortRecord = "+read0044";  // record 68
            override.shortReplies = 1;
        } else {
            steps.comm.FailNext(testsupport::LoopbackComm::Fault::Nok, 3);  // every attempt at record 68
        }
        reader.Backward();
        EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 32), "68");
        EXPECT_EQ(page->StringGrid1->Cells(hcEvent, 32), "Ошибка чтения записи");
        EXPECT_EQ(page->Store.Find(68), nullptr) << "not stored as if it were real";
        page->FirstRecord = 100;
        reader.Backward();
        ASSERT_NE(page->Store.Find(68), nullptr);
        EXPECT_EQ(page->Store.Find(68)->Record, device.HistoryRecord(68));
        EXPECT_EQ(page->StringGrid1->Cells(hcAccount, 32), "0050");
    }
}

TEST_F(HistoryReading, CancelKeepsTheRowsReadAndThePage)
{
    page->FirstRecord = 100;
    steps.cancelAtStep = 6;
    EXPECT_THROW(reader.Backward(), TStopException);
    EXPECT_EQ(page->FirstRecord, 100);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 32), "68");
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 28), "");
    EXPECT_TRUE(steps.watchdog);
}

TEST_F(HistoryReading, PointerOutsideTheRingIsRefused)
{
    reader.ReadLatest();
    override.pointer = "6000";
    page->StringGrid1->SetCell(hcNumber, 1, "kept");
    const int reads = RecordReads();
    reader.ReadLatest();
    EXPECT_EQ(RecordReads(), reads);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "kept");
    EXPECT_EQ(page->Store.Count(), 32) << "the store stays with the grid";
    const auto errors = steps.log.Texts(testsupport::RecordingLog::Kind::Error);
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find("6000"), std::string::npos);
}

TEST_F(HistoryReading, WritePointerZeroGivesTheLastPageOfTheRing)
{
    override.pointer = "0000";
    reader.ReadLatest();
    EXPECT_EQ(page->FirstRecord, 0x5FD4);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), std::to_string(0x5FF3));
}

TEST_F(HistoryReading, TypedNumberPage)
{
    page->Edit1->SetText("20");
    reader.FromNumber();
    EXPECT_EQ(page->FirstRecord, 0);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "31");

    page->Edit1->SetText("5FF4");
    const int reads = RecordReads();
    reader.FromNumber();
    EXPECT_EQ(RecordReads(), reads) << "a number outside the ring reads nothing";
    EXPECT_EQ(page->FirstRecord, 0);
    EXPECT_NE(steps.log.Texts(testsupport::RecordingLog::Kind::Error).back().find("5FF4"), std::string::npos);
}

TEST_F(HistoryReading, TypedNumberCancelIsQuietButALostLineIsNot)
{
    page->Edit1->SetText("100");
    steps.cancelAtStep = 3;
    EXPECT_NO_THROW(reader.FromNumber());
    EXPECT_TRUE(page->Button2->Enabled());
    steps.cancelAtStep = 0;
    steps.comm.FailAlways(testsupport::LoopbackComm::Fault::Vanish);
    EXPECT_THROW(reader.FromNumber(), ELinkFailure);
    EXPECT_TRUE(page->Button2->Enabled());
}

TEST_F(HistoryReading, EraseEmptiesGridAndStoreOnlyWhenTheDeviceErased)
{
    reader.ReadLatest();
    steps.comm.FailAlways(testsupport::LoopbackComm::Fault::Nok);
    EXPECT_FALSE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(page->Store.Count(), 32);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "999");
    EXPECT_EQ(steps.log.Texts(testsupport::RecordingLog::Kind::Error).back(), "Ошибка при удалении истории!");
    steps.comm.FailAlways(testsupport::LoopbackComm::Fault::None);
    EXPECT_TRUE(EraseDeviceHistory(steps, true));
    EXPECT_EQ(device.HistoryPointer(), 0);
    EXPECT_EQ(page->Store.Count(), 0);
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "");
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 0), "№");
}

class WrappedRing : public HistoryReading {
protected:
    WrappedRing() : HistoryReading(HistoryRingSize + 10) {}
};

TEST_F(WrappedRing, LatestPageWrapsRoundTheEnd)
{
    reader.ReadLatest();
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 1), "9");
    EXPECT_EQ(page->StringGrid1->Cells(hcNumber, 11), std::to_string(HistoryLastRecord));
    EXPECT_EQ(page->StringGrid1->Cells(hcAccount, 11), "0050") << "the wrapped part of a full ring holds records";
}

// ---------------------------------------------------------------- text download

class HistoryDownload : public HistoryReading {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "hist-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string FileText()
    {
        std::ifstream in(folder / HistoryTextFileName, std::ios::binary);
        return platform::Cp1251ToUtf8(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    THistoryDownload Download(std::function<bool()> go = [] { return true; })
    {
        return reader.SaveToFile(folder / HistoryTextFileName, go);
    }
    std::filesystem::path folder;
};

TEST_F(HistoryDownload, TwoLinesPerRecordNewestFirst)
{
    override.pointer = "0003";
    const THistoryDownload result = Download();
    EXPECT_EQ(result.RecordsWritten, 3);
    const std::string expected = HistoryTextLine(2, device.HistoryRecord(2), ways->ChannelLinks()) + "\r\n" +
                                 device.HistoryRecord(2) + "\r\n" +
                                 HistoryTextLine(1, device.HistoryRecord(1), ways->ChannelLinks()) + "\r\n" +
                                 device.HistoryRecord(1) + "\r\n" +
                                 HistoryTextLine(0, device.HistoryRecord(0), ways->ChannelLinks()) + "\r\n" +
                                 device.HistoryRecord(0) + "\r\n";
    EXPECT_EQ(FileText(), expected);
    EXPECT_NE(FileText().find("Тревога"), std::string::npos) << "Cyrillic written in Windows-1251";
}

TEST_F(HistoryDownload, PointerZeroWritesAnEmptyFile)
{
    override.pointer = "0000";
    EXPECT_EQ(Download().RecordsWritten, 0);
    EXPECT_TRUE(std::filesystem::exists(folder / HistoryTextFileName));
}

TEST_F(HistoryDownload, AFailingRecordIsRetriedABoundedNumberOfTimes)
{
    override.pointer = "0005";
    steps.comm.FailAlways(testsupport::LoopbackComm::Fault::Nok);
    steps.comm.FailNext(testsupport::LoopbackComm::Fault::None, 1);  // the pointer itself reads
    const THistoryDownload result = Download();
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(result.RecordsWritten, 0);
    EXPECT_NE(result.Error.find("0004"), std::string::npos);
    EXPECT_EQ(RecordReads(), THistoryReader::DownloadAttempts * TDevice::DefaultAttempts);
}

TEST_F(HistoryDownload, AReplyThatIsNoRecordIsReadAgain)
{
    override.pointer = "0003";
    override.shortRecord = "+read0001";
    override.shortReplies = 2;
    const THistoryDownload result = Download();
    EXPECT_FALSE(result.Failed);
    EXPECT_EQ(FileText().find("0000\r\n"), std::string::npos) << "no short record in the file";

    override.shortReplies = THistoryReader::DownloadAttempts;
    const THistoryDownload failed = Download();
    EXPECT_TRUE(failed.Failed);
    EXPECT_EQ(failed.RecordsWritten, 1);
}

TEST_F(HistoryDownload, TheStopButtonIsHeardWhileItRuns)
{
    bool go = true;
    steps.onPump = [&] {
        if (steps.pumps == 4) go = false;  // the user presses "Finish" during the fourth record
    };
    const THistoryDownload result = Download([&] { return go; });
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(RecordReads(), 3);
}

}  // namespace
