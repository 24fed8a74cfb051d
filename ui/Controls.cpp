#include "ui/Controls.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "platform/Text.h"
#include "ui/Canvas.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace ui {

// ---------------------------------------------------------------- TFont

TFont::TFont() : name_("Tahoma"), height_(-11), color_(clWindowText) {}

TFont::TFont(const TFont& other)
    : name_(other.name_), height_(other.height_), color_(other.color_), style_(other.style_)
{
}

TFont& TFont::operator=(const TFont& other)
{
    Assign(other);
    return *this;
}

void TFont::Changed()
{
    if (OnChange) {
        auto copy = OnChange;
        copy();
    }
}

void TFont::SetName(std::string name)
{
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}

int TFont::Size() const { return static_cast<int>(std::lround(-height_ * 72.0 / 96.0)); }

void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * 96.0 / 72.0))); }

void TFont::SetHeight(int pixels)
{
    if (pixels == height_) return;
    height_ = pixels;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == style_) return;
    style_ = style;
    Changed();
}

bool TFont::SameAs(const TFont& o) const
{
    return name_ == o.name_ && height_ == o.height_ && color_ == o.color_ && style_ == o.style_;
}

void TFont::Assign(const TFont& other)
{
    if (SameAs(other)) return;
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    Changed();
}

FontDesc CanvasFontOf(const TFont& font)
{
    FontDesc desc;
    desc.name = font.Name();
    desc.height = font.Height() < 0 ? -font.Height() : std::max(1, font.Height() * 3 / 4);
    desc.bold = font.Style().Contains(fsBold);
    desc.italic = font.Style().Contains(fsItalic);
    desc.underline = font.Style().Contains(fsUnderline);
    desc.strikeOut = font.Style().Contains(fsStrikeOut);
    desc.color = font.Color();
    return desc;
}

namespace {

// Without the font files nothing can be measured: an average character width from the height keeps
// the model usable (headless tools), if less exact.
TSize GuessedExtent(std::string_view utf8, const FontDesc& font)
{
    int lines = 1;
    std::size_t widest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = utf8.find('\n', start);
        widest = std::max(widest, platform::Utf8Length(utf8.substr(start, end - start)));
        if (end == std::string_view::npos) break;
        ++lines;
        start = end + 1;
    }
    const double perChar = font.height * (font.bold ? 0.7 : 0.64);
    return {static_cast<int>(std::ceil(static_cast<double>(widest) * perChar)),
            lines * (font.height + font.height / 4 + 1)};
}

}  // namespace

TSize TextExtent(std::string_view utf8, const TFont& font, int wrapWidth)
{
    const FontDesc desc = CanvasFontOf(font);
    std::string text(utf8);
    std::erase(text, '\r');
    try {
        Canvas probe(0, 0);
        probe.font = desc;
        TRect r{0, 0, std::max(0, wrapWidth), 0};
        probe.drawText(r, text, tfExpandTabs | tfCalcRect | (wrapWidth > 0 ? tfWordBreak : 0u));
        return {r.Width(), text.empty() ? probe.fontMetrics().height : r.Height()};
    } catch (const std::runtime_error&) {
        return GuessedExtent(text, desc);
    }
}

int TextHeightEstimate(const TFont& font) { return TextExtent("", font).cy; }

int TextWidthEstimate(std::string_view utf8, const TFont& font) { return TextExtent(utf8, font).cx; }

// ---------------------------------------------------------------- TSizeConstraints

void TSizeConstraints::Set(int& field, int v)
{
    v = std::max(0, v);
    if (v == field) return;
    field = v;
    if (OnChange) OnChange();
}

int TSizeConstraints::Hold(int size, int min, int max)
{
    if (max > 0) size = std::min(size, std::max(max, min));
    return std::max(size, min);
}

// ---------------------------------------------------------------- TControl

namespace {

// Above 0 while a window control destroys its components: the controls that go then must not realign
// their parents, whose handlers may belong to a form whose own part is already gone.
int teardownDepth = 0;

}  // namespace

