#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include "FileSizeLimit.h"
#include "ProgramTesting.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace kvz {
namespace {

struct FakeFrame : FrameServices {
    int hidden = 0;
    void HideSplitEnableButton() override { ++hidden; }
    void SubProjectTableFilterRecord(TDataSet&, bool&) override {}
    void PayFacture(const std::string&, const std::string&) override {}
    void DownloadPays(int) override {}
    void UpdateTemko() override {}
};

struct FakeLinksWindow : LinksWindowServices {
    std::string combo;
    bool treePage = false;
    std::optional<std::string> node;
    std::string TypeComboBoxText() const override { return combo; }
    bool TreePageShown() const override { return treePage; }
    std::optional<std::string> SelectedTopLevelType() const override { return node; }
};

struct FakeAddressBook : AddressBookServices {
    std::string lastCode;
    void SetLastNewAddressCode(const std::string& code) override { lastCode = code; }
};

struct FakeTasksWindow : TasksWindowServices {
    bool dayPage = true;
    TDateTime selected = 0;
    void UlohaTable1FilterRecord(TDataSet&, bool&) override {}
    bool DayPageShown() const override { return dayPage; }
    TDateTime SelectedTaskDate() const override { return selected; }
};

// One program: its frame state and data module over a table folder.
struct Program : ProgramFrame {
    FakeFrame frameWindow;
    std::unique_ptr<TDataModule1> data;

