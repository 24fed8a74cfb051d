#pragma once
// String lists: TStrings holds the items of combo boxes, list boxes and memos; TStringList is the
// free-standing list the program keeps its own data in. Both hold UTF-8 lines, each with an optional
// object pointer (not owned) and an integer of data.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Object.h"

namespace ui {

// Case-insensitive comparison for Latin and Cyrillic letters (Ё included), by code point otherwise;
// negative, zero or positive. This is the order of sorted lists and sorted combo boxes.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Upper/lower case of Latin and Cyrillic letters; other characters unchanged.
char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);
std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);

class TStrings : public TObject {
public:
    // What changed, for the control that shows the list (index of the item; -1 for the whole list).
    enum class Change { Inserted, Deleted, Modified, Cleared, Reset };
    using Listener = std::function<void(Change, int index)>;

    TStrings() = default;
    TStrings(const TStrings& other);
    TStrings& operator=(const TStrings& other);

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    // Throws std::out_of_range for an index outside 0 .. Count-1 (the platform's list index error).
    const std::string& operator[](int index) const;
    const std::string& Strings(int index) const { return (*this)[index]; }
    void SetString(int index, std::string text);
    TObject* Objects(int index) const;
    void SetObject(int index, TObject* object);
    std::intptr_t Data(int index) const;
    void SetData(int index, std::intptr_t data);

    // Appends, or inserts at the sorted place in a sorted list; returns the index of the new item.
    int Add(std::string text);
    int AddObject(std::string text, TObject* object);
    int AddData(std::string text, std::intptr_t data);
    // Inserts at the index (0 .. Count) without sorting. In a sorted TStringList this throws
    // std::logic_error, as the platform refuses it; a sorted combo box inserts unsorted.
    virtual void Insert(int index, std::string text);
    void InsertObject(int index, std::string text, TObject* object);
    void Delete(int index);
    void Clear();
    void Exchange(int a, int b);
    // Index of the first item equal to text (case-insensitive, as the platform compares), -1 when none.
    int IndexOf(std::string_view text) const;
    // Exact, case-sensitive lookup.
    int IndexOfExact(std::string_view text) const;
    int IndexOfObject(const TObject* object) const;
    void AddStrings(const TStrings& other);
    void Assign(const std::vector<std::string>& lines);

    // The lines joined, each followed by CR LF; SetText splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);
    // Lines joined with the given separator and no trailing one.
    std::string Join(std::string_view separator) const;
    std::vector<std::string> Lines() const;

    // Several changes as one: listeners hear one Reset at the end.
    void BeginUpdate();
    void EndUpdate();

    // Set by the control that shows the list.
    void SetListener(Listener listener) { listener_ = std::move(listener); }

protected:
    struct Item {
        std::string text;
        TObject* object = nullptr;
        std::intptr_t data = 0;
    };
    virtual bool SortedAdd() const { return false; }
    int InsertItem(int index, Item item);
    int SortedIndexFor(std::string_view text) const;
    void Notify(Change change, int index);
    void CheckIndex(int index, int limit) const;

    std::vector<Item> items_;

private:
    Listener listener_;
    int updating_ = 0;
    bool changedWhileUpdating_ = false;
};

// The free-standing list. Sorted keeps Add in alphabetical order (case-insensitive) and sorts what it
// holds when switched on.
class TStringList : public TStrings {
public:
    TStringList() = default;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    void Sort();
    void Insert(int index, std::string text) override;

protected:
    bool SortedAdd() const override { return sorted_; }

private:
    bool sorted_ = false;
};

}  // namespace ui
