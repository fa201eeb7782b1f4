#include "engine/VolgaUtils.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>
#include <set>

namespace kvz {
namespace {

TEST(RecordKey, CodesOfAFixedClock) {
    FixedClock clock(EncodeDate(2000, 11, 1));
    ScopedClock scope(clock);
    StartRecordKeyCounterAt(0);
    EXPECT_EQ(NewRecordKey(), "00000000");
    EXPECT_EQ(NewRecordKey(), "00000001"); // same hundredth: the counter tells them apart
    // 9 January 2028 passes 238,328 hours and the first part counts on from 0.
    clock.Set(EncodeDate(2026, 12, 10) + EncodeTime(13, 14, 5, 250));
    StartRecordKeyCounterAt(3843);
    const std::string a = NewRecordKey();
    EXPECT_EQ(a.substr(0, 5), EncodeDigits((static_cast<int64_t>(EncodeDate(2026, 12, 10)) - 36831) * 24 + 13, 3) +
                                  EncodeDigits(14 * 60 + 5, 2));
    EXPECT_EQ(a.substr(5), EncodeDigits(1922 * 25 + 3843, 3));
    // The counter went round to 0, but the code stays above the last one.
    EXPECT_EQ(NewRecordKey().substr(5), EncodeDigits(1922 * 25 + 3844, 3));
    clock.Set(EncodeDate(2026, 12, 10) + EncodeTime(13, 14, 5, 260)); // the next hundredth overlaps
    EXPECT_EQ(NewRecordKey().substr(5), EncodeDigits(1922 * 25 + 3845, 3));
    EXPECT_EQ(EncodeDigits(238328 + 5, 3), "005");
    EXPECT_EQ(EncodeDigits(61, 2), "0z");
}

TEST(RecordKey, NeverRepeatsWithinARunAndClampsAClockBeforeTheEpoch) {
    FixedClock clock(EncodeDate(1999, 5, 5) + 0.5);
    ScopedClock scope(clock);
    ResetRecordKeyCounter();
    // A burst far beyond the counter's values in one clock tick, then the clock going back.
    std::string last;
    for (int i = 0; i < 100002; ++i) {
        if (i == 100000) clock.Set(EncodeDate(2026, 12, 10) + EncodeTime(13, 0, 0, 0));
        if (i == 100001) clock.Set(EncodeDate(2026, 12, 10) + EncodeTime(12, 0, 0, 0));
        std::string code = NewRecordKey();
        ASSERT_EQ(code.size(), 8u);
        ASSERT_EQ(code.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"), std::string::npos);
        ASSERT_GT(code, last) << i;
        if (i == 0) {
            EXPECT_EQ(code.substr(0, 5), "00000");
        }
        last = code;
    }
}

TEST(RecordKey, PassesOverCodesInUse) {
    FixedClock clock(EncodeDate(2000, 11, 1));
    ScopedClock scope(clock);
    StartRecordKeyCounterAt(0);
    const std::set<std::string, std::less<>> held = {"00000000", "00000001", "00000003"};
    SetRecordKeyInUse([&](std::string_view code) { return held.count(code) > 0; });
    EXPECT_EQ(NewRecordKey(), "00000002");
    EXPECT_EQ(NewRecordKey(), "00000004");
    SetRecordKeyInUse({});
    StartRecordKeyCounterAt(0);
    EXPECT_EQ(NewRecordKey(), "00000000");
}

TEST(RecordKey, TwoRunsStartedInTheSameMinuteMakeDifferentCodes) {
    FixedClock clock(EncodeDate(2026, 12, 10) + EncodeTime(9, 0, 0, 0));
    ScopedClock scope(clock);
    std::set<std::string> firstCodes;
    for (int run = 0; run < 8; ++run) {
        ResetRecordKeyCounter();
        firstCodes.insert(NewRecordKey());
    }
    EXPECT_GT(firstCodes.size(), 1u);
}

TEST(EngineRoutines, TabPiecesAndBlanks) {
    size_t pos = 0;
    const std::string text = "a\t\tc";
    EXPECT_EQ(NextTabPiece(text, pos), "a");
    EXPECT_EQ(NextTabPiece(text, pos), "");
    EXPECT_EQ(NextTabPiece(text, pos), "c");
    EXPECT_EQ(pos, text.size());
    EXPECT_EQ(ReplaceBlanks("First Name x", '_'), "First_Name_x");
    EXPECT_EQ(SafeTextLength(nullptr), 0u);
    const char zeros[3] = {0, 0, 0};
    EXPECT_TRUE(ValueIsAllZero(zeros, 3));
}

} // namespace
} // namespace kvz
