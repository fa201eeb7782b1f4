#include "scheduling/UlohaChild.h"

#include "platform/forms/Responder.h"

#include "SchedulingTesting.h"

#include <QApplication>
#include <QTableView>

namespace kvz {
namespace {

TDateTime D(int y, int m, int d) { return DateOfDay(y, m, d); }

// Sunday 5 January 2025, noon: week 1 of 2025, which began on Monday 30 December 2024.
constexpr TDateTime kToday = 45662.5;

class UlohaWindowTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        ASSERT_EQ(DayOfWeek(kToday), 1);
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), false);
    }
    void TearDown() override {
        if (window) window->Free();
        window = nullptr;
        program.reset();
        SetLanguage(2);
    }
    TUlohaChildForm& Open(int page = 0, int firstDay = 1) {
        program->settings.Nastavenia[UlohaSlots::StartPage] = page;
        program->settings.Nastavenia[Slot::FirstWeekDay] = firstDay;
        window = new TUlohaChildForm(nullptr, *program->data, program->frame);
        window->FormShow();
        window->Show();
        QApplication::processEvents();
        return *window;
    }
    TVolgaTable& Tasks() { return *program->data->TaskTable; }
    std::string CurrentNumber() { return Tasks().IsEmpty() ? "" : Tasks().FieldByName("Number").AsString(); }

    FixedClock clock{kToday};
    ScopedClock useClock{clock};
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    TUlohaChildForm* window = nullptr;
    TResponder responder;
};

TEST_F(UlohaWindowTest, TheDayGridPlacesTasksByHourAndTenMinutes) {
    program->AddTasks({{"T0000001", D(2025, 1, 5), "04:59", "Early", 0x0000FF},
                       {"T0000002", D(2025, 1, 5), "05:00", "Five", 0x00FF00},
                       {"T0000003", D(2025, 1, 5), "05:10", "Second in cell", 0xFF0000},
                       {"T0000004", D(2025, 1, 6), "05:11", "Tomorrow", 0xFF0000},
                       {"T0000005", D(2024, 1, 1), "12:00", "Every day", 0x00FFFF, RepeatDaily}});
    TUlohaChildForm& w = Open();
    EXPECT_EQ(w.TaskViewMode(), TaskView::Day);
    EXPECT_EQ(w.StringGrid1->CellText(6, 24), "T0000001");
    EXPECT_EQ(w.StringGrid1->CellText(1, 1), "T0000002"); // the first of the cell's two tasks
    EXPECT_EQ(w.StringGrid1->CellText(2, 1), "");         // tomorrow's task is not today's
    EXPECT_EQ(w.StringGrid1->CellText(1, 8), "T0000005");
    EXPECT_EQ(w.StringGrid1->ShownText(1, 8), "Every ...");
    EXPECT_EQ(w.DayCells().Entries().size(), 4u);
    EXPECT_EQ(w.StatusLabel->Caption(), "Task for : ");
    EXPECT_EQ(w.StringGrid1->ColumnTitle(1), "  0-10");
    EXPECT_EQ(w.StringGrid1->RowTitle(20), "   00");
}

// The week column comes from the chosen first day: with Monday first Sunday's tasks keep their
// column, with Sunday first every task does.
TEST_F(UlohaWindowTest, EveryDayOfTheShownWeekHasItsColumn) {
    program->AddTasks({{"MON", D(2024, 12, 30), "09:00", "Mon"}, {"SUN", D(2025, 1, 5), "09:00", "Sun"},
                       {"SAT", D(2025, 1, 4), "09:00", "Sat"}});
    {
        TUlohaChildForm& w = Open(1, 1);
        EXPECT_EQ(w.DateLabel->Caption(), "1st week");
        EXPECT_EQ(w.StringGrid2->CellText(1, 5), "MON");
        EXPECT_EQ(w.StringGrid2->CellText(7, 5), "SUN");
        EXPECT_EQ(w.StringGrid2->CellText(6, 5), "SAT");
        EXPECT_EQ(w.StringGrid2->ColumnTitle(1), "Mon 30");
        EXPECT_EQ(w.StringGrid2->ColumnTitle(7), "Sun 5");
        EXPECT_EQ(w.MonthCalendar1->FirstDayOfWeek(), 1);
        window->Free();
        window = nullptr;
    }
    TUlohaChildForm& w = Open(1, 7);
    // Sunday first: the week of Sunday 5 January runs to Saturday 11 January.
    EXPECT_EQ(w.StringGrid2->CellText(1, 5), "SUN");
    EXPECT_EQ(w.StringGrid2->CellText(2, 5), "");
    EXPECT_EQ(w.StringGrid2->ColumnTitle(1), "Sun 5");
    EXPECT_EQ(w.MonthCalendar1->FirstDayOfWeek(), 7);
}

