#pragma once
// The port worker for a direct cable line: writes a request and reads the reply until it is whole, a
// time-out passes or the port closes, polling the serial port every 20 ms at most (link/Communication.h
// says what each operation promises). The modem worker derives from it and shares its one gathering loop.
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Communication.h"
#include "link/ReplyReader.h"
#include "link/SerialDrv.h"
#include "platform/Clock.h"

class TComPortWorker : public TCommunication {
public:
    // A wait gives up (false) once it has gathered this many characters without a whole reply: a device
    // that streams garbage must neither hang the caller nor fill memory.
    static constexpr std::size_t MaxReplyLength = 64 * 1024;
    static constexpr std::uint32_t PollMs = 20;
    // How late a reply may still come after its wait gave up. A device busy past the time-out answers
    // within about two seconds of it; a reply later than that is as good as none.
    static constexpr std::uint32_t LateReplyWindowMs = 2000;
    // The silences that end a reply are a number of character times at the line's speed, but never less
    // than these floors: USB serial adapters pass bytes on in chunks with gaps of up to 20 ms, and such a
    // gap inside a reply (right after the letters "ok" of a value, or between CR and LF) must not end it.
    static constexpr std::uint32_t QuietCharacters = 20;
    static constexpr std::uint32_t MinQuietMs = 100;
    static constexpr std::uint32_t LineBreakCharacters = 4;
    static constexpr std::uint32_t MinLineBreakMs = 50;

    TComPortWorker(bool RtsControl, bool OwnsPort, platform::Clock& Clock = platform::SystemClock());
    ~TComPortWorker() override;
    TComPortWorker(const TComPortWorker&) = delete;
    TComPortWorker& operator=(const TComPortWorker&) = delete;

    bool IsOpen() const;
    void Close();
    void Open(const std::string& PortName, TBaudRate BaudRate);
    void OpenWithTimeout(const std::string& PortName, TBaudRate BaudRate, int TimeoutMs);
    void RtsOff();
    void RtsOn();

