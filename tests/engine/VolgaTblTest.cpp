#include "engine/KvMemDS.h"
#include "engine/VolgaSession.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace kvz {
namespace {

// A small address table in a folder of its own, created through the engine.
class TableTest : public ::testing::Test {
protected:
    TempFolder dir;
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.5};
    ScopedClock scope{clock};
    TVolgaDatabase db;
    std::vector<std::string> errors;

    void SetUp() override {
        db.SetDatabasePath(dir.path().string());
        SetApplicationExceptionHandler([this](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                errors.push_back(x.what());
            }
        });
        StartRecordKeyCounterAt(0);
        TVolgaTable t;
        t.SetDatabase(&db);
        t.FieldDefs().Add("Number", ftString, 8);
        t.FieldDefs().Add("Firma", ftString, 35);
        t.FieldDefs().Add("Pocet", ftInteger);
        t.FieldDefs().Add("Datum", ftDate);
        t.FieldDefs().Add("Aktivny", ftBoolean);
        t.FieldDefs().Add("Poznamka", ftMemo);
        t.Open();
        for (auto [firma, pocet, aktivny] : {std::tuple{"Žilinská a.s.", 3, true}, {"Alfa", 1, false}, {"čerešňa", 2, true}}) {
            t.Append();
            t.FieldByName("Number").SetAsString(NewRecordKey());
            t.FieldByName("Firma").SetAsString(firma);
            t.FieldByName("Pocet").SetAsInteger(pocet);
            t.FieldByName("Aktivny").SetAsBoolean(aktivny);
            t.Post();
        }
        t.SaveToFile(dir.path() / "Jano_address.d");
        t.Close();
    }
    void TearDown() override { SetApplicationExceptionHandler(nullptr); }

    void OpenTable(TVolgaTable& t) {
        t.SetDatabase(&db);
        t.SetTableName("Jano_address.d");
        t.Open();
    }
    static std::string Column(TVolgaTable& t, const char* name) {
        std::string out;
        t.First();
        while (!t.Eof()) {
            if (!out.empty()) out += ",";
            out += t.FieldByName(name).AsString();
            t.Next();
        }
        return out;
    }
};

TEST_F(TableTest, OpensAFileInTheDatabaseFolderAndReadsItsValues) {
    TVolgaTable t;
    OpenTable(t);
    EXPECT_EQ(t.FullFileName(), dir.path() / "Jano_address.d");
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(Column(t, "Firma"), "Žilinská a.s.,Alfa,čerešňa");
    EXPECT_EQ(Column(t, "Number"), "xXA00000,xXA00001,xXA00002");
    t.First();
    EXPECT_TRUE(t.FieldByName("Datum").IsNull()); // a date never set is empty
    EXPECT_FALSE(t.FieldByName("Pocet").IsNull());
    EXPECT_EQ(t.FieldByName("Aktivny").AsBoolean(), true);
    EXPECT_EQ(t.Version(), "ZuzezAR Engine v5.9");
    EXPECT_EQ(db.Attached().size(), 1u);

    TVolgaTable missing;
    missing.SetDatabase(&db);
    missing.SetTableName("Nobody_address.d");
    try {
        missing.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Error opening file " + (dir.path() / "Nobody_address.d").string());
    }
    EXPECT_FALSE(missing.Active());
    TVolgaTable empty;
    EXPECT_THROW(empty.Open(), EDatabaseError); // no field descriptions
}

TEST_F(TableTest, ChangesAreWrittenAsOneUnitAndCancelledAsOne) {
    TVolgaTable t;
    OpenTable(t);
    int notices = 0;
    t.OnNeedToSaveChange = [&](TDataSet&) { ++notices; };
    t.Locate("Firma", Variant("Alfa"), 0);
    const std::string before = ReadWholeFile(dir.path() / "Jano_address.d");
    t.Insert();
    t.FieldByName("Firma").SetAsString("Nová");
    t.Post();
    t.Locate("Firma", Variant("Alfa"), 0);
    t.Edit();
    t.FieldByName("Pocet").SetAsInteger(9);
    t.Post();
    t.Edit(); // a second edit of the same row, cancelled: the first one stays
    t.FieldByName("Pocet").SetAsInteger(99);
    t.Cancel();
    EXPECT_EQ(t.FieldByName("Pocet").AsInteger(), 9);
    t.Locate("Firma", Variant("čerešňa"), 0);
    t.Delete();
    EXPECT_EQ(t.ChangeCount(), 3); // the cancelled edit does not count
    EXPECT_EQ(db.Changed().size(), 1u);
    t.Locate("Firma", Variant("Alfa"), 0);
    t.CancelChanges();
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(t.ChangeCount(), 0);
    EXPECT_TRUE(db.Changed().empty());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Alfa"); // the current row stays
    EXPECT_EQ(t.FieldByName("Pocet").AsInteger(), 1);
    EXPECT_EQ(Column(t, "Firma"), "Žilinská a.s.,Alfa,čerešňa");
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_address.d"), before);

    t.Locate("Firma", Variant("Alfa"), 0);
    t.Edit();
    t.FieldByName("Pocet").SetAsInteger(5);
    t.ApplyChanges(); // posts and writes
    t.CommitChanges();
    TVolgaTable again;
    OpenTable(again);
    again.Locate("Firma", Variant("Alfa"), 0);
    EXPECT_EQ(again.FieldByName("Pocet").AsInteger(), 5);
}

