// Components: an owner that frees them, a name and a Tag. Datasets, data sources, controls,
// forms and the program's other long-lived objects are components.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvz {

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    // Frees the owned components (last first), tells the components that asked to hear of
    // this one's end, and leaves the owner.
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Throws std::invalid_argument when the owner already has a component of that name
    // (compared without regard to case); an empty name is always allowed.
    virtual void SetName(std::string_view name);
    intptr_t Tag() const { return tag_; }
    void SetTag(intptr_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    // The owned component of that name (without regard to case), or none.
    TComponent* FindComponent(std::string_view name) const;

    // Ownership moves: the component leaves its old owner.
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Asks to be told (Notification with opRemove) when the other component goes.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    bool Destroying() const { return destroying_; }
    bool Loading() const { return loading_; }
    void SetLoading(bool loading) { loading_ = loading; }

protected:
    // Told of components inserted into or removed from the owner and of freed components that
    // this one asked to hear of. Descendants clear their references here.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void NotifyAll(TComponent* component, TOperation operation);
    // Keeps the owner's index of names in step when a named component comes, goes or is renamed.
    void IndexName(TComponent* component);
    void UnindexName(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    intptr_t tag_ = 0;
    std::vector<TComponent*> components_;
    // The owned components by their names folded to lower case: a form owns hundreds, and each
    // name is checked against all of them.
    std::unordered_map<std::string, TComponent*> names_;
    std::vector<TComponent*> freeNotifies_;
    bool destroying_ = false;
    bool loading_ = false;
};

} // namespace kvz
