#include "core/Messages.h"
#include "core/TableLocks.h"
#include "core/Data1.h"
#include "core/FrameServices.h"
#include "core/Users.h"
#include "engine/VolgaSession.h"
#include "platform/rtl/LockFile.h"

#include "ProgramTesting.h"
#include "engine/VolgaTbl.h"
#include "engine/dbf.h"
#include "platform/rtl/SysInfo.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Files.h"

#include "FileSizeLimit.h"
#include "KillTesting.h"
#include "TempFolder.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <grp.h>
#include <pwd.h>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kvz {
namespace {

// Waits for a child and gives its exit code (-1 when it did not exit).
int ExitCode(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another Unix account for the tests that share a folder between accounts: the tests run as
// root, and a forked child can become "nobody".
const passwd* OtherAccount() {
    static const passwd* account = ::getuid() == 0 ? ::getpwnam("nobody") : nullptr;
    return account;
}

// Runs the body in a forked child under the other account, with umask 022; its exit code is
// 0 when the body returned true.
int RunAsOtherAccount(const std::function<bool()>& body) {
    const passwd* account = OtherAccount();
    const uid_t uid = account->pw_uid;
    const gid_t gid = account->pw_gid;
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int code = 1;
        try {
            ::umask(022);
            if (::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0) code = body() ? 0 : 2;
        } catch (...) {
            code = 3;
        }
        ::_exit(code);
    }
    return ExitCode(pid);
}

// A small shared table in a folder of its own, written through the engine.
class SharedTableTest : public ::testing::Test {
protected:
    TempFolder dir;
    fs::path file = dir.path() / "Jano_links.d";
    fs::path lockFile = dir.path() / "Jano_links.mpf";

    void SetUp() override {
        TVolgaTable t;
        t.FieldDefs().Add("Number", ftString, 8);
        t.FieldDefs().Add("Name", ftString, 50);
        t.Open();
        t.SaveToFile(file);
    }
    void Open(TVolgaTable& t) {
        t.SetTableName(file.string());
        t.Open();
    }
    // One row added by the writer of a shared table.
    static void AddRow(TTableLocks& locks, TVolgaTable& t, const std::string& name, bool networkMode = true) {
        locks.WriteSharedTable(t, t.FullFileName().replace_extension(".mpf"), networkMode, milliseconds(1), [&] {
            t.Append();
            t.FieldByName("Number").SetAsString(NewRecordKey());
            t.FieldByName("Name").SetAsString(name);
            t.Post();
        });
    }
    int Temporaries() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) count += entry.path().extension() == ".tmp";
        return count;
    }
    std::vector<std::string> Names() {
        TVolgaTable t;
        Open(t);
        std::vector<std::string> out;
        for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName("Name").AsString());
        return out;
    }
};

TEST_F(SharedTableTest, OneTableLockAtATimeAndLocalModeTakesNone) {
    TTableLocks mine, other;
    EXPECT_FALSE(mine.IsFileInUse(lockFile));
    ASSERT_TRUE(mine.LockTableFile(lockFile));
    EXPECT_THROW(mine.LockTableFile(dir.path() / "Jano_tasks.mpf"), std::logic_error);
    EXPECT_TRUE(mine.TableLockHeld()); // the refused second lock left the first alone
    EXPECT_TRUE(other.IsFileInUse(lockFile));
    EXPECT_FALSE(other.LockTableFile(lockFile));
    mine.UnlockTableFile();
    EXPECT_TRUE(other.LockTableFile(lockFile));
    other.UnlockTableFile();

    fs::remove(lockFile);
    TVolgaTable t;
    Open(t);
    mine.WriteSharedTable(t, lockFile, false, milliseconds(1), [&] {
        t.Append();
        t.FieldByName("Name").SetAsString("local");
        t.Post();
    });
    EXPECT_FALSE(fs::exists(lockFile));
    EXPECT_EQ(Names(), std::vector<std::string>{"local"});
    EXPECT_EQ(t.ChangeCount(), 0);
}

TEST_F(SharedTableTest, AWaitPollsThroughTheHookAndTheUserMayCancelIt) {
    TTableLocks holder, writer;
    ASSERT_TRUE(holder.LockTableFile(lockFile));
    int polls = 0, shown = 0, hidden = 0;
    writer.ShowBusyAnimation = [&](bool on) { ++(on ? shown : hidden); };
    writer.OnWait = [&] {
        if (++polls == 3) holder.UnlockTableFile(); // the other program finishes
        return true;
    };
    TVolgaTable t;
    Open(t);
    AddRow(writer, t, "after the wait");
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(hidden, 1);
    EXPECT_FALSE(writer.TableLockHeld());

    ASSERT_TRUE(holder.LockTableFile(lockFile));
    writer.OnWait = [&] { return false; };
    EXPECT_THROW(AddRow(writer, t, "cancelled"), EAbort);
    EXPECT_EQ(Names(), std::vector<std::string>{"after the wait"});
    EXPECT_EQ(t.ChangeCount(), 0);
    EXPECT_EQ(hidden, 2);
}

