// The password dialog of the tables: the session asks with it for the password of a table it
// does not know yet (another user's send-to table, a backup), and tells with a plain box that
// a typed password did not fit.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <string>

namespace kvz {

class TPasswordDlg : public TForm {
public:
    explicit TPasswordDlg(TComponent* owner);

    TLabel* Label1 = new TLabel(this);
    TEdit* PasswordEdit = new TEdit(this);
    TButton* OKBtn = new TButton(this);
    TButton* CancelBtn = new TButton(this);

    // Shows the dialog with the text typed last, all of it selected; true with the typed text
    // on OK.
    static bool Execute(std::string& text);
};

// "Password is invalid. Try again" in the program's language.
std::string InvalidPasswordText();

// Makes the dialog the session's prompt and a plain message box its way to tell that a
// password did not fit.
void InstallPasswordPrompt();

} // namespace kvz
