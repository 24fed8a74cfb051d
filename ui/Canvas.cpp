#include "ui/Canvas.h"

#include "platform/Text.h"
#include "ui/SystemColors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace ui {

namespace {

TColor BrushColorAt(const Brush& brush, int dx, int dy)
{
    if (brush.style == BrushStyle::Pattern)
        return ResolveColor(brush.pattern[static_cast<std::size_t>((dy & 7) * 8 + (dx & 7))]);
    return ResolveColor(brush.color);
}

TColor Blend(TColor under, TColor over, unsigned alpha)
{
    const auto mix = [alpha](unsigned a, unsigned b) { return (a * (255 - alpha) + b * alpha + 127) / 255; };
    return Rgb(mix(RedOf(under), RedOf(over)), mix(GreenOf(under), GreenOf(over)),
               mix(BlueOf(under), BlueOf(over)));
}

// The parts of `from` outside `cut`: at most four rectangles.
void Subtract(const TRect& from, const TRect& cut, std::vector<TRect>& out)
{
    const TRect common = IntersectRect(from, cut);
    if (common.IsEmpty()) {
        out.push_back(from);
        return;
    }
    const TRect parts[] = {{from.Left, from.Top, from.Right, common.Top},
                          {from.Left, common.Bottom, from.Right, from.Bottom},
                          {from.Left, common.Top, common.Left, common.Bottom},
                          {common.Right, common.Top, from.Right, common.Bottom}};
    for (const TRect& p : parts)
        if (!p.IsEmpty()) out.push_back(p);
}

bool IsControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

// In 1/64 pixels: a run is placed by its glyphs' exact advances and rounded once.
int Advance64(const FontDesc& font, char32_t c)
{
    return IsControl(c) ? 0 : RenderGlyph(font, c).advance64;
}

int Advance(const FontDesc& font, char32_t c) { return (Advance64(font, c) + 32) >> 6; }

}  // namespace

PrefixedText StripPrefix(std::u32string_view text)
{
    PrefixedText result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != U'&' && result.underlined < 0) result.underlined = static_cast<int>(result.text.size());
        }
        result.text.push_back(text[i]);
    }
    return result;
}

Canvas::Canvas(int width, int height, TColor fill) : Canvas(Bitmap(width, height, ResolveColor(fill))) {}

Canvas::Canvas(Bitmap bitmap) : bitmap_(std::move(bitmap))
{
    resetClip();
}

void Canvas::resize(int width, int height, TColor fill)
{
    bitmap_.resize(width, height, ResolveColor(fill));
    origin_ = {};
    saved_.clear();
    resetClip();
}

// --- state ---

void Canvas::save()
{
    saved_.push_back({pen, brush, font, textAlign, origin_, clip_});
}

void Canvas::restore()
{
    if (saved_.empty()) return;
    State& s = saved_.back();
    pen = s.pen;
    brush = s.brush;
    font = std::move(s.font);
    textAlign = s.textAlign;
    origin_ = s.origin;
    clip_ = std::move(s.clip);
    saved_.pop_back();
}

void Canvas::intersectClip(const TRect& rect)
{
    const TRect d = toDevice(rect);
    std::vector<TRect> next;
    for (const TRect& c : clip_)
        if (const TRect i = IntersectRect(c, d); !i.IsEmpty()) next.push_back(i);
    clip_ = std::move(next);
}

void Canvas::excludeClip(const TRect& rect)
{
    const TRect d = toDevice(rect);
    std::vector<TRect> next;
    for (const TRect& c : clip_) Subtract(c, d, next);
    clip_ = std::move(next);
}

void Canvas::resetClip()
{
    clip_.clear();
    if (!bitmap_.isEmpty()) clip_.push_back(bitmap_.bounds());
}

TRect Canvas::clipBounds() const
{
    if (clip_.empty()) return {};
    TRect b = clip_.front();
    for (const TRect& c : clip_)
        b = {std::min(b.Left, c.Left), std::min(b.Top, c.Top), std::max(b.Right, c.Right),
             std::max(b.Bottom, c.Bottom)};
    return b.Offset(-origin_.X, -origin_.Y);
}

bool Canvas::isVisible(int x, int y) const
{
    const TPoint d{x + origin_.X, y + origin_.Y};
    return std::any_of(clip_.begin(), clip_.end(), [d](const TRect& c) { return c.Contains(d); });
}

