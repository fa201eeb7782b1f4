// The memory dataset.
#include <gtest/gtest.h>

#include "engine/DbUtils.h"
#include "engine/KvMemDS.h"
#include "engine/VolgaTbl.h"

using namespace kvz;

namespace {

class MemFixture : public ::testing::Test {
protected:
    void SetUp() override {
        md.SetName("Mem");
        md.FieldDefs().Add("Id", ftAutoInc);
        md.FieldDefs().Add("Name", ftString, 20);
        md.FieldDefs().Add("Amount", ftFloat);
        md.FieldDefs().Add("Born", ftDate);
        md.FieldDefs().Add("Note", ftMemo);
        md.Open();
    }
    void Add(const std::string& name, double amount = 0) {
        md.Append();
        md.FieldByName("Name").SetAsString(name);
        md.FieldByName("Amount").SetAsFloat(amount);
        md.Post();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        TBookmark b = md.GetBookmark();
        for (md.First(); !md.Eof(); md.Next()) out.push_back(md.FieldByName("Name").AsString());
        TryGotoBookmark(md, b);
        return out;
    }
    std::string Current() { return md.FieldByName("Name").AsString(); }
    TKvMemoryData md;
};

TEST_F(MemFixture, InsertGoesBeforeTheCurrentRecordAppendToTheEnd) {
    Add("A");
    Add("C");
    md.First();
    md.Next(); // C
    md.Insert();
    md.FieldByName("Name").SetAsString("B");
    md.Post();
    EXPECT_EQ(Current(), "B");
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    md.First();
    md.Insert();
    md.FieldByName("Name").SetAsString("0");
    md.Post();
    EXPECT_EQ(md.RecNo(), 1);
    EXPECT_EQ(md.RecordCount(), 4);
}

TEST_F(MemFixture, DeleteMovesToTheNextOrThePriorRecord) {
    for (const char* n : {"A", "B", "C", "D"}) Add(n);
    md.First();
    md.Next();
    md.Delete(); // B
    EXPECT_EQ(Current(), "C");
    md.Last();
    md.Delete(); // D, the last: the one before
    EXPECT_EQ(Current(), "C");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
    md.Delete();
    md.Delete();
    EXPECT_TRUE(md.IsEmpty());
    EXPECT_THROW(md.Delete(), EDatabaseError);
}

TEST_F(MemFixture, RecordIdentifiersOnlyGrowWhileOpen) {
    Add("A");
    TBookmark first = md.GetBookmark();
    Add("B");
    Add("C");
    while (!md.IsEmpty()) md.Delete();
    Add("D");
    TBookmark fresh = md.GetBookmark();
    EXPECT_NE(fresh, first);              // the old bookmark names no new record
    EXPECT_FALSE(md.BookmarkValid(first));
    EXPECT_FALSE(TryGotoBookmark(md, first));
    EXPECT_THROW(md.GotoBookmark(first), EDatabaseError); // "Record not found", not a neighbour
    EXPECT_EQ(Current(), "D");
    EXPECT_EQ(md.CompareBookmarks(first, fresh), -1);
    md.Close();
    md.Open();
    Add("E");
    EXPECT_EQ(md.GetBookmark(), first); // numbering restarts at open
}

TEST_F(MemFixture, DeletingKeptBookmarksDeletesThoseRecords) {
    // A grid keeps the bookmarks of its selected rows and deletes them one by one.
    for (const char* n : {"A", "B", "C", "D", "E"}) Add(n);
    std::vector<TBookmark> selected;
    md.First();
    md.Next();
    selected.push_back(md.GetBookmark()); // B
    md.Next();
    md.Next();
    selected.push_back(md.GetBookmark()); // D
    for (const TBookmark& b : selected) {
        ASSERT_TRUE(TryGotoBookmark(md, b));
        md.Delete();
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "E"}));
    for (const TBookmark& b : selected) EXPECT_FALSE(TryGotoBookmark(md, b));
}

