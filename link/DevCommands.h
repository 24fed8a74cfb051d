#pragma once
// The device command set: one read and one write routine per command word. Words, index forms,
// time-outs, exchange shapes and the form of every value read live in one table (CommandWords) that every
// routine walks. A reply that does not have its form (a write's: "OK" alone) is no answer: the attempt
// fails and the request goes out again.
//
// Read routines return true when the device answered and hand the value out; on failure the value is
// empty (converting reads leave their outputs unchanged). Write routines return true when the device
// answered "OK". A value that the device could not take back intact (a control character, the letters
// "ok" in any case, a character outside Windows-1251) is refused before anything is sent: the routine
// logs why and returns false. Link failures (ELinkFailure) always reach the caller.
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/Device.h"

enum class TCommandShape {
    None,     // the word has no exchange in this direction
    Read,     // ReadString: the worker's time-out raised to the floor, 3 attempts, value decoded
    Write,    // Execute: as Read, the value dropped
    Send,     // SendCommand with the row's time-out, decoded
    SendRaw,  // SendCommand with the row's time-out, the whole reply returned
    Guarded,  // as Send; any failure but a link failure becomes false
    Unframed, // SendCommandEx without the "+" prefix, decoded
    Login,    // one attempt up to CR, see SendLogin
};

enum class TIndexForm {
    None,
    Digit,     // one decimal digit
    HexDigit,  // one upper-case hexadecimal digit
    Hex4,      // four upper-case hexadecimal digits
};

enum class TValueForm {
    Plain,
    ThenZero,  // the device expects a "0" after the value
    Twice,     // the value goes out twice in succession (as the device has always been sent it)
};

struct TCommandExchange {
    TCommandShape Shape = TCommandShape::None;
    TIndexForm Index = TIndexForm::None;
    int TimeoutMs = 0;  // asked; the protocol object's floor applies where this is less
    TValueForm Value = TValueForm::Plain;
    // Reads: the form of the value the reply must carry (link/ValueForm.h). Every other exchange expects
    // "OK" alone.
    std::string_view Form{};
};

struct TCommandWord {
    std::string_view Word;
    TCommandExchange Read;
    TCommandExchange Write;
    int MaxIndex = 0;  // highest index the word takes, where it takes one
};

std::span<const TCommandWord> CommandWords();
const TCommandWord* FindCommandWord(std::string_view Word);

// Why a value cannot be sent to the device (a Russian sentence for the user), or nothing when it can.
std::optional<std::string> DeviceValueProblem(const std::string& Value);

// The clock text of WriteClock: AS"yy/mm/dd,hh:mm:ss+00".
std::string ClockCommandText(const std::tm& T);

// Device actions.
bool SendReset(TDevice& Device);
bool SendEraseHistory(TDevice& Device);
bool SendOutputsOn(TDevice& Device);
bool SendOutputsOff(TDevice& Device);
// True only when the device accepted the key (a "NOK" reply is a refusal).
bool SendLogin(TDevice& Device, const std::string& Key);
bool SendCableConnect(TDevice& Device);
void SendCableDisconnect(TDevice& Device);

bool ReadVersionText(TDevice& Device, std::string& Value);
bool ReadSignalQuality(TDevice& Device, std::string& Value);
bool ReadClock(TDevice& Device, std::string& Value);
// Answer: the whole reply; the caller decides ("OK" and no "NOK" means set). T is the time when the call
// begins; a retry sends the time as it is then.
bool WriteClock(TDevice& Device, const std::tm& T, std::string& Answer);
bool ReadMasterKey(TDevice& Device, std::string& Value);
bool WriteMasterKey(TDevice& Device, const std::string& Value);
bool ReadBolidText(TDevice& Device, std::string& Value);
bool ReadParadoxObject(TDevice& Device, int N, std::string& Value);
bool WriteParadoxObject(TDevice& Device, int N, const std::string& Value);

