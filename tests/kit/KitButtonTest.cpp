#include "kit/KitButton.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using ui::Canvas;
using ui::TRect;

namespace {

class KitButtonTest : public ::testing::Test {
protected:
    KitButtonTest()
    {
        form->SetBounds(0, 0, 300, 200);
        form->Show();
        ok->SetKind(ui::bkOK);
        cancel->SetKind(ui::bkCancel);
        ok->OnClick = [this](ui::TObject*) { clicks.push_back("ok"); };
        cancel->OnClick = [this](ui::TObject*) { clicks.push_back("cancel"); };
    }

    Canvas Painted(ui::TCustomControl& control)
    {
        Canvas c(control.Width(), control.Height(), clFuchsia);
        control.PaintTo(c);
        return c;
    }

    void Press(ui::TControl& c, int x, int y) { user.MouseDown(c, ui::mbLeft, {}, x, y); }
    void Release(ui::TControl& c, int x, int y) { user.MouseUp(c, ui::mbLeft, {}, x, y); }

    ui::ApplicationScope scope;
    ui::Application& app = scope.App();
    ui::Driver user{app};
    ui::TForm* form = app.CreateForm<ui::TForm>("Dialog");
    ui::TEdit* edit = ui::Create<ui::TEdit>(form, "Edit1", form);
    TKitBitBtn* ok = ui::Create<TKitBitBtn>(form, "OkBtn", form);
    TKitBitBtn* cancel = ui::Create<TKitBitBtn>(form, "CancelBtn", form);
    std::vector<std::string> clicks;
};

// Pixels of a painted canvas within a rectangle that satisfy the test.
template <class F>
int Count(const Canvas& c, const TRect& r, F&& test)
{
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) n += test(c.pixel(x, y)) ? 1 : 0;
    return n;
}

}  // namespace

// --- mouse ---

TEST_F(KitButtonTest, AReleaseInsideClicksAndTakesTheFocus)
{
    Press(*ok, 10, 10);
    EXPECT_TRUE(ok->Focused());
    EXPECT_TRUE(clicks.empty());
    Release(*ok, 10, 10);
    EXPECT_EQ(clicks, std::vector<std::string>{"ok"});
    EXPECT_EQ(form->ModalResult(), ui::mrOk);
}

