// The task editor's save over a task table of 100,000 rows in network mode: a 31-day series
// (one lock, one reload when another wrote, 31 rows, one write) beside one plain shared-table
// write that adds a single row; and the regular-payment generator over due-date files of
// growing length, which should grow in a straight line.
#include "RatioReporter.h"
#include "core/Data1.h"
#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Clock.h"
#include "scheduling/RegularPays.h"
#include "scheduling/TaskSave.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kRows = 100000;

struct Program {
    std::filesystem::path folder;
    SettingsStore settings;
    TTableLocks locks;
    FrameState state;
    std::unique_ptr<TDataModule1> data;
    Program() {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        state.DataFolder = state.TableFolder = folder;
        state.UserPrefix = "Jano";
        state.NetworkMode = true;
        state.Settings = &settings;
        state.Locks = &locks;
        settings.ZakladneNastavenia();
        data = std::make_unique<TDataModule1>(state);
        data->DataModuleCreate();
        data->OpenAllTables("");
        TVolgaTable& t = Tasks();
        locks.WriteSharedTable(t, LockFile(), true, kEditorSavePoll, [&] {
            for (int i = 0; i < kRows; ++i) {
                t.Append();
                t.FieldByName("Date").SetAsDateTime(EncodeDate(2024, 1, 1) + i % 730);
                t.FieldByName("Time").SetAsString("09:00:00");
                t.FieldByName("Uloha").SetAsString("Task " + std::to_string(i));
                t.FieldByName("Priority").SetAsString("A");
                t.Post();
            }
        });
    }
    ~Program() {
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    TVolgaTable& Tasks() { return *data->TaskTable; }
    std::filesystem::path LockFile() const { return data->LockFileName(TableId::Tasks); }
};

Program& TheProgram() {
    static Program program;
    return program;
}

void BM_SeriesSave31Days(benchmark::State& state) {
    Program& p = TheProgram();
    TaskSaveRequest r;
    r.Task.Text = "Series";
    r.Task.Date = EncodeDate(2025, 1, 1);
    r.Task.EndDate = r.Task.Date + 30;
    r.UserPrefix = "Jano";
    for (auto _ : state) SaveTasks(p.Tasks(), p.locks, p.LockFile(), true, r);
}
BENCHMARK(BM_SeriesSave31Days)->Unit(benchmark::kMillisecond);

void BM_PlainSharedWrite(benchmark::State& state) {
    Program& p = TheProgram();
    TVolgaTable& t = p.Tasks();
    for (auto _ : state)
        p.locks.WriteSharedTable(t, p.LockFile(), true, kEditorSavePoll, [&] {
            t.Append();
            t.FieldByName("Uloha").SetAsString("One");
            t.Post();
        });
}
BENCHMARK(BM_PlainSharedWrite)->Unit(benchmark::kMillisecond);

// The generator's Prepare and Generate over a due-date file of n rows, all of one kind, into
// an empty task table (what the generation costs, without the table's write).
void BM_PaymentGenerator(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    char pattern[] = "/tmp/kvz-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    EnsurePaymentFiles(folder, PaymentCountry::Slovak);
    {
        TVolgaTable kinds;
        OpenPaymentTable(kinds, folder, "platby_sk.d");
        kinds.Append();
        kinds.FieldByName("Project").SetAsString("DPH");
        kinds.FieldByName("Mesage").SetAsBoolean(true);
        kinds.Post();
        kinds.ApplyChanges();
        TVolgaTable dates;
        OpenPaymentTable(dates, folder, "platby_sk_data.d");
        for (int i = 0; i < n; ++i) {
            dates.Append();
            dates.FieldByName("Project").SetAsString("DPH");
            dates.FieldByName("Date").SetAsDateTime(EncodeDate(2024, 1, 1) + i % 366);
            dates.FieldByName("Uloha").SetAsString("VAT " + std::to_string(i));
            dates.Post();
        }
        dates.ApplyChanges();
    }
    const FixedClock clock(EncodeDate(2024, 1, 1));
    const ScopedClock scoped(clock);
    TVolgaTable kinds;
    OpenPaymentTable(kinds, folder, "platby_sk.d");
    TVolgaTable tasks;
    tasks.SetLoadMode(TVolgaLoadMode::lmClear);
    for (const SchemaField& f : TableSchema(TableId::Tasks)) tasks.FieldDefs().Add(f.Name, f.Type, f.Size, false);
    tasks.Open();
    RegularPayments generator(kinds, tasks, folder, PaymentCountry::Slovak, false, "Eva", "Jano");
    for (auto _ : state) {
        generator.Prepare();
        benchmark::DoNotOptimize(generator.Generate(tasks));
    }
    state.SetComplexityN(n);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_PaymentGenerator)->RangeMultiplier(4)->Range(625, 10000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter({{"BM_SeriesSave31Days", "BM_PlainSharedWrite", "31-day series / one shared write", 1.5}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
