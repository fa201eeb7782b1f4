#include "core/Main.h"

#include "core/AboutBox.h"
#include "core/DataModuleParts.h"
#include "core/FrameServices.h"
#include "core/Languages.h"
#include "resources/CaptionTable.h"
#include "core/Messages.h"
#include "core/RecordBar.h"
#include "core/SmallRoutines.h"
#include "engine/VolgaSession.h"
#include "platform/rtl/Files.h"

#include "../forms/FormsTesting.h"
#include "FrameTesting.h"
#include "TempFolder.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFontDialog>
#include <QAction>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <QAction>
#include <QToolBar>

#include <set>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

// A module window whose state the test sets, recording the commands the frame runs on it.
template <class Window>
class FakeWindow : public TForm, public Window {
public:
    FakeWindow(TComponent* owner, int module) : TForm(owner), module_(module) { SetFormStyle(TFormStyle::fsMDIChild); }
    TForm& Form() override { return *this; }
    int Module() const override { return module_; }
    RecordBarState State(const ModuleContext& c) const override {
        RecordBarState s = RecordBarFor({module_, true, c.Offline, c.CategoriesOn, c.HasDialog, editing, inserting});
        s.ChangeUser = changeUser;
        return s;
    }
    void Run(Command command) override {
        commands.push_back(command);
        if (command == Command::Insert) editing = inserting = true;
        if (command == Command::Edit) editing = true;
        if (command == Command::Cancel) editing = inserting = false;
        if (command == Command::Post) {
            if (failSave) throw std::runtime_error("The server folder is full.");
            editing = inserting = false;
        }
    }
    std::optional<TableId> RecordTable() const override { return TableId::Address; }
    void FormShow() override {}
    void UlozDoPola() override {}
    void ResetModuleState() override { ++resets; }
    // What a module raises.
    void Changed() { this->StateChanged(); }
    void Ask(Command command) { this->Request(command); }

    int module_;
    bool editing = false, inserting = false, failSave = false, changeUser = true;
    int resets = 0;
    std::vector<Command> commands;
};
using FakeModule = FakeWindow<ModuleWindow>;

// An address book window that records what the frame window asks of it.
class FakeAddressBook : public FakeWindow<AddressBookWindow> {
public:
    explicit FakeAddressBook(TComponent* owner) : FakeWindow(owner, AddressModule) {}
    AddressParts CurrentAddress() const override { return {}; }
    void FormShow() override { calls.push_back("FormShow"); }
    void UlozDoPola() override { calls.push_back("UlozDoPola"); }
    std::optional<TColor> PartColor(SetupTarget target) const override {
        auto it = colors.find(target);
        return it == colors.end() ? std::nullopt : std::optional(it->second);
    }
    void SetPartColor(SetupTarget target, TColor color) override { colors[target] = color; }
    void SetLastNewAddressCode(const std::string&) override {}
    std::vector<std::string> SelectedRecordCodes() const override { return selected; }
    void CitajKomponenty() override { calls.push_back("CitajKomponenty"); }

    std::vector<std::string> calls;
    std::vector<std::string> selected;
    std::map<SetupTarget, TColor> colors{{SetupTarget::AddressName, clTeal}};
    TMemo* DBMemo2 = [this] {
        auto* memo = new TMemo(this);
        memo->SetName("DBMemo2");
        return memo;
    }();
};

// Jano's tables in a folder, with addresses of those names, as another run left them.
void MakeServerTables(const fs::path& server, const std::vector<std::string>& firms = {},
                      const std::string& password = "") {
    SettingsStore settings;
    TTableLocks locks;
    FrameState s;
    s.TableFolder = s.DataFolder = server;
    s.UserPrefix = "Jano";
    s.Settings = &settings;
    s.Locks = &locks;
    fs::create_directories(server);
    TDataModule1 serverData(s);
    serverData.DataModuleCreate();
    serverData.OpenAllTables(password);
    for (const std::string& name : firms) {
        serverData.AddressTable->Append();
        serverData.AddressTable->FieldByName("Firma").SetAsString(name);
        serverData.AddressTable->Post();
    }
    serverData.AddressTable->ApplyChanges();
    serverData.AddressTable->CommitChanges();
}

class MainFormTest : public ProgramRunTest {
protected:
    // Settings of an earlier run, written before the start.
    void WriteSettings(const std::string& lines) {
        fs::create_directories(dataFolder);
        WriteFileDurably(dataFolder / "Zirt.ini", "[ZirtSettings]\n" + lines);
    }
    void Start() { StartProgram(); }

    void RegisterAddressBook() {
        RegisteredModules().AddressBook = [this](TComponent* owner) {
            book = new FakeAddressBook(owner);
            return book;
        };
    }

    FakeAddressBook* book = nullptr;
};

