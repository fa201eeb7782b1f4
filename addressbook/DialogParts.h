// What the import, send-to and export dialogs share: a heading, a column of source or format
// boxes, a column of table boxes that exclude each other, and Help, Cancel and OK.
#pragma once

#include "addressbook/Exchange.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <initializer_list>
#include <optional>
#include <utility>

class QHBoxLayout;

namespace kvz {

using NamedBox = std::pair<TCheckBox*, const char*>;

// The italic heading across the top of the form.
void PlaceHeading(TForm& form, TLabel& heading, int width);
// A column of check boxes from the top, below the heading.
void PlaceColumn(TForm& form, std::initializer_list<NamedBox> boxes, int left, int width);
// Help, Cancel and OK in a row ending at the right edge; OK is the default button.
void PlaceButtons(TForm& form, TButton& help, TButton& cancel, TButton& ok, int top);
// Checking one box of the group unchecks the others.
void MakeExclusive(std::initializer_list<TCheckBox*> boxes);

// The table boxes Address, Tasks, Links and All: their captions, and the group of the checked one.
struct TableBoxes {
    TCheckBox* Address;
    TCheckBox* Tasks;
    TCheckBox* Links;
    TCheckBox* All;
    void ShowCaptions() const;
    std::optional<TableGroup> Checked() const;
};
// Help and Cancel from the catalogue.
void ShowButtonCaptions(TButton& help, TButton& cancel);
// A row for the bottom of a laid-out form: OK, the default button, at its right.
QHBoxLayout* OkButtonRow(TForm& form, TButton& ok);

} // namespace kvz
