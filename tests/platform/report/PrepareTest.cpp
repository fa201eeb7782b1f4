#include "ReportTesting.h"

#include "platform/report/ReportDataFeed.h"
#include "platform/report/ReportMessages.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

namespace kvz {
namespace {

using test::BuildLayout;
using test::FillNames;
using test::LayoutShape;
using test::Summary;
using test::TTinyDataSet;

// A data set that cannot read rows by position: the report walks it.
class TWalkedDataSet : public TTinyDataSet {
protected:
    bool InternalReadRecordAt(int, TRecordBuffer&) override { return false; }
};

// Ten records of 27 mm fill the 270 mm of a page exactly.
struct PaginationCase {
    const char* name;
    int rows;
    LayoutShape shape;
    std::vector<std::string> pages;
};

std::string Range(int from, int to, const char* suffix = "") {
    std::string out;
    for (int i = from; i <= to; ++i) out += (i > from ? "," : "") + std::to_string(i) + suffix;
    return out;
}

class PaginationTest : public ::testing::TestWithParam<PaginationCase> {};

TEST_P(PaginationTest, PlacesBandsOnPages) {
    const PaginationCase& c = GetParam();
    TTinyDataSet data;
    FillNames(data, c.rows);
    data.Open();
    TReportLayout layout("Pages");
    BuildLayout(layout, data, c.shape);
    EXPECT_EQ(Summary(Prepare(layout)), c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PaginationTest,
    ::testing::Values(
        PaginationCase{"NoRowsOnePage", 0, {}, {":"}},
        PaginationCase{"NoRowsNoPageWhenTheLayoutSaysSo", 0, {.printIfEmpty = false}, {}},
        PaginationCase{"NoRowsStillHeaders", 0, {.pageHeader = 10, .title = 10, .columnHeader = 10}, {"HTC:"}},
        PaginationCase{"OneRow", 1, {}, {":1"}},
        PaginationCase{"PageExactlyFull", 10, {}, {":" + Range(1, 10)}},
        PaginationCase{"OneOver", 11, {}, {":" + Range(1, 10), ":11"}},
        PaginationCase{"ColumnByColumn", 21, {.columns = 2}, {":" + Range(1, 10) + "|" + Range(11, 20), ":21"}},
        PaginationCase{"ThreeColumnsPartlyFilled", 12, {.columns = 3}, {":" + Range(1, 10) + "|11,12"}},
        PaginationCase{"ForceNewPageLeavesNoBlankFirstPage", 3, {.forceNewPage = true}, {":1", ":2", ":3"}},
        // 8 records of 26 mm with their 4.5 mm children take 244 mm; the 9th detail ends at 270
        // and its child does not fit: it is left out, the 10th record starts page 2.
        PaginationCase{"ChildThatDoesNotFitIsDropped", 10, {.detail = 26, .child = 4.5},
                       {":" + Range(1, 8, "c") + ",9", ":10c"}},
        PaginationCase{"ChildFitsExactly", 9, {.detail = 27, .child = 3}, {":" + Range(1, 9, "c")}},
        // Details of 20 mm with 35 mm children: the fifth child does not fit (250 + 35 > 280),
        // so the sixth detail starts the next column, not straight under the fifth.
        PaginationCase{"DetailAfterADroppedChildStartsTheNextColumn", 11, {.detail = 20, .child = 35, .columns = 2},
                       {":" + Range(1, 4, "c") + ",5|" + Range(6, 9, "c") + ",10", ":11c"}},
        // Page 1: 270 - 20 - 30 - 10 leaves 210 mm for 7 records; later pages 240 mm for 8.
        PaginationCase{"TitleOnlyOnFirstPageColumnHeaderOnEvery", 20,
                       {.pageHeader = 20, .title = 30, .columnHeader = 10},
                       {"HTC:" + Range(1, 7), "HC:" + Range(8, 15), "HC:" + Range(16, 20)}}),
    [](const auto& info) { return std::string(info.param.name); });

// The label sheet of the address labels: 3 columns of 30.69 mm labels with a 10.05 mm gap band,
// margins 10 and 10.05 give 7 labels a column, 21 a sheet.
TEST(Prepare, LabelSheetHoldsTwentyOneLabels) {
    TTinyDataSet data;
    FillNames(data, 22);
    data.Open();
    TReportLayout layout("TReportForm1");
    layout.SetDataSet(&data);
    TPageSetup& page = layout.Page();
    page.Columns = 3;
    page.ColumnSpace = 3;
    page.TopMargin = 10;
    page.BottomMargin = 10.05;
    TReportBand& label = layout.AddBand(TBandKind::Detail, "DetailBand1");
    label.SetHeight(30.69);
    label.SetWidth(61.38);
    label.Frame().SetAll(true);
    label.AddDBText("QRDBText1", "Name", 2.91, 0.53, 56.62, 28.05);
    layout.AddChildBand(label, "ChildBand1").SetHeight(10.05);
    TPreparedReport report = Prepare(layout);
    ASSERT_EQ(report.Pages.size(), 2u);
    EXPECT_EQ(Summary(report)[0], ":" + Range(1, 7) + "|" + Range(8, 14) + "|" + Range(15, 21));
    EXPECT_EQ(Summary(report)[1], ":22");
    // The third column starts at 10 + 2 * (61.33 + 3) mm; its label keeps its own width.
    const auto& items = report.Pages[0].Items;
    auto frame = std::find_if(items.rbegin(), items.rend(), [](const TPreparedItem& i) { return i.Sides == 15; });
    ASSERT_NE(frame, items.rend());
    EXPECT_EQ(frame->X, 13867);
    EXPECT_EQ(frame->W, 6138);
}

// The envelope reaches into the bottom margin (114 mm in 110): it is still printed, one a page.
TEST(Prepare, EnvelopeBandMayCrossTheBottomMargin) {
    TTinyDataSet data;
    FillNames(data, 2);
    data.Open();
    TReportLayout layout("TReportFormObalky");
    layout.SetDataSet(&data);
    TPageSetup& page = layout.Page();
    page.Orientation = TPageOrientation::Landscape;
    page.TopMargin = page.BottomMargin = 50;
    page.LeftMargin = 0;
    page.RightMargin = 135;
    page.ManualFeed = true;
    TReportBand& envelope = layout.AddBand(TBandKind::Detail, "DetailObalkyBand");
    envelope.SetHeight(114);
    envelope.SetWidth(162.2);
    envelope.SetForceNewPage(true);
    envelope.AddDBText("QRDBText1", "Name", Px(372), Px(265), 17.46, 27.52);
    const TPreparedReport report = Prepare(layout);
    EXPECT_EQ(Summary(report), (std::vector<std::string>{":1", ":2"}));
    EXPECT_EQ(report.PageWidth, 29700);
    EXPECT_EQ(report.PageHeight, 21000);
    EXPECT_TRUE(report.Landscape);
    EXPECT_TRUE(report.ManualFeed);
    EXPECT_EQ(report.Pages[0].Items[0].X, ToHundredths(Px(372)));
    EXPECT_EQ(report.Pages[0].Items[0].Y, 5000 + ToHundredths(Px(265)));
}

TEST(Prepare, PageNumbersAndCountAreResolved) {
    TTinyDataSet data;
    FillNames(data, 25);
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {.pageHeader = 10});
    TReportBand& header = *layout.BandOfKind(TBandKind::PageHeader);
    header.AddSysData("QRSysData1", TSysDataKind::PageNumber, 50, 1).SetCaption("Page ");
    header.AddSysData("QRSysData2", TSysDataKind::PageCount, 80, 1).SetCaption("of ");
    FixedClock clock(EncodeDate(2026, 12, 10));
    ScopedClock scoped(clock);
    FormatSettings fs = FormatSettings::ForLanguage(2);
    layout.SetSettings(fs);
    header.AddSysData("QRSysData3", TSysDataKind::Date, 120, 1);
    const TPreparedReport report = Prepare(layout);
    ASSERT_EQ(report.Pages.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
        std::vector<std::string> texts;
        for (const TPreparedItem& i : report.Pages[p].Items)
            if (i.Kind == TPreparedKind::Text && i.Text.size() > 1 && i.Text[0] != 'n') texts.push_back(i.Text);
        std::vector<std::string> expected{"Page " + std::to_string(p + 1), "of 3",
                                          FormatDateTime(fs.ShortDateFormat, EncodeDate(2026, 12, 10), fs)};
        for (const std::string& e : expected) EXPECT_NE(std::find(texts.begin(), texts.end(), e), texts.end()) << e;
    }
}

// A preparation in steps gives the pages that one whole preparation gives, page counts
// included, whatever the steps; the pages asked for are there after each step.
TEST(Prepare, InStepsGivesTheSamePages) {
    struct Case {
        const char* name;
        LayoutShape shape;
        std::vector<size_t> steps; // pages asked for, in turn
    };
    for (const Case& c : {Case{"OneColumn", {.pageHeader = 10}, {1, 2, 3, 7, 7, 30}},
                          Case{"Columns", {.pageHeader = 10, .columns = 3}, {0, 1, 4}},
                          Case{"Children", {.detail = 26, .child = 4.5}, {2, 3, 5, 6, 100}},
                          Case{"PageEach", {.forceNewPage = true}, {1, 50, 51}}}) {
        SCOPED_TRACE(c.name);
        TTinyDataSet data;
        FillNames(data, 140);
        data.Open();
        TReportLayout layout;
        BuildLayout(layout, data, c.shape);
        if (TReportBand* header = layout.BandOfKind(TBandKind::PageHeader))
            header->AddSysData("QRSysData2", TSysDataKind::PageCount, 80, 1).SetCaption("of ");
        const TPreparedReport whole = Prepare(layout);
        TPreparation steps(layout);
        EXPECT_TRUE(steps.Report().Pages.empty());
        for (size_t pages : c.steps) {
            const bool done = steps.PrepareTo(pages);
            EXPECT_EQ(done, steps.Done());
            EXPECT_GE(steps.Report().Pages.size(), std::min(pages, whole.Pages.size()));
            if (!done) {
                EXPECT_LE(steps.Report().Pages.size(), pages + 1);
            }
        }
        while (!steps.PrepareFor(std::chrono::milliseconds(0))) {
        }
        EXPECT_EQ(steps.Report(), whole);
    }
}

// A data set that cannot be read by position is prepared whole by the first step, and put
// back where the windows had it.
TEST(Prepare, InStepsOverAWalkedDataSet) {
    TWalkedDataSet data;
    FillNames(data, 35);
    data.Open();
    data.MoveBy(4);
    TReportLayout layout;
    BuildLayout(layout, data, {});
    TPreparation steps(layout);
    EXPECT_TRUE(steps.PrepareTo(1));
    EXPECT_EQ(Summary(steps.Report()).size(), 4u);
    EXPECT_EQ(data.RecNo(), 5);
    EXPECT_FALSE(data.ControlsDisabled());
}

// A self-sizing page count is sized before the count is known: it keeps room for the digits,
// so that "Page 10 of 12" is not cut, while a page number is sized to its own text.
TEST(Prepare, SelfSizingPageCountLeavesRoomForTheCount) {
    TTinyDataSet data;
    FillNames(data, 1);
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {.pageHeader = 10});
    TReportBand& header = *layout.BandOfKind(TBandKind::PageHeader);
    TReportElement& number = header.AddSysData("QRSysData1", TSysDataKind::PageNumber, 50, 1, 1, 4);
    TReportElement& count = header.AddSysData("QRSysData2", TSysDataKind::PageCount, 80, 1, 1, 4);
    number.SetCaption("Page ");
    count.SetCaption("of ");
    number.SetAutoSize(true);
    count.SetAutoSize(true);
    // Each character is 2 mm wide in this measure.
    auto measure = [](const TReportFont&, std::string_view text, double) {
        return TTextExtent{2.0 * double(text.size()), 4};
    };
    const TPreparedReport report = Prepare(layout, measure);
    ASSERT_EQ(report.Pages.size(), 1u);
    std::map<std::string, int32_t> widths;
    for (const TPreparedItem& i : report.Pages[0].Items) widths[i.Text] = i.W;
    EXPECT_EQ(widths["Page 1"], 1201); // and a hundredth against rounding
    EXPECT_EQ(widths["of 1"], 1401); // "of " and four digits
}

TEST(Prepare, HooksRunPerRecordAndPage) {
    TTinyDataSet data;
    FillNames(data, 12);
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {.child = 3});
    std::vector<int> pagesStarted;
    layout.OnStartPage = [&](TReportLayout&, int page) { pagesStarted.push_back(page); };
    TReportElement& note = layout.BandOfKind(TBandKind::Detail)->AddLabel("QRLabel14", "", 40, 1, 30, 5);
    layout.BandOfKind(TBandKind::Detail)->BeforePrint = [&](TReportBand&, bool& print) {
        // The fields read the record being printed; odd records are left out.
        const int n = std::stoi(data.FieldByName("Name").AsString());
        print = n % 2 == 0;
        note.SetCaption(n == 4 ? "Kazdy Tyzden" : "Raz");
    };
    const TPreparedReport report = Prepare(layout);
    std::vector<std::string> texts;
    for (const TPreparedItem& i : report.Pages[0].Items) texts.push_back(i.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"2", "Raz", "c", "4", "Kazdy Tyzden", "c", "6", "Raz", "c", "8", "Raz",
                                               "c", "10", "Raz", "c", "12", "Raz", "c"}));
    EXPECT_EQ(pagesStarted, (std::vector<int>{1}));
}

