#include "platform/forms/DBCtrls.h"

#include "platform/forms/Dialogs.h"
#include "platform/rtl/CodePage.h"

#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
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

} // namespace

// ---- TDBFieldLink / TDataControl --------------------------------------------------------

bool TDBFieldLink::EditField() { return CanModify() && Edit(); }

void TDBFieldLink::FocusControl(TField** field) {
    if (field && *field && *field == Field()) {
        *field = nullptr;
        if (auto* win = dynamic_cast<TWinControl*>(control_); win && win->CanFocus()) win->SetFocus();
    }
}

TDataControl::TDataControl(TControl* control) : link_(control), control_(control) {
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
        if (auto* win = dynamic_cast<TWinControl*>(control_); win && win->CanFocus()) win->SetFocus();
        throw;
    }
}

bool TDataControl::FieldKeyDown(uint16_t& key, TShiftState shift, const std::function<bool(uint16_t)>& changes) {
    if (key == VK_ESCAPE && link_.Field()) {
        link_.Reset();
        key = 0;
        return true;
    }
    if ((ChangesText(key, shift) || (changes && changes(key))) && !StartEdit()) key = 0;
    return false;
}

void TDataControl::FieldKeyPress(char32_t& key, bool returns) {
    if ((Typed(key) || (returns && key == '\r')) && !StartEdit()) {
        MessageBeep(0);
        key = 0;
    }
}

void TDataControl::ChangedByUser(const std::function<void()>& reapply) {
    if (IsShowing()) return;
    if (!link_.Editing()) {
        // Entering edit state shows the field's value again; the user's change comes back after.
        if (!StartEdit()) {
            link_.Reset(); // nothing of the refused change is left to write
            return;
        }
        WhileShowing(reapply);
    }
    link_.SetModified();
}

// ---- TDBEdit ----------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* owner) : TEdit(owner), TDataControl(this) {
    QObject::connect(Edit(), &QLineEdit::textChanged, Edit(), [this] { ControlChanged(); });
    UpdateReadOnly();
}

void TDBEdit::ShowField() {
    TField* field = Field();
    SetMaxLength(field && field->DataType() == ftString ? field->Size() : 0);
    if (!field) {
        SetText("");
        return;
    }
    Edit()->setAlignment(field->Alignment() == taRightJustify ? Qt::AlignRight | Qt::AlignVCenter
                         : field->Alignment() == taCenter     ? Qt::AlignCenter
                                                              : Qt::AlignLeft | Qt::AlignVCenter);
    SetText(Focused() && link_.CanModify() ? field->Text() : field->DisplayText());
}

void TDBEdit::StoreField() {
    if (TField* field = Field()) field->SetText(Text());
}

void TDBEdit::KeyDown(uint16_t& key, TShiftState shift) {
    TEdit::KeyDown(key, shift);
    if (FieldKeyDown(key, shift)) SelectAll();
}

