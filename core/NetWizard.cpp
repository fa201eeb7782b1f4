#include "core/NetWizard.h"

#include "controls/KvFileUtil.h"
#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/Users.h"
#include "engine/DbUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/GridRows.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>
#include <memory>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kTypePage = 0, kSourcePage = 1, kConfirmPage = 2;
constexpr int kHelpType = 61, kHelpClient = 62, kHelpConfirm = 63, kHelpServer = 65;
constexpr size_t kTableCount = std::size(kAllTables);

#define NBSP "\xC2\xA0"

const std::array<std::array<const char*, 3>, 3> kRoles = {{
    {"\"Server\" – there will be placed all tables (addresses, tasks,...)",
     "Server - tu budú umiestnené všetky tabuľky (adersy, úlohy ...)",
     "Server - tu budou umístěny všechny tabulky (adersy, úkoly ...)"},
    {"\"Client\" – I" NBSP "will use all tables placed on another computer",
     "Client - budem používať tabuľky umiestnené na inom počítači",
     "Client - budu používat tabulky umístěny na jiném počítači"},
    {"\"Local\" – computer do not work in net", "Local - počítač nepracuje v sieti", "Local - počítač nepracuje v síti"}}};
const std::array<std::array<const char*, 3>, 4> kOptions = {{
    {"Form new empty schemes", "Vytvoriť nové prázdne tabuľky", "Vytvořit nové prázdné tabulky"},
    {"Form new schemes, copy data from activ database KV-Zirt",
     "Vytvoriť nové tabuľky, skopírovať dáta z aktívnej databázy KV-Zirt",
     "Vytvořit nové tabulky, skopírovat data z aktívní databázy KV-Zirt"},
    {"Form new schemes, copy data from another database KV-Zirt",
     "Vytvoriť nové tabuľky, skopírovať dáta z inej databázy KV-Zirt",
     "Vytvořiť nové tabulky, skopírovat data z jiné databázy KV-Zirt"},
    {"Use already formed net scheme", "Použiť už vytvorenú sieťovú tabuľku", "Použit už vytvořenou síťovou tabulku"}}};

struct SummaryTexts {
    const char* Server1;
    const char* Client1;
    const char* Server2;
    const char* Client2;
    const char* Name3;
    const char* Local;
};
const SummaryTexts kSummary[3] = {
    {"1.Software KV-Zirt on this computer will work in net. ", "1.Software KV-Zirt on this computer will work in net. ",
     "2.KV-Zirt will use shared schemes placed in a directory: ", "2.KV-Zirt will use shared schemes placed in a directory: ",
     "3.The name of the scheme is: ",
     "1.Software KV-Zirt on this computer will not work in net. KV-Zirt will use local schemes, placed in directory: "},
    {"1.Program KV-Zirt bude na tomto počítači pracovať v sieti ako server. ",
     "1.Program KV-Zirt bude na tomto počítači pracovať v sieti ako klient. ",
     "2.KV-Zirt bude používať zdieľané tabuľky umiestnené v adresári: ",
     "2.KV-Zirt bude používať zdieľané tabuľky umiestnené na serveri v adresári: ",
     "3.Názov tabuľky je: ",
     "1.Program KV-Zirt nebude na tomto počítači pracovať v sieti. KV-Zirt bude používať lokálne tabuľky umiestnené v adresári: "},
    {"1.Program KV-Zirt bude na tomto počítači pracovat v síti jako server. ",
     "1.Program KV-Zirt bude na tomto počítači pracovat v síti jako klient. ",
     "2.KV-Zirt bude používat sdílené tabulky umístěné v adresáři: ",
     "2.KV-Zirt bude používat sdílené tabulky umístěné na serveru v adresáři: ",
     "3.Název tabulky je: ",
     "1.Program KV-Zirt nebude na tomto počítači pracovat v síti. KV-Zirt bude používat lokální tabulky umístěné v adresáři: "},
};
// clang-format on

int LanguageIndex(int language) { return language >= 1 && language <= 3 ? language - 1 : 0; }

// A folder name as the summary shows it: ending with "/".
std::string FolderText(const fs::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') text += '/';
    return text;
}

