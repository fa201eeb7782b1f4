// The task editor's small rules: priority letters, dates moved into this year, times cut to
// the minute, and the checks of what was typed. Plain values in and out.
#pragma once

#include "platform/rtl/DateTime.h"

#include <string>
#include <string_view>

namespace kvz {

// Priorities are the letters "A" to "Z" without "Q": 25 levels, list index 0 to 24.
constexpr int kPriorityCount = 25;

// The letter of a list index; an index out of range leaves letter as it was.
void PriorityLetter(int index, std::string& letter);
std::string PriorityLetter(int index);
// The list index of a letter (exact and case-sensitive); anything else is 0 ("A").
int PriorityIndex(std::string_view letter);

// The same month and day in the year of today. Throws std::invalid_argument for 29 February
// when this year has none.
TDateTime SameDayThisYear(TDateTime date);
// The same month and day in the given year; 29 February of a common year becomes 28 February,
// and moved says so.
TDateTime SameDayInYear(TDateTime date, int year, bool* moved = nullptr);

// The time with its seconds and milliseconds dropped.
TDateTime TimeToMinutes(TDateTime time);

bool IsNonEmpty(std::string_view text);
// An invoice needs its pay date, due date, issue date and amount.
bool InvoiceFieldsFilled(std::string_view payDate, std::string_view dueDate, std::string_view issueDate,
                         std::string_view amount);

} // namespace kvz
