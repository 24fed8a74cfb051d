// Device replies: the terminator test of the reply waits, the cutting of the value out of a reply,
// and the command set's readers that turn a value into numbers and flags. The input is the reply as
// the wire carries it, given to every request.
#include <array>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"

namespace {

// The terminator test as its contract words it: delete the first "NOK" until none is left (ASCII case
// ignored), then look for the terminator.
bool ReferenceHoldsTerminator(const std::string& answer, const std::string& terminator)
{
    std::string rest = platform::AsciiUpper(answer);
    for (std::size_t at = rest.find("NOK"); at != std::string::npos; at = rest.find("NOK")) rest.erase(at, 3);
    return rest.find(platform::AsciiUpper(terminator)) != std::string::npos;
}

void CheckTerminatorTest(const std::string& reply)
{
    static const std::array<std::string, 9> kTerminators{"OK", "ok", "\r", "\r\n", "CONNECT", "NO CARRIER",
                                                         "K", "NOK", "OKNOK"};
    for (const std::string& t : kTerminators)
        FUZZ_CHECK(TComPortWorker::HoldsTerminator(reply, t) == ReferenceHoldsTerminator(reply, t));
    // The reply's own first line as the terminator.
    const std::string line = reply.substr(0, reply.find('\n'));
    FUZZ_CHECK(TComPortWorker::HoldsTerminator(reply, line) == ReferenceHoldsTerminator(reply, line));
}

void CheckExtraction(TDevice& device, const std::string& reply)
{
    const std::string utf8 = platform::Cp1251ToUtf8(reply);
    const std::string value = device.ExtractValue(utf8);
    FUZZ_CHECK(platform::IsValidUtf8(value));
    FUZZ_CHECK(utf8.find(value) != std::string::npos);
    FUZZ_CHECK(platform::Trim(value) == value);
    FUZZ_CHECK(value.find(device.GetTerminator()) == std::string::npos);

    std::string read = "stale";
    const bool ok = device.ReadString("x", read);
    FUZZ_CHECK(ok == TComPortWorker::HoldsTerminator(reply, device.GetTerminator()));
    // A failed read never passes anything off as a value.
    FUZZ_CHECK(ok ? read == value : read.empty());

    for (const bool hex : {false, true}) {
        int number = -12345;
        if (!device.ReadInteger("x", number, hex)) FUZZ_CHECK(number == -12345);
    }
}

void CheckReaders(TDevice& device)
{
    bool first = false;
    bool second = false;
    (void)ReadGprsEnable(device, first, second);
    int hours = -1;
    int minutes = -1;
    if (ReadGprsRetryTime(device, hours, minutes)) FUZZ_CHECK(hours >= 0 && minutes >= 0 && minutes < 60);
    int pointer = -1;
    if (ReadHistoryPointer(device, pointer)) FUZZ_CHECK(pointer >= 0 && pointer <= 0xFFFF);
    (void)ReadImeiIdent(device);
    std::string text;
    for (const auto reader : {ReadVersionText, ReadSignalQuality, ReadClock, ReadImei, ReadPanelType}) {
        if (!reader(device, text)) FUZZ_CHECK(text.empty());
        FUZZ_CHECK(platform::IsValidUtf8(text));
    }
    (void)SendLogin(device, "1234");
    (void)SendCableConnect(device);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string reply = fuzz::Bytes(data, size);
    CheckTerminatorTest(reply);

    fuzz::ScriptedComm comm([&reply](const std::string&) { return reply; });
    fuzz::CheckingLog log;
    TDevSorvel7QX1 device(comm, &log);
    device.SetTimeoutFloor(0);
    device.SetTimestamp({});
    CheckExtraction(device, reply);
    CheckReaders(device);
    return 0;
}
