#pragma once
// The off-screen pixel surface every canvas draws into. Its geometry is the window model's (ui/Types.h):
// rectangles are half-open, right and bottom the first column and row outside.
#include "platform/Color.h"
#include "ui/Types.h"

#include <cstdint>
#include <vector>

namespace ui {

// A width x height surface of opaque pixels. Pixels are kept as RGBA bytes in memory (red first), so
// the low 24 bits of a stored value read as a plain TColor ($00BBGGRR) and the surface can be handed to
// an image writer or a toolkit as it is.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, TColor fill = clWhite);

    int width() const { return width_; }
    int height() const { return height_; }
    TRect bounds() const { return {0, 0, width_, height_}; }
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
