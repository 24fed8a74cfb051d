#include "kit/KitGrafx.h"

#include "kit/KitPanel.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <cstdlib>

using ui::Canvas;
using ui::TRect;

namespace {

constexpr TColor kStart = 0x0000FF;  // red
constexpr TColor kStop = 0xFF0000;   // blue

const TGradientDirection kAllDirections[] = {gdDiagonalUp,      gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter,
                                             gdHorizontalBox,   gdVerticalEnd,  gdVerticalCenter, gdVerticalBox,
                                             gdSquareBox,       gdBigSquareBox};

Canvas Gradient(int w, int h, TGradientDirection d, TColor start = kStart, TColor stop = kStop)
{
    Canvas c(w, h, clYellow);
    PaintGradientRect(c, {0, 0, w, h}, d, start, stop, 1);
    return c;
}

int CountColor(const Canvas& c, TColor color)
{
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) n += c.pixel(x, y) == color ? 1 : 0;
    return n;
}

// How far a pixel is from the red-blue line: red + blue always adds up to about 255 on it.
bool OnRedBlueLine(TColor c)
{
    return ui::GreenOf(c) == 0 && std::abs(static_cast<int>(ui::RedOf(c) + ui::BlueOf(c)) - 255) <= 2;
}

bool AllOnRedBlueLine(const Canvas& c)
{
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (!OnRedBlueLine(c.pixel(x, y))) return false;
    return true;
}

int Blue(const Canvas& c, int x, int y)
{
    return static_cast<int>(ui::BlueOf(c.pixel(x, y)));
}

}  // namespace

TEST(PaintGradientRect, EmptyRectangleDrawsNothingAndEqualColoursFillSolid)
{
    for (const TGradientDirection d : kAllDirections) {
        Canvas c(10, 10, clYellow);
        PaintGradientRect(c, {3, 3, 3, 9}, d, kStart, kStop, 1);
        PaintGradientRect(c, {3, 3, 9, 3}, d, kStart, kStop, 1);
        EXPECT_EQ(CountColor(c, clYellow), 100) << d;
        EXPECT_EQ(CountColor(Gradient(23, 17, d, clTeal, clTeal), clTeal), 23 * 17) << d;
    }
    const Canvas sys = Gradient(9, 9, gdSquareBox, clBtnFace, clBtnFace);
    EXPECT_EQ(CountColor(sys, ui::ResolveColor(clBtnFace)), 81);
}

TEST(PaintGradientRect, EveryPixelIsPaintedInEveryDirection)
{
    for (const TGradientDirection d : kAllDirections)
        for (const auto& [w, h] : {std::pair{37, 21}, std::pair{8, 64}, std::pair{1, 1}, std::pair{2, 9}, std::pair{64, 3}})
            EXPECT_TRUE(AllOnRedBlueLine(Gradient(w, h, d))) << d << " " << w << "x" << h;
}

TEST(PaintGradientRect, HorizontalEndRunsTopToBottom)
{
    const Canvas c = Gradient(37, 20, gdHorizontalEnd);
    EXPECT_EQ(c.pixel(0, 19), kStop);  // the far end is exactly the stop colour
    EXPECT_GE(ui::RedOf(c.pixel(0, 0)), 240u);
    for (int y = 0; y < 20; ++y) {
        for (int x = 1; x < 37; ++x) ASSERT_EQ(c.pixel(x, y), c.pixel(0, y)) << x << "," << y;  // tiled strip
        if (y > 0) {
            EXPECT_GE(Blue(c, 0, y), Blue(c, 0, y - 1));
        }
    }
}

TEST(PaintGradientRect, VerticalEndRunsLeftToRight)
{
    const Canvas c = Gradient(30, 13, gdVerticalEnd);
    EXPECT_EQ(c.pixel(29, 5), kStop);
    for (int x = 1; x < 30; ++x) EXPECT_GE(Blue(c, x, 7), Blue(c, x - 1, 7));
}

TEST(PaintGradientRect, CentreVariantsPeakInTheMiddle)
{
    const Canvas h = Gradient(10, 21, gdHorizontalCenter);
    EXPECT_EQ(h.pixel(4, 10), kStop);
    EXPECT_GE(ui::RedOf(h.pixel(4, 20)), 200u);
    const Canvas v = Gradient(21, 4, gdVerticalCenter);
    EXPECT_EQ(v.pixel(10, 2), kStop);
    EXPECT_GE(ui::RedOf(v.pixel(0, 2)), 200u);
}