TEST_F(TableTest, DefaultsOfNewRecordsAndTheKeyCheck) {
    TVolgaTable t;
    t.FieldDefs().Add("Number", ftString, 8);
    t.FieldDefs().Add("Kedy", ftDate);
    t.FieldDefs().Add("Slovo", ftString, 10);
    t.Open();
    t.FieldByName("Number").SetDefaultExpression("UNICOD");
    t.FieldByName("Kedy").SetDefaultExpression("TODAY");
    t.FieldByName("Slovo").SetDefaultExpression("TODAY");
    StartRecordKeyCounterAt(7);
    t.Append();
    EXPECT_EQ(t.FieldByName("Kedy").AsDateTime(), EncodeDate(2026, 12, 10));
    EXPECT_EQ(t.FieldByName("Slovo").AsString(), "TODAY");
    EXPECT_EQ(t.FieldByName("Number").AsString().size(), 8u);
    const std::string number = t.FieldByName("Number").AsString();
    t.Post();
    t.SetUniqueFieldNames("Number");
    t.Append();
    t.FieldByName("Number").SetAsString(number);
    t.Post(); // no check asked: accepted
    t.SetCheckKeyViolation(true);
    t.Append();
    t.FieldByName("Number").SetAsString(number);
    try {
        t.Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Error saving new record: Key violation");
    }
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 2);
}

TEST_F(TableTest, ReadOnlyRefusesEveryChangeWithItsOwnMessage) {
    TVolgaTable t;
    OpenTable(t);
    t.SetReadOnly(true);
    auto message = [&](auto op) {
        try {
            op();
        } catch (const EDatabaseError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { t.Insert(); }), "You have read only access, you can not add records!");
    EXPECT_EQ(message([&] { t.Edit(); }), "Read-only record cannot be changed");
    EXPECT_EQ(message([&] { t.Delete(); }), "Read-only record cannot be deleted");
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.ChangeCount(), 0);

    // Field values: outside edit state, a read-only field, and a data field while calculating.
    t.SetReadOnly(false);
    EXPECT_EQ(message([&] { t.FieldByName("Firma").SetAsString("x"); }), "Table is not in edit or insert mode");
    t.FieldByName("Firma").SetReadOnly(true);
    t.Edit();
    EXPECT_EQ(message([&] { t.FieldByName("Firma").SetAsString("x"); }), "Field 'Firma' is read only!");
    t.Cancel();

    TVolgaTable calc;
    calc.FieldDefs().Add("Name", ftString, 10);
    auto* name = new TStringField();
    name->SetFieldName("Name");
    name->SetSize(10);
    name->SetDataSet(&calc);
    auto* twice = new TStringField();
    twice->SetFieldName("Twice");
    twice->SetFieldKind(fkCalculated);
    twice->SetDataSet(&calc);
    std::string inCalc;
    calc.OnCalcFields = [&](TDataSet& d) {
        d.FieldByName("Twice").SetAsString(d.FieldByName("Name").AsString() + d.FieldByName("Name").AsString());
        inCalc = message([&] { d.FieldByName("Name").SetAsString("y"); });
    };
    calc.Open();
    calc.AppendRecord({Variant("ab")});
    EXPECT_EQ(calc.FieldByName("Twice").AsString(), "abab");
    EXPECT_EQ(inCalc, "Cannot edit CalcFields");
}

TEST_F(TableTest, SortsFiltersAndSearches) {
    TVolgaTable t;
    OpenTable(t);
    t.SetIndexFieldNames("Firma");
    EXPECT_EQ(Column(t, "Firma"), "Alfa,Žilinská a.s.,čerešňa"); // byte order: upper case first
    t.SetSortOptions(vsoCaseInsensitive);
    EXPECT_EQ(Column(t, "Firma"), "Alfa,čerešňa,Žilinská a.s.");
    t.SetSortOptions(vsoCaseInsensitive | vsoDescendSort);
    EXPECT_EQ(Column(t, "Firma"), "Žilinská a.s.,čerešňa,Alfa");
    t.SetIndexFieldNames("Aktivny;Pocet");
    t.SetSortOptions(0);
    EXPECT_EQ(Column(t, "Pocet"), "2,3,1"); // true before false

    // Binary search on the sorted index, a partial key, and a lookup that does not move.
    t.SetIndexFieldNames("Number");
    EXPECT_TRUE(t.Locate("Number", Variant("xXA00002"), 0));
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "čerešňa");
    EXPECT_FALSE(t.Locate("Firma", Variant("žilin"), 0));
    EXPECT_TRUE(t.Locate("Firma", Variant("ČEREŠŇA"), loCaseInsensitive));
    EXPECT_FALSE(t.Locate("Firma", Variant("ČEREŠ"), loCaseInsensitive));
    EXPECT_TRUE(t.Locate("Firma", Variant("žilin"), loCaseInsensitive | loPartialKey));
    EXPECT_TRUE(t.Lookup("Firma", Variant("Nikto"), "Pocet").IsNull());
    EXPECT_EQ(t.Lookup("Firma", Variant("Alfa"), "Pocet").AsInt64(), 1);
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Žilinská a.s.");

    // A filter text, a record filter, and a mistake that keeps the old filter.
    t.SetFilterText("Pocet >= 2");
    t.SetFiltered(true);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_THROW(t.SetFilterText("Pocet >="), EDatabaseError);
    EXPECT_EQ(t.Filter(), "Pocet >= 2");
    EXPECT_EQ(t.RecordCount(), 2);
    t.SetOnFilterRecord([](TDataSet& ds, bool& accept) { accept = ds.FieldByName("Aktivny").AsBoolean(); });
    t.SetFilterText("");
    EXPECT_EQ(Column(t, "Pocet"), "3,2");
    // Rows decided by their identity stand in for the record filter, under the filter text.
    {
        std::vector<uint32_t> ids;
        for (const TVolgaRow* row : t.ViewRows()) ids.push_back(row->Id);
        ASSERT_EQ(ids.size(), 2u);
        int asked = 0;
        t.SetRowIdentityFilter([&](uint32_t id) { return ++asked, id == ids[1]; });
        t.RebuildView(true);
        EXPECT_EQ(Column(t, "Pocet"), "2");
        EXPECT_EQ(asked, 3);
        t.SetFilterText("Pocet >= 3");
        EXPECT_EQ(t.RecordCount(), 0);
        t.SetFilterText("");
        t.SetRowIdentityFilter(nullptr);
        t.RebuildView(true);
        EXPECT_EQ(Column(t, "Pocet"), "3,2");
    }
    t.SetOnFilterRecord([](TDataSet&, bool&) { throw std::runtime_error("broken handler"); });
    EXPECT_EQ(t.RecordCount(), 0); // a failing handler rejects the row and is reported
    EXPECT_FALSE(errors.empty());
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 3);
    t.SetFilterText("Mesto = 'x'");
    EXPECT_THROW(t.SetFiltered(true), EDatabaseError);
}