TEST_F(UlohaWindowTest, AWeekSettingOutsideOneToSevenIsMondayEverywhere) {
    for (int setting : {0, 8}) {
        TUlohaChildForm& w = Open(1, setting);
        EXPECT_EQ(w.MonthCalendar1->FirstDayOfWeek(), 1) << setting;
        EXPECT_EQ(w.FirstDay(), 1);
        EXPECT_EQ(w.StringGrid2->ColumnTitle(1), "Mon 30");
        window->Free();
        window = nullptr;
    }
}

TEST_F(UlohaWindowTest, TheMonthGridShowsRepeatingTasksOnTheirOwnDay) {
    program->AddTasks({{"M31", D(2024, 10, 31), "23:59", "Monthly", 0xFF00FF, RepeatMonthly},
                       {"W", D(2024, 12, 2), "10:00", "Weekly elsewhere", 0, RepeatWeekly},
                       {"J", D(2025, 1, 20), "00:00", "In January"}});
    SetLanguage(3);
    TUlohaChildForm& w = Open(2);
    EXPECT_EQ(w.DateLabel->Caption(), "Leden");
    EXPECT_EQ(w.StringGrid3->CellText(19, 31), "M31");
    EXPECT_EQ(w.StringGrid3->CellText(20, 20), "J");
    EXPECT_EQ(w.MonthCells().Entries().size(), 2u); // the weekly task's date is outside the month
    EXPECT_EQ(w.StringGrid3->ShownText(20, 20), "I ...");
}

// Painting reads the prepared cells: it never moves the task table, so the memo and the small
// grid keep showing the task the person chose.
TEST_F(UlohaWindowTest, PaintingNeverMovesTheTaskTable) {
    std::vector<TaskRow> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back({"K" + std::to_string(100 + i), D(2025, 1, 5), std::to_string(5 + i) + ":00", "Task " + std::to_string(i)});
    program->AddTasks(rows);
    TUlohaChildForm& w = Open(0);
    for (int page : {0, 1, 2}) {
        w.PageControl1->SetActivePageIndex(page);
        w.PageControl1Change();
    }
    Tasks().Last();
    const std::string chosen = CurrentNumber();
    const std::string memo = w.DBMemo1->Text();
    ASSERT_EQ(chosen, "K111");
    for (int page : {0, 1, 2, 0}) {
        w.PageControl1->SetActivePageIndex(page);
        for (TTaskStringGrid* g : {w.StringGrid1, w.StringGrid2, w.StringGrid3}) {
            g->View()->viewport()->grab();
            g->View()->viewport()->repaint();
        }
        QApplication::processEvents();
    }
    EXPECT_EQ(CurrentNumber(), chosen);
    EXPECT_EQ(w.DBMemo1->Text(), memo);
}

TEST_F(UlohaWindowTest, ClickingATaskCellMakesItCurrentAndMovesTheCalendarOnTheWeekGrid) {
    program->AddTasks({{"A", D(2024, 12, 31), "10:00", "Pay the rent"}, {"B", D(2025, 1, 5), "11:30:00", "Call"}});
    TUlohaChildForm& w = Open(1);
    w.StringGrid2->SelectCell(2, 6);
    w.StringGrid2Click();
    EXPECT_EQ(w.ClickedTaskKey, "A");
    EXPECT_EQ(CurrentNumber(), "A");
    EXPECT_EQ(w.CurrentDay, D(2024, 12, 31));
    EXPECT_EQ(w.StringGrid2->Hint(), "31/12/2024  -  10:00 \r\nPay the rent");
    EXPECT_EQ(w.KvLabel1->Caption(), "31/12/2024  -  10:00 ");
    // An empty cell empties the hint and changes neither the calendar nor the label.
    w.StringGrid2->SelectCell(3, 3);
    w.StringGrid2Click();
    EXPECT_EQ(w.StringGrid2->Hint(), "");
    EXPECT_EQ(w.CurrentDay, D(2024, 12, 31));
}

