#include "sim/Communicator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace {

using sim::Communicator;
using sim::HistoryRing;

constexpr std::time_t kMay17 = 1'715'953'510;  // 2024-05-17 13:45:10

class CommunicatorTest : public ::testing::Test {
protected:
    std::string Ask(const std::string& body) { return device.Answer("+" + body); }

    platform::ManualClock clock;
    sim::DeviceProfile profile{.historyRecords = 100, .values = {{"GAPN0", "internet.book.ru"}}};
    Communicator device{profile, clock, kMay17};
};

// Requests in order and the replies without their last line break ("" for none).
const std::pair<const char*, const char*> kSession[] = {
    // Words are matched longest first and with their case.
    {"+typepan1", ">78\r\nOK"}, {"+typepan", ">00\r\nOK"}, {"+filtral1", ">FFFFFFFFFF3F0000\r\nOK"},
    {"+filtrall", ">FFFFFFFFFFFFFFFFFFFFFFFF\r\nOK"}, {"+IP1adr", ">91.210.56.13\r\nOK"}, {"+IPadr", ">91.210.56.12\r\nOK"},
    {"+o", ">0050\r\nOK"}, {"+TYPEPAN", "NOK"}, {"+V", "NOK"},
    // SIM 1 carries online GPRS, so the offline GPRS channel uses SIM 2 (type codes 01xx).
    {"+gprsena", ">F0\r\nOK"}, {"+alphon2", ">210103=\r\nOK"},
    {"+v", ">REV 11.005.120\r\nOK"}, {"+IMEI", ">356938035643809\r\nOK"}, {"+masterkey", ">5816\r\nOK"},
    {"+GAPN0", ">internet.book.ru\r\nOK"}, {"+GAPN1", ">internet.beeline.ru\r\nOK"},
    // Writes, some in the device's own forms: an input event drops its trailing zero, a Paradox object
    // comes twice.
    {"+pwlogFFFF0008000C00FFFF", "OK"}, {"+pwlog", ">FFFF0008000C00FFFF\r\nOK"}, {"+phing3+79998887766", "OK"},
    {"+phing3", ">+79998887766\r\nOK"}, {"+alphon2310003=", "OK"}, {"+alphon2", ">310003=\r\nOK"},
    {"+n021130070120", "OK"}, {"+n02", ">113007012\r\nOK"}, {"+pxobj312341234", "OK"}, {"+pxobj3", ">1234\r\nOK"},
    // What the device would not take.
    {"+IMEI123", "NOK"}, {"+typepan1FF", "NOK"}, {"+pwlogXYZ", "NOK"}, {"+masterkey12a4", "NOK"}, {"+phing9", "NOK"},
    {"+GAPN2", "NOK"}, {"+phing", "NOK"}, {"+nonsense", "NOK"}, {"o", "NOK"}, {"", ""},
    {"CABLE CONNECT", "OK"}, {"CABLE DISCONNECT", "OK"},
    {"+id0000", "NOK"}, {"+id5816", "OK"}, {"+masterkey4321", "OK"}, {"+id5816", "NOK"}, {"+id4321", "OK"},
    {"+point", ">0064\r\nOK"}, {"+read5FF4", "NOK"}, {"+read63", "NOK"}, {"+OUTS03", "OK"}, {"+reset", "OK"},
    // The bootloader: erase first, then rows that start a block with the block's check, then the lanes' checks.
    {"+BE", "NOK"}, {"+BL", "OK"}, {"+v", "BootLdr v1.0\r\nOK"}, {"+o", "NOK"}, {"+W0000:0102:03", "NOK"},
    {"+BE", "OK"}, {"+W0000:0102:03", "0000\r\nOK"}, {"+W0008:0102:04", "NOK"}, {"+W0004:0102:03", "NOK"},
    {"+W0008:01G2:03", "NOK"}, {"+W0008:FF:FF", "0008\r\nOK"}, {"+EE03FF0001", "NOK"}, {"+EE03FF0000", "OK"},
    {"+o", ">0050\r\nOK"}, {"+erase", "OK"}, {"+point", ">0000\r\nOK"},
};

TEST_F(CommunicatorTest, AnswersASessionAsTheDeviceDoes)
{
    for (const auto& [request, reply] : kSession)
        EXPECT_EQ(device.Answer(request), *reply ? std::string(reply) + "\r\n" : "") << request;
    EXPECT_TRUE(device.OutputsOn() && device.FirmwareWritten() && !device.InBootloader());
    EXPECT_FALSE(device.LoggedIn()) << "a reset logs out";
    EXPECT_EQ(device.Resets(), 1);
    EXPECT_EQ(device.UploadedImage(), "\x01\x02" + std::string(127, '\xFF'));
    EXPECT_EQ(device.HistoryRecord(5), HistoryRing::EmptyRecord());
}

