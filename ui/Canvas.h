#pragma once
// ui::Canvas: drawing on an off-screen bitmap with a pen, a brush and a font, in the manner the kit's
// painting code is written for. Coordinates are logical: the origin offset moves them onto the bitmap.
// Clipping, origin, pen, brush, font and text alignment form the state that save() and restore() keep.
// Colours may be system colours; they are resolved (ui/SystemColors.h) when a pixel is written.
// A rectangle whose right lies left of its left (or bottom above top) is empty to every operation but
// the copies, which read it as a mirror image.
#include "ui/Bitmap.h"
#include "ui/CanvasFont.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace ui {

enum class PenStyle { Solid, Clear };

struct Pen {
    TColor color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
};

enum class BrushStyle { Solid, Clear, Pattern };

// An 8 x 8 tile, row by row, anchored at the bitmap's (0, 0).
using BrushPattern = std::array<TColor, 64>;

struct Brush {
    TColor color = clWhite;
    BrushStyle style = BrushStyle::Solid;
    BrushPattern pattern{};

    static Brush Solid(TColor color) { return {color, BrushStyle::Solid, {}}; }
    static Brush Clear() { return {clWhite, BrushStyle::Clear, {}}; }
    static Brush Patterned(const BrushPattern& pattern) { return {clWhite, BrushStyle::Pattern, pattern}; }
};

// Where textOut's point lies on the text: its left edge, centre or right edge; its top, baseline or
// bottom.
enum class TextAlignH { Left, Center, Right };
enum class TextAlignV { Top, Baseline, Bottom };
struct TextAlign {
    TextAlignH horizontal = TextAlignH::Left;
    TextAlignV vertical = TextAlignV::Top;
};

// Flags of drawText, combinable with |.
enum TextFormat : unsigned {
    tfLeft = 0,
    tfCenter = 1u << 0,
    tfRight = 1u << 1,
    tfTop = 0,
    tfVCenter = 1u << 2,  // vertical placement applies to single-line text only
    tfBottom = 1u << 3,
    tfWordBreak = 1u << 4,
    tfSingleLine = 1u << 5,
    tfExpandTabs = 1u << 6,
    tfNoPrefix = 1u << 7,    // "&" is shown as it stands, nothing is underlined
    tfCalcRect = 1u << 8,    // measure only: the rectangle's right and bottom are set to the text's
    tfEndEllipsis = 1u << 9, // a line too wide ends in "..."
    tfNoClip = 1u << 10,
};

class Canvas {
public:
    Canvas(int width, int height, TColor fill = clWhite);
    explicit Canvas(Bitmap bitmap);

    int width() const { return bitmap_.width(); }
    int height() const { return bitmap_.height(); }
    const Bitmap& bitmap() const { return bitmap_; }
    // A new size resets the state too (no clip, origin 0); the content is lost.
    void resize(int width, int height, TColor fill = clWhite);

    // Drawing tools; changed freely by the caller and kept by save()/restore().
    Pen pen;
    Brush brush;
    FontDesc font;
    TextAlign textAlign;

    // --- state ---
    void save();
    // Without a matching save() this does nothing.
    void restore();
    TPoint origin() const { return origin_; }
    void setOrigin(TPoint origin) { origin_ = origin; }
    void moveOrigin(int dx, int dy) { origin_ = {origin_.X + dx, origin_.Y + dy}; }
    // Clip rectangles are logical; they become bitmap coordinates when applied.
    void intersectClip(const TRect& rect);
    void excludeClip(const TRect& rect);
    void resetClip();
    // The smallest logical rectangle holding everything drawable.
    TRect clipBounds() const;
    bool isVisible(int x, int y) const;

    // --- pixels ---
    // The plain colour at a logical point (clip ignored); clNone outside the bitmap.
    TColor pixel(int x, int y) const;
    void setPixel(int x, int y, TColor color);

