// Lock files of shared tables: a table's lock is a write lock on the whole of its lock file,
// held through an open-file-description lock, so it belongs to one open of the file (not to the
// process), dies with the process that held it, and conflicts with every other open, this
// process's own included.
#pragma once

#include <filesystem>

namespace kvz {

// A held lock; released when the object is released or destroyed, on every path.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::filesystem::path& Path() const { return path_; }
    // Whether the path still names the locked file: false once someone removed or replaced it,
    // when another writer may take a lock of its own on a new file of that name.
    bool StillNamed() const;
    void Release() noexcept;

private:
    friend FileLock TryLockFile(const std::filesystem::path& path);
    int fd_ = -1;
    std::filesystem::path path_;
};

// One atomic try at the lock; the lock file is created empty when it is missing. Another
// holder gives a lock that is not held; any other failure throws FileError. A lock file is
// never opened through a symbolic link, and anything but a regular file is refused.
// Lock files are made readable and writable by everyone who may write into their folder.
FileLock TryLockFile(const std::filesystem::path& path);

// Makes the empty lock file when nothing is at the path (as TryLockFile makes it).
void CreateLockFile(const std::filesystem::path& path);

// Whether any open of the file holds a lock on it. Asks on a descriptor of its own, so a lock
// that this process holds stays held. A missing file is not in use; a file that cannot be
// checked throws FileError.
bool IsFileLocked(const std::filesystem::path& path);

} // namespace kvz
