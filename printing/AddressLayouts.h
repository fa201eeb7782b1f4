// The three fixed layouts that print addresses: labels, envelopes and the address summary.
// Each is data over the report layer; the report window binds them to its data set and moves
// their margins, sizes, fonts and fields by the element names used here.
#pragma once

#include "platform/report/ReportLayout.h"

namespace kvz {

// Labels (TReportForm1): an A4 portrait sheet of three columns; DetailBand1 is one label with
// the address QRDBText1, ChildBand1 the gap after every row of labels.
void BuildLabelLayout(TReportLayout& layout);
// Envelopes (TReportFormObalky): A4 landscape, fed by hand, one envelope (DetailObalkyBand) a
// page; QRDBText1 the address, QRLabel1 the sender. The band is cut at the paper's edge.
void BuildEnvelopeLayout(TReportLayout& layout);
// The address summary (TPrehladReportForm): page header with date and page number, title,
// column header QRLabel3/6/7 and a detail of the columns QRDBText4, QRDBText2, QRDBText3.
void BuildSummaryLayout(TReportLayout& layout);

// The three layouts of the report window, made together and freed together.
struct TAddressLayouts {
    TAddressLayouts();
    TReportLayout Labels{"TReportForm1"};
    TReportLayout Envelopes{"TReportFormObalky"};
    TReportLayout Summary{"TPrehladReportForm"};
    // Binds the layouts and every data field of them to the data set.
    void SetDataSet(TDataSet* dataSet);
    // The label and envelope address fields show the field ("Adresa_1" or "Adresa_2").
    void SetAddressField(const std::string& field);
};

// The font of the layouts' address fields: Arial 11 bold.
TReportFont DefaultAddressFont();

} // namespace kvz
