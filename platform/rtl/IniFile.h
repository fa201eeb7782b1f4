// Ini files with the semantics of the platform's profile files: sections and keys found
// without regard to case, values trimmed, lines ended by CR LF, LF or CR alike, the file kept
// in its code page (the data code page unless told otherwise). Changes are held in memory
// until UpdateFile writes the whole file durably; nothing is written behind the caller's back.
#pragma once

#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
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
    // Throws CodePageError when the value holds a character the file's code page cannot hold,
    // and std::invalid_argument for a line break in the section, key or value (it would make
    // lines of its own in the file).
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
    // Names and keys are found by their case-folded form, folded once.
    struct Section {
        std::string name;
        std::string raw; // the section line as read (kept as it was), empty for a new section
        std::list<Entry> entries;
        std::unordered_map<std::string, std::list<Entry>::iterator> index; // the first of each key
    };
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    const Entry* FindEntry(std::string_view section, std::string_view key) const;
    Section& AddSection(std::string name, std::string raw);
    static void AddEntry(Section& section, std::list<Entry>::iterator at, Entry entry);

    std::filesystem::path path_;
    int codePage_;
    std::vector<std::string> header_; // lines before the first section
    std::list<Section> sections_;
    std::unordered_map<std::string, std::list<Section>::iterator> sectionIndex_; // the first of each name
    bool modified_ = false;
};

} // namespace kvz
