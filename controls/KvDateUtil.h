// Dates typed by the user: read by the display format of a date edit (a mask of "D", "M" and
// "Y" letters such as "DD/MM/YYYY"), checked, and the default formats and edit masks for the
// date order of the language. Positions count characters.
#pragma once

#include "platform/rtl/DateTime.h"

#include <string>
#include <string_view>

namespace kvz {

struct FormatSettings;

constexpr TDateTime NoDate = 0.0;
constexpr int CenturyWindow = 60;
// Date edits always show and accept four-digit years: a two-digit year, read back, could land
// in the wrong century.
constexpr bool YearHasFourDigits = true;

enum TDateOrder { doMDY = 0, doDMY = 1, doYMD = 2 };

bool YearIsLeap(int year);
int MonthDayCount(int year, int month);
bool IsValidYMD(int year, int month, int day);
bool IsValidDateValue(TDateTime date);
int ThisYear();
// By the first of the letters D, E, Y, M in the format; day-month-year when none occurs.
TDateOrder DateOrderOf(std::string_view format);
// A year below 100 moves into the hundred years from this year - 60 to this year + 39; other
// years stay as they are.
int WidenYear(int year);
// The month whose long name begins, without regard to case, as the first n characters of the
// text; 0 when none does or the text is empty.
int MonthByName(std::string_view text, int n, const FormatSettings& fs);

// One field of a date read where the format has its letter: the digits as a number (run < 2)
// or a month name (run >= 2), -1 when they are neither, blank when only blanks stand there,
// default when the format lacks the field or the text is longer than the format.
void ReadMaskField(std::string_view format, std::string_view text, char letter, int run, int def, int blank,
                   int& value, const FormatSettings& fs);
// The free scan: two or three numbers between date separators, in the format's date order,
// from pos (1-based characters) on; true when the whole text is a valid date.
bool ParseDateText(std::string_view text, std::string_view format, int& pos, int& day, int& month, int& year,
                   const FormatSettings& fs);
// Reads the date by the mask, and by the free scan when the mask gives no valid date.
bool ParseDateByMask(std::string_view format, std::string_view text, int& day, int& month, int& year,
                     const FormatSettings& fs);
// An empty text is NoDate.
bool TryTextToDate(std::string_view format, std::string_view text, TDateTime& date, const FormatSettings& fs);
// Throws std::invalid_argument "''text'' is not a valid date".
TDateTime TextToDate(std::string_view format, std::string_view text, const FormatSettings& fs);
// The date, or the whole days of the default.
TDateTime TextToDateOr(std::string_view format, std::string_view text, TDateTime def, const FormatSettings& fs);

// "MM/DD/YYYY", "DD/MM/YYYY" or "YYYY/MM/DD" by the language's date order.
std::string DefaultDateFormatText(const FormatSettings& fs);
// "!99/99/9999;1;" or "!9999/99/99;1;" followed by the blank character.
std::string DefaultDateEditMask(char blank, const FormatSettings& fs);

} // namespace kvz
