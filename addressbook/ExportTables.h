// The export of the user's tables for other programs: dBASE, workbook and XML files in the
// export folder, each made from a copy of a table that suits its format.
#pragma once

#include "addressbook/Exchange.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kvz {

class TVolgaTable;

enum class ExportFormat { Dbf = 1, Xml = 2, Xls = 3 };
// A memo's text is cut to this many characters in the copy.
inline constexpr int kExportMemoLength = 150;

// The tables of a group, in the order they are written: Address; Tasks with projects,
// sub-projects and owners; Links with link types; All the three groups.
std::vector<TableId> ExportedTables(TableGroup group);
// "<prefix>_address.dbf", ".xml" or ".xlsx".
std::string ExportFileName(const std::string& prefix, TableId table, ExportFormat format);

// Writes a copy of the table to the target: memo fields become strings of 150 characters
// (their text cut), pictures are left out. The XML file is written in that encoding.
void ExportTableCopy(TVolgaTable& table, ExportFormat format, const std::filesystem::path& target,
                     const std::string& encoding);
// Writes the group's tables found in the table folder (a missing one is skipped) into the
// folder; returns the files written.
std::vector<std::filesystem::path> ExportTables(const ExchangeContext& context,
                                                const std::filesystem::path& folder, TableGroup group,
                                                ExportFormat format, const std::string& encoding);

// The code pages offered for XML: the list's text and the encoding's name.
struct ExportEncoding {
    const char* Caption;
    const char* Name;
};
inline constexpr ExportEncoding kExportEncodings[] = {
    {"Arabic windows-1256", "windows-1256"},           {"Baltic windows-1257", "windows-1257"},
    {"Central European windows-1250", "windows-1250"}, {"Cyrillic(Windows) windows-1251", "windows-1251"},
    {"German(IA5) x-IA5-German", "x-IA5-German"},      {"Greek windows-1253", "windows-1253"},
    {"Hebrew windows-1255", "windows-1255"},           {"Turkish windows-1254", "windows-1254"},
    {"Western European windows-1252", "windows-1252"},
};
inline constexpr int kDefaultExportEncoding = 8;

} // namespace kvz
