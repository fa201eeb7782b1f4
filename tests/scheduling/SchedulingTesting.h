// A program's tables in a folder of their own, with tasks written through the shared-table
// writer, for the scheduling window's and dialogs' tests.
#pragma once

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/Clock.h"

#include "TempFolder.h"
#include "core/ProgramTesting.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kvz {

struct TaskRow {
    TaskRow(std::string number, TDateTime date = 0, std::string time = "10:00", std::string uloha = "",
            uint32_t color = 0x0000FF, int repFreq = 0, std::string project = "", std::string subProject = "",
            bool completed = false)
        : Number(std::move(number)), Date(date), Time(std::move(time)), Uloha(std::move(uloha)), Color(color),
          RepFreq(repFreq), Project(std::move(project)), SubProject(std::move(subProject)), Completed(completed) {}
    std::string Number;
    TDateTime Date;
    std::string Time;
    std::string Uloha;
    uint32_t Color;
    int RepFreq;
    std::string Project;
    std::string SubProject;
    bool Completed;
};

struct SchedulingProgram : ProgramFrame {
    std::unique_ptr<TDataModule1> data;

    SchedulingProgram(const std::filesystem::path& folder, bool network) : ProgramFrame(folder, "Jano", network) {
        settings.ZakladneNastavenia();
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables("");
    }

    void AddTasks(const std::vector<TaskRow>& rows) {
        TVolgaTable& t = *data->TaskTable;
        const bool filtered = t.Filtered();
        t.SetFiltered(false);
        locks.WriteSharedTable(t, data->LockFileName(TableId::Tasks), frame.NetworkMode, kRecordCommandPoll, [&] {
            for (const TaskRow& r : rows) {
                t.Append();
                if (!r.Number.empty()) t.FieldByName("Number").SetAsString(r.Number);
                if (r.Date) t.FieldByName("Date").SetAsDateTime(r.Date);
                t.FieldByName("Time").SetAsString(r.Time);
                t.FieldByName("Uloha").SetAsString(r.Uloha);
                t.FieldByName("Color").SetAsInteger(int32_t(r.Color));
                t.FieldByName("RepFreq").SetAsInteger(r.RepFreq);
                t.FieldByName("Repeat").SetAsBoolean(r.RepFreq != 0);
                t.FieldByName("Project").SetAsString(r.Project);
                t.FieldByName("SubProject").SetAsString(r.SubProject);
                t.FieldByName("Completed").SetAsBoolean(r.Completed);
                t.Post();
            }
        });
        t.SetFiltered(filtered);
    }

    void AddRows(TableId id, const std::vector<std::vector<std::pair<std::string, std::string>>>& rows) {
        TVolgaTable& t = *data->TableOf(id);
        locks.WriteSharedTable(t, data->LockFileName(id), frame.NetworkMode, kRecordCommandPoll, [&] {
            for (const auto& row : rows) {
                t.Append();
                for (const auto& [field, value] : row) t.FieldByName(field).SetAsString(value);
                t.Post();
            }
        });
    }
};

inline TDateTime DateOfDay(int y, int m, int d) { return EncodeDate(y, m, d); }

} // namespace kvz
