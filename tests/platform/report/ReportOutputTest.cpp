#include "ReportTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include "platform/report/QrpFile.h"
#include "platform/report/ReportFonts.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"
#include "platform/rtl/Files.h"
#include "platform/forms/Responder.h"

#include <QBuffer>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

const char* const Slovak = "Žltý kôň ďalej úpel: ľúbostné básne, Ťažké dňa";
const char* const Czech = "Příliš žluťoučký kůň úpěl ďábelské ódy";

// The output of a command, or none when the tool is not installed.
std::optional<std::string> RunTool(const std::string& tool, const std::string& arguments) {
    if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) return std::nullopt;
    std::string out;
    FILE* pipe = ::popen((tool + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return std::nullopt;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

void SaveImage(const QImage& image, const std::string& name) {
    if (const char* dir = std::getenv("KVZ_RENDER_DIR")) image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

// One field of what pdfinfo says of a file ("Pages", "Page size"), blanks trimmed; none
// when pdfinfo is not installed.
std::optional<std::string> PdfInfo(const std::filesystem::path& pdf, const std::string& key) {
    const auto info = RunTool("pdfinfo", "'" + pdf.string() + "'");
    if (!info) return std::nullopt;
    const std::string lines = "\n" + *info;
    const size_t at = lines.find("\n" + key + ":");
    if (at == std::string::npos) return "(no " + key + ")" + lines;
    const size_t from = lines.find_first_not_of(' ', at + key.size() + 2);
    return lines.substr(from, lines.find('\n', from) - from);
}

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// An address summary of its own: header with the date and page number, title, column header
// and one detail per address, in the fonts the layouts name.
struct SummaryReport {
    test::TTinyDataSet data;
    TReportLayout layout{"TPrehladReportForm"};
    explicit SummaryReport(int rows) {
        data.FieldDefs().Add("Name", ftString, 40);
        data.FieldDefs().Add("Note", ftString, 80);
        for (int i = 1; i <= rows; ++i)
            data.AddRow({Variant(std::to_string(i) + (i % 2 ? " Čížek" : " Ďurovič")),
                         Variant(i % 2 ? Slovak : Czech)});
        data.Open();
        layout.SetDataSet(&data);
        layout.SetTitle("Prehľad");
        TReportFont italic{.Name = "Arial", .Size = 11, .Italic = true};
        TReportBand& header = layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1");
        header.SetHeight(10.58);
        header.SetColor(0xC0C0C0);
        TReportElement& number = header.AddSysData("QRSysData1", TSysDataKind::PageNumber, 148.7, 2.91);
        number.SetCaption("Strana : ");
        number.SetFont(italic);
        TReportBand& title = layout.AddBand(TBandKind::Title, "TitleBand1");
        title.SetHeight(13.49);
        title.AddLabel("QRLabel1", "Prehľad položiek :", 46.04, 1.85)
            .SetFont({.Name = "Tahoma", .Size = 20, .Bold = true, .Italic = true, .Underline = true, .Color = 0xFF0000});
        TReportBand& columns = layout.AddBand(TBandKind::ColumnHeader, "QRBand1");
        columns.SetHeight(10.58);
        columns.Frame().SetAll(true);
        columns.Frame().Color = 0x0000FF;
        columns.Frame().Width = Px(2);
        columns.AddLabel("QRLabel3", "Názov :", 5.82, 1.32).SetFont({.Name = "Tahoma", .Size = 14, .Bold = true});
        TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
        detail.SetHeight(38.10);
        TReportFont text{.Name = "Times New Roman", .Size = 12};
        detail.AddDBText("QRDBText4", "Name", 1.32, 4.23, 82.02, 8).SetFont(text);
        TReportElement& note = detail.AddDBText("QRDBText2", "Note", 90.22, 4.23, 47.36, 28.3);
        note.SetFont({.Name = "Courier", .Size = 10});
        note.SetWordWrap(true);
    }
};

TEST(ReportFonts, LayoutFontsHaveMetricCompatibleStandIns) {
    for (auto [family, by] : {std::pair{"Arial", "Liberation Sans"}, {"arial", "Liberation Sans"},
                              {"Times New Roman", "Liberation Serif"}, {"Courier", "Liberation Mono"},
                              {"Courier New", "Liberation Mono"}, {"Tahoma", "DejaVu Sans"},
                              {"MS Sans Serif", "DejaVu Sans"}, {"Liberation Sans", "Liberation Sans"}})
        EXPECT_EQ(SubstituteFontFamily(family), by) << family;
    testing::EnsureApplication();
    // The stand-ins are installed (fonts-liberation2): the font system gives them, not a fallback.
    for (const char* family : {"Arial", "Times New Roman", "Courier", "Tahoma"})
        EXPECT_EQ(QFontInfo(ReportQFont(family, 100, 0)).family().toStdString(), SubstituteFontFamily(family));
}

TEST(ReportRender, WrappedTextMeasuresTallerAndStaysInItsRectangle) {
    testing::EnsureApplication();
    const TReportFont font{.Name = "Arial", .Size = 10};
    const TTextExtent line = MeasureReportText(font, Slovak, 0);
    const TTextExtent wrapped = MeasureReportText(font, Slovak, 30);
    EXPECT_GT(line.Width, 60);
    EXPECT_LE(wrapped.Width, 30);
    EXPECT_GE(wrapped.Height, 2.5 * line.Height);

    // A page painted at 4 pixels a millimetre: a silver band, a text clipped to 20 x 5 mm.
    TPreparedPage page;
    TPreparedItem band;
    band.Kind = TPreparedKind::Rectangle;
    band.X = 1000, band.Y = 1000, band.W = 19000, band.H = 1000;
    band.Fill = 0xC0C0C0;
    band.PenColor = ReportNoColor;
    TPreparedItem text;
    text.X = 1000, text.Y = 3000, text.W = 2000, text.H = 500;
    text.Text = std::string(Slovak) + " " + Czech;
    text.FontName = "Arial";
    text.FontSize = 120;
    page.Items = {band, text};
    QImage image(840, 1188, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ScaleToMillimetres(painter, 4);
        RenderPage(painter, page);
    }
    SaveImage(image, "report_render_clip");
    EXPECT_EQ(image.pixelColor(400, 60), QColor(0xC0, 0xC0, 0xC0));
    auto inkIn = [&](int x0, int y0, int x1, int y1) {
        int ink = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) ink += qGray(image.pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkIn(40, 120, 120, 140), 50);  // the text in its rectangle
    EXPECT_EQ(inkIn(121, 110, 400, 150), 0);  // nothing right of it
    EXPECT_EQ(inkIn(40, 141, 120, 160), 0);   // nothing below it
}

TEST(ReportOutput, PdfHoldsThePagesAndTheAccentedTexts) {
    testing::EnsureApplication();
    SummaryReport summary(9);
    const TPreparedReport report = PrepareReport(summary.layout);
    ASSERT_EQ(report.Pages.size(), 2u);
    TempFolder folder;
    const auto pdf = folder.path() / "prehlad.pdf";
    WritePdf(report, pdf);
    if (!PdfInfo(pdf, "Pages")) GTEST_SKIP() << "pdfinfo is not installed (poppler-utils)";
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
    // Qt writes the paper in whole points.
    EXPECT_EQ(PdfInfo(pdf, "Page size"), "595 x 842 pts (A4)");
    EXPECT_EQ(PdfInfo(pdf, "Title"), "Prehľad");
    for (auto [page, expected] : {std::pair{1, std::vector<std::string>{"Prehľad položiek :", "Názov :", "Strana : 1",
                                                                       "1 Čížek", "6 Ďurovič", "Žltý kôň ďalej úpel:",
                                                                       "Příliš žluťoučký kůň"}},
                                  {2, {"Strana : 2", "Názov :", "8 Ďurovič", "9 Čížek"}}}) {
        const auto text = RunTool("pdftotext", "-f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
                                                   Quote(pdf) + " -");
        ASSERT_TRUE(text);
        // Texts of one line, with blanks between items made single.
        std::string flat;
        for (char c : *text)
            if (!((c == ' ' || c == '\n') && (flat.empty() || flat.back() == ' '))) flat += c == '\n' ? ' ' : c;
        for (const std::string& e : expected) EXPECT_NE(flat.find(e), std::string::npos) << e << "\n" << flat;
    }

    if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
        RunTool("pdftoppm", "-png -r 60 -f 1 -l 1 " + Quote(pdf) + " " + Quote(std::string(dir) + "/report_pdf"));
}

TEST(ReportOutput, PaperSizesAndOrientation) {
    testing::EnsureApplication();
    struct Case {
        TPaperSize paper;
        TPageOrientation orientation;
        const char* size;
    };
    for (const Case& c : {Case{TPaperSize::A4, TPageOrientation::Landscape, "842 x 595 pts (A4)"},
                          Case{TPaperSize::C6, TPageOrientation::Portrait, "323 x 459 pts"},
                          Case{TPaperSize::DL, TPageOrientation::Landscape, "624 x 312 pts"}}) {
        SummaryReport summary(1);
        summary.layout.Page().SetPaper(c.paper);
        summary.layout.Page().Orientation = c.orientation;
        summary.layout.Page().TopMargin = summary.layout.Page().BottomMargin = 1;
        summary.layout.FindBand("DetailBand1")->SetHeight(20);
        TempFolder folder;
        WritePdf(PrepareReport(summary.layout), folder.path() / "a.pdf");
        const auto size = PdfInfo(folder.path() / "a.pdf", "Page size");
        if (!size) GTEST_SKIP() << "pdfinfo is not installed (poppler-utils)";
        EXPECT_EQ(*size, c.size);
    }
}

TEST(ReportOutput, PrinterGetsEveryPageAndCanBeCancelled) {
    testing::EnsureApplication();
    SummaryReport summary(30);
    const TPreparedReport report = PrepareReport(summary.layout);
    ASSERT_EQ(report.Pages.size(), 5u);
    TempFolder folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((folder.path() / "printed.pdf").string()));
    std::vector<int> progress;
    EXPECT_TRUE(PrintReport(report, printer, nullptr, [&](int page, int count) {
        progress.push_back(page);
        EXPECT_EQ(count, 5);
        return true;
    }));
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(printer.fullPage());
    if (const auto pages = PdfInfo(folder.path() / "printed.pdf", "Pages")) {
        EXPECT_EQ(*pages, "5");
    }

    QPrinter cancelled(QPrinter::HighResolution);
    cancelled.setOutputFormat(QPrinter::PdfFormat);
    cancelled.setOutputFileName(QString::fromStdString((folder.path() / "cancelled.pdf").string()));
    progress.clear();
    EXPECT_FALSE(PrintReport(report, cancelled, nullptr, [&](int page, int) {
        progress.push_back(page);
        return page < 2;
    }));
    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
}

// Print asks the desktop's print dialog: it starts on the report's paper and pages, and what
// the user chooses there (a PDF file, pages, copies) is what prints; a cancelled dialog
// prints nothing.
TEST(ReportOutput, PrintGoesThroughThePrintDialog) {
    testing::EnsureApplication();
    SummaryReport summary(30);
    const TPreparedReport report = PrepareReport(summary.layout);
    ASSERT_EQ(report.Pages.size(), 5u);
    TempFolder folder;
    struct Case {
        const char* name;
        int from, to, copies;
        bool collate;
        const char* pages;   // pdfinfo's page count
        const char* order;   // the page number each PDF page shows
    };
    for (const Case& c : {Case{"all", 0, 0, 1, true, "5", "12345"}, Case{"range", 2, 3, 1, true, "2", "23"},
                          Case{"copies", 4, 5, 2, true, "4", "4545"}, Case{"uncollated", 4, 5, 2, false, "4", "4455"}}) {
        SCOPED_TRACE(c.name);
        const auto pdf = folder.path() / (std::string(c.name) + ".pdf");
        TResponder responder;
        int dialogs = 0;
        responder.OnDialog = [&](QDialog& d) {
            ++dialogs;
            auto* dialog = dynamic_cast<QPrintDialog*>(&d);
            EXPECT_NE(dialog, nullptr);
            if (!dialog) return int(QDialog::Rejected);
            QPrinter& printer = *dialog->printer();
            // The dialog opens on the report's paper and offers its pages and a PDF file.
            EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
            EXPECT_EQ(dialog->maxPage(), 5);
            EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
            EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf.string()));
            if (c.from) {
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(c.from, c.to);
            }
            printer.setCopyCount(c.copies);
            printer.setCollateCopies(c.collate);
            return int(QDialog::Accepted);
        };
        EXPECT_TRUE(PrintReportWithDialog(report));
        EXPECT_EQ(dialogs, 1);
        const auto pages = PdfInfo(pdf, "Pages");
        if (!pages) GTEST_SKIP() << "pdfinfo is not installed (poppler-utils)";
        EXPECT_EQ(*pages, c.pages);
        EXPECT_EQ(PdfInfo(pdf, "Title"), "Prehľad");
        std::string order;
        for (int page = 1; page <= std::stoi(*pages); ++page) {
            const auto text = RunTool("pdftotext", "-f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
                                                       Quote(pdf) + " -");
            const size_t at = text->find("Strana : ");
            order += at == std::string::npos ? '?' : (*text)[at + 9];
        }
        EXPECT_EQ(order, c.order);
    }
    TResponder responder;
    responder.OnDialog = [](QDialog&) { return int(QDialog::Rejected); };
    EXPECT_FALSE(PrintReportWithDialog(report));
}

