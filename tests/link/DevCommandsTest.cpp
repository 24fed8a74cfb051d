#include "link/DevCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "link/DevSorvel7QX1.h"
#include "link/SerialErr.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/StoreResponder.h"

namespace {

using testsupport::LoopbackComm;
using Fault = LoopbackComm::Fault;
using Call = std::function<bool(TDevice&)>;

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
    std::tie(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec) =
        std::tuple(year - 1900, month - 1, day, hour, minute, second);
    return t;
}

// Outputs of the reads land here; the exchange is what the table looks at.
std::string sink;
bool flagA, flagB;
int numA, numB;

Call R(bool (*f)(TDevice&, std::string&)) { return [f](TDevice& d) { return f(d, sink); }; }
Call R(bool (*f)(TDevice&, int, std::string&), int n) { return [f, n](TDevice& d) { return f(d, n, sink); }; }
Call W(bool (*f)(TDevice&, const std::string&), std::string v) { return [f, v](TDevice& d) { return f(d, v); }; }
Call W(bool (*f)(TDevice&, int, const std::string&), int n, std::string v)
{
    return [f, n, v](TDevice& d) { return f(d, n, v); };
}

// Each command word's routines and the exact bytes they put on the wire.
struct Word {
    const char* name;
    Call read;
    const char* readBytes = nullptr;
    Call write = nullptr;
    const char* writeBytes = nullptr;
    int timeoutMs = 10'000;  // every wait's; the worker's own 500 ms and all below the floor are raised to it
};

