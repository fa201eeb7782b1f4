#include "core/NetWizard.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "core/Users.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kvz {
namespace {

namespace fs = std::filesystem;

// The frame window as the wizard sees it: its show handler opens the seven tables again.
struct FakeFrame : WizardFrameServices {
    FrameState* frame = nullptr;
    TDataModule1* data = nullptr;
    std::vector<std::string> calls;
    std::string password;
    bool client = false;
    void SetNetworkRole(bool clientMode, const std::string& tablePassword) override {
        client = clientMode;
        password = tablePassword;
    }
    void ZablokujVsetko() override { calls.push_back("reset"); }
    void ScanUser() override {
        calls.push_back("scan user");
        frame->UserPrefix = "Jano";
    }
    void FormShow() override {
        calls.push_back("show");
        data->OpenAllTables(password);
    }
    void ActiveModuleFormShow() override { calls.push_back("module show"); }
    void EnableKeyByRole() override { calls.push_back("rights"); }
    void ReadAddressLayoutAgain() override { calls.push_back("layout"); }
};

std::vector<std::string> Codes(TDataSet& t) {
    std::vector<std::string> out;
    t.SetFiltered(false);
    for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName("Number").AsString() + " " + t.FieldByName("Firma").AsString());
    return out;
}

class NetWizardTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        ::setenv("KVZIRT_SHARED_DOCUMENTS", (dir.path() / "server").c_str(), 1);
        fs::create_directories(dir.path() / "server");
        frame.DataFolder = dir.path() / "local" / "Data";
        fs::create_directories(frame.DataFolder);
        frame.TableFolder = frame.DataFolder;
        frame.UserPrefix = "Jano";
        frame.Settings = &settings;
        frame.Locks = &locks;
        settings.ZakladneNastavenia();
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables("");
        data->AddressTable->AppendRecord({Variant("ADR00001"), Variant("Own firm")});
        data->AddressTable->ApplyChanges();
        data->AddressTable->CommitChanges();
        fake.frame = &frame;
        fake.data = data.get();
    }
    void TearDown() override {
        ::unsetenv("KVZIRT_SHARED_DOCUMENTS");
        SetLanguage(2);
    }

    WizardChoice Server(int option, const std::string& user) const {
        WizardChoice c;
        c.Role = wrServer;
        c.Option = option;
        c.ServerFolder = ServerFolderPath();
        c.User = user;
        return c;
    }
    std::string SettingsFile() const { return ReadWholeFile(frame.DataFolder / "Zirt.ini"); }

    TempFolder dir;
    SettingsStore settings;
    TTableLocks locks;
    FrameState frame;
    std::unique_ptr<TDataModule1> data;
    FakeFrame fake;
};

