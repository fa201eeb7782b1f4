// The report windows of other data than addresses (tasks, links) that the report window shows
// inside itself when its data source selector chooses them. They register here; the selector
// offers only the sources that are registered.
#pragma once

#include <functional>

namespace kvz {

class TComponent;
class TForm;
class TReportLayout;
class TWinControl;

// A selection window placed inside the report window, at most one at a time.
class ReportSourceWindow {
public:
    virtual ~ReportSourceWindow() = default;
    virtual TForm& Form() = 0;
    // The layout its own choices name (the brief or the full task layout, the link layout),
    // ready to prepare.
    virtual TReportLayout& ChosenLayout() = 0;
    // Set by the report window: the window's own data source selector asks for another source
    // (0 addresses, 1 tasks, 2 links). The report window frees this window after the handler.
    std::function<void(int source)> SourceChosen;
};

// Makes the window with the owner, inside the parent.
using ReportSourceMaker = std::function<ReportSourceWindow*(TComponent* owner, TWinControl* parent)>;

struct ReportSourceRegistry {
    ReportSourceMaker Tasks; // ReportSource 1
    ReportSourceMaker Links; // ReportSource 2
};

inline ReportSourceRegistry& RegisteredReportSources() {
    static ReportSourceRegistry registry;
    return registry;
}

} // namespace kvz
