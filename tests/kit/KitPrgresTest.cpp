#include "kit/KitPrgres.h"

#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <vector>

using ui::Canvas;
using ui::ResolveColor;

namespace {

const TColor kBar = ResolveColor(clHighlight);
const TColor kWhite = clWhite;

bool Near(TColor a, TColor b)
{
    const auto close = [](unsigned x, unsigned y) { return (x > y ? x - y : y - x) <= 8; };
    return close(ui::RedOf(a), ui::RedOf(b)) && close(ui::GreenOf(a), ui::GreenOf(b)) &&
           close(ui::BlueOf(a), ui::BlueOf(b));
}

class KitProgressBarTest : public ::testing::Test {
protected:
    KitProgressBarTest()
    {
        bar->SetBounds(0, 0, 125, 21);
        bar->OnChange = [this](ui::TObject* sender, int percent) {
            EXPECT_EQ(sender, bar);
            changes.push_back(percent);
        };
    }

    Canvas Painted()
    {
        Canvas c(bar->Width(), bar->Height(), clFuchsia);
        bar->PaintTo(c);
        return c;
    }

    int Count(const Canvas& c, TColor colour, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += c.pixel(x, y) == colour ? 1 : 0;
        return n;
    }

    ui::ApplicationScope scope;
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "F");
    TKitProgressBar* bar = ui::Create<TKitProgressBar>(form, "PSignal", form);
    std::vector<int> changes;
};

}  // namespace

// --- parts and percent ---

TEST_F(KitProgressBarTest, PercentOfPartsRoundsHalfToEven)
{
    bar->SetTotalParts(8);
    bar->SetPartsComplete(1);
    bar->SetPartsComplete(3);
    bar->SetTotalParts(31);
    bar->SetPartsComplete(1);
    bar->SetTotalParts(7);
    bar->SetPartsComplete(7);
    EXPECT_EQ(changes, (std::vector<int>{12, 38, 0, 3, 0, 100}));
}

TEST_F(KitProgressBarTest, PartsAreClampedToTheTotal)
{
    bar->SetTotalParts(8);
    bar->SetPartsComplete(11);  // stepped past the end
    EXPECT_EQ(bar->PartsComplete(), 8u);
    bar->SetPartsComplete(bar->PartsComplete() + 1);
    EXPECT_EQ(bar->PartsComplete(), 8u);
    EXPECT_EQ(changes, (std::vector<int>{100}));

    bar->SetTotalParts(0xFFFFFFFFu);
    EXPECT_EQ(bar->TotalParts(), TKitCustomProgressBar::kMaxParts);
}

TEST_F(KitProgressBarTest, WithoutATotalThePercentStays)
{
    bar->SetPercent(40);
    changes.clear();
    bar->SetPartsComplete(5);
    EXPECT_EQ(bar->PartsComplete(), 0u);
    EXPECT_EQ(bar->Percent(), 40);
    EXPECT_TRUE(changes.empty());
}

TEST_F(KitProgressBarTest, ANewTotalStartsTheCountAgain)
{
    bar->SetTotalParts(4);
    bar->SetPartsComplete(2);
    changes.clear();
    bar->SetTotalParts(10);
    EXPECT_EQ(bar->PartsComplete(), 0u);
    bar->SetTotalParts(20);  // percent already 0: no change to report
    bar->SetTotalParts(20);
    EXPECT_EQ(changes, (std::vector<int>{0}));
}

TEST_F(KitProgressBarTest, SameValuesFireNothing)
{
    bar->SetTotalParts(31);
    bar->SetPartsComplete(0);
    EXPECT_TRUE(changes.empty());
    bar->SetPartsComplete(31);
    bar->SetPartsComplete(31);
    EXPECT_EQ(changes, (std::vector<int>{100}));
    bar->SetPercent(100);
    EXPECT_EQ(changes.size(), 1u);
}

// --- shape and styles ---

TEST_F(KitProgressBarTest, OrientationFollowsTheBounds)
{
    bar->SetBounds(0, 0, 21, 125);
    EXPECT_EQ(bar->Orientation(), orVertical);
    bar->SetOrientation(orHorizontal);  // until the next bounds change
    bar->SetWidth(20);
    EXPECT_EQ(bar->Orientation(), orVertical);
    bar->SetBounds(0, 0, 30, 30);
    EXPECT_EQ(bar->Orientation(), orHorizontal);
}

TEST_F(KitProgressBarTest, TheLEDStyleHidesTheTextAndAddsARing)
{
    bar->SetBarStyle(bsLED);
    EXPECT_FALSE(bar->ShowPercent());
    EXPECT_EQ(bar->InteriorOffset(), 1);
    bar->SetBarStyle(bsTraditional);
    EXPECT_TRUE(bar->ShowPercent());
    bar->SetBarColor(clRed);
    EXPECT_EQ(bar->Font().Color(), clRed);
    bar->SetNumSegments(0);
    EXPECT_EQ(bar->NumSegments(), 1);
}

