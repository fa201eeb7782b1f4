#include "printing/LabelSheet.h"

#include "core/Messages.h"
#include "platform/rtl/Convert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kvz {

namespace {

// Handlers that write each other's edits stop once the values settle; this bounds a chain
// that would not.
constexpr int kMaxChain = 32;
constexpr double Slack = 0.0005;

// num / den to the nearest whole number, halves away from zero; den > 0.
Centi RoundDiv(Centi num, Centi den) { return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den); }
// num / den cut towards zero; den > 0.
Centi TruncDiv(Centi num, Centi den) { return num / den; }

[[noreturn]] void Refuse() {
    static const char* const texts[3] = {
        "The labels do not fit on the sheet of 210 x 297 mm. Make them smaller, or the margins or gaps.",
        "Štítky sa nezmestia na hárok 210 x 297 mm. Zmenšite ich, alebo okraje či medzery.",
        "Štítky se nevejdou na arch 210 x 297 mm. Zmenšete je, nebo okraje či mezery."};
    throw ELabelSheetError(InLanguage(texts));
}

} // namespace

Centi TLabelSheetValues::Get(TSheetEdit edit) const {
    switch (edit) {
    case TSheetEdit::Columns: return Columns;
    case TSheetEdit::Width: return Width;
    case TSheetEdit::Height: return Height;
    case TSheetEdit::Margin: return Margin;
    case TSheetEdit::Gap: return Gap;
    case TSheetEdit::TopMargin: return TopMargin;
    case TSheetEdit::RowGap: return RowGap;
    }
    return 0;
}

void TLabelSheetValues::Set(TSheetEdit edit, Centi value) {
    switch (edit) {
    case TSheetEdit::Columns: Columns = value; break;
    case TSheetEdit::Width: Width = value; break;
    case TSheetEdit::Height: Height = value; break;
    case TSheetEdit::Margin: Margin = value; break;
    case TSheetEdit::Gap: Gap = value; break;
    case TSheetEdit::TopMargin: TopMargin = value; break;
    case TSheetEdit::RowGap: RowGap = value; break;
    }
}

TLabelSheetValues DefaultLabelSheet() {
    return {.Columns = 3, .Width = 6100, .Height = 3000, .Margin = 1000, .Gap = 300, .TopMargin = 1000, .RowGap = 1000};
}

Centi RowsThatFit(Centi topMargin, Centi height, Centi rowGap) {
    const Centi room = SheetHeight - 2 * topMargin;
    if (height <= 0 || room < height || height + rowGap <= 0) return 0;
    return (room + rowGap) / (height + rowGap);
}

void CheckLabelSheet(const TLabelSheetValues& v) {
    if (v.Columns < 1 || v.Columns > 5 || v.Width <= 0 || v.Height <= 0 || v.Margin < 0 || v.Gap < 0 ||
        v.TopMargin < 0 || v.RowGap < 0)
        Refuse();
    // Every value lies on the paper, also those that the sum below leaves free (the row gap, the
    // column gap of a single column): a file keeps them as short texts.
    if (v.Width > SheetWidth || v.Margin > SheetWidth || v.Gap > SheetWidth || v.Height > SheetHeight ||
        v.TopMargin > SheetHeight || v.RowGap > SheetHeight)
        Refuse();
    // A hundredth for each rounded value across.
    if (2 * v.Margin + v.Columns * v.Width + (v.Columns - 1) * v.Gap > SheetWidth + v.Columns + 1) Refuse();
    if (RowsThatFit(v.TopMargin, v.Height, v.RowGap) < 1) Refuse();
}

Centi LayoutRows(const TReportLayout& labels) {
    const TReportBand* label = labels.FindBand("DetailBand1");
    const TReportBand* gap = labels.FindBand("ChildBand1");
    if (!label) return 0;
    const double pitch = label->Height() + (gap ? gap->Height() : 0);
    const double room = labels.Page().PageHeight() - labels.Page().TopMargin;
    if (!(pitch > 0) || !(room > 0)) return 0;
    return Centi(std::floor(room / pitch + 1e-9));
}

