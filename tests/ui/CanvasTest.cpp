#include "ui/Canvas.h"

#include "ui/Png.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <cstring>

using namespace ui;

namespace {

int CountColor(const Bitmap& b, TColor c, const TRect& area)
{
    int n = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x) n += b.pixel(x, y) == c ? 1 : 0;
    return n;
}

int CountColor(const Bitmap& b, TColor c)
{
    return CountColor(b, c, b.bounds());
}

// Smallest rectangle holding every pixel that is not `background`.
TRect InkBounds(const Bitmap& b, TColor background)
{
    TRect r{b.width(), b.height(), 0, 0};
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (b.pixel(x, y) != background)
                r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
    return r.IsEmpty() ? TRect{} : r;
}

}  // namespace

TEST(Bitmap, StartsFilledAndIgnoresPixelsOutside)
{
    Bitmap b(4, 3, clRed);
    EXPECT_EQ(b.pixel(3, 2), clRed);
    EXPECT_EQ(b.pixel(-1, 0), clNone);
    b.setPixel(4, 0, clBlue);
    b.setPixel(1, 1, 0xFF123456);  // high byte is not part of a pixel
    EXPECT_EQ(b.pixel(1, 1), 0x123456u);
    EXPECT_EQ(b.rgba()[(1 * 4 + 1) * 4 + 0], 0x56);  // red first in memory
    b.resize(-5, 2);
    EXPECT_TRUE(b.isEmpty());
}

TEST(SystemColors, ResolveThroughTheFixedTable)
{
    EXPECT_EQ(ResolveColor(clBtnFace), Rgb(212, 208, 200));
    EXPECT_EQ(ResolveColor(0xFF0000FF), clBlack);  // unknown system colour
    EXPECT_EQ(ResolveColor(0x02123456), 0x123456u);
}

TEST(CanvasLines, EndPointIsExcluded)
{
    Canvas c(10, 10);
    c.moveTo(1, 1);
    c.lineTo(5, 1);
    EXPECT_EQ(CountColor(c.bitmap(), clBlack), 4);
    EXPECT_EQ(c.pixel(5, 1), clWhite);
    c.lineTo(5, 5);  // continues: the corner is drawn by the second line
    EXPECT_EQ(c.pixel(5, 1), clBlack);
    EXPECT_EQ(c.pixel(5, 5), clWhite);
    c.moveTo(0, 9);
    c.lineTo(3, 6);  // diagonal up
    EXPECT_EQ(c.pixel(2, 7), clBlack);
    EXPECT_EQ(c.pixel(3, 6), clWhite);
}

TEST(CanvasLines, ClearPenAndSystemColours)
{
    Canvas c(6, 6);
    c.pen.style = PenStyle::Clear;
    c.moveTo(0, 0);
    c.lineTo(5, 0);
    EXPECT_EQ(CountColor(c.bitmap(), clWhite), 36);
    c.pen = {clBtnShadow, 1, PenStyle::Solid};
    c.moveTo(0, 2);
    c.lineTo(0, 4);
    EXPECT_EQ(c.pixel(0, 3), clGray);
}

TEST(CanvasShapes, FillFrameAndRectangle)
{
    Canvas c(12, 12);
    c.brush = Brush::Solid(clRed);
    c.fillRect({1, 1, 4, 3});
    EXPECT_EQ(CountColor(c.bitmap(), clRed), 6);
    c.brush.color = clBlue;
    c.frameRect({5, 5, 9, 8});
    EXPECT_EQ(CountColor(c.bitmap(), clBlue), 10);  // 4 x 3 ring

    Canvas r(10, 10);
    r.pen = {clBlack, 2, PenStyle::Solid};
    r.brush = Brush::Solid(clLime);
    r.rectangle({0, 0, 8, 8});
    EXPECT_EQ(CountColor(r.bitmap(), clLime), 16);  // 8 x 8 less a 2-pixel ring inside
    EXPECT_EQ(CountColor(r.bitmap(), clBlack), 48);
    r.pen.style = PenStyle::Clear;
    r.brush.color = clYellow;
    r.rectangle({0, 0, 3, 3});  // without a pen the whole rectangle is filled
    EXPECT_EQ(CountColor(r.bitmap(), clYellow), 9);
}

