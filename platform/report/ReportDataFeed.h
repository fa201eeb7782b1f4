// Walks a data set for a report without disturbing what the windows show.
#pragma once

#include "platform/data/DB.h"

#include <functional>
#include <memory>

namespace kvz {

// Calls each once per record of the data set, in the order and filter it shows, while the
// data set's fields read that record. A data set that reads rows by position is read so: its
// cursor does not move and no event fires. Any other is walked from its first record with its
// controls disabled and put back on the record it was on, on every path. Errors of the data
// set and of each pass on; a closed data set is refused with EReportError.
void ForEachRecord(TDataSet& dataSet, const std::function<void()>& each);

// The same walk, able to stop after any record and go on from the next one later. Only a data
// set read by position can wait between steps; any other is walked whole by its first step.
class TRecordWalk {
public:
    explicit TRecordWalk(TDataSet& dataSet);
    // Calls each for the records that follow, while it returns true; true when every record
    // has been read.
    bool Walk(const std::function<bool()>& each);
    bool Ended() const { return ended_; }

private:
    TDataSet& dataSet_;
    std::unique_ptr<TRecordBuffer> buffer_; // none: the data set is walked by its cursor
    int next_ = 0;
    bool ended_ = false;
};

} // namespace kvz
