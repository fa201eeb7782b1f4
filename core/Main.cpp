#include "core/Main.h"

#include "core/AnimForm.h"
#include "core/DataModuleParts.h"
#include "core/FrameImages.h"
#include "core/FrameServices.h"
#include "core/Languages.h"
#include "core/Users.h"
#include "core/Messages.h"
#include "core/SmallRoutines.h"
#include "core/TableCopies.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"

#include <QApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace kvz {

namespace fs = std::filesystem;

namespace {

TMainForm* gMainForm = nullptr;

// Module window titles, each ending in two blanks, and the status bar's.
std::string ModuleTitle(int module) {
    switch (module) {
    case AddressModule: return ByLanguage("Address book  ", "Adresár  ", "Adresář  ");
    case ReportsModule: return ByLanguage("Create reports  ", "Tvorba zostáv  ", "Tvorba sestav  ");
    case TasksModule: return ByLanguage("Tasks  ", "Úlohy  ", "Úkoly  ");
    case LinksModule: return ByLanguage("Links  ", "Odkazy  ", "Odkazy  ");
    default: return {};
    }
}

std::string StatusTitle(int module) {
    switch (module) {
    case AddressModule: return ByLanguage(" Address book - ", " Adresár - ", " Adresář - ");
    case ReportsModule: return ByLanguage(" Create reports - ", " Tvorba zostáv - ", " Tvorba sestav - ");
    case TasksModule: return ByLanguage(" Tasks - ", " Úlohy - ", " Úkoly - ");
    case LinksModule: return ByLanguage(" Links - ", " Odkazy - ", " Odkazy - ");
    default: return {};
    }
}

// The page of a module whose window the program does not have.
class TModulePageForm : public TForm {
public:
    TModulePageForm(TComponent* owner, const std::string& title) : TForm(owner) {
        SetFormStyle(TFormStyle::fsMDIChild);
        SetColor(clAppWorkSpace);
        Label1->SetParent(this);
        Label1->SetAlign(TAlign::alClient);
        Label1->SetAlignment(taCenter);
        Label1->SetLayout(TTextLayout::tlCenter);
        TFont font = Label1->Font();
        font.Color = clWhite;
        font.Size = 12;
        Label1->SetFont(font);
        Label1->SetCaption(title);
    }
    TLabel* Label1 = new TLabel(this);
};


} // namespace

const char* ByLanguage(const char* en, const char* sk, const char* cz) {
    switch (Language()) {
    case 2: return sk;
    case 3: return cz;
    default: return en;
    }
}

UserSteps& RegisteredUserSteps() {
    static UserSteps steps;
    return steps;
}

FrameState& ProgramState() {
    static FrameState state;
    return state;
}

SettingsStore& ProgramSettings() {
    static SettingsStore settings;
    return settings;
}

TTableLocks& ProgramLocks() {
    static TTableLocks locks;
    return locks;
}

TMainForm* MainForm() { return gMainForm; }

FrameBounds FirstStartBounds(int availableLeft, int availableTop, int availableWidth, int availableHeight) {
    // The window manager adds a title bar and borders around the client size asked for.
    constexpr int kDecorationWidth = 10, kDecorationHeight = 40;
    const int width = std::max(1, std::min(kFirstStartWidth, availableWidth - kDecorationWidth));
    const int height = std::max(1, std::min(kFirstStartHeight, availableHeight - kDecorationHeight));
    return {availableLeft + std::max(0, (availableWidth - width - kDecorationWidth) / 2),
            availableTop + std::max(0, (availableHeight - height - kDecorationHeight) / 2), width, height};
}

// ---- building the window ----

template <class T>
T* TMainForm::Item(TMenuItem* parent, const char* name, const char* caption, void (TMainForm::*handler)(TComponent*)) {
    auto* item = new T(this);
    item->SetName(name);
    item->SetCaption(caption);
    if (handler) item->OnClick = [this, handler](TComponent* s) { (this->*handler)(s); };
    if (parent) parent->Add(item);
    return item;
}

TToolButton* TMainForm::Button(TToolBar* bar, const char* name, const char* hint, int image,
                               void (TMainForm::*handler)(TComponent*)) {
    auto* b = new TToolButton(this);
    b->SetName(name);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->SetParent(bar);
    b->SetImageIndex(image);
    if (handler) b->OnClick = [this, handler](TComponent* s) { (this->*handler)(s); };
    return b;
}

