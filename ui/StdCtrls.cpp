#include "ui/StdCtrls.h"

#include <algorithm>
#include <charconv>

#include "platform/Text.h"
#include "ui/Forms.h"

namespace ui {

namespace {

std::u32string Decode(const std::string& s) { return platform::DecodeUtf8(s); }
std::string Encode(const std::u32string& s) { return platform::EncodeUtf8(s); }

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsLetter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= 0x400 && c <= 0x45F);
}
bool IsControlChar(char32_t c) { return c < 32 || c == 127; }

char32_t ApplyCase(TEditCharCase charCase, char32_t c)
{
    if (charCase == ecUpperCase) return UpperChar(c);
    if (charCase == ecLowerCase) return LowerChar(c);
    return c;
}

}  // namespace

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetDefaultSize(0, TextHeightEstimate(Font()));
    SetParentColor(true);
}

void TLabel::AdjustSize()
{
    if (!autoSize_ || adjusting_) return;
    adjusting_ = true;
    if (wordWrap_) {
        SetBounds(Left(), Top(), Width(), TextExtent(Caption(), Font(), std::max(1, Width())).cy);
    } else {
        const TSize size = TextExtent(Caption(), Font());
        SetBounds(Left(), Top(), size.cx, size.cy);
    }
    adjusting_ = false;
}

void TLabel::Resized()
{
    if (wordWrap_) AdjustSize();
}

int TLabel::CaptionFitWidth() const { return wordWrap_ ? 0 : TextExtent(Caption(), Font()).cx; }

void TLabel::TextChanged() { AdjustSize(); }

void TLabel::SetAutoSize(bool v)
{
    autoSize_ = v;
    AdjustSize();
}

void TLabel::SetWordWrap(bool v)
{
    wordWrap_ = v;
    Changed(ModelChange::Other);
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment v)
{
    alignment_ = v;
    Changed(ModelChange::Other);
}

void TLabel::SetLayout(TTextLayout v)
{
    layout_ = v;
    Changed(ModelChange::Other);
}

void TLabel::SetTransparent(bool v)
{
    transparent_ = v;
    Changed(ModelChange::Other);
}

// ---------------------------------------------------------------- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(121, 21);
    SetColor(clWindow);
    SetTabStop(true);
}

void TCustomEdit::SetReadOnly(bool v)
{
    if (v == readOnly_) return;
    readOnly_ = v;
    Changed(ModelChange::State);
}

void TCustomEdit::SetSelStart(int v)
{
    const int length = static_cast<int>(platform::Utf8Length(Text()));
    selStart_ = std::clamp(v, 0, length);
    selLength_ = std::min(selLength_, length - selStart_);
    Changed(ModelChange::Selection);
}

void TCustomEdit::SetSelLength(int v)
{
    const int length = static_cast<int>(platform::Utf8Length(Text()));
    selLength_ = std::clamp(v, 0, length - selStart_);
    Changed(ModelChange::Selection);
}

std::string TCustomEdit::SelText() const { return platform::Copy(Text(), selStart_ + 1, selLength_); }

void TCustomEdit::SelectAll()
{
    selStart_ = 0;
    selLength_ = static_cast<int>(platform::Utf8Length(Text()));
    Changed(ModelChange::Selection);
}

void TCustomEdit::TextChanged()
{
    if (!typing_) {
        selStart_ = static_cast<int>(platform::Utf8Length(Text()));
        selLength_ = 0;
    }
    typing_ = false;
    Fire(OnChange, this);
}

void TCustomEdit::ApplyTyped(const std::u32string& text, int caret)
{
    const std::string utf8 = Encode(text);
    if (utf8 == Text()) return;
    selStart_ = caret;
    selLength_ = 0;
    typing_ = true;
    SetText(utf8);
    typing_ = false;
}

void TCustomEdit::KeyPress(char32_t& key)
{
    TWinControl::KeyPress(key);
    if (key != 0) InsertTyped(key);
}