TEST_F(SharedTableTest, AWaitThatNoOneCanCancelEndsAsBusy) {
    TTableLocks holder, writer;
    ASSERT_TRUE(holder.LockTableFile(lockFile));
    writer.UnattendedWaitLimit = milliseconds(30);
    TVolgaTable t;
    Open(t);
    try {
        AddRow(writer, t, "never");
        ADD_FAILURE() << "the wait did not end";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Error(), EBUSY);
    }
    EXPECT_FALSE(writer.TableLockHeld());
    EXPECT_EQ(t.ChangeCount(), 0);
    holder.UnlockTableFile();
    EXPECT_TRUE(Names().empty());
}

TEST_F(SharedTableTest, ATableFileMadeReadOnlyIsNeverReplaced) {
    TTableLocks locks;
    TVolgaTable t;
    Open(t);
    AddRow(locks, t, "kept");
    const std::string before = ReadWholeFile(file);
    fs::permissions(file, fs::perms(0444));
    const int language = Language();
    SetLanguage(1);
    for (bool network : {true, false}) {
        try {
            locks.WriteSharedTable(t, lockFile, network, milliseconds(1), [&] { ADD_FAILURE() << "changed"; });
            ADD_FAILURE() << "saved over a read-only file";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(locks.TableLockHeld());
    }
    SetLanguage(language);
    // Nor through any other durable write.
    EXPECT_THROW(WriteFileDurably(file, "other"), FileError);
    EXPECT_EQ(ReadWholeFile(file), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0444));
}

TEST_F(SharedTableTest, TwoProgramsSeeEachOthersRowsAndAGoneRecordIsReported) {
    TTableLocks locksA, locksB;
    TVolgaTable a, b;
    Open(a);
    Open(b);
    AddRow(locksA, a, "from A");
    AddRow(locksB, b, "from B"); // B reloads first: A's row stays
    EXPECT_EQ(Names(), (std::vector<std::string>{"from A", "from B"}));

    a.First();
    const std::string code = a.FieldByName("Number").AsString();
    locksB.WriteSharedTable(b, lockFile, true, milliseconds(1), [&] {
        LocateRecordCode(b, code);
        b.Delete();
    });
    // A still shows the row; its edit finds it gone and writes nothing.
    EXPECT_THROW(locksA.WriteSharedTable(a, lockFile, true, milliseconds(1),
                                         [&] {
                                             LocateRecordCode(a, code);
                                             a.Edit();
                                             a.FieldByName("Name").SetAsString("edited");
                                             a.Post();
                                         }),
                 EDatabaseError);
    EXPECT_EQ(Names(), std::vector<std::string>{"from B"});
    EXPECT_FALSE(locksA.TableLockHeld());
    EXPECT_THROW(LocateRecordCode(a, ""), EDatabaseError); // never the first record for no code
}

TEST_F(SharedTableTest, ASaveWhoseFolderCannotBeSyncedHasHappenedAndIsNeitherCancelledNorRepeated) {
    if (!OtherAccount()) GTEST_SKIP() << "needs root to act as another account";
    // The other account may add files to the folder but not open it for reading: the folder
    // sync after each rename fails.
    fs::permissions(dir.path(), fs::perms(0333));
    const int code = RunAsOtherAccount([&] {
        int warnings = 0;
        SetFileWarningHandler([&](const FileError& e) { warnings += std::string(e.what()).starts_with("Cannot open folder"); });
        TTableLocks locks;
        TVolgaTable t;
        Open(t);
        auto local = [&](const std::string& name) {
            try {
                AddRow(locks, t, name, false);
            } catch (...) {
                // A save reported as failed: the rows afterwards show whether it happened.
            }
        };
        local("local 1");
        local("local 2");
        try {
            AddRow(locks, t, "shared");
        } catch (...) {
            AddRow(locks, t, "shared"); // the user tries again
        }
        // A new file is made as durably, and made once.
        const bool created = CreateFileDurably(dir.path() / "report.dat", "");
        return warnings == 4 && created;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"local 1", "local 2", "shared"}));
}

TEST_F(SharedTableTest, ALockFileRemovedWhileHeldLosesNoRow) {
    TTableLocks locksA, locksB;
    TVolgaTable a, b;
    Open(a);
    Open(b);
    int runs = 0;
    locksA.WriteSharedTable(a, lockFile, true, milliseconds(1), [&] {
        if (++runs == 1) {
            fs::remove(lockFile); // someone tidies the folder; B makes a new lock file and writes
            AddRow(locksB, b, "B");
        }
        a.Append();
        a.FieldByName("Number").SetAsString(NewRecordKey());
        a.FieldByName("Name").SetAsString("A");
        a.Post();
    });
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"}));
}

