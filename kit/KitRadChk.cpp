#include "kit/KitRadChk.h"

#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/SystemColors.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using ui::Canvas;
using ui::TRect;

namespace {

struct EdgePixel {
    int x;
    int y;
    int weight;
};

// The anti-aliasing of the 13 x 13 circle's rim, for glyphs laid over a background of any colour.
constexpr std::array<EdgePixel, 24> kRadioEdge{{
    {4, 0, 128},  {8, 0, 128},  {2, 1, 128},  {10, 1, 128}, {1, 2, 128},  {11, 2, 128},
    {0, 4, 128},  {12, 4, 128}, {0, 8, 128},  {12, 8, 128}, {1, 10, 128}, {11, 10, 128},
    {2, 11, 128}, {10, 11, 128}, {4, 12, 128}, {8, 12, 128}, {3, 0, 40},  {9, 0, 40},
    {0, 3, 40},   {12, 3, 40},  {0, 9, 40},   {12, 9, 40},  {3, 12, 40},  {9, 12, 40},
}};

// Every kit radio button of the parent, in the parent's control order; the button alone without one.
std::vector<TKitRadioButton*> Group(TKitRadioButton& self)
{
    ui::TWinControl* parent = self.Parent();
    if (parent == nullptr) return {&self};
    std::vector<TKitRadioButton*> group;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* radio = dynamic_cast<TKitRadioButton*>(parent->Controls(i))) group.push_back(radio);
    return group;
}

template <class F>
void ForSiblings(TKitRadioButton& self, F&& fn)
{
    for (TKitRadioButton* radio : Group(self))
        if (radio != &self) fn(*radio);
}

// The button an arrow key moves to: the next one of the group that can take the focus (step 1) or the
// previous one (step -1), round the end of the group.
TKitRadioButton& GroupNeighbour(TKitRadioButton& self, int step)
{
    std::vector<TKitRadioButton*> group = Group(self);
    std::erase_if(group, [&self](const TKitRadioButton* radio) { return radio != &self && !radio->CanFocus(); });
    const auto n = static_cast<std::ptrdiff_t>(group.size());
    const auto at = std::find(group.begin(), group.end(), &self) - group.begin();
    return *group[static_cast<std::size_t>((at + step + n) % n)];
}

}  // namespace

// ---------------------------------------------------------------- TKitCustomGlyphButton

TKitCustomGlyphButton::TKitCustomGlyphButton(ui::TComponent* owner) : TKitCustomButton(owner) {}

void TKitCustomGlyphButton::SetAlignment(ui::TAlignment v)
{
    Store(alignment_, v == ui::taLeftJustify ? ui::taLeftJustify : ui::taRightJustify);
}

void TKitCustomGlyphButton::SetFrameColor(TColor v) { Store(frameColor_, v); }
void TKitCustomGlyphButton::SetTransparentColor(TColor v) { Store(transparentColor_, v); }
void TKitCustomGlyphButton::SetWinMaskColor(TColor v) { Store(winMaskColor_, v); }
void TKitCustomGlyphButton::SetFillColor(TColor v) { Store(fillColor_, v); }
void TKitCustomGlyphButton::SetFocusColor(TColor v) { Store(focusColor_, v); }
void TKitCustomGlyphButton::SetDisabledColor(TColor v) { Store(disabledColor_, v); }
void TKitCustomGlyphButton::SetReadOnly(bool v) { Store(readOnly_, v); }
void TKitCustomGlyphButton::SetReadOnlyColor(TColor v) { Store(readOnlyColor_, v); }

void TKitCustomGlyphButton::SetNumGlyphs(int v)
{
    numGlyphs_ = v < 1 ? 1 : v;
    UpdateGlyphSize();
}

void TKitCustomGlyphButton::SetCustomGlyphs(const ui::Bitmap& v)
{
    customGlyphs_ = v;
    useCustomGlyphs_ = !customGlyphs_.isEmpty();
    UpdateGlyphSize();
    backgroundStale_ = true;
    Invalidate();
}

