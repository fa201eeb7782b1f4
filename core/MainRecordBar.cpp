// The record bar of the frame window: its state, and each record command for the active module.
#include "core/Main.h"

#include "core/FrameImages.h"
#include "core/Messages.h"
#include "core/RecordBar.h"
#include "platform/forms/Dialogs.h"


namespace kvz {

namespace {

bool HasDialog(std::string_view form) {
    const auto& dialogs = RegisteredModules().Dialogs;
    return dialogs.find(form) != dialogs.end();
}

bool AskYesNo(int message) {
    return ShowMessageBox(GetMessageText(message), GetMessageText(kMsgWarningCaption),
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// The fourth line of an address: its city.
std::string FourthLine(const std::string& text) {
    size_t start = 0;
    for (int line = 0; line < 3; ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) return {};
        start = end + 1;
    }
    std::string line = text.substr(start, text.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string OrUnknown(const std::string& name) { return name.empty() ? GetMessageText(kMsgUnknown) : name; }

} // namespace

// ---- state ----

void TMainForm::ZablokujVsetko() {
    NewAddressPending = false;
    LinksEditPending = false;
    NetEditMode.clear();
    RememberedPripNar = RememberedPripMen = false;
    RememberedNarodeniny = RememberedMeniny = 0;
    if (ReportsWindow* reports = Reports()) reports->SelectFirstEnvelopeFormat();
}

void TMainForm::PostDis() {
    if (InsertButton->ImageIndex() == kInsertingImage || PostButton->Enabled()) PostButton->SetEnabled(false);
    InsertButton->SetImageIndex(kInsertImage);
    EditButton->SetEnabled(RecordBarFor({ActiveModule(), module_ != nullptr, OfflineMode, false, HasDialog}).Edit);
    CancelButton->SetEnabled(false);
    SetItemEnabled(CancelMenu, false);
}

void TMainForm::CancelDis() {
    if (PostButton->Enabled()) {
        CancelButton->SetEnabled(true);
        SetItemEnabled(CancelMenu, true);
    }
}

void TMainForm::ZapniPohyb() {
    const RecordBarState s =
        RecordBarFor({ActiveModule(), module_ != nullptr, OfflineMode, false, HasDialog});
    FirstButton->SetEnabled(s.First);
    PriorButton->SetEnabled(s.Prior);
    NextButton->SetEnabled(s.Next);
    LastButton->SetEnabled(s.Last);
    DeleteButton->SetEnabled(s.Delete);
    SetItemEnabled(DelMenu, s.Delete);
}

void TMainForm::VypniPohyb() {
    for (TToolButton* b : {FirstButton, PriorButton, NextButton, LastButton, DeleteButton}) b->SetEnabled(false);
    SetItemEnabled(DelMenu, false);
}

void TMainForm::BackToBrowse() {
    PostDis();
    const RecordBarState s = RecordBarFor({ActiveModule(), module_ != nullptr, OfflineMode, false, HasDialog});
    InsertButton->SetImageIndex(kInsertImage);
    InsertButton->SetEnabled(s.Insert);
    SetItemEnabled(NewMenu, s.Insert);
    EditButton->SetEnabled(s.Edit);
    SetItemEnabled(EditMenu, s.Edit);
    PostButton->SetEnabled(false);
    SetItemEnabled(SaveMenu, false);
    CancelButton->SetEnabled(false);
    SetItemEnabled(CancelMenu, false);
    ZapniPohyb();
}

void TMainForm::EnableModuleButtons() {
    RecordBarInput in{ActiveModule(), module_ != nullptr, OfflineMode,
                      ProgramSettings().Nastavenia[kSetCategoriesOn] == 1, HasDialog};
    const RecordBarState s = RecordBarFor(in);
    BackToBrowse();
    auto set = [](bool on, std::initializer_list<TControl*> controls, std::initializer_list<TMenuItem*> items = {}) {
        for (TControl* c : controls) c->SetEnabled(on);
        for (TMenuItem* i : items) SetItemEnabled(i, on);
    };
    set(s.Find, {FindButton}, {FindMenu});
    set(s.Filter, {FilterButton}, {FilterMenu});
    set(s.Order, {OrderButton}, {OrderMenu});
    set(s.Category, {SplitEnableButton});
    set(s.Refresh, {RefreshButton});
    set(s.Import, {ImportButton}, {ImportMenu});
    set(s.Export, {ExportButton, SaveAsButton}, {SendMenu, ExportMenu});
    set(s.ReportBar, {OpenButton, SaveReportButton, PreviewButton, FontButton, PrintButton},
        {LoadMenu, SaveReportMenu, PrewMenu, PrintMenu});
    set(s.Templates, {OpenTemplateButton, SaveTemplateButton}, {OpenTemplateMenu, SaveTemplateMenu});
    set(s.Detail, {DetailButton});
    set(s.Manager, {ManagerButton}, {ProjectManagerMenu});
    set(s.Owners, {OwnersToolButton}, {OwnersMenu});
    set(s.MaxMin, {MaxMinToolButton});
    set(s.Pay, {PayButton}, {PayMenu});
    set(s.Capture, {CaptureButton}, {CaptureMenu});
    set(s.AddToTask, {AddToTasklButton}, {AdTaskMenu});
    set(s.RunLink, {RunLinkBUtton}, {RunLinkMenu});
    set(s.Phone, {PhoneButton}, {PhoneMenu});
    set(s.Mail, {MailButton, WebButton}, {MailMenu});
    set(module_ && DataModule1, {SetupButton}, {InterfaceSetupMenu});
    set(HasDialog("TAddBankForm"), {}, {AddEBbankMenu});
    set(HasDialog("TPrintWizardForm"), {WizardButton});
    set(static_cast<bool>(RegisteredUserSteps().PickUser), {ChangeUserButon}, {ChangeUserMenu});
    set(static_cast<bool>(RegisteredUserSteps().ChangePassword), {KeyButton}, {KeyMenu});
    if (auto& role = RegisteredUserSteps().EnableKeyByRole; role && KeyButton->Enabled()) role(*this);
    set(DataModule1 != nullptr, {}, {NetWizardMenu});
    set(static_cast<bool>(RegisteredUserSteps().SelectLanguage), {}, {LangsMenu});
}

// ---- navigation ----

void TMainForm::FirstButtonClick(TComponent*) {
    if (LinksWindow* links = Links()) {
        DataModule1->LinksTable->First();
        links->SetDataLinks();
        PostDis();
    } else if (AddressBookWindow* book = AddressBook()) {
        DataModule1->AddressTable->First();
        book->SetPosition();
        PostDis();
    } else if (ReportsWindow* reports = Reports(); reports && reports->ReportKind() == 0) {
        DataModule1->AddressTable->First();
    }
}

void TMainForm::LastButtonClick(TComponent*) {
    if (LinksWindow* links = Links()) {
        DataModule1->LinksTable->Last();
        links->SetDataLinks();
        PostDis();
    } else if (AddressBookWindow* book = AddressBook()) {
        DataModule1->AddressTable->Last();
        book->SetPosition();
        PostDis();
    } else if (ReportsWindow* reports = Reports(); reports && reports->ReportKind() == 0) {
        DataModule1->AddressTable->Last();
    }
}

void TMainForm::PriorButtonClick(TComponent*) {
    if (LinksWindow* links = Links()) {
        DataModule1->LinksTable->Prior();
        links->SetDataLinks();
    } else if (AddressBookWindow* book = AddressBook()) {
        PostDis();
        DataModule1->AddressTable->Prior();
        book->SetPosition();
    } else if (TasksWindow* tasks = Tasks(); tasks && !DataModule1->TaskTable->IsEmpty()) {
        tasks->SetCalendarDate(tasks->CalendarDate() - 1);
    }
}

void TMainForm::NextButtonClick(TComponent*) {
    if (LinksWindow* links = Links()) {
        DataModule1->LinksTable->Next();
        links->SetDataLinks();
    } else if (AddressBookWindow* book = AddressBook()) {
        DataModule1->AddressTable->Next();
        book->SetPosition();
    } else if (TasksWindow* tasks = Tasks(); tasks && !DataModule1->TaskTable->IsEmpty()) {
        tasks->SetCalendarDate(tasks->CalendarDate() + 1);
    }
}

// ---- insert, edit, save, cancel ----

void TMainForm::InsertButtonClick(TComponent*) {
    if (!InsertButton->Enabled() || !module_) return;
    auto editing = [this] {
        PostButton->SetEnabled(true);
        SetItemEnabled(SaveMenu, true);
        EditButton->SetEnabled(false);
        CancelDis();
        VypniPohyb();
    };
    if (TasksWindow* tasks = Tasks()) {
        tasks->SetDayGridReadOnly(false);
        tasks->SetListGridReadOnly(false);
        TaskEditorNewTask = true;
        InsertButton->SetImageIndex(kInsertImage);
        editing();
        InsertButton->SetImageIndex(kInsertingImage);
        RunRegisteredDialog("TUlohaForm");
        if (!PaymentsCurrent) DownloadPays(1);
    } else if (AddressBookWindow* book = AddressBook()) {
        if (ProgramSettings().Nastavenia[kSetCategoriesOn] == 1) book->ShowCategoryBox(true);
        book->FocusNameEdit();
        book->EnableDateEdits(true, true);
        book->EnableRemindBoxes(true);
        InsertButton->SetImageIndex(kInsertingImage);
        if (!ProgramState().NetworkMode) {
            DataModule1->AddressTable->Insert();
            DataModule1->AddressTable->FieldByName("User").SetAsString(ProgramState().UserPrefix);
        } else {
            book->InsertAddressNet("Insert");
            NetEditMode = "Insert";
        }
        NewAddressPending = true;
        editing();
    } else if (Links()) {
        InsertButton->SetImageIndex(kInsertingImage);
        editing();
        RunRegisteredDialog("TNewLinkForm");
    }
}

void TMainForm::EditButtonClick(TComponent*) {
    if (!EditButton->Enabled() || !module_) return;
    if (TasksWindow* tasks = Tasks()) {
        tasks->SetDayGridReadOnly(false);
        DataModule1->TaskTable->Edit();
        TaskEditorNewTask = false;
        InsertButton->SetEnabled(false);
        PostButton->SetEnabled(true);
        CancelDis();
        RunRegisteredDialog("TUlohaForm");
    } else if (AddressBookWindow* book = AddressBook()) {
        TVolgaTable& table = *DataModule1->AddressTable;
        if (table.IsEmpty()) return;
        RememberedPripNar = table.FieldByName("PripNar").AsBoolean();
        RememberedPripMen = table.FieldByName("PripMen").AsBoolean();
        RememberedNarodeniny = table.FieldByName("Narodeniny").AsDateTime();
        RememberedMeniny = table.FieldByName("Meniny").AsDateTime();
        book->EnableDateEdits(true, true);
        book->EnableRemindBoxes(true);
        if (!ProgramState().NetworkMode) {
            table.Edit();
        } else {
            book->InsertAddressNet("Edit");
            NetEditMode = "Edit";
        }
        NewAddressPending = false;
        PostButton->SetEnabled(true);
        SetItemEnabled(SaveMenu, true);
        InsertButton->SetEnabled(false);
        CancelDis();
        VypniPohyb();
        // The window preselects the address's category.
        if (ProgramSettings().Nastavenia[kSetCategoriesOn] == 1) book->ShowCategoryBox(true);
    } else if (LinksWindow* links = Links()) {
        if (!ProgramState().NetworkMode) {
            DataModule1->LinksTable->Edit();
            links->ShowTypeEditors(true);
        } else {
            RunRegisteredDialog("TNewLinkForm");
        }
        PostButton->SetEnabled(true);
        SetItemEnabled(SaveMenu, true);
        CancelDis();
        VypniPohyb();
        LinksEditPending = true;
    }
}

void TMainForm::PostButtonClick(TComponent*) {
    if (!PostButton->Enabled() || !module_) return;
    try {
        if (TasksWindow* tasks = Tasks()) {
            tasks->SetDayGridReadOnly(true);
            BackToBrowse();
        } else if (LinksWindow* links = Links()) {
            if (!ProgramState().NetworkMode && LinksEditPending) DataModule1->LinksTable->ApplyChanges();
            BackToBrowse();
            LinksEditPending = false;
            links->ShowTypeEditors(false);
        } else if (AddressBookWindow* book = AddressBook()) {
            if (!ProgramState().NetworkMode) {
                TVolgaTable& table = *DataModule1->AddressTable;
                WorkSplitItems();
                table.FieldByName("Meno").SetAsString(table.FieldByName("Meno_Kr").AsString() + "  " +
                                                      table.FieldByName("Priezvisko").AsString());
                table.FieldByName("Mesto").SetAsString(FourthLine(book->AddressMemoText()));
                if (table.State() == dsEdit || table.State() == dsInsert) table.Post();
                const std::string first = OrUnknown(book->FirstNameText());
                const std::string surname = OrUnknown(book->SurnameText());
                UpdateReminderTasks(NewAddressPending, first, surname);
                table.ApplyChanges();
                table.CommitChanges();
            } else {
                book->ShEditExit();
                {
                    BusyAnimationScope busy(ProgramLocks(), true);
                    book->PostAddressNet();
                }
                book->DeleteAddressNet();
            }
            NewAddressPending = false;
            book->EnableDateEdits(false, false);
            book->EnableRemindBoxes(false);
            book->ShowCategoryBox(false);
            BackToBrowse();
        }
    } catch (const EAbort&) {
        // A wait the user gave up: the edit stays open, nothing was written.
    } catch (const std::exception& error) {
        // Each failure says what it is; the edit stays open with Save enabled.
        ShowMessageBox(error.what(), Application().Title(), MB_OK | MB_ICONERROR);
    }
}

void TMainForm::CancelButtonClick(TComponent*) {
    if (!CancelButton->Enabled() || !module_) return;
    if (TasksWindow* tasks = Tasks()) {
        BackToBrowse();
        tasks->SetDayGridReadOnly(true);
    } else if (AddressBookWindow* book = AddressBook()) {
        book->EnableDateEdits(false, false);
        book->EnableRemindBoxes(false);
        book->ShowCategoryBox(false);
        TVolgaTable& table = *DataModule1->AddressTable;
        if (table.State() == dsEdit || table.State() == dsInsert) table.Cancel();
        if (ProgramState().NetworkMode) {
            ProgramLocks().UnlockTableFile();
            book->DeleteAddressNet();
        }
        NewAddressPending = false;
        BackToBrowse();
    } else if (LinksWindow* links = Links()) {
        TVolgaTable& table = *DataModule1->LinksTable;
        if (!ProgramState().NetworkMode && (table.State() == dsEdit || table.State() == dsInsert)) table.Cancel();
        BackToBrowse();
        LinksEditPending = false;
        links->ShowTypeEditors(false);
    }
}

// ---- delete ----

void TMainForm::DeleteButtonClick(TComponent*) {
    if (!DeleteButton->Enabled() || !module_) return;
    TableId id;
    std::vector<std::string> codes;
    int question = kMsgDeleteRecord;
    if (TasksWindow* tasks = Tasks()) {
        id = TableId::Tasks;
        question = kMsgDeleteTasks;
        codes = tasks->CheckedTaskCodes();
        if (codes.size() <= 1) codes = tasks->SelectedRecordCodes();
    } else if (AddressBookWindow* book = AddressBook()) {
        id = TableId::Address;
        codes = book->SelectedRecordCodes();
        PostDis();
    } else if (LinksWindow* links = Links()) {
        id = TableId::Links;
        codes = links->SelectedRecordCodes();
    } else {
        return;
    }
    TVolgaTable& table = *DataModule1->TableOf(id);
    if (table.IsEmpty()) return;
    if (codes.size() <= 1) codes = {table.FieldByName("Number").AsString()};
    // Asked before any lock is taken: nobody waits on an open question, and No writes nothing.
    if (!AskYesNo(question)) return;
    const std::string current = table.FieldByName("Number").AsString();
    ProgramLocks().WriteSharedTable(table, DataModule1->LockFileName(id), ProgramState().NetworkMode,
                                    kRecordCommandPoll, [&] {
                                        for (const std::string& code : codes) {
                                            LocateRecordCode(table, code);
                                            table.Delete();
                                        }
                                        if (id == TableId::Tasks)
                                            if (TasksWindow* tasks = Tasks()) tasks->PageControlChange();
                                    });
    // Back to the record that was current, when it is still there.
    if (std::find(codes.begin(), codes.end(), current) == codes.end()) try {
            LocateRecordCode(table, current);
        } catch (const std::exception&) {
            // Another program removed it meanwhile; the table stays where the delete left it.
        }
    if (LinksWindow* links = Links()) links->LoadLinkList();
    if (AddressBookWindow* book = AddressBook()) book->SetPosition();
    LoadToStatusBar(ActiveModule());
}

// ---- refresh and erase ----

void TMainForm::RefreshButtonClick(TComponent*) {
    if (!module_) return;
    if (TasksWindow* tasks = Tasks()) {
        for (TableId id : {TableId::Tasks, TableId::Projects, TableId::SubProjects, TableId::Owners})
            DataModule1->TableOf(id)->Refresh();
        tasks->PageControlChange();
    } else if (AddressBook()) {
        DataModule1->AddressTable->Refresh();
    } else if (LinksWindow* links = Links()) {
        DataModule1->LinksTable->Refresh();
        DataModule1->LinksTypeTable->Refresh();
        links->SetDataLinks();
        links->LoadLinkList();
    }
}

void TMainForm::DelAllQuescionsClick(TComponent*) {
    if (!DataModule1 || !DataModule1->TaskTable) return;
    TasksWindow* tasks = Tasks();
    if (AskYesNo(kMsgEraseAllTasks)) {
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
    if (tasks) tasks->PageControlChange();
}

} // namespace kvz
