// The frame window's commands: which tool buttons and menu items each has, their state from the
// open module, and running them on the module.
#include "core/Main.h"

#include "core/FrameImages.h"
#include "core/Messages.h"
#include "core/RecordBar.h"
#include "platform/forms/Dialogs.h"

#include <QAction>
#include <QToolBar>

#include <algorithm>
#include <unordered_set>

namespace kvz {

namespace {

bool HasDialog(std::string_view form) {
    const auto& dialogs = RegisteredModules().Dialogs;
    return dialogs.find(form) != dialogs.end();
}

// A tool bar keeps its buttons shown by their actions: hiding the button itself leaves it there.
void ShowToolButton(TToolButton& button, bool on) {
    auto* bar = qobject_cast<QToolBar*>(button.Widget()->parentWidget());
    if (!bar) {
        button.SetVisible(on);
        return;
    }
    for (QAction* action : bar->actions())
        if (bar->widgetForAction(action) == button.Widget() && action->isVisible() != on) action->setVisible(on);
}

bool AskYesNo(int message) {
    return ShowMessageBox(GetMessageText(message), GetMessageText(MessageId::WarningCaption),
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// The dialog each command of the frame's own opens.
const char* DialogOf(Command c) {
    switch (c) {
    case Command::Find: return "TFindTextForm";
    case Command::Order: return "TOrderForm";
    case Command::Import: return "TReadForm";
    case Command::Export: return "TZalohaForm";
    case Command::SaveAs: return "TExportForm";
    case Command::OpenTemplate: return "TTemplateForm.Open";
    case Command::SaveTemplate: return "TTemplateForm.Save";
    case Command::ProjectManager: return "TManagerForm";
    case Command::Owners: return "TOwnersForm";
    case Command::Capture: return "TCaptureForm";
    default: return nullptr;
    }
}

} // namespace

const std::vector<TMainForm::CommandControls>& TMainForm::CommandTable() const { return commands_; }

void TMainForm::BuildCommandTable() {
    using S = RecordBarState;
    commands_ = {
        {Command::First, &S::First, {FirstButton}, {}},
        {Command::Prior, &S::Prior, {PriorButton}, {}},
        {Command::Next, &S::Next, {NextButton}, {}},
        {Command::Last, &S::Last, {LastButton}, {}},
        {Command::Insert, &S::Insert, {InsertButton}, {NewMenu}},
        {Command::Edit, &S::Edit, {EditButton}, {EditMenu}},
        {Command::Post, &S::Post, {PostButton}, {SaveMenu}},
        {Command::Cancel, &S::Cancel, {CancelButton}, {CancelMenu}},
        {Command::Delete, &S::Delete, {DeleteButton}, {DelMenu}},
        {Command::Refresh, &S::Refresh, {RefreshButton}, {}},
        {Command::Find, &S::Find, {FindButton}, {FindMenu}},
        {Command::Filter, &S::Filter, {FilterButton}, {FilterMenu}},
        {Command::FilterOff, &S::Filter, {}, {}},
        {Command::Order, &S::Order, {OrderButton}, {OrderMenu}},
        {Command::Category, &S::Category, {SplitEnableButton}, {}},
        {Command::Import, &S::Import, {ImportButton}, {ImportMenu}},
        {Command::Export, &S::Export, {ExportButton}, {SendMenu}},
        {Command::SaveAs, &S::Export, {SaveAsButton}, {ExportMenu}},
        {Command::Mail, &S::Mail, {MailButton}, {MailMenu}},
        {Command::Web, &S::Mail, {WebButton}, {}},
        {Command::Phone, &S::Phone, {PhoneButton}, {PhoneMenu}},
        {Command::OpenReport, &S::ReportBar, {OpenButton}, {LoadMenu}},
        {Command::SaveReport, &S::ReportBar, {SaveReportButton}, {SaveReportMenu}},
        {Command::Preview, &S::ReportBar, {PreviewButton}, {PrewMenu}},
        {Command::Font, &S::ReportBar, {FontButton}, {FontSetupMenu}},
        {Command::Print, &S::ReportBar, {PrintButton}, {PrintMenu}},
        {Command::OpenTemplate, &S::Templates, {OpenTemplateButton}, {OpenTemplateMenu}},
        {Command::SaveTemplate, &S::Templates, {SaveTemplateButton}, {SaveTemplateMenu}},
        {Command::AddressReport, &S::ReportBar, {}, {}},
        {Command::TasksReport, &S::ReportBar, {}, {}},
        {Command::LinksReport, &S::ReportBar, {}, {}},
        {Command::Detail, &S::Detail, {DetailButton}, {}},
        {Command::ProjectManager, &S::Manager, {ManagerButton}, {ProjectManagerMenu}},
        {Command::Owners, &S::Owners, {OwnersToolButton}, {OwnersMenu}},
        {Command::MaximiseGrid, &S::MaxMin, {MaxMinToolButton}, {}},
        {Command::RestoreGrid, &S::MaxMin, {}, {}},
        {Command::Pay, &S::Pay, {PayButton}, {}},
        {Command::PayInvoice, &S::Pay, {}, {PayMenu}},
        {Command::Capture, &S::Capture, {CaptureButton}, {CaptureMenu}},
        {Command::AddToTask, &S::AddToTask, {AddToTasklButton}, {AdTaskMenu}},
        {Command::RunLink, &S::RunLink, {RunLinkBUtton}, {RunLinkMenu}},
    };
    // The buttons and menu items run their command; the filter button, the print header and the
    // grid button say more than a command and have handlers of their own.
    for (const CommandControls& c : commands_) {
        if (c.Command == Command::Filter || c.Command == Command::MaximiseGrid) continue;
        for (TControl* button : c.Buttons) button->OnClick = [this, cmd = c.Command](TComponent*) { RunCommand(cmd); };
        for (TMenuItem* item : c.Items) item->OnClick = [this, cmd = c.Command](TComponent*) { RunCommand(cmd); };
    }
}

// ---- state ----

RecordBarState TMainForm::ModuleState() const {
    const bool categories = ProgramSettings().Nastavenia[Slot::Categories] == 1;
    if (module_) return module_->State({OfflineMode, categories, HasDialog});
    return RecordBarFor({ActiveModule(), false, OfflineMode, categories, HasDialog});
}

bool TMainForm::CommandOn(Command command) const {
    const RecordBarState s = ModuleState();
    for (const CommandControls& c : commands_)
        if (c.Command == command) return s.*c.On;
    return false;
}

void TMainForm::ZablokujVsetko() {
    // The report window takes its envelope's address block and first format again; the module
    // windows keep their own editing state, and a new one starts in browse mode.
    if (module_ && ActiveModule() == ReportsModule) module_->ResetModuleState();
    EnableModuleButtons();
}

void TMainForm::EnableModuleButtons() {
    const RecordBarState s = ModuleState();
    for (const CommandControls& c : commands_) {
        for (TControl* button : c.Buttons)
            if (button->Enabled() != s.*c.On) button->SetEnabled(s.*c.On);
        for (TMenuItem* item : c.Items) SetItemEnabled(item, s.*c.On);
    }
    InsertButton->SetImageIndex(s.Inserting ? kInsertingImage : kInsertImage);
    // Refresh reads the tables again that other computers write: in network mode only.
    ShowToolButton(*RefreshButton, ProgramState().NetworkMode);
    auto set = [](bool on, std::initializer_list<TControl*> controls, std::initializer_list<TMenuItem*> items = {}) {
        for (TControl* c : controls) c->SetEnabled(on);
        for (TMenuItem* i : items) SetItemEnabled(i, on);
    };
    set(module_ && DataModule1, {SetupButton}, {InterfaceSetupMenu});
    set(HasDialog("TAddBankForm"), {}, {AddEBbankMenu});
    set(HasDialog("TPrintWizardForm"), {WizardButton});
    set(RegisteredUserSteps().PickUser && s.ChangeUser, {ChangeUserButon}, {ChangeUserMenu});
    set(static_cast<bool>(RegisteredUserSteps().ChangePassword), {KeyButton}, {KeyMenu});
    if (auto& role = RegisteredUserSteps().EnableKeyByRole; role && KeyButton->Enabled()) role(*this);
    set(DataModule1 != nullptr, {}, {NetWizardMenu});
    set(static_cast<bool>(RegisteredUserSteps().SelectLanguage), {}, {LangsMenu});
    SetItemEnabled(DelAllQuescions, ActiveModule() == TasksModule);
}

void TMainForm::ModuleStateChanged() {
    EnableModuleButtons();
    LoadToStatusBar(ActiveModule());
}

// ---- running commands ----

bool TMainForm::RunCommand(Command command) {
    if (!CommandOn(command)) return false;
    try {
        if (const char* dialog = DialogOf(command)) {
            if (command == Command::Capture) Application().Minimize();
            RunRegisteredDialog(dialog);
        } else if (command == Command::Category) {
            SplitEnableButtonClick(this);
        } else if (command == Command::Delete) {
            DeleteRecords();
        } else if (module_) {
            module_->Run(command);
        }
    } catch (const EAbort&) {
        // A wait the user gave up: nothing was written, an edit stays open.
        EnableModuleButtons();
        return false;
    } catch (const std::exception& error) {
        // Each failure says what it is; an edit that failed to save stays open with Save on.
        EnableModuleButtons();
        ShowMessageBox(error.what(), Application().Title(), MB_OK | MB_ICONERROR);
        return false;
    }
    EnableModuleButtons();
    return true;
}

// ---- delete ----

void TMainForm::DeleteRecords() {
    if (!module_ || !DataModule1) return;
    const std::optional<TableId> id = module_->RecordTable();
    if (!id) return;
    TVolgaTable* found = DataModule1->TableOf(*id);
    if (!found || found->IsEmpty()) return;
    TVolgaTable& table = *found;
    std::vector<std::string> codes = module_->SelectedRecordCodes();
    // A record chosen twice (cells chosen back and forth) is one record, deleted once.
    std::unordered_set<std::string> seen;
    std::erase_if(codes, [&](const std::string& code) { return !seen.insert(code).second; });
    if (codes.size() <= 1) codes = {table.FieldByName("Number").AsString()};
    // Asked before any lock is taken: nobody waits on an open question, and No writes nothing.
    if (!AskYesNo(*id == TableId::Tasks ? MessageId::DeleteTasks : MessageId::DeleteRecord)) return;
    const std::string current = table.FieldByName("Number").AsString();
    ProgramLocks().WriteSharedTable(table, DataModule1->LockFileName(*id), ProgramState().NetworkMode,
                                    kRecordCommandPoll, [&] {
                                        for (const std::string& code : codes) {
                                            LocateRecordCode(table, code);
                                            table.Delete();
                                        }
                                    });
    // Back to the record that was current, when it is still there.
    if (std::find(codes.begin(), codes.end(), current) == codes.end()) try {
            LocateRecordCode(table, current);
        } catch (const std::exception&) {
            // Another program removed it meanwhile; the table stays where the delete left it.
        }
    module_->TablesChanged();
    LoadToStatusBar(ActiveModule());
}

// ---- erase all tasks ----

void TMainForm::DelAllQuescionsClick(TComponent*) {
    if (!DataModule1 || !DataModule1->TaskTable) return;
    if (AskYesNo(MessageId::EraseAllTasks)) {
        TVolgaTable& table = *DataModule1->TaskTable;
        ProgramLocks().WriteSharedTable(table, DataModule1->LockFileName(TableId::Tasks), ProgramState().NetworkMode,
                                        kRecordCommandPoll, [&] {
                                            // Every row, whatever the day filter shows.
                                            const bool filtered = table.Filtered();
                                            table.DisableControls();
                                            table.SetFiltered(false);
                                            table.First();
                                            while (!table.IsEmpty()) table.Delete();
                                            table.SetFiltered(filtered);
                                            table.EnableControls();
                                        });
        table.SetTag(0);
    }
    if (module_ && ActiveModule() == TasksModule) module_->TablesChanged();
}

} // namespace kvz
