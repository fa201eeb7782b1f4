// The e-bank address dialog with the lists that offer its addresses, and paying a task from the
// frame window: when Pay is on, what it opens and what it says when there is nothing to open.
#include "scheduling/AddBankForm.h"
#include "scheduling/Pay.h"
#include "scheduling/Uloha.h"
#include "scheduling/UlohaChild.h"

#include "core/FrameTesting.h"
#include "core/SmallRoutines.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Files.h"
#include "scheduling/RegularPays.h"

#include "TaskTesting.h"

#include <QApplication>

#include <fstream>
#include <sstream>

namespace kvz {
namespace {

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string& EBankSlot(SettingsStore& s, int n) {
    return s.NastaveniaText[size_t(TextSlot::FirstEBank + n - 1)];
}

// ---- the dialog ----

class AddBankFormTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
    }
    void TearDown() override { SetLanguage(1); }

    TempFolder dir;
    ProgramFrame program{dir.path(), "Jano", false};
    TResponder responder;
};

TEST_F(AddBankFormTest, OkKeepsTheAddressesAsTypedInMemoryAndInTheSettingsFile) {
    SettingsStore& s = program.settings;
    EBankSlot(s, 1) = "https://first.example/ib";
    EBankSlot(s, 2) = "https://second.example";
    TAddBankForm form(nullptr, program.frame);
    form.FormShow();
    EXPECT_EQ(form.Edit1->Text(), "https://first.example/ib");
    EXPECT_EQ(form.Edit2->Text(), "https://second.example");
    EXPECT_EQ(form.Edit3->Text(), "");
    // Changed, deleted, added.
    form.Edit1->SetText("https://first.example/new");
    form.Edit2->SetText("");
    form.Edit5->SetText("https://fifth.example");
    form.BitBtn1Click();
    EXPECT_EQ(EBankSlot(s, 1), "https://first.example/new");
    EXPECT_EQ(EBankSlot(s, 2), "");
    EXPECT_EQ(EBankSlot(s, 3), "");
    EXPECT_EQ(EBankSlot(s, 5), "https://fifth.example");
    // In the file at once: the program may stop before it saves its settings.
    SettingsStore read;
    read.ZakladneNastavenia();
    read.LoadSettings(dir.path());
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(EBankSlot(read, n), EBankSlot(s, n)) << n;
    EXPECT_NE(FileText(dir.path() / "Zirt.ini").find("Nastavenia_Text30=https://fifth.example"),
              std::string::npos);
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(AddBankFormTest, CancelKeepsTheSlotsAndAnAddressIsAtMostTwoHundredCharacters) {
    SettingsStore& s = program.settings;
    EBankSlot(s, 3) = "https://third.example";
    TAddBankForm form(nullptr, program.frame);
    form.FormShow();
    EXPECT_EQ(form.Edit3->Text(), "https://third.example");
    form.Edit3->SetText("typed, then cancelled");
    form.BitBtn2Click();
    EXPECT_EQ(EBankSlot(s, 3), "https://third.example");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Zirt.ini"));
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(form.Field(n)->MaxLength(), kEBankAddressLength) << n;
}

// The settings file holds single-byte text: an address it cannot hold is refused at OK, in the
// user's language, with the dialog open and nothing changed.
TEST_F(AddBankFormTest, AnAddressTheSettingsFileCannotHoldIsRefusedAndNothingChanges) {
    SettingsStore& s = program.settings;
    EBankSlot(s, 1) = "https://kept.example";
    s.SaveSettings(dir.path());
    const std::string file = FileText(dir.path() / "Zirt.ini");
    SetLanguage(2);
    TAddBankForm form(nullptr, program.frame);
    form.FormShow();
    form.Edit1->SetText("https://banka.example/\xE9\x93\xB6\xE8\xA1\x8C"); // two CJK letters
    responder.MessageBoxAnswers = {IDOK};
    form.BitBtn1Click();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text.rfind(GetMessageText(MessageId::EBanksNotKept), 0), 0u)
        << responder.MessageBoxes[0].Text;
    EXPECT_EQ(EBankSlot(s, 1), "https://kept.example");
    EXPECT_EQ(FileText(dir.path() / "Zirt.ini"), file);
    EXPECT_EQ(form.ModalResult(), mrNone);
}

