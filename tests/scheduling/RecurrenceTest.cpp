#include "scheduling/Recurrence.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

// Each repetition in each view, at the edges of weeks, months and leap years.
TEST(Recurrence, DayViewTable) {
    const struct { TDateTime date; int rep; TDateTime day; bool shown; } cases[] = {
        {D(2025, 1, 5), RepeatOnce, D(2025, 1, 5), true},
        {D(2025, 1, 5), RepeatOnce, D(2025, 1, 6), false},
        {D(2025, 1, 5) + 0.99, RepeatOnce, D(2025, 1, 5), true}, // 23:59 is the same day
        {D(2030, 6, 1), RepeatDaily, D(2025, 1, 5), true},
        {D(2026, 1, 4), RepeatWeekly, D(2025, 1, 5), true}, // a year ahead, same weekday (Sunday)
        {D(2026, 1, 5), RepeatWeekly, D(2025, 1, 5), false},
        {D(2024, 1, 31), RepeatMonthly, D(2025, 3, 31), true},
        {D(2024, 1, 31), RepeatMonthly, D(2025, 4, 30), false}, // the 31st never on a 30-day month
        {D(2024, 1, 31), RepeatMonthly, D(2025, 2, 28), false},
        {D(2024, 2, 29), RepeatYearly, D(2028, 2, 29), true},
        {D(2024, 2, 29), RepeatYearly, D(2025, 2, 28), false}, // only on 29 February
        {D(2024, 2, 29), RepeatYearly, D(2025, 3, 1), false},
        {D(2020, 12, 31), RepeatYearly, D(2025, 12, 31), true},
    };
    for (const auto& c : cases) EXPECT_EQ(DayViewAccepts({c.date, c.rep}, c.day), c.shown) << c.date << " " << c.rep;
}

TEST(Recurrence, WeekViewTable) {
    // 30 December 2024 to 5 January 2025: a week across a month and a year.
    const std::array<TDateTime, 7> week = {D(2024, 12, 30), D(2024, 12, 31), D(2025, 1, 1), D(2025, 1, 2),
                                           D(2025, 1, 3),   D(2025, 1, 4),   D(2025, 1, 5)};
    const struct { TDateTime date; int rep; bool shown; } cases[] = {
        {D(2024, 12, 31), RepeatOnce, true},   {D(2025, 1, 5), RepeatOnce, true},
        {D(2025, 1, 6), RepeatOnce, false},    {D(2024, 12, 29), RepeatOnce, false},
        {D(2000, 1, 1), RepeatDaily, true},    {D(2000, 1, 1), RepeatWeekly, true},
        {D(2025, 1, 2), RepeatMonthly, true},  // its own date in the week
        {D(2024, 11, 2), RepeatMonthly, false}, // its day of the month in the week, its date not
        {D(1999, 12, 31), RepeatYearly, true}, {D(1999, 1, 6), RepeatYearly, false},
    };
    for (const auto& c : cases) EXPECT_EQ(WeekViewAccepts({c.date, c.rep}, week), c.shown) << c.date << " " << c.rep;
}

