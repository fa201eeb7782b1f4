// The lookup controls' rules without a window: incremental search with an injected clock,
// the scroll timer, rows under the mouse, key steps and where the drop-down opens.
#include "controls/KvLookupModel.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvz {
namespace {

class LookupSearchTest : public testing::Test {
protected:
    void SetUp() override {
        SetLookupTicks([this] { return now; });
        now = 10000;
    }
    void TearDown() override { SetLookupTicks(nullptr); }

    // Finds the first name that starts with the text, without regard to case.
    std::optional<std::string> Find(const std::string& text) {
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string head = Utf8Left(names[i], Utf8Length(text));
            if (CompareTextUtf8(head, text) == 0) {
                current = static_cast<int>(i);
                return names[i];
            }
        }
        return std::nullopt;
    }
    void Type(const std::string& text) {
        for (char32_t c : QString::fromStdString(text).toStdU32String())
            search.Type(c, [this](const std::string& t) { return Find(t); }, [this] { current = 0; });
    }

    long long now = 0;
    std::vector<std::string> names = {"Adamec", "Abrahám", "Čierna", "čiara", "Ďurica", "Ľubomír", "Řezník"};
    int current = -1;
    TLookupSearch search;
};

TEST_F(LookupSearchTest, TypedLettersFindARecordAndTakeItsCase) {
    Type("ab");
    EXPECT_EQ(current, 1);
    EXPECT_EQ(search.TypedPrefix(), "Ab");
    // Letters above Latin-1 are searched as any other.
    now += 3000;
    Type("ľu");
    EXPECT_EQ(current, 5);
    EXPECT_EQ(search.TypedPrefix(), "Ľu");
    now += 3000;
    Type("Ř");
    EXPECT_EQ(current, 6);
}

TEST_F(LookupSearchTest, PausesMismatchesBackspaceAndTheLimit) {
    Type("č");
    EXPECT_EQ(current, 2);
    now += 2000; // not more than two seconds: the search goes on
    Type("ia");
    EXPECT_EQ(current, 3);
    EXPECT_EQ(search.TypedPrefix(), "čia");
    // A mismatch keeps the record and the text.
    Type("x");
    EXPECT_EQ(current, 3);
    EXPECT_EQ(search.TypedPrefix(), "čia");
    Type("\b"); // "či" finds the first of both again
    EXPECT_EQ(search.TypedPrefix(), "Či");
    // After more than two seconds a new search starts.
    now += 2001;
    Type("ď");
    EXPECT_EQ(current, 4);
    EXPECT_EQ(search.TypedPrefix(), "Ď");
    // Backspace to nothing goes to the first record.
    Type("\b");
    EXPECT_EQ(current, 0);
    EXPECT_EQ(search.TypedPrefix(), "");
    // The 33rd character empties the search and selects the first record.
    const std::string zs = "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz";
    names.push_back(zs);
    Type(zs);
    EXPECT_EQ(Utf8Length(search.TypedPrefix()), 32u);
    current = 5;
    Type("z");
    EXPECT_EQ(search.TypedPrefix(), "");
    EXPECT_EQ(current, 0);
    // Escape and Tab only clear.
    Type("a");
    EXPECT_EQ(search.Type(27, {}, {}), false);
    EXPECT_EQ(search.TypedPrefix(), "");
}

TEST_F(LookupSearchTest, APopupListHasNoTimeOut) {
    search.InPopup = true;
    Type("č");
    now += 60000;
    Type("ie");
    EXPECT_EQ(current, 2);
}

TEST(LookupScrollTest, TimerQuickensWithDistanceButNeverSpins) {
    const int height = 100;
    const std::vector<std::tuple<int, int, int>> cases = {
        {-1, -1, 185}, {-2, -1, 170}, {-13, -1, 10}, {-14, -1, 10}, {-500, -1, 10},
        {100, 1, 185}, {101, 1, 170}, {0, 0, 0},      {99, 0, 0},
    };
    for (auto [y, step, ms] : cases) {
        const TLookupScrollTick tick = LookupScrollTick(y, height);
        EXPECT_EQ(tick.Step, step) << y;
        EXPECT_EQ(tick.IntervalMs, ms) << y;
    }
}

