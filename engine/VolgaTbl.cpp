#include "engine/VolgaTbl.h"

#include "engine/VolgaExp.h"
#include "engine/VolgaSession.h"
#include "engine/VolgaUtils.h"
#include "engine/VolgaValues.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace kvz {

// ---- database ----

TVolgaDatabase::TVolgaDatabase(TComponent* owner) : TComponent(owner) { VolgaSession().AddDatabase(this); }

TVolgaDatabase::~TVolgaDatabase() {
    CloseAll();
    VolgaSession().RemoveDatabase(this);
}

void TVolgaDatabase::SetDatabasePath(const std::string& path) {
    if (path == path_) return;
    path_ = path;
    if (!path_.empty() && path_.back() != '/') path_ += '/';
}

void TVolgaDatabase::AttachDataset(TVolgaDataset* dataset) {
    if (std::find(attached_.begin(), attached_.end(), dataset) == attached_.end()) attached_.push_back(dataset);
}

void TVolgaDatabase::DetachDataset(TVolgaDataset* dataset) {
    attached_.erase(std::remove(attached_.begin(), attached_.end(), dataset), attached_.end());
}

void TVolgaDatabase::MarkChanged(TVolgaDataset* dataset) {
    if (std::find(changed_.begin(), changed_.end(), dataset) == changed_.end()) changed_.push_back(dataset);
}

void TVolgaDatabase::UnmarkChanged(TVolgaDataset* dataset) {
    changed_.erase(std::remove(changed_.begin(), changed_.end(), dataset), changed_.end());
}

void TVolgaDatabase::CloseAll() {
    while (!attached_.empty()) {
        TVolgaDataset* d = attached_.back();
        attached_.pop_back();
        d->Close();
    }
}

// ---- master link ----

class TVolgaMasterLink : public TMasterDataLink {
public:
    explicit TVolgaMasterLink(TVolgaDataset* detail) : TMasterDataLink(detail), detail_(detail) {
        OnMasterChange = [this] { detail_->ApplyMasterRange(); };
        OnMasterDisable = [this] {
            if (detail_->Active()) detail_->CancelRange();
        };
    }
    // The master's values of the master fields, as typed values: texts would break on tabs
    // and on the formats of dates and numbers.
    std::vector<Variant> MasterValues() const {
        std::vector<Variant> values;
        for (TField* field : Fields()) values.push_back(field->Value());
        return values;
    }

private:
    TVolgaDataset* detail_;
};

// ---- dataset ----

// A record buffer shows its row where the cursor holds it; the record being edited or inserted
// is decoded into Data.
struct TVolgaDataset::RecBuf : TRecordBuffer {
    TVolgaRow* Row = nullptr;
    int RecNo = 0;
    bool Decoded = false;
    TVolgaRowBuffer Data;
};

TVolgaDataset::TVolgaDataset(TComponent* owner) : TDataSet(owner) {}

TVolgaDataset::~TVolgaDataset() {
    if (database_) {
        database_->DetachDataset(this);
        database_->UnmarkChanged(this);
    }
}

void TVolgaDataset::CheckCursor() const {
    if (!cursor_) DatabaseError("Cannot do this operation on closed dataset", const_cast<TVolgaDataset*>(this));
}

void TVolgaDataset::SetDatabase(TVolgaDatabase* database) {
    if (database == database_) return;
    Close();
    if (database_) database_->RemoveFreeNotification(this);
    database_ = database;
    if (database_) database_->FreeNotification(this);
}

void TVolgaDataset::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (operation == TOperation::opRemove && component == database_) {
        Close();
        database_ = nullptr;
    }
}

void TVolgaDataset::SetIndexFieldNames(const std::string& names) {
    if (names == indexFieldNames_) return;
    indexFieldNames_ = names;
    if (Active()) {
        SetupKey(indexKey_, indexFieldNames_);
        RebuildView();
    }
}

void TVolgaDataset::SetRangeFieldNames(const std::string& names) {
    rangeFieldNames_ = names;
    if (Active()) {
        SetupKey(rangeStart_, rangeFieldNames_);
        SetupKey(rangeEnd_, rangeFieldNames_);
        ApplyMasterRange();
    }
}

void TVolgaDataset::SetSortOptions(TVolgaSortOptions options) {
    sortOptions_ = options;
    if (Active()) RebuildView();
}

void TVolgaDataset::SetFilterOptions(TVolgaFilterOptions options) {
    filterOptions_ = options;
    if (Active() && Filtered()) RebuildView();
}

std::string TVolgaDataset::Notes() const { return cursor_ ? CodePageToUtf8(cursor_->Notes(), cursor_->CodePage()) : std::string(); }

void TVolgaDataset::SetNotes(const std::string& notes) {
    CheckCursor();
    try {
        cursor_->SetNotes(Utf8ToCodePage(notes, cursor_->CodePage()));
    } catch (const std::exception& e) {
        DatabaseError(e.what(), this);
    }
    CountChange();
}

const std::string& TVolgaDataset::MasterFields() const {
    static const std::string none;
    return masterLink_ ? masterLink_->FieldNames() : none;
}

void TVolgaDataset::SetMasterFields(const std::string& names) {
    if (!masterLink_) masterLink_ = std::make_unique<TVolgaMasterLink>(this);
    masterLink_->SetFieldNames(names);
    ApplyMasterRange();
}

TDataSource* TVolgaDataset::MasterSource() const { return masterLink_ ? masterLink_->DataSource() : nullptr; }

void TVolgaDataset::SetMasterSource(TDataSource* source) {
    if (source && IsLinkedTo(source)) DatabaseError("Circular data link", this);
    if (source && source->DataSet() && !dynamic_cast<TVolgaDataset*>(source->DataSet()))
        DatabaseError("Use only TVolgaDataset descendants for master-detail relationship", this);
    if (!masterLink_) masterLink_ = std::make_unique<TVolgaMasterLink>(this);
    masterLink_->SetDataSource(source);
}

void TVolgaDataset::ApplyMasterRange() {
    if (!Active() || !masterLink_) return;
    TDataSet* master = masterLink_->DataSet();
    if (masterLink_->Active() && !masterLink_->Fields().empty() && master && master->State() != dsSetKey) {
        const std::vector<Variant> values = masterLink_->MasterValues();
        FillKey(rangeStart_, values);
        FillKey(rangeEnd_, values);
        rangeActive_ = true;
        RebuildView(true);
        First();
    } else if (rangeActive_ && (!masterLink_->Active() || masterLink_->Fields().empty())) {
        CancelRange();
    }
}

void TVolgaDataset::CountChange() {
    if (++changeCount_ == 1) {
        if (database_) database_->MarkChanged(this);
        if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
    }
}

void TVolgaDataset::UncountChange() {
    if (changeCount_ > 0 && --changeCount_ == 0) {
        if (database_) database_->UnmarkChanged(this);
        if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
    }
}

// ---- change log ----

void TVolgaDataset::ApplyChanges() {
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey) Post();
    FlushToFile();
}

void TVolgaDataset::CancelChanges() {
    if (!Active() || changeCount_ == 0) return;
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey) Cancel();
    cursor_->RollBack();
    changeCount_ = 0;
    RebuildView();
    if (database_) database_->UnmarkChanged(this);
    if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
}

void TVolgaDataset::CommitChanges() {
    if (!Active() || changeCount_ == 0) return;
    cursor_->Accept();
    changeCount_ = 0;
    if (ViewCurrent()) Resync(0);
    else RebuildView();
    if (database_) database_->UnmarkChanged(this);
    if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
}

// ---- loading, saving, exports ----

void TVolgaDataset::SetCursor(TVolgaCursor* cursor, bool owned) {
    if (owned) ownCursor_.reset(cursor);
    cursor_ = cursor;
}

TVolgaCursor& TVolgaDataset::NewCursor() {
    ownCursor_ = std::make_unique<TVolgaCursor>();
    cursor_ = ownCursor_.get();
    cursor_->SetFormatSettings(Settings());
    cursor_->SetPassword(password_);
    cursor_->OnDestroyRecordData = [this](void* data) {
        if (OnDestroyRecordData) OnDestroyRecordData(*this, data);
    };
    if (OnCallback)
        cursor_->OnCallback = [this](int percent) { OnCallback(*this, percent); };
    return *cursor_;
}

void TVolgaDataset::DropCursor() {
    ownCursor_.reset();
    cursor_ = nullptr;
}

