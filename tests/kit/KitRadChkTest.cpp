#include "kit/KitRadChk.h"

#include "kit/KitPanel.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <string>
#include <type_traits>
#include <vector>

using ui::Canvas;
using ui::TRect;

// The page routines store and default ui::TRadioButton (and other button controls) only; the kit's radio
// button must never be taken for one.
static_assert(!std::is_base_of_v<ui::TButtonControl, TKitRadioButton>);
static_assert(!std::is_base_of_v<ui::TRadioButton, TKitRadioButton>);

namespace {

class KitRadChkTest : public ::testing::Test {
protected:
    KitRadChkTest()
    {
        form->SetBounds(0, 0, 400, 300);
        form->Show();
        box->SetBounds(0, 0, 300, 100);
        const char* captions[] = {"НО Альтоники записывать в НО  7QX3",
                                  "НО Альтоники записывать в номер раздела  7QX3",
                                  "НО - сумма НО Альтоники и НО 7QX3"};
        for (int i = 0; i < 3; ++i) {
            auto* r = ui::Create<TKitRadioButton>(form, "KitRadioButton" + std::to_string(i + 1), box);
            r->SetBounds(8, 8 + 20 * i, 280, 17);
            r->SetCaption(captions[i]);
            r->OnClick = [this, i](ui::TObject*) { clicks.push_back(i + 1); };
            radio[i] = r;
        }
    }

    Canvas Painted(ui::TCustomControl& control)
    {
        Canvas c(control.Width(), control.Height(), clFuchsia);
        control.PaintTo(c);
        return c;
    }

    int CheckedCount() const
    {
        int n = 0;
        for (const TKitRadioButton* r : radio) n += r->Checked() ? 1 : 0;
        return n;
    }

    ui::ApplicationScope scope;
    ui::Application& app = scope.App();
    ui::Driver user{app};
    ui::TForm* form = app.CreateForm<ui::TForm>("FormCommon");
    TKitGroupBox* box = ui::Create<TKitGroupBox>(form, "AltBox", form);
    ui::TEdit* edit = ui::Create<ui::TEdit>(form, "etO", form);
    TKitRadioButton* radio[3] = {};
    std::vector<int> clicks;
};

}  // namespace

// --- exclusivity and clicks ---

TEST_F(KitRadChkTest, CheckingOneUnchecksItsSiblingsAndOnlyItClicks)
{
    radio[0]->SetChecked(true);
    EXPECT_EQ(clicks, std::vector<int>{1});
    radio[2]->SetChecked(true);
    EXPECT_EQ(CheckedCount(), 1);
    EXPECT_EQ(clicks, (std::vector<int>{1, 3}));
    radio[2]->SetChecked(true);
    EXPECT_EQ(clicks.size(), 2u);
    radio[2]->SetChecked(false);
    EXPECT_EQ(CheckedCount(), 0);
}

TEST_F(KitRadChkTest, OnlyTheCheckedButtonIsATabStop)
{
    for (const TKitRadioButton* r : radio) EXPECT_FALSE(r->TabStop());
    radio[1]->SetChecked(true);
    radio[0]->SetChecked(true);
    EXPECT_TRUE(radio[0]->TabStop());
    EXPECT_FALSE(radio[1]->TabStop());
}

TEST_F(KitRadChkTest, AnotherContainerIsAnotherGroup)
{
    auto* other = ui::Create<TKitRadioButton>(form, "Other", form);
    auto* plain = ui::Create<ui::TRadioButton>(form, "rbPlain", box);
    other->SetChecked(true);
    plain->SetChecked(true);
    radio[0]->SetChecked(true);
    EXPECT_TRUE(other->Checked());
    EXPECT_TRUE(plain->Checked());
    auto orphan = ui::MakeUnowned<TKitRadioButton>("Orphan");
    EXPECT_NO_THROW(orphan->SetChecked(true));
    EXPECT_TRUE(radio[0]->Checked());
}

TEST_F(KitRadChkTest, AnActionLinkChecksWithoutAClick)
{
    radio[1]->SetSuppressClick(true);
    radio[1]->SetChecked(true);
    radio[1]->SetSuppressClick(false);
    EXPECT_TRUE(radio[1]->Checked());
    EXPECT_TRUE(clicks.empty());
}

// --- mouse ---