TEST_F(TableTest, RangesAndMasterDetail) {
    TVolgaTable master, detail;
    OpenTable(master);
    detail.SetDatabase(&db);
    detail.SetTableName("Jano_address.d");
    detail.SetRangeFieldNames("Aktivny;Pocet;Firma");
    detail.Open();
    detail.SetRange("1\t\tA", "1\t5\tZ"); // an empty value in the middle keeps the later ones
    EXPECT_EQ(Column(detail, "Pocet"), "3,2");
    detail.SetRangeFieldNames("Aktivny;Pocet");
    detail.SetRange("1\t3", "1\t3");
    EXPECT_EQ(Column(detail, "Firma"), "Žilinská a.s.");
    detail.Refresh(); // the range stays
    EXPECT_EQ(Column(detail, "Firma"), "Žilinská a.s.");
    detail.CancelRange();
    EXPECT_EQ(detail.RecordCount(), 3);

    TDataSource source;
    source.SetDataSet(&master);
    detail.SetRangeFieldNames("Number");
    detail.SetMasterSource(&source);
    detail.SetMasterFields("Number");
    master.Locate("Firma", Variant("Alfa"), 0);
    EXPECT_EQ(Column(detail, "Firma"), "Alfa");
    master.Last();
    EXPECT_EQ(Column(detail, "Firma"), "čerešňa");
    EXPECT_THROW(master.SetMasterSource(&source), EDatabaseError); // circular
    detail.SetMasterSource(nullptr);
    EXPECT_EQ(detail.RecordCount(), 3);
}

TEST_F(TableTest, RefreshShowsWhatAnotherProgramWroteAndKeepsTheRecord) {
    TVolgaTable mine, theirs;
    OpenTable(mine);
    OpenTable(theirs);
    mine.SetUniqueFieldNames("Number");
    mine.SetIndexFieldNames("Firma");
    mine.Locate("Firma", Variant("Alfa"), 0);
    theirs.Append();
    theirs.FieldByName("Number").SetAsString("ZZZZZZZZ");
    theirs.FieldByName("Firma").SetAsString("AAA prvá");
    theirs.ApplyChanges();
    theirs.CommitChanges();
    mine.Refresh();
    EXPECT_EQ(mine.RecordCount(), 4);
    EXPECT_EQ(mine.FieldByName("Firma").AsString(), "Alfa");

    // Another program puts a field in front: every field still reads its own value.
    TVolgaCursor wider;
    std::string msg;
    ASSERT_TRUE(wider.LoadFromStream(ReadWholeFile(dir.path() / "Jano_address.d"), msg));
    TVolgaCursor rebuilt;
    rebuilt.AddField("Extra", TVolgaFieldKind::SmallStr, 5);
    for (const TVolgaField& f : wider.Fields()) rebuilt.AddField(f.Name, f.Kind, f.Size);
    for (const TVolgaRow* row : wider.Rows()) {
        TVolgaRowBuffer b = rebuilt.NewBuffer();
        for (const TVolgaField& f : wider.Fields()) SetValueBytes(b, *rebuilt.FindField(f.Name), ValueBytes(wider.Decode(*row), f));
        rebuilt.PostRow(b, nullptr, msg);
    }
    rebuilt.SaveToFile(dir.path() / "Jano_address.d");
    mine.Refresh();
    EXPECT_EQ(mine.FieldByName("Firma").AsString(), "Alfa");
    EXPECT_EQ(mine.FieldByName("Pocet").AsInteger(), 1);
}

