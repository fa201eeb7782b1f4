// The version marker "version.inf" in the program folder: whether the data of the older layout
// inside the program folder have been moved to the shared data folder.
//
// A file of 102-byte records of which record 0 alone is used:
//   offset 0   1 byte    length of the version text (0..50)
//   offset 1   50 bytes  version text, single-byte characters of the data code page
//   offset 51  1 byte    length of the state text (0..50)
//   offset 52  50 bytes  state text: "copied" or "uncopied"
// Bytes beyond a length are padding (written as zeros, never read).
#pragma once

#include <filesystem>
#include <string>

namespace kvz {

inline constexpr const char* kVersionInfoFileName = "version.inf";
inline constexpr const char* kVersionText = "KV-Zirt 3.5";
inline constexpr const char* kCopiedState = "copied";
inline constexpr const char* kUncopiedState = "uncopied";

struct TVersionInfoRec {
    static constexpr size_t kSize = 102;
    static constexpr size_t kTextSize = 50;
    std::string Version; // UTF-8
    std::string State;

    // A text longer than its field is cut to the field.
    std::string Encode() const;
    // Throws FileError (EIO) for a record shorter than kSize.
    static TVersionInfoRec Decode(std::string_view record, const std::filesystem::path& file);
};

struct DataVersion {
    std::string Version;
    bool MigrationNeeded = false;
};

// Reads the marker of the folder; a missing one is written with the version text and
// "uncopied". "copied" clears the migration flag, "uncopied" sets it, another state leaves it
// off. Throws FileError for a marker that cannot be read or written.
DataVersion CheckDataVersion(const std::filesystem::path& folder);
// Writes record 0 with the version text and the state, durably.
void WriteDataVersion(const std::filesystem::path& folder, const std::string& state);

} // namespace kvz
