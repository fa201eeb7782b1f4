#include "platform/report/ReportOutput.h"

#include "platform/forms/Dialogs.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportRender.h"
#include "platform/rtl/Files.h"

#include <QApplication>
#include <QIODevice>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace kvz {

namespace {

QPageLayout LayoutOf(const TPreparedReport& report) {
    // The sheet as it goes into the printer: portrait sides, turned by the orientation.
    const double w = report.PageWidth / 100.0, h = report.PageHeight / 100.0;
    const QSizeF sheet = report.Landscape ? QSizeF(h, w) : QSizeF(w, h);
    return QPageLayout(QPageSize(sheet, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch),
                       report.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

} // namespace

void SetUpPrinter(QPrinter& printer, const TPreparedReport& report) {
    printer.setPageLayout(LayoutOf(report));
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(report.Title));
    if (report.ManualFeed) printer.setPaperSource(QPrinter::Manual);
}

namespace {

// Paints the pages of the list, in its order, one device page each.
bool PaintPages(const TPreparedReport& report, const std::vector<int>& pages, QPagedPaintDevice& device,
                const std::string& deviceName, const TPrintProgress& progress) {
    const int count = static_cast<int>(pages.size());
    if (count == 0) return true;
    if (progress && !progress(1, count)) return false;
    QPainter painter;
    if (!painter.begin(&device))
        throw EReportError(deviceName.empty() ? ReportMessage(TReportMessage::NoPrinter)
                                              : ReportMessage(TReportMessage::PrinterNotOpened, {deviceName}));
    // Device pixels per millimetre; full page: the device's origin is the paper's corner.
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (progress && !progress(i + 1, count)) {
                painter.end();
                return false;
            }
            device.newPage();
        }
        painter.save();
        ScaleToMillimetres(painter, dotsPerMm);
        RenderPage(painter, report.Pages[static_cast<size_t>(pages[static_cast<size_t>(i)])]);
        painter.restore();
    }
    painter.end();
    return true;
}

std::vector<int> AllPages(const TPreparedReport& report) {
    std::vector<int> pages(report.Pages.size());
    for (size_t i = 0; i < pages.size(); ++i) pages[i] = static_cast<int>(i);
    return pages;
}

std::string PrinterName(const QPrinter& printer) {
    return printer.printerName().isEmpty() ? printer.outputFileName().toStdString() : printer.printerName().toStdString();
}

// Pages out with the progress window (or the caller's progress); a cancel aborts the job.
bool PrintPages(const TPreparedReport& report, const std::vector<int>& pages, QPrinter& printer, QWidget* parent,
                const TPrintProgress& progress) {
    const std::string name = PrinterName(printer);
    if (progress) {
        if (PaintPages(report, pages, printer, name, progress)) return true;
        printer.abort();
        return false;
    }
    const int count = static_cast<int>(pages.size());
    QProgressDialog dialog(QString::fromStdString(ReportMessage(TReportMessage::Printing, {report.Title})),
                           QString::fromStdString(ReportMessage(TReportMessage::Cancel)), 0, count, parent);
    dialog.setWindowTitle(QString::fromStdString(ReportMessage(TReportMessage::Print)));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(500);
    const bool done = PaintPages(report, pages, printer, name, [&](int page, int total) {
        dialog.setLabelText(QString::fromStdString(
            ReportMessage(TReportMessage::PrintingPage, {std::to_string(page), std::to_string(total)})));
        dialog.setValue(page - 1);
        QApplication::processEvents();
        return !dialog.wasCanceled();
    });
    if (!done) printer.abort();
    return done;
}

} // namespace

bool PaintReport(const TPreparedReport& report, QPagedPaintDevice& device, const std::string& deviceName,
                 const TPrintProgress& progress) {
    return PaintPages(report, AllPages(report), device, deviceName, progress);
}

bool PrintReport(const TPreparedReport& report, QPrinter& printer, QWidget* parent, const TPrintProgress& progress) {
    SetUpPrinter(printer, report);
    return PrintPages(report, AllPages(report), printer, parent, progress);
}

bool PrintReport(const TPreparedReport& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    return PrintReport(report, printer, parent);
}

bool PrintReportWithDialog(const TPreparedReport& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, report);
    const int count = static_cast<int>(report.Pages.size());
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QString::fromStdString(ReportMessage(TReportMessage::Print)));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(count, 1));
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    // The report was made for its paper: whatever printer was chosen gets that paper.
    SetUpPrinter(printer, report);
    int from = 1, to = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(count, printer.toPage() > 0 ? printer.toPage() : count);
    }
    // A printer that makes the copies itself gets the pages once; otherwise they are sent again.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    std::vector<int> pages;
    for (int c = 0; collate && c < copies; ++c)
        for (int p = from; p <= to; ++p) pages.push_back(p - 1);
    for (int p = from; !collate && p <= to; ++p)
        for (int c = 0; c < copies; ++c) pages.push_back(p - 1);
    return PrintPages(report, pages, printer, parent, {});
}

