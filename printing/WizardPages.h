// The print wizard's page paths: which page Next and Back lead to for each kind of print, and
// which of the pages' panels the kind shows. Plain rules, apart from the window.
#pragma once

#include <string>
#include <string_view>

namespace kvz {

// The wizard's pages, in the notebook's order.
enum TWizardPage { ReportTypePage = 0, SelectDataPage = 1, SelectDesingPage = 2, PrinterSetupPage = 3, ConfirmPage = 4 };
constexpr int kWizardPageCount = 5;

// The kinds of print, the item index of the kind choice (-1: none chosen yet).
enum TWizardKind { NoKind = -1, EnvelopesKind = 0, LabelsKind = 1, AddressSummaryKind = 2, TasksSummaryKind = 3, LinksSummaryKind = 4 };

// What the paths depend on: the kind, and for the address summary whether the user chooses
// other columns than the standard ones (which needs the columns page).
struct TWizardChoice {
    int Kind = NoKind;
    bool OtherSummaryColumns = false;
};

// The page names of the page proxies ("ReportType", ..., "ConfirmPage").
std::string_view WizardPageName(int page);

// Back is offered where a lower page exists, Next where a higher one does.
constexpr bool WizardBackEnabled(int page) { return page > ReportTypePage; }
constexpr bool WizardNextEnabled(int page) { return page < ConfirmPage; }

// The page shown after Next or Back on the page given: the next or prior page, then the pages
// the kind has nothing on are skipped. Without a kind the wizard stays on the first page.
int WizardNextPage(int page, const TWizardChoice& choice);
int WizardPriorPage(int page, const TWizardChoice& choice);

// The name of a kind of print ("envelopes", ...) and the confirmation text of the last page,
// in the language given (1 English, 2 Slovak, 3 Czech); empty without a kind.
std::string PrintKindText(int kind, int language);
std::string WizardConfirmText(int kind, int language);

// The panels of the pages, each shown for the kinds it serves.
enum class TWizardPanel {
    AddressDataPanel, SelectTaskPanel, LinksPanel, DesingEnvelopePanel, DesingLabelPanel, SurveyPanel,
    TaskPanel, LabelPrinterPanel, SurveyPrinterPanel, TaskPrinterPanel, ConfirmLabelPanel
};
constexpr int kWizardPanelCount = 11;
int WizardPanelPage(TWizardPanel panel);
bool WizardPanelVisible(TWizardPanel panel, int kind);

} // namespace kvz
