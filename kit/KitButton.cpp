#include "kit/KitButton.h"

#include "platform/Text.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

using ui::Canvas;
using ui::TRect;

namespace {

void Line(Canvas& canvas, int x0, int y0, int x1, int y1, TColor color)
{
    canvas.pen = {color, 1, ui::PenStyle::Solid};
    canvas.moveTo(x0, y0);
    canvas.lineTo(x1, y1);
}

char32_t LowerCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= U'\u0410' && c <= U'\u042F') return c + 32;  // А..Я
    if (c == U'\u0401') return U'\u0451';                  // Ё
    return c;
}

unsigned HorizontalFlag(ui::TAlignment alignment)
{
    switch (alignment) {
    case ui::taLeftJustify: return UseRightToLeftAlignment() ? ui::tfRight : ui::tfLeft;
    case ui::taRightJustify: return UseRightToLeftAlignment() ? ui::tfLeft : ui::tfRight;
    case ui::taCenter: return ui::tfCenter;
    }
    return ui::tfCenter;
}

struct KindInfo {
    std::string caption;
    ui::TModalResult modalResult;
    const char* resource;
};

const std::array<KindInfo, 11>& Kinds()
{
    static const std::array<KindInfo, 11> kinds{{
        {"", ui::mrNone, ""},
        {"OK", ui::mrOk, "RZCOMMON_OK"},
        {"Cancel", ui::mrCancel, "RZCOMMON_CANCEL"},
        {"&Help", ui::mrNone, "RZCOMMON_HELP"},
        {"&Yes", ui::mrYes, "RZCOMMON_YES"},
        {"&No", ui::mrNo, "RZCOMMON_NO"},
        {"&Close", ui::mrNone, "RZCOMMON_CLOSE"},
        {"Abort", ui::mrAbort, "RZCOMMON_ABORT"},
        {"&Retry", ui::mrRetry, "RZCOMMON_RETRY"},
        {"&Ignore", ui::mrIgnore, "RZCOMMON_IGNORE"},
        {"&All", 8, "RZCOMMON_ALL"},
    }};
    return kinds;
}

const KindInfo& Info(TBitBtnKind kind)
{
    const auto i = static_cast<std::size_t>(kind);
    return Kinds().at(i < Kinds().size() ? i : 0);
}

// The kit's pictures: a symbol of the DejaVu face on the olive key colour, 16 x 16, then the same symbol
// embossed in the disabled colours.
struct ResourcePicture {
    std::string_view name;
    std::u32string_view symbol;
    TColor color;
};

constexpr TColor kKeyColor = 0x008080;

constexpr std::array<ResourcePicture, 10> kPictures{{
    {"RZCOMMON_OK", U"\u2714", 0x008000},
    {"RZCOMMON_CANCEL", U"\u2718", 0x0000C0},
    {"RZCOMMON_HELP", U"?", 0x800000},
    {"RZCOMMON_YES", U"\u2714", 0x008000},
    {"RZCOMMON_NO", U"\u2718", 0x0000C0},
    {"RZCOMMON_CLOSE", U"\u2716", 0x404040},
    {"RZCOMMON_ABORT", U"\u25A0", 0x0000C0},
    {"RZCOMMON_RETRY", U"\u21BB", 0x008000},
    {"RZCOMMON_IGNORE", U"\u21B7", 0x808000},
    {"RZCOMMON_ALL", U"\u2714", 0x008000},
}};

void DrawSymbol(Canvas& canvas, int left, std::u32string_view symbol, TColor color)
{
    canvas.font.height = 14;
    canvas.font.bold = true;
    canvas.font.color = color;
    canvas.brush = ui::Brush::Clear();
    canvas.textAlign = {ui::TextAlignH::Center, ui::TextAlignV::Top};
    const std::string utf8 = platform::EncodeUtf8(symbol);
    const int top = (16 - canvas.textHeight(utf8)) / 2;
    canvas.textOut(left + 8, top, utf8);
}

}  // namespace

