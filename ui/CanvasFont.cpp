#include "ui/CanvasFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>

namespace ui {

namespace {

constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu/";
constexpr const char* kWineFolder = "/usr/share/wine/fonts/";
constexpr int kMinHeight = 1;
constexpr int kMaxHeight = 400;

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

// Indexed by family * 4 + bold + 2 * italic.
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

// Faces and rendered glyphs are read-only once made, so one cache serves every canvas; the mutex keeps
// it sound should a canvas ever be painted off the window thread.
class FontCache {
public:
    static FontCache& instance()
    {
        static FontCache cache;
        return cache;
    }

    FontMetrics metrics(const FontDesc& font)
    {
        const std::lock_guard lock(mutex_);
        const Key key = keyOf(font);
        if (auto it = metrics_.find(key); it != metrics_.end()) return it->second;
        FT_Face face = faceFor(key);
        const FT_Size_Metrics& m = face->size->metrics;
        FontMetrics result;
        result.ascent = static_cast<int>((m.ascender + 63) >> 6);
        result.descent = static_cast<int>((-m.descender + 63) >> 6);
        result.height = result.ascent + result.descent;
        if (FT_IS_SCALABLE(face)) {
            const double scale = static_cast<double>(std::get<1>(key)) / face->units_per_EM;
            result.lineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
            result.underlineOffset = static_cast<int>(std::lround(-face->underline_position * scale));
        } else {
            result.underlineOffset = 1;
        }
        result.underlineOffset =
            std::clamp(result.underlineOffset, 1, std::max(1, result.descent - result.lineThickness + 1));
        result.strikeOutOffset = std::max(1, static_cast<int>(std::lround(result.ascent * 0.3)));
        result.averageCharWidth = glyphLocked(key, U'x').advance;
        metrics_.emplace(key, result);
        return result;
    }

    const GlyphImage& glyph(const FontDesc& font, char32_t character)
    {
        const std::lock_guard lock(mutex_);
        return glyphLocked(keyOf(font), character);
    }

private:
    using Key = std::tuple<int, int>;  // face index, pixel height

    FontCache()
    {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType could not be started");
        library_.reset(lib);
    }

    static Key keyOf(const FontDesc& font)
    {
        const int face = static_cast<int>(FamilyOf(font)) * 4 + (font.bold ? 1 : 0) + (font.italic ? 2 : 0);
        return {face, std::clamp(font.height, kMinHeight, kMaxHeight)};
    }

    static const FaceFile& faceOf(const Key& key) { return kFaces[static_cast<std::size_t>(std::get<0>(key))]; }

    FT_Face faceFor(const Key& key)
    {
        if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
        const std::string path = PathOf(faceOf(key));
        FT_Face face = nullptr;
        if (FT_New_Face(library_.get(), path.c_str(), 0, &face) != 0)
            throw std::runtime_error("font file missing or unreadable: " + path);
        FacePtr owned(face);
        const int height = std::get<1>(key);
        const FT_Error sized = FT_IS_SCALABLE(face) ? FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(height))
                                                    : FT_Select_Size(face, NearestStrike(face, height));
        if (sized != 0) throw std::runtime_error("font cannot be scaled: " + path);
        return faces_.emplace(key, std::move(owned)).first->second.get();
    }

    // The glyph in the slot, with the cut the family lacks synthesised and rendered to a bitmap.
    bool loadGlyph(FT_Face face, const FaceFile& file, char32_t character)
    {
        // A slanted glyph needs the outline; an upright one takes the strike where the face has one.
        const FT_Int32 flags = file.oblique ? FT_LOAD_NO_BITMAP : FT_LOAD_DEFAULT;
        if (FT_Load_Char(face, character, flags) != 0) return false;
        FT_GlyphSlot slot = face->glyph;
        if (file.oblique && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Oblique(slot);
        return slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
    }

    const GlyphImage& glyphLocked(const Key& key, char32_t character)
    {
        const auto glyphKey = std::tuple_cat(key, std::make_tuple(character));
        if (auto it = glyphs_.find(glyphKey); it != glyphs_.end()) return it->second;
        FT_Face face = faceFor(key);
        const FaceFile& file = faceOf(key);
        GlyphImage image;
        // A character the font lacks renders as its missing-glyph box, as any text drawing shows it.
        if (loadGlyph(face, file, character)) {
            const FT_GlyphSlot slot = face->glyph;
            image.left = slot->bitmap_left;
            image.top = slot->bitmap_top;
            image.width = static_cast<int>(slot->bitmap.width);
            image.rows = static_cast<int>(slot->bitmap.rows);
            image.advance64 = static_cast<int>(slot->advance.x);
            if (file.designAdvances && FT_IS_SCALABLE(face))
                image.advance64 = std::max(image.advance64, static_cast<int>((slot->linearHoriAdvance + 512) >> 10));
            image.advance = Round64(image.advance64);
            image.coverage = CoverageOf(library_.get(), slot->bitmap);
            if (image.coverage.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.rows))
                image.width = image.rows = 0;
            if (file.embolden) Embolden(image);
        }
        return glyphs_.emplace(glyphKey, std::move(image)).first->second;
    }

    std::mutex mutex_;
    LibraryPtr library_;
    std::map<Key, FacePtr> faces_;
    std::map<Key, FontMetrics> metrics_;
    std::map<std::tuple<int, int, char32_t>, GlyphImage> glyphs_;
};

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
    return FontCache::instance().metrics(font);
}

const GlyphImage& RenderGlyph(const FontDesc& font, char32_t character)
{
    return FontCache::instance().glyph(font, character);
}

int TextAdvance(const FontDesc& font, std::u32string_view text)
{
    long long width = 0;
    for (const char32_t c : text) width += RenderGlyph(font, c).advance64;
    return Round64(width);
}

std::string DrawnFamily(const FontDesc& font)
{
    switch (FamilyOf(font)) {
    case Family::Tahoma: return "Tahoma";
    case Family::MsSansSerif: return "MS Sans Serif";
    case Family::DejaVu: break;
    }
    return "DejaVu Sans";
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
