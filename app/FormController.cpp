#include "app/FormController.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <vector>

#include "platform/Text.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

using ui::TCheckBox;
using ui::TComboBox;
using ui::TComboBoxEx;
using ui::TComponent;
using ui::TEdit;
using ui::TLabel;
using ui::TMaskEdit;
using ui::TRadioButton;
using ui::TSpinEdit;

// What a routine hands each control besides the control itself.
struct NoContext {};

struct IniContext {
    const TMemIniFile* in = nullptr;
    TMemIniFile* out = nullptr;
    std::string section;
    TUnshownValues* noted = nullptr;       // a load notes the positions its combo boxes cannot show
    const TUnshownValues* kept = nullptr;  // a save writes them back

    const TMemIniFile& In() const { return *in; }
    TMemIniFile& Out() const { return *out; }
};

// One row of a routine's class list: the class test and what the routine does with such a control.
template <class Context>
struct ClassRule {
    std::function<bool(const TComponent&)> matches;
    std::function<void(TComponent&, const Context&)> apply;
};

template <class T, class Context, class F>
ClassRule<Context> On(F apply)
{
    return ClassRule<Context>{[](const TComponent& c) { return ui::Is<T>(&c); },
                              [apply](TComponent& c, const Context& context) { apply(*ui::As<T>(&c), context); }};
}

// Walks by index, re-reading the count: the click handlers that setting Checked runs may add components.
template <class Context, class Fallback>
void Walk(ui::TForm& form, const std::vector<ClassRule<Context>>& rules, const Context& context,
          const Fallback& fallback)
{
    for (int i = 0; i < form.ComponentCount(); ++i) {
        TComponent& component = *form.Components(i);
        const auto rule =
            std::find_if(rules.begin(), rules.end(), [&](const ClassRule<Context>& r) { return r.matches(component); });
        if (rule != rules.end())
            rule->apply(component, context);
        else
            fallback(component);
    }
}

template <class Context>
void Walk(ui::TForm& form, const std::vector<ClassRule<Context>>& rules, const Context& context)
{
    Walk(form, rules, context, [](TComponent&) {});
}

constexpr std::string_view kMark = "!";
constexpr std::string_view kImeiLabel = "ImeiLabel";

void PlainStyle(ui::TControl& c) { c.Font().SetStyle({}); }

void UnmarkedLabel(ui::TControl& label)
{
    label.Font().SetColor(clWindowText);
    PlainStyle(label);
}

// Check boxes and radio buttons show a changed value as the caption "!".
void Unmarked(ui::TControl& button)
{
    PlainStyle(button);
    if (button.Caption() == kMark) button.SetCaption("");
}

const std::vector<ClassRule<NoContext>>& ClearRules()
{
    static const std::vector<ClassRule<NoContext>> rules{
        On<TLabel, NoContext>([](TLabel& c, const NoContext&) {
            if (c.Name() != kImeiLabel) UnmarkedLabel(c);
        }),
        On<TEdit, NoContext>([](TEdit& c, const NoContext&) {
            c.SetText("");
            PlainStyle(c);
        }),
        On<TSpinEdit, NoContext>([](TSpinEdit& c, const NoContext&) { PlainStyle(c); }),
        On<TCheckBox, NoContext>([](TCheckBox& c, const NoContext&) {
            PlainStyle(c);
            c.SetChecked(false);
            if (c.Caption() == kMark) c.SetCaption("");
        }),
        On<TRadioButton, NoContext>([](TRadioButton& c, const NoContext&) { Unmarked(c); }),
        On<TMaskEdit, NoContext>([](TMaskEdit& c, const NoContext&) { c.SetText(""); }),
    };
    return rules;
}

const std::vector<ClassRule<NoContext>>& ResetMarkRules()
{
    static const std::vector<ClassRule<NoContext>> rules{
        On<TLabel, NoContext>([](TLabel& c, const NoContext&) { UnmarkedLabel(c); }),
        On<TEdit, NoContext>([](TEdit& c, const NoContext&) { PlainStyle(c); }),
        On<TSpinEdit, NoContext>([](TSpinEdit& c, const NoContext&) { PlainStyle(c); }),
        On<TCheckBox, NoContext>([](TCheckBox& c, const NoContext&) { Unmarked(c); }),
        On<TRadioButton, NoContext>([](TRadioButton& c, const NoContext&) { Unmarked(c); }),
    };
    return rules;
}

// The ini key of a control; an unnamed control has none.
bool Keyed(const TComponent& c) { return !c.Name().empty(); }

