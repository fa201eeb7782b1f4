// The one-time move of the data of the older layout (the folders "Data", "TempData" and
// "Template" and the files "zirt.ini" and "report.dat" inside the program folder) to the shared
// data folder. The old data are never touched until every file has arrived and been checked;
// only then is the marker set to "copied" and the old "Data" renamed to "OldData".
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvz {

// Copies every plain file of the source folder into the target folder (made when missing),
// leaving files already in the target as they are, and checks each copy against its source.
// Returns 0, or the error code of the first failure; the names that failed are added to
// failures. A source that cannot be listed fails as a whole.
int CopyFolderFiles(const std::filesystem::path& source, const std::filesystem::path& target,
                    std::vector<std::filesystem::path>* failures = nullptr);

// Whether the program folder holds data of the older layout still to be moved.
bool MigrationPending(const std::filesystem::path& programFolder, bool migrationFlag);

// Moves the data as described above. Throws FileError naming every file that failed; the
// marker then still says "uncopied" and the old folders stay, so the next start tries again.
void MigrateDataFolder(const std::filesystem::path& programFolder, const std::filesystem::path& dataFolder);

// The frame window's step at start: when the move is pending, shows the notice (an information
// box with OK) and moves the data; a failure is shown in the user's language with the files
// that failed, and the program goes on with the data it has.
void RunDataMigration(const std::filesystem::path& programFolder, const std::filesystem::path& dataFolder,
                      bool migrationFlag);

} // namespace kvz