TEST_F(MainFormTest, FirstStartMakesTheFoldersAsksTheLanguageThenTheUserAndOpensTheTables) {
    std::vector<std::string> steps;
    RegisteredUserSteps().CheckDataVersion = [&](TMainForm&) { steps.push_back("version"); };
    RegisteredUserSteps().SelectLanguage = [&](TMainForm&) {
        steps.push_back("language");
        ProgramSettings().Nastavenia[Slot::Language] = 1;
        SetLanguage(1);
    };
    RegisteredUserSteps().ScanUser = [&](TMainForm& f) {
        steps.push_back("user");
        EXPECT_TRUE(f.FirstStart);
        ProgramState().UserPrefix = "Eva";
    };
    RegisteredUserSteps().TranslateMainWindow = [&](TMainForm&) { steps.push_back("translate"); };
    Start();
    EXPECT_EQ(steps, (std::vector<std::string>{"version", "language", "user", "translate"}));
    EXPECT_FALSE(frame->FirstStart);
    // Centred in the screen's free area, at the size the address page needs or as large as fits.
    const QRect area = frame->Widget()->screen()->availableGeometry();
    const FrameBounds placed = FirstStartBounds(area.left(), area.top(), area.width(), area.height());
    EXPECT_EQ((FrameBounds{frame->Left(), frame->Top(), frame->Width(), frame->Height()}), placed);
    EXPECT_EQ(ProgramSettings().Nastavenia[Slot::FrameLeft], placed.Left);
    EXPECT_EQ(ProgramSettings().Nastavenia[Slot::FrameTop], placed.Top);
    EXPECT_TRUE(fs::is_directory(dataFolder / "TempData"));
    EXPECT_EQ(frame->HelpFileName(), (temp.path() / "help" / "en" / "kvzirt.html").string());
    // The system the program takes itself to run on gives raised bars and two transparent buttons.
    EXPECT_EQ(SettingsStore::BarLook().BarHeight, 22);
    for (TToolBar* bar : {frame->ToolBar1, frame->ToolBar3}) {
        EXPECT_FALSE(bar->Flat());
        EXPECT_EQ(bar->BorderWidth(), 0);
    }
    EXPECT_TRUE(frame->ToolBar2->Flat());
    EXPECT_TRUE(frame->FilterButton->Transparent());
    EXPECT_TRUE(frame->MaxMinToolButton->Transparent());
    EXPECT_EQ(ProgramState().TableFolder, dataFolder);
    for (TableId table : kAllTables) EXPECT_TRUE(fs::exists(dataFolder / ("Eva" + std::string(TableSuffix(table)))));
    // The address book opens as an empty page: nothing in it pretends to work.
    EXPECT_EQ(frame->ActiveModule(), AddressModule);
    ASSERT_NE(frame->ModuleForm(), nullptr);
    EXPECT_EQ(frame->ActiveMDIChild(), frame->ModuleForm());
    EXPECT_FALSE(frame->InsertButton->Enabled());
    EXPECT_FALSE(frame->DeleteButton->Enabled());
    EXPECT_EQ(frame->StatusBar1->Panels(0)->Text(), " Address book - Eva");
    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 1");
    // The automatic backup is on by default, and this computer works alone.
    EXPECT_TRUE(fs::exists(dataFolder / "Eva_address.bak"));
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(MainFormTest, FirstStartOpensTheHelpPageOnlyAfterTheUserDialogsClosed) {
    // With the help installed, a browser opened before the user dialog would take its keys.
    fs::create_directories(temp.path() / "help" / "sk");
    WriteFileDurably(temp.path() / "help" / "sk" / "kvzirt.html", "<html></html>");
    std::vector<std::string> steps;
    auto help = Application().OnHelp;
    Application().OnHelp = [&](const std::string& file, int context) {
        steps.push_back("help " + std::to_string(context) + " " + fs::path(file).parent_path().filename().string());
        return true;
    };
    RegisteredUserSteps().SelectLanguage = [&](TMainForm&) {
        steps.push_back("language");
        ProgramSettings().Nastavenia[Slot::Language] = 2;
        SetLanguage(2);
    };
    RegisteredUserSteps().ScanUser = [&](TMainForm&) {
        steps.push_back("user");
        ProgramState().UserPrefix = "Eva";
    };
    Start();
    EXPECT_EQ(steps, (std::vector<std::string>{"language", "user"})); // not before the frame window shows
    QApplication::processEvents();
    Application().OnHelp = help;
    EXPECT_EQ(steps, (std::vector<std::string>{"language", "user", "help 53 sk"}));
}

TEST(FirstStartBoundsTest, TheFrameWindowIsCentredAndNeverLargerThanTheFreeArea) {
    const struct {
        int left, top, width, height;
        FrameBounds expected;
    } cases[] = {
        {0, 0, 1280, 1024, {135, 142, 1000, 700}},   // room enough: the whole address page
        {0, 24, 1920, 1056, {455, 182, 1000, 700}},  // a panel at the top
        {1280, 0, 1024, 768, {1287, 14, 1000, 700}}, // the second screen, just wide enough
        {0, 0, 800, 600, {0, 0, 790, 560}},          // a small screen: all of it
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstStartBounds(c.left, c.top, c.width, c.height), c.expected) << c.width << "x" << c.height;
}

TEST_F(MainFormTest, NetworkModeOpensTheServerTablesOrWorksOfflineWithChangesDisabled) {
    const fs::path server = temp.path() / "server";
    fs::create_directories(server);
    struct Case {
        bool serverPresent;
        bool client;
    };
    for (Case c : {Case{true, false}, Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(c.serverPresent);
        fs::remove_all(server);
        fs::create_directories(server);
        if (c.serverPresent) MakeServerTables(server);
        WriteSettings("Nastavenia67=1\nNastavenia73=1\nNastavenia74=" + std::string(c.client ? "0" : "1") +
                      "\nNastavenia_Text18=" + server.string() + "/\nNastavenia_Text19=Jano\n");
        RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
        responder.MessageBoxAnswers = {IDOK};
        responder.MessageBoxes.clear();
        Start();
        if (c.serverPresent) {
            EXPECT_FALSE(frame->OfflineMode);
            EXPECT_EQ(ProgramState().TableFolder, server.string() + "/");
            EXPECT_FALSE(frame->ConnectMenu->Visible());
            EXPECT_TRUE(fs::exists(server / "Jano_address.mpf"));
            // Clients never back up; the server does.
            EXPECT_EQ(fs::exists(server / "Jano_address.bak"), !c.client);
            EXPECT_TRUE(responder.MessageBoxes.empty());
        } else {
            EXPECT_TRUE(frame->OfflineMode);
            EXPECT_EQ(ProgramState().TableFolder, dataFolder / "TempData");
            ASSERT_EQ(responder.MessageBoxes.size(), 1u);
            EXPECT_NE(responder.MessageBoxes[0].Text.find("temporary tables"), std::string::npos);
            EXPECT_TRUE(frame->ConnectMenu->Visible());
            EXPECT_TRUE(fs::exists(dataFolder / "TempData" / "Jano_tasks.d"));
        }
        // Offline or not, an empty page offers no change.
        for (TToolButton* b : {frame->InsertButton, frame->EditButton, frame->DeleteButton, frame->CancelButton,
                               frame->AddToTasklButton})
            EXPECT_FALSE(b->Enabled()) << b->Name();
        frame->Free();
        frame = nullptr;
        data.reset();
    }
}

TEST_F(MainFormTest, ModuleButtonsSwitchTheClientAreaAndTheSameModuleCreatesNothing) {
    RegisterAddressBook();
    int made = 0;
    auto make = RegisteredModules().AddressBook;
    RegisteredModules().AddressBook = [&](TComponent* owner) {
        ++made;
        return make(owner);
    };
    WriteSettings("Nastavenia36=3\nNastavenia67=1\n");
    Start();
    EXPECT_EQ(frame->ActiveModule(), TasksModule);
    EXPECT_EQ(frame->Module(), nullptr); // an empty page
    EXPECT_TRUE(frame->DelAllQuescions->Enabled());
    frame->AdresySpeedButton1Click(frame);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(frame->AddressBook(), book);
    EXPECT_EQ(frame->ActiveMDIChild(), book);
    EXPECT_EQ(frame->MDIChildCount(), 1);
    EXPECT_EQ(book->Caption(), "Address book    " + dataFolder.string());
    EXPECT_TRUE(frame->InsertButton->Enabled());
    EXPECT_FALSE(frame->DelAllQuescions->Enabled());
    frame->AdresySpeedButton1Click(frame);
    EXPECT_EQ(made, 1);
    frame->ZostavySpeedButton1Click(frame);
    EXPECT_TRUE(frame->Header2->Visible());
    EXPECT_EQ(frame->kvOutlookBar1->ActiveHeader(), frame->Header2);
    EXPECT_EQ(ProgramSettings().Nastavenia[Slot::ActiveModule], ReportsModule);
    frame->LinksSpeedButton1Click(frame);
    EXPECT_FALSE(frame->Header2->Visible());
    EXPECT_EQ(frame->StatusBar1->Panels(0)->Text(), " Links - ");
    EXPECT_EQ(frame->StatusBar1->Panels(2)->Text().substr(frame->StatusBar1->Panels(2)->Text().size() - 5), "6    ");
}

TEST_F(MainFormTest, TheBarsOfferWhatTheModuleAndTheModeAllow) {
    auto none = [](std::string_view) { return false; };
    auto all = [](std::string_view) { return true; };
    // No window: nothing of the record bar.
    RecordBarState s = RecordBarFor({AddressModule, false, false, true, all});
    EXPECT_FALSE(s.First || s.Insert || s.Edit || s.Delete || s.Find || s.Category || s.Phone);
    EXPECT_TRUE(s.Import && s.Export);
    s = RecordBarFor({AddressModule, true, false, true, all});
    EXPECT_TRUE(s.First && s.Insert && s.Edit && s.Delete && s.Find && s.Filter && s.Order && s.Category);
    EXPECT_FALSE(s.ReportBar || s.Detail || s.Capture);
    // Offline: nothing changes a table.
    s = RecordBarFor({AddressModule, true, true, true, all});
    EXPECT_TRUE(s.First && s.Find);
    EXPECT_FALSE(s.Insert || s.Edit || s.Delete || s.Import);
    s = RecordBarFor({LinksModule, true, true, false, all});
    EXPECT_FALSE(s.Insert || s.Edit || s.Delete || s.AddToTask);
    EXPECT_TRUE(s.RunLink);
    // A command whose dialog is not there is off.
    s = RecordBarFor({TasksModule, true, false, false, none});
    EXPECT_TRUE(s.Prior && s.Next && s.Delete && s.MaxMin);
    EXPECT_FALSE(s.First || s.Insert || s.Edit || s.Manager || s.Owners);
    s = RecordBarFor({ReportsModule, true, false, false, all});
    EXPECT_TRUE(s.First && s.Last && s.ReportBar && s.Templates);
    EXPECT_FALSE(s.Prior || s.Insert || s.Delete);
    // Find searches where the module has a search: the address book, the reports' address
    // lists and the links; the tasks have none.
    for (auto [module, find] :
         {std::pair{AddressModule, true}, {ReportsModule, true}, {TasksModule, false}, {LinksModule, true}}) {
        EXPECT_EQ(RecordBarFor({module, true, false, false, all}).Find, find) << module;
        EXPECT_FALSE(RecordBarFor({module, true, false, false, none}).Find) << module;
    }
}

// Whether the tool bar shows the button (a tool bar hides its buttons through their actions).
bool ToolButtonShown(TToolButton& button) {
    auto* bar = qobject_cast<QToolBar*>(button.Widget()->parentWidget());
    if (!bar) return button.Visible();
    for (QAction* action : bar->actions())
        if (bar->widgetForAction(action) == button.Widget()) return action->isVisible();
    return false;
}

// A fresh start resets the report window's envelope choices; the other modules keep theirs.
// The progress bar shows while a window is on its way.
TEST_F(MainFormTest, AFreshStartResetsTheReportWindowAndTheProgressBarShowsOnTheWay) {
    FakeModule* window = nullptr;
    for (auto* maker : {&RegisteredModules().Reports, &RegisteredModules().Links})
        *maker = [&window, maker](TComponent* owner) {
            window = new FakeModule(owner, maker == &RegisteredModules().Reports ? ReportsModule : LinksModule);
            return window;
        };
    WriteSettings("Nastavenia67=1\n");
    Start();
    frame->OpenModule(LinksModule);
    frame->ZablokujVsetko();
    EXPECT_EQ(window->resets, 0);
    frame->OpenModule(ReportsModule);
    frame->ZablokujVsetko();
    EXPECT_EQ(window->resets, 1);
    frame->SetProgress(40);
    EXPECT_EQ(frame->ProgressBar1->Position(), 40);
    EXPECT_TRUE(frame->ProgressBar1->Widget()->isVisibleTo(frame->Widget()));
    frame->SetProgress(100);
    EXPECT_FALSE(frame->ProgressBar1->Widget()->isVisibleTo(frame->Widget()));
}

TEST_F(MainFormTest, RefreshIsOnTheBarInNetworkModeOnly) {
    for (auto* maker : {&RegisteredModules().AddressBook, &RegisteredModules().Tasks, &RegisteredModules().Links}) {
        const int module = maker == &RegisteredModules().AddressBook ? AddressModule
                           : maker == &RegisteredModules().Tasks     ? TasksModule
                                                                     : LinksModule;
        *maker = [module](TComponent* owner) { return new FakeModule(owner, module); };
    }
    WriteSettings("Nastavenia67=1\n");
    Start();
    const bool network = ProgramState().NetworkMode;
    for (bool on : {false, true, false}) {
        ProgramState().NetworkMode = on;
        for (int module : {AddressModule, TasksModule, LinksModule}) {
            frame->OpenModule(module);
            EXPECT_EQ(ToolButtonShown(*frame->RefreshButton), on) << module << " network " << on;
        }
    }
    ProgramState().NetworkMode = network;
}

// The names of the tool buttons that are on, of every command's buttons.
std::set<std::string> ButtonsOn(const TMainForm& frame) {
    std::set<std::string> on;
    for (const auto& c : frame.CommandTable())
        for (TControl* b : c.Buttons)
            if (b->Enabled()) on.insert(b->Name());
    return on;
}

TEST_F(MainFormTest, TheBarsFollowTheModulesStateInEveryModuleAndMode) {
    // Every dialog there, so that only the module and the mode decide.
    for (const char* form : {"TFindTextForm", "TFilterForm", "TOrderForm", "TReadForm", "TZalohaForm", "TExportForm",
                             "TUlohaForm", "TManagerForm", "TOwnersForm", "TNewLinkForm", "TCaptureForm",
                             "TTemplateForm.Open", "TTemplateForm.Save"})
        RegisteredModules().Dialogs[form] = [] { return int(mrCancel); };
    FakeModule* window = nullptr;
    auto maker = [&](int module) {
        return [&window, module](TComponent* owner) {
            window = new FakeModule(owner, module);
            return window;
        };
    };
    RegisteredModules().AddressBook = maker(AddressModule);
    RegisteredModules().Reports = maker(ReportsModule);
    RegisteredModules().Tasks = maker(TasksModule);
    RegisteredModules().Links = maker(LinksModule);
    WriteSettings("Nastavenia67=1\nNastavenia75=1\n");
    Start();

    using Names = std::set<std::string>;
    const Names files = {"ImportButton", "ExportButton", "SaveAsButton"};
    auto with = [&](Names names) {
        names.insert(files.begin(), files.end());
        return names;
    };
    const Names reportBar = {"OpenButton", "SaveReportButton", "PreviewButton", "FontButton", "PrintButton"};
    enum EditMode { Browse, Inserting, Editing };
    const struct {
        int Module;
        EditMode Mode;
        bool Offline;
        Names On;
    } cases[] = {
        {AddressModule, Browse, false,
         with({"FirstButton", "PriorButton", "NextButton", "LastButton", "InsertButton", "EditButton", "DeleteButton",
               "FindButton", "FilterButton", "OrderButton", "SplitEnableButton", "RefreshButton", "MailButton",
               "WebButton", "PhoneButton"})},
        {AddressModule, Inserting, false,
         with({"InsertButton", "PostButton", "CancelButton", "FindButton", "FilterButton", "OrderButton",
               "SplitEnableButton", "RefreshButton", "MailButton", "WebButton", "PhoneButton"})},
        {AddressModule, Editing, false,
         with({"PostButton", "CancelButton", "FindButton", "FilterButton", "OrderButton", "SplitEnableButton",
               "RefreshButton", "MailButton", "WebButton", "PhoneButton"})},
        {AddressModule, Browse, true,
         {"FirstButton", "PriorButton", "NextButton", "LastButton", "FindButton", "FilterButton", "OrderButton",
          "SplitEnableButton", "RefreshButton", "MailButton", "WebButton", "PhoneButton", "ExportButton",
          "SaveAsButton"}},
        {ReportsModule, Browse, false,
         with({"FirstButton", "LastButton", "FindButton", "OpenButton", "SaveReportButton", "PreviewButton", "FontButton",
               "PrintButton", "OpenTemplateButton", "SaveTemplateButton"})},
        {TasksModule, Browse, false,
         with({"PriorButton", "NextButton", "InsertButton", "EditButton", "DeleteButton", "RefreshButton",
               "DetailButton", "ManagerButton", "OwnersToolButton", "MaxMinToolButton", "PayButton"})},
        {TasksModule, Editing, false,
         with({"PostButton", "CancelButton", "RefreshButton", "DetailButton", "ManagerButton", "OwnersToolButton",
               "MaxMinToolButton", "PayButton"})},
        {LinksModule, Browse, false,
         with({"FirstButton", "PriorButton", "NextButton", "LastButton", "InsertButton", "EditButton", "DeleteButton",
               "FindButton", "FilterButton", "RefreshButton", "CaptureButton", "AddToTasklButton", "RunLinkBUtton"})},
        {LinksModule, Browse, true,
         {"FirstButton", "PriorButton", "NextButton", "LastButton", "FindButton", "FilterButton", "RefreshButton", "CaptureButton",
          "RunLinkBUtton", "ExportButton", "SaveAsButton"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "module " << c.Module << " mode " << c.Mode << " offline " << c.Offline);
        frame->OfflineMode = c.Offline;
        frame->OpenModule(c.Module);
        ASSERT_EQ(frame->Module(), window);
        window->editing = c.Mode != Browse;
        window->inserting = c.Mode == Inserting;
        window->Changed();
        EXPECT_EQ(ButtonsOn(*frame), c.On);
        // A menu item is on with its command's buttons, and the Insert button shows a new record.
        for (const auto& command : frame->CommandTable())
            for (TMenuItem* item : command.Items) {
                const bool on = window->State({c.Offline, true, [](std::string_view) { return true; }}).*command.On;
                EXPECT_EQ(item->Enabled(), on) << item->Name();
            }
        EXPECT_EQ(frame->InsertButton->ImageIndex(), c.Mode == Inserting ? kInsertingImage : kInsertImage);
        EXPECT_EQ(frame->DelAllQuescions->Enabled(), c.Module == TasksModule);
    }
    // A module of the program that is not there: an empty page, and only the tables' own commands.
    frame->OfflineMode = false;
    RegisteredModules().Links = nullptr;
    frame->OpenModule(TasksModule);
    frame->OpenModule(LinksModule);
    EXPECT_EQ(frame->Module(), nullptr);
    EXPECT_EQ(ButtonsOn(*frame), files);
}

TEST_F(MainFormTest, ACommandRunsOnTheModuleOnlyWhenItsStateHasItOn) {
    FakeModule* window = nullptr;
    RegisteredModules().Links = [&window](TComponent* owner) {
        window = new FakeModule(owner, LinksModule);
        return window;
    };
    WriteSettings("Nastavenia67=1\nNastavenia36=4\n");
    Start();
    ASSERT_NE(window, nullptr);
    // No new-link dialog: Insert is off, and neither its button, its menu item nor a request runs it.
    frame->InsertButtonClick(frame);
    frame->NewMenu->Click();
    window->Ask(Command::Insert);
    EXPECT_TRUE(window->commands.empty());
    // A request runs like the button: Edit, then Save; Next is off while a link is typed.
    window->Ask(Command::Edit);
    EXPECT_TRUE(frame->PostButton->Enabled());
    EXPECT_FALSE(frame->NextButton->Enabled());
    window->Ask(Command::Next);
    frame->SaveMenu->Click();
    EXPECT_EQ(window->commands, (std::vector<Command>{Command::Edit, Command::Post}));
    EXPECT_TRUE(frame->NextButton->Enabled());
    // A save that fails says why and leaves the edit open with Save on.
    window->Ask(Command::Edit);
    window->failSave = true;
    responder.MessageBoxAnswers = {IDOK};
    frame->PostButton->Click();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "The server folder is full.");
    EXPECT_TRUE(frame->PostButton->Enabled());
    frame->CancelButton->Click();
    EXPECT_FALSE(frame->PostButton->Enabled());
    EXPECT_EQ(window->commands.back(), Command::Cancel);
}

TEST_F(MainFormTest, EveryCaptionOfTheTableReachesTheRealFrameWindowInEachLanguage) {
    WriteSettings("Nastavenia67=2\n");
    Start();
    for (int language : {kSlovak, kCzech, kEnglish}) {
        SCOPED_TRACE(language);
        TranslateMainWindow(*frame, language);
        for (size_t i = 0; i < kCaptionCount; ++i) {
            const TCaptionRow& row = kCaptionTable[i];
            if (std::string_view(row.Form) != "TMainForm") continue;
            TComponent* target = *row.Component ? FindNamedComponent(*frame, row.Component) : frame;
            ASSERT_NE(target, nullptr) << row.Component << ": the table names a component the window lacks";
            const std::string want = row.Text[language - 1];
            if (auto* item = dynamic_cast<TMenuItem*>(target)) {
                EXPECT_EQ(item->Caption(), want) << row.Component;
            } else {
                auto* control = dynamic_cast<TControl*>(target);
                ASSERT_NE(control, nullptr) << row.Component;
                EXPECT_EQ(row.Kind == TCaptionKind::Hint ? control->Hint() : control->Caption(), want) << row.Component;
            }
        }
        for (const OutlookCaption& c : kOutlookCaptions) {
            auto* control = dynamic_cast<TControl*>(FindNamedComponent(*frame, c.Component));
            ASSERT_NE(control, nullptr) << c.Component << ": the table names a component the window lacks";
            std::string want, second;
            GetMessageText(c.First, want, language);
            if (c.Second) {
                GetMessageText(c.Second, second, language);
                want += "\n" + second;
            }
            EXPECT_EQ(control->Caption(), want) << c.Component;
        }
    }
}

TEST_F(MainFormTest, TheModuleBarStandsOnTheRightAndTheKeyboardReachesIt) {
    WriteSettings("Nastavenia67=1\n");
    Start();
    frame->SetClientSize(900, 600);
    QApplication::processEvents();
    TKvOutlookBar& bar = *frame->kvOutlookBar1;
    EXPECT_EQ(bar.Align(), TAlign::alRight);
    EXPECT_EQ(bar.Width(), 60);
    EXPECT_EQ(bar.Left() + bar.Width(), frame->ClientWidth());
    EXPECT_EQ(bar.HeaderSettings().LargeWidth(), 50);
    EXPECT_EQ(bar.HeaderSettings().LargeHeight(), 70);
    EXPECT_TRUE(bar.HeaderSettings().KeySupport());
    EXPECT_EQ(frame->AdresySpeedButton1->Height(), 70);
}

TEST_F(MainFormTest, PageKeysOpenTheModuleBarsHeadersAndEnterPressesItsButtons) {
    WriteSettings("Nastavenia67=1\nNastavenia36=1\n");
    Start();
    frame->SetClientSize(900, 600);
    frame->Show();
    QApplication::setActiveWindow(frame->Widget());
    QApplication::processEvents();
    TKvOutlookBar& bar = *frame->kvOutlookBar1;
    auto press = [](TWinControl& control, Qt::Key key) {
        control.SetFocus();
        QApplication::processEvents();
        EXPECT_TRUE(control.Focused()) << control.Name();
        testing::TypeKey(control.Widget(), key);
        QApplication::processEvents();
    };
    // Enter on a module button opens its module; the print header comes with the reports.
    press(*frame->LinksSpeedButton1, Qt::Key_Return);
    EXPECT_EQ(frame->ActiveModule(), LinksModule);
    press(*frame->ZostavySpeedButton1, Qt::Key_Return);
    EXPECT_EQ(frame->ActiveModule(), ReportsModule);
    EXPECT_EQ(bar.ActiveHeader(), frame->Header2);
    // Page Up and Page Down on a header open the header before and after the open one.
    press(*frame->Header1, Qt::Key_PageUp);
    EXPECT_EQ(bar.ActiveHeader(), frame->Header1);
    frame->Header2->SetVisible(true);
    press(*frame->Header1, Qt::Key_PageDown);
    EXPECT_EQ(bar.ActiveHeader(), frame->Header2);
    // Enter on a header that is not open opens it; opening the module header puts the print
    // header away, and Page Down then has nothing further to open.
    press(*frame->Header1, Qt::Key_Return);
    EXPECT_EQ(bar.ActiveHeader(), frame->Header1);
    EXPECT_FALSE(frame->Header2->Visible());
    press(*frame->Header1, Qt::Key_PageDown);
    EXPECT_EQ(bar.ActiveHeader(), frame->Header1);
    // Enter on the address button opens the address book, and the reports module goes.
    press(*frame->AdresySpeedButton1, Qt::Key_Return);
    EXPECT_EQ(frame->ActiveModule(), AddressModule);

    // By keys alone: Enter on the reports button leaves the keyboard on the print header that
    // opened, where Page Up opens the module header again and keeps the keyboard there.
    press(*frame->ZostavySpeedButton1, Qt::Key_Return);
    EXPECT_EQ(frame->ActiveModule(), ReportsModule);
    EXPECT_TRUE(frame->Header2->Focused());
    testing::TypeKey(QApplication::focusWidget(), Qt::Key_PageUp);
    QApplication::processEvents();
    EXPECT_EQ(bar.ActiveHeader(), frame->Header1);
    EXPECT_FALSE(frame->Header2->Visible());
    EXPECT_TRUE(frame->Header1->Focused());
}

TEST_F(MainFormTest, ASaveThatFailsOnCloseKeepsTheWindowOpenAndSaysWhy) {
    RegisterAddressBook();
    const fs::path server = temp.path() / "server";
    fs::create_directories(server);
    WriteSettings("Nastavenia73=1\nNastavenia_Text18=" + server.string() + "/\nNastavenia_Text19=Jano\nNastavenia67=1\n");
    MakeServerTables(server);
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    Start();
    ASSERT_EQ(frame->AddressBook(), book);
    frame->InsertButtonClick(frame);
    EXPECT_EQ(book->commands, (std::vector<Command>{Command::Insert}));
    ASSERT_TRUE(frame->PostButton->Enabled());

    book->failSave = true;
    responder.MessageBoxAnswers = {IDYES, IDOK};
    bool canClose = true;
    frame->FormCloseQuery(frame, canClose);
    EXPECT_FALSE(canClose);
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, GetMessageText(MessageId::SaveChanges));
    EXPECT_EQ(responder.MessageBoxes[1].Text, "The server folder is full.");
    EXPECT_TRUE(frame->PostButton->Enabled());

    // Saved at the second try, the close goes on; "No" would have saved nothing.
    book->failSave = false;
    responder.MessageBoxAnswers = {IDYES};
    frame->FormCloseQuery(frame, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_FALSE(frame->PostButton->Enabled());
    EXPECT_EQ(book->commands.back(), Command::Post);
}

TEST_F(MainFormTest, EveryCloseStepRunsAndEachFailureIsReported) {
    WriteSettings("Nastavenia73=1\nNastavenia_Text19=Jano\nNastavenia67=1\n");
    responder.MessageBoxAnswers = {IDOK};
    Start(); // offline: no server folder
    ASSERT_TRUE(frame->OfflineMode);
    // The local copies cannot be written: a folder stands where the task table goes.
    fs::remove(dataFolder / "TempData" / "_tasks.d");
    fs::create_directories(dataFolder / "TempData" / "_tasks.d" / "x");
    frame->SetBounds(40, 30, frame->Width(), frame->Height());
    responder.MessageBoxAnswers = {IDOK};
    TCloseAction action = TCloseAction::caFree;
    frame->FormClose(frame, action);
    EXPECT_EQ(frame->CloseErrors.size(), 1u);
    EXPECT_EQ(frame->ModuleForm(), nullptr);
    // The position and the settings were still saved.
    SettingsStore saved;
    saved.LoadSettings(dataFolder);
    EXPECT_EQ(saved.Nastavenia[Slot::FrameLeft], 40);
    EXPECT_EQ(saved.Nastavenia[Slot::FrameTop], 30);
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[1].Text, frame->CloseErrors[0] + "\n");
}

// The copies of the shared tables made at the close are as private as the tables on the server,
// and their folder as the data folder: a table that only its owner reads gets no copy that
// others read.
TEST_F(MainFormTest, TheCloseTimeCopiesTakeTheModesOfTheTablesAndOfTheDataFolder) {
    const fs::path server = temp.path() / "server";
    MakeServerTables(server);
    for (const auto& entry : fs::directory_iterator(server))
        if (entry.path().extension() == ".d") fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(server / "Jano_links.d", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteSettings("Nastavenia67=1\nNastavenia73=1\nNastavenia74=0\nNastavenia_Text18=" + server.string() +
                  "/\nNastavenia_Text19=Jano\n");
    fs::permissions(dataFolder, fs::perms::owner_all);
    // A copy left world-readable by an earlier close.
    fs::create_directories(dataFolder / "TempData");
    WriteFileDurably(dataFolder / "TempData" / "Jano_address.d", "old");
    fs::permissions(dataFolder / "TempData" / "Jano_address.d", fs::perms::owner_read | fs::perms::owner_write |
                                                                    fs::perms::group_read | fs::perms::others_read);
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    Start();
    ASSERT_FALSE(frame->OfflineMode);
    TCloseAction action = TCloseAction::caFree;
    frame->FormClose(frame, action);
    EXPECT_TRUE(frame->CloseErrors.empty());
    auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::mask; };
    EXPECT_EQ(mode(dataFolder / "TempData"), fs::perms::owner_all);
    for (const char* name : {"Jano_address.d", "Jano_tasks.d", "Jano_prlist.d"}) {
        ASSERT_TRUE(fs::exists(dataFolder / "TempData" / name)) << name;
        EXPECT_EQ(mode(dataFolder / "TempData" / name), fs::perms::owner_read | fs::perms::owner_write) << name;
    }
    EXPECT_EQ(mode(dataFolder / "TempData" / "Jano_links.d"),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_NE(ReadWholeFile(dataFolder / "TempData" / "Jano_address.d"), "old");
}

// Holds the lock file in another process for a while.
pid_t HoldLock(const fs::path& lockFile, int ms) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        TTableLocks locks;
        bool held = locks.LockTableFile(lockFile);
        char c = held ? 1 : 0;
        (void)!write(ready[1], &c, 1);
        usleep(useconds_t(ms) * 1000);
        _exit(0);
    }
    char c = 0;
    EXPECT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 1);
    close(ready[0]);
    close(ready[1]);
    return child;
}

