// The filter text of the filter dialog: one condition per filled row, each finding the typed
// text anywhere in the field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvz {

struct FilterRow {
    std::string Field;
    std::string Text; // as typed
};

// A row counts when its text is neither empty nor a single blank.
bool FilterRowFilled(std::string_view text);

// The field name in double quotes, so that any name (accented user fields too) reads as one.
std::string QuotedFilterName(std::string_view field);
// The typed text as a LIKE pattern between double quotes that matches it anywhere: the typed
// text is taken as it stands (quotes, wildcard characters and backslashes included); only the
// two added asterisks are wildcards.
std::string ContainsPattern(std::string_view typed);

// `"Field" like"*text*" and  ` for every filled row, in order; empty when none is filled.
std::string BuildFilterText(const std::vector<FilterRow>& rows);

} // namespace kvz
