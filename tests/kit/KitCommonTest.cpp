#include "kit/KitCommon.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <array>
#include <map>
#include <string>

using ui::Canvas;
using ui::TRect;
using ui::ResolveColor;
using ui::Rgb;

namespace {

const TColor kFace = ResolveColor(clBtnFace);
const TColor kShadow = ResolveColor(clBtnShadow);
const TColor kHighlight = ResolveColor(clBtnHighlight);
const TColor kDark = ResolveColor(cl3DDkShadow);
const TColor kLight = ResolveColor(cl3DLight);

int CountNot(const ui::Bitmap& b, TColor c)
{
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) n += b.pixel(x, y) != c ? 1 : 0;
    return n;
}

// Pixels of column x (rows top..bottom-1) or row y, as a string of single letters for readable checks.
std::string Row(const Canvas& c, int y, int x0, int x1, const std::map<TColor, char>& names)
{
    std::string s;
    for (int x = x0; x < x1; ++x) {
        const auto it = names.find(c.pixel(x, y));
        s.push_back(it == names.end() ? '?' : it->second);
    }
    return s;
}

}  // namespace

TEST(KitRound, HalvesGoToEven)
{
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(1.5L), 2);
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(-0.5L), 0);
    EXPECT_EQ(Round(1.0L / 8 * 100), 12);
}

TEST(KitColors, HslOfKnownColours)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(clRed, h, s, l);
    EXPECT_EQ((std::array{h, s, l}), (std::array<std::uint8_t, 3>{0, 240, 120}));
    ColorToHSL(clBtnFace, h, s, l);  // system colours are resolved first
    EXPECT_EQ(l, Round(240 * (212 + 200) / 510.0L));
    EXPECT_EQ(ColorHue(clLime), 80);
}

TEST(KitColors, HslToColourEdges)
{
    EXPECT_EQ(HSLToColor(0, 240, 120), clRed);
    EXPECT_EQ(HSLToColor(77, 0, 120), Rgb(128, 128, 128));  // grey of the lightness, hue ignored
    // Hue 240 lies just past the last sextant (the scale divides by 239): the red sector.
    const TColor past = HSLToColor(240, 240, 120);
    EXPECT_EQ(ui::RedOf(past), 255u);
    EXPECT_LT(ui::GreenOf(past), 10u);
    EXPECT_EQ(HSLToColor(100, 200, 250), clWhite);  // lightness above 240
}

TEST(KitColors, LighterDarkerAndAdjust)
{
    for (const TColor c : {clRed, clNavy, clBtnFace, TColor{0x123456}, clBlack}) {
        EXPECT_EQ(LighterColor(c, 255), clWhite) << std::hex << c;
        EXPECT_EQ(DarkerColor(c, 255), clBlack) << std::hex << c;
    }
    EXPECT_EQ(AdjustColor(clBtnFace, 0), clBtnFace);  // untouched: still the system colour
    EXPECT_EQ(AdjustColor(clBtnShadow, 30), LighterColor(clBtnShadow, 30));
    EXPECT_EQ(LighterColor(clBtnShadow, 30), Rgb(159, 159, 159));  // L 120 + 30 = 150 -> 159.375
    EXPECT_EQ(LighterColor(clGray, 256), clGray);  // only the low byte of the amount counts
}

TEST(KitColors, BlendsSimilarityAndComplement)
{
    EXPECT_EQ(BlendColors(clRed, clBlue, 255), clRed);
    EXPECT_EQ(BlendColors(clWhite, clBlack, 128), Rgb(128, 128, 128));
    EXPECT_EQ(BlendColors(clBlack, clBtnFace, 40), Rgb(179, 175, 169));
    EXPECT_EQ(BlendColors(clBtnShadow, clBtnShadow, 77), kShadow);
    EXPECT_TRUE(SimilarColors(clSilver, clWhite));  // both hue 0, lightness 181 and 240
    EXPECT_FALSE(SimilarColors(clGray, clSilver));  // lightness 120 and 181
    EXPECT_EQ(ComplementColor(clRed, 120), HSLToColor(120, 240, 120));
}

TEST(KitSchemes, NamesAndTheDefaultScheme)
{
    EXPECT_EQ(XPColorSchemeFromName("MetAlLic"), 2);
    EXPECT_EQ(XPColorSchemeFromName("homestead"), 1);
    EXPECT_EQ(XPColorSchemeFromName(""), 0);
    EXPECT_EQ(GetXPColorScheme(), 0);
}

TEST(KitSchemes, WithoutThemesEveryStyleFallsBack)
{
    for (const TKitGradientColorStyle style : {gcsSystem, gcsMSOffice, gcsCustom}) {
        TColor a = 0, b = 0, c = 0;
        GetXPGradientColors(style, a, b);
        EXPECT_EQ(a, clWindow);
        EXPECT_EQ(b, DarkerColor(clBtnFace, 10));
        EXPECT_EQ(GetXPFrameColor(style), LighterColor(clBtnShadow, 30));
        GetXPGroupBoxColors(style, a, b, c);
        EXPECT_EQ(a, DarkerColor(clBtnFace, 20));
        EXPECT_EQ(b, clWindow);
        EXPECT_EQ(c, DarkerColor(clBtnFace, 40));
        GetXPGroupBarColors(style, a, b);
        EXPECT_EQ(a, BlendColors(clBlack, clBtnFace, 40));
        EXPECT_EQ(b, BlendColors(clBlack, clBtnFace, 80));
    }
    EXPECT_EQ(GetXPThemeColor(6), clBtnFace);
}

