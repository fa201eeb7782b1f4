#include "engine/KvMemDS.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/DbUtils.h"
#include "platform/rtl/CodePage.h"

namespace kvz {

struct TKvMemoryData::Buffer : TRecordBuffer {
    std::vector<uint8_t> data;
    std::vector<std::string> blobs;
};

namespace {

template <class T> T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void Store(uint8_t* p, T v) { std::memcpy(p, &v, sizeof v); }

uint32_t ValueSize(TFieldType type, int size) {
    switch (type) {
    case ftString: return static_cast<uint32_t>(size) * 4 + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftDate:
    case ftTime:
    case ftAutoInc: return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
    case ftLargeint: return 8;
    default: return 0;
    }
}

} // namespace

// ---- TMemoryRecord ----------------------------------------------------------------------

TMemoryRecord::TMemoryRecord(TKvMemoryData* owner) : owner_(owner) {}

// ---- TKvMemoryData ----------------------------------------------------------------------

TKvMemoryData::TKvMemoryData(TComponent* owner) : TDataSet(owner) {}

TKvMemoryData::~TKvMemoryData() {
    Close();
    sortFields_.clear();
    FreeAllRecords();
}

bool TKvMemoryData::IsSupportedType(TFieldType type) { return type != ftUnknown; }

int TKvMemoryData::Capacity() const { return static_cast<int>(records_.capacity()); }

void TKvMemoryData::SetCapacity(int capacity) {
    if (capacity > 0) records_.reserve(static_cast<size_t>(capacity));
}

void TKvMemoryData::FreeAllRecords() {
    records_.clear();
    pos_ = -1;
}

void TKvMemoryData::ComputeLayout() {
    slots_.clear();
    offsets_.clear();
    uint32_t offset = 0;
    int blobs = 0;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const TFieldDef& def = FieldDefs()[i];
        Slot slot;
        slot.type = def.DataType();
        slot.offset = offset;
        if (IsBlobType(def.DataType())) {
            slot.blobIndex = blobs++;
        } else {
            slot.valueSize = ValueSize(def.DataType(), def.Size());
            offset += 1 + slot.valueSize;
        }
        slots_.push_back(slot);
        offsets_.push_back(slot.offset);
    }
    dataSize_ = offset;
    blobCount_ = blobs;
}

void TKvMemoryData::InternalOpen() {
    if (Fields().Count() > 0) {
        for (TField* field : Fields().List())
            if (field->FieldKind() == fkData && !IsSupportedType(field->DataType()))
                DatabaseError("Field '" + field->DisplayName() + "' is of an unknown type", this);
        InitFieldDefsFromFields();
    } else {
        CreateFields();
    }
    BindFields(true);
    ComputeLayout();
    filterBuffer_ = std::make_unique<Buffer>();
    filterBuffer_->data.assign(dataSize_, 0);
    filterBuffer_->blobs.assign(static_cast<size_t>(blobCount_), std::string());
    pos_ = -1;
    lastID_ = INT32_MIN;
    autoInc_ = 1;
    open_ = true;
}

void TKvMemoryData::InternalClose() {
    FreeAllRecords();
    lastID_ = INT32_MIN;
    autoInc_ = 1;
    sortFields_.clear();
    filterBuffer_.reset();
    open_ = false;
}

std::unique_ptr<TRecordBuffer> TKvMemoryData::AllocRecordBuffer() {
    auto b = std::make_unique<Buffer>();
    b->data.assign(dataSize_, 0);
    b->blobs.assign(static_cast<size_t>(blobCount_), std::string());
    return b;
}

void TKvMemoryData::InternalInitRecord(TRecordBuffer& buffer) {
    auto& b = static_cast<Buffer&>(buffer);
    b.data.assign(dataSize_, 0);
    b.blobs.assign(static_cast<size_t>(blobCount_), std::string());
}

void TKvMemoryData::InitRecord(TRecordBuffer& buffer) {
    TDataSet::InitRecord(buffer);
    buffer.Bookmark.clear();
    buffer.BookmarkFlag = bfInserted;
}

TBookmark TKvMemoryData::MakeBookmark(int32_t id) { return TBookmark(reinterpret_cast<const char*>(&id), sizeof id); }

int32_t TKvMemoryData::BookmarkID(const TBookmark& bookmark) {
    int32_t id = INT32_MIN;
    if (bookmark.size() == sizeof id) std::memcpy(&id, bookmark.data(), sizeof id);
    return id;
}

