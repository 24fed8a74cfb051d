// What gives a group the device did not give a value again: an input that changes a control of it, a file
// that holds its key, a factory default its hint holds; and what does not (keys and clicks that leave
// the value as it was, controls the file or the defaults leave alone). The inputs go through the user's
// path to the program's main window.
#include "app/DeviceValues.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/fCommon.h"
#include "app/fEnNumber.h"
#include "app/fGPRS.h"
#include "app/fLoops.h"
#include "app/fMasks.h"
#include "app/fWays.h"
#include "tests/app/ProgramFixture.h"

namespace {

using namespace programtest;

class DeviceValues : public ProgramFixture {
protected:
    DeviceValues() { Start(); }
    // The group's page shown, the group without a device value.
    void Unread(const TGroupControls& group)
    {
        TformIncl* page = PageOf(*group.front());
        controller->SelectPage(page->ComponentIndex());
        page->DeviceValues.GroupRead(group, false);
    }
    static bool Held(const TGroupControls& group) { return PageOf(*group.front())->DeviceValues.Held(group); }
};

// ------------------------------------------------------------------ the user's inputs

struct InputCase {
    const char* name;
    std::function<TGroupControls()> group;
    std::function<void(ui::Driver&)> input;  // the page is shown, the group unread
    bool sets;
};

class UserInput : public DeviceValues, public ::testing::WithParamInterface<InputCase> {};

TEST_P(UserInput, SetsTheGroupOnlyWhenItChangesAValue)
{
    const InputCase& c = GetParam();
    Unread(c.group());
    c.input(user);
    EXPECT_EQ(Held(c.group()), !c.sets);
}

TGroupControls Number() { return {FormCommon->etO}; }
TGroupControls Speed() { return {FormCommon->rbSlowCID1, FormCommon->rbSlowCID2}; }
TGroupControls NumberRadios()
{
    FormCommon->KitGroupBox1->Show();
    return {FormCommon->KitRadioButton1, FormCommon->KitRadioButton2, FormCommon->KitRadioButton3};
}
TGroupControls Filter() { return {FormMasks->rbFiltrit}; }
TGroupControls Partition()
{
    FormLoops->cbResponce1->SetChecked(true);
    return {FormLoops->etPartRes1};
}

// Keys on the object number, empty, with the caret in it.
std::function<void(ui::Driver&)> Keys(std::initializer_list<std::uint16_t> keys, std::string typed = "")
{
    return [keys, typed](ui::Driver& user) {
        ui::TEdit& field = *FormCommon->etO;
        field.SetText("");
        ASSERT_TRUE(user.Focus(field));
        for (const std::uint16_t key : keys) {
            ASSERT_TRUE(user.PressKey(field, key));
            ASSERT_TRUE(user.ReleaseKey(field, key));
        }
        ASSERT_TRUE(user.TypeText(field, typed));
    };
}

const InputCase kInputs[] = {
    {"BackspaceDeleteArrowsAndSpaceInAnEmptyField", Number,
     Keys({ui::VK_BACK, ui::VK_DELETE, ui::VK_DOWN, ui::VK_UP, ui::VK_LEFT, ui::VK_RIGHT, ui::VK_SPACE}, "\b"), false},
    {"CharactersTheFieldsFilterThrowsAway", Number, Keys({}, " GZ-"), false},
    {"PortCharactersThatAreNoDigits", [] { return TGroupControls{formGPRS->etSIM1Port}; },
     [](ui::Driver& user) { ASSERT_TRUE(user.TypeText(*formGPRS->etSIM1Port, "A Z")); }, false},
    {"ADigitTyped", Number, Keys({}, "5"), true},
    {"DeleteOfACharacter", Number,
     [](ui::Driver& user) {
         FormCommon->etO->SetText("12");
         FormCommon->etO->SetSelStart(0);
         ASSERT_TRUE(user.PressKey(*FormCommon->etO, ui::VK_DELETE));
     },
     true},
    {"ClickOnTheCheckedRadioButton", Speed,
     [](ui::Driver& user) {
         FormCommon->rbSlowCID1->SetChecked(true);
         ASSERT_TRUE(user.Click(*FormCommon->rbSlowCID1));
     },
     false},
    {"ClickOnTheOtherRadioButton", Speed, [](ui::Driver& user) { ASSERT_TRUE(user.Click(*FormCommon->rbSlowCID2)); }, true},
    {"PickingTheItemShown", [] { return TGroupControls{formGPRS->cbZTime}; },
     [](ui::Driver& user) {
         formGPRS->cbZTime->SetItemIndex(2);
         ASSERT_TRUE(user.Select(*formGPRS->cbZTime, 2));
     },
     false},
    {"PickingAnotherItem", [] { return TGroupControls{formGPRS->cbZTime}; },
     [](ui::Driver& user) { ASSERT_TRUE(user.Select(*formGPRS->cbZTime, 3)); }, true},
    {"SpinEditArrow", Partition, [](ui::Driver& user) { ASSERT_TRUE(user.PressKey(*FormLoops->etPartRes1, ui::VK_UP)); }, true},
    {"SpinEditLetter", Partition, [](ui::Driver& user) { ASSERT_TRUE(user.TypeText(*FormLoops->etPartRes1, "a")); }, false},
    {"CheckBoxClicked", [] { return TGroupControls{FormEnNumber->CheckBox1}; },
     [](ui::Driver& user) { ASSERT_TRUE(user.Click(*FormEnNumber->CheckBox1)); }, true},
    {"KitRadioGroupArrow", NumberRadios,
     [](ui::Driver& user) {
         ASSERT_TRUE(user.Focus(*FormCommon->KitRadioButton1));
         ASSERT_TRUE(user.PressKey(*FormCommon->KitRadioButton1, ui::VK_RIGHT));
         EXPECT_TRUE(FormCommon->KitRadioButton2->Checked());
     },
     true},
    {"KitRadioButtonCheckedClicked", NumberRadios,
     [](ui::Driver& user) {
         ASSERT_TRUE(user.MouseDown(*FormCommon->KitRadioButton1, ui::mbLeft, {}, 2, 2));
         ASSERT_TRUE(user.MouseUp(*FormCommon->KitRadioButton1, ui::mbLeft, {}, 2, 2));
     },
     false},
    // The three mode buttons are one choice: any of them picked picks the filter's value too.
    {"ModeButtonsAreOneChoice", Filter,
     [](ui::Driver& user) {
         FormMasks->rbUseMask->SetChecked(true);
         ASSERT_TRUE(user.Click(*FormMasks->rbAll));
     },
     true},
    {"ModeAlreadyChosen", Filter,
     [](ui::Driver& user) {
         FormMasks->rbUseMask->SetChecked(true);
         ASSERT_TRUE(user.Click(*FormMasks->rbUseMask));
     },
     false},
};

INSTANTIATE_TEST_SUITE_P(Inputs, UserInput, ::testing::ValuesIn(kInputs), [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------------ files and factory defaults

struct FillCase {
    const char* name;
    const char* ini;  // nullptr: the factory defaults of every page
    std::function<TGroupControls()> group;
    bool held;
    std::function<void()> before = [] {};  // what the page shows before
};

class Fill : public DeviceValues, public ::testing::WithParamInterface<FillCase> {};

TEST_P(Fill, GivesExactlyTheControlsItHasAValueFor)
{
    const FillCase& c = GetParam();
    c.before();
    for (TformIncl* page : controller->Pages()) {
        page->DeviceValues.BeginRead();
        page->DeviceValues.ReadCutShort(*page);
    }
    if (c.ini == nullptr) {
        controller->SetDefaultsAll();
    } else {
        WriteIni(c.ini);
        controller->LoadPagesFromIni((folder / "current.ini").string());
    }
    EXPECT_EQ(Held(c.group()), c.held);
}

TGroupControls Row(int row) { return {FormMasks->RowCheckBox(row)}; }

const FillCase kFills[] = {
    {"DefaultOfTheObjectNumber", nullptr, Number, false},
    {"DefaultThatLeavesTheValue", nullptr, [] { return TGroupControls{FormEnNumber->etN1}; }, true},
    {"DefaultThatEmptiesAField", nullptr, [] { return TGroupControls{FormEnNumber->etN1}; }, false,
     [] { FormEnNumber->etN1->SetText("8495"); }},
    {"NoDefaultOfTheImeiIdentBox", nullptr, [] { return TGroupControls{FormCommon->ImeiIdentCh}; }, true},
    {"NoDefaultOfTheGprsBindingBox", nullptr, [] { return TGroupControls{formGPRS->CheckBox1}; }, true},
    {"NoDefaultOfTheLinkControlBox", nullptr, [] { return TGroupControls{FormMasks->BLDCONCheckBox}; }, true},
    {"NoDefaultOfTheKitRadioButtons", nullptr, NumberRadios, true},
    {"DefaultModeGivesTheRowsItChanges", nullptr, [] { return Row(120); }, false, [] { FormMasks->rbAll->SetChecked(true); }},
    {"DefaultModeLeavesTheRowsItShows", nullptr, [] { return Row(120); }, true},
    {"FileKey", "[FormCommon]\r\netO=1234\r\n", Number, false},
    {"FileWithoutTheKeys", "[FormCommon]\r\netO=1234\r\n", Speed, true},
    {"FileWithoutTheBoxKey", "[FormCommon]\r\netO=1234\r\n", [] { return TGroupControls{FormCommon->ImeiIdentCh}; }, true},
    {"FileCheckedRadioButtonGivesTheChoice", "[FormCommon]\r\nrbSlowCID2=1\r\n", Speed, false},
    {"FileComboValueNoNumber", "[formGPRS]\r\ncbZTime=abc\r\n", [] { return TGroupControls{formGPRS->cbZTime}; }, true},
    {"FileFlexibleRowKey", "[FormMasks]\r\nrbUseMask=1\r\ncb1=1\r\n", [] { return Row(1); }, false},
    {"FileFlexibleRowWithoutKey", "[FormMasks]\r\nrbUseMask=1\r\ncb1=1\r\n", [] { return Row(2); }, true},
    {"FileFlexibleRowNeverStored", "[FormMasks]\r\nrbUseMask=1\r\ncb1=1\r\n", [] { return Row(100); }, true},
    {"FileModeGivesEveryRow", "[FormMasks]\r\nrbAll=1\r\n", [] { return Row(100); }, false},
    {"FileChannelKey", "[formWays]\r\netP3=123\r\n", [] { return formWays->Direction(2); }, false},
    {"FileWithoutTheChannel", "[formWays]\r\netP3=123\r\n", [] { return formWays->Direction(3); }, true},
};

INSTANTIATE_TEST_SUITE_P(Fills, Fill, ::testing::ValuesIn(kFills), [](const auto& info) { return info.param.name; });

}  // namespace
