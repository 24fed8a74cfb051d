#pragma once
// The standard controls: labels, edits (edit, spin edit, mask edit, memo), buttons, check boxes,
// radio buttons, combo boxes, list boxes and group boxes.
//
// What code and user input do (ui::Driver is the user):
// - TCheckBox::SetChecked and TRadioButton::SetChecked behave as a click: OnClick runs whenever the
//   state changes, a radio button's only when it becomes checked. Checking a radio button unchecks
//   the other radio buttons of the same parent (without their OnClick). A user's click toggles a
//   check box and checks a radio button (a click on a checked radio button does nothing).
// - Setting an edit's Text from code fires OnChange when the text changes; typing fires OnKeyPress
//   for every character (a filter refuses it by setting the key to 0), then inserts it (honouring
//   MaxLength, ReadOnly and CharCase) and fires OnChange.
// - A combo box's or list box's ItemIndex and Text set from code fire nothing; a user's selection
//   fires OnClick, then OnSelect when assigned, else OnChange. ItemIndex -1 is no selection; an index
//   out of range sets no selection. A sorted combo box places Items().Add alphabetically;
//   Items().Insert puts the item where asked.
// - TButton::Click sets the ModalResult of its form (the button's own ModalResult, also mrNone) and
//   then runs OnClick.
#include <cstdint>
#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/Strings.h"

namespace ui {

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    // On by default: the label takes the size of its caption.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c) { focusControl_ = c; }
    // A word-wrapped label takes the width it is given.
    int CaptionFitWidth() const override;

protected:
    void TextChanged() override;
    void FontUpdated() override { AdjustSize(); }
    // A word-wrapped label keeps its width and takes the height its lines need there.
    void Resized() override;

private:
    void AdjustSize();

    bool adjusting_ = false;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool transparent_ = false;
    TWinControl* focusControl_ = nullptr;
};

// The editing base of edits, spin edits, mask edits and memos. The caret and selection count
// characters, not bytes.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    // 0 = no limit; limits typing only (text set from code is kept whole, as the platform does).
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v) { maxLength_ = v < 0 ? 0 : v; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase v) { charCase_ = v; }
    char32_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char32_t c) { passwordChar_ = c; Changed(ModelChange::Other); }

    int SelStart() const { return selStart_; }
    int SelLength() const { return selLength_; }
    // Clamped to the text.
    void SetSelStart(int v);
    void SetSelLength(int v);
    std::string SelText() const;
    void SelectAll();
    void Clear() { SetText(""); }

    // The character as it reaches the edit after the form's key preview: OnKeyPress, then the edit
    // applies it (Backspace deletes, control characters are ignored).
    void KeyPress(char32_t& key) override;
    // After OnKeyDown: Delete removes the selection, or the character (a memo's line break) after the caret.
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    std::string InputValue() const override { return Text(); }

    std::function<void(TObject* Sender)> OnChange;

protected:
    void TextChanged() override;
    // The Delete key's part (a mask edit deletes nothing).
    virtual void DeleteForward();
    // Applies one typed character that the filters let through.
    virtual void InsertTyped(char32_t key);
    // True when the edit accepts this printable character at all (spin edits take digits only).
    virtual bool AcceptsChar(char32_t) const { return true; }
    // Stores text that typing produced, with the caret after the typed character; OnChange fires.
    void ApplyTyped(const std::u32string& text, int caret);

private:
    bool typing_ = false;
    int maxLength_ = 0;
    bool readOnly_ = false;
    TEditCharCase charCase_ = ecNormal;
    char32_t passwordChar_ = 0;
    int selStart_ = 0;
    int selLength_ = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner);
};

// An edit for a whole number with up and down arrows. Value() reads the text (MinValue when it does not
// convert, held to MinValue .. MaxValue unless the two are equal); typing takes digits, "+" and "-" only; the
// arrow keys step by Increment.
class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TComponent* owner);
    int Value() const;
    void SetValue(int v);
    int MinValue() const { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

protected:
    bool AcceptsChar(char32_t c) const override;

private:
    int Clamp(int v) const;
    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
};

// An edit with an input mask ("!99,99;1;_": mask characters; 1 = the text keeps the literals; the
// blank shown for an empty position). Typing overwrites position by position, skips literals and
// refuses a character that does not fit its position (0 and 9 digits, L and l letters, A and a letters
// or digits, C and c anything, # digits and signs). An empty position reads as a blank in Text. Text
// set from code is kept as given.
class TMaskEdit : public TCustomEdit {
public:
    explicit TMaskEdit(TComponent* owner);
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(std::string mask);
    // The text as shown: empty positions as the mask's blank character.
    std::string EditText() const;

protected:
    void InsertTyped(char32_t key) override;
    void DeleteForward() override {}

private:
    struct Slot {
        bool literal;
        char32_t ch;  // the literal, or the mask character of an input position
    };
    std::u32string Padded() const;
    bool Fits(char32_t maskChar, char32_t c) const;

    std::string editMask_;
    std::vector<Slot> slots_;
    char32_t blank_ = U'_';
};

// A multi-line edit; Lines() and Text are the same content (Text joins the lines with CR LF).
class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;
    TStrings& Lines() { return lines_; }
    const TStrings& Lines() const { return lines_; }
    std::string Text() const override;
    void SetText(std::string text) override;
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v) { scrollBars_ = v; Changed(ModelChange::Other); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v) { wordWrap_ = v; Changed(ModelChange::Other); }

protected:
    void InsertTyped(char32_t key) override;

private:
    TStrings lines_;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool syncing_ = false;
};

