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
    if (!dataSet.Active()) throw EReportError(ReportMessage(TReportMessage::DataSetClosed, {dataSet.Name()}));
    if (dataSet.IsEmpty() && dataSet.State() == dsBrowse) return;
    std::unique_ptr<TRecordBuffer> buffer = dataSet.NewRecordBuffer();
    if (dataSet.ReadRecordAt(0, *buffer)) {
        for (int i = 0;; ++i) {
            if (i > 0 && !dataSet.ReadRecordAt(i, *buffer)) break;
            TRecordReadScope scope(dataSet, *buffer);
            each();
        }
        return;
    }
    TCursorKeeper keeper(dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) each();
}

} // namespace kvz
