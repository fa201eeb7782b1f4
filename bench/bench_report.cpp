// The report layer: Prepare over 1,000, 10,000 and 100,000 rows (linear: the cost per row is
// printed at each size), writing a 1,000-page PDF through the renderer beside the same items
// drawn straight onto a QPdfWriter by a bare painter loop, and opening the preview of a
// 4,000-page report until its first page is painted.
#include "RatioReporter.h"
#include "engine/KvMemDS.h"
#include "platform/report/PreparedReport.h"
#include "platform/report/ReportFonts.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportRender.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

using namespace kvz;

const char* const Names[] = {"Ján Novák", "Mária Kováčová", "Ľubomír Šťastný", "Žofia Ďurica", "Petr Čížek"};
const char* const Towns[] = {"Bratislava", "Košice", "Žilina", "Banská Bystrica", "Brno"};

// The address summary: a silver page header with the page number, a title, a framed column
// header and a detail of three fields.
struct Summary {
    TKvMemoryData data;
    TReportLayout layout{"TPrehladReportForm"};
    explicit Summary(int rows) {
        data.FieldDefs().Add("Firma", ftString, 35);
        data.FieldDefs().Add("Adresa_1", ftString, 60);
        data.FieldDefs().Add("Adresa_2", ftString, 60);
        data.Open();
        for (int i = 0; i < rows; ++i)
            data.AppendRecord({Variant(std::string(Names[i % 5]) + " " + std::to_string(i)),
                               Variant(std::string("Hlavná ") + std::to_string(i % 97)), Variant(Towns[i % 5])});
        layout.SetDataSet(&data);
        TReportBand& header = layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1");
        header.SetHeight(10.58);
        header.SetColor(0xC0C0C0);
        header.AddSysData("QRSysData1", TSysDataKind::PageNumber, 148.7, 2.91).SetCaption("Strana : ");
        TReportBand& title = layout.AddBand(TBandKind::Title, "TitleBand1");
        title.SetHeight(13.49);
        title.AddLabel("QRLabel1", "Prehľad položiek :", 46.04, 1.85, 120, 10)
            .SetFont({.Name = "Tahoma", .Size = 20, .Bold = true, .Italic = true, .Color = 0xFF0000});
        TReportBand& columns = layout.AddBand(TBandKind::ColumnHeader, "QRBand1");
        columns.SetHeight(10.58);
        columns.Frame().SetAll(true);
        columns.AddLabel("QRLabel3", "Názov :", 5.82, 1.32, 60, 8);
        TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
        detail.SetHeight(9);
        const TReportFont italic{.Name = "Arial", .Size = 10, .Italic = true};
        detail.AddDBText("QRDBText4", "Firma", 1.32, 1, 82.02, 6).SetFont(italic);
        detail.AddDBText("QRDBText2", "Adresa_1", 90.22, 1, 47.36, 6).SetFont(italic);
        detail.AddDBText("QRDBText3", "Adresa_2", 141.29, 1, 47.63, 6).SetFont(italic);
    }
};

