#include "scheduling/Owners.h"

#include "core/Data1.h"
#include "core/FrameImages.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "scheduling/Manager.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

TOwnersForm::TOwnersForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame) {
    SetName("OwnersForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poDesktopCenter);
    SetHelpContext(43);
    FillToolImages(images_);
    OwnersGrid = MakeControl<TDBGrid>(this, this, "OwnersGrid");
    OwnersGrid->SetDataSource(data_.OwnersSource);
    // Names change through the edit box and the save under the table's lock; a cell typed into
    // would change the shared table around its writer.
    OwnersGrid->SetReadOnly(true);
    TColumn& c = OwnersGrid->Columns().Add();
    c.SetFieldName("OwnerName");
    c.SetWidth(144);
    Panel1 = MakeControl<TPanel>(this, this, "Panel1");
    Panel1->Hide();
    Label1 = MakeControl<TLabel>(this, Panel1, "Label1");
    Label1->SetCaption("Owner name :");
    Label1->SetFont({"", 0, clWindowText, fsBold});
    Edit1 = MakeControl<TEdit>(this, Panel1, "Edit1");
    Edit1->SetMaxLength(30);
    auto* panel = new QVBoxLayout(Panel1->Widget());
    panel->addStretch();
    panel->addWidget(Label1->Widget());
    panel->addWidget(Edit1->Widget());
    panel->addStretch();
    ToolBar1 = MakeControl<TToolBar>(this, this, "ToolBar1");
    ToolBar1->SetImages(&images_);
    auto tool = [&](const char* name, int image, void (TOwnersForm::*handler)()) {
        auto* b = MakeControl<TToolButton>(this, ToolBar1, name);
        b->SetImageIndex(image);
        b->OnClick = [this, handler](TComponent*) { (this->*handler)(); };
        return b;
    };
    ToolButton1 = tool("ToolButton1", imgInsert, &TOwnersForm::ToolButton1Click);
    ToolButton2 = tool("ToolButton2", imgEdit, &TOwnersForm::ToolButton2Click);
    ToolButton3 = tool("ToolButton3", imgPost, &TOwnersForm::ToolButton3Click);
    ToolButton4 = tool("ToolButton4", imgCancel, &TOwnersForm::ToolButton4Click);
    ToolButton5 = tool("ToolButton5", imgDelete, &TOwnersForm::ToolButton5Click);
    ToolButton3->SetEnabled(false);
    ToolButton4->SetEnabled(false);
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    auto* all = new QVBoxLayout(ClientWidget());
    all->addWidget(OwnersGrid->Widget(), 1);
    all->addWidget(Panel1->Widget(), 1);
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(ToolBar1->Widget());
    bar->addStretch();
    all->addLayout(bar);
    auto* ok = new QHBoxLayout;
    ok->addStretch();
    ok->addWidget(BitBtn1->Widget());
    ok->addStretch();
    all->addLayout(ok);
    SetClientSize(198, 252);
    OnShow = [this](TComponent*) { FormShow(); };
}

SharedTableTarget TOwnersForm::Target() const {
    return {*data_.OwnersTable, data_.LockFileName(TableId::Owners), *frame_.Locks, frame_.NetworkMode, kRecordCommandPoll};
}

void TOwnersForm::FormShow() {
    const int l = Language();
    SetCaption(l == 2 ? "Vykonávatelia" : l == 3 ? "Vykonavatelé" : "Owners");
    OwnersGrid->Columns()[0].SetTitleCaption(l == 2 ? "Meno vykonávateľa" : l == 3 ? "Jméno vykonavatele" : "Owner name");
}

namespace {

void SetButtons(TOwnersForm& f, ListPanelStep step) {
    const ListPanelButtons b = PanelButtonsAfter(step);
    f.ToolButton1->SetEnabled(b.New);
    f.ToolButton2->SetEnabled(b.Edit);
    f.ToolButton3->SetEnabled(b.Post);
    f.ToolButton4->SetEnabled(b.Cancel);
    f.ToolButton5->SetEnabled(b.Delete);
    f.ToolButton1->SetImageIndex(b.NewImage);
    f.Panel1->SetVisible(b.PanelShown);
    f.OwnersGrid->SetVisible(!b.PanelShown);
}

} // namespace

void TOwnersForm::ToolButton1Click() {
    SetButtons(*this, ListPanelStep::New);
    Edit1->SetText("");
    if (Edit1->CanFocus()) Edit1->SetFocus();
}

void TOwnersForm::ToolButton2Click() {
    SetButtons(*this, ListPanelStep::Edit);
    RunEditModes().OwnerEditMode = true;
    TVolgaTable& t = *data_.OwnersTable;
    if (!t.IsEmpty())
        if (const std::string n = t.FieldByName("OwnerName").AsString(); !n.empty()) Edit1->SetText(n);
}

void TOwnersForm::ToolButton3Click() {
    SetButtons(*this, ListPanelStep::PostOrCancel);
    ManagerEditModes& modes = RunEditModes();
    const std::string name = Edit1->Text();
    const bool editing = modes.OwnerEditMode;
    const ListRowKey key = OwnerKeyOfCurrent(*data_.OwnersTable);
    Edit1->SetText("");
    modes.OwnerEditMode = false;
    if (editing)
        EditOwner(Target(), key, name);
    else
        InsertOwner(Target(), name, frame_.UserPrefix);
}

void TOwnersForm::ToolButton4Click() {
    SetButtons(*this, ListPanelStep::PostOrCancel);
    RunEditModes().OwnerEditMode = false;
    if (data_.OwnersTable->State() == dsEdit || data_.OwnersTable->State() == dsInsert) data_.OwnersTable->Cancel();
}

void TOwnersForm::ToolButton5Click() {
    TVolgaTable& t = *data_.OwnersTable;
    if (t.IsEmpty()) return;
    const std::string name = t.FieldByName("OwnerName").AsString();
    if (ShowMessageBox(DeleteQuestion(MessageId::RemoveOwner, name, MessageId::ForGood),
                       GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    DeleteOwner(Target(), OwnerKeyOfCurrent(t));
}

} // namespace kvz
