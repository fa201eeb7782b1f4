// Cells chosen together in the week grid and edited at once: a whole series is built anew over
// its days, separate tasks are changed each on its own day; nothing else in the table moves.
#include "scheduling/TaskEditorService.h"
#include "scheduling/TaskSelection.h"
#include "scheduling/Uloha.h"
#include "scheduling/UlohaChild.h"

#include "platform/forms/Responder.h"

#include "SchedulingTesting.h"

#include <QApplication>
#include <QTableView>

#include <map>
#include <utility>

namespace kvz {
namespace {

// Sunday 5 January 2025, noon: the week grid shows Monday 30 December to Sunday 5 January.
constexpr TDateTime kToday = 45662.5;
TDateTime D(int y, int m, int d) { return DateOfDay(y, m, d); }

TEST(SeriesOfChosen, OnlyConsecutiveDaysWithOneTimeAndTextAreASeries) {
    using Keys = std::vector<std::string>;
    const TDateTime mon = D(2024, 12, 30), tue = mon + 1, wed = mon + 2;
    const struct {
        const char* what;
        std::vector<ChosenTask> chosen;
        Keys series;
    } cases[] = {
        {"three days in a row", {{"A", mon, "09:00", "Report"}, {"B", tue, "09:00", "Report"}, {"C", wed, "09:00", "Report"}},
         {"A", "B", "C"}},
        {"chosen from the last day back", {{"C", wed, "09:00", "Report"}, {"B", tue, "09:00", "Report"}, {"A", mon, "09:00", "Report"}},
         {"A", "B", "C"}},
        {"across the year's end", {{"Y", D(2024, 12, 31), "", "R"}, {"Z", D(2025, 1, 1), "", "R"}}, {"Y", "Z"}},
        {"a day left out", {{"A", mon, "09:00", "Report"}, {"C", wed, "09:00", "Report"}}, {}},
        {"two on one day", {{"A", mon, "09:00", "Report"}, {"B", mon, "09:00", "Report"}}, {}},
        {"another text", {{"A", mon, "09:00", "Report"}, {"B", tue, "09:00", "Call"}}, {}},
        {"another time", {{"A", mon, "09:00", "Report"}, {"B", tue, "10:00", "Report"}}, {}},
        {"one task", {{"A", mon, "09:00", "Report"}}, {}},
        {"a task without a code", {{"A", mon, "09:00", "Report"}, {"", tue, "09:00", "Report"}}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SeriesOfChosen(c.chosen), c.series) << c.what;
}

class SelectionEditTest : public testing::FormsTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), GetParam());
    }
    void TearDown() override {
        if (window) window->Free();
        window = nullptr;
        program.reset();
        SetLanguage(2);
    }
    // The week page, with Edit opening the editor through the service as the program does.
    TUlohaChildForm& OpenWeek() {
        program->settings.Nastavenia[UlohaSlots::StartPage] = 1;
        window = new TUlohaChildForm(nullptr, *program->data, program->frame);
        window->OpenTaskEditor = [this](TaskEditorCall call) {
            ASSERT_EQ(call, TaskEditorCall::Edit);
            TaskEditorService service(*program->data, program->frame);
            service.OpenForEdit(window->EditorHost());
        };
        window->FormShow();
        window->Show();
        window->SetBounds(0, 0, 1000, 700);
        QApplication::processEvents();
        return *window;
    }
    // Presses, moves over and releases the cells of the keys, in that order.
    void Drag(const std::vector<std::string>& keys) {
        TTaskStringGrid& g = *window->StringGrid2;
        QTableView* v = g.View();
        for (size_t i = 0; i < keys.size(); ++i) {
            QPoint at;
            for (int c = 1; c <= g.ColCount(); ++c)
                for (int r = 1; r <= g.RowCount(); ++r)
                    if (g.CellText(c, r) == keys[i]) at = v->visualRect(v->model()->index(r - 1, c - 1)).center();
            ASSERT_FALSE(at.isNull()) << keys[i] << " is not in the week grid";
            auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
                QMouseEvent e(type, QPointF(at), v->viewport()->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
                QApplication::sendEvent(v->viewport(), &e);
            };
            if (i == 0) send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
            send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
            if (i + 1 == keys.size()) send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
        }
    }
    // Edit from the pop-up menu; the editor gets the new text and OK.
    void EditTo(const std::string& text) {
        responder.OnShowModal = [&](TForm& form) {
            auto& f = static_cast<TUlohaForm&>(form);
            f.UlohaMemo->SetText(text);
            f.BitBtn1Click(f.BitBtn1);
            return mrNone;
        };
        window->EditPopupClick();
    }
    // Every task as (day, text), with its code, read from the file as another program would.
    std::multimap<std::pair<TDateTime, std::string>, std::string> Table() {
        TVolgaTable& t = *program->data->TaskTable;
        t.SetFiltered(false);
        t.Refresh();
        std::multimap<std::pair<TDateTime, std::string>, std::string> rows;
        for (t.First(); !t.Eof(); t.Next())
            rows.emplace(std::make_pair(t.FieldByName("Date").AsDateTime(), t.FieldByName("Uloha").AsString()),
                         t.FieldByName("Number").AsString());
        return rows;
    }

    FixedClock clock{kToday};
    ScopedClock useClock{clock};
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    TUlohaChildForm* window = nullptr;
    TResponder responder;
};

