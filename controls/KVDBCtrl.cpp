#include "controls/KVDBCtrl.h"

#include "controls/ToolEditPaint.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Clock.h"

namespace kvz {

// ---- TKvDBComboBox ----------------------------------------------------------------------

TKvDBComboBox::TKvDBComboBox(TComponent* owner) : TDBComboBox(owner) {}

TItemValues TKvDBComboBox::Map() const {
    return {const_cast<TKvDBComboBox*>(this)->Items().ToVector(), values_, enableValues_};
}

void TKvDBComboBox::SetValues(std::vector<std::string> values) {
    values_ = std::move(values);
    if (enableValues_) ItemsChanged();
}

void TKvDBComboBox::SetItems(const std::vector<std::string>& items) {
    Items().Assign(items);
    ItemsChanged();
}

void TKvDBComboBox::SetEnableValues(bool on) {
    enableValues_ = on;
    if (on) TComboBox::SetStyle(TComboBoxStyle::csDropDownList);
    ItemsChanged();
}

void TKvDBComboBox::SetStyle(TComboBoxStyle style) {
    TComboBox::SetStyle(enableValues_ ? TComboBoxStyle::csDropDownList : style);
    TDataControl::UpdateReadOnly();
    ItemsChanged();
}

std::string TKvDBComboBox::ComboValueText() const {
    if (Style() == TComboBoxStyle::csDropDown && !enableValues_) return Text();
    return Map().ValueOfIndex(ItemIndex());
}

void TKvDBComboBox::ShowFieldText(const std::string& text) {
    if (text == ComboValueText()) return;
    if (Style() == TComboBoxStyle::csDropDown) {
        SetText(text);
        return;
    }
    SetItemIndex(Map().IndexOfFieldText(text));
}

std::string TKvDBComboBox::CopyPaintText() const {
    TField* field = Field();
    return field ? Map().ShownText(field->Text()) : std::string();
}

// ---- TDBDateEdit ------------------------------------------------------------------------

TDBDateEdit::TDBDateEdit(TComponent* owner) : TCustomDateEdit(owner), TDataControl(this) {
    AlwaysEnable = true; // the calendar opens before the record is being edited
    link_.OnEditingChange = [this] { EditingChanged(); };
    // A date from the calendar or the dialog is taken only when the record can be edited.
    OnAcceptDate = [this](TComponent*, TDateTime&, bool& action) {
        TDataSet* ds = link_.DataSet();
        action = action && ds && ds->CanModify() && StartEdit();
    };
    TDataControl::UpdateReadOnly();
    RefreshField();
}

void TDBDateEdit::EditingChanged() {
    TDataControl::UpdateReadOnly();
    TField* field = Field();
    if (link_.Editing() && DefaultToday() && field && (field->IsNull() || field->AsDateTime() == 0))
        field->SetAsDateTime(Now());
}

void TDBDateEdit::ShowField() {
    TField* field = Field();
    SetDate(field && !field->IsNull() ? field->AsDateTime() : 0);
}

void TDBDateEdit::StoreField() {
    TField* field = Field();
    if (!field) return;
    const TDateTime date = TextModel().ValidDate(Text());
    if (date == 0) {
        field->Clear();
        return;
    }
    const TDateTime previous = field->IsNull() ? 0 : field->AsDateTime();
    field->SetAsDateTime(DayWithTimeOf(date, previous));
}

void TDBDateEdit::TakeValue(const TPopupValue& value) {
    TCustomDateEdit::TakeValue(value);
    if (!IsShowing()) link_.SetModified();
}

void TDBDateEdit::Change() {
    ControlChanged(); // the link knows of the change before OnChange
    TCustomDateEdit::Change();
}

void TDBDateEdit::KeyDown(uint16_t& key, TShiftState shift) {
    if (Field() && !link_.ReadOnly() && (key == VK_DELETE || (key == VK_INSERT && (shift & ssShift))) && !StartEdit())
        key = 0;
    TCustomDateEdit::KeyDown(key, shift);
    if (key && FieldKeyDown(key, shift)) SelectAll();
}

void TDBDateEdit::KeyPress(char32_t& key) {
    if (Field()) {
        const std::string& separator = Settings().DateSeparator;
        const bool dateKey = key == U'+' || key == U'-' || key == U'T' || key == U't';
        if (dateKey) {
            if (!StartEdit()) key = 0;
        } else if (key >= 32 && !(key >= U'0' && key <= U'9') && (key > 127 || separator.find(static_cast<char>(key)) == std::string::npos)) {
            MessageBeep(0);
            key = 0;
        }
    }
    if (!key) return;
    TCustomDateEdit::KeyPress(key);
    if (key) FieldKeyPress(key);
}

void TDBDateEdit::DoExit() {
    // The field takes the text when the user leaves for another control; a box that the save
    // shows about this very text takes the focus too, and must not make the edit say it again.
    if (!FocusMovedWithinWindow()) {
        TCustomComboEdit::DoExit();
        return;
    }
    try {
        if (CheckOnExit()) ValidateDateText();
        Leave();
    } catch (...) {
        SelectAll();
        if (CanFocus()) SetFocus();
        throw;
    }
    TCustomComboEdit::DoExit();
}

std::string TDBDateEdit::CopyText() const {
    TField* field = Field();
    if (field && !field->IsNull() && field->AsDateTime() != 0) return TextModel().TextOf(field->AsDateTime());
    std::string blank;
    for (char c : TextModel().DateFormat()) {
        if (c == '/')
            blank += Settings().DateSeparator;
        else
            blank += c == 'Y' || c == 'M' || c == 'D' ? ' ' : c;
    }
    return blank;
}

void TDBDateEdit::PaintCopy(TCanvas& canvas) {
    TField* field = Field();
    PaintComboEditText(*this, CopyText(), field ? field->Alignment() : taLeftJustify, canvas);
}

} // namespace kvz
