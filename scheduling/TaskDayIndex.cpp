#include "scheduling/TaskDayIndex.h"

#include "core/AnyYearDates.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace kvz {

namespace {

int64_t DayKey(TDateTime date) { return static_cast<int64_t>(std::floor(date)); }

void Append(std::vector<int>& out, const std::vector<int>& from) { out.insert(out.end(), from.begin(), from.end()); }

} // namespace

void TaskDayIndex::Clear() {
    tasks_.clear();
    byDay_.clear();
    daily_.clear();
    for (auto& v : weekly_) v.clear();
    for (auto& v : monthly_) v.clear();
    for (auto& v : yearly_) v.clear();
    odd_.clear();
}

void TaskDayIndex::Add(TaskCellSource task, int repFreq, uint32_t rowId) {
    const int n = int(tasks_.size());
    const TDateTime date = task.Date;
    tasks_.push_back({std::move(task), {date, repFreq}, rowId});
    byDay_[DayKey(date)].push_back(n);
    switch (repFreq) {
    case RepeatDaily: daily_.push_back(n); break;
    case RepeatWeekly: {
        const int w = DayOfWeek(date);
        (w >= 1 && w <= 7 ? weekly_[size_t(w)] : odd_).push_back(n);
        break;
    }
    case RepeatMonthly: {
        const int d = DayOfDate(date);
        (d >= 1 && d <= 31 ? monthly_[size_t(d)] : odd_).push_back(n);
        break;
    }
    case RepeatYearly: {
        const int d = DayOfDate(date), m = MonthOfDate(date);
        (d >= 1 && d <= 31 && m >= 1 && m <= 12 ? yearly_[size_t(m * 32 + d)] : odd_).push_back(n);
        break;
    }
    default: break;
    }
}

void TaskDayIndex::AddDays(int64_t first, int64_t last, std::vector<int>& out) const {
    if (last - first > 62) {
        // Not a view's days: every task is looked at.
        for (const auto& [day, list] : byDay_)
            if (day >= first && day <= last) Append(out, list);
        return;
    }
    for (int64_t d = first; d <= last; ++d)
        if (auto it = byDay_.find(d); it != byDay_.end()) Append(out, it->second);
}

// Every task the filter may let through, from the buckets of the view's days; the filter then
// decides each of them, so the buckets need only hold too many, never too few.
void TaskDayIndex::Candidates(const TaskViewFilter& f, std::vector<int>& out) const {
    auto yearlyOf = [&](TDateTime day) {
        const int d = DayOfDate(day), m = MonthOfDate(day);
        if (d >= 1 && d <= 31 && m >= 1 && m <= 12) Append(out, yearly_[size_t(m * 32 + d)]);
    };
    Append(out, daily_);
    Append(out, odd_);
    switch (f.View) {
    case TaskView::Day: {
        const TDateTime day = f.CurrentDay;
        AddDays(DayKey(day), DayKey(day), out);
        if (const int w = DayOfWeek(day); w >= 1 && w <= 7) Append(out, weekly_[size_t(w)]);
        if (const int d = DayOfDate(day); d >= 1 && d <= 31) Append(out, monthly_[size_t(d)]);
        yearlyOf(day);
        break;
    }
    case TaskView::Week:
        AddDays(DayKey(f.WeekDays[0]), DayKey(f.WeekDays[6]), out);
        for (const auto& v : weekly_) Append(out, v);
        for (TDateTime d : f.WeekDays) yearlyOf(d);
        break;
    case TaskView::Month: {
        if (f.MonthDays.empty()) break;
        AddDays(DayKey(f.MonthDays.front()), DayKey(f.MonthDays.back()), out);
        for (const auto& v : monthly_) Append(out, v);
        const int m = MonthOfDate(f.MonthDays.front());
        if (m >= 1 && m <= 12)
            for (int d = 1; d <= 31 && d <= int(f.MonthDays.size()); ++d) Append(out, yearly_[size_t(m * 32 + d)]);
        break;
    }
    case TaskView::List:
        out.resize(tasks_.size());
        for (size_t i = 0; i < tasks_.size(); ++i) out[i] = int(i);
        break;
    }
}

std::vector<int> TaskDayIndex::Accepted(const TaskViewFilter& filter) const {
    std::vector<int> candidates;
    Candidates(filter, candidates);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::vector<int> accepted;
    accepted.reserve(candidates.size());
    for (int n : candidates)
        if (filter.Accepts(tasks_[size_t(n)].Dates, {}, {})) accepted.push_back(n);
    return accepted;
}

void TaskDayIndex::FillCells(const TaskViewFilter& filter, int firstDay, const FormatSettings& fs, TaskCellGrid& cells,
                             std::string& badTime) const {
    const std::vector<int> accepted = Accepted(filter);
    std::vector<TaskCellEntry> entries;
    entries.reserve(accepted.size());
    std::map<std::string, std::string, std::less<>> texts;
    for (int n : accepted) {
        const TaskCellSource& task = tasks_[size_t(n)].Source;
        if (task.Time.empty()) continue;
        try {
            entries.push_back(PlaceTask(filter.View, task, firstDay, fs));
        } catch (const std::invalid_argument& e) {
            if (badTime.empty()) badTime = e.what();
            continue;
        }
        texts.try_emplace(task.Number, task.Uloha);
    }
    cells.Fill(std::move(entries), texts);
}

} // namespace kvz
