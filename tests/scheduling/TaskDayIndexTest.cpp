#include "scheduling/TaskDayIndex.h"

#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace kvz {
namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

// Tasks of every repetition kind (and one no kind knows), on every day of about eleven years,
// some without a date, some at 29 February, some without or with a broken time.
std::vector<std::pair<TaskCellSource, int>> ManyTasks(int count) {
    std::vector<std::pair<TaskCellSource, int>> tasks;
    tasks.reserve(size_t(count));
    const TDateTime first = D(2016, 1, 1);
    for (int i = 0; i < count; ++i) {
        TaskCellSource t;
        t.Number = "K" + std::to_string(1000000 + i);
        t.Date = i % 97 == 0 ? 0 : i % 89 == 0 ? D(2020, 2, 29) : first + (i * 37) % 4000 + (i % 3) * 0.25;
        t.Time = i % 101 == 0 ? "" : i % 103 == 0 ? "no time" : std::to_string(i % 24) + ":" + std::to_string(10 + i % 50);
        t.Color = uint32_t(i % 200);
        t.Uloha = "Task " + std::to_string(i);
        const int rep = i % 10 == 0 ? 1 + (i / 10) % 4 : i % 211 == 0 ? 7 : 0;
        tasks.emplace_back(std::move(t), rep);
    }
    return tasks;
}

TaskViewFilter FilterOf(TaskView view, TDateTime day, int firstDay) {
    TaskViewFilter f;
    f.View = view;
    f.CurrentDay = day;
    f.WeekDays = WeekDaysOf(day, firstDay);
    f.MonthDays = MonthDaysOf(day);
    f.Prepare();
    return f;
}

// The cells as the filter over every row gives them.
TaskCellGrid FilteredCells(const std::vector<std::pair<TaskCellSource, int>>& tasks, const TaskViewFilter& f,
                           int firstDay, const FormatSettings& fs, std::string& badTime) {
    std::vector<TaskCellEntry> entries;
    std::map<std::string, std::string, std::less<>> texts;
    for (const auto& [t, rep] : tasks) {
        if (!f.Accepts({t.Date, rep}, {}, {}) || t.Time.empty()) continue;
        try {
            entries.push_back(PlaceTask(f.View, t, firstDay, fs));
        } catch (const std::invalid_argument& e) {
            if (badTime.empty()) badTime = e.what();
            continue;
        }
        texts.try_emplace(t.Number, t.Uloha);
    }
    TaskCellGrid cells;
    cells.Fill(std::move(entries), texts);
    return cells;
}

void ExpectSameCells(const TaskCellGrid& a, const TaskCellGrid& b, const std::string& what) {
    ASSERT_EQ(a.Entries().size(), b.Entries().size()) << what;
    for (size_t i = 0; i < a.Entries().size(); ++i) {
        const TaskCellEntry &x = a.Entries()[i], &y = b.Entries()[i];
        ASSERT_TRUE(x.Key == y.Key && x.Row == y.Row && x.Col == y.Col && x.Color == y.Color) << what << " entry " << i;
    }
    ASSERT_EQ(a.CellCount(), b.CellCount()) << what;
    for (const TaskCellEntry& e : a.Entries()) {
        const TaskCell *x = a.At(e.Col, e.Row), *y = b.At(e.Col, e.Row);
        ASSERT_TRUE(x && y) << what;
        ASSERT_EQ(x->Key, y->Key) << what;
        ASSERT_EQ(x->Text, y->Text) << what;
    }
}

// 100,000 tasks: an index that looked at every task for every task would not finish.
TEST(TaskDayIndex, GivesTheCellsOfTheFilterOverEveryRepetitionKind) {
    const auto tasks = ManyTasks(100000);
    TaskDayIndex index;
    for (const auto& [t, rep] : tasks) index.Add(t, rep);
    ASSERT_EQ(index.Size(), tasks.size());
    const FormatSettings fs = FormatSettings::ForLanguage(1);
    const TDateTime days[] = {D(2016, 1, 1),  D(2019, 12, 30), D(2020, 2, 29), D(2021, 2, 28), D(2024, 2, 29),
                              D(2024, 12, 31), D(2025, 1, 5),  D(2026, 12, 11), D(1899, 12, 30), D(2040, 7, 1)};
    int checked = 0;
    for (TDateTime day : days)
        for (TaskView view : {TaskView::Day, TaskView::Week, TaskView::Month})
            for (int firstDay : {1, 7}) {
                const TaskViewFilter f = FilterOf(view, day, firstDay);
                const std::string what = std::to_string(int(view)) + " at " + std::to_string(day) + " from " +
                                         std::to_string(firstDay);
                std::string badIndex, badFilter;
                TaskCellGrid cells;
                index.FillCells(f, firstDay, fs, cells, badIndex);
                ExpectSameCells(cells, FilteredCells(tasks, f, firstDay, fs, badFilter), what);
                EXPECT_EQ(badIndex, badFilter) << what;
                checked += int(cells.Entries().size());
            }
    EXPECT_GT(checked, 100000);
}

TEST(TaskDayIndex, AcceptsTheTasksOfEachKindOnTheirDaysOnly) {
    TaskDayIndex index;
    const struct { TDateTime date; int rep; } tasks[] = {
        {D(2025, 3, 10), RepeatOnce},   {D(2025, 3, 11), RepeatOnce},    {D(2020, 1, 1), RepeatDaily},
        {D(2025, 1, 6), RepeatWeekly},  {D(2024, 11, 10), RepeatMonthly}, {D(2010, 3, 10), RepeatYearly},
        {D(2010, 3, 31), RepeatYearly}, {0, RepeatOnce},                  {D(2025, 3, 10), 9}};
    for (const auto& t : tasks) index.Add({"", t.date, "10:00", 0, ""}, t.rep);
    // Monday 10 March 2025: its own task, every day's, Mondays', the tenth's, 10 March's and an
    // unknown kind on its own day.
    EXPECT_EQ(index.Accepted(FilterOf(TaskView::Day, D(2025, 3, 10), 1)), (std::vector<int>{0, 2, 3, 4, 5, 8}));
    EXPECT_EQ(index.Accepted(FilterOf(TaskView::Day, D(2025, 3, 12), 1)), (std::vector<int>{2}));
    EXPECT_EQ(index.Accepted(FilterOf(TaskView::Week, D(2025, 3, 12), 1)), (std::vector<int>{0, 1, 2, 3, 5, 8}));
    EXPECT_EQ(index.Accepted(FilterOf(TaskView::Month, D(2025, 3, 12), 1)), (std::vector<int>{0, 1, 2, 4, 5, 6, 8}));
    EXPECT_EQ(index.Accepted(FilterOf(TaskView::Month, D(2025, 2, 12), 1)), (std::vector<int>{2, 4}));
    index.Clear();
    EXPECT_TRUE(index.Accepted(FilterOf(TaskView::Day, D(2025, 3, 10), 1)).empty());
}

} // namespace
} // namespace kvz