void TCustomEdit::InsertTyped(char32_t key)
{
    if (readOnly_) return;
    std::u32string text = Decode(Text());
    const int length = static_cast<int>(text.size());
    int start = std::clamp(selStart_, 0, length);
    const int count = std::clamp(selLength_, 0, length - start);
    if (key == U'\b') {
        if (count > 0) {
            text.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
        } else if (start > 0) {
            text.erase(static_cast<std::size_t>(start - 1), 1);
            --start;
        } else {
            return;
        }
        ApplyTyped(text, start);
        return;
    }
    if (IsControlChar(key) || !AcceptsChar(key)) return;
    if (maxLength_ > 0 && length - count + 1 > maxLength_) return;
    text.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
    text.insert(text.begin() + start, ApplyCase(charCase_, key));
    ApplyTyped(text, start + 1);
}

void TCustomEdit::KeyDown(std::uint16_t& key, TShiftState shift)
{
    TWinControl::KeyDown(key, shift);
    if (key == VK_DELETE && !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) DeleteForward();
}

void TCustomEdit::DeleteForward()
{
    if (readOnly_) return;
    std::u32string text = Decode(Text());
    const auto length = text.size();
    const auto start = static_cast<std::size_t>(std::clamp(selStart_, 0, static_cast<int>(length)));
    auto count = static_cast<std::size_t>(std::clamp(selLength_, 0, static_cast<int>(length - start)));
    if (count == 0) {
        if (start >= length) return;
        count = text[start] == U'\r' && start + 1 < length && text[start + 1] == U'\n' ? 2 : 1;
    }
    text.erase(start, count);
    ApplyTyped(text, static_cast<int>(start));
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner)
{
    SetDefaultSize(121, 22);
    StoreText("0");
}

int TSpinEdit::Clamp(int v) const
{
    if (maxValue_ == minValue_) return v;
    return std::clamp(v, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

int TSpinEdit::Value() const
{
    const std::string text = platform::Trim(Text());
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) return minValue_;
    return Clamp(value);
}

void TSpinEdit::SetValue(int v) { SetText(std::to_string(Clamp(v))); }

bool TSpinEdit::AcceptsChar(char32_t c) const { return IsDigit(c) || c == U'+' || c == U'-'; }

void TSpinEdit::KeyDown(std::uint16_t& key, TShiftState shift)
{
    TCustomEdit::KeyDown(key, shift);
    if (ReadOnly()) return;
    if (key == VK_UP) SetValue(Value() + increment_);
    if (key == VK_DOWN) SetValue(Value() - increment_);
}

// ---------------------------------------------------------------- TMaskEdit

TMaskEdit::TMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TMaskEdit::SetEditMask(std::string mask)
{
    editMask_ = std::move(mask);
    slots_.clear();
    blank_ = U'_';
    const std::u32string m = Decode(editMask_);
    // The mask's own fields: characters ; literals kept ; blank character. The separator is the last
    // two semicolons, so a literal ';' inside the characters survives.
    std::u32string chars = m;
    const std::size_t last = m.rfind(U';');
    if (last != std::u32string::npos && last > 0) {
        const std::size_t before = m.rfind(U';', last - 1);
        if (before != std::u32string::npos) {
            chars = m.substr(0, before);
            if (last + 1 < m.size()) blank_ = m[last + 1];
        }
    }
    static const std::u32string inputs = U"LlAaCc09#";
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c == U'!' || c == U'>' || c == U'<') continue;
        if (c == U'\\' && i + 1 < chars.size()) {
            slots_.push_back({true, chars[++i]});
        } else if (inputs.find(c) != std::u32string::npos) {
            slots_.push_back({false, c});
        } else {
            slots_.push_back({true, c});
        }
    }
    Changed(ModelChange::Other);
}

std::u32string TMaskEdit::Padded() const
{
    std::u32string text = Decode(Text());
    for (std::size_t i = text.size(); i < slots_.size(); ++i) text += slots_[i].literal ? slots_[i].ch : U' ';
    return text;
}

std::string TMaskEdit::EditText() const
{
    if (slots_.empty()) return Text();
    std::u32string text = Padded();
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (!slots_[i].literal && text[i] == U' ') text[i] = blank_;
    return Encode(text);
}

