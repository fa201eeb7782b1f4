// The links window at 100, 1,000 and 10,000 links of 200 extensions beside a bare tree widget
// filled from a vector with the same rows: opened (made, shown, painted), sorted by another
// field, and filtered to one of 20 types. Aim: the window within 1.5 times the bare tree, under
// 50 ms at 10,000 links. The counters "lookups" (icon cache misses: one per extension and one
// for web addresses) and "status" (file-system status calls while building the list: none).
#include "core/Data1.h"
#include "core/Main.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "links/LinkIcons.h"
#include "links/LinksChild.h"
#include "platform/forms/Forms.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kvz;

namespace {

constexpr int kExtensions = 200, kTypes = 20;

struct Row {
    std::string name, path, type, code;
};

std::vector<Row> MakeRows(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        // 200 extensions of three letters ("xaa" .. "xhr"), which a short extension keeps whole.
        const int e = i % kExtensions;
        const std::string ext = {'x', char('a' + e / 26), char('a' + e % 26)};
        rows.push_back({"Link " + std::to_string((i * 7919) % count), "/home/jano/docs/file" + std::to_string(i) + "." + ext,
                        "Type " + std::to_string(i % kTypes), std::to_string(i)});
    }
    return rows;
}

struct Program {
    int links;
    std::vector<Row> rows;
    std::filesystem::path folder;
    std::unique_ptr<TDataModule1> data;
    explicit Program(int count) : links(count), rows(MakeRows(count)) {
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
            while (!t.IsEmpty()) t.Delete(); // the sample link of a new table
            for (const Row& r : rows) {
                t.Append();
                t.FieldByName("Name").SetAsString(r.name);
                t.FieldByName("Path").SetAsString(r.path);
                t.FieldByName("Type").SetAsString(r.type);
                t.Post();
            }
        });
        TVolgaTable& types = *data->LinksTypeTable;
        ProgramLocks().WriteSharedTable(types, data->LockFileName(TableId::LinksType), false, kRecordCommandPoll, [&] {
            for (int i = 0; i < kTypes; ++i) {
                types.Append();
                types.FieldByName("LinksType").SetAsString("Type " + std::to_string(i));
                types.Post();
            }
        });
    }
    ~Program() {
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

// One program at a time, made again when the number of links changes.
std::unique_ptr<Program>& ProgramSlot() {
    static std::unique_ptr<Program> p;
    return p;
}
Program& TheProgram(int links) {
    if (!ProgramSlot() || ProgramSlot()->links != links) {
        ProgramSlot().reset();
        ProgramSlot() = std::make_unique<Program>(links);
    }
    return *ProgramSlot();
}

QTreeWidget* ListOf(TLinksChildForm& window) { return static_cast<QTreeWidget*>(window.LinksListView->Widget()); }

TLinksChildForm* OpenAndPaint(Program& p) {
    auto* window = new TLinksChildForm(nullptr, *p.data, ProgramState());
    window->SetClientSize(900, 600);
    window->Show();
    ListOf(*window)->viewport()->grab();
    return window;
}

void Counters(benchmark::State& state, int statusBefore) {
    state.counters["lookups"] = ProgramLinkIcons().Lookups();
    state.counters["status"] = LinkIconCache::StatusCalls() - statusBefore;
}

void BM_Window_Open(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    OpenAndPaint(p)->Free(); // the icon cache warm
    const int status = LinkIconCache::StatusCalls();
    for (auto _ : state) OpenAndPaint(p)->Free();
    Counters(state, status);
}

void BM_Window_Sort(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    TLinksChildForm* window = OpenAndPaint(p);
    const int status = LinkIconCache::StatusCalls();
    bool byPath = false;
    for (auto _ : state) {
        byPath = !byPath;
        window->TriedLinks(byPath ? "Path" : "Name");
        ListOf(*window)->viewport()->grab();
    }
    Counters(state, status);
    window->Free();
}

void BM_Window_Filter(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    TLinksChildForm* window = OpenAndPaint(p);
    const int status = LinkIconCache::StatusCalls();
    int type = 0;
    for (auto _ : state) {
        type = type % kTypes + 1; // the nodes after "All links"
        window->TreeView1->SetSelected(window->TreeView1->TopItems(type)); // the click handler runs
        ListOf(*window)->viewport()->grab();
    }
    Counters(state, status);
    window->Free();
}

// ---- the reference: a bare tree widget filled from a vector ----

void Fill(QTreeWidget& tree, const std::vector<const Row*>& rows) {
    tree.clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const Row* r : rows)
        items.append(new QTreeWidgetItem(QStringList{QString::fromStdString(r->name), QString::fromStdString(r->path),
                                                     QString::fromStdString(r->type), QString::fromStdString(r->code)}));
    tree.addTopLevelItems(items);
}

std::vector<const Row*> All(const Program& p) {
    std::vector<const Row*> rows;
    for (const Row& r : p.rows) rows.push_back(&r);
    return rows;
}

std::unique_ptr<QTreeWidget> BareTree(const Program& p) {
    auto tree = std::make_unique<QTreeWidget>();
    tree->setColumnCount(4);
    tree->setColumnHidden(3, true);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->resize(900, 600);
    Fill(*tree, All(p));
    tree->show();
    tree->viewport()->grab();
    return tree;
}

void BM_Bare_Open(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    for (auto _ : state) BareTree(p);
}

void BM_Bare_Sort(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    auto tree = BareTree(p);
    bool byPath = false;
    for (auto _ : state) {
        byPath = !byPath;
        std::vector<const Row*> rows = All(p);
        std::sort(rows.begin(), rows.end(), [byPath](const Row* a, const Row* b) {
            return byPath ? a->path < b->path : a->name < b->name;
        });
        Fill(*tree, rows);
        tree->viewport()->grab();
    }
}

void BM_Bare_Filter(benchmark::State& state) {
    Program& p = TheProgram(int(state.range(0)));
    auto tree = BareTree(p);
    int type = 0;
    for (auto _ : state) {
        type = (type + 1) % kTypes;
        const std::string wanted = "Type " + std::to_string(type);
        std::vector<const Row*> rows;
        for (const Row& r : p.rows)
            if (r.type == wanted) rows.push_back(&r);
        Fill(*tree, rows);
        tree->viewport()->grab();
    }
}

// Each size with the window and its reference one after the other: the program is made once per size.
void Register() {
    const std::pair<const char*, void (*)(benchmark::State&)> benchmarks[] = {
        {"BM_Window_Open", BM_Window_Open}, {"BM_Bare_Open", BM_Bare_Open},
        {"BM_Window_Sort", BM_Window_Sort}, {"BM_Bare_Sort", BM_Bare_Sort},
        {"BM_Window_Filter", BM_Window_Filter}, {"BM_Bare_Filter", BM_Bare_Filter}};
    for (int links : {100, 1000, 10000})
        for (auto [name, function] : benchmarks)
            benchmark::RegisterBenchmark(name, function)->Arg(links)->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Register();
    benchmark::Initialize(&argc, argv);
    std::vector<bench::RatioReporter::Pair> pairs;
    for (const char* what : {"Open", "Sort", "Filter"})
        for (const char* links : {"100", "1000", "10000"})
            pairs.push_back({std::string("BM_Window_") + what + "/" + links, std::string("BM_Bare_") + what + "/" + links,
                             std::string(what) + " " + links + " links (ms)", 1.5});
    bench::RatioReporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    ProgramSlot().reset();
    benchmark::Shutdown();
    return 0;
}
