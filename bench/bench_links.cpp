// The links window over 10,000 links of 200 extensions: the window made, shown and painted
// once (the list rebuilt with its icons), with the icon cache warm. Aim: under 50 ms. The
// counter "lookups" is the icon cache's misses over the whole run: one per extension (and one
// for web addresses), however often the window opens.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "links/LinkIcons.h"
#include "links/LinksChild.h"
#include "platform/forms/Forms.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kvz;

namespace {

constexpr int kLinks = 10000, kExtensions = 200;

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
        data = std::make_unique<TDataModule1>(state);
        data->DataModuleCreate();
        data->OpenAllTables("");
        TVolgaTable& t = *data->LinksTable;
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Links), false, kRecordCommandPoll, [&] {
            for (int i = 0; i < kLinks; ++i) {
                t.Append();
                t.FieldByName("Name").SetAsString("Link " + std::to_string(i));
                // 200 extensions of three letters ("xaa" .. "xhr"), which a short extension keeps whole.
                const int e = i % kExtensions;
                const std::string ext = {'x', char('a' + e / 26), char('a' + e % 26)};
                t.FieldByName("Path").SetAsString("/home/jano/docs/file" + std::to_string(i) + "." + ext);
                t.FieldByName("Type").SetAsString("Type " + std::to_string(i % 20));
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

std::unique_ptr<Program>& ProgramSlot() {
    static std::unique_ptr<Program> p;
    return p;
}
Program& TheProgram() {
    if (!ProgramSlot()) ProgramSlot() = std::make_unique<Program>();
    return *ProgramSlot();
}

void OpenAndPaint(Program& p) {
    auto* window = new TLinksChildForm(nullptr, *p.data, ProgramState());
    window->SetClientSize(900, 600);
    window->Show();
    static_cast<QTreeWidget*>(window->LinksListView->Widget())->viewport()->grab();
    window->Free();
}

void BM_OpenLinksWindow(benchmark::State& state) {
    Program& p = TheProgram();
    OpenAndPaint(p); // the icon cache warm
    for (auto _ : state) OpenAndPaint(p);
    state.counters["lookups"] = ProgramLinkIcons().Lookups();
    state.counters["links"] = kLinks;
}
BENCHMARK(BM_OpenLinksWindow)->Unit(benchmark::kMillisecond);

// The list alone rebuilt from the table (a type chosen, a link added).
void BM_LoadLinkList(benchmark::State& state) {
    Program& p = TheProgram();
    auto* window = new TLinksChildForm(nullptr, *p.data, ProgramState());
    for (auto _ : state) window->LoadLinkList();
    window->Free();
    state.counters["lookups"] = ProgramLinkIcons().Lookups();
}
BENCHMARK(BM_LoadLinkList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    ProgramSlot().reset();
    benchmark::Shutdown();
    return 0;
}