void TVolgaDataset::LoadFromStream(const std::string& block) { LoadFromStream(TBlockBytes::Copy(block)); }

void TVolgaDataset::LoadFromStream(TBlockBytes&& block) {
    TVolgaCursor& cursor = cursor_ && ownCursor_.get() == cursor_ ? *cursor_ : NewCursor();
    cursor.Clear(true);
    cursor.SetPassword(password_);
    cursor.SetPartialOpen(partialOpen_);
    streamSize_ = block.size;
    std::string message;
    if (!cursor.LoadFromStream(std::move(block), message)) {
        DropCursor();
        DatabaseError("Error opening table: " + message, this);
    }
    if (!message.empty()) HandleApplicationException(std::make_exception_ptr(EDatabaseError(message, this)));
    password_ = cursor.Password();
}

std::vector<std::string> TVolgaDataset::RecordCodeFields() const {
    // Rows keep their identities by their record code: the unique fields, else the record
    // key field of the program's tables.
    std::vector<std::string> codeFields;
    for (const std::string& name : SplitFieldNames(uniqueFieldNames_.empty() ? std::string("Number") : uniqueFieldNames_)) {
        std::string bytes;
        if (TryUtf8ToCodePage(name, cursor_->CodePage(), bytes)) codeFields.push_back(std::move(bytes));
    }
    return codeFields;
}

TRecordCodes TVolgaDataset::HoldRecordCodes() {
    CheckCursor();
    return cursor_->HoldCodes(RecordCodeFields());
}

void TVolgaDataset::ReloadFromStream(TBlockBytes&& block, const TRecordCodes& held) {
    CheckCursor();
    cursor_->SetPassword(password_);
    cursor_->SetPartialOpen(partialOpen_);
    streamSize_ = block.size;
    std::string message;
    if (!cursor_->Reload(std::move(block), held, RecordCodeFields(), message))
        DatabaseError("Error opening table: " + message, this);
    if (!message.empty()) HandleApplicationException(std::make_exception_ptr(EDatabaseError(message, this)));
    password_ = cursor_->Password();
}

void TVolgaDataset::SaveToFile(const std::filesystem::path& fileName) {
    if (!cursor_) return;
    try {
        cursor_->SaveToFile(fileName, saveOptions_, indexFieldNames_, (sortOptions_ & vsoCaseInsensitive) != 0);
    } catch (const FileError& e) {
        DatabaseError(e.what(), this);
    }
}

void TVolgaDataset::RunExport(TExportConverter& converter, const std::function<void()>& save) {
    CheckActive();
    DisableControls();
    const int recNo = RecNo();
    try {
        converter.SetDataset(this);
        if (OnCallback) converter.OnCallback = [this](int percent) { OnCallback(*this, percent); };
        save();
    } catch (...) {
        if (recNo > 0) SetRecNo(recNo);
        EnableControls();
        throw;
    }
    if (recNo > 0) SetRecNo(recNo);
    EnableControls();
}

void TVolgaDataset::ExportToDbf(const std::filesystem::path& fileName, bool toOem) {
    TZuzezARFConverter converter;
    converter.SetToOEM(toOem);
    RunExport(converter, [&] { converter.SaveToFile(fileName); });
}

void TVolgaDataset::ExportToXml(const std::filesystem::path& fileName, const std::string& encoding) {
    TVolgaXMLConverter converter;
    converter.SetEncoding(encoding);
    if (!origin_.empty()) converter.SetOrigin(origin_);
    RunExport(converter, [&] { converter.SaveToFile(fileName); });
}

std::filesystem::path TVolgaDataset::ExportToXls(const std::filesystem::path& fileName) {
    TVolgaXLSConverter converter;
    std::filesystem::path written;
    RunExport(converter, [&] { written = converter.SaveToFile(fileName); });
    return written;
}

void TVolgaDataset::AttachClone(TVolgaTable* table) {
    if (std::find(clones_.begin(), clones_.end(), table) == clones_.end()) clones_.push_back(table);
    table->SetCursor(cursor_, false);
}

void TVolgaDataset::DetachClone(TVolgaTable* table) {
    clones_.erase(std::remove(clones_.begin(), clones_.end(), table), clones_.end());
    table->SetCursor(nullptr, false);
}

// ---- key buffers ----

const TVolgaField* TVolgaDataset::EngineField(const TField& field) const {
    if (!cursor_ || field.FieldNo() <= 0 || static_cast<size_t>(field.FieldNo()) > fieldMap_.size()) return nullptr;
    return fieldMap_[static_cast<size_t>(field.FieldNo() - 1)];
}

void TVolgaDataset::MapFields() {
    // By name: another program may have changed the file's field list since the fields were
    // made, and a field must never read or write another one's value.
    fieldMap_.clear();
    if (!cursor_) return;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        std::string name;
        const TVolgaField* f = TryUtf8ToCodePage(FieldDefs()[i].Name(), cursor_->CodePage(), name) ? cursor_->FindField(name) : nullptr;
        fieldMap_.push_back(f && FieldTypeOfKind(f->Kind) == FieldDefs()[i].DataType() ? f : nullptr);
    }
}

void TVolgaDataset::PrepareKeys() {
    SetupKey(indexKey_, indexFieldNames_);
    SetupKey(uniqueKey_, uniqueFieldNames_);
    SetupKey(rangeStart_, rangeFieldNames_);
    SetupKey(rangeEnd_, rangeFieldNames_);
    rangeActive_ = false;
    if (masterLink_ && masterLink_->Active() && !masterLink_->Fields().empty()) {
        const std::vector<Variant> values = masterLink_->MasterValues();
        FillKey(rangeStart_, values);
        FillKey(rangeEnd_, values);
        rangeActive_ = true;
    }
}

void TVolgaDataset::SetupKey(KeyBuffer& key, const std::string& names) {
    key = KeyBuffer{};
    if (!cursor_) return;
    key.values = cursor_->NewBuffer();
    for (const std::string& name : SplitFieldNames(names)) {
        TField* field = FindField(name);
        const TVolgaField* engine = field ? EngineField(*field) : nullptr;
        if (!field || !engine || field->FieldKind() != fkData || IsBlobType(field->DataType()))
            DatabaseError("There are calc or BLOB fields in list of key fields", this);
        key.dataFields.push_back(field);
        key.fields.push_back(engine);
        key.keyFields.push_back(*engine);
        key.keyFields.back().Numeric = field->Alignment() == taRightJustify ? 1 : 0;
    }
}


void TVolgaDataset::FillKey(KeyBuffer& key, const std::vector<Variant>& values) {
    key.values = cursor_->NewBuffer();
    for (size_t i = 0; i < key.fields.size() && i < values.size(); ++i) {
        const Variant& v = values[i];
        if (v.IsNull() || (v.Type() == TVarType::String && v.StringRef().empty())) continue;
        if (!StoreVariant(*key.fields[i], key.values, v, Settings(), cursor_->CodePage()))
            DatabaseError("'" + v.AsString() + "' is not a valid value for field '" + key.dataFields[i]->DisplayName() + "'",
                          this);
    }
}

void TVolgaDataset::FillKeyFromText(KeyBuffer& key, const std::string& tabSeparated) {
    // Every tab separates a value, so an empty value in the middle keeps the later ones.
    std::vector<Variant> values;
    size_t pos = 0;
    while (pos <= tabSeparated.size() && values.size() < key.fields.size()) {
        const bool last = tabSeparated.find('\t', pos) == std::string::npos;
        values.emplace_back(NextTabPiece(tabSeparated, pos));
        if (last) break;
    }
    FillKey(key, values);
}

int TVolgaDataset::CompareKey(const KeyBuffer& key, const TVolgaRow& row, bool caseInsensitive) const {
    for (const TVolgaField& f : key.keyFields) {
        const int d = CompareValues(f, cursor_->FieldBytes(row, f), ValueBytes(key.values, f), caseInsensitive,
                                    cursor_->CodePage());
        if (d != 0) return d;
    }
    return 0;
}

int TVolgaDataset::CompareRows(const TVolgaRow& a, const TVolgaRow& b) const {
    const bool ci = (sortOptions_ & vsoCaseInsensitive) != 0;
    for (const TVolgaField& f : indexKey_.keyFields) {
        const int d = CompareValues(f, cursor_->FieldBytes(a, f), cursor_->FieldBytes(b, f), ci, cursor_->CodePage());
        if (d != 0) return (sortOptions_ & vsoDescendSort) ? -d : d;
    }
    return 0;
}