TPreparedReport CutPages(const TPreparedReport& report, double left, double top, double width, double height) {
    TPreparedReport cut;
    cut.Title = report.Title;
    cut.ManualFeed = report.ManualFeed;
    cut.PageWidth = static_cast<int32_t>(std::lround(width * 100));
    cut.PageHeight = static_cast<int32_t>(std::lround(height * 100));
    cut.Landscape = cut.PageWidth > cut.PageHeight;
    const auto dx = static_cast<int32_t>(std::lround(left * 100)), dy = static_cast<int32_t>(std::lround(top * 100));
    cut.Pages.reserve(report.Pages.size());
    for (const TPreparedPage& page : report.Pages) {
        TPreparedPage& out = cut.Pages.emplace_back(page);
        for (TPreparedItem& item : out.Items) {
            item.X -= dx;
            item.Y -= dy;
        }
    }
    return cut;
}

namespace {

// The PDF engine's output device: the engine's many small writes are gathered into pieces that
// go on to the durable writer as they fill, so a report of any size needs no copy of its file
// in memory. The engine only appends. A failed write must not unwind through the toolkit's
// code: it is kept, the device refuses every later write, and Finish passes it on.
class SinkDevice : public QIODevice {
public:
    explicit SinkDevice(const DurableSink& sink) : sink_(sink) {
        piece_.reserve(kPiece);
        open(QIODevice::WriteOnly);
    }
    bool isSequential() const override { return true; }
    // The rest of the file, once the writer has ended.
    void Finish() {
        if (!error_ && !piece_.empty()) sink_(piece_);
        if (error_) std::rethrow_exception(error_);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (error_) return -1;
        piece_.append(data, size_t(size));
        if (piece_.size() < kPiece) return size;
        try {
            sink_(piece_);
        } catch (...) {
            error_ = std::current_exception();
            return -1;
        }
        piece_.clear();
        return size;
    }

private:
    static constexpr size_t kPiece = 256 * 1024;
    const DurableSink& sink_;
    std::string piece_;
    std::exception_ptr error_;
};

} // namespace

void WritePdf(const TPreparedReport& report, const std::filesystem::path& path) {
    try {
        WriteFileDurably(path, [&](const DurableSink& sink) {
            SinkDevice device(sink);
            {
                QPdfWriter writer(&device);
                writer.setResolution(1200);
                writer.setTitle(QString::fromStdString(report.Title));
                writer.setCreator(QStringLiteral("KV-Zirt"));
                writer.setPageLayout(LayoutOf(report));
                if (report.Pages.empty()) {
                    // A PDF file needs a page: an empty report gives one blank page.
                    QPainter painter(&writer);
                } else {
                    PaintReport(report, writer, path.string());
                }
            }
            device.Finish();
        });
    } catch (const FileError& e) {
        throw EReportError(ReportMessage(TReportMessage::CannotWriteFile, {path.string(), e.what()}));
    }
}

bool RunPageSetupDialog(TPageSetup& page, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    const QSizeF sheet(page.PaperWidth, page.PaperHeight);
    printer.setPageLayout(QPageLayout(QPageSize(sheet, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch),
                                      page.Orientation == TPageOrientation::Landscape ? QPageLayout::Landscape
                                                                                      : QPageLayout::Portrait,
                                      QMarginsF(page.LeftMargin, page.TopMargin, page.RightMargin, page.BottomMargin),
                                      QPageLayout::Millimeter, QMarginsF(0, 0, 0, 0)));
    QPageSetupDialog dialog(&printer, parent);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    const QPageLayout layout = printer.pageLayout();
    const QSizeF size = layout.pageSize().size(QPageSize::Millimeter);
    if (layout.pageSize().id() == QPageSize::A4)
        page.SetPaper(TPaperSize::A4);
    else
        page.SetPaper(TPaperSize::Custom, size.width(), size.height());
    page.Orientation = layout.orientation() == QPageLayout::Landscape ? TPageOrientation::Landscape
                                                                      : TPageOrientation::Portrait;
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    page.LeftMargin = m.left();
    page.TopMargin = m.top();
    page.RightMargin = m.right();
    page.BottomMargin = m.bottom();
    return true;
}

} // namespace kvz
