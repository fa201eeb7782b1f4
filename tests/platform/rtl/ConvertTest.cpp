#include "platform/rtl/Clock.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(Convert, NumbersByTheLanguage) {
    const auto en = FormatSettings::ForLanguage(1), sk = FormatSettings::ForLanguage(2);
    int32_t i = 0;
    EXPECT_TRUE(TryStrToInt(" -42 ", i));
    EXPECT_EQ(i, -42);
    EXPECT_TRUE(TryStrToInt("$1F", i));
    EXPECT_EQ(i, 31);
    for (const char* bad : {"", "12a", "3000000000", "1.5", "-"}) EXPECT_FALSE(TryStrToInt(bad, i)) << bad;
    double d = 0;
    EXPECT_TRUE(TryStrToFloat("1,25", d, sk));
    EXPECT_EQ(d, 1.25);
    EXPECT_TRUE(TryStrToFloat("-2.5E2", d, en));
    EXPECT_EQ(d, -250);
    for (const char* bad : {"", "1,25", "abc", "1.2.3"}) EXPECT_FALSE(TryStrToFloat(bad, d, en)) << bad;
}

TEST(Convert, DatesAndTimesByTheLanguage) {
    FixedClock clock(EncodeDate(2026, 12, 10));
    ScopedClock scope(clock);
    const auto en = FormatSettings::ForLanguage(1), sk = FormatSettings::ForLanguage(2);
    struct Case { const char* text; const FormatSettings* fs; int y, m, d; };
    for (const Case& c : {Case{"7.3.2026", &sk, 2026, 3, 7}, Case{"07/03/1960", &en, 1960, 3, 7},
                          Case{"7.3.", &sk, 2026, 3, 7}, Case{"7.3.80", &sk, 1980, 3, 7}, Case{"1.1.30", &sk, 2030, 1, 1},
                          Case{"29.2.2000", &sk, 2000, 2, 29}}) {
        TDateTime out = 0;
        ASSERT_TRUE(TryStrToDate(c.text, out, *c.fs)) << c.text;
        EXPECT_EQ(out, EncodeDate(c.y, c.m, c.d)) << c.text;
    }
    TDateTime out = 0;
    for (const char* bad : {"", "31.2.2026", "7-3-2026", "a.b.c", "1.2.3.4"}) EXPECT_FALSE(TryStrToDate(bad, out, sk)) << bad;
    ASSERT_TRUE(TryStrToTime("9:05:03", out, sk));
    EXPECT_EQ(out, EncodeTime(9, 5, 3, 0));
    ASSERT_TRUE(TryStrToTime("12:30 am", out, en));
    EXPECT_EQ(out, EncodeTime(0, 30, 0, 0));
    EXPECT_FALSE(TryStrToTime("25:00", out, en));
    ASSERT_TRUE(TryStrToDateTime("7.3.2026 9:05:03", out, sk));
    EXPECT_EQ(out, EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 3, 0));
}

} // namespace
} // namespace kvz
