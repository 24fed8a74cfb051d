#include "kit/KitGrafx.h"

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using ui::Canvas;
using ui::TPoint;
using ui::TRect;

namespace {

constexpr int kStripBreadth = 8;

int MinBandThickness(std::uint8_t colorBands)
{
    if (colorBands == 0) return 1;
    if (colorBands <= 8) return colorBands;
    return 255 / colorBands + 1;
}

// A colour moving channel by channel in 16.16 fixed point, from one colour towards another in a given
// number of steps.
class ColorStepper {
public:
    ColorStepper(TColor from, TColor to, int steps)
    {
        const std::int64_t channelsFrom[3] = {ui::RedOf(from), ui::GreenOf(from), ui::BlueOf(from)};
        const std::int64_t channelsTo[3] = {ui::RedOf(to), ui::GreenOf(to), ui::BlueOf(to)};
        for (int i = 0; i < 3; ++i) {
            value_[i] = channelsFrom[i] * 65536;
            delta_[i] = (channelsTo[i] - channelsFrom[i]) * 65536 / std::max(steps, 1);
        }
    }
    void step()
    {
        for (int i = 0; i < 3; ++i) value_[i] += delta_[i];
    }
    TColor color() const
    {
        return ui::Rgb(static_cast<unsigned>(value_[0] >> 16), static_cast<unsigned>(value_[1] >> 16),
                       static_cast<unsigned>(value_[2] >> 16));
    }

private:
    std::int64_t value_[3] = {};
    std::int64_t delta_[3] = {};
};

void Fill(Canvas& canvas, const TRect& r, TColor color)
{
    canvas.brush = ui::Brush::Solid(color);
    canvas.fillRect(r);
}

// Linear bands on a strip: positions `first` down to `last` (rows when alongY, else columns), the colour
// moving from `from` towards `to` in `steps` steps.
void LinearPass(Canvas& bmp, bool alongY, int first, int last, TColor from, TColor to, int steps, int minThickness)
{
    if (first < last) return;
    const auto paint = [&](int lo, int hi, TColor color) {
        Fill(bmp, alongY ? TRect{0, lo, kStripBreadth, hi + 1} : TRect{lo, 0, hi + 1, kStripBreadth}, color);
    };
    ColorStepper stepper(from, to, steps);
    TColor bandColor = stepper.color();
    int bandStart = first;
    for (int pos = first; pos >= last; --pos) {
        stepper.step();
        const TColor c = stepper.color();
        if (c != bandColor && bandStart - pos + 1 >= minThickness) {
            paint(pos, bandStart, bandColor);
            bandColor = c;
            bandStart = pos - 1;
        }
    }
    if (bandStart >= last) paint(last, bandStart, bandColor);
}

// Covers the whole bitmap with the painted strip by copying the covered part onto itself, doubling.
void TileStrip(Canvas& bmp, bool alongY)
{
    const int across = alongY ? bmp.width() : bmp.height();
    const int length = alongY ? bmp.height() : bmp.width();
    int covered = std::min(kStripBreadth, across);
    while (covered < across) {
        const int n = std::min(covered, across - covered);
        if (alongY) bmp.copyRect({covered, 0, covered + n, length}, bmp.bitmap(), {0, 0, n, length});
        else bmp.copyRect({0, covered, length, covered + n}, bmp.bitmap(), {0, 0, length, n});
        covered += n;
    }
}

void LinearBands(Canvas& bmp, bool alongY, bool centred, TColor start, TColor stop, int minThickness)
{
    const int length = alongY ? bmp.height() : bmp.width();
    if (!centred) {
        LinearPass(bmp, alongY, length - 1, 0, stop, start, length, minThickness);
    } else {
        // Each half takes at least one step, so that a line one pixel long still gets its colour.
        const int middle = length / 2;
        LinearPass(bmp, alongY, middle, 0, stop, start, std::max(middle, 1), minThickness);
        LinearPass(bmp, alongY, length - 1, middle + 1, start, stop, std::max(length - 1 - middle, 1), minThickness);
    }
    TileStrip(bmp, alongY);
}

void BoxBands(Canvas& bmp, int widen, int heighten, TColor start, TColor stop, int minThickness)
{
    const int w = bmp.width();
    const int h = bmp.height();
    const int hw = (w - 1) >> 1;
    const int hh = (h - 1) >> 1;
    const TRect quarter{0, 0, hw + 1, hh + 1};
    if (start == stop || w < 5 || h <= 4) {
        Fill(bmp, quarter, start);
    } else {
        const int cx0 = hw - widen;
        const int cy0 = hh - heighten;
        const int steps = std::max(cx0, cy0) + 1;
        Fill(bmp, {cx0, cy0, hw + 1, hh + 1}, stop);
        // The band painted so far covers (bandX, bandY) to the quarter's inner corner; a new band is the
        // L-shaped ring between that corner and the sweep's current one.
        const auto paintRing = [&](int x, int y, int bandX, int bandY, TColor color) {
            Fill(bmp, {x, y, hw + 1, bandY}, color);
            Fill(bmp, {x, bandY, bandX, hh + 1}, color);
        };
        long px = static_cast<long>(cx0) * 65536;
        long py = static_cast<long>(cy0) * 65536;
        const long dx = -px / steps;
        const long dy = -py / steps;
        ColorStepper stepper(stop, start, steps);
        TColor bandColor = stepper.color();
        int bandX = cx0, bandY = cy0, thickness = 0;
        for (int k = 1; k <= steps; ++k) {
            px += dx;
            py += dy;
            stepper.step();
            ++thickness;
            const int x = static_cast<int>(px >> 16);
            const int y = static_cast<int>(py >> 16);
            const TColor c = stepper.color();
            if (c != bandColor && thickness >= minThickness) {
                paintRing(x, y, bandX, bandY, bandColor);
                bandX = x;
                bandY = y;
                bandColor = c;
                thickness = 0;
            }
        }
        paintRing(0, 0, bandX, bandY, bandColor);
    }
    bmp.copyRect({0, h, hw + 1, h - (hh + 1)}, bmp.bitmap(), quarter);
    bmp.copyRect({w, 0, w - (hw + 1), h}, bmp.bitmap(), {0, 0, hw + 1, h});
}

// Bands between sweep lines parallel to the top-left to bottom-right diagonal, from the bottom-left
// corner (colour `from`) to the top-right corner; mirrored left to right when `mirrored`.
void DiagonalBands(Canvas& bmp, bool mirrored, TColor from, TColor to, int minThickness)
{
    const int w = bmp.width();
    const int h = bmp.height();
    const int steps = static_cast<int>(std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h)) + 1;
    const int half = steps / 2;
    const int rest = steps - half;
    const auto onLeftOrTop = [&](int k) {
        return k <= half ? TPoint{0, h - k * h / half} : TPoint{(k - half) * w / rest, 0};
    };
    const auto onBottomOrRight = [&](int k) {
        return k <= half ? TPoint{k * w / half, h} : TPoint{w, h - (k - half) * h / rest};
    };
    const auto paintBand = [&](int k0, int k1, TColor color) {
        std::vector<TPoint> pts{onLeftOrTop(k0)};
        const bool turns = k0 < half && half < k1;
        if (turns) pts.push_back({0, 0});
        pts.push_back(onLeftOrTop(k1));
        pts.push_back(onBottomOrRight(k1));
        if (turns) pts.push_back({w, h});
        pts.push_back(onBottomOrRight(k0));
        if (mirrored)
            for (TPoint& p : pts) p.X = w - p.X;
        bmp.brush = ui::Brush::Solid(color);
        bmp.polygon(pts);
    };
    ColorStepper stepper(from, to, steps);
    TColor bandColor = stepper.color();
    int bandStart = 0, thickness = 0;
    for (int k = 1; k <= steps; ++k) {
        stepper.step();
        ++thickness;
        const TColor c = stepper.color();
        if (c != bandColor && thickness >= minThickness) {
            paintBand(bandStart, k, bandColor);
            bandStart = k;
            bandColor = c;
            thickness = 0;
        }
    }
    if (bandStart < steps) paintBand(bandStart, steps, bandColor);
}

}  // namespace

