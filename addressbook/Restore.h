// Restoring the user's tables from the backups that the automatic backup made.
#pragma once

#include "addressbook/Exchange.h"

#include <vector>

namespace kvz {

// The tables of a group, in the order they are restored: Address the address table; Tasks
// tasks, projects, sub-projects and owners; Links links and link types; All every one.
std::vector<TableId> RestoredTables(TableGroup group);

// Puts the table's ".bak" in place of its file and reopens the table; the address table
// brings its field layout file (".ucs" in the local data folder, backed up there as
// "<prefix>.bak") along, and an open address window reads it again. The backup is
// copied beside the table and renamed over it, so a failed copy leaves the table as it was;
// in network mode under the table's lock. False when there is no backup (nothing changes).
bool RestoreTableFromBackup(ExchangeContext& context, TableId table);
// Every table of the group, then the active module shows them.
void RestoreFromBackup(ExchangeContext& context, TableGroup group);

} // namespace kvz
