#include "scheduling/Recurrence.h"

#include "core/AnyYearDates.h"
#include "core/Messages.h"

#include <cmath>
#include <unordered_map>

namespace kvz {

bool SameTaskDay(TDateTime a, TDateTime b) { return std::floor(a) == std::floor(b); }

bool SameTaskDayAndMonth(TDateTime a, TDateTime b) { return DayOfDate(a) == DayOfDate(b) && MonthOfDate(a) == MonthOfDate(b); }

bool SameTaskWeekday(TDateTime a, TDateTime b) { return DayOfWeek(a) == DayOfWeek(b); }

bool SameTaskDayOfMonth(TDateTime a, TDateTime b) { return DayOfDate(a) == DayOfDate(b); }

bool DayViewAccepts(const TaskDates& task, TDateTime day) {
    if (SameTaskDay(task.Date, day)) return true;
    switch (task.RepFreq) {
    case RepeatDaily: return true;
    case RepeatYearly: return SameTaskDayAndMonth(task.Date, day);
    case RepeatWeekly: return SameTaskWeekday(task.Date, day);
    case RepeatMonthly: return SameTaskDayOfMonth(task.Date, day);
    default: return false;
    }
}

bool WeekViewAccepts(const TaskDates& task, const std::array<TDateTime, 7>& week) {
    if (task.RepFreq == RepeatWeekly || task.RepFreq == RepeatDaily) return true;
    for (TDateTime d : week)
        if (SameTaskDay(task.Date, d) || (task.RepFreq == RepeatYearly && SameTaskDayAndMonth(task.Date, d))) return true;
    return false;
}

bool MonthViewAccepts(const TaskDates& task, const std::vector<TDateTime>& month) {
    if (month.empty()) return false;
    if (task.RepFreq == RepeatDaily || task.RepFreq == RepeatMonthly) return true;
    for (TDateTime d : month)
        if (SameTaskDay(task.Date, d) || (task.RepFreq == RepeatYearly && SameTaskDayAndMonth(task.Date, d))) return true;
    return false;
}

bool ListViewAccepts(const ProjectNodeChoice& node, std::string_view project, std::string_view subProject) {
    switch (node.What) {
    case ProjectNodeChoice::Project: return project == node.Text;
    case ProjectNodeChoice::SubProject: return subProject == node.Text;
    default: return true;
    }
}

void TaskViewFilter::Prepare() {
    prepared_ = true;
    first_ = last_ = std::floor(CurrentDay);
    day_ = DayOfDate(CurrentDay);
    month_ = MonthOfDate(CurrentDay);
    weekday_ = DayOfWeek(CurrentDay);
    if (View == TaskView::Week) {
        first_ = std::floor(WeekDays[0]);
        last_ = std::floor(WeekDays[6]);
        for (size_t i = 0; i < 7; ++i) weekDayMonth_[i] = MonthOfDate(WeekDays[i]) * 100 + DayOfDate(WeekDays[i]);
    } else if (View == TaskView::Month && !MonthDays.empty()) {
        first_ = std::floor(MonthDays.front());
        last_ = std::floor(MonthDays.back());
        month_ = MonthOfDate(MonthDays.front());
    }
}

bool TaskViewFilter::Accepts(const TaskDates& task, std::string_view project, std::string_view subProject) const {
    if (!prepared_) {
        TaskViewFilter prepared = *this;
        prepared.Prepare();
        return prepared.Accepts(task, project, subProject);
    }
    const double date = std::floor(task.Date);
    const bool inView = date >= first_ && date <= last_;
    switch (View) {
    case TaskView::Day:
        if (inView || task.RepFreq == RepeatDaily) return true;
        if (task.RepFreq == RepeatWeekly) return DayOfWeek(task.Date) == weekday_;
        if (task.RepFreq == RepeatMonthly) return DayOfDate(task.Date) == day_;
        if (task.RepFreq == RepeatYearly) return DayOfDate(task.Date) == day_ && MonthOfDate(task.Date) == month_;
        return false;
    case TaskView::Week: {
        if (inView || task.RepFreq == RepeatDaily || task.RepFreq == RepeatWeekly) return true;
        if (task.RepFreq != RepeatYearly) return false;
        const int md = MonthOfDate(task.Date) * 100 + DayOfDate(task.Date);
        for (int d : weekDayMonth_)
            if (d == md) return true;
        return false;
    }
    case TaskView::Month:
        if (MonthDays.empty()) return false;
        if (inView || task.RepFreq == RepeatDaily || task.RepFreq == RepeatMonthly) return true;
        return task.RepFreq == RepeatYearly && MonthOfDate(task.Date) == month_ && DayOfDate(task.Date) <= int(MonthDays.size());
    case TaskView::List: return ListViewAccepts(Node, project, subProject);
    }
    return true;
}

std::string StatusTextOf(TaskStatusText text, int language) {
    const int id = text == TaskStatusText::AllTasks    ? MessageId::AllPlanningTasks
                   : text == TaskStatusText::Completed ? MessageId::CompletedTasks
                   : text == TaskStatusText::Failure   ? MessageId::FailureTasks
                                                       : MessageId::TasksOn;
    std::string s;
    GetMessageText(id, s, language);
    return s;
}

void TaskFilterButtons::Click(TaskFilterButton button) {
    down_ = down_ == button ? TaskFilterButton::None : button;
    switch (button) {
    case TaskFilterButton::All: AllJobsButtonClick(); break;
    case TaskFilterButton::Completed: CompleteButtonClick(); break;
    case TaskFilterButton::Failure: FailureButtonClick(); break;
    case TaskFilterButton::None: break;
    }
}

void TaskFilterButtons::AllUp() {
    if (down_ == TaskFilterButton::All) down_ = TaskFilterButton::None;
}

void TaskFilterButtons::AllUpAndRun() {
    AllUp();
    AllJobsButtonClick();
}

void TaskFilterButtons::AllJobsButtonClick() {
    if (down_ == TaskFilterButton::All) {
        host_.SetFiltered(false);
        host_.SetDateLabelVisible(false);
        host_.SetStatus(TaskStatusText::AllTasks);
        host_.PageRefresh();
    } else {
        host_.SetFiltered(true);
        host_.SetDateLabelVisible(true);
        host_.SetStatus(TaskStatusText::TaskFor);
    }
    host_.FrameStatusText();
}

void TaskFilterButtons::CompleteButtonClick() {
    if (down_ == TaskFilterButton::Completed) {
        host_.SetFilterExpression(kCompletedExpression);
        host_.SetFiltered(true);
        host_.SetDateLabelVisible(false);
        host_.PageRefresh();
        host_.SetStatus(TaskStatusText::Completed);
    } else {
        host_.SetFilterExpression("");
        host_.PageRefresh();
        host_.SetFiltered(true);
        host_.SetDateLabelVisible(true);
        host_.SetStatus(TaskStatusText::TaskFor);
    }
    host_.FrameStatusText();
}

void TaskFilterButtons::FailureButtonClick() {
    if (down_ == TaskFilterButton::Failure) {
        host_.SetFilterExpression(kFailureExpression);
        host_.SetFiltered(true);
        host_.PageRefresh();
        host_.SetDateLabelVisible(false);
        host_.SetStatus(TaskStatusText::Failure);
    } else {
        host_.SetFilterExpression("");
        host_.SetFiltered(true);
        host_.PageRefresh();
        host_.SetStatus(TaskStatusText::TaskFor);
    }
    host_.FrameStatusText();
}

bool SurveySortFlags::Click(int column) {
    if (column < 0 || column >= 7) return false;
    const bool descending = flags_[size_t(column)];
    flags_[size_t(column)] = !descending;
    return descending;
}

SurveySortFlags& RunSurveySortFlags() {
    static SurveySortFlags flags;
    return flags;
}

std::string AllTasksNodeText(int language) {
    return language == 2 ? "Všetky úlohy" : language == 3 ? "Všechny úkoly" : "All tasks";
}

std::vector<ProjectTreeItem> BuildProjectTree(const std::vector<std::string>& projects,
                                              const std::vector<std::pair<std::string, std::string>>& subProjects,
                                              int language) {
    std::unordered_map<std::string_view, std::vector<const std::string*>> byProject;
    byProject.reserve(projects.size());
    for (const auto& [project, sub] : subProjects) byProject[project].push_back(&sub);
    std::vector<ProjectTreeItem> tree;
    tree.reserve(1 + projects.size() + subProjects.size());
    tree.push_back({AllTasksNodeText(language), -1, true});
    for (const std::string& project : projects) {
        const int parent = int(tree.size());
        tree.push_back({project, -1, false});
        // A project named twice shows its sub-projects under each of its nodes, as a filtered
        // table would give them.
        if (auto it = byProject.find(project); it != byProject.end())
            for (const std::string* sub : it->second) tree.push_back({*sub, parent, false});
    }
    return tree;
}

ProjectNodeChoice NodeChoiceOf(const std::vector<ProjectTreeItem>& tree, int index) {
    if (index < 0 || index >= int(tree.size())) return {};
    const ProjectTreeItem& item = tree[size_t(index)];
    if (item.IsRoot) return {ProjectNodeChoice::Root, item.Text};
    return {item.Parent < 0 ? ProjectNodeChoice::Project : ProjectNodeChoice::SubProject, item.Text};
}

} // namespace kvz