std::string_view TVolgaDataset::ValueOf(const RecBuf& buffer, const TVolgaField& f) const {
    if (buffer.Decoded) return ValueBytes(buffer.Data, f);
    return buffer.Row ? cursor_->FieldBytes(*buffer.Row, f) : std::string_view();
}

TVolgaRowBuffer& TVolgaDataset::Writable(RecBuf& buffer) const {
    if (!buffer.Decoded) {
        buffer.Data = buffer.Row ? cursor_->Decode(*buffer.Row) : cursor_->NewBuffer();
        buffer.Decoded = true;
    }
    return buffer.Data;
}

// ---- the view ----

bool TVolgaDataset::InRange(const TVolgaRow* row) const {
    return CompareKey(rangeStart_, *row, false) >= 0 && CompareKey(rangeEnd_, *row, false) <= 0;
}

void TVolgaDataset::ResolveFilter() {
    if (filter_.Empty()) return;
    try {
        filter_.Resolve(*cursor_);
    } catch (const EVolgaFilterError& e) {
        DatabaseError(e.what(), this);
    }
}

bool TVolgaDataset::RowAccepted(TVolgaRow* row) {
    if (!filter_.Empty() && !filter_.Accepts(*cursor_, *row, (filterOptions_ & foCaseInsensitive) != 0)) return false;
    if (rowIdentityFilter_) return rowIdentityFilter_(row->Id);
    if (!OnFilterRecord()) return true;
    RecBuf buffer;
    buffer.Row = row;
    buffer.Bookmark = BookmarkOf(row);
    return FilterAccepts(buffer);
}

void TVolgaDataset::SortView() {
    const bool descending = (sortOptions_ & vsoDescendSort) != 0;
    std::vector<TSortKey> keys;
    for (const TVolgaField& f : indexKey_.keyFields) keys.push_back({&f, descending, f.Numeric != 0});
    SortRowsByKeys(*cursor_, view_.Reorder(), std::move(keys), (sortOptions_ & vsoCaseInsensitive) != 0, keptOrder_);
    keptOrder_.clear();
    viewSorted_ = true;
}

bool TVolgaDataset::InOrderAt(int index) const {
    if (indexKey_.fields.empty()) return true;
    const auto i = static_cast<size_t>(index);
    return (i == 0 || CompareRows(*view_[i - 1], *view_[i]) <= 0) &&
           (i + 1 >= view_.size() || CompareRows(*view_[i], *view_[i + 1]) <= 0);
}

void TVolgaDataset::RebuildView(bool reset) {
    CheckCursor();
    if (Filtered()) ResolveFilter();
    const bool wasValid = viewValid_ && Active();
    const TVolgaRow* current = nullptr;
    if (wasValid) {
        if (pos_ >= 0 && pos_ < static_cast<int>(view_.size())) current = view_[static_cast<size_t>(pos_)];
        DisableControls();
        DoBeforeScroll();
    }
    view_.clear();
    try {
        for (TVolgaRow* row : cursor_->Rows()) {
            if (!row->Live()) continue;
            if (rangeActive_ && !InRange(row)) continue;
            if (Filtered() && !RowAccepted(row)) continue;
            view_.push_back(row);
        }
        viewSorted_ = false;
        if (!indexKey_.fields.empty()) SortView();
    } catch (...) {
        if (wasValid) EnableControls();
        throw;
    }
    pos_ = -1;
    if (wasValid) {
        if (!reset && current) pos_ = ViewIndexOf(current);
        if (pos_ < 0 && !view_.empty()) pos_ = 0;
        CursorPosChanged();
        Resync(0);
        DoAfterScroll();
        EnableControls();
    }
}

bool TVolgaDataset::ViewCurrent() const {
    if (!viewValid_ || Filtered() || rangeActive_ || (!indexKey_.fields.empty() && !viewSorted_)) return false;
    size_t live = 0;
    for (const TVolgaRow* row : cursor_->Rows()) live += row->Live() ? 1 : 0;
    const std::vector<TVolgaRow*>& rows = view_.Rows();
    return live == rows.size() && std::all_of(rows.begin(), rows.end(), [](const TVolgaRow* r) { return r->Live(); });
}

int TVolgaDataset::ViewIndexOf(const TVolgaRow* row, int hint) const {
    if (!row) return -1;
    if (hint >= 0 && hint < static_cast<int>(view_.size()) && view_[static_cast<size_t>(hint)] == row) return hint;
    return view_.IndexOf(row);
}

void TViewRows::Place(const TVolgaRow* row, size_t index) const {
    if (row->Id < placesBase_) {
        exact_ = false;
        return;
    }
    const size_t slot = row->Id - placesBase_;
    if (slot >= places_.size()) places_.resize(std::max(slot + 1, places_.size() * 2), -1);
    places_[slot] = static_cast<int32_t>(index);
}

void TViewRows::CountPlaces() const {
    Close();
    places_.clear();
    exact_ = true;
    if (rows_.empty()) return;
    uint32_t low = rows_.front()->Id, high = low;
    for (const TVolgaRow* row : rows_) {
        low = std::min(low, row->Id);
        high = std::max(high, row->Id);
    }
    placesBase_ = low;
    places_.assign(size_t(high - low) + 1, -1);
    for (size_t i = 0; i < rows_.size(); ++i) places_[rows_[i]->Id - low] = static_cast<int32_t>(i);
}

int TViewRows::IndexOf(const TVolgaRow* row) const {
    if (!row || empty()) return -1;
    if (places_.empty()) CountPlaces();
    for (;;) {
        if (row->Id >= placesBase_ && row->Id - placesBase_ < places_.size()) {
            const int32_t at = places_[row->Id - placesBase_];
            if (at >= 0 && static_cast<size_t>(at) < size() && (*this)[static_cast<size_t>(at)] == row) return at;
        }
        if (exact_) return -1;
        CountPlaces();
    }
}

// A bookmark is the row's identity: it names that record for the life of the dataset.
TBookmark TVolgaDataset::BookmarkOf(const TVolgaRow* row) {
    TBookmark bookmark(4, '\0');
    WriteLE<uint32_t>(bookmark.data(), row->Id);
    return bookmark;
}

TVolgaRow* TVolgaDataset::RowOf(const TBookmark& bookmark) const {
    if (!cursor_ || bookmark.size() != 4) return nullptr;
    TVolgaRow* row = cursor_->RowById(ReadLE<uint32_t>(bookmark.data()));
    return row && row->Live() ? row : nullptr;
}

// ---- framework hooks ----

std::unique_ptr<TRecordBuffer> TVolgaDataset::AllocRecordBuffer() { return std::make_unique<RecBuf>(); }

void TVolgaDataset::InternalInitFieldDefs() {
    FieldDefs().Clear();
    if (!cursor_) return;
    for (const TVolgaField& f : cursor_->Fields()) {
        const TFieldType type = FieldTypeOfKind(f.Kind);
        if (type == ftUnknown) continue;
        FieldDefs().Add(CodePageToUtf8(f.Name, cursor_->CodePage()), type, type == ftString ? f.Size : 0);
    }
}

void TVolgaDataset::InternalOpen() {
    const auto start = std::chrono::steady_clock::now();
    pos_ = -1;
    viewValid_ = false;
    LoadData();
    CheckCursor();
    InternalInitFieldDefs();
    MapFields();
    if (Fields().Count() == 0) CreateFields();
    BindFields(true);
    ApplyFieldOrigin();
    for (TField* field : Fields().List())
        if (auto* fl = dynamic_cast<TFloatField*>(field); fl && !fl->Currency() && fl->DisplayFormat().empty())
            fl->SetDisplayFormat("0.######");
    PrepareKeys();
    RebuildView(true);
    viewValid_ = true;
    changeCount_ = 0;
    openMSecs_ = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (database_) database_->AttachDataset(this);
}

void TVolgaDataset::DoBeforeClose() {
    if (!clones_.empty()) DatabaseError("Cloned tables are not closed before source dataset is closed!", this);
    TDataSet::DoBeforeClose();
}

void TVolgaDataset::InternalClose() {
    indexKey_ = uniqueKey_ = rangeStart_ = rangeEnd_ = KeyBuffer{};
    fieldMap_.clear();
    view_.clear();
    pos_ = -1;
    viewValid_ = false;
    rangeActive_ = false;
    changeCount_ = 0;
    if (database_) {
        database_->UnmarkChanged(this);
        database_->DetachDataset(this);
    }
    DropCursor();
}