// A sorted table read again after another program's write shows its rows in the order a table
// opened afresh shows them, whatever the other changed: the order kept from before is taken
// only where it is still the sorted one.
TEST_F(TableTest, ASortedTableReadAgainShowsTheOrderOfAFreshOpen) {
    constexpr int kRows = 50000;
    const std::filesystem::path file = dir.path() / "Sorted.d";
    {
        TVolgaCursor c;
        c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
        c.AddField("Meno", TVolgaFieldKind::SmallStr, 20);
        c.AddField("Mesto", TVolgaFieldKind::SmallStr, 20);
        const char* const names[] = {"Ján", "ján", "Peter", "Žofia", "Ľuba", "", "Anna"};
        std::string msg;
        for (int i = 0; i < kRows; ++i) {
            TVolgaRowBuffer b = c.NewBuffer();
            char code[16];
            std::snprintf(code, sizeof code, "%08d", (i * 7919) % kRows);
            SetValueBytes(b, c.Fields()[0], code);
            SetValueBytes(b, c.Fields()[1], Utf8ToCodePage(names[i % 7], 1250));
            SetValueBytes(b, c.Fields()[2], "Nitra");
            c.PostRow(b, nullptr, msg);
        }
        c.SaveToFile(file);
    }
    auto open = [&](TVolgaTable& t) {
        t.SetTableName(file.string());
        t.SetSortOptions(vsoCaseInsensitive);
        t.SetIndexFieldNames("Meno");
        t.Open();
    };
    auto codes = [](TVolgaTable& t) {
        std::vector<std::string> out;
        for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName("Number").AsString());
        return out;
    };
    struct Case {
        const char* name;
        std::function<void(TVolgaTable&)> change;
    };
    const std::vector<Case> cases = {
        {"another field", [](TVolgaTable& t) { t.Edit(); t.FieldByName("Mesto").SetAsString("Žilina"); t.Post(); }},
        {"the sort field", [](TVolgaTable& t) { t.Edit(); t.FieldByName("Meno").SetAsString("Bohuslav"); t.Post(); }},
        {"a row added", [](TVolgaTable& t) { t.Append(); t.FieldByName("Number").SetAsString("ZZZZZZZZ"); t.FieldByName("Meno").SetAsString("Ján"); t.Post(); }},
        {"a row gone", [](TVolgaTable& t) { t.Delete(); }},
        {"nothing", [](TVolgaTable&) {}},
    };
    TVolgaTable mine;
    open(mine);
    mine.SetRecNo(kRows / 2);
    const std::string current = mine.FieldByName("Number").AsString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            TVolgaTable theirs;
            theirs.SetTableName(file.string());
            theirs.Open();
            theirs.SetRecNo(kRows / 3);
            c.change(theirs);
            theirs.ApplyChanges();
            theirs.CommitChanges();
        }
        mine.Refresh();
        EXPECT_EQ(mine.FieldByName("Number").AsString(), current);
        TVolgaTable fresh;
        open(fresh);
        ASSERT_EQ(codes(mine), codes(fresh));
        mine.Locate("Number", Variant(current), 0);
    }
}

TEST_F(TableTest, ClonesShareTheRowsAndWriteTheSourceFile) {
    TVolgaTable source, clone;
    OpenTable(source);
    clone.SetCloneDS(&source);
    EXPECT_EQ(clone.LoadMode(), TVolgaLoadMode::lmClone);
    clone.Open();
    EXPECT_EQ(clone.RecordCount(), 3);
    EXPECT_THROW(source.Close(), EDatabaseError);
    clone.Append();
    clone.FieldByName("Firma").SetAsString("Klon");
    clone.ApplyChanges();
    clone.CommitChanges();
    EXPECT_EQ(source.RecordCount(), 4);
    clone.Close();
    source.Close();
    TVolgaTable again;
    OpenTable(again);
    EXPECT_EQ(again.RecordCount(), 4);
}

TEST_F(TableTest, BookmarksNameTheirRecordAcrossRefreshAndAGoneRecordIsReported) {
    TVolgaTable mine, theirs;
    OpenTable(mine);
    OpenTable(theirs);
    mine.SetIndexFieldNames("Firma");
    ASSERT_TRUE(mine.Locate("Firma", Variant("Alfa"), 0));
    const TBookmark alfa = mine.Bookmark();
    ASSERT_TRUE(mine.Locate("Firma", Variant("čerešňa"), 0));
    const TBookmark ceresna = mine.Bookmark();
    // Another program adds a row in front and deletes "čerešňa".
    theirs.Append();
    theirs.FieldByName("Number").SetAsString("ZZZZZZZZ");
    theirs.FieldByName("Firma").SetAsString("AAA prvá");
    ASSERT_TRUE(theirs.Locate("Firma", Variant("čerešňa"), 0));
    theirs.Delete();
    theirs.ApplyChanges();
    theirs.CommitChanges();
    mine.Refresh();
    mine.GotoBookmark(alfa);
    EXPECT_EQ(mine.FieldByName("Firma").AsString(), "Alfa");
    EXPECT_TRUE(mine.BookmarkValid(alfa));
    EXPECT_FALSE(mine.BookmarkValid(ceresna));
    EXPECT_THROW(mine.GotoBookmark(ceresna), EDatabaseError);
    EXPECT_EQ(mine.FieldByName("Firma").AsString(), "Alfa");
    // Delete removes the record the bookmark names and no other.
    mine.GotoBookmark(alfa);
    mine.Delete();
    EXPECT_EQ(Column(mine, "Firma"), "AAA prvá,Žilinská a.s.");
    EXPECT_THROW(mine.GotoBookmark(alfa), EDatabaseError);
}

