#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "core/UserForms.h"
#include "core/Users.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

// A frame window's state over a temporary table folder, its settings current.
class UserFormsTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        frame.DataFolder = frame.TableFolder = dir.path();
        frame.Settings = &settings;
        frame.Locks = &locks;
        SetCurrentSettings(&settings);
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    }
    void TearDown() override {
        SetCurrentSettings(nullptr);
        SetLanguage(2);
    }
    // Answers the new-user dialog with a name and a password typed twice, then the user dialog
    // by checking it and pressing OK.
    void AnswerNewUser(const std::string& name, const std::string& password,
                       std::function<void(TUserForm&)> check = nullptr) {
        responder.OnShowModal = [=](TForm& form) {
            if (auto* newUser = dynamic_cast<TNewUserForm*>(&form)) {
                newUser->Edit1->SetText(name);
                newUser->Edit2->SetText(password);
                newUser->Edit3->SetText(password);
                newUser->SpeedButton1->Click();
                return mrNone;
            }
            auto& user = static_cast<TUserForm&>(form);
            if (check) check(user);
            user.SpeedButton1->Click();
            return mrNone;
        };
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : responder.MessageBoxes) texts.push_back(box.Text);
        return texts;
    }
    TempFolder dir;
    SettingsStore settings;
    TTableLocks locks;
    FrameState frame;
    std::unique_ptr<TDataModule1> data;
    TResponder responder;
};

