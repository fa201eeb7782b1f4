// The scheduling window changes the shared task table only through the task editor's save:
// its grids browse, marked rows and chosen cells reach the editor and the delete each once,
// closing the editor leaves editing, and a task another program changed meanwhile is asked
// about before it is written over.
#include "scheduling/Info.h"
#include "scheduling/TaskEditorService.h"
#include "scheduling/Uloha.h"
#include "scheduling/UlohaChild.h"

#include "platform/forms/Responder.h"

#include "SchedulingTesting.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QTableView>
#include <QTreeWidget>

#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

// Sunday 5 January 2025, noon: the week grid shows Monday 30 December to Sunday 5 January.
constexpr TDateTime kToday = 45662.5;
TDateTime D(int y, int m, int d) { return DateOfDay(y, m, d); }

class SharedEditsTest : public testing::FormsTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), Network());
    }
    void TearDown() override {
        if (window) window->Free();
        window = nullptr;
        program.reset();
        SetLanguage(2);
    }
    virtual bool Network() const { return GetParam(); }
    // The window on a page, with Insert and Edit opening the editor through the service as the
    // program does.
    TUlohaChildForm& Open(int page = 0) {
        program->settings.Nastavenia[UlohaSlots::StartPage] = page;
        window = new TUlohaChildForm(nullptr, *program->data, program->frame);
        window->OpenTaskEditor = [this](TaskEditorCall call) {
            TaskEditorService service(*program->data, program->frame);
            if (call == TaskEditorCall::Insert) service.OpenForInsert(window->EditorHost());
            else service.OpenForEdit(window->EditorHost());
        };
        window->FormShow();
        window->Show();
        window->SetBounds(0, 0, 1000, 700);
        QApplication::processEvents();
        return *window;
    }
    // Every task's text with its code, read from the file as another program would.
    std::multiset<std::pair<std::string, std::string>> FileTasks() {
        SchedulingProgram other(dir.path(), Network());
        TVolgaTable& t = *other.data->TaskTable;
        t.SetFiltered(false);
        std::multiset<std::pair<std::string, std::string>> rows;
        for (t.First(); !t.Eof(); t.Next()) rows.emplace(t.FieldByName("Number").AsString(), t.FieldByName("Uloha").AsString());
        return rows;
    }
    TVolgaTable& Tasks() { return *program->data->TaskTable; }
    void Focus(TWinControl& control) {
        window->Widget()->activateWindow();
        control.SetFocus();
        QApplication::processEvents();
    }

    FixedClock clock{kToday};
    ScopedClock useClock{clock};
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    TUlohaChildForm* window = nullptr;
    TResponder responder;
};

// A key typed into a cell, a row deleted with Ctrl+Delete and a row appended past the last one
// while the window browses change nothing, and the next save writes only what it saves.
TEST_P(SharedEditsTest, TheGridsOnlyBrowseAndTheNextSaveWritesOnlyItsOwnChange) {
    program->AddTasks({{"DENTIST1", D(2025, 1, 5), "09:00", "Dentist"}, {"PLUMBER1", D(2025, 1, 5), "10:00", "Plumber"}});
    auto expected = FileTasks();
    TUlohaChildForm& w = Open(0);
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDYES; }; // "Delete record?"
    for (TKvDBGrid* grid : {w.UlohaDbGrid, w.TaskKvGrid}) {
        SCOPED_TRACE(grid->Name());
        if (grid == w.TaskKvGrid) w.PageControl1->SetActivePageIndex(3);
        QApplication::processEvents();
        Focus(*grid);
        ASSERT_TRUE(grid->Focused());
        QTableView* view = grid->View();
        view->setCurrentIndex(view->model()->index(0, 3));
        QTest::keyClick(view, Qt::Key_X);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(Tasks().State(), dsBrowse);
        EXPECT_EQ(Tasks().ChangeCount(), 0);
    }
    // Nor does the memo of the current task's text.
    Focus(*w.DBMemo1);
    QTest::keyClicks(QApplication::focusWidget(), "zz");
    Focus(*w.UlohaDbGrid);
    EXPECT_EQ(Tasks().State(), dsBrowse);
    EXPECT_EQ(Tasks().ChangeCount(), 0);
    TaskSaveRequest save;
    save.Task.Text = "Saved";
    save.Task.Date = save.Task.EndDate = kToday;
    save.UserPrefix = "Jano";
    const TaskSaveResult result = SaveTasks(Tasks(), program->locks, program->data->LockFileName(TableId::Tasks),
                                            Network(), save);
    EXPECT_EQ(result.RowsAdded, 1);
    auto rows = FileTasks();
    auto saved = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.second == "Saved"; });
    ASSERT_NE(saved, rows.end());
    rows.erase(saved);
    EXPECT_EQ(rows, expected);
}

