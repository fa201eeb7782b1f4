// The dataset state machine as a table of operations with their expected states and events,
// and the framework's other duties (bookmarks, filter, calculated fields, links).
#include <gtest/gtest.h>

#include <tuple>

#include "TinyDataSet.h"

using namespace kvz;
using kvz::test::TTinyDataSet;

namespace {

// A link that records what it is told.
class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(std::vector<std::string>& log) : log_(log) {}
    ~RecordingLink() override { SetDataSource(nullptr); }

protected:
    void ActiveChanged() override { log_.push_back(std::string("link.Active=") + (Active() ? "1" : "0")); }
    void EditingChanged() override { log_.push_back(std::string("link.Editing=") + (Editing() ? "1" : "0")); }
    void DataSetChanged() override { log_.push_back("link.DataSetChanged"); }
    void DataSetScrolled(int d) override { log_.push_back("link.Scrolled(" + std::to_string(d) + ")"); }
    void RecordChanged(TField* f) override { log_.push_back("link.RecordChanged(" + (f ? f->FieldName() : std::string("-")) + ")"); }
    void UpdateData() override { log_.push_back("link.UpdateData"); }
    void LayoutChanged() override { log_.push_back("link.LayoutChanged"); }

private:
    std::vector<std::string>& log_;
};

class DataSetFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ds.SetName("Tiny");
        ds.FieldDefs().Add("Name", ftString, 10);
        ds.FieldDefs().Add("Number", ftInteger);
        ds.AddRow({Variant("Anna"), Variant(1)});
        ds.AddRow({Variant("Boris"), Variant(2)});
        ds.AddRow({Variant("Cyril"), Variant(3)});
        auto ev = [this](const char* name) { return [this, name](TDataSet&) { log.push_back(name); }; };
        ds.BeforeOpen = ev("BeforeOpen");
        ds.AfterOpen = ev("AfterOpen");
        ds.BeforeClose = ev("BeforeClose");
        ds.AfterClose = ev("AfterClose");
        ds.BeforeInsert = ev("BeforeInsert");
        ds.AfterInsert = ev("AfterInsert");
        ds.BeforeEdit = ev("BeforeEdit");
        ds.AfterEdit = ev("AfterEdit");
        ds.BeforePost = ev("BeforePost");
        ds.AfterPost = ev("AfterPost");
        ds.BeforeCancel = ev("BeforeCancel");
        ds.AfterCancel = ev("AfterCancel");
        ds.BeforeDelete = ev("BeforeDelete");
        ds.AfterDelete = ev("AfterDelete");
        ds.BeforeScroll = ev("BeforeScroll");
        ds.AfterScroll = ev("AfterScroll");
        ds.OnNewRecord = ev("OnNewRecord");
        source.SetDataSet(&ds);
        source.OnStateChange = [this](TComponent*) { log.push_back(std::string("source.State=") + DataSetStateName(source.State())); };
        link.SetDataSource(&source);
    }
    std::string Name() { return ds.FieldByName("Name").AsString(); }
    // Persistent fields: the two data fields and a calculated one, "Twice".
    std::tuple<TStringField*, TIntegerField*, TIntegerField*> AddPersistentFields() {
        auto* name = new TStringField(&ds);
        name->SetFieldName("Name");
        name->SetSize(10);
        name->SetDataSet(&ds);
        auto* number = new TIntegerField(&ds);
        number->SetFieldName("Number");
        number->SetDataSet(&ds);
        auto* twice = new TIntegerField(&ds);
        twice->SetFieldName("Twice");
        twice->SetFieldKind(fkCalculated);
        twice->SetDataSet(&ds);
        return {name, number, twice};
    }

    std::vector<std::string> log;
    TTinyDataSet ds;
    TDataSource source;
    RecordingLink link{log};
};

using Log = std::vector<std::string>;

struct Step {
    const char* operation;
    std::function<void(TTinyDataSet&)> run;
    TDataSetState state;
    Log events;
};