TEST_F(SharedTableTest, ALockFileRemovedWhileTheHolderWritesItsFileLosesNoRow) {
    TTableLocks locksA, locksB;
    TVolgaTable a, b;
    bool armed = false;
    // Halfway through writing A's file someone removes the lock file, and B writes.
    a.OnCallback = [&](TVolgaDataset&, int percent) {
        if (!armed || percent < 50) return;
        armed = false;
        fs::remove(lockFile);
        AddRow(locksB, b, "B");
    };
    Open(a);
    Open(b);
    for (int i = 0; i < 10; ++i) AddRow(locksA, a, "old " + std::to_string(i));
    b.Refresh();
    int runs = 0;
    locksA.WriteSharedTable(a, lockFile, true, milliseconds(1), [&] {
        armed = ++runs == 1;
        a.Append();
        a.FieldByName("Number").SetAsString(NewRecordKey());
        a.FieldByName("Name").SetAsString("A");
        a.Post();
    });
    EXPECT_EQ(runs, 2);
    const std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names[10], "B");
    EXPECT_EQ(names[11], "A");
}

TEST_F(SharedTableTest, ManyWritersOfALargeTableWhoseLockFileIsRemovedAgainAndAgainLoseNoRow) {
    {
        TVolgaTable t;
        Open(t);
        for (int i = 0; i < 40000; ++i) {
            t.Append();
            t.FieldByName("Number").SetAsString(NewRecordKey());
            t.FieldByName("Name").SetAsString("old row " + std::to_string(i) + std::string(30, '.'));
            t.Post();
        }
        t.ApplyChanges();
        t.CommitChanges();
    }
    constexpr int kWriters = 6, kRounds = 4;
    const pid_t tidier = ::fork();
    ASSERT_GE(tidier, 0);
    if (tidier == 0) {
        std::mt19937 random(::getpid());
        for (;;) {
            ::unlink(lockFile.c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 300));
        }
    }
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 0;
            try {
                TTableLocks locks;
                TVolgaTable t;
                Open(t);
                for (int r = 0; r < kRounds; ++r) AddRow(locks, t, std::to_string(w) + "-" + std::to_string(r));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                code = 1;
            }
            ::_exit(code);
        }
        writers.push_back(pid);
    }
    for (pid_t pid : writers) EXPECT_EQ(ExitCode(pid), 0);
    ::kill(tidier, SIGKILL);
    ::waitpid(tidier, nullptr, 0);

    const std::vector<std::string> names = Names();
    const std::set<std::string> distinct(names.begin(), names.end());
    EXPECT_EQ(names.size(), static_cast<size_t>(40000 + kWriters * kRounds));
    EXPECT_EQ(distinct.size(), names.size());
    for (int w = 0; w < kWriters; ++w)
        for (int r = 0; r < kRounds; ++r) EXPECT_TRUE(distinct.count(std::to_string(w) + "-" + std::to_string(r)));
    EXPECT_EQ(Temporaries(), 0);
}

