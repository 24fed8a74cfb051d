#pragma once
// The generic routines behind every parameter page (and the connect dialog): clearing a page before a
// read, resetting its marks before a write, loading it from and saving it to an ini file, and giving it
// its factory defaults.
//
// Each routine walks the form's Components from the first to the last in creation order and treats a
// component by the first class of its own list that the component belongs to, subclasses included;
// components of other classes are left alone. In the ini file the section is the form's Name and the
// key the control's Name; a component without a Name has no key and is not stored.
//
// Factory defaults are the controls' hints. A hint that does not convert for its control (an empty hint
// of a check box, a combo-box hint that is not a number) leaves that control as it is, and the routine
// goes on with the next one: one control without a default never keeps the others from theirs.
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/IniFiles.h"
#include "ui/Controls.h"

namespace ui {
class TCustomCombo;
class TForm;
}  // namespace ui

// List positions a file gives that a form's combo boxes cannot show: a position beyond the list (the
// message table missing or shorter than when the file was saved, a list that a device fills). A save
// writes such a value back as the file has it for as long as the combo box shows what the load left
// in it, so a form that cannot show a value never overwrites it; once the combo box shows another
// item (picked, read from a device, loaded from another file) that item's position is saved.
class TUnshownValues {
public:
    // After a load asked Combo for Position: keeps Value (the file's text) when Combo could not take it.
    void Note(const ui::TCustomCombo& Combo, std::string Value, int Position);
    // What a save writes for Combo: the kept text, or its item's position.
    std::string ValueToSave(const ui::TCustomCombo& Combo) const;

private:
    struct Kept {
        std::string value;
        int itemIndex;  // what the load left the combo box showing
        std::string text;
        std::weak_ptr<void> alive;
    };
    std::map<const ui::TCustomCombo*, Kept> kept_;
};

// A combo box's list position under Section and its Name: the file's position when it is in the list,
// else nothing selected (a missing key or a text that is no number leaves the combo box as it is).
void LoadListPosition(const TMemIniFile& Ini, const std::string& Section, ui::TCustomCombo& Combo,
                      TUnshownValues& Unshown);
void SaveListPosition(TMemIniFile& Ini, const std::string& Section, const ui::TCustomCombo& Combo,
                      const TUnshownValues& Unshown);

// Labels back to the window-text colour and regular style ("ImeiLabel" keeps its look); edits emptied;
// check boxes unchecked; marks of check boxes and radio buttons (a caption "!") removed; mask edits
// emptied. Radio buttons keep their Checked and spin edits their text.
void ClearControls(ui::TForm& Form);
// Marks only (colours, bold, "!" captions); no value changes.
void ResetControlMarks(ui::TForm& Form);
// Told of each control a load or the defaults gave a value: one its key names with a value it can take,
// one whose default (its hint) changed what it showed. A control without a key or a default, one its
// default left as it was, or a check box unchecked for a missing key, was given nothing.
using ValueGiven = std::function<void(const ui::TControl& Control)>;

// Read rules per class: an edit and a combo box change only when their key exists, a spin edit only on
// a non-empty value, a mask edit and a radio button keep their state for a missing key, and a check box
// is unchecked by a missing key. A value that does not convert never raises: the control keeps its
// state (a check box is unchecked). A list position the combo box cannot show goes to Unshown. Given
// hears of each control the file gave a value it shows.
void LoadControlsFromIni(const TMemIniFile& Ini, ui::TForm& Form, TUnshownValues& Unshown, const ValueGiven& Given = {});
// Text for edits, spin edits and mask edits; Checked as 1 or 0; ItemIndex as a decimal integer (or the
// file's own text that Unshown keeps). Throws std::invalid_argument (from the ini file) for a text the
// file cannot carry back unchanged.
void SaveControlsToIni(TMemIniFile& Ini, ui::TForm& Form, const TUnshownValues& Unshown);
// Edits, spin edits and mask edits take their hint as Text (an empty hint empties them); check boxes
// and radio buttons take it as a Boolean; combo boxes take it as ItemIndex; then the classes
// registered below.
void LoadControlDefaults(ui::TForm& Form, const ValueGiven& Given = {});

// A hint as a Boolean default: "TRUE" or "FALSE" in any letter case, or a decimal number (0 is False).
// nullopt for anything else, the empty hint included.
std::optional<bool> HintAsBoolean(std::string_view Hint);
// A hint as a decimal integer (an optional sign and digits only); nullopt otherwise.
std::optional<int> HintAsInteger(std::string_view Hint);

// A control class beyond the standard controls whose factory default is its hint too: the kit's parted
// progress bar takes its hint as PartsComplete. Registered classes are tested after the standard ones,
// in the order they were registered. Apply leaves the control unchanged when the hint does not convert
// (HintAsInteger and HintAsBoolean say so).
struct HintDefaultRule {
    std::function<bool(const ui::TControl&)> Matches;
    std::function<void(ui::TControl&, const std::string& Hint)> Apply;
};

// The rule for class T (subclasses included):
//     HintDefaultFor<TKitProgressBar>([](TKitProgressBar& bar, const std::string& hint) {
//         if (const auto parts = HintAsInteger(hint)) bar.SetPartsComplete(*parts);
//     });
template <class T, class F>
HintDefaultRule HintDefaultFor(F apply)
{
    return HintDefaultRule{
        [](const ui::TControl& control) { return ui::Is<T>(&control); },
        [apply](ui::TControl& control, const std::string& hint) { apply(*ui::As<T>(&control), hint); }};
}

// Keeps a rule in force for as long as it lives (window thread only, like the routines that use it).
class HintDefaultRegistration {
public:
    explicit HintDefaultRegistration(HintDefaultRule rule);
    ~HintDefaultRegistration();
    HintDefaultRegistration(const HintDefaultRegistration&) = delete;
    HintDefaultRegistration& operator=(const HintDefaultRegistration&) = delete;

private:
    std::list<HintDefaultRule>::iterator entry_;
};