void FreeTables(TDataModule1& data) {
    for (TableId id : kAllTables) {
        data.SourceOf(id)->SetDataSet(nullptr);
        delete data.TableOf(id);
        data.TableOf(id) = nullptr;
    }
}

// A new table file with the fields and every row of the source (a missing source: the table's
// own fields and no rows). Never over a file that is there: nothing of it is lost.
void WriteCopiedTable(TDataSet* source, TableId table, const fs::path& file, const std::string& password) {
    TVolgaTable copy;
    if (source) {
        for (int i = 0; i < source->FieldDefs().Count(); ++i) {
            const TFieldDef& d = source->FieldDefs()[i];
            copy.FieldDefs().Add(d.Name(), d.DataType(), d.Size(), d.Required());
        }
    } else {
        for (const SchemaField& f : TableSchema(table)) copy.FieldDefs().Add(f.Name, f.Type, f.Size, false);
    }
    copy.SetPassword(password);
    copy.Open();
    if (source) {
        source->SetFiltered(false);
        for (source->First(); !source->Eof(); source->Next()) {
            copy.Append();
            CopyFieldValues(*source, copy, true);
            copy.Post();
        }
    }
    std::string block;
    copy.Cursor()->SaveToStream(block);
    if (!CreateFileDurably(file, block))
        throw FileError(std::string(InLanguage({"A table of that name is already in the shared folder: ",
                                                "Tabuľka s týmto názvom už je v zdieľanom adresári: ",
                                                "Tabulka s tímto názvem už je ve sdíleném adresáři: "})) +
                            file.string(),
                        file, EEXIST);
}

std::unique_ptr<TVolgaTable> ReadTable(const fs::path& file, const std::string& password) {
    if (!fs::exists(file)) return nullptr;
    auto table = std::make_unique<TVolgaTable>(nullptr);
    table->SetPassword(password);
    table->SetTableName(file.string());
    table->Open();
    return table;
}

void CheckFolder(const fs::path& folder) {
    if (!folder.empty() && fs::is_directory(folder)) return;
    throw FileError(std::string(InLanguage({"The folder cannot be reached: ", "Adresár nie je dostupný: ",
                                            "Adresář není dostupný: "})) +
                        folder.string(),
                    folder, ENOENT);
}

// What the finish changes, to be put back when the new tables cannot be opened.
struct SavedState {
    explicit SavedState(const FrameState& frame)
        : tableFolder(frame.TableFolder), userPrefix(frame.UserPrefix), networkMode(frame.NetworkMode),
          network(frame.Settings->Nastavenia[Slot::NetworkMode]), server(frame.Settings->Nastavenia[Slot::Server]),
          serverFolder(frame.Settings->NastaveniaText[TextSlot::ServerFolder]),
          networkUser(frame.Settings->NastaveniaText[TextSlot::NetworkUser]) {}
    void Restore(FrameState& frame) const {
        frame.TableFolder = tableFolder;
        frame.UserPrefix = userPrefix;
        frame.NetworkMode = networkMode;
        frame.Settings->Nastavenia[Slot::NetworkMode] = network;
        frame.Settings->Nastavenia[Slot::Server] = server;
        frame.Settings->NastaveniaText[TextSlot::ServerFolder] = serverFolder;
        frame.Settings->NastaveniaText[TextSlot::NetworkUser] = networkUser;
    }
    fs::path tableFolder;
    std::string userPrefix;
    bool networkMode;
    int network, server;
    std::string serverFolder, networkUser;
};

// Opens the tables of the new role; on any failure the old state comes back and the frame
// window opens the old tables again before the error passes on.
template <typename Open>
void SwitchTables(FrameState& frame, TDataModule1& data, WizardFrameServices& frameWindow, Open open) {
    const SavedState saved(frame);
    try {
        open();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        FreeTables(data);
        saved.Restore(frame);
        data.DataModuleCreate(true);
        frameWindow.FormShow();
        std::rethrow_exception(error);
    }
}

