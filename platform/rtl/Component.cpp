#include "platform/rtl/Component.h"

#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <stdexcept>

namespace kvz {

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Those who asked are told first, while this object is still whole.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    while (!components_.empty()) {
        TComponent* child = components_.back();
        RemoveComponent(child);
        delete child;
    }
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(std::string_view name) {
    if (!name.empty() && owner_) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this)
            throw std::invalid_argument("A component named " + std::string(name) + " already exists");
    }
    if (owner_) owner_->UnindexName(this);
    name_ = std::string(name);
    if (owner_) owner_->IndexName(this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    auto it = names_.find(Utf8Lower(name));
    return it == names_.end() ? nullptr : it->second;
}

void TComponent::IndexName(TComponent* component) {
    if (!component->name_.empty()) names_.emplace(Utf8Lower(component->name_), component);
}

void TComponent::UnindexName(TComponent* component) {
    if (component->name_.empty()) return;
    auto it = names_.find(Utf8Lower(component->name_));
    if (it != names_.end() && it->second == component) names_.erase(it);
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this) return;
    if (!component->name_.empty() && FindComponent(component->name_))
        throw std::invalid_argument("A component named " + component->name_ + " already exists");
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    IndexName(component);
    component->owner_ = this;
    NotifyAll(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    NotifyAll(component, TOperation::opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), component));
    UnindexName(component);
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    if (component)
        component->freeNotifies_.erase(
            std::remove(component->freeNotifies_.begin(), component->freeNotifies_.end(), this),
            component->freeNotifies_.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
    Notification(component, operation);
    // The siblings hear of it too, so that references between them are cleared.
    for (size_t i = 0; i < components_.size(); ++i)
        if (components_[i] != component) components_[i]->Notification(component, operation);
}

} // namespace kvz