TEST_F(UlohaWindowTest, ABadTimeIsReportedAfterTheOtherTasksAreShown) {
    program->AddTasks({{"OK", D(2025, 1, 5), "10:00", "Fine"}, {"BAD", D(2025, 1, 5), "ten", "Broken"},
                       {"NONE", D(2025, 1, 5), "", "No time"}});
    TUlohaChildForm& w = Open(3);
    w.PageControl1->SetActivePageIndex(0);
    EXPECT_THROW(w.PageControl1Change(), std::invalid_argument);
    EXPECT_EQ(w.StringGrid1->CellText(1, 6), "OK");
    EXPECT_EQ(w.DayCells().Entries().size(), 1u);
}

// The filter belongs to the window: once it is gone, the task table filters without it.
TEST_F(UlohaWindowTest, TheFilterIsDetachedWhenTheWindowGoes) {
    program->AddTasks({{"A", D(2025, 1, 5)}, {"B", D(2020, 1, 1)}});
    Open(0);
    EXPECT_EQ(program->frame.TasksWindow, window);
    EXPECT_EQ(Tasks().RecordCount(), 1);
    window->Free();
    window = nullptr;
    EXPECT_EQ(program->frame.TasksWindow, nullptr);
    EXPECT_FALSE(Tasks().Filtered());
    Tasks().SetFiltered(true); // another part filters the table: the freed window is not called
    EXPECT_EQ(Tasks().RecordCount(), 2);
}

TEST_F(UlohaWindowTest, TheFilterButtonsWorkOnTheSurveyPage) {
    program->AddTasks({{"A", D(2025, 1, 5), "10:00", "Done", 0, 0, "", "", true},
                       {"B", D(2025, 1, 5), "11:00", "Open"},
                       {"C", D(2020, 1, 1), "11:00", "Old"}});
    TUlohaChildForm& w = Open(3); // the survey keeps the day view's filter
    EXPECT_EQ(Tasks().RecordCount(), 2);
    w.AllJobsButtonClick();
    EXPECT_TRUE(w.AllJobsButton->Down());
    EXPECT_EQ(Tasks().RecordCount(), 3);
    EXPECT_EQ(w.StatusLabel->Caption(), "All planning tasks ");
    w.CompleteButtonClick();
    EXPECT_FALSE(w.AllJobsButton->Down());
    EXPECT_TRUE(w.CompleteButton->Down());
    EXPECT_EQ(Tasks().RecordCount(), 1);
    EXPECT_EQ(w.StatusLabel->Caption(), "Completed tasks");
    w.FailureButtonClick();
    EXPECT_EQ(Tasks().RecordCount(), 1);
    EXPECT_EQ(CurrentNumber(), "B");
    w.FailureButtonClick();
    EXPECT_EQ(Tasks().RecordCount(), 2);
    EXPECT_EQ(w.StatusLabel->Caption(), "Task for : ");
}

TEST_F(UlohaWindowTest, SurveyTitlesSortAscendingThenDescending) {
    program->AddTasks({{"1", D(2025, 1, 5), "10:00", "a", 0, RepeatDaily, "beta"},
                       {"2", D(2025, 1, 5), "10:00", "b", 0, RepeatDaily, "Alpha"},
                       {"3", D(2025, 1, 5), "10:00", "c", 0, RepeatDaily, "alpha"}});
    RunSurveySortFlags() = SurveySortFlags{};
    TUlohaChildForm& w = Open(3);
    auto order = [&] {
        std::string s;
        for (Tasks().First(); !Tasks().Eof(); Tasks().Next()) s += Tasks().FieldByName("Number").AsString();
        return s;
    };
    w.TaskKvGridTitleClick(4);
    EXPECT_EQ(order(), "231"); // case-sensitive: capitals first
    w.TaskKvGridTitleClick(4);
    EXPECT_EQ(order(), "132");
    w.TaskKvGridTitleClick(4);
    EXPECT_EQ(order(), "231");
}

