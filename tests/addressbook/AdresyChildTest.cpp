#include "addressbook/AdresyChild.h"
#include "addressbook/FindText.h"
#include "addressbook/Restore.h"
#include "addressbook/OrderForm.h"
#include "addressbook/UserFields.h"
#include "controls/ToolEdit.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"

#include "AdresyChildTesting.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QSlider>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

namespace fs = std::filesystem;

// The window's tests also answer the sort-order dialog and put in their own dialler.
class AdresyChildTest : public AdresyWindowTest {
protected:
    void TearDown() override {
        SetDialer(nullptr);
        AdresyWindowTest::TearDown();
    }
    // Runs the sort-order dialog, which picks the choice and presses OK.
    int ChooseSortOrder(int choice) {
        responder.OnShowModal = [choice](TForm& f) {
            auto& d = static_cast<TOrderForm&>(f);
            d.ListBox1->SetItemIndex(choice);
            d.BitBtn1->Click();
            return mrNone;
        };
        return TOrderForm(nullptr, *data, ProgramState()).ShowModal();
    }
};

TEST_F(AdresyChildTest, TheToolBarBrowsesInsertsEditsAndDeletesAndTheLetterBarFollows) {
    Start(1);
    ASSERT_NE(book, nullptr);
    AddRows({"Beta", "Quido", "Rado"});
    book->ApplySortOrder();
    frame->FirstButtonClick(frame);
    EXPECT_EQ(book->DBEdit1->Text(), "Beta");
    EXPECT_EQ(book->TrackBar1->Position(), 1);
    frame->NextButtonClick(frame); // the sample row "My Firm"
    frame->NextButtonClick(frame);
    EXPECT_EQ(book->DBEdit1->Text(), "Quido");
    EXPECT_EQ(book->TrackBar1->Position(), 12); // q has no place: the bar stays on m
    // Moving the bar from code, or while another control has the focus, jumps nowhere.
    book->TrackBar1->SetPosition(16);
    EXPECT_EQ(book->DBEdit1->Text(), "Quido");
    book->TrackBar1->SetFocus();
    QApplication::processEvents();
    book->TrackBar1->SetPosition(0);
    book->TrackBar1->SetPosition(16);
    EXPECT_EQ(book->DBEdit1->Text(), "Rado");

    // A typed digit 0 does not start an edit; a letter does.
    char32_t zero = U'0', letter = U'x';
    book->DBEdit1KeyPress(zero);
    EXPECT_FALSE(frame->PostButton->Enabled());
    book->DBEdit1KeyPress(letter);
    EXPECT_TRUE(frame->PostButton->Enabled());
    Addresses().FieldByName("Funkcia").SetAsString("boss");
    frame->PostButtonClick(frame);
    EXPECT_EQ(FileColumn(data->TableFileName(TableId::Address), "Funkcia", ""),
              (std::vector<std::string>{"", "", "Function", "boss"}));

    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 4");
    frame->InsertButtonClick(frame);
    Addresses().FieldByName("Firma").SetAsString("Nova");
    frame->PostButtonClick(frame);
    EXPECT_EQ(FileColumn(data->TableFileName(TableId::Address), "Firma", "").size(), 5u);
    EXPECT_EQ(book->DBEdit1->Text(), "Nova");
    // The count follows at once, as it does after a delete.
    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 5");

    responder.MessageBoxAnswers = {IDYES};
    frame->DeleteButtonClick(frame);
    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 4");
    const std::vector<std::string> left = FileColumn(data->TableFileName(TableId::Address), "Firma", "");
    EXPECT_EQ(std::count(left.begin(), left.end(), "Nova"), 0);
}

TEST_F(AdresyChildTest, StreetCityAndZipStandBesideTheThirdFourthAndFifthLinesOfEachAddress) {
    for (int language : {1, 2, 3}) {
        SCOPED_TRACE(language);
        Start(language);
        AddRows({"Alfa"});
        ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
        book->PageControl1->SetActivePageIndex(0);
        for (TDBMemo* memo : {book->DBMemo1, book->DBMemo3}) {
            SCOPED_TRACE(memo->Name());
            auto* edit = static_cast<QPlainTextEdit*>(memo->Widget());
            edit->setPlainText("Alfa s.r.o.\nJán Čierny\nHlavná 1\nŽilina\n010 01");
            QApplication::processEvents();
            const std::string suffix = memo == book->DBMemo1 ? "" : "2";
            int line = 2;
            for (const char* name : {"StreetLabel", "CityLabel", "ZipLabel"}) {
                QWidget* label = dynamic_cast<TLabel*>(book->FindComponent(name + suffix))->Widget();
                QTextCursor cursor(edit->document()->findBlockByNumber(line++));
                const QRect lineRect = edit->cursorRect(cursor);
                const int lineMiddle = label->parentWidget()
                                           ->mapFromGlobal(edit->viewport()->mapToGlobal(lineRect.center()))
                                           .y();
                const QRect placed = label->geometry();
                EXPECT_NEAR(placed.center().y(), lineMiddle, 2) << name;
                EXPECT_TRUE(label->isVisible()) << name;
                // Beside the memo, whole, not over the memo.
                const int memoRight = label->parentWidget()->mapFromGlobal(edit->mapToGlobal(QPoint(edit->width(), 0))).x();
                EXPECT_GE(placed.left(), memoRight) << name;
                EXPECT_GE(placed.width(), label->sizeHint().width()) << name;
            }
        }
        Stop();
    }
}