bool TMaskEdit::Fits(char32_t maskChar, char32_t c) const
{
    switch (maskChar) {
    case U'0':
    case U'9': return IsDigit(c);
    case U'#': return IsDigit(c) || c == U'+' || c == U'-';
    case U'L':
    case U'l': return IsLetter(c);
    case U'A':
    case U'a': return IsLetter(c) || IsDigit(c);
    default: return !IsControlChar(c);
    }
}

void TMaskEdit::InsertTyped(char32_t key)
{
    if (slots_.empty()) {
        TCustomEdit::InsertTyped(key);
        return;
    }
    if (ReadOnly()) return;
    std::u32string text = Padded();
    const int n = static_cast<int>(slots_.size());
    int pos = std::clamp(SelStart(), 0, n);
    if (key == U'\b') {
        do --pos;
        while (pos >= 0 && slots_[static_cast<std::size_t>(pos)].literal);
        if (pos < 0) return;
        text[static_cast<std::size_t>(pos)] = U' ';
        ApplyTyped(text, pos);
        return;
    }
    if (IsControlChar(key)) return;
    while (pos < n && slots_[static_cast<std::size_t>(pos)].literal) ++pos;
    if (pos >= n || !Fits(slots_[static_cast<std::size_t>(pos)].ch, key)) return;
    text[static_cast<std::size_t>(pos)] = ApplyCase(CharCase(), key);
    ApplyTyped(text, pos + 1);
}

// ---------------------------------------------------------------- TMemo

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner)
{
    SetDefaultSize(185, 89);
    lines_.SetListener([this](TStrings::Change, int) {
        Changed(ModelChange::Items);
        if (syncing_) return;
        syncing_ = true;
        TCustomEdit::SetText(lines_.Join("\r\n"));
        syncing_ = false;
    });
}

TMemo::~TMemo() { lines_.SetListener(nullptr); }

std::string TMemo::Text() const { return TCustomEdit::Text(); }

void TMemo::SetText(std::string text)
{
    if (text == Text()) return;
    const bool outer = !syncing_;
    syncing_ = true;
    if (outer) lines_.SetText(text);
    syncing_ = false;
    TCustomEdit::SetText(std::move(text));
}

void TMemo::InsertTyped(char32_t key)
{
    if (key != U'\r') {
        TCustomEdit::InsertTyped(key);
        return;
    }
    if (ReadOnly()) return;
    std::u32string text = Decode(Text());
    const int start = std::clamp(SelStart(), 0, static_cast<int>(text.size()));
    const int count = std::clamp(SelLength(), 0, static_cast<int>(text.size()) - start);
    text.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
    text.insert(static_cast<std::size_t>(start), U"\r\n");
    ApplyTyped(text, start + 2);
}

// ---------------------------------------------------------------- buttons

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetDefaultSize(75, 25); }

int TButton::CaptionFitWidth() const
{
    return Caption().empty() ? 0 : TextExtent(Caption(), Font()).cx + ButtonPadding;
}

int TGlyphCaptionControl::CaptionFitWidth() const
{
    return Caption().empty() ? 0 : TextExtent(Caption(), Font()).cx + GlyphRoom;
}

void TGlyphCaptionControl::FitCaption()
{
    const int needed = CaptionFitWidth();
    if (Width() < needed) SetWidth(needed);
}

void TButton::Click()
{
    if (TForm* form = TopForm()) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetKind(TBitBtnKind kind)
{
    kind_ = kind;
    static constexpr TModalResult results[] = {mrNone, mrOk, mrCancel, mrNone, mrYes, mrNo,
                                               mrNone, mrAbort, mrRetry, mrIgnore, mrAll};
    SetModalResult(results[kind]);
    if (kind == bkOK || kind == bkYes) SetDefault(true);
    if (kind == bkCancel || kind == bkNo) SetCancel(true);
    Changed(ModelChange::Other);
}

TCheckBox::TCheckBox(TComponent* owner) : TGlyphCaptionControl(owner)
{
    SetDefaultSize(97, 17);
    SetParentColor(true);
}

void TCheckBox::SetState(TCheckBoxState state)
{
    if (state == state_) return;
    state_ = state;
    Changed(ModelChange::State);
    Click();
}

void TCheckBox::SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }

