#include "app/fEnNumber.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

class EnNumber : public PageExchange<TFormEnNumber> {
protected:
    EnNumber() : PageExchange(FormEnNumber, "FormEnNumber") { clearBeforeRead = true; }
};

TEST_F(EnNumber, TheFlagEnablesTheNumbersAndThePlus)
{
    for (const bool on : {false, true}) {
        page->CheckBox1->SetChecked(on);
        for (int k = 1; k <= 5; ++k) {
            EXPECT_EQ(page->NumberEdit(k)->Enabled(), on) << k;
            EXPECT_EQ(page->NumberEdit(k)->Color(), on ? clWindow : clBtnFace) << k;
        }
    }
    main->Show();
    page->Show();
    ui::Driver user(scope.App());
    // A key without a key code ("+") meets no filter before the first key with one.
    ASSERT_TRUE(user.TypeText(*page->etN1, "7+a916"));
    EXPECT_EQ(page->etN1->Text(), "7+916");
    page->CheckBox1->SetVisible(false);
    ASSERT_TRUE(user.TypeText(*page->etN2, "7+a916"));
    EXPECT_EQ(page->etN2->Text(), "7916") << "digits only while the flag is hidden";
    page->CheckBox1->SetChecked(false);
    EXPECT_TRUE(page->etN1->Enabled()) << "a hidden flag leaves the numbers alone";

    page->CheckBox1->SetVisible(true);
    page->LoadDefaults();
    EXPECT_FALSE(page->CheckBox1->Checked());
    EXPECT_TRUE(page->AllNumbersEmpty());
    TMemIniFile ini("/nonexistent/ennumber.ini");
    ini.WriteString("FormEnNumber", "CheckBox1", "1");
    ini.WriteString("FormEnNumber", "etN4", "+79990001122");
    page->LoadFromIni(ini);
    EXPECT_TRUE(page->etN4->Enabled());
    EXPECT_EQ(page->etN4->Text(), "+79990001122");
}

const std::string kFlag = "Флаг включения инженерных номеров";
const Lines kGroups = {kFlag, "Инженерный номер 1", "Инженерный номер 2", "Инженерный номер 3", "Инженерный номер 4", "Инженерный номер 5"};
std::function<void(TFormEnNumber&)> FlagOn()
{
    return [](TFormEnNumber& p) { p.CheckBox1->SetChecked(true); };
}

const EnNumber::Row kEnNumberExchanges[] = {
    {.name = "ReadTheFlagAndFiveNumbers", .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+enaing", "+phing0", "+phing1", "+phing2", "+phing3", "+phing4"},
     .logged = Logged("Читаю", kGroups),
     .shown = {{"CheckBox1", "1"}, {"etN1", "+79161234567"}, {"etN2", "+79031112233"}, {"etN3", ""}}},
    {.name = "ReadFlagFFIsOff", .panel = sim::PanelKind::Paradox, .device = {{"enaing", "FF"}}, .given = FlagOn(), .shown = {{"CheckBox1", "0"}}},
    {.name = "ReadFlag01IsOff", .device = {{"enaing", "01"}}, .given = FlagOn(), .shown = {{"CheckBox1", "0"}}},
    {.name = "ReadFlagRefusedStays", .refused = {"enaing"}, .given = FlagOn(),
     .errors = {R(kFlag)}, .shown = {{"CheckBox1", "1"}}},
    {.name = "WriteTheFlagAndBlanksForNoNumber", .write = true,
     .given = [](TFormEnNumber& p) { FlagOn()(p); p.etN2->SetText("+79031112233"); p.etN3->SetText("+74950001122"); },
     .wire = Lines{"+enaing00", "+phing0 ", "+phing1+79031112233", "+phing2+74950001122", "+phing3 ", "+phing4 "},
     .logged = Logged("Пишу", kGroups)},
    {.name = "WriteNoNumbersSwitchesTheFlagOff", .write = true, .given = FlagOn(),
     .wire = Lines{"+enaingFF", "+phing0 ", "+phing1 ", "+phing2 ", "+phing3 ", "+phing4 "}, .shown = {{"CheckBox1", "0"}}},
    {.name = "WriteFailuresAreNamedAndTheRestGoesOn", .write = true, .refused = {"phing2", "enaing"},
     .given = [](TFormEnNumber& p) { p.etN2->SetText("123"); p.etN3->SetText("456"); },
     .errors = {W(kFlag), W("Инженерный номер 3")}, .stored = {{"phing1", "123"}, {"phing4", " "}}},
    {.name = "WriteANumberTheDeviceCannotTake", .write = true, .given = [](TFormEnNumber& p) { p.etN2->SetText("+7\t123"); },
     .wire = Lines{"+enaingFF", "+phing0 ", "+phing2 ", "+phing3 ", "+phing4 "},
     .errors = {W("Инженерный номер 2") + ": в нём есть управляющий символ (перевод строки, возврат каретки и подобные)"}},
};

PAGE_EXCHANGES(EnNumber, kEnNumberExchanges);

}  // namespace
