#pragma once
// What the serial driver carries out itself where its port leaves it the duty (on Linux: all of it): the
// input queue of the asked size, filled from the characters the port hands over through the error marks,
// DSR sensitivity, the NUL filter and the error character; the fill level that holds and releases the
// peer by the XON and XOFF limits; the line errors kept until they are taken; and the line events worked
// out from what came and from the modem lines and error counts. Plain logic: the driver feeds it from the
// port, under its lock, and carries out what it asks for.
#include <cstddef>
#include <deque>
#include <optional>
#include <string_view>

#include "link/SerialTypes.h"
#include "platform/KernelPort.h"

struct TInputRules {
    std::size_t Size = 2048;
    std::size_t XonLimit = 512;   // release the peer once no more characters than this wait
    std::size_t XoffLimit = 512;  // hold it once fewer places than this are free
    unsigned char EventChar = 10;
    unsigned char ErrorChar = 0;
    bool Marks = false;          // the characters carry the port's error marks
    bool ReplaceErrors = false;  // a marked character becomes ErrorChar
    bool DiscardNull = false;
    bool DsrSensitivity = false;
    bool ParityCheck = false;    // parity errors count as line errors
    bool AbortOnError = false;
};

class TCommLine {
public:
    // New rules keep the queue; the driver empties it where the sizes change.
    void SetRules(const TInputRules& Rules) { Rules_ = Rules; }
    const TInputRules& Rules() const { return Rules_; }

    // Takes characters as the port handed them over, never more than Room() of them; Dsr is the line's
    // level now. Returns the events of what was taken: a character, the event character, the queue 80 %
    // full, a break, a line error.
    TDeviceEvents Take(std::string_view Raw, bool Dsr);
    // The changes of the modem lines and of the error counts since the last look; the first look after
    // Reset only notes where they stand. Where counts are kept they decide, else the levels do.
    TDeviceEvents Look(const platform::ModemLines& Lines, const std::optional<platform::LineCounters>& Counts);

    std::size_t Count() const { return Queue.size(); }
    std::size_t Room() const { return Rules_.Size > Queue.size() ? Rules_.Size - Queue.size() : 0; }
    std::size_t Read(char* Into, std::size_t Max);
    // Empties the queue, and forgets a mark half read.
    void Clear();
    // A fresh port: also forgets the errors and where the lines stood.
    void Reset();

    // The errors since they were last taken, and takes them.
    TLineErrors TakeErrors();
    // Transfers are refused while an error waits to be taken.
    bool Aborting() const { return Rules_.AbortOnError && !Errors.Empty(); }
    // Whether the fill level holds the peer: from fewer than XoffLimit places free until no more than
    // XonLimit characters wait.
    bool HoldInput() const { return Held; }

private:
    enum class TMark { None, Escape, EscapeZero };
    void Unmark(unsigned char C, TDeviceEvents& Events);
    void Deliver(unsigned char C, bool Damaged, TDeviceEvents& Events);
    void Fail(TLineError Error, TDeviceEvents& Events);
    void UpdateHold();

    TInputRules Rules_;
    std::deque<char> Queue;
    TMark Mark = TMark::None;
    bool Accepting = true;
    TLineErrors Errors;
    bool Held = false;
    std::optional<platform::ModemLines> LastLines;
    std::optional<platform::LineCounters> LastCounts;
};