// Base of buttons, check boxes and radio buttons.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    virtual bool Checked() const { return false; }
    virtual void SetChecked(bool) {}
    std::string InputValue() const override { return Checked() ? "1" : "0"; }

    // Room a window system's button, check box or radio button takes beside its caption: the push
    // button's frame and padding on both sides; the check mark or radio circle with its spacing.
    static constexpr int ButtonPadding = 18;
    static constexpr int GlyphRoom = 24;
};

// A check box or a radio button: a glyph with the caption beside it. It widens to show a caption that
// would not fit (it never narrows by itself).
class TGlyphCaptionControl : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
    int CaptionFitWidth() const override;

protected:
    void TextChanged() override { FitCaption(); }
    void FontUpdated() override { FitCaption(); }

private:
    void FitCaption();
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v) { modalResult_ = v; }
    // The button Enter presses / Escape presses on its form.
    bool Default() const { return default_; }
    void SetDefault(bool v) { default_ = v; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    void Click() override;
    int CaptionFitWidth() const override;

private:
    TModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A button with a picture; its Kind gives the usual modal result (bkOK -> mrOk, ...).
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    const std::string& Glyph() const { return glyph_; }
    void SetGlyph(std::string resourceName) { glyph_ = std::move(resourceName); Changed(ModelChange::Other); }

private:
    TBitBtnKind kind_ = bkCustom;
    std::string glyph_;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TGlyphCaptionControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const override { return state_ == cbChecked; }
    // Runs OnClick when the state changes.
    void SetChecked(bool checked) override;
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState state);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v) { allowGrayed_ = v; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v) { alignment_ = v; Changed(ModelChange::Other); }
    // The user's click: unchecked -> checked (-> grayed when allowed) -> unchecked.
    void Toggle();
    std::string InputValue() const override { return std::to_string(state_); }

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

// A group is every radio button of the same parent: one Tab stop, its checked button (its first while
// none is checked); the arrow keys move the focus through the group and check the button they reach.
class TRadioButton : public TGlyphCaptionControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const override { return checked_; }
    // Checking unchecks the other radio buttons of the parent and runs OnClick; unchecking runs nothing.
    void SetChecked(bool checked) override;
    bool DialogKey(std::uint16_t key, TShiftState shift) override;
    void SetParent(TWinControl* parent) override;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v) { alignment_ = v; Changed(ModelChange::Other); }

private:
    void MarkGroupTabStop();

    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// Items of a list control: a sorted list control places Add alphabetically, Insert where asked.
class TListItems : public TStrings {
public:
    bool Sorted() const { return sorted_; }
    // Sorts alphabetically (case-insensitive); listeners hear one Reset.
    void Sort();

protected:
    bool SortedAdd() const override { return sorted_; }

private:
    friend class TCustomCombo;
    friend class TListBox;
    bool sorted_ = false;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// What TComboBox and TComboBoxEx share (neither is the other).
class TCustomCombo : public TWinControl {
public:
    explicit TCustomCombo(TComponent* owner);
    ~TCustomCombo() override;

    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    int ItemIndex() const { return itemIndex_; }
    // Out of range (or -1) selects nothing and empties the text; fires nothing.
    void SetItemIndex(int index);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle v);
    // For a drop-down list: the selected item's text. For an editable box: the edit's text, which the
    // selection fills and the user may change.
    std::string Text() const override;
    // Drop-down list: selects the item with that text (no selection when none). Editable: sets the
    // edit's text; the selection stays only when it shows the same text. Fires nothing.
    void SetText(std::string text) override;
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v) { maxLength_ = v < 0 ? 0 : v; }
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int v) { dropDownCount_ = v; }
    bool DroppedDown() const { return droppedDown_; }
    // Opening and closing the list (the user's click on the arrow) fires OnDropDown / OnCloseUp.
    void SetDroppedDown(bool v);
    void Clear();

    // The user's choice of an item: selection, then OnClick, then OnSelect (or OnChange without one).
    void UserSelect(int index);
    // Typing into the edit of an editable box: OnKeyPress, then the edit changes and OnChange fires.
    void KeyPress(char32_t& key) override;
    std::string InputValue() const override { return std::to_string(itemIndex_) + "\n" + Text(); }

    std::function<void(TObject* Sender)> OnChange;
    std::function<void(TObject* Sender)> OnSelect;
    std::function<void(TObject* Sender)> OnDropDown;
    std::function<void(TObject* Sender)> OnCloseUp;

protected:
    void SetSortedItems(bool sorted);
    bool SortedItems() const { return items_.sorted_; }
    virtual void ItemsChanged(TStrings::Change change, int index);

private:
    TListItems items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int maxLength_ = 0;
    int dropDownCount_ = 8;
    bool droppedDown_ = false;
};

class TComboBox : public TCustomCombo {
public:
    explicit TComboBox(TComponent* owner);
    bool Sorted() const { return SortedItems(); }
    // Switching it on sorts the items there are (the selection follows its item).
    void SetSorted(bool sorted) { SetSortedItems(sorted); }
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    ~TListBox() override;
    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    bool Sorted() const { return items_.sorted_; }
    void SetSorted(bool sorted);
    void Clear() { items_.Clear(); }
    // The user's choice: selection, then OnClick.
    void UserSelect(int index);
    std::string InputValue() const override { return std::to_string(itemIndex_); }

private:
    TListItems items_;
    int itemIndex_ = -1;
};

// A framed box with a caption; its children align inside the frame, below the caption.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);
    TRect AlignRect() const override;
    // The caption stands in the top frame line, inset on both sides.
    int CaptionFitWidth() const override;
    static constexpr int CaptionInset = 8;
};

}  // namespace ui