// --- pixels ---

TColor Canvas::pixel(int x, int y) const
{
    return bitmap_.pixel(x + origin_.X, y + origin_.Y);
}

void Canvas::setPixel(int x, int y, TColor color)
{
    plot(x + origin_.X, y + origin_.Y, ResolveColor(color));
}

void Canvas::plot(int dx, int dy, TColor resolved)
{
    const TPoint d{dx, dy};
    if (std::any_of(clip_.begin(), clip_.end(), [d](const TRect& c) { return c.Contains(d); }))
        bitmap_.setPixel(dx, dy, resolved);
}

void Canvas::plotPen(int dx, int dy, TColor resolved)
{
    const int w = std::max(pen.width, 1);
    if (w == 1) {
        plot(dx, dy, resolved);
        return;
    }
    const int from = -(w - 1) / 2;
    for (int y = from; y < from + w; ++y)
        for (int x = from; x < from + w; ++x) plot(dx + x, dy + y, resolved);
}

void Canvas::fillDevice(const TRect& deviceRect, const Brush& with)
{
    if (with.style == BrushStyle::Clear) return;
    const bool solid = with.style == BrushStyle::Solid;
    const TColor color = ResolveColor(with.color);
    for (const TRect& c : clip_) {
        const TRect i = IntersectRect(c, deviceRect);
        for (int y = i.Top; y < i.Bottom; ++y)
            for (int x = i.Left; x < i.Right; ++x) bitmap_.setPixel(x, y, solid ? color : BrushColorAt(with, x, y));
    }
}

void Canvas::fillSpan(int y, int x0, int x1, const Brush& with)
{
    if (x1 > x0) fillDevice({x0, y, x1, y + 1}, with);
}

// --- lines and shapes ---

void Canvas::drawLine(TPoint from, TPoint to)
{
    if (pen.style == PenStyle::Clear) return;
    const TColor color = ResolveColor(pen.color);
    int x = from.X + origin_.X;
    int y = from.Y + origin_.Y;
    const int dx = std::abs(to.X - from.X);
    const int dy = std::abs(to.Y - from.Y);
    const int sx = to.X >= from.X ? 1 : -1;
    const int sy = to.Y >= from.Y ? 1 : -1;
    const int steps = std::max(dx, dy);
    int err = (dx >= dy ? dx : dy) / 2;
    for (int i = 0; i < steps; ++i) {
        plotPen(x, y, color);
        if (dx >= dy) {
            x += sx;
            err -= dy;
            if (err < 0) {
                y += sy;
                err += dx;
            }
        } else {
            y += sy;
            err -= dx;
            if (err < 0) {
                x += sx;
                err += dy;
            }
        }
    }
}

void Canvas::lineTo(int x, int y)
{
    drawLine(penPos_, {x, y});
    penPos_ = {x, y};
}

void Canvas::polyline(std::span<const TPoint> points)
{
    if (points.empty()) return;
    moveTo(points.front().X, points.front().Y);
    for (const TPoint& p : points.subspan(1)) lineTo(p.X, p.Y);
}

void Canvas::fillRect(const TRect& rect)
{
    fillDevice(toDevice(rect), brush);
}