TEST_F(SharedTableTest, TheSweepOfStaleTemporariesKeepsTheFileThatALiveWriterWrites) {
    // Another program writes its temporary file (and holds it) while this one takes the lock.
    const fs::path live = dir.path() / ".Jano_links.d.0badf00d.tmp";
    const fs::path stale = dir.path() / ".Jano_links.d.0000dead.tmp";
    WriteFileDurably(stale, "left by a killed writer");
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const int fd = ::open(live.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &lock) != 0) ::_exit(1);
        char token = 'x';
        if (::write(ready[1], &token, 1) != 1 || ::read(done[0], &token, 1) != 1) ::_exit(2);
        ::_exit(fs::exists(live) ? 0 : 3);
    }
    char token;
    ASSERT_EQ(::read(ready[0], &token, 1), 1);
    TTableLocks locks;
    TVolgaTable t;
    Open(t);
    AddRow(locks, t, "row");
    EXPECT_TRUE(fs::exists(live));
    EXPECT_FALSE(fs::exists(stale));
    ASSERT_EQ(::write(done[1], "x", 1), 1);
    EXPECT_EQ(ExitCode(writer), 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST_F(SharedTableTest, AnotherAccountSharesTheLockFilesAndTheTable) {
    if (!OtherAccount()) GTEST_SKIP() << "needs root to act as another account";
    fs::permissions(dir.path(), fs::perms(0777));
    const mode_t umask = ::umask(022);
    TTableLocks mine;
    TVolgaTable t;
    Open(t);
    AddRow(mine, t, "root"); // makes the lock file under umask 022
    ::umask(umask);
    EXPECT_EQ(fs::status(lockFile).permissions() & fs::perms::all, fs::perms(0666));
    EXPECT_EQ(RunAsOtherAccount([&] {
                  TTableLocks locks;
                  TVolgaTable other;
                  Open(other);
                  AddRow(locks, other, "nobody");
                  return true;
              }),
              0);
    AddRow(mine, t, "root again");
    EXPECT_EQ(Names(), (std::vector<std::string>{"root", "nobody", "root again"}));
}

TEST_F(SharedTableTest, ALockThatCannotBeTakenIsAnErrorAndNothingIsWritten) {
    TTableLocks locks;
    TVolgaTable t;
    Open(t);
    const std::string before = ReadWholeFile(file);
    bool changed = false;
    EXPECT_THROW(locks.WriteSharedTable(t, dir.path() / "gone" / "Jano_links.mpf", true, milliseconds(1),
                                        [&] { changed = true; }),
                 FileError);
    EXPECT_FALSE(changed);
    EXPECT_EQ(ReadWholeFile(file), before);
    EXPECT_FALSE(locks.TableLockHeld());
}

TEST_F(SharedTableTest, AWriteThatFailsKeepsTheOldFileReleasesTheLockAndCancelsTheChanges) {
    TTableLocks locks;
    TVolgaTable t;
    Open(t);
    AddRow(locks, t, "kept");
    const std::string before = ReadWholeFile(file);
    {
        FileSizeLimit full(before.size());
        EXPECT_THROW(AddRow(locks, t, std::string(40, 'x')), EDatabaseError);
    }
    EXPECT_EQ(ReadWholeFile(file), before);
    EXPECT_FALSE(locks.TableLockHeld());
    EXPECT_FALSE(locks.IsFileInUse(lockFile));
    EXPECT_EQ(t.ChangeCount(), 0);
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2); // table and lock
}

TEST_F(SharedTableTest, ManyProgramsWritingAtOnceLoseNoRowAndNoReaderSeesADamagedFile) {
    constexpr int kWriters = 8, kRounds = 15;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 0;
            try {
                TTableLocks locks;
                TVolgaTable t;
                Open(t);
                for (int r = 0; r < kRounds; ++r) AddRow(locks, t, std::to_string(w) + "-" + std::to_string(r));
            } catch (...) {
                code = 1;
            }
            ::_exit(code);
        }
        writers.push_back(pid);
    }
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        // Reads without a lock while the writers run: every read is a whole table.
        int last = 0;
        for (int i = 0; i < 300; ++i) {
            try {
                TVolgaTable t;
                Open(t);
                if (t.RecordCount() < last) ::_exit(3);
                last = t.RecordCount();
            } catch (...) {
                ::_exit(2);
            }
        }
        ::_exit(0);
    }
    for (pid_t pid : writers) EXPECT_EQ(ExitCode(pid), 0);
    EXPECT_EQ(ExitCode(reader), 0);

    const std::vector<std::string> names = Names();
    const std::set<std::string> distinct(names.begin(), names.end());
    EXPECT_EQ(names.size(), static_cast<size_t>(kWriters * kRounds));
    EXPECT_EQ(distinct.size(), names.size());
    for (int w = 0; w < kWriters; ++w)
        for (int r = 0; r < kRounds; ++r) EXPECT_TRUE(distinct.count(std::to_string(w) + "-" + std::to_string(r)));
}

TEST_F(SharedTableTest, AWriterRemovesWhatInterruptedSavesOfItsTableLeft) {
    const fs::path ofTable = dir.path() / ".Jano_links.d.0badf00d.tmp";
    const fs::path ofBackup = dir.path() / ".Jano_links.~d.0badf00d.tmp";
    const fs::path ofOther = dir.path() / ".Jano_tasks.d.0badf00d.tmp"; // not under this lock
    for (const fs::path& p : {ofTable, ofBackup, ofOther}) WriteFileDurably(p, std::string(1000, 'x'));
    TTableLocks locks;
    TVolgaTable t;
    Open(t);
    AddRow(locks, t, "row");
    EXPECT_FALSE(fs::exists(ofTable));
    EXPECT_FALSE(fs::exists(ofBackup));
    EXPECT_TRUE(fs::exists(ofOther));
}

