// The lists of fields that the find, filter and sort-order dialogs offer, and the shared sort
// and search field (text setting 13 by name, setting 45 its place in the address list).
#pragma once

#include "core/ModuleServices.h"

#include <string>
#include <vector>

namespace kvz {

class TDataSet;
class SettingsStore;


// The fixed address choices come first: 16 in the find and sort-order lists, 13 in the filter.
constexpr int kFixedSortChoices = 16;
constexpr int kFixedFilterChoices = 13;
// Fields before this position belong to the address table's own schema; user fields follow.
constexpr int kFirstUserFieldPosition = 31;
constexpr const char* kDefaultSortField = "Firma";

// The address choices in the program's language: the fixed ones, then the user fields of the
// table that are no memo or picture (past position 31, not of the program's own schema) under
// their names.
std::vector<FieldChoice> AddressFieldChoices(const TDataSet& table, int fixedCount);
// "Name", "Path", "File type", "Note" over the links table's fields.
std::vector<FieldChoice> LinkFieldChoices();
std::vector<std::string> Captions(const std::vector<FieldChoice>& choices);

// The place of the field in the list (names compared without regard to case); -1 when absent.
int ChoiceIndex(const std::vector<FieldChoice>& choices, const std::string& field);

// The address sort field as the list of sort choices spells it, when the stored name is one of
// them (letter case ignored); else "Firma".
std::string CheckedSortField(const TDataSet& table, const std::string& stored);

// The choice of the stored sort field in the list: by the field's name (text setting 13),
// else setting 45 when it lies in the list, else the first.
int StoredSortChoice(const std::vector<FieldChoice>& choices, const SettingsStore& settings);
// Stores the choice as the sort and search field; an index outside the list stores nothing.
void StoreSortChoice(const std::vector<FieldChoice>& choices, int index, SettingsStore& settings);

// The caption of the sort field for the address book's "Order by : " label, cut to 20
// characters: the list's caption of the field, else its name.
std::string SortFieldCaption(const TDataSet& table, const std::string& field);

} // namespace kvz
