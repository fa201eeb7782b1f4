#include "printing/WizardPages.h"

namespace kvz {

namespace {

struct PanelRule {
    int Page;
    int Kinds[3]; // -2 ends the list
};

constexpr int kEnd = -2;

constexpr PanelRule kPanels[kWizardPanelCount] = {
    {SelectDataPage, {EnvelopesKind, LabelsKind, AddressSummaryKind}},
    {SelectDataPage, {TasksSummaryKind, kEnd, kEnd}},
    {SelectDataPage, {LinksSummaryKind, kEnd, kEnd}},
    {SelectDesingPage, {EnvelopesKind, kEnd, kEnd}},
    {SelectDesingPage, {LabelsKind, kEnd, kEnd}},
    {SelectDesingPage, {AddressSummaryKind, kEnd, kEnd}},
    {SelectDesingPage, {TasksSummaryKind, kEnd, kEnd}},
    {PrinterSetupPage, {LabelsKind, kEnd, kEnd}},
    {PrinterSetupPage, {AddressSummaryKind, kEnd, kEnd}},
    {PrinterSetupPage, {TasksSummaryKind, kEnd, kEnd}},
    {ConfirmPage, {LabelsKind, kEnd, kEnd}},
};

const char* const kKindTexts[5][3] = {{"envelopes", "obálky", "obálky"},
                                      {"labels", "štítky", "štítky"},
                                      {"address summary", "prehľad adries", "přehled adres"},
                                      {"tasks summary", "prehľad úloh", "přehled úkolů"},
                                      {"links summary", "prehľad odkazov", "přehled odkazů"}};
const char* const kConfirmPrefix[3] = {"Software KV-Zirt will now print ", "Program KV-Zirt bude teraz tlačiť ",
                                       "Program KV-Zirt bude teď tisknout "};
const char* const kConfirmSuffix[3] = {" . If you are ready, click on a key \"Finish\".",
                                       " . Ak ste pripravený kliknite na tlačidlo \"Dokončiť\"",
                                       " . Jsteli připraven, klikněte na tlačítko \"Dokončit\""};

int LanguageIndex(int language) { return language == 2 || language == 3 ? language - 1 : 0; }

bool KnownKind(int kind) { return kind >= EnvelopesKind && kind <= LinksSummaryKind; }

// The links summary has no look and no set-up to choose; the address summary with the standard
// columns has no set-up.
bool Skipped(int page, const TWizardChoice& c) {
    if (c.Kind == LinksSummaryKind) return page == SelectDesingPage || page == PrinterSetupPage;
    if (c.Kind == AddressSummaryKind && !c.OtherSummaryColumns) return page == PrinterSetupPage;
    return false;
}

} // namespace

std::string_view WizardPageName(int page) {
    static constexpr std::string_view kNames[kWizardPageCount] = {"ReportType", "SelectData", "SelectDesing",
                                                                  "PrinterSetup", "ConfirmPage"};
    return page >= 0 && page < kWizardPageCount ? kNames[page] : std::string_view();
}

int WizardNextPage(int page, const TWizardChoice& choice) {
    if (!WizardNextEnabled(page)) return page;
    // Records are chosen for a kind only: without one the wizard goes back to the kind.
    if (!KnownKind(choice.Kind)) return ReportTypePage;
    int next = page + 1;
    while (next < ConfirmPage && Skipped(next, choice)) ++next;
    return next;
}

int WizardPriorPage(int page, const TWizardChoice& choice) {
    if (!WizardBackEnabled(page)) return page;
    int prior = page - 1;
    while (prior > ReportTypePage && KnownKind(choice.Kind) && Skipped(prior, choice)) --prior;
    return prior;
}

std::string PrintKindText(int kind, int language) {
    return KnownKind(kind) ? kKindTexts[kind][LanguageIndex(language)] : "";
}

std::string WizardConfirmText(int kind, int language) {
    if (!KnownKind(kind)) return {};
    const int l = LanguageIndex(language);
    return std::string(kConfirmPrefix[l]) + kKindTexts[kind][l] + kConfirmSuffix[l];
}

int WizardPanelPage(TWizardPanel panel) { return kPanels[static_cast<int>(panel)].Page; }

bool WizardPanelVisible(TWizardPanel panel, int kind) {
    for (int k : kPanels[static_cast<int>(panel)].Kinds)
        if (k == kind) return true;
    return false;
}

} // namespace kvz