int TKvMemoryData::IndexOfID(int32_t id) const {
    // The record at the position and its neighbours first: the usual case while browsing.
    for (int i = pos_ - 1; i <= pos_ + 1; ++i)
        if (i >= 0 && i < static_cast<int>(records_.size()) && records_[static_cast<size_t>(i)]->id_ == id) return i;
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i]->id_ == id) return static_cast<int>(i);
    return -1;
}

void TKvMemoryData::CopyRecordToBuffer(const TMemoryRecord& rec, Buffer& buffer) const {
    buffer.data = rec.data_;
    buffer.blobs = rec.blobs_;
    buffer.Bookmark = MakeBookmark(rec.id_);
    buffer.BookmarkFlag = bfCurrent;
}

bool TKvMemoryData::PassesFilter() {
    if (!OnFilterRecord()) return true;
    if (pos_ < 0 || pos_ >= static_cast<int>(records_.size())) return false;
    CopyRecordToBuffer(*records_[static_cast<size_t>(pos_)], *filterBuffer_);
    return FilterAccepts(*filterBuffer_);
}

TGetResult TKvMemoryData::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    const int count = static_cast<int>(records_.size());
    TGetResult result = grOK;
    switch (mode) {
    case gmCurrent:
        if (pos_ < 0 || pos_ >= count || (Filtered() && !PassesFilter())) result = grError;
        break;
    case gmNext:
        if (pos_ < count - 1) {
            bool accepted = false;
            while (pos_ < count - 1) {
                ++pos_;
                if (!Filtered() || PassesFilter()) {
                    accepted = true;
                    break;
                }
            }
            if (!accepted) {
                pos_ = count - 1;
                result = grEOF;
            }
        } else {
            pos_ = count; // after the last record
            result = grEOF;
        }
        break;
    case gmPrior:
        if (pos_ > 0) {
            bool accepted = false;
            while (pos_ > 0) {
                --pos_;
                if (!Filtered() || PassesFilter()) {
                    accepted = true;
                    break;
                }
            }
            if (!accepted) {
                pos_ = -1;
                result = grBOF;
            }
        } else {
            pos_ = -1;
            result = grBOF;
        }
        break;
    }
    if (result == grOK) {
        CopyRecordToBuffer(*records_[static_cast<size_t>(pos_)], static_cast<Buffer&>(buffer));
    } else if (result == grError && doCheck) {
        DatabaseError("No data found", this);
    }
    return result;
}

bool TKvMemoryData::InternalReadRecordAt(int index, TRecordBuffer& buffer) {
    auto& b = static_cast<Buffer&>(buffer);
    if (!Filtered() || !OnFilterRecord()) {
        if (index < 0 || static_cast<size_t>(index) >= records_.size()) return false;
        CopyRecordToBuffer(*records_[static_cast<size_t>(index)], b);
        return true;
    }
    // The filtered view has no index of its own: count the rows that pass.
    for (const auto& rec : records_) {
        CopyRecordToBuffer(*rec, b);
        if (FilterAccepts(b) && index-- == 0) return true;
    }
    return false;
}

void TKvMemoryData::InternalSetToRecord(TRecordBuffer& buffer) {
    if (buffer.Bookmark.empty()) return;
    int i = IndexOfID(BookmarkID(buffer.Bookmark));
    if (i >= 0) pos_ = i;
}

void TKvMemoryData::InternalGotoBookmark(const TBookmark& bookmark) {
    int i = IndexOfID(BookmarkID(bookmark));
    if (i < 0) DatabaseError("Record not found", this);
    int old = pos_;
    pos_ = i;
    if (Filtered() && !PassesFilter()) {
        pos_ = old;
        DatabaseError("Record not found", this);
    }
}

bool TKvMemoryData::BookmarkValid(const TBookmark& bookmark) const {
    if (!open_) return false;
    int32_t id = BookmarkID(bookmark);
    if (id == INT32_MIN || id > lastID_) return false;
    return IndexOfID(id) >= 0;
}

