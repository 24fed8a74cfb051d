#include "ui/Canvas.h"

#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/PictureFacts.h"
#include "tests/support/Pictures.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/Grids.h"

#include <climits>
#include <cmath>
#include <functional>
#include <vector>

using namespace ui;

namespace {

using Points = std::vector<TPoint>;

void Shapes(Canvas& c)
{
    c.polyline(Points{{1, 1}, {5, 1}, {5, 5}});  // end points are left out: the corner is drawn once
    c.polyline(Points{{0, 9}, {3, 6}, {8, 8}, {9, 13}});
    c.polyline(Points{{-3, 15}, {50, 15}});  // beyond both sides of the bitmap
    c.pen = {clBtnShadow, 3, PenStyle::Solid};
    c.polyline(Points{{2, 12}, {6, 12}});
    c.pen.style = PenStyle::Clear;
    c.polyline(Points{{0, 0}, {15, 0}});
    c.brush = Brush::Solid(clRed);
    c.fillRect({16, 1, 19, 3});
    c.fillRect({12, 1, 10, 3});  // right left of left: empty
    c.rectangle({34, 0, 37, 3});  // without a pen: filled whole
    c.polygon(Points{{16, 8}, {24, 8}, {24, 14}});
    c.brush.color = clBlue;
    c.frameRect({20, 1, 24, 4});
    c.polygon(Points{{16, 8}, {24, 14}, {16, 14}});  // shares an edge: neither overlap nor gap
    c.pen = {clBlack, 2, PenStyle::Solid};
    c.brush.color = 0x02123456;
    c.rectangle({25, 0, 33, 8});
    c.pen.width = 1;
    c.brush.color = 0xFF0000FF;  // a system colour past the table
    c.polygon(Points{{35, 9}, {37, 11}, {33, 11}});
    c.brush = Brush::Clear();
    c.polygon(Points{{26, 9}, {32, 9}, {29, 14}});
    for (unsigned i = 0; i <= 31; ++i) c.setPixel(static_cast<int>(i), 15, ResolveColor(clScrollBar + i));  // the system colours
}

void Fills(Canvas& c)
{
    BrushPattern checker{};
    for (int i = 0; i < 64; ++i) checker[static_cast<std::size_t>(i)] = ((i / 8 + i % 8) % 2) ? clBlack : clWhite;
    c.brush = Brush::Patterned(checker);
    c.save();
    c.setOrigin({3, 0});
    c.intersectClip({0, 0, 8, 8});
    c.excludeClip({2, 2, 4, 4});
    c.fillRect({-5, -5, 20, 20});  // the pattern is anchored to the bitmap, not to the origin
    c.brush = Brush::Solid(clYellow);
    c.frameRect(c.clipBounds());
    c.restore();
    c.patternInvert({0, 10, 12, 14});
    c.patternInvert({0, 12, 12, 16});  // rows 12 and 13 twice: gone
    c.brush = Brush::Solid(clRed);
    c.fillRect({0, 8, 12, 9});
    c.restore();  // unmatched: harmless
    Bitmap src(2, 1);
    src.setPixel(0, 0, clRed);
    src.setPixel(1, 0, clBlue);
    c.moveOrigin(14, 0);
    c.draw(1, 1, src);
    c.copyRect({0, 2, 4, 4}, src, src.bounds());    // doubled both ways
    c.copyRect({8, 0, 6, 1}, src, src.bounds());    // right before left: mirrored
    c.copyRect({10, 0, 13, 2}, src, {2, 0, 0, 1});  // a mirrored source
    c.copyRect({14, 0, 16, 0}, src, src.bounds());  // no height: nothing
    c.copyRect({1, 2, 5, 4}, c.bitmap(), {14, 2, 18, 4});  // onto itself, overlapping: the picture before
    c.copyRect({0, 8, 5, 6}, c.bitmap(), {14, 1, 19, 3});  // mirrored onto itself, top to bottom
    c.copyRect({18, 14, 20, 16}, src, {1, 0, 1, 1});        // an empty source: nothing
    Bitmap glyph(3, 1, clOlive);  // colour-keyed copies: the olive is left out, or becomes the brush
    glyph.setPixel(1, 0, clBlack);
    c.copyRectTransparent({14, 14, 17, 15}, glyph, glyph.bounds(), clOlive);
    c.brushCopy({14, 15, 17, 16}, glyph, glyph.bounds(), clOlive);
    c.intersectClip({0, 10, 4, 14});
    c.setPixel(1, 11, clLime);
    c.setPixel(5, 11, clLime);  // clipped away
}

// A measured rectangle framed in red, so that the picture holds what drawText answered.
void Measured(Canvas& c, TRect r, std::string_view text, unsigned format)
{
    c.drawText(r, text, format | tfCalcRect);
    const CanvasStateGuard keep(c);
    c.brush = Brush::Solid(clRed);
    c.frameRect(r.Inflate(1, 1));
}

void Text(Canvas& c)
{
    c.brush = Brush::Solid(clYellow);
    c.moveTo(0, 14);
    c.textOut(2, 2, "Hello");
    c.lineTo(c.penPos().X, 18);  // the pen moved to the text's end
    c.brush = Brush::Clear();
    c.textAlign = {TextAlignH::Center, TextAlignV::Baseline};
    c.textOut(80, 30, "Mm");
    c.textAlign = {TextAlignH::Right, TextAlignV::Bottom};
    c.font.underline = c.font.strikeOut = true;
    c.textOut(158, 58, "Ёжик");
    c.textAlign = {};
    c.font.underline = c.font.strikeOut = false;
    c.brush = Brush::Solid(clNavy);
    c.textRect({2, 36, 22, 58}, 4, 40, "Wide text here");
    c.brush = Brush::Clear();
    TRect clipped{110, 10, 130, 20};
    c.drawText(clipped, "Clipped text", tfLeft);
    TRect corner{160, 0, 260, 40};
    c.drawText(corner, "Ok", tfRight | tfSingleLine | tfBottom);
    TRect middle{160, 0, 260, 40};
    c.drawText(middle, "Mid", tfCenter | tfVCenter | tfSingleLine);
    c.font = FontDesc{.name = "Tahoma", .italic = true, .color = clBlack};  // slanted from the upright face
    c.textOut(40, 2, "Шлейф");
    c.font = FontDesc{.color = clBlack};
    c.brush = Brush::Solid(clAqua);
    TRect cut{160, 44, 220, 60};
    c.drawText(cut, "A rather long caption", tfEndEllipsis | tfSingleLine | tfNoClip);
    TRect fits{230, 44, 300, 60};
    c.drawText(fits, "Short", tfEndEllipsis | tfSingleLine);
}

void TextLayout(Canvas& c)
{
    const std::string text = "Выберите файл с прошивкой для устройства";
    Measured(c, {2, 2, 92, 2}, text, tfWordBreak);
    TRect wrapped{2, 2, 92, 80};
    c.drawText(wrapped, text, tfWordBreak);
    Measured(c, {110, 2, 400, 2}, "one\r\ntwo\nthree", 0);
    TRect lines{110, 2, 400, 80};
    c.drawText(lines, "one\r\ntwo\nthree", 0);
    Measured(c, {110, 60, 120, 60}, "Прошивка", tfWordBreak);  // a word wider than the line overflows it
    TRect narrow{110, 60, 120, 80};
    c.drawText(narrow, "Прошивка", tfWordBreak | tfNoClip);
    Measured(c, {200, 2, 300, 2}, "&File", 0);
    TRect file{200, 2, 300, 20};
    c.drawText(file, "&File Save && &Exit&", tfLeft);
    Measured(c, {200, 22, 300, 22}, "&File", tfNoPrefix);
    TRect raw{200, 22, 300, 40};
    c.drawText(raw, "&File", tfNoPrefix);
    Measured(c, {200, 42, 400, 42}, "a\tb", tfExpandTabs);
    TRect tabs{200, 42, 400, 60};
    c.drawText(tabs, "a\tb", tfExpandTabs);
    TRect kept{200, 62, 400, 80};
    c.drawText(kept, "a\tb", 0);  // a tab without expansion takes no room
}

// The history grid as the window shows it: titles, lines, the current row, both bars scrolled along, and
// what a cell handler paints over a cell.
void Grid(Canvas& c)
{
    ApplicationScope scope;
    TForm* form = scope.App().CreateForm<TForm>("FormHistory");
    auto* grid = Create<TStringGrid>(form, "sgHistory", form);
    grid->SetColCount(5);
    grid->SetRowCount(40);
    grid->SetDefaultRowHeight(17);
    grid->SetColWidth(0, 25);
    grid->SetOptions(grid->Options() | TGridOptions{goRowSelect});
    grid->SetBounds(0, 0, c.bitmap().width(), c.bitmap().height());
    for (int r = 0; r < 40; ++r) grid->SetCell(1, r, r == 0 ? "Дата" : std::to_string(r));
    grid->SetRow(22);
    grid->OnDrawCell = [grid](TObject*, int col, int row, const TRect& r, TGridDrawState) {
        grid->PaintCanvas()->brush = Brush::Solid(clRed);
        if (col == 2 && row == 20) grid->PaintCanvas()->fillRect(r.Inflate(-2, -2));
    };
    grid->PaintTo(c);
}

const struct {
    const char* name;
    int width;
    int height;
    void (*draw)(Canvas&);
} kDrawings[] = {
    {"shapes", 40, 16, Shapes}, {"fills", 34, 16, Fills}, {"text", 300, 60, Text}, {"text_layout", 400, 80, TextLayout}, {"grid", 200, 120, Grid}};

constexpr const char* kRegenerate = "SORVEL_UPDATE_PICTURES=1 build/test/tests/test_ui --gtest_filter='CanvasPictures.*'";

}  // namespace