TEST(LookupGeometryTest, RowsKeysAndDropDownPlace) {
    EXPECT_EQ(LookupRowAt(-5, 100, 16), 0);
    EXPECT_EQ(LookupRowAt(33, 100, 16), 2);
    EXPECT_EQ(LookupRowAt(500, 100, 16), 6);
    EXPECT_EQ(LookupRowAt(50, 100, 0), 0);
    EXPECT_EQ(RowsInHeight(100, 0), 1);
    EXPECT_EQ(RowsInHeight(5, 16), 1);
    EXPECT_EQ(ClampVisibleRows(0), 1);
    EXPECT_EQ(ClampVisibleRows(60), 50);

    EXPECT_EQ(LookupKeyStep(VK_UP, 8, false), -1);
    EXPECT_EQ(LookupKeyStep(VK_RIGHT, 8, false), 1);
    EXPECT_EQ(LookupKeyStep(VK_NEXT, 8, false), 7);
    EXPECT_EQ(LookupKeyStep(VK_PRIOR, 8, true), -6);
    EXPECT_EQ(LookupKeyStep(VK_HOME, 8, true), std::nullopt);

    const TRect screen = Rect(0, 0, 800, 600);
    // Under the box; above it near the bottom; moved left at the right edge, never below 0.
    EXPECT_EQ(DropDownPosition(Bounds(100, 100, 150, 21), 200, 120, TDropDownAlign::daLeft, screen), (TPoint{100, 121}));
    EXPECT_EQ(DropDownPosition(Bounds(100, 500, 150, 21), 200, 120, TDropDownAlign::daLeft, screen), (TPoint{100, 380}));
    EXPECT_EQ(DropDownPosition(Bounds(700, 100, 90, 21), 200, 120, TDropDownAlign::daLeft, screen), (TPoint{600, 121}));
    EXPECT_EQ(DropDownPosition(Bounds(10, 100, 90, 21), 200, 120, TDropDownAlign::daRight, screen), (TPoint{0, 121}));
    EXPECT_EQ(DropDownPosition(Bounds(100, 100, 100, 21), 200, 120, TDropDownAlign::daCenter, screen), (TPoint{50, 121}));
    EXPECT_EQ(DropDownPosition(Bounds(0, 0, 100, 21), 900, 120, TDropDownAlign::daLeft, screen), (TPoint{0, 21}));
}

TEST(LookupIconTest, TheEntryThatFitsTheScreenAndADamagedDirectory) {
    struct Case {
        std::vector<int> colors;
        int screen, best;
    } cases[] = {
        {{16, 0, 2}, 0, 1},     // a true-colour screen takes the first entry of 256 colours or more
        {{2, 16, 0}, 16, 1},    // exactly the screen's colours
        {{2, 16, 0}, 256, 1},   // the richest that fits (0 counts lowest)
        {{0, 2, 16, 2}, 256, 2},
        {{16, 16}, 2, 0},       // nothing fits: the first entry
        {{}, 0, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(BestIconEntry(c.colors, c.screen), c.best) << c.screen;
    EXPECT_EQ(ScreenIconColors(32), 0);
    EXPECT_EQ(ScreenIconColors(16), 0);
    EXPECT_EQ(ScreenIconColors(8), 256);
    EXPECT_EQ(ScreenIconColors(4), 16);

    // Reserved word, type 1, two entries; the second is cut short and does not count.
    const unsigned char bytes[] = {0, 0, 1, 0, 2, 0,                               // directory
                                   16, 16, 16, 0, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, // a 16-colour entry
                                   32, 32, 0};
    const std::string data(reinterpret_cast<const char*>(bytes), sizeof bytes);
    const TIconDirectory directory = ReadIconDirectory(data);
    EXPECT_EQ(directory.Type, 1);
    EXPECT_EQ(directory.Colors, (std::vector<int>{16}));
    EXPECT_EQ(ReadIconDirectory("\0\0").Type, 0);
}

} // namespace
} // namespace kvz
