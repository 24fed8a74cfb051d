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

void SystemEvents(const std::string& value)
{
    const auto events = DecodeSystemEvents(value);
    if (!events) return;
    std::array<TTestTime, 3> tests{};
    FUZZ_CHECK(events->Tests.size() <= tests.size());
    std::copy(events->Tests.begin(), events->Tests.end(), tests.begin());
    const auto encoded = EncodeTestTimes(static_cast<int>(events->Tests.size()), tests);
    FUZZ_CHECK(encoded.has_value());
    const auto again = DecodeSystemEvents("FF00FF" + *encoded);
    FUZZ_CHECK(again && again->Tests == events->Tests);
}

void LoopEvent(const std::string& value)
{
    const auto event = DecodeEventValue(value);
    // The partition and loop are taken as the device sent them: only a value of nine digits encodes back.
    const std::string whole = value.substr(0, 9);
    if (!event || whole.size() < 9 || whole.find_first_not_of("0123456789") != std::string::npos) return;
    static const TMsgFile kNoMessages;
    const std::string item = EventItemText(event->Code, kNoMessages);
    const auto built = BuildEventValue(item, std::stoi(event->Partition), std::stoi(event->Loop));
    FUZZ_CHECK(built && *built == whole);
}

void Numbers(const std::string& value)
{
    if (const auto flags = DecodeInputFlags(value)) FUZZ_CHECK(DecodeInputFlags(EncodeInputFlags(*flags)) == flags);
    if (const auto bits = DecodeMaskBits(value)) FUZZ_CHECK(EncodeMaskBits(*bits) == platform::AsciiUpper(value));
    (void)HexTextValue(value);
    const auto number = ParseHexValue(value);
    if (!number) return;
    for (const bool minutes : {false, true}) {
        const auto [hours, rest] = DecodeExtraTest(*number, minutes);
        if (*number < 25u * (minutes ? 60 : 12)) {
            const auto encoded = EncodeExtraTest(hours, rest, minutes);
            FUZZ_CHECK(encoded && *encoded == UpperHex(*number, 4));
        }
    }
}

void BitsAndDates(const std::string& value)
{
    std::string bits = value;
    if (HexToBinStr(bits)) {
        FUZZ_CHECK(bits.size() == 8);
        BinStrToHex(bits);
        FUZZ_CHECK(bits == platform::AsciiUpper(platform::Trim(value)).substr(0, 2));
    }
    std::string text = value;
    BinStrToHex(text);
    (void)BitStringToByte(value);
    std::string date = value;
    DeviceDateToText(date);
    if (platform::IsValidUtf8(value)) FUZZ_CHECK(platform::IsValidUtf8(date));
}

void Edits(const std::string& value)
{
    const std::string delay = ClampNumberText(value, TformATests::DelayMin, TformATests::DelayMax, 2);
    FUZZ_CHECK(std::stoi(delay) >= TformATests::DelayMin && std::stoi(delay) <= TformATests::DelayMax);
    FUZZ_CHECK(ClampNumberText(value, TformATests::BatteryTimeMin, TformATests::BatteryTimeMax, 3).size() == 3);
    FUZZ_CHECK(ClampVoltageText(value, 1000, 1500).size() == 5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string value = fuzz::Bytes(data, size);
    SystemEvents(value);
    LoopEvent(value);
    Numbers(value);
    BitsAndDates(value);
    Edits(value);
    return 0;
}
