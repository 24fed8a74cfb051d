#include "ui/SystemColors.h"

#include <array>

namespace ui {

namespace {

// Indexed by the low byte of the system colour: the classic (Windows 2000 standard) scheme.
constexpr std::array<TColor, 31> kSystemColors = {
    Rgb(212, 208, 200),  // 0  scroll bar
    Rgb(58, 110, 165),   // 1  desktop background
    Rgb(10, 36, 106),    // 2  active caption
    Rgb(128, 128, 128),  // 3  inactive caption
    Rgb(212, 208, 200),  // 4  menu
    Rgb(255, 255, 255),  // 5  window
    Rgb(0, 0, 0),        // 6  window frame
    Rgb(0, 0, 0),        // 7  menu text
    Rgb(0, 0, 0),        // 8  window text
    Rgb(255, 255, 255),  // 9  caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 grey text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3D dark shadow
    Rgb(212, 208, 200),  // 22 3D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    Rgb(181, 181, 181),  // 25 (unused slot)
    Rgb(0, 0, 128),      // 26 hot-tracked item
    Rgb(166, 202, 240),  // 27 active caption gradient
    Rgb(192, 192, 192),  // 28 inactive caption gradient
    Rgb(10, 36, 106),    // 29 menu highlight
    Rgb(212, 208, 200),  // 30 menu bar
};

}  // namespace

TColor SystemColor(unsigned index)
{
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}

TColor ResolveColor(TColor color)
{
    if (IsSystemColor(color)) return SystemColor(color & 0xFFu);
    return color & 0x00FFFFFFu;
}

}  // namespace ui
