// The memory dataset: a dataset whose rows live only in memory, in display order.
// Each row is a TMemoryRecord: a data area of field slots (one flag byte, then the value) and
// one byte string per BLOB field. Record identifiers, which are the bookmarks, only grow while
// the dataset is open (they restart at open), so a kept bookmark never names another record.
// Strings are kept as UTF-8; a string slot holds up to four bytes per character of the size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/DB.h"

namespace kvz {

class TKvMemoryData;

class TMemoryRecord {
public:
    explicit TMemoryRecord(TKvMemoryData* owner);
    TKvMemoryData* Owner() const { return owner_; }
    int32_t ID() const { return id_; }
    const std::vector<uint8_t>& Data() const { return data_; }
    const std::vector<std::string>& Blobs() const { return blobs_; }

private:
    friend class TKvMemoryData;
    TKvMemoryData* owner_;
    int32_t id_ = INT32_MIN;
    std::vector<uint8_t> data_;
    std::vector<std::string> blobs_;
};

class TKvMemoryData : public TDataSet {
public:
    explicit TKvMemoryData(TComponent* owner = nullptr);
    ~TKvMemoryData() override;

    // The reserved length of the record list (0 when there is none).
    int Capacity() const;
    void SetCapacity(int capacity);

    // Replaces the fields by the supported ones of the source's field definitions (none:
    // no fields). The dataset must be closed.
    void TakeFieldStructure(TDataSet* source);
    // Copies the source's records (count <= 0: all from the first; else at most count from the
    // current one); unless keepStructure, first takes the source's structure (and drops the
    // records). Every record of the source is copied, whatever filter its view has: the filter
    // is lifted for the copy and set again afterwards. Returns the number copied.
    int LoadRecordsFrom(TDataSet& source, int count = 0, bool keepStructure = false);
    // The same, but only the records the source's view shows now (its filter applies).
    int LoadShownRecordsFrom(TDataSet& source, int count = 0, bool keepStructure = false);
    // Appends this dataset's records to the destination. Returns the number copied.
    int SaveRecordsTo(TDataSet& dest, int count = 0);
    // Whether OnFilterRecord accepts the record at the position (true without a handler).
    bool PassesFilter();
    // The order of two records by the sort fields, then by record ID.
    int CompareRows(const TMemoryRecord& a, const TMemoryRecord& b) const;
    // Sorts the records by the fields (names separated by ";") and keeps them as sort fields.
    void SortOnFields(const std::string& names, bool caseInsensitive = false, bool descending = false);
    // The buffer fields read in the current state; false when none.
    bool ActiveRecordBuffer(TRecordBuffer*& buffer) const;

    int RecordCount() const override;
    int RecNo() const override;
    void SetRecNo(int value) override;
    bool IsSequenced() const override { return !Filtered(); }
    bool BookmarkValid(const TBookmark& bookmark) const override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
    void SetFiltered(bool value) override;
    void SetOnFilterRecord(TFilterRecordEvent handler) override;
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;

    // The record layout.
    int RecordDataSize() const { return static_cast<int>(dataSize_); }
    uint32_t FieldOffset(int fieldDefIndex) const { return offsets_.at(static_cast<size_t>(fieldDefIndex)); }
    int AutoIncValue() const { return autoInc_; }
    int32_t LastRecordID() const { return lastID_; }
    const TMemoryRecord& Records(int index) const { return *records_.at(static_cast<size_t>(index)); }
    static bool IsSupportedType(TFieldType type);

protected:
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return open_; }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override { pos_ = -1; }
    void InternalLast() override { pos_ = static_cast<int>(records_.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    void InitRecord(TRecordBuffer& buffer) override;
    bool GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const override;
    void SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) override;
    void InternalPost() override;
    void InternalDelete() override;
    bool InternalReadRecordAt(int index, TRecordBuffer& buffer) override;

    // Copies the buffer's data area and BLOB strings into the record at that index.
    virtual void StoreRecord(TRecordBuffer& buffer, int index);
    // Numbers the autoincrement fields of the buffer with the counter.
    virtual void NumberAutoIncFields(TRecordBuffer& buffer);

private:
    friend class TMemBlobStream;
    int CopyRecordsFrom(TDataSet& source, int count, bool keepStructure, bool onlyShown);
    struct Buffer;
    struct Slot {
        TFieldType type = ftUnknown;
        uint32_t offset = 0;
        uint32_t valueSize = 0; // bytes after the flag byte; 0 for BLOB fields
        int blobIndex = -1;
    };
    void ComputeLayout();
    TMemoryRecord& AddRecord(int index); // -1 = at the end
    void FreeAllRecords();
    int IndexOfID(int32_t id) const;
    void CopyRecordToBuffer(const TMemoryRecord& rec, Buffer& buffer) const;
    const Slot* SlotOf(const TField& field) const;
    static TBookmark MakeBookmark(int32_t id);
    static int32_t BookmarkID(const TBookmark& bookmark);
    Variant ReadSlot(const Slot& slot, const uint8_t* data) const;

    std::vector<std::unique_ptr<TMemoryRecord>> records_;
    std::vector<Slot> slots_;        // one per field definition
    std::vector<uint32_t> offsets_;  // 32-bit, so wide records do not overflow
    uint32_t dataSize_ = 0;
    int blobCount_ = 0;
    int pos_ = -1;
    int32_t lastID_ = INT32_MIN;
    int32_t autoInc_ = 1;
    bool open_ = false;
    std::vector<TField*> sortFields_;
    bool caseInsensitive_ = false;
    bool descending_ = false;
    std::unique_ptr<Buffer> filterBuffer_;
};

// A stream over one BLOB field of the memory dataset's active record.
class TMemBlobStream : public TStream {
public:
    TMemBlobStream(TField& field, TBlobStreamMode mode);
    ~TMemBlobStream() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;
    void Truncate();

private:
    std::string* Target();
    const std::string* Source();

    TField& field_;
    TKvMemoryData* dataSet_;
    TRecordBuffer* buffer_ = nullptr;
    TBlobStreamMode mode_;
    int64_t position_ = 0;
    bool opened_ = false;
    bool modified_ = false;
    bool cached_ = false;
    int blobIndex_ = -1;
};

} // namespace kvz