TEST_F(TableTest, BookmarksCompareByTheirPlaceInTheView) {
    // Written Žilinská, Alfa, čerešňa: sorted by name the view turns the identities' order round.
    TVolgaTable t;
    OpenTable(t);
    t.SetSortOptions(vsoCaseInsensitive);
    t.SetIndexFieldNames("Firma");
    std::vector<TBookmark> marks;
    for (t.First(); !t.Eof(); t.Next()) marks.push_back(t.Bookmark());
    ASSERT_EQ(marks.size(), 3u);
    for (size_t i = 0; i < marks.size(); ++i)
        for (size_t j = 0; j < marks.size(); ++j)
            EXPECT_EQ(t.CompareBookmarks(marks[i], marks[j]), i < j ? -1 : i > j ? 1 : 0) << i << " " << j;
    // A record the view no longer shows comes after those it shows.
    t.SetFilterText("Pocet >= 2"); // hides Alfa
    t.SetFiltered(true);
    EXPECT_EQ(t.CompareBookmarks(marks[0], marks[1]), 1);
    EXPECT_EQ(t.CompareBookmarks(marks[2], marks[0]), -1);
}

TEST_F(TableTest, APartialLocateOnTheSortedFieldFindsTheFirstRowOfTheViewThatMatches) {
    // Many rows of names that differ in case and accents; in every order and with every key the
    // row found is the first of the view that begins with the key, whether the view's order is
    // used or the rows are scanned.
    const char* const names[] = {"ábel", "Abel", "ABELOVÁ", "čierny", "Cibula", "ciBULA", "Čaba", "d", "Ďurica",
                                 "žilina", "Zilina", "Žofia", "", "123", "-x", "ň", "Ňa", "n", "ŇA"};
    TVolgaTable t;
    OpenTable(t);
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        t.Append();
        t.FieldByName("Number").SetAsString(NewRecordKey());
        t.FieldByName("Firma").SetAsString(std::string(names[rng() % std::size(names)]) + (i % 2 ? "" : " " + std::to_string(i)));
        t.Post();
    }
    auto firstMatch = [&](const std::string& key, TLocateOptions options) {
        std::string want = key;
        if (options & loCaseInsensitive) want = Utf8Upper(want);
        int recNo = 1;
        for (t.First(); !t.Eof(); t.Next(), ++recNo) {
            std::string have = t.FieldByName("Firma").AsString();
            if (options & loCaseInsensitive) have = Utf8Upper(have);
            if ((options & loPartialKey) ? have.compare(0, want.size(), want) == 0 : have == want) return recNo;
        }
        return 0;
    };
    const char* const keys[] = {"a", "A", "á", "ab", "ABELOVÁ", "abelová", "c", "č", "Ci", "d", "ď", "n", "ň",
                                "Ňa", "z", "ž", "Žilina", "Zilina", "1", "-", "q", "žofia 1", "Čaba"};
    for (const TVolgaSortOptions sort : {0u, unsigned(vsoCaseInsensitive), unsigned(vsoCaseInsensitive | vsoDescendSort)}) {
        t.SetSortOptions(sort);
        for (const char* fields : {"Firma", "Firma;Number", "Number"}) {
            t.SetIndexFieldNames(fields);
            for (const char* key : keys)
                for (const TLocateOptions options : {TLocateOptions(loPartialKey), loCaseInsensitive | loPartialKey, TLocateOptions(loCaseInsensitive)}) {
                    const int expected = firstMatch(key, options);
                    t.First();
                    const bool found = t.Locate("Firma", Variant(key), options);
                    EXPECT_EQ(found ? t.RecNo() : 0, expected) << key << " sort " << sort << " " << fields << " options " << options;
                }
        }
    }
}

TEST_F(TableTest, RefreshWritesPendingChangesAndLeavesTheTableUnmarked) {
    TVolgaTable t;
    OpenTable(t);
    t.SetIndexFieldNames("Firma");
    t.Locate("Firma", Variant("Alfa"), 0);
    t.Edit();
    t.FieldByName("Pocet").SetAsInteger(9);
    t.Post();
    ASSERT_TRUE(t.Changed());
    t.Refresh();
    EXPECT_FALSE(t.Changed());
    EXPECT_TRUE(db.Changed().empty());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Alfa");
    EXPECT_EQ(t.FieldByName("Pocet").AsInteger(), 9);
    TVolgaTable again;
    OpenTable(again);
    again.Locate("Firma", Variant("Alfa"), 0);
    EXPECT_EQ(again.FieldByName("Pocet").AsInteger(), 9);
}

TEST_F(TableTest, RefreshOfATableWithoutAFileKeepsItsRows) {
    TVolgaTable t;
    t.FieldDefs().Add("Name", ftString, 20);
    t.Open();
    t.AppendRecord({Variant("kept")});
    t.Refresh();
    EXPECT_EQ(Column(t, "Name"), "kept");
    EXPECT_TRUE(t.Changed());
}

TEST_F(TableTest, AClonesRowsFollowItsSourceThroughRefreshAndItsEnd) {
    auto source = std::make_unique<TVolgaTable>();
    OpenTable(*source);
    TVolgaTable clone;
    clone.SetCloneDS(source.get());
    clone.Open();
    clone.SetIndexFieldNames("Firma");
    clone.Locate("Firma", Variant("čerešňa"), 0);
    {
        TVolgaTable theirs;
        OpenTable(theirs);
        theirs.Locate("Firma", Variant("Alfa"), 0);
        theirs.Edit();
        theirs.FieldByName("Firma").SetAsString("Alfa 2");
        theirs.ApplyChanges();
        theirs.CommitChanges();
    }
    source->Refresh();
    EXPECT_EQ(clone.FieldByName("Firma").AsString(), "čerešňa");
    EXPECT_EQ(Column(clone, "Firma"), "Alfa 2,Žilinská a.s.,čerešňa"); // byte order
    // Destroying the source closes its clone and raises nothing.
    EXPECT_NO_THROW(source.reset());
    EXPECT_FALSE(clone.Active());
    EXPECT_TRUE(errors.empty());
}

