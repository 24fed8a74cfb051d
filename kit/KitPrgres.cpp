#include "kit/KitPrgres.h"

#include <algorithm>

using ui::Canvas;
using ui::TRect;

TKitCustomProgressBar::TKitCustomProgressBar(ui::TComponent* owner) : ui::TGraphicControl(owner)
{
    SetDefaultSize(200, 24);
}

template <class T>
bool TKitCustomProgressBar::Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
}

void TKitCustomProgressBar::SetTotalParts(std::uint32_t value)
{
    value = std::min(value, kMaxParts);
    if (value == totalParts_) return;
    totalParts_ = value;
    partsComplete_ = 0;
    SetPercent(0);
}

void TKitCustomProgressBar::SetPartsComplete(std::uint32_t value)
{
    if (value == partsComplete_) return;
    partsComplete_ = std::min(value, totalParts_);
    if (totalParts_ == 0) return;
    const long long percent = Round(static_cast<long double>(partsComplete_) / totalParts_ * 100);
    SetPercent(static_cast<std::uint16_t>(percent));
}

void TKitCustomProgressBar::SetPercent(std::uint16_t value)
{
    if (value == percent_) return;
    percent_ = value;
    Change();
    Invalidate();
}

void TKitCustomProgressBar::Change()
{
    ui::Fire(OnChange, this, static_cast<int>(percent_));
}

void TKitCustomProgressBar::SetBarStyle(TBarStyle v)
{
    if (v == barStyle_) return;
    barStyle_ = v;
    showPercent_ = v == bsTraditional || v == bsGradient;
    interiorOffset_ = v == bsLED ? 1 : 0;
    Invalidate();
}

void TKitCustomProgressBar::SetBarColor(TColor v)
{
    if (v == barColor_) return;
    barColor_ = v;
    Font().SetColor(v);
    Invalidate();
}

void TKitCustomProgressBar::SetOrientation(TOrientation v) { Store(orientation_, v); }
void TKitCustomProgressBar::SetShowPercent(bool v) { Store(showPercent_, v); }
void TKitCustomProgressBar::SetNumSegments(int v) { Store(numSegments_, std::clamp(v, 1, 100)); }
void TKitCustomProgressBar::SetInteriorOffset(std::uint8_t v) { Store(interiorOffset_, v); }
void TKitCustomProgressBar::SetBackColor(TColor v) { Store(backColor_, v); }
void TKitCustomProgressBar::SetBackColorStop(TColor v) { Store(backColorStop_, v); }
void TKitCustomProgressBar::SetBarColorStop(TColor v) { Store(barColorStop_, v); }
void TKitCustomProgressBar::SetGradientDirection(TGradientDirection v) { Store(gradientDirection_, v); }
void TKitCustomProgressBar::SetBorderOuter(TFrameStyleEx v) { Store(frame_.BorderOuter, v); }
void TKitCustomProgressBar::SetBorderInner(TFrameStyleEx v) { Store(frame_.BorderInner, v); }
void TKitCustomProgressBar::SetBorderWidth(int v) { Store(frame_.BorderWidth, std::max(v, 0)); }
void TKitCustomProgressBar::SetBevelWidth(int v) { Store(frame_.BevelWidth, std::max(v, 1)); }
void TKitCustomProgressBar::SetBorderColor(TColor v) { Store(frame_.BorderColor, v); }
void TKitCustomProgressBar::SetFlatColor(TColor v) { Store(frame_.FlatColor, v); }
void TKitCustomProgressBar::SetFlatColorAdjustment(int v) { Store(frame_.FlatColorAdjustment, v); }
void TKitCustomProgressBar::SetThemeAware(bool v) { Store(themeAware_, v); }

void TKitCustomProgressBar::SetBounds(int left, int top, int width, int height)
{
    ui::TGraphicControl::SetBounds(left, top, width, height);
    SetOrientation(Height() <= Width() ? orHorizontal : orVertical);
}

void TKitCustomProgressBar::Paint(Canvas& canvas)
{
    Canvas buffer(Width(), Height(), frame_.BorderColor);
    buffer.font = CanvasFont(Font());

    TInnerOuterBorders borders = frame_;
    borders.InteriorColor = backColor_;
    borders.ParentColor = Parent() != nullptr ? Parent()->Color() : Color();
    borders.Transparent = false;
    const TRect interior = DrawInnerOuterBorders(buffer, {0, 0, Width(), Height()}, borders);
    if (interiorOffset_ > 0) {
        buffer.pen = {backColor_, interiorOffset_, ui::PenStyle::Solid};
        buffer.brush = ui::Brush::Clear();
        buffer.rectangle(interior);
    }
    const TRect bar = interior.Shrink(interiorOffset_);

    switch (barStyle_) {
    case bsTraditional:
        DrawTraditionalProgressBar(buffer, bar, orientation_, barColor_, backColor_, percent_, showPercent_);
        break;
    case bsLED:
        DrawLEDProgressBar(buffer, bar, orientation_, barColor_, backColor_, numSegments_, percent_, themeAware_);
        break;
    case bsGradient:
        DrawGradientProgressBar(buffer, bar, orientation_, barColor_, barColorStop_, backColor_, backColorStop_,
                                gradientDirection_, percent_, showPercent_);
        break;
    }
    canvas.draw(0, 0, buffer.bitmap());
    ui::Fire(OnPaint, this);
}
