#include "addressbook/AdresyChild.h"

#include "addressbook/AddressLook.h"
#include "addressbook/AddressSave.h"
#include "addressbook/Categories.h"
#include "addressbook/FieldChoices.h"
#include "addressbook/UserFields.h"
#include "core/Data1.h"
#include "core/DataModuleParts.h"
#include "core/FrameServices.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/SmallRoutines.h"
#include "platform/rtl/CodePage.h"
#include "engine/VolgaTbl.h"
#include "controls/ToolEdit.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <array>

namespace kvz {

namespace fs = std::filesystem;

namespace {

std::string Msg(int id) { return GetMessageText(id); }

// Captions of the window's own, by language.
const char* Text3(const char* en, const char* sk, const char* cz) { return ByLanguage(en, sk, cz); }

// Survey columns: field and title message.
const struct {
    const char* Field;
    int Title;
} kSurveyColumns[] = {{"Firma", MessageId::Name}, {"Meno_Kr", MessageId::FirstName}, {"Priezvisko", MessageId::Surname},
                      {"Mesto", MessageId::City}, {"Telefon1", MessageId::Phone1}, {"Telefon2", MessageId::Phone2},
                      {"Telefon_P", MessageId::HomePhone}, {"Mobil", MessageId::Mobil}, {"Fax", MessageId::Fax},
                      {"Ucet", MessageId::Account}, {"Banka", MessageId::Bank}, {"E_Mail", MessageId::Mail},
                      {"WWW", MessageId::Web}, {"Oddelenie", MessageId::Department}, {"Kancelaria", MessageId::Office},
                      {"Funkcia", MessageId::Function}, {"Pager", MessageId::Pager}, {"Partner", MessageId::Mate}};

// The letters beside the letter bar.
class TLetterStrip : public TPaintBox {
public:
    explicit TLetterStrip(TComponent* owner) : TPaintBox(owner) {}
    void Paint(TCanvas& canvas) override {
        const int n = static_cast<int>(kLetterBarLetters.size());
        const int h = Height() - 20; // the slider's handle keeps about 10 pixels at each end
        for (int i = 0; i < n; ++i) {
            const std::string letter(1, static_cast<char>(kLetterBarLetters[static_cast<size_t>(i)] - 'a' + 'A'));
            const int y = 10 + (n > 1 ? i * h / (n - 1) : 0) - canvas.TextHeight(letter) / 2;
            canvas.TextOut((Width() - canvas.TextWidth(letter)) / 2, y, letter);
        }
    }
};

// Puts one widget in the place of another in the layouts of their parent, nested ones too;
// false when no layout holds it.
bool SwapInLayout(QWidget* from, QWidget* to) {
    QWidget* parent = from->parentWidget();
    if (!parent || !parent->layout()) return false;
    QLayoutItem* item = parent->layout()->replaceWidget(from, to, Qt::FindChildrenRecursively);
    if (!item) return false;
    delete item;
    return true;
}

} // namespace

// Keeps "Street :", "City :" and "Zip :" beside the third, fourth and fifth lines of an address
// memo, wherever the layout puts the memo and whatever its font: the first line is the name,
// the second the person.
class AddressLineLabels : public QObject {
public:
    AddressLineLabels(QPlainTextEdit* memo, std::vector<QWidget*> labels, QGridLayout* grid, int column)
        : QObject(memo), memo_(memo), labels_(std::move(labels)), grid_(grid), column_(column) {
        memo_->installEventFilter(this);
        memo_->viewport()->installEventFilter(this);
    }
    QPlainTextEdit* Memo() const { return memo_; }
    // The labels stand beside another memo: the copy that stands in for this one, or this one again.
    void Follow(QPlainTextEdit* memo) {
        memo_->removeEventFilter(this);
        memo_->viewport()->removeEventFilter(this);
        memo_ = memo;
        memo_->installEventFilter(this);
        memo_->viewport()->installEventFilter(this);
        Place();
    }
    void Place() {
        int width = 0;
        for (QWidget* label : labels_) width = std::max(width, label->sizeHint().width());
        grid_->setColumnMinimumWidth(column_, width);
        QWidget* page = labels_.front()->parentWidget();
        const QRect first = memo_->cursorRect(QTextCursor(memo_->document()->firstBlock()));
        const int lineHeight = std::max(1, first.height());
        for (size_t i = 0; i < labels_.size(); ++i) {
            const int lineTop = first.top() + int(i + kFirstLabelledLine) * lineHeight;
            const QPoint at = page->mapFromGlobal(memo_->viewport()->mapToGlobal(QPoint(0, lineTop)));
            QWidget* label = labels_[i];
            const QSize size = label->sizeHint();
            label->setGeometry(page->mapFromGlobal(memo_->mapToGlobal(QPoint(memo_->width(), 0))).x() +
                                   grid_->horizontalSpacing(),
                               at.y() + (lineHeight - size.height()) / 2, size.width(), size.height());
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move: case QEvent::Resize: case QEvent::Show: case QEvent::FontChange:
        case QEvent::StyleChange:
            Place();
            break;
        default: break;
        }
        return false;
    }

private:
    static constexpr int kFirstLabelledLine = 2;
    QPlainTextEdit* memo_;
    std::vector<QWidget*> labels_;
    QGridLayout* grid_;
    int column_;
};

TAdresyChildForm::TAdresyChildForm(TComponent* owner, TDataModule1& data)
    : TForm(owner), data_(data), search_(data, ProgramState()) {
    SetName("AdresyChildForm");
    SetFormStyle(TFormStyle::fsMDIChild);
    SetKeyPreview(true);
    FirmaLabel = MakeControl<TLabel>(this, this, "FirmaLabel");
    DBEdit1 = MakeControl<TDBEdit>(this, this, "DBEdit1");
    PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1");
    TabSheet1 = MakeControl<TTabSheet>(this, PageControl1, "TabSheet1");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet2 = MakeControl<TTabSheet>(this, PageControl1, "TabSheet2");
    TabSheet2->SetPageControl(PageControl1);
    TabSheet3 = MakeControl<TTabSheet>(this, PageControl1, "TabSheet3");
    TabSheet3->SetPageControl(PageControl1);
    TrackBar1 = MakeControl<TTrackBar>(this, this, "TrackBar1");
    TrackBar1->SetOrientation(TTrackBarOrientation::trVertical);
    TrackBar1->SetMin(0);
    TrackBar1->SetMax(static_cast<int>(kLetterBarLetters.size()) - 1);
    TrackBar1->SetPageSize(1);
    TrackBar1->OnChange = [this](TComponent*) { TrackBar1Change(); };
    LetterStrip = MakeControl<TLetterStrip>(this, this, "LetterStrip");
    LetterStrip->Widget()->setFixedWidth(16);

    BuildBasicPage();
    BuildPersonalPage();
    DBGrid2 = MakeControl<TDBGrid>(this, TabSheet3, "DBGrid2");
    DBGrid2->SetReadOnly(true);
    (new QVBoxLayout(TabSheet3->Widget()))->addWidget(DBGrid2->Widget());
    BuildEditorPanel();

    auto* top = new QVBoxLayout;
    top->addWidget(FirmaLabel->Widget());
    top->addWidget(DBEdit1->Widget());
    auto* body = new QHBoxLayout;
    body->addWidget(PageControl1->Widget(), 1);
    body->addWidget(TrackBar1->Widget());
    body->addWidget(LetterStrip->Widget());
    auto* column = new QVBoxLayout(ClientWidget());
    column->addLayout(top);
    column->addLayout(body, 1);

    for (int n = 1; n <= 18; ++n) AttachKeys(DataEdit(n));
    for (TDBDateEdit* e : {DBDateEdit1, DBDateEdit2}) AttachKeys(e);
    for (TDBMemo* m : {DBMemo1, DBMemo2, DBMemo3, DBMemo4}) AttachKeys(m);
    for (TDBCheckBox* c : {DBCheckBox1, DBCheckBox2}) AttachKeys(c);
    DBEdit10->OnDblClick = [this](TComponent*) { DBEdit10DblClick(); };
    DBEdit13->OnDblClick = [this](TComponent*) { DBEdit13DblClick(); };
    for (TDBEdit* phone : {DBEdit5, DBEdit6, DBEdit7, DBEdit8}) {
        phone->OnClick = [this, phone](TComponent*) { phone_.Choose(phone->DataField()); };
        phone->OnDblClick = [this, phone](TComponent*) { PhoneCallNumber(phone->Text(), DBEdit1->Text()); };
    }
    DBMemo1->OnEnter = [this](TComponent* s) { DBMemo1Enter(s); };
    OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) { FormKeyDown(key); };
    OnClose = [this](TComponent*, TCloseAction& action) { FormCloseHandler(action); };

