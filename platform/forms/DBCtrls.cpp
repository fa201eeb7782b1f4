#include "platform/forms/DBCtrls.h"

#include "platform/forms/Dialogs.h"
#include "platform/rtl/CodePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>

#include <algorithm>

namespace kvz {

namespace {

// Keys that change a text: Backspace, Delete, and Ctrl with V (paste) or X (cut).
bool ChangesText(uint16_t key, TShiftState shift) {
    if (key == VK_BACK || (key == VK_DELETE && !(shift & ssCtrl))) return true;
    return (shift & ssCtrl) && (key == 'V' || key == 'X');
}

bool Typed(char32_t key) { return key >= 32 && key != 127; }

bool EqualsOneOf(const std::string& text, const std::string& names) {
    for (const std::string& name : SplitFieldNames(names))
        if (CompareTextUtf8(text, name) == 0) return true;
    return false;
}

std::string FirstOf(const std::string& names) {
    auto list = SplitFieldNames(names);
    return list.empty() ? std::string() : list.front();
}

// A scroll area paints its viewport itself; the control's paint report does not apply to it.
template <class Base>
class TScrollAreaWidget : public TControlWidget<Base> {
public:
    using TControlWidget<Base>::TControlWidget;

protected:
    void paintEvent(QPaintEvent* e) override { Base::paintEvent(e); }
};

} // namespace

// ---- TDBFieldLink / TDataControl --------------------------------------------------------

bool TDBFieldLink::EditField() { return CanModify() && Edit(); }

void TDBFieldLink::FocusControl(TField** field) {
    if (field && *field && *field == Field()) {
        *field = nullptr;
        if (control_->CanFocus()) control_->SetFocus();
    }
}

TDataControl::TDataControl(TWinControl* control) : link_(control), control_(control) {
    link_.OnDataChange = [this] {
        RefreshField();
        UpdateReadOnly();
    };
    link_.OnActiveChange = [this] { UpdateReadOnly(); };
    link_.OnEditingChange = [this] { UpdateReadOnly(); };
    link_.OnUpdateData = [this] { StoreField(); };
}

void TDataControl::SetReadOnly(bool readOnly) {
    link_.SetReadOnly(readOnly);
    UpdateReadOnly();
}

void TDataControl::UpdateReadOnly() {
    // Read-only when the link is, or when the dataset or field cannot take a value at all.
    TField* field = link_.Field();
    TDataSet* ds = link_.DataSet();
    const bool canModify = field && ds && !link_.ReadOnly() && !field->ReadOnly() && ds->CanModify() &&
                           field->FieldKind() == fkData;
    ApplyReadOnly(!canModify);
}

void TDataControl::WhileShowing(const std::function<void()>& f) {
    ++showing_;
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{showing_};
    f();
}

void TDataControl::ControlChanged() {
    if (!IsShowing()) link_.SetModified();
}

bool TDataControl::StartEdit() {
    bool editing = false;
    Guarded([&] { editing = link_.EditField(); });
    return editing;
}

void TDataControl::Leave() {
    try {
        link_.UpdateRecord();
    } catch (...) {
        if (control_->CanFocus()) control_->SetFocus();
        throw;
    }
}

// ---- TDBEdit ----------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* owner) : TEdit(owner), TDataControl(this) {
    QObject::connect(LineEdit(), &QLineEdit::textChanged, LineEdit(), [this] { ControlChanged(); });
    UpdateReadOnly();
}

QLineEdit* TDBEdit::LineEdit() const { return static_cast<QLineEdit*>(Widget()); }

void TDBEdit::ShowField() {
    TField* field = Field();
    QLineEdit* edit = LineEdit();
    edit->setMaxLength(field && field->DataType() == ftString && field->Size() > 0 ? field->Size() : 32767);
    if (!field) {
        SetText("");
        return;
    }
    edit->setAlignment(field->Alignment() == taRightJustify ? Qt::AlignRight | Qt::AlignVCenter
                       : field->Alignment() == taCenter     ? Qt::AlignCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
    SetText(Focused() && link_.CanModify() ? field->Text() : field->DisplayText());
}

void TDBEdit::StoreField() {
    if (TField* field = Field()) field->SetText(Text());
}

void TDBEdit::ApplyReadOnly(bool readOnly) { LineEdit()->setReadOnly(readOnly); }

void TDBEdit::KeyDown(uint16_t& key, TShiftState shift) {
    TEdit::KeyDown(key, shift);
    if (key == VK_ESCAPE && Field()) {
        link_.Reset();
        LineEdit()->selectAll();
        key = 0;
    } else if (ChangesText(key, shift) && !StartEdit()) {
        key = 0;
    }
}

void TDBEdit::KeyPress(char32_t& key) {
    TEdit::KeyPress(key);
    if (Typed(key) && !StartEdit()) {
        MessageBeep(0);
        key = 0;
    }
}

void TDBEdit::DoEnter() {
    RefreshField(); // the text as the field edits it
    TEdit::DoEnter();
}

void TDBEdit::DoExit() {
    Leave();
    if (!link_.Modified()) RefreshField();
    TEdit::DoExit();
}

// ---- TDBMemo ----------------------------------------------------------------------------

TDBMemo::TDBMemo(TComponent* owner) : TWinControl(owner, new TScrollAreaWidget<QPlainTextEdit>(this)), TDataControl(this) {
    QObject::connect(Edit(), &QPlainTextEdit::textChanged, Edit(), [this] {
        ControlChanged();
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 185, 89);
    UpdateReadOnly();
}

QPlainTextEdit* TDBMemo::Edit() const { return static_cast<QPlainTextEdit*>(Widget()); }

std::string TDBMemo::Text() const {
    // Lines end with CR LF, as the memo fields of the tables keep them.
    return Edit()->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")).toStdString();
}

void TDBMemo::SetText(const std::string& text) {
    QString plain = ToQString(text);
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (plain != Edit()->toPlainText()) Edit()->setPlainText(plain);
}

void TDBMemo::ShowField() {
    TField* field = Field();
    SetText(field ? field->AsString() : std::string());
}

void TDBMemo::StoreField() {
    if (TField* field = Field()) field->SetAsString(Text());
}

void TDBMemo::ApplyReadOnly(bool readOnly) { Edit()->setReadOnly(readOnly); }

void TDBMemo::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_ESCAPE && Field()) {
        link_.Reset();
        key = 0;
    } else if ((ChangesText(key, shift) || key == VK_RETURN) && !StartEdit()) {
        key = 0;
    }
}

