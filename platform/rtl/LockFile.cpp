#include "platform/rtl/LockFile.h"

#include "platform/rtl/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

int OpenRetrying(const fs::path& path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
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

FileLock TryLockFile(const fs::path& path) {
    const int fd = OpenRetrying(path, O_RDWR | O_CREAT, 0666);
    if (fd < 0) Fail("Cannot open lock file", path, errno);
    FileLock lock;
    lock.fd_ = fd;
    lock.path_ = path;
    struct flock request = WholeFile(F_WRLCK);
    int result;
    do result = ::fcntl(fd, F_OFD_SETLK, &request);
    while (result != 0 && errno == EINTR);
    if (result == 0) return lock;
    const int error = errno;
    lock.Release();
    if (error == EAGAIN || error == EACCES) return FileLock();
    Fail("Cannot lock file", path, error);
}

bool IsFileLocked(const fs::path& path) {
    const int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) return false;
        Fail("Cannot open lock file", path, errno);
    }
    struct flock query = WholeFile(F_WRLCK);
    const int result = ::fcntl(fd, F_OFD_GETLK, &query);
    const int error = errno;
    ::close(fd); // an open-file-description lock of another open is not touched by this
    if (result != 0) Fail("Cannot test lock file", path, error);
    return query.l_type != F_UNLCK;
}

} // namespace kvz