void TKitCustomGlyphButton::SetUseCustomGlyphs(bool v)
{
    // Without a strip there is nothing to draw from: the built-in glyph stays.
    if (v && customGlyphs_.isEmpty()) v = false;
    if (!Store(useCustomGlyphs_, v)) return;
    UpdateGlyphSize();
}

void TKitCustomGlyphButton::UpdateGlyphSize()
{
    if (useCustomGlyphs_ && !customGlyphs_.isEmpty()) {
        glyphWidth_ = customGlyphs_.width() / numGlyphs_;
        glyphHeight_ = customGlyphs_.height();
    } else {
        glyphWidth_ = 13;
        glyphHeight_ = 13;
    }
}

void TKitCustomGlyphButton::SetFrameController(TKitFrameController* v)
{
    frameController_.Set(v);
}

void TKitCustomGlyphButton::UpdateFrameControllerSettings()
{
    const TKitFrameController* c = frameController_.Get();
    if (c == nullptr) return;
    SetHotTrack(true);
    const auto wants = [this](TKitFrameControllerProperty p) { return notifications_.Contains(p); };
    if (wants(fcpColor)) fillColor_ = c->Color();
    if (wants(fcpFrameColor)) frameColor_ = c->FrameColor();
    if (wants(fcpFocusColor)) focusColor_ = c->FocusColor();
    if (wants(fcpDisabledColor)) disabledColor_ = c->DisabledColor();
    if (wants(fcpReadOnlyColor)) readOnlyColor_ = c->ReadOnlyColor();
    if (wants(fcpReadOnlyColorOnFocus)) readOnlyColorOnFocus_ = c->ReadOnlyColorOnFocus();
    if (wants(fcpFrameHotTrack)) hotTrackStyle_ = c->FrameHotTrack() ? htsFrame : htsInterior;
    if (hotTrackStyle_ == htsFrame && wants(fcpFrameHotColor)) StoreHotTrackColor(c->FrameHotColor());
    Invalidate();
}

bool TKitCustomGlyphButton::ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value)
{
    if (platform::AsciiUpper(name) != "FLAT") return false;
    const std::optional<bool> flat = TKitOldPropReader::ReadOldBoolean(value);
    if (!flat) return false;
    SetHotTrack(*flat);
    return true;
}

void TKitCustomGlyphButton::SetTransparent(bool v)
{
    backgroundStale_ = true;
    TKitCustomButton::SetTransparent(v);
}

void TKitCustomGlyphButton::EnabledChanged()
{
    backgroundStale_ = true;
    TKitCustomButton::EnabledChanged();
}

void TKitCustomGlyphButton::Resized()
{
    backgroundStale_ = true;
    TKitCustomButton::Resized();
}

void TKitCustomGlyphButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    mouseDownInProgress_ = true;
    TKitCustomButton::MouseDown(button, shift, x, y);
}

void TKitCustomGlyphButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    const std::weak_ptr<void> alive = Liveness();
    TKitCustomButton::MouseUp(button, shift, x, y);
    if (!alive.expired()) mouseDownInProgress_ = false;
}

void TKitCustomGlyphButton::KeyPress(char32_t& key)
{
    if (!tabOnEnter_ || key != U'\r') {
        TKitCustomButton::KeyPress(key);
        return;
    }
    key = 0;
    // A Tab key of its own, queued as a key the user pressed: the key handlers see it first, then the
    // form moves the focus on.
    std::weak_ptr<void> alive = Liveness();
    ui::App().Post([this, alive] {
        if (!alive.expired()) ui::Driver(ui::App()).PressKey(*this, ui::VK_TAB);
    });
}

ui::TPoint TKitCustomGlyphButton::GlyphPosition() const
{
    const int x = GlyphAtRight() ? Width() - glyphWidth_ : 0;
    switch (AlignmentVertical()) {
    case avTop: return {x, 2};
    case avCenter: return {x, (Height() - glyphHeight_) / 2};
    case avBottom: return {x, Height() - glyphHeight_ - 2};
    }
    return {x, 2};
}

TRect TKitCustomGlyphButton::GetHotTrackRect() const
{
    const ui::TPoint p = GlyphPosition();
    return ui::Bounds(p.X, p.Y, glyphWidth_, glyphHeight_);
}

