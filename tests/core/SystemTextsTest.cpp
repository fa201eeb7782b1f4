// The texts the system shows of its own reach the user in his language: a grid's question, the
// errors of the table engine and the dataset, the colours' names, and Qt's own buttons.
#include "controls/KVDBCtrl.h"
#include "controls/KvDBGrid.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>

namespace kvz {
namespace {

// Runs the test in a language and goes back to the one the other tests expect.
class InLanguageTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    }
    void TearDown() override { SetLanguage(2); }
    TResponder responder;
};

TEST(SystemTexts, TheCatalogueSaysEachSystemTextInTheLanguageKeepingWhatItNames) {
    const struct {
        const char* system;
        const char* slovak;
        const char* czech;
    } cases[] = {
        {"Delete record?", "Zmazať záznam?", "Smazat záznam?"},
        {"Delete all selected records?", "Zmazať všetky vybrané záznamy?", "Smazat všechny vybrané záznamy?"},
        {"A shared table was changed outside its writer", "Zdieľaná tabuľka bola zmenená bez uzamknutia na zápis",
         "Sdílená tabulka byla změněna bez uzamčení pro zápis"},
        {"The text for field 'Firma' is too long: 9 characters, at most 5 allowed",
         "Text položky 'Firma' je príliš dlhý: 9 znakov, povolených je najviac 5",
         "Text položky 'Firma' je příliš dlouhý: 9 znaků, povoleno je nejvýše 5"},
        {"The text for field 'Poznámka' is too long", "Text položky 'Poznámka' je príliš dlhý",
         "Text položky 'Poznámka' je příliš dlouhý"},
        // A system text inside another is said in the language too; what the catalogue lacks stays.
        {"Error opening table: Buffer structure corruption!",
         "Chyba pri otváraní tabuľky: Štruktúra údajov tabuľky je poškodená!",
         "Chyba při otevírání tabulky: Struktura dat tabulky je poškozená!"},
        {"Error opening table: Field 'Uloha' has wrong length 7 in record 3",
         "Chyba pri otváraní tabuľky: Field 'Uloha' has wrong length 7 in record 3",
         "Chyba při otevírání tabulky: Field 'Uloha' has wrong length 7 in record 3"},
        {"'12a' is not an integer for field 'Počet'", "'12a' nie je celé číslo pre položku 'Počet'",
         "'12a' není celé číslo pro položku 'Počet'"},
        {"Black", "Čierna", "Černá"},
        {"Default", "Predvolená", "Výchozí"},
        // Texts that merely start or end like a system text are the user's own.
        {"Delete record? Now", "Delete record? Now", "Delete record? Now"},
        {"Blackbird", "Blackbird", "Blackbird"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemTextInLanguage(c.system, 1), c.system);
        EXPECT_EQ(SystemTextInLanguage(c.system, 2), c.slovak);
        EXPECT_EQ(SystemTextInLanguage(c.system, 3), c.czech);
    }
}

