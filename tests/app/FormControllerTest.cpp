// The page base's generic routines: the ini rules per control class, clearing, resetting the marks, and
// the factory defaults from the hints. Some controls sit inside a group box: the routines follow
// ownership, not parents.
#include "app/FormController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/fIn.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

class TestPage : public TformIncl {
public:
    explicit TestPage(TComponent* owner) : TformIncl(owner)
    {
        for (const char* item : {"Altonika", "Bolid", "Paradox", "Четвёртый", "Пятый"}) cbType->Items().Add(item);
        for (const char* item : {"GSM", "SMS", "GPRS", "LAN", "ТфОП"}) cbxWay->AddItem(item, -1, -1, -1, 0, 0);
    }

    TGroupBox* GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    TLabel* lbTitle = Create<TLabel>(this, "lbTitle", this);
    TLabel* ImeiLabel = Create<TLabel>(this, "ImeiLabel", this);
    TEdit* etName = Create<TEdit>(this, "etName", GroupBox1);
    TEdit* etPhone = Create<TEdit>(this, "etPhone", GroupBox1);
    TSpinEdit* seCount = Create<TSpinEdit>(this, "seCount", GroupBox1);
    TCheckBox* cbOn = Create<TCheckBox>(this, "cbOn", GroupBox1);
    TCheckBox* cbOff = Create<TCheckBox>(this, "cbOff", GroupBox1);
    TRadioButton* rb1 = Create<TRadioButton>(this, "rb1", GroupBox1);
    TRadioButton* rb2 = Create<TRadioButton>(this, "rb2", GroupBox1);
    TComboBox* cbType = Create<TComboBox>(this, "cbType", this);
    TComboBoxEx* cbxWay = Create<TComboBoxEx>(this, "cbxWay", this);
    TMaskEdit* meTime = Create<TMaskEdit>(this, "meTime", this);
    TButton* Button1 = Create<TButton>(this, "Button1", this);
};

// An edit of the program's own kind: still an edit to the routines.
class TFilteredEdit : public TEdit {
public:
    using TEdit::TEdit;
};

// The stored controls' values as the ini file writes them, in creation order.
std::string Values(const TestPage& p)
{
    const auto flag = [](bool on) { return on ? "1" : "0"; };
    return p.etName->Text() + "|" + p.etPhone->Text() + "|" + p.seCount->Text() + "|" + flag(p.cbOn->Checked()) +
           flag(p.cbOff->Checked()) + flag(p.rb1->Checked()) + flag(p.rb2->Checked()) + "|" +
           std::to_string(p.cbType->ItemIndex()) + std::to_string(p.cbxWay->ItemIndex()) + "|" + p.meTime->Text();
}
const char* const kFilled = "Объект №5 \"Склад\"|+79001234567|42|1001|34|12:30";

class PageBase : public ::testing::Test {
protected:
    TestPage& FilledPage(const std::string& name = "FormTest")
    {
        TestPage& p = *Create<TestPage>(&scope.App(), name);
        p.etName->SetText("Объект №5 \"Склад\"");
        p.etPhone->SetText("+79001234567");
        p.seCount->SetText("42");
        p.meTime->SetText("12:30");
        p.cbOn->SetChecked(true);
        p.rb2->SetChecked(true);
        p.cbType->SetItemIndex(3);
        p.cbxWay->SetItemIndex(4);
        return p;
    }
    // An ini file with the given content, read back the way the program reads current.ini.
    TMemIniFile Ini(const std::string& text)
    {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        return TMemIniFile(file);
    }

    ApplicationScope scope;
    std::filesystem::path file = std::filesystem::temp_directory_path() /
                                 ("sorvel-pagebase-" + std::to_string(std::random_device{}()) + ".ini");
    ~PageBase() override { std::filesystem::remove(file); }
};

// ------------------------------------------------------------------ ini

TEST_F(PageBase, SavesOneKeyPerOwnedNamedControlAndLoadsItBackThroughTheFile)
{
    TestPage& page = FilledPage();
    TestPage& other = FilledPage("FormElse");
    Create<TEdit>(&other, "etStranger", page.GroupBox1)->SetText("a");  // placed on the page, owned elsewhere
    Create<TEdit>(&page, "", page.GroupBox1)->SetText("b");
    Create<TFilteredEdit>(&page, "etFiltered", &page)->SetText("x");
    {
        TMemIniFile ini(file);
        page.SaveToIni(ini);
        EXPECT_EQ(ini.ReadSection("FormTest"), (std::vector<std::string>{"etName", "etPhone", "seCount", "cbOn", "cbOff", "rb1",
                                                                        "rb2", "cbType", "cbxWay", "meTime", "etFiltered"}));
        ini.UpdateFile();
    }
    Free(&page);
    TestPage& target = *Create<TestPage>(&scope.App(), "FormTest");
    int clicks = 0;
    target.cbOn->OnClick = [&](TObject*) { ++clicks; };
    target.LoadFromIni(TMemIniFile(file));
    EXPECT_EQ(Values(target), kFilled);
    EXPECT_EQ(clicks, 1) << "a loaded box runs its click handler";

    // No selection and empty texts come back too.
    target.cbType->SetItemIndex(-1);
    target.etName->SetText("");
    TMemIniFile ini(file);
    target.SaveToIni(ini);
    target.cbType->SetItemIndex(1);
    target.etName->SetText("old");
    target.LoadFromIni(ini);
    EXPECT_EQ(Values(target), "|+79001234567|42|1001|-14|12:30");
}