TEST(Recurrence, MonthViewTable) {
    const std::vector<TDateTime> feb2025 = MonthDaysOf(D(2025, 2, 10));
    const std::vector<TDateTime> feb2024 = MonthDaysOf(D(2024, 2, 10));
    const struct { const std::vector<TDateTime>* month; TDateTime date; int rep; bool shown; } cases[] = {
        {&feb2025, D(2025, 2, 28), RepeatOnce, true},
        {&feb2025, D(2025, 3, 1), RepeatOnce, false},
        {&feb2025, D(2024, 1, 31), RepeatMonthly, true}, // every month, also a short one
        {&feb2025, D(1990, 1, 1), RepeatDaily, true},
        {&feb2025, D(2025, 2, 3), RepeatWeekly, true},
        {&feb2025, D(2025, 3, 3), RepeatWeekly, false}, // its date outside the month
        {&feb2025, D(2024, 2, 29), RepeatYearly, false},
        {&feb2024, D(2020, 2, 29), RepeatYearly, true},
        {&feb2024, D(2020, 3, 1), RepeatYearly, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MonthViewAccepts({c.date, c.rep}, *c.month), c.shown) << c.date << " " << c.rep;
}

TEST(Recurrence, ListViewTakesTheChosenNode) {
    const struct { ProjectNodeChoice node; const char* project; const char* sub; bool shown; } cases[] = {
        {{}, "A", "x", true},
        {{ProjectNodeChoice::Root, "All tasks"}, "A", "x", true},
        {{ProjectNodeChoice::Project, "A"}, "A", "x", true},
        {{ProjectNodeChoice::Project, "A"}, "a", "x", false}, // exact
        {{ProjectNodeChoice::Project, "A"}, "B", "A", false},
        {{ProjectNodeChoice::SubProject, "x"}, "B", "x", true}, // whatever its project
        {{ProjectNodeChoice::SubProject, "x"}, "x", "y", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ListViewAccepts(c.node, c.project, c.sub), c.shown) << c.node.Text;
}

TEST(Recurrence, TheViewFilterAsksItsViewsRule) {
    TaskViewFilter f;
    f.CurrentDay = D(2025, 1, 5);
    f.WeekDays = WeekDaysOf(f.CurrentDay, 1);
    f.MonthDays = MonthDaysOf(f.CurrentDay);
    const TaskDates monthly{D(2024, 12, 31), RepeatMonthly};
    f.View = TaskView::Day;
    EXPECT_FALSE(f.Accepts(monthly, "", ""));
    f.View = TaskView::Week;
    EXPECT_TRUE(f.Accepts(monthly, "", ""));
    f.View = TaskView::Month;
    EXPECT_TRUE(f.Accepts(monthly, "", ""));
    f.View = TaskView::List;
    f.Node = {ProjectNodeChoice::Project, "P"};
    EXPECT_FALSE(f.Accepts(monthly, "Q", ""));
}

// What the buttons' handlers do to the table and the labels, step by step.
class RecordingHost : public TaskFilterHost {
public:
    void SetFiltered(bool on) override { steps += on ? "filter+ " : "filter- "; filtered = on; }
    void SetFilterExpression(const std::string& e) override { steps += "expr[" + e + "] "; expression = e; }
    void SetDateLabelVisible(bool on) override { steps += on ? "date+ " : "date- "; dateShown = on; }
    void SetStatus(TaskStatusText t) override { steps += "status" + std::to_string(int(t)) + " "; status = t; }
    void PageRefresh() override {
        steps += "refresh ";
        if (dayPages && buttons) buttons->AllUpAndRun();
    }
    void FrameStatusText() override { steps += "frame "; }
    std::string steps;
    bool filtered = false, dateShown = false, dayPages = true;
    std::string expression;
    TaskStatusText status = TaskStatusText::TaskFor;
    TaskFilterButtons* buttons = nullptr;
};

TEST(Recurrence, FilterButtonsTable) {
    using B = TaskFilterButton;
    const struct {
        bool dayPages;
        std::vector<B> clicks;
        B down;
        bool filtered, dateShown;
        const char* expression;
        TaskStatusText status;
    } cases[] = {
        // All on a day page ends with filtering on and All up.
        {true, {B::All}, B::None, true, true, "", TaskStatusText::TaskFor},
        // On the survey and list pages All stays down and every task shows.
        {false, {B::All}, B::All, false, false, "", TaskStatusText::AllTasks},
        {false, {B::All, B::All}, B::None, true, true, "", TaskStatusText::TaskFor},
        // Compl. on a day page: the date label shows again through the refresh.
        {true, {B::Completed}, B::Completed, true, true, "Completed=\"True\"", TaskStatusText::Completed},
        // Failure hides it after the refresh.
        {true, {B::Failure}, B::Failure, true, false, "Completed=\"False\"", TaskStatusText::Failure},
        {true, {B::Completed, B::Failure}, B::Failure, true, false, "Completed=\"False\"", TaskStatusText::Failure},
        {true, {B::Failure, B::Failure}, B::None, true, true, "", TaskStatusText::TaskFor},
        {false, {B::Completed, B::Completed}, B::None, true, true, "", TaskStatusText::TaskFor},
        {false, {B::Failure, B::All}, B::All, false, false, "Completed=\"False\"", TaskStatusText::AllTasks},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        TaskFilterButtons buttons(host);
        host.buttons = &buttons;
        host.dayPages = c.dayPages;
        for (B b : c.clicks) buttons.Click(b);
        EXPECT_EQ(buttons.Down(), c.down) << host.steps;
        EXPECT_EQ(host.filtered, c.filtered) << host.steps;
        EXPECT_EQ(host.dateShown, c.dateShown) << host.steps;
        EXPECT_EQ(host.expression, c.expression) << host.steps;
        EXPECT_EQ(host.status, c.status) << host.steps;
    }
}

TEST(Recurrence, TheCompletedButtonSetsItsExpressionBeforeTheRefresh) {
    RecordingHost host;
    host.dayPages = false;
    TaskFilterButtons buttons(host);
    buttons.Click(TaskFilterButton::Completed);
    EXPECT_EQ(host.steps, "expr[Completed=\"True\"] filter+ date- refresh status2 frame ");
}

TEST(Recurrence, StatusTextsByLanguage) {
    EXPECT_EQ(StatusTextOf(TaskStatusText::TaskFor, 1), "Task for : ");
    EXPECT_EQ(StatusTextOf(TaskStatusText::AllTasks, 2), "Všetky plánované úlohy  ");
    EXPECT_EQ(StatusTextOf(TaskStatusText::Completed, 3), "Splněné úkoly");
    EXPECT_EQ(StatusTextOf(TaskStatusText::Failure, 1), "Failure Tasks");
}

TEST(Recurrence, SurveySortDirectionsAlternatePerColumn) {
    SurveySortFlags flags;
    // Project three times with SubProject in between: asc, (sub asc), desc, asc.
    const struct { int column; bool descending; } clicks[] = {{4, false}, {5, false}, {4, true}, {4, false},
                                                               {5, true}, {7, false}, {-1, false}};
    for (const auto& c : clicks) EXPECT_EQ(flags.Click(c.column), c.descending) << c.column;
    EXPECT_TRUE(flags.Flag(4));
    EXPECT_FALSE(flags.Flag(5));
    EXPECT_EQ(&RunSurveySortFlags(), &RunSurveySortFlags());
}

TEST(Recurrence, TheProjectTreeGroupsSubProjectsUnderTheirProject) {
    auto tree = BuildProjectTree({"Home", "Work", "Empty"},
                                 {{"Work", "Plan"}, {"Home", "Roof"}, {"Work", "Build"}, {"Gone", "Orphan"}}, 2);
    ASSERT_EQ(tree.size(), 7u);
    EXPECT_TRUE(tree[0].IsRoot);
    EXPECT_EQ(tree[0].Text, "Všetky úlohy");
    EXPECT_EQ(tree[1].Text, "Home");
    EXPECT_EQ(tree[2].Text, "Roof");
    EXPECT_EQ(tree[2].Parent, 1);
    EXPECT_EQ(tree[3].Text, "Work");
    EXPECT_EQ(tree[4].Text, "Plan");
    EXPECT_EQ(tree[5].Text, "Build");
    EXPECT_EQ(tree[5].Parent, 3);
    EXPECT_EQ(tree[6].Text, "Empty"); // a leaf on the top level
    EXPECT_EQ(tree[6].Parent, -1);
    EXPECT_EQ(NodeChoiceOf(tree, 0).What, ProjectNodeChoice::Root);
    EXPECT_EQ(NodeChoiceOf(tree, 3).What, ProjectNodeChoice::Project);
    EXPECT_EQ(NodeChoiceOf(tree, 5).What, ProjectNodeChoice::SubProject);
    EXPECT_EQ(NodeChoiceOf(tree, 9).What, ProjectNodeChoice::None);
    EXPECT_TRUE(ListRowOnYellow(0));
    EXPECT_FALSE(ListRowOnYellow(1));
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The prepared filter answers as the rules, for every repetition, in every view, over task dates
// around a leap year and the turn of years.
TEST(Recurrence, ThePreparedFilterAgreesWithTheRules) {
    for (TDateTime shown : {EncodeDate(2024, 2, 29), EncodeDate(2024, 12, 30), EncodeDate(2025, 2, 1), EncodeDate(2025, 12, 31)}) {
        for (int firstDay : {1, 7}) {
            TaskViewFilter f;
            f.CurrentDay = shown;
            f.WeekDays = WeekDaysOf(shown, firstDay);
            f.MonthDays = MonthDaysOf(shown);
            for (TaskView view : {TaskView::Day, TaskView::Week, TaskView::Month}) {
                f.View = view;
                f.Prepare();
                for (TDateTime date = EncodeDate(2023, 12, 1); date < EncodeDate(2026, 3, 1); date += 1) {
                    for (int rep = RepeatOnce; rep <= RepeatYearly; ++rep) {
                        const TaskDates task{date + 0.5, rep};
                        const bool rule = view == TaskView::Day    ? DayViewAccepts(task, shown)
                                          : view == TaskView::Week ? WeekViewAccepts(task, f.WeekDays)
                                                                   : MonthViewAccepts(task, f.MonthDays);
                        ASSERT_EQ(f.Accepts(task, "", ""), rule) << shown << " " << int(view) << " " << date << " " << rep;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace kvz
