#include "scheduling/RegularPays.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

struct DueDate {
    const char* project;
    TDateTime date;
    const char* text;
};

struct KindRow {
    const char* project;
    bool on;
};

class RegularPaysTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLanguage(1);
        folder_ = dir.path();
    }

    // The country's two files with these kinds and due dates.
    void WriteFiles(PaymentCountry country, const std::vector<KindRow>& kinds, const std::vector<DueDate>& dates) {
        EnsurePaymentFiles(folder_, country);
        TVolgaTable k;
        OpenPaymentTable(k, folder_, PaymentKindsFile(country));
        for (const KindRow& row : kinds) {
            k.Append();
            k.FieldByName("Uloha").SetAsString(std::string("Kind ") + row.project);
            k.FieldByName("Project").SetAsString(row.project);
            k.FieldByName("Mesage").SetAsBoolean(row.on);
            k.FieldByName("Run").SetAsBoolean(true);
            k.FieldByName("Path").SetAsString("https://bank.example");
            k.Post();
        }
        k.ApplyChanges();
        TVolgaTable d;
        OpenPaymentTable(d, folder_, PaymentDatesFile(country));
        for (const DueDate& row : dates) {
            d.Append();
            d.FieldByName("Project").SetAsString(row.project);
            d.FieldByName("Date").SetAsDateTime(row.date);
            d.FieldByName("Uloha").SetAsString(row.text);
            d.FieldByName("Time").SetAsString("9:00:00");
            d.FieldByName("Value_Pay").SetAsString("100");
            d.Post();
        }
        d.ApplyChanges();
    }

    // Runs the payments page's OK for the country; the task table's rows of the country after.
    std::vector<std::pair<TDateTime, std::string>> Generate(TaskEditorProgram& p, PaymentCountry country, bool skipPast,
                                                           RegularPayments** out = nullptr) {
        kinds = std::make_unique<TVolgaTable>();
        OpenPaymentTable(*kinds, folder_, PaymentKindsFile(country));
        generator = std::make_unique<RegularPayments>(*kinds, p.Tasks(), folder_, country, skipPast, "Eva", "Jano");
        if (out) *out = generator.get();
        TaskSaveRequest r;
        r.Page = EditorPage::Payments;
        r.Payments = generator.get();
        p.Save(r);
        return Rows(p, PaymentTaskType(country));
    }

    static std::vector<std::pair<TDateTime, std::string>> Rows(TaskEditorProgram& p, const std::string& type) {
        std::vector<std::pair<TDateTime, std::string>> rows;
        TVolgaTable& t = p.Tasks();
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName("Task_type").AsString() == type)
                rows.emplace_back(t.FieldByName("Date").AsDateTime(), t.FieldByName("Uloha").AsString());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    TempFolder dir;
    fs::path folder_; // where the files and tables of the case lie
    std::unique_ptr<TVolgaTable> kinds;
    std::unique_ptr<RegularPayments> generator;
};

using PayRows = std::vector<std::pair<TDateTime, std::string>>;

TEST_F(RegularPaysTest, MissingFilesAreMadeEmptyWithTheirFieldsAndNothingIsGenerated) {
    TaskEditorProgram p(dir.path());
    EnsurePaymentFiles(dir.path(), PaymentCountry::Czech);
    EXPECT_TRUE(fs::exists(dir.path() / "platby_cz.d"));
    EXPECT_TRUE(fs::exists(dir.path() / "platby_cz_data.d"));
    EXPECT_FALSE(fs::exists(dir.path() / "platby_sk.d"));
    TVolgaTable t;
    OpenPaymentTable(t, dir.path(), "platby_cz_data.d");
    EXPECT_EQ(t.RecordCount(), 0);
    for (const SchemaField& f : PaymentDateFields()) EXPECT_NE(t.FindField(f.Name), nullptr) << f.Name;

    // Old payment tasks stay when there are no due dates to put in their place.
    p.Save([] {
        TaskSaveRequest r;
        r.Task.Text = "Old payment";
        r.Task.Date = r.Task.EndDate = EncodeDate(2024, 5, 1);
        return r;
    }());
    TVolgaTable& tasks = p.Tasks();
    LocateRecordCode(tasks, p.CodesOf("Old payment").front());
    p.locks.WriteSharedTable(tasks, p.LockFile(), false, kEditorSavePoll, [&] {
        tasks.Edit();
        tasks.FieldByName("Task_type").SetAsString("C");
        tasks.Post();
    });
    const std::vector<RowValues> before = AllRows(tasks);
    RegularPayments* g = nullptr;
    EXPECT_THROW(Generate(p, PaymentCountry::Czech, false, &g), TaskInputRefused);
    EXPECT_FALSE(g->DataCurrent());
    EXPECT_EQ(AllRows(tasks), before);
}

