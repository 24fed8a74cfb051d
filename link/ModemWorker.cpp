#include "link/ModemWorker.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/Text.h"

namespace {

struct FailureWord {
    std::string_view word;  // lower case
    std::string_view message;
};

// Tested in this order: a reply with two of them reports the first.
constexpr std::array kFailureWords{
    FailureWord{"busy", "ОШИБКА! Линия занята(BUSY)!"},
    FailureWord{"no carrier", "ОШИБКА! Не могу установить соединение или оно разорвано(NO CARRIER)!"},
    FailureWord{"no dialtone", "ОШИБКА! Нет сигнала в линии(NO DIALTONE)!"},
    FailureWord{"disconnect", "ОШИБКА! Обрыв Соединения(DISCONNECT)!"},
    FailureWord{"no answer", "ОШИБКА! Нет ответа(NO ANSWER)!"},
};

constexpr std::string_view kTooManyErrors = "ОШИБКА! Слишком много ошибока от модема!";
constexpr std::string_view kCrLf = "\r\n";

bool HoldsError(const std::string& Text)
{
    return platform::ContainsIgnoreAsciiCase(Text, "error");
}

// Sets a flag for the length of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& Flag) : Flag_(Flag), Old_(Flag) { Flag_ = true; }
    ~FlagScope() { Flag_ = Old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& Flag_;
    bool Old_;
};

}  // namespace

TModemWorker::TModemWorker(platform::Clock& Clock) : TComPortWorker(false, true, Clock) {}

int TModemWorker::DefaultTimeout()
{
    return 5000;
}

void TModemWorker::Pump() const
{
    if (Pump_) Pump_();
}

void TModemWorker::PumpingPause(std::uint32_t Ms)
{
    const platform::Deadline deadline(Clock(), Ms);
    platform::PollUntil(deadline, PollMs, [] { return false; }, {}, [this] { Pump(); });
}

void TModemWorker::CheckFailureReply(const std::string& Text)
{
    const std::string lower = platform::AsciiLower(Text);
    for (const FailureWord& f : kFailureWords)
        if (lower.find(f.word) != std::string::npos) throw TModemException(std::string(f.message));
}

bool TModemWorker::CheckErrorReply(const std::string& Text)
{
    if (!HoldsError(Text)) {
        ErrorCount_ = 0;
        return false;
    }
    if (++ErrorCount_ >= MaxErrors) {
        // A fresh attempt (the user dials again) starts a fresh run.
        ErrorCount_ = 0;
        throw TModemException(std::string(kTooManyErrors));
    }
    return true;
}

void TModemWorker::Check(const std::string& Text) const
{
    if (!Quiet_) CheckFailureReply(Text);
}

bool TModemWorker::Finish(const std::string& Answer, bool Result)
{
    // Silence is no reply: it neither extends nor ends a run of errors.
    if (!Quiet_ && !Answer.empty() && CheckErrorReply(Answer)) return false;
    return Result;
}

void TModemWorker::Purge()
{
    std::string waiting;
    ReadAvailable(waiting);
    Check(waiting);
}

bool TModemWorker::ModemWait(std::string& Answer, std::vector<std::string> Terminators, bool DropNok,
                             int TimeoutMs)
{
    TReplyRule rule = RuleFor(std::move(Terminators), DropNok);
    rule.ErrorEnds = !Quiet_;
    const TReplyState state = Gather(Answer, rule, TimeoutMs);
    return Finish(Answer, state == TReplyState::Whole);
}

bool TModemWorker::WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return ModemWait(Answer, {Terminator}, true, TimeoutMs);
}

bool TModemWorker::ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return TModemWorker::WaitFor(Answer, Terminator, TimeoutMs);
}

bool TModemWorker::WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs)
{
    return ModemWait(Answer, Terminators, false, TimeoutMs);
}