void SetSharedTableSlots(SettingsStore& settings, bool server, const fs::path& folder, const std::string& user) {
    settings.Nastavenia[Slot::NetworkMode] = 1;
    settings.Nastavenia[Slot::Server] = server ? 1 : 0;
    settings.NastaveniaText[TextSlot::ServerFolder] = FolderText(folder);
    settings.NastaveniaText[TextSlot::NetworkUser] = user;
}

} // namespace

fs::path ServerFolderPath() { return fs::path(GetSharedDocumentsFolder()) / kSharedFolderName; }

void AddNetworkUser(const fs::path& folder, const std::string& name) {
    std::vector<std::string> names = ReadUserList(folder);
    for (const std::string& listed : names)
        if (SameUserName(listed, name)) return;
    names.push_back(name);
    WriteUserList(folder, names);
}

std::string WizardSummary(const WizardChoice& choice, const fs::path& dataFolder, int language) {
    const SummaryTexts& t = kSummary[LanguageIndex(language)];
    switch (choice.Role) {
    case wrServer:
        return std::string(t.Server1) + "\n\n" + t.Server2 + "\n" + FolderText(choice.ServerFolder) + "\n\n" + t.Name3 +
               choice.User;
    case wrClient:
        return std::string(t.Client1) + "\n\n" + t.Client2 + "\n" + FolderText(choice.SharedFolder) + "\n\n" + t.Name3 +
               choice.User;
    case wrLocal:
        return std::string(t.Local) + "\n  " + FolderText(dataFolder);
    default:
        return {};
    }
}

void FinishNetworkSetup(const WizardChoice& choice, FrameState& frame, TDataModule1& data,
                        WizardFrameServices& frameWindow) {
    SettingsStore& settings = *frame.Settings;
    const std::string password = CutPassword(choice.Password);
    if (choice.Role == wrLocal) {
        SwitchTables(frame, data, frameWindow, [&] {
            frame.NetworkMode = false;
            settings.Nastavenia[Slot::NetworkMode] = 0;
            FreeTables(data);
            frame.TableFolder = frame.DataFolder;
            frameWindow.ScanUser();
            data.DataModuleCreate(true);
            frameWindow.FormShow();
        });
        settings.SaveSettings(frame.DataFolder);
        frame.Filters.WabViewOn = false;
        frameWindow.SetNetworkRole(false, {});
        frameWindow.ZablokujVsetko();
    } else if (choice.Role == wrClient || choice.Role == wrServer) {
        const bool server = choice.Role == wrServer;
        const fs::path folder = server ? choice.ServerFolder : choice.SharedFolder;
        if (server) {
            std::error_code ec;
            fs::create_directories(folder, ec);
        }
        CheckFolder(folder);
        if (server && choice.Option == soNone) throw std::invalid_argument("no server option");
        const auto fileOf = [](const fs::path& in, const std::string& user, TableId id) {
            return in / UserFileName(user, TableSuffix(id));
        };
        SwitchTables(frame, data, frameWindow, [&] {
            // The rows to copy, read before the tables of this program go.
            std::array<std::unique_ptr<TVolgaTable>, kTableCount> sources;
            const bool copies = server && (choice.Option == soCopyActive || choice.Option == soCopyOther);
            for (size_t i = 0; i < kTableCount; ++i) {
                const TableId id = kAllTables[i];
                if (server && choice.Option == soCopyActive) {
                    sources[i].reset(data.TableOf(id));
                    data.SourceOf(id)->SetDataSet(nullptr);
                    data.TableOf(id) = nullptr;
                } else if (server && choice.Option == soCopyOther) {
                    sources[i] = ReadTable(fileOf(choice.SourceFolder, choice.SourceUser, id), choice.SourcePassword);
                }
            }
            if (server && choice.Option == soCopyOther)
                ShowMessage(std::to_string(sources[0] ? sources[0]->RecordCount() : 0));
            FreeTables(data);
            if (copies)
                for (size_t i = 0; i < kTableCount; ++i)
                    WriteCopiedTable(sources[i].get(), kAllTables[i], fileOf(folder, choice.User, kAllTables[i]), password);
            frame.NetworkMode = true;
            frame.TableFolder = folder;
            frame.UserPrefix = choice.User;
            data.DataModuleCreate(true);
            // Missing tables (new empty ones) are made here, with their sample rows.
            data.OpenAllTables(password);
            if (server) AddNetworkUser(folder, choice.User);
        });
        SetSharedTableSlots(settings, server, folder, choice.User);
        settings.SaveSettings(frame.DataFolder);
        frame.Filters.WabViewOn = false;
        frameWindow.SetNetworkRole(!server, password);
        frameWindow.ZablokujVsetko();
    } else {
        return;
    }
    data.DataModuleDestroy();
    data.DataModuleCreate(true);
    frameWindow.ActiveModuleFormShow();
    frameWindow.EnableKeyByRole();
}