TEST_F(RegularPaysTest, EachDueDateOfAKindSwitchedOnBecomesOneTaskOfTheCountry) {
    const FixedClock clock(EncodeDate(2024, 6, 15) + 0.5);
    const ScopedClock scoped(clock);
    WriteFiles(PaymentCountry::Slovak, {{"DPH", true}, {"Off", false}, {"Cesta", true}},
               {{"DPH", EncodeDate(2024, 1, 25), "VAT January"},
                {"Off", EncodeDate(2024, 7, 1), "never"},
                {"DPH", EncodeDate(2024, 12, 31), "VAT December"},
                {"Cesta", EncodeDate(2024, 2, 29), "Road tax"},
                {"Nobody", EncodeDate(2024, 3, 1), "no kind"}});
    TaskEditorProgram p(dir.path());
    RegularPayments* g = nullptr;
    EXPECT_EQ(Generate(p, PaymentCountry::Slovak, false, &g),
              (PayRows{{EncodeDate(2024, 1, 25), "VAT January"},
                    {EncodeDate(2024, 2, 29), "Road tax"},
                    {EncodeDate(2024, 12, 31), "VAT December"}}));
    EXPECT_TRUE(g->DataCurrent());
    TVolgaTable& t = p.Tasks();
    LocateRecordCode(t, p.CodesOf("Road tax").front());
    EXPECT_EQ(t.FieldByName("Owner").AsString(), "Eva");
    EXPECT_EQ(t.FieldByName("User").AsString(), "Jano");
    EXPECT_EQ(t.FieldByName("Path").AsString(), "https://bank.example");
    EXPECT_TRUE(t.FieldByName("Run").AsBoolean());
    EXPECT_TRUE(t.FieldByName("Mesage").AsBoolean());
    EXPECT_EQ(t.FieldByName("Project").AsString(), "Cesta");
    EXPECT_EQ(t.FieldByName("Value_pay").AsString(), "100");
}

TEST_F(RegularPaysTest, PastPaymentsAreLeftOutByTheDayTheTaskWillCarry) {
    struct Case {
        TDateTime today;
        TDateTime first; // the file's first due date, which tells whether the data is this year's
        TDateTime due;
        bool skipPast;
        std::optional<TDateTime> task;
    };
    const TDateTime y2024 = EncodeDate(2024, 1, 2), y2025 = EncodeDate(2025, 1, 2);
    const Case cases[] = {
        // This year's data.
        {EncodeDate(2024, 6, 15), y2024, EncodeDate(2024, 6, 15), true, std::nullopt},
        {EncodeDate(2024, 6, 15), y2024, EncodeDate(2024, 6, 14), true, std::nullopt},
        {EncodeDate(2024, 6, 15), y2024, EncodeDate(2024, 6, 16), true, EncodeDate(2024, 6, 16)},
        {EncodeDate(2024, 6, 15), y2024, EncodeDate(2024, 6, 14), false, EncodeDate(2024, 6, 14)},
        // In December next January's payment, written on its own date, is still ahead.
        {EncodeDate(2024, 12, 20), y2024, EncodeDate(2024, 1, 10), true, std::nullopt},
        {EncodeDate(2024, 12, 20), y2024, EncodeDate(2025, 1, 10), true, EncodeDate(2025, 1, 10)},
        {EncodeDate(2024, 12, 31), y2024, EncodeDate(2024, 12, 31), true, std::nullopt},
        // Last year's data is moved into this year first.
        {EncodeDate(2025, 3, 1), y2024, EncodeDate(2024, 6, 1), true, EncodeDate(2025, 6, 1)},
        {EncodeDate(2025, 3, 1), y2024, EncodeDate(2024, 2, 1), true, std::nullopt},
        {EncodeDate(2025, 1, 1), y2024, EncodeDate(2024, 2, 29), true, EncodeDate(2025, 2, 28)},
        {EncodeDate(2025, 2, 28), y2024, EncodeDate(2024, 2, 29), true, std::nullopt},
        {EncodeDate(2028, 1, 1), y2024, EncodeDate(2024, 2, 29), true, EncodeDate(2028, 2, 29)},
        // Next year's data, a year early, moved back into this one.
        {EncodeDate(2024, 12, 1), y2025, EncodeDate(2025, 12, 24), true, EncodeDate(2024, 12, 24)},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const FixedClock clock(c.today + 0.99);
        const ScopedClock scoped(clock);
        folder_ = folder.path();
        WriteFiles(PaymentCountry::Czech, {{"Daň", true}}, {{"Iné", c.first, "first"}, {"Daň", c.due, "Tax"}});
        TaskEditorProgram p(folder_);
        const PayRows rows = Generate(p, PaymentCountry::Czech, c.skipPast);
        if (c.task) {
            EXPECT_EQ(rows, (PayRows{{*c.task, "Tax"}})) << c.today << " " << c.due;
        } else {
            EXPECT_TRUE(rows.empty()) << c.today << " " << c.due;
        }
    }
}

