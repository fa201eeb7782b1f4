#include "printing/AddressLayouts.h"

#include <tuple>

namespace kvz {

TReportFont DefaultAddressFont() { return {.Name = "Arial", .Size = 11, .Bold = true}; }

namespace {

void CommonPage(TReportLayout& layout) {
    layout.SetFont({.Name = "Arial", .Size = 10});
    layout.Page().SetPaper(TPaperSize::A4);
    layout.Page().PrintIfEmpty = true;
}

} // namespace

void BuildLabelLayout(TReportLayout& layout) {
    CommonPage(layout);
    TPageSetup& page = layout.Page();
    page.Orientation = TPageOrientation::Portrait;
    page.Columns = 3;
    page.TopMargin = 10;
    page.BottomMargin = 10.05;
    page.LeftMargin = 10;
    page.RightMargin = 10;
    page.ColumnSpace = 3;
    TReportBand& label = layout.AddBand(TBandKind::Detail, "DetailBand1");
    label.SetHeight(30.69);
    label.SetWidth(61.38);
    label.SetColor(ReportWhite);
    label.Frame().SetAll(true);
    TReportElement& address = label.AddDBText("QRDBText1", "Adresa_1", 2.91, 0.53, 56.62, 28.05);
    address.SetFont(DefaultAddressFont());
    address.SetWordWrap(true);
    address.SetColor(ReportWhite);
    TReportBand& gap = layout.AddChildBand(label, "ChildBand1");
    gap.SetHeight(10.05);
    gap.SetWidth(61.38);
    gap.SetColor(ReportWhite);
}

void BuildEnvelopeLayout(TReportLayout& layout) {
    CommonPage(layout);
    TPageSetup& page = layout.Page();
    page.Orientation = TPageOrientation::Landscape;
    page.Columns = 1;
    page.TopMargin = 50;
    page.BottomMargin = 50;
    page.LeftMargin = 0;
    page.RightMargin = 135;
    page.ColumnSpace = 0;
    page.ManualFeed = true;
    // The envelope formats and the printer's feed need a little more than the landscape
    // sheet: each envelope is a page of its own, cut at the paper's edge.
    page.ClipToPaper = true;
    TReportBand& envelope = layout.AddBand(TBandKind::Detail, "DetailObalkyBand");
    envelope.SetHeight(113.77);
    envelope.SetWidth(162.19);
    envelope.SetColor(ReportWhite);
    envelope.SetForceNewPage(true);
    TReportElement& address = envelope.AddDBText("QRDBText1", "Adresa_1", Px(324), Px(264), 17.46, 27.52);
    address.SetFont(DefaultAddressFont());
    address.SetAutoSize(true);
    address.SetAutoStretch(true);
    address.SetWordWrap(true);
    address.SetColor(ReportWhite);
    TReportElement& sender = envelope.AddLabel("QRLabel1", "company name", Px(70), Px(30), 23.81, 26.46);
    sender.SetFont({.Name = "Arial", .Size = 10});
    sender.SetAutoSize(true);
    sender.SetWordWrap(true);
    sender.SetColor(ReportWhite);
}

void BuildSummaryLayout(TReportLayout& layout) {
    CommonPage(layout);
    TPageSetup& page = layout.Page();
    page.Orientation = TPageOrientation::Portrait;
    page.Columns = 1;
    page.TopMargin = page.BottomMargin = page.LeftMargin = page.RightMargin = 10;
    const TColor silver = 0xC0C0C0;
    const TReportFont header{.Name = "Arial", .Size = 11, .Italic = true};
    TReportBand& top = layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1");
    top.SetHeight(10.58);
    top.SetColor(silver);
    for (TReportElement* e : {&top.AddSysData("QRSysData2", TSysDataKind::Date, 3.44, 2.91),
                              &top.AddLabel("QRLabel2", "Page number :", 148.70, 2.91),
                              &top.AddSysData("QRSysData1", TSysDataKind::PageNumber, 175.95, 2.91)}) {
        e->SetFont(header);
        e->SetAutoSize(true);
        e->SetColor(silver);
    }
    TReportBand& title = layout.AddBand(TBandKind::Title, "TitleBand1");
    title.SetHeight(13.49);
    title.AddLabel("QRLabel1", "Items summary :", 46.04, 1.85)
        .SetFont({.Name = "Tahoma", .Size = 20, .Bold = true, .Italic = true, .Underline = true, .Color = 0xFF0000});
    layout.Element("QRLabel1").SetAutoSize(true);
    TReportBand& columns = layout.AddBand(TBandKind::ColumnHeader, "QRBand1");
    columns.SetHeight(10.58);
    columns.Frame().SetAll(true);
    columns.Frame().Color = 0x0000FF;
    columns.Frame().Width = Px(2);
    const TReportFont heading{.Name = "Tahoma", .Size = 14, .Bold = true, .Italic = true};
    for (auto [name, caption, left] : {std::tuple{"QRLabel3", "Name :", 5.82}, {"QRLabel6", "Address  1 : ", 93.93},
                                       {"QRLabel7", "Address 2  :", 141.55}}) {
        TReportElement& e = columns.AddLabel(name, caption, left, 1.32);
        e.SetFont(heading);
        e.SetAutoSize(true);
    }
    TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(38.10);
    detail.SetFont(heading);
    for (auto [name, field, left, width] : {std::tuple{"QRDBText4", "Firma", 1.32, 82.02},
                                            {"QRDBText2", "Adresa_1", 90.22, 47.36},
                                            {"QRDBText3", "Adresa_2", 141.29, 47.63}}) {
        TReportElement& e = detail.AddDBText(name, field, left, 4.23, width, 28.3);
        e.SetFont({.Name = "Arial", .Size = 12, .Italic = true});
        e.SetWordWrap(true);
    }
}

TAddressLayouts::TAddressLayouts() {
    BuildLabelLayout(Labels);
    BuildEnvelopeLayout(Envelopes);
    BuildSummaryLayout(Summary);
}

void TAddressLayouts::SetDataSet(TDataSet* dataSet) {
    for (TReportLayout* layout : {&Labels, &Envelopes, &Summary}) {
        layout->SetDataSet(dataSet);
        for (const auto& band : layout->Bands())
            for (const auto& e : band->Elements())
                if (e->Kind() == TElementKind::DBText) e->SetDataSet(dataSet);
    }
}

void TAddressLayouts::SetAddressField(const std::string& field) {
    Labels.Element("QRDBText1").SetDataField(field);
    Envelopes.Element("QRDBText1").SetDataField(field);
}

} // namespace kvz
