// Pagination: the bands of a layout placed over the records of its data set.
#include "platform/report/PreparedReport.h"

#include "platform/report/ReportDataFeed.h"
#include "platform/report/ReportMessages.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

namespace kvz {

namespace {

// Sums of millimetres that should meet exactly (a page exactly full) may miss by rounding.
constexpr double Slack = 0.0005;

bool Valid(double mm) { return std::isfinite(mm) && mm >= 0 && mm <= 100000; }

std::string NormalLineBreaks(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Prepared pages hold plain colours: the system colours a layout may name are given the
// colours they have on a light desktop; any other takes the fallback.
TColor Printable(TColor color, TColor fallback) {
    if (color == ReportNoColor || color <= 0xFFFFFF) return color;
    switch (color) {
    case 0x80000005: return ReportWhite;   // window
    case 0x80000008: return ReportBlack;   // window text
    case 0x8000000F: return 0xF0F0F0;      // button face
    case 0x80000010: return 0xA0A0A0;      // button shadow
    case 0x80000012: return ReportBlack;   // button text
    case 0x80000014: return ReportWhite;   // button highlight
    case 0x80000016: return 0xE3E3E3;      // three-dimensional light
    case 0x80000018: return 0xE1FFFF;      // tooltip background
    default: return fallback;
    }
}

uint8_t StyleBits(const TReportFont& f) {
    return uint8_t((f.Bold ? rfBold : 0) | (f.Italic ? rfItalic : 0) | (f.Underline ? rfUnderline : 0) |
                   (f.StrikeOut ? rfStrikeOut : 0));
}

// Without the painter's fonts: an average letter is half as wide as the font is high.
TTextExtent EstimateText(const TReportFont& font, std::string_view text, double) {
    const double line = font.Size * 25.4 / 72.0 * 1.2;
    size_t lines = 1, longest = 0, current = 0;
    for (unsigned char c : text) {
        if (c == '\n') {
            ++lines;
            longest = std::max(longest, current);
            current = 0;
        } else if ((c & 0xC0) != 0x80) {
            ++current;
        }
    }
    longest = std::max(longest, current);
    return {double(longest) * line / 2.4, double(lines) * line};
}

} // namespace

// Lays the bands out record by record; one object per preparation.
class TPreparer {
public:
    TPreparer(TReportLayout& layout, const TTextMeasure& measure)
        : layout_(layout), page_(layout.Page()), measure_(measure ? measure : TTextMeasure(EstimateText)) {}

    // Checks the layout and sets the report up; the records follow in steps.
    void Begin() {
        Validate();
        report_.Title = layout_.Title();
        report_.PageWidth = ToHundredths(page_.PageWidth());
        report_.PageHeight = ToHundredths(page_.PageHeight());
        report_.Landscape = page_.Orientation == TPageOrientation::Landscape;
        report_.ManualFeed = page_.ManualFeed;
        bottom_ = page_.PageHeight() - page_.BottomMargin;
        detail_ = layout_.BandOfKind(TBandKind::Detail);
        if (detail_ && !detail_->Enabled()) detail_ = nullptr;
        if (detail_) children_ = layout_.ChildrenOf(*detail_);
        if (TDataSet* data = layout_.DataSet()) walk_ = std::make_unique<TRecordWalk>(*data);
        else Finish();
    }

    // Lays out records while more() says so after each; true when the report is complete.
    bool Step(const std::function<bool()>& more) {
        if (done_) return true;
        try {
            if (!walk_->Walk([&] {
                    PrintRecord();
                    return more();
                }))
                return false;
        } catch (const EReportError&) {
            throw;
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& e) {
            throw EReportError(ReportMessage(TReportMessage::DataFailed, {e.what()}));
        }
        Finish();
        return true;
    }

    bool Done() const { return done_; }
    const TPreparedReport& Report() const { return report_; }
    TPreparedReport Take() { return std::move(report_); }

private:
    struct Band {
        std::vector<TPreparedItem> items; // from the band's top left corner
        double height = 0;
        std::vector<std::pair<size_t, std::string>> pageCounts; // items showing the page count
    };

