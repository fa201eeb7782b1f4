#include "scheduling/TaskCells.h"

#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

TEST(TaskCells, HourRowsStartAtFiveAndWrapPastMidnight) {
    const struct { int hour, row; } cases[] = {{5, 1}, {6, 2}, {12, 8}, {23, 19}, {0, 20}, {1, 21}, {4, 24}};
    for (const auto& c : cases) EXPECT_EQ(HourRow(c.hour), c.row) << c.hour;
    EXPECT_EQ(HourLabel(1), "05");
    EXPECT_EQ(HourLabel(19), "23");
    EXPECT_EQ(HourLabel(20), "00");
    EXPECT_EQ(HourLabel(24), "04");
}

TEST(TaskCells, TenMinuteColumnsHoldTheirUpperBound) {
    const struct { int minute, col; } cases[] = {{0, 1},  {10, 1}, {11, 2}, {20, 2}, {21, 3}, {30, 3},
                                                 {31, 4}, {40, 4}, {41, 5}, {50, 5}, {51, 6}, {59, 6}};
    for (const auto& c : cases) EXPECT_EQ(TenMinuteColumn(c.minute), c.col) << c.minute;
}

TEST(TaskCells, EveryWeekSettingGivesOneFirstDay) {
    const struct { int setting, first, sundayBased; } cases[] = {
        {1, 1, 1}, {6, 6, 6}, {7, 7, 0}, {0, 1, 1}, {8, 1, 1}, {-3, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(FirstDayOfWeek(c.setting), c.first) << c.setting;
        EXPECT_EQ(FirstDayAsSundayBased(c.setting), c.sundayBased) << c.setting;
    }
}

// Every day of a shown week has its own column whichever day begins the week: Sunday's tasks
// no longer fall out with Monday first, nor every task with Sunday first.
TEST(TaskCells, WeekPositionCoversEveryDayFromTheFirstDay) {
    const struct { TDateTime day; int first, position; } cases[] = {
        {D(2024, 12, 30), 1, 1}, // Monday, Monday first
        {D(2025, 1, 5), 1, 7},   // Sunday, Monday first
        {D(2025, 1, 5), 7, 1},   // Sunday, Sunday first
        {D(2025, 1, 4), 7, 7},   // Saturday, Sunday first
        {D(2025, 1, 1), 3, 1},   // Wednesday, Wednesday first
        {D(2024, 12, 31), 3, 7}, // Tuesday, Wednesday first
        {D(2025, 1, 5), 0, 7},   // a setting outside 1..7 is Monday first
    };
    for (const auto& c : cases) EXPECT_EQ(WeekPosition(c.day, c.first), c.position) << c.day << " " << c.first;
}

TEST(TaskCells, WeekDaysCrossMonthsAndYears) {
    // Sunday 5 January 2025 with Monday first: the week began on 30 December 2024.
    auto week = WeekDaysOf(D(2025, 1, 5) + 0.75, 1);
    EXPECT_EQ(week[0], D(2024, 12, 30));
    EXPECT_EQ(week[6], D(2025, 1, 5));
    // The same Sunday with Sunday first begins the next week.
    week = WeekDaysOf(D(2025, 1, 5), 7);
    EXPECT_EQ(week[0], D(2025, 1, 5));
    EXPECT_EQ(week[6], D(2025, 1, 11));
    // Across the end of February in a leap year.
    week = WeekDaysOf(D(2024, 2, 29), 1);
    EXPECT_EQ(week[0], D(2024, 2, 26));
    EXPECT_EQ(week[6], D(2024, 3, 3));
}

TEST(TaskCells, MonthDaysRunToTheMonthsEnd) {
    const struct { TDateTime day; size_t count; } cases[] = {
        {D(2024, 2, 10), 29}, {D(2023, 2, 28), 28}, {D(1900, 2, 1), 28}, {D(2000, 2, 1), 29},
        {D(2025, 4, 30), 30}, {D(2025, 12, 31), 31}};
    for (const auto& c : cases) {
        auto days = MonthDaysOf(c.day);
        ASSERT_EQ(days.size(), c.count);
        EXPECT_EQ(days.front(), c.day - (c.day - days.front()));
        EXPECT_EQ(days.back() - days.front(), double(c.count - 1));
    }
}

TEST(TaskCells, TasksLandByHourMinuteAndDay) {
    const FormatSettings fs = FormatSettings::ForLanguage(1);
    const struct { TaskView view; const char* time; TDateTime date; int first, row, col; } cases[] = {
        {TaskView::Day, "04:59", D(2025, 1, 5), 1, 24, 6},
        {TaskView::Day, "05:00", D(2025, 1, 5), 1, 1, 1},
        {TaskView::Day, "05:10", D(2025, 1, 5), 1, 1, 1},
        {TaskView::Day, "05:11", D(2025, 1, 5), 1, 1, 2},
        {TaskView::Day, "00:00", D(2025, 1, 5), 1, 20, 1},
        {TaskView::Day, "23:59", D(2025, 1, 5), 1, 19, 6},
        {TaskView::Day, "9:30:00", D(2025, 1, 5), 1, 5, 3},
        {TaskView::Week, "10:00", D(2025, 1, 5), 1, 6, 7}, // Sunday, Monday first
        {TaskView::Week, "10:00", D(2025, 1, 5), 7, 6, 1}, // Sunday, Sunday first
        {TaskView::Week, "10:00", D(2025, 1, 6), 7, 6, 2},
        {TaskView::Month, "23:59", D(2025, 1, 31), 1, 31, 19},
        {TaskView::Month, "00:00", D(2024, 2, 29), 1, 29, 20},
    };
    for (const auto& c : cases) {
        TaskCellEntry e = PlaceTask(c.view, {"K1", c.date, c.time, 0xFF, "x"}, c.first, fs);
        EXPECT_EQ(e.Row, c.row) << c.time << " " << int(c.view);
        EXPECT_EQ(e.Col, c.col) << c.time << " " << int(c.view);
        EXPECT_EQ(e.Key, "K1");
        EXPECT_EQ(e.Color, 0xFFu);
    }
}

TEST(TaskCells, ATimeThatIsNoTimeStopsWithTheParsersMessage) {
    const FormatSettings fs = FormatSettings::ForLanguage(1);
    for (const char* bad : {"", "noon", "25:00", "10-30"}) {
        try {
            PlaceTask(TaskView::Day, {"K", 0, bad, 0, ""}, 1, fs);
            ADD_FAILURE() << bad;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid time");
        }
    }
}

TEST(TaskCells, ACellShowsTheFirstTaskPlacedInIt) {
    TaskCellGrid grid;
    grid.Fill({{3, 2, 0xFF, "A"}, {3, 2, 0xFF00, "B"}, {4, 2, 0xFF0000, "C"}},
              {{"A", "first"}, {"B", "second"}, {"C", "third"}});
    ASSERT_NE(grid.At(2, 3), nullptr);
    EXPECT_EQ(grid.At(2, 3)->Key, "A");
    EXPECT_EQ(grid.At(2, 3)->Text, "first");
    EXPECT_EQ(grid.At(2, 3)->Color, 0xFFu);
    EXPECT_EQ(grid.KeyAt(2, 4), "C");
    EXPECT_EQ(grid.At(1, 1), nullptr);
    EXPECT_EQ(grid.KeyAt(1, 1), "");
    EXPECT_EQ(grid.Entries().size(), 3u); // the hidden task keeps its entry
    EXPECT_EQ(grid.CellCount(), 2);
    grid.Clear();
    EXPECT_EQ(grid.At(2, 3), nullptr);
}

TEST(TaskCells, CellTextsAreCutByGridAndEnlargeToggle) {
    const struct { TaskView view; bool enlarged; const char* text; const char* shown; } cases[] = {
        {TaskView::Day, false, "abcdef", "abcdef"},          {TaskView::Day, false, "abcdefg", "abcde ..."},
        {TaskView::Day, true, "abcdefghijkl", "abcdefghijkl"}, {TaskView::Day, true, "abcdefghijklm", "abcdefghijk ..."},
        {TaskView::Week, false, "abcde", "abcde"},           {TaskView::Week, false, "abcdef", "abcd ..."},
        {TaskView::Week, true, "abcdefghijk", "abcdefghijk"}, {TaskView::Week, true, "abcdefghijkl", "abcdefghij ..."},
        {TaskView::Month, false, "a", "a"},                  {TaskView::Month, false, "ab", "a ..."},
        {TaskView::Month, true, "abcd", "abcd"},             {TaskView::Month, true, "abcde", "abc ..."},
        {TaskView::Month, false, "čšž", "č ..."}, // characters, not bytes
        {TaskView::Day, false, "čšžýáí", "čšžýáí"},
    };
    for (const auto& c : cases) EXPECT_EQ(CutCellText(c.text, c.view, c.enlarged), c.shown) << c.text;
}

TEST(TaskCells, WeekLabelsKeepTheProgramsOwnEndings) {
    const struct { int week, language; const char* label; } cases[] = {
        {1, 1, "1st week"},         {2, 1, "2nd week"},         {3, 1, "3rd week"}, {4, 1, "4th week"},
        {21, 1, "21th week"},       {22, 1, "22th week"},       {53, 1, "53th week"},
        {21, 2, "21. týždeň"},      {21, 3, "21. týden"},       {0, 1, ""}, {54, 2, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(WeekLabelText(c.week, c.language), c.label) << c.week;
}

TEST(TaskCells, WeekTitlesBeginWithTheFirstDay) {
    EXPECT_EQ(WeekDayNames(1, 1)[0], "Mon");
    EXPECT_EQ(WeekDayNames(7, 1)[0], "Sun");
    EXPECT_EQ(WeekDayNames(7, 1)[6], "Sat");
    EXPECT_EQ(WeekDayNames(4, 2)[0], "Št");
    EXPECT_EQ(WeekDayNames(5, 3)[0], "Pá");
    EXPECT_EQ(WeekTitle(D(2025, 1, 13), 1, 1), "Mon 13");
    EXPECT_EQ(WeekTitle(D(2025, 1, 12), 7, 2), "Ne 12");
}

TEST(TaskCells, TheCurrentTaskLabelDropsTheSeconds) {
    const struct { const char* time; const char* shown; } times[] = {
        {"9:30:00", "9:30"}, {"10:30:00", "10:30"}, {"9:30", "9:30"}, {"", ""}, {"10:30:00.5", "10:30:00.5"}};
    for (const auto& t : times) EXPECT_EQ(LabelTime(t.time), t.shown) << t.time;
    EXPECT_EQ(CurrentTaskLabel("05/01/2025", "9:30:00", 1), "05/01/2025  -  9:30 ");
    EXPECT_EQ(CurrentTaskLabel("05.01.2025", "10:30:00", 2), "05.01.2025 o 10:30 hod.");
    EXPECT_EQ(CurrentTaskLabel("05.01.2025", "", 3), "05.01.2025 hod.");
    EXPECT_EQ(TaskClickHint("05.01.2025", "9:30", "Call", 3), "05.01.2025  o  9:30 \r\nCall");
}

TEST(TaskCells, TextColoursReadOnTaskColours) {
    EXPECT_EQ(ContrastTextColor(0x0000FF, 0), 0xFFFFFFu); // red: white
    EXPECT_EQ(ContrastTextColor(0x000000, 0), 0x00FFFFu); // black: yellow
    EXPECT_EQ(ContrastTextColor(0xFFFFFF, 0), 0x000000u); // white: black
    EXPECT_EQ(ContrastTextColor(0x123456, 0x42), 0x42u);  // others: the default
}

} // namespace
} // namespace kvz