TEST_F(MainFormTest, NetworkDeleteAsksFirstWaitsForAnotherWriterAndDeletesTheChosenRows) {
    RegisterAddressBook();
    const fs::path server = temp.path() / "server";
    fs::create_directories(server);
    MakeServerTables(server, {"Alfa", "Beta", "Gama"});
    WriteSettings("Nastavenia73=1\nNastavenia_Text18=" + server.string() + "/\nNastavenia_Text19=Jano\nNastavenia67=1\n");
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    Start();
    TVolgaTable& table = *data->AddressTable;
    ASSERT_EQ(table.RecordCount(), 4);
    auto codeOf = [&](const char* firma) {
        table.Locate("Firma", Variant(std::string(firma)), 0);
        return table.FieldByName("Number").AsString();
    };
    book->selected = {codeOf("Alfa"), codeOf("Gama")};
    const fs::path lock = server / "Jano_address.mpf";

    // No: nothing is written and no lock is taken.
    const auto before = ReadWholeFile(server / "Jano_address.d");
    responder.MessageBoxAnswers = {IDNO};
    frame->DeleteButtonClick(frame);
    EXPECT_EQ(ReadWholeFile(server / "Jano_address.d"), before);
    EXPECT_FALSE(ProgramLocks().IsFileInUse(lock));

    // Yes while another program writes: the delete waits for it, then removes both rows.
    const pid_t other = HoldLock(lock, 300);
    responder.MessageBoxAnswers = {IDYES};
    QElapsedTimer waited;
    waited.start();
    frame->DeleteButtonClick(frame);
    EXPECT_GE(waited.elapsed(), 250);
    waitpid(other, nullptr, 0);
    EXPECT_FALSE(ProgramLocks().TableLockHeld());
    EXPECT_EQ(table.RecordCount(), 2);
    // Read again from its file, the table holds the same.
    table.Refresh();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_FALSE(table.Locate("Firma", Variant(std::string("Alfa")), 0));
    EXPECT_TRUE(table.Locate("Firma", Variant(std::string("Beta")), 0));
}

