#include "core/Users.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/LockFile.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <optional>

namespace kvz {

namespace {


std::string UserKey(size_t n) { return "User" + std::to_string(n); }

} // namespace

std::vector<std::string> ReadUserList(const std::filesystem::path& folder) {
    const IniFile ini(ExistingOrCanonical(folder, kUserListFileName));
    std::vector<std::string> names;
    if (!ini.SectionExists(kUserSection)) return names;
    const std::vector<std::string> keys = ini.ReadSection(kUserSection);
    // Position n holds the name of "User" + n, for as many positions as the section has keys.
    for (size_t n = 0; n < keys.size(); ++n) names.push_back(ini.ReadString(kUserSection, UserKey(n), ""));
    // A list with gaps still shows the names behind them, after those, each once: the list
    // grows with the keys that are there, never with the numbers they give.
    std::vector<std::pair<unsigned long, std::string>> behind;
    for (const std::string& key : keys) {
        if (key.size() <= 4 || key.size() > 9 || !SameUserName(key.substr(0, 4), "User")) continue;
        if (key.find_first_not_of("0123456789", 4) != std::string::npos) continue;
        const unsigned long number = std::stoul(key.substr(4));
        if (number >= keys.size()) behind.emplace_back(number, ini.ReadString(kUserSection, key, ""));
    }
    std::sort(behind.begin(), behind.end());
    for (const auto& entry : behind) {
        const std::string& name = entry.second;
        if (name.empty()) continue;
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameUserName(n, name); }))
            names.push_back(name);
    }
    return names;
}

void WriteUserList(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    IniFile ini(ExistingOrCanonical(folder, kUserListFileName));
    for (size_t n = 0; n < names.size(); ++n)
        if (!names[n].empty()) ini.WriteString(kUserSection, UserKey(n), names[n]);
    if (ini.Modified()) ini.UpdateFile();
}

