// Saved prepared reports (".qrp"): a small line-oriented UTF-8 text, byte-stable and diffable.
//
//   KV-Zirt prepared report 1
//   title "Items summary"
//   paper 21000 29700 portrait auto            width, height (hundredths of a mm), feed auto|manual
//   pages 2
//   page 1 3                                   page number, its item count
//   text X Y W H "Arial" 110 bi-- 000000 none left wrap "Ján Novák\nNitra"
//   rect X Y W H 000000 26 tblr C0C0C0         pen colour|none, pen width, sides, fill|none
//   line X Y W H 000000 26                     from (X, Y) to (X + W, Y + H)
//   page 2 0
//   end
//
// Numbers are decimal integers (coordinates in hundredths of a millimetre, font sizes in
// tenths of a point); colours are six upper-case hexadecimal digits RRGGBB; the font style
// is the four letters "bius" (bold, italic, underline, strike-out), "-" for each that is off;
// the sides of a rectangle are "tblr" the same way; texts are in double quotes with \\, \", \n, \r, \t and
// \xHH for the other control characters. Tokens are separated by one blank; every line ends
// with a line feed. The reader is strict: anything else is refused with its line number.
#pragma once

#include "platform/report/PreparedReport.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kvz {

// Limits of the reader: larger files are refused rather than read.
constexpr size_t QrpMaxFileSize = 512u << 20;
constexpr int QrpMaxPages = 100000;
constexpr int QrpMaxItemsPerPage = 100000;
constexpr size_t QrpMaxText = 65536;

std::string WritePreparedReport(const TPreparedReport& report);
// The file name is only for the messages. Throws EReportError with the line number.
TPreparedReport ReadPreparedReport(std::string_view bytes, const std::string& fileName = {});

// Saved durably (a temporary file, then a rename): the old file stays whole on any failure.
void SavePreparedReport(const TPreparedReport& report, const std::filesystem::path& path);
TPreparedReport LoadPreparedReport(const std::filesystem::path& path);

} // namespace kvz
