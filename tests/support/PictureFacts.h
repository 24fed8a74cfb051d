#pragma once
// What a picture shows, said of a few of its pixels and regions: the colour of a frame's corner, where a
// caption's ink lies, which colour fills a part of a bar. A stored hash (Pictures.h) says only that a
// picture changed; a fact that fails says what is wrong with it, and holds through changes that are not.
#include "ui/Bitmap.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline std::string ColourText(TColor colour)
{
    const TColor c = ui::ResolveColor(colour);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

inline std::string RectText(const ui::TRect& r)
{
    return r.IsEmpty() ? "nothing" : "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " + std::to_string(r.Bottom) + ")";
}

// The smallest rectangle holding every pixel of `within` for which `match` holds; empty when none does.
template <class Match>
ui::TRect BoxWhere(const ui::Bitmap& picture, const ui::TRect& within, Match match)
{
    ui::TRect box{within.Right, within.Bottom, within.Left, within.Top};
    for (int y = within.Top; y < within.Bottom; ++y)
        for (int x = within.Left; x < within.Right; ++x)
            if (match(picture.pixel(x, y))) box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box.IsEmpty() ? ui::TRect{} : box;
}

// Where anything but the background lies.
inline ui::TRect InkBox(const ui::Bitmap& picture, const ui::TRect& within, TColor background)
{
    const TColor b = ui::ResolveColor(background);
    return BoxWhere(picture, within, [b](TColor c) { return c != b; });
}

// Where a colour lies.
inline ui::TRect ColourBox(const ui::Bitmap& picture, const ui::TRect& within, TColor colour)
{
    const TColor k = ui::ResolveColor(colour);
    return BoxWhere(picture, within, [k](TColor c) { return c == k; });
}

// One thing the picture must show: `wrong` answers what it shows instead, or nothing when it holds.
struct Fact {
    std::string what;
    std::function<std::string(const ui::Bitmap&)> wrong;
};

inline Fact PixelIs(int x, int y, TColor colour, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const TColor seen = p.pixel(x, y);
                return seen == ui::ResolveColor(colour) ? std::string()
                                                        : "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + ColourText(seen) +
                                                              ", not " + ColourText(colour);
            }};
}

// Of two colours, the pixel is closer to the first: which end of a gradient lies where.
inline Fact PixelNearer(int x, int y, TColor to, TColor than, std::string what)
{
    const auto distance = [](TColor a, TColor b) {
        a = ui::ResolveColor(a);
        b = ui::ResolveColor(b);
        int d = 0;
        for (int shift : {0, 8, 16}) d += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        return d;
    };
    return {std::move(what), [=](const ui::Bitmap& p) {
                const TColor seen = p.pixel(x, y);
                return distance(seen, to) < distance(seen, than)
                           ? std::string()
                           : "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + ColourText(seen) + ", nearer " + ColourText(than) +
                                 " than " + ColourText(to);
            }};
}

// The colour fills exactly `box` of the pixels of `within` that have it (an empty box: it is absent).
inline Fact ColourLies(TColor colour, const ui::TRect& within, const ui::TRect& box, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const ui::TRect seen = ColourBox(p, within, colour);
                return seen == box ? std::string() : ColourText(colour) + " lies in " + RectText(seen) + ", not " + RectText(box);
            }};
}

inline Fact Lacks(TColor colour, const ui::TRect& within, std::string what)
{
    return ColourLies(colour, within, {}, std::move(what));
}

// Every pixel of `area` has the colour.
inline Fact Filled(const ui::TRect& area, TColor colour, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const TColor k = ui::ResolveColor(colour);
                const ui::TRect other = BoxWhere(p, area, [k](TColor c) { return c != k; });
                return other.IsEmpty() ? std::string() : "other colours than " + ColourText(colour) + " in " + RectText(other);
            }};
}

// A line of text drawn in `line` (the box the text measures): its ink lies inside, and reaches within
// two pixels of both ends, which side bearings allow.
inline Fact TextIn(const ui::TRect& within, TColor background, const ui::TRect& line, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const ui::TRect ink = InkBox(p, within, background);
                const bool inside = !ink.IsEmpty() && ink.Left >= line.Left - 1 && ink.Right <= line.Right + 1 && ink.Top >= line.Top &&
                                    ink.Bottom <= line.Bottom;
                const bool reaches = std::abs(ink.Left - line.Left) <= 2 && std::abs(ink.Right - line.Right) <= 2;
                return inside && reaches ? std::string() : "the ink lies in " + RectText(ink) + ", the text measures " + RectText(line);
            }};
}

// The ink of one region is that of another moved by (dx, dy), both taken relative to their regions.
inline Fact InkMoved(const ui::TRect& from, const ui::TRect& to, TColor background, int dx, int dy, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const ui::TRect a = InkBox(p, from, background).Offset(-from.Left, -from.Top);
                const ui::TRect b = InkBox(p, to, background).Offset(-to.Left, -to.Top);
                return !a.IsEmpty() && b == a.Offset(dx, dy) ? std::string() : "the ink moved from " + RectText(a) + " to " + RectText(b);
            }};
}

// A picture with what it must show.
struct Look {
    ui::Bitmap picture;
    std::vector<Fact> facts;
};

inline void ExpectFacts(const Look& look)
{
    for (const Fact& fact : look.facts) {
        const std::string wrong = fact.wrong(look.picture);
        EXPECT_TRUE(wrong.empty()) << fact.what << ": " << wrong;
    }
}

}  // namespace testsupport