// ---- the window ----

TWizardForm::TWizardForm(TComponent* owner, FrameState& frame, TDataModule1& data, WizardFrameServices& frameWindow)
    : TForm(owner), frame_(frame), data_(data), frameWindow_(frameWindow) {
    SetName("WizardForm");
    SetHelpFile(Application().HelpFile());
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    auto named = [this](auto* control, const char* name, TWinControl* parent) {
        control->SetName(name);
        control->SetParent(parent);
        return control;
    };
    auto wrapped = [&](const char* name, TWinControl* parent) {
        auto* label = named(new TLabel(this), name, parent);
        label->SetWordWrap(true);
        return label;
    };
    Notebook1 = named(new TPageControl(this), "Notebook1", this);
    static_cast<QTabWidget*>(Notebook1->Widget())->tabBar()->hide();
    auto page = [&](const char* name) {
        auto* sheet = new TTabSheet(this);
        sheet->SetName(name);
        sheet->SetPageControl(Notebook1);
        return sheet;
    };
    TypPC = page("TypPC");
    SourceData = page("SourceData");
    ConfirmPage = page("ConfirmPage");

    Label1 = wrapped("Label1", TypPC);
    Label16 = named(new TLabel(this), "Label16", TypPC);
    RadioGroup1 = named(new TRadioGroup(this), "RadioGroup1", TypPC);
    {
        auto* column = new QVBoxLayout(TypPC->Widget());
        column->addWidget(Label1->Widget());
        column->addSpacing(8);
        column->addWidget(Label16->Widget());
        column->addWidget(RadioGroup1->Widget());
        column->addStretch();
    }

    ServerDataPanel = named(new TPanel(this), "ServerDataPanel", SourceData);
    ServerDataPanel->SetBevelOuter(TBevelCut::bvNone);
    Label2 = wrapped("Label2", ServerDataPanel);
    RadioGroup2 = named(new TRadioGroup(this), "RadioGroup2", ServerDataPanel);
    {
        auto* column = new QVBoxLayout(ServerDataPanel->Widget());
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(Label2->Widget());
        column->addWidget(RadioGroup2->Widget());
        column->addStretch();
    }
    ClientDataPanel = named(new TPanel(this), "ClientDataPanel", SourceData);
    ClientDataPanel->SetBevelOuter(TBevelCut::bvNone);
    Label4 = wrapped("Label4", ClientDataPanel);
    DirectoryEdit1 = named(new TDirectoryEdit(this), "DirectoryEdit1", ClientDataPanel);
    Label9 = wrapped("Label9", ClientDataPanel);
    ComboEdit1 = named(new TComboEdit(this), "ComboEdit1", ClientDataPanel);
    ComboEdit1->SetGlyphKind(TGlyphKind::gkEllipsis);
    {
        // Each explanation above its field; the fields' captions in one column beside them.
        auto* grid = new QGridLayout(ClientDataPanel->Widget());
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setColumnStretch(1, 1);
        const std::vector<TLabel*> labels = AddGridRows(*grid, this, ClientDataPanel, {
            WholeRow(Label4),
            {"Label3", {DirectoryEdit1}},
            WholeRow(Label9),
            {"Label5", {ComboEdit1}},
        });
        Label3 = labels[1];
        Label5 = labels[3];
        Label9->Widget()->setContentsMargins(0, 8, 0, 0); // apart from the folder above
        grid->setRowStretch(4, 1);
    }
    {
        auto* column = new QVBoxLayout(SourceData->Widget());
        column->addWidget(ServerDataPanel->Widget(), 1);
        column->addWidget(ClientDataPanel->Widget(), 1);
    }

    Label8 = wrapped("Label8", ConfirmPage);
    Button3 = named(new TButton(this), "Button3", ConfirmPage);
    LayOutLastPage(ConfirmPage->Widget(), Label8, Button3);

    BitBtn2 = named(new TButton(this), "BitBtn2", this);
    Button2 = named(new TButton(this), "Button2", this);
    Button1 = named(new TButton(this), "Button1", this);
    BitBtn1 = named(new TButton(this), "BitBtn1", this);
    BitBtn1->SetCancel(true);
    BitBtn1->SetModalResult(mrCancel);
    LayOutWizard(ClientWidget(), Notebook1, BitBtn2, Button2, Button1, BitBtn1);
    SetClientSize(560, 380);

    PageManager1 = new TPageManager(this);
    PageManager1->SetName("PageManager1");
    PageManager1->SetPageOwner(Notebook1);
    PageManager1->SetPriorBtn(Button2);
    PageManager1->SetNextBtn(Button1);
    PageManager1->OnGetPriorPage = [this](TComponent*, int current, int& prior) {
        PageManager1GetPriorPage(current, prior);
    };
    PageManager1->OnPageChanged = [this](TComponent* s) { PageManager1PageChanged(s); };
    PageManager1->Loaded();

    RadioGroup2->OnClick = [this](TComponent* s) { RadioGroup2Click(s); };
    ComboEdit1->OnButtonClick = [this](TComponent* s) { ComboEdit1ButtonClick(s); };
    Button3->OnClick = [this](TComponent* s) { Button3Click(s); };
    BitBtn2->OnClick = [this](TComponent* s) { BitBtn2Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    OnClose = [this](TComponent* s, TCloseAction&) { FormClose(s); };

    UserState.InWizard = true;
    UserState.ClearServerOption = [this] { RadioGroup2->SetItemIndex(-1); };
    ServerDataPanel->SetVisible(false);
    ClientDataPanel->SetVisible(false);
}

void TWizardForm::FormShow(TComponent*) {
    const int lang = LanguageIndex(Language());
    ApplyCaptions(*this, "TWizardForm", Language());
    const int role = RadioGroup1->ItemIndex(), option = RadioGroup2->ItemIndex();
    RadioGroup1->Items().Clear();
    for (const auto& t : kRoles) RadioGroup1->Items().Add(t[size_t(lang)]);
    RadioGroup1->SetItemIndex(role);
    RadioGroup2->Items().Clear();
    for (const auto& t : kOptions) RadioGroup2->Items().Add(t[size_t(lang)]);
    RadioGroup2->SetItemIndex(option);
    BitBtn2->SetCaption(GetMessageText(MessageId::Help));
    BitBtn1->SetCaption(GetMessageText(MessageId::Cancel));
    Button2->SetCaption(GetMessageText(MessageId::Back));
    Button1->SetCaption(GetMessageText(MessageId::Next));
}

void TWizardForm::FormClose(TComponent*) {
    UserState.InWizard = false;
    frameWindow_.ReadAddressLayoutAgain();
}

bool TWizardForm::RunNewUser() {
    UserState.ListFolder = Choice.ServerFolder;
    UserState.WizardTakesUser = false;
    TNewUserForm dialog(this, UserState, nullptr);
    if (dialog.ShowModal() != mrOk) {
        RadioGroup2->SetItemIndex(-1);
        return false;
    }
    Choice.User = UserState.UserPrefix;
    Choice.Password = UserState.TablePassword;
    return true;
}

bool TWizardForm::RunUserDialog(const fs::path& folder) {
    UserState.ListFolder = folder;
    UserState.WizardTakesUser = true;
    return kvz::RunUserDialog(UserState, nullptr, nullptr);
}

void TWizardForm::RadioGroup2Click(TComponent*) {
    Choice.ServerFolder = ServerFolderPath();
    switch (RadioGroup2->ItemIndex()) {
    case soNewTables:
    case soCopyActive:
        RunNewUser();
        break;
    case soCopyOther: {
        if (!RunNewUser()) break;
        std::string folder = SpecialFolderPathOf(18);
        if (!SelectFolderDialog(folder, "Vyber :", 0) || folder.empty()) {
            RadioGroup2->SetItemIndex(-1);
            break;
        }
        const std::string user = Choice.User, password = Choice.Password;
        if (!RunUserDialog(folder)) {
            RadioGroup2->SetItemIndex(-1);
            break;
        }
        Choice.SourceFolder = folder;
        Choice.SourceUser = UserState.UserPrefix;
        Choice.SourcePassword = UserState.TablePassword;
        Choice.User = user;
        Choice.Password = password;
        break;
    }
    case soUseExisting:
        if (RunUserDialog(Choice.ServerFolder)) {
            Choice.User = UserState.UserPrefix;
            Choice.Password = UserState.TablePassword;
        } else {
            RadioGroup2->SetItemIndex(-1);
        }
        break;
    default:
        break;
    }
}

void TWizardForm::ComboEdit1ButtonClick(TComponent*) {
    if (DirectoryEdit1->Text().empty()) return;
    if (RunUserDialog(DirectoryEdit1->Text())) {
        Choice.User = UserState.UserPrefix;
        Choice.Password = UserState.TablePassword;
    }
    ComboEdit1->SetText(Choice.User);
}

// From the confirm page a local computer goes back to its role: it has no source page.
void TWizardForm::PageManager1GetPriorPage(int current, int& prior) {
    if (current == kConfirmPage && RadioGroup1->ItemIndex() == wrLocal) prior = kTypePage;
}

void TWizardForm::PageManager1PageChanged(TComponent*) {
    const int role = RadioGroup1->ItemIndex();
    switch (PageManager1->PageIndex()) {
    case kTypePage:
        ServerDataPanel->SetVisible(false);
        ClientDataPanel->SetVisible(false);
        break;
    case kSourcePage:
        if (role == wrNone) {
            PageManager1->GoToPage(kTypePage, false);
        } else if (role == wrLocal) {
            PageManager1->GoToPage(kConfirmPage, true);
        } else {
            if (role == wrServer) {
                Choice.ServerFolder = ServerFolderPath();
                std::error_code ec;
                fs::create_directories(Choice.ServerFolder, ec); // checked again before it is used
            }
            ServerDataPanel->SetVisible(role == wrServer);
            ClientDataPanel->SetVisible(role == wrClient);
        }
        break;
    case kConfirmPage:
        if ((role == wrServer && RadioGroup2->ItemIndex() < 0) ||
            (role == wrClient && (DirectoryEdit1->Text().empty() || ComboEdit1->Text().empty()))) {
            PageManager1->GoToPage(kSourcePage, false);
            return;
        }
        ReadPages();
        Label8->SetCaption(WizardSummary(Choice, frame_.DataFolder, Language()));
        break;
    default:
        break;
    }
}

void TWizardForm::ReadPages() {
    Choice.Role = RadioGroup1->ItemIndex();
    Choice.Option = Choice.Role == wrServer ? RadioGroup2->ItemIndex() : soNone;
    if (Choice.Role == wrClient) {
        Choice.SharedFolder = DirectoryEdit1->Text();
        Choice.User = ComboEdit1->Text();
    }
}

void TWizardForm::Button3Click(TComponent*) {
    ReadPages();
    FinishNetworkSetup(Choice, frame_, data_, frameWindow_);
    if (Modal())
        SetModalResult(mrOk);
    else
        Close();
}

void TWizardForm::BitBtn2Click(TComponent*) {
    int context = kHelpType;
    if (PageManager1->PageIndex() == kSourcePage) context = ServerDataPanel->Visible() ? kHelpServer : kHelpClient;
    if (PageManager1->PageIndex() == kConfirmPage) context = kHelpConfirm;
    Application().HelpContext(HelpFile(), context);
}

} // namespace kvz