int TKvMemoryData::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
    int32_t x = BookmarkID(a), y = BookmarkID(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

const TKvMemoryData::Slot* TKvMemoryData::SlotOf(const TField& field) const {
    int i = field.FieldNo() - 1;
    if (i < 0 || i >= static_cast<int>(slots_.size())) return nullptr;
    return &slots_[static_cast<size_t>(i)];
}

Variant TKvMemoryData::ReadSlot(const Slot& slot, const uint8_t* data) const {
    const uint8_t* p = data + slot.offset;
    if (p[0] == 0) return Variant();
    ++p;
    switch (slot.type) {
    case ftString: {
        const char* s = reinterpret_cast<const char*>(p);
        size_t n = strnlen(s, slot.valueSize);
        if (n == 0) return Variant();
        return Variant(std::string(s, n));
    }
    case ftSmallint: return Variant(static_cast<int64_t>(Load<int16_t>(p)));
    case ftWord: return Variant(static_cast<int64_t>(Load<uint16_t>(p)));
    case ftBoolean: return Variant(Load<int16_t>(p) != 0);
    case ftInteger:
    case ftAutoInc: return Variant(static_cast<int64_t>(Load<int32_t>(p)));
    case ftDate: {
        TTimeStamp ts;
        ts.Date = Load<int32_t>(p);
        return Variant::DateTime(TimeStampToDateTime(ts));
    }
    case ftTime: {
        TTimeStamp ts;
        ts.Date = kDateDelta;
        ts.Time = Load<int32_t>(p);
        return Variant::DateTime(TimeStampToDateTime(ts));
    }
    case ftDateTime: return Variant::DateTime(MSecsToDateTime(Load<double>(p)));
    case ftFloat:
    case ftCurrency: return Variant(Load<double>(p));
    case ftLargeint: return Variant(Load<int64_t>(p));
    default: return Variant();
    }
}

bool TKvMemoryData::ActiveRecordBuffer(TRecordBuffer*& buffer) const {
    buffer = GetActiveRecBuf();
    return buffer != nullptr;
}

bool TKvMemoryData::GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const {
    const Slot* slot = SlotOf(field);
    if (!slot) return false;
    const auto& b = static_cast<const Buffer&>(buffer);
    if (slot->blobIndex >= 0) {
        const std::string& blob = b.blobs.at(static_cast<size_t>(slot->blobIndex));
        if (blob.empty()) return false;
        value = Variant(blob);
        return true;
    }
    value = ReadSlot(*slot, b.data.data());
    return !value.IsNull();
}

void TKvMemoryData::SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) {
    const Slot* slot = SlotOf(field);
    if (!slot) DatabaseError("Field '" + field.DisplayName() + "' is of an unknown type", this);
    auto& b = static_cast<Buffer&>(buffer);
    if (slot->blobIndex >= 0) {
        b.blobs.at(static_cast<size_t>(slot->blobIndex)) = value.IsNull() ? std::string() : value.AsString();
        return;
    }
    uint8_t* p = b.data.data() + slot->offset;
    std::memset(p, 0, 1 + slot->valueSize);
    if (value.IsNull()) return;
    p[0] = 1;
    ++p;
    switch (slot->type) {
    case ftString: {
        const std::string& s = value.StringRef();
        if (s.size() >= slot->valueSize)
            DatabaseError("The text for field '" + field.DisplayName() + "' is too long", this);
        std::memcpy(p, s.data(), s.size());
        break;
    }
    case ftSmallint: Store<int16_t>(p, static_cast<int16_t>(value.AsInt64())); break;
    case ftWord: Store<uint16_t>(p, static_cast<uint16_t>(value.AsInt64())); break;
    case ftBoolean: Store<int16_t>(p, value.AsBoolean() ? 1 : 0); break;
    case ftInteger:
    case ftAutoInc: Store<int32_t>(p, static_cast<int32_t>(value.AsInt64())); break;
    case ftDate: Store<int32_t>(p, DateTimeToTimeStamp(value.AsFloat()).Date); break;
    case ftTime: Store<int32_t>(p, DateTimeToTimeStamp(value.AsFloat()).Time); break;
    case ftDateTime: Store<double>(p, DateTimeToMSecs(value.AsFloat())); break;
    case ftFloat:
    case ftCurrency: Store<double>(p, value.AsFloat()); break;
    case ftLargeint: Store<int64_t>(p, value.AsInt64()); break;
    default: break;
    }
}

TMemoryRecord& TKvMemoryData::AddRecord(int index) {
    auto rec = std::make_unique<TMemoryRecord>(this);
    rec->id_ = ++lastID_;
    rec->data_.assign(dataSize_, 0);
    rec->blobs_.assign(static_cast<size_t>(blobCount_), std::string());
    TMemoryRecord& ref = *rec;
    if (index < 0 || index >= static_cast<int>(records_.size()))
        records_.push_back(std::move(rec));
    else
        records_.insert(records_.begin() + index, std::move(rec));
    return ref;
}

