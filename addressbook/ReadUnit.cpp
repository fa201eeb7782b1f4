#include "addressbook/ReadUnit.h"

#include "addressbook/Assign.h"
#include "addressbook/DbfImport.h"
#include "addressbook/DialogParts.h"
#include "addressbook/ExportForm.h"
#include "addressbook/OldVersion.h"
#include "addressbook/Restore.h"
#include "addressbook/SendTo.h"
#include "core/Languages.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysInfo.h"

#include <QFileDialog>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kWabHelpContext = 32, kHelpContext = 34;
constexpr const char* kDbfFilter =
    "Dbase file (*.dbf);;Data file KV-Zirt (*.d);;Windows address book (*.wab)";
constexpr const char* kWabFilter =
    "Windows address book (*.wab);;Data file KV-Zirt (*.d);;Dbase file (*.dbf)";

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
      CheckBox6(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)),
      BitBtn1(new TButton(this)), ChooseFolder(ChooseExchangeFolder), PickFile(PickImportFile),
      AskFields(ShowAssignDialog), context_(context), wab_(wab) {
    SetName("ReadForm");
    SetCaption(" ");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(470, 230);
    PlaceHeading(*this, *Label1, 470);
    Label1->OnClick = [this](TComponent* s) { Label1Click(s); };
    PlaceColumn(*this,
                {{CheckBox1, "CheckBox1"},
                 {CheckBox2, "CheckBox2"},
                 {CheckBox3, "CheckBox3"},
                 {CheckBox7, "CheckBox7"},
                 {CheckBox8, "CheckBox8"}},
                12, 270);
    PlaceColumn(*this,
                {{CheckBox4, "CheckBox4"},
                 {CheckBox5, "CheckBox5"},
                 {CheckBox9, "CheckBox9"},
                 {CheckBox6, "CheckBox6"}},
                300, 158);
    for (TCheckBox* box :
         {CheckBox1, CheckBox2, CheckBox3, CheckBox7, CheckBox8, CheckBox4, CheckBox5, CheckBox9, CheckBox6})
        box->OnClick = [this, box](TComponent*) { CheckBoxClick(box); };
    PlaceButtons(*this, *BitBtn3, *BitBtn2, *BitBtn1, 190);
    CheckBox1->SetChecked(true);
    CheckBox6->SetChecked(true);
    CheckBox2->SetEnabled(false);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TReadForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TReadForm", Language());
    TableBoxes{CheckBox4, CheckBox5, CheckBox9, CheckBox6}.ShowCaptions();
    ShowButtonCaptions(*BitBtn3, *BitBtn2);
    if (context_.Frame.ActiveModule == ReportsModule) CheckBox8->SetEnabled(false);
    CheckBox2->SetEnabled(context_.Frame.ActiveModule == AddressModule);
}

void TReadForm::Label1Click(TComponent*) {
    SetMessageCaption(*Label1, MessageId::Importing);
}

void TReadForm::CheckBoxClick(TCheckBox* box) {
    auto uncheck = [](std::initializer_list<TCheckBox*> boxes) {
        for (TCheckBox* b : boxes)
            b->SetChecked(false);
    };
    if (box == CheckBox8) {
        const bool old = CheckBox8->Checked();
        for (TCheckBox* b :
             {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox9}) {
            if (old) b->SetChecked(false);
            b->SetEnabled(!old);
        }
        if (old) SetMessageCaption(*Label1, MessageId::LoadOlderVersion);
        return;
    }
    if (!box->Checked()) return;
    if (box == CheckBox1) {
        uncheck({CheckBox2, CheckBox3, CheckBox7});
        SetMessageCaption(*Label1, MessageId::Importing);
    } else if (box == CheckBox2) {
        uncheck({CheckBox1, CheckBox3, CheckBox5, CheckBox7, CheckBox6, CheckBox9});
        CheckBox4->SetChecked(true);
        SetMessageCaption(*Label1, MessageId::ImportingWab);
    } else if (box == CheckBox3) {
        uncheck({CheckBox2, CheckBox7, CheckBox1});
        SetMessageCaption(*Label1, MessageId::RecoveringBackup);
    } else if (box == CheckBox7) {
        uncheck({CheckBox3, CheckBox2, CheckBox1});
        SetMessageCaption(*Label1, MessageId::ImportingDbf);
    } else {
        for (TCheckBox* other : {CheckBox4, CheckBox5, CheckBox9, CheckBox6})
            if (other != box) other->SetChecked(false);
    }
}

std::optional<TableGroup> TReadForm::CheckedGroup() const {
    return TableBoxes{CheckBox4, CheckBox5, CheckBox9, CheckBox6}.Checked();
}

void TReadForm::BitBtn1Click(TComponent*) {
    const std::optional<TableGroup> group = CheckedGroup();
    if (CheckBox2->Checked())
        ReadWabFile(
            context_, wab_, [](const std::string& text) { ShowMessage(text); },
            [this] { return PickFile ? PickFile(kWabFilter) : std::nullopt; });
    if (CheckBox1->Checked() && group) {
        if (const std::optional<fs::path> folder = ChooseFolder ? ChooseFolder() : std::nullopt) {
            const SendToMerge merge = MergeSendTo(context_, *folder, *group, AskFields);
            if (!merge) ShowMessage(kNoMarker());
            else if (!merge.NothingAssigned.empty()) ShowMessage(NothingAssignedText());
        }
    }
    if (CheckBox8->Checked()) {
        if (const std::optional<fs::path> folder = ChooseFolder ? ChooseFolder() : std::nullopt) {
            std::string missing;
            for (const std::string& text : ImportOldVersion(context_, *folder).Missing)
                missing += (missing.empty() ? "" : "\n") + text;
            if (!missing.empty()) ShowMessage(missing);
        }
    }
    if (CheckBox7->Checked() && (CheckBox4->Checked() || CheckBox6->Checked())) {
        if (const std::optional<fs::path> file = PickFile ? PickFile(kDbfFilter) : std::nullopt)
            ImportDbfAddresses(context_, *file, AskFields);
    }
    if (CheckBox3->Checked() && group) RestoreFromBackup(context_, *group);
    SetModalResult(mrOk);
}

void TReadForm::BitBtn3Click(TComponent*) {
    Application().HelpContext({}, CheckBox2->Checked() ? kWabHelpContext : kHelpContext);
}

} // namespace kvz
