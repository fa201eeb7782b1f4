// The colour combo box, the data-aware grid, combo box and date edit, driven headless; the
// data-aware ones over a real engine table with Slovak text.
#include "controls/KVDBCtrl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"

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

} // namespace
} // namespace kvz
