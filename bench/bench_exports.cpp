// Exporting 100,000 addresses to dBASE, XML and a workbook as the export dialog does (a copy of the table
// that suits the format, then the file), side by side with saving the same table; the ratios
// are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "addressbook/ExportTables.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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

// The floor of an export: as many bytes as its file holds, written durably with nothing to
// make (the file's own bytes, so that a compressing file system sees the same).
void WriteRaw(benchmark::State& state, ExportFormat format, const char* name) {
    const std::filesystem::path file = TheFixture().folder / (std::string("raw-") + name);
    {
        OpenTable t;
        ExportTableCopy(t.table, format, file, "windows-1250");
    }
    const std::string bytes = ReadWholeFile(file);
    for (auto _ : state) WriteFileDurably(file, bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_RawDbf(benchmark::State& state) { WriteRaw(state, ExportFormat::Dbf, "Jano_address.dbf"); }
void BM_RawXml(benchmark::State& state) { WriteRaw(state, ExportFormat::Xml, "Jano_address.xml"); }
void BM_RawXls(benchmark::State& state) { WriteRaw(state, ExportFormat::Xls, "Jano_address.xlsx"); }

BENCHMARK(BM_SaveAddresses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportDbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawDbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawXls)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_ExportDbf", "BM_SaveAddresses", "dBASE export of 100k vs save (ms)", 10},
                            {"BM_ExportXml", "BM_SaveAddresses", "XML export of 100k vs save (ms)", 10},
                            {"BM_ExportXls", "BM_SaveAddresses", "Workbook export of 100k vs save (ms)", 10},
                            {"BM_RawDbf", "BM_SaveAddresses", "Raw write of the dBASE bytes vs save", 10},
                            {"BM_RawXml", "BM_SaveAddresses", "Raw write of the XML bytes vs save", 10},
                            {"BM_RawXls", "BM_SaveAddresses", "Raw write of the workbook bytes vs save", 10},
                            {"BM_ExportDbf", "BM_RawDbf", "dBASE export vs raw write of its bytes", 2},
                            {"BM_ExportXml", "BM_RawXml", "XML export vs raw write of its bytes", 2},
                            {"BM_ExportXls", "BM_RawXls", "Workbook export vs raw write of its bytes", 2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
