// The task editor as the other windows open it: the frame window's Insert and Edit with the
// scheduling module active, the detail balloon's edit, the links window's add-to-task and the
// scheduling window's clone. Each opener says what it offers through a TaskEditorHost; the
// service sets the mode flags, runs the editor modally and tells the host and the companion
// reminder program what was saved.
#pragma once

#include "platform/rtl/DateTime.h"
#include "scheduling/TaskSave.h"

#include <functional>
#include <string>
#include <vector>

namespace kvz {

class TDataModule1;
struct FrameState;

// What an opener of the editor offers it. Every answer has a default, so that an opener without
// a scheduling window (the links window) overrides nothing.
class TaskEditorHost {
public:
    virtual ~TaskEditorHost() = default;
    // The scheduling window's date label and its current day (0: today).
    virtual std::string DateCaption() const { return {}; }
    virtual TDateTime CurrentDay() const { return 0; }
    // Record codes of the rows selected in the scheduling window's grids.
    virtual std::vector<std::string> SelectedTaskKeys() const { return {}; }
    // Record codes of a whole repeated series when one is selected (first to last); else none.
    virtual std::vector<std::string> SeriesTaskKeys() const { return {}; }
    // After a save: the frame window's record buttons, the scheduling window's views.
    virtual void TasksSaved(const TaskSaveResult&) {}
    // After Cancel, or after a save that failed: the frame window's Cancel state.
    virtual void EditingCancelled() {}
    // The editor closed (the scheduling window's grids read-only again, its selection cleared).
    virtual void EditorClosed() {}
    // While the editor is open, the sub-project filter of the program keeps the sub-projects of
    // the project named in the editor; editorOpen false gives the filter back to the project
    // table's current project.
    virtual void EditorProjectFilter(bool /*editorOpen*/, const std::string& /*project*/) {}
};

class TaskEditorService {
public:
    TaskEditorService(TDataModule1& data, FrameState& frame);

    // A new task (or series, invoice, payments) from the scheduling module.
    int OpenForInsert(TaskEditorHost& host);
    // A change of the current task, or of the selected tasks, or of the selected series.
    int OpenForEdit(TaskEditorHost& host);
    // The current task loaded; OK adds the entry as new rows.
    int Clone(TaskEditorHost& host);
    // A new task that opens a linked file, from the links module.
    int OpenFromLink(TaskEditorHost& host, const std::string& linkName, const std::string& linkPath);

    // Whether the last regular-payment data was this year's (the frame window offers newer
    // data after an Insert when it was not).
    bool PaymentDataCurrent() const;

    // The logon name offered as owner (the system's, unless set).
    std::string LogonName;

private:
    int Run(TaskEditorHost& host, int module, bool edit, bool clone, const std::string& linkName,
            const std::string& linkPath);
    TDataModule1& data_;
    FrameState& frame_;
};

// Tells the companion reminder program that the tasks changed; nothing when it does not run.
void NotifyCompanionTasksChanged();

} // namespace kvz