// The editor closed by its close box (no Save, no Cancel) leaves editing as Cancel does.
TEST_P(SharedEditsTest, TheEditorClosedByItsCloseBoxIsCancel) {
    program->AddTasks({{"DENTIST1", D(2025, 1, 5), "09:00", "Dentist"}});
    const auto expected = FileTasks();
    TUlohaChildForm& w = Open(0);
    const RecordBarState browsing = w.State({});
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit);
        responder.OnShowModal = [&](TForm& form) {
            auto& f = static_cast<TUlohaForm&>(form);
            f.UlohaMemo->SetText("Typed, then closed");
            // What the editor's state is while it is open.
            const RecordBarState open = w.State({});
            EXPECT_TRUE(open.Post && open.Cancel);
            return mrCancel;
        };
        if (edit) w.EditPopupClick();
        else w.AddPopupClick();
        const RecordBarState after = w.State({});
        EXPECT_FALSE(after.Post);
        EXPECT_FALSE(after.Cancel);
        EXPECT_EQ(after.Insert, browsing.Insert);
        EXPECT_EQ(after.Edit, browsing.Edit);
        EXPECT_TRUE(after.Delete && browsing.Delete);
        EXPECT_FALSE(after.Inserting);
        EXPECT_TRUE(w.UlohaDbGrid->ReadOnly());
        EXPECT_TRUE(w.TaskKvGrid->ReadOnly());
        EXPECT_EQ(Tasks().State(), dsBrowse);
    }
    EXPECT_EQ(FileTasks(), expected);
}

