#include <algorithm>
#include <cstdio>
#include <iostream>

#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"

namespace kvz {

// ---- Names and errors -------------------------------------------------------------------

const char* FieldTypeName(TFieldType type) {
    static const char* const names[] = {"Unknown", "String", "SmallInt", "Integer", "Word",   "Boolean",
                                        "Float",   "Currency", "Date",  "Time",    "DateTime", "AutoInc",
                                        "LargeInt", "Blob",    "Memo",  "FmtMemo", "Graphic"};
    return static_cast<size_t>(type) < sizeof names / sizeof names[0] ? names[type] : "Unknown";
}

bool IsBlobType(TFieldType type) { return type == ftBlob || type == ftMemo || type == ftFmtMemo || type == ftGraphic; }

const char* DataSetStateName(TDataSetState state) {
    static const char* const names[] = {"dsInactive", "dsBrowse", "dsEdit",    "dsInsert",      "dsSetKey",
                                        "dsCalcFields", "dsFilter", "dsNewValue", "dsInternalCalc", "dsBlockRead"};
    return names[state];
}

const char* DataEventName(TDataEvent event) {
    static const char* const names[] = {"deFieldChange",     "deRecordChange",  "deDataSetChange", "deDataSetScroll",
                                        "deLayoutChange",    "deUpdateRecord",  "deUpdateState",   "deCheckBrowseMode",
                                        "dePropertyChange",  "deFieldListChange", "deFocusControl"};
    return names[event];
}

namespace {

std::string ErrorText(const std::string& message, TComponent* component) {
    if (component && !component->Name().empty()) return component->Name() + ": " + message;
    return message;
}

TExceptionHandler& AppHandler() {
    static TExceptionHandler handler;
    return handler;
}

// Runs the cleanup when the scope is left by an exception or normally.
template <class F> struct Finally {
    F f;
    ~Finally() { f(); }
};
template <class F> Finally(F) -> Finally<F>;

} // namespace

EDatabaseError::EDatabaseError(const std::string& message, TComponent* component)
    : std::runtime_error(ErrorText(message, component)), message_(message), component_(component) {}

void DatabaseError(const std::string& message, TComponent* component) { throw EDatabaseError(message, component); }

void SetApplicationExceptionHandler(TExceptionHandler handler) { AppHandler() = std::move(handler); }

void HandleApplicationException(std::exception_ptr error) {
    if (AppHandler()) {
        AppHandler()(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
    } catch (...) {
        std::cerr << "Unknown error\n";
    }
}

std::vector<std::string> SplitFieldNames(std::string_view names) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos <= names.size()) {
        size_t end = names.find(';', pos);
        if (end == std::string_view::npos) end = names.size();
        std::string_view part = names.substr(pos, end - pos);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        if (!part.empty()) out.emplace_back(part);
        pos = end + 1;
    }
    return out;
}

// ---- TDataSet: life ---------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fieldDefs_(this), fields_(this) {}

TDataSet::~TDataSet() {
    // A descendant has closed the dataset in its destructor; what is left is the framework's,
    // and no hook may run any more.
    destroyingDataSet_ = true;
    state_ = dsInactive;
    buffers_.clear();
    bufferCount_ = 0;
    auto sources = dataSources_;
    for (TDataSource* source : sources) source->SetDataSet(nullptr);
    while (fields_.Count() > 0) {
        TField* field = fields_.Fields(fields_.Count() - 1);
        fields_.Remove(field);
        field->dataSet_ = nullptr;
        delete field;
    }
}

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) DatabaseError("Cannot perform this operation on a closed dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
    if (state_ != dsInactive)
        DatabaseError("Cannot perform this operation on an open dataset", const_cast<TDataSet*>(this));
}

