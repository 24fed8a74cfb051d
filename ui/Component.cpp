#include "ui/Component.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/Strings.h"

namespace ui {

TComponent::TComponent(TComponent* owner) : owner_(owner) {}

TComponent::~TComponent()
{
    NotifyDestroying();
    DestroyComponents();
}

void TComponent::NotifyDestroying()
{
    if (destroyingNotified_) return;
    destroyingNotified_ = true;
    if (Application* app = CurrentApplication()) app->Observer().ComponentDestroying(*this);
}

void TComponent::SetName(std::string name)
{
    if (name == name_) return;
    if (owner_ != nullptr && !name.empty()) {
        const TComponent* other = owner_->FindComponent(name);
        if (other != nullptr && other != this)
            throw std::invalid_argument("A component named " + name + " already exists");
    }
    name_ = std::move(name);
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw std::out_of_range("Component index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)].get();
}

int TComponent::ComponentIndex() const
{
    if (owner_ == nullptr) return -1;
    const auto& list = owner_->components_;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this) return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (const auto& c : components_)
        if (SameText(c->Name(), name)) return c.get();
    return nullptr;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component)
{
    if (!component) return;
    if (!component->name_.empty()) {
        const TComponent* other = FindComponent(component->name_);
        if (other != nullptr && other != component.get())
            throw std::invalid_argument("A component named " + component->name_ + " already exists");
    }
    component->owner_ = this;
    components_.push_back(std::move(component));
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component)
{
    const auto it = std::find_if(components_.begin(), components_.end(),
                                 [component](const auto& c) { return c.get() == component; });
    if (it == components_.end()) return nullptr;
    std::unique_ptr<TComponent> out = std::move(*it);
    components_.erase(it);
    out->owner_ = nullptr;
    return out;
}

void TComponent::FreeComponent(TComponent* component)
{
    const auto it = std::find_if(components_.begin(), components_.end(),
                                 [component](const auto& c) { return c.get() == component; });
    if (it == components_.end()) return;
    component->BeforeDestruction();
    component->NotifyDestroying();
    // Taken out of the list first: what the destructor does must not see a half-freed entry.
    std::unique_ptr<TComponent> doomed = RemoveComponent(component);
    doomed.reset();
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) FreeComponent(components_.back().get());
}

void TComponent::AfterConstruction() {}

void Free(TComponent* component)
{
    if (component == nullptr) return;
    if (component->Owner() == nullptr) throw std::logic_error("ui::Free: " + component->Name() + " has no owner");
    component->Owner()->FreeComponent(component);
}

namespace detail {

void Completed(TComponent* component)
{
    component->AfterConstruction();
    if (Application* app = CurrentApplication()) app->Observer().ComponentCreated(*component);
}

}  // namespace detail

}  // namespace ui
