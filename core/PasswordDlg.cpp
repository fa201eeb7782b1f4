#include "core/PasswordDlg.h"

#include "core/Messages.h"
#include "engine/VolgaSession.h"
#include "platform/forms/Dialogs.h"

namespace kvz {

namespace {


enum PasswordText { ptCaption, ptLabel, ptInvalid, ptCount };

// English, Slovak, Czech.
const char* const kPasswordTexts[3][ptCount] = {
    {"Login password", "Enter password:", "Password is invalid. Try again"},
    {"Prihlasovacie heslo", "Zadajte heslo:", "Heslo je neplatné. Skúste znova"},
    {"Přihlašovací heslo", "Zadejte heslo:", "Heslo je neplatné. Zkuste to znovu"},
};

std::string PasswordTextOf(PasswordText which) {
    const int language = Language();
    return kPasswordTexts[language >= 1 && language <= 3 ? language - 1 : 0][which];
}

} // namespace

TPasswordDlg::TPasswordDlg(TComponent* owner) : TForm(owner) {
    SetName("PasswordDlg");
    SetCaption(PasswordTextOf(ptCaption));
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(205, 116);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetWordWrap(true);
    Label1->SetBounds(18, 7, 170, 28);
    Label1->SetCaption(PasswordTextOf(ptLabel));
    Label1->SetFocusControl(PasswordEdit);
    PasswordEdit->SetName("PasswordEdit");
    PasswordEdit->SetParent(this);
    PasswordEdit->SetBounds(18, 45, 170, 21);
    PasswordEdit->SetPasswordChar(U'*');
    PasswordEdit->SetMaxLength(255);
    OKBtn->SetName("OKBtn");
    OKBtn->SetParent(this);
    OKBtn->SetBounds(18, 77, 75, 25);
    OKBtn->SetCaption("OK");
    OKBtn->SetDefault(true);
    OKBtn->SetModalResult(mrOk);
    CancelBtn->SetName("CancelBtn");
    CancelBtn->SetParent(this);
    CancelBtn->SetBounds(113, 77, 75, 25);
    CancelBtn->SetCaption(GetMessageText(MessageId::Cancel));
    CancelBtn->SetCancel(true);
    CancelBtn->SetModalResult(mrCancel);
}

bool TPasswordDlg::Execute(std::string& text) {
    TPasswordDlg dialog(nullptr);
    dialog.PasswordEdit->SetText(text);
    dialog.PasswordEdit->SelectAll();
    dialog.SetActiveControl(dialog.PasswordEdit);
    if (dialog.ShowModal() != mrOk) return false;
    text = dialog.PasswordEdit->Text();
    return true;
}

std::string InvalidPasswordText() { return PasswordTextOf(ptInvalid); }

void InstallPasswordPrompt() {
    VolgaSession().SetPasswordPrompt([](std::string& text) { return TPasswordDlg::Execute(text); });
    // The session tells in English; the user reads it in the program's language.
    VolgaSession().SetMessageShower([](const std::string& message) {
        ShowMessage(message == kPasswordTexts[0][ptInvalid] ? InvalidPasswordText() : message);
    });
}

} // namespace kvz