void TDataSet::SetActive(bool value) {
    if (Active() == value || opening_) return;
    if (value) {
        Fire(BeforeOpen);
        OpenCursor();
        SetState(dsBrowse);
        Fire(AfterOpen);
        if (!IsEmpty()) DoAfterScroll();
    } else {
        DoBeforeClose();
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    opening_ = true;
    try {
        defaultFields_ = false;
        fieldsBound_ = false;
        InternalOpen();
        if (!fieldsBound_) {
            if (fields_.Count() == 0) CreateFields();
            BindFields(true);
        }
        UpdateBufferCount();
        bof_ = true;
    } catch (...) {
        opening_ = false;
        try {
            CloseCursor();
        } catch (...) {
        }
        throw;
    }
    opening_ = false;
}

void TDataSet::CloseCursor() {
    buffers_.clear();
    bufferCount_ = 0;
    ClearBuffers();
    tempBuffer_ = nullptr;
    Finally cleanup{[this] {
        BindFields(false);
        if (defaultFields_) {
            while (fields_.Count() > 0) {
                TField* field = fields_.Fields(fields_.Count() - 1);
                fields_.Remove(field);
                field->dataSet_ = nullptr;
                delete field;
            }
            defaultFields_ = false;
        }
    }};
    if (IsCursorOpen()) InternalClose();
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_.Count(); ++i) fieldDefs_[i].CreateField(nullptr);
    defaultFields_ = true;
}

void TDataSet::ClearFields() {
    CheckInactive();
    while (fields_.Count() > 0) {
        TField* field = fields_.Fields(fields_.Count() - 1);
        fields_.Remove(field);
        field->dataSet_ = nullptr;
        delete field;
    }
    defaultFields_ = false;
}

void TDataSet::BindFields(bool binding) {
    calcFieldCount_ = 0;
    for (TField* field : fields_.List()) {
        if (!binding) {
            field->Bind(0, -1);
            continue;
        }
        if (field->FieldKind() == fkData) {
            TFieldDef* def = fieldDefs_.Find(field->FieldName());
            if (!def) DatabaseError("Field '" + field->DisplayName() + "' not found", this);
            if (def->DataType() != field->DataType())
                DatabaseError("Type mismatch for field '" + field->DisplayName() + "', expecting: " +
                                  FieldTypeName(field->DataType()) + " actual: " + FieldTypeName(def->DataType()),
                              this);
            field->Bind(def->FieldNo(), -1);
        } else {
            field->Bind(0, calcFieldCount_++);
        }
    }
    fieldsBound_ = binding;
}

void TDataSet::InitFieldDefsFromFields() {
    fieldDefs_.Clear();
    for (TField* field : fields_.List()) {
        if (field->FieldKind() != fkData) continue;
        TFieldDef& def = fieldDefs_.Add(field->FieldName(), field->DataType(), field->DataType() == ftString ? field->Size() : 0,
                                        field->Required());
        def.SetReadOnly(field->ReadOnly());
    }
}

// ---- Buffers ----------------------------------------------------------------------------

