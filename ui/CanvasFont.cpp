#include "ui/CanvasFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>

namespace ui {

namespace {

constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu/";
// Indexed by bold + 2 * italic.
constexpr std::array<const char*, 4> kFontFiles = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf",
                                                   "DejaVuSans-Oblique.ttf", "DejaVuSans-BoldOblique.ttf"};
constexpr int kMinHeight = 1;
constexpr int kMaxHeight = 400;

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

int Pixels26(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
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
        const double scale = static_cast<double>(std::get<1>(key)) / face->units_per_EM;
        result.lineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
        result.underlineOffset = std::clamp(static_cast<int>(std::lround(-face->underline_position * scale)), 1,
                                            std::max(1, result.descent - result.lineThickness + 1));
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
    using Key = std::tuple<int, int>;  // file index, pixel height

    FontCache()
    {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType could not be started");
        library_.reset(lib);
    }

    static Key keyOf(const FontDesc& font)
    {
        return {(font.bold ? 1 : 0) + (font.italic ? 2 : 0), std::clamp(font.height, kMinHeight, kMaxHeight)};
    }

    FT_Face faceFor(const Key& key)
    {
        if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
        const std::string path = std::string(kFontFolder) + kFontFiles[static_cast<std::size_t>(std::get<0>(key))];
        FT_Face face = nullptr;
        if (FT_New_Face(library_.get(), path.c_str(), 0, &face) != 0)
            throw std::runtime_error("font file missing or unreadable: " + path);
        FacePtr owned(face);
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::get<1>(key))) != 0)
            throw std::runtime_error("font cannot be scaled: " + path);
        return faces_.emplace(key, std::move(owned)).first->second.get();
    }

    const GlyphImage& glyphLocked(const Key& key, char32_t character)
    {
        const auto glyphKey = std::tuple_cat(key, std::make_tuple(character));
        if (auto it = glyphs_.find(glyphKey); it != glyphs_.end()) return it->second;
        FT_Face face = faceFor(key);
        GlyphImage image;
        // A character the font lacks renders as its missing-glyph box, as any text drawing shows it.
        if (FT_Load_Char(face, character, FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face->glyph;
            const FT_Bitmap& bm = slot->bitmap;
            image.left = slot->bitmap_left;
            image.top = slot->bitmap_top;
            image.width = static_cast<int>(bm.width);
            image.rows = static_cast<int>(bm.rows);
            image.advance = Pixels26(slot->advance.x);
            image.coverage.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.rows));
            for (int y = 0; y < image.rows; ++y)
                for (int x = 0; x < image.width; ++x)
                    image.coverage[static_cast<std::size_t>(y * image.width + x)] =
                        bm.buffer[y * bm.pitch + x];
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
    int width = 0;
    for (const char32_t c : text) width += RenderGlyph(font, c).advance;
    return width;
}

}  // namespace ui
