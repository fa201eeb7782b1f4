// The rules of the data-aware grid and combo boxes without a window: marking rows, the colour
// table, items against values, and days stored with their time.
#include "controls/KVDBCtrlModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace kvz {
namespace {

// Rows "0".."9" with a current row.
class FakeMarks : public TRowMarks {
public:
    int current = 0;
    std::set<int> marked;
    TBookmark Current() const override { return std::to_string(current); }
    bool CurrentMarked() const override { return marked.count(current) > 0; }
    void SetCurrentMarked(bool on) override {
        if (on)
            marked.insert(current);
        else
            marked.erase(current);
    }
    void ClearMarks() override { marked.clear(); }
    int Compare(const TBookmark& a, const TBookmark& b) const override { return std::stoi(a) - std::stoi(b); }
    bool MoveBy(int d) override {
        const int to = std::clamp(current + d, 0, 9);
        const bool moved = to != current;
        current = to;
        return moved;
    }
};

struct MarkCase {
    const char* name;
    int start;
    std::vector<std::pair<int, bool>> steps; // direction, shift
    std::set<int> marked;
    int current;
};

TEST(RowMarkingTest, ShiftStepsExtendFromTheAnchorAndGiveUpRowsOnTheWayBack) {
    const std::vector<MarkCase> cases = {
        {"three down, one up", 0, {{1, true}, {1, true}, {1, true}, {-1, true}}, {0, 1, 2}, 2},
        {"up from the middle", 5, {{-1, true}, {-1, true}}, {3, 4, 5}, 3},
        {"up past the anchor", 5, {{1, true}, {-1, true}, {-1, true}}, {4, 5}, 4},
        {"a plain step clears", 2, {{1, true}, {1, false}}, {}, 4},
        {"down at the end marks the last row", 8, {{1, true}, {1, true}}, {8, 9}, 9},
    };
    for (const MarkCase& c : cases) {
        FakeMarks marks;
        marks.current = c.start;
        TRowMarking rules(marks);
        rules.MultiSelect = true;
        for (auto [direction, shift] : c.steps) rules.Step(direction, shift);
        EXPECT_EQ(marks.marked, c.marked) << c.name;
        EXPECT_EQ(marks.current, c.current) << c.name;
    }
}

TEST(RowMarkingTest, ClicksToggleWithCtrlAndOtherwiseMarkOnlyTheClickedRow) {
    FakeMarks marks;
    TRowMarking rules(marks);
    rules.MultiSelect = true;
    marks.marked = {1, 2, 3};
    marks.current = 5;
    rules.Click(false);
    EXPECT_EQ(marks.marked, (std::set<int>{5}));
    marks.current = 7;
    rules.Click(true);
    EXPECT_EQ(marks.marked, (std::set<int>{5, 7}));
    rules.Click(true); // a selected row unselects
    EXPECT_EQ(marks.marked, (std::set<int>{5}));

    rules.ClearSelection = false;
    rules.Click(false);
    EXPECT_TRUE(marks.marked.empty());
    // Without MultiSelect nothing is marked at all.
    rules.MultiSelect = false;
    rules.Step(1, true);
    rules.Click(true);
    EXPECT_TRUE(marks.marked.empty());
}

TEST(ColorTest, TableNamesLightnessAndTexts) {
    ASSERT_EQ(ColorTable().size(), 18u);
    EXPECT_STREQ(ColorTable()[2].Name, "Green");
    EXPECT_EQ(ColorTable()[kColorTableNone].Color, clNone);
    // Silver (192) is light; 191 is not.
    EXPECT_TRUE(IsLightColor(clSilver));
    EXPECT_TRUE(IsLightColor(clYellow));
    EXPECT_FALSE(IsLightColor(RGB(191, 191, 191)));
    EXPECT_FALSE(IsLightColor(clNavy));
    EXPECT_FALSE(IsLightColor(clNone));

    EXPECT_EQ(ColorHexText(0x00123456), "$00123456");
    const std::vector<std::pair<std::string, std::optional<TColor>>> texts = {
        {"Red", clRed},          {"clTeal", clTeal},  {"aqua", clAqua},    {"$00123456", 0x00123456u},
        {"0x00ABCDEF", 0xABCDEFu}, {"255", 255u},     {" 16 ", 16u},       {"", std::nullopt},
        {"Zelená", std::nullopt}, {"$XYZ", std::nullopt}, {"-5", std::nullopt}, {"$1FFFFFFFF", std::nullopt},
    };
    for (const auto& [text, color] : texts) EXPECT_EQ(ParseColorText(text), color) << text;
}

TEST(ItemValuesTest, ItemsShownValuesStoredBothWays) {
    TItemValues map{{"Áno", "Nie"}, {"True", "False"}, true};
    EXPECT_EQ(map.IndexOfFieldText("True"), 0);
    EXPECT_EQ(map.IndexOfFieldText("False"), 1);
    EXPECT_EQ(map.IndexOfFieldText("Možno"), -1);
    EXPECT_EQ(map.IndexOfFieldText(""), -1);
    EXPECT_EQ(map.ValueOfIndex(1), "False");
    EXPECT_EQ(map.ValueOfIndex(-1), "");
    EXPECT_EQ(map.ShownText("True"), "Áno");
    EXPECT_EQ(map.ShownText("Možno"), "");
    // A value with no item shows nothing.
    map.Values.push_back("Snáď");
    EXPECT_EQ(map.IndexOfFieldText("Snáď"), -1);
    EXPECT_EQ(map.ShownText("Snáď"), "");
    EXPECT_EQ(map.ValueOfIndex(2), "Snáď");

    const TItemValues plain{{"C:\\", "D:\\"}, {}, false};
    EXPECT_EQ(plain.IndexOfFieldText("D:\\"), 1);
    EXPECT_EQ(plain.ValueOfIndex(0), "C:\\");
    EXPECT_EQ(plain.ShownText("E:\\"), "E:\\");
}

TEST(DayWithTimeTest, NewDayKeepsTheTimeAlsoBefore1900) {
    const TDateTime six = 0.25;
    const TDateTime day = EncodeDate(2024, 3, 1);
    EXPECT_DOUBLE_EQ(DayWithTimeOf(day, EncodeDate(2000, 1, 1) + six), day + six);
    // 29 December 1899, 6:00 is -1.25: the time counts forward from the day's start.
    const TDateTime before = EncodeDate(1899, 12, 29);
    ASSERT_DOUBLE_EQ(before, -1);
    const TDateTime stored = DayWithTimeOf(before, day + six);
    EXPECT_DOUBLE_EQ(stored, -1.25);
    int y, m, d, h, n, s, ms;
    DecodeDate(stored, y, m, d);
    DecodeTime(stored, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n}), (std::vector<int>{1899, 12, 29, 6, 0}));
    EXPECT_DOUBLE_EQ(TimeOfDay(stored), six);
    EXPECT_DOUBLE_EQ(DayWithTimeOf(day, stored), day + six);
}

} // namespace
} // namespace kvz
