#include "addressbook/ExportForm.h"

#include "addressbook/Captions.h"
#include "addressbook/SendTo.h"
#include "controls/KvFileUtil.h"
#include "platform/rtl/SysInfo.h"

#include <vector>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kHelpContext = 45;
constexpr int kFolderHelpContext = 10;

const CaptionRow kEncodingCaptions[] = {
    {"", {"Select encoding", "Vyberte kódovanie", "Zvolte kódování"}},
    {"Label2", {"Select encoding", "Vyberte kódovanie", "Zvolte kódování"}},
};

const CaptionRow kExportCaptions[] = {
    {"Label1", {"Save as ...", "Uložiť ako ...", "Uložit jako ..."}},
    {"CheckBox1", {"Save as *.dbf", "Uložiť ako *.dbf", "Uložit jako *.dbf"}},
    {"CheckBox2", {"Save as *.xls", "Uložiť ako *.xls", "Uložit jako *.xls"}},
    {"CheckBox3", {"Save as *.xml", "Uložiť ako *.xml", "Uložit jako *.xml"}},
};

// Checking one box of a group unchecks the others.
void Exclusive(std::initializer_list<TCheckBox*> boxes) {
    const std::vector<TCheckBox*> group(boxes);
    for (TCheckBox* box : group)
        box->OnClick = [box, group](TComponent*) {
            if (!box->Checked()) return;
            for (TCheckBox* other : group)
                if (other != box) other->SetChecked(false);
        };
}

} // namespace

std::optional<fs::path> ChooseExchangeFolder() {
    std::string folder = GetDesktopFolder();
    if (!SelectFolderDialog(folder, "", kFolderHelpContext)) return std::nullopt;
    return fs::path(folder);
}

TEncodingForm::TEncodingForm(TComponent* owner)
    : TForm(owner), Label2(new TLabel(this)), ComboBox1(new TComboBox(this)), BitBtn1(new TButton(this)) {
    SetName("EncodingForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poDesktopCenter);
    SetHelpContext(kHelpContext);
    SetClientSize(300, 110);
    Label2->SetName("Label2");
    Label2->SetParent(this);
    Label2->SetBounds(12, 12, 276, 18);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetParent(this);
    ComboBox1->SetBounds(12, 36, 276, 26);
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    for (const ExportEncoding& e : kExportEncodings) ComboBox1->Items().Add(e.Caption);
    ComboBox1->SetItemIndex(kDefaultExportEncoding);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetBounds(112, 74, 76, 28);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TEncodingForm::FormShow(TComponent*) { ApplyCaptions(*this, kEncodingCaptions); }

void TEncodingForm::BitBtn1Click(TComponent*) {
    const int index = ComboBox1->ItemIndex();
    if (index >= 0 && index < static_cast<int>(std::size(kExportEncodings))) Chosen = kExportEncodings[index].Name;
}

TExportForm::TExportForm(TComponent* owner, ExchangeContext& context)
    : TForm(owner), Label1(new TLabel(this)), CheckBox1(new TCheckBox(this)), CheckBox2(new TCheckBox(this)),
      CheckBox3(new TCheckBox(this)), CheckBox4(new TCheckBox(this)), CheckBox5(new TCheckBox(this)),
      CheckBox7(new TCheckBox(this)), CheckBox6(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)),
      BitBtn1(new TButton(this)), ChooseFolder(ChooseExchangeFolder), context_(context) {
    SetName("ExportForm");
    SetCaption("Export");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    SetClientSize(400, 210);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(12, 8, 376, 30);
    Label1->SetFont(TFont{"", 14, clWindowText, fsItalic});
    int y = 48;
    for (auto [box, name] : {std::pair{CheckBox1, "CheckBox1"}, std::pair{CheckBox2, "CheckBox2"}, std::pair{CheckBox3, "CheckBox3"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(12, y, 180, 24);
        y += 28;
    }
    y = 48;
    for (auto [box, name] : {std::pair{CheckBox4, "CheckBox4"}, std::pair{CheckBox5, "CheckBox5"}, std::pair{CheckBox7, "CheckBox7"},
                             std::pair{CheckBox6, "CheckBox6"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(212, y, 176, 24);
        y += 28;
    }
    int x = 112;
    for (auto [button, name] : {std::pair{BitBtn3, "BitBtn3"}, std::pair{BitBtn2, "BitBtn2"}, std::pair{BitBtn1, "BitBtn1"}}) {
        button->SetName(name);
        button->SetParent(this);
        button->SetBounds(x, 170, 88, 28);
        x += 96;
    }
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    CheckBox1->SetChecked(true);
    CheckBox4->SetChecked(true);
    Exclusive({CheckBox1, CheckBox2, CheckBox3});
    Exclusive({CheckBox4, CheckBox5, CheckBox7, CheckBox6});
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TExportForm::FormShow(TComponent*) {
    ApplyCaptions(*this, kExportCaptions);
    SetMessageCaption(*CheckBox4, 174);
    SetMessageCaption(*CheckBox5, 175);
    SetMessageCaption(*CheckBox7, 176);
    SetMessageCaption(*CheckBox6, 121);
    SetMessageCaption(*BitBtn3, 168);
    SetMessageCaption(*BitBtn2, 169);
}

std::optional<TableGroup> TExportForm::CheckedGroup() const {
    if (CheckBox4->Checked()) return TableGroup::Address;
    if (CheckBox5->Checked()) return TableGroup::Tasks;
    if (CheckBox7->Checked()) return TableGroup::Links;
    if (CheckBox6->Checked()) return TableGroup::All;
    return std::nullopt;
}

void TExportForm::BitBtn1Click(TComponent*) {
    Written.clear();
    const std::optional<TableGroup> group = CheckedGroup();
    const bool any = CheckBox1->Checked() || CheckBox2->Checked() || CheckBox3->Checked();
    if (group && any) {
        // Cancelling the folder choice writes nothing and makes no folder.
        const std::optional<fs::path> chosen = ChooseFolder ? ChooseFolder() : std::nullopt;
        if (!chosen) return;
        const fs::path folder = CreateExchangeFolder(*chosen, context_.Frame.UserPrefix);
        auto write = [&](ExportFormat format) {
            for (const fs::path& file : ExportTables(context_, folder, *group, format, ExportEncoding)) Written.push_back(file);
        };
        if (CheckBox1->Checked()) write(ExportFormat::Dbf);
        if (CheckBox3->Checked()) {
            TEncodingForm encoding(nullptr);
            encoding.ShowModal();
            if (encoding.Chosen) ExportEncoding = *encoding.Chosen;
            write(ExportFormat::Xml);
        }
        if (CheckBox2->Checked()) write(ExportFormat::Xls);
    }
    SetModalResult(mrOk);
}

void TExportForm::BitBtn3Click(TComponent*) { Application().HelpContext({}, kHelpContext); }

} // namespace kvz