int MulDiv(int value, int m, int d)
{
    if (d == 0) return -1;
    const long long product = static_cast<long long>(value) * m;
    const long long half = std::llabs(static_cast<long long>(d)) / 2;
    const bool negative = (product < 0) != (d < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(d));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::optional<char32_t> AcceleratorOf(std::string_view caption)
{
    const std::u32string text = platform::DecodeUtf8(caption);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != U'&') continue;
        if (text[i + 1] != U'&') return LowerCase(text[i + 1]);
        ++i;  // "&&" is a plain ampersand
    }
    return std::nullopt;
}

bool IsAccel(char32_t ch, std::string_view caption)
{
    const std::optional<char32_t> accel = AcceleratorOf(caption);
    return accel && *accel == LowerCase(ch);
}

// ---------------------------------------------------------------- TKitCustomButton

TKitCustomButton::TKitCustomButton(ui::TComponent* owner) : ui::TCustomControl(owner)
{
    SetDefaultSize(115, 17);
    SetTabStop(true);
}

void TKitCustomButton::SetAlignmentVertical(TAlignmentVertical v) { Store(alignmentVertical_, v); }
void TKitCustomButton::SetHotTrack(bool v) { Store(hotTrack_, v); }
void TKitCustomButton::SetHotTrackColor(TColor v) { Store(hotTrackColor_, v); }
void TKitCustomButton::SetHotTrackColorType(TKitHotTrackColorType v) { Store(hotTrackColorType_, v); }
void TKitCustomButton::SetHighlightColor(TColor v) { Store(highlightColor_, v); }
void TKitCustomButton::SetLightTextStyle(bool v) { Store(lightTextStyle_, v); }
void TKitCustomButton::SetTextStyle(TTextStyle v) { Store(textStyle_, v); }
void TKitCustomButton::SetTextHighlightColor(TColor v) { Store(textHighlightColor_, v); }
void TKitCustomButton::SetTextShadowColor(TColor v) { Store(textShadowColor_, v); }
void TKitCustomButton::SetTextShadowDepth(int v) { Store(textShadowDepth_, v); }
void TKitCustomButton::SetThemeAware(bool v) { Store(themeAware_, v); }
void TKitCustomButton::SetTransparent(bool v) { Store(transparent_, v); }

void TKitCustomButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    ui::TCustomControl::MouseDown(button, shift, x, y);
    if (button != ui::mbLeft || !EffectivelyEnabled()) return;
    SetFocus();
    if (!Focused()) return;
    pressed_ = true;
    RepaintDisplay();
    mouseTracking_ = true;
}

void TKitCustomButton::MouseMove(ui::TShiftState shift, int x, int y)
{
    ui::TCustomControl::MouseMove(shift, x, y);
    if (!mouseTracking_) return;
    const bool inside = x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
    if (inside == pressed_) return;
    pressed_ = inside;
    RepaintDisplay();
}

void TKitCustomButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    if (mouseTracking_ && button == ui::mbLeft) {
        mouseTracking_ = false;
        pressed_ = false;
        const std::weak_ptr<void> alive = Liveness();
        if (ClientRect().Contains({x, y})) ChangeState();
        if (alive.expired()) return;
        RepaintDisplay();
    }
    ui::TCustomControl::MouseUp(button, shift, x, y);
}

void TKitCustomButton::MouseEnter()
{
    mouseOver_ = true;
    ui::TCustomControl::MouseEnter();
    if (hotTrack_ || (themeAware_ && ThemesActive())) Invalidate();
}

void TKitCustomButton::MouseLeave()
{
    mouseOver_ = false;
    ui::TCustomControl::MouseLeave();
    if (hotTrack_ || (themeAware_ && ThemesActive())) Invalidate();
}

void TKitCustomButton::DoEnter()
{
    ui::TCustomControl::DoEnter();
    RepaintFocusChange();
}

void TKitCustomButton::DoExit()
{
    ui::TCustomControl::DoExit();
    RepaintFocusChange();
}

void TKitCustomButton::EnabledChanged()
{
    if (!Enabled() && Focused()) TopForm()->SetActiveControl(nullptr);
    if (!Enabled()) {
        // A press in progress ends without a click.
        mouseTracking_ = false;
        pressed_ = false;
    }
    Invalidate();
}

void TKitCustomButton::PaintBackground(Canvas&) {}