void LoadItemIndex(ui::TCustomCombo& c, const IniContext& ini) { LoadListPosition(ini.In(), ini.section, c, *ini.noted); }

void SaveItemIndex(const ui::TCustomCombo& c, const IniContext& ini)
{
    SaveListPosition(ini.Out(), ini.section, c, *ini.kept);
}

const std::vector<ClassRule<IniContext>>& LoadRules()
{
    static const std::vector<ClassRule<IniContext>> rules{
        On<TEdit, IniContext>([](TEdit& c, const IniContext& ini) {
            if (ini.In().ValueExists(ini.section, c.Name())) c.SetText(ini.In().ReadString(ini.section, c.Name(), ""));
        }),
        On<TSpinEdit, IniContext>([](TSpinEdit& c, const IniContext& ini) {
            std::string value = ini.In().ReadString(ini.section, c.Name(), "");
            if (!value.empty()) c.SetText(std::move(value));
        }),
        On<TCheckBox, IniContext>([](TCheckBox& c, const IniContext& ini) {
            c.SetChecked(ini.In().ReadBool(ini.section, c.Name(), false));
        }),
        On<TMaskEdit, IniContext>([](TMaskEdit& c, const IniContext& ini) {
            c.SetText(ini.In().ReadString(ini.section, c.Name(), c.Text()));
        }),
        On<TRadioButton, IniContext>([](TRadioButton& c, const IniContext& ini) {
            c.SetChecked(ini.In().ReadBool(ini.section, c.Name(), c.Checked()));
        }),
        On<TComboBox, IniContext>([](TComboBox& c, const IniContext& ini) { LoadItemIndex(c, ini); }),
        On<TComboBoxEx, IniContext>([](TComboBoxEx& c, const IniContext& ini) { LoadItemIndex(c, ini); }),
    };
    return rules;
}

void SaveText(const ui::TControl& c, const IniContext& ini) { ini.Out().WriteString(ini.section, c.Name(), c.Text()); }

const std::vector<ClassRule<IniContext>>& SaveRules()
{
    static const std::vector<ClassRule<IniContext>> rules{
        On<TEdit, IniContext>([](TEdit& c, const IniContext& ini) { SaveText(c, ini); }),
        On<TSpinEdit, IniContext>([](TSpinEdit& c, const IniContext& ini) { SaveText(c, ini); }),
        On<TCheckBox, IniContext>(
            [](TCheckBox& c, const IniContext& ini) { ini.Out().WriteBool(ini.section, c.Name(), c.Checked()); }),
        On<TRadioButton, IniContext>(
            [](TRadioButton& c, const IniContext& ini) { ini.Out().WriteBool(ini.section, c.Name(), c.Checked()); }),
        On<TComboBox, IniContext>([](TComboBox& c, const IniContext& ini) { SaveItemIndex(c, ini); }),
        On<TComboBoxEx, IniContext>([](TComboBoxEx& c, const IniContext& ini) { SaveItemIndex(c, ini); }),
        On<TMaskEdit, IniContext>([](TMaskEdit& c, const IniContext& ini) { SaveText(c, ini); }),
    };
    return rules;
}

// Keeps only the named components: ini rules never see a control without a key.
template <class Context>
std::vector<ClassRule<Context>> KeyedOnly(const std::vector<ClassRule<Context>>& rules)
{
    std::vector<ClassRule<Context>> keyed;
    for (const auto& rule : rules)
        keyed.push_back({[m = rule.matches](const TComponent& c) { return Keyed(c) && m(c); }, rule.apply});
    return keyed;
}

void TextDefault(ui::TControl& c) { c.SetText(c.Hint()); }

void CheckedDefault(ui::TButtonControl& c)
{
    if (const auto checked = HintAsBoolean(c.Hint())) c.SetChecked(*checked);
}

template <class Combo>
void ItemIndexDefault(Combo& c)
{
    if (const auto index = HintAsInteger(c.Hint())) c.SetItemIndex(*index);
}

const std::vector<ClassRule<NoContext>>& DefaultRules()
{
    static const std::vector<ClassRule<NoContext>> rules{
        On<TEdit, NoContext>([](TEdit& c, const NoContext&) { TextDefault(c); }),
        On<TSpinEdit, NoContext>([](TSpinEdit& c, const NoContext&) { TextDefault(c); }),
        On<TCheckBox, NoContext>([](TCheckBox& c, const NoContext&) { CheckedDefault(c); }),
        On<TRadioButton, NoContext>([](TRadioButton& c, const NoContext&) { CheckedDefault(c); }),
        On<TComboBox, NoContext>([](TComboBox& c, const NoContext&) { ItemIndexDefault(c); }),
        On<TMaskEdit, NoContext>([](TMaskEdit& c, const NoContext&) { TextDefault(c); }),
        On<TComboBoxEx, NoContext>([](TComboBoxEx& c, const NoContext&) { ItemIndexDefault(c); }),
    };
    return rules;
}

