#include "kit/KitBorder.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/support/Pictures.h"

#include <array>
#include <bitset>
#include <set>

using ui::TRect;

namespace {

constexpr TColor kLit = clLime;
constexpr TColor kUnlit = 0x003300;

std::array<std::uint8_t, 5> Glyph(int code)
{
    std::array<std::uint8_t, 5> g{};
    for (int c = 0; c < 5; ++c) g[static_cast<std::size_t>(c)] = LEDFontTable()[static_cast<std::size_t>((code - 32) * 5 + c)];
    return g;
}

class KitLEDDisplayTest : public ::testing::Test {
protected:
    KitLEDDisplayTest() { form->Show(); }

    ui::Canvas Painted(TKitBorder& control, TColor fill = clFuchsia)
    {
        ui::Canvas c(control.Width(), control.Height(), fill);
        control.PaintTo(c);
        return c;
    }

    // The inside colour of the dot (column, row) of the cell whose left edge is at client x.
    TColor Dot(const ui::Canvas& c, const TKitLEDDisplay& led, int cellX, int column, int row)
    {
        const TRect client = led.ClientRect();
        const int ch = 7 * led.DotSize() + 6 * led.Gap();
        const int top = (client.Height() - ch) / 2;
        return c.pixel(client.Left + cellX + column * led.Pitch() + 1, client.Top + top + row * led.Pitch() + 1);
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "FormDial");
    TKitLEDDisplay* led = ui::Create<TKitLEDDisplay>(form, "KitLEDDisplay1", form);
};

}  // namespace

// --- geometry ---

TEST_F(KitLEDDisplayTest, DotSizeFollowsTheClientHeight)
{
    EXPECT_EQ(led->ClientRect(), ui::Rect(1, 1, 99, 29));
    EXPECT_EQ(led->DotSize(), 3);
    EXPECT_EQ(led->Gap(), 0);
    led->SetHeight(90);
    EXPECT_EQ(led->DotSize(), 11);
    EXPECT_EQ(led->Pitch(), 12);
    led->SetHeight(12);
    EXPECT_EQ(led->DotSize(), 1);
    led->SetHeight(30);
    led->SetBorderWidth(4);  // client height 20
    EXPECT_EQ(led->DotSize(), 2);
}

TEST_F(KitLEDDisplayTest, BorderClientRectBecomesEmptyWhenTheFrameFillsIt)
{
    auto* border = ui::Create<TKitBorder>(form, "B", form);
    border->SetBorderSides(sdLeft | sdTop);
    border->SetBorderInner(fsFlat);
    EXPECT_EQ(border->ClientRect(), ui::Rect(3, 3, 50, 50));
    border->SetBorderWidth(30);
    EXPECT_EQ(border->ClientRect(), TRect{});
}

// --- character generator ---

TEST_F(KitLEDDisplayTest, FixedGlyphsHaveTheirRows)
{
    const std::vector<std::pair<int, std::array<std::uint8_t, 5>>> fixed = {
        {32, {0x00, 0x00, 0x00, 0x00, 0x00}}, {35, {0x28, 0x7C, 0x28, 0x7C, 0x28}},
        {42, {0x54, 0x38, 0xFE, 0x38, 0x54}}, {43, {0x10, 0x10, 0x7C, 0x10, 0x10}},
        {45, {0x10, 0x10, 0x10, 0x10, 0x10}}, {48, {0x7C, 0x8A, 0x92, 0xA2, 0x7C}},
        {49, {0x00, 0x42, 0xFE, 0x02, 0x00}}, {50, {0x46, 0x8A, 0x92, 0x92, 0x62}},
        {51, {0x44, 0x92, 0x92, 0x92, 0x6C}}, {52, {0xF0, 0x10, 0x10, 0x10, 0xFE}},
        {53, {0xF4, 0x92, 0x92, 0x92, 0x8C}}, {54, {0x7C, 0x92, 0x92, 0x92, 0x4C}},
        {55, {0xC0, 0x80, 0x8E, 0x90, 0xE0}}, {56, {0x6C, 0x92, 0x92, 0x92, 0x6C}},
        {57, {0x64, 0x92, 0x92, 0x92, 0x7C}}, {65, {0x7E, 0x90, 0x90, 0x90, 0x7E}},
        {127, {0x00, 0x7C, 0x7C, 0x7C, 0x00}}, {160, {0x00, 0x7C, 0x7C, 0x7C, 0x00}},
    };
    for (const auto& [code, rows] : fixed) EXPECT_EQ(Glyph(code), rows) << "code " << code;
}

