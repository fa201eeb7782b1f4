#include "addressbook/Assign.h"

#include "addressbook/DialogParts.h"
#include "core/Languages.h"
#include "platform/data/DB.h"

#include <memory>

namespace kvz {

namespace {

constexpr int kHelpContext = 54;

void FillFieldNames(TComboBox& box, const TDataSet& table) {
    box.Items().Clear();
    for (int i = 0; i < table.FieldDefs().Count(); ++i)
        box.Items().Add(table.FieldDefs()[i].Name());
    if (box.Items().Count() > 0) box.SetItemIndex(0);
}

void ShowKind(const TComboBox& box, TEdit& edit, const TDataSet& table) {
    const TFieldDef* def = table.FieldDefs().Find(box.Text());
    if (!def) return;
    const std::string text = FieldKindText(def->DataType());
    if (!text.empty()) edit.SetText(text);
}

} // namespace

std::string FieldKindText(TFieldType type) {
    switch (type) {
    case ftString:
        return GetMessageText(MessageId::SimpleText);
    case ftMemo:
        return GetMessageText(MessageId::MultiLineText);
    case ftDate:
        return GetMessageText(MessageId::Date);
    case ftBoolean:
        return GetMessageText(MessageId::CheckBox);
    case ftGraphic:
        return GetMessageText(MessageId::Picture);
    default:
        return {};
    }
}

TAssignForm::TAssignForm(TComponent* owner, TDataSet& target, TDataSet& source)
    : TForm(owner), GroupBox1(new TGroupBox(this)), Label3(new TLabel(this)), ComboBox1(new TComboBox(this)),
      Label2(new TLabel(this)), Edit1(new TEdit(this)), GroupBox2(new TGroupBox(this)),
      Label4(new TLabel(this)), ComboBox2(new TComboBox(this)), Label5(new TLabel(this)),
      Edit2(new TEdit(this)), Button1(new TButton(this)), ListBox1(new TListBox(this)),
      SpeedButton1(new TButton(this)), BitBtn3(new TButton(this)), BitBtn2(new TButton(this)),
      BitBtn1(new TButton(this)), target_(target), source_(source) {
    SetName("AssignForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpContext);
    SetClientSize(520, 330);
    auto place = [this](TControl* c, const char* name, TWinControl* parent, int x, int y, int w, int h) {
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
    };
    int x = 8;
    for (auto [box, label, combo, kindLabel, edit, n] :
         {std::tuple{GroupBox1, Label3, ComboBox1, Label2, Edit1, 1},
          std::tuple{GroupBox2, Label4, ComboBox2, Label5, Edit2, 2}}) {
        place(box, n == 1 ? "GroupBox1" : "GroupBox2", this, x, 8, 244, 130);
        place(label, n == 1 ? "Label3" : "Label4", box, 10, 24, 220, 18);
        place(combo, n == 1 ? "ComboBox1" : "ComboBox2", box, 10, 44, 224, 26);
        combo->SetStyle(TComboBoxStyle::csDropDownList);
        place(kindLabel, n == 1 ? "Label2" : "Label5", box, 10, 76, 220, 18);
        place(edit, n == 1 ? "Edit1" : "Edit2", box, 10, 96, 224, 26);
        edit->SetReadOnly(true);
        x += 260;
    }
    place(Button1, "Button1", this, 8, 148, 110, 28);
    place(ListBox1, "ListBox1", this, 8, 184, 384, 134);
    place(SpeedButton1, "SpeedButton1", this, 404, 184, 108, 28);
    place(BitBtn3, "BitBtn3", this, 404, 218, 108, 28);
    place(BitBtn2, "BitBtn2", this, 404, 252, 108, 28);
    place(BitBtn1, "BitBtn1", this, 404, 290, 108, 28);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    ComboBox1->OnChange = [this](TComponent* s) { ComboBox1Change(s); };
    ComboBox2->OnChange = [this](TComponent* s) { ComboBox2Change(s); };
    Button1->OnClick = [this](TComponent* s) { Button1Click(s); };
    SpeedButton1->OnClick = [this](TComponent* s) { SpeedButton1Click(s); };
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](TComponent* s) { BitBtn3Click(s); };
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TAssignForm::FormShow(TComponent*) {
    AssignConfirmed = false;
    ApplyCaptions(*this, "TAssignForm", Language());
    SetMessageCaption(*Label3, MessageId::ItemName);
    SetMessageCaption(*Label4, MessageId::ItemName);
    SetMessageCaption(*Label2, MessageId::DataType);
    SetMessageCaption(*Label5, MessageId::DataType);
    ShowButtonCaptions(*BitBtn3, *BitBtn2);
    FillFieldNames(*ComboBox1, target_);
    FillFieldNames(*ComboBox2, source_);
    ComboBox1Change(this);
    ComboBox2Change(this);
}

void TAssignForm::ComboBox1Change(TComponent*) {
    ShowKind(*ComboBox1, *Edit1, target_);
}
void TAssignForm::ComboBox2Change(TComponent*) {
    ShowKind(*ComboBox2, *Edit2, source_);
}

void TAssignForm::Button1Click(TComponent*) {
    if (ComboBox1->Text().empty() || ComboBox2->Text().empty()) return;
    ListBox1->Items().Add(AssignmentLine({ComboBox1->Text(), ComboBox2->Text()}));
    ListBox1->SetItemIndex(ListBox1->Items().Count() - 1);
}

// The selected pair goes; with none selected nothing does.
void TAssignForm::SpeedButton1Click(TComponent*) {
    const int index = ListBox1->ItemIndex();
    if (index < 0 || index >= ListBox1->Items().Count()) return;
    ListBox1->Items().Delete(index);
    if (ListBox1->Items().Count() > 0) ListBox1->SetItemIndex(std::min(index, ListBox1->Items().Count() - 1));
}

void TAssignForm::BitBtn1Click(TComponent*) {
    Assignment.clear();
    for (int i = 0; i < ListBox1->Items().Count(); ++i)
        Assignment.push_back(ParseAssignmentLine(ListBox1->Items()[i]));
    AssignConfirmed = true;
}

void TAssignForm::BitBtn3Click(TComponent*) {
    Application().HelpContext({}, kHelpContext);
}

std::optional<FieldAssignment> ShowAssignDialog(TDataSet& target, TDataSet& source) {
    auto form = std::make_unique<TAssignForm>(nullptr, target, source);
    if (form->ShowModal() != mrOk || !form->AssignConfirmed) return std::nullopt;
    return form->Assignment;
}

} // namespace kvz
