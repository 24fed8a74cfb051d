#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// Filters in the program's style: a refused key becomes 0; Backspace always passes.
void DigitsKeyPress(TObject*, char32_t& key)
{
    if (key != U'\b' && (key < U'0' || key > U'9')) key = 0;
}

void HexKeyPress(TObject*, char32_t& key)
{
    const char32_t k = UpperChar(key);
    if (key != U'\b' && !((k >= U'0' && k <= U'9') || (k >= U'A' && k <= U'F'))) key = 0;
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() { form->Show(); }
    ApplicationScope scope;
    Application& app = scope.App();
    Driver user{app};
    TForm* form = app.CreateForm<TForm>("FormCommon");
};

TEST_F(DriverTest, TypingGoesThroughTheKeyPressFilter)
{
    auto* edit = Create<TEdit>(form, "etAKBlogTime", form);
    edit->OnKeyPress = DigitsKeyPress;
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    user.TypeText(*edit, "1,2a3");
    EXPECT_EQ(changes, 3);
    user.TypeText(*edit, "\b");
    EXPECT_EQ(edit->Text(), "12");
}

TEST_F(DriverTest, AFilterInstalledFromKeyDownAppliesToThatVeryKey)
{
    auto* edit = Create<TEdit>(form, "etO", form);
    edit->SetMaxLength(4);
    edit->SetCharCase(ecUpperCase);
    edit->OnKeyDown = [edit](TObject*, std::uint16_t&, TShiftState) { edit->OnKeyPress = HexKeyPress; };
    user.TypeText(*edit, "g5a;0ff");
    EXPECT_EQ(edit->Text(), "5A0F");  // g and ; refused, the fifth character over MaxLength
}

TEST_F(DriverTest, ReadOnlyEditStillSeesKeysButDoesNotChange)
{
    auto* edit = Create<TEdit>(form, "etTime", form);
    edit->SetReadOnly(true);
    int keys = 0;
    edit->OnKeyPress = [&](TObject*, char32_t&) { ++keys; };
    user.TypeText(*edit, "12");
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(DriverTest, TypingReplacesTheSelectionAtTheCaret)
{
    auto* edit = Create<TEdit>(form, "e", form);
    edit->SetText("абвгд");
    edit->SetSelStart(1);
    edit->SetSelLength(3);
    user.TypeText(*edit, "Ж");
    EXPECT_EQ(edit->Text(), "аЖд");
    EXPECT_EQ(edit->SelStart(), 2);
}

TEST_F(DriverTest, KeyPreviewFormsSeeKeysFirstOutermostFirst)
{
    form->SetKeyPreview(true);
    auto* page = Create<TForm>(form, "FormHistory", form);
    page->SetKeyPreview(true);
    page->Show();
    auto* edit = Create<TEdit>(page, "Edit1", page);
    std::vector<std::string> order;
    form->OnKeyDown = [&](TObject* s, std::uint16_t&, TShiftState) { order.push_back(s == form ? "main" : "?"); };
    page->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) {
        order.push_back("page");
        if (key == VK_ESCAPE) key = 0;
    };
    edit->OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { order.push_back("edit"); };
    user.PressKey(*edit, 'U', {ssCtrl, ssAlt});
    user.PressKey(*edit, VK_ESCAPE);
    EXPECT_EQ(order, (std::vector<std::string>{"main", "page", "edit", "main", "page"}));

    form->OnKeyPress = [](TObject*, char32_t& key) {
        if (key == U'x') key = 0;
    };
    user.TypeText(*edit, "axb");
    EXPECT_EQ(edit->Text(), "ab");
}

TEST_F(DriverTest, MenuShortcutsComeFirstAndNeedEveryLevelEnabled)
{
    auto* menu = Create<TMainMenu>(form, "MainMenu1");
    auto* panel = Create<TMenuItem>(form, "N4");
    auto* read = Create<TMenuItem>(form, "mnuRead");
    menu->Items().Add(panel);
    panel->Add(read);
    read->SetShortCut(ShortCut('R', {ssCtrl}));
    int reads = 0;
    read->OnClick = [&](TObject*) { ++reads; };
    auto* edit = Create<TEdit>(form, "e", form);
    int editKeys = 0;
    edit->OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { ++editKeys; };

    user.PressKey(*edit, 'R', {ssCtrl});
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(editKeys, 0);
    panel->SetEnabled(false);  // an operation runs: the top-level items are disabled
    user.PressKey(*edit, 'R', {ssCtrl});
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(editKeys, 1);
    EXPECT_FALSE(user.Click(*read));
}

TEST_F(DriverTest, ClickFocusesFirstSoTheEditSeesItsExit)
{
    auto* edit = Create<TEdit>(form, "etO", form);
    auto* button = Create<TButton>(form, "btnSync", form);
    std::vector<std::string> order;
    edit->OnExit = [&](TObject*) { order.push_back("exit"); };
    button->OnClick = [&](TObject*) { order.push_back("click"); };
    user.Focus(*edit);
    user.Click(*button);
    EXPECT_EQ(order, (std::vector<std::string>{"exit", "click"}));
}

TEST_F(DriverTest, ClicksToggleCheckBoxesAndCheckRadios)
{
    auto* box = Create<TCheckBox>(form, "vosst", form);
    auto* rb1 = Create<TRadioButton>(form, "rb1", form);
    auto* rb2 = Create<TRadioButton>(form, "rb2", form);
    int radioClicks = 0;
    rb1->OnClick = [&](TObject*) { ++radioClicks; };
    user.Click(*box);
    user.Click(*box);
    EXPECT_FALSE(box->Checked());
    user.Click(*rb1);
    user.Click(*rb1);
    EXPECT_EQ(radioClicks, 1);
    user.Click(*rb2);
    EXPECT_FALSE(rb1->Checked());
}

