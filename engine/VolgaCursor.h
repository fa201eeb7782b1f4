// The row store behind every open table: its field list and all of its rows in memory with
// their change states, read and written whole as one table file block.
//
// Rows keep the table file's bytes: texts are in the data code page, numbers little-endian, as
// the file stores them. The dataset layer converts at its field accessors.
#pragma once

#include "engine/VolgaAlg.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TVolgaSession;

enum class TVolgaFieldKind : uint8_t {
    Unknown = 0,
    SmallInt = 1,
    Integer = 2,
    Int64 = 3,
    Boolean = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    Time = 8,
    DateTime = 9,
    AutoInc = 10,
    SmallStr = 11,
    String = 12,
    BLOB = 13,
    Memo = 14,
    FmtMemo = 15,
    Graphic = 16,
};

// The kind names in code order, as the engine's kind-name table has them.
const char* KindName(TVolgaFieldKind kind);
// Kinds whose value lives outside the row: a text or bytes with their count.
constexpr bool IsPointerKind(TVolgaFieldKind k) { return k >= TVolgaFieldKind::String; }
// The file's type code of a kind; SmallStr by its size ("1"-"9", "A"-"Z"), String "s" + size.
std::string TypeCodeOf(TVolgaFieldKind kind, int size);
// The kind of a string field of that size: SmallStr up to 35 characters, String above.
TVolgaFieldKind StringKindForSize(int size);

// The longest String value the file format can hold, and the longest notes.
constexpr int kMaxStringBytes = 8191;
constexpr int kMaxNotesBytes = 32767;
constexpr int kMaxSmallStrSize = 35;

struct TVolgaField {
    std::string Name;   // code-page bytes; blanks stored as "_"
    std::string Origin = "XXX";
    uint16_t ValueSize = 0; // bytes in the row
    uint16_t Size = 0;      // declared size of strings, else 0
    int32_t Position = 0;   // offset of the value in the row's fixed part
    std::string Spare;
    TVolgaFieldKind Kind = TVolgaFieldKind::Unknown;
    uint8_t Numeric = 0; // compare SmallStr by length first when 1
    std::string DefaultText;
    std::string SecondText;
    int32_t BlobIndex = -1; // slot of a pointer kind's value in TVolgaRowBuffer::Blobs
    int32_t Index = 0;      // position in the field list
};

// The values of one row. Fixed-size values sit in Fixed at their field's position (SmallStr as
// its characters and a terminating zero); String and object values in Blobs, an empty one
// meaning no value.
class TRowArena;

