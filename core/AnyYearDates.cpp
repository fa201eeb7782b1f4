#include "core/AnyYearDates.h"

#include <cmath>

namespace kvz {

namespace {

constexpr double kDaysPerYear = 365.2422454;
constexpr double kDaysPerMonth = 30.436853783333333333;
constexpr double kDaysBeforeOrigin = 693593;
constexpr double kCorrection = 1.7882454;
constexpr double kFirstExact = -693593;  // 1 January 1
constexpr double kEndOfExact = 2958466; // 1 January 10000
// Beyond this many days the year would not fit its 32 bits.
constexpr double kLimit = 7.8e11;

} // namespace

TDateTime EncodeDateAnyYear(int year, int month, int day) {
    if (year >= 1 && year <= 9999) return EncodeDate(year, month, day);
    const double base = year > 0 ? (year - 1) * kDaysPerYear - kDaysBeforeOrigin + kCorrection
                                 : year * kDaysPerYear - kDaysBeforeOrigin;
    // Round half to even, as the class library rounds.
    return std::nearbyint((month - 1) * kDaysPerMonth + std::trunc(base)) + day - 1;
}

void SplitDate(TDateTime date, int& year, int& month, int& day) { DecodeDate(date, year, month, day); }

void SplitDateAnyYear(TDateTime x, int32_t& year, int& month, int& day) {
    // By the whole day, so that the evening of 1 January 1 is still that day.
    if (std::trunc(x) >= kFirstExact && x < kEndOfExact) {
        int y;
        DecodeDate(x, y, month, day);
        year = y;
        return;
    }
    if (!(std::fabs(x) < kLimit)) { // not a date at all
        year = month = day = 0;
        return;
    }
    auto y = static_cast<int64_t>(std::trunc((x + kDaysBeforeOrigin) / kDaysPerYear));
    if (y > 0)
        x -= kCorrection;
    else
        --y;
    const double t = x + kDaysBeforeOrigin;
    double m = t / kDaysPerMonth - static_cast<double>(y) * 12;
    if (m < 0) {
        m = 11;
        --y;
    }
    month = static_cast<int>(std::trunc(m)) + 1;
    day = static_cast<int>(std::trunc(t - static_cast<double>(y) * kDaysPerYear - std::trunc(m) * kDaysPerMonth)) + 1;
    if (y > 0) ++y;
    year = static_cast<int32_t>(y);
}

int DayOfDate(TDateTime date) {
    int32_t y;
    int m, d;
    SplitDateAnyYear(date, y, m, d);
    return d;
}

int MonthOfDate(TDateTime date) {
    int32_t y;
    int m, d;
    SplitDateAnyYear(date, y, m, d);
    return m;
}

int32_t YearOfDate(TDateTime date) {
    int32_t y;
    int m, d;
    SplitDateAnyYear(date, y, m, d);
    return y;
}

std::string DayMonthText(TDateTime date) {
    return std::to_string(DayOfDate(date)) + "." + std::to_string(MonthOfDate(date));
}

int HourOfTime(TDateTime date) {
    int h, n, s, ms;
    DecodeTime(date, h, n, s, ms);
    return h;
}

int MinuteOfTime(TDateTime date) {
    int h, n, s, ms;
    DecodeTime(date, h, n, s, ms);
    return n;
}

int DaysInMonthOfDate(TDateTime date) {
    int32_t y;
    int m, d;
    SplitDateAnyYear(date, y, m, d);
    return DaysInMonth(y, m);
}

int IsoWeekAndDay(TDateTime x, int& weekday) {
    // Day 0 (30 December 1899) was a Saturday; 1 Sunday to 7 Saturday as the platform counts.
    const auto days = static_cast<int64_t>(std::trunc(x));
    const int sundayFirst = static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
    weekday = (sundayFirst + 5) % 7 + 1;
    const TDateTime thursday = x - weekday + 4;
    const int32_t year = YearOfDate(thursday);
    return static_cast<int>(std::trunc(thursday - EncodeDateAnyYear(year, 1, 1))) / 7 + 1;
}

int IsoWeekOfDate(TDateTime date) {
    int weekday;
    return IsoWeekAndDay(date, weekday);
}

bool IsLeapYearNumber(int32_t year) { return IsLeapYear(year); }

bool IsLeapYearOfDate(TDateTime date) { return IsLeapYearNumber(YearOfDate(date)); }

} // namespace kvz
