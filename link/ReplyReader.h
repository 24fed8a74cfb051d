#pragma once
// Where a reply ends. The device and the modem answer in lines: a reply's last line begins with its
// closing word ("OK", "CONNECT 9600", "NOK" for a refusal) and ends with a line break. A wait takes the
// bytes as they come, in any chunks, and asks the reader after every look how far the reply has come,
// telling it how long the line has been silent since the last byte.
//
// The rule, in order:
// - A line that begins with a terminator (ASCII case ignored; with DropNok every "NOK" taken out first)
//   ends the reply once its line break has come; the reply then runs on through that closing line break
//   (an LF right after the CR), or through the CR alone once the line has been silent for LineBreakMs.
//   A terminator inside a line ("internet.book.ru", ">facebook") ends nothing by itself.
// - For a device that sends no line break after its last line: when the text after the last line break
//   begins with a terminator and the line has stayed silent for QuietMs, that is the end. A terminator
//   further inside that text ("BOOK" of a value the device pauses after) ends nothing, and a line already
//   closed by its line break never ends a reply this way, however long the device pauses after it.
// - A terminator made of line breaks alone (the login waits for CR) is met by the first such line break
//   that follows other text: line breaks before any text are the tail of an earlier reply.
// - With ErrorEnds (the modem) a line that holds "error" ends the reply the same way, as a modem error.
// - A line identical to the request just sent (Echo) is the line hearing it back: it is taken out of the
//   answer and neither ends a reply nor counts as one.
// - More than one reply in one answer: a refusal line ("NOK" and its line break) came before the end, two
//   refusals came, or text other than line breaks follows the end. Such an answer is credited to no one.
//   With Repeats, whole copies of the first reply after it are that reply again (two answers to one
//   request sent twice); a copy still coming keeps the reply open until the line has been silent for
//   QuietMs.
// A complete refusal alone is no end: the wait goes on to its time-out, and the refusal is its reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TReplyRule {
    std::vector<std::string> Terminators;
    // Every "NOK" is taken out before a line is tested, so a refusal never passes for "OK"; a line that
    // begins with "NOK" is a refusal, a reply of its own.
    bool DropNok = true;
    // A line holding "error" (any case) ends the reply as an error.
    bool ErrorEnds = false;
    // Silence after a closing CR that ends a reply without its LF.
    std::uint64_t LineBreakMs = 50;
    // Silence that ends a reply whose terminator is not followed by a line break.
    std::uint64_t QuietMs = 100;
    // The request as it went out, without its line breaks; empty when there is none to hear back.
    std::string Echo{};
    // Copies of the first reply after it count as that reply.
    bool Repeats = false;
};

enum class TReplyState {
    Open,         // not yet complete
    Whole,        // one reply, complete: the terminator and its closing line break
    Error,        // one reply, complete, that the modem's error word ended
    MoreThanOne,  // the answer holds another reply besides one
};

class TReplyReader {
public:
    explicit TReplyReader(TReplyRule Rule);

    // Takes the bytes that arrived next. Work is proportional to the bytes added, whatever came before.
    void Add(std::string_view Bytes);
    // Where the answer stands, the line having been silent for SilentMs since the last byte.
    TReplyState State(std::uint64_t SilentMs) const;
    // A complete refusal line came.
    bool Refused() const { return Refusals_ > 0; }
    // Something came that ends a reply (a terminator, a refusal, an error): the device has answered,
    // even if the answer cannot be credited.
    bool Answered() const;
    // Everything that came but the echo of the request.
    const std::string& Text() const { return Text_; }

private:
    enum class LineKind { Other, End, Refusal, Error };

    void AddChar(char c);
    void CloseLine(char Break);
    LineKind Classify(char Break) const;
    bool StartsWithTerminator() const;
    bool TailIsEmpty() const { return LineRaw_.empty(); }
    bool IsEcho(std::size_t Break) const;
    void CloseLineAfterEnd();
    // With Repeats: the text after the end is so far the start of a copy of the first reply.
    bool CopyComing() const;

    TReplyRule Rule_;
    bool BreakTerminator_ = false;  // the terminator is made of line breaks alone...
    char BreakChar_ = '\r';         // ...and ends at this one
    bool AnyText_ = false;          // an empty terminator: any answer at all ends the wait
    std::string Text_;
    // The line still open: where it starts in Text_, its text upper-cased as it came, and the same with
    // every "NOK" taken out.
    std::size_t LineStart_ = 0;
    std::string LineRaw_;
    std::string LineProbe_;
    bool LineHoldsError_ = false;
    bool SeenText_ = false;         // some line held text (for a terminator of line breaks)
    int Refusals_ = 0;
    bool EndFound_ = false;
    bool EndIsError_ = false;
    std::size_t EndBreak_ = 0;      // where the end line's line break stands in Text_
    bool AfterEnd_ = false;         // a line of text closed after the end
    // With Repeats: the lines of the first reply, and which of them the copy now coming must close next.
    std::vector<std::string> FirstLines_;
    std::size_t RepeatAt_ = 0;
};

// The terminator test of the classic waits: every "NOK" taken out first (repeatedly, so that one formed by
// a removal goes too), then the rest must hold the terminator; ASCII case is ignored.
bool HoldsTerminatorIgnoringNok(const std::string& Answer, const std::string& Terminator);
