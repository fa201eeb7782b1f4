// What a user waits for when the program starts: from starting a fresh process to the first
// painted frame window over 10,000 addresses and 10,000 tasks, against a bare Qt main window
// with a menu, a tool bar and a status bar started and painted the same way. Each start runs in
// a process of its own (this program again, with --child), so that what a process does once
// (pictures, fonts, settings) counts as it does for the user; the parent's clock stops when the
// child says its window is painted. The same two windows built again in one warm process follow,
// to show what the window itself costs.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/ProgramHooks.h"
#include "core/SettingsStore.h"
#include "core/Users.h"
#include "platform/forms/Responder.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kvz;

fs::path gShared;
std::string gSelf;
const char* const kUser = "Eva";

// The user's tables: 10,000 addresses and 10,000 tasks of one user, written once.
void MakeTables() {
    SettingsStore settings;
    TTableLocks locks;
    FrameState s;
    s.DataFolder = s.TableFolder = gShared / "KvZirtData" / "Data";
    s.Settings = &settings;
    s.Locks = &locks;
    s.UserPrefix = kUser;
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
    WriteUserList(s.DataFolder, {kUser});
    // No backup copies at each start, no user dialog: the start alone is measured.
    settings.ZakladneNastavenia();
    settings.Nastavenia[Slot::AutoBackup] = 0;
    settings.Nastavenia[Slot::UserDialogAtStart] = 0;
    settings.SaveSettings(s.DataFolder);
}

// The frame window as the program starts it: the user's steps, the window, the data module over
// the tables, shown and painted. The caller frees it.
TMainForm* StartFrameWindow(std::unique_ptr<TDataModule1>& data) {
    ProgramState() = FrameState{};
    ProgramState().ProgramFolder = gShared;
    auto* frame = Application().CreateForm<TMainForm>();
    data = std::make_unique<TDataModule1>(ProgramState());
    data->DataModuleCreate();
    frame->SetDataModule(data.get());
    frame->EnableModuleButtons();
    frame->Show();
    frame->Widget()->repaint();
    QCoreApplication::processEvents();
    return frame;
}

QMainWindow* StartQtMainWindow() {
    auto* w = new QMainWindow;
    w->menuBar()->addMenu("&File")->addAction("Exit");
    w->addToolBar("Records")->addAction("First");
    w->statusBar()->showMessage("Records count : 10000");
    w->resize(753, 566);
    w->show();
    w->repaint();
    QCoreApplication::processEvents();
    return w;
}

// ---- a start in a fresh process ----

// The child: starts one window, tells the parent on its standard output that it is painted, and
// ends.
int RunChild(const std::string& kind, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const char* shared = std::getenv("KVZIRT_SHARED_DOCUMENTS")) gShared = shared;
    QApplication app(argc, argv);
    InstallProgramHooks();
    TResponder::Unattended() = true;
    TResponder responder; // a box at the start would be a fault of the benchmark's tables
    std::unique_ptr<TDataModule1> data;
    if (kind == "frame") {
        InstallUserSteps();
        StartFrameWindow(data);
    } else {
        StartQtMainWindow();
    }
    const char painted = 'p';
    if (::write(STDOUT_FILENO, &painted, 1) != 1) return 1;
    // What the windows do when they close is not part of the start.
    std::_Exit(0);
}

// Starts the child and waits until its window is painted; the seconds it took, or a negative
// number when the child failed.
double StartChild(const char* kind) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // The offscreen platform's notes on size hints would fill the report.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string child = "--child", kindArg = kind;
    char* args[] = {gSelf.data(), child.data(), kindArg.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, gSelf.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    char painted = 0;
    ssize_t got = -1;
    if (spawned == 0) do
            got = ::read(pipeFds[0], &painted, 1);
        while (got < 0 && errno == EINTR);
    const auto end = std::chrono::steady_clock::now();
    ::close(pipeFds[0]);
    int status = 0;
    if (spawned == 0) ::waitpid(pid, &status, 0);
    if (spawned != 0 || got != 1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(end - start).count();
}

void MeasureChild(benchmark::State& state, const char* kind) {
    for (auto _ : state) {
        const double seconds = StartChild(kind);
        if (seconds < 0) {
            state.SkipWithError("the child did not paint its window");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_FrameWindowStart(benchmark::State& state) { MeasureChild(state, "frame"); }
BENCHMARK(BM_FrameWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_QtMainWindowStart(benchmark::State& state) { MeasureChild(state, "qt"); }
BENCHMARK(BM_QtMainWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime();

// ---- the same windows again in a warm process ----

void BM_FrameWindowAgain(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<TDataModule1> data;
        TMainForm* frame = StartFrameWindow(data);
        state.PauseTiming();
        state.counters["addresses"] = data->AddressTable->RecordCount();
        frame->Free();
        data.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FrameWindowAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtMainWindowAgain(benchmark::State& state) {
    for (auto _ : state) {
        QMainWindow* w = StartQtMainWindow();
        state.PauseTiming();
        delete w;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtMainWindowAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2], argc, argv);
    // "--tables FOLDER" leaves the tables in a folder, to profile a child started over them
    // (KVZIRT_SHARED_DOCUMENTS=FOLDER bench_start --child frame).
    const bool tablesOnly = argc >= 3 && std::strcmp(argv[1], "--tables") == 0;
    gSelf = fs::read_symlink("/proc/self/exe").string();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallProgramHooks();
    InstallUserSteps();
    TResponder::Unattended() = true;
    TResponder responder; // a box at the start would be a fault of the benchmark's tables
    std::string pattern = (fs::temp_directory_path() / "kvz-bench-start-XXXXXX").string();
    gShared = tablesOnly ? fs::path(argv[2]) : fs::path(::mkdtemp(pattern.data()));
    setenv("KVZIRT_SHARED_DOCUMENTS", gShared.c_str(), 1);
    MakeTables();
    if (tablesOnly) return 0;
    // The first start writes the data folder's version marker; the measured ones find it.
    if (StartChild("frame") < 0) {
        std::fprintf(stderr, "The frame window did not start in a child process\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    using kvz::bench::RatioReporter;
    RatioReporter reporter({{"BM_FrameWindowStart/manual_time", "BM_QtMainWindowStart/manual_time",
                             "fresh process to painted window (ms)", 2.0},
                            {"BM_FrameWindowAgain/real_time", "BM_QtMainWindowAgain/real_time",
                             "the window again, warm process (ms)", 2.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(gShared, ec);
    return 0;
}
