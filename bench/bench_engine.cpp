// Opening and saving table files of address-like rows, side by side with reading (into a fresh
// buffer, and into one already in memory) and durably writing the same bytes raw, the memory a
// row held costs beside its bytes in the file, and reading an open table again (its file
// unchanged, and written anew by another) beside opening it; the ratios are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "engine/VolgaCursor.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

using namespace kvz;
using namespace kvz::bench;

namespace {

struct Fixture {
    std::string block;
    std::filesystem::path folder;
};

Fixture& FixtureFor(int rows) {
    static std::map<int, Fixture> fixtures;
    auto it = fixtures.find(rows);
    if (it != fixtures.end()) return it->second;
    Fixture f;
    TVolgaCursor c;
    DefineAddressTable(c);
    FillAddressRows(c, rows);
    c.SaveToStream(f.block);
    char pattern[] = "/tmp/kvz-bench-XXXXXX";
    f.folder = ::mkdtemp(pattern);
    WriteFileDurably(f.folder / "open.d", f.block);
    return fixtures.emplace(rows, std::move(f)).first->second;
}

void BM_OpenTable(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TVolgaCursor c;
        std::string msg;
        TFileStamp stamp;
        if (!c.LoadFromStream(ReadTableFile(f.folder / "open.d", stamp), msg))
            state.SkipWithError(msg.c_str());
        benchmark::DoNotOptimize(c.Rows().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
    // What the rows held cost in memory, beside what they take in the file.
    const size_t before = mallinfo2().uordblks;
    {
        TVolgaCursor c;
        std::string msg;
        c.LoadFromStream(f.block, msg);
        const double rows = static_cast<double>(state.range(0));
        state.counters["mem_B_per_row"] = static_cast<double>(mallinfo2().uordblks - before) / rows;
        state.counters["file_B_per_row"] = static_cast<double>(f.block.size()) / rows;
    }
}

// Reading the file into a new buffer each time, as opening a table does.
void BM_OpenRawFresh(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string bytes = ReadWholeFile(f.folder / "open.d");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
}

// Reading the file into a buffer whose memory is in place already.
void BM_OpenRawWarm(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    std::string bytes(f.block.size(), '\0');
    const std::string name = (f.folder / "open.d").string();
    for (auto _ : state) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
}

void BM_SaveTable(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    TVolgaCursor c;
    std::string msg;
    c.LoadFromStream(f.block, msg);
    for (auto _ : state) c.SaveToFile(f.folder / "save.d");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
    // Written in pieces, read back byte for byte.
    if (ReadWholeFile(f.folder / "save.d") != f.block) state.SkipWithError("the saved file differs from its block");
}

void BM_SaveRaw(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) WriteFileDurably(f.folder / "raw.d", f.block);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
}

// A table opened through the dataset, as the program opens it, and closed.
void BM_OpenDataset(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TVolgaTable t;
        t.SetTableName((f.folder / "open.d").string());
        t.Open();
        benchmark::DoNotOptimize(t.RecordCount());
    }
}

// The open table read again from its unchanged file, keeping its records' identities.
void BM_RefreshDataset(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    TVolgaTable t;
    t.SetTableName((f.folder / "open.d").string());
    t.Open();
    t.SetRecNo(t.RecordCount() / 2);
    for (auto _ : state) {
        t.Refresh();
        benchmark::DoNotOptimize(t.RecordCount());
    }
}

// The open table read again after its file was written anew with the same rows, as after
// another computer's save: every row is matched to its identity by its record code.
void BM_RefreshRewritten(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    const std::filesystem::path file = f.folder / "rewritten.d";
    WriteFileDurably(file, f.block);
    TVolgaTable t;
    t.SetTableName(file.string());
    t.Open();
    t.SetRecNo(t.RecordCount() / 2);
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileDurably(file, f.block);
        state.ResumeTiming();
        t.Refresh();
        benchmark::DoNotOptimize(t.RecordCount());
    }
}

// Opening a table whose file was just written anew, as the reference of the refresh above.
void BM_OpenRewritten(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    const std::filesystem::path file = f.folder / "rewritten.d";
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileDurably(file, f.block);
        state.ResumeTiming();
        TVolgaTable t;
        t.SetTableName(file.string());
        t.Open();
        benchmark::DoNotOptimize(t.RecordCount());
    }
}

BENCHMARK(BM_OpenTable)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRawFresh)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRawWarm)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTable)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRaw)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDataset)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshDataset)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshRewritten)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRewritten)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<RatioReporter::Pair> pairs;
    for (const char* rows : {"10000", "100000", "1000000"}) {
        const std::string n = rows;
        pairs.push_back({"BM_OpenTable/" + n, "BM_OpenRawFresh/" + n, "open " + n + " rows (ms) vs fresh read", 2});
        pairs.push_back({"BM_OpenTable/" + n, "BM_OpenRawWarm/" + n, "open " + n + " rows (ms) vs warm read", 3.5});
        pairs.push_back({"BM_SaveTable/" + n, "BM_SaveRaw/" + n, "save " + n + " rows (ms) vs raw write", 1.5});
        pairs.push_back({"BM_RefreshDataset/" + n, "BM_OpenDataset/" + n, "refresh " + n + " rows (ms) vs open", 1.5});
        pairs.push_back({"BM_RefreshRewritten/" + n, "BM_OpenRewritten/" + n, "refresh " + n + " rewritten (ms) vs open", 1.5});
    }
    RatioReporter reporter(pairs);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    std::error_code ec;
    for (int rows : {10000, 100000, 1000000}) std::filesystem::remove_all(FixtureFor(rows).folder, ec);
    return 0;
}
