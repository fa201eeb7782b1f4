#include "core/ReminderTasks.h"

#include "core/Data1.h"
#include "core/Messages.h"
#include "core/TableLocks.h"

namespace kvz {

namespace {


std::string OrUnknown(const std::string& name) { return name.empty() ? GetMessageText(MessageId::UnknownName) : name; }

// Creates or removes one reminder task of the current address and keeps its code there.
void ReminderTask(TDataModule1& data, TTableLocks& locks, const FrameState& state, bool birthday, bool remind,
                  const std::string& firstName, const std::string& surname, TDateTime date) {
    TVolgaTable& addresses = *data.AddressTable;
    TVolgaTable& tasks = *data.TaskTable;
    const bool network = state.NetworkMode;
    const char* identField = birthday ? "PripNarIdent" : "PripMenIdent";
    const std::string addressCode = addresses.FieldByName("Number").AsString();
    if (!remind) {
        const std::string taskCode = addresses.FieldByName(identField).AsString();
        if (taskCode.empty()) return;
        // Only the address's own task goes; a task that is gone already leaves the rest alone.
        locks.WriteSharedTable(tasks, data.LockFileName(TableId::Tasks), network, kReminderPoll, [&] {
            if (tasks.Locate("Number", Variant(taskCode), 0) && tasks.FieldByName("Number").AsString() == taskCode)
                tasks.Delete();
        });
        return;
    }
    std::string taskCode;
    locks.WriteSharedTable(tasks, data.LockFileName(TableId::Tasks), network, kReminderPoll, [&] {
        tasks.Append();
        tasks.FieldByName("Date").SetAsDateTime(date);
        for (const char* f : {"Time", "StartTask", "EndTask"}) tasks.FieldByName(f).SetAsString("8:00:00");
        tasks.FieldByName("Uloha").SetAsString(GetMessageText(birthday ? MessageId::Birthday : MessageId::NameDay) + firstName + " " +
                                               surname);
        tasks.FieldByName("Color").SetAsInteger(255);
        tasks.FieldByName("Mesage").SetAsBoolean(true);
        tasks.FieldByName("User").SetAsString(state.UserPrefix);
        tasks.FieldByName("Owner").SetAsString(state.UserPrefix);
        tasks.FieldByName("Priority").SetAsString("A");
        tasks.FieldByName("Repeat").SetAsBoolean(true);
        tasks.FieldByName("RepFreq").SetAsInteger(4);
        tasks.Post();
        taskCode = tasks.FieldByName("Number").AsString();
    });
    // The address keeps its task's code, written under its own lock once the task lock is free.
    locks.WriteSharedTable(addresses, data.LockFileName(TableId::Address), network, kEditorSavePoll, [&] {
        LocateRecordCode(addresses, addressCode);
        addresses.Edit();
        addresses.FieldByName(identField).SetAsString(taskCode);
        addresses.Post();
    });
}

} // namespace

void UpdateReminderTasks(TDataModule1& data, TTableLocks& locks, const FrameState& state, const ReminderMemory& had,
                         const std::string& firstName, const std::string& surname) {
    TVolgaTable& addresses = *data.AddressTable;
    const std::string first = OrUnknown(firstName), last = OrUnknown(surname);
    const struct {
        bool Birthday;
        const char* Flag;
        const char* Date;
        bool Had;
        TDateTime HadDate;
    } kinds[] = {{true, "PripNar", "Narodeniny", had.Birthday, had.BirthdayDate},
                 {false, "PripMen", "Meniny", had.NameDay, had.NameDayDate}};
    for (const auto& kind : kinds) {
        const bool on = addresses.FieldByName(kind.Flag).AsBoolean();
        const TDateTime date = addresses.FieldByName(kind.Date).AsDateTime();
        if (on != kind.Had) {
            ReminderTask(data, locks, state, kind.Birthday, on, first, last, date);
        } else if (on && date != kind.HadDate) {
            ReminderTask(data, locks, state, kind.Birthday, false, first, last, date);
            ReminderTask(data, locks, state, kind.Birthday, true, first, last, date);
        }
    }
}

} // namespace kvz
