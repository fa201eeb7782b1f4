// Exporting 100,000 addresses to dBASE, XML and a workbook as the export dialog does (a copy of the table
// that suits the format, then the file), side by side with saving the same table; the ratios
// are printed at the end. Beside them, the floors of each export: a raw durable write of as many
// bytes as its file holds and, for the workbook, the compression of its parts alone and the
// workbook library alone, fed with the cells from memory.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "addressbook/ExportTables.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
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

// The workbook library's own share: the cells the export writes, held in memory beforehand,
// written and closed as the export does (formats, widths, scratch folder), with no reading of
// rows and no durable write. Its parts must come out as long as the export's.
struct Cell {
    lxw_row_t row;
    lxw_col_t col;
    bool date; // else text
    lxw_datetime when;
    std::string text;
};

struct Sheet {
    std::vector<std::string> labels;
    std::vector<Cell> cells;
    std::vector<double> widths;
};

Sheet SheetOf(TVolgaTable& table) {
    Sheet sheet;
    std::vector<int> fields;
    for (int i = 0; i < table.FieldCount(); ++i)
        if (table.Fields()[i].Visible() && table.Fields()[i].DataType() != ftGraphic) fields.push_back(i);
    std::vector<size_t> widths;
    for (int i : fields) {
        sheet.labels.push_back(table.Fields()[i].DisplayLabel());
        widths.push_back(Utf8Length(sheet.labels.back()));
    }
    lxw_row_t row = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        ++row;
        for (size_t c = 0; c < fields.size(); ++c) {
            const TField& f = table.Fields()[fields[c]];
            if (f.IsNull()) continue;
            Cell cell{row, static_cast<lxw_col_t>(c), f.DataType() == ftDate, {}, {}};
            if (cell.date) {
                int y = 0, m = 0, d = 0;
                DecodeDate(f.AsDateTime(), y, m, d);
                if (y < 1900) throw std::runtime_error("a date the benchmark does not write");
                cell.when = lxw_datetime{y, m, d, 0, 0, 0.0};
                widths[c] = std::max<size_t>(widths[c], 10);
            } else {
                cell.text = f.AsString();
                widths[c] = std::max(widths[c], Utf8Length(cell.text));
            }
            sheet.cells.push_back(std::move(cell));
        }
    }
    for (size_t w : widths) sheet.widths.push_back(static_cast<double>(std::min<size_t>(w, 60) + 2));
    return sheet;
}

void WriteWorkbook(const Sheet& sheet, const std::string& file, const char* scratch) {
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(scratch);
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(book, nullptr);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* dates = workbook_add_format(book);
    format_set_num_format(dates, "yyyy-mm-dd");
    lxw_format* times = workbook_add_format(book);
    format_set_num_format(times, "hh:mm:ss");
    lxw_format* dateTimes = workbook_add_format(book);
    format_set_num_format(dateTimes, "yyyy-mm-dd hh:mm:ss");
    for (size_t c = 0; c < sheet.labels.size(); ++c)
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), sheet.labels[c].c_str(), bold);
    for (const Cell& cell : sheet.cells) {
        if (cell.date) {
            lxw_datetime when = cell.when;
            worksheet_write_datetime(ws, cell.row, cell.col, &when, dates);
        } else {
            worksheet_write_string(ws, cell.row, cell.col, cell.text.c_str(), nullptr);
        }
    }
    for (size_t c = 0; c < sheet.widths.size(); ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), sheet.widths[c], nullptr);
    if (workbook_close(book) != LXW_NO_ERROR) throw std::runtime_error("the workbook library failed");
}

void BM_LibraryXls(benchmark::State& state) {
    const std::filesystem::path exported = TheFixture().folder / "library-export.xlsx";
    Sheet sheet;
    {
        OpenTable t;
        ExportTableCopy(t.table, ExportFormat::Xls, exported, "windows-1250");
        sheet = SheetOf(t.table);
    }
    const char* scratch = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : nullptr;
    const std::string file = (TheFixture().folder / "library.xlsx").string();
    for (auto _ : state) WriteWorkbook(sheet, file, scratch);
    std::vector<size_t> mine, theirs;
    for (const Part& part : WorkbookParts(ReadWholeFile(file))) mine.push_back(part.bytes.size());
    for (const Part& part : WorkbookParts(ReadWholeFile(exported))) theirs.push_back(part.bytes.size());
    if (mine != theirs) state.SkipWithError("the library was fed otherwise than the export feeds it");
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
BENCHMARK(BM_LibraryXls)->Unit(benchmark::kMillisecond);

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
                            {"BM_ExportXls", "BM_DeflateXls", "Workbook export vs compression of its parts", 1.5},
                            {"BM_LibraryXls", "BM_DeflateXls", "Workbook library alone vs compression of its parts", 1.5},
                            {"BM_ExportXls", "BM_LibraryXls", "Workbook export vs the library alone", 1.1}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
