// Rows of (label, control, control, ...) laid into a grid: a window's fields as a short table
// instead of a page of addWidget calls. The grid follows the desktop's font and the longer words
// of a language, as every Qt layout does.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

class QGridLayout;
class QWidget;

namespace kvz {

class TComponent;
class TControl;
class TLabel;
class TWinControl;

// One cell of a row: a control spanning one or more columns, or nothing (the column stays
// empty, so that the columns below and above stay aligned).
struct TGridCell {
    TGridCell(TControl* control, int span = 1) : Control(control), Span(span) {}
    TGridCell(std::nullptr_t) {}
    TControl* Control = nullptr;
    int Span = 1;
};

// A row: the name of the label the helper makes in the first column (empty: no label), then
// the cells from the second column on. A whole row (WholeRow) holds one control over every
// column: an explanation above the fields, a check box.
struct TGridRow {
    std::string Label;
    std::vector<TGridCell> Cells;
    bool Whole = false;
};

inline TGridRow WholeRow(TControl* control) { return {std::string(), {TGridCell(control)}, true}; }

// Adds the rows below what the grid holds. Each label is a TLabel owned by owner, shown in
// parent and named as given (its caption comes from the caption table), and moves the focus to
// the row's first control for Alt and its underlined letter. Returns the labels in row order
// (nullptr for rows without one).
std::vector<TLabel*> AddGridRows(QGridLayout& grid, TComponent* owner, TWinControl* parent,
                                       std::initializer_list<TGridRow> rows);

// A wizard's client area: its pages over all of it, and below them Help on the left, Back and
// Next on the right, and Cancel set apart from them.
void LayOutWizard(QWidget* client, TControl* pages, TControl* help, TControl* back, TControl* next,
                  TControl* cancel);

// A wizard's last page: its text at the top, and the button that finishes at the bottom right.
void LayOutLastPage(QWidget* page, TControl* text, TControl* finish);

} // namespace kvz
