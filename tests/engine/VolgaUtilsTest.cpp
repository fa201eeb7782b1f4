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
    EXPECT_EQ(NewRecordKey().substr(5), EncodeDigits(1922 * 25, 3)); // the counter went round to 0
    EXPECT_EQ(EncodeDigits(238328 + 5, 3), "005");
    EXPECT_EQ(EncodeDigits(61, 2), "0z");
}

TEST(RecordKey, NeverRepeatsWithinARunAndClampsAClockBeforeTheEpoch) {
    FixedClock clock(EncodeDate(1999, 5, 5) + 0.5);
    ScopedClock scope(clock);
    ResetRecordKeyCounter();
    std::set<std::string> codes;
    // More codes in one hundredth than the counter has values.
    for (int i = 0; i < 5000; ++i) {
        std::string code = NewRecordKey();
        ASSERT_EQ(code.size(), 8u);
        ASSERT_EQ(code.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"), std::string::npos);
        EXPECT_EQ(code.substr(0, 5), "00000");
        codes.insert(code);
    }
    EXPECT_GE(codes.size(), 3844u);
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