    // The fonts before the rows: the grids fit their row height to the font, which over a
    // table already shown is a walk of every row.
    ApplyLook();
    TDataSource* source = data_.DataSourceZirt;
    for (int n = 1; n <= 18; ++n) DataEdit(n)->SetDataSource(source);
    for (TDBMemo* m : {DBMemo1, DBMemo2, DBMemo3, DBMemo4}) m->SetDataSource(source);
    for (TDBDateEdit* e : {DBDateEdit1, DBDateEdit2}) e->SetDataSource(source);
    for (TDBCheckBox* c : {DBCheckBox1, DBCheckBox2}) c->SetDataSource(source);
    const char* const fields[19] = {"",         "Firma",    "Meno_Kr",   "Priezvisko", "Funkcia",   "Telefon1", "Telefon2",
                                    "Telefon_P", "Mobil",   "Fax",       "E_Mail",     "Ucet",      "Banka",    "WWW",
                                    "Kancelaria", "Oddelenie", "Pager",   "Partner",    "IBAN"};
    for (int n = 1; n <= 18; ++n) DataEdit(n)->SetDataField(fields[n]);
    DBMemo1->SetDataField("Adresa_1");
    DBMemo2->SetDataField("Poznamka");
    DBMemo3->SetDataField("Adresa_2");
    DBMemo4->SetDataField("Deti");
    DBDateEdit1->SetDataField("Narodeniny");
    DBDateEdit2->SetDataField("Meniny");
    DBCheckBox1->SetDataField("PripNar");
    DBCheckBox2->SetDataField("PripMen");
    DBGrid1->SetDataSource(source);
    DBGrid2->SetDataSource(source);

    // FormCreate
    const bool network = ProgramState().NetworkMode;
    for (TDBGrid* g : {DBGrid1, DBGrid2}) {
        const TDBGridOptions o = g->Options();
        g->SetOptions(network ? (o & ~dgMultiSelect) : (o | dgMultiSelect));
    }
    EnableDateEdits(false, false);
    EnableRemindBoxes(false);
    SetClientSize(820, 560);
    OrderCompFromView();
    FormShow();
    ProgramState().AddressSort = this;
    ProgramState().AddressBook = this;
}

TAdresyChildForm::~TAdresyChildForm() {
    // The frame window may free this window without closing it (when it goes itself); the data
    // module and the dialogs must not reach it then.
    FrameState& state = ProgramState();
    if (state.AddressSort == this) state.AddressSort = nullptr;
    if (state.AddressBook == this) state.AddressBook = nullptr;
}

TVolgaTable& TAdresyChildForm::Table() const { return *data_.AddressTable; }

TDBEdit* TAdresyChildForm::DataEdit(int n) const {
    TDBEdit* const edits[19] = {nullptr,  DBEdit1,  DBEdit2,  DBEdit3,  DBEdit4,  DBEdit5,  DBEdit6,
                                DBEdit7,  DBEdit8,  DBEdit9,  DBEdit10, DBEdit11, DBEdit12, DBEdit13,
                                DBEdit14, DBEdit15, DBEdit16, DBEdit17, DBEdit18};
    return n >= 1 && n <= 18 ? edits[n] : nullptr;
}

void TAdresyChildForm::AttachKeys(TWinControl* control) {
    control->OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) { DBEdit1KeyDown(key); };
    control->OnKeyPress = [this](TComponent*, char32_t& key) { DBEdit1KeyPress(key); };
}

void TAdresyChildForm::BuildBasicPage() {
    TWinControl* page = TabSheet1;
    auto label = [&](TWinControl* parent, const char* name) { return MakeControl<TLabel>(this, parent, name); };
    DBEdit2 = MakeControl<TDBEdit>(this, page, "DBEdit2");
    DBEdit3 = MakeControl<TDBEdit>(this, page, "DBEdit3");
    DBMemo1 = MakeControl<TDBMemo>(this, page, "DBMemo1");
    DBMemo2 = MakeControl<TDBMemo>(this, page, "DBMemo2");
    DBEdit4 = MakeControl<TDBEdit>(this, page, "DBEdit4");
    DBMemo3 = MakeControl<TDBMemo>(this, page, "DBMemo3");
    auto* left = new QGridLayout;
    const std::pair<TControl*, const char*> rows[] = {{DBEdit2, "Label2"}, {DBEdit3, "Label3"}, {DBMemo1, "Label4"},
                                                      {DBEdit4, "Label5"}, {DBMemo3, "Label6"}, {DBMemo2, "Label7"}};
    int r = 0;
    for (const auto& [control, name] : rows) {
        TLabel* l = label(page, name);
        left->addWidget(l->Widget(), r, 0, Qt::AlignTop);
        left->addWidget(control->Widget(), r, 1);
        ++r;
    }
    // The three lines of an address that the labels name stand in a column beside the memo.
    for (auto [memo, names] : {std::pair{DBMemo1, std::array{"StreetLabel", "CityLabel", "ZipLabel"}},
                               std::pair{DBMemo3, std::array{"StreetLabel2", "CityLabel2", "ZipLabel2"}}}) {
        std::vector<QWidget*> labels;
        for (const char* name : names) labels.push_back(label(page, name)->Widget());
        lineLabels_.push_back(new AddressLineLabels(static_cast<QPlainTextEdit*>(memo->Widget()), labels, left, 2));
    }
    left->setColumnStretch(1, 1);

    ContactPanel = MakeControl<TGroupBox>(this, page, "ContactPanel");
    auto* contact = new QGridLayout(ContactPanel->Widget());
    const int contactEdits[] = {5, 6, 7, 8, 9, 10, 13};
    TDBEdit** targets[] = {&DBEdit5, &DBEdit6, &DBEdit7, &DBEdit8, &DBEdit9, &DBEdit10, &DBEdit13};
    for (int i = 0; i < 7; ++i) {
        *targets[i] = MakeControl<TDBEdit>(this, ContactPanel, ("DBEdit" + std::to_string(contactEdits[i])).c_str());
        contact->addWidget(label(ContactPanel, ("ContactLabel" + std::to_string(i + 1)).c_str())->Widget(), i, 0);
        contact->addWidget((*targets[i])->Widget(), i, 1);
    }
    BankPanel = MakeControl<TGroupBox>(this, page, "BankPanel");
    auto* bank = new QGridLayout(BankPanel->Widget());
    DBEdit11 = MakeControl<TDBEdit>(this, BankPanel, "DBEdit11");
    DBEdit12 = MakeControl<TDBEdit>(this, BankPanel, "DBEdit12");
    DBEdit18 = MakeControl<TDBEdit>(this, BankPanel, "DBEdit18");
    int b = 0;
    for (TDBEdit* e : {DBEdit11, DBEdit12, DBEdit18}) {
        bank->addWidget(label(BankPanel, ("BankLabel" + std::to_string(b + 1)).c_str())->Widget(), b, 0);
        bank->addWidget(e->Widget(), b, 1);
        ++b;
    }
    ComboBox3 = MakeControl<TComboBox>(this, page, "ComboBox3");
    ComboBox3->SetStyle(TComboBoxStyle::csDropDownList);
    ComboBox3->SetVisible(false);
    LookLabel = MakeControl<TLabel>(this, page, "LookLabel");
    DBGrid1 = MakeControl<TDBGrid>(this, page, "DBGrid1");
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() & ~dgIndicator);

    auto* middle = new QVBoxLayout;
    middle->addWidget(ContactPanel->Widget());
    middle->addWidget(BankPanel->Widget());
    middle->addWidget(ComboBox3->Widget());
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(LookLabel->Widget());
    right->addWidget(DBGrid1->Widget(), 1);
    auto* row = new QHBoxLayout(page->Widget());
    row->addLayout(left, 3);
    row->addLayout(middle, 2);
    row->addLayout(right, 2);
}

