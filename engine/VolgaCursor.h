// The row store behind every open table: its field list and all of its rows in memory with
// their change states, read and written whole as one table file block.
//
// Rows stay the table file's bytes: the buffer of a read holds them, indexed once when it is
// read; a value is decoded when it is read, and a changed row gets bytes of its own. Texts are
// in the data code page, numbers little-endian; the dataset layer converts at its accessors.
#pragma once

#include "engine/VolgaAlg.h"
#include "engine/VolgaBytes.h"
#include "engine/VolgaKinds.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TVolgaSession;

// The longest String value the file format can hold, and the longest notes.
constexpr int kMaxStringBytes = 8191;
constexpr int kMaxNotesBytes = 32767;

struct TVolgaField {
    std::string Name;   // code-page bytes; blanks stored as "_"
    std::string Origin = "XXX";
    uint16_t ValueSize = 0; // bytes in a decoded row
    uint16_t Size = 0;      // declared size of strings, else 0
    int32_t Position = 0;   // offset of the value in a decoded row's fixed part
    std::string Spare;
    TVolgaFieldKind Kind = TVolgaFieldKind::Unknown;
    uint8_t Numeric = 0; // compare SmallStr by length first when 1
    std::string DefaultText;
    std::string SecondText;
    int32_t BlobIndex = -1; // slot of a pointer kind's value in TVolgaRowBuffer::Blobs
    int32_t Index = 0;      // position in the field list
};

// A row decoded for editing: fixed-size values in Fixed at their field's position (SmallStr as
// its characters and a terminating zero), texts and objects in Blobs, an empty one meaning no
// value. Rows held by the cursor are not kept in this form but as they are stored.
struct TVolgaRowBuffer {
    std::vector<uint8_t> Fixed;
    std::vector<std::string> Blobs;
};

enum TVolgaRowState : uint8_t {
    rsUnchanged = 0,
    rsModified = 1,
    rsInserted = 2,
    rsDeleted = 3,
    rsRemoved = 4, // bytes released, skipped everywhere, kept in the list until cleared
};

// The bytes of one stored row, as the table file holds it: one length byte per field, then
// the values that are not empty, in field order.
struct TRowSpan {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// What a changed row owns: its new bytes, and the bytes it had before its first change.
struct TRowChange {
    std::unique_ptr<uint8_t[]> Own;
    std::unique_ptr<uint8_t[]> BackupOwn; // when the bytes before the change were a change's own
    TRowSpan Backup;
    bool HasBackup = false;
};

// A row of the cursor: its stored bytes (in the buffer of the read that found it, or its own
// after a change) and its identity, which is never given to another row.
struct TVolgaRow {
    TRowSpan Bytes;
    uint32_t Id = 0;
    uint8_t State = rsUnchanged;
    std::unique_ptr<TRowChange> Change;
    void* UserData = nullptr; // the dataset's, released through OnDestroyRecordData
    bool Live() const { return State != rsDeleted && State != rsRemoved; }
    bool HasBackup() const { return Change && Change->HasBackup; }
    uint32_t StoredSize() const { return Bytes.size; }
};

// A table file block read whole. The cursor's rows point into the one it holds.
struct TBlockBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    static TBlockBytes Copy(std::string_view bytes) {
        TBlockBytes b{std::make_unique_for_overwrite<char[]>(bytes.size()), bytes.size()};
        if (!bytes.empty()) std::memcpy(b.data.get(), bytes.data(), bytes.size());
        return b;
    }
    std::string_view View() const { return {data.get(), size}; }
};

