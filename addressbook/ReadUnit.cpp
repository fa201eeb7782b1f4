#include "addressbook/ReadUnit.h"

#include "addressbook/Assign.h"
#include "addressbook/Captions.h"
#include "addressbook/DbfImport.h"
#include "addressbook/ExportForm.h"
#include "addressbook/OldVersion.h"
#include "addressbook/Restore.h"
#include "addressbook/SendTo.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysInfo.h"

#include <QFileDialog>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kWabHelpContext = 32, kHelpContext = 34;
constexpr const char* kDbfFilter = "Dbase file (*.dbf);;Data file KV-Zirt (*.d);;Windows address book (*.wab)";
constexpr const char* kWabFilter = "Windows address book (*.wab);;Data file KV-Zirt (*.d);;Dbase file (*.dbf)";

const CaptionRow kCaptions[] = {
    {"Label1", {"Import from ...", "Načítať z ...", "Načíst z ..."}},
    {"CheckBox1", {"Import from ...", "Načítať z ...", "Načíst z ..."}},
    {"CheckBox2", {"Windows address book", "Adresár Windows WAB", "Adresář Windows - WAB"}},
    {"CheckBox3", {"Recover from backup", "Obnoviť zo zálohy", "Obnovit se zálohy"}},
    {"CheckBox7", {"Import address from *.dbf", "Načítať adresy z *.dbf súboru", "Načíst adresy z *.dbf souboru"}},
    {"CheckBox8", {"Load data from older version 2.1", "Načítať dáta zo staršej verzie 2.1", "Načíst data ze starší verze 2.1"}},
};

const ExchangeTexts kNoMarker{{"The folder holds no tables sent by a user (\"Zirt_Export.txt\" is missing).",
                               "Priečinok neobsahuje odoslané tabuľky (chýba \"Zirt_Export.txt\").",
                               "Složka neobsahuje odeslané tabulky (chybí \"Zirt_Export.txt\")."}};

} // namespace

