// The birthday and name-day reminder tasks of an address: made, removed or made anew when the
// address is saved, each under its table's lock in network mode.
#pragma once

#include "platform/rtl/DateTime.h"

#include <string>

namespace kvz {

class TDataModule1;
class TTableLocks;
struct FrameState;

// An address's reminder flags and dates as they were when its edit began (all off for a new one).
struct ReminderMemory {
    bool Birthday = false, NameDay = false;
    TDateTime BirthdayDate = 0, NameDayDate = 0;
};

// The flags and dates of the current address row, compared with what it had: a reminder
// turned on or off is made or removed, and one whose date changed is made anew. The task's
// code is kept in the address's "PripNarIdent" or "PripMenIdent". Empty names are the
// catalogue's "Unknow".
void UpdateReminderTasks(TDataModule1& data, TTableLocks& locks, const FrameState& state, const ReminderMemory& had,
                         const std::string& firstName, const std::string& surname);

} // namespace kvz