void TKvMemoryData::StoreRecord(TRecordBuffer& buffer, int index) {
    if (State() == dsFilter) DatabaseError("Dataset not in edit or insert mode", this);
    auto& b = static_cast<Buffer&>(buffer);
    TMemoryRecord& rec = *records_.at(static_cast<size_t>(index));
    rec.data_ = b.data;
    rec.blobs_ = b.blobs;
}

void TKvMemoryData::NumberAutoIncFields(TRecordBuffer& buffer) {
    auto& b = static_cast<Buffer&>(buffer);
    bool any = false;
    for (TField* field : Fields().List()) {
        if (field->FieldKind() != fkData || field->DataType() != ftAutoInc) continue;
        const Slot* slot = SlotOf(*field);
        if (!slot) continue;
        uint8_t* p = b.data.data() + slot->offset;
        p[0] = 1;
        Store<int32_t>(p + 1, autoInc_);
        any = true;
    }
    if (any) ++autoInc_;
}

void TKvMemoryData::InternalPost() {
    TRecordBuffer& buffer = ActiveBuffer();
    if (State() == dsEdit) {
        StoreRecord(buffer, pos_);
        return;
    }
    NumberAutoIncFields(buffer);
    if (pos_ < static_cast<int>(records_.size())) {
        int at = std::max(pos_, 0);
        AddRecord(at);
        pos_ = at;
    } else {
        AddRecord(-1);
        pos_ = static_cast<int>(records_.size()) - 1;
    }
    StoreRecord(buffer, pos_);
}

void TKvMemoryData::InternalDelete() {
    if (pos_ < 0 || pos_ >= static_cast<int>(records_.size())) DatabaseError("No data found", this);
    records_.erase(records_.begin() + pos_);
    if (pos_ >= static_cast<int>(records_.size())) --pos_;
    if (Filtered())
        while (pos_ >= 0 && !PassesFilter()) --pos_;
    // Record IDs are not restarted when the list empties: kept bookmarks stay unique.
}

int TKvMemoryData::RecordCount() const { return static_cast<int>(records_.size()); }

int TKvMemoryData::RecNo() const {
    CheckActive();
    const_cast<TKvMemoryData*>(this)->UpdateCursorPos();
    if (pos_ == -1 && !records_.empty()) return 1;
    return pos_ + 1;
}

void TKvMemoryData::SetRecNo(int value) {
    if (value < 1 || value > static_cast<int>(records_.size())) return;
    CheckBrowseMode();
    DoBeforeScroll();
    pos_ = value - 1;
    Resync(rmCenter);
    DoAfterScroll();
}

bool TKvMemoryData::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    DoBeforeScroll();
    bool found = LocateByScan(*this, keyFields, keyValues, options);
    if (found) {
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
    }
    return found;
}

void TKvMemoryData::SetFiltered(bool value) {
    if (Active()) {
        CheckBrowseMode();
        if (Filtered() != value) TDataSet::SetFiltered(value);
    } else {
        TDataSet::SetFiltered(value);
    }
}

void TKvMemoryData::SetOnFilterRecord(TFilterRecordEvent handler) { TDataSet::SetOnFilterRecord(std::move(handler)); }

std::unique_ptr<TStream> TKvMemoryData::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    if (!field.IsBlob()) DatabaseError("Field '" + field.DisplayName() + "' is not a BLOB field", this);
    return std::make_unique<TMemBlobStream>(field, mode);
}

int TKvMemoryData::CompareRows(const TMemoryRecord& a, const TMemoryRecord& b) const {
    for (TField* field : sortFields_) {
        const Slot* slot = SlotOf(*field);
        if (!slot || slot->blobIndex >= 0) continue;
        Variant va = ReadSlot(*slot, a.data_.data()), vb = ReadSlot(*slot, b.data_.data());
        int r = 0;
        if (!va.IsNull() && !vb.IsNull()) {
            switch (slot->type) {
            case ftString:
                r = caseInsensitive_ ? CompareTextUtf8(va.StringRef(), vb.StringRef())
                                     : va.StringRef().compare(vb.StringRef());
                break;
            case ftBoolean: r = static_cast<int>(va.AsBoolean()) - static_cast<int>(vb.AsBoolean()); break;
            case ftSmallint:
            case ftWord:
            case ftInteger:
            case ftAutoInc:
            case ftLargeint: r = va.AsInt64() < vb.AsInt64() ? -1 : va.AsInt64() > vb.AsInt64() ? 1 : 0; break;
            default: r = va.AsFloat() < vb.AsFloat() ? -1 : va.AsFloat() > vb.AsFloat() ? 1 : 0; break;
            }
        } else if (!va.IsNull()) {
            r = 1;
        } else if (!vb.IsNull()) {
            r = -1;
        }
        r = r < 0 ? -1 : r > 0 ? 1 : 0;
        if (descending_) r = -r;
        if (r != 0) return r;
    }
    int r = a.id_ < b.id_ ? -1 : a.id_ > b.id_ ? 1 : 0;
    return descending_ ? -r : r;
}

