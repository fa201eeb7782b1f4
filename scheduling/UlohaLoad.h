// What the task editor shows when it opens: the values of the task or invoice being edited,
// read whole before any control changes, the owners it offers, the text of its date label and
// the range its calendar picks.
#pragma once

#include "scheduling/TaskSave.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvz {

class TDataSet;
struct FormatSettings;

// The current task's values for its page. The calendar shows calendarDate. Throws
// std::invalid_argument naming the text when a stored time is not a time: then nothing of the
// row is shown, and the editor writes nothing.
TaskValues TaskValuesOfRow(const TDataSet& tasks, TDateTime calendarDate);
// The current invoice's values (due date = issue date + term), their dates in the form of fs;
// the issue date is read in the short date form of any of the three languages. The same
// failure rule.
InvoiceValues InvoiceValuesOfRow(const TDataSet& tasks, const FormatSettings& fs);

// The owners the editor offers: the logon name when the user list of the data folder holds it,
// else "Unknown" in the program's language; then the owners of the owners table in table order.
std::vector<std::string> OwnerChoices(const std::filesystem::path& dataFolder, const std::string& logonName,
                                      TDataSet* owners);
// The owners offered when a task is edited: the logon name, then the owners of the table.
std::vector<std::string> EditOwnerChoices(const std::string& logonName, TDataSet* owners);

// The values of a field in every row, in table order, without repeating one.
std::vector<std::string> ColumnValues(TDataSet& table, const char* field);
// Sub-projects of a project, in table order.
std::vector<std::string> SubProjectsOf(TDataSet& subProjects, const std::string& project);

// The date label: one date, or the first and last date joined by " .. ".
std::string DateLabelText(TDateTime from, TDateTime to, const FormatSettings& fs);

// The days a month calendar picks: a click picks one day; a shift-click or a drag extends the
// pick from its anchor towards the day, at most 31 days, either way.
class DateRangePick {
public:
    explicit DateRangePick(TDateTime day = 0) { Pick(day); }
    void Pick(TDateTime day);
    void ExtendTo(TDateTime day);
    TDateTime First() const { return first_; }
    TDateTime Last() const { return last_; }
    bool Contains(TDateTime day) const;

private:
    TDateTime anchor_ = 0, first_ = 0, last_ = 0;
};

} // namespace kvz