TEST(KitFrames, DrawSidesChosenSidesAndNoneColours)
{
    Canvas c(6, 5);
    EXPECT_EQ(DrawSides(c, {0, 0, 6, 5}, clNone, clNone, sdAllSides), (TRect{1, 1, 5, 4}));
    EXPECT_EQ(CountNot(c.bitmap(), clWhite), 0);
    EXPECT_EQ(DrawSides(c, {0, 0, 6, 5}, clRed, clBlue, sdLeft | sdBottom), (TRect{1, 0, 6, 4}));
    EXPECT_EQ(c.pixel(0, 4), clBlue);  // the bottom line, drawn second, owns the corner
    EXPECT_EQ(c.pixel(5, 0), clWhite);
    Canvas ring(4, 4);
    DrawSides(ring, {0, 0, 4, 4}, clRed, clBlue, sdAllSides);
    const std::map<TColor, char> n{{clRed, 'U'}, {clBlue, 'L'}, {clWhite, '.'}};
    EXPECT_EQ(Row(ring, 0, 0, 4, n), "UUUL");
    EXPECT_EQ(Row(ring, 1, 0, 4, n), "U..L");
    EXPECT_EQ(Row(ring, 3, 0, 4, n), "LLLL");
}

TEST(KitFrames, GrooveAllSides)
{
    Canvas c(6, 6, clYellow);
    EXPECT_EQ(DrawBorderSides(c, {0, 0, 6, 6}, fsGroove, sdAllSides), (TRect{2, 2, 4, 4}));
    const std::map<TColor, char> n{{kShadow, 'S'}, {kHighlight, 'H'}, {clYellow, '.'}};
    EXPECT_EQ(Row(c, 0, 0, 6, n), "SSSSSH");
    EXPECT_EQ(Row(c, 1, 0, 6, n), "SHHHSH");
    EXPECT_EQ(Row(c, 4, 0, 6, n), "SSSSSH");
    EXPECT_EQ(Row(c, 5, 0, 6, n), "HHHHHH");
}

TEST(KitFrames, EtchedCornersOnOpenSides)
{
    // Top and left only: the free ends of the two lines get the crossing colours.
    Canvas c(6, 6, clYellow);
    EXPECT_EQ(DrawBorderSides(c, {0, 0, 6, 6}, fsBump, sdTop | sdLeft), (TRect{2, 2, 6, 6}));
    const std::map<TColor, char> n{{kShadow, 'S'}, {kHighlight, 'H'}, {clYellow, '.'}};
    EXPECT_EQ(Row(c, 0, 0, 6, n), "HHHHHH");
    EXPECT_EQ(Row(c, 1, 0, 6, n), "HSSSSS");
    EXPECT_EQ(Row(c, 5, 0, 6, n), "HS....");
    Canvas top(6, 4, clYellow);
    DrawBorderSides(top, {0, 0, 6, 4}, fsGroove, sdTop);
    EXPECT_EQ(top.pixel(0, 1), kHighlight);  // (left, top + 1) when the left side is open
    EXPECT_EQ(top.pixel(5, 0), kShadow);     // (right - 1, top) in the upper colour without a right side
}

TEST(KitFrames, BorderStylesReturnTheirWidths)
{
    const TRect r{0, 0, 20, 10};
    struct Case {
        TFrameStyleEx style;
        int width;
    };
    for (const Case k : {Case{fsNone, 0}, Case{fsFlat, 1}, Case{fsGroove, 2}, Case{fsBump, 2}, Case{fsLowered, 2},
                         Case{fsButtonDown, 2}, Case{fsRaised, 2}, Case{fsButtonUp, 2}, Case{fsStatus, 1},
                         Case{fsPopup, 1}, Case{fsFlatBold, 2}, Case{fsFlatRounded, 2}}) {
        Canvas c(20, 10);
        EXPECT_EQ(DrawBorder(c, r, k.style), r.Shrink(k.width)) << k.style;
        Canvas cc(20, 10);
        EXPECT_EQ(DrawColorButtonBorder(cc, r, clTeal, k.style), r.Shrink(k.width)) << k.style;
    }
    Canvas c(20, 10);
    EXPECT_EQ(DrawBorderSides(c, r, fsRaised, sdTop), (TRect{0, 2, 20, 10}));
}

TEST(KitFrames, RaisedAndButtonRings)
{
    Canvas c(6, 6);
    DrawBorder(c, {0, 0, 6, 6}, fsRaised);
    EXPECT_EQ(c.pixel(0, 0), kLight);
    EXPECT_EQ(c.pixel(5, 5), kDark);
    DrawButtonBorder(c, {0, 0, 6, 6}, true);
    EXPECT_EQ(c.pixel(0, 0), ResolveColor(clBtnText));
    EXPECT_EQ(c.pixel(1, 1), kShadow);
    DrawColorEdge(c, {0, 0, 6, 6}, clTeal, false);
    EXPECT_EQ(c.pixel(0, 0), LighterColor(clTeal, 100));
    EXPECT_EQ(c.pixel(4, 4), DarkerColor(clTeal, 50));
}