INSTANTIATE_TEST_SUITE_P(LocalAndNetwork, SharedEditsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Network" : "Local"; });

// Rows are marked in the grids in local mode only.
class LocalEditsTest : public SharedEditsTest {
protected:
    bool Network() const override { return false; }
    void Mark(TKvDBGrid& grid, const std::string& code) {
        ASSERT_TRUE(Tasks().Locate("Number", Variant(code), 0));
        grid.SelectedRows().SetCurrentRowSelected(true);
    }
};

// Two rows marked in the small grid and one in the survey grid: Edit changes the two, each on
// its own day; Delete takes the two.
TEST_F(LocalEditsTest, TwoMarkedRowsAreEditedAndDeletedTogether) {
    program->AddTasks({{"MARKED01", D(2025, 1, 5), "09:00", "Dentist"},
                       {"MARKED02", D(2025, 1, 5), "10:00", "Plumber"},
                       {"SURVEY01", D(2025, 1, 5), "11:00", "Marked alone in the survey"},
                       {"LEFTALON", D(2025, 1, 5), "12:00", "Left alone"}});
    TUlohaChildForm& w = Open(0);
    ASSERT_TRUE(w.UlohaDbGrid->Options() & dgMultiSelect);
    Mark(*w.UlohaDbGrid, "MARKED02");
    Mark(*w.UlohaDbGrid, "MARKED01");
    Mark(*w.TaskKvGrid, "SURVEY01");
    ASSERT_TRUE(Tasks().Locate("Number", Variant(std::string("LEFTALON")), 0));
    EXPECT_EQ(w.SelectedRecordCodes(), (std::vector<std::string>{"MARKED02", "MARKED01"}));
    EXPECT_EQ(Tasks().FieldByName("Number").AsString(), "LEFTALON"); // the current task stays
    responder.OnShowModal = [&](TForm& form) {
        auto& f = static_cast<TUlohaForm&>(form);
        f.UlohaMemo->SetText("Call back");
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    };
    w.EditPopupClick();
    EXPECT_EQ(FileTasks(), (std::multiset<std::pair<std::string, std::string>>{{"MARKED01", "Call back"},
                                                                                {"MARKED02", "Call back"},
                                                                                {"SURVEY01", "Marked alone in the survey"},
                                                                                {"LEFTALON", "Left alone"}}));
}

// Cells chosen back and forth (A, B, A) are two tasks.
TEST_F(LocalEditsTest, CellsChosenBackAndForthAreEachOneTask) {
    program->AddTasks({{"TASKAAAA", D(2024, 12, 30), "09:00", "A"}, {"TASKBBBB", D(2024, 12, 31), "09:00", "B"}});
    TUlohaChildForm& w = Open(1);
    TTaskStringGrid& g = *w.StringGrid2;
    QTableView* v = g.View();
    auto at = [&](const std::string& key) {
        for (int c = 1; c <= g.ColCount(); ++c)
            for (int r = 1; r <= g.RowCount(); ++r)
                if (g.CellText(c, r) == key) return v->visualRect(v->model()->index(r - 1, c - 1)).center();
        return QPoint();
    };
    auto send = [&](QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(point), v->viewport()->mapToGlobal(QPointF(point)), button, held, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &e);
    };
    send(QEvent::MouseButtonPress, at("TASKAAAA"), Qt::LeftButton, Qt::LeftButton);
    for (const char* key : {"TASKAAAA", "TASKBBBB", "TASKAAAA"}) send(QEvent::MouseMove, at(key), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at("TASKAAAA"), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(w.SelectedTaskKeys(), (std::vector<std::string>{"TASKAAAA", "TASKBBBB", "TASKAAAA"}));
    EXPECT_EQ(w.SelectedRecordCodes(), (std::vector<std::string>{"TASKAAAA", "TASKBBBB"}));
}

// The label of the current task shows what the editor saved, on every page.
TEST_F(LocalEditsTest, TheCurrentTaskLabelShowsTheEditedTime) {
    program->AddTasks({{"DENTIST1", D(2025, 1, 5), "09:00", "Dentist"}});
    for (const int page : {0, 3}) {
        SCOPED_TRACE(page);
        TUlohaChildForm& w = Open(page);
        ASSERT_TRUE(Tasks().Locate("Number", Variant(std::string("DENTIST1")), 0));
        if (page == 3) w.TaskKvGridCellClick();
        else w.UlohaDbGridCellClick();
        EXPECT_NE(w.KvLabel1->Caption().find(page == 3 ? "14:45" : "9:00"), std::string::npos) << w.KvLabel1->Caption();
        const TDateTime time = page == 3 ? EncodeTime(11, 30, 0, 0) : EncodeTime(14, 45, 0, 0);
        responder.OnShowModal = [&](TForm& form) {
            auto& f = static_cast<TUlohaForm&>(form);
            f.DateTimePicker1->SetTime(time);
            f.BitBtn1Click(f.BitBtn1);
            return mrNone;
        };
        w.EditPopupClick();
        EXPECT_NE(w.KvLabel1->Caption().find(page == 3 ? "11:30" : "14:45"), std::string::npos) << w.KvLabel1->Caption();
        window->Free();
        window = nullptr;
    }
}

// "View detail" before any task was clicked shows the current task's day.
TEST_F(LocalEditsTest, ViewDetailBeforeAnyClickShowsTheCurrentTask) {
    program->AddTasks({{"DENTIST1", D(2025, 1, 5), "09:00", "Dentist"}});
    TUlohaChildForm& w = Open(0);
    ASSERT_TRUE(w.ClickedTaskKey.empty());
    int shown = 0;
    responder.OnShowModal = [&](TForm& form) {
        ++shown;
        EXPECT_NE(dynamic_cast<TInfoForm*>(&form), nullptr);
        return mrCancel;
    };
    w.DetailPopupClick();
    EXPECT_EQ(shown, 1);
}

// A day chosen by the keyboard on the calendar is shown once the calendar loses the focus.
TEST_F(LocalEditsTest, TheCalendarRefreshesWhenItLosesTheFocus) {
    TUlohaChildForm& w = Open(0);
    Focus(*w.MonthCalendar1);
    QCalendarWidget* calendar = w.MonthCalendar1->Calendar();
    ASSERT_TRUE(calendar->isAncestorOf(QApplication::focusWidget()) || calendar->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    ASSERT_EQ(w.MonthCalendar1->Date(), D(2025, 1, 6));
    EXPECT_EQ(w.CurrentDay, D(2025, 1, 5));
    Focus(*w.UlohaDbGrid);
    EXPECT_EQ(w.CurrentDay, D(2025, 1, 6));
    EXPECT_EQ(w.DateLabel->Caption(), "06/01/2025");
}

// The project tree shows a folder for each project, open while it is chosen, and a sheet for
// the task lists, in the colours of info tips.
TEST_F(LocalEditsTest, TheProjectTreeHasPicturesAndInfoTipColours) {
    program->AddRows(TableId::Projects, {{{"ProjectName", "Home"}}, {{"ProjectName", "Work"}}});
    program->AddRows(TableId::SubProjects, {{{"ProjectName", "Home"}, {"SubProjectName", "Roof"}}});
    TUlohaChildForm& w = Open(4);
    ASSERT_EQ(w.TreeView1->TopCount(), 3);
    EXPECT_EQ(w.TreeView1->TopItems(0)->ImageIndex(), kTaskListImage);
    EXPECT_EQ(w.TreeView1->TopItems(1)->ImageIndex(), kProjectImage);
    EXPECT_EQ(w.TreeView1->TopItems(1)->Item(0)->ImageIndex(), kTaskListImage);
    auto* tree = static_cast<QTreeWidget*>(w.TreeView1->Widget());
    EXPECT_FALSE(tree->topLevelItem(1)->icon(0).isNull());
    w.TreeView1->SetSelected(w.TreeView1->TopItems(2));
    EXPECT_EQ(w.TreeView1->TopItems(2)->ImageIndex(), kOpenProjectImage);
    EXPECT_EQ(w.TreeView1->TopItems(1)->ImageIndex(), kProjectImage);
    EXPECT_EQ(w.TreeView1->Color(), clInfoBk);
    EXPECT_EQ(tree->palette().color(QPalette::Base), QApplication::palette().color(QPalette::ToolTipBase));
    for (int language : {1, 2, 3}) {
        window->Free();
        SetLanguage(language);
        TUlohaChildForm& shown = Open(4);
        shown.TreeView1->SetSelected(shown.TreeView1->TopItems(1));
        testing::SaveWindowPicture(shown, "Uloha_tree_" + std::to_string(language));
    }
}

// Two programs edit one task in network mode: the editor of the second asks, and a reload
// shows what the first saved.
class NetworkEditsTest : public SharedEditsTest {
protected:
    bool Network() const override { return true; }
};

TEST_F(NetworkEditsTest, TwoProgramsEditingOneTaskAskBeforeOverwriting) {
    program->AddTasks({{"DENTIST1", D(2025, 1, 5), "09:00", "Dentist"}});
    TUlohaChildForm& w = Open(0);
    ASSERT_TRUE(Tasks().Locate("Number", Variant(std::string("DENTIST1")), 0));
    const std::filesystem::path folder = dir.path();
    std::vector<std::string> shown;
    responder.OnShowModal = [&](TForm& form) {
        auto& f = static_cast<TUlohaForm&>(form);
        f.UlohaMemo->SetText("Dentist at ten");
        // Another program, a process of its own, saves the same task meanwhile.
        const pid_t other = ::fork();
        if (other == 0) {
            int code = 0;
            try {
                SchedulingProgram p(folder, true);
                TVolgaTable& t = *p.data->TaskTable;
                t.SetFiltered(false);
                p.locks.WriteSharedTable(t, p.data->LockFileName(TableId::Tasks), true, kEditorSavePoll, [&] {
                    LocateRecordCode(t, "DENTIST1");
                    t.Edit();
                    t.FieldByName("Uloha").SetAsString("Dentist moved to Monday");
                    t.Post();
                });
            } catch (...) {
                code = 1;
            }
            ::_exit(code);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(other, &status, 0), other);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        // Back to editing: nothing written, the entry stays.
        responder.MessageBoxAnswers = {IDCANCEL};
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_EQ(f.UlohaMemo->Text(), "Dentist at ten");
        // Reload: the editor shows the other program's text.
        responder.MessageBoxAnswers = {IDNO};
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrNone);
        shown.push_back(f.UlohaMemo->Text());
        // Saved again from what is there now: no question.
        f.UlohaMemo->SetText("Dentist on Monday at ten");
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrOk);
        return mrNone;
    };
    w.EditPopupClick();
    EXPECT_EQ(shown, std::vector<std::string>{"Dentist moved to Monday"});
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("another computer"), std::string::npos);
    EXPECT_EQ(FileTasks(), (std::multiset<std::pair<std::string, std::string>>{{"DENTIST1", "Dentist on Monday at ten"}}));
}

} // namespace
} // namespace kvz
