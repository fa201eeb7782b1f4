// Every window whose captions stand in the caption table, made and shown in each language: a
// component the table names must exist in the window and have a text in every language.
#include "addressbook/Assign.h"
#include "addressbook/CategoryForm.h"
#include "addressbook/ExportForm.h"
#include "addressbook/FilterForm.h"
#include "addressbook/FindText.h"
#include "addressbook/OrderForm.h"
#include "addressbook/ReadUnit.h"
#include "addressbook/Zaloha.h"
#include "core/Languages.h"
#include "core/NetWizard.h"
#include "core/PasswordDlg.h"
#include "core/SettingsForm.h"
#include "core/UserForms.h"
#include "links/Capture.h"
#include "links/LinksChild.h"
#include "links/NewLink.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"
#include "printing/PrintWizard.h"
#include "printing/ObalkyPreview.h"
#include "printing/Poloha.h"
#include "printing/Template.h"
#include "printing/Vyber.h"
#include "printing/ZostavyChild.h"
#include "resources/CaptionTable.h"
#include "scheduling/AddBankForm.h"
#include "scheduling/Uloha.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace kvz {
namespace {

struct QuietSetupWindows : SetupWindowServices {
    TColor TargetColor(SetupTarget) const override { return clWhite; }
    void PickColor(SetupTarget) override {}
    void PickFont(SetupTarget, int) override {}
    void VymenColor(int) override {}
    void VymenFont(int) override {}
    void UlozDoPola(int) override {}
    void ShowSplitEnableButton(bool) override {}
    void EditCategories() override {}
    void ApplyEnvelopeFeed(int) override {}
    void SetEnvelopePosition(int) override {}
    void SetWeekNumbers(bool) override {}
    void ChangeFirstDay(int) override {}
    bool OutlookHasActiveHeader() const override { return true; }
    void ApplyOutlookLook(const OutlookLook&) override {}
    void FrameFormShow() override {}
};

struct QuietWizardFrame : WizardFrameServices {
    void SetNetworkRole(bool, const std::string&) override {}
    void ZablokujVsetko() override {}
    void ScanUser() override {}
    void FormShow() override {}
    void ActiveModuleFormShow() override {}
    void EnableKeyByRole() override {}
    void ReadAddressLayoutAgain() override {}
};

class CaptionWalkTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        p = std::make_unique<Program>(folder.path(), "Jano");
        p->settings.ZakladneNastavenia();
        p->frame.ActiveModule = AddressModule;
        userState.ListFolder = folder.path();
        taskEditor = std::make_unique<TaskEditorContext>(TaskEditorContext{*p->data, p->frame});
    }
    void TearDown() override { SetLanguage(2); }

    using Factory = std::function<std::unique_ptr<TForm>()>;
    // The windows of the caption table, by form class. A window that adds rows to the table
    // adds its factory here.
    std::map<std::string, Factory> Registered() {
        return {
            {"TUserForm", [this] { return std::make_unique<TUserForm>(nullptr, userState, p->data.get()); }},
            {"TNewUserForm", [this] { return std::make_unique<TNewUserForm>(nullptr, userState, nullptr); }},
            {"TChangeKeyForm",
             [this] { return std::make_unique<TChangeKeyForm>(nullptr, *p->data, p->frame, password); }},
            {"TAddForm", [this] { return std::make_unique<TAddForm>(nullptr, p->frame); }},
            {"TZalohaForm", [this] { return std::make_unique<TZalohaForm>(nullptr, *p->context); }},
            {"TReadForm", [this] { return std::make_unique<TReadForm>(nullptr, *p->context, wab); }},
            {"TEncodingForm", [] { return std::make_unique<TEncodingForm>(nullptr); }},
            {"TExportForm", [this] { return std::make_unique<TExportForm>(nullptr, *p->context); }},
            {"TOrderForm", [this] { return std::make_unique<TOrderForm>(nullptr, *p->data, p->frame); }},
            {"TAssignForm",
             [this] {
                 return std::make_unique<TAssignForm>(nullptr, p->Table(TableId::Address), p->Table(TableId::LinksType));
             }},
            {"TFindTextForm",
             [this] { return std::make_unique<TFindTextForm>(nullptr, *p->data, p->frame); }},
            {"TFilterForm", [this] { return std::make_unique<TFilterForm>(nullptr, *p->data, p->frame); }},
            {"TUlohaForm", [this] { return std::make_unique<TUlohaForm>(nullptr, *taskEditor); }},
            {"TAddBankForm", [this] { return std::make_unique<TAddBankForm>(nullptr, p->frame); }},
            {"TPasswordDlg", [] { return std::make_unique<TPasswordDlg>(nullptr); }},
            {"TSetupForm",
             [this] { return std::make_unique<TSetupForm>(nullptr, p->frame, *p->data, setupWindows); }},
            {"TWizardForm",
             [this] { return std::make_unique<TWizardForm>(nullptr, p->frame, *p->data, wizardFrame); }},
            {"TLinksChildForm",
             [this] { return std::make_unique<TLinksChildForm>(nullptr, *p->data, p->frame); }},
            {"TNewLinkForm", [this] { return std::make_unique<TNewLinkForm>(nullptr, *p->data, p->frame); }},
            {"TCaptureForm", [this] { return std::make_unique<TCaptureForm>(nullptr, *p->data, p->frame); }},
            {"TObalkyPreviewForm",
             [this] {
                 return std::make_unique<TObalkyPreviewForm>(nullptr, Reports(),
                                                             Reports().PrepareAddressReport(false));
             }},
            {"TPolozkyForm",
             [this] { return std::make_unique<TPolozkyForm>(nullptr, Reports().Layouts.Summary); }},
            {"TPrintWizardForm", [this] { return std::make_unique<TPrintWizardForm>(Reports(), *p->data); }},
            {"TZostavyChildForm",
             [this] { return std::make_unique<TZostavyChildForm>(nullptr, *p->data, p->frame); }},
            {"TPolohaObalkyForm", [] { return std::make_unique<TPolohaObalkyForm>(nullptr, 1, 0); }},
            {"TTemplateForm",
             [this] {
                 return std::make_unique<TTemplateForm>(nullptr, *p->data, Reports(), TTemplateMode::Open);
             }},
        };
    }

    // The report window that the envelope preview and the column chooser belong to.
    TZostavyChildForm& Reports() {
        if (!reports) reports = std::make_unique<TZostavyChildForm>(nullptr, *p->data, p->frame);
        return *reports;
    }

    TempFolder folder;
    std::unique_ptr<Program> p;
    UserDialogState userState;
    std::string password;
    UnavailableWabSource wab;
    QuietSetupWindows setupWindows;
    QuietWizardFrame wizardFrame;
    std::unique_ptr<TaskEditorContext> taskEditor;
    std::unique_ptr<TZostavyChildForm> reports; // the window the print wizard works on
};