TEST_F(KitLEDDisplayTest, UpperControlCodesAreBlocksOrBlank)
{
    using Columns = std::array<std::uint8_t, 5>;
    const Columns block{0x00, 0x7C, 0x7C, 0x7C, 0x00};
    const Columns empty{};
    const std::set<int> blank{128, 133, 134, 145, 146, 153};
    for (int code = 128; code <= 160; ++code)
        EXPECT_EQ(Glyph(code), blank.count(code) ? empty : block) << "code " << code;
}

TEST_F(KitLEDDisplayTest, EveryPrintableGlyphIsDrawnAndDistinct)
{
    using Columns = std::array<std::uint8_t, 5>;
    const Columns empty{};
    std::set<Columns> seen;
    for (int code = 33; code <= 255; ++code) {
        const auto g = Glyph(code);
        for (std::uint8_t column : g) EXPECT_EQ(column & 1, 0) << "code " << code;  // there is no eighth row
        if ((code >= 127 && code <= 160) || code == 173) continue;
        EXPECT_NE(g, empty) << "code " << code;
        EXPECT_TRUE(seen.insert(g).second) << "code " << code << " repeats another glyph";
    }
}

TEST_F(KitLEDDisplayTest, CaptionIsShownInItsSingleByteCodes)
{
    led->SetCaption("Жz\t\u00e9\u0401");
    EXPECT_EQ(led->Codes(), (std::vector<std::uint8_t>{0xC6, 'z', 127, 127, 0xA8}));
    EXPECT_EQ(led->GetDotColor('1', 2, 6), kLit);
    EXPECT_EQ(led->GetDotColor('1', 5, 0), kUnlit);
}

// --- painting ---

TEST_F(KitLEDDisplayTest, DotsAreSquaresOutlinedInTheBackColour)
{
    led->SetCaption("1");
    const ui::Canvas c = Painted(*led);
    // Cell top: (28 - 21) div 2 = 3 below the client top.
    for (int row = 0; row < 7; ++row) EXPECT_EQ(Dot(c, *led, 0, 2, row), kLit) << row;
    EXPECT_EQ(Dot(c, *led, 0, 0, 0), kUnlit);
    EXPECT_EQ(c.pixel(1 + 6, 1 + 3), clBlack);  // the outline between two dots
    EXPECT_EQ(c.pixel(1 + 7, 1 + 4), kLit);
    EXPECT_EQ(Dot(c, *led, 18, 2, 0), kUnlit);  // the next cell is blank
    EXPECT_EQ(c.pixel(0, 0), ui::ResolveColor(clBtnShadow));
}

TEST_F(KitLEDDisplayTest, AlignmentPlacesTheText)
{
    led->SetCaption("1");
    led->SetAlignment(ui::taRightJustify);
    ui::Canvas c = Painted(*led);
    EXPECT_EQ(Dot(c, *led, 98 - 18, 2, 3), kLit);
    led->SetAlignment(ui::taCenter);
    c = Painted(*led);
    EXPECT_EQ(Dot(c, *led, (98 - 18) / 2, 2, 3), kLit);
    // The blank grid lines up with the centred text.
    EXPECT_EQ(Dot(c, *led, (98 - 18) / 2 - 18, 0, 0), kUnlit);
}

TEST_F(KitLEDDisplayTest, TooLowDisplayShowsOnlyItsFrame)
{
    led->SetHeight(9);
    led->SetCaption("8");
    const ui::Canvas c = Painted(*led, clFuchsia);
    EXPECT_EQ(c.pixel(0, 0), ui::ResolveColor(clBtnShadow));
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 99; ++x) ASSERT_EQ(c.pixel(x, y), clFuchsia);
}

// --- scrolling ---