void TAdresyChildForm::BuildPersonalPage() {
    TWinControl* page = TabSheet2;
    PersonalPanel = MakeControl<TGroupBox>(this, page, "PersonalPanel");
    auto* grid = new QGridLayout(PersonalPanel->Widget());
    auto label = [&](const char* name, int row, int col) {
        grid->addWidget(MakeControl<TLabel>(this, PersonalPanel, name)->Widget(), row, col);
    };
    DBEdit15 = MakeControl<TDBEdit>(this, PersonalPanel, "DBEdit15");
    DBEdit14 = MakeControl<TDBEdit>(this, PersonalPanel, "DBEdit14");
    DBEdit16 = MakeControl<TDBEdit>(this, PersonalPanel, "DBEdit16");
    DBDateEdit1 = MakeControl<TDBDateEdit>(this, PersonalPanel, "DBDateEdit1");
    DBCheckBox1 = MakeControl<TDBCheckBox>(this, PersonalPanel, "DBCheckBox1");
    DBDateEdit2 = MakeControl<TDBDateEdit>(this, PersonalPanel, "DBDateEdit2");
    DBCheckBox2 = MakeControl<TDBCheckBox>(this, PersonalPanel, "DBCheckBox2");
    DBEdit17 = MakeControl<TDBEdit>(this, PersonalPanel, "DBEdit17");
    DBMemo4 = MakeControl<TDBMemo>(this, PersonalPanel, "DBMemo4");
    label("PersonalLabel1", 0, 0);
    grid->addWidget(DBEdit15->Widget(), 0, 1);
    label("PersonalLabel2", 1, 0);
    grid->addWidget(DBEdit14->Widget(), 1, 1);
    label("PersonalLabel3", 2, 0);
    grid->addWidget(DBEdit16->Widget(), 2, 1);
    label("PersonalLabel4", 3, 0);
    grid->addWidget(DBEdit17->Widget(), 3, 1);
    label("PersonalLabel5", 0, 2);
    grid->addWidget(DBDateEdit1->Widget(), 0, 3);
    grid->addWidget(DBCheckBox1->Widget(), 0, 4);
    label("PersonalLabel6", 1, 2);
    grid->addWidget(DBDateEdit2->Widget(), 1, 3);
    grid->addWidget(DBCheckBox2->Widget(), 1, 4);
    label("PersonalLabel7", 2, 2);
    grid->addWidget(DBMemo4->Widget(), 2, 3, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    UserPanel = MakeControl<TGroupBox>(this, page, "UserPanel");
    auto* column = new QVBoxLayout(page->Widget());
    column->addWidget(PersonalPanel->Widget());
    column->addWidget(UserPanel->Widget(), 1);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    NewFieldPopup = AddMenuItem(this, PopupMenu1->Items(), "NewFieldPopup");
    EdipPopup = AddMenuItem(this, PopupMenu1->Items(), "EdipPopup");
    DeletePopup = AddMenuItem(this, PopupMenu1->Items(), "DeletePopup");
    NewFieldPopup->OnClick = [this](TComponent*) { NewFieldPopupClick(); };
    BuildPictureMenu();
    DeletePopup->OnClick = [this](TComponent*) { DeletePopupClick(); };
    EdipPopup->OnClick = [this](TComponent*) { EdipPopupClick(); };
    for (TControl* c : std::initializer_list<TControl*>{TabSheet2, UserPanel}) {
        c->SetPopupMenu(PopupMenu1);
        c->OnMouseDown = [this, c](TComponent*, TMouseButton, TShiftState, int x, int y) {
            clickX_ = c == UserPanel ? x + UserPanel->Left() : x;
            clickY_ = c == UserPanel ? y + UserPanel->Top() : y;
        };
    }
}

void TAdresyChildForm::BuildEditorPanel() {
    Panel1 = MakeControl<TPanel>(this, TabSheet2, "Panel1");
    Panel1->SetVisible(false);
    ComboBox1 = MakeControl<TComboBox>(this, Panel1, "ComboBox1");
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    ComboBox1->OnChange = [this](TComponent*) { ComboBox1Change(); };
    RadioGroup1 = MakeControl<TRadioGroup>(this, Panel1, "RadioGroup1");
    RadioGroup1->OnClick = [this](TComponent*) { RadioGroup1Click(); };
    ComboBox2 = MakeControl<TComboBox>(this, Panel1, "ComboBox2");
    ComboBox2->SetStyle(TComboBoxStyle::csDropDownList);
    ComboBox2->OnChange = [this](TComponent*) { ComboBox2Click(); };
    TEdit** edits[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9};
    for (int i = 0; i < 9; ++i) *edits[i] = MakeControl<TEdit>(this, Panel1, ("Edit" + std::to_string(i + 1)).c_str());
    Edit9->OnChange = [this](TComponent*) { Edit4->SetText(Edit9->Text()); };
    BitBtn1 = MakeControl<TButton>(this, Panel1, "BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2 = MakeControl<TButton>(this, Panel1, "BitBtn2");
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    auto* grid = new QGridLayout(Panel1->Widget());
    auto row = [&](const char* labelName, TControl* a, TControl* b = nullptr) {
        const int r = grid->rowCount();
        grid->addWidget(MakeControl<TLabel>(this, Panel1, labelName)->Widget(), r, 0);
        grid->addWidget(a->Widget(), r, 1, 1, b ? 1 : 2);
        if (b) grid->addWidget(b->Widget(), r, 2);
    };
    grid->addWidget(RadioGroup1->Widget(), 0, 0, 1, 3);
    row("PanelLabel1", ComboBox1);
    row("PanelLabel2", Edit9);
    grid->addWidget(ComboBox2->Widget(), grid->rowCount() - 1, 1, 1, 2);
    row("PanelLabel3", Edit3);
    row("PanelLabel4", Edit1, Edit2);
    row("PanelLabel5", Edit5, Edit6);
    row("PanelLabel6", Edit4);
    row("PanelLabel7", Edit7, Edit8);
    const int r = grid->rowCount();
    grid->addWidget(BitBtn1->Widget(), r, 1);
    grid->addWidget(BitBtn2->Widget(), r, 2);
    Panel1->SetBounds(240, 10, 300, 300);
}

// ---- show, look and texts ----

void TAdresyChildForm::SetTexts() {
    SetCaption(Text3("Address book", "Adresár", "Adresář"));
    TrackBar1->SetHint(Text3("Browsing in records", "Listuje v záznamoch", "Listuje v záznamech"));
    FirmaLabel->SetCaption(Msg(MessageId::Name));
    auto setLabel = [this](const char* name, const std::string& text) {
        if (auto* l = dynamic_cast<TLabel*>(FindComponent(name))) l->SetCaption(text);
    };
    const std::pair<const char*, int> labels[] = {
        {"Label2", MessageId::FirstNameShort}, {"Label3", MessageId::SurnameShort}, {"Label4", MessageId::AddressLabel},
        {"Label5", MessageId::Function}, {"Label6", MessageId::HomeAddress}, {"Label7", MessageId::Note},
        {"StreetLabel", MessageId::Street}, {"ZipLabel", MessageId::Zip}, {"StreetLabel2", MessageId::Street},
        {"ZipLabel2", MessageId::Zip}, {"ContactLabel1", MessageId::Phone1}, {"ContactLabel2", MessageId::Phone2},
        {"ContactLabel3", MessageId::HomePhoneShort}, {"ContactLabel4", MessageId::Mobil},
        {"ContactLabel5", MessageId::Fax}, {"ContactLabel6", MessageId::Mail}, {"ContactLabel7", MessageId::Web},
        {"BankLabel1", MessageId::Account}, {"BankLabel2", MessageId::Bank}, {"PersonalLabel1", MessageId::Department},
        {"PersonalLabel2", MessageId::Office}, {"PersonalLabel3", MessageId::Pager},
        {"PersonalLabel4", MessageId::Mate}, {"PersonalLabel5", MessageId::BirthdayShort},
        {"PersonalLabel6", MessageId::NameDayShort}, {"PersonalLabel7", MessageId::Children},
        {"PanelLabel1", MessageId::DataType}, {"PanelLabel2", MessageId::ItemName},
        {"PanelLabel3", MessageId::CharCount}, {"PanelLabel6", MessageId::HeadWord}};
    for (const auto& [name, id] : labels) setLabel(name, Msg(id));
    for (const char* name : {"CityLabel", "CityLabel2"}) setLabel(name, Msg(MessageId::City) + " :");
    for (AddressLineLabels* lines : lineLabels_) lines->Place();
    setLabel("BankLabel3", "IBAN");
    setLabel("PanelLabel4", Msg(MessageId::Height) + " / " + Msg(MessageId::Width));
    setLabel("PanelLabel5", "X / Y :");
    setLabel("PanelLabel7", Msg(MessageId::Caption) + " X / Y");
    for (TDBDateEdit* e : {DBDateEdit1, DBDateEdit2}) e->SetFormatSettings(FormatSettings::ForLanguage(Language()));
    DBCheckBox1->SetCaption(Msg(MessageId::Remind));
    DBCheckBox2->SetCaption(Msg(MessageId::Remind));
    ContactPanel->SetCaption(Msg(MessageId::Contact));
    BankPanel->SetCaption(Msg(MessageId::BankConnection));
    PersonalPanel->SetCaption(Msg(MessageId::PersonalData));
    UserPanel->SetCaption(Msg(MessageId::UserData));
    TabSheet1->SetCaption(Msg(MessageId::BasicPage));
    TabSheet2->SetCaption(Msg(MessageId::PersonalPage));
    TabSheet3->SetCaption(Msg(MessageId::SurveyPage));
    NewFieldPopup->SetCaption(Text3("New item", "Nová položka", "Nová položka"));
    EdipPopup->SetCaption(Text3("Edit item", "Editovať položku", "Editovat položku"));
    DeletePopup->SetCaption(Text3("Delete item", "Zmazať položku", "Smazat položku"));
    SetPictureTexts();
    RadioGroup1->Items().Clear();
    RadioGroup1->Items().Add(Text3("New item", "Nová položka", "Nová položka"));
    RadioGroup1->Items().Add(Text3("Use authentic", "Použiť pôvodné", "Použít původní"));
    RadioGroup1->SetCaption(Msg(MessageId::Item));
    BitBtn2->SetCaption(Msg(MessageId::Cancel));
    const int type = std::max(0, ComboBox1->ItemIndex());
    ComboBox1->Items().Clear();
    for (int i = 0; i < 5; ++i) ComboBox1->Items().Add(Msg(MessageId::SimpleText + i));
    ComboBox1->SetItemIndex(type);
}

void TAdresyChildForm::ApplyLook() {
    const SettingsStore& s = ProgramSettings();
    TControl* const looks[4] = {DBEdit1, DBEdit2, DBMemo2, DBGrid1};
    for (int i = 0; i < 4; ++i) {
        looks[i]->SetColor(TColor(static_cast<uint32_t>(s.Nastavenia[static_cast<size_t>(Slot::AddressColors + i)])));
        TFont font = looks[i]->Font();
        font.Color = TColor(static_cast<uint32_t>(s.Nastavenia[static_cast<size_t>(Slot::AddressFontColors + i)]));
        font.Size = s.Nastavenia[static_cast<size_t>(Slot::AddressFontSizes + i)];
        if (auto style = StyleOfCode(s.Nastavenia[static_cast<size_t>(Slot::AddressFontStyles + i)]))
            font.Style = *style;
        const std::string& name = s.NastaveniaText[static_cast<size_t>(TextSlot::AddressFontNames + i)];
        if (!name.empty()) font.Name = name;
        looks[i]->SetFont(font);
    }
    SpreadFieldLook(true, true);
}

void TAdresyChildForm::SpreadFieldLook(bool colour, bool font) {
    // Every field control looks like DBEdit2.
    std::vector<TControl*> controls{DBDateEdit1, DBDateEdit2, DBMemo1, DBMemo3, DBMemo4};
    for (int n = 3; n <= 18; ++n) controls.push_back(DataEdit(n));
    for (TControl* c : controls) {
        if (colour) c->SetColor(DBEdit2->Color());
        if (font) c->SetFont(DBEdit2->Font());
    }
}

void TAdresyChildForm::FormShow() {
    ApplyLook();
    LoadUserSplitItems();
    if (!UserPanel->Tag()) {
        UserPanel->SetTag(1); // the layout is read once per window
        CitajKomponenty();
    }
    ApplySortOrder();
    EnableModuleButtons();
    ComboBox2->Items().Clear();
    for (int id : std::initializer_list<int>{MessageId::Name, MessageId::FirstName, MessageId::Surname,
        MessageId::Function, MessageId::City, 23, 24, MessageId::Phone1, MessageId::Phone2, MessageId::HomePhone,
        MessageId::Mobil, MessageId::Fax, MessageId::Account, MessageId::Bank, MessageId::Mail, MessageId::Web,
        MessageId::Note})
        ComboBox2->Items().Add(Msg(id));
    for (const std::string& name : UserFieldNames(Table())) ComboBox2->Items().Add(name);
    DBGrid2->Columns().BeginUpdate();
    DBGrid2->Columns().Clear();
    for (const auto& c : kSurveyColumns) {
        TColumn& column = DBGrid2->Columns().Add();
        column.SetFieldName(c.Field);
        column.SetTitleCaption(Msg(c.Title));
    }
    for (const std::string& name : UserFieldNames(Table())) {
        TColumn& column = DBGrid2->Columns().Add();
        column.SetFieldName(name);
        column.SetTitleCaption(name);
    }
    DBGrid2->Columns().EndUpdate();
    SetTexts();
    const int page = ProgramSettings().Nastavenia[Slot::AddressPage];
    PageControl1->SetActivePageIndex(page >= 0 && page <= 2 ? page : 0);
    if (firstPaint_) FormPaintOnce();
    SetPosition();
    StateChanged();
}

void TAdresyChildForm::FormPaintOnce() {
    firstPaint_ = false;
    TDBGridColumns& columns = DBGrid1->Columns();
    columns.BeginUpdate();
    columns.Clear();
    TColumn& column = columns.Add();
    column.SetFieldName(ProgramSettings().NastaveniaText[TextSlot::AddressSortField]);
    column.SetWidth(230);
    column.SetTitleCaption(sortTitle_);
    columns.EndUpdate();
}

void TAdresyChildForm::ApplySortOrder() {
    SettingsStore& s = ProgramSettings();
    // The shared settings may name a field this table lacks, or one that cannot be sorted on.
    const std::vector<FieldChoice> choices = AddressFieldChoices(Table(), kFixedSortChoices);
    const std::string field = CheckedSortField(Table(), s.NastaveniaText[TextSlot::AddressSortField]);
    const int index = std::max(0, ChoiceIndex(choices, field));
    s.NastaveniaText[TextSlot::AddressSortField] = field;
    s.Nastavenia[Slot::AddressSortIndex] = index;
    sortTitle_ = choices[static_cast<size_t>(index)].Caption;
    LookLabel->SetCaption(LookLabelText(Msg(MessageId::OrderBy), sortTitle_));
    Table().SetIndexFieldNames(field);
    if (!firstPaint_ && DBGrid1->Columns().Count() == 1) {
        DBGrid1->Columns().BeginUpdate();
        DBGrid1->Columns()[0].SetFieldName(field);
        DBGrid1->Columns()[0].SetTitleCaption(sortTitle_);
        DBGrid1->Columns().EndUpdate();
    }
}

void TAdresyChildForm::ShowSortField(const std::string& fieldName, const std::string& caption) {
    // The dialog stored the field; the check may still send an unusable one back to "Firma".
    ApplySortOrder();
    FormPaintOnce(); // the quick list: the sort field alone
    if (CompareTextUtf8(ProgramSettings().NastaveniaText[TextSlot::AddressSortField], fieldName) == 0)
        LookLabel->SetCaption(LookLabelText(Msg(MessageId::OrderBy), caption));
    SetPosition();
}

std::vector<std::string> TAdresyChildForm::SplitItems() const {
    const SettingsStore& s = ProgramSettings();
    std::vector<std::string> items = {"", Msg(MessageId::Work), Msg(MessageId::Private)};
    for (int k = kFirstCategorySetting; k <= kLastCategorySetting; ++k)
        if (!s.NastaveniaText[static_cast<size_t>(k)].empty()) items.push_back(s.NastaveniaText[static_cast<size_t>(k)]);
    return items;
}

void TAdresyChildForm::LoadUserSplitItems() {
    const int index = ComboBox3->ItemIndex();
    ComboBox3->Items().Assign(SplitItems());
    ComboBox3->SetItemIndex(std::max(0, std::min(index, ComboBox3->Items().Count() - 1)));
}

std::string TAdresyChildForm::CategoryItem(int index) const {
    if (index <= 0) return {};
    if (index == 1) return kWorkCategory;
    if (index == 2) return kPrivateCategory;
    return index < ComboBox3->Items().Count() ? ComboBox3->Items()[index] : std::string();
}

void TAdresyChildForm::EnableModuleButtons() { StateChanged(); }

void TAdresyChildForm::UlozDoPola() {
    SettingsStore& s = ProgramSettings();
    TControl* const looks[4] = {DBEdit1, DBEdit2, DBMemo2, DBGrid1};
    for (int i = 0; i < 4; ++i) {
        const TFont font = looks[i]->Font();
        s.Nastavenia[static_cast<size_t>(Slot::AddressColors + i)] = static_cast<int>(looks[i]->Color());
        s.Nastavenia[static_cast<size_t>(Slot::AddressFontColors + i)] = static_cast<int>(font.Color);
        s.Nastavenia[static_cast<size_t>(Slot::AddressFontSizes + i)] = font.Size;
        if (auto code = StyleCodeOf(font.Style)) s.Nastavenia[static_cast<size_t>(Slot::AddressFontStyles + i)] = *code;
        s.NastaveniaText[static_cast<size_t>(TextSlot::AddressFontNames + i)] = font.Name;
    }
}

void TAdresyChildForm::VymenColor() {
    TColorDialog& dialog = DataModuleParts().ColorDialog1;
    if (dialog.Execute()) DBEdit2->SetColor(dialog.Color);
    SpreadFieldLook(true, false);
}

void TAdresyChildForm::VymenFont() {
    TFontDialog& dialog = DataModuleParts().FontDialog1;
    // The field controls are small: their font stays at 10 points at most.
    constexpr int kFieldFontLimit = 10, kDialogFontLimit = 16;
    auto restore = OnScopeExit([&dialog] { dialog.MaxFontSize = kDialogFontLimit; });
    dialog.MaxFontSize = kFieldFontLimit;
    dialog.Font = DBEdit2->Font();
    if (dialog.Execute()) DBEdit2->SetFont(dialog.Font);
    SpreadFieldLook(false, true);
}

void TAdresyChildForm::FormCloseHandler(TCloseAction& action) {
    action = TCloseAction::caFree;
    if (ProgramState().AddressSort == this) ProgramState().AddressSort = nullptr;
    ProgramSettings().Nastavenia[Slot::AddressPage] = PageControl1->ActivePageIndex();
    ZapisKomponenty();
}

// ---- commands ----

RecordBarState TAdresyChildForm::State(const ModuleContext& c) const {
    return RecordBarFor({AddressModule, true, c.Offline, c.CategoriesOn, c.HasDialog, Editing(), Inserting()});
}

void TAdresyChildForm::Run(Command command) {
    TVolgaTable& table = Table();
    FrameState& state = ProgramState();
    switch (command) {
    case Command::First: table.First(); SetPosition(); break;
    case Command::Prior: table.Prior(); SetPosition(); break;
    case Command::Next: table.Next(); SetPosition(); break;
    case Command::Last: table.Last(); SetPosition(); break;
    case Command::Insert: Insert(); break;
    case Command::Edit: Edit(); break;
    case Command::Post: Post(); break;
    case Command::Cancel: Cancel(); break;
    case Command::Refresh: table.Refresh(); SetPosition(); break;
    case Command::Filter:
        state.Filters.AddressKeyFilter.clear();
        RunRegisteredDialog("TFilterForm");
        break;
    case Command::FilterOff:
        table.SetFiltered(false);
        state.Filters.AddressKeyFilter.clear();
        state.Filters.AddressCategoryFilter.clear();
        break;
    case Command::Mail: DBEdit10DblClick(); break;
    case Command::Web: DBEdit13DblClick(); break;
    case Command::Phone: PhoneCallNumber(phone_.Number(table), DBEdit1->Text()); break;
    default: return;
    }
    StateChanged();
}

void TAdresyChildForm::Insert() {
    if (Editing()) return;
    ShowCategoryBox(true);
    FocusNameEdit();
    EnableDateEdits(true, true);
    EnableRemindBoxes(true);
    // A new address had no reminders.
    had_ = {};
    if (!ProgramState().NetworkMode) {
        Table().Insert();
        Table().FieldByName("User").SetAsString(ProgramState().UserPrefix);
    } else {
        InsertAddressNet("Insert");
    }
    editing_ = EditMode::Insert;
    EnableRecordMovers(false);
}

void TAdresyChildForm::Edit() {
    TVolgaTable& table = Table();
    if (Editing() || table.IsEmpty()) return;
    // What the address had, so that the save makes or removes only the reminders that changed.
    had_ = {table.FieldByName("PripNar").AsBoolean(), table.FieldByName("PripMen").AsBoolean(),
            table.FieldByName("Narodeniny").AsDateTime(), table.FieldByName("Meniny").AsDateTime()};
    EnableDateEdits(true, true);
    EnableRemindBoxes(true);
    if (!ProgramState().NetworkMode) table.Edit();
    else InsertAddressNet("Edit");
    editing_ = EditMode::Edit;
    EnableRecordMovers(false);
    // The box preselects the address's category.
    ShowCategoryBox(true);
}

void TAdresyChildForm::Post() {
    if (!Editing()) return;
    if (!ProgramState().NetworkMode) {
        TVolgaTable& table = Table();
        WorkSplitItems();
        // Derived from what the user typed, so cut to their fields rather than refused.
        auto derived = [&](const char* name, const std::string& text) {
            TField& field = table.FieldByName(name);
            field.SetAsString(Utf8Left(text, static_cast<size_t>(field.Size())));
        };
        derived("Meno", FullName(table.FieldByName("Meno_Kr").AsString(), table.FieldByName("Priezvisko").AsString()));
        derived("Mesto", CityOfAddress(DBMemo1->Text()));
        if (table.State() == dsEdit || table.State() == dsInsert) table.Post();
        const AddressParts address = CurrentAddress();
        UpdateReminderTasks(data_, ProgramLocks(), ProgramState(), had_, address.FirstName, address.Surname);
        table.ApplyChanges();
        table.CommitChanges();
    } else {
        ShEditExit();
        {
            BusyAnimationScope busy(ProgramLocks(), true);
            PostAddressNet();
        }
        DeleteAddressNet();
    }
    editing_ = EditMode::None;
    EnableRecordMovers(true);
    EnableDateEdits(false, false);
    EnableRemindBoxes(false);
    ShowCategoryBox(false);
}

void TAdresyChildForm::Cancel() {
    // The controls show the stored values again before the date edits go off: a date edit that
    // loses the focus with a text that is no date would still speak of it.
    TVolgaTable& table = Table();
    if (table.State() == dsEdit || table.State() == dsInsert) table.Cancel();
    EnableDateEdits(false, false);
    EnableRemindBoxes(false);
    ShowCategoryBox(false);
    if (ProgramState().NetworkMode) {
        ProgramLocks().UnlockTableFile();
        DeleteAddressNet();
    }
    editing_ = EditMode::None;
    EnableRecordMovers(true);
}

void TAdresyChildForm::EnableRecordMovers(bool on) {
    // A move would post or drop the address being typed behind the user's back: until it is
    // saved or cancelled, the lists and the letter bar wait.
    for (TWinControl* mover : std::initializer_list<TWinControl*>{DBGrid1, DBGrid2, TrackBar1}) mover->SetEnabled(on);
}

void TAdresyChildForm::WorkSplitItems() {
    const int index = ComboBox3->ItemIndex();
    if (!Table().FindField("Split_field") || index < 0 || index > 7) return;
    Table().FieldByName("Split_field").SetAsString(CategoryItem(index));
}

// ---- browsing ----

void TAdresyChildForm::SetPosition() {
    TVolgaTable& t = Table();
    if (!t.Active() || t.IsEmpty()) return;
    const TField* f = t.FindField(ProgramSettings().NastaveniaText[TextSlot::AddressSortField]);
    if (!f || f->IsNull()) return;
    if (auto position = LetterBarPosition(f->AsString())) TrackBar1->SetPosition(*position);
}

void TAdresyChildForm::TrackBar1Change() {
    // Only the user's own move of the bar jumps; SetPosition moves it from code.
    if (!TrackBar1->Focused()) return;
    const char letter = LetterAtPosition(TrackBar1->Position());
    if (!letter) return;
    Table().Locate(ProgramSettings().NastaveniaText[TextSlot::AddressSortField], Variant(std::string(1, letter)),
                   loCaseInsensitive | loPartialKey);
}

void TAdresyChildForm::DBEdit1KeyDown(uint16_t& key) {
    if (KeyDownStartsEdit(key) && !Editing() && !Table().IsEmpty()) Request(Command::Edit);
}

void TAdresyChildForm::DBEdit1KeyPress(char32_t& key) {
    if (KeyPressStartsEdit(key) && !Editing() && !Table().IsEmpty()) Request(Command::Edit);
}

void TAdresyChildForm::FormKeyDown(uint16_t& key) {
    if (Editing() || !DBEdit1->Visible()) return;
    if (DBGrid1->Focused()) DBEdit10->SetFocus();
    else if (PageControl1->Focused() || TrackBar1->Focused()) DBEdit1->SetFocus();
    if (key == VK_UP) Request(Command::Prior);
    else if (key == VK_DOWN) Request(Command::Next);
}

void TAdresyChildForm::DBEdit10DblClick() {
    const std::string address = MailAddress(DBEdit10->Text());
    if (!address.empty()) ShellOpenFile(address, "", "", 1);
}

void TAdresyChildForm::DBEdit13DblClick() {
    const std::string address = WebAddress(DBEdit13->Text());
    if (!address.empty()) ShellOpenFile(address, "", "", 1);
}

void TAdresyChildForm::PhoneCallNumber(const std::string& number, const std::string& party) {
    kvz::PhoneCallNumber(CurrentDialer(), number, party, Application().Title());
}

void TAdresyChildForm::DBMemo1Enter(TComponent* sender) {
    if (ProgramSettings().Nastavenia[Slot::AddressCompletion] != 1 || !Inserting()) return;
    auto text = [this](const char* copy, TControl* local) {
        if (auto* e = dynamic_cast<TEdit*>(FindComponent(copy))) return e->Text();
        return static_cast<TEdit*>(local)->Text();
    };
    auto* memo = dynamic_cast<TMemo*>(sender);
    if (!memo) return;
    if (auto address = CompleteAddress(text("ShEdit1", DBEdit1), text("ShEdit2", DBEdit2), text("ShEdit3", DBEdit3),
                                       memo->Text())) {
        if (auto* dataMemo = dynamic_cast<TDBMemo*>(memo)) dataMemo->DataSource()->DataSet()->Edit();
        memo->SetText(*address);
        // The street is typed next, below the name lines.
        if (auto* edit = qobject_cast<QPlainTextEdit*>(memo->Widget())) edit->moveCursor(QTextCursor::End);
    }
}

void TAdresyChildForm::FocusNameEdit() {
    if (auto* copy = dynamic_cast<TWinControl*>(FindComponent("ShEdit1"))) copy->SetFocus();
    else if (DBEdit1->Visible()) DBEdit1->SetFocus();
}

AddressParts TAdresyChildForm::CurrentAddress() const {
    // While the copies of network mode are up, what is typed there.
    auto text = [this](const char* copy, TControl* local) {
        if (auto* e = dynamic_cast<TEdit*>(FindComponent(copy))) return e->Text();
        if (auto* m = dynamic_cast<TMemo*>(FindComponent(copy))) return m->Text();
        if (auto* m = dynamic_cast<TMemo*>(local)) return m->Text();
        return static_cast<TEdit*>(local)->Text();
    };
    return {text("ShEdit1", DBEdit1), text("ShEdit2", DBEdit2), text("ShEdit3", DBEdit3), text("ShMemo1", DBMemo1),
            phone_.Number(Table())};
}

void TAdresyChildForm::EnableDateEdits(bool birthday, bool nameDay) {
    DBDateEdit1->SetEnabled(birthday || nameDay);
    DBDateEdit2->SetEnabled(birthday || nameDay);
}

void TAdresyChildForm::EnableRemindBoxes(bool on) {
    DBCheckBox1->SetEnabled(on);
    DBCheckBox2->SetEnabled(on);
}

void TAdresyChildForm::ShowCategoryBox(bool on) {
    ComboBox3->SetVisible(on && ProgramSettings().Nastavenia[Slot::Categories] == 1);
    // An edit of a stored address starts on its category; a value no item stands for (a
    // category renamed since) becomes an item of its own, so that saving keeps it.
    const bool editing = Table().State() == dsEdit || (netMode_ == "Edit" && !copies_.empty());
    const TField* split = Table().FindField("Split_field");
    if (!on || !editing || !split) return;
    std::vector<std::string> items = SplitItems();
    const int index = CategoryItemFor(items, split->AsString());
    ComboBox3->Items().Assign(items);
    ComboBox3->SetItemIndex(index);
}

std::vector<std::string> TAdresyChildForm::SelectedRecordCodes() const {
    std::vector<std::string> codes;
    TVolgaTable& t = Table();
    const TBookmarkList& rows = DBGrid1->SelectedRows();
    if (rows.Count() == 0) return codes;
    const TBookmark here = t.GetBookmark();
    t.DisableControls();
    for (int i = 0; i < rows.Count(); ++i) {
        t.GotoBookmark(rows.Items(i));
        codes.push_back(t.FieldByName("Number").AsString());
    }
    t.GotoBookmark(here);
    t.EnableControls();
    return codes;
}

// ---- network mode: the copies ----

void TAdresyChildForm::MakeCopies(bool edit) {
    auto place = [this](TControl* original, TWinControl* copy) {
        copy->SetParent(static_cast<TWinControl*>(original->Parent()));
        QWidget* from = original->Widget();
        QWidget* to = copy->Widget();
        // The copy takes the control's place in its layout (wherever that stands among the
        // page's nested layouts), its size rules and its order of focus; a control placed by
        // the user keeps its bounds.
        to->setSizePolicy(from->sizePolicy());
        to->setMinimumSize(from->minimumSize());
        to->setMaximumSize(from->maximumSize());
        if (!SwapInLayout(from, to)) copy->SetBounds(original->Left(), original->Top(), original->Width(), original->Height());
        copy->SetColor(original->Color());
        copy->SetFont(original->Font());
        original->SetVisible(false);
        copy->SetVisible(true);
        for (AddressLineLabels* lines : lineLabels_)
            if (lines->Memo() == from) lines->Follow(static_cast<QPlainTextEdit*>(to));
    };
    auto addText = [&](TControl* original, const std::string& name, const std::string& field, bool memo, bool user) {
        TWinControl* copy;
        const std::string text = edit ? (memo ? static_cast<TMemo*>(original)->Text() : static_cast<TEdit*>(original)->Text())
                                       : std::string();
        if (memo) {
            auto* m = new TShfMemo(this);
            m->SetName(name);
            m->SFieldName = field;
            m->SetScrollBars(TScrollStyle::ssVertical);
            m->SetMaxLength(static_cast<TMemo*>(original)->MaxLength()); // no more than the field holds
            place(original, m);
            m->SetText(text);
            copy = m;
        } else {
            auto* e = new TShfEdit(this);
            e->SetName(name);
            e->SFieldName = field;
            e->SetMaxLength(static_cast<TEdit*>(original)->MaxLength()); // no more than the field holds
            place(original, e);
            e->SetText(text);
            if (!user) e->OnExit = [this](TComponent*) { ShEditExit(); };
            copy = e;
        }
        copies_.push_back({copy, original, field, text, user});
    };
    for (int n = 1; n <= 18; ++n) addText(DataEdit(n), "ShEdit" + std::to_string(n), DataEdit(n)->DataField(), false, false);
    TDBMemo* const memos[4] = {DBMemo1, DBMemo2, DBMemo3, DBMemo4};
    for (int n = 1; n <= 4; ++n) addText(memos[n - 1], "ShMemo" + std::to_string(n), memos[n - 1]->DataField(), true, false);
    if (auto* m = dynamic_cast<TShfMemo*>(FindComponent("ShMemo1"))) m->OnEnter = [this](TComponent* s) { DBMemo1Enter(s); };
    auto addDate = [&](TDBDateEdit* d, const std::string& name, bool user) {
        auto* e = new TDateEdit(this);
        e->SetName(name);
        e->SetFormatSettings(d->Settings());
        place(d, e);
        if (edit && d->Field() && !d->Field()->IsNull()) e->SetDate(d->Field()->AsDateTime());
        else e->SetText("");
        copies_.push_back({e, d, d->DataField(), e->Text(), user});
    };
    addDate(DBDateEdit1, "ShDate1", false);
    addDate(DBDateEdit2, "ShDate2", false);
    int n = 0;
    n = 0;
    for (TDBCheckBox* c : {DBCheckBox1, DBCheckBox2}) {
        ++n;
        auto* box = new TCheckBox(this);
        box->SetName("ShCheck" + std::to_string(n));
        box->SetCaption(c->Caption());
        place(c, box);
        box->SetChecked(edit && c->Checked());
        copies_.push_back({box, c, c->DataField(), "", false});
    }
    // User-defined controls, by their names.
    for (TComponent* component : OwnedComponents()) {
        const std::string name = component->Name();
        if (auto* e = dynamic_cast<TDBEdit*>(component); e && UserControlNumber(name, "UserDBEdit") >= 0)
            addText(e, "UserShEdit" + name.substr(10), e->DataField(), false, true);
        else if (auto* m = dynamic_cast<TDBMemo*>(component); m && UserControlNumber(name, "UserMemo") >= 0)
            addText(m, "UserShMemo" + name.substr(8), m->DataField(), true, true);
        else if (auto* c = dynamic_cast<TDBCheckBox*>(component); c && UserControlNumber(name, "UserDBCheckBox") >= 0) {
            auto* box = new TCheckBox(this);
            box->SetName("UserShCheck" + name.substr(14));
            box->SetCaption(c->Caption());
            place(c, box);
            box->SetChecked(edit && c->Checked());
            copies_.push_back({box, c, c->DataField(), "", true});
        } else if (auto* d = dynamic_cast<TDBDateEdit*>(component); d && UserControlNumber(name, "UserDateEdit") >= 0) {
            addDate(d, "UserShDateEdit" + name.substr(12), true);
        } else if (auto* i = dynamic_cast<TDBImage*>(component); i && UserControlNumber(name, "UserDBImage") >= 0) {
            MakePictureCopy(i, edit);
        }
    }
}

void TAdresyChildForm::MakePictureCopy(TDBImage* original, bool edit) {
    const std::string number = original->Name().substr(11);
    auto* shape = new TShape(this);
    shape->SetName("UserShShape" + number);
    auto* image = new TImage(this);
    image->SetName("UserShImage" + number);
    image->SetCenter(true);
    image->SetProportional(true);
    for (TControl* c : std::initializer_list<TControl*>{shape, image}) {
        c->SetParent(static_cast<TWinControl*>(original->Parent()));
        c->SetBounds(original->Left(), original->Top(), original->Width(), original->Height());
        c->SetVisible(true);
        c->Widget()->raise();
    }
    if (edit) image->SetPicture(original->Picture());
    image->OnMouseDown = [this, image](TComponent*, TMouseButton button, TShiftState, int, int) {
        ShadowImageMouseDown(image, button);
    };
    original->SetVisible(false);
    // The picture's cache key changes with every new picture: the save writes only a changed one.
    copies_.push_back({image, original, original->DataField(), std::to_string(image->Picture().cacheKey()), true, shape});
}

void TAdresyChildForm::InsertAddressNet(const std::string& mode) {
    DeleteAddressNet();
    netMode_ = mode;
    // The save finds this address by its code, whatever is current by then; and while the copies
    // are up nothing of this window moves the current address.
    editCode_ = mode == "Edit" && !Table().IsEmpty() ? Table().FieldByName("Number").AsString() : std::string();
    editBegun_ = editCode_.empty() ? std::string() : AddressRowValues(Table());
    EnableRecordMovers(false);
    MakeCopies(mode == "Edit");
    OrderCompFromEdit();
    if (auto* first = dynamic_cast<TWinControl*>(FindComponent("ShEdit1"))) first->SetFocus();
}

void TAdresyChildForm::DeleteAddressNet() {
    for (auto it = copies_.rbegin(); it != copies_.rend(); ++it) {
        SwapInLayout(it->copy->Widget(), it->original->Widget());
        it->original->SetVisible(true);
        for (AddressLineLabels* lines : lineLabels_)
            if (lines->Memo() == it->copy->Widget()) lines->Follow(static_cast<QPlainTextEdit*>(it->original->Widget()));
        if (selected_ == it->copy) selected_ = nullptr;
        delete it->copy;
        delete it->frame;
    }
    copies_.clear();
    editCode_.clear();
    EnableRecordMovers(!Editing());
    OrderCompFromView();
    if (layoutPending_) CitajKomponenty();
}

void TAdresyChildForm::ShEditExit() {
    // A user control placed on a built-in field shows what was typed in the built-in copy.
    for (const Copy& c : copies_) {
        auto* from = dynamic_cast<TShfEdit*>(c.copy);
        if (!from || c.user) continue;
        for (const Copy& u : copies_)
            if (u.user && CompareTextUtf8(u.field, from->SFieldName) == 0)
                if (auto* to = dynamic_cast<TEdit*>(u.copy)) to->SetText(from->Text());
    }
}

void TAdresyChildForm::PostAddressNet() {
    AddressSaveRequest request;
    request.Insert = netMode_ != "Edit";
    request.RecordCode = request.Insert ? std::string() : editCode_;
    request.Begun = request.Insert ? std::string() : editBegun_;
    request.UserPrefix = ProgramState().UserPrefix;
    if (ProgramSettings().Nastavenia[Slot::Categories] == 1) request.Category = CategoryItem(ComboBox3->ItemIndex());
    for (const Copy& c : copies_) {
        AddressCopy copy;
        copy.Field = c.field;
        copy.UserField = c.user;
        const std::string name = c.copy->Name();
        if (auto* box = dynamic_cast<TCheckBox*>(c.copy)) {
            copy.Kind = AddressCopy::ckCheck;
            copy.Checked = box->Checked();
        } else if (auto* date = dynamic_cast<TDateEdit*>(c.copy)) {
            // The edit's own blank test, then the date in the fixed form; a text that is no
            // date goes as typed and is refused before anything is locked.
            copy.Kind = AddressCopy::ckDate;
            const std::string text = date->Text();
            copy.Changed = text != c.initial;
            if (!date->TextModel().IsBlank(text)) copy.Text = date->Date() != 0 ? FormatCopyDate(date->Date()) : text;
        } else if (auto* image = dynamic_cast<TImage*>(c.copy)) {
            copy.Kind = AddressCopy::ckPicture;
            copy.Changed = std::to_string(image->Picture().cacheKey()) != c.initial;
            if (copy.Changed) copy.Text = GraphicFieldBytes(image->Picture());
        } else {
            copy.Kind = AddressCopy::ckText;
            copy.Text = dynamic_cast<TMemo*>(c.copy) ? static_cast<TMemo*>(c.copy)->Text() : static_cast<TEdit*>(c.copy)->Text();
            copy.Changed = copy.Text != c.initial;
        }
        request.Copies.push_back(std::move(copy));
    }
    AddressSaveResult result;
    try {
        result = SaveAddressCopies(
            Table(), ProgramLocks(), data_.LockFileName(TableId::Address), ProgramState().NetworkMode, request,
            [this](TDataSet&) {
                const AddressParts address = CurrentAddress();
                UpdateReminderTasks(data_, ProgramLocks(), ProgramState(),
                                    netMode_ == "Insert" ? ReminderMemory{} : had_, address.FirstName, address.Surname);
            });
    } catch (const AddressChangedElsewhere& changed) {
        // Nothing was written; the edit stays open, with the address as it is now on a reload.
        if (changed.Choice == AddressChangeChoice::Reload) {
            LocateRecordCode(Table(), request.RecordCode);
            had_ = {Table().FieldByName("PripNar").AsBoolean(), Table().FieldByName("PripMen").AsBoolean(),
                    Table().FieldByName("Narodeniny").AsDateTime(), Table().FieldByName("Meniny").AsDateTime()};
            InsertAddressNet("Edit");
        }
        throw EAbort();
    }
    if (!result.ReminderError.empty())
        ShowMessageBox(result.ReminderError, Application().Title(), MB_OK | MB_ICONWARNING);
    SetPosition();
}

// ---- user-defined fields ----

std::vector<std::string> TAdresyChildForm::ComponentNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < ComponentCount(); ++i) names.push_back(Components(i)->Name());
    return names;
}