TEST_F(UlohaWindowTest, TheProjectTreeChoosesTheListsTasks) {
    program->AddRows(TableId::Projects, {{{"ProjectName", "Home"}}, {{"ProjectName", "Work"}}});
    program->AddRows(TableId::SubProjects, {{{"ProjectName", "Work"}, {"SubProjectName", "Plan"}},
                                            {{"ProjectName", "Home"}, {"SubProjectName", "Plan"}}});
    program->AddTasks({{"A", D(2019, 1, 1), "10:00", "a", 0, 0, "Home", "Plan"},
                       {"B", D(2019, 1, 1), "10:00", "b", 0, 0, "Work", "Plan"},
                       {"C", D(2019, 1, 1), "10:00", "c", 0, 0, "Work", "Build"},
                       {"D", D(2019, 1, 1), "10:00", "d"}});
    TUlohaChildForm& w = Open(4);
    EXPECT_EQ(w.TaskViewMode(), TaskView::List);
    ASSERT_EQ(w.ProjectTree().size(), 5u);
    EXPECT_EQ(w.ListView1->ItemCount(), 4); // no node chosen: every task
    auto choose = [&](int top, int child) {
        TTreeNode* n = w.TreeView1->TopItems(top);
        if (child >= 0) n = n->Item(child);
        w.TreeView1->SetSelected(n);
        w.TreeView1Click();
    };
    choose(2, -1); // Work
    EXPECT_EQ(w.ListView1->ItemCount(), 2);
    choose(2, 0); // Plan, of any project
    EXPECT_EQ(w.ListView1->ItemCount(), 2);
    EXPECT_EQ(w.ListView1->Items(0)->SubItems(5), "A");
    choose(0, -1); // the root: every task
    EXPECT_EQ(w.ListView1->ItemCount(), 4);
    w.ListView1->Items(1)->SetSelected(true);
    w.ListView1Click();
    EXPECT_EQ(w.ClickedTaskKey, "B");
}

// Coloured rows show their colour with a readable text, except in the Priority column; white
// rows keep the grid's own colours.
TEST_F(UlohaWindowTest, GridCellsTakeTheTasksColour) {
    program->AddTasks({{"R", D(2025, 1, 5), "10:00", "Red", 0x0000FF}, {"W", D(2025, 1, 5), "11:00", "White", 0xFFFFFF}});
    TUlohaChildForm& w = Open(3);
    for (TKvDBGrid* grid : {w.TaskKvGrid, w.UlohaDbGrid}) {
        const struct { const char* number; const char* field; TColor back, text; } cases[] = {
            {"R", "Date", 0x0000FF, 0xFFFFFF}, {"R", "Uloha", 0x0000FF, 0xFFFFFF},
            {"R", "Priority", 0x123456, 0x654321}, {"W", "Date", 0x123456, 0x654321}};
        for (const auto& c : cases) {
            ASSERT_TRUE(Tasks().Locate("Number", Variant(std::string(c.number)), 0));
            TFont font;
            font.Color = 0x654321;
            TColor back = 0x123456;
            grid->OnGetCellParams(grid, &Tasks().FieldByName(c.field), font, back, false);
            EXPECT_EQ(back, c.back) << c.number << " " << c.field;
            EXPECT_EQ(font.Color, c.text) << c.number << " " << c.field;
        }
    }
}

TEST_F(UlohaWindowTest, SettingsComeFromTheStoreAndGoBack) {
    program->settings.Nastavenia[UlohaSlots::MemoBack] = 0x00FF00;
    program->settings.Nastavenia[UlohaSlots::GridFontSize] = 11;
    program->settings.Nastavenia[UlohaSlots::WeekNumbers] = 0;
    program->settings.Nastavenia[UlohaSlots::CalendarTitleBack] = 0x008000;
    TUlohaChildForm& w = Open(0);
    EXPECT_EQ(w.DBMemo1->Color(), 0x00FF00u);
    EXPECT_EQ(w.UlohaDbGrid->Font().Size, 11);
    EXPECT_FALSE(w.MonthCalendar1->WeekNumbers());
    program->settings.Nastavenia[UlohaSlots::MemoBack] = 0;
    program->settings.Nastavenia[UlohaSlots::CalendarTitleBack] = 0;
    w.UlozDoPola();
    EXPECT_EQ(program->settings.Nastavenia[UlohaSlots::MemoBack], 0x00FF00);
    EXPECT_EQ(program->settings.Nastavenia[UlohaSlots::CalendarTitleBack], 0x008000);
    EXPECT_EQ(program->settings.Nastavenia[UlohaSlots::GridFontSize], 11);
}

