// What the kit's pictures show, said of the pixels that matter: the colours of each frame's rings and the
// room it leaves inside, which end of a gradient lies where, the parts of the progress bars, the lit dots
// of the LED display, a button's rings in each state and where its caption stands, the radio glyph's dot,
// the panels' and group boxes' captions, and the splitter's hot spot. KitPicturesTest holds every look to
// its stored hash; a row here fails with what is wrong.
#include "KitStage.h"

#include "tests/support/PictureFacts.h"
#include "ui/ComCtrls.h"

using testsupport::ColourLies;
using testsupport::Fact;
using testsupport::Filled;
using testsupport::InkMoved;
using testsupport::Lacks;
using testsupport::Look;
using testsupport::PixelIs;
using testsupport::PixelNearer;
using testsupport::TextIn;
using ui::Canvas;
using ui::TPoint;
using ui::TRect;

namespace {

// A colour seen somewhere in the region.
Fact Shows(TColor colour, const TRect& within, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                return testsupport::ColourBox(p, within, colour).IsEmpty() ? testsupport::ColourText(colour) + " is nowhere" : std::string();
            }};
}

// The picture is its own mirror image, left to right and top to bottom.
Fact Symmetric(std::string what)
{
    return {std::move(what), [](const ui::Bitmap& p) {
                for (int y = 0; y < p.height(); ++y)
                    for (int x = 0; x < p.width(); ++x)
                        if (p.pixel(x, y) != p.pixel(p.width() - 1 - x, y) || p.pixel(x, y) != p.pixel(x, p.height() - 1 - y))
                            return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") has no mirror";
                return std::string();
            }};
}

// A control's place on its parent.
Fact Placed(const ui::TControl& control, const TRect& where, std::string what)
{
    return {std::move(what), [&control, where](const ui::Bitmap&) {
                const TRect seen = control.BoundsRect();
                return seen == where ? std::string() : "it lies in " + testsupport::RectText(seen);
            }};
}

// A frame drawn on (1, 1, 11, 9) of a magenta 12 x 10 picture, the rectangle it answers filled in yellow.
Look Frame(const std::function<TRect(Canvas&, const TRect&)>& draw, const TRect& inner, std::vector<Fact> facts)
{
    Canvas c(12, 10, clFuchsia);
    const TRect answered = draw(c, {1, 1, 11, 9});
    c.brush = ui::Brush::Solid(clYellow);
    c.fillRect(answered);
    facts.push_back(ColourLies(clYellow, {0, 0, 12, 10}, inner, "the room left inside"));
    facts.push_back(PixelIs(0, 0, clFuchsia, "nothing drawn outside the rectangle"));
    return {c.bitmap(), std::move(facts)};
}

Look Style(TFrameStyleEx style, const TRect& inner, std::vector<Fact> facts, TSides sides = sdAllSides)
{
    return Frame([=](Canvas& c, const TRect& r) { return DrawBorderSides(c, r, style, sides); }, inner, std::move(facts));
}

// Corners of a frame on (1, 1, 11, 9): outer ring's upper-left and lower-right, inner ring's the same.
std::vector<Fact> Rings(TColor outerUL, TColor outerLR, TColor innerUL, TColor innerLR)
{
    return {PixelIs(1, 1, outerUL, "outer ring, upper left"), PixelIs(10, 8, outerLR, "outer ring, lower right"),
            PixelIs(2, 2, innerUL, "inner ring, upper left"), PixelIs(9, 7, innerLR, "inner ring, lower right")};
}

Look Gradient(TGradientDirection direction, std::vector<std::pair<ui::TPoint, bool>> nearStart, int w = 30, int h = 16)
{
    Canvas c(w, h, clFuchsia);
    PaintGradientRect(c, {0, 0, w, h}, direction, clRed, clBlue, 1);
    std::vector<Fact> facts;
    for (const auto& [p, start] : nearStart)
        facts.push_back(PixelNearer(p.X, p.Y, start ? clRed : clBlue, start ? clBlue : clRed, start ? "the start colour's end" : "the stop colour's end"));
    return {c.bitmap(), std::move(facts)};
}

// A painter's bar on (2, 2) of a button-face picture.
Look Painted(const TRect& bar, const std::function<void(Canvas&)>& paint, std::vector<Fact> facts)
{
    Canvas c(bar.Right + 2, bar.Bottom + 2, clBtnFace);
    c.font.color = clBlack;
    paint(c);
    return {c.bitmap(), std::move(facts)};
}

// The box a line of text measures when placed at (left, top) in the control's font.
TRect TextBox(const ui::TFont& font, const std::string& text, int left, int top)
{
    Canvas probe(0, 0);
    probe.font = CanvasFont(font);
    return ui::Bounds(left, top, probe.textWidth(text), probe.fontMetrics().height);
}

// The percentage's box, centred on the bar with an "X" in the middle.
TRect PercentBox(const TRect& bar, const std::string& text)
{
    Canvas probe(0, 0);
    const int w = probe.textWidth(text);
    return ui::Bounds(bar.Left + bar.Width() / 2 - w / 2, bar.Top + (bar.Height() - probe.textHeight("X")) / 2, w, probe.fontMetrics().height);
}

Look Traditional(unsigned percent, int filledTo, std::vector<Fact> facts)
{
    const TRect bar{2, 2, 102, 20};
    return Painted(bar, [=](Canvas& c) { DrawTraditionalProgressBar(c, bar, orHorizontal, clHighlight, clWhite, percent, true); }, [&] {
        facts.push_back(PixelIs(2, 2, filledTo > 2 ? clHighlight : clWhite, "the bar's first column"));
        facts.push_back(PixelIs(101, 19, filledTo >= 102 ? clHighlight : clWhite, "the bar's last column"));
        if (filledTo > 2 && filledTo < 102) {
            facts.push_back(PixelIs(filledTo - 1, 2, clHighlight, "the last filled column"));
            facts.push_back(PixelIs(filledTo, 2, clWhite, "the first empty column"));
        }
        return std::move(facts);
    }());
}

Look Led(const TRect& bar, TOrientation orientation, int segments, unsigned percent, const TRect& lit)
{
    return Painted(bar, [=](Canvas& c) { DrawLEDProgressBar(c, bar, orientation, clBlue, clWhite, segments, percent, true); },
                   {ColourLies(clBlue, bar, lit, "the lit segments' insides"), PixelIs(bar.Left, bar.Top, clWhite, "segments are outlined in the back colour")});
}

