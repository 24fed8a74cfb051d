#include "app/fGPRS.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

class GprsPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TformGPRS& page = *Create<TformGPRS>(&scope.App(), "formGPRS");
};

// ------------------------------------------------------------------ handlers

TEST_F(GprsPage, SimEditsAreFoundByNameWhateverTheirLetterCase)
{
    EXPECT_EQ(page.SimEdit(1, "Addr"), page.etSIM1ADDR);
    EXPECT_EQ(page.SimEdit(1, "Login"), page.etSIM1LOGIN);
    EXPECT_EQ(page.SimEdit(1, "Pswd"), page.etSIM1PSWD);
    EXPECT_EQ(page.SimEdit(2, "Addr"), page.etSIM2Addr);
    EXPECT_EQ(page.SimEdit(2, "Phone"), page.etSIM2Phone);
    EXPECT_EQ(page.SimEdit(3, "Phone"), nullptr);
}

TEST_F(GprsPage, BindingRenamesTheServerBoxes)
{
    page.CheckBox1->SetChecked(true);
    EXPECT_EQ(page.GroupBox4->Caption(), "IP адрес и порт для SIM 1");
    EXPECT_EQ(page.GroupBox6->Caption(), "IP адрес и порт для SIM 2");
    page.CheckBox1->SetChecked(false);
    EXPECT_EQ(page.GroupBox4->Caption(), "Основные IP адрес и порт сервера");
    EXPECT_EQ(page.GroupBox6->Caption(), "Резервные IP адрес и порт сервера");
}

TEST_F(GprsPage, KeyFiltersOfTheEdits)
{
    page.Show();
    Driver user(scope.App());
    ASSERT_TRUE(user.TypeText(*page.etSIM2Addr, "inтеrnet"));
    EXPECT_EQ(page.etSIM2Addr->Text(), "inrnet");
    ASSERT_TRUE(user.TypeText(*page.etSIM1Port, "30a58"));
    EXPECT_EQ(page.etSIM1Port->Text(), "3058");
    ASSERT_TRUE(user.TypeText(*page.etSIM1SPSWD, "Ko ra_1"));
    EXPECT_EQ(page.etSIM1SPSWD->Text(), "Kora1");
    ASSERT_TRUE(user.TypeText(*page.etSIM1IP, "1.2.3.4"));
    EXPECT_EQ(page.etSIM1IP->Text(), "1.2.3.4");
}

TEST_F(GprsPage, DefaultsLeaveTheBindingAlone)
{
    page.CheckBox1->SetChecked(true);
    page.LoadDefaults();
    EXPECT_TRUE(page.CheckBox1->Checked()) << "the box has no factory default";
    EXPECT_EQ(page.etSIM1Phone->Text(), "*99#");
    EXPECT_EQ(page.etSIM2Pswd->Text(), "zuh");
    EXPECT_EQ(page.etSIM1SPSWD->Text(), "KoraPlen");
    EXPECT_EQ(page.etSIM1PORT2->Text(), "3058");
    EXPECT_FALSE(page.etSIM1IP->Text().empty());
    EXPECT_EQ(page.cbZTime->ItemIndex(), 0);
    EXPECT_EQ(page.cbZTime->Text(), "1");
}

TEST_F(GprsPage, SavedPageLoadsBack)
{
    page.LoadDefaults();
    page.etSIM2Addr->SetText("internet.tele2.ru");
    page.cbZTime->SetItemIndex(9);
    page.CheckBox1->SetChecked(true);
    TMemIniFile ini(std::filesystem::temp_directory_path() / "sorvel-gprs-never-written.ini");
    page.SaveToIni(ini);
    page.LoadDefaults();
    page.CheckBox1->SetChecked(false);
    page.LoadFromIni(ini);
    EXPECT_EQ(page.etSIM2Addr->Text(), "internet.tele2.ru");
    EXPECT_EQ(page.cbZTime->ItemIndex(), 9);
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_EQ(page.GroupBox4->Caption(), "IP адрес и порт для SIM 1");
}

TEST_F(GprsPage, ClearingBeforeAReadKeepsTheBinding)
{
    page.CheckBox1->SetChecked(true);
    page.etSIM1IP->SetText("10.0.0.1");
    page.Clear();
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_EQ(page.etSIM1IP->Text(), "");
}

// ------------------------------------------------------------------ value helpers

TEST(GprsValues, RetryPauseItems)
{
    EXPECT_EQ(RetryPauseItem(4, 0), 3) << "240 minutes select \"4\"";
    EXPECT_EQ(RetryPauseItem(1, 0), 0);
    EXPECT_EQ(RetryPauseItem(10, 0), 9);
    EXPECT_EQ(RetryPauseItem(0, 30), -1) << "below an hour nothing fits";
    EXPECT_EQ(RetryPauseItem(11, 0), -1);
    EXPECT_EQ(RetryPauseMinutes(3, 10), 240);
    EXPECT_EQ(RetryPauseMinutes(-1, 10), std::nullopt);
    EXPECT_EQ(RetryPauseMinutes(10, 10), std::nullopt);
}

TEST(GprsValues, ServerPasswordTakesLatinLettersAndDigits)
{
    EXPECT_TRUE(IsServerPasswordValid(""));
    EXPECT_TRUE(IsServerPasswordValid("KoraPlen9"));
    EXPECT_FALSE(IsServerPasswordValid("Kora Plen"));
    EXPECT_FALSE(IsServerPasswordValid("Кora"));
    EXPECT_FALSE(IsServerPasswordValid("a_b"));
}

}  // namespace