    Program(const fs::path& folder, bool network) : ProgramFrame(folder, "Jano", network) {
        frame.Frame = &frameWindow;
        settings.Nastavenia[75] = 1;
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
    }
};

std::vector<std::string> FieldList(const TDataSet& t) {
    std::vector<std::string> out;
    for (int i = 0; i < t.FieldDefs().Count(); ++i) {
        const TFieldDef& d = t.FieldDefs()[i];
        out.push_back(d.Name() + ":" + FieldTypeName(d.DataType()) + ":" + std::to_string(d.Size()));
    }
    return out;
}

std::vector<std::string> SchemaList(const std::vector<SchemaField>& schema) {
    std::vector<std::string> out;
    for (const SchemaField& f : schema)
        out.push_back(std::string(f.Name) + ":" + FieldTypeName(f.Type) + ":" + std::to_string(f.Type == ftString ? f.Size : 0));
    return out;
}

std::set<std::string> FolderEntries(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
    return out;
}

class DataModuleTest : public ::testing::Test {
protected:
    void TearDown() override { SetLanguage(2); }
    TempFolder dir;
};

TEST_F(DataModuleTest, AFirstStartCreatesTheSevenTablesWithTheirSchemasAndSampleRows) {
    const char* firms[] = {"", "My Firm", "Moja Firma", "Moje Firma"};
    for (int language : {1, 2, 3, 4}) {
        SCOPED_TRACE(language);
        SetLanguage(language);
        TempFolder folder;
        Program p(folder.path(), false);
        p.data->OpenAllTables("");
        std::set<std::string> expected = {"report.dat", "Template"};
        for (TableId id : kAllTables) {
            TVolgaTable* t = p.data->TableOf(id);
            ASSERT_TRUE(t && t->Active());
            EXPECT_EQ(FieldList(*t), SchemaList(TableSchema(id)));
            EXPECT_EQ(p.data->SourceOf(id)->DataSet(), t); // bound whichever module is active
            expected.insert(std::string("Jano") + TableSuffix(id));
        }
        EXPECT_EQ(FolderEntries(folder.path()), expected); // no lock files in local mode, no leftovers

        TVolgaTable& address = *p.data->AddressTable;
        ASSERT_EQ(address.RecordCount(), language == 4 ? 0 : 1);
        if (language != 4) {
            EXPECT_EQ(address.FieldByName("Firma").AsString(), firms[language]);
            EXPECT_EQ(address.FieldByName("Number").AsString().size(), 8u);
            EXPECT_EQ(address.FieldByName("Telefon1").AsString(), "000\\12345678");
            EXPECT_EQ(address.FieldByName("User").AsString(), "");
        }
        if (language == 2) {
            EXPECT_EQ(address.FieldByName("Adresa_1").AsString(),
                      "Oslovenie alebo názov firmy\nMeno a priezvisko\nUlica a číslo domu\nMesto\nPSČ\n");
        }
        EXPECT_EQ(p.data->LinksTable->RecordCount(), 1);
        EXPECT_EQ(p.data->LinksTable->FieldByName("Type").AsString(), "HTML Document");
        EXPECT_EQ(p.data->LinksTypeTable->FieldByName("LinksType").AsString(), "HTML Document");
        for (TVolgaTable* empty : {p.data->TaskTable, p.data->ProjectTable, p.data->SubProjectTable, p.data->OwnersTable})
            EXPECT_EQ(empty->RecordCount(), 0);
    }
}

TEST_F(DataModuleTest, AnExistingTableIsNeverReplacedByAnEmptyOne) {
    SetLanguage(1);
    {
        Program p(dir.path(), false);
        p.data->OpenAllTables("heslo");
        TTableLocks locks;
        TVolgaTable& t = *p.data->OwnersTable;
        locks.WriteSharedTable(t, {}, false, milliseconds(1), [&] {
            t.Append();
            t.FieldByName("OwnerName").SetAsString("Peter");
            t.Post();
        });
    }
    Program p(dir.path(), false);
    const fs::path owners = dir.path() / "Jano_owners.d";
    p.data->NewOwnersProjectTable(owners, "heslo"); // a file is there: it is opened, not overwritten
    EXPECT_EQ(p.data->OwnersTable->FieldByName("OwnerName").AsString(), "Peter");
    EXPECT_EQ(p.data->OwnersTable->Password(), "heslo");

    // A folder that cannot be checked is not "absent": nothing is created.
    const fs::path notAFolder = dir.path() / "Jano_owners.d" / "x";
    EXPECT_THROW(p.data->OpenOwnersTable(notAFolder / "Jano_owners.d", "heslo", notAFolder / "Jano_owners.mpf"), FileError);
    EXPECT_EQ(p.data->OwnersTable->FieldByName("OwnerName").AsString(), "Peter");
}

TEST_F(DataModuleTest, TwoProgramsInNetworkModeShareTheTablesAndTheirLockFiles) {
    SetLanguage(2);
    Program a(dir.path(), true), b(dir.path(), true);
    a.data->OpenAllTables("");
    for (TableId id : kAllTables) EXPECT_EQ(fs::file_size(a.data->LockFileName(id)), 0u);
    fs::last_write_time(a.data->LockFileName(TableId::Address), fs::file_time_type{});
    b.data->OpenAllTables("");
    EXPECT_EQ(fs::last_write_time(a.data->LockFileName(TableId::Address)), fs::file_time_type{}); // left alone
    EXPECT_EQ(b.data->AddressTable->RecordCount(), 1); // the sample row of A's start, not a second one

    auto addAddress = [](Program& p, const std::string& firm) {
        TVolgaTable& t = *p.data->AddressTable;
        p.locks.WriteSharedTable(t, p.data->LockFileName(TableId::Address), true, milliseconds(1), [&] {
            t.Append();
            t.FieldByName("Firma").SetAsString(firm);
            t.Post();
        });
    };
    addAddress(a, "Alfa");
    addAddress(b, "Beta");
    addAddress(a, "Gama");
    EXPECT_EQ(a.data->AddressTable->RecordCount(), 4);
    b.data->AddressTable->Refresh();
    EXPECT_EQ(b.data->AddressTable->RecordCount(), 4);
    EXPECT_FALSE(a.locks.IsFileInUse(a.data->LockFileName(TableId::Address)));
}

// An older table written through the engine with the given fields and rows of texts.
void WriteOldTable(const fs::path& file, const std::vector<SchemaField>& fields, const std::vector<std::vector<std::string>>& rows,
                   const std::string& password = "") {
    TVolgaTable t;
    t.SetPassword(password);
    for (const SchemaField& f : fields) t.FieldDefs().Add(f.Name, f.Type, f.Size);
    t.Open();
    for (const auto& row : rows) {
        t.Append();
        for (size_t i = 0; i < row.size(); ++i) t.Fields()[static_cast<int>(i)].SetAsString(row[i]);
        t.Post();
    }
    t.SaveToFile(file);
}

std::vector<std::string> Rows(TDataSet& t, const std::vector<const char*>& fields) {
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) {
        std::string row;
        for (const char* f : fields) row += t.FieldByName(f).AsString() + "|";
        out.push_back(row);
    }
    return out;
}

