// The lock files of shared tables and the writer of a shared table: in network mode several
// programs open the same table files, each read whole and written whole, so a writer holds the
// table's lock file while it reloads, changes and writes the table. Also the automatic backup
// of the table files. The frame window owns one TTableLocks and lends it to every writer.
#pragma once

#include "platform/rtl/LockFile.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace kvz {

class TDataSet;
class TVolgaTable;

// Poll intervals of the waits for a lock.
using std::chrono::milliseconds;
inline constexpr milliseconds kRecordCommandPoll{100}; // record commands, tasks window, upgrades
inline constexpr milliseconds kEditorSavePoll{50};     // the address window's save, the task editor
inline constexpr milliseconds kReminderPoll{1000};     // anniversary reminder tasks

class TTableLocks {
public:
    // Whether the lock file is held by anyone (this program included); a missing file is free.
    bool IsFileInUse(const std::filesystem::path& fileName) const;
    // One try at the lock: false when another holds it. Throws FileError when the lock file
    // cannot be opened or locked, and std::logic_error when a table lock is held already (a
    // program holds one at a time).
    bool LockTableFile(const std::filesystem::path& fileName);
    void UnlockTableFile();
    bool TableLockHeld() const { return TableLockHandle.Held(); }
    // Waits until the lock is taken, polling at about the interval (at random a little more or
    // less, and more often as the wait grows). Before each pause OnWait runs; when it answers
    // false the wait is abandoned with EAbort, nothing taken. Without OnWait the wait ends
    // after UnattendedWaitLimit with a FileError (EBUSY) in the program's language.
    void WaitAndLock(const std::filesystem::path& fileName, milliseconds interval);
    milliseconds UnattendedWaitLimit{30000};

    // One change of a shared table. In network mode: show the busy animation, wait for and
    // take the lock, reload the table, make the change, write the table, release the lock and
    // accept the change log. In local mode: make the change and write. On any failure the
    // changes are cancelled, the lock is released and the error passes on; nothing is written
    // without the lock. A table file that the user made read-only is refused before the change
    // (EDatabaseError in the program's language). The change finds its records again by their
    // record codes (LocateRecordCode); it runs again after a fresh reload when the lock file
    // was removed while it was held.
    void WriteSharedTable(TVolgaTable& table, const std::filesystem::path& lockFileName, bool networkMode,
                          milliseconds interval, const std::function<void()>& change);

    // The automatic backup: each table file (and the address field layout file) is copied to
    // its ".bak" while it is larger than that backup, durably, under the table's lock in
    // network mode. Every file is tried; failures are reported together at the end (FileError).
    // The layout file lies in the layout folder (the local data folder, also in network mode);
    // in the table folder when none is given.
    void AutoBackup(const std::filesystem::path& tableFolder, const std::string& userPrefix, bool networkMode,
                    const std::filesystem::path& layoutFolder = {});

    // Set by the frame window: keeps the window responsive and the busy animation turning while
    // a wait polls; false when the user cancels the wait.
    std::function<bool()> OnWait;
    // Set by the frame window: shows (true) or hides (false) the busy animation.
    std::function<void(bool on)> ShowBusyAnimation;

private:
    FileLock TableLockHandle;
    // The lock released last, when, and whether taking it meant waiting for another writer.
    std::filesystem::path lastReleased_;
    std::chrono::steady_clock::time_point releasedAt_;
    bool contended_ = false;
};

// The table lock of a scope: waits for and takes it at construction (as WaitAndLock), releases
// it at the end of the scope, by whatever path.
class ScopedTableLock {
public:
    ScopedTableLock(TTableLocks& locks, const std::filesystem::path& fileName, milliseconds interval);
    ~ScopedTableLock() { locks_.UnlockTableFile(); }
    ScopedTableLock(const ScopedTableLock&) = delete;
    ScopedTableLock& operator=(const ScopedTableLock&) = delete;

private:
    TTableLocks& locks_;
};

// Shows the busy animation for a scope when one is asked for.
class BusyAnimationScope {
public:
    BusyAnimationScope(TTableLocks& locks, bool show);
    ~BusyAnimationScope();
    BusyAnimationScope(const BusyAnimationScope&) = delete;
    BusyAnimationScope& operator=(const BusyAnimationScope&) = delete;

private:
    TTableLocks& locks_;
    bool shown_;
};

// Whether file A is smaller than file B; a missing file counts as 0 bytes. A size that
// cannot be taken throws FileError.
bool IsSmallerFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes what interrupted saves left beside the user's table files, backups and field layout
// file, in a table folder that this program alone writes (local mode). Network mode does it
// for each table under its lock, in WriteSharedTable. The frame window's start calls it once
// the table folder and the user prefix are known, before the tables open.
void RemoveLocalTableTemporaries(const std::filesystem::path& tableFolder, const std::string& userPrefix);

// Makes the record with that exact record code ("Number") current; a record that is gone (or
// an empty code) is reported with an error in the program's language, never replaced by a
// neighbour.
void LocateRecordCode(TDataSet& table, const std::string& code);

} // namespace kvz