TEST_F(DriverTest, DisabledOrHiddenControlsRefuseInput)
{
    auto* box = Create<TGroupBox>(form, "DeltaATest", form);
    auto* button = Create<TButton>(form, "b", box);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    box->SetEnabled(false);
    EXPECT_FALSE(user.Click(*button));
    box->SetEnabled(true);
    box->Hide();
    EXPECT_FALSE(user.Click(*button));
    EXPECT_EQ(clicks, 0);
}

TEST_F(DriverTest, AnExceptionInAUserHandlerGoesToTheApplicationAndTheProgramGoesOn)
{
    auto* button = Create<TButton>(form, "tbRead", form);
    button->OnClick = [](TObject*) { throw std::runtime_error("Ошибка"); };
    std::string seen;
    app.OnException = [&](TObject*, std::exception_ptr e) { seen = ExceptionMessage(e); };
    EXPECT_TRUE(user.Click(*button));
    EXPECT_EQ(seen, "Ошибка");
    EXPECT_TRUE(user.Click(*button));
}

TEST_F(DriverTest, UserSelectionFiresClickThenSelectOrChange)
{
    auto* combo = Create<TComboBox>(form, "cb1", form);
    combo->Items().Assign({"a", "b"});
    std::vector<std::string> events;
    combo->OnClick = [&](TObject*) { events.push_back("click"); };
    combo->OnChange = [&](TObject*) { events.push_back("change"); };
    user.Select(*combo, 1);
    combo->OnSelect = [&](TObject*) { events.push_back("select"); };
    user.Select(*combo, 0);
    EXPECT_FALSE(user.Select(*combo, 5));
    EXPECT_EQ(events, (std::vector<std::string>{"click", "change", "click", "select"}));
}

TEST_F(DriverTest, TypingIntoAnEditableComboChangesItsText)
{
    auto* combo = Create<TComboBox>(form, "cbPhones", form);
    combo->OnKeyPress = [](TObject*, char32_t& key) {
        if (key != U'+' && key != U'\b' && (key < U'0' || key > U'9')) key = 0;
    };
    user.TypeText(*combo, "+7x9");
    EXPECT_EQ(combo->Text(), "+79");
}

TEST_F(DriverTest, SpinEditTakesDigitsAndArrows)
{
    auto* spin = Create<TSpinEdit>(form, "etLoopRes1", form);
    spin->SetMaxValue(999);
    spin->SetText("");
    user.TypeText(*spin, "1a2");
    user.PressKey(*spin, VK_UP);
    EXPECT_EQ(spin->Value(), 13);
}

TEST_F(DriverTest, MaskEditFillsPositionsAndSkipsLiterals)
{
    auto* mask = Create<TMaskEdit>(form, "meAKBtreshN", form);
    mask->SetEditMask("!99,99;1;_");
    user.TypeText(*mask, "1x1");
    EXPECT_EQ(mask->EditText(), "11,__");
    user.TypeText(*mask, "50");
    user.TypeText(*mask, "9");  // no position left
    EXPECT_EQ(mask->Text(), "11,50");
    user.TypeText(*mask, "\b\b");
    EXPECT_EQ(mask->Text(), "11,  ");
}

TEST_F(DriverTest, AdvanceNeedsAManualClock)
{
    Application real(platform::SystemClock());
    Driver driver(real);
    EXPECT_THROW(driver.Advance(1), std::logic_error);
}

}  // namespace

namespace {

// A control that answers dialog keys and accelerators itself, and notes the focus announcements.
class KeyAnswering : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    bool DialogKey(std::uint16_t key, TShiftState) override
    {
        keys.push_back(key);
        return key == wanted;
    }
    bool DialogChar(char32_t ch) override { return ch == U'q'; }
    void FocusAnnounced(TWinControl* focused) override { announced.push_back(focused); }
    void KeyUp(std::uint16_t& key, TShiftState) override { released.push_back(key); }

    std::uint16_t wanted = 0;
    std::vector<std::uint16_t> keys;
    std::vector<TWinControl*> announced;
    std::vector<std::uint16_t> released;
};

}  // namespace

TEST_F(DriverTest, DialogKeysReachControlsThatAnswerThemBeforeTheStandardButtons)
{
    auto* edit = Create<TEdit>(form, "etO", form);
    auto* own = Create<KeyAnswering>(form, "Own", form);
    auto* button = Create<TButton>(form, "OK", form);
    button->SetDefault(true);
    int pressed = 0;
    button->OnClick = [&](TObject*) { ++pressed; };
    user.PressKey(*edit, VK_RETURN);
    EXPECT_EQ(pressed, 1);
    own->wanted = VK_RETURN;
    user.PressKey(*edit, VK_RETURN);
    EXPECT_EQ(pressed, 1);
    // Other keys go only to the control they were pressed on.
    user.PressKey(*edit, VK_DOWN);
    user.PressKey(*own, VK_DOWN);
    EXPECT_EQ(own->keys, (std::vector<std::uint16_t>{VK_RETURN, VK_RETURN, VK_DOWN}));
}

TEST_F(DriverTest, AcceleratorsReleasesAndFocusAnnouncements)
{
    auto* edit = Create<TEdit>(form, "etO", form);
    auto* own = Create<KeyAnswering>(form, "Own", form);
    EXPECT_TRUE(user.PressAccelerator(*form, U'q'));
    user.ReleaseKey(*own, VK_SPACE);
    EXPECT_EQ(own->released, std::vector<std::uint16_t>{VK_SPACE});
    user.Focus(*edit);
    form->AnnounceActiveControl();
    EXPECT_EQ(own->announced, (std::vector<TWinControl*>{edit, edit}));
}
