// The task table indexed by day and by repetition, built once per reload of the table: a
// view's cells are then filled from the days it shows, not from a pass over every row.
#pragma once

#include "scheduling/Recurrence.h"
#include "scheduling/TaskCells.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvz {

struct FormatSettings;

class TaskDayIndex {
public:
    void Clear();
    // Tasks are added in the table's order, which decides the first task of a cell; the row's
    // identity in the table comes with each.
    void Add(TaskCellSource task, int repFreq, uint32_t rowId = 0);
    size_t Size() const { return tasks_.size(); }
    uint32_t RowId(int place) const { return tasks_[size_t(place)].RowId; }

    // The tasks the prepared filter lets through, in table order, placed in the filter's view as
    // the grid shows them. A task without a time has no place; the first task whose time is no
    // time leaves its message in badTime and is skipped.
    void FillCells(const TaskViewFilter& filter, int firstDay, const FormatSettings& fs, TaskCellGrid& cells,
                   std::string& badTime) const;
    // The table places of the tasks the filter lets through, ascending.
    std::vector<int> Accepted(const TaskViewFilter& filter) const;

private:
    struct Task {
        TaskCellSource Source;
        TaskDates Dates;
        uint32_t RowId = 0;
    };
    void Candidates(const TaskViewFilter& filter, std::vector<int>& out) const;
    void AddDays(int64_t first, int64_t last, std::vector<int>& out) const;
    std::vector<Task> tasks_;
    std::unordered_map<int64_t, std::vector<int>> byDay_; // the task's own day
    std::vector<int> daily_;
    std::array<std::vector<int>, 8> weekly_;        // by weekday 1..7
    std::array<std::vector<int>, 32> monthly_;      // by day of the month 1..31
    std::array<std::vector<int>, 13 * 32> yearly_;  // by month * 32 + day
    std::vector<int> odd_; // repeating tasks whose date decodes outside the usual ranges
};

} // namespace kvz