// A part of the paper printed as a paper of its own: the items keep their place on it.
TEST(ReportOutput, CutPagesMakeThePartThePaper) {
    TPreparedReport report;
    report.Title = "Obálky";
    report.PageWidth = 29700;
    report.PageHeight = 21000;
    report.Landscape = true;
    report.ManualFeed = true;
    TPreparedItem item;
    item.X = 13500 + 1000;
    item.Y = 5000 + 2000;
    report.Pages = {TPreparedPage{{item}}, TPreparedPage{{item}}};
    const TPreparedReport cut = CutPages(report, 135, 50, 162.2, 114);
    EXPECT_EQ(cut.Title, "Obálky");
    EXPECT_EQ(cut.PageWidth, 16220);
    EXPECT_EQ(cut.PageHeight, 11400);
    EXPECT_TRUE(cut.Landscape);
    EXPECT_TRUE(cut.ManualFeed);
    ASSERT_EQ(cut.Pages.size(), 2u);
    EXPECT_EQ(cut.Pages[1].Items[0].X, 1000);
    EXPECT_EQ(cut.Pages[1].Items[0].Y, 2000);
    testing::EnsureApplication();
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, cut);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::EnvelopeC6);
}

TEST(ReportOutput, EnvelopePrinterIsFedByHand) {
    testing::EnsureApplication();
    TPreparedReport report;
    report.PageWidth = 29700;
    report.PageHeight = 21000;
    report.Landscape = true;
    report.ManualFeed = true;
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, report);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_TRUE(printer.fullPage());
}