// Two pictures of one control, the second 4 pixels right of the first.
struct Pair {
    ui::Bitmap picture;
    int second;  // x of the second picture
};
template <class Step>
Pair Before(KitStage& s, ui::TControl& c, Step&& step)
{
    const ui::Bitmap first = s.Picture(c);
    step();
    return {Side({first, s.Picture(c)}), first.width() + 4};
}

// A 75 x 25 button captioned "Кнопка" and where its caption measures.
TKitButton* Button(KitStage& s, TRect& caption)
{
    auto* b = s.Make<TKitButton>(75, 25);
    b->SetCaption("Кнопка");
    Canvas probe(0, 0);
    probe.font = CanvasFont(b->Font());
    const int w = probe.textWidth("Кнопка"), h = probe.fontMetrics().height;
    caption = ui::Bounds(5 + (65 - w) / 2, (25 - h) / 2, w, h);
    return b;
}

// The 90 x 17 radio button "Да" of a button-face form, its glyph at (0, 2) and its caption at (18, 1).
TKitRadioButton* Radio(KitStage& s)
{
    auto* r = s.Make<TKitRadioButton>(90, 17);
    r->SetCaption("Да");
    return r;
}

constexpr TColor kLedOff = 0x003300;

// Which way an arrow of dots points: its tip is the narrower of the rows above and below its middle.
Fact Arrow(int x, int y, bool up, std::string what)
{
    return {std::move(what), [=](const ui::Bitmap& p) {
                const auto width = [&](int row) { return testsupport::ColourBox(p, {x - 3, row, x + 4, row + 1}, clHighlight).Width(); };
                const int above = width(y - 1), below = width(y + 1);
                return (up ? above < below : below < above) && std::max(above, below) == 5
                           ? std::string()
                           : "rows of " + std::to_string(above) + " and " + std::to_string(below) + " pixels";
            }};
}

// The hot spot of a vertical splitter's bar, 40 pixels down a 60 x 100 splitter: its frame across the bar's
// middle, its fill, and the way its first arrow points (up: towards the upper pane).
Look HotSpot(KitStage& s, const std::function<void(TKitSplitter&, const TRect&)>& act, TColor fill, bool up,
             const std::function<std::vector<Fact>(const TRect&)>& more = {})
{
    auto* sp = s.Make<TKitSplitter>(60, 100);
    sp->SetOrientation(orVertical);
    sp->SetPosition(40);
    sp->SetHotSpotVisible(true);
    act(*sp, sp->HotSpotRect());
    const TRect hs = sp->HotSpotRect();
    const TRect bar = sp->BarSize();
    const int half = (bar.Width() * sp->HotSpotSizePercent() + 50) / 100 / 2;
    const TRect expected{bar.Left + bar.Width() / 2 - half, bar.Top, bar.Left + bar.Width() / 2 + half, bar.Bottom};
    std::vector<Fact> facts{{"the hot spot across the bar's middle", [=](const ui::Bitmap&) { return hs == expected && hs.Height() == 7 ? "" : testsupport::RectText(hs); }},
                            PixelIs(hs.Left, hs.Top, clBtnShadow, "the hot spot's frame"), PixelIs(hs.Right - 1, hs.Bottom - 1, clBtnShadow, "the frame's lower right"),
                            PixelIs(hs.Left + 2, hs.Top + 1, fill, "the hot spot's fill"), Arrow(hs.Left + 8, (hs.Top + hs.Bottom) / 2, up, "the first arrow")};
    if (more)
        for (Fact& f : more(hs)) facts.push_back(std::move(f));
    return {s.Picture(*sp), std::move(facts)};
}