void TKvMemoryData::SortOnFields(const std::string& names, bool caseInsensitive, bool descending) {
    CheckBrowseMode();
    std::vector<TField*> fields = GetFieldList(names);
    for (TField* f : fields)
        if (f->FieldKind() != fkData || f->IsBlob())
            DatabaseError("Field '" + f->DisplayName() + "' cannot be a sort field", this);
    sortFields_ = std::move(fields);
    caseInsensitive_ = caseInsensitive;
    descending_ = descending;
    std::stable_sort(records_.begin(), records_.end(),
                     [this](const auto& a, const auto& b) { return CompareRows(*a, *b) < 0; });
    First();
}

void TKvMemoryData::TakeFieldStructure(TDataSet* source) {
    CheckInactive();
    ClearFields();
    FieldDefs().Clear();
    sortFields_.clear();
    if (!source) return;
    source->FieldDefs().Update();
    FieldDefs().Assign(source->FieldDefs());
    for (int i = FieldDefs().Count() - 1; i >= 0; --i)
        if (!IsSupportedType(FieldDefs()[i].DataType())) FieldDefs().Delete(i);
    for (int i = 0; i < FieldDefs().Count(); ++i) FieldDefs()[i].CreateField(nullptr);
}

int TKvMemoryData::LoadRecordsFrom(TDataSet& source, int count, bool keepStructure) {
    return CopyRecordsFrom(source, count, keepStructure, false);
}

int TKvMemoryData::LoadShownRecordsFrom(TDataSet& source, int count, bool keepStructure) {
    return CopyRecordsFrom(source, count, keepStructure, true);
}

namespace {

// Lifts a dataset's filter and sets it again (Restore), each time back on the record that was
// current (when that record passes the filter).
class FilterLifted {
public:
    explicit FilterLifted(TDataSet& dataSet) : dataSet_(dataSet), filtered_(dataSet.Filtered()) {
        if (!filtered_) return;
        if (!dataSet_.IsEmpty()) bookmark_ = dataSet_.GetBookmark();
        dataSet_.SetFiltered(false);
        TryGotoBookmark(dataSet_, bookmark_);
    }
    void Restore() {
        if (!filtered_) return;
        filtered_ = false;
        dataSet_.SetFiltered(true);
        TryGotoBookmark(dataSet_, bookmark_);
    }
    ~FilterLifted() {
        // Only on the way out of a failed copy: the copy's error goes to the caller, so a
        // second one from setting the filter again goes to the application's handler.
        try {
            Restore();
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
    }
    FilterLifted(const FilterLifted&) = delete;
    FilterLifted& operator=(const FilterLifted&) = delete;

private:
    TDataSet& dataSet_;
    bool filtered_;
    TBookmark bookmark_;
};

} // namespace

int TKvMemoryData::CopyRecordsFrom(TDataSet& source, int count, bool keepStructure, bool onlyShown) {
    if (&source == this) return 0;
    bool sourceActive = source.Active();
    int copied = 0;
    source.DisableControls();
    DisableControls();
    try {
        SetFiltered(false);
        source.Open();
        source.CheckBrowseMode();
        std::optional<FilterLifted> lifted;
        if (!onlyShown) lifted.emplace(source);
        if (!keepStructure) {
            Close();
            TakeFieldStructure(&source);
        }
        sortFields_.clear();
        Open();
        CheckBrowseMode();
        if (count <= 0) source.First();
        while (!source.Eof()) {
            Append();
            CopyFieldValues(source, *this, true);
            Post();
            ++copied;
            if (count > 0 && copied >= count) break;
            source.Next();
        }
        if (lifted) lifted->Restore();
        First();
    } catch (...) {
        if (State() == dsInsert) Cancel();
        EnableControls();
        source.EnableControls();
        if (!sourceActive) source.Close();
        throw;
    }
    EnableControls();
    source.EnableControls();
    if (!sourceActive) source.Close();
    return copied;
}

int TKvMemoryData::SaveRecordsTo(TDataSet& dest, int count) {
    if (&dest == this) return 0;
    CheckBrowseMode();
    UpdateCursorPos();
    int copied = 0;
    DisableControls();
    dest.DisableControls();
    try {
        if (dest.Active())
            dest.CheckBrowseMode();
        else
            dest.Open();
        if (count <= 0) First();
        while (!Eof()) {
            dest.Append();
            CopyFieldValues(*this, dest, true);
            dest.Post();
            ++copied;
            if (count > 0 && copied >= count) break;
            Next();
        }
        dest.First();
    } catch (...) {
        if (dest.State() == dsInsert || dest.State() == dsEdit) dest.Cancel();
        dest.EnableControls();
        EnableControls();
        throw;
    }
    dest.EnableControls();
    EnableControls();
    return copied;
}

// ---- TMemBlobStream ---------------------------------------------------------------------

TMemBlobStream::TMemBlobStream(TField& field, TBlobStreamMode mode) : field_(field), mode_(mode) {
    dataSet_ = dynamic_cast<TKvMemoryData*>(field.DataSet());
    if (!dataSet_) DatabaseError("Field '" + field.DisplayName() + "' is not a field of a memory dataset");
    const TKvMemoryData::Slot* slot = dataSet_->SlotOf(field);
    if (!slot || slot->blobIndex < 0) DatabaseError("Field '" + field.DisplayName() + "' is not a BLOB field", dataSet_);
    blobIndex_ = slot->blobIndex;
    if (dataSet_->ActiveRecordBuffer(buffer_)) {
        if (mode != bmRead) {
            if (field.ReadOnly()) DatabaseError("Field '" + field.DisplayName() + "' cannot be modified", dataSet_);
            if (dataSet_->State() != dsEdit && dataSet_->State() != dsInsert)
                DatabaseError("Dataset not in edit or insert mode", dataSet_);
        }
        cached_ = true;
    }
    opened_ = true;
    if (mode == bmWrite) Truncate();
}

TMemBlobStream::~TMemBlobStream() {
    if (!opened_ || !modified_) return;
    if (auto* blob = dynamic_cast<TBlobField*>(&field_)) blob->SetModified(true);
    try {
        dataSet_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(&field_));
        field_.Change();
    } catch (...) {
        HandleApplicationException(std::current_exception());
    }
}

