// Which tasks the task reports print: by project, sub-project, owner and a range of dates. The
// choices become the task table's filter text; names are quoted so that a double quote or a
// wildcard character in them is taken as it stands, and compared whole, so "All" finds no
// "Allegro".
#pragma once

#include "engine/VolgaTbl.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// The selection window's choices: an index of 0 means "All" (no term).
struct TTaskChoice {
    int ProjectIndex = 0;
    std::string Project{};
    int SubProjectIndex = 0;
    std::string SubProject{};
    std::string DateFrom{}, DateTo{}; // as the date edits show them; the blank mask holds no date
    int OwnerIndex = 0;
    std::string Owner{};
};

// A date edit's text holds a date unless it is empty or only its mask ("  .  .    ").
bool HoldsDate(std::string_view dateText);

// The chosen terms in the order project, sub-project, date from, date to, owner, joined by
// " and ", e.g. `Project="Home" and Date>="01.02.2026"`; empty when nothing is chosen.
std::string TaskFilterText(const TTaskChoice& choice);

// The tables the selection works on; any may be missing (not opened).
struct TTaskTables {
    TVolgaTable* Tasks = nullptr;
    TVolgaTable* Projects = nullptr;
    TVolgaTable* SubProjects = nullptr;
    TVolgaTable* Owners = nullptr;
};

// The selection while its window is open: it takes the task table's record filter handler away,
// so only the filter text decides what shows, and Close (or the end of its life) gives it back
// and removes the task and sub-project filters, so the other windows see every row again.
class TTaskSelection {
public:
    explicit TTaskSelection(const TTaskTables& tables);
    ~TTaskSelection();
    TTaskSelection(const TTaskSelection&) = delete;
    TTaskSelection& operator=(const TTaskSelection&) = delete;

    // "All" then every project name in table order.
    std::vector<std::string> ProjectItems() const;
    // "All" then the sub-projects of the project named exactly so (letters in any case); with
    // no such project (as for "All") those of the project the projects table stands on. The
    // sub-project table keeps that project's filter until Close.
    std::vector<std::string> SubProjectItems(const std::string& projectText);
    // "All"; when the owners table has rows, the logon name and then every owner name.
    std::vector<std::string> OwnerItems(const std::string& logonName) const;

    // Filters the task table by the choices ("Selection").
    void Select(const TTaskChoice& choice);
    // Every task again ("All").
    void ShowAll();
    void Close();

private:
    TTaskTables tables_;
    TFilterRecordEvent taskFilter_;
    bool closed_ = false;
};

} // namespace kvz
