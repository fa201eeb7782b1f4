#include "scheduling/TaskSave.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "platform/data/DB.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

const TDateTime kDay = EncodeDate(2024, 12, 30);

TaskValues Values(const std::string& text, TDateTime from, TDateTime to) {
    TaskValues v;
    v.Text = text;
    v.Date = from;
    v.EndDate = to;
    v.Time = EncodeTime(10, 37, 45, 0);
    v.StartTime = EncodeTime(10, 37, 45, 0);
    v.EndTime = EncodeTime(11, 5, 30, 0);
    v.Priority = 16;
    v.Owner = "Eva";
    v.Project = "Dom";
    v.Color = clYellow;
    return v;
}

TaskSaveRequest NewEntry(const std::string& text, TDateTime from, TDateTime to) {
    TaskSaveRequest r;
    r.Task = Values(text, from, to);
    return r;
}

class TaskSaveTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    TempFolder dir;
};

TEST_F(TaskSaveTest, ARangeOfThreeDaysWritesThreeRowsAcrossTheYearEnd) {
    TaskEditorProgram p(dir.path());
    p.Save(NewEntry("Audit", kDay, kDay + 2));
    const std::vector<std::string> codes = p.CodesOf("Audit");
    ASSERT_EQ(codes.size(), 3u);
    TVolgaTable& t = p.Tasks();
    for (size_t i = 0; i < codes.size(); ++i) {
        LocateRecordCode(t, codes[i]);
        EXPECT_EQ(t.FieldByName("Date").AsDateTime(), kDay + static_cast<double>(i));
        EXPECT_EQ(t.FieldByName("Time").AsString(), "10:37:00");
        EXPECT_EQ(t.FieldByName("StartTask").AsString(), "10:37:45");
        EXPECT_EQ(t.FieldByName("EndTask").AsString(), "11:05:30");
        EXPECT_EQ(t.FieldByName("Priority").AsString(), "R");
        EXPECT_EQ(t.FieldByName("User").AsString(), "Jano");
        EXPECT_EQ(t.FieldByName("Owner").AsString(), "Eva");
        EXPECT_EQ(t.FieldByName("Color").AsInteger(), static_cast<int32_t>(clYellow));
        EXPECT_FALSE(t.FieldByName("Repeat").AsBoolean());
        EXPECT_EQ(t.FieldByName("Task_type").AsString(), "");
    }
    // Written to the file, not only in memory.
    EXPECT_EQ(p.Tasks().ChangeCount(), 0);
    TaskEditorProgram again(dir.path());
    EXPECT_EQ(again.CodesOf("Audit").size(), 3u);
}

TEST_F(TaskSaveTest, RangesPickedEitherWayCoverTheirDaysFromFirstToLast) {
    struct Case {
        TDateTime from, to;
        size_t rows;
        TaskSaveKind kind;
    };
    const Case cases[] = {
        {kDay, kDay, 1, TaskSaveKind::NewTask},
        {kDay + 0.9, kDay + 0.1, 1, TaskSaveKind::NewTask}, // times of day do not make a range
        {kDay + 2, kDay, 3, TaskSaveKind::NewSeries},
        {EncodeDate(2024, 2, 28), EncodeDate(2024, 3, 1), 3, TaskSaveKind::NewSeries},
        {EncodeDate(2023, 2, 28), EncodeDate(2023, 3, 1), 2, TaskSaveKind::NewSeries},
        {EncodeDate(2025, 1, 1), EncodeDate(2025, 1, 31), 31, TaskSaveKind::NewSeries},
    };
    int n = 0;
    for (const Case& c : cases) {
        TaskEditorProgram p(dir.path());
        const std::string text = "range " + std::to_string(n++);
        EXPECT_EQ(p.Save(NewEntry(text, c.from, c.to)).Kind, c.kind) << text;
        std::vector<std::string> codes = p.CodesOf(text);
        ASSERT_EQ(codes.size(), c.rows) << text;
        LocateRecordCode(p.Tasks(), codes.front());
        EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), DateOf(std::min(c.from, c.to))) << text;
        LocateRecordCode(p.Tasks(), codes.back());
        EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), DateOf(std::max(c.from, c.to))) << text;
    }
}