// In a network edit that begins on another page, the labels stand beside the lines of the copies.
TEST_F(AdresyChildTest, StreetCityAndZipStandBesideTheCopiesOfANetworkEdit) {
    Start(1, "Nastavenia68=1\n"); // the window opens on the Personal page
    AddRows({"Alfa"});
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    ASSERT_EQ(book->PageControl1->ActivePageIndex(), 1);
    ProgramState().NetworkMode = true;
    data->CreateLockFile(data->LockFileName(TableId::Address));
    frame->EditButtonClick(frame);
    book->PageControl1->SetActivePageIndex(0);
    QApplication::processEvents();
    for (const char* memoName : {"ShMemo1", "ShMemo3"}) {
        SCOPED_TRACE(memoName);
        auto* edit = static_cast<QPlainTextEdit*>(dynamic_cast<TControl*>(book->FindComponent(memoName))->Widget());
        edit->setPlainText("Alfa\nJan\nMain 1\nCity\n010 01");
        QApplication::processEvents();
        const std::string suffix = std::string(memoName) == "ShMemo1" ? "" : "2";
        int line = 2;
        for (const char* name : {"StreetLabel", "CityLabel", "ZipLabel"}) {
            QWidget* label = dynamic_cast<TLabel*>(book->FindComponent(name + suffix))->Widget();
            const QRect lineRect = edit->cursorRect(QTextCursor(edit->document()->findBlockByNumber(line++)));
            const int lineMiddle =
                label->parentWidget()->mapFromGlobal(edit->viewport()->mapToGlobal(lineRect.center())).y();
            EXPECT_NEAR(label->geometry().center().y(), lineMiddle, 2) << name;
            const int memoRight = label->parentWidget()->mapFromGlobal(edit->mapToGlobal(QPoint(edit->width(), 0))).x();
            EXPECT_GE(label->geometry().left(), memoRight) << name;
        }
    }
    frame->CancelButtonClick(frame);
    ProgramState().NetworkMode = false;
}

TEST_F(AdresyChildTest, ALocalSaveCutsTheDerivedCityAndName) {
    Start(1);
    AddRows({"Alfa"});
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    const std::string city35 = "Banská Bystrica - Sásová, Rudlovská";
    frame->EditButtonClick(frame);
    Addresses().FieldByName("Meno_Kr").SetAsString(std::string(20, 'M'));
    Addresses().FieldByName("Priezvisko").SetAsString(std::string(30, 'P'));
    Addresses().FieldByName("Adresa_1").SetAsString("Alfa\r\nJan\r\nHlavná 1\r\n" + city35 + "\r\n974 01");
    frame->PostButtonClick(frame);
    EXPECT_FALSE(frame->PostButton->Enabled());
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_EQ(Addresses().FieldByName("Mesto").AsString(), "Banská Bystrica - Sásová, Rudl");
    EXPECT_EQ(Addresses().FieldByName("Meno").AsString(), std::string(20, 'M') + "  " + std::string(28, 'P'));
    const std::vector<std::string> cities = FileColumn(data->TableFileName(TableId::Address), "Mesto", "");
    EXPECT_EQ(std::count(cities.begin(), cities.end(), "Banská Bystrica - Sásová, Rudl"), 1);
}

TEST_F(AdresyChildTest, APressOnTheLetterBarTakesTheFocusFirstAndJumps) {
    Start(1);
    AddRows({"Beta", "Zeta"});
    book->ApplySortOrder();
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Zeta"), 0));
    book->DBEdit1->SetFocus();
    QApplication::processEvents();
    // A press takes the focus from the name, so that the move it starts jumps (the end-to-end
    // suite drags the real bar).
    TTrackBar& bar = *book->TrackBar1;
    bar.SetPosition(0);
    testing::Press(bar, bar.Width() / 2, bar.Height() / 2, Qt::RightButton);
    EXPECT_TRUE(bar.Focused());
    bar.SetPosition(1);
    testing::Release(bar, bar.Width() / 2, bar.Height() / 2, Qt::RightButton);
    EXPECT_EQ(book->DBEdit1->Text(), "Beta");
    // A stands at the top, as the letters beside the bar read.
    EXPECT_TRUE(static_cast<QSlider*>(bar.Widget())->invertedAppearance());
    EXPECT_EQ(book->DBEdit1->Text(), "Beta");
}

