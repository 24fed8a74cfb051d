#pragma once
// Bitmap and gradient routines the kit's controls paint with.
#include "ui/Canvas.h"

#include <cstdint>

namespace ui {
class TControl;
class TWinControl;
}  // namespace ui

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

// A kit control with a Transparent property: it shows its parent through itself, so it must repaint
// whenever the parent's look changes.
class IKitTransparent {
public:
    virtual ~IKitTransparent() = default;
    virtual bool Transparent() const = 0;
};

// Paints, into the control's canvas, what its parent shows under it: the parent's colour, then the
// parent's own painting when the parent paints itself. Nothing without a parent. With invalidateParent
// the parent is also asked to repaint, but never from inside a paint (the repainted parent would repaint
// the child, which would invalidate the parent again, without end) and never a self-painted parent or a
// form, which repaint what they hold anyway.
void DrawParentBackground(ui::TControl& control, ui::Canvas& canvas, bool invalidateParent);

// Repaints every child of the control that is transparent (a kit control with Transparent on, or a
// transparent picture).
void InvalidateTransparentChildren(ui::TWinControl& control);
