// The rules of the task operations without a window: choosing several cells, where the detail
// balloon opens and its outline, and the task table's writes that the balloon, the payment form
// and the Actual button make.
#include "scheduling/InfoRules.h"
#include "scheduling/TaskOperations.h"
#include "scheduling/TaskSelection.h"

#include "SchedulingTesting.h"

#include <filesystem>

namespace kvz {
namespace {

// ---- choosing cells ----

// One step of the selection and what it must leave.
struct Step {
    enum Kind { Down, Move, Up, Key, ShiftKey } kind;
    std::string key;
    std::vector<std::string> keys;
    int tag;
    SelectionShow show = SelectionShow::Nothing;
};

void RunSteps(const std::vector<Step>& steps, const char* name) {
    TaskSelection s;
    int i = 0;
    for (const Step& step : steps) {
        SelectionShow shown = SelectionShow::Nothing;
        switch (step.kind) {
        case Step::Down: shown = s.MouseDown(); break;
        case Step::Move: shown = s.MouseMove(step.key); break;
        case Step::Up: s.MouseUp(); break;
        case Step::Key: shown = s.KeyDown(false, step.key); break;
        case Step::ShiftKey: shown = s.KeyDown(true, step.key); break;
        }
        EXPECT_EQ(s.Keys(), step.keys) << name << " step " << i;
        EXPECT_EQ(s.Tag(), step.tag) << name << " step " << i;
        EXPECT_EQ(shown, step.show) << name << " step " << i;
        ++i;
    }
}

using V = std::vector<std::string>;
using enum SelectionShow;

TEST(TaskSelectionTest, TheMouseAndShiftKeysChooseCellsAsTheWindowShowsThem) {
    RunSteps({{Step::Down, "", {}, 0, TaskFor},
         {Step::Move, "A", V{"A"}, 0},
         {Step::Move, "A", V{"A"}, 0}, // staying in a cell adds it once
         {Step::Move, "", V{"A"}, 0},  // an empty cell adds nothing
         {Step::Move, "B", V{"A", "B"}, 0, Range},
         {Step::Move, "A", V{"A", "B", "A"}, 0, Range}, // back to A adds it again
         {Step::Up, "", V{"A", "B", "A"}, 1}},
        "drag over three cells");
    RunSteps({{Step::Down, "", {}, 0, TaskFor}, {Step::Move, "A", V{"A"}, 0}, {Step::Up, "", V{"A"}, 0}},
        "one cell keeps the tag 0");
    RunSteps({{Step::Move, "A", {}, 0}, {Step::Up, "", {}, 0}}, "moving without a press chooses nothing");
    RunSteps({{Step::ShiftKey, "A", V{"A"}, 1, Range}, // one cell by the keyboard is a choice
         {Step::ShiftKey, "A", V{"A"}, 1},
         {Step::ShiftKey, "", V{"A"}, 1},
         {Step::ShiftKey, "B", V{"A", "B"}, 1, Range},
         {Step::Key, "B", {}, 0, TaskFor}},
        "shift and arrows, then an arrow alone");
    RunSteps({{Step::Down, "", {}, 0, TaskFor},
         {Step::Move, "A", V{"A"}, 0},
         {Step::Move, "B", V{"A", "B"}, 0, Range},
         {Step::Up, "", V{"A", "B"}, 1},
         {Step::Down, "", {}, 0, TaskFor}, // the next press starts again
         {Step::Move, "B", V{"B"}, 0}},
        "a new press");
    // After the mouse went up the last key is forgotten: the same cell may start the next choice.
    TaskSelection s;
    s.MouseDown();
    s.MouseMove("A");
    s.MouseUp();
    EXPECT_EQ(s.LastSelectedKey(), kNoLastSelectedKey);
    s.Clear();
    EXPECT_TRUE(s.Keys().empty());
    EXPECT_EQ(s.Tag(), 0);
}

TEST(TaskSelectionTest, TheRangeTextInEveryLanguage) {
    EXPECT_EQ(SelectionRangeText("01.02.2025", "03.02.2025", 1), "Edit tasks for : 01.02.2025 .. 03.02.2025 ");
    EXPECT_EQ(SelectionRangeText("a", "b", 2), "Upravuje sa : a .. b ");
    EXPECT_EQ(SelectionRangeText("a", "b", 3), "Upravuje se : a .. b ");
}

// ---- the balloon's place ----

TEST(BalloonPlaceTest, TheBalloonOpensBesideThePointAndStaysOnTheScreen) {
    struct Case {
        const char* what;
        TRect screen;
        TPoint click;
        BalloonPlace place;
    };
    const TRect big{0, 0, 1280, 1024}, small{0, 0, 640, 480}, offset{100, 30, 1380, 1054};
    const Case cases[] = {
        {"right and below", big, {100, 100}, {73, 100, RightBelow}},
        {"right and above", big, {100, 600}, {73, 328, RightAbove}},
        {"left and below", big, {1000, 100}, {597, 100, LeftBelow}},
        {"left and above", big, {1000, 600}, {597, 328, LeftAbove}},
        {"432 from the right edge opens right", big, {848, 600}, {821, 328, RightAbove}},
        {"431 from the right edge opens left", big, {849, 600}, {446, 328, LeftAbove}},
        // Clamped where the rules alone would leave the screen:
        {"Y 250 opens above, not above the top", big, {100, 250}, {73, 0, RightAbove}},
        {"near the right edge, not past it", big, {1275, 600}, {849, 328, LeftAbove}},
        {"near the left edge, not past it", big, {10, 600}, {0, 328, RightAbove}},
        {"left of a point near the left of a narrow screen", small, {300, 300}, {0, 28, LeftAbove}},
        {"short screen, near the top: above, clamped", small, {100, 240}, {73, 0, RightAbove}},
        {"short screen, below the point, not past the bottom", small, {100, 200}, {73, 200, RightBelow}},
        {"below, clamped at the bottom", TRect{0, 0, 1280, 500}, {100, 240}, {73, 225, RightBelow}},
        {"a screen that does not start at 0", offset, {200, 290}, {173, 30, RightAbove}},
        {"the last pixel of the bottom right corner", big, {1279, 1023}, {849, 749, LeftAbove}},
        {"a screen smaller than the balloon", TRect{0, 0, 300, 200}, {150, 100}, {0, 0, LeftAbove}},
    };
    for (const Case& c : cases) {
        const BalloonPlace p = PlaceBalloon(c.click, c.screen);
        EXPECT_EQ(p, c.place) << c.what << ": " << p.Left << "," << p.Top << " " << p.Orientation;
        if (c.screen.Width() >= kInfoWidth && c.screen.Height() >= kInfoHeight) {
            EXPECT_GE(p.Left, c.screen.Left) << c.what;
            EXPECT_GE(p.Top, c.screen.Top) << c.what;
            EXPECT_LE(p.Left + kInfoWidth, c.screen.Right) << c.what;
            EXPECT_LE(p.Top + kInfoHeight, c.screen.Bottom) << c.what;
        }
    }
}

TEST(BalloonPlaceTest, TheOutlineHasItsTailAtTheCornerOfEachOrientation) {
    struct Case {
        int orientation;
        TPoint tip;   // the tail's point
        size_t index; // where it lies in the outline
    };
    const Case cases[] = {{RightBelow, {25, 2}, 8}, {RightAbove, {25, 274}, 4}, {LeftBelow, {405, 0}, 8}, {LeftAbove, {405, 274}, 4}};
    for (const Case& c : cases) {
        const InfoOutline o = InfoOutlineOf(c.orientation);
        EXPECT_EQ(o[0], (TPoint{0, 55})) << c.orientation;
        EXPECT_EQ(o[11], o[0]) << c.orientation;
        EXPECT_EQ(o[2], (TPoint{15, 236})) << c.orientation;
        EXPECT_EQ(o[c.index], c.tip) << c.orientation;
        for (const TPoint& p : o) {
            EXPECT_GE(p.X, 0);
            EXPECT_LT(p.X, kInfoWidth);
            EXPECT_GE(p.Y, 0);
            EXPECT_LT(p.Y, kInfoHeight);
        }
    }
}

TEST(BalloonTextsTest, RepetitionAndInvoiceTexts) {
    SetLanguage(1);
    EXPECT_EQ(RepeatTextOf(2), GetMessageText(MessageId::Once + 2));
    EXPECT_EQ(RepeatTextOf(5), "");
    EXPECT_EQ(RepeatTextOf(-1), "");
    EXPECT_EQ(InfoTaskText("F", "Gas", "123", "77"), "Gas" + GetMessageText(MessageId::AtAccount) + "123" + GetMessageText(MessageId::VariableSign) + "77");
    EXPECT_EQ(InfoTaskText("P", "Rent", "123", "77"), "Rent");
    SetLanguage(2);
}

// ---- the task table's writes ----

class TaskWritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), true);
        program->AddTasks({{"INV00001", DateOfDay(2025, 1, 5), "10:00", "Gas"},
                           {"INV00002", DateOfDay(2025, 1, 6), "11:00", "Water"},
                           {"TASK0003", DateOfDay(2025, 1, 7), "12:00", "Call"}});
    }
    void TearDown() override { SetLanguage(2); }
    SharedTableTarget Target(SchedulingProgram& p) { return TaskTableTarget(*p.data, p.frame); }
    TVolgaTable& Tasks(SchedulingProgram& p) { return *p.data->TaskTable; }
    bool Completed(SchedulingProgram& p, const std::string& key) {
        TVolgaTable& t = Tasks(p);
        EXPECT_TRUE(t.Locate("Number", Variant(key), 0)) << key;
        return t.FieldByName("Completed").AsBoolean();
    }

    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
};

