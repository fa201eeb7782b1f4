// The rules of the scheduling window's day, week and month grids that need no display: the
// first day of the week, the days a week or month view shows, where a task lands (hour row,
// ten-minute column, weekday column, day row), the cells a grid paints from, the labels and
// the cut texts.
#pragma once

#include "platform/rtl/DateTime.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvz {

struct FormatSettings;

// The views of the window's pages; the survey page has none of its own and keeps the last.
enum class TaskView { Day = 0, Week = 1, Month = 2, List = 4 };

// The first day of the week, 1 Monday to 7 Sunday, from the setting: any value outside 1..7
// gives Monday, so that the calendar, the week grid and the task editor agree.
int FirstDayOfWeek(int setting);
// The weekday of the calendar's naming (0 Sunday .. 6 Saturday) of a first day 1..7.
int FirstDayAsSundayBased(int firstDay);

// The place 1..7 of a date in the week that begins with the first day (1 Monday .. 7 Sunday).
int WeekPosition(TDateTime date, int firstDay);
// The seven days of the week that holds the day, from the first day.
std::array<TDateTime, 7> WeekDaysOf(TDateTime day, int firstDay);
// The days 1 to the last of the day's month.
std::vector<TDateTime> MonthDaysOf(TDateTime day);

// Grid rows of the hours: 05:00 is row 1, 23:00 row 19, 00:00 row 20, 04:00 row 24.
int HourRow(int hour);
// Day grid columns of the minutes: 0-10 column 1, 11-20 column 2, ... 51-59 column 6.
int TenMinuteColumn(int minute);
// "05", "06", ... "23", "00", ... "04": the hour label of a grid row 1..24.
std::string HourLabel(int row);
// Hour and minute of a task's time text in the language's time format; a text that is no time
// throws std::invalid_argument with the parser's message.
std::pair<int, int> TaskHourMinute(std::string_view timeText, const FormatSettings& fs);

// What the grids need of a task.
struct TaskCellSource {
    std::string Number;
    TDateTime Date = 0;
    std::string Time;
    uint32_t Color = 0;
    std::string Uloha;
};

// A placed task: grid row, grid column, colour, key.
struct TaskCellEntry {
    int Row = 0;
    int Col = 0;
    uint32_t Color = 0;
    std::string Key;
};

// Where a task lands in the view's grid. A week task goes to its own date's place in a week
// from the first day; a month task to its own day of the month.
TaskCellEntry PlaceTask(TaskView view, const TaskCellSource& task, int firstDay, const FormatSettings& fs);

// What one grid cell shows: the first task placed there.
struct TaskCell {
    uint32_t Color = 0;
    std::string Key;
    std::string Text; // the task's text, whole
};

// The prepared cells of one grid, built when the grid is filled; painting reads only these.
class TaskCellGrid {
public:
    void Clear();
    // Entries in table order; a cell keeps the first entry placed in it.
    void Fill(std::vector<TaskCellEntry> entries, const std::map<std::string, std::string, std::less<>>& textOfKey);
    const std::vector<TaskCellEntry>& Entries() const { return entries_; }
    // The cell's task, or none.
    const TaskCell* At(int col, int row) const;
    std::string KeyAt(int col, int row) const;
    int CellCount() const { return int(cells_.size()); }

private:
    std::vector<TaskCellEntry> entries_;
    std::map<std::pair<int, int>, TaskCell> cells_;
};

// Cuts a cell's text: longer than T characters keeps K and gets " ...". T and K by the view and
// by the frame window's enlarge toggle.
std::string CutCellText(std::string_view text, TaskView view, bool enlarged);

// The readable text colour on a task colour; other colours give the default.
uint32_t ContrastTextColor(uint32_t color, uint32_t defaultColor);

// The week label: "21th week", "21. týždeň", "21. týden"; a week number outside 1..53 gives
// nothing (the label stays).
std::string WeekLabelText(int week, int language);
// The short day names of a week from its first day, by language.
std::array<std::string, 7> WeekDayNames(int firstDay, int language);
// The week grid's title of a day: "Mon 12".
std::string WeekTitle(TDateTime day, int firstDay, int language);

// The current-task label: date text, separator (left out without a time), time without its
// seconds, suffix. The time keeps 4 characters of 7 and 5 of 8.
std::string LabelTime(std::string_view time);
std::string CurrentTaskLabel(std::string_view dateText, std::string_view time, int language);
// The hint of a clicked task: date text, separator, time, a blank, CR LF, the task text.
std::string TaskClickHint(std::string_view dateText, std::string_view time, std::string_view uloha, int language);

} // namespace kvz
