#include "link/DevCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/ComPortWorker.h"
#include "link/ContactID.h"
#include "link/DevSorvel7QX1.h"
#include "link/SerialErr.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"

namespace {

using testsupport::LoopbackComm;
using Fault = LoopbackComm::Fault;

// What the tests look at in the log: the error lines and the exchanged texts.
struct ErrorLog : testsupport::RecordingLog {
    std::vector<std::string> Errors() const { return Texts(Kind::Error); }
};

sim::DeviceProfile TestProfile()
{
    sim::DeviceProfile p;
    p.masterKey = "1234";
    p.historyRecords = 40;
    return p;
}

std::tm At(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

class DevCommandsTest : public ::testing::Test {
protected:
    std::string Read(const std::function<bool(TDevice&, std::string&)>& routine)
    {
        std::string value;
        EXPECT_TRUE(routine(dev, value));
        return value;
    }

    platform::ManualClock clock;
    sim::Communicator device{TestProfile(), clock, 1'715'953'510};  // 2024-05-17 13:45:10
    LoopbackComm comm{device, clock};
    ErrorLog log;
    TDevSorvel7QX1 dev{comm, &log};
};

struct Exchange {
    const char* name;
    std::function<bool(TDevice&)> call;
    std::string bytes;
};

std::vector<Exchange> EveryRoutine()
{
    // Outputs of the reads land here; the exchange is what is looked at.
    static std::string sink;
    static bool flagA = false, flagB = false;
    static int numA = 0, numB = 0;
    const auto r = [](bool (*f)(TDevice&, std::string&)) { return [f](TDevice& d) { return f(d, sink); }; };
    const auto rN = [](bool (*f)(TDevice&, int, std::string&), int index) {
        return [f, index](TDevice& d) { return f(d, index, sink); };
    };
    const auto write = [](bool (*f)(TDevice&, const std::string&), std::string value) {
        return [f, value](TDevice& d) { return f(d, value); };
    };
    const auto writeN = [](bool (*f)(TDevice&, int, const std::string&), int index, std::string value) {
        return [f, index, value](TDevice& d) { return f(d, index, value); };
    };
    return {
        {"SendReset", SendReset, "+reset\r"},
        {"SendEraseHistory", SendEraseHistory, "+erase\r"},
        {"SendOutputsOn", SendOutputsOn, "+OUTS03\r"},
        {"SendOutputsOff", SendOutputsOff, "+OUTS00\r"},
        {"SendLogin", [](TDevice& d) { return SendLogin(d, "1234"); }, "+id1234\r"},
        {"SendCableConnect", SendCableConnect, "CABLE CONNECT\r"},
        {"SendCableDisconnect", [](TDevice& d) { SendCableDisconnect(d); return true; }, "CABLE DISCONNECT\r"},
        {"ReadVersionText", r(ReadVersionText), "+v\r"},
        {"ReadSignalQuality", r(ReadSignalQuality), "+U\r"},
        {"ReadClock", r(ReadClock), "+AH\r"},
        {"WriteClock", [](TDevice& d) { return WriteClock(d, At(2024, 5, 17, 13, 45, 10), sink); },
         "+AS\"24/05/17,13:45:10+00\"\r"},
        {"ReadMasterKey", r(ReadMasterKey), "+masterkey\r"},
        {"WriteMasterKey", write(WriteMasterKey, "1234"), "+masterkey1234\r"},
        {"ReadBolidText", r(ReadBolidText), "+bolidtxt\r"},
        {"ReadParadoxObject", rN(ReadParadoxObject, 3), "+pxobj3\r"},
        {"WriteParadoxObject", writeN(WriteParadoxObject, 3, "1234"), "+pxobj312341234\r"},
        {"ReadLanEnable", r(ReadLanEnable), "+lanena\r"},
        {"WriteLanEnable", write(WriteLanEnable, "00"), "+lanena00\r"},
        {"ReadGprsEnable", [](TDevice& d) { return ReadGprsEnable(d, flagA, flagB); }, "+gprsena\r"},
        {"WriteGprsEnable", [](TDevice& d) { return WriteGprsEnable(d, true, false); }, "+gprsenaF0\r"},
        {"ReadDirectionSwitch", r(ReadDirectionSwitch), "+JDIR\r"},
        {"WriteDirectionSwitch", write(WriteDirectionSwitch, "FF"), "+JDIRFF\r"},
        {"ReadEngineerEnable", r(ReadEngineerEnable), "+enaing\r"},
        {"WriteEngineerEnable", write(WriteEngineerEnable, "00"), "+enaing00\r"},
        {"ReadEngineerNumber", rN(ReadEngineerNumber, 1), "+phing1\r"},
        {"WriteEngineerNumber", writeN(WriteEngineerNumber, 2, "+79160000000"), "+phing2+79160000000\r"},
        {"ReadExtraAutotest", r(ReadExtraAutotest), "+addat\r"},
        {"WriteExtraAutotest", write(WriteExtraAutotest, "001A"), "+addat001A\r"},
        {"ReadDirectionParams", rN(ReadDirectionParams, 7), "+alphon7\r"},
        {"WriteDirectionParams", write(WriteDirectionParams, "0110002=84951234567"),
         "+alphon0110002=84951234567\r"},
        {"ReadSystemEvents", r(ReadSystemEvents), "+pwlog\r"},
        {"WriteSystemEvents", write(WriteSystemEvents, "3C3C0008000C00FFFF"), "+pwlog3C3C0008000C00FFFF\r"},
        {"ReadBatteryLogic", r(ReadBatteryLogic), "+AKBlog\r"},
        {"WriteBatteryLogic", write(WriteBatteryLogic, "000AFFFF"), "+AKBlog000AFFFF\r"},
        {"ReadBatteryThresholds", r(ReadBatteryThresholds), "+AKBtresh\r"},
        {"WriteBatteryThresholds", write(WriteBatteryThresholds, "03E8044C"), "+AKBtresh03E8044C\r"},
        {"ReadApnAddress", rN(ReadApnAddress, 0), "+GAPN0\r"},
        {"WriteApnAddress", writeN(WriteApnAddress, 0, "internet"), "+GAPN0internet\r"},
        {"ReadApnLogin", rN(ReadApnLogin, 1), "+gprsname1\r"},
        {"WriteApnLogin", writeN(WriteApnLogin, 1, "gdata"), "+gprsname1gdata\r"},
        {"ReadApnPassword", rN(ReadApnPassword, 0), "+gprspswd0\r"},
        {"WriteApnPassword", writeN(WriteApnPassword, 0, "zuh"), "+gprspswd0zuh\r"},
        {"ReadGprsDialNumber", rN(ReadGprsDialNumber, 1), "+gphon1\r"},
        {"WriteGprsDialNumber", writeN(WriteGprsDialNumber, 1, "*99***1#"), "+gphon1*99***1#\r"},
        {"ReadGprsRetryTime", [](TDevice& d) { return ReadGprsRetryTime(d, numA, numB); }, "+timegpres\r"},
        {"WriteGprsRetryTime", [](TDevice& d) { return WriteGprsRetryTime(d, 1, 30); }, "+timegpres005A\r"},
        {"ReadImei", r(ReadImei), "+IMEI\r"},
        {"ReadImeiIdent", [](TDevice& d) { ReadImeiIdent(d); return true; }, "+P2\r"},
        {"WriteImeiIdent", [](TDevice& d) { return WriteImeiIdent(d, true); }, "+P200\r"},
        {"ReadInputFlags", r(ReadInputFlags), "+X\r"},
        {"WriteInputFlags", write(WriteInputFlags, "83"), "+X83\r"},
        {"ReadInputEventParams", rN(ReadInputEventParams, 2), "+n02\r"},
        {"WriteInputEventParams", writeN(WriteInputEventParams, 2, "01"), "+n02010\r"},
        {"ReadTamperEnable", r(ReadTamperEnable), "+tamper\r"},
        {"WriteTamperEnable", [](TDevice& d) { return WriteTamperEnable(d, false); }, "+tamperFF\r"},
        {"ReadObjectNumber", r(ReadObjectNumber), "+o\r"},
        {"WriteObjectNumber", write(WriteObjectNumber, "005A"), "+o005A\r"},
        {"ReadBolidEventMask", r(ReadBolidEventMask), "+filtrall\r"},
        {"WriteBolidEventMask", write(WriteBolidEventMask, "00FFFFFFFFFFFFFFFFFFFF07"),
         "+filtrall00FFFFFFFFFFFFFFFFFFFF07\r"},
        {"ReadBolidEventMaskExt", r(ReadBolidEventMaskExt), "+filtral1\r"},
        {"WriteBolidEventMaskExt", write(WriteBolidEventMaskExt, "FFFFFFFFFF3F0000"), "+filtral1FFFFFFFFFF3F0000\r"},
        {"ReadVoiceCidSpeed", r(ReadVoiceCidSpeed), "+slowcid\r"},
        {"WriteVoiceCidSpeed", write(WriteVoiceCidSpeed, "00"), "+slowcid00\r"},
        {"ReadAltonikaSection", r(ReadAltonikaSection), "+altsect\r"},
        {"WriteAltonikaSection", write(WriteAltonikaSection, "01"), "+altsect01\r"},
        {"ReadC2000ItFilter", r(ReadC2000ItFilter), "+filtrit\r"},
        {"WriteC2000ItFilter", write(WriteC2000ItFilter, "FF"), "+filtritFF\r"},
        {"ReadBolidAddressToPartition", r(ReadBolidAddressToPartition), "+adrbld\r"},
        {"WriteBolidAddressToPartition", write(WriteBolidAddressToPartition, "00"), "+adrbld00\r"},
        {"ReadBolidLinkControl", r(ReadBolidLinkControl), "+bldcon\r"},
        {"WriteBolidLinkControl", write(WriteBolidLinkControl, "00"), "+bldcon00\r"},
        {"ReadPanelType", r(ReadPanelType), "+typepan\r"},
        {"WritePanelType", write(WritePanelType, "FE"), "+typepanFE\r"},
        {"ReadHardwareType", r(ReadHardwareType), "+typepan1\r"},
        {"ReadHistoryPointer", [](TDevice& d) { return ReadHistoryPointer(d, numA); }, "+point\r"},
        {"ReadHistoryRecord", rN(ReadHistoryRecord, 10), "+read000A\r"},
        {"ReadServerAddress", r(ReadServerAddress), "+IPadr\r"},
        {"WriteServerAddress", write(WriteServerAddress, "10.0.0.1"), "+IPadr10.0.0.1\r"},
        {"ReadServer2Address", r(ReadServer2Address), "+IP1adr\r"},
        {"WriteServer2Address", write(WriteServer2Address, "10.0.0.2"), "+IP1adr10.0.0.2\r"},
        {"ReadServerPort", r(ReadServerPort), "+IPport\r"},
        {"WriteServerPort", write(WriteServerPort, "3059"), "+IPport3059\r"},
        {"ReadServer2Port", r(ReadServer2Port), "+IP1port\r"},
        {"WriteServer2Port", write(WriteServer2Port, "3060"), "+IP1port3060\r"},
        {"ReadServerPassword", r(ReadServerPassword), "+ps\r"},
        {"WriteServerPassword", write(WriteServerPassword, "Qwerty12"), "+psQwerty12\r"},
        {"ReadBindAddressToSim", r(ReadBindAddressToSim), "+ipeqsim\r"},
        {"WriteBindAddressToSim", write(WriteBindAddressToSim, "00"), "+ipeqsim00\r"},
    };
}

TEST_F(DevCommandsTest, EveryRoutineSendsItsExactRequestAndTheDeviceTakesIt)
{
    for (const Exchange& e : EveryRoutine()) {
        comm.ClearRecord();
        EXPECT_TRUE(e.call(dev)) << e.name;
        EXPECT_EQ(comm.Written(), e.bytes) << e.name;
    }
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(DevCommandsTest, EveryCommandWordIsCoveredAndAnsweredByTheSimulator)
{
    const auto routines = EveryRoutine();
    const auto simWords = device.Words();
    for (const TCommandWord& w : CommandWords()) {
        const std::string word(w.Word);
        EXPECT_TRUE(std::any_of(routines.begin(), routines.end(),
                                [&](const Exchange& e) { return e.bytes.starts_with("+" + word) ||
                                                                e.bytes.starts_with(word); }))
            << word;
        if (w.Read.Shape != TCommandShape::Unframed && w.Write.Shape != TCommandShape::Unframed) {
            EXPECT_NE(std::find(simWords.begin(), simWords.end(), word), simWords.end()) << word;
        }
    }
}

TEST_F(DevCommandsTest, ReadsDecodeTheDevicesValues)
{
    EXPECT_EQ(Read(ReadVersionText), "REV 11.005.120");
    EXPECT_EQ(Read(ReadObjectNumber), "0050");
    EXPECT_EQ(Read(ReadClock), "24/05/17,13:45:10+00");
    EXPECT_EQ(Read(ReadHardwareType), "78");
    EXPECT_EQ(Read([](TDevice& d, std::string& v) { return ReadDirectionParams(d, 0, v); }), "110002=84951234567");
    EXPECT_EQ(Read([](TDevice& d, std::string& v) { return ReadEngineerNumber(d, 4, v); }), "");
}

TEST_F(DevCommandsTest, WritesChangeWhatLaterReadsReturn)
{
    ASSERT_TRUE(WriteObjectNumber(dev, "1A2B"));
    EXPECT_EQ(Read(ReadObjectNumber), "1A2B");
    ASSERT_TRUE(WriteDirectionParams(dev, "3210003="));
    EXPECT_EQ(Read([](TDevice& d, std::string& v) { return ReadDirectionParams(d, 3, v); }), "210003=");
    ASSERT_TRUE(WriteApnAddress(dev, 1, "Точка"));
    EXPECT_EQ(Read([](TDevice& d, std::string& v) { return ReadApnAddress(d, 1, v); }), "Точка");
    EXPECT_EQ(device.Value("GAPN1"), "\xD2\xEE\xF7\xEA\xE0") << "the device keeps Windows-1251";
}

TEST_F(DevCommandsTest, GprsEnableCodesTheTwoFlagsInEitherCase)
{
    const struct {
        const char* value;
        bool first, second;
    } cases[] = {{"00", true, true}, {"0f", false, true}, {"F0", true, false}, {"ff", false, false}};
    for (const auto& c : cases) {
        device.SetValue("gprsena", c.value);
        bool first = !c.first, second = !c.second;
        EXPECT_TRUE(ReadGprsEnable(dev, first, second)) << c.value;
        EXPECT_EQ(std::pair(first, second), std::pair(c.first, c.second)) << c.value;
    }
    for (const char* bad : {"FE", "0G", "", "F00"}) {
        device.SetValue("gprsena", bad);
        bool first = true, second = false;
        EXPECT_FALSE(ReadGprsEnable(dev, first, second)) << bad;
        EXPECT_EQ(std::pair(first, second), std::pair(true, false)) << "kept: " << bad;
    }
    comm.ClearRecord();
    WriteGprsEnable(dev, true, true);
    WriteGprsEnable(dev, true, false);
    WriteGprsEnable(dev, false, true);
    WriteGprsEnable(dev, false, false);
    EXPECT_EQ(comm.Written(), "+gprsena00\r+gprsenaF0\r+gprsena0F\r+gprsenaFF\r");
}

TEST_F(DevCommandsTest, RetryTimeIsMinutesInHexadecimal)
{
    ASSERT_TRUE(WriteGprsRetryTime(dev, 1, 30));
    int hours = 0, minutes = 0;
    ASSERT_TRUE(ReadGprsRetryTime(dev, hours, minutes));
    EXPECT_EQ(std::pair(hours, minutes), std::pair(1, 30));
    for (const char* bad : {"", "3C x", "OO"}) {
        device.SetValue("timegpres", bad);
        hours = minutes = 9;
        EXPECT_FALSE(ReadGprsRetryTime(dev, hours, minutes)) << bad;
        EXPECT_EQ(std::pair(hours, minutes), std::pair(9, 9)) << bad;
    }
    comm.ClearRecord();
    EXPECT_TRUE(WriteGprsRetryTime(dev, 1200, 0));
    EXPECT_EQ(comm.Written(), "+timegpres11940\r") << "more digits when the number needs them";
    comm.ClearRecord();
    EXPECT_FALSE(WriteGprsRetryTime(dev, 0, -1));
    EXPECT_TRUE(comm.Written().empty());
}

TEST_F(DevCommandsTest, HistoryPointerTakesTheFirstFourCharacters)
{
    int pointer = -1;
    ASSERT_TRUE(ReadHistoryPointer(dev, pointer));
    EXPECT_EQ(pointer, 40);

    // The conversion itself, through a device that answers only "point".
    struct PointDevice final : sim::Responder {
        std::string value;
        std::string Answer(const std::string&) override { return ">" + value + "\r\nOK\r\n"; }
    } pointDevice;
    LoopbackComm pointComm(pointDevice, clock);
    TDevSorvel7QX1 pointDev(pointComm, nullptr);
    pointDevice.value = "0010FFFF";
    ASSERT_TRUE(ReadHistoryPointer(pointDev, pointer));
    EXPECT_EQ(pointer, 16);
    pointDevice.value = "zz10";
    pointer = 3;
    EXPECT_FALSE(ReadHistoryPointer(pointDev, pointer));
    EXPECT_EQ(pointer, 3);
}

TEST_F(DevCommandsTest, HistoryRecordsArriveWholeAndSound)
{
    int pointer = 0;
    ASSERT_TRUE(ReadHistoryPointer(dev, pointer));
    std::string record;
    for (int n = 0; n < pointer; ++n) {
        ASSERT_TRUE(ReadHistoryRecord(dev, n, record));
        const TContactID cid(record.substr(0, 16));
        EXPECT_TRUE(sim::HistoryRing::RecordCheckOk(n, record)) << record;
        EXPECT_TRUE(cid.ChecksumOk()) << record;
        EXPECT_EQ(cid.Account(), "0050");
    }
    ASSERT_TRUE(ReadHistoryRecord(dev, 0x5FF3, record));
    EXPECT_EQ(record, std::string(95, 'F'));
    EXPECT_FALSE(ReadHistoryRecord(dev, 0x5FF4, record)) << "beyond the ring the device refuses";
    EXPECT_EQ(record, "");
}

TEST_F(DevCommandsTest, ImeiIdentIsOnOnlyWhenTheValueHoldsZeroZero)
{
    EXPECT_FALSE(ReadImeiIdent(dev));
    ASSERT_TRUE(WriteImeiIdent(dev, true));
    EXPECT_TRUE(ReadImeiIdent(dev));
    comm.FailAlways(Fault::Silence);
    EXPECT_FALSE(ReadImeiIdent(dev)) << "a failed read reads as off";
}

TEST_F(DevCommandsTest, LoginRefusalIsNotTakenForAcceptance)
{
    EXPECT_FALSE(SendLogin(dev, "5816"));
    EXPECT_FALSE(device.LoggedIn());
    EXPECT_EQ(comm.Written(), "+id5816\r") << "one attempt only";
    EXPECT_EQ(comm.WaitTimeouts(), std::vector<int>{5'000}) << "no floor for the login";
    comm.FailNext(Fault::Echo);
    EXPECT_TRUE(SendLogin(dev, "1234"));
    EXPECT_TRUE(device.LoggedIn());
    comm.FailNext(Fault::Silence);
    EXPECT_FALSE(SendLogin(dev, "1234"));
}

TEST_F(DevCommandsTest, ValuesTheDeviceCouldNotTakeBackAreRefusedBeforeSending)
{
    const char* const bad[] = {"ab\rcd", "tab\there", "\x7F", "C1 \xC2\x98", "日本", "\xFF\xFE"};
    for (const char* value : bad) {
        comm.ClearRecord();
        log.entries.clear();
        EXPECT_FALSE(WriteServerPassword(dev, value)) << value;
        EXPECT_TRUE(comm.Written().empty()) << value;
        ASSERT_EQ(log.Errors().size(), 1u) << value;
        EXPECT_NE(log.Errors()[0].find("не отправлено"), std::string::npos);
    }
    EXPECT_FALSE(SendLogin(dev, "1\t12"));
    EXPECT_FALSE(WriteParadoxObject(dev, 1, "12\r4"));
    EXPECT_TRUE(comm.Written().empty());
}

TEST_F(DevCommandsTest, ProblemsAreExplainedAndLookalikeCyrillicIsFine)
{
    EXPECT_TRUE(WriteServerPassword(dev, "Окно"));  // Cyrillic О and к
    EXPECT_EQ(Read(ReadServerPassword), "Окно");
    EXPECT_NE(DeviceValueProblem("a\nb")->find("управляющий"), std::string::npos);
    EXPECT_FALSE(DeviceValueProblem("internet.book.ru")) << "a value holding \"ok\" is read back whole";
    EXPECT_NE(DeviceValueProblem("€日")->find("Windows-1251"), std::string::npos);
    EXPECT_FALSE(DeviceValueProblem(""));
    EXPECT_FALSE(DeviceValueProblem("+7 (916) 123-45-67 №5 «тест»"));
}

TEST_F(DevCommandsTest, IndexOutsideItsRangeIsNotSent)
{
    std::string value = "stale";
    EXPECT_FALSE(ReadParadoxObject(dev, 8, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ReadDirectionParams(dev, -1, value));
    EXPECT_FALSE(ReadHistoryRecord(dev, 0x10000, value));
    EXPECT_TRUE(comm.Written().empty());
    EXPECT_EQ(log.Errors().size(), 3u);
}

TEST_F(DevCommandsTest, TimeoutsFollowTheTable)
{
    std::string v;
    SendEraseHistory(dev);
    SendOutputsOn(dev);
    ReadBolidText(dev, v);
    ReadVersionText(dev, v);
    SendCableDisconnect(dev);
    SendLogin(dev, "1234");
    EXPECT_EQ(comm.WaitTimeouts(), (std::vector<int>{35'000, 10'000, 10'000, 10'000, 10'000, 5'000}));
}

TEST_F(DevCommandsTest, CableConnectGoesWithoutPrefixAndIsLoggedSo)
{
    EXPECT_TRUE(SendCableConnect(dev));
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries[0].caption.substr(0, 4), "<<<<");
    EXPECT_EQ(log.entries[0].text, "CABLE CONNECT\r");
}

TEST_F(DevCommandsTest, ClockIsSetAndReadBack)
{
    std::string answer;
    ASSERT_TRUE(WriteClock(dev, At(2031, 12, 5, 23, 59, 58), answer));
    EXPECT_EQ(answer, "OK\r\n");
    clock.Advance(3'000);
    EXPECT_EQ(Read(ReadClock), "31/12/06,00:00:01+00");
}

TEST_F(DevCommandsTest, GuardedActionsSwallowQuirksButNotALostLine)
{
    comm.FailAlways(Fault::Silence);
    EXPECT_FALSE(SendEraseHistory(dev));
    EXPECT_EQ(comm.Written(), "+erase\r+erase\r+erase\r");
    comm.FailAlways(Fault::None);

    struct ThrowingDevice final : sim::Responder {
        std::string Answer(const std::string&) override { throw std::runtime_error("quirk"); }
    } quirky;
    LoopbackComm quirkyComm(quirky, clock);
    TDevSorvel7QX1 quirkyDev(quirkyComm, nullptr);
    EXPECT_FALSE(SendEraseHistory(quirkyDev));
    EXPECT_FALSE(SendOutputsOn(quirkyDev));
    EXPECT_FALSE(SendOutputsOff(quirkyDev));
    std::string v;
    EXPECT_THROW(ReadObjectNumber(quirkyDev, v), std::runtime_error) << "only the guarded ones swallow";

    comm.FailNext(Fault::Vanish);
    EXPECT_THROW(SendEraseHistory(dev), ELinkFailure);
    EXPECT_THROW(SendOutputsOff(dev), ELinkFailure);
}

TEST_F(DevCommandsTest, LineFaultsGiveTheExpectedResults)
{
    struct Case {
        Fault fault;
        bool ok;
        int requests;
    } cases[] = {
        {Fault::None, true, 1},    {Fault::Silence, false, 3}, {Fault::Nok, false, 3}, {Fault::Garbage, false, 3},
        {Fault::Split, true, 1},   {Fault::Echo, true, 1},
    };
    for (const Case& c : cases) {
        comm.ClearRecord();
        comm.FailAlways(c.fault);
        std::string value = "stale";
        EXPECT_EQ(ReadSystemEvents(dev, value), c.ok) << static_cast<int>(c.fault);
        EXPECT_EQ(value, c.ok ? "3C3C0008000C00FFFF" : "") << static_cast<int>(c.fault);
        EXPECT_EQ(comm.WaitTimeouts().size(), static_cast<std::size_t>(c.requests)) << static_cast<int>(c.fault);
    }
}

TEST_F(DevCommandsTest, LateReplyIsPurgedAndTheRetryGetsAFreshOne)
{
    comm.FailNext(Fault::Late);
    std::string value;
    EXPECT_TRUE(ReadObjectNumber(dev, value));
    EXPECT_EQ(value, "0050");
    EXPECT_EQ(comm.WaitTimeouts().size(), 2u);
}

TEST_F(DevCommandsTest, VanishingDeviceEndsTheExchangeWithALinkFailure)
{
    comm.FailNext(Fault::Vanish);
    std::string value;
    EXPECT_THROW(ReadObjectNumber(dev, value), EDeviceError);
    EXPECT_THROW(ReadObjectNumber(dev, value), EDeviceError) << "the port stays gone";
}

TEST_F(DevCommandsTest, BootloaderTakesAnImageBlockByBlock)
{
    TDevSorvel7QX1& boot = dev;
    std::string answer;
    ASSERT_TRUE(boot.SendShort("BL", answer, false));
    ASSERT_TRUE(boot.SendShort("v", answer, false));
    EXPECT_NE(answer.find("BootLdr v1.0"), std::string::npos);
    ASSERT_TRUE(boot.SendLong("BE", answer, false));

    const std::string data(256, '0');
    const std::string one = std::string(252, '0') + "0103";  // XOR 02
    ASSERT_TRUE(boot.SendRecord("W0000:" + data + ":00", answer, false));
    EXPECT_FALSE(boot.SendRecord("W0008:" + one + ":03", answer, false)) << "a wrong block check is refused";
    ASSERT_TRUE(boot.SendRecord("W0008:" + one + ":02", answer, false));
    EXPECT_EQ(platform::Trim(answer).substr(0, 4), "0008");
    EXPECT_FALSE(boot.SendLong("EE00000000", answer, false));
    ASSERT_TRUE(boot.SendLong("EE00020000", answer, false));
    EXPECT_TRUE(device.FirmwareWritten());
    const std::string image = device.UploadedImage();
    ASSERT_EQ(image.size(), 256u);
    EXPECT_EQ(image.substr(254), "\x01\x03");
    EXPECT_EQ(Read(ReadVersionText), "REV 11.005.120") << "the device runs again";
}

// The same command set through the real cable worker and termios code, with the simulated device on a
// pseudo-terminal behind its line.
class DevCommandsOverPty : public ::testing::Test {
protected:
    DevCommandsOverPty()
    {
        line.SetRequestPacing(true);
        worker.OpenWithTimeout(pty.SlavePath(), br19200, 300);
    }

    // Failing exchanges wait out their time-out on the manual clock; a lower floor (and the worker's own
    // time-out below it) keeps them short.
    void ShortFloor() { dev.SetTimeoutFloor(300); }

    platform::ManualClock clock;
    sim::Pty pty;
    sim::Communicator device{TestProfile(), clock, 1'715'953'510};
    sim::Line line{pty, device};
    TComPortWorker worker{true, true, clock};
    ErrorLog log;
    TDevSorvel7QX1 dev{worker, &log};
};

TEST_F(DevCommandsOverPty, EveryRoutineSendsItsExactBytesAndIsAnswered)
{
    std::string all;
    for (const Exchange& e : EveryRoutine()) {
        EXPECT_TRUE(e.call(dev)) << e.name;
        all += e.bytes;
    }
    EXPECT_EQ(line.ReceivedBytes(), all);
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(DevCommandsOverPty, AtLineSpeedValuesArriveWholeAndDecoded)
{
    line.SetLineSpeed(19200);
    std::string value;
    ASSERT_TRUE(WriteApnLogin(dev, 0, "Абонент"));
    ASSERT_TRUE(ReadApnLogin(dev, 0, value));
    EXPECT_EQ(value, "Абонент");
    int pointer = 0;
    ASSERT_TRUE(ReadHistoryPointer(dev, pointer));
    ASSERT_TRUE(ReadHistoryRecord(dev, pointer - 1, value));
    EXPECT_EQ(value, device.HistoryRecord(pointer - 1));
}

TEST_F(DevCommandsOverPty, SilenceRefusalAndGarbageFailAfterThreeAttempts)
{
    ShortFloor();
    const struct {
        sim::Fault fault;
        TFailure failure;
    } cases[] = {{{sim::FaultKind::Silence}, TFailure::NoReply},
                 {{sim::FaultKind::Nok}, TFailure::Refused},
                 {{sim::FaultKind::Garbage, 24}, TFailure::NoReply}};
    for (const auto& [fault, failure] : cases) {
        line.ClearReceived();
        line.AddFault("+pwlog", fault, 3);
        std::string value = "stale";
        EXPECT_FALSE(ReadSystemEvents(dev, value)) << static_cast<int>(fault.kind);
        EXPECT_EQ(dev.LastFailure(), failure);
        EXPECT_EQ(value, "");
        EXPECT_EQ(line.ReceivedBytes(), "+pwlog\r+pwlog\r+pwlog\r");
    }
    std::string value;
    EXPECT_TRUE(ReadSystemEvents(dev, value)) << "the line is sound again";
    EXPECT_EQ(value, "3C3C0008000C00FFFF");
}

TEST_F(DevCommandsOverPty, VanishingMidReadIsALinkFailure)
{
    line.AddFault("+read", {sim::FaultKind::Vanish, 20});
    std::string value;
    EXPECT_THROW(ReadHistoryRecord(dev, 0, value), ELinkFailure);
}

}  // namespace
