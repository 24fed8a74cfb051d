#include "app/fATests.h"

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

class ATestsPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TformATests& page = *Create<TformATests>(&scope.App(), "formATests");
};

// ------------------------------------------------------------------ handlers and cascades

TEST_F(ATestsPage, CreationFillsTheMinuteListsAndLeavesTheBatteryControlsOff)
{
    for (int t = 1; t <= 3; ++t) {
        ASSERT_EQ(page.MinuteBox(t)->Items().Count(), 60);
        EXPECT_EQ(page.MinuteBox(t)->Items()[59], "59");
        EXPECT_EQ(page.MinuteBox(t)->ItemIndex(), 0);
        EXPECT_EQ(page.HourBox(t)->Items().Count(), 24);
    }
    EXPECT_EQ(page.DeltaHours->Items().Count(), 25);
    EXPECT_EQ(page.DeltaMinuts->Items().Count(), 12);
    EXPECT_EQ(page.DeltaMinuts->Items()[11], "55");
    EXPECT_FALSE(page.DeltaATest->Visible());
    EXPECT_FALSE(page.zadav->Enabled());
    EXPECT_FALSE(page.cbAKBlogN->Enabled());
    EXPECT_FALSE(page.GroupBox2->Enabled());
}

TEST_F(ATestsPage, MainsEventsSwitchTheBatteryControlsAndUncheckTheirBoxesWhenOff)
{
    page.vosst->SetChecked(true);
    EXPECT_TRUE(page.zadav->Enabled());
    EXPECT_TRUE(page.cbAKBlogN->Enabled());
    EXPECT_TRUE(page.cbAKBlogR->Enabled());
    EXPECT_TRUE(page.GroupBox3->Enabled());
    EXPECT_FALSE(page.meAKBtreshN->Enabled()) << "the thresholds follow their own boxes";

    page.cbAKBlogN->SetChecked(true);
    page.cbAKBlogR->SetChecked(true);
    EXPECT_TRUE(page.meAKBtreshN->Enabled());
    EXPECT_TRUE(page.etAKBlogTime->Enabled());
    EXPECT_TRUE(page.meAKBTreshR->Enabled());

    page.vosst->SetChecked(false);
    EXPECT_FALSE(page.cbAKBlogN->Checked());
    EXPECT_FALSE(page.cbAKBlogR->Checked());
    EXPECT_FALSE(page.meAKBtreshN->Enabled());
    EXPECT_FALSE(page.meAKBTreshR->Enabled());
    EXPECT_FALSE(page.zadav->Enabled());
}

TEST_F(ATestsPage, EditsHoldTheirValuesToTheirRanges)
{
    const struct {
        TMaskEdit* edit;
        const char* typed;
        const char* shown;
    } cases[] = {
        {page.zadav, "70", "63"},          {page.zadav, "00", "01"},          {page.zadav, " 7", "07"},
        {page.zadav, "x", "01"},           {page.etAKBlogTime, "003", "005"}, {page.etAKBlogTime, "300", "254"},
        {page.etAKBlogTime, "12 ", "120"}, {page.meAKBtreshN, "13,50", "12,00"},
        {page.meAKBtreshN, "09,00", "09,80"}, {page.meAKBTreshR, "10,5 ", "10,50"},
        {page.meAKBTreshR, "ab,cd", "09,80"}, {page.meAKBTreshR, "", "09,80"},
    };
    for (const auto& c : cases) {
        c.edit->SetText(c.typed);
        EXPECT_EQ(c.edit->Text(), c.shown) << c.edit->Name() << " " << c.typed;
    }
}

TEST_F(ATestsPage, TheBatteryTimeTakesDigitsOnlyOnceAKeyWasPressed)
{
    page.vosst->SetChecked(true);
    page.cbAKBlogN->SetChecked(true);
    Driver user(scope.App());
    page.Show();
    user.PressKey(*page.etAKBlogTime, KeyCodeOf(U'1'));
    char32_t key = U'a';
    ASSERT_TRUE(page.etAKBlogTime->OnKeyPress);
    page.etAKBlogTime->OnKeyPress(page.etAKBlogTime, key);
    EXPECT_EQ(key, 0u);
}

TEST_F(ATestsPage, DefaultsComeFromTheHints)
{
    page.LoadDefaults();
    EXPECT_EQ(page.zadav->Text(), "15");
    EXPECT_EQ(page.meAKBtreshN->Text(), "11,00");
    EXPECT_EQ(page.meAKBTreshR->Text(), "10,00");
    EXPECT_EQ(page.etAKBlogTime->Text(), "010");
    EXPECT_EQ(page.ComboBox1->ItemIndex(), 0);
    EXPECT_FALSE(page.vosst->Checked());
    EXPECT_EQ(page.cbM3->ItemIndex(), 0);
}

TEST_F(ATestsPage, SavedPageLoadsBack)
{
    page.vosst->SetChecked(true);
    page.zadav->SetText("20");
    page.ComboBox1->SetItemIndex(2);
    page.cbH2->SetItemIndex(17);
    page.cbM2->SetItemIndex(45);
    page.DeltaHours->SetItemIndex(3);
    TMemIniFile ini(std::filesystem::temp_directory_path() / "sorvel-atests-never-written.ini");
    page.SaveToIni(ini);
    TformATests& other = *Create<TformATests>(&scope.App(), "formATests2");
    Free(&page);
    other.SetName("formATests");
    other.LoadFromIni(ini);
    EXPECT_TRUE(other.vosst->Checked());
    EXPECT_TRUE(other.zadav->Enabled());
    EXPECT_EQ(other.zadav->Text(), "20");
    EXPECT_EQ(other.ComboBox1->ItemIndex(), 2);
    EXPECT_EQ(other.cbH2->ItemIndex(), 17);
    EXPECT_EQ(other.cbM2->ItemIndex(), 45);
    EXPECT_EQ(other.DeltaHours->ItemIndex(), 3);
}