void TKitCustomButton::EraseBackground(Canvas& canvas)
{
    if (transparent_) {
        PaintBackground(canvas);
        return;
    }
    const ui::CanvasStateGuard keep(canvas);
    canvas.brush = ui::Brush::Solid(Color());
    canvas.fillRect(ClientRect());
}

void TKitCustomButton::HotColors(TColor& light, TColor& dark) const
{
    if (hotTrackColorType_ == htctActual) {
        dark = hotTrackColor_;
        light = BlendColors(clWhite, hotTrackColor_, 190);
    } else {
        light = ComplementColor(hotTrackColor_, 180);
        dark = DarkerColor(light, 30);
    }
}

void TKitCustomButton::DrawCaption(Canvas& canvas, TRect rect, unsigned flags)
{
    canvas.brush = ui::Brush::Clear();
    canvas.font = CanvasFont(Font());
    const std::string& text = Caption();
    TRect measured = rect;
    const int h = canvas.drawText(
        measured, text, ui::tfCalcRect | ui::tfCenter | ui::tfVCenter | ui::tfWordBreak | ui::tfExpandTabs);
    switch (alignmentVertical_) {
    case avTop: rect.Bottom = rect.Top + h; break;
    case avCenter:
        rect.Top = (rect.Top + rect.Bottom - h) / 2;
        rect.Bottom = rect.Top + h;
        break;
    case avBottom: rect.Top = rect.Bottom - h - 1; break;
    }
    const auto draw = [&](TRect r, TColor color) {
        canvas.font.color = color;
        canvas.drawText(r, text, flags);
    };
    if (!EffectivelyEnabled()) {
        draw(rect, clGrayText);
        canvas.brush = ui::Brush::Solid(Color());
        return;
    }
    const bool rightAligned = (flags & ui::tfRight) != 0;
    if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
        const bool raised = textStyle_ == tsRaised;
        const TColor light = raised ? textHighlightColor_ : textShadowColor_;
        const TColor dark = raised ? textShadowColor_ : textHighlightColor_;
        if (!(raised && lightTextStyle_)) draw(rect.Offset(1, 1), dark);
        if (!(!raised && lightTextStyle_)) draw(rect.Offset(-1, -1), light);
    } else if (textStyle_ == tsShadow) {
        draw(rect.Offset(rightAligned ? 0 : textShadowDepth_, textShadowDepth_), textShadowColor_);
    }
    if (rightAligned) rect = rect.Offset(-textShadowDepth_, 0);
    draw(rect, Font().Color());
    canvas.brush = ui::Brush::Solid(Color());
}

// ---------------------------------------------------------------- TKitButton

TKitButton::TKitButton(ui::TComponent* owner) : TKitCustomButton(owner)
{
    SetDefaultSize(75, 25);
    SetColor(clBtnFace);
}

void TKitButton::SetAlignment(ui::TAlignment v) { Store(alignment_, v); }
void TKitButton::SetShowDownPattern(bool v) { Store(showDownPattern_, v); }
void TKitButton::SetShowFocusRect(bool v) { Store(showFocusRect_, v); }
void TKitButton::SetFrameColor(TColor v) { Store(frameColor_, v); }

void TKitButton::SetHotTrack(bool v)
{
    if (v == HotTrack()) return;
    TKitCustomButton::SetHotTrack(v);
    SetTransparent(v);
    Invalidate();
}

bool TKitButton::ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value)
{
    if (platform::AsciiUpper(name) != "FRAMEFLAT") return false;
    const std::optional<bool> flat = TKitOldPropReader::ReadOldBoolean(value);
    if (!flat) return false;
    SetHotTrack(*flat);
    return true;
}

void TKitButton::SetDefault(bool v)
{
    default_ = v;
    if (ui::TForm* form = TopForm()) {
        form->AnnounceActiveControl();
        return;
    }
    // Not in a window yet: it starts as the default button when it is one.
    active_ = default_;
}

void TKitButton::FocusAnnounced(ui::TWinControl* focused)
{
    // A focused kit button takes Enter over; a focused standard button does not: Enter presses the default
    // button past it (a button that starts a long search must not run on the Enter meant for OK).
    const bool active = dynamic_cast<TKitButton*>(focused) != nullptr ? focused == this : default_;
    if (active == active_) return;
    active_ = active;
    Invalidate();
}

