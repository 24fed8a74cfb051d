#pragma once
// Fonts as the canvas draws them. The windows were laid out for Tahoma and MS Sans Serif; where a font
// names one of them, the free faces with their metrics (Debian's fonts-wine: Tahoma, Tahoma Bold and
// the MS Sans Serif bitmap strikes, Cyrillic included) are used, so that captions take the room they
// were given. Every other name, and those two when their files are missing, maps to DejaVu Sans.
// Bold and italic come from the family's own cuts, or are synthesised where it has none. Glyphs come
// from the platform's glyph source (ui/GlyphSource.h), through one cache.
#include "platform/Color.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct FontDesc {
    std::string name = "DejaVu Sans";
    // Character (em) height in pixels, as a negative font height counts it; 11 is 8 points at 96 dpi.
    int height = 11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    TColor color = clWindowText;
    // The direction text runs in, counter-clockwise from level, in tenths of a degree (a font's
    // escapement): textOut and textRect draw turned text along it; measuring and drawText stay level.
    int escapement = 0;

    // Pixel height for a size in points at the screen's 96 pixels per inch.
    static int HeightForPoints(int points);
    // The size in points a pixel height stands for.
    static int PointsForHeight(int height);

    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// Vertical metrics in whole pixels. Lines of text are `height` apart; the baseline lies `ascent` below
// the top of a line.
struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int underlineOffset = 0;  // first underline row, below the baseline
    int lineThickness = 1;    // of the underline and the strike-out line
    int strikeOutOffset = 0;  // strike-out row, above the baseline
    int averageCharWidth = 0;
};

// A turn of text about its pen position, counter-clockwise as the screen shows it, in tenths of a
// degree.
struct GlyphTurn {
    int tenths = 0;  // 0 to 3599

    // Any number of tenths, brought into 0..3599.
    static GlyphTurn Of(int tenths) { return {((tenths % 3600) + 3600) % 3600}; }
    bool Level() const { return tenths == 0; }
    // The turn as the 2 x 2 matrix font engines take, in 16.16 fixed point and a font's own coordinates
    // (y up): x' = xx x + xy y, y' = yx x + yy y. Quarter turns are exact.
    struct Matrix {
        long xx, xy, yx, yy;
    };
    Matrix ToMatrix() const;

    friend bool operator==(const GlyphTurn&, const GlyphTurn&) = default;
};

// One rendered glyph: coverage 0..255 per pixel, placed relative to the pen on the baseline. A turned
// glyph's image is the turned picture, placed the same way; its advances are the level glyph's.
struct GlyphImage {
    int left = 0;  // from the pen position to the first column
    int top = 0;   // from the pen position up to the first row
    int width = 0;
    int rows = 0;
    int advance = 0;    // whole pixels
    int advance64 = 0;  // 1/64 pixels: a run of text is placed and measured with these
    std::vector<std::uint8_t> coverage;
};

FontMetrics MeasureFont(const FontDesc& font);
// The rendered glyph of one character (cached), level unless a turn is given; the font's escapement
// is not read here. Throws std::runtime_error when the font files are missing.
const GlyphImage& RenderGlyph(const FontDesc& font, char32_t character, GlyphTurn turn = {});
// Width of a run of characters: their advances added up, rounded once at the end.
int TextAdvance(const FontDesc& font, std::u32string_view text);

// The family the canvas draws a font in: "Tahoma", "MS Sans Serif" or "DejaVu Sans".
std::string DrawnFamily(const FontDesc& font);
// Whether the font is drawn from outlines (TrueType), and so can be drawn turned.
bool IsOutlineFont(const FontDesc& font);
// The installed files of the Tahoma and MS Sans Serif stand-ins. A front end that draws text itself
// registers them, so that it draws what the model measured.
std::vector<std::string> SubstituteFontFiles();
// True when both stand-ins are installed (tests that expect their metrics skip without them).
bool SubstituteFontsInstalled();

}  // namespace ui
