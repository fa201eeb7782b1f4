// The report layer's own messages in the program's three languages, and its error. The layer
// sits below the program's message catalogue, so it keeps its few texts here; the program
// sets the language number when the user's language is known.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvz {

enum class TReportMessage {
    PaperTooSmall,       // %1 the size in millimetres
    MarginsTooLarge,
    BadColumns,
    BandSize,            // %1 band
    BandTooTall,         // %1 band
    ElementSize,         // %1 element
    NoDataSet,           // %1 element
    DataSetClosed,       // %1 data set
    FieldMissing,        // %1 field, %2 element
    DataFailed,          // %1 the data set's message
    NotAPreparedReport,  // %1 file
    NewerPreparedReport, // %1 file
    DamagedReport,       // %1 file, %2 line, %3 the reason
    CannotReadFile,      // %1 file, %2 the system's reason
    CannotWriteFile,     // %1 file, %2 the system's reason
    PrinterNotOpened,    // %1 printer
    NoPrinter,
    // Reasons of DamagedReport.
    ReasonUnexpected,
    ReasonNumber,
    ReasonTooLong,
    ReasonEnd,
    ReasonTooMany,
    ReasonText,
    // The preview window and the print progress.
    PreviewCaption,
    FirstPage,
    PriorPage,
    NextPage,
    LastPage,
    ZoomIn,
    ZoomOut,
    WholePage,
    PageWidth,
    PageSetup,
    Print,
    Save,
    Open,
    Close,
    PageOf,       // %1 page, %2 count
    FileFilter,
    Printing,     // %1 title
    PrintingPage, // %1 page, %2 count
    Cancel,
    NotARegularFile, // %1 file: a folder, a pipe or a device
};

// 1 English, 2 Slovak, 3 Czech; any other number gives English.
void SetReportLanguage(int language);
int ReportLanguage();

// The message in the language set, with %1, %2, %3 replaced by the arguments.
std::string ReportMessage(TReportMessage id, std::initializer_list<std::string_view> args = {});

// What the report layer refuses: the message is in the user's language. Line is the line of
// a prepared-report file that was refused (0 for other errors).
class EReportError : public std::runtime_error {
public:
    explicit EReportError(const std::string& message, int line = 0) : std::runtime_error(message), line_(line) {}
    int Line() const { return line_; }

private:
    int line_;
};

} // namespace kvz