void TKitButton::SetAllowAllUp(bool v)
{
    if (allowAllUp_ == v) return;
    allowAllUp_ = v;
    NotifyGroup();
}

void TKitButton::SetGroupIndex(int v)
{
    if (groupIndex_ == v) return;
    groupIndex_ = v;
    if (groupIndex_ == 0) {
        down_ = false;
        state_ = bsUp;
    }
    Invalidate();
    NotifyGroup();
}

void TKitButton::SetDown(bool v)
{
    if (groupIndex_ == 0) v = false;
    if (v == down_) return;
    if (down_ && !allowAllUp_) return;  // the down button of a group stays down
    down_ = v;
    state_ = v ? bsExclusive : bsUp;
    Invalidate();
    if (v) NotifyGroup();
}

void TKitButton::NotifyGroup()
{
    if (groupIndex_ == 0) return;
    ui::TWinControl* parent = Parent();
    if (parent == nullptr) return;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* button = dynamic_cast<TKitButton*>(parent->Controls(i)))
            if (button != this) button->GroupNotified(groupIndex_, *this);
}

void TKitButton::GroupNotified(int groupIndex, TKitButton& sender)
{
    if (groupIndex != groupIndex_) return;
    if (sender.down_ && down_) {
        down_ = false;
        state_ = bsUp;
        Invalidate();
    }
    allowAllUp_ = sender.allowAllUp_;
}

void TKitButton::Click()
{
    if (ui::TForm* form = TopForm()) form->SetModalResult(modalResult_);
    TKitCustomButton::Click();
}

void TKitButton::ChangeState()
{
    if (groupIndex_ != 0) SetDown(!down_);
    else RepaintDisplay();
    const std::weak_ptr<void> alive = Liveness();
    inClick_ = true;
    try {
        Click();
    } catch (...) {
        if (!alive.expired()) inClick_ = false;
        throw;
    }
    if (!alive.expired()) inClick_ = false;
}

void TKitButton::KeyDown(std::uint16_t& key, ui::TShiftState shift)
{
    TKitCustomButton::KeyDown(key, shift);
    if (key != ui::VK_SPACE || shift.Contains(ui::ssAlt)) return;
    spaceDown_ = true;
    SetPressed(true);
    RepaintDisplay();
}

void TKitButton::KeyUp(std::uint16_t& key, ui::TShiftState shift)
{
    TKitCustomButton::KeyUp(key, shift);
    if (key != ui::VK_SPACE) return;
    SetPressed(false);
    const std::weak_ptr<void> alive = Liveness();
    if (spaceDown_) {
        // A release without a press of its own (the press went to another control) clicks nothing.
        spaceDown_ = false;
        ChangeState();
    }
    if (!alive.expired()) RepaintDisplay();
}

void TKitButton::DoExit()
{
    spaceDown_ = false;
    SetPressed(false);
    RepaintDisplay();
    TKitCustomButton::DoExit();
}

bool TKitButton::DialogKey(std::uint16_t key, ui::TShiftState shift)
{
    const bool plain = !shift.Contains(ui::ssShift) && !shift.Contains(ui::ssCtrl) && !shift.Contains(ui::ssAlt);
    const bool wanted = (key == ui::VK_RETURN && active_) || (key == ui::VK_ESCAPE && cancel_);
    if (!plain || !wanted || !CanFocus()) return false;
    Click();
    return true;
}

bool TKitButton::DialogChar(char32_t ch)
{
    if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
    Click();
    return true;
}

bool TKitButton::ShowsPressed() const
{
    if (groupIndex_ == 0) return Pressed();
    return state_ == bsDown || state_ == bsExclusive || Pressed();
}

void TKitButton::GetCaptionRect(TRect& rect) const
{
    rect = ClientRect().Shrink(5);
    if (!HotTrack() && !(ThemeAware() && ThemesActive()) && ShowsPressed()) rect = rect.Offset(1, 1);
}