std::vector<TComponent*> TAdresyChildForm::OwnedComponents() const {
    std::vector<TComponent*> out;
    for (int i = 0; i < ComponentCount(); ++i) out.push_back(Components(i));
    return out;
}

TControl* TAdresyChildForm::CreateUserControl(const TUserFieldRec& rec) {
    TControl* control = nullptr;
    const std::string& name = FindComponent(rec.Name) ? NextUserControlName(rec.Kind, ComponentNames()) : rec.Name;
    auto bind = [&](auto* c) {
        c->SetDataSource(data_.DataSourceZirt);
        c->SetDataField(rec.DataField);
        return c;
    };
    if (rec.Kind != ukLabel && !Table().FieldDefs().Find(rec.DataField)) return nullptr;
    switch (rec.Kind) {
    case ukEdit: {
        auto* e = bind(new TDBEdit(this));
        e->SetColor(DBEdit2->Color());
        e->SetFont(DBEdit2->Font());
        AttachKeys(e);
        control = e;
        break;
    }
    case ukDateEdit: {
        auto* e = bind(new TDBDateEdit(this));
        e->SetFormatSettings(DBDateEdit1->Settings());
        e->SetColor(DBDateEdit1->Color());
        e->SetFont(DBDateEdit1->Font());
        AttachKeys(e);
        control = e;
        break;
    }
    case ukMemo: {
        auto* m = bind(new TDBMemo(this));
        m->SetColor(DBMemo2->Color());
        m->SetFont(DBMemo2->Font());
        m->SetScrollBars(TScrollStyle::ssVertical);
        AttachKeys(m);
        control = m;
        break;
    }
    case ukCheckBox: {
        auto* c = bind(new TDBCheckBox(this));
        c->SetCaption(rec.Caption);
        AttachKeys(c);
        control = c;
        break;
    }
    case ukImage: control = bind(new TDBImage(this)); break;
    case ukLabel: {
        auto* l = new TLabel(this);
        l->SetCaption(rec.Caption);
        control = l;
        break;
    }
    default: return nullptr;
    }
    control->SetName(name);
    control->SetParent(TabSheet2);
    control->SetBounds(rec.Left, rec.Top, rec.Width > 0 ? rec.Width : control->Width(),
                       rec.Height > 0 ? rec.Height : control->Height());
    if (rec.Kind == ukLabel) static_cast<TLabel*>(control)->SetAutoSize(true);
    AttachDrag(control);
    control->SetVisible(true);
    control->Widget()->raise();
    return control;
}

