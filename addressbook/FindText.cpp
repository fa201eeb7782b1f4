#include "addressbook/FindText.h"

#include "addressbook/Captions.h"
#include "core/Data1.h"
#include "core/SettingsStore.h"

#include <QGridLayout>

#include <algorithm>

namespace kvz {

namespace {

constexpr int kHelpContext = 7, kFindEditHelpContext = 6;
constexpr int kSearchingMessage = 52; // "Searching  "
constexpr int kReportChoices = 3;     // "Name", "First name", "Surname"

const CaptionRow kCaptions[] = {
    {"", {"Searching", "Hľadanie", "Hledání"}},
    {"IndexLabel", {"Lookup item :", "Prehľadávaná položka :", "Prohledávaná položka :"}},
    {"FindTextLabel", {"Search text  :", "Hľadaný text :", "Hledaný text  :"}},
};

} // namespace

std::string ReportListField(const std::string& field) {
    if (field == "Priezvisko" || field == "Firma") return field;
    return field == "Meno_Kr" ? "Meno" : "Firma";
}

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
}

void TFindTextForm::NaplnUserField() {
    const int module = frame_.ActiveModule;
    if ((module == AddressModule || module == ReportsModule) && !data_.AddressTable) return;
    switch (module) {
    case AddressModule: choices_ = AddressFieldChoices(*data_.AddressTable, kFixedSortChoices); break;
    case LinksModule: choices_ = LinkFieldChoices(); break;
    case ReportsModule:
        choices_ = AddressFieldChoices(*data_.AddressTable, kReportChoices);
        choices_.resize(kReportChoices);
        break;
    default: return;
    }
    listModule_ = module;
    IndexComboBox->Items().Assign(Captions(choices_));
    int index = 0;
    if (module == LinksModule)
        index = std::max(0, ChoiceIndex(choices_, linksField_));
    else if (frame_.Settings)
        index = StoredSortChoice(choices_, *frame_.Settings);
    IndexComboBox->SetItemIndex(index);
}

void TFindTextForm::FormShow(TComponent*) {
    NaplnUserField();
    ApplyCaptions(*this, kCaptions);
}

void TFindTextForm::FormActivate(TComponent* sender) {
    // The module may have changed while the window stood open.
    if (frame_.ActiveModule != listModule_) NaplnUserField();
    IndexComboBoxChange(sender);
}

std::string TFindTextForm::ChosenField() const {
    const int index = IndexComboBox->ItemIndex();
    return index >= 0 && index < static_cast<int>(choices_.size()) ? choices_[static_cast<size_t>(index)].Field : "";
}

void TFindTextForm::IndexComboBoxChange(TComponent*) {
    const int module = frame_.ActiveModule;
    const int index = IndexComboBox->ItemIndex();
    if (module == NoModule || module != listModule_ || index < 0 || index >= static_cast<int>(choices_.size())) return;
    const FieldChoice& choice = choices_[static_cast<size_t>(index)];
    SetCaption(GetMessageText(kSearchingMessage) + choice.Caption);
    switch (module) {
    case AddressModule:
        if (frame_.Settings) StoreSortChoice(choices_, index, *frame_.Settings);
        if (frame_.AddressSort)
            frame_.AddressSort->ShowSortField(choice.Field, SortFieldCaption(*data_.AddressTable, choice.Field));
        break;
    case LinksModule:
        linksField_ = choice.Field;
        if (frame_.LinksSearch) frame_.LinksSearch->TriedLinks(linksField_);
        break;
    case ReportsModule:
        if (frame_.Settings) StoreSortChoice(choices_, index, *frame_.Settings);
        if (frame_.ReportsSearch) frame_.ReportsSearch->ShowListField(ReportListField(choice.Field));
        break;
    default: break;
    }
}

void TFindTextForm::FindEditChange(TComponent*) {
    SearchText = FindEdit->Text();
    const TLocateOptions options = loCaseInsensitive | loPartialKey;
    const std::string stored = frame_.Settings ? frame_.Settings->NastaveniaText[13] : std::string(kDefaultSortField);
    switch (frame_.ActiveModule) {
    case AddressModule:
        // The address being typed stays the current one until it is saved or cancelled.
        if (data_.AddressTable && (!frame_.AddressSort || frame_.AddressSort->RecordMovesAllowed()))
            data_.AddressTable->Locate(CheckedSortField(*data_.AddressTable, stored), Variant(SearchText), options);
        break;
    case LinksModule:
        if (data_.LinksTable) data_.LinksTable->Locate(linksField_, Variant(SearchText), options);
        break;
    case ReportsModule:
        if (data_.AddressTable) data_.AddressTable->Locate(ReportListField(stored), Variant(SearchText), options);
        break;
    default: break;
    }
}

} // namespace kvz