TEST_F(AdresyChildTest, ABirthdayIsClickedIntoTypedAndSavedWhenEditingAnAddressWithoutReminders) {
    Start(2);
    AddRows({"Alfa"});
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    frame->EditButtonClick(frame);
    book->PageControl1->SetActivePageIndex(1);
    QApplication::processEvents();
    for (TDBDateEdit* edit : {book->DBDateEdit1, book->DBDateEdit2}) EXPECT_TRUE(edit->Enabled()) << edit->Name();
    QWidget* birthday = book->DBDateEdit1->Widget();
    QTest::mouseClick(birthday, Qt::LeftButton, Qt::NoModifier, QPoint(birthday->width() / 2, birthday->height() / 2));
    EXPECT_TRUE(book->DBDateEdit1->Focused());
    QTest::keyClicks(birthday, "15031980");
    EXPECT_EQ(book->DBDateEdit1->Text(), "15.03.1980");
    frame->PostButtonClick(frame);
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_EQ(Addresses().FieldByName("Narodeniny").AsDateTime(), EncodeDate(1980, 3, 15));
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

// A birthday that is no date is said once when Save refuses it, though the box takes the focus
// from the date edit, and not again when the edit is cancelled.
TEST_F(AdresyChildTest, ABirthdayThatIsNoDateIsSaidOnceOnSaveAndNotAgainOnCancel) {
    Start(1);
    AddRows({"Alfa"});
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    frame->Widget()->activateWindow();
    frame->EditButtonClick(frame);
    book->PageControl1->SetActivePageIndex(1);
    QApplication::processEvents();
    QWidget* birthday = book->DBDateEdit1->Widget();
    QTest::mouseClick(birthday, Qt::LeftButton, Qt::NoModifier, QPoint(birthday->width() / 2, birthday->height() / 2));
    ASSERT_TRUE(book->DBDateEdit1->Focused());
    QTest::keyClicks(birthday, "31022020");
    // Each box takes the focus, as a box of the desktop does.
    responder.OnMessageBox = [](const TMessageBoxParams&) {
        QWidget box;
        auto* ok = new QPushButton("OK", &box);
        box.show();
        box.activateWindow();
        ok->setFocus();
        QApplication::processEvents();
        return IDOK;
    };
    frame->PostButtonClick(frame);
    QApplication::processEvents();
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_TRUE(frame->PostButton->Enabled());
    frame->CancelButtonClick(frame);
    QApplication::processEvents();
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_FALSE(frame->PostButton->Enabled());
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_TRUE(Addresses().FieldByName("Narodeniny").IsNull());
}

// A new date edit takes the program's language when it is made; the window that stays open
// over a change of language sets it again when the frame shows it anew.
TEST_F(AdresyChildTest, TheDateEditsFollowALanguageChosenWhileTheWindowStaysOpen) {
    Start(2);
    for (TDBDateEdit* edit : {book->DBDateEdit1, book->DBDateEdit2})
        EXPECT_EQ(edit->Settings().ShortDateFormat, FormatSettings::ForLanguage(2).ShortDateFormat) << edit->Name();
    SetLanguage(1);
    frame->RefreshActiveModule(); // what the language dialog's OK does
    for (TDBDateEdit* edit : {book->DBDateEdit1, book->DBDateEdit2})
        EXPECT_EQ(edit->Settings().ShortDateFormat, FormatSettings::ForLanguage(1).ShortDateFormat) << edit->Name();
}

TEST_F(AdresyChildTest, NetworkEditTypesIntoCopiesAndSavesUnderTheLock) {
    Start(1);
    AddRows({"Alfa"});
    ProgramState().NetworkMode = true;
    data->CreateLockFile(data->LockFileName(TableId::Address));
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    frame->EditButtonClick(frame);
    auto* copy = dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Text(), "Alfa");
    EXPECT_FALSE(book->DBEdit1->Visible());
    EXPECT_EQ(copy->SFieldName, "Firma");
    // No more can be typed into a copy than its field holds.
    EXPECT_EQ(copy->MaxLength(), Addresses().FieldByName("Firma").Size());
    copy->SetText("Alfa s.r.o.");
    auto* birthday = dynamic_cast<TDateEdit*>(book->FindComponent("ShDate1"));
    ASSERT_NE(birthday, nullptr);
    birthday->SetDate(EncodeDate(1980, 2, 1));
    frame->PostButtonClick(frame);
    EXPECT_EQ(book->FindComponent("ShEdit1"), nullptr);
    EXPECT_TRUE(book->DBEdit1->Visible());
    const std::vector<std::string> firms = FileColumn(data->TableFileName(TableId::Address), "Firma", "");
    EXPECT_EQ(std::count(firms.begin(), firms.end(), "Alfa s.r.o."), 1);
    EXPECT_EQ(std::count(firms.begin(), firms.end(), "Alfa"), 0);
    EXPECT_FALSE(ProgramLocks().TableLockHeld());
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa s.r.o."), 0));
    EXPECT_EQ(Addresses().FieldByName("Narodeniny").AsDateTime(), EncodeDate(1980, 2, 1));

    // A birthday emptied in the copy is cleared, as in local mode.
    frame->EditButtonClick(frame);
    dynamic_cast<TDateEdit*>(book->FindComponent("ShDate1"))->SetText("");
    frame->PostButtonClick(frame);
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa s.r.o."), 0));
    EXPECT_TRUE(Addresses().FieldByName("Narodeniny").IsNull());

    // A network insert through the tool bar: the count follows at once.
    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 2");
    frame->InsertButtonClick(frame);
    dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit1"))->SetText("Gama");
    frame->PostButtonClick(frame);
    EXPECT_EQ(FileColumn(data->TableFileName(TableId::Address), "Firma", "").size(), 3u);
    EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 3");
    ProgramState().NetworkMode = false;
}

// While an address is typed into the copies nothing of the window moves the current address,
// and the save writes the address whose edit began, whatever is current by then.
TEST_F(AdresyChildTest, ANetworkEditSavesTheAddressItBeganWithWhateverMovedMeanwhile) {
    Start(1);
    AddRows({"Alfa", "Beta"});
    ProgramState().NetworkMode = true;
    data->CreateLockFile(data->LockFileName(TableId::Address));
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    frame->EditButtonClick(frame);
    dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit1"))->SetText("Alfa s.r.o.");
    dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit5"))->SetText("041/111");
    EXPECT_FALSE(book->DBGrid1->Enabled());
    EXPECT_FALSE(book->DBGrid2->Enabled());
    EXPECT_FALSE(book->TrackBar1->Enabled());
    TFindTextForm find(nullptr, *data, ProgramState());
    find.FindEdit->SetText("Beta");
    find.FindEditChange(&find);
    EXPECT_EQ(Addresses().FieldByName("Firma").AsString(), "Alfa");
    // Anything else that moves the table does not change what the save writes.
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Beta"), 0));
    frame->PostButtonClick(frame);
    EXPECT_TRUE(book->DBGrid1->Enabled());
    EXPECT_TRUE(book->TrackBar1->Enabled());
    const fs::path file = data->TableFileName(TableId::Address);
    EXPECT_EQ(FileColumn(file, "Firma", ""), (std::vector<std::string>{"Alfa s.r.o.", "Beta", "My Firm"}));
    EXPECT_EQ(FileColumn(file, "Telefon1", ""), (std::vector<std::string>{"", "000\\12345678", "041/111"}));
    ProgramState().NetworkMode = false;
}

