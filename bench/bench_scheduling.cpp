// The scheduling window over 100,000 tasks, a tenth of them repeating: filling and painting the
// day, the week and the month grid (the page refresh: filter, prepared cells, one paint), and
// switching between them, each beside filling the same grid's cells from a prepared vector of
// tasks. Aims: within twice the prepared fill, under 50 ms a view. Then the project tree over
// 1,000 projects with 100,000 tasks, which should grow linearly.
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

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kTasks = 100000;
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
    Program() {
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
            for (int i = 0; i < kTasks; ++i) {
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

// Made at the first benchmark and gone before the application is.
std::unique_ptr<Program>& ProgramSlot() {
    static std::unique_ptr<Program> p;
    return p;
}
Program& TheProgram() {
    if (!ProgramSlot()) ProgramSlot() = std::make_unique<Program>();
    return *ProgramSlot();
}

void ShowPage(Program& p, int page) {
    p.window->PageControl1->SetActivePageIndex(page);
    p.window->PageControl1Change();
    TTaskStringGrid* grids[3] = {p.window->StringGrid1, p.window->StringGrid2, p.window->StringGrid3};
    grids[page]->View()->viewport()->grab();
}

void BM_View(benchmark::State& state) {
    Program& p = TheProgram();
    const int page = int(state.range(0));
    for (auto _ : state) ShowPage(p, page);
}
BENCHMARK(BM_View)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same view's filter and placement over a prepared vector, and one paint of the grid.
void BM_PreparedVector(benchmark::State& state) {
    Program& p = TheProgram();
    const TaskView view = TaskView(state.range(0));
    static std::vector<std::pair<TaskCellSource, int>> tasks = [] {
        std::vector<std::pair<TaskCellSource, int>> v;
        for (int i = 0; i < kTasks; ++i) v.emplace_back(TaskOf(i), RepeatOf(i));
        return v;
    }();
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
BENCHMARK(BM_PreparedVector)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_SwitchViews(benchmark::State& state) {
    Program& p = TheProgram();
    for (auto _ : state)
        for (int page : {0, 1, 2}) ShowPage(p, page);
}
BENCHMARK(BM_SwitchViews)->Unit(benchmark::kMillisecond);

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
    bench::RatioReporter reporter({{"BM_View/0", "BM_PreparedVector/0", "day view / prepared vector", 2.0},
                                   {"BM_View/1", "BM_PreparedVector/1", "week view / prepared vector", 2.0},
                                   {"BM_View/2", "BM_PreparedVector/2", "month view / prepared vector", 2.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    ProgramSlot().reset();
    benchmark::Shutdown();
    return 0;
}
