#include "controls/PageMngr.h"

#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"

#include <algorithm>

namespace kvz {
namespace {

// The sheets of a page control as the manager's pages.
class TPageControlStack : public TPageStack {
public:
    explicit TPageControlStack(TPageControl* pages) : pages_(pages) {}
    int PageCount() const override { return pages_->PageCount(); }
    std::string PageName(int index) const override { return pages_->Pages(index)->Name(); }
    int PageIndex() const override { return pages_->ActivePageIndex(); }
    void SetPageIndex(int index) override { pages_->SetActivePageIndex(index); }
    int PageHelpContext(int index) const override { return pages_->Pages(index)->HelpContext(); }

private:
    TPageControl* pages_;
};

} // namespace

void TPageHistory::SetCurrent(int position) { current_ = std::clamp(position, -1, Count() - 1); }

void TPageHistory::Add(int page) {
    pages_.resize(size_t(current_ + 1));
    while (Count() >= Capacity) pages_.erase(pages_.begin());
    pages_.push_back(page);
    current_ = Count() - 1;
}

void TPageHistory::Delete(int position) {
    pages_.erase(pages_.begin() + position);
    if (current_ >= Count()) current_ = Count() - 1;
}

TPageProxy::TPageProxy(TComponent* owner) : TComponent(owner) {}

TPageProxy::~TPageProxy() { SetPageManager(nullptr); }

void TPageProxy::SetPageManager(TPageManager* manager) {
    if (manager == manager_) return;
    if (manager_) std::erase(manager_->proxies_, this);
    manager_ = manager;
    if (manager_) manager_->proxies_.push_back(this);
}

void TPageProxy::SetPageName(std::string_view name) {
    pageName_ = std::string(name);
    const TPageStack* stack = manager_ ? manager_->PageStack() : nullptr;
    if (!stack) return;
    for (int i = 0; i < stack->PageCount(); ++i)
        if (stack->PageName(i) == pageName_) return;
    pageName_.clear();
}

TPageManager::TPageManager(TComponent* owner) : TComponent(owner) {}

TPageManager::~TPageManager() {
    Unhook(0);
    Unhook(1);
    while (!proxies_.empty()) delete proxies_.back();
}

void TPageManager::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == pageControl_) {
        pageControl_ = nullptr;
        pageOwner_ = nullptr;
        ownStack_.reset();
    }
    for (int slot = 0; slot < 2; ++slot)
        if (buttons_[slot] == component) {
            buttons_[slot] = nullptr;
            saved_[slot] = nullptr;
        }
}

void TPageManager::SetPageOwner(TPageControl* pages) {
    if (pageControl_) pageControl_->RemoveFreeNotification(this);
    pageControl_ = pages;
    ownStack_.reset(pages ? new TPageControlStack(pages) : nullptr);
    if (pages) pages->FreeNotification(this);
    SetPageStack(ownStack_.get());
}

void TPageManager::SetPageStack(TPageStack* stack) {
    pageOwner_ = stack;
    if (pageOwner_) SyncProxies();
}

void TPageManager::SyncProxies() {
    const int count = PageCount();
    auto used = [this](const std::string& name) {
        return std::any_of(proxies_.begin(), proxies_.end(), [&](TPageProxy* p) { return p->PageName() == name; });
    };
    auto isPage = [&](const std::string& name) {
        for (int i = 0; i < count; ++i)
            if (pageOwner_->PageName(i) == name) return true;
        return false;
    };
    for (int i = 0; i < count && int(proxies_.size()) < count; ++i) {
        if (used(pageOwner_->PageName(i))) continue;
        auto* proxy = new TPageProxy(Owner());
        proxy->SetPageManager(this);
        proxy->SetPageName(pageOwner_->PageName(i));
    }
    for (size_t i = proxies_.size(); i-- > 0 && int(proxies_.size()) > count;)
        if (!proxies_[i]->PageName().empty() && !isPage(proxies_[i]->PageName())) delete proxies_[i];
    auto order = [&](const TPageProxy* p) {
        for (int i = 0; i < count; ++i)
            if (pageOwner_->PageName(i) == p->PageName()) return i;
        return count;
    };
    std::stable_sort(proxies_.begin(), proxies_.end(),
                     [&](const TPageProxy* a, const TPageProxy* b) { return order(a) < order(b); });
}

void TPageManager::SetButton(int slot, TControl* button) {
    if (button == buttons_[slot]) return;
    Unhook(slot);
    if (buttons_[slot]) buttons_[slot]->RemoveFreeNotification(this);
    buttons_[slot] = button;
    if (!button) return;
    button->FreeNotification(this);
    Hook(slot);
}

