#include "link/SerialLine.h"

#include <algorithm>
#include <cstdint>

namespace {

using platform::LineCounters;
using platform::ModemLines;

struct TModemRow {
    bool ModemLines::*Level;
    std::uint32_t LineCounters::*Changes;
    TDeviceEvent Event;
};

constexpr TModemRow kModemRows[] = {
    {&ModemLines::cts, &LineCounters::cts, deCTS},
    {&ModemLines::dsr, &LineCounters::dsr, deDSR},
    {&ModemLines::rlsd, &LineCounters::rlsd, deRLSD},
    {&ModemLines::ring, &LineCounters::ring, deRing},
};

struct TErrorRow {
    std::uint32_t LineCounters::*Count;
    TLineError Error;
};

constexpr TErrorRow kErrorRows[] = {
    {&LineCounters::breaks, leBreak},
    {&LineCounters::frame, leFrame},
    {&LineCounters::overrun, leOverrun},
    {&LineCounters::parity, leParity},
    {&LineCounters::bufferOverrun, leRxOver},
};

constexpr unsigned char kMarkEscape = 0xFF;

// A ring is one event where the indicator rises; the other lines report every change.
bool Changed(const TModemRow& Row, const ModemLines& Before, const ModemLines& Now)
{
    if (Row.Event == deRing) return Now.ring && !Before.ring;
    return Before.*Row.Level != Now.*Row.Level;
}

}  // namespace

TDeviceEvents TCommLine::Take(std::string_view Raw, bool Dsr)
{
    TDeviceEvents events;
    const std::size_t nearlyFull = Rules_.Size * 8 / 10;
    const bool wasBelow = Queue.size() < nearlyFull;
    Accepting = Dsr || !Rules_.DsrSensitivity;
    for (const char c : Raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (Rules_.Marks)
            Unmark(byte, events);
        else
            Deliver(byte, false, events);
    }
    if (wasBelow && Queue.size() >= nearlyFull) events.Include(deIn80Full);
    UpdateHold();
    return events;
}

// The kernel's marks: \377 \377 is the character \377, \377 \0 \0 a break, \377 \0 c the character c
// received with a parity or framing error. The two look alike, so a marked character counts as a parity
// error; a framing error is also told apart by its own count.
void TCommLine::Unmark(unsigned char C, TDeviceEvents& Events)
{
    switch (Mark) {
    case TMark::None:
        if (C == kMarkEscape)
            Mark = TMark::Escape;
        else
            Deliver(C, false, Events);
        return;
    case TMark::Escape:
        Mark = C == 0 ? TMark::EscapeZero : TMark::None;
        if (C == kMarkEscape) Deliver(C, false, Events);
        if (C != 0 && C != kMarkEscape) {
            // Not a mark at all: both characters as they came.
            Deliver(kMarkEscape, false, Events);
            Deliver(C, false, Events);
        }
        return;
    case TMark::EscapeZero:
        Mark = TMark::None;
        if (C == 0)
            Fail(leBreak, Events);
        else
            Deliver(C, true, Events);
        return;
    }
}

void TCommLine::Deliver(unsigned char C, bool Damaged, TDeviceEvents& Events)
{
    if (Damaged) Fail(leParity, Events);
    if (!Accepting || (Rules_.DiscardNull && C == 0)) return;
    if (Damaged && Rules_.ReplaceErrors) C = Rules_.ErrorChar;
    if (Queue.size() >= Rules_.Size) {
        Errors.Include(leRxOver);
        return;
    }
    Queue.push_back(static_cast<char>(C));
    Events.Include(deChar);
    if (C == Rules_.EventChar) Events.Include(deFlag);
}

void TCommLine::Fail(TLineError Error, TDeviceEvents& Events)
{
    if (Error == leParity && !Rules_.ParityCheck) return;
    Errors.Include(Error);
    if (Error == leBreak) Events.Include(deBreak);
    if (Error == leFrame || Error == leOverrun || Error == leParity) Events.Include(deError);
}

TDeviceEvents TCommLine::Look(const ModemLines& Lines, const std::optional<LineCounters>& Counts)
{
    TDeviceEvents events;
    if (LastLines) {
        for (const TModemRow& row : kModemRows) {
            const bool moved = Counts && LastCounts ? (*Counts).*row.Changes != (*LastCounts).*row.Changes
                                                    : Changed(row, *LastLines, Lines);
            if (moved) events.Include(row.Event);
        }
    }
    if (Counts && LastCounts)
        for (const TErrorRow& row : kErrorRows)
            if ((*Counts).*row.Count != (*LastCounts).*row.Count) Fail(row.Error, events);
    LastLines = Lines;
    if (Counts) LastCounts = Counts;
    return events;
}

std::size_t TCommLine::Read(char* Into, std::size_t Max)
{
    const std::size_t n = std::min(Max, Queue.size());
    std::copy_n(Queue.begin(), n, Into);
    Queue.erase(Queue.begin(), Queue.begin() + static_cast<std::ptrdiff_t>(n));
    UpdateHold();
    return n;
}

void TCommLine::Clear()
{
    Queue.clear();
    Mark = TMark::None;
    UpdateHold();
}

void TCommLine::Reset()
{
    Clear();
    Errors = {};
    Held = false;
    LastLines.reset();
    LastCounts.reset();
}

TLineErrors TCommLine::TakeErrors()
{
    const TLineErrors taken = Errors;
    Errors = {};
    return taken;
}

void TCommLine::UpdateHold()
{
    if (!Held && Room() < Rules_.XoffLimit) Held = true;
    if (Held && Queue.size() <= Rules_.XonLimit) Held = false;
}
