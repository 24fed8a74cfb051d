// The LED display's text and its scrolling on the timer. Its dots, font and frames are held by
// KitPicturesTest.
#include "KitStage.h"

namespace {

class KitLEDDisplayTest : public KitTest {
protected:
    TKitLEDDisplay* led = Make<TKitLEDDisplay>(100, 30);
};

}  // namespace

TEST_F(KitLEDDisplayTest, CaptionIsShownInItsSingleByteCodes)
{
    led->SetCaption("Жz\t\u00e9\u0401");
    EXPECT_EQ(led->Codes(), (std::vector<std::uint8_t>{0xC6, 'z', 127, 127, 0xA8}));
    EXPECT_EQ(std::pair(led->GetDotColor('1', 2, 6), led->GetDotColor('1', 5, 0)), std::pair(TColor{clLime}, TColor{0x003300}));
}

TEST_F(KitLEDDisplayTest, DialNumberWrapsAfter153Ticks)
{
    led->SetBounds(30, 43, 243, 30);
    led->SetScrolling(true);
    int completions = 0;
    led->OnScrollComplete = [&](ui::TObject*) { ++completions; };
    led->SetCaption("891612345678");
    EXPECT_EQ(led->ScrollLength(), 12 * 18 + 243);
    user.Advance(152 * 100);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(led->ScrollOffset(), 152 * 3);
    user.Advance(100);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(led->ScrollOffset(), 0);
}

TEST_F(KitLEDDisplayTest, ScrollSwitchesDriveTheTimer)
{
    int completions = 0;
    led->OnScrollComplete = [&](ui::TObject*) { ++completions; };
    EXPECT_FALSE(led->TimerEnabled());
    led->SetScrolling(true);
    user.Advance(500);
    EXPECT_EQ(led->ScrollOffset(), 15);
    led->SetCaption("12");  // a new text keeps the offset
    EXPECT_EQ(led->ScrollOffset(), 15);
    led->SetCaption("");
    user.Advance(29 * 100);  // an empty text scrolls the display's width: from 15 to 102
    EXPECT_EQ(completions, 1);
    led->SetScrolling(false);
    EXPECT_FALSE(led->TimerEnabled());
    EXPECT_EQ(led->ScrollOffset(), 0);
    led->SetScrollType(stNone);
    led->SetScrollType(stLeftToRight);  // starts the timer although the text stands still
    EXPECT_TRUE(led->TimerEnabled());
    led->SetScrollDelay(50);
    user.Advance(100);
    EXPECT_EQ(led->ScrollOffset(), 6);
}