TEST_F(AddBankFormTest, TheDialogInEveryLanguage) {
    EBankSlot(program.settings, 1) = "https://ib.tatrabanka.example/ib/login";
    EBankSlot(program.settings, 2) = "https://moja.banka.example";
    const char* titles[] = {"Add E-Bank", "Pridať E-Banku", "Přidat E-Banku"};
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TAddBankForm form(nullptr, program.frame);
        form.Show();
        QApplication::processEvents();
        testing::SaveWindowPicture(form, "addbank_l" + std::to_string(language));
        EXPECT_EQ(form.Caption(), titles[language - 1]);
        EXPECT_EQ(form.HelpButton->Caption(), GetMessageText(MessageId::Help));
        EXPECT_EQ(form.BitBtn2->Caption(), GetMessageText(MessageId::Cancel));
        EXPECT_EQ(form.BitBtn1->Caption(), "OK");
        EXPECT_EQ(form.Edit2->Text(), "https://moja.banka.example");
        form.Close();
    }
}

// ---- the task editor's lists ----

class EBankEditorTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        TaskEditorState() = TaskEditorFlags{};
        RegisteredModules().Dialogs["TAddBankForm"] = [this] {
            TAddBankForm form(nullptr, p.frame);
            return static_cast<int>(form.ShowModal());
        };
    }
    void TearDown() override { RegisteredModules().Dialogs.erase("TAddBankForm"); }

    TempFolder dir;
    TaskEditorProgram p{dir.path()};
};

std::vector<std::string> ItemsOf(TStrings& items) {
    std::vector<std::string> all;
    for (int i = 0; i < items.Count(); ++i)
        all.push_back(items[i]);
    return all;
}

// "<<Edit" beside the e-bank address: what the dialog keeps reaches the invoice's list and the
// payments page's column at once, and the address chosen for this invoice stays chosen.
TEST_F(EBankEditorTest, EditReachesBothListsAtOnceAndKeepsTheInvoicesAddress) {
    EBankSlot(p.settings, 1) = "https://old.example";
    EBankSlot(p.settings, 2) = "https://other.example";
    p.settings.Nastavenia[Slot::EBankIndex] = 1;
    EnsurePaymentFiles(dir.path(), PaymentCountry::Slovak);
    {
        TVolgaTable k;
        OpenPaymentTable(k, dir.path(), "platby_sk.d");
        k.Append();
        k.FieldByName("Uloha").SetAsString("Road tax");
        k.FieldByName("Project").SetAsString("DMV");
        k.FieldByName("Path").SetAsString("https://road.example/pay");
        k.Post();
        k.ApplyChanges();
    }
    TaskEditorContext c{*p.data, p.frame};
    c.Module = TasksModule;
    TResponder responder;
    responder.OnShowModal = [&](TForm& shown) {
        if (auto* bank = dynamic_cast<TAddBankForm*>(&shown)) {
            bank->Edit1->SetText("");
            bank->Edit3->SetText("https://new.example");
            bank->BitBtn1Click();
            return static_cast<int>(mrNone);
        }
        auto& f = static_cast<TUlohaForm&>(shown);
        f.PageControl1->SetActivePage(f.TabSheet3);
        f.TabSheet3Show(&f);
        EXPECT_EQ(ItemsOf(f.KvDBComboBox2->Items()),
                  (std::vector<std::string>{"https://old.example", "https://other.example"}));
        EXPECT_EQ(f.BankaComboBox->Text(), "https://other.example");
        f.BankaComboBox->SetText("https://typed.example/for-this-invoice");
        f.Button9Click(f.Button9);
        const std::vector<std::string> now{"https://other.example", "https://new.example"};
        EXPECT_EQ(ItemsOf(f.BankaComboBox->Items()), now);
        EXPECT_EQ(ItemsOf(f.KvDBComboBox2->Items()), now);
        EXPECT_EQ(f.BankaComboBox->Text(), "https://typed.example/for-this-invoice");
        EXPECT_EQ(f.VolgaTable1->FieldByName("Path").AsString(), "https://road.example/pay");
        return static_cast<int>(mrCancel);
    };
    TUlohaForm form(nullptr, c);
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(EBankSlot(p.settings, 1), "");
    EXPECT_EQ(EBankSlot(p.settings, 3), "https://new.example");
}

