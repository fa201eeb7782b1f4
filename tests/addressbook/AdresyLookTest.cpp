#include "core/DataModuleParts.h"

#include "AdresyChildTesting.h"

#include <QColorDialog>
#include <QFontDialog>

namespace kvz {
namespace {

using AdresyLookTest = AdresyWindowTest;

// The settings dialog's colour and font buttons: the chosen look goes to every field control,
// the font no larger than 10 points; a cancelled dialog changes nothing.
TEST_F(AdresyLookTest, AChosenColourAndFontReachEveryFieldControl) {
    Start(1);
    responder.OnDialog = [](QDialog& d) {
        auto& colours = static_cast<QColorDialog&>(d);
        colours.setCurrentColor(QColor(0x20, 0x40, 0x60));
        static_cast<QDialog&>(colours).done(QDialog::Accepted); // the dialog takes the colour as chosen
        return int(QDialog::Accepted);
    };
    book->VymenColor();
    const TColor chosen = 0x00604020; // stored as 0x00BBGGRR
    for (TControl* c : std::initializer_list<TControl*>{book->DBEdit2, book->DBEdit18, book->DBDateEdit2, book->DBMemo4})
        EXPECT_EQ(c->Color(), chosen) << c->Name();
    EXPECT_NE(book->DBMemo2->Color(), chosen); // the note keeps its own

    responder.OnDialog = [](QDialog& d) {
        static_cast<QFontDialog&>(d).setCurrentFont(QFont("Serif", 24));
        return int(QDialog::Accepted);
    };
    book->VymenFont();
    EXPECT_EQ(book->DBEdit2->Font().Size, 10);
    EXPECT_EQ(book->DBMemo1->Font().Size, 10);
    EXPECT_EQ(book->DBEdit16->Font().Name, book->DBEdit2->Font().Name);
    EXPECT_EQ(DataModuleParts().FontDialog1.MaxFontSize, 16);

    responder.OnDialog = [](QDialog&) { return int(QDialog::Rejected); };
    book->VymenColor();
    book->VymenFont();
    EXPECT_EQ(book->DBEdit5->Color(), chosen);
    EXPECT_EQ(book->DBEdit5->Font().Size, 10);
    // What the settings dialog then stores is the new look.
    book->UlozDoPola();
    EXPECT_EQ(ProgramSettings().Nastavenia[2], static_cast<int>(chosen));
    EXPECT_EQ(ProgramSettings().Nastavenia[10], 10);
}

} // namespace
} // namespace kvz
