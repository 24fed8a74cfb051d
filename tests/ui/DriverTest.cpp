#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/UiTest.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// Filters in the program's style: a refused key becomes 0; Backspace always passes.
void DigitsKeyPress(TObject*, char32_t& key)
{
    if (key != U'\b' && key != U'+' && (key < U'0' || key > U'9')) key = 0;
}

void HexKeyPress(TObject*, char32_t& key)
{
    const char32_t k = UpperChar(key);
    if (key != U'\b' && !((k >= U'0' && k <= U'9') || (k >= U'A' && k <= U'F'))) key = 0;
}

using DriverTest = testsupport::UiTest;

// What typing leaves in each kind of control, key filters and masks included.
struct Typing {
    const char* name;
    std::function<TWinControl*(TForm*)> make;
    const char* typed;
    const char* text;
};

template <class T>
T* Made(TForm* form)
{
    return Create<T>(form, "c", form);
}

const Typing kTyping[] = {
    {"FilterAndBackspace", [](TForm* f) { auto* e = Made<TEdit>(f); e->OnKeyPress = DigitsKeyPress; return e; },
     "1,2a3\b", "12"},
    {"FilterInstalledFromKeyDownMaxLengthAndCase",
     [](TForm* f) {
         auto* e = Made<TEdit>(f);
         e->SetMaxLength(4);
         e->SetCharCase(ecUpperCase);
         e->OnKeyDown = [e](TObject*, std::uint16_t&, TShiftState) { e->OnKeyPress = HexKeyPress; };
         return e;
     },
     "g5a;0ff", "5A0F"},
    {"ReadOnly", [](TForm* f) { auto* e = Made<TEdit>(f); e->SetReadOnly(true); return e; }, "12", ""},
    {"ReplacesTheSelection",
     [](TForm* f) {
         auto* e = Made<TEdit>(f);
         e->SetText("абвгд");
         e->SetSelStart(1);
         e->SetSelLength(3);
         return e;
     },
     "Ж!", "аЖ!д"},
    {"EditableCombo", [](TForm* f) { auto* c = Made<TComboBox>(f); c->OnKeyPress = DigitsKeyPress; return c; },
     "+7x9", "+79"},
    {"SpinEditTakesDigitsOnly", [](TForm* f) { auto* s = Made<TSpinEdit>(f); s->SetText(""); return s; }, "1a2", "12"},
    {"MaskSkipsLiteralsAndStopsWhenFull",
     [](TForm* f) { auto* m = Made<TMaskEdit>(f); m->SetEditMask("!99,99;1;_"); return m; }, "1x1509\b\b", "11,  "},
    {"MemoEnterStartsALine", [](TForm* f) { return Made<TMemo>(f); }, "a\rb", "a\r\nb"},
};

class DriverTyping : public DriverTest, public ::testing::WithParamInterface<Typing> {};

