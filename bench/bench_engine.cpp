// Opening and saving table files of address-like rows, side by side with reading and durably
// writing the same bytes raw; the ratios are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "engine/VolgaCursor.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
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
        const std::string bytes = ReadWholeFile(f.folder / "open.d");
        if (!c.LoadFromStream(bytes, msg)) state.SkipWithError(msg.c_str());
        benchmark::DoNotOptimize(c.Rows().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
}

void BM_OpenRaw(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string bytes = ReadWholeFile(f.folder / "open.d");
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
}

void BM_SaveRaw(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) WriteFileDurably(f.folder / "raw.d", f.block);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.block.size()));
}

BENCHMARK(BM_OpenTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRaw)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRaw)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_OpenTable/10000", "BM_OpenRaw/10000", "open 10,000 rows (ms) vs raw read", 3},
                            {"BM_OpenTable/100000", "BM_OpenRaw/100000", "open 100,000 rows (ms) vs raw read", 3},
                            {"BM_SaveTable/10000", "BM_SaveRaw/10000", "save 10,000 rows (ms) vs raw write", 2},
                            {"BM_SaveTable/100000", "BM_SaveRaw/100000", "save 100,000 rows (ms) vs raw write", 2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    std::error_code ec;
    for (int rows : {10000, 100000}) std::filesystem::remove_all(FixtureFor(rows).folder, ec);
    return 0;
}
