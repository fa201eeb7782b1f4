// Walks a data set for a report without disturbing what the windows show.
#pragma once

#include "platform/data/DB.h"

#include <functional>

namespace kvz {

// Calls each once per record of the data set, in the order and filter it shows, while the
// data set's fields read that record. A data set that reads rows by position is read so: its
// cursor does not move and no event fires. Any other is walked from its first record with its
// controls disabled and put back on the record it was on, on every path. Errors of the data
// set and of each pass on; a closed data set is refused with EReportError.
void ForEachRecord(TDataSet& dataSet, const std::function<void()>& each);

} // namespace kvz