bool TVolgaDataset::IsCursorOpen() const { return cursor_ && cursor_->FieldCount() > 0; }

void TVolgaDataset::FillBuffer(RecBuf& buffer, int index) {
    TVolgaRow* row = view_[static_cast<size_t>(index)];
    buffer.Decoded = false;
    buffer.Row = row;
    buffer.RecNo = index + 1;
    buffer.Bookmark = BookmarkOf(row);
    buffer.BookmarkFlag = bfCurrent;
}

TGetResult TVolgaDataset::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    const int count = static_cast<int>(view_.size());
    if (count == 0) {
        if (mode == gmCurrent && doCheck) DatabaseError("Number of records is equal to 0", this);
        return mode == gmPrior ? grBOF : grEOF;
    }
    switch (mode) {
    case gmCurrent:
        if (pos_ < 0 || pos_ >= count) {
            if (doCheck) DatabaseError("Number of records is equal to 0", this);
            return grError;
        }
        break;
    case gmNext:
        if (pos_ >= count - 1) {
            pos_ = count;
            return grEOF;
        }
        ++pos_;
        break;
    case gmPrior:
        if (pos_ <= 0) {
            pos_ = -1;
            return grBOF;
        }
        --pos_;
        break;
    }
    FillBuffer(static_cast<RecBuf&>(buffer), pos_);
    return grOK;
}

bool TVolgaDataset::InternalReadRecordAt(int index, TRecordBuffer& buffer) {
    if (index < 0 || static_cast<size_t>(index) >= view_.size()) return false;
    FillBuffer(static_cast<RecBuf&>(buffer), index);
    return true;
}

void TVolgaDataset::InternalFirst() { pos_ = -1; }
void TVolgaDataset::InternalLast() { pos_ = static_cast<int>(view_.size()); }

void TVolgaDataset::InternalSetToRecord(TRecordBuffer& buffer) {
    const auto& b = static_cast<RecBuf&>(buffer);
    const int index = ViewIndexOf(b.Row, b.RecNo - 1);
    if (index >= 0) pos_ = index;
}

void TVolgaDataset::InternalGotoBookmark(const TBookmark& bookmark) {
    // A record that is gone is reported: the cursor never stays where it was or moves to a
    // neighbour in its place.
    const int index = ViewIndexOf(RowOf(bookmark));
    if (index < 0) DatabaseError("Record not found", this);
    pos_ = index;
}

void TVolgaDataset::InternalInitRecord(TRecordBuffer& buffer) {
    auto& b = static_cast<RecBuf&>(buffer);
    b.Data = cursor_->NewBuffer();
    b.Decoded = true;
    b.Row = nullptr;
    b.RecNo = 0;
}

bool TVolgaDataset::GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const {
    const TVolgaField* fp = EngineField(field);
    if (!fp) return false;
    const TVolgaField& f = *fp;
    const auto& b = static_cast<const RecBuf&>(buffer);
    if (!b.Decoded && !b.Row) return false;
    if (b.Decoded && b.Data.Fixed.size() != static_cast<size_t>(cursor_->RowSize())) return false;
    const size_t limit = field.Size() > 0 ? static_cast<size_t>(field.Size()) : std::string_view::npos;
    return VariantOfValue(f, ValueOf(b, f), limit, cursor_->CodePage(), value);
}

bool TVolgaDataset::FieldDataIsNull(const TField& field, const TRecordBuffer& buffer) const {
    const TVolgaField* f = EngineField(field);
    if (!f) return true;
    const auto& b = static_cast<const RecBuf&>(buffer);
    if (!b.Decoded && !b.Row) return true;
    if (b.Decoded && b.Data.Fixed.size() != static_cast<size_t>(cursor_->RowSize())) return true;
    return ValueIsNull(*f, ValueOf(b, *f));
}

void TVolgaDataset::SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) {
    const TVolgaField* f = EngineField(field);
    if (!f) DatabaseError("Field '" + field.DisplayName() + "' is not found", this);
    if (f->Kind == TVolgaFieldKind::AutoInc && State() != dsSetKey && State() != dsFilter) return;
    TVolgaRowBuffer& b = Writable(static_cast<RecBuf&>(buffer));
    if (!StoreVariant(*f, b, value, Settings(), cursor_->CodePage()))
        DatabaseError("Field '" + field.DisplayName() + "': the value \"" + value.AsString() +
                          "\" holds a character that the table cannot store",
                      this);
}

void TVolgaDataset::SetFieldValue(TField& field, const Variant& value) {
    // The engine's own messages for the refusals of the framework.
    if (!FieldValuesSettable()) DatabaseError("Table is not in edit or insert mode", this);
    if (field.CalcIndex() < 0) {
        if (State() == dsCalcFields) DatabaseError("Cannot edit CalcFields", this);
        if (field.ReadOnly() && State() != dsSetKey && State() != dsFilter)
            DatabaseError("Field '" + field.DisplayName() + "' is read only!", this);
    }
    TDataSet::SetFieldValue(field, value);
}

void TVolgaDataset::DoBeforeInsert() {
    CheckCursor();
    if (readOnly_) DatabaseError("You have read only access, you can not add records!", this);
    TDataSet::DoBeforeInsert();
    CountChange();
}

void TVolgaDataset::InitRecord(TRecordBuffer& buffer) {
    TDataSet::InitRecord(buffer);
    // Defaults of the new record: the field's default expression, else the stored default.
    const auto old = SetTempState(dsNewValue, &buffer);
    try {
        for (TField* field : Fields().List()) {
            const TVolgaField* f = field->FieldKind() == fkData ? EngineField(*field) : nullptr;
            if (!f) continue;
            const std::string def = !field->DefaultExpression().empty() ? field->DefaultExpression()
                                                                         : CodePageToUtf8(f->DefaultText, cursor_->CodePage());
            if (def.empty()) continue;
            if (def == "TODAY" && f->Kind == TVolgaFieldKind::Date)
                SetFieldData(*field, buffer, Variant::DateTime(Today()));
            else if (def == "NOW" && (f->Kind == TVolgaFieldKind::DateTime || f->Kind == TVolgaFieldKind::Time))
                SetFieldData(*field, buffer, Variant::DateTime(f->Kind == TVolgaFieldKind::Time ? TimeOf(Now()) : Now()));
            else if (def == "UNICOD" && (f->Kind == TVolgaFieldKind::SmallStr || f->Kind == TVolgaFieldKind::String))
                SetFieldData(*field, buffer, Variant(NewRecordKey()));
            else if (!StoreVariant(*f, Writable(static_cast<RecBuf&>(buffer)), Variant(def), Settings(), cursor_->CodePage()))
                DatabaseError("'" + def + "' is not a valid value for field '" + field->DisplayName() + "'", this);
        }
        // A new detail record belongs to its master.
        if (masterLink_ && masterLink_->Active() && !masterLink_->Fields().empty()) {
            const auto& masters = masterLink_->Fields();
            for (size_t i = 0; i < masters.size() && i < rangeStart_.dataFields.size(); ++i)
                StoreVariant(*rangeStart_.fields[i], Writable(static_cast<RecBuf&>(buffer)), masters[i]->Value(), Settings(),
                           cursor_->CodePage());
        }
    } catch (...) {
        RestoreState(old, nullptr);
        throw;
    }
    RestoreState(old, nullptr);
}

void TVolgaDataset::InternalEdit() {
    CheckCursor();
    if (readOnly_) DatabaseError("Read-only record cannot be changed", this);
    auto& buffer = static_cast<RecBuf&>(ActiveBuffer());
    TVolgaRow* row = buffer.Row;
    const bool hadBackup = row && row->HasBackup();
    // A record whose backup cannot be taken cannot be edited: its changes could not be undone.
    if (!cursor_->BackupRow(row)) DatabaseError("Record cannot be edited: it has been deleted", this);
    editMadeBackup_ = !hadBackup && row->HasBackup();
    buffer.Decoded = false;
    Writable(buffer);
    CountChange();
}

