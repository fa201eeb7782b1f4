#include "controls/CalendarModel.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

namespace kvz {
namespace {

class CalendarModelTest : public ::testing::Test {
protected:
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.5};
    ScopedClock scoped{clock};
    TCalendarModel cal;
    int changes = 0;
    void SetUp() override { cal.OnChange = [this] { ++changes; }; }
    void ExpectDate(int y, int m, int d) {
        EXPECT_EQ(cal.CalendarDate(), EncodeDate(y, m, d)) << y << "-" << m << "-" << d;
    }
};

// Every day of every month of several years against the standard library's calendar, for
// every first day of the week: the day lies in the column of its weekday, the first of the
// month in row 1, and no other cell shows a day.
TEST_F(CalendarModelTest, GridMatchesAnIndependentCalendar) {
    using namespace std::chrono;
    for (int y : {1900, 2000, 2003, 2004, 2024, 2026, 2100})
        for (unsigned m = 1; m <= 12; ++m)
            for (unsigned start = 0; start < 7; ++start) {
                cal.SetStartOfWeek(TDayOfWeekName(start));
                cal.SetCalendarDate(EncodeDate(y, int(m), 1));
                const unsigned firstCol = (weekday(year_month_day(year(y), month(m), day(1))).c_encoding() + 7 - start) % 7;
                const unsigned length = unsigned(year_month_day_last(year(y), month_day_last(month(m))).day());
                int shown = 0;
                for (int row = 1; row <= 6; ++row)
                    for (int col = 0; col < 7; ++col)
                        if (int d = cal.CellDay(col, row)) {
                            ++shown;
                            const unsigned wd = weekday(year_month_day(year(y), month(m), day(unsigned(d)))).c_encoding();
                            EXPECT_EQ(unsigned(col), (wd + 7 - start) % 7) << y << "-" << m << "-" << d;
                            EXPECT_EQ(unsigned(row), (firstCol + unsigned(d) - 1) / 7 + 1) << y << "-" << m << "-" << d;
                        }
                EXPECT_EQ(unsigned(shown), length) << y << "-" << m << " start " << start;
                cal.SetDay(int(length));
                EXPECT_EQ(cal.CellDay(cal.SelectedCol(), cal.SelectedRow()), int(length));
            }
}

TEST_F(CalendarModelTest, CellTextsAndWeekends) {
    const FormatSettings sk = FormatSettings::ForLanguage(2);
    cal.SetCalendarDate(EncodeDate(2003, 6, 15));
    EXPECT_EQ(cal.DayCellText(0, 0, sk), "po");
    EXPECT_EQ(cal.DayCellText(6, 0, sk), "ne");
    EXPECT_EQ(cal.DayCellText(6, 1, sk), "1"); // 1 June 2003 is a Sunday: month offset -5
    EXPECT_EQ(cal.MonthOffset(), -5);
    EXPECT_EQ(cal.DayCellText(0, 6, sk), "30");
    EXPECT_EQ(cal.DayCellText(0, 1, sk), "");
    EXPECT_TRUE(cal.IsWeekendColumn(6));
    EXPECT_FALSE(cal.IsWeekendColumn(5));
    cal.SetWeekends(DayBit(TDayOfWeekName::Sat) | DayBit(TDayOfWeekName::Sun));
    cal.SetStartOfWeek(TDayOfWeekName::Sun);
    EXPECT_TRUE(cal.IsWeekendColumn(0));
    EXPECT_TRUE(cal.IsWeekendColumn(6));
    EXPECT_EQ(cal.DayCellText(0, 1, sk), "1");
}

TEST_F(CalendarModelTest, MonthAndYearSteps) {
    struct Case { int y, m, d; void (TCalendarModel::*step)(); int ey, em, ed; };
    const Case cases[] = {
        {2004, 1, 31, &TCalendarModel::MonthForward, 2004, 2, 29},
        {2004, 2, 29, &TCalendarModel::MonthForward, 2004, 3, 29},
        {2004, 3, 31, &TCalendarModel::MonthBack, 2004, 2, 29},
        {2003, 3, 31, &TCalendarModel::MonthBack, 2003, 2, 28},
        {2004, 12, 31, &TCalendarModel::MonthForward, 2005, 1, 31},
        {2005, 1, 15, &TCalendarModel::MonthBack, 2004, 12, 15},
        {2004, 2, 29, &TCalendarModel::YearForward, 2005, 2, 28},
        {2004, 2, 29, &TCalendarModel::YearBack, 2003, 2, 28},
        {2003, 2, 28, &TCalendarModel::YearForward, 2004, 2, 28},
        {2004, 7, 31, &TCalendarModel::YearBack, 2003, 7, 31},
    };
    for (const Case& c : cases) {
        cal.SetCalendarDate(EncodeDate(c.y, c.m, c.d));
        (cal.*c.step)();
        ExpectDate(c.ey, c.em, c.ed);
    }
}

TEST_F(CalendarModelTest, PartSettersKeepTheCalendarsOwnYear) {
    cal.SetCalendarDate(EncodeDate(2004, 1, 29));
    EXPECT_TRUE(cal.UseCurrentDate());
    cal.SetMonth(2); // 2004 is a leap year, though the clock's 2026 is not
    ExpectDate(2004, 2, 29);
    EXPECT_FALSE(cal.UseCurrentDate());
    cal.SetCalendarDate(EncodeDate(2003, 1, 31));
    cal.SetMonth(2);
    ExpectDate(2003, 2, 28);
    changes = 0;
    for (int ignored : {0, 13, 2}) cal.SetMonth(ignored);
    cal.SetDay(29); // past the month
    EXPECT_EQ(changes, 0);
    ExpectDate(2003, 2, 28);
    cal.SetCalendarDate(EncodeDate(2004, 2, 29));
    EXPECT_THROW(cal.SetYear(2005), std::invalid_argument);
    ExpectDate(2004, 2, 29);
}

TEST_F(CalendarModelTest, KeysStepDaysAcrossMonthEnds) {
    struct Case { int y, m, d; uint16_t key; unsigned shift; int ey, em, ed; };
    const Case cases[] = {
        {2004, 3, 1, VK_LEFT, 0, 2004, 2, 29},
        {2004, 2, 29, VK_RIGHT, 0, 2004, 3, 1},
        {2004, 12, 31, VkNumpadAdd, 0, 2005, 1, 1},
        {2004, 3, 10, VkNumpadSubtract, 0, 2004, 3, 9},
        {2004, 3, 10, VK_DOWN, 0, 2004, 3, 17},
        {2004, 3, 3, VK_UP, 0, 2004, 3, 3}, // the row above holds no day of the month
        {2004, 3, 10, VK_LEFT, ssShift, 2004, 3, 10},
    };
    for (const Case& c : cases) {
        cal.SetCalendarDate(EncodeDate(c.y, c.m, c.d));
        cal.KeyDown(c.key, c.shift);
        ExpectDate(c.ey, c.em, c.ed);
    }
    EXPECT_TRUE(cal.KeyPress(U't'));
    ExpectDate(2026, 12, 10);
}

TEST_F(CalendarModelTest, UserCannotMoveAReadOnlyCalendarOrSelectBlankCells) {
    cal.SetCalendarDate(EncodeDate(2003, 6, 15));
    EXPECT_FALSE(cal.ClickCell(0, 1)); // blank cell before the 1st
    EXPECT_FALSE(cal.ClickCell(3, 0)); // header
    EXPECT_TRUE(cal.ClickCell(0, 6));
    ExpectDate(2003, 6, 30);
    cal.SetReadOnly(true);
    EXPECT_FALSE(cal.ClickCell(6, 1));
    cal.KeyDown(VK_LEFT, 0);
    cal.KeyPress(U'T');
    ExpectDate(2003, 6, 30);
    cal.SetCalendarDate(EncodeDate(2003, 6, 1)); // code still moves it
    EXPECT_EQ(cal.SelectedCol(), 6);
    EXPECT_EQ(cal.SelectedRow(), 1);
}

} // namespace
} // namespace kvz
