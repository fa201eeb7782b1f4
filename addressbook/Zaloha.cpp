#include "addressbook/Zaloha.h"

#include "addressbook/Captions.h"
#include "addressbook/ExportForm.h"
#include "addressbook/SendTo.h"
#include "core/TableLocks.h"

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kBackupHelpContext = 31, kSendToHelpContext = 33;

const CaptionRow kCaptions[] = {
    {"Label1", {"Send to...", "Odosiela sa...", "Odesílá se..."}},
    {"CheckBox1", {"Send to", "Odoslať", "Odeslat"}},
    {"CheckBox2", {"Create backup", "Vytvoriť zálohu", "Vytvořit zálohu"}},
};

} // namespace

TZalohaForm::TZalohaForm(TComponent* owner, ExchangeContext& context)
    : TForm(owner), Label1(new TLabel(this)), CheckBox1(new TCheckBox(this)), CheckBox2(new TCheckBox(this)),
      CheckBox4(new TCheckBox(this)), CheckBox3(new TCheckBox(this)), CheckBox6(new TCheckBox(this)),
      CheckBox5(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)), BitBtn1(new TButton(this)),
      ChooseFolder(ChooseExchangeFolder), context_(context) {
    SetName("ZalohaForm");
    SetCaption(" ");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kBackupHelpContext);
    SetClientSize(400, 210);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(12, 8, 376, 30);
    Label1->SetFont(TFont{"", 14, clWindowText, fsItalic});
    int y = 48;
    for (auto [box, name] : {std::pair{CheckBox1, "CheckBox1"}, std::pair{CheckBox2, "CheckBox2"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(12, y, 180, 24);
        y += 28;
    }
    y = 48;
    for (auto [box, name] : {std::pair{CheckBox4, "CheckBox4"}, std::pair{CheckBox3, "CheckBox3"}, std::pair{CheckBox6, "CheckBox6"},
                             std::pair{CheckBox5, "CheckBox5"}}) {
        box->SetName(name);
        box->SetParent(this);
        box->SetBounds(212, y, 176, 24);
        y += 28;
        box->OnClick = [this, box = box](TComponent*) {
            if (!box->Checked()) return;
            for (TCheckBox* other : {CheckBox3, CheckBox4, CheckBox5, CheckBox6})
                if (other != box) other->SetChecked(false);
        };
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
    CheckBox5->SetChecked(true);
    CheckBox1->OnClick = [this](TComponent* s) { CheckBox1Click(s); };
    CheckBox2->OnClick = [this](TComponent* s) { CheckBox2Click(s); };
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TZalohaForm::FormShow(TComponent*) {
    ApplyCaptions(*this, kCaptions);
    SetMessageCaption(*CheckBox4, 174);
    SetMessageCaption(*CheckBox3, 175);
    SetMessageCaption(*CheckBox6, 176);
    SetMessageCaption(*CheckBox5, 121);
    SetMessageCaption(*BitBtn3, 168);
    SetMessageCaption(*BitBtn2, 169);
}

void TZalohaForm::CheckBox1Click(TComponent*) {
    if (!CheckBox1->Checked()) return;
    SetMessageCaption(*Label1, 5);
    CheckBox2->SetChecked(false);
}

void TZalohaForm::CheckBox2Click(TComponent*) {
    const bool backup = CheckBox2->Checked();
    if (backup) CheckBox1->SetChecked(false);
    else CheckBox1->SetChecked(true);
    for (TCheckBox* box : {CheckBox3, CheckBox4, CheckBox5, CheckBox6}) box->SetEnabled(!backup);
    SetMessageCaption(*Label1, backup ? 6 : 5);
}

std::optional<TableGroup> TZalohaForm::CheckedGroup() const {
    if (CheckBox4->Checked()) return TableGroup::Address;
    if (CheckBox3->Checked()) return TableGroup::Tasks;
    if (CheckBox6->Checked()) return TableGroup::Links;
    if (CheckBox5->Checked()) return TableGroup::All;
    return std::nullopt;
}

void TZalohaForm::BitBtn1Click(TComponent*) {
    const std::optional<TableGroup> group = CheckedGroup();
    if (CheckBox1->Checked() && group) {
        // Cancelling the folder choice writes nothing and makes no folder.
        const std::optional<fs::path> chosen = ChooseFolder ? ChooseFolder() : std::nullopt;
        if (!chosen) return;
        WriteSendTo(context_, *chosen, *group);
    }
    if (CheckBox2->Checked())
        context_.Locks().AutoBackup(context_.Frame.TableFolder, context_.Frame.UserPrefix, context_.Frame.NetworkMode);
    SetModalResult(mrOk);
}

void TZalohaForm::BitBtn3Click(TComponent*) {
    Application().HelpContext({}, CheckBox2->Checked() ? kBackupHelpContext : kSendToHelpContext);
}

} // namespace kvz
