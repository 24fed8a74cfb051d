#include "sim/Communicator.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/CalendarTime.h"
#include "platform/Text.h"

namespace sim {

namespace {

const std::string kOk = "OK\r\n";
const std::string kNok = "NOK\r\n";
constexpr std::size_t kRequestsKept = 5000;

std::string ValueReply(std::string_view value) { return ">" + std::string(value) + "\r\n" + kOk; }

enum StoreFlag : unsigned {
    ReadOnly = 1,   // a text after the word is refused
    HexValue = 2,   // writes must be hexadecimal digits
    ThenZero = 4,   // the write ends with a "0" that is not part of the value
    Twice = 8,      // the write carries the value twice
    FourDigits = 16,
};

struct StoreWord {
    const char* word;
    int indexWidth;  // characters of index after the word
    unsigned flags;
};

constexpr std::array<StoreWord, 39> kStoreWords{{
    {"o", 0, HexValue},          {"U", 0, ReadOnly},          {"masterkey", 0, FourDigits},
    {"pxobj", 1, Twice},         {"lanena", 0, HexValue},     {"gprsena", 0, HexValue},
    {"JDIR", 0, HexValue},       {"enaing", 0, HexValue},     {"phing", 1, 0},
    {"addat", 0, HexValue},      {"alphon", 1, 0},            {"pwlog", 0, HexValue},
    {"AKBlog", 0, HexValue},     {"AKBtresh", 0, HexValue},   {"GAPN", 1, 0},
    {"gprsname", 1, 0},          {"gprspswd", 1, 0},          {"gphon", 1, 0},
    {"timegpres", 0, HexValue},  {"IMEI", 0, ReadOnly},       {"P2", 0, HexValue},
    {"X", 0, HexValue},          {"n0", 1, ThenZero},         {"tamper", 0, HexValue},
    {"filtrall", 0, HexValue},   {"filtral1", 0, HexValue},   {"slowcid", 0, HexValue},
    {"altsect", 0, HexValue},    {"filtrit", 0, HexValue},    {"adrbld", 0, HexValue},
    {"bldcon", 0, HexValue},     {"typepan", 0, HexValue},    {"typepan1", 0, ReadOnly},
    {"IPadr", 0, 0},             {"IP1adr", 0, 0},            {"IPport", 0, 0},
    {"IP1port", 0, 0},           {"ps", 0, 0},                {"ipeqsim", 0, HexValue},
}};

// What a Bolid C2000 panel passes on, as the device forwards it: a few letters arrive mangled, and the
// live page mends them.
constexpr std::array<const char*, 3> kBolidTexts{
    "Да\"а 17.05.24 В ем/ 13:45 Соб+\"ие: Взятие раздела П ибо 12 Пол,зова\"ел, 3",
    "Дата 17.05.24 Время 13:47 Событие: Тревога проникновения Прибор 12 Шлейф 4",
    "Дата 17.05.24 Время 13:52 Событие: Снятие раздела Прибор 12 Пользователь 3",
};

bool IsHex(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

bool IsDigits(std::string_view text, std::size_t count)
{
    return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int TwoDigits(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

}  // namespace

Communicator::Communicator(const DeviceProfile& profile, platform::Clock& clock, std::time_t wallStart)
    : profile_(profile), clock_(clock), store_(profile), wallBase_(wallStart), clockBase_(clock.NowMs())
{
    history_.Fill(profile.historyRecords, profile.seed, wallStart - 600, profile.account);
    AddStoreWords();
    AddActionWords();
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.word.size() > b.word.size(); });
}

void Communicator::AddStoreWords()
{
    for (const StoreWord& w : kStoreWords) {
        const std::string word = w.word;
        entries_.push_back({word, [this, word, w](std::string_view rest) {
                                return StoreAnswer(word, w.indexWidth, w.flags, rest);
                            }});
    }
}

void Communicator::AddActionWords()
{
    const auto exact = [](std::string reply) {
        return [reply](std::string_view rest) { return rest.empty() ? reply : kNok; };
    };
    entries_.push_back({"reset", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            ++resets_;
                            loggedIn_ = false;
                            return kOk;
                        }});
    entries_.push_back({"erase", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            history_.Erase();
                            return kOk;
                        }});
    entries_.push_back({"OUTS03", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            outputsOn_ = true;
                            return kOk;
                        }});
    entries_.push_back({"OUTS00", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            outputsOn_ = false;
                            return kOk;
                        }});
    entries_.push_back({"id", [this](std::string_view rest) {
                            loggedIn_ = rest == store_.Get("masterkey").value_or("");
                            return loggedIn_ ? kOk : kNok;
                        }});
    entries_.push_back({"v", exact(ValueReply(profile_.version))});
    entries_.push_back({"AH", [this](std::string_view rest) { return rest.empty() ? ValueReply(Clock()) : kNok; }});
    entries_.push_back({"AS", [this](std::string_view rest) { return SetClock(rest); }});
    entries_.push_back({"bolidtxt", [this](std::string_view rest) { return rest.empty() ? BolidText() : kNok; }});
    entries_.push_back({"point", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            char text[8];
                            std::snprintf(text, sizeof text, "%04X", history_.Pointer());
                            return ValueReply(text);
                        }});
    entries_.push_back({"read", [this](std::string_view rest) {
                            if (rest.size() != 4 || !IsHex(rest)) return kNok;
                            const int number = std::stoi(std::string(rest), nullptr, 16);
                            if (number >= HistoryRing::Size) return kNok;
                            return ValueReply(history_.Record(number));
                        }});
    entries_.push_back({"BL", [this](std::string_view rest) {
                            if (!rest.empty()) return kNok;
                            bootloader_.Enter();
                            return kOk;
                        }});
}