TEST(KitFrames, BoxAndFocusBorderParity)
{
    Canvas c(7, 6);
    EXPECT_EQ(DrawBox(c, {0, 0, 7, 6}, clRed), (TRect{1, 1, 6, 5}));
    EXPECT_EQ(CountNot(c.bitmap(), clWhite), 2 * 7 + 2 * 4);
    Canvas f(7, 6);
    EXPECT_EQ(DrawFocusBorder(f, {0, 0, 7, 6}), (TRect{1, 1, 6, 5}));
    const std::map<TColor, char> n{{clBlack, '#'}, {clWhite, '.'}};
    EXPECT_EQ(Row(f, 0, 0, 7, n), ".#.#.#.");
    EXPECT_EQ(Row(f, 5, 0, 7, n), "##.#.##");  // the side columns' dots at rows 1, 3, 5 meet it
    EXPECT_EQ(Row(f, 2, 0, 7, n), ".......");
}

TEST(KitFrames, RoundedFlatCorners)
{
    Canvas c(7, 6);
    EXPECT_EQ(DrawRoundedFlatSides(c, {0, 0, 7, 6}, clRed, sdAllSides), (TRect{2, 2, 5, 4}));
    const std::map<TColor, char> n{{clRed, '#'}, {clWhite, '.'}};
    EXPECT_EQ(Row(c, 0, 0, 7, n), "..###..");
    EXPECT_EQ(Row(c, 1, 0, 7, n), ".#...#.");
    EXPECT_EQ(Row(c, 5, 0, 7, n), "..###..");
    Canvas open(5, 4);
    EXPECT_EQ(DrawRoundedFlatSides(open, {0, 0, 5, 4}, clRed, sdTop | sdLeft), (TRect{2, 2, 5, 4}));
    EXPECT_EQ(Row(open, 0, 0, 5, n), "..###");
    EXPECT_EQ(Row(open, 3, 0, 5, n), "#....");
}

TEST(KitFrames, InnerOuterBorders)
{
    Canvas c(10, 10, clYellow);
    TInnerOuterBorders none;
    EXPECT_EQ(DrawInnerOuterBorders(c, {0, 0, 10, 10}, none), (TRect{0, 0, 10, 10}));
    EXPECT_EQ(CountNot(c.bitmap(), clYellow), 0);

    TInnerOuterBorders b;
    b.BorderOuter = fsStatus;
    b.BevelWidth = 2;
    b.BorderWidth = 1;
    b.BorderColor = clRed;
    b.BorderInner = fsFlat;
    b.FlatColor = clGray;
    b.FlatColorAdjustment = 0;
    EXPECT_EQ(DrawInnerOuterBorders(c, {0, 0, 10, 10}, b), (TRect{4, 4, 6, 6}));
    EXPECT_EQ(c.pixel(1, 1), kShadow);
    EXPECT_EQ(c.pixel(2, 5), clRed);
    EXPECT_EQ(c.pixel(3, 5), clGray);
    EXPECT_EQ(c.pixel(5, 5), clYellow);

    // Round inner corners leave the four corner pixels of the flat ring.
    Canvas r(8, 8, clYellow);
    TInnerOuterBorders rounded;
    rounded.BorderInner = fsFlat;
    rounded.RoundFlatInnerCorners = true;
    rounded.BorderSides = sdTop;  // ignored for the rounded flat ring: it goes all round
    rounded.FlatColor = clBlue;
    rounded.FlatColorAdjustment = 0;
    EXPECT_EQ(DrawInnerOuterBorders(r, {0, 0, 8, 8}, rounded), (TRect{1, 1, 7, 7}));
    EXPECT_EQ(r.pixel(0, 0), clYellow);
    EXPECT_EQ(CountNot(r.bitmap(), clYellow), 4 * 6);
}

TEST(KitFrames, FlatRoundedOuterFrame)
{
    Canvas c(8, 8, clYellow);
    TInnerOuterBorders b;
    b.BorderOuter = fsFlatRounded;
    b.FlatColor = clBlue;
    b.FlatColorAdjustment = 0;
    b.ParentColor = clRed;
    b.InteriorColor = clWhite;
    EXPECT_EQ(DrawInnerOuterBorders(c, {0, 0, 8, 8}, b), (TRect{2, 2, 6, 6}));
    EXPECT_EQ(c.pixel(0, 0), clRed);    // the rounded corner shows the parent
    EXPECT_EQ(c.pixel(1, 1), clBlue);   // the diagonal corner pixel
    EXPECT_EQ(c.pixel(2, 1), clWhite);  // inside the outline: the interior ring
    b.Transparent = true;
    Canvas t(8, 8, clYellow);
    DrawInnerOuterBorders(t, {0, 0, 8, 8}, b);
    EXPECT_EQ(t.pixel(0, 0), clYellow);
    EXPECT_EQ(t.pixel(2, 1), clYellow);
}

TEST(KitFrames, GroupBarBackground)
{
    Canvas c(10, 20, clYellow);
    DrawGroupBarBackground(c, {0, 0, 10, 20}, vsClassic, gcsSystem, gpTopToBottom, clRed, clBlue);
    EXPECT_EQ(CountNot(c.bitmap(), clYellow), 0);
    DrawGroupBarBackground(c, {0, 0, 10, 20}, vsGradient, gcsCustom, gpTopToBottom, clRed, clBlue);
    EXPECT_EQ(c.pixel(5, 19), clBlue);
    DrawGroupBarBackground(c, {0, 0, 10, 20}, vsWinXP, gcsCustom, gpBottomToTop, clRed, clBlue);
    EXPECT_EQ(c.pixel(5, 19), clRed);
    DrawGroupBarBackground(c, {0, 0, 10, 20}, vsGradient, gcsSystem, gpTopToBottom, clRed, clBlue);
    EXPECT_EQ(c.pixel(0, 19), BlendColors(clBlack, clBtnFace, 80));
}