bool TModemWorker::ReadAndCheck(std::string& Answer, const std::string& Expected)
{
    ReadAvailable(Answer);
    Check(Answer);
    if (!Finish(Answer, true)) {
        Answer.clear();
        return false;
    }
    return platform::ContainsIgnoreAsciiCase(Answer, Expected);
}

bool TModemWorker::SendCommandExpect(const std::string& Cmd, const std::string& Expected, int Attempts,
                                     int TimeoutMs)
{
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (Cancelled()) return false;
        Write(Cmd + std::string(kCrLf));
        if (Cancelled()) return false;
        if (Expect(Expected, TimeoutMs)) return true;
    }
    return false;
}

bool TModemWorker::SendQuery(const std::string& Cmd, std::string& Answer, const std::string& Expected, int Attempts)
{
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (Cancelled()) return false;
        Write(Cmd);
        if (WaitForDefault(Answer, Expected)) return true;
    }
    return false;
}

bool TModemWorker::ResetModem()
{
    return SendCommandExpect("ATZ", "OK", 3, CommandTimeoutMs);
}

bool TModemWorker::CheckModem()
{
    return SendCommandExpect("AT", "OK", 2, CommandTimeoutMs);
}

bool TModemWorker::SetBearer(const std::string& Value)
{
    return SendCommandExpect("AT+CBST=" + Value + ",0,1", "OK", 2, CommandTimeoutMs);
}

bool TModemWorker::CheckRegistration()
{
    std::string answer;
    if (!SendQuery("AT+CREG?" + std::string(kCrLf), answer, "OK", 5)) return false;
    std::string probe = platform::AsciiLower(answer);
    std::erase(probe, ' ');
    // Status 1: registered at home; 5: registered, roaming.
    return probe.find("+creg:0,1") != std::string::npos || probe.find("+creg:0,5") != std::string::npos;
}

std::optional<std::string> TModemWorker::DialString(const std::string& Number)
{
    constexpr std::string_view kDial = "0123456789+*#Ww,";
    constexpr std::string_view kLayout = " -().";
    std::string dial;
    for (const char c : Number) {
        if (kDial.find(c) != std::string_view::npos) {
            dial.push_back(c);
        } else if (kLayout.find(c) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (dial.find_first_of("0123456789") == std::string::npos) return std::nullopt;
    return dial;
}

bool TModemWorker::Dial(const std::string& Number)
{
    const std::optional<std::string> dial = DialString(Number);
    if (!dial)
        throw TModemException("ОШИБКА! Недопустимый номер телефона: \"" + Number +
                              "\" (допустимы цифры, +, *, #, W и запятая)");
    return SendCommandExpect("ATD " + *dial, "CONNECT", 1, DialTimeoutMs);
}

bool TModemWorker::EscapeToCommandMode()
{
    const FlagScope quiet(Quiet_);
    PumpingPause(GuardTimeMs);
    // No line end: the escape is these three characters between two silences.
    if (!Write("+++")) return false;
    PumpingPause(GuardTimeMs);
    return Expect("OK", EscapeReplyMs);
}

bool TModemWorker::HangUp()
{
    const FlagScope quiet(Quiet_);
    HungUp_ = true;
    Online_ = false;
    if (!Write("ATH" + std::string(kCrLf))) return false;
    return ExpectAny({"OK", "NO CARRIER"}, GetTimeout());
}

bool TModemWorker::HangUpAndClose()
{
    struct Closer {
        TModemWorker& Worker;
        ~Closer() { Worker.Close(); }
    } const closer{*this};
    if (!IsOpen()) return false;
    try {
        EscapeToCommandMode();
        return HangUp();
    } catch (const ELinkFailure&) {
        return false;  // the port went away under us: there is no call left to take down
    }
}

void TModemWorker::PulseRts()
{
    RtsOff();
    PumpingPause(RtsPulseMs);
    RtsOn();
    PumpingPause(RtsPulseMs);
}