TEST_F(UserFormsTest, AFirstUserIsCreatedWithSevenTablesAndListed) {
    // An empty list opens the new-user dialog at once; its OK lists the name and fills in the
    // password, and the user dialog's OK makes the tables.
    UserDialogState state;
    state.ListFolder = dir.path();
    AnswerNewUser("  Eva ", "tajné-heslo", [](TUserForm& user) {
        EXPECT_TRUE(user.NewUserCreated);
        EXPECT_EQ(user.ComboBox1->Text(), "Eva");
        EXPECT_EQ(user.Edit1->Text(), "tajné-he");
    });
    ASSERT_TRUE(RunUserDialog(state, data.get(), nullptr));
    EXPECT_EQ(state.UserPrefix, "Eva");
    EXPECT_EQ(state.TablePassword, "tajné-he");
    EXPECT_EQ(ReadUserList(dir.path()), std::vector<std::string>{"Eva"});
    for (TableId id : kAllTables) {
        EXPECT_TRUE(fs::exists(dir.path() / ("Eva" + std::string(TableSuffix(id))))) << TableSuffix(id);
        EXPECT_EQ(data->TableOf(id)->Password(), "tajné-he");
    }
    EXPECT_EQ(settings.Nastavenia[Slot::Categories], 0);
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(UserFormsTest, ANewUserWhoseTablesAreThereOpensThemAndLosesNothing) {
    {
        frame.UserPrefix = "Eva";
        TDataModule1 earlier(frame);
        earlier.DataModuleCreate();
        earlier.OpenAllTables("heslo");
        TVolgaTable& owners = *earlier.OwnersTable;
        locks.WriteSharedTable(owners, {}, false, kRecordCommandPoll, [&] {
            owners.Append();
            owners.FieldByName("OwnerName").SetAsString("Peter");
            owners.Post();
        });
    }
    UserDialogState state;
    state.ListFolder = dir.path();
    AnswerNewUser("Eva", "heslo");
    ASSERT_TRUE(RunUserDialog(state, data.get(), nullptr));
    EXPECT_TRUE(data->OwnersTable->Locate("OwnerName", Variant(std::string("Peter")), 0));
}

TEST_F(UserFormsTest, RefusedNewUsersAndTypedNamesKeepTheDialogOpen) {
    WriteUserList(dir.path(), {"Anna", "Petra"});
    UserDialogState state;
    state.ListFolder = dir.path();
    TUserForm user(nullptr, state, data.get());
    user.LoadUser();
    TNewUserForm dialog(nullptr, state, &user);
    struct Case {
        const char *name, *password, *retype;
        int message; // 0: the text of its own for unsafe names
    } cases[] = {{"", "a", "b", 77}, {"anna", "x", "x", 78}, {"Jano", "x", "y", 76}, {"../Jano", "", "", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        responder.MessageBoxes.clear();
        dialog.Edit1->SetText(c.name);
        dialog.Edit2->SetText(c.password);
        dialog.Edit3->SetText(c.retype);
        dialog.SpeedButton1->Click();
        EXPECT_FALSE(dialog.Valid);
        ASSERT_EQ(responder.MessageBoxes.size(), 1u); // one message, once
        if (c.message) {
            EXPECT_EQ(responder.MessageBoxes[0].Text, GetMessageText(c.message));
        }
        EXPECT_EQ(dialog.Edit1->Text(), c.name); // what was typed stays
    }
    EXPECT_EQ(user.ComboBox1->Items().Count(), 2);
    EXPECT_TRUE(state.UserPrefix.empty());

    // A name typed into the user dialog is checked as a new one would be.
    responder.MessageBoxes.clear();
    user.ComboBox1->SetText(".hidden");
    user.SpeedButton1Click(nullptr);
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_TRUE(state.UserPrefix.empty());
}

TEST_F(UserFormsTest, ScanUserByDialogListOrNetworkName) {
    WriteUserList(dir.path(), {"Anna", "Petra"});
    std::string password = "x";
    settings.Nastavenia[Slot::UserDialogAtStart] = 0;
    ScanUser(settings, frame, data.get(), false, password);
    EXPECT_EQ(frame.UserPrefix, "Anna");
    EXPECT_EQ(password, "");
    frame.NetworkMode = true;
    settings.NastaveniaText[19] = "Server Jano";
    ScanUser(settings, frame, data.get(), false, password);
    EXPECT_EQ(frame.UserPrefix, "Server Jano");
    frame.NetworkMode = false;

    // First start: the dialog at its designed place and no leftover box; the dialog is off
    // afterwards.
    settings.Nastavenia[Slot::UserDialogAtStart] = 1;
    responder.OnShowModal = [&](TForm& form) {
        auto& user = static_cast<TUserForm&>(form);
        EXPECT_EQ(user.Left(), 120);
        EXPECT_EQ(user.Top(), 250);
        user.ComboBox1->SetText("petra "); // typed, as the list does not spell it
        user.Edit1->SetText("heslo");
        user.SpeedButton1->Click();
        return mrNone;
    };
    ScanUser(settings, frame, data.get(), true, password);
    EXPECT_EQ(frame.UserPrefix, "Petra");
    EXPECT_EQ(password, "heslo");
    EXPECT_EQ(settings.Nastavenia[Slot::UserDialogAtStart], 0);
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(UserFormsTest, OfflineTheListIsTheUsersWithLocalCopiesAndNothingIsMade) {
    // The server's list is out of reach; the local copies hold the tables of two users.
    const fs::path copies = dir.path() / "TempData";
    fs::create_directories(copies);
    for (const char* file : {"Jano_address.d", "Jano_tasks.d", "Eva_ADDRESS.d", "Eva_tasks.d", "Jano_address.d.bak",
                             "_address.d", "Peter_links.d"})
        WriteFileDurably(copies / file, "");
    fs::create_directories(copies / "Dir_address.d");
    EXPECT_EQ(UsersWithTablesIn(copies), (std::vector<std::string>{"Eva", "Jano"}));

    frame.TableFolder = copies;
    frame.UserPrefix = "Jano";
    int shown = 0;
    responder.OnShowModal = [&](TForm& form) {
        ++shown;
        auto* user = dynamic_cast<TUserForm*>(&form);
        if (!user) {
            ADD_FAILURE() << "a new user offered offline";
            return mrCancel;
        }
        EXPECT_EQ(user->Names(), (std::vector<std::string>{"Eva", "Jano"}));
        EXPECT_FALSE(user->BitBtn2->Enabled());
        user->ComboBox1->SetItemIndex(0);
        user->Edit1->SetText("heslo");
        user->SpeedButton1->Click();
        return mrNone;
    };
    std::string password;
    ASSERT_TRUE(PickUserByDialog(frame, data.get(), false, password, true));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(frame.UserPrefix, "Eva");
    EXPECT_EQ(password, "heslo");
    EXPECT_FALSE(fs::exists(copies / "Users.ini"));
}

TEST_F(UserFormsTest, AStartWithNoNameAsksForOneAndEscapeMakesNoTables) {
    // No user list and the dialog off, or the dialog on: Escape in every dialog leaves no user,
    // and no table without a name ("_address.d") is made.
    for (int dialogSlot : {0, 1}) {
        settings.Nastavenia[Slot::UserDialogAtStart] = dialogSlot;
        std::vector<std::string> shown;
        responder.OnShowModal = [&](TForm& form) {
            shown.push_back(form.Name());
            return mrCancel;
        };
        std::string password = "x";
        frame.UserPrefix.clear();
        ScanUser(settings, frame, data.get(), true, password);
        EXPECT_NE(std::find(shown.begin(), shown.end(), "UserForm"), shown.end()) << dialogSlot;
        EXPECT_EQ(frame.UserPrefix, "") << dialogSlot;
        for (TableId table : kAllTables) EXPECT_FALSE(std::filesystem::exists(dir.path() / TableSuffix(table))) << dialogSlot;
    }
    // A name typed there is the user, with the tables made for it.
    settings.Nastavenia[Slot::UserDialogAtStart] = 0;
    AnswerNewUser("Eva", "");
    std::string password;
    ScanUser(settings, frame, data.get(), false, password);
    EXPECT_EQ(frame.UserPrefix, "Eva");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Eva_address.d"));
}

TEST_F(UserFormsTest, ChangeKeyDialogChangesTheSevenTablesOnlyWhenBothEntriesAgree) {
    frame.UserPrefix = "Jano";
    data->OpenAllTables("old");
    std::string tablePassword = "old";
    TChangeKeyForm dialog(nullptr, *data, frame, tablePassword);
    dialog.Edit2->SetText("new");
    dialog.Edit3->SetText("neu");
    dialog.SpeedButton1->Click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{GetMessageText(MessageId::WrongPassword)});
    EXPECT_EQ(tablePassword, "old");
    EXPECT_EQ(data->AddressTable->Password(), "old");
    dialog.Edit3->SetText("new");
    dialog.SpeedButton1->Click();
    EXPECT_EQ(tablePassword, "new");
    for (TableId id : kAllTables) EXPECT_EQ(data->TableOf(id)->Password(), "new");
}

TEST_F(UserFormsTest, ChangePasswordFollowsTheRoleOnEveryChangeOfMode) {
    TForm frameWindow(nullptr);
    auto* key = new TButton(&frameWindow);
    key->SetName("KeyButton");
    auto* menu = new TMenuItem(&frameWindow);
    menu->SetName("KeyMenu");
    EnableKeyByRole(frameWindow, true, true);
    EXPECT_FALSE(key->Enabled());
    EXPECT_FALSE(menu->Enabled());
    EnableKeyByRole(frameWindow, false, true); // from client to local mode
    EXPECT_TRUE(key->Enabled());
    EXPECT_TRUE(menu->Enabled());
    EnableKeyByRole(frameWindow, true, false);
    EXPECT_TRUE(key->Enabled());
}

// Every button shows its whole caption.
void ExpectCaptionsFit(TForm& form) {
    for (int i = 0; i < form.ComponentCount(); ++i)
        if (auto* button = dynamic_cast<TButton*>(form.Components(i))) {
            EXPECT_LE(button->Widget()->sizeHint().width(), button->Width()) << button->Caption();
        }
}

TEST_F(UserFormsTest, DialogsInThreeLanguages) {
    WriteUserList(dir.path(), {"Anna", "Ľudmila Nováková"});
    frame.UserPrefix = "Jano";
    data->OpenAllTables("");
    const char* const codes[] = {"", "en", "sk", "cz"};
    const char* const titles[] = {"", "Select user name", "Vyberte meno užívateľa", "Vyberte jméno uživatele"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        const std::string code = codes[language];
        UserDialogState state;
        state.ListFolder = dir.path();
        TUserForm user(nullptr, state, data.get());
        user.FormShow(nullptr);
        EXPECT_EQ(user.Caption(), titles[language]);
        EXPECT_EQ(user.ComboBox1->Text(), "Anna");
        user.Edit1->SetText("heslo");
        testing::Render(user, "UserForm_" + code);
        ExpectCaptionsFit(user);
        TNewUserForm newUser(nullptr, state, &user);
        newUser.Edit1->SetText("Ľudmila Nováková");
        newUser.Edit2->SetText("heslo");
        testing::Render(newUser, "NewUserForm_" + code);
        ExpectCaptionsFit(newUser);
        std::string password;
        TChangeKeyForm changeKey(nullptr, *data, frame, password);
        EXPECT_EQ(changeKey.BitBtn3->Caption(), GetMessageText(MessageId::Cancel));
        testing::Render(changeKey, "ChangeKeyForm_" + code);
        ExpectCaptionsFit(changeKey);
        // Without the server: the users with local copies, and no new one.
        fs::create_directories(dir.path() / "TempData");
        for (const char* file : {"Jano_address.d", "Ľudmila Nováková_address.d"})
            WriteFileDurably(dir.path() / "TempData" / file, "");
        UserDialogState offline;
        offline.ListFolder = dir.path() / "TempData";
        offline.Offline = true;
        TUserForm away(nullptr, offline, data.get());
        away.FormShow(nullptr);
        testing::Render(away, "UserFormOffline_" + code);
    }
}

} // namespace
} // namespace kvz