TEST_F(MemFixture, AutoIncrementNumbersInPostingOrder) {
    md.Append();
    md.FieldByName("Id").SetAsInteger(77); // whatever is typed
    md.FieldByName("Name").SetAsString("A");
    md.Post();
    Add("B");
    Add("C");
    std::vector<int> ids;
    for (md.First(); !md.Eof(); md.Next()) ids.push_back(md.FieldByName("Id").AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    md.First();
    md.Edit();
    md.FieldByName("Name").SetAsString("A2");
    md.Post();
    EXPECT_EQ(md.FieldByName("Id").AsInteger(), 1); // an edit keeps its number
    md.Close();
    md.Open();
    Add("D");
    EXPECT_EQ(md.FieldByName("Id").AsInteger(), 1);
}

TEST(MemoryData, TwoAutoIncrementFieldsShareOneNumber) {
    TKvMemoryData md;
    md.FieldDefs().Add("A", ftAutoInc);
    md.FieldDefs().Add("B", ftAutoInc);
    md.Open();
    md.Append();
    md.Post();
    md.Append();
    md.Post();
    EXPECT_EQ(md.FieldByName("A").AsInteger(), 2);
    EXPECT_EQ(md.FieldByName("B").AsInteger(), 2);
    EXPECT_EQ(md.AutoIncValue(), 3);
}

TEST_F(MemFixture, ValuesRoundTripAndEmptyStringsAreNull) {
    md.Append();
    md.FieldByName("Name").SetAsString("");
    md.FieldByName("Amount").SetAsFloat(-2.5);
    md.FieldByName("Born").SetAsDateTime(EncodeDate(1999, 12, 31));
    md.FieldByName("Note").SetAsString("long memo");
    md.Post();
    EXPECT_TRUE(md.FieldByName("Name").IsNull());
    EXPECT_DOUBLE_EQ(md.FieldByName("Amount").AsFloat(), -2.5);
    EXPECT_EQ(md.FieldByName("Born").AsDateTime(), EncodeDate(1999, 12, 31));
    EXPECT_EQ(md.FieldByName("Note").AsString(), "long memo");
    EXPECT_TRUE(md.FieldByName("Id").AsInteger() == 1);
}

TEST_F(MemFixture, FilterEventAndDeletingTheLastFilteredRecord) {
    for (const char* n : {"A1", "B", "A2", "C", "A3"}) Add(n);
    md.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("Name").AsString()[0] == 'A'; });
    md.SetFiltered(true);
    EXPECT_EQ(Current(), "A1");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A1", "A2", "A3"}));
    EXPECT_EQ(md.RecordCount(), 5); // regardless of the filter
    EXPECT_FALSE(md.IsSequenced());
    md.Last();
    md.Delete(); // A3: back to the nearest earlier record that passes
    EXPECT_EQ(Current(), "A2");
    md.SetFiltered(false);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A1", "B", "A2", "C"}));
}

TEST_F(MemFixture, RowsAreReadByPositionOfTheFilteredView) {
    for (const char* name : {"A", "B", "C", "D"}) Add(name);
    md.First();
    int scrolls = 0;
    md.AfterScroll = [&](TDataSet&) { ++scrolls; };
    auto buffer = md.NewRecordBuffer();
    auto nameAt = [&](int index) {
        if (!md.ReadRecordAt(index, *buffer)) return std::string("-");
        TRecordReadScope scope(md, *buffer);
        return md.FieldByName("Name").AsString();
    };
    EXPECT_EQ(nameAt(2), "C");
    EXPECT_EQ(nameAt(4), "-");
    md.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("Name").AsString() != "B"; });
    md.SetFiltered(true);
    scrolls = 0;
    EXPECT_EQ(nameAt(1), "C");
    EXPECT_EQ(nameAt(2), "D");
    EXPECT_EQ(nameAt(3), "-");
    EXPECT_EQ(Current(), "A");
    EXPECT_EQ(scrolls, 0);
}

TEST_F(MemFixture, AFailingFilterRejectsTheRecordAndReportsIt) {
    for (const char* n : {"A", "B", "C"}) Add(n);
    std::vector<std::string> reported;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported.push_back(x.what());
        }
    });
    md.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        if (d.FieldByName("Name").AsString() == "B") throw std::runtime_error("filter failed on B");
        accept = true;
    });
    md.SetFiltered(true);
    std::vector<std::string> names = Names();
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "C"}));
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.front(), "filter failed on B");
}

