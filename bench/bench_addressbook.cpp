// The address book over 100,000 Slovak addresses: opening the window (built, shown and painted
// once) beside a bare grid over the same table, one jump of the letter bar, and one network
// edit (lock, reload when another wrote, find the row by its code, write the whole file).
#include "addressbook/AddressSave.h"
#include "addressbook/AdresyChild.h"
#include "core/Data1.h"
#include "core/Main.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Forms.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kRows = 100000;

struct Program {
    std::filesystem::path folder;
    std::unique_ptr<TDataModule1> data;
    Program() {
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

Program& TheProgram() {
    static Program p;
    return p;
}

void BM_OpenAddressModule(benchmark::State& state) {
    Program& p = TheProgram();
    for (auto _ : state) {
        auto* book = new TAdresyChildForm(nullptr, *p.data);
        book->Show();
        QApplication::processEvents();
        book->Widget()->grab();
        delete book;
    }
}
BENCHMARK(BM_OpenAddressModule)->Unit(benchmark::kMillisecond);

void BM_BareGrid(benchmark::State& state) {
    Program& p = TheProgram();
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
BENCHMARK(BM_BareGrid)->Unit(benchmark::kMillisecond);

void BM_LetterBarJump(benchmark::State& state) {
    TVolgaTable& t = *TheProgram().data->AddressTable;
    t.SetIndexFieldNames("Firma");
    int letter = 0;
    for (auto _ : state) {
        const std::string key(1, "notuj"[letter++ % 5]);
        benchmark::DoNotOptimize(t.Locate("Firma", Variant(key), loCaseInsensitive | loPartialKey));
    }
}
BENCHMARK(BM_LetterBarJump)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_NetworkEdit)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
