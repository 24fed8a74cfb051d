#include "app/fATests.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

class ATests : public PageExchange<TformATests> {
protected:
    ATests() : PageExchange(formATests, "formATests")
    {
        page->LoadDefaults();
        page->DeltaHours->SetItemIndex(0);  // the extra test has no factory value
        page->DeltaMinuts->SetItemIndex(0);
        clearBeforeRead = true;
    }
    void Connected(int build, sim::PanelKind) override { page->SetupForDevice(5, build); }
};

TEST_F(ATests, ControlsFollowTheirBoxesAndHoldTheirRanges)
{
    EXPECT_EQ(page->zadav->Text() + page->etAKBlogTime->Text(), "15010") << "the factory values";
    EXPECT_FALSE(page->zadav->Enabled());
    EXPECT_FALSE(page->GroupBox2->Enabled());
    page->vosst->SetChecked(true);
    EXPECT_TRUE(page->zadav->Enabled());
    EXPECT_TRUE(page->cbAKBlogR->Enabled());
    EXPECT_FALSE(page->meAKBtreshN->Enabled()) << "the thresholds follow their own boxes";
    page->cbAKBlogN->SetChecked(true);
    page->cbAKBlogR->SetChecked(true);
    EXPECT_TRUE(page->etAKBlogTime->Enabled());
    page->Show();
    ui::Driver(scope.App()).TypeText(*page->etAKBlogTime, "a");
    EXPECT_EQ(page->etAKBlogTime->Text(), "010") << "digits only";
    page->vosst->SetChecked(false);
    EXPECT_FALSE(page->cbAKBlogN->Checked());
    EXPECT_FALSE(page->cbAKBlogR->Checked());
    EXPECT_FALSE(page->meAKBTreshR->Enabled());

    for (const auto& [edit, typed, shown] :
         {std::tuple{page->zadav, "70", "63"}, {page->zadav, "00", "01"}, {page->zadav, " 7", "07"}, {page->zadav, "x", "01"},
          {page->etAKBlogTime, "003", "005"}, {page->etAKBlogTime, "300", "254"}, {page->etAKBlogTime, "12 ", "120"},
          {page->meAKBtreshN, "13,50", "12,00"}, {page->meAKBtreshN, "09,00", "09,80"}, {page->meAKBTreshR, "10,5 ", "10,50"},
          {page->meAKBTreshR, "10,cd", "09,80"}, {page->meAKBTreshR, "", "09,80"}}) {
        edit->SetText(typed);
        EXPECT_EQ(edit->Text(), shown) << edit->Name() << " " << typed;
    }

}

const Lines kGroups = {"Системные события", "Логика работы по аккумуляторной батарее", "Пороги генерирования событий по АКБ",
                       "Дополнительный автотест"};
std::function<void(TformATests&)> Extra(int hours, int minutes)
{
    return [=](TformATests& p) { p.DeltaHours->SetItemIndex(hours); p.DeltaMinuts->SetItemIndex(minutes); };
}

