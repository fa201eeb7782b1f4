#include "platform/report/ReportDataFeed.h"

#include "platform/report/ReportMessages.h"

#include <exception>

namespace kvz {

namespace {

// Puts the data set back where the windows had it, errors included.
class TCursorKeeper {
public:
    explicit TCursorKeeper(TDataSet& dataSet) : dataSet_(dataSet), bookmark_(dataSet.GetBookmark()) {
        dataSet_.DisableControls();
    }
    ~TCursorKeeper() {
        try {
            if (!bookmark_.empty()) dataSet_.GotoBookmark(bookmark_);
        } catch (...) {
            // The record went away while the report read the data: the windows show where
            // the walk ended, and the user learns why.
            HandleApplicationException(std::current_exception());
        }
        dataSet_.EnableControls();
    }
    TCursorKeeper(const TCursorKeeper&) = delete;
    TCursorKeeper& operator=(const TCursorKeeper&) = delete;

private:
    TDataSet& dataSet_;
    TBookmark bookmark_;
};

} // namespace

void ForEachRecord(TDataSet& dataSet, const std::function<void()>& each) {
    TRecordWalk(dataSet).Walk([&] {
        each();
        return true;
    });
}

TRecordWalk::TRecordWalk(TDataSet& dataSet) : dataSet_(dataSet) {
    if (!dataSet.Active()) throw EReportError(ReportMessage(TReportMessage::DataSetClosed, {dataSet.Name()}));
    if (dataSet.IsEmpty() && dataSet.State() == dsBrowse) {
        ended_ = true;
        return;
    }
    buffer_ = dataSet.NewRecordBuffer();
    if (!dataSet.ReadRecordAt(0, *buffer_)) buffer_.reset();
}

bool TRecordWalk::Walk(const std::function<bool()>& each) {
    if (ended_) return true;
    if (!buffer_) {
        ended_ = true;
        TCursorKeeper keeper(dataSet_);
        for (dataSet_.First(); !dataSet_.Eof(); dataSet_.Next()) each();
        return true;
    }
    for (;;) {
        if (!dataSet_.ReadRecordAt(next_, *buffer_)) {
            ended_ = true;
            return true;
        }
        ++next_;
        TRecordReadScope scope(dataSet_, *buffer_);
        if (!each()) return false;
    }
}

} // namespace kvz
