// The import of a dBASE table (".dbf" with its ".dbt" memo file) into the address table.
#pragma once

#include "addressbook/Exchange.h"

#include <filesystem>

namespace kvz {

// Appends one address per row of the dBASE file: by position when the file has the address
// table's structure, else through the assignment that ask returns (none or an empty one
// appends nothing). The assignment is checked before anything is written; the rows go through
// the data module's address table in one change, in network mode under its lock. Returns the
// number of addresses added (rows equal to an address already there are not added again).
int ImportDbfAddresses(ExchangeContext& context, const std::filesystem::path& dbfFile,
                       const AskAssignment& ask);

} // namespace kvz