TEST_F(TaskSaveTest, RefusalsComeOnceBeforeAnythingIsWritten) {
    TaskEditorProgram p(dir.path());
    const std::vector<RowValues> before = AllRows(p.Tasks());
    struct Case {
        TaskSaveRequest request;
        std::string message;
    };
    std::vector<Case> cases;
    cases.push_back({NewEntry("", kDay, kDay + 30), "Have to assign the description of the task!"});
    cases.push_back({NewEntry("", kDay, kDay), "Have to assign the description of the task!"});
    cases.push_back({NewEntry("Too long", kDay, kDay + 31), "A series covers at most 31 days."});
    TaskSaveRequest edit = NewEntry("Edited", kDay, kDay);
    edit.EditMode = true;
    cases.push_back({edit, "This task has no record code and cannot be changed from here; nothing was changed."});
    edit.SelectedKeys = {"AAAA0001", ""};
    cases.push_back({edit, "This task has no record code and cannot be changed from here; nothing was changed."});
    TaskSaveRequest invoice;
    invoice.Page = EditorPage::Invoice;
    invoice.Invoice.PayDate = "15.03.2005";
    invoice.Invoice.DueDate = "15.03.2005";
    invoice.Invoice.IssueDate = "01.03.2005";
    cases.push_back({invoice, "They aren't complete all items"});
    invoice.Invoice.Amount = "120";
    invoice.Invoice.PayDate = "  /  /    ";
    cases.push_back({invoice, "They aren't complete all items"});
    invoice.Invoice.PayDate = "35/03/2005";
    cases.push_back({invoice, "This is not a valid date or number: 35/03/2005"});
    for (const Case& c : cases) {
        try {
            p.Save(c.request);
            ADD_FAILURE() << "saved: " << c.message;
        } catch (const TaskInputRefused& refused) {
            EXPECT_EQ(refused.what(), c.message);
        }
    }
    EXPECT_EQ(AllRows(p.Tasks()), before);
    EXPECT_FALSE(p.locks.TableLockHeld());
}

TEST_F(TaskSaveTest, AnEditChangesTheRowButNotItsUserAndAGoneRowIsReported) {
    TaskEditorProgram p(dir.path());
    p.Save(NewEntry("Before", kDay, kDay));
    const std::string code = p.CodesOf("Before").front();
    TaskSaveRequest edit = NewEntry("After", kDay + 5, kDay + 5);
    edit.EditMode = true;
    edit.CurrentKey = code;
    edit.UserPrefix = "Other";
    EXPECT_EQ(p.Save(edit).Kind, TaskSaveKind::EditTask);
    EXPECT_EQ(p.CodesOf("After"), std::vector<std::string>{code});
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay + 5);

    const std::vector<RowValues> before = AllRows(p.Tasks());
    edit.CurrentKey = "ZZZZ9999";
    EXPECT_THROW(p.Save(edit), EDatabaseError);
    edit.CurrentKey = code.substr(0, 4); // a leading part is not the record
    EXPECT_THROW(p.Save(edit), EDatabaseError);
    EXPECT_EQ(AllRows(p.Tasks()), before);
    EXPECT_EQ(p.Tasks().ChangeCount(), 0);
}

TEST_F(TaskSaveTest, ACloneAddsTheCopyAndLeavesTheOriginal) {
    TaskEditorProgram p(dir.path());
    p.Save(NewEntry("Original", kDay, kDay));
    const std::string code = p.CodesOf("Original").front();
    TaskSaveRequest clone = NewEntry("Copy", kDay + 1, kDay + 1);
    clone.EditMode = clone.CloneMode = true;
    clone.CurrentKey = code;
    EXPECT_EQ(p.Save(clone).Kind, TaskSaveKind::NewTask);
    EXPECT_EQ(p.CodesOf("Original"), std::vector<std::string>{code});
    LocateRecordCode(p.Tasks(), code);
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay);
    EXPECT_EQ(p.CodesOf("Copy").size(), 1u);
}

