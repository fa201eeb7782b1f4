#include <algorithm>

#include "platform/data/DB.h"

namespace kvz {

// ---- TDataSource ------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    auto links = dataLinks_;
    for (TDataLink* link : links) link->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    while (dataSet) {
        const TDataSource* source = dataSet->LinkedDataSource();
        if (!source) break;
        if (source == this) return true;
        dataSet = source->DataSet();
    }
    return false;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (IsLinkedTo(dataSet)) DatabaseError("Circular datalinks are not allowed", this);
    if (dataSet_) {
        // The links let go of the old dataset's fields before they meet the new one's.
        dataSet_->RemoveDataSource(this);
        dataSet_ = nullptr;
        UpdateState();
    }
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
    enabled_ = enabled;
    UpdateState();
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

void TDataSource::UpdateState() { SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive); }

void TDataSource::SetState(TDataSetState state) {
    if (state_ == state) return;
    TDataSetState prior = state_;
    state_ = state;
    NotifyDataLinks(deUpdateState, 0);
    if (OnStateChange) OnStateChange(this);
    if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
    // Links of one record first (the field controls), then the windows (grids), as the
    // class library ordered them.
    auto links = dataLinks_;
    for (auto it = links.rbegin(); it != links.rend(); ++it)
        if ((*it)->bufferCount_ == 1 && std::find(dataLinks_.begin(), dataLinks_.end(), *it) != dataLinks_.end())
            (*it)->DataEvent(event, info);
    for (auto it = links.rbegin(); it != links.rend(); ++it)
        if ((*it)->bufferCount_ > 1 && std::find(dataLinks_.begin(), dataLinks_.end(), *it) != dataLinks_.end())
            (*it)->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive) return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(*this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(*this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    dataLinks_.push_back(link);
    link->dataSource_ = this;
    if (dataSet_) dataSet_->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), link), dataLinks_.end());
    link->dataSource_ = nullptr;
    link->UpdateState();
    if (dataSet_) dataSet_->UpdateBufferCount();
}

// ---- TDataLink --------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    if (dataSource_) dataSource_->RemoveDataLink(this);
    if (source) source->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool readOnly) {
    if (readOnly_ == readOnly) return;
    readOnly_ = readOnly;
    UpdateState();
}

void TDataLink::UpdateState() {
    SetActive(dataSource_ && dataSource_->State() != dsInactive);
    TDataSetState s = dataSource_ ? dataSource_->State() : dsInactive;
    SetEditing((s == dsEdit || s == dsInsert || s == dsSetKey) && !readOnly_);
}

void TDataLink::SetActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    if (active)
        UpdateRange();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool editing) {
    if (editing_ == editing) return;
    editing_ = editing;
    EditingChanged();
}

void TDataLink::UpdateRange() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    int min = std::max(0, ds->activeRecord_ - bufferCount_ + 1);
    int max = std::max(0, std::min(ds->bufferCount_ - bufferCount_, ds->activeRecord_));
    if (firstRecord_ < min) firstRecord_ = min;
    if (firstRecord_ > max) firstRecord_ = max;
}

void TDataLink::SetBufferCount(int count) {
    if (count < 1) count = 1;
    if (bufferCount_ == count) return;
    bufferCount_ = count;
    if (active_) {
        UpdateRange();
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!ds || dataSource_->State() == dsSetKey) return 0;
    return ds->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int index) {
    TDataSet* ds = DataSet();
    if (ds && dataSource_->State() != dsSetKey) ds->SetActiveRecordIndex(index + firstRecord_);
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !active_) return 0;
    if (dataSource_->State() == dsSetKey) return 1;
    return std::min(ds->recordCount_, bufferCount_);
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }

int TDataLink::MoveBy(int distance) { return DataSet() ? DataSet()->MoveBy(distance) : 0; }

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int count = 0;
        if (dataSource_->State() != dsSetKey) {
            int active = DataSet()->activeRecord_;
            int first = firstRecord_ + static_cast<int>(event == deDataSetScroll ? info : 0);
            int last = first + bufferCount_ - 1;
            if (active > last)
                count = active - last;
            else if (active < first)
                count = active - first;
            firstRecord_ = first + count;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    default: break;
    }
}

// ---- TFieldDataLink ---------------------------------------------------------------------

void TFieldDataLink::SetFieldName(std::string name) {
    if (fieldName_ == name) return;
    fieldName_ = std::move(name);
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    field_ = nullptr;
    if (Active() && !fieldName_.empty()) field_ = &DataSet()->FieldByName(fieldName_);
    modified_ = false;
    if (OnDataChange) OnDataChange();
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::FocusControl(TField** field) {
    if (field && *field && *field == field_) *field = nullptr;
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
    if (!field || field == field_) {
        modified_ = false;
        if (OnDataChange) OnDataChange();
    }
}

void TFieldDataLink::UpdateData() {
    if (!modified_) return;
    if (field_ && OnUpdateData) OnUpdateData();
    modified_ = false;
}

// ---- TMasterDataLink --------------------------------------------------------------------

void TMasterDataLink::SetFieldNames(std::string names) {
    if (fieldNames_ == names) return;
    fieldNames_ = std::move(names);
    ActiveChanged();
}

void TMasterDataLink::UpdateFields() {
    fields_.clear();
    if (Active()) fields_ = DataSet()->GetFieldList(fieldNames_);
}

void TMasterDataLink::ActiveChanged() {
    UpdateFields();
    if (detail_ && detail_->Active()) {
        if (Active() && !fields_.empty()) {
            if (OnMasterChange) OnMasterChange();
        } else if (OnMasterDisable) {
            OnMasterDisable();
        }
    }
}

void TMasterDataLink::CheckBrowseMode() {
    if (detail_ && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() { ActiveChanged(); }

void TMasterDataLink::RecordChanged(TField* field) {
    if (DataSource()->State() != dsSetKey && detail_ && detail_->Active() && !fields_.empty() &&
        (!field || std::find(fields_.begin(), fields_.end(), field) != fields_.end()) && OnMasterChange)
        OnMasterChange();
}

} // namespace kvz