TEST_F(MemFixture, LocateScansAndStaysWhenNothingMatches) {
    for (const char* n : {"Adam", "Berta", "Cecil"}) Add(n);
    md.First();
    EXPECT_TRUE(md.Locate("Name", Variant("ber"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Current(), "Berta");
    EXPECT_FALSE(md.Locate("Name", Variant("ber"), 0));
    EXPECT_EQ(Current(), "Berta");
    EXPECT_TRUE(md.Locate("Id", Variant(3), 0));
    EXPECT_EQ(Current(), "Cecil");
    EXPECT_TRUE(md.Locate("Name;Id", Variant(std::vector<Variant>{Variant("Adam"), Variant(1)}), 0));
    EXPECT_EQ(Current(), "Adam");
}

TEST_F(MemFixture, RecordNumbers) {
    for (const char* n : {"A", "B", "C"}) Add(n);
    md.SetRecNo(2);
    EXPECT_EQ(Current(), "B");
    EXPECT_EQ(md.RecNo(), 2);
    md.SetRecNo(0);
    EXPECT_EQ(md.RecNo(), 2);
    md.SetRecNo(4);
    EXPECT_EQ(md.RecNo(), 2);
}

TEST_F(MemFixture, BlobStreams) {
    Add("A");
    md.Edit();
    {
        auto s = md.CreateBlobStream(md.FieldByName("Note"), bmWrite);
        s->WriteString("hello ");
        s->WriteString("world");
    }
    EXPECT_EQ(md.FieldByName("Note").AsString(), "hello world");
    EXPECT_TRUE(md.Modified());
    md.Post();
    {
        auto s = md.CreateBlobStream(md.FieldByName("Note"), bmRead);
        EXPECT_EQ(s->Size(), 11);
        s->Seek(6, TSeekOrigin::soBeginning);
        EXPECT_EQ(s->ReadAll(), "world");
    }
    EXPECT_THROW(md.CreateBlobStream(md.FieldByName("Note"), bmWrite), EDatabaseError); // browsing
    EXPECT_THROW(md.CreateBlobStream(md.FieldByName("Name"), bmRead), EDatabaseError);  // no BLOB
    md.Edit();
    {
        auto s = md.CreateBlobStream(md.FieldByName("Note"), bmWrite); // starts empty
    }
    md.Post();
    EXPECT_TRUE(md.FieldByName("Note").IsNull());
}

TEST(MemoryData, WideRecordsKeepTheirOffsets) {
    TKvMemoryData md;
    for (int i = 0; i < 20; ++i) md.FieldDefs().Add("S" + std::to_string(i), ftString, 1000);
    md.FieldDefs().Add("Last", ftInteger);
    md.Open();
    EXPECT_GT(md.RecordDataSize(), 65535);
    EXPECT_GT(md.FieldOffset(20), 65535u);
    md.Append();
    md.FieldByName("S19").SetAsString(std::string(1000, 'x'));
    md.FieldByName("Last").SetAsInteger(123456);
    md.Post();
    EXPECT_EQ(md.FieldByName("Last").AsInteger(), 123456);
    EXPECT_EQ(md.FieldByName("S19").AsString(), std::string(1000, 'x'));
    EXPECT_TRUE(md.FieldByName("S0").IsNull());
}

TEST_F(MemFixture, PersistentAndCalculatedFields) {
    TKvMemoryData p;
    auto* name = new TStringField();
    name->SetFieldName("Name");
    name->SetSize(5);
    name->SetDataSet(&p);
    auto* upper = new TStringField();
    upper->SetFieldName("Upper");
    upper->SetFieldKind(fkCalculated);
    upper->SetDataSet(&p);
    p.OnCalcFields = [](TDataSet& d) { d.FieldByName("Upper").SetAsString(d.FieldByName("Name").AsString() + "!"); };
    p.Open();
    EXPECT_EQ(p.FieldDefs().Count(), 1);
    p.AppendRecord({Variant("abc")});
    EXPECT_EQ(p.FieldByName("Upper").AsString(), "abc!");
    p.Close();
    EXPECT_EQ(p.FieldCount(), 2);
    p.Open();
    EXPECT_TRUE(p.IsEmpty()); // records live only while open
}

TEST_F(MemFixture, CopyingStructureAndRows) {
    Add("A", 1);
    Add("B", 2);
    md.Edit();
    std::string memo(100000, 'm');
    md.FieldByName("Note").SetAsString(memo);
    md.Post();

    TKvMemoryData copy;
    EXPECT_EQ(copy.LoadRecordsFrom(md), 2);
    EXPECT_EQ(copy.FieldDefs().Count(), 5);
    EXPECT_EQ(copy.FieldByName("Name").AsString(), "A"); // at the first record
    copy.Last();
    EXPECT_EQ(copy.FieldByName("Note").AsString(), memo); // the whole memo
    EXPECT_EQ(copy.LoadRecordsFrom(md, 0, true), 2);      // keeps and appends
    EXPECT_EQ(copy.RecordCount(), 4);
    EXPECT_EQ(copy.LoadRecordsFrom(copy), 0);

    // Back into another dataset with a different structure: copied by name.
    TKvMemoryData other;
    other.FieldDefs().Add("Amount", ftFloat);
    other.FieldDefs().Add("Extra", ftInteger);
    other.Open();
    EXPECT_EQ(copy.SaveRecordsTo(other), 4);
    EXPECT_EQ(other.RecordCount(), 4);
    other.Last();
    EXPECT_DOUBLE_EQ(other.FieldByName("Amount").AsFloat(), 2.0);
    EXPECT_TRUE(other.FieldByName("Extra").IsNull());

    // Without a source the structure is empty.
    copy.Close();
    copy.TakeFieldStructure(nullptr);
    EXPECT_EQ(copy.FieldCount(), 0);
    EXPECT_EQ(copy.FieldDefs().Count(), 0);
}

TEST(MemCopy, AWholeCopyTakesEveryRowOfAFilteredTableAndTheShownCopyOnlyTheShownOnes) {
    TVolgaTable t;
    t.FieldDefs().Add("Number", ftString, 8);
    t.FieldDefs().Add("Firma", ftString, 30);
    t.Open();
    for (const char* name : {"Alfa", "Beta", "Gama", "Delta"}) {
        t.Append();
        t.FieldByName("Firma").SetAsString(name);
        t.Post();
    }
    t.SetFilterText("Firma LIKE '*e*'"); // Beta, Delta
    t.SetFiltered(true);
    t.Last(); // Delta

    TKvMemoryData copy;
    EXPECT_EQ(copy.LoadRecordsFrom(t), 4);
    EXPECT_EQ(copy.RecordCount(), 4);
    EXPECT_TRUE(t.Filtered());
    EXPECT_EQ(t.RecordCount(), 2); // the source shows what it showed, on its record
    EXPECT_EQ(t.FieldByName("Firma").AsString(), "Delta");

    EXPECT_EQ(copy.LoadShownRecordsFrom(t), 2);
    EXPECT_EQ(copy.FieldByName("Firma").AsString(), "Beta");
    t.First();
    EXPECT_EQ(copy.LoadRecordsFrom(t, 2), 2); // a count starts at the current record, filter lifted
    copy.Last();
    EXPECT_EQ(copy.FieldByName("Firma").AsString(), "Gama");
}

TEST_F(MemFixture, LoadingKeepsTheSourceAsItWas) {
    Add("A");
    TKvMemoryData copy;
    md.Close();
    md.Open(); // empty again, but open
    Add("X");
    md.Close();
    copy.FieldDefs().Add("Name", ftString, 20);
    EXPECT_EQ(copy.LoadRecordsFrom(md), 0); // opening closed memory data gives no rows
    EXPECT_FALSE(md.Active());              // and it is closed again
}

TEST_F(MemFixture, SortOnFields) {
    for (const char* n : {"b", "C", "a"}) Add(n);
    md.SortOnFields("Name", true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "C"}));
    md.SortOnFields("Name", false, true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a", "C"}));
}

} // namespace
