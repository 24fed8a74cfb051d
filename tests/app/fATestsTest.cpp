#include "app/fATests.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/PageExchange.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

class ATestsPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TformATests& page = *Create<TformATests>(&scope.App(), "formATests");
};

TEST_F(ATestsPage, CreationFillsTheMinuteListsAndLeavesTheBatteryControlsOff)
{
    for (int t = 1; t <= 3; ++t) {
        ASSERT_EQ(page.MinuteBox(t)->Items().Count(), 60);
        EXPECT_EQ(page.MinuteBox(t)->ItemIndex(), 0);
    }
    EXPECT_EQ(page.DeltaMinuts->Items()[11], "55");
    EXPECT_FALSE(page.zadav->Enabled());
    EXPECT_FALSE(page.cbAKBlogN->Enabled());
    EXPECT_FALSE(page.GroupBox2->Enabled());
}

TEST_F(ATestsPage, MainsEventsSwitchTheBatteryControlsAndUncheckTheirBoxesWhenOff)
{
    page.vosst->SetChecked(true);
    EXPECT_TRUE(page.zadav->Enabled());
    EXPECT_TRUE(page.cbAKBlogR->Enabled());
    EXPECT_FALSE(page.meAKBtreshN->Enabled()) << "the thresholds follow their own boxes";

    page.cbAKBlogN->SetChecked(true);
    page.cbAKBlogR->SetChecked(true);
    EXPECT_TRUE(page.etAKBlogTime->Enabled());

    page.vosst->SetChecked(false);
    EXPECT_FALSE(page.cbAKBlogN->Checked());
    EXPECT_FALSE(page.cbAKBlogR->Checked());
    EXPECT_FALSE(page.meAKBTreshR->Enabled());
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
    EXPECT_FALSE(page.vosst->Checked());
}

TEST_F(ATestsPage, FirmwareGatesTheExtraTestAndItsMinutesList)
{
    page.SetupForDevice(5, 93);
    EXPECT_FALSE(page.DeltaATest->Visible());
    page.SetupForDevice(5, 94);
    EXPECT_TRUE(page.DeltaATest->Visible());
    page.DeltaMinuts->SetItemIndex(4);
    page.SetupForDevice(5, 120);
    EXPECT_EQ(page.DeltaMinuts->ItemIndex(), 4) << "the same list form keeps the selection";
    page.SetupForDevice(5, 121);
    ASSERT_EQ(page.DeltaMinuts->Items().Count(), 60);
    EXPECT_EQ(page.DeltaMinuts->Items()[30], "30");
    page.SetupForDevice(5, 120);
    EXPECT_EQ(page.DeltaMinuts->Items()[1], "5");
}

TEST(SystemEventsValue, DecodesDelayRestartAndTests)
{
    const auto e = DecodeSystemEvents("3C3C0008000C00FFFF");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->MainsDelay, 0x3C);
    EXPECT_TRUE(e->Restart);
    EXPECT_EQ(e->Tests, (std::vector<TTestTime>{{8, 0}, {12, 0}}));

    const auto off = DecodeSystemEvents("FFFFFFFFFFFFFFFFFF");
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->MainsDelay || off->Restart || !off->Tests.empty());
}

TEST(SystemEventsValue, TestsAfterAnUnsetSlotMoveToTheFirstSlots)
{
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
    using Times = std::array<TTestTime, 3>;
    struct Case { int count; Times in; int tidied; Times out; };
    for (const Case& c : {Case{3, {{{6, 30}, {6, 30}, {6, 30}}}, 1, {{{6, 30}, {0, 0}, {0, 0}}}},
                          Case{3, {{{6, 0}, {6, 0}, {9, 0}}}, 2, {{{6, 0}, {9, 0}, {0, 0}}}},
                          Case{3, {{{6, 0}, {7, 0}, {7, 0}}}, 2, {{{6, 0}, {7, 0}, {0, 0}}}},
                          Case{2, {{{6, 0}, {6, 0}, {9, 0}}}, 1, {{{6, 0}, {0, 0}, {0, 0}}}},
                          Case{0, {{{6, 0}, {7, 0}, {9, 0}}}, 0, Times{}}}) {
        SCOPED_TRACE(c.count);
        int count = c.count;
        Times t = c.in;
        TidyTestTimes(count, t);
        EXPECT_EQ(count, c.tidied);
        EXPECT_EQ(t, c.out);
    }
    EXPECT_EQ(EncodeTestTimes(1, {{{6, 30}, {0, 0}, {0, 0}}}), "061EFFFFFFFF");
}

