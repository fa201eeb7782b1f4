// The writes of the task table that the scheduling window, the detail balloon and the payment
// order form make, and the start of the companion reminder program. They work on the task table
// alone, so that a window that goes meanwhile (the payment form outlives the scheduling window)
// never matters. Every write goes through the shared-table writer and finds its task again by
// its exact key after the reload; an empty key or a task that is gone changes nothing.
#pragma once

#include "scheduling/ProjectWrites.h"

#include <filesystem>
#include <string>

namespace kvz {

class TDataModule1;
struct FrameState;

// The task table of the data module as the writer needs it (its lock file, the mode, the poll).
SharedTableTarget TaskTableTarget(TDataModule1& data, FrameState& frame);

// Marks the paid invoice task done. False when no task carries the key.
bool CompleteInvoiceTask(const SharedTableTarget& tasks, const std::string& key);
// Deletes the task. False when no task carries the key.
bool DeleteTaskByKey(const SharedTableTarget& tasks, const std::string& key);
// Writes the task table as it stands (the Actual button).
void WriteTaskTable(const SharedTableTarget& tasks);

// The companion reminder program in the program folder, and what it is started with: the user
// prefix alone. The table password never goes on a command line (any user of the machine can
// read those); the companion asks the program for it through its window socket.
std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder);
std::string CompanionArguments(const std::string& userPrefix);
// Starts the companion detached, in the folder given; false when it is missing or does not start.
bool StartCompanion(const std::filesystem::path& programFolder, const std::string& userPrefix,
                    const std::filesystem::path& workingFolder);

} // namespace kvz