const ATests::Row kATestsExchanges[] = {
    {.name = "ReadEveryGroup", .device = {{"addat", "001A"}}, .wire = Lines{"+pwlog", "+AKBlog", "+AKBtresh", "+addat"},
     .logged = Logged("Читаю", {kGroups[0], kGroups[1], kGroups[2]}),  // the extra test has no log line
     .shown = {{"vosst", "1"}, {"zadav", "15"}, {"reload", "1"}, {"ComboBox1", "2 Два"}, {"cbH1", "8 8"}, {"cbM1", "0 0"},
               {"cbH2", "12 12"}, {"cbM2", "0 0"}, {"cbH3", "0 0"}, {"cbAKBlogR", "1"}, {"cbAKBlogN", "1"},
               {"etAKBlogTime", "010"}, {"meAKBTreshR", "10,00"}, {"meAKBtreshN", "11,00"}, {"DeltaHours", "2 2"},
               {"DeltaMinuts", "2 10"}},
     .then = [](TformATests& p) { EXPECT_TRUE(p.zadav->Enabled()); }},
    {.name = "ReadTestsAfterAnUnsetSlotMoveUp", .device = {{"pwlog", "FFFF00FFFF0A1E1700"}, {"AKBlog", "FF00FFFF"}},
     .shown = {{"vosst", "0"}, {"reload", "1"}, {"ComboBox1", "2 Два"}, {"cbH1", "10 10"}, {"cbM1", "30 30"},
               {"cbH2", "23 23"}, {"cbAKBlogR", "0"}, {"cbAKBlogN", "0"}}},
    {.name = "ReadTestHour24IsAnError", .device = {{"pwlog", "3C3C001800FFFFFFFF"}},
     .given = [](TformATests& p) { p.ComboBox1->SetItemIndex(1); p.cbH1->SetItemIndex(5); },
     .errors = {R(kGroups[0])}, .shown = {{"cbH1", "5 5"}, {"ComboBox1", "1 Один"}}},
    {.name = "ReadEventsTooShortExtraTestRefused", .device = {{"pwlog", "3C3C0008000C00FF"}}, .refused = {"addat"},
     .errors = {R(kGroups[0]), R(kGroups[3])}},
    {.name = "ReadBatteryAndExtraTestNotNumbers", .device = {{"AKBlog", "00ZZFFFF"}, {"AKBtresh", "03E8"}, {"addat", "1G"}},
     .errors = {R(kGroups[1]), R(kGroups[2]), R(kGroups[3])}},
    {.name = "ReadExtraTestHoursHeldTo24", .build = 121, .device = {{"addat", "FFFF"}}, .shown = {{"DeltaHours", "24 24"}}},

    {.name = "WriteEveryGroup", .write = true,
     .given = [](TformATests& p) {
         p.vosst->SetChecked(true);
         p.zadav->SetText("15");
         p.ComboBox1->SetItemIndex(3);
         p.SetTestTimes({{{6, 30}, {6, 30}, {6, 30}}});
         p.cbAKBlogN->SetChecked(true);
         p.etAKBlogTime->SetText("020"); p.meAKBtreshN->SetText("11,50"); p.meAKBTreshR->SetText("10,20");
         Extra(1, 6)(p);
     },
     .wire = Lines{"+pwlog3C3CFF061EFFFFFFFF", "+AKBlogFF14FFFF", "+AKBtresh03FC047E", "+addat0012"},
     .logged = Logged("Пишу", {kGroups[0], kGroups[1], kGroups[2]}),
     .shown = {{"ComboBox1", "1 Один"}}},  // three equal tests are one
    {.name = "WriteATestWithoutSelectionIsNotSent", .write = true,
     .given = [](TformATests& p) { p.ComboBox1->SetItemIndex(2); p.SetTestTimes({{{8, 0}, {-1, 15}, {0, 0}}}); },
     .wire = Lines{"+AKBlogFF00FFFF", "+AKBtresh03E8044C", "+addat0000"},
     .errors = {W(kGroups[0]) + ": не выбраны часы или минуты автотеста"}},
    {.name = "WriteThreeDifferentTestsAndTheExtraTestInMinutesFrom121", .write = true, .build = 121,
     .given = [](TformATests& p) { Extra(5, 59)(p); p.ComboBox1->SetItemIndex(3); p.SetTestTimes({{{1, 0}, {2, 5}, {3, 10}}}); },
     .shown = {{"ComboBox1", "3 Три"}, {"cbM3", "10 10"}}, .stored = {{"pwlog", "FFFFFF01000205030A"}, {"addat", "0167"}}},
    {.name = "WriteExtraTestWithoutSelection", .write = true, .given = Extra(-1, 0),
     .errors = {W("Дополнительный автотест") + ": не выбран период"}, .stored = {{"addat", "0000"}}},
};

PAGE_EXCHANGES(ATests, kATestsExchanges);

}  // namespace
