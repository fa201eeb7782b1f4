#include "scheduling/TaskCells.h"

#include "core/AnyYearDates.h"
#include "core/SmallRoutines.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FormatSettings.h"

#include <cmath>
#include <stdexcept>

namespace kvz {

namespace {

// Characters of a UTF-8 text, and its first n characters.
size_t CharCount(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string FirstChars(std::string_view text, size_t count) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (seen == count) return std::string(text.substr(0, i));
            ++seen;
        }
    }
    return std::string(text);
}

const char* ByLanguage(int language, const char* en, const char* sk, const char* cz) {
    return language == 2 ? sk : language == 3 ? cz : en;
}

} // namespace

int FirstDayOfWeek(int setting) { return setting >= 1 && setting <= 7 ? setting : 1; }

int FirstDayAsSundayBased(int firstDay) { return FirstDayOfWeek(firstDay) % 7; }

int WeekPosition(TDateTime date, int firstDay) {
    // DayOfWeek: 1 Sunday .. 7 Saturday; as Monday-based 1..7: Sunday is 7.
    const int mondayBased = (DayOfWeek(date) + 5) % 7 + 1;
    return (mondayBased - FirstDayOfWeek(firstDay) + 7) % 7 + 1;
}

std::array<TDateTime, 7> WeekDaysOf(TDateTime day, int firstDay) {
    const TDateTime first = std::floor(day) - (WeekPosition(day, firstDay) - 1);
    std::array<TDateTime, 7> days{};
    for (int i = 0; i < 7; ++i) days[size_t(i)] = first + i;
    return days;
}

std::vector<TDateTime> MonthDaysOf(TDateTime day) {
    const int32_t year = YearOfDate(day);
    const int month = MonthOfDate(day);
    std::vector<TDateTime> days;
    for (int d = 1, n = DaysInMonthOfDate(day); d <= n; ++d) days.push_back(EncodeDateAnyYear(year, month, d));
    return days;
}

int HourRow(int hour) { return hour >= 5 ? hour - 4 : hour + 20; }

int TenMinuteColumn(int minute) { return minute <= 10 ? 1 : (minute - 1) / 10 + 1; }

std::string HourLabel(int row) {
    const int hour = (row + 4) % 24;
    return std::string{char('0' + hour / 10), char('0' + hour % 10)};
}

std::pair<int, int> TaskHourMinute(std::string_view timeText, const FormatSettings& fs) {
    TDateTime t = 0;
    if (!TryStrToTime(timeText, t, fs)) throw std::invalid_argument("'" + std::string(timeText) + "' is not a valid time");
    int hour = 0, minute = 0, second = 0, msec = 0;
    DecodeTime(t, hour, minute, second, msec);
    return {hour, minute};
}

TaskCellEntry PlaceTask(TaskView view, const TaskCellSource& task, int firstDay, const FormatSettings& fs) {
    const auto [hour, minute] = TaskHourMinute(task.Time, fs);
    TaskCellEntry e;
    e.Color = task.Color;
    e.Key = task.Number;
    switch (view) {
    case TaskView::Day:
        e.Row = HourRow(hour);
        e.Col = TenMinuteColumn(minute);
        break;
    case TaskView::Week:
        e.Row = HourRow(hour);
        e.Col = WeekPosition(task.Date, firstDay);
        break;
    case TaskView::Month:
    case TaskView::List:
        e.Row = DayOfDate(task.Date);
        e.Col = HourRow(hour);
        break;
    }
    return e;
}

void TaskCellGrid::Clear() {
    entries_.clear();
    cells_.clear();
}

void TaskCellGrid::Fill(std::vector<TaskCellEntry> entries,
                        const std::map<std::string, std::string, std::less<>>& textOfKey) {
    entries_ = std::move(entries);
    cells_.clear();
    for (const TaskCellEntry& e : entries_) {
        auto [it, added] = cells_.try_emplace({e.Col, e.Row});
        if (!added) continue;
        it->second.Color = e.Color;
        it->second.Key = e.Key;
        if (auto t = textOfKey.find(e.Key); t != textOfKey.end()) it->second.Text = t->second;
    }
}

const TaskCell* TaskCellGrid::At(int col, int row) const {
    auto it = cells_.find({col, row});
    return it == cells_.end() ? nullptr : &it->second;
}

std::string TaskCellGrid::KeyAt(int col, int row) const {
    const TaskCell* c = At(col, row);
    return c ? c->Key : std::string();
}

std::string CutCellText(std::string_view text, TaskView view, bool enlarged) {
    size_t longest = 0, kept = 0;
    switch (view) {
    case TaskView::Day: longest = enlarged ? 12 : 6, kept = enlarged ? 11 : 5; break;
    case TaskView::Week: longest = enlarged ? 11 : 5, kept = enlarged ? 10 : 4; break;
    default: longest = enlarged ? 4 : 1, kept = enlarged ? 3 : 1; break;
    }
    if (CharCount(text) <= longest) return std::string(text);
    return FirstChars(text, kept) + " ...";
}

uint32_t ContrastTextColor(uint32_t color, uint32_t defaultColor) { return TextColorForBackground(color, defaultColor); }

std::string WeekLabelText(int week, int language) {
    if (week < 1 || week > 53) return {};
    const std::string n = std::to_string(week);
    if (language == 2) return n + ". týždeň";
    if (language == 3) return n + ". týden";
    // Kept as the program always wrote it: only 1, 2 and 3 have their own endings (21th week).
    const char* suffix = week == 1 ? "st" : week == 2 ? "nd" : week == 3 ? "rd" : "th";
    return n + suffix + " week";
}

std::array<std::string, 7> WeekDayNames(int firstDay, int language) {
    static const char* const names[3][7] = {{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
                                            {"Po", "Ut", "St", "Št", "Pi", "So", "Ne"},
                                            {"Po", "Út", "St", "Čt", "Pá", "So", "Ne"}};
    const int l = language == 2 ? 1 : language == 3 ? 2 : 0;
    std::array<std::string, 7> out;
    for (int i = 0; i < 7; ++i) out[size_t(i)] = names[l][(FirstDayOfWeek(firstDay) - 1 + i) % 7];
    return out;
}

std::string WeekTitle(TDateTime day, int firstDay, int language) {
    return WeekDayNames(firstDay, language)[size_t(WeekPosition(day, firstDay) - 1)] + " " + std::to_string(DayOfDate(day));
}

std::string LabelTime(std::string_view time) {
    if (time.size() == 7) return std::string(time.substr(0, 4));
    if (time.size() == 8) return std::string(time.substr(0, 5));
    return std::string(time);
}

std::string CurrentTaskLabel(std::string_view dateText, std::string_view time, int language) {
    std::string label(dateText);
    if (!time.empty()) label += ByLanguage(language, "  -  ", " o ", " o ") + LabelTime(time);
    return label + ByLanguage(language, " ", " hod.", " hod.");
}

std::string TaskClickHint(std::string_view dateText, std::string_view time, std::string_view uloha, int language) {
    return std::string(dateText) + ByLanguage(language, "  -  ", "  o  ", "  o  ") + std::string(time) + " \r\n" +
           std::string(uloha);
}

} // namespace kvz
