// Which tasks a view of the scheduling window shows: the repetition rules of the day, week,
// month and list views, the All / Compl. / Failure buttons, the survey grid's sort directions
// and the project tree. Plain rules; the window applies them.
#pragma once

#include "platform/rtl/DateTime.h"
#include "scheduling/TaskCells.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// RepFreq of a task.
enum TaskRepeat { RepeatOnce = 0, RepeatDaily = 1, RepeatWeekly = 2, RepeatMonthly = 3, RepeatYearly = 4 };

// What the filter reads of a task.
struct TaskDates {
    TDateTime Date = 0; // 0 for a task without a date
    int RepFreq = RepeatOnce;
};

// A repetition passes on days before the task's own date as well as after it; completion is
// not looked at.
bool SameTaskDay(TDateTime a, TDateTime b);
bool SameTaskDayAndMonth(TDateTime a, TDateTime b);
bool SameTaskWeekday(TDateTime a, TDateTime b);
bool SameTaskDayOfMonth(TDateTime a, TDateTime b);

bool DayViewAccepts(const TaskDates& task, TDateTime day);
// A monthly task passes only when its own date lies in the week.
bool WeekViewAccepts(const TaskDates& task, const std::array<TDateTime, 7>& week);
// The days of the month shown (MonthDaysOf); a weekly task passes only when its own date lies
// in the month.
bool MonthViewAccepts(const TaskDates& task, const std::vector<TDateTime>& month);

// The project tree's chosen node, as the list view filters by it.
struct ProjectNodeChoice {
    enum Kind { None, Root, Project, SubProject } What = None;
    std::string Text;
};
// With no node (or the root, which switches filtering off) every task passes.
bool ListViewAccepts(const ProjectNodeChoice& node, std::string_view project, std::string_view subProject);

// What a view's filter needs of the window. Prepare once when the view changes; Accepts then
// answers as the rules above without decoding the view's days again for every task.
struct TaskViewFilter {
    TaskView View = TaskView::Day;
    TDateTime CurrentDay = 0;
    std::array<TDateTime, 7> WeekDays{};
    std::vector<TDateTime> MonthDays;
    ProjectNodeChoice Node;
    void Prepare();
    bool Accepts(const TaskDates& task, std::string_view project, std::string_view subProject) const;

private:
    bool prepared_ = false;
    double first_ = 0, last_ = 0;     // the view's first and last day
    int day_ = 0, month_ = 0, weekday_ = 0;
    std::array<int, 7> weekDayMonth_{}; // month * 100 + day of each day of the week
};

// ---- The All / Compl. / Failure buttons ----
// One group: at most one down, all may be up. Each click changes the task table and the labels
// in the order the window's handlers do; the window lends what they change.
enum class TaskStatusText { TaskFor, AllTasks, Completed, Failure };
// The status texts in the language (messages 30, 63, 201, 202).
std::string StatusTextOf(TaskStatusText text, int language);

class TaskFilterHost {
public:
    virtual ~TaskFilterHost() = default;
    virtual void SetFiltered(bool on) = 0;
    virtual void SetFilterExpression(const std::string& expression) = 0;
    virtual void SetDateLabelVisible(bool on) = 0;
    virtual void SetStatus(TaskStatusText text) = 0;
    // The page refresh; on the day, week and month pages it ends with AllUpAndRun().
    virtual void PageRefresh() = 0;
    virtual void FrameStatusText() = 0;
};

enum class TaskFilterButton { None, All, Completed, Failure };

class TaskFilterButtons {
public:
    explicit TaskFilterButtons(TaskFilterHost& host) : host_(host) {}
    TaskFilterButton Down() const { return down_; }
    // A click on a button: it goes down, or up when it was down; the others of the group go up.
    void Click(TaskFilterButton button);
    // The page refresh's step: All up, and its handler run.
    void AllUpAndRun();
    // All up without its handler (the calendar choice).
    void AllUp();
    static constexpr const char* kCompletedExpression = "Completed=\"True\"";
    static constexpr const char* kFailureExpression = "Completed=\"False\"";

private:
    void AllJobsButtonClick();
    void CompleteButtonClick();
    void FailureButtonClick();
    TaskFilterHost& host_;
    TaskFilterButton down_ = TaskFilterButton::None;
};

// ---- Survey grid ----
// The survey columns and their fields, in order.
inline constexpr std::array<const char*, 7> kSurveyFields = {"Priority", "Date", "Time", "Uloha",
                                                            "Project", "SubProject", "Completed"};
// One direction flag per column, kept for the whole run: the first click on a title sorts
// ascending, the next descending, each column alternating on its own.
class SurveySortFlags {
public:
    // True when this click sorts descending; a column outside 0..6 sorts nothing and is false.
    bool Click(int column);
    bool Flag(int column) const { return column >= 0 && column < 7 && flags_[size_t(column)]; }

private:
    std::array<bool, 7> flags_{};
};
SurveySortFlags& RunSurveySortFlags();

// ---- Project tree ----
struct ProjectTreeItem {
    std::string Text;
    int Parent = -1; // the item index of the project node of a sub-project; -1 on the top level
    bool IsRoot = false;
};
// The root "All tasks", then each project with its sub-projects below it, in table order.
// Sub-projects are grouped by their project's name in one pass, so the tree is built in time
// linear in the rows.
std::vector<ProjectTreeItem> BuildProjectTree(const std::vector<std::string>& projects,
                                              const std::vector<std::pair<std::string, std::string>>& subProjects,
                                              int language);
std::string AllTasksNodeText(int language);
// The list view's choice for a tree item.
ProjectNodeChoice NodeChoiceOf(const std::vector<ProjectTreeItem>& tree, int index);

// The list's even items (0, 2, 4, ...) are drawn on yellow.
inline constexpr uint32_t kEvenListRowColor = 0x00FFFF;
inline bool ListRowOnYellow(int index) { return index % 2 == 0; }

} // namespace kvz
