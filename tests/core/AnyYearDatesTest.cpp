#include "core/AnyYearDates.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(AnyYearDates, AgreeWithAnIndependentCalendar) {
    // Day numbers (proleptic Gregorian ordinal - 693594), ISO weeks, weekdays and month lengths
    // computed by an independent calendar implementation.
    struct Case { int y, m, d, day, week, weekday, monthDays; };
    const Case cases[] = {
        {1, 1, 1, -693593, 1, 1, 31},      {1, 1, 7, -693587, 1, 7, 31},      {400, 2, 29, -547803, 9, 2, 29},
        {1600, 2, 29, -109512, 9, 2, 29},  {1752, 9, 14, -53797, 37, 4, 30},  {1899, 12, 30, 0, 52, 6, 31},
        {1899, 12, 31, 1, 52, 7, 31},      {1900, 2, 28, 60, 9, 3, 28},       {1900, 3, 1, 61, 9, 4, 31},
        {1960, 5, 14, 22050, 19, 6, 31},   {1999, 12, 31, 36525, 52, 5, 31},  {2000, 2, 29, 36585, 9, 2, 29},
        {2004, 12, 31, 38352, 53, 5, 31},  {2005, 1, 1, 38353, 53, 6, 31},    {2005, 1, 3, 38355, 1, 1, 31},
        {2008, 12, 29, 39811, 1, 1, 31},   {2009, 12, 31, 40178, 53, 4, 31},  {2010, 1, 3, 40181, 53, 7, 31},
        {2020, 12, 31, 44196, 53, 4, 31},  {2021, 1, 1, 44197, 53, 5, 31},    {2026, 12, 10, 46366, 50, 4, 31},
        {9999, 12, 31, 2958465, 52, 5, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
        const TDateTime x = EncodeDateAnyYear(c.y, c.m, c.d);
        EXPECT_EQ(x, c.day);
        // 18:00 of that day; before 1899 the time of day counts away from zero.
        const TDateTime evening = x < 0 ? x - 0.75 : x + 0.75;
        int32_t y;
        int m, d, weekday;
        SplitDateAnyYear(evening, y, m, d);
        EXPECT_EQ(std::tie(y, m, d), std::tie(c.y, c.m, c.d));
        EXPECT_EQ(IsoWeekAndDay(evening, weekday), c.week);
        EXPECT_EQ(weekday, c.weekday);
        EXPECT_EQ(DaysInMonthOfDate(x), c.monthDays);
        EXPECT_EQ(DayMonthText(x), std::to_string(c.d) + "." + std::to_string(c.m));
    }
}

TEST(AnyYearDates, BeyondTheCalendar) {
    int32_t y;
    int m, d;
    EXPECT_EQ(EncodeDateAnyYear(10000, 1, 1), 2958466);
    SplitDateAnyYear(2958466, y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(10000, 1, 1));
    SplitDateAnyYear(EncodeDateAnyYear(10000, 6, 15), y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(10000, 6, 14)); // good to a day
    EXPECT_EQ(IsoWeekOfDate(EncodeDateAnyYear(10000, 1, 1)), 52);  // a Saturday, as the rule runs on
    // The year before year 1 is -1.
    const TDateTime before = EncodeDateAnyYear(-1, 6, 15);
    EXPECT_EQ(before, -693792);
    EXPECT_EQ(YearOfDate(before), -1);
    EXPECT_EQ(MonthOfDate(before), 6);
    EXPECT_EQ(DayOfDate(before), 15);
    EXPECT_EQ(YearOfDate(EncodeDateAnyYear(1, 1, 1) - 1), -1);
    EXPECT_EQ(YearOfDate(EncodeDateAnyYear(-100, 3, 1)), -100);
    // What is no date gives no date.
    SplitDateAnyYear(1e300, y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(0, 0, 0));
    EXPECT_THROW(EncodeDateAnyYear(2005, 2, 29), std::invalid_argument);
}

TEST(AnyYearDates, TimeOfDay) {
    const TDateTime x = EncodeDate(2026, 3, 5) + EncodeTime(17, 45, 10, 0);
    EXPECT_EQ(HourOfTime(x), 17);
    EXPECT_EQ(MinuteOfTime(x), 45);
    EXPECT_EQ(DayMonthText(x), "5.3");
    EXPECT_EQ(DayMonthText(EncodeDate(2026, 1, 1)), "1.1");
    EXPECT_TRUE(IsLeapYearNumber(2000));
    EXPECT_FALSE(IsLeapYearNumber(1900));
}

} // namespace
} // namespace kvz
