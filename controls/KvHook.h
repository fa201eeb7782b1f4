// The window hook: a component that sees every event of a windowed control before and after
// the control handles it, and may take it away from the control. Hooks of one control share
// one event filter (TControlHook); the registry (THookList) keeps them.
#pragma once

#include "platform/forms/Controls.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QEvent;

namespace kvz {

// handled in and out: a "before" handler that sets it keeps the event from the control.
using THookMessageEvent = std::function<void(TComponent* sender, QEvent* message, bool& handled)>;

class TControlHook;

class TKvWindowHook : public TComponent {
public:
    explicit TKvWindowHook(TComponent* owner);
    ~TKvWindowHook() override;

    bool Active() const { return active_; }
    void SetActive(bool on);
    TWinControl* WinControl() const { return control_; }
    void SetWinControl(TWinControl* control);

    THookMessageEvent BeforeMessage, AfterMessage;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Attach();
    void Detach();
    bool active_ = true;
    TWinControl* control_ = nullptr;
    TControlHook* hook_ = nullptr;
};

class TControlHook : public QObject {
public:
    explicit TControlHook(TWinControl* control);
    ~TControlHook() override;
    TWinControl* Control() const { return control_; }
    bool Orphaned() const { return !widget_; }
    int HookCount() const { return int(hooks_.size()); }
    // The hook joins once; the filter is installed.
    void AttachHook(TKvWindowHook* hook);
    // The hook leaves; the filter goes with the last one.
    void DetachHook(TKvWindowHook* hook);
    void InstallProc();
    void RestoreProc();

protected:
    // Every event of the control: the hooks before, the control, the hooks after.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DispatchToHooks(bool before, QEvent* event, bool& handled);
    TWinControl* control_;
    QPointer<QWidget> widget_;
    std::vector<TKvWindowHook*> hooks_;
    bool installed_ = false, destroying_ = false, inControl_ = false;
};

class THookList : public QObject {
public:
    ~THookList() override;
    TControlHook* FindControlHook(TWinControl* control) const;
    TControlHook* ControlHookFor(TWinControl* control);
    // Frees the control hook later, when it is still registered and has no hooks by then.
    void ReleaseLater(TControlHook* hook);
    int Count() const { return int(hooks_.size()); }

private:
    std::vector<std::unique_ptr<TControlHook>> hooks_;
};

// The registry, made on first use.
THookList& HookRegistry();

} // namespace kvz