// Each drawing pixel for pixel as stored in tests/ui/CanvasPictures.txt.
TEST(CanvasPictures, EveryDrawingIsTheStoredOne)
{
    testsupport::PictureBook book(SORVEL_SOURCE_DIR "/tests/ui/CanvasPictures.txt", "ui", kRegenerate);
    for (const auto& drawing : kDrawings) {
        Canvas c(drawing.width, drawing.height);
        c.font.color = clBlack;
        drawing.draw(c);
        book.Check("canvas", drawing.name, c.bitmap());
    }
    book.Close();
}

// --- what the drawings show ---

namespace {

using testsupport::ColourLies;
using testsupport::Fact;
using testsupport::Filled;
using testsupport::Look;
using testsupport::PixelIs;
using testsupport::TextIn;

// A 40 x 20 white canvas with black text in the canvas's own font, drawn on by `draw`.
Look Drawn(const std::function<void(Canvas&)>& draw, std::vector<Fact> facts, int width = 40, int height = 20)
{
    Canvas c(width, height);
    c.font.color = clBlack;
    draw(c);
    return {c.bitmap(), std::move(facts)};
}

// The box a line of text measures at (left, top).
TRect Line(const char* text, int left, int top)
{
    Canvas probe(0, 0);
    return Bounds(left, top, probe.textWidth(text), probe.fontMetrics().height);
}

int Ascent() { return Canvas(0, 0).fontMetrics().ascent; }

struct FactCase {
    const char* name;
    std::function<Look()> look;
    friend void PrintTo(const FactCase& c, std::ostream* out) { *out << c.name; }
};

const FactCase kFacts[] = {
    {"LinesLeaveTheirEndOut", [] {
         return Drawn([](Canvas& c) { c.polyline(Points{{1, 1}, {5, 1}, {5, 5}}); },
                      {ColourLies(clBlack, {0, 0, 40, 20}, {1, 1, 6, 5}, "two lines, the last end point left out"), PixelIs(5, 5, clWhite, "the end point")});
     }},
    {"WidePensCentreOnTheLine", [] {
         return Drawn([](Canvas& c) { c.pen.width = 3; c.moveTo(2, 5); c.lineTo(8, 5); }, {ColourLies(clBlack, {0, 0, 40, 20}, {1, 4, 9, 7}, "three rows about the line")});
     }},
    {"RectanglesOutlineAndFill", [] {
         return Drawn([](Canvas& c) { c.brush = Brush::Solid(clRed); c.pen.width = 2; c.rectangle({2, 2, 10, 9}); c.fillRect({20, 2, 18, 9}); },
                      {ColourLies(clRed, {0, 0, 40, 20}, {4, 4, 8, 7}, "the inside of a two-pixel outline"), ColourLies(clBlack, {0, 0, 40, 20}, {2, 2, 10, 9}, "the outline")});
     }},
    {"FramesAreOnePixelRings", [] {
         return Drawn([](Canvas& c) { c.brush = Brush::Solid(clBlue); c.frameRect({2, 2, 8, 7}); },
                      {ColourLies(clBlue, {0, 0, 40, 20}, {2, 2, 8, 7}, "the ring"), PixelIs(3, 3, clWhite, "its inside")});
     }},
    {"PolygonsSharingAnEdgeNeitherOverlapNorLeaveAGap", [] {
         return Drawn([](Canvas& c) {
             c.pen.style = PenStyle::Clear;
             c.brush = Brush::Solid(clRed);
             c.polygon(Points{{0, 0}, {10, 0}, {10, 10}});
             c.brush = Brush::Solid(clBlue);
             c.polygon(Points{{0, 0}, {10, 10}, {0, 10}});
         }, {ColourLies(clWhite, {0, 0, 10, 10}, {}, "no gap along the shared edge"), PixelIs(7, 2, clRed, "above the diagonal"), PixelIs(2, 7, clBlue, "below it")});
     }},
    {"ClipsIntersectAndExclude", [] {
         return Drawn([](Canvas& c) {
             c.setOrigin({2, 1});
             c.intersectClip({0, 0, 10, 10});
             c.excludeClip({2, 2, 4, 4});
             c.brush = Brush::Solid(clRed);
             c.fillRect({-5, -5, 30, 30});
         }, {ColourLies(clRed, {0, 0, 40, 20}, {2, 1, 12, 11}, "the clip, moved by the origin"), PixelIs(4, 3, clWhite, "the hole"), PixelIs(6, 5, clRed, "just past the hole")});
     }},
    {"CopiesStretchAndMirror", [] {
         return Drawn([](Canvas& c) {
             Bitmap src(2, 1);
             src.setPixel(0, 0, clRed);
             src.setPixel(1, 0, clBlue);
             c.copyRect({0, 0, 4, 2}, src, src.bounds());
             c.copyRect({10, 0, 6, 1}, src, src.bounds());
             c.brush = Brush::Solid(clLime);
             c.brushCopy({0, 4, 2, 5}, src, src.bounds(), clRed);
             c.copyRectTransparent({0, 6, 2, 7}, src, src.bounds(), clBlue);
         }, {ColourLies(clRed, {0, 0, 5, 3}, {0, 0, 2, 2}, "stretched: red twice as wide and high"), PixelIs(6, 0, clBlue, "mirrored: blue first"), PixelIs(9, 0, clRed, "and red last"),
             PixelIs(0, 4, clLime, "the brush where the key was"), PixelIs(1, 4, clBlue, "the rest copied"), PixelIs(1, 6, clWhite, "the key left out")});
     }},
    {"InvertingTwiceRestores", [] {
         return Drawn([](Canvas& c) { c.brush = Brush::Solid(clRed); c.patternInvert({0, 0, 4, 4}); c.patternInvert({0, 2, 4, 6}); },
                      {PixelIs(1, 1, clAqua, "inverted once"), PixelIs(1, 3, clWhite, "inverted twice"), PixelIs(1, 5, clAqua, "inverted once")});
     }},
    {"TextBlendsIntoWhatLiesUnder", [] {
         return Drawn([](Canvas& c) { c.font.color = clWhite; c.textOut(3, 2, "Mm"); }, {Filled({0, 0, 40, 20}, clWhite, "white text on white leaves no trace")});
     }},
    {"TextPlacedFromItsTopLeft", [] { return Drawn([](Canvas& c) { c.textOut(3, 2, "Mm"); }, {TextIn({0, 0, 40, 20}, clWhite, Line("Mm", 3, 2), "the text's box at the point")}); }},
    {"TextCentredOnThePoint", [] {
         return Drawn([](Canvas& c) { c.textAlign = {TextAlignH::Center, TextAlignV::Top}; c.textOut(20, 2, "Mm"); },
                      {TextIn({0, 0, 40, 20}, clWhite, Line("Mm", 20 - Line("Mm", 0, 0).Width() / 2, 2), "centred on the point")});
     }},
    {"TextEndingAtThePointOnItsBaseline", [] {
         return Drawn([](Canvas& c) { c.textAlign = {TextAlignH::Right, TextAlignV::Baseline}; c.textOut(36, 16, "Mm"); },
                      {TextIn({0, 0, 40, 20}, clWhite, Line("Mm", 36 - Line("Mm", 0, 0).Width(), 16 - Ascent()), "its right end and baseline at the point")});
     }},
    {"TextOverASolidBrushFillsItsBox", [] {
         return Drawn([](Canvas& c) { c.brush = Brush::Solid(clYellow); c.textOut(3, 2, "Mm"); }, {ColourLies(clYellow, {0, 0, 40, 20}, Line("Mm", 3, 2), "the box behind the text")});
     }},
    {"TextRectClipsItsText", [] {
         return Drawn([](Canvas& c) { c.brush = Brush::Solid(clYellow); c.textRect({2, 2, 10, 18}, 3, 2, "Mm"); }, {Filled({10, 0, 40, 20}, clWhite, "nothing right of the rectangle"), Filled({2, 2, 3, 18}, clYellow, "the rectangle filled")});
     }},
    {"DrawTextRightBottom", [] {
         return Drawn([](Canvas& c) { TRect r{0, 0, 40, 20}; c.drawText(r, "Mm", tfRight | tfBottom | tfSingleLine); },
                      {TextIn({0, 0, 40, 20}, clWhite, Line("Mm", 40 - Line("Mm", 0, 0).Width(), 20 - Line("Mm", 0, 0).Height()), "the lower right corner")});
     }},
    {"DrawTextCentredBothWays", [] {
         return Drawn([](Canvas& c) { TRect r{0, 0, 40, 20}; c.drawText(r, "Mm", tfCenter | tfVCenter | tfSingleLine); },
                      {TextIn({0, 0, 40, 20}, clWhite, Line("Mm", (40 - Line("Mm", 0, 0).Width()) / 2, (20 - Line("Mm", 0, 0).Height()) / 2), "the middle")});
     }},
    {"AcceleratorsAreUnderlined", [] {
         const TRect line = Line("File", 2, 2);
         return Drawn([](Canvas& c) { TRect r{2, 2, 40, 20}; c.drawText(r, "&File", tfLeft); },
                      {TextIn({0, 0, 40, 20}, clWhite, line, "the text without its mark"),
                       {"the F underlined", [line](const Bitmap& p) {
                            const TRect under = testsupport::ColourBox(p, {line.Left, line.Top + Ascent() + 1, line.Right, line.Bottom}, clBlack);
                            return !under.IsEmpty() && under.Right <= line.Left + Line("F", 0, 0).Width() ? "" : "black below the baseline in " + testsupport::RectText(under);
                        }}});
     }},
    {"GridRowsAndScrollButtons", [] {
         Canvas c(200, 120);
         ApplicationScope scope;
         TForm* form = scope.App().CreateForm<TForm>("Form1");
         auto* grid = Create<TStringGrid>(form, "sg", form);
         grid->SetColCount(3);
         grid->SetRowCount(40);
         grid->SetDefaultRowHeight(17);
         grid->SetBounds(0, 0, 200, 120);
         grid->SetCell(1, 1, "MMMM");
         grid->PaintTo(c);
         const int x = grid->ColWidths(0) + grid->GridLineWidth();
         return Look{c.bitmap(),
                     {{"the first row below the titles", [x](const Bitmap& p) {
                           return testsupport::InkBox(p, Bounds(x, 18, 60, 17), clWindow).IsEmpty() ? "nothing in the cell" : "";
                       }},
                      PixelIs(183, 0, clBtnHighlight, "the scroll button's light edge"), PixelIs(184, 1, clBtnFace, "one pixel wide"),
                      PixelIs(198, 1, clBtnShadow, "its shadow, one in from the right, from the top down"), PixelIs(198, 5, clBtnShadow, "its shadow"),
                      PixelIs(199, 5, cl3DDkShadow, "its dark right edge"), PixelIs(190, 15, clBtnShadow, "its shadow, one up from the bottom"), PixelIs(190, 16, cl3DDkShadow, "its dark bottom edge")}};
     }},
};

}  // namespace

