#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace {

using namespace ui;

class StdCtrlsTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
};

TEST_F(StdCtrlsTest, CheckedFromCodeClicksOnlyWhenTheStateChanges)
{
    auto* box = Create<TCheckBox>(form, "cb", form);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(true);
    box->SetChecked(true);
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST_F(StdCtrlsTest, ClickHandlerExceptionFromCodeReachesTheCaller)
{
    auto* box = Create<TCheckBox>(form, "cb", form);
    box->OnClick = [](TObject*) { throw std::runtime_error("bad"); };
    EXPECT_THROW(box->SetChecked(true), std::runtime_error);
    EXPECT_TRUE(box->Checked());
}

TEST_F(StdCtrlsTest, RadioButtonsAreExclusiveWithinTheirParentAndClickWhenSelected)
{
    auto* panel1 = Create<TGroupBox>(form, "p1", form);
    auto* panel2 = Create<TGroupBox>(form, "p2", form);
    auto* andLink = Create<TRadioButton>(form, "rb1", panel1);
    auto* orLink = Create<TRadioButton>(form, "rb2", panel1);
    auto* elsewhere = Create<TRadioButton>(form, "rb3", panel2);
    std::vector<std::string> clicks;
    for (TRadioButton* rb : {andLink, orLink, elsewhere})
        rb->OnClick = [&clicks](TObject* s) { clicks.push_back(static_cast<TRadioButton*>(s)->Name()); };

    orLink->SetChecked(true);
    elsewhere->SetChecked(true);
    andLink->SetChecked(true);
    EXPECT_FALSE(orLink->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    andLink->SetChecked(true);   // already selected: nothing
    andLink->SetChecked(false);  // cleared: no click
    EXPECT_EQ(clicks, (std::vector<std::string>{"rb2", "rb3", "rb1"}));
}

TEST_F(StdCtrlsTest, EditTextFromCodeFiresOnChangeOnlyWhenItChanges)
{
    auto* edit = Create<TEdit>(form, "e", form);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("0050");
    edit->SetText("0050");
    edit->Clear();
    EXPECT_EQ(changes, 2);
}

TEST_F(StdCtrlsTest, AnOnChangeThatRewritesTheTextSettles)
{
    auto* edit = Create<TEdit>(form, "zadav", form);
    edit->OnChange = [edit](TObject*) {
        if (edit->Text().size() > 2) edit->SetText("63");
    };
    edit->SetText("700");
    EXPECT_EQ(edit->Text(), "63");
}

TEST_F(StdCtrlsTest, SortedComboPlacesAddButNotInsert)
{
    auto* combo = Create<TComboBox>(form, "cbPhones", form);
    combo->SetSorted(true);
    combo->Items().Add("+7903");
    combo->Items().Add("+7901");
    combo->Items().Add("+7902");
    combo->Items().Insert(0, "+7999");
    EXPECT_EQ(combo->Items().Join(","), "+7999,+7901,+7902,+7903");
}

TEST_F(StdCtrlsTest, ComboSelectionFromCodeFiresNothingAndOutOfRangeSelectsNothing)
{
    auto* combo = Create<TComboBox>(form, "c", form);
    int events = 0;
    combo->OnChange = [&](TObject*) { ++events; };
    combo->OnSelect = [&](TObject*) { ++events; };
    combo->OnClick = [&](TObject*) { ++events; };
    combo->Items().Assign({"Нет", "Один", "Два", "Три"});
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->Text(), "Два");
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(events, 0);
}

TEST_F(StdCtrlsTest, ComboSelectionFollowsItsItemThroughDeletesAndInserts)
{
    auto* combo = Create<TComboBox>(form, "c", form);
    combo->SetStyle(csDropDownList);
    combo->Items().Assign({"a", "b", "c", "d"});
    combo->SetItemIndex(2);
    combo->Items().Delete(0);
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->Items().Insert(0, "z");
    EXPECT_EQ(combo->Text(), "c");
    combo->Items().Delete(2);
    EXPECT_EQ(combo->Text(), "");
    combo->SetItemIndex(0);
    combo->Items().Clear();
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, EditableComboKeepsTypedTextAndLosesTheSelection)
{
    auto* combo = Create<TComboBox>(form, "cbPhones", form);
    combo->Items().Assign({"111", "222"});
    combo->SetItemIndex(1);
    combo->SetText("333");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Items().Delete(0);
    EXPECT_EQ(combo->Text(), "333");
}

TEST_F(StdCtrlsTest, ListOnlyComboTextSelectsTheMatchingItem)
{
    auto* combo = Create<TComboBox>(form, "c", form);
    combo->SetStyle(csDropDownList);
    combo->Items().Assign({"1", "2", "3"});
    combo->SetText("2");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText("9");
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ButtonSetsItsFormsModalResultBeforeItsHandler)
{
    auto* button = Create<TButton>(form, "bReDial", form);
    button->SetModalResult(mrOk);
    TModalResult seen = mrNone;
    button->OnClick = [&](TObject*) {
        seen = form->ModalResult();
        form->SetModalResult(mrNone);
    };
    button->Click();
    EXPECT_EQ(seen, mrOk);
    EXPECT_EQ(form->ModalResult(), mrNone);
}

TEST_F(StdCtrlsTest, SpinEditValueReadsTheTextAndHoldsItToTheRange)
{
    auto* spin = Create<TSpinEdit>(form, "etPartRes1", form);
    spin->SetMinValue(0);
    spin->SetMaxValue(99);
    spin->SetText("150");
    EXPECT_EQ(spin->Value(), 99);
    spin->SetText("abc");
    EXPECT_EQ(spin->Value(), 0);
    spin->SetValue(-4);
    EXPECT_EQ(spin->Text(), "0");
}

TEST_F(StdCtrlsTest, MemoLinesAndTextAreOneContent)
{
    auto* memo = Create<TMemo>(form, "BolidChat", form);
    int changes = 0;
    memo->OnChange = [&](TObject*) { ++changes; };
    memo->Lines().Add("Дата");
    memo->Lines().Add("Событие");
    EXPECT_EQ(memo->Text(), "Дата\r\nСобытие");
    memo->SetText("a\nb\nc");
    EXPECT_EQ(memo->Lines().Count(), 3);
    memo->Lines().Clear();
    EXPECT_EQ(changes, 4);
}

TEST_F(StdCtrlsTest, LabelSizesItselfToItsCaption)
{
    auto* label = Create<TLabel>(form, "l", form);
    label->SetCaption("Номер");
    const int narrow = label->Width();
    label->SetCaption("Номер телефона GPRS");
    EXPECT_GT(label->Width(), narrow);
}

TEST_F(StdCtrlsTest, StringListSortedAddAndIndexOf)
{
    TStringList list;
    list.SetSorted(true);
    list.Add("COM3");
    list.Add("com1");
    list.Add("COM2");
    EXPECT_EQ(list.Join(" "), "com1 COM2 COM3");
    EXPECT_EQ(list.IndexOf("com2"), 1);
    EXPECT_EQ(list.IndexOfExact("com2"), -1);
    EXPECT_THROW(list.Insert(0, "x"), std::logic_error);
    TStringList lines;
    lines.SetText("a\r\nb\n\nc\r\n");
    EXPECT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines.Text(), "a\r\nb\r\n\r\nc\r\n");
}

TEST_F(StdCtrlsTest, CaseFoldingCoversCyrillic)
{
    EXPECT_EQ(UpperCase("ёжик w"), "ЁЖИК W");
    EXPECT_TRUE(SameText("Панель", "пАНЕЛЬ"));
    EXPECT_LT(CompareText("а", "Б"), 0);
}

}  // namespace