std::list<HintDefaultRule>& ExtraDefaultRules()
{
    static std::list<HintDefaultRule> rules;
    return rules;
}

void ApplyExtraDefault(TComponent& component)
{
    auto* control = ui::As<ui::TControl>(&component);
    if (control == nullptr) return;
    for (const HintDefaultRule& rule : ExtraDefaultRules()) {
        if (rule.Matches(*control)) {
            rule.Apply(*control, control->Hint());
            return;
        }
    }
}

template <class Number>
bool ParseWhole(std::string_view text, Number& value)
{
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

void ClearControls(ui::TForm& Form) { Walk(Form, ClearRules(), NoContext{}); }

void ResetControlMarks(ui::TForm& Form) { Walk(Form, ResetMarkRules(), NoContext{}); }

void LoadControlsFromIni(const TMemIniFile& Ini, ui::TForm& Form, TUnshownValues& Unshown)
{
    static const auto rules = KeyedOnly(LoadRules());
    Walk(Form, rules, IniContext{&Ini, nullptr, Form.Name(), &Unshown, nullptr});
}

void SaveControlsToIni(TMemIniFile& Ini, ui::TForm& Form, const TUnshownValues& Unshown)
{
    static const auto rules = KeyedOnly(SaveRules());
    Walk(Form, rules, IniContext{nullptr, &Ini, Form.Name(), nullptr, &Unshown});
}

void TUnshownValues::Note(const ui::TCustomCombo& Combo, std::string Value, int Position)
{
    if (Combo.ItemIndex() == Position) {
        kept_.erase(&Combo);
        return;
    }
    kept_.insert_or_assign(&Combo, Kept{std::move(Value), Combo.ItemIndex(), Combo.Text(), Combo.Liveness()});
}

std::string TUnshownValues::ValueToSave(const ui::TCustomCombo& Combo) const
{
    const auto it = kept_.find(&Combo);
    const bool stillShown = it != kept_.end() && !it->second.alive.expired() &&
                            Combo.ItemIndex() == it->second.itemIndex && Combo.Text() == it->second.text;
    return stillShown ? it->second.value : std::to_string(Combo.ItemIndex());
}

void LoadListPosition(const TMemIniFile& Ini, const std::string& Section, ui::TCustomCombo& Combo,
                      TUnshownValues& Unshown)
{
    if (!Ini.ValueExists(Section, Combo.Name())) return;
    const int position = Ini.ReadInteger(Section, Combo.Name(), Combo.ItemIndex());
    Combo.SetItemIndex(position);
    Unshown.Note(Combo, Ini.ReadString(Section, Combo.Name(), ""), position);
}

void SaveListPosition(TMemIniFile& Ini, const std::string& Section, const ui::TCustomCombo& Combo,
                      const TUnshownValues& Unshown)
{
    Ini.WriteString(Section, Combo.Name(), Unshown.ValueToSave(Combo));
}

void LoadControlDefaults(ui::TForm& Form) { Walk(Form, DefaultRules(), NoContext{}, ApplyExtraDefault); }

std::optional<bool> HintAsBoolean(std::string_view Hint)
{
    const std::string upper = platform::AsciiUpper(Hint);
    if (upper == "TRUE") return true;
    if (upper == "FALSE") return false;
    // Only what reads as a number: from_chars alone would take "inf" and "nan" as well.
    const bool numeric = Hint.find_first_not_of("0123456789+-.eE") == std::string_view::npos;
    double number = 0;
    if (numeric && ParseWhole(Hint, number)) return number != 0;
    return std::nullopt;
}

std::optional<int> HintAsInteger(std::string_view Hint)
{
    int number = 0;
    if (ParseWhole(Hint, number)) return number;
    return std::nullopt;
}

HintDefaultRegistration::HintDefaultRegistration(HintDefaultRule rule)
    : entry_(ExtraDefaultRules().insert(ExtraDefaultRules().end(), std::move(rule)))
{
}

HintDefaultRegistration::~HintDefaultRegistration() { ExtraDefaultRules().erase(entry_); }