// The fixed part of a row: bytes from the arena of the read that made the row, or from the
// heap. A copy always goes to the heap; assigning to a row keeps the row's own memory.
class TRowBytes {
public:
    TRowBytes() = default;
    explicit TRowBytes(TRowArena* arena) : arena_(arena) {}
    TRowBytes(const TRowBytes& other) { CopyFrom(other); }
    TRowBytes(TRowBytes&& other) noexcept : data_(other.data_), size_(other.size_), arena_(other.arena_) {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    TRowBytes& operator=(const TRowBytes& other) {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    TRowBytes& operator=(TRowBytes&& other) noexcept {
        if (this != &other) {
            Free();
            data_ = other.data_;
            size_ = other.size_;
            arena_ = other.arena_;
            other.data_ = nullptr;
            other.size_ = 0;
        }
        return *this;
    }
    ~TRowBytes() { Free(); }

    void assign(size_t size, uint8_t value) {
        Resize(size);
        if (size_ > 0) std::memset(data_, value, size_);
    }
    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint8_t& operator[](size_t i) { return data_[i]; }
    const uint8_t& operator[](size_t i) const { return data_[i]; }
    const uint8_t* begin() const { return data_; }
    const uint8_t* end() const { return data_ + size_; }
    TRowArena* Arena() const { return arena_; }

private:
    void CopyFrom(const TRowBytes& other) {
        Resize(other.size_);
        if (size_ > 0) std::memcpy(data_, other.data_, size_);
    }
    void Resize(size_t size);
    void Free();

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    TRowArena* arena_ = nullptr;
};

// One text or object value of a row, in the same memory as TRowBytes.
class TRowText {
public:
    TRowText() = default;
    explicit TRowText(TRowArena* arena) : bytes_(arena) {}
    void assign(std::string_view text) {
        if (text.size() == bytes_.size()) { // the usual copy between buffers: no new memory
            if (!text.empty()) std::memmove(bytes_.data(), text.data(), text.size());
            return;
        }
        TRowBytes copy(bytes_.Arena());
        copy.assign(text.size(), 0);
        if (!text.empty()) std::memcpy(copy.data(), text.data(), text.size());
        bytes_ = std::move(copy);
    }
    void clear() { bytes_.assign(0, 0); }
    bool empty() const { return bytes_.empty(); }
    size_t size() const { return bytes_.size(); }
    operator std::string_view() const { return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()}; }

private:
    TRowBytes bytes_;
};

// The text and object values of a row, one slot per such field, in the same memory as the
// row's other bytes.
class TRowTexts {
public:
    TRowTexts() = default;
    explicit TRowTexts(TRowArena* arena) : arena_(arena) {}
    TRowTexts(const TRowTexts& other) { CopyFrom(other); }
    TRowTexts(TRowTexts&& other) noexcept : items_(other.items_), count_(other.count_), arena_(other.arena_) {
        other.items_ = nullptr;
        other.count_ = 0;
    }
    TRowTexts& operator=(const TRowTexts& other) {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    TRowTexts& operator=(TRowTexts&& other) noexcept {
        if (this != &other) {
            Destroy();
            items_ = other.items_;
            count_ = other.count_;
            arena_ = other.arena_;
            other.items_ = nullptr;
            other.count_ = 0;
        }
        return *this;
    }
    ~TRowTexts() { Destroy(); }
    void resize(size_t count);
    size_t size() const { return count_; }
    TRowText& operator[](size_t i) { return items_[i]; }
    const TRowText& operator[](size_t i) const { return items_[i]; }

private:
    void CopyFrom(const TRowTexts& other) {
        if (count_ != other.count_) resize(other.count_);
        for (size_t i = 0; i < count_; ++i) items_[i].assign(other.items_[i]);
    }
    void Destroy();

    TRowText* items_ = nullptr;
    size_t count_ = 0;
    TRowArena* arena_ = nullptr;
};

struct TVolgaRowBuffer {
    TVolgaRowBuffer() = default;
    explicit TVolgaRowBuffer(TRowArena* arena) : Fixed(arena), Blobs(arena) {}
    TRowBytes Fixed;
    TRowTexts Blobs;
};

enum TVolgaRowState : uint8_t {
    rsUnchanged = 0,
    rsModified = 1,
    rsInserted = 2,
    rsDeleted = 3,
    rsRemoved = 4, // buffers released, skipped everywhere, kept in the list until cleared
};

struct TVolgaRow {
    TVolgaRow() = default;
    explicit TVolgaRow(TRowArena* arena) : Data(arena) {}
    TVolgaRowBuffer Data;
    std::unique_ptr<TVolgaRowBuffer> Backup; // taken before the first change of a stored row
    void* UserData = nullptr;                // the dataset's, released through OnDestroyRecordData
    uint8_t State = rsUnchanged;
    int32_t StoredSize = 0;
    bool Live() const { return State != rsDeleted && State != rsRemoved; }
};

enum TVolgaSaveOption : unsigned {
    savAutoBackup = 1,  // copy the old file to ".~d" first
    savSortOnIndex = 2, // sort the rows by the given fields before writing
};

// Memory for the rows of one read: handed out in order from chunks of a fixed size and
// given back all at once, so that reading a table makes no allocation per row.
class TRowArena {
public:
    TRowArena() = default;
    TRowArena(const TRowArena&) = delete;
    TRowArena& operator=(const TRowArena&) = delete;
    void* Allocate(size_t bytes);

private:
    std::vector<std::unique_ptr<std::byte[]>> chunks_;
    std::byte* next_ = nullptr;
    size_t left_ = 0;
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

    // Table file blocks.
    bool LoadFromStream(std::string_view block, std::string& message);
    size_t SaveToStream(std::string& out);
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
    void AppendField(TVolgaField field);
    void ReleaseRow(TVolgaRow& row);
    bool Contains(const TVolgaRow* row) const;
    bool LoadBlock(std::string_view block, std::string& message, bool& headerRead);
    int32_t StoredSizeOf(const TVolgaRowBuffer& buffer) const;
    TVolgaRow* AppendRow(TVolgaRow&& row);

    TVolgaSession* session_;
    std::deque<TVolgaField> fields_;
    // The rows read from a file live in one arena: reading a table makes no allocation per row.
    std::unique_ptr<TRowArena> arena_;
    std::deque<TVolgaRow> storage_; // rows keep their place in memory: the dataset holds pointers to them
    std::vector<TVolgaRow*> rows_;
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

// Values in a row buffer, read and written as the file stores them.
template <typename T> T GetFixed(const TVolgaRowBuffer& b, const TVolgaField& f) {
    T v{};
    std::memcpy(&v, b.Fixed.data() + f.Position, sizeof(T));
    return v;
}
template <typename T> void SetFixed(TVolgaRowBuffer& b, const TVolgaField& f, T v) {
    std::memcpy(b.Fixed.data() + f.Position, &v, sizeof(T));
}
// The bytes of a text or object value (SmallStr up to its terminating zero).
std::string_view ValueBytes(const TVolgaRowBuffer& b, const TVolgaField& f);
// Sets a text or object value; a SmallStr is cut to its declared size.
void SetValueBytes(TVolgaRowBuffer& b, const TVolgaField& f, std::string_view bytes);
// A zero number, false boolean, zero date-time or an empty text or object: not stored.
bool IsEmptyValue(const TVolgaRowBuffer& b, const TVolgaField& f);

// Comparison of two values of one field: negative, 0 or positive.
int CompareFieldValues(const TVolgaField& f, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b,
                       bool caseInsensitive, int codePage);
// Texts of the data code page: an empty one first, then by the first characters (without
// regard to case by the code page's order when asked, else byte by byte), then the shorter.
int CompareTexts(std::string_view a, std::string_view b, bool caseInsensitive, int codePage);
// Field by field over the list; the first difference decides.
int CompareRowBuffers(const std::vector<const TVolgaField*>& fields, const TVolgaRowBuffer& a,
                      const TVolgaRowBuffer& b, bool caseInsensitive, int codePage);

} // namespace kvz
