#include "scheduling/TaskEditorService.h"

#include "core/Data1.h"
#include "core/FrameServices.h"
#include "core/ModuleServices.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/SysInfo.h"
#include "scheduling/TaskSelection.h"
#include "scheduling/Uloha.h"

namespace kvz {

TaskEditorService::TaskEditorService(TDataModule1& data, FrameState& frame)
    : LogonName(GetWindowsUserName()), data_(data), frame_(frame) {}

int TaskEditorService::OpenForInsert(TaskEditorHost& host) { return Run(host, TasksModule, false, false, {}, {}); }
int TaskEditorService::OpenForEdit(TaskEditorHost& host) { return Run(host, TasksModule, true, false, {}, {}); }
int TaskEditorService::Clone(TaskEditorHost& host) { return Run(host, TasksModule, true, true, {}, {}); }

int TaskEditorService::OpenFromLink(TaskEditorHost& host, const std::string& linkName, const std::string& linkPath) {
    return Run(host, LinksModule, false, false, linkName, linkPath);
}

bool TaskEditorService::PaymentDataCurrent() const { return TaskEditorState().PaymentDataCurrent; }

int TaskEditorService::Run(TaskEditorHost& host, int module, bool edit, bool clone, const std::string& linkName,
                           const std::string& linkPath) {
    TaskEditorFlags& flags = TaskEditorState();
    flags.TaskEditMode = edit;
    flags.TaskCloneMode = clone;
    TaskEditorContext context{data_, frame_};
    context.Module = module;
    context.DateCaption = host.DateCaption();
    context.CurrentDay = host.CurrentDay();
    context.SelectedKeys = host.SelectedTaskKeys();
    // A whole series chosen is built anew over its days; other tasks are changed each on its own day.
    if (edit && !clone) context.SeriesKeys = host.SeriesTaskKeys();
    context.SeriesSelected = !context.SeriesKeys.empty();
    if (edit && !clone && data_.TaskTable && data_.TaskTable->Active() && !data_.TaskTable->IsEmpty()) {
        std::vector<std::string> keys{data_.TaskTable->FieldByName("Number").AsString()};
        keys.insert(keys.end(), context.SelectedKeys.begin(), context.SelectedKeys.end());
        keys.insert(keys.end(), context.SeriesKeys.begin(), context.SeriesKeys.end());
        context.Begun = StampTaskRows(*data_.TaskTable, keys);
    }
    context.LinkName = linkName;
    context.LinkPath = linkPath;
    context.LogonName = LogonName;
    context.OnSaved = [&host](const TaskSaveResult& result) {
        host.TasksSaved(result);
        NotifyCompanionTasksChanged();
    };
    context.OnCancelled = [&host] { host.EditingCancelled(); };
    context.OnProjectFilter = [&host](bool open, const std::string& project) { host.EditorProjectFilter(open, project); };
    int result = mrCancel;
    {
        TUlohaForm form(nullptr, context);
        result = form.ShowModal();
    }
    // The flags belong to this opening only.
    flags.TaskEditMode = flags.TaskCloneMode = false;
    flags.TaskEditorOpen = false;
    host.EditorProjectFilter(false, {});
    host.EditorClosed();
    return result;
}

void NotifyCompanionTasksChanged() {
    PostWindowMessage(WindowSocketPath("TMainForm", "Temko"), WM_TEMKO, TEMKO_TASKS_CHANGED, 0);
}

} // namespace kvz
