// Writers in separate processes add rows to one shared table through the table lock, each as
// fast as it can, polling at the address window's interval. Reported: the whole run and the
// longest single insert (lock wait included); a fair lock keeps the second well below the first.
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kvz;

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One writer: its inserts, and the longest one in milliseconds through the pipe.
[[noreturn]] void Writer(const std::filesystem::path& file, int rounds, int out) {
    double worst = 0;
    try {
        TTableLocks locks;
        TVolgaTable t;
        t.SetTableName(file.string());
        t.Open();
        std::filesystem::path lockFile = file;
        lockFile.replace_extension(".mpf");
        for (int r = 0; r < rounds; ++r) {
            const auto start = Clock::now();
            locks.WriteSharedTable(t, lockFile, true, kEditorSavePoll, [&] {
                t.Append();
                t.FieldByName("Number").SetAsString(NewRecordKey());
                t.FieldByName("Name").SetAsString("row " + std::to_string(r));
                t.Post();
            });
            worst = std::max(worst, Milliseconds(Clock::now() - start));
        }
    } catch (...) {
        worst = -1;
    }
    (void)!::write(out, &worst, sizeof worst);
    ::_exit(0);
}

void BM_SharedInserts(benchmark::State& state) {
    const int writers = static_cast<int>(state.range(0));
    constexpr int kRounds = 10;
    char pattern[] = "/tmp/kvz-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    const std::filesystem::path file = folder / "Jano_links.d";
    double worst = 0, total = 0;
    for (auto _ : state) {
        {
            TVolgaTable t;
            t.FieldDefs().Add("Number", ftString, 8);
            t.FieldDefs().Add("Name", ftString, 50);
            t.Open();
            t.SaveToFile(file);
        }
        int fds[2];
        if (::pipe(fds) != 0) state.SkipWithError("pipe");
        const auto start = Clock::now();
        std::vector<pid_t> children;
        for (int w = 0; w < writers; ++w) {
            const pid_t pid = ::fork();
            if (pid == 0) Writer(file, kRounds, fds[1]);
            children.push_back(pid);
        }
        ::close(fds[1]);
        for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
        total = Milliseconds(Clock::now() - start);
        double value;
        while (::read(fds[0], &value, sizeof value) == sizeof value) {
            if (value < 0) state.SkipWithError("a writer failed");
            worst = std::max(worst, value);
        }
        ::close(fds[0]);
    }
    state.counters["run_ms"] = total;
    state.counters["worst_insert_ms"] = worst;
    state.counters["worst_share"] = total > 0 ? worst / total : 0;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SharedInserts)->Arg(1)->Arg(8)->Arg(32)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