void TVolgaDataset::InternalCancel() {
    if (State() == dsEdit) {
        // Only this edit is undone: a backup from an earlier posted change stays.
        TVolgaRow* row = static_cast<RecBuf&>(ActiveBuffer()).Row;
        if (row && editMadeBackup_ && row->State == rsUnchanged) cursor_->DropBackup(row);
        editMadeBackup_ = false;
    }
    if (State() == dsEdit || State() == dsInsert) UncountChange();
}

void TVolgaDataset::InternalPost() {
    CheckCursor();
    auto& buffer = static_cast<RecBuf&>(ActiveBuffer());
    const TVolgaRowBuffer& values = Writable(buffer);
    const bool inserting = State() == dsInsert;
    const std::string prefix = inserting ? "Error saving new record: " : "Error saving record: ";
    if (checkKeyViolation_ && !uniqueFieldNames_.empty()) {
        SetupKey(uniqueKey_, uniqueFieldNames_);
        for (const TVolgaRow* other : cursor_->Rows()) {
            if (!other->Live() || other == buffer.Row) continue;
            const bool same = std::all_of(uniqueKey_.fields.begin(), uniqueKey_.fields.end(), [&](const TVolgaField* f) {
                return CompareValues(*f, ValueBytes(values, *f), cursor_->FieldBytes(*other, *f), false,
                                     cursor_->CodePage()) == 0;
            });
            if (same) DatabaseError(prefix + "Key violation", this);
        }
    }
    std::string message;
    if (inserting) {
        TVolgaRow* row = cursor_->PostRow(values, nullptr, message);
        if (!row) DatabaseError(prefix + message, this);
        if ((sortOptions_ & vsoInsertInOrder) && viewSorted_ && !indexKey_.fields.empty()) {
            // The new row goes to the first place whose key is not below its own.
            const std::vector<TVolgaRow*>& rows = view_.Rows();
            auto it = std::lower_bound(rows.begin(), rows.end(), row,
                                       [&](const TVolgaRow* a, const TVolgaRow* b) { return CompareRows(*a, *b) < 0; });
            pos_ = static_cast<int>(it - rows.begin());
            view_.insert(static_cast<size_t>(pos_), row);
        } else {
            view_.push_back(row);
            pos_ = static_cast<int>(view_.size()) - 1;
            if (!indexKey_.fields.empty() && !InOrderAt(pos_)) viewSorted_ = false;
        }
        buffer.Row = row;
    } else {
        TVolgaRow* row = buffer.Row;
        if (!cursor_->PostRow(values, row, message)) DatabaseError(prefix + message, this);
        const int index = ViewIndexOf(row, pos_);
        if (index >= 0) pos_ = index;
        // A view stays sorted while the changed row still sits between its neighbours.
        if (viewSorted_ && (index < 0 || !InOrderAt(index))) viewSorted_ = false;
    }
    editMadeBackup_ = false;
}

void TVolgaDataset::InternalDelete() {
    CheckCursor();
    if (readOnly_) DatabaseError("Read-only record cannot be deleted", this);
    TVolgaRow* row = static_cast<RecBuf&>(ActiveBuffer()).Row;
    std::string message;
    if (!cursor_->DeleteRow(row, message)) DatabaseError("Error deleting record: " + message, this);
    const int index = ViewIndexOf(row, pos_);
    if (index >= 0) {
        view_.erase(static_cast<size_t>(index));
        pos_ = std::min(index, static_cast<int>(view_.size()) - 1);
    }
    CountChange();
}

uint32_t TVolgaDataset::CurrentId() const {
    return pos_ >= 0 && pos_ < static_cast<int>(view_.size()) ? view_[static_cast<size_t>(pos_)]->Id : 0;
}

void TVolgaDataset::ForgetChanges() {
    if (changeCount_ == 0) return;
    changeCount_ = 0;
    if (database_) database_->UnmarkChanged(this);
    if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
}

void TVolgaDataset::InternalRefresh() {
    CheckCursor();
    // Pending changes are written first, the clones' too: the rows read back hold them.
    for (TVolgaTable* clone : clones_) clone->CheckBrowseMode();
    // Rows without changes, of a file no one wrote since, are the file's: they are not read
    // again, only shown afresh.
    const bool pristine = changeCount_ == 0 &&
                          std::none_of(clones_.begin(), clones_.end(), [](TVolgaTable* c) { return c->Changed(); });
    const bool readAgain = !pristine || !SourceUnchanged();
    if (changeCount_ > 0) ApplyChanges();
    for (TVolgaTable* clone : clones_)
        if (clone->Changed() && changeCount_ == 0) clone->ApplyChanges();
    // What is current is known by identity: the rows are about to be replaced.
    const uint32_t current = CurrentId();
    std::vector<std::pair<TVolgaTable*, uint32_t>> followers;
    for (TVolgaTable* clone : clones_) {
        followers.emplace_back(clone, clone->CurrentId());
        clone->KeepOrder();
        clone->view_.clear();
    }
    KeepOrder();
    view_.clear();
    pos_ = -1;
    viewValid_ = false;
    bool reread = false;
    try {
        if (readAgain) reread = ReloadData();
    } catch (...) {
        // Nothing may read the rows that are gone: the clones close, and this table keeps
        // no cursor.
        for (auto& [clone, id] : followers) {
            clone->fieldMap_.clear();
            clone->Close();
        }
        fieldMap_.clear();
        DropCursor();
        throw;
    }
    // The rows read again hold the changes written: nothing is left to save.
    if (reread) {
        ForgetChanges();
        for (auto& [clone, id] : followers) clone->ForgetChanges();
    }
    FollowReload(current);
    for (auto& [clone, id] : followers) {
        clone->FollowReload(id);
        clone->Resync(0);
    }
}

void TVolgaDataset::KeepOrder() {
    keptOrder_.clear();
    if (indexKey_.fields.empty()) return;
    keptOrder_.reserve(view_.size());
    for (const TVolgaRow* row : view_.Rows()) keptOrder_.push_back(row->Id);
}

void TVolgaDataset::FollowReload(uint32_t current) {
    CheckCursor();
    MapFields();
    // A range set by the caller stays; the master's is taken afresh.
    const bool ownRange = rangeActive_;
    TVolgaRowBuffer start = rangeStart_.values, end = rangeEnd_.values;
    PrepareKeys();
    if (ownRange && !rangeActive_ && start.Fixed.size() == static_cast<size_t>(cursor_->RowSize())) {
        rangeStart_.values = std::move(start);
        rangeEnd_.values = std::move(end);
        rangeActive_ = true;
    }
    viewValid_ = false;
    RebuildView(true);
    keptOrder_.clear();
    viewValid_ = true;
    const TVolgaRow* row = current ? cursor_->RowById(current) : nullptr;
    const int index = row && row->Live() ? ViewIndexOf(row) : -1;
    pos_ = index >= 0 ? index : (view_.empty() ? -1 : 0);
    CursorPosChanged();
}

void TVolgaDataset::ApplyFieldOrigin() {
    if (origin_.empty()) return;
    for (TField* field : Fields().List()) field->SetOrigin(origin_);
}

// ---- queries ----

int TVolgaDataset::RecordCount() const { return static_cast<int>(view_.size()); }

int TVolgaDataset::RecNo() const {
    if (!Active() || IsEmpty()) return 0;
    if (State() == dsInsert) return 0;
    return static_cast<const RecBuf&>(ActiveBuffer()).RecNo;
}

void TVolgaDataset::SetRecNo(int value) {
    CheckBrowseMode();
    if (view_.empty()) return;
    value = std::clamp(value, 1, static_cast<int>(view_.size()));
    if (value == RecNo()) return;
    DoBeforeScroll();
    pos_ = value - 1;
    CursorPosChanged();
    Resync(rmCenter);
    DoAfterScroll();
}

bool TVolgaDataset::BookmarkValid(const TBookmark& bookmark) const { return ViewIndexOf(RowOf(bookmark)) >= 0; }

int TVolgaDataset::BookmarkRecNo(const TBookmark& bookmark) const { return ViewIndexOf(RowOf(bookmark)) + 1; }

int TVolgaDataset::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.size() != 4 || b.size() != 4) return TDataSet::CompareBookmarks(a, b);
    // Records compare by their places in the view, as the user sees them; one the view does not
    // show comes after those it shows, and two such by identity.
    const uint32_t x = ReadLE<uint32_t>(a.data()), y = ReadLE<uint32_t>(b.data());
    if (x == y) return 0;
    const auto place = [this](const TBookmark& bookmark) {
        const int index = ViewIndexOf(RowOf(bookmark));
        return index < 0 ? std::numeric_limits<int64_t>::max() : int64_t{index};
    };
    const int64_t p = place(a), q = place(b);
    if (p != q) return p < q ? -1 : 1;
    return x < y ? -1 : 1;
}

