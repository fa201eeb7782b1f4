#include "platform/report/ReportLayout.h"

#include "platform/report/ReportMessages.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kvz {

int32_t ToHundredths(double mm) { return static_cast<int32_t>(std::lround(mm * 100.0)); }

namespace {

std::string Mm(double a, double b) {
    char text[64];
    std::snprintf(text, sizeof text, "%g x %g", a, b);
    return text;
}

} // namespace

void TPageSetup::SetPaper(TPaperSize paper, double width, double height) {
    Paper = paper;
    switch (paper) {
    case TPaperSize::A4: PaperWidth = 210, PaperHeight = 297; break;
    case TPaperSize::C6: PaperWidth = 114, PaperHeight = 162; break;
    case TPaperSize::C5: PaperWidth = 162, PaperHeight = 229; break;
    case TPaperSize::DL: PaperWidth = 110, PaperHeight = 220; break;
    case TPaperSize::Custom: PaperWidth = width, PaperHeight = height; break;
    }
}

double TPageSetup::PageWidth() const {
    return Orientation == TPageOrientation::Landscape ? PaperHeight : PaperWidth;
}

double TPageSetup::PageHeight() const {
    return Orientation == TPageOrientation::Landscape ? PaperWidth : PaperHeight;
}

double TPageSetup::ColumnWidth() const {
    const int n = Columns < 1 ? 1 : Columns;
    return (PrintableWidth() - (n - 1) * ColumnSpace) / n;
}

void TPageSetup::Validate() const {
    // A sheet of more than ten metres is a typing error, not a paper.
    if (!(PaperWidth > 0 && PaperHeight > 0 && PaperWidth <= 10000 && PaperHeight <= 10000))
        throw EReportError(ReportMessage(TReportMessage::PaperTooSmall, {Mm(PaperWidth, PaperHeight)}));
    if (LeftMargin < 0 || RightMargin < 0 || TopMargin < 0 || BottomMargin < 0 || !(PrintableWidth() > 0) ||
        !(PageHeight() - TopMargin - BottomMargin > 0))
        throw EReportError(ReportMessage(TReportMessage::MarginsTooLarge));
    if (Columns < 1 || Columns > 100 || ColumnSpace < 0 || !(ColumnWidth() > 0))
        throw EReportError(ReportMessage(TReportMessage::BadColumns));
}

// ---- Elements ---------------------------------------------------------------------------

TReportElement::TReportElement(TReportBand& band, TElementKind kind, std::string name)
    : band_(band), kind_(kind), name_(std::move(name)) {}

void TReportElement::SetBounds(double left, double top, double width, double height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

const TReportFont& TReportElement::Font() const { return font_ ? *font_ : band_.Font(); }

// ---- Bands ------------------------------------------------------------------------------

TReportBand::TReportBand(TReportLayout& layout, TBandKind kind, std::string name, TReportBand* parent)
    : layout_(layout), kind_(kind), name_(std::move(name)), parent_(parent) {}

const TReportFont& TReportBand::Font() const { return font_ ? *font_ : layout_.Font(); }

TReportElement& TReportBand::Add(TElementKind kind, std::string name, double left, double top, double width,
                                 double height) {
    layout_.CheckNewName(name);
    elements_.push_back(std::make_unique<TReportElement>(*this, kind, std::move(name)));
    elements_.back()->SetBounds(left, top, width, height);
    return *elements_.back();
}

TReportElement& TReportBand::AddLabel(std::string name, std::string caption, double left, double top, double width,
                                      double height) {
    TReportElement& e = Add(TElementKind::Label, std::move(name), left, top, width, height);
    e.SetCaption(std::move(caption));
    // A label given no size takes the size of its text.
    if (width <= 0) e.SetAutoSize(true);
    return e;
}

TReportElement& TReportBand::AddDBText(std::string name, std::string field, double left, double top, double width,
                                       double height) {
    TReportElement& e = Add(TElementKind::DBText, std::move(name), left, top, width, height);
    e.SetDataField(std::move(field));
    return e;
}

TReportElement& TReportBand::AddSysData(std::string name, TSysDataKind kind, double left, double top, double width,
                                        double height) {
    TReportElement& e = Add(TElementKind::SysData, std::move(name), left, top, width, height);
    e.SetSysData(kind);
    if (width <= 0) e.SetAutoSize(true);
    return e;
}

TReportElement& TReportBand::AddMemo(std::string name, std::vector<std::string> lines, double left, double top,
                                     double width, double height) {
    TReportElement& e = Add(TElementKind::Memo, std::move(name), left, top, width, height);
    e.SetLines(std::move(lines));
    return e;
}

TReportElement& TReportBand::AddLine(std::string name, double left, double top, double width, double height) {
    return Add(TElementKind::Line, std::move(name), left, top, width, height);
}

TReportElement& TReportBand::AddRectangle(std::string name, double left, double top, double width, double height) {
    return Add(TElementKind::Rectangle, std::move(name), left, top, width, height);
}

// ---- Layout -----------------------------------------------------------------------------

TReportLayout::TReportLayout(std::string name) : name_(std::move(name)) {}

TReportBand& TReportLayout::AddBand(TBandKind kind, std::string name) {
    if (kind == TBandKind::Child) throw std::logic_error("A child band needs its parent band: " + name);
    if (BandOfKind(kind)) throw std::logic_error("The layout " + name_ + " has a band of that kind: " + name);
    CheckNewName(name);
    bands_.push_back(std::make_unique<TReportBand>(*this, kind, std::move(name), nullptr));
    return *bands_.back();
}

TReportBand& TReportLayout::AddChildBand(TReportBand& parent, std::string name) {
    CheckNewName(name);
    bands_.push_back(std::make_unique<TReportBand>(*this, TBandKind::Child, std::move(name), &parent));
    return *bands_.back();
}

TReportBand* TReportLayout::FindBand(std::string_view name) const {
    for (const auto& b : bands_)
        if (b->Name() == name) return b.get();
    return nullptr;
}

TReportBand* TReportLayout::BandOfKind(TBandKind kind) const {
    for (const auto& b : bands_)
        if (b->Kind() == kind) return b.get();
    return nullptr;
}

std::vector<TReportBand*> TReportLayout::ChildrenOf(const TReportBand& band) const {
    std::vector<TReportBand*> out;
    const TReportBand* parent = &band;
    for (bool found = true; found;) {
        found = false;
        for (const auto& b : bands_)
            if (b->ParentBand() == parent) {
                out.push_back(b.get());
                parent = b.get();
                found = true;
                break;
            }
    }
    return out;
}

TReportElement* TReportLayout::FindElement(std::string_view name) const {
    for (const auto& b : bands_)
        for (const auto& e : b->Elements())
            if (e->Name() == name) return e.get();
    return nullptr;
}

TReportElement& TReportLayout::Element(std::string_view name) const {
    if (TReportElement* e = FindElement(name)) return *e;
    throw std::logic_error("The layout " + name_ + " has no element " + std::string(name));
}

void TReportLayout::CheckNewName(const std::string& name) const {
    if (name.empty()) throw std::logic_error("An element of the layout " + name_ + " has no name");
    if (FindBand(name) || FindElement(name))
        throw std::logic_error("The layout " + name_ + " has two parts named " + name);
}

} // namespace kvz