TEST_F(DataModuleTest, AnOlderAddressTableGetsIbanBehindItsFieldsBesideTheFileThatWasOpened) {
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::create_directory(elsewhere);
    WriteOldTable(elsewhere / "Jano_address.d", {{"Number", ftString, 8}, {"Firma", ftString, 50}, {"Poznamka", ftMemo}},
                  {{"AAAAAAAA", "Alfa", "note\nof two lines"}, {"BBBBBBBB", "Žilina", ""}});
    Program p(dir.path(), false);
    p.frame.Filters.AddressCategoryFilter = "Work";
    p.data->OpenAdressTable(elsewhere / "Jano_address.d", "", elsewhere / "Jano_address.mpf");
    TVolgaTable& t = *p.data->AddressTable;
    EXPECT_EQ(FieldList(t), (std::vector<std::string>{"Number:String:8", "Firma:String:50", "Poznamka:Memo:0", "IBAN:String:30"}));
    EXPECT_EQ(Rows(t, {"Number", "Firma", "Poznamka"}),
              (std::vector<std::string>{"AAAAAAAA|Alfa|note\nof two lines|", "BBBBBBBB|Žilina||"}));
    // No category field: the category setting, button and filter are off.
    EXPECT_EQ(p.settings.Nastavenia[75], 0);
    EXPECT_EQ(p.frameWindow.hidden, 1);
    EXPECT_EQ(p.frame.Filters.AddressCategoryFilter, "");
    EXPECT_FALSE(fs::exists(dir.path() / "Jano_address.d"));
    EXPECT_FALSE(fs::exists(elsewhere / "Jano_address.mpf")); // local mode takes no lock

    TVolgaTable again;
    again.SetTableName((elsewhere / "Jano_address.d").string());
    again.Open();
    EXPECT_EQ(FieldList(again), FieldList(t));
}

TEST_F(DataModuleTest, AnOlderTaskTableGetsOnlyTheMissingPaymentFieldsAndAWiderTask) {
    const std::string longTask(50, 'u');
    WriteOldTable(dir.path() / "Jano_tasks.d",
                  {{"Number", ftString, 8}, {"Uloha", ftString, 50}, {"Owner", ftString, 20}, {"Note", ftString, 50}},
                  {{"AAAAAAAA", longTask, "Eva", "kept"}}, "tajne");
    Program p(dir.path(), true);
    int waits = 0;
    TTableLocks other;
    ASSERT_TRUE(other.LockTableFile(dir.path() / "Jano_tasks.mpf"));
    p.locks.OnWait = [&] {
        if (++waits == 2) other.UnlockTableFile();
        return true;
    };
    p.data->OpenTaskTable(dir.path() / "Jano_tasks.d", "tajne", dir.path() / "Jano_tasks.mpf");
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_tasks.d")[4], 'P'); // still enciphered under its password
    EXPECT_EQ(waits, 2); // the upgrade waited for the other program's lock
    EXPECT_FALSE(p.locks.TableLockHeld());
    TVolgaTable& t = *p.data->TaskTable;
    EXPECT_EQ(FieldList(t), (std::vector<std::string>{"Number:String:8", "Owner:String:20", "Note:String:50",
                                                      "Uloha:String:125", "Bank_pay:String:6", "Value_pay:String:20",
                                                      "Acount_pay:String:30", "Create_pay:String:30", "Var_pay:String:20",
                                                      "Const_pay:String:20", "Before_date:Integer:0", "Task_type:String:1"}));
    EXPECT_EQ(Rows(t, {"Number", "Uloha", "Owner", "Note"}), std::vector<std::string>{"AAAAAAAA|" + longTask + "|Eva|kept|"});
    EXPECT_EQ(p.data->UlohaSource->DataSet(), &t);
}

TEST_F(DataModuleTest, AnUpgradeThatAnotherProgramMadeWhileThisOneWaitedIsNotMadeAgain) {
    const fs::path file = dir.path() / "Jano_address.d";
    WriteOldTable(file, {{"Number", ftString, 8}, {"Firma", ftString, 50}}, {{"AAAAAAAA", "Alfa"}});
    Program p(dir.path(), true);
    TTableLocks other;
    ASSERT_TRUE(other.LockTableFile(dir.path() / "Jano_address.mpf"));
    p.locks.OnWait = [&] {
        if (other.TableLockHeld()) {
            WriteOldTable(file, {{"Number", ftString, 8}, {"Firma", ftString, 50}, {"IBAN", ftString, 30}},
                          {{"AAAAAAAA", "Alfa", "SK12"}});
            other.UnlockTableFile();
        }
        return true;
    };
    p.data->OpenAdressTable(file, "", dir.path() / "Jano_address.mpf");
    EXPECT_EQ(Rows(*p.data->AddressTable, {"Firma", "IBAN"}), std::vector<std::string>{"Alfa|SK12|"});
    EXPECT_EQ(p.data->AddressTable->FieldDefs().Count(), 3);
}

