// Dataset routines (Part 1.123).
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "engine/DbUtils.h"
#include "engine/KvMemDS.h"

using namespace kvz;

namespace {

class RoutinesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        md.SetName("People");
        md.FieldDefs().Add("Name", ftString, 20);
        md.FieldDefs().Add("Age", ftInteger);
        md.FieldDefs().Add("City", ftString, 20);
        md.Open();
        md.AppendRecord({Variant("Ďuro"), Variant(30), Variant("Brno")});
        md.AppendRecord({Variant("Eva"), Variant(25), Variant("Praha")});
        md.AppendRecord({Variant("Fero"), Variant(40), Variant("Žilina")});
        md.First();
        source.SetDataSet(&md);
        source.OnDataChange = [this](TDataSource&, TField*) { ++changes; };
    }
    std::string Current() { return md.FieldByName("Name").AsString(); }
    TKvMemoryData md;
    TDataSource source;
    int changes = 0;
};

TEST_F(RoutinesFixture, LocateByScanFindsAndReturns) {
    EXPECT_TRUE(LocateByScan(md, "City", Variant("žil"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Current(), "Fero");
    EXPECT_FALSE(LocateByScan(md, "City", Variant("žil"), loPartialKey));
    EXPECT_EQ(Current(), "Fero"); // back where it was
    EXPECT_TRUE(LocateByScan(md, "Age;Name", Variant(std::vector<Variant>{Variant(25), Variant("Eva")}), 0));
    EXPECT_EQ(Current(), "Eva");
}

TEST_F(RoutinesFixture, LocateByScanOnTheCurrentRecordDoesNotMove) {
    md.Next();
    changes = 0;
    int scrolls = 0;
    md.BeforeScroll = [&](TDataSet&) { ++scrolls; };
    EXPECT_TRUE(LocateByScan(md, "Name", Variant("Eva"), 0));
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(changes, 0); // controls were not disabled and enabled
}

TEST_F(RoutinesFixture, TryGotoBookmarkAndEmptiness) {
    md.Last();
    TBookmark b = md.GetBookmark();
    md.First();
    EXPECT_TRUE(TryGotoBookmark(md, b));
    EXPECT_EQ(Current(), "Fero");
    EXPECT_FALSE(TryGotoBookmark(md, TBookmark()));
    EXPECT_FALSE(DataSetEmpty(&md));
    md.Delete();
    EXPECT_FALSE(TryGotoBookmark(md, b));
    TKvMemoryData empty;
    EXPECT_TRUE(DataSetEmpty(&empty));
    EXPECT_FALSE(TryGotoBookmark(empty, b));
    empty.FieldDefs().Add("X", ftInteger);
    empty.Open();
    EXPECT_TRUE(DataSetEmpty(&empty));
}

TEST_F(RoutinesFixture, CopyFieldValuesByNameAndPosition) {
    TKvMemoryData dest;
    dest.FieldDefs().Add("City", ftString, 20);
    dest.FieldDefs().Add("Years", ftInteger);
    dest.Open();
    try {
        CopyFieldValues(md, dest, true);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
    }
    dest.Append();
    CopyFieldValues(md, dest, true);
    EXPECT_EQ(dest.FieldByName("City").AsString(), "Brno");
    EXPECT_TRUE(dest.FieldByName("Years").IsNull());
    dest.Post();
    dest.Append();
    CopyFieldValues(md, dest, false); // along the definitions: Name into City, Age into Years
    EXPECT_EQ(dest.FieldByName("City").AsString(), "Ďuro");
    EXPECT_EQ(dest.FieldByName("Years").AsInteger(), 30);
    dest.Cancel();
}

TEST_F(RoutinesFixture, LocateObjectFindsByText) {
    auto lo = NewLocateObject(&md);
    ASSERT_NE(lo, nullptr);
    EXPECT_TRUE(lo->FindRecord("City", "pr", false, false));
    EXPECT_EQ(Current(), "Eva");
    EXPECT_FALSE(lo->FindRecord("City", "pr", true, false));
    EXPECT_EQ(Current(), "Eva");
    EXPECT_TRUE(lo->FindRecord("Age", "40", true, false));
    EXPECT_EQ(Current(), "Fero");
    EXPECT_THROW(lo->FindRecord("None", "x", true, true), EDatabaseError);
    int cursorCalls = 0;
    SetScreenCursorHook([&](int c) {
        ++cursorCalls;
        return c == crHourGlass ? 0 : c;
    });
    EXPECT_TRUE(lo->FindRecord("Name", "ďu", false, false));
    SetScreenCursorHook(nullptr);
    EXPECT_EQ(Current(), "Ďuro");
    EXPECT_EQ(cursorCalls, 2); // hourglass and back
    TLocateObject empty;
    EXPECT_FALSE(empty.FindRecord("Name", "x", true, true));
}

TEST_F(RoutinesFixture, LocateObjectFactory) {
    struct Mine : TLocateObject {};
    SetLocateObjectFactory([] { return std::make_unique<Mine>(); });
    auto lo = NewLocateObject(&md);
    SetLocateObjectFactory(nullptr);
    EXPECT_NE(dynamic_cast<Mine*>(lo.get()), nullptr);
    EXPECT_EQ(lo->DataSet(), &md);
}

TEST_F(RoutinesFixture, IniSectionNames) {
    EXPECT_EQ(DataSetIniSection(md, "Given"), "Given");
    EXPECT_EQ(DataSetIniSection(md, ""), "People");
    TComponent form;
    TKvMemoryData owned(&form);
    owned.SetName("T");
    SetFormIniNameHook([&](TComponent* owner) { return owner == &form ? std::string("MainForm") : std::string(); });
    EXPECT_EQ(DataSetIniSection(owned, ""), "MainForm");
    EXPECT_EQ(DataSetIniSection(md, ""), "People");
    SetFormIniNameHook(nullptr);
}

TEST_F(RoutinesFixture, LayoutRoundTrip) {
    TempFolder tmp;
    md.FieldByName("City").SetIndex(0);
    md.FieldByName("Age").SetDisplayWidth(7);
    md.FieldByName("Name").SetVisible(false);
    {
        IniFile ini(tmp.path() / "layout.ini");
        SaveFieldsLayout(md, ini, "Grid");
    }
    IniFile ini(tmp.path() / "layout.ini");
    EXPECT_EQ(ini.ReadString("grid", "PEOPLECITY", ""), "0,20,1");
    EXPECT_EQ(ini.ReadString("Grid", "PeopleName", ""), "1,20,0");
    md.FieldByName("Name").SetIndex(0);
    md.FieldByName("Age").SetDisplayWidth(3);
    md.FieldByName("Name").SetVisible(true);
    RestoreFieldsLayout(md, ini, "Grid", false);
    EXPECT_EQ(md.Fields()[0].FieldName(), "City");
    EXPECT_EQ(md.Fields()[1].FieldName(), "Name");
    EXPECT_EQ(md.FieldByName("Age").DisplayWidth(), 7);
    EXPECT_TRUE(md.FieldByName("Name").Visible()); // visibility only when asked
    RestoreFieldsLayout(md, ini, "Grid", true);
    EXPECT_FALSE(md.FieldByName("Name").Visible());
}

TEST_F(RoutinesFixture, RestoredLayoutsAreChecked) {
    TempFolder tmp;
    IniFile ini(tmp.path() / "layout.ini");
    ini.WriteString("G", "PeopleName", "2,15,0");
    ini.WriteString("G", "PeopleAge", "2 x");       // same position: the first field takes it
    ini.WriteString("G", "PeopleCity", "99,-5,1");  // out of range: clamped
    RestoreFieldsLayout(md, ini, "G", true);
    EXPECT_EQ(md.FieldByName("Name").DisplayWidth(), 15);
    EXPECT_FALSE(md.FieldByName("Name").Visible());
    EXPECT_EQ(md.FieldByName("Age").DisplayWidth(), 11); // "x" leaves it
    EXPECT_EQ(md.FieldByName("City").DisplayWidth(), 1);
    EXPECT_EQ(md.FieldByName("Name").Index(), 2);
    // Age and City both wanted 2 (City clamped from 99): Name took it first.
    EXPECT_EQ(md.FieldByName("Age").Index() + md.FieldByName("City").Index(), 1);
    ini.WriteString("G", "PeopleName", "junk");
    RestoreFieldsLayout(md, ini, "G", true);
    EXPECT_EQ(md.FieldByName("Name").DisplayWidth(), 15);
}

TEST(Routines, RaiseDatabaseError) {
    try {
        RaiseDatabaseError("Bad thing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Bad thing");
        EXPECT_EQ(e.Component(), nullptr);
    }
}

} // namespace
