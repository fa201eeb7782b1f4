// dBASE table files as other programs write them: the header, the field descriptors, the
// records and the ".dbt" memo file. Files are read whole into memory; changes stay there until
// Save writes them whole and durably, so reading a user's file never changes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// Every failure of a dBASE file: a missing or damaged file, a bad field list, a value that
// does not fit.
class EDbfFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Little-endian integers of the files.
uint32_t DbfLe32(std::string_view bytes, size_t at);
uint16_t DbfLe16(std::string_view bytes, size_t at);
void DbfPutLe(std::string& out, size_t at, uint32_t value, int size);

// The first 32 bytes of a table file (integers little-endian).
struct TDbfHeader {
    uint8_t Version = 3;
    uint8_t Year = 0; // minus 1900
    uint8_t Month = 0;
    uint8_t Day = 0;
    uint32_t RecordCount = 0;
    uint16_t HeaderLength = 0;
    uint16_t RecordLength = 0;
    uint8_t LanguageId = 0; // byte 29: the code page of the texts

    std::string Encode() const;
    static TDbfHeader Decode(std::string_view bytes); // at least 32 bytes
    // The date of the last update: today.
    void StampToday();
};

// How the fields of a file of one version byte are laid out.
struct TDbfVersionInfo {
    int VersionClass = 3;  // 2 dBASE III with memo, 3 dBASE III/IV, 5 level 7, 6 and 7 FoxPro
    int HeaderSize = 32;   // bytes before the first field descriptor
    int DescriptorSize = 32;
    bool BigEndianBinary = true; // "I" and "+" fields: level 7 big-endian, FoxPro little-endian
};
TDbfVersionInfo DbfVersionInfo(uint8_t versionByte);

// The language byte that readers of today take for a code page; 0 when none is known.
// oem chooses the table of the OEM code pages (the partners of the ANSI ones).
uint8_t DbfLanguageByteOf(int codePage, bool oem);
// The code page of a file's texts by its language byte; 0 when the byte names none.
int DbfCodePageOfLanguageByte(uint8_t languageId);

// What a field holds, by its type letter.
enum class TDbfFieldKind : uint8_t {
    Unknown,
    String,
    Smallint,
    Integer,
    Largeint,
    Float,
    Date,
    Boolean,
    Memo,
    Blob,
    Graphic,
    AutoInc,
    DateTime,
};

struct TDbfFieldDef {
    std::string FieldName;     // as stored (code-page bytes), upper-cased
    char NativeFieldType = 0;  // the type letter, upper-case; 0 for an unknown one
    TDbfFieldKind FieldType = TDbfFieldKind::Unknown;
    int Size = 0;       // the size offered to the dataset (limited by the type)
    int Prec = 0;       // decimals
    int StoredSize = 0; // bytes in the record
    int Offset = 0;     // in the record; 1 is the first byte after the deletion flag
    uint32_t AutoIncNext = 0;
    bool IsMemo() const { return FieldType == TDbfFieldKind::Memo || FieldType == TDbfFieldKind::Blob || FieldType == TDbfFieldKind::Graphic; }
};

// Sets the kind, size and decimals that a type letter gives (the letter itself as stored).
void NormaliseDbfField(TDbfFieldDef& def, char letter, int storedSize, int storedPrec);

// Descriptors as laid out in a dBASE III file: name (10 characters at most), letter, offset,
// width, decimals.
std::string EncodeDbfDescriptor(std::string_view name, char letter, uint32_t offset, uint8_t width,
                                uint8_t decimals);

// A value of a field, decoded from the record.
struct TDbfValue {
    enum Kind { Null, Text, Integer, Float, Boolean, DateTime, Memo } kind = Null;
    std::string text;     // Text: code-page bytes, trimmed; Memo: the block text
    int64_t integer = 0;
    double number = 0;    // Float; DateTime: days since 30 December 1899
    bool boolean = false;
};

// The ".dbt" memo file of a table.
class TDBTFile {
public:
    // Reads the file whole; throws EDbfFileError.
    TDBTFile(const std::filesystem::path& path, int versionClass);
    TDBTFile(std::string content, int versionClass);
    // The memo starting at that block; empty for block 0. A block past the end of the file is
    // an error; a length running past it gives what is there.
    std::string ReadMemo(uint32_t block) const;
    uint32_t BlockSize() const { return blockSize_; }
    // Stores a memo into its old blocks when it still fits there, else from the next free
    // block; returns its first block (0 for an empty memo).
    uint32_t WriteMemo(uint32_t oldBlock, std::string_view bytes);
    const std::string& Content() const { return content_; }
    // A new memo file's bytes: the header block with the next free block 1.
    static std::string Empty(int versionClass);

private:
    void Init();
    uint64_t BlocksOf(uint64_t bytes) const { return (bytes + blockSize_ - 1) / blockSize_; }
    std::string content_;
    int versionClass_;
    uint32_t blockSize_ = 512;
};

