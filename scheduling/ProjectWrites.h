// The writes of the project manager and the owners dialog: projects, sub-projects and owners
// added, renamed and deleted, and the tasks of a deleted project or sub-project. Every write
// goes through the shared-table writer (in network mode under the table's lock, after a
// reload), and finds its row again by its exact key after the reload.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace kvz {

class TTableLocks;
class TVolgaTable;

// Where and how a table is written.
struct SharedTableTarget {
    TVolgaTable& Table;
    std::filesystem::path LockFile;
    TTableLocks& Locks;
    bool NetworkMode = false;
    std::chrono::milliseconds Poll{50};
};

// The exact key of a row: its record code when it has one, else its names (older rows and rows
// of the older program carry no code). A key with nothing in it finds nothing.
struct ListRowKey {
    std::string Number;
    std::string Name;   // ProjectName, SubProjectName or OwnerName
    std::string Parent; // the ProjectName of a sub-project
    bool Empty() const { return Number.empty() && Name.empty(); }
};

// One change of the table through the shared-table writer, the table's filter off while it
// runs (a view's or another window's filter would hide the row) and back on every path.
void WriteUnfiltered(const SharedTableTarget& target, const std::function<void()>& change);

// The key of the table's current row.
ListRowKey ProjectKeyOfCurrent(const TVolgaTable& projects);
ListRowKey SubProjectKeyOfCurrent(const TVolgaTable& subProjects);
ListRowKey OwnerKeyOfCurrent(const TVolgaTable& owners);

// Makes the row with the key current; false when there is none (the table stays where it was).
bool LocateProject(TVolgaTable& projects, const ListRowKey& key);
bool LocateSubProject(TVolgaTable& subProjects, const ListRowKey& key);
bool LocateOwner(TVolgaTable& owners, const ListRowKey& key);

struct ProjectValues {
    std::string Name;
    std::string Start; // dates as short-date text
    std::string End;
    std::string Project; // the project of a sub-project
};

// An empty name writes nothing and returns false. A new row gets the user prefix and a record
// code of its own; an edit changes only the row found by the key (names elsewhere, in tasks and
// sub-projects, stay as they were). A row that another user removed meanwhile is reported.
bool InsertProject(const SharedTableTarget& target, const ProjectValues& values, const std::string& userPrefix);
bool EditProject(const SharedTableTarget& target, const ListRowKey& key, const ProjectValues& values);
bool InsertSubProject(const SharedTableTarget& target, const ProjectValues& values, const std::string& userPrefix);
bool EditSubProject(const SharedTableTarget& target, const ListRowKey& key, const ProjectValues& values);
bool InsertOwner(const SharedTableTarget& target, const std::string& name, const std::string& userPrefix);
bool EditOwner(const SharedTableTarget& target, const ListRowKey& key, const std::string& name);

// Deletes the row with the key; an empty key deletes nothing and returns false.
bool DeleteProject(const SharedTableTarget& target, const ListRowKey& key);
bool DeleteSubProject(const SharedTableTarget& target, const ListRowKey& key);
bool DeleteOwner(const SharedTableTarget& target, const ListRowKey& key);
// Deletes every task whose field ("Project" or "SubProject") is exactly the name, with the task
// table's filter off meanwhile; an empty name deletes nothing. Returns how many went.
int DeleteTasksNamed(const SharedTableTarget& tasks, const char* field, const std::string& name);

} // namespace kvz
