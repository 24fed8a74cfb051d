#include "sim/Modem.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>

#include "platform/Text.h"

namespace sim {
namespace {

std::string Result(std::string_view word)
{
    return "\r\n" + std::string(word) + "\r\n";
}

const std::string kOk = Result("OK");
const std::string kError = Result("ERROR");
const std::string kNoCarrier = Result("NO CARRIER");

struct DialReply {
    DialResult result;
    std::string_view word;
};

constexpr std::array kDialReplies{
    DialReply{DialResult::Connect, "CONNECT 9600"}, DialReply{DialResult::Busy, "BUSY"},
    DialReply{DialResult::NoCarrier, "NO CARRIER"},  DialReply{DialResult::NoDialtone, "NO DIALTONE"},
    DialReply{DialResult::NoAnswer, "NO ANSWER"},    DialReply{DialResult::Error, "ERROR"},
};

bool StartsWithIgnoreCase(const std::string& text, const std::string& prefix)
{
    return platform::AsciiUpper(text).starts_with(platform::AsciiUpper(prefix));
}

// "n,n,n": the bearer's speed, name and connection element.
bool IsBearerValue(std::string_view value)
{
    int fields = 1;
    bool digit = false;
    for (const char c : value) {
        if (c == ',') {
            if (!digit) return false;
            ++fields;
            digit = false;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    return digit && fields == 3;
}

}  // namespace

Modem::Modem(Responder& device, platform::Clock& clock) : device_(device), clock_(clock), dataSplitter_(SplitAtCr) {}

std::string Modem::Answer(const std::string& request)
{
    const std::lock_guard lock(mutex_);
    return dataMode_ ? Data(request) : Command(request);
}

std::string Modem::Data(const std::string& request)
{
    if (dropOn_ && request.starts_with(*dropOn_)) {
        dropOn_.reset();
        callUp_ = false;
        dataMode_ = false;
        return kNoCarrier;
    }
    return device_.Answer(request);
}

std::optional<std::string> Modem::TakeScripted(const std::string& command)
{
    for (auto it = scripted_.begin(); it != scripted_.end(); ++it) {
        if (it->count == 0 || !StartsWithIgnoreCase(command, it->prefix)) continue;
        std::string reply = it->reply;
        if (it->count > 0 && --it->count == 0) scripted_.erase(it);
        return reply;
    }
    return std::nullopt;
}

std::string Modem::Command(const std::string& command)
{
    commands_.push_back(command);
    if (auto reply = TakeScripted(command)) return *reply;
    const std::string upper = platform::AsciiUpper(command);
    if (upper == "AT" || upper == "ATZ") return kOk;
    if (upper == "ATH" || upper == "ATH0") {
        callUp_ = false;
        return kOk;
    }
    if (upper == "AT+CREG?") return RegistrationReply();
    if (upper.starts_with("AT+CBST=")) return BearerCommand(command.substr(8));
    if (upper.starts_with("ATD")) return Dial(command.substr(3));
    return kError;
}

std::string Modem::RegistrationReply() const
{
    return Result("+CREG: 0," + std::string(spaceAfterComma_ ? " " : "") +
                  std::to_string(static_cast<int>(registration_))) +
           kOk;
}

std::string Modem::BearerCommand(const std::string& value)
{
    if (!IsBearerValue(value)) return kError;
    bearer_ = value;
    return kOk;
}

std::string Modem::Dial(const std::string& number)
{
    std::string digits = number;
    std::erase(digits, ' ');
    if (digits.empty() || callUp_) return kError;
    dialled_ = digits;
    const auto reply = std::find_if(kDialReplies.begin(), kDialReplies.end(),
                                    [this](const DialReply& r) { return r.result == dialResult_; });
    if (dialResult_ == DialResult::Connect) {
        callUp_ = true;
        dataMode_ = true;
        lastDataMs_ = clock_.NowMs();
        escapeArmed_ = false;
        escapeSince_.reset();
    }
    return Result(reply->word);
}

std::optional<std::string> Modem::Split(std::string& pending)
{
    const std::lock_guard lock(mutex_);
    const bool fresh = pending.size() > leftover_;
    std::optional<std::string> request = dataMode_ ? SplitData(pending, fresh) : SplitCommand(pending);
    leftover_ = pending.size();
    return request;
}

std::optional<std::string> Modem::SplitCommand(std::string& pending)
{
    for (;;) {
        std::optional<std::string> line = SplitAtCr(pending);
        if (!line) return std::nullopt;
        const auto at = platform::AsciiUpper(*line).find("AT");
        if (at != std::string::npos) return line->substr(at);
    }
}

std::optional<std::string> Modem::SplitData(std::string& pending, bool fresh)
{
    if (fresh) {
        const std::uint64_t now = clock_.NowMs();
        const bool pluses = pending.size() <= 3 && pending.find_first_not_of('+') == std::string::npos;
        if (leftover_ == 0 && pluses) escapeArmed_ = now - lastDataMs_ >= kGuardTimeMs;
        if (pluses && escapeArmed_) {
            // Held back: these are the escape, not data, unless more follows within the guard time.
            if (pending.size() == 3) escapeSince_ = now;
            return std::nullopt;
        }
        escapeArmed_ = false;
        escapeSince_.reset();
        lastDataMs_ = now;
    }
    return dataSplitter_(pending);
}

std::string Modem::Tick()
{
    const std::lock_guard lock(mutex_);
    if (!dataMode_ || !escapeSince_ || clock_.NowMs() - *escapeSince_ < kGuardTimeMs) return {};
    escapeSince_.reset();
    escapeArmed_ = false;
    dataMode_ = false;
    ++escapes_;
    return kOk;
}

std::string Modem::DropCall()
{
    const std::lock_guard lock(mutex_);
    if (!callUp_) return {};
    callUp_ = false;
    dataMode_ = false;
    escapeSince_.reset();
    return kNoCarrier;
}

void Modem::SetRegistration(Registration status, bool spaceAfterComma)
{
    const std::lock_guard lock(mutex_);
    registration_ = status;
    spaceAfterComma_ = spaceAfterComma;
}

void Modem::SetDialResult(DialResult result)
{
    const std::lock_guard lock(mutex_);
    dialResult_ = result;
}

void Modem::SetDataSplitter(Line::Splitter splitter)
{
    const std::lock_guard lock(mutex_);
    dataSplitter_ = std::move(splitter);
}

void Modem::SetCommandReply(const std::string& prefix, std::string reply, int count)
{
    const std::lock_guard lock(mutex_);
    scripted_.push_back(Scripted{prefix, std::move(reply), count});
}

void Modem::DropCallOn(const std::string& prefix)
{
    const std::lock_guard lock(mutex_);
    dropOn_ = prefix;
}

bool Modem::CallUp() const
{
    const std::lock_guard lock(mutex_);
    return callUp_;
}

bool Modem::InDataMode() const
{
    const std::lock_guard lock(mutex_);
    return dataMode_;
}

std::string Modem::Bearer() const
{
    const std::lock_guard lock(mutex_);
    return bearer_;
}

std::string Modem::DialledNumber() const
{
    const std::lock_guard lock(mutex_);
    return dialled_;
}

std::vector<std::string> Modem::Commands() const
{
    const std::lock_guard lock(mutex_);
    return commands_;
}

int Modem::Escapes() const
{
    const std::lock_guard lock(mutex_);
    return escapes_;
}

// ---- ModemLine ----

ModemLine::ModemLine(Responder& device, platform::Clock& clock) : modem_(device, clock), line_(pty_, modem_)
{
    Start();
}

ModemLine::ModemLine(Responder& device, const std::filesystem::path& linkFolder, const std::string& linkName,
                     platform::Clock& clock)
    : pty_(linkFolder, linkName), modem_(device, clock), line_(pty_, modem_)
{
    Start();
}

ModemLine::~ModemLine()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    ticker_.join();
}

void ModemLine::Start()
{
    // A real modem's port: the program's bytes take their wire time too, not only the modem's.
    line_.SetRequestPacing(true);
    line_.SetSplitter([this](std::string& pending) { return modem_.Split(pending); });
    ticker_ = std::thread([this] { RunTicker(); });
}

void ModemLine::RunTicker()
{
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return stop_; })) {
        lock.unlock();
        if (const std::string said = modem_.Tick(); !said.empty()) line_.Send(said);
        lock.lock();
    }
}

void ModemLine::DropCall()
{
    if (const std::string said = modem_.DropCall(); !said.empty()) line_.Send(said);
}

}  // namespace sim
