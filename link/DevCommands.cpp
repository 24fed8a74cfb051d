#include "link/DevCommands.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "link/ComPortWorker.h"
#include "link/MyExceptions.h"
#include "platform/CalendarTime.h"
#include "platform/Text.h"

namespace {

using Shape = TCommandShape;
using Index = TIndexForm;

constexpr TCommandExchange kNone{};
constexpr TCommandExchange kWrite{Shape::Write};

// A read whose value has the form.
constexpr TCommandExchange Read(std::string_view form, Index index = Index::None)
{
    return {Shape::Read, index, 0, TValueForm::Plain, form};
}

constexpr TCommandExchange Send(int timeoutMs, std::string_view form, Index index = Index::None)
{
    return {Shape::Send, index, timeoutMs, TValueForm::Plain, form};
}

constexpr TCommandExchange With(TCommandExchange ex, Index index, TValueForm value = TValueForm::Plain)
{
    ex.Index = index;
    ex.Value = value;
    return ex;
}

// The forms of values read (link/ValueForm.h): what the pages slice and what the device is written. A
// device text (an access point, a number, a password) may be anything printable, also empty.
constexpr std::string_view kByte = "H{2}";
constexpr std::string_view kWord = "H{4}";
constexpr std::string_view kText = "T{0,}";

// Each command word, written once. Actions without a value of their own sit in the write column.
constexpr TCommandWord kReset{"reset", kNone, kWrite};
constexpr TCommandWord kErase{"erase", kNone, {Shape::Guarded, Index::None, 35'000}};
constexpr TCommandWord kOutputsOn{"OUTS03", kNone, {Shape::Guarded, Index::None, 2'500}};
constexpr TCommandWord kOutputsOff{"OUTS00", kNone, {Shape::Guarded, Index::None, 2'500}};
constexpr TCommandWord kLogin{"id", kNone, {Shape::Login, Index::None, 5'000}};
constexpr TCommandWord kCableConnect{"CABLE CONNECT", kNone, {Shape::Unframed, Index::None, 10'000}};
constexpr TCommandWord kCableDisconnect{"CABLE DISCONNECT", kNone, {Shape::Unframed, Index::None, 300}};
// The version: "REV 11.005.120" and whatever the firmware puts around it; its callers check the rest.
constexpr TCommandWord kVersion{"v", Send(5'000, "T{0,}REVT{0,}"), kNone};
// Signal level and error rate, a byte each.
constexpr TCommandWord kSignal{"U", Send(5'000, "H{4}"), kNone};
// yy/mm/dd,hh:mm:ss and the zone ("+00").
constexpr TCommandWord kClock{"AH", Send(3'000, "D{2}/D{2}/D{2},D{2}:D{2}:D{2}T{3}"), kNone};
constexpr TCommandWord kClockSet{"AS", kNone, {Shape::SendRaw, Index::None, 5'000}};
constexpr TCommandWord kMasterKey{"masterkey", Send(3'000, "D{4}"), kWrite};
constexpr TCommandWord kBolidText{"bolidtxt", Send(250, kText), kNone};
constexpr TCommandWord kParadoxObject{"pxobj", Send(5'000, kWord, Index::Digit),
                                      With(kWrite, Index::Digit, TValueForm::Twice), 7};
constexpr TCommandWord kLanEnable{"lanena", Read(kByte), kWrite};
constexpr TCommandWord kGprsEnable{"gprsena", Read(kByte), kWrite};
constexpr TCommandWord kDirectionSwitch{"JDIR", Read(kByte), kWrite};
constexpr TCommandWord kEngineerEnable{"enaing", Read(kByte), kWrite};
constexpr TCommandWord kEngineerNumber{"phing", Read(kText, Index::Digit), With(kWrite, Index::Digit), 9};
constexpr TCommandWord kExtraAutotest{"addat", Read(kWord), kWrite};
// Direction and position digits, the channel type's four digits, "=", the number. The write's value
// carries the channel digit itself.
constexpr TCommandWord kDirectionParams{"alphon", Read("H{6}=T{0,}", Index::HexDigit), kWrite, 7};
// Nine bytes: two mains delays, the restart flag, three test times.
constexpr TCommandWord kSystemEvents{"pwlog", Read("H{18}"), kWrite};
constexpr TCommandWord kBatteryLogic{"AKBlog", Read("H{8}"), kWrite};
constexpr TCommandWord kBatteryThresholds{"AKBtresh", Read("H{8}"), kWrite};
constexpr TCommandWord kApnAddress{"GAPN", Read(kText, Index::Digit), With(kWrite, Index::Digit), 9};
constexpr TCommandWord kApnLogin{"gprsname", Read(kText, Index::Digit), With(kWrite, Index::Digit), 9};
constexpr TCommandWord kApnPassword{"gprspswd", Read(kText, Index::Digit), With(kWrite, Index::Digit), 9};
constexpr TCommandWord kGprsDialNumber{"gphon", Read(kText, Index::Digit), With(kWrite, Index::Digit), 9};
constexpr TCommandWord kGprsRetryTime{"timegpres", Read(kWord), kWrite};
constexpr TCommandWord kImei{"IMEI", Read("D{15}"), kNone};
constexpr TCommandWord kImeiIdent{"P2", Read(kByte), kWrite};
constexpr TCommandWord kInputFlags{"X", Read(kByte), kWrite};
// The event's qualifier and code, its partition and its loop: 4, 2 and 3 decimal digits.
constexpr TCommandWord kInputEventParams{"n0", Read("D{9}", Index::Digit),
                                         With(kWrite, Index::Digit, TValueForm::ThenZero), 5};
constexpr TCommandWord kTamper{"tamper", Read(kByte), kWrite};
constexpr TCommandWord kObjectNumber{"o", Read(kWord), kWrite};
constexpr TCommandWord kBolidEventMask{"filtrall", Read("H{24}"), kWrite};
constexpr TCommandWord kBolidEventMaskExt{"filtral1", Read("H{16}"), kWrite};
constexpr TCommandWord kVoiceCidSpeed{"slowcid", Read(kByte), kWrite};
constexpr TCommandWord kAltonikaSection{"altsect", Read(kByte), kWrite};
constexpr TCommandWord kC2000ItFilter{"filtrit", Read(kByte), kWrite};
constexpr TCommandWord kBolidAddressToPartition{"adrbld", Read(kByte), kWrite};
constexpr TCommandWord kBolidLinkControl{"bldcon", Read(kByte), kWrite};
constexpr TCommandWord kPanelType{"typepan", Read(kByte), kWrite};
constexpr TCommandWord kHardwareType{"typepan1", Read(kByte), kNone};
// The next record's number; what follows its four digits is not used.
constexpr TCommandWord kHistoryPointer{"point", Read("H{4}T{0,}"), kNone};
// A record: its Contact ID, date and number, and fillers whose count depends on the flash chip.
constexpr TCommandWord kHistoryRecord{"read", Read("T{83,}", Index::Hex4), kNone, 0xFFFF};
constexpr TCommandWord kServerAddress{"IPadr", Read(kText), kWrite};
constexpr TCommandWord kServer2Address{"IP1adr", Read(kText), kWrite};
constexpr TCommandWord kServerPort{"IPport", Read(kText), kWrite};
constexpr TCommandWord kServer2Port{"IP1port", Read(kText), kWrite};
constexpr TCommandWord kServerPassword{"ps", Read(kText), kWrite};
constexpr TCommandWord kBindAddressToSim{"ipeqsim", Read(kByte), kWrite};

constexpr std::array kWords{
    kReset, kErase, kOutputsOn, kOutputsOff, kLogin, kCableConnect, kCableDisconnect, kVersion, kSignal,
    kClock, kClockSet, kMasterKey, kBolidText, kParadoxObject, kLanEnable, kGprsEnable, kDirectionSwitch,
    kEngineerEnable, kEngineerNumber, kExtraAutotest, kDirectionParams, kSystemEvents, kBatteryLogic,
    kBatteryThresholds, kApnAddress, kApnLogin, kApnPassword, kGprsDialNumber, kGprsRetryTime, kImei,
    kImeiIdent, kInputFlags, kInputEventParams, kTamper, kObjectNumber, kBolidEventMask, kBolidEventMaskExt,
    kVoiceCidSpeed, kAltonikaSection, kC2000ItFilter, kBolidAddressToPartition, kBolidLinkControl,
    kPanelType, kHardwareType, kHistoryPointer, kHistoryRecord, kServerAddress, kServer2Address,
    kServerPort, kServer2Port, kServerPassword, kBindAddressToSim,
};

// The whole text as a hexadecimal number, in either case; nothing for an empty or partly numeric text.
std::optional<unsigned> WholeHex(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int IndexLimit(TIndexForm form)
{
    switch (form) {
    case Index::Digit: return 9;
    case Index::HexDigit: return 0xF;
    case Index::Hex4: return 0xFFFF;
    case Index::None: break;
    }
    return 0;
}

std::string IndexText(TIndexForm form, int n)
{
    switch (form) {
    case Index::Digit: return std::to_string(n);
    case Index::HexDigit: return UpperHex(static_cast<unsigned>(n), 1);
    case Index::Hex4: return UpperHex(static_cast<unsigned>(n), 4);
    case Index::None: break;
    }
    return {};
}

std::string ValueText(TValueForm form, const std::string& value)
{
    switch (form) {
    case TValueForm::ThenZero: return value + "0";
    case TValueForm::Twice: return value + value;
    case TValueForm::Plain: break;
    }
    return value;
}

// A value as the log may show it: no control characters, valid UTF-8.
std::string Printable(const std::string& value)
{
    std::u32string chars = platform::DecodeUtf8(value);
    for (char32_t& c : chars)
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) c = U'?';
    return platform::EncodeUtf8(chars);
}

// The request text of one exchange, or nothing (logged) when the index or the value cannot go out.
std::optional<std::string> RequestText(TDevice& Device, const TCommandWord& Word, const TCommandExchange& Ex,
                                       int N, const std::string* Value)
{
    std::string text(Word.Word);
    if (Ex.Index != Index::None) {
        const int limit = std::min(IndexLimit(Ex.Index), Word.MaxIndex);
        if (N < 0 || N > limit) {
            Device.LogError("Команда \"" + text + "\" не отправлена: номер " + std::to_string(N) +
                            " вне допустимых пределов 0.." + std::to_string(limit));
            return std::nullopt;
        }
        text += IndexText(Ex.Index, N);
    }
    if (Value) {
        if (const auto problem = DeviceValueProblem(*Value)) {
            Device.LogError("Значение \"" + Printable(*Value) + "\" команды \"" + text + "\" не отправлено: " +
                            *problem);
            return std::nullopt;
        }
        text += ValueText(Ex.Value, *Value);
    }
    return text;
}

// The login: one wait for the line its answer ends with. "OK" lets the user in and "NOK" refuses the
// key; silence is no answer, as ever. Anything else (another request's reply come late or twice, a line
// garbled) says nothing about the key: the line is resynchronised and the key sent again.
bool Login(TDevice& Device, const std::string& Text, int TimeoutMs, std::string& Answer)
{
    for (int attempt = 1; attempt <= TDevice::DefaultAttempts; ++attempt) {
        const bool answered = Device.SendOnce(Text, Answer, "\r", TimeoutMs);
        if (!answered && Device.LastFailure() != TFailure::MoreThanOneReply) return false;
        const std::string line = platform::Trim(Answer);
        if (answered && line == "OK") return true;
        if (answered && platform::AsciiUpper(line) == "NOK") return false;
        Device.LogError("Ответ на вход с мастер-ключом не принят: ни \"OK\", ни \"NOK\"");
        Device.Distrust();
    }
    return false;
}

// Runs one exchange; Text gives the command for each attempt.
bool Run(TDevice& Device, const TCommandExchange& Ex, const TDevice::CommandFn& Text, std::string& Answer)
{
    const TExpected done = TExpected::Done();
    switch (Ex.Shape) {
    case Shape::Read: return Device.ReadString(Text(0), Answer, Ex.Form);
    case Shape::Write: return Device.Execute(Text(0));
    case Shape::Send: return Device.SendCommand(Text, Answer, Ex.TimeoutMs, true, TExpected::ValueOf(Ex.Form));
    case Shape::SendRaw: return Device.SendCommand(Text, Answer, Ex.TimeoutMs, false, done);
    case Shape::Guarded:
        // Erase and the output test must not break a page operation by a device quirk, but a line
        // that is gone has to end the operation and disconnect like everywhere else.
        try {
            return Device.SendCommand(Text, Answer, Ex.TimeoutMs, true, done);
        } catch (const ELinkFailure&) {
            throw;
        } catch (...) {
            return false;
        }
    case Shape::Unframed: return Device.SendUnframed(Text(0), Answer, Ex.TimeoutMs, done);
    case Shape::Login: return Login(Device, Text(0), Ex.TimeoutMs, Answer);
    case Shape::None: break;
    }
    return false;
}

bool Run(TDevice& Device, const TCommandExchange& Ex, const std::string& Text, std::string& Answer)
{
    return Run(Device, Ex, [&Text](std::uint64_t) { return Text; }, Answer);
}

bool ReadWord(TDevice& Device, const TCommandWord& Word, std::string& Value, int N = 0)
{
    Value.clear();
    const auto text = RequestText(Device, Word, Word.Read, N, nullptr);
    return text && Run(Device, Word.Read, *text, Value);
}

bool WriteWord(TDevice& Device, const TCommandWord& Word, const std::string& Value, int N = 0)
{
    const auto text = RequestText(Device, Word, Word.Write, N, &Value);
    if (!text) return false;
    if (Word.Write.Shape == Shape::Write && ValueText(Word.Write.Value, Value).empty())
        return Device.ExecuteEmpty(*text);
    std::string ignored;
    return Run(Device, Word.Write, *text, ignored);
}

bool SendWord(TDevice& Device, const TCommandWord& Word, std::string& Answer)
{
    const auto text = RequestText(Device, Word, Word.Write, 0, nullptr);
    return text && Run(Device, Word.Write, *text, Answer);
}

bool SendWord(TDevice& Device, const TCommandWord& Word)
{
    std::string ignored;
    return SendWord(Device, Word, ignored);
}

const char* OnOff(bool on) { return on ? "00" : "FF"; }

}  // namespace

std::span<const TCommandWord> CommandWords() { return kWords; }

const TCommandWord* FindCommandWord(std::string_view Word)
{
    for (const TCommandWord& w : kWords)
        if (w.Word == Word) return &w;
    return nullptr;
}

std::optional<std::string> DeviceValueProblem(const std::string& Value)
{
    if (!platform::IsValidUtf8(Value) || !platform::Utf8ToCp1251(Value))
        return "в нём есть символ, который нельзя передать устройству (допустимы только символы кодировки "
               "Windows-1251)";
    for (const char32_t c : platform::DecodeUtf8(Value))
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F))
            return "в нём есть управляющий символ (перевод строки, возврат каретки и подобные)";
    return std::nullopt;
}

std::string ClockCommandText(const std::tm& T)
{
    char text[48];
    std::snprintf(text, sizeof text, "\"%02d/%02d/%02d,%02d:%02d:%02d+00\"", (T.tm_year + 1900) % 100,
                  T.tm_mon + 1, T.tm_mday, T.tm_hour, T.tm_min, T.tm_sec);
    return std::string(kClockSet.Word) + text;
}

bool SendReset(TDevice& Device) { return SendWord(Device, kReset); }
bool SendEraseHistory(TDevice& Device) { return SendWord(Device, kErase); }
bool SendOutputsOn(TDevice& Device) { return SendWord(Device, kOutputsOn); }
bool SendOutputsOff(TDevice& Device) { return SendWord(Device, kOutputsOff); }

bool SendLogin(TDevice& Device, const std::string& Key)
{
    const auto text = RequestText(Device, kLogin, kLogin.Write, 0, &Key);
    std::string reply;
    return text && Run(Device, kLogin.Write, *text, reply);
}

bool SendCableConnect(TDevice& Device) { return SendWord(Device, kCableConnect); }
void SendCableDisconnect(TDevice& Device) { SendWord(Device, kCableDisconnect); }

bool ReadVersionText(TDevice& Device, std::string& Value) { return ReadWord(Device, kVersion, Value); }
bool ReadSignalQuality(TDevice& Device, std::string& Value) { return ReadWord(Device, kSignal, Value); }
bool ReadClock(TDevice& Device, std::string& Value) { return ReadWord(Device, kClock, Value); }

bool WriteClock(TDevice& Device, const std::tm& T, std::string& Answer)
{
    Answer.clear();
    // A retry goes out ten seconds or more after the first attempt: each sets the time as it is by then.
    const auto text = [&T](std::uint64_t elapsedMs) {
        const std::time_t then = platform::FromUtcTime(T) + static_cast<std::time_t>(elapsedMs / 1000);
        return ClockCommandText(platform::UtcTime(then));
    };
    return Run(Device, kClockSet.Write, text, Answer);
}

bool ReadMasterKey(TDevice& Device, std::string& Value) { return ReadWord(Device, kMasterKey, Value); }
bool WriteMasterKey(TDevice& Device, const std::string& Value) { return WriteWord(Device, kMasterKey, Value); }
bool ReadBolidText(TDevice& Device, std::string& Value) { return ReadWord(Device, kBolidText, Value); }

bool ReadParadoxObject(TDevice& Device, int N, std::string& Value)
{
    return ReadWord(Device, kParadoxObject, Value, N);
}

bool WriteParadoxObject(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kParadoxObject, Value, N);
}

bool ReadLanEnable(TDevice& Device, std::string& Value) { return ReadWord(Device, kLanEnable, Value); }
bool WriteLanEnable(TDevice& Device, const std::string& Value) { return WriteWord(Device, kLanEnable, Value); }

bool ReadGprsEnable(TDevice& Device, bool& First, bool& Second)
{
    std::string value;
    if (!ReadWord(Device, kGprsEnable, value)) return false;
    switch (WholeHex(value).value_or(0x100)) {
    case 0x00: First = true, Second = true; return true;
    case 0x0F: First = false, Second = true; return true;
    case 0xF0: First = true, Second = false; return true;
    case 0xFF: First = false, Second = false; return true;
    default: return false;
    }
}

bool WriteGprsEnable(TDevice& Device, bool First, bool Second)
{
    const std::string code = First ? (Second ? "00" : "F0") : (Second ? "0F" : "FF");
    return WriteWord(Device, kGprsEnable, code);
}

bool ReadDirectionSwitch(TDevice& Device, std::string& Value) { return ReadWord(Device, kDirectionSwitch, Value); }
bool WriteDirectionSwitch(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kDirectionSwitch, Value);
}
bool ReadEngineerEnable(TDevice& Device, std::string& Value) { return ReadWord(Device, kEngineerEnable, Value); }
bool WriteEngineerEnable(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kEngineerEnable, Value);
}
bool ReadEngineerNumber(TDevice& Device, int N, std::string& Value)
{
    return ReadWord(Device, kEngineerNumber, Value, N);
}
bool WriteEngineerNumber(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kEngineerNumber, Value, N);
}
bool ReadExtraAutotest(TDevice& Device, std::string& Value) { return ReadWord(Device, kExtraAutotest, Value); }
bool WriteExtraAutotest(TDevice& Device, const std::string& Value) { return WriteWord(Device, kExtraAutotest, Value); }
bool ReadDirectionParams(TDevice& Device, int N, std::string& Value)
{
    return ReadWord(Device, kDirectionParams, Value, N);
}
bool WriteDirectionParams(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kDirectionParams, Value);
}
bool ReadSystemEvents(TDevice& Device, std::string& Value) { return ReadWord(Device, kSystemEvents, Value); }
bool WriteSystemEvents(TDevice& Device, const std::string& Value) { return WriteWord(Device, kSystemEvents, Value); }
bool ReadBatteryLogic(TDevice& Device, std::string& Value) { return ReadWord(Device, kBatteryLogic, Value); }
bool WriteBatteryLogic(TDevice& Device, const std::string& Value) { return WriteWord(Device, kBatteryLogic, Value); }
bool ReadBatteryThresholds(TDevice& Device, std::string& Value)
{
    return ReadWord(Device, kBatteryThresholds, Value);
}
bool WriteBatteryThresholds(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBatteryThresholds, Value);
}
bool ReadApnAddress(TDevice& Device, int N, std::string& Value) { return ReadWord(Device, kApnAddress, Value, N); }
bool WriteApnAddress(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kApnAddress, Value, N);
}
bool ReadApnLogin(TDevice& Device, int N, std::string& Value) { return ReadWord(Device, kApnLogin, Value, N); }
bool WriteApnLogin(TDevice& Device, int N, const std::string& Value) { return WriteWord(Device, kApnLogin, Value, N); }
bool ReadApnPassword(TDevice& Device, int N, std::string& Value) { return ReadWord(Device, kApnPassword, Value, N); }
bool WriteApnPassword(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kApnPassword, Value, N);
}
bool ReadGprsDialNumber(TDevice& Device, int N, std::string& Value)
{
    return ReadWord(Device, kGprsDialNumber, Value, N);
}
bool WriteGprsDialNumber(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kGprsDialNumber, Value, N);
}

bool ReadGprsRetryTime(TDevice& Device, int& Hours, int& Minutes)
{
    std::string value;
    if (!ReadWord(Device, kGprsRetryTime, value)) return false;
    const auto minutes = WholeHex(value);
    if (!minutes) return false;
    Hours = static_cast<int>(*minutes / 60);
    Minutes = static_cast<int>(*minutes % 60);
    return true;
}

bool WriteGprsRetryTime(TDevice& Device, int Hours, int Minutes)
{
    const long long total = static_cast<long long>(Hours) * 60 + Minutes;
    if (total < 0 || total > 0x7FFFFFFF) {
        Device.LogError("Время между попытками GPRS-соединения не отправлено: " + std::to_string(total) +
                        " минут вне допустимых пределов");
        return false;
    }
    return WriteWord(Device, kGprsRetryTime, UpperHex(static_cast<unsigned>(total), 4));
}

bool ReadImei(TDevice& Device, std::string& Value) { return ReadWord(Device, kImei, Value); }

bool ReadImeiIdent(TDevice& Device)
{
    std::string value;
    return ReadWord(Device, kImeiIdent, value) && value.find("00") != std::string::npos;
}

bool ReadImeiIdent(TDevice& Device, bool& On)
{
    std::string value;
    if (!ReadWord(Device, kImeiIdent, value)) return false;
    On = value.find("00") != std::string::npos;
    return true;
}

bool WriteImeiIdent(TDevice& Device, bool On) { return WriteWord(Device, kImeiIdent, OnOff(On)); }
bool ReadInputFlags(TDevice& Device, std::string& Value) { return ReadWord(Device, kInputFlags, Value); }
bool WriteInputFlags(TDevice& Device, const std::string& Value) { return WriteWord(Device, kInputFlags, Value); }
bool ReadInputEventParams(TDevice& Device, int N, std::string& Value)
{
    return ReadWord(Device, kInputEventParams, Value, N);
}
bool WriteInputEventParams(TDevice& Device, int N, const std::string& Value)
{
    return WriteWord(Device, kInputEventParams, Value, N);
}
bool ReadTamperEnable(TDevice& Device, std::string& Value) { return ReadWord(Device, kTamper, Value); }
bool WriteTamperEnable(TDevice& Device, bool On) { return WriteWord(Device, kTamper, OnOff(On)); }
bool ReadObjectNumber(TDevice& Device, std::string& Value) { return ReadWord(Device, kObjectNumber, Value); }
bool WriteObjectNumber(TDevice& Device, const std::string& Value) { return WriteWord(Device, kObjectNumber, Value); }
bool ReadBolidEventMask(TDevice& Device, std::string& Value) { return ReadWord(Device, kBolidEventMask, Value); }
bool WriteBolidEventMask(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBolidEventMask, Value);
}
bool ReadBolidEventMaskExt(TDevice& Device, std::string& Value)
{
    return ReadWord(Device, kBolidEventMaskExt, Value);
}
bool WriteBolidEventMaskExt(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBolidEventMaskExt, Value);
}
bool ReadVoiceCidSpeed(TDevice& Device, std::string& Value) { return ReadWord(Device, kVoiceCidSpeed, Value); }
bool WriteVoiceCidSpeed(TDevice& Device, const std::string& Value) { return WriteWord(Device, kVoiceCidSpeed, Value); }
bool ReadAltonikaSection(TDevice& Device, std::string& Value) { return ReadWord(Device, kAltonikaSection, Value); }
bool WriteAltonikaSection(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kAltonikaSection, Value);
}
bool ReadC2000ItFilter(TDevice& Device, std::string& Value) { return ReadWord(Device, kC2000ItFilter, Value); }
bool WriteC2000ItFilter(TDevice& Device, const std::string& Value) { return WriteWord(Device, kC2000ItFilter, Value); }
bool ReadBolidAddressToPartition(TDevice& Device, std::string& Value)
{
    return ReadWord(Device, kBolidAddressToPartition, Value);
}
bool WriteBolidAddressToPartition(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBolidAddressToPartition, Value);
}
bool ReadBolidLinkControl(TDevice& Device, std::string& Value) { return ReadWord(Device, kBolidLinkControl, Value); }
bool WriteBolidLinkControl(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBolidLinkControl, Value);
}
bool ReadPanelType(TDevice& Device, std::string& Value) { return ReadWord(Device, kPanelType, Value); }
bool WritePanelType(TDevice& Device, const std::string& Value) { return WriteWord(Device, kPanelType, Value); }
bool ReadHardwareType(TDevice& Device, std::string& Value) { return ReadWord(Device, kHardwareType, Value); }

bool ReadHistoryPointer(TDevice& Device, int& Pointer)
{
    std::string value;
    if (!ReadWord(Device, kHistoryPointer, value)) return false;
    const auto pointer = WholeHex(platform::Copy(value, 1, 4));
    if (!pointer) return false;
    Pointer = static_cast<int>(*pointer);
    return true;
}

bool ReadHistoryRecord(TDevice& Device, int Address, std::string& Value)
{
    return ReadWord(Device, kHistoryRecord, Value, Address);
}

bool ReadServerAddress(TDevice& Device, std::string& Value) { return ReadWord(Device, kServerAddress, Value); }
bool WriteServerAddress(TDevice& Device, const std::string& Value) { return WriteWord(Device, kServerAddress, Value); }
bool ReadServer2Address(TDevice& Device, std::string& Value) { return ReadWord(Device, kServer2Address, Value); }
bool WriteServer2Address(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kServer2Address, Value);
}
bool ReadServerPort(TDevice& Device, std::string& Value) { return ReadWord(Device, kServerPort, Value); }
bool WriteServerPort(TDevice& Device, const std::string& Value) { return WriteWord(Device, kServerPort, Value); }
bool ReadServer2Port(TDevice& Device, std::string& Value) { return ReadWord(Device, kServer2Port, Value); }
bool WriteServer2Port(TDevice& Device, const std::string& Value) { return WriteWord(Device, kServer2Port, Value); }
bool ReadServerPassword(TDevice& Device, std::string& Value) { return ReadWord(Device, kServerPassword, Value); }
bool WriteServerPassword(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kServerPassword, Value);
}
bool ReadBindAddressToSim(TDevice& Device, std::string& Value) { return ReadWord(Device, kBindAddressToSim, Value); }
bool WriteBindAddressToSim(TDevice& Device, const std::string& Value)
{
    return WriteWord(Device, kBindAddressToSim, Value);
}