class CanvasFacts : public ::testing::TestWithParam<FactCase> {};

TEST_P(CanvasFacts, ShowWhatMatters)
{
    testsupport::ExpectFacts(GetParam().look());
}

INSTANTIATE_TEST_SUITE_P(Canvas, CanvasFacts, ::testing::ValuesIn(kFacts), [](const ::testing::TestParamInfo<FactCase>& info) { return info.param.name; });

// --- turned text ---

namespace {

// The corners of the rectangle turned counter-clockwise (as the screen shows it) about a point.
TRect TurnedBox(const TRect& r, TPoint about, int degrees)
{
    const double a = degrees * 3.14159265358979323846 / 180.0, c = std::cos(a), s = std::sin(a);
    TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const TPoint p : {TPoint{r.Left, r.Top}, TPoint{r.Right, r.Top}, TPoint{r.Right, r.Bottom}, TPoint{r.Left, r.Bottom}}) {
        const double dx = p.X - about.X, dy = p.Y - about.Y;
        const int x = about.X + static_cast<int>(std::lround(dx * c + dy * s)), y = about.Y + static_cast<int>(std::lround(dy * c - dx * s));
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x), std::max(box.Bottom, y)};
    }
    return box;
}

struct TurnCase {
    const char* name;
    int degrees;
    TextAlign align;
    friend void PrintTo(const TurnCase& c, std::ostream* out) { *out << c.name; }
};