    // Bands may reach into the bottom margin when they start a page (the envelopes do), but
    // never beyond the paper: what would be cut off is refused.
    void Validate() const {
        page_.Validate();
        double first = page_.TopMargin, other = page_.TopMargin;
        const double paper = page_.PageHeight();
        for (const auto& band : layout_.Bands()) {
            if (!band->Enabled()) continue;
            if (!(Valid(band->Height()) && band->Height() > 0) || !Valid(band->Width()))
                throw EReportError(ReportMessage(TReportMessage::BandSize, {band->Name()}));
            for (const auto& e : band->Elements()) {
                if (e->Enabled()) ValidateElement(*e);
            }
            switch (band->Kind()) {
            case TBandKind::PageHeader:
            case TBandKind::ColumnHeader:
                first += band->Height();
                other += band->Height();
                break;
            case TBandKind::Title: first += band->Height(); break;
            default: break;
            }
            if (first > paper + Slack) throw EReportError(ReportMessage(TReportMessage::BandTooTall, {band->Name()}));
        }
        if (const TReportBand* d = layout_.BandOfKind(TBandKind::Detail);
            d && d->Enabled() && !page_.ClipToPaper && std::max(first, other) + d->Height() > paper + Slack)
            throw EReportError(ReportMessage(TReportMessage::BandTooTall, {d->Name()}));
    }

    void ValidateElement(const TReportElement& e) const {
        const double w = e.Width(), h = e.Height();
        bool ok = Valid(e.Left() + 50000) && Valid(e.Top() + 50000) && Valid(w) && Valid(h);
        if (e.Kind() == TElementKind::Line)
            ok = ok && (w > 0 || h > 0);
        else if (e.IsText())
            ok = ok && ((w > 0 && h > 0) || e.AutoSize());
        else
            ok = ok && w > 0 && h > 0;
        if (!ok) throw EReportError(ReportMessage(TReportMessage::ElementSize, {e.Name()}));
        if (!(e.Font().Size > 0 && e.Font().Size <= 1000))
            throw EReportError(ReportMessage(TReportMessage::ElementSize, {e.Name()}));
        if (e.Kind() != TElementKind::DBText) return;
        TDataSet* data = e.DataSet() ? e.DataSet() : layout_.DataSet();
        if (!data) throw EReportError(ReportMessage(TReportMessage::NoDataSet, {e.Name()}));
        if (!data->Active()) throw EReportError(ReportMessage(TReportMessage::DataSetClosed, {data->Name()}));
        if (!data->FindField(e.DataField()))
            throw EReportError(ReportMessage(TReportMessage::FieldMissing, {e.DataField(), e.Name()}));
    }

    std::string TextOf(const TReportElement& e, bool& pageCount) const {
        switch (e.Kind()) {
        case TElementKind::Label: return e.Caption();
        case TElementKind::Memo: {
            std::string text;
            for (size_t i = 0; i < e.Lines().size(); ++i) text += (i ? "\n" : "") + e.Lines()[i];
            return text;
        }
        case TElementKind::DBText: {
            TDataSet* data = e.DataSet() ? e.DataSet() : layout_.DataSet();
            const TField& field = data->FieldByName(e.DataField());
            return field.IsBlob() ? field.AsString() : DisplayTextIn(field, layout_.Settings());
        }
        case TElementKind::SysData: {
            const FormatSettings& fs = layout_.Settings();
            switch (e.SysData()) {
            case TSysDataKind::Date: return e.Caption() + FormatDateTime(fs.ShortDateFormat, Today(), fs);
            case TSysDataKind::Time: return e.Caption() + FormatDateTime(fs.ShortTimeFormat, Now(), fs);
            case TSysDataKind::DateTime:
                return e.Caption() + FormatDateTime(fs.ShortDateFormat + " " + fs.ShortTimeFormat, Now(), fs);
            case TSysDataKind::PageNumber: return e.Caption() + std::to_string(report_.Pages.size());
            case TSysDataKind::PageCount: pageCount = true; return e.Caption();
            }
            return {};
        }
        default: return {};
        }
    }

