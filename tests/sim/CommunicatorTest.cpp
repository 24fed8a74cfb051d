#include "sim/Communicator.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using sim::Communicator;
using sim::HistoryRing;

constexpr std::time_t kMay17 = 1'715'953'510;  // 2024-05-17 13:45:10

// The Contact ID check as the history view applies it: "0" counts 10, the check value 15 - sum mod 15
// is written a-f for 10-15, and the comparison ignores the case of the check character.
bool ContactIdSound(const std::string& cid)
{
    if (cid.size() < 16) return false;
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const char c = cid[static_cast<std::size_t>(i)];
        const int v = c >= '0' && c <= '9' ? c - '0' : c - 'A' + 10;
        sum += v == 0 ? 10 : v;
    }
    const int expected = 15 - sum % 15;
    const char want = expected >= 10 ? static_cast<char>('a' + expected - 10) : static_cast<char>('0' + expected);
    return want == static_cast<char>(std::tolower(static_cast<unsigned char>(cid[15])));
}

class CommunicatorTest : public ::testing::Test {
protected:
    std::string Ask(const std::string& body) { return device.Answer("+" + body); }

    platform::ManualClock clock;
    sim::DeviceProfile profile = [] {
        sim::DeviceProfile p;
        p.historyRecords = 100;
        p.values = {{"GAPN0", "internet.book.ru"}};
        return p;
    }();
    Communicator device{profile, clock, kMay17};
};

TEST_F(CommunicatorTest, WordsAreMatchedLongestFirstAndCaseSensitively)
{
    EXPECT_EQ(Ask("typepan1"), ">78\r\nOK\r\n");
    EXPECT_EQ(Ask("typepan"), ">00\r\nOK\r\n");
    EXPECT_EQ(Ask("filtral1"), ">FFFFFFFFFF3F0000\r\nOK\r\n");
    EXPECT_EQ(Ask("filtrall"), ">FFFFFFFFFFFFFFFFFFFFFFFF\r\nOK\r\n");
    EXPECT_EQ(Ask("IP1adr"), ">91.210.56.13\r\nOK\r\n");
    EXPECT_EQ(Ask("IPadr"), ">91.210.56.12\r\nOK\r\n");
    EXPECT_EQ(Ask("OUTS03"), "OK\r\n");
    EXPECT_TRUE(device.OutputsOn());
    EXPECT_EQ(Ask("o"), ">0050\r\nOK\r\n") << "\"o\" is not taken for OUTS";
    EXPECT_EQ(Ask("reset"), "OK\r\n");
    EXPECT_EQ(device.Resets(), 1);
    EXPECT_EQ(Ask("read0000").substr(0, 1), ">");
    EXPECT_EQ(Ask("TYPEPAN"), "NOK\r\n");
    EXPECT_EQ(Ask("V"), "NOK\r\n");
}

TEST_F(CommunicatorTest, WordListIsSortedLongestFirst)
{
    const auto words = device.Words();
    for (std::size_t i = 1; i < words.size(); ++i) EXPECT_GE(words[i - 1].size(), words[i].size());
    EXPECT_EQ(std::set<std::string>(words.begin(), words.end()).size(), words.size()) << "no word twice";
}

TEST_F(CommunicatorTest, FreshChannelsAgreeWithTheOnlineGprsFlags)
{
    // SIM 1 carries online GPRS, so the offline GPRS channel uses SIM 2 (type codes 01xx).
    EXPECT_EQ(Ask("gprsena"), ">F0\r\nOK\r\n");
    EXPECT_EQ(Ask("alphon2"), ">210103=\r\nOK\r\n");
}

TEST_F(CommunicatorTest, WritesChangeTheStoreAndReadsReturnIt)
{
    EXPECT_EQ(Ask("pwlogFFFF0008000C00FFFF"), "OK\r\n");
    EXPECT_EQ(Ask("pwlog"), ">FFFF0008000C00FFFF\r\nOK\r\n");
    EXPECT_EQ(Ask("phing3+79998887766"), "OK\r\n");
    EXPECT_EQ(Ask("phing3"), ">+79998887766\r\nOK\r\n");
    EXPECT_EQ(Ask("alphon2310003="), "OK\r\n");
    EXPECT_EQ(Ask("alphon2"), ">310003=\r\nOK\r\n");
}

TEST_F(CommunicatorTest, InputEventWriteDropsItsTrailingZero)
{
    EXPECT_EQ(Ask("n021130070120"), "OK\r\n");
    EXPECT_EQ(Ask("n02"), ">113007012\r\nOK\r\n");
}

TEST_F(CommunicatorTest, ParadoxObjectWriteCarriesTheValueTwice)
{
    EXPECT_EQ(Ask("pxobj312341234"), "OK\r\n");
    EXPECT_EQ(Ask("pxobj3"), ">1234\r\nOK\r\n");
}

