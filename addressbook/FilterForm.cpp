#include "addressbook/FilterForm.h"

#include "addressbook/DialogParts.h"
#include "addressbook/Exchange.h"
#include "addressbook/FilterText.h"
#include "core/Data1.h"
#include "core/Languages.h"
#include "core/SettingsStore.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/CodePage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

namespace {

constexpr int kHelpContext = 8;
// The remembered choice of each row.
constexpr int kRowSlots[5] = {Slot::AddressSortIndex, Slot::FilterRows, Slot::FilterRows + 1, Slot::FilterRows + 2,
                              Slot::FilterRows + 3};

} // namespace

TFilterForm::TFilterForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), CheckBox1(new TCheckBox(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)),
      BitBtn1(new TButton(this)), data_(data), frame_(frame) {
    SetName("FilterForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    for (int i = 0; i < 5; ++i) {
        ComboBoxes[i] = new TComboBox(this);
        ComboBoxes[i]->SetName("ComboBox" + std::to_string(i + 1));
        ComboBoxes[i]->SetStyle(TComboBoxStyle::csDropDownList);
        ComboBoxes[i]->SetDropDownCount(16);
        ComboBoxes[i]->Widget()->setMinimumWidth(150);
        EqualLabels[i] = new TLabel(this);
        EqualLabels[i]->SetCaption("=");
        Edits[i] = new TEdit(this);
        Edits[i]->SetName("Edit" + std::to_string(i + 1));
        const int row = i * 2;
        for (TControl* c : {static_cast<TControl*>(ComboBoxes[i]), static_cast<TControl*>(EqualLabels[i]),
                            static_cast<TControl*>(Edits[i])})
            c->SetParent(this);
        grid->addWidget(ComboBoxes[i]->Widget(), row, 0);
        grid->addWidget(EqualLabels[i]->Widget(), row, 1);
        grid->addWidget(Edits[i]->Widget(), row, 2);
        if (i < 4) {
            AndLabels[i] = new TLabel(this);
            AndLabels[i]->SetName("Label" + std::to_string(i + 6));
            AndLabels[i]->SetParent(this);
            grid->addWidget(AndLabels[i]->Widget(), row + 1, 0);
        }
    }
    CheckBox1->SetName("CheckBox1");
    CheckBox1->SetParent(this);
    CheckBox1->SetVisible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TButton* b : {BitBtn3, BitBtn2, BitBtn1}) {
        b->SetParent(this);
        buttons->addWidget(b->Widget());
    }
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn2->SetName("BitBtn2");
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    BitBtn3->SetName("BitBtn3");
    // Tab goes down the rows, then to OK, Cancel and Help.
    int order = 0;
    for (int i = 0; i < 5; ++i) {
        ComboBoxes[i]->SetTabOrder(order++);
        Edits[i]->SetTabOrder(order++);
    }
    for (TButton* b : {BitBtn1, BitBtn2, BitBtn3}) b->SetTabOrder(order++);
    auto* column = new QVBoxLayout(ClientWidget());
    column->addLayout(grid);
    column->addStretch();
    column->addLayout(buttons);
    SetClientSize(460, 250);

    // Only the filter text applies while the dialog is open.
    if (data_.AddressTable) {
        addressFilter_ = data_.AddressTable->OnFilterRecord();
        data_.AddressTable->SetOnFilterRecord(nullptr);
    }
    if (data_.LinksTable) {
        linksFilter_ = data_.LinksTable->OnFilterRecord();
        data_.LinksTable->SetOnFilterRecord(nullptr);
    }

    ComboBoxes[0]->OnChange = [this](TComponent* s) { ComboBox1Change(s); };
    for (int i = 1; i < 5; ++i)
        ComboBoxes[i]->OnChange = [this, i](TComponent*) {
            if (frame_.Settings) frame_.Settings->Nastavenia[kRowSlots[i]] = ComboBoxes[i]->ItemIndex();
        };
    CheckBox1->OnClick = [this](TComponent* s) { CheckBox1Click(s); };
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    OnClose = [this](TComponent* s, TCloseAction& action) { FormClose(s, action); };
}

TFilterForm::~TFilterForm() {
    // The record filters come back however the dialog ends.
    if (data_.AddressTable && !data_.AddressTable->OnFilterRecord()) data_.AddressTable->SetOnFilterRecord(addressFilter_);
    if (data_.LinksTable && !data_.LinksTable->OnFilterRecord()) data_.LinksTable->SetOnFilterRecord(linksFilter_);
}