bool SameUserName(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

std::string TrimUserName(std::string_view name) {
    const size_t first = name.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(name.substr(first, name.find_last_not_of(" \t") - first + 1));
}

std::string NewUserNameFault(const std::string& name, const std::vector<std::string>& list,
                             const std::filesystem::path& folder) {
    if (name.empty()) return GetMessageText(MessageId::EnterName);
    size_t longestSuffix = 0;
    for (TableId table : kAllTables) longestSuffix = std::max(longestSuffix, std::strlen(TableSuffix(table)) + 4);
    std::string inList;
    if (!IsSafeUserName(name, folder, longestSuffix) || !TryUtf8ToCodePage(name, DataCodePage(), inList)) {
        static const char* const kTexts[] = {
            "This name cannot be used: it names the user's files, so it may not start with a dot and may "
            "not hold \"/\", \"\\\", \"..\" or control characters, or be that long.",
            "Toto meno nemožno použiť: pomenúva súbory užívateľa, preto nesmie začínať bodkou, obsahovať "
            "\"/\", \"\\\", \"..\" ani riadiace znaky a nesmie byť také dlhé.",
            "Toto jméno nelze použít: pojmenovává soubory uživatele, proto nesmí začínat tečkou, obsahovat "
            "\"/\", \"\\\", \"..\" ani řídicí znaky a nesmí být tak dlouhé."};
        return InLanguage(kTexts);
    }
    for (const std::string& other : list)
        if (SameUserName(name, other)) return GetMessageText(MessageId::NameExists);
    return {};
}

std::string CutPassword(std::string_view password, int count) {
    return Utf8Left(password, count > 0 ? static_cast<size_t>(count) : 0);
}

void CreateUserTables(TDataModule1& data, const std::filesystem::path& folder, const std::string& prefix,
                      const std::string& password) {
    const auto file = [&](TableId table) { return folder / UserFileName(prefix, TableSuffix(table)); };
    data.NewAddresTable(file(TableId::Address), password);
    data.NewTasksTable(file(TableId::Tasks), password);
    data.NewProjectTable(file(TableId::Projects), password);
    data.NewSubProjectTable(file(TableId::SubProjects), password);
    data.NewOwnersProjectTable(file(TableId::Owners), password);
    data.NewLinksTable(file(TableId::Links), password);
    data.NewLinksTypeTable(file(TableId::LinksType), password);
}

namespace {

// The journal of a password change beside the tables: while it is there a change is under way.
// Its writer holds a lock on it; it is empty while the tables are written under the new
// password beside their files, and says kMoving once all seven are written, before the first
// is moved in. Every step after that is a rename, so that a change cut anywhere is finished
// (every table moved in) or undone (the copies of the old files put back) from the files alone.
constexpr const char* kJournalSuffix = ".keychange~";
constexpr std::string_view kMoving = "moving\n";

struct KeyFiles {
    std::filesystem::path file, fresh, saved;
};

std::vector<KeyFiles> KeyChangeFiles(const std::filesystem::path& folder, const std::string& prefix) {
    std::vector<KeyFiles> files;
    for (TableId id : kAllTables) {
        const std::filesystem::path file = folder / UserFileName(prefix, TableSuffix(id));
        files.push_back({file, file.string() + ".newkey~", file.string() + ".oldkey~"});
    }
    return files;
}

std::filesystem::path JournalOf(const std::filesystem::path& folder, const std::string& prefix) {
    return folder / UserFileName(prefix, kJournalSuffix);
}

bool There(const std::filesystem::path& path) {
    const PathState state = CheckPath(path);
    if (state == PathState::Unknown) throw FileError("Cannot check \"" + path.string() + "\"", path, EIO);
    return state == PathState::Present;
}

void Remove(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec) throw FileError("Cannot remove \"" + path.string() + "\": " + ec.message(), path, ec.value());
}

// Replaces the journal's content in place (it is the file its lock is held on) and syncs it.
void WriteJournal(const std::filesystem::path& journal, std::string_view content) {
    const int fd = ::open(journal.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw FileError("Cannot write \"" + journal.string() + "\"", journal, errno);
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
                         ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written) throw FileError("Cannot write \"" + journal.string() + "\"", journal, error);
    SyncFolder(journal.parent_path());
}

// Finishes or undoes the change the journal records; the caller holds the journal's lock. At
// the end the journal is removed, or emptied when the caller goes on to a change of its own.
// Each step is a rename or a removal that a later run repeats or passes over.
void RecoverUnderJournal(const std::filesystem::path& journal, const std::vector<KeyFiles>& files, bool keep) {
    // What writes cut by a kill left beside the files of the change: no one else writes them.
    std::vector<std::string> written;
    for (const KeyFiles& f : files)
        for (const std::filesystem::path* p : {&f.fresh, &f.saved}) written.push_back(p->filename().string());
    RemoveStaleTemporaries(journal.parent_path(), written);
    if (ReadWholeFile(journal) == kMoving) {
        bool movedAll = true;
        for (const KeyFiles& f : files) movedAll = movedAll && !There(f.fresh);
        if (movedAll) {
            for (const KeyFiles& f : files) Remove(f.saved);
        } else {
            // A table whose new file is gone was moved in: its old file comes back. The copies of
            // tables not moved go first, so that a cut undo never takes one for a moved table.
            for (const KeyFiles& f : files)
                if (!There(f.fresh) && There(f.saved)) MoveFileDurably(f.saved, f.file);
            for (const KeyFiles& f : files) Remove(f.saved);
            for (const KeyFiles& f : files) Remove(f.fresh);
        }
    } else {
        // Cut before anything was moved in: the files written beside the tables go.
        for (const KeyFiles& f : files) {
            std::error_code ignored;
            std::filesystem::remove(f.fresh, ignored);
            std::filesystem::remove(f.saved, ignored);
        }
    }
    if (keep) {
        WriteJournal(journal, "");
    } else {
        Remove(journal);
        SyncFolder(journal.parent_path());
    }
}

[[noreturn]] void ChangeUnderWayElsewhere(const std::filesystem::path& journal) {
    static const char* const kTexts[] = {
        "The password of these tables is being changed in another program. Try again later.",
        "Heslo týchto tabuliek práve mení iný program. Skúste to znova neskôr.",
        "Heslo těchto tabulek právě mění jiný program. Zkuste to znovu později."};
    throw FileError(InLanguage(kTexts), journal, EBUSY);
}

} // namespace

bool RecoverPasswordChange(const std::filesystem::path& folder, const std::string& prefix) {
    const std::filesystem::path journal = JournalOf(folder, prefix);
    if (!There(journal)) return true;
    FileLock lock = TryLockFile(journal);
    if (!lock.Held()) return false;
    RecoverUnderJournal(journal, KeyChangeFiles(folder, prefix), false);
    return true;
}

