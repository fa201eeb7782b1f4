// The seven tables of a user by identity, and the names of their files: what the lock files,
// the backup and the module windows need without the data module itself.
#pragma once

#include <string>
#include <string_view>

namespace kvz {

enum class TableId { Address, Tasks, Projects, SubProjects, Owners, Links, LinksType };
inline constexpr TableId kAllTables[] = {TableId::Address, TableId::Tasks, TableId::Projects, TableId::SubProjects,
                                         TableId::Owners, TableId::Links, TableId::LinksType};

// "_address.d" and so on; the lock file has ".mpf" in place of ".d".
const char* TableSuffix(TableId table);
std::string LockSuffix(TableId table);
// The name of one of a user's files in the table folder: the user prefix and the suffix. A
// prefix that would name a file outside the folder throws FileError; an empty one is allowed.
std::string UserFileName(const std::string& userPrefix, std::string_view suffix);

} // namespace kvz