TEST_F(ATestsPage, FirmwareGatesTheExtraTestAndItsMinutesList)
{
    page.SetupForDevice(5, 93);
    EXPECT_FALSE(page.DeltaATest->Visible());
    page.SetupForDevice(5, 94);
    EXPECT_TRUE(page.DeltaATest->Visible());
    EXPECT_EQ(page.DeltaMinuts->Items().Count(), 12);
    page.DeltaMinuts->SetItemIndex(4);
    page.SetupForDevice(5, 120);
    EXPECT_EQ(page.DeltaMinuts->ItemIndex(), 4) << "the same list form keeps the selection";
    page.SetupForDevice(5, 121);
    ASSERT_EQ(page.DeltaMinuts->Items().Count(), 60);
    EXPECT_EQ(page.DeltaMinuts->Items()[30], "30");
    page.SetupForDevice(5, 120);
    EXPECT_EQ(page.DeltaMinuts->Items()[1], "5");
}

// ------------------------------------------------------------------ value helpers

TEST(SystemEventsValue, DecodesDelayRestartAndTests)
{
    const auto e = DecodeSystemEvents("3C3C0008000C00FFFF");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->MainsDelay, 0x3C);
    EXPECT_TRUE(e->Restart);
    EXPECT_EQ(e->Tests, (std::vector<TTestTime>{{8, 0}, {12, 0}}));

    const auto off = DecodeSystemEvents("FFFFFFFFFFFFFFFFFF");
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->MainsDelay);
    EXPECT_FALSE(off->Restart);
    EXPECT_TRUE(off->Tests.empty());
}

TEST(SystemEventsValue, TestsAfterAnUnsetSlotMoveToTheFirstSlots)
{
    const auto e = DecodeSystemEvents("FFFF00FFFF0A1EFFFF");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Tests, (std::vector<TTestTime>{{10, 30}}));
    const auto two = DecodeSystemEvents("FFFF00FFFF0A1E1700");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->Tests, (std::vector<TTestTime>{{10, 30}, {23, 0}}));
}

TEST(SystemEventsValue, UnusableValuesAreRefused)
{
    EXPECT_FALSE(DecodeSystemEvents("3C3C0008000C00FF")) << "too short";
    EXPECT_FALSE(DecodeSystemEvents("3C3C0008000C00FFFFFF")) << "too long";
    EXPECT_FALSE(DecodeSystemEvents("3C3C00080G0C00FFFF")) << "not hexadecimal";
    EXPECT_FALSE(DecodeSystemEvents("3C3C001800FFFFFFFF")) << "hour 24";
    EXPECT_FALSE(DecodeSystemEvents("3C3C00083CFFFFFFFF")) << "minute 60";
}

TEST(SystemEventsValue, TidyingMergesEqualTests)
{
    int count = 3;
    std::array<TTestTime, 3> t{{{6, 30}, {6, 30}, {6, 30}}};
    TidyTestTimes(count, t);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(EncodeTestTimes(count, t), "061EFFFFFFFF");

    count = 3;
    t = {{{6, 0}, {6, 0}, {9, 0}}};
    TidyTestTimes(count, t);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(t[1], (TTestTime{9, 0}));

    count = 3;
    t = {{{6, 0}, {7, 0}, {7, 0}}};
    TidyTestTimes(count, t);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(t[2], (TTestTime{0, 0}));

    count = 2;
    t = {{{6, 0}, {6, 0}, {9, 0}}};
    TidyTestTimes(count, t);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(t, (std::array<TTestTime, 3>{{{6, 0}, {0, 0}, {0, 0}}}));

    count = 0;
    t = {{{6, 0}, {7, 0}, {9, 0}}};
    TidyTestTimes(count, t);
    EXPECT_EQ(t, (std::array<TTestTime, 3>{}));
}

TEST(SystemEventsValue, ATestWithoutSelectionIsNeverSentAsEightDigits)
{
    EXPECT_EQ(EncodeTestTimes(2, {{{8, 0}, {12, 0}, {0, 0}}}), "0800" "0C00" "FFFF");
    EXPECT_FALSE(EncodeTestTimes(2, {{{8, 0}, {-1, 0}, {0, 0}}}));
    EXPECT_FALSE(EncodeTestTimes(1, {{{8, -1}, {0, 0}, {0, 0}}}));
    EXPECT_EQ(EncodeTestTimes(1, {{{8, 5}, {-1, -1}, {0, 0}}}), "0805FFFFFFFF") << "unused slots are not looked at";
    EXPECT_FALSE(EncodeTestTimes(-1, {}));
}

TEST(ExtraTestValue, BothFirmwareForms)
{
    EXPECT_EQ(DecodeExtraTest(0x1A, false), (std::pair{2, 2}));
    EXPECT_EQ(EncodeExtraTest(2, 2, false), "001A");
    EXPECT_EQ(DecodeExtraTest(0x5A, true), (std::pair{1, 30}));
    EXPECT_EQ(EncodeExtraTest(1, 30, true), "005A");
    EXPECT_EQ(DecodeExtraTest(0xFFFF, true).first, 24) << "hours are held to the list";
    EXPECT_FALSE(EncodeExtraTest(-1, 0, true));
    EXPECT_FALSE(EncodeExtraTest(1, -1, false));
    EXPECT_FALSE(EncodeExtraTest(1, 12, false));
    EXPECT_FALSE(ExtraTestUsesMinutes(5, 120));
    EXPECT_TRUE(ExtraTestUsesMinutes(5, 121));
}

}  // namespace