TEST_F(TableTest, SharedWritersSeeWhetherTheFileIsTheOneTheyRead) {
    TVolgaTable mine, theirs;
    OpenTable(mine);
    OpenTable(theirs);
    EXPECT_TRUE(mine.FileUnchanged());
    mine.Locate("Firma", Variant("Alfa"), 0);
    mine.Edit();
    mine.FieldByName("Pocet").SetAsInteger(5);
    mine.ApplyChanges();
    mine.CommitChanges();
    EXPECT_TRUE(mine.FileUnchanged()); // its own write
    EXPECT_FALSE(theirs.FileUnchanged());
    theirs.Refresh();
    EXPECT_TRUE(theirs.FileUnchanged());
}

TEST_F(TableTest, ASparseFileIsRefusedUnread) {
    // A sparse file of three gigabytes holds no table's kind: refused after its first bytes, with
    // no room taken.
    const auto file = dir.path() / "Jano_sparse.d";
    {
        const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(3) << 30), 0);
        ::close(fd);
    }
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    TVolgaTable t;
    t.SetDatabase(&db);
    t.SetTableName("Jano_sparse.d");
    try {
        t.Open();
        ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Error opening table: Buffer structure corruption!");
    }
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024); // kilobytes
}

// A file of another length than its block declares is read as it is: the declared length does
// not count, whatever it says; a file cut short makes the reader say what is missing, and a
// partial open keeps the rows before the cut.
TEST_F(TableTest, FilesOfAnotherLengthThanTheyDeclareAreReadAsTheyAre) {
    const std::string block = ReadWholeFile(dir.path() / "Jano_address.d");
    std::string twoRows;
    {
        TVolgaCursor c;
        std::string msg;
        ASSERT_TRUE(c.LoadFromStream(block, msg));
        ASSERT_TRUE(c.DeleteRow(c.Rows().back(), msg));
        c.SaveToStream(twoRows);
    }
    auto declaring = [&](int32_t length) {
        std::string b = block;
        WriteLE<int32_t>(b.data(), length);
        return b;
    };
    const std::string corrupt = "Error opening table: Buffer structure corruption!";
    struct Case {
        std::string name, bytes;
        std::string message; // of a plain open, empty when it opens
        int partialRows;     // rows a partial open shows; -1: it fails as a plain open does
        std::string partialMessage;
    };
    const std::vector<Case> cases = {
        {"junk after the block", block + "junk", "", 3, ""},
        {"a second table after the block", block + block, "", 3, ""},
        {"declares more than it holds", declaring(static_cast<int32_t>(block.size()) + 1000), "", 3, ""},
        {"declares less than it holds", declaring(static_cast<int32_t>(block.size()) - 10), "", 3, ""},
        {"declares less than its head", declaring(10), "", 3, ""},
        {"declares the kind byte alone", declaring(5), "", 3, ""},
        {"declares no length", declaring(0), "", 3, ""},
        {"declares a length of -1", declaring(-1), "", 3, ""},
        {"declares a negative length", declaring(-5), "", 3, ""},
        {"declares no length and is cut inside the last row", declaring(0).substr(0, block.size() - 3),
         "Error opening table: Unexpected end of buffer", 2, "Unexpected end of buffer"},
        {"cut inside the last row", block.substr(0, block.size() - 3), "Error opening table: Unexpected end of buffer", 2,
         "Unexpected end of buffer"},
        {"cut after a row", block.substr(0, twoRows.size()),
         "Error opening table: Number of records read (2) does not match declared record count (3)", 2,
         "Number of records read (2) does not match declared record count (3)"},
        {"cut inside the head", block.substr(0, 30), corrupt, -1, ""},
        {"three bytes", block.substr(0, 3), corrupt, -1, ""},
        {"empty", "", corrupt, -1, ""},
    };
    const auto file = dir.path() / "Jano_cut.d";
    for (const Case& c : cases) {
        WriteFileDurably(file, c.bytes);
        for (bool partial : {false, true}) {
            SCOPED_TRACE(c.name + (partial ? ", partial open" : ""));
            errors.clear();
            TVolgaTable t;
            t.SetDatabase(&db);
            t.SetTableName("Jano_cut.d");
            t.SetPartialOpen(partial);
            const bool opens = partial ? c.partialRows >= 0 : c.message.empty();
            if (!opens) {
                try {
                    t.Open();
                    ADD_FAILURE() << "opened";
                } catch (const EDatabaseError& e) {
                    EXPECT_EQ(std::string(e.what()), c.message);
                }
                EXPECT_FALSE(t.Active());
                continue;
            }
            ASSERT_NO_THROW(t.Open());
            EXPECT_EQ(t.RecordCount(), partial ? c.partialRows : 3);
            const std::string shown = partial ? c.partialMessage : "";
            EXPECT_EQ(errors, shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{shown});
        }
    }
}