TEST_F(DataModuleTest, AnUpgradeThatCannotBeWrittenKeepsTheOldTableAndReleasesTheLock) {
    const fs::path file = dir.path() / "Jano_address.d";
    WriteOldTable(file, {{"Number", ftString, 8}, {"Firma", ftString, 50}}, {{"AAAAAAAA", "Alfa"}});
    const std::string before = ReadWholeFile(file);
    Program p(dir.path(), true);
    {
        FileSizeLimit full(before.size());
        EXPECT_THROW(p.data->OpenAdressTable(file, "", dir.path() / "Jano_address.mpf"), EDatabaseError);
    }
    ASSERT_NE(p.data->AddressTable, nullptr);
    EXPECT_EQ(p.data->AddressTable->FieldDefs().Count(), 2); // the old table is still there
    EXPECT_EQ(p.data->DataSourceZirt->DataSet(), p.data->AddressTable);
    EXPECT_FALSE(p.locks.TableLockHeld());
    EXPECT_EQ(ReadWholeFile(file), before);
}

TEST_F(DataModuleTest, FilterHandlers) {
    Program p(dir.path(), false);
    p.data->OpenAllTables("");
    TVolgaTable& a = *p.data->AddressTable;
    for (auto [user, split] : {std::pair{"WAB", "Work"}, {"Jano", "Work"}, {"WAB", "Private"}}) {
        a.Append();
        a.FieldByName("User").SetAsString(user);
        a.FieldByName("Split_field").SetAsString(split);
        a.Post();
    }
    EXPECT_EQ(a.FieldByName("Number").AsString().size(), 8u);
    FakeAddressBook book;
    p.frame.AddressBook = &book;
    a.Append();
    EXPECT_EQ(book.lastCode, a.FieldByName("Number").AsString()); // the window finds its new row by it
    a.Cancel();
    a.First();
    p.frame.Filters = {a.FieldByName("Number").AsString(), "Work", true, false};
    a.SetFiltered(true);
    EXPECT_EQ(Rows(a, {"User", "Split_field"}), (std::vector<std::string>{"WAB|Work|", "WAB|Private|"}));

    FakeLinksWindow links;
    p.frame.LinksWindow = &links;
    TVolgaTable& l = *p.data->LinksTable;
    l.Append();
    l.FieldByName("Type").SetAsString("Folder");
    l.Post();
    l.SetFiltered(true);
    links.combo = "Folder";
    l.Refresh();
    EXPECT_EQ(Rows(l, {"Type"}), std::vector<std::string>{"Folder|"});
    links.treePage = true;
    links.node = "HTML Document"; // the tree's selected type wins on the tree page
    l.Refresh();
    EXPECT_EQ(Rows(l, {"Type"}), std::vector<std::string>{"HTML Document|"});
    p.frame.Filters.LinksFilterActive = true; // the filter dialog's own filter: nothing tested here
    l.Refresh();
    EXPECT_EQ(l.RecordCount(), 2);

    FakeTasksWindow tasks;
    p.frame.TasksWindow = &tasks;
    tasks.selected = EncodeDate(2026, 12, 10);
    TKvMemoryData info;
    info.FieldDefs().Add("Date", ftDate);
    info.FieldDefs().Add("RepFreq", ftInteger);
    info.Open();
    struct Case {
        TDateTime date;
        int repFreq;
        bool shown;
    };
    const Case cases[] = {
        {EncodeDate(2019, 12, 10), 4, true},  // yearly, same day and month
        {EncodeDate(2019, 12, 11), 4, false},
        {EncodeDate(2026, 12, 10), 0, true},  // dated the selected day
        {EncodeDate(2026, 12, 3), 2, true},   // weekly, same weekday
        {EncodeDate(2026, 11, 10), 3, true},  // monthly, same day
        {EncodeDate(2026, 11, 11), 3, false},
        {EncodeDate(2020, 1, 1), 1, true},    // daily
        {EncodeDate(2026, 12, 9), 0, false},
    };
    for (const Case& c : cases) {
        info.Append();
        info.FieldByName("Date").SetAsDateTime(c.date);
        info.FieldByName("RepFreq").SetAsInteger(c.repFreq);
        info.Post();
        bool accept = true;
        p.data->InfoTableFilterRecord(info, accept);
        EXPECT_EQ(accept, c.shown) << c.date << " " << c.repFreq;
    }
}