TEST(Prepare, StretchingTextGrowsItsBand) {
    TTinyDataSet data;
    data.FieldDefs().Add("Name", ftString, 40);
    data.FieldDefs().Add("Note", ftString, 80);
    data.AddRow({Variant("1"), Variant("one\r\ntwo\r\nthree\r\nfour")});
    data.AddRow({Variant("2"), Variant("one")});
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {.detail = 10});
    TReportElement& note = layout.BandOfKind(TBandKind::Detail)->AddDBText("QRDBText2", "Note", 30, 1, 40, 5);
    note.SetAutoStretch(true);
    note.SetWordWrap(true);
    // Each line of text is 6 mm high in this measure.
    auto measure = [](const TReportFont&, std::string_view text, double) {
        return TTextExtent{10, 6.0 * double(1 + std::count(text.begin(), text.end(), '\n'))};
    };
    const TPreparedReport report = Prepare(layout, measure);
    std::vector<const TPreparedItem*> notes, names;
    for (const TPreparedItem& i : report.Pages[0].Items) {
        if (i.Text.rfind("one", 0) == 0) notes.push_back(&i);
        if (i.Text == "1" || i.Text == "2") names.push_back(&i);
    }
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->Text, "one\ntwo\nthree\nfour");
    EXPECT_EQ(notes[0]->H, 2400);
    EXPECT_EQ(notes[1]->H, 600);
    // The second record starts under the stretched band: 1 + 24 mm below the first.
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1]->Y - names[0]->Y, 2500);
}

