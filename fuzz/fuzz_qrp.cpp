// Feeds arbitrary bytes to the prepared-report reader. What it accepts must be written back
// to the same bytes and read again to the same pages; what it refuses must be refused with
// the report layer's error.
#include "platform/report/QrpFile.h"
#include "platform/report/ReportMessages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const kvz::TPreparedReport report = kvz::ReadPreparedReport(bytes, "fuzz.qrp");
        const std::string written = kvz::WritePreparedReport(report);
        if (written != bytes) std::abort();
        if (!(kvz::ReadPreparedReport(written) == report)) std::abort();
    } catch (const kvz::EReportError& e) {
        if (e.Line() < 1) std::abort();
    }
    return 0;
}
