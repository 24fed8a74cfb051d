#pragma once
// The device protocol object: frames a command ("+", word, CR), sends it through a port worker, waits
// for the terminator with retries, logs request and reply, and cuts the value out of the reply.
// Commands and values are UTF-8 here; the wire carries Windows-1251, converted both ways in this unit.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/Communication.h"
#include "link/LogWriter.h"

// Colours of the request and reply lines in the log, and of what a resynchronisation dropped.
constexpr TColor clRequestLog = 0xFF0000;    // blue
constexpr TColor clReplyLog = 0xFF00FF;      // fuchsia
constexpr TColor clDiscardedLog = 0x808080;  // grey

// What a reply must be to answer its request. One that is not (garbled on the line, or another request's
// reply come late or twice) is no answer: the attempt fails, the line is resynchronised and the request
// goes out again.
struct TExpected {
    enum class TKind {
        Anything,  // whatever ends in the terminator (the bootloader's replies, checked by their caller)
        Done,      // "OK" alone
        Value,     // ">" and a value of Form (link/ValueForm.h) on one line, then "OK"
    };
    TKind Kind = TKind::Anything;
    std::string_view Form{};

    static TExpected Done() { return {TKind::Done, {}}; }
    static TExpected ValueOf(std::string_view Form) { return {TKind::Value, Form}; }
};

// Nothing here is meant to be overridden: TDevSorvel7QX1 only fixes the constants and adds senders.
class TDevice {
public:
    // Every exchange waits at least this long: the device answers slowly while it is busy (an SMS
    // going out, a flash write), so a worker's short time-out must not cut it off.
    static constexpr int DefaultTimeoutFloorMs = 10'000;
    static constexpr int DefaultAttempts = 3;

    // The date and time text appended to every log caption.
    using TimestampFn = std::function<std::string()>;
    // A command built for each attempt, given the milliseconds since the first began: a command that
    // carries the time must carry it as it is when it goes out.
    using CommandFn = std::function<std::string(std::uint64_t ElapsedMs)>;