TEST_F(SharedTableTest, TwoProgramsInLockStepWithTheSameClockAndCounterNeverShareARecordCode) {
    // Both programs make the very codes the other makes; each writes after the other.
    FixedClock clock(EncodeDate(2026, 12, 10) + EncodeTime(9, 0, 0, 0));
    ScopedClock scope(clock);
    constexpr int kRounds = 40;
    int toA[2], toB[2];
    ASSERT_EQ(::pipe(toA), 0);
    ASSERT_EQ(::pipe(toB), 0);
    auto writer = [&](int in, int out, const char* name) {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        try {
            StartRecordKeyCounterAt(0);
            TTableLocks locks;
            TVolgaTable t;
            Open(t);
            char token;
            for (int r = 0; r < kRounds; ++r) {
                if (::read(in, &token, 1) != 1) ::_exit(2);
                locks.WriteSharedTable(t, lockFile, true, milliseconds(1), [&] {
                    t.First();
                    const std::string copied = t.IsEmpty() ? "" : t.FieldByName("Number").AsString();
                    t.Append();
                    t.FieldByName("Number").SetAsString(NewRecordKey());
                    t.FieldByName("Name").SetAsString(name + std::to_string(r));
                    t.Post();
                    if (r == kRounds - 1 && !copied.empty()) { // a row that comes with a code of its own
                        t.Append();
                        t.FieldByName("Number").SetAsString(copied);
                        t.FieldByName("Name").SetAsString(std::string(name) + "copy");
                        t.Post();
                    }
                });
                if (::write(out, "x", 1) != 1) ::_exit(2);
            }
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    };
    const pid_t a = writer(toA[0], toB[1], "a");
    const pid_t b = writer(toB[0], toA[1], "b");
    ASSERT_EQ(::write(toA[1], "x", 1), 1);
    EXPECT_EQ(ExitCode(a), 0);
    EXPECT_EQ(ExitCode(b), 0);
    for (int fd : {toA[0], toA[1], toB[0], toB[1]}) ::close(fd);

    TVolgaTable t;
    Open(t);
    std::set<std::string> codes;
    for (t.First(); !t.Eof(); t.Next()) codes.insert(t.FieldByName("Number").AsString());
    EXPECT_EQ(t.RecordCount(), 2 * kRounds + 2);
    EXPECT_EQ(codes.size(), static_cast<size_t>(t.RecordCount()));
}

TEST_F(SharedTableTest, AWriterKilledAnywhereLeavesTheLastOrTheOneBefore) {
    std::mt19937 random(20261210);
    int confirmed = 0;
    for (int round = 0; round < 30; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            try {
                TTableLocks locks;
                TVolgaTable t;
                Open(t);
                for (;;) {
                // Row n holds the text of n, so the table is always 1..count.
                locks.WriteSharedTable(t, lockFile, true, milliseconds(1), [&] {
                    const int n = t.RecordCount() + 1;
                    t.Append();
                    t.FieldByName("Number").SetAsString(NewRecordKey());
                    t.FieldByName("Name").SetAsString(std::to_string(n) + std::string(200, '.'));
                    t.Post();
                });
                const int n = t.RecordCount();
                (void)!::write(pipeFds[1], &n, sizeof n);
                }
            } catch (...) {
                ::_exit(1);
            }
        }
        ::close(pipeFds[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        int n;
        while (::read(pipeFds[0], &n, sizeof n) == sizeof n) confirmed = n;
        ::close(pipeFds[0]);

        TTableLocks locks;
        EXPECT_FALSE(locks.IsFileInUse(lockFile)); // the lock died with the writer
        // The next writer removes what the killed save left; only the last kill's may be there.
        EXPECT_LE(Temporaries(), 1);
        const std::vector<std::string> names = Names();
        ASSERT_TRUE(names.size() == static_cast<size_t>(confirmed) || names.size() == static_cast<size_t>(confirmed) + 1)
            << names.size() << " rows after " << confirmed << " confirmed writes";
        for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(names[i], std::to_string(i + 1) + std::string(200, '.'));
        confirmed = static_cast<int>(names.size());
    }
}

// The seven tables of "Jano" in a folder, open in one program.
struct PasswordProgram : ProgramFrame {
    std::unique_ptr<TDataModule1> data;
    PasswordProgram(const fs::path& folder, bool network, const std::string& password)
        : ProgramFrame(folder, "Jano", network) {
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables(password);
    }
};

// Which of the passwords opens all seven tables, each table tried with that password alone;
// empty when none does (the tables are split between passwords).
std::string OpeningPassword(const fs::path& folder, const std::vector<std::string>& passwords) {
    std::string opening;
    for (const std::string& password : passwords) {
        for (const std::string& known : std::vector<std::string>(VolgaSession().Passwords()))
            VolgaSession().RemovePassword(known);
        bool all = true;
        for (TableId id : kAllTables) {
            TVolgaTable t;
            t.SetPassword(password);
            t.SetTableName((folder / ("Jano" + std::string(TableSuffix(id)))).string());
            try {
                t.Open();
            } catch (const std::exception&) {
                all = false;
            }
        }
        if (all) opening += password;
    }
    return opening;
}

// Names in the folder that a password change leaves while it works (its files and what
// their cut writes left).
std::vector<std::string> PasswordChangeLeftovers(const fs::path& folder) {
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find("key~") != std::string::npos || name.find("keychange") != std::string::npos)
            left.push_back(name);
    }
    return left;
}

