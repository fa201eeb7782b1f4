// The library's data-aware controls and their neighbours: the colour combo box, the grid with
// marked rows, coloured cells and title buttons, the combo box that shows one text and stores
// another, and the date edit of a date field.
#pragma once

#include "controls/KVDBCtrlModel.h"
#include "controls/ToolEdit.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

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

} // namespace kvz