// ---- memory tables ----

TEST_F(DataModuleTest, ReportRowsGoToFixedRecordsInWindows1250AndComeBack) {
    const std::string longAddress(300, 'a');
    {
        Program p(dir.path(), false);
        EXPECT_EQ(fs::file_size(p.data->ReportFileName()), 0u); // created empty
        for (auto [firm, address] : {std::pair{std::string("Žltá ľalia"), longAddress}, {std::string("Beta"), std::string("Ulica 1\nMesto")}}) {
            p.data->ReportTable->Append();
            p.data->ReportTable->FieldByName("Firma").SetAsString(firm);
            p.data->ReportTable->FieldByName("Adresa_1").SetAsString(address);
            p.data->ReportTable->Post();
        }
        p.data->TemplatesMemoryTable->Append();
        p.data->TemplatesMemoryTable->FieldByName("Name").SetAsString("A4 3x8");
        p.data->TemplatesMemoryTable->FieldByName("Stlpce").SetAsString("1234");
        p.data->TemplatesMemoryTable->FieldByName("Sirka").SetAsString("70");
        p.data->TemplatesMemoryTable->Post();
        p.data->DataModuleDestroy();
    }
    const std::string report = ReadWholeFile(dir.path() / "report.dat");
    ASSERT_EQ(report.size(), 2u * 647);
    EXPECT_EQ(report.substr(0, 11), std::string("\x0a") + Utf8ToCodePage("Žltá ľalia", 1250));
    EXPECT_EQ(static_cast<unsigned char>(report[133]), 255);
    EXPECT_EQ(report.substr(647, 5), "\x04" "Beta");
    EXPECT_EQ(report.substr(647 + 133, 14), "\x0d" "Ulica 1\nMesto");
    const std::string templates = ReadWholeFile(dir.path() / "Template" / "label_templates.dte");
    ASSERT_EQ(templates.size(), 326u);
    EXPECT_EQ(templates.substr(256, 4), "\x03" "123");
    EXPECT_EQ(templates.substr(260, 3), "\x02" "70");

    Program p(dir.path(), false);
    EXPECT_EQ(Rows(*p.data->TemplatesMemoryTable, {"Name", "Stlpce"}), std::vector<std::string>{"A4 3x8|123|"});
    TKvMemoryData& r = *p.data->ReportTable;
    EXPECT_EQ(Rows(r, {"Cislo", "Firma"}), (std::vector<std::string>{"1|Žltá ľalia|", "2|Beta|"}));
    r.First();
    EXPECT_EQ(r.FieldByName("Adresa_1").AsString(), std::string(255, 'a'));
    while (!r.IsEmpty()) r.Delete();
    p.data->DataModuleDestroy();
    EXPECT_EQ(fs::file_size(dir.path() / "report.dat"), 0u);
}

TEST_F(DataModuleTest, AFileWhoseLoadFailedIsNotWrittenBack) {
    const std::string damaged = std::string("\x04" "Alfa") + std::string(642, '\0') + "tail";
    WriteFileDurably(dir.path() / "report.dat", damaged);
    SettingsStore settings;
    FrameState frame;
    frame.DataFolder = frame.TableFolder = dir.path();
    TDataModule1 data(frame);
    EXPECT_THROW(data.DataModuleCreate(), FileError);
    EXPECT_EQ(data.ReportTable->RecordCount(), 1); // the whole record before the damage
    data.DataModuleDestroy();
    EXPECT_EQ(ReadWholeFile(dir.path() / "report.dat"), damaged);
    EXPECT_TRUE(fs::exists(dir.path() / "Template" / "label_templates.dte")); // the other file loaded and was written

    // A text the file's code page cannot hold is refused, and the file is left as it was.
    data.ReadTemplates();
    data.TemplatesMemoryTable->Append();
    data.TemplatesMemoryTable->FieldByName("Name").SetAsString("☃ snow");
    data.TemplatesMemoryTable->Post();
    EXPECT_THROW(data.WriteTemplates(), FileError);
    EXPECT_EQ(fs::file_size(dir.path() / "Template" / "label_templates.dte"), 0u);
}

} // namespace
} // namespace kvz
