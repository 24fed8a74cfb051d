#include "app/FormController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/fIn.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// Some controls sit inside a group box: the routines follow ownership, not parents.
class TestPage : public TformIncl {
public:
    explicit TestPage(TComponent* owner) : TformIncl(owner)
    {
        GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
        lbTitle = Create<TLabel>(this, "lbTitle", this);
        ImeiLabel = Create<TLabel>(this, "ImeiLabel", this);
        etName = Create<TEdit>(this, "etName", GroupBox1);
        etPhone = Create<TEdit>(this, "etPhone", GroupBox1);
        seCount = Create<TSpinEdit>(this, "seCount", GroupBox1);
        cbOn = Create<TCheckBox>(this, "cbOn", GroupBox1);
        cbOff = Create<TCheckBox>(this, "cbOff", GroupBox1);
        rb1 = Create<TRadioButton>(this, "rb1", GroupBox1);
        rb2 = Create<TRadioButton>(this, "rb2", GroupBox1);
        cbType = Create<TComboBox>(this, "cbType", this);
        cbxWay = Create<TComboBoxEx>(this, "cbxWay", this);
        meTime = Create<TMaskEdit>(this, "meTime", this);
        Button1 = Create<TButton>(this, "Button1", this);
        for (const char* item : {"Altonika", "Bolid", "Paradox", "Четвёртый", "Пятый"}) cbType->Items().Add(item);
        for (const char* item : {"GSM", "SMS", "GPRS", "LAN", "ТфОП"}) cbxWay->AddItem(item, -1, -1, -1, 0, 0);
    }

    TGroupBox* GroupBox1;
    TLabel* lbTitle;
    TLabel* ImeiLabel;
    TEdit* etName;
    TEdit* etPhone;
    TSpinEdit* seCount;
    TCheckBox* cbOn;
    TCheckBox* cbOff;
    TRadioButton* rb1;
    TRadioButton* rb2;
    TComboBox* cbType;
    TComboBoxEx* cbxWay;
    TMaskEdit* meTime;
    TButton* Button1;
};

// An edit of the program's own kind: still an edit to the routines.
class TFilteredEdit : public TEdit {
public:
    using TEdit::TEdit;
};

// Stands in for the kit's parted progress bar: a class the routines know only through a registered rule.
class TPartsBar : public TProgressBar {
public:
    using TProgressBar::TProgressBar;
};

struct Values {
    std::string name, phone, count, time;
    bool on, off, rb1, rb2;
    int type, way;
    friend bool operator==(const Values&, const Values&) = default;
};

Values Read(const TestPage& p)
{
    return {p.etName->Text(),  p.etPhone->Text(),   p.seCount->Text(),  p.meTime->Text(),
            p.cbOn->Checked(), p.cbOff->Checked(),  p.rb1->Checked(),   p.rb2->Checked(),
            p.cbType->ItemIndex(), p.cbxWay->ItemIndex()};
}

void Fill(TestPage& p)
{
    p.etName->SetText("Объект №5 \"Склад\"");
    p.etPhone->SetText("+79001234567");
    p.seCount->SetText("42");
    p.meTime->SetText("12:30");
    p.cbOn->SetChecked(true);
    p.cbOff->SetChecked(false);
    p.rb2->SetChecked(true);
    p.cbType->SetItemIndex(3);
    p.cbxWay->SetItemIndex(4);
}

class PageBase : public ::testing::Test {
protected:
    TestPage& NewPage(const std::string& name = "FormTest") { return *Create<TestPage>(&scope.App(), name); }

