#include "addressbook/FindText.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/SettingsStore.h"

#include <QGridLayout>

#include <algorithm>

namespace kvz {

namespace {

constexpr int kHelpContext = 7, kFindEditHelpContext = 6;

} // namespace

TFindTextForm::TFindTextForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), IndexLabel(new TLabel(this)), IndexComboBox(new TComboBox(this)), FindTextLabel(new TLabel(this)),
      FindEdit(new TEdit(this)), data_(data), frame_(frame) {
    SetName("FindTextForm");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    IndexLabel->SetName("IndexLabel");
    FindTextLabel->SetName("FindTextLabel");
    IndexComboBox->SetName("IndexComboBox");
    FindEdit->SetName("FindEdit");
    FindEdit->SetHelpContext(kFindEditHelpContext);
    IndexComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    IndexComboBox->SetDropDownCount(16);
    auto* grid = new QGridLayout(ClientWidget());
    int row = 0;
    for (auto [label, control] : {std::pair<TLabel*, TWinControl*>{FindTextLabel, FindEdit}, {IndexLabel, IndexComboBox}}) {
        label->SetParent(this);
        control->SetParent(this);
        label->SetFocusControl(control);
        grid->addWidget(label->Widget(), row++, 0);
        grid->addWidget(control->Widget(), row++, 0);
    }
    grid->setRowStretch(row, 1);
    FindEdit->SetTabOrder(0);
    IndexComboBox->SetTabOrder(1);
    SetClientSize(224, 108);
    IndexComboBox->OnChange = [this](TComponent* s) { IndexComboBoxChange(s); };
    FindEdit->OnChange = [this](TComponent* s) { FindEditChange(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    OnActivate = [this](TComponent* s) { FormActivate(s); };
    // A small window beside the work: Escape puts it away, as it does a dialog.
    SetKeyPreview(true);
    OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) {
        if (key != VK_ESCAPE) return;
        key = 0;
        Close();
    };
}

ModuleSearch* TFindTextForm::Search() const { return frame_.Module ? frame_.Module->Search() : nullptr; }

void TFindTextForm::NaplnUserField() {
    ModuleSearch* search = Search();
    // A module without a search (the scheduling window) keeps the list as it was.
    if (!search) return;
    choices_ = search->FindFields();
    listModule_ = frame_.ActiveModule;
    IndexComboBox->Items().Assign(Captions(choices_));
    IndexComboBox->SetItemIndex(choices_.empty() ? -1 : search->FindFieldIndex(choices_));
}

void TFindTextForm::FormShow(TComponent*) {
    NaplnUserField();
    ApplyCaptions(*this, "TFindTextForm", Language());
    // The user opens the window to type what to find.
    if (FindEdit->Enabled()) SetActiveControl(FindEdit);
}

void TFindTextForm::FormActivate(TComponent* sender) {
    // The module may have changed while the window stood open.
    if (frame_.ActiveModule != listModule_) NaplnUserField();
    // While a record is typed, the window waits until it is saved or cancelled.
    ModuleSearch* search = Search();
    const bool moves = !search || search->MovesAllowed();
    FindEdit->SetEnabled(moves);
    IndexComboBox->SetEnabled(moves);
    if (!moves) return;
    IndexComboBoxChange(sender);
    if (!IndexComboBox->Focused()) FindEdit->SetFocus();
}

std::string TFindTextForm::ChosenField() const {
    const int index = IndexComboBox->ItemIndex();
    return index >= 0 && index < static_cast<int>(choices_.size()) ? choices_[static_cast<size_t>(index)].Field : "";
}

void TFindTextForm::IndexComboBoxChange(TComponent*) {
    ModuleSearch* search = Search();
    const int index = IndexComboBox->ItemIndex();
    if (!search || frame_.ActiveModule != listModule_ || index < 0 || index >= static_cast<int>(choices_.size())) return;
    SetCaption(GetMessageText(MessageId::Searching) + choices_[static_cast<size_t>(index)].Caption);
    search->FindFieldChosen(choices_, index);
}

void TFindTextForm::FindEditChange(TComponent*) {
    SearchText = FindEdit->Text();
    if (ModuleSearch* search = Search()) search->FindText(SearchText);
}

} // namespace kvz
