#include "kit/KitCommon.h"

#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/SystemColors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

using ui::Canvas;
using ui::TRect;

// --- numbers ---

long long Round(long double value)
{
    // nearbyint follows the current rounding mode, which the program never changes from to-nearest-even.
    return static_cast<long long>(std::nearbyint(value));
}

// --- colours ---

namespace {

std::uint8_t ToByte(long double value)
{
    return static_cast<std::uint8_t>(std::clamp<long long>(Round(value), 0, 255));
}

}  // namespace

void ColorToHSL(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l)
{
    const TColor c = ui::ResolveColor(color);
    const long double r = ui::RedOf(c) / 255.0L;
    const long double g = ui::GreenOf(c) / 255.0L;
    const long double b = ui::BlueOf(c) / 255.0L;
    const long double maxC = std::max({r, g, b});
    const long double minC = std::min({r, g, b});
    const long double lightness = (maxC + minC) / 2;
    long double hue = 0;
    long double saturation = 0;
    if (maxC != minC) {
        const long double d = maxC - minC;
        saturation = lightness < 0.5L ? d / (maxC + minC) : d / (2 - maxC - minC);
        if (r == maxC) hue = (g - b) / d;
        else if (g == maxC) hue = 2 + (b - r) / d;
        else hue = 4 + (r - g) / d;
        hue /= 6;
        if (hue < 0) hue += 1;
    }
    h = ToByte(240 * hue);
    s = ToByte(240 * saturation);
    l = ToByte(240 * lightness);
}

std::uint8_t ColorHue(TColor color)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(color, h, s, l);
    return h;
}

TColor HSLToColor(std::uint8_t hue, std::uint8_t saturation, std::uint8_t lightness)
{
    const long double h = hue / 239.0L;
    const long double s = saturation / 240.0L;
    const long double l = lightness / 240.0L;
    const long double m2 = l < 0.5L ? l * (1 + s) : l + s - l * s;
    if (m2 <= 0) return clBlack;
    const long double m1 = 2 * l - m2;
    const long double sv = (m2 - m1) / m2;
    const int sextant = static_cast<int>(h * 6);
    const long double f = h * 6 - sextant;
    const long double v = m2 * sv * f;
    const long double mid1 = m1 + v;
    const long double mid2 = m2 - v;
    long double r = m2, g = mid1, b = m1;
    switch (sextant) {
    case 1: r = mid2, g = m2, b = m1; break;
    case 2: r = m1, g = m2, b = mid1; break;
    case 3: r = m1, g = mid2, b = m2; break;
    case 4: r = mid1, g = m1, b = m2; break;
    case 5: r = m2, g = m1, b = mid2; break;
    default: break;
    }
    const auto channel = [](long double x) { return ToByte(std::min(x, 1.0L) * 255); };
    return ui::Rgb(channel(r), channel(g), channel(b));
}

TColor DarkerColor(TColor color, int amount)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(color, h, s, l);
    return HSLToColor(h, s, static_cast<std::uint8_t>(std::max(l - (amount & 255), 0)));
}

TColor LighterColor(TColor color, int amount)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(color, h, s, l);
    return HSLToColor(h, s, static_cast<std::uint8_t>(std::min(l + (amount & 255), 255)));
}

TColor AdjustColor(TColor color, int amount)
{
    if (amount < 0) return DarkerColor(color, -amount);
    if (amount > 0) return LighterColor(color, amount);
    return color;
}

TColor BlendColors(TColor color1, TColor color2, int weight)
{
    const TColor c1 = ui::ResolveColor(color1);
    const TColor c2 = ui::ResolveColor(color2);
    const unsigned w = static_cast<unsigned>(std::clamp(weight, 0, 255));
    // Exact in integers: with 255 odd, c1 * w / 255 + c2 * (255 - w) / 255 never lies on a half.
    const auto mix = [w](unsigned a, unsigned b) {
        const unsigned num = a * w + b * (255 - w);
        return num / 255 + (2 * (num % 255) > 255 ? 1 : 0);
    };
    return ui::Rgb(mix(ui::RedOf(c1), ui::RedOf(c2)), mix(ui::GreenOf(c1), ui::GreenOf(c2)),
                   mix(ui::BlueOf(c1), ui::BlueOf(c2)));
}

bool SimilarColors(TColor color1, TColor color2)
{
    std::uint8_t h1 = 0, s1 = 0, l1 = 0, h2 = 0, s2 = 0, l2 = 0;
    ColorToHSL(color1, h1, s1, l1);
    ColorToHSL(color2, h2, s2, l2);
    return std::abs(h1 - h2) < 20 && std::abs(l1 - l2) < 60;
}

TColor ComplementColor(TColor color, std::uint8_t lightness)
{
    const int h = ColorHue(color);
    return HSLToColor(static_cast<std::uint8_t>(h < 120 ? h + 120 : h - 120), 240, lightness);
}

// --- colour schemes ---

namespace {

struct XPScheme {
    TColor gradientStart, gradientStop, frame, groupBarFirst, groupBarSecond;
};
constexpr std::array<XPScheme, 3> kXPSchemes = {{
    {0xFFEFE3, 0xEABB99, 0xBF7F57, 0xE7A27B, 0xD67563},  // default blue
    {0xEDFFFF, 0x92C7B8, 0x77A17F, 0xADD9CC, 0x84BDA5},  // HOMESTEAD
    {0xFFF9F9, 0xD0BCBD, 0xB19F9F, 0xD4C8C4, 0xC8B3B1},  // METALLIC
}};

bool UsesScheme(TKitGradientColorStyle style)
{
    return style == gcsMSOffice && ThemesActive();
}

const XPScheme& CurrentScheme()
{
    return kXPSchemes[static_cast<std::size_t>(GetXPColorScheme())];
}

}  // namespace

int XPColorSchemeFromName(std::string_view name)
{
    const std::string upper = platform::AsciiUpper(name);
    if (upper == "HOMESTEAD") return 1;
    if (upper == "METALLIC") return 2;
    return 0;
}

