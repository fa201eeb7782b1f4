// Address labels for 100, 1,000 and 10,000 sheets written to a PDF (the data bound, the sheet applied, the
// pages prepared and painted), side by side with the same pages drawn straight onto a
// QPdfWriter by a bare painter loop; and the envelope preview's step to the next record (one
// envelope painted at 3 pixels per millimetre).
#include "RatioReporter.h"
#include "engine/KvMemDS.h"
#include "platform/report/ReportFonts.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"
#include "printing/AddressLayouts.h"
#include "printing/EnvelopeSetup.h"
#include "printing/LabelSheet.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

using namespace kvz;

const char* const Names[] = {"Ján Novák", "Mária Kováčová", "Ľubomír Šťastný", "Žofia Ďurica", "Petr Čížek"};
const char* const Towns[] = {"010 01 Žilina", "040 01 Košice", "811 02 Bratislava", "974 01 Banská Bystrica",
                             "602 00 Brno"};

struct Addresses {
    TKvMemoryData data;
    explicit Addresses(int rows) {
        data.FieldDefs().Add("Firma", ftString, 50);
        data.FieldDefs().Add("Adresa_1", ftMemo);
        data.Open();
        for (int i = 0; i < rows; ++i)
            data.AppendRecord({Variant(std::string(Names[i % 5])),
                               Variant(std::string(Names[i % 5]) + "\r\nHlavná " + std::to_string(i % 97) + "\r\n" +
                                       Towns[i % 5])});
    }
};

// 21 labels a sheet: as many addresses as the pages asked for hold.
Addresses& ForPages(int pages) {
    static std::map<int, std::unique_ptr<Addresses>> made;
    std::unique_ptr<Addresses>& addresses = made[pages];
    if (!addresses) addresses = std::make_unique<Addresses>(21 * pages);
    return *addresses;
}

std::filesystem::path Scratch(const char* name) {
    return std::filesystem::temp_directory_path() / ("kvz-bench-" + std::to_string(::getpid()) + "-" + name);
}

TPreparedReport LabelPages(int pages) {
    TReportLayout labels;
    BuildLabelLayout(labels);
    labels.SetDataSet(&ForPages(pages).data);
    ApplyLabelSheet(DefaultLabelSheet(), labels);
    return PrepareReport(labels);
}

void BM_Labels_Pdf(benchmark::State& state) {
    const int pages = int(state.range(0));
    ForPages(pages);
    for (auto _ : state) WritePdf(LabelPages(pages), Scratch("labels.pdf"));
}

// The same pages, prepared beforehand, with nothing of ours between them and the writer.
void BM_Labels_BarePainter(benchmark::State& state) {
    const TPreparedReport report = LabelPages(int(state.range(0)));
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
                    font.setBold(item.FontStyle & rfBold);
                    painter.setFont(font);
                    painter.setPen(Qt::black);
                    painter.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                     QString::fromStdString(item.Text));
                } else {
                    painter.setPen(QPen(Qt::black, item.PenWidth));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawRect(r);
                }
            }
        }
    }
}

// One step of the envelope preview: the next envelope painted at 3 pixels per millimetre.
void BM_EnvelopePreviewStep(benchmark::State& state) {
    static Addresses addresses(200);
    TReportLayout envelopes;
    BuildEnvelopeLayout(envelopes);
    envelopes.SetDataSet(&addresses.data);
    envelopes.Element("QRLabel1").SetCaption("KV Soft s.r.o.\nŠtúrova 5\n811 02 Bratislava");
    ChooseEnvelopeFormat(envelopes, EnvelopeC5, EnvelopeMiddle);
    const TPreparedReport report = PrepareReport(envelopes);
    QImage screen(760, 520, QImage::Format_ARGB32_Premultiplied);
    size_t record = 0;
    for (auto _ : state) {
        QPainter painter(&screen);
        painter.fillRect(screen.rect(), Qt::white);
        ScaleToMillimetres(painter, 3, 10, 10);
        RenderPage(painter, report.Pages[record++ % report.Pages.size()]);
    }
}

} // namespace

BENCHMARK(BM_Labels_Pdf)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Labels_BarePainter)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_EnvelopePreviewStep)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    using kvz::bench::RatioReporter;
    RatioReporter reporter({{"BM_Labels_Pdf/100/iterations:1/real_time", "BM_Labels_BarePainter/100/iterations:1/real_time",
                             "100 pages of labels to PDF (ms): window's path vs bare painter", 1.3},
                            {"BM_Labels_Pdf/1000/iterations:1/real_time", "BM_Labels_BarePainter/1000/iterations:1/real_time",
                             "1,000 pages of labels to PDF (ms): window's path vs bare painter", 1.3},
                            {"BM_Labels_Pdf/10000/iterations:1/real_time", "BM_Labels_BarePainter/10000/iterations:1/real_time",
                             "10,000 pages of labels to PDF (ms): window's path vs bare painter", 1.3}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::filesystem::remove(Scratch("labels.pdf"));
    std::filesystem::remove(Scratch("bare.pdf"));
    return 0;
}