TPoint Middle(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

struct LookCase {
    const char* name;
    std::function<Look(KitStage&)> look;
    friend void PrintTo(const LookCase& c, std::ostream* out) { *out << c.name; }
};

std::vector<LookCase> Cases()
{
    const TColor shadow = clBtnShadow, light = clBtnHighlight, dark = cl3DDkShadow, face = clBtnFace;
    return {
        // --- frames: the colour of each ring and the room left inside ---
        {"FrameFlat", [=](KitStage&) { return Style(fsFlat, {2, 2, 10, 8}, {PixelIs(1, 1, dark, "upper left"), PixelIs(10, 8, dark, "lower right")}); }},
        {"FrameStatusSunk", [=](KitStage&) {
             return Style(fsStatus, {2, 2, 10, 8}, {PixelIs(1, 1, shadow, "upper left"), PixelIs(10, 8, light, "lower right"), PixelIs(1, 8, light, "the bottom over the left side"), PixelIs(10, 1, light, "the right side over the top")});
         }},
        {"FramePopupRaised", [=](KitStage&) { return Style(fsPopup, {2, 2, 10, 8}, {PixelIs(1, 1, light, "upper left"), PixelIs(10, 8, shadow, "lower right")}); }},
        {"FrameRaised", [=](KitStage&) { return Style(fsRaised, {3, 3, 9, 7}, Rings(cl3DLight, dark, light, shadow)); }},
        {"FrameLowered", [=](KitStage&) { return Style(fsLowered, {3, 3, 9, 7}, Rings(shadow, light, dark, cl3DLight)); }},
        {"FrameButtonUp", [=](KitStage&) { return Style(fsButtonUp, {3, 3, 9, 7}, Rings(light, dark, cl3DLight, shadow)); }},
        {"FrameButtonDown", [=](KitStage&) { return Style(fsButtonDown, {3, 3, 9, 7}, Rings(clBtnText, clBtnText, shadow, shadow)); }},
        {"FrameGroove", [=](KitStage&) { return Style(fsGroove, {3, 3, 9, 7}, {PixelIs(1, 1, shadow, "dark line, upper left"), PixelIs(2, 2, light, "light line, upper left"), PixelIs(10, 8, light, "light line, lower right"), PixelIs(9, 7, shadow, "dark line, lower right"), PixelIs(10, 1, light, "upper right corner"), PixelIs(1, 8, light, "lower left corner")}); }},
        {"FrameBump", [=](KitStage&) { return Style(fsBump, {3, 3, 9, 7}, {PixelIs(1, 1, light, "light line, upper left"), PixelIs(2, 2, shadow, "dark line, upper left"), PixelIs(10, 1, shadow, "upper right corner")}); }},
        {"FrameFlatBold", [=](KitStage&) { return Style(fsFlatBold, {3, 3, 9, 7}, Rings(shadow, shadow, shadow, shadow)); }},
        {"FrameNone", [=](KitStage&) { return Style(fsNone, {1, 1, 11, 9}, {}); }},
        {"FrameStatusLeftAndBottom", [=](KitStage&) { return Style(fsStatus, {2, 1, 11, 8}, {PixelIs(1, 1, shadow, "left side"), PixelIs(10, 8, light, "bottom side")}, sdLeft | sdBottom); }},
        {"FrameGrooveTopOnly", [=](KitStage&) { return Style(fsGroove, {1, 3, 11, 9}, {PixelIs(1, 1, shadow, "dark line"), PixelIs(1, 2, light, "light line's open end"), PixelIs(10, 1, shadow, "dark line's open end"), PixelIs(10, 2, light, "light line")}, sdTop); }},
        {"FrameRaisedRightAndBottom", [=](KitStage&) { return Style(fsRaised, {1, 1, 9, 7}, {PixelIs(10, 8, dark, "outer ring"), PixelIs(9, 7, shadow, "inner ring")}, sdRight | sdBottom); }},
        {"FrameColouredLowered", [=](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawColorButtonBorder(c, r, clTeal, fsLowered); }, {3, 3, 9, 7},
                          Rings(DarkerColor(clTeal, 50), LighterColor(clTeal, 100), DarkerColor(clTeal, 100), LighterColor(clTeal, 50)));
         }},
        {"FrameColouredRaised", [=](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawColorButtonBorder(c, r, clTeal, fsRaised); }, {3, 3, 9, 7},
                          Rings(LighterColor(clTeal, 50), DarkerColor(clTeal, 100), LighterColor(clTeal, 100), DarkerColor(clTeal, 50)));
         }},
        {"FrameColouredFlatStatusPopup", [](KitStage&) {
             Canvas c(40, 10, clFuchsia);
             DrawColorButtonBorder(c, {1, 1, 11, 9}, clTeal, fsFlat);
             DrawColorButtonBorder(c, {14, 1, 24, 9}, clTeal, fsStatus);
             DrawColorButtonBorder(c, {27, 1, 37, 9}, clTeal, fsPopup);
             const TColor dark = DarkerColor(clTeal, 50), light = LighterColor(clTeal, 100);
             return Look{c.bitmap(), {PixelIs(1, 1, dark, "flat, upper left"), PixelIs(10, 8, dark, "flat, lower right"), PixelIs(14, 1, dark, "sunk, upper left"),
                                      PixelIs(23, 8, light, "sunk, lower right"), PixelIs(27, 1, light, "raised, upper left"), PixelIs(36, 8, dark, "raised, lower right")}};
         }},
        {"ColourEdgeUp", [](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawColorEdge(c, r, clTeal, false); }, {3, 3, 9, 7},
                          Rings(LighterColor(clTeal, 100), DarkerColor(clTeal, 100), LighterColor(clTeal, 40), DarkerColor(clTeal, 50)));
         }},
        {"ColourEdgePressed", [](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawColorEdge(c, r, clTeal, true); }, {3, 3, 9, 7},
                          Rings(DarkerColor(clTeal, 100), DarkerColor(clTeal, 100), DarkerColor(clTeal, 50), DarkerColor(clTeal, 50)));
         }},
        {"FocusBorderDots", [=](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawFocusBorder(c, r); }, {2, 2, 10, 8},
                          {PixelIs(2, 1, clBlack, "top row from its second pixel"), PixelIs(3, 1, clFuchsia, "every second pixel"), PixelIs(1, 2, clBlack, "left column from its second pixel"),
                           PixelIs(1, 3, clFuchsia, "every second pixel"), PixelIs(10, 2, clBlack, "right column"), PixelIs(2, 8, clBlack, "bottom row")});
         }},
        {"RoundedFlatCorners", [=](KitStage&) {
             return Frame([](Canvas& c, const TRect& r) { return DrawRoundedFlatSides(c, r, clRed, sdAllSides); }, {3, 3, 9, 7},
                          {PixelIs(1, 1, clFuchsia, "the corner is cut"), PixelIs(2, 2, clRed, "a pixel inside the corner"), PixelIs(3, 1, clRed, "the top side"),
                           PixelIs(2, 1, clFuchsia, "the top side stops short of the corner"), PixelIs(1, 3, clRed, "the left side"), PixelIs(9, 7, clRed, "inside the lower right corner"),
                           PixelIs(2, 7, clRed, "inside the lower left corner"), PixelIs(9, 2, clRed, "inside the upper right corner")});
         }},
        {"InnerOuterWithBand", [=](KitStage&) {
             Canvas c(26, 22, clFuchsia);
             const TRect inner = DrawInnerOuterBorders(c, {1, 1, 25, 21},
                                                       {.BorderOuter = fsStatus, .BorderInner = fsFlat, .BorderWidth = 1, .BevelWidth = 2, .BorderColor = clRed, .FlatColor = clGray, .FlatColorAdjustment = 0});
             return Look{c.bitmap(),
                         {PixelIs(2, 2, shadow, "the outer frame is two pixels wide"), PixelIs(23, 19, light, "outer frame, lower right"), PixelIs(3, 3, clRed, "the band"),
                          PixelIs(21, 17, clGray, "the inner flat frame"), PixelIs(5, 5, clFuchsia, "the interior is left alone"),
                          {"the room left inside", [inner](const ui::Bitmap&) { return inner == TRect{5, 5, 21, 17} ? "" : testsupport::RectText(inner); }}}};
         }},
        {"InnerOuterFlatRounded", [=](KitStage&) {
             Canvas c(26, 22, clFuchsia);
             DrawInnerOuterBorders(c, {1, 1, 25, 21}, {.BorderOuter = fsFlatRounded, .FlatColor = clBlue, .FlatColorAdjustment = 0, .InteriorColor = clWhite, .ParentColor = clRed});
             return Look{c.bitmap(), {PixelIs(1, 1, clRed, "the cut corner shows the parent"), PixelIs(2, 2, clBlue, "the corner pixel"), PixelIs(3, 1, clBlue, "the outline"), PixelIs(2, 4, clWhite, "the interior ring")}};
         }},

        {"InnerOuterFlatRoundedWithABand", [](KitStage&) {
             Canvas c(26, 22, clFuchsia);
             DrawInnerOuterBorders(c, {1, 1, 25, 21},
                                   {.BorderOuter = fsFlatRounded, .BorderWidth = 1, .BorderColor = clLime, .FlatColor = clBlue, .FlatColorAdjustment = 0, .InteriorColor = clWhite, .ParentColor = clRed});
             return Look{c.bitmap(), {PixelIs(1, 1, clRed, "the cut corner shows the parent"), PixelIs(2, 4, clLime, "the ring inside the outline takes the band's colour"),
                                      PixelIs(3, 4, clLime, "the band"), PixelIs(4, 4, clFuchsia, "the interior is left alone")}};
         }},
        {"InnerOuterFlatRoundedSeeThrough", [](KitStage&) {
             Canvas c(52, 22, clFuchsia);
             const TInnerOuterBorders banded{.BorderOuter = fsFlatRounded, .BorderWidth = 1, .BorderColor = clLime, .FlatColor = clBlue, .FlatColorAdjustment = 0, .Transparent = true};
             DrawInnerOuterBorders(c, {1, 1, 25, 21}, banded);
             DrawInnerOuterBorders(c, {27, 1, 51, 21}, {.BorderOuter = fsFlatRounded, .FlatColor = clBlue, .FlatColorAdjustment = 0, .Transparent = true});
             return Look{c.bitmap(), {PixelIs(1, 1, clFuchsia, "the cut corner shows what lies under"), PixelIs(2, 4, clLime, "a band: its colour inside the outline"),
                                      PixelIs(29, 4, clFuchsia, "no band: nothing inside the outline")}};
         }},

        // --- gradients: which end lies where ---
        {"GradientHorizontalEnd", [](KitStage&) { return Gradient(gdHorizontalEnd, {{{5, 0}, true}, {{5, 15}, false}}); }},
        {"GradientVerticalEnd", [](KitStage&) { return Gradient(gdVerticalEnd, {{{0, 5}, true}, {{29, 5}, false}}); }},
        {"GradientHorizontalCenter", [](KitStage&) { return Gradient(gdHorizontalCenter, {{{5, 0}, true}, {{5, 15}, true}, {{5, 8}, false}}); }},
        {"GradientVerticalCenter", [](KitStage&) { return Gradient(gdVerticalCenter, {{{0, 5}, true}, {{29, 5}, true}, {{15, 5}, false}}); }},
        {"GradientDiagonalUp", [](KitStage&) { return Gradient(gdDiagonalUp, {{{0, 15}, true}, {{29, 0}, false}}); }},
        {"GradientDiagonalDown", [](KitStage&) { return Gradient(gdDiagonalDown, {{{0, 0}, true}, {{29, 15}, false}}); }},
        {"GradientSquareBox", [](KitStage&) { return Gradient(gdSquareBox, {{{0, 0}, true}, {{29, 15}, true}, {{14, 7}, false}}); }},
        {"GradientBigSquareBox", [](KitStage&) { return Gradient(gdBigSquareBox, {{{0, 0}, true}, {{29, 0}, true}, {{14, 7}, false}}); }},
        {"GradientHorizontalBox", [](KitStage&) { return Gradient(gdHorizontalBox, {{{0, 15}, true}, {{14, 7}, false}}); }},
        {"GradientBoxesAreMirrored", [](KitStage&) {
             Look l = Gradient(gdSquareBox, {{{0, 0}, true}, {{15, 8}, false}}, 31, 17);
             l.facts.push_back(Symmetric("a box gradient mirrors its quarter"));
             return l;
         }},
        {"GradientNarrowBoxIsSolid", [](KitStage&) {
             Look l = Gradient(gdSquareBox, {}, 4, 30);
             l.facts.push_back(Filled({0, 0, 4, 30}, clRed, "a box narrower than 5 pixels is the start colour"));
             return l;
         }},
        {"GradientOfOneColourIsSolid", [](KitStage&) {
             Canvas c(23, 17, clFuchsia);
             PaintGradientRect(c, {0, 0, 23, 17}, gdDiagonalUp, clTeal, clTeal, 1);
             return Look{c.bitmap(), {Filled({0, 0, 23, 17}, clTeal, "one colour")}};
         }},

        // --- progress painters ---
        {"TraditionalAt38", [](KitStage&) { return Traditional(38, 40, {TextIn({40, 2, 102, 20}, clWhite, PercentBox({2, 2, 102, 20}, "38%"), "the percentage, centred, in the bar colour on the empty part")}); }},
        {"TraditionalAt0", [](KitStage&) { return Traditional(0, 2, {TextIn({2, 2, 102, 20}, clWhite, PercentBox({2, 2, 102, 20}, "0%"), "the percentage in the bar colour")}); }},
        {"TraditionalAt130", [](KitStage&) { return Traditional(130, 102, {TextIn({2, 2, 102, 20}, clHighlight, PercentBox({2, 2, 102, 20}, "130%"), "the percentage in the back colour")}); }},
        {"TraditionalWithoutText", [](KitStage&) {
             const TRect bar{2, 2, 102, 20};
             return Painted(bar, [=](Canvas& c) { DrawTraditionalProgressBar(c, bar, orHorizontal, clHighlight, clWhite, 40, false); },
                            {Filled({2, 2, 42, 20}, clHighlight, "the filled part"), Filled({42, 2, 102, 20}, clWhite, "the empty part")});
         }},
        {"TraditionalUpright", [](KitStage&) {
             const TRect bar{2, 2, 23, 62};
             return Painted(bar, [=](Canvas& c) { DrawTraditionalProgressBar(c, bar, orVertical, clHighlight, clWhite, 25, true); },
                            {PixelIs(2, 46, clWhite, "above the filled part"), Filled({2, 47, 23, 62}, clHighlight, "the lower quarter")});
         }},
        {"GradientBarAt70", [](KitStage&) {
             const TRect bar{2, 2, 102, 22};
             return Painted(bar, [=](Canvas& c) { DrawGradientProgressBar(c, bar, orHorizontal, clBlue, clNavy, clWhite, clBtnFace, gdHorizontalCenter, 70, true); },
                            {PixelNearer(5, 12, clBlue, clWhite, "the filled part"), PixelNearer(95, 12, clWhite, clBlue, "the empty part"),
                             PixelNearer(71, 3, clBlue, clWhite, "the last filled column"), PixelNearer(72, 3, clWhite, clBlue, "the first empty column")});
         }},
        {"LedElevenOfTwenty", [](KitStage&) { return Led({2, 2, 202, 12}, orHorizontal, 20, 55, {3, 3, 111, 11}); }},
        {"LedShortBarHasTenSegments", [](KitStage&) { return Led({2, 2, 62, 12}, orHorizontal, 20, 50, {3, 3, 31, 11}); }},
        {"LedSpareRoomMakesMoreSegments", [](KitStage&) { return Led({2, 2, 121, 12}, orHorizontal, 20, 100, {5, 3, 118, 11}); }},
        {"LedUprightGrowsFromTheBottom", [](KitStage&) { return Led({2, 2, 23, 62}, orVertical, 10, 30, {3, 45, 22, 61}); }},

        // --- buttons ---
        {"ButtonUp", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             return Look{s.Picture(*b),
                         {PixelIs(0, 0, light, "outer ring, upper left"), PixelIs(74, 24, dark, "outer ring, lower right"), PixelIs(74, 0, dark, "the right side over the top"),
                          PixelIs(73, 23, shadow, "inner ring, lower right"), PixelIs(10, 3, face, "the face"), TextIn({2, 2, 73, 23}, face, caption, "the caption, centred")}};
         }},
        {"ButtonDefaultHasABlackRing", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetDefault(true);
             return Look{s.Picture(*b), {PixelIs(0, 0, clWindowFrame, "the default button's ring"), PixelIs(74, 24, clWindowFrame, "the ring, lower right"), PixelIs(1, 1, light, "the raised frame inside it")}};
         }},
        {"ButtonPressedSinksAndItsCaptionMoves", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetShowFocusRect(false);
             const Pair p = Before(s, *b, [&] { s.Press(*b, 5, 5); });
             const int x = p.second;
             return Look{p.picture,
                         {PixelIs(x, 0, clBtnText, "pressed: the dark outer ring"), PixelIs(x + 1, 1, shadow, "pressed: the inner ring"), PixelIs(x + 73, 23, shadow, "pressed: inner ring, lower right"),
                          InkMoved({5, 5, 70, 20}, {x + 5, 5, x + 71, 21}, face, 1, 1, "the caption moves one pixel right and down")}};
         }},
        {"ButtonFocusedShowsDots", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             s.user.Focus(*b);
             return Look{s.Picture(*b), {PixelIs(5, 4, clBlack, "the focus dots, four pixels in"), PixelIs(6, 4, face, "every second pixel"), PixelIs(0, 0, clWindowFrame, "the focused button's ring")}};
         }},
        {"ButtonColouredEdge", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetColor(0x40A040);
             return Look{s.Picture(*b), {PixelIs(0, 0, LighterColor(0x40A040, 100), "raised edge, upper left"), PixelIs(74, 24, DarkerColor(0x40A040, 100), "raised edge, lower right"),
                                         PixelIs(10, 3, 0x40A040, "the face in the button's colour")}};
         }},
        {"ButtonDisabledCaptionIsGrey", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetEnabled(false);
             return Look{s.Picture(*b), {Shows(clGrayText, caption, "the grey caption"), Lacks(clBtnText, {2, 2, 73, 23}, "no caption in the text colour")}};
         }},
        {"ButtonHotTrackFrames", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetHotTrack(true);
             return Look{s.Picture(*b),
                         {PixelIs(2, 0, DarkerColor(face, 20), "outer frame, top"), PixelIs(2, 24, LighterColor(face, 20), "outer frame, bottom"), PixelIs(1, 1, DarkerColor(face, 20), "upper left corner"),
                          PixelIs(73, 23, LighterColor(face, 20), "lower right corner"), PixelIs(2, 1, dark, "inner frame"), PixelIs(10, 21, DarkerColor(face, 20), "the face's lower band"),
                          PixelIs(10, 22, DarkerColor(face, 30), "the face's lowest line"), PixelNearer(10, 2, LighterColor(face, 30), DarkerColor(face, 10), "the face's light top")}};
         }},
        {"ButtonHotTrackPressedAndHot", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetHotTrack(true);
             b->SetShowFocusRect(false);
             s.user.MouseEnter(*b);
             const Pair p = Before(s, *b, [&] { s.Press(*b, 5, 5); });
             return Look{p.picture, {PixelNearer(2, 20, 0x149BF0, face, "the hot ring in the hot-track colour"), PixelIs(p.second + 10, 10, DarkerColor(face, 10), "pressed: the darker face")}};
         }},
        {"ButtonHotTrackDisabled", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetHotTrack(true);
             b->SetEnabled(false);
             return Look{s.Picture(*b), {PixelIs(2, 1, LighterColor(shadow, 30), "the disabled frame"), PixelIs(5, 3, face, "a flat face")}};
         }},
        {"ButtonHotTrackFocusDotsThreeIn", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetHotTrack(true);
             s.user.Focus(*b);
             return Look{s.Picture(*b), {PixelIs(4, 3, clBlack, "the focus dots, three pixels in"), PixelIs(3, 4, clBlack, "their left column")}};
         }},
        {"BitBtnGlyphPlaces", [=](KitStage& s) {
             std::vector<ui::Bitmap> shots;
             for (const auto& [layout, margin] : {std::pair(blGlyphLeft, 2), std::pair(blGlyphTop, 2), std::pair(blGlyphLeft, -1)}) {
                 auto* b = s.Make<TKitBitBtn>(90, 46);
                 b->SetKind(ui::bkCancel);
                 b->SetLayout(layout);
                 b->SetMargin(margin);
                 shots.push_back(s.Picture(*b));
             }
             // The glyph's 16 x 16 place: two in from the caption rectangle's left and centred down it; two in
             // from its top and centred across it; at its very left with a margin of -1.
             const TRect left = ui::Bounds(7, 15, 16, 16);
             return Look{Side(shots), {InkMoved(left, ui::Bounds(94 + 37, 7, 16, 16), face, 0, 0, "the glyph on top, centred across"),
                                       InkMoved(left, ui::Bounds(188 + 5, 15, 16, 16), face, 0, 0, "the glyph with a margin of -1")}};
         }},
        {"BitBtnImageListGlyph", [=](KitStage& s) {
             auto* images = ui::Create<ui::TImageList>(s.form, "");
             images->Add("RZCOMMON_OK");
             auto* b = s.Make<TKitBitBtn>(75, 25);
             b->SetImages(images);
             b->SetImageIndex(0);
             return Look{s.Picture(*b), {Shows(clGreen, ui::Bounds(7, 4, 16, 16), "the list's image in the glyph's place")}};
         }},
        {"GroupButtonDownShowsThePattern", [=](KitStage& s) {
             TRect caption;
             auto* b = Button(s, caption);
             b->SetGroupIndex(1);
             b->SetDown(true);
             const Pair p = Before(s, *b, [&] { b->SetShowDownPattern(false); });
             return Look{p.picture, {PixelIs(0, 0, shadow, "the lowered frame"), PixelIs(1, 1, dark, "its inner ring"), PixelIs(4, 4, clSilver, "pixels of equal parity"),
                                     PixelIs(5, 4, face, "the others"), PixelIs(p.second + 4, 4, face, "no pattern when it is not shown")}};
         }},

        // --- radio buttons ---
        {"RadioUnchecked", [=](KitStage& s) {
             auto* r = Radio(s);
             TRect caption = TextBox(r->Font(), "Да", 18, 1);
             return Look{s.Picture(*r), {PixelIs(0, 2, face, "outside the circle: the button's colour"), PixelIs(6, 2, shadow, "the circle's outline"), PixelIs(6, 8, clWindow, "the white inside"),
                                         TextIn({14, 0, 90, 17}, face, caption, "the caption right of the glyph")}};
         }},
        {"RadioCheckedHasADot", [=](KitStage& s) {
             auto* r = Radio(s);
             r->SetChecked(true);
             return Look{s.Picture(*r), {ColourLies(clBlack, {0, 2, 13, 15}, {5, 7, 8, 10}, "the 3 x 3 dot in the middle"), PixelIs(3, 8, clWindow, "the inside around it"),
                                         PixelIs(7, 6, BlendColors(clBlack, clWindow, 153), "the dot's edge, blended"), PixelIs(4, 9, BlendColors(clBlack, clWindow, 153), "the dot's other edge")}};
         }},
        {"RadioDisabledIsGrey", [=](KitStage& s) {
             auto* r = Radio(s);
             r->SetChecked(true);
             r->SetEnabled(false);
             return Look{s.Picture(*r), {PixelIs(6, 8, shadow, "the disabled dot"), PixelIs(3, 8, face, "the disabled inside"), Shows(clGrayText, {14, 0, 90, 17}, "the grey caption")}};
         }},
        {"RadioPressedDarkens", [=](KitStage& s) {
             auto* r = Radio(s);
             s.Press(*r, 5, 5);
             return Look{s.Picture(*r), {PixelIs(3, 8, DarkerColor(clWindow, 20), "the pressed inside")}};
         }},
        {"RadioFocusDotsAroundTheCaption", [=](KitStage& s) {
             auto* r = Radio(s);
             s.user.Focus(*r);
             return Look{s.Picture(*r), {PixelIs(18, 0, clBlack, "the focus dots' top row"), PixelIs(17, 1, clBlack, "their left column"), PixelIs(3, 8, clWindow, "focus leaves the classic glyph alone")}};
         }},
        {"RadioGlyphAtTheRight", [=](KitStage& s) {
             auto* r = Radio(s);
             r->SetAlignment(ui::taLeftJustify);
             return Look{s.Picture(*r), {PixelIs(83, 2, shadow, "the outline at the right edge"), PixelIs(83, 8, clWindow, "the inside"),
                                         TextIn({0, 0, 75, 17}, face, TextBox(r->Font(), "Да", 1, 1), "the caption from the left")}};
         }},
        {"RadioGlyphCentredDown", [=](KitStage& s) {
             auto* r = Radio(s);
             r->SetHeight(30);
             r->SetAlignmentVertical(avCenter);
             return Look{s.Picture(*r), {PixelIs(6, 8, shadow, "the outline 8 pixels down"), PixelIs(6, 14, clWindow, "the inside")}};
         }},
        {"RadioHotFrame", [=](KitStage& s) {
             auto* r = Radio(s);
             r->SetHotTrack(true);
             r->SetHotTrackStyle(htsFrame);
             s.user.MouseEnter(*r);
             return Look{s.Picture(*r), {PixelIs(6, 2, 0x149BF0, "the hot outline"), PixelIs(6, 3, LighterColor(0x149BF0, 10), "the ring inside it")}};
         }},

        // --- LED display: dots of 3 pixels with a black outline, the "1" in its cell ---
        {"LedDisplayLeft", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             return Look{s.Picture(*led), {PixelIs(0, 0, clBtnShadow, "the sunk frame"), PixelIs(99, 29, clBtnHighlight, "its lower right"),
                                           ColourLies(clLime, {1, 1, 99, 29}, {5, 5, 13, 25}, "the lit dots of the first cell"), PixelIs(2, 5, kLedOff, "an unlit dot"), PixelIs(1, 4, clBlack, "a dot's outline")}};
         }},
        {"LedDisplayCentred", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             led->SetAlignment(ui::taCenter);
             return Look{s.Picture(*led), {ColourLies(clLime, {1, 1, 99, 29}, {45, 5, 53, 25}, "the lit dots in the middle cell")}};
         }},
        {"LedDisplayRight", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             led->SetAlignment(ui::taRightJustify);
             return Look{s.Picture(*led), {ColourLies(clLime, {1, 1, 99, 29}, {85, 5, 93, 25}, "the lit dots in the last cell")}};
         }},
        {"LedDisplayBlankCodes", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("\u2026\u2122\t");  // codes 133 and 153 are blank, a tab the filled block
             return Look{s.Picture(*led), {Lacks(clLime, {1, 1, 37, 29}, "blank cells"), Shows(clLime, {37, 1, 55, 29}, "the block")}};
         }},
        {"LedDisplayTooLowForDots", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 12);
             led->SetCaption("1");
             auto* flat = s.Make<TKitLEDDisplay>(100, 9);
             flat->SetCaption("1");
             return Look{Stack({s.Picture(*led), s.Picture(*flat)}), {Lacks(clLime, {0, 0, 100, 12}, "dots of one pixel show only their outline"), PixelIs(5, 20, clFuchsia, "7 pixels inside: only the frame is drawn")}};
         }},
        {"LedDisplayScrollsLeft", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             led->SetScrolling(true);
             s.user.Advance(300);
             return Look{s.Picture(*led), {ColourLies(clLime, {1, 1, 99, 29}, {92, 5, 99, 25}, "three steps in from the right")}};
         }},
        {"LedDisplayScrollsRight", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             led->SetScrollType(stLeftToRight);
             led->SetScrolling(true);
             s.user.Advance(300);
             return Look{s.Picture(*led), {ColourLies(clLime, {1, 1, 99, 29}, {2, 23, 4, 25}, "the last column entering at the left")}};
         }},

        // --- the progress bar control ---
        {"ProgressBarHalf", [=](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(125, 21);
             bar->SetTotalParts(2);
             bar->SetPartsComplete(1);
             return Look{s.Picture(*bar), {PixelIs(0, 0, shadow, "the lowered frame"), PixelIs(1, 1, dark, "its inner ring"), PixelIs(124, 20, light, "its lower right"),
                                           PixelIs(61, 2, clHighlight, "60 of 121 columns filled (half rounds to even)"), PixelIs(62, 2, clWhite, "the empty part")}};
         }},
        {"ProgressBarQuarterUpright", [=](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(21, 125);
             bar->SetTotalParts(4);
             bar->SetPartsComplete(1);
             return Look{s.Picture(*bar), {PixelIs(2, 93, clHighlight, "30 of 121 rows filled from the bottom"), PixelIs(2, 92, clWhite, "the empty part above")}};
         }},
        {"ProgressBarLed", [=](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(125, 21);
             bar->SetTotalParts(2);
             bar->SetPartsComplete(1);
             bar->SetBarStyle(bsLED);
             return Look{s.Picture(*bar), {PixelIs(2, 2, clWhite, "the one-pixel ring inside the frame"), ColourLies(clHighlight, {2, 2, 123, 19}, {6, 4, 59, 17}, "11 of 23 segments lit, no text")}};
         }},

        // --- panels and group boxes ---
        {"PanelCaptionCentred", [=](KitStage& s) {
             auto* p = s.Make<TKitPanel>(120, 60);
             p->SetCaption("Панель");
             const TRect line = TextBox(p->Font(), "Панель", 0, 0);
             return Look{s.Picture(*p), {PixelIs(1, 1, light, "the raised frame"), PixelIs(119, 59, dark, "its lower right"), PixelIs(118, 58, shadow, "its inner ring"),
                                         TextIn({2, 2, 118, 58}, face, line.Offset(2 + (116 - line.Width()) / 2, (60 - line.Height()) / 2), "the caption in the middle")}};
         }},
        {"PanelCaptionTopLeftWithMargins", [=](KitStage& s) {
             auto* p = s.Make<TKitPanel>(120, 60);
             p->SetCaption("Панель");
             p->SetAlignment(ui::taLeftJustify);
             p->SetAlignmentVertical(avTop);
             p->SetTextMargin(5);
             p->SetTextMarginVertical(4);
             return Look{s.Picture(*p), {TextIn({2, 2, 118, 58}, face, TextBox(p->Font(), "Панель", 7, 6), "the caption inside the margins, top left")}};
         }},
        {"PanelCaptionBottomRight", [=](KitStage& s) {
             auto* p = s.Make<TKitPanel>(120, 60);
             p->SetCaption("Панель");
             p->SetAlignment(ui::taRightJustify);
             p->SetAlignmentVertical(avBottom);
             const TRect line = TextBox(p->Font(), "Панель", 0, 0);
             return Look{s.Picture(*p), {TextIn({2, 2, 118, 58}, face, line.Offset(118 - line.Width(), 58 - line.Height() - 1), "the caption bottom right")}};
         }},
        {"PanelDisabledCaptionIsGrey", [=](KitStage& s) {
             auto* p = s.Make<TKitPanel>(120, 60);
             p->SetCaption("Панель");
             p->SetEnabled(false);
             return Look{s.Picture(*p), {Shows(clGrayText, {2, 2, 118, 58}, "the grey caption"), Lacks(clBtnText, {2, 2, 118, 58}, "no caption in the text colour")}};
         }},
        {"PanelFlatFrameAndGradient", [=](KitStage& s) {
             auto* p = s.Make<TKitPanel>(40, 24);
             p->SetBorderOuter(fsFlat);
             p->SetFlatColor(clRed);
             p->SetVisualStyle(vsGradient);
             p->SetGradientColorStyle(gcsCustom);
             p->SetGradientColorStart(clYellow);
             p->SetGradientColorStop(clBlue);
             return Look{s.Picture(*p), {PixelIs(0, 0, LighterColor(clRed, 30), "the flat frame, lightened by 30"), PixelNearer(20, 1, clYellow, clBlue, "the start colour at the top"),
                                         PixelNearer(20, 22, clBlue, clYellow, "the stop colour at the bottom")}};
         }},
        {"PanelGridDots", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(40, 30);
             p->SetShowGrid(true);
             p->SetGridColor(clRed);
             p->SetGridXSize(10);
             p->SetGridYSize(7);
             return Look{s.Picture(*p), {ColourLies(clRed, {2, 2, 38, 28}, {11, 8, 32, 23}, "a dot every 10 across and 7 down"), PixelIs(12, 8, clBtnFace, "between the dots")}};
         }},
        {"PanelGridLines", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(40, 30);
             p->SetShowGrid(true);
             p->SetGridColor(clRed);
             p->SetGridXSize(10);
             p->SetGridYSize(7);
             p->SetGridStyle(gsSolidLines);
             const Pair pair = Before(s, *p, [&] { p->SetGridStyle(gsDottedLines); });
             const int x = pair.second;
             return Look{pair.picture, {PixelIs(11, 2, clRed, "a solid line down"), PixelIs(2, 8, clRed, "a solid line across"), PixelIs(x + 11, 3, clRed, "a dotted line"),
                                        PixelIs(x + 11, 4, clBtnFace, "its gaps")}};
         }},
        {"GroupBoxFlat", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("&Номер");
             const TRect caption = TextBox(box->Font(), "Номер", 8, 0);
             const int top = caption.Height() / 2 - 1;
             const TColor c = LighterColor(shadow, 30);
             return Look{s.Picture(*box), {PixelIs(0, top, face, "the corner is cut"), PixelIs(1, top + 1, c, "the pixel inside the corner"), PixelIs(5, top, c, "the top line"),
                                           PixelIs(caption.Right + 2, top, c, "the top line after the caption"), PixelIs(0, 30, c, "the left side"),
                                           TextIn(caption, face, caption, "the caption on the frame, 8 pixels in")}};
         }},
        {"GroupBoxStandardGroove", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("&Номер");
             box->SetGroupStyle(gsStandard);
             const TRect caption = TextBox(box->Font(), "Номер", 8, 0);
             const int top = caption.Height() / 2 - 1;
             return Look{s.Picture(*box), {PixelIs(0, top, shadow, "the groove's dark line"), PixelIs(1, top + 1, light, "its light line"), PixelIs(94, 59, light, "lower right"),
                                           Lacks(shadow, {8, top, caption.Right, top + 2}, "the caption hides the frame")}};
         }},
        {"GroupBoxTopLine", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("&Номер");
             box->SetGroupStyle(gsTopLine);
             const TRect caption = TextBox(box->Font(), "Номер", 0, 0);
             const int top = caption.Height() / 2 - 1;
             return Look{s.Picture(*box), {PixelIs(caption.Right + 10, top, shadow, "the top line"), PixelIs(caption.Right + 10, top + 1, light, "its light line"), PixelIs(0, 30, face, "no side lines"),
                                           TextIn(caption, face, caption, "the caption at the left edge")}};
         }},
        {"GroupBoxDisabledCaptionIsGrey", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("&Номер");
             box->SetEnabled(false);
             const TRect caption = TextBox(box->Font(), "Номер", 8, 0);
             return Look{s.Picture(*box), {Shows(clGrayText, caption, "the grey caption"), Lacks(clBtnText, caption, "no caption in the text colour")}};
         }},
        {"GroupBoxRoomForChildren", [](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(80, 50);
             auto* child = s.Make<TKitPanel>(1, 1, box);
             child->SetBorderOuter(fsNone);
             child->SetColor(clYellow);
             child->SetAlign(ui::alClient);
             Canvas probe(0, 0);
             probe.font = CanvasFont(box->Font());
             const int h = probe.textHeight("Yy");
             const Pair p = Before(s, *box, [&] { box->SetGroupStyle(gsStandard); box->SetBorderWidth(10); });
             return Look{p.picture, {ColourLies(clYellow, {0, 0, 80, 50}, {1, h + 1, 79, 49}, "flat: below the caption's height, inside the one-pixel frame"),
                                     ColourLies(clYellow, {p.second, 0, p.second + 80, 50}, {p.second + 12, 10 + h / 2 - 1 + 2, p.second + 68, 38}, "inside the band: half the caption down")}};
         }},

        {"LabelCaptionAtTheBottomAndCentred", [=](KitStage& s) {
             auto* bottom = s.Make<TKitLabel>(80, 60);
             bottom->SetAutoSize(false);
             bottom->SetCaption("Sorvel");
             bottom->SetLayout(ui::tlBottom);
             auto* middle = s.Make<TKitLabel>(80, 60);
             middle->SetAutoSize(false);
             middle->SetCaption("Sorvel");
             middle->SetLayout(ui::tlCenter);
             const TRect line = TextBox(bottom->Font(), "Sorvel", 0, 0);
             return Look{Side({s.Picture(*bottom), s.Picture(*middle)}),
                         {TextIn({0, 0, 80, 60}, face, line.Offset(0, 60 - line.Height()), "at the bottom"), TextIn({84, 0, 164, 60}, face, line.Offset(84, (60 - line.Height()) / 2), "in the middle")}};
         }},
        {"GroupBoxCustomIsAPanel", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("Номер");
             box->SetGroupStyle(gsCustom);
             return Look{s.Picture(*box), {TextIn({0, 0, 95, 60}, face, TextBox(box->Font(), "Номер", 0, 0), "the caption at the top left, no frame")}};
         }},
        {"GroupBoxBannerCaptionInset", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetCaption("Номер");
             box->SetGroupStyle(gsBanner);
             box->SetGradientColorStyle(gcsCustom);
             box->SetGradientColorStart(clWhite);
             box->SetGradientColorStop(clWhite);
             const TRect caption = TextBox(box->Font(), "Номер", 4, 1);
             return Look{s.Picture(*box), {TextIn({2, 1, 93, caption.Bottom + 1}, clWhite, caption, "the caption four pixels into the banner")}};
         }},
        {"GroupBoxTopLineWithoutCaption", [=](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 60);
             box->SetGroupStyle(gsTopLine);
             box->SetBorderOuter(fsFlat);
             const int top = TextBox(box->Font(), "Pp", 0, 0).Height() / 2 - 1;
             return Look{s.Picture(*box), {ColourLies(LighterColor(shadow, 30), {0, 0, 95, 60}, {2, top, 93, top + 1}, "one line, two pixels short of each end")}};
         }},
        {"DialogButtonsStacked", [](KitStage& s) {
             s.form->SetBounds(0, 0, 255, 150);
             auto* bar = s.Make<TKitDialogButtons>(255, 36);
             bar->SetAlign(ui::alRight);
             bar->SetShowHelpButton(true);
             const int h = bar->ButtonOk()->Height(), w = bar->ButtonOk()->Width();
             return Look{s.Picture(*bar), {Placed(*bar->ButtonOk(), ui::Bounds(6, 8, w, h), "OK at the top"), Placed(*bar->ButtonCancel(), ui::Bounds(6, h + 16, w, h), "Cancel below it"),
                                           Placed(*bar->ButtonHelp(), ui::Bounds(6, 2 * (h + 8) + 8, w, h), "Help below both")}};
         }},

        // --- the splitter's hot spot ---
        {"HotSpotPointsUp", [](KitStage& s) { return HotSpot(s, [](TKitSplitter&, const TRect&) {}, clBtnFace, true); }},
        {"HotSpotHighlightedUnderThePointer", [](KitStage& s) {
             return HotSpot(s, [&](TKitSplitter& sp, const TRect& hs) { s.user.MouseMove(sp, {}, Middle(hs).X, hs.Top + 2); }, clWindow, true);
         }},
        {"HotSpotClosedPointsDown", [](KitStage& s) {
             return HotSpot(s, [&](TKitSplitter& sp, const TRect& hs) {
                 s.Click(sp, Middle(hs).X, hs.Top + 2);
                 s.user.MouseLeave(sp);
             }, clBtnFace, false);
         }},
        {"HotSpotTowardsTheLowerPanePointsDown", [](KitStage& s) {
             return HotSpot(s, [](TKitSplitter& sp, const TRect&) { sp.SetHotSpotDirection(hsdMax); }, clBtnFace, false);
         }},
        {"HotSpotBothWaysHighlightsAHalf", [](KitStage& s) {
             return HotSpot(
                 s, [&](TKitSplitter& sp, const TRect& hs) {
                     sp.SetHotSpotDirection(hsdBoth);
                     s.user.MouseMove(sp, {}, hs.Left + 4, hs.Top + 2);
                 },
                 clWindow, true,
                 [](const TRect& hs) {
                     return std::vector<Fact>{PixelIs(Middle(hs).X, hs.Top + 1, clBtnShadow, "the line between the halves"), PixelIs(hs.Right - 3, hs.Top + 1, clBtnFace, "the other half"),
                                              Arrow(hs.Right - 8, Middle(hs).Y, false, "the second arrow")};
                 });
         }},
        {"HotSpotDotsAlongALongSpot", [](KitStage& s) {
             auto* sp = s.Make<TKitSplitter>(60, 100);
             sp->SetOrientation(orVertical);
             sp->SetPosition(40);
             sp->SetHotSpotVisible(true);
             sp->SetHotSpotSizePercent(80);
             const TRect hs = sp->HotSpotRect();
             const int y = (hs.Top + hs.Bottom) / 2;
             return Look{s.Picture(*sp), {ColourLies(clHighlight, {hs.Left + 12, y, hs.Right - 12, y + 1}, {hs.Left + 15, y, hs.Left + 31, y + 1}, "dots every 3 pixels, 15 in from each end"),
                                          PixelIs(hs.Left + 16, y, clBtnFace, "between the dots")}};
         }},
    };
}

class KitLooks : public ::testing::TestWithParam<LookCase> {};

}  // namespace

TEST_P(KitLooks, ShowWhatMatters)
{
    KitStage stage;
    testsupport::ExpectFacts(GetParam().look(stage));
}

INSTANTIATE_TEST_SUITE_P(Kit, KitLooks, ::testing::ValuesIn(Cases()), [](const ::testing::TestParamInfo<LookCase>& info) { return info.param.name; });