TEST_F(KitProgressBarTest, TraditionalPixels)
{
    bar->SetTotalParts(2);
    bar->SetPartsComplete(1);
    Canvas c = Painted();
    // The lowered frame, two lines.
    EXPECT_EQ(c.pixel(0, 0), ResolveColor(clBtnShadow));
    EXPECT_EQ(c.pixel(123, 19), ResolveColor(cl3DLight));
    // Interior 121 wide: half of it is 60.5, which rounds to 60.
    for (int x = 2; x < 62; ++x) EXPECT_EQ(c.pixel(x, 3), kBar) << x;
    for (int x = 62; x < 123; ++x) EXPECT_EQ(c.pixel(x, 3), kWhite) << x;
    // The text shows in the back colour over the bar and in the bar colour over the rest (its pixels are
    // anti-aliased, so they are counted as what is not the part's own colour).
    const int fullArea = 60 * 17;
    const int emptyArea = 61 * 17;
    EXPECT_GT(Count(c, kWhite, 2, 2, 62, 19), 0);
    EXPECT_LT(Count(c, kBar, 2, 2, 62, 19) + Count(c, kWhite, 2, 2, 62, 19), fullArea);
    EXPECT_LT(Count(c, kWhite, 62, 2, 123, 19), emptyArea);

    bar->SetShowPercent(false);
    c = Painted();
    EXPECT_EQ(Count(c, kBar, 2, 2, 62, 19), fullArea);
    EXPECT_EQ(Count(c, kWhite, 62, 2, 123, 19), emptyArea);
}

TEST_F(KitProgressBarTest, TraditionalVerticalFillsFromTheBottom)
{
    bar->SetBounds(0, 0, 21, 125);
    bar->SetTotalParts(4);
    bar->SetPartsComplete(1);
    const Canvas c = Painted();
    // Interior 121 high: a quarter is 30.25 -> 30 rows from the bottom. The text stands in the middle.
    for (int y = 93; y < 123; ++y) EXPECT_EQ(c.pixel(3, y), kBar) << y;
    for (int y = 2; y < 50; ++y) EXPECT_EQ(c.pixel(3, y), kWhite) << y;
}

TEST_F(KitProgressBarTest, LEDPixels)
{
    bar->SetBarStyle(bsLED);
    bar->SetTotalParts(2);
    bar->SetPartsComplete(1);
    const Canvas c = Painted();
    // Ring at the interior's edge, then a bar 119 long: 23 segments of 5 after a margin of 2; 11 lit.
    EXPECT_EQ(c.pixel(4, 10), kWhite);
    for (int i = 1; i <= 23; ++i) {
        const int x = 5 * i;
        EXPECT_EQ(c.pixel(x, 10), kWhite) << i;  // each segment's outline
        EXPECT_EQ(c.pixel(x + 2, 10), i <= 11 ? kBar : kWhite) << i;
    }
    EXPECT_EQ(Count(c, kBar, 0, 0, 125, 21), 11 * 3 * 13);
}

TEST_F(KitProgressBarTest, GradientPixels)
{
    bar->SetBarStyle(bsGradient);
    bar->SetTotalParts(2);
    bar->SetPartsComplete(1);
    const Canvas c = Painted();
    // Centre gradient: the start colour at the top and bottom rows, the stop colour in the middle.
    EXPECT_TRUE(Near(c.pixel(5, 18), kBar));
    EXPECT_TRUE(Near(c.pixel(5, 10), ResolveColor(clHotLight)));
    EXPECT_TRUE(Near(c.pixel(120, 2), kWhite));
    EXPECT_TRUE(Near(c.pixel(120, 10), ResolveColor(clBtnFace)));
}

TEST_F(KitProgressBarTest, PictureOfTheStyles)
{
    Canvas sheet(300, 200, clBtnFace);
    int y = 10;
    for (const TBarStyle style : {bsTraditional, bsLED, bsGradient}) {
        bar->SetBounds(0, 0, 200, 24);
        bar->SetBarStyle(style);
        bar->SetTotalParts(8);
        bar->SetPartsComplete(3);
        Canvas c(bar->Width(), bar->Height());
        bar->PaintTo(c);
        sheet.draw(10, y, c.bitmap());
        y += 34;
    }
    bar->SetBounds(0, 0, 21, 125);
    bar->SetBarStyle(bsLED);
    Canvas v(bar->Width(), bar->Height());
    bar->PaintTo(v);
    sheet.draw(230, 10, v.bitmap());
    bar->SetBarStyle(bsTraditional);
    bar->SetBorderOuter(fsFlatRounded);
    bar->PaintTo(v);
    sheet.draw(260, 10, v.bitmap());
    testsupport::SavePicture(sheet.bitmap(), "kit_progress_bar");
    SUCCEED();
}
