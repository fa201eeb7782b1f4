#include "controls/KvFileUtil.h"
#include "controls/ToolEditModel.h"
#include "platform/rtl/Clock.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kvz {
namespace {

TEST(DropDownOriginTest, KeepsThePanelBesideTheEditAndOnItsScreen) {
    const TRect screen = Rect(0, 0, 1000, 800);
    const TRect second = Rect(1000, 0, 2000, 800); // the screen right of the first
    struct Case { TRect edit; int w, h; TRect screen; TPopupAlign align; TPoint expected; };
    const Case cases[] = {
        {Rect(300, 100, 500, 121), 187, 124, screen, TPopupAlign::epaRight, {313, 121}},  // below, right edges aligned
        {Rect(300, 100, 500, 121), 187, 124, screen, TPopupAlign::epaLeft, {300, 121}},
        {Rect(300, 700, 500, 721), 187, 124, screen, TPopupAlign::epaRight, {313, 576}},  // crosses the bottom: above
        {Rect(10, 100, 110, 121), 187, 124, screen, TPopupAlign::epaRight, {10, 121}},    // too wide to the left
        {Rect(900, 100, 990, 121), 187, 124, screen, TPopupAlign::epaLeft, {803, 121}},   // too wide to the right
        {Rect(-50, 100, 40, 121), 187, 124, screen, TPopupAlign::epaRight, {0, 121}},     // edit half off screen
        {Rect(1900, 50, 1990, 71), 187, 124, second, TPopupAlign::epaLeft, {1803, 71}},
        {Rect(1005, 100, 1100, 121), 187, 124, second, TPopupAlign::epaRight, {1005, 121}}, // not on the first screen
        {Rect(300, 40, 500, 61), 187, 780, screen, TPopupAlign::epaRight, {313, 0}},      // room neither above nor below
    };
    for (const Case& c : cases) {
        const TPoint p = DropDownOrigin(c.edit, c.w, c.h, c.screen, c.align);
        EXPECT_EQ(p, c.expected) << c.edit.Left << "," << c.edit.Top;
    }
}

TEST(DirectoryEditTest, DialogStartTextAndDroppedNames) {
    TempFolder temp;
    const std::filesystem::path& dir = temp.path();
    std::filesystem::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "file.txt") << "x";
    const std::string d = dir.string();
    EXPECT_EQ(DirectoryDialogStart("", ""), "/");
    EXPECT_EQ(DirectoryDialogStart("", d), d);
    EXPECT_EQ(DirectoryDialogStart(d + "/missing", d), "/");
    EXPECT_EQ(DirectoryDialogStart(d, "/tmp"), d);
    EXPECT_EQ(AddDirectoryText("", "/a", true), "/a");
    EXPECT_EQ(AddDirectoryText("/a", "/b", true), "/a;/b");
    EXPECT_EQ(AddDirectoryText("/a", "/b", false), "/b");
    EXPECT_EQ(DroppedDirectoryName(d + "/sub/file.txt"), d + "/sub/");
    EXPECT_EQ(DroppedDirectoryName(d + "/sub"), d + "/sub");
    auto upper = [](std::string_view s) { return s.empty() || s == "gone" ? std::string() : std::string(s) + "!"; };
    EXPECT_EQ(MapDirectoryList("a;;gone;b", true, +upper), "a!;b!");
    EXPECT_EQ(MapDirectoryList("a;b", false, +upper), "a;b!");
}

class DateTextModelTest : public ::testing::Test {
protected:
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.75};
    ScopedClock scoped{clock};
    static FormatSettings Locale(const char* shortDate, const char* separator) {
        FormatSettings fs = FormatSettings::ForLanguage(2);
        fs.ShortDateFormat = shortDate;
        fs.DateSeparator = separator;
        return fs;
    }
};

TEST_F(DateTextModelTest, FourDigitYearsInEveryDateOrder) {
    struct Case { const char* shortDate; const char* sep; const char* format; const char* mask; const char* blank; const char* text; };
    const Case cases[] = {
        {"d.M.yy", ".", "DD/MM/YYYY", "99\\.99\\.9999; ", "  .  .    ", "12.05.1960"},
        {"M/d/yy", "/", "MM/DD/YYYY", "99\\/99\\/9999; ", "  /  /    ", "05/12/1960"},
        {"yy-MM-dd", "-", "YYYY/MM/DD", "9999\\-99\\-99; ", "    -  -  ", "1960-05-12"},
    };
    for (const Case& c : cases) {
        TDateTextModel model(Locale(c.shortDate, c.sep));
        EXPECT_EQ(model.DateFormat(), c.format);
        EXPECT_EQ(model.EditMask(), c.mask);
        EXPECT_EQ(model.BlankText(), c.blank);
        // A birthday of 1960 edited in 2026 stays in 1960 both ways.
        EXPECT_EQ(model.TextOf(EncodeDate(1960, 5, 12)), c.text);
        EXPECT_EQ(model.DateValue(c.text), EncodeDate(1960, 5, 12)) << c.text;
        EXPECT_EQ(model.ValidDate(c.text), EncodeDate(1960, 5, 12));
    }
}

TEST_F(DateTextModelTest, BlankTextsAndDefaultToday) {
    TDateTextModel model(Locale("d.M.yyyy", "."));
    struct Case { const char* text; bool blank; };
    for (const Case& c : {Case{"  .  .    ", true}, Case{"", true}, Case{". .", true}, Case{"1 .  .    ", false}})
        EXPECT_EQ(model.IsBlank(c.text), c.blank) << c.text;
    EXPECT_EQ(model.DateValue("  .  .    "), 0);
    EXPECT_EQ(model.DateValue("xx.05.1960"), 0);
    EXPECT_EQ(model.TextOf(0), "  .  .    ");
    EXPECT_EQ(model.ValidDate("  .  .    "), 0); // blank: no error on exit
    EXPECT_THROW(model.ValidDate("31.02.2004"), std::invalid_argument);
    EXPECT_EQ(model.StepDate("  .  .    ", +1), clock.Now() + 1); // tomorrow
    EXPECT_EQ(model.StepDate("29.02.2004", -1), EncodeDate(2004, 2, 28));

    model.SetDefaultToday(true);
    EXPECT_EQ(model.DateValue("  .  .    "), EncodeDate(2026, 12, 10));
    EXPECT_EQ(model.DateValue("31.02.2004"), EncodeDate(2026, 12, 10));
    EXPECT_EQ(model.TextOf(0), "10.12.2026");
    model.SetBlanksChar('\t');
    EXPECT_EQ(model.BlanksChar(), ' ');
    model.SetBlanksChar('_');
    EXPECT_EQ(model.BlankText(), "__.__.____");
    EXPECT_TRUE(model.IsBlank("__.1_.____") == false);
    EXPECT_TRUE(model.IsBlank("_ . _.    "));
}

} // namespace
} // namespace kvz
