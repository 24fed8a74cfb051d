// The pages' decoders of device values (system events, input flags, loop events, event masks, hex
// numbers, dates, bit strings) and the edits' clamping, each given the input as the device's text.
// Where a decoder has an encoder, what it decoded must encode back.
#include "app/MsgFileU.h"
#include "app/fATests.h"
#include "app/fCommon.h"
#include "app/fLoops.h"
#include "app/fMasks.h"
#include "fuzz/FuzzSupport.h"
#include "link/Device.h"
#include "link/SmallRoutines.h"

namespace {

bool IsBits(const std::string& s) { return s.size() == 8 && s.find_first_not_of("01") == std::string::npos; }

void SystemEvents(const std::string& value)
{
    const auto events = DecodeSystemEvents(value);
    if (!events) return;
    FUZZ_CHECK(events->Tests.size() <= 3);
    if (events->MainsDelay) FUZZ_CHECK(*events->MainsDelay >= 0 && *events->MainsDelay < 0xFF);
    std::array<TTestTime, 3> tests{};
    for (std::size_t i = 0; i < events->Tests.size(); ++i) tests[i] = events->Tests[i];
    const int count = static_cast<int>(events->Tests.size());
    const auto encoded = EncodeTestTimes(count, tests);
    FUZZ_CHECK(encoded.has_value());
    const auto again = DecodeSystemEvents("FF00FF" + *encoded);
    FUZZ_CHECK(again && again->Tests == events->Tests);
}

void InputFlags(const std::string& value)
{
    const auto flags = DecodeInputFlags(value);
    if (!flags) return;
    const auto again = DecodeInputFlags(EncodeInputFlags(*flags));
    FUZZ_CHECK(again && *again == *flags);
}

void LoopEvent(const std::string& value)
{
    const auto event = DecodeEventValue(value);
    if (!event) return;
    FUZZ_CHECK(event->Code.size() == 4);
    // The partition and loop are taken as the device sent them: only a value of nine digits encodes back.
    const std::string whole = value.substr(0, 9);
    if (whole.size() < 9 || whole.find_first_not_of("0123456789") != std::string::npos) return;
    static const TMsgFile kNoMessages;
    const std::string item = EventItemText(event->Code, kNoMessages);
    const auto built = BuildEventValue(item, std::stoi(event->Partition), std::stoi(event->Loop));
    FUZZ_CHECK(built && *built == value.substr(0, 9));
}

void MaskBits(const std::string& value)
{
    const auto bits = DecodeMaskBits(value);
    if (!bits) return;
    FUZZ_CHECK(bits->size() == value.size() * 4);
    FUZZ_CHECK(EncodeMaskBits(*bits) == platform::AsciiUpper(value));
}

void HexNumbers(const std::string& value)
{
    (void)HexTextValue(value);
    const auto number = ParseHexValue(value);
    if (!number) return;
    for (const bool minutes : {false, true}) {
        const unsigned perHour = minutes ? 60 : 12;
        const auto [hours, rest] = DecodeExtraTest(*number, minutes);
        FUZZ_CHECK(hours >= 0 && hours <= 24 && rest >= 0 && rest < static_cast<int>(perHour));
        if (*number < 25 * perHour) {
            const auto encoded = EncodeExtraTest(hours, rest, minutes);
            FUZZ_CHECK(encoded && *encoded == UpperHex(*number, 4));
        }
    }
}

void BitsAndDates(const std::string& value)
{
    std::string bits = value;
    if (HexToBinStr(bits)) {
        FUZZ_CHECK(IsBits(bits));
        std::string hex = bits;
        BinStrToHex(hex);
        FUZZ_CHECK(hex == platform::AsciiUpper(platform::Trim(value)).substr(0, 2));
    }
    std::string text = value;
    BinStrToHex(text);
    FUZZ_CHECK(text.size() >= 2);
    (void)BitStringToByte(value);
    std::string date = value;
    DeviceDateToText(date);
    if (platform::IsValidUtf8(value)) {
        FUZZ_CHECK(platform::IsValidUtf8(date));
        if (platform::Utf8Length(value) >= 8) FUZZ_CHECK(platform::Utf8Length(date) == platform::Utf8Length(value));
    }
}

void Edits(const std::string& value)
{
    const std::string delay = ClampNumberText(value, TformATests::DelayMin, TformATests::DelayMax, 2);
    FUZZ_CHECK(delay.size() == 2 && std::stoi(delay) >= TformATests::DelayMin && std::stoi(delay) <= TformATests::DelayMax);
    const std::string time = ClampNumberText(value, TformATests::BatteryTimeMin, TformATests::BatteryTimeMax, 3);
    FUZZ_CHECK(time.size() == 3);
    const std::string volts = ClampVoltageText(value, 1000, 1500);
    FUZZ_CHECK(volts.size() == 5 && volts[2] == ',');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string value = fuzz::Bytes(data, size);
    SystemEvents(value);
    InputFlags(value);
    LoopEvent(value);
    MaskBits(value);
    HexNumbers(value);
    BitsAndDates(value);
    Edits(value);
    return 0;
}
