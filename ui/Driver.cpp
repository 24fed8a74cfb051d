#include "ui/Driver.h"

#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace ui {

namespace {

// The forms that hold the control, the outermost first (the control itself left out).
std::vector<TForm*> EnclosingForms(const TControl& control)
{
    std::vector<TForm*> forms;
    for (TWinControl* p = control.Parent(); p != nullptr; p = p->Parent())
        if (auto* form = dynamic_cast<TForm*>(p)) forms.insert(forms.begin(), form);
    return forms;
}

TButton* FindButton(const TWinControl& root, bool wantDefault)
{
    for (int i = 0; i < root.ControlCount(); ++i) {
        TControl* c = root.Controls(i);
        if (auto* button = dynamic_cast<TButton*>(c)) {
            const bool match = wantDefault ? button->Default() : button->Cancel();
            if (match && button->Showing() && button->EffectivelyEnabled()) return button;
        }
        if (auto* container = dynamic_cast<TWinControl*>(c))
            if (TButton* found = FindButton(*container, wantDefault)) return found;
    }
    return nullptr;
}

// Offers the key to the controls other than `skip` that answer dialog keys themselves (the standard
// buttons are looked for afterwards).
bool OfferDialogKey(const TWinControl& root, const TControl& skip, std::uint16_t key, TShiftState shift)
{
    for (int i = 0; i < root.ControlCount(); ++i) {
        TControl* c = root.Controls(i);
        if (c != &skip && c->DialogKey(key, shift)) return true;
        if (auto* container = dynamic_cast<TWinControl*>(c))
            if (OfferDialogKey(*container, skip, key, shift)) return true;
    }
    return false;
}

bool OfferDialogChar(const TWinControl& root, char32_t ch)
{
    for (int i = 0; i < root.ControlCount(); ++i) {
        TControl* c = root.Controls(i);
        if (c->Showing() && c->EffectivelyEnabled() && c->DialogChar(ch)) return true;
        if (auto* container = dynamic_cast<TWinControl*>(c))
            if (OfferDialogChar(*container, ch)) return true;
    }
    return false;
}

// The value of a control as an input found it.
struct Before {
    TControl* control;
    std::weak_ptr<void> alive;
    std::string value;
};

// The control and the others of its class beside it: an input on one (a radio button checked, the
// arrows through a group) may set another.
std::vector<Before> ValuesAround(TControl& control)
{
    std::vector<Before> values{{&control, control.Liveness(), control.InputValue()}};
    if (const TWinControl* parent = control.Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (TControl* c = parent->Controls(i); c != &control && typeid(*c) == typeid(control))
                values.push_back({c, c->Liveness(), c->InputValue()});
    return values;
}

}  // namespace

std::uint16_t KeyCodeOf(char32_t ch)
{
    if (ch >= U'a' && ch <= U'z') return static_cast<std::uint16_t>(ch - 32);
    if ((ch >= U'A' && ch <= U'Z') || (ch >= U'0' && ch <= U'9')) return static_cast<std::uint16_t>(ch);
    switch (ch) {
    case U'\b': return VK_BACK;
    case U'\t': return VK_TAB;
    case U'\r': return VK_RETURN;
    case U'\x1b': return VK_ESCAPE;
    case U' ': return VK_SPACE;
    default: return 0;
    }
}

Driver::Driver() : app_(App()) {}
Driver::Driver(Application& app) : app_(app) {}

bool Driver::Accepts(const TControl& control) const
{
    return control.Showing() && control.EffectivelyEnabled() && app_.AcceptsInput(control);
}

bool Driver::Deliver(TObject* sender, const std::function<void()>& action)
{
    app_.Guard(sender, action);
    return true;
}

// A click into a field only gives it the focus: its value is set by typing or picking.
bool Driver::ClickSetsValue(const TControl& control) { return !Is<TCustomEdit>(&control) && !Is<TCustomCombo>(&control); }

bool Driver::DeliverInput(TControl& control, const std::function<void()>& action)
{
    std::vector<Before> before = ValuesAround(control);
    // A control the input took the focus from changed by its own exit handler, not by the input.
    const TControl* left = app_.FocusedControl();
    Deliver(&control, action);
    if (!app_.OnUserInput) return true;
    const bool leftBehind = left != &control && left != app_.FocusedControl();
    for (const Before& b : before) {
        if (b.alive.expired() || (leftBehind && b.control == left)) continue;
        if (b.control->InputValue() != b.value) app_.Guard(b.control, [&] { app_.OnUserInput(*b.control); });
    }
    return true;
}

bool Driver::Click(TControl& control)
{
    if (!Accepts(control)) return false;
    const auto click = [&] {
        std::weak_ptr<void> alive = control.Liveness();
        // A radio button is a tab stop only while checked, but a click focuses it all the same.
        if (auto* win = dynamic_cast<TWinControl*>(&control); win != nullptr && (win->TabStop() || Is<TRadioButton>(win))) {
            if (TForm* form = win->TopForm()) {
                form->Activate();
                win->SetFocus();
            }
        }
        if (alive.expired()) return;
        if (auto* check = dynamic_cast<TCheckBox*>(&control)) {
            check->Toggle();
        } else if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
            radio->SetChecked(true);
        } else if (auto* tool = dynamic_cast<TToolButton*>(&control)) {
            if (tool->Style() == tbsSeparator || tool->Style() == tbsDivider) return;
            if (tool->Style() == tbsCheck) tool->SetDown(!tool->Down());
            tool->Click();
        } else {
            control.Click();
        }
    };
    return ClickSetsValue(control) ? DeliverInput(control, click) : Deliver(&control, click);
}

