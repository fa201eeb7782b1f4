#include "core/TableLocks.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Files.h"

#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace kvz {

namespace fs = std::filesystem;

bool TTableLocks::IsFileInUse(const fs::path& fileName) const { return IsFileLocked(fileName); }

bool TTableLocks::LockTableFile(const fs::path& fileName) {
    if (TableLockHandle.Held())
        throw std::logic_error("A table lock is held already: " + TableLockHandle.Path().string());
    TableLockHandle = TryLockFile(fileName);
    return TableLockHandle.Held();
}

void TTableLocks::UnlockTableFile() { TableLockHandle.Release(); }

void TTableLocks::WaitAndLock(const fs::path& fileName, milliseconds interval) {
    while (!LockTableFile(fileName)) {
        if (OnWait && !OnWait()) throw EAbort();
        std::this_thread::sleep_for(interval);
    }
}

ScopedTableLock::ScopedTableLock(TTableLocks& locks, const fs::path& fileName, milliseconds interval) : locks_(locks) {
    locks_.WaitAndLock(fileName, interval);
}

namespace {

void CancelAll(TVolgaTable& table) {
    if (!table.Active()) return;
    const TDataSetState state = table.State();
    if (state == dsEdit || state == dsInsert || state == dsSetKey) table.Cancel();
    table.CancelChanges();
}

} // namespace

void TTableLocks::WriteSharedTable(TVolgaTable& table, const fs::path& lockFileName, bool networkMode,
                                   milliseconds interval, const std::function<void()>& change) {
    // A change made before the reload would be written over what others wrote meanwhile.
    if (networkMode && (table.ChangeCount() > 0 || table.State() == dsEdit || table.State() == dsInsert))
        throw std::logic_error("A shared table was changed outside its writer");
    BusyAnimationScope busy(*this, networkMode);
    std::optional<ScopedTableLock> lock;
    if (networkMode) lock.emplace(*this, lockFileName, interval);
    try {
        // The file is read again only when someone else wrote it since this table read or wrote it.
        if (networkMode && !table.FileUnchanged()) table.Refresh();
        change();
        table.ApplyChanges();
    } catch (...) {
        CancelAll(table);
        throw;
    }
    lock.reset();
    table.CommitChanges();
}

BusyAnimationScope::BusyAnimationScope(TTableLocks& locks, bool show) : locks_(locks), shown_(show && locks.ShowBusyAnimation) {
    if (shown_) locks_.ShowBusyAnimation(true);
}

BusyAnimationScope::~BusyAnimationScope() {
    if (shown_) locks_.ShowBusyAnimation(false);
}

namespace {

uintmax_t SizeOrZero(const fs::path& file) {
    if (CheckPath(file) == PathState::Absent) return 0;
    std::error_code ec;
    const uintmax_t size = fs::file_size(file, ec);
    if (ec) throw FileError("Cannot read the size of \"" + file.string() + "\": " + ec.message(), file, ec.value());
    return size;
}

} // namespace

bool IsSmallerFile(const fs::path& a, const fs::path& b) { return SizeOrZero(a) < SizeOrZero(b); }

void TTableLocks::AutoBackup(const fs::path& tableFolder, const std::string& userPrefix, bool networkMode) {
    std::string failures;
    auto backUp = [&](const fs::path& file, const fs::path& backup, const fs::path* lockFile) {
        try {
            if (CheckPath(file) == PathState::Absent) return;
            // A shared table is copied under its lock, so that no writer works on it meanwhile.
            std::optional<ScopedTableLock> lock;
            if (lockFile) lock.emplace(*this, *lockFile, kRecordCommandPoll);
            if (IsSmallerFile(backup, file)) CopyFileDurably(file, backup);
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& e) {
            failures += failures.empty() ? "" : "\n";
            failures += e.what();
        }
    };
    for (TableId table : {TableId::Links, TableId::LinksType, TableId::Address, TableId::Tasks, TableId::Owners,
                          TableId::Projects, TableId::SubProjects}) {
        const fs::path file = tableFolder / (userPrefix + TableSuffix(table));
        const fs::path lockFile = tableFolder / (userPrefix + LockSuffix(table));
        backUp(file, fs::path(file).replace_extension(".bak"), networkMode ? &lockFile : nullptr);
    }
    backUp(tableFolder / (userPrefix + ".ucs"), tableFolder / (userPrefix + ".bak"), nullptr);
    if (!failures.empty()) throw FileError(failures, tableFolder, 0);
}

void LocateRecordCode(TDataSet& table, const std::string& code) {
    if (!code.empty() && table.Locate("Number", Variant(code), 0)) return;
    static const char* const texts[] = {"The record was deleted by another user.",
                                        "Záznam medzitým vymazal iný užívateľ.",
                                        "Záznam mezitím smazal jiný uživatel."};
    const int language = Language();
    DatabaseError(texts[language >= 1 && language <= 3 ? language - 1 : 0], &table);
}

} // namespace kvz
