#include "kit/KitLabel.h"

#include "kit/KitGrafx.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

using ui::Canvas;
using ui::TPoint;
using ui::TRect;

namespace {

int ShrinkWidth(TFrameStyleEx style, int bevelWidth)
{
    switch (style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;
    }
}

// The rounded and bold flat frames draw over the text's room instead of adding to it.
int GrowWidth(TFrameStyleEx style, int bevelWidth)
{
    return style == fsFlatBold || style == fsFlatRounded ? 0 : ShrinkWidth(style, bevelWidth);
}

void MoveSidesIn(TRect& r, TSides sides, int by)
{
    if (sides & sdLeft) r.Left += by;
    if (sides & sdTop) r.Top += by;
    if (sides & sdRight) r.Right -= by;
    if (sides & sdBottom) r.Bottom -= by;
}

int Rounded(long double v) { return static_cast<int>(Round(v)); }

// Extension of a file name or address as the platform reads it: from the last dot after the last
// folder separator.
std::string Extension(const std::string& target)
{
    const std::size_t dot = target.find_last_of('.');
    const std::size_t separator = target.find_last_of("/\\:");
    if (dot == std::string::npos || (separator != std::string::npos && separator > dot)) return {};
    return target.substr(dot);
}

}  // namespace

// ---------------------------------------------------------------- TKitLabel

TKitLabel::TKitLabel(ui::TComponent* owner) : ui::TLabel(owner)
{
    SetColor(clBtnFace);
    SetParentColor(true);
    SetLayout(ui::tlTop);
    normalColor_ = Font().Color();
    drawColor_ = normalColor_;
    AcquireBlinkingControlsList().Add(this);
}

TKitLabel::~TKitLabel()
{
    if (TKitBlinkingControlsList* list = BlinkingControlsList()) {
        list->Remove(this);
        ReleaseBlinkingControlsList();
    }
}

template <class T>
bool TKitLabel::Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
}

template <class T>
bool TKitLabel::StoreAndResize(T& field, T value)
{
    if (!Store(field, value)) return false;
    AutoSizeText();
    return true;
}

void TKitLabel::SetAngle(int v)
{
    // Any angle, however far below -360, comes into 0..359.
    v = ((v % 360) + 360) % 360;
    if (v == angle_) return;
    angle_ = v;
    if (!loading_ && v != 0 && !IsTrueTypeFont(CanvasFont(Font()))) Font().SetName("Verdana");
    if (v != 0 && rotation_ == roNone) rotation_ = roFlat;
    AutoSizeText();
    Invalidate();
}

void TKitLabel::SetRotation(TRotation v)
{
    if (v == rotation_) return;
    if (!loading_ && v != roNone && !IsTrueTypeFont(CanvasFont(Font()))) Font().SetName("Verdana");
    rotation_ = v;
    if (v == roNone || v == roFlat) angle_ = 0;
    if (v == roFlat) centerPoint_ = cpCenter;
    Invalidate();
}

void TKitLabel::SetCenterPoint(TCenterPoint v) { Store(centerPoint_, v); }

void TKitLabel::SetBlinking(bool v)
{
    if (v == blinking_) return;
    blinking_ = v;
    if (!v) {
        drawColor_ = normalColor_;
        Invalidate();
    }
}

void TKitLabel::SetBlinkColor(TColor v) { Store(blinkColor_, v); }

unsigned TKitLabel::BlinkIntervalOff() const
{
    const TKitBlinkingControlsList* list = BlinkingControlsList();
    return list != nullptr ? list->FirstInterval() : 500;
}

void TKitLabel::SetBlinkIntervalOff(unsigned ms) { AcquireBlinkingControlsList().SetFirstInterval(ms); }

unsigned TKitLabel::BlinkIntervalOn() const
{
    const TKitBlinkingControlsList* list = BlinkingControlsList();
    return list != nullptr ? list->SecondInterval() : 500;
}

void TKitLabel::SetBlinkIntervalOn(unsigned ms) { AcquireBlinkingControlsList().SetSecondInterval(ms); }

