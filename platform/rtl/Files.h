// Reading whole files and writing them durably: a reader never sees half a file, and on any
// failure the old file stays as it was.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

namespace fs = std::filesystem;

class FileError : public std::runtime_error {
public:
    FileError(const std::string& message, fs::path path, int error)
        : std::runtime_error(message), path_(std::move(path)), error_(error) {}
    const fs::path& Path() const { return path_; }
    int Error() const { return error_; } // errno, 0 when none
private:
    fs::path path_;
    int error_;
};

std::string ReadWholeFile(const fs::path& path);

// Whether the file is there with no write permission for anyone: the user made it read-only.
bool IsReadOnlyFile(const fs::path& path);

// Writes the content to a new temporary file in the same folder, syncs it, renames it over
// the target and syncs the folder. Throws FileError; the old file is then untouched. A folder
// that cannot be synced after the rename is a warning (the save has happened), not an error.
// A read-only file is refused (EACCES).
void WriteFileDurably(const fs::path& path, std::string_view content);
// Writes a new file as durably, but only when nothing is at the path: false when something
// is (it is then left as it was).
bool CreateFileDurably(const fs::path& path, std::string_view content);
// Where warnings of the file layer go (stderr unless set); returns the handler it replaces.
using FileWarningHandler = std::function<void(const FileError& warning)>;
FileWarningHandler SetFileWarningHandler(FileWarningHandler handler);
// Passes a warning to the handler (a failure of the handler is not the caller's).
void ReportFileWarning(const FileError& warning) noexcept;
// A durable copy of one file over another (backups before a save). The copy has the mode of
// the file it copies, so a private file never gets copies that others can read.
void CopyFileDurably(const fs::path& from, const fs::path& to);
// Gives a file the mode of another before a copy of that other is written into it (made empty
// when missing): a durable write keeps the mode of the file it replaces. Throws FileError.
void GiveModeOf(const fs::path& file, const fs::path& model);
// Renames a file or folder over the target in the same file system and syncs the folder: the
// target is the old or the new one at every moment. Throws FileError.
void MoveFileDurably(const fs::path& from, const fs::path& to);

// Removes the temporary files that interrupted durable writes of the named files of the folder
// left behind. A temporary file that a live writer still writes is kept (each writer holds a
// lock on its own temporary file until it is moved in); what cannot be removed is a warning.
void RemoveStaleTemporaries(const fs::path& folder, const std::vector<std::string>& targets);

// While it lives, every durable write of the file at the path on this thread runs the check
// once its temporary file is written, right before the rename: a check that throws leaves the
// old file as it was (the temporary file is removed) and its exception reaches the writer.
class ScopedReplaceCheck {
public:
    ScopedReplaceCheck(fs::path target, std::function<void()> check);
    ~ScopedReplaceCheck();
    ScopedReplaceCheck(const ScopedReplaceCheck&) = delete;
    ScopedReplaceCheck& operator=(const ScopedReplaceCheck&) = delete;

private:
    fs::path target_;
    std::function<void()> check_;
    ScopedReplaceCheck* previous_;
    friend void RunReplaceChecks(const fs::path& target);
};
// Runs the checks that hold for the path (for writers that move a temporary file in themselves).
void RunReplaceChecks(const fs::path& target);

// Syncs a folder, so that a new or removed name in it survives a crash. Throws FileError.
void SyncFolder(const fs::path& folder);

// Whether a path is there, absent, or cannot be checked (no permission, a broken share):
// "absent" alone allows creating a new file in its place.
enum class PathState { Present, Absent, Unknown };
PathState CheckPath(const fs::path& path);

// An existing entry of the folder whose name equals the given one without regard to case
// (the exact name first); none when there is no such entry.
std::optional<fs::path> FindNoCase(const fs::path& folder, std::string_view name);
// The existing entry found without regard to case, else the folder joined with the name.
fs::path ExistingOrCanonical(const fs::path& folder, std::string_view name);

} // namespace kvz