// The text a component shows for a row of the table.
std::string Shown(TComponent& target, TCaptionKind kind) {
    if (auto* item = dynamic_cast<TMenuItem*>(&target)) return item->Caption();
    auto* control = dynamic_cast<TControl*>(&target);
    if (!control) return {};
    return kind == TCaptionKind::Hint ? control->Hint() : control->Caption();
}

TEST_F(CaptionWalkTest, EveryRegisteredWindowHasEveryComponentTheTableNamesInEachLanguage) {
    // The frame window is walked over the real window by its own test (MainFormTest).
    const std::set<std::string> walkedElsewhere = {"TMainForm"};
    const auto registered = Registered();
    // A window that asks something when shown (the user dialog with no users yet) is told no.
    TResponder responder;
    responder.OnShowModal = [](TForm&) { return mrCancel; };
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDCANCEL; };
    std::set<std::string> forms;
    for (size_t i = 0; i < kCaptionCount; ++i) forms.insert(kCaptionTable[i].Form);
    for (const std::string& form : forms) {
        if (walkedElsewhere.count(form)) continue;
        SCOPED_TRACE(form);
        auto factory = registered.find(form);
        ASSERT_NE(factory, registered.end()) << "the table has captions of a window the walk cannot make";
        for (int language : {kEnglish, kSlovak, kCzech}) {
            SCOPED_TRACE(language);
            SetLanguage(language);
            std::unique_ptr<TForm> window = factory->second();
            window->Show(); // the windows that set their captions when shown do so now
            for (size_t i = 0; i < kCaptionCount; ++i) {
                const TCaptionRow& row = kCaptionTable[i];
                if (form != row.Form) continue;
                EXPECT_STRNE(row.Text[language - 1], "") << row.Component << ": no text in this language";
                TComponent* target = *row.Component ? FindNamedComponent(*window, row.Component) : window.get();
                ASSERT_NE(target, nullptr) << row.Component << ": the table names a component the window lacks";
                EXPECT_FALSE(Shown(*target, row.Kind).empty()) << row.Component << ": shows no text";
            }
            window->Close();
        }
    }
}

TEST_F(CaptionWalkTest, ApplyingTheTableSetsTheTextOfTheLanguage) {
    for (int language : {kEnglish, kSlovak, kCzech}) {
        SetLanguage(language);
        TSetupForm form(nullptr, p->frame, *p->data, setupWindows);
        form.Show();
        EXPECT_EQ(form.TabSheet5->Caption(), *CaptionText("TSetupForm", "TabSheet5", TCaptionKind::Caption, language));
        EXPECT_EQ(form.Caption(), *CaptionText("TSetupForm", "", TCaptionKind::Caption, language));
        form.Close();
    }
}

} // namespace
} // namespace kvz
