// The sender addresses printed on envelopes: small text files in the data folder, "Odos.txt"
// and "Odos1.txt", "Odos2.txt", ..., one sender each, in the data code page with CR LF after
// every line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// Whether the name is a sender file's: "Odos.txt", or "Odos" with a number from 1 (no leading
// zeros) and ".txt", letter case as written.
bool IsSenderFileName(std::string_view name);
// The number in a sender file's name: 0 for "Odos.txt".
long SenderFileNumber(std::string_view name);

// Reads a sender file: its lines as UTF-8, joined by "\n". FileError when it cannot be read.
std::string LoadSenderText(const std::filesystem::path& file);
// Writes the text (lines joined by "\n", "\r\n" or "\r") durably in the data code page with CR
// LF after every line. A letter the code page cannot hold is refused (CodePageError) and the
// file stays as it was.
void SaveSenderText(const std::filesystem::path& file, std::string_view text);

// The sender files of a data folder and the one in use.
class TSenderFiles {
public:
    explicit TSenderFiles(std::filesystem::path dataFolder) : folder_(std::move(dataFolder)) {}

    // LoadSenderAddress: the sender files of the folder (regular files only), by their number.
    void Scan();
    const std::vector<std::string>& Names() const { return names_; }
    int Count() const { return int(names_.size()); }
    // The file at the index; an index outside the list is the first file. Nothing with no files.
    std::optional<std::filesystem::path> FileAt(int index) const;
    // The index that a stored index stands for: itself when within the list, else 0.
    int ValidIndex(int index) const { return index >= 0 && index < Count() ? index : 0; }
    // NextSenderFileName: the first of "Odos.txt", "Odos1.txt", ... that the folder held
    // nothing of at the scan (no sender, nor a pipe, device or folder of that name).
    std::string NextName() const;
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::vector<std::string> names_;
    std::vector<std::string> taken_; // every entry of a sender's name, whatever it is
};

} // namespace kvz
