#pragma once
// The user: clicks, keys, selections, focus and the passing of time, delivered to the model as a
// person at the screen would deliver them. Tests use it directly; gui/ delivers Qt's input through it.
//
// Every action is refused (returns false, nothing happens) when the control is not shown, not
// enabled (itself or a parent), or in a window that a modal form blocks. Handlers run by an action
// send exceptions that escape them to Application::HandleException; the action then returns true
// (it was delivered).
//
// Keys: PressKey looks for a menu shortcut of the form first; then the forms that hold the control
// and have KeyPreview on see OnKeyDown (the outermost first), then the control; a key set to 0 stops
// there. The control then sees the key as a dialog key (TControl::DialogKey); Tab then moves the focus
// on in the form's tab order (Shift+Tab back); Enter and Escape are next offered to the other controls
// of the form, and press the form's Default / Cancel button (Enter in a window without a default button
// presses the focused button). TypeText sends each character
// as a key-down (letters and digits as their key codes) followed by a key press: the forms with
// KeyPreview see OnKeyPress first, then the control's OnKeyPress (a filter sets the key to 0), then the
// edit inserts it. Backspace is "\b".
//
// An input that set a value is reported to the application's OnUserInput after it ran, once for each
// control whose value (TControl::InputValue) it changed: the control it went to, and those of the same
// class beside it (a radio button checked unchecks the others; the arrows check the next one). Inputs
// are clicks (not into an edit or a combo box, which only takes the focus), a mouse button released over
// a painted control, typed characters, keys pressed and released, picks in a list. Tab, Enter and Escape
// set nothing, nor does what the control that lost the focus did on leaving. An input that leaves every
// value as it was (Backspace in an empty field, a character a key filter threw away, a click on the
// checked radio button) is no input.
#include <cstdint>
#include <functional>
#include <string_view>

#include "ui/Types.h"

namespace ui {

class Application;
class TObject;
class TControl;
class TCustomCombo;
class TForm;
class TListBox;
class TMenuItem;
class TStringGrid;
class TTreeNode;
class TTreeView;
class TWinControl;

class Driver {
public:
    Driver();
    explicit Driver(Application& app);

    // A click: a window control that takes the focus gets it first (OnExit of the one that had it);
    // a check box toggles, a radio button is checked, a button clicks (and sets its form's
    // ModalResult), a check tool button toggles Down; then OnClick.
    bool Click(TControl& control);
    bool Click(TMenuItem& item);
    bool DblClick(TControl& control);
    bool MouseDown(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
    bool MouseUp(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
    bool MouseMove(TControl& control, TShiftState shift, int x, int y);
    // wheelDelta: 120 a notch, positive away from the user.
    bool MouseWheel(TControl& control, int wheelDelta, TShiftState shift = {}, int x = 0, int y = 0);
    bool MouseEnter(TControl& control);
    bool MouseLeave(TControl& control);

    // Focuses the control, then types the UTF-8 text character by character.
    bool TypeText(TWinControl& control, std::string_view utf8);
    bool TypeChar(TWinControl& control, char32_t ch);
    bool PressKey(TWinControl& control, std::uint16_t key, TShiftState shift = {});
    // The key going up again (KeyUp of the control; buttons click on the space bar's release).
    bool ReleaseKey(TWinControl& control, std::uint16_t key, TShiftState shift = {});
    // Alt and a character on the form: the first control (in the form's control order) whose caption
    // has it as its accelerator acts on it. False when none did.
    bool PressAccelerator(TForm& form, char32_t ch);

    bool Select(TCustomCombo& combo, int index);
    bool Select(TListBox& list, int index);
    bool SelectNode(TTreeView& tree, TTreeNode* node);
    bool SelectCell(TStringGrid& grid, int col, int row);
    bool DropDown(TCustomCombo& combo, bool open);

    // Moves the focus (activating the control's form); OnExit of the old control, OnEnter of the new.
    bool Focus(TWinControl& control);
    // The close box of a form (Close: OnCloseQuery, OnClose).
    bool CloseForm(TForm& form);
    bool Activate(TForm& form);

    // Moves the application's ManualClock on by ms, one millisecond at a time, running the event pump
    // at every step (so timers fire at their times). Throws std::logic_error when the clock is not a
    // ManualClock.
    void Advance(std::uint64_t ms);
    // One round of the event pump.
    void Pump();

private:
    bool Accepts(const TControl& control) const;
    bool Deliver(TObject* sender, const std::function<void()>& action);
    // Delivers an action that sets the control's value, then tells the application's OnUserInput.
    bool DeliverInput(TControl& control, const std::function<void()>& action);
    static bool ClickSetsValue(const TControl& control);
    static bool MovesAbout(std::uint16_t key);
    void KeyDownPath(TWinControl& control, std::uint16_t& key, TShiftState shift);
    void DialogKey(TWinControl& control, std::uint16_t key, TShiftState shift);

    Application& app_;
};

// The key code a character's key reports (0 for characters without a key of their own).
std::uint16_t KeyCodeOf(char32_t ch);

}  // namespace ui