int GetXPColorScheme()
{
    return XPColorSchemeFromName(platform::ColorSchemeName());
}

void GetXPGradientColors(TKitGradientColorStyle style, TColor& start, TColor& stop)
{
    if (UsesScheme(style)) {
        start = CurrentScheme().gradientStart;
        stop = CurrentScheme().gradientStop;
        return;
    }
    start = clWindow;
    stop = DarkerColor(clBtnFace, 10);
}

TColor GetXPFrameColor(TKitGradientColorStyle style)
{
    return UsesScheme(style) ? CurrentScheme().frame : LighterColor(clBtnShadow, 30);
}

void GetXPGroupBoxColors(TKitGradientColorStyle style, TColor& a, TColor& b, TColor& c)
{
    if (UsesScheme(style)) {
        a = CurrentScheme().gradientStop;
        b = CurrentScheme().gradientStart;
        c = CurrentScheme().gradientStop;
        return;
    }
    a = DarkerColor(clBtnFace, 20);
    b = clWindow;
    c = DarkerColor(clBtnFace, 40);
}

void GetXPGroupBarColors(TKitGradientColorStyle style, TColor& first, TColor& second)
{
    if (UsesScheme(style)) {
        first = CurrentScheme().groupBarFirst;
        second = CurrentScheme().groupBarSecond;
        return;
    }
    first = BlendColors(clBlack, clBtnFace, 40);
    second = BlendColors(clBlack, clBtnFace, 80);
}

TColor GetXPThemeColor(int)
{
    return clBtnFace;
}

// --- frames ---

TRect DrawSides(Canvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor, TSides sides)
{
    const TRect r = rect;
    canvas.pen.style = ui::PenStyle::Solid;
    if (ulColor != clNone) {
        canvas.pen.color = ulColor;
        if (sides & sdLeft) {
            canvas.moveTo(r.Left, r.Top);
            canvas.lineTo(r.Left, r.Bottom);
        }
        if (sides & sdTop) {
            canvas.moveTo(r.Left, r.Top);
            canvas.lineTo(r.Right, r.Top);
        }
    }
    if (lrColor != clNone) {
        canvas.pen.color = lrColor;
        if (sides & sdRight) {
            canvas.moveTo(r.Right - 1, r.Top);
            canvas.lineTo(r.Right - 1, r.Bottom);
        }
        if (sides & sdBottom) {
            canvas.moveTo(r.Left, r.Bottom - 1);
            canvas.lineTo(r.Right, r.Bottom - 1);
        }
    }
    return {r.Left + ((sides & sdLeft) ? 1 : 0), r.Top + ((sides & sdTop) ? 1 : 0),
            r.Right - ((sides & sdRight) ? 1 : 0), r.Bottom - ((sides & sdBottom) ? 1 : 0)};
}

TRect DrawBevel(Canvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor, int width, TSides sides)
{
    canvas.pen.width = 1;
    TRect r = rect;
    for (int i = 0; i < width; ++i) r = DrawSides(canvas, r, ulColor, lrColor, sides);
    return r;
}

namespace {

struct TwoRings {
    TColor outerUL, outerLR, innerUL, innerLR;
};
constexpr TwoRings kRaised{cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow};
constexpr TwoRings kLowered{clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight};
constexpr TwoRings kButtonUp{clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow};
constexpr TwoRings kButtonDown{clBtnText, clBtnText, clBtnShadow, clBtnShadow};

TRect DrawTwoRings(Canvas& canvas, const TRect& rect, const TwoRings& rings, TSides sides)
{
    const TRect r = DrawBevel(canvas, rect, rings.outerUL, rings.outerLR, 1, sides);
    return DrawBevel(canvas, r, rings.innerUL, rings.innerLR, 1, sides);
}

// A two-line etched frame (groove or bump): two offset one-pixel rings, the corners where they cross
// set first so that each colour meets the other cleanly.
TRect DrawEtched(Canvas& canvas, const TRect& r, TColor ul, TColor lr, TSides sides)
{
    const bool left = sides & sdLeft, top = sides & sdTop, right = sides & sdRight, bottom = sides & sdBottom;
    if (right) canvas.setPixel(r.Right - 1, r.Top, lr);
    else if (top) canvas.setPixel(r.Right - 1, r.Top, ul);
    if (bottom) canvas.setPixel(r.Left, r.Bottom - 1, lr);
    else if (left) canvas.setPixel(r.Left, r.Bottom - 1, ul);
    if (top && !left) canvas.setPixel(r.Left, r.Top + 1, lr);
    if (left && !top) canvas.setPixel(r.Left + 1, r.Top, lr);
    if (bottom && !right) canvas.setPixel(r.Right - 1, r.Bottom - 2, ul);
    if (right && !bottom) canvas.setPixel(r.Right - 2, r.Bottom - 1, ul);
    DrawSides(canvas, {r.Left + 1, r.Top + 1, r.Right, r.Bottom}, lr, lr, sides);
    DrawSides(canvas, {r.Left, r.Top, r.Right - 1, r.Bottom - 1}, ul, ul, sides);
    return {r.Left + (left ? 2 : 0), r.Top + (top ? 2 : 0), r.Right - (right ? 2 : 0), r.Bottom - (bottom ? 2 : 0)};
}

}  // namespace

TRect Draw3DBorderSides(Canvas& canvas, const TRect& rect, bool lowered, TSides sides)
{
    return DrawTwoRings(canvas, rect, lowered ? kLowered : kRaised, sides);
}

TRect DrawButtonBorderSides(Canvas& canvas, const TRect& rect, bool down, TSides sides)
{
    return DrawTwoRings(canvas, rect, down ? kButtonDown : kButtonUp, sides);
}

TRect DrawButtonBorder(Canvas& canvas, const TRect& rect, bool down)
{
    return DrawButtonBorderSides(canvas, rect, down, sdAllSides);
}