TEST_F(TaskWritesTest, AnInvoiceIsCompletedByItsExactKeyAndAnEmptyKeyCompletesNothing) {
    SchedulingProgram& p = *program;
    Tasks(p).First();
    EXPECT_FALSE(CompleteInvoiceTask(Target(p), ""));
    EXPECT_FALSE(CompleteInvoiceTask(Target(p), "INV"));      // a leading part is no key
    EXPECT_FALSE(CompleteInvoiceTask(Target(p), "inv00002")); // nor another letter case
    EXPECT_FALSE(CompleteInvoiceTask(Target(p), "GONE0000"));
    for (const char* key : {"INV00001", "INV00002", "TASK0003"}) EXPECT_FALSE(Completed(p, key)) << key;
    EXPECT_TRUE(CompleteInvoiceTask(Target(p), "INV00002"));
    EXPECT_FALSE(Completed(p, "INV00001"));
    EXPECT_TRUE(Completed(p, "INV00002"));
    // On the file too, under its lock, and the lock released.
    SchedulingProgram reader(dir.path(), true);
    EXPECT_TRUE(Completed(reader, "INV00002"));
    EXPECT_FALSE(p.locks.TableLockHeld());
}

// Another computer's change made since this program read the table stays.
TEST_F(TaskWritesTest, CompletingAnInvoiceKeepsAPeersChange) {
    SchedulingProgram peer(dir.path(), true);
    peer.AddTasks({{"PEER0001", DateOfDay(2025, 1, 8), "09:00", "Added by the peer"}});
    EXPECT_TRUE(CompleteInvoiceTask(Target(*program), "INV00001"));
    SchedulingProgram reader(dir.path(), true);
    EXPECT_TRUE(Completed(reader, "INV00001"));
    EXPECT_TRUE(Tasks(reader).Locate("Number", Variant("PEER0001"), 0));
}