void TDBMemo::KeyPress(char32_t& key) {
    TWinControl::KeyPress(key);
    if ((Typed(key) || key == '\r') && !StartEdit()) {
        MessageBeep(0);
        key = 0;
    }
}

void TDBMemo::DoExit() {
    Leave();
    TWinControl::DoExit();
}

// ---- TDBCheckBox ------------------------------------------------------------------------

// The box asks its control before it changes, so that the dataset edits first.
class TDBCheckBox::Box : public TControlWidget<QCheckBox> {
public:
    Box(TDBCheckBox* control) : TControlWidget<QCheckBox>(control), control_(control) {}

protected:
    void nextCheckState() override {
        if (!control_->StartEdit()) return;
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

private:
    TDBCheckBox* control_;
};

TDBCheckBox::TDBCheckBox(TComponent* owner) : TWinControl(owner, new Box(this)), TDataControl(this) {
    CheckBox()->setTristate(false);
    QObject::connect(CheckBox(), &QCheckBox::stateChanged, CheckBox(), [this] { ControlChanged(); });
    SetBounds(0, 0, 97, 17);
    UpdateReadOnly();
}

QCheckBox* TDBCheckBox::CheckBox() const { return static_cast<QCheckBox*>(Widget()); }

TCheckBoxState TDBCheckBox::State() const {
    switch (CheckBox()->checkState()) {
    case Qt::Checked: return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked: return TCheckBoxState::cbGrayed;
    default: return TCheckBoxState::cbUnchecked;
    }
}

void TDBCheckBox::SetState(TCheckBoxState state) {
    CheckBox()->setCheckState(state == TCheckBoxState::cbChecked   ? Qt::Checked
                              : state == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                  : Qt::Unchecked);
}

void TDBCheckBox::SetValueChecked(std::string value) {
    valueChecked_ = std::move(value);
    RefreshField();
}

void TDBCheckBox::SetValueUnchecked(std::string value) {
    valueUnchecked_ = std::move(value);
    RefreshField();
}

void TDBCheckBox::Toggle() {
    if (!StartEdit()) return;
    SetChecked(!Checked());
}

void TDBCheckBox::TextChanged() { CheckBox()->setText(ToQString(Caption())); }

void TDBCheckBox::ShowField() {
    TField* field = Field();
    TCheckBoxState state = TCheckBoxState::cbUnchecked;
    if (field && field->IsNull()) {
        state = TCheckBoxState::cbGrayed;
    } else if (field && field->DataType() == ftBoolean) {
        state = field->AsBoolean() ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked;
    } else if (field) {
        const std::string text = field->Text();
        if (EqualsOneOf(text, valueChecked_))
            state = TCheckBoxState::cbChecked;
        else if (!EqualsOneOf(text, valueUnchecked_))
            state = TCheckBoxState::cbGrayed;
    }
    SetState(state);
}

void TDBCheckBox::StoreField() {
    TField* field = Field();
    if (!field) return;
    switch (State()) {
    case TCheckBoxState::cbGrayed: field->Clear(); break;
    case TCheckBoxState::cbChecked:
        if (field->DataType() == ftBoolean)
            field->SetAsBoolean(true);
        else
            field->SetText(FirstOf(valueChecked_));
        break;
    case TCheckBoxState::cbUnchecked:
        if (field->DataType() == ftBoolean)
            field->SetAsBoolean(false);
        else
            field->SetText(FirstOf(valueUnchecked_));
        break;
    }
}

void TDBCheckBox::ApplyReadOnly(bool) {}

void TDBCheckBox::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_ESCAPE && Field()) {
        link_.Reset();
        key = 0;
    }
}

void TDBCheckBox::DoExit() {
    Leave();
    TWinControl::DoExit();
}

