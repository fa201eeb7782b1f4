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

// The commands that say more than their command, and the frame's own buttons.
void TMainForm::BuildCommands() {
    BuildCommandTable();
    auto dialog = [](const char* form) { return [form](TComponent*) { RunRegisteredDialog(form); }; };
    AddEBbankMenu->OnClick = dialog("TAddBankForm");
    InterfaceSetupMenu->OnClick = [this](TComponent* s) { InterfaceSetupMenuClick(s); };
    SetupButton->OnClick = [this](TComponent*) { InterfaceSetupMenu->Click(); };
    AboutMenu->OnClick = [](TComponent*) {
        TAboutBox box(nullptr);
        box.ShowModal();
    };
    InfoButton->OnClick = [this](TComponent*) { AboutMenu->Click(); };
    WizardButton->OnClick = dialog("TPrintWizardForm");
    FilterButton->OnClick = [this](TComponent* s) { FilterButtonClick(s); };
    FilterMenu->OnClick = [this](TComponent* s) {
        FilterMenu->SetChecked(!FilterMenu->Checked());
        FilterButton->SetDown(FilterMenu->Checked());
        FilterButtonClick(s);
    };
    MaxMinToolButton->OnClick = [this](TComponent* s) { MaxMinToolButtonClick(s); };

    // The print header: which report the reports window makes (the window's state then says
    // whether the user may be changed).
    auto printKind = [this](int kind, Command command) {
        return [this, kind, command](TComponent*) {
            if (ActiveModule() != ReportsModule || !module_) return;
            ProgramSettings().Nastavenia[Slot::ReportKind] = kind;
            RunCommand(command);
        };
    };
    AddressPrintButton->OnClick = printKind(0, Command::AddressReport);
    TasksPrintButton->OnClick = printKind(1, Command::TasksReport);
    LinksPrintButton->OnClick = printKind(2, Command::LinksReport);
}

void TMainForm::SplitEnableButtonClick(TComponent*) {
    if (!DataModule1 || !DataModule1->AddressTable) return;
    TSplitForm form(nullptr, ProgramState(), DataModule1->AddressTable);
    form.UpdateStatusBar = [this] { LoadToStatusBar(ActiveModule()); };
    form.SetBounds(Left() + 395, Top() + 83, form.Width(), form.Height());
    form.ShowModal();
}

void TMainForm::FilterButtonClick(TComponent*) {
    const bool down = FilterButton->Down();
    RunCommand(down ? Command::Filter : Command::FilterOff);
    if (!FilterButton->Down()) ProgramState().FilterFieldName.clear(); // no filter, no filter field
    LoadToStatusBar(ActiveModule());
}

void TMainForm::ReleaseFilterButton() {
    FilterButton->SetDown(false);
    FilterMenu->SetChecked(false);
    FilterButtonClick(FilterButton);
}

void TMainForm::MaxMinToolButtonClick(TComponent*) {
    const bool down = MaxMinToolButton->Down();
    if (!RunCommand(down ? Command::MaximiseGrid : Command::RestoreGrid)) return;
    MaxMinToolButton->SetImageIndex(down ? imgRestore : imgMaximise);
}

void TMainForm::PayFacture(const std::string& file, const std::string& taskType) {
    // No address, nothing to open: an empty text would open the program's working folder.
    if (file.empty()) return;
    Application().Minimize();
    ShellOpenFile(file, "", "", 1);
    if (taskType == "F") RunRegisteredDialog("TPayForm");
}

void TMainForm::BuildServices() {
    BuildCommands();
    BackMenu->OnClick = [this](TComponent* s) { BackMenuClick(s); };
    FilingMenu->OnClick = [this](TComponent* s) { FilingMenuClick(s); };
    AddresCompletionMenu->OnClick = [this](TComponent* s) { AddresCompletionMenuClick(s); };
    ObnovMenu->OnClick = [this](TComponent* s) { ObnovMenuClick(s); };
    ScrToolButton->OnClick = [this](TComponent* s) { ScrToolButtonClick(s); };
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
    kvPluginLoader1->OnNewAction = [this](TComponent*, const std::string&, TBitmap* image, TBitmap*, TBitmap*,
                                          const std::string& caption, bool enabled, bool checked,
                                          const std::string& hint, TShortCut shortCut, const TNotifyEvent& onAction) {
        // The menu greys the picture of a disabled item itself.
        AddPluginMenuItem(this, *PluginsMenu, {caption, hint, enabled, checked, shortCut, image, onAction});
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
    if (module_ && ActiveModule() == TasksModule) module_->TablesChanged();
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
    try {
        ProgramSettings().LoadSettings(ProgramState().DataFolder);
    } catch (const std::exception& error) {
        Report(error);
    }
    ZablokujVsetko();
    ProgramState().TaskEditMode = false;
    SetHelpFileByLanguage();
}

// ---- reconnecting ----

void TMainForm::ConnectMenuClick(TComponent*) {
    FrameState& state = ProgramState();
    if (!state.NetworkMode) return;
    const SettingsStore& settings = ProgramSettings();
    const std::string& server = settings.NastaveniaText[TextSlot::ServerFolder];
    std::error_code ec;
    if (server.empty() ||
        !std::filesystem::exists(std::filesystem::path(server) /
                                     (settings.NastaveniaText[TextSlot::NetworkUser] + TableSuffix(TableId::Address)),
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
    ProgramSettings().Nastavenia[Slot::AutoBackup] = BackMenu->Checked() ? 1 : 0;
    if (BackMenu->Checked())
        ProgramLocks().AutoBackup(ProgramState().TableFolder, ProgramState().UserPrefix, ProgramState().NetworkMode,
                                  ProgramState().DataFolder);
}

void TMainForm::FilingMenuClick(TComponent*) {
    FilingMenu->SetChecked(!FilingMenu->Checked());
    ProgramSettings().Nastavenia[Slot::UserDialogAtStart] = FilingMenu->Checked() ? 1 : 0;
}

void TMainForm::AddresCompletionMenuClick(TComponent*) {
    AddresCompletionMenu->SetChecked(!AddresCompletionMenu->Checked());
    ProgramSettings().Nastavenia[Slot::AddressCompletion] = AddresCompletionMenu->Checked() ? 1 : 0;
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

void TMainForm::ScrToolButtonClick(TComponent*) {
    // The desktop's screen saver starts through its own command; a desktop without one has none.
    ShellOpenFile("xdg-screensaver", "activate", "", 0);
}

void TMainForm::SetProgress(int position) {
    ProgressBar1->SetPosition(position);
    // Shown while a window is on its way; the steps come between the window's own work, so the
    // bar is painted at once.
    ProgressBar1->SetVisible(position > 0 && position < 100);
    if (ProgressBar1->Visible()) ProgressBar1->Widget()->repaint();
}

} // namespace kvz