TEST(SystemEventsValue, ATestWithoutSelectionIsNeverSentAsEightDigits)
{
    EXPECT_EQ(EncodeTestTimes(2, {{{8, 0}, {12, 0}, {0, 0}}}), "0800" "0C00" "FFFF");
    EXPECT_FALSE(EncodeTestTimes(2, {{{8, 0}, {-1, 0}, {0, 0}}}));
    EXPECT_FALSE(EncodeTestTimes(1, {{{8, -1}, {0, 0}, {0, 0}}}));
    EXPECT_EQ(EncodeTestTimes(1, {{{8, 5}, {-1, -1}, {0, 0}}}), "0805FFFFFFFF") << "unused slots are not looked at";
    EXPECT_EQ(EncodeTestTimes(-1, {}), "FFFFFFFFFFFF") << "no count selected: no test";
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

class ATestsExchange : public testsupport::PageExchange<TformATests> {
protected:
    ATestsExchange()
        : PageExchange("formATests", ReadInto::ClearedPage)
    {
        formATests = page;
        page->LoadDefaults();
        Connect(120);
    }
    void Connected(int build) override { page->SetupForDevice(5, build); }
    std::string Time(int t) const { return page->HourBox(t)->Text() + ":" + page->MinuteBox(t)->Text(); }
};

TEST_F(ATestsExchange, ReadsEventsBatteryAndTheExtraTest)
{
    device->device.SetValue("addat", "001A");
    EXPECT_EQ(Read(), (std::vector<std::string>{"+pwlog", "+AKBlog", "+AKBtresh", "+addat"}));
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(page->vosst->Checked());
    EXPECT_TRUE(page->zadav->Enabled());
    EXPECT_EQ(page->zadav->Text(), "15");
    EXPECT_TRUE(page->reload->Checked());
    EXPECT_EQ(page->ComboBox1->Text(), "Два");
    EXPECT_EQ(Time(1), "8:0");
    EXPECT_EQ(Time(2), "12:0");
    EXPECT_EQ(Time(3), "0:0");
    EXPECT_TRUE(page->cbAKBlogR->Checked());
    EXPECT_TRUE(page->cbAKBlogN->Checked());
    EXPECT_EQ(page->etAKBlogTime->Text(), "010");
    EXPECT_EQ(page->meAKBTreshR->Text(), "10,00");
    EXPECT_EQ(page->meAKBtreshN->Text(), "11,00");
    EXPECT_EQ(page->DeltaHours->ItemIndex(), 2);
    EXPECT_EQ(page->DeltaMinuts->Text(), "10");
    Write();
    EXPECT_EQ(log.Texts(testsupport::RecordingLog::Kind::Info).size(), 6u) << "the extra test has no line in the log";
}

TEST_F(ATestsExchange, TheExtraTestExistsFromBuild94)
{
    for (const auto panel : {sim::PanelKind::Altonika, sim::PanelKind::Bolid, sim::PanelKind::Paradox}) {
        Connect(93, panel);
        EXPECT_FALSE(page->DeltaATest->Visible());
        EXPECT_EQ(Read().size(), 3u);
        EXPECT_EQ(Write().size(), 3u);
        EXPECT_FALSE(Sent("+addat"));
        Connect(94, panel);
        EXPECT_EQ(Read().back(), "+addat");
        EXPECT_EQ(Write().back(), "+addat0000");
        EXPECT_TRUE(Errors().empty());
    }
}

TEST_F(ATestsExchange, TheExtraTestPeriodInBothFirmwareForms)
{
    device->device.SetValue("addat", "1A");
    Read();
    EXPECT_EQ(page->DeltaHours->Text(), "2");
    EXPECT_EQ(page->DeltaMinuts->Text(), "10");
    EXPECT_EQ(Write().back(), "+addat001A");

    Connect(121);
    device->device.SetValue("addat", "5A");
    Read();
    EXPECT_EQ(page->DeltaHours->Text(), "1");
    EXPECT_EQ(page->DeltaMinuts->Text(), "30") << "from build 121 the list holds every minute";
    EXPECT_EQ(Write().back(), "+addat005A");
}

TEST_F(ATestsExchange, AnExtraTestValueThatIsNoNumberIsAnError)
{
    device->device.SetValue("addat", "1G");
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Прочитано непредвиденное значение "
                                                 "параметра \"Дополнительный автотест\" (1G)\""});
    device->refused = {"addat"};
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Дополнительный автотест\""});
}

