// The engine's tables: TVolgaDataset browses and edits the rows of a TVolgaCursor through the
// dataset framework, with a view (filtered, ranged and sorted), a change log that is applied,
// cancelled or committed as one unit, defaults on insert and read-only refusals; TVolgaTable
// reads its rows from one table file and writes them back; TVolgaDatabase names the folder of
// the table files and tracks the open and changed tables in it.
#pragma once

#include "engine/VolgaCursor.h"
#include "engine/VolgaLex.h"
#include "platform/data/DB.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

class TExportConverter;
class TVolgaDataset;
class TVolgaTable;

enum TVolgaSortOption : unsigned { vsoCaseInsensitive = 1, vsoDescendSort = 2, vsoInsertInOrder = 4 };
using TVolgaSortOptions = unsigned;
// savAutoBackup and savSortOnIndex are the cursor's; savSlowMode is kept for old settings.
constexpr unsigned savSlowMode = 4;
using TVolgaSaveOptions = unsigned;
enum TVolgaFilterOption : unsigned { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TVolgaFilterOptions = unsigned;
enum class TVolgaLoadMode { lmClear, lmFile, lmClone, lmStream };

using TCallbackEvent = std::function<void(TVolgaDataset& sender, int percent)>;
using TDestroyRecDataEvent = std::function<void(TVolgaDataset& sender, void* recordData)>;

// The engine version the tables report.
inline const char* const kVolgaVersion = "ZuzezAR Engine v5.9";

// What tells one file from another at a path: a save always makes a new file by rename.
struct TFileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified = 0, changed = 0; // nanoseconds
    bool known = false;
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at a path now; not known when it cannot be read.
TFileStamp StampOf(const std::filesystem::path& file);
// Reads a table file with its stamp: up to the length its block declares, or as much as there
// is of a shorter file. Throws FileError when it cannot be read.
TBlockBytes ReadTableFile(const std::filesystem::path& file, TFileStamp& stamp);

class TVolgaDatabase : public TComponent {
public:
    explicit TVolgaDatabase(TComponent* owner = nullptr);
    ~TVolgaDatabase() override;

    const std::string& DatabasePath() const { return path_; }
    // Ends the folder with "/" when it is not empty.
    void SetDatabasePath(const std::string& path);
    const std::string& DateFormat() const { return dateFormat_; }
    void SetDateFormat(std::string format) { dateFormat_ = std::move(format); }

    void AttachDataset(TVolgaDataset* dataset);
    void DetachDataset(TVolgaDataset* dataset);
    void MarkChanged(TVolgaDataset* dataset);
    void UnmarkChanged(TVolgaDataset* dataset);
    void CloseAll();
    const std::vector<TVolgaDataset*>& Attached() const { return attached_; }
    const std::vector<TVolgaDataset*>& Changed() const { return changed_; }

private:
    std::string path_;
    std::string dateFormat_ = "mm/dd/yyyy";
    std::vector<TVolgaDataset*> attached_;
    std::vector<TVolgaDataset*> changed_;
};

// The rows a dataset shows, in its order. A gap follows the place of the last deletion, so that
// deleting rows one after another where the cursor stands moves none of the others. The place of
// a row is found through the places counted when last asked: a row that still stands where it
// stood is found at once, and only a row that moved (or one not shown) makes them counted again.
class TViewRows {
public:
    size_t size() const { return rows_.size() - gap_; }
    bool empty() const { return size() == 0; }
    TVolgaRow* operator[](size_t i) const { return rows_[i < at_ ? i : i + gap_]; }
    void clear() {
        rows_.clear();
        at_ = gap_ = 0;
        places_.clear();
        exact_ = false;
    }
    void push_back(TVolgaRow* row) {
        Close();
        rows_.push_back(row);
        if (!places_.empty()) Place(row, size() - 1);
    }
    // Rows after i move down one place: the places counted are no longer all true.
    void erase(size_t i) {
        MoveGap(i);
        ++gap_;
        exact_ = false;
    }
    void insert(size_t i, TVolgaRow* row) {
        Close();
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i), row);
        exact_ = false;
    }
    // The rows side by side, for searching.
    const std::vector<TVolgaRow*>& Rows() const {
        Close();
        return rows_;
    }
    // The rows side by side, to be put in another order.
    std::vector<TVolgaRow*>& Reorder() {
        Close();
        exact_ = false;
        return rows_;
    }
    // The row's place; -1 when the view does not show it.
    int IndexOf(const TVolgaRow* row) const;