// ---- Walking the data -------------------------------------------------------------------

// Fails while the report reads its fourth row.
class TFailingDataSet : public TTinyDataSet {
protected:
    bool InternalReadRecordAt(int index, TRecordBuffer& buffer) override {
        if (index == 3) DatabaseError("read failed", this);
        return TTinyDataSet::InternalReadRecordAt(index, buffer);
    }
};

struct CountingLink : TDataLink {
    int events = 0;
    void DataSetChanged() override { ++events; }
    void DataSetScrolled(int) override { ++events; }
    void RecordChanged(TField*) override { ++events; }
};

// Read by position, the windows hear nothing; walked, they are told once, at the end, to show
// the record they had.
template <class DataSet> void ExpectWindowsUndisturbed(int linkEvents) {
    DataSet data;
    FillNames(data, 30);
    data.Open();
    data.MoveBy(6);
    TDataSource source;
    source.SetDataSet(&data);
    CountingLink link;
    link.SetDataSource(&source);
    int scrolls = 0;
    data.AfterScroll = [&](TDataSet&) { ++scrolls; };
    TReportLayout layout;
    BuildLayout(layout, data, {});
    EXPECT_EQ(Prepare(layout).Pages.size(), 3u);
    EXPECT_EQ(data.RecNo(), 7);
    EXPECT_EQ(data.FieldByName("Name").AsString(), "7");
    EXPECT_EQ(link.events, linkEvents);
    EXPECT_FALSE(data.ControlsDisabled());
    if (std::is_same_v<DataSet, TTinyDataSet>) {
        EXPECT_EQ(scrolls, 0);
    }
}