class CanvasTurnedText : public ::testing::TestWithParam<TurnCase> {};

}  // namespace

// Turned text lies where its level ink, turned about the point textOut was given, lies: its place, its
// extent along the turn and across it, and which way it runs.
TEST_P(CanvasTurnedText, LiesWhereTheLevelTextTurnedAboutItsPointLies)
{
    const TurnCase& turn = GetParam();
    const TPoint at{60, 60};
    const auto draw = [&](int escapement) {
        Canvas c(120, 120);
        c.font = FontDesc{.color = clBlack, .escapement = escapement};
        c.textAlign = turn.align;
        c.brush = Brush::Clear();
        c.textOut(at.X, at.Y, "MMMM");
        return testsupport::InkBox(c.bitmap(), {0, 0, 120, 120}, clWhite);
    };
    const TRect level = draw(0);
    const TRect expected = TurnedBox(level, at, turn.degrees);
    const TRect turned = draw(turn.degrees * 10);
    EXPECT_LE(std::max({std::abs(turned.Left - expected.Left), std::abs(turned.Top - expected.Top), std::abs(turned.Right - expected.Right),
                        std::abs(turned.Bottom - expected.Bottom)}),
              2)
        << "the turned ink lies in " << testsupport::RectText(turned) << ", the level ink turned in " << testsupport::RectText(expected);
}

