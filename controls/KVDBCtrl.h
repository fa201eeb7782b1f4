// The library's data-aware controls and their neighbours: the colour combo box, the grid with
// marked rows, coloured cells and title buttons, the combo box that shows one text and stores
// another, and the date edit of a date field. The grid has a header of its own (KvDBGrid.h).
#pragma once

#include "controls/KVDBCtrlModel.h"
#include "controls/KvDBGrid.h"
#include "controls/ToolEdit.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QHeaderView;
class QMouseEvent;

namespace kvz {

class TFormPlacement;
class TIniLink;

// ---- Colour combo box -------------------------------------------------------------------

enum TColorComboOption : unsigned { coIncludeDefault = 1, coIncludeNone = 2 };
using TColorComboOptions = unsigned;

// A list of the 16 basic colours (and, by Options, no colour and the default colour) drawn as
// swatches with their names; the chosen colour is ColorValue. A colour outside the list shows
// as its hex text, which ColorValue reads back.
class TColorComboBox : public TComboBox {
public:
    explicit TColorComboBox(TComponent* owner);

    TColor ColorValue() const;
    void SetColorValue(TColor value);
    bool DisplayNames() const { return displayNames_; }
    void SetDisplayNames(bool on);
    // Line i replaces the name of the i-th colour of the table; an empty line keeps it.
    const std::vector<std::string>& ColorNames() const { return colorNames_; }
    void SetColorNames(std::vector<std::string> names);
    TColorComboOptions Options() const { return options_; }
    void SetOptions(TColorComboOptions options);
    void SetStyle(TComboBoxStyle style);
    // The colour of a listed item.
    TColor ItemColor(int index);

    // After ColorValue changed, by the user or the program.
    TNotifyEvent OnChange;

protected:
    virtual void FillColorList();

private:
    class Delegate;
    void Changed();
    void ShowValue();
    void TextEdited();
    TColor value_ = clBlack;
    bool displayNames_ = true;
    std::vector<std::string> colorNames_;
    TColorComboOptions options_ = 0;
};

// ---- Data-aware combo box --------------------------------------------------------------

// A combo box over a field that shows Items and, with EnableValues, stores the Values line of
// the same position ("Áno"/"Nie" shown, "True"/"False" stored); EnableValues makes it a
// drop-down list. A field text not among the values shows no choice.
class TKvDBComboBox : public TDBComboBox {
public:
    explicit TKvDBComboBox(TComponent* owner);

    const std::vector<std::string>& Values() const { return values_; }
    void SetValues(std::vector<std::string> values);
    void SetItems(const std::vector<std::string>& items);
    bool EnableValues() const { return enableValues_; }
    void SetEnableValues(bool on);
    // An edit field is refused while EnableValues holds.
    void SetStyle(TComboBoxStyle style);
    // The text that shows for the record the fields read now (a copy in a control grid).
    std::string CopyPaintText() const;

protected:
    std::string ComboValueText() const override;
    void ShowFieldText(const std::string& text) override;

private:
    TItemValues Map() const;
    std::vector<std::string> values_;
    bool enableValues_ = false;
};

// ---- Data-aware date edit ---------------------------------------------------------------

// A date edit over a date field. A null date shows blanks in the date's shape (today with
// DefaultToday, which also gives an empty field the current date when editing starts); a new
// day keeps the time of day the field held; a day that cannot be stored is refused on leaving.
class TDBDateEdit : public TCustomDateEdit, public TDataControl {
public:
    explicit TDBDateEdit(TComponent* owner);
    using TDataControl::ReadOnly;
    using TDataControl::SetReadOnly;
    // The picture of the field's value for another record (the fields read that record).
    void PaintCopy(TCanvas& canvas);
    // The text a copy shows: the field's date, or blanks in the date's shape.
    std::string CopyText() const;

protected:
    bool GetReadOnly() const override { return link_.ReadOnly(); }
    void TakeValue(const TPopupValue& value) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void DoExit() override;
    void Change() override;
    void ShowField() override;
    void StoreField() override;
    void ApplyReadOnly(bool readOnly) override { TCustomComboEdit::SetReadOnly(readOnly); }

private:
    void EditingChanged();
};

} // namespace kvz