// The frame window's commands by intent: Prior and Next step the calendar, the settings dialog's
// first day rebuilds the week, the enlarge toggle cuts texts longer.
TEST_F(UlohaWindowTest, TheFramesCommandsReachTheViews) {
    program->AddTasks({{"A", D(2025, 1, 6), "10:00", "Monday's long task"}, {"B", D(2025, 1, 5), "10:00", "Sunday"}});
    TUlohaChildForm& w = Open(1);
    w.Run(Command::Next);
    EXPECT_EQ(w.CurrentDay, D(2025, 1, 6));
    EXPECT_EQ(w.DateLabel->Caption(), "2nd week");
    EXPECT_EQ(w.StringGrid2->CellText(1, 6), "A");
    EXPECT_EQ(w.StringGrid2->ShownText(1, 6), "Mond ...");
    w.Run(Command::MaximiseGrid);
    EXPECT_FALSE(w.MonthCalendar1->Visible());
    EXPECT_EQ(w.StringGrid2->ShownText(1, 6), "Monday's l ...");
    w.Run(Command::RestoreGrid);
    w.ApplySetting(ModuleSetting::FirstDay, 7);
    EXPECT_EQ(w.MonthCalendar1->FirstDayOfWeek(), 7);
    EXPECT_EQ(w.StringGrid2->ColumnTitle(1), "Sun 5");
    EXPECT_EQ(w.StringGrid2->CellText(2, 6), "A");
    w.Run(Command::Prior);
    EXPECT_EQ(w.CurrentDay, D(2025, 1, 5));
}

TEST_F(UlohaWindowTest, ClosingStoresTheWidthsAndThePage) {
    TUlohaChildForm& w = Open(2);
    TCloseAction action = TCloseAction::caHide;
    w.FormClose(action);
    EXPECT_EQ(action, TCloseAction::caFree);
    EXPECT_EQ(program->settings.Nastavenia[UlohaSlots::StartPage], 2);
    EXPECT_EQ(program->settings.Nastavenia[UlohaSlots::SmallGridWidths[3]], w.UlohaDbGrid->Columns()[3].Width());
    EXPECT_EQ(program->frame.TasksWindow, nullptr);
}

