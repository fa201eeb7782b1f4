// A fixed report layout: the page set-up, bands and named elements, in millimetres. Plain
// C++: no widgets and no font metrics; Prepare (PreparedReport.h) turns a layout and its data
// into pages, and the renderer (ReportRender.h) paints them.
#pragma once

#include "platform/data/DB.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// Colours as the program stores them: 0x00BBGGRR.
using TColor = uint32_t;
// No colour: nothing is painted (a transparent background, no pen).
constexpr TColor ReportNoColor = 0x1FFFFFFF;
constexpr TColor ReportBlack = 0x000000, ReportWhite = 0xFFFFFF;

// The one conversion of the layouts' units: the designs give some sizes in pixels of 96 per
// inch, the layout keeps millimetres, and prepared pages keep whole hundredths of a millimetre.
constexpr double MmPerPixel = 25.4 / 96.0;
constexpr double Px(double pixels) { return pixels * MmPerPixel; }
constexpr double MmToPx(double mm) { return mm / MmPerPixel; }
int32_t ToHundredths(double mm);

struct TReportFont {
    std::string Name = "Arial";
    double Size = 10; // points
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    TColor Color = ReportBlack;
    bool operator==(const TReportFont&) const = default;
};

// Paper sizes of the layouts, in millimetres of the portrait sheet.
enum class TPaperSize { A4, C6, C5, DL, Custom };
enum class TPageOrientation { Portrait, Landscape };

struct TPageSetup {
    TPaperSize Paper = TPaperSize::A4;
    double PaperWidth = 210, PaperHeight = 297; // portrait sheet; set by SetPaper
    TPageOrientation Orientation = TPageOrientation::Portrait;
    double LeftMargin = 10, TopMargin = 10, RightMargin = 10, BottomMargin = 10;
    int Columns = 1;
    double ColumnSpace = 0;
    bool ManualFeed = false;   // the paper is fed by hand (envelopes)
    bool PrintIfEmpty = true; // no records still give one page
    // A detail may reach beyond the paper: it starts a page of its own and what lies outside
    // the paper is cut off (envelopes whose format and feed need more than the sheet).
    bool ClipToPaper = false;

    // A named paper takes its size; Custom keeps the size given.
    void SetPaper(TPaperSize paper, double width = 0, double height = 0);
    // The page as it is printed (landscape swaps the sheet's sides).
    double PageWidth() const;
    double PageHeight() const;
    double PrintableWidth() const { return PageWidth() - LeftMargin - RightMargin; }
    double ColumnWidth() const;
    // Refuses sizes that leave nothing to print (EReportError in the user's language).
    void Validate() const;
};

class TReportBand;
class TReportLayout;

enum class TElementKind { Label, DBText, SysData, Memo, Line, Rectangle };
enum class TSysDataKind { Date, Time, DateTime, PageNumber, PageCount };

// One named element of a band. Its rectangle is in millimetres from the band's top left corner.
class TReportElement {
public:
    TReportElement(TReportBand& band, TElementKind kind, std::string name);
    TReportElement(const TReportElement&) = delete;
    TReportElement& operator=(const TReportElement&) = delete;

    const std::string& Name() const { return name_; }
    TElementKind Kind() const { return kind_; }
    TReportBand& Band() const { return band_; }
    bool IsText() const { return kind_ != TElementKind::Line && kind_ != TElementKind::Rectangle; }

    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void SetLeft(double mm) { left_ = mm; }
    void SetTop(double mm) { top_ = mm; }
    void SetWidth(double mm) { width_ = mm; }
    void SetHeight(double mm) { height_ = mm; }
    void SetBounds(double left, double top, double width, double height);

    // Labels: the text; system data: the text before the value.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    // Memos: the lines.
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
    // Data texts: the field of the data set (the layout's when none is set).
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet) { dataSet_ = dataSet; }
    const std::string& DataField() const { return dataField_; }
    void SetDataField(std::string field) { dataField_ = std::move(field); }
    TSysDataKind SysData() const { return sysData_; }
    void SetSysData(TSysDataKind kind) { sysData_ = kind; }

    // The element's own font, else its band's.
    const TReportFont& Font() const;
    void SetFont(const TReportFont& font) { font_ = font; }
    bool ParentFont() const { return !font_; }
    void SetParentFont() { font_.reset(); }
    TColor Color() const { return color_; } // background of a text, fill of a rectangle
    void SetColor(TColor color) { color_ = color; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on) { wordWrap_ = on; }
    // The width grows to the text's longest line.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on) { autoSize_ = on; }
    // The height (and the band's) grows to the wrapped text.
    bool AutoStretch() const { return autoStretch_; }
    void SetAutoStretch(bool on) { autoStretch_ = on; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    // Lines and rectangles.
    TColor PenColor() const { return penColor_; }
    void SetPenColor(TColor color) { penColor_ = color; }
    double PenWidth() const { return penWidth_; }
    void SetPenWidth(double mm) { penWidth_ = mm; }

private:
    TReportBand& band_;
    TElementKind kind_;
    std::string name_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string caption_;
    std::vector<std::string> lines_;
    TDataSet* dataSet_ = nullptr;
    std::string dataField_;
    TSysDataKind sysData_ = TSysDataKind::Date;
    std::optional<TReportFont> font_;
    TColor color_ = ReportNoColor;
    TAlignment alignment_ = taLeftJustify;
    bool wordWrap_ = false, autoSize_ = false, autoStretch_ = false, enabled_ = true;
    TColor penColor_ = ReportBlack;
    double penWidth_ = Px(1);
};

