// The dataset grid over a generated address table of 100,000 rows: how long until it first
// shows, and one page step (Page Down and the repaint) while paging to the end. Memory
// allocations are counted per painted row: while the step paints (the rows that came into view
// are read) and while the same screen is painted again (nothing is read: Qt's own drawing), so
// the difference is what reading costs. Aims: the show under 50 ms, a page step under 5 ms.
// Marked rows: marking, checking the marks after the table was read again and deleting the
// marked rows grow with the marks and the rows, not their product; a paint does not grow with
// the marks.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Forms.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <unistd.h>

namespace {
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace kvz;

namespace {

constexpr int kRows = 100000;

struct TableFile {
    std::filesystem::path folder, file;
    TableFile() {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        file = folder / "Jano_address.d";
        TVolgaCursor c;
        bench::DefineAddressTable(c);
        bench::FillAddressRows(c, kRows);
        c.SaveToFile(file);
    }
    ~TableFile() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const std::filesystem::path& File() {
    static TableFile f;
    return f.file;
}

// A window of 800 by 600 with the grid filling it, over the open table.
struct GridWindow {
    TVolgaTable table;
    TDataSource source;
    TForm form{nullptr};
    TDBGrid* grid = new TDBGrid(&form);
    QImage image{800, 600, QImage::Format_RGB32};
    GridWindow() {
        table.SetTableName(File().string());
        table.Open();
        source.SetDataSet(&table);
        form.SetClientSize(800, 600);
        grid->SetParent(&form);
        grid->SetAlign(TAlign::alClient);
    }
    void Paint() { grid->Widget()->render(&image); }
};

void BM_Grid_Show(benchmark::State& state) {
    GridWindow w;
    for (auto _ : state) {
        w.grid->SetDataSource(&w.source);
        w.form.Show();
        w.Paint();
        state.PauseTiming();
        w.form.Hide();
        w.grid->SetDataSource(nullptr);
        state.ResumeTiming();
    }
}

void BM_Grid_PageStep(benchmark::State& state) {
    GridWindow w;
    w.grid->SetDataSource(&w.source);
    w.form.Show();
    w.Paint();
    QWidget* view = w.grid->Widget();
    view->setFocus();
    long allocated = 0, repainted = 0, painted = 0;
    for (auto _ : state) {
        if (w.table.RecNo() >= kRows) {
            state.PauseTiming();
            w.table.First();
            w.Paint();
            state.ResumeTiming();
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
        const long before = allocations.load();
        w.Paint();
        allocated += allocations.load() - before;
        painted += w.grid->VisibleRowCount();
        state.PauseTiming();
        const long again = allocations.load();
        w.Paint();
        repainted += allocations.load() - again;
        state.ResumeTiming();
    }
    state.counters["allocs_per_row"] = painted ? double(allocated) / double(painted) : 0;
    state.counters["allocs_per_row_repaint"] = painted ? double(repainted) / double(painted) : 0;
    state.counters["rows_per_page"] = w.grid->VisibleRowCount();
}

// Marks every (rows / marks)-th row of the grid, moving the dataset to each as a person would.
void MarkRows(GridWindow& w, int marks) {
    const int step = kRows / marks;
    for (int recNo = 1; recNo <= kRows; recNo += step) {
        w.table.SetRecNo(recNo);
        w.grid->SelectedRows().SetCurrentRowSelected(true);
    }
}

struct MarkingWindow : GridWindow {
    MarkingWindow() {
        grid->SetOptions(grid->Options() | dgMultiSelect);
        grid->SetDataSource(&source);
        form.Show();
        Paint();
    }
};

void BM_Grid_Mark(benchmark::State& state) {
    MarkingWindow w;
    const int marks = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MarkRows(w, marks);
        state.PauseTiming();
        w.grid->SelectedRows().Clear();
        state.ResumeTiming();
    }
}

// The reference of the marks above: a tenth of them, ten times over.
void BM_Grid_MarkTenTimes(benchmark::State& state) {
    MarkingWindow w;
    const int marks = static_cast<int>(state.range(0));
    for (auto _ : state)
        for (int round = 0; round < 10; ++round) {
            MarkRows(w, marks);
            state.PauseTiming();
            w.grid->SelectedRows().Clear();
            state.ResumeTiming();
        }
}

// The marks checked after the table was read again.
void BM_Grid_CheckMarksAfterRefresh(benchmark::State& state) {
    MarkingWindow w;
    MarkRows(w, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        w.table.Refresh();
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.grid->SelectedRows().Refresh());
    }
}

void BM_Grid_DeleteMarked(benchmark::State& state) {
    MarkingWindow w;
    for (auto _ : state) {
        state.PauseTiming();
        MarkRows(w, static_cast<int>(state.range(0)));
        state.ResumeTiming();
        w.grid->SelectedRows().Delete();
        state.PauseTiming();
        w.table.CancelChanges();
        state.ResumeTiming();
    }
}

// A page painted afresh (every row read again) with that many rows marked.
void BM_Grid_PaintMarked(benchmark::State& state) {
    MarkingWindow w;
    if (state.range(0) > 0) MarkRows(w, static_cast<int>(state.range(0)));
    w.table.SetRecNo(kRows / 2);
    w.Paint(); // the first paint lays the view out
    for (auto _ : state) {
        w.grid->Model().Repaint();
        w.Paint();
    }
}

BENCHMARK(BM_Grid_Show)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_PageStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_Mark)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_MarkTenTimes)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_CheckMarksAfterRefresh)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_DeleteMarked)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid_PaintMarked)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    File();
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter(
        {{"BM_Grid_Mark/100000", "BM_Grid_MarkTenTimes/10000", "mark 100k vs 10k ten times (ms)", 3},
         {"BM_Grid_CheckMarksAfterRefresh/100000", "BM_Grid_CheckMarksAfterRefresh/10000", "marks checked, 100k vs 10k (ms)", 10},
         {"BM_Grid_DeleteMarked/100000", "BM_Grid_DeleteMarked/10000", "delete marked, 100k vs 10k (ms)", 10},
         {"BM_Grid_PaintMarked/100000", "BM_Grid_PaintMarked/0", "paint with 100k marks vs none (ms)", 1.2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
