#pragma once
// What a page shows that the device did not give: the controls of a parameter group whose last read
// failed (or was never reached because the read ended early) hold no device value. A write does not send
// such a group until one of its controls is given a value: the user changes it (typing, picking,
// clicking; an input that leaves the value as it was gives nothing), a file holds its key, or the
// factory defaults change it (a control without a key or a default stays without). A successful
// read gives the group a device value again. A page that was never read (filled from a file at start)
// holds nothing of the kind: every group is sent.
//
// A group is the controls its value lives in, as the page routines name them in their read and in their
// write; the same controls in both tie the two together. Every page routine goes through ReadDone and
// MaySend, where the marks are set and tested; a write that derives one value from another (the reserve
// server from the main one, the engineer flag from the numbers, the channels' directions from those
// before them) asks Held too, so that nothing is made up from a value the device did not give.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/LogWriter.h"

namespace ui {
class TControl;
}  // namespace ui

class TformIncl;

using TGroupControls = std::vector<const ui::TControl*>;

class TDeviceValues {
public:
    // A held-back group's line in the error list and the log: the write error's form with this reason.
    static constexpr const char* HeldBackReason = "не записан, так как не был прочитан с устройства";

    // A read of the page begins: what it reads from now on is known to be read by it.
    void BeginRead() { readNow_.clear(); }
    // One group's read ended: read, its controls hold a device value; failed, they hold none.
    void GroupRead(const TGroupControls& Group, bool Read);
    // The read ended before its last group: every control of the page that it did not read holds none.
    void ReadCutShort(const ui::TControl& Page);
    // The user set the control, or a file or the factory defaults gave it its value. A radio button
    // given the check settles its whole choice: every radio button of its kind beside it.
    void Given(const ui::TControl& Control);
    // No control of the group holds a value that the device gave or the user set.
    bool Held(const TGroupControls& Group) const;

private:
    // A control the page frees and makes anew (the event-mask rows) is another control.
    std::map<const ui::TControl*, std::weak_ptr<void>> unread_;
    std::set<const ui::TControl*> readNow_;
};

// The page a control sits on (nullptr for one outside every page).
TformIncl* PageOf(const ui::TControl& Control);
// The application's user-input report, routed to the page of the control.
void NoteUserInput(ui::TControl& Control);
// A file or the factory defaults gave the control its value: routed to the page it is on.
void NoteValueGiven(const ui::TControl& Control);

// After one group's read (Steps: the device controller or a page routine's steps): a failure is listed
// under Title and leaves the group without a device value; a success gives it one. Returns Read.
template <class Steps>
bool ReadDone(Steps& S, const std::string& Title, const TGroupControls& Group, bool Read);
// Before one group's write: false, with the group named in the error list and the log as held back, when
// it holds no device value.
template <class Steps>
bool MaySend(Steps& S, const std::string& Title, const TGroupControls& Group);
// Names a group held back, for the reason given (its own value not read, by default).
template <class Steps>
void NameHeldBack(Steps& S, const std::string& Title, const std::string& Reason = TDeviceValues::HeldBackReason);

// ------------------------------------------------------------------ implementation

TDeviceValues* DeviceValuesOf(const TGroupControls& Group);
std::string HeldBackLine(const std::string& Title, const std::string& Reason);

template <class Steps>
bool ReadDone(Steps& S, const std::string& Title, const TGroupControls& Group, bool Read)
{
    if (!Read) S.AddReadError(Title);
    if (TDeviceValues* values = DeviceValuesOf(Group)) values->GroupRead(Group, Read);
    return Read;
}

template <class Steps>
bool MaySend(Steps& S, const std::string& Title, const TGroupControls& Group)
{
    const TDeviceValues* values = DeviceValuesOf(Group);
    if (values == nullptr || !values->Held(Group)) return true;
    NameHeldBack(S, Title);
    return false;
}

template <class Steps>
void NameHeldBack(Steps& S, const std::string& Title, const std::string& Reason)
{
    S.AddWriteErrorDetail(Title, Reason);
    if (TLogWriter* log = S.Log()) log->AddError(HeldBackLine(Title, Reason));
}
