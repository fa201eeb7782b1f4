// Exporting 100,000 addresses to dBASE, XML and a workbook as the export dialog does (a copy of the table
// that suits the format, then the file), side by side with saving the same table; the ratios
// are printed at the end. Beside them, the floors of each export: a raw durable write of as many
// bytes as its file holds and, for the workbook, the compression of its parts alone.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "addressbook/ExportTables.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>
#include <zlib.h>

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

// The floor of the workbook below its durable write: the compression of its parts as the
// library compresses them (raw deflate at zlib's default level, and their checksums). The parts
// are read back from a workbook the export wrote; compressed again they must come out as long
// as they stand in it.
uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b.at(at + static_cast<size_t>(i)));
    return v;
}

struct Part {
    std::string bytes;
    size_t compressed;
};

std::vector<Part> WorkbookParts(const std::string& zip) {
    size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos) throw std::runtime_error("no zip directory");
    std::vector<Part> parts;
    size_t entry = Le(zip, end + 16, 4);
    for (uint32_t n = Le(zip, end + 10, 2); n > 0; --n) {
        const uint32_t method = Le(zip, entry + 10, 2), compressed = Le(zip, entry + 20, 4), size = Le(zip, entry + 24, 4);
        const size_t local = Le(zip, entry + 42, 4);
        const size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        entry += 46 + Le(zip, entry + 28, 2) + Le(zip, entry + 30, 2) + Le(zip, entry + 32, 2);
        if (method != Z_DEFLATED) continue;
        Part part{std::string(size, '\0'), compressed};
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
        z.avail_in = compressed;
        z.next_out = reinterpret_cast<Bytef*>(part.bytes.data());
        z.avail_out = size;
        const int result = inflate(&z, Z_FINISH);
        inflateEnd(&z);
        if (result != Z_STREAM_END) throw std::runtime_error("a part does not inflate");
        parts.push_back(std::move(part));
    }
    return parts;
}

void BM_DeflateXls(benchmark::State& state) {
    const std::filesystem::path file = TheFixture().folder / "deflated.xlsx";
    {
        OpenTable t;
        ExportTableCopy(t.table, ExportFormat::Xls, file, "windows-1250");
    }
    const std::vector<Part> parts = WorkbookParts(ReadWholeFile(file));
    std::string out;
    size_t bytes = 0;
    for (auto _ : state) {
        for (const Part& part : parts) {
            z_stream z{};
            deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            out.resize(deflateBound(&z, part.bytes.size()));
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.bytes.data()));
            z.avail_in = static_cast<uInt>(part.bytes.size());
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, Z_FINISH);
            benchmark::DoNotOptimize(crc32(0, reinterpret_cast<const Bytef*>(part.bytes.data()), static_cast<uInt>(part.bytes.size())));
            if (z.total_out != part.compressed) state.SkipWithError("a part compresses otherwise than the library compressed it");
            deflateEnd(&z);
            bytes += part.bytes.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
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
BENCHMARK(BM_DeflateXls)->Unit(benchmark::kMillisecond);

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
                            {"BM_ExportXls", "BM_RawXls", "Workbook export vs raw write of its bytes", 2},
                            {"BM_DeflateXls", "BM_SaveAddresses", "Compression of the workbook's parts vs save", 10},
                            {"BM_ExportXls", "BM_DeflateXls", "Workbook export vs compression of its parts", 2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