void TDataSet::UpdateBufferCount() {
    if (destroyingDataSet_ || !IsCursorOpen()) return;
    int count = 1;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_) count = std::max(count, link->bufferCount_);
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
    if (bufferCount_ == value) return;
    auto adjustFirst = [this](int delta) {
        if (delta == 0) return;
        for (TDataSource* source : dataSources_)
            for (TDataLink* link : source->dataLinks_)
                if (link->active_) link->firstRecord_ += delta;
    };
    if (bufferCount_ > value && recordCount_ > 0) {
        int delta = activeRecord_;
        for (TDataSource* source : dataSources_)
            for (TDataLink* link : source->dataLinks_)
                if (link->active_ && link->firstRecord_ < delta) delta = link->firstRecord_;
        if (activeRecord_ - delta >= value) delta = activeRecord_ - value + 1;
        if (delta < 0) delta = 0;
        for (int i = 0; i < value && static_cast<size_t>(i + delta) < buffers_.size(); ++i) MoveBuffer(i + delta, i);
        activeRecord_ -= delta;
        if (currentRecord_ != -1) currentRecord_ -= delta;
        if (currentRecord_ >= value) currentRecord_ = -1;
        recordCount_ = std::min(recordCount_ - delta, value);
        adjustFirst(-delta);
    }
    size_t oldSize = buffers_.size();
    buffers_.resize(static_cast<size_t>(value) + 1);
    for (size_t i = oldSize; i < buffers_.size(); ++i) {
        buffers_[i] = AllocRecordBuffer();
        buffers_[i]->CalcValues.assign(static_cast<size_t>(calcFieldCount_), Variant());
    }
    bufferCount_ = value;
    if (recordCount_ > bufferCount_) recordCount_ = bufferCount_;
    GetNextRecords();
    adjustFirst(GetPriorRecords());
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto buffer = std::move(buffers_[static_cast<size_t>(from)]);
    if (from < to)
        std::move(buffers_.begin() + from + 1, buffers_.begin() + to + 1, buffers_.begin() + from);
    else
        std::move_backward(buffers_.begin() + to, buffers_.begin() + from, buffers_.begin() + from + 1);
    buffers_[static_cast<size_t>(to)] = std::move(buffer);
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    TRecordBuffer& buffer = *buffers_[static_cast<size_t>(index)];
    switch (buffer.BookmarkFlag) {
    case bfCurrent:
    case bfInserted: InternalSetToRecord(buffer); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

TGetResult TDataSet::FetchRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    TGetResult result = GetRecord(buffer, mode, doCheck);
    if (result == grOK) {
        if (calcFieldCount_ > 0)
            GetCalcFields(buffer);
        else
            buffer.CalcValues.clear();
    }
    return result;
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        if (state_ == dsInsert && currentRecord_ == activeRecord_ && ActiveBuffer().BookmarkFlag == bfCurrent)
            mode = gmCurrent;
    }
    bool ok = FetchRecord(*buffers_[static_cast<size_t>(recordCount_)], mode, true) == grOK;
    if (ok) {
        if (recordCount_ == 0)
            ActivateBuffers();
        else if (recordCount_ < bufferCount_)
            ++recordCount_;
        else
            MoveBuffer(0, recordCount_);
        currentRecord_ = recordCount_ - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    bool ok = FetchRecord(*buffers_[static_cast<size_t>(recordCount_)], gmPrior, true) == grOK;
    if (ok) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(recordCount_, 0);
            if (recordCount_ < bufferCount_) {
                ++recordCount_;
                ++activeRecord_;
            }
        }
        currentRecord_ = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
    return n;
}

void TDataSet::Resync(TResyncMode mode) {
    TRecordBuffer& spare = *buffers_[static_cast<size_t>(recordCount_)];
    if (mode & rmExact) {
        CursorPosChanged();
        if (FetchRecord(spare, gmCurrent, true) != grOK) DatabaseError("Record not found", this);
    } else if (FetchRecord(spare, gmCurrent, false) != grOK && FetchRecord(spare, gmNext, false) != grOK &&
               FetchRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    Finally notify{[this] { DataEvent(deDataSetChange, 0); }};
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
}

void TDataSet::SetActiveRecordIndex(int index) {
    if (index >= 0 && index < std::max(recordCount_, 1)) activeRecord_ = index;
}

// ---- States and events ------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state, TRecordBuffer* buffer) {
    TDataSetState old = state_;
    state_ = state;
    tempBuffer_ = buffer;
    ++disableCount_;
    return old;
}

void TDataSet::RestoreState(TDataSetState state, TRecordBuffer* buffer) {
    state_ = state;
    tempBuffer_ = buffer;
    --disableCount_;
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deFieldChange) {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) modified_ = true;
        if (state_ != dsSetKey && calcFieldCount_ > 0 && autoCalcFields_ && GetActiveRecBuf() == &ActiveBuffer() &&
            (state_ == dsEdit || state_ == dsInsert))
            GetCalcFields(ActiveBuffer());
    }
    if (!ControlsDisabled()) {
        auto sources = dataSources_;
        for (TDataSource* source : sources) source->DataEvent(event, info);
    } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
        enableEvent_ = deLayoutChange;
    }
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0) {
        if (disableState_ != state_) DataEvent(deUpdateState, 0);
        if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
    }
}

