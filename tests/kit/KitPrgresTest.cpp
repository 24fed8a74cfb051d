// The progress bar counts parts: the percentage it derives and the events it fires as the pages and the
// firmware upload step it. Its looks are held by KitPicturesTest.
#include "KitStage.h"

TEST_F(KitTest, AProgressBarsPercentOfPartsRoundsHalfToEvenAndFiresOnChanges)
{
    auto* bar = Make<TKitProgressBar>(125, 21);
    std::vector<int> changes;
    bar->OnChange = [&](ui::TObject* sender, int percent) {
        EXPECT_EQ(sender, bar);
        changes.push_back(percent);
    };
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
