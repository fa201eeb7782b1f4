// Exporting 100,000 addresses to dBASE, XML and a workbook as the export dialog does (a copy of the table
// that suits the format, then the file), side by side with saving the same table; the ratios
// are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "addressbook/ExportTables.h"
#include "engine/VolgaTbl.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace kvz;
using namespace kvz::bench;

namespace {

constexpr int kRows = 100000;

struct Fixture {
    std::filesystem::path folder, table;
    Fixture() {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        table = folder / "Jano_address.d";
        TVolgaCursor c;
        DefineAddressTable(c);
        FillAddressRows(c, kRows);
        c.SaveToFile(table);
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& TheFixture() {
    static Fixture f;
    return f;
}

struct OpenTable {
    TVolgaTable table;
    OpenTable() {
        table.SetTableName(TheFixture().table.string());
        table.Open();
    }
};

void BM_SaveAddresses(benchmark::State& state) {
    OpenTable t;
    for (auto _ : state) t.table.SaveToFile(TheFixture().folder / "saved.d");
}

void Export(benchmark::State& state, ExportFormat format, const char* name) {
    OpenTable t;
    for (auto _ : state) ExportTableCopy(t.table, format, TheFixture().folder / name, "windows-1250");
    if (t.table.RecordCount() != kRows) state.SkipWithError("the table lost rows");
}

void BM_ExportDbf(benchmark::State& state) { Export(state, ExportFormat::Dbf, "Jano_address.dbf"); }
void BM_ExportXml(benchmark::State& state) { Export(state, ExportFormat::Xml, "Jano_address.xml"); }
void BM_ExportXls(benchmark::State& state) { Export(state, ExportFormat::Xls, "Jano_address.xlsx"); }

BENCHMARK(BM_SaveAddresses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportDbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXls)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_ExportDbf", "BM_SaveAddresses", "dBASE export of 100k vs save (ms)", 10},
                            {"BM_ExportXml", "BM_SaveAddresses", "XML export of 100k vs save (ms)", 10},
                            {"BM_ExportXls", "BM_SaveAddresses", "Workbook export of 100k vs save (ms)", 10}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