void TDataSet::DoBeforeScroll() { Fire(BeforeScroll); }
void TDataSet::DoAfterScroll() { Fire(AfterScroll); }

void TDataSet::AddDataSource(TDataSource* source) {
    dataSources_.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
    UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
    while (source) {
        const TDataSet* ds = source->DataSet();
        if (!ds) break;
        if (ds == this) return true;
        source = ds->LinkedDataSource();
    }
    return false;
}

// ---- Calculated fields and filter -------------------------------------------------------

void TDataSet::ClearCalcFields(TRecordBuffer& buffer) {
    buffer.CalcValues.assign(static_cast<size_t>(calcFieldCount_), Variant());
}

void TDataSet::GetCalcFields(TRecordBuffer& buffer) {
    if (calcFieldCount_ == 0) return;
    TRecordBuffer* oldBuffer = tempBuffer_;
    TDataSetState old = SetTempState(dsCalcFields, &buffer);
    Finally restore{[&] { RestoreState(old, oldBuffer); }};
    ClearCalcFields(buffer);
    for (TField* field : fields_.List()) {
        if (field->FieldKind() != fkLookup) continue;
        TDataSet* lookup = field->LookupDataSet();
        if (!lookup || !lookup->Active() || field->KeyFields().empty()) continue;
        Variant keys = FieldValues(field->KeyFields());
        buffer.CalcValues[static_cast<size_t>(field->CalcIndex())] =
            lookup->Lookup(field->LookupKeyFields(), keys, field->LookupResultField());
    }
    if (OnCalcFields) OnCalcFields(*this);
}

bool TDataSet::FilterAccepts(TRecordBuffer& buffer) {
    if (!onFilterRecord_) return true;
    if (calcFieldCount_ > 0) GetCalcFields(buffer);
    TRecordBuffer* oldBuffer = tempBuffer_;
    TDataSetState old = SetTempState(dsFilter, &buffer);
    bool accept = true;
    try {
        onFilterRecord_(*this, accept);
    } catch (...) {
        RestoreState(old, oldBuffer);
        InternalHandleException(std::current_exception());
        return false;
    }
    RestoreState(old, oldBuffer);
    return accept;
}

void TDataSet::InternalHandleException(std::exception_ptr error) { HandleApplicationException(error); }

void TDataSet::SetFiltered(bool value) {
    if (filtered_ == value) return;
    if (Active()) {
        CheckBrowseMode();
        filtered_ = value;
        First();
    } else {
        filtered_ = value;
    }
}

void TDataSet::SetFilterText(const std::string& text) {
    if (Active()) CheckBrowseMode();
    filterText_ = text;
    if (Active() && filtered_) First();
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
    if (Active()) CheckBrowseMode();
    onFilterRecord_ = std::move(handler);
    if (Active() && filtered_) First();
}

// ---- Rows by position -------------------------------------------------------------------

std::unique_ptr<TRecordBuffer> TDataSet::NewRecordBuffer() {
    auto buffer = AllocRecordBuffer();
    buffer->CalcValues.assign(static_cast<size_t>(calcFieldCount_), Variant());
    return buffer;
}

bool TDataSet::ReadRecordAt(int index, TRecordBuffer& buffer) {
    if (state_ == dsInactive || index < 0 || !InternalReadRecordAt(index, buffer)) return false;
    if (calcFieldCount_ > 0)
        GetCalcFields(buffer);
    else
        buffer.CalcValues.clear();
    return true;
}

