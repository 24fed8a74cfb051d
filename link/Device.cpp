#include "link/Device.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <utility>

#include "platform/CalendarTime.h"
#include "platform/Text.h"

namespace {

bool ParseWhole(const std::string& Text, int Base, int& Out)
{
    if (Text.empty()) return false;
    // from_chars accepts a leading minus for a decimal number only; a hexadecimal value is digits alone.
    if (Base == 16 && Text.front() == '-') return false;
    const char* const first = Text.data();
    const char* const last = first + Text.size();
    int value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, Base);
    if (ec != std::errc() || end != last) return false;
    Out = value;
    return true;
}

}  // namespace

std::string UpperHex(unsigned value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(out.size()) < digits) out.insert(out.begin(), '0');
    return out;
}

std::string LocalTimestamp()
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::LocalTime(now);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return std::string(text, n);
}

TDevice::TDevice(TCommunication& Comm, std::string VersionMark, std::string Prefix, std::string Suffix,
                 std::string Terminator, TLogWriter* Log)
    : Log(Log),
      VersionMark(std::move(VersionMark)),
      Prefix(std::move(Prefix)),
      Suffix(std::move(Suffix)),
      Terminator(std::move(Terminator)),
      Comm(Comm),
      Timestamp(LocalTimestamp)
{
}

std::string TDevice::Stamped(const std::string& Text) const
{
    return Text + " " + (Timestamp ? Timestamp() : std::string());
}

void TDevice::LogMessage(const std::string& Msg)
{
    if (Log) Log->AddMessage(Stamped(Msg));
}

void TDevice::LogError(const std::string& Msg)
{
    if (Log) Log->AddError(Stamped(Msg));
}

void TDevice::LogList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color)
{
    if (Log) Log->AddList(Stamped(Caption), Lines, Color);
}

void TDevice::LogColored(const std::string& Caption, const std::string& Text, TColor Color)
{
    if (Log) Log->AddText(Stamped(Caption), Text, Color);
}

void TDevice::LogInfo(const std::string& Msg)
{
    if (Log) Log->AddInfo(Stamped(Msg));
}

std::string TDevice::FrameCommand(const std::string& Cmd)
{
    return GetPrefix() + Cmd + GetSuffix();
}

std::string TDevice::ExtractValue(const std::string& Reply)
{
    const std::size_t gt = Reply.find('>');
    std::string value = gt == std::string::npos ? Reply : Reply.substr(gt + 1);
    // A reply is read whole and nothing but its line break follows its closing word, so the last
    // occurrence is that word: a value such as "BOOK" keeps its letters.
    const std::size_t end = value.rfind(GetTerminator());
    value = end == std::string::npos ? std::string() : value.substr(0, end);
    return platform::Trim(value);
}

bool TDevice::ToWire(const std::string& Text, std::string& Wire)
{
    auto converted = platform::Utf8ToCp1251(Text);
    if (!converted) {
        Failure = TFailure::CouldNotSend;
        LogError("Команда не отправлена: в ней есть символы, которые нельзя передать устройству: \"" +
                 platform::Trim(Text) + "\"");
        return false;
    }
    Wire = std::move(*converted);
    return true;
}

bool TDevice::WriteRequest(const std::string& Wire)
{
    const bool written = Comm.Write(Wire);
    const std::string discarded = Comm.TakeDiscarded();
    if (!discarded.empty()) LogColored("Отброшено", platform::Cp1251ToUtf8(discarded), clDiscardedLog);
    if (!written) Failure = TFailure::CouldNotSend;
    return written;
}

bool TDevice::AwaitReply(std::string& Answer, const std::string& WaitTerminator, int TimeoutMs)
{
    std::string raw;
    const bool result = Comm.WaitFor(raw, WaitTerminator, TimeoutMs);
    Answer = platform::Cp1251ToUtf8(raw);
    const TFailure reason = Comm.LastFailure();
    Failure = result ? TFailure::None : (reason == TFailure::None ? TFailure::NoReply : reason);
    return result;
}

bool TDevice::ReadString(const std::string& Cmd, std::string& Value)
{
    return SendCommand(Cmd, Value, Comm.GetTimeout(), true);
}

