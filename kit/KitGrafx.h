#pragma once
// Bitmap and gradient routines the kit's controls paint with.
#include "ui/Canvas.h"

#include <cstdint>

enum TGradientDirection {
    gdDiagonalUp,
    gdDiagonalDown,
    gdHorizontalEnd,
    gdHorizontalCenter,
    gdHorizontalBox,
    gdVerticalEnd,
    gdVerticalCenter,
    gdVerticalBox,
    gdSquareBox,
    gdBigSquareBox,
};

// Draws srcRect of the source stretched onto dest, leaving the canvas as it is wherever the source has
// the transparent colour.
void StretchTransparentBitmap(ui::Canvas& canvas, const ui::Bitmap& source, const ui::TRect& dest,
                              const ui::TRect& srcRect, TColor transparentColor);

// Mirrors the bitmap top to bottom in place.
void FlipBitmapVertically(ui::Bitmap& bitmap);

// Fills the rectangle with a two-colour gradient. `colorBands` sets the least band thickness in steps
// (1 to 8 as given, above 8: 255 div bands + 1, 0: 1).
void PaintGradientRect(ui::Canvas& canvas, const ui::TRect& rect, TGradientDirection direction, TColor startColor,
                       TColor stopColor, std::uint8_t colorBands);

// The gradient on the outer 2-pixel ring of the rectangle only.
void PaintButtonGradient(ui::Canvas& canvas, const ui::TRect& rect, TGradientDirection direction,
                         TColor startColor, TColor stopColor);