TEST_F(KitButtonTest, DraggingOutReleasesTheLookAndDraggingBackPressesAgain)
{
    Press(*ok, 10, 10);
    user.MouseMove(*ok, {ui::ssLeft}, 75, 10);
    EXPECT_FALSE(ok->Pressed());
    user.MouseMove(*ok, {ui::ssLeft}, 74, 24);
    EXPECT_TRUE(ok->Pressed());
    user.MouseMove(*ok, {ui::ssLeft}, 10, -1);
    EXPECT_FALSE(ok->Pressed());
    Release(*ok, 10, -1);
    EXPECT_TRUE(clicks.empty());
    // A later release without a press clicks nothing either.
    Release(*ok, 10, 10);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(KitButtonTest, TheRightButtonAndADisabledButtonNeverClick)
{
    user.MouseDown(*ok, ui::mbRight, {}, 10, 10);
    EXPECT_FALSE(ok->Pressed());
    user.MouseUp(*ok, ui::mbRight, {}, 10, 10);
    ok->SetEnabled(false);
    Press(*ok, 10, 10);
    Release(*ok, 10, 10);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(KitButtonTest, HotTrackFollowsThePointerAndChangesTheLook)
{
    ok->SetHotTrack(true);
    const Canvas cold = Painted(*ok);
    user.MouseEnter(*ok);
    const Canvas hot = Painted(*ok);
    // The hot ring lies just inside the frame; the face within it stays.
    EXPECT_NE(hot.pixel(2, 12), cold.pixel(2, 12));
    EXPECT_GT(ui::RedOf(hot.pixel(3, 12)), ui::BlueOf(hot.pixel(3, 12)) + 0x20);
    EXPECT_EQ(hot.pixel(5, 12), cold.pixel(5, 12));
    user.MouseLeave(*ok);
    EXPECT_EQ(Painted(*ok).bitmap(), cold.bitmap());
}

// --- keyboard ---

TEST_F(KitButtonTest, EnterPressesTheActiveButtonAndEscapeTheCancelButton)
{
    user.Focus(*edit);
    user.PressKey(*edit, ui::VK_RETURN);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(clicks, (std::vector<std::string>{"ok", "cancel"}));
    user.PressKey(*edit, ui::VK_RETURN, {ui::ssShift});
    user.PressKey(*edit, ui::VK_ESCAPE, {ui::ssShift});
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(KitButtonTest, TheFocusedButtonTakesOverEnter)
{
    user.Focus(*cancel);
    user.PressKey(*cancel, ui::VK_RETURN);
    EXPECT_EQ(clicks, std::vector<std::string>{"cancel"});
    user.Focus(*edit);
    ok->SetDefault(false);
    user.PressKey(*edit, ui::VK_RETURN);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(KitButtonTest, TheSpaceBarClicksOnItsRelease)
{
    user.Focus(*ok);
    user.PressKey(*ok, ui::VK_SPACE);
    EXPECT_TRUE(clicks.empty());
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks, std::vector<std::string>{"ok"});
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks.size(), 1u);
    // Leaving the button with the bar held drops the press.
    user.PressKey(*ok, ui::VK_SPACE);
    user.Focus(*edit);
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(KitButtonTest, TheAcceleratorClicks)
{
    auto* help = ui::Create<TKitBitBtn>(form, "HelpBtn", form);
    help->SetKind(ui::bkHelp);
    int helps = 0;
    help->OnClick = [&](ui::TObject*) { ++helps; };
    EXPECT_TRUE(user.PressAccelerator(*form, U'H'));
    EXPECT_EQ(helps, 1);
    EXPECT_FALSE(user.PressAccelerator(*form, U'x'));
    EXPECT_TRUE(IsAccel(U'\u043D', "&Номер"));
    EXPECT_FALSE(IsAccel(U'a', "A&&B"));
}

// --- results and groups ---

TEST_F(KitButtonTest, TheModalResultIsSetBeforeOnClickRuns)
{
    auto* plain = ui::Create<TKitButton>(form, "Plain", form);
    plain->SetModalResult(ui::mrCancel);
    ui::TModalResult seen = ui::mrNone;
    plain->OnClick = [&](ui::TObject*) { seen = form->ModalResult(); };
    Press(*plain, 5, 5);
    Release(*plain, 5, 5);
    EXPECT_EQ(seen, ui::mrCancel);
}

TEST_F(KitButtonTest, AGroupKeepsOneButtonDown)
{
    auto* a = ui::Create<TKitButton>(form, "A", form);
    auto* b = ui::Create<TKitButton>(form, "B", form);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    Press(*a, 5, 5);
    Release(*a, 5, 5);
    Press(*a, 5, 5);
    Release(*a, 5, 5);
    EXPECT_TRUE(a->Down());
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    b->SetAllowAllUp(true);
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    auto* plain = ui::Create<TKitButton>(form, "Plain", form);
    plain->SetDown(true);
    EXPECT_FALSE(plain->Down()) << "a button outside any group is never down";
}

// --- kinds and glyphs ---

TEST_F(KitButtonTest, AKindSetsCaptionResultAndDefault)
{
    auto* b = ui::Create<TKitBitBtn>(form, "B", form);
    b->SetKind(ui::bkOK);
    EXPECT_EQ(b->Caption(), "OK");
    EXPECT_EQ(b->NumGlyphs(), 2);
    b->SetModalResult(ui::mrAbort);
    EXPECT_EQ(b->Kind(), ui::bkCustom);
    b->SetModalResult(ui::mrOk);
    EXPECT_EQ(b->Kind(), ui::bkCustom);
    b->SetKind(ui::bkNo);
    EXPECT_TRUE(b->Cancel());
    EXPECT_FALSE(b->Default());
}

TEST_F(KitButtonTest, TheGlyphStripSetsTheNumberOfImages)
{
    auto* b = ui::Create<TKitBitBtn>(form, "B", form);
    b->SetGlyph(ui::Bitmap(64, 16));
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetGlyph(ui::Bitmap(80, 16));
    EXPECT_EQ(b->NumGlyphs(), 1);
    b->SetNumGlyphs(3);
    b->SetGlyph(ui::Bitmap(50, 16));
    EXPECT_EQ(b->NumGlyphs(), 3);
    b->SetMargin(-2);
    EXPECT_EQ(b->Margin(), 2);
}

TEST_F(KitButtonTest, TheGlyphStandsBesideTheCaption)
{
    auto* b = ui::Create<TKitBitBtn>(form, "B", form);
    b->SetKind(ui::bkOK);
    TRect glyph;
    b->GetGlyphRect(glyph);
    b->SetLayout(blGlyphRight);
    b->GetGlyphRect(glyph);
    EXPECT_EQ(glyph, ui::Bounds(70 - 2 - 16, 5, 16, 16));
    b->SetLayout(blGlyphLeft);
    Press(*b, 5, 5);
    b->GetGlyphRect(glyph);
    EXPECT_EQ(glyph, ui::Bounds(8, 6, 16, 16));
    Release(*b, 5, 5);
    // The glyph's normal image is drawn with its key colour left out.
    const Canvas c = Painted(*b);
    EXPECT_EQ(Count(c, ui::Bounds(7, 5, 16, 16), [](TColor p) { return p == 0x008080u; }), 0);
    EXPECT_GT(Count(c, ui::Bounds(7, 5, 16, 16), [](TColor p) { return ui::GreenOf(p) > 0x60 && ui::RedOf(p) < 0x40; }), 0);
    // The hot-track face shows a press by its colour alone: the glyph stays put.
    b->SetHotTrack(true);
    b->GetGlyphRect(glyph);
    const TRect resting = glyph;
    Press(*b, 5, 5);
    b->GetGlyphRect(glyph);
    EXPECT_EQ(glyph, resting);
}

TEST_F(KitButtonTest, ScalingScalesMarginAndSpacing)
{
    ok->ChangeScale(120, 96);
    EXPECT_EQ(ok->Margin(), 3);
    EXPECT_EQ(ok->Spacing(), 5);
}

// --- painting ---

TEST_F(KitButtonTest, ADisabledCaptionIsGreyInEveryTextStyle)
{
    auto* b = ui::Create<TKitButton>(form, "B", form);
    b->SetCaption("WWW");
    b->Font().SetColor(clRed);
    b->SetTextShadowColor(clBlue);
    b->SetTextHighlightColor(clLime);
    b->SetEnabled(false);
    const auto grey = [](TColor p) {
        const int r = int(ui::RedOf(p)), g = int(ui::GreenOf(p)), b = int(ui::BlueOf(p));
        return r < 0xB0 && std::abs(r - g) < 8 && std::abs(g - b) < 8;
    };
    for (const TTextStyle style : {tsNormal, tsRaised, tsRecessed, tsShadow}) {
        b->SetTextStyle(style);
        const Canvas c = Painted(*b);
        const TRect inside = ui::Rect(3, 3, 72, 22);
        EXPECT_GT(Count(c, inside, grey), 10) << style;
        EXPECT_EQ(Count(c, inside, [](TColor p) { return std::max({ui::RedOf(p), ui::GreenOf(p), ui::BlueOf(p)}) > 0xC0 &&
                                                          std::min({ui::RedOf(p), ui::GreenOf(p), ui::BlueOf(p)}) < 0x40; }),
                  0) << style;
    }
    b->SetEnabled(true);
    b->SetTextStyle(tsShadow);
    EXPECT_GT(Count(Painted(*b), ui::Rect(3, 3, 72, 22), [](TColor p) { return ui::BlueOf(p) > 0xC0 && ui::RedOf(p) < 0x40; }), 0);
}

TEST_F(KitButtonTest, TheDefaultButtonWearsTheWindowFrame)
{
    const TColor frame = ui::ResolveColor(clWindowFrame);
    EXPECT_EQ(Painted(*ok).pixel(0, 12), frame);
    EXPECT_NE(Painted(*cancel).pixel(0, 12), frame);
}

TEST_F(KitButtonTest, AnUpGroupButtonStandsRaisedAndADownOneShowsTheCheckerPattern)
{
    auto* b = ui::Create<TKitButton>(form, "B", form);
    b->SetGroupIndex(2);
    b->SetColor(0x40A040);
    EXPECT_EQ(Painted(*b).pixel(0, 0), LighterColor(0x40A040, 100));
    b->SetDown(true);
    const Canvas c = Painted(*b);
    EXPECT_NE(c.pixel(10, 10), c.pixel(11, 10));
    EXPECT_EQ(c.pixel(10, 10), c.pixel(11, 11));
}

TEST_F(KitButtonTest, PictureOfTheLooks)
{
    auto* hot = ui::Create<TKitBitBtn>(form, "Hot", form);
    hot->SetKind(ui::bkHelp);
    hot->SetHotTrack(true);
    auto* group = ui::Create<TKitButton>(form, "Group", form);
    group->SetCaption("Down");
    group->SetGroupIndex(1);
    group->SetDown(true);
    auto* styled = ui::Create<TKitButton>(form, "Styled", form);
    styled->SetCaption("Raised");
    styled->SetTextStyle(tsRaised);
    Canvas picture(4 * 80, 30, ui::ResolveColor(clBtnFace));
    int x = 2;
    for (ui::TCustomControl* c : std::initializer_list<ui::TCustomControl*>{ok, hot, group, styled}) {
        picture.draw(x, 2, Painted(*c).bitmap());
        x += 80;
    }
    user.MouseEnter(*hot);
    testsupport::SavePicture(picture.bitmap(), "kit_buttons");
}
