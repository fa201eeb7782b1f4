// The print wizard's page paths for each kind of print, forward and back, and its panels.
#include "printing/WizardPages.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvz {
namespace {

std::vector<int> Forward(const TWizardChoice& c) {
    std::vector<int> pages{ReportTypePage};
    while (WizardNextEnabled(pages.back()) && pages.size() < 10) {
        const int next = WizardNextPage(pages.back(), c);
        if (next == pages.back()) break;
        pages.push_back(next);
        if (next == ReportTypePage) break;
    }
    return pages;
}

std::vector<int> Back(const TWizardChoice& c) {
    std::vector<int> pages{ConfirmPage};
    while (WizardBackEnabled(pages.back()) && pages.size() < 10) pages.push_back(WizardPriorPage(pages.back(), c));
    return pages;
}

TEST(WizardPagesTest, EachKindWalksItsPagesForwardAndBack) {
    struct Case {
        TWizardChoice Choice;
        std::vector<int> Forward, Back;
    };
    const Case cases[] = {
        {{EnvelopesKind}, {0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}},
        {{LabelsKind}, {0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}},
        {{AddressSummaryKind, false}, {0, 1, 2, 4}, {4, 2, 1, 0}},
        {{AddressSummaryKind, true}, {0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}},
        {{TasksSummaryKind}, {0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}},
        {{LinksSummaryKind}, {0, 1, 4}, {4, 1, 0}},
        {{NoKind}, {0}, {4, 3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Choice.Kind * 10 + c.Choice.OtherSummaryColumns);
        EXPECT_EQ(Forward(c.Choice), c.Forward);
        EXPECT_EQ(Back(c.Choice), c.Back);
    }
}

// Every page reached shows something of its kind: the pages walked are the pages whose panels
// the kind shows (the envelopes use the set-up and confirmation pages' own controls).
TEST(WizardPagesTest, PanelsFollowTheKind) {
    EXPECT_FALSE(WizardBackEnabled(ReportTypePage));
    EXPECT_FALSE(WizardNextEnabled(ConfirmPage));
    EXPECT_EQ(WizardPageName(SelectDesingPage), "SelectDesing");
    for (int kind = EnvelopesKind; kind <= LinksSummaryKind; ++kind) {
        int onData = 0;
        for (int p = 0; p < kWizardPanelCount; ++p) {
            const auto panel = static_cast<TWizardPanel>(p);
            if (WizardPanelPage(panel) == SelectDataPage && WizardPanelVisible(panel, kind)) ++onData;
        }
        EXPECT_EQ(onData, 1) << kind; // exactly one record choice for each kind
    }
    EXPECT_TRUE(WizardPanelVisible(TWizardPanel::ConfirmLabelPanel, LabelsKind));
    EXPECT_FALSE(WizardPanelVisible(TWizardPanel::ConfirmLabelPanel, EnvelopesKind));
    EXPECT_FALSE(WizardPanelVisible(TWizardPanel::AddressDataPanel, NoKind));
    EXPECT_TRUE(WizardPanelVisible(TWizardPanel::TaskPrinterPanel, TasksSummaryKind));
}

TEST(WizardPagesTest, ConfirmationNamesTheKindInEachLanguage) {
    struct Case {
        int Kind, Language;
        const char* Text;
    };
    const Case cases[] = {
        {LinksSummaryKind, 1, "Software KV-Zirt will now print links summary . If you are ready, click on a key \"Finish\"."},
        {LabelsKind, 2, "Program KV-Zirt bude teraz tlačiť štítky . Ak ste pripravený kliknite na tlačidlo \"Dokončiť\""},
        {TasksSummaryKind, 3, "Program KV-Zirt bude teď tisknout přehled úkolů . Jsteli připraven, klikněte na tlačítko \"Dokončit\""},
        {NoKind, 1, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(WizardConfirmText(c.Kind, c.Language), c.Text);
    EXPECT_EQ(PrintKindText(AddressSummaryKind, 2), "prehľad adries");
    EXPECT_EQ(PrintKindText(7, 1), "");
}

} // namespace
} // namespace kvz