void Canvas::frameRect(const TRect& rect)
{
    const TRect r = toDevice(rect);
    if (r.IsEmpty()) return;
    const Brush ring = Brush::Solid(brush.color);
    fillDevice({r.Left, r.Top, r.Right, r.Top + 1}, ring);
    fillDevice({r.Left, r.Bottom - 1, r.Right, r.Bottom}, ring);
    fillDevice({r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, ring);
    fillDevice({r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, ring);
}

void Canvas::rectangle(const TRect& rect)
{
    const TRect& r = rect;
    if (r.IsEmpty()) return;
    if (pen.style == PenStyle::Clear) {
        fillRect(r);
        return;
    }
    const int w = std::max(pen.width, 1);
    fillRect(r.Shrink(w));
    const TRect d = toDevice(r);
    const Brush ring = Brush::Solid(pen.color);
    fillDevice({d.Left, d.Top, d.Right, std::min(d.Top + w, d.Bottom)}, ring);
    fillDevice({d.Left, std::max(d.Bottom - w, d.Top), d.Right, d.Bottom}, ring);
    fillDevice({d.Left, d.Top + w, std::min(d.Left + w, d.Right), d.Bottom - w}, ring);
    fillDevice({std::max(d.Right - w, d.Left), d.Top + w, d.Right, d.Bottom - w}, ring);
}

void Canvas::polygon(std::span<const TPoint> points)
{
    if (points.size() < 2) return;
    if (brush.style != BrushStyle::Clear && points.size() >= 3) {
        int minY = points.front().Y;
        int maxY = minY;
        for (const TPoint& p : points) {
            minY = std::min(minY, p.Y);
            maxY = std::max(maxY, p.Y);
        }
        std::vector<double> xs;
        for (int y = minY; y < maxY; ++y) {
            const double yc = y + 0.5;
            xs.clear();
            for (std::size_t i = 0; i < points.size(); ++i) {
                // Each edge taken bottom-up whatever its direction, so that two polygons sharing it cut the
                // same pixels and neither leaves a gap nor overlaps the other.
                TPoint a = points[i];
                TPoint b = points[(i + 1) % points.size()];
                if (a.Y == b.Y) continue;
                if (a.Y > b.Y) std::swap(a, b);
                if (yc < a.Y || yc >= b.Y) continue;
                xs.push_back(a.X + (yc - a.Y) * (b.X - a.X) / (b.Y - a.Y));
            }
            std::sort(xs.begin(), xs.end());
            for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
                const int x0 = static_cast<int>(std::ceil(xs[i] - 0.5));
                const int x1 = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
                fillSpan(y + origin_.Y, x0 + origin_.X, x1 + origin_.X, brush);
            }
        }
    }
    if (pen.style != PenStyle::Clear) {
        const TPoint saved = penPos_;
        polyline(points);
        lineTo(points.front().X, points.front().Y);
        penPos_ = saved;
    }
}

void Canvas::patternInvert(const TRect& rect)
{
    if (brush.style == BrushStyle::Clear) return;
    const TRect d = toDevice(rect);
    for (const TRect& c : clip_) {
        const TRect i = IntersectRect(c, d);
        for (int y = i.Top; y < i.Bottom; ++y)
            for (int x = i.Left; x < i.Right; ++x)
                bitmap_.setPixel(x, y, bitmap_.pixel(x, y) ^ BrushColorAt(brush, x, y));
    }
}

// --- copies ---

template <typename PixelFn>
void Canvas::copyPixels(const TRect& dest, const Bitmap& source, const TRect& srcRect, PixelFn put)
{
    const bool flipX = (dest.Right < dest.Left) != (srcRect.Right < srcRect.Left);
    const bool flipY = (dest.Bottom < dest.Top) != (srcRect.Bottom < srcRect.Top);
    const TRect dn = toDevice(dest.Normalized());
    const TRect sn = srcRect.Normalized();
    const long long dw = dn.Width(), dh = dn.Height(), sw = sn.Width(), sh = sn.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    // Copying a canvas onto itself reads the picture as it was before the copy.
    const Bitmap snapshot = &source == &bitmap_ ? source : Bitmap();
    const Bitmap& src = &source == &bitmap_ ? snapshot : source;
    for (const TRect& c : clip_) {
        const TRect i = IntersectRect(c, dn);
        for (int y = i.Top; y < i.Bottom; ++y) {
            const long long j = flipY ? dh - 1 - (y - dn.Top) : y - dn.Top;
            const int sy = sn.Top + static_cast<int>((2 * j + 1) * sh / (2 * dh));
            for (int x = i.Left; x < i.Right; ++x) {
                const long long k = flipX ? dw - 1 - (x - dn.Left) : x - dn.Left;
                const int sx = sn.Left + static_cast<int>((2 * k + 1) * sw / (2 * dw));
                const TColor s = src.pixel(sx, sy);
                if (s != clNone) put(x, y, s);
            }
        }
    }
}

void Canvas::draw(int x, int y, const Bitmap& source)
{
    copyRect({x, y, x + source.width(), y + source.height()}, source, source.bounds());
}

void Canvas::copyRect(const TRect& dest, const Bitmap& source, const TRect& srcRect)
{
    copyPixels(dest, source, srcRect, [this](int x, int y, TColor s) { bitmap_.setPixel(x, y, s); });
}

void Canvas::copyRectTransparent(const TRect& dest, const Bitmap& source, const TRect& srcRect, TColor transparent)
{
    const TColor key = ResolveColor(transparent);
    copyPixels(dest, source, srcRect, [this, key](int x, int y, TColor s) {
        if (s != key) bitmap_.setPixel(x, y, s);
    });
}

void Canvas::brushCopy(const TRect& dest, const Bitmap& source, const TRect& srcRect, TColor replaced)
{
    const TColor key = ResolveColor(replaced);
    const Brush with = brush;
    copyPixels(dest, source, srcRect, [this, key, &with](int x, int y, TColor s) {
        bitmap_.setPixel(x, y, s == key ? BrushColorAt(with, x, y) : s);
    });
}

// --- text ---

TSize Canvas::textExtent(std::string_view text) const
{
    return {TextAdvance(font, platform::DecodeUtf8(text)), fontMetrics().height};
}

void Canvas::drawGlyph(int penX, int penY, const GlyphImage& glyph, TColor ink)
{
    for (int row = 0; row < glyph.rows; ++row) {
        for (int col = 0; col < glyph.width; ++col) {
            const unsigned a = glyph.coverage[static_cast<std::size_t>(row * glyph.width + col)];
            if (a == 0) continue;
            const int px = penX + glyph.left + col;
            const int py = penY - glyph.top + row;
            if (!isVisible(px - origin_.X, py - origin_.Y)) continue;
            bitmap_.setPixel(px, py, a == 255 ? ink : Blend(bitmap_.pixel(px, py), ink, a));
        }
    }
}

void Canvas::drawGlyphRun(int x, int baseline, std::u32string_view text, TColor color)
{
    const TColor ink = ResolveColor(color);
    const int startX = x + origin_.X;
    long long pen64 = 0;
    const int base = baseline + origin_.Y;
    for (const char32_t c : text) {
        if (IsControl(c)) continue;
        const GlyphImage& g = RenderGlyph(font, c);
        drawGlyph(startX + static_cast<int>((pen64 + 32) >> 6), base, g, ink);
        pen64 += g.advance64;
    }
}

void Canvas::drawTextLine(int x, int baseline, std::u32string_view text, int underlined, TColor color)
{
    drawGlyphRun(x, baseline, text, color);
    const FontMetrics m = fontMetrics();
    const Brush ink = Brush::Solid(color);
    const auto rule = [&](int fromX, int toX, int top) {
        fillDevice(toDevice({fromX, top, toX, top + m.lineThickness}), ink);
    };
    const int width = TextAdvance(font, text);
    if (font.underline) rule(x, x + width, baseline + m.underlineOffset);
    if (font.strikeOut) rule(x, x + width, baseline - m.strikeOutOffset);
    if (underlined >= 0 && underlined < static_cast<int>(text.size())) {
        const int from = x + TextAdvance(font, text.substr(0, static_cast<std::size_t>(underlined)));
        rule(from, from + Advance(font, text[static_cast<std::size_t>(underlined)]), baseline + m.underlineOffset);
    }
}

namespace {

// Where textAlign puts a line of text relative to its point: the line's left end and its baseline.
TPoint LineAnchor(const TextAlign& align, int width, const FontMetrics& m)
{
    TPoint anchor{0, m.ascent};
    if (align.horizontal == TextAlignH::Center) anchor.X = -width / 2;
    if (align.horizontal == TextAlignH::Right) anchor.X = -width;
    if (align.vertical == TextAlignV::Baseline) anchor.Y = 0;
    if (align.vertical == TextAlignV::Bottom) anchor.Y = -m.descent;
    return anchor;
}

}  // namespace

void Canvas::textOut(int x, int y, std::string_view text)
{
    const std::u32string chars = platform::DecodeUtf8(text);
    if (const GlyphTurn turn = GlyphTurn::Of(font.escapement); !turn.Level()) {
        turnedTextOut(x, y, chars, turn);
        return;
    }
    const FontMetrics m = fontMetrics();
    const int width = TextAdvance(font, chars);
    const TPoint anchor = LineAnchor(textAlign, width, m);
    const int left = x + anchor.X;
    const int baseline = y + anchor.Y;
    if (brush.style != BrushStyle::Clear) fillRect({left, baseline - m.ascent, left + width, baseline + m.descent});
    drawTextLine(left, baseline, chars, -1, font.color);
    penPos_ = {left + width, penPos_.Y};
}

namespace {

// Where a point of level text lands once the text is turned about (x, y): u runs along the baseline,
// v down across it, both from (x, y).
class TurnedPlace {
public:
    TurnedPlace(int x, int y, GlyphTurn turn) : x_(x), y_(y)
    {
        const GlyphTurn::Matrix m = turn.ToMatrix();
        cos_ = m.xx / 65536.0;
        sin_ = m.yx / 65536.0;
    }
    TPoint at(double u, double v) const
    {
        return {x_ + static_cast<int>(std::lround(u * cos_ + v * sin_)), y_ + static_cast<int>(std::lround(v * cos_ - u * sin_))};
    }
    // The turned rectangle [u0, u1) x [v0, v1).
    std::array<TPoint, 4> box(double u0, double v0, double u1, double v1) const { return {at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1)}; }

private:
    int x_, y_;
    double cos_ = 1, sin_ = 0;
};

}  // namespace