TEST(PasswordChange, KilledAnywhereItIsFinishedOrUndoneAtTheNextStartAndLeavesNothing) {
    TempFolder dir;
    { PasswordProgram create(dir.path(), false, "p0"); }
    // How long a whole change takes here, so that the kills fall anywhere in it.
    auto started = std::chrono::steady_clock::now();
    {
        PasswordProgram p(dir.path(), false, "p0");
        started = std::chrono::steady_clock::now();
        ChangeTablePasswords(*p.data, p.frame, "p1");
    }
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::string current = "p1";
    std::mt19937 random(20261210);
    int finished = 0, undone = 0;
    for (int round = 2; round < 40; ++round) {
        const std::string next = "p" + std::to_string(round);
        ASSERT_NO_FATAL_FAILURE(testing::KillAtRandom(random, took, [&](const std::function<void()>& ready) {
            PasswordProgram p(dir.path(), round % 2 == 0, current);
            ready();
            ChangeTablePasswords(*p.data, p.frame, next);
        }));

        ASSERT_TRUE(RecoverPasswordChange(dir.path(), "Jano"));
        const std::string opening = OpeningPassword(dir.path(), {current, next});
        ASSERT_TRUE(opening == current || opening == next) << "round " << round << ": opened by \"" << opening << "\"";
        ++(opening == next ? finished : undone);
        current = opening;
        EXPECT_EQ(PasswordChangeLeftovers(dir.path()), std::vector<std::string>{}) << "round " << round;
    }
    EXPECT_GT(finished + undone, 0);
}

TEST(PasswordChange, AFolderThatTurnsReadOnlyDuringTheMovesIsUndoneAtTheNextStart) {
    if (!OtherAccount()) GTEST_SKIP() << "needs root to act as another account";
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path folder = dir.path() / "tables";
    fs::create_directories(folder);
    ASSERT_EQ(::chown(folder.c_str(), OtherAccount()->pw_uid, OtherAccount()->pw_gid), 0);
    // Another account changes the password while other programs hold the owners' and the
    // next table's locks; the folder turns read-only when the moves reach the owners.
    EXPECT_EQ(RunAsOtherAccount([&] {
                  { PasswordProgram create(folder, true, "old"); }
                  PasswordProgram a(folder, true, "old"), b(folder, true, "old"), c(folder, true, "old");
                  const fs::path owners = a.data->LockFileName(TableId::Owners);
                  const fs::path afterOwners = a.data->LockFileName(TableId::Links);
                  if (!b.locks.LockTableFile(owners) || !c.locks.LockTableFile(afterOwners)) return false;
                  const fs::path journal = folder / "Jano.keychange~";
                  int stage = 0;
                  a.locks.OnWait = [&] {
                      const bool moving = fs::exists(journal) && ReadWholeFile(journal) == "moving\n";
                      if (stage == 0) { // the owners' table is written beside its file
                          b.locks.UnlockTableFile();
                          stage = 1;
                      } else if (stage == 1 && !moving) { // then held again until the moves come
                          if (b.locks.LockTableFile(owners)) {
                              c.locks.UnlockTableFile();
                              stage = 2;
                          }
                      } else if (stage == 2 && moving) {
                          fs::permissions(folder, fs::perms(0555));
                          b.locks.UnlockTableFile();
                          stage = 3;
                      }
                      return true;
                  };
                  try {
                      ChangeTablePasswords(*a.data, a.frame, "new");
                  } catch (const PasswordChangeLeftUnderWay&) {
                      for (TableId id : kAllTables)
                          if (a.data->TableOf(id)->Password() != "old") return false;
                      return stage == 3;
                  }
                  return false;
              }),
              0);
    fs::permissions(folder, fs::perms(0755));
    ASSERT_TRUE(RecoverPasswordChange(folder, "Jano"));
    EXPECT_EQ(OpeningPassword(folder, {"old", "new"}), "old");
    EXPECT_EQ(PasswordChangeLeftovers(folder), std::vector<std::string>{});
}

TEST(PasswordChange, AChangeUnderWayInAnotherProgramIsLeftAlone) {
    TempFolder dir;
    PasswordProgram p(dir.path(), true, "old");
    const std::string before = ReadWholeFile(p.data->TableFileName(TableId::Address));
    FileLock other = TryLockFile(dir.path() / "Jano.keychange~");
    ASSERT_TRUE(other.Held());
    EXPECT_FALSE(RecoverPasswordChange(dir.path(), "Jano"));
    EXPECT_THROW(ChangeTablePasswords(*p.data, p.frame, "new"), FileError);
    EXPECT_EQ(ReadWholeFile(p.data->TableFileName(TableId::Address)), before);
    other.Release();
    ChangeTablePasswords(*p.data, p.frame, "new");
    EXPECT_EQ(OpeningPassword(dir.path(), {"old", "new"}), "new");
}