// The grids are filled from the tasks read once, and read again after every change of the task
// table: a save, a removal, an addition, another order, the filter buttons, another day.
TEST_F(UlohaWindowTest, TheGridsFollowEveryChangeOfTheTaskTable) {
    program->AddTasks({{"A", D(2025, 1, 5), "09:00", "Own day"},
                       {"B", D(2020, 1, 1), "10:00", "Daily", 0, RepeatDaily},
                       {"C", D(2024, 12, 29), "11:00", "Sundays", 0, RepeatWeekly},
                       {"D", D(2024, 12, 5), "12:00", "Fifths", 0, RepeatMonthly},
                       {"E", D(2000, 1, 5), "13:00", "Every 5 January", 0, RepeatYearly},
                       {"F", D(2025, 1, 6), "09:00", "Tomorrow"},
                       {"H", D(2025, 1, 5), "16:05", "Later in the cell"},
                       {"I", D(2025, 1, 5), "16:01", "Earlier in the cell"}});
    TUlohaChildForm& w = Open(0);
    auto cells = [&] {
        std::string s;
        for (const TaskCellEntry& e : w.DayCells().Entries())
            s += e.Key + "@" + std::to_string(e.Col) + "," + std::to_string(e.Row) + " ";
        return s;
    };
    EXPECT_EQ(cells(), "A@1,5 B@1,6 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 ");
    EXPECT_EQ(w.StringGrid1->CellText(1, 12), "H");
    EXPECT_EQ(Tasks().RecordCount(), 7);

    // A save moves a task; the next refresh shows it where it is now.
    ASSERT_TRUE(Tasks().Locate("Number", Variant("A"), {}));
    Tasks().Edit();
    Tasks().FieldByName("Time").SetAsString("14:30");
    Tasks().Post();
    w.TablesChanged();
    EXPECT_EQ(cells(), "A@3,10 B@1,6 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 ");

    // A removed task goes, an added one comes.
    ASSERT_TRUE(Tasks().Locate("Number", Variant("B"), {}));
    Tasks().Delete();
    program->AddTasks({{"G", D(2025, 1, 5), "15:00", "Added"}});
    w.TablesChanged();
    EXPECT_EQ(cells(), "A@3,10 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 G@1,11 ");

    // Read again from the file: the same tasks; then with a task another program added.
    w.Run(Command::Refresh);
    EXPECT_EQ(cells(), "A@3,10 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 G@1,11 ");
    {
        SchedulingProgram other(dir.path(), false);
        other.AddTasks({{"J", D(2025, 1, 5), "18:00", "From elsewhere"}});
    }
    w.Run(Command::Refresh);
    EXPECT_EQ(cells(), "A@3,10 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 G@1,11 J@1,14 ");
    ASSERT_TRUE(Tasks().Locate("Number", Variant("J"), {}));
    Tasks().Delete();
    w.TablesChanged();
    EXPECT_EQ(cells(), "A@3,10 C@1,7 D@1,8 E@1,9 H@1,12 I@1,12 G@1,11 ");

    // Another order decides which task of a cell is shown (each title keeps its direction for
    // the run: one click sorts one way, the next the other).
    w.TaskKvGridTitleClick(2);
    w.PageControl1Change();
    const bool ascending = RunSurveySortFlags().Flag(2); // the next click of the title descends
    EXPECT_EQ(cells(), ascending ? "C@1,7 D@1,8 E@1,9 A@3,10 G@1,11 I@1,12 H@1,12 "
                                 : "H@1,12 I@1,12 G@1,11 A@3,10 E@1,9 D@1,8 C@1,7 ");
    EXPECT_EQ(w.StringGrid1->CellText(1, 12), ascending ? "I" : "H");
    w.TaskKvGridTitleClick(2);
    w.PageControl1Change();
    EXPECT_EQ(w.StringGrid1->CellText(1, 12), ascending ? "H" : "I");

    // The Compl. button shows the completed tasks only, and gives the others back.
    ASSERT_TRUE(Tasks().Locate("Number", Variant("E"), {}));
    Tasks().Edit();
    Tasks().FieldByName("Completed").SetAsBoolean(true);
    Tasks().Post();
    w.CompleteButtonClick();
    EXPECT_EQ(cells(), "E@1,9 ");
    w.CompleteButtonClick();
    EXPECT_EQ(cells().size(), std::string("H@1,12 I@1,12 G@1,11 A@3,10 E@1,9 D@1,8 C@1,7 ").size());
    EXPECT_NE(cells().find("E@1,9"), std::string::npos);

    // Another day, and the week and month views over the same index.
    w.SetCalendarDate(D(2025, 1, 6));
    EXPECT_EQ(w.StringGrid1->CellText(1, 5), "F");
    EXPECT_EQ(w.StringGrid1->CellText(1, 7), ""); // Sundays' task is not Monday's
    w.PageControl1->SetActivePageIndex(1);
    w.PageControl1Change();
    EXPECT_EQ(w.StringGrid2->CellText(7, 7), "C");
    EXPECT_EQ(w.StringGrid2->CellText(1, 5), "F");
    w.PageControl1->SetActivePageIndex(2);
    w.PageControl1Change();
    EXPECT_EQ(w.StringGrid3->CellText(8, 5), "D");
    EXPECT_EQ(w.StringGrid3->CellText(9, 5), "E");
    EXPECT_EQ(w.StringGrid3->CellText(5, 6), "F");
    EXPECT_EQ(w.StringGrid3->CellText(10, 5), "A");
}