ModuleSearch* TFilterForm::Search() const { return frame_.Module ? frame_.Module->Search() : nullptr; }

TDataSet* TFilterForm::Table() const {
    ModuleSearch* search = Search();
    return search ? search->FilterTable() : nullptr;
}

void TFilterForm::FillFieldList() {
    ModuleSearch* search = Search();
    choices_ = search && search->FilterTable() ? search->FilterFields() : std::vector<FieldChoice>{};
    const std::vector<std::string> captions = Captions(choices_);
    for (TComboBox* combo : ComboBoxes) combo->Items().Assign(captions);
}

void TFilterForm::FormShow(TComponent*) {
    FillFieldList();
    ModuleSearch* search = Search();
    const int count = static_cast<int>(choices_.size());
    for (int i = 0; i < 5; ++i) {
        int index = frame_.Settings ? frame_.Settings->Nastavenia[kRowSlots[i]] : 0;
        if (i == 0 && search)
            if (auto first = search->FilterFirstIndex(choices_)) index = *first;
        ComboBoxes[i]->SetItemIndex(index >= 0 && index < count ? index : (count ? 0 : -1));
    }
    ApplyCaptions(*this, "TFilterForm", Language());
    ShowButtonCaptions(*BitBtn3, *BitBtn2);
    CheckBox1->SetChecked(frame_.Settings && frame_.Settings->Nastavenia[Slot::FilterOption] == 0);
    // The first field has the focus, so that Enter right away is OK and not Help.
    SetActiveControl(ComboBoxes[0]);
}

void TFilterForm::ComboBox1Change(TComponent*) {
    if (ModuleSearch* search = Search()) search->FilterFieldChosen(choices_, ComboBoxes[0]->ItemIndex());
}

void TFilterForm::CheckBox1Click(TComponent*) {
    if (frame_.Settings) frame_.Settings->Nastavenia[Slot::FilterOption] = CheckBox1->Checked() ? 0 : 1;
}

std::string TFilterForm::FieldOf(int row) const {
    const int index = ComboBoxes[static_cast<size_t>(row)]->ItemIndex();
    return index >= 0 && index < static_cast<int>(choices_.size()) ? choices_[static_cast<size_t>(index)].Field : "";
}

std::string TFilterForm::FilterText() const {
    std::vector<FilterRow> rows;
    for (int i = 0; i < 5; ++i)
        if (!FieldOf(i).empty()) rows.push_back({FieldOf(i), Edits[static_cast<size_t>(i)]->Text()});
    return BuildFilterText(rows);
}

void TFilterForm::BitBtn1Click(TComponent*) {
    TDataSet* table = Table();
    if (!table) return;
    for (TEdit* edit : Edits) {
        std::string bytes;
        if (TryUtf8ToCodePage(edit->Text(), DataCodePage(), bytes)) continue;
        edit->SetFocus();
        ShowMessageBox(ExchangeTexts{{"The text holds a character that the table cannot store.",
                                      "Text obsahuje znak, ktorý tabuľka nemôže obsahovať.",
                                      "Text obsahuje znak, který tabulka nemůže obsahovat."}}(),
                       Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string text = FilterText();
    ComboBox1Change(this);
    table->SetFilterText(text);
    table->SetFiltered(true);
    Search()->FilterApplied(FieldOf(0));
    applied_ = true;
    SetModalResult(mrOk);
}

void TFilterForm::BitBtn3Click(TComponent*) { Application().HelpContext({}, kHelpContext); }

void TFilterForm::FormClose(TComponent*, TCloseAction&) {
    if (data_.AddressTable) data_.AddressTable->SetOnFilterRecord(addressFilter_);
    if (data_.LinksTable) data_.LinksTable->SetOnFilterRecord(linksFilter_);
    frame_.Filters.LinksFilterActive = false;
    // Closing without OK (Cancel, Escape, the close box): the filter button comes up, which
    // removes any filter.
    if (applied_) return;
    if (frame_.FilterButton) {
        frame_.FilterButton->ReleaseFilterButton();
    } else if (TDataSet* table = Table()) {
        table->SetFiltered(false);
        frame_.FilterFieldName.clear();
    }
}

} // namespace kvz