// While an address is inserted or edited nothing of the window moves the current record unasked:
// a click or a key in the quick list or the survey grid, the letter bar, the keys of the window
// and the find window leave the address being typed as it is, and Save writes it.
TEST_F(AdresyChildTest, NothingMovesTheAddressBeingTypedAndSaveWritesIt) {
    Start(1);
    AddRows({"Alfa", "Beta", "Gama"});
    book->ApplySortOrder();
    auto clickRow = [](TDBGrid* grid, int row) {
        auto* view = static_cast<QTableView*>(grid->Widget());
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::keyClick(view, Qt::Key_Down);
    };
    for (bool insert : {true, false}) {
        SCOPED_TRACE(insert ? "insert" : "edit");
        frame->FirstButtonClick(frame);
        if (insert) {
            frame->InsertButtonClick(frame);
            Addresses().FieldByName("Firma").SetAsString("Delta");
        } else {
            ASSERT_TRUE(Addresses().Locate("Firma", Variant("Gama"), 0));
            frame->EditButtonClick(frame);
            Addresses().FieldByName("Firma").SetAsString("Gama s.r.o.");
        }
        const TDataSetState typing = Addresses().State();
        book->PageControl1->SetActivePageIndex(0);
        QApplication::processEvents();
        clickRow(book->DBGrid1, 1);
        book->PageControl1->SetActivePageIndex(2);
        QApplication::processEvents();
        clickRow(book->DBGrid2, 2);
        book->PageControl1->SetActivePageIndex(0);
        TTrackBar& bar = *book->TrackBar1;
        testing::Press(bar, bar.Width() / 2, bar.Height() - 5);
        bar.SetPosition(20);
        testing::Release(bar, bar.Width() / 2, bar.Height() - 5);
        for (uint16_t key : {uint16_t(VK_UP), uint16_t(VK_DOWN)}) book->FormKeyDown(key);
        TFindTextForm find(nullptr, *data, ProgramState());
        find.Show();
        QApplication::processEvents();
        EXPECT_FALSE(find.FindEdit->Enabled());
        find.FindEdit->SetText("Beta");
        find.FindEditChange(&find);
        find.IndexComboBox->SetItemIndex(2);
        find.IndexComboBoxChange(&find);
        EXPECT_EQ(Addresses().State(), typing);
        EXPECT_EQ(Addresses().FieldByName("Firma").AsString(), insert ? "Delta" : "Gama s.r.o.");
        frame->PostButtonClick(frame);
        EXPECT_FALSE(frame->PostButton->Enabled());
        EXPECT_TRUE(book->DBGrid1->Enabled());
        EXPECT_TRUE(book->DBGrid2->Enabled());
        EXPECT_TRUE(book->TrackBar1->Enabled());
    }
    EXPECT_TRUE(responder.MessageBoxes.empty());
    std::vector<std::string> firms = FileColumn(data->TableFileName(TableId::Address), "Firma", "");
    std::sort(firms.begin(), firms.end());
    EXPECT_EQ(firms, (std::vector<std::string>{"Alfa", "Beta", "Delta", "Gama s.r.o.", "My Firm"}));
    // Browsing again, the find window and the lists move the record.
    TFindTextForm find(nullptr, *data, ProgramState());
    find.Show();
    QApplication::processEvents();
    EXPECT_TRUE(find.FindEdit->Enabled());
    EXPECT_TRUE(find.FindEdit->Focused());
    find.FindEdit->SetText("Beta");
    find.FindEditChange(&find);
    EXPECT_EQ(Addresses().FieldByName("Firma").AsString(), "Beta");
}

// Completing the address puts the company and the person into the memo, and the caret after
// them, where the street is typed.
TEST_F(AdresyChildTest, AddressCompletionLeavesTheCaretAfterTheNameLines) {
    Start(1, "Nastavenia91=1\n");
    book->PageControl1->SetActivePageIndex(0);
    frame->InsertButtonClick(frame);
    QApplication::processEvents();
    QTest::keyClicks(book->DBEdit1->Widget(), "Alfa");
    book->DBEdit2->SetFocus();
    QTest::keyClicks(book->DBEdit2->Widget(), "Jan");
    book->DBEdit3->SetFocus();
    QTest::keyClicks(book->DBEdit3->Widget(), "Cierny");
    book->DBMemo1->SetFocus();
    QApplication::processEvents();
    auto* memo = static_cast<QPlainTextEdit*>(book->DBMemo1->Widget());
    EXPECT_EQ(memo->toPlainText().toStdString(), "Alfa\nJan Cierny\n");
    QTest::keyClicks(memo, "Main 1");
    EXPECT_EQ(memo->toPlainText().toStdString(), "Alfa\nJan Cierny\nMain 1");
    frame->PostButtonClick(frame);
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_EQ(Addresses().FieldByName("Adresa_1").AsString(), "Alfa\r\nJan Cierny\r\nMain 1");
}

// A restore of the layout file while the window is open: the window shows the restored layout
// and keeps it when it closes.
TEST_F(AdresyChildTest, ARestoredLayoutIsShownByTheOpenWindowAndKeptWhenItCloses) {
    Start(1);
    AddRows({"Alfa"});
    book->PageControl1->SetActivePageIndex(1);
    book->NewFieldPopupClick();
    book->Edit9->SetText("Hobby");
    book->Edit5->SetText("90");
    book->BitBtn1Click();
    book->BitBtn1Click();
    book->ZapisKomponenty();
    ProgramLocks().AutoBackup(ProgramState().TableFolder, "Jano", false, ProgramState().DataFolder);
    auto* edit = dynamic_cast<TDBEdit*>(book->FindComponent("UserDBEdit1"));
    ASSERT_NE(edit, nullptr);
    edit->SetLeft(300);

    struct FrameWindow : ExchangeFrameServices {
        TMainForm* frame;
        explicit FrameWindow(TMainForm* f) : frame(f) {}
        void RefreshActiveModule() override { frame->RefreshActiveModule(); }
        void AddressLayoutRestored() override { frame->ReadAddressLayoutAgain(); }
    } frameWindow(frame);
    ExchangeContext context{*data, ProgramState(), "", &frameWindow, {}};
    RestoreFromBackup(context, TableGroup::Address);
    ASSERT_EQ(book->FindComponent("UserDBEdit2"), nullptr);
    auto* restored = dynamic_cast<TDBEdit*>(book->FindComponent("UserDBEdit1"));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->Left(), 90);
    EXPECT_EQ(restored->DataField(), "Hobby");
    frame->CloseActiveModule();
    book = nullptr;
    const std::vector<TUserFieldRec> layout = ReadUserFieldFile(dataFolder / "Jano.ucs");
    ASSERT_EQ(layout.size(), 2u);
    EXPECT_EQ(layout[0].Left, 90);
}