void TAdresyChildForm::CitajKomponenty() {
    // The file replaces what the page shows (it is read again after a restore), so the controls
    // read before go first; the window writes the page back when it closes. Copies of network
    // mode stand over them: the file is read once the copies are gone.
    if (!copies_.empty()) {
        layoutPending_ = true;
        return;
    }
    layoutPending_ = false;
    std::vector<TComponent*> earlier;
    for (TComponent* c : OwnedComponents())
        for (int32_t kind : {ukEdit, ukLabel, ukMemo, ukDateEdit, ukCheckBox, ukImage})
            if (UserControlNumber(c->Name(), UserControlPrefix(kind)) >= 0) earlier.push_back(c);
    for (TComponent* c : earlier) {
        if (selected_ == c) selected_ = nullptr;
        if (drag_.Control == c) drag_.Control = nullptr;
        delete c;
    }
    const fs::path file = ProgramState().DataFolder / UserFileName(ProgramState().UserPrefix, ".ucs");
    for (const TUserFieldRec& rec : ReadUserFieldFile(file)) CreateUserControl(rec);
}

void TAdresyChildForm::ZapisKomponenty() {
    std::vector<TUserFieldRec> records;
    for (TComponent* c : OwnedComponents()) {
        const std::string& name = c->Name();
        for (int32_t kind : {ukEdit, ukLabel, ukMemo, ukDateEdit, ukCheckBox, ukImage}) {
            if (UserControlNumber(name, UserControlPrefix(kind)) < 0) continue;
            const auto* control = static_cast<const TControl*>(c);
            TUserFieldRec rec{kind, name, control->Left(), control->Top(), control->Height(), control->Width(), "", ""};
            if (auto* d = dynamic_cast<const TDataControl*>(c)) rec.DataField = d->DataField();
            if (auto* l = dynamic_cast<const TLabel*>(c)) rec.Caption = l->Caption();
            if (auto* b = dynamic_cast<const TCheckBox*>(c)) rec.Caption = b->Caption();
            records.push_back(rec);
        }
    }
    SortForLayoutFile(records);
    const fs::path file = ProgramState().DataFolder / UserFileName(ProgramState().UserPrefix, ".ucs");
    WriteUserFieldFile(file, records);
}

