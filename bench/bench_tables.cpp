// The same generated address table in the engine and in SQLite, side by side: open and read
// all, a LIKE filter on two text fields, a case-insensitive sort by surname, a locate by
// record code. The ratios are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <random>
#include <unistd.h>

using namespace kvz;
using namespace kvz::bench;

namespace {

constexpr int kRows = 100000;
const char* const kTextColumns[] = {"Number", "Firma", "Meno", "Priezvisko", "Ulica", "Mesto", "PSC", "Telefon1", "E_Mail"};

struct Fixture {
    std::filesystem::path folder;
    std::filesystem::path table, sqlite;
    Fixture() {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        table = folder / "Jano_address.d";
        sqlite = folder / "address.sqlite";
        TVolgaCursor c;
        DefineAddressTable(c);
        FillAddressRows(c, kRows);
        c.SaveToFile(table);

        sqlite3* db = nullptr;
        sqlite3_open(sqlite.c_str(), &db);
        std::string create = "CREATE TABLE address (";
        for (const char* col : kTextColumns) create += std::string(col) + " TEXT, ";
        create += "Narodeniny INTEGER, Poznamka TEXT)";
        sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO address VALUES (?,?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
        for (const TVolgaRow* row : c.Rows()) {
            int i = 1;
            for (const char* col : kTextColumns) {
                const std::string text = CodePageToUtf8(c.FieldBytes(*row, *c.FindField(col)), 1250);
                sqlite3_bind_text(insert, i++, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            }
            sqlite3_bind_int(insert, i++, FixedOf<int32_t>(c.FieldBytes(*row, *c.FindField("Narodeniny"))));
            const std::string note = CodePageToUtf8(c.FieldBytes(*row, *c.FindField("Poznamka")), 1250);
            sqlite3_bind_text(insert, i, note.c_str(), static_cast<int>(note.size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "CREATE INDEX address_number ON address(Number)", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
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

std::vector<std::string> Codes() {
    std::vector<std::string> codes;
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%08d", static_cast<int>(rng() % kRows));
        codes.emplace_back(code);
    }
    return codes;
}

struct OpenTable {
    TVolgaTable table;
    explicit OpenTable(const std::filesystem::path& file) {
        table.SetTableName(file.string());
        table.Open();
    }
};

void BM_Engine_OpenReadAll(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        OpenTable t(f.table);
        TField& firma = t.table.FieldByName("Firma");
        TField& surname = t.table.FieldByName("Priezvisko");
        size_t bytes = 0;
        for (t.table.First(); !t.table.Eof(); t.table.Next()) bytes += firma.AsString().size() + surname.AsString().size();
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_SQLite_OpenReadAll(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(f.sqlite.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM address", -1, &st, nullptr);
        size_t bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            bytes += static_cast<size_t>(sqlite3_column_bytes(st, 1) + sqlite3_column_bytes(st, 3));
        sqlite3_finalize(st);
        sqlite3_close(db);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_Engine_LikeFilter(benchmark::State& state) {
    OpenTable t(TheFixture().table);
    for (auto _ : state) {
        t.table.SetFilterText("Priezvisko LIKE '*ova*' AND Firma LIKE '*ova*'");
        t.table.SetFiltered(true);
        benchmark::DoNotOptimize(t.table.RecordCount());
        t.table.SetFiltered(false);
    }
}

void BM_SQLite_LikeFilter(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheFixture().sqlite.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM address WHERE Priezvisko LIKE '%ova%' AND Firma LIKE '%ova%'", -1, &st,
                       nullptr);
    for (auto _ : state) {
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_int(st, 0));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void BM_Engine_SortBySurname(benchmark::State& state) {
    OpenTable t(TheFixture().table);
    t.table.SetSortOptions(vsoCaseInsensitive);
    for (auto _ : state) {
        t.table.SetIndexFieldNames("Priezvisko");
        benchmark::DoNotOptimize(t.table.RecordCount());
        state.PauseTiming();
        t.table.SetIndexFieldNames("");
        state.ResumeTiming();
    }
}

void BM_SQLite_SortBySurname(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheFixture().sqlite.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM address ORDER BY Priezvisko COLLATE NOCASE", -1, &st, nullptr);
    for (auto _ : state) {
        int n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++n;
        sqlite3_reset(st);
        benchmark::DoNotOptimize(n);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void BM_Engine_LocateByCode(benchmark::State& state) {
    OpenTable t(TheFixture().table);
    t.table.SetIndexFieldNames("Number");
    const auto codes = Codes();
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(t.table.Locate("Number", Variant(codes[i++ % codes.size()]), 0));
}

void BM_SQLite_LocateByCode(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheFixture().sqlite.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM address WHERE Number = ?", -1, &st, nullptr);
    const auto codes = Codes();
    size_t i = 0;
    for (auto _ : state) {
        const std::string& code = codes[i++ % codes.size()];
        sqlite3_bind_text(st, 1, code.c_str(), static_cast<int>(code.size()), SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(st));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

BENCHMARK(BM_Engine_OpenReadAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_OpenReadAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_LikeFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_LikeFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_SortBySurname)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_SortBySurname)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_LocateByCode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SQLite_LocateByCode)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_Engine_OpenReadAll", "BM_SQLite_OpenReadAll", "open and read all (ms): engine vs SQLite", 1},
                            {"BM_Engine_LikeFilter", "BM_SQLite_LikeFilter", "LIKE on two fields (ms)", 1},
                            {"BM_Engine_SortBySurname", "BM_SQLite_SortBySurname", "sort by surname (ms)", 1},
                            {"BM_Engine_LocateByCode", "BM_SQLite_LocateByCode", "locate by record code (us)", 1}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
