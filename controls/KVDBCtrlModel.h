// The rules of the data-aware grid and combo boxes that need no painting: how rows are marked
// with the keyboard and the mouse, the colour table of the colour combo box, the items shown
// against the values stored by a data-aware combo box, and a date stored with its time of day.
#pragma once

#include "platform/data/DB.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/DateTime.h"

#include <optional>
#include <string>
#include <vector>

namespace kvz {

// ---- Marked rows ------------------------------------------------------------------------

// What the marking rules act on: the current row of a dataset and the list of marked rows.
class TRowMarks {
public:
    virtual ~TRowMarks() = default;
    virtual TBookmark Current() const = 0;
    virtual bool CurrentMarked() const = 0;
    virtual void SetCurrentMarked(bool marked) = 0;
    virtual void ClearMarks() = 0;
    // Negative, 0, positive.
    virtual int Compare(const TBookmark& a, const TBookmark& b) const = 0;
    // Moves the current row; false when it could not move.
    virtual bool MoveBy(int distance) = 0;
};

// Shift with Up or Down extends the marks from an anchor (a step back towards it unmarks),
// Ctrl with a click toggles a row, a plain click marks only the clicked row (ClearSelection),
// and most other moves clear the marks.
class TRowMarking {
public:
    explicit TRowMarking(TRowMarks& marks) : marks_(marks) {}

    bool MultiSelect = false;
    bool ClearSelection = true;

    bool Selecting() const { return selecting_; }
    const TBookmark& Anchor() const { return anchor_; }
    // One step of Up (-1) or Down (+1), Shift held or not.
    void Step(int direction, bool shift);
    // A left press on a data row, after the current row moved there.
    void Click(bool ctrl);
    // Empties the marks (with ClearSelection) and always ends a Shift selection.
    void Clear();

private:
    TRowMarks& marks_;
    TBookmark anchor_;
    bool selecting_ = false;
};

// ---- Colour combo box -------------------------------------------------------------------

struct TColorEntry {
    TColor Color;
    const char* Name;
};

// The colour table: 16 basic colours, then clNone ("None") and clDefault ("Default").
const std::vector<TColorEntry>& ColorTable();
constexpr int kColorTableNone = 16, kColorTableDefault = 17;

// Whether a swatch of the colour needs a black border to stand out: a component of 192 or
// more (Silver counts as light).
bool IsLightColor(TColor color);
// The text of a colour outside the table: "$00BBGGRR" as the colour is stored.
std::string ColorHexText(TColor color);
// A colour typed as text: its name in the table (without regard to case, "cl" allowed in
// front), "$" or "0x" with hex digits, or a decimal number.
std::optional<TColor> ParseColorText(const std::string& text);

// ---- Items shown, values stored ---------------------------------------------------------

// A data-aware combo box that shows Items while it stores Values (EnableValues), or stores
// what it shows.
struct TItemValues {
    std::vector<std::string> Items;
    std::vector<std::string> Values;
    bool EnableValues = false;

    // The item index that shows a field's text; -1 for an empty text or one that is not listed.
    int IndexOfFieldText(const std::string& text) const;
    // The text stored for an item index; empty when nothing or no such line.
    std::string ValueOfIndex(int index) const;
    // The text shown for a field's text when the control is painted for another record.
    std::string ShownText(const std::string& fieldText) const;
};

// ---- Dates with a time of day -----------------------------------------------------------

// A day number and a time of day (0 <= time < 1) as one date-time. Days before 30 December
// 1899 are negative while their time still counts forward, so the fraction goes the other way.
TDateTime ComposeDateTime(TDateTime day, TDateTime time);
// The time of day a date-time holds (0 <= result < 1).
TDateTime TimeOfDay(TDateTime dateTime);
// A new day for a field that held `previous`: the day of `date` with the previous time of day.
TDateTime DayWithTimeOf(TDateTime date, TDateTime previous);

} // namespace kvz