TEST(CanvasShapes, PatternBrushIsAnchoredToTheBitmap)
{
    BrushPattern checker{};
    for (int i = 0; i < 64; ++i) checker[static_cast<std::size_t>(i)] = ((i / 8 + i % 8) % 2) ? clBlack : clWhite;
    Canvas c(16, 16, clRed);
    c.brush = Brush::Patterned(checker);
    c.setOrigin({3, 0});
    c.fillRect({0, 0, 4, 4});  // bitmap columns 3..6
    EXPECT_EQ(c.bitmap().pixel(3, 0), clBlack);
    EXPECT_EQ(c.bitmap().pixel(4, 0), clWhite);
    EXPECT_EQ(c.bitmap().pixel(2, 0), clRed);

    Canvas inv(16, 16, clWhite);
    inv.brush = Brush::Patterned(checker);
    inv.patternInvert({0, 0, 16, 16});
    EXPECT_EQ(inv.pixel(0, 0), clBlack);
    inv.patternInvert({0, 0, 16, 16});
    EXPECT_EQ(CountColor(inv.bitmap(), clWhite), 256);
}

TEST(CanvasShapes, PolygonsSharingAnEdgeNeitherOverlapNorLeaveGaps)
{
    const TPoint upper[] = {{0, 0}, {10, 0}, {10, 7}};
    const TPoint lower[] = {{0, 0}, {10, 7}, {0, 7}};
    Canvas a(10, 7), b(10, 7);
    for (Canvas* c : {&a, &b}) {
        c->pen.style = PenStyle::Clear;
        c->brush = Brush::Solid(clBlack);
    }
    a.polygon(upper);
    b.polygon(lower);
    int both = 0, neither = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inA = a.pixel(x, y) == clBlack, inB = b.pixel(x, y) == clBlack;
            both += inA && inB;
            neither += !inA && !inB;
        }
    EXPECT_EQ(both, 0);
    EXPECT_EQ(neither, 0);
}

TEST(CanvasShapes, PolygonOutlineCoversEveryVertex)
{
    Canvas c(10, 10);
    c.brush = Brush::Solid(clBlack);
    c.pen.color = clBlack;
    const TPoint arrow[] = {{5, 3}, {7, 5}, {3, 5}};  // a small filled arrow head
    c.polygon(arrow);
    for (const TPoint p : arrow) EXPECT_EQ(c.pixel(p.X, p.Y), clBlack) << p.X << "," << p.Y;
    EXPECT_EQ(c.pixel(5, 6), clWhite);
}

TEST(CanvasClip, IntersectExcludeSaveAndRestore)
{
    Canvas c(10, 10);
    c.brush = Brush::Solid(clBlack);
    c.save();
    c.intersectClip({2, 2, 8, 8});
    c.excludeClip({4, 4, 6, 6});
    EXPECT_EQ(c.clipBounds(), (TRect{2, 2, 8, 8}));
    c.fillRect({0, 0, 10, 10});
    EXPECT_EQ(CountColor(c.bitmap(), clBlack), 36 - 4);
    c.restore();
    c.brush.color = clRed;
    c.fillRect({0, 0, 10, 10});
    EXPECT_EQ(CountColor(c.bitmap(), clRed), 100);
    c.restore();  // unmatched: harmless
}

TEST(CanvasClip, OriginMovesDrawingAndClipTogether)
{
    Canvas c(10, 10);
    c.moveOrigin(3, 2);
    c.intersectClip({0, 0, 2, 2});  // bitmap (3, 2)..(5, 4)
    c.brush = Brush::Solid(clBlack);
    c.fillRect({-5, -5, 20, 20});
    EXPECT_EQ(InkBounds(c.bitmap(), clWhite), (TRect{3, 2, 5, 4}));
    EXPECT_EQ(c.pixel(0, 0), clBlack);  // logical read
    c.setPixel(5, 5, clRed);            // clipped away
    EXPECT_EQ(c.bitmap().pixel(8, 7), clWhite);
}

