#pragma once
// Controls: components with a parent, bounds, visibility, enabled state, caption, font and colour, and
// the user-input events. TWinControl can hold child controls, take the focus and receive keys.
//
// Conventions of the whole model:
// - A property is a getter and a setter named after it: Caption()/SetCaption(), Enabled()/SetEnabled().
// - Setters store a value only when it differs and then tell the model observer (gui/).
// - Events are public std::function members with the platform's names; the sender comes first.
// - Setters called from code run their handlers directly and let the handlers' exceptions reach the
//   caller, as the platform does. Handlers run for user input (ui::Driver, gui/) send exceptions that
//   escape to Application::HandleException instead.
// - Enabled() and Visible() are a control's own flags; EffectivelyEnabled() and Showing() include the
//   parent chain.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "ui/CanvasFont.h"
#include "ui/Component.h"
#include "ui/Observer.h"
#include "ui/Types.h"

namespace ui {

class Canvas;
class TForm;
class TPopupMenu;
class TWinControl;

// A control's font. Changing any of it notifies the owning control (its OnChange).
class TFont {
public:
    TFont();
    TFont(const TFont& other);
    TFont& operator=(const TFont& other);

    const std::string& Name() const { return name_; }
    void SetName(std::string name);
    // Points; Height is in pixels at 96 dots per inch, negative for the character height.
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int pixels);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    // Copies name, height, colour and style, with one change notification.
    void Assign(const TFont& other);
    bool SameAs(const TFont& other) const;

    std::function<void()> OnChange;

private:
    void Changed();

    std::string name_;
    int height_;
    TColor color_;
    TFontStyles style_;
};

// The smallest and largest size a control takes (0: no limit). SetBounds holds every size to them,
// whoever asks: the user's resizing of a window, an alignment, the program.
class TSizeConstraints {
public:
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int v) { Set(minWidth_, v); }
    void SetMinHeight(int v) { Set(minHeight_, v); }
    void SetMaxWidth(int v) { Set(maxWidth_, v); }
    void SetMaxHeight(int v) { Set(maxHeight_, v); }
    int HoldWidth(int width) const { return Hold(width, minWidth_, maxWidth_); }
    int HoldHeight(int height) const { return Hold(height, minHeight_, maxHeight_); }

    std::function<void()> OnChange;

