#include "app/fEnNumber.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

class EnNumberPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TFormEnNumber& page = *Create<TFormEnNumber>(&scope.App(), "FormEnNumber");
};

// ------------------------------------------------------------------ handlers

TEST_F(EnNumberPage, TheFlagEnablesTheNumbers)
{
    for (int k = 1; k <= 5; ++k) {
        EXPECT_FALSE(page.NumberEdit(k)->Enabled());
        EXPECT_EQ(page.NumberEdit(k)->Color(), clBtnFace);
    }
    page.CheckBox1->SetChecked(true);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_TRUE(page.NumberEdit(k)->Enabled());
        EXPECT_EQ(page.NumberEdit(k)->Color(), clWindow);
    }
    EXPECT_EQ(page.NumberEdit(3), page.etN3);
    EXPECT_EQ(page.etN5->MaxLength(), 30);
}

TEST_F(EnNumberPage, AHiddenFlagLeavesTheNumbersAlone)
{
    page.CheckBox1->SetChecked(true);
    page.CheckBox1->SetVisible(false);
    page.CheckBox1->SetChecked(false);
    EXPECT_TRUE(page.etN1->Enabled());
}

TEST_F(EnNumberPage, APlusIsTypedOnlyWhileTheFlagIsShown)
{
    page.CheckBox1->SetChecked(true);
    page.Show();
    Driver user(scope.App());
    ASSERT_TRUE(user.TypeText(*page.etN1, "+7916"));
    EXPECT_EQ(page.etN1->Text(), "+7916");

    page.CheckBox1->SetVisible(false);
    ASSERT_TRUE(user.TypeText(*page.etN2, "+7a916"));
    EXPECT_EQ(page.etN2->Text(), "7916");
}

TEST_F(EnNumberPage, LoadingTheIniFollowsTheFlag)
{
    TMemIniFile ini(std::filesystem::temp_directory_path() / "sorvel-ennumber-never-written.ini");
    ini.WriteString("FormEnNumber", "CheckBox1", "1");
    ini.WriteString("FormEnNumber", "etN4", "+79990001122");
    page.LoadFromIni(ini);
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.etN4->Enabled());
    EXPECT_EQ(page.etN4->Text(), "+79990001122");
}

TEST_F(EnNumberPage, DefaultsEmptyTheNumbersAndClearTheFlag)
{
    page.CheckBox1->SetChecked(true);
    page.etN2->SetText("123");
    page.LoadDefaults();
    EXPECT_FALSE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.AllNumbersEmpty());
}

TEST_F(EnNumberPage, ClearingBeforeAReadKeepsTheFlag)
{
    page.CheckBox1->SetChecked(true);
    page.etN1->SetText("123");
    page.Clear();
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.etN1->Enabled());
    EXPECT_EQ(page.etN1->Text(), "");
}

}  // namespace