void TPageManager::Hook(int slot) {
    TControl* button = buttons_[slot];
    if (!button) return;
    saved_[slot] = std::move(button->OnClick);
    button->OnClick = [this, slot](TComponent*) { ButtonClick(slot); };
}

void TPageManager::Unhook(int slot) {
    if (buttons_[slot]) buttons_[slot]->OnClick = std::move(saved_[slot]);
    saved_[slot] = nullptr;
}

void TPageManager::ButtonClick(int slot) {
    TControl* button = buttons_[slot];
    MovePage(slot == 1);
    if (buttons_[slot] == button && saved_[slot]) saved_[slot](button);
}

void TPageManager::Loaded() {
    if (setStartPage_ && pageOwner_ && !proxies_.empty() && !proxies_.front()->PageName().empty()) {
        const std::string& name = proxies_.front()->PageName();
        for (int i = 0; i < PageCount(); ++i)
            if (pageOwner_->PageName(i) == name) pageOwner_->SetPageIndex(i);
    }
    if (history_.Count() == 0) history_.Add(PageIndex());
    UpdateButtons();
}

int TPageManager::PriorPageIndex(int current) {
    int result;
    if (useHistory_)
        result = history_.Current() > 0 ? history_.Page(history_.Current() - 1) : -1;
    else
        result = current > 0 ? current - 1 : -1;
    if (OnGetPriorPage) OnGetPriorPage(this, current, result);
    return result;
}

int TPageManager::NextPageIndex(int current) {
    int result;
    if (useHistory_)
        result = history_.Current() + 1 < history_.Count() ? history_.Page(history_.Current() + 1) : -1;
    else
        result = current < PageCount() - 1 ? current + 1 : -1;
    if (OnGetNextPage) OnGetNextPage(this, current, result);
    return result;
}

void TPageManager::MovePage(bool next) {
    int index;
    if (next) {
        index = NextPageIndex(PageIndex());
        command_ = THistoryCommand::forward;
    } else {
        index = PriorPageIndex(PageIndex());
        command_ = THistoryCommand::back;
    }
    GoToPage(index, next);
    command_ = THistoryCommand::add;
}

TPageProxy* TPageManager::ProxyOf(int index) const {
    if (!pageOwner_ || index < 0 || index >= PageCount()) return nullptr;
    const std::string name = pageOwner_->PageName(index);
    for (TPageProxy* proxy : proxies_)
        if (proxy->PageName() == name) return proxy;
    return nullptr;
}

void TPageManager::GoToPage(int index, bool next) {
    if (index < 0 || index >= PageCount()) return;
    const int old = PageIndex();
    TPageProxy* oldProxy = ProxyOf(old);
    TPageProxy* newProxy = ProxyOf(index);
    if (oldProxy && oldProxy->OnLeave) oldProxy->OnLeave(oldProxy, next);
    if (newProxy && newProxy->OnEnter) newProxy->OnEnter(newProxy, next);
    SwitchTo(index);
    if (PageIndex() != index) return;
    if (oldProxy && oldProxy->OnHide) oldProxy->OnHide(oldProxy, next);
    if (newProxy && newProxy->OnShow) newProxy->OnShow(newProxy, next);
    if (OnPageChanged) OnPageChanged(this);
}

void TPageManager::SwitchTo(int index) {
    const int old = PageIndex();
    pageOwner_->SetPageIndex(index);
    const int now = PageIndex();
    if (now != old) {
        const int position = history_.Current();
        // A step back or forward moves along the pages visited when it reaches the page that
        // stands there; a page that a handler chose instead is recorded, so that the way back
        // leads through it.
        if (useHistory_ && command_ == THistoryCommand::back && position > 0 && history_.Page(position - 1) == now)
            history_.SetCurrent(position - 1);
        else if (useHistory_ && command_ == THistoryCommand::forward && position + 1 < history_.Count() &&
                 history_.Page(position + 1) == now)
            history_.SetCurrent(position + 1);
        else
            history_.Add(now);
    }
    command_ = THistoryCommand::add;
    UpdateButtons();
    // A form without help of its own takes the help of the page shown.
    if (auto* form = dynamic_cast<TForm*>(Owner()); form && form->HelpContext() == 0 && now >= 0)
        form->SetHelpContext(pageOwner_->PageHelpContext(now));
}

void TPageManager::UpdateButtons() {
    if (buttons_[0]) buttons_[0]->SetEnabled(PriorPageIndex(PageIndex()) >= 0);
    if (buttons_[1]) buttons_[1]->SetEnabled(NextPageIndex(PageIndex()) >= 0);
    if (OnCheckButtons) OnCheckButtons(this);
}

} // namespace kvz
