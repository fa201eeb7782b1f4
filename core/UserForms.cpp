#include "core/UserForms.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "core/Users.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysInfo.h"

#include <algorithm>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kUserHelpContext = 55, kNewUserHelpContext = 53, kChangeKeyHelpContext = 56;

void SetHelpFileBySettings() {
    if (const SettingsStore* settings = CurrentSettings())
        Application().SetHelpFile(HelpFileName(settings->Nastavenia[Slot::Language]));
}

void SetUpDialog(TForm* form, const char* name, int helpContext, int width, int height) {
    form->SetName(name);
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    form->SetPosition(TPosition::poScreenCenter);
    form->SetHelpContext(helpContext);
    form->SetKeyPreview(true);
    form->SetClientSize(width, height);
}

// A label over its edit, the edit at top + 18.
void PlaceRow(TLabel* label, const char* labelName, TWinControl* edit, const char* editName, TForm* form, int top,
              int width) {
    label->SetName(labelName);
    label->SetParent(form);
    label->SetBounds(12, top, 120, 16);
    label->SetFocusControl(edit);
    edit->SetName(editName);
    edit->SetParent(form);
    edit->SetBounds(12, top + 18, width, 23);
}

void PlacePasswordRow(TLabel* label, const char* labelName, TEdit* edit, const char* editName, TForm* form, int top) {
    PlaceRow(label, labelName, edit, editName, form, top, 190);
    edit->SetPasswordChar(U'*');
    edit->SetMaxLength(kMaxPasswordLength);
}

void PlaceButton(TButton* button, TForm* form, const char* name, int left, int top, int width = 92) {
    button->SetName(name);
    button->SetParent(form);
    button->SetBounds(left, top, width, 27);
}

void PlaceOkButton(TButton* button, TForm* form, int left, const std::function<void(TComponent*)>& click) {
    PlaceButton(button, form, "SpeedButton1", left, 28);
    button->SetCaption("OK");
    button->SetDefault(true);
    button->OnClick = click;
}

} // namespace

// ---- the user dialog ----

TUserForm::TUserForm(TComponent* owner, UserDialogState& state, TDataModule1* data, FrameServices* frame)
    : TForm(owner), state_(state), data_(data), frame_(frame) {
    SetUpDialog(this, "UserForm", kUserHelpContext, 314, 132);
    PlaceRow(Label1, "Label1", ComboBox1, "ComboBox1", this, 12, 190);
    PlacePasswordRow(Label2, "Label2", Edit1, "Edit1", this, 62);
    PlaceOkButton(SpeedButton1, this, 212, [this](TComponent* s) { SpeedButton1Click(s); });
    PlaceButton(BitBtn2, this, "BitBtn2", 212, 78);
    BitBtn2->OnClick = [this](TComponent* s) { BitBtn2Click(s); };
    OnCreate = [](TComponent*) { SetHelpFileBySettings(); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    ApplyCaptions(*this, "TUserForm", Language());
}

std::vector<std::string> TUserForm::Names() {
    std::vector<std::string> names;
    for (int i = 0; i < ComboBox1->Items().Count(); ++i) names.push_back(ComboBox1->Items()[i]);
    return names;
}

void TUserForm::LoadUser() {
    ComboBox1->Items().Clear();
    const std::vector<std::string> names =
        state_.Offline ? UsersWithTablesIn(state_.ListFolder) : ReadUserList(state_.ListFolder);
    for (const std::string& name : names) ComboBox1->Items().Add(name);
}

void TUserForm::SaveUser() {
    if (!state_.Offline) WriteUserList(state_.ListFolder, Names());
}

void TUserForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TUserForm", Language());
    LoadUser();
    const std::vector<std::string> names = Names();
    // Without the server only the users with local copies can work, and none can be made.
    BitBtn2->SetEnabled(!state_.Offline);
    if (state_.Offline) ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    if (names.empty() && !state_.Offline) {
        BitBtn2Click(BitBtn2);
        return;
    }
    int chosen = 0;
    const std::string logon = GetWindowsUserName();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == logon) chosen = int(i);
    ComboBox1->SetItemIndex(chosen);
    SetActiveControl(Edit1);
}

void TUserForm::BitBtn2Click(TComponent*) {
    NewUserCreated = false;
    TNewUserForm dialog(this, state_, this);
    if (state_.FirstStart) {
        dialog.SetPosition(TPosition::poDesigned);
        dialog.SetLeft(120);
        dialog.SetTop(250);
    }
    dialog.ShowModal();
}

