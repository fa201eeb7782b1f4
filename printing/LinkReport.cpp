#include "printing/LinkReport.h"

#include "addressbook/FilterText.h"
#include "core/Messages.h"
#include "platform/report/ReportDataFeed.h"
#include "printing/TaskReportLayouts.h"

#include <tuple>

namespace kvz {

namespace {

constexpr TColor Silver = 0xC0C0C0, Blue = 0xFF0000;

} // namespace

std::unique_ptr<TReportLayout> MakeLinkLayout() {
    auto layout = std::make_unique<TReportLayout>("TLinksReportFull");
    layout->Page().SetPaper(TPaperSize::A4);
    layout->Page().Orientation = TPageOrientation::Portrait;
    layout->Page().LeftMargin = layout->Page().TopMargin = layout->Page().RightMargin = layout->Page().BottomMargin = 10;
    layout->Page().Columns = 1;
    layout->Page().PrintIfEmpty = true;
    layout->SetFont({.Name = "Arial"});

    TReportBand& page = layout->AddBand(TBandKind::PageHeader, "PageHeaderBand1");
    page.SetHeight(Px(40));
    page.SetColor(Silver);
    page.AddSysData("QRSysData2", TSysDataKind::Date, Px(8), Px(12), 0, Px(18)).SetFont({.Name = "Arial", .Size = 10});
    page.AddLabel("QRLabel2", "Page number :", Px(562), Px(11), 0, Px(19))
        .SetFont({.Name = "Arial", .Size = 11, .Italic = true});
    page.AddSysData("QRSysData1", TSysDataKind::PageNumber, Px(664), Px(12), 0, Px(18))
        .SetFont({.Name = "Arial", .Size = 10});

    TReportBand& title = layout->AddBand(TBandKind::Title, "TitleBand1");
    title.SetHeight(Px(51));
    title.AddLabel("QRLabel1", "", Px(204), Px(7), 0, Px(36))
        .SetFont({.Name = "Tahoma", .Size = 20, .Bold = true, .Italic = true, .Underline = true, .Color = Blue});

    TReportBand& detail = layout->AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(Px(113));
    const TReportFont caption{.Name = "Tahoma", .Size = 10, .Bold = true};
    const TReportFont value{.Name = "Tahoma", .Size = 10};
    TReportFont nameCaption = caption;
    nameCaption.Size = 12;
    detail.AddLabel("QRLabel3", "", Px(8), Px(7), 0, Px(24)).SetFont(nameCaption);
    detail.AddDBText("QRDBText1", "Name", Px(101), Px(11), Px(153), Px(18)).SetFont({.Name = "Arial", .Size = 11});
    detail.AddLabel("QRLabel4", "", Px(8), Px(35), 0, Px(20)).SetFont(caption);
    // Values a little right of their designed places, so the captions of every language in
    // the substituted fonts end before them.
    detail.AddDBText("QRDBText2", "Type", Px(64), Px(35), Px(644), Px(18)).SetFont(value);
    detail.AddLabel("QRLabel5", "", Px(8), Px(60), 0, Px(20)).SetFont(caption);
    detail.AddDBText("QRDBText3", "Path", Px(70), Px(60), Px(639), Px(18)).SetFont(value);
    detail.AddLabel("QRLabel6", "", Px(8), Px(85), 0, Px(20)).SetFont(caption);
    detail.AddDBText("QRDBText4", "Note", Px(104), Px(85), Px(605), Px(18)).SetFont(value);

    TReportBand& child = layout->AddChildBand(detail, "ChildBand1");
    child.SetHeight(Px(15));
    child.AddLine("QRShape1", 0, 0, Px(718), 0);
    return layout;
}

void BindLinkLayout(TReportLayout& layout, TDataSet& links) {
    layout.SetDataSet(&links);
    // Dates as the reader's language writes them.
    layout.SetSettings(FormatSettings::ForLanguage(Language()));
    for (auto [element, field] :
         {std::pair{"QRDBText1", "Name"}, {"QRDBText2", "Type"}, {"QRDBText3", "Path"}, {"QRDBText4", "Note"}}) {
        TReportElement& e = layout.Element(element);
        e.SetDataSet(&links);
        e.SetDataField(field);
    }
    layout.SetTitle(GetMessageText(MessageId::LinksSummary));
    layout.Element("QRLabel1").SetCaption(GetMessageText(MessageId::LinksSummary));
    layout.Element("QRLabel2").SetCaption(GetMessageText(MessageId::PageNumber));
    layout.Element("QRLabel3").SetCaption(GetMessageText(MessageId::Name) + " : ");
    layout.Element("QRLabel4").SetCaption(GetMessageText(MessageId::TypeLabel));
    layout.Element("QRLabel5").SetCaption(GetMessageText(MessageId::Path) + " : ");
    layout.Element("QRLabel6").SetCaption(GetMessageText(MessageId::Note) + " : ");
    for (auto [caption, value, size] : {std::tuple{"QRLabel3", "QRDBText1", 12}, {"QRLabel4", "QRDBText2", 10},
                                        {"QRLabel5", "QRDBText3", 10}, {"QRLabel6", "QRDBText4", 10}})
        FitCaption(layout, caption, size, layout.Element(value).Left());
}

std::string LinkFilterText(int typeIndex, const std::string& type) {
    return typeIndex > 0 ? "Type=" + QuotedFilterName(type) : std::string();
}

TLinkSelection::TLinkSelection(TVolgaTable* links, TVolgaTable* types) : links_(links), types_(types) {
    if (links_) {
        linkFilter_ = links_->OnFilterRecord();
        links_->SetOnFilterRecord(nullptr);
    }
}

TLinkSelection::~TLinkSelection() {
    try {
        Close();
    } catch (...) { // a table closed under us: nothing left to put back
    }
}

std::vector<std::string> TLinkSelection::TypeItems() const {
    std::vector<std::string> items{GetMessageText(MessageId::AllModules)};
    if (types_ && types_->Active())
        ForEachRecord(*types_, [&] { items.push_back(types_->FieldByName("LinksType").AsString()); });
    return items;
}

void TLinkSelection::Select(int typeIndex, const std::string& type) {
    if (!links_) return;
    links_->SetFilterText(LinkFilterText(typeIndex, type));
    links_->SetFiltered(true);
}

void TLinkSelection::ShowAll() {
    if (links_) links_->SetFiltered(false);
}

void TLinkSelection::Close() {
    if (closed_) return;
    closed_ = true;
    if (!links_) return;
    links_->SetFilterText("");
    links_->SetFiltered(false);
    if (!links_->OnFilterRecord()) links_->SetOnFilterRecord(linkFilter_);
}

} // namespace kvz