TControl::TControl(TComponent* owner) : TComponent(owner)
{
    font_.OnChange = [this] { FontChanged(); };
    constraints_.OnChange = [this] {
        Changed(ModelChange::Bounds);
        SetBounds(left_, top_, width_, height_);
    };
}

TControl::~TControl()
{
    if (Application* app = CurrentApplication()) app->ForgetControl(this);
    if (parent_ != nullptr) {
        TWinControl* parent = parent_;
        parent->RemoveControl(this);
        parent_ = nullptr;
        if (align_ != alNone && visible_ && !parent->destroying_ && teardownDepth == 0) parent->Realign();
    }
}

void TControl::Changed(ModelChange what)
{
    if (Application* app = CurrentApplication()) app->Observer().ControlChanged(*this, what);
}

void TControl::SetDefaultSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    if (parent == this) throw std::invalid_argument("A control cannot be its own parent");
    for (const TWinControl* p = parent; p != nullptr; p = p->Parent())
        if (p == this) throw std::invalid_argument("A control cannot be placed inside itself");
    TWinControl* old = parent_;
    if (old != nullptr) {
        if (TForm* form = TopForm(); form != nullptr && form != this) form->ForgetControl(this);
        old->RemoveControl(this);
    }
    parent_ = parent;
    if (parent_ != nullptr) {
        parent_->InsertControl(this);
        if (parentFont_) ParentFontChanged(parent_->Font());
        if (parentColor_) ParentColorChanged(parent_->Color());
    }
    Changed(ModelChange::Parent);
    if (align_ != alNone) {
        if (old != nullptr) old->Realign();
        if (parent_ != nullptr) parent_->Realign();
    }
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = constraints_.HoldWidth(std::max(0, width));
    height = constraints_.HoldHeight(std::max(0, height));
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed(ModelChange::Bounds);
    if (resized) {
        Resized();
        Fire(OnResize, this);
    }
    if (parent_ != nullptr && !parent_->aligning_ && (align_ != alNone || (resized && parent_->HasArrangement())))
        parent_->Realign();
}

TPoint TControl::FormOrigin() const
{
    TPoint p{left_, top_};
    if (Is<TForm>(this) && parent_ == nullptr) return TPoint{};
    for (const TWinControl* c = parent_; c != nullptr && c->Parent() != nullptr; c = c->Parent()) {
        p.X += c->Left();
        p.Y += c->Top();
    }
    return p;
}

void TControl::SetAlign(TAlign align)
{
    if (align == align_) return;
    align_ = align;
    if (parent_ != nullptr) parent_->Realign();
    AlignChanged();
}

void TControl::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    Changed(ModelChange::Visible);
    if (parent_ != nullptr && (align_ != alNone || parent_->HasArrangement())) parent_->Realign();
    VisibleChanged();
}

bool TControl::Showing() const
{
    if (!visible_) return false;
    if (parent_ != nullptr) return parent_->Showing();
    return Is<TForm>(this);
}

void TControl::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed(ModelChange::Enabled);
    EnabledChanged();
}

bool TControl::EffectivelyEnabled() const
{
    for (const TControl* c = this; c != nullptr; c = c->Parent())
        if (!c->enabled_) return false;
    return true;
}

void TControl::SetHint(std::string hint)
{
    if (hint == hint_) return;
    hint_ = std::move(hint);
    Changed(ModelChange::Other);
}

void TControl::SetShowHint(bool show)
{
    if (show == showHint_) return;
    showHint_ = show;
    Changed(ModelChange::Other);
}

void TControl::SetText(std::string text)
{
    if (text == text_) return;
    text_ = std::move(text);
    Changed(ModelChange::Text);
    TextChanged();
}

void TControl::StoreText(std::string text)
{
    if (text == text_) return;
    text_ = std::move(text);
    Changed(ModelChange::Text);
}

void TControl::FontChanged()
{
    if (!applyingParentFont_) parentFont_ = false;
    Changed(ModelChange::Font);
    FontUpdated();
    if (auto* self = dynamic_cast<TWinControl*>(this))
        for (TControl* child : self->controls_)
            if (child->parentFont_) child->ParentFontChanged(font_);
}