TRecordReadScope::TRecordReadScope(TDataSet& dataSet, TRecordBuffer& buffer)
    : dataSet_(dataSet), oldBuffer_(dataSet.tempBuffer_) {
    oldState_ = dataSet.SetTempState(dsBlockRead, &buffer);
}

TRecordReadScope::~TRecordReadScope() { dataSet_.RestoreState(oldState_, oldBuffer_); }

// ---- Field values -----------------------------------------------------------------------

TRecordBuffer* TDataSet::GetActiveRecBuf() const {
    switch (state_) {
    case dsBrowse: return IsEmpty() ? nullptr : &ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue: return &ActiveBuffer();
    case dsCalcFields:
    case dsFilter:
    case dsInternalCalc:
    case dsBlockRead: return tempBuffer_;
    default: return nullptr;
    }
}

bool TDataSet::GetFieldValue(const TField& field, Variant& value) const {
    value = Variant();
    TRecordBuffer* buffer = GetActiveRecBuf();
    if (!buffer) return false;
    if (field.CalcIndex() >= 0) {
        auto idx = static_cast<size_t>(field.CalcIndex());
        if (idx < buffer->CalcValues.size()) value = buffer->CalcValues[idx];
        return !value.IsNull();
    }
    if (field.FieldNo() <= 0) return false;
    if (!GetFieldData(field, *buffer, value)) {
        value = Variant();
        return false;
    }
    return !value.IsNull();
}

bool TDataSet::FieldValueIsNull(const TField& field) const {
    TRecordBuffer* buffer = GetActiveRecBuf();
    if (!buffer) return true;
    if (field.CalcIndex() >= 0) {
        auto idx = static_cast<size_t>(field.CalcIndex());
        return idx >= buffer->CalcValues.size() || buffer->CalcValues[idx].IsNull();
    }
    if (field.FieldNo() <= 0) return true;
    return FieldDataIsNull(field, *buffer);
}

bool TDataSet::FieldValuesSettable() const {
    switch (state_) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc: return true;
    default: return false;
    }
}

void TDataSet::SetFieldValue(TField& field, const Variant& value) {
    if (!FieldValuesSettable()) DatabaseError("Dataset not in edit or insert mode", this);
    TRecordBuffer* buffer = GetActiveRecBuf();
    if (!buffer) DatabaseError("Dataset not in edit or insert mode", this);
    if (field.CalcIndex() >= 0) {
        auto idx = static_cast<size_t>(field.CalcIndex());
        if (buffer->CalcValues.size() <= idx) buffer->CalcValues.resize(static_cast<size_t>(calcFieldCount_));
        field.Validate(value);
        buffer->CalcValues[idx] = value;
    } else {
        if (state_ == dsCalcFields || state_ == dsFilter) DatabaseError("Dataset not in edit or insert mode", this);
        if (field.ReadOnly() && state_ != dsSetKey && state_ != dsFilter)
            DatabaseError("Field '" + field.DisplayName() + "' cannot be modified", this);
        if (field.FieldNo() <= 0) DatabaseError("Field '" + field.DisplayName() + "' is not bound", this);
        field.Validate(value);
        SetFieldData(field, *buffer, value);
    }
    if (state_ != dsCalcFields && state_ != dsFilter && state_ != dsNewValue && state_ != dsInternalCalc) {
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(&field));
        field.Change();
    }
}

Variant TDataSet::FieldValues(std::string_view names) const {
    std::vector<TField*> fields = GetFieldList(names);
    if (fields.size() == 1) return fields[0]->Value();
    std::vector<Variant> values;
    values.reserve(fields.size());
    for (TField* f : fields) values.push_back(f->Value());
    return Variant(std::move(values));
}

void TDataSet::SetFieldValues(std::string_view names, const Variant& values) {
    std::vector<TField*> fields = GetFieldList(names);
    if (fields.size() == 1 && !values.IsArray()) {
        fields[0]->SetValue(values);
        return;
    }
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(values.IsArray() && i < values.Items().size() ? values.Items()[i] : Variant());
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view names) const {
    std::vector<TField*> out;
    for (const std::string& name : SplitFieldNames(names)) out.push_back(&fields_.FieldByName(name));
    return out;
}