INSTANTIATE_TEST_SUITE_P(Canvas, CanvasTurnedText,
                         ::testing::Values(TurnCase{"LevelFromTheTopLeft", 0, {}}, TurnCase{"HalfUpFromTheTopLeft", 45, {}},
                                           TurnCase{"HalfUpCentredOnTheBaseline", 45, {TextAlignH::Center, TextAlignV::Baseline}},
                                           TurnCase{"UpFromTheTopLeft", 90, {}}, TurnCase{"UpEndingAtTheBottom", 90, {TextAlignH::Right, TextAlignV::Bottom}},
                                           TurnCase{"UpsideDownCentredOnTheBaseline", 180, {TextAlignH::Center, TextAlignV::Baseline}},
                                           TurnCase{"DownFromTheTopLeft", 270, {}}, TurnCase{"DownACircleOnFromTheTopLeft", -90, {}}),
                         [](const ::testing::TestParamInfo<TurnCase>& info) { return info.param.name; });

TEST(CanvasTurnedBox, AnOpaqueBrushFillsTheTurnedBoxAndMeasuringStaysLevel)
{
    Canvas c(60, 60);
    c.font = FontDesc{.underline = true, .color = clBlack, .escapement = 900};
    c.brush = Brush::Solid(clYellow);
    const TSize level = c.textExtent("Mm");
    c.textOut(10, 50, "Mm");
    EXPECT_EQ(testsupport::ColourBox(c.bitmap(), {0, 0, 60, 60}, clYellow).Normalized(), TurnedBox(Bounds(10, 50, level.cx, level.cy), {10, 50}, 90));
    EXPECT_EQ(c.penPos(), (TPoint{10, 50 - level.cx})) << "the pen moves to the end of the turned text";
    Canvas plain(60, 60);
    plain.font = FontDesc{.underline = true, .color = clBlack};
    EXPECT_EQ(plain.textExtent("Mm"), level);
    TRect r{0, 0, 60, 60};
    c.drawText(r, "Mm", 0);  // laid out level whatever the font's turn
    EXPECT_EQ(testsupport::InkBox(c.bitmap(), {0, 0, 60, 8}, clWhite).Height(), 8);
}