bool TDevice::ReadInteger(const std::string& Cmd, int& Value, bool Hex)
{
    std::string text;
    if (!ReadString(Cmd, text)) return false;
    if (ParseWhole(text, Hex ? 16 : 10, Value)) return true;
    Failure = TFailure::NotANumber;
    return false;
}

bool TDevice::SendCommand(const std::string& Cmd, std::string& Answer, int TimeoutMs, bool Decode)
{
    return SendCommandEx(Cmd, Answer, TimeoutMs, Decode, DefaultAttempts, true, true);
}

bool TDevice::SendCommand(const CommandFn& Cmd, std::string& Answer, int TimeoutMs, bool Decode)
{
    return Exchange(Cmd, Answer, TimeoutMs, Decode, DefaultAttempts, true, true);
}

bool TDevice::SendCommandEx(const std::string& Cmd, std::string& Answer, int TimeoutMs, bool Decode,
                            int Attempts, bool LogIt, bool Framed)
{
    return Exchange([&Cmd](std::uint64_t) { return Cmd; }, Answer, TimeoutMs, Decode, Attempts, LogIt, Framed);
}

bool TDevice::Exchange(const CommandFn& Cmd, std::string& Answer, int TimeoutMs, bool Decode, int Attempts,
                       bool LogIt, bool Framed)
{
    // A value that failed to read must not pass for one: the caller gets an empty value, never the text
    // of a refusal or of a garbled reply.
    if (Decode) Answer.clear();
    if (Attempts < 1) {
        Failure = TFailure::CouldNotSend;
        return false;
    }
    const int timeout = std::max(TimeoutMs, TimeoutFloorMs);
    const std::uint64_t start = Comm.Clock().NowMs();
    bool result = false;
    for (int attempt = 1; !result && attempt <= Attempts; ++attempt) {
        const std::string cmd = Cmd(Comm.Clock().ElapsedSince(start));
        const std::string text = Framed ? FrameCommand(cmd) : cmd + GetSuffix();
        std::string wire;
        if (!ToWire(text, wire)) return false;
        Answer.clear();
        if (LogIt) LogColored("<<<<", text, clRequestLog);
        result = WriteRequest(wire);
        if (result) {
            result = AwaitReply(Answer, GetTerminator(), timeout);
            if (LogIt) LogColored(">>>>", Answer, clReplyLog);
        }
        if (result && Decode) Answer = ExtractValue(Answer);
    }
    if (!result && Decode) Answer.clear();
    return result;
}

bool TDevice::SendOnce(const std::string& Cmd, std::string& Answer, const std::string& WaitTerminator, int TimeoutMs)
{
    Answer.clear();
    const std::string text = FrameCommand(Cmd);
    std::string wire;
    if (!ToWire(text, wire)) return false;
    LogColored("<<<<", text, clRequestLog);
    if (!WriteRequest(wire)) return false;
    const bool result = AwaitReply(Answer, WaitTerminator, TimeoutMs);
    LogColored(">>>>", Answer, clReplyLog);
    return result;
}

bool TDevice::Write(const std::string& Cmd, bool EmptyText)
{
    std::string reply;
    if (!SendCommand(Cmd, reply, Comm.GetTimeout(), false)) return false;
    if (reply.find('>') == std::string::npos) return true;
    const std::string held = ExtractValue(reply);
    if (EmptyText && held.empty()) return true;
    Failure = TFailure::AnsweredWithValue;
    LogError("Значение не записано: на команду \"" + Cmd + "\" устройство ответило значением \"" + held +
             "\", как на чтение");
    return false;
}

bool TDevice::Execute(const std::string& Cmd)
{
    return Write(Cmd, false);
}

bool TDevice::ExecuteEmpty(const std::string& Cmd)
{
    return Write(Cmd, true);
}

bool TDevice::WriteHex(const std::string& Name, int Value, int Digits, const std::string& Infix)
{
    return Execute(Name + Infix + UpperHex(static_cast<unsigned>(Value), Digits));
}

bool TDevice::WriteByte(const std::string& Name, int Value, const std::string& Infix)
{
    return WriteHex(Name, Value, 2, Infix);
}

bool TDevice::IsSupportedVersion(const std::string& VersionText) const
{
    return VersionText.find(GetVersionMark()) != std::string::npos;
}
