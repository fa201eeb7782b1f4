// Prepared pages on paper and in PDF files, and the printer's page set-up.
#pragma once

#include "platform/report/PreparedReport.h"

#include <filesystem>
#include <functional>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace kvz {

// Called before each page is painted (page counts from 1); false cancels the printing.
using TPrintProgress = std::function<bool(int page, int count)>;

// The paper, orientation and paper source of the report, full page (no margins of the
// printer's own: the pages carry the layout's).
void SetUpPrinter(QPrinter& printer, const TPreparedReport& report);

// Paints every page on the device, one page of it per prepared page. Returns false when the
// progress cancelled. A device that cannot be opened is EReportError naming it (a device of
// no name: no printer is set up).
bool PaintReport(const TPreparedReport& report, QPagedPaintDevice& device, const std::string& deviceName,
                 const TPrintProgress& progress = {});

// Prints on the printer in high resolution after setting it up for the report. Without a
// progress of the caller's, a progress window with Cancel stands over the parent while pages
// go out; cancelling aborts the job. False when cancelled.
bool PrintReport(const TPreparedReport& report, QPrinter& printer, QWidget* parent = nullptr,
                 const TPrintProgress& progress = {});
// The same on the system's default printer.
bool PrintReport(const TPreparedReport& report, QWidget* parent = nullptr);

// What the user prints: the desktop's print dialog chooses the printer (or a PDF file), the
// copies and the pages, started from the report's paper; the report then goes to that printer
// on its own paper. False when the dialog was cancelled or the printing was.
bool PrintReportWithDialog(const TPreparedReport& report, QWidget* parent = nullptr);

// The pages cut to a rectangle of the paper (millimetres from its corner), which becomes the
// paper: an envelope printed on its own size rather than on the sheet it was laid out on.
TPreparedReport CutPages(const TPreparedReport& report, double left, double top, double width, double height);

// Writes the pages as a PDF file, durably: the file is complete or not there (an old file
// stays as it was). Errors are EReportError in the user's language.
void WritePdf(const TPreparedReport& report, const std::filesystem::path& path);

// The printer's page set-up dialog, started from the layout's paper, orientation and margins;
// when confirmed they go back into the page set-up. True when confirmed.
bool RunPageSetupDialog(TPageSetup& page, QWidget* parent = nullptr);

} // namespace kvz