TEST_F(DataSetFixture, StateMachineTable) {
    const std::vector<Step> steps = {
        {"Open", [](TTinyDataSet& d) { d.Open(); }, dsBrowse,
         {"BeforeOpen", "link.Active=1", "source.State=dsBrowse", "AfterOpen", "AfterScroll"}},
        // One buffer: fetching the next record scrolls the link's window by one.
        {"Next", [](TTinyDataSet& d) { d.Next(); }, dsBrowse, {"BeforeScroll", "link.Scrolled(1)", "AfterScroll"}},
        {"Edit", [](TTinyDataSet& d) { d.Edit(); }, dsEdit,
         {"BeforeEdit", "link.Editing=1", "source.State=dsEdit", "link.RecordChanged(-)", "AfterEdit"}},
        {"Set field", [](TTinyDataSet& d) { d.FieldByName("Name").SetAsString("Bora"); }, dsEdit, {"link.RecordChanged(Name)"}},
        {"Post", [](TTinyDataSet& d) { d.Post(); }, dsBrowse,
         {"link.UpdateData", "BeforePost", "link.Editing=0", "source.State=dsBrowse", "link.DataSetChanged", "AfterPost"}},
        {"Insert", [](TTinyDataSet& d) { d.Insert(); }, dsInsert,
         {"BeforeInsert", "BeforeScroll", "link.Editing=1", "source.State=dsInsert", "OnNewRecord", "link.DataSetChanged",
          "AfterInsert", "AfterScroll"}},
        {"Cancel", [](TTinyDataSet& d) { d.Cancel(); }, dsBrowse,
         {"BeforeCancel", "BeforeScroll", "link.Editing=0", "source.State=dsBrowse", "link.DataSetChanged", "AfterCancel",
          "AfterScroll"}},
        {"Append", [](TTinyDataSet& d) { d.Append(); }, dsInsert,
         {"BeforeInsert", "BeforeScroll", "link.Editing=1", "source.State=dsInsert", "OnNewRecord", "link.DataSetChanged",
          "AfterInsert", "AfterScroll"}},
        {"CheckBrowseMode unmodified", [](TTinyDataSet& d) { d.CheckBrowseMode(); }, dsBrowse,
         {"link.UpdateData", "BeforeCancel", "BeforeScroll", "link.Editing=0", "source.State=dsBrowse", "link.DataSetChanged",
          "AfterCancel", "AfterScroll"}},
        // A cancelled append returns to the last record, Cyril, which is deleted.
        {"Delete", [](TTinyDataSet& d) { d.Delete(); }, dsBrowse,
         {"BeforeDelete", "BeforeScroll", "link.DataSetChanged", "AfterDelete", "AfterScroll"}},
        {"First", [](TTinyDataSet& d) { d.First(); }, dsBrowse, {"BeforeScroll", "link.DataSetChanged", "AfterScroll"}},
        {"Next to the last", [](TTinyDataSet& d) { d.Next(); }, dsBrowse, {"BeforeScroll", "link.Scrolled(1)", "AfterScroll"}},
        {"Next past the end", [](TTinyDataSet& d) { d.Next(); }, dsBrowse, {"BeforeScroll", "link.Scrolled(0)", "AfterScroll"}},
        {"Next at Eof", [](TTinyDataSet& d) { d.Next(); }, dsBrowse, {"BeforeScroll"}},
        {"Last", [](TTinyDataSet& d) { d.Last(); }, dsBrowse, {"BeforeScroll", "link.DataSetChanged", "AfterScroll"}},
        {"First", [](TTinyDataSet& d) { d.First(); }, dsBrowse, {"BeforeScroll", "link.DataSetChanged", "AfterScroll"}},
        {"Close", [](TTinyDataSet& d) { d.Close(); }, dsInactive,
         {"BeforeClose", "link.Active=0", "source.State=dsInactive", "AfterClose"}},
    };
    for (const Step& step : steps) {
        log.clear();
        step.run(ds);
        EXPECT_EQ(ds.State(), step.state) << step.operation;
        EXPECT_EQ(log, step.events) << step.operation;
    }
    EXPECT_EQ(ds.rows.size(), 2u); // the edit stayed, the deleted record went
    EXPECT_EQ(ds.rows[0].values[0], Variant("Anna"));
    EXPECT_EQ(ds.rows[1].values[0], Variant("Bora"));
}

TEST_F(DataSetFixture, NavigationAndPositions) {
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(Name(), "Anna");
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.MoveBy(5), 2);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(Name(), "Cyril");
    EXPECT_EQ(ds.MoveBy(-1), -1);
    EXPECT_EQ(Name(), "Boris");
    EXPECT_FALSE(ds.Eof());
    ds.Prior();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(Name(), "Anna");
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_FALSE(ds.IsEmpty());
    int n = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) ++n;
    EXPECT_EQ(n, 3);
}

