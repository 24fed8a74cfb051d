// Device and modem replies: the terminator test of the reply waits, where a reply ends however it is
// chunked, the cutting of the value out of a reply, and the command set's readers that turn a value into
// numbers and flags. The input is the reply as the wire carries it, given to every request.
#include <array>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"
#include "link/ReplyReader.h"

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
}

bool Complete(TReplyState state)
{
    return state == TReplyState::Whole || state == TReplyState::Error;
}

// The end of a reply depends on its bytes and the silence after them, never on how they were chunked;
// what a prefix already decided (complete, or more than one reply) more bytes cannot undo.
void CheckReplyEnd(const std::string& reply, const TReplyRule& rule)
{
    constexpr std::uint64_t kLong = 1'000'000;
    TReplyReader whole(rule);
    whole.Add(reply);
    TReplyReader halves(rule);
    halves.Add(std::string_view(reply).substr(0, reply.size() / 2));
    halves.Add(std::string_view(reply).substr(reply.size() / 2));
    TReplyReader bytes(rule);
    bool complete = false;
    bool more = false;
    for (const char c : reply) {
        bytes.Add(std::string_view(&c, 1));
        complete = complete || Complete(bytes.State(0));
        more = more || bytes.State(0) == TReplyState::MoreThanOne;
    }
    for (const std::uint64_t silence : {std::uint64_t{0}, rule.LineBreakMs, rule.QuietMs, kLong}) {
        const TReplyState state = whole.State(silence);
        FUZZ_CHECK(halves.State(silence) == state && bytes.State(silence) == state);
        if (more) FUZZ_CHECK(state == TReplyState::MoreThanOne);
        if (complete) FUZZ_CHECK(Complete(state) || state == TReplyState::MoreThanOne);
    }
    FUZZ_CHECK(whole.Text() == reply);
}

void CheckExtraction(TDevice& device, const std::string& reply)
{
    const std::string utf8 = platform::Cp1251ToUtf8(reply);
    const std::string value = device.ExtractValue(utf8);
    FUZZ_CHECK(platform::IsValidUtf8(value));
    FUZZ_CHECK(utf8.find(value) != std::string::npos);

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
    (void)ReadGprsRetryTime(device, hours, minutes);
    (void)ReadHistoryPointer(device, hours);
    std::string text;
    for (const auto reader : {ReadVersionText, ReadSignalQuality, ReadClock, ReadImei, ReadPanelType})
        FUZZ_CHECK(reader(device, text) ? platform::IsValidUtf8(text) : text.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string reply = fuzz::Bytes(data, size);
    CheckTerminatorTest(reply);
    CheckReplyEnd(reply, {.Terminators = {"OK"}});
    CheckReplyEnd(reply, {.Terminators = {"OK"}, .ErrorEnds = true});
    CheckReplyEnd(reply, {.Terminators = {"\r"}});
    CheckReplyEnd(reply, {.Terminators = {"CONNECT", "NO CARRIER"}, .DropNok = false, .ErrorEnds = true});

    fuzz::ScriptedComm comm([&reply](const std::string&) { return reply; });
    fuzz::CheckingLog log;
    TDevSorvel7QX1 device(comm, &log);
    device.SetTimeoutFloor(0);
    device.SetTimestamp({});
    CheckExtraction(device, reply);
    CheckReaders(device);
    return 0;
}
