#include "controls/KvHook.h"

#include <QEvent>

#include <algorithm>

namespace kvz {

// ---- the hook component ----

TKvWindowHook::TKvWindowHook(TComponent* owner) : TComponent(owner) {}

TKvWindowHook::~TKvWindowHook() {
    Detach();
    if (control_) control_->RemoveFreeNotification(this);
}

void TKvWindowHook::SetActive(bool on) {
    if (on == active_) return;
    active_ = on;
    if (on)
        Attach();
    else
        Detach();
}

void TKvWindowHook::SetWinControl(TWinControl* control) {
    if (control == control_) return;
    Detach();
    if (control_) control_->RemoveFreeNotification(this);
    control_ = control;
    if (control) control->FreeNotification(this);
    if (active_) Attach();
}

void TKvWindowHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == control_) SetWinControl(nullptr);
}

void TKvWindowHook::Attach() {
    if (!control_ || Loading() || hook_) return;
    hook_ = HookRegistry().ControlHookFor(control_);
    hook_->AttachHook(this);
}

void TKvWindowHook::Detach() {
    if (!hook_) return;
    TControlHook* hook = hook_;
    hook_ = nullptr;
    hook->DetachHook(this);
    if (hook->HookCount() == 0) HookRegistry().ReleaseLater(hook);
}

// ---- the control's filter ----

TControlHook::TControlHook(TWinControl* control) : control_(control), widget_(control->Widget()) {}

TControlHook::~TControlHook() {
    destroying_ = true;
    RestoreProc();
    hooks_.clear();
}

void TControlHook::AttachHook(TKvWindowHook* hook) {
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
    InstallProc();
}

void TControlHook::DetachHook(TKvWindowHook* hook) {
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
    if (hooks_.empty()) RestoreProc();
}

void TControlHook::InstallProc() {
    if (installed_ || destroying_ || !widget_ || control_->Destroying()) return;
    widget_->installEventFilter(this);
    installed_ = true;
}

void TControlHook::RestoreProc() {
    if (installed_ && widget_) widget_->removeEventFilter(this);
    installed_ = false;
}

bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_ || inControl_) return false;
    bool handled = false;
    DispatchToHooks(true, event, handled);
    if (handled) return true;
    // The control handles the event here, so that the hooks see it afterwards; whether Qt
    // passes it on to the parent still follows its accepted flag.
    inControl_ = true;
    QPointer<TControlHook> self(this);
    static_cast<QObject*>(watched)->event(event);
    if (!self) return true;
    inControl_ = false;
    bool after = false;
    DispatchToHooks(false, event, after);
    return true;
}

void TControlHook::DispatchToHooks(bool before, QEvent* event, bool& handled) {
    if (hooks_.empty() || destroying_ || !widget_ || control_->Destroying()) return;
    // A handler may detach hooks: the ones there when the event came are asked.
    const std::vector<TKvWindowHook*> hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end()) continue;
        const THookMessageEvent& handler = before ? (*it)->BeforeMessage : (*it)->AfterMessage;
        if (handler) Guarded([&] { handler(*it, event, handled); });
        if (handled) break;
    }
}

// ---- the registry ----

THookList& HookRegistry() {
    static THookList* registry = new THookList;
    return *registry;
}

THookList::~THookList() { hooks_.clear(); }

TControlHook* THookList::FindControlHook(TWinControl* control) const {
    for (const auto& hook : hooks_)
        if (hook->Control() == control && !hook->Orphaned()) return hook.get();
    return nullptr;
}

TControlHook* THookList::ControlHookFor(TWinControl* control) {
    if (TControlHook* hook = FindControlHook(control)) return hook;
    hooks_.push_back(std::make_unique<TControlHook>(control));
    return hooks_.back().get();
}

void THookList::ReleaseLater(TControlHook* hook) {
    QMetaObject::invokeMethod(
        this,
        [this, hook] {
            auto it = std::find_if(hooks_.begin(), hooks_.end(), [&](auto& h) { return h.get() == hook; });
            if (it != hooks_.end() && (*it)->HookCount() == 0) hooks_.erase(it);
        },
        Qt::QueuedConnection);
}

} // namespace kvz