private:
    void Set(int& field, int v);
    static int Hold(int size, int min, int max);

    int minWidth_ = 0;
    int minHeight_ = 0;
    int maxWidth_ = 0;
    int maxHeight_ = 0;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    // Moves the control into a new parent (appended on top of its siblings); nullptr detaches it.
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    // Negative sizes become 0. A size change fires OnResize and realigns the children.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // The inside of the control, from (0, 0). The model has no borders: it is the whole size.
    virtual TRect ClientRect() const { return Rect(0, 0, width_, height_); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int v) { SetWidth(v); }
    void SetClientHeight(int v) { SetHeight(v); }
    // The control's top-left corner in the coordinates of its top-level form.
    TPoint FormOrigin() const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    // A change takes effect at once (the control's size is held to the new limits).
    TSizeConstraints& Constraints() { return constraints_; }
    const TSizeConstraints& Constraints() const { return constraints_; }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent visible (a top-level form counts when it is visible itself).
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Enabled, and every parent enabled.
    bool EffectivelyEnabled() const;

    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    // Caption and Text are the same string (the platform's window text). For edits it is the content;
    // setting it from code fires the edit's OnChange when it changes.
    const std::string& Caption() const { return text_; }
    void SetCaption(std::string caption) { SetText(std::move(caption)); }
    virtual std::string Text() const { return text_; }
    virtual void SetText(std::string text);

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font) { font_.Assign(font); }
    // True while the control follows its parent's font; changing Font() switches it off.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool follow);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool follow);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    // Runs OnClick (public: the program clicks buttons from code). Buttons and check boxes add their
    // own behaviour.
    virtual void Click();
    void DblClick();

    // Asks whoever shows the control to repaint it.
    void Invalidate();
    void Repaint() { Invalidate(); }
    void Refresh() { Invalidate(); }
    void Update() {}
    void BringToFront();
    void SendToBack();

    // The top-most form that holds the control (itself for a form without a parent); nullptr when the
    // control is in no form. An embedded page belongs to the window that holds it.
    TForm* TopForm() const;

    std::function<void(TObject* Sender)> OnClick;
    std::function<void(TObject* Sender)> OnDblClick;
    std::function<void(TObject* Sender)> OnResize;
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(TObject* Sender)> OnMouseEnter;
    std::function<void(TObject* Sender)> OnMouseLeave;

    // The mouse handlers as the user's input reaches them (ui::Driver and gui/ call these); controls
    // that react to the mouse themselves (kit widgets) override them and call the base.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // The wheel turned by wheelDelta (120 a notch, positive away from the user) over the control, with
    // Shift for a sideways scroll; true when the control scrolls. The base scrolls nothing.
    virtual bool MouseWheel(TShiftState shift, int wheelDelta, int x, int y);

    // Tells the model observer (gui/) that something it shows changed.
    void Changed(ModelChange what);

    // The width the control needs to show its caption whole, as the font draws it; 0 for a control
    // whose size does not follow a caption. The layout helper makes no control narrower than this.
    virtual int CaptionFitWidth() const { return 0; }

    // What the user sets through the control, as text (an edit's text, a box's state, a list's choice);
    // empty for a control that holds nothing the user sets. ui::Driver compares it before and after an
    // input to tell whether the input set anything.
    virtual std::string InputValue() const { return {}; }

protected:
    virtual void TextChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    virtual void Resized() {}
    virtual void FontUpdated() {}
    virtual void ParentFontChanged(const TFont& parentFont);
    virtual void ParentColorChanged(TColor parentColor);
    void SetDefaultSize(int width, int height);
    // The initial visibility, set by a constructor without events.
    void SetInitialVisible(bool visible) { visible_ = visible; }
    // Sets the text without the TextChanged hook (for controls that keep their own text rules).
    void StoreText(std::string text);

private:
    friend class TWinControl;
    void FontChanged();

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    std::string hint_;
    bool showHint_ = false;
    std::string text_;
    TFont font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TCursor cursor_ = crDefault;
    TPopupMenu* popupMenu_ = nullptr;
    TSizeConstraints constraints_;

    // --- dialog keys, accelerators and focus announcements (the kit's buttons answer them) ---
public:
    // A dialog key (Enter, Escape, an arrow) that the focused control left alone: the focused control
    // is asked first, then, for Enter and Escape, every control of its form in order. True takes it.
    virtual bool DialogKey(std::uint16_t /*key*/, TShiftState /*shift*/) { return false; }
    // Alt and a character: true when the caption has it as its accelerator and the control acted on it.
    virtual bool DialogChar(char32_t /*ch*/) { return false; }
    // The form's focus went to `focused` (nullptr: to no control); every control of the form hears it.
    virtual void FocusAnnounced(TWinControl* /*focused*/) {}