std::map<std::string, std::string> Communicator::Values() const
{
    const std::lock_guard lock(mutex_);
    return store_.Values();
}

void Communicator::CopyStateFrom(const Communicator& other)
{
    if (&other == this) return;
    const std::scoped_lock lock(mutex_, other.mutex_);
    store_ = other.store_;
    history_ = other.history_;
    bootloader_ = other.bootloader_;
    wallBase_ = other.wallBase_;
    clockBase_ = other.clockBase_;
    loggedIn_ = other.loggedIn_;
    outputsOn_ = other.outputsOn_;
    resets_ = other.resets_;
    bolidPolls_ = other.bolidPolls_;
}

std::string Communicator::StoreAnswer(std::string_view word, int indexWidth, unsigned flags, std::string_view rest)
{
    const std::size_t width = static_cast<std::size_t>(indexWidth);
    if (rest.size() < width) return kNok;
    const std::string key = std::string(word) + std::string(rest.substr(0, width));
    if (!store_.Has(key)) return kNok;
    std::string_view value = rest.substr(width);
    if (value.empty()) return ValueReply(*store_.Get(key));
    if (flags & ReadOnly) return kNok;
    if ((flags & ThenZero) && value.back() == '0') value.remove_suffix(1);
    if ((flags & Twice) && value.size() % 2 == 0 && value.substr(0, value.size() / 2) == value.substr(value.size() / 2))
        value = value.substr(0, value.size() / 2);
    if ((flags & HexValue) && !IsHex(value)) return kNok;
    if ((flags & FourDigits) && !IsDigits(value, 4)) return kNok;
    store_.Set(key, std::string(value));
    return kOk;
}

