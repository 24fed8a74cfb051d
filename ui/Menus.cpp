#include "ui/Menus.h"

#include <algorithm>
#include <stdexcept>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace ui {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem()
{
    if (parent_ != nullptr) parent_->Remove(this);
    for (TMenuItem* child : items_) child->parent_ = nullptr;
}

void TMenuItem::Notify()
{
    if (Application* app = CurrentApplication()) app->Observer().MenuItemChanged(*this);
}

void TMenuItem::SetCaption(std::string caption)
{
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Notify();
}

void TMenuItem::SetShortCut(TShortCut shortCut)
{
    if (shortCut == shortCut_) return;
    shortCut_ = shortCut;
    Notify();
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    if (checked_ && radioItem_ && parent_ != nullptr)
        for (TMenuItem* sibling : parent_->items_)
            if (sibling != this && sibling->radioItem_ && sibling->checked_) {
                sibling->checked_ = false;
                sibling->Notify();
            }
    Notify();
}

void TMenuItem::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Notify();
}

void TMenuItem::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    Notify();
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count()) throw std::out_of_range("Menu index out of range");
    return items_[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (item == nullptr) return;
    for (const TMenuItem* p = this; p != nullptr; p = p->parent_)
        if (p == item) throw std::invalid_argument("A menu item cannot be placed inside itself");
    if (item->parent_ != nullptr) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Notify();
}

void TMenuItem::Remove(TMenuItem* item)
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    Notify();
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_ != nullptr) root = root->parent_;
    return root->menu_;
}

bool TMenuItem::EffectivelyEnabled() const
{
    for (const TMenuItem* p = this; p != nullptr; p = p->parent_)
        if (!p->enabled_ || !p->visible_) return false;
    return true;
}

void TMenuItem::Click()
{
    if (!enabled_) return;
    if (autoCheck_) SetChecked(!checked_);
    Fire(OnClick, this);
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), root_(std::make_unique<TMenuItem>(nullptr))
{
    root_->menu_ = this;
}

TMenu::~TMenu()
{
    // Items owned by the form may outlive the menu: they must not point at the gone root.
    while (root_->Count() > 0) root_->Remove(root_->Items(0));
}

namespace {

TMenuItem* Find(const TMenuItem& item, TShortCut shortCut)
{
    for (int i = 0; i < item.Count(); ++i) {
        TMenuItem* child = item.Items(i);
        if (!child->Enabled() || !child->Visible()) continue;
        if (child->ShortCut() == shortCut) return child;
        if (TMenuItem* found = Find(*child, shortCut)) return found;
    }
    return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindShortCut(TShortCut shortCut) const
{
    if (shortCut == 0) return nullptr;
    return Find(*root_, shortCut);
}

bool TMenu::IsShortCut(std::uint16_t key, TShiftState shift)
{
    TMenuItem* item = FindShortCut(ui::ShortCut(key, shift));
    if (item == nullptr) return false;
    item->Click();
    return true;
}

void TMainMenu::AfterConstruction()
{
    TMenu::AfterConstruction();
    if (auto* form = dynamic_cast<TForm*>(Owner()); form != nullptr && form->Menu() == nullptr) form->SetMenu(this);
}

void TPopupMenu::Popup(int x, int y)
{
    popupPoint_ = TPoint{x, y};
    Fire(OnPopup, this);
}

std::string ShortCutToText(TShortCut shortCut)
{
    if (shortCut == 0) return {};
    std::string text;
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scAlt) text += "Alt+";
    const int key = shortCut & 0xFF;
    if (key >= VK_F1 && key <= VK_F12) {
        text += "F" + std::to_string(key - VK_F1 + 1);
    } else if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        text += static_cast<char>(key);
    } else {
        static const std::pair<int, const char*> names[] = {
            {VK_BACK, "Backspace"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
            {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
            {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"}};
        const auto it = std::find_if(std::begin(names), std::end(names), [key](const auto& n) { return n.first == key; });
        text += it != std::end(names) ? it->second : "#" + std::to_string(key);
    }
    return text;
}

}  // namespace ui