void TCheckBox::Toggle()
{
    switch (state_) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(allowGrayed_ ? cbGrayed : cbUnchecked); break;
    case cbGrayed: SetState(cbUnchecked); break;
    }
}

TRadioButton::TRadioButton(TComponent* owner) : TGlyphCaptionControl(owner)
{
    SetDefaultSize(113, 17);
    SetParentColor(true);
}

namespace {

std::vector<TRadioButton*> RadioGroup(const TRadioButton& button)
{
    std::vector<TRadioButton*> group;
    if (TWinControl* parent = button.Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i))) group.push_back(sibling);
    return group;
}

}  // namespace

// Tab reaches a group at its checked button only, or at its first while none is checked.
void TRadioButton::MarkGroupTabStop()
{
    const std::vector<TRadioButton*> group = RadioGroup(*this);
    const bool none = std::none_of(group.begin(), group.end(), [](const TRadioButton* r) { return r->checked_; });
    for (TRadioButton* r : group) r->SetTabStop(r->checked_ || (none && r == group.front()));
}

void TRadioButton::SetParent(TWinControl* parent)
{
    TGlyphCaptionControl::SetParent(parent);
    if (parent != nullptr) MarkGroupTabStop();
}

void TRadioButton::SetChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    Changed(ModelChange::State);
    if (checked_) {
        for (TRadioButton* sibling : RadioGroup(*this)) {
            if (sibling == this || !sibling->checked_) continue;
            sibling->checked_ = false;
            sibling->Changed(ModelChange::State);
        }
    }
    MarkGroupTabStop();
    if (checked_) Click();
}

bool TRadioButton::DialogKey(std::uint16_t key, TShiftState shift)
{
    const int step = key == VK_DOWN || key == VK_RIGHT ? 1 : key == VK_UP || key == VK_LEFT ? -1 : 0;
    if (step == 0 || shift.Contains(ssShift) || shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
    const std::vector<TRadioButton*> group = RadioGroup(*this);
    const auto n = static_cast<std::ptrdiff_t>(group.size());
    const std::ptrdiff_t at = std::find(group.begin(), group.end(), this) - group.begin();
    // The next button the focus can reach, round the group; the focus checks it.
    for (std::ptrdiff_t i = 1; i < n; ++i) {
        TRadioButton* next = group[static_cast<std::size_t>(((at + step * i) % n + n) % n)];
        if (!next->CanFocus()) continue;
        next->SetFocus();
        next->SetChecked(true);
        return true;
    }
    return true;
}

// ---------------------------------------------------------------- lists

void TListItems::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
    Notify(Change::Reset, -1);
}

namespace {

// The selection after a change of the list: follows its item, -1 when the item went.
int FollowSelection(int selected, TStrings::Change change, int index)
{
    if (selected < 0) return -1;
    switch (change) {
    case TStrings::Change::Inserted: return index <= selected ? selected + 1 : selected;
    case TStrings::Change::Deleted: return index == selected ? -1 : (index < selected ? selected - 1 : selected);
    case TStrings::Change::Modified: return selected;
    case TStrings::Change::Cleared:
    case TStrings::Change::Reset: return -1;
    }
    return selected;
}

}  // namespace

TCustomCombo::TCustomCombo(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(145, 21);
    SetColor(clWindow);
    SetTabStop(true);
    items_.SetListener([this](TStrings::Change change, int index) { ItemsChanged(change, index); });
}

TCustomCombo::~TCustomCombo() { items_.SetListener(nullptr); }

void TCustomCombo::ItemsChanged(TStrings::Change change, int index)
{
    const std::string selectedText = itemIndex_ >= 0 ? TWinControl::Text() : std::string();
    int selected = FollowSelection(itemIndex_, change, index);
    if (change == TStrings::Change::Reset && itemIndex_ >= 0) selected = items_.IndexOfExact(selectedText);
    const bool lost = itemIndex_ >= 0 && selected < 0;
    itemIndex_ = selected;
    // The platform empties the edit when the whole list goes, and a list-only box shows only items.
    if (change == TStrings::Change::Cleared || (lost && style_ == csDropDownList)) StoreText("");
    if (itemIndex_ >= 0 && change == TStrings::Change::Modified && index == itemIndex_) StoreText(items_[itemIndex_]);
    Changed(ModelChange::Items);
}

