#pragma once
// The transport under the device protocol object: writes a request and reads the reply until one reply
// is whole, a time-out passes or the port closes. Strings here are the bytes on the wire (Windows-1251
// text); the device protocol object converts to and from UTF-8.
//
// Threads: a worker has one user thread at a time (the window thread, or the firmware upload thread
// while it runs); nothing in it is locked. A cable worker's wait blocks its caller; a modem worker's wait
// lets window events run between polls and ends when the dial dialog's cancel flag is set.
//
// Time: every wait polls the port (at most 20 ms apart, woken early by input) and ends once the whole
// milliseconds elapsed since it began exceed its time-out, in milliseconds; a time-out of 0 still looks
// once, a negative one counts as 0.
//
// Replies: a wait gathers across polls (Answer holds everything read since the wait began, but for the
// echo of the request) and ends with true once exactly one reply is whole, its closing line break
// included (the rule: link/ReplyReader.h), so nothing of it is left for the next request. A line
// identical to the request last written is its echo: it never ends a wait nor counts as a reply. On false
// Answer holds everything the wait read: nothing after silence, a refusal ("NOK") that ran into the
// time-out, a reply cut off, or more than one reply.
//
// A request has left the line once its characters' time on the wire (10 bits each at the port's speed)
// has passed since the write; no device answers before that, nor faster than a character a character
// time. The first wait after a write looks at what is waiting at that moment: bytes that came while the
// request was still going out (an echo as the device hears it aside) answer nothing, and mark the line
// unsettled: that wait credits a reply only once the line has been quiet after it, so that the copy of an
// earlier reply followed by this request's own is more than one reply, and the exchange resynchronises.
// A peer faster than the port's speed (a simulated device answering at once) looks unsettled the same
// way; its one reply stands once the line is quiet.
//
// Resynchronising: after a wait that failed or was abandoned (an exception, a cancel), or a reply its
// caller rejected (Distrust), the next Write first reads and drops what arrives until the line has been
// quiet, so that a late reply is never taken for the next request's answer. When nothing that ends a
// reply had come, that listening lasts at least as long as a reply may still be late (LateReplyWindowMs
// past the time-out, but never longer than the failed wait itself lasted); the whole resynchronisation
// ends within that window and one quiet interval after it. The retry of a request that timed out skips
// the late window (Settle with Retry): a late reply answers the retry as well as the first attempt, and
// the retry's wait proves the line instead (below). What it dropped is kept for the caller to log
// (TakeDiscarded), as is what was waiting unasked when a request went out. Until a reply is credited
// again, a wait that finds one whole also listens past it for a quiet interval: a reply right behind it
// makes the answer one of more than one reply.
//
// A reply is credited at once only on a line that gives no cause for doubt. The wait listens past a
// whole reply, and credits it only when nothing follows, when:
// - bytes were waiting unasked at the write, or came faster than the line carries them since the request
//   left (the copy of an earlier reply in flight): for as long as this device takes to start a reply
//   and to pass on its next chunk, as learnt from the replies credited so far;
// - the reply equals the one credited last and came sooner than this device answers, or the line passes
//   bytes on in bursts (a USB adapter) from a device that answers at once: it may be that reply's copy,
//   and the real answer is then right behind it; the same interval;
// - an earlier attempt of the same request timed out: for LateReplyWindowMs, in which both the late reply
//   and the retry's own may come.
// Copies of a reply right behind it in one wait count as that reply once: a device that sends a reply
// twice, or the late reply and the retry's own, has answered the request once.
//
// Exceptions: a port that fails or vanished raises its link failure (EDeviceError) from any operation;
// a modem worker raises TModemException for a failure word in anything it reads, or for the fourth modem
// error in a row. A wait that ran out of time never raises.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"

// Why the last operation failed; None after a success. The operations keep answering true or false;
// this is the reason beside the bool, for the callers and tests that must tell the cases apart.
enum class TFailure {
    None,
    CouldNotSend,      // the request did not go out whole (closed port, short write, text the wire cannot carry)
    NoReply,           // nothing that ends a reply came within the time-out
    Refused,           // the device answered "NOK"
    MoreThanOneReply,  // the answer held another reply besides one: it cannot be credited to the request
    AnsweredWithValue, // a write was answered with a value, as a read is: nothing was written
    DoesNotFit,        // the reply is not of the form its request expects (garbled, or another request's)
    TooLong,           // the answer outgrew the reply cap without ending
    PortClosed,        // the port was closed when or while the wait looked
    Cancelled,         // the user cancelled (modem waits)
    ModemError,        // the modem answered with an error
    NotANumber,        // the value came but is not the number asked for
};

class TCommunication {
public:
    virtual ~TCommunication() = default;

    // The worker's own time-out (ms): 500 for a cable worker, 5,000 for a modem worker unless opened with
    // another.
    virtual int GetTimeout() = 0;
    // Resynchronises the line when due (above), discards what waits unread, then sends S. True when all
    // of S went out; false on a closed port or a short write.
    virtual bool Write(const std::string& S) = 0;
    // The same as WaitFor.
    virtual bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) = 0;
    // Gathers until one reply ending in Terminator is whole (true) or the time runs out (false). "NOK"
    // never counts as "OK"; ASCII case is ignored. A modem worker also ends, with false, on a modem error.
    virtual bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) = 0;
    // As WaitFor with several terminators, in any of which a reply may end; "NOK" is not taken out.
    virtual bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) = 0;
    // WaitFor and WaitForAny with GetTimeout().
    virtual bool WaitForDefault(std::string& Answer, const std::string& Terminator) = 0;
    virtual bool WaitForAnyDefault(std::string& Answer, const std::vector<std::string>& Terminators) = 0;
    // One look, no waiting: Answer is what waits at this moment; true when it holds Expected (any case).
    virtual bool ReadAndCheck(std::string& Answer, const std::string& Expected) = 0;
    // ReadUntil, WaitFor, WaitForAny, WaitForDefault and WaitForAnyDefault with the reply dropped.
    virtual bool ExpectUntil(const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool Expect(const std::string& Terminator, int TimeoutMs) = 0;
    virtual bool ExpectAny(const std::vector<std::string>& Terminators, int TimeoutMs) = 0;
    virtual bool ExpectDefault(const std::string& Terminator) = 0;
    virtual bool ExpectAnyDefault(const std::vector<std::string>& Terminators) = 0;

    // Why the last Write or wait failed; None when it succeeded. A transport that does not tell gives None.
    virtual TFailure LastFailure() const { return TFailure::None; }
    // What the last Write's resynchronisation read and dropped; empty when there was none. Taking it
    // clears it.
    virtual std::string TakeDiscarded() { return {}; }
    // The clock the waits run on.
    virtual platform::Clock& Clock() const { return platform::SystemClock(); }
    // Resynchronises the line now when due (Write would do it first), so that a request that carries the
    // time is composed after the listening. Retry: the request about to go out is the one whose last
    // attempt failed.
    virtual void Settle(bool /*Retry*/) {}
    // The reply the last wait credited does not answer its request (its caller found it garbled or
    // foreign): the line is resynchronised before the next write, and the next reply proven.
    virtual void Distrust() {}
};