// ---- paying from the frame window ----

class PayFromFrameTest : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        SetLanguage(1);
        RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
        RegisteredModules().Tasks = [this](TComponent* owner) {
            tasks = new TUlohaChildForm(owner, *data, ProgramState());
            return tasks;
        };
        RegisteredModules().Dialogs["TPayForm"] = [this] {
            payForm = new TPayForm(&Application(), *data, ProgramState());
            payForm->Show();
            return static_cast<int>(mrNone);
        };
        RegisteredModules().Dialogs["TAddBankForm"] = [] {
            TAddBankForm form(nullptr, ProgramState());
            return static_cast<int>(form.ShowModal());
        };
        SetShellOpener([this](const std::string& file, const std::string&, const std::string&, int) {
            opened.push_back(file);
            return 42;
        });
        std::filesystem::create_directories(dataFolder);
        WriteFileDurably(dataFolder / "Zirt.ini",
                         "[ZirtSettings]\nNastavenia67=1\nNastavenia36=1\nNastavenia49=0\n");
        StartProgram();
        frame->SetClientSize(1100, 700);
    }
    void TearDown() override {
        if (payForm) payForm->Free();
        payForm = nullptr;
        if (frame) frame->CloseActiveModule();
        tasks = nullptr;
        SetShellOpener(nullptr);
        Application().Restore();
        ProgramRunTest::TearDown();
        SetLanguage(1);
    }
    // A task of the type with its e-bank address and "Pay with E-Banking".
    void AddTask(const std::string& key, const std::string& type, const std::string& path, bool run) {
        TVolgaTable& t = *data->TaskTable;
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Tasks), false, kRecordCommandPoll,
                                        [&] {
                                            t.Append();
                                            t.FieldByName("Number").SetAsString(key);
                                            t.FieldByName("Date").SetAsDateTime(Today());
                                            t.FieldByName("Time").SetAsString("10:00");
                                            t.FieldByName("Uloha").SetAsString("Task " + key);
                                            t.FieldByName("Task_type").SetAsString(type);
                                            t.FieldByName("Path").SetAsString(path);
                                            t.FieldByName("Run").SetAsBoolean(run);
                                            t.Post();
                                        });
    }
    void OpenTasks() {
        frame->OpenModule(TasksModule);
        QApplication::processEvents();
        ASSERT_NE(tasks, nullptr);
    }
    // The task clicked in the survey grid.
    void Click(const std::string& key) {
        TVolgaTable& t = *data->TaskTable;
        t.SetFiltered(false);
        ASSERT_TRUE(t.Locate("Number", Variant(key), 0)) << key;
        tasks->TaskKvGridCellClick();
    }
    void ClosePayForm() {
        if (!payForm) return;
        payForm->OnClose = nullptr;
        payForm->Free();
        payForm = nullptr;
    }

    TUlohaChildForm* tasks = nullptr;
    TPayForm* payForm = nullptr;
    std::vector<std::string> opened;
};

