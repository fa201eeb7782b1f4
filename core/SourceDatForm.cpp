#include "core/SourceDatForm.h"

#include "core/Messages.h"
#include "platform/data/DB.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include <set>

namespace kvz {

std::vector<std::string> LookupValues(TDataSet& dataSet, const std::string& fieldName) {
    std::vector<std::string> values;
    TField* field = dataSet.Active() ? dataSet.FindField(fieldName) : nullptr;
    if (!field) return values;
    std::set<std::string> seen;
    dataSet.DisableControls();
    TBookmark here = dataSet.GetBookmark();
    struct Restore {
        TDataSet& d;
        const TBookmark& b;
        ~Restore() {
            if (d.BookmarkValid(b)) d.GotoBookmark(b);
            d.EnableControls();
        }
    } restore{dataSet, here};
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        std::string v = field->AsString();
        if (!v.empty() && seen.insert(v).second) values.push_back(v);
    }
    return values;
}

TSourceDatForm::TSourceDatForm(TComponent* owner, TDataSet* addressTable, std::string lookupField)
    : TForm(owner), Edit1(new TEdit(this)), EditTypeButton(new TButton(this)), KvDBLookupCombo1(new TComboBox(this)),
      OkButton(new TButton(this)), CancelButton(new TButton(this)), HelpButton(new TButton(this)),
      addressTable_(addressTable), lookupField_(std::move(lookupField)) {
    SetName("SourceDatForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    Edit1->SetName("Edit1");
    EditTypeButton->SetName("EditTypeButton");
    KvDBLookupCombo1->SetName("KvDBLookupCombo1");
    KvDBLookupCombo1->SetStyle(TComboBoxStyle::csDropDownList);
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
    KvDBLookupCombo1->OnSelect = [this](TComponent* s) { KvDBLookupCombo1Select(s); };
    OkButton->OnClick = [this](TComponent* s) { OkButtonClick(s); };
    HelpButton->OnClick = [this](TComponent* s) { HelpButtonClick(s); };
    OnCreate = [this](TComponent* s) { FormCreate(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TSourceDatForm::FormCreate(TComponent*) {
    if (TForm* frame = Application().MainForm()) Application().SetHelpFile(frame->HelpFile());
}

void TSourceDatForm::FormShow(TComponent*) {
    SetCaption(GetMessageText(178));
    HelpButton->SetCaption(GetMessageText(168));
    CancelButton->SetCaption(GetMessageText(169));
    EditTypeButton->SetCaption(GetMessageText(200));
    KvDBLookupCombo1->Items().Clear();
    if (addressTable_)
        for (const std::string& v : LookupValues(*addressTable_, lookupField_)) KvDBLookupCombo1->Items().Add(v);
    if (!LinkTypeNoPrefill) Edit1->SetText(LinkTypeText);
}

void TSourceDatForm::EditTypeButtonClick(TComponent*) {
    KvDBLookupCombo1->SetVisible(true);
    KvDBLookupCombo1->SetFocus();
}

void TSourceDatForm::KvDBLookupCombo1Select(TComponent*) {
    int index = KvDBLookupCombo1->ItemIndex();
    if (index >= 0) Edit1->SetText(KvDBLookupCombo1->Items().Get(index));
    KvDBLookupCombo1->SetVisible(false);
}

void TSourceDatForm::OkButtonClick(TComponent*) { LinkTypeText = Edit1->Text(); }

void TSourceDatForm::HelpButtonClick(TComponent*) { Application().HelpContext(Application().HelpFile(), kHelpContext); }

} // namespace kvz
