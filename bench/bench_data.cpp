// Fill, filter and scan a memory dataset of 100,000 rows; field access by name and by index.
// The grids and reports scan through this path.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "engine/KvMemDS.h"

using namespace kvz;

namespace {

constexpr int kRows = 100000;

void Define(TKvMemoryData& md) {
    md.FieldDefs().Add("Id", ftAutoInc);
    md.FieldDefs().Add("Name", ftString, 30);
    md.FieldDefs().Add("City", ftString, 30);
    md.FieldDefs().Add("Amount", ftFloat);
    md.FieldDefs().Add("Born", ftDate);
}

void Fill(TKvMemoryData& md, int rows) {
    md.DisableControls();
    TField& name = md.FieldByName("Name");
    TField& city = md.FieldByName("City");
    TField& amount = md.FieldByName("Amount");
    TField& born = md.FieldByName("Born");
    for (int i = 0; i < rows; ++i) {
        md.Append();
        name.SetAsString("Name " + std::to_string(i));
        city.SetAsString(i % 3 == 0 ? "Bratislava" : "Praha");
        amount.SetAsFloat(i * 0.5);
        born.SetAsDateTime(30000 + i % 20000);
        md.Post();
    }
    md.EnableControls();
}

TKvMemoryData& Filled() {
    static std::unique_ptr<TKvMemoryData> md = [] {
        auto m = std::make_unique<TKvMemoryData>();
        Define(*m);
        m->Open();
        Fill(*m, kRows);
        return m;
    }();
    return *md;
}

void BM_Fill(benchmark::State& state) {
    for (auto _ : state) {
        TKvMemoryData md;
        Define(md);
        md.Open();
        Fill(md, kRows);
        benchmark::DoNotOptimize(md.RecordCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond);

void BM_ScanByIndex(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    md.SetFiltered(false);
    for (auto _ : state) {
        double sum = 0;
        md.DisableControls();
        for (md.First(); !md.Eof(); md.Next()) sum += md.Fields()[3].AsFloat();
        md.EnableControls();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ScanByIndex)->Unit(benchmark::kMillisecond);

void BM_ScanByName(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    md.SetFiltered(false);
    for (auto _ : state) {
        double sum = 0;
        md.DisableControls();
        for (md.First(); !md.Eof(); md.Next()) sum += md.FieldByName("Amount").AsFloat();
        md.EnableControls();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ScanByName)->Unit(benchmark::kMillisecond);

void BM_ScanStrings(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    md.SetFiltered(false);
    TField& name = md.FieldByName("Name");
    for (auto _ : state) {
        size_t total = 0;
        md.DisableControls();
        for (md.First(); !md.Eof(); md.Next()) total += name.AsString().size();
        md.EnableControls();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ScanStrings)->Unit(benchmark::kMillisecond);

void BM_FilterScan(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    md.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.Fields()[2].AsString() == "Bratislava"; });
    for (auto _ : state) {
        md.SetFiltered(true);
        int n = 0;
        md.DisableControls();
        for (md.First(); !md.Eof(); md.Next()) ++n;
        md.EnableControls();
        md.SetFiltered(false);
        if (n != (kRows + 2) / 3) state.SkipWithError("wrong filtered count");
    }
    md.SetOnFilterRecord(nullptr);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FilterScan)->Unit(benchmark::kMillisecond);

void BM_Locate(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    md.SetFiltered(false);
    for (auto _ : state) {
        md.First();
        bool found = md.Locate("Name", Variant("Name 99999"), 0);
        if (!found) state.SkipWithError("not found");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Locate)->Unit(benchmark::kMillisecond);

void BM_FieldByName(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    for (auto _ : state) benchmark::DoNotOptimize(&md.FieldByName("Born"));
}
BENCHMARK(BM_FieldByName);

void BM_FieldByIndex(benchmark::State& state) {
    TKvMemoryData& md = Filled();
    for (auto _ : state) benchmark::DoNotOptimize(&md.Fields()[4]);
}
BENCHMARK(BM_FieldByIndex);

} // namespace

BENCHMARK_MAIN();