// 20,000 tasks under 10,000 projects: the list is filled when the tasks changed only, and a node
// deep in the tree chooses its own tasks.
TEST_F(UlohaWindowTest, TheListPageIsFilledOnceAndFollowsTheTable) {
    constexpr int kProjects = 10000, kTasks = 20000;
    std::vector<std::vector<std::pair<std::string, std::string>>> projects, subs;
    for (int i = 0; i < kProjects; ++i) {
        projects.push_back({{"ProjectName", "P" + std::to_string(i)}});
        subs.push_back({{"ProjectName", "P" + std::to_string(i)}, {"SubProjectName", "S" + std::to_string(i)}});
    }
    program->AddRows(TableId::Projects, projects);
    program->AddRows(TableId::SubProjects, subs);
    std::vector<TaskRow> tasks;
    for (int i = 0; i < kTasks; ++i)
        tasks.push_back({"N" + std::to_string(100000 + i), D(2024, 1, 1) + i % 500, "10:00", "Task " + std::to_string(i), 0,
                         0, "P" + std::to_string(i % kProjects), "S" + std::to_string(i % kProjects)});
    program->AddTasks(tasks);
    TUlohaChildForm& w = Open(4);
    ASSERT_EQ(w.ProjectTree().size(), size_t(1 + 2 * kProjects));
    EXPECT_EQ(w.ListView1->ItemCount(), kTasks);
    EXPECT_EQ(w.ListView1->Items(kTasks - 1)->SubItems(5), "N" + std::to_string(100000 + kTasks - 1));

    auto visit = [&](int page) {
        w.PageControl1->SetActivePageIndex(page);
        w.PageControl1Change();
    };
    // The last project's sub-project, the tree's last node.
    TTreeNode* last = w.TreeView1->TopItems(kProjects)->Item(0);
    w.TreeView1->SetSelected(last);
    w.TreeView1Click();
    ASSERT_EQ(w.ListView1->ItemCount(), 2);
    EXPECT_EQ(w.ListView1->Items(0)->Caption(), "Task " + std::to_string(kProjects - 1));
    w.ListView1->Items(1)->SetSelected(true);
    visit(0);
    visit(4); // the root again: every task, nothing chosen
    EXPECT_EQ(w.ListView1->ItemCount(), kTasks);
    EXPECT_EQ(w.ListView1->Selected(), nullptr);
    visit(0);
    visit(4);
    EXPECT_EQ(w.ListView1->ItemCount(), kTasks);
    EXPECT_EQ(w.ListView1->Items(1)->Caption(), "Task 1");

    // A changed task and an added one are in the list at the next visit.
    ASSERT_TRUE(Tasks().Locate("Number", Variant("N100001"), {}));
    Tasks().Edit();
    Tasks().FieldByName("Uloha").SetAsString("Changed");
    Tasks().Post();
    program->AddTasks({{"NEW", D(2025, 1, 5), "11:00", "Added"}});
    visit(0);
    visit(4);
    ASSERT_EQ(w.ListView1->ItemCount(), kTasks + 1);
    EXPECT_EQ(w.ListView1->Items(1)->Caption(), "Changed");
    EXPECT_EQ(w.ListView1->Items(kTasks)->SubItems(5), "NEW");
}

// The five pages with tasks, in the three languages, saved for a look.
TEST_F(UlohaWindowTest, Pictures) {
    program->AddTasks({{"T1", D(2025, 1, 5), "08:00", "Meeting with the bank", 0x0000FF},
                       {"T2", D(2025, 1, 5), "09:20", "Call Peter", 0x00FF00, 0, "Home", "Roof"},
                       {"T3", D(2025, 1, 3), "14:00", "Pay the invoice", 0xFF0000, 0, "Work"},
                       {"T4", D(2024, 6, 9), "18:30", "Sport", 0x00FFFF, RepeatWeekly},
                       {"T5", D(2025, 1, 21), "07:00", "Dentist", 0x808000},
                       {"T6", D(2023, 1, 1), "06:00", "Daily review", 0xFFFFFF, RepeatDaily, "Work", "Plan"}});
    program->AddRows(TableId::Projects, {{{"ProjectName", "Home"}}, {{"ProjectName", "Work"}}});
    program->AddRows(TableId::SubProjects, {{{"ProjectName", "Home"}, {"SubProjectName", "Roof"}},
                                            {{"ProjectName", "Work"}, {"SubProjectName", "Plan"}}});
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TUlohaChildForm& w = Open(0);
        w.SetClientSize(1100, 680);
        for (int page = 0; page < 5; ++page) {
            w.PageControl1->SetActivePageIndex(page);
            w.PageControl1Change();
            QApplication::processEvents();
            testing::SaveWindowPicture(w, "UlohaChild_" + std::to_string(language) + "_page" + std::to_string(page) + "");
        }
        window->Free();
        window = nullptr;
    }
}

} // namespace
} // namespace kvz