    // An ini file with the given content, read back the way the program reads current.ini.
    TMemIniFile Ini(const std::string& text)
    {
        const auto path = dir / "page.ini";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return TMemIniFile(path);
    }

    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("sorvel-pagebase-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    ApplicationScope scope;
    std::filesystem::path dir;
};

// ------------------------------------------------------------------ ini round trip and read rules

TEST_F(PageBase, SavedPageLoadsBackIntoTheSameValuesThroughTheFile)
{
    TestPage& source = NewPage();
    Fill(source);
    const auto path = dir / "current.ini";
    {
        TMemIniFile ini(path);
        source.SaveToIni(ini);
        ini.UpdateFile();
    }
    Free(&source);
    TestPage& target = NewPage();
    const TMemIniFile ini(path);
    target.LoadFromIni(ini);
    EXPECT_EQ(Read(target), (Values{"Объект №5 \"Склад\"", "+79001234567", "42", "12:30", true, false, false, true, 3, 4}));
}

TEST_F(PageBase, SavesOneKeyPerStoredControlUnderThePageName)
{
    TestPage& page = NewPage();
    Fill(page);
    TMemIniFile ini(dir / "x.ini");
    page.SaveToIni(ini);
    EXPECT_EQ(ini.ReadSection("FormTest"), (std::vector<std::string>{"etName", "etPhone", "seCount", "cbOn", "cbOff",
                                                                    "rb1", "rb2", "cbType", "cbxWay", "meTime"}));
    EXPECT_EQ(ini.ReadString("FormTest", "cbOn", ""), "1");
    EXPECT_EQ(ini.ReadString("FormTest", "cbxWay", ""), "4");
}

TEST_F(PageBase, NoSelectionAndEmptyTextsRoundTripToo)
{
    TestPage& page = NewPage();
    page.cbType->SetItemIndex(-1);
    page.cbxWay->SetItemIndex(-1);
    page.etName->SetText("");
    page.seCount->SetText("7");
    TMemIniFile ini(dir / "x.ini");
    page.SaveToIni(ini);
    page.cbType->SetItemIndex(1);
    page.cbxWay->SetItemIndex(1);
    page.etName->SetText("old");
    page.LoadFromIni(ini);
    EXPECT_EQ(page.cbType->ItemIndex(), -1);
    EXPECT_EQ(page.cbxWay->ItemIndex(), -1);
    EXPECT_EQ(page.etName->Text(), "");
}

// Each case loads over a filled page and names what changes.
TEST_F(PageBase, ValuesReadFromTheIni)
{
    struct Case {
        const char* ini;
        void (*change)(Values&);
    };
    const Case cases[] = {
        {"[OtherPage]\ncbOn=1\n", [](Values& v) { v.on = false; }},  // a missing section unchecks the boxes only
        {"[FormTest]\netName=\nseCount=\nmeTime=\n",
         [](Values& v) { v.name = v.time = ""; v.on = false; }},  // a spin edit keeps its number for an empty value
        {"[FormTest]\ncbOn=1\ncbType=0x2\ncbxWay=0X1\n", [](Values& v) { v.type = 2; v.way = 1; }},
        {"[FormTest]\ncbOn=1\ncbType=abc\ncbxWay=\n", [](Values&) {}},  // a combo keeps its item when nothing converts
        {"[FormTest]\ncbOn=2\ncbOff=0x10\n", [](Values& v) { v.off = true; }},
        {"[FormTest]\ncbOn=yes\ncbOff=0\n", [](Values& v) { v.on = false; }},
        {"[FormTest]\ncbOn=1\nrb1=yes\n", [](Values&) {}},  // a radio keeps its state for what is not a number
        {"[FormTest]\ncbOn=1\nrb1=1\nrb2=0\n", [](Values& v) { v.rb1 = true; v.rb2 = false; }},
        {"[FormTest]\ncbOn=1\nrb1=0\nrb2=1\n", [](Values&) {}},
        {"[FormTest]\ncbOn=1\nrb2=0\nrb1=1\n", [](Values& v) { v.rb1 = true; v.rb2 = false; }},
        {"[FORMTEST]\nCBON=1\nETNAME=abc\n", [](Values& v) { v.name = "abc"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        TestPage& page = NewPage();
        Fill(page);
        Values expected = Read(page);
        c.change(expected);
        page.LoadFromIni(Ini(c.ini));
        EXPECT_EQ(Read(page), expected);
        Free(&page);
    }
}

TEST_F(PageBase, ControlsAreLoadedInCreationOrderSoTheLastCheckedRadioWins)
{
    TestPage& page = NewPage();
    page.LoadFromIni(Ini("[FormTest]\nrb1=1\nrb2=1\n"));
    EXPECT_FALSE(page.rb1->Checked());
    EXPECT_TRUE(page.rb2->Checked());
}

TEST_F(PageBase, LoadingRunsTheClickHandlersOfChangedBoxes)
{
    TestPage& page = NewPage();
    int clicks = 0;
    page.cbOn->OnClick = [&](TObject*) { ++clicks; };
    page.LoadFromIni(Ini("[FormTest]\ncbOn=1\n"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(PageBase, OnlyComponentsThePageOwnsAreStored)
{
    TestPage& page = NewPage();
    TestPage& other = NewPage("FormElse");
    auto* stranger = Create<TEdit>(&other, "etStranger", page.GroupBox1);
    auto* unnamed = Create<TEdit>(&page, "", page.GroupBox1);
    stranger->SetText("a");
    unnamed->SetText("b");
    TMemIniFile ini(dir / "x.ini");
    page.SaveToIni(ini);
    EXPECT_FALSE(ini.ValueExists("FormTest", "etStranger"));
    EXPECT_EQ(ini.ReadSection("FormTest").size(), 10u);
}

TEST_F(PageBase, SubclassesAreHandledAsTheirBaseClass)
{
    TestPage& page = NewPage();
    auto* filtered = Create<TFilteredEdit>(&page, "etFiltered", &page);
    filtered->SetText("x");
    filtered->SetHint("default");
    TMemIniFile ini(dir / "x.ini");
    page.SaveToIni(ini);
    EXPECT_EQ(ini.ReadString("FormTest", "etFiltered", ""), "x");
    page.LoadDefaults();
    EXPECT_EQ(filtered->Text(), "default");
    page.Clear();
    EXPECT_EQ(filtered->Text(), "");
}

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

TEST_F(PageBase, ClearEmptiesValuesAndMarksButKeepsRadioButtonsAndTheImeiLabel)
{
    TestPage& page = NewPage();
    Fill(page);
    page.rb1->SetChecked(true);
    Mark(page);
    page.Clear();

    EXPECT_EQ(page.etName->Text(), "");
    EXPECT_EQ(page.meTime->Text(), "");
    EXPECT_EQ(page.seCount->Text(), "42") << "a spin edit keeps its number";
    EXPECT_FALSE(page.cbOn->Checked());
    EXPECT_TRUE(page.rb1->Checked());
    EXPECT_EQ(page.cbType->ItemIndex(), 3) << "combo boxes are not cleared";

    EXPECT_EQ(page.rb1->Caption(), "");
    EXPECT_EQ(page.cbOff->Caption(), "!!") << "only a caption that is exactly the mark goes";
    for (TControl* c : std::vector<TControl*>{page.lbTitle, page.etName, page.seCount, page.cbOn, page.rb1})
        EXPECT_TRUE(c->Font().Style().Empty()) << c->Name();
    EXPECT_EQ(page.lbTitle->Font().Color(), clWindowText);

    EXPECT_EQ(page.ImeiLabel->Caption(), "IMEI 123");
    EXPECT_EQ(page.ImeiLabel->Font().Color(), clRed);
    EXPECT_EQ(page.ImeiLabel->Font().Style(), TFontStyles{fsBold});
}

TEST_F(PageBase, ResetMarksChangesNoValueAndResetsEveryLabel)
{
    TestPage& page = NewPage();
    Fill(page);
    Mark(page);
    const Values before = Read(page);
    page.ResetMarks();

    EXPECT_EQ(Read(page), before);
    EXPECT_EQ(page.rb1->Caption(), "");
    for (TControl* c : std::vector<TControl*>{page.lbTitle, page.ImeiLabel, page.etName, page.seCount, page.cbOn, page.rb1})
        EXPECT_TRUE(c->Font().Style().Empty()) << c->Name();
    EXPECT_EQ(page.ImeiLabel->Caption(), "IMEI 123");
    EXPECT_EQ(page.meTime->Font().Style(), TFontStyles{fsBold}) << "mask edits carry no marks";
}

// ------------------------------------------------------------------ factory defaults

TEST_F(PageBase, DefaultsComeFromTheHints)
{
    TestPage& page = NewPage();
    Fill(page);
    page.etName->SetHint("Объект");
    page.etPhone->SetHint("");
    page.seCount->SetHint("5");
    page.meTime->SetHint("00:00");
    page.cbOn->SetHint("false");
    page.cbOff->SetHint("True");
    page.rb1->SetHint("1");
    page.rb2->SetHint("0");
    page.cbType->SetHint("2");
    page.cbxWay->SetHint("0");
    page.LoadDefaults();
    EXPECT_EQ(Read(page), (Values{"Объект", "", "5", "00:00", false, true, true, false, 2, 0}));
}

TEST_F(PageBase, AControlWithoutAUsableHintKeepsItsValueAndTheOthersStillGetTheirs)
{
    TestPage& page = NewPage();
    Fill(page);
    page.etName->SetHint("before");
    page.cbOn->SetHint("");       // like the common page's IMEI box: no factory default
    page.cbOff->SetHint("yes");
    page.rb1->SetHint("");
    page.rb2->SetHint("");
    page.cbType->SetHint("x1");
    page.cbxWay->SetHint("0x2");  // defaults are decimal only
    page.meTime->SetHint("after");
    page.LoadDefaults();
    EXPECT_EQ(Read(page), (Values{"before", "", "", "after", true, false, false, true, 3, 4}));
}

TEST_F(PageBase, RegisteredClassesTakeTheirDefaultsAfterTheStandardOnes)
{
    TestPage& page = NewPage();
    auto* bar = Create<TPartsBar>(&page, "KitProgressBar1", &page);
    bar->SetHint("7");
    auto* plainBar = Create<TProgressBar>(&page, "pb", &page);
    plainBar->SetHint("9");
    {
        const HintDefaultRegistration rule(HintDefaultFor<TPartsBar>([](TPartsBar& b, const std::string& hint) {
            if (const auto parts = HintAsInteger(hint)) b.SetPosition(*parts);
        }));
        page.LoadDefaults();
        EXPECT_EQ(bar->Position(), 7);
        EXPECT_EQ(plainBar->Position(), 0) << "a class nobody registered is left alone";
        bar->SetHint("many");
        page.LoadDefaults();
        EXPECT_EQ(bar->Position(), 7);
    }
    bar->SetHint("3");
    page.LoadDefaults();
    EXPECT_EQ(bar->Position(), 7) << "the rule ends with its registration";
}

TEST(HintConversion, BooleansAreTrueFalseOrNumbers)
{
    for (const char* yes : {"TRUE", "true", "-1", "2"}) EXPECT_EQ(HintAsBoolean(yes), true) << yes;
    for (const char* no : {"False", "0", "0.0"}) EXPECT_EQ(HintAsBoolean(no), false) << no;
    for (const char* bad : {"", " ", "yes", "nan", "inf", "1 ", "T", "ДА"}) EXPECT_EQ(HintAsBoolean(bad), std::nullopt) << bad;
}

TEST(HintConversion, IntegersAreDecimalOnly)
{
    EXPECT_EQ(HintAsInteger("12"), 12);
    EXPECT_EQ(HintAsInteger("+3"), 3);
    EXPECT_EQ(HintAsInteger("-1"), -1);
    for (const char* bad : {"", "0x3", "$3", "3a", "++3", "99999999999", " 1"}) EXPECT_EQ(HintAsInteger(bad), std::nullopt) << bad;
}

}  // namespace