private:
    void MoveGap(size_t i) const {
        TVolgaRow** p = rows_.data();
        if (i < at_) std::memmove(p + i + gap_, p + i, (at_ - i) * sizeof *p);
        else if (i > at_) std::memmove(p + at_, p + at_ + gap_, (i - at_) * sizeof *p);
        at_ = i;
    }
    void Close() const {
        if (gap_ == 0) return;
        MoveGap(size());
        rows_.resize(size());
        gap_ = 0;
    }
    void Place(const TVolgaRow* row, size_t index) const;
    void CountPlaces() const;
    mutable std::vector<TVolgaRow*> rows_;
    mutable size_t at_ = 0, gap_ = 0; // the gap: gap_ unused places from index at_
    // Identity - placesBase_ -> the place counted (-1: not shown); exact_ while nothing moved since.
    mutable std::vector<int32_t> places_;
    mutable uint32_t placesBase_ = 0;
    mutable bool exact_ = false;
};

class TVolgaDataset : public TDataSet {
public:
    explicit TVolgaDataset(TComponent* owner = nullptr);
    ~TVolgaDataset() override;

    TVolgaDatabase* Database() const { return database_; }
    virtual void SetDatabase(TVolgaDatabase* database);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& names);
    const std::string& UniqueFieldNames() const { return uniqueFieldNames_; }
    void SetUniqueFieldNames(const std::string& names) { uniqueFieldNames_ = names; }
    const std::string& RangeFieldNames() const { return rangeFieldNames_; }
    void SetRangeFieldNames(const std::string& names);
    const std::string& MasterFields() const;
    void SetMasterFields(const std::string& names);
    TDataSource* MasterSource() const;
    void SetMasterSource(TDataSource* source);
    TDataSource* LinkedDataSource() const override { return MasterSource(); }
    std::string Notes() const;
    void SetNotes(const std::string& notes);
    bool PartialOpen() const { return partialOpen_; }
    void SetPartialOpen(bool on) { partialOpen_ = on; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    TVolgaSaveOptions SaveOptions() const { return saveOptions_; }
    void SetSaveOptions(TVolgaSaveOptions options) { saveOptions_ = options; }
    TVolgaSortOptions SortOptions() const { return sortOptions_; }
    void SetSortOptions(TVolgaSortOptions options);
    TVolgaFilterOptions FilterOptions() const { return filterOptions_; }
    void SetFilterOptions(TVolgaFilterOptions options);
    bool CheckKeyViolation() const { return checkKeyViolation_; }
    void SetCheckKeyViolation(bool on) { checkKeyViolation_ = on; }
    std::string Version() const { return kVolgaVersion; }
    void SetVersion(const std::string&) {}
    const std::string& FieldOrigin() const { return origin_; }
    virtual void SetFieldOrigin(const std::string& origin) { origin_ = origin; }

    // The change log.
    virtual void ApplyChanges();
    virtual void CancelChanges();
    virtual void CommitChanges();
    bool Changed() const { return changeCount_ > 0; }
    int ChangeCount() const { return changeCount_; }

    // Loading and saving.
    void LoadFromStream(const std::string& block);
    void LoadFromStream(TBlockBytes&& block);
    void SaveToFile(const std::filesystem::path& fileName);
    // Exports of the open table, which comes back to its record afterwards; the converters
    // raise their own errors.
    void ExportToDbf(const std::filesystem::path& fileName, bool toOem);
    void ExportToXml(const std::filesystem::path& fileName, const std::string& encoding);
    // The workbook is written as ".xlsx"; returns the name it was written under.
    std::filesystem::path ExportToXls(const std::filesystem::path& fileName);

    // Ranges over RangeFieldNames: values separated by tabs.
    void SetRange(const std::string& startValues, const std::string& endValues);
    void CancelRange();
    bool RangeActive() const { return rangeActive_; }

    // Key search (Part of locate and lookup): the first row whose key fields equal the values.
    bool LocateRecord(const std::string& keyFields, const Variant& keyValues, bool fromStart, TLocateOptions options);
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) override;

    // Filtering: the text is compiled at once; an error leaves the old filter in place.
    void SetFiltered(bool value) override;
    void SetFilterText(const std::string& text) override;
    void SetOnFilterRecord(TFilterRecordEvent handler) override;
    // While set, rows are decided by their identity in place of the record filter (the filter
    // text still applies): for a caller that knows the record filter's answer for every row.
    void SetRowIdentityFilter(std::function<bool(uint32_t)> accepts) { rowIdentityFilter_ = std::move(accepts); }
    bool FindFirst();
    bool FindLast();
    bool FindNext();
    bool FindPrior();

    // Framework queries over the view.
    int RecordCount() const override;
    int RecNo() const override;
    void SetRecNo(int value) override;
    bool BookmarkValid(const TBookmark& bookmark) const override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    int BookmarkRecNo(const TBookmark& bookmark) const override;
    TUpdateStatus UpdateStatus() const override;
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    void SetFieldValue(TField& field, const Variant& value) override;

    // Clones share this dataset's cursor.
    void AttachClone(TVolgaTable* table);
    void DetachClone(TVolgaTable* table);
    TVolgaCursor* Cursor() const { return cursor_; }
    // The rows the dataset shows, in its order, and the engine field behind one of its fields
    // (none for a field of its own).
    const std::vector<TVolgaRow*>& ViewRows() const { return view_.Rows(); }
    const TVolgaField* EngineFieldOf(const TField& field) const { return EngineField(field); }
    // Rebuilds the view (filter, range, sort), keeping the current row unless reset.
    void RebuildView(bool reset = false);
    bool ViewSorted() const { return viewSorted_; }

    TDataSetNotifyEvent OnNeedToSaveChange;
    TCallbackEvent OnCallback;
    TFilterRecordEvent OnFindRecord; // kept for old forms; never fired
    TDestroyRecDataEvent OnDestroyRecordData;

