#include "link/ReplyReader.h"

#include <algorithm>

#include "platform/Text.h"

namespace {

constexpr std::string_view kNok = "NOK";
constexpr std::string_view kError = "ERROR";

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EndsWith(const std::string& text, std::string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A terminator as lines are tested: upper case, without line breaks around it.
std::string LineWord(const std::string& terminator)
{
    const auto first = std::find_if_not(terminator.begin(), terminator.end(), IsBreak);
    const auto last = std::find_if_not(terminator.rbegin(), terminator.rend(), IsBreak).base();
    return first < last ? platform::AsciiUpper(std::string(first, last)) : std::string();
}

}  // namespace

bool HoldsTerminatorIgnoringNok(const std::string& Answer, const std::string& Terminator)
{
    // Removing "NOK" left to right, with what a removal joins looked at again, gives the same rest as
    // deleting the first occurrence until none is left: "NOK" cannot overlap itself.
    std::string probe;
    probe.reserve(Answer.size());
    for (const char c : Answer) {
        probe.push_back(Upper(c));
        if (EndsWith(probe, kNok)) probe.resize(probe.size() - kNok.size());
    }
    return probe.find(platform::AsciiUpper(Terminator)) != std::string::npos;
}

TReplyReader::TReplyReader(TReplyRule Rule) : Rule_(std::move(Rule))
{
    std::vector<std::string> words;
    for (const std::string& t : Rule_.Terminators) {
        if (t.empty()) AnyText_ = true;
        std::string word = LineWord(t);
        if (!word.empty()) {
            words.push_back(std::move(word));
        } else if (!t.empty()) {
            BreakTerminator_ = true;
            BreakChar_ = t.front();
        }
    }
    Rule_.Terminators = std::move(words);
}

void TReplyReader::Add(std::string_view Bytes)
{
    for (const char c : Bytes) {
        Text_.push_back(c);
        AddChar(c);
    }
}

void TReplyReader::AddChar(char c)
{
    if (IsBreak(c)) {
        CloseLine(c);
        LineStart_ = Text_.size();
        return;
    }
    const char upper = Upper(c);
    LineRaw_.push_back(upper);
    if (Rule_.ErrorEnds && EndsWith(LineRaw_, kError)) LineHoldsError_ = true;
    LineProbe_.push_back(upper);
    if (Rule_.DropNok && EndsWith(LineProbe_, kNok)) LineProbe_.resize(LineProbe_.size() - kNok.size());
}

TReplyReader::LineKind TReplyReader::Classify(char Break) const
{
    if (Rule_.ErrorEnds && LineHoldsError_) return LineKind::Error;
    if (BreakTerminator_) return Break == BreakChar_ ? LineKind::End : LineKind::Other;
    if (StartsWithTerminator()) return LineKind::End;
    if (Rule_.DropNok && LineRaw_.starts_with(kNok)) return LineKind::Refusal;
    return LineKind::Other;
}

bool TReplyReader::StartsWithTerminator() const
{
    return std::any_of(Rule_.Terminators.begin(), Rule_.Terminators.end(),
                       [this](const std::string& t) { return LineProbe_.starts_with(t); });
}

bool TReplyReader::IsEcho(std::size_t Break) const
{
    return !Rule_.Echo.empty() && std::string_view(Text_).substr(LineStart_, Break - LineStart_) == Rule_.Echo;
}

void TReplyReader::CloseLine(char Break)
{
    const std::size_t at = Text_.size() - 1;
    if (IsEcho(at)) {
        Text_.resize(LineStart_);
        LineRaw_.clear();
        LineProbe_.clear();
        LineHoldsError_ = false;
        return;
    }
    if (LineRaw_.empty()) {
        // An empty line is nothing, except where the terminator is a line break that follows text.
        if (BreakTerminator_ && SeenText_ && !EndFound_ && Break == BreakChar_) {
            EndFound_ = true;
            EndBreak_ = at;
        }
        return;
    }
    const LineKind kind = Classify(Break);
    SeenText_ = true;
    if (EndFound_) {
        CloseLineAfterEnd();
    } else {
        if (Rule_.Repeats) FirstLines_.push_back(LineRaw_);
        if (kind == LineKind::End || kind == LineKind::Error) {
            EndFound_ = true;
            EndIsError_ = kind == LineKind::Error;
            EndBreak_ = at;
        } else if (kind == LineKind::Refusal) {
            ++Refusals_;
        }
    }
    LineHoldsError_ = false;
    LineRaw_.clear();
    LineProbe_.clear();
}

void TReplyReader::CloseLineAfterEnd()
{
    if (Rule_.Repeats && !AfterEnd_ && LineRaw_ == FirstLines_[RepeatAt_]) {
        RepeatAt_ = (RepeatAt_ + 1) % FirstLines_.size();
        return;
    }
    AfterEnd_ = true;
}

bool TReplyReader::CopyComing() const
{
    return Rule_.Repeats && !AfterEnd_ && FirstLines_[RepeatAt_].starts_with(LineRaw_);
}

bool TReplyReader::Answered() const
{
    return EndFound_ || Refusals_ > 0 || StartsWithTerminator() || (Rule_.ErrorEnds && LineHoldsError_);
}

TReplyState TReplyReader::State(std::uint64_t SilentMs) const
{
    if (AnyText_) return TReplyState::Whole;
    if (EndFound_) {
        if (Refusals_ > 0 || AfterEnd_) return TReplyState::MoreThanOne;
        if (RepeatAt_ != 0 || !TailIsEmpty())
            return CopyComing() && SilentMs < Rule_.QuietMs ? TReplyState::Open : TReplyState::MoreThanOne;
        // The CR that closed the end line (or a copy's) came last: its LF may still be on the way.
        const bool lfMayFollow =
            Text_.back() == '\r' && (EndBreak_ + 1 == Text_.size() || (Rule_.Repeats && !FirstLines_.empty()));
        if (lfMayFollow && SilentMs < Rule_.LineBreakMs) return TReplyState::Open;
        return EndIsError_ ? TReplyState::Error : TReplyState::Whole;
    }
    if (Refusals_ > 1) return TReplyState::MoreThanOne;
    if (BreakTerminator_) return TReplyState::Open;
    // The line still open begins with the closing word: a device that sends no line break after it.
    const bool error = Rule_.ErrorEnds && LineHoldsError_;
    if (!error && !StartsWithTerminator()) return TReplyState::Open;
    if (SilentMs < Rule_.QuietMs) return TReplyState::Open;
    if (Refusals_ > 0) return TReplyState::MoreThanOne;
    return error ? TReplyState::Error : TReplyState::Whole;
}