// Each case loads over a filled page.
struct IniCase {
    const char* ini;
    const char* values;
};

class IniRules : public PageBase, public ::testing::WithParamInterface<IniCase> {};

TEST_P(IniRules, LoadOverAFilledPage)
{
    TestPage& page = FilledPage();
    page.LoadFromIni(Ini(GetParam().ini));
    EXPECT_EQ(Values(page), GetParam().values) << GetParam().ini;
}

INSTANTIATE_TEST_SUITE_P(
    PageBase, IniRules,
    ::testing::Values(
        // A missing section unchecks the boxes only.
        IniCase{"[OtherPage]\ncbOn=1\n", "Объект №5 \"Склад\"|+79001234567|42|0001|34|12:30"},
        // A spin edit keeps its number for an empty value.
        IniCase{"[FormTest]\netName=\nseCount=\nmeTime=\n", "|+79001234567|42|0001|34|"},
        IniCase{"[FormTest]\ncbOn=1\ncbType=0x2\ncbxWay=0X1\n", "Объект №5 \"Склад\"|+79001234567|42|1001|21|12:30"},
        // A combo keeps its item when nothing converts.
        IniCase{"[FormTest]\ncbOn=1\ncbType=abc\ncbxWay=\n", kFilled},
        IniCase{"[FormTest]\ncbOn=2\ncbOff=0x10\n", "Объект №5 \"Склад\"|+79001234567|42|1101|34|12:30"},
        IniCase{"[FormTest]\ncbOn=yes\ncbOff=0\n", "Объект №5 \"Склад\"|+79001234567|42|0001|34|12:30"},
        // A radio keeps its state for what is not a number; the controls load in creation order, so the
        // last radio checked wins whatever the file's order.
        IniCase{"[FormTest]\ncbOn=1\nrb1=yes\n", kFilled},
        IniCase{"[FormTest]\ncbOn=1\nrb1=1\nrb2=0\n", "Объект №5 \"Склад\"|+79001234567|42|1010|34|12:30"},
        IniCase{"[FormTest]\ncbOn=1\nrb2=1\nrb1=1\n", kFilled},
        IniCase{"[FORMTEST]\nCBON=1\nETNAME=abc\n", "abc|+79001234567|42|1001|34|12:30"}));

// A list position the page cannot show (beyond its five items) stays in the file until the combo box
// shows an item of its own; each case does one thing to the page between the load and the save.
struct UnshownCase {
    const char* name;
    std::function<void(TestPage&)> between;
    const char* saved;  // cbType then cbxWay
};

class UnshownPositions : public PageBase, public ::testing::WithParamInterface<UnshownCase> {};

