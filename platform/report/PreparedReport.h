// Prepared pages: what a layout and its data become, as positioned texts, rectangles and
// lines in whole hundredths of a millimetre, ready for the renderer and for saving. Prepare
// is plain arithmetic over the layout; only a stretching or self-sizing text asks the caller's
// text measure (ReportRender.h gives the one for the fonts that are painted).
#pragma once

#include "platform/report/ReportLayout.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

enum class TPreparedKind { Text, Rectangle, Line };

enum TReportFontStyle : uint8_t { rfBold = 1, rfItalic = 2, rfUnderline = 4, rfStrikeOut = 8 };

// One item of a page. Coordinates are hundredths of a millimetre from the paper's top left
// corner; a line runs from (X, Y) to (X + W, Y + H).
struct TPreparedItem {
    TPreparedKind Kind = TPreparedKind::Text;
    int32_t X = 0, Y = 0, W = 0, H = 0;
    // Texts: the text (lines separated by "\n"), font, alignment and wrapping; Fill is the
    // background. The text is clipped to its rectangle.
    std::string Text;
    std::string FontName;
    int32_t FontSize = 100; // tenths of a point
    uint8_t FontStyle = 0;  // TReportFontStyle
    TColor FontColor = ReportBlack;
    TAlignment Alignment = taLeftJustify;
    bool WordWrap = false;
    // Rectangles: Fill and the sides of the outline (TBandFrame's order: 1 top, 2 bottom,
    // 4 left, 8 right); lines and outlines: the pen.
    TColor Fill = ReportNoColor;
    TColor PenColor = ReportBlack;
    int32_t PenWidth = 26;
    uint8_t Sides = 0;
    bool operator==(const TPreparedItem&) const = default;
};

struct TPreparedPage {
    std::vector<TPreparedItem> Items;
    bool operator==(const TPreparedPage&) const = default;
};

struct TPreparedReport {
    std::string Title;
    // The page as printed, in hundredths of a millimetre (landscape: the wider side first).
    int32_t PageWidth = 21000, PageHeight = 29700;
    bool Landscape = false;
    bool ManualFeed = false;
    std::vector<TPreparedPage> Pages;
    bool operator==(const TPreparedReport&) const = default;
};

// The size of a text in millimetres: with wrapWidth above 0 the text wraps at that width,
// otherwise only at its line breaks.
struct TTextExtent {
    double Width = 0, Height = 0;
};
using TTextMeasure = std::function<TTextExtent(const TReportFont& font, std::string_view text, double wrapWidth)>;

// Lays the layout's bands out over its data set's records. The data set is read without
// moving what the windows show: by position where it can be read so, else walked with its
// controls disabled and put back on its record. Errors (sizes that do not fit, a missing
// field, data that fail half-way) are EReportError in the user's language; nothing is kept
// of a preparation that failed. Without a measure, self-sizing and stretching keep the sizes
// of the layout.
TPreparedReport Prepare(TReportLayout& layout, const TTextMeasure& measure = {});

class TPreparer;

// The same preparation in steps, so that the first pages can be shown before the last are
// made: each step lays out the records that follow. The pages made stay as they are, but for
// the texts of the page count, which are filled in when the last page is made. The layout and
// its data set must stay as they are until it is done; a data set that cannot be read by
// position is prepared whole at the first step. Errors are Prepare's; after one the
// preparation is of no further use.
class TPreparation {
public:
    // Checks the layout (Prepare's errors) and makes no page yet.
    explicit TPreparation(TReportLayout& layout, const TTextMeasure& measure = {});
    ~TPreparation();
    TPreparation(const TPreparation&) = delete;
    TPreparation& operator=(const TPreparation&) = delete;

    // Prepares on until that many pages are complete, or to the end; true when done.
    bool PrepareTo(size_t pages);
    // Prepares on for about that long; true when done.
    bool PrepareFor(std::chrono::milliseconds time);
    bool Done() const;
    // The pages so far; all of them once done.
    const TPreparedReport& Report() const;

private:
    std::unique_ptr<TPreparer> preparer_;
};

} // namespace kvz