TEST(ReportDataFeed, ReadsByPositionWithoutMoving) { ExpectWindowsUndisturbed<TTinyDataSet>(0); }
TEST(ReportDataFeed, WalkedDataSetIsPutBack) { ExpectWindowsUndisturbed<TWalkedDataSet>(1); }

TEST(ReportDataFeed, FollowsTheFilter) {
    TTinyDataSet data;
    FillNames(data, 10);
    data.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("Name").AsString().size() == 1; });
    data.SetFiltered(true);
    data.Open();
    std::vector<std::string> seen;
    ForEachRecord(data, [&] { seen.push_back(data.FieldByName("Name").AsString()); });
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(ReportDataFeed, WalkIsPutBackWhenItFails) {
    TWalkedDataSet data;
    FillNames(data, 10);
    data.Open();
    data.MoveBy(2);
    int n = 0;
    EXPECT_THROW(ForEachRecord(data, [&] {
                     if (++n == 5) throw std::runtime_error("stop");
                 }),
                 std::runtime_error);
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_FALSE(data.ControlsDisabled());
}

// ---- Bad input ----------------------------------------------------------------------------

struct BadLayoutCase {
    const char* name;
    std::function<void(TReportLayout&, TTinyDataSet&)> spoil;
    std::string message;
};

class BadLayoutTest : public ::testing::TestWithParam<BadLayoutCase> {};

