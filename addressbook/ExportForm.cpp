#include "addressbook/ExportForm.h"

#include "addressbook/DialogParts.h"
#include "addressbook/SendTo.h"
#include "controls/KvFileUtil.h"
#include "core/Languages.h"
#include "platform/rtl/SysInfo.h"

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kHelpContext = 45;
constexpr int kFolderHelpContext = 10;

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
    for (const ExportEncoding& e : kExportEncodings)
        ComboBox1->Items().Add(e.Caption);
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

void TEncodingForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TEncodingForm", Language());
}

void TEncodingForm::BitBtn1Click(TComponent*) {
    const int index = ComboBox1->ItemIndex();
    if (index >= 0 && index < static_cast<int>(std::size(kExportEncodings)))
        Chosen = kExportEncodings[index].Name;
}

TExportForm::TExportForm(TComponent* owner, ExchangeContext& context)
    : TForm(owner), Label1(new TLabel(this)), CheckBox1(new TCheckBox(this)), CheckBox2(new TCheckBox(this)),
      CheckBox3(new TCheckBox(this)), CheckBox4(new TCheckBox(this)), CheckBox5(new TCheckBox(this)),
      CheckBox7(new TCheckBox(this)), CheckBox6(new TCheckBox(this)), BitBtn3(new TButton(this)),
      BitBtn2(new TButton(this)), BitBtn1(new TButton(this)), ChooseFolder(ChooseExchangeFolder),
      context_(context) {
    SetName("ExportForm");
    SetCaption("Export");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    SetClientSize(400, 210);
    PlaceHeading(*this, *Label1, 400);
    PlaceColumn(*this, {{CheckBox1, "CheckBox1"}, {CheckBox2, "CheckBox2"}, {CheckBox3, "CheckBox3"}}, 12,
                180);
    PlaceColumn(*this,
                {{CheckBox4, "CheckBox4"},
                 {CheckBox5, "CheckBox5"},
                 {CheckBox7, "CheckBox7"},
                 {CheckBox6, "CheckBox6"}},
                212, 176);
    PlaceButtons(*this, *BitBtn3, *BitBtn2, *BitBtn1, 170);
    CheckBox1->SetChecked(true);
    CheckBox4->SetChecked(true);
    MakeExclusive({CheckBox1, CheckBox2, CheckBox3});
    MakeExclusive({CheckBox4, CheckBox5, CheckBox7, CheckBox6});
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TExportForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TExportForm", Language());
    TableBoxes{CheckBox4, CheckBox5, CheckBox7, CheckBox6}.ShowCaptions();
    ShowButtonCaptions(*BitBtn3, *BitBtn2);
}

std::optional<TableGroup> TExportForm::CheckedGroup() const {
    return TableBoxes{CheckBox4, CheckBox5, CheckBox7, CheckBox6}.Checked();
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
            for (const fs::path& file : ExportTables(context_, folder, *group, format, ExportEncoding))
                Written.push_back(file);
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

void TExportForm::BitBtn3Click(TComponent*) {
    Application().HelpContext({}, kHelpContext);
}

} // namespace kvz