TEST_F(AdresyChildTest, TheCommandsEditAnAddressInLocalAndNetworkModeAndTheStateFollows) {
    for (const bool network : {false, true}) {
        SCOPED_TRACE(network ? "network" : "local");
        Start(1);
        AddRows({"Alfa"});
        ProgramState().NetworkMode = network;
        data->CreateLockFile(data->LockFileName(TableId::Address));
        const ModuleContext context{false, false, [](std::string_view) { return true; }};
        int changes = 0;
        auto listened = book->OnStateChanged;
        book->OnStateChanged = [&] {
            ++changes;
            listened();
        };
        // A new address: Save and Cancel on, navigation and Edit off, the Insert button says so.
        book->Run(Command::Insert);
        RecordBarState s = book->State(context);
        EXPECT_TRUE(s.Post && s.Cancel && s.Inserting && s.Insert);
        EXPECT_FALSE(s.Edit || s.Next || s.Delete);
        EXPECT_GE(changes, 1);
        EXPECT_EQ(frame->InsertButton->ImageIndex(), kInsertingImage);
        EXPECT_TRUE(book->DBDateEdit1->Enabled());
        auto typeName = [&](const std::string& name) {
            if (network) dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit1"))->SetText(name);
            else Addresses().FieldByName("Firma").SetAsString(name);
        };
        typeName("Beta");
        EXPECT_EQ(book->CurrentAddress().Name, "Beta");
        book->Run(Command::Post);
        EXPECT_FALSE(book->Editing());
        EXPECT_FALSE(book->DBDateEdit1->Enabled());
        EXPECT_FALSE(frame->PostButton->Enabled());
        EXPECT_EQ(frame->StatusBar1->Panels(1)->Text(), " Records count : 3");
        std::vector<std::string> firms = FileColumn(data->TableFileName(TableId::Address), "Firma", "");
        EXPECT_EQ(std::count(firms.begin(), firms.end(), "Beta"), 1);

        // An edit cancelled writes nothing and leaves no lock and no copies.
        ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
        book->Run(Command::Edit);
        EXPECT_TRUE(book->State(context).Post);
        EXPECT_FALSE(book->State(context).Insert);
        typeName("Gama");
        book->Run(Command::Cancel);
        EXPECT_EQ(book->FindComponent("ShEdit1"), nullptr);
        EXPECT_FALSE(ProgramLocks().TableLockHeld());
        EXPECT_EQ(FileColumn(data->TableFileName(TableId::Address), "Firma", ""), firms);
        EXPECT_EQ(book->DBEdit1->Text(), "Alfa");

        // A key in the name edit asks the frame for Edit; the frame runs it only while it is on.
        char32_t letter = U'x';
        frame->OfflineMode = true;
        book->DBEdit1KeyPress(letter);
        EXPECT_FALSE(book->Editing());
        frame->OfflineMode = false;
        book->DBEdit1KeyPress(letter);
        EXPECT_TRUE(book->Editing());
        book->Run(Command::Cancel);
        ProgramState().NetworkMode = false;
        Stop();
    }
}

TEST_F(AdresyChildTest, ReminderTasksFollowTheSavedAddressAndDeleteOnlyTheirOwnTask) {
    Start(1);
    TVolgaTable& addresses = Addresses();
    TVolgaTable& tasks = *data->TaskTable;
    const int tasksBefore = tasks.RecordCount();
    // A new address with its birthday remembered; empty names are "Unknow".
    frame->InsertButtonClick(frame);
    addresses.FieldByName("Firma").SetAsString("Nova");
    addresses.FieldByName("Adresa_1").SetAsString("Firm\nName\nStreet 1\nTrnava\n917 01\n");
    addresses.FieldByName("Narodeniny").SetAsDateTime(30000);
    addresses.FieldByName("PripNar").SetAsBoolean(true);
    frame->PostButtonClick(frame);
    ASSERT_EQ(tasks.RecordCount(), tasksBefore + 1);
    const std::string taskCode = addresses.FieldByName("PripNarIdent").AsString();
    ASSERT_FALSE(taskCode.empty());
    LocateRecordCode(tasks, taskCode);
    EXPECT_EQ(tasks.FieldByName("Uloha").AsString(), "Birthday - Unknow Unknow");
    EXPECT_EQ(tasks.FieldByName("RepFreq").AsInteger(), 4);
    EXPECT_EQ(tasks.FieldByName("Date").AsDateTime(), 30000);
    EXPECT_EQ(addresses.FieldByName("Mesto").AsString(), "Trnava");
    // Saved again unchanged: no second task.
    frame->EditButtonClick(frame);
    frame->PostButtonClick(frame);
    EXPECT_EQ(tasks.RecordCount(), tasksBefore + 1);
    // A changed birthday with the reminder still on: the task is made anew on the new date.
    frame->EditButtonClick(frame);
    addresses.FieldByName("Narodeniny").SetAsDateTime(31000);
    frame->PostButtonClick(frame);
    EXPECT_EQ(tasks.RecordCount(), tasksBefore + 1);
    const std::string movedCode = addresses.FieldByName("PripNarIdent").AsString();
    ASSERT_FALSE(movedCode.empty());
    EXPECT_NE(movedCode, taskCode);
    LocateRecordCode(tasks, movedCode);
    EXPECT_EQ(tasks.FieldByName("Date").AsDateTime(), 31000);
    // Off, with its task already gone: nothing else is deleted.
    LocateRecordCode(tasks, movedCode);
    tasks.Delete();
    tasks.ApplyChanges();
    tasks.CommitChanges();
    frame->EditButtonClick(frame);
    addresses.FieldByName("PripNar").SetAsBoolean(false);
    frame->PostButtonClick(frame);
    EXPECT_EQ(tasks.RecordCount(), tasksBefore);
}