TEST(CanvasCopy, PlainStretchedAndMirrored)
{
    Bitmap src(2, 1);
    src.setPixel(0, 0, clRed);
    src.setPixel(1, 0, clBlue);
    Canvas c(8, 4);
    c.draw(1, 1, src);
    EXPECT_EQ(c.pixel(2, 1), clBlue);
    c.copyRect({0, 2, 4, 4}, src, src.bounds());  // doubled both ways
    EXPECT_EQ(c.pixel(1, 3), clRed);
    EXPECT_EQ(c.pixel(2, 2), clBlue);
    c.copyRect({8, 0, 6, 1}, src, src.bounds());  // right before left: mirrored
    EXPECT_EQ(c.pixel(6, 0), clBlue);
    EXPECT_EQ(c.pixel(7, 0), clRed);
}

TEST(CanvasCopy, OntoItselfReadsThePictureBeforeTheCopy)
{
    Canvas c(4, 1);
    c.setPixel(0, 0, clRed);
    c.setPixel(1, 0, clBlue);
    c.copyRect({1, 0, 3, 1}, c.bitmap(), {0, 0, 2, 1});
    EXPECT_EQ(c.pixel(2, 0), clBlue);
    c.copyRect({0, 1, 4, 0}, c.bitmap(), {0, 0, 4, 1});  // mirrored onto itself, top to bottom
    EXPECT_EQ(c.pixel(0, 0), clRed);
}

TEST(CanvasCopy, ColourKeyedAndBrushCopies)
{
    Bitmap glyph(3, 1, clOlive);
    glyph.setPixel(1, 0, clBlack);
    Canvas c(3, 2, clAqua);
    c.copyRectTransparent({0, 0, 3, 1}, glyph, glyph.bounds(), clOlive);
    EXPECT_EQ(c.pixel(0, 0), clAqua);
    c.brush = Brush::Solid(clBtnFace);
    c.brushCopy({0, 1, 3, 2}, glyph, glyph.bounds(), clOlive);
    EXPECT_EQ(c.pixel(0, 1), ResolveColor(clBtnFace));
    EXPECT_EQ(c.pixel(1, 1), clBlack);
}

TEST(CanvasText, TahomaAndMsSansSerifAreDrawnByTheirStandInsAndOtherNamesByDejaVu)
{
    if (!SubstituteFontsInstalled()) GTEST_SKIP() << "fonts-wine is not installed";
    EXPECT_EQ(SubstituteFontFiles().size(), 3u);
    const FontDesc tahoma{.name = "Tahoma"};
    const FontDesc sansSerif{.name = "MS Sans Serif"};
    const FontDesc other{.name = "Arial"};
    EXPECT_EQ(DrawnFamily(tahoma), "Tahoma");
    EXPECT_EQ(DrawnFamily(sansSerif), "MS Sans Serif");
    EXPECT_EQ(DrawnFamily(other), "DejaVu Sans");
    // The width the windows were laid out for: DejaVu takes about a sixth more.
    const std::u32string text = U"Экспорт в Excel открытой страницы истории";
    EXPECT_LT(TextAdvance(tahoma, text) * 110, TextAdvance(other, text) * 100);
    // MS Sans Serif comes in whole strikes: 8 points is the 13-pixel one; bold inks wider, not longer.
    EXPECT_EQ(MeasureFont(sansSerif).height, 13);
    EXPECT_EQ(TextAdvance(FontDesc{.name = "MS Sans Serif", .bold = true}, text), TextAdvance(sansSerif, text));
    Canvas c(300, 20);
    c.font = FontDesc{.name = "Tahoma", .italic = true, .color = clBlack};
    c.textOut(0, 0, "Шлейф");
    EXPECT_GT(InkBounds(c.bitmap(), clWhite).Width(), 0) << "a slanted Tahoma is made from the upright one";
}