// The rows of a cursor in blocks that never move, each twice the last up to a bound: the
// dataset holds pointers to them, and a large table costs few allocations. A row is made in
// its block when it is added, so that its memory is written once, while it is at hand.
class TRowStore {
public:
    TRowStore() = default;
    ~TRowStore() { clear(); }
    TRowStore(const TRowStore&) = delete;
    TRowStore& operator=(const TRowStore&) = delete;
    TVolgaRow& emplace_back() {
        if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) AddBlock();
        Block& block = blocks_.back();
        return *::new (static_cast<void*>(block.rows + block.used++)) TVolgaRow();
    }
    void clear() {
        for (Block& block : blocks_) {
            std::destroy_n(block.rows, block.used);
            ::operator delete(block.rows);
        }
        blocks_.clear();
    }

private:
    struct Block {
        TVolgaRow* rows;
        size_t used, capacity;
    };
    // Out of the way of adding a row, which it seldom has to do.
    [[gnu::noinline]] void AddBlock() {
        const size_t capacity = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().capacity * 2, kLargestBlock);
        blocks_.reserve(blocks_.size() + 1);
        blocks_.push_back({static_cast<TVolgaRow*>(::operator new(capacity * sizeof(TVolgaRow))), 0, capacity});
    }
    static constexpr size_t kFirstBlock = 64, kLargestBlock = 16384;
    std::vector<Block> blocks_;
};

enum TVolgaSaveOption : unsigned {
    savAutoBackup = 1,  // copy the old file to ".~d" first
    savSortOnIndex = 2, // sort the rows by the given fields before writing
};

// One key of a sort: a field, its direction and whether it is a right-aligned (numeric) text.
struct TSortKey {
    const TVolgaField* Field = nullptr;
    bool Descending = false;
    bool Numeric = false;
};

// The record codes of a cursor's rows side by side, with its row's identity: what a read anew
// finds its records by. A code of one short text (the program's record numbers) is held in a
// word of its own, its bytes from the first on and zeros after them; others as bytes.
struct TRecordCodes {
    std::string bytes;
    std::vector<uint32_t> ends, ids;
    std::vector<uint64_t> words;
    bool packed = false;
    bool rising = true;    // each code above the one before, so that none is there twice
    uint32_t firstNew = 0; // the identity the rows read anew are numbered from
    std::string_view operator[](size_t i) const;
    size_t size() const { return ids.size(); }
    // Ends the code appended last, of the row of that identity.
    void Add(uint32_t id);
    // Adds a packed code, of the row of that identity. Bytes are compared from the first as a
    // number, the zeros after a shorter code putting it first.
    void AddWord(uint64_t word, uint32_t id) {
        if (rising && !words.empty()) {
            if constexpr (std::endian::native == std::endian::little)
                rising = __builtin_bswap64(words.back()) < __builtin_bswap64(word);
            else
                rising = words.back() < word;
        }
        words.push_back(word);
        ids.push_back(id);
    }
    // Whether two codes may be equal: equal codes have equal hashes.
    bool MayHoldOneTwice() const;
};

class TVolgaCursor {
public:
    explicit TVolgaCursor(TVolgaSession* session = nullptr);
    ~TVolgaCursor();
    TVolgaCursor(const TVolgaCursor&) = delete;
    TVolgaCursor& operator=(const TVolgaCursor&) = delete;