// ---- Navigation -------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    bof_ = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    eof_ = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        int scrollCount = 0;
        {
            Finally notify{[&] { DataEvent(deDataSetScroll, scrollCount); }};
            while (distance > 0) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                } else {
                    int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (GetNextRecord()) {
                        scrollCount -= shift;
                        if (activeRecord_ < recordCount_ - 1) ++activeRecord_;
                    } else {
                        eof_ = true;
                        break;
                    }
                }
                --distance;
                ++result;
            }
            while (distance < 0) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                } else {
                    int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (GetPriorRecord()) {
                        scrollCount += shift;
                        if (activeRecord_ > 0) --activeRecord_;
                    } else {
                        bof_ = true;
                        break;
                    }
                }
                ++distance;
                --result;
            }
        }
        DoAfterScroll();
    }
    return result;
}

// ---- Bookmarks --------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
    return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
           ActiveBuffer().BookmarkFlag == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const { return BookmarkAvailable() ? ActiveBuffer().Bookmark : TBookmark(); }

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- Changes ----------------------------------------------------------------------------

void TDataSet::CheckCanModify() const {
    if (!GetCanModify()) DatabaseError("Cannot modify a read-only dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (const EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(*this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort();
        }
    }
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : fields_.List())
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseError("Field '" + field->DisplayName() + "' must have a value", this);
        }
}

void TDataSet::InitRecord(TRecordBuffer& buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    buffer.Bookmark.clear();
    buffer.BookmarkFlag = bfInserted;
}

void TDataSet::DoOnNewRecord() { Fire(OnNewRecord); }

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    Fire(AfterInsert);
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark oldCurrent = GetBookmark();
    MoveBuffer(recordCount_, activeRecord_);
    CursorPosChanged();
    TRecordBuffer& buffer = ActiveBuffer();
    InitRecord(buffer);
    if (recordCount_ == 0)
        buffer.BookmarkFlag = bfBOF;
    else
        buffer.Bookmark = oldCurrent;
    if (recordCount_ < bufferCount_) ++recordCount_;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer& buffer = *buffers_[0];
    InitRecord(buffer);
    buffer.BookmarkFlag = bfEOF;
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    Fire(AfterEdit);
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
        DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ == dsEdit || state_ == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        Fire(BeforePost);
        CheckOperation(
            [this] {
                CheckRequiredFields();
                InternalPost();
            },
            OnPostError);
        SetState(dsBrowse);
        Resync(0);
        Fire(AfterPost);
    } else if (state_ == dsSetKey) {
        PostKeyBuffer(true);
        SetState(dsBrowse);
    }
}

void TDataSet::Cancel() {
    if (state_ == dsEdit || state_ == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        Fire(BeforeCancel);
        bool scrollEvents = state_ == dsInsert;
        if (scrollEvents) DoBeforeScroll();
        UpdateCursorPos();
        InternalCancel();
        SetState(dsBrowse);
        Resync(0);
        Fire(AfterCancel);
        if (scrollEvents) DoAfterScroll();
    } else if (state_ == dsSetKey) {
        PostKeyBuffer(false);
        SetState(dsBrowse);
        DataEvent(deDataSetChange, 0);
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforeDelete);
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: Post(); break;
    default: break;
    }
}

