#include "scheduling/AddBankForm.h"

#include "core/Languages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

namespace {
constexpr int kHelpTopic = 68;
} // namespace

TAddBankForm::TAddBankForm(TComponent* owner, FrameState& frame) : TForm(owner), frame_(frame) {
    SetName("AddBankForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poDesktopCenter);
    SetHelpContext(kHelpTopic);
    auto* column = new QVBoxLayout(ClientWidget());
    const char* names[5] = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"};
    for (int i = 0; i < 5; ++i) {
        TEdit* e = MakeControl<TEdit>(this, this, names[i]);
        e->SetMaxLength(kEBankAddressLength);
        e->Widget()->setMinimumWidth(285);
        fields_[size_t(i)] = e;
        column->addWidget(e->Widget());
    }
    Edit1 = fields_[0], Edit2 = fields_[1], Edit3 = fields_[2], Edit4 = fields_[3], Edit5 = fields_[4];
    HelpButton = MakeControl<TButton>(this, this, "HelpButton");
    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn2->SetCancel(true);
    BitBtn1->SetDefault(true);
    HelpButton->OnClick = [this](TComponent*) { HelpButtonClick(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    auto* buttons = new QHBoxLayout;
    for (TButton* b : {HelpButton, BitBtn2, BitBtn1}) {
        b->Widget()->setMinimumSize(75, 25);
        buttons->addWidget(b->Widget());
    }
    column->addSpacing(10);
    column->addLayout(buttons);
    OnShow = [this](TComponent*) { FormShow(); };
    SetClientSize(300, 176);
}

void TAddBankForm::FormShow() {
    ApplyCaptions(*this, "TAddBankForm", Language());
    SetMessageCaption(*HelpButton, MessageId::Help);
    SetMessageCaption(*BitBtn2, MessageId::Cancel);
    if (!frame_.Settings) return;
    for (int n = 1; n <= 5; ++n)
        if (const std::string& text = EBankSlot(n); !text.empty()) Field(n)->SetText(text);
}

void TAddBankForm::BitBtn1Click() {
    if (frame_.Settings) {
        std::array<std::string, 5> before;
        for (int n = 1; n <= 5; ++n) {
            before[size_t(n - 1)] = EBankSlot(n);
            EBankSlot(n) = Field(n)->Text();
        }
        // Kept in the file at once; an address the file cannot hold is refused here, with the
        // dialog still open and the addresses as they were.
        if (!frame_.DataFolder.empty()) {
            try {
                frame_.Settings->SaveSettings(frame_.DataFolder);
            } catch (const std::exception& error) {
                for (int n = 1; n <= 5; ++n)
                    EBankSlot(n) = before[size_t(n - 1)];
                ShowMessageBox(GetMessageText(MessageId::EBanksNotKept) + error.what(), Application().Title(),
                               MB_OK | MB_ICONERROR);
                return;
            }
        }
    }
    if (Modal())
        SetModalResult(mrOk);
    else
        Close();
}

void TAddBankForm::BitBtn2Click() {
    if (Modal())
        SetModalResult(mrCancel);
    else
        Close();
}

void TAddBankForm::HelpButtonClick() {
    ShowHelp();
}

std::string& TAddBankForm::EBankSlot(int n) {
    return frame_.Settings->NastaveniaText[size_t(TextSlot::FirstEBank + n - 1)];
}

} // namespace kvz