TEST_F(KitLEDDisplayTest, DialNumberWrapsAfter153Ticks)
{
    led->SetBounds(30, 43, 243, 30);
    led->SetScrolling(true);
    int completions = 0;
    led->OnScrollComplete = [&](ui::TObject*) { ++completions; };
    led->SetCaption("891612345678");
    EXPECT_EQ(led->ScrollLength(), 12 * 18 + 243);
    // The text enters on the dot grid at the right edge (x = 240), one pitch a tick.
    EXPECT_EQ(Dot(Painted(*led), *led, 237, 0, 1), kUnlit);
    driver.Advance(100);
    EXPECT_EQ(Dot(Painted(*led), *led, 237, 0, 1), kLit);  // the left stroke of "8"
    driver.Advance(151 * 100);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(led->ScrollOffset(), 152 * 3);
    driver.Advance(100);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(led->ScrollOffset(), 0);
}

TEST_F(KitLEDDisplayTest, EmptyCaptionCompletesEveryWidthOfTicks)
{
    int completions = 0;
    led->OnScrollComplete = [&](ui::TObject*) { ++completions; };
    led->SetScrolling(true);
    driver.Advance(34 * 100);  // ceil(100 / 3)
    EXPECT_EQ(completions, 1);
}

TEST_F(KitLEDDisplayTest, ScrollSwitchesDriveTheTimer)
{
    EXPECT_FALSE(led->TimerEnabled());
    led->SetScrolling(true);
    driver.Advance(500);
    EXPECT_EQ(led->ScrollOffset(), 15);
    led->SetCaption("12");  // a new text keeps the offset
    EXPECT_EQ(led->ScrollOffset(), 15);
    led->SetScrolling(false);
    EXPECT_FALSE(led->TimerEnabled());
    EXPECT_EQ(led->ScrollOffset(), 0);
    led->SetScrollType(stNone);
    led->SetScrollType(stLeftToRight);  // starts the timer although the text stands still
    EXPECT_TRUE(led->TimerEnabled());
    led->SetScrollDelay(50);
    driver.Advance(100);
    EXPECT_EQ(led->ScrollOffset(), 6);
}

TEST_F(KitLEDDisplayTest, StillTextStandsAtTheLeftAndLeftToRightTextEntersThere)
{
    led->SetCaption("1");
    led->SetAlignment(ui::taRightJustify);
    led->SetScrolling(true);
    led->SetScrollType(stNone);
    driver.Advance(300);
    EXPECT_EQ(Dot(Painted(*led), *led, 0, 2, 3), kLit);

    auto* other = ui::Create<TKitLEDDisplay>(form, "Other", form);
    other->SetCaption("1");
    other->SetScrollType(stLeftToRight);
    other->SetScrolling(true);
    driver.Advance(100 * 6);  // one cell in
    EXPECT_EQ(Dot(Painted(*other), *other, 0, 2, 3), kLit);
}

TEST_F(KitLEDDisplayTest, Pictures)
{
    auto* border = ui::Create<TKitBorder>(form, "B", form);
    border->SetBorderWidth(3);
    border->SetBorderInner(fsLowered);
    testsupport::SavePicture(Painted(*border, clWhite).bitmap(), "KitBorder");
    led->SetBounds(0, 0, 243, 30);
    led->SetCaption("+7 916 123-45-67");
    testsupport::SavePicture(Painted(*led).bitmap(), "KitLEDDisplay_dial");
    led->SetHeight(90);
    led->SetCaption("Sorvel 0#*A");
    testsupport::SavePicture(Painted(*led).bitmap(), "KitLEDDisplay_large");
    std::string all;
    for (int code = 32; code < 256; ++code) platform::AppendUtf8(all, platform::Cp1251ToUnicode(static_cast<unsigned char>(code)));
    led->SetBounds(0, 0, 32 * 18 + 2, 30);
    for (int line = 0; line < 7; ++line) {
        led->SetCaption(platform::Copy(all, line * 32 + 1, 32));
        testsupport::SavePicture(Painted(*led).bitmap(), "KitLEDDisplay_font_" + std::to_string(line));
    }
}