protected:
    // What a descendant provides: fill the cursor, read it again in place, write it, release it.
    virtual void LoadData() = 0;
    // True when the rows were read again from where they came.
    virtual bool ReloadData() = 0;
    // True when what the rows came from is known to hold them still, unchanged.
    virtual bool SourceUnchanged() const { return false; }
    virtual void FlushToFile() = 0;
    virtual void DropCursor();
    virtual void ApplyFieldOrigin();
    // The cursor this dataset reads (its own, or a clone source's).
    void SetCursor(TVolgaCursor* cursor, bool owned);
    TVolgaCursor& NewCursor();
    // Reading the rows again: their record codes are taken first, which lets the rows go; the
    // block read then takes their place, each row found again by its code keeping its identity.
    TRecordCodes HoldRecordCodes();
    void ReloadFromStream(TBlockBytes&& block, const TRecordCodes& held);
    std::vector<std::string> RecordCodeFields() const;
    int& ChangeCountRef() { return changeCount_; }
    void CountChange();
    void UncountChange();

    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    bool GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const override;
    bool FieldDataIsNull(const TField& field, const TRecordBuffer& buffer) const override;
    void SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalEdit() override;
    void InternalCancel() override;
    void InternalRefresh() override;
    void InternalInitFieldDefs() override;
    bool InternalReadRecordAt(int index, TRecordBuffer& buffer) override;
    void DoBeforeInsert() override;
    void DoBeforeClose() override;
    void InitRecord(TRecordBuffer& buffer) override;
    void Notification(TComponent* component, TOperation operation) override;

    std::vector<TVolgaTable*> clones_;
    std::string password_; // UTF-8; the cursor's once it is open