void TUserForm::SpeedButton1Click(TComponent*) {
    if (frame_) frame_->HideSplitEnableButton();
    if (state_.InWizard) {
        const std::string name = TrimUserName(ComboBox1->Text());
        if (state_.WizardTakesUser) {
            state_.UserPrefix = name;
            state_.TablePassword = CutPassword(Edit1->Text());
        }
        SetModalResult(mrOk);
        return;
    }
    if (!NewUserCreated) {
        // A listed name is taken as the list spells it (its files are named so); a typed one
        // names files as a new one would.
        std::string name = TrimUserName(ComboBox1->Text());
        for (const std::string& listed : Names())
            if (SameUserName(listed, name)) name = listed;
        const std::string fault = NewUserNameFault(name, {}, state_.ListFolder);
        if (!fault.empty()) {
            ShowMessage(fault);
            return;
        }
        state_.UserPrefix = name;
        state_.TablePassword = CutPassword(Edit1->Text());
        SaveUser();
    } else if (data_) {
        CreateUserTables(*data_, state_.ListFolder, state_.UserPrefix, state_.TablePassword);
    }
    SetModalResult(mrOk);
}

// ---- the new-user dialog ----

TNewUserForm::TNewUserForm(TComponent* owner, UserDialogState& state, TUserForm* userForm)
    : TForm(owner), state_(state), userForm_(userForm) {
    SetUpDialog(this, "NewUserForm", kNewUserHelpContext, 320, 178);
    PlaceRow(Label1, "Label1", Edit1, "Edit1", this, 12, 190);
    PlacePasswordRow(Label2, "Label2", Edit2, "Edit2", this, 62);
    PlacePasswordRow(Label3, "Label3", Edit3, "Edit3", this, 112);
    PlaceOkButton(SpeedButton1, this, 216, [this](TComponent* s) { SpeedButton1Click(s); });
    PlaceButton(BitBtn2, this, "BitBtn2", 216, 78);
    BitBtn2->OnClick = [this](TComponent*) { Application().HelpContext(Application().HelpFile(), kNewUserHelpContext); };
    PlaceButton(BitBtn3, this, "BitBtn3", 216, 128);
    BitBtn3->SetCancel(true);
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    SetHelpFileBySettings();
    Edit1->SetText(GetWindowsUserName());
    ApplyCaptions(*this, "TNewUserForm", Language());
}

void TNewUserForm::SpeedButton1Click(TComponent*) {
    const std::string name = TrimUserName(Edit1->Text());
    Valid = true;
    if (name.empty()) {
        ShowMessage(GetMessageText(MessageId::EnterName));
        Valid = false;
    } else if (Edit2->Text() != Edit3->Text()) {
        ShowMessage(GetMessageText(MessageId::WrongPassword));
        Valid = false;
    }
    if (Valid && userForm_) {
        const std::string fault = NewUserNameFault(name, userForm_->Names(), state_.ListFolder);
        if (!fault.empty()) {
            ShowMessage(fault);
            Valid = false;
        }
    } else if (Valid) {
        CompareUser(state_.ListFolder);
    }
    // What was typed stays for a correction.
    if (!Valid) return;
    const std::string password = CutPassword(Edit3->Text());
    state_.UserPrefix = name;
    state_.TablePassword = password;
    if (userForm_) {
        userForm_->ComboBox1->Items().Add(name);
        userForm_->ComboBox1->SetItemIndex(userForm_->ComboBox1->Items().Count() - 1);
        userForm_->Edit1->SetText(password);
        userForm_->SaveUser();
        userForm_->NewUserCreated = true;
    }
    if (SettingsStore* settings = CurrentSettings()) settings->Nastavenia[Slot::Categories] = 0;
    SetModalResult(mrOk);
}

void TNewUserForm::CompareUser(const std::filesystem::path& folder) {
    const std::string fault = NewUserNameFault(TrimUserName(Edit1->Text()), ReadUserList(folder), folder);
    if (fault.empty()) return;
    Valid = false;
    ShowMessage(fault);
    if (state_.ClearServerOption) state_.ClearServerOption();
}

void TNewUserForm::BitBtn3Click(TComponent*) {
    if (!userForm_ && state_.ClearServerOption) state_.ClearServerOption();
    SetModalResult(mrCancel);
}

