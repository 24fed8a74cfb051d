#pragma once
// Where the canvas's glyphs come from: the face a font is drawn in, its vertical metrics, and each glyph
// rendered to coverage, level or turned. FreeType is the source on Linux (ui/FreeTypeGlyphs.cpp); a
// system's own text engine can stand beside it. Only a source's own file includes its engine's headers.
// The canvas keeps one cache in front of the source and calls it one call at a time.
#include "ui/CanvasFont.h"

#include <string>

namespace ui {

class GlyphSource {
public:
    virtual ~GlyphSource() = default;

    // A number naming the face (family and cut) a font is drawn in: fonts of one face and height draw
    // alike, whatever else their descriptions say.
    virtual int Face(const FontDesc& font) = 0;
    // The family's name: "Tahoma", "MS Sans Serif", "DejaVu Sans", ...
    virtual std::string Family(int face) = 0;
    // Whether the face is drawn from outlines (a TrueType face); only such glyphs can be turned.
    virtual bool Outlines(int face) = 0;
    // Throw std::runtime_error when the face's files are missing.
    virtual FontMetrics Metrics(int face, int height) = 0;
    // The glyph turned by `turn` about its pen position, placed as GlyphImage says; its advances are
    // those of the level glyph, along the baseline. A face without outlines renders level whatever the
    // turn. A character the face lacks renders as the face's missing-glyph box.
    virtual GlyphImage Render(int face, int height, char32_t character, GlyphTurn turn) = 0;
};

// The source of this platform.
GlyphSource& SystemGlyphSource();

}  // namespace ui
