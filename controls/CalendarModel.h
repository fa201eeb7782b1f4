// The month grid of a calendar without painting: what each of its 7 x 7 cells shows (row 0 the
// day names, rows 1 to 6 the days), where the selection stands, and how the date moves by day,
// month and year, by keys and by clicks.
#pragma once

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kvz {

struct FormatSettings;

enum class TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
// One bit per day, bit 0 Sunday.
using TDaysOfWeek = unsigned;
constexpr TDaysOfWeek DayBit(TDayOfWeekName day) { return 1u << unsigned(day); }

// Key codes of the numeric keypad's plus and minus, which the calendars and the date edits
// treat apart from the characters "+" and "-".
constexpr uint16_t VkNumpadAdd = 107, VkNumpadSubtract = 109;

// "MMMM, YYYY": the long month name, a comma and the four-digit year.
std::string CalendarTitle(TDateTime date, const FormatSettings& fs);

class TCalendarModel {
public:
    // Today, following the current date.
    TCalendarModel();

    TDateTime CalendarDate() const { return date_; }
    // Notifies when the date differs from the old one.
    void SetCalendarDate(TDateTime date);
    int Day() const;
    int Month() const;
    int Year() const;
    // Values below 1, months above 12 and days past the month change nothing. A month change
    // cuts the day to the new month's length in the calendar's own year. A year that would
    // put 29 February into a common year throws and leaves the date.
    void SetDay(int day);
    void SetMonth(int month);
    void SetYear(int year);

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName day) { startOfWeek_ = day; }
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek days) { weekends_ = days; }
    bool UseCurrentDate() const { return useCurrentDate_; }
    // Switching it on takes today's date without notifying.
    void SetUseCurrentDate(bool on);

    int MonthLength() const;
    // The day number that column 0 of row 1 would hold: the first of the month lies in row 1,
    // column 1 - offset.
    int MonthOffset() const;
    // The day a cell of rows 1 to 6 shows; 0 for the header and the blank cells.
    int CellDay(int col, int row) const;
    std::string DayCellText(int col, int row, const FormatSettings& fs) const;
    bool IsWeekendColumn(int col) const;
    int SelectedCol() const;
    int SelectedRow() const;
    bool CellIsToday(int col, int row) const;
    // Whether the user may move the selection to the cell.
    bool CanSelectCell(int col, int row) const;
    // A click on the cell: its day becomes the date when the user may select it.
    bool ClickCell(int col, int row);

    void MonthBack() { StepMonth(-1); }
    void MonthForward() { StepMonth(+1); }
    void YearBack();
    void YearForward();

    // Left, right and the keypad's minus and plus step a day across month ends; up and down a
    // week within the month. True when the key was taken.
    bool KeyDown(uint16_t key, unsigned shift);
    // "T" or "t" selects today. True when the key was taken.
    bool KeyPress(char32_t key);

    // After every change of the date.
    std::function<void()> OnChange;

private:
    void StepMonth(int step);
    void SetParts(int year, int month, int day);
    void Changed() const;

    TDateTime date_;
    bool readOnly_ = false;
    bool useCurrentDate_ = true;
    TDayOfWeekName startOfWeek_ = TDayOfWeekName::Mon;
    TDaysOfWeek weekends_ = DayBit(TDayOfWeekName::Sun);
};

} // namespace kvz