TEST_F(TaskSaveTest, SelectedRowsTakeTheValuesButKeepTheirDaysOrAreReplacedByARange) {
    TaskEditorProgram p(dir.path());
    p.Save(NewEntry("One", kDay, kDay));
    p.Save(NewEntry("Two", kDay + 3, kDay + 3));
    p.Save(NewEntry("Untouched", kDay, kDay));
    TaskSaveRequest edit = NewEntry("Both", kDay + 10, kDay + 10);
    edit.EditMode = true;
    edit.SelectedKeys = {p.CodesOf("One").front(), p.CodesOf("Two").front()};
    edit.CurrentKey = edit.SelectedKeys.front();
    EXPECT_EQ(p.Save(edit).Kind, TaskSaveKind::EditSelected);
    const std::vector<std::string> both = p.CodesOf("Both");
    ASSERT_EQ(both.size(), 2u);
    LocateRecordCode(p.Tasks(), both[0]);
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay);
    LocateRecordCode(p.Tasks(), both[1]);
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay + 3);
    EXPECT_EQ(p.CodesOf("Untouched").size(), 1u);

    TaskSaveRequest range = NewEntry("Ranged", kDay + 1, kDay + 2);
    range.EditMode = true;
    range.SelectedKeys = both;
    const TaskSaveResult result = p.Save(range);
    EXPECT_EQ(result.Kind, TaskSaveKind::ReplaceSelected);
    EXPECT_EQ(result.RowsDeleted, 2);
    EXPECT_TRUE(p.CodesOf("Both").empty());
    EXPECT_EQ(p.CodesOf("Ranged").size(), 2u);
}

TEST_F(TaskSaveTest, AReplacedSeriesKeepsItsDaysWhicheverWayItWasSelected) {
    for (bool backwards : {false, true}) {
        TempFolder folder;
        TaskEditorProgram p(folder.path());
        p.Save(NewEntry("Series", kDay, kDay + 2));
        std::vector<std::string> keys = p.CodesOf("Series");
        if (backwards) std::reverse(keys.begin(), keys.end());
        TaskSaveRequest edit = NewEntry("Renamed", kDay + 7, kDay + 7); // one day: the series' own days
        edit.EditMode = true;
        edit.SeriesSelected = true;
        edit.SeriesKeys = keys;
        edit.SelectedKeys = keys;
        const TaskSaveResult result = p.Save(edit);
        EXPECT_EQ(result.Kind, TaskSaveKind::ReplaceSeries);
        EXPECT_EQ(result.RowsDeleted, 3);
        EXPECT_TRUE(p.CodesOf("Series").empty());
        const std::vector<std::string> renamed = p.CodesOf("Renamed");
        ASSERT_EQ(renamed.size(), 3u) << backwards;
        LocateRecordCode(p.Tasks(), renamed.front());
        EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay);
        LocateRecordCode(p.Tasks(), renamed.back());
        EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kDay + 2);

        // A range on the calendar replaces the series by that range.
        TaskSaveRequest moved = NewEntry("Moved", kDay + 20, kDay + 21);
        moved.EditMode = moved.SeriesSelected = true;
        moved.SeriesKeys = renamed;
        p.Save(moved);
        EXPECT_TRUE(p.CodesOf("Renamed").empty());
        EXPECT_EQ(p.CodesOf("Moved").size(), 2u);
    }
}

