// Opening and saving table files of address-like rows, side by side with reading and durably
// writing the same bytes raw; the ratios are printed at the end.
#include "engine/VolgaCursor.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <unistd.h>

using namespace kvz;

namespace {

const char* const kFirst[] = {"Ján", "Mária", "Peter", "Zuzana", "Ľubomír", "Katarína", "Štefan", "Žofia"};
const char* const kLast[] = {"Novák", "Kováčová", "Horváth", "Šťastný", "Čierna", "Ďurica", "Páleník", "Žilinský"};
const char* const kTown[] = {"Bratislava", "Košice", "Žilina", "Banská Bystrica", "Prešov", "Nitra", "Trnava"};

void DefineAddressTable(TVolgaCursor& c) {
    c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
    c.AddField("Firma", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Meno", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Priezvisko", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Ulica", TVolgaFieldKind::SmallStr, 35);
    c.AddField("Mesto", TVolgaFieldKind::SmallStr, 35);
    c.AddField("PSC", TVolgaFieldKind::SmallStr, 10);
    c.AddField("Telefon1", TVolgaFieldKind::SmallStr, 25);
    c.AddField("Telefon2", TVolgaFieldKind::SmallStr, 25);
    c.AddField("E_Mail", TVolgaFieldKind::String, 60);
    c.AddField("IBAN", TVolgaFieldKind::SmallStr, 34);
    c.AddField("Narodeniny", TVolgaFieldKind::Date);
    c.AddField("Meniny", TVolgaFieldKind::Date);
    c.AddField("Poznamka", TVolgaFieldKind::Memo);
    for (int i = 0; i < 19; ++i) c.AddField("Extra" + std::to_string(i), TVolgaFieldKind::SmallStr, 20);
}

std::string Cp(const std::string& s) { return Utf8ToCodePage(s, 1250); }

void Fill(TVolgaCursor& c, int rows) {
    std::mt19937 rng(42);
    std::string msg;
    auto pick = [&](auto& arr) { return std::string(arr[rng() % (sizeof(arr) / sizeof(arr[0]))]); };
    for (int i = 0; i < rows; ++i) {
        TVolgaRowBuffer b = c.NewBuffer();
        char number[16];
        std::snprintf(number, sizeof number, "%08d", i);
        SetValueBytes(b, *c.FindField("Number"), number);
        const std::string first = pick(kFirst), last = pick(kLast), town = pick(kTown);
        if (i % 3 == 0) SetValueBytes(b, *c.FindField("Firma"), Cp(last + " a syn, s.r.o."));
        SetValueBytes(b, *c.FindField("Meno"), Cp(first));
        SetValueBytes(b, *c.FindField("Priezvisko"), Cp(last));
        SetValueBytes(b, *c.FindField("Ulica"), Cp("Hlavná " + std::to_string(i % 200)));
        SetValueBytes(b, *c.FindField("Mesto"), Cp(town));
        SetValueBytes(b, *c.FindField("PSC"), "010 01");
        SetValueBytes(b, *c.FindField("Telefon1"), "+421 905 " + std::to_string(100000 + i));
        SetValueBytes(b, *c.FindField("E_Mail"), "kontakt" + std::to_string(i) + "@example.sk");
        SetFixed<int32_t>(b, *c.FindField("Narodeniny"), 715000 + i % 20000);
        if (i % 5 == 0) SetValueBytes(b, *c.FindField("Poznamka"), Cp("Stretnutie v utorok, potvrdiť účasť."));
        c.PostRow(b, nullptr, msg);
    }
    c.Accept();
}

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
    Fill(c, rows);
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

// Collects the times so that the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void PrintRatios() const {
        for (const char* rows : {"10000", "100000"}) {
            auto t = [&](const std::string& name) {
                auto it = times_.find(name + "/" + rows);
                return it == times_.end() ? 0.0 : it->second;
            };
            const double open = t("BM_OpenTable"), openRaw = t("BM_OpenRaw");
            const double save = t("BM_SaveTable"), saveRaw = t("BM_SaveRaw");
            if (openRaw > 0 && saveRaw > 0)
                std::printf("%6s rows: open %.2f ms vs raw %.2f ms (x%.2f, aim <= 3); save %.2f ms vs raw %.2f ms "
                            "(x%.2f, aim <= 2)\n",
                            rows, open, openRaw, open / openRaw, save, saveRaw, save / saveRaw);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    std::error_code ec;
    for (int rows : {10000, 100000}) std::filesystem::remove_all(FixtureFor(rows).folder, ec);
    return 0;
}