TEST_F(TaskWritesTest, ATaskDeletedTwiceIsDeletedOnce) {
    SchedulingProgram& p = *program;
    EXPECT_TRUE(DeleteTaskByKey(Target(p), "INV00002"));
    EXPECT_FALSE(DeleteTaskByKey(Target(p), "INV00002"));
    EXPECT_FALSE(DeleteTaskByKey(Target(p), ""));
    EXPECT_EQ(Tasks(p).RecordCount(), 2);
    SchedulingProgram reader(dir.path(), true);
    EXPECT_EQ(Tasks(reader).RecordCount(), 2);
    EXPECT_TRUE(Tasks(reader).Locate("Number", Variant("INV00001"), 0));
    EXPECT_TRUE(Tasks(reader).Locate("Number", Variant("TASK0003"), 0));
}

// A task hidden by the window's view filter is still found, and the filter is back after.
TEST_F(TaskWritesTest, TheViewFilterNeitherHidesTheTaskNorGoesAway) {
    SchedulingProgram& p = *program;
    TVolgaTable& t = Tasks(p);
    t.SetFilterText("Number = 'TASK0003'");
    t.SetFiltered(true);
    EXPECT_TRUE(CompleteInvoiceTask(Target(p), "INV00001"));
    EXPECT_TRUE(t.Filtered());
    EXPECT_EQ(t.RecordCount(), 1);
}

// The lock is released when the write fails.
TEST_F(TaskWritesTest, AFailedWriteReleasesTheLock) {
    SchedulingProgram& p = *program;
    const std::filesystem::path file = Tasks(p).FullFileName();
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_ANY_THROW(CompleteInvoiceTask(Target(p), "INV00001"));
    EXPECT_FALSE(p.locks.TableLockHeld());
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(CompleteInvoiceTask(Target(p), "INV00001"));
}

TEST(CompanionTest, TheCompanionIsStartedWithTheUserAloneAndAMissingOneIsReported) {
    TempFolder dir;
    EXPECT_EQ(CompanionArguments("Jano"), "Jano");
    EXPECT_EQ(CompanionProgram(dir.path()), dir.path() / "temko");
    EXPECT_FALSE(StartCompanion(dir.path(), "Jano", dir.path()));
    std::filesystem::copy_file("/bin/true", dir.path() / "temko");
    EXPECT_TRUE(StartCompanion(dir.path(), "Jano", dir.path()));
}

} // namespace
} // namespace kvz