TEST(KitCaptions, RemoveAccelChar)
{
    EXPECT_EQ(RemoveAccelChar("Save && &Exit"), "Save & Exit");
    EXPECT_EQ(RemoveAccelChar("Trailing&"), "Trailing&");
    EXPECT_EQ(RemoveAccelChar("Ш&ё"), "Шё");
}

TEST(KitVersions, TablesCompareMajorAndMinorEachOnItsOwn)
{
    const TSystemVersion vista{true, 6, 0};
    EXPECT_FALSE(RunningAtLeast(wvXP, vista));  // minor 0 is below 1
    EXPECT_TRUE(RunningAtLeast(wvVista, vista));
    EXPECT_TRUE(RunningUnder(wv95, {false, 4, 0}));
    EXPECT_FALSE(RunningUnder(wvNT, {true, 5, 0}));
    EXPECT_TRUE(RunningAtLeast(wvME, {false, 4, 90}));
    EXPECT_FALSE(RunningAtLeast(42, vista));
    EXPECT_FALSE(RunningUnder(-1, vista));
    EXPECT_TRUE(RunningAtLeast(wvVista));  // this platform counts as a current system
}

namespace {

TRect InkBounds(const Canvas& c, const TRect& area, TColor background)
{
    TRect r{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (c.pixel(x, y) != background)
                r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
    return r.IsEmpty() ? TRect{} : r;
}

int CountIn(const Canvas& c, const TRect& area, TColor color)
{
    int n = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x) n += c.pixel(x, y) == color ? 1 : 0;
    return n;
}

}  // namespace

TEST(KitProgress, FilledPartRoundsHalfToEven)
{
    const TRect bar{0, 0, 125, 21};
    EXPECT_EQ(ProgressFilledPart(bar, orHorizontal, 50), (TRect{0, 0, 62, 21}));  // 62.5 -> 62
    EXPECT_EQ(ProgressFilledPart(bar, orHorizontal, 250), bar);
    EXPECT_EQ(ProgressFilledPart({0, 10, 21, 135}, orVertical, 50), (TRect{0, 73, 21, 135}));  // 62.5 -> 62 high
}

TEST(KitProgress, TraditionalAtTheEnds)
{
    const TRect bar{0, 0, 100, 20};
    Canvas empty(100, 20, clYellow);
    DrawTraditionalProgressBar(empty, bar, orHorizontal, clBlue, clWhite, 0, true);
    EXPECT_EQ(CountIn(empty, bar, clYellow), 0);
    EXPECT_LT(CountIn(empty, bar, clWhite), 100 * 20);  // the text, in the bar colour

    Canvas full(100, 20, clYellow);
    DrawTraditionalProgressBar(full, bar, orHorizontal, clBlue, clWhite, 130, true);
    EXPECT_EQ(full.pixel(99, 19), clBlue);
    EXPECT_LT(CountIn(full, bar, clBlue), 100 * 20);  // the text, in the back colour

    Canvas quiet(100, 20, clYellow);
    DrawTraditionalProgressBar(quiet, bar, orHorizontal, clBlue, clWhite, 40, false);
    EXPECT_EQ(CountIn(quiet, {0, 0, 40, 20}, clBlue), 40 * 20);
    EXPECT_EQ(CountIn(quiet, {40, 0, 100, 20}, clWhite), 60 * 20);
}

TEST(KitProgress, TraditionalTextIsCentredOnTheBar)
{
    // A bar away from the left edge: its text centres on the bar, not on half its right edge.
    Canvas c(200, 30, clYellow);
    const TRect bar{60, 5, 180, 25};
    DrawTraditionalProgressBar(c, bar, orHorizontal, clBlue, clWhite, 0, true);
    const TRect ink = InkBounds(c, bar, clWhite);
    const int width = c.textWidth("0%");
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 120.0, 2.0);
    EXPECT_GE(ink.Left, 120 - width / 2 - 1);
    EXPECT_LE(ink.Right, 120 - width / 2 + width + 1);
    const int top = 5 + (20 - c.textHeight("X")) / 2;
    EXPECT_GE(ink.Top, top);
    EXPECT_LE(ink.Bottom, top + c.textHeight("X"));
}

TEST(KitProgress, TraditionalTextChangesColourAtTheFilledEdge)
{
    Canvas c(100, 20, clYellow);
    DrawTraditionalProgressBar(c, {0, 0, 100, 20}, orHorizontal, clBlack, clWhite, 50, true);
    // Over the filled half the text is in the back colour, over the empty half in the bar colour.
    EXPECT_LT(CountIn(c, {0, 0, 50, 20}, clBlack), 50 * 20);
    EXPECT_LT(CountIn(c, {50, 0, 100, 20}, clWhite), 50 * 20);
    EXPECT_EQ(c.pixel(0, 0), clBlack);
    EXPECT_EQ(c.pixel(99, 0), clWhite);
}

