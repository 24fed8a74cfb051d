#include "link/Device.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <utility>
#include <vector>

#include "link/ValueForm.h"
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

// The lines of an answer that hold anything.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// One reply's lines of an answer that holds that reply more than once (two answers to a request sent
// twice, which the worker lets count once).
std::vector<std::string_view> OneReply(std::vector<std::string_view> lines)
{
    for (std::size_t period = 1; period < lines.size(); ++period) {
        if (lines.size() % period != 0) continue;
        bool repeats = true;
        for (std::size_t i = period; repeats && i < lines.size(); ++i) repeats = lines[i] == lines[i - period];
        if (!repeats) continue;
        lines.resize(period);
        break;
    }
    return lines;
}

bool IsOk(std::string_view line)
{
    return platform::AsciiUpper(line) == "OK";
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

bool TDevice::ReadString(const std::string& Cmd, std::string& Value, std::string_view Form)
{
    return Exchange([&Cmd](std::uint64_t) { return Cmd; }, Value,
                    {.TimeoutMs = Comm.GetTimeout(), .Expect = TExpected::ValueOf(Form)});
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

bool TDevice::SendCommand(const CommandFn& Cmd, std::string& Answer, int TimeoutMs, bool Decode, TExpected Expect)
{
    return Exchange(Cmd, Answer, {.TimeoutMs = TimeoutMs, .Decode = Decode, .Expect = Expect});
}

bool TDevice::SendCommandEx(const std::string& Cmd, std::string& Answer, int TimeoutMs, bool Decode,
                            int Attempts, bool LogIt, bool Framed)
{
    return Exchange([&Cmd](std::uint64_t) { return Cmd; }, Answer,
                    {.TimeoutMs = TimeoutMs, .Decode = Decode, .Attempts = Attempts, .LogIt = LogIt, .Framed = Framed});
}

bool TDevice::SendUnframed(const std::string& Cmd, std::string& Answer, int TimeoutMs, TExpected Expect)
{
    return Exchange([&Cmd](std::uint64_t) { return Cmd; }, Answer,
                    {.TimeoutMs = TimeoutMs, .Framed = false, .Expect = Expect});
}

bool TDevice::Exchange(const CommandFn& Cmd, std::string& Answer, const TSendOptions& Options)
{
    // A value that failed to read must not pass for one: the caller gets an empty value, never the text
    // of a refusal or of a garbled reply.
    if (Options.Decode) Answer.clear();
    if (Options.Attempts < 1) {
        Failure = TFailure::CouldNotSend;
        return false;
    }
    const int timeout = std::max(Options.TimeoutMs, TimeoutFloorMs);
    const std::uint64_t start = Comm.Clock().NowMs();
    bool result = false;
    for (int attempt = 1; !result && attempt <= Options.Attempts; ++attempt) {
        // The line is settled before the command is composed: a command that carries the time carries it
        // as it is when it goes out.
        Comm.Settle(attempt > 1);
        const std::string cmd = Cmd(Comm.Clock().ElapsedSince(start));
        const std::string text = Options.Framed ? FrameCommand(cmd) : cmd + GetSuffix();
        std::string wire;
        if (!ToWire(text, wire)) return false;
        Answer.clear();
        if (Options.LogIt) LogColored("<<<<", text, clRequestLog);
        result = WriteRequest(wire);
        if (!result) continue;
        result = AwaitReply(Answer, GetTerminator(), timeout);
        if (Options.LogIt) LogColored(">>>>", Answer, clReplyLog);
        if (!result) continue;
        std::string value;
        result = Accept(cmd, Answer, Options, value);
        // A device that took a write for a read will take it so again.
        if (!result && Failure == TFailure::AnsweredWithValue) break;
        if (result && Options.Decode)
            Answer = Options.Expect.Kind == TExpected::TKind::Anything ? ExtractValue(Answer) : value;
    }
    if (!result && Options.Decode) Answer.clear();
    return result;
}

bool TDevice::Accept(const std::string& Cmd, const std::string& Answer, const TSendOptions& Options,
                     std::string& Value)
{
    Value.clear();
    if (Options.Expect.Kind == TExpected::TKind::Anything) return true;
    const auto lines = OneReply(Lines(Answer));
    const bool carriesValue = lines.size() == 2 && lines[0].front() == '>' && IsOk(lines[1]);
    if (carriesValue) Value = platform::Trim(lines[0].substr(1));
    if (Options.Expect.Kind == TExpected::TKind::Done) {
        if (lines.size() == 1 && IsOk(lines[0])) return true;
        if (carriesValue && Options.EmptyText && Value.empty()) return true;
        if (carriesValue) {
            Failure = TFailure::AnsweredWithValue;
            LogError("Значение не записано: на команду \"" + Cmd + "\" устройство ответило значением \"" + Value +
                     "\", как на чтение");
            return false;
        }
        LogError("Ответ на команду \"" + Cmd + "\" не принят: устройство должно было ответить \"OK\"");
    } else if (!carriesValue) {
        LogError("Ответ на запрос \"" + Cmd + "\" не принят: в нём нет значения параметра");
    } else if (Value.starts_with('>') || !FitsValueForm(Value, Options.Expect.Form)) {
        LogError("Ответ на запрос \"" + Cmd + "\" не принят: значение \"" + Value + "\" не того вида, что у этого параметра");
    } else {
        return true;
    }
    Value.clear();
    Failure = TFailure::DoesNotFit;
    Comm.Distrust();
    return false;
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
    return Exchange([&Cmd](std::uint64_t) { return Cmd; }, reply,
                    {.TimeoutMs = Comm.GetTimeout(), .Decode = false, .Expect = TExpected::Done(), .EmptyText = EmptyText});
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
