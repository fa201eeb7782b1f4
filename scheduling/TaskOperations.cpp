#include "scheduling/TaskOperations.h"

#include "core/Data1.h"
#include "core/ModuleServices.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"

#include <QProcess>
#include <QString>

#include <system_error>

namespace kvz {

namespace {

// The task with exactly that key becomes current; false (the table where it was) when none.
bool LocateTask(TVolgaTable& t, const std::string& key) {
    if (key.empty()) return false;
    return t.Locate("Number", Variant(key), 0) && t.FieldByName("Number").AsString() == key;
}

} // namespace

SharedTableTarget TaskTableTarget(TDataModule1& data, FrameState& frame) {
    return {*data.TaskTable, data.LockFileName(TableId::Tasks), *frame.Locks, frame.NetworkMode, kRecordCommandPoll};
}

bool CompleteInvoiceTask(const SharedTableTarget& tasks, const std::string& key) {
    if (key.empty()) return false;
    bool found = false;
    WriteShared(tasks, [&] {
        TVolgaTable& t = tasks.Table;
        found = LocateTask(t, key);
        if (!found) return;
        t.Edit();
        t.FieldByName("Completed").SetAsBoolean(true);
        t.Post();
    });
    return found;
}

bool DeleteTaskByKey(const SharedTableTarget& tasks, const std::string& key) {
    if (key.empty()) return false;
    bool found = false;
    WriteShared(tasks, [&] {
        TVolgaTable& t = tasks.Table;
        found = LocateTask(t, key);
        if (found) t.Delete();
    });
    return found;
}

void WriteTaskTable(const SharedTableTarget& tasks) {
    WriteShared(tasks, [] {});
}

std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder) { return programFolder / "temko"; }

std::string CompanionArguments(const std::string& userPrefix) { return userPrefix; }

bool StartCompanion(const std::filesystem::path& programFolder, const std::string& userPrefix,
                    const std::filesystem::path& workingFolder) {
    const std::filesystem::path program = CompanionProgram(programFolder);
    std::error_code error;
    if (!std::filesystem::is_regular_file(program, error)) return false;
    return QProcess::startDetached(QString::fromStdString(program.string()),
                                   {QString::fromStdString(CompanionArguments(userPrefix))},
                                   QString::fromStdString(workingFolder.string()));
}

} // namespace kvz