TEST(KitProgress, LedSegmentLayout)
{
    const TLEDSegments big = LEDProgressSegments(200, 20, 55);
    EXPECT_EQ(big.total, 20);
    EXPECT_EQ(big.size, 10);
    EXPECT_EQ(big.lit, 11);
    const TLEDSegments extra = LEDProgressSegments(119, 20, 100);  // 5 pixels, 23 of them, 2 left over
    EXPECT_EQ(extra.size, 5);
    EXPECT_EQ(extra.total, 23);
    EXPECT_EQ(extra.margin, 2);
    EXPECT_EQ(extra.lit, 23);
    const TLEDSegments none = LEDProgressSegments(50, 0, 50);  // no division by zero
    EXPECT_EQ(none.total, 1);
    EXPECT_EQ(none.size, 50);
    const TLEDSegments tiny = LEDProgressSegments(5, 20, 100);
    EXPECT_EQ(tiny.size, 0);
    EXPECT_EQ(tiny.total, 10);
}

TEST(KitProgress, LedPaintsSegmentsFromTheStart)
{
    Canvas c(200, 10, clYellow);
    DrawLEDProgressBar(c, {0, 0, 200, 10}, orHorizontal, clBlue, clWhite, 20, 55, true);
    EXPECT_EQ(CountIn(c, {0, 0, 200, 10}, clYellow), 0);
    EXPECT_EQ(c.pixel(0, 0), clWhite);     // each segment's outline is in the back colour
    EXPECT_EQ(c.pixel(105, 5), clBlue);    // segment 11 lit
    EXPECT_EQ(c.pixel(115, 5), clWhite);   // segment 12 not
    EXPECT_EQ(CountIn(c, {0, 0, 200, 10}, clBlue), 11 * 8 * 8);

    Canvas v(10, 100, clYellow);
    DrawLEDProgressBar(v, {0, 0, 10, 100}, orVertical, clBlue, clWhite, 10, 30, false);
    EXPECT_EQ(v.pixel(5, 75), clBlue);  // lit segments grow from the bottom
    EXPECT_EQ(v.pixel(5, 65), clWhite);
}

TEST(KitProgress, LedEdgeCasesDrawSafely)
{
    Canvas c(50, 10, clYellow);
    DrawLEDProgressBar(c, {10, 0, 10, 10}, orHorizontal, clBlue, clWhite, 20, 50, false);
    DrawLEDProgressBar(c, {0, 5, 50, 5}, orHorizontal, clBlue, clWhite, 20, 50, false);
    EXPECT_EQ(CountIn(c, {0, 0, 50, 10}, clYellow), 500);
    DrawLEDProgressBar(c, {0, 0, 50, 10}, orHorizontal, clBlue, clWhite, 0, 100, false);
    EXPECT_EQ(c.pixel(25, 5), clBlue);  // one segment, the whole bar
    DrawLEDProgressBar(c, {0, 0, 5, 10}, orHorizontal, clBlue, clWhite, 20, 100, false);
    EXPECT_EQ(c.pixel(2, 5), clWhite);  // too short for any segment: back colour
}

TEST(KitProgress, GradientBarPaintsBothParts)
{
    Canvas c(100, 20, clYellow);
    DrawGradientProgressBar(c, {0, 0, 100, 20}, orHorizontal, clBlue, clNavy, clWhite, clBtnFace,
                            gdHorizontalEnd, 30, false);
    EXPECT_EQ(c.pixel(10, 19), clNavy);
    EXPECT_EQ(c.pixel(60, 19), ui::ResolveColor(clBtnFace));
    EXPECT_EQ(CountIn(c, {0, 0, 100, 20}, clYellow), 0);
    Canvas t(100, 20, clYellow);
    DrawGradientProgressBar(t, {0, 0, 100, 20}, orHorizontal, clBlue, clNavy, clWhite, clBtnFace,
                            gdHorizontalEnd, 30, true, true);
    EXPECT_EQ(t.pixel(10, 19), clYellow);  // transparent: the parts are not painted
    EXPECT_LT(CountIn(t, {0, 0, 100, 20}, clYellow), 100 * 20);  // but the text is
}

TEST(KitRadioGlyph, NormalUncheckedAndChecked)
{
    TCheckRadioGlyph g;
    g.FrameColor = clNavy;
    g.FillColor = clWhite;
    g.ControlColor = clYellow;
    Canvas c(13, 13, clRed);
    DrawCheckRadioGlyph(c, {0, 0, 13, 13}, g);
    EXPECT_EQ(c.pixel(0, 0), clYellow);  // outside the circle
    EXPECT_EQ(c.pixel(6, 0), clNavy);    // the outline
    EXPECT_EQ(c.pixel(6, 12), clNavy);
    EXPECT_EQ(c.pixel(4, 0), BlendColors(clNavy, clYellow, 128));  // outer edge steps
    EXPECT_EQ(c.pixel(3, 0), BlendColors(clNavy, clYellow, 40));
    EXPECT_EQ(c.pixel(6, 6), clWhite);  // interior
    g.Checked = true;
    g.HighlightColor = clGreen;
    DrawCheckRadioGlyph(c, {0, 0, 13, 13}, g);
    EXPECT_EQ(c.pixel(7, 7), clGreen);
    EXPECT_EQ(c.pixel(6, 4), BlendColors(clGreen, clWhite, 153));
    EXPECT_EQ(c.pixel(6, 3), clWhite);
}

