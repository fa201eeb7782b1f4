// The network set-up wizard: the computer's role in a network (server, client or local) and the
// move of the user's seven tables that goes with it. The finish is a plain routine that tests
// drive without the window.
#pragma once

#include "controls/PageMngr.h"
#include "controls/ToolEdit.h"
#include "core/ModuleServices.h"
#include "core/UserForms.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <string>

namespace kvz {

class TDataModule1;

inline constexpr const char* kSharedFolderName = "KvZirtData";

enum WizardRole { wrNone = -1, wrServer = 0, wrClient = 1, wrLocal = 2 };
// The server options of page 1.
enum ServerOption { soNone = -1, soNewTables = 0, soCopyActive = 1, soCopyOther = 2, soUseExisting = 3 };

// What the frame window does for the wizard.
class WizardFrameServices {
public:
    virtual ~WizardFrameServices() = default;
    // The frame window's own flags: client mode and the table password; it also leaves the
    // offline state and takes the help file of the language.
    virtual void SetNetworkRole(bool clientMode, const std::string& tablePassword) = 0;
    // Resets the module state (ZablokujVsetko).
    virtual void ZablokujVsetko() = 0;
    // Picks the user again (ScanUser): sets the frame state's user prefix and its password.
    virtual void ScanUser() = 0;
    // The frame window's show handler: opens the seven tables and shows the module again.
    virtual void FormShow() = 0;
    // The active module window's show handler (the address book also re-applies its sort order).
    virtual void ActiveModuleFormShow() = 0;
    // The rights of the role (EnableKeyByRole).
    virtual void EnableKeyByRole() = 0;
    // The address book reads its user-defined field layout again when it is next shown: the
    // wizard may have brought other tables.
    virtual void ReadAddressLayoutAgain() = 0;
};

// What the pages chose.
struct WizardChoice {
    int Role = wrNone;
    int Option = soNone;
    std::filesystem::path ServerFolder; // the shared folder of this computer
    std::filesystem::path SharedFolder; // a client's folder on the server
    std::string User, Password;         // the shared tables' prefix and password
    std::filesystem::path SourceFolder; // soCopyOther: the other database
    std::string SourceUser, SourcePassword;
};

// The shared folder of this computer: the shared documents folder's "KvZirtData".
std::filesystem::path ServerFolderPath();
// Adds the name to the folder's "Users.ini" unless it is listed already.
void AddNetworkUser(const std::filesystem::path& folder, const std::string& name);
// Moves the tables as chosen and switches the program to the role. The settings are saved
// only once the new tables are open; when they cannot be, the program's state and settings
// stay as they were and the frame window opens the old tables again, and the error passes on.
void FinishNetworkSetup(const WizardChoice& choice, FrameState& frame, TDataModule1& data,
                        WizardFrameServices& frameWindow);

// The summary of the confirm page.
std::string WizardSummary(const WizardChoice& choice, const std::filesystem::path& dataFolder, int language);

class TWizardForm : public TForm {
public:
    TWizardForm(TComponent* owner, FrameState& frame, TDataModule1& data, WizardFrameServices& frameWindow);

    TPageControl* Notebook1;
    TTabSheet *TypPC, *SourceData, *ConfirmPage;
    TPageManager* PageManager1;
    TLabel *Label1, *Label16;
    TRadioGroup* RadioGroup1;
    TPanel* ServerDataPanel;
    TLabel* Label2;
    TRadioGroup* RadioGroup2;
    TPanel* ClientDataPanel;
    TLabel *Label3, *Label4, *Label5, *Label9;
    TDirectoryEdit* DirectoryEdit1;
    TComboEdit* ComboEdit1;
    TLabel* Label8;
    TButton* Button3;
    TButton *BitBtn2, *Button2, *Button1, *BitBtn1;

    WizardChoice Choice;
    UserDialogState UserState;

    void FormShow(TComponent* sender);
    void FormClose(TComponent* sender);
    void RadioGroup2Click(TComponent* sender);
    void ComboEdit1ButtonClick(TComponent* sender);
    void PageManager1GetPriorPage(int current, int& newPage);
    void PageManager1PageChanged(TComponent* sender);
    void Button3Click(TComponent* sender);
    void BitBtn2Click(TComponent* sender);

private:
    // The choice on the pages as the finish reads it.
    void ReadPages();
    bool RunNewUser();
    bool RunUserDialog(const std::filesystem::path& folder);

    FrameState& frame_;
    TDataModule1& data_;
    WizardFrameServices& frameWindow_;
};

} // namespace kvz
