#include "core/TableLocks.h"

#include "core/TableIds.h"
#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Guid.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_set>
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

void TTableLocks::UnlockTableFile() {
    if (!TableLockHandle.Held()) return;
    lastReleased_ = TableLockHandle.Path();
    releasedAt_ = std::chrono::steady_clock::now();
    TableLockHandle.Release();
}

namespace {

// The pause before the next try: the interval, shifted at random by up to half of it so that
// writers who wait together do not try together, and shortened as the wait grows, so that the
// writers who waited longest try most often and none is left waiting behind newcomers.
milliseconds PollPause(milliseconds interval, std::chrono::steady_clock::duration waited) {
    const double jitter = 0.5 + RandomUInt32() / 4294967296.0;
    const double rounds = std::chrono::duration<double>(waited) / (10.0 * interval);
    const double pause = interval.count() * jitter / std::clamp(1.0 + rounds, 1.0, 8.0);
    return milliseconds(std::max<long long>(1, std::llround(pause)));
}

} // namespace

void TTableLocks::WaitAndLock(const fs::path& fileName, milliseconds interval) {
    static const char* const kBusyTexts[] = {"The table is in use by another user. Try again later.",
                                             "Tabuľku práve používa iný užívateľ. Skúste to znova neskôr.",
                                             "Tabulku právě používá jiný uživatel. Zkuste to znovu později."};
    // A writer that has just released a lock that others wanted too lets them go first (one
    // that met no one keeps its pace: an import of many rows is not slowed).
    if (fileName == lastReleased_ && contended_) {
        const auto since = std::chrono::steady_clock::now() - releasedAt_;
        if (since < interval) std::this_thread::sleep_for(interval - since);
    }
    const auto start = std::chrono::steady_clock::now();
    contended_ = false;
    while (!LockTableFile(fileName)) {
        contended_ = true;
        const auto waited = std::chrono::steady_clock::now() - start;
        if (OnWait) {
            if (!OnWait()) throw EAbort();
        } else if (waited >= UnattendedWaitLimit) {
            // No one could cancel this wait: it ends rather than hang on a lock that a hung
            // computer keeps.
            throw FileError(InLanguage(kBusyTexts), fileName, EBUSY);
        }
        std::this_thread::sleep_for(PollPause(interval, waited));
    }
}

ScopedTableLock::ScopedTableLock(TTableLocks& locks, const fs::path& fileName, milliseconds interval) : locks_(locks) {
    locks_.WaitAndLock(fileName, interval);
}

namespace {

// The lock of a change was lost before its table file was moved in.
struct LockLost {};

void CancelAll(TVolgaTable& table) {
    if (!table.Active()) return;
    const TDataSetState state = table.State();
    if (state == dsEdit || state == dsInsert || state == dsSetKey) table.Cancel();
    table.CancelChanges();
}

// What interrupted saves of a table left: under the table's lock no one else is saving it.
void RemoveStaleSaves(const fs::path& tableFile) {
    const std::string name = tableFile.filename().string();
    if (name.empty()) return;
    RemoveStaleTemporaries(tableFile.parent_path(), {name, fs::path(name).replace_extension(".~d").string()});
}

// The tables' record code: 8 characters kept in the row itself.
const TVolgaField* RecordCodeField(const TVolgaTable& table) {
    const TVolgaField* field = table.Cursor() ? table.Cursor()->FindField("Number") : nullptr;
    return field && field->Kind == TVolgaFieldKind::SmallStr && field->Size >= 8 ? field : nullptr;
}

std::string RecordCodeOf(const TVolgaTable& table, const TVolgaField& field, const TVolgaRow& row) {
    return std::string(table.Cursor()->FieldBytes(row, field));
}

// Another program may make the same code in the same hundredth, and a row found by its code
// must be the one meant: while the change runs, new codes pass over the codes the table holds,
// and a row inserted with a held code (copied from elsewhere) gets a new one. The codes are
// gathered only when a change makes or inserts a code, so edits and deletes cost nothing here.
class UniqueRecordCodes {
public:
    explicit UniqueRecordCodes(TVolgaTable& table) : table_(table), field_(RecordCodeField(table)) {
        if (!field_) return;
        SetRecordKeyInUse([this](std::string_view code) { return Held().count(std::string(code)) > 0; });
    }
    ~UniqueRecordCodes() { SetRecordKeyInUse({}); }
    UniqueRecordCodes(const UniqueRecordCodes&) = delete;
    UniqueRecordCodes& operator=(const UniqueRecordCodes&) = delete;

    void RecodeInsertedRows() {
        if (!field_) return;
        bool changed = false;
        for (TVolgaRow* row : table_.Cursor()->Rows()) {
            if (row->State != rsInserted) continue;
            std::string code = RecordCodeOf(table_, *field_, *row);
            if (Held().count(code) > 0) {
                code = NewRecordKey();
                TVolgaCursor& cursor = *table_.Cursor();
                TVolgaRowBuffer values = cursor.Decode(*row);
                SetValueBytes(values, *field_, code);
                std::string message;
                if (!cursor.PostRow(values, row, message)) DatabaseError(message, &table_);
                changed = true;
            }
            held_->insert(std::move(code));
        }
        if (changed && table_.Active() && table_.State() == dsBrowse) table_.RebuildView();
    }

private:
    // The codes of the rows the change found; rows it inserts are checked as they are met.
    const std::unordered_set<std::string>& Held() {
        if (!held_) {
            held_.emplace();
            held_->reserve(table_.Cursor()->Rows().size());
            for (const TVolgaRow* row : table_.Cursor()->Rows())
                if (row->Live() && row->State != rsInserted) held_->insert(RecordCodeOf(table_, *field_, *row));
        }
        return *held_;
    }