// ---- TDBComboBox ------------------------------------------------------------------------

// The box asks its control before the list opens, so that the dataset edits first.
class TDBComboBox::Box : public TControlWidget<QComboBox> {
public:
    Box(TDBComboBox* control) : TControlWidget<QComboBox>(control), control_(control) {}
    void showPopup() override {
        if (control_->StartEdit()) QComboBox::showPopup();
    }

private:
    TDBComboBox* control_;
};

TDBComboBox::TDBComboBox(TComponent* owner) : TWinControl(owner, new Box(this)), TDataControl(this) {
    QComboBox* combo = Combo();
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    auto changed = [this] {
        ControlChanged();
        Guarded([this] {
            if (OnChange && !IsShowing()) OnChange(this);
        });
    };
    QObject::connect(combo, &QComboBox::currentTextChanged, combo, changed);
    SetBounds(0, 0, 145, 21);
    UpdateReadOnly();
}

QComboBox* TDBComboBox::Combo() const { return static_cast<QComboBox*>(Widget()); }

void TDBComboBox::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    WhileShowing([this] {
        Combo()->clear();
        for (const std::string& item : items_) Combo()->addItem(ToQString(item));
        ShowField();
    });
}

int TDBComboBox::ItemIndex() const { return Combo()->currentIndex(); }

void TDBComboBox::SetItemIndex(int index) { Combo()->setCurrentIndex(index); }

std::string TDBComboBox::Text() const { return Combo()->currentText().toStdString(); }

void TDBComboBox::SetDropDownList(bool on) {
    dropDownList_ = on;
    WhileShowing([this] {
        Combo()->setEditable(!dropDownList_);
        ShowField();
    });
    UpdateReadOnly();
}

std::string TDBComboBox::ComboValueText() const {
    if (!dropDownList_) return Text();
    return ItemIndex() >= 0 ? items_.at(static_cast<size_t>(ItemIndex())) : std::string();
}

void TDBComboBox::ShowFieldText(const std::string& text) {
    const auto it = std::find(items_.begin(), items_.end(), text);
    const int index = text.empty() || it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    Combo()->setCurrentIndex(index);
    if (index < 0 && !dropDownList_) Combo()->setEditText(ToQString(text));
}

void TDBComboBox::ShowField() {
    TField* field = Field();
    ShowFieldText(field ? field->Text() : std::string());
}

void TDBComboBox::StoreField() {
    if (TField* field = Field()) field->SetText(ComboValueText());
}

void TDBComboBox::ApplyReadOnly(bool readOnly) {
    if (QLineEdit* edit = Combo()->lineEdit()) edit->setReadOnly(readOnly);
}

void TDBComboBox::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_ESCAPE && Field()) {
        link_.Reset();
        if (QLineEdit* edit = Combo()->lineEdit()) edit->selectAll();
        key = 0;
    } else if ((ChangesText(key, shift) || key == VK_UP || key == VK_DOWN) && !StartEdit()) {
        key = 0;
    }
}

void TDBComboBox::KeyPress(char32_t& key) {
    TWinControl::KeyPress(key);
    if (Typed(key) && !StartEdit()) {
        MessageBeep(0);
        key = 0;
    }
}

void TDBComboBox::DoExit() {
    Leave();
    TWinControl::DoExit();
}

// ---- TDBText ----------------------------------------------------------------------------

TDBText::TDBText(TComponent* owner) : TWinControl(owner, new TControlWidget<QLabel>(this)), TDataControl(this) {
    Label()->setTextFormat(Qt::PlainText);
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 65, 17);
    SetAlignment(taLeftJustify);
}

QLabel* TDBText::Label() const { return static_cast<QLabel*>(Widget()); }

std::string TDBText::Text() const { return Label()->text().toStdString(); }

void TDBText::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Label()->setAlignment(alignment == taRightJustify ? Qt::AlignRight | Qt::AlignVCenter
                          : alignment == taCenter     ? Qt::AlignCenter
                                                      : Qt::AlignLeft | Qt::AlignVCenter);
}

void TDBText::ShowField() {
    TField* field = Field();
    Label()->setText(field ? ToQString(field->DisplayText()) : QString());
}

// ---- TDBImage ---------------------------------------------------------------------------

TDBImage::TDBImage(TComponent* owner) : TWinControl(owner, new TControlWidget<QLabel>(this)), TDataControl(this) {
    Label()->setAlignment(Qt::AlignCenter);
    SetBounds(0, 0, 105, 105);
}

QLabel* TDBImage::Label() const { return static_cast<QLabel*>(Widget()); }

void TDBImage::ShowField() {
    TField* field = Field();
    QImage image;
    if (field && !field->IsNull()) {
        const std::string bytes = field->AsString();
        image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    }
    hasPicture_ = !image.isNull();
    if (!hasPicture_) {
        Label()->clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    const QSize room = Label()->contentsRect().size();
    if (pixmap.width() > room.width() || pixmap.height() > room.height())
        pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Label()->setPixmap(pixmap);
}

void TDBImage::Resize() {
    TWinControl::Resize();
    RefreshField();
}

} // namespace kvz
