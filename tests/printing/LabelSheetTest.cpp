#include "core/Messages.h"
#include "printing/AddressLayouts.h"
#include "printing/LabelSheet.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

// The width across: two margins, the labels and the gaps between them.
Centi Across(const TLabelSheetValues& v) { return 2 * v.Margin + v.Columns * v.Width + (v.Columns - 1) * v.Gap; }
// The height down: two margins, the rows that fit and the gaps between them.
Centi Down(const TLabelSheetValues& v) {
    const Centi rows = RowsThatFit(v.TopMargin, v.Height, v.RowGap);
    return 2 * v.TopMargin + rows * v.Height + (rows - 1) * v.RowGap;
}

const TLabelSheetValues kDesign{.Columns = 3, .Width = 6000, .Height = 3100, .Margin = 1000, .Gap = 300,
                                .TopMargin = 1000, .RowGap = 1000};

struct ChainCase {
    const char* name;
    TLabelSheetValues start;
    TSheetEdit edit;
    Centi value;
    TLabelSheetValues expected;
    Centi layoutRows = 0; // rows on the label layout before the change; 0 for unknown
};

class ChainTest : public testing::TestWithParam<ChainCase> {};

// Each change runs the chain of the edits that follow it; at rest the sheet is used up
// across (to the hundredth) and never overflows down.
TEST_P(ChainTest, SettlesOnTheSheet) {
    SetLanguage(1);
    const ChainCase& c = GetParam();
    TLabelSheet sheet;
    sheet.Assign(c.start);
    sheet.RowsOnLayout = c.layoutRows;
    sheet.Change(c.edit, c.value);
    EXPECT_EQ(sheet.Values(), c.expected);
    EXPECT_LE(Down(sheet.Values()), SheetHeight);
    if (c.edit != TSheetEdit::RowGap && c.edit != TSheetEdit::Height && c.edit != TSheetEdit::TopMargin &&
        c.expected.Columns > 1) {
        EXPECT_NEAR(double(Across(sheet.Values())), double(SheetWidth), 2);
    }
    EXPECT_NO_THROW(CheckLabelSheet(sheet.Values()));
}

const TLabelSheetValues kDefault = DefaultLabelSheet();