TEST_F(CommunicatorTest, RefusesWhatTheDeviceWouldNotTake)
{
    EXPECT_EQ(Ask("IMEI123"), "NOK\r\n") << "read-only";
    EXPECT_EQ(Ask("typepan1FF"), "NOK\r\n");
    EXPECT_EQ(Ask("pwlogXYZ"), "NOK\r\n") << "not hexadecimal";
    EXPECT_EQ(Ask("masterkey12a4"), "NOK\r\n");
    EXPECT_EQ(Ask("phing9"), "NOK\r\n") << "no such index";
    EXPECT_EQ(Ask("GAPN2"), "NOK\r\n");
    EXPECT_EQ(Ask("phing"), "NOK\r\n");
    EXPECT_EQ(Ask("nonsense"), "NOK\r\n");
    EXPECT_EQ(device.Answer("o"), "NOK\r\n") << "without the prefix";
    EXPECT_EQ(device.Answer(""), "") << "an empty line gets no reply";
    EXPECT_EQ(device.Answer("CABLE CONNECT"), "OK\r\n");
    EXPECT_EQ(device.Answer("CABLE DISCONNECT"), "OK\r\n");
}

TEST_F(CommunicatorTest, LoginChecksTheMasterKey)
{
    EXPECT_EQ(Ask("id0000"), "NOK\r\n");
    EXPECT_FALSE(device.LoggedIn());
    EXPECT_EQ(Ask("id5816"), "OK\r\n");
    EXPECT_TRUE(device.LoggedIn());
    EXPECT_EQ(Ask("masterkey4321"), "OK\r\n");
    EXPECT_EQ(Ask("id5816"), "NOK\r\n") << "the new key counts";
    EXPECT_EQ(Ask("id4321"), "OK\r\n");
}