void TDataSet::Refresh() {
    Fire(BeforeRefresh);
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync(0);
    Fire(AfterRefresh);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError("Dataset not in edit or insert mode", this);
    for (size_t i = 0; i < values.size() && i < static_cast<size_t>(fields_.Count()); ++i)
        fields_[static_cast<int>(i)].SetValue(values[i]);
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
    Insert();
    try {
        SetFields(values);
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
    Append();
    try {
        SetFields(values);
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void TDataSet::ClearFieldValues() {
    for (TField* field : fields_.List())
        if (field->FieldKind() == fkData && !field->ReadOnly()) field->Clear();
}

// ---- Searching --------------------------------------------------------------------------

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField& field = *fields[i];
        Variant key;
        if (keyValues.IsArray())
            key = i < keyValues.Items().size() ? keyValues.Items()[i] : Variant();
        else if (i == 0)
            key = keyValues;
        if (field.DataType() == ftString || field.DataType() == ftMemo) {
            std::string text = field.AsString();
            std::string keyText = key.AsString();
            if (options & loPartialKey) text = Utf8Left(text, Utf8Length(keyText));
            bool equal = (options & loCaseInsensitive) ? CompareTextUtf8(text, keyText) == 0 : text == keyText;
            if (!equal) return false;
        } else {
            Variant value = field.Value();
            if (key.IsNull() || value.IsNull()) {
                if (key.IsNull() != value.IsNull()) return false;
                continue;
            }
            if (!(value == key)) return false;
        }
    }
    return true;
}

bool TDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    std::vector<TField*> fields = GetFieldList(keyFields);
    if (IsEmpty()) return false;
    TBookmark saved = GetBookmark();
    bool found = false;
    DisableControls();
    Finally enable{[this] { EnableControls(); }};
    First();
    while (!Eof()) {
        if (RecordMatches(fields, keyValues, options)) {
            found = true;
            break;
        }
        Next();
    }
    if (!found && !saved.empty() && BookmarkValid(saved)) GotoBookmark(saved);
    return found;
}

Variant TDataSet::Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) {
    CheckBrowseMode();
    std::vector<TField*> fields = GetFieldList(keyFields);
    Variant result;
    if (IsEmpty()) return result;
    TBookmark saved = GetBookmark();
    DisableControls();
    Finally enable{[this] { EnableControls(); }};
    First();
    while (!Eof()) {
        if (RecordMatches(fields, keyValues, 0)) {
            result = FieldValues(resultFields);
            break;
        }
        Next();
    }
    if (!saved.empty() && BookmarkValid(saved)) GotoBookmark(saved);
    return result;
}

// ---- BLOB streams -----------------------------------------------------------------------

namespace {

class TBlobDataStream : public TMemoryStream {
public:
    TBlobDataStream(TField& field, TBlobStreamMode mode) : field_(field), mode_(mode) {
        if (mode != bmRead) {
            TDataSet* ds = field.DataSet();
            if (field.ReadOnly()) DatabaseError("Field '" + field.DisplayName() + "' cannot be modified", ds);
            if (!ds || (ds->State() != dsEdit && ds->State() != dsInsert))
                DatabaseError("Dataset not in edit or insert mode", ds);
        }
        if (mode == bmWrite) {
            modified_ = true;
        } else {
            Variant v;
            if (field.GetData(v)) Bytes() = v.AsString();
        }
    }
    ~TBlobDataStream() override {
        if (!modified_) return;
        try {
            field_.SetValue(Bytes().empty() ? Variant() : Variant(Bytes()));
            if (auto* blob = dynamic_cast<TBlobField*>(&field_)) blob->SetModified(true);
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
    }
    int64_t Write(const void* buffer, int64_t count) override {
        if (mode_ == bmRead) throw EStreamError("Cannot write to a BLOB opened for reading");
        modified_ = true;
        return TMemoryStream::Write(buffer, count);
    }
    void SetSize(int64_t size) override {
        if (mode_ == bmRead) throw EStreamError("Cannot write to a BLOB opened for reading");
        modified_ = true;
        TMemoryStream::SetSize(size);
    }

private:
    TField& field_;
    TBlobStreamMode mode_;
    bool modified_ = false;
};

} // namespace

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TBlobDataStream>(field, mode);
}

} // namespace kvz