void TKitButton::DrawButtonContent(Canvas& canvas)
{
    TRect r;
    GetCaptionRect(r);
    DrawCaption(canvas, r, HorizontalFlag(alignment_) | ui::tfWordBreak | ui::tfExpandTabs);
}

void TKitButton::CreateDownPattern(ui::Brush& brush) const
{
    const TColor face = ui::ResolveColor(Color());
    const TColor dots = face == 0xC0C0C0 ? 0x808080 : 0xC0C0C0;
    ui::BrushPattern pattern{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern[static_cast<std::size_t>(y * 8 + x)] = (x % 2 == y % 2) ? dots : face;
    brush = ui::Brush::Patterned(pattern);
}

void TKitButton::PaintBackground(Canvas& canvas)
{
    const ui::CanvasStateGuard keep(canvas);
    const TRect inner = ClientRect().Shrink(EffectivelyEnabled() ? 1 : 2);
    canvas.excludeClip(inner);
    canvas.excludeClip(inner.Inflate(1, -1));
    canvas.excludeClip(inner.Inflate(-1, 1));
    DrawParentBackground(*this, canvas, true);
}

void TKitButton::PaintHotTrack(Canvas& canvas, TRect r)
{
    const TColor face = Color();
    const TColor disabledFrame = face == clBtnFace ? LighterColor(clBtnShadow, 30) : DarkerColor(face, 80);
    if (!EffectivelyEnabled()) {
        r = r.Shrink(1);
        Line(canvas, r.Left + 1, r.Top, r.Right - 1, r.Top, disabledFrame);
        Line(canvas, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1, disabledFrame);
        Line(canvas, r.Left, r.Top + 1, r.Left, r.Bottom - 1, disabledFrame);
        Line(canvas, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1, disabledFrame);
        r = r.Shrink(1);
        canvas.brush = ui::Brush::Solid(face);
        canvas.fillRect(r);
        return;
    }
    const TColor parent = Parent() != nullptr ? Parent()->Color() : clBtnFace;
    const TColor dark = DarkerColor(parent, 20), light = LighterColor(parent, 20);
    Line(canvas, r.Left + 2, r.Top, r.Right - 2, r.Top, dark);
    Line(canvas, r.Left, r.Top + 2, r.Left, r.Bottom - 2, dark);
    Line(canvas, r.Left + 2, r.Bottom - 1, r.Right - 2, r.Bottom - 1, light);
    Line(canvas, r.Right - 1, r.Top + 2, r.Right - 1, r.Bottom - 2, light);
    canvas.setPixel(r.Left + 1, r.Top + 1, dark);
    canvas.setPixel(r.Right - 2, r.Top + 1, dark);
    canvas.setPixel(r.Left + 1, r.Bottom - 2, dark);
    canvas.setPixel(r.Right - 2, r.Bottom - 2, light);
    r = r.Shrink(1);

    Line(canvas, r.Left + 1, r.Top, r.Right - 1, r.Top, frameColor_);
    Line(canvas, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1, frameColor_);
    Line(canvas, r.Left, r.Top + 1, r.Left, r.Bottom - 1, frameColor_);
    Line(canvas, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1, frameColor_);
    r = r.Shrink(1);

    if (ShowsPressed()) {
        canvas.brush = ui::Brush::Solid(DarkerColor(face, 10));
        canvas.fillRect(r);
        return;
    }
    Line(canvas, r.Left, r.Bottom - 2, r.Right, r.Bottom - 2, DarkerColor(face, 20));
    Line(canvas, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, DarkerColor(face, 30));
    const TRect upper{r.Left, r.Top, r.Right, r.Bottom - 2};
    if (IsTrueColorDisplay()) {
        PaintGradientRect(canvas, upper, gdHorizontalEnd, LighterColor(face, 30), DarkerColor(face, 10), 1);
    } else {
        canvas.brush = ui::Brush::Solid(face);
        canvas.fillRect(upper);
    }
    if (MouseOver()) {
        TColor hotLight = clWhite, hotDark = clBlack;
        HotColors(hotLight, hotDark);
        PaintButtonGradient(canvas, r, gdHorizontalEnd, hotLight, hotDark);
    } else if (groupIndex_ == 0 && (active_ || Focused()) && !Pressed()) {
        const TColor base =
            SimilarColors(HighlightColor(), clBtnFace) ? DarkerColor(HighlightColor(), 30) : HighlightColor();
        const TColor l = LighterColor(face, 30);
        PaintButtonGradient(canvas, r, gdHorizontalEnd, BlendColors(base, l, 60), BlendColors(base, l, 160));
    }
}

void TKitButton::PaintClassic(Canvas& canvas, TRect r)
{
    const bool plain = groupIndex_ == 0;
    if (plain && (((active_ || Focused()) && !Pressed()) || inClick_))
        r = DrawSides(canvas, r, clWindowFrame, clWindowFrame, sdAllSides);
    const bool down = ShowsPressed();
    if (Color() == clBtnFace) {
        r = plain ? DrawButtonBorder(canvas, r, Pressed()) : DrawBorder(canvas, r, down ? fsLowered : fsButtonUp);
    } else if (plain) {
        r = DrawColorEdge(canvas, r, Color(), Pressed());
    } else {
        r = down ? DrawColorButtonBorder(canvas, r, Color(), fsLowered) : DrawColorEdge(canvas, r, Color(), false);
    }
    canvas.brush = ui::Brush::Solid(Color());
    canvas.fillRect(r);
    if (state_ == bsExclusive && showDownPattern_) {
        CreateDownPattern(canvas.brush);
        canvas.fillRect(r);
    }
}

void TKitButton::Paint(Canvas& canvas)
{
    Canvas buffer(Width(), Height());
    buffer.font = CanvasFont(Font());
    EraseBackground(buffer);
    const bool themed = ThemeAware() && ThemesActive();
    TRect focusRect = ClientRect().Shrink(HotTrack() || themed ? 3 : 4);
    if (groupIndex_ != 0 && ShowsPressed()) focusRect = focusRect.Offset(1, 1);
    if (HotTrack()) PaintHotTrack(buffer, ClientRect());
    else PaintClassic(buffer, ClientRect());
    buffer.font = CanvasFont(Font());
    buffer.brush = ui::Brush::Solid(Color());
    DrawButtonContent(buffer);
    if (Focused() && showFocusRect_) DrawFocusBorder(buffer, focusRect);
    canvas.draw(0, 0, buffer.bitmap());
    ui::Fire(OnPaint, this);
}

// ---------------------------------------------------------------- TKitBitBtn

TKitBitBtn::TKitBitBtn(ui::TComponent* owner) : TKitButton(owner) {}

ui::TImageList* TKitBitBtn::Images() const { return imagesAlive_.expired() ? nullptr : images_; }

void TKitBitBtn::SetImages(ui::TImageList* v)
{
    if (v == Images()) return;
    images_ = v;
    imagesAlive_ = v != nullptr ? v->Liveness() : std::weak_ptr<void>{};
    Invalidate();
}

void TKitBitBtn::SetGlyph(const ui::Bitmap& glyph)
{
    glyph_ = glyph;
    modifiedGlyph_ = true;
    GlyphChanged();
}

void TKitBitBtn::GlyphChanged()
{
    const int w = glyph_.width(), h = glyph_.height();
    if (h > 0 && w % h == 0) {
        const int n = w / h;
        numGlyphs_ = n >= 1 && n <= 4 ? n : 1;
    }
    Invalidate();
}

TBitBtnKind TKitBitBtn::Kind() const
{
    if (kind_ == ui::bkCustom) return kind_;
    const bool isDefault = kind_ == ui::bkOK || kind_ == ui::bkYes;
    const bool isCancel = kind_ == ui::bkCancel || kind_ == ui::bkNo;
    if (Default() != isDefault || Cancel() != isCancel || ModalResult() != Info(kind_).modalResult ||
        modifiedGlyph_)
        kind_ = ui::bkCustom;
    return kind_;
}

void TKitBitBtn::SetKind(TBitBtnKind v)
{
    if (v == Kind()) return;
    if (v != ui::bkCustom) {
        SetDefault(v == ui::bkOK || v == ui::bkYes);
        SetCancel(v == ui::bkCancel || v == ui::bkNo);
        SetCaption(Info(v).caption);
        SetModalResult(Info(v).modalResult);
        SetGlyph(GetBitBtnGlyph(v));
        numGlyphs_ = 2;
        modifiedGlyph_ = false;
    }
    kind_ = v;
    Invalidate();
}

void TKitBitBtn::SetLayout(TButtonLayout v) { Store(layout_, v); }
void TKitBitBtn::SetSpacing(int v) { Store(spacing_, v); }
void TKitBitBtn::SetImageIndex(int v) { Store(imageIndex_, v); }
void TKitBitBtn::SetDisabledIndex(int v) { Store(disabledIndex_, v); }

void TKitBitBtn::SetMargin(int v)
{
    if (v < -1) return;
    Store(margin_, v);
}

void TKitBitBtn::SetNumGlyphs(int v)
{
    Store(numGlyphs_, std::clamp(v, 1, 4));
}

void TKitBitBtn::ChangeScale(int m, int d)
{
    if (margin_ > 0) margin_ = MulDiv(margin_, m, d);
    spacing_ = MulDiv(spacing_, m, d);
    Invalidate();
}

bool TKitBitBtn::ImageListInUse() const { return Images() != nullptr && imageIndex_ != -1; }
bool TKitBitBtn::HasGlyph() const { return ImageListInUse() || !glyph_.isEmpty(); }

ui::TSize TKitBitBtn::GetGlyphSize() const
{
    if (ImageListInUse()) return {Images()->Width(), Images()->Height()};
    if (glyph_.isEmpty()) return {0, 0};
    return {glyph_.width() / numGlyphs_, glyph_.height()};
}

int TKitBitBtn::CaptionHeight(const TRect& rect) const
{
    Canvas probe(0, 0);
    probe.font = CanvasFont(Font());
    TRect measured = rect;
    return probe.drawText(measured, Caption(),
                          ui::tfCalcRect | ui::tfCenter | ui::tfVCenter | ui::tfWordBreak | ui::tfExpandTabs);
}

void TKitBitBtn::GetCaptionRect(TRect& rect) const
{
    TKitButton::GetCaptionRect(rect);
    if (!HasGlyph()) return;
    const ui::TSize g = GetGlyphSize();
    if (margin_ >= 0) {
        switch (layout_) {
        case blGlyphLeft: rect.Left += margin_ + g.cx + spacing_; break;
        case blGlyphRight: rect.Right -= margin_ + g.cx + spacing_; break;
        case blGlyphTop: rect.Top += margin_ + g.cy + spacing_; break;
        case blGlyphBottom: rect.Bottom -= margin_ + g.cy + spacing_; break;
        }
        return;
    }
    const int h = CaptionHeight(rect);
    const int offset = (Height() - (g.cy + h + spacing_)) / 2;
    switch (layout_) {
    case blGlyphLeft: rect.Left += margin_ + g.cx + spacing_; break;
    case blGlyphRight: rect.Right -= margin_ + g.cx + spacing_; break;
    case blGlyphTop:
        rect.Top += offset + g.cy;
        rect.Bottom = rect.Top + h;
        break;
    case blGlyphBottom:
        rect.Top += offset;
        rect.Bottom = rect.Top + h;
        break;
    }
}

void TKitBitBtn::GetGlyphRect(TRect& rect) const
{
    TKitButton::GetCaptionRect(rect);
    if (!HotTrack() && !(ThemeAware() && ThemesActive()) && ShowsPressed()) rect = rect.Offset(-1, -1);
    const ui::TSize g = GetGlyphSize();
    if (margin_ >= 0) {
        switch (layout_) {
        case blGlyphLeft: rect.Left += margin_; break;
        case blGlyphRight: rect.Left = rect.Right - margin_ - g.cx; break;
        case blGlyphTop: rect.Top += margin_; break;
        case blGlyphBottom: rect.Top = rect.Bottom - margin_ - g.cy; break;
        }
    } else {
        const int h = CaptionHeight(rect);
        const int offset = (Height() - (g.cy + h + spacing_)) / 2;
        switch (layout_) {
        case blGlyphLeft: break;
        case blGlyphRight: rect.Left = rect.Right - g.cx; break;
        case blGlyphTop: rect.Top = offset; break;
        case blGlyphBottom: rect.Top += h + offset; break;
        }
    }
    if (layout_ == blGlyphTop || layout_ == blGlyphBottom) rect.Left += (rect.Width() - g.cx + 1) / 2;
    else rect.Top += (rect.Height() - g.cy + 1) / 2;
    rect.Right = rect.Left + g.cx;
    rect.Bottom = rect.Top + g.cy;
    // A pressed glyph sinks with the classic face, slides a pixel on a themed one, and stays on the
    // hot-track face, which shows the press by its colour alone.
    if (Pressed()) {
        if (ThemeAware() && ThemesActive()) rect = rect.Offset(1, 0);
        else if (!HotTrack()) rect = rect.Offset(1, 1);
    }
}

void TKitBitBtn::DrawButtonContent(Canvas& canvas)
{
    TKitButton::DrawButtonContent(canvas);
    TRect r;
    GetGlyphRect(r);
    if (Kind() == ui::bkCustom && ImageListInUse()) DrawImageListGlyph(canvas, r);
    else if (!glyph_.isEmpty()) DrawBitmapGlyph(canvas, r);
}

void TKitBitBtn::DrawImageListGlyph(Canvas& canvas, const TRect& rect)
{
    ui::TImageList* images = Images();
    if (images == nullptr) return;
    const bool enabled = EffectivelyEnabled();
    const int index = disabledIndex_ == -1 || enabled ? imageIndex_ : disabledIndex_;
    if (index < 0 || index >= images->Count()) return;
    const std::optional<ui::Bitmap> picture = KitBitmapResource(images->Name(index));
    if (!picture) return;
    // An image drawn disabled is its second (disabled) half when the picture has one.
    const int w = images->Width(), h = images->Height();
    const bool disabledHalf = disabledIndex_ == -1 && !enabled && picture->width() >= 2 * w;
    const TRect source = ui::Bounds(disabledHalf ? w : 0, 0, w, h);
    StretchTransparentBitmap(canvas, *picture, ui::Bounds(rect.Left, rect.Top, w, h), source,
                             picture->pixel(0, picture->height() - 1));
}

void TKitBitBtn::DrawBitmapGlyph(Canvas& canvas, const TRect& rect)
{
    int index = 1;
    if (numGlyphs_ == 4 && State() == bsExclusive) index = 3;
    else if (numGlyphs_ >= 3 && (State() == bsDown || Pressed())) index = 2;
    else if (numGlyphs_ < 2 || EffectivelyEnabled()) index = 0;
    const ui::TSize g = GetGlyphSize();
    const TRect source = ui::Bounds(index * g.cx, 0, g.cx, g.cy);
    StretchTransparentBitmap(canvas, glyph_, rect, source, glyph_.pixel(0, glyph_.height() - 1));
}

// ---------------------------------------------------------------- kinds and pictures

const std::string& BitBtnCaption(TBitBtnKind kind) { return Info(kind).caption; }
ui::TModalResult BitBtnModalResult(TBitBtnKind kind) { return Info(kind).modalResult; }

const ui::Bitmap& GetBitBtnGlyph(TBitBtnKind kind)
{
    static std::array<std::unique_ptr<ui::Bitmap>, 11> cache;
    const auto i = static_cast<std::size_t>(kind) < cache.size() ? static_cast<std::size_t>(kind) : 0;
    if (!cache[i]) {
        const std::optional<ui::Bitmap> loaded = KitBitmapResource(Info(kind).resource);
        cache[i] = std::make_unique<ui::Bitmap>(loaded ? *loaded : ui::Bitmap());
    }
    return *cache[i];
}

std::optional<ui::Bitmap> KitBitmapResource(std::string_view name)
{
    const auto it = std::find_if(kPictures.begin(), kPictures.end(),
                                 [&](const ResourcePicture& p) { return p.name == name; });
    if (it == kPictures.end()) return std::nullopt;
    Canvas c(32, 16, kKeyColor);
    DrawSymbol(c, 0, it->symbol, it->color);
    DrawSymbol(c, 17, it->symbol, clBtnHighlight);
    DrawSymbol(c, 16, it->symbol, clBtnShadow);
    return c.bitmap();
}
