// A program of the exchange tests: its frame state and data module over a table folder, and
// rows written the way its windows write them.
#pragma once

#include "addressbook/Exchange.h"
#include "core/Data1.h"
#include "core/Messages.h"
#include "core/ProgramTesting.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

struct CountingFrame : ExchangeFrameServices {
    int refreshed = 0;
    int layoutsRestored = 0;
    void RefreshActiveModule() override { ++refreshed; }
    void AddressLayoutRestored() override { ++layoutsRestored; }
};

struct Program : ProgramFrame {
    CountingFrame frameWindow;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<ExchangeContext> context;

    Program(const std::filesystem::path& folder, const std::string& prefix, bool network = false,
            const std::string& password = "heslo")
        : ProgramFrame(folder, prefix, network) {
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables(password);
        context.reset(new ExchangeContext{*data, frame, password, &frameWindow, {}});
    }

    TVolgaTable& Table(TableId id) { return *data->TableOf(id); }

    // Adds a row with these values through the table's writer.
    void Add(TableId id, const std::map<std::string, std::string>& values) {
        TVolgaTable& t = Table(id);
        locks.WriteSharedTable(t, data->LockFileName(id), frame.NetworkMode, kRecordCommandPoll, [&] {
            t.Append();
            for (const auto& [field, value] : values)
                t.FieldByName(field).SetAsString(value);
            t.Post();
        });
    }
};

// The values of a field in every row (the table's filter off), sorted.
inline std::vector<std::string> Column(TDataSet& t, const char* field) {
    std::vector<std::string> out;
    const bool filtered = t.Filtered();
    t.SetFiltered(false);
    for (t.First(); !t.Eof(); t.Next())
        out.push_back(t.FieldByName(field).AsString());
    t.SetFiltered(filtered);
    std::sort(out.begin(), out.end());
    return out;
}

// The values of a field in a table file, read by a table of its own.
inline std::vector<std::string> FileColumn(const std::filesystem::path& file, const char* field,
                                           const std::string& password = "heslo") {
    TVolgaTable t;
    t.SetPassword(password);
    t.SetTableName(file.string());
    t.Open();
    return Column(t, field);
}

// Whether every record code of the table is there once and not empty.
inline bool CodesUnique(TDataSet& t) {
    const std::vector<std::string> codes = Column(t, "Number");
    if (std::find(codes.begin(), codes.end(), std::string()) != codes.end()) return false;
    return std::adjacent_find(codes.begin(), codes.end()) == codes.end();
}

} // namespace kvz