TEST_P(DriverTyping, LeavesTheText)
{
    TWinControl* control = GetParam().make(form);
    ASSERT_TRUE(user.TypeText(*control, GetParam().typed));
    EXPECT_EQ(control->Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Controls, DriverTyping, ::testing::ValuesIn(kTyping),
                         [](const auto& info) { return std::string(info.param.name); });

// Which controls an input reports as set: those whose value it changed, the one it went to first.
struct Reported {
    const char* name;
    std::function<void(TForm*, Driver&)> input;
    std::vector<std::string> set;
};

TEdit* Field(TForm* f, const char* text, int caret)
{
    auto* e = Create<TEdit>(f, "field", f);
    e->SetText(text);
    e->SetSelStart(caret);
    return e;
}

const Reported kReported[] = {
    {"KeysInAnEmptyField",
     [](TForm* f, Driver& user) {
         TEdit* e = Field(f, "", 0);
         for (const std::uint16_t key : {VK_BACK, VK_DELETE, VK_DOWN, VK_LEFT, VK_SPACE}) user.PressKey(*e, key);
         user.TypeText(*e, "\b");
     },
     {}},
    {"ACharacterTheFilterRefuses",
     [](TForm* f, Driver& user) {
         TEdit* e = Field(f, "", 0);
         e->OnKeyPress = DigitsKeyPress;
         user.TypeText(*e, "x ");
     },
     {}},
    {"DeleteTakesTheCharacterAfterTheCaret",
     [](TForm* f, Driver& user) {
         TEdit* e = Field(f, "abc", 1);
         user.PressKey(*e, VK_DELETE);
         EXPECT_EQ(e->Text(), "ac");
     },
     {"field"}},
    {"DeleteTakesALineBreakWhole",
     [](TForm* f, Driver& user) {
         auto* m = Create<TMemo>(f, "memo", f);
         m->SetText("a\r\nb");
         m->SetSelStart(1);
         user.PressKey(*m, VK_DELETE);
         EXPECT_EQ(m->Text(), "ab");
     },
     {"memo"}},
    {"ARadioButtonChecksAndUnchecksItsSibling",
     [](TForm* f, Driver& user) {
         Create<TRadioButton>(f, "first", f)->SetChecked(true);
         user.Click(*Create<TRadioButton>(f, "second", f));
     },
     {"second", "first"}},
    {"TheCheckedRadioButtonClicked",
     [](TForm* f, Driver& user) {
         auto* r = Create<TRadioButton>(f, "first", f);
         r->SetChecked(true);
         user.Click(*r);
     },
     {}},
    {"WhatAControlDoesOnLeavingIsNoInput",
     [](TForm* f, Driver& user) {
         auto* left = Create<TCheckBox>(f, "left", f);
         left->OnExit = [left](TObject*) { left->SetChecked(true); };
         user.Focus(*left);
         user.Click(*Create<TCheckBox>(f, "clicked", f));
         EXPECT_TRUE(left->Checked());
     },
     {"clicked"}},
};

class DriverReports : public DriverTest, public ::testing::WithParamInterface<Reported> {};

TEST_P(DriverReports, TheControlsAnInputSet)
{
    std::vector<std::string> set;
    app.OnUserInput = [&](TControl& c) { set.push_back(c.Name()); };
    GetParam().input(form, user);
    EXPECT_EQ(set, GetParam().set);
}

INSTANTIATE_TEST_SUITE_P(Inputs, DriverReports, ::testing::ValuesIn(kReported),
                         [](const auto& info) { return std::string(info.param.name); });

// Key preview and menu shortcuts, the disabled menu during an operation included, are held by the main
// window's and the history page's key tests.

TEST_F(DriverTest, ClicksFocusFirstToggleCheckBoxesCheckRadiosOnceInTheirParentAndChooseInLists)
{
    auto* edit = Create<TEdit>(form, "etO", form);
    auto* box = Create<TCheckBox>(form, "vosst", form);
    auto* rb1 = Create<TRadioButton>(form, "rb1", form);
    auto* rb2 = Create<TRadioButton>(form, "rb2", form);
    auto* elsewhere = Create<TRadioButton>(form, "rb3", Create<TGroupBox>(form, "box", form));
    elsewhere->SetChecked(true);
    std::vector<std::string> order;
    edit->OnExit = [&](TObject*) { order.push_back("exit"); };
    box->OnClick = [&](TObject*) { order.push_back("box"); };
    rb1->OnClick = [&](TObject*) { order.push_back("rb1"); };
    user.Focus(*edit);
    user.Click(*box);
    user.Click(*box);
    user.Click(*rb1);
    user.Click(*rb1);
    user.Click(*rb2);
    rb2->OnClick = rb1->OnClick;
    rb2->SetChecked(false);  // cleared from code: no click
    EXPECT_EQ(order, (std::vector<std::string>{"exit", "box", "box", "rb1"}));
    EXPECT_FALSE(box->Checked() || rb1->Checked());
    EXPECT_TRUE(elsewhere->Checked()) << "radio buttons are exclusive within their parent only";
    Free(rb1);
    EXPECT_EQ(form->ActiveControl(), rb2) << "freeing another control keeps the focus";
    Free(rb2);
    EXPECT_EQ(form->ActiveControl(), nullptr) << "a freed control leaves no focus behind";
    // A list's choice fires a click, then its select or its change.
    auto* combo = Create<TComboBox>(form, "cb1", form);
    combo->Items().Assign({"a", "b"});
    order.clear();
    combo->OnClick = [&](TObject*) { order.push_back("click"); };
    combo->OnChange = [&](TObject*) { order.push_back("change"); };
    user.Select(*combo, 1);
    combo->OnSelect = [&](TObject*) { order.push_back("select"); };
    user.Select(*combo, 0);
    EXPECT_FALSE(user.Select(*combo, 5));
    EXPECT_EQ(order, (std::vector<std::string>{"click", "change", "click", "select"}));
}

TEST_F(DriverTest, DisabledOrHiddenControlsRefuseInputAndAFailingHandlerReachesTheApplication)
{
    auto* box = Create<TGroupBox>(form, "DeltaATest", form);
    auto* button = Create<TButton>(form, "tbRead", box);
    button->OnClick = [](TObject*) { throw std::runtime_error("Ошибка"); };
    std::vector<std::string> seen;
    app.OnException = [&](TObject*, std::exception_ptr e) { seen.push_back(ExceptionMessage(e)); };
    box->SetEnabled(false);
    EXPECT_FALSE(user.Click(*button));
    box->SetEnabled(true);
    box->Hide();
    EXPECT_FALSE(user.Click(*button));
    EXPECT_FALSE(user.MouseEnter(*button));
    box->Show();
    EXPECT_TRUE(user.Click(*button));
    EXPECT_TRUE(user.Click(*button)) << "the program goes on";
    EXPECT_EQ(seen, (std::vector<std::string>{"Ошибка", "Ошибка"}));
}

TEST_F(DriverTest, TabVisitsTheTabStopsInTabOrderAndWrapsAndOnlyWhatSetsAValueIsReportedAsInput)
{
    std::vector<std::string> inputs;
    app.OnUserInput = [&](TControl& c) { inputs.push_back(c.Name()); };
    auto* first = Create<TEdit>(form, "first", form);
    auto* box = Create<TGroupBox>(form, "box", form);
    Create<TEdit>(form, "inner", box);
    auto* skipped = Create<TEdit>(form, "skipped", form);
    skipped->SetTabStop(false);
    auto* disabled = Create<TEdit>(form, "disabled", form);
    disabled->SetEnabled(false);
    auto* last = Create<TEdit>(form, "last", form);
    last->SetTabOrder(0);  // now visited first
    EXPECT_EQ(first->TabOrder(), 1);
    std::vector<std::string> visited;
    user.Focus(*last);
    for (int i = 0; i < 3; ++i) {
        user.PressKey(*form->ActiveControl(), VK_TAB);
        visited.push_back(form->ActiveControl()->Name());
    }
    user.PressKey(*form->ActiveControl(), VK_TAB, {ssShift});
    visited.push_back(form->ActiveControl()->Name());
    EXPECT_EQ(visited, (std::vector<std::string>{"first", "inner", "last", "inner"}));
    user.Click(*first);  // into the field: nothing set yet
    user.TypeText(*first, "1\r");
    EXPECT_EQ(inputs, std::vector<std::string>{"first"});
}

// A radio group is one stop of the tab order, its checked button (its first while none is checked); the
// arrows move through it round its ends, checking what they reach, and pass a disabled button by.
TEST_F(DriverTest, ARadioGroupIsOneTabStopItsCheckedButtonAndTheArrowsMoveAndCheckWithinIt)
{
    auto* before = Create<TEdit>(form, "before", form);
    auto* group = Create<TGroupBox>(form, "GroupBox4", form);
    TRadioButton* radios[3];
    for (int i = 0; i < 3; ++i) radios[i] = Create<TRadioButton>(form, "rb" + std::to_string(i), group);
    Create<TEdit>(form, "after", form);
    const auto tab = [&](TShiftState shift = {}) {
        user.PressKey(*form->ActiveControl(), VK_TAB, shift);
        return form->ActiveControl()->Name();
    };
    user.Focus(*before);
    EXPECT_EQ(tab(), "rb0") << "a group with nothing checked is reached at its first button";
    radios[1]->SetChecked(true);
    user.Focus(*before);
    EXPECT_EQ((std::vector<std::string>{tab(), tab(), tab({ssShift}), tab({ssShift})}),
              (std::vector<std::string>{"rb1", "after", "rb1", "before"}));
    radios[0]->SetEnabled(false);
    std::vector<std::string> reached;
    user.Focus(*radios[1]);
    for (const std::uint16_t key : {VK_DOWN, VK_DOWN, VK_UP, VK_LEFT}) {
        user.PressKey(*form->ActiveControl(), key);
        reached.push_back(form->ActiveControl()->Name() + (static_cast<TRadioButton*>(form->ActiveControl())->Checked() ? "+" : ""));
    }
    EXPECT_EQ(reached, (std::vector<std::string>{"rb2+", "rb1+", "rb2+", "rb1+"}));
    EXPECT_EQ(std::vector<bool>({radios[1]->TabStop(), radios[2]->TabStop()}), std::vector<bool>({true, false}));
}

// Enter presses the window's default button wherever the focus is, a focused push button included; a
// window without a default button has Enter press the focused one.
TEST_F(DriverTest, EnterPressesTheDefaultButtonPastAFocusedButtonAndTheFocusedOneWithoutADefault)
{
    std::vector<std::string> clicks;
    auto* search = Create<TButton>(form, "AutoSearchButton", form);
    auto* ok = Create<TButton>(form, "OK", form);
    for (TButton* b : {search, ok}) b->OnClick = [&clicks, b](TObject*) { clicks.push_back(b->Name()); };
    user.Focus(*search);
    user.TypeChar(*search, U'\r');
    ok->SetDefault(true);
    user.TypeChar(*search, U'\r');
    EXPECT_EQ(clicks, (std::vector<std::string>{"AutoSearchButton", "OK"}));
}

}  // namespace
