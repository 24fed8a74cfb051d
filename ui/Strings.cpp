#include "ui/Strings.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Text.h"

namespace ui {

char32_t UpperChar(char32_t c)
{
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;  // ё and the other Cyrillic letters of this row
    return c;
}

char32_t LowerChar(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

namespace {

std::string MapCase(std::string_view utf8, char32_t (*map)(char32_t))
{
    std::u32string text = platform::DecodeUtf8(utf8);
    for (char32_t& c : text) c = map(c);
    return platform::EncodeUtf8(text);
}

}  // namespace

std::string UpperCase(std::string_view utf8) { return MapCase(utf8, UpperChar); }
std::string LowerCase(std::string_view utf8) { return MapCase(utf8, LowerChar); }

int CompareText(std::string_view a, std::string_view b)
{
    const std::u32string x = platform::DecodeUtf8(a);
    const std::u32string y = platform::DecodeUtf8(b);
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t cx = LowerChar(x[i]);
        const char32_t cy = LowerChar(y[i]);
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

TStrings::TStrings(const TStrings& other) : TObject(), items_(other.items_) {}

TStrings& TStrings::operator=(const TStrings& other)
{
    if (this != &other) {
        items_ = other.items_;
        Notify(Change::Reset, -1);
    }
    return *this;
}

void TStrings::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStrings::operator[](int index) const
{
    CheckIndex(index, Count());
    return items_[static_cast<std::size_t>(index)].text;
}

void TStrings::SetString(int index, std::string text)
{
    CheckIndex(index, Count());
    items_[static_cast<std::size_t>(index)].text = std::move(text);
    Notify(Change::Modified, index);
}

TObject* TStrings::Objects(int index) const
{
    CheckIndex(index, Count());
    return items_[static_cast<std::size_t>(index)].object;
}

void TStrings::SetObject(int index, TObject* object)
{
    CheckIndex(index, Count());
    items_[static_cast<std::size_t>(index)].object = object;
}

std::intptr_t TStrings::Data(int index) const
{
    CheckIndex(index, Count());
    return items_[static_cast<std::size_t>(index)].data;
}

void TStrings::SetData(int index, std::intptr_t data)
{
    CheckIndex(index, Count());
    items_[static_cast<std::size_t>(index)].data = data;
}

int TStrings::SortedIndexFor(std::string_view text) const
{
    // After equal items, so that items added alike keep their order.
    const auto pos = std::upper_bound(items_.begin(), items_.end(), text,
                                      [](std::string_view t, const Item& i) { return CompareText(t, i.text) < 0; });
    return static_cast<int>(pos - items_.begin());
}

int TStrings::InsertItem(int index, Item item)
{
    items_.insert(items_.begin() + index, std::move(item));
    Notify(Change::Inserted, index);
    return index;
}

int TStrings::Add(std::string text) { return AddObject(std::move(text), nullptr); }

int TStrings::AddObject(std::string text, TObject* object)
{
    const int index = SortedAdd() ? SortedIndexFor(text) : Count();
    return InsertItem(index, Item{std::move(text), object, 0});
}

int TStrings::AddData(std::string text, std::intptr_t data)
{
    const int index = SortedAdd() ? SortedIndexFor(text) : Count();
    return InsertItem(index, Item{std::move(text), nullptr, data});
}

void TStrings::Insert(int index, std::string text) { InsertObject(index, std::move(text), nullptr); }

void TStrings::InsertObject(int index, std::string text, TObject* object)
{
    CheckIndex(index, Count() + 1);
    InsertItem(index, Item{std::move(text), object, 0});
}

void TStrings::Delete(int index)
{
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
    Notify(Change::Deleted, index);
}

void TStrings::Clear()
{
    if (items_.empty()) return;
    items_.clear();
    Notify(Change::Cleared, -1);
}

void TStrings::Exchange(int a, int b)
{
    CheckIndex(a, Count());
    CheckIndex(b, Count());
    std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
    Notify(Change::Reset, -1);
}

int TStrings::IndexOf(std::string_view text) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(items_[static_cast<std::size_t>(i)].text, text)) return i;
    return -1;
}

int TStrings::IndexOfExact(std::string_view text) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<std::size_t>(i)].text == text) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<std::size_t>(i)].object == object) return i;
    return -1;
}

void TStrings::AddStrings(const TStrings& other)
{
    BeginUpdate();
    for (const Item& item : other.items_) AddObject(item.text, item.object);
    EndUpdate();
}

void TStrings::Assign(const std::vector<std::string>& lines)
{
    BeginUpdate();
    Clear();
    for (const std::string& line : lines) Add(line);
    EndUpdate();
}

std::string TStrings::Text() const
{
    std::string out;
    for (const Item& item : items_) {
        out += item.text;
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(std::string_view text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    Assign(lines);
}

std::string TStrings::Join(std::string_view separator) const
{
    std::string out;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) out += separator;
        out += items_[i].text;
    }
    return out;
}

std::vector<std::string> TStrings::Lines() const
{
    std::vector<std::string> out;
    out.reserve(items_.size());
    for (const Item& item : items_) out.push_back(item.text);
    return out;
}

void TStrings::BeginUpdate() { ++updating_; }

void TStrings::EndUpdate()
{
    if (updating_ > 0 && --updating_ == 0 && changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        Notify(Change::Reset, -1);
    }
}

void TStrings::Notify(Change change, int index)
{
    if (updating_ > 0) {
        changedWhileUpdating_ = true;
        return;
    }
    if (listener_) {
        Listener copy = listener_;
        copy(change, index);
    }
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (sorted_) Sort();
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
    Notify(Change::Reset, -1);
}

void TStringList::Insert(int index, std::string text)
{
    if (sorted_) throw std::logic_error("Operation not allowed on sorted list");
    TStrings::Insert(index, std::move(text));
}

}  // namespace ui
