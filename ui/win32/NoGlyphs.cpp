// The canvas's fonts on Windows until their glyphs come from the system: fonts measure as a text of
// their size would, and draw nothing. Tests that hold the stand-ins' metrics skip (no stand-in is
// installed), and those that look at drawn text are left out of the Windows build.
#include "ui/CanvasFont.h"

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

namespace ui {
namespace {

int Em(const FontDesc& font) { return std::abs(font.height) > 0 ? std::abs(font.height) : 11; }

// Advances in 1/64 pixels: a blank and the narrow letters take less than the rest.
int Advance64(const FontDesc& font, char32_t character)
{
    const int percent = character == U' ' ? 30 : (character == U'i' || character == U'l' || character == U'.') ? 25 : 55;
    return Em(font) * 64 * percent / 100 + (font.bold ? 64 : 0);
}

}  // namespace

int FontDesc::HeightForPoints(int points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

int FontDesc::PointsForHeight(int height)
{
    return static_cast<int>(std::lround(height * 72.0 / 96.0));
}

FontMetrics MeasureFont(const FontDesc& font)
{
    const int em = Em(font);
    FontMetrics m;
    m.ascent = (em * 4 + 4) / 5;
    m.descent = em - m.ascent + (em + 4) / 8;
    m.height = m.ascent + m.descent;
    m.underlineOffset = 1;
    m.strikeOutOffset = m.ascent / 3;
    m.averageCharWidth = (em * 55 + 50) / 100;
    return m;
}

const GlyphImage& RenderGlyph(const FontDesc& font, char32_t character)
{
    static std::mutex lock;
    static std::map<std::tuple<int, bool, char32_t>, GlyphImage> glyphs;
    const std::lock_guard guard(lock);
    GlyphImage& glyph = glyphs[{Em(font), font.bold, character}];
    glyph.advance64 = Advance64(font, character);
    glyph.advance = (glyph.advance64 + 32) >> 6;
    return glyph;
}

int TextAdvance(const FontDesc& font, std::u32string_view text)
{
    long long width = 0;
    for (const char32_t c : text) width += Advance64(font, c);
    return static_cast<int>((width + 32) >> 6);
}

std::string DrawnFamily(const FontDesc& font)
{
    return font.name == "MS Sans Serif" ? font.name : "Tahoma";
}

std::vector<std::string> SubstituteFontFiles() { return {}; }

bool SubstituteFontsInstalled() { return false; }

}  // namespace ui