TEST_F(DataSetFixture, InsertPlacesBeforeCurrentAppendAtEnd) {
    ds.Open();
    ds.Next(); // Boris
    ds.Insert();
    ds.FieldByName("Name").SetAsString("Bea");
    ds.Post();
    EXPECT_EQ(Name(), "Bea");
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Append();
    ds.FieldByName("Name").SetAsString("Zoe");
    ds.Post();
    EXPECT_EQ(Name(), "Zoe");
    EXPECT_EQ(ds.RecNo(), 5);
    std::vector<std::string> names;
    for (ds.First(); !ds.Eof(); ds.Next()) names.push_back(Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Anna", "Bea", "Boris", "Cyril", "Zoe"}));
}

TEST_F(DataSetFixture, InsertIntoEmptyAndCancelLeavesEmpty) {
    ds.rows.clear();
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Bof() && ds.Eof());
    ds.Edit(); // on an empty dataset: insert
    EXPECT_EQ(ds.State(), dsInsert);
    ds.Cancel();
    EXPECT_TRUE(ds.IsEmpty());
    ds.Insert();
    ds.FieldByName("Number").SetAsInteger(7);
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("Number").AsInteger(), 7);
    EXPECT_THROW(ds.FieldByName("Number").SetAsInteger(8), EDatabaseError); // not editing
}

TEST_F(DataSetFixture, CheckBrowseModePostsAModifiedRecord) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Number").SetAsInteger(10);
    EXPECT_TRUE(ds.Modified());
    ds.Next(); // leaves edit mode by posting
    EXPECT_EQ(ds.rows[0].values[1], Variant(10));
    EXPECT_EQ(Name(), "Boris");
}

TEST_F(DataSetFixture, CancelRestoresTheRecord) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Name").SetAsString("X");
    EXPECT_EQ(Name(), "X");
    ds.Cancel();
    EXPECT_EQ(Name(), "Anna");
    EXPECT_EQ(ds.rows[0].values[0], Variant("Anna"));
}

TEST_F(DataSetFixture, ErrorEventsDecide) {
    ds.Open();
    ds.deleteFailures = 1;
    TDataAction answer = daRetry;
    int calls = 0;
    ds.OnDeleteError = [&](TDataSet&, const EDatabaseError& e, TDataAction& action) {
        ++calls;
        EXPECT_EQ(e.Message(), "Delete failed");
        EXPECT_EQ(e.Component(), &ds);
        EXPECT_STREQ(e.what(), "Tiny: Delete failed");
        action = answer;
    };
    ds.Delete(); // retried, then done
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.deleteFailures = 1;
    answer = daAbort;
    EXPECT_THROW(ds.Delete(), EAbort);
    ds.deleteFailures = 1;
    answer = daFail;
    EXPECT_THROW(ds.Delete(), EDatabaseError);
    EXPECT_EQ(ds.RecordCount(), 2);

    ds.Edit();
    ds.FieldByName("Name").SetAsString("Q");
    ds.postFailures = 1;
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(ds.State(), dsEdit); // a failed post stays in edit
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(DataSetFixture, ReadOnlyDatasetAndField) {
    ds.readOnly = true;
    ds.Open();
    EXPECT_THROW(ds.Edit(), EDatabaseError);
    EXPECT_THROW(ds.Insert(), EDatabaseError);
    EXPECT_EQ(ds.State(), dsBrowse);
    ds.readOnly = false;
    ds.FieldByName("Number").SetReadOnly(true);
    ds.Edit();
    try {
        ds.FieldByName("Number").SetAsInteger(3);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Number' cannot be modified");
    }
}

TEST_F(DataSetFixture, RequiredFieldRefusesPost) {
    ds.Open();
    ds.FieldByName("Number").SetRequired(true);
    ds.Append();
    ds.FieldByName("Name").SetAsString("New");
    try {
        ds.Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Number' must have a value");
    }
    EXPECT_EQ(ds.State(), dsInsert);
}

TEST_F(DataSetFixture, BookmarksComeBack) {
    ds.Open();
    ds.Next();
    TBookmark b = ds.GetBookmark();
    EXPECT_FALSE(b.empty());
    ds.Last();
    ds.GotoBookmark(b);
    EXPECT_EQ(Name(), "Boris");
    EXPECT_TRUE(ds.BookmarkValid(b));
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(b));
    EXPECT_EQ(ds.CompareBookmarks(TBookmark(), b), -1);
    EXPECT_EQ(ds.CompareBookmarks(b, b), 0);
    ds.Append();
    EXPECT_TRUE(ds.GetBookmark().empty()); // a new record has none yet
    ds.Cancel();
}

