// From the start to the first painted frame window over 10,000 addresses and 10,000 tasks,
// against a bare Qt main window with a menu, a tool bar and a status bar started the same way.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/SettingsStore.h"
#include "platform/forms/Responder.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace kvz;

fs::path gShared;

// The user's tables: 10,000 addresses and 10,000 tasks, written once.
void MakeTables() {
    SettingsStore settings;
    TTableLocks locks;
    FrameState s;
    s.DataFolder = s.TableFolder = gShared / "KvZirtData" / "Data";
    s.Settings = &settings;
    s.Locks = &locks;
    fs::create_directories(s.DataFolder);
    TDataModule1 data(s);
    data.DataModuleCreate();
    data.OpenAllTables("");
    for (int i = 0; i < 10000; ++i) {
        data.AddressTable->Append();
        data.AddressTable->FieldByName("Firma").SetAsString("Firma " + std::to_string(i));
        data.AddressTable->FieldByName("Priezvisko").SetAsString("Kováč " + std::to_string(i));
        data.AddressTable->FieldByName("Mesto").SetAsString("Žilina");
        data.AddressTable->Post();
        data.TaskTable->Append();
        data.TaskTable->FieldByName("Date").SetAsDateTime(45000 + i % 365);
        data.TaskTable->FieldByName("Uloha").SetAsString("Úloha " + std::to_string(i));
        data.TaskTable->Post();
    }
    data.AddressTable->ApplyChanges();
    data.TaskTable->ApplyChanges();
    // No backup copies at each start, no user dialog: the start alone is measured.
    settings.ZakladneNastavenia();
    settings.Nastavenia[Slot::AutoBackup] = 0;
    settings.Nastavenia[Slot::UserDialogAtStart] = 0;
    settings.SaveSettings(s.DataFolder);
}

// One start of the frame window, with the data module over the tables or without one.
void StartFrameWindow(benchmark::State& state, bool withTables) {
    for (auto _ : state) {
        ProgramState() = FrameState{};
        ProgramState().ProgramFolder = gShared;
        auto* frame = Application().CreateForm<TMainForm>();
        std::unique_ptr<TDataModule1> data;
        if (withTables) {
            data = std::make_unique<TDataModule1>(ProgramState());
            data->DataModuleCreate();
            frame->SetDataModule(data.get());
        }
        frame->Show();
        frame->Widget()->repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (data) state.counters["addresses"] = data->AddressTable->RecordCount();
        frame->Free();
        data.reset();
        state.ResumeTiming();
    }
}

void BM_FrameWindowStart(benchmark::State& state) { StartFrameWindow(state, true); }
BENCHMARK(BM_FrameWindowStart)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window alone: what the tables add is the difference.
void BM_FrameWindowWithoutTables(benchmark::State& state) { StartFrameWindow(state, false); }
BENCHMARK(BM_FrameWindowWithoutTables)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtMainWindowStart(benchmark::State& state) {
    for (auto _ : state) {
        auto* w = new QMainWindow;
        w->menuBar()->addMenu("&File")->addAction("Exit");
        w->addToolBar("Records")->addAction("First");
        w->statusBar()->showMessage("Records count : 10000");
        w->resize(753, 566);
        w->show();
        w->repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        delete w;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtMainWindowStart)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TResponder::Unattended() = true;
    TResponder responder; // a box at the start would be a fault of the benchmark's tables
    std::string pattern = (fs::temp_directory_path() / "kvz-bench-start-XXXXXX").string();
    gShared = ::mkdtemp(pattern.data());
    setenv("KVZIRT_SHARED_DOCUMENTS", gShared.c_str(), 1);
    MakeTables();
    benchmark::Initialize(&argc, argv);
    using kvz::bench::RatioReporter;
    RatioReporter reporter({{"BM_FrameWindowStart/real_time", "BM_QtMainWindowStart/real_time",
                             "start to painted window (ms): ours vs bare Qt", 2.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(gShared, ec);
    return 0;
}