void StretchTransparentBitmap(Canvas& canvas, const ui::Bitmap& source, const TRect& dest, const TRect& srcRect,
                              TColor transparentColor)
{
    canvas.copyRectTransparent(dest, source, srcRect, transparentColor);
}

void FlipBitmapVertically(ui::Bitmap& bitmap)
{
    ui::Bitmap flipped(bitmap.width(), bitmap.height());
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) flipped.setPixel(x, bitmap.height() - 1 - y, bitmap.pixel(x, y));
    bitmap = std::move(flipped);
}

void PaintGradientRect(Canvas& canvas, const TRect& rect, TGradientDirection direction, TColor startColor,
                       TColor stopColor, std::uint8_t colorBands)
{
    const TRect r = rect.Normalized();
    if (r.Width() == 0 || r.Height() == 0) return;
    const TColor start = ui::ResolveColor(startColor);
    const TColor stop = ui::ResolveColor(stopColor);
    const int minThickness = MinBandThickness(colorBands);
    Canvas bmp(r.Width(), r.Height());
    bmp.pen.style = ui::PenStyle::Clear;
    const bool equal = start == stop;
    switch (direction) {
    case gdDiagonalUp:
    case gdDiagonalDown:
        if (equal) Fill(bmp, bmp.bitmap().bounds(), start);
        else if (direction == gdDiagonalUp) DiagonalBands(bmp, false, start, stop, minThickness);
        else DiagonalBands(bmp, true, stop, start, minThickness);
        break;
    case gdHorizontalEnd: LinearBands(bmp, true, false, start, stop, minThickness); break;
    case gdHorizontalCenter: LinearBands(bmp, true, true, start, stop, minThickness); break;
    case gdVerticalEnd: LinearBands(bmp, false, false, start, stop, minThickness); break;
    case gdVerticalCenter: LinearBands(bmp, false, true, start, stop, minThickness); break;
    case gdHorizontalBox:
        Fill(bmp, bmp.bitmap().bounds(), start);
        BoxBands(bmp, r.Width() >> 2, 0, start, stop, minThickness);
        break;
    case gdVerticalBox: BoxBands(bmp, 0, r.Height() >> 2, start, stop, minThickness); break;
    case gdSquareBox:
        Fill(bmp, bmp.bitmap().bounds(), start);
        BoxBands(bmp, 0, 0, start, stop, minThickness);
        break;
    case gdBigSquareBox: BoxBands(bmp, r.Width() >> 2, r.Height() >> 2, start, stop, minThickness); break;
    }
    canvas.draw(r.Left, r.Top, bmp.bitmap());
}