enum class TBandKind { PageHeader, Title, ColumnHeader, Detail, Child };

struct TBandFrame {
    bool Top = false, Bottom = false, Left = false, Right = false;
    TColor Color = ReportBlack;
    double Width = Px(1);
    void SetAll(bool on) { Top = Bottom = Left = Right = on; }
    bool Any() const { return Top || Bottom || Left || Right; }
};

// Runs before the band is placed, once per record for detail and child bands; clearing
// print leaves the band out this time.
using TBandBeforePrintEvent = std::function<void(TReportBand& band, bool& print)>;

class TReportBand {
public:
    TReportBand(TReportLayout& layout, TBandKind kind, std::string name, TReportBand* parent);
    TReportBand(const TReportBand&) = delete;
    TReportBand& operator=(const TReportBand&) = delete;

    const std::string& Name() const { return name_; }
    TBandKind Kind() const { return kind_; }
    TReportLayout& Layout() const { return layout_; }
    // A child band's band (the detail or the child before it).
    TReportBand* ParentBand() const { return parent_; }

    double Height() const { return height_; }
    void SetHeight(double mm) { height_ = mm; }
    // 0: as wide as its column (details) or the printable page (the others).
    double Width() const { return width_; }
    void SetWidth(double mm) { width_ = mm; }
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    TBandFrame& Frame() { return frame_; }
    const TBandFrame& Frame() const { return frame_; }
    bool ForceNewPage() const { return forceNewPage_; }
    void SetForceNewPage(bool on) { forceNewPage_ = on; }
    // The font of the elements that have none of their own; the layout's when not set.
    const TReportFont& Font() const;
    void SetFont(const TReportFont& font) { font_ = font; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    TBandBeforePrintEvent BeforePrint;

    // Elements, each by a name unique in the layout (std::logic_error for a name in use).
    TReportElement& AddLabel(std::string name, std::string caption, double left, double top, double width = 0,
                             double height = 0);
    TReportElement& AddDBText(std::string name, std::string field, double left, double top, double width,
                              double height);
    TReportElement& AddSysData(std::string name, TSysDataKind kind, double left, double top, double width = 0,
                               double height = 0);
    TReportElement& AddMemo(std::string name, std::vector<std::string> lines, double left, double top, double width,
                            double height);
    TReportElement& AddLine(std::string name, double left, double top, double width, double height);
    TReportElement& AddRectangle(std::string name, double left, double top, double width, double height);
    const std::vector<std::unique_ptr<TReportElement>>& Elements() const { return elements_; }

private:
    TReportElement& Add(TElementKind kind, std::string name, double left, double top, double width, double height);
    TReportLayout& layout_;
    TBandKind kind_;
    std::string name_;
    TReportBand* parent_;
    double height_ = Px(40), width_ = 0;
    TColor color_ = ReportNoColor;
    TBandFrame frame_;
    bool forceNewPage_ = false, enabled_ = true;
    std::optional<TReportFont> font_;
    std::vector<std::unique_ptr<TReportElement>> elements_;
};

using TStartPageEvent = std::function<void(TReportLayout& layout, int pageNumber)>;

// A layout bound to a data set: its detail band is printed once per record of the data set
// (in the order and filter the data set shows), between the page header, the title (first
// page only) and the column header (every page) above, with each detail's child bands after it.
class TReportLayout {
public:
    explicit TReportLayout(std::string name = {});
    TReportLayout(const TReportLayout&) = delete;
    TReportLayout& operator=(const TReportLayout&) = delete;

    const std::string& Name() const { return name_; }
    // The name of the print job and of the preview window.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    TPageSetup& Page() { return page_; }
    const TPageSetup& Page() const { return page_; }
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet) { dataSet_ = dataSet; }
    const TReportFont& Font() const { return font_; }
    void SetFont(const TReportFont& font) { font_ = font; }
    // Date and time of the system data elements; today's date comes from the clock.
    const FormatSettings& Settings() const { return settings_; }
    void SetSettings(const FormatSettings& settings) { settings_ = settings; }
    TStartPageEvent OnStartPage;

    // One band of each kind but Child; a child band follows its parent band.
    TReportBand& AddBand(TBandKind kind, std::string name);
    TReportBand& AddChildBand(TReportBand& parent, std::string name);
    const std::vector<std::unique_ptr<TReportBand>>& Bands() const { return bands_; }
    TReportBand* FindBand(std::string_view name) const;
    TReportBand* BandOfKind(TBandKind kind) const;
    // The child bands that follow a band, in order.
    std::vector<TReportBand*> ChildrenOf(const TReportBand& band) const;

    // Elements by name: nullptr when none; Element throws std::logic_error naming it.
    TReportElement* FindElement(std::string_view name) const;
    TReportElement& Element(std::string_view name) const;

    // Internal: a new element's name is checked here.
    void CheckNewName(const std::string& name) const;

private:
    std::string name_, title_;
    TPageSetup page_;
    TDataSet* dataSet_ = nullptr;
    TReportFont font_;
    FormatSettings settings_;
    std::vector<std::unique_ptr<TReportBand>> bands_;
};

} // namespace kvz
