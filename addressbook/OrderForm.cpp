#include "addressbook/OrderForm.h"

#include "addressbook/DialogParts.h"
#include "core/Data1.h"
#include "core/Languages.h"

#include <QVBoxLayout>

namespace kvz {

namespace {

constexpr int kHelpContext = 29;

} // namespace

TOrderForm::TOrderForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), RadioGroup1(new TGroupBox(this)), ListBox1(new TListBox(this)), BitBtn1(new TButton(this)),
      data_(data), frame_(frame) {
    SetName("OrderForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    RadioGroup1->SetName("RadioGroup1");
    RadioGroup1->SetParent(this);
    ListBox1->SetName("ListBox1");
    ListBox1->SetParent(RadioGroup1);
    auto* inner = new QVBoxLayout(RadioGroup1->Widget());
    inner->addWidget(ListBox1->Widget());
    auto* column = new QVBoxLayout(ClientWidget());
    column->addWidget(RadioGroup1->Widget(), 1);
    column->addLayout(OkButtonRow(*this, *BitBtn1));
    SetClientSize(240, 380);
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TOrderForm::FormShow(TComponent*) {
    choices_ = data_.AddressTable ? AddressFieldChoices(*data_.AddressTable, kFixedSortChoices) : std::vector<FieldChoice>{};
    ListBox1->Items().Assign(Captions(choices_));
    if (frame_.Settings) ListBox1->SetItemIndex(StoredSortChoice(choices_, *frame_.Settings));
    ApplyCaptions(*this, "TOrderForm", Language());
    RadioGroup1->SetCaption(" " + GetMessageText(MessageId::OrderBy));
}

void TOrderForm::BitBtn1Click(TComponent*) {
    const int index = ListBox1->ItemIndex();
    if (index < 0 || index >= static_cast<int>(choices_.size()) || !frame_.Settings) return;
    StoreSortChoice(choices_, index, *frame_.Settings);
    const std::string& field = choices_[static_cast<size_t>(index)].Field;
    if (frame_.AddressSort && data_.AddressTable)
        frame_.AddressSort->ShowSortField(field, SortFieldCaption(*data_.AddressTable, field));
    SetModalResult(mrOk);
}

} // namespace kvz