TEST_F(NetWizardTest, ThePagesFollowTheRoleAndWhatIsFilledIn) {
    struct Case {
        const char* name;
        int role, option;
        const char *folder, *database;
        const char* moves; // N next, B back
        int page;
    } cases[] = {
        {"no role stays", wrNone, soNone, "", "", "N", 0},
        {"local jumps to confirm", wrLocal, soNone, "", "", "N", 2},
        {"local back returns to role", wrLocal, soNone, "", "", "NB", 0},
        {"server shows its options", wrServer, soNone, "", "", "N", 1},
        {"server without option stays", wrServer, soNone, "", "", "NN", 1},
        {"server with option confirms", wrServer, soNewTables, "", "", "NN", 2},
        {"client without database stays", wrClient, soNone, "/tmp", "", "NN", 1},
        {"client with both confirms", wrClient, soNone, "/tmp", "Net", "NN", 2},
        {"client back to source", wrClient, soNone, "/tmp", "Net", "NNB", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWizardForm wizard(nullptr, frame, *data, fake);
        wizard.FormShow(&wizard);
        wizard.RadioGroup1->SetItemIndex(c.role);
        wizard.RadioGroup2->SetItemIndex(c.option);
        wizard.DirectoryEdit1->SetText(c.folder);
        wizard.ComboEdit1->SetText(c.database);
        EXPECT_FALSE(wizard.Button2->Enabled());
        for (const char* m = c.moves; *m; ++m) (*m == 'N' ? wizard.Button1 : wizard.Button2)->Click();
        EXPECT_EQ(wizard.PageManager1->PageIndex(), c.page);
        if (c.page == 1) {
            EXPECT_EQ(wizard.ServerDataPanel->Visible(), c.role == wrServer);
            EXPECT_EQ(wizard.ClientDataPanel->Visible(), c.role == wrClient);
        }
        if (c.page == 2 && c.role == wrServer) {
            EXPECT_NE(wizard.Label8->Caption().find(ServerFolderPath().string() + "/"), std::string::npos);
        }
    }
    EXPECT_TRUE(fs::is_directory(dir.path() / "server" / "KvZirtData"));
}

// Each server option, run twice: the user is listed once, copied data gets no sample rows,
// and the settings name the shared tables only once they are open.
TEST_F(NetWizardTest, EveryServerOptionMakesTheSharedTablesAndListsTheUserOnce) {
    const std::vector<std::string> ownRows = Codes(*data->AddressTable);
    const fs::path other = dir.path() / "other";
    fs::create_directory(other);
    {
        TVolgaTable eva;
        for (const SchemaField& f : TableSchema(TableId::Address)) eva.FieldDefs().Add(f.Name, f.Type, f.Size, false);
        eva.SetPassword("pw");
        eva.Open();
        eva.AppendRecord({Variant("EVA00001"), Variant("Eva's firm")});
        eva.SaveToFile(other / "Eva_address.d");
    }
    struct Case {
        int option;
        std::string user;
        std::vector<std::string> rows; // empty: the sample rows of new tables
    } cases[] = {
        {soCopyActive, "Copy", ownRows},
        {soNewTables, "Net", {}},
        {soCopyOther, "Other", {"EVA00001 Eva's firm"}},
        {soUseExisting, "Net", {}},
    };
    TResponder responder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        WizardChoice choice = Server(c.option, c.user);
        choice.SourceFolder = other;
        choice.SourceUser = "Eva";
        choice.SourcePassword = "pw";
        responder.MessageBoxAnswers = {IDOK};
        FinishNetworkSetup(choice, frame, *data, fake);
        const fs::path shared = dir.path() / "server" / "KvZirtData";
        EXPECT_EQ(fs::path(data->AddressTable->TableName()), shared / (c.user + "_address.d"));
        EXPECT_TRUE(fs::equivalent(data->VolgaDatabase1->DatabasePath(), shared));
        if (c.rows.empty()) {
            EXPECT_FALSE(Codes(*data->AddressTable).empty());
        } else {
            EXPECT_EQ(Codes(*data->AddressTable), c.rows);
        }
        SettingsStore saved;
        saved.LoadSettings(frame.DataFolder);
        EXPECT_EQ(saved.Nastavenia[Slot::NetworkMode], 1);
        EXPECT_EQ(saved.Nastavenia[Slot::Server], 1);
        EXPECT_EQ(saved.NastaveniaText[TextSlot::ServerFolder], shared.string() + "/");
        EXPECT_EQ(saved.NastaveniaText[TextSlot::NetworkUser], c.user);
        EXPECT_TRUE(frame.NetworkMode);
        EXPECT_FALSE(fake.client);
        // The same again: the folder has the tables now, and the user is listed already.
        if (c.option == soNewTables || c.option == soUseExisting) FinishNetworkSetup(choice, frame, *data, fake);
    }
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(ReadUserList(dir.path() / "server" / "KvZirtData"), (std::vector<std::string>{"Copy", "Net", "Other"}));
}

TEST_F(NetWizardTest, AFailedOpenKeepsTheOldSettingsAndTables) {
    const WizardChoice first = Server(soCopyActive, "Copy");
    FinishNetworkSetup(first, frame, *data, fake);
    const std::string settingsBefore = SettingsFile();
    const std::vector<std::string> rows = Codes(*data->AddressTable);

    // A client of a folder whose address table is damaged.
    const fs::path broken = dir.path() / "broken";
    fs::create_directory(broken);
    WriteFileDurably(broken / "Net_address.d", "not a table");
    WizardChoice client;
    client.Role = wrClient;
    client.SharedFolder = broken;
    client.User = "Net";
    fake.calls.clear();
    EXPECT_ANY_THROW(FinishNetworkSetup(client, frame, *data, fake));
    // Copying to tables that are there already fails too.
    EXPECT_ANY_THROW(FinishNetworkSetup(first, frame, *data, fake));
    EXPECT_EQ(SettingsFile(), settingsBefore);
    EXPECT_EQ(frame.TableFolder, dir.path() / "server" / "KvZirtData");
    EXPECT_EQ(frame.UserPrefix, "Copy");
    EXPECT_EQ(Codes(*data->AddressTable), rows);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"show", "show"}));
    EXPECT_EQ(ReadUserList(dir.path() / "server" / "KvZirtData"), (std::vector<std::string>{"Copy"}));
}

