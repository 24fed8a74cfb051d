#pragma once
// Components: the named, owned objects every window is made of.
//
// Ownership: an owner holds its components (std::unique_ptr) in creation order; Components(i) walks
// that order, which the ini routines and the page indexes rely on. Destroying an owner destroys its
// components, the last created first. Freeing one component (Free or owner->FreeComponent) removes it
// from its owner's list at once, so the components after it move down by one; a freed control also
// leaves its parent, and a freed form leaves the application's lists.
//
// Creation goes through ui::Create, which returns a non-owning pointer:
//     auto* edit = ui::Create<TEdit>(this, "etO", GroupBox1);
// Every component class takes its owner as the first constructor argument (the constructor does not
// insert itself; Create does, once the object is complete). Components meant to have no owner are made
// with ui::MakeUnowned and held by their maker.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ui/Object.h"

namespace ui {

class TWinControl;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // Throws std::invalid_argument when another component of the same owner has the name already
    // (compared without regard to letter case, as the platform does).
    void SetName(std::string name);
    TComponent* Owner() const { return owner_; }

    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Throws std::out_of_range outside 0 .. ComponentCount-1.
    TComponent* Components(int index) const;
    // Position in the owner's list; -1 without an owner.
    int ComponentIndex() const;
    // Case-insensitive, among the components this one owns; nullptr when absent.
    TComponent* FindComponent(std::string_view name) const;

    // Takes ownership (the component's owner becomes this).
    void InsertComponent(std::unique_ptr<TComponent> component);
    // Gives ownership back to the caller; nullptr when this does not own it.
    std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
    // Destroys one owned component (nothing when this does not own it).
    void FreeComponent(TComponent* component);
    // Destroys every owned component, the last first.
    void DestroyComponents();

    // Expires when the component is destroyed: for deferred calls that must not outlive it.
    std::weak_ptr<void> Liveness() const { return alive_; }

    // Called once by ui::Create after the object is complete and inserted (forms run OnCreate here).
    virtual void AfterConstruction();
    // Called while the whole object still exists, right before its owner destroys it.
    virtual void BeforeDestruction() {}

private:
    void NotifyDestroying();

    std::string name_;
    TComponent* owner_ = nullptr;
    std::intptr_t tag_ = 0;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    bool destroyingNotified_ = false;
};

// Frees a component through its owner. A component without an owner is not freed here (its holder's
// unique_ptr owns it); that case throws std::logic_error.
void Free(TComponent* component);

namespace detail {
void AttachParent(TComponent* component, TWinControl* parent);
void Completed(TComponent* component);
}  // namespace detail

template <class T, class... A>
T* Create(TComponent* owner, std::string name, TWinControl* parent = nullptr, A&&... args)
{
    static_assert(std::is_base_of_v<TComponent, T>, "ui::Create makes components");
    if (owner == nullptr) throw std::invalid_argument("ui::Create needs an owner; use ui::MakeUnowned");
    auto object = std::make_unique<T>(owner, std::forward<A>(args)...);
    T* raw = object.get();
    if (!name.empty()) raw->SetName(std::move(name));
    owner->InsertComponent(std::move(object));
    try {
        if (parent != nullptr) detail::AttachParent(raw, parent);
        detail::Completed(raw);
    } catch (...) {
        owner->FreeComponent(raw);
        throw;
    }
    return raw;
}

template <class T, class... A>
std::unique_ptr<T> MakeUnowned(std::string name, TWinControl* parent = nullptr, A&&... args)
{
    static_assert(std::is_base_of_v<TComponent, T>, "ui::MakeUnowned makes components");
    auto object = std::make_unique<T>(nullptr, std::forward<A>(args)...);
    if (!name.empty()) object->SetName(std::move(name));
    if (parent != nullptr) detail::AttachParent(object.get(), parent);
    detail::Completed(object.get());
    return object;
}

}  // namespace ui