TEST(CanvasText, MeasuresWithTheFontsMetrics)
{
    Canvas c(10, 10);
    const FontMetrics m = c.fontMetrics();
    EXPECT_EQ(m.height, m.ascent + m.descent);
    const TSize ext = c.textExtent("Номер объекта");
    EXPECT_EQ(ext.cy, m.height);
    EXPECT_EQ(ext.cx, TextAdvance(c.font, U"Номер объекта"));
    c.font.bold = true;
    EXPECT_GT(c.textWidth("Номер объекта"), ext.cx);
    c.font.height = 22;
    EXPECT_GT(c.fontMetrics().height, m.height);
    EXPECT_EQ(FontDesc::PointsForHeight(FontDesc::HeightForPoints(8)), 8);
}

TEST(CanvasText, TextOutStaysInsideItsMeasuredBox)
{
    Canvas c(120, 40);
    c.font.color = clBlack;
    c.brush = Brush::Clear();
    c.textOut(10, 5, "Hello");
    const TSize ext = c.textExtent("Hello");
    const TRect ink = InkBounds(c.bitmap(), clWhite);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 10 + ext.cx);
    EXPECT_GE(ink.Top, 5);
    EXPECT_LE(ink.Bottom, 5 + c.fontMetrics().ascent);  // no descenders in "Hello"
    EXPECT_EQ(c.penPos().X, 10 + ext.cx);

    Canvas opaque(120, 40);
    opaque.brush = Brush::Solid(clYellow);
    opaque.textOut(10, 5, "Hello");
    EXPECT_EQ(InkBounds(opaque.bitmap(), clWhite), (TRect{10, 5, 10 + ext.cx, 5 + ext.cy}));
}

TEST(CanvasText, AlignmentPlacesThePoint)
{
    Canvas c(100, 40);
    c.brush = Brush::Solid(clBlack);
    c.textAlign = {TextAlignH::Center, TextAlignV::Baseline};
    c.textOut(50, 30, "Mm");
    const TSize ext = c.textExtent("Mm");
    const FontMetrics m = c.fontMetrics();
    EXPECT_EQ(InkBounds(c.bitmap(), clWhite),
              (TRect{50 - ext.cx / 2, 30 - m.ascent, 50 - ext.cx / 2 + ext.cx, 30 + m.descent}));
}

TEST(CanvasText, TextRectFillsAndClipsToItsRectangle)
{
    Canvas c(100, 30);
    c.brush = Brush::Solid(clNavy);
    c.font.color = clWhite;
    c.textRect({0, 0, 20, 30}, 2, 2, "Wide text here");
    EXPECT_EQ(InkBounds(c.bitmap(), clWhite).Right, 20);
    EXPECT_EQ(c.pixel(25, 10), clWhite);
}

TEST(CanvasText, WordBreakWrapsWithinTheWidth)
{
    Canvas c(200, 200);
    const std::string text = "Выберите файл с прошивкой для устройства";
    TRect r{0, 0, 90, 0};
    const int h = c.drawText(r, text, tfWordBreak | tfCalcRect);
    const int lineHeight = c.fontMetrics().height;
    EXPECT_EQ(h % lineHeight, 0);
    EXPECT_GE(h / lineHeight, 3);
    EXPECT_LE(r.Right, 90);
    EXPECT_EQ(CountColor(c.bitmap(), clWhite), 200 * 200);  // measuring draws nothing

    TRect lines{0, 0, 500, 0};
    EXPECT_EQ(c.drawText(lines, "one\r\ntwo\nthree", tfCalcRect), 3 * lineHeight);
    EXPECT_EQ(lines.Right, c.textWidth("three"));

    TRect longWord{0, 0, 10, 0};  // a word wider than the line overflows rather than vanishing
    EXPECT_EQ(c.drawText(longWord, "Прошивка", tfCalcRect | tfWordBreak), lineHeight);
    EXPECT_EQ(longWord.Right, c.textWidth("Прошивка"));
}

