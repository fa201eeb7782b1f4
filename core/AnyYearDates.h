// Date routines that accept any year: exact within the calendar of years 1 to 9999, and an
// approximation good to a day beyond it.
#pragma once

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string>

namespace kvz {

// Throws std::invalid_argument for a month or day that does not exist in years 1 to 9999.
TDateTime EncodeDateAnyYear(int year, int month, int day);
void SplitDate(TDateTime date, int& year, int& month, int& day);
void SplitDateAnyYear(TDateTime date, int32_t& year, int& month, int& day);
int DayOfDate(TDateTime date);
int MonthOfDate(TDateTime date);
int32_t YearOfDate(TDateTime date);
// Day and month without leading zeros: "5.3" for 5 March.
std::string DayMonthText(TDateTime date);
int HourOfTime(TDateTime date);
int MinuteOfTime(TDateTime date);
int DaysInMonthOfDate(TDateTime date);
// ISO 8601: weeks start on Monday and week 1 holds the year's first Thursday; weekday is 1
// Monday to 7 Sunday.
int IsoWeekAndDay(TDateTime date, int& weekday);
int IsoWeekOfDate(TDateTime date);
bool IsLeapYearNumber(int32_t year);
bool IsLeapYearOfDate(TDateTime date);

} // namespace kvz