void Canvas::turnedTextOut(int x, int y, std::u32string_view text, GlyphTurn turn)
{
    const FontMetrics m = fontMetrics();
    const int width = TextAdvance(font, text);
    const TurnedPlace place(x, y, turn);
    const TPoint anchor = LineAnchor(textAlign, width, m);
    const int left = anchor.X, baseline = anchor.Y;
    // A band of the line, across it from v0 to v1, as the level line's rectangle of it would be filled.
    const auto fillBand = [&](double v0, double v1, const Brush& with) {
        const CanvasStateGuard keep(*this);
        pen.style = PenStyle::Clear;
        brush = with;
        polygon(place.box(left, v0, left + width, v1));
    };
    if (brush.style != BrushStyle::Clear) fillBand(baseline - m.ascent, baseline + m.descent, brush);
    const TColor ink = ResolveColor(font.color);
    long long pen64 = 0;
    for (const char32_t c : text) {
        if (IsControl(c)) continue;
        const TPoint pen = place.at(left + pen64 / 64.0, baseline);
        drawGlyph(pen.X + origin_.X, pen.Y + origin_.Y, RenderGlyph(font, c, turn), ink);
        pen64 += RenderGlyph(font, c).advance64;
    }
    const Brush rule = Brush::Solid(font.color);
    if (font.underline) fillBand(baseline + m.underlineOffset, baseline + m.underlineOffset + m.lineThickness, rule);
    if (font.strikeOut) fillBand(baseline - m.strikeOutOffset, baseline - m.strikeOutOffset + m.lineThickness, rule);
    penPos_ = place.at(left + width, 0);
}

