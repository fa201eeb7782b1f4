#include "scheduling/Pay.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "scheduling/TaskOperations.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

namespace {
// The payment fields of the task table, in the order of the form's fields.
constexpr const char* kPayFields[5] = {"Acount_pay", "Bank_pay", "Var_pay", "Const_pay", "Value_pay"};
constexpr int kFieldWidths[5] = {135, 50, 135, 135, 99};
} // namespace

TPayForm::TPayForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame) {
    SetName("PayForm");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetFormStyle(TFormStyle::fsStayOnTop);
    // Over the program it pays from, titled as the program: the desktop would name it after the
    // executable.
    SetPosition(TPosition::poMainFormCenter);
    SetCaption(Application().Title());
    const char* labels[5] = {"Label19", "Label31", "Label20", "Label21", "Label25"};
    const char* edits[5] = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"};
    TLabel** labelMembers[5] = {&Label19, &Label31, &Label20, &Label21, &Label25};
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 95);
    for (int i = 0; i < 5; ++i) {
        TLabel* l = MakeControl<TLabel>(this, this, labels[i]);
        l->SetFont({"", 0, clWindowText, fsBold});
        *labelMembers[i] = l;
        TEdit* e = MakeControl<TEdit>(this, this, edits[i]);
        e->SetReadOnly(true);
        e->Widget()->setMinimumWidth(kFieldWidths[i]);
        fields_[size_t(i)] = e;
        const int n = i + 1;
        e->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState, int x, int y) { Edit1MouseDown(x, y); };
        e->OnMouseMove = [this, n](TComponent*, TShiftState shift, int x, int y) { EditMouseMove(n, shift, x, y); };
        grid->addWidget(l->Widget(), i, 0);
        grid->addWidget(e->Widget(), i, 1, Qt::AlignLeft);
    }
    Edit1 = fields_[0], Edit2 = fields_[1], Edit3 = fields_[2], Edit4 = fields_[3], Edit5 = fields_[4];
    BitBtn3 = MakeControl<TButton>(this, this, "BitBtn3");
    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn2->SetCancel(true);
    BitBtn1->SetDefault(true);
    BitBtn3->OnClick = [this](TComponent*) { ShowHelp(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    auto* buttons = new QHBoxLayout;
    for (TButton* b : {BitBtn3, BitBtn2, BitBtn1}) {
        b->Widget()->setMinimumSize(75, 25);
        buttons->addWidget(b->Widget());
    }
    auto* column = new QVBoxLayout(ClientWidget());
    column->addLayout(grid);
    column->addSpacing(6);
    column->addLayout(buttons);
    DropSource1 = new TDropTextSource(this);
    DropSource1->SetName("DropSource1");
    DropSource1->SetDragtypes(dtCopyBit | dtLinkBit);
    OnShow = [this](TComponent*) { FormShow(); };
    OnActivate = [this](TComponent*) { FormActivate(); };
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    SetClientSize(268, 168);
}

void TPayForm::FormShow() {
    Label19->SetCaption(GetMessageText(MessageId::Account) + " :");
    Label31->SetCaption(GetMessageText(MessageId::BankCode));
    Label20->SetCaption(GetMessageText(MessageId::VarSymbolShort));
    Label21->SetCaption(GetMessageText(MessageId::ConstSymbolShort));
    Label25->SetCaption(GetMessageText(MessageId::Sum));
    BitBtn3->SetCaption(GetMessageText(MessageId::Help));
    BitBtn2->SetCaption(GetMessageText(MessageId::Cancel));
    BitBtn1->SetCaption(GetMessageText(MessageId::PaidBills));
    // The fields are there to be dragged from, not typed in: the focus waits on "Paid bills".
    SetActiveControl(BitBtn1);
    // Shown beside another window (the bank's page) the form may not become active at once;
    // it shows the invoice already.
    FormActivate();
}

void TPayForm::FormActivate() {
    if (telling_ || !data_.TaskTable || !data_.TaskTable->Active()) return;
    TVolgaTable& t = *data_.TaskTable;
    const std::string number = t.IsEmpty() ? std::string() : t.FieldByName("Number").AsString();
    if (!t.IsEmpty() && t.FieldByName("Task_type").AsString() == "F") {
        payTaskNumber_ = number;
        toldNothingFor_.reset();
        for (int i = 0; i < 5; ++i) {
            fields_[size_t(i)]->SetText(t.FieldByName(kPayFields[i]).AsString());
            // A long account number shows from its beginning.
            fields_[size_t(i)]->SetSelStart(0);
        }
        return;
    }
    // The fields keep their texts and the form the invoice it showed.
    if (toldNothingFor_ == number) return;
    toldNothingFor_ = number;
    telling_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{telling_};
    ShowMessage(kNothingToPay);
}

void TPayForm::FormClose(TCloseAction& action) {
    Application().Restore();
    action = TCloseAction::caFree;
}

void TPayForm::Edit1MouseDown(int x, int y) {
    pressX_ = x;
    pressY_ = y;
}

void TPayForm::EditMouseMove(int n, TShiftState shift, int x, int y) {
    TEdit* field = Field(n);
    field->SetSelLength(0);
    // Only the left button, with no key and no other button held.
    if (shift != ssLeft) return;
    const std::string text = field->Text();
    if (text.empty() || !DragDistanceReached(pressX_, pressY_, x, y)) return;
    DropSource1->SetText(text);
    DropSource1->StartDrag(field->Widget());
}

void TPayForm::BitBtn1Click() {
    // Nothing shown, nothing paid: an empty key completes no task.
    if (!payTaskNumber_.empty() && data_.TaskTable && frame_.Locks) {
        if (CompleteInvoiceTask(TaskTableTarget(data_, frame_), payTaskNumber_) && frame_.Module)
            frame_.Module->TablesChanged();
    }
    Close();
}

void TPayForm::BitBtn2Click() { Close(); }

} // namespace kvz
