#pragma once
// A simulated GSM modem: answers the AT dialogue in command mode and, once a call stands, passes the
// program's requests to a simulated device (any Responder) and its replies back. "+++" between two
// guard times returns to command mode; a call can be dropped (NO CARRIER). The transport is sim::Line:
// the modem supplies the line's splitter and its responder, so the line's faults and speed apply; both
// directions are paced at 19200 baud until the line is told otherwise.
// ModemLine puts pseudo-terminal, modem and line together, ready for a program to open.
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "sim/Responder.h"

namespace sim {

// The status numbers of the +CREG reply.
enum class Registration { NotRegistered = 0, Home = 1, Searching = 2, Denied = 3, Unknown = 4, Roaming = 5 };

// How the network answers a dial.
enum class DialResult { Connect, Busy, NoCarrier, NoDialtone, NoAnswer, Error };

class Modem final : public Responder {
public:
    static constexpr std::uint32_t kGuardTimeMs = 1000;

    // The device is asked only while a call stands; the clock measures the guard times.
    explicit Modem(Responder& device, platform::Clock& clock = platform::SystemClock());

    std::string Answer(const std::string& request) override;
    // The line's splitter: AT command lines in command mode (what comes before "AT" is ignored, as a
    // modem does); in a call the device's requests as the data splitter cuts them, and "+++" alone
    // after a guard time is held back as an escape.
    std::optional<std::string> Split(std::string& pending);
    // What the modem says unasked at this moment: "OK" once an escape's second guard time has passed.
    std::string Tick();
    // Ends a standing call now; returns what the modem says about it ("NO CARRIER"), empty without a call.
    std::string DropCall();

    void SetRegistration(Registration status, bool spaceAfterComma = false);
    void SetDialResult(DialResult result);
    // How the device's requests are cut during a call (default: at CR).
    void SetDataSplitter(Line::Splitter splitter);
    // The next `count` commands that start with `prefix` (ASCII case ignored) get `reply` as it stands;
    // count < 0: all of them.
    void SetCommandReply(const std::string& prefix, std::string reply, int count = -1);
    // During a call, the first device request that starts with `prefix` is never answered: the call drops
    // with "NO CARRIER" instead and the modem is back in command mode.
    void DropCallOn(const std::string& prefix);

    bool CallUp() const;
    bool InDataMode() const;
    std::string Bearer() const;
    std::string DialledNumber() const;
    // The AT commands received, as cut (without anything before "AT").
    std::vector<std::string> Commands() const;
    int Escapes() const;

private:
    struct Scripted {
        std::string prefix;
        std::string reply;
        int count;
    };

    std::string Command(const std::string& command);
    std::string Data(const std::string& request);
    std::string Dial(const std::string& number);
    std::string BearerCommand(const std::string& value);
    std::string RegistrationReply() const;
    std::optional<std::string> SplitCommand(std::string& pending);
    std::optional<std::string> SplitData(std::string& pending, bool fresh);
    std::optional<std::string> TakeScripted(const std::string& command);

    Responder& device_;
    platform::Clock& clock_;
    mutable std::mutex mutex_;
    Registration registration_ = Registration::Home;
    bool spaceAfterComma_ = false;
    DialResult dialResult_ = DialResult::Connect;
    Line::Splitter dataSplitter_;
    std::vector<Scripted> scripted_;
    std::optional<std::string> dropOn_;
    bool callUp_ = false;
    bool dataMode_ = false;
    std::string bearer_;
    std::string dialled_;
    std::vector<std::string> commands_;
    int escapes_ = 0;
    // Line thread's view of the pending bytes: their count after the last split tells new bytes apart.
    std::size_t leftover_ = 0;
    std::uint64_t lastDataMs_ = 0;   // when data last arrived during the call
    bool escapeArmed_ = false;       // the "+" now pending came after a guard time of silence
    std::optional<std::uint64_t> escapeSince_;  // "+++" complete; waiting out the second guard time
};

// A modem on a fresh pseudo-terminal, with the simulated device behind it: what sorvel-sim offers as its
// modem port, and what the tests dial. Members are declared so that the ticker and the line stop before
// the modem and the terminal go away.
class ModemLine {
public:
    explicit ModemLine(Responder& device, platform::Clock& clock = platform::SystemClock());
    // With a folder, a link `linkName` to the port is placed there (the program's ports folder).
    ModemLine(Responder& device, const std::filesystem::path& linkFolder, const std::string& linkName,
              platform::Clock& clock = platform::SystemClock());
    ~ModemLine();
    ModemLine(const ModemLine&) = delete;
    ModemLine& operator=(const ModemLine&) = delete;

    const std::string& Path() const { return pty_.SlavePath(); }
    Pty& pty() { return pty_; }
    Modem& modem() { return modem_; }
    Line& line() { return line_; }
    // The call drops now: "NO CARRIER" goes out unasked.
    void DropCall();

private:
    void Start();
    void RunTicker();

    Pty pty_;
    Modem modem_;
    Line line_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread ticker_;
};

}  // namespace sim
