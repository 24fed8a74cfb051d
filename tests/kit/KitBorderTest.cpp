// The dial window's LED display scrolls the number on its timer and says when a pass is complete. Its
// dots, font and frames are held by KitPicturesTest.
#include "KitStage.h"

TEST_F(KitTest, TheDialNumberScrollsAndWrapsAfter153Ticks)
{
    auto* led = Make<TKitLEDDisplay>(243, 30);
    led->SetScrolling(true);
    int completions = 0;
    led->OnScrollComplete = [&](ui::TObject*) { ++completions; };
    led->SetCaption("891612345678");
    EXPECT_EQ(led->ScrollLength(), 12 * 18 + 243);
    user.Advance(152 * 100);
    EXPECT_EQ(std::pair(completions, led->ScrollOffset()), std::pair(0, 152 * 3));
    user.Advance(100);
    EXPECT_EQ(std::pair(completions, led->ScrollOffset()), std::pair(1, 0));
    led->SetScrolling(false);
    EXPECT_FALSE(led->TimerEnabled());
}
