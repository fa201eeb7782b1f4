// The print wizard over the report window of the running program: each kind of print driven
// through the wizard's controls to its Finish, what reaches the report window and the task and
// link selection windows, the preview asked of the frame window, one wizard at a time, the
// wizard going with the report window, and the links table's filter handler given back however
// the wizard ends. Pictures of every page in the three languages.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "printing/LinkReportForm.h"
#include "printing/PrintWizard.h"
#include "printing/ReportSelectionForm.h"
#include "printing/TaskReportForm.h"
#include "printing/ZostavyChild.h"

#include "PdfTesting.h"
#include "ReportsTesting.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <stdexcept>

namespace kvz {
namespace {

#define EXPECT_HAS(text, what) EXPECT_NE((text).find(what), std::string::npos) << (what) << "\n" << (text)
#define EXPECT_LACKS(text, what) EXPECT_EQ((text).find(what), std::string::npos) << (what) << "\n" << (text)

class PrintWizardTest : public ReportsProgramTest {
protected:
    void TearDown() override {
        if (TPrintWizardForm* w = OpenPrintWizard()) w->Free();
        if (frame) frame->CloseActiveModule();
        RegisteredReportSources() = ReportSourceRegistry{};
        ReportsProgramTest::TearDown();
        SetReportLanguage(1);
    }
    void Start(int language) {
        WriteSettings(language);
        RegisteredUserSteps().PickUser = [](TMainForm&) { return false; };
        StartProgram();
        RegisterReportSelectionWindows(*data);
        RegisterPrintWizard(*data);
        SetReportLanguage(language);
        OpenReports();
        WatchRequests();
    }
    // Every request the report window raises is seen here on its way to the frame.
    void WatchRequests() {
        auto toFrame = reports->OnRequest;
        reports->OnRequest = [this, toFrame](Command c) {
            requests.push_back(c);
            if (failRequests) throw std::runtime_error("the frame refused");
            toFrame(c);
        };
    }
    // The frame window's Wizard button, as the user presses it.
    TPrintWizardForm& OpenWizard() {
        frame->WizardButton->Click();
        QApplication::processEvents();
        TPrintWizardForm* w = OpenPrintWizard();
        if (!w) throw std::logic_error("no wizard");
        return *w;
    }
    void Write(TableId id, const std::vector<std::vector<std::pair<std::string, std::string>>>& rows) {
        TVolgaTable& t = *data->TableOf(id);
        ProgramLocks().WriteSharedTable(t, data->LockFileName(id), false, kRecordCommandPoll, [&] {
            while (!t.IsEmpty()) {
                t.First();
                t.Delete();
            }
            for (const auto& row : rows) {
                t.Append();
                for (const auto& [field, value] : row) t.FieldByName(field).SetAsString(value);
                t.Post();
            }
        });
    }
    static void Kind(TPrintWizardForm& w, int kind) {
        w.RadioGroup1->SetItemIndex(kind);
        w.RadioGroup1Click();
    }
    static void Choose(TRadioGroup* group, int item, const std::function<void()>& click) {
        group->SetItemIndex(item);
        click();
    }
    static void Select(TComboBox* combo, const std::string& text) {
        combo->SetItemIndex(combo->Items().IndexOf(text));
        ASSERT_GE(combo->ItemIndex(), 0) << text;
        if (combo->OnChange) combo->OnChange(combo);
    }
    static int Next(TPrintWizardForm& w) {
        w.Button1->Click();
        return w.PageManager1->PageIndex();
    }
    static int Back(TPrintWizardForm& w) {
        w.Button2->Click();
        return w.PageManager1->PageIndex();
    }
    // Finish: the previews the frame shows meanwhile are counted and closed.
    int Finish(TPrintWizardForm& w, TButton* finish) {
        TResponder answer;
        int previews = 0;
        answer.OnShowModal = [&](TForm&) {
            ++previews;
            return int(mrCancel);
        };
        (void)w;
        finish->Click();
        QApplication::processEvents();
        return previews;
    }
    std::string PreviewText(const std::string& name) {
        const auto pdf = temp.path() / (name + ".pdf");
        WritePdf(reports->PrepareChosenReport(false), pdf);
        return testing::PdfText(pdf);
    }