TEST(ReportOutput, PrinterThatCannotBeOpenedIsReported) {
    testing::EnsureApplication();
    SummaryReport summary(1);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/nonexistent/folder/out.pdf");
    SetReportLanguage(3);
    try {
        PrintReport(PrepareReport(summary.layout), printer, nullptr, [](int, int) { return true; });
        ADD_FAILURE();
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()), "Tiskárnu \"/nonexistent/folder/out.pdf\" nelze otevřít.");
    }
    // A machine with no printer gives a printer of no name and no file.
    QPrinter none(QPrinter::HighResolution);
    none.setOutputFormat(QPrinter::PdfFormat);
    none.setOutputFileName(QString());
    try {
        PrintReport(PrepareReport(summary.layout), none, nullptr, [](int, int) { return true; });
        ADD_FAILURE();
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()), "V počítači není nastavena žádná tiskárna.");
    }
    SetReportLanguage(1);
}

TEST(ReportOutput, PdfIsWrittenWholeOrNotAtAll) {
    testing::EnsureApplication();
    SummaryReport summary(3);
    const TPreparedReport report = PrepareReport(summary.layout);
    TempFolder folder;
    const auto pdf = folder.path() / "old.pdf";
    WriteFileDurably(pdf, "old");
    if (::geteuid() != 0) {
        std::filesystem::permissions(folder.path(),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_THROW(WritePdf(report, pdf), EReportError);
        std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
        EXPECT_EQ(ReadWholeFile(pdf), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    }
    WritePdf(report, pdf);
    EXPECT_EQ(ReadWholeFile(pdf).substr(0, 5), "%PDF-");
    // A report of no pages still makes a valid file of one blank page.
    TPreparedReport empty;
    WritePdf(empty, folder.path() / "empty.pdf");
    if (const auto pages = PdfInfo(folder.path() / "empty.pdf", "Pages")) {
        EXPECT_EQ(*pages, "1");
    }
}

// A large report goes to its file as it is painted, page for page what painting it whole into
// memory gives.
TEST(ReportOutput, LargePdfIsStreamedWithTheSamePages) {
    testing::EnsureApplication();
    SummaryReport summary(9);
    const TPreparedReport two = PrepareReport(summary.layout);
    TPreparedReport report = two;
    report.Pages.clear();
    for (int i = 0; i < 2000; ++i) report.Pages.push_back(two.Pages[size_t(i % 2)]);
    TempFolder folder;
    const auto streamed = folder.path() / "streamed.pdf";
    WritePdf(report, streamed);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        PaintReport(report, writer, "memory");
    }
    const auto whole = folder.path() / "whole.pdf";
    WriteFileDurably(whole, std::string_view(bytes.constData(), size_t(bytes.size())));
    const auto a = RunTool("pdftotext", "-layout " + Quote(streamed) + " -");
    if (!a) GTEST_SKIP() << "pdftotext is not installed (poppler-utils)";
    EXPECT_EQ(PdfInfo(streamed, "Pages"), "2000");
    EXPECT_EQ(*a, *RunTool("pdftotext", "-layout " + Quote(whole) + " -"));
}

// A file that cannot be written to its end (here: the process's file size limit, as a full
// disk would) leaves the old file and no temporary, and the failure reaches the caller.
TEST(ReportOutput, PdfCutShortLeavesTheOldFile) {
    testing::EnsureApplication();
    SummaryReport summary(9);
    TPreparedReport report = PrepareReport(summary.layout);
    const TPreparedPage page = report.Pages[0];
    report.Pages.assign(400, page);
    TempFolder folder;
    const auto pdf = folder.path() / "old.pdf";
    WriteFileDurably(pdf, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int code = 1;
        try {
            WritePdf(report, pdf);
        } catch (const EReportError&) {
            code = 0;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadWholeFile(pdf), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
} // namespace kvz