void PaintButtonGradient(Canvas& canvas, const TRect& rect, TGradientDirection direction, TColor startColor,
                         TColor stopColor)
{
    // Every canvas holds true colour, so the ring is always painted.
    const ui::CanvasStateGuard keep(canvas);
    canvas.excludeClip(rect.Shrink(2));
    PaintGradientRect(canvas, rect, direction, startColor, stopColor, 1);
}

namespace {

bool IsPainting(const ui::TControl& control)
{
    if (const auto* custom = dynamic_cast<const ui::TCustomControl*>(&control)) return custom->PaintCanvas() != nullptr;
    if (const auto* graphic = dynamic_cast<const ui::TGraphicControl*>(&control))
        return graphic->PaintCanvas() != nullptr;
    return false;
}

bool IsTransparent(const ui::TControl& control)
{
    if (const auto* kit = dynamic_cast<const IKitTransparent*>(&control)) return kit->Transparent();
    if (const auto* image = dynamic_cast<const ui::TImage*>(&control)) return image->Transparent();
    return false;
}

}  // namespace

void DrawParentBackground(ui::TControl& control, Canvas& canvas, bool invalidateParent)
{
    ui::TWinControl* parent = control.Parent();
    if (parent == nullptr) return;
    {
        const ui::CanvasStateGuard keep(canvas);
        canvas.moveOrigin(-control.Left(), -control.Top());
        const TRect parentArea{0, 0, parent->ClientWidth(), parent->ClientHeight()};
        canvas.intersectClip(parentArea);
        canvas.brush = ui::Brush::Solid(parent->Color());
        canvas.fillRect(parentArea);
        if (auto* painted = dynamic_cast<ui::TCustomControl*>(parent)) painted->PaintTo(canvas);
    }
    const bool drawsItself = dynamic_cast<ui::TCustomControl*>(parent) != nullptr || ui::Is<ui::TForm>(parent);
    if (invalidateParent && !drawsItself && !IsPainting(control)) parent->Invalidate();
}

void InvalidateTransparentChildren(ui::TWinControl& control)
{
    for (int i = 0; i < control.ControlCount(); ++i)
        if (ui::TControl* child = control.Controls(i); IsTransparent(*child)) child->Invalidate();
}