TEST_P(SelectionEditTest, ASeriesChosenFromItsLastDayBackIsBuiltAnewOverItsDays) {
    program->AddTasks({{"SERIES01", D(2024, 12, 30), "09:00", "Report"},
                       {"SERIES02", D(2024, 12, 31), "09:00", "Report"},
                       {"SERIES03", D(2025, 1, 1), "09:00", "Report"},
                       {"SAMEDAY1", D(2024, 12, 31), "11:00", "Call"},
                       {"LATER001", D(2025, 1, 3), "09:00", "Report"}});
    auto expected = Table();
    OpenWeek();
    Drag({"SERIES03", "SERIES02", "SERIES01"});
    ASSERT_EQ(window->Tag(), 1);
    EditTo("Monthly report");
    auto rows = Table();
    ASSERT_EQ(rows.size(), expected.size());
    for (const TDateTime day : {D(2024, 12, 30), D(2024, 12, 31), D(2025, 1, 1)}) {
        EXPECT_EQ(expected.erase({day, "Report"}), 1u);
        EXPECT_EQ(rows.erase({day, "Monthly report"}), 1u);
    }
    EXPECT_EQ(rows, expected); // the call on the same day and the later report as they were
    EXPECT_EQ(window->Tag(), 0);
    EXPECT_TRUE(window->SelectedTaskKeys().empty());
}

TEST_P(SelectionEditTest, SeparateTasksChosenTogetherEachKeepTheirDayAndCode) {
    program->AddTasks({{"MONDAY01", D(2024, 12, 30), "09:00", "Dentist"},
                       {"WEDNES01", D(2025, 1, 1), "14:00", "Plumber"},
                       {"TUESDAY1", D(2024, 12, 31), "10:00", "Left alone"}});
    auto expected = Table();
    OpenWeek();
    Drag({"MONDAY01", "WEDNES01"});
    ASSERT_EQ(window->Tag(), 1);
    EditTo("Call back");
    const auto rows = Table();
    expected.erase({D(2024, 12, 30), "Dentist"});
    expected.erase({D(2025, 1, 1), "Plumber"});
    expected.emplace(std::make_pair(D(2024, 12, 30), std::string("Call back")), "MONDAY01");
    expected.emplace(std::make_pair(D(2025, 1, 1), std::string("Call back")), "WEDNES01");
    EXPECT_EQ(rows, expected);
}

INSTANTIATE_TEST_SUITE_P(LocalAndNetwork, SelectionEditTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Network" : "Local"; });

} // namespace
} // namespace kvz
