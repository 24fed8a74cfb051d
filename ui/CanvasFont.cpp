#include "ui/CanvasFont.h"

#include "ui/GlyphSource.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <stdexcept>
#include <tuple>

namespace ui {

namespace {

constexpr int kMinHeight = 1;
constexpr int kMaxHeight = 400;

// Metrics and rendered glyphs are read-only once made, so one cache serves every canvas; the mutex keeps
// it sound should a canvas ever be painted off the window thread, and hands the source one call at a time.
class GlyphCache {
public:
    static GlyphCache& instance()
    {
        static GlyphCache cache(SystemGlyphSource());
        return cache;
    }

    FontMetrics metrics(const FontDesc& font)
    {
        const std::lock_guard lock(mutex_);
        const Key key = keyOf(font);
        if (auto it = metrics_.find(key); it != metrics_.end()) return it->second;
        return metrics_.emplace(key, source_.Metrics(key.first, key.second)).first->second;
    }

    const GlyphImage& glyph(const FontDesc& font, char32_t character, GlyphTurn turn)
    {
        const std::lock_guard lock(mutex_);
        const Key key = keyOf(font);
        const auto glyphKey = std::make_tuple(key.first, key.second, character, turn.tenths);
        if (auto it = glyphs_.find(glyphKey); it != glyphs_.end()) return it->second;
        return glyphs_.emplace(glyphKey, source_.Render(key.first, key.second, character, turn)).first->second;
    }

    std::string family(const FontDesc& font)
    {
        const std::lock_guard lock(mutex_);
        return source_.Family(source_.Face(font));
    }

    // A font whose files are missing has no outlines to turn.
    bool outlines(const FontDesc& font)
    {
        const std::lock_guard lock(mutex_);
        try {
            return source_.Outlines(source_.Face(font));
        } catch (const std::runtime_error&) {
            return false;
        }
    }

private:
    using Key = std::pair<int, int>;  // face, pixel height

    explicit GlyphCache(GlyphSource& source) : source_(source) {}

    Key keyOf(const FontDesc& font) { return {source_.Face(font), std::clamp(font.height, kMinHeight, kMaxHeight)}; }

    std::mutex mutex_;
    GlyphSource& source_;
    std::map<Key, FontMetrics> metrics_;
    std::map<std::tuple<int, int, char32_t, int>, GlyphImage> glyphs_;
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

GlyphTurn::Matrix GlyphTurn::ToMatrix() const
{
    const double a = tenths * std::numbers::pi / 1800.0;
    const long c = std::lround(std::cos(a) * 65536.0), s = std::lround(std::sin(a) * 65536.0);
    return {c, -s, s, c};
}

FontMetrics MeasureFont(const FontDesc& font)
{
    return GlyphCache::instance().metrics(font);
}

const GlyphImage& RenderGlyph(const FontDesc& font, char32_t character, GlyphTurn turn)
{
    return GlyphCache::instance().glyph(font, character, turn);
}

int TextAdvance(const FontDesc& font, std::u32string_view text)
{
    long long width = 0;
    for (const char32_t c : text) width += RenderGlyph(font, c).advance64;
    return static_cast<int>((width + 32) >> 6);
}

std::string DrawnFamily(const FontDesc& font)
{
    return GlyphCache::instance().family(font);
}

bool IsOutlineFont(const FontDesc& font)
{
    return GlyphCache::instance().outlines(font);
}

}  // namespace ui