protected:
    // After Align changed (the parent has realigned already).
    virtual void AlignChanged() {}
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // Child controls in z-order (the first is at the bottom); not the same list as Components.
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    bool ContainsControl(const TControl* control) const;

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v) { tabStop_ = v; }

    // Moves the focus here: OnExit of the control that had it, then OnEnter of this one. A container
    // that hides the control is first asked to show it (ShowControl); a control that still cannot take
    // the focus (hidden, disabled, or in no form) is left alone instead of raising.
    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;

    // The rectangle the aligned children share (group boxes leave room for their caption).
    virtual TRect AlignRect() const { return ClientRect(); }
    // Places the children whose Align is not alNone: top and bottom ones take the full width in
    // z-order, then left and right ones the height left, then the alClient ones the rest; then runs the
    // arrangement, if any.
    void Realign();
    // Places the children that no Align places (ui::Layout sets it). It runs now, after the aligned
    // children at every Realign, and again whenever a child is shown, hidden or resized.
    void SetArrangement(std::function<void()> arrange);
    bool HasArrangement() const { return static_cast<bool>(arrangement_); }

    std::function<void(TObject* Sender)> OnEnter;
    std::function<void(TObject* Sender)> OnExit;
    std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)> OnKeyDown;
    std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)> OnKeyUp;
    // Key is a Unicode character; a filter refuses it by setting it to 0.
    std::function<void(TObject* Sender, char32_t& Key)> OnKeyPress;

    // The keyboard as the user's input reaches the control (after the form's key preview). Edits
    // override KeyPress to insert the character.
    virtual void KeyDown(std::uint16_t& key, TShiftState shift);
    virtual void KeyUp(std::uint16_t& key, TShiftState shift);
    virtual void KeyPress(char32_t& key);
    virtual void DoEnter();
    virtual void DoExit();

    // --- tab order: the order in which Tab visits the window controls ---
    // The place among the parent's window controls (0 first; -1 without a parent). Children come in
    // the order they were placed; setting a place moves the control there and the others along.
    int TabOrder() const;
    void SetTabOrder(int order);
    // Every window control inside, in the order Tab visits them: each child followed by its own.
    std::vector<TWinControl*> TabOrderList() const;
    // The control Tab (goForward) or Shift+Tab reaches from `current` (nullptr: from the start),
    // wrapping around: one that can take the focus, a tab stop when checkTabStop, a direct child when
    // checkParent. nullptr when there is none.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
    // Focuses the next control as Tab does (checkTabStop) or as the arrow keys do (children only).
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    // Focuses the first tab stop inside (else the first control that can take the focus).
    void SelectFirst();
    // Asked to show a child that the focus is moving into; a container that hides its children (the
    // kit's splitter panes) shows it. The base passes the request to the parent.
    virtual void ShowControl(TControl* control);

protected:
    void Resized() override;
    // A child came or went.
    virtual void ControlsChanged() {}

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    std::function<void()> arrangement_;
    bool tabStop_ = false;
    bool aligning_ = false;
    bool destroying_ = false;
};

// Controls that paint themselves (the kit's widgets derive from these). Paint draws the whole control
// on the canvas it is given; PaintTo is how gui/ and tests ask for it. PaintCanvas() is that canvas
// while Paint (and the handlers it calls) run, nullptr otherwise.
class TCustomControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    void PaintTo(Canvas& canvas);
    Canvas* PaintCanvas() const { return paintCanvas_; }
    std::function<void(TObject* Sender)> OnPaint;

protected:
    virtual void Paint(Canvas& canvas);

private:
    Canvas* paintCanvas_ = nullptr;
};

class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    void PaintTo(Canvas& canvas);
    Canvas* PaintCanvas() const { return paintCanvas_; }
    std::function<void(TObject* Sender)> OnPaint;

protected:
    virtual void Paint(Canvas& canvas);

private:
    Canvas* paintCanvas_ = nullptr;
};

// The font as the canvas (and so the real window) draws it.
FontDesc CanvasFontOf(const TFont& font);
// A caption's size in pixels as it is drawn in the font: the widest of its lines and the height of
// all of them. An accelerator's "&" takes no room ("&&" shows one), "\r\n" breaks a line, and with a
// wrap width above 0 so does a word that would cross it.
TSize TextExtent(std::string_view utf8, const TFont& font, int wrapWidth = 0);
// The width of TextExtent, and the height of one line of the font.
int TextWidthEstimate(std::string_view utf8, const TFont& font);
int TextHeightEstimate(const TFont& font);

}  // namespace ui