TOutlookButton* TMainForm::ModuleButton(TKvOutlookBarHeader* header, const char* name, const char* caption, int image,
                                        void (TMainForm::*handler)(TComponent*)) {
    auto* b = new TOutlookButton(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetLargeImages(largeImages_);
    b->SetSmallImages(smallImages_);
    b->SetImageIndex(image);
    b->SetHeader(header);
    if (handler) b->OnClick = [this, handler](TComponent* s) { (this->*handler)(s); };
    return b;
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner, TFormStyle::fsMDIForm) {
    gMainForm = this;
    SetName("MainForm");
    SetCaption("KV-Zirt 3.6");
    SetKeyPreview(true);
    SetPosition(TPosition::poDefault);
    SetClientSize(729, 522);
    Widget()->setMinimumWidth(577);
    recordImages_ = &DataModuleParts().ImageList1;
    smallImages_ = &DataModuleParts().ImageList3;
    largeImages_ = &DataModuleParts().ImageList4;

    BuildMenus();
    BuildToolBars();
    BuildOutlookBar();

    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->AddPanel(220);
    StatusBar1->AddPanel(180);
    StatusBar1->AddPanel(200);
    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->SetName("ProgressBar1");
    ProgressBar1->SetParent(StatusBar1);
    ProgressBar1->SetMax(100);
    ProgressBar1->Widget()->setFixedWidth(120);
    static_cast<QStatusBar*>(StatusBar1->Widget())->addPermanentWidget(ProgressBar1->Widget());
    ProgressBar1->SetVisible(false);

    FontLabel = new TLabel(this);
    FontLabel->SetName("FontLabel");
    FontLabel->SetParent(this);
    FontLabel->SetVisible(false);

    kvPluginLoader1 = new TKvPluginLoader(this);
    kvPluginLoader1->SetName("kvPluginLoader1");
    MSGDialog1 = new TKvWinMsgDlg(this);
    MSGDialog1->SetName("MSGDialog1");
    MSGDialog1->SetHelpContext(63);

    BuildServices();

    OnCreate = [this](TComponent* s) { FormCreate(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    OnCloseQuery = [this](TComponent* s, bool& canClose) { FormCloseQuery(s, canClose); };
    OnClose = [this](TComponent* s, TCloseAction& action) { FormClose(s, action); };
    OnDestroy = [this](TComponent* s) { FormDestroy(s); };
}

TMainForm::~TMainForm() {
    if (gMainForm == this) gMainForm = nullptr;
}

void TMainForm::BuildMenus() {
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    TMenuItem* top = MainMenu1->Items();
    using M = TMainForm;

    FileMenu = Item<TMenuItem>(top, "FileMenu", "&File");
    SaveMenu = Item<TMenuItem>(FileMenu, "SaveMenu", "Save", &M::PostButtonClick);
    ExportMenu = Item<TMenuItem>(FileMenu, "ExportMenu", "Save as");
    LoadMenu = Item<TMenuItem>(FileMenu, "LoadMenu", "Report open");
    SaveReportMenu = Item<TMenuItem>(FileMenu, "SaveReportMenu", "Save report");
    PrewMenu = Item<TMenuItem>(FileMenu, "PrewMenu", "Preview");
    PrintMenu = Item<TMenuItem>(FileMenu, "PrintMenu", "Print");
    FontSetupMenu = Item<TMenuItem>(FileMenu, "FontSetupMenu", "Change font");
    OpenTemplateMenu = Item<TMenuItem>(FileMenu, "OpenTemplateMenu", "Open template");
    SaveTemplateMenu = Item<TMenuItem>(FileMenu, "SaveTemplateMenu", "Save template");
    EndMenu = Item<TMenuItem>(FileMenu, "EndMenu", "Exit");
    EndMenu->OnClick = [this](TComponent*) { Close(); };

    RecordsMenu = Item<TMenuItem>(top, "RecordsMenu", "&Records");
    FindMenu = Item<TMenuItem>(RecordsMenu, "FindMenu", "Find");
    FilterMenu = Item<TMenuItem>(RecordsMenu, "FilterMenu", "Filter");
    OrderMenu = Item<TMenuItem>(RecordsMenu, "OrderMenu", "Order by");
    SendMenu = Item<TMenuItem>(RecordsMenu, "SendMenu", "Send-Backup");
    ImportMenu = Item<TMenuItem>(RecordsMenu, "ImportMenu", "Read-Recover");

    SetupMenu = Item<TMenuItem>(top, "SetupMenu", "&Edit");
    NewMenu = Item<TMenuItem>(SetupMenu, "NewMenu", "New record", &M::InsertButtonClick);
    EditMenu = Item<TMenuItem>(SetupMenu, "EditMenu", "Edit record", &M::EditButtonClick);
    DelMenu = Item<TMenuItem>(SetupMenu, "DelMenu", "Delete record", &M::DeleteButtonClick);
    CancelMenu = Item<TMenuItem>(SetupMenu, "CancelMenu", "Cancel", &M::CancelButtonClick);
    MailMenu = Item<TMenuItem>(SetupMenu, "MailMenu", "Send E-Mail");
    PhoneMenu = Item<TMenuItem>(SetupMenu, "PhoneMenu", "Phone up");

    NastavMenu = Item<TMenuItem>(top, "NastavMenu", "&Setup");
    ObnovMenu = Item<TMenuItem>(NastavMenu, "ObnovMenu", "&Restore settings");
    PrintSetupMenu = Item<TMenuItem>(NastavMenu, "PrintSetupMenu", "Envelope print setup");
    PrintSetupMenu->SetVisible(false);
    InterfaceSetupMenu = Item<TMenuItem>(NastavMenu, "InterfaceSetupMenu", "Enviroment setup");
    BackMenu = Item<TMenuItem>(NastavMenu, "BackMenu", "Autocreate backup");
    FilingMenu = Item<TMenuItem>(NastavMenu, "FilingMenu", "View filing form");
    AddresCompletionMenu = Item<TMenuItem>(NastavMenu, "AddresCompletionMenu", "Address completion");
    LangsMenu = Item<TMenuItem>(NastavMenu, "LangsMenu", "Select language");
    ChangeUserMenu = Item<TMenuItem>(NastavMenu, "ChangeUserMenu", "Change user");
    KeyMenu = Item<TMenuItem>(NastavMenu, "KeyMenu", "Change password");
    NetWizardMenu = Item<TMenuItem>(NastavMenu, "NetWizardMenu", "Wizard from network setup");
    ConnectMenu = Item<TMenuItem>(NastavMenu, "ConnectMenu", "Connect to server", &M::ConnectMenuClick);
    ConnectMenu->SetVisible(false);
    ScrMenu = Item<TMenuItem>(NastavMenu, "ScrMenu", "Run screen saver");
    for (TMenuItem* checked : {BackMenu, FilingMenu, AddresCompletionMenu}) checked->SetChecked(true);

    UlohyMenu = Item<TMenuItem>(top, "UlohyMenu", "&Tasks");
    DelAllQuescions = Item<TMenuItem>(UlohyMenu, "DelAllQuescions", "Erase all tasks", &M::DelAllQuescionsClick);
    ProjectManagerMenu = Item<TMenuItem>(UlohyMenu, "ProjectManagerMenu", "Project manager");
    OwnersMenu = Item<TMenuItem>(UlohyMenu, "OwnersMenu", "Owners");
    PayMenu = Item<TMenuItem>(UlohyMenu, "PayMenu", "Pay invoice");
    AddEBbankMenu = Item<TMenuItem>(UlohyMenu, "AddEBbankMenu", "Add E-Bank");
    DownloadPaysMenu = Item<TMenuItem>(UlohyMenu, "DownloadPaysMenu", "Download payments");

    LinksMenu = Item<TMenuItem>(top, "LinksMenu", "&Links");
    CaptureMenu = Item<TMenuItem>(LinksMenu, "CaptureMenu", "Capture links");
    AdTaskMenu = Item<TMenuItem>(LinksMenu, "AdTaskMenu", "Add to tasks");
    RunLinkMenu = Item<TMenuItem>(LinksMenu, "RunLinkMenu", "Run link");

    PluginsMenu = Item<TMenuItem>(top, "PluginsMenu", "Plug-Ins");
    PluginsMenu->SetVisible(false);

    PomocnikMenu = Item<TMenuItem>(top, "PomocnikMenu", "&Help");
    HelpMenuApl = Item<TMenuItem>(PomocnikMenu, "HelpMenuApl", "&Help topics");
    HelpMenuApl->OnClick = [](TComponent*) { Application().HelpContext(Application().HelpFile(), 0); };
    WebMenu = Item<TMenuItem>(PomocnikMenu, "WebMenu", "Open WWW page");
    AboutMenu = Item<TMenuItem>(PomocnikMenu, "AboutMenu", "&About KV-Zirt");
    SetMenu(MainMenu1);
}

void TMainForm::BuildToolBars() {
    CoolBar1 = new TPanel(this);
    CoolBar1->SetName("CoolBar1");
    CoolBar1->SetParent(this);
    CoolBar1->SetAlign(TAlign::alTop);
    CoolBar1->SetBevelOuter(TBevelCut::bvNone);
    auto bar = [this](const char* name) {
        auto* b = new TToolBar(this);
        b->SetName(name);
        b->SetParent(CoolBar1);
        b->SetAlign(TAlign::alLeft);
        b->SetImages(recordImages_);
        return b;
    };
    using M = TMainForm;
    ToolBar1 = bar("ToolBar1");
    FirstButton = Button(ToolBar1, "FirstButton", "Jump to first record", imgFirst, &M::FirstButtonClick);
    PriorButton = Button(ToolBar1, "PriorButton", "Prior record", imgPrior, &M::PriorButtonClick);
    NextButton = Button(ToolBar1, "NextButton", "Next record", imgNext, &M::NextButtonClick);
    LastButton = Button(ToolBar1, "LastButton", "Last record", imgLast, &M::LastButtonClick);
    InsertButton = Button(ToolBar1, "InsertButton", "Adds new record or task", kInsertImage, &M::InsertButtonClick);
    PostButton = Button(ToolBar1, "PostButton", "Save record or task", imgPost, &M::PostButtonClick);
    EditButton = Button(ToolBar1, "EditButton", "Edit record or task", imgEdit, &M::EditButtonClick);
    CancelButton = Button(ToolBar1, "CancelButton", "Cancel", imgCancel, &M::CancelButtonClick);
    DeleteButton = Button(ToolBar1, "DeleteButton", "Delete record or task", imgDelete, &M::DeleteButtonClick);
    FindButton = Button(ToolBar1, "FindButton", "Find data", imgFind);
    FilterButton = Button(ToolBar1, "FilterButton", "Data filtration", imgFilter);
    FilterButton->SetStyle(TToolButtonStyle::tbsCheck);
    OrderButton = Button(ToolBar1, "OrderButton", "Data ordering", imgOrder);
    SplitEnableButton = Button(ToolBar1, "SplitEnableButton", "Address categories", imgCategory);
    RefreshButton = Button(ToolBar1, "RefreshButton", "Refresh data", imgRefresh, &M::RefreshButtonClick);
    RefreshButton->SetVisible(false);
    ImportButton = Button(ToolBar1, "ImportButton", "Read data from WAB, restore data from backup", imgImport);
    ExportButton = Button(ToolBar1, "ExportButton", "Send data , create backup", imgExport);
    SaveAsButton = Button(ToolBar1, "SaveAsButton", "Export data", imgSaveAs);

    ToolBar2 = bar("ToolBar2");
    OpenButton = Button(ToolBar2, "OpenButton", "Open report", imgOpen);
    SaveReportButton = Button(ToolBar2, "SaveReportButton", "Save current report", imgPost);
    PreviewButton = Button(ToolBar2, "PreviewButton", "Preview report", imgPreview);
    FontButton = Button(ToolBar2, "FontButton", "Change font", imgFont);
    PrintButton = Button(ToolBar2, "PrintButton", "Print report", imgPrint);
    OpenTemplateButton = Button(ToolBar2, "OpenTemplateButton", "Open template for labels", imgTemplateOpen);
    SaveTemplateButton = Button(ToolBar2, "SaveTemplateButton", "Saving current template for labels", imgTemplateSave);

    ToolBar3 = bar("ToolBar3");
    DetailButton = Button(ToolBar3, "DetailButton", "Show detail information about actual task", imgDetail);
    ManagerButton = Button(ToolBar3, "ManagerButton", "Project manager", imgManager);
    OwnersToolButton = Button(ToolBar3, "OwnersToolButton", "Create or edit ovners", imgOwners);
    MaxMinToolButton = Button(ToolBar3, "MaxMinToolButton", "Maximized or minimized tasks grid", imgMaximise);
    MaxMinToolButton->SetStyle(TToolButtonStyle::tbsCheck);
    PayButton = Button(ToolBar3, "PayButton", "Pay invoice", imgPay);
    CaptureButton = Button(ToolBar3, "CaptureButton", "Captured links", imgCapture);
    AddToTasklButton = Button(ToolBar3, "AddToTasklButton", "Add link to tasks", imgAddToTask);
    RunLinkBUtton = Button(ToolBar3, "RunLinkBUtton", "Run or open link", imgRunLink);

    ToolBar4 = bar("ToolBar4");
    ChangeUserButon = Button(ToolBar4, "ChangeUserButon", "Change user", imgUser);
    KeyButton = Button(ToolBar4, "KeyButton", "Change password", imgKey);
    MailButton = Button(ToolBar4, "MailButton", "Create new mail", imgMail);
    WebButton = Button(ToolBar4, "WebButton", "Open web page", imgWeb);
    PhoneButton = Button(ToolBar4, "PhoneButton", "Dialing telephone number", imgPhone);
    ScrToolButton = Button(ToolBar4, "ScrToolButton", "Run screen saver", imgScreenSaver);
    SetupButton = Button(ToolBar4, "SetupButton", "Enviroment setup", imgSetup);
    HelpButton = Button(ToolBar4, "HelpButton", "Help", imgHelp);
    HelpButton->OnClick = [this](TComponent*) { HelpMenuApl->Click(); };
    InfoButton = Button(ToolBar4, "InfoButton", "About KV-Zirt", imgInfo);
    QuitButton = Button(ToolBar4, "QuitButton", "Quit", imgQuit);
    QuitButton->OnClick = [this](TComponent*) { Close(); };

    for (TToolBar* b : {ToolBar1, ToolBar2, ToolBar3, ToolBar4}) {
        b->SetAlign(TAlign::alNone);
        const QSize size = b->Widget()->sizeHint();
        b->SetBounds(0, 0, size.width(), size.height());
    }
    CoolBar1->OnResize = [this](TComponent*) { ArrangeToolBars(); };
    ArrangeToolBars();
}

// The bars stand side by side, each as wide as its buttons, in as many rows as the window needs.
void TMainForm::ArrangeToolBars() {
    int x = 0, y = 0, rowHeight = 0;
    const int width = std::max(CoolBar1->Width(), 1);
    for (TToolBar* b : {ToolBar1, ToolBar2, ToolBar3, ToolBar4}) {
        if (x > 0 && x + b->Width() > width) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        b->SetBounds(x, y, b->Width(), b->Height());
        x += b->Width();
        rowHeight = std::max(rowHeight, b->Height());
    }
    if (CoolBar1->Height() != y + rowHeight) CoolBar1->SetHeight(y + rowHeight);
}

void TMainForm::BuildOutlookBar() {
    kvOutlookBar1 = new TKvOutlookBar(this);
    kvOutlookBar1->SetName("kvOutlookBar1");
    kvOutlookBar1->SetParent(this);
    // On the right, narrow, its buttons and headers reachable by the keyboard.
    kvOutlookBar1->SetAlign(TAlign::alRight);
    kvOutlookBar1->SetWidth(60);
    THeaderSettings& s = kvOutlookBar1->HeaderSettings();
    s.SetKeySupport(true);
    s.SetLargeWidth(50);
    s.SetLargeHeight(70);
    s.SetSmallHeight(20);
    TFont bold = s.HeaderFont();
    bold.Style = fsBold;
    s.SetHeaderFont(bold);
    bold.Style = fsBold | fsUnderline;
    s.SetHighlightFont(bold);

    Header1 = new TKvOutlookBarHeader(this);
    Header1->SetName("Header1");
    Header1->SetCaption("KV-Zirt");
    Header1->SetOutlookBar(kvOutlookBar1);
    using M = TMainForm;
    AdresySpeedButton1 = ModuleButton(Header1, "AdresySpeedButton1", "Address", imgAddressModule, &M::AdresySpeedButton1Click);
    ZostavySpeedButton1 = ModuleButton(Header1, "ZostavySpeedButton1", "Reports", imgReportsModule, &M::ZostavySpeedButton1Click);
    LinksSpeedButton1 = ModuleButton(Header1, "LinksSpeedButton1", "Links", imgLinksModule, &M::LinksSpeedButton1Click);
    UlohySpeedButton1 = ModuleButton(Header1, "UlohySpeedButton1", "Tasks", imgTasksModule, &M::UlohySpeedButton1Click);

    Header2 = new TKvOutlookBarHeader(this);
    Header2->SetName("Header2");
    Header2->SetCaption("Reports");
    Header2->SetOutlookBar(kvOutlookBar1);
    AddressPrintButton = ModuleButton(Header2, "AddressPrintButton", "Address\nprint", imgAddressModule);
    TasksPrintButton = ModuleButton(Header2, "TasksPrintButton", "Tasks\nprint", imgTasksModule);
    LinksPrintButton = ModuleButton(Header2, "LinksPrintButton", "Links\nprint", imgLinksModule);
    BackButton = ModuleButton(Header2, "BackButton", "Back", imgBack);
    BackButton->OnClick = [this](TComponent*) { ShowPrintHeader(false); };
    WizardButton = ModuleButton(Header2, "WizardButton", "Print\nwizard", imgWizard);
    Header2->SetVisible(false);
    kvOutlookBar1->SetActiveHeader(Header1);
    // Opening the module header puts the print header away, once the bar has finished the change.
    kvOutlookBar1->OnChange = [this](TComponent*, int, int newIndex) {
        if (newIndex == Header1->HeaderIndex() && Header2->Visible())
            QTimer::singleShot(0, Widget(), [this] { ShowPrintHeader(false); });
    };
}

void TMainForm::ShowPrintHeader(bool on) {
    if (on) {
        Header2->SetVisible(true);
        kvOutlookBar1->SetActiveHeader(Header2);
    } else {
        kvOutlookBar1->SetActiveHeader(Header1);
        // The keyboard stays in the bar when the print header that had it goes.
        const bool focused = Header2->Focused();
        Header2->SetVisible(false);
        if (focused && Header1->CanFocus()) Header1->SetFocus();
    }
}

void TMainForm::Report(const std::exception& error) { Application().ShowException(error); }

// ---- start ----

void TMainForm::SetHelpFileByLanguage() {
    // Another value keeps the file of before.
    const int language = ProgramSettings().Nastavenia[Slot::Language];
    if (language >= 1 && language <= 3) helpFile_ = kvz::HelpFileName(language);
    Application().SetHelpFile((ProgramState().ProgramFolder / helpFile_).string());
}

void TMainForm::ApplyToolBarLook(const SettingsStore::ToolBarLook& look) {
    for (TToolBar* bar : {ToolBar1, ToolBar3}) {
        bar->SetFlat(look.Flat);
        bar->SetBorderWidth(look.BorderWidth);
    }
    FilterButton->SetTransparent(look.TransparentButtons);
    MaxMinToolButton->SetTransparent(look.TransparentButtons);
}

void TMainForm::FormCreate(TComponent*) {
    FrameState& state = ProgramState();
    SettingsStore& settings = ProgramSettings();
    state.Settings = &settings;
    state.Locks = &ProgramLocks();
    state.Frame = this;
    ProgramLocks().ShowBusyAnimation = [this](bool on) { ShowBusyAnimation(on); };
    // The window keeps painting while a writer waits for another program's lock.
    ProgramLocks().OnWait = [this] {
        Application().ProcessMessages();
        return !waitCancelled_;
    };
    SetCurrentSettings(&settings);

    if (state.ProgramFolder.empty()) state.ProgramFolder = fs::path(Application().ExeName()).parent_path();
    kvPluginLoader1->ReadFolder(state.ProgramFolder, false);

    // A folder that cannot be made shows when its files are opened.
    std::string shared;
    GetSharedDocumentsFolder(shared);
    std::error_code ec;
    state.DataFolder = fs::path(shared) / "KvZirtData" / "Data";
    fs::create_directories(state.DataFolder, ec);
    // No settings file yet: this computer runs the program for the first time.
    FirstStart = !FindNoCase(state.DataFolder, SettingsStore::kFileName).has_value();
    try {
        settings.LoadSettings(state.DataFolder);
    } catch (const std::exception& error) {
        settings.ZakladneNastavenia();
        Report(error);
    }
    state.NetworkMode = settings.NetworkMode;
    ApplyToolBarLook(SettingsStore::BarLook());
    SetBounds(Left(), Top(), settings.FormWidth, settings.FormHeight);
    MakeTempDataFolder(state.DataFolder, ec);

    if (auto& check = RegisteredUserSteps().CheckDataVersion) try {
            check(*this);
        } catch (const std::exception& error) {
            // The marker only decides a move of old data: the start goes on.
            Report(error);
        }

    ThemeManager1 = new TThemeManager(this);
    ThemeManager1->SetName("ThemeManager1");
    ThemeManager1->CollectForms();
    MaxMinToolButton->SetImageIndex(imgMaximise);

    SetHelpFileByLanguage();
    ChooseTableFolder();
    state.Filters.AddressKeyFilter.clear();

    if (FirstStart) {
        if (auto& select = RegisteredUserSteps().SelectLanguage) select(*this);
        SetHelpFileByLanguage();
    }
    ScanUser();
    // The first start's help page opens once the user dialogs have closed and the frame window
    // shows: a browser opened over the dialogs would take the keys meant for the name and the
    // password, and one opened before the frame window would stay hidden behind it.
    if (FirstStart)
        QTimer::singleShot(0, Widget(), [] {
            std::error_code missing;
            if (fs::exists(Application().HelpFile(), missing)) Application().HelpContext(Application().HelpFile(), 53);
        });

    ZablokujVsetko();
    ProgramState().TaskEditMode = false;
    if (FirstStart) {
        // No stored place yet: centred, at a size that shows the whole address page.
        const QRect area = Widget()->screen()->availableGeometry();
        const FrameBounds b = FirstStartBounds(area.left(), area.top(), area.width(), area.height());
        settings.Nastavenia[Slot::FrameLeft] = b.Left;
        settings.Nastavenia[Slot::FrameTop] = b.Top;
        SetBounds(Left(), Top(), b.Width, b.Height);
    }
    SetBounds(settings.Nastavenia[Slot::FrameLeft], settings.Nastavenia[Slot::FrameTop], Width(), Height());
    FirstStart = false;
}

void TMainForm::ChooseTableFolder() {
    FrameState& state = ProgramState();
    SettingsStore& settings = ProgramSettings();
    OfflineMode = false;
    if (!state.NetworkMode) {
        state.TableFolder = state.DataFolder;
        return;
    }
    const std::string& server = settings.NastaveniaText[TextSlot::ServerFolder];
    state.TableFolder = server;
    std::error_code ec;
    const std::string& user = settings.NastaveniaText[TextSlot::NetworkUser];
    if (!server.empty() && fs::exists(fs::path(server) / (user + TableSuffix(TableId::Address)), ec)) return;
    state.TableFolder = state.DataFolder / "TempData";
    OfflineMode = true;
    ShowOfflineNotice();
}

void TMainForm::ShowOfflineNotice() {
    MSGDialog1->SetHelpFile(Application().HelpFile());
    MSGDialog1->SetKind(TKvMsgDlgKind::mkInformation);
    MSGDialog1->SetButtonGroup(TKvMsgDlgButtonGroup::bgOK);
    MSGDialog1->SetTitle(ByLanguage("Information!", "Upozornenie!", "Upozornění!"));
    MSGDialog1->SetText(ByLanguage(
        "Server is inaccessible in that moment, software KV-Zirt will work with temporary tables.\n\r Functions as "
        "data edit, insert and delete will be temporary inaccessible.",
        "Server je momentálne nedostupný, program KV-Zirt bude pracovať s dočasnými tabuľkami\n\r funkcie "
        "editácia, vkladie a mazanie záznamov budú dočasne nedostupné.",
        "Server je právě nedostupný, program KV-Zirt bude pracovat s dočasnými tabulkami,\n\r funkce editace, "
        "vkládání a mazání záznamů budou dočasně nedostupné."));
    MSGDialog1->Execute();
    // Whatever the box answers, nothing can be changed while the server is away.
    EnableModuleButtons();
    ConnectMenu->SetVisible(true);
}

bool TMainForm::OpenTables() {
    FrameState& state = ProgramState();
    for (;;) {
        try {
            if (!state.NetworkMode || OfflineMode) RemoveLocalTableTemporaries(state.TableFolder, state.UserPrefix);
            RecoverPasswordChange(state.TableFolder, state.UserPrefix);
            DataModule1->OpenAllTables(TablePassword);
            for (const auto& finish : RegisteredModules().TablesOpened) try {
                    finish();
                } catch (const std::exception& error) {
                    // The tables are open; what is left half done is finished at the next start.
                    Report(error);
                }
            return true;
        } catch (const std::exception& error) {
            Report(error);
        }
        auto& again = RegisteredUserSteps().PickUser;
        if (!again || !again(*this)) return false;
    }
}

void TMainForm::FormShow(TComponent*) {
    SettingsStore& settings = ProgramSettings();
    if (TranslateOnShow)
        if (auto& translate = RegisteredUserSteps().TranslateMainWindow) translate(*this);
    if (DataModule1 && OpenTables() && DataModule1->TaskTable)
        TablePassword = CutPassword(DataModule1->TaskTable->Password());

    OpenModule(settings.Nastavenia[Slot::ActiveModule]);

    for (auto [item, slot] : {std::pair{BackMenu, Slot::AutoBackup}, std::pair{FilingMenu, Slot::UserDialogAtStart}})
        if (settings.Nastavenia[slot] == 0 || settings.Nastavenia[slot] == 1) item->SetChecked(settings.Nastavenia[slot] == 1);
    if (BackMenu->Checked() && (!ProgramState().NetworkMode || !settings.ClientMode)) try {
            ProgramLocks().AutoBackup(ProgramState().TableFolder, ProgramState().UserPrefix, ProgramState().NetworkMode,
                                      ProgramState().DataFolder);
        } catch (const std::exception& error) {
            Report(error);
        }
    SetBounds(settings.Nastavenia[Slot::FrameLeft], settings.Nastavenia[Slot::FrameTop], Width(), Height());
    EnableKeyByRole();
    const int bitmapOn = settings.Nastavenia[Slot::BackStyle];
    ApplyOutlookLook({TColor(settings.Nastavenia[Slot::HeaderColor]), TColor(settings.Nastavenia[Slot::HeaderEndColor]),
                      settings.Nastavenia[Slot::GradientType], bitmapOn, settings.Nastavenia[Slot::ViewStyle],
                      bitmapOn == 1 ? settings.NastaveniaText[TextSlot::BackgroundFile] : std::string()});
    AddresCompletionMenu->SetChecked(settings.Nastavenia[Slot::AddressCompletion] == 1);
}

void TMainForm::ApplyOutlookLook(const OutlookLook& look) {
    // A picture that cannot be read leaves the headers plain.
    const QImage picture = look.Background.empty() ? QImage() : QImage(QString::fromStdString(look.Background));
    for (TKvOutlookBarHeader* header : {Header1, Header2}) {
        TGradient& g = header->Gradient();
        g.SetStartColor(look.Color);
        header->SetColor(look.Color);
        g.SetEndColor(look.EndColor);
        if (look.BackStyle != 0) {
            g.SetBackStyle(TBackStyle::bsNormal);
        } else {
            g.SetBackStyle(TBackStyle::bsGradient);
            if (look.GradientType >= 0 && look.GradientType <= 3) g.SetGradientType(TGradientType(look.GradientType));
        }
        header->Bitmap() = picture.isNull() ? TBitmap() : TBitmap(picture);
        header->Invalidate();
    }
    if (auto style = outlook::ViewStyleFromSetting(look.ViewStyle)) kvOutlookBar1->HeaderSettings().SetViewStyle(*style);
}

// ---- close ----

void TMainForm::FormCloseQuery(TComponent*, bool& canClose) {
    canClose = true;
    if (!PostButton->Enabled()) {
        CancelButtonClick(this);
        return;
    }
    const int answer = ShowMessageBox(GetMessageText(MessageId::SaveChanges), GetMessageText(MessageId::WarningCaption),
                                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES) return;
    PostButtonClick(this);
    // A save that failed said why and left Save enabled: the window stays open with the edit.
    if (PostButton->Enabled()) canClose = false;
}

void TMainForm::FormClose(TComponent*, TCloseAction&) {
    FrameState& state = ProgramState();
    SettingsStore& settings = ProgramSettings();
    CloseErrors.clear();
    auto step = [this](const std::function<void()>& work) {
        try {
            work();
        } catch (const std::exception& error) {
            CloseErrors.push_back(error.what());
        }
    };
    if (state.NetworkMode && DataModule1)
        for (TableId table : {TableId::Address, TableId::Tasks, TableId::Projects, TableId::SubProjects,
                              TableId::Owners, TableId::Links, TableId::LinksType})
            step([&] {
                if (TVolgaTable* t = DataModule1->TableOf(table))
                    SaveTableCopy(*t, state.DataFolder, UserFileName(state.UserPrefix, TableSuffix(table)));
            });
    settings.Nastavenia[Slot::FrameLeft] = Left();
    settings.Nastavenia[Slot::FrameTop] = Top();
    settings.FormWidth = Width();
    settings.FormHeight = Height();
    step([&] { CloseActiveModule(); });
    step([&] { settings.SaveSettings(state.DataFolder); });
    step([&] { kvPluginLoader1->UnloadAllPlugins(); });
    if (!CloseErrors.empty()) {
        std::string text;
        for (const std::string& e : CloseErrors) text += e + "\n";
        ShowMessageBox(text, Application().Title(), MB_OK | MB_ICONERROR);
    }
}

void TMainForm::FormDestroy(TComponent*) {
    ShowBusyAnimation(false);
    // A module window left open (the close did not run) goes with the frame window.
    if (moduleForm_) {
        moduleForm_->Free();
        moduleForm_ = nullptr;
        module_ = nullptr;
        ProgramState().Module = nullptr;
    }
    if (ProgramState().Frame == this) ProgramState().Frame = nullptr;
    ProgramLocks().ShowBusyAnimation = nullptr;
    ProgramLocks().OnWait = nullptr;
    SetCurrentSettings(nullptr);
}

// ---- modules ----

void TMainForm::SetActiveModule(int module) {
    ProgramState().ActiveModule = module;
    SetTag(module);
}

AddressBookWindow* TMainForm::AddressBook() const { return dynamic_cast<AddressBookWindow*>(module_); }

bool TMainForm::CloseActiveModule() {
    if (!moduleForm_) return true;
    if (!moduleForm_->CloseQuery()) return false;
    TForm* form = moduleForm_;
    if (module_) {
        module_->OnStateChanged = nullptr;
        module_->OnRequest = nullptr;
    }
    moduleForm_ = nullptr;
    module_ = nullptr;
    ProgramState().Module = nullptr;
    SetActiveModule(NoModule);
    TCloseAction action = TCloseAction::caFree;
    if (form->OnClose) form->OnClose(form, action);
    form->Free();
    return true;
}

void TMainForm::OpenModule(int module) {
    if (module < AddressModule || module > LinksModule) return;
    ShowPrintHeader(module == ReportsModule);
    if (!moduleForm_ || ActiveModule() != module) {
        if (!CloseActiveModule()) return;
        FrameState& state = ProgramState();
        TComponent* owner = &Application();
        // The window reads the module number while it is made.
        SetActiveModule(module);
        if (const auto& make = RegisteredModules().Of(module)) module_ = make(owner);
        if (module_) {
            module_->OnStateChanged = [this] { ModuleStateChanged(); };
            // A request runs like the command's button: only when it is on.
            module_->OnRequest = [this](Command command) { RunCommand(command); };
        }
        state.Module = module_;
        moduleForm_ = module_ ? &module_->Form() : new TModulePageForm(owner, ModuleTitle(module));
        moduleForm_->SetCaption(ModuleTitle(module) + state.UserPrefix + "  " + state.TableFolder.string());
        moduleForm_->Show();
        moduleForm_->SetWindowState(TWindowState::wsMaximized);
        LoadToStatusBar(module);
    }
    ProgramSettings().Nastavenia[Slot::ActiveModule] = module;
    EnableModuleButtons();
}

void TMainForm::AdresySpeedButton1Click(TComponent*) { OpenModule(AddressModule); }
void TMainForm::ZostavySpeedButton1Click(TComponent*) { OpenModule(ReportsModule); }
void TMainForm::UlohySpeedButton1Click(TComponent*) { OpenModule(TasksModule); }
void TMainForm::LinksSpeedButton1Click(TComponent*) { OpenModule(LinksModule); }

// ---- status bar and busy animation ----

void TMainForm::LoadToStatusBar(int module) {
    if (module < AddressModule || module > LinksModule) return;
    // The records of the module's table; the reports window counts the addresses.
    TVolgaTable* table = nullptr;
    if (DataModule1) {
        const std::optional<TableId> id = module_ ? module_->RecordTable() : std::nullopt;
        table = DataModule1->TableOf(id.value_or(module == TasksModule ? TableId::Tasks
                                                 : module == LinksModule ? TableId::Links
                                                                         : TableId::Address));
    }
    StatusBar1->Panels(0)->SetText(StatusTitle(module) + ProgramState().UserPrefix);
    StatusBar1->Panels(1)->SetText(std::string(ByLanguage(" Records count : ", " Počet záznamov : ", " Počet záznamů : ")) +
                                   std::to_string(table && table->Active() ? table->RecordCount() : 0));
    StatusBar1->Panels(2)->SetText(std::string(ByLanguage(" Today is : ", " Dnes je : ", " Dnes je : ")) +
                                   FormatDateTime(FormatSettings::ForLanguage(Language()).ShortDateFormat, Now(), FormatSettings::ForLanguage(Language())) + (module == LinksModule ? "    " : "      "));
}

void TMainForm::ShowBusyAnimation(bool on) {
    if (on && !animForm_) {
        waitCancelled_ = false;
        animForm_ = new TAnimForm(this);
        // Escape on the busy window gives up the wait: the change is abandoned, nothing written.
        animForm_->SetKeyPreview(true);
        animForm_->OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) {
            if (key == VK_ESCAPE) waitCancelled_ = true;
        };
        animForm_->Show();
        animForm_->Animate1->SetActive(true);
        animForm_->Widget()->repaint();
    } else if (!on && animForm_) {
        animForm_->Animate1->SetActive(false);
        animForm_->Free();
        animForm_ = nullptr;
    }
}

} // namespace kvz