    // The band for the record or page in view: its hooks run, its texts are read and sized.
    bool MakeBand(TReportBand& band, Band& out) {
        bool print = true;
        if (band.BeforePrint) band.BeforePrint(band, print);
        if (!print) return false;
        out.items.clear();
        out.height = band.Height();
        out.pageCounts.clear();
        const double bandWidth = BandWidth(band);
        if (band.Color() != ReportNoColor) {
            TPreparedItem fill;
            fill.Kind = TPreparedKind::Rectangle;
            fill.Fill = Printable(band.Color(), ReportWhite);
            fill.PenColor = ReportNoColor;
            fill.PenWidth = 0;
            out.items.push_back(fill);
        }
        for (const auto& element : band.Elements()) {
            const TReportElement& e = *element;
            if (!e.Enabled()) continue;
            TPreparedItem item;
            double w = e.Width(), h = e.Height();
            if (e.IsText()) {
                bool pageCount = false;
                item.Text = NormalLineBreaks(TextOf(e, pageCount));
                const TReportFont& f = e.Font();
                if (e.AutoSize()) {
                    // The page count is known only when every page is made: leave room for
                    // four digits, so that "Page 10 of 12" is not cut.
                    const TTextExtent natural = measure_(f, pageCount ? item.Text + "0000" : item.Text, 0);
                    // Grown to the longest line, but not beyond the band's right edge.
                    // A hundredth more than measured: the width is kept in whole hundredths,
                    // and a rounded-down width would wrap the longest line.
                    w = std::max(w, std::min(natural.Width + 0.01, std::max(bandWidth - e.Left(), 0.0)));
                    if (!e.WordWrap() || !e.AutoStretch()) h = std::max(h, natural.Height);
                }
                if (e.AutoStretch() && w > 0) {
                    h = std::max(h, measure_(f, item.Text, e.WordWrap() ? w : 0).Height);
                    out.height = std::max(out.height, e.Top() + h);
                } else {
                    // A text of fixed height is cut at its band's bottom: it never makes the
                    // band taller, so that a sheet of labels keeps its rows.
                    h = std::clamp(band.Height() - e.Top(), 0.0, h);
                }
                item.Kind = TPreparedKind::Text;
                item.FontName = f.Name;
                item.FontSize = static_cast<int32_t>(std::lround(f.Size * 10));
                item.FontStyle = StyleBits(f);
                item.FontColor = Printable(f.Color, ReportBlack);
                item.Alignment = e.Alignment();
                item.WordWrap = e.WordWrap();
                item.Fill = Printable(e.Color(), ReportWhite);
                if (pageCount) out.pageCounts.push_back({out.items.size(), e.Caption()});
            } else {
                item.Kind = e.Kind() == TElementKind::Line ? TPreparedKind::Line : TPreparedKind::Rectangle;
                item.PenColor = Printable(e.PenColor(), ReportBlack);
                item.PenWidth = ToHundredths(e.PenWidth());
                if (item.Kind == TPreparedKind::Rectangle) {
                    item.Fill = Printable(e.Color(), ReportWhite);
                    item.Sides = 15;
                }
            }
            item.X = ToHundredths(e.Left());
            item.Y = ToHundredths(e.Top());
            if (item.Kind == TPreparedKind::Line) {
                // Through the middle of its rectangle, along the longer side.
                if (w >= h) {
                    item.Y = ToHundredths(e.Top() + h / 2);
                    item.W = ToHundredths(w);
                } else {
                    item.X = ToHundredths(e.Left() + w / 2);
                    item.H = ToHundredths(h);
                }
            } else {
                item.W = ToHundredths(w);
                item.H = ToHundredths(h);
            }
            out.items.push_back(std::move(item));
        }
        const int32_t bw = ToHundredths(bandWidth), bh = ToHundredths(out.height);
        if (band.Color() != ReportNoColor) {
            out.items.front().W = bw;
            out.items.front().H = bh;
        }
        if (band.Frame().Any()) {
            TPreparedItem frame;
            frame.Kind = TPreparedKind::Rectangle;
            frame.W = bw;
            frame.H = bh;
            frame.PenColor = Printable(band.Frame().Color, ReportBlack);
            frame.PenWidth = ToHundredths(band.Frame().Width);
            frame.Sides = uint8_t((band.Frame().Top ? 1 : 0) | (band.Frame().Bottom ? 2 : 0) |
                                  (band.Frame().Left ? 4 : 0) | (band.Frame().Right ? 8 : 0));
            out.items.push_back(frame);
        }
        return true;
    }

    double BandWidth(const TReportBand& band) const {
        if (band.Width() > 0) return band.Width();
        return band.Kind() == TBandKind::Detail || band.Kind() == TBandKind::Child ? page_.ColumnWidth()
                                                                                   : page_.PrintableWidth();
    }

    void Place(const Band& band, double x, double y) {
        TPreparedPage& page = report_.Pages.back();
        const int32_t dx = ToHundredths(x), dy = ToHundredths(y);
        const size_t first = page.Items.size();
        for (const TPreparedItem& item : band.items) {
            TPreparedItem placed = item;
            placed.X += dx;
            placed.Y += dy;
            if (page_.ClipToPaper && !ClipToPaper(placed)) continue;
            page.Items.push_back(std::move(placed));
        }
        for (const auto& [index, prefix] : band.pageCounts)
            pageCounts_.push_back({report_.Pages.size() - 1, first + index, prefix});
    }