TEST_F(TaskSaveTest, AnInvoiceIsOneRowOfTypeFWithItsComposedText) {
    TaskEditorProgram p(dir.path());
    TaskSaveRequest r;
    r.Page = EditorPage::Invoice;
    InvoiceValues& v = r.Invoice;
    v.IssueDate = "01/03/2005";
    v.DueDate = "15/03/2005";
    v.PayDate = "14/03/2005";
    v.Term = "14";
    v.Amount = "120";
    v.Currency = "EUR";
    v.Account = "123456789";
    v.BankCode = "0900";
    v.VarSymbol = "2005001";
    v.ConstSymbol = "0308";
    v.EBank = "https://bank.example";
    v.PayTime = EncodeTime(8, 15, 59, 0);
    v.Owner = "Eva";
    EXPECT_EQ(p.Save(r).Kind, TaskSaveKind::NewInvoice);
    const std::string text = "Pay invoice from day 01/03/2005 into rate 120EUR maturity until at 15/03/2005";
    ASSERT_EQ(p.CodesOf(text).size(), 1u);
    TVolgaTable& t = p.Tasks();
    EXPECT_EQ(t.FieldByName("Date").AsDateTime(), EncodeDate(2005, 3, 14));
    EXPECT_EQ(t.FieldByName("Time").AsString(), "08:15:00");
    EXPECT_EQ(t.FieldByName("Task_type").AsString(), "F");
    EXPECT_EQ(t.FieldByName("Before_date").AsInteger(), 14);
    EXPECT_EQ(t.FieldByName("Create_pay").AsString(), "01/03/2005");
    EXPECT_EQ(t.FieldByName("Value_pay").AsString(), "120");
    EXPECT_EQ(t.FieldByName("Path").AsString(), "https://bank.example");
    EXPECT_TRUE(t.FieldByName("Run").AsBoolean());
    EXPECT_EQ(t.FieldByName("Priority").AsString(), "A");

    // An edit of it changes the same row.
    r.EditMode = true;
    r.CurrentKey = t.FieldByName("Number").AsString();
    v.Amount = "99";
    EXPECT_EQ(p.Save(r).Kind, TaskSaveKind::EditInvoice);
    EXPECT_TRUE(p.CodesOf(text).empty());
    EXPECT_EQ(p.CodesOf("Pay invoice from day 01/03/2005 into rate 99EUR maturity until at 15/03/2005"),
              std::vector<std::string>{r.CurrentKey});
}

TEST_F(TaskSaveTest, InvoiceDatesFollowTheTermAndTheTermTheDueDate) {
    SetLanguage(2); // d.m.yyyy
    const FormatSettings fs = EditorFormat();
    EXPECT_EQ(DueDateForTerm("01.03.2005", "14", fs), std::optional<std::string>("15.3.2005"));
    EXPECT_EQ(DueDateForTerm("31.12.2024", "1", fs), std::optional<std::string>("1.1.2025"));
    EXPECT_EQ(DueDateForTerm("28.2.2024", "1", fs), std::optional<std::string>("29.2.2024"));
    EXPECT_EQ(DueDateForTerm("01.03.2005", "0", fs), std::nullopt);
    EXPECT_EQ(DueDateForTerm("01.03.2005", "", fs), std::nullopt);
    EXPECT_EQ(DueDateForTerm("", "14", fs), std::nullopt);
    EXPECT_THROW(DueDateForTerm("01.03.2005", "x1", fs), std::invalid_argument);
    EXPECT_EQ(TermForDueDate("01.03.2005", "31.03.2005", fs), std::optional<std::string>("30"));
    EXPECT_EQ(TermForDueDate("1.3.2005", "1.3.2005", fs), std::optional<std::string>("0"));
    EXPECT_EQ(TermForDueDate("31.12.2024", "1.1.2025", fs), std::optional<std::string>("1"));
    EXPECT_EQ(TermForDueDate("", "31.03.2005", fs), std::nullopt);
    EXPECT_THROW(TermForDueDate("01.03.2005", "32.03.2005", fs), std::invalid_argument);
    SetLanguage(1);
}

TEST_F(TaskSaveTest, TimeTextsReadInEitherLanguageAndABadOneIsNamed) {
    EXPECT_EQ(ParseTaskTime(""), std::nullopt);
    EXPECT_EQ(ParseTaskTime("   "), std::nullopt);
    EXPECT_DOUBLE_EQ(*ParseTaskTime("8:00:00"), EncodeTime(8, 0, 0, 0));
    EXPECT_DOUBLE_EQ(*ParseTaskTime("23:59:59"), EncodeTime(23, 59, 59, 0));
    EXPECT_DOUBLE_EQ(*ParseTaskTime("00:00"), 0.0);
    try {
        ParseTaskTime("25:99");
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "This is not a valid time: \"25:99\"");
    }
    EXPECT_EQ(TaskTimeText(EncodeTime(0, 0, 0, 0)), "00:00:00");
    EXPECT_EQ(TaskTimeText(kDay + EncodeTime(23, 59, 59, 0)), "23:59:59");
}