bool Driver::Click(TMenuItem& item)
{
    if (!item.EffectivelyEnabled()) return false;
    if (TMenu* menu = item.GetParentMenu()) {
        if (auto* form = dynamic_cast<TForm*>(menu->Owner()); form != nullptr && !app_.AcceptsInput(*form)) return false;
    }
    return Deliver(&item, [&] { item.Click(); });
}

bool Driver::DblClick(TControl& control)
{
    if (!Accepts(control)) return false;
    return Deliver(&control, [&] { control.DblClick(); });
}

bool Driver::MouseDown(TControl& control, TMouseButton button, TShiftState shift, int x, int y)
{
    if (!Accepts(control)) return false;
    return Deliver(&control, [&] { control.MouseDown(button, shift, x, y); });
}

// The painted controls (the kit's radio buttons) take their clicks from the mouse.
bool Driver::MouseUp(TControl& control, TMouseButton button, TShiftState shift, int x, int y)
{
    if (!Accepts(control)) return false;
    const auto up = [&] { control.MouseUp(button, shift, x, y); };
    return ClickSetsValue(control) ? DeliverInput(control, up) : Deliver(&control, up);
}

bool Driver::MouseMove(TControl& control, TShiftState shift, int x, int y)
{
    if (!Accepts(control)) return false;
    return Deliver(&control, [&] { control.MouseMove(shift, x, y); });
}

bool Driver::MouseWheel(TControl& control, int wheelDelta, TShiftState shift, int x, int y)
{
    if (!Accepts(control)) return false;
    return Deliver(&control, [&] { control.MouseWheel(shift, wheelDelta, x, y); });
}

bool Driver::MouseEnter(TControl& control)
{
    if (!control.Showing()) return false;
    return Deliver(&control, [&] { control.MouseEnter(); });
}

bool Driver::MouseLeave(TControl& control)
{
    return Deliver(&control, [&] { control.MouseLeave(); });
}

bool Driver::Focus(TWinControl& control)
{
    if (!Accepts(control) || !control.CanFocus()) return false;
    return Deliver(&control, [&] {
        TForm* form = control.TopForm();
        form->Activate();
        form->SetActiveControl(&control);
    });
}

bool Driver::Activate(TForm& form)
{
    if (!form.Showing() || !app_.AcceptsInput(form)) return false;
    return Deliver(&form, [&] { form.Activate(); });
}

bool Driver::CloseForm(TForm& form)
{
    if (!form.Showing() || !app_.AcceptsInput(form)) return false;
    return Deliver(&form, [&] { form.Close(); });
}

void Driver::KeyDownPath(TWinControl& control, std::uint16_t& key, TShiftState shift)
{
    for (TForm* form : EnclosingForms(control)) {
        if (!form->KeyPreview()) continue;
        form->KeyDown(key, shift);
        if (key == 0) return;
    }
    control.KeyDown(key, shift);
}

void Driver::DialogKey(TWinControl& control, std::uint16_t key, TShiftState shift)
{
    if (Is<TMemo>(&control)) return;
    std::weak_ptr<void> alive = control.Liveness();
    if (control.DialogKey(key, shift) || alive.expired()) return;
    if (key == VK_TAB && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl)) {
        if (TForm* form = control.TopForm()) form->SelectNext(&control, !shift.Contains(ssShift), true);
        return;
    }
    if (key != VK_RETURN && key != VK_ESCAPE) return;
    TForm* form = control.TopForm();
    if (form == nullptr) return;
    if (OfferDialogKey(*form, control, key, shift)) return;
    if (TButton* button = FindButton(*form, key == VK_RETURN)) {
        button->Click();
        return;
    }
    // Enter presses the window's default button wherever the focus is; in a window without one it
    // presses the button that has the focus.
    if (auto* focused = dynamic_cast<TButton*>(&control); focused != nullptr && key == VK_RETURN) focused->Click();
}

