// Wizard pages: a manager that drives a Prior and a Next button over a stack of named pages,
// decides which page comes before and after the current one (by position, by the pages
// visited, or by the window's handlers) and tells each page's proxy when it is entered, left,
// shown and hidden.
#pragma once

#include "platform/forms/Controls.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// What the manager needs of the stack of pages it drives.
class TPageStack {
public:
    virtual ~TPageStack() = default;
    virtual int PageCount() const = 0;
    virtual std::string PageName(int index) const = 0;
    // -1 when no page is shown.
    virtual int PageIndex() const = 0;
    virtual void SetPageIndex(int index) = 0;
    virtual int PageHelpContext(int index) const {
        (void)index;
        return 0;
    }
};

class TPageControl;

// The pages visited, oldest first; at most Capacity of them.
class TPageHistory {
public:
    static constexpr int Capacity = 10;

    int Count() const { return int(pages_.size()); }
    int Page(int position) const { return pages_.at(size_t(position)); }
    // -1 when empty.
    int Current() const { return current_; }
    // Clamped to -1 .. Count() - 1.
    void SetCurrent(int position);
    // Drops the pages after the current one and the oldest beyond the capacity, then appends
    // the page as the current one.
    void Add(int page);
    void Delete(int position);

private:
    std::vector<int> pages_;
    int current_ = -1;
};

class TPageManager;

// next: the move goes forward.
using TPageNotifyEvent = std::function<void(TComponent* sender, bool next)>;
// The page that a move from the current one would reach; -1 when none.
using TPageRequestEvent = std::function<void(TComponent* sender, int current, int& newPage)>;

// The events of one page, found by its name.
class TPageProxy : public TComponent {
public:
    explicit TPageProxy(TComponent* owner);
    ~TPageProxy() override;

    TPageManager* PageManager() const { return manager_; }
    void SetPageManager(TPageManager* manager);
    const std::string& PageName() const { return pageName_; }
    // A name that is no page of the manager's stack becomes empty.
    void SetPageName(std::string_view name);

    TPageNotifyEvent OnEnter, OnLeave, OnShow, OnHide;

private:
    TPageManager* manager_ = nullptr;
    std::string pageName_;
};

class TPageManager : public TComponent {
public:
    explicit TPageManager(TComponent* owner);
    ~TPageManager() override;

    // The page control whose sheets are the pages, by their names.
    TPageControl* PageOwner() const { return pageControl_; }
    void SetPageOwner(TPageControl* pages);
    TPageStack* PageStack() const { return pageOwner_; }
    // Gives every page a proxy and drops proxies of pages that are gone.
    void SetPageStack(TPageStack* stack);
    const std::vector<TPageProxy*>& PageProxies() const { return proxies_; }
    // The manager runs a button's own click handler after its move; a button set later gives
    // back the old one's.
    TControl* PriorBtn() const { return buttons_[0]; }
    void SetPriorBtn(TControl* button) { SetButton(0, button); }
    TControl* NextBtn() const { return buttons_[1]; }
    void SetNextBtn(TControl* button) { SetButton(1, button); }
    bool SetStartPage() const { return setStartPage_; }
    void SetSetStartPage(bool on) { setStartPage_ = on; }
    bool UseHistory() const { return useHistory_; }
    void SetUseHistory(bool on) { useHistory_ = on; }
    const TPageHistory& History() const { return history_; }

    int PageIndex() const { return pageOwner_ ? pageOwner_->PageIndex() : -1; }
    int PageCount() const { return pageOwner_ ? pageOwner_->PageCount() : 0; }

    // Once the window has set the manager up: shows the first proxy's page (SetStartPage),
    // starts the history and enables the buttons.
    void Loaded();
    // Nothing happens for an index outside the pages.
    void GoToPage(int index, bool next);
    virtual void MovePage(bool next);
    // -1 when there is none.
    virtual int PriorPageIndex(int current);
    virtual int NextPageIndex(int current);
    // Enables Prior and Next by whether they lead anywhere.
    void UpdateButtons();

    TPageRequestEvent OnGetPriorPage, OnGetNextPage;
    TNotifyEvent OnCheckButtons, OnPageChanged;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TPageProxy;
    enum class THistoryCommand { add, back, forward };
    void SetButton(int slot, TControl* button);
    void Hook(int slot);
    void Unhook(int slot);
    void ButtonClick(int slot);
    TPageProxy* ProxyOf(int index) const;
    void SwitchTo(int index);
    void SyncProxies();

    TPageStack* pageOwner_ = nullptr;
    TPageControl* pageControl_ = nullptr;
    std::unique_ptr<TPageStack> ownStack_;
    std::vector<TPageProxy*> proxies_;
    bool setStartPage_ = true, useHistory_ = false;
    TControl* buttons_[2] = {nullptr, nullptr};
    TNotifyEvent saved_[2];
    TPageHistory history_;
    THistoryCommand command_ = THistoryCommand::add;
};

} // namespace kvz
