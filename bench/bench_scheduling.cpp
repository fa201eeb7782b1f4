// The scheduling window over 1,000, 10,000 and 100,000 tasks, a tenth of them repeating: filling
// and painting the day, the week and the month grid (the page refresh: filter, prepared cells,
// one paint), each beside filling the same grid's cells from a prepared vector of tasks, and
// switching between them. Aims: within twice the prepared fill, under 50 ms a view. Then the
// task list page visited again, and the project tree with 100, 1,000 and 10,000 projects, which
// should grow linearly.
#include "RatioReporter.h"
#include "core/Data1.h"
#include "core/Main.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/Recurrence.h"
#include "scheduling/UlohaChild.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kSizes[] = {1000, 10000, 100000};
constexpr int kProjectCounts[] = {100, 1000, 10000};
const TDateTime kDay = EncodeDate(2025, 1, 15);

TaskCellSource TaskOf(int i) {
    TaskCellSource t;
    t.Number = "K" + std::to_string(1000000 + i);
    t.Date = kDay - 2000 + (i * 37) % 4000;
    t.Time = std::to_string(i % 24) + ":" + std::to_string(10 + i % 50);
    t.Color = uint32_t(0x10101 * (i % 200));
    t.Uloha = "Task number " + std::to_string(i);
    return t;
}
int RepeatOf(int i) { return i % 10 == 0 ? 1 + (i / 10) % 4 : 0; }

