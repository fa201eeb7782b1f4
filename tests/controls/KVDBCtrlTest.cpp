// The colour combo box, the data-aware grid, combo box and date edit, driven headless; the
// data-aware ones over a real engine table with Slovak text.
#include "controls/KVDBCtrl.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/DBCGrids.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Clock.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

namespace kvz {
namespace {

const char* LanguageSuffix(int language) { return language == 1 ? "-en" : language == 2 ? "-sk" : "-cs"; }

// Made before the first widget of a fixture.
struct Application {
    Application() { testing::EnsureApplication(); }
};

class ColorComboTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        form.SetClientSize(260, 260);
        combo->SetParent(&form);
        combo->SetBounds(10, 10, 160, 24);
        combo->OnChange = [this](TComponent*) { ++changes; };
        form.Show();
        QApplication::processEvents();
    }
    QComboBox* Qt() const { return static_cast<QComboBox*>(combo->Widget()); }

    Application application;
    TForm form{nullptr};
    TColorComboBox* combo = new TColorComboBox(&form);
    int changes = 0;
};

TEST_F(ColorComboTest, ColorValueSelectsItsItemOrShowsItsHexText) {
    EXPECT_EQ(combo->Items().Count(), 16);
    EXPECT_EQ(combo->ColorValue(), clBlack);
    combo->SetColorValue(clTeal);
    EXPECT_EQ(combo->ItemIndex(), 6);
    EXPECT_EQ(changes, 1);
    combo->SetColorValue(clTeal); // already chosen: nothing fires
    EXPECT_EQ(changes, 1);
    // Outside the list: nothing chosen, the hex text shows, and OnChange still fires.
    combo->SetColorValue(0x00336699);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(Qt()->placeholderText().toStdString(), "$00336699");
    EXPECT_EQ(combo->ColorValue(), 0x00336699u);
    EXPECT_EQ(changes, 2);

    // A choice of the user writes the item's colour, then the click follows.
    int clicks = 0;
    combo->OnClick = [&](TComponent*) { ++clicks; };
    Qt()->setCurrentIndex(9);
    emit Qt()->activated(9);
    EXPECT_EQ(combo->ColorValue(), clRed);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(clicks, 1);

    // The other entries by Options; names replaced line by line, an empty line keeps one.
    combo->SetOptions(coIncludeNone | coIncludeDefault);
    EXPECT_EQ(combo->Items().Count(), 18);
    EXPECT_EQ(combo->ItemColor(17), clDefault);
    combo->SetColorNames({"Čierna", "Gaštanová", ""});
    EXPECT_EQ(combo->Items()[1], "Gaštanová");
    EXPECT_EQ(combo->Items()[2], "Green");
    EXPECT_EQ(combo->ColorValue(), clRed);
    EXPECT_EQ(combo->ItemIndex(), 9);
}

TEST_F(ColorComboTest, TypedTextReadsAsNameOrNumber) {
    combo->SetStyle(TComboBoxStyle::csDropDown);
    combo->SetColorValue(0x00ABCDEF);
    EXPECT_EQ(combo->Text(), "$00ABCDEF");
    changes = 0;
    const std::vector<std::pair<QString, TColor>> typed = {{"Navy", clNavy}, {"$00010203", 0x010203u}, {"255", 255u}};
    for (const auto& [text, color] : typed) {
        Qt()->lineEdit()->clear();
        testing::TypeText(Qt()->lineEdit(), text);
        EXPECT_EQ(combo->ColorValue(), color) << text.toStdString();
    }
    EXPECT_GE(changes, 3); // each key that gives another colour
    // Text that is no colour keeps the last one.
    Qt()->lineEdit()->setText("modrá");
    EXPECT_EQ(combo->ColorValue(), 255u);
}