TEST(CanvasText, DrawnLinesAreAlignedAndClipped)
{
    Canvas c(100, 40);
    c.brush = Brush::Clear();
    c.font.color = clBlack;
    TRect r{0, 0, 100, 40};
    c.drawText(r, "Ok", tfRight | tfSingleLine | tfBottom);
    const TRect ink = InkBounds(c.bitmap(), clWhite);
    EXPECT_GE(ink.Left, 100 - c.textWidth("Ok"));
    EXPECT_GE(ink.Top, 40 - c.fontMetrics().height);

    Canvas clipped(100, 40);
    clipped.font.color = clBlack;
    clipped.brush = Brush::Clear();
    TRect small{10, 10, 30, 20};
    clipped.drawText(small, "Clipped text", tfLeft);
    const TRect in = InkBounds(clipped.bitmap(), clWhite);
    EXPECT_LE(in.Right, 30);
    EXPECT_LE(in.Bottom, 20);
}

TEST(CanvasText, EndEllipsisFitsTheWidth)
{
    Canvas c(200, 30);
    c.font.color = clBlack;
    c.brush = Brush::Clear();
    TRect r{0, 0, 60, 30};
    c.drawText(r, "A rather long caption", tfEndEllipsis | tfSingleLine | tfNoClip);
    const TRect ink = InkBounds(c.bitmap(), clWhite);
    EXPECT_LE(ink.Right, 60);
    // Text that fits is drawn as it stands.
    Canvas with(200, 30), without(200, 30);
    TRect fits{0, 0, 200, 30};
    with.drawText(fits, "Short", tfEndEllipsis | tfSingleLine);
    without.drawText(fits, "Short", tfSingleLine);
    EXPECT_EQ(with.bitmap(), without.bitmap());
    EXPECT_NE(c.bitmap(), with.bitmap());
}

TEST(CanvasText, AcceleratorIsUnderlinedNotShown)
{
    Canvas c(100, 30);
    c.font.color = clBlack;
    c.brush = Brush::Clear();
    TRect r{0, 0, 100, 30};
    TRect measured = r;
    c.drawText(measured, "&File", tfCalcRect);
    EXPECT_EQ(measured.Right, c.textWidth("File"));
    c.drawText(r, "&File", tfLeft);
    const FontMetrics m = c.fontMetrics();
    const int row = m.ascent + m.underlineOffset;
    const int fWidth = c.textWidth("F");
    for (int x = 0; x < fWidth; ++x) EXPECT_EQ(c.pixel(x, row), clBlack) << x;
    EXPECT_EQ(CountColor(c.bitmap(), clBlack, {fWidth, row, 100, row + 1}), 0);

    TRect raw{0, 0, 100, 30};
    c.drawText(raw, "&File", tfCalcRect | tfNoPrefix);
    EXPECT_EQ(raw.Right, c.textWidth("&File"));
    const PrefixedText p = StripPrefix(U"Save && &Exit&");
    EXPECT_EQ(p.text, U"Save & Exit&");
    EXPECT_EQ(p.underlined, 7);
}

TEST(CanvasText, TabsExpandToStops)
{
    Canvas c(300, 30);
    TRect r{0, 0, 300, 30};
    c.drawText(r, "a\tb", tfCalcRect | tfExpandTabs);
    const int stop = 8 * c.fontMetrics().averageCharWidth;
    EXPECT_EQ(r.Right, stop + c.textWidth("b"));
}

TEST(Png, EncodesAValidStoredImage)
{
    Canvas c(3, 2, clRed);
    c.setPixel(2, 1, clBlue);
    const std::string png = EncodePng(c.bitmap());
    ASSERT_GT(png.size(), 8u + 25u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 3u);  // width, big-endian
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    // The last pixel's RGB stands uncompressed just before the Adler-32 of the image data.
    const std::size_t idatEnd = png.size() - 12 - 4;
    EXPECT_EQ(png.substr(idatEnd - 4 - 3, 3), std::string("\x00\x00\xFF", 3));
    EXPECT_THROW(WritePng(c.bitmap(), "/nonexistent/dir/x.png"), std::runtime_error);
}

TEST(Png, SavesASampleForAPerson)
{
    Canvas c(160, 60, clBtnFace);
    c.font.color = clBlack;
    c.brush = Brush::Clear();
    TRect r{4, 4, 156, 56};
    c.drawText(r, "&Номер объекта: text drawn through FreeType", tfWordBreak | tfCenter);
    testsupport::SavePicture(c.bitmap(), "canvas_text");
    SUCCEED();
}
