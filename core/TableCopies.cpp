#include "core/TableCopies.h"

#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

namespace kvz {

namespace fs = std::filesystem;

fs::path MakeTempDataFolder(const fs::path& dataFolder, std::error_code& ec) {
    const fs::path folder = dataFolder / "TempData";
    fs::create_directories(folder, ec);
    if (ec) return folder;
    const fs::file_status data = fs::status(dataFolder, ec);
    if (!ec) fs::permissions(folder, data.permissions() & fs::perms::mask, fs::perm_options::replace, ec);
    return folder;
}

void SaveTableCopy(TVolgaTable& table, const fs::path& dataFolder, const std::string& fileName) {
    std::error_code ec;
    const fs::path copy = MakeTempDataFolder(dataFolder, ec) / fileName;
    if (ec) throw FileError("Cannot create " + copy.parent_path().string(), copy.parent_path(), ec.value());
    // The mode is set before the copy's bytes go in: a durable write keeps the mode it replaces.
    const fs::path own = table.FullFileName();
    if (fs::is_regular_file(own, ec)) {
        GiveModeOf(copy, own);
    } else {
        CreateFileDurably(copy, "");
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
        if (ec) throw FileError("Cannot change the mode of file " + copy.string(), copy, ec.value());
    }
    table.SaveToFile(copy);
}

} // namespace kvz