const Word kWords[] = {
    {"Reset", {}, nullptr, SendReset, "+reset\r"},
    {"EraseHistory", {}, nullptr, SendEraseHistory, "+erase\r", 35'000},
    {"OutputsOn", {}, nullptr, SendOutputsOn, "+OUTS03\r"},
    {"OutputsOff", {}, nullptr, SendOutputsOff, "+OUTS00\r"},
    {"Login", {}, nullptr, [](TDevice& d) { return SendLogin(d, "1234"); }, "+id1234\r", 5'000},
    {"CableConnect", {}, nullptr, SendCableConnect, "CABLE CONNECT\r"},
    {"CableDisconnect", {}, nullptr, [](TDevice& d) { return SendCableDisconnect(d), true; }, "CABLE DISCONNECT\r"},
    {"Version", R(ReadVersionText), "+v\r"},
    {"SignalQuality", R(ReadSignalQuality), "+U\r"},
    {"Clock", R(ReadClock), "+AH\r", [](TDevice& d) { return WriteClock(d, At(2024, 5, 7, 3, 4, 5), sink); },
     "+AS\"24/05/07,03:04:05+00\"\r"},
    {"MasterKey", R(ReadMasterKey), "+masterkey\r", W(WriteMasterKey, "1234"), "+masterkey1234\r"},
    {"BolidText", R(ReadBolidText), "+bolidtxt\r"},
    {"ParadoxObject", R(ReadParadoxObject, 3), "+pxobj3\r", W(WriteParadoxObject, 3, "1234"), "+pxobj312341234\r"},
    {"LanEnable", R(ReadLanEnable), "+lanena\r", W(WriteLanEnable, "00"), "+lanena00\r"},
    {"GprsEnable", [](TDevice& d) { return ReadGprsEnable(d, flagA, flagB); }, "+gprsena\r"},
    {"DirectionSwitch", R(ReadDirectionSwitch), "+JDIR\r", W(WriteDirectionSwitch, "FF"), "+JDIRFF\r"},
    {"EngineerEnable", R(ReadEngineerEnable), "+enaing\r", W(WriteEngineerEnable, "00"), "+enaing00\r"},
    {"EngineerNumber", R(ReadEngineerNumber, 1), "+phing1\r", W(WriteEngineerNumber, 2, "+7916"), "+phing2+7916\r"},
    {"ExtraAutotest", R(ReadExtraAutotest), "+addat\r", W(WriteExtraAutotest, "001A"), "+addat001A\r"},
    {"DirectionParams", R(ReadDirectionParams, 7), "+alphon7\r", W(WriteDirectionParams, "01102=849"), "+alphon01102=849\r"},
    {"SystemEvents", R(ReadSystemEvents), "+pwlog\r", W(WriteSystemEvents, "3C3C0008"), "+pwlog3C3C0008\r"},
    {"BatteryLogic", R(ReadBatteryLogic), "+AKBlog\r", W(WriteBatteryLogic, "000AFFFF"), "+AKBlog000AFFFF\r"},
    {"BatteryThresholds", R(ReadBatteryThresholds), "+AKBtresh\r", W(WriteBatteryThresholds, "03E8"), "+AKBtresh03E8\r"},
    {"ApnAddress", R(ReadApnAddress, 0), "+GAPN0\r", W(WriteApnAddress, 0, "internet"), "+GAPN0internet\r"},
    {"ApnLogin", R(ReadApnLogin, 1), "+gprsname1\r", W(WriteApnLogin, 1, "gdata"), "+gprsname1gdata\r"},
    {"ApnPassword", R(ReadApnPassword, 0), "+gprspswd0\r", W(WriteApnPassword, 0, "zuh"), "+gprspswd0zuh\r"},
    {"GprsDialNumber", R(ReadGprsDialNumber, 1), "+gphon1\r", W(WriteGprsDialNumber, 1, "*99#"), "+gphon1*99#\r"},
    {"GprsRetryTime", [](TDevice& d) { return ReadGprsRetryTime(d, numA, numB); }, "+timegpres\r"},
    {"Imei", R(ReadImei), "+IMEI\r"},
    {"ImeiIdent", [](TDevice& d) { return ReadImeiIdent(d, flagA); }, "+P2\r", [](TDevice& d) { return WriteImeiIdent(d, 1); },
     "+P200\r"},
    {"InputFlags", R(ReadInputFlags), "+X\r", W(WriteInputFlags, "83"), "+X83\r"},
    {"InputEventParams", R(ReadInputEventParams, 2), "+n02\r", W(WriteInputEventParams, 2, "01"), "+n02010\r"},
    {"TamperEnable", R(ReadTamperEnable), "+tamper\r", [](TDevice& d) { return WriteTamperEnable(d, 0); }, "+tamperFF\r"},
    {"ObjectNumber", R(ReadObjectNumber), "+o\r", W(WriteObjectNumber, "005A"), "+o005A\r"},
    {"BolidEventMask", R(ReadBolidEventMask), "+filtrall\r", W(WriteBolidEventMask, "00FF07"), "+filtrall00FF07\r"},
    {"BolidEventMaskExt", R(ReadBolidEventMaskExt), "+filtral1\r", W(WriteBolidEventMaskExt, "FF3F"), "+filtral1FF3F\r"},
    {"VoiceCidSpeed", R(ReadVoiceCidSpeed), "+slowcid\r", W(WriteVoiceCidSpeed, "00"), "+slowcid00\r"},
    {"AltonikaSection", R(ReadAltonikaSection), "+altsect\r", W(WriteAltonikaSection, "01"), "+altsect01\r"},
    {"C2000ItFilter", R(ReadC2000ItFilter), "+filtrit\r", W(WriteC2000ItFilter, "FF"), "+filtritFF\r"},
    {"BolidAddressToPartition", R(ReadBolidAddressToPartition), "+adrbld\r", W(WriteBolidAddressToPartition, "0"), "+adrbld0\r"},
    {"BolidLinkControl", R(ReadBolidLinkControl), "+bldcon\r", W(WriteBolidLinkControl, "00"), "+bldcon00\r"},
    {"PanelType", R(ReadPanelType), "+typepan\r", W(WritePanelType, "FE"), "+typepanFE\r"},
    {"HardwareType", R(ReadHardwareType), "+typepan1\r"},
    {"HistoryPointer", [](TDevice& d) { return ReadHistoryPointer(d, numA); }, "+point\r"},
    {"HistoryRecord", R(ReadHistoryRecord, 10), "+read000A\r"},
    {"ServerAddress", R(ReadServerAddress), "+IPadr\r", W(WriteServerAddress, "10.0.0.1"), "+IPadr10.0.0.1\r"},
    {"Server2Address", R(ReadServer2Address), "+IP1adr\r", W(WriteServer2Address, "10.0.0.2"), "+IP1adr10.0.0.2\r"},
    {"ServerPort", R(ReadServerPort), "+IPport\r", W(WriteServerPort, "3059"), "+IPport3059\r"},
    {"Server2Port", R(ReadServer2Port), "+IP1port\r", W(WriteServer2Port, "3060"), "+IP1port3060\r"},
    {"ServerPassword", R(ReadServerPassword), "+ps\r", W(WriteServerPassword, "Qwerty12"), "+psQwerty12\r"},
    {"BindAddressToSim", R(ReadBindAddressToSim), "+ipeqsim\r", W(WriteBindAddressToSim, "00"), "+ipeqsim00\r"},
};

class DevCommandsTest : public ::testing::Test {
protected:
    std::string Read(const std::function<bool(TDevice&, std::string&)>& routine)
    {
        std::string value;
        EXPECT_TRUE(routine(dev, value));
        return value;
    }
    std::vector<std::string> Errors() const { return log.Texts(testsupport::RecordingLog::Kind::Error); }

    platform::ManualClock clock;
    sim::Communicator device{TestProfile(), clock, 1'715'953'510};  // 2024-05-17 13:45:10
    LoopbackComm comm{device, clock};
    testsupport::RecordingLog log;
    TDevSorvel7QX1 dev{comm, &log};
};

class EveryWord : public DevCommandsTest, public ::testing::WithParamInterface<Word> {};

TEST_P(EveryWord, SendsItsExactRequestAndTheDeviceTakesIt)
{
    const Word& w = GetParam();
    for (const auto& [call, bytes] : {std::pair(w.read, w.readBytes), std::pair(w.write, w.writeBytes)}) {
        if (!call) continue;
        comm.ClearRecord();
        EXPECT_TRUE(call(dev)) << bytes;
        EXPECT_EQ(comm.Written(), bytes);
        for (const int timeout : comm.WaitTimeouts()) EXPECT_EQ(timeout, w.timeoutMs) << bytes;
    }
    EXPECT_EQ(Errors(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Words, EveryWord, ::testing::ValuesIn(kWords),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DevCommandsTest, WritesChangeWhatLaterReadsReturnInWindows1251OnTheDevice)
{
    ASSERT_TRUE(WriteApnAddress(dev, 1, "Точка"));
    EXPECT_EQ(Read([](TDevice& d, std::string& v) { return ReadApnAddress(d, 1, v); }), "Точка");
    EXPECT_EQ(device.Value("GAPN1"), "\xD2\xEE\xF7\xEA\xE0");
    std::string answer;
    ASSERT_TRUE(WriteClock(dev, At(2031, 12, 5, 23, 59, 58), answer));
    EXPECT_EQ(answer, "OK\r\n") << "the whole reply";
    clock.Advance(3'000);
    EXPECT_EQ(Read(ReadClock), "31/12/06,00:00:01+00");
}

TEST_F(DevCommandsTest, NumberAndFlagReadersDecodeTheirValuesAndKeepTheOutputsOfABadOne)
{
    const std::tuple<const char*, bool, bool> codes[] = {
        {"00", true, true}, {"0f", false, true}, {"F0", true, false}, {"ff", false, false}};
    for (const auto& [code, first, second] : codes) {
        device.SetValue("gprsena", code);
        bool a = !first, b = !second;
        EXPECT_TRUE(ReadGprsEnable(dev, a, b)) << code;
        EXPECT_EQ(std::pair(a, b), std::pair(first, second)) << code;
        comm.ClearRecord();
        WriteGprsEnable(dev, first, second);
        EXPECT_EQ(comm.Written(), "+gprsena" + platform::AsciiUpper(code) + "\r");
    }
    for (const char* bad : {"FE", "0G", "", "F00"}) {
        device.SetValue("gprsena", bad);
        bool a = true, b = false;
        EXPECT_FALSE(ReadGprsEnable(dev, a, b)) << bad;
        EXPECT_EQ(std::pair(a, b), std::pair(true, false)) << "kept: " << bad;
    }
    // The retry time is minutes in hexadecimal.
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
    EXPECT_FALSE(WriteGprsRetryTime(dev, 0, -1));
    // The history pointer is the first four characters in hexadecimal.
    int pointer = -1;
    ASSERT_TRUE(ReadHistoryPointer(dev, pointer));
    EXPECT_EQ(pointer, 40);
    testsupport::StoreResponder store;
    LoopbackComm storeComm(store, clock);
    TDevSorvel7QX1 storeDev(storeComm, nullptr);
    for (const auto& [value, read] : {std::pair("0010FFFF", true), std::pair("zz10", false)}) {
        store.Set("point", value);
        EXPECT_EQ(ReadHistoryPointer(storeDev, pointer), read);
        EXPECT_EQ(pointer, 16);
    }
    // The IMEI ident is on only when the value holds "00"; a failed read reads as off.
    EXPECT_FALSE(ReadImeiIdent(dev));
    ASSERT_TRUE(WriteImeiIdent(dev, true));
    EXPECT_TRUE(ReadImeiIdent(dev));
    comm.FailAlways(Fault::Silence);
    EXPECT_FALSE(ReadImeiIdent(dev));
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

TEST_F(DevCommandsTest, ValuesTheDeviceCouldNotTakeBackAndIndexesOutOfRangeAreRefusedBeforeSending)
{
    for (const char* value : {"ab\rcd", "tab\there", "\x7F", "日本", "\xFF\xFE", "C1 \xC2\x80"}) {
        log.entries.clear();
        EXPECT_FALSE(WriteServerPassword(dev, value)) << value;
        ASSERT_EQ(Errors().size(), 1u) << value;
        EXPECT_NE(Errors()[0].find("не отправлено"), std::string::npos);
    }
    EXPECT_NE(Errors().back().find("\"C1 ?\""), std::string::npos) << "the log shows no control character";
    EXPECT_FALSE(SendLogin(dev, "1\t12"));
    EXPECT_FALSE(WriteParadoxObject(dev, 1, "12\r4"));
    EXPECT_NE(DeviceValueProblem("a\nb")->find("управляющий"), std::string::npos);
    EXPECT_NE(DeviceValueProblem("€日")->find("Windows-1251"), std::string::npos);
    for (const char* fine : {"", "internet.book.ru", "+7 (916) 123-45-67 №5 «тест»", "Окно"})
        EXPECT_FALSE(DeviceValueProblem(fine)) << fine;
    log.entries.clear();
    std::string value = "stale";
    EXPECT_FALSE(ReadParadoxObject(dev, 8, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ReadDirectionParams(dev, -1, value));
    EXPECT_FALSE(ReadHistoryRecord(dev, 0x10000, value));
    EXPECT_EQ(Errors().size(), 3u);
    EXPECT_TRUE(comm.Written().empty());
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
    EXPECT_THROW(SendOutputsOff(dev), ELinkFailure) << "the port stays gone";
}

}  // namespace
