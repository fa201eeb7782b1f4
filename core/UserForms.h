// The user dialogs: picking the user and typing the password (TUserForm), making a new user
// (TNewUserForm) and giving the current user's tables a new password (TChangeKeyForm); and the
// frame window's choice of user at start.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kvz {

class FrameServices;
class SettingsStore;
class TDataModule1;
struct FrameState;


// What the user dialogs work on, for the frame window or for the network wizard.
struct UserDialogState {
    std::filesystem::path ListFolder; // where "Users.ini" lies
    // The server is away and the tables are the local copies in the list folder: the list is the
    // users who have copies there, and no user is made and no list written until it is back.
    bool Offline = false;
    bool FirstStart = false;
    // The choice: the frame window's user prefix and table password, or the wizard's user and
    // password while the wizard runs the dialogs.
    std::string UserPrefix;
    std::string TablePassword;
    bool InWizard = false;
    // Set by the wizard: its fourth server option (the existing shared tables) or the Client role.
    bool WizardTakesUser = false;
    // Run by the new-user dialog of the wizard when the name is refused or cancelled.
    std::function<void()> ClearServerOption;
};

class TUserForm : public TForm {
public:
    // Data makes the tables of a new user (none while the wizard runs); frame hides its
    // category button on OK.
    TUserForm(TComponent* owner, UserDialogState& state, TDataModule1* data = nullptr, FrameServices* frame = nullptr);

    TLabel* Label1 = new TLabel(this);
    TComboBox* ComboBox1 = new TComboBox(this);
    TLabel* Label2 = new TLabel(this);
    TEdit* Edit1 = new TEdit(this);
    TButton* SpeedButton1 = new TButton(this);
    TButton* BitBtn2 = new TButton(this);

    bool NewUserCreated = false;

    void LoadUser();
    void SaveUser();
    void FormShow(TComponent* sender);
    void BitBtn2Click(TComponent* sender);
    void SpeedButton1Click(TComponent* sender);
    std::vector<std::string> Names();

private:
    UserDialogState& state_;
    TDataModule1* data_;
    FrameServices* frame_;
};

class TNewUserForm : public TForm {
public:
    // From the user dialog (userForm given) or from the wizard (none).
    TNewUserForm(TComponent* owner, UserDialogState& state, TUserForm* userForm);

    TLabel* Label1 = new TLabel(this);
    TEdit* Edit1 = new TEdit(this);
    TLabel* Label2 = new TLabel(this);
    TEdit* Edit2 = new TEdit(this);
    TLabel* Label3 = new TLabel(this);
    TEdit* Edit3 = new TEdit(this);
    TButton* SpeedButton1 = new TButton(this);
    TButton* BitBtn2 = new TButton(this);
    TButton* BitBtn3 = new TButton(this);

    bool Valid = false;

    void SpeedButton1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);
    // Refuses (message 78) a name that the user list in the folder holds.
    void CompareUser(const std::filesystem::path& folder);

private:
    UserDialogState& state_;
    TUserForm* userForm_;
};

class TChangeKeyForm : public TForm {
public:
    // tablePassword is the frame window's, changed with the tables.
    TChangeKeyForm(TComponent* owner, TDataModule1& data, FrameState& frame, std::string& tablePassword);

    TLabel* Label2 = new TLabel(this);
    TEdit* Edit2 = new TEdit(this);
    TLabel* Label3 = new TLabel(this);
    TEdit* Edit3 = new TEdit(this);
    TButton* SpeedButton1 = new TButton(this);
    TButton* BitBtn3 = new TButton(this);

    void SpeedButton1Click(TComponent* sender);

private:
    TDataModule1& data_;
    FrameState& frame_;
    std::string& tablePassword_;
};

// Runs the user dialog modally: true on OK, with the state's user prefix and password set. At
// the first start the dialog stands at 120, 250.
bool RunUserDialog(UserDialogState& state, TDataModule1* data, FrameServices* frame);

// The frame window's choice of user by the user dialog (at start, and ChangeUserRuntime): on OK
// the frame state's user prefix and the password typed are set and true is returned; a new
// user's tables have been made by then. The list lies in the table folder; in offline mode it
// is the users whose local copies lie there.
bool PickUserByDialog(FrameState& frame, TDataModule1* data, bool firstStart, std::string& tablePassword,
                      bool offline = false);
// The users who have local copies of their tables in the folder, by their address tables.
std::vector<std::string> UsersWithTablesIn(const std::filesystem::path& folder);

// The user at start (the frame window's ScanUser): with the user dialog on (slot 62), the
// dialog (at the first start slot 62 is set to 0); otherwise the first name of "Users.ini" in
// the data folder, or in network mode the network user name (text slot 19), and the dialog
// when that is empty. Sets the frame state's user prefix and the password typed (empty
// without the dialog); the prefix stays empty only when the dialog was cancelled, and then
// the program ends without opening any tables.
void ScanUser(SettingsStore& settings, FrameState& frame, TDataModule1* data, bool firstStart,
              std::string& tablePassword);

// "Change password": the dialog run modally (frame window, KeyButtonClick).
void RunChangeKeyDialog(TDataModule1& data, FrameState& frame, std::string& tablePassword);

} // namespace kvz