TEST(ViewRows, DeletingWhereverKeepsTheOrderOfTheRest) {
    std::vector<TVolgaRow> rows(64);
    TViewRows view;
    std::vector<TVolgaRow*> model;
    for (TVolgaRow& r : rows) {
        view.push_back(&r);
        model.push_back(&r);
    }
    std::mt19937 rng(5);
    for (int step = 0; step < 200 && !model.empty(); ++step) {
        const size_t i = rng() % 4 == 0 ? rng() % model.size() : (step % 2 ? 0 : model.size() - 1);
        if (rng() % 5 == 0) {
            view.insert(i, &rows[i]);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(i), &rows[i]);
        } else {
            view.erase(i);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
        }
        ASSERT_EQ(view.size(), model.size());
        for (size_t k = 0; k < model.size(); ++k) ASSERT_EQ(view[k], model[k]) << step;
    }
    EXPECT_EQ(view.Rows(), model);
}

TEST(ViewRows, FindsEachRowsPlaceAfterWhateverMovedIt) {
    std::deque<TVolgaRow> pool;
    auto fresh = [&] {
        pool.emplace_back();
        pool.back().Id = static_cast<uint32_t>(pool.size()) * 3; // gaps between identities
        return &pool.back();
    };
    TViewRows view;
    std::vector<TVolgaRow*> model;
    std::mt19937 rng(11);
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = rng() % 10;
        if (op < 3 || model.empty()) {
            TVolgaRow* r = fresh();
            view.push_back(r);
            model.push_back(r);
        } else if (op < 6) {
            // Mostly from the end up, as marked rows are deleted; sometimes anywhere.
            const size_t i = rng() % 3 ? model.size() - 1 - rng() % std::min<size_t>(model.size(), 4) : rng() % model.size();
            view.erase(i);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (op < 8) {
            const size_t i = rng() % (model.size() + 1);
            TVolgaRow* r = fresh();
            view.insert(i, r);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(i), r);
        } else if (op == 8) {
            std::shuffle(view.Reorder().begin(), view.Reorder().end(), rng);
            model = view.Rows();
        } else if (rng() % 50 == 0) {
            view.clear();
            model.clear();
        }
        // A few rows looked up after each step, every row now and then; gone rows are not found.
        const size_t checks = step % 97 == 0 ? model.size() : std::min<size_t>(model.size(), 3);
        for (size_t k = 0; k < checks; ++k) {
            const size_t i = checks == model.size() ? k : rng() % model.size();
            ASSERT_EQ(view.IndexOf(model[i]), static_cast<int>(i)) << step;
        }
        if (!pool.empty()) {
            TVolgaRow* any = &pool[rng() % pool.size()];
            const auto it = std::find(model.begin(), model.end(), any);
            ASSERT_EQ(view.IndexOf(any), it == model.end() ? -1 : static_cast<int>(it - model.begin())) << step;
        }
    }
}

std::string MessageOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return "no error";
}

TEST_F(TableTest, InsertInOrderFindingByFilterStreamsAndTheRefusalsOfClonesAndMasters) {
    TVolgaTable t;
    OpenTable(t);
    t.SetSortOptions(vsoCaseInsensitive | vsoInsertInOrder);
    t.SetIndexFieldNames("Firma");
    t.Last();
    t.Append();
    t.FieldByName("Firma").SetAsString("beta");
    t.FieldByName("Pocet").SetAsInteger(0);
    t.Post();
    EXPECT_EQ(t.RecNo(), 2); // moved into its place and still current
    EXPECT_EQ(Column(t, "Firma"), "Alfa,beta,čerešňa,Žilinská a.s.");

    // Finding by the filter text without filtering the view.
    t.SetFilterText("Pocet >= 2");
    ASSERT_TRUE(t.FindFirst());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "čerešňa");
    ASSERT_TRUE(t.FindNext());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Žilinská a.s.");
    EXPECT_FALSE(t.FindNext());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Žilinská a.s."); // stays where it was
    ASSERT_TRUE(t.FindLast());
    ASSERT_TRUE(t.FindPrior());
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "čerešňa");
    EXPECT_EQ(t.RecordCount(), 4);

    // A table read from a block in memory, and one whose block is missing.
    const std::string block = ReadWholeFile(dir.path() / "Jano_address.d");
    TVolgaTable fromStream;
    fromStream.SetLoadMode(TVolgaLoadMode::lmStream);
    EXPECT_EQ(MessageOf([&] { fromStream.Open(); }), "Loading stream is not assigned");
    fromStream.SetLoadStream(&block);
    fromStream.Open();
    EXPECT_EQ(fromStream.RecordCount(), 3);
    EXPECT_EQ(fromStream.FieldByName("Firma").AsString(), "Žilinská a.s.");

    // Clones need an open source, which stays open while they are.
    TVolgaTable source, clone;
    clone.SetCloneDS(&source);
    EXPECT_EQ(MessageOf([&] { clone.Open(); }), "Cloned table is not active!");
    OpenTable(source);
    clone.Open();
    EXPECT_EQ(MessageOf([&] { source.Close(); }), "Cloned tables are not closed before source dataset is closed!");
    clone.Close();

    // A master must be another table of the engine.
    TKvMemoryData memory;
    TDataSource memorySource, ownSource;
    memorySource.SetDataSet(&memory);
    ownSource.SetDataSet(&t);
    EXPECT_EQ(MessageOf([&] { t.SetMasterSource(&memorySource); }),
              "Use only TVolgaDataset descendants for master-detail relationship");
    EXPECT_EQ(MessageOf([&] { t.SetMasterSource(&ownSource); }), "Circular data link");
    EXPECT_EQ(t.MasterSource(), nullptr);
}