TEST(KitRadioGlyph, StatesChooseTheInterior)
{
    TCheckRadioGlyph g;
    g.FocusColor = clAqua;
    g.FillColor = clWhite;
    g.DisabledColor = clSilver;
    g.ReadOnlyColor = clInfoBk;
    Canvas c(13, 13);
    const auto interior = [&](const TCheckRadioGlyph& glyph) {
        DrawCheckRadioGlyph(c, {0, 0, 13, 13}, glyph);
        return c.pixel(6, 6);
    };
    EXPECT_EQ(interior(g), clWhite);
    g.Focused = true;
    g.ReadOnly = true;
    EXPECT_EQ(interior(g), clAqua);
    g.ReadOnlyColorOnFocus = true;
    EXPECT_EQ(interior(g), ResolveColor(clInfoBk));
    g.State = crsPressed;
    EXPECT_EQ(interior(g), DarkerColor(clAqua, 20));
    g.State = crsDisabled;
    g.Checked = true;
    EXPECT_EQ(interior(g), ResolveColor(clBtnShadow));  // the dot of a disabled glyph
    EXPECT_EQ(c.pixel(6, 3), clSilver);
}

TEST(KitRadioGlyph, TransparentAndHot)
{
    TCheckRadioGlyph g;
    g.Transparent = true;
    g.FrameColor = clNavy;
    Canvas c(20, 20, clRed);
    DrawCheckRadioGlyph(c, {3, 4, 16, 17}, g);
    EXPECT_EQ(c.pixel(3, 4), 0x008080u);  // placed at the rectangle, outside in the transparent colour
    EXPECT_EQ(c.pixel(2, 4), clRed);
    g.Transparent = false;
    g.State = crsHot;
    g.HotTrackStyle = htsFrame;
    g.HotDarkColor = clMaroon;
    DrawCheckRadioGlyph(c, {0, 0, 13, 13}, g);
    EXPECT_EQ(c.pixel(6, 0), clMaroon);  // the hot outline
    EXPECT_EQ(c.pixel(6, 1), LighterColor(clMaroon, 10));
    g.HotTrackStyle = htsInterior;
    g.HotLightColor = clWhite;
    g.FillColor = clLime;
    DrawCheckRadioGlyph(c, {0, 0, 13, 13}, g);
    EXPECT_EQ(c.pixel(6, 6), clLime);  // the centre cross keeps the fill
    EXPECT_NE(c.pixel(2, 4), clLime);  // the gradient ring inside the outline
    EXPECT_EQ(c.pixel(6, 0), clNavy);
}

// --- blinking controls list ---

namespace {

// A label that registers with the blinking list while it exists, as the kit's labels do.
class BlinkingLabel : public ui::TCustomControl, public IKitBlinking {
public:
    explicit BlinkingLabel(ui::TComponent* owner) : ui::TCustomControl(owner) { AcquireBlinkingControlsList().Add(this); }
    ~BlinkingLabel() override
    {
        if (TKitBlinkingControlsList* list = BlinkingControlsList()) {
            list->Remove(this);
            ReleaseBlinkingControlsList();
        }
    }
    int CMBlink() override { return answer; }
    void CMBlinkState(bool on) override
    {
        states.push_back(on ? 1 : 0);
        if (onState) onState();
    }

    int answer = 1;
    std::vector<int> states;
    std::function<void()> onState;
};

class KitBlinking : public ::testing::Test {
protected:
    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "F");
};

}  // namespace

TEST_F(KitBlinking, FirstTickHalfASecondAfterTheListWasMadeThenAlternating)
{
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    auto* a = ui::Create<BlinkingLabel>(form, "A");
    ASSERT_NE(BlinkingControlsList(), nullptr);
    EXPECT_TRUE(BlinkingControlsList()->BlinkState());
    user.Advance(300);
    auto* b = ui::Create<BlinkingLabel>(form, "B");  // joins without restarting the timer
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);
    user.Advance(199);
    EXPECT_TRUE(a->states.empty());
    user.Advance(1);
    EXPECT_EQ(a->states, (std::vector<int>{0}));
    EXPECT_EQ(b->states, (std::vector<int>{0}));
    user.Advance(1000);
    EXPECT_EQ(a->states, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(b->states, (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(BlinkingControlsList()->BlinkState());
}

TEST_F(KitBlinking, TicksOnlyFromThePumpAndOnceWhenBehind)
{
    auto* a = ui::Create<BlinkingLabel>(form, "A");
    scope.Clock().Advance(2000);
    EXPECT_TRUE(a->states.empty());
    user.Pump();
    EXPECT_EQ(a->states, (std::vector<int>{0}));
}

TEST_F(KitBlinking, OnlyAControlAnsweringOneGetsTheState)
{
    auto* yes = ui::Create<BlinkingLabel>(form, "Yes");
    auto* no = ui::Create<BlinkingLabel>(form, "No");
    auto* two = ui::Create<BlinkingLabel>(form, "Two");
    no->answer = 0;
    two->answer = 2;
    user.Advance(1000);
    EXPECT_EQ(yes->states, (std::vector<int>{0, 1}));
    EXPECT_TRUE(no->states.empty());
    EXPECT_TRUE(two->states.empty());
}

TEST_F(KitBlinking, TheLastLabelFreesTheListAndANewOneStartsOn)
{
    auto* a = ui::Create<BlinkingLabel>(form, "A");
    auto* b = ui::Create<BlinkingLabel>(form, "B");
    BlinkingControlsList()->Add(a);  // twice: kept once
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);
    user.Advance(500);
    ui::Free(a);
    ReleaseBlinkingControlsList();  // still holds B
    ASSERT_NE(BlinkingControlsList(), nullptr);
    ui::Free(b);
    EXPECT_EQ(BlinkingControlsList(), nullptr);

    user.Advance(100);
    auto* c = ui::Create<BlinkingLabel>(form, "C");
    EXPECT_TRUE(BlinkingControlsList()->BlinkState());
    user.Advance(499);
    EXPECT_TRUE(c->states.empty());
    user.Advance(1);
    EXPECT_EQ(c->states, (std::vector<int>{0}));
}

TEST_F(KitBlinking, AHandlerThatFreesLabelsDoesNotBreakTheTick)
{
    auto* a = ui::Create<BlinkingLabel>(form, "A");
    auto* b = ui::Create<BlinkingLabel>(form, "B");
    auto* c = ui::Create<BlinkingLabel>(form, "C");
    a->onState = [&] { ui::Free(b); };
    user.Advance(500);
    EXPECT_EQ(a->states, (std::vector<int>{0}));
    EXPECT_EQ(c->states, (std::vector<int>{0}));
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);

    // Freeing every label from inside a tick frees the list under the tick.
    a->onState = [&] {
        ui::Free(c);
        ui::Free(a);
    };
    user.Advance(500);
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    user.Advance(2000);
}