TEST_F(ColorComboTest, OpenListPictures) {
    const std::vector<std::vector<std::string>> names = {
        {},
        {"Čierna", "Gaštanová", "Zelená", "Olivová", "Námornícka", "Purpurová", "Modrozelená", "Sivá", "Strieborná",
         "Červená", "Limetková", "Žltá", "Modrá", "Fuchsiová", "Azúrová", "Biela", "Žiadna", "Predvolená"},
        {"Černá", "Kaštanová", "Zelená", "Olivová", "Námořnická", "Purpurová", "Modrozelená", "Šedá", "Stříbrná",
         "Červená", "Limetková", "Žlutá", "Modrá", "Fuchsiová", "Azurová", "Bílá", "Žádná", "Výchozí"},
    };
    for (int language = 1; language <= 3; ++language) {
        combo->SetOptions(coIncludeNone);
        combo->SetColorNames(names[language - 1]);
        combo->SetColorValue(clYellow);
        Qt()->showPopup();
        QApplication::processEvents();
        QWidget* popup = Qt()->view()->window();
        ASSERT_TRUE(popup->isVisible());
        QImage image(popup->size(), QImage::Format_RGB32);
        popup->render(&image);
        if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
            image.save(QString("%1/colorcombo-open%2.png").arg(dir, LanguageSuffix(language)));
        // The light Yellow has a black border round its swatch.
        const QRect item = Qt()->view()->visualRect(Qt()->model()->index(11, 0));
        const QPoint corner = Qt()->view()->viewport()->mapTo(popup, item.topLeft() + QPoint(2, 2));
        EXPECT_EQ(testing::PixelAt(image, corner.x(), corner.y()), clBlack);
        Qt()->hidePopup();
        testing::Render(*combo, std::string("colorcombo") + LanguageSuffix(language));
    }
}

// A task table in memory of the engine: a boolean shown as a choice, a path, a date with time.
class DataControlsTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        table.FieldDefs().Add("Uloha", ftString, 30);
        table.FieldDefs().Add("Run", ftBoolean);
        table.FieldDefs().Add("Path", ftString, 60);
        table.FieldDefs().Add("Datum", ftDateTime);
        table.Open();
        table.AppendRecord({Variant("Zaplatiť nájom"), Variant(true), Variant("C:\\Účty"), Variant::DateTime(EncodeDate(2026, 12, 1) + 0.75)});
        table.AppendRecord({Variant("Kúpiť darček"), Variant(false), Variant("Možno"), Variant()});
        table.AppendRecord({Variant("Stretnutie v Žiline"), Variant(true), Variant("D:\\"), Variant::DateTime(ComposeDateTime(EncodeDate(1899, 12, 20), 0.5))});
        table.First();
        source.SetDataSet(&table);
        form.SetClientSize(360, 200);
        form.Show();
        QApplication::processEvents();
    }
    template <class T>
    T* Place(T* control, int top, const char* field) {
        control->SetParent(&form);
        control->SetBounds(10, top, 180, 24);
        control->SetDataSource(&source);
        control->SetDataField(field);
        return control;
    }
    void Focus(TWinControl* control) {
        control->SetFocus();
        QApplication::processEvents();
    }
    void Type(TWinControl* control, const QString& text) {
        for (QChar c : text) testing::Key(control->Widget(), c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }

    Application application;
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.5};
    ScopedClock scoped{clock};
    TVolgaTable table;
    TDataSource source;
    TForm form{nullptr};
    TResponder responder;
};