void TLabelSheet::Change(TSheetEdit edit, Centi value) {
    const TLabelSheetValues before = values_;
    try {
        values_.Set(edit, value);
        Follow(edit, 0);
        CheckLabelSheet(values_);
    } catch (...) {
        values_ = before;
        throw;
    }
}

void TLabelSheet::Write(TSheetEdit edit, Centi value, int depth) {
    if (values_.Get(edit) == value) return;
    values_.Set(edit, value);
    if (depth < kMaxChain) Follow(edit, depth + 1);
}

void TLabelSheet::Follow(TSheetEdit edit, int depth) {
    TLabelSheetValues& v = values_;
    if (edit != TSheetEdit::Columns && !AutoAdjust) return;
    const Centi across = SheetWidth - v.Columns * v.Width; // the room of margins and gaps
    switch (edit) {
    case TSheetEdit::Columns:
        if (v.Columns < 1 || v.Columns > 5) Refuse();
        [[fallthrough]];
    case TSheetEdit::Width: AcrossFromWidth(depth); break;
    case TSheetEdit::Margin:
        // One column has no gap to take up the rest.
        if (v.Columns > 1) Write(TSheetEdit::Gap, RoundDiv(across - 2 * v.Margin, v.Columns - 1), depth);
        break;
    case TSheetEdit::Gap: Write(TSheetEdit::Margin, RoundDiv(across - (v.Columns - 1) * v.Gap, 2), depth); break;
    case TSheetEdit::TopMargin: DownFromTop(); break;
    case TSheetEdit::Height: DownFromHeight(); break;
    case TSheetEdit::RowGap: break;
    }
}

// The space left over (s, shared among the two margins and the gaps) goes to the margin, whose
// handler gives the gaps the rest; then the gap, as that handler left it, takes its share and
// its own handler sets the margins. A single column is centred and keeps its gap for later.
void TLabelSheet::AcrossFromWidth(int depth) {
    TLabelSheetValues& v = values_;
    if (v.Width <= 0 || v.Columns * v.Width > SheetWidth) Refuse();
    const Centi k = v.Columns;
    const Centi across = SheetWidth - k * v.Width;
    if (k == 1) {
        Write(TSheetEdit::Margin, RoundDiv(across, 2), depth);
        return;
    }
    const Centi rest = across - (2 * v.Margin + (k - 1) * v.Gap); // s = rest / (k + 1)
    Write(TSheetEdit::Margin, RoundDiv(v.Margin * (k + 1) + rest, k + 1), depth);
    Write(TSheetEdit::Gap, RoundDiv(v.Gap * (k + 1) + rest, k + 1), depth);
    // From margins far wider than the gaps (a single column centred before) the chain ends
    // below nothing though the labels fit: then every space takes the same share.
    if (v.Margin < 0 || v.Gap < 0) {
        v.Gap = RoundDiv(across, k + 1);
        v.Margin = RoundDiv(across - (k - 1) * v.Gap, 2);
    }
}

// The rows that fit keep their count; the row gap takes up the room left down the sheet, less
// two millimetres for the printer.
void TLabelSheet::DownFromTop() {
    TLabelSheetValues& v = values_;
    const Centi rows = std::min(SheetHeight / std::max<Centi>(v.Height + v.RowGap, 1),
                                RowsThatFit(v.TopMargin, v.Height, v.RowGap));
    if (rows < 1) Refuse();
    const Centi rest = 29500 - 2 * v.TopMargin - (rows - 1) * v.RowGap - rows * v.Height; // s = rest / rows
    v.RowGap = std::max<Centi>(0, TruncDiv(v.RowGap * rows + rest, rows));
}