TEST(PasswordChange, CopiesOfPrivateTablesArePrivate) {
    TempFolder dir;
    const mode_t umask = ::umask(022);
    {
        PasswordProgram p(dir.path(), false, "old");
        for (TableId id : kAllTables) fs::permissions(p.data->TableFileName(id), fs::perms(0600));
        ChangeTablePasswords(*p.data, p.frame, "new");
        TTableLocks locks;
        locks.AutoBackup(dir.path(), "Jano", false);
    }
    ::umask(umask);
    size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("Jano_")) continue;
        ++seen;
        EXPECT_EQ(entry.status().permissions() & fs::perms::all, fs::perms(0600)) << name;
    }
    EXPECT_EQ(seen, 14u); // seven tables and their backups
}

// Sets an environment variable for a scope (unset when the value is null).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(CompanionSocket, WithoutARuntimeFolderItLiesInAFolderOfTheUsersOwnThatNoOtherAccountMadeFirst) {
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path temp = dir.path() / "tmp";
    fs::create_directories(temp);
    fs::permissions(temp, fs::perms(01777));
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv tmpdir("TMPDIR", temp.c_str());
    ScopedEnv cache("XDG_CACHE_HOME", (dir.path() / "cache").c_str());
    const auto ownPrivate = [](const fs::path& folder) {
        struct stat st {};
        return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
               (st.st_mode & 0777) == 0700;
    };
    const fs::path socket = WindowSocketPath("TMainForm", "KV-Zirt");
    ASSERT_FALSE(socket.empty());
    EXPECT_EQ(socket.parent_path().parent_path(), temp);
    EXPECT_TRUE(ownPrivate(socket.parent_path()));
    EXPECT_EQ(WindowSocketPath("TMainForm", "KV-Zirt"), socket); // the same folder again

    // Another account made the name first, as a folder of its own or as a link to one.
    if (!OtherAccount()) GTEST_SKIP() << "needs root to act as another account";
    const fs::path name = socket.parent_path();
    for (bool link : {false, true}) {
        fs::remove_all(name);
        EXPECT_EQ(RunAsOtherAccount([&] {
                      if (!link) return ::mkdir(name.c_str(), 0777) == 0 && ::chmod(name.c_str(), 0777) == 0;
                      return ::mkdir((temp / "theirs").c_str(), 0777) == 0 && ::symlink("theirs", name.c_str()) == 0;
                  }),
                  0);
        const fs::path taken = WindowSocketPath("TMainForm", "KV-Zirt");
        ASSERT_FALSE(taken.empty());
        EXPECT_NE(taken.parent_path(), name);
        EXPECT_NE(taken.parent_path().parent_path(), temp);
        EXPECT_TRUE(ownPrivate(taken.parent_path())) << taken;
    }
}

TEST(TableFiles, AtStartTheTemporariesOfInterruptedSavesOfTheUsersFilesGo) {
    TempFolder dir;
    const std::vector<std::string> stale = {".Jano_address.d.0123abcd.tmp", ".Jano_links.~d.ffffffff.tmp",
                                            ".Jano_tasks.bak.00000000.tmp", ".Jano.ucs.12345678.tmp"};
    const std::vector<std::string> kept = {"Jano_address.d", ".Eva_address.d.0123abcd.tmp",
                                           ".Jano_address.d.0123abcd.tmp.tmp", ".Jano_address.d.notahex!.tmp",
                                           "Zirt.ini"};
    for (const auto& names : {stale, kept})
        for (const auto& name : names) WriteFileDurably(dir.path() / name, "x");
    RemoveLocalTableTemporaries(dir.path(), "Jano");
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
}

void ExpectRefused(TDataSet& table, const char* name) {
    try {
        table.Open();
        ADD_FAILURE() << name << " was opened";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("Invalid table name"), std::string::npos) << e.what();
    }
}

