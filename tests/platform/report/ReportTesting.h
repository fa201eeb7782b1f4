// What the report tests share: a small data set of names, a layout over it whose bands print
// single letters (so pages can be read back as text), and the pages summed up as strings.
#pragma once

#include "platform/data/TinyDataSet.h"
#include "platform/report/PreparedReport.h"

#include <string>
#include <vector>

namespace kvz::test {

// Rows "1", "2", ... in the field Name (and Note).
inline void FillNames(TTinyDataSet& data, int rows) {
    if (data.FieldDefs().Count() == 0) {
        data.FieldDefs().Add("Name", ftString, 40);
        data.FieldDefs().Add("Note", ftString, 80);
    }
    for (int i = 1; i <= rows; ++i) data.AddRow({Variant(std::to_string(i)), Variant("note " + std::to_string(i))});
}

// A portrait A4 page with a printable height of 270 mm (margins 10 and 17).
struct LayoutShape {
    double pageHeader = 0, title = 0, columnHeader = 0, detail = 27, child = 0;
    int columns = 1;
    bool forceNewPage = false, printIfEmpty = true;
};

inline void BuildLayout(TReportLayout& layout, TDataSet& data, const LayoutShape& s) {
    layout.SetDataSet(&data);
    TPageSetup& page = layout.Page();
    page.TopMargin = 10;
    page.BottomMargin = 17;
    page.Columns = s.columns;
    page.ColumnSpace = 4;
    page.PrintIfEmpty = s.printIfEmpty;
    if (s.pageHeader > 0)
        layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1").AddLabel("QRLabelH", "H", 1, 1, 10, 5);
    if (s.title > 0) layout.AddBand(TBandKind::Title, "TitleBand1").AddLabel("QRLabelT", "T", 1, 1, 10, 5);
    if (s.columnHeader > 0)
        layout.AddBand(TBandKind::ColumnHeader, "QRBand1").AddLabel("QRLabelC", "C", 1, 1, 10, 5);
    for (auto [kind, height] : {std::pair{TBandKind::PageHeader, s.pageHeader}, {TBandKind::Title, s.title},
                                {TBandKind::ColumnHeader, s.columnHeader}})
        if (TReportBand* b = layout.BandOfKind(kind)) b->SetHeight(height);
    TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(s.detail);
    detail.SetForceNewPage(s.forceNewPage);
    detail.AddDBText("QRDBText1", "Name", 1, 1, 20, 5);
    if (s.child > 0) {
        TReportBand& child = layout.AddChildBand(detail, "ChildBand1");
        child.SetHeight(s.child);
        child.AddLabel("QRLabelK", "c", 1, 0, 5, s.child);
    }
}

// Each page as "HTC:1,2,3|4,5": the header letters, then the records by column; a record
// followed by its child band is written "3c".
inline std::vector<std::string> Summary(const TPreparedReport& report) {
    std::vector<std::string> pages;
    for (const TPreparedPage& page : report.Pages) {
        std::string headers, records;
        int32_t column = -1;
        for (const TPreparedItem& item : page.Items) {
            if (item.Kind != TPreparedKind::Text) continue;
            if (item.Text == "H" || item.Text == "T" || item.Text == "C") {
                headers += item.Text;
            } else if (item.Text == "c") {
                records += "c";
            } else {
                if (column >= 0) records += item.X != column ? "|" : ",";
                column = item.X;
                records += item.Text;
            }
        }
        pages.push_back(headers + ":" + records);
    }
    return pages;
}

} // namespace kvz::test