TEST_F(RegularPaysTest, GeneratingTwiceGivesTheSameTableAndLeavesTheOtherCountry) {
    const FixedClock clock(EncodeDate(2024, 1, 1));
    const ScopedClock scoped(clock);
    WriteFiles(PaymentCountry::Slovak, {{"A", true}}, {{"A", EncodeDate(2024, 3, 1), "SK March"}});
    WriteFiles(PaymentCountry::Czech, {{"B", true}},
               {{"B", EncodeDate(2024, 4, 1), "CZ April"}, {"B", EncodeDate(2024, 5, 1), "CZ May"}});
    TaskEditorProgram p(dir.path(), true);
    Generate(p, PaymentCountry::Slovak, true);
    Generate(p, PaymentCountry::Czech, true);
    const std::vector<RowValues> once = AllRows(p.Tasks());
    Generate(p, PaymentCountry::Czech, true);
    EXPECT_EQ(AllRows(p.Tasks()), once);
    EXPECT_EQ(Rows(p, "P").size(), 1u);
    EXPECT_EQ(Rows(p, "C").size(), 2u);
    EXPECT_EQ(FileRows(p.data->TableFileName(TableId::Tasks)), once);
}

TEST_F(RegularPaysTest, WhatTheUserSetInTheKindsIsKeptAlsoForAKindSwitchedOff) {
    WriteFiles(PaymentCountry::Slovak, {{"A", true}}, {{"A", EncodeDate(2024, 3, 1), "x"}});
    TaskEditorProgram p(dir.path());
    kinds = std::make_unique<TVolgaTable>();
    OpenPaymentTable(*kinds, dir.path(), PaymentKindsFile(PaymentCountry::Slovak));
    kinds->First();
    kinds->Edit();
    kinds->FieldByName("Mesage").SetAsBoolean(false);
    kinds->FieldByName("Before_date").SetAsInteger(5);
    kinds->Post();
    RegularPayments g(*kinds, p.Tasks(), dir.path(), PaymentCountry::Slovak, false, "Eva", "Jano");
    TaskSaveRequest r;
    r.Page = EditorPage::Payments;
    r.Payments = &g;
    p.Save(r);
    EXPECT_TRUE(g.Planned().empty());
    TVolgaTable check;
    OpenPaymentTable(check, dir.path(), "platby_sk.d");
    EXPECT_EQ(check.FieldByName("Before_date").AsInteger(), 5);
    EXPECT_FALSE(check.FieldByName("Mesage").AsBoolean());
}

// Payment tasks of both countries and a task of the user's, for the cases that must leave them.
void AddPaymentTasks(TaskEditorProgram& p) {
    TVolgaTable& tasks = p.Tasks();
    p.locks.WriteSharedTable(tasks, p.LockFile(), p.frame.NetworkMode, kEditorSavePoll, [&] {
        for (auto [text, type] : {std::pair{"Old SK payment", "P"}, std::pair{"Old CZ payment", "C"},
                                  std::pair{"Own task", ""}}) {
            tasks.Append();
            tasks.FieldByName("Number").SetAsString(NewRecordKey());
            tasks.FieldByName("Date").SetAsDateTime(EncodeDate(2024, 5, 1));
            tasks.FieldByName("Uloha").SetAsString(text);
            tasks.FieldByName("Task_type").SetAsString(type);
            tasks.Post();
        }
    });
}

