#include "app/DeviceValues.h"

#include <algorithm>
#include <typeinfo>

#include "app/fIn.h"
#include "kit/KitRadChk.h"
#include "ui/Controls.h"
#include "ui/StdCtrls.h"

namespace {

template <class Unread>
void MarkUnread(const ui::TControl& Control, const std::set<const ui::TControl*>& Read, Unread& unread)
{
    if (!Read.contains(&Control)) unread[&Control] = Control.Liveness();
    if (const auto* parent = ui::As<ui::TWinControl>(&Control))
        for (int i = 0; i < parent->ControlCount(); ++i) MarkUnread(*parent->Controls(i), Read, unread);
}

// A radio button of either kind that holds the check.
bool CheckedRadio(const ui::TControl& Control)
{
    if (const auto* radio = ui::As<ui::TRadioButton>(&Control)) return radio->Checked();
    if (const auto* radio = ui::As<TKitRadioButton>(&Control)) return radio->Checked();
    return false;
}

}  // namespace

void TDeviceValues::GroupRead(const TGroupControls& Group, bool Read)
{
    for (const ui::TControl* control : Group) {
        if (Read) {
            unread_.erase(control);
            readNow_.insert(control);
        } else {
            unread_[control] = control->Liveness();
        }
    }
}

// The page's controls by parent: a page places controls it does not own (the event-mask rows) too.
void TDeviceValues::ReadCutShort(const ui::TControl& Page) { MarkUnread(Page, readNow_, unread_); }

void TDeviceValues::Given(const ui::TControl& Control)
{
    unread_.erase(&Control);
    if (!CheckedRadio(Control) || Control.Parent() == nullptr) return;
    const ui::TWinControl& parent = *Control.Parent();
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (const ui::TControl* c = parent.Controls(i); typeid(*c) == typeid(Control)) unread_.erase(c);
}

bool TDeviceValues::Held(const TGroupControls& Group) const
{
    return !Group.empty() && std::all_of(Group.begin(), Group.end(), [this](const ui::TControl* c) {
               const auto mark = unread_.find(c);
               return mark != unread_.end() && !mark->second.expired();
           });
}

TformIncl* PageOf(const ui::TControl& Control)
{
    for (ui::TControl* c = const_cast<ui::TControl*>(&Control); c != nullptr; c = c->Parent())
        if (auto* page = ui::As<TformIncl>(c)) return page;
    return nullptr;
}

void NoteUserInput(ui::TControl& Control) { NoteValueGiven(Control); }

void NoteValueGiven(const ui::TControl& Control)
{
    if (TformIncl* page = PageOf(Control)) page->DeviceValues.Given(Control);
}

TDeviceValues* DeviceValuesOf(const TGroupControls& Group)
{
    TformIncl* page = Group.empty() ? nullptr : PageOf(*Group.front());
    return page != nullptr ? &page->DeviceValues : nullptr;
}

std::string HeldBackLine(const std::string& Title, const std::string& Reason)
{
    return "Ошибка при записи параметра \"" + Title + "\": " + Reason;
}
