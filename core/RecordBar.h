// Which commands of the frame window's bars the active module offers, as a plain rule that
// tests check without a window.
#pragma once

#include <functional>
#include <string_view>

namespace kvz {

struct RecordBarInput {
    int Module = 0;             // 0 none, 1 address book, 2 reports, 3 tasks, 4 links
    bool ModuleWindow = false;  // the module's window exists (not an empty page)
    bool Offline = false;       // network mode with the server away: nothing may change
    bool CategoriesOn = false;  // address categories enabled
    // Whether a dialog of that form name is available.
    std::function<bool(std::string_view)> HasDialog;
    // A record is being typed (after Insert or Edit), and whether it is a new one.
    bool Editing = false;
    bool Inserting = false;
};

struct RecordBarState {
    bool First = false, Prior = false, Next = false, Last = false;
    bool Insert = false, Edit = false, Delete = false;
    bool Find = false, Filter = false, Order = false, Category = false, Refresh = false;
    bool Import = false, Export = false;
    bool ReportBar = false, Templates = false;
    bool Detail = false, Manager = false, Owners = false, MaxMin = false, Pay = false;
    bool Capture = false, AddToTask = false, RunLink = false;
    bool Phone = false, Mail = false;
    // While a record is typed: Save and Cancel on, and the Insert button shows it is a new one.
    bool Post = false, Cancel = false, Inserting = false;
    // Another user's tables may be opened: not while the reports window shows a task or link
    // report, whose selection window works on this user's tables.
    bool ChangeUser = true;
};

// What a module of that number offers, as the frame window's bars have it: in browse mode
// the commands of the module; while a record is typed Save and Cancel, with navigation, Edit
// and Delete off (and Insert too, unless a new record is typed).
RecordBarState RecordBarFor(const RecordBarInput& input);

} // namespace kvz
