#include "core/SourceDatForm.h"

#include "core/Messages.h"
#include "platform/data/DB.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace kvz {

TSourceDatForm::TSourceDatForm(TComponent* owner, TDataSet* addressTable, std::string lookupField)
    : TForm(owner), Edit1(new TEdit(this)), EditTypeButton(new TButton(this)), KvDBLookupCombo1(new TKvDBLookupCombo(this)),
      OkButton(new TButton(this)), CancelButton(new TButton(this)), HelpButton(new TButton(this)),
      addressSource_(new TDataSource(this)), lookupField_(std::move(lookupField)) {
    SetName("SourceDatForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    Edit1->SetName("Edit1");
    EditTypeButton->SetName("EditTypeButton");
    KvDBLookupCombo1->SetName("KvDBLookupCombo1");
    addressSource_->SetDataSet(addressTable);
    // The lookup combo paints itself: it is as tall as the edit above it, and its row stays
    // while it is hidden, since the dialog keeps the size it opened with.
    QWidget* combo = KvDBLookupCombo1->Widget();
    combo->setMinimumHeight(Edit1->Widget()->sizeHint().height());
    QSizePolicy policy = combo->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    combo->setSizePolicy(policy);
    OkButton->SetName("OkButton");
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    HelpButton->SetName("HelpButton");
    for (TControl* c : std::initializer_list<TControl*>{Edit1, EditTypeButton, KvDBLookupCombo1, OkButton, CancelButton,
                                                        HelpButton})
        c->SetParent(this);

    auto* grid = new QGridLayout(ClientWidget());
    grid->addWidget(Edit1->Widget(), 0, 0);
    grid->addWidget(EditTypeButton->Widget(), 0, 1);
    grid->addWidget(KvDBLookupCombo1->Widget(), 1, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TButton* b : {OkButton, CancelButton, HelpButton}) buttons->addWidget(b->Widget());
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setContentsMargins(11, 11, 11, 11);
    grid->setSpacing(8);
    grid->setColumnMinimumWidth(0, 220);
    grid->setRowStretch(3, 1);
    KvDBLookupCombo1->SetVisible(false);
    // As small as the layout allows; the form grows to what it needs.
    SetClientSize(1, 1);

    EditTypeButton->OnClick = [this](TComponent* s) { EditTypeButtonClick(s); };
    KvDBLookupCombo1->OnChange = [this](TComponent* s) { KvDBLookupCombo1Select(s); };
    OkButton->OnClick = [this](TComponent* s) { OkButtonClick(s); };
    HelpButton->OnClick = [this](TComponent* s) { HelpButtonClick(s); };
    OnCreate = [this](TComponent* s) { FormCreate(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TSourceDatForm::FormCreate(TComponent*) {
    if (TForm* frame = Application().MainForm()) Application().SetHelpFile(frame->HelpFile());
}

void TSourceDatForm::FormShow(TComponent*) {
    SetCaption(GetMessageText(MessageId::Type));
    HelpButton->SetCaption(GetMessageText(MessageId::Help));
    CancelButton->SetCaption(GetMessageText(MessageId::Cancel));
    EditTypeButton->SetCaption(GetMessageText(MessageId::EditType));
    // Without an address table there is nothing to offer.
    if (addressSource_->DataSet()) {
        KvDBLookupCombo1->SetLookupSource(addressSource_);
        KvDBLookupCombo1->SetLookupField(lookupField_);
    }
    if (!LinkTypeNoPrefill) Edit1->SetText(LinkTypeText);
}

void TSourceDatForm::EditTypeButtonClick(TComponent*) {
    KvDBLookupCombo1->SetVisible(true);
    KvDBLookupCombo1->SetFocus();
}

// A choice cleared (Escape) keeps the text.
void TSourceDatForm::KvDBLookupCombo1Select(TComponent*) {
    if (KvDBLookupCombo1->Value() != KvDBLookupCombo1->EmptyValue()) Edit1->SetText(KvDBLookupCombo1->Text());
    KvDBLookupCombo1->SetVisible(false);
}

void TSourceDatForm::OkButtonClick(TComponent*) { LinkTypeText = Edit1->Text(); }

void TSourceDatForm::HelpButtonClick(TComponent*) { Application().HelpContext(Application().HelpFile(), kHelpContext); }

} // namespace kvz