std::optional<fs::path> PickImportFile(const std::string& filter) {
    QFileDialog dialog(nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDirectory(QString::fromStdString(GetDesktopFolder()));
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return fs::path(dialog.selectedFiles().front().toStdString());
}

TReadForm::TReadForm(TComponent* owner, ExchangeContext& context, WabContactSource& wab)
    : TForm(owner), Label1(new TLabel(this)), CheckBox1(new TCheckBox(this)), CheckBox2(new TCheckBox(this)),
      CheckBox3(new TCheckBox(this)), CheckBox7(new TCheckBox(this)), CheckBox8(new TCheckBox(this)),
      CheckBox4(new TCheckBox(this)), CheckBox5(new TCheckBox(this)), CheckBox9(new TCheckBox(this)),
      CheckBox6(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)), BitBtn1(new TButton(this)),
      ChooseFolder(ChooseExchangeFolder), PickFile(PickImportFile), AskFields(ShowAssignDialog), context_(context), wab_(wab) {
    SetName("ReadForm");
    SetCaption(" ");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(470, 230);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(12, 8, 446, 30);
    Label1->SetFont(TFont{"", 14, clWindowText, fsItalic});
    Label1->OnClick = [this](TComponent* s) { Label1Click(s); };
    int y = 48;
    for (auto [box, name] : {std::pair{CheckBox1, "CheckBox1"}, std::pair{CheckBox2, "CheckBox2"}, std::pair{CheckBox3, "CheckBox3"},
                             std::pair{CheckBox7, "CheckBox7"}, std::pair{CheckBox8, "CheckBox8"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(12, y, 270, 24);
        y += 28;
    }
    y = 48;
    for (auto [box, name] : {std::pair{CheckBox4, "CheckBox4"}, std::pair{CheckBox5, "CheckBox5"}, std::pair{CheckBox9, "CheckBox9"},
                             std::pair{CheckBox6, "CheckBox6"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(300, y, 158, 24);
        y += 28;
    }
    for (TCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox7, CheckBox8, CheckBox4, CheckBox5, CheckBox9, CheckBox6})
        box->OnClick = [this, box](TComponent*) { CheckBoxClick(box); };
    int x = 182;
    for (auto [button, name] : {std::pair{BitBtn3, "BitBtn3"}, std::pair{BitBtn2, "BitBtn2"}, std::pair{BitBtn1, "BitBtn1"}}) {
        button->SetName(name);
        button->SetParent(this);
        button->SetBounds(x, 190, 88, 28);
        x += 96;
    }
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    CheckBox1->SetChecked(true);
    CheckBox6->SetChecked(true);
    CheckBox2->SetEnabled(false);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TReadForm::FormShow(TComponent*) {
    ApplyCaptions(*this, kCaptions);
    SetMessageCaption(*CheckBox4, 174);
    SetMessageCaption(*CheckBox5, 175);
    SetMessageCaption(*CheckBox9, 176);
    SetMessageCaption(*CheckBox6, 121);
    SetMessageCaption(*BitBtn3, 168);
    SetMessageCaption(*BitBtn2, 169);
    if (context_.Frame.ActiveModule == ReportsModule) CheckBox8->SetEnabled(false);
    CheckBox2->SetEnabled(context_.Frame.ActiveModule == AddressModule);
}

void TReadForm::Label1Click(TComponent*) { SetMessageCaption(*Label1, 1); }

void TReadForm::CheckBoxClick(TCheckBox* box) {
    auto uncheck = [](std::initializer_list<TCheckBox*> boxes) {
        for (TCheckBox* b : boxes) b->SetChecked(false);
    };
    if (box == CheckBox8) {
        const bool old = CheckBox8->Checked();
        for (TCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox9}) {
            if (old) b->SetChecked(false);
            b->SetEnabled(!old);
        }
        if (old) SetMessageCaption(*Label1, 125);
        return;
    }
    if (!box->Checked()) return;
    if (box == CheckBox1) {
        uncheck({CheckBox2, CheckBox3, CheckBox7});
        SetMessageCaption(*Label1, 1);
    } else if (box == CheckBox2) {
        uncheck({CheckBox1, CheckBox3, CheckBox5, CheckBox7, CheckBox6, CheckBox9});
        CheckBox4->SetChecked(true);
        SetMessageCaption(*Label1, 2);
    } else if (box == CheckBox3) {
        uncheck({CheckBox2, CheckBox7, CheckBox1});
        SetMessageCaption(*Label1, 3);
    } else if (box == CheckBox7) {
        uncheck({CheckBox3, CheckBox2, CheckBox1});
        SetMessageCaption(*Label1, 87);
    } else {
        for (TCheckBox* other : {CheckBox4, CheckBox5, CheckBox9, CheckBox6})
            if (other != box) other->SetChecked(false);
    }
}

std::optional<TableGroup> TReadForm::CheckedGroup() const {
    if (CheckBox4->Checked()) return TableGroup::Address;
    if (CheckBox5->Checked()) return TableGroup::Tasks;
    if (CheckBox9->Checked()) return TableGroup::Links;
    if (CheckBox6->Checked()) return TableGroup::All;
    return std::nullopt;
}

void TReadForm::BitBtn1Click(TComponent*) {
    const std::optional<TableGroup> group = CheckedGroup();
    if (CheckBox2->Checked())
        ReadWabFile(context_, wab_, [](const std::string& text) { ShowMessage(text); },
                    [this] { return PickFile ? PickFile(kWabFilter) : std::nullopt; });
    if (CheckBox1->Checked() && group) {
        if (const std::optional<fs::path> folder = ChooseFolder ? ChooseFolder() : std::nullopt)
            if (!MergeSendTo(context_, *folder, *group, AskFields)) ShowMessage(kNoMarker());
    }
    if (CheckBox8->Checked()) {
        if (const std::optional<fs::path> folder = ChooseFolder ? ChooseFolder() : std::nullopt) ImportOldVersion(context_, *folder);
    }
    if (CheckBox7->Checked() && (CheckBox4->Checked() || CheckBox6->Checked())) {
        if (const std::optional<fs::path> file = PickFile ? PickFile(kDbfFilter) : std::nullopt)
            ImportDbfAddresses(context_, *file, AskFields);
    }
    if (CheckBox3->Checked() && group) RestoreFromBackup(context_, *group);
    SetModalResult(mrOk);
}

void TReadForm::BitBtn3Click(TComponent*) { Application().HelpContext({}, CheckBox2->Checked() ? kWabHelpContext : kHelpContext); }

} // namespace kvz