// A payments page whose generator fails halfway through its change.
class FailingPayments : public PaymentGenerator {
public:
    explicit FailingPayments(bool databaseError) : databaseError_(databaseError) {}
    void Prepare() override {}
    int Generate(TDataSet& tasks) override {
        tasks.Append();
        tasks.FieldByName("Uloha").SetAsString("half");
        tasks.Post();
        if (databaseError_) DatabaseError("disk said no");
        throw std::runtime_error("not a database error");
    }

private:
    bool databaseError_;
};

TEST_F(TaskSaveTest, EveryFailureCancelsTheChangeAndReleasesTheLock) {
    for (bool network : {false, true}) {
        for (bool databaseError : {false, true}) {
            TempFolder folder;
            TaskEditorProgram p(folder.path(), network);
            p.Save(NewEntry("Kept", kDay, kDay));
            const std::vector<RowValues> before = FileRows(p.data->TableFileName(TableId::Tasks));
            FailingPayments failing(databaseError);
            TaskSaveRequest r;
            r.Page = EditorPage::Payments;
            r.Payments = &failing;
            try {
                p.Save(r);
                ADD_FAILURE();
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), databaseError ? "disk said no" : "not a database error");
            }
            EXPECT_FALSE(p.locks.TableLockHeld());
            EXPECT_FALSE(p.locks.IsFileInUse(p.LockFile()));
            EXPECT_EQ(p.Tasks().ChangeCount(), 0);
            EXPECT_EQ(p.Tasks().State(), dsBrowse);
            EXPECT_TRUE(p.CodesOf("half").empty());
            EXPECT_EQ(FileRows(p.data->TableFileName(TableId::Tasks)), before);
        }
    }
}

TEST_F(TaskSaveTest, TheFrameWindowsPendingEditIsDroppedBeforeANetworkSave) {
    TaskEditorProgram p(dir.path(), true);
    p.Save(NewEntry("Row", kDay, kDay));
    LocateRecordCode(p.Tasks(), p.CodesOf("Row").front());
    p.Tasks().Edit();
    TaskSaveRequest edit = NewEntry("Row edited", kDay, kDay);
    edit.EditMode = true;
    edit.CurrentKey = p.CodesOf("Row").front();
    p.Save(edit);
    EXPECT_EQ(p.CodesOf("Row edited").size(), 1u);
}

// Two programs in network mode, each replacing its own series again and again and adding a
// task each round, at the same time: every program's last series and every added task are
// there in the end.
TEST_F(TaskSaveTest, TwoProgramsEditingSeriesAtOnceInNetworkModeLoseNothing) {
    {
        TaskEditorProgram setup(dir.path(), true);
    }
    constexpr int kRounds = 8;
    auto program = [&](const std::string& name) {
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        int code = 0;
        try {
            TaskEditorProgram p(dir.path(), true);
            p.Save(NewEntry(name + " series 0", kDay, kDay + 2));
            for (int r = 1; r <= kRounds; ++r) {
                // The window shows the series as this program last read it.
                p.Tasks().Refresh();
                TaskSaveRequest edit = NewEntry(name + " series " + std::to_string(r), kDay, kDay);
                edit.EditMode = edit.SeriesSelected = true;
                edit.SeriesKeys = p.CodesOf(name + " series " + std::to_string(r - 1));
                if (edit.SeriesKeys.size() != 3) ::_exit(3);
                p.Save(edit);
                p.Save(NewEntry(name + " task " + std::to_string(r), kDay + r, kDay + r));
            }
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    };
    const pid_t a = program("A"), b = program("B");
    for (pid_t pid : {a, b}) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    TaskEditorProgram check(dir.path(), true);
    for (const std::string name : {"A", "B"}) {
        EXPECT_EQ(check.CodesOf(name + " series " + std::to_string(kRounds)).size(), 3u) << name;
        for (int r = 0; r < kRounds; ++r) EXPECT_TRUE(check.CodesOf(name + " series " + std::to_string(r)).empty());
        for (int r = 1; r <= kRounds; ++r) EXPECT_EQ(check.CodesOf(name + " task " + std::to_string(r)).size(), 1u);
    }
}

} // namespace
} // namespace kvz