struct Program {
    std::filesystem::path folder;
    std::unique_ptr<TDataModule1> data;
    TUlohaChildForm* window = nullptr;
    int tasks = 0, projects = 0;
    Program(int taskCount, int projectCount) : tasks(taskCount), projects(projectCount) {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        FrameState& state = ProgramState();
        state.DataFolder = state.TableFolder = folder;
        state.UserPrefix = "Jano";
        state.Settings = &ProgramSettings();
        state.Locks = &ProgramLocks();
        ProgramSettings().ZakladneNastavenia();
        data = std::make_unique<TDataModule1>(state);
        data->DataModuleCreate();
        data->OpenAllTables("");
        TVolgaTable& t = *data->TaskTable;
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Tasks), false, kRecordCommandPoll, [&] {
            for (int i = 0; i < tasks; ++i) {
                const TaskCellSource s = TaskOf(i);
                t.Append();
                t.FieldByName("Number").SetAsString(s.Number);
                t.FieldByName("Date").SetAsDateTime(s.Date);
                t.FieldByName("Time").SetAsString(s.Time);
                t.FieldByName("Uloha").SetAsString(s.Uloha);
                t.FieldByName("Color").SetAsInteger(int32_t(s.Color));
                t.FieldByName("RepFreq").SetAsInteger(RepeatOf(i));
                t.FieldByName("Project").SetAsString("Project " + std::to_string(i % 1000));
                t.Post();
            }
        });
        for (auto [id, withSub] : {std::pair{TableId::Projects, false}, {TableId::SubProjects, true}}) {
            TVolgaTable& table = *data->TableOf(id);
            ProgramLocks().WriteSharedTable(table, data->LockFileName(id), false, kRecordCommandPoll, [&] {
                for (int i = 0; i < projects; ++i) {
                    table.Append();
                    table.FieldByName("ProjectName").SetAsString("Project " + std::to_string(i));
                    if (withSub) table.FieldByName("SubProjectName").SetAsString("Part " + std::to_string(i));
                    table.Post();
                }
            });
        }
        window = new TUlohaChildForm(nullptr, *data, state);
        window->SetClientSize(1100, 680);
        window->FormShow();
        window->Show();
        window->MonthCalendar1->SetDate(kDay);
        window->CurrentDay = kDay;
        QApplication::processEvents();
    }
    ~Program() {
        delete window;
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

// Made when a benchmark needs another size and gone before the application is.
std::unique_ptr<Program>& ProgramSlot() {
    static std::unique_ptr<Program> p;
    return p;
}
Program& TheProgram(int tasks, int projects = 0) {
    std::unique_ptr<Program>& p = ProgramSlot();
    if (!p || p->tasks != tasks || p->projects != projects) {
        p.reset();
        p = std::make_unique<Program>(tasks, projects);
    }
    return *p;
}

void ShowPage(Program& p, int page) {
    p.window->PageControl1->SetActivePageIndex(page);
    p.window->PageControl1Change();
    TTaskStringGrid* grids[3] = {p.window->StringGrid1, p.window->StringGrid2, p.window->StringGrid3};
    grids[page]->View()->viewport()->grab();
}

void BM_View(benchmark::State& state, int page, int n) {
    Program& p = TheProgram(n);
    for (auto _ : state) ShowPage(p, page);
}

// The same view's filter and placement over a prepared vector, and one paint of the grid.
void BM_PreparedVector(benchmark::State& state, int page, int n) {
    Program& p = TheProgram(n);
    const TaskView view = TaskView(page);
    std::vector<std::pair<TaskCellSource, int>> tasks;
    for (int i = 0; i < n; ++i) tasks.emplace_back(TaskOf(i), RepeatOf(i));
    const FormatSettings fs = FormatSettings::ForLanguage(1);
    TaskViewFilter f;
    f.View = view;
    f.CurrentDay = kDay;
    f.WeekDays = WeekDaysOf(kDay, 1);
    f.MonthDays = MonthDaysOf(kDay);
    f.Prepare();
    TTaskStringGrid* grids[3] = {p.window->StringGrid1, p.window->StringGrid2, p.window->StringGrid3};
    TTaskStringGrid* grid = grids[int(view)];
    p.window->PageControl1->SetActivePageIndex(int(view));
    TaskCellGrid cells;
    for (auto _ : state) {
        std::vector<TaskCellEntry> entries;
        std::map<std::string, std::string, std::less<>> texts;
        for (const auto& [t, rep] : tasks) {
            if (!f.Accepts({t.Date, rep}, "", "")) continue;
            entries.push_back(PlaceTask(view, t, 1, fs));
            texts.try_emplace(t.Number, t.Uloha);
        }
        cells.Fill(std::move(entries), texts);
        grid->SetCells(&cells);
        grid->View()->viewport()->grab();
    }
    ShowPage(p, int(view)); // the window's own cells again
}

void BM_SwitchViews(benchmark::State& state, int n) {
    Program& p = TheProgram(n);
    for (auto _ : state)
        for (int page : {0, 1, 2}) ShowPage(p, page);
}

// The task list page visited again, its list painted.
void BM_ListPage(benchmark::State& state, int n) {
    Program& p = TheProgram(n);
    ShowPage(p, 0);
    p.window->PageControl1->SetActivePageIndex(4);
    p.window->PageControl1Change(); // the first visit fills the list
    for (auto _ : state) {
        p.window->PageControl1Change();
        p.window->ListView1->Widget()->grab();
    }
}

// The list page's project tree with n projects of one sub-project each: a visit builds it, a
// click on its last node chooses that node's tasks.
void BM_ProjectTreePage(benchmark::State& state, int projects) {
    Program& p = TheProgram(1000, projects);
    p.window->PageControl1->SetActivePageIndex(4);
    for (auto _ : state) {
        p.window->PageControl1Change();
        TTreeView& tree = *p.window->TreeView1;
        TTreeNode* last = tree.TopItems(tree.TopCount() - 1);
        tree.SetSelected(last->Count() ? last->Item(0) : last);
        p.window->TreeView1Click();
        tree.Widget()->grab();
    }
}

// The tree of 1,000 projects with their sub-projects, over n tasks' worth of sub-projects.
void BM_ProjectTree(benchmark::State& state) {
    const int n = int(state.range(0));
    std::vector<std::string> projects;
    for (int i = 0; i < 1000; ++i) projects.push_back("Project " + std::to_string(i));
    std::vector<std::pair<std::string, std::string>> subs;
    for (int i = 0; i < n; ++i) subs.emplace_back(projects[size_t(i % 1000)], "Part " + std::to_string(i));
    for (auto _ : state) benchmark::DoNotOptimize(BuildProjectTree(projects, subs, 1));
    state.SetComplexityN(n);
}
BENCHMARK(BM_ProjectTree)->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // By size, so that each size's program is made once.
    static const char* const kViews[] = {"day", "week", "month"};
    std::vector<bench::RatioReporter::Pair> pairs;
    auto name = [](const char* what, int page, int n) { return std::string(what) + "/" + std::to_string(page) + "/" + std::to_string(n); };
    for (int n : kSizes) {
        for (int page : {0, 1, 2}) {
            benchmark::RegisterBenchmark(name("BM_View", page, n).c_str(), [page, n](benchmark::State& st) { BM_View(st, page, n); })->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(name("BM_PreparedVector", page, n).c_str(),
                                         [page, n](benchmark::State& st) { BM_PreparedVector(st, page, n); })->Unit(benchmark::kMillisecond);
            pairs.push_back({name("BM_View", page, n), name("BM_PreparedVector", page, n),
                             std::string(kViews[page]) + " view / prepared vector, " + std::to_string(n), 2.0});
        }
        if (n == 100000)
            benchmark::RegisterBenchmark("BM_SwitchViews/100000", [n](benchmark::State& st) { BM_SwitchViews(st, n); })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_ListPage/" + std::to_string(n)).c_str(), [n](benchmark::State& st) { BM_ListPage(st, n); })->Unit(benchmark::kMillisecond);
    }
    for (int step = 1; step < 3; ++step)
        pairs.push_back({"BM_ListPage/" + std::to_string(kSizes[step]), "BM_ListPage/" + std::to_string(kSizes[step - 1]),
                         "list page visit, " + std::to_string(kSizes[step]) + " / " + std::to_string(kSizes[step - 1]) + " tasks",
                         10.0});
    for (int projects : kProjectCounts)
        benchmark::RegisterBenchmark((("BM_ProjectTreePage/" + std::to_string(projects)).c_str()),
                                     [projects](benchmark::State& st) { BM_ProjectTreePage(st, projects); })
            ->Unit(benchmark::kMillisecond);
    for (int step = 1; step < 3; ++step)
        pairs.push_back({"BM_ProjectTreePage/" + std::to_string(kProjectCounts[step]),
                         "BM_ProjectTreePage/" + std::to_string(kProjectCounts[step - 1]),
                         "project tree, " + std::to_string(kProjectCounts[step]) + " / " +
                             std::to_string(kProjectCounts[step - 1]) + " projects",
                         10.0});
    bench::RatioReporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    ProgramSlot().reset();
    benchmark::Shutdown();
    return 0;
}
