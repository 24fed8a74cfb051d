// The canvas's glyphs from FreeType: Debian's DejaVu Sans and the Tahoma and MS Sans Serif stand-ins of
// fonts-wine, with turned glyphs through FreeType's transform.
#include "ui/GlyphSource.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

namespace ui {

namespace {

constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu/";
constexpr const char* kWineFolder = "/usr/share/wine/fonts/";

enum class Family { DejaVu, Tahoma, MsSansSerif };

// One way of drawing a family's style: the file and what FreeType adds to it.
struct FaceFile {
    const char* folder;
    const char* file;
    bool embolden;  // the family has no bold cut of its own
    bool oblique;   // nor an italic one
    // DejaVu keeps its hinted whole-pixel advances. A stand-in's glyph advances by the larger of its
    // drawn width (the hand-made strike at small sizes) and its design width, which is how desktop text
    // drawing may place it: a caption measured here never needs more room on the real window.
    bool designAdvances;
};

// Indexed by family * 4 + bold + 2 * italic: the face numbers this source gives.
constexpr std::array<FaceFile, 12> kFaces = {{
    {kDejaVuFolder, "DejaVuSans.ttf", false, false, false},
    {kDejaVuFolder, "DejaVuSans-Bold.ttf", false, false, false},
    {kDejaVuFolder, "DejaVuSans-Oblique.ttf", false, false, false},
    {kDejaVuFolder, "DejaVuSans-BoldOblique.ttf", false, false, false},
    {kWineFolder, "tahoma.ttf", false, false, true},
    {kWineFolder, "tahomabd.ttf", false, false, true},
    {kWineFolder, "tahoma.ttf", false, true, true},
    {kWineFolder, "tahomabd.ttf", false, true, true},
    // Bitmap strikes only: no outline to slant, so italic stays upright.
    {kWineFolder, "ms_sans_serif.ttf", false, false, true},
    {kWineFolder, "ms_sans_serif.ttf", true, false, true},
    {kWineFolder, "ms_sans_serif.ttf", false, false, true},
    {kWineFolder, "ms_sans_serif.ttf", true, false, true},
}};

constexpr std::array<const char*, 3> kFamilyNames = {"DejaVu Sans", "Tahoma", "MS Sans Serif"};

std::string PathOf(const FaceFile& face) { return std::string(face.folder) + face.file; }

bool Installed(const char* file)
{
    std::error_code ignored;
    return std::filesystem::exists(std::string(kWineFolder) + file, ignored);
}

bool TahomaInstalled()
{
    static const bool installed = Installed("tahoma.ttf") && Installed("tahomabd.ttf");
    return installed;
}

bool MsSansSerifInstalled()
{
    static const bool installed = Installed("ms_sans_serif.ttf");
    return installed;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// A missing MS Sans Serif falls back to Tahoma, its successor on the desktop, before DejaVu.
Family FamilyOf(const FontDesc& font)
{
    if (SameName(font.name, "MS Sans Serif") && MsSansSerifInstalled()) return Family::MsSansSerif;
    if ((SameName(font.name, "MS Sans Serif") || SameName(font.name, "Tahoma")) && TahomaInstalled())
        return Family::Tahoma;
    return Family::DejaVu;
}

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

int Round64(long long value) { return static_cast<int>((value + 32) >> 6); }

// A bitmap-only face has its sizes as whole cells (the 8-point strike of MS Sans Serif is 13 pixels
// high for an 11-pixel character height): the strike nearest the cell the height asks for.
int NearestStrike(FT_Face face, int height)
{
    const double cell = height * 13.0 / 11.0;
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i)
        if (std::abs(face->available_sizes[i].height - cell) < std::abs(face->available_sizes[best].height - cell))
            best = i;
    return best;
}

// Coverage 0..255 from any bitmap FreeType renders (grey levels, or one bit per pixel for strikes).
std::vector<std::uint8_t> CoverageOf(FT_Library library, const FT_Bitmap& source)
{
    FT_Bitmap grey;
    FT_Bitmap_Init(&grey);
    const FT_Bitmap* bm = &source;
    if (source.pixel_mode != FT_PIXEL_MODE_GRAY) {
        if (FT_Bitmap_Convert(library, &source, &grey, 1) != 0) return {};
        bm = &grey;
    }
    const int levels = std::max(1, bm->num_grays - 1);
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(bm->width) * bm->rows);
    for (unsigned y = 0; y < bm->rows; ++y)
        for (unsigned x = 0; x < bm->width; ++x)
            coverage[y * bm->width + x] =
                static_cast<std::uint8_t>(std::min(255, bm->buffer[static_cast<int>(y) * bm->pitch + static_cast<int>(x)] * 255 / levels));
    FT_Bitmap_Done(library, &grey);
    return coverage;
}

// A strike made bold: its ink one pixel wider, its advance kept, as the desktop draws it.
void Embolden(GlyphImage& image)
{
    if (image.width == 0) return;
    const int width = image.width + 1;
    std::vector<std::uint8_t> bold(static_cast<std::size_t>(width) * static_cast<std::size_t>(image.rows));
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < width; ++x) {
            const auto at = [&](int col) {
                return col >= 0 && col < image.width ? image.coverage[static_cast<std::size_t>(y * image.width + col)] : 0;
            };
            bold[static_cast<std::size_t>(y * width + x)] = std::max(at(x), at(x - 1));
        }
    image.width = width;
    image.coverage = std::move(bold);
}

