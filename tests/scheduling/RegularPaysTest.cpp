#include "scheduling/RegularPays.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "platform/rtl/Clock.h"

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
        generator = std::make_unique<RegularPayments>(*kinds, folder_, country, skipPast, "Eva", "Jano");
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
    RegularPayments g(*kinds, dir.path(), PaymentCountry::Slovak, false, "Eva", "Jano");
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

} // namespace
} // namespace kvz
