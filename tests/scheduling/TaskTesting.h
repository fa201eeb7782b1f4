// A program of the scheduling tests: its frame state and data module over one folder, the
// task editor's save over its task table, and the rows of that table as plain values.
#pragma once

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/ProgramTesting.h"
#include "engine/VolgaTbl.h"
#include "scheduling/TaskSave.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

struct TaskEditorProgram : ProgramFrame {
    std::unique_ptr<TDataModule1> data;

    TaskEditorProgram(const std::filesystem::path& folder, bool network = false, const std::string& prefix = "Jano")
        : ProgramFrame(folder, prefix, network) {
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables("heslo");
    }

    TVolgaTable& Tasks() { return *data->TaskTable; }
    std::filesystem::path LockFile() const { return data->LockFileName(TableId::Tasks); }

    TaskSaveResult Save(TaskSaveRequest request) {
        request.UserPrefix = frame.UserPrefix;
        return SaveTasks(Tasks(), locks, LockFile(), frame.NetworkMode, request);
    }

    // Record codes of the rows whose text is this, by date.
    std::vector<std::string> CodesOf(const std::string& text) {
        std::multimap<TDateTime, std::string> byDate;
        TVolgaTable& t = Tasks();
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName("Uloha").AsString() == text)
                byDate.emplace(t.FieldByName("Date").AsDateTime(), t.FieldByName("Number").AsString());
        std::vector<std::string> codes;
        for (const auto& [date, code] : byDate) codes.push_back(code);
        return codes;
    }
};

// One row as field name to text, every field but the record code.
using RowValues = std::map<std::string, std::string>;

inline RowValues ValuesOfCurrent(const TDataSet& t) {
    RowValues row;
    for (int i = 0; i < t.FieldCount(); ++i) {
        const TField& f = t.Fields()[i];
        if (f.FieldName() != "Number") row[f.FieldName()] = f.IsNull() ? "<null>" : f.AsString();
    }
    return row;
}

// Every row of the table (its filter off), sorted, without record codes.
inline std::vector<RowValues> AllRows(TDataSet& t) {
    std::vector<RowValues> rows;
    const bool filtered = t.Filtered();
    t.SetFiltered(false);
    for (t.First(); !t.Eof(); t.Next()) rows.push_back(ValuesOfCurrent(t));
    t.SetFiltered(filtered);
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Rows of a table file, read by a table of its own.
inline std::vector<RowValues> FileRows(const std::filesystem::path& file, const std::string& password = "heslo") {
    TVolgaTable t;
    t.SetPassword(password);
    t.SetTableName(file.string());
    t.Open();
    return AllRows(t);
}

} // namespace kvz