    TVolgaTable& table_;
    const TVolgaField* field_;
    std::optional<std::unordered_set<std::string>> held_;
};

} // namespace

void RemoveLocalTableTemporaries(const fs::path& tableFolder, const std::string& userPrefix) {
    std::vector<std::string> names{UserFileName(userPrefix, ".ucs"), UserFileName(userPrefix, ".bak")};
    for (TableId table : kAllTables) {
        const fs::path name = UserFileName(userPrefix, TableSuffix(table));
        for (const char* extension : {".d", ".~d", ".bak"}) names.push_back(fs::path(name).replace_extension(extension).string());
    }
    RemoveStaleTemporaries(tableFolder, names);
}

void TTableLocks::WriteSharedTable(TVolgaTable& table, const fs::path& lockFileName, bool networkMode,
                                   milliseconds interval, const std::function<void()>& change) {
    // A change made before the reload would be written over what others wrote meanwhile.
    if (networkMode && (table.ChangeCount() > 0 || table.State() == dsEdit || table.State() == dsInsert))
        throw std::logic_error(GetMessageText(MessageId::SharedTableChanged));
    static const char* const kReadOnlyTexts[] = {
        "The table file is read-only; the change was not saved: ",
        "Súbor tabuľky je iba na čítanie, zmena sa neuložila: ",
        "Soubor tabulky je jen pro čtení, změna se neuložila: "};
    const fs::path tableFile = table.FullFileName();
    if (IsReadOnlyFile(tableFile)) DatabaseError(InLanguage(kReadOnlyTexts) + tableFile.string(), &table);
    BusyAnimationScope busy(*this, networkMode);
    constexpr int kTries = 20;
    for (int attempt = 1;; ++attempt) {
        std::optional<ScopedTableLock> lock;
        if (networkMode) lock.emplace(*this, lockFileName, interval);
        try {
            if (networkMode) {
                RemoveStaleSaves(tableFile);
                // The file is read again only when someone else wrote it since this table read
                // or wrote it.
                if (!table.FileUnchanged()) table.Refresh();
            }
            // What the change starts from: the file as this table read or wrote it last.
            const TFileStamp loaded = StampOf(tableFile);
            const bool loadedKnown = networkMode && loaded.known && table.FileUnchanged();
            UniqueRecordCodes codes(table);
            change();
            // Someone removed the lock file meanwhile, so another writer may hold a lock on a new
            // one (or the file was written under it): this change starts again under that lock
            // rather than write over the other's. Asked again once the new file is written,
            // right before it is moved in, as writing a large table takes long.
            const auto lockLost = [&] {
                return networkMode && (!TableLockHandle.StillNamed() || (loadedKnown && !(StampOf(tableFile) == loaded)));
            };
            try {
                if (lockLost()) throw LockLost{};
                codes.RecodeInsertedRows();
                ScopedReplaceCheck check(tableFile, [&] {
                    if (lockLost()) throw LockLost{};
                });
                table.ApplyChanges();
            } catch (const LockLost&) {
                if (attempt == kTries) throw FileError("Lock file was removed while held: \"" +
                                                           lockFileName.string() + "\"", lockFileName, ESTALE);
                CancelAll(table);
                continue;
            }
        } catch (...) {
            CancelAll(table);
            throw;
        }
        lock.reset();
        table.CommitChanges();
        return;
    }
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

void TTableLocks::AutoBackup(const fs::path& tableFolder, const std::string& userPrefix, bool networkMode,
                             const fs::path& layoutFolder) {
    std::string failures;
    auto backUp = [&](const fs::path& file, const fs::path& backup, const fs::path* lockFile) {
        try {
            if (CheckPath(file) == PathState::Absent) return;
            // A shared table is copied under its lock, so that no writer works on it meanwhile.
            std::optional<ScopedTableLock> lock;
            if (lockFile) {
                lock.emplace(*this, *lockFile, kRecordCommandPoll);
                RemoveStaleTemporaries(backup.parent_path(), {backup.filename().string()});
            }
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
        const fs::path file = tableFolder / UserFileName(userPrefix, TableSuffix(table));
        const fs::path lockFile = tableFolder / UserFileName(userPrefix, LockSuffix(table));
        backUp(file, fs::path(file).replace_extension(".bak"), networkMode ? &lockFile : nullptr);
    }
    const fs::path& layouts = layoutFolder.empty() ? tableFolder : layoutFolder;
    backUp(layouts / UserFileName(userPrefix, ".ucs"), layouts / UserFileName(userPrefix, ".bak"), nullptr);
    if (!failures.empty()) throw FileError(failures, tableFolder, 0);
}

void LocateRecordCode(TDataSet& table, const std::string& code) {
    if (!code.empty() && table.Locate("Number", Variant(code), 0)) return;
    static const char* const texts[] = {"The record was deleted by another user.",
                                        "Záznam medzitým vymazal iný užívateľ.",
                                        "Záznam mezitím smazal jiný uživatel."};
    DatabaseError(InLanguage(texts), &table);
}

} // namespace kvz
