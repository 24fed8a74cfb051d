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

// Tells the caller of each control a routine gave a value.
struct Giving {
    const ValueGiven* given = nullptr;

    void Give(const ui::TControl& c) const
    {
        if (given != nullptr && *given) (*given)(c);
    }
};

struct IniContext : Giving {
    const TMemIniFile* in = nullptr;
    TMemIniFile* out = nullptr;
    std::string section;
    TUnshownValues* noted = nullptr;       // a load notes the positions its combo boxes cannot show
    const TUnshownValues* kept = nullptr;  // a save writes them back

    const TMemIniFile& In() const { return *in; }
    TMemIniFile& Out() const { return *out; }
    bool Has(const TComponent& c) const { return In().ValueExists(section, c.Name()); }
    // The key holds a number (a Boolean is one).
    bool HasNumber(const TComponent& c) const
    {
        return In().ReadInteger(section, c.Name(), 0) == In().ReadInteger(section, c.Name(), 1);
    }
};

struct DefaultsContext : Giving {};

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

// A value that is no number leaves the selection: the file gave the box nothing. Nor does a position the
// box cannot show, which is kept for the file instead.
void LoadItemIndex(ui::TCustomCombo& c, const IniContext& ini)
{
    if (!ini.HasNumber(c)) return;
    LoadListPosition(ini.In(), ini.section, c, *ini.noted);
    if (c.ItemIndex() == ini.In().ReadInteger(ini.section, c.Name(), -1)) ini.Give(c);
}

void SaveItemIndex(const ui::TCustomCombo& c, const IniContext& ini)
{
    SaveListPosition(ini.Out(), ini.section, c, *ini.kept);
}

const std::vector<ClassRule<IniContext>>& LoadRules()
{
    // A control whose key the file lacks keeps its value, or is unchecked (a check box): either way the
    // file gave it nothing.
    static const std::vector<ClassRule<IniContext>> rules{
        On<TEdit, IniContext>([](TEdit& c, const IniContext& ini) {
            if (!ini.Has(c)) return;
            c.SetText(ini.In().ReadString(ini.section, c.Name(), ""));
            ini.Give(c);
        }),
        On<TSpinEdit, IniContext>([](TSpinEdit& c, const IniContext& ini) {
            std::string value = ini.In().ReadString(ini.section, c.Name(), "");
            if (value.empty()) return;
            c.SetText(std::move(value));
            ini.Give(c);
        }),
        On<TCheckBox, IniContext>([](TCheckBox& c, const IniContext& ini) {
            c.SetChecked(ini.In().ReadBool(ini.section, c.Name(), false));
            if (ini.HasNumber(c)) ini.Give(c);
        }),
        On<TMaskEdit, IniContext>([](TMaskEdit& c, const IniContext& ini) {
            c.SetText(ini.In().ReadString(ini.section, c.Name(), c.Text()));
            if (ini.Has(c)) ini.Give(c);
        }),
        On<TRadioButton, IniContext>([](TRadioButton& c, const IniContext& ini) {
            c.SetChecked(ini.In().ReadBool(ini.section, c.Name(), c.Checked()));
            if (ini.HasNumber(c)) ini.Give(c);
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

// A default gives the control a value only where it changes the one it showed.
template <class Apply>
void Default(ui::TControl& c, const DefaultsContext& defaults, Apply apply)
{
    const std::string before = c.InputValue();
    apply();
    if (c.InputValue() != before) defaults.Give(c);
}

// An edit's default is its hint, an empty one included.
void TextDefault(ui::TControl& c, const DefaultsContext& defaults)
{
    Default(c, defaults, [&] { c.SetText(c.Hint()); });
}

// A box whose hint is no Boolean has no default and keeps its state.
void CheckedDefault(ui::TButtonControl& c, const DefaultsContext& defaults)
{
    if (const auto checked = HintAsBoolean(c.Hint())) Default(c, defaults, [&] { c.SetChecked(*checked); });
}

template <class Combo>
void ItemIndexDefault(Combo& c, const DefaultsContext& defaults)
{
    if (const auto index = HintAsInteger(c.Hint())) Default(c, defaults, [&] { c.SetItemIndex(*index); });
}

const std::vector<ClassRule<DefaultsContext>>& DefaultRules()
{
    using D = DefaultsContext;
    static const std::vector<ClassRule<D>> rules{
        On<TEdit, D>([](TEdit& c, const D& d) { TextDefault(c, d); }),
        On<TSpinEdit, D>([](TSpinEdit& c, const D& d) { TextDefault(c, d); }),
        On<TCheckBox, D>([](TCheckBox& c, const D& d) { CheckedDefault(c, d); }),
        On<TRadioButton, D>([](TRadioButton& c, const D& d) { CheckedDefault(c, d); }),
        On<TComboBox, D>([](TComboBox& c, const D& d) { ItemIndexDefault(c, d); }),
        On<TMaskEdit, D>([](TMaskEdit& c, const D& d) { TextDefault(c, d); }),
        On<TComboBoxEx, D>([](TComboBoxEx& c, const D& d) { ItemIndexDefault(c, d); }),
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

void LoadControlsFromIni(const TMemIniFile& Ini, ui::TForm& Form, TUnshownValues& Unshown, const ValueGiven& Given)
{
    static const auto rules = KeyedOnly(LoadRules());
    IniContext context{{&Given}, &Ini, nullptr, Form.Name()};
    context.noted = &Unshown;
    Walk(Form, rules, context);
}

void SaveControlsToIni(TMemIniFile& Ini, ui::TForm& Form, const TUnshownValues& Unshown)
{
    static const auto rules = KeyedOnly(SaveRules());
    IniContext context{{}, nullptr, &Ini, Form.Name()};
    context.kept = &Unshown;
    Walk(Form, rules, context);
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

void LoadControlDefaults(ui::TForm& Form, const ValueGiven& Given)
{
    Walk(Form, DefaultRules(), DefaultsContext{{&Given}}, ApplyExtraDefault);
}

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