    // Cuts an item at the paper's edges; false when nothing of it is left. Lines run along
    // one axis only.
    bool ClipToPaper(TPreparedItem& item) const {
        const int64_t right = report_.PageWidth, bottom = report_.PageHeight;
        int64_t x0 = item.X, y0 = item.Y, x1 = int64_t(item.X) + item.W, y1 = int64_t(item.Y) + item.H;
        x0 = std::clamp<int64_t>(x0, 0, right);
        y0 = std::clamp<int64_t>(y0, 0, bottom);
        x1 = std::clamp<int64_t>(x1, 0, right);
        y1 = std::clamp<int64_t>(y1, 0, bottom);
        const bool line = item.Kind == TPreparedKind::Line;
        if (line ? (x1 == x0 && y1 == y0) || (item.W == 0 && (item.X < 0 || item.X > right)) ||
                       (item.H == 0 && (item.Y < 0 || item.Y > bottom))
                 : (x1 <= x0 || y1 <= y0))
            return false;
        item.X = int32_t(x0);
        item.Y = int32_t(y0);
        item.W = int32_t(x1 - x0);
        item.H = int32_t(y1 - y0);
        return true;
    }

    void PlaceHeader(TBandKind kind) {
        TReportBand* band = layout_.BandOfKind(kind);
        Band header;
        if (!band || !band->Enabled() || !MakeBand(*band, header)) return;
        Place(header, page_.LeftMargin, y_);
        y_ += header.height;
    }

    void StartPage() {
        report_.Pages.emplace_back();
        const int number = static_cast<int>(report_.Pages.size());
        if (layout_.OnStartPage) layout_.OnStartPage(layout_, number);
        y_ = page_.TopMargin;
        column_ = 0;
        detailsOnPage_ = 0;
        detailsInColumn_ = 0;
        columnFull_ = false;
        PlaceHeader(TBandKind::PageHeader);
        if (number == 1) PlaceHeader(TBandKind::Title);
        PlaceHeader(TBandKind::ColumnHeader);
        columnTop_ = y_;
    }

    double ColumnX() const { return page_.LeftMargin + column_ * (page_.ColumnWidth() + page_.ColumnSpace); }

    void PrintRecord() {
        if (!detail_) return;
        if (!MakeBand(*detail_, scratch_)) return;
        if (report_.Pages.empty()) {
            StartPage();
        } else if (detail_->ForceNewPage() && detailsOnPage_ > 0) {
            StartPage();
        } else if (detailsInColumn_ > 0 && (columnFull_ || y_ + scratch_.height > bottom_ + Slack)) {
            if (column_ + 1 < page_.Columns) {
                ++column_;
                y_ = columnTop_;
                detailsInColumn_ = 0;
                columnFull_ = false;
            } else {
                StartPage();
            }
        }
        Place(scratch_, ColumnX(), y_);
        y_ += scratch_.height;
        ++detailsOnPage_;
        ++detailsInColumn_;
        for (TReportBand* child : children_) {
            if (!child->Enabled() || !MakeBand(*child, scratch_)) continue;
            // A child that does not fit after its detail is left out, and the next detail starts
            // the next column or page: never straight under this one (a label without its gap).
            if (y_ + scratch_.height > bottom_ + Slack) {
                columnFull_ = true;
                break;
            }
            Place(scratch_, ColumnX(), y_);
            y_ += scratch_.height;
        }
    }

    void Finish() {
        if (report_.Pages.empty() && page_.PrintIfEmpty) StartPage();
        const std::string count = std::to_string(report_.Pages.size());
        for (auto [page, item, prefix] : pageCounts_) report_.Pages[page].Items[item].Text = prefix + count;
        done_ = true;
    }

    struct PageCount {
        size_t page, item;
        std::string prefix;
    };

    TReportLayout& layout_;
    const TPageSetup& page_;
    TTextMeasure measure_;
    TPreparedReport report_;
    TReportBand* detail_ = nullptr;
    std::vector<TReportBand*> children_;
    Band scratch_;
    std::vector<PageCount> pageCounts_;
    std::unique_ptr<TRecordWalk> walk_;
    bool done_ = false;
    double y_ = 0, bottom_ = 0, columnTop_ = 0;
    int column_ = 0, detailsOnPage_ = 0, detailsInColumn_ = 0;
    bool columnFull_ = false; // a child band was left out at the column's end
};

TPreparedReport Prepare(TReportLayout& layout, const TTextMeasure& measure) {
    TPreparer preparer(layout, measure);
    preparer.Begin();
    preparer.Step([] { return true; });
    return preparer.Take();
}

TPreparation::TPreparation(TReportLayout& layout, const TTextMeasure& measure)
    : preparer_(std::make_unique<TPreparer>(layout, measure)) {
    preparer_->Begin();
}

TPreparation::~TPreparation() = default;

bool TPreparation::PrepareTo(size_t pages) {
    // A page is complete once the next one has begun.
    return preparer_->Step([&] { return preparer_->Report().Pages.size() <= pages; });
}

bool TPreparation::PrepareFor(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    return preparer_->Step([&] { return std::chrono::steady_clock::now() < until; });
}

bool TPreparation::Done() const { return preparer_->Done(); }

const TPreparedReport& TPreparation::Report() const { return preparer_->Report(); }

} // namespace kvz