private:
    friend class TVolgaMasterLink;
    struct KeyBuffer {
        std::vector<const TVolgaField*> fields;
        std::vector<TField*> dataFields;
        // The fields as keys compare them: a right-aligned field compares by length first.
        std::vector<TVolgaField> keyFields;
        TVolgaRowBuffer values;
    };
    struct RecBuf;

    const TVolgaField* EngineField(const TField& field) const;
    void MapFields();
    // The key buffers of the field lists and the master's range.
    void PrepareKeys();
    void SetupKey(KeyBuffer& key, const std::string& names);
    // Fills a key buffer from values (texts converted to the fields' kinds); false when a
    // value does not convert.
    void FillKey(KeyBuffer& key, const std::vector<Variant>& values);
    void FillKeyFromText(KeyBuffer& key, const std::string& tabSeparated);
    int CompareKey(const KeyBuffer& key, const TVolgaRow& row, bool caseInsensitive) const;
    // Two rows in the view's order.
    int CompareRows(const TVolgaRow& a, const TVolgaRow& b) const;
    // The row at index sits between its neighbours in the view's order.
    bool InOrderAt(int index) const;
    std::string_view ValueOf(const RecBuf& buffer, const TVolgaField& f) const;
    // The buffer's record decoded for a change.
    TVolgaRowBuffer& Writable(RecBuf& buffer) const;
    void SortView();
    bool RowAccepted(TVolgaRow* row);
    bool InRange(const TVolgaRow* row) const;
    // The row's place in the view, looked for at hint first.
    int ViewIndexOf(const TVolgaRow* row, int hint = -1) const;
    static TBookmark BookmarkOf(const TVolgaRow* row);
    // The live row a bookmark names; none for a record that is gone.
    TVolgaRow* RowOf(const TBookmark& bookmark) const;
    uint32_t CurrentId() const;
    // The view's first row from start on that matches; -1 when none does.
    template <typename Match> int FirstMatch(int start, const Match& matches) const;
    // The view holds every row it should show, in its order: nothing to rebuild.
    bool ViewCurrent() const;
    // Clears the changed mark once the changes are in the file.
    void ForgetChanges();
    // Takes up the cursor's rows after they were read again, on the record of that identity.
    void FollowReload(uint32_t current);
    // The identities of a sorted view in its order, kept while its rows are read again: the
    // rows read again mostly come back in that order, which the next sort tries first.
    void KeepOrder();
    std::vector<uint32_t> keptOrder_;
    // Locate's match of text keys in the rows' own bytes.
    struct TextKeyMatcher {
        struct Key {
            const TVolgaField* field;
            std::string value;
            size_t limit;
        };
        std::vector<Key> keys;
        const uint8_t* upper = nullptr;
        bool partial = false;
        bool Prepare(const TVolgaDataset& ds, const std::vector<const TVolgaField*>& fields,
                     const std::vector<Variant>& values, TLocateOptions options);
        bool Matches(const TVolgaCursor& cursor, const TVolgaRow& row) const;
    };
    // The first row of the view that one text key matches, found by binary search when the
    // view is sorted on that field in the order the match compares in; -2 when it is not.
    int SortedFirstMatch(const TextKeyMatcher& texts) const;
    void FillBuffer(RecBuf& buffer, int index);
    bool FindRecord(bool restart, bool forward);
    void ApplyMasterRange();
    void CheckCursor() const;
    void RunExport(TExportConverter& converter, const std::function<void()>& save);
    bool ScanMatches(const std::vector<const TVolgaField*>& fields, const std::vector<Variant>& values,
                     const TVolgaRow& row, TLocateOptions options) const;
    void ResolveFilter();

    TVolgaDatabase* database_ = nullptr;
    TVolgaCursor* cursor_ = nullptr;
    std::unique_ptr<TVolgaCursor> ownCursor_;
    TViewRows view_;
    std::vector<const TVolgaField*> fieldMap_; // field definition -> the cursor's field
    int pos_ = -1;
    int changeCount_ = 0;
    bool viewValid_ = false;
    bool rangeActive_ = false;
    bool viewSorted_ = false;
    bool partialOpen_ = false;
    bool readOnly_ = false;
    bool checkKeyViolation_ = false;
    TVolgaSaveOptions saveOptions_ = 0;
    TVolgaSortOptions sortOptions_ = 0;
    TVolgaFilterOptions filterOptions_ = 0;
    std::string indexFieldNames_, uniqueFieldNames_, rangeFieldNames_, origin_;
    KeyBuffer indexKey_, uniqueKey_, rangeStart_, rangeEnd_;
    TVolgaFilter filter_;
    std::function<bool(uint32_t)> rowIdentityFilter_;
    std::unique_ptr<class TVolgaMasterLink> masterLink_;
    bool editMadeBackup_ = false;
    size_t streamSize_ = 0;
    int64_t openMSecs_ = 0;
};

// A memo or binary field read and written as a stream. Commit stores the bytes into the
// record and raises what goes wrong; a stream destroyed uncommitted stores them too and
// hands any error to the application's handler.
class TVolgaBlobStream : public TMemoryStream {
public:
    TVolgaBlobStream(TField& field, TBlobStreamMode mode);
    ~TVolgaBlobStream() override;
    void Commit();
    bool Modified() const { return modified_; }
    int64_t Write(const void* buffer, int64_t count) override;
    void SetSize(int64_t size) override;

private:
    TField& field_;
    TBlobStreamMode mode_;
    bool modified_ = false;
};

class TVolgaTable : public TVolgaDataset {
public:
    explicit TVolgaTable(TComponent* owner = nullptr);
    ~TVolgaTable() override;

    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    TVolgaLoadMode LoadMode() const { return loadMode_; }
    void SetLoadMode(TVolgaLoadMode mode);
    TVolgaDataset* CloneDS() const { return cloneDS_; }
    void SetCloneDS(TVolgaDataset* dataset);
    bool StoreDefs() const { return loadMode_ == TVolgaLoadMode::lmClear && FieldDefs().Count() > 0; }
    // UTF-8; a new password is remembered by the session and applies from the next write.
    std::string Password() const;
    void SetPassword(const std::string& password);
    // The block that lmStream loads.
    void SetLoadStream(const std::string* block) { loadStream_ = block; }

    void OpenTableFile(const std::string& name);
    std::filesystem::path FullFileName() const;
    void SetDatabase(TVolgaDatabase* database) override;
    void CancelChanges() override;
    void CommitChanges() override;

    // The table's file is the one it last read or wrote: same file, size and times.
    bool FileUnchanged() const;

protected:
    void LoadData() override;
    bool ReloadData() override;
    bool SourceUnchanged() const override { return FileUnchanged(); }
    void FlushToFile() override;
    void DropCursor() override;
    void InternalClose() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TVolgaDataset;
    TBlockBytes ReadFile(TFileStamp& stamp);
    std::string tableName_;
    TVolgaLoadMode loadMode_ = TVolgaLoadMode::lmClear;
    TVolgaDataset* cloneDS_ = nullptr;
    const std::string* loadStream_ = nullptr;
    TFileStamp stamp_;
};

} // namespace kvz
