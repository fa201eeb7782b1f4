#include "controls/KvDateUtil.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

class KvDateUtilTest : public ::testing::Test {
protected:
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.5};
    ScopedClock scoped{clock};
    FormatSettings en = FormatSettings::ForLanguage(1);
    FormatSettings sk = FormatSettings::ForLanguage(2);
};

TEST_F(KvDateUtilTest, ReadsTypedDates) {
    struct Case { const char* format; const char* text; bool sk; int y, m, d; };
    const Case cases[] = {
        {"DD/MM/YYYY", "07/03/2004", false, 2004, 3, 7},
        {"DD/MM/YY", "07/03/04", false, 2004, 3, 7},
        {"DD/MM/YYYY", "7/3/2004", false, 2004, 3, 7},    // misaligned: the free scan reads it
        {"DD/MM/YY", "07/03/1960", false, 1960, 3, 7},    // longer than its format
        {"DD/MM/YYYY", "7/3", false, 2026, 3, 7},         // this year
        {"MM/DD/YYYY", "12/31/1999", false, 1999, 12, 31},
        {"YYYY/MM/DD", "1999/12/31", false, 1999, 12, 31},
        {"DD/MM/YYYY", "29.02.2000", true, 2000, 2, 29},   // the language's separator
        {"DD/MM/YYYY", " 1. 2. 1960", true, 1960, 2, 1},
        {"DD-MMM-YYYY", "05-mar-1960", false, 1960, 3, 5},
        {"DD-MMM-YYYY", "05-máj-1960", true, 1960, 5, 5},
        {"DD/MM/YYYY", "07/03/66", false, 1966, 3, 7},     // the century window of 2026
        {"DD/MM/YYYY", "07/03/65", false, 2065, 3, 7},
        {"DD/MM/YYYY", "07/03/00", false, 2000, 3, 7},
    };
    for (const Case& c : cases) {
        TDateTime date = -1;
        EXPECT_TRUE(TryTextToDate(c.format, c.text, date, c.sk ? sk : en)) << c.text;
        EXPECT_EQ(date, EncodeDate(c.y, c.m, c.d)) << c.format << " " << c.text;
    }
}

TEST_F(KvDateUtilTest, RefusesWhatIsNoDate) {
    for (const char* text : {"31/02/2004", "07/03/    ", "07/13/2004", "7/3/2004x", "x", "1/1/10000", "//"}) {
        TDateTime date = 5;
        EXPECT_FALSE(TryTextToDate("DD/MM/YYYY", text, date, en)) << text;
    }
    TDateTime date = 5;
    EXPECT_TRUE(TryTextToDate("DD/MM/YYYY", "", date, en));
    EXPECT_EQ(date, NoDate);
    try {
        TextToDate("DD/MM/YYYY", "31/02/2004", en);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "''31/02/2004'' is not a valid date");
    }
    EXPECT_EQ(TextToDateOr("DD/MM/YYYY", "bad", 40000.75, en), 40000.0);
}

TEST_F(KvDateUtilTest, FreeScanStopsNumbersAtFourDigits) {
    int pos = 1, d, m, y;
    EXPECT_FALSE(ParseDateText("1/2/12345", "DD/MM/YYYY", pos, d, m, y, en));
    EXPECT_EQ(y, 1234);
    EXPECT_EQ(pos, 9); // the 5 is left
}

TEST_F(KvDateUtilTest, ABirthdayIn1960KeepsItsCentury) {
    const TDateTime birthday = EncodeDate(1960, 5, 14);
    for (int language : {1, 2, 3}) {
        const FormatSettings fs = FormatSettings::ForLanguage(language);
        const std::string format = DefaultDateFormatText(fs);
        const std::string shown = FormatDateTime(format, birthday, fs);
        EXPECT_EQ(TextToDate(format, shown, fs), birthday) << shown;
    }
    EXPECT_EQ(DefaultDateFormatText(en), "DD/MM/YYYY");
    FormatSettings us = en;
    us.ShortDateFormat = "m/d/yy";
    EXPECT_EQ(DefaultDateFormatText(us), "MM/DD/YYYY");
    us.ShortDateFormat = "yyyy-mm-dd";
    EXPECT_EQ(DefaultDateFormatText(us), "YYYY/MM/DD");
    EXPECT_EQ(DefaultDateEditMask('_', us), "!9999/99/99;1;_");
    EXPECT_EQ(DefaultDateEditMask(' ', sk), "!99/99/9999;1; ");
}

TEST_F(KvDateUtilTest, Basics) {
    EXPECT_EQ(WidenYear(-1), -1);
    EXPECT_EQ(WidenYear(99), 1999);
    EXPECT_EQ(WidenYear(100), 100);
    EXPECT_EQ(ThisYear(), 2026);
    EXPECT_EQ(MonthDayCount(2000, 2), 29);
    EXPECT_EQ(MonthDayCount(1900, 2), 28);
    EXPECT_TRUE(IsValidYMD(9999, 12, 31));
    EXPECT_FALSE(IsValidYMD(0, 1, 1));
    EXPECT_TRUE(IsValidDateValue(EncodeDate(1, 1, 1)));
    EXPECT_FALSE(IsValidDateValue(2958466.0));
    EXPECT_FALSE(IsValidDateValue(-693594.0));
    EXPECT_EQ(DateOrderOf("yy.mm.dd"), doYMD);
    EXPECT_EQ(DateOrderOf("M/d/y"), doMDY);
    EXPECT_EQ(DateOrderOf("//"), doDMY);
    EXPECT_EQ(MonthByName("Ma", 2, en), 3);
    EXPECT_EQ(MonthByName("JÚN", 3, sk), 6);
    EXPECT_EQ(MonthByName("", 3, en), 0);
    EXPECT_EQ(MonthByName("Xyz", 3, en), 0);
}

} // namespace
} // namespace kvz
