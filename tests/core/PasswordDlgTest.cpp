#include "core/Messages.h"
#include "core/PasswordDlg.h"
#include "engine/VolgaSession.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

using testing::FormsTest;

TEST_F(FormsTest, PasswordDialogShowsTheLastTextSelectedAndGivesWhatWasTyped) {
    SetLanguage(1);
    TResponder responder;
    std::string text = "staré";
    responder.OnShowModal = [](TForm& form) {
        auto& dialog = static_cast<TPasswordDlg&>(form);
        EXPECT_EQ(dialog.Caption(), "Login password");
        EXPECT_EQ(dialog.Label1->Caption(), "Enter password:");
        EXPECT_EQ(dialog.PasswordEdit->Text(), "staré");
        EXPECT_EQ(dialog.PasswordEdit->SelLength(), 5); // typing replaces it
        EXPECT_EQ(dialog.PasswordEdit->PasswordChar(), U'*');
        EXPECT_EQ(dialog.PasswordEdit->MaxLength(), 255);
        dialog.PasswordEdit->SetText("nové");
        EXPECT_TRUE(dialog.PressDefaultButton());
        return mrNone;
    };
    EXPECT_TRUE(TPasswordDlg::Execute(text));
    EXPECT_EQ(text, "nové");
    responder.OnShowModal = [](TForm& form) {
        static_cast<TPasswordDlg&>(form).PasswordEdit->SetText("iné");
        EXPECT_TRUE(form.PressCancelButton());
        return mrNone;
    };
    EXPECT_FALSE(TPasswordDlg::Execute(text));
    EXPECT_EQ(text, "nové");
}

TEST_F(FormsTest, ATableOfAnotherUserOpensWithThePasswordTypedAfterAWrongOne) {
    TempFolder dir;
    {
        TVolgaTable t;
        t.FieldDefs().Add("Number", ftString, 8);
        t.Open();
        t.AppendRecord({Variant("0000abcd")});
        t.SetPassword("Erika 7");
        t.SaveToFile(dir.path() / "Erika_address.d");
        t.SetPassword("");
    }
    // This run knows no password yet.
    const std::vector<std::string> known = VolgaSession().Passwords();
    for (const std::string& password : known) VolgaSession().RemovePassword(password);
    InstallPasswordPrompt();
    SetLanguage(2);
    TResponder responder;
    std::vector<std::string> typed = {"erika", "Erika 7"};
    responder.OnShowModal = [&](TForm& form) {
        auto& dialog = static_cast<TPasswordDlg&>(form);
        EXPECT_EQ(dialog.Caption(), "Prihlasovacie heslo");
        dialog.PasswordEdit->SetText(typed.front());
        typed.erase(typed.begin());
        return mrOk;
    };
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    TVolgaTable t;
    t.SetTableName((dir.path() / "Erika_address.d").string());
    t.Open();
    SetLanguage(1);
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_TRUE(typed.empty());
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Heslo je neplatné. Skúste znova");
    t.Close();
    VolgaSession().RemovePassword("Erika 7");
    for (const std::string& password : known) VolgaSession().AddPassword(password);
    VolgaSession().SetPasswordPrompt(nullptr);
    VolgaSession().SetMessageShower(nullptr);
}

TEST_F(FormsTest, PasswordDialogInThreeLanguages) {
    const char* const names[] = {"", "PasswordDlg_en", "PasswordDlg_sk", "PasswordDlg_cz"};
    const char* const cancel[] = {"", "Cancel", "Zrušiť", "Zrušit"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        TPasswordDlg dialog(nullptr);
        EXPECT_EQ(dialog.CancelBtn->Caption(), cancel[language]);
        dialog.PasswordEdit->SetText("tajné");
        const QImage image = testing::Render(dialog, names[language]);
        EXPECT_GE(image.width(), 205);
    }
    SetLanguage(1);
}

} // namespace
} // namespace kvz