TEST_F(InLanguageTest, TheGridAsksInTheUsersLanguage) {
    SetLanguage(2);
    TForm form(nullptr);
    TVolgaTable table;
    table.FieldDefs().Add("Firma", ftString, 20);
    table.Open();
    for (const char* name : {"Alfa", "Beta"}) table.AppendRecord({Variant(name)});
    TDataSource source(nullptr);
    source.SetDataSet(&table);
    auto* grid = new TKvDBGrid(&form);
    form.SetClientSize(400, 200);
    grid->SetParent(&form);
    grid->SetAlign(TAlign::alClient);
    grid->SetDataSource(&source);
    grid->SetMultiSelect(true);
    form.Show();
    QApplication::processEvents();
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDNO; };
    testing::TypeKey(grid->View(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Zmazať záznam?");
    EXPECT_EQ(responder.MessageBoxes[0].Caption, "Potvrdenie");
    EXPECT_EQ(table.RecordCount(), 2);
}

// The errors the windows show as the engine raised them: a value too long for its field, a
// table file that is damaged (as the payments page opens its files), a shared table written
// outside its writer.
TEST_F(InLanguageTest, EngineErrorsShowInTheUsersLanguage) {
    SetLanguage(2);
    TempFolder dir;
    WriteFileDurably(dir.path() / "platby_sk.d", std::string(64, 'x'));
    TVolgaTable damaged;
    damaged.SetTableName((dir.path() / "platby_sk.d").string());
    try {
        damaged.Open();
        ADD_FAILURE() << "opened";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), "Error opening table: Buffer structure corruption!"); // the engine's own
        Application().ShowException(error);
    }
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Chyba pri otváraní tabuľky: Štruktúra údajov tabuľky je poškodená!");

    TVolgaTable table;
    table.FieldDefs().Add("Firma", ftString, 5);
    table.Open();
    table.Append();
    try {
        table.FieldByName("Firma").SetAsString("Žlutý kůň");
        ADD_FAILURE() << "stored";
    } catch (const std::exception& error) {
        Application().ShowException(error);
    }
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[1].Text, "Text položky 'Firma' je príliš dlhý: 9 znakov, povolených je najviac 5");
    table.Cancel();

    SetLanguage(3);
    TTableLocks locks;
    table.Append();
    try {
        locks.WriteSharedTable(table, dir.path() / "platby_sk.mpf", true, std::chrono::milliseconds(1), [] {});
        ADD_FAILURE() << "written";
    } catch (const std::logic_error& e) {
        EXPECT_EQ(std::string(e.what()), "Sdílená tabulka byla změněna bez uzamčení pro zápis");
    }
    table.Cancel();
}

TEST_F(InLanguageTest, ColourNamesAreTheUsersLanguage) {
    const char* const black[] = {"Black", "Čierna", "Černá"};
    const char* const yellow[] = {"Yellow", "Žltá", "Žlutá"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        TForm form(nullptr);
        auto* combo = new TColorComboBox(&form);
        combo->SetParent(&form);
        EXPECT_EQ(combo->Items()[0], black[language - 1]);
        EXPECT_EQ(combo->Items()[11], yellow[language - 1]);
        const char* const suffixes[] = {"en", "sk", "cz"};
        testing::Render(*combo, std::string("colorcombo-names-") + suffixes[language - 1]);
        // The window's own names still come first.
        combo->SetColorNames({"Uhoľ"});
        EXPECT_EQ(combo->Items()[0], "Uhoľ");
    }
}

// Qt's own buttons and dialogs speak the chosen language (Debian's Qt translations).
TEST_F(InLanguageTest, QtsOwnButtonsFollowTheChosenLanguage) {
    const auto buttons = [] {
        QMessageBox box;
        std::string texts;
        for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            texts += box.addButton(button)->text().remove('&').toStdString() + "/";
        return texts;
    };
    // Pictures of a question and of Qt's file dialog, for a person to look at.
    const auto pictures = [](const char* suffix) {
        const char* dir = std::getenv("KVZ_RENDER_DIR");
        if (!dir) return;
        QMessageBox box(QMessageBox::Question, "KV-Zirt", QString::fromStdString(Application().UserText("Delete record?")),
                        QMessageBox::Yes | QMessageBox::No);
        box.show();
        QApplication::processEvents();
        box.grab().save(QString("%1/question-%2.png").arg(dir, suffix));
        QFileDialog files(nullptr, QString(), dir);
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.resize(640, 420);
        files.show();
        QApplication::processEvents();
        files.grab().save(QString("%1/filedialog-%2.png").arg(dir, suffix));
    };
    SetLanguage(2);
    EXPECT_EQ(buttons(), "Áno/Nie/Zrušiť/");
    pictures("sk");
    SetLanguage(3);
    EXPECT_EQ(buttons(), "Ano/Ne/Zrušit/");
    pictures("cz");
    SetLanguage(1);
    EXPECT_EQ(buttons(), "Yes/No/Cancel/");
    pictures("en");
    EXPECT_TRUE(LoadQtTexts(2));
    EXPECT_EQ(buttons(), "Áno/Nie/Zrušiť/");
}

} // namespace
} // namespace kvz