// Records chosen back and forth (A, B, A) are deleted once each: the delete does not fail on
// the second A as though another user had removed it.
TEST_F(MainFormTest, ARecordChosenTwiceIsDeletedOnce) {
    RegisterAddressBook();
    const fs::path server = temp.path() / "server";
    fs::create_directories(server);
    MakeServerTables(server, {"Alfa", "Beta", "Gama"});
    WriteSettings("Nastavenia73=1\nNastavenia_Text18=" + server.string() + "/\nNastavenia_Text19=Jano\nNastavenia67=1\n");
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    Start();
    TVolgaTable& table = *data->AddressTable;
    auto codeOf = [&](const char* firma) {
        table.Locate("Firma", Variant(std::string(firma)), 0);
        return table.FieldByName("Number").AsString();
    };
    book->selected = {codeOf("Alfa"), codeOf("Gama"), codeOf("Alfa")};
    responder.MessageBoxAnswers = {IDYES};
    frame->DeleteButtonClick(frame);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u); // the question, and no error after it
    table.Refresh();
    EXPECT_FALSE(table.Locate("Firma", Variant(std::string("Alfa")), 0));
    EXPECT_FALSE(table.Locate("Firma", Variant(std::string("Gama")), 0));
    EXPECT_TRUE(table.Locate("Firma", Variant(std::string("Beta")), 0));
}

