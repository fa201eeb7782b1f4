// Single-key B-tree index files (".NDX") beside a dBASE table: a 512-byte header, then
// 512-byte pages of entries (child page, record number, key).
#pragma once

#include "engine/DbfCursor.h"
#include "engine/DbfFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

struct TIndexEntry {
    uint32_t RecNo = 0;
    std::string Key; // text keys as stored; numeric keys as their 8 bytes
};

class TIndexFile {
public:
    static constexpr int kPageSize = 512;

    // Reads an index file whole; throws EDbfFileError for a damaged one.
    explicit TIndexFile(const std::filesystem::path& path);
    TIndexFile(std::string content, std::filesystem::path path = {});

    const std::filesystem::path& Path() const { return path_; }
    // ".mdx" files are marked 2, others 3.
    int Kind() const { return kind_; }
    // The key expression: the key field's name, upper-cased.
    const std::string& KeyExpression() const { return expression_; }
    bool TextKeys() const { return textKeys_; }
    int KeyLength() const { return keyLength_; }
    int KeysPerPage() const { return keysPerPage_; }
    int EntrySize() const { return entrySize_; }
    uint32_t RootPage() const { return root_; }
    uint32_t PageCount() const { return pages_; }
    // The leaf entries in key order.
    const std::vector<TIndexEntry>& Entries() const { return entries_; }

    // Ties the index to its field of the table, for keys taken from records.
    void Bind(const TDbfFieldDef& field, int codePage);
    std::string KeyOf(std::string_view record) const;
    // Key order: text without regard to case, numbers by value, then the record number.
    int Compare(const TIndexEntry& a, const TIndexEntry& b) const;
    void Insert(uint32_t recNo, std::string key);
    void Remove(uint32_t recNo, const std::string& key);
    // Writes the entries as a tree of full pages, durably.
    void Save();
    // A new index file on a field of the table, filled from all its records.
    static void Create(const std::filesystem::path& path, const TDbfFile& table, const TDbfFieldDef& field);

private:
    TIndexFile() = default;
    void Parse();
    void Walk(uint32_t page, int depth, std::vector<bool>& seen);
    std::string Build() const;

    std::filesystem::path path_;
    std::string content_;
    int kind_ = 3;
    std::string expression_;
    bool textKeys_ = true;
    int keyLength_ = 0;
    int keysPerPage_ = 0;
    int entrySize_ = 0;
    uint32_t root_ = 0;
    uint32_t pages_ = 0;
    std::vector<TIndexEntry> entries_;
    int keyOffset_ = 0;
    int keySize_ = 0; // bytes of the field in the record
    char fieldLetter_ = 'C';
    const uint8_t* upper_ = nullptr;
};

// Key order of an index file: the position is the rank of the key among the entries.
class TIndexCursor : public TVirtualCursor {
public:
    explicit TIndexCursor(const TIndexFile& index) : index_(index) {}
    bool Next() override;
    bool Prior() override;
    void First() override { pos_ = 0; }
    void Last() override { pos_ = Count() + 1; }
    uint32_t RecNo() const override;
    // The first entry of that record number; after all when it has none.
    void SetRecNo(uint32_t recNo) override;
    int32_t SequenceNo() const override { return static_cast<int32_t>(pos_); }
    void SetSequenceNo(int32_t sequence, uint32_t recNo);

private:
    int64_t Count() const { return static_cast<int64_t>(index_.Entries().size()); }
    const TIndexFile& index_;
    int64_t pos_ = 0; // 1-based position; 0 before the first, Count() + 1 after the last
};

} // namespace kvz