void TCustomCombo::SetItemIndex(int index)
{
    if (index < 0 || index >= items_.Count()) index = -1;
    const std::string text = index >= 0 ? items_[index] : std::string();
    if (index == itemIndex_ && TWinControl::Text() == text) return;
    itemIndex_ = index;
    StoreText(text);
    Changed(ModelChange::Selection);
}

void TCustomCombo::SetStyle(TComboBoxStyle v)
{
    if (v == style_) return;
    style_ = v;
    if (style_ == csDropDownList) StoreText(itemIndex_ >= 0 ? items_[itemIndex_] : std::string());
    Changed(ModelChange::Other);
}

std::string TCustomCombo::Text() const
{
    if (style_ == csDropDownList) return itemIndex_ >= 0 ? items_[itemIndex_] : std::string();
    return TWinControl::Text();
}

void TCustomCombo::SetText(std::string text)
{
    if (style_ == csDropDownList) {
        SetItemIndex(items_.IndexOf(text));
        return;
    }
    StoreText(std::move(text));
    if (itemIndex_ >= 0 && items_[itemIndex_] != TWinControl::Text()) {
        itemIndex_ = -1;
        Changed(ModelChange::Selection);
    }
}

void TCustomCombo::SetDroppedDown(bool v)
{
    if (v == droppedDown_) return;
    droppedDown_ = v;
    Changed(ModelChange::State);
    if (v) {
        Fire(OnDropDown, this);
    } else {
        Fire(OnCloseUp, this);
    }
}

void TCustomCombo::Clear()
{
    items_.Clear();
    SetItemIndex(-1);
}

void TCustomCombo::UserSelect(int index)
{
    if (index < 0 || index >= items_.Count()) return;
    SetItemIndex(index);
    Click();
    if (OnSelect) {
        Fire(OnSelect, this);
    } else {
        Fire(OnChange, this);
    }
}

void TCustomCombo::KeyPress(char32_t& key)
{
    TWinControl::KeyPress(key);
    if (key == 0 || style_ == csDropDownList) return;
    std::u32string text = Decode(TWinControl::Text());
    if (key == U'\b') {
        if (text.empty()) return;
        text.pop_back();
    } else {
        if (IsControlChar(key)) return;
        if (maxLength_ > 0 && static_cast<int>(text.size()) >= maxLength_) return;
        text += key;
    }
    SetText(Encode(text));
    Fire(OnChange, this);
}

void TCustomCombo::SetSortedItems(bool sorted)
{
    if (sorted == items_.sorted_) return;
    items_.sorted_ = sorted;
    if (sorted) items_.Sort();
}

TComboBox::TComboBox(TComponent* owner) : TCustomCombo(owner) {}

TListBox::TListBox(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(121, 97);
    SetColor(clWindow);
    SetTabStop(true);
    items_.SetListener([this](TStrings::Change change, int index) {
        itemIndex_ = FollowSelection(itemIndex_, change, index);
        Changed(ModelChange::Items);
    });
}

TListBox::~TListBox() { items_.SetListener(nullptr); }

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= items_.Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Changed(ModelChange::Selection);
}

void TListBox::SetSorted(bool sorted)
{
    if (sorted == items_.sorted_) return;
    items_.sorted_ = sorted;
    if (sorted) items_.Sort();
}

void TListBox::UserSelect(int index)
{
    if (index < 0 || index >= items_.Count()) return;
    SetItemIndex(index);
    Click();
}

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) { SetDefaultSize(185, 105); }

int TGroupBox::CaptionFitWidth() const
{
    return Caption().empty() ? 0 : TextExtent(Caption(), Font()).cx + 2 * CaptionInset;
}

TRect TGroupBox::AlignRect() const
{
    TRect r = ClientRect();
    r.Left = std::min(r.Right, r.Left + 2);
    r.Right = std::max(r.Left, r.Right - 2);
    r.Top = std::min(r.Bottom, r.Top + 16);
    r.Bottom = std::max(r.Top, r.Bottom - 2);
    return r;
}

}  // namespace ui