TEST_F(DataControlsTest, ComboShowsItemsAndStoresValues) {
    auto* run = Place(new TKvDBComboBox(&form), 10, "Run");
    run->SetItems({"Áno", "Nie"});
    run->SetValues({"True", "False"});
    EXPECT_EQ(run->Style(), TComboBoxStyle::csDropDown);
    run->SetEnableValues(true);
    EXPECT_EQ(run->Style(), TComboBoxStyle::csDropDownList);
    run->SetStyle(TComboBoxStyle::csDropDown); // refused while values are stored
    EXPECT_EQ(run->Style(), TComboBoxStyle::csDropDownList);
    EXPECT_EQ(run->Text(), "Áno");

    auto* box = static_cast<QComboBox*>(run->Widget());
    auto* other = Place(new TKvDBComboBox(&form), 50, "Path");
    Focus(run);
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(table.State(), dsEdit);
    Focus(other);
    EXPECT_FALSE(table.FieldByName("Run").AsBoolean());
    EXPECT_EQ(table.FieldByName("Run").Text(), "False");
    table.Post();
    // Escape shows the field again.
    Focus(run);
    box->setCurrentIndex(0);
    emit box->activated(0);
    testing::Key(run->Widget(), Qt::Key_Escape);
    EXPECT_EQ(run->Text(), "Nie");
    table.Cancel();

    // A text that is not among the values shows no choice and paints empty.
    other->SetItems({"C:\\Účty", "D:\\"});
    other->SetValues({"C:\\Účty", "D:\\"});
    other->SetEnableValues(true);
    table.Next();
    EXPECT_EQ(table.FieldByName("Path").AsString(), "Možno");
    EXPECT_EQ(other->ItemIndex(), -1);
    EXPECT_EQ(other->CopyPaintText(), "");
    EXPECT_EQ(run->CopyPaintText(), "Nie");
    // Without values the edit text is what is stored.
    auto* path = Place(new TKvDBComboBox(&form), 90, "Path");
    EXPECT_EQ(path->Text(), "Možno");
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(DataControlsTest, DateEditStoresDaysWithTheirTime) {
    auto* edit = Place(new TDBDateEdit(&form), 10, "Datum");
    auto* other = Place(new TKvDBComboBox(&form), 50, "Uloha");
    edit->SetFormatSettings(FormatSettings::ForLanguage(2));
    EXPECT_EQ(edit->Text(), "01.12.2026");
    // Letters are refused, digits edit the record; leaving keeps the time of day.
    Focus(edit);
    edit->LineEdit()->setCursorPosition(0);
    Type(edit, "x");
    EXPECT_EQ(table.State(), dsBrowse);
    Type(edit, "24");
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(edit->Text(), "24.12.2026");
    Focus(other);
    EXPECT_DOUBLE_EQ(table.FieldByName("Datum").AsDateTime(), EncodeDate(2026, 12, 24) + 0.75);
    table.Post();

    // Before 1900 the day changes and the time stays.
    table.Last();
    EXPECT_EQ(edit->Text(), "20.12.1899");
    Focus(edit);
    edit->LineEdit()->setCursorPosition(0);
    Type(edit, "19");
    Focus(other);
    const TDateTime stored = table.FieldByName("Datum").AsDateTime();
    EXPECT_DOUBLE_EQ(stored, EncodeDate(1899, 12, 19) - 0.5);
    EXPECT_DOUBLE_EQ(TimeOfDay(stored), 0.5);
    table.Post();

    // A null date is blank, in the date's shape also when painted as a copy; with
    // DefaultToday, editing gives it the current date and time.
    table.First();
    table.Next();
    EXPECT_EQ(edit->Text(), edit->TextModel().BlankText());
    EXPECT_EQ(edit->CopyText(), "  .  .    ");
    edit->SetDefaultToday(true);
    table.Edit();
    EXPECT_DOUBLE_EQ(table.FieldByName("Datum").AsDateTime(), EncodeDate(2026, 12, 10) + 0.5);
    table.Cancel();

    // A day that does not exist stays in the edit with an error, and nothing is stored.
    table.First();
    edit->SetCheckOnExit(true);
    Focus(edit);
    edit->LineEdit()->setCursorPosition(0);
    Type(edit, "31");
    edit->LineEdit()->setCursorPosition(3);
    Type(edit, "02");
    responder.MessageBoxAnswers = {IDOK};
    Focus(other);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("is not a valid date"), std::string::npos);
    EXPECT_EQ(QApplication::focusWidget(), edit->Widget());
    testing::Key(edit->Widget(), Qt::Key_Escape);
    EXPECT_EQ(edit->Text(), "24.12.2026");
}

TEST_F(DataControlsTest, CopiesInAControlGridInThreeLanguages) {
    const char* yes[] = {"Yes", "Áno", "Ano"};
    const char* no[] = {"No", "Nie", "Ne"};
    for (int language = 1; language <= 3; ++language) {
        TDBCtrlGrid grid(nullptr);
        grid.SetParent(&form);
        grid.SetBounds(0, 0, 360, 120);
        grid.SetRowCount(3);
        auto* combo = new TKvDBComboBox(&grid);
        combo->SetParent(grid.Panel());
        combo->SetBounds(4, 6, 90, 24);
        combo->SetItems({yes[language - 1], no[language - 1]});
        combo->SetValues({"True", "False"});
        combo->SetEnableValues(true);
        combo->SetDataSource(&source);
        combo->SetDataField("Run");
        auto* date = new TDBDateEdit(&grid);
        date->SetParent(grid.Panel());
        date->SetBounds(100, 6, 120, 24);
        date->SetFormatSettings(FormatSettings::ForLanguage(language));
        date->SetReadOnly(true);
        date->SetDataSource(&source);
        date->SetDataField("Datum");
        grid.SetDataSource(&source);
        const QImage image = testing::Render(grid, std::string("dbctrlgrid-copies") + LanguageSuffix(language));
        EXPECT_EQ(combo->Text(), yes[language - 1]);
        // A copy of the date edit painted by hand.
        QImage copy(date->Width(), date->Height(), QImage::Format_RGB32);
        {
            QPainter painter(&copy);
            TCanvas canvas(painter);
            date->PaintCopy(canvas);
        }
        if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
            copy.save(QString("%1/dbdateedit-copy%2.png").arg(dir, LanguageSuffix(language)));
        EXPECT_EQ(testing::PixelAt(copy, 0, 0), ColorToRGB(clBtnShadow));
    }
}

} // namespace
} // namespace kvz
