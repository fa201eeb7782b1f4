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

void SyncFolder(const fs::path& folder) {
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) Fail("Cannot open folder", folder, errno);
    if (::fsync(dir.get()) != 0 && errno != EINVAL) Fail("Cannot sync folder", folder, errno);
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

// The content in a new, synced temporary file beside the path; its name is returned.
fs::path WriteTemporary(const fs::path& path, const std::function<void(const DurableSink& sink)>& produce) {
    char suffix[kTemporaryTail + 1];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", RandomUInt32());
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + suffix);
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0) Fail("Cannot create file", path, errno);
    try {
        produce([&](std::string_view piece) { WriteAll(fd.get(), piece.data(), piece.size(), path); });
        if (::fsync(fd.get()) != 0) Fail("Cannot write file", path, errno);
        if (::close(fd.release()) != 0) Fail("Cannot write file", path, errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    return temp;
}

} // namespace

bool IsReadOnlyFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

void WriteFileDurably(const fs::path& path, std::string_view content) {
    WriteFileDurably(path, [content](const DurableSink& sink) { sink(content); });
}

void WriteFileDurably(const fs::path& path, const std::function<void(const DurableSink& sink)>& produce) {
    // The rename would replace it: a file made read-only is kept as the user made it.
    if (IsReadOnlyFile(path)) Fail("Cannot replace file", path, EACCES);
    const fs::path temp = WriteTemporary(path, produce);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("Cannot replace file", path, error);
    }
    SyncFolderAfterMove(path.parent_path());
}

bool CreateFileDurably(const fs::path& path, std::string_view content) {
    const fs::path temp = WriteTemporary(path, [content](const DurableSink& sink) { sink(content); });
    // Moved in only when nothing is there; file systems without that move get a hard link.
    int result = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        result = ::link(temp.c_str(), path.c_str());
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
    }
    if (result != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        if (error == EEXIST) return false;
        Fail("Cannot create file", path, error);
    }
    SyncFolderAfterMove(path.parent_path());
    return true;
}

FileWarningHandler SetFileWarningHandler(FileWarningHandler handler) {
    return std::exchange(gWarning, handler ? std::move(handler) : FileWarningHandler(StderrWarning));
}

void CopyFileDurably(const fs::path& from, const fs::path& to) { WriteFileDurably(to, ReadWholeFile(from)); }

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
            if (::unlink(it->path().c_str()) != 0 && errno != ENOENT)
                Warn(ErrorOf("Cannot remove temporary file", it->path(), errno));
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