// --- frame controller ---

namespace {

// A control with some of the controller's settings as its own properties; it records what it took.
class FramedControl : public ui::TCustomControl, public IKitFrameControlled {
public:
    using ui::TCustomControl::TCustomControl;
    TKitFrameControllerNotifications FrameControllerNotifications() const override { return accepted; }
    bool ApplyFrameControllerSetting(TKitFrameControllerProperty p, const TKitFrameController& c) override
    {
        taken.push_back(p);
        if (p == fcpFrameStyle) frameStyle = c.FrameStyle();
        return p != fcpColor && p != fcpParentColor;
    }

    TKitFrameControllerNotifications accepted = AllFrameControllerNotifications();
    std::vector<TKitFrameControllerProperty> taken;
    TFrameStyle frameStyle = fsNone;
};

class SelfUpdating : public ui::TCustomControl, public IKitFramingNotification {
public:
    using ui::TCustomControl::TCustomControl;
    void UpdateFromFrameController() override { ++updates; }
    int updates = 0;
};

class KitFrameControllerTest : public ::testing::Test {
protected:
    ui::ApplicationScope scope;
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "F");
    TKitFrameController* controller = ui::Create<TKitFrameController>(form, "FC");
};

}  // namespace

TEST_F(KitFrameControllerTest, APlainControlTakesItsColourUntilRemoved)
{
    auto* plain = ui::Create<ui::TCustomControl>(form, "P", form);
    controller->AddControl(plain);
    controller->AddControl(plain);
    EXPECT_EQ(controller->ControlCount(), 1);
    EXPECT_EQ(plain->Color(), clWindow);
    controller->SetColor(clYellow);
    EXPECT_EQ(plain->Color(), clYellow);
    controller->RemoveControl(plain);
    EXPECT_EQ(controller->ControlCount(), 0);
    controller->SetColor(clRed);
    EXPECT_EQ(plain->Color(), clYellow);
}

TEST_F(KitFrameControllerTest, EverySettingInOrderAndOnlyTheAcceptedOnes)
{
    auto* c = ui::Create<FramedControl>(form, "C");
    controller->AddControl(c);
    const std::vector<TKitFrameControllerProperty> all = {
        fcpParentColor,   fcpColor,           fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus,
        fcpFocusColor,    fcpFlatButtonColor, fcpFlatButtons,   fcpFrameColor,    fcpFrameHotColor,
        fcpFrameHotTrack, fcpFrameHotStyle,   fcpFrameSides,    fcpFrameStyle,    fcpFrameVisible,
        fcpFramingPreference};
    EXPECT_EQ(c->taken, all);
    EXPECT_EQ(c->Color(), clWindow);  // taken as the plain property

    c->taken.clear();
    c->accepted = {fcpFrameStyle};
    controller->SetFrameColor(clRed);  // not accepted
    controller->SetFrameStyle(fsBump);
    EXPECT_EQ(c->taken, (std::vector<TKitFrameControllerProperty>{fcpFrameStyle}));
    EXPECT_EQ(c->frameStyle, fsBump);

    // While the controller follows its parent's colour, Color is not handed out.
    c->taken.clear();
    c->accepted = AllFrameControllerNotifications();
    controller->SetParentColor(true);
    c->taken.clear();
    controller->UpdateControl(c, fcpAll);
    EXPECT_EQ(std::count(c->taken.begin(), c->taken.end(), fcpColor), 0);
    EXPECT_EQ(c->taken.size(), all.size() - 1);
}

TEST_F(KitFrameControllerTest, AFramingNotificationControlUpdatesItself)
{
    auto* s = ui::Create<SelfUpdating>(form, "S");
    s->SetColor(clLime);
    controller->AddControl(s);
    controller->SetFrameStyle(fsGroove);
    EXPECT_EQ(s->updates, 2);
    EXPECT_EQ(s->Color(), clLime);  // nothing written into it
}

TEST_F(KitFrameControllerTest, SettersMoveTheirCompanions)
{
    controller->SetParentColor(true);
    controller->SetColor(clAqua);  // focus colour equalled the old colour: it moves along
    EXPECT_EQ(controller->FocusColor(), clAqua);
    EXPECT_FALSE(controller->ParentColor());
    controller->SetFocusColor(clRed);
    controller->SetColor(clBlue);
    EXPECT_EQ(controller->FocusColor(), clRed);

    controller->SetFrameSides(sdLeft);
    controller->SetFrameHotTrack(true);
    EXPECT_TRUE(controller->FrameVisible());
    EXPECT_EQ(controller->FrameSides(), sdAllSides);
}