void BM_Prepare(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    Summary summary(rows);
    for (auto _ : state) benchmark::DoNotOptimize(Prepare(summary.layout));
    state.counters["per_row"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// 1,000 pages of 30 rows.
const TPreparedReport& ThousandPages() {
    static const TPreparedReport report = [] {
        Summary summary(29 * 1000);
        TPreparedReport r = Prepare(summary.layout);
        r.Pages.resize(1000);
        return r;
    }();
    return report;
}

// As many pages as asked, the thousand repeated.
const TPreparedReport& Pages(int count) {
    static std::map<int, TPreparedReport> made;
    auto [it, added] = made.try_emplace(count);
    if (added) {
        const TPreparedReport& thousand = ThousandPages();
        it->second = thousand;
        it->second.Pages.clear();
        for (int i = 0; i < count; ++i) it->second.Pages.push_back(thousand.Pages[size_t(i) % thousand.Pages.size()]);
    }
    return it->second;
}

std::filesystem::path Scratch(const char* name) {
    return std::filesystem::temp_directory_path() / ("kvz-bench-" + std::to_string(::getpid()) + "-" + name);
}

void BM_Pdf_Renderer(benchmark::State& state) {
    const TPreparedReport& report = Pages(int(state.range(0)));
    for (auto _ : state) WritePdf(report, Scratch("renderer.pdf"));
}

// The same items with nothing of ours between them and the writer.
void BM_Pdf_BarePainter(benchmark::State& state) {
    const TPreparedReport& report = Pages(int(state.range(0)));
    for (auto _ : state) {
        QPdfWriter writer(QString::fromStdString(Scratch("bare.pdf").string()));
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        painter.scale(1200 / 2540.0, 1200 / 2540.0);
        bool first = true;
        for (const TPreparedPage& page : report.Pages) {
            if (!first) writer.newPage();
            first = false;
            for (const TPreparedItem& item : page.Items) {
                const QRectF r(item.X, item.Y, item.W, item.H);
                if (item.Kind == TPreparedKind::Text) {
                    QFont font(QString::fromStdString(SubstituteFontFamily(item.FontName)));
                    font.setPixelSize(int(std::lround(item.FontSize * 2.54 / 7.2)));
                    font.setItalic(item.FontStyle & rfItalic);
                    painter.setFont(font);
                    painter.setPen(Qt::black);
                    painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(item.Text));
                } else if (item.Fill != ReportNoColor) {
                    painter.fillRect(r, QColor(192, 192, 192));
                } else {
                    painter.setPen(QPen(Qt::black, item.PenWidth));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawRect(r);
                }
            }
        }
    }
}

// Opens the preview that make() gives until its first page is on the screen, and closes it
// untimed.
template <class Make> void FirstPaint(benchmark::State& state, Make make) {
    QImage screen(900, 760, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        std::unique_ptr<TReportPreviewForm> form = make();
        form->Show();
        form->Widget()->render(&screen);
        if (form->PageView->PagesPainted() < 1) state.SkipWithError("no page painted");
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}

// Opening the preview of 4,000 pages until the first page is on the screen.
void BM_PreviewFirstPaint(benchmark::State& state) {
    TPreparedReport report = ThousandPages();
    const TPreparedPage page = report.Pages[0];
    report.Pages.assign(4000, page);
    FirstPaint(state, [&] { return std::make_unique<TReportPreviewForm>(nullptr, report); });
}

// Opening the preview of the address summary over as many addresses as asked, until its first
// page is on the screen: from the layout, as the report windows open it.
void BM_PreviewFirstPage(benchmark::State& state) {
    static std::map<int, std::unique_ptr<Summary>> made;
    std::unique_ptr<Summary>& summary = made[int(state.range(0))];
    if (!summary) summary = std::make_unique<Summary>(int(state.range(0)));
    FirstPaint(state, [&] { return std::make_unique<TReportPreviewForm>(nullptr, summary->layout); });
}

} // namespace

BENCHMARK(BM_Prepare)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pdf_Renderer)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Pdf_BarePainter)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PreviewFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
// 20 addresses make one page.
BENCHMARK(BM_PreviewFirstPage)->Arg(20)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    using kvz::bench::RatioReporter;
    RatioReporter reporter({{"BM_Pdf_Renderer/1000/iterations:1/real_time", "BM_Pdf_BarePainter/1000/iterations:1/real_time",
                             "1,000-page PDF (ms): renderer vs bare painter", 1.3},
                            {"BM_PreviewFirstPage/1000/real_time", "BM_PreviewFirstPage/20/real_time",
                             "Preview's first page, 1,000 vs 20 addresses", 2},
                            {"BM_PreviewFirstPage/10000/real_time", "BM_PreviewFirstPage/20/real_time",
                             "Preview's first page, 10,000 vs 20 addresses", 2},
                            {"BM_PreviewFirstPage/100000/real_time", "BM_PreviewFirstPage/20/real_time",
                             "Preview's first page, 100,000 vs 20 addresses", 2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::filesystem::remove(Scratch("renderer.pdf"));
    std::filesystem::remove(Scratch("bare.pdf"));
    return 0;
}