// A table file (with its memo file). The header is checked against the file's size before
// anything else is read; records are read as they are asked for, in bounded blocks, so a huge
// or sparse file costs no more memory than a small one. A change reads the whole file first.
class TDbfFile {
public:
    // Reads the table's header and, when it has memo fields, its memo file found beside it
    // without regard to case. Throws EDbfFileError (or FileError for a file that cannot be read).
    explicit TDbfFile(const std::filesystem::path& path);
    // A table given as bytes, with its memo file's bytes when it has one (tests, fuzzing).
    TDbfFile(std::string content, std::optional<std::string> memo);

    const std::filesystem::path& Path() const { return path_; }
    const TDbfHeader& Header() const { return header_; }
    const TDbfVersionInfo& VersionInfo() const { return info_; }
    const std::vector<TDbfFieldDef>& Fields() const { return fields_; }
    int FieldIndex(std::string_view name) const; // without regard to case; -1 when absent
    // Records as the file really holds them: a trailing partial record is not counted.
    uint32_t RecordCount() const { return recordCount_; }
    // Whether the file was cut: it ends within a record, or holds fewer records than its
    // header counts.
    bool Cut() const { return cut_; }
    int RecordLength() const { return recordLength_; }
    // Record n (1-based), recordLength bytes with the deletion flag first.
    std::string_view Record(uint32_t recNo) const;
    static bool IsDeleted(std::string_view record) { return !record.empty() && record[0] == '*'; }
    // The code page of the texts, by the language byte (the OEM partner of the data code page
    // when the byte names none, as DOS programs left it).
    int CodePage() const { return codePage_; }
    bool HasMemoFile() const { return memo_.has_value(); }
    // The memo file that a table with memo fields lacks ("" when none is missing).
    const std::filesystem::path& MissingMemoFile() const { return missingMemo_; }

    // The first block of a memo field's value; 0 for none.
    uint32_t MemoBlock(const TDbfFieldDef& field, std::string_view record) const;
    // The value of a field of a record; memo fields give their memo text.
    TDbfValue Value(const TDbfFieldDef& field, std::string_view record) const;
    // Field bytes and memo texts in UTF-8.
    std::string ToUtf8(std::string_view bytes) const;
    // UTF-8 to the file's code page; a character it cannot hold is refused (CodePageError).
    std::string FromUtf8(std::string_view utf8) const;

    // Changes, kept in memory until Save writes the table (and its memo file) durably with
    // today's date, the record count and the end mark.
    void SetRecord(uint32_t recNo, std::string_view record);
    uint32_t AppendRecord(std::string_view record);
    // Encodes a value into a record; no value gives blanks. A number or date wider than its
    // field is refused; text is cut to the field. Memo fields take their block number.
    void EncodeValue(const TDbfFieldDef& field, std::string& record, const TDbfValue& value) const;
    TDBTFile* Memo() { return memo_ ? &*memo_ : nullptr; }
    // The next value of an autoincrement field, counted on.
    uint32_t NextAutoInc(size_t fieldIndex);
    bool Modified() const { return modified_; }
    void Save();
    // Writes a new, empty dBASE III table (with a memo file when a field needs one) whose
    // texts are in the code page.
    static void Create(const std::filesystem::path& path, const std::vector<TDbfFieldDef>& fields, int codePage);

private:
    void Parse(std::optional<std::string> memo, bool fromDisk);
    // Reads what follows the header into content_, before a change.
    void LoadRecords();
    // Record n; the tail allows the one past the last (the bytes behind the last record).
    std::string_view Record(uint32_t recNo, bool tail) const;

    std::filesystem::path path_;
    // The header, and the records once the whole file is read (loaded_).
    std::string content_;
    bool loaded_ = true;
    uint64_t fileSize_ = 0;
    // The block of records read last, while the records are not loaded.
    mutable std::ifstream in_;
    mutable std::string block_;
    mutable uint64_t blockStart_ = 0;
    bool cut_ = false;
    TDbfHeader header_;
    TDbfVersionInfo info_;
    std::vector<TDbfFieldDef> fields_;
    uint32_t recordCount_ = 0;
    int recordLength_ = 0;
    int codePage_ = 0;
    std::optional<TDBTFile> memo_;
    std::filesystem::path memoPath_;
    std::filesystem::path missingMemo_;
    bool modified_ = false;
};

// The companion file of a table with another extension (".dbt", ".ndx"), found without
// regard to case; none when there is none.
std::optional<std::filesystem::path> FindCompanionFile(const std::filesystem::path& table, std::string_view extension);

// Dates of "D" fields: "yyyymmdd"; a one- or two-digit year falls in the century of the
// two-digit-year window, a missing month or day counts as 1. False for no or an impossible date.
bool ParseDbfDate(std::string_view text, double& out);

} // namespace kvz
