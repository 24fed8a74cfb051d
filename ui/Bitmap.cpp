#include "ui/Bitmap.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace ui {

// The byte order of rgba() relies on the stored word being little-endian.
static_assert(std::endian::native == std::endian::little);

Bitmap::Bitmap(int width, int height, TColor fill)
{
    resize(width, height, fill);
}

std::uint32_t Bitmap::toStored(TColor color)
{
    return 0xFF000000u | (color & 0x00FFFFFFu);
}

TColor Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] &
           0x00FFFFFFu;
}

void Bitmap::setPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] =
        toStored(color);
}

void Bitmap::fill(TColor color)
{
    std::fill(pixels_.begin(), pixels_.end(), toStored(color));
}

void Bitmap::resize(int width, int height, TColor fill)
{
    // A negative size is a caller's arithmetic gone wrong; an empty surface is the harmless reading of it.
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (static_cast<long long>(width_) * height_ > 64LL * 1024 * 1024)
        throw std::length_error("bitmap too large");
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), toStored(fill));
}

}  // namespace ui
