#include "core/Migration.h"

#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/VersionInfo.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Files.h"

#include <cerrno>

namespace kvz {

namespace fs = std::filesystem;

namespace {

constexpr int kMigrationNotice = 1;
constexpr const char* kReportFileName = "report.dat";

// Copies one file and reads both back: a copy that differs from its source is a failure.
void CopyChecked(const fs::path& from, const fs::path& to) {
    const std::string content = ReadWholeFile(from);
    WriteFileDurably(to, content);
    if (ReadWholeFile(to) != content) throw FileError("Copy differs from its source \"" + to.string() + "\"", to, EIO);
}

int ErrorOf(const std::exception& e) {
    if (const auto* f = dynamic_cast<const FileError*>(&e); f && f->Error() != 0) return f->Error();
    return EIO;
}

} // namespace

int CopyFolderFiles(const fs::path& source, const fs::path& target, std::vector<fs::path>* failures) {
    int first = 0;
    const auto fail = [&](const fs::path& name, int error) {
        if (failures) failures->push_back(name);
        if (first == 0) first = error;
    };
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) {
        fail(target, ec.value());
        return first;
    }
    fs::directory_iterator it(source, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind)) continue;
        const fs::path to = target / it->path().filename();
        try {
            if (CheckPath(to) == PathState::Present) continue; // never over a file of the new folder
            CopyChecked(it->path(), to);
        } catch (const std::exception& e) {
            fail(it->path(), ErrorOf(e));
        }
    }
    if (ec) fail(source, ec.value());
    return first;
}

bool MigrationPending(const fs::path& programFolder, bool migrationFlag) {
    std::error_code ec;
    return migrationFlag && fs::is_directory(ExistingOrCanonical(programFolder, "Data"), ec);
}

void MigrateDataFolder(const fs::path& programFolder, const fs::path& dataFolder) {
    // The old folders may be spelt in any case.
    const fs::path oldData = ExistingOrCanonical(programFolder, "Data");
    std::vector<fs::path> failures;
    CopyFolderFiles(oldData, dataFolder, &failures);
    for (const char* folder : {"TempData", "Template"}) {
        if (const auto from = FindNoCase(programFolder, folder))
            CopyFolderFiles(*from, ExistingOrCanonical(dataFolder, folder), &failures);
    }
    // The old settings and report replace the new folder's, but only when they are there.
    for (const char* name : {SettingsStore::kFileName, kReportFileName}) {
        const auto from = FindNoCase(programFolder, name);
        if (!from) continue;
        try {
            CopyChecked(*from, ExistingOrCanonical(dataFolder, name));
        } catch (const std::exception&) {
            failures.push_back(*from);
        }
    }
    if (!failures.empty()) {
        std::string names;
        for (const fs::path& f : failures) names += "\n" + f.string();
        throw FileError(InLanguage({"These files could not be moved to the new data folder; your data stay in the "
                                    "old folder, and moving them will be tried again at the next start:",
                                    "Tieto súbory sa nepodarilo presunúť do nového priečinka dát; vaše dáta zostávajú "
                                    "v starom priečinku a presun sa zopakuje pri ďalšom spustení:",
                                    "Tyto soubory se nepodařilo přesunout do nové složky dat; vaše data zůstávají "
                                    "ve staré složce a přesun se zopakuje při dalším spuštění:"}) +
                            names,
                        failures.front(), EIO);
    }
    WriteDataVersion(programFolder, kCopiedState);
    if (std::error_code ec; fs::is_directory(oldData, ec)) MoveFileDurably(oldData, programFolder / "OldData");
}

void RunDataMigration(const fs::path& programFolder, const fs::path& dataFolder, bool migrationFlag) {
    if (!MigrationPending(programFolder, migrationFlag)) return;
    std::string notice;
    GetNoticeText(kMigrationNotice, notice);
    ShowMessageBox(notice, "Informácia", MB_OK | MB_ICONINFORMATION);
    try {
        MigrateDataFolder(programFolder, dataFolder);
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), "KV-Zirt", MB_OK | MB_ICONERROR);
    }
}

} // namespace kvz
