#include "scheduling/UlohaRules.h"

#include "core/AnyYearDates.h"
#include "platform/rtl/Clock.h"

#include <cmath>

namespace kvz {

namespace {
constexpr std::string_view kPriorityLetters = "ABCDEFGHIJKLMNOPRSTUVWXYZ";
static_assert(kPriorityLetters.size() == kPriorityCount);
} // namespace

void PriorityLetter(int index, std::string& letter)
{
    if (index >= 0 && index < kPriorityCount)
        letter.assign(1, kPriorityLetters[static_cast<size_t>(index)]);
}

std::string PriorityLetter(int index)
{
    std::string letter;
    PriorityLetter(index, letter);
    return letter;
}

int PriorityIndex(std::string_view letter)
{
    if (letter.size() != 1)
        return 0;
    const size_t at = kPriorityLetters.find(letter[0]);
    return at == std::string_view::npos ? 0 : static_cast<int>(at);
}

TDateTime SameDayThisYear(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    SplitDate(date, year, month, day);
    return EncodeDateAnyYear(YearOfDate(Today()), month, day);
}

TDateTime SameDayInYear(TDateTime date, int year, bool* moved)
{
    int y = 0, month = 0, day = 0;
    SplitDate(date, y, month, day);
    const bool leapDay = month == 2 && day == 29 && !IsLeapYearNumber(year);
    if (moved)
        *moved = leapDay;
    return EncodeDateAnyYear(year, month, leapDay ? 28 : day);
}

TDateTime TimeToMinutes(TDateTime time)
{
    int hour = 0, min = 0, sec = 0, msec = 0;
    DecodeTime(time, hour, min, sec, msec);
    const TDateTime day = std::trunc(time);
    TDateTime cut = 0;
    TryEncodeTime(hour, min, 0, 0, cut);
    return time < 0 ? day - cut : day + cut;
}

bool IsNonEmpty(std::string_view text)
{
    return !text.empty();
}

bool InvoiceFieldsFilled(std::string_view payDate, std::string_view dueDate, std::string_view issueDate,
                         std::string_view amount)
{
    return IsNonEmpty(payDate) && IsNonEmpty(dueDate) && IsNonEmpty(issueDate) && IsNonEmpty(amount);
}

} // namespace kvz