void TAdresyChildForm::NewFieldPopupClick() {
    BitBtn2Click();
    newItem_ = true;
    Panel1->SetLeft(clickX_ >= 47 && clickX_ <= 261 ? 240 : clickX_ >= 262 && clickX_ <= 424 ? 376 : clickX_ >= 425 && clickX_ <= 600 ? 15 : Panel1->Left());
    Edit5->SetText(std::to_string(clickX_));
    Edit6->SetText(std::to_string(clickY_));
    Edit7->SetText(std::to_string(clickX_ - 54));
    Edit8->SetText(std::to_string(clickY_ + 4));
    RadioGroup1->SetItemIndex(0);
    RadioGroup1Click();
    Edit9->SetText("");
    ComboBox1->SetItemIndex(0);
    ComboBox1Change();
    Panel1->SetVisible(true);
    Panel1->Widget()->adjustSize();
    Panel1->Widget()->raise();
}

void TAdresyChildForm::EdipPopupClick() {
    if (!selected_) {
        BitBtn2Click();
        return;
    }
    editingField_ = true;
    newItem_ = false;
    RadioGroup1->SetItemIndex(1);
    RadioGroup1Click();
    RadioGroup1->SetEnabled(false);
    ComboBox1->SetEnabled(false);
    // The picker stays on: picking another field of the same type binds the control to it.
    ComboBox2->SetEnabled(dynamic_cast<TDataControl*>(selected_) != nullptr);
    Edit3->SetEnabled(false);
    auto* label = dynamic_cast<TLabel*>(selected_);
    auto* box = dynamic_cast<TCheckBox*>(selected_);
    Edit4->SetEnabled(label || box);
    Edit4->SetText(label ? label->Caption() : box ? box->Caption() : std::string());
    if (auto* d = dynamic_cast<TDataControl*>(selected_)) {
        for (int i = 0; i < ComboBox2->Items().Count(); ++i)
            if (CompareTextUtf8(AddressFieldByPickerIndex(i, ComboBox2->Items()[i]), d->DataField()) == 0)
                ComboBox2->SetItemIndex(i);
        if (const TFieldDef* def = Table().FieldDefs().Find(d->DataField()))
            if (const int type = UserFieldTypeIndex(def->DataType()); type >= 0) ComboBox1->SetItemIndex(type);
    }
    Edit5->SetText(std::to_string(selected_->Left()));
    Edit6->SetText(std::to_string(selected_->Top()));
    Edit1->SetText(std::to_string(selected_->Height()));
    Edit2->SetText(std::to_string(selected_->Width()));
    for (TEdit* e : {Edit7, Edit8}) e->SetText("0");
    Panel1->SetVisible(true);
    Panel1->Widget()->adjustSize();
    Panel1->Widget()->raise();
}

