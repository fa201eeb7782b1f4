// The program: the frame window, then the data module, then the message loop. The module
// windows and dialogs register with the frame window here.
#include "addressbook/AdresyChild.h"
#include "addressbook/CategoryForm.h"
#include "addressbook/ExportForm.h"
#include "addressbook/FilterForm.h"
#include "addressbook/FindText.h"
#include "addressbook/OrderForm.h"
#include "addressbook/ReadUnit.h"
#include "addressbook/WabImport.h"
#include "addressbook/Zaloha.h"
#include "controls/KvGIF.h"
#include "core/Data1.h"
#include "core/Main.h"
#include "core/ProgramHooks.h"
#include "links/Capture.h"
#include "links/LinksChild.h"
#include "links/NewLink.h"
#include "printing/PrintWizard.h"
#include "printing/ReportSelectionForm.h"
#include "printing/Template.h"
#include "printing/ZostavyChild.h"
#include "scheduling/AddBankForm.h"
#include "scheduling/Manager.h"
#include "scheduling/Owners.h"
#include "scheduling/Pay.h"
#include "scheduling/TaskEditorService.h"
#include "scheduling/UlohaChild.h"

#include <QApplication>
#include <QPointer>

#include <memory>

namespace {

using namespace kvz;

class FrameRefresh : public ExchangeFrameServices {
public:
    void RefreshActiveModule() override {
        if (TMainForm* frame = MainForm()) frame->RefreshActiveModule();
    }
    void AddressLayoutRestored() override {
        if (TMainForm* frame = MainForm()) frame->ReadAddressLayoutAgain();
    }
};

// The import, send-to and backup, and export dialogs, each over the tables of the moment.
void RegisterExchangeDialogs(TDataModule1& data) {
    static FrameRefresh refresh;
    auto context = [&data] {
        return ExchangeContext{data, ProgramState(), MainForm() ? MainForm()->TablePassword : std::string(), &refresh, {}};
    };
    auto& dialogs = RegisteredModules().Dialogs;
    dialogs["TReadForm"] = [context] {
        ExchangeContext c = context();
        UnavailableWabSource wab;
        TReadForm form(nullptr, c, wab);
        return form.ShowModal();
    };
    dialogs["TZalohaForm"] = [context] {
        ExchangeContext c = context();
        TZalohaForm form(nullptr, c);
        return form.ShowModal();
    };
    dialogs["TExportForm"] = [context] {
        ExchangeContext c = context();
        TExportForm form(nullptr, c);
        return form.ShowModal();
    };
}

// The find window, made once and shown by the Find command; the filter, sort-order and
// category dialogs, each run modally over the tables of the moment.
void RegisterAddressDialogs(TDataModule1& data, TMainForm& frame) {
    // Closing the filter dialog without OK lets the frame's filter button up, which removes the filter.
    ProgramState().FilterButton = &frame;
    auto* find = new TFindTextForm(&frame, data, ProgramState());
    auto& dialogs = RegisteredModules().Dialogs;
    dialogs["TFindTextForm"] = [find] {
        find->Show();
        return static_cast<int>(mrNone);
    };
    dialogs["TFilterForm"] = [&data] {
        TFilterForm form(nullptr, data, ProgramState());
        return form.ShowModal();
    };
    dialogs["TOrderForm"] = [&data] {
        TOrderForm form(nullptr, data, ProgramState());
        return form.ShowModal();
    };
    dialogs["TAddForm"] = [] {
        TAddForm form(nullptr, ProgramState());
        return form.ShowModal();
    };
}

// What the task editor asks of the scheduling window when the frame's Insert and Edit open it.
class FrameTaskEditorHost : public TaskEditorHost {
public:
    std::string DateCaption() const override {
        TUlohaChildForm* tasks = Tasks();
        return tasks ? tasks->DateLabel->Caption() : std::string();
    }
    TDateTime CurrentDay() const override {
        TUlohaChildForm* tasks = Tasks();
        return tasks ? tasks->SelectedTaskDate() : 0;
    }
    std::vector<std::string> SelectedTaskKeys() const override {
        TUlohaChildForm* tasks = Tasks();
        return tasks ? tasks->SelectedRecordCodes() : std::vector<std::string>{};
    }
    void TasksSaved(const TaskSaveResult&) override {
        if (TMainForm* frame = MainForm()) frame->RunCommand(Command::Post);
        if (TUlohaChildForm* tasks = Tasks()) tasks->TablesChanged();
    }
    void EditingCancelled() override {
        if (TMainForm* frame = MainForm()) frame->RunCommand(Command::Cancel);
    }
    void EditorProjectFilter(bool editorOpen, const std::string& project) override {
        if (TMainForm* frame = MainForm()) {
            frame->TaskEditorProjectFilter = editorOpen;
            frame->TaskEditorProject = editorOpen ? project : std::string();
        }
    }
    // The grids read-only again and the cells chosen together let go, as after the window's own Edit.
    void EditorClosed() override {
        if (TUlohaChildForm* tasks = Tasks()) tasks->EditorHost().EditorClosed();
    }

private:
    static TUlohaChildForm* Tasks() {
        TMainForm* frame = MainForm();
        return frame ? dynamic_cast<TUlohaChildForm*>(frame->Module()) : nullptr;
    }
};

TaskEditorService& TaskEditor(TDataModule1& data) {
    static TaskEditorService service(data, ProgramState());
    return service;
}

// The task editor behind the frame window's Insert and Edit with the scheduling window active.
void RegisterTaskEditor(TDataModule1& data) {
    static FrameTaskEditorHost host;
    RegisteredModules().Dialogs["TUlohaForm"] = [&data] {
        TaskEditorService& service = TaskEditor(data);
        const int result = ProgramState().TaskEditMode ? service.OpenForEdit(host) : service.OpenForInsert(host);
        ProgramState().PaymentDataCurrent = service.PaymentDataCurrent();
        return result;
    };
}

// The scheduling window, and the project manager and owners dialogs over the tables of the
// moment.
void RegisterScheduling(TDataModule1& data) {
    RegisteredModules().Tasks = [&data](TComponent* owner) {
        auto* window = new TUlohaChildForm(owner, data, ProgramState());
        // Insert, Edit and Clone open the task editor with the window as its host.
        window->OpenTaskEditor = [window, &data](TaskEditorCall call) {
            TaskEditorService& service = TaskEditor(data);
            switch (call) {
            case TaskEditorCall::Insert: service.OpenForInsert(window->EditorHost()); break;
            case TaskEditorCall::Edit: service.OpenForEdit(window->EditorHost()); break;
            case TaskEditorCall::Clone: service.Clone(window->EditorHost()); break;
            }
            ProgramState().PaymentDataCurrent = service.PaymentDataCurrent();
        };
        window->OpenSetup = [] {
            if (TMainForm* frame = MainForm()) frame->InterfaceSetupMenuClick(nullptr);
        };
        return window;
    };
    auto& dialogs = RegisteredModules().Dialogs;
    // The payment order form stays open beside the bank's page; it frees itself when closed.
    dialogs["TPayForm"] = [&data] {
        auto* form = new TPayForm(&Application(), data, ProgramState());
        form->Show();
        return static_cast<int>(mrNone);
    };
    // The e-bank addresses, from the frame's menu and the task editor's "<<Edit".
    dialogs["TAddBankForm"] = [] {
        TAddBankForm form(nullptr, ProgramState());
        return static_cast<int>(form.ShowModal());
    };
    dialogs["TManagerForm"] = [&data] {
        TManagerForm form(nullptr, data, ProgramState());
        form.RefreshTasksWindow = [] {
            if (TMainForm* frame = MainForm())
                if (ModuleWindow* module = frame->Module()) module->TablesChanged();
        };
        return form.ShowModal();
    };
    dialogs["TOwnersForm"] = [&data] {
        TOwnersForm form(nullptr, data, ProgramState());
        return form.ShowModal();
    };
}

// The links window with its new-link dialog and the task editor it hands links to, and the
// capture window, shown without waiting and raised again while it is open.
void RegisterLinks(TDataModule1& data) {
    static TaskEditorService service(data, ProgramState());
    static TaskEditorHost host;
    auto newLink = [&data] {
        TNewLinkForm form(nullptr, data, ProgramState());
        return static_cast<int>(form.ShowModal());
    };
    RegisteredModules().Links = [&data, newLink](TComponent* owner) {
        auto* window = new TLinksChildForm(owner, data, ProgramState());
        window->OpenTaskEditor = [](const std::string& name, const std::string& path) {
            return service.OpenFromLink(host, name, path);
        };
        window->OpenNewLinkDialog = newLink;
        return window;
    };
    // A link type's rename that a kill cut is finished once the tables are open.
    RegisteredModules().TablesOpened.push_back([&data] {
        if (data.LinksTable && data.LinksTypeTable)
            FinishLinkTypeRename({*data.LinksTable, *data.LinksTypeTable, data.LockFileName(TableId::Links),
                                  data.LockFileName(TableId::LinksType), ProgramLocks(), ProgramState().NetworkMode,
                                  ProgramState().UserPrefix});
    });
    auto& dialogs = RegisteredModules().Dialogs;
    dialogs["TNewLinkForm"] = newLink;
    dialogs["TCaptureForm"] = [&data] {
        static TCaptureForm* capture = nullptr;
        static QPointer<QWidget> shown;
        if (!shown) {
            capture = new TCaptureForm(nullptr, data, ProgramState());
            shown = capture->Widget();
        }
        capture->Show();
        return static_cast<int>(mrNone);
    };
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallProgramHooks();
    RegisterGIFImage();
    InstallUserSteps();
    // The data module is made after the frame window; the dialogs find it when they run.
    std::unique_ptr<TDataModule1> dataModule;
    auto* frame = Application().CreateForm<TMainForm>();
    // The user dialog was cancelled at start: no user, so no tables to open or to make.
    if (ProgramState().UserPrefix.empty()) return 0;
    dataModule = std::make_unique<TDataModule1>(ProgramState());
    try {
        dataModule->DataModuleCreate();
    } catch (const std::exception& error) {
        Application().ShowException(error);
    }
    RegisterExchangeDialogs(*dataModule);
    RegisteredModules().AddressBook = [&dataModule](TComponent* owner) {
        return new TAdresyChildForm(owner, *dataModule);
    };
    RegisterAddressDialogs(*dataModule, *frame);
    RegisterTaskEditor(*dataModule);
    RegisterScheduling(*dataModule);
    RegisterLinks(*dataModule);
    RegisterReportSelectionWindows(*dataModule);
    RegisterPrintWizard(*dataModule);
    RegisteredModules().Reports = [&dataModule](TComponent* owner) {
        return new TZostavyChildForm(owner, *dataModule, ProgramState());
    };
    // The label-sheet templates over the report window that is shown.
    for (const auto& entry : {std::pair{"TTemplateForm.Open", TTemplateMode::Open}, std::pair{"TTemplateForm.Save", TTemplateMode::New}}) {
        const TTemplateMode mode = entry.second;
        RegisteredModules().Dialogs[entry.first] = [&dataModule, mode] {
            TMainForm* main = MainForm();
            auto* reports = main ? dynamic_cast<TZostavyChildForm*>(main->Module()) : nullptr;
            if (!reports) return static_cast<int>(mrCancel);
            TTemplateForm dialog(nullptr, *dataModule, *reports, mode);
            return static_cast<int>(dialog.ShowModal());
        };
    }
    frame->SetDataModule(dataModule.get());
    frame->EnableModuleButtons();
    Application().Run();
    try {
        dataModule->DataModuleDestroy();
    } catch (const std::exception& error) {
        Application().ShowException(error);
    }
    dataModule.reset();
    UnregisterGIFImage();
    return 0;
}