    // --- lines and shapes ---
    void moveTo(int x, int y) { penPos_ = {x, y}; }
    // A line in the pen from the pen position, end point excluded; the pen position moves to the end.
    void lineTo(int x, int y);
    TPoint penPos() const { return penPos_; }
    void polyline(std::span<const TPoint> points);
    // Fills with the brush; no outline.
    void fillRect(const TRect& rect);
    // A one-pixel ring in the brush colour along the inside of the rectangle.
    void frameRect(const TRect& rect);
    // Outline in the pen (its width laid inside the rectangle) and interior in the brush.
    void rectangle(const TRect& rect);
    // Interior in the brush (even-odd rule, pixel centres), outline in the pen.
    void polygon(std::span<const TPoint> points);
    // Every pixel XOR the brush: drawn twice, it is gone.
    void patternInvert(const TRect& rect);

    // --- copies (sources are never clipped, destinations always) ---
    void draw(int x, int y, const Bitmap& source);
    // Copies srcRect of source onto dest, stretched to fit. A destination or source rectangle whose right
    // lies left of its left mirrors left to right; bottom above top mirrors top to bottom.
    void copyRect(const TRect& dest, const Bitmap& source, const TRect& srcRect);
    // As copyRect, leaving the destination as it is wherever the source has `transparent`.
    void copyRectTransparent(const TRect& dest, const Bitmap& source, const TRect& srcRect, TColor transparent);
    // As copyRect, with the brush colour wherever the source has `replaced`.
    void brushCopy(const TRect& dest, const Bitmap& source, const TRect& srcRect, TColor replaced);

    // --- text (UTF-8) ---
    FontMetrics fontMetrics() const { return MeasureFont(font); }
    // Width of the text as drawn; height one line. No accelerator handling.
    TSize textExtent(std::string_view text) const;
    int textWidth(std::string_view text) const { return textExtent(text).cx; }
    int textHeight(std::string_view text) const { return textExtent(text).cy; }
    // One line at (x, y) placed by textAlign; a solid brush fills the text's box first. With a font
    // escapement the line runs in that direction: laid out as level text about (x, y), then turned about
    // it, so that textAlign names the same point of the turned text.
    void textOut(int x, int y, std::string_view text);
    // As textOut, clipped to rect; a solid brush fills the whole of rect first.
    void textRect(const TRect& rect, int x, int y, std::string_view text);
    // Lays the text out in rect by the flags and draws it level (brush as for textOut); answers the
    // height of the text. With tfCalcRect nothing is drawn and rect's right and bottom become the text's
    // extent.
    int drawText(TRect& rect, std::string_view text, unsigned format);

private:
    struct State {
        Pen pen;
        Brush brush;
        FontDesc font;
        TextAlign textAlign;
        TPoint origin;
        std::vector<TRect> clip;
    };

    TRect toDevice(const TRect& r) const { return r.Offset(origin_.X, origin_.Y); }
    void plot(int dx, int dy, TColor resolved);
    void plotPen(int dx, int dy, TColor resolved);
    void fillDevice(const TRect& deviceRect, const Brush& with);
    void fillSpan(int y, int x0, int x1, const Brush& with);
    template <typename PixelFn> void copyPixels(const TRect& dest, const Bitmap& source, const TRect& srcRect,
                                                PixelFn put);
    void drawLine(TPoint from, TPoint to);
    void drawGlyph(int penX, int penY, const GlyphImage& glyph, TColor ink);
    void drawGlyphRun(int x, int baseline, std::u32string_view text, TColor color);
    void drawTextLine(int x, int baseline, std::u32string_view text, int underlined, TColor color);
    void turnedTextOut(int x, int y, std::u32string_view text, GlyphTurn turn);

    Bitmap bitmap_;
    TPoint origin_;
    TPoint penPos_;
    std::vector<TRect> clip_;  // bitmap coordinates; disjoint rectangles
    std::vector<State> saved_;
};

// Keeps a canvas's state for a scope.
class CanvasStateGuard {
public:
    explicit CanvasStateGuard(Canvas& canvas) : canvas_(canvas) { canvas_.save(); }
    ~CanvasStateGuard() { canvas_.restore(); }
    CanvasStateGuard(const CanvasStateGuard&) = delete;
    CanvasStateGuard& operator=(const CanvasStateGuard&) = delete;

private:
    Canvas& canvas_;
};

// The caption shown without its accelerator marks ("&x" -> "x", "&&" -> "&"), and the index (in
// characters of the result) of the character to underline, -1 for none.
struct PrefixedText {
    std::u32string text;
    int underlined = -1;
};
PrefixedText StripPrefix(std::u32string_view text);

}  // namespace ui