    TDevice(TCommunication& Comm, std::string VersionMark, std::string Prefix, std::string Suffix,
            std::string Terminator, TLogWriter* Log);
    virtual ~TDevice() = default;
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    void LogMessage(const std::string& Msg);
    void LogError(const std::string& Msg);
    void LogList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color);
    void LogColored(const std::string& Caption, const std::string& Text, TColor Color);
    void LogInfo(const std::string& Msg);

    std::string FrameCommand(const std::string& Cmd);
    // The text after the first ">" up to the reply's closing terminator (its last occurrence, exact case),
    // trimmed; empty when the terminator is missing. A value may itself hold the letters of the terminator.
    std::string ExtractValue(const std::string& Reply);

    // Value: the decoded value on success, empty on failure. With a form, a reply whose value does not
    // have it is a failed attempt.
    bool ReadString(const std::string& Cmd, std::string& Value);
    bool ReadString(const std::string& Cmd, std::string& Value, std::string_view Form);
    // The whole value must be a number (hexadecimal without any prefix when Hex); otherwise false and
    // Value is left as it was.
    bool ReadInteger(const std::string& Cmd, int& Value, bool Hex);
    // Up to three attempts, each waiting max(TimeoutMs, floor). With Decode the answer is the value (empty
    // after a failure); without, the reply as received.
    bool SendCommand(const std::string& Cmd, std::string& Answer, int TimeoutMs, bool Decode);
    bool SendCommand(const CommandFn& Cmd, std::string& Answer, int TimeoutMs, bool Decode,
                     TExpected Expect = {});
    bool SendCommandEx(const std::string& Cmd, std::string& Answer, int TimeoutMs, bool Decode, int Attempts,
                       bool LogIt, bool Framed);
    // Without the prefix ("CABLE CONNECT"): decoded, logged, three attempts.
    bool SendUnframed(const std::string& Cmd, std::string& Answer, int TimeoutMs, TExpected Expect);
    // A write: true when the device answered with the terminator alone; any other answer is retried. A
    // device that answers with a value (">...") took the request for a read, as it takes a write of an
    // empty text: nothing was written, and that is logged as an error naming the command
    // (TFailure::AnsweredWithValue).
    bool Execute(const std::string& Cmd);
    // The write of an empty text, whose request is the read request's very bytes: the device answers it as
    // a read and cannot clear a text. It stands when the device holds no text already (the answer's value
    // is empty); otherwise it failed as Execute's does.
    bool ExecuteEmpty(const std::string& Cmd);
    bool WriteHex(const std::string& Name, int Value, int Digits, const std::string& Infix);
    bool WriteByte(const std::string& Name, int Value, const std::string& Infix);

    std::string GetVersionMark() const { return VersionMark; }
    std::string GetPrefix() const { return Prefix; }
    void SetPrefix(const std::string& Value) { Prefix = Value; }
    std::string GetSuffix() const { return Suffix; }
    std::string GetTerminator() const { return Terminator; }
    bool IsSupportedVersion(const std::string& VersionText) const;

    // One request, one wait for Terminator within TimeoutMs exactly (no floor, no retry). Answer is the
    // reply as received (UTF-8). For exchanges with their own rules, such as the login.
    bool SendOnce(const std::string& Cmd, std::string& Answer, const std::string& WaitTerminator, int TimeoutMs);

    // Why the last exchange (its last attempt) failed; TFailure::None after a success. The exchanges answer
    // true or false; this tells "no reply", "refused", "could not send", "more than one reply", "not of its
    // form" and "not a number" apart.
    TFailure LastFailure() const { return Failure; }
    // The caller found the reply the last exchange credited to be no answer (the bootloader's block
    // number, say): the line is resynchronised before the next request.
    void Distrust() { Comm.Distrust(); }

    TCommunication& GetComm() const { return Comm; }
    TLogWriter* GetLog() const { return Log; }

    // Tests shorten the floor so that failures run in milliseconds; production keeps 10,000 ms.
    void SetTimeoutFloor(int Ms) { TimeoutFloorMs = Ms < 0 ? 0 : Ms; }
    int GetTimeoutFloor() const { return TimeoutFloorMs; }
    void SetTimestamp(TimestampFn Fn) { Timestamp = std::move(Fn); }

private:
    std::string Stamped(const std::string& Text) const;
    // The text to put on the wire, or nothing when it cannot be carried (logged as an error).
    bool ToWire(const std::string& Text, std::string& Wire);
    // Writes one request; logs what the worker dropped while it resynchronised the line before it.
    bool WriteRequest(const std::string& Wire);
    // One wait; notes why it failed.
    bool AwaitReply(std::string& Answer, const std::string& WaitTerminator, int TimeoutMs);
    bool Write(const std::string& Cmd, bool EmptyText);
    struct TSendOptions {
        int TimeoutMs = 0;
        bool Decode = true;
        int Attempts = DefaultAttempts;
        bool LogIt = true;
        bool Framed = true;
        TExpected Expect{};
        // A write of an empty text: an answer with an empty value stands for "OK".
        bool EmptyText = false;
    };
    bool Exchange(const CommandFn& Cmd, std::string& Answer, const TSendOptions& Options);
    // Whether Answer answers the request as Options expect; on success Value is the value it carries.
    bool Accept(const std::string& Cmd, const std::string& Answer, const TSendOptions& Options, std::string& Value);

    TLogWriter* Log;
    std::string VersionMark;
    std::string Prefix;
    std::string Suffix;
    std::string Terminator;
    TCommunication& Comm;
    int TimeoutFloorMs = DefaultTimeoutFloorMs;
    TimestampFn Timestamp;
    TFailure Failure = TFailure::None;
};

// The local date and time as the log shows it: dd.mm.yyyy hh:mm:ss.
std::string LocalTimestamp();
// The value in upper-case hexadecimal, zero-padded to at least `digits` digits, as values go on the wire.
std::string UpperHex(unsigned value, int digits);
