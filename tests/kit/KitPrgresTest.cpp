// The progress bar counts parts: the percentage it derives, the events it fires and the shape that sets
// its orientation. Its looks are held by KitPicturesTest.
#include "KitStage.h"

namespace {

class KitProgressBarTest : public KitTest {
protected:
    KitProgressBarTest()
    {
        bar->OnChange = [this](ui::TObject* sender, int percent) {
            EXPECT_EQ(sender, bar);
            changes.push_back(percent);
        };
    }

    TKitProgressBar* bar = Make<TKitProgressBar>(125, 21);
    std::vector<int> changes;
};

}  // namespace

TEST_F(KitProgressBarTest, PercentOfPartsRoundsHalfToEvenAndFiresOnChanges)
{
    // (total, complete) steps as the pages and the firmware upload make them.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> steps = {
        {8, 1}, {8, 3}, {8, 3}, {31, 0}, {31, 1}, {7, 7}, {7, 7}, {7, 8}, {4, 2}, {10, 0}, {20, 0}};
    for (const auto& [total, complete] : steps) {
        bar->SetTotalParts(total);
        bar->SetPartsComplete(complete);
    }
    EXPECT_EQ(changes, (std::vector<int>{12, 38, 0, 3, 0, 100, 0, 50, 0}));
    EXPECT_EQ(bar->PartsComplete(), 0u);
    bar->SetTotalParts(8);
    bar->SetPartsComplete(11);  // stepped past the end
    bar->SetPartsComplete(bar->PartsComplete() + 1);
    EXPECT_EQ(bar->PartsComplete(), 8u);
    EXPECT_EQ(changes.back(), 100);
    bar->SetTotalParts(0xFFFFFFFFu);
    EXPECT_EQ(bar->TotalParts(), TKitCustomProgressBar::kMaxParts);
}

TEST_F(KitProgressBarTest, WithoutATotalThePercentStays)
{
    bar->SetPercent(40);
    bar->SetPercent(40);
    bar->SetPartsComplete(5);
    EXPECT_EQ(bar->PartsComplete(), 0u);
    EXPECT_EQ(bar->Percent(), 40);
    EXPECT_EQ(changes, std::vector<int>{40});
}

TEST_F(KitProgressBarTest, OrientationFollowsTheShapeAndStylesTheirText)
{
    bar->SetBounds(0, 0, 21, 125);
    EXPECT_EQ(bar->Orientation(), orVertical);
    bar->SetOrientation(orHorizontal);  // until the next bounds change
    bar->SetWidth(20);
    EXPECT_EQ(bar->Orientation(), orVertical);
    bar->SetBounds(0, 0, 30, 30);
    EXPECT_EQ(bar->Orientation(), orHorizontal);
    bar->SetBarStyle(bsLED);
    EXPECT_EQ(std::pair(bar->ShowPercent(), int(bar->InteriorOffset())), std::pair(false, 1));
    bar->SetBarStyle(bsGradient);
    EXPECT_EQ(std::pair(bar->ShowPercent(), int(bar->InteriorOffset())), std::pair(true, 0));
    bar->SetBarColor(clRed);
    EXPECT_EQ(bar->Font().Color(), clRed);
    bar->SetNumSegments(0);
    EXPECT_EQ(bar->NumSegments(), 1);
}