void TKitLabel::CMBlinkState(bool on)
{
    if (blinking_) SetBlinkPhase(on);
}

void TKitLabel::SetBlinkPhase(bool on)
{
    drawColor_ = on ? blinkColor_ : normalColor_;
    Invalidate();
}

void TKitLabel::SetBevelWidth(int v) { StoreAndResize(frame_.BevelWidth, std::max(v, 1)); }
void TKitLabel::SetBorderInner(TFrameStyleEx v) { StoreAndResize(frame_.BorderInner, v); }
void TKitLabel::SetBorderOuter(TFrameStyleEx v) { StoreAndResize(frame_.BorderOuter, v); }
void TKitLabel::SetBorderSides(TSides v) { StoreAndResize(frame_.BorderSides, v & sdAllSides); }
void TKitLabel::SetBorderWidth(int v) { StoreAndResize(frame_.BorderWidth, std::max(v, 0)); }
void TKitLabel::SetBorderColor(TColor v) { Store(frame_.BorderColor, v); }
void TKitLabel::SetBorderHighlight(TColor v) { Store(frame_.BorderHighlight, v); }
void TKitLabel::SetBorderShadow(TColor v) { Store(frame_.BorderShadow, v); }
void TKitLabel::SetFlatColor(TColor v) { Store(frame_.FlatColor, v); }
void TKitLabel::SetFlatColorAdjustment(int v) { Store(frame_.FlatColorAdjustment, v); }
void TKitLabel::SetFlyByColor(TColor v) { flyByColor_ = v; }
void TKitLabel::SetTextStyle(TTextStyle v) { StoreAndResize(textStyle_, v); }
void TKitLabel::SetLightTextStyle(bool v) { Store(lightTextStyle_, v); }
void TKitLabel::SetHighlightColor(TColor v) { Store(highlightColor_, v); }
void TKitLabel::SetShadowColor(TColor v) { Store(shadowColor_, v); }
void TKitLabel::SetShadowDepth(int v) { StoreAndResize(shadowDepth_, v); }
void TKitLabel::SetTextMargin(int v) { Store(textMargin_, v); }

void TKitLabel::SetCondenseCaption(TKitCondenseCaption v)
{
    if (!Store(condenseCaption_, v)) return;
    if (v != ccNone) ui::TLabel::SetAutoSize(false);
}

void TKitLabel::SetAutoSize(bool v)
{
    ui::TLabel::SetAutoSize(v);
    AutoSizeText();
}

void TKitLabel::SetWordWrap(bool v)
{
    ui::TLabel::SetWordWrap(v);
    AutoSizeText();
}