TEST_P(BadLayoutTest, IsRefusedWithAClearMessage) {
    const BadLayoutCase& c = GetParam();
    TFailingDataSet data;
    data.SetName("Adresy");
    FillNames(data, 3);
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {.pageHeader = 10});
    c.spoil(layout, data);
    try {
        Prepare(layout);
        ADD_FAILURE() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLayoutTest,
    ::testing::Values(
        BadLayoutCase{"NoPaper", [](auto& l, auto&) { l.Page().SetPaper(TPaperSize::Custom, 0, 297); },
                      "The paper size 0 x 297 mm is not valid."},
        BadLayoutCase{"NegativePaper", [](auto& l, auto&) { l.Page().SetPaper(TPaperSize::Custom, 210, -1); },
                      "The paper size 210 x -1 mm is not valid."},
        BadLayoutCase{"MarginsMeet", [](auto& l, auto&) { l.Page().LeftMargin = l.Page().RightMargin = 105; },
                      "The page margins leave no room to print."},
        BadLayoutCase{"NegativeMargin", [](auto& l, auto&) { l.Page().TopMargin = -2; },
                      "The page margins leave no room to print."},
        BadLayoutCase{"NoColumns", [](auto& l, auto&) { l.Page().Columns = 0; },
                      "The columns of the page do not fit on the paper."},
        BadLayoutCase{"ColumnSpaceEatsThePage",
                      [](auto& l, auto&) {
                          l.Page().Columns = 3;
                          l.Page().ColumnSpace = 100;
                      },
                      "The columns of the page do not fit on the paper."},
        BadLayoutCase{"ZeroBand", [](auto& l, auto&) { l.FindBand("DetailBand1")->SetHeight(0); },
                      "The band DetailBand1 has no valid size."},
        BadLayoutCase{"NegativeBand", [](auto& l, auto&) { l.FindBand("PageHeaderBand1")->SetHeight(-3); },
                      "The band PageHeaderBand1 has no valid size."},
        BadLayoutCase{"DetailBeyondThePaper", [](auto& l, auto&) { l.FindBand("DetailBand1")->SetHeight(280); },
                      "The band DetailBand1 is taller than the room on the page."},
        BadLayoutCase{"HeaderBeyondThePaper", [](auto& l, auto&) { l.FindBand("PageHeaderBand1")->SetHeight(290); },
                      "The band PageHeaderBand1 is taller than the room on the page."},
        BadLayoutCase{"NegativeElement", [](auto& l, auto&) { l.Element("QRDBText1").SetWidth(-1); },
                      "The item QRDBText1 has no valid size."},
        BadLayoutCase{"ZeroFont",
                      [](auto& l, auto&) {
                          TReportFont f;
                          f.Size = 0;
                          l.Element("QRLabelH").SetFont(f);
                      },
                      "The item QRLabelH has no valid size."},
        BadLayoutCase{"MissingField", [](auto& l, auto&) { l.Element("QRDBText1").SetDataField("Firma"); },
                      "The field \"Firma\" of the item QRDBText1 is not in the data."},
        BadLayoutCase{"NoDataSet",
                      [](auto& l, auto&) {
                          l.SetDataSet(nullptr);
                      },
                      "The item QRDBText1 has no data to show."},
        BadLayoutCase{"ClosedDataSet", [](auto&, auto& d) { d.Close(); }, "The data Adresy are not open."},
        BadLayoutCase{"DataFailHalfWay", [](auto&, auto& d) { FillNames(d, 3); },
                      "The data of the report could not be read: Adresy: read failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Prepare, MessagesFollowTheLanguage) {
    TTinyDataSet data;
    FillNames(data, 1);
    data.Open();
    TReportLayout layout;
    BuildLayout(layout, data, {});
    layout.FindBand("DetailBand1")->SetHeight(-1);
    for (auto [language, text] : {std::pair{2, "Pás DetailBand1 nemá platný rozmer."},
                                  {3, "Pás DetailBand1 nemá platný rozměr."},
                                  {1, "The band DetailBand1 has no valid size."}}) {
        SetReportLanguage(language);
        try {
            Prepare(layout);
            ADD_FAILURE();
        } catch (const EReportError& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
    }
    SetReportLanguage(1);
}

TEST(ReportLayout, ElementsAreFoundByName) {
    TReportLayout layout("TPrehladReportForm");
    TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
    detail.AddDBText("QRDBText4", "Firma", Px(5), 4.23, 82.02, 28.3);
    EXPECT_EQ(&layout.Element("QRDBText4").Band(), &detail);
    EXPECT_EQ(layout.FindElement("QRDBText9"), nullptr);
    EXPECT_THROW(layout.Element("QRDBText9"), std::logic_error);
    EXPECT_THROW(detail.AddLabel("QRDBText4", "again", 0, 0), std::logic_error);
    EXPECT_THROW(layout.AddBand(TBandKind::Detail, "DetailBand2"), std::logic_error);
    // One conversion of design pixels: 96 of them are an inch.
    EXPECT_DOUBLE_EQ(Px(96), 25.4);
    EXPECT_EQ(ToHundredths(Px(324)), 8573);
    EXPECT_DOUBLE_EQ(MmToPx(Px(103)), 103);
}

} // namespace
} // namespace kvz
