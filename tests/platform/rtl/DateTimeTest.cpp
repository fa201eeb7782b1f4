#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(DateTime, DayNumbersOfTheClassLibraryAndTheEngine) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 11, 1), 36831.0);
    EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
    TTimeStamp ts = DateTimeToTimeStamp(EncodeDate(2026, 12, 10) + EncodeTime(13, 14, 5, 250));
    EXPECT_EQ(ts.Time, 13 * 3600000 + 14 * 60000 + 5250);
    EXPECT_EQ(ts.Date, 46366 + kDateDelta);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(ts), EncodeDate(2026, 12, 10) + EncodeTime(13, 14, 5, 250));
    double ms = DateTimeToMSecs(EncodeDate(1960, 2, 29) + EncodeTime(23, 59, 59, 999));
    EXPECT_DOUBLE_EQ(MSecsToDateTime(ms), EncodeDate(1960, 2, 29) + EncodeTime(23, 59, 59, 999));
    // Before 1899 the fraction still counts forward within its day.
    TTimeStamp old = DateTimeToTimeStamp(-1.25);
    EXPECT_EQ(old.Date, kDateDelta - 1);
    EXPECT_EQ(old.Time, 6 * 3600000);
}

TEST(DateTime, DecodesAcrossTheCalendar) {
    for (auto [y, m, d] : {std::tuple{1, 1, 1}, {1600, 2, 29}, {1899, 12, 30}, {1900, 3, 1}, {2000, 2, 29}, {9999, 12, 31}}) {
        int yy, mm, dd;
        DecodeDate(EncodeDate(y, m, d), yy, mm, dd);
        EXPECT_EQ(std::tie(yy, mm, dd), std::tie(y, m, d));
    }
    EXPECT_THROW(EncodeDate(2023, 2, 29), std::invalid_argument);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 10)), 5); // Thursday
}

TEST(DateTime, FormatsWithTheLanguagesSettings) {
    const TDateTime dt = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 3, 40);
    const auto en = FormatSettings::ForLanguage(1);
    const auto sk = FormatSettings::ForLanguage(2);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", dt, en), "2026/03/07 09:05:03");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd", dt, sk), "2026.03.07");
    EXPECT_EQ(FormatDateTime("ddddd", dt, sk), "7.3.2026");
    EXPECT_EQ(FormatDateTime("dddd d. mmmm", dt, sk), "sobota 7. marec");
    EXPECT_EQ(FormatDateTime("h:mm am/pm 'o''clock'", dt, en), "9:05 am oclock");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 3, 7), en), "07/03/2026");
}

TEST(DateTime, FormatsNumbers) {
    const auto en = FormatSettings::ForLanguage(1);
    const auto sk = FormatSettings::ForLanguage(2);
    struct Case { const char* fmt; double v; const char* en; };
    for (const Case& c : {Case{"0.######", 1.5, "1.5"}, Case{"0.######", 2.0, "2"}, Case{"0.######", -0.0000001, "0"},
                          Case{"0.00", 3.14159, "3.14"}, Case{"#,##0.00", 1234567.891, "1,234,567.89"},
                          Case{"000", 7, "007"}, Case{"0.######", 123456.1234567, "123456.123457"},
                          Case{"0.0;(0.0)", -2.25, "(2.3)"}}) {
        EXPECT_EQ(FormatFloat(c.fmt, c.v, en), c.en) << c.fmt << " " << c.v;
    }
    EXPECT_EQ(FormatFloat("0.######", 1.5, sk), "1,5");
}

TEST(Clock, TestsFixToday) {
    FixedClock fixed(EncodeDate(2026, 12, 10) + 0.5);
    {
        ScopedClock scope(fixed);
        EXPECT_EQ(Today(), EncodeDate(2026, 12, 10));
        EXPECT_EQ(Now(), EncodeDate(2026, 12, 10) + 0.5);
    }
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

} // namespace
} // namespace kvz