void Canvas::textRect(const TRect& rect, int x, int y, std::string_view text)
{
    const CanvasStateGuard keep(*this);
    intersectClip(rect);
    fillRect(rect);
    brush.style = BrushStyle::Clear;
    textOut(x, y, text);
}

namespace {

struct TextLine {
    std::u32string text;
    int underlined = -1;
};

class TextLayout {
public:
    TextLayout(const FontDesc& font, unsigned format) : font_(font), format_(format)
    {
        tabWidth_ = std::max(1, 8 * MeasureFont(font).averageCharWidth);
    }

    int width(std::u32string_view text) const
    {
        long long x64 = 0;
        for (const char32_t c : text) {
            if (c == U'\t' && (format_ & tfExpandTabs)) x64 = (((x64 + 32) >> 6) / tabWidth_ + 1) * tabWidth_ * 64LL;
            else x64 += Advance64(font_, c);
        }
        return static_cast<int>((x64 + 32) >> 6);
    }

    std::vector<TextLine> lines(std::u32string_view text, int maxWidth) const
    {
        PrefixedText stripped{std::u32string(text), -1};
        if (!(format_ & tfNoPrefix)) stripped = StripPrefix(text);
        std::vector<TextLine> result;
        const std::u32string& all = stripped.text;
        std::size_t start = 0;
        while (start <= all.size()) {
            std::size_t end = all.size();
            std::size_t next = all.size() + 1;
            if (!(format_ & tfSingleLine)) {
                const std::size_t nl = all.find(U'\n', start);
                if (nl != std::u32string::npos) {
                    end = nl;
                    next = nl + 1;
                }
            }
            std::size_t paraEnd = end;
            if (paraEnd > start && all[paraEnd - 1] == U'\r') --paraEnd;
            addParagraph(all, start, paraEnd, stripped.underlined, maxWidth, result);
            start = next;
        }
        if (format_ & tfEndEllipsis)
            for (TextLine& line : result) ellipsize(line, maxWidth);
        return result;
    }

private:
    void addParagraph(const std::u32string& all, std::size_t from, std::size_t to, int underlined, int maxWidth,
                      std::vector<TextLine>& out) const
    {
        const auto emit = [&](std::size_t a, std::size_t b) {
            TextLine line{all.substr(a, b - a), -1};
            if (underlined >= static_cast<int>(a) && underlined < static_cast<int>(b))
                line.underlined = underlined - static_cast<int>(a);
            out.push_back(std::move(line));
        };
        if (!(format_ & tfWordBreak) || (format_ & tfSingleLine)) {
            emit(from, to);
            return;
        }
        std::size_t lineStart = from;
        while (true) {
            std::size_t lineEnd = lineStart;  // end of the last word that fits
            std::size_t pos = lineStart;
            while (pos < to) {
                std::size_t wordEnd = pos;
                while (wordEnd < to && all[wordEnd] == U' ') ++wordEnd;
                while (wordEnd < to && all[wordEnd] != U' ') ++wordEnd;
                const bool fits = width(std::u32string_view(all).substr(lineStart, wordEnd - lineStart)) <= maxWidth;
                // A word wider than the whole line stands on a line of its own and overflows it.
                if (!fits && lineEnd > lineStart) break;
                lineEnd = wordEnd;
                pos = wordEnd;
                if (!fits) break;
            }
            emit(lineStart, lineEnd);
            std::size_t next = lineEnd;
            while (next < to && all[next] == U' ') ++next;
            if (next >= to) break;
            lineStart = next;
        }
    }