ui::Bitmap TKitCustomGlyphButton::ExtractGlyph(int index, int height, int width, const ui::Bitmap& source) const
{
    Canvas out(width, height);
    out.copyRect(out.bitmap().bounds(), source, ui::Rect(index * width, 0, (index + 1) * width, height));
    return out.bitmap();
}

void TKitCustomGlyphButton::PaintBackground(Canvas& canvas)
{
    if (Transparent()) DrawParentBackground(*this, canvas, true);
}

void TKitCustomGlyphButton::DrawGlyph(Canvas& canvas)
{
    const ui::TPoint at = GlyphPosition();
    const TRect r{0, 0, glyphWidth_, glyphHeight_};
    Canvas g(glyphWidth_, glyphHeight_, transparentColor_);
    Canvas a(glyphWidth_, glyphHeight_);
    if (Transparent()) {
        a.copyRect(r, canvas.bitmap(), ui::Bounds(at.X + canvas.origin().X, at.Y + canvas.origin().Y,
                                                  glyphWidth_, glyphHeight_));
        DrawGlyphImage(g);
        StretchTransparentBitmap(a, g.bitmap(), r, r, transparentColor_);
    } else {
        DrawGlyphImage(g);
        a.brush = ui::Brush::Solid(Color());
        a.brushCopy(r, g.bitmap(), r, ui::ResolveColor(transparentColor_));
    }
    Canvas b(glyphWidth_, glyphHeight_);
    if (useCustomGlyphs_) {
        b.brush = ui::Brush::Solid(clWindow);
        b.brushCopy(r, a.bitmap(), r, ui::ResolveColor(winMaskColor_));
    } else {
        b.draw(0, 0, a.bitmap());
    }
    if (Transparent() && !ThemesActive()) SmoothGlyphEdge(b);
    canvas.draw(at.X, at.Y, b.bitmap());
}

void TKitCustomGlyphButton::Paint(Canvas& canvas)
{
    Canvas buffer(Width(), Height());
    buffer.font = CanvasFont(Font());
    buffer.brush = ui::Brush::Solid(Color());
    if (backgroundStale_ || Transparent()) {
        // A transparent button shows whatever its parent shows now, so its background is taken afresh.
        Canvas background(Width(), Height(), ui::ResolveColor(Color()));
        if (Transparent()) PaintBackground(background);
        backgroundBitmap_ = background.bitmap();
        backgroundStale_ = false;
    }
    buffer.draw(0, 0, backgroundBitmap_);
    DrawGlyph(buffer);

    TRect text = ClientRect().Shrink(1);
    if (GlyphAtRight()) text.Right -= glyphWidth_ + 4;
    else text.Left += glyphWidth_ + 4;
    DrawCaption(buffer, text, ui::tfWordBreak | ui::tfExpandTabs | (UseRightToLeftAlignment() ? ui::tfRight : 0u));

    text = text.Inflate(1, 1);
    if (Focused() && !Caption().empty()) {
        buffer.font = CanvasFont(Font());
        const int width = IntMin(text.Width(), buffer.textWidth(RemoveAccelChar(platform::Trim(Caption()))) + 3);
        if (UseRightToLeftAlignment()) text.Left = text.Right - width;
        else text.Right = text.Left + width;
        DrawFocusBorder(buffer, text);
    }
    canvas.draw(0, 0, buffer.bitmap());
    ui::Fire(OnPaint, this);
}

// ---------------------------------------------------------------- TKitRadioButton

TKitRadioButton::TKitRadioButton(ui::TComponent* owner) : TKitCustomGlyphButton(owner)
{
    SetAlignmentVertical(avTop);
    SetNumGlyphs(6);
    SetTabStop(false);
    SetColor(clWindow);
    SetParentColor(true);
}

void TKitRadioButton::SetChecked(bool v)
{
    if (v == checked_) return;
    checked_ = v;
    // Only the checked button of a group is a tab stop.
    SetTabStop(v);
    RepaintDisplay();
    Changed(ui::ModelChange::State);
    if (!v) return;
    UncheckSiblings();
    if (!SuppressClick()) Click();
}