TEST_F(AdresyChildTest, AUserFieldIsAddedPlacedAndKeptInTheLayoutFile) {
    Start(1);
    book->PageControl1->SetActivePageIndex(1);
    book->NewFieldPopupClick();
    book->ComboBox1->SetItemIndex(0);
    book->ComboBox1Change();
    book->Edit9->SetText("Hob by");
    book->Edit5->SetText("90");
    book->Edit6->SetText("230");
    book->Edit7->SetText("20");
    book->Edit8->SetText("234");
    book->BitBtn1Click();
    EXPECT_TRUE(Addresses().FieldDefs().Find("Hobby"));
    auto* edit = dynamic_cast<TDBEdit*>(book->FindComponent("UserDBEdit1"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->DataField(), "Hobby");
    EXPECT_NE(book->FindComponent("UserLabel1"), nullptr);
    // A refused name adds nothing.
    book->NewFieldPopupClick();
    book->Edit9->SetText("hobby");
    EXPECT_THROW(book->BitBtn1Click(), EDatabaseError);
    EXPECT_EQ(book->FindComponent("UserDBEdit2"), nullptr);
    book->ZapisKomponenty();
    const std::vector<TUserFieldRec> layout = ReadUserFieldFile(dataFolder / "Jano.ucs");
    ASSERT_EQ(layout.size(), 2u);
    EXPECT_EQ(layout[0].Name, "UserDBEdit1");
    EXPECT_EQ(layout[0].Left, 90);
    EXPECT_EQ(layout[1].Caption, "Hob by"); // the caption is the name as typed

    // Edit item moves the chosen control; the next layout file has it there.
    book->SetSelectedControl(edit);
    book->EdipPopupClick();
    EXPECT_EQ(book->Edit5->Text(), "90");
    book->Edit5->SetText("120");
    book->BitBtn1Click();
    EXPECT_EQ(edit->Left(), 120);
    EXPECT_FALSE(book->Panel1->Visible());
    book->ZapisKomponenty();
    EXPECT_EQ(ReadUserFieldFile(dataFolder / "Jano.ucs")[0].Left, 120);
}

TEST_F(AdresyChildTest, TheFieldEditorShowsThePickedTypeRebindsAndStaysOpenAfterAnAdd) {
    Start(1);
    book->PageControl1->SetActivePageIndex(1);
    // A memo of the user's own, named with letters of the data code page.
    book->NewFieldPopupClick();
    book->ComboBox1->SetItemIndex(1);
    book->ComboBox1Change();
    book->Edit9->SetText("Záľuby");
    book->BitBtn1Click();
    ASSERT_TRUE(Addresses().FieldDefs().Find("Záľuby"));
    auto* hobbies = dynamic_cast<TDBMemo*>(book->FindComponent("UserMemo1"));
    ASSERT_NE(hobbies, nullptr);
    EXPECT_TRUE(book->Panel1->Visible()); // the editor shows what was added, on its page
    EXPECT_EQ(book->PageControl1->ActivePageIndex(), 1);
    EXPECT_EQ(book->RadioGroup1->ItemIndex(), 0);
    const int fields = Addresses().FieldDefs().Count();
    book->BitBtn1Click(); // the next OK closes it and adds nothing
    EXPECT_FALSE(book->Panel1->Visible());
    EXPECT_EQ(book->FindComponent("UserMemo2"), nullptr);
    EXPECT_EQ(Addresses().FieldDefs().Count(), fields);

    // Picking an existing field shows its type and takes its caption.
    book->NewFieldPopupClick();
    book->RadioGroup1->SetItemIndex(1);
    book->RadioGroup1Click();
    EXPECT_EQ(book->ComboBox1->ItemIndex(), 0); // "Name" is a text
    EXPECT_EQ(book->Edit4->Text(), "Name");
    book->ComboBox2->SetItemIndex(16);
    book->ComboBox2Click();
    EXPECT_EQ(book->ComboBox1->ItemIndex(), 1);
    EXPECT_EQ(book->Edit4->Text(), "Note");
    book->BitBtn1Click();
    auto* note = dynamic_cast<TDBMemo*>(book->FindComponent("UserMemo2"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->DataField(), "Poznamka");
    book->BitBtn1Click();

    // Editing: the picker shows the control's field; a field of the same type rebinds the
    // control, one of another type is refused and closes the editor.
    book->SetSelectedControl(note);
    book->EdipPopupClick();
    EXPECT_EQ(book->ComboBox2->ItemIndex(), 16);
    EXPECT_EQ(book->ComboBox1->ItemIndex(), 1);
    ASSERT_TRUE(book->ComboBox2->Enabled());
    book->ComboBox2->SetItemIndex(book->ComboBox2->Items().IndexOf("Záľuby"));
    book->ComboBox2Click();
    EXPECT_EQ(note->DataField(), "Záľuby");
    EXPECT_TRUE(book->Panel1->Visible());
    book->ComboBox2->SetItemIndex(0);
    responder.MessageBoxAnswers = {IDOK};
    book->ComboBox2Click();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Error, incorrect data type");
    EXPECT_FALSE(book->Panel1->Visible());
    EXPECT_EQ(note->DataField(), "Záľuby");
    book->ZapisKomponenty();
    const std::vector<TUserFieldRec> layout = ReadUserFieldFile(dataFolder / "Jano.ucs");
    const auto saved = std::find_if(layout.begin(), layout.end(),
                                    [](const TUserFieldRec& r) { return r.Name == "UserMemo2"; });
    ASSERT_NE(saved, layout.end());
    EXPECT_EQ(saved->DataField, "Záľuby");
}

// The sort-order dialog re-sorts the open window and changes its quick list and label; a
// closed window is no longer what the dialogs reach.
TEST_F(AdresyChildTest, TheSortOrderDialogReSortsTheWindow) {
    Start(1);
    ASSERT_EQ(ProgramState().AddressSort, book);
    AddRows({"Alfa", "Beta"});
    TVolgaTable& t = Addresses();
    ASSERT_TRUE(t.Locate("Firma", Variant("Alfa"), 0));
    t.Edit();
    t.FieldByName("Mesto").SetAsString("Zvolen");
    t.Post();
    ASSERT_TRUE(t.Locate("Firma", Variant("Beta"), 0));
    t.Edit();
    t.FieldByName("Mesto").SetAsString("Brezno");
    t.Post();
    book->ApplySortOrder();
    EXPECT_EQ(ChooseSortOrder(3), mrOk); // City
    EXPECT_EQ(ProgramSettings().NastaveniaText[13], "Mesto");
    EXPECT_EQ(book->LookLabel->Caption(), GetMessageText(MessageId::OrderBy) + "City");
    ASSERT_EQ(book->DBGrid1->Columns().Count(), 1);
    EXPECT_EQ(book->DBGrid1->Columns()[0].FieldName(), "Mesto");
    EXPECT_EQ(book->DBGrid1->Columns()[0].TitleCaption(), "City");
    frame->FirstButtonClick(frame);
    std::vector<std::string> cities;
    for (t.First(); !t.Eof(); t.Next()) cities.push_back(t.FieldByName("Mesto").AsString());
    EXPECT_TRUE(std::is_sorted(cities.begin(), cities.end())) << cities.front();
    EXPECT_LT(std::find(cities.begin(), cities.end(), "Brezno"), std::find(cities.begin(), cities.end(), "Zvolen"));

    // Letting the filter button up forgets the filter dialog's field.
    ProgramState().FilterFieldName = "Mesto";
    frame->FilterButton->SetDown(false);
    frame->FilterButtonClick(frame->FilterButton);
    EXPECT_EQ(ProgramState().FilterFieldName, "");

    ASSERT_TRUE(frame->CloseActiveModule());
    QApplication::processEvents();
    EXPECT_EQ(ProgramState().AddressSort, nullptr);
}

// The phone button dials the telephone field clicked last, read from the current address.
TEST_F(AdresyChildTest, ThePhoneButtonDialsTheChosenFieldOfTheCurrentAddress) {
    struct Recording : Dialer {
        std::vector<std::string> calls;
        void MakeCall(const std::string& number, const std::string&, const std::string& party,
                      const std::string&) override {
            calls.push_back(number + " " + party);
        }
    } dialer;
    SetDialer(&dialer);
    Start(1);
    AddRows({"Alfa", "Beta"});
    TVolgaTable& t = Addresses();
    for (const auto& [firm, phone, mobil] : {std::tuple{"Alfa", "02/111", "0905-111"}, std::tuple{"Beta", "02/222", "0911/222-333"}}) {
        ASSERT_TRUE(t.Locate("Firma", Variant(firm), 0));
        t.Edit();
        t.FieldByName("Telefon1").SetAsString(phone);
        t.FieldByName("Mobil").SetAsString(mobil);
        t.Post();
    }
    ASSERT_TRUE(t.Locate("Firma", Variant("Alfa"), 0));
    frame->PhoneButtonClick(frame); // before any click: the first telephone
    testing::Press(*book->DBEdit8, 5, 5);
    testing::Release(*book->DBEdit8, 5, 5);
    ASSERT_TRUE(t.Locate("Firma", Variant("Beta"), 0));
    frame->PhoneButtonClick(frame);
    book->DBEdit5->OnDblClick(book->DBEdit5);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"02 111 Alfa", "0911 222 333 Beta", "02 222 Beta"}));
}

