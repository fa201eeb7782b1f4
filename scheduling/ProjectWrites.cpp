#include "scheduling/ProjectWrites.h"

#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"

#include <vector>

namespace kvz {

namespace {

const char* const kGoneTexts[] = {"The record was deleted by another user.", "Záznam medzitým vymazal iný užívateľ.",
                                  "Záznam mezitím smazal jiný uživatel."};

std::string Text(const TVolgaTable& t, const char* field) { return t.FieldByName(field).AsString(); }

ListRowKey KeyOf(const TVolgaTable& t, const char* nameField, const char* parentField) {
    if (t.IsEmpty()) return {};
    return {Text(t, "Number"), Text(t, nameField), parentField ? Text(t, parentField) : std::string()};
}

// The row with the key: by its code when it has one, else the first whose names are exactly
// the key's (a row with a code is never taken for a key without one).
bool LocateBy(TVolgaTable& t, const ListRowKey& key, const char* nameField, const char* parentField) {
    if (key.Empty()) return false;
    if (!key.Number.empty()) return t.Locate("Number", Variant(key.Number), 0);
    const TBookmark here = t.GetBookmark();
    t.DisableControls();
    bool found = false;
    for (t.First(); !t.Eof(); t.Next()) {
        if (Text(t, "Number").empty() && Text(t, nameField) == key.Name &&
            (!parentField || Text(t, parentField) == key.Parent)) {
            found = true;
            break;
        }
    }
    if (!found && t.BookmarkValid(here)) t.GotoBookmark(here);
    t.EnableControls();
    return found;
}

void LocateOrFail(TVolgaTable& t, const ListRowKey& key, const char* nameField, const char* parentField) {
    if (!LocateBy(t, key, nameField, parentField)) DatabaseError(InLanguage(kGoneTexts), &t);
}


void Set(TVolgaTable& t, const char* field, const std::string& value) { t.FieldByName(field).SetAsString(value); }

} // namespace

void WriteShared(const SharedTableTarget& target, const std::function<void()>& change) {
    TVolgaTable& t = target.Table;
    const bool filtered = t.Filtered();
    t.SetFiltered(false);
    try {
        target.Locks.WriteSharedTable(t, target.LockFile, target.NetworkMode, target.Poll, change);
    } catch (...) {
        t.SetFiltered(filtered);
        throw;
    }
    t.SetFiltered(filtered);
}

ListRowKey ProjectKeyOfCurrent(const TVolgaTable& projects) { return KeyOf(projects, "ProjectName", nullptr); }
ListRowKey SubProjectKeyOfCurrent(const TVolgaTable& subProjects) {
    return KeyOf(subProjects, "SubProjectName", "ProjectName");
}
ListRowKey OwnerKeyOfCurrent(const TVolgaTable& owners) { return KeyOf(owners, "OwnerName", nullptr); }

bool LocateProject(TVolgaTable& t, const ListRowKey& key) { return LocateBy(t, key, "ProjectName", nullptr); }
bool LocateSubProject(TVolgaTable& t, const ListRowKey& key) { return LocateBy(t, key, "SubProjectName", "ProjectName"); }
bool LocateOwner(TVolgaTable& t, const ListRowKey& key) { return LocateBy(t, key, "OwnerName", nullptr); }

bool InsertProject(const SharedTableTarget& target, const ProjectValues& v, const std::string& userPrefix) {
    if (v.Name.empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        t.Append();
        Set(t, "Number", NewRecordKey());
        Set(t, "ProjectName", v.Name);
        Set(t, "StartProj", v.Start);
        Set(t, "EndProj", v.End);
        Set(t, "User", userPrefix);
        t.Post();
    });
    return true;
}

bool EditProject(const SharedTableTarget& target, const ListRowKey& key, const ProjectValues& v) {
    if (v.Name.empty() || key.Empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        LocateOrFail(t, key, "ProjectName", nullptr);
        t.Edit();
        Set(t, "ProjectName", v.Name);
        Set(t, "StartProj", v.Start);
        Set(t, "EndProj", v.End);
        t.Post();
    });
    return true;
}

bool InsertSubProject(const SharedTableTarget& target, const ProjectValues& v, const std::string& userPrefix) {
    if (v.Name.empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        t.Append();
        Set(t, "Number", NewRecordKey());
        Set(t, "SubProjectName", v.Name);
        Set(t, "ProjectName", v.Project);
        Set(t, "StartSubProj", v.Start);
        Set(t, "EndSubProj", v.End);
        Set(t, "User", userPrefix);
        t.Post();
    });
    return true;
}

bool EditSubProject(const SharedTableTarget& target, const ListRowKey& key, const ProjectValues& v) {
    if (v.Name.empty() || key.Empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        LocateOrFail(t, key, "SubProjectName", "ProjectName");
        t.Edit();
        Set(t, "SubProjectName", v.Name);
        Set(t, "ProjectName", v.Project);
        Set(t, "StartSubProj", v.Start);
        Set(t, "EndSubProj", v.End);
        t.Post();
    });
    return true;
}

bool InsertOwner(const SharedTableTarget& target, const std::string& name, const std::string& userPrefix) {
    if (name.empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        t.Append();
        Set(t, "Number", NewRecordKey());
        Set(t, "OwnerName", name);
        Set(t, "User", userPrefix);
        t.Post();
    });
    return true;
}

bool EditOwner(const SharedTableTarget& target, const ListRowKey& key, const std::string& name) {
    if (name.empty() || key.Empty()) return false;
    WriteShared(target, [&] {
        TVolgaTable& t = target.Table;
        LocateOrFail(t, key, "OwnerName", nullptr);
        t.Edit();
        Set(t, "OwnerName", name);
        t.Post();
    });
    return true;
}

namespace {

bool DeleteRow(const SharedTableTarget& target, const ListRowKey& key, const char* nameField, const char* parentField) {
    if (key.Empty()) return false;
    WriteShared(target, [&] {
        LocateOrFail(target.Table, key, nameField, parentField);
        target.Table.Delete();
    });
    return true;
}

} // namespace

bool DeleteProject(const SharedTableTarget& target, const ListRowKey& key) {
    return DeleteRow(target, key, "ProjectName", nullptr);
}
bool DeleteSubProject(const SharedTableTarget& target, const ListRowKey& key) {
    return DeleteRow(target, key, "SubProjectName", "ProjectName");
}
bool DeleteOwner(const SharedTableTarget& target, const ListRowKey& key) { return DeleteRow(target, key, "OwnerName", nullptr); }

int DeleteTasksNamed(const SharedTableTarget& tasks, const char* field, const std::string& name) {
    if (name.empty()) return 0;
    int deleted = 0;
    WriteShared(tasks, [&] {
        deleted = 0;
        TVolgaTable& t = tasks.Table;
        t.DisableControls();
        try {
            t.First();
            while (!t.Eof()) {
                if (Text(t, field) == name) {
                    t.Delete();
                    ++deleted;
                } else {
                    t.Next();
                }
            }
        } catch (...) {
            t.EnableControls();
            throw;
        }
        t.EnableControls();
    });
    return deleted;
}

} // namespace kvz