TEST(TableFiles, NamesThatWouldReachOutsideTheirFolderAreRefused) {
    TempFolder dir;
    const fs::path inside = dir.path() / "db";
    fs::create_directory(inside);
    {
        TVolgaTable outside; // a real table beside the database folder
        outside.FieldDefs().Add("Number", ftString, 8);
        outside.Open();
        outside.SaveToFile(dir.path() / "escaped.d");
    }
    TVolgaDatabase db;
    db.SetDatabasePath(inside.string());
    for (const char* name : {"../escaped.d", "sub/../../escaped.d", "..", " "}) {
        TVolgaTable t;
        t.SetDatabase(&db);
        t.SetTableName(name);
        t.FieldDefs().Add("Number", ftString, 8);
        ExpectRefused(t, name);
    }

    const fs::path programFolder = fs::path(ProgramFileName()).parent_path();
    for (const char* name : {"../outside", "sub/../../outside", "a\\..\\outside"}) {
        TDbfTable t;
        t.SetTableName(name);
        t.SetOpenMode(omAutoCreate);
        t.FieldDefs().Add("NAME", ftString, 10);
        ExpectRefused(t, name);
    }
    EXPECT_FALSE(fs::exists(programFolder.parent_path() / "outside.dbf"));

    // A user prefix names the user's files in the table folder, nowhere else.
    TTableLocks locks;
    for (const char* prefix : {"../Jano", "a/b", "..", "Ja\nno", "  "}) {
        EXPECT_THROW(UserFileName(prefix, "_address.d"), FileError) << prefix;
        EXPECT_THROW(locks.AutoBackup(inside, prefix, false), FileError) << prefix;
        EXPECT_THROW(RemoveLocalTableTemporaries(inside, prefix), FileError) << prefix;
    }
    EXPECT_EQ(UserFileName("", "_address.d"), "_address.d");
    EXPECT_EQ(UserFileName("Ján", "_address.mpf"), "Ján_address.mpf");
}

TEST(TableFiles, IsSmallerFileCountsAMissingFileAsEmpty) {
    TempFolder dir;
    WriteFileDurably(dir.path() / "a", std::string(10, 'a'));
    WriteFileDurably(dir.path() / "b", std::string(11, 'b'));
    EXPECT_TRUE(IsSmallerFile(dir.path() / "a", dir.path() / "b"));
    EXPECT_FALSE(IsSmallerFile(dir.path() / "b", dir.path() / "a"));
    EXPECT_TRUE(IsSmallerFile(dir.path() / "none", dir.path() / "a"));
    EXPECT_FALSE(IsSmallerFile(dir.path() / "a", dir.path() / "none"));
    EXPECT_FALSE(IsSmallerFile(dir.path() / "none", dir.path() / "none"));
    EXPECT_THROW(IsSmallerFile(dir.path() / "a" / "below", dir.path() / "b"), FileError);
}


TEST(TableFiles, AutoBackupRefreshesABackupOnlyWhileTheTableGrows) {
    TempFolder dir;
    auto write = [&](const char* name, size_t size) { WriteFileDurably(dir.path() / name, std::string(size, 'x')); };
    auto size = [&](const char* name) { return fs::exists(dir.path() / name) ? fs::file_size(dir.path() / name) : 0; };
    write("Jano_address.d", 9000);
    write("Jano_address.bak", 10000);
    write("Jano_tasks.d", 11000);
    write("Jano_tasks.bak", 10000);
    write("Jano_links.d", 500);
    write("Jano.ucs", 70);
    TTableLocks locks;
    locks.AutoBackup(dir.path(), "Jano", false);
    EXPECT_EQ(size("Jano_address.bak"), 10000u); // a table that shrank keeps the larger backup
    EXPECT_EQ(size("Jano_tasks.bak"), 11000u);
    EXPECT_EQ(size("Jano_links.bak"), 500u);
    EXPECT_EQ(size("Jano.bak"), 70u);
    EXPECT_FALSE(fs::exists(dir.path() / "Jano_owners.bak")); // no table, no backup
    EXPECT_FALSE(fs::exists(dir.path() / "Jano_links.mpf"));   // local mode takes no lock

    // On the server each table is copied under its lock; a failure is reported after the rest.
    write("Jano_links.d", 600);
    write("Jano_tasks.d", 12000);
    fs::remove(dir.path() / "Jano_tasks.bak");
    fs::create_directories(dir.path() / "Jano_tasks.bak" / "in the way");
    write(".Jano_links.bak.0badf00d.tmp", 400); // an interrupted copy, removed under the lock
    TTableLocks other;
    ASSERT_TRUE(other.LockTableFile(dir.path() / "Jano_links.mpf"));
    int waits = 0;
    locks.OnWait = [&] {
        other.UnlockTableFile();
        return ++waits > 0;
    };
    try {
        locks.AutoBackup(dir.path(), "Jano", true);
        ADD_FAILURE() << "the failed copy was not reported";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Jano_tasks.bak"), std::string::npos) << e.what();
    }
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(size("Jano_links.bak"), 600u);
    EXPECT_FALSE(fs::exists(dir.path() / ".Jano_links.bak.0badf00d.tmp"));
    EXPECT_FALSE(locks.TableLockHeld());
    EXPECT_FALSE(fs::exists(dir.path() / "Jano_owners.mpf")); // nothing to copy, nothing to lock
}

} // namespace
} // namespace kvz