TEST_F(TableTest, APasswordAppliesFromTheNextWrite) {
    {
        TVolgaTable t;
        OpenTable(t);
        t.SetPassword("tajné");
        EXPECT_TRUE(t.Changed());
        t.ApplyChanges();
        t.CommitChanges();
    }
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_address.d")[4], 'P');
    TVolgaTable t;
    OpenTable(t); // the session knows the password
    EXPECT_EQ(t.Password(), "tajné");
    EXPECT_EQ(t.RecordCount(), 3);
    t.SetPassword("");
    EXPECT_TRUE(VolgaSession().Passwords().empty());
}

TEST_F(TableTest, ExportsComeBackToTheirRecord) {
    TVolgaTable t;
    OpenTable(t);
    t.SetFieldOrigin("Adresy");
    t.Locate("Firma", Variant("Alfa"), 0);
    std::vector<int> progress;
    t.OnCallback = [&](TVolgaDataset&, int percent) { progress.push_back(percent); };
    t.ExportToXml(dir.path() / "Jano_address.xml", "windows-1250");
    t.ExportToDbf(dir.path() / "Jano_address.dbf", false);
    progress.clear();
    EXPECT_EQ(t.ExportToXls(dir.path() / "Jano_address.xls"), dir.path() / "Jano_address.xlsx");
    EXPECT_EQ(progress, (std::vector<int>{10, 55, 70, 85, 95, 100}));
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Alfa");
    const std::string xml = CodePageToUtf8(ReadWholeFile(dir.path() / "Jano_address.xml"), 1250);
    EXPECT_NE(xml.find("encoding=\"windows-1250\""), std::string::npos);
    EXPECT_NE(xml.find("Žilinská a.s."), std::string::npos);
    EXPECT_NE(xml.find("rs:basetable=\"Adresy\""), std::string::npos); // the table's origin text
    EXPECT_TRUE(fs::exists(dir.path() / "Jano_address.dbf"));
    EXPECT_TRUE(fs::exists(dir.path() / "Jano_address.xlsx"));
    EXPECT_THROW(t.ExportToDbf(dir.path() / "Jano_address.txt", false), std::exception);
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Alfa");
}

TEST_F(TableTest, DestroyingTheDatabaseClosesItsTables) {
    auto* database = new TVolgaDatabase();
    EXPECT_EQ(VolgaSession().Databases().back(), database);
    database->SetDatabasePath(dir.path().string() + "/");
    EXPECT_EQ(database->DatabasePath(), dir.path().string() + "/");
    TVolgaTable a, b;
    for (TVolgaTable* t : {&a, &b}) {
        t->SetDatabase(database);
        t->SetTableName("Jano_address.d");
        t->Open();
    }
    delete database;
    EXPECT_EQ(std::count(VolgaSession().Databases().begin(), VolgaSession().Databases().end(), database), 0);
    EXPECT_FALSE(a.Active());
    EXPECT_FALSE(b.Active());
    EXPECT_EQ(a.Database(), nullptr);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(TableTest, MemoStreamsCommitOrRefuse) {
    TVolgaTable t;
    OpenTable(t);
    TField& memo = t.FieldByName("Poznamka");
    try {
        TVolgaBlobStream s(memo, bmWrite);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Table is not in edit or insert mode");
    }
    t.Edit();
    {
        TVolgaBlobStream s(memo, bmWrite);
        s.Write("Zavolať v pondelok", 19);
        s.Commit();
        EXPECT_FALSE(s.Modified());
    }
    EXPECT_EQ(memo.AsString(), "Zavolať v pondelok");
    {
        TVolgaBlobStream empty(memo, bmWrite); // written empty: the memo has no value
    }
    EXPECT_TRUE(memo.IsNull());
    t.Post();
    memo.SetReadOnly(true);
    t.Edit();
    EXPECT_THROW(TVolgaBlobStream(memo, bmReadWrite), EDatabaseError);
    t.Cancel();
}

TEST_F(TableTest, ADetailFollowsItsMasterByTypedValues) {
    TVolgaTable master, detail;
    OpenTable(master);
    master.First();
    master.Edit();
    master.FieldByName("Datum").SetAsDateTime(EncodeDate(2026, 3, 7));
    master.Post();
    detail.FieldDefs().Add("Kedy", ftDate);
    detail.FieldDefs().Add("Co", ftString, 20);
    detail.Open();
    for (auto [when, what] : {std::pair{EncodeDate(2026, 3, 7), "jar"}, {EncodeDate(2026, 7, 3), "leto"}}) {
        detail.Append();
        detail.FieldByName("Kedy").SetAsDateTime(when);
        detail.FieldByName("Co").SetAsString(what);
        detail.Post();
    }
    TDataSource source;
    source.SetDataSet(&master);
    detail.SetRangeFieldNames("Kedy");
    detail.SetMasterSource(&source);
    detail.SetMasterFields("Datum");
    EXPECT_EQ(Column(detail, "Co"), "jar");
    detail.Append(); // a new detail record belongs to the master
    EXPECT_EQ(detail.FieldByName("Kedy").AsDateTime(), EncodeDate(2026, 3, 7));
    detail.Cancel();
}

} // namespace
} // namespace kvz