    // Every page of every kind, saved as a picture (to $KVZ_RENDER_DIR when set).
    void SavePictures(int language) {
        Start(language);
        const std::string prefix = "print_wizard_" + std::to_string(language) + "_";
        struct Shot {
            int Kind, SurveyItem;
            const char* Name;
        };
        const Shot shots[] = {{LabelsKind, 0, "labels"}, {EnvelopesKind, 0, "envelopes"}, {AddressSummaryKind, 2, "summary"},
                              {TasksSummaryKind, 0, "tasks"}, {LinksSummaryKind, 0, "links"}};
        for (const Shot& s : shots) {
            TPrintWizardForm& w = OpenWizard();
            if (s.Kind == LabelsKind) testing::SaveWindowPicture(w, prefix + "kind");
            Kind(w, s.Kind);
            w.RadioGroup2->SetItemIndex(s.SurveyItem);
            for (int page = 0; page < kvz::ConfirmPage;) {
                page = Next(w);
                QApplication::processEvents();
                const QImage picture = testing::SaveWindowPicture(w, prefix + s.Name + "_" + std::to_string(page));
                EXPECT_FALSE(picture.isNull());
            }
            w.Close();
            QApplication::processEvents();
        }
    }

    std::vector<Command> requests;
    bool failRequests = false;
};

TEST_F(PrintWizardTest, EachKindWalksItsOwnPagesBothWays) {
    Start(1);
    TPrintWizardForm& w = OpenWizard();
    EXPECT_EQ(w.PageManager1->PageIndex(), ReportTypePage);
    // No kind: Next comes back to the kind.
    EXPECT_EQ(Next(w), ReportTypePage);
    struct Case {
        int Kind, SurveyItem;
        std::vector<int> Forward, Backward;
    };
    const Case cases[] = {
        {EnvelopesKind, 0, {1, 2, 3, 4}, {3, 2, 1, 0}},
        {LabelsKind, 0, {1, 2, 3, 4}, {3, 2, 1, 0}},
        {AddressSummaryKind, 0, {1, 2, 4}, {2, 1, 0}},
        {AddressSummaryKind, 2, {1, 2, 3, 4}, {3, 2, 1, 0}},
        {TasksSummaryKind, 0, {1, 2, 3, 4}, {3, 2, 1, 0}},
        {LinksSummaryKind, 0, {1, 4}, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kind);
        Kind(w, c.Kind);
        w.RadioGroup2->SetItemIndex(c.SurveyItem);
        std::vector<int> forward, backward;
        for (size_t i = 0; i < c.Forward.size(); ++i) forward.push_back(Next(w));
        EXPECT_EQ(forward, c.Forward);
        EXPECT_FALSE(w.Button1->Enabled());
        for (size_t i = 0; i < c.Backward.size(); ++i) backward.push_back(Back(w));
        EXPECT_EQ(backward, c.Backward);
    }
}

TEST_F(PrintWizardTest, EnvelopesReachTheReportWindowAndFinishAsksForThePreview) {
    Start(1);
    TPrintWizardForm& w = OpenWizard();
    Kind(w, EnvelopesKind);
    EXPECT_EQ(reports->ObalkyAdresyRadioGroup->ItemIndex(), PrintEnvelopes);
    EXPECT_EQ(ReportsState().ReportSource, 0);
    EXPECT_EQ(Next(w), SelectDataPage);
    EXPECT_TRUE(w.AddressDataPanel->Visible());
    EXPECT_FALSE(w.SelectTaskPanel->Visible());
    Choose(w.FieldValueGroup, OwnChoice, [&] { w.FieldValueGroupClick(); });
    EXPECT_EQ(reports->FieldValueGroup->ItemIndex(), OwnChoice);
    EXPECT_EQ(reports->BoundDataSet(), data->ReportTable);
    Choose(w.FieldValueGroup, AllRecords, [&] { w.FieldValueGroupClick(); });
    EXPECT_EQ(Next(w), SelectDesingPage);
    EXPECT_TRUE(w.DesingEnvelopePanel->Visible());
    w.ObalkaComboBox->SetItemIndex(2);
    w.ObalkaComboBoxClick();
    EXPECT_EQ(reports->ObalkaComboBox->ItemIndex(), 2);
    w.StyleObalkaComboBox->SetItemIndex(1);
    w.StyleObalkaComboBoxClick();
    EXPECT_EQ(reports->StyleObalkaComboBox->ItemIndex(), 1);
    EXPECT_EQ(reports->Layouts.Envelopes.Element("QRDBText1").Font().Name, "Courier");
    w.OdosielatelCheckBox->SetChecked(!reports->OdosielatelCheckBox->Checked());
    EXPECT_EQ(reports->OdosielatelCheckBox->Checked(), w.OdosielatelCheckBox->Checked());
    w.SelectComboBox->SetItemIndex(1);
    w.SelectComboBoxChange();
    EXPECT_EQ(reports->SelectComboBox->ItemIndex(), 1);
    EXPECT_EQ(Next(w), PrinterSetupPage);
    EXPECT_TRUE(w.EnvelopeSetupPanel->Visible());
    {
        // The wizard's own position change shows no feed picture window.
        TResponder none;
        Choose(w.PolohaRadioGroup, 2, [&] { w.PolohaRadioGroupClick(); });
        Choose(w.SetupObRadioGroup, 1, [&] { w.SetupObRadioGroupClick(); });
    }
    EXPECT_EQ(reports->PolohaRadioGroup->ItemIndex(), 2);
    EXPECT_EQ(ProgramSettings().PolohaObRadioGroup, 1);
    EXPECT_EQ(Next(w), ConfirmPage);
    EXPECT_TRUE(w.ConfirmOwnPanel->Visible());
    EXPECT_FALSE(w.ConfirmLabelPanel->Visible());
    EXPECT_EQ(w.ActiveControl(), w.Button3); // Enter finishes
    EXPECT_EQ(w.Label8->Caption(), "Software KV-Zirt will now print envelopes . If you are ready, click on a key \"Finish\".");
    requests.clear();
    EXPECT_EQ(Finish(w, w.Button3), 1);
    EXPECT_EQ(requests, std::vector<Command>{Command::Preview});
    EXPECT_EQ(OpenPrintWizard(), nullptr);
    EXPECT_TRUE(ReportsState().ShowFeedPicture);
}

TEST_F(PrintWizardTest, LabelsCopyTheSheetAndShowWhatTheReportWindowRecomputed) {
    Start(1);
    TPrintWizardForm& w = OpenWizard();
    Kind(w, LabelsKind);
    EXPECT_EQ(reports->ObalkyAdresyRadioGroup->ItemIndex(), PrintLabels);
    Next(w);
    Next(w);
    EXPECT_TRUE(w.DesingLabelPanel->Visible());
    w.RamikCheckBox->SetChecked(!reports->RamikCheckBox->Checked());
    EXPECT_EQ(reports->RamikCheckBox->Checked(), w.RamikCheckBox->Checked());
    w.CheckBox1->SetChecked(true);
    EXPECT_TRUE(reports->CheckBox1->Checked());
    EXPECT_EQ(reports->FieldValueGroup->ItemIndex(), CurrentRecord);
    EXPECT_EQ(w.FieldValueGroup->ItemIndex(), CurrentRecord);
    w.StyleObalkaComboBox1->SetItemIndex(2);
    w.StyleObalkaComboBox1Click();
    EXPECT_EQ(w.DBMemo1->Font().Name, "Times New Roman");
    EXPECT_EQ(reports->Layouts.Labels.Element("QRDBText1").Font().Name, "Times New Roman");
    EXPECT_EQ(Next(w), PrinterSetupPage);
    EXPECT_TRUE(w.LabelPrinterPanel->Visible());
    EXPECT_FALSE(w.EnvelopeSetupPanel->Visible());
    // The width: the report window recomputes the side margin and the column gap, the wizard shows them.
    w.SirkaEdit->SetText("50");
    EXPECT_EQ(reports->SirkaEdit->Text(), "50");
    EXPECT_EQ(w.LavyOkrajEdit->Text(), reports->LavyOkrajEdit->Text());
    EXPECT_EQ(w.MedzeraEdit->Text(), reports->MedzeraEdit->Text());
    // Three columns keep their margins; the gaps take the rest.
    EXPECT_EQ(reports->MedzeraEdit->Text(), "20");
    {
        // A width the sheet refuses: both windows show the width that prints.
        TResponder answer;
        answer.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
        w.SirkaEdit->SetText("80");
        EXPECT_EQ(answer.MessageBoxes.size(), 1u);
        EXPECT_EQ(reports->SirkaEdit->Text(), "50");
        EXPECT_EQ(w.SirkaEdit->Text(), "50");
    }
    // The column gap alone: the side margin follows.
    const std::string margin = w.LavyOkrajEdit->Text();
    w.MedzeraEdit->SetText("5");
    EXPECT_EQ(reports->MedzeraEdit->Text(), "5");
    EXPECT_EQ(w.LavyOkrajEdit->Text(), reports->LavyOkrajEdit->Text());
    EXPECT_NE(w.LavyOkrajEdit->Text(), margin);
    w.PocetStlpcovEdit->SetText("2");
    EXPECT_EQ(reports->Layouts.Labels.Page().Columns, 2);
    // The column count: the wizard shows the margin and gap the report window recomputed.
    for (const char* columns : {"3", "2"}) {
        w.PocetStlpcovEdit->SetText(columns);
        EXPECT_EQ(reports->PocetStlpcovEdit->Text(), columns);
        EXPECT_EQ(w.LavyOkrajEdit->Text(), reports->LavyOkrajEdit->Text()) << columns;
        EXPECT_EQ(w.MedzeraEdit->Text(), reports->MedzeraEdit->Text()) << columns;
        EXPECT_EQ(w.SirkaEdit->Text(), reports->SirkaEdit->Text()) << columns;
    }
    // A stored template, opened through the frame window, fills the report window and the wizard.
    RegisteredModules().Dialogs["TTemplateForm.Open"] = [this] {
        reports->TakeLabelTemplate({.Columns = 2, .Width = 9000, .Height = 4000, .Margin = 1000, .Gap = 1000,
                                    .TopMargin = 1000, .RowGap = 500});
        return int(mrOk);
    };
    requests.clear();
    w.Label22Click();
    EXPECT_EQ(requests, std::vector<Command>{Command::OpenTemplate});
    EXPECT_EQ(w.SirkaEdit->Text(), reports->SirkaEdit->Text());
    EXPECT_EQ(w.SirkaEdit->Text(), "90");
    EXPECT_EQ(w.HornaMedzeraEdit->Text(), "5");
    EXPECT_EQ(w.PocetStlpcovEdit->Text(), "2");
    EXPECT_EQ(Next(w), ConfirmPage);
    EXPECT_TRUE(w.ConfirmLabelPanel->Visible());
    EXPECT_EQ(w.ActiveControl(), w.Button4);
    EXPECT_TRUE(w.Button4->Default());
    EXPECT_FALSE(w.Button3->Default());
    EXPECT_HAS(w.Label28->Caption(), "labels");
    const int top = reports->DBMemo1->Top();
    w.UpDown1->Press(TUDBtnType::btPrev);
    EXPECT_EQ(reports->DBMemo1->Top(), top + 1);
    EXPECT_EQ(w.DBMemo1->Top(), reports->DBMemo1->Top());
    requests.clear();
    EXPECT_EQ(Finish(w, w.Button4), 1);
    EXPECT_EQ(requests, std::vector<Command>{Command::Preview});
    EXPECT_EQ(OpenPrintWizard(), nullptr);
}

TEST_F(PrintWizardTest, AddressSummaryColumnsGoIntoTheSummaryLayout) {
    Start(1);
    TPrintWizardForm& w = OpenWizard();
    TReportLayout& summary = reports->Layouts.Summary;
    Kind(w, AddressSummaryKind);
    EXPECT_EQ(reports->ObalkyAdresyRadioGroup->ItemIndex(), PrintSummary);
    Next(w);
    EXPECT_EQ(Next(w), SelectDesingPage);
    Choose(w.RadioGroup2, 1, [&] { w.RadioGroup2Click(); });
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Meno");
    Choose(w.RadioGroup2, 2, [&] { w.RadioGroup2Click(); });
    EXPECT_EQ(Next(w), PrinterSetupPage);
    EXPECT_TRUE(w.SurveyPrinterPanel->Visible());
    w.ComboBox1->SetItemIndex(1); // "First name"
    w.SummaryColumnChange(0);
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Meno_Kr");
    EXPECT_EQ(summary.Element("QRLabel3").Caption(), "First name");
    EXPECT_EQ(w.Label30->Caption(), "First name");
    w.ComboBox3->SetItemIndex(12); // "City"
    w.SummaryColumnChange(2);
    EXPECT_EQ(summary.Element("QRDBText3").DataField(), "Mesto");
    w.Button5Click();
    EXPECT_EQ(summary.Element("QRDBText4").DataField(), "Firma");
    EXPECT_EQ(summary.Element("QRDBText2").DataField(), "Adresa_1");
    EXPECT_EQ(summary.Element("QRDBText3").DataField(), "Adresa_2");
    EXPECT_EQ(w.ComboBox3->ItemIndex(), 14);
    EXPECT_EQ(summary.Element("QRLabel3").Caption(), "Name");
}

TEST_F(PrintWizardTest, TasksSummaryPrintsTheTasksChosenInTheWizard) {
    Start(1);
    Write(TableId::Projects, {{{"ProjectName", "Allegro"}}, {{"ProjectName", "All\"*in"}}});
    Write(TableId::SubProjects, {{{"ProjectName", "Allegro"}, {"SubProjectName", "Fast"}},
                                 {{"ProjectName", "All\"*in"}, {"SubProjectName", "Inner"}}});
    Write(TableId::Tasks, {{{"Uloha", "Run quickly"}, {"Project", "Allegro"}, {"SubProject", "Fast"}, {"Color", "16777215"}},
                           {{"Uloha", "Quoted work"}, {"Project", "All\"*in"}, {"SubProject", "Inner"}, {"Color", "255"}},
                           {{"Uloha", "Starry work"}, {"Project", "All\"xin"}, {"SubProject", "Inner"}, {"Color", "16777215"}}});
    TPrintWizardForm& w = OpenWizard();
    Kind(w, TasksSummaryKind);
    auto* tasks = dynamic_cast<TTasksReportForm*>(reports->EmbeddedSource());
    ASSERT_NE(tasks, nullptr);
    EXPECT_EQ(ReportsState().ReportSource, 1);
    EXPECT_FALSE(frame->ChangeUserButon->Enabled());
    EXPECT_EQ(Next(w), SelectDataPage);
    EXPECT_TRUE(w.SelectTaskPanel->Visible());
    ASSERT_EQ(w.ProjectComboBox->Items().Count(), 3);
    // A double quote and a wildcard in a project name are taken as they stand.
    Select(w.ProjectComboBox, "All\"*in");
    EXPECT_EQ(w.SubProjectComboBox->Items().Count(), 2);
    Select(w.SubProjectComboBox, "Inner");
    EXPECT_EQ(Next(w), SelectDesingPage);
    EXPECT_TRUE(w.TaskPanel->Visible());
    EXPECT_EQ(tasks->ProjectComboBox->Text(), "All\"*in");
    EXPECT_EQ(data->TaskTable->RecordCount(), 1);
    // "All" clears every choice and shows every task; the choices again on the next entry.
    Back(w);
    w.BitBtn4->Click();
    EXPECT_EQ(w.ProjectComboBox->ItemIndex(), 0);
    EXPECT_EQ(tasks->ProjectComboBox->ItemIndex(), 0);
    EXPECT_EQ(data->TaskTable->RecordCount(), 3);
    Select(w.ProjectComboBox, "All\"*in");
    Select(w.SubProjectComboBox, "Inner");
    EXPECT_EQ(Next(w), SelectDesingPage);
    EXPECT_EQ(data->TaskTable->RecordCount(), 1);
    EXPECT_EQ(Next(w), PrinterSetupPage);
    EXPECT_TRUE(w.TaskPrinterPanel->Visible());
    EXPECT_EQ(w.PageControl1->ActivePageIndex(), tasks->PageControl1->ActivePageIndex());
    w.PageControl1->SetActivePageIndex(0);
    w.PageControl1Change();
    EXPECT_EQ(tasks->PageControl1->ActivePage(), tasks->TabSheet1);
    EXPECT_EQ(Next(w), ConfirmPage);
    EXPECT_HAS(w.Label8->Caption(), "tasks summary");
    requests.clear();
    EXPECT_EQ(Finish(w, w.Button3), 1);
    EXPECT_EQ(requests, std::vector<Command>{Command::Preview});
    const std::string text = PreviewText("wizard_tasks");
    if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_HAS(text, "Quoted work");
    EXPECT_LACKS(text, "Run quickly");
    EXPECT_LACKS(text, "Starry work");
}

TEST_F(PrintWizardTest, LinksSummaryPrintsTheTypeChosenInTheWizard) {
    Start(1);
    Write(TableId::LinksType, {{{"LinksType", "Say \"hi\""}}, {{"LinksType", "Web*"}}});
    Write(TableId::Links, {{{"Name", "Quoted one"}, {"Type", "Say \"hi\""}, {"Path", "/srv/q"}},
                           {{"Name", "Starred one"}, {"Type", "Web*"}, {"Path", "https://example.org"}},
                           {{"Name", "Plain one"}, {"Type", "Web"}, {"Path", "https://example.com"}}});
    TPrintWizardForm& w = OpenWizard();
    Kind(w, LinksSummaryKind);
    auto* links = dynamic_cast<TLinksReportForm*>(reports->EmbeddedSource());
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(Next(w), SelectDataPage);
    EXPECT_TRUE(w.LinksPanel->Visible());
    ASSERT_EQ(w.TypeComboBox->Items().Count(), 3);
    Select(w.TypeComboBox, "Web*");
    EXPECT_EQ(links->TypeComboBox->Text(), "Web*");
    w.BitBtn5->Click();
    EXPECT_EQ(Next(w), ConfirmPage);
    EXPECT_HAS(w.Label8->Caption(), "links summary");
    requests.clear();
    EXPECT_EQ(Finish(w, w.Button3), 1);
    EXPECT_EQ(requests, std::vector<Command>{Command::Preview});
    std::string text = PreviewText("wizard_links");
    if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_HAS(text, "Starred one");
    EXPECT_LACKS(text, "Plain one");
    EXPECT_LACKS(text, "Quoted one");
    // "All" through the wizard prints every link.
    TPrintWizardForm& again = OpenWizard();
    Kind(again, LinksSummaryKind);
    Next(again);
    Select(again.TypeComboBox, "Say \"hi\"");
    again.BitBtn5->Click();
    text = PreviewText("wizard_links_quoted");
    EXPECT_HAS(text, "Quoted one");
    EXPECT_LACKS(text, "Starred one");
    again.BitBtn3->Click();
    text = PreviewText("wizard_links_all");
    for (const char* name : {"Quoted one", "Starred one", "Plain one"}) EXPECT_HAS(text, name);
}

TEST_F(PrintWizardTest, OneWizardAtATimeAndItGoesWithTheReportWindow) {
    Start(1);
    TPrintWizardForm& first = OpenWizard();
    Kind(first, LabelsKind);
    TPrintWizardForm& second = OpenWizard();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.RadioGroup1->ItemIndex(), LabelsKind); // the same wizard, as it was left
    int wizards = 0;
    for (int i = 0; i < reports->ComponentCount(); ++i)
        if (dynamic_cast<TPrintWizardForm*>(reports->Components(i))) ++wizards;
    EXPECT_EQ(wizards, 1);
    // Another module: the report window goes, and the wizard with it.
    frame->OpenModule(AddressModule);
    QApplication::processEvents();
    reports = nullptr;
    EXPECT_EQ(OpenPrintWizard(), nullptr);
    EXPECT_TRUE(data->LinksTable->OnFilterRecord());
    EXPECT_TRUE(ReportsState().ShowFeedPicture);
}

TEST_F(PrintWizardTest, TheLinksFilterHandlerComesBackHoweverTheWizardEnds) {
    Start(1);
    struct End {
        const char* Name;
        std::function<void(TPrintWizardForm&)> Run;
    };
    const End ends[] = {
        {"finish", [this](TPrintWizardForm& w) { Finish(w, w.Button3); }},
        {"cancel", [](TPrintWizardForm& w) { w.BitBtn1->Click(); }},
        {"close box", [](TPrintWizardForm& w) { w.Close(); }},
        {"failing finish", [this](TPrintWizardForm& w) {
             failRequests = true;
             EXPECT_THROW(w.Button4Click(), std::runtime_error);
             failRequests = false;
         }},
        {"report window closes", [this](TPrintWizardForm&) {
             frame->CloseActiveModule();
             reports = nullptr;
         }},
    };
    for (int kind : {EnvelopesKind, LinksSummaryKind})
        for (const End& end : ends) {
            SCOPED_TRACE(std::string(end.Name) + " " + std::to_string(kind));
            if (!reports) {
                OpenReports();
                WatchRequests();
            }
            TPrintWizardForm& w = OpenWizard();
            EXPECT_FALSE(data->LinksTable->OnFilterRecord()); // only the link report's filter text applies
            Kind(w, kind);
            end.Run(w);
            QApplication::processEvents();
            EXPECT_EQ(OpenPrintWizard(), nullptr);
            EXPECT_TRUE(data->LinksTable->OnFilterRecord());
            // The link report window, when it stays, leaves the handler there as it goes.
            if (reports) {
                reports->ChooseSource(0);
                EXPECT_TRUE(data->LinksTable->OnFilterRecord());
            }
        }
}

// Changing the user is for address reports: the frame follows the report window's state, also
// when the embedded selection window's own selector goes back to the addresses.
TEST_F(PrintWizardTest, ChangeUserFollowsTheReportWindowsDataSource) {
    Start(1);
    EXPECT_TRUE(frame->ChangeUserButon->Enabled());
    frame->TasksPrintButton->Click();
    auto* tasks = dynamic_cast<TTasksReportForm*>(reports->EmbeddedSource());
    ASSERT_NE(tasks, nullptr);
    EXPECT_FALSE(frame->ChangeUserButon->Enabled());
    EXPECT_FALSE(frame->ChangeUserMenu->Enabled());
    // Its own selector chooses the addresses.
    tasks->ComboBox1->SetItemIndex(0);
    tasks->ComboBox1->OnSelect(tasks->ComboBox1);
    QApplication::processEvents();
    EXPECT_EQ(reports->EmbeddedSource(), nullptr);
    EXPECT_TRUE(frame->ChangeUserButon->Enabled());
    EXPECT_TRUE(frame->ChangeUserMenu->Enabled());
    frame->LinksPrintButton->Click();
    EXPECT_NE(dynamic_cast<TLinksReportForm*>(reports->EmbeddedSource()), nullptr);
    EXPECT_FALSE(frame->ChangeUserButon->Enabled());
    frame->AddressPrintButton->Click();
    EXPECT_EQ(reports->EmbeddedSource(), nullptr);
    EXPECT_TRUE(frame->ChangeUserButon->Enabled());
}

TEST_F(PrintWizardTest, PicturesOfEveryPageInEnglish) { SavePictures(1); }
TEST_F(PrintWizardTest, PicturesOfEveryPageInSlovak) { SavePictures(2); }
TEST_F(PrintWizardTest, PicturesOfEveryPageInCzech) { SavePictures(3); }

} // namespace
} // namespace kvz