    // Field list. AddField refuses (std::invalid_argument) a String size the file cannot read
    // back and a SmallStr size outside 1-35.
    const TVolgaField& AddField(std::string_view name, TVolgaFieldKind kind, int size = 0,
                                std::string_view defaultText = {}, std::string_view secondText = {},
                                std::string_view origin = "XXX");
    // Fields keep their place in memory while more are added.
    const std::deque<TVolgaField>& Fields() const { return fields_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    int RowSize() const { return rowSize_; }
    // The field of that name (code-page bytes), compared without regard to case; none when absent.
    const TVolgaField* FindField(std::string_view name) const;

    // Rows in load order or the last sort order; removed rows stay until Clear.
    const std::vector<TVolgaRow*>& Rows() const { return rows_; }
    int LiveRowCount() const;
    TVolgaRowBuffer NewBuffer() const;
    // The row of an identity while it is held; none for one never given or already dropped.
    TVolgaRow* RowById(uint32_t id) const;
    // The stored bytes of a value: a fixed-size value's bytes as the file has them (FixedOf reads
    // them; none for an empty value), a text up to its first zero byte, an object's bytes. From
    // the backup when asked and the row has one.
    std::string_view FieldBytes(const TVolgaRow& row, const TVolgaField& field, bool useBackup = false) const;
    // The bytes FieldBytes gives for every field of the row, in one walk over it (by field index).
    void RowBytes(const TVolgaRow& row, std::vector<std::string_view>& values) const;
    // The row decoded for editing, and a decoded row encoded as the file stores it.
    TVolgaRowBuffer Decode(const TVolgaRow& row) const;
    std::string Encode(const TVolgaRowBuffer& buffer) const;

    // Table file blocks. A block handed over becomes the buffer the rows are read from; a
    // view is copied into one.
    bool LoadFromStream(std::string_view block, std::string& message);
    bool LoadFromStream(TBlockBytes&& block, std::string& message);
    // Reads the block again in place of the rows held: a row whose record code (the values of
    // codeFields) is found again keeps its identity, the others get new ones.
    bool Reload(TBlockBytes&& block, const std::vector<std::string>& codeFields, std::string& message);
    // The same in two steps, so that the rows held are let go before the block is read: their
    // record codes, after which the cursor holds no rows; then the block read in their place.
    TRecordCodes HoldCodes(const std::vector<std::string>& codeFields);
    bool Reload(TBlockBytes&& block, const TRecordCodes& held, const std::vector<std::string>& codeFields,
                std::string& message);
    size_t SaveToStream(std::string& out);
    // Hands the block out in pieces of bounded size, in order; returns its length.
    size_t WriteBlock(const std::function<void(std::string_view piece)>& sink);
    // Writes the table file through the durable writer; throws FileError.
    void SaveToFile(const std::filesystem::path& fileName, unsigned options = 0,
                    std::string_view sortFieldNames = {}, bool caseInsensitive = false);
    std::string BuildFieldList() const;
    bool ParseFieldList(std::string_view text, int fieldCount, std::string& message);
    const std::string& FieldDescription() const { return description_; }

    // Change log.
    TVolgaRow* PostRow(const TVolgaRowBuffer& buffer, TVolgaRow* row, std::string& message);
    bool DeleteRow(TVolgaRow* row, std::string& message);
    bool BackupRow(TVolgaRow* row);
    // Forgets the backup of a row whose change was not made.
    void DropBackup(TVolgaRow* row);
    void RestoreRow(TVolgaRow* row);
    void RollBack();
    void Accept();
    void Clear(bool whole);

    bool HasDuplicate(const TVolgaRowBuffer& buffer, const TVolgaRow* own, std::string_view fieldNames,
                      bool caseInsensitive = false) const;
    // The value as text for filters, in the data code page; "Not Found" when nothing applies.
    std::string FieldText(const TVolgaField& field, const TVolgaRow& row, bool useBackup, bool fixedFormat) const;
    // Sorts the live rows by the named fields (";" between names), ascending.
    void SortRows(std::string_view fieldNames, bool caseInsensitive);
    // The engine fields named in a ";"-separated list; unknown names are left out.
    std::vector<const TVolgaField*> FieldsOf(std::string_view fieldNames) const;

    // Password, notes and the rest of the table's state.
    const std::string& Password() const { return password_; }
    void SetPassword(std::string password) { password_ = std::move(password); }
    bool Encrypted() const { return encrypted_; }
    const TCheckBlock& CheckBlock() const { return checkBlock_; }
    const std::string& Notes() const { return notes_; }
    void SetNotes(std::string notes); // refuses (std::invalid_argument) more than 32,767 bytes
    bool PartialOpen() const { return partialOpen_; }
    void SetPartialOpen(bool on) { partialOpen_ = on; }
    const TVolgaField* AutoIncField() const { return autoIncField_ < 0 ? nullptr : &fields_[static_cast<size_t>(autoIncField_)]; }
    int32_t LastAutoInc() const { return lastAutoInc_; }
    void SetFormatSettings(const FormatSettings& fs) { formatSettings_ = fs; }
    int CodePage() const { return codePage_; }

    std::function<void(int percent)> OnCallback;
    std::function<void(void* userData)> OnDestroyRecordData;

private:
    struct BlockHead;
    void AppendField(TVolgaField field);
    void ReleaseRow(TVolgaRow& row);
    bool Contains(const TVolgaRow* row) const;
    bool LoadBlock(std::string& message, bool& headerRead);
    bool ReadHead(std::string_view block, BlockHead& head, std::string& message);
    bool ReadNotes(std::string_view body, size_t& pos, int32_t declared, std::string& message);
    bool ReadRows(std::string_view body, size_t pos, int32_t declared, std::string& message);
    bool IndexRow(std::string_view body, size_t& pos, int32_t recordNo, std::string& message) const;
    TVolgaRow* AppendRow(TRowSpan bytes, std::unique_ptr<uint8_t[]> own, uint8_t state);
    void SetOwnBytes(TVolgaRow& row, std::string_view bytes);
    // The stored bytes of the rows that are written.
    size_t LiveBytes() const;
    // Appends the record code of the row: its one field's bytes, or each field's bytes after
    // their length.
    void AppendCode(std::string& out, const TVolgaRow& row, const std::vector<const TVolgaField*>& fields) const;
    // The packed record code of the row (its one short text field's bytes in a word), and
    // whether the fields' code can be packed.
    uint64_t PackedCode(const TVolgaRow& row, const TVolgaField& field) const;
    bool PacksCode(const std::vector<const TVolgaField*>& fields) const;
    // Whether the row's record code is that one, compared in place.
    bool HasCode(const TVolgaRow& row, std::string_view code, const std::vector<const TVolgaField*>& fields) const;
    // The fields of a record code; none when one is missing.
    std::vector<const TVolgaField*> CodeFieldsOf(const std::vector<std::string>& names) const;

    TVolgaSession* session_;
    std::deque<TVolgaField> fields_;
    std::vector<uint8_t> counted_; // per field: its value is a count and bytes
    // What reading a row needs of each field, side by side.
    struct Slot {
        uint8_t limit; // the largest length byte
        uint8_t mask;  // bits a length byte may not have: a counted value's is 0 or 4
        TKindStore store;
        bool isString;
    };
    std::vector<Slot> slots_;
    std::vector<uint8_t> limits_, masks_; // the slots' limits and masks side by side
    // The length bytes of a row read sixteen at a time, as a plan made for each read: per
    // vector the limits and masks (bytes past the last field let anything through), and the
    // vectors, cut by masks, whose lengths add up to each counted field's count and to the end.
    struct WidePlan {
        size_t bytes = 0; // whole vectors of length bytes
        std::vector<uint8_t> limits, masks, partMasks;
        std::vector<uint32_t> partVectors, partEnds; // part ends per counted field, then the end
    };
    WidePlan wide_;
    // A read anew matches the rows to the packed codes held, in their order, as it makes them,
    // while their bytes are at hand: how far they matched, and whether they still do.
    struct HeldMatch {
        const TRecordCodes* held = nullptr;
        const std::vector<std::string>* codeFields = nullptr;
        const TVolgaField* field = nullptr; // set once the rows' fields pack the code
        size_t next = 0;
        bool inOrder = true;
    };
    HeldMatch match_;
    void PlanWideRows();
    // A row's end the quick way, or false for the careful way to tell what is wrong.
    bool IndexRowWide(std::string_view body, size_t& pos) const;
    std::vector<uint32_t> countedFields_;
    // The buffer of the last read: rows read from it point into it.
    TBlockBytes block_;
    TRowStore storage_;
    std::vector<TVolgaRow*> rows_;
    std::vector<TVolgaRow*> byId_; // identity - idBase_ -> row, removed rows too, until Clear
    uint32_t idBase_ = 1;
    uint32_t nextId_ = 1; // identities are never given twice: 0 names no row
    int rowSize_ = 0;
    int blobCount_ = 0;
    std::string description_;
    bool encrypted_ = false;
    std::string password_;
    TCheckBlock checkBlock_{};
    std::string notes_;
    int autoIncField_ = -1;
    int32_t lastAutoInc_ = 0;
    bool partialOpen_ = false;
    FormatSettings formatSettings_;
    int codePage_;
};

// Values in a decoded row, read and written as the file stores them.
template <typename T> T GetFixed(const TVolgaRowBuffer& b, const TVolgaField& f) {
    return ReadLE<T>(b.Fixed.data() + f.Position);
}
template <typename T> void SetFixed(TVolgaRowBuffer& b, const TVolgaField& f, T v) {
    WriteLE<T>(b.Fixed.data() + f.Position, v);
}
// The bytes of a value of a decoded row: a fixed-size value's bytes, a text up to its end
// (SmallStr up to its terminating zero), an object's bytes.
std::string_view ValueBytes(const TVolgaRowBuffer& b, const TVolgaField& f);
// Sets a text or object value; a SmallStr is cut to its declared size.
void SetValueBytes(TVolgaRowBuffer& b, const TVolgaField& f, std::string_view bytes);
// A zero number, false boolean, zero date-time or an empty text or object: not stored.
bool IsEmptyValue(const TVolgaRowBuffer& b, const TVolgaField& f);

// Comparison of two values of one field from their stored bytes (FieldBytes or ValueBytes):
// negative, 0 or positive.
int CompareValues(const TVolgaField& f, std::string_view a, std::string_view b, bool caseInsensitive, int codePage);
int CompareFieldValues(const TVolgaField& f, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b,
                       bool caseInsensitive, int codePage);
// Texts of the data code page: an empty one first, then by the first characters (without
// regard to case by the code page's order when asked, else byte by byte), then the shorter.
int CompareTexts(std::string_view a, std::string_view b, bool caseInsensitive, int codePage);
// Field by field over the list; the first difference decides.
int CompareRowBuffers(const std::vector<const TVolgaField*>& fields, const TVolgaRowBuffer& a,
                      const TVolgaRowBuffer& b, bool caseInsensitive, int codePage);

// Sort keys made once per row, so that rows compare as plain bytes in the order the keys give:
// texts by the code page's order (ignoring case when asked), numbers and dates by value.
class TSortKeys {
public:
    TSortKeys(std::vector<TSortKey> keys, bool caseInsensitive, int codePage);
    void Reserve(size_t rows) {
        starts_.reserve(rows + 1);
        bytes_.reserve(rows * 16);
    }
    // Appends the key of one row, given the stored bytes of each key field in key order.
    void Append(const std::string_view* values);
    // The indexes of the appended rows in key order; rows with equal keys keep their order.
    std::vector<uint32_t> Order() const;
    // Whether the appended rows taken in that order (their indexes) are in key order, as Order
    // would give them.
    bool InOrder(const std::vector<uint32_t>& order) const;

private:
    std::vector<TSortKey> keys_;
    const uint16_t* collate_ = nullptr;
    bool wide_ = false; // ranks that do not fit a byte take two
    std::string bytes_;
    std::vector<uint32_t> starts_;
};

// Sorts rows of a cursor by the keys; rows with equal keys keep their order.
// likely: the identities of the rows in the order they probably have, which is checked first.
void SortRowsByKeys(const TVolgaCursor& cursor, std::vector<TVolgaRow*>& rows, std::vector<TSortKey> keys,
                    bool caseInsensitive, const std::vector<uint32_t>& likely = {});

} // namespace kvz