bool ReadLanEnable(TDevice& Device, std::string& Value);
bool WriteLanEnable(TDevice& Device, const std::string& Value);
// 00 both on, 0F first off, F0 second off, FF both off; anything else is a failure.
bool ReadGprsEnable(TDevice& Device, bool& First, bool& Second);
bool WriteGprsEnable(TDevice& Device, bool First, bool Second);
bool ReadDirectionSwitch(TDevice& Device, std::string& Value);
bool WriteDirectionSwitch(TDevice& Device, const std::string& Value);
bool ReadEngineerEnable(TDevice& Device, std::string& Value);
bool WriteEngineerEnable(TDevice& Device, const std::string& Value);
bool ReadEngineerNumber(TDevice& Device, int N, std::string& Value);
bool WriteEngineerNumber(TDevice& Device, int N, const std::string& Value);
bool ReadExtraAutotest(TDevice& Device, std::string& Value);
bool WriteExtraAutotest(TDevice& Device, const std::string& Value);
// N 0-7 selects direction N + 1; the write's value begins with the channel digit.
bool ReadDirectionParams(TDevice& Device, int N, std::string& Value);
bool WriteDirectionParams(TDevice& Device, const std::string& Value);
bool ReadSystemEvents(TDevice& Device, std::string& Value);
bool WriteSystemEvents(TDevice& Device, const std::string& Value);
bool ReadBatteryLogic(TDevice& Device, std::string& Value);
bool WriteBatteryLogic(TDevice& Device, const std::string& Value);
bool ReadBatteryThresholds(TDevice& Device, std::string& Value);
bool WriteBatteryThresholds(TDevice& Device, const std::string& Value);
bool ReadApnAddress(TDevice& Device, int N, std::string& Value);
bool WriteApnAddress(TDevice& Device, int N, const std::string& Value);
bool ReadApnLogin(TDevice& Device, int N, std::string& Value);
bool WriteApnLogin(TDevice& Device, int N, const std::string& Value);
bool ReadApnPassword(TDevice& Device, int N, std::string& Value);
bool WriteApnPassword(TDevice& Device, int N, const std::string& Value);
bool ReadGprsDialNumber(TDevice& Device, int N, std::string& Value);
bool WriteGprsDialNumber(TDevice& Device, int N, const std::string& Value);
// The device keeps minutes; the page shows hours and minutes.
bool ReadGprsRetryTime(TDevice& Device, int& Hours, int& Minutes);
bool WriteGprsRetryTime(TDevice& Device, int Hours, int Minutes);
bool ReadImei(TDevice& Device, std::string& Value);
// True only when the read succeeded and the value holds "00".
bool ReadImeiIdent(TDevice& Device);
// The same, telling a failed read (false) from the protocol being off (On false).
bool ReadImeiIdent(TDevice& Device, bool& On);
bool WriteImeiIdent(TDevice& Device, bool On);
bool ReadInputFlags(TDevice& Device, std::string& Value);
bool WriteInputFlags(TDevice& Device, const std::string& Value);
bool ReadInputEventParams(TDevice& Device, int N, std::string& Value);
bool WriteInputEventParams(TDevice& Device, int N, const std::string& Value);
bool ReadTamperEnable(TDevice& Device, std::string& Value);
bool WriteTamperEnable(TDevice& Device, bool On);
bool ReadObjectNumber(TDevice& Device, std::string& Value);
bool WriteObjectNumber(TDevice& Device, const std::string& Value);
bool ReadBolidEventMask(TDevice& Device, std::string& Value);
bool WriteBolidEventMask(TDevice& Device, const std::string& Value);
bool ReadBolidEventMaskExt(TDevice& Device, std::string& Value);
bool WriteBolidEventMaskExt(TDevice& Device, const std::string& Value);
bool ReadVoiceCidSpeed(TDevice& Device, std::string& Value);
bool WriteVoiceCidSpeed(TDevice& Device, const std::string& Value);
bool ReadAltonikaSection(TDevice& Device, std::string& Value);
bool WriteAltonikaSection(TDevice& Device, const std::string& Value);
bool ReadC2000ItFilter(TDevice& Device, std::string& Value);
bool WriteC2000ItFilter(TDevice& Device, const std::string& Value);
bool ReadBolidAddressToPartition(TDevice& Device, std::string& Value);
bool WriteBolidAddressToPartition(TDevice& Device, const std::string& Value);
bool ReadBolidLinkControl(TDevice& Device, std::string& Value);
bool WriteBolidLinkControl(TDevice& Device, const std::string& Value);
bool ReadPanelType(TDevice& Device, std::string& Value);
bool WritePanelType(TDevice& Device, const std::string& Value);
bool ReadHardwareType(TDevice& Device, std::string& Value);
// The first four characters of the value as a hexadecimal number: the next record to be written.
bool ReadHistoryPointer(TDevice& Device, int& Pointer);
bool ReadHistoryRecord(TDevice& Device, int Address, std::string& Value);
bool ReadServerAddress(TDevice& Device, std::string& Value);
bool WriteServerAddress(TDevice& Device, const std::string& Value);
bool ReadServer2Address(TDevice& Device, std::string& Value);
bool WriteServer2Address(TDevice& Device, const std::string& Value);
bool ReadServerPort(TDevice& Device, std::string& Value);
bool WriteServerPort(TDevice& Device, const std::string& Value);
bool ReadServer2Port(TDevice& Device, std::string& Value);
bool WriteServer2Port(TDevice& Device, const std::string& Value);
bool ReadServerPassword(TDevice& Device, std::string& Value);
bool WriteServerPassword(TDevice& Device, const std::string& Value);
bool ReadBindAddressToSim(TDevice& Device, std::string& Value);
bool WriteBindAddressToSim(TDevice& Device, const std::string& Value);
