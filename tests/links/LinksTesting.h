// A program's tables in a folder of their own for the links module's tests, with links and
// link types written through the shared-table writer.
#pragma once

#include "links/LinkWrites.h"
#include "scheduling/SchedulingTesting.h"

#include <string>
#include <vector>

namespace kvz {

struct LinkRow {
    std::string Name, Path, Type, Note;
};

struct LinksProgram : SchedulingProgram {
    LinksProgram(const std::filesystem::path& folder, bool network) : SchedulingProgram(folder, network) {}

    LinkTables Tables() {
        return {*data->LinksTable, *data->LinksTypeTable, data->LockFileName(TableId::Links),
                data->LockFileName(TableId::LinksType), locks, frame.NetworkMode, frame.UserPrefix};
    }
    TVolgaTable& Links() { return *data->LinksTable; }
    TVolgaTable& Types() { return *data->LinksTypeTable; }

    void AddLinks(const std::vector<LinkRow>& rows) {
        TVolgaTable& t = Links();
        const bool filtered = t.Filtered();
        t.SetFiltered(false);
        locks.WriteSharedTable(t, data->LockFileName(TableId::Links), frame.NetworkMode, kRecordCommandPoll, [&] {
            for (const LinkRow& r : rows) {
                t.Append();
                t.FieldByName("Name").SetAsString(r.Name);
                t.FieldByName("Path").SetAsString(r.Path);
                t.FieldByName("Type").SetAsString(r.Type);
                t.FieldByName("Note").SetAsString(r.Note);
                t.FieldByName("User").SetAsString(frame.UserPrefix);
                t.Post();
            }
        });
        t.SetFiltered(filtered);
    }
    void AddTypes(const std::vector<std::string>& names) {
        for (const std::string& n : names) AddLinkType(Tables(), n);
    }

    // Every link's field, all rows whatever the filter, in table order.
    std::vector<std::string> Column(const char* field) {
        TVolgaTable& t = Links();
        const bool filtered = t.Filtered();
        t.SetFiltered(false);
        std::vector<std::string> values;
        for (t.First(); !t.Eof(); t.Next()) values.push_back(t.FieldByName(field).AsString());
        t.SetFiltered(filtered);
        return values;
    }
    std::vector<std::string> TypeNames() {
        std::vector<std::string> values;
        TVolgaTable& t = Types();
        for (t.First(); !t.Eof(); t.Next()) values.push_back(t.FieldByName("LinksType").AsString());
        return values;
    }
};

} // namespace kvz