// A copy of the device's state is held by the page tests, which start each page from one.
TEST_F(CommunicatorTest, ClockRunsAndCanBeSet)
{
    EXPECT_EQ(Ask("AH"), ">24/05/17,13:45:10+00\r\nOK\r\n");
    clock.Advance(61'000);
    EXPECT_EQ(Ask("AH"), ">24/05/17,13:46:11+00\r\nOK\r\n");
    EXPECT_EQ(Ask("AS\"25/01/31,23:59:59-03\""), "OK\r\n");  // the zone is taken and not kept
    clock.Advance(1'000);
    EXPECT_EQ(Ask("AH"), ">25/02/01,00:00:00+00\r\nOK\r\n");
    for (const char* bad : {"AS\"25/13/01,00:00:00+00\"", "AS25/02/28,23:59:59+00", "AS\"25/02/28 23:59:59+00\"",
                            "AS\"25/02/28,24:00:00+00\"", "AS\"25/00/28,23:00:00+00\"", "AS\"25/02/32,23:00:00+00\""})
        EXPECT_EQ(Ask(bad), "NOK\r\n") << bad;
}

TEST_F(CommunicatorTest, HistoryHoldsSoundRecordsInOrderBelowThePointer)
{
    for (int n = 0; n < 100; ++n) {
        const std::string record = device.HistoryRecord(n);
        ASSERT_EQ(record.size(), 95u) << n;
        EXPECT_EQ(std::toupper(static_cast<unsigned char>(record[15])), HistoryRing::ContactIdCheck(record.substr(0, 15))) << record;
        EXPECT_TRUE(HistoryRing::RecordCheckOk(n, record)) << n;
        if (n == 0) continue;
        const std::string before = device.HistoryRecord(n - 1);
        EXPECT_EQ(std::stoul(record.substr(69, 8), nullptr, 16), std::stoul(before.substr(69, 8), nullptr, 16) + 1);
        EXPECT_LE(before.substr(48, 17), record.substr(48, 17));
    }
    EXPECT_EQ(device.HistoryRecord(99).substr(47, 18), "\"24/05/17,13:35:10") << "the newest is ten minutes old";
    EXPECT_EQ(device.HistoryRecord(100), HistoryRing::EmptyRecord());
    EXPECT_EQ(Ask("read0063"), ">" + device.HistoryRecord(99) + "\r\nOK\r\n");
    EXPECT_EQ(Ask("read5FF3"), ">" + HistoryRing::EmptyRecord() + "\r\nOK\r\n");
}

TEST(HistoryRing, WrapsAndItsChecksCoverTheRecordsNumber)
{
    HistoryRing ring;
    ring.Fill(HistoryRing::Size + 5, 3, kMay17, "1234");
    EXPECT_EQ(ring.Pointer(), 5);
    EXPECT_TRUE(HistoryRing::RecordCheckOk(0x5FF3, ring.Record(0x5FF3)));
    EXPECT_EQ(ring.Record(0x5FF4), "");
    EXPECT_EQ(ring.Record(-1), "");
    EXPECT_FALSE(HistoryRing::RecordCheckOk(0x5FF2, ring.Record(0x5FF3))) << "moved to another number";
    // Zeros count ten each, and a check value of ten is A, never 0.
    EXPECT_EQ((std::array{HistoryRing::ContactIdCheck("111111111111111"), HistoryRing::ContactIdCheck("000000000000000"),
                          HistoryRing::ContactIdCheck("111111111111116")}),
              (std::array{'F', 'F', 'A'}));
}

TEST(DeviceProfile, RandomProfilesAreRepeatableAndPlausible)
{
    EXPECT_EQ(sim::RandomProfile(7).masterKey, sim::RandomProfile(7).masterKey);
    std::set<std::string> panels, keys;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const sim::DeviceProfile p = sim::RandomProfile(seed);
        EXPECT_EQ(p.imei.back(), sim::ImeiCheckDigit(p.imei.substr(0, 14)));
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
    Communicator bolid(sim::DeviceProfile{.panel = sim::PanelKind::Bolid, .values = {}}, clock, kMay17);
    Communicator altonika(sim::DeviceProfile{}, clock, kMay17);
    int messages = 0;
    for (int i = 0; i < 9; ++i) {
        messages += bolid.Answer("+bolidtxt") != ">\r\nOK\r\n";
        EXPECT_EQ(altonika.Answer("+bolidtxt"), ">\r\nOK\r\n");
    }
    EXPECT_EQ(messages, 3);
}

}  // namespace
