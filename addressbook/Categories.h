// Address categories on the address book's side: the picker item of a stored Split_field
// value, and the check of the five user category names. The items themselves and the value
// each stands for are the category filter's (CategoryFilterItems, CategoryOfItem).
#pragma once

#include "core/SplitForm.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kvz {

constexpr int kUserCategoryCount = kLastCategorySetting - kFirstCategorySetting + 1;
constexpr size_t kCategoryNameLength = 20; // characters, as Split_field holds them

// The picker item for a stored Split_field value. A value that no item stands for (a category
// since renamed or removed) is added to the items as an extra one, so that saving the row
// again keeps it.
int CategoryItemFor(std::vector<std::string>& items, const std::string& stored);

// The five names as the category dialog stores them: an error in the program's language when
// a name is longer than 20 characters, holds a character the data code page cannot hold, or
// repeats another (letter case ignored), the three fixed ones included; none when they can
// be stored.
std::optional<std::string> CategoryNamesError(const std::array<std::string, kUserCategoryCount>& names);

} // namespace kvz