TEST_F(DataSetFixture, LocateAndLookup) {
    ds.Open();
    EXPECT_TRUE(ds.Locate("Name", Variant("cyr"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Name(), "Cyril");
    EXPECT_FALSE(ds.Locate("Name", Variant("cyr"), loPartialKey));
    EXPECT_EQ(Name(), "Cyril"); // stays
    EXPECT_TRUE(ds.Locate("Name;Number", Variant(std::vector<Variant>{Variant("Boris"), Variant(2)}), 0));
    EXPECT_EQ(Name(), "Boris");
    EXPECT_TRUE(ds.Locate("Number", Variant("1"), 0)); // a text key against a number
    EXPECT_EQ(Name(), "Anna");
    ds.Last();
    EXPECT_EQ(ds.Lookup("Number", Variant(2), "Name"), Variant("Boris"));
    EXPECT_TRUE(ds.Lookup("Number", Variant(9), "Name").IsNull());
    EXPECT_EQ(Name(), "Cyril"); // Lookup does not move
    EXPECT_THROW(ds.Locate("Nope", Variant(1), 0), EDatabaseError);
}

TEST_F(DataSetFixture, FilterEventAndItsErrors) {
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) {
        EXPECT_EQ(d.State(), dsFilter);
        accept = d.FieldByName("Number").AsInteger() != 2;
    });
    ds.SetFiltered(true);
    ds.Open();
    std::vector<std::string> names;
    for (ds.First(); !ds.Eof(); ds.Next()) names.push_back(Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Anna", "Cyril"}));

    // A failing handler rejects the record, and the error is reported.
    std::vector<std::string> reported;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported.push_back(x.what());
        }
    });
    ds.SetOnFilterRecord([](TDataSet& d, bool&) {
        if (d.FieldByName("Number").AsInteger() == 3) throw std::runtime_error("bad filter");
    });
    names.clear();
    for (ds.First(); !ds.Eof(); ds.Next()) names.push_back(Name());
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(names, (std::vector<std::string>{"Anna", "Boris"}));
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported[0], "bad filter");
    ds.SetFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(DataSetFixture, CalculatedAndLookupFields) {
    // Persistent fields: two data fields, a calculated one and a lookup one.
    auto [name, number, twice] = AddPersistentFields();

    TTinyDataSet colours;
    colours.FieldDefs().Add("Id", ftInteger);
    colours.FieldDefs().Add("Colour", ftString, 10);
    colours.AddRow({Variant(1), Variant("red")});
    colours.AddRow({Variant(3), Variant("blue")});
    colours.Open();
    auto* colour = new TStringField(&ds);
    colour->SetFieldName("Colour");
    colour->SetFieldKind(fkLookup);
    colour->SetLookupDataSet(&colours);
    colour->SetKeyFields("Number");
    colour->SetLookupKeyFields("Id");
    colour->SetLookupResultField("Colour");
    colour->SetDataSet(&ds);

    int calcCalls = 0;
    ds.OnCalcFields = [&](TDataSet& d) {
        ++calcCalls;
        EXPECT_EQ(d.State(), dsCalcFields);
        d.FieldByName("Twice").SetAsInteger(d.FieldByName("Number").AsInteger() * 2);
    };
    ds.Open();
    EXPECT_FALSE(ds.DefaultFields());
    EXPECT_EQ(twice->AsInteger(), 2);
    EXPECT_EQ(colour->AsString(), "red");
    ds.Next();
    EXPECT_EQ(twice->AsInteger(), 4);
    EXPECT_TRUE(colour->IsNull());
    ds.Edit();
    number->SetAsInteger(3); // calculated again as the value changes
    EXPECT_EQ(twice->AsInteger(), 6);
    EXPECT_EQ(colour->AsString(), "blue");
    ds.Post();
    EXPECT_GT(calcCalls, 3);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 4); // persistent fields stay
}

