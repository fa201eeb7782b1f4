// The same generated address table in the engine and in SQLite, side by side: open and read
// all, a LIKE filter on two text fields, sorts on one key, two keys and a date, a locate by
// record code and one ignoring case by a partial key, deleting many rows one by one, and one
// address edit through the shared-table writer, also after another computer wrote the table
// (aim: under 50 ms at 100,000 rows). The ratios are printed at the end.
#include "AddressRows.h"
#include "RatioReporter.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <map>
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
    explicit Fixture(int rows) {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        table = folder / "Jano_address.d";
        sqlite = folder / "address.sqlite";
        TVolgaCursor c;
        DefineAddressTable(c);
        FillAddressRows(c, rows);
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

Fixture& TheFixture(int rows = kRows) {
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    auto& f = fixtures[rows];
    if (!f) f = std::make_unique<Fixture>(rows);
    return *f;
}

sqlite3* OpenSQLite(int rows, int flags = SQLITE_OPEN_READONLY) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheFixture(rows).sqlite.c_str(), &db, flags, nullptr);
    return db;
}

// Steps a query to its end; the number of rows it gave.
int StepAll(sqlite3_stmt* st) {
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++n;
    sqlite3_reset(st);
    return n;
}

std::vector<std::string> Codes(int rows = kRows) {
    std::vector<std::string> codes;
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%08d", static_cast<int>(rng() % static_cast<unsigned>(rows)));
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

// Sorting a table of state.range(0) rows by the key fields, against SQLite's ORDER BY.
void EngineSort(benchmark::State& state, const char* fields) {
    OpenTable t(TheFixture(static_cast<int>(state.range(0))).table);
    t.table.SetSortOptions(vsoCaseInsensitive);
    for (auto _ : state) {
        t.table.SetIndexFieldNames(fields);
        benchmark::DoNotOptimize(t.table.RecordCount());
        state.PauseTiming();
        t.table.SetIndexFieldNames("");
        state.ResumeTiming();
    }
}

void SQLiteSort(benchmark::State& state, const char* order) {
    sqlite3* db = OpenSQLite(static_cast<int>(state.range(0)));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, (std::string("SELECT rowid FROM address ORDER BY ") + order).c_str(), -1, &st, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(StepAll(st));
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void BM_Engine_SortTwoKeys(benchmark::State& state) { EngineSort(state, "Priezvisko;Meno"); }
void BM_SQLite_SortTwoKeys(benchmark::State& state) {
    SQLiteSort(state, "Priezvisko COLLATE NOCASE, Meno COLLATE NOCASE");
}
void BM_Engine_SortDate(benchmark::State& state) { EngineSort(state, "Narodeniny"); }
void BM_SQLite_SortDate(benchmark::State& state) { SQLiteSort(state, "Narodeniny"); }

// Locate ignoring case with a partial key that no row has: the whole table is searched.
void BM_Engine_LocatePartial(benchmark::State& state) {
    OpenTable t(TheFixture().table);
    for (auto _ : state)
        benchmark::DoNotOptimize(t.table.Locate("Priezvisko", Variant("Žilinskx"), loCaseInsensitive | loPartialKey));
}

void BM_SQLite_LocatePartial(benchmark::State& state) {
    sqlite3* db = OpenSQLite(kRows);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM address WHERE Priezvisko LIKE 'žilinskx%' LIMIT 1", -1, &st, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(StepAll(st));
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// Deleting state.range(0) rows one by one from the first, in memory, with nothing written.
void BM_Engine_DeleteMany(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        OpenTable t(TheFixture().table);
        state.ResumeTiming();
        for (int64_t i = 0; i < state.range(0); ++i) t.table.Delete();
        benchmark::DoNotOptimize(t.table.RecordCount());
        state.PauseTiming();
        t.table.CancelChanges();
        state.ResumeTiming();
    }
}

void BM_SQLite_DeleteMany(benchmark::State& state) {
    sqlite3* db = OpenSQLite(kRows, SQLITE_OPEN_READWRITE);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "DELETE FROM address WHERE rowid = ?", -1, &st, nullptr);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int64_t i = 1; i <= state.range(0); ++i) {
            sqlite3_bind_int64(st, 1, i);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        state.PauseTiming();
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// One address edit in network mode through the shared-table writer: lock, read again when
// another wrote the file, change, durable write, release, accept.
void BM_Engine_SharedEdit(benchmark::State& state) {
    Fixture& f = TheFixture(static_cast<int>(state.range(0)));
    OpenTable t(f.table);
    t.table.SetSortOptions(vsoCaseInsensitive);
    t.table.SetIndexFieldNames("Priezvisko");
    TTableLocks locks;
    const auto codes = Codes(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        const std::string code = codes[i++ % codes.size()];
        locks.WriteSharedTable(t.table, f.folder / "Jano_address.mpf", true, std::chrono::milliseconds(1), [&] {
            LocateRecordCode(t.table, code);
            t.table.Edit();
            t.table.FieldByName("Ulica").SetAsString("Nová " + std::to_string(i));
            t.table.Post();
        });
    }
}

// The same edit when another computer wrote the table since it was read: the writer reads it
// again first.
void BM_Engine_SharedEditAfterPeer(benchmark::State& state) {
    Fixture& f = TheFixture(static_cast<int>(state.range(0)));
    OpenTable t(f.table), peer(f.table);
    t.table.SetSortOptions(vsoCaseInsensitive);
    t.table.SetIndexFieldNames("Priezvisko");
    TTableLocks locks;
    const auto codes = Codes(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string theirs = codes[(i + 500) % codes.size()];
        locks.WriteSharedTable(peer.table, f.folder / "Jano_address.mpf", true, std::chrono::milliseconds(1), [&] {
            LocateRecordCode(peer.table, theirs);
            peer.table.Edit();
            peer.table.FieldByName("Mesto").SetAsString("Iné " + std::to_string(i));
            peer.table.Post();
        });
        state.ResumeTiming();
        const std::string code = codes[i++ % codes.size()];
        locks.WriteSharedTable(t.table, f.folder / "Jano_address.mpf", true, std::chrono::milliseconds(1), [&] {
            LocateRecordCode(t.table, code);
            t.table.Edit();
            t.table.FieldByName("Ulica").SetAsString("Nová " + std::to_string(i));
            t.table.Post();
        });
    }
}

void BM_SQLite_SharedEdit(benchmark::State& state) {
    sqlite3* db = OpenSQLite(static_cast<int>(state.range(0)), SQLITE_OPEN_READWRITE);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE address SET Ulica = ? WHERE Number = ?", -1, &st, nullptr);
    const auto codes = Codes(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        const std::string code = codes[i++ % codes.size()];
        const std::string street = "Nová " + std::to_string(i);
        sqlite3_bind_text(st, 1, street.c_str(), static_cast<int>(street.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, code.c_str(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
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
BENCHMARK(BM_Engine_SortTwoKeys)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_SortTwoKeys)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_SortDate)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_SortDate)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_LocatePartial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_LocatePartial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_DeleteMany)->Arg(kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_DeleteMany)->Arg(kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_SharedEdit)->Arg(10000)->Arg(kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_SharedEdit)->Arg(10000)->Arg(kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine_SharedEditAfterPeer)->Arg(10000)->Arg(kRows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_Engine_OpenReadAll", "BM_SQLite_OpenReadAll", "open and read all (ms): engine vs SQLite", 1},
                            {"BM_Engine_LikeFilter", "BM_SQLite_LikeFilter", "LIKE on two fields (ms)", 1},
                            {"BM_Engine_SortBySurname", "BM_SQLite_SortBySurname", "sort by surname (ms)", 1},
                            {"BM_Engine_LocateByCode", "BM_SQLite_LocateByCode", "locate by record code (us)", 1},
                            {"BM_Engine_SortTwoKeys/100000", "BM_SQLite_SortTwoKeys/100000", "sort on two keys, 100k (ms)", 1},
                            {"BM_Engine_SortTwoKeys/1000000", "BM_SQLite_SortTwoKeys/1000000", "sort on two keys, 1M (ms)", 1},
                            {"BM_Engine_SortDate/100000", "BM_SQLite_SortDate/100000", "sort on a date, 100k (ms)", 1},
                            {"BM_Engine_SortDate/1000000", "BM_SQLite_SortDate/1000000", "sort on a date, 1M (ms)", 1},
                            {"BM_Engine_LocatePartial", "BM_SQLite_LocatePartial", "locate ignoring case, partial (ms)", 1},
                            {"BM_Engine_DeleteMany/100000", "BM_SQLite_DeleteMany/100000", "delete 100k one by one (ms)", 1},
                            {"BM_Engine_SharedEdit/10000", "BM_SQLite_SharedEdit/10000", "shared edit, 10k (ms)", 1},
                            {"BM_Engine_SharedEdit/100000", "BM_SQLite_SharedEdit/100000", "shared edit, 100k (ms)", 1},
                            {"BM_Engine_SharedEditAfterPeer/100000", "BM_Engine_SharedEdit/100000",
                             "shared edit after a peer's write vs own, 100k (ms)", 1.6}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