TEST(FontStyleCodes, EverySetHasACodeThatReadsBackAndOldCodesStillRead) {
    for (unsigned style = 0; style < 16; ++style) {
        SCOPED_TRACE(style);
        const auto code = StyleCodeOf(style);
        ASSERT_TRUE(code);
        EXPECT_EQ(StyleOfCode(*code), style);
    }
    EXPECT_EQ(StyleCodeOf(0), 15);
    EXPECT_EQ(StyleCodeOf(fsBold | fsItalic), 8);
    EXPECT_EQ(StyleCodeOf(fsBold | fsItalic | fsUnderline | fsStrikeOut), 19);
    EXPECT_EQ(StyleOfCode(5), unsigned(fsBold | fsItalic));
    EXPECT_EQ(StyleOfCode(16), unsigned(fsUnderline | fsStrikeOut));
    EXPECT_FALSE(StyleOfCode(0));
    EXPECT_FALSE(StyleOfCode(20));
}

TEST_F(MainFormTest, TwoPluginsWithTheSameActionNamesEachGetTheirMenuItems) {
    Start();
    // Two copies of one plug-in: the same action names, "First" and "Second".
    const int before = frame->PluginsMenu->Count();
    TBitmap picture(16, 16);
    picture.Image().fill(Qt::red);
    kvzTestPluginScript()->FirstImage = &picture;
    for (const char* name : {"one.MAX", "two.MAX"}) {
        fs::copy_file(fs::path(KVZ_TEST_PLUGINS) / "test_normal.MAX", temp.path() / name);
        EXPECT_EQ(frame->kvPluginLoader1->LoadPlugin(temp.path() / name, {}), lrNone);
    }
    kvzTestPluginScript()->FirstImage = nullptr;
    ASSERT_EQ(frame->PluginsMenu->Count(), before + 4);
    std::set<std::string> names;
    std::vector<std::string> captions;
    for (int i = before; i < before + 4; ++i) {
        TMenuItem* item = frame->PluginsMenu->Items(i);
        names.insert(item->Name());
        captions.push_back(item->Caption());
        EXPECT_TRUE(item->OnClick);
    }
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(captions, (std::vector<std::string>{"&First", "&Second", "&First", "&Second"}));
    EXPECT_TRUE(frame->PluginsMenu->Visible());
    // Each item carries the action's hint, shortcut and picture, and the menu shows them.
    TMenuItem& first = *frame->PluginsMenu->Items(before);
    TMenuItem& second = *frame->PluginsMenu->Items(before + 1);
    EXPECT_EQ(first.Hint(), "First hint");
    EXPECT_EQ(second.Hint(), "Second hint");
    EXPECT_EQ(first.ShortCut(), 0x4000 | 'F');
    EXPECT_EQ(second.Action()->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F2));
    EXPECT_EQ(first.Action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(first.Action()->statusTip(), "First hint");
    EXPECT_FALSE(first.Bitmap().Empty());
    EXPECT_FALSE(first.Action()->icon().isNull());
    EXPECT_TRUE(second.Bitmap().Empty());
    EXPECT_TRUE(second.Action()->icon().isNull());
    // The shortcut works while the menu is closed: the item's action stands in the closed menu,
    // and it runs the plug-in's action.
    QMenuBar* bar = frame->MainMenu1->MenuBar();
    QAction* shown = nullptr;
    for (QAction* menu : bar->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (a == second.Action()) shown = a;
    EXPECT_NE(shown, nullptr) << "the item's action is in the closed menu";
    kvzTestPluginScript()->Log.clear();
    second.Action()->trigger();
    EXPECT_EQ(kvzTestPluginScript()->Log, std::vector<std::string>{"action Second"});
    // A window's own names are not taken by plug-ins.
    EXPECT_EQ(FindNamedComponent(*frame, "PluginsMenu"), frame->PluginsMenu);
}

TEST(CompanionLinkTest, MessagesAndThePasswordTravelOverTheSocketAndNoListenerIsNoCompanion) {
    testing::EnsureApplication();
    TempFolder temp;
    const fs::path socket = temp.path() / "frame";
    EXPECT_FALSE(PostWindowMessage(socket, WM_TEMKO, TEMKO_TASKS_CHANGED, 0));
    CompanionLink link(socket);
    ASSERT_TRUE(link.Listening());
    std::vector<long> received;
    link.OnMessage = [&](int message, long wParam, long) {
        if (message == WM_TEMKO) received.push_back(wParam);
    };
    link.OnPasswordRequest = [] { return std::string("heslo"); };
    ASSERT_TRUE(PostWindowMessage(socket, WM_TEMKO, TEMKO_RELOAD_TASKS, 0));
    QElapsedTimer t;
    t.start();
    while (received.empty() && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received, std::vector<long>{TEMKO_RELOAD_TASKS});

    QLocalSocket peer;
    peer.connectToServer(QString::fromStdString(socket.string()));
    ASSERT_TRUE(peer.waitForConnected(1000));
    peer.write("TablePassword\n");
    std::string answer;
    t.restart();
    while (!peer.canReadLine() && t.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        peer.waitForReadyRead(20);
    }
    answer = peer.readLine().toStdString();
    EXPECT_EQ(answer, "heslo\n");
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The frame window in the three languages, on each module page: saved as pictures to look at.
TEST_F(MainFormTest, PicturesOfTheFrameWindowInThreeLanguagesAndEveryModule) {
    // With the program's own user steps: the captions come from the caption table.
    InstallUserSteps();
    for (int language : {1, 2, 3}) {
        WriteSettings("Nastavenia67=" + std::to_string(language) + "\nNastavenia36=1\nNastavenia62=0\n");
        WriteFileDurably(dataFolder / "Users.ini", "[UserNames]\nUser0=Eva\n");
        Start();
        const char* fileMenu[] = {"", "&File", "&Súbor", "&Soubor"};
        EXPECT_EQ(frame->FileMenu->Caption(), fileMenu[language]);
        EXPECT_TRUE(fs::exists(dataFolder / "version.inf"));
        const char* names[] = {"", "address", "reports", "tasks", "links"};
        for (int module : {AddressModule, ReportsModule, TasksModule, LinksModule}) {
            frame->OpenModule(module);
            const QImage picture =
                testing::SaveWindowPicture(*frame, "frame-" + std::to_string(language) + "-" + names[module]);
            EXPECT_EQ(picture.width(), frame->Width() * picture.devicePixelRatio());
        }
        const char* linksTitle[] = {"", " Links - Eva", " Odkazy - Eva", " Odkazy - Eva"};
        EXPECT_EQ(frame->StatusBar1->Panels(0)->Text(), linksTitle[language]);
        frame->Free();
        frame = nullptr;
        data.reset();
    }
    SetLanguage(2);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(MainFormTest, AWrongTablePasswordIsReportedAndTheUserIsAskedAgain) {
    MakeServerTables(dataFolder, {}, "tajne");
    // A new run knows no password yet.
    VolgaSession().RemovePassword("tajne");
    // A missing header picture changes nothing of the start.
    WriteSettings("Nastavenia67=1\nNastavenia84=1\nNastavenia_Text25=" + (temp.path() / "gone.bmp").string() + "\n");
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    int asked = 0;
    RegisteredUserSteps().PickUser = [&](TMainForm& f) {
        ++asked;
        f.TablePassword = "tajne";
        return true;
    };
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    Start();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    ASSERT_NE(data->TaskTable, nullptr);
    EXPECT_TRUE(data->AddressTable->Active());
    EXPECT_EQ(frame->TablePassword, "tajne");
    EXPECT_EQ(frame->ActiveModule(), AddressModule);
    EXPECT_EQ(frame->Header1->Gradient().BackStyle(), TBackStyle::bsNormal);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(MainFormTest, TheAboutBoxSpeaksTheLanguageAndItsLinksOpenThroughTheDesktop) {
    std::vector<std::string> opened;
    SetShellOpener([&](const std::string& file, const std::string&, const std::string&, int) {
        opened.push_back(file);
        return 33;
    });
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        std::string caption;
        responder.OnShowModal = [&](TForm& f) {
            auto& box = static_cast<TAboutBox&>(f);
            caption = box.TabSheet2->Caption();
            box.WebLabel->OnClick(box.WebLabel);
            testing::SaveWindowPicture(box, "about-" + std::to_string(language));
            return mrOk;
        };
        TAboutBox box(nullptr);
        box.ShowModal();
        const char* thanks[] = {"", "Thanks", "Poďakovanie", "Poděkování"};
        EXPECT_EQ(caption, thanks[language]);
    }
    EXPECT_EQ(opened, std::vector<std::string>(3, "http://www.kvzirt.example"));
    SetShellOpener(nullptr);
    SetLanguage(2);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST(DataModulePartsTest, FileFiltersAndTheFontDialogsLargestSize) {
    EXPECT_EQ(FileDialogFilter("Zostava KV-Zirt|*.qrp|Všetky súbory|*.*"), "Zostava KV-Zirt (*.qrp);;Všetky súbory (*.*)");
    EXPECT_EQ(FileDialogFilter("Pictures|*.bmp;*.gif"), "Pictures (*.bmp *.gif)");
    testing::EnsureApplication();
    TResponder responder;
    responder.OnDialog = [](QDialog& d) {
        auto& fonts = static_cast<QFontDialog&>(d);
        fonts.setCurrentFont(QFont("Serif", 24));
        return int(QDialog::Accepted);
    };
    TFontDialog dialog;
    dialog.MaxFontSize = 10;
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Font.Size, 10);
    EXPECT_FALSE(dialog.Font.Name.empty());
    EXPECT_EQ(DataModuleParts().ImageList4.Width(), 32);
    EXPECT_GT(DataModuleParts().ImageList1.Count(), kInsertingImage);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(MainFormTest, ConnectToServerLeavesOfflineModeOnceTheServerIsBack) {
    const fs::path server = temp.path() / "server";
    fs::create_directories(server);
    WriteSettings("Nastavenia67=1\nNastavenia73=1\nNastavenia_Text18=" + server.string() + "/\nNastavenia_Text19=Jano\n");
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    Start();
    ASSERT_TRUE(frame->OfflineMode);
    // Still away: the notice again, still offline.
    frame->ConnectMenuClick(frame);
    EXPECT_TRUE(frame->OfflineMode);
    EXPECT_EQ(responder.MessageBoxes.size(), 2u);
    MakeServerTables(server, {"Zo servera"});
    frame->ConnectMenuClick(frame);
    EXPECT_FALSE(frame->OfflineMode);
    EXPECT_FALSE(frame->ConnectMenu->Visible());
    EXPECT_EQ(ProgramState().TableFolder, server.string() + "/");
    EXPECT_TRUE(data->AddressTable->Locate("Firma", Variant(std::string("Zo servera")), 0));
    EXPECT_EQ(frame->ActiveModule(), AddressModule);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The change-user button and menu item follow the module's state each time it says it changed.
TEST_F(MainFormTest, ChangeUserFollowsTheModulesState) {
    RegisteredUserSteps().PickUser = [](TMainForm&) { return false; };
    FakeModule* window = nullptr;
    RegisteredModules().Reports = [&window](TComponent* owner) { return window = new FakeModule(owner, ReportsModule); };
    WriteSettings("Nastavenia67=1\n");
    Start();
    frame->OpenModule(ReportsModule);
    ASSERT_NE(window, nullptr);
    for (bool on : {false, true, false, true}) {
        window->changeUser = on;
        window->Changed();
        EXPECT_EQ(frame->ChangeUserButon->Enabled(), on);
        EXPECT_EQ(frame->ChangeUserMenu->Enabled(), on);
    }
    // Without a module the user may always be changed.
    window->changeUser = false;
    window->Changed();
    frame->CloseActiveModule();
    frame->EnableModuleButtons();
    EXPECT_TRUE(frame->ChangeUserButon->Enabled());
}

TEST_F(MainFormTest, AChangeOfUserSavesTheSettingsAndOpensTheNewUsersTablesAndModule) {
    WriteSettings("Nastavenia67=1\nNastavenia36=4\n");
    RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
    RegisteredUserSteps().PickUser = [](TMainForm& f) {
        ProgramState().UserPrefix = "Eva";
        f.TablePassword.clear();
        return true;
    };
    Start();
    ASSERT_TRUE(frame->ChangeUserButon->Enabled());
    frame->SetBounds(50, 60, frame->Width(), frame->Height());
    ProgramSettings().Nastavenia[Slot::ActiveModule] = 3;
    frame->ChangeUserButon->Click();
    EXPECT_FALSE(frame->TranslateOnShow);
    EXPECT_EQ(ProgramState().UserPrefix, "Eva");
    EXPECT_TRUE(fs::exists(dataFolder / "Eva_tasks.d"));
    EXPECT_EQ(data->TableFileName(TableId::Tasks), dataFolder / "Eva_tasks.d");
    // The settings were saved before the user changed and read again after.
    EXPECT_EQ(frame->ActiveModule(), TasksModule);
    EXPECT_EQ(frame->StatusBar1->Panels(0)->Text(), " Tasks - Eva");
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(MainFormTest, EraseAllTasksDeletesEveryTaskAndWritesTheTableOnlyOnYes) {
    WriteSettings("Nastavenia67=1\n");
    Start();
    TVolgaTable& tasks = *data->TaskTable;
    for (int i = 0; i < 5; ++i) {
        tasks.Append();
        tasks.FieldByName("Uloha").SetAsString("Úloha " + std::to_string(i));
        tasks.Post();
    }
    tasks.ApplyChanges();
    tasks.CommitChanges();
    const fs::path file = data->TableFileName(TableId::Tasks);
    const std::string before = ReadWholeFile(file);
    responder.MessageBoxAnswers = {IDNO};
    frame->DelAllQuescionsClick(frame);
    EXPECT_EQ(tasks.RecordCount(), 5);
    EXPECT_EQ(ReadWholeFile(file), before);
    responder.MessageBoxAnswers = {IDYES};
    frame->DelAllQuescionsClick(frame);
    EXPECT_EQ(tasks.RecordCount(), 0);
    tasks.Refresh();
    EXPECT_EQ(tasks.RecordCount(), 0);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The settings dialog opens over the address book: its colour and font buttons change the
// window's parts through the shared dialogs, and OK stores the window's view and the categories.
TEST_F(MainFormTest, TheSettingsDialogWorksOnTheOpenWindowAndOkStoresTheSettings) {
    RegisterAddressBook();
    WriteSettings("Nastavenia36=1\nNastavenia62=0\nNastavenia67=1\n");
    Start();
    ASSERT_TRUE(frame->SetupButton->Enabled());
    ASSERT_TRUE(frame->InterfaceSetupMenu->Enabled());
    responder.OnDialog = [](QDialog& d) {
        if (auto* colors = qobject_cast<QColorDialog*>(&d)) {
            colors->setCurrentColor(QColor(0x11, 0x22, 0x33));
            colors->accept(); // keeps the colour as the chosen one
        } else {
            static_cast<QFontDialog&>(d).setCurrentFont(QFont("Serif", 30));
        }
        return int(QDialog::Accepted);
    };
    responder.OnShowModal = [&](TForm& form) {
        auto& setup = dynamic_cast<TSetupForm&>(form);
        EXPECT_EQ(setup.AdrNameShape->Brush.Color, clTeal); // the sample shows the window's colour
        setup.Button1->Click();                              // colour of the name edit
        setup.Button4->Click();                              // font of the note, at most 12
        EXPECT_EQ(DataModuleParts().FontDialog1.MaxFontSize, 16);
        setup.ViewStyle->SetItemIndex(3);
        setup.ViewStyleClick(setup.ViewStyle);
        setup.CheckBox1->SetChecked(true);
        setup.BitBtn1->Click();
        return int(mrNone);
    };
    frame->SetupButton->Click();
    EXPECT_EQ(book->colors[SetupTarget::AddressName], RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(book->DBMemo2->Font().Size, 12); // the window's control of that name
    EXPECT_EQ(frame->kvOutlookBar1->HeaderSettings().ViewStyle(), outlook::ViewStyleFromSetting(3));
    EXPECT_NE(std::find(book->calls.begin(), book->calls.end(), "UlozDoPola"), book->calls.end());
    EXPECT_TRUE(frame->SplitEnableButton->Visible());
    // The table got its category field and the frame opened the tables again.
    ASSERT_TRUE(frame->DataModule1->AddressTable->Active());
    EXPECT_NE(frame->DataModule1->AddressTable->FindField("Split_field"), nullptr);
    SettingsStore saved;
    saved.LoadSettings(dataFolder);
    EXPECT_EQ(saved.Nastavenia[Slot::Categories], 1);
    EXPECT_EQ(saved.Nastavenia[Slot::ViewStyle], 3);
}

TEST_F(MainFormTest, PicturesOfTheSettingsDialogOverTheFrameInThreeLanguages) {
    InstallUserSteps();
    RegisterAddressBook();
    for (int language : {1, 2, 3}) {
        WriteSettings("Nastavenia67=" + std::to_string(language) + "\nNastavenia36=1\nNastavenia62=0\n");
        WriteFileDurably(dataFolder / "Users.ini", "[UserNames]\nUser0=Eva\n");
        Start();
        bool shown = false;
        responder.OnShowModal = [&](TForm& form) {
            shown = true;
            const std::string suffix = std::to_string(language);
            testing::SaveWindowPicture(*frame, "frame-under-setup-" + suffix);
            testing::SaveWindowPicture(form, "frame-setup-" + suffix);
            return int(mrCancel);
        };
        frame->InterfaceSetupMenu->Click();
        EXPECT_TRUE(shown);
        frame->Free();
        frame = nullptr;
        data.reset();
    }
    SetLanguage(2);
}

// A client turned local by the wizard: the frame window opens the user's own tables again, and
// the address book shows them sorted and with its field layout read again.
TEST_F(MainFormTest, TheNetworkWizardTurnsAClientLocalAndOpensTheLocalTables) {
    const fs::path server = temp.path() / "server";
    MakeServerTables(server, {"Zo servera"});
    WriteSettings("Nastavenia36=1\nNastavenia62=0\nNastavenia73=1\nNastavenia74=0\nNastavenia_Text18=" +
                  server.string() + "/\nNastavenia_Text19=Jano\n");
    // The local tables have a password of their own, the shared ones none.
    RegisteredUserSteps().ScanUser = [](TMainForm& f) {
        ProgramState().UserPrefix = "Jano";
        if (!ProgramState().NetworkMode) f.TablePassword = "tajne";
    };
    int rights = 0;
    RegisteredUserSteps().EnableKeyByRole = [&](TMainForm&) { ++rights; };
    RegisterAddressBook();
    Start();
    ASSERT_TRUE(ProgramState().NetworkMode);
    ASSERT_TRUE(data->AddressTable->Locate("Firma", Variant(std::string("Zo servera")), 0));
    ASSERT_TRUE(frame->NetWizardMenu->Enabled());
    rights = 0;
    book->calls.clear();
    responder.OnShowModal = [](TForm& form) {
        auto& wizard = dynamic_cast<TWizardForm&>(form);
        wizard.RadioGroup1->SetItemIndex(wrLocal);
        wizard.Button1->Click();
        wizard.Button3->Click();
        return int(mrNone);
    };
    frame->NetWizardMenu->Click();
    EXPECT_FALSE(ProgramState().NetworkMode);
    EXPECT_FALSE(ProgramSettings().ClientMode);
    EXPECT_EQ(ProgramState().TableFolder, dataFolder);
    for (TVolgaTable* table : {data->AddressTable, data->TaskTable, data->LinksTable}) {
        ASSERT_TRUE(table && table->Active());
        EXPECT_EQ(fs::path(table->TableName()).parent_path(), dataFolder);
    }
    EXPECT_FALSE(data->AddressTable->Locate("Firma", Variant(std::string("Zo servera")), 0));
    EXPECT_EQ(frame->TablePassword, "tajne");
    EXPECT_GE(rights, 2); // the frame's show handler ran again, then the wizard's own update
    EXPECT_EQ(book->calls, (std::vector<std::string>{"FormShow", "CitajKomponenty"}));
    SettingsStore saved;
    saved.LoadSettings(dataFolder);
    EXPECT_EQ(saved.Nastavenia[Slot::NetworkMode], 0);
}

} // namespace
} // namespace kvz