TEST_F(DataSetFixture, RowsAreReadByPositionWithoutMoving) {
    auto [name, number, twice] = AddPersistentFields();
    ds.OnCalcFields = [](TDataSet& d) { d.FieldByName("Twice").SetAsInteger(d.FieldByName("Number").AsInteger() * 2); };
    ds.Open();
    ds.Next();
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("Number").AsInteger() != 2; });
    ds.SetFiltered(true); // Anna, Cyril
    log.clear();
    const int position = ds.Position();

    auto buffer = ds.NewRecordBuffer();
    ASSERT_TRUE(ds.ReadRecordAt(1, *buffer));
    {
        TRecordReadScope scope(ds, *buffer);
        EXPECT_EQ(ds.State(), dsBlockRead);
        EXPECT_EQ(name->AsString(), "Cyril");
        EXPECT_EQ(twice->AsInteger(), 6);
        EXPECT_THROW(name->SetAsString("X"), EDatabaseError); // nothing is written through a read
    }
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(name->AsString(), "Anna"); // the active record again
    EXPECT_FALSE(ds.ReadRecordAt(2, *buffer));
    EXPECT_FALSE(ds.ReadRecordAt(-1, *buffer));
    EXPECT_EQ(ds.Position(), position);
    EXPECT_EQ(log, Log{});
}

TEST_F(DataSetFixture, DefaultFieldsComeAndGo) {
    ds.Open();
    EXPECT_TRUE(ds.DefaultFields());
    ASSERT_EQ(ds.FieldCount(), 2);
    EXPECT_NE(dynamic_cast<TStringField*>(&ds.Fields()[0]), nullptr);
    EXPECT_EQ(ds.Fields()[0].Size(), 10);
    EXPECT_EQ(ds.Fields()[1].FieldNo(), 2);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_THROW(ds.FieldByName("Name"), EDatabaseError);
}

TEST_F(DataSetFixture, DisabledControlsHearOnceAtTheEnd) {
    ds.Open();
    log.clear();
    ds.DisableControls();
    ds.Next();
    ds.Next();
    ds.Edit();
    ds.Cancel();
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& s) { return s.rfind("link.", 0) == 0; }), 0);
    ds.EnableControls();
    EXPECT_EQ(log.back(), "link.DataSetChanged");
}

TEST_F(DataSetFixture, GridWindowFollowsTheActiveRecord) {
    for (int i = 4; i <= 10; ++i) ds.AddRow({Variant("R" + std::to_string(i)), Variant(i)});
    ds.Open();
    link.SetBufferCount(4);
    EXPECT_EQ(ds.BufferCount(), 4);
    EXPECT_EQ(link.RecordCount(), 4);
    EXPECT_EQ(link.ActiveRecord(), 0);
    ds.MoveBy(2);
    EXPECT_EQ(link.ActiveRecord(), 2);
    ds.MoveBy(3); // record 6: the window scrolls
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(ds.FieldByName("Number").AsInteger(), 6);
    // A grid reads the rows of its window by moving the active record.
    std::vector<int> shown;
    int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        shown.push_back(ds.FieldByName("Number").AsInteger());
    }
    link.SetActiveRecord(saved);
    EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 6}));
    ds.Last();
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(ds.FieldByName("Number").AsInteger(), 10);
    ds.Prior();
    EXPECT_EQ(link.ActiveRecord(), 2);
    link.SetBufferCount(1);
    EXPECT_EQ(ds.BufferCount(), 1);
    EXPECT_EQ(ds.FieldByName("Number").AsInteger(), 9);
}

TEST_F(DataSetFixture, DataSourceEventsAndAutoEdit) {
    std::vector<std::string> changes;
    source.OnDataChange = [&](TDataSource&, TField* f) { changes.push_back(f ? f->FieldName() : "-"); };
    ds.Open();
    EXPECT_EQ(changes, (std::vector<std::string>{"-"}));
    source.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    ds.FieldByName("Number").SetAsInteger(5);
    EXPECT_EQ(changes.back(), "Number");
    ds.Cancel();
    source.SetAutoEdit(false);
    source.Edit();
    EXPECT_EQ(ds.State(), dsBrowse);
    source.SetEnabled(false);
    EXPECT_EQ(source.State(), dsInactive);
    source.SetEnabled(true);
    EXPECT_EQ(source.State(), dsBrowse);
}

TEST_F(DataSetFixture, FieldDataLinkFollowsItsField) {
    TFieldDataLink fl;
    int dataChanges = 0, updates = 0;
    fl.OnDataChange = [&] { ++dataChanges; };
    fl.OnUpdateData = [&] {
        ++updates;
        fl.Field()->SetAsString("Edited");
    };
    fl.SetFieldName("Name");
    fl.SetDataSource(&source);
    ds.Open();
    ASSERT_NE(fl.Field(), nullptr);
    EXPECT_EQ(fl.Field()->AsString(), "Anna");
    EXPECT_TRUE(fl.Edit());
    fl.SetModified();
    ds.Post(); // the control's value is written first
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(ds.rows[0].values[0], Variant("Edited"));
    EXPECT_GT(dataChanges, 0);
    fl.SetDataSource(nullptr);
}