void TKitRadioButton::UncheckSiblings()
{
    ForSiblings(*this, [](TKitRadioButton& sibling) { sibling.SetChecked(false); });
}

void TKitRadioButton::SetReadOnly(bool v)
{
    if (v == ReadOnly()) return;
    TKitCustomGlyphButton::SetReadOnly(v);
    ForSiblings(*this, [v](TKitRadioButton& sibling) { sibling.SetReadOnly(v); });
}

void TKitRadioButton::ChangeState()
{
    if (!checked_ && !ReadOnly()) SetChecked(true);
}

void TKitRadioButton::DoEnter()
{
    TKitCustomGlyphButton::DoEnter();
    // Tab and the arrows check the button they reach; a mouse press leaves it to the release.
    if (!MouseDownInProgress() && !ReadOnly()) SetChecked(true);
}

bool TKitRadioButton::DialogKey(std::uint16_t key, ui::TShiftState shift)
{
    const bool plain = !shift.Contains(ui::ssShift) && !shift.Contains(ui::ssCtrl) && !shift.Contains(ui::ssAlt);
    const int step = key == ui::VK_DOWN || key == ui::VK_RIGHT ? 1 : key == ui::VK_UP || key == ui::VK_LEFT ? -1 : 0;
    if (step == 0 || !plain || !CanFocus()) return false;
    // The arrows move the focus through the group, and so check the button that receives it.
    GroupNeighbour(*this, step).SetFocus();
    return true;
}

bool TKitRadioButton::DialogChar(char32_t ch)
{
    if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
    SetFocus();
    return true;
}

void TKitRadioButton::DrawGlyphImage(Canvas& glyph)
{
    const TRect r{0, 0, GlyphWidth(), GlyphHeight()};
    const bool enabled = EffectivelyEnabled();
    if (UseCustomGlyphs()) {
        int index = 0;
        if (!enabled) index = checked_ ? 5 : 4;
        else if (checked_) index = Pressed() ? 3 : 1;
        else index = Pressed() ? 2 : 0;
        glyph.draw(0, 0, ExtractGlyph(index, GlyphHeight(), GlyphWidth(), CustomGlyphs()));
        return;
    }
    TCheckRadioGlyph g;
    g.Checked = checked_;
    g.Focused = Focused();
    g.Transparent = Transparent();
    g.TransparentColor = 0x008080;
    if (HotTrack()) {
        TColor light = clWhite, dark = clBlack;
        HotColors(light, dark);
        g.State = !enabled ? crsDisabled : Pressed() ? crsPressed : MouseOver() ? crsHot : crsNormal;
        g.HotTrackStyle = HotTrackStyle();
        g.FrameColor = FrameColor();
        g.HighlightColor = HighlightColor();
        g.FillColor = FillColor();
        g.FocusColor = FocusColor();
        g.DisabledColor = DisabledColor();
        g.HotLightColor = light;
        g.HotDarkColor = dark;
        g.ControlColor = Color();
        g.ReadOnly = ReadOnly();
        g.ReadOnlyColorOnFocus = ReadOnlyColorOnFocus();
        g.ReadOnlyColor = ReadOnlyColor();
        DrawCheckRadioGlyph(glyph, r, g);
        return;
    }
    // The classic look: a sunken white circle, grey when pushed or disabled, with a black dot.
    glyph.brush = ui::Brush::Solid(TransparentColor());
    glyph.fillRect(r);
    g.State = !enabled ? crsDisabled : Pressed() ? crsPressed : crsNormal;
    g.Focused = false;
    g.FrameColor = clBtnShadow;
    g.HighlightColor = clWindowText;
    g.FillColor = clWindow;
    g.FocusColor = clWindow;
    g.DisabledColor = clBtnFace;
    g.ControlColor = TransparentColor();
    g.Transparent = true;
    g.TransparentColor = TransparentColor();
    DrawCheckRadioGlyph(glyph, r, g);
}

void TKitRadioButton::SmoothGlyphEdge(Canvas& glyph)
{
    for (const EdgePixel& p : kRadioEdge)
        glyph.setPixel(p.x, p.y, BlendColors(FrameColor(), glyph.pixel(p.x, p.y), p.weight));
}
