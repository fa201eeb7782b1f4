// Data-aware controls: standard controls that show one field of a data source's dataset and
// edit it. They share one rule: the dataset enters edit state before a typed key (or a click,
// a paste, a choice) changes the control, and when it cannot (a read-only dataset, field or
// control) the key is refused; Escape shows the field's value again; leaving the control
// writes the field (an error keeps the focus there and reaches the caller). A string field's
// size limits the characters that can be typed.
#pragma once

#include "platform/data/DB.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// The field link of a data-aware control: it focuses the control when its field asks for it.
class TDBFieldLink : public TFieldDataLink {
public:
    explicit TDBFieldLink(TControl* control) : control_(control) {}
    // Puts the dataset into edit state for a change of the control; false when it cannot be.
    bool EditField();

protected:
    void FocusControl(TField** field) override;

private:
    TControl* control_;
};

// What every data-aware control has: its source and field, and a read-only switch of its own.
class TDataControl {
public:
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const std::string& DataField() const { return link_.FieldName(); }
    void SetDataField(std::string name) { link_.SetFieldName(std::move(name)); }
    TField* Field() const { return link_.Field(); }
    bool ReadOnly() const { return link_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    TDBFieldLink& DataLink() { return link_; }
    // Shows the field's value of the record the fields read now (the active one, or the one a
    // control grid paints); a change shown this way is no edit.
    void RefreshField() {
        WhileShowing([this] { ShowField(); });
    }

protected:
    explicit TDataControl(TControl* control);
    virtual ~TDataControl() = default;
    // The field's value into the control (none: empty).
    virtual void ShowField() = 0;
    // The control's value into the field.
    virtual void StoreField() = 0;
    // The read-only state of the widget follows the link.
    virtual void ApplyReadOnly(bool readOnly) = 0;
    // Puts the dataset into edit state for a change of the control; false when it cannot be.
    // A refusal of the dataset goes to the application's handler (the user sees why), and the
    // change is not made.
    bool StartEdit();
    // Writes the field when the control changed it; on an error the control keeps the focus.
    void Leave();
    // The keys of a control that edits text. Escape shows the field's value again (true: the
    // control selects it); a key that changes the text (Backspace, Delete, paste, cut, and
    // whatever `changes` adds) edits the dataset first or is refused.
    bool FieldKeyDown(uint16_t& key, TShiftState shift, const std::function<bool(uint16_t)>& changes = {});
    // A typed character (and, when `returns`, Enter) edits the dataset first or is refused.
    void FieldKeyPress(char32_t& key, bool returns = false);
    // A change of the control by the program or the user: the field is written on leaving.
    void ControlChanged();
    // A change the user made without a key (a click, a choice): the dataset edits and the
    // change stays, or it cannot and the control shows the field again.
    void ChangedByUser(const std::function<void()>& reapply);
    // Runs f while the field's value is being shown (the change is no edit).
    void WhileShowing(const std::function<void()>& f);
    bool IsShowing() const { return showing_ > 0; }
    void UpdateReadOnly();
    TDBFieldLink link_;

private:
    TControl* control_;
    int showing_ = 0;
};

// An edit of one field (text as the field edits it while focused, as it shows it otherwise).
class TDBEdit : public TEdit, public TDataControl {
public:
    explicit TDBEdit(TComponent* owner);
    using TDataControl::ReadOnly;
    using TDataControl::SetReadOnly;

protected:
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoEnter() override;
    void DoExit() override;
    void ShowField() override;
    void StoreField() override;
    void ApplyReadOnly(bool readOnly) override { TEdit::SetReadOnly(readOnly); }
};

// A multi-line edit of a memo or text field; its lines end with CR LF in the field.
class TDBMemo : public TMemo, public TDataControl {
public:
    explicit TDBMemo(TComponent* owner);
    using TDataControl::ReadOnly;
    using TDataControl::SetReadOnly;

protected:
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoExit() override;
    void ShowField() override;
    void StoreField() override;
    void ApplyReadOnly(bool readOnly) override { TMemo::SetReadOnly(readOnly); }
};

// A check box over a field: a boolean field is checked when true; any other field when its
// text is one of ValueChecked (names separated by ";", without regard to case), unchecked when
// it is one of ValueUnchecked, grayed otherwise and when null. Checking writes true or the
// first ValueChecked, unchecking false or the first ValueUnchecked.
class TDBCheckBox : public TCheckBox, public TDataControl {
public:
    explicit TDBCheckBox(TComponent* owner);
    const std::string& ValueChecked() const { return valueChecked_; }
    void SetValueChecked(std::string value);
    const std::string& ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUnchecked(std::string value);
    // Toggles as a click does (the dataset enters edit state first).
    void Toggle();
    void Click() override;

protected:
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void DoExit() override;
    void ShowField() override;
    void StoreField() override;
    void ApplyReadOnly(bool) override {}

private:
    std::string valueChecked_ = "True", valueUnchecked_ = "False";
};

// A combo box over a text field: the edit text is the field's text; a chosen item is stored.
class TDBComboBox : public TComboBox, public TDataControl {
public:
    explicit TDBComboBox(TComponent* owner);
    // Shows the field again after the items changed.
    void ItemsChanged() { RefreshField(); }

protected:
    // The text that goes into the field, and how the field's text shows (descendants that
    // store other values than they show override both).
    virtual std::string ComboValueText() const;
    virtual void ShowFieldText(const std::string& text);
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoExit() override;
    void ShowField() override;
    void StoreField() override;
    void ApplyReadOnly(bool readOnly) override;
};

// The display text of a field, as a label shows it (an "&" in the data is no accelerator).
class TDBText : public TLabel, public TDataControl {
public:
    explicit TDBText(TComponent* owner);

protected:
    void ShowField() override;
    void StoreField() override {}
    void ApplyReadOnly(bool) override {}
};

// The picture of a graphic or BLOB field, centred and scaled down to fit.
// What a picture field holds: the picture as a Windows bitmap file; empty for no picture.
std::string GraphicFieldBytes(const QImage& picture);
// The picture of a picture field's bytes; a null image when they hold none. The 8-byte header
// that older writers put before a bitmap (count 1, type 0x0100, size of the rest) is skipped.
QImage GraphicFieldPicture(std::string_view bytes);

class TDBImage : public TImage, public TDataControl {
public:
    explicit TDBImage(TComponent* owner);
    // Whether the field holds a picture that could be read.
    bool HasPicture() const { return !Picture().isNull(); }

protected:
    void ShowField() override;
    void StoreField() override {}
    void ApplyReadOnly(bool) override {}
};

} // namespace kvz