void TKitLabel::UpdateFromFrameController()
{
    const TKitFrameController* controller = FrameController();
    if (controller == nullptr) return;
    if (notifications_.Contains(fcpFrameStyle)) SetBorderOuter(controller->FrameStyle());
    if (notifications_.Contains(fcpFrameSides)) SetBorderSides(controller->FrameSides());
    if (notifications_.Contains(fcpFrameColor)) {
        SetFlatColor(controller->FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (notifications_.Contains(fcpColor)) {
        SetColor(controller->Color());
        SetBorderHighlight(LighterColor(Color(), 100));
        SetBorderShadow(DarkerColor(Color(), 50));
    }
    if (notifications_.Contains(fcpParentColor)) SetParentColor(controller->ParentColor());
    Invalidate();
}

void TKitLabel::SetFlyByEnabled(bool v)
{
    if (v == flyByEnabled_) return;
    flyByEnabled_ = v;
    if (!v && flyByActive_) {
        flyByActive_ = false;
        Font().SetColor(flyBySavedColor_);
    }
}

void TKitLabel::MouseEnter()
{
    ui::TLabel::MouseEnter();
    if (!flyByEnabled_ || flyByActive_) return;
    flyBySavedColor_ = Font().Color();
    flyByActive_ = true;
    Font().SetColor(flyByColor_);
}

void TKitLabel::MouseLeave()
{
    ui::TLabel::MouseLeave();
    if (!flyByActive_) return;
    flyByActive_ = false;
    Font().SetColor(flyBySavedColor_);
}

void TKitLabel::Loaded()
{
    loading_ = false;
    if (rotation_ == roNone && angle_ != 0) rotation_ = roFlat;
    if (rotation_ != roNone && !IsTrueTypeFont(CanvasFont(Font()))) Font().SetName("Verdana");
    normalColor_ = Font().Color();
    drawColor_ = normalColor_;
    AutoSizeText();
    Invalidate();
}

void TKitLabel::FontUpdated()
{
    if (!loading_) {
        if (!blinking_) {
            normalColor_ = Font().Color();
            drawColor_ = normalColor_;
        }
        if (angle_ != 0 && !IsTrueTypeFont(CanvasFont(Font()))) angle_ = 0;
    }
    AutoSizeText();
    Invalidate();
}

void TKitLabel::TextChanged()
{
    AutoSizeText();
    Invalidate();
}

// --- geometry ---

TRect TKitLabel::AdjustClientRectForBorders(TRect r, bool includeBorderWidth) const
{
    if (includeBorderWidth) r = r.Shrink(frame_.BorderWidth);
    MoveSidesIn(r, frame_.BorderSides, ShrinkWidth(frame_.BorderOuter, frame_.BevelWidth));
    MoveSidesIn(r, frame_.BorderSides, ShrinkWidth(frame_.BorderInner, frame_.BevelWidth));
    return r;
}

TRect TKitLabel::AdjustTextExtent(TRect r) const
{
    const int across = ((frame_.BorderSides & sdLeft) ? 1 : 0) + ((frame_.BorderSides & sdRight) ? 1 : 0);
    const int down = ((frame_.BorderSides & sdTop) ? 1 : 0) + ((frame_.BorderSides & sdBottom) ? 1 : 0);
    for (const int w : {GrowWidth(frame_.BorderOuter, frame_.BevelWidth), frame_.BorderWidth, GrowWidth(frame_.BorderInner, frame_.BevelWidth)}) {
        r.Right += w * across;
        r.Bottom += w * down;
    }
    const bool turned = rotation_ == roFlat && angle_ != 0 && angle_ != 180;
    if (!turned) {
        if (textStyle_ == tsShadow) {
            r.Right += shadowDepth_;
            r.Bottom += shadowDepth_;
        }
        return r;
    }
    if (textStyle_ == tsShadow) {
        r.Right += shadowDepth_ / 2;
        r.Bottom += shadowDepth_ / 2;
    }
    // The box the turned text covers, whatever quadrant the angle lies in.
    const long double w = r.Right, h = r.Bottom;
    const long double t = angle_ * std::numbers::pi_v<long double> / 180.0L;
    const long double c = std::fabs(std::cos(t)), s = std::fabs(std::sin(t));
    r.Right = Rounded(w * c + h * s);
    r.Bottom = Rounded(w * s + h * c);
    return r;
}

TPoint TKitLabel::CenterPointOf() const
{
    const int bw = frame_.BorderWidth, w = Width(), h = Height();
    if (rotation_ == roFlat) return {w / 2, h / 2};
    switch (centerPoint_) {
    case cpUpperLeft: return {bw, bw};
    case cpUpperCenter: return {w / 2, bw};
    case cpUpperRight: return {w - bw, bw};
    case cpLeftCenter: return {bw, h / 2};
    case cpCenter: return {w / 2, h / 2};
    case cpRightCenter: return {w - bw, h / 2};
    case cpLowerLeft: return {bw, h - bw};
    case cpLowerCenter: return {w / 2, h - bw};
    case cpLowerRight: return {w - bw, h - bw};
    }
    return {w / 2, h / 2};
}

ui::TSize TKitLabel::CurveRadii() const
{
    const int d = 2 * frame_.BorderWidth, w = Width(), h = Height();
    switch (centerPoint_) {
    case cpUpperCenter:
    case cpLowerCenter: return {w / 2 - d, h - d};
    case cpLeftCenter:
    case cpRightCenter: return {w - d, h / 2 - d};
    case cpCenter: return {w / 2 - d, h / 2 - d};
    default: return {w - d, h - d};
    }
}

unsigned TKitLabel::TextFlags() const
{
    unsigned flags = ui::tfExpandTabs;
    if (Alignment() == ui::taCenter) flags |= ui::tfCenter;
    if (Alignment() == ui::taRightJustify) flags |= ui::tfRight;
    if (WordWrap()) flags |= ui::tfWordBreak;
    // No path ellipsis exists here; the end ellipsis stands in for it.
    if (condenseCaption_ != ccNone) flags |= ui::tfEndEllipsis;
    return flags;
}

void TKitLabel::AutoSizeText()
{
    if (!AutoSize() || loading_) return;
    TRect r = AdjustClientRectForBorders(ui::Rect(0, 0, Width(), Height()), true);
    r = r.Offset(-r.Left, -r.Top);
    Canvas probe(0, 0);
    probe.font = CanvasFont(Font());
    probe.drawText(r, Caption(), TextFlags() | ui::tfCalcRect);
    r = AdjustTextExtent(r);
    const int left = Alignment() == ui::taRightJustify ? Left() + Width() - r.Right : Left();
    SetBounds(left, Top(), r.Right, r.Bottom);
}

// --- painting ---

template <class Draw>
void TKitLabel::DrawStyled(Draw&& draw, int flatShift, bool unrotatedShadow) const
{
    if (!EffectivelyEnabled()) {
        draw(0, 0, clGrayText);
        return;
    }
    switch (textStyle_) {
    case tsRaised:
        if (!lightTextStyle_) draw(1, 1, shadowColor_);
        draw(-1, -1, highlightColor_);
        break;
    case tsRecessed:
        draw(1, 1, highlightColor_);
        if (!lightTextStyle_) draw(-1, -1, shadowColor_);
        break;
    case tsShadow:
        if (unrotatedShadow) draw(shadowDepth_, shadowDepth_, shadowColor_);
        else draw(flatShift, flatShift, shadowColor_);
        break;
    case tsNormal: break;
    }
    const int back = textStyle_ == tsShadow && !unrotatedShadow ? -flatShift : 0;
    draw(back, back, drawColor_);
}

void TKitLabel::Paint(Canvas& canvas)
{
    if (Transparent()) DrawParentBackground(*this, canvas, false);
    TInnerOuterBorders b = frame_;
    b.InteriorColor = Color();
    b.ParentColor = Parent() != nullptr ? Parent()->Color() : Color();
    b.Transparent = Transparent();
    const TRect inner = DrawInnerOuterBorders(canvas, ui::Rect(0, 0, Width(), Height()), b);
    {
        const ui::CanvasStateGuard keep(canvas);
        if (!Transparent()) {
            canvas.brush = ui::Brush::Solid(Color());
            canvas.fillRect(inner);
        }
        canvas.brush = ui::Brush::Clear();
        canvas.font = CanvasFont(Font());
        if (rotation_ == roCurve) DrawCurvedText(canvas);
        else DrawPlainText(canvas);
    }
    ui::TLabel::Paint(canvas);
}

// The quarter turns run the text along an edge of the label's rectangle, placed by the alignment; any
// other angle centres the turned text on the label's centre. The point is where the turned text starts
// (level: its top), a quarter of the line height off the centre line so that the ink is centred across.
TKitLabel::FlatPlace TKitLabel::PlaceFlatText(const Canvas& canvas, const TRect& r, const std::string& shown) const
{
    const TPoint p = CenterPointOf();
    const int s = textStyle_ == tsShadow ? shadowDepth_ / 2 : 0;
    const int w = canvas.textWidth(shown) + s;
    const int lineHeight = canvas.textHeight("Yy");
    const int h = lineHeight + s;
    const long double a = angle_ * std::numbers::pi_v<long double> / 180.0L + std::numbers::pi_v<long double> / 2;
    const long double q = lineHeight / 4.0L;
    const int across = p.X - Rounded(std::cos(a) * q);
    const ui::TAlignment alignment = Alignment();
    const auto by = [alignment](int centred, int right, int left) {
        return alignment == ui::taCenter ? centred : alignment == ui::taRightJustify ? right : left;
    };
    const ui::TextAlign baseline{ui::TextAlignH::Left, ui::TextAlignV::Baseline};
    switch (angle_) {
    case 0:
        return {{by(p.X, r.Right - w - s, r.Left + s), p.Y - h / 2},
                {alignment == ui::taCenter ? ui::TextAlignH::Center : ui::TextAlignH::Left, ui::TextAlignV::Top}};
    case 90: return {{across, by(r.Bottom - (r.Bottom - w) / 2, r.Top + w + s, r.Bottom - s)}, baseline};
    case 180: return {{by(r.Right - (r.Right - w) / 2, r.Left + w, r.Right - s), p.Y - h / 4}, baseline};
    case 270: return {{across, by((r.Bottom - w) / 2, r.Bottom - w - s, r.Top + s)}, baseline};
    default: return {{across, p.Y + Rounded(std::sin(a) * q)}, {ui::TextAlignH::Center, ui::TextAlignV::Baseline}};
    }
}

void TKitLabel::DrawPlainText(Canvas& canvas)
{
    TRect r = AdjustClientRectForBorders(ui::Rect(0, 0, Width(), Height()), true).Shrink(textMargin_);
    const std::string& text = Caption();
    const unsigned flags = TextFlags();
    const bool shadow = textStyle_ == tsShadow;

    if (rotation_ == roFlat) {
        const FlatPlace at = PlaceFlatText(canvas, r, RemoveAccelChar(text));
        canvas.textAlign = at.align;
        canvas.font = CreateRotatedFont(canvas.font, angle_);
        DrawStyled(
            [&](int dx, int dy, TColor colour) {
                canvas.font.color = colour;
                canvas.textRect(r, at.point.X + dx, at.point.Y + dy, RemoveAccelChar(text));
            },
            shadow ? shadowDepth_ / 2 : 0, false);
        return;
    }

    TRect measured = r;
    const int textHeight = canvas.drawText(measured, text, flags | ui::tfCalcRect);
    if (Layout() == ui::tlCenter) r = r.Offset(0, (r.Height() - textHeight) / 2);
    if (Layout() == ui::tlBottom) r = r.Offset(0, r.Height() - textHeight);
    if (shadow && Alignment() == ui::taRightJustify) r = r.Offset(-shadowDepth_, 0);
    if (shadow && Layout() == ui::tlBottom) r = r.Offset(0, -shadowDepth_);
    DrawStyled(
        [&](int dx, int dy, TColor colour) {
            canvas.font.color = colour;
            TRect copy = r.Offset(dx, dy);
            canvas.drawText(copy, text, flags);
        },
        0, true);
}

void TKitLabel::DrawCurvedText(Canvas& canvas)
{
    const ui::TSize radii = CurveRadii();
    // A curve without a radius has no length to lay the letters along.
    if (radii.cx <= 0 || radii.cy <= 0) return;
    const TPoint c = CenterPointOf();
    const int h = canvas.textHeight("Yy");
    const long double step = (canvas.textWidth("w") + 2) / static_cast<long double>(radii.cx);
    canvas.textAlign = {ui::TextAlignH::Center, ui::TextAlignV::Baseline};
    long double a = angle_ * std::numbers::pi_v<long double> / 180.0L;
    for (const char32_t ch : platform::DecodeUtf8(Caption())) {
        std::string letter;
        platform::AppendUtf8(letter, ch);
        const int x = c.X - Rounded((radii.cx - h) * std::sin(a));
        const int y = c.Y - Rounded((radii.cy - h) * std::cos(a));
        canvas.font.escapement = Rounded(a * 1800.0L / std::numbers::pi_v<long double>);
        const auto put = [&](int dx, int dy, TColor colour) {
            canvas.font.color = colour;
            canvas.textOut(x + dx, y + dy, letter);
        };
        if (!EffectivelyEnabled()) {
            put(1, 1, clBtnHighlight);
            put(0, 0, clBtnShadow);
        } else {
            DrawStyled(put, 0, true);
        }
        a -= step;
    }
}

// ---------------------------------------------------------------- TKitURLLabel

// Carries the opener's reports from whichever thread they come on to the label, on the window thread, for
// as long as the label lives.
class TKitURLLabel::OpenReports : public std::enable_shared_from_this<OpenReports> {
public:
    OpenReports(TKitURLLabel& label, ui::Application& app) : label_(&label), app_(app) {}

    void Deliver(std::function<void(TKitURLLabel&)> act)
    {
        {
            const std::lock_guard lock(mutex_);
            if (label_ == nullptr) return;
            if (!app_.InWindowThread()) {
                app_.Post([self = shared_from_this(), act = std::move(act)]() mutable { self->Deliver(std::move(act)); });
                return;
            }
        }
        // On the window thread nothing can take the label away meanwhile.
        act(*label_);
    }

    // A report that hands its answer to the label.
    platform::OpenReport To(void (TKitURLLabel::*handler)(const std::string&, bool), const std::string& target)
    {
        return [self = shared_from_this(), handler, target](bool answer) {
            self->Deliver([handler, target, answer](TKitURLLabel& label) { (label.*handler)(target, answer); });
        };
    }

    void Forget()
    {
        const std::lock_guard lock(mutex_);
        label_ = nullptr;
    }

private:
    std::mutex mutex_;
    TKitURLLabel* label_;
    ui::Application& app_;
};

TKitURLLabel::TKitURLLabel(ui::TComponent* owner)
    : TKitLabel(owner), reports_(std::make_shared<OpenReports>(*this, ui::App()))
{
    SetCursor(ui::crHandPoint);
    SetTextStyle(tsNormal);
    Font().SetColor(clHighlight);
    Font().SetStyle({ui::fsUnderline});
}

TKitURLLabel::~TKitURLLabel() { reports_->Forget(); }

void TKitURLLabel::UpdateLinkColor() { Font().SetColor(visited_ ? visitedColor_ : unvisitedColor_); }

void TKitURLLabel::SetVisited(bool v)
{
    if (v == visited_) return;
    visited_ = v;
    UpdateLinkColor();
    Invalidate();
}

void TKitURLLabel::SetUnvisitedColor(TColor v)
{
    if (v == unvisitedColor_) return;
    unvisitedColor_ = v;
    UpdateLinkColor();
    Invalidate();
}

void TKitURLLabel::SetVisitedColor(TColor v)
{
    if (v == visitedColor_) return;
    visitedColor_ = v;
    UpdateLinkColor();
    Invalidate();
}

platform::DesktopOpener& TKitURLLabel::Opener() const
{
    return opener_ != nullptr ? *opener_ : platform::SystemDesktopOpener();
}

void TKitURLLabel::Click()
{
    TKitLabel::Click();
    const std::string url = platform::Trim(URL());
    const std::string target = url.empty() ? platform::Trim(Caption()) : url;
    if (target.empty()) return;
    Opener().Open(target, reports_->To(&TKitURLLabel::Opened, target));
}

void TKitURLLabel::Opened(const std::string& target, bool opened)
{
    if (opened) {
        SetVisited(true);
        return;
    }
    if (platform::AsciiUpper(Extension(target)) == ".HTM")
        Opener().OpenWith(target, reports_->To(&TKitURLLabel::ChooserOffered, target));
}

void TKitURLLabel::ChooserOffered(const std::string& target, bool offered)
{
    if (offered) return;
    ui::MessageDlg("Не удалось открыть \"" + target +
                       "\", а выбрать программу для него нельзя: рабочий стол не предлагает окна выбора программы.",
                   ui::mtWarning, {ui::mbOK});
}
