// Services of the frame window: reminder tasks, the companion program, the address category,
// reconnecting, the font-style codes and the small commands of the menus.
#include "core/Main.h"

#include "core/FrameServices.h"
#include "core/Messages.h"
#include "core/AboutBox.h"
#include "core/FrameImages.h"
#include "core/SmallRoutines.h"
#include "core/SplitForm.h"
#include "platform/forms/Dialogs.h"

#include <QProcess>
#include <QTimer>

namespace kvz {

namespace {

constexpr const char* kPaymentsPage = "http://www.kvzirt.example/payments";

} // namespace

// The commands that open a dialog or act in the module window.
void TMainForm::BuildCommands() {
    auto dialog = [](const char* form) { return [form](TComponent*) { RunRegisteredDialog(form); }; };
    FindButton->OnClick = FindMenu->OnClick = dialog("TFindTextForm");
    OrderButton->OnClick = OrderMenu->OnClick = [this, order = dialog("TOrderForm")](TComponent* s) {
        if (AddressBook()) order(s);
    };
    ImportButton->OnClick = ImportMenu->OnClick = dialog("TReadForm");
    ExportButton->OnClick = SendMenu->OnClick = dialog("TZalohaForm");
    SaveAsButton->OnClick = ExportMenu->OnClick = dialog("TExportForm");
    ManagerButton->OnClick = ProjectManagerMenu->OnClick = [this, manager = dialog("TManagerForm")](TComponent* s) {
        if (Tasks()) manager(s);
    };
    OwnersToolButton->OnClick = OwnersMenu->OnClick = dialog("TOwnersForm");
    AddEBbankMenu->OnClick = dialog("TAddBankForm");
    InterfaceSetupMenu->OnClick = [this](TComponent* s) { InterfaceSetupMenuClick(s); };
    SetupButton->OnClick = [this](TComponent*) { InterfaceSetupMenu->Click(); };
    AboutMenu->OnClick = [](TComponent*) {
        TAboutBox box(nullptr);
        box.ShowModal();
    };
    InfoButton->OnClick = [this](TComponent*) { AboutMenu->Click(); };
    OpenTemplateButton->OnClick = OpenTemplateMenu->OnClick = dialog("TTemplateForm.Open");
    SaveTemplateButton->OnClick = SaveTemplateMenu->OnClick = dialog("TTemplateForm.Save");
    WizardButton->OnClick = dialog("TPrintWizardForm");
    CaptureButton->OnClick = CaptureMenu->OnClick = [capture = dialog("TCaptureForm")](TComponent* s) {
        Application().Minimize();
        capture(s);
    };
    DetailButton->OnClick = [this](TComponent*) {
        if (TasksWindow* tasks = Tasks()) tasks->ViewDetail();
    };
    AddToTasklButton->OnClick = AdTaskMenu->OnClick = [this](TComponent*) {
        if (LinksWindow* links = Links(); links && AddToTasklButton->Enabled()) links->AddToTask();
    };
    RunLinkBUtton->OnClick = RunLinkMenu->OnClick = [this](TComponent*) {
        if (LinksWindow* links = Links()) links->RunLink();
    };
    auto report = [this](void (ReportsWindow::*work)()) {
        return [this, work](TComponent*) {
            if (ReportsWindow* reports = Reports()) (reports->*work)();
        };
    };
    OpenButton->OnClick = LoadMenu->OnClick = report(&ReportsWindow::OpenReport);
    SaveReportButton->OnClick = SaveReportMenu->OnClick = report(&ReportsWindow::SaveReport);
    FontButton->OnClick = report(&ReportsWindow::FontChange);
    PrintButton->OnClick = PrintMenu->OnClick = report(&ReportsWindow::PrintReport);
    PreviewButton->OnClick = PrewMenu->OnClick = [this](TComponent* s) { PreviewButtonClick(s); };
    PayButton->OnClick = [this](TComponent* s) { PayButtonClick(s); };
    PayMenu->OnClick = [this](TComponent* s) { PayMenuClick(s); };
    SplitEnableButton->OnClick = [this](TComponent* s) { SplitEnableButtonClick(s); };
    FilterButton->OnClick = [this](TComponent* s) { FilterButtonClick(s); };
    FilterMenu->OnClick = [this](TComponent* s) {
        FilterMenu->SetChecked(!FilterMenu->Checked());
        FilterButton->SetDown(FilterMenu->Checked());
        FilterButtonClick(s);
    };
    MaxMinToolButton->OnClick = [this](TComponent* s) { MaxMinToolButtonClick(s); };

    // The print header: which report the reports window makes.
    auto printKind = [this](int kind) {
        return [this, kind](TComponent*) {
            ReportsWindow* reports = Reports();
            if (!reports) return;
            ChangeUserButon->SetEnabled(kind == 0 && RegisteredUserSteps().PickUser);
            ChangeUserMenu->SetEnabled(ChangeUserButon->Enabled());
            reports->ShowReportForm(kind);
            if (kind == 2) reports->SetReportKind(2);
            ProgramSettings().Nastavenia[kSetReportKind] = kind;
            PreviewButton->SetEnabled(true);
            if (kind == 0) LoadToStatusBar(ReportsModule);
        };
    };
    AdresyPrintButton->OnClick = printKind(0);
    UlohyPrintButton->OnClick = printKind(1);
    LinksPrintButton->OnClick = printKind(2);
}

void TMainForm::PreviewButtonClick(TComponent*) {
    ReportsWindow* reports = Reports();
    if (!reports) return;
    if (reports->ReportKind() != 0 || !DataModule1->AddressTable || DataModule1->AddressTable->IsEmpty()) {
        reports->PreviewReport();
        return;
    }
    // The address report comes back to the address it started from.
    const std::string code = DataModule1->AddressTable->FieldByName("Number").AsString();
    reports->RefreshLabelParameter();
    reports->PreviewReport();
    LocateRecordCode(*DataModule1->AddressTable, code);
}

void TMainForm::SplitEnableButtonClick(TComponent*) {
    if (!DataModule1 || !DataModule1->AddressTable) return;
    TSplitForm form(nullptr, ProgramState(), DataModule1->AddressTable);
    form.UpdateStatusBar = [this] { LoadToStatusBar(ActiveModule()); };
    form.SetBounds(Left() + 395, Top() + 83, form.Width(), form.Height());
    form.ShowModal();
}

void TMainForm::FilterButtonClick(TComponent*) {
    FrameState& state = ProgramState();
    if (AddressBook()) {
        if (!FilterButton->Down()) {
            DataModule1->AddressTable->SetFiltered(false);
            state.Filters.AddressKeyFilter.clear();
            state.Filters.AddressCategoryFilter.clear();
        } else {
            state.Filters.AddressKeyFilter.clear();
            RunRegisteredDialog("TFilterForm");
        }
    } else if (LinksWindow* links = Links()) {
        if (!FilterButton->Down()) {
            DataModule1->LinksTable->SetFiltered(false);
            state.Filters.LinksFilterActive = false;
            links->PageControlChange();
        } else {
            RunRegisteredDialog("TFilterForm");
        }
    }
    if (!FilterButton->Down()) state.FilterFieldName.clear(); // no filter, no filter field
    LoadToStatusBar(ActiveModule());
}

void TMainForm::MaxMinToolButtonClick(TComponent*) {
    TasksWindow* tasks = Tasks();
    if (!tasks) return;
    const bool down = MaxMinToolButton->Down();
    MaxMinToolButton->SetImageIndex(down ? imgRestore : imgMaximise);
    tasks->ShowMaximisedGrid(down);
}

void TMainForm::PayFacture(const std::string& file, const std::string& taskType) {
    Application().Minimize();
    ShellOpenFile(file, "", "", 1);
    if (taskType == "F") RunRegisteredDialog("TPayForm");
}

void TMainForm::PayButtonClick(TComponent*) {
    if (!Tasks() || !DataModule1->TaskTable || DataModule1->TaskTable->IsEmpty()) return;
    TVolgaTable& t = *DataModule1->TaskTable;
    if (!t.FieldByName("Path").AsString().empty() && t.FieldByName("Run").AsBoolean())
        PayFacture(t.FieldByName("Path").AsString(), t.FieldByName("Task_type").AsString());
}

void TMainForm::PayMenuClick(TComponent*) {
    if (!Tasks() || !DataModule1->TaskTable || DataModule1->TaskTable->IsEmpty()) return;
    TVolgaTable& t = *DataModule1->TaskTable;
    if (t.FieldByName("Task_type").AsString() == "F")
        PayFacture(t.FieldByName("Path").AsString(), t.FieldByName("Task_type").AsString());
}

void TMainForm::BuildServices() {
    BuildCommands();
    using M = TMainForm;
    BackMenu->OnClick = [this](TComponent* s) { BackMenuClick(s); };
    FilingMenu->OnClick = [this](TComponent* s) { FilingMenuClick(s); };
    AddresCompletionMenu->OnClick = [this](TComponent* s) { AddresCompletionMenuClick(s); };
    ObnovMenu->OnClick = [this](TComponent* s) { ObnovMenuClick(s); };
    for (auto [control, handler] : {std::pair<TControl*, void (M::*)(TComponent*)>{PhoneButton, &M::PhoneButtonClick},
                                    {MailButton, &M::MailButtonClick},
                                    {WebButton, &M::WebButtonClick},
                                    {ScrToolButton, &M::ScrToolButtonClick}})
        control->OnClick = [this, handler](TComponent* s) { (this->*handler)(s); };
    PhoneMenu->OnClick = [this](TComponent* s) { PhoneButtonClick(s); };
    MailMenu->OnClick = [this](TComponent* s) { MailButtonClick(s); };
    WebMenu->OnClick = [this](TComponent* s) { WebButtonClick(s); };
    ScrMenu->OnClick = [this](TComponent* s) { ScrToolButtonClick(s); };
    DownloadPaysMenu->OnClick = [this](TComponent*) { DownloadPays(0); };
    LangsMenu->OnClick = [this](TComponent*) {
        if (auto& select = RegisteredUserSteps().SelectLanguage) select(*this);
    };
    ChangeUserButon->OnClick = [this](TComponent* s) { ChangeUserButonClick(s); };
    ChangeUserMenu->OnClick = [this](TComponent*) { ChangeUserButon->Click(); };
    KeyButton->OnClick = [this](TComponent*) {
        if (auto& key = RegisteredUserSteps().ChangePassword) key(*this);
    };
    KeyMenu->OnClick = [this](TComponent*) { KeyButton->Click(); };
    NetWizardMenu->OnClick = [this](TComponent* s) { NetWizardMenuClick(s); };

    // The plug-ins' actions become items of the "Plug-Ins" menu.
    kvPluginLoader1->OnNewAction = [this](TComponent*, const std::string& name, TBitmap*, TBitmap*, TBitmap*,
                                          const std::string& caption, bool enabled, bool checked,
                                          const std::string& hint, TShortCut, const TNotifyEvent& onAction) {
        auto* item = new TMenuItem(this);
        item->SetName(name);
        item->SetCaption(caption.empty() ? hint : caption);
        item->SetEnabled(enabled);
        item->SetChecked(checked);
        item->OnClick = onAction;
        PluginsMenu->Add(item);
        PluginsMenu->SetVisible(true);
    };
    kvPluginLoader1->OnBeforeUnload = [this](TComponent*, int, bool&) {
        while (PluginsMenu->Count() > 0) {
            TMenuItem* item = PluginsMenu->Items(PluginsMenu->Count() - 1);
            PluginsMenu->Remove(item);
            delete item;
        }
        PluginsMenu->SetVisible(false);
    };

    companion_ = std::make_unique<CompanionLink>(WindowSocketPath("TMainForm", "KV-Zirt"));
    companion_->OnMessage = [this](int message, long wParam, long lParam) {
        try {
            TemkoMessage(message, wParam, lParam);
        } catch (...) {
            Application().HandleException(std::current_exception());
        }
    };
    companion_->OnPasswordRequest = [this] { return TablePassword; };
}

void TMainForm::RefreshActiveModule() {
    if (module_) module_->FormShow();
    LoadToStatusBar(ActiveModule());
}

// ---- the companion program ----

void TMainForm::UpdateTemko() {
    PostWindowMessage(WindowSocketPath("TMainForm", "Temko"), WM_TEMKO, TEMKO_TASKS_CHANGED, 0);
}

bool TMainForm::StartTemko() {
    const std::filesystem::path program = ProgramState().ProgramFolder / "temko";
    return QProcess::startDetached(QString::fromStdString(program.string()),
                                   {QString::fromStdString(ProgramState().UserPrefix)},
                                   QString::fromStdString(ProgramState().ProgramFolder.string()));
}

void TMainForm::TemkoMessage(int message, long wParam, long) {
    if (message == WM_TEMKO && wParam == TEMKO_RELOAD_TASKS) RefreshTasks();
}

void TMainForm::RefreshTasks() {
    if (!DataModule1 || !DataModule1->TaskTable) return;
    // A reload writes pending changes first; in network mode that needs the lock, which a
    // command of this program may hold right now: then the reload comes a little later.
    if (ProgramLocks().TableLockHeld()) {
        QTimer::singleShot(200, Widget(), [this] { RefreshTasks(); });
        return;
    }
    TVolgaTable& table = *DataModule1->TaskTable;
    if (ProgramState().NetworkMode && !OfflineMode) {
        ScopedTableLock lock(ProgramLocks(), DataModule1->LockFileName(TableId::Tasks), kRecordCommandPoll);
        table.Refresh();
    } else {
        table.Refresh();
    }
    if (ActiveModule() == TasksModule)
        if (TasksWindow* tasks = Tasks()) tasks->PageControlChange();
}

// ---- reminder tasks ----

void TMainForm::ReminderTask(bool birthday, bool remind, const std::string& firstName, const std::string& surname,
                             TDateTime date) {
    TVolgaTable& addresses = *DataModule1->AddressTable;
    TVolgaTable& tasks = *DataModule1->TaskTable;
    const bool network = ProgramState().NetworkMode;
    const char* identField = birthday ? "PripNarIdent" : "PripMenIdent";
    const std::string addressCode = addresses.FieldByName("Number").AsString();
    if (!remind) {
        const std::string taskCode = addresses.FieldByName(identField).AsString();
        if (taskCode.empty()) return;
        // Only the address's own task goes; a task that is gone already leaves the rest alone.
        ProgramLocks().WriteSharedTable(tasks, DataModule1->LockFileName(TableId::Tasks), network, kReminderPoll, [&] {
            if (tasks.Locate("Number", Variant(taskCode), 0) && tasks.FieldByName("Number").AsString() == taskCode)
                tasks.Delete();
        });
        return;
    }
    std::string taskCode;
    ProgramLocks().WriteSharedTable(tasks, DataModule1->LockFileName(TableId::Tasks), network, kReminderPoll, [&] {
        tasks.Append();
        tasks.FieldByName("Date").SetAsDateTime(date);
        for (const char* f : {"Time", "StartTask", "EndTask"}) tasks.FieldByName(f).SetAsString("8:00:00");
        tasks.FieldByName("Uloha").SetAsString(GetMessageText(birthday ? kMsgBirthday : kMsgNameDay) + firstName + " " +
                                               surname);
        tasks.FieldByName("Color").SetAsInteger(255);
        tasks.FieldByName("Mesage").SetAsBoolean(true);
        tasks.FieldByName("User").SetAsString(ProgramState().UserPrefix);
        tasks.FieldByName("Owner").SetAsString(ProgramState().UserPrefix);
        tasks.FieldByName("Priority").SetAsString("A");
        tasks.FieldByName("Repeat").SetAsBoolean(true);
        tasks.FieldByName("RepFreq").SetAsInteger(4);
        tasks.Post();
        taskCode = tasks.FieldByName("Number").AsString();
    });
    // The address keeps its task's code, written under its own lock once the task lock is free.
    ProgramLocks().WriteSharedTable(addresses, DataModule1->LockFileName(TableId::Address), network, kEditorSavePoll,
                                    [&] {
                                        LocateRecordCode(addresses, addressCode);
                                        addresses.Edit();
                                        addresses.FieldByName(identField).SetAsString(taskCode);
                                        addresses.Post();
                                    });
}

void TMainForm::CreateBirthdayTask(bool remind, const std::string& firstName, const std::string& surname,
                                   TDateTime date) {
    ReminderTask(true, remind, firstName, surname, date);
}

void TMainForm::CreateNameDayTask(bool remind, const std::string& firstName, const std::string& surname,
                                  TDateTime date) {
    ReminderTask(false, remind, firstName, surname, date);
}

// The flags and dates of the record being saved, compared with what it had when opened: a
// reminder turned on or off is made or removed, and one whose date changed is made anew.
void TMainForm::UpdateReminderTasks(bool newAddress, const std::string& firstName, const std::string& surname) {
    TVolgaTable& addresses = *DataModule1->AddressTable;
    const struct {
        bool Birthday;
        const char* Flag;
        const char* Date;
        bool Had;
        TDateTime HadDate;
    } kinds[] = {{true, "PripNar", "Narodeniny", RememberedPripNar, RememberedNarodeniny},
                 {false, "PripMen", "Meniny", RememberedPripMen, RememberedMeniny}};
    for (const auto& kind : kinds) {
        const bool on = addresses.FieldByName(kind.Flag).AsBoolean();
        const bool had = newAddress ? false : kind.Had;
        const TDateTime date = addresses.FieldByName(kind.Date).AsDateTime();
        if (on != had) {
            ReminderTask(kind.Birthday, on, firstName, surname, date);
        } else if (on && date != kind.HadDate) {
            ReminderTask(kind.Birthday, false, firstName, surname, date);
            ReminderTask(kind.Birthday, true, firstName, surname, date);
        }
    }
}

void TMainForm::CreateAnniversaryTasks() {
    AddressBookWindow* book = AddressBook();
    if (!book || !DataModule1) return;
    auto orUnknown = [](const std::string& s) { return s.empty() ? GetMessageText(kMsgUnknown) : s; };
    const std::string first = orUnknown(book->FirstNameText());
    const std::string surname = orUnknown(book->SurnameText());
    UpdateReminderTasks(NetEditMode == "Insert", first, surname);
}

// ---- what the data module asks ----

void TMainForm::HideSplitEnableButton() {
    SplitEnableButton->SetEnabled(false);
    SplitEnableButton->SetVisible(false);
}

void TMainForm::SubProjectTableFilterRecord(TDataSet& dataSet, bool& accept) {
    std::string project = TaskEditorProject;
    if (!TaskEditorProjectFilter) {
        TVolgaTable* projects = DataModule1 ? DataModule1->ProjectTable : nullptr;
        project = projects && projects->Active() && !projects->IsEmpty() ? projects->FieldByName("ProjectName").AsString()
                                                                          : std::string();
    }
    accept = dataSet.FieldByName("ProjectName").AsString() == project;
}

// ---- address category ----

void TMainForm::WorkSplitItems() {
    AddressBookWindow* book = AddressBook();
    if (!book || !DataModule1->AddressTable->FindField("Split_field")) return;
    const int index = book->CategoryIndex();
    std::string value;
    if (index == 0) value.clear();
    else if (index == 1) value = "work_zirt";
    else if (index == 2) value = "private_zirt";
    else if (index >= 3 && index <= 7) value = book->CategoryItem(index);
    else return;
    DataModule1->AddressTable->FieldByName("Split_field").SetAsString(value);
}

// ---- change of user ----

void TMainForm::ChangeUserButonClick(TComponent*) {
    if (!RegisteredUserSteps().PickUser || !CloseActiveModule()) return;
    try {
        ProgramSettings().SaveSettings(ProgramState().DataFolder);
    } catch (const std::exception& error) {
        // The new user starts all the same; what was not saved is said.
        Report(error);
    }
    ChangeUserRuntime();
    FormShow(this);
}

void TMainForm::ChangeUserRuntime() {
    if (!RegisteredUserSteps().PickUser(*this)) return;
    TranslateOnShow = false;
    NewAddressPending = false;
    try {
        ProgramSettings().LoadSettings(ProgramState().DataFolder);
    } catch (const std::exception& error) {
        Report(error);
    }
    ZablokujVsetko();
    TaskEditorNewTask = true;
    SetHelpFileByLanguage();
}

// ---- reconnecting ----

void TMainForm::ConnectMenuClick(TComponent*) {
    FrameState& state = ProgramState();
    if (!state.NetworkMode) return;
    const SettingsStore& settings = ProgramSettings();
    const std::string& server = settings.NastaveniaText[kTextServerFolder];
    std::error_code ec;
    if (server.empty() ||
        !std::filesystem::exists(std::filesystem::path(server) /
                                     (settings.NastaveniaText[kTextNetworkUser] + TableSuffix(TableId::Address)),
                                 ec)) {
        state.TableFolder = state.DataFolder / "TempData";
        OfflineMode = true;
        ShowOfflineNotice();
        return;
    }
    if (!CloseActiveModule()) return;
    MSGDialog1->SetHelpFile("");
    MSGDialog1->SetKind(TKvMsgDlgKind::mkInformation);
    MSGDialog1->SetButtonGroup(TKvMsgDlgButtonGroup::bgOK);
    MSGDialog1->SetTitle(ByLanguage("Information!", "Upozornenie!", "Upozornění!"));
    MSGDialog1->SetText(ByLanguage(
        "Server is in operation now. Software KV-Zirt will now join shared tables in a server.",
        "Server je už v prevádzke. Program KV-Zirt sa teraz pripojí na zdieľané tabuľky na serveri.",
        "Server je už v činnosti. Program KV-Zirt se teď připojí na sdílené tabulky na serveru."));
    MSGDialog1->Execute();
    state.TableFolder = server;
    OfflineMode = false;
    for (TableId id : kAllTables) {
        delete DataModule1->TableOf(id);
        DataModule1->TableOf(id) = nullptr;
    }
    DataModule1->VolgaDatabase1->SetDatabasePath(state.TableFolder.string());
    FormShow(this);
    ConnectMenu->SetVisible(false);
    EnableModuleButtons();
}

// ---- payments ----

void TMainForm::DownloadPays(int ask) {
    if (ask == 1) {
        const std::string text = ByLanguage(
            "Your database periodical payments belie,  current of the year. \n\r Do you want to update it now? ",
            "Vaša databáza pravidelných platieb nezodpovedá, aktuálnemu roku.\n\r Chcete ju teraz aktualizovať?.",
            "Vaše databáze pravidelných plateb neodpovídá, aktuálnímu roku.\n\r Chcete ji teď aktualizovat?.");
        if (ShowMessageBox(text, ByLanguage("Information!", "Upozornenie!", "Upozornění!"),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    ShellOpenFile(kPaymentsPage, "", "", 1);
}

// ---- font-style codes ----

void TMainForm::DefinEfect(TLabel* label) {
    if (!label) return;
    if (auto code = StyleCodeOf(label->Font().Style)) FontStyleCode = *code;
}

void TMainForm::DecodEfect() {
    auto style = StyleOfCode(FontStyleCode);
    if (!style) return;
    TFont font = FontLabel->Font();
    font.Style = *style;
    FontLabel->SetFont(font);
}

// ---- menu check marks ----

void TMainForm::BackMenuClick(TComponent*) {
    BackMenu->SetChecked(!BackMenu->Checked());
    ProgramSettings().Nastavenia[kSetAutoBackup] = BackMenu->Checked() ? 1 : 0;
    if (BackMenu->Checked())
        ProgramLocks().AutoBackup(ProgramState().TableFolder, ProgramState().UserPrefix, ProgramState().NetworkMode,
                                  ProgramState().DataFolder);
}

void TMainForm::FilingMenuClick(TComponent*) {
    FilingMenu->SetChecked(!FilingMenu->Checked());
    ProgramSettings().Nastavenia[kSetUserDialogAtStart] = FilingMenu->Checked() ? 1 : 0;
}

void TMainForm::AddresCompletionMenuClick(TComponent*) {
    AddresCompletionMenu->SetChecked(!AddresCompletionMenu->Checked());
    ProgramSettings().Nastavenia[kSetAddressCompletion] = AddresCompletionMenu->Checked() ? 1 : 0;
}

void TMainForm::ObnovMenuClick(TComponent*) {
    SettingsStore& settings = ProgramSettings();
    const bool applied = settings.RestoreSettings([](const std::string& text, const std::string& caption) {
        return ShowMessageBox(text, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    });
    if (!applied) return;
    SetBounds(Left(), Top(), settings.FormWidth, settings.FormHeight);
    if (module_) module_->FormShow();
}

// ---- small commands ----

void TMainForm::PhoneButtonClick(TComponent*) {
    if (AddressBookWindow* book = AddressBook()) book->PhoneCallNumber(book->ChosenPhoneNumber(), book->NameEditText());
}

void TMainForm::MailButtonClick(TComponent*) {
    if (AddressBookWindow* book = AddressBook()) book->DBEdit10DblClick();
}

void TMainForm::WebButtonClick(TComponent*) {
    if (AddressBookWindow* book = AddressBook()) book->DBEdit13DblClick();
}

void TMainForm::ScrToolButtonClick(TComponent*) {
    // The desktop's screen saver starts through its own command; a desktop without one has none.
    ShellOpenFile("xdg-screensaver", "activate", "", 0);
}

} // namespace kvz
