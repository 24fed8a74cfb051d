#pragma once
// Fonts as the canvas draws them. The windows were laid out for Tahoma and MS Sans Serif; where a font
// names one of them, the free faces with their metrics (Debian's fonts-wine: Tahoma, Tahoma Bold and
// the MS Sans Serif bitmap strikes, Cyrillic included) are used, so that captions take the room they
// were given. Every other name, and those two when their files are missing, maps to DejaVu Sans.
// Bold and italic come from the family's own cuts, or are synthesised where it has none. Glyphs come
// from FreeType.
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

// One rendered glyph: coverage 0..255 per pixel, placed relative to the pen on the baseline.
struct GlyphImage {
    int left = 0;  // from the pen position to the first column
    int top = 0;   // from the baseline up to the first row
    int width = 0;
    int rows = 0;
    int advance = 0;    // whole pixels
    int advance64 = 0;  // 1/64 pixels: a run of text is placed and measured with these
    std::vector<std::uint8_t> coverage;
};

FontMetrics MeasureFont(const FontDesc& font);
// The rendered glyph of one character (cached). Throws std::runtime_error when the font files are missing.
const GlyphImage& RenderGlyph(const FontDesc& font, char32_t character);
// Width of a run of characters: their advances added up, rounded once at the end.
int TextAdvance(const FontDesc& font, std::u32string_view text);

// The family the canvas draws a font in: "Tahoma", "MS Sans Serif" or "DejaVu Sans".
std::string DrawnFamily(const FontDesc& font);
// The installed files of the Tahoma and MS Sans Serif stand-ins. A front end that draws text itself
// registers them, so that it draws what the model measured.
std::vector<std::string> SubstituteFontFiles();
// True when both stand-ins are installed (tests that expect their metrics skip without them).
bool SubstituteFontsInstalled();

}  // namespace ui