TEST_F(CommunicatorTest, ClockRunsAndCanBeSet)
{
    EXPECT_EQ(Ask("AH"), ">24/05/17,13:45:10+00\r\nOK\r\n");
    clock.Advance(61'000);
    EXPECT_EQ(Ask("AH"), ">24/05/17,13:46:11+00\r\nOK\r\n");
    EXPECT_EQ(Ask("AS\"25/02/28,23:59:59+00\""), "OK\r\n");
    clock.Advance(1'000);
    EXPECT_EQ(Ask("AH"), ">25/03/01,00:00:00+00\r\nOK\r\n");
    for (const char* bad : {"AS\"25/13/01,00:00:00+00\"", "AS25/02/28,23:59:59+00", "AS\"25/02/28 23:59:59+00\"",
                            "AS\"25/02/28,24:00:00+00\""})
        EXPECT_EQ(Ask(bad), "NOK\r\n") << bad;
}

TEST_F(CommunicatorTest, VersionAndIdentityComeFromTheProfile)
{
    EXPECT_EQ(Ask("v"), ">REV 11.005.120\r\nOK\r\n");
    EXPECT_EQ(Ask("IMEI"), ">356938035643809\r\nOK\r\n");
    EXPECT_EQ(Ask("masterkey"), ">5816\r\nOK\r\n");
    EXPECT_EQ(Ask("GAPN0"), ">internet.book.ru\r\nOK\r\n") << "a preset value in place of the factory one";
    EXPECT_EQ(Ask("GAPN1"), ">internet.beeline.ru\r\nOK\r\n");
}

TEST(DeviceProfile, RandomProfilesAreRepeatableAndPlausible)
{
    const sim::DeviceProfile a = sim::RandomProfile(7);
    const sim::DeviceProfile b = sim::RandomProfile(7);
    EXPECT_EQ(a.version, b.version);
    EXPECT_EQ(a.imei, b.imei);
    EXPECT_EQ(a.masterKey, b.masterKey);
    std::set<std::string> panels, keys;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const sim::DeviceProfile p = sim::RandomProfile(seed);
        EXPECT_EQ(p.version.substr(0, 11), "REV 11.005.");
        ASSERT_EQ(p.imei.size(), 15u);
        EXPECT_EQ(p.imei.back(), sim::ImeiCheckDigit(p.imei.substr(0, 14)));
        EXPECT_EQ(p.masterKey.size(), 4u);
        panels.insert(sim::PanelCode(p.panel));
        keys.insert(p.masterKey);
    }
    EXPECT_EQ(panels, (std::set<std::string>{"00", "01", "06"}));
    EXPECT_GT(keys.size(), 30u);
    EXPECT_EQ(sim::ImeiCheckDigit("49015420323751"), '8');
}

TEST(BolidText, OnlyABolidPanelTalksAndMostPollsAreEmpty)
{
    platform::ManualClock clock;
    sim::DeviceProfile profile;
    profile.panel = sim::PanelKind::Bolid;
    Communicator bolid(profile, clock, kMay17);
    int messages = 0;
    for (int i = 0; i < 9; ++i)
        if (bolid.Answer("+bolidtxt") != ">\r\nOK\r\n") ++messages;
    EXPECT_EQ(messages, 3);
    Communicator altonika(sim::DeviceProfile{}, clock, kMay17);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(altonika.Answer("+bolidtxt"), ">\r\nOK\r\n");
}

TEST_F(CommunicatorTest, HistoryHoldsSoundRecordsBelowThePointer)
{
    EXPECT_EQ(Ask("point"), ">0064\r\nOK\r\n");
    for (int n = 0; n < 100; ++n) {
        const std::string record = device.HistoryRecord(n);
        ASSERT_EQ(record.size(), 95u) << n;
        EXPECT_TRUE(ContactIdSound(record.substr(0, 16))) << record;
        EXPECT_TRUE(HistoryRing::RecordCheckOk(n, record)) << n;
        EXPECT_EQ(record.substr(0, 6), "005018");
        EXPECT_EQ(record[47], '"');
        EXPECT_EQ(record[68], '"');
        EXPECT_EQ(record.substr(66, 2), "00") << "zone suffix +00";
        const std::string delivery = record.substr(89, 2);
        EXPECT_TRUE(delivery == "00" || delivery == "01" || delivery == "02" || delivery == "03");
    }
    EXPECT_EQ(device.HistoryRecord(99).substr(48, 17), "24/05/17,13:35:10") << "the newest is ten minutes old";
    EXPECT_EQ(device.HistoryRecord(100), HistoryRing::EmptyRecord());
    EXPECT_EQ(Ask("read0063"), ">" + device.HistoryRecord(99) + "\r\nOK\r\n");
    EXPECT_EQ(Ask("read5FF3"), ">" + HistoryRing::EmptyRecord() + "\r\nOK\r\n");
    EXPECT_EQ(Ask("read5FF4"), "NOK\r\n");
    EXPECT_EQ(Ask("read63"), "NOK\r\n");
}

TEST_F(CommunicatorTest, GlobalNumbersRiseAndDatesDoNotFall)
{
    for (int n = 1; n < 100; ++n) {
        const std::string a = device.HistoryRecord(n - 1), b = device.HistoryRecord(n);
        EXPECT_EQ(std::stoul(b.substr(69, 8), nullptr, 16), std::stoul(a.substr(69, 8), nullptr, 16) + 1);
        EXPECT_LE(a.substr(48, 17), b.substr(48, 17));
    }
}

TEST_F(CommunicatorTest, EraseEmptiesTheRing)
{
    EXPECT_EQ(Ask("erase"), "OK\r\n");
    EXPECT_EQ(Ask("point"), ">0000\r\nOK\r\n");
    EXPECT_EQ(device.HistoryRecord(5), HistoryRing::EmptyRecord());
}

TEST(HistoryRing, WrapsAfterTheLastRecord)
{
    HistoryRing ring;
    ring.Fill(HistoryRing::Size + 5, 3, kMay17, "1234");
    EXPECT_EQ(ring.Pointer(), 5);
    EXPECT_TRUE(HistoryRing::RecordCheckOk(4, ring.Record(4)));
    EXPECT_TRUE(HistoryRing::RecordCheckOk(0x5FF3, ring.Record(0x5FF3)));
    EXPECT_EQ(ring.Record(0x5FF4), "");
    EXPECT_EQ(ring.Record(-1), "");
}

TEST(HistoryRing, RecordCheckCoversTheNumberAndTheContent)
{
    sim::HistoryEvent e;
    e.time = kMay17;
    e.global = 0x1234;
    e.channels = 0xF6;
    const std::string record = HistoryRing::MakeRecord(0x0102, e);
    EXPECT_TRUE(HistoryRing::RecordCheckOk(0x0102, record));
    EXPECT_FALSE(HistoryRing::RecordCheckOk(0x0103, record)) << "moved to another number";
    std::string changed = record;
    changed[20] = 'A';
    EXPECT_TRUE(HistoryRing::RecordCheckOk(0x0102, changed)) << "filler positions count as 255 whatever they hold";
    changed = record;
    changed[10] = '9';
    EXPECT_FALSE(HistoryRing::RecordCheckOk(0x0102, changed));
    EXPECT_EQ(record.substr(69, 8), "00001234");
    EXPECT_EQ(record.substr(89, 4), "00F6");
}

TEST(HistoryRing, ContactIdCheckDigits)
{
    EXPECT_EQ(HistoryRing::ContactIdCheck("111111111111111"), 'F');  // sums to 15
    EXPECT_EQ(HistoryRing::ContactIdCheck("000000000000000"), 'F');  // 150: zeros count ten each
    EXPECT_TRUE(ContactIdSound("005018113001001" + std::string(1, HistoryRing::ContactIdCheck("005018113001001"))));
    for (int i = 0; i < 200; ++i) {
        std::string cid = std::to_string(1000 + i) + "181" + std::to_string(100 + i) + "01" + std::to_string(100 + i);
        EXPECT_NE(HistoryRing::ContactIdCheck(cid), '0') << "a check value of ten is A, never 0";
    }
}

TEST_F(CommunicatorTest, BootloaderTakesOverAfterBL)
{
    EXPECT_EQ(Ask("BE"), "NOK\r\n") << "not before the bootloader runs";
    EXPECT_EQ(Ask("BL"), "OK\r\n");
    EXPECT_TRUE(device.InBootloader());
    EXPECT_EQ(Ask("v"), "BootLdr v1.0\r\nOK\r\n");
    EXPECT_EQ(Ask("o"), "NOK\r\n") << "parameters are out of reach meanwhile";
    EXPECT_EQ(Ask("W0000:0102:03"), "NOK\r\n") << "not before the flash is erased";
    EXPECT_EQ(Ask("BE"), "OK\r\n");
    EXPECT_EQ(Ask("W0000:0102:03"), "0000\r\nOK\r\n");
    EXPECT_EQ(Ask("W0008:0102:04"), "NOK\r\n") << "wrong block check";
    EXPECT_EQ(Ask("W0004:0102:03"), "NOK\r\n") << "not the first row of a block";
    EXPECT_EQ(Ask("W0008:01G2:03"), "NOK\r\n");
    EXPECT_EQ(Ask("W0008:" + std::string(258, '0') + ":00"), "NOK\r\n") << "longer than a block";
    EXPECT_EQ(Ask("W0008:FF:FF"), "0008\r\nOK\r\n");
    EXPECT_EQ(Ask("EE03FF0001"), "NOK\r\n");
    EXPECT_TRUE(device.InBootloader());
    EXPECT_EQ(Ask("EE03FF0000"), "OK\r\n");
    EXPECT_FALSE(device.InBootloader());
    EXPECT_TRUE(device.FirmwareWritten());
    const std::string image = device.UploadedImage();
    ASSERT_EQ(image.size(), 129u);
    EXPECT_EQ(image.substr(0, 2), "\x01\x02");
    EXPECT_EQ(image.substr(2, 126), std::string(126, '\xFF'));
    EXPECT_EQ(image[128], '\xFF');
    EXPECT_EQ(Ask("o"), ">0050\r\nOK\r\n");
}

TEST(Bootloader, LanesCollectBlockChecksInTurn)
{
    sim::Bootloader boot;
    boot.Enter();
    boot.Answer("BE");
    const char* checks[] = {"11", "22", "33", "44", "55"};
    for (int k = 0; k < 5; ++k) {
        char number[8];
        std::snprintf(number, sizeof number, "%04X", k * 8);
        ASSERT_EQ(boot.Answer(std::string("W") + number + ":" + checks[k] + ":" + checks[k]),
                  std::string(number) + "\r\nOK\r\n");
    }
    EXPECT_EQ(boot.Lanes(), (std::array<std::uint8_t, 4>{0x44, 0x22, 0x33, 0x44}));
    EXPECT_EQ(boot.Answer("EE44223344"), "OK\r\n");
}

TEST_F(CommunicatorTest, RequestsAreRecorded)
{
    Ask("o");
    device.Answer("CABLE CONNECT");
    EXPECT_EQ(device.Requests(), (std::vector<std::string>{"+o", "CABLE CONNECT"}));
}

}  // namespace

TEST_F(CommunicatorTest, ACopyTakesValuesHistoryAndClockButStaysApart)
{
    ASSERT_EQ(Ask("pwlogFFFF0008000C00FFFF"), "OK\r\n");
    ASSERT_EQ(Ask("erase"), "OK\r\n");
    ASSERT_EQ(Ask("AS\"24/06/01,10:00:00+00\""), "OK\r\n");
    Communicator copy{profile, clock, kMay17 + 5000};
    copy.CopyStateFrom(device);
    EXPECT_EQ(copy.Values(), device.Values());
    EXPECT_EQ(copy.Value("pwlog"), "FFFF0008000C00FFFF");
    EXPECT_EQ(copy.HistoryPointer(), device.HistoryPointer());
    EXPECT_EQ(copy.Answer("+AH"), device.Answer("+AH"));
    EXPECT_EQ(copy.Answer("+pwlog0000"), "OK\r\n");
    EXPECT_EQ(device.Value("pwlog"), "FFFF0008000C00FFFF") << "the original keeps its own values";
}