std::string* TMemBlobStream::Target() {
    if (!cached_) return nullptr;
    return &static_cast<TKvMemoryData::Buffer*>(buffer_)->blobs.at(static_cast<size_t>(blobIndex_));
}

const std::string* TMemBlobStream::Source() {
    if (cached_) return Target();
    const auto& records = dataSet_->records_;
    if (records.empty()) return nullptr;
    int pos = std::clamp(dataSet_->pos_, 0, static_cast<int>(records.size()) - 1);
    return &records[static_cast<size_t>(pos)]->Blobs().at(static_cast<size_t>(blobIndex_));
}

int64_t TMemBlobStream::Read(void* buffer, int64_t count) {
    if (!opened_) return 0;
    const std::string* s = Source();
    int64_t size = s ? static_cast<int64_t>(s->size()) : 0;
    count = std::min(count, size - position_);
    if (count <= 0 || position_ < 0) return 0;
    std::memcpy(buffer, s->data() + position_, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemBlobStream::Write(const void* buffer, int64_t count) {
    if (!opened_ || !cached_ || mode_ == bmRead || count <= 0 || position_ < 0) return 0;
    if (dataSet_->State() == dsFilter) DatabaseError("Dataset not in edit or insert mode", dataSet_);
    std::string& s = *Target();
    if (static_cast<int64_t>(s.size()) < position_ + count) s.resize(static_cast<size_t>(position_ + count), '\0');
    std::memcpy(s.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    modified_ = true;
    return count;
}

int64_t TMemBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = Size() + offset; break;
    }
    return position_;
}

int64_t TMemBlobStream::Size() {
    if (!opened_) return 0;
    const std::string* s = Source();
    return s ? static_cast<int64_t>(s->size()) : 0;
}

void TMemBlobStream::SetSize(int64_t size) {
    if (!opened_ || !cached_ || mode_ == bmRead) throw EStreamError("Cannot change the size of this BLOB stream");
    Target()->resize(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    modified_ = true;
}

void TMemBlobStream::Truncate() {
    if (opened_ && cached_ && mode_ != bmRead) {
        Target()->clear();
        modified_ = true;
    }
}

} // namespace kvz