void TDBEdit::KeyPress(char32_t& key) {
    TEdit::KeyPress(key);
    FieldKeyPress(key);
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

TDBMemo::TDBMemo(TComponent* owner) : TMemo(owner), TDataControl(this) {
    SetLineEndsCountTwo(true); // the field holds CR LF
    QObject::connect(static_cast<QPlainTextEdit*>(Widget()), &QPlainTextEdit::textChanged, Widget(),
                     [this] { ControlChanged(); });
    UpdateReadOnly();
}

void TDBMemo::ShowField() {
    TField* field = Field();
    SetMaxLength(field && field->DataType() == ftString ? field->Size() : 0);
    SetText(field ? field->AsString() : std::string());
}

void TDBMemo::StoreField() {
    TField* field = Field();
    if (!field) return;
    std::string text;
    for (char c : Text()) {
        if (c == '\n') text += '\r';
        text += c;
    }
    field->SetAsString(text);
}

void TDBMemo::KeyDown(uint16_t& key, TShiftState shift) {
    TMemo::KeyDown(key, shift);
    FieldKeyDown(key, shift, [](uint16_t k) { return k == VK_RETURN; });
}

void TDBMemo::KeyPress(char32_t& key) {
    TMemo::KeyPress(key);
    FieldKeyPress(key, true);
}

void TDBMemo::DoExit() {
    Leave();
    TMemo::DoExit();
}

// ---- TDBCheckBox ------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(TComponent* owner) : TCheckBox(owner), TDataControl(this) { UpdateReadOnly(); }

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

void TDBCheckBox::Click() {
    if (IsShowing()) return; // the field's value, not a click
    const TCheckBoxState wanted = State();
    ChangedByUser([&] { SetState(wanted); });
    if (link_.Modified()) TCheckBox::Click();
}

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

void TDBCheckBox::KeyDown(uint16_t& key, TShiftState shift) {
    TCheckBox::KeyDown(key, shift);
    if (key == VK_ESCAPE && Field()) {
        link_.Reset();
        key = 0;
    }
}

void TDBCheckBox::DoExit() {
    Leave();
    TCheckBox::DoExit();
}

// ---- TDBComboBox ------------------------------------------------------------------------

TDBComboBox::TDBComboBox(TComponent* owner) : TComboBox(owner), TDataControl(this) {
    auto* combo = static_cast<QComboBox*>(Widget());
    QObject::connect(combo, &QComboBox::currentTextChanged, combo, [this] { ControlChanged(); });
    // A choice from the list edits the dataset first, or is undone.
    QObject::connect(combo, &QComboBox::activated, combo, [this](int index) {
        ChangedByUser([this, index] { SetItemIndex(index); });
    });
    UpdateReadOnly();
}

std::string TDBComboBox::ComboValueText() const {
    if (Style() != TComboBoxStyle::csDropDownList) return Text();
    const int index = ItemIndex();
    return index >= 0 ? const_cast<TDBComboBox*>(this)->Items()[index] : std::string();
}

void TDBComboBox::ShowFieldText(const std::string& text) {
    const int index = text.empty() ? -1 : Items().IndexOf(text);
    SetItemIndex(index);
    if (index < 0 && Style() != TComboBoxStyle::csDropDownList) SetText(text);
}

void TDBComboBox::ShowField() {
    TField* field = Field();
    SetMaxLength(field && field->DataType() == ftString ? field->Size() : 0);
    ShowFieldText(field ? field->Text() : std::string());
}

void TDBComboBox::StoreField() {
    if (TField* field = Field()) field->SetText(ComboValueText());
}

void TDBComboBox::ApplyReadOnly(bool readOnly) {
    if (QLineEdit* edit = static_cast<QComboBox*>(Widget())->lineEdit()) edit->setReadOnly(readOnly);
}

void TDBComboBox::KeyDown(uint16_t& key, TShiftState shift) {
    TComboBox::KeyDown(key, shift);
    // Up and Down choose another item.
    if (FieldKeyDown(key, shift, [](uint16_t k) { return k == VK_UP || k == VK_DOWN; }))
        if (QLineEdit* edit = static_cast<QComboBox*>(Widget())->lineEdit()) edit->selectAll();
}

void TDBComboBox::KeyPress(char32_t& key) {
    TComboBox::KeyPress(key);
    FieldKeyPress(key);
}

void TDBComboBox::DoExit() {
    Leave();
    TComboBox::DoExit();
}

// ---- TDBText ----------------------------------------------------------------------------

TDBText::TDBText(TComponent* owner) : TLabel(owner), TDataControl(this) { SetAutoSize(false); }

void TDBText::ShowField() {
    TField* field = Field();
    std::string text;
    // Doubled, an "&" of the data shows as itself.
    for (char c : field ? field->DisplayText() : std::string()) {
        if (c == '&') text += '&';
        text += c;
    }
    SetCaption(text);
}

// ---- TDBImage ---------------------------------------------------------------------------

TDBImage::TDBImage(TComponent* owner) : TImage(owner), TDataControl(this) {
    SetCenter(true);
    SetProportional(true);
    SetBounds(0, 0, 105, 105);
}

std::string GraphicFieldBytes(const QImage& picture) {
    if (picture.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes.toStdString();
}

QImage GraphicFieldPicture(std::string_view bytes) {
    constexpr size_t kHeaderSize = 8;
    auto le = [&](size_t at, int size) {
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + size_t(i)]);
        return value;
    };
    if (bytes.size() > kHeaderSize && le(0, 2) == 1 && le(2, 2) == 0x0100 && le(4, 4) == bytes.size() - kHeaderSize)
        bytes.remove_prefix(kHeaderSize);
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    return image;
}

void TDBImage::ShowField() {
    TField* field = Field();
    SetPicture(field && !field->IsNull() ? GraphicFieldPicture(field->AsString()) : QImage());
}

} // namespace kvz