TEST_F(DataSetFixture, AFieldLinkTakesTheFieldOfADatasetThatReplacesAnOpenOne) {
    TFieldDataLink fl;
    fl.SetFieldName("Name");
    fl.SetDataSource(&source);
    ds.Open();
    auto other = std::make_unique<TTinyDataSet>();
    other->FieldDefs().Add("Name", ftString, 10);
    other->AddRow({Variant("Dora")});
    other->Open();
    source.SetDataSet(other.get());
    ASSERT_NE(fl.Field(), nullptr);
    EXPECT_EQ(fl.Field()->AsString(), "Dora");
    EXPECT_EQ(fl.Field()->DataSet(), other.get());
    fl.SetDataSource(nullptr);
    source.SetDataSet(&ds);
}

TEST_F(DataSetFixture, MasterLinkFollowsTheMaster) {
    TTinyDataSet detail;
    detail.FieldDefs().Add("X", ftInteger);
    detail.Open();
    TMasterDataLink ml(&detail);
    std::vector<int> seen;
    int disabled = 0;
    ml.OnMasterChange = [&] { seen.push_back(ml.Fields().at(0)->AsInteger()); };
    ml.OnMasterDisable = [&] { ++disabled; };
    ml.SetFieldNames("Number");
    ml.SetDataSource(&source);
    disabled = 0;
    ds.Open();
    ds.Next();
    ds.Next();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    ds.Close();
    EXPECT_EQ(disabled, 1);
    ml.SetDataSource(nullptr);
}

TEST_F(DataSetFixture, CircularLinksAreRefused) {
    class Detail : public TTinyDataSet {
    public:
        TDataSource* master = nullptr;
        TDataSource* LinkedDataSource() const override { return master; }
    };
    Detail detail;
    TDataSource detailSource;
    detailSource.SetDataSet(&detail);
    detail.master = &detailSource;
    EXPECT_TRUE(detail.IsLinkedTo(&detailSource));
    TDataSource other;
    other.SetDataSet(&ds);
    detail.master = &other; // ds -> other -> detail
    EXPECT_FALSE(detail.IsLinkedTo(&source));
}

TEST_F(DataSetFixture, BlobStreamWritesBackOnRelease) {
    TTinyDataSet notes;
    notes.FieldDefs().Add("Text", ftMemo);
    notes.AddRow({Variant("old")});
    notes.Open();
    TField& text = notes.FieldByName("Text");
    {
        auto s = notes.CreateBlobStream(text, bmRead);
        EXPECT_EQ(s->ReadAll(), "old");
    }
    EXPECT_THROW(notes.CreateBlobStream(text, bmWrite), EDatabaseError); // not editing
    notes.Edit();
    {
        auto s = notes.CreateBlobStream(text, bmWrite);
        s->WriteString("new text");
    }
    EXPECT_EQ(text.AsString(), "new text");
    notes.Post();
    EXPECT_EQ(notes.rows[0].values[0], Variant("new text"));
}

TEST_F(DataSetFixture, DatasetStructureCannotChangeWhileOpen) {
    ds.Open();
    auto* f = new TIntegerField();
    f->SetFieldName("Late");
    EXPECT_THROW(f->SetDataSet(&ds), EDatabaseError);
    delete f;
    EXPECT_THROW(ds.ClearFields(), EDatabaseError);
}

TEST(DataSet, DataSourcesAndLinksMayOutliveTheDataSet) {
    std::vector<std::string> log;
    TDataSource source;
    RecordingLink link(log);
    link.SetDataSource(&source);
    {
        TTinyDataSet ds;
        ds.FieldDefs().Add("X", ftInteger);
        source.SetDataSet(&ds);
        ds.Open();
        EXPECT_TRUE(link.Active());
    }
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(source.State(), dsInactive);
    EXPECT_FALSE(link.Active());
}

TEST(DataSet, OpenFailureLeavesItClosed) {
    TTinyDataSet ds; // no field definitions: InternalOpen refuses
    EXPECT_THROW(ds.Open(), EDatabaseError);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 0);
}

} // namespace
