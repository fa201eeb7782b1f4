// Ini files with the semantics of the platform's profile files: sections and keys found
// without regard to case, values trimmed, the file kept in its code page (the data code page
// unless told otherwise). Changes are held in memory until UpdateFile writes the whole file
// durably; nothing is written behind the caller's back.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class IniFile {
public:
    // Reads the file when it exists; a missing file is an empty one. Throws FileError when
    // the file exists but cannot be read.
    explicit IniFile(std::filesystem::path path, int codePage = 0);

    const std::filesystem::path& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // A decimal or hexadecimal ("$" or "0x") number; the default when missing or not a number.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // Throws CodePageError when the value holds a character the file's code page cannot hold.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view section) const;       // keys
    std::vector<std::string> ReadSectionValues(std::string_view section) const; // "key=value"
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);

    bool Modified() const { return modified_; }
    // Writes the whole file through the durable writer; throws FileError.
    void UpdateFile();

private:
    struct Entry {
        std::string key; // empty for a line kept as it was (comment, blank)
        std::string value;
        std::string raw;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    const Entry* FindEntry(std::string_view section, std::string_view key) const;

    std::filesystem::path path_;
    int codePage_;
    std::vector<std::string> header_; // lines before the first section
    std::vector<Section> sections_;
    bool modified_ = false;
};

} // namespace kvz