TEST(PaintGradientRect, CentreOfLengthOneStillPaints)
{
    EXPECT_EQ(CountColor(Gradient(12, 1, gdHorizontalCenter), kStop), 12);
    EXPECT_EQ(CountColor(Gradient(1, 12, gdVerticalCenter), kStop), 12);
}

TEST(PaintGradientRect, SmallBoxesAreSolidInTheStartColour)
{
    for (const TGradientDirection d : {gdHorizontalBox, gdVerticalBox, gdSquareBox, gdBigSquareBox}) {
        EXPECT_EQ(CountColor(Gradient(4, 30, d), kStart), 120) << d;
        EXPECT_EQ(CountColor(Gradient(30, 4, d), kStart), 120) << d;
        EXPECT_LT(CountColor(Gradient(5, 5, d), kStart), 25) << d;
    }
}

TEST(PaintGradientRect, BoxesAreSymmetricWithTheStopColourInside)
{
    for (const TGradientDirection d : {gdHorizontalBox, gdVerticalBox, gdSquareBox, gdBigSquareBox}) {
        for (const auto& [w, h] : {std::pair{31, 17}, std::pair{30, 16}}) {
            const Canvas c = Gradient(w, h, d);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(c.pixel(x, y), c.pixel(w - 1 - x, y)) << d << " " << x << "," << y;
                    ASSERT_EQ(c.pixel(x, y), c.pixel(x, h - 1 - y)) << d << " " << x << "," << y;
                }
            EXPECT_EQ(c.pixel((w - 1) / 2, (h - 1) / 2), kStop) << d;
            // The sweep's last steps round to the corner early, so the corner is near the start colour.
            EXPECT_GE(ui::RedOf(c.pixel(0, 0)), 180u) << d;
            EXPECT_GT(ui::RedOf(c.pixel(0, 0)), ui::RedOf(c.pixel(w / 4, h / 4))) << d;
        }
    }
    // The horizontal box stretches the stop colour along the middle row.
    const Canvas hb = Gradient(40, 21, gdHorizontalBox);
    EXPECT_EQ(hb.pixel(19 - 10, 10), kStop);
}

TEST(PaintGradientRect, DiagonalsRunCornerToCorner)
{
    const Canvas up = Gradient(40, 25, gdDiagonalUp);
    EXPECT_GE(ui::RedOf(up.pixel(0, 24)), 240u);
    EXPECT_GE(ui::BlueOf(up.pixel(39, 0)), 240u);
    const Canvas down = Gradient(40, 25, gdDiagonalDown);
    EXPECT_GE(ui::RedOf(down.pixel(0, 0)), 240u);
    EXPECT_GE(ui::BlueOf(down.pixel(39, 24)), 240u);
    // Along the other diagonal the colour is half way in both.
    EXPECT_NEAR(static_cast<int>(ui::RedOf(up.pixel(0, 0))), 128, 20);
    EXPECT_NEAR(static_cast<int>(ui::RedOf(down.pixel(39, 0))), 128, 20);
}

TEST(PaintGradientRect, LandsAtTheRectangleAndHonoursTheClip)
{
    Canvas c(20, 20, clYellow);
    c.excludeClip({5, 5, 15, 15});
    PaintGradientRect(c, {15, 15, 2, 2}, gdSquareBox, kStart, kStop, 1);  // inverted: normalised
    EXPECT_EQ(c.pixel(15, 15), clYellow);
    EXPECT_TRUE(OnRedBlueLine(c.pixel(2, 2)));
    EXPECT_EQ(c.pixel(8, 8), clYellow);
}

