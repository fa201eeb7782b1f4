#include "addressbook/ModuleSearches.h"

#include "core/Data1.h"
#include "core/SettingsStore.h"

#include <algorithm>

namespace kvz {

namespace {

constexpr int kReportChoices = 3; // "Name", "First name", "Surname"

bool Valid(const std::vector<FieldChoice>& fields, int index) {
    return index >= 0 && index < static_cast<int>(fields.size());
}

std::string StoredSortField(const FrameState& frame) {
    return frame.Settings ? frame.Settings->NastaveniaText[TextSlot::AddressSortField] : std::string(kDefaultSortField);
}

constexpr TLocateOptions kFindOptions = loCaseInsensitive | loPartialKey;

} // namespace

std::string ReportListField(const std::string& field) {
    if (field == "Priezvisko" || field == "Firma") return field;
    return field == "Meno_Kr" ? "Meno" : "Firma";
}

// ---- address book ----

std::vector<FieldChoice> AddressSearch::FindFields() const {
    return data_.AddressTable ? AddressFieldChoices(*data_.AddressTable, kFixedSortChoices) : std::vector<FieldChoice>{};
}

int AddressSearch::FindFieldIndex(const std::vector<FieldChoice>& fields) const {
    return frame_.Settings ? StoredSortChoice(fields, *frame_.Settings) : 0;
}

void AddressSearch::FindFieldChosen(const std::vector<FieldChoice>& fields, int index) {
    // Sorting again would take the address being typed out of its insert or edit.
    if (!Valid(fields, index) || !MovesAllowed()) return;
    if (frame_.Settings) StoreSortChoice(fields, index, *frame_.Settings);
    const std::string& field = fields[static_cast<size_t>(index)].Field;
    if (frame_.AddressSort && data_.AddressTable)
        frame_.AddressSort->ShowSortField(field, SortFieldCaption(*data_.AddressTable, field));
}

bool AddressSearch::MovesAllowed() const { return !frame_.AddressSort || frame_.AddressSort->RecordMovesAllowed(); }

void AddressSearch::FindText(const std::string& text) {
    // The address being typed stays the current one until it is saved or cancelled.
    if (!MovesAllowed()) return;
    if (data_.AddressTable)
        data_.AddressTable->Locate(CheckedSortField(*data_.AddressTable, StoredSortField(frame_)), Variant(text),
                                   kFindOptions);
}

TDataSet* AddressSearch::FilterTable() const { return data_.AddressTable; }

std::vector<FieldChoice> AddressSearch::FilterFields() const {
    return data_.AddressTable ? AddressFieldChoices(*data_.AddressTable, kFixedFilterChoices) : std::vector<FieldChoice>{};
}

std::optional<int> AddressSearch::FilterFirstIndex(const std::vector<FieldChoice>& fields) const {
    if (!frame_.Settings) return std::nullopt;
    return StoredSortChoice(fields, *frame_.Settings);
}

// Only an address field is the address book's sort field.
void AddressSearch::FilterFieldChosen(const std::vector<FieldChoice>& fields, int index) {
    FindFieldChosen(fields, index);
}

void AddressSearch::FilterApplied(const std::string& firstField) { frame_.FilterFieldName = firstField; }

// ---- links ----

int LinksSearch::FindFieldIndex(const std::vector<FieldChoice>& fields) const {
    return std::max(0, ChoiceIndex(fields, field_));
}

void LinksSearch::FindFieldChosen(const std::vector<FieldChoice>& fields, int index) {
    if (!Valid(fields, index)) return;
    field_ = fields[static_cast<size_t>(index)].Field;
    if (frame_.LinksSearch) frame_.LinksSearch->TriedLinks(field_);
}

void LinksSearch::FindText(const std::string& text) {
    if (data_.LinksTable) data_.LinksTable->Locate(field_, Variant(text), kFindOptions);
}

TDataSet* LinksSearch::FilterTable() const { return data_.LinksTable; }

void LinksSearch::FilterApplied(const std::string&) {
    frame_.Filters.LinksFilterActive = true;
    if (frame_.LinksSearch) frame_.LinksSearch->PageControlChange();
}

// ---- reports ----

std::vector<FieldChoice> ReportsSearch::FindFields() const {
    if (!data_.AddressTable) return {};
    std::vector<FieldChoice> fields = AddressFieldChoices(*data_.AddressTable, kReportChoices);
    fields.resize(kReportChoices);
    return fields;
}

int ReportsSearch::FindFieldIndex(const std::vector<FieldChoice>& fields) const {
    return frame_.Settings ? StoredSortChoice(fields, *frame_.Settings) : 0;
}

void ReportsSearch::FindFieldChosen(const std::vector<FieldChoice>& fields, int index) {
    if (!Valid(fields, index)) return;
    if (frame_.Settings) StoreSortChoice(fields, index, *frame_.Settings);
    if (frame_.ReportsSearch) frame_.ReportsSearch->ShowListField(ReportListField(fields[static_cast<size_t>(index)].Field));
}

void ReportsSearch::FindText(const std::string& text) {
    if (data_.AddressTable) data_.AddressTable->Locate(ReportListField(StoredSortField(frame_)), Variant(text), kFindOptions);
}

} // namespace kvz
