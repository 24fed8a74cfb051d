#pragma once
// Geometry and the off-screen pixel surface every canvas draws into. Rectangles are half-open the way the
// kit's drawing code counts them: right and bottom are the first column and row outside.
#include "platform/Color.h"

#include <cstdint>
#include <vector>

namespace ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // Empty also when inverted.
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Positive amounts shrink, negative ones grow.
    Rect inflate(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    Rect shrink(int d) const { return inflate(-d, -d); }
    // Right/bottom before left/top swapped into order.
    Rect normalized() const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The common part of two rectangles; an empty rectangle (0, 0, 0, 0) when they do not overlap.
Rect Intersect(const Rect& a, const Rect& b);

// A width x height surface of opaque pixels. Pixels are kept as RGBA bytes in memory (red first), so
// the low 24 bits of a stored value read as a plain TColor ($00BBGGRR) and the surface can be handed to
// an image writer or a toolkit as it is.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, TColor fill = clWhite);

    int width() const { return width_; }
    int height() const { return height_; }
    Rect bounds() const { return {0, 0, width_, height_}; }
    bool isEmpty() const { return width_ <= 0 || height_ <= 0; }

    // Plain colour ($00BBGGRR) of a pixel; clNone outside the surface.
    TColor pixel(int x, int y) const;
    // Takes a plain colour (system colours must be resolved by the caller); outside is ignored.
    void setPixel(int x, int y, TColor color);
    void fill(TColor color);
    // New size; the content is lost and the surface filled.
    void resize(int width, int height, TColor fill = clWhite);

    // Row-major RGBA bytes, 4 per pixel, no row padding.
    const std::uint8_t* rgba() const { return reinterpret_cast<const std::uint8_t*>(pixels_.data()); }

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    static std::uint32_t toStored(TColor color);

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace ui
