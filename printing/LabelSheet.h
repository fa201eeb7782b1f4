// The label sheet geometry of the report window: seven values that keep each other consistent
// while the user types, and their application to the label layout. Plain arithmetic in whole
// hundredths of a millimetre, so that the sums across and down the sheet are exact.
#pragma once

#include "platform/report/ReportLayout.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvz {

// Hundredths of a millimetre.
using Centi = int64_t;

// The sheet: 210 x 297 mm, portrait.
constexpr Centi SheetWidth = 21000, SheetHeight = 29700;

// The edits of the sheet, each named after the report window's control.
enum class TSheetEdit {
    Columns,   // PocetStlpcovEdit, 1 to 5
    Width,     // SirkaEdit, label width
    Height,    // VyskaEdit, label height
    Margin,    // LavyOkrajEdit, left and right margin
    Gap,       // MedzeraEdit, gap between columns
    TopMargin, // HornyOkrajEdit, top and bottom margin
    RowGap,    // HornaMedzeraEdit, gap between rows
};

struct TLabelSheetValues {
    Centi Columns = 3; // a count, not hundredths
    Centi Width = 6000, Height = 3100, Margin = 1000, Gap = 300, TopMargin = 1000, RowGap = 1000;
    Centi Get(TSheetEdit edit) const;
    void Set(TSheetEdit edit, Centi value);
    bool operator==(const TLabelSheetValues&) const = default;
};

// What cannot be put on the sheet; the message is in the program's language.
class ELabelSheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The values after a restore of the defaults: 3 columns of 61 x 30 mm, margins 10, gaps 3
// across and 10 down.
TLabelSheetValues DefaultLabelSheet();

class TLabelSheet {
public:
    const TLabelSheetValues& Values() const { return values_; }
    // While on, a changed edit makes the others follow it (the column count always does).
    bool AutoAdjust = true;
    // Rows of labels on the label layout as it stands (LayoutRows); a height change keeps that
    // many rows. 0 when unknown: the rows that fit then.
    Centi RowsOnLayout = 0;

    // The user changed one edit. The others follow as the sheet asks; a value that cannot fit
    // on the sheet (labels wider or taller than it, a margin or gap below nothing) is refused
    // with ELabelSheetError and nothing changes.
    void Change(TSheetEdit edit, Centi value);
    // Sets every value without any following (a template, the restore of the defaults).
    void Assign(const TLabelSheetValues& values) { values_ = values; }
    void RestoreDefaults() { values_ = DefaultLabelSheet(); }

private:
    void Write(TSheetEdit edit, Centi value, int depth);
    void Follow(TSheetEdit edit, int depth);
    void AcrossFromWidth(int depth);
    void DownFromTop();
    void DownFromHeight();
    TLabelSheetValues values_;
};

// Rows of labels that fit down the sheet between the margins (0 when not one does).
Centi RowsThatFit(Centi topMargin, Centi height, Centi rowGap);

// Rows that the label layout holds down the page with its current margins and bands: the room
// below the top margin over a label and its gap band, cut to whole rows.
Centi LayoutRows(const TReportLayout& labels);

// Refuses values that cannot make a sheet or lie beyond the paper (ELabelSheetError).
void CheckLabelSheet(const TLabelSheetValues& values);
// Puts the geometry on the label layout (SpocitajStitky): columns, margins, column space, the
// label band's height and the gap band after it. The gap after the last row stands for part of
// the bottom margin, which never becomes negative.
void ApplyLabelSheet(const TLabelSheetValues& values, TReportLayout& labels);
// Labels on one sheet of the layout as it will be printed: rows that fit down the page (the
// first label of a column always does) times the columns.
int LabelsPerSheet(const TReportLayout& labels);

// The edits' texts: the shortest decimal form in the user's number format ("10", "10,5",
// "10,25"), and back; a text that is not a number gives nothing. More than two decimals are
// rounded to hundredths.
std::string FormatCenti(Centi value, const FormatSettings& fs);
std::optional<Centi> ParseCenti(std::string_view text, const FormatSettings& fs);

} // namespace kvz
