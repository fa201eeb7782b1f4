#include "controls/CalendarModel.h"

#include "controls/KvDateUtil.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <cmath>

namespace kvz {

std::string CalendarTitle(TDateTime date, const FormatSettings& fs) {
    return FormatDateTime("mmmm, yyyy", date, fs);
}

TCalendarModel::TCalendarModel() : date_(Today()) {}

void TCalendarModel::Changed() const {
    if (OnChange) OnChange();
}

void TCalendarModel::SetCalendarDate(TDateTime date) {
    if (date == date_) return;
    date_ = date;
    Changed();
}

int TCalendarModel::Day() const {
    int y, m, d;
    DecodeDate(date_, y, m, d);
    return d;
}

int TCalendarModel::Month() const {
    int y, m, d;
    DecodeDate(date_, y, m, d);
    return m;
}

int TCalendarModel::Year() const {
    int y, m, d;
    DecodeDate(date_, y, m, d);
    return y;
}

void TCalendarModel::SetParts(int year, int month, int day) {
    date_ = EncodeDate(year, month, day) + TimeOf(date_);
    useCurrentDate_ = false;
    Changed();
}

void TCalendarModel::SetDay(int day) {
    if (day < 1 || day > MonthLength() || day == Day()) return;
    SetParts(Year(), Month(), day);
}

void TCalendarModel::SetMonth(int month) {
    if (month < 1 || month > 12 || month == Month()) return;
    SetParts(Year(), month, std::min(Day(), MonthDayCount(Year(), month)));
}

void TCalendarModel::SetYear(int year) {
    if (year < 1 || year == Year()) return;
    SetParts(year, Month(), Day());
}

void TCalendarModel::SetUseCurrentDate(bool on) {
    useCurrentDate_ = on;
    if (on) date_ = Today();
}

int TCalendarModel::MonthLength() const { return MonthDayCount(Year(), Month()); }

int TCalendarModel::MonthOffset() const {
    const int a = (DayOfWeek(EncodeDate(Year(), Month(), 1)) - int(startOfWeek_) + 7) % 7;
    return a == 0 ? -5 : 2 - a;
}

int TCalendarModel::CellDay(int col, int row) const {
    if (row < 1 || row > 6 || col < 0 || col > 6) return 0;
    const int n = col + MonthOffset() + 7 * (row - 1);
    return n >= 1 && n <= MonthLength() ? n : 0;
}

std::string TCalendarModel::DayCellText(int col, int row, const FormatSettings& fs) const {
    if (row == 0) return fs.ShortDayNames[size_t((int(startOfWeek_) + col) % 7)];
    const int day = CellDay(col, row);
    return day ? std::to_string(day) : std::string();
}

bool TCalendarModel::IsWeekendColumn(int col) const {
    return weekends_ & (1u << unsigned((int(startOfWeek_) + col) % 7));
}

int TCalendarModel::SelectedCol() const { return (Day() - MonthOffset()) % 7; }
int TCalendarModel::SelectedRow() const { return (Day() - MonthOffset()) / 7 + 1; }

bool TCalendarModel::CellIsToday(int col, int row) const {
    const int day = CellDay(col, row);
    return day && EncodeDate(Year(), Month(), day) == Today();
}

bool TCalendarModel::CanSelectCell(int col, int row) const { return !readOnly_ && CellDay(col, row) != 0; }

bool TCalendarModel::ClickCell(int col, int row) {
    if (!CanSelectCell(col, row)) return false;
    SetDay(CellDay(col, row));
    return true;
}

void TCalendarModel::StepMonth(int step) {
    const int day = Day();
    const TDateTime edge = step < 0 ? EncodeDate(Year(), Month(), 1) : EncodeDate(Year(), Month(), MonthLength());
    int y, m, d;
    DecodeDate(edge + step, y, m, d);
    SetCalendarDate(EncodeDate(y, m, std::min(day, MonthDayCount(y, m))) + TimeOf(date_));
}

void TCalendarModel::YearBack() {
    if (Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() - 1);
}

void TCalendarModel::YearForward() {
    if (Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() + 1);
}

bool TCalendarModel::KeyDown(uint16_t key, unsigned shift) {
    if (shift & (ssShift | ssCtrl | ssAlt)) return false;
    switch (key) {
    case VK_LEFT:
    case VkNumpadSubtract:
        if (readOnly_) return true;
        if (Day() > 1)
            SetDay(Day() - 1);
        else
            SetCalendarDate(date_ - 1);
        return true;
    case VK_RIGHT:
    case VkNumpadAdd:
        if (readOnly_) return true;
        if (Day() < MonthLength())
            SetDay(Day() + 1);
        else
            SetCalendarDate(date_ + 1);
        return true;
    case VK_UP:
    case VK_DOWN: {
        const int row = SelectedRow() + (key == VK_UP ? -1 : 1);
        ClickCell(SelectedCol(), row);
        return true;
    }
    default: return false;
    }
}

bool TCalendarModel::KeyPress(char32_t key) {
    if (key != U'T' && key != U't') return false;
    if (!readOnly_) SetCalendarDate(Today());
    return true;
}

} // namespace kvz
