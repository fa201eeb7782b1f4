#include "controls/PageMngr.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "tests/forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <memory>

namespace kvz {
namespace {

class FakePages : public TPageStack {
public:
    std::vector<std::string> names{"ReportType", "SelectData", "SelectDesing", "PrinterSetup", "ConfirmPage"};
    int index = 0;
    int PageCount() const override { return int(names.size()); }
    std::string PageName(int i) const override { return names.at(size_t(i)); }
    int PageIndex() const override { return index; }
    void SetPageIndex(int i) override { index = i; }
};

class PageManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager->SetPageStack(&pages);
        manager->SetPriorBtn(prior);
        manager->SetNextBtn(next);
        manager->Loaded();
        manager->OnPageChanged = [this](TComponent*) { log += "changed;"; };
        for (TPageProxy* p : manager->PageProxies()) {
            const std::string n = p->PageName();
            p->OnLeave = [this, n](TComponent*, bool) { log += "leave " + n + ";"; };
            p->OnEnter = [this, n](TComponent*, bool) { log += "enter " + n + ";"; };
            p->OnShow = [this, n](TComponent*, bool f) { log += "show " + n + (f ? "+;" : "-;"); };
            p->OnHide = [this, n](TComponent*, bool) { log += "hide " + n + ";"; };
        }
    }
    bool app = (testing::EnsureApplication(), true);
    FakePages pages;
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>(nullptr);
    TPageManager* manager = new TPageManager(form.get());
    TButton* prior = new TButton(form.get());
    TButton* next = new TButton(form.get());
    std::string log;
};

TEST_F(PageManagerTest, StepsThroughThePagesInOrder) {
    ASSERT_EQ(manager->PageProxies().size(), 5u);
    EXPECT_EQ(manager->PageProxies()[2]->PageName(), "SelectDesing");
    EXPECT_FALSE(prior->Enabled());
    EXPECT_TRUE(next->Enabled());
    next->Click();
    EXPECT_EQ(pages.index, 1);
    EXPECT_EQ(log, "leave ReportType;enter SelectData;hide ReportType;show SelectData+;changed;");
    for (int i = 0; i < 5; ++i) next->Click();
    EXPECT_EQ(pages.index, 4);
    EXPECT_FALSE(next->Enabled());
    EXPECT_TRUE(prior->Enabled());
    log.clear();
    for (int bad : {-1, 5}) manager->GoToPage(bad, true);
    EXPECT_EQ(pages.index, 4);
    EXPECT_EQ(log, "");
    prior->Click();
    EXPECT_EQ(pages.index, 3);
    EXPECT_EQ(log, "leave ConfirmPage;enter PrinterSetup;hide ConfirmPage;show PrinterSetup-;changed;");
}

TEST_F(PageManagerTest, HandlersChooseThePagesAndTheButtonsOwnClickFollows) {
    int ownClicks = 0;
    manager->SetNextBtn(nullptr);
    next->OnClick = [&](TComponent*) { ++ownClicks; };
    manager->SetNextBtn(next);
    manager->OnGetNextPage = [](TComponent*, int current, int& page) {
        if (current == 0) page = 3;
        if (current == 3) page = -1;
    };
    manager->UpdateButtons();
    next->Click();
    EXPECT_EQ(pages.index, 3);
    EXPECT_EQ(ownClicks, 1);
    EXPECT_FALSE(next->Enabled());
    manager->SetNextBtn(nullptr);
    next->Click();
    EXPECT_EQ(ownClicks, 2); // the button has its own handler back
    EXPECT_EQ(pages.index, 3);
}

TEST_F(PageManagerTest, HistoryLeadsBackThroughTheChosenPages) {
    manager->SetUseHistory(true);
    manager->OnGetNextPage = [](TComponent*, int current, int& page) {
        if (current == 0) page = 3;
    };
    next->Click();
    ASSERT_EQ(pages.index, 3);
    EXPECT_TRUE(prior->Enabled());
    prior->Click();
    EXPECT_EQ(pages.index, 0);
    next->Click(); // the history's next page is 3 again
    EXPECT_EQ(pages.index, 3);
    EXPECT_EQ(manager->History().Count(), 2);
}

TEST(PageHistoryTest, HoldsAtMostTenPages) {
    TPageHistory history;
    for (int page = 0; page < 11; ++page) history.Add(page);
    EXPECT_EQ(history.Count(), 10);
    EXPECT_EQ(history.Page(0), 1);
    EXPECT_EQ(history.Current(), 9);
    history.SetCurrent(4);
    history.Add(42); // drops the pages after the current one
    EXPECT_EQ(history.Count(), 6);
    EXPECT_EQ(history.Page(5), 42);
    history.SetCurrent(99);
    EXPECT_EQ(history.Current(), 5);
    history.Delete(5);
    EXPECT_EQ(history.Current(), 4);
}

TEST_F(PageManagerTest, PagesWithoutProxyShowQuietly) {
    delete manager->PageProxies()[1];
    ASSERT_EQ(manager->PageProxies().size(), 4u);
    next->Click();
    EXPECT_EQ(pages.index, 1);
    EXPECT_EQ(log, "leave ReportType;hide ReportType;changed;");
    TPageProxy stray(nullptr);
    stray.SetPageManager(manager);
    stray.SetPageName("NoSuchPage");
    EXPECT_EQ(stray.PageName(), "");
}

// The network wizard's pages as sheets of a page control, with Back and Next under them.
TEST(PageManagerOnPageControlTest, DrivesTheSheetsByName) {
    testing::EnsureApplication();
    auto* form = new TForm(nullptr);
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    for (const char* name : {"TypPC", "SourceData", "ConfirmPage"}) {
        auto* sheet = new TTabSheet(form);
        sheet->SetName(name);
        sheet->SetPageControl(pages);
        sheet->SetHelpContext(name[0] == 'S' ? 42 : 0);
    }
    auto* back = new TButton(form);
    auto* next = new TButton(form);
    auto* manager = new TPageManager(form);
    manager->SetPageOwner(pages);
    manager->SetPriorBtn(back);
    manager->SetNextBtn(next);
    pages->SetActivePageIndex(2);
    manager->Loaded(); // the first proxy's page comes first
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    EXPECT_FALSE(back->Enabled());
    next->Click();
    EXPECT_EQ(pages->ActivePage()->Name(), "SourceData");
    EXPECT_EQ(form->HelpContext(), 42);
    delete pages; // a freed page control leaves the manager without pages
    EXPECT_EQ(manager->PageOwner(), nullptr);
    EXPECT_EQ(manager->PageCount(), 0);
    next->Click();
    form->Free();
}

} // namespace
} // namespace kvz