void TControl::ParentFontChanged(const TFont& parentFont)
{
    applyingParentFont_ = true;
    font_.Assign(parentFont);
    applyingParentFont_ = false;
}

void TControl::SetParentFont(bool follow)
{
    parentFont_ = follow;
    if (follow && parent_ != nullptr) ParentFontChanged(parent_->Font());
}

void TControl::SetColor(TColor color)
{
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Changed(ModelChange::Color);
    if (auto* self = dynamic_cast<TWinControl*>(this))
        for (TControl* child : self->controls_)
            if (child->parentColor_) child->ParentColorChanged(color_);
}

void TControl::ParentColorChanged(TColor parentColor)
{
    SetColor(parentColor);
    parentColor_ = true;
}

void TControl::SetParentColor(bool follow)
{
    parentColor_ = follow;
    if (follow && parent_ != nullptr) ParentColorChanged(parent_->Color());
}

void TControl::SetCursor(TCursor cursor)
{
    if (cursor == cursor_) return;
    cursor_ = cursor;
    Changed(ModelChange::Other);
}

void TControl::Click() { Fire(OnClick, this); }
void TControl::DblClick() { Fire(OnDblClick, this); }
void TControl::Invalidate() { Changed(ModelChange::Paint); }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    Fire(OnMouseDown, this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    Fire(OnMouseUp, this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) { Fire(OnMouseMove, this, shift, x, y); }
void TControl::MouseEnter() { Fire(OnMouseEnter, this); }
void TControl::MouseLeave() { Fire(OnMouseLeave, this); }
bool TControl::MouseWheel(TShiftState, int, int, int) { return false; }

void TControl::BringToFront()
{
    if (parent_ == nullptr) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    Changed(ModelChange::ZOrder);
    if (align_ != alNone) parent_->Realign();
}

void TControl::SendToBack()
{
    if (parent_ == nullptr) return;
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    Changed(ModelChange::ZOrder);
    if (align_ != alNone) parent_->Realign();
}

TForm* TControl::TopForm() const
{
    TForm* top = nullptr;
    for (const TControl* c = this; c != nullptr; c = c->Parent())
        if (auto* form = dynamic_cast<const TForm*>(c)) top = const_cast<TForm*>(form);
    return top;
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    destroying_ = true;
    // Owned children go while this part of the object still exists: they leave this parent.
    ++teardownDepth;
    DestroyComponents();
    --teardownDepth;
    for (TControl* child : controls_) child->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw std::out_of_range("Control index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const
{
    for (const TControl* c = control; c != nullptr; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) tabList_.push_back(win);
    ControlsChanged();
}

void TWinControl::RemoveControl(TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    if (!destroying_) ControlsChanged();
}

void TWinControl::Resized() { Realign(); }

void TWinControl::Realign()
{
    if (aligning_ || destroying_) return;
    aligning_ = true;
    try {
        TRect r = AlignRect();
        const auto place = [&](TAlign which, auto&& put) {
            for (TControl* c : std::vector<TControl*>(controls_))
                if (c->Align() == which && c->Visible()) put(c);
        };
        place(alTop, [&](TControl* c) {
            c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
            r.Top += c->Height();
        });
        place(alBottom, [&](TControl* c) {
            c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
            r.Bottom -= c->Height();
        });
        place(alLeft, [&](TControl* c) {
            c->SetBounds(r.Left, r.Top, c->Width(), std::max(0, r.Height()));
            r.Left += c->Width();
        });
        place(alRight, [&](TControl* c) {
            c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), std::max(0, r.Height()));
            r.Right -= c->Width();
        });
        place(alClient, [&](TControl* c) { c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height())); });
        if (arrangement_) {
            const auto arrange = arrangement_;
            arrange();
        }
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::SetArrangement(std::function<void()> arrange)
{
    arrangement_ = std::move(arrange);
    Realign();
}

bool TWinControl::CanFocus() const { return TopForm() != nullptr && Showing() && EffectivelyEnabled(); }

void TWinControl::SetFocus()
{
    if (!CanFocus() && Parent() != nullptr && Visible() && EffectivelyEnabled()) Parent()->ShowControl(this);
    if (!CanFocus()) return;
    TopForm()->SetActiveControl(this);
}

bool TWinControl::Focused() const
{
    const TForm* form = TopForm();
    return form != nullptr && form->ActiveControl() == this;
}

// ---------------------------------------------------------------- tab order

int TWinControl::TabOrder() const
{
    if (Parent() == nullptr) return -1;
    const auto& list = Parent()->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (Parent() == nullptr) return;
    auto& list = Parent()->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    const auto at = static_cast<std::size_t>(std::clamp(order, 0, static_cast<int>(list.size())));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
}

std::vector<TWinControl*> TWinControl::TabOrderList() const
{
    std::vector<TWinControl*> list;
    for (TWinControl* child : tabList_) {
        list.push_back(child);
        const std::vector<TWinControl*> inner = child->TabOrderList();
        list.insert(list.end(), inner.begin(), inner.end());
    }
    return list;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const
{
    const std::vector<TWinControl*> list = TabOrderList();
    if (list.empty()) return nullptr;
    const auto n = static_cast<std::ptrdiff_t>(list.size());
    std::ptrdiff_t start = std::find(list.begin(), list.end(), current) - list.begin();
    if (start == n) start = goForward ? n - 1 : 0;
    std::ptrdiff_t i = start;
    do {
        i = goForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl* candidate = list[static_cast<std::size_t>(i)];
        if (candidate->CanFocus() && (!checkTabStop || candidate->TabStop()) &&
            (!checkParent || candidate->Parent() == this))
            return candidate;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop)
{
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

void TWinControl::SelectFirst()
{
    TWinControl* first = FindNextControl(nullptr, true, true, false);
    if (first == nullptr) first = FindNextControl(nullptr, true, false, false);
    if (first != nullptr) first->SetFocus();
}

void TWinControl::ShowControl(TControl* /*control*/)
{
    if (Parent() != nullptr) Parent()->ShowControl(this);
}

void TWinControl::KeyDown(std::uint16_t& key, TShiftState shift) { Fire(OnKeyDown, this, key, shift); }
void TWinControl::KeyUp(std::uint16_t& key, TShiftState shift) { Fire(OnKeyUp, this, key, shift); }
void TWinControl::KeyPress(char32_t& key) { Fire(OnKeyPress, this, key); }
void TWinControl::DoEnter() { Fire(OnEnter, this); }
void TWinControl::DoExit() { Fire(OnExit, this); }

// ---------------------------------------------------------------- painted controls

namespace {

// Points a control's paint canvas at the canvas being painted while Paint runs, and back after, also
// when Paint throws.
class PaintCanvasScope {
public:
    PaintCanvasScope(Canvas*& slot, Canvas& canvas) : slot_(slot), previous_(std::exchange(slot, &canvas)) {}
    ~PaintCanvasScope() { slot_ = previous_; }
    PaintCanvasScope(const PaintCanvasScope&) = delete;
    PaintCanvasScope& operator=(const PaintCanvasScope&) = delete;

private:
    Canvas*& slot_;
    Canvas* previous_;
};

}  // namespace

void TCustomControl::PaintTo(Canvas& canvas)
{
    const PaintCanvasScope scope(paintCanvas_, canvas);
    Paint(canvas);
}

void TCustomControl::Paint(Canvas&) { Fire(OnPaint, this); }

void TGraphicControl::PaintTo(Canvas& canvas)
{
    const PaintCanvasScope scope(paintCanvas_, canvas);
    Paint(canvas);
}

void TGraphicControl::Paint(Canvas&) { Fire(OnPaint, this); }

namespace detail {

void AttachParent(TComponent* component, TWinControl* parent)
{
    auto* control = dynamic_cast<TControl*>(component);
    if (control == nullptr) throw std::invalid_argument(component->Name() + " is not a control and takes no parent");
    control->SetParent(parent);
}

}  // namespace detail

}  // namespace ui
