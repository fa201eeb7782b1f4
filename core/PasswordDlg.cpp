#include "core/PasswordDlg.h"

#include "core/Languages.h"
#include "core/Messages.h"
#include "engine/VolgaSession.h"
#include "platform/forms/Dialogs.h"

namespace kvz {

namespace {

// The session's refusal of a password in English, Slovak and Czech (the session speaks English).
const char* const kInvalidPasswordTexts[3] = {"Password is invalid. Try again", "Heslo je neplatné. Skúste znova",
                                              "Heslo je neplatné. Zkuste to znovu"};

} // namespace

TPasswordDlg::TPasswordDlg(TComponent* owner) : TForm(owner) {
    SetName("PasswordDlg");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(205, 116);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetWordWrap(true);
    Label1->SetBounds(18, 7, 170, 28);
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
    ApplyCaptions(*this, "TPasswordDlg", Language());
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

std::string InvalidPasswordText() {
    const int language = Language();
    return kInvalidPasswordTexts[language >= 1 && language <= 3 ? language - 1 : 0];
}

void InstallPasswordPrompt() {
    VolgaSession().SetPasswordPrompt([](std::string& text) { return TPasswordDlg::Execute(text); });
    // The session tells in English; the user reads it in the program's language.
    VolgaSession().SetMessageShower([](const std::string& message) {
        ShowMessage(message == kInvalidPasswordTexts[0] ? InvalidPasswordText() : message);
    });
}

} // namespace kvz
