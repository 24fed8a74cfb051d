#pragma once
// The port worker for a line through a GSM modem: the AT dialogue (reset, check, bearer, registration,
// dial, escape, hang-up), then the device protocol over the data call like the cable worker. Every reply
// is checked for the modem's failure words. The waits let window events run (an event pump the
// application hands in) and end when the dial dialog's cancel flag is set (a probe it hands in).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/ComPortWorker.h"
#include "link/MyExceptions.h"
#include "link/SmallRoutines.h"
#include "platform/Clock.h"

// A failure reply of the modem (BUSY, NO CARRIER, ...) or a run of ERROR replies.
class TModemException : public TCommException {
public:
    explicit TModemException(const std::string& msg) : TCommException(msg) {}
};

// True once the user has cancelled; read before every attempt and every poll.
using CancelProbe = std::function<bool()>;

class TModemWorker : public TComPortWorker {
public:
    static constexpr int MaxErrors = 4;
    static constexpr int CommandTimeoutMs = 21000;
    static constexpr int DialTimeoutMs = 81000;
    // Silence on the line before and after "+++": a modem leaves the data call only between two such
    // pauses (its S12 register, one second by default); a little more is on the safe side.
    static constexpr std::uint32_t GuardTimeMs = 1200;
    // How long after the second guard time the modem's "OK" to "+++" is awaited.
    static constexpr int EscapeReplyMs = 3000;
    static constexpr std::uint32_t RtsPulseMs = 1000;

    explicit TModemWorker(platform::Clock& Clock = platform::SystemClock());

    void SetEventPump(EventPump Pump) { Pump_ = std::move(Pump); }
    // Whoever hands in a probe that refers to itself (the dial dialog) resets it before it goes away.
    void SetCancelProbe(CancelProbe Probe) { Cancel_ = std::move(Probe); }

    int DefaultTimeout() override;
    void Purge() override;
    bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool ReadAndCheck(std::string& Answer, const std::string& Expected) override;

    // Raises TModemException when Text holds a failure word (any case).
    static void CheckFailureReply(const std::string& Text);
    // One completed reply: holding "error" it counts (the MaxErrors-th in a row raises) and gives true;
    // any other reply ends the run and gives false.
    bool CheckErrorReply(const std::string& Text);

    bool ResetModem();
    bool CheckModem();
    bool SetBearer(const std::string& Value);
    bool CheckRegistration();
    // Raises TModemException when the number holds a character a modem must not be given.
    bool Dial(const std::string& Number);
    // Guard time, "+++", guard time, then the modem's "OK"; true when it came.
    bool EscapeToCommandMode();
    // "ATH", then "OK" or "NO CARRIER"; true when either came.
    bool HangUp();
    // Takes the call down (escape and hang-up) and closes the port whatever happens; failure words on
    // the way down are expected, and a port that vanished meanwhile is simply closed. True when the modem
    // confirmed the hang-up.
    bool HangUpAndClose();
    void PulseRts();

    // The number as it goes after "ATD": digits, the dial characters "+", "*" and "#", "W"/"w" (wait for
    // dial tone) and "," (pause); blanks, "-", "(", ")" and "." are dropped as the way people write
    // numbers. Nullopt when anything else is in it or no digit is left.
    static std::optional<std::string> DialString(const std::string& Number);

    int ErrorCount() const { return ErrorCount_; }
    bool HungUp() const { return HungUp_; }
    // The data call stands; kept for the dial dialog.
    bool Online() const { return Online_; }
    void SetOnline(bool Value) { Online_ = Value; }

protected:
    // The gathering loop's hooks: window events between polls, the cancel flag, the failure words.
    void BetweenPolls() override { Pump(); }
    bool StopAsked() const override { return Cancelled(); }
    void Inspect(const std::string& Text) override { Check(Text); }
    // Taking the call down credits nothing to the device: a late "OK" to "+++" may count for "ATH", whose
    // wait only asks whether the modem confirmed.
    bool LateRepliesMatter() const override { return !Quiet_; }

private:
    // Taking a call down is never cancelled: a hang-up left half done leaves the modem on the line.
    bool Cancelled() const { return !Quiet_ && Cancel_ && Cancel_(); }
    void Pump() const;
    // A pause that keeps the windows alive; not cut short by input or cancel.
    void PumpingPause(std::uint32_t Ms);
    // A wait of the modem: the cable worker's gathering, with the modem's error word ending a reply.
    bool ModemWait(std::string& Answer, std::vector<std::string> Terminators, bool DropNok, int TimeoutMs);
    // The end of a wait: the reply (if any) counts towards the run of errors.
    bool Finish(const std::string& Answer, bool Result);
    void Check(const std::string& Text) const;
    bool SendCommandExpect(const std::string& Cmd, const std::string& Expected, int Attempts, int TimeoutMs);
    bool SendQuery(const std::string& Cmd, std::string& Answer, const std::string& Expected, int Attempts);

    EventPump Pump_;
    CancelProbe Cancel_;
    int ErrorCount_ = 0;
    bool HungUp_ = false;
    bool Online_ = false;
    // While the call is taken down, failure words are what we expect to read.
    bool Quiet_ = false;
};
