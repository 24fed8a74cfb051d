#pragma once
// Menus: a main menu or a pop-up menu holds a tree of menu items. Items are components (owned by the
// form, like every control) placed under a parent item with Add; Items() of the menu is the invisible
// root.
//
// A shortcut pressed in a form (ui::Driver::PressKey, gui/) clicks the item of the form's main menu
// that carries it, when the item and every item above it are enabled and visible; the key then goes no
// further.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Types.h"

namespace ui {

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    // A caption of "-" makes a separator.
    bool IsSeparator() const { return caption_ == "-"; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool v) { radioItem_ = v; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool v) { autoCheck_ = v; }
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v) { imageIndex_ = v; }

    TMenuItem* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Throws std::out_of_range.
    TMenuItem* Items(int index) const;
    TMenuItem* operator[](int index) const { return Items(index); }
    int IndexOf(const TMenuItem* item) const;
    // Places an item (not owned) as the last / given child; it leaves its former parent.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    // The menu the item is in, nullptr when it hangs nowhere.
    TMenu* GetParentMenu() const;
    // Enabled and visible, and every item above it too.
    bool EffectivelyEnabled() const;

    // Runs OnClick when the item is enabled (AutoCheck toggles Checked first).
    virtual void Click();

    std::function<void(TObject* Sender)> OnClick;

private:
    friend class TMenu;
    void Notify();

    std::string caption_;
    TShortCut shortCut_ = 0;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool radioItem_ = false;
    bool autoCheck_ = false;
    std::string hint_;
    int imageIndex_ = -1;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    TMenu* menu_ = nullptr;  // set on the root item only
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    TMenuItem& Items() { return *root_; }
    const TMenuItem& Items() const { return *root_; }
    // The item with the shortcut that may be clicked now (see the file comment), nullptr when none.
    TMenuItem* FindShortCut(TShortCut shortCut) const;
    // Clicks the item of FindShortCut; true when there was one.
    bool IsShortCut(std::uint16_t key, TShiftState shift);

private:
    std::unique_ptr<TMenuItem> root_;
};

// Becomes its form's menu when the owner is a form without one.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    void AfterConstruction() override;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
    // Fires OnPopup; gui/ then shows the items at the screen point.
    void Popup(int x, int y);
    TPoint PopupPoint() const { return popupPoint_; }
    std::function<void(TObject* Sender)> OnPopup;

private:
    TPoint popupPoint_;
};

// "Ctrl+Shift+R", "F1", "Ctrl+X"; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

}  // namespace ui