TEST_F(ATestsExchange, AnExtraTestWithoutSelectionIsAnErrorAndNotSent)
{
    page->DeltaHours->SetItemIndex(-1);
    Write();
    EXPECT_FALSE(Sent("+addat"));
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            "Ошибка при записи параметра \"Дополнительный автотест\": не выбран период"});
}

TEST_F(ATestsExchange, WritesTheValuesTheDeviceKeeps)
{
    page->vosst->SetChecked(true);
    page->zadav->SetText("15");
    page->reload->SetChecked(false);
    page->ComboBox1->SetItemIndex(3);
    page->SetTestTimes({{{6, 30}, {6, 30}, {6, 30}}});
    page->cbAKBlogN->SetChecked(true);
    page->etAKBlogTime->SetText("020");
    page->meAKBtreshN->SetText("11,50");
    page->meAKBTreshR->SetText("10,20");
    page->DeltaHours->SetItemIndex(1);
    page->DeltaMinuts->SetItemIndex(6);
    EXPECT_EQ(Write(), (std::vector<std::string>{"+pwlog3C3CFF061EFFFFFFFF", "+AKBlogFF14FFFF", "+AKBtresh03FC047E",
                                                 "+addat0012"}));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(page->ComboBox1->Text(), "Один") << "three equal tests are one";

    page->vosst->SetChecked(false);
    Write();
    EXPECT_EQ(Stored("pwlog").substr(0, 4), "FFFF");
    EXPECT_EQ(Stored("AKBlog"), "FF00FFFF");
}

TEST_F(ATestsExchange, TestsAfterAnUnsetSlotAreKeptByTheNextWrite)
{
    device->device.SetValue("pwlog", "FFFF00FFFF0A1E1700");
    Read();
    EXPECT_EQ(page->ComboBox1->Text(), "Два");
    EXPECT_EQ(Time(1), "10:30");
    EXPECT_EQ(Time(2), "23:0");
    EXPECT_FALSE(page->vosst->Checked());
    Write();
    EXPECT_EQ(Stored("pwlog"), "FFFF000A1E1700FFFF");
}

TEST_F(ATestsExchange, ATestTimeOutOfRangeIsAReadErrorAndChangesNothing)
{
    page->ComboBox1->SetItemIndex(1);
    page->cbH1->SetItemIndex(5);
    device->device.SetValue("pwlog", "3C3C001E00FFFFFFFF");
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Системные события\""});
    EXPECT_EQ(page->cbH1->ItemIndex(), 5);
    EXPECT_EQ(page->ComboBox1->ItemIndex(), 1);
}

TEST_F(ATestsExchange, ATestWithoutSelectionIsAnErrorNotAnEightDigitField)
{
    page->ComboBox1->SetItemIndex(2);
    page->SetTestTimes({{{8, 0}, {-1, 15}, {0, 0}}});
    Write();
    EXPECT_FALSE(Sent("+pwlog"));
    EXPECT_EQ(Errors().at(0),
              "Ошибка при записи параметра \"Системные события\": не выбраны часы или минуты автотеста");
    EXPECT_EQ(Stored("pwlog"), "3C3C0008000C00FFFF");
}

TEST_F(ATestsExchange, BatteryValuesThatAreNoNumbersAreReadErrors)
{
    device->device.SetValue("AKBlog", "00ZZFFFF");
    device->device.SetValue("AKBtresh", "03E8");
    page->meAKBtreshN->SetText("11,50");
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"Логика работы по аккумуляторной батарее\"",
                                                  "Ошибка при чтении параметра \"Пороги генерирования событий по АКБ\""}));
}

TEST(ATestsOverPty, ReadAndWriteTheWholePage)
{
    ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    formATests = Create<TformATests>(main->PagesPane, "formATests", main->PagesPane);
    testsupport::SimDevice sim(testsupport::Profile(121, sim::PanelKind::Altonika), scope.Clock());
    testsupport::RecordingLog log;
    TDeviceController dc(sim.worker, &log);
    dc.Device().SetTimeoutFloor(testsupport::SimDevice::kTimeoutMs);
    dc.Major = 5;
    dc.Build = 121;
    formATests->SetupForDevice(5, 121);
    dc.ReadForm(*formATests);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(formATests->ComboBox1->ItemIndex(), 2);
    formATests->cbM2->SetItemIndex(45);
    formATests->DeltaHours->SetItemIndex(5);
    formATests->DeltaMinuts->SetItemIndex(59);
    dc.WriteForm(*formATests);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(sim.device.Value("pwlog"), "3C3C0008000C2DFFFF");
    EXPECT_EQ(sim.device.Value("addat"), "0167");
}

}  // namespace
