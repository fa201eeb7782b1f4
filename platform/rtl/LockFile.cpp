#include "platform/rtl/LockFile.h"

#include "platform/rtl/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kvz {

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int error) {
    throw FileError(what + " \"" + path.string() + "\": " + std::strerror(error), path, error);
}

struct flock WholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // to the end, however long the file grows
    lock.l_pid = 0; // required by open-file-description locks
    return lock;
}

// Never through a symbolic link, and never blocking on a pipe put in the lock file's place.
int OpenRetrying(const fs::path& path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

[[noreturn]] void FailOpen(const fs::path& path, int error) {
    if (error == ELOOP) Fail("Lock file is a symbolic link", path, error);
    Fail("Cannot open lock file", path, error);
}

// Everyone who may write into the folder may take the lock: the lock file has the folder's
// read and write bits, whatever the umask of the program that made it.
mode_t SharedMode(const fs::path& file) {
    const fs::path folder = file.parent_path();
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return 0600;
    return (st.st_mode & 0666) | 0600;
}

// The descriptor of a regular file, or a failure; closes it otherwise.
int CheckRegular(int fd, const fs::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        Fail("Cannot open lock file", path, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        Fail("Lock file is not a regular file", path, EINVAL);
    }
    // Lock files made before they were shared get the folder's bits from their owner; only a
    // real lock file (empty, one name), never a file that someone linked in its place.
    const mode_t shared = SharedMode(path);
    if (st.st_uid == ::geteuid() && st.st_nlink == 1 && st.st_size == 0 && (st.st_mode & 0666) != shared)
        (void)::fchmod(fd, shared);
    return fd;
}

// A new lock file with the folder's bits, past the umask (a share without modes keeps its
// own); -1 with errno when it cannot be made or something is there.
int CreateShared(const fs::path& path) {
    const mode_t mode = SharedMode(path);
    const int fd = OpenRetrying(path, O_RDWR | O_CREAT | O_EXCL, mode);
    if (fd >= 0) (void)::fchmod(fd, mode);
    return fd;
}

// Opens the lock file for writing, made when missing (an "exists" race is tried again).
int OpenForLock(const fs::path& path) {
    for (;;) {
        int fd = OpenRetrying(path, O_RDWR);
        if (fd >= 0) return CheckRegular(fd, path);
        if (errno != ENOENT) FailOpen(path, errno);
        fd = CreateShared(path);
        if (fd >= 0) return fd;
        if (errno != EEXIST) FailOpen(path, errno);
    }
}

} // namespace

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

void FileLock::Release() noexcept {
    // Closing the last descriptor of the open file description drops its lock.
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileLock::StillNamed() const {
    if (fd_ < 0) return false;
    struct stat held {}, named {};
    if (::fstat(fd_, &held) != 0 || held.st_nlink == 0) return false;
    if (::lstat(path_.c_str(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

FileLock TryLockFile(const fs::path& path) {
    // A lock file removed (and perhaps made again) between the open and the lock would give
    // a lock that excludes no one: the lock counts only while the path names the locked file.
    constexpr int kTries = 100;
    for (int attempt = 1;; ++attempt) {
        FileLock lock;
        lock.fd_ = OpenForLock(path);
        lock.path_ = path;
        struct flock request = WholeFile(F_WRLCK);
        int result;
        do result = ::fcntl(lock.fd_, F_OFD_SETLK, &request);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            const int error = errno;
            if (error == EAGAIN || error == EACCES) return FileLock();
            Fail("Cannot lock file", path, error);
        }
        if (lock.StillNamed()) return lock;
        if (attempt == kTries) Fail("Cannot lock file", path, ESTALE);
    }
}

void CreateLockFile(const fs::path& path) {
    const int fd = CreateShared(path);
    if (fd >= 0)
        ::close(fd);
    else if (errno != EEXIST)
        Fail("Cannot create lock file", path, errno);
}

bool IsFileLocked(const fs::path& path) {
    int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) return false;
        FailOpen(path, errno);
    }
    fd = CheckRegular(fd, path);
    struct flock query = WholeFile(F_WRLCK);
    const int result = ::fcntl(fd, F_OFD_GETLK, &query);
    const int error = errno;
    ::close(fd); // an open-file-description lock of another open is not touched by this
    if (result != 0) Fail("Cannot test lock file", path, error);
    return query.l_type != F_UNLCK;
}

} // namespace kvz