TEST_F(PayFromFrameTest, PayIsOffUntilAnInvoiceOrAPaymentIsClickedAndOpensOnlyItsEBankAddress) {
    const struct {
        const char* Key;
        const char* Type;
        const char* Path;
        bool Run;
        bool On;           // the button and the menu item after the click
        const char* Opens; // what the button and the menu item open ("": nothing)
        int Says;          // the message when nothing opens (0: none)
    } cases[] = {
        {"F_FULL", "F", "https://bank.example/f", true, true, "https://bank.example/f", 0},
        {"F_NOURL", "F", "", true, true, "", MessageId::NoEBankToPay},
        {"F_NORUN", "F", "https://bank.example/f", false, true, "", MessageId::NoEBankToPay},
        {"P_FULL", "P", "https://bank.example/p", true, true, "https://bank.example/p", 0},
        {"C_NOURL", "C", "", false, true, "", MessageId::NoEBankToPay},
        {"C_FULL", "C", "https://bank.example/c", true, true, "https://bank.example/c", 0},
        {"T_FULL", "T", "/home/jano/report.odt", true, false, "", 0},
        {"NOTYPE", "", "https://bank.example", true, false, "", 0},
    };
    for (const auto& c : cases)
        AddTask(c.Key, c.Type, c.Path, c.Run);
    OpenTasks();
    EXPECT_FALSE(frame->PayButton->Enabled());
    EXPECT_FALSE(frame->PayMenu->Enabled());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Key);
        Click(c.Key);
        EXPECT_EQ(frame->PayButton->Enabled(), c.On);
        EXPECT_EQ(frame->PayMenu->Enabled(), c.On);
        for (TComponent* control : std::initializer_list<TComponent*>{frame->PayButton, frame->PayMenu}) {
            SCOPED_TRACE(control->Name());
            opened.clear();
            responder.MessageBoxes.clear();
            responder.MessageBoxAnswers = {IDOK};
            if (control == frame->PayButton)
                frame->PayButton->Click();
            else
                frame->PayMenu->Click();
            EXPECT_EQ(opened, c.Opens[0] ? std::vector<std::string>{c.Opens} : std::vector<std::string>{});
            if (c.Says) {
                ASSERT_EQ(responder.MessageBoxes.size(), 1u);
                EXPECT_EQ(responder.MessageBoxes[0].Text, GetMessageText(c.Says));
            } else {
                EXPECT_TRUE(responder.MessageBoxes.empty());
            }
            // The payment order form comes with an invoice only.
            EXPECT_EQ(payForm != nullptr, std::string(c.Type) == "F" && c.Opens[0]);
            ClosePayForm();
            Application().Restore();
        }
    }
}

// An invoice without an address, paid from the menu: nothing opens, the program stays as it
// was, and the user reads why in the language of the program.
TEST_F(PayFromFrameTest, TheMenuItemOnAnInvoiceWithoutAnAddressOpensNothingAndSaysWhy) {
    AddTask("INVOICE1", "F", "", true);
    OpenTasks();
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        Click("INVOICE1");
        ASSERT_TRUE(frame->PayMenu->Enabled());
        responder.MessageBoxes.clear();
        responder.MessageBoxAnswers = {IDOK};
        frame->PayMenu->Click();
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(payForm, nullptr);
        EXPECT_FALSE(Application().Minimized());
        ASSERT_EQ(responder.MessageBoxes.size(), 1u);
        EXPECT_EQ(responder.MessageBoxes[0].Text, GetMessageText(MessageId::NoEBankToPay));
    }
    // The frame's own service refuses an empty address too.
    frame->PayFacture("", "F");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(payForm, nullptr);
}

TEST_F(PayFromFrameTest, ThePaymentFormStandsOverTheFrameWindowWithTheProgramsTitle) {
    AddTask("INVOICE2", "F", "https://bank.example/pay", true);
    OpenTasks();
    frame->SetBounds(200, 150, 1000, 700);
    Click("INVOICE2");
    frame->PayButton->Click();
    ASSERT_NE(payForm, nullptr);
    EXPECT_EQ(payForm->Caption(), Application().Title());
    EXPECT_EQ(payForm->Widget()->windowTitle().toStdString(), Application().Title());
    const QRect over = frame->Widget()->frameGeometry();
    const QPoint middle(payForm->Left() + payForm->Width() / 2, payForm->Top() + payForm->Height() / 2);
    EXPECT_LE(std::abs(middle.x() - over.center().x()), 2) << middle.x() << " " << over.center().x();
    EXPECT_LE(std::abs(middle.y() - over.center().y()), 2) << middle.y() << " " << over.center().y();
}

// The frame's "Add E-Bank" opens the dialog; what it keeps is what the task editor offers next.
TEST_F(PayFromFrameTest, TheFramesMenuItemOpensTheDialog) {
    OpenTasks();
    ASSERT_TRUE(frame->AddEBbankMenu->Enabled());
    responder.OnShowModal = [](TForm& shown) {
        auto& bank = dynamic_cast<TAddBankForm&>(shown);
        bank.Edit2->SetText("https://menu.example");
        bank.BitBtn1Click();
        return static_cast<int>(mrNone);
    };
    frame->AddEBbankMenu->Click();
    EXPECT_EQ(EBankSlot(ProgramSettings(), 2), "https://menu.example");
    EXPECT_NE(FileText(dataFolder / "Zirt.ini").find("Nastavenia_Text27=https://menu.example"),
              std::string::npos);
}

} // namespace
} // namespace kvz