INSTANTIATE_TEST_SUITE_P(
    Cases, ChainTest,
    testing::Values(
        // 2 x 10 + 2 x 3 + 3 x 61 = 209: the margin takes a quarter of the missing millimetre,
        // its handler gives the gaps 3.25, the gap takes its quarter too (3.5), and the gap's
        // handler sets the margins back to 10.
        ChainCase{"WidthGoesToTheGaps", kDesign, TSheetEdit::Width, 6100, {3, 6100, 3100, 1000, 350, 1000, 1000}},
        ChainCase{"NarrowerWidth", kDefault, TSheetEdit::Width, 6000, {3, 6000, 3000, 1000, 500, 1000, 1000}},
        // s = 65 / 3: margin 31.67, gap 24.66, gap 46.33, margin 20.84 (20.835), gap 46.32.
        ChainCase{"TwoColumnsUseTheWidth", kDefault, TSheetEdit::Columns, 2, {2, 6100, 3000, 2084, 4632, 1000, 1000}},
        ChainCase{"FourColumns", {3, 4500, 3000, 1000, 300, 1000, 1000}, TSheetEdit::Columns, 4,
                  {4, 4500, 3000, 990, 340, 1000, 1000}},
        ChainCase{"OneColumnIsCentred", kDefault, TSheetEdit::Columns, 1, {1, 6100, 3000, 7450, 300, 1000, 1000}},
        // From margins far wider than the gap the chain ends below nothing though the labels
        // fit: every space takes the same share.
        ChainCase{"BackFromOneColumn", {1, 6100, 3000, 7450, 300, 1000, 1000}, TSheetEdit::Columns, 2,
                  {2, 6100, 3000, 2934, 2933, 1000, 1000}},
        ChainCase{"FiveColumns", {3, 3800, 3000, 1000, 300, 1000, 1000}, TSheetEdit::Columns, 5,
                  {5, 3800, 3000, 334, 333, 1000, 1000}},
        ChainCase{"MarginGivesTheGaps", kDefault, TSheetEdit::Margin, 1200, {3, 6100, 3000, 1200, 150, 1000, 1000}},
        ChainCase{"OneColumnMarginHasNoGap", {1, 6100, 3000, 7450, 300, 1000, 1000}, TSheetEdit::Margin, 5000,
                  {1, 6100, 3000, 5000, 300, 1000, 1000}},
        ChainCase{"GapGivesTheMargins", kDefault, TSheetEdit::Gap, 500, {3, 6100, 3000, 850, 500, 1000, 1000}},
        // Seven rows of 31 with the new margins: each margin and gap takes its share once.
        ChainCase{"HeightSharesTheRestOnce", kDefault, TSheetEdit::Height, 3100, {3, 6100, 3100, 1000, 300, 987, 987}, 7},
        // The layout holds 7 rows: 7 rows of 35 keep their count, top and gap take s = -3.625.
        ChainCase{"HeightKeepsTheLayoutsRows", kDefault, TSheetEdit::Height, 3500,
                  {3, 6100, 3500, 1000, 300, 637, 637}, 7},
        ChainCase{"LowerHeightKeepsTheLayoutsRows", kDefault, TSheetEdit::Height, 2500,
                  {3, 6100, 2500, 1000, 300, 1512, 1512}, 7},
        // Seven rows of 50 cannot be: the four rows that fit share the rest.
        ChainCase{"HeightTallerThanTheLayoutsRows", kDefault, TSheetEdit::Height, 5000,
                  {3, 6100, 5000, 1000, 300, 1920, 1920}, 7},
        ChainCase{"TopMarginWidensTheRowGap", kDefault, TSheetEdit::TopMargin, 1500,
                  {3, 6100, 3000, 1000, 300, 1500, 1583}},
        ChainCase{"RowGapFollowsNoOne", kDefault, TSheetEdit::RowGap, 500, {3, 6100, 3000, 1000, 300, 1000, 500}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LabelSheet, WithoutAutoAdjustOnlyTheColumnsFollow) {
    SetLanguage(1);
    TLabelSheet sheet;
    sheet.Assign(kDefault);
    sheet.AutoAdjust = false;
    for (auto [edit, value] : {std::pair{TSheetEdit::Width, Centi(5000)}, {TSheetEdit::Height, 2000},
                               {TSheetEdit::Margin, 1500}, {TSheetEdit::Gap, 400}, {TSheetEdit::TopMargin, 1200}}) {
        TLabelSheetValues expected = sheet.Values();
        expected.Set(edit, value);
        sheet.Change(edit, value);
        EXPECT_EQ(sheet.Values(), expected);
    }
    sheet.Change(TSheetEdit::Columns, 2);
    EXPECT_NEAR(double(Across(sheet.Values())), double(SheetWidth), 2);
}

// What cannot fit on the sheet is refused with a message and changes nothing.
TEST(LabelSheet, ValuesThatCannotFitAreRefused) {
    SetLanguage(2);
    for (auto [edit, value] : {std::pair{TSheetEdit::Width, Centi(8000)}, {TSheetEdit::Width, 0},
                               {TSheetEdit::Margin, 5000}, {TSheetEdit::Gap, 2000}, {TSheetEdit::Height, 30000},
                               {TSheetEdit::TopMargin, 15000}, {TSheetEdit::RowGap, -100}, {TSheetEdit::Gap, -50},
                               {TSheetEdit::Columns, 6}, {TSheetEdit::Columns, 0},
                               {TSheetEdit::RowGap, 100000000}, {TSheetEdit::RowGap, 29800}}) {
        TLabelSheet sheet;
        sheet.Assign(kDefault);
        try {
            sheet.Change(edit, value);
            ADD_FAILURE() << int(edit) << " " << value << " was accepted";
        } catch (const ELabelSheetError& e) {
            EXPECT_NE(std::string(e.what()).find("hárok"), std::string::npos) << e.what();
        }
        EXPECT_EQ(sheet.Values(), kDefault);
    }
}

// Values that no sum bounds (the row gap, the gap of a single column) still lie on the paper.
TEST(LabelSheet, GapsAreBoundedByThePaper) {
    SetLanguage(1);
    const TLabelSheetValues single{1, 6100, 3000, 7450, 300, 1000, 1000};
    for (auto [edit, value, accepted] : {std::tuple{TSheetEdit::Gap, Centi(21000), true}, {TSheetEdit::Gap, 21001, false},
                                         {TSheetEdit::Gap, 100000000, false}, {TSheetEdit::RowGap, 29700, true},
                                         {TSheetEdit::RowGap, 29701, false}}) {
        TLabelSheet sheet;
        sheet.Assign(single);
        if (accepted) {
            EXPECT_NO_THROW(sheet.Change(edit, value)) << int(edit) << " " << value;
        } else {
            EXPECT_THROW(sheet.Change(edit, value), ELabelSheetError) << int(edit) << " " << value;
            EXPECT_EQ(sheet.Values(), single);
        }
    }
}

TEST(LabelSheet, RestoreEndsOnTheDefaults) {
    TLabelSheet sheet;
    sheet.Assign({2, 9000, 5000, 500, 1000, 2000, 300});
    sheet.RestoreDefaults();
    EXPECT_EQ(sheet.Values(), (TLabelSheetValues{3, 6100, 3000, 1000, 300, 1000, 1000}));
}

TEST(LabelSheet, LabelsPerSheetFollowTheLayout) {
    TReportLayout labels;
    BuildLabelLayout(labels);
    // The design: 297 - 10 = 287 holds 7 rows of 30.69 + 10.05.
    EXPECT_EQ(LabelsPerSheet(labels), 21);
    ApplyLabelSheet(DefaultLabelSheet(), labels);
    EXPECT_EQ(LabelsPerSheet(labels), 21);
    // Eight rows of 30 with gaps of 5 between margins of 10.
    ApplyLabelSheet({3, 6100, 3000, 1000, 300, 1000, 500}, labels);
    EXPECT_EQ(LabelsPerSheet(labels), 24);
    EXPECT_DOUBLE_EQ(labels.Page().BottomMargin, 5);
    // A row gap above the margin leaves no bottom margin, never a negative one.
    ApplyLabelSheet({3, 6100, 3000, 1000, 300, 500, 1000}, labels);
    EXPECT_DOUBLE_EQ(labels.Page().BottomMargin, 0);
    EXPECT_DOUBLE_EQ(labels.FindBand("DetailBand1")->Width(), 61);
    EXPECT_EQ(labels.Page().Columns, 3);
}

// The rows of the layout as it stands: the room under the top margin over a label and its gap.
TEST(LabelSheet, RowsOfTheLayout) {
    TReportLayout labels;
    BuildLabelLayout(labels);
    EXPECT_EQ(LayoutRows(labels), 7); // 287 / 40.74
    ApplyLabelSheet({3, 6100, 3000, 1000, 300, 1000, 500}, labels);
    EXPECT_EQ(LayoutRows(labels), 8); // 287 / 35
    ApplyLabelSheet({3, 6100, 3000, 1000, 300, 2700, 500}, labels);
    EXPECT_EQ(LayoutRows(labels), 7); // 270 / 35 = 7.71
    ApplyLabelSheet({1, 6100, 2000, 7450, 300, 500, 3000}, labels);
    EXPECT_EQ(LayoutRows(labels), 5); // 292 / 50 = 5.84
}

TEST(LabelSheet, TextsInTheUsersNumberFormat) {
    const FormatSettings sk = FormatSettings::ForLanguage(2), en = FormatSettings::ForLanguage(1);
    struct Case {
        const char* text;
        std::optional<Centi> value;
    };
    for (const Case& c : {Case{"10", 1000}, {"10,25", 1025}, {"10.5", 1050}, {" 3 ", 300}, {"0,005", 1}, {"0,004", 0},
                          {"-2", -200}, {"", std::nullopt}, {"1a", std::nullopt}, {"1,2,3", std::nullopt},
                          {",", std::nullopt}})
        EXPECT_EQ(ParseCenti(c.text, sk), c.value) << c.text;
    EXPECT_EQ(FormatCenti(1025, sk), "10,25");
    EXPECT_EQ(FormatCenti(1050, sk), "10,5");
    EXPECT_EQ(FormatCenti(1000, en), "10");
    EXPECT_EQ(FormatCenti(7, en), "0.07");
}

} // namespace
} // namespace kvz
