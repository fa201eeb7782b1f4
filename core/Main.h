// The frame window: menus, four tool bars, the outlook bar with the module buttons and the status
// bar around a client area that shows one module window at a time; the start and close of the
// program; and the services the module windows and dialogs ask of the frame.
#pragma once

#include "controls/kvOutlookBar.h"
#include "core/Data1.h"
#include "core/KvMsgDlg.h"
#include "core/ModuleServices.h"
#include "core/NetWizard.h"
#include "core/SettingsForm.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "core/ThemeMgr.h"
#include "core/kvPluginLoader.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

class TAnimForm;
class TMainForm;

// Images of the record bar's Insert button.
constexpr int kInsertImage = 4, kInsertingImage = 19;

// The steps of the start and of a change of user that belong to the users and the languages.
// InstallUserSteps fills them with the program's own; a test may set its own. A step left
// empty does nothing (its commands are disabled).
struct UserSteps {
    // Reads or writes the version marker in the data folder, and moves old data (FormCreate).
    std::function<void(TMainForm&)> CheckDataVersion;
    // The language dialog, modal (first start, menu "Select language").
    std::function<void(TMainForm&)> SelectLanguage;
    // Sets the user prefix at start (ScanUser).
    std::function<void(TMainForm&)> ScanUser;
    // The user dialog (a change of user, or again after a user's tables would not open): false
    // when no user was chosen.
    std::function<bool(TMainForm&)> PickUser;
    // Captions and hints of the frame window in the language (TranslateMainWindow).
    std::function<void(TMainForm&)> TranslateMainWindow;
    // "Change password" by the role of this computer (EnableKeyByRole).
    std::function<void(TMainForm&)> EnableKeyByRole;
    // "Change password".
    std::function<void(TMainForm&)> ChangePassword;
};
UserSteps& RegisteredUserSteps();
// The program's own user and language steps.
void InstallUserSteps();

// A text of the program's own in its language: English, Slovak, Czech.
const char* ByLanguage(const char* en, const char* sk, const char* cz);

// Every change of a menu item redraws the menu bar: an item is touched only when it changes.
inline void SetItemEnabled(TMenuItem* item, bool on) {
    if (item->Enabled() != on) item->SetEnabled(on);
}

// The values the start settles, for the whole run.
FrameState& ProgramState();
SettingsStore& ProgramSettings();
TTableLocks& ProgramLocks();

// Where the frame window stands on a first start: centred in the screen's available area, as
// large as the address page needs to show every field, and never larger than that area
// (room left for the window manager's frame).
struct FrameBounds {
    int Left, Top, Width, Height;
    bool operator==(const FrameBounds&) const = default;
};
constexpr int kFirstStartWidth = 1000, kFirstStartHeight = 700;
FrameBounds FirstStartBounds(int availableLeft, int availableTop, int availableWidth, int availableHeight);

// The frame window of the run (nullptr before it is made and after it is freed).
TMainForm* MainForm();