void TAdresyChildForm::DeletePopupClick() {
    if (!selected_) return;
    TControl* control = selected_;
    selected_ = nullptr;
    if (drag_.Control == control) drag_.Control = nullptr;
    delete control;
}

void TAdresyChildForm::ComboBox1Change() {
    static const char* const kDefaults[5][3] = {
        {"30", "21", "121"}, {"0", "89", "185"}, {"0", "21", "121"}, {"0", "17", "97"}, {"0", "105", "105"}};
    const int type = ComboBox1->ItemIndex();
    if (type < 0 || type > 4) return;
    Edit3->SetText(kDefaults[type][0]);
    Edit1->SetText(kDefaults[type][1]);
    Edit2->SetText(kDefaults[type][2]);
    Edit3->SetEnabled(type == 0);
}

void TAdresyChildForm::RadioGroup1Click() {
    const bool newField = RadioGroup1->ItemIndex() != 1;
    Edit9->SetVisible(newField);
    ComboBox2->SetVisible(!newField);
    ComboBox1->SetEnabled(newField);
    if (!newField) {
        ComboBox2->SetItemIndex(0);
        if (!editingField_) ComboBox2Click();
    }
}

void TAdresyChildForm::ComboBox2Click() {
    const std::string field = AddressFieldByPickerIndex(ComboBox2->ItemIndex(), ComboBox2->Text());
    const TFieldDef* def = Table().FieldDefs().Find(field);
    if (editingField_) {
        auto* control = dynamic_cast<TDataControl*>(selected_);
        if (!control) return;
        const TFieldDef* current = Table().FieldDefs().Find(control->DataField());
        if (!def || !current || def->DataType() != current->DataType()) {
            ShowMessage(Msg(MessageId::IncorrectDataType));
            BitBtn2Click();
            return;
        }
        control->SetDataField(def->Name());
    }
    if (def)
        if (const int type = UserFieldTypeIndex(def->DataType()); type >= 0 && type != ComboBox1->ItemIndex()) {
            ComboBox1->SetItemIndex(type);
            // A new control of the field gets the size of its kind.
            if (!editingField_) ComboBox1Change();
        }
    Edit4->SetText(ComboBox2->Text());
}

