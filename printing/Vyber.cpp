#include "printing/Vyber.h"

#include "core/Languages.h"
#include "platform/report/ReportLayout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

namespace {

struct Choice {
    int TextId;
    const char* Field;
};

const Choice kChoices[kPolozkyCount] = {
    {MessageId::Name, "Firma"},        {MessageId::FirstName, "Meno_Kr"}, {MessageId::Surname, "Priezvisko"},
    {MessageId::Function, "Funkcia"},  {MessageId::Phone1, "Telefon1"},   {MessageId::Phone2, "Telefon2"},
    {MessageId::HomePhone, "Telefon_P"}, {MessageId::Mobil, "Mobil"},     {MessageId::Fax, "Fax"},
    {MessageId::Mail, "E_Mail"},       {MessageId::Account, "Ucet"},      {MessageId::Bank, "Banka"},
    {MessageId::City, "Mesto"},        {MessageId::Address1, "Adresa_1"}, {MessageId::Address2, "Adresa_2"}};

const char* const kColumns[3] = {"QRDBText4", "QRDBText2", "QRDBText3"};
const char* const kHeadings[3] = {"QRLabel3", "QRLabel6", "QRLabel7"};

} // namespace

std::string PolozkyFieldName(int index) { return index >= 0 && index < kPolozkyCount ? kChoices[index].Field : ""; }
int PolozkyTextId(int index) { return index >= 0 && index < kPolozkyCount ? kChoices[index].TextId : 0; }

TPolozkyForm::TPolozkyForm(TComponent* owner, TReportLayout& summary) : TForm(owner), summary_(summary) {
    SetName("PolozkyForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    for (int i = 0; i < 3; ++i) openedFields_[i] = summary_.Element(kColumns[i]).DataField();
    auto* grid = new QGridLayout;
    TLabel** labels[3] = {&Label1, &Label2, &Label3};
    TComboBox** boxes[3] = {&ComboBox1, &ComboBox2, &ComboBox3};
    TFont heading;
    heading.Name = "Tahoma";
    heading.Style = fsBold;
    heading.Color = clRed;
    for (int i = 0; i < 3; ++i) {
        TLabel* l = *labels[i] = new TLabel(this);
        l->SetName("Label" + std::to_string(i + 1));
        l->SetParent(this);
        l->SetFont(heading);
        l->SetColor(clWhite);
        TComboBox* c = *boxes[i] = new TComboBox(this);
        c->SetName("ComboBox" + std::to_string(i + 1));
        c->SetParent(this);
        c->SetStyle(TComboBoxStyle::csDropDownList);
        grid->addWidget(l->Widget(), 0, i);
        grid->addWidget(c->Widget(), 1, i);
    }
    BitBtn1 = new TButton(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn2 = new TButton(this);
    BitBtn2->SetName("BitBtn2");
    BitBtn2->SetParent(this);
    BitBtn2->SetCancel(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1->Widget());
    buttons->addWidget(BitBtn2->Widget());
    auto* column = new QVBoxLayout(ClientWidget());
    column->addLayout(grid);
    column->addStretch();
    column->addLayout(buttons);
    ComboBox1->OnChange = [this](TComponent*) { ComboBox1Change(); };
    ComboBox2->OnChange = [this](TComponent*) { ComboBox2Change(); };
    ComboBox3->OnChange = [this](TComponent*) { ComboBox3Change(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    SetClientSize(518, 215);
    FormShow();
}

// The chooser opens on the summary as it stands: its columns' fields and its headings, so that
// OK without a change leaves the summary as it was.
void TPolozkyForm::FormShow() {
    ApplyCaptions(*this, "TPolozkyForm", Language());
    SetMessageCaption(*BitBtn2, MessageId::Cancel);
    TLabel* labels[3] = {Label1, Label2, Label3};
    TComboBox* boxes[3] = {ComboBox1, ComboBox2, ComboBox3};
    for (int b = 0; b < 3; ++b) {
        labels[b]->SetCaption(summary_.Element(kHeadings[b]).Caption());
        boxes[b]->Items().Clear();
        for (int i = 0; i < kPolozkyCount; ++i) boxes[b]->Items().Add(GetMessageText(kChoices[i].TextId));
        const std::string field = summary_.Element(kColumns[b]).DataField();
        int chosen = -1;
        for (int i = 0; i < kPolozkyCount; ++i)
            if (field == kChoices[i].Field) chosen = i;
        boxes[b]->SetItemIndex(chosen);
    }
}

void TPolozkyForm::Chosen(TComboBox* box, TLabel* label, const char* element) {
    const int index = box->ItemIndex();
    const std::string field = PolozkyFieldName(index);
    if (field.empty()) return;
    summary_.Element(element).SetDataField(field);
    label->SetCaption(box->Text());
}

void TPolozkyForm::ComboBox1Change() { Chosen(ComboBox1, Label1, kColumns[0]); }
void TPolozkyForm::ComboBox2Change() { Chosen(ComboBox2, Label2, kColumns[1]); }
void TPolozkyForm::ComboBox3Change() { Chosen(ComboBox3, Label3, kColumns[2]); }

void TPolozkyForm::BitBtn1Click() {
    summary_.Element(kHeadings[0]).SetCaption(Label1->Caption());
    summary_.Element(kHeadings[1]).SetCaption(Label2->Caption());
    summary_.Element(kHeadings[2]).SetCaption(Label3->Caption());
    SetModalResult(mrOk);
}

void TPolozkyForm::BitBtn2Click() {
    // Back to the columns the chooser opened with, not to the design's.
    for (int i = 0; i < 3; ++i) summary_.Element(kColumns[i]).SetDataField(openedFields_[i]);
    SetModalResult(mrCancel);
}

} // namespace kvz