TRect DrawBorderSides(Canvas& canvas, const TRect& rect, TFrameStyleEx style, TSides sides)
{
    switch (style) {
    case fsNone: return rect;
    case fsFlat: return DrawSides(canvas, rect, cl3DDkShadow, cl3DDkShadow, sides);
    case fsStatus: return DrawSides(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case fsPopup: return DrawSides(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case fsFlatBold: return DrawBevel(canvas, rect, clBtnShadow, clBtnShadow, 2, sides);
    case fsLowered: return Draw3DBorderSides(canvas, rect, true, sides);
    case fsRaised: return Draw3DBorderSides(canvas, rect, false, sides);
    case fsButtonDown: return DrawButtonBorderSides(canvas, rect, true, sides);
    case fsButtonUp: return DrawButtonBorderSides(canvas, rect, false, sides);
    case fsGroove: return DrawEtched(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case fsBump: return DrawEtched(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    // No caller passes the rounded style here (the complete frame draws it itself); an etched frame in the
    // flat colour is its nearest plain form.
    case fsFlatRounded: return DrawEtched(canvas, rect, cl3DDkShadow, cl3DDkShadow, sides);
    }
    return rect;
}

TRect DrawBorder(Canvas& canvas, const TRect& rect, TFrameStyleEx style)
{
    return DrawBorderSides(canvas, rect, style, sdAllSides);
}

TRect DrawColorEdgeSides(Canvas& canvas, const TRect& rect, TColor color, bool pressed, TSides sides)
{
    if (pressed) {
        const TRect r = DrawSides(canvas, rect, DarkerColor(color, 100), DarkerColor(color, 100), sides);
        return DrawSides(canvas, r, DarkerColor(color, 50), DarkerColor(color, 50), sides);
    }
    const TRect r = DrawSides(canvas, rect, LighterColor(color, 100), DarkerColor(color, 100), sides);
    return DrawSides(canvas, r, LighterColor(color, 40), DarkerColor(color, 50), sides);
}

TRect DrawColorEdge(Canvas& canvas, const TRect& rect, TColor color, bool pressed)
{
    return DrawColorEdgeSides(canvas, rect, color, pressed, sdAllSides);
}

TRect DrawColorButtonBorderSides(Canvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style, TSides sides)
{
    const TColor dark50 = DarkerColor(color, 50);
    const TColor dark100 = DarkerColor(color, 100);
    const TColor light50 = LighterColor(color, 50);
    const TColor light100 = LighterColor(color, 100);
    switch (style) {
    case fsNone: return rect;
    case fsFlat: return DrawSides(canvas, rect, dark50, dark50, sides);
    case fsStatus: return DrawSides(canvas, rect, dark50, light100, sides);
    case fsPopup: return DrawSides(canvas, rect, light100, dark50, sides);
    case fsFlatBold: return DrawBevel(canvas, rect, dark50, dark50, 2, sides);
    case fsLowered:
        return DrawSides(canvas, DrawSides(canvas, rect, dark50, light100, sides), dark100, light50, sides);
    case fsRaised:
        return DrawSides(canvas, DrawSides(canvas, rect, light50, dark100, sides), light100, dark50, sides);
    case fsButtonDown: return DrawColorEdgeSides(canvas, rect, color, true, sides);
    case fsButtonUp: return DrawColorEdgeSides(canvas, rect, color, false, sides);
    case fsGroove: return DrawEtched(canvas, rect, dark50, light100, sides);
    case fsBump:
    case fsFlatRounded: return DrawEtched(canvas, rect, light100, dark50, sides);
    }
    return rect;
}

TRect DrawColorButtonBorder(Canvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style)
{
    return DrawColorButtonBorderSides(canvas, rect, color, style, sdAllSides);
}

TRect DrawBox(Canvas& canvas, const TRect& rect, TColor color)
{
    return DrawSides(canvas, rect, color, color, sdAllSides);
}

TRect DrawFocusBorder(Canvas& canvas, const TRect& rect)
{
    const TRect& r = rect;
    for (int y = r.Top + 1; y < r.Bottom; y += 2) {
        canvas.setPixel(r.Left, y, clBlack);
        canvas.setPixel(r.Right - 1, y, clBlack);
    }
    for (int x = r.Left + 1; x < r.Right; x += 2) {
        canvas.setPixel(x, r.Top, clBlack);
        canvas.setPixel(x, r.Bottom - 1, clBlack);
    }
    return r.Shrink(1);
}

TRect DrawRoundedFlatSides(Canvas& canvas, const TRect& rect, TColor color, TSides sides)
{
    const TRect& r = rect;
    const bool left = sides & sdLeft, top = sides & sdTop, right = sides & sdRight, bottom = sides & sdBottom;
    canvas.pen.style = ui::PenStyle::Solid;
    canvas.pen.width = 1;
    canvas.pen.color = color;
    const auto line = [&](int x0, int y0, int x1, int y1) {
        canvas.moveTo(x0, y0);
        canvas.lineTo(x1, y1);
    };
    if (left) line(r.Left, r.Top + (top ? 2 : 0), r.Left, r.Bottom - (bottom ? 2 : 0));
    if (top) line(r.Left + (left ? 2 : 0), r.Top, r.Right - (right ? 2 : 0), r.Top);
    if (right) line(r.Right - 1, r.Top + (top ? 2 : 0), r.Right - 1, r.Bottom - (bottom ? 2 : 0));
    if (bottom) line(r.Left + (left ? 2 : 0), r.Bottom - 1, r.Right - (right ? 2 : 0), r.Bottom - 1);
    if (left && top) canvas.setPixel(r.Left + 1, r.Top + 1, color);
    if (top && right) canvas.setPixel(r.Right - 2, r.Top + 1, color);
    if (right && bottom) canvas.setPixel(r.Right - 2, r.Bottom - 2, color);
    if (bottom && left) canvas.setPixel(r.Left + 1, r.Bottom - 2, color);
    return {r.Left + (left ? 2 : 0), r.Top + (top ? 2 : 0), r.Right - (right ? 2 : 0), r.Bottom - (bottom ? 2 : 0)};
}

namespace {

// One frame of the complete border, outer or inner. `ringColor` is what the rounded style lays under
// its outline: the parent's colour outside, the band's colour inside.
TRect DrawFramePart(Canvas& canvas, const TRect& r, TFrameStyleEx style, bool inner, const TInnerOuterBorders& b,
                   TColor fc)
{
    const TSides sides = b.BorderSides;
    switch (style) {
    case fsFlat:
        if (inner && b.RoundFlatInnerCorners) {
            canvas.pen.style = ui::PenStyle::Solid;
            canvas.pen.width = 1;
            canvas.pen.color = fc;
            const ui::TPoint outline[] = {{r.Left + 1, r.Top},        {r.Right - 1, r.Top},
                                         {r.Right - 1, r.Top + 1},   {r.Right - 1, r.Bottom - 1},
                                         {r.Right - 2, r.Bottom - 1}, {r.Left, r.Bottom - 1},
                                         {r.Left, r.Bottom - 2},     {r.Left, r.Top}};
            for (std::size_t i = 0; i < std::size(outline); i += 2) {
                canvas.moveTo(outline[i].X, outline[i].Y);
                canvas.lineTo(outline[i + 1].X, outline[i + 1].Y);
            }
            return r.Shrink(1);
        }
        return DrawBevel(canvas, r, fc, fc, 1, sides);
    case fsFlatBold: return DrawBevel(canvas, r, fc, fc, 2, sides);
    case fsFlatRounded: {
        const bool banded = b.BorderWidth > 0 || b.BorderInner != fsNone;
        if (!b.Transparent) {
            const TColor first = inner ? b.BorderColor : b.ParentColor;
            const TColor second = inner ? b.InteriorColor : (banded ? b.BorderColor : b.InteriorColor);
            const TRect next = DrawBevel(canvas, r, first, first, 1, sides);
            DrawBevel(canvas, next, second, second, 1, sides);
        } else if (inner) {
            DrawBevel(canvas, r, b.BorderColor, b.BorderColor, 1, sides);
        } else if (banded) {
            DrawBevel(canvas, r.Shrink(1), b.BorderColor, b.BorderColor, 1, sides);
        }
        return DrawRoundedFlatSides(canvas, r, fc, sides);
    }
    case fsPopup: return DrawBevel(canvas, r, b.BorderHighlight, b.BorderShadow, b.BevelWidth, sides);
    case fsStatus: return DrawBevel(canvas, r, b.BorderShadow, b.BorderHighlight, b.BevelWidth, sides);
    default: return DrawBorderSides(canvas, r, style, sides);
    }
}

}  // namespace

TRect DrawInnerOuterBorders(Canvas& canvas, const TRect& bounds, const TInnerOuterBorders& borders)
{
    const TColor fc = AdjustColor(borders.FlatColor, borders.FlatColorAdjustment);
    TRect r = DrawFramePart(canvas, bounds, borders.BorderOuter, false, borders, fc);
    if (borders.BorderWidth > 0)
        r = DrawBevel(canvas, r, borders.BorderColor, borders.BorderColor, borders.BorderWidth, borders.BorderSides);
    return DrawFramePart(canvas, r, borders.BorderInner, true, borders, fc);
}

void DrawGroupBarBackground(Canvas& canvas, const TRect& rect, TKitVisualStyle visualStyle,
                            TKitGradientColorStyle colorStyle, TKitGroupBarGradientPath path, TColor customFirst,
                            TColor customSecond)
{
    if (visualStyle == vsClassic || !IsTrueColorDisplay()) return;
    TColor first = customFirst, second = customSecond;
    if (colorStyle != gcsCustom) GetXPGroupBarColors(colorStyle, first, second);
    if (path == gpBottomToTop) std::swap(first, second);
    PaintGradientRect(canvas, rect, gdHorizontalEnd, first, second, 1);
}

// --- progress painters ---

TRect ProgressFilledPart(const TRect& bar, TOrientation orientation, unsigned percent)
{
    if (percent >= 100) return bar;
    if (orientation == orHorizontal)
        return {bar.Left, bar.Top, bar.Left + static_cast<int>(Round(bar.Width() * (percent / 100.0L))), bar.Bottom};
    return {bar.Left, bar.Bottom - static_cast<int>(Round(percent * bar.Height() / 100.0L)), bar.Right, bar.Bottom};
}

namespace {

TRect EmptyPart(const TRect& bar, const TRect& filled, TOrientation orientation)
{
    if (orientation == orHorizontal) return {filled.Right, bar.Top, bar.Right, bar.Bottom};
    return {bar.Left, bar.Top, bar.Right, filled.Top};
}

std::string PercentText(unsigned percent, bool show)
{
    return show ? std::to_string(percent) + "%" : std::string();
}

// Where the percentage stands: centred across the bar, its top so that an "X" sits in the middle.
ui::TPoint PercentTextPlace(Canvas& canvas, const TRect& bar)
{
    canvas.textAlign = {ui::TextAlignH::Center, ui::TextAlignV::Top};
    return {bar.Left + bar.Width() / 2, bar.Top + (bar.Height() - canvas.textHeight("X")) / 2};
}

}  // namespace

void DrawTraditionalProgressBar(Canvas& canvas, const TRect& bar, TOrientation orientation, TColor barColor,
                                TColor backColor, unsigned percent, bool showPercent, bool transparent)
{
    const ui::CanvasStateGuard keep(canvas);
    const std::string text = PercentText(percent, showPercent);
    const ui::TPoint at = PercentTextPlace(canvas, bar);
    const TRect filled = ProgressFilledPart(bar, orientation, percent);
    const auto part = [&](const TRect& r, TColor fill, TColor ink) {
        canvas.font.color = ink;
        canvas.brush = transparent ? ui::Brush::Clear() : ui::Brush::Solid(fill);
        canvas.textRect(r, at.X, at.Y, text);
    };
    part(filled, barColor, backColor);
    part(EmptyPart(bar, filled, orientation), backColor, barColor);
}

void DrawGradientProgressBar(Canvas& canvas, const TRect& bar, TOrientation orientation, TColor barColor,
                             TColor barStopColor, TColor backColor, TColor backStopColor,
                             TGradientDirection direction, unsigned percent, bool showPercent, bool transparent)
{
    const ui::CanvasStateGuard keep(canvas);
    const std::string text = PercentText(percent, showPercent);
    const ui::TPoint at = PercentTextPlace(canvas, bar);
    const TRect filled = ProgressFilledPart(bar, orientation, percent);
    const auto part = [&](const TRect& r, TColor from, TColor to, TColor ink) {
        if (!transparent) PaintGradientRect(canvas, r, direction, from, to, 1);
        canvas.font.color = ink;
        canvas.brush = ui::Brush::Clear();
        canvas.textRect(r, at.X, at.Y, text);
    };
    part(filled, barColor, barStopColor, backColor);
    part(EmptyPart(bar, filled, orientation), backColor, backStopColor, barColor);
}

TLEDSegments LEDProgressSegments(int length, int numSegments, unsigned percent)
{
    TLEDSegments seg;
    if (length <= 0) return seg;
    // A segment count below one would divide by zero; one segment spans the whole bar instead.
    int n = std::max(numSegments, 1);
    seg.size = length / n;
    if (length <= 80 && n >= 11) {
        n = 10;
        seg.size = length / 10;
    }
    const int extra = seg.size > 0 ? std::max((length - n * seg.size) / seg.size, 0) : 0;
    seg.total = n + extra;
    seg.margin = std::max((length - seg.total * seg.size) / 2, 0);
    seg.lit = static_cast<int>(std::min<long long>(static_cast<long long>(percent) * seg.total / 100, seg.total));
    return seg;
}

void DrawLEDProgressBar(Canvas& canvas, const TRect& bar, TOrientation orientation, TColor barColor,
                        TColor backColor, int numSegments, unsigned percent, bool, bool transparent)
{
    if (bar.IsEmpty()) return;
    const ui::CanvasStateGuard keep(canvas);
    const bool horizontal = orientation == orHorizontal;
    const TLEDSegments seg = LEDProgressSegments(horizontal ? bar.Width() : bar.Height(), numSegments, percent);
    const int used = seg.total * seg.size;
    if (!transparent) {
        canvas.pen.style = ui::PenStyle::Clear;
        canvas.brush = ui::Brush::Solid(backColor);
        if (horizontal) {
            canvas.fillRect({bar.Left, bar.Top, bar.Left + seg.margin, bar.Bottom});
            canvas.fillRect({bar.Left + seg.margin + used, bar.Top, bar.Right, bar.Bottom});
        } else {
            canvas.fillRect({bar.Left, bar.Top, bar.Right, bar.Top + seg.margin});
            canvas.fillRect({bar.Left, bar.Top + seg.margin + used, bar.Right, bar.Bottom});
        }
    }
    canvas.pen = {backColor, 1, ui::PenStyle::Solid};
    for (int i = 1; i <= seg.total; ++i) {
        const bool lit = i <= seg.lit;
        if (!lit && transparent) continue;
        canvas.brush = ui::Brush::Solid(lit ? barColor : backColor);
        if (horizontal) {
            const int x = bar.Left + seg.margin + (i - 1) * seg.size;
            canvas.rectangle({x, bar.Top, x + seg.size, bar.Bottom});
        } else {
            const int y = bar.Top + seg.margin + (seg.total - i) * seg.size;
            canvas.rectangle({bar.Left, y, bar.Right, y + seg.size});
        }
    }
}

// --- radio glyph ---

namespace {

// The 13 x 13 glyph: '.' outside the circle, 's' and 'S' the outer edge steps (blended 128 and 40 with
// what surrounds the control), 'O' the outline, 'a' outline steps and 'b' the inner corners (blended with
// what lies beneath), 'r' the ring just inside the outline, ' ' interior.
constexpr std::array<const char*, 13> kRadioMap = {
    "...SsOOOsS...",
    "..saOrrrOas..",
    ".sObr   rbOs.",
    "Sab       baS",
    "sOr       rOs",
    "Or         rO",
    "Or         rO",
    "Or         rO",
    "sOr       rOs",
    "Sab       baS",
    ".sObr   rbOs.",
    "..saOrrrOas..",
    "...SsOOOsS...",
};
constexpr int kGlyphSize = 13;

TColor InteriorColor(const TCheckRadioGlyph& g)
{
    if (g.State == crsPressed) return DarkerColor(g.FocusColor, 20);
    if (g.State == crsDisabled) return g.DisabledColor;
    if (g.Focused) return g.ReadOnly && g.ReadOnlyColorOnFocus ? g.ReadOnlyColor : g.FocusColor;
    return g.ReadOnly ? g.ReadOnlyColor : g.FillColor;
}

template <typename Fn> void ForGlyphPixels(const char* kinds, Fn fn)
{
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x)
            if (std::strchr(kinds, kRadioMap[static_cast<std::size_t>(y)][x]) != nullptr)
                fn(x, y, kRadioMap[static_cast<std::size_t>(y)][x]);
}

}  // namespace

void DrawCheckRadioGlyph(Canvas& canvas, const TRect& rect, const TCheckRadioGlyph& g)
{
    const TRect r = rect.Normalized();
    if (r.IsEmpty()) return;
    Canvas bmp(r.Width(), r.Height(), InteriorColor(g));
    const bool hot = g.State == crsHot;
    const bool hotFrame = hot && g.HotTrackStyle == htsFrame;
    const TColor outline = ui::ResolveColor(hotFrame ? g.HotDarkColor : g.FrameColor);

    if (hotFrame) {
        const TColor ring = LighterColor(outline, 10);
        ForGlyphPixels("r", [&](int x, int y, char) { bmp.setPixel(x, y, ring); });
    } else if (hot) {
        const ui::CanvasStateGuard keep(bmp);
        bmp.excludeClip({4, 4, 9, 9});
        bmp.excludeClip({5, 3, 8, 10});
        bmp.excludeClip({3, 5, 10, 8});
        PaintGradientRect(bmp, {0, 0, kGlyphSize, kGlyphSize}, gdDiagonalDown, g.HotLightColor, g.HotDarkColor, 1);
    }

    const TColor control = ui::ResolveColor(g.ControlColor);
    ForGlyphPixels(".sS", [&](int x, int y, char kind) {
        if (g.Transparent) bmp.setPixel(x, y, g.TransparentColor);
        else if (kind == '.') bmp.setPixel(x, y, control);
        else bmp.setPixel(x, y, BlendColors(outline, control, kind == 's' ? 128 : 40));
    });
    ForGlyphPixels("Oab", [&](int x, int y, char kind) {
        if (kind == 'O') bmp.setPixel(x, y, outline);
        else if (kind == 'a') bmp.setPixel(x, y, BlendColors(outline, bmp.pixel(x, y), hotFrame ? 150 : 128));
        else bmp.setPixel(x, y, BlendColors(outline, bmp.pixel(x, y), 80));
    });

    if (g.Checked) {
        const TColor dot = ui::ResolveColor(g.State == crsDisabled ? clBtnShadow : g.HighlightColor);
        for (int y = 5; y <= 7; ++y)
            for (int x = 5; x <= 7; ++x) bmp.setPixel(x, y, dot);
        for (int i = 5; i <= 7; ++i)
            for (const ui::TPoint p : {ui::TPoint{i, 4}, ui::TPoint{i, 8}, ui::TPoint{4, i}, ui::TPoint{8, i}})
                bmp.setPixel(p.X, p.Y, BlendColors(dot, bmp.pixel(p.X, p.Y), 153));
    }
    canvas.draw(r.Left, r.Top, bmp.bitmap());
}

// --- fonts and captions ---

ui::FontDesc CreateRotatedFont(const ui::FontDesc& font, int angle)
{
    ui::FontDesc turned = font;
    turned.escapement = angle * 10;
    return turned;
}

bool IsTrueTypeFont(const ui::FontDesc& font)
{
    return ui::IsOutlineFont(font);
}

std::string RemoveAccelChar(std::string_view caption)
{
    std::string result;
    result.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        // "&" is ASCII, so no byte of a multi-byte UTF-8 character is ever taken for one.
        if (caption[i] == '&' && i + 1 < caption.size()) {
            if (caption[i + 1] == '&') {
                result.push_back('&');
                ++i;
            }
            continue;
        }
        result.push_back(caption[i]);
    }
    return result;
}

// --- system version tests ---

TSystemVersion CurrentSystemVersion()
{
    return platform::RunningSystemVersion();
}

bool RunningUnder(int version, const TSystemVersion& s)
{
    const bool nineX = !s.ntFamily;
    switch (version) {
    case wv95: return nineX && s.major < 5 && s.minor == 0;
    case wvNT: return s.ntFamily && s.major < 5;
    case wv98: return nineX && s.major < 5 && s.minor == 10;
    case wvME: return nineX && s.major < 5 && s.minor == 90;
    case wv2000: return s.ntFamily && s.major == 5 && s.minor == 0;
    case wvXP: return s.ntFamily && s.major == 5 && s.minor == 1;
    case wvServer2003: return s.ntFamily && s.major == 5 && s.minor == 2;
    case wvVista: return s.ntFamily && s.major == 6 && s.minor == 0;
    default: return false;
    }
}

bool RunningAtLeast(int version, const TSystemVersion& s)
{
    switch (version) {
    case wv95: return s.major >= 4;
    case wvNT: return s.ntFamily && s.major >= 4;
    case wv98: return s.major >= 4 && s.minor >= 10;
    case wvME: return s.major >= 4 && s.minor >= 90;
    case wv2000: return s.ntFamily && s.major >= 5;
    case wvXP: return s.ntFamily && s.major >= 5 && s.minor >= 1;
    case wvServer2003: return s.ntFamily && s.major >= 5 && s.minor >= 2;
    case wvVista: return s.ntFamily && s.major >= 6;
    default: return false;
    }
}

// --- fonts ---

ui::FontDesc CanvasFont(const ui::TFont& font)
{
    ui::FontDesc desc;
    desc.name = font.Name();
    desc.height = font.Height() < 0 ? -font.Height() : std::max(1, font.Height() * 3 / 4);
    desc.bold = font.Style().Contains(ui::fsBold);
    desc.italic = font.Style().Contains(ui::fsItalic);
    desc.underline = font.Style().Contains(ui::fsUnderline);
    desc.strikeOut = font.Style().Contains(ui::fsStrikeOut);
    desc.color = font.Color();
    return desc;
}

// --- blinking controls ---

TKitBlinkingControlsList::TKitBlinkingControlsList(ui::TComponent* owner) : ui::TComponent(owner)
{
    timer_ = ui::Create<ui::TTimer>(this, "");
    timer_->SetInterval(500);
    timer_->OnTimer = [this](ui::TObject*) { TimerExpired(); };
    timer_->SetEnabled(true);
}

void TKitBlinkingControlsList::Add(ui::TControl* control)
{
    if (control == nullptr || std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
    controls_.push_back(control);
}

void TKitBlinkingControlsList::Remove(ui::TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

int TKitBlinkingControlsList::Count() const
{
    return static_cast<int>(controls_.size());
}

void TKitBlinkingControlsList::TimerExpired()
{
    blinkState_ = !blinkState_;
    timer_->SetInterval(blinkState_ ? secondInterval_ : firstInterval_);
    // A control's handler may free controls (and with the last label, this list): walk a copy, and send
    // only to controls still registered.
    const std::weak_ptr<void> alive = Liveness();
    const bool state = blinkState_;
    const std::vector<ui::TControl*> snapshot = controls_;
    for (ui::TControl* control : snapshot) {
        if (alive.expired()) return;
        if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) continue;
        auto* blinking = dynamic_cast<IKitBlinking*>(control);
        if (blinking == nullptr || blinking->CMBlink() != 1) continue;
        if (alive.expired()) return;
        if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) continue;
        blinking->CMBlinkState(state);
    }
}

TKitBlinkingControlsList* BlinkingControlsList()
{
    ui::Application* app = ui::CurrentApplication();
    if (app == nullptr) return nullptr;
    for (int i = 0; i < app->ComponentCount(); ++i)
        if (auto* list = ui::As<TKitBlinkingControlsList>(app->Components(i))) return list;
    return nullptr;
}

TKitBlinkingControlsList& AcquireBlinkingControlsList()
{
    if (TKitBlinkingControlsList* list = BlinkingControlsList()) return *list;
    return *ui::Create<TKitBlinkingControlsList>(&ui::App(), "");
}

void ReleaseBlinkingControlsList()
{
    if (TKitBlinkingControlsList* list = BlinkingControlsList(); list != nullptr && list->Count() == 0) ui::Free(list);
}

// --- frame controller ---

TKitFrameControllerNotifications AllFrameControllerNotifications()
{
    return TKitFrameControllerNotifications::FromBits((1u << fcpAll) - 1);
}

namespace {

// The order in which a control takes every setting; Color comes only while the controller does not
// follow its parent's colour.
constexpr TKitFrameControllerProperty kAllInOrder[] = {
    fcpParentColor,   fcpColor,           fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus,
    fcpFocusColor,    fcpFlatButtonColor, fcpFlatButtons,   fcpFrameColor,    fcpFrameHotColor,
    fcpFrameHotTrack, fcpFrameHotStyle,   fcpFrameSides,    fcpFrameStyle,    fcpFrameVisible,
    fcpFramingPreference,
};

constexpr const char* kFrameStyleNames[] = {"fsNone",   "fsFlat",     "fsGroove", "fsBump",
                                            "fsLowered", "fsButtonDown", "fsRaised", "fsButtonUp",
                                            "fsStatus", "fsPopup",    "fsFlatBold", "fsFlatRounded"};

}  // namespace

std::string FrameStyleName(TFrameStyleEx style)
{
    return kFrameStyleNames[static_cast<std::size_t>(style)];
}

std::optional<TFrameStyleEx> FrameStyleFromName(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(kFrameStyleNames); ++i)
        if (platform::AsciiUpper(name) == platform::AsciiUpper(kFrameStyleNames[i]))
            return static_cast<TFrameStyleEx>(i);
    return std::nullopt;
}

void TKitFrameController::AddControl(ui::TControl* control)
{
    if (control == nullptr || std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
    controls_.push_back(control);
    UpdateControl(control, fcpAll);
}

void TKitFrameController::RemoveControl(ui::TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (controls_.empty()) controls_.shrink_to_fit();
}

void TKitFrameController::UpdateControl(ui::TControl* control, TKitFrameControllerProperty property)
{
    if (control == nullptr) return;
    if (auto* notified = dynamic_cast<IKitFramingNotification*>(control)) {
        notified->UpdateFromFrameController();
        return;
    }
    auto* controlled = dynamic_cast<IKitFrameControlled*>(control);
    const TKitFrameControllerNotifications accepted =
        controlled != nullptr ? controlled->FrameControllerNotifications() : AllFrameControllerNotifications();
    const auto apply = [&](TKitFrameControllerProperty p) {
        if (!accepted.Contains(p)) return;
        if (controlled != nullptr && controlled->ApplyFrameControllerSetting(p, *this)) return;
        if (p == fcpColor) control->SetColor(color_);
        if (p == fcpParentColor) control->SetParentColor(parentColor_);
    };
    if (property != fcpAll) {
        apply(property);
        return;
    }
    for (const TKitFrameControllerProperty p : kAllInOrder)
        if (p != fcpColor || !parentColor_) apply(p);
}

void TKitFrameController::NotifyControls(TKitFrameControllerProperty property)
{
    if (updateCount_ > 0) return;
    for (ui::TControl* control : std::vector<ui::TControl*>(controls_)) UpdateControl(control, property);
}

void TKitFrameController::EndUpdate()
{
    if (--updateCount_ > 0) return;
    updateCount_ = 0;
    NotifyControls(fcpAll);
}

void TKitFrameController::Assign(const TKitFrameController& source)
{
    BeginUpdate();
    color_ = source.color_;
    focusColor_ = source.focusColor_;
    disabledColor_ = source.disabledColor_;
    readOnlyColor_ = source.readOnlyColor_;
    readOnlyColorOnFocus_ = source.readOnlyColorOnFocus_;
    parentColor_ = source.parentColor_;
    flatButtonColor_ = source.flatButtonColor_;
    flatButtons_ = source.flatButtons_;
    frameColor_ = source.frameColor_;
    frameHotColor_ = source.frameHotColor_;
    frameHotTrack_ = source.frameHotTrack_;
    frameHotStyle_ = source.frameHotStyle_;
    frameSides_ = source.frameSides_;
    frameStyle_ = source.frameStyle_;
    frameVisible_ = source.frameVisible_;
    framingPreference_ = source.framingPreference_;
    EndUpdate();
}

void TKitFrameController::Loaded()
{
    NotifyControls(fcpAll);
}

bool TKitFrameController::ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value)
{
    const std::string upper = platform::AsciiUpper(name);
    if (upper == "FRAMEFLAT") {
        const std::optional<bool> flat = TKitOldPropReader::ReadOldBoolean(value);
        if (!flat) return false;
        SetFrameHotTrack(*flat);
        if (*flat) {
            SetFrameStyle(fsStatus);
            SetFrameHotStyle(fsLowered);
        }
        return true;
    }
    if (upper == "FRAMEFOCUSSTYLE") {
        const std::optional<std::string> ident = TKitOldPropReader::ReadOldIdent(value);
        if (!ident) return false;
        // Only the styles a frame property may hold; anything else is dropped.
        if (const auto style = FrameStyleFromName(*ident); style && *style <= fsFlatBold) SetFrameHotStyle(*style);
        return true;
    }
    if (upper == "FRAMEFLATSTYLE") return TKitOldPropReader::ReadOldIdent(value).has_value();
    return false;
}

template <class T>
void TKitFrameController::Store(T& field, T value, TKitFrameControllerProperty property)
{
    if (field == value) return;
    field = value;
    NotifyControls(property);
}

void TKitFrameController::SetColor(TColor v)
{
    if (v == color_) return;
    const TColor old = color_;
    color_ = v;
    if (focusColor_ == old) SetFocusColor(v);
    SetParentColor(false);
    NotifyControls(fcpColor);
}

void TKitFrameController::SetParentColor(bool v)
{
    if (v == parentColor_) return;
    parentColor_ = v;
    NotifyControls(fcpParentColor);
    if (!v) NotifyControls(fcpColor);
}

void TKitFrameController::SetFlatButtonColor(TColor v) { Store(flatButtonColor_, v, fcpFlatButtonColor); }
void TKitFrameController::SetFlatButtons(bool v) { Store(flatButtons_, v, fcpFlatButtons); }
void TKitFrameController::SetDisabledColor(TColor v) { Store(disabledColor_, v, fcpDisabledColor); }
void TKitFrameController::SetReadOnlyColor(TColor v) { Store(readOnlyColor_, v, fcpReadOnlyColor); }
void TKitFrameController::SetReadOnlyColorOnFocus(bool v) { Store(readOnlyColorOnFocus_, v, fcpReadOnlyColorOnFocus); }
void TKitFrameController::SetFocusColor(TColor v) { Store(focusColor_, v, fcpFocusColor); }
void TKitFrameController::SetFrameColor(TColor v) { Store(frameColor_, v, fcpFrameColor); }
void TKitFrameController::SetFrameHotColor(TColor v) { Store(frameHotColor_, v, fcpFrameHotColor); }
void TKitFrameController::SetFrameHotStyle(TFrameStyle v) { Store(frameHotStyle_, v, fcpFrameHotStyle); }
void TKitFrameController::SetFrameSides(TSides v) { Store(frameSides_, v, fcpFrameSides); }
void TKitFrameController::SetFrameStyle(TFrameStyle v) { Store(frameStyle_, v, fcpFrameStyle); }
void TKitFrameController::SetFrameVisible(bool v) { Store(frameVisible_, v, fcpFrameVisible); }
void TKitFrameController::SetFramingPreference(TFramingPreference v)
{
    Store(framingPreference_, v, fcpFramingPreference);
}

void TKitFrameController::SetFrameHotTrack(bool v)
{
    if (v == frameHotTrack_) return;
    frameHotTrack_ = v;
    NotifyControls(fcpFrameHotTrack);
    if (v) {
        SetFrameVisible(true);
        SetFrameSides(sdAllSides);
    }
}

TKitRegIniFile* TKitFrameController::RegIniFile() const
{
    return regIniFileAlive_.expired() ? nullptr : regIniFile_;
}

void TKitFrameController::SetRegIniFile(TKitRegIniFile* v)
{
    if (v == RegIniFile()) return;
    regIniFile_ = v;
    regIniFileAlive_ = v != nullptr ? v->Liveness() : std::weak_ptr<void>();
}

TKitFrameControllerLink::~TKitFrameControllerLink()
{
    if (TKitFrameController* c = Get()) c->RemoveControl(&control_);
}

TKitFrameController* TKitFrameControllerLink::Get() const
{
    return alive_.expired() ? nullptr : controller_;
}

void TKitFrameControllerLink::Set(TKitFrameController* controller)
{
    TKitFrameController* old = Get();
    if (controller == old) return;
    if (old != nullptr) old->RemoveControl(&control_);
    controller_ = controller;
    alive_ = controller != nullptr ? controller->Liveness() : std::weak_ptr<void>();
    if (controller != nullptr) controller->AddControl(&control_);
}

// --- settings location ---

template <class T>
void TKitRegIniFile::Store(T& field, T value)
{
    if (field == value) return;
    field = std::move(value);
    refreshNeeded_ = true;
}

void TKitRegIniFile::SetPath(std::string v) { Store(path_, std::move(v)); }
void TKitRegIniFile::SetPathType(TKitPathType v) { Store(pathType_, v); }
void TKitRegIniFile::SetRegKey(TKitRegKey v) { Store(regKey_, v); }
void TKitRegIniFile::SetRegAccess(TKitRegAccess v) { Store(regAccess_, v); }
void TKitRegIniFile::SetSpecialFolder(TKitSpecialFolder v) { Store(specialFolder_, v); }

// --- obsolete stored properties ---

std::optional<bool> TKitOldPropReader::ReadOldBoolean(const TKitStoredValue& value)
{
    if (const bool* b = std::get_if<bool>(&value)) return *b;
    return std::nullopt;
}

std::optional<std::string> TKitOldPropReader::ReadOldIdent(const TKitStoredValue& value)
{
    if (const TKitIdent* ident = std::get_if<TKitIdent>(&value)) return ident->Name;
    return std::nullopt;
}

std::optional<long long> TKitOldPropReader::ReadOldInteger(const TKitStoredValue& value)
{
    if (const long long* i = std::get_if<long long>(&value)) return *i;
    return std::nullopt;
}

std::optional<std::vector<std::string>> TKitOldPropReader::ReadOldSet(const TKitStoredValue& value)
{
    if (const auto* set = std::get_if<std::vector<std::string>>(&value)) return *set;
    return std::nullopt;
}