    void ellipsize(TextLine& line, int maxWidth) const
    {
        if (width(line.text) <= maxWidth) return;
        static constexpr std::u32string_view kDots = U"...";
        const int dotsWidth = width(kDots);
        std::u32string kept = line.text;
        while (!kept.empty() && width(kept) + dotsWidth > maxWidth) kept.pop_back();
        if (line.underlined >= static_cast<int>(kept.size())) line.underlined = -1;
        line.text = kept + std::u32string(kDots);
    }

    const FontDesc& font_;
    unsigned format_;
    int tabWidth_ = 8;
};

}  // namespace

int Canvas::drawText(TRect& rect, std::string_view text, unsigned format)
{
    if (text.empty()) {
        if (format & tfCalcRect) rect = {rect.Left, rect.Top, rect.Left, rect.Top};
        return 0;
    }
    const TextLayout layout(font, format);
    const std::vector<TextLine> lines = layout.lines(platform::DecodeUtf8(text), rect.Width());
    const FontMetrics m = fontMetrics();
    const int textHeight = static_cast<int>(lines.size()) * m.height;
    if (format & tfCalcRect) {
        int widest = 0;
        for (const TextLine& line : lines) widest = std::max(widest, layout.width(line.text));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + textHeight;
        return textHeight;
    }

    const CanvasStateGuard keep(*this);
    font.escapement = 0;
    if (!(format & tfNoClip)) intersectClip(rect);
    int top = rect.Top;
    if (format & tfSingleLine) {
        if (format & tfVCenter) top = rect.Top + (rect.Height() - m.height) / 2;
        else if (format & tfBottom) top = rect.Bottom - m.height;
    }
    for (const TextLine& line : lines) {
        const int w = layout.width(line.text);
        int left = rect.Left;
        if (format & tfCenter) left = rect.Left + (rect.Width() - w) / 2;
        else if (format & tfRight) left = rect.Right - w;
        if (brush.style != BrushStyle::Clear) fillRect({left, top, left + w, top + m.height});
        // Tabs split the line into runs, each starting at its tab stop.
        int x = left;
        std::size_t runStart = 0;
        for (std::size_t i = 0; i <= line.text.size(); ++i) {
            if (i < line.text.size() && !(line.text[i] == U'\t' && (format & tfExpandTabs))) continue;
            const std::u32string_view run = std::u32string_view(line.text).substr(runStart, i - runStart);
            const int u = line.underlined - static_cast<int>(runStart);
            drawTextLine(x, top + m.ascent, run, u < static_cast<int>(run.size()) ? u : -1, font.color);
            x = left + layout.width(std::u32string_view(line.text).substr(0, std::min(i + 1, line.text.size())));
            runStart = i + 1;
        }
        top += m.height;
    }
    return textHeight;
}

}  // namespace ui
