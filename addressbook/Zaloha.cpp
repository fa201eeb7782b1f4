#include "addressbook/Zaloha.h"

#include "addressbook/DialogParts.h"
#include "addressbook/ExportForm.h"
#include "addressbook/SendTo.h"
#include "core/Languages.h"
#include "core/TableLocks.h"

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kBackupHelpContext = 31, kSendToHelpContext = 33;

} // namespace

TZalohaForm::TZalohaForm(TComponent* owner, ExchangeContext& context)
    : TForm(owner), Label1(new TLabel(this)), CheckBox1(new TCheckBox(this)), CheckBox2(new TCheckBox(this)),
      CheckBox4(new TCheckBox(this)), CheckBox3(new TCheckBox(this)), CheckBox6(new TCheckBox(this)),
      CheckBox5(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)),
      BitBtn1(new TButton(this)), ChooseFolder(ChooseExchangeFolder), context_(context) {
    SetName("ZalohaForm");
    SetCaption(" ");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kBackupHelpContext);
    SetClientSize(400, 210);
    PlaceHeading(*this, *Label1, 400);
    PlaceColumn(*this, {{CheckBox1, "CheckBox1"}, {CheckBox2, "CheckBox2"}}, 12, 180);
    PlaceColumn(*this,
                {{CheckBox4, "CheckBox4"},
                 {CheckBox3, "CheckBox3"},
                 {CheckBox6, "CheckBox6"},
                 {CheckBox5, "CheckBox5"}},
                212, 176);
    MakeExclusive({CheckBox4, CheckBox3, CheckBox6, CheckBox5});
    PlaceButtons(*this, *BitBtn3, *BitBtn2, *BitBtn1, 170);
    CheckBox1->SetChecked(true);
    CheckBox5->SetChecked(true);
    CheckBox1->OnClick = [this](TComponent* s) { CheckBox1Click(s); };
    CheckBox2->OnClick = [this](TComponent* s) { CheckBox2Click(s); };
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TZalohaForm::FormShow(TComponent*) {
    ApplyCaptions(*this, "TZalohaForm", Language());
    TableBoxes{CheckBox4, CheckBox3, CheckBox6, CheckBox5}.ShowCaptions();
    ShowButtonCaptions(*BitBtn3, *BitBtn2);
}

void TZalohaForm::CheckBox1Click(TComponent*) {
    if (!CheckBox1->Checked()) return;
    SetMessageCaption(*Label1, MessageId::SendingTo);
    CheckBox2->SetChecked(false);
}

void TZalohaForm::CheckBox2Click(TComponent*) {
    const bool backup = CheckBox2->Checked();
    if (backup)
        CheckBox1->SetChecked(false);
    else
        CheckBox1->SetChecked(true);
    for (TCheckBox* box : {CheckBox3, CheckBox4, CheckBox5, CheckBox6})
        box->SetEnabled(!backup);
    SetMessageCaption(*Label1, backup ? MessageId::BackingUp : MessageId::SendingTo);
}

std::optional<TableGroup> TZalohaForm::CheckedGroup() const {
    return TableBoxes{CheckBox4, CheckBox3, CheckBox6, CheckBox5}.Checked();
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
        context_.Locks().AutoBackup(context_.Frame.TableFolder, context_.Frame.UserPrefix,
                                    context_.Frame.NetworkMode, context_.Frame.DataFolder);
    SetModalResult(mrOk);
}

void TZalohaForm::BitBtn3Click(TComponent*) {
    Application().HelpContext({}, CheckBox2->Checked() ? kBackupHelpContext : kSendToHelpContext);
}

} // namespace kvz