// Without a list of kinds read nothing says which payments are wanted: the old ones stay, and
// the user is told why in the program's language.
TEST_F(RegularPaysTest, WithoutAListOfKindsReadNoPaymentTaskIsRemoved) {
    struct Case {
        int language;
        std::string kindsError; // why the page could not open the list; empty: no country chosen
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {2, "Súbor nie je tabuľka.", {"Zoznam druhov platieb \"platby_sk.d\" sa nepodarilo prečítať: Súbor nie je tabuľka.",
                                      "Žiadna úloha platby nebola odstránená."}},
        {3, "", {"Není otevřen žádný seznam druhů plateb", "Žádný úkol platby nebyl odstraněn."}},
        {1, "", {"No list of payment kinds is open", "No payment task was removed."}},
    };
    for (const Case& c : cases) {
        SetLanguage(c.language);
        TempFolder folder;
        folder_ = folder.path();
        WriteFiles(PaymentCountry::Slovak, {{"A", true}}, {{"A", EncodeDate(2024, 3, 1), "SK March"}});
        TaskEditorProgram p(folder_);
        AddPaymentTasks(p);
        const std::vector<RowValues> before = AllRows(p.Tasks());
        TVolgaTable closed; // the page's list, which could not be opened
        RegularPayments g(closed, p.Tasks(), folder_, PaymentCountry::Slovak, false, "Eva", "Jano");
        g.SetKindsError(c.kindsError);
        g.SetConfirmRemoval([] { return true; });
        TaskSaveRequest r;
        r.Page = EditorPage::Payments;
        r.Payments = &g;
        try {
            p.Save(r);
            ADD_FAILURE() << "not refused, language " << c.language;
        } catch (const TaskInputRefused& refused) {
            for (const std::string& part : c.said)
                EXPECT_NE(std::string(refused.what()).find(part), std::string::npos) << refused.what();
        }
        EXPECT_FALSE(g.DatesRead());
        EXPECT_EQ(AllRows(p.Tasks()), before);
        EXPECT_EQ(FileRows(p.data->TableFileName(TableId::Tasks)), before);
        // Nor does a generator that was never prepared remove anything.
        EXPECT_THROW(g.Generate(p.Tasks()), std::logic_error);
        EXPECT_EQ(AllRows(p.Tasks()), before);
    }
    SetLanguage(1);
}

// A list of kinds that was read and is empty removes the country's payment tasks only when the
// user says so.
TEST_F(RegularPaysTest, AnEmptyListOfKindsRemovesTheCountrysPaymentTasksOnlyWhenTheUserSaysSo) {
    struct Case {
        std::optional<bool> answer; // nothing: no one to ask
        bool removed;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}, Case{std::nullopt, false}}) {
        TempFolder folder;
        folder_ = folder.path();
        WriteFiles(PaymentCountry::Slovak, {}, {{"A", EncodeDate(2024, 3, 1), "SK March"}});
        TaskEditorProgram p(folder_);
        AddPaymentTasks(p);
        const std::vector<RowValues> before = AllRows(p.Tasks());
        kinds = std::make_unique<TVolgaTable>();
        OpenPaymentTable(*kinds, folder_, PaymentKindsFile(PaymentCountry::Slovak));
        RegularPayments g(*kinds, p.Tasks(), folder_, PaymentCountry::Slovak, false, "Eva", "Jano");
        int asked = 0;
        if (c.answer)
            g.SetConfirmRemoval([&] {
                ++asked;
                return *c.answer;
            });
        TaskSaveRequest r;
        r.Page = EditorPage::Payments;
        r.Payments = &g;
        if (c.removed) {
            EXPECT_EQ(p.Save(r).RowsAdded, 0);
            EXPECT_TRUE(Rows(p, "P").empty());
            EXPECT_EQ(Rows(p, "C").size(), 1u);
            EXPECT_EQ(p.CodesOf("Own task").size(), 1u);
        } else {
            EXPECT_THROW(p.Save(r), PaymentsDeclined);
            EXPECT_EQ(AllRows(p.Tasks()), before);
        }
        EXPECT_EQ(asked, c.answer ? 1 : 0);
    }
    EXPECT_EQ(EmptyKindsQuestion(PaymentCountry::Czech),
              "The list of Czech payment kinds (\"platby_cz.d\") is empty: OK removes every Czech payment task and "
              "makes none in their place.\nRemove them?");
}

