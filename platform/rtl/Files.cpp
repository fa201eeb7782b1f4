#include "platform/rtl/Files.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Guid.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <utility>

namespace kvz {

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

FileError ErrorOf(const std::string& what, const fs::path& path, int error) {
    return FileError(what + " \"" + path.string() + "\": " + ErrorText(error), path, error);
}

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int error) { throw ErrorOf(what, path, error); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

void WriteAll(int fd, const char* data, size_t size, const fs::path& path) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write file", path, errno);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void StderrWarning(const FileError& warning) { std::fprintf(stderr, "%s\n", warning.what()); }

FileWarningHandler gWarning = StderrWarning;

void Warn(const FileError& warning) noexcept {
    try {
        gWarning(warning);
    } catch (...) {
        // A warning that cannot be shown must not turn what it reports into a failure.
    }
}

// Once the new file is moved in the save has happened, whatever the folder sync says: a
// caller told otherwise would cancel or repeat a change that is on disk.
void SyncFolderAfterMove(const fs::path& folder) noexcept {
    try {
        SyncFolder(folder);
    } catch (const FileError& e) {
        Warn(e);
    }
}

} // namespace

std::string ReadWholeFile(const fs::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) Fail("Cannot open file", path, errno);
    std::string content;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0) content.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read file", path, errno);
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    return content;
}

namespace {

// A temporary file of a durable write is "." + the file's name + "." + 8 hex digits + ".tmp".
constexpr size_t kTemporaryTail = 13;

bool IsTemporaryOf(std::string_view entry, std::string_view target) {
    if (entry.size() != target.size() + 1 + kTemporaryTail || entry[0] != '.' ||
        entry.substr(1, target.size()) != target)
        return false;
    const std::string_view tail = entry.substr(1 + target.size());
    if (tail[0] != '.' || tail.substr(9) != ".tmp") return false;
    for (char c : tail.substr(1, 8))
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

struct flock WholeFileLock(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock; // l_start, l_len and l_pid 0: the whole file, as open-file-description locks need
}

bool SameFile(int fd, const fs::path& path) {
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && held.st_nlink > 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Content that is all in memory, handed out as one piece.
DurableContent WholeContent(std::string_view content) {
    return [content](const DurableSink& sink) { sink(content); };
}

// A new, synced temporary file beside the target with the content. Its writer holds a lock on
// it until it is moved in or removed, so that no sweep of stale temporaries takes it meanwhile.
class Temporary {
public:
    Temporary(const fs::path& target, const DurableContent& produce, std::optional<mode_t> mode) {
        // The mode asked for, else the target's own, past the umask: the new file must not be
        // readable by more people than the one it replaces or copies.
        struct stat st {};
        if (!mode && ::stat(target.c_str(), &st) == 0) mode = st.st_mode & 0777;
        for (int attempt = 0;; ++attempt) {
            char suffix[kTemporaryTail + 1];
            std::snprintf(suffix, sizeof suffix, ".%08x.tmp", RandomUInt32());
            path_ = target.parent_path() / ("." + target.filename().string() + suffix);
            fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode.value_or(0644));
            if (fd_ < 0) {
                if (errno == EEXIST && attempt < 100) continue;
                Fail("Cannot create file", target, errno);
            }
            struct flock lock = WholeFileLock(F_WRLCK);
            // A sweep that met the new name before it was locked has removed or is removing it.
            if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0 && SameFile(fd_, path_)) break;
            ::close(fd_);
            fd_ = -1;
            if (attempt == 100) Fail("Cannot create file", target, EAGAIN);
        }
        try {
            if (mode && ::fchmod(fd_, *mode) != 0 && errno != EPERM) Fail("Cannot create file", target, errno);
            // A large file is sent on to the disk while the rest is made, so that the sync at
            // the end waits for little more than the last part. A hint only: the sync decides.
            constexpr off_t kWriteBack = off_t(8) << 20;
            off_t written = 0;
            [[maybe_unused]] off_t sent = 0;
            produce([&](std::string_view piece) {
                WriteAll(fd_, piece.data(), piece.size(), target);
                written += static_cast<off_t>(piece.size());
#if defined(__linux__)
                if (written - sent >= kWriteBack) {
                    ::sync_file_range(fd_, sent, written - sent, SYNC_FILE_RANGE_WRITE);
                    sent = written;
                }
#endif
            });
            if (::fsync(fd_) != 0) Fail("Cannot write file", target, errno);
        } catch (...) {
            Remove();
            throw;
        }
    }
    ~Temporary() { Remove(); }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    const fs::path& Path() const { return path_; }
    // Moved in: the name is the target's now. Closing drops the lock, and reports what the
    // file system could not write back.
    void Moved(const fs::path& target) {
        moved_ = true;
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0 && errno != EINTR) Warn(ErrorOf("Cannot close file", target, errno));
    }

private:
    void Remove() noexcept {
        if (fd_ < 0) return;
        if (!moved_) ::unlink(path_.c_str());
        ::close(fd_);
        fd_ = -1;
    }

    fs::path path_;
    int fd_ = -1;
    bool moved_ = false;
};

thread_local ScopedReplaceCheck* gReplaceChecks = nullptr;

// Moves the temporary file over the target once the checks allow it.
void MoveIn(Temporary& temp, const fs::path& target) {
    RunReplaceChecks(target);
    if (::rename(temp.Path().c_str(), target.c_str()) != 0) Fail("Cannot replace file", target, errno);
    temp.Moved(target);
}

