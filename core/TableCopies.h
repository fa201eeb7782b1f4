// The copies of the shared tables that the program keeps in the data folder's "TempData" in
// network mode (the tables it works on when the server cannot be reached): no easier to read
// than the tables they copy.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace kvz {

class TVolgaTable;

// The data folder's "TempData", made when missing; it takes the data folder's mode.
std::filesystem::path MakeTempDataFolder(const std::filesystem::path& dataFolder, std::error_code& ec);

// Saves the table as the file of that name in the data folder's "TempData". The copy has the
// mode of the table's own file (the owner's alone when that cannot be read). Throws on failure.
void SaveTableCopy(TVolgaTable& table, const std::filesystem::path& dataFolder, const std::string& fileName);

} // namespace kvz