TEST_F(KitFrameControllerTest, HeldUpdatesAndAssignNotifyOnce)
{
    auto* s = ui::Create<SelfUpdating>(form, "S");
    controller->AddControl(s);
    s->updates = 0;
    controller->BeginUpdate();
    controller->SetFrameColor(clRed);
    controller->SetFrameStyle(fsBump);
    EXPECT_EQ(s->updates, 0);
    controller->EndUpdate();
    EXPECT_EQ(s->updates, 1);

    auto* other = ui::Create<TKitFrameController>(form, "Other");
    other->SetFrameStyle(fsLowered);
    other->SetReadOnlyColorOnFocus(true);
    s->updates = 0;
    controller->Assign(*other);
    EXPECT_EQ(s->updates, 1);
    EXPECT_EQ(controller->FrameStyle(), fsLowered);
    EXPECT_EQ(controller->FrameColor(), clBtnShadow);
}

TEST_F(KitFrameControllerTest, ObsoleteStoredPropertiesAreMappedOrDropped)
{
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFlat", true));
    EXPECT_TRUE(controller->FrameHotTrack());
    EXPECT_EQ(controller->FrameStyle(), fsStatus);
    EXPECT_EQ(controller->FrameHotStyle(), fsLowered);

    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsBump"}));
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsFlatRounded"}));
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);  // not a style the property may hold
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFlatStyle", TKitIdent{"fsFlat"}));
    EXPECT_FALSE(controller->ReadObsoleteProperty("FrameFlat", TKitIdent{"True"}));
    EXPECT_FALSE(controller->ReadObsoleteProperty("Ctl3D", true));

    EXPECT_EQ(TKitOldPropReader::ReadOldBoolean(TKitStoredValue{7LL}), std::nullopt);
    EXPECT_EQ(FrameStyleFromName("FSGROOVE"), fsGroove);
    EXPECT_EQ(FrameStyleFromName("fsWavy"), std::nullopt);
}

TEST_F(KitFrameControllerTest, SettingsLocationHolder)
{
    auto* reg = ui::Create<TKitRegIniFile>(form, "Reg");
    reg->Refreshed();
    reg->SetPath("");
    EXPECT_FALSE(reg->RefreshNeeded());
    reg->SetPath("Software\\Sorvel");
    EXPECT_TRUE(reg->RefreshNeeded());
    reg->Refreshed();
    reg->SetRegAccess({keyRead});
    EXPECT_TRUE(reg->RefreshNeeded());

    controller->SetRegIniFile(reg);
    ui::Free(reg);
    EXPECT_EQ(controller->RegIniFile(), nullptr);
}

TEST(KitFonts, CanvasFontOfAControlFont)
{
    ui::TFont font;
    font.SetHeight(-13);
    font.SetStyle({ui::fsBold, ui::fsUnderline});
    font.SetColor(clMaroon);
    const ui::FontDesc desc = CanvasFont(font);
    EXPECT_EQ(desc.height, 13);
    EXPECT_TRUE(desc.bold);
    EXPECT_TRUE(desc.underline);
    EXPECT_EQ(desc.color, clMaroon);
    font.SetHeight(16);  // a cell height
    EXPECT_EQ(CanvasFont(font).height, 12);
}

TEST(KitFrames, PictureOfEveryStyle)
{
    Canvas c(12 * 30, 30, clBtnFace);
    for (int s = fsNone; s <= fsFlatRounded; ++s)
        DrawBorder(c, {s * 30 + 2, 2, s * 30 + 28, 28}, static_cast<TFrameStyleEx>(s));
    testsupport::SavePicture(c.bitmap(), "kit_frames");
    SUCCEED();
}

TEST(KitProgress, PictureOfThePainters)
{
    Canvas c(220, 100, clBtnFace);
    DrawTraditionalProgressBar(c, {10, 5, 210, 25}, orHorizontal, clHighlight, clWhite, 38, true);
    DrawLEDProgressBar(c, {10, 35, 210, 55}, orHorizontal, clHighlight, clWhite, 20, 55, true);
    DrawGradientProgressBar(c, {10, 65, 210, 90}, orHorizontal, clHighlight, clHotLight, clWhite, clBtnFace,
                            gdHorizontalCenter, 70, true);
    testsupport::SavePicture(c.bitmap(), "kit_progress");
    SUCCEED();
}

TEST(KitRadioGlyph, PictureOfTheStates)
{
    Canvas c(6 * 17, 17, clBtnFace);
    TCheckRadioGlyph g;
    g.FrameColor = clBtnShadow;
    g.HotDarkColor = clHighlight;
    g.HotLightColor = BlendColors(clWhite, clHighlight, 190);
    int x = 2;
    for (const TCheckRadioState state : {crsNormal, crsPressed, crsHot, crsDisabled}) {
        g.State = state;
        g.Checked = state != crsPressed;
        DrawCheckRadioGlyph(c, {x, 2, x + 13, 15}, g);
        x += 17;
    }
    g.State = crsHot;
    g.HotTrackStyle = htsFrame;
    DrawCheckRadioGlyph(c, {x, 2, x + 13, 15}, g);
    testsupport::SavePicture(c.bitmap(), "kit_radio");
    SUCCEED();
}