void WriteDurably(const fs::path& path, const DurableContent& produce, std::optional<mode_t> mode) {
    // The rename would replace it: a file made read-only is kept as the user made it.
    if (IsReadOnlyFile(path)) Fail("Cannot replace file", path, EACCES);
    Temporary temp(path, produce, mode);
    MoveIn(temp, path);
    SyncFolderAfterMove(path.parent_path());
}

// Removes a temporary file unless its writer is alive: the sweep holds the file's lock while it
// removes it, so a writer that opened it meanwhile sees its file gone and takes another name.
void RemoveIfNotWritten(const fs::path& temp) {
    int fd = ::open(temp.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const bool readOnly = fd < 0 && (errno == EACCES || errno == EPERM);
    if (readOnly) fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return;
    if (fd >= 0) {
        Fd held(fd);
        struct flock lock = WholeFileLock(F_WRLCK);
        if (readOnly) {
            // Another account's file that this one cannot lock: only asked whether it is locked.
            if (::fcntl(fd, F_OFD_GETLK, &lock) != 0 || lock.l_type != F_UNLCK) return;
        } else if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
            return; // its writer is at work
        }
        if (::unlink(temp.c_str()) != 0 && errno != ENOENT) Warn(ErrorOf("Cannot remove temporary file", temp, errno));
        return;
    }
    // Not a file that opens (a link to nowhere, a socket): nothing writes into it.
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT) Warn(ErrorOf("Cannot remove temporary file", temp, errno));
}

} // namespace

ScopedReplaceCheck::ScopedReplaceCheck(fs::path target, std::function<void()> check)
    : target_(std::move(target)), check_(std::move(check)), previous_(gReplaceChecks) {
    gReplaceChecks = this;
}

ScopedReplaceCheck::~ScopedReplaceCheck() { gReplaceChecks = previous_; }

void RunReplaceChecks(const fs::path& target) {
    // The innermost writer of the file is the one writing it now.
    for (ScopedReplaceCheck* check = gReplaceChecks; check; check = check->previous_)
        if (check->target_ == target) {
            check->check_();
            return;
        }
}

void SyncFolder(const fs::path& folder) {
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) Fail("Cannot open folder", folder, errno);
    if (::fsync(dir.get()) != 0 && errno != EINVAL) Fail("Cannot sync folder", folder, errno);
}

bool IsReadOnlyFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

void WriteFileDurably(const fs::path& path, std::string_view content) {
    WriteDurably(path, WholeContent(content), std::nullopt);
}

void WriteFileDurably(const fs::path& path, const DurableContent& produce) { WriteDurably(path, produce, std::nullopt); }

bool CreateFileDurably(const fs::path& path, std::string_view content) {
    Temporary temp(path, WholeContent(content), std::nullopt);
    RunReplaceChecks(path);
    // Moved in only when nothing is there; file systems without that move get a hard link.
    int result = ::renameat2(AT_FDCWD, temp.Path().c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) result = ::link(temp.Path().c_str(), path.c_str());
    if (result != 0) {
        if (errno == EEXIST) return false;
        Fail("Cannot create file", path, errno);
    }
    if (CheckPath(temp.Path()) == PathState::Present) ::unlink(temp.Path().c_str()); // the hard link's other name
    temp.Moved(path);
    SyncFolderAfterMove(path.parent_path());
    return true;
}

void ReportFileWarning(const FileError& warning) noexcept { Warn(warning); }

FileWarningHandler SetFileWarningHandler(FileWarningHandler handler) {
    return std::exchange(gWarning, handler ? std::move(handler) : FileWarningHandler(StderrWarning));
}

void CopyFileDurably(const fs::path& from, const fs::path& to) {
    std::string content = ReadWholeFile(from);
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) Fail("Cannot read file", from, errno);
    WriteDurably(to, WholeContent(content), st.st_mode & 0777);
}

void GiveModeOf(const fs::path& file, const fs::path& model) {
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0) Fail("Cannot read file", model, errno);
    const mode_t mode = st.st_mode & 0777;
    Fd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode));
    if (fd.get() < 0) Fail("Cannot create file", file, errno);
    if (::fchmod(fd.get(), mode) != 0) Fail("Cannot change the mode of file", file, errno);
}

void MoveFileDurably(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) Fail("Cannot rename file", from, errno);
    SyncFolderAfterMove(to.parent_path());
}

void RemoveStaleTemporaries(const fs::path& folder, const std::vector<std::string>& targets) {
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        for (const std::string& target : targets) {
            if (!IsTemporaryOf(entry, target)) continue;
            RemoveIfNotWritten(it->path());
            break;
        }
    }
    if (ec) Warn(ErrorOf("Cannot read folder", folder, ec.value()));
}

PathState CheckPath(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return PathState::Present;
    return errno == ENOENT ? PathState::Absent : PathState::Unknown;
}

std::optional<fs::path> FindNoCase(const fs::path& folder, std::string_view name) {
    const fs::path exact = folder / std::string(name);
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact;
    auto lower = [](std::string_view s) { return Utf8Lower(s); };
    const std::string wanted = lower(name);
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (lower(it->path().filename().string()) == wanted) return folder / it->path().filename();
    }
    return std::nullopt;
}

fs::path ExistingOrCanonical(const fs::path& folder, std::string_view name) {
    auto found = FindNoCase(folder, name);
    return found ? *found : folder / std::string(name);
}

} // namespace kvz
