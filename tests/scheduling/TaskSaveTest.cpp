#include "scheduling/TaskSave.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"
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

// Another program holds the task table's lock and writes a row before it lets go: the save
// waits for the lock, reads the table again, and keeps that row beside its own.
TEST_F(TaskSaveTest, ANetworkSaveWaitsForTheLockAndReadsWhatTheHolderWrote) {
    TaskEditorProgram p(dir.path(), true);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        int code = 0;
        try {
            TaskEditorProgram other(dir.path(), true);
            other.locks.WriteSharedTable(other.Tasks(), other.LockFile(), true, kEditorSavePoll, [&] {
                if (::write(ready[1], "x", 1) != 1) ::_exit(2);
                ::usleep(300000);
                other.Tasks().Append();
                other.Tasks().FieldByName("Number").SetAsString("HOLDER01");
                other.Tasks().FieldByName("Uloha").SetAsString("Written while holding");
                other.Tasks().Post();
            });
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    }
    char token = 0;
    ASSERT_EQ(::read(ready[0], &token, 1), 1);
    EXPECT_TRUE(p.locks.IsFileInUse(p.LockFile()));
    p.Save(NewEntry("Mine", kDay, kDay + 1));
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    TaskEditorProgram check(dir.path(), true);
    EXPECT_EQ(check.CodesOf("Written while holding"), std::vector<std::string>{"HOLDER01"});
    EXPECT_EQ(check.CodesOf("Mine").size(), 2u);
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

namespace kvz {
namespace {

// Another program, a process of its own, changes the text of the task with the code in network
// mode and ends.
void ChangeInAnotherProgram(const std::filesystem::path& folder, const std::string& code, const std::string& text) {
    const pid_t other = ::fork();
    if (other == 0) {
        int exitCode = 0;
        try {
            TaskEditorProgram p(folder, true);
            TaskSaveRequest edit = NewEntry(text, kDay, kDay);
            edit.EditMode = true;
            edit.CurrentKey = code;
            p.Save(edit);
        } catch (...) {
            exitCode = 1;
        }
        ::_exit(exitCode);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Two programs edit one task in network mode: the one that saves second is asked, and what the
// first wrote is kept unless the user chooses to write over it.
TEST_F(TaskSaveTest, ATaskChangedOnAnotherComputerSinceTheEditBeganIsNeverOverwrittenUnasked) {
    const struct {
        OtherChangeChoice choice;
        const char* inFile;
    } cases[] = {
        {OtherChangeChoice::KeepEditing, "Theirs"},
        {OtherChangeChoice::Reload, "Theirs"},
        {OtherChangeChoice::Overwrite, "Mine"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inFile + std::to_string(int(c.choice)));
        TempFolder folder;
        TaskEditorProgram p(folder.path(), true);
        p.Save(NewEntry("Ours", kDay, kDay));
        p.Save(NewEntry("Left alone", kDay, kDay));
        const std::string code = p.CodesOf("Ours").front();
        // The edit begins; meanwhile the other program changes the same task.
        TaskSaveRequest edit = NewEntry("Mine", kDay, kDay);
        edit.EditMode = true;
        edit.CurrentKey = code;
        edit.Begun = StampTaskRows(p.Tasks(), {code});
        ASSERT_EQ(edit.Begun.size(), 1u);
        ChangeInAnotherProgram(folder.path(), code, "Theirs");
        int asked = 0;
        edit.OnOtherChange = [&] {
            ++asked;
            EXPECT_FALSE(p.locks.TableLockHeld()); // nobody waits on the question
            return c.choice;
        };
        if (c.choice == OtherChangeChoice::Overwrite) {
            EXPECT_EQ(p.Save(edit).RowsChanged, 1);
        } else {
            try {
                p.Save(edit);
                ADD_FAILURE() << "saved over the other change";
            } catch (const TaskChangedElsewhere& e) {
                EXPECT_EQ(e.Choice, c.choice);
            }
            // The table shows the task as the other program left it.
            EXPECT_EQ(p.CodesOf("Theirs"), std::vector<std::string>{code});
            EXPECT_EQ(p.Tasks().ChangeCount(), 0);
        }
        EXPECT_EQ(asked, 1);
        EXPECT_FALSE(p.locks.TableLockHeld());
        TaskEditorProgram check(folder.path(), true);
        EXPECT_EQ(check.CodesOf(c.inFile), std::vector<std::string>{code});
        EXPECT_EQ(check.CodesOf("Left alone").size(), 1u);
    }
}

// The question comes only for a row that changed: another row changed elsewhere, a save in local
// mode and a save without stamps write as before.
TEST_F(TaskSaveTest, OnlyAChangedEditedRowIsAskedAbout) {
    for (const bool network : {true, false}) {
        SCOPED_TRACE(network);
        TempFolder folder;
        TaskEditorProgram p(folder.path(), network);
        p.Save(NewEntry("Ours", kDay, kDay));
        p.Save(NewEntry("Other", kDay, kDay));
        const std::string code = p.CodesOf("Ours").front();
        TaskSaveRequest edit = NewEntry("Mine", kDay, kDay);
        edit.EditMode = true;
        edit.CurrentKey = code;
        edit.Begun = StampTaskRows(p.Tasks(), {code, code});
        EXPECT_EQ(edit.Begun.size(), 1u);
        edit.OnOtherChange = [] {
            ADD_FAILURE() << "asked";
            return OtherChangeChoice::KeepEditing;
        };
        if (network) ChangeInAnotherProgram(folder.path(), p.CodesOf("Other").front(), "Other changed");
        EXPECT_EQ(p.Save(edit).RowsChanged, 1);
        TaskEditorProgram check(folder.path(), network);
        EXPECT_EQ(check.CodesOf("Mine"), std::vector<std::string>{code});
        EXPECT_EQ(check.CodesOf(network ? "Other changed" : "Other").size(), 1u);
    }
}

// Without an answer set, the question is a box in the program's language: Yes overwrites, No
// reloads, Cancel goes back to editing.
TEST(AskOtherChange, TheBoxAnswersAreTheThreeChoices) {
    testing::EnsureApplication();
    TResponder responder;
    const std::pair<int, OtherChangeChoice> answers[] = {{IDYES, OtherChangeChoice::Overwrite},
                                                         {IDNO, OtherChangeChoice::Reload},
                                                         {IDCANCEL, OtherChangeChoice::KeepEditing}};
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        for (auto [answer, choice] : answers) {
            responder.MessageBoxAnswers = {answer};
            EXPECT_EQ(AskOtherChange(), choice);
        }
        EXPECT_EQ(responder.MessageBoxes.back().Style & 0xF, unsigned(MB_YESNOCANCEL));
    }
    EXPECT_NE(responder.MessageBoxes[0].Text.find("another computer"), std::string::npos);
    EXPECT_NE(responder.MessageBoxes[3].Text.find("inom počítači"), std::string::npos);
    EXPECT_NE(responder.MessageBoxes[6].Text.find("jiném počítači"), std::string::npos);
    SetLanguage(2);
}

} // namespace
} // namespace kvz