bool Driver::PressKey(TWinControl& control, std::uint16_t key, TShiftState shift)
{
    if (!Accepts(control)) return false;
    const auto press = [&] {
        TForm* form = control.TopForm();
        if (form != nullptr && form->Menu() != nullptr && form->Menu()->IsShortCut(key, shift)) return;
        std::uint16_t k = key;
        std::weak_ptr<void> alive = control.Liveness();
        KeyDownPath(control, k, shift);
        if (k != 0 && !alive.expired()) DialogKey(control, k, shift);
    };
    return MovesAbout(key) ? Deliver(&control, press) : DeliverInput(control, press);
}

bool Driver::ReleaseKey(TWinControl& control, std::uint16_t key, TShiftState shift)
{
    if (!Accepts(control)) return false;
    const auto release = [&] {
        std::uint16_t k = key;
        control.KeyUp(k, shift);
    };
    return MovesAbout(key) ? Deliver(&control, release) : DeliverInput(control, release);
}

// What leaves a field or a window sets nothing, whatever the handlers of leaving do.
bool Driver::MovesAbout(std::uint16_t key) { return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

bool Driver::PressAccelerator(TForm& form, char32_t ch)
{
    if (!form.Showing() || !app_.AcceptsInput(form)) return false;
    bool taken = false;
    Deliver(&form, [&] { taken = OfferDialogChar(form, ch); });
    return taken;
}

bool Driver::TypeChar(TWinControl& control, char32_t ch)
{
    if (!Accepts(control)) return false;
    const auto type = [&] {
        std::weak_ptr<void> alive = control.Liveness();
        TShiftState shift;
        if (ch >= U'A' && ch <= U'Z') shift.Include(ssShift);
        std::uint16_t key = KeyCodeOf(ch);
        KeyDownPath(control, key, shift);
        if (alive.expired()) return;
        char32_t c = ch;
        for (TForm* form : EnclosingForms(control)) {
            if (!form->KeyPreview()) continue;
            form->KeyPress(c);
            if (c == 0 || alive.expired()) return;
        }
        control.KeyPress(c);
        if (key != 0 && !alive.expired() && (ch == U'\r' || ch == U'\x1b')) DialogKey(control, key, shift);
    };
    // Enter and Escape are no text.
    return ch >= U' ' || ch == U'\b' ? DeliverInput(control, type) : Deliver(&control, type);
}

bool Driver::TypeText(TWinControl& control, std::string_view utf8)
{
    if (!Accepts(control)) return false;
    if (control.CanFocus() && !control.Focused()) Focus(control);
    std::weak_ptr<void> alive = control.Liveness();
    for (char32_t ch : platform::DecodeUtf8(utf8)) {
        if (alive.expired() || !Accepts(control)) return false;
        TypeChar(control, ch);
    }
    return true;
}

bool Driver::Select(TCustomCombo& combo, int index)
{
    if (!Accepts(combo) || index < 0 || index >= combo.Items().Count()) return false;
    if (combo.CanFocus() && !combo.Focused()) Focus(combo);
    return DeliverInput(combo, [&] { combo.UserSelect(index); });
}

bool Driver::Select(TListBox& list, int index)
{
    if (!Accepts(list) || index < 0 || index >= list.Items().Count()) return false;
    if (list.CanFocus() && !list.Focused()) Focus(list);
    return DeliverInput(list, [&] { list.UserSelect(index); });
}

bool Driver::SelectNode(TTreeView& tree, TTreeNode* node)
{
    if (!Accepts(tree) || (node != nullptr && node->TreeView() != &tree)) return false;
    if (tree.CanFocus() && !tree.Focused()) Focus(tree);
    return Deliver(&tree, [&] { tree.SetSelected(node); });
}

bool Driver::SelectCell(TStringGrid& grid, int col, int row)
{
    if (!Accepts(grid)) return false;
    if (grid.CanFocus() && !grid.Focused()) Focus(grid);
    return DeliverInput(grid, [&] { grid.UserSelectCell(col, row); });
}

bool Driver::DropDown(TCustomCombo& combo, bool open)
{
    if (!Accepts(combo)) return false;
    return Deliver(&combo, [&] { combo.SetDroppedDown(open); });
}

void Driver::Advance(std::uint64_t ms)
{
    auto* clock = dynamic_cast<platform::ManualClock*>(&app_.Clock());
    if (clock == nullptr) throw std::logic_error("Driver::Advance needs a ManualClock");
    app_.ProcessMessages();
    for (std::uint64_t i = 0; i < ms; ++i) {
        clock->Advance(1);
        app_.ProcessMessages();
    }
}

void Driver::Pump() { app_.ProcessMessages(); }

}  // namespace ui