class TMainForm : public TForm,
                  public FrameServices,
                  public FilterButtonServices,
                  public SetupWindowServices,
                  public WizardFrameServices {
public:
    explicit TMainForm(TComponent* owner);
    ~TMainForm() override;

    // The data module, made by the program after the frame window.
    void SetDataModule(TDataModule1* dataModule) { DataModule1 = dataModule; }
    TDataModule1* DataModule1 = nullptr;

    // ---- components ----
    TMainMenu* MainMenu1;
    TMenuItem *FileMenu, *SaveMenu, *ExportMenu, *LoadMenu, *SaveReportMenu, *PrewMenu, *PrintMenu, *FontSetupMenu,
        *OpenTemplateMenu, *SaveTemplateMenu, *EndMenu;
    TMenuItem *RecordsMenu, *FindMenu, *FilterMenu, *OrderMenu, *SendMenu, *ImportMenu;
    TMenuItem *SetupMenu, *NewMenu, *EditMenu, *DelMenu, *CancelMenu, *MailMenu, *PhoneMenu;
    TMenuItem *NastavMenu, *ObnovMenu, *PrintSetupMenu, *InterfaceSetupMenu, *BackMenu, *FilingMenu,
        *AddresCompletionMenu, *LangsMenu, *ChangeUserMenu, *KeyMenu, *NetWizardMenu, *ConnectMenu, *ScrMenu;
    TMenuItem *UlohyMenu, *DelAllQuescions, *ProjectManagerMenu, *OwnersMenu, *PayMenu, *AddEBbankMenu,
        *DownloadPaysMenu;
    TMenuItem *LinksMenu, *CaptureMenu, *AdTaskMenu, *RunLinkMenu;
    TMenuItem* PluginsMenu;
    TMenuItem *PomocnikMenu, *HelpMenuApl, *WebMenu, *AboutMenu;

    // The cool bar and its four tool bars: records, reports, tasks and links, user.
    TPanel* CoolBar1;
    TToolBar *ToolBar1, *ToolBar2, *ToolBar3, *ToolBar4;
    TToolButton *FirstButton, *PriorButton, *NextButton, *LastButton, *InsertButton, *PostButton, *EditButton,
        *CancelButton, *DeleteButton, *FindButton, *FilterButton, *OrderButton, *SplitEnableButton,
        *RefreshButton, *ImportButton, *ExportButton, *SaveAsButton;
    TToolButton *OpenButton, *SaveReportButton, *PreviewButton, *FontButton, *PrintButton, *OpenTemplateButton,
        *SaveTemplateButton;
    TToolButton *DetailButton, *ManagerButton, *OwnersToolButton, *MaxMinToolButton, *PayButton, *CaptureButton,
        *AddToTasklButton, *RunLinkBUtton;
    TToolButton *ChangeUserButon, *KeyButton, *MailButton, *WebButton, *PhoneButton, *ScrToolButton,
        *SetupButton, *HelpButton, *InfoButton, *QuitButton;

    TKvOutlookBar* kvOutlookBar1;
    TKvOutlookBarHeader *Header1, *Header2;
    TOutlookButton *AdresySpeedButton1, *ZostavySpeedButton1, *LinksSpeedButton1, *UlohySpeedButton1;
    TOutlookButton *AddressPrintButton, *TasksPrintButton, *LinksPrintButton, *BackButton, *WizardButton;

    TStatusBar* StatusBar1;
    // Moved by the module windows while they are made and shown (0 to 100); seen meanwhile.
    TProgressBar* ProgressBar1;
    TLabel* FontLabel; // hidden: carries a decoded font style
    TKvPluginLoader* kvPluginLoader1;
    TKvWinMsgDlg* MSGDialog1;

    // ---- life cycle ----
    // The record bar and the tasks and links bar as the settings' system look gives them.
    void ApplyToolBarLook(const SettingsStore::ToolBarLook& look);
    void FormCreate(TComponent* sender);
    // Opens the current user's tables and the last module; runs again after a change of user.
    void FormShow(TComponent* sender);
    void FormCloseQuery(TComponent* sender, bool& canClose);
    void FormClose(TComponent* sender, TCloseAction& action);
    void FormDestroy(TComponent* sender);

    // ---- modules ----
    int ActiveModule() const { return ProgramState().ActiveModule; }
    void SetActiveModule(int module);
    void AdresySpeedButton1Click(TComponent* sender);
    void ZostavySpeedButton1Click(TComponent* sender);
    void UlohySpeedButton1Click(TComponent* sender);
    void LinksSpeedButton1Click(TComponent* sender);
    void OpenModule(int module);
    // Closes the module window; false when it refused to close.
    bool CloseActiveModule();
    // The open module window (nullptr when none or a page without one is open).
    ModuleWindow* Module() const { return module_; }
    AddressBookWindow* AddressBook() const;
    // The form shown in the client area, the empty page of an unregistered module included.
    TForm* ModuleForm() const { return moduleForm_; }

    // ---- commands ----
    // The tool buttons and menu items of each command, and the member of the module's state
    // that turns them on.
    struct CommandControls {
        kvz::Command Command;
        bool RecordBarState::*On;
        std::vector<TControl*> Buttons;
        std::vector<TMenuItem*> Items;
    };
    const std::vector<CommandControls>& CommandTable() const;
    bool CommandOn(kvz::Command command) const;
    // Runs the command when the bars have it on: a dialog the frame opens itself, or the
    // module's own command. A failure is shown; false when the command did not run or failed.
    bool RunCommand(Command command);
    // The state the open module offers in this mode (the bars' state without a module).
    RecordBarState ModuleState() const;
    // Sets every tool button and menu item of a command from the module's state.
    void EnableModuleButtons();
    void ZablokujVsetko() override;
    void FirstButtonClick(TComponent*) { RunCommand(Command::First); }
    void PriorButtonClick(TComponent*) { RunCommand(Command::Prior); }
    void NextButtonClick(TComponent*) { RunCommand(Command::Next); }
    void LastButtonClick(TComponent*) { RunCommand(Command::Last); }
    void InsertButtonClick(TComponent*) { RunCommand(Command::Insert); }
    void EditButtonClick(TComponent*) { RunCommand(Command::Edit); }
    void PostButtonClick(TComponent*) { RunCommand(Command::Post); }
    void CancelButtonClick(TComponent*) { RunCommand(Command::Cancel); }
    void DeleteButtonClick(TComponent*) { RunCommand(Command::Delete); }
    void RefreshButtonClick(TComponent*) { RunCommand(Command::Refresh); }
    void DelAllQuescionsClick(TComponent* sender);

    // ---- services ----
    void LoadToStatusBar(int module);
    // The open module window shows the tables again (after an import or a restore).
    void RefreshActiveModule();
    void ShowBusyAnimation(bool on);
    void RefreshTasks();
    // Tells the companion program that the tasks changed; nothing when it does not run.
    void UpdateTemko() override;
    void SetProgress(int position) override;
    // Starts the companion program of the program folder for the current user; it asks for the
    // table password over its socket. False when it could not be started.
    bool StartTemko();
    // A message from the companion program.
    void TemkoMessage(int message, long wParam, long lParam);
    void ConnectMenuClick(TComponent* sender);
    // Change of user: the module closes, the settings are saved, the user dialog runs, and the
    // new user's tables and last module open.
    void ChangeUserButonClick(TComponent* sender);
    void ChangeUserRuntime();
    void SetHelpFileByLanguage();
    void DownloadPays(int ask) override;
    // The style of the label as a code in FontStyleCode (no label: nothing); and back into
    // FontLabel's style.
    void DefinEfect(TLabel* label);
    void DecodEfect();
    int FontStyleCode = 15;
    void PayFacture(const std::string& file, const std::string& taskType) override;
    void SplitEnableButtonClick(TComponent* sender);
    // Down: the module's filter dialog; up: its filter off.
    void FilterButtonClick(TComponent* sender);
    // The filter dialog closed without OK: the button comes up, which removes the filter.
    void ReleaseFilterButton() override;
    void MaxMinToolButtonClick(TComponent* sender);
    void BackMenuClick(TComponent* sender);
    void FilingMenuClick(TComponent* sender);
    void AddresCompletionMenuClick(TComponent* sender);
    void ObnovMenuClick(TComponent* sender);
    void PhoneButtonClick(TComponent*) { RunCommand(Command::Phone); }
    void MailButtonClick(TComponent*) { RunCommand(Command::Mail); }
    void WebButtonClick(TComponent*) { RunCommand(Command::Web); }
    void ScrToolButtonClick(TComponent* sender);

    // What the data module asks of the frame window.
    void HideSplitEnableButton() override;
    // Sub-projects of the project the task editor names (TaskEditorProjectFilter on), else of
    // the current project.
    void SubProjectTableFilterRecord(TDataSet& dataSet, bool& accept) override;
    bool TaskEditorProjectFilter = false;
    std::string TaskEditorProject;

    // ---- the settings dialog and the network wizard ----
    // The settings dialog, modally, while a module window is open.
    void InterfaceSetupMenuClick(TComponent* sender);
    void NetWizardMenuClick(TComponent* sender);
    // What the settings dialog asks: forwarded to the open module window.
    TColor TargetColor(SetupTarget target) const override;
    void PickColor(SetupTarget target) override;
    void PickFont(SetupTarget target, int maxSize) override;
    void VymenColor(int module) override;
    void VymenFont(int module) override;
    void UlozDoPola(int module) override;
    void ShowSplitEnableButton(bool on) override;
    void EditCategories() override;
    void ApplyEnvelopeFeed(int feed) override;
    void SetEnvelopePosition(int position) override;
    void SetWeekNumbers(bool on) override;
    void ChangeFirstDay(int day) override;
    bool OutlookHasActiveHeader() const override;
    void ApplyOutlookLook(const OutlookLook& look) override;
    void FrameFormShow() override { FormShow(this); }
    // What the network wizard asks.
    void SetNetworkRole(bool clientMode, const std::string& tablePassword) override;
    void ScanUser() override;
    void FormShow() override { FormShow(this); }
    void ActiveModuleFormShow() override;
    void EnableKeyByRole() override;
    void ReadAddressLayoutAgain() override;

    // ---- state ----
    const std::string& HelpFileName() const { return helpFile_; }
    bool FirstStart = false;
    bool OfflineMode = false;
    bool TranslateOnShow = true;
    std::string TablePassword;
    // Failures of the last close, each with its own text.
    std::vector<std::string> CloseErrors;

private:
    template <class T>
    T* Item(TMenuItem* parent, const char* name, const char* caption, void (TMainForm::*handler)(TComponent*) = nullptr);
    TToolButton* Button(TToolBar* bar, const char* name, const char* hint, int image,
                        void (TMainForm::*handler)(TComponent*) = nullptr);
    TOutlookButton* ModuleButton(TKvOutlookBarHeader* header, const char* name, const char* caption, int image,
                                 void (TMainForm::*handler)(TComponent*) = nullptr);
    void BuildMenus();
    void BuildToolBars();
    void BuildOutlookBar();
    void ArrangeToolBars();
    void ChooseTableFolder();
    void ShowOfflineNotice();
    bool OpenTables();
    void BuildServices();
    void BuildCommands();
    // The module's state changed: the bars and the status bar follow.
    void ModuleStateChanged();
    void BuildCommandTable();
    void DeleteRecords();
    void ShowPrintHeader(bool on);
    void Report(const std::exception& error);

    std::string helpFile_ = "kvzirt_e3.hlp";
    std::vector<CommandControls> commands_;
    TForm* moduleForm_ = nullptr;
    ModuleWindow* module_ = nullptr;
    TImageList* recordImages_;
    TImageList* largeImages_;
    TImageList* smallImages_;
    TThemeManager* ThemeManager1 = nullptr;
    TAnimForm* animForm_ = nullptr;
    bool waitCancelled_ = false;
    std::unique_ptr<class CompanionLink> companion_;
};

} // namespace kvz
