#include "platform/rtl/Files.h"
#include "platform/rtl/LockFile.h"

#include "TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
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