TUpdateStatus TVolgaDataset::UpdateStatus() const {
    if (!Active() || IsEmpty()) return usUnmodified;
    const TVolgaRow* row = static_cast<const RecBuf&>(ActiveBuffer()).Row;
    if (!row) return State() == dsInsert ? usInserted : usUnmodified;
    switch (row->State) {
    case rsModified: return usModified;
    case rsInserted: return usInserted;
    case rsDeleted: return usDeleted;
    default: return usUnmodified;
    }
}

TVolgaBlobStream::TVolgaBlobStream(TField& field, TBlobStreamMode mode) : field_(field), mode_(mode) {
    TDataSet* ds = field.DataSet();
    if (mode != bmRead) {
        if (field.ReadOnly()) DatabaseError("Field '" + field.DisplayName() + "' is read only!", ds);
        if (!ds || (ds->State() != dsEdit && ds->State() != dsInsert))
            DatabaseError("Table is not in edit or insert mode", ds);
    }
    if (mode == bmWrite) {
        modified_ = true;
    } else {
        Variant v;
        if (field.GetData(v)) Bytes() = v.AsString();
    }
}

TVolgaBlobStream::~TVolgaBlobStream() {
    if (!modified_) return;
    // Nothing may escape a destructor: what Commit would have raised goes to the handler.
    try {
        Commit();
    } catch (...) {
        HandleApplicationException(std::current_exception());
    }
}

void TVolgaBlobStream::Commit() {
    if (!modified_) return;
    modified_ = false;
    field_.SetValue(Bytes().empty() ? Variant() : Variant(Bytes()));
    if (auto* blob = dynamic_cast<TBlobField*>(&field_)) blob->SetModified(true);
}

int64_t TVolgaBlobStream::Write(const void* buffer, int64_t count) {
    if (mode_ == bmRead) throw EStreamError("Cannot write to a BLOB opened for reading");
    modified_ = true;
    return TMemoryStream::Write(buffer, count);
}

void TVolgaBlobStream::SetSize(int64_t size) {
    if (mode_ == bmRead) throw EStreamError("Cannot write to a BLOB opened for reading");
    modified_ = true;
    TMemoryStream::SetSize(size);
}

std::unique_ptr<TStream> TVolgaDataset::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TVolgaBlobStream>(field, mode);
}

// ---- ranges ----

void TVolgaDataset::SetRange(const std::string& startValues, const std::string& endValues) {
    CheckCursor();
    CheckBrowseMode();
    FillKeyFromText(rangeStart_, startValues);
    FillKeyFromText(rangeEnd_, endValues);
    rangeActive_ = true;
    RebuildView(true);
    First();
}

void TVolgaDataset::CancelRange() {
    rangeActive_ = false;
    if (cursor_ && Active()) RebuildView();
}

// ---- searching ----

bool TVolgaDataset::ScanMatches(const std::vector<const TVolgaField*>& fields, const std::vector<Variant>& values,
                                const TVolgaRow& row, TLocateOptions options) const {
    RecBuf buffer;
    buffer.Row = const_cast<TVolgaRow*>(&row);
    for (size_t i = 0; i < fields.size(); ++i) {
        const Variant& want = i < values.size() ? values[i] : Variant();
        if (want.IsNull()) return false;
        Variant have;
        TField* field = nullptr;
        for (TField* fl : Fields().List())
            if (EngineField(*fl) == fields[i]) field = fl;
        if (!field || !GetFieldData(*field, buffer, have)) return false;
        if (field->DataType() == ftString || field->DataType() == ftMemo) {
            std::string a = have.AsString(), b = want.AsString();
            if (options & loCaseInsensitive) {
                a = Utf8Upper(a);
                b = Utf8Upper(b);
            }
            if (options & loPartialKey) {
                if (a.compare(0, b.size(), b) != 0) return false;
            } else if (a != b) {
                return false;
            }
        } else if (!(have == want)) {
            return false;
        }
    }
    return true;
}

bool TVolgaDataset::TextKeyMatcher::Prepare(const TVolgaDataset& ds, const std::vector<const TVolgaField*>& fields,
                                            const std::vector<Variant>& values, TLocateOptions options) {
    // Texts are matched in the row's own bytes: the wanted values are brought into the code
    // page once, in upper case when case does not count.
    upper = (options & loCaseInsensitive) ? CodePageTablesFor(ds.cursor_->CodePage()).upper.data() : nullptr;
    partial = (options & loPartialKey) != 0;
    keys.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        const TVolgaField* f = fields[i];
        if (!f || (f->Kind != TVolgaFieldKind::SmallStr && f->Kind != TVolgaFieldKind::String && f->Kind != TVolgaFieldKind::Memo))
            return false;
        if (i >= values.size() || values[i].IsNull()) return false;
        std::string bytes;
        if (!TryUtf8ToCodePage(values[i].AsString(), ds.cursor_->CodePage(), bytes)) return false;
        if (upper)
            for (char& c : bytes) c = static_cast<char>(upper[static_cast<uint8_t>(c)]);
        // A value is seen as far as its field shows it.
        size_t limit = std::string::npos;
        for (TField* fl : ds.Fields().List())
            if (ds.EngineField(*fl) == f && f->Kind != TVolgaFieldKind::Memo && fl->Size() > 0) limit = static_cast<size_t>(fl->Size());
        keys.push_back({f, std::move(bytes), limit});
    }
    return true;
}

bool TVolgaDataset::TextKeyMatcher::Matches(const TVolgaCursor& cursor, const TVolgaRow& row) const {
    for (const Key& k : keys) {
        std::string_view have = cursor.FieldBytes(row, *k.field);
        have = have.substr(0, std::min(have.size(), k.limit));
        if (partial ? have.size() < k.value.size() : have.size() != k.value.size()) return false;
        const size_t n = k.value.size();
        if (upper) {
            for (size_t j = 0; j < n; ++j)
                if (upper[static_cast<uint8_t>(have[j])] != static_cast<uint8_t>(k.value[j])) return false;
        } else if (have.compare(0, n, k.value) != 0) {
            return false;
        }
    }
    return true;
}

template <typename Match> int TVolgaDataset::FirstMatch(int start, const Match& matches) const {
    // The rows are tried in the order they lie in memory, several times faster than a sorted
    // view's order; the few that match are then looked for in the view. When many match, the
    // view's own order finds the first soonest.
    constexpr size_t kFew = 16;
    start = std::max(start, 0);
    std::vector<const TVolgaRow*> hits;
    for (const TVolgaRow* row : cursor_->Rows()) {
        if (!row->Live() || !matches(*row)) continue;
        hits.push_back(row);
        if (hits.size() > kFew) break;
    }
    if (hits.size() > kFew) {
        for (int i = start; i < static_cast<int>(view_.size()); ++i)
            if (matches(*view_[static_cast<size_t>(i)])) return i;
        return -1;
    }
    int first = -1;
    for (const TVolgaRow* hit : hits) {
        const int index = view_.IndexOf(hit);
        if (index >= start && (first < 0 || index < first)) first = index;
    }
    return first;
}

namespace {

// Whether two bytes have one rank in the case-insensitive order exactly when their upper-case
// forms are one: then the rows that begin with a text in upper case lie together in that order.
bool RanksFollowUpperCase(int codePage) {
    static thread_local std::unordered_map<int, bool> known;
    if (auto it = known.find(codePage); it != known.end()) return it->second;
    const CodePageTables& t = CodePageTablesFor(codePage);
    std::array<int, 256> rankOfUpper;
    rankOfUpper.fill(-1);
    std::unordered_map<uint16_t, uint8_t> upperOfRank;
    bool follows = true;
    for (size_t b = 0; b < 256; ++b) {
        const uint8_t u = t.upper[b];
        const uint16_t rank = t.collate[b];
        follows &= t.upper[u] == u;
        follows &= rankOfUpper[u] < 0 || rankOfUpper[u] == rank;
        rankOfUpper[u] = rank;
        follows &= upperOfRank.emplace(rank, u).first->second == u;
    }
    known.emplace(codePage, follows);
    return follows;
}

} // namespace