TEST_F(KitRadChkTest, AMousePressChecksOnlyOnAReleaseInside)
{
    user.MouseDown(*radio[1], ui::mbLeft, {}, 5, 5);
    EXPECT_TRUE(radio[1]->Focused());
    EXPECT_FALSE(radio[1]->Checked());
    user.MouseMove(*radio[1], {ui::ssLeft}, 300, 5);
    user.MouseUp(*radio[1], ui::mbLeft, {}, 300, 5);
    EXPECT_FALSE(radio[1]->Checked());
    user.MouseDown(*radio[1], ui::mbLeft, {}, 5, 5);
    user.MouseUp(*radio[1], ui::mbLeft, {}, 5, 5);
    EXPECT_TRUE(radio[1]->Checked());
    EXPECT_EQ(clicks, std::vector<int>{2});
    // A click on the checked button clicks nothing more.
    user.MouseDown(*radio[1], ui::mbLeft, {}, 5, 5);
    user.MouseUp(*radio[1], ui::mbLeft, {}, 5, 5);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(KitRadChkTest, ReadOnlySpreadsToTheGroupAndRefusesClicks)
{
    radio[0]->SetChecked(true);
    clicks.clear();
    radio[2]->SetReadOnly(true);
    for (const TKitRadioButton* r : radio) EXPECT_TRUE(r->ReadOnly());
    user.MouseDown(*radio[1], ui::mbLeft, {}, 5, 5);
    user.MouseUp(*radio[1], ui::mbLeft, {}, 5, 5);
    user.Focus(*radio[2]);
    EXPECT_TRUE(radio[0]->Checked());
    EXPECT_TRUE(clicks.empty());
}

// --- keyboard ---

TEST_F(KitRadChkTest, TabbingIntoAButtonChecksIt)
{
    user.Focus(*radio[2]);
    EXPECT_TRUE(radio[2]->Checked());
    EXPECT_EQ(clicks, std::vector<int>{3});
}

TEST_F(KitRadChkTest, TheSpaceBarNeitherChecksNorClicks)
{
    user.Focus(*edit);
    radio[0]->SetChecked(true);
    clicks.clear();
    user.PressKey(*radio[1], ui::VK_SPACE);
    user.ReleaseKey(*radio[1], ui::VK_SPACE);
    EXPECT_FALSE(radio[1]->Checked());
    EXPECT_TRUE(clicks.empty());
}

TEST_F(KitRadChkTest, TheDownArrowClicksTheFocusedButton)
{
    user.Focus(*radio[0]);
    clicks.clear();
    user.PressKey(*radio[0], ui::VK_DOWN);
    EXPECT_EQ(clicks, std::vector<int>{1});
    user.PressKey(*radio[0], ui::VK_DOWN, {ui::ssShift});
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(KitRadChkTest, TheAcceleratorFocusesAndChecks)
{
    radio[1]->SetCaption("&Номер раздела");
    EXPECT_TRUE(user.PressAccelerator(*form, U'н'));
    EXPECT_TRUE(radio[1]->Checked());
    // The group box's own accelerator comes first and hands the focus to its tab stop, the checked button.
    radio[2]->SetChecked(true);
    user.Focus(*edit);
    box->SetCaption("&Номер объекта");
    EXPECT_TRUE(user.PressAccelerator(*form, U'Н'));
    EXPECT_TRUE(radio[2]->Focused());
}

TEST_F(KitRadChkTest, EnterMovesOnWhenAskedTo)
{
    radio[0]->SetTabOnEnter(true);
    user.Focus(*radio[0]);
    std::vector<std::uint16_t> keys;
    radio[0]->OnKeyDown = [&](ui::TObject*, std::uint16_t& key, ui::TShiftState) { keys.push_back(key); };
    char32_t key = U'\r';
    radio[0]->KeyPress(key);
    EXPECT_EQ(key, 0u);
    user.Pump();
    EXPECT_EQ(keys, std::vector<std::uint16_t>{ui::VK_TAB});
    // The unchecked buttons are no tab stops: the focus goes on to the edit.
    EXPECT_TRUE(edit->Focused());
}

// --- glyph ---

TEST_F(KitRadChkTest, TheGlyphStandsByTheAlignment)
{
    TKitRadioButton* r = radio[0];
    EXPECT_EQ(r->GlyphPosition(), (ui::TPoint{0, 2}));
    r->SetAlignment(ui::taLeftJustify);
    EXPECT_EQ(r->GlyphPosition(), (ui::TPoint{280 - 13, 2}));
    r->SetAlignmentVertical(avCenter);
    r->SetHeight(30);
    EXPECT_EQ(r->GlyphPosition().Y, 8);
    r->SetAlignmentVertical(avBottom);
    EXPECT_EQ(r->GlyphPosition().Y, 15);
}

TEST_F(KitRadChkTest, CustomGlyphsFollowTheStripLayout)
{
    // Six 10 x 12 images, each a colour of its own: unchecked, checked, the two pressed, the two disabled.
    const TColor colours[6] = {0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006};
    Canvas strip(60, 12);
    for (int i = 0; i < 6; ++i) {
        strip.brush = ui::Brush::Solid(colours[i] * 0x20);
        strip.fillRect(ui::Bounds(i * 10, 0, 10, 12));
    }
    TKitRadioButton* r = radio[0];
    r->SetCustomGlyphs(strip.bitmap());
    EXPECT_EQ(r->GlyphWidth(), 10);
    const auto shown = [&] { return Painted(*r).pixel(5, 8); };
    EXPECT_EQ(shown(), colours[0] * 0x20);
    r->SetChecked(true);
    EXPECT_EQ(shown(), colours[1] * 0x20);
    user.MouseDown(*r, ui::mbLeft, {}, 5, 5);
    EXPECT_EQ(shown(), colours[3] * 0x20);
    user.MouseUp(*r, ui::mbLeft, {}, 5, 5);
    r->SetEnabled(false);
    EXPECT_EQ(shown(), colours[5] * 0x20);
    r->SetCustomGlyphs(ui::Bitmap());
    EXPECT_EQ(r->GlyphWidth(), 13);
    r->SetUseCustomGlyphs(true);
    EXPECT_FALSE(r->UseCustomGlyphs());
}

TEST_F(KitRadChkTest, TheCheckedGlyphHasItsDot)
{
    const Canvas off = Painted(*radio[0]);
    radio[0]->SetChecked(true);
    const Canvas on = Painted(*radio[0]);
    EXPECT_NE(off.pixel(6, 8), on.pixel(6, 8));
    EXPECT_EQ(on.pixel(0, 2), ui::ResolveColor(radio[0]->Color()));  // the square's corner is the background
}

TEST_F(KitRadChkTest, TheFocusRectangleStaysWithinTheText)
{
    TKitRadioButton* r = radio[0];
    r->SetCaption("Да");
    user.Focus(*r);
    const auto lastDot = [&](const Canvas& c) {
        int last = -1;
        for (int x = 0; x < c.width(); ++x)
            if (c.pixel(x, 0) == 0) last = x;
        return last;
    };
    Canvas probe(0, 0);
    probe.font = CanvasFont(r->Font());
    const int right = 17 + probe.textWidth("Да") + 3;
    EXPECT_LT(lastDot(Painted(*r)), right);
    EXPECT_GE(lastDot(Painted(*r)), right - 2);
    r->SetCaption(std::string(80, 'W'));
    EXPECT_LT(lastDot(Painted(*r)), r->Width());
}

TEST_F(KitRadChkTest, AFrameControllerGivesTheHotTrackLook)
{
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    controller->SetFrameColor(0x00AA5500);
    radio[0]->SetFrameController(controller);
    EXPECT_TRUE(radio[0]->HotTrack());
    controller->SetFrameColor(0x00112233);
    EXPECT_EQ(radio[0]->FrameColor(), 0x00112233u);
    EXPECT_TRUE(radio[0]->ReadObsoleteProperty("Flat", false));
    EXPECT_FALSE(radio[0]->HotTrack());
}

TEST_F(KitRadChkTest, PictureOfTheStates)
{
    radio[1]->SetChecked(true);
    radio[2]->SetHotTrack(true);
    radio[2]->SetEnabled(false);
    Canvas picture(box->Width(), box->Height());
    picture.draw(0, 0, Painted(*box).bitmap());
    for (TKitRadioButton* r : radio) picture.draw(r->Left(), r->Top(), Painted(*r).bitmap());
    testsupport::SavePicture(picture.bitmap(), "kit_radio_buttons");
}
