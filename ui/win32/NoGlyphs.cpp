// The canvas's glyph source on Windows until its glyphs come from the system: fonts measure as a text of
// their size would, and draw nothing. Tests that hold the stand-ins' metrics skip (no stand-in is
// installed), and those that look at drawn text are left out of the Windows build.
#include "ui/GlyphSource.h"

#include <cmath>

namespace ui {
namespace {

// Advances in 1/64 pixels: a blank and the narrow letters take less than the rest.
int Advance64(int height, bool bold, char32_t character)
{
    const int percent = character == U' ' ? 30 : (character == U'i' || character == U'l' || character == U'.') ? 25 : 55;
    return height * 64 * percent / 100 + (bold ? 64 : 0);
}

class MeasuringGlyphSource : public GlyphSource {
public:
    int Face(const FontDesc& font) override { return (font.name == "MS Sans Serif" ? 2 : 0) + (font.bold ? 1 : 0); }
    std::string Family(int face) override { return face >= 2 ? "MS Sans Serif" : "Tahoma"; }
    bool Outlines(int face) override { return face < 2; }
    FontMetrics Metrics(int, int height) override
    {
        FontMetrics m;
        m.ascent = (height * 4 + 4) / 5;
        m.descent = height - m.ascent + (height + 4) / 8;
        m.height = m.ascent + m.descent;
        m.underlineOffset = 1;
        m.strikeOutOffset = m.ascent / 3;
        m.averageCharWidth = (height * 55 + 50) / 100;
        return m;
    }
    GlyphImage Render(int face, int height, char32_t character, GlyphTurn) override
    {
        GlyphImage glyph;
        glyph.advance64 = Advance64(height, face % 2 == 1, character);
        glyph.advance = (glyph.advance64 + 32) >> 6;
        return glyph;
    }
};

}  // namespace

GlyphSource& SystemGlyphSource()
{
    static MeasuringGlyphSource source;
    return source;
}

std::vector<std::string> SubstituteFontFiles() { return {}; }

bool SubstituteFontsInstalled() { return false; }

}  // namespace ui