TEST_F(NetWizardTest, ClientThenLocal) {
    const fs::path shared = dir.path() / "server" / "KvZirtData";
    FinishNetworkSetup(Server(soNewTables, "Net"), frame, *data, fake);
    WizardChoice client;
    client.Role = wrClient;
    client.SharedFolder = shared;
    client.User = "Net";
    client.Password = "longer than eight";
    FinishNetworkSetup(client, frame, *data, fake);
    EXPECT_TRUE(fake.client);
    EXPECT_EQ(fake.password, "longer t");
    SettingsStore saved;
    saved.LoadSettings(frame.DataFolder);
    EXPECT_EQ(saved.Nastavenia[Slot::Server], 0);

    WizardChoice local;
    local.Role = wrLocal;
    fake.calls.clear();
    FinishNetworkSetup(local, frame, *data, fake);
    saved.LoadSettings(frame.DataFolder);
    EXPECT_EQ(saved.Nastavenia[Slot::NetworkMode], 0);
    EXPECT_FALSE(frame.NetworkMode);
    EXPECT_EQ(frame.TableFolder, frame.DataFolder);
    EXPECT_EQ(fs::path(data->AddressTable->TableName()), frame.DataFolder / "Jano_address.d");
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"scan user", "show", "reset", "module show", "rights"}));
}

// A server option whose new-user dialog is cancelled or refused is cleared: the confirm page
// cannot be reached without choosing again.
TEST_F(NetWizardTest, AServerOptionNeedsANewUser) {
    const fs::path shared = dir.path() / "server" / "KvZirtData";
    fs::create_directories(shared);
    WriteUserList(shared, {"Net"});
    struct Case {
        const char* name; // empty: Cancel
        int option;
    } cases[] = {{"", soNone}, {"net", soNone}, {"Eva", soCopyActive}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TWizardForm wizard(nullptr, frame, *data, fake);
        TResponder responder;
        responder.MessageBoxAnswers = {IDOK};
        responder.OnShowModal = [&](TForm& form) {
            auto& dialog = dynamic_cast<TNewUserForm&>(form);
            if (!*c.name) return int(mrCancel);
            dialog.Edit1->SetText(c.name);
            dialog.Edit2->SetText("pw");
            dialog.Edit3->SetText("pw");
            dialog.SpeedButton1Click(dialog.SpeedButton1);
            return dialog.Valid ? int(mrNone) : int(mrCancel);
        };
        wizard.FormShow(&wizard);
        wizard.RadioGroup2->SetItemIndex(soCopyActive);
        wizard.RadioGroup2Click(wizard.RadioGroup2);
        EXPECT_EQ(wizard.RadioGroup2->ItemIndex(), c.option);
        EXPECT_EQ(responder.MessageBoxes.size(), std::string(c.name) == "net" ? 1u : 0u); // already listed
        if (c.option != soNone) {
            EXPECT_EQ(wizard.Choice.User, "Eva");
            EXPECT_EQ(wizard.Choice.Password, "pw");
        }
    }
}

TEST_F(NetWizardTest, EveryPageInThreeLanguages) {
    const char* const names[] = {"", "en", "sk", "cs"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        TWizardForm wizard(nullptr, frame, *data, fake);
        wizard.Show();
        const std::string name = std::string("wizard_") + names[language];
        testing::SaveWindowPicture(wizard, name + "_0");
        wizard.RadioGroup1->SetItemIndex(wrServer);
        wizard.Button1->Click();
        testing::SaveWindowPicture(wizard, name + "_1_server");
        wizard.RadioGroup2->SetItemIndex(soNewTables);
        wizard.Choice.User = "Net";
        wizard.Button1->Click();
        testing::SaveWindowPicture(wizard, name + "_2_server");
        wizard.Button2->Click();
        wizard.Button2->Click();
        wizard.RadioGroup1->SetItemIndex(wrClient);
        wizard.Button1->Click();
        wizard.DirectoryEdit1->SetText((dir.path() / "server" / "KvZirtData").string());
        wizard.ComboEdit1->SetText("Net");
        testing::SaveWindowPicture(wizard, name + "_1_client");
        wizard.Button1->Click();
        testing::SaveWindowPicture(wizard, name + "_2_client");
        wizard.Close();
        EXPECT_EQ(fake.calls.back(), "layout");
    }
}

} // namespace
} // namespace kvz