// An edit starts on the address's category, also behind an empty category slot; a value no
// item stands for (a category renamed since) is shown and saved again as it was, locally and
// in network mode.
TEST_F(AdresyChildTest, TheCategoryPickerKeepsACategoryRenamedSince) {
    Start(1, "Nastavenia75=1\nNastavenia_Text21=Rodina\n");
    AddRows({"Alfa", "Beta"});
    TVolgaTable& t = Addresses();
    for (const auto& [firm, category] : {std::pair{"Alfa", "Stará"}, std::pair{"Beta", "Rodina"}}) {
        ASSERT_TRUE(t.Locate("Firma", Variant(firm), 0));
        t.Edit();
        t.FieldByName("Split_field").SetAsString(category);
        t.Post();
    }
    auto categoryOf = [&](const char* firm) {
        EXPECT_TRUE(t.Locate("Firma", Variant(firm), 0));
        return t.FieldByName("Split_field").AsString();
    };
    for (bool network : {false, true}) {
        ProgramState().NetworkMode = network;
        if (network) data->CreateLockFile(data->LockFileName(TableId::Address));
        ASSERT_TRUE(t.Locate("Firma", Variant("Alfa"), 0));
        frame->EditButtonClick(frame);
        EXPECT_TRUE(book->ComboBox3->Visible());
        EXPECT_EQ(book->ComboBox3->Items().Count(), 5) << network;
        EXPECT_EQ(book->ComboBox3->Text(), "Stará") << network;
        frame->PostButtonClick(frame);
        EXPECT_EQ(categoryOf("Alfa"), "Stará") << network;
        frame->EditButtonClick(frame);
        frame->PostButtonClick(frame);
        EXPECT_EQ(categoryOf("Alfa"), "Stará") << network;

        ASSERT_TRUE(t.Locate("Firma", Variant("Beta"), 0));
        frame->EditButtonClick(frame);
        EXPECT_EQ(book->ComboBox3->ItemIndex(), 3) << network;
        EXPECT_EQ(book->ComboBox3->Items().Count(), 4) << network;
        frame->PostButtonClick(frame);
        EXPECT_EQ(categoryOf("Beta"), "Rodina") << network;
    }
    ProgramState().NetworkMode = false;
    const std::vector<std::string> stored = FileColumn(data->TableFileName(TableId::Address), "Split_field", "");
    EXPECT_EQ(std::count(stored.begin(), stored.end(), "Stará"), 1);
    EXPECT_EQ(std::count(stored.begin(), stored.end(), "Rodina"), 1);
}