int TVolgaDataset::SortedFirstMatch(const TextKeyMatcher& texts) const {
    if (texts.keys.size() != 1 || !viewSorted_ || indexKey_.keyFields.empty() || view_.empty()) return -2;
    const TextKeyMatcher::Key& key = texts.keys.front();
    const TVolgaField& leading = indexKey_.keyFields.front();
    const bool ci = (sortOptions_ & vsoCaseInsensitive) != 0;
    // The view must be ordered on the field as plain text, ascending, in the case the match uses.
    if (leading.Index != key.field->Index || leading.Numeric || (sortOptions_ & vsoDescendSort) ||
        ci != (texts.upper != nullptr) || key.value.size() > key.limit || key.value.empty())
        return -2;
    if (ci && !RanksFollowUpperCase(cursor_->CodePage())) return -2;
    const uint16_t* collate = ci ? CodePageTablesFor(cursor_->CodePage()).collate.data() : nullptr;
    auto rank = [collate](char c) { return collate ? collate[static_cast<uint8_t>(c)] : static_cast<uint16_t>(static_cast<uint8_t>(c)); };
    const std::string_view want = key.value;
    // The rows before the first that begins with the key: those whose beginning orders before it.
    const std::vector<TVolgaRow*>& rows = view_.Rows();
    const auto it = std::partition_point(rows.begin(), rows.end(), [&](const TVolgaRow* r) {
        const std::string_view have = cursor_->FieldBytes(*r, *key.field);
        const size_t n = std::min(have.size(), want.size());
        for (size_t i = 0; i < n; ++i) {
            const uint16_t x = rank(have[i]), y = rank(want[i]);
            if (x != y) return x < y;
        }
        return have.size() < want.size();
    });
    // Those that match lie together from there, the exact ones first.
    return it != rows.end() && texts.Matches(*cursor_, **it) ? static_cast<int>(it - rows.begin()) : -1;
}

bool TVolgaDataset::LocateRecord(const std::string& keyFields, const Variant& keyValues, bool fromStart,
                                 TLocateOptions options) {
    CheckBrowseMode();
    if (view_.empty() || keyFields.empty() || keyValues.IsNull()) return false;
    if (keyValues.Type() == TVarType::String && keyValues.StringRef().empty()) return false;
    SetupKey(uniqueKey_, keyFields);
    const std::vector<Variant> values = keyValues.IsArray() ? keyValues.Items() : std::vector<Variant>{keyValues};
    const int start = fromStart ? 0 : pos_ + 1;
    int found = -1;
    if (options != 0) {
        TextKeyMatcher texts;
        if (texts.Prepare(*this, uniqueKey_.fields, values, options)) {
            found = fromStart ? SortedFirstMatch(texts) : -2;
            if (found == -2) found = FirstMatch(start, [&](const TVolgaRow& r) { return texts.Matches(*cursor_, r); });
        }
        else
            found = FirstMatch(start, [&](const TVolgaRow& r) { return ScanMatches(uniqueKey_.fields, values, r, options); });
    } else {
        FillKey(uniqueKey_, values);
        // Binary search when the names lead the sorted, case-sensitive index.
        std::string leading = Utf8Upper(indexFieldNames_), names = Utf8Upper(keyFields);
        const bool leads = !names.empty() && leading.compare(0, names.size(), names) == 0 &&
                           (leading.size() == names.size() || leading[names.size()] == ';');
        if (leads && viewSorted_ && !(sortOptions_ & vsoCaseInsensitive) && fromStart) {
            const bool descending = (sortOptions_ & vsoDescendSort) != 0;
            const std::vector<TVolgaRow*>& rows = view_.Rows();
            auto it = std::partition_point(rows.begin(), rows.end(), [&](const TVolgaRow* r) {
                const int d = CompareKey(uniqueKey_, *r, false);
                return descending ? d > 0 : d < 0;
            });
            if (it != rows.end() && CompareKey(uniqueKey_, **it, false) == 0) found = static_cast<int>(it - rows.begin());
        } else {
            found = FirstMatch(start, [&](const TVolgaRow& r) { return CompareKey(uniqueKey_, r, false) == 0; });
        }
    }
    if (found < 0) return false;
    pos_ = found;
    return true;
}

bool TVolgaDataset::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckActive();
    DoBeforeScroll();
    const int old = pos_;
    if (!LocateRecord(keyFields, keyValues, true, options)) {
        pos_ = old;
        return false;
    }
    CursorPosChanged();
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

Variant TVolgaDataset::Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) {
    CheckActive();
    const int old = pos_;
    Variant result;
    if (LocateRecord(keyFields, keyValues, true, 0)) {
        RecBuf buffer;
        FillBuffer(buffer, pos_);
        GetCalcFields(buffer);
        const auto state = SetTempState(dsCalcFields, &buffer);
        try {
            result = FieldValues(resultFields);
        } catch (...) {
            RestoreState(state, nullptr);
            pos_ = old;
            throw;
        }
        RestoreState(state, nullptr);
    }
    pos_ = old;
    CursorPosChanged();
    return result;
}

// ---- filtering ----

void TVolgaDataset::SetFiltered(bool value) {
    if (value == Filtered()) return;
    TDataSet::SetFiltered(value);
    if (Active() && cursor_) {
        RebuildView();
        First();
    }
}

void TVolgaDataset::SetFilterText(const std::string& text) {
    // The new text is compiled first: a mistake leaves the old filter as it was.
    if (text.empty()) {
        filter_.Clear();
    } else {
        try {
            filter_.Compile(text, Settings(), cursor_ ? cursor_->CodePage() : DataCodePage());
        } catch (const EVolgaFilterError& e) {
            DatabaseError(e.what(), this);
        }
    }
    TDataSet::SetFilterText(text);
    if (Active() && cursor_ && Filtered()) RebuildView();
}

void TVolgaDataset::SetOnFilterRecord(TFilterRecordEvent handler) {
    TDataSet::SetOnFilterRecord(std::move(handler));
    if (Active() && cursor_ && Filtered()) RebuildView();
}

bool TVolgaDataset::FindRecord(bool restart, bool forward) {
    CheckBrowseMode();
    if (Filtered()) {
        if (restart) forward ? First() : Last();
        else forward ? Next() : Prior();
        return !(forward ? Eof() : Bof());
    }
    ResolveFilter();
    const int count = static_cast<int>(view_.size());
    int i = restart ? (forward ? 0 : count - 1) : (forward ? pos_ + 1 : pos_ - 1);
    for (; i >= 0 && i < count; i += forward ? 1 : -1) {
        if (!RowAccepted(view_[static_cast<size_t>(i)])) continue;
        DoBeforeScroll();
        pos_ = i;
        CursorPosChanged();
        Resync(rmExact | rmCenter);
        DoAfterScroll();
        return true;
    }
    return false;
}

bool TVolgaDataset::FindFirst() { return FindRecord(true, true); }
bool TVolgaDataset::FindLast() { return FindRecord(true, false); }
bool TVolgaDataset::FindNext() { return FindRecord(false, true); }
bool TVolgaDataset::FindPrior() { return FindRecord(false, false); }

// ---- table ----

namespace {

TFileStamp StampFrom(const struct stat& st) {
    TFileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = static_cast<uint64_t>(st.st_size);
    s.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changed = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.known = true;
    return s;
}

} // namespace

TFileStamp StampOf(const std::filesystem::path& file) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) return {};
    return StampFrom(st);
}

TBlockBytes ReadTableFile(const std::filesystem::path& file, TFileStamp& stamp) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError("Cannot open \"" + file.string() + "\": " + std::strerror(errno), file, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto fail = [&] { throw FileError("Cannot read \"" + file.string() + "\": " + std::strerror(errno), file, errno); };
    auto readUpTo = [&](char* p, size_t n) {
        size_t got = 0;
        while (got < n) {
            const ssize_t r = ::read(fd, p + got, n - got);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) fail();
            if (r == 0) break;
            got += static_cast<size_t>(r);
        }
        return got;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0) fail();
    if (!S_ISREG(st.st_mode)) {
        errno = EISDIR;
        fail();
    }
    // The block is the whole file: the length it declares is not trusted, the file's size
    // bounds what is read, and the reader says what is wrong with what it holds. A file whose
    // kind byte is no table's (a sparse or foreign file) is refused on its first bytes
    // without the rest taking memory.
    constexpr size_t kHead = 5;
    char head[kHead];
    const size_t got = readUpTo(head, kHead);
    const char kind = got == kHead ? head[4] : 0;
    const bool table = kind == 'S' || kind == 'P' || kind == 'E';
    const size_t total = table ? std::max(static_cast<size_t>(st.st_size), got) : got;
    TBlockBytes block{std::make_unique_for_overwrite<char[]>(std::max<size_t>(total, 1)), got};
    std::memcpy(block.data.get(), head, got);
    if (total > got) block.size += readUpTo(block.data.get() + got, total - got);
    stamp = StampFrom(st);
    return block;
}