TEST_P(UnshownPositions, AreSavedAsTheFileHadThemUntilAnItemIsShown)
{
    TestPage& page = FilledPage();
    page.LoadFromIni(Ini("[FormTest]\ncbType= 7\ncbxWay=0x40\n"));
    EXPECT_EQ(page.cbType->ItemIndex(), -1);
    GetParam().between(page);
    TMemIniFile ini(file);
    page.SaveToIni(ini);
    EXPECT_EQ(ini.ReadString("FormTest", "cbType", "") + "|" + ini.ReadString("FormTest", "cbxWay", ""), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    PageBase, UnshownPositions,
    ::testing::Values(
        UnshownCase{"Untouched", [](TestPage&) {}, " 7|0x40"},
        UnshownCase{"Picked", [](TestPage& p) { p.cbType->UserSelect(2); }, "2|0x40"},
        UnshownCase{"SetByADeviceRead", [](TestPage& p) { p.cbxWay->SetItemIndex(1); }, " 7|1"},
        UnshownCase{"ListGrew",
                    [](TestPage& p) {
                        for (const char* item : {"Шестой", "Седьмой", "Восьмой"}) p.cbType->Items().Add(item);
                        p.cbType->SetItemIndex(7);
                    },
                    "7|0x40"},
        UnshownCase{"AnotherFileLoaded",
                    [](TestPage& p) { p.LoadFromIni(TMemIniFile::FromBytes("other.ini", "[FormTest]\ncbType=1\n")); },
                    "1|0x40"},
        UnshownCase{"DefaultsThatCannotBeShownEither",
                    [](TestPage& p) {
                        p.cbType->SetHint("39");
                        p.LoadDefaults();
                    },
                    " 7|0x40"}),
    [](const ::testing::TestParamInfo<UnshownCase>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ clear and marks

void Mark(TestPage& p)
{
    for (TControl* c : std::vector<TControl*>{p.lbTitle, p.ImeiLabel, p.etName, p.seCount, p.cbOn, p.rb1, p.meTime}) {
        c->Font().SetStyle({fsBold});
        c->Font().SetColor(clRed);
    }
    p.cbOn->SetCaption("!");
    p.rb1->SetCaption("!");
    p.cbOff->SetCaption("!!");
    p.ImeiLabel->SetCaption("IMEI 123");
}

// Bold or not, per control, and the captions that can carry the mark.
std::string Marks(const TestPage& p)
{
    std::string marks;
    for (const TControl* c : std::vector<const TControl*>{p.lbTitle, p.ImeiLabel, p.etName, p.seCount, p.cbOn, p.rb1, p.meTime})
        marks += c->Font().Style().Empty() ? "." : "B";
    return marks + " " + p.cbOn->Caption() + "|" + p.rb1->Caption() + "|" + p.cbOff->Caption() + "|" + p.ImeiLabel->Caption();
}

// Clear keeps radio buttons, spin edits, combos and the IMEI label; neither touches mask edits' marks.
TEST_F(PageBase, ClearEmptiesValuesAndMarksAndResetMarksOnlyMarks)
{
    TestPage& page = FilledPage();
    Mark(page);
    page.ResetMarks();
    EXPECT_EQ(Values(page), kFilled);
    EXPECT_EQ(Marks(page), "......B ||!!|IMEI 123");
    EXPECT_EQ(page.ImeiLabel->Font().Color(), clWindowText);
    page.rb1->SetChecked(true);
    Mark(page);
    page.Clear();
    EXPECT_EQ(Values(page), "||42|0010|34|");
    EXPECT_EQ(Marks(page), ".B....B ||!!|IMEI 123");
    EXPECT_EQ(page.lbTitle->Font().Color(), clWindowText);
    EXPECT_EQ(page.ImeiLabel->Font().Color(), clRed);
}

// ------------------------------------------------------------------ factory defaults

using Hints = std::vector<std::pair<TControl*, const char*>>;

TEST_F(PageBase, DefaultsComeFromTheHintsAndAnUnusableHintKeepsItsControlAsItWas)
{
    TestPage& p = FilledPage();
    auto* filtered = Create<TFilteredEdit>(&p, "etFiltered", &p);
    for (const auto& [c, hint] : Hints{{p.etName, "Объект"}, {p.seCount, "5"}, {p.cbOn, "false"}, {p.cbOff, "True"}, {p.rb1, "1"},
                                       {p.rb2, "0"}, {p.cbType, "2"}, {p.cbxWay, "0"}, {p.meTime, "00:00"}, {filtered, "default"}})
        c->SetHint(hint);
    p.LoadDefaults();
    EXPECT_EQ(Values(p), "Объект||5|0110|20|00:00");
    EXPECT_EQ(filtered->Text(), "default");

    // The common page's IMEI box has no hint; a combo hint is decimal only.
    TestPage& q = FilledPage("FormOther");
    for (const auto& [c, hint] : Hints{{q.etName, "before"}, {q.cbOff, "yes"}, {q.cbType, "x1"}, {q.cbxWay, "0x2"}, {q.meTime, "after"}})
        c->SetHint(hint);
    q.LoadDefaults();
    EXPECT_EQ(Values(q), "before|||1001|34|after");
}

TEST(HintConversion, BooleansAreTrueFalseOrNumbersAndIntegersDecimalOnly)
{
    for (const char* yes : {"TRUE", "true", "-1", "2"}) EXPECT_EQ(HintAsBoolean(yes), true) << yes;
    for (const char* no : {"False", "0", "0.0"}) EXPECT_EQ(HintAsBoolean(no), false) << no;
    for (const char* bad : {"", " ", "yes", "nan", "inf", "1 ", "T", "ДА"}) EXPECT_EQ(HintAsBoolean(bad), std::nullopt) << bad;
    EXPECT_EQ(HintAsInteger("12"), 12);
    EXPECT_EQ(HintAsInteger("+3"), 3);
    EXPECT_EQ(HintAsInteger("-1"), -1);
    for (const char* bad : {"", "0x3", "$3", "3a", "++3", "99999999999", " 1"}) EXPECT_EQ(HintAsInteger(bad), std::nullopt) << bad;
}

}  // namespace
