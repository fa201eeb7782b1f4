// Address categories: the items of the category picker, the value each stores in
// Split_field, and the check of the five user category names (text settings 20 to 24).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kvz {

class SettingsStore;

constexpr int kFirstCategorySlot = 20; // text settings 20 to 24
constexpr int kUserCategoryCount = 5;
constexpr size_t kCategoryNameLength = 20; // characters, as Split_field holds them
constexpr const char* kWorkCategory = "work_zirt";
constexpr const char* kPrivateCategory = "private_zirt";

// "All", "Work", "Private" in the program's language, then every non-empty user category.
std::vector<std::string> CategoryItems(const SettingsStore& settings);

// The Split_field value of a picker item: nothing for "All", the two fixed codes, else the
// item's text.
std::string CategoryValue(const std::vector<std::string>& items, int index);

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
