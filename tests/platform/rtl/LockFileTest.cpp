#include "platform/rtl/Files.h"
#include "platform/rtl/LockFile.h"

#include "TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

TEST(LockFile, OneHolderAtATimeAndAskingNeverDropsTheLock) {
    TempFolder dir;
    const auto file = dir.path() / "Jano_address.mpf";
    EXPECT_FALSE(IsFileLocked(file)); // a missing lock file is free
    FileLock first = TryLockFile(file);
    ASSERT_TRUE(first.Held());
    EXPECT_EQ(fs::file_size(file), 0u); // created empty
    EXPECT_TRUE(IsFileLocked(file));
    EXPECT_TRUE(IsFileLocked(file)); // the question closed its own descriptor only
    EXPECT_FALSE(TryLockFile(file).Held()); // another open of this very process is refused too

    FileLock moved = std::move(first);
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(IsFileLocked(file));
    {
        FileLock scoped = std::move(moved);
    }
    EXPECT_FALSE(IsFileLocked(file));
    FileLock again = TryLockFile(file);
    EXPECT_TRUE(again.Held());
    again.Release();
    EXPECT_FALSE(IsFileLocked(file));
}

TEST(LockFile, FailuresOtherThanAHolderAreErrors) {
    TempFolder dir;
    WriteFileDurably(dir.path() / "plain", "x");
    EXPECT_THROW(TryLockFile(dir.path() / "missing" / "a.mpf"), FileError);
    EXPECT_THROW(IsFileLocked(dir.path() / "plain" / "a.mpf"), FileError);
}

TEST(LockFile, OnlyARegularFileOfItsOwnNameIsALockFileAndItIsShared) {
    TempFolder dir;
    WriteFileDurably(dir.path() / "table.d", "rows");
    fs::create_symlink(dir.path() / "table.d", dir.path() / "link.mpf");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling.mpf");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo.mpf").c_str(), 0666), 0);
    fs::create_directory(dir.path() / "folder.mpf");
    for (const char* name : {"link.mpf", "dangling.mpf", "fifo.mpf", "folder.mpf"}) {
        EXPECT_THROW(TryLockFile(dir.path() / name), FileError) << name;
        EXPECT_THROW(IsFileLocked(dir.path() / name), FileError) << name;
    }
    EXPECT_EQ(ReadWholeFile(dir.path() / "table.d"), "rows");
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));

    // Whoever may write into the folder may take the lock, whatever the umask.
    const mode_t umask = ::umask(077);
    fs::permissions(dir.path(), fs::perms(0770));
    EXPECT_TRUE(TryLockFile(dir.path() / "a.mpf").Held());
    CreateLockFile(dir.path() / "b.mpf");
    ::umask(umask);
    for (const char* name : {"a.mpf", "b.mpf"})
        EXPECT_EQ(fs::status(dir.path() / name).permissions() & fs::perms::all, fs::perms(0660)) << name;

    // An old lock file of this account gets the folder's bits; a private file linked in a lock
    // file's place keeps its own.
    WriteFileDurably(dir.path() / "private", "secret");
    fs::permissions(dir.path() / "private", fs::perms(0600));
    fs::create_hard_link(dir.path() / "private", dir.path() / "linked.mpf");
    CreateLockFile(dir.path() / "old.mpf");
    fs::permissions(dir.path() / "old.mpf", fs::perms(0600));
    for (const char* name : {"linked.mpf", "old.mpf"}) EXPECT_TRUE(TryLockFile(dir.path() / name).Held()) << name;
    EXPECT_EQ(fs::status(dir.path() / "private").permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_EQ(fs::status(dir.path() / "old.mpf").permissions() & fs::perms::all, fs::perms(0660));
}

TEST(LockFile, TheLockDiesWithTheProcessThatHeldIt) {
    TempFolder dir;
    const auto file = dir.path() / "Jano_tasks.mpf";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLock lock = TryLockFile(file);
        const char held = lock.Held() ? '1' : '0';
        (void)!::write(ready[1], &held, 1);
        ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, '1');
    EXPECT_TRUE(IsFileLocked(file));
    EXPECT_FALSE(TryLockFile(file).Held());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(IsFileLocked(file));
    EXPECT_TRUE(TryLockFile(file).Held());
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace kvz