void ChangeTablePasswords(TDataModule1& data, FrameState& frame, const std::string& password) {
    struct Step {
        TVolgaTable* table;
        std::filesystem::path file, lock, fresh, saved;
        std::string oldPassword;
        TFileStamp stamp;
        bool prepared = false;
    };
    const std::filesystem::path folder = data.TableFileName(TableId::Address).parent_path();
    const std::vector<KeyFiles> files = KeyChangeFiles(folder, frame.UserPrefix);
    std::vector<Step> steps;
    for (TableId id : kAllTables) {
        TVolgaTable* table = data.TableOf(id);
        if (!table || !table->Active()) throw std::logic_error("The password is changed on the open tables only");
        const std::filesystem::path file = data.TableFileName(id);
        if (std::none_of(files.begin(), files.end(), [&](const KeyFiles& f) { return f.file == file; }))
            throw std::logic_error("A table of the user is not in the user's folder: " + file.string());
        steps.push_back({table, file, data.LockFileName(id), file.string() + ".newkey~", file.string() + ".oldkey~",
                         table->Password(), {}});
    }
    // One change at a time, and what an earlier one left is finished or undone first.
    const std::filesystem::path journal = JournalOf(folder, frame.UserPrefix);
    FileLock journalLock = TryLockFile(journal);
    if (!journalLock.Held()) ChangeUnderWayElsewhere(journal);
    RecoverUnderJournal(journal, files, true);

    TTableLocks& locks = *frame.Locks;
    const bool network = frame.NetworkMode;
    const auto underLock = [&](const Step& step, const auto& work) {
        std::optional<ScopedTableLock> lock;
        if (network) lock.emplace(locks, step.lock, kRecordCommandPoll);
        work();
    };
    // The table as it is now in its file, under the new password, beside that file and as
    // private as that file.
    const auto writeFresh = [&](Step& step) {
        if (network) step.table->Refresh();
        step.oldPassword = step.table->Password();
        step.table->SetPassword(password);
        step.prepared = true;
        // The copy of the old file is made in the second step: whatever is in its way goes now,
        // while nothing is moved yet.
        Remove(step.saved);
        GiveModeOf(step.fresh, step.file);
        step.table->SaveToFile(step.fresh);
        step.stamp = StampOf(step.file);
    };
    const auto restoreTables = [&] {
        for (Step& step : steps)
            if (step.prepared) {
                step.table->SetPassword(step.oldPassword);
                step.table->CommitChanges();
            }
    };
    BusyAnimationScope busy(locks, network);
    try {
        for (Step& step : steps) underLock(step, [&] { writeFresh(step); });
        WriteJournal(journal, kMoving);
        for (Step& step : steps)
            underLock(step, [&] {
                if (network && !(step.stamp.known && StampOf(step.file) == step.stamp)) {
                    // Read again as the file stands, with nothing of ours pending.
                    step.table->SetPassword(step.oldPassword);
                    step.table->CommitChanges();
                    writeFresh(step);
                }
                CopyFileDurably(step.file, step.saved);
                MoveFileDurably(step.fresh, step.file);
            });
    } catch (...) {
        restoreTables();
        try {
            RecoverUnderJournal(journal, files, false);
        } catch (const std::exception& e) {
            // The tables stay split until the next start undoes the change; this program must not
            // write them meanwhile.
            static const char* const kTexts[] = {
                "The password change could not be undone; it is undone when the program starts again. Close the program now.",
                "Zmenu hesla sa nepodarilo vrátiť; vráti sa pri ďalšom spustení programu. Ukončite teraz program.",
                "Změnu hesla se nepodařilo vrátit; vrátí se při dalším spuštění programu. Ukončete nyní program."};
            throw PasswordChangeLeftUnderWay(std::string(InLanguage(kTexts)) + "\n" + e.what(), journal, 0);
        }
        throw;
    }
    for (Step& step : steps) step.table->CommitChanges();
    // Done: what is left is tidying, which the next change or start repeats when it fails here.
    try {
        RecoverUnderJournal(journal, files, false);
    } catch (const FileError& e) {
        ReportFileWarning(e);
    }
}

std::string StartUserName(const std::filesystem::path& listFolder, bool networkMode, const std::string& networkUser) {
    if (networkMode) return networkUser;
    const std::vector<std::string> names = ReadUserList(listFolder);
    return names.empty() ? std::string() : names.front();
}

void EnableKeyByRole(TComponent& frameWindow, bool networkMode, bool clientMode) {
    const bool enabled = !networkMode || !clientMode;
    if (auto* button = dynamic_cast<TControl*>(FindNamedComponent(frameWindow, "KeyButton"))) button->SetEnabled(enabled);
    if (auto* item = dynamic_cast<TMenuItem*>(FindNamedComponent(frameWindow, "KeyMenu"))) item->SetEnabled(enabled);
}

} // namespace kvz
