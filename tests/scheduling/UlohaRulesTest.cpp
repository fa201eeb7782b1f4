#include "scheduling/UlohaRules.h"

#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kvz {
namespace {

TEST(UlohaRules, PriorityLettersSkipQAndRoundTrip)
{
    struct Case {
        int index;
        const char* letter;
    };
    for (const Case& c : {Case{0, "A"}, Case{15, "P"}, Case{16, "R"}, Case{24, "Z"}}) {
        EXPECT_EQ(PriorityLetter(c.index), c.letter) << c.index;
        EXPECT_EQ(PriorityIndex(c.letter), c.index) << c.letter;
    }
    for (int index = 0; index < kPriorityCount; ++index)
        EXPECT_EQ(PriorityIndex(PriorityLetter(index)), index);
}

TEST(UlohaRules, PriorityOutOfRangeKeepsOrFallsBackToA)
{
    std::string letter = "K";
    PriorityLetter(-1, letter);
    EXPECT_EQ(letter, "K");
    PriorityLetter(25, letter);
    EXPECT_EQ(letter, "K");
    for (const char* text : {"Q", "a", "", "AB", " A"})
        EXPECT_EQ(PriorityIndex(text), 0) << '"' << text << '"';
}

TEST(UlohaRules, SameDayThisYearAcrossYearEndsAndLeapDays)
{
    const FixedClock clock(EncodeDate(2024, 12, 31) + 0.75);
    const ScopedClock scoped(clock);
    EXPECT_EQ(SameDayThisYear(EncodeDate(2019, 1, 1)), EncodeDate(2024, 1, 1));
    EXPECT_EQ(SameDayThisYear(EncodeDate(2031, 12, 31) + 0.5), EncodeDate(2024, 12, 31));
    EXPECT_EQ(SameDayThisYear(EncodeDate(2020, 2, 29)), EncodeDate(2024, 2, 29));

    const FixedClock common(EncodeDate(2025, 1, 1));
    SetClock(&common);
    EXPECT_THROW(SameDayThisYear(EncodeDate(2024, 2, 29)), std::invalid_argument);
    SetClock(&clock);
}

TEST(UlohaRules, SameDayInYearMovesLeapDayOfACommonYear)
{
    struct Case {
        TDateTime from;
        int year;
        TDateTime to;
        bool moved;
    };
    const Case cases[] = {
        {EncodeDate(2024, 2, 29), 2025, EncodeDate(2025, 2, 28), true},
        {EncodeDate(2024, 2, 29), 2028, EncodeDate(2028, 2, 29), false},
        {EncodeDate(2024, 2, 29), 2100, EncodeDate(2100, 2, 28), true},
        {EncodeDate(2023, 2, 28), 2024, EncodeDate(2024, 2, 28), false},
        {EncodeDate(2023, 12, 31), 2024, EncodeDate(2024, 12, 31), false},
    };
    for (const Case& c : cases) {
        bool moved = !c.moved;
        EXPECT_EQ(SameDayInYear(c.from, c.year, &moved), c.to) << c.year;
        EXPECT_EQ(moved, c.moved) << c.year;
    }
}

TEST(UlohaRules, TimeToMinutesDropsSecondsOnly)
{
    struct Case {
        TDateTime time;
        TDateTime cut;
    };
    const Case cases[] = {
        {EncodeTime(10, 37, 45, 0), EncodeTime(10, 37, 0, 0)},
        {EncodeTime(0, 0, 0, 0), 0},
        {EncodeTime(0, 0, 59, 999), 0},
        {EncodeTime(23, 59, 59, 999), EncodeTime(23, 59, 0, 0)},
        {EncodeDate(2024, 3, 1) + EncodeTime(12, 0, 1, 0), EncodeDate(2024, 3, 1) + EncodeTime(12, 0, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(TimeToMinutes(c.time), c.cut) << c.time;
}

TEST(UlohaRules, InvoiceNeedsEveryOneOfItsFourFields)
{
    EXPECT_TRUE(InvoiceFieldsFilled("1.3.2005", "15.3.2005", "1.3.2005", "120"));
    EXPECT_FALSE(InvoiceFieldsFilled("", "15.3.2005", "1.3.2005", "120"));
    EXPECT_FALSE(InvoiceFieldsFilled("1.3.2005", "", "1.3.2005", "120"));
    EXPECT_FALSE(InvoiceFieldsFilled("1.3.2005", "15.3.2005", "", "120"));
    EXPECT_FALSE(InvoiceFieldsFilled("1.3.2005", "15.3.2005", "1.3.2005", ""));
    EXPECT_TRUE(IsNonEmpty(" "));
    EXPECT_FALSE(IsNonEmpty(""));
}

} // namespace
} // namespace kvz

#include "platform/rtl/FormatSettings.h"
#include "scheduling/UlohaLoad.h"

namespace kvz {
namespace {

TEST(UlohaLoad, ACalendarPickExtendsEitherWayUpTo31Days)
{
    const TDateTime anchor = EncodeDate(2024, 12, 20);
    struct Case {
        TDateTime to, first, last;
    };
    const Case cases[] = {
        {anchor, anchor, anchor},
        {anchor + 2, anchor, anchor + 2},
        {anchor - 2, anchor - 2, anchor},
        {anchor + 30, anchor, anchor + 30},
        {anchor + 31, anchor, anchor + 30},
        {anchor - 45, anchor - 30, anchor},
        {anchor + 5.75, anchor, anchor + 5},
    };
    for (const Case& c : cases) {
        DateRangePick pick(anchor + 0.5);
        pick.ExtendTo(anchor + 10); // a later extension starts from the anchor again
        pick.ExtendTo(c.to);
        EXPECT_EQ(pick.First(), c.first) << c.to - anchor;
        EXPECT_EQ(pick.Last(), c.last) << c.to - anchor;
        EXPECT_EQ(SeriesDays(pick.First(), pick.Last()).size(), static_cast<size_t>(c.last - c.first + 1));
    }
    DateRangePick pick(anchor);
    pick.ExtendTo(anchor + 3);
    pick.Pick(anchor + 1);
    EXPECT_EQ(pick.First(), pick.Last());
    EXPECT_TRUE(pick.Contains(anchor + 1.99));
    EXPECT_FALSE(pick.Contains(anchor));
}

TEST(UlohaLoad, TheDateLabelShowsOneDayOrFirstAndLast)
{
    const FormatSettings fs = FormatSettings::ForLanguage(2);
    EXPECT_EQ(DateLabelText(EncodeDate(2024, 12, 31), EncodeDate(2024, 12, 31) + 0.5, fs), "31.12.2024");
    EXPECT_EQ(DateLabelText(EncodeDate(2024, 12, 31), EncodeDate(2025, 1, 2), fs), "31.12.2024 .. 2.1.2025");
}

} // namespace
} // namespace kvz
