// The links summary, one block per link with its name, type, path and note, and the choice of
// the links it prints: all of them or those of one type.
#pragma once

#include "engine/VolgaTbl.h"
#include "platform/report/ReportLayout.h"

#include <memory>
#include <string>
#include <vector>

namespace kvz {

// The links summary (TLinksReportFull), unbound.
std::unique_ptr<TReportLayout> MakeLinkLayout();
// Binds it to the links table and its fields and sets its captions in the program's language.
void BindLinkLayout(TReportLayout& layout, TDataSet& links);

// `Type="..."` for a chosen type (item above 0), the name quoted so that a double quote or a
// wildcard character in it is taken as it stands; empty for "All".
std::string LinkFilterText(int typeIndex, const std::string& type);

// The choice while its window is open: it takes the links table's record filter handler away,
// so only the filter text decides what shows; Close (or the end of its life) gives the handler
// back and removes the type filter, so the links window does not go on filtering by a type
// chosen here.
class TLinkSelection {
public:
    TLinkSelection(TVolgaTable* links, TVolgaTable* types);
    ~TLinkSelection();
    TLinkSelection(const TLinkSelection&) = delete;
    TLinkSelection& operator=(const TLinkSelection&) = delete;

    // "All" then every link type in table order.
    std::vector<std::string> TypeItems() const;
    // "Selection": the links of the type (item 0 is "All": every link).
    void Select(int typeIndex, const std::string& type);
    // "All": filtering off.
    void ShowAll();
    void Close();

private:
    TVolgaTable* links_;
    TVolgaTable* types_;
    TFilterRecordEvent linkFilter_;
    bool closed_ = false;
};

} // namespace kvz
