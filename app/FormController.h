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
#include <optional>
#include <string>
#include <string_view>

#include "app/IniFiles.h"
#include "ui/Controls.h"

namespace ui {
class TForm;
}  // namespace ui

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
// state (a check box is unchecked).
void LoadControlsFromIni(const TMemIniFile& Ini, ui::TForm& Form, const ValueGiven& Given = {});
// Text for edits, spin edits and mask edits; Checked as 1 or 0; ItemIndex as a decimal integer.
// Throws std::invalid_argument (from the ini file) for a text the file cannot carry back unchanged.
void SaveControlsToIni(TMemIniFile& Ini, ui::TForm& Form);
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
