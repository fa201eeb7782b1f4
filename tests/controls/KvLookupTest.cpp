// The lookup list and combo over engine tables with Slovak text: the windows' way of using
// the combo (no data source, OnChange reads Text), a list that writes its key into a field,
// search with an injected clock, the empty row, the drag timer and the binding errors.
#include "controls/KvAni.h"
#include "controls/KvLookup.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/DBCGrids.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <functional>

namespace kvz {
namespace {

const char* const kTypes[] = {"Adresár", "Banka", "Čítanie", "Dokumenty", "Ďalšie", "Faktúry",
                              "Hudba",   "Internet", "Účty", "Úrad", "Zmluvy", "Žiadosti"};

class KvLookupTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLookupTicks([this] { return now; });
        types.FieldDefs().Add("Kod", ftString, 4);
        types.FieldDefs().Add("Name", ftString, 20);
        types.Open();
        types.FieldByName("Name").SetDisplayWidth(14);
        int code = 1;
        for (const char* name : kTypes) types.AppendRecord({Variant("T" + std::to_string(code++)), Variant(name)});
        types.First();
        typeSource.SetDataSet(&types);
        links.FieldDefs().Add("Odkaz", ftString, 40);
        links.FieldDefs().Add("Typ", ftString, 4);
        links.Open();
        links.AppendRecord({Variant("https://www.example.sk"), Variant("T8")});
        links.AppendRecord({Variant("C:\\Účty\\2026"), Variant()});
        links.First();
        linkSource.SetDataSet(&links);
        form.SetClientSize(320, 260);
        form.Show();
        QApplication::processEvents();
    }
    void TearDown() override { SetLookupTicks(nullptr); }
    void Type(TWinControl* control, const QString& text) {
        for (QChar c : text) testing::Key(control->Widget(), c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }

    struct Application {
        Application() { testing::EnsureApplication(); }
    } application;
    long long now = 100000;
    TVolgaTable types, links;
    TDataSource typeSource, linkSource;
    TForm form{nullptr};
    TResponder responder;
};

TEST_F(KvLookupTest, ComboPicksARecordAndTellsItsText) {
    auto* combo = new TKvDBLookupCombo(&form);
    combo->SetParent(&form);
    combo->SetBounds(8, 81, 240, 21);
    combo->SetColor(clAqua);
    combo->SetDropDownCount(8);
    combo->SetLookupSource(&typeSource);
    combo->SetLookupField("Name");
    std::vector<std::string> changes;
    combo->OnChange = [&](TComponent*) { changes.push_back(combo->Text()); };
    combo->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(combo->Text(), "");

    // A typed letter opens the list and searches it; Enter takes the record.
    Type(combo, "ú");
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->List()->DisplayValue(), "Účty");
    Type(combo, "r");
    EXPECT_EQ(combo->List()->DisplayValue(), "Úrad");
    EXPECT_TRUE(changes.empty());
    testing::Key(combo->Widget(), Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(changes, (std::vector<std::string>{"Úrad"}));

    // Down in the closed combo takes the next record; Alt+Down opens, Escape only closes.
    testing::Key(combo->Widget(), Qt::Key_Down);
    EXPECT_EQ(combo->Text(), "Zmluvy");
    testing::Key(combo->Widget(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(combo->ListVisible());
    testing::Key(combo->Widget(), Qt::Key_Down);
    testing::Key(combo->Widget(), Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Zmluvy");
    EXPECT_EQ(changes.size(), 2u);
    // Escape in the closed combo clears the choice.
    testing::Key(combo->Widget(), Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->Value(), "");
    EXPECT_EQ(changes.size(), 3u);
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(KvLookupTest, DropDownPicturesInThreeLanguages) {
    const char* none[] = {"(none)", "(žiadny)", "(žádný)"};
    for (int language = 1; language <= 3; ++language) {
        auto* combo = new TKvDBLookupCombo(&form);
        combo->SetParent(&form);
        combo->SetBounds(8, 8, 240, 24);
        combo->SetLookupSource(&typeSource);
        combo->SetLookupField("Kod");
        combo->SetLookupDisplay("Name;Kod");
        combo->SetDisplayEmpty(none[language - 1]);
        combo->SetValue("T99"); // no such record: nothing chosen
        EXPECT_EQ(combo->Value(), "");
        EXPECT_EQ(combo->Text(), none[language - 1]);
        combo->SetValue("T3");
        EXPECT_EQ(combo->Text(), "Čítanie");
        combo->SetFocus();
        combo->DropDown();
        QApplication::processEvents();
        ASSERT_TRUE(combo->ListVisible());
        TKvPopupDataList* list = combo->List();
        EXPECT_EQ(list->Value(), "T3");
        EXPECT_EQ(list->RowCount(), 8);
        const std::string suffix = language == 1 ? "-en" : language == 2 ? "-sk" : "-cs";
        testing::Render(*combo, "lookupcombo" + suffix);
        testing::SaveWindowPicture(*list, "lookupcombo-open" + suffix);
        // A release on a row of the list takes it.
        // The list shows the records around the chosen one, under the empty row.
        const int row = 3 * list->RowHeight() + list->RowHeight() / 2;
        testing::Press(*list, 20, row);
        testing::Release(*list, 20, row);
        EXPECT_FALSE(combo->ListVisible());
        EXPECT_EQ(combo->Value(), "T4");
        EXPECT_EQ(combo->Text(), "Dokumenty");
        delete combo;
    }
}

TEST_F(KvLookupTest, PicturesOfRowsAndAllFieldsInTheClosedCombo) {
    // A coloured square for each type, an icon for the empty row.
    TBitmap square(12, 12);
    square.Image().fill(QColor(0xc0, 0x30, 0x30));
    for (int i = 0; i < 12; ++i) square.SetPixel(i, 11, clWhite); // the corner's colour is transparent
    TIcon none;
    QImage dot(16, 16, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) dot.setPixelColor(x, y, QColor(0x30, 0x60, 0xc0));
    none.SetImage(dot);
    const char* empty[] = {"(none)", "(žiadny)", "(žádný)"};
    types.FieldByName("Kod").SetDisplayWidth(3);
    for (int language = 1; language <= 3; ++language) {
        auto* combo = new TKvDBLookupCombo(&form);
        combo->SetParent(&form);
        combo->SetBounds(8, 8, 260, 24);
        std::vector<bool> asked;
        combo->OnGetImage = [&](TComponent*, bool isEmpty, TItemImage& image, int& margin) {
            asked.push_back(isEmpty);
            if (isEmpty)
                image.Icon = &none;
            else
                image.Bitmap = &square;
            margin = 18;
        };
        combo->SetLookupSource(&typeSource);
        combo->SetLookupField("Kod");
        combo->SetLookupDisplay("Kod;Name");
        combo->SetLookupDisplayIndex(1);
        combo->SetDisplayEmpty(empty[language - 1]);
        combo->SetDisplayAllFields(true);
        combo->SetValue("T3");
        EXPECT_EQ(combo->Text(), "T3, Čítanie");
        ASSERT_FALSE(asked.empty());
        EXPECT_FALSE(asked.back());
        const std::string suffix = language == 1 ? "-en" : language == 2 ? "-sk" : "-cs";
        QImage closed = testing::Render(*combo, "lookupcombo-images" + suffix);
        // The square stands in the margin, centred; the text starts after it.
        const int middle = closed.height() / 2;
        bool red = false;
        for (int x = 0; x < 24; ++x) red = red || closed.pixelColor(x, middle) == QColor(0xc0, 0x30, 0x30);
        EXPECT_TRUE(red);
        combo->SetFocus();
        combo->DropDown();
        QApplication::processEvents();
        testing::SaveWindowPicture(*combo->List(), "lookupcombo-images-open" + suffix);
        combo->CloseUp(false);
        // The delimiter joins the fields when they are not in columns.
        combo->SetListStyle(TLookupListStyle::lsDelimited);
        combo->SetFieldsDelimiter(';');
        EXPECT_EQ(combo->Text(), "T3; Čítanie");
        combo->SetListStyle(TLookupListStyle::lsFixed);
        combo->SetFieldsDelimiter(',');
        testing::Key(combo->Widget(), Qt::Key_Escape, Qt::NoModifier, "\x1b"); // clears: the empty row's picture
        EXPECT_EQ(combo->Value(), "");
        EXPECT_TRUE(asked.back());
        QImage cleared = testing::Render(*combo);
        bool blue = false;
        for (int x = 0; x < 24; ++x) blue = blue || cleared.pixelColor(x, middle) == QColor(0x30, 0x60, 0xc0);
        EXPECT_TRUE(blue);
        delete combo;
    }
}

TEST_F(KvLookupTest, ListWritesTheKeyAndSearchesAsTyped) {
    auto* list = new TKvDBLookupList(&form);
    list->SetParent(&form);
    list->SetBounds(8, 8, 200, 100);
    list->SetDataSource(&linkSource);
    list->SetDataField("Typ");
    list->SetLookupSource(&typeSource);
    list->SetLookupField("Kod");
    list->SetLookupDisplay("Name");
    list->SetDisplayEmpty("(žiadny)");
    EXPECT_EQ(list->Value(), "T8");
    EXPECT_EQ(list->DisplayValue(), "Internet");
    list->SetFocus();
    QApplication::processEvents();

    testing::Key(list->Widget(), Qt::Key_Down);
    EXPECT_EQ(links.State(), dsEdit);
    EXPECT_EQ(links.FieldByName("Typ").AsString(), "T9");
    Type(list, "ba");
    EXPECT_EQ(list->DisplayValue(), "Banka");
    EXPECT_EQ(list->TypedPrefix(), "Ba");
    now += 2500;
    Type(list, "ď");
    EXPECT_EQ(list->DisplayValue(), "Ďalšie");
    // Home, then Up from the first record: the empty row, a cleared field.
    testing::Key(list->Widget(), Qt::Key_Home);
    EXPECT_EQ(list->DisplayValue(), "Adresár");
    testing::Key(list->Widget(), Qt::Key_Up);
    EXPECT_EQ(list->Value(), "");
    EXPECT_TRUE(links.FieldByName("Typ").IsNull());
    testing::SaveWindowPicture(*list, "lookuplist");
    links.Cancel();
    EXPECT_EQ(list->Value(), "T8");

    // The rows it shows: 1 to 50.
    list->SetRowCount(0);
    EXPECT_EQ(list->RowCount(), 1);
    list->SetRowCount(60);
    EXPECT_EQ(list->RowCount(), 50);
    list->SetRowCount(5);

    // Dragging above the list scrolls on a timer that never spins.
    testing::Press(*list, 20, list->RowHeight() + 2);
    testing::Move(*list, 20, -1);
    EXPECT_TRUE(list->ScrollTimer().Enabled());
    EXPECT_EQ(list->ScrollTimer().Interval(), 185u);
    testing::Move(*list, 20, -40);
    EXPECT_EQ(list->ScrollTimer().Interval(), 10u);
    testing::Move(*list, 20, 10);
    EXPECT_FALSE(list->ScrollTimer().Enabled());
    testing::Release(*list, 20, 10);
}

TEST_F(KvLookupTest, LookupFieldDefinesTheLookup) {
    TVolgaTable tasks;
    tasks.FieldDefs().Add("Uloha", ftString, 30);
    tasks.FieldDefs().Add("Typ", ftString, 4);
    for (const char* name : {"Uloha", "Typ"}) {
        auto* field = new TStringField(&tasks);
        field->SetFieldName(name);
        field->SetSize(30);
        field->SetDataSet(&tasks);
    }
    auto* typeName = new TStringField(&tasks);
    typeName->SetFieldName("TypName");
    typeName->SetSize(20);
    typeName->SetFieldKind(fkLookup);
    typeName->SetLookupDataSet(&types);
    typeName->SetKeyFields("Typ");
    typeName->SetLookupKeyFields("Kod");
    typeName->SetLookupResultField("Name");
    typeName->SetDataSet(&tasks);
    tasks.Open();
    tasks.AppendRecord({Variant("Zaplatiť faktúru"), Variant("T6")});
    TDataSource taskSource;
    taskSource.SetDataSet(&tasks);

    auto* combo = new TKvDBLookupCombo(&form);
    combo->SetParent(&form);
    combo->SetDataSource(&taskSource);
    combo->SetDataField("TypName");
    EXPECT_TRUE(combo->LookupReady());
    EXPECT_EQ(combo->LookupField(), "");
    EXPECT_EQ(combo->LookupSource(), nullptr);
    EXPECT_EQ(combo->Text(), "Faktúry");
    try {
        combo->SetLookupSource(&typeSource);
        FAIL() << "the lookup field's source was replaced";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Property already defined by lookup field");
    }
    // A choice writes the key field.
    combo->SetFocus();
    testing::Key(combo->Widget(), Qt::Key_Down);
    EXPECT_EQ(tasks.State(), dsEdit);
    EXPECT_EQ(tasks.FieldByName("Typ").AsString(), "T7");
    EXPECT_EQ(combo->Text(), "Hudba");
    tasks.Cancel();
    combo->SetDataSource(nullptr);

    // On a control grid's panel the grid's records define the field: refused with its message.
    auto* grid = new TDBCtrlGrid(&form);
    grid->SetParent(&form);
    grid->SetDataSource(&taskSource);
    auto* inGrid = new TKvDBLookupCombo(&form);
    inGrid->SetParent(grid->Panel());
    inGrid->SetDataSource(&taskSource);
    inGrid->SetDataField("TypName");
    for (auto set : {std::function<void()>([&] { inGrid->SetLookupField("Kod"); }),
                     std::function<void()>([&] { inGrid->SetLookupSource(&typeSource); })}) {
        try {
            set();
            FAIL() << "a lookup field's setting was replaced in a control grid";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), "Operation not allowed in a DBCtrlGrid");
        }
    }
    EXPECT_EQ(inGrid->Text(), "Faktúry");
    inGrid->SetDataSource(nullptr);
}

TEST_F(KvLookupTest, BindingErrors) {
    auto* list = new TKvDBLookupList(&form);
    list->SetParent(&form);
    list->SetDataSource(&typeSource);
    list->SetDataField("Kod");
    list->SetLookupField("Kod");
    try {
        list->SetLookupSource(&typeSource);
        FAIL() << "a circle was taken";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
    }
    auto* combo = new TKvDBLookupCombo(&form);
    combo->SetLookupSource(&typeSource);
    EXPECT_THROW(combo->SetLookupField("Nazov"), EDatabaseError);
    EXPECT_FALSE(combo->LookupReady());
}

// A locate object that could switch to an index tells whether the control let it.
class IndexLocate : public TLocateObject {
public:
    static inline std::vector<bool> Asked;

protected:
    bool UseKey() override {
        Asked.push_back(IndexSwitch());
        return false;
    }
};

TEST_F(KvLookupTest, SearchesHandTheIndexSwitchToTheLocateObject) {
    SetLocateObjectFactory([] { return std::make_unique<IndexLocate>(); });
    IndexLocate::Asked.clear();
    auto* combo = new TKvDBLookupCombo(&form);
    SetLocateObjectFactory(nullptr);
    combo->SetParent(&form);
    combo->SetLookupSource(&typeSource);
    combo->SetLookupField("Kod");
    combo->SetLookupDisplay("Name");
    combo->SetValue("T5");
    combo->SetIndexSwitch(false);
    combo->SetValue("T2");
    EXPECT_EQ(combo->Text(), "Banka");
    EXPECT_EQ(IndexLocate::Asked, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace kvz