class FreeTypeGlyphSource : public GlyphSource {
public:
    FreeTypeGlyphSource()
    {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType could not be started");
        library_.reset(lib);
    }

    int Face(const FontDesc& font) override
    {
        return static_cast<int>(FamilyOf(font)) * 4 + (font.bold ? 1 : 0) + (font.italic ? 2 : 0);
    }

    std::string Family(int face) override { return kFamilyNames[static_cast<std::size_t>(face / 4)]; }

    bool Outlines(int face) override { return FT_IS_SCALABLE(Sized(face, 11)); }

    FontMetrics Metrics(int face, int height) override
    {
        FT_Face f = Sized(face, height);
        const FT_Size_Metrics& m = f->size->metrics;
        FontMetrics result;
        result.ascent = static_cast<int>((m.ascender + 63) >> 6);
        result.descent = static_cast<int>((-m.descender + 63) >> 6);
        result.height = result.ascent + result.descent;
        if (FT_IS_SCALABLE(f)) {
            const double scale = static_cast<double>(height) / f->units_per_EM;
            result.lineThickness = std::max(1, static_cast<int>(std::lround(f->underline_thickness * scale)));
            result.underlineOffset = static_cast<int>(std::lround(-f->underline_position * scale));
        } else {
            result.underlineOffset = 1;
        }
        result.underlineOffset =
            std::clamp(result.underlineOffset, 1, std::max(1, result.descent - result.lineThickness + 1));
        result.strikeOutOffset = std::max(1, static_cast<int>(std::lround(result.ascent * 0.3)));
        result.averageCharWidth = Render(face, height, U'x', {}).advance;
        return result;
    }

    GlyphImage Render(int face, int height, char32_t character, GlyphTurn turn) override
    {
        FT_Face f = Sized(face, height);
        const FaceFile& file = kFaces[static_cast<std::size_t>(face)];
        const bool turned = !turn.Level() && FT_IS_SCALABLE(f);
        GlyphImage image;
        // A character the font lacks renders as its missing-glyph box, as any text drawing shows it.
        if (!Load(f, file, character, turned ? turn : GlyphTurn{})) return image;
        const FT_GlyphSlot slot = f->glyph;
        image.left = slot->bitmap_left;
        image.top = slot->bitmap_top;
        image.width = static_cast<int>(slot->bitmap.width);
        image.rows = static_cast<int>(slot->bitmap.rows);
        image.advance64 = static_cast<int>(slot->advance.x);
        if (file.designAdvances && FT_IS_SCALABLE(f))
            image.advance64 = std::max(image.advance64, static_cast<int>((slot->linearHoriAdvance + 512) >> 10));
        image.advance = Round64(image.advance64);
        image.coverage = CoverageOf(library_.get(), slot->bitmap);
        if (image.coverage.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.rows))
            image.width = image.rows = 0;
        if (file.embolden) Embolden(image);
        return image;
    }

private:
    using Key = std::pair<int, int>;  // face, pixel height

    FT_Face Sized(int face, int height)
    {
        const Key key{face, height};
        if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
        const std::string path = PathOf(kFaces[static_cast<std::size_t>(face)]);
        FT_Face f = nullptr;
        if (FT_New_Face(library_.get(), path.c_str(), 0, &f) != 0)
            throw std::runtime_error("font file missing or unreadable: " + path);
        FacePtr owned(f);
        const FT_Error sized = FT_IS_SCALABLE(f) ? FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(height))
                                                 : FT_Select_Size(f, NearestStrike(f, height));
        if (sized != 0) throw std::runtime_error("font cannot be scaled: " + path);
        return faces_.emplace(key, std::move(owned)).first->second.get();
    }

    // The glyph in the slot, with the cut the family lacks synthesised, turned about its pen position
    // (the hinted level outline, so that turned text keeps the level text's shapes), rendered to a bitmap.
    bool Load(FT_Face face, const FaceFile& file, char32_t character, GlyphTurn turn)
    {
        // Slanted or turned glyphs need the outline; a level upright one takes the strike where the face
        // has one.
        const FT_Int32 flags = file.oblique || !turn.Level() ? FT_LOAD_NO_BITMAP : FT_LOAD_DEFAULT;
        if (FT_Load_Char(face, character, flags) != 0) return false;
        FT_GlyphSlot slot = face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (file.oblique) FT_GlyphSlot_Oblique(slot);
            if (!turn.Level()) {
                const GlyphTurn::Matrix m = turn.ToMatrix();
                const FT_Matrix matrix{m.xx, m.xy, m.yx, m.yy};
                FT_Outline_Transform(&slot->outline, &matrix);
            }
        }
        return slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
    }

    LibraryPtr library_;
    std::map<Key, FacePtr> faces_;
};

}  // namespace

GlyphSource& SystemGlyphSource()
{
    static FreeTypeGlyphSource source;
    return source;
}

std::vector<std::string> SubstituteFontFiles()
{
    std::vector<std::string> files;
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"})
        if (Installed(file)) files.push_back(std::string(kWineFolder) + file);
    return files;
}

bool SubstituteFontsInstalled() { return TahomaInstalled() && MsSansSerifInstalled(); }

}  // namespace ui