// A due-date file made with wider fields than the task table's: a text that a task cannot hold
// is refused when the tasks are decided, in the program's language, before the task table is
// locked; the engine's own error never comes to it.
TEST_F(RegularPaysTest, ATextLongerThanItsTaskFieldIsRefusedBeforeTheTaskTableIsLocked) {
    const FixedClock clock(EncodeDate(2024, 1, 10));
    const ScopedClock scoped(clock);
    struct Case {
        const char* field; // of the due-date file; empty: the owner is too long
        std::string value;
        std::string said;
    };
    const Case cases[] = {
        {"Priority", std::string(40, 'A'),
         "Platba \"Daň\" splatná 1.3.2024 sa nedá zapísať ako úloha: jej pole \"Priority\" v súbore "
         "\"platby_sk_data.d\" má 40 znakov, úloha tam pojme najviac 1. Žiadna úloha platby sa nezmenila."},
        {"Bank_Pay", "ČSOB 7500", "jej pole \"Bank_pay\" v súbore \"platby_sk_data.d\" má 9 znakov, úloha tam pojme najviac 6."},
        {"", "", "Vlastník \"Ďurko z Dolného Kubína\" je dlhší ako 20 znakov"},
    };
    for (const Case& c : cases) {
        SetLanguage(2);
        TempFolder folder;
        folder_ = folder.path();
        // The due-date file as another program made it: its texts 40 characters wide.
        {
            TVolgaTable wide;
            wide.SetLoadMode(TVolgaLoadMode::lmClear);
            for (const SchemaField& f : PaymentDateFields())
                wide.FieldDefs().Add(f.Name, f.Type, f.Type == ftString ? 40 : f.Size, false);
            wide.Open();
            std::string block;
            wide.Cursor()->SaveToStream(block);
            ASSERT_TRUE(CreateFileDurably(folder_ / PaymentDatesFile(PaymentCountry::Slovak), block));
        }
        WriteFiles(PaymentCountry::Slovak, {{"A", true}}, {{"A", EncodeDate(2024, 3, 1), "Daň"}});
        {
            TVolgaTable d;
            OpenPaymentTable(d, folder_, PaymentDatesFile(PaymentCountry::Slovak));
            d.First();
            d.Edit();
            if (*c.field) d.FieldByName(c.field).SetAsString(c.value);
            d.Post();
            d.ApplyChanges();
        }
        TaskEditorProgram p(folder_, true);
        AddPaymentTasks(p);
        const std::vector<RowValues> before = AllRows(p.Tasks());
        kinds = std::make_unique<TVolgaTable>();
        OpenPaymentTable(*kinds, folder_, PaymentKindsFile(PaymentCountry::Slovak));
        RegularPayments g(*kinds, p.Tasks(), folder_, PaymentCountry::Slovak, false,
                          *c.field ? "Eva" : "Ďurko z Dolného Kubína", "Jano");
        TaskSaveRequest r;
        r.Page = EditorPage::Payments;
        r.Payments = &g;
        int locking = 0; // the writer shows the busy animation as it goes for the lock
        p.locks.ShowBusyAnimation = [&](bool on) { locking += on; };
        try {
            p.Save(r);
            ADD_FAILURE() << "not refused: " << c.field;
        } catch (const TaskInputRefused& refused) {
            EXPECT_NE(std::string(refused.what()).find(c.said), std::string::npos) << refused.what();
        }
        EXPECT_EQ(locking, 0);
        EXPECT_FALSE(p.locks.TableLockHeld());
        EXPECT_EQ(AllRows(p.Tasks()), before);
        EXPECT_EQ(FileRows(p.data->TableFileName(TableId::Tasks)), before);
    }
    SetLanguage(1);
}

} // namespace
} // namespace kvz