// The room left down the sheet, less a millimetre, is shared among the two margins and the
// gaps between the rows the layout holds now; the top margin and the row gap each take their
// share once. When those rows cannot take the new height, the rows that fit with it do.
void TLabelSheet::DownFromHeight() {
    TLabelSheetValues& v = values_;
    auto share = [&v](Centi rows, Centi& top, Centi& gap) {
        // s = rest / (rows + 1)
        const Centi rest = 29600 - (2 * v.TopMargin + (rows - 1) * v.RowGap + rows * v.Height);
        top = TruncDiv(v.TopMargin * (rows + 1) + rest, rows + 1);
        gap = TruncDiv(v.RowGap * (rows + 1) + rest, rows + 1);
        return top >= 0 && gap >= 0;
    };
    Centi top = 0, gap = 0;
    if (RowsOnLayout < 1 || !share(RowsOnLayout, top, gap)) {
        const Centi rows = RowsThatFit(v.TopMargin, v.Height, v.RowGap);
        if (rows < 1) Refuse();
        share(rows, top, gap);
    }
    v.TopMargin = std::max<Centi>(0, top);
    v.RowGap = std::max<Centi>(0, gap);
}

void ApplyLabelSheet(const TLabelSheetValues& v, TReportLayout& labels) {
    CheckLabelSheet(v);
    auto mm = [](Centi c) { return double(c) / 100.0; };
    TPageSetup& page = labels.Page();
    page.Columns = int(v.Columns);
    page.LeftMargin = page.RightMargin = mm(v.Margin);
    page.ColumnSpace = mm(v.Gap);
    page.TopMargin = mm(v.TopMargin);
    page.BottomMargin = mm(std::max<Centi>(0, v.TopMargin - v.RowGap));
    TReportBand& label = *labels.FindBand("DetailBand1");
    label.SetHeight(mm(v.Height));
    label.SetWidth(mm(v.Width));
    TReportBand& gap = *labels.FindBand("ChildBand1");
    gap.SetHeight(mm(v.RowGap));
    gap.SetWidth(mm(v.Width));
}

int LabelsPerSheet(const TReportLayout& labels) {
    const TReportBand* label = labels.BandOfKind(TBandKind::Detail);
    if (!label || !label->Enabled() || !(label->Height() > 0)) return 0;
    double gap = 0;
    for (const TReportBand* child : labels.ChildrenOf(*label))
        if (child->Enabled()) gap += child->Height();
    const TPageSetup& page = labels.Page();
    const double bottom = page.PageHeight() - page.BottomMargin;
    // As the pages are made: the first label of a column always goes in, a gap that does not
    // fit is left out.
    double y = page.TopMargin;
    int rows = 0;
    while (rows < 10000) {
        if (rows > 0 && y + label->Height() > bottom + Slack) break;
        y += label->Height();
        ++rows;
        if (gap > 0 && y + gap <= bottom + Slack) y += gap;
        else if (gap > 0) break;
    }
    return rows * page.Columns;
}

std::string FormatCenti(Centi value, const FormatSettings& fs) {
    std::string out = value < 0 ? "-" : "";
    const Centi a = std::llabs(value);
    out += std::to_string(a / 100);
    const Centi cents = a % 100;
    if (cents) {
        out += fs.DecimalSeparator;
        out += char('0' + cents / 10);
        if (cents % 10) out += char('0' + cents % 10);
    }
    return out;
}

std::optional<Centi> ParseCenti(std::string_view text, const FormatSettings& fs) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    Centi whole = 0, fraction = 0, scale = 100;
    bool digits = false, point = false, roundUp = false;
    int decimals = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            if (!point) {
                whole = whole * 10 + (c - '0');
                if (whole > 1000000) return std::nullopt;
            } else if (decimals < 2) {
                scale /= 10;
                fraction += (c - '0') * scale;
                ++decimals;
            } else if (decimals++ == 2) {
                roundUp = c >= '5';
            }
        } else if (!point && ((fs.DecimalSeparator.size() == 1 && c == fs.DecimalSeparator[0]) || c == '.' || c == ',')) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    const Centi value = whole * 100 + fraction + (roundUp ? 1 : 0);
    return negative ? -value : value;
}

} // namespace kvz