void TAdresyChildForm::BitBtn1Click() {
    if (!editingField_ && !newItem_) {
        // The item was added; this OK closes the editor.
        BitBtn2Click();
        return;
    }
    if (editingField_) {
        // An edited control takes the typed place, size and caption; nothing else changes.
        auto number = [](TEdit* e, int fallback) {
            try {
                return std::stoi(e->Text());
            } catch (const std::exception&) {
                return fallback;
            }
        };
        if (selected_) {
            selected_->SetBounds(number(Edit5, selected_->Left()), number(Edit6, selected_->Top()),
                                 number(Edit2, selected_->Width()), number(Edit1, selected_->Height()));
            if (auto* label = dynamic_cast<TLabel*>(selected_)) label->SetCaption(Edit4->Text());
            if (auto* box = dynamic_cast<TCheckBox*>(selected_)) box->SetCaption(Edit4->Text());
        }
        BitBtn2Click();
        return;
    }
    const int type = std::max(0, ComboBox1->ItemIndex());
    std::string field;
    // Everything that can be refused is refused before the table is locked and rebuilt.
    if (RadioGroup1->ItemIndex() == 1) {
        field = AddressFieldByPickerIndex(ComboBox2->ItemIndex(), ComboBox2->Text());
    } else {
        field = CheckNewFieldName(Edit9->Text(), Table());
        const TFieldType fieldType = UserFieldType(type);
        const int size = fieldType == ftString ? CheckCharacterCount(Edit3->Text()) : 0;
        Screen().SetCursor(crHourGlass);
        auto restore = OnScopeExit([] { Screen().SetCursor(crDefault); });
        AddUserField(data_, data_.TableFileName(TableId::Address), field, fieldType, size);
        data_.DataSourceZirt->SetDataSet(data_.AddressTable);
    }
    auto number = [](TEdit* e, int fallback) {
        try {
            return std::stoi(e->Text());
        } catch (const std::exception&) {
            return fallback;
        }
    };
    const TFieldDef* def = Table().FieldDefs().Find(field);
    const TFieldType fieldType = def ? def->DataType() : UserFieldType(type);
    const int32_t kind = fieldType == ftMemo ? ukMemo : fieldType == ftDate ? ukDateEdit : fieldType == ftBoolean ? ukCheckBox
                         : fieldType == ftGraphic ? ukImage : ukEdit;
    TUserFieldRec rec{kind, NextUserControlName(kind, ComponentNames()), number(Edit5, 10), number(Edit6, 10),
                      number(Edit1, 21), number(Edit2, 121), field, Edit4->Text()};
    CreateUserControl(rec);
    if (kind != ukCheckBox && !Edit4->Text().empty())
        CreateUserControl({ukLabel, NextUserControlName(ukLabel, ComponentNames()), number(Edit7, 0), number(Edit8, 0), 0, 0,
                           "", Edit4->Text()});
    // The editor stays open on what was added; its next OK closes it.
    newItem_ = false;
    const int picked = ComboBox2->ItemIndex(), choice = RadioGroup1->ItemIndex();
    const int page = PageControl1->ActivePageIndex();
    FormShow(); // the survey grid and the field picker gain the new field
    ComboBox2->SetItemIndex(picked);
    RadioGroup1->SetItemIndex(choice);
    PageControl1->SetActivePageIndex(page);
    Panel1->Widget()->raise(); // over the controls just placed
}

void TAdresyChildForm::BitBtn2Click() {
    Panel1->SetVisible(false);
    editingField_ = false;
    newItem_ = false;
    for (TControl* c : std::initializer_list<TControl*>{RadioGroup1, ComboBox1, ComboBox2, Edit4}) c->SetEnabled(true);
}

} // namespace kvz