TEST(PaintGradientRect, WiderBandsMergeSteps)
{
    const Canvas fine = Gradient(1, 64, gdHorizontalEnd);
    Canvas coarse(1, 64, clYellow);
    PaintGradientRect(coarse, {0, 0, 1, 64}, gdHorizontalEnd, kStart, kStop, 8);
    const auto distinct = [](const Canvas& c) {
        int n = 1;
        for (int y = 1; y < c.height(); ++y) n += c.pixel(0, y) != c.pixel(0, y - 1) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(distinct(fine), 64);
    EXPECT_LE(distinct(coarse), 64 / 8);
}

TEST(PaintButtonGradient, OnlyTheOuterRing)
{
    Canvas c(12, 10, clYellow);
    c.intersectClip({0, 0, 11, 10});
    PaintButtonGradient(c, {0, 0, 12, 10}, gdHorizontalEnd, kStart, kStop);
    EXPECT_EQ(c.pixel(2, 2), clYellow);
    EXPECT_TRUE(OnRedBlueLine(c.pixel(1, 5)));
    EXPECT_EQ(c.pixel(11, 5), clYellow);  // the caller's clip is kept
    c.brush = ui::Brush::Solid(clBlack);
    c.fillRect({0, 0, 12, 10});
    EXPECT_EQ(c.pixel(5, 5), clBlack);  // and nothing of the ring's clip is left behind
    EXPECT_EQ(c.pixel(11, 5), clYellow);
}

TEST(KitBitmaps, FlipVertically)
{
    ui::Bitmap one(3, 1, clRed);
    one.setPixel(1, 0, clBlue);
    const ui::Bitmap before = one;
    FlipBitmapVertically(one);
    EXPECT_EQ(one, before);
    ui::Bitmap three(2, 3, clRed);
    three.setPixel(1, 0, clBlue);
    FlipBitmapVertically(three);
    EXPECT_EQ(three.pixel(1, 2), clBlue);
}

TEST(KitBitmaps, StretchTransparentBitmap)
{
    ui::Bitmap glyph(2, 2, 0x008080);
    glyph.setPixel(0, 0, clBlack);
    Canvas c(8, 8, clWhite);
    StretchTransparentBitmap(c, glyph, {2, 2, 6, 6}, glyph.bounds(), 0x008080);
    EXPECT_EQ(c.pixel(2, 2), clBlack);
    EXPECT_EQ(c.pixel(3, 3), clBlack);
    EXPECT_EQ(c.pixel(4, 4), clWhite);
}

// --- parent background ---

namespace {

class PaintRequests : public ui::ModelObserver {
public:
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override
    {
        if (what == ui::ModelChange::Paint && &control == watched) ++count;
    }
    const ui::TControl* watched = nullptr;
    int count = 0;
};

}  // namespace

TEST(KitParentBackground, ParentColourUnderAChildAndNoInvalidationFromAPaint)
{
    ui::ApplicationScope scope;
    PaintRequests requests;
    scope.App().SetObserver(&requests);
    auto* form = ui::Create<ui::TForm>(&scope.App(), "F");
    auto* holder = ui::Create<ui::TWinControl>(form, "Holder", form);  // paints nothing of its own
    holder->SetBounds(0, 0, 50, 50);
    holder->SetColor(clTeal);
    auto* glass = ui::Create<TKitPanel>(form, "Glass", holder);
    glass->SetBounds(40, 40, 20, 20);
    glass->SetBorderOuter(fsNone);
    glass->SetTransparent(true);
    requests.watched = holder;

    Canvas c(20, 20, clYellow);
    DrawParentBackground(*glass, c, true);
    EXPECT_EQ(c.pixel(9, 9), clTeal);
    EXPECT_EQ(c.pixel(10, 10), clYellow);  // outside the parent
    EXPECT_EQ(requests.count, 1);          // asked outside a paint: the parent repaints

    glass->PaintTo(c);
    EXPECT_EQ(c.pixel(5, 5), clTeal);
    EXPECT_EQ(requests.count, 1);  // from inside the child's paint: never

    auto loose = ui::MakeUnowned<TKitPanel>("Loose");
    Canvas untouched(5, 5, clYellow);
    DrawParentBackground(*loose, untouched, true);
    EXPECT_EQ(untouched.pixel(2, 2), clYellow);
    scope.App().SetObserver(nullptr);
}

TEST(PaintGradientRect, PictureOfEveryDirection)
{
    Canvas c(10 * 64, 48, clBtnFace);
    for (int d = 0; d < 10; ++d)
        PaintGradientRect(c, {d * 64 + 2, 2, d * 64 + 62, 46}, static_cast<TGradientDirection>(d), clWhite,
                          clNavy, 1);
    testsupport::SavePicture(c.bitmap(), "kit_gradients");
    SUCCEED();
}
