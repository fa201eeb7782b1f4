// The address book over 1,000, 10,000 and 100,000 Slovak addresses: opening the window (built,
// shown and painted once) beside a bare grid over the same table, with their ratio at each size
// (a ratio that grows with the rows is work done per row); then, over 100,000, one jump of the
// letter bar and one network edit (lock, reload when another wrote, find the row by its code,
// write the whole file).
#include "addressbook/AddressSave.h"
#include "addressbook/AdresyChild.h"
#include "core/Data1.h"
#include "core/Main.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Forms.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kSizes[] = {1000, 10000, 100000};

struct Program {
    std::filesystem::path folder;
    std::unique_ptr<TDataModule1> data;
    int rows;
    explicit Program(int kRows) : rows(kRows) {
        char pattern[] = "/tmp/kvz-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        FrameState& state = ProgramState();
        state.DataFolder = state.TableFolder = folder;
        state.UserPrefix = "Jano";
        state.Settings = &ProgramSettings();
        state.Locks = &ProgramLocks();
        ProgramSettings().ZakladneNastavenia();
        ProgramSettings().NastaveniaText[TextSlot::AddressSortField] = "Firma";
        data = std::make_unique<TDataModule1>(state);
        data->DataModuleCreate();
        data->OpenAllTables("");
        const char* const names[] = {"Ábelová", "Bratislavská vodárenská", "Čierny", "Dobrý", "Elektro Žilina",
                                     "Ferko", "Gazdovská", "Horváth", "Ilavská", "Jánošík", "Kováč", "Lipa",
                                     "Mlynár", "Novák", "Orava", "Páleník", "Rybár", "Šťastný", "Tatra", "Uhorka"};
        TVolgaTable& t = *data->AddressTable;
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Address), false, kRecordCommandPoll, [&] {
            for (int i = 0; i < kRows; ++i) {
                t.Append();
                t.FieldByName("Firma").SetAsString(std::string(names[i % 20]) + " " + std::to_string(i));
                t.FieldByName("Mesto").SetAsString("Žilina");
                t.FieldByName("Adresa_1").SetAsString("Firma\r\nMeno\r\nUlica 1\r\nŽilina\r\n010 01");
                t.Post();
            }
        });
    }
    ~Program() {
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

// The program over a table of that many addresses (the one before goes); main frees the last
// one while the program's state still stands.
std::unique_ptr<Program> gProgram;

Program& TheProgram(int rows = kSizes[2]) {
    std::unique_ptr<Program>& p = gProgram;
    if (!p || p->rows != rows) {
        p.reset();
        p = std::make_unique<Program>(rows);
    }
    return *p;
}

void BM_OpenAddressModule(benchmark::State& state) {
    Program& p = TheProgram(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto* book = new TAdresyChildForm(nullptr, *p.data);
        book->Show();
        QApplication::processEvents();
        book->Widget()->grab();
        delete book;
    }
}
void BM_BareGrid(benchmark::State& state) {
    Program& p = TheProgram(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto* form = new TForm(nullptr);
        auto* grid = new TDBGrid(form);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 800, 560);
        grid->SetDataSource(p.data->DataSourceZirt);
        form->SetClientSize(820, 560);
        form->Show();
        QApplication::processEvents();
        form->Widget()->grab();
        delete form;
    }
}

void BM_LetterBarJump(benchmark::State& state) {
    TVolgaTable& t = *TheProgram().data->AddressTable;
    t.SetIndexFieldNames("Firma");
    int letter = 0;
    for (auto _ : state) {
        const std::string key(1, "notuj"[letter++ % 5]);
        benchmark::DoNotOptimize(t.Locate("Firma", Variant(key), loCaseInsensitive | loPartialKey));
    }
}

void BM_NetworkEdit(benchmark::State& state) {
    Program& p = TheProgram();
    TVolgaTable& t = *p.data->AddressTable;
    t.First();
    AddressSaveRequest request;
    request.Insert = false;
    request.RecordCode = t.FieldByName("Number").AsString();
    request.UserPrefix = "Jano";
    int n = 0;
    for (auto _ : state) {
        request.Copies = {{"Firma", AddressCopy::ckText, "Edited " + std::to_string(n++), false, true, false}};
        SaveAddressCopies(t, ProgramLocks(), p.data->LockFileName(TableId::Address), true, request, {});
    }
}

// Each size's window and bare grid one after the other, and the largest table last, so that
// each table is made once.
void RegisterBenchmarks() {
    for (int rows : kSizes) {
        benchmark::RegisterBenchmark("BM_OpenAddressModule", BM_OpenAddressModule)->Arg(rows)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_BareGrid", BM_BareGrid)->Arg(rows)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_LetterBarJump", BM_LetterBarJump)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_NetworkEdit", BM_NetworkEdit)->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    std::vector<kvz::bench::RatioReporter::Pair> pairs;
    for (int rows : kSizes) {
        const std::string arg = "/" + std::to_string(rows);
        pairs.push_back({"BM_OpenAddressModule" + arg, "BM_BareGrid" + arg,
                         "address window, " + std::to_string(rows) + " rows (ms)", 3.0});
    }
    kvz::bench::RatioReporter reporter(pairs);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    gProgram.reset();
    benchmark::Shutdown();
    return 0;
}
