#include "links/NewLink.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"
#include "links/LinkIcons.h"
#include "links/LinksChild.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysInfo.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace kvz {

namespace {

constexpr int kNameChars = 50, kTypeChars = 40, kPathChars = 255, kNoteChars = 255;

} // namespace

void RefreshLinksWindow(FrameState& frame) {
    if (auto* window = dynamic_cast<TLinksChildForm*>(frame.LinksWindow)) {
        window->FormShow();
        window->SetDataLinks();
    }
}

TNewLinkForm::TNewLinkForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame), addressSource_(new TDataSource(this)) {
    SetName("NewLinkForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetHelpContext(kHelpContext);
    KvLabel1 = MakeControl<TLabel>(this, this, "KvLabel1");
    KvLabel1->SetFont({"Tahoma", 14, clWindowText, fsBold});
    Label1 = MakeControl<TLabel>(this, this, "Label1");
    Label3 = MakeControl<TLabel>(this, this, "Label3");
    Label2 = MakeControl<TLabel>(this, this, "Label2");
    Label4 = MakeControl<TLabel>(this, this, "Label4");
    for (TLabel* l : {Label1, Label2, Label3, Label4}) l->SetFont({"", 0, clWindowText, fsBold | fsUnderline});
    auto edit = [&](const char* name, int chars) {
        auto* e = MakeControl<TEdit>(this, this, name);
        e->SetColor(clAqua);
        e->SetMaxLength(chars);
        return e;
    };
    NameEdit = edit("NameEdit", kNameChars);
    TypeEdit = edit("TypeEdit", kTypeChars);
    PathEdit = edit("PathEdit", kPathChars);
    NoteEdit = edit("NoteEdit", kNoteChars);
    EditTypeButton = MakeControl<TButton>(this, this, "EditTypeButton");
    Button1 = MakeControl<TButton>(this, this, "Button1");
    Button1->SetCaption("<<");
    Bevel2 = MakeControl<TBevel>(this, this, "Bevel2");
    Image1 = MakeControl<TImage>(this, this, "Image1");
    Image1->SetStretch(true);
    Image1->SetProportional(true);
    KvDBLookupCombo1 = MakeControl<TKvDBLookupCombo>(this, this, "KvDBLookupCombo1");
    KvDBLookupCombo1->SetColor(clAqua);
    KvDBLookupCombo1->SetDropDownCount(8);
    KvDBLookupCombo1->Hide();
    // The combo lies over the type box while it is shown; its row stays while it is hidden.
    QSizePolicy policy = KvDBLookupCombo1->Widget()->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    KvDBLookupCombo1->Widget()->setSizePolicy(policy);
    addressSource_->SetDataSet(data_.AddressTable);
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    BitBtn3 = MakeControl<TButton>(this, this, "BitBtn3");

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(Label1->Widget(), 0, 0);
    grid->addWidget(NameEdit->Widget(), 1, 0);
    Bevel2->Widget()->setFixedSize(40, 40);
    Image1->Widget()->setFixedSize(32, 32);
    grid->addWidget(Bevel2->Widget(), 1, 2, 3, 1, Qt::AlignCenter);
    grid->addWidget(Image1->Widget(), 1, 2, 3, 1, Qt::AlignCenter);
    grid->addWidget(Label3->Widget(), 2, 0);
    grid->addWidget(TypeEdit->Widget(), 3, 0);
    grid->addWidget(KvDBLookupCombo1->Widget(), 3, 0);
    grid->addWidget(EditTypeButton->Widget(), 3, 1);
    grid->addWidget(Label2->Widget(), 4, 0);
    auto* path = new QHBoxLayout;
    path->setSpacing(4);
    path->addWidget(PathEdit->Widget(), 1);
    // As wide as its arrows and the button's margins in the desktop's font, and no wider.
    Button1->Widget()->setFixedWidth(std::max(32, Button1->Widget()->fontMetrics().horizontalAdvance(QStringLiteral("<<")) + 20));
    path->addWidget(Button1->Widget());
    grid->addLayout(path, 5, 0, 1, 4);
    grid->addWidget(Label4->Widget(), 6, 0);
    grid->addWidget(NoteEdit->Widget(), 7, 0, 1, 4);
    grid->setColumnMinimumWidth(0, 240);
    grid->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TButton* b : {BitBtn1, BitBtn2, BitBtn3}) {
        b->Widget()->setMinimumWidth(100);
        buttons->addWidget(b->Widget());
    }
    auto* all = new QVBoxLayout(ClientWidget());
    all->setContentsMargins(12, 10, 12, 10);
    all->addWidget(KvLabel1->Widget(), 0, Qt::AlignHCenter);
    all->addLayout(grid);
    all->addSpacing(8);
    all->addLayout(buttons);
    SetClientSize(1, 1);
    // Tab follows the boxes down the dialog, each with its button, then the buttons below.
    QWidget* order[] = {NameEdit->Widget(), TypeEdit->Widget(), EditTypeButton->Widget(), PathEdit->Widget(),
                        Button1->Widget(), NoteEdit->Widget(), BitBtn1->Widget(), BitBtn2->Widget(), BitBtn3->Widget()};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    ClientWidget()->setMinimumWidth(470);

    Button1->OnClick = [this](TComponent*) { Button1Click(); };
    EditTypeButton->OnClick = [this](TComponent*) { EditTypeButtonClick(); };
    KvDBLookupCombo1->OnChange = [this](TComponent*) { KvDBLookupCombo1Change(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
    PathEdit->OnChange = [this](TComponent*) { SetIconFile(); };
    OnCreate = [this](TComponent*) { FormCreate(); };
    OnShow = [this](TComponent*) { FormShow(); };
}

void TNewLinkForm::FormCreate() {
    if (TForm* main = Application().MainForm()) Application().SetHelpFile(main->HelpFile());
}

void TNewLinkForm::FormShow() {
    TVolgaTable* links = data_.LinksTable;
    editCode_.clear();
    editMode_ = frame_.LinkEditMode;
    if (editMode_ && links && links->Active() && !links->IsEmpty()) {
        editCode_ = links->FieldByName("Number").AsString();
        auto copy = [&](TEdit* edit, const char* field) {
            if (std::string v = links->FieldByName(field).AsString(); !v.empty()) edit->SetText(v);
        };
        copy(NameEdit, "Name");
        copy(PathEdit, "Path");
        copy(TypeEdit, "Type");
        copy(NoteEdit, "Note");
    }
    SetIconFile();
    ApplyCaptions(*this, "TNewLinkForm", Language());
    SetMessageCaption(*KvLabel1, MessageId::NewLink);
    SetMessageCaption(*Label1, MessageId::Name);
    SetMessageCaption(*Label3, MessageId::Type);
    SetMessageCaption(*Label2, MessageId::Path);
    SetMessageCaption(*Label4, MessageId::Note);
    SetMessageCaption(*EditTypeButton, MessageId::EditType);
    SetMessageCaption(*BitBtn2, MessageId::Cancel);
    SetMessageCaption(*BitBtn3, MessageId::Help);
}

void TNewLinkForm::SetIconFile() {
    const std::string path = PathEdit->Text();
    // Nothing typed, nothing to show.
    if (path.empty()) {
        Image1->SetPicture(QImage());
        return;
    }
    Image1->SetPicture(ProgramLinkIcons().IconFor(path).pixmap(32, 32).toImage());
}

void TNewLinkForm::FillFromFile(const std::string& fileName) {
    PathEdit->SetText(fileName);
    // Derived from the file: cut to what the boxes hold, as typing would be.
    NameEdit->SetText(Utf8Left(GetShellDisplayName(fileName), kNameChars));
    TypeEdit->SetText(Utf8Left(GetShellFileTypeName(fileName), kTypeChars));
}

void TNewLinkForm::Button1Click() {
    QFileDialog dialog(Widget(), {}, QString::fromStdString(GetMyDocumentsFolder()),
                       QString::fromStdString(GetMessageText(MessageId::AllFilesFilter)));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    FillFromFile(dialog.selectedFiles().front().toStdString());
}

void TNewLinkForm::EditTypeButtonClick() {
    KvDBLookupCombo1->SetLookupSource(addressSource_);
    const SettingsStore* settings = frame_.Settings;
    KvDBLookupCombo1->SetLookupField(settings ? settings->NastaveniaText[TextSlot::LinksAddressField]
                                              : std::string("Firma"));
    KvDBLookupCombo1->Show();
    KvDBLookupCombo1->SetFocus();
}

void TNewLinkForm::KvDBLookupCombo1Change() {
    if (KvDBLookupCombo1->Value() != KvDBLookupCombo1->EmptyValue())
        TypeEdit->SetText(Utf8Left(KvDBLookupCombo1->Text(), kTypeChars));
    KvDBLookupCombo1->Hide();
}

void TNewLinkForm::BitBtn1Click() {
    const LinkValues values{NameEdit->Text(), PathEdit->Text(), TypeEdit->Text(), NoteEdit->Text()};
    const LinkTables tables{*data_.LinksTable, *data_.LinksTypeTable, data_.LockFileName(TableId::Links),
                            data_.LockFileName(TableId::LinksType), *frame_.Locks, frame_.NetworkMode, frame_.UserPrefix};
    try {
        if (!editMode_)
            result_ = AddLink(tables, values);
        else if (frame_.NetworkMode)
            result_ = ChangeLink(tables, editCode_, values);
        // In local mode a link is changed in the window itself: OK saves nothing here.
    } catch (const EAbort&) {
        // The wait for the lock was given up: nothing was written, the dialog stays.
        return;
    } catch (const std::exception& error) {
        ShowMessageBox(error.what(), Application().Title(), MB_OK | MB_ICONERROR);
        return;
    }
    if (result_.Saved) {
        if (OnSaved) OnSaved(result_);
        else RefreshLinksWindow(frame_);
    }
    SetModalResult(mrOk);
    if (!Modal()) Close();
}

void TNewLinkForm::BitBtn3Click() { Application().HelpContext(Application().HelpFile(), kHelpContext); }

} // namespace kvz