    int GetTimeout() override;
    bool Write(const std::string& S) override;
    bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool WaitForDefault(std::string& Answer, const std::string& Terminator) override;
    bool WaitForAnyDefault(std::string& Answer, const std::vector<std::string>& Terminators) override;
    bool ReadAndCheck(std::string& Answer, const std::string& Expected) override;
    bool ExpectUntil(const std::string& Terminator, int TimeoutMs) override;
    bool Expect(const std::string& Terminator, int TimeoutMs) override;
    bool ExpectAny(const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool ExpectDefault(const std::string& Terminator) override;
    bool ExpectAnyDefault(const std::vector<std::string>& Terminators) override;
    TFailure LastFailure() const override { return Failure_; }
    std::string TakeDiscarded() override;
    void Settle(bool Retry) override;
    void Distrust() override;

    // Overridden by the modem worker (its own default, and no unchecked purge).
    virtual int DefaultTimeout();
    virtual void Purge();
    // Everything waiting at this moment (RTS cleared first when the worker switches it).
    void ReadAvailable(std::string& S);
    // Resynchronises when due, purges, then writes; true when every character went out.
    bool WriteString(const std::string& S);

    bool RtsControl() const { return RtsControl_; }
    bool OwnsPort() const { return OwnsPort_; }
    TSerialComm& Port() { return *Port_; }
    platform::Clock& Clock() const override { return Clock_; }
    // The silence after a reply's terminator without a line break, and after its closing CR without the
    // LF, at the port's speed.
    std::uint32_t QuietMs() const;
    std::uint32_t LineBreakMs() const;
    // A failed or abandoned wait left the line to be resynchronised before the next write.
    bool ResyncDue() const { return Resync_.has_value(); }

    // The terminator test of the classic waits: every "NOK" taken out first, then the rest must hold the
    // terminator; ASCII case is ignored.
    static bool HoldsTerminator(const std::string& Answer, const std::string& Terminator);

protected:
    // The reply rule of a wait for these terminators at this line's speed.
    TReplyRule RuleFor(std::vector<std::string> Terminators, bool DropNok) const;
    // The one gathering loop of every wait: reads what arrives into Answer until the rule says the reply
    // is whole (or an error, or more than one), the time runs out, the port closes, StopAsked says so or
    // the reply cap is reached. Sets LastFailure and, unless one reply came whole, leaves the line to be
    // resynchronised before the next write (also when an exception leaves the loop).
    TReplyState Gather(std::string& Answer, const TReplyRule& Rule, int TimeoutMs);
    // Hooks of the gathering loop and of the resynchronisation, for the modem worker.
    virtual void BetweenPolls() {}
    virtual bool StopAsked() const { return false; }
    // Sees everything read so far, before the reply rule does; may raise.
    virtual void Inspect(const std::string& /*Text*/) {}
    // Whether a failed wait's request may still be answered late, so that the next write must listen
    // through the late window first.
    virtual bool LateRepliesMatter() const { return true; }

private:
    // A request on its way out. Its time on the wire is real time whatever clock the waits run on: the
    // line does not run on the program's clock.
    struct Sending {
        std::string Request;
        std::chrono::steady_clock::time_point LeftAt;  // when its last character has left the line
    };
    struct ResyncDueState {
        std::uint64_t SinceMs;     // when the failed wait ended
        std::uint64_t LastByteMs;  // when it last received anything (its start when nothing came)
        std::uint64_t WindowMs;    // how long a late reply must still be listened for
        bool TimedOut;             // nothing that ends a reply came
    };
    // How this device and line deliver: from the replies credited last, real milliseconds.
    class Pace {
    public:
        // A credited reply: when its first byte came after its request left the line, the longest
        // silence between two of its bytes, and whether it came faster than the line carries bytes.
        void Add(double LatencyMs, double GapMs, bool Faster);
        bool Known() const { return count_ > 0; }
        // Every reply of late came faster than the line: a peer that does not keep the line's pace (a
        // virtual port, a simulator), whose replies say nothing by their speed.
        bool PeerFaster() const;
        double MinLatency() const;
        double MaxLatency() const;
        double MaxGap() const;

    private:
        static constexpr std::size_t Kept = 16;
        struct Sample {
            double latency;
            double gap;
            bool faster;
        };
        Sample samples_[Kept]{};
        std::size_t count_ = 0;
        std::size_t next_ = 0;
    };
    class GatherScope;
    class Arrival;

    void Resync(bool Retry = false);
    // Reads what waits before a write: it answers nothing, and its copy may still be in flight.
    void DropUnasked();
    // How long the line must stay quiet after a whole reply before it is credited; 0 at once.
    std::uint64_t ProofMs(const Arrival& Came, const std::string& Reply, bool Unsettled, bool AfterTimeout) const;
    // The time in which a reply that follows another on this line has begun to arrive.
    std::uint64_t FollowMs() const;
    // Appends what waits, up to about Cap characters in all.
    void ReadWaiting(std::string& Into, std::size_t Cap);
    bool PortReady(std::uint32_t RealMs) const;
    std::uint32_t CharacterTimes(std::uint32_t Count, std::uint32_t FloorMs) const;
    std::chrono::nanoseconds CharacterTime() const;
    // Whether Received, everything read since the request was written, holds more bytes beyond its echo
    // than the line can have carried since the request left it.
    bool FasterThanTheLine(const Sending& Sent, const std::string& Received) const;

    bool RtsControl_;
    bool OwnsPort_;
    // Unset until a port is opened with a time-out: the default then comes from the virtual
    // DefaultTimeout of the finished object, so a derived worker gets its own.
    std::optional<int> Timeout_;
    platform::Clock& Clock_;
    std::unique_ptr<TSerialComm> Port_;
    TFailure Failure_ = TFailure::None;
    std::optional<ResyncDueState> Resync_;
    // The request written last, for the first wait after it to look at what came while it went out; and
    // its line as the device would echo it.
    std::optional<Sending> Sending_;
    std::string Echo_;
    // A wait failed since the last reply was credited: the next reply must be followed by quiet.
    bool Wary_ = false;
    // Bytes were waiting unasked when the request went out.
    bool Unasked_ = false;
    // The request about to be retried timed out: its wait must allow for the late reply.
    bool AfterTimeout_ = false;
    std::string LastCredited_;
    Pace Pace_;
    std::string Discarded_;
};