// Pictures of the window in the three languages: each page, user fields, the survey grid over
// Slovak addresses, and the quick list after a change of the sort order. KVZ_RENDER_DIR=/tmp/png saves them.
// Another program changes the address while this one edits it in network mode: the save asks.
// Cancel goes back to the copies as typed, No shows the other program's address in them, and a
// save from there writes without a question.
TEST_F(AdresyChildTest, ANetworkEditOfAnAddressChangedElsewhereAsksBeforeWritingOverIt) {
    Start(1);
    AddRows({"Alfa"});
    ProgramState().NetworkMode = true;
    const fs::path lockFile = data->LockFileName(TableId::Address);
    data->CreateLockFile(lockFile);
    const fs::path file = data->TableFileName(TableId::Address);
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    const std::string code = Addresses().FieldByName("Number").AsString();
    frame->EditButtonClick(frame);
    auto copy = [&] { return dynamic_cast<TShfEdit*>(book->FindComponent("ShEdit1")); };
    ASSERT_NE(copy(), nullptr);
    copy()->SetText("Alfa mine");
    const pid_t other = ::fork();
    if (other == 0) {
        int exitCode = 0;
        try {
            TVolgaTable t;
            t.SetTableName(file.string());
            t.Open();
            TTableLocks locks;
            locks.WriteSharedTable(t, lockFile, true, kEditorSavePoll, [&] {
                LocateRecordCode(t, code);
                t.Edit();
                t.FieldByName("Firma").SetAsString("Alfa theirs");
                t.Post();
            });
        } catch (...) {
            exitCode = 1;
        }
        ::_exit(exitCode);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    auto firms = [&] { return FileColumn(file, "Firma", ""); };
    responder.MessageBoxAnswers = {IDCANCEL};
    frame->PostButtonClick(frame);
    ASSERT_NE(copy(), nullptr);
    EXPECT_EQ(copy()->Text(), "Alfa mine");
    EXPECT_EQ(firms(), (std::vector<std::string>{"Alfa theirs", "My Firm"}));
    responder.MessageBoxAnswers = {IDNO};
    frame->PostButtonClick(frame);
    ASSERT_NE(copy(), nullptr);
    EXPECT_EQ(copy()->Text(), "Alfa theirs");
    EXPECT_EQ(responder.MessageBoxes.size(), 2u);
    copy()->SetText("Alfa agreed");
    frame->PostButtonClick(frame);
    EXPECT_EQ(copy(), nullptr);
    EXPECT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(firms(), (std::vector<std::string>{"Alfa agreed", "My Firm"}));
    EXPECT_FALSE(ProgramLocks().TableLockHeld());
    ProgramState().NetworkMode = false;
}

// Over many addresses the window builds its grids' columns in one batch each and fits the
// rows to the quick list's font: the columns, titles, widths and row height are those of the
// settings, and showing the window again lays the survey grid's rows out once at most.
TEST_F(AdresyChildTest, TheGridsOverManyAddressesTakeTheirColumnsAndFontOnce) {
    Start(1, "Nastavenia" + std::to_string(static_cast<int>(Slot::AddressFontSizes) + 3) + "=20\n");
    std::vector<std::string> firms;
    for (int i = 0; i < 30000; ++i) firms.push_back("Firma " + std::to_string(i));
    AddRows(firms);
    frame->CloseActiveModule();
    QApplication::processEvents();
    book = nullptr;
    frame->AdresySpeedButton1Click(frame);
    QApplication::processEvents();
    ASSERT_NE(book, nullptr);
    TDBGrid& survey = *book->DBGrid2;
    int resets = 0;
    QObject::connect(&survey.Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    book->FormShow();
    EXPECT_LE(resets, 1);
    ASSERT_GE(survey.Columns().Count(), 15);
    EXPECT_EQ(survey.Model().columnCount(), survey.Columns().Count());
    const int rows = Addresses().RecordCount();
    ASSERT_GE(rows, 30000);
    EXPECT_EQ(survey.Model().rowCount(), rows);
    EXPECT_EQ(survey.Columns()[0].FieldName(), "Firma");
    EXPECT_EQ(survey.Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
              GetMessageText(MessageId::Name));
    // The quick list: the sort field alone, 230 wide, in the font of the settings.
    TDBGrid& quick = *book->DBGrid1;
    ASSERT_EQ(quick.Model().columnCount(), 1);
    EXPECT_EQ(quick.View()->columnWidth(0), 230);
    EXPECT_EQ(quick.Font().Size, 20);
    const int height = QFontMetrics(quick.Font().ToQFont()).height() + 6;
    EXPECT_EQ(quick.DefaultRowHeight(), height);
    EXPECT_EQ(quick.View()->verticalHeader()->length(), rows * height);
    EXPECT_EQ(quick.View()->rowHeight(rows - 1), height);
}

TEST_F(AdresyChildTest, PicturesInThreeLanguages) {
    const char* suffix[] = {"", "e", "s", "c"};
    for (int language = 1; language <= 3; ++language) {
        Start(language);
        std::vector<std::string> firms;
        const char* names[] = {"Ábelová", "Bratislavská vodárenská", "Čierny", "Dobrý", "Elektro Žilina", "Ferko",
                               "Gazdovská", "Horváth", "Ilavská", "Jánošík"};
        for (int i = 0; i < 10000; ++i) firms.push_back(std::string(names[i % 10]) + " " + std::to_string(i));
        AddRows(firms);
        book->NewFieldPopupClick();
        book->Edit9->SetText("Hobby");
        book->Edit5->SetText("110");
        book->Edit6->SetText("240");
        book->Edit7->SetText("20");
        book->Edit8->SetText("244");
        book->BitBtn1Click();
        frame->FirstButtonClick(frame);
        for (int page = 0; page < 3; ++page) {
            book->PageControl1->SetActivePageIndex(page);
            QApplication::processEvents();
            testing::SaveWindowPicture(*frame, "adresy_page" + std::to_string(page + 1) + "_" + suffix[language]);
        }
        book->PageControl1->SetActivePageIndex(1);
        book->NewFieldPopupClick();
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_editor_") + suffix[language]);
        book->BitBtn2Click();
        book->SetSelectedControl(dynamic_cast<TControl*>(book->FindComponent("UserDBEdit1")));
        book->EdipPopupClick();
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_editor_edit_") + suffix[language]);
        book->BitBtn2Click();
        // A network edit: the copies are up, the lists and the letter bar wait.
        ProgramState().NetworkMode = true;
        book->PageControl1->SetActivePageIndex(0);
        frame->EditButtonClick(frame);
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_netedit_") + suffix[language]);
        book->PageControl1->SetActivePageIndex(1);
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_netedit_personal_") + suffix[language]);
        frame->CancelButtonClick(frame);
        ProgramState().NetworkMode = false;
        ChooseSortOrder(3); // City
        book->PageControl1->SetActivePageIndex(0);
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_order_") + suffix[language]);
        frame->Free();
        frame = nullptr;
        book = nullptr;
        data.reset();
        fs::remove_all(temp.path() / "KvZirtData");
    }
}

} // namespace
} // namespace kvz