TVolgaTable::TVolgaTable(TComponent* owner) : TVolgaDataset(owner) {}

TVolgaTable::~TVolgaTable() {
    // Clones read this table's rows, so they close first; nothing may escape a destructor.
    while (!clones_.empty()) {
        TVolgaTable* clone = clones_.back();
        try {
            clone->Close();
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
        if (!clones_.empty() && clones_.back() == clone) DetachClone(clone);
    }
    try {
        Close();
    } catch (...) {
        HandleApplicationException(std::current_exception());
    }
    if (cloneDS_) cloneDS_->DetachClone(this);
}

void TVolgaTable::SetTableName(const std::string& name) {
    if (name == tableName_) return;
    Close();
    tableName_ = name;
    loadMode_ = name.empty() ? TVolgaLoadMode::lmClear : TVolgaLoadMode::lmFile;
}

void TVolgaTable::SetLoadMode(TVolgaLoadMode mode) {
    if (mode == loadMode_) return;
    Close();
    loadMode_ = mode;
}

void TVolgaTable::SetCloneDS(TVolgaDataset* dataset) {
    if (dataset == cloneDS_) return;
    Close();
    if (cloneDS_) cloneDS_->RemoveFreeNotification(this);
    cloneDS_ = dataset;
    if (cloneDS_) cloneDS_->FreeNotification(this);
    loadMode_ = dataset ? TVolgaLoadMode::lmClone : TVolgaLoadMode::lmClear;
}

std::string TVolgaTable::Password() const {
    if (Cursor() && !Cursor()->Password().empty()) return Cursor()->Password();
    return password_;
}

void TVolgaTable::SetPassword(const std::string& password) {
    if (!password.empty())
        VolgaSession().AddPassword(password);
    else if (!password_.empty())
        VolgaSession().RemovePassword(password_);
    password_ = password;
    if (Active() && Cursor()) {
        Cursor()->SetPassword(password);
        CountChange();
    }
}

void TVolgaTable::OpenTableFile(const std::string& name) {
    Close();
    SetTableName(name);
    Open();
}

std::filesystem::path TVolgaTable::FullFileName() const {
    const std::filesystem::path name(tableName_);
    if (name.is_absolute() || !Database() || Database()->DatabasePath().empty()) return name;
    // A name joined to the database folder names a file in that folder, never one outside it.
    if (!IsSafeFileNamePart(tableName_))
        DatabaseError("Invalid table name \"" + tableName_ + "\"", const_cast<TVolgaTable*>(this));
    return std::filesystem::path(Database()->DatabasePath()) / name;
}

void TVolgaTable::SetDatabase(TVolgaDatabase* database) {
    TVolgaDataset::SetDatabase(database);
    if (database && !database->DatabasePath().empty() && !tableName_.empty())
        tableName_ = std::filesystem::path(tableName_).filename().string();
}

void TVolgaTable::LoadData() {
    switch (loadMode_) {
    case TVolgaLoadMode::lmClear: {
        if (FieldDefs().Count() == 0) DatabaseError("Error creating table (no field descriptions)", this);
        TVolgaCursor& cursor = NewCursor();
        cursor.Clear(true);
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            const TFieldDef& def = FieldDefs()[i];
            const TVolgaFieldKind kind = KindOfFieldType(def.DataType(), def.Size());
            std::string name;
            if (!TryUtf8ToCodePage(def.Name(), cursor.CodePage(), name))
                DatabaseError("Field name '" + def.Name() + "' holds a character that the table cannot store", this);
            try {
                cursor.AddField(name, kind, kind == TVolgaFieldKind::SmallStr || kind == TVolgaFieldKind::String ? def.Size() : 0);
            } catch (const std::invalid_argument& e) {
                DatabaseError(e.what(), this);
            }
        }
        cursor.SetPassword(password_);
        break;
    }
    case TVolgaLoadMode::lmFile: {
        TFileStamp stamp;
        LoadFromStream(ReadFile(stamp));
        stamp_ = stamp;
        break;
    }
    case TVolgaLoadMode::lmClone:
        if (!cloneDS_ || !cloneDS_->Active()) DatabaseError("Cloned table is not active!", this);
        cloneDS_->AttachClone(this);
        break;
    case TVolgaLoadMode::lmStream:
        if (!loadStream_) DatabaseError("Loading stream is not assigned", this);
        LoadFromStream(*loadStream_);
        break;
    }
}

bool TVolgaTable::ReloadData() {
    // A clone's rows are its source's, and a table of no file has nothing to read again.
    switch (loadMode_) {
    case TVolgaLoadMode::lmFile: {
        // The rows held are let go before the file is read: their memory takes it.
        const TRecordCodes held = HoldRecordCodes();
        TFileStamp stamp;
        ReloadFromStream(ReadFile(stamp), held);
        stamp_ = stamp;
        return true;
    }
    case TVolgaLoadMode::lmStream: {
        // Changes have no file to go to: reading the stream again would lose them.
        if (ChangeCount() > 0) return false;
        if (!loadStream_) DatabaseError("Loading stream is not assigned", this);
        const TRecordCodes held = HoldRecordCodes();
        ReloadFromStream(TBlockBytes::Copy(*loadStream_), held);
        return true;
    }
    default: return false;
    }
}

TBlockBytes TVolgaTable::ReadFile(TFileStamp& stamp) {
    const std::filesystem::path file = FullFileName();
    try {
        return ReadTableFile(file, stamp);
    } catch (const FileError&) {
        DatabaseError("Error opening file " + file.string(), this);
    }
}

bool TVolgaTable::FileUnchanged() const {
    if (loadMode_ != TVolgaLoadMode::lmFile || !stamp_.known) return false;
    const TFileStamp now = StampOf(FullFileName());
    return now.known && now == stamp_;
}

void TVolgaTable::FlushToFile() {
    if (ChangeCount() <= 0) return;
    std::filesystem::path name;
    auto* source = dynamic_cast<TVolgaTable*>(cloneDS_);
    TVolgaTable* owner = nullptr; // the table whose file this is
    if (loadMode_ == TVolgaLoadMode::lmFile) {
        name = FullFileName();
        owner = this;
    } else if (loadMode_ == TVolgaLoadMode::lmClone && source && source->loadMode_ == TVolgaLoadMode::lmFile) {
        name = source->FullFileName();
        owner = source;
    }
    if (!name.empty()) {
        if (owner) owner->stamp_ = {};
        SaveToFile(name);
        if (owner) owner->stamp_ = StampOf(name);
    }
    if (loadMode_ == TVolgaLoadMode::lmClone && cloneDS_ && cloneDS_->Active()) cloneDS_->RebuildView();
}

void TVolgaTable::CancelChanges() {
    TVolgaDataset::CancelChanges();
    if (loadMode_ == TVolgaLoadMode::lmClone && cloneDS_ && cloneDS_->Database()) cloneDS_->Database()->UnmarkChanged(cloneDS_);
}

void TVolgaTable::CommitChanges() {
    TVolgaDataset::CommitChanges();
    if (loadMode_ == TVolgaLoadMode::lmClone && cloneDS_ && cloneDS_->Database()) cloneDS_->Database()->UnmarkChanged(cloneDS_);
}

void TVolgaTable::DropCursor() {
    if (loadMode_ == TVolgaLoadMode::lmClone) {
        SetCursor(nullptr, false);
        return;
    }
    TVolgaDataset::DropCursor();
}

void TVolgaTable::InternalClose() {
    if (loadMode_ == TVolgaLoadMode::lmClone && cloneDS_) cloneDS_->DetachClone(this);
    TVolgaDataset::InternalClose();
}

void TVolgaTable::Notification(TComponent* component, TOperation operation) {
    TVolgaDataset::Notification(component, operation);
    if (operation == TOperation::opRemove && component == cloneDS_) {
        Close();
        cloneDS_ = nullptr;
    }
}

} // namespace kvz