// ---- the password dialog ----

TChangeKeyForm::TChangeKeyForm(TComponent* owner, TDataModule1& data, FrameState& frame, std::string& tablePassword)
    : TForm(owner), data_(data), frame_(frame), tablePassword_(tablePassword) {
    SetUpDialog(this, "ChangeKeyForm", kChangeKeyHelpContext, 320, 128);
    PlacePasswordRow(Label2, "Label2", Edit2, "Edit2", this, 12);
    PlacePasswordRow(Label3, "Label3", Edit3, "Edit3", this, 62);
    PlaceOkButton(SpeedButton1, this, 216, [this](TComponent* s) { SpeedButton1Click(s); });
    PlaceButton(BitBtn3, this, "BitBtn3", 216, 78);
    BitBtn3->SetCaption(GetMessageText(MessageId::Cancel));
    BitBtn3->SetCancel(true);
    BitBtn3->SetModalResult(mrCancel);
    SetHelpFileBySettings();
    ApplyCaptions(*this, "TChangeKeyForm", Language());
}

void TChangeKeyForm::SpeedButton1Click(TComponent*) {
    if (Edit2->Text() != Edit3->Text()) {
        ShowMessage(GetMessageText(MessageId::WrongPassword));
        return;
    }
    const std::string password = CutPassword(Edit2->Text());
    try {
        ChangeTablePasswords(data_, frame_, password);
    } catch (const PasswordChangeLeftUnderWay& e) {
        ShowMessage(e.what());
        return;
    } catch (const std::exception& e) {
        ShowMessage(std::string(InLanguage({"The password was not changed; every table keeps its old password.",
                                            "Heslo sa nezmenilo; všetky tabuľky majú pôvodné heslo.",
                                            "Heslo se nezměnilo; všechny tabulky mají původní heslo."})) +
                    "\n" + e.what());
        return;
    }
    tablePassword_ = password;
    SetModalResult(mrOk);
}

// ---- the frame window's calls ----

bool RunUserDialog(UserDialogState& state, TDataModule1* data, FrameServices* frame) {
    TUserForm dialog(nullptr, state, data, frame);
    if (state.FirstStart) {
        dialog.SetPosition(TPosition::poDesigned);
        dialog.SetLeft(120);
        dialog.SetTop(250);
    }
    return dialog.ShowModal() == mrOk;
}

std::vector<std::string> UsersWithTablesIn(const fs::path& folder) {
    const std::string suffix = TableSuffix(TableId::Address);
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= suffix.size() || !it->is_regular_file(ec)) continue;
        const std::string prefix = file.substr(0, file.size() - suffix.size());
        // Table files are found without regard to case, as the table folder finds them.
        if (SameUserName(file.substr(prefix.size()), suffix) && NewUserNameFault(prefix, {}, folder).empty())
            names.push_back(prefix);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool PickUserByDialog(FrameState& frame, TDataModule1* data, bool firstStart, std::string& tablePassword,
                      bool offline) {
    UserDialogState state;
    state.ListFolder = frame.TableFolder;
    state.Offline = offline;
    state.FirstStart = firstStart;
    if (!RunUserDialog(state, data, frame.Frame)) return false;
    frame.UserPrefix = state.UserPrefix;
    tablePassword = state.TablePassword;
    return true;
}

void ScanUser(SettingsStore& settings, FrameState& frame, TDataModule1* data, bool firstStart,
              std::string& tablePassword) {
    if (settings.Nastavenia[Slot::UserDialogAtStart] == 1) {
        if (firstStart) settings.Nastavenia[Slot::UserDialogAtStart] = 0;
        PickUserByDialog(frame, data, firstStart, tablePassword);
        return;
    }
    frame.UserPrefix = StartUserName(frame.DataFolder, frame.NetworkMode, settings.NastaveniaText[TextSlot::NetworkUser]);
    tablePassword.clear();
    // Tables are named by the user: with no name to take, the user dialog asks for one.
    if (frame.UserPrefix.empty()) PickUserByDialog(frame, data, firstStart, tablePassword);
}

void RunChangeKeyDialog(TDataModule1& data, FrameState& frame, std::string& tablePassword) {
    TChangeKeyForm dialog(nullptr, data, frame, tablePassword);
    dialog.ShowModal();
}

} // namespace kvz