std::string Communicator::Clock() const
{
    const std::time_t now = Now();
    const std::tm t = platform::UtcTime(now);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d,%02d:%02d:%02d+00", t.tm_year % 100, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string Communicator::SetClock(std::string_view rest)
{
    // "yy/mm/dd,hh:mm:ss+zz" between double quotes
    static constexpr std::string_view kForm = "\"dd/dd/dd,dd:dd:dd+dd\"";
    if (rest.size() != kForm.size()) return kNok;
    for (std::size_t i = 0; i < kForm.size(); ++i) {
        const bool digit = rest[i] >= '0' && rest[i] <= '9';
        if (kForm[i] == 'd' ? !digit : (kForm[i] == '+' ? rest[i] != '+' && rest[i] != '-' : rest[i] != kForm[i]))
            return kNok;
    }
    std::tm t{};
    t.tm_year = 100 + TwoDigits(rest, 1);
    t.tm_mon = TwoDigits(rest, 4) - 1;
    t.tm_mday = TwoDigits(rest, 7);
    t.tm_hour = TwoDigits(rest, 10);
    t.tm_min = TwoDigits(rest, 13);
    t.tm_sec = TwoDigits(rest, 16);
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 ||
        t.tm_sec > 59)
        return kNok;
    wallBase_ = platform::FromUtcTime(t);
    clockBase_ = clock_.NowMs();
    return kOk;
}

std::string Communicator::BolidText()
{
    if (profile_.panel != PanelKind::Bolid) return ValueReply("");
    // Most polls find nothing new; every third one brings the next message.
    const unsigned poll = bolidPolls_++;
    if (poll % 3 != 2) return ValueReply("");
    return ValueReply(platform::Utf8ToCp1251Lossy(kBolidTexts[(poll / 3) % kBolidTexts.size()]));
}

std::string Communicator::Dispatch(std::string_view body)
{
    if (bootloader_.Active()) return bootloader_.Answer(body);
    for (const Entry& e : entries_)
        if (body.starts_with(e.word)) return e.handler(body.substr(e.word.size()));
    return kNok;
}

std::string Communicator::Answer(const std::string& request)
{
    const std::lock_guard lock(mutex_);
    if (request.empty()) return {};
    requests_.push_back(request);
    if (requests_.size() > kRequestsKept) requests_.pop_front();
    if (request == "CABLE CONNECT" || request == "CABLE DISCONNECT") return kOk;
    if (request.front() != '+') return kNok;
    return Dispatch(std::string_view(request).substr(1));
}

std::optional<std::string> Communicator::Value(const std::string& key) const
{
    const std::lock_guard lock(mutex_);
    return store_.Get(key);
}

void Communicator::SetValue(const std::string& key, const std::string& value)
{
    const std::lock_guard lock(mutex_);
    store_.Set(key, value);
}

std::string Communicator::HistoryRecord(int number) const
{
    const std::lock_guard lock(mutex_);
    return history_.Record(number);
}

int Communicator::HistoryPointer() const
{
    const std::lock_guard lock(mutex_);
    return history_.Pointer();
}

void Communicator::AddHistoryEvent(const HistoryEvent& event)
{
    const std::lock_guard lock(mutex_);
    history_.Append(event);
}

std::time_t Communicator::DeviceTime() const
{
    const std::lock_guard lock(mutex_);
    return Now();
}

std::time_t Communicator::Now() const
{
    return wallBase_ + static_cast<std::time_t>((clock_.NowMs() - clockBase_) / 1000);
}

bool Communicator::LoggedIn() const
{
    const std::lock_guard lock(mutex_);
    return loggedIn_;
}

bool Communicator::OutputsOn() const
{
    const std::lock_guard lock(mutex_);
    return outputsOn_;
}

int Communicator::Resets() const
{
    const std::lock_guard lock(mutex_);
    return resets_;
}

bool Communicator::InBootloader() const
{
    const std::lock_guard lock(mutex_);
    return bootloader_.Active();
}

bool Communicator::FirmwareWritten() const
{
    const std::lock_guard lock(mutex_);
    return bootloader_.Finished();
}

std::string Communicator::UploadedImage() const
{
    const std::lock_guard lock(mutex_);
    return bootloader_.Image();
}

std::vector<std::string> Communicator::Requests() const
{
    const std::lock_guard lock(mutex_);
    return {requests_.begin(), requests_.end()};
}

std::vector<std::string> Communicator::Words() const
{
    std::vector<std::string> words;
    for (const Entry& e : entries_) words.push_back(e.word);
    return words;
}

}  // namespace sim
