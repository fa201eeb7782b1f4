#include "controls/PickDate.h"
#include "controls/ToolEdit.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Clock.h"

#include "TempFolder.h"

#include <QApplication>
#include <QTest>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kvz {
namespace {

class DateControlsTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientSize(320, 220);
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override { form->Free(); }
    TDateEdit* NewDateEdit(int left, int top, int language) {
        auto* edit = new TDateEdit(form);
        edit->SetParent(form);
        edit->SetBounds(left, top, 130, 24);
        edit->SetFormatSettings(FormatSettings::ForLanguage(language));
        return edit;
    }
    FixedClock clock{EncodeDate(2026, 12, 10) + 0.5};
    ScopedClock scoped{clock};
    TForm* form = nullptr;
    static constexpr int kLanguages[] = {1, 2, 3};
    static std::string PngName(std::string name, int language) {
        return name + (language == 1 ? "-en" : language == 2 ? "-sk" : "-cs");
    }
};

void Click(const TControl& c, int x, int y) {
    testing::Press(c, x, y);
    testing::Release(c, x, y);
}

TEST_F(DateControlsTest, CalendarTakesClicksAndKeys) {
    auto* cal = new TKvCalendar(form);
    cal->SetParent(form);
    cal->SetBounds(10, 10, 280, 168);
    cal->SetWeekends(DayBit(TDayOfWeekName::Sat) | DayBit(TDayOfWeekName::Sun));
    int changes = 0;
    cal->OnChange = [&](TComponent*) { ++changes; };
    cal->SetCalendarDate(EncodeDate(2003, 6, 15));
    const TRect last = cal->CellRect(0, 6); // 30 June 2003
    Click(*cal, last.Left + 5, last.Top + 5);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2003, 6, 30));
    Click(*cal, 5, 5); // header
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2003, 6, 30));
    cal->SetFocus();
    QApplication::processEvents();
    testing::Key(cal->Widget(), Qt::Key_Right);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2003, 7, 1));
    testing::Key(cal->Widget(), Qt::Key_T, Qt::NoModifier, "t");
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2026, 12, 10));
    EXPECT_EQ(changes, 4);
    for (int language : kLanguages) {
        cal->SetFormatSettings(FormatSettings::ForLanguage(language));
        testing::Render(*cal, PngName("calendar", language));
    }
    // The selected cell shows in the highlight colour, Saturday's number in the weekend colour.
    const QImage image = testing::Render(*cal);
    const TRect selected = cal->CellRect(cal->Model().SelectedCol(), cal->Model().SelectedRow());
    EXPECT_EQ(testing::PixelAt(image, selected.Left + 3, selected.Top + 3), ColorToRGB(clHighlight));
}

TEST_F(DateControlsTest, DateEditDropsTheCalendarDownAndTakesTheDay) {
    auto* edit = NewDateEdit(180, 20, 2);
    edit->SetWeekends(DayBit(TDayOfWeekName::Sat) | DayBit(TDayOfWeekName::Sun));
    edit->SetDate(EncodeDate(1960, 5, 12));
    EXPECT_EQ(edit->Text(), "12.05.1960");
    edit->SetFocus();
    QApplication::processEvents();
    testing::Key(edit->Widget(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->PopupVisible());
    auto* popup = static_cast<TPopupCalendar*>(edit->Popup());
    EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(1960, 5, 12));
    const QPoint below = edit->Widget()->mapToGlobal(QPoint(0, edit->Height()));
    EXPECT_EQ(popup->Left(), below.x() + edit->Width() - popup->Width());
    EXPECT_EQ(popup->Top(), below.y());
    testing::Key(edit->Widget(), Qt::Key_PageDown);
    testing::Key(edit->Widget(), Qt::Key_Right);
    EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(1960, 6, 13));
    EXPECT_EQ(edit->Text(), "12.05.1960"); // the text waits for the choice
    for (int language : {1, 3, 2}) {
        edit->SetFormatSettings(FormatSettings::ForLanguage(language));
        testing::Render(*edit->Popup(), PngName("datepopup", language));
    }
    EXPECT_EQ(popup->TitleLabel()->Caption(), "jún, 1960");
    testing::Key(edit->Widget(), Qt::Key_Return);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "13.06.1960");

    // A click on a day closes the pop-up with that day; Escape keeps the old text.
    edit->Button()->Click();
    ASSERT_TRUE(edit->PopupVisible());
    const TRect cell = popup->Calendar()->CellRect(0, 5); // Monday 27 June 1960
    testing::Press(*popup->Calendar(), cell.Left + 4, cell.Top + 4);
    EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(1960, 6, 27));
    testing::Release(*popup->Calendar(), cell.Left + 4, cell.Top + 4);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "27.06.1960");
    edit->Button()->Click();
    testing::Key(edit->Widget(), Qt::Key_Left);
    testing::Key(edit->Widget(), Qt::Key_Escape);
    EXPECT_EQ(edit->Text(), "27.06.1960");
    // Pressing the button while the panel is down closes it and does not open it again.
    edit->Button()->Click();
    testing::Key(edit->Widget(), Qt::Key_Right);
    Click(*edit->Button(), 5, 5);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "28.06.1960");

    // A press outside the pop-up cancels it; one on the edit's button takes the day.
    edit->Button()->Click();
    testing::Key(edit->Widget(), Qt::Key_Right);
    testing::Press(*popup, -20, -20);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "28.06.1960");
    edit->Button()->Click();
    testing::Key(edit->Widget(), Qt::Key_Right);
    const QPoint onButton = popup->Widget()->mapFromGlobal(edit->Button()->Widget()->mapToGlobal(QPoint(3, 3)));
    testing::Press(*popup, onButton.x(), onButton.y());
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "29.06.1960");

    // The window may change or refuse the picked day.
    edit->OnAcceptDate = [](TComponent*, TDateTime& date, bool& action) { action = date < EncodeDate(1960, 7, 1); };
    edit->Button()->Click();
    testing::Key(edit->Widget(), Qt::Key_PageDown);
    testing::Key(edit->Widget(), Qt::Key_Return);
    EXPECT_EQ(edit->Text(), "29.06.1960");

    // The calendar's buttons take the window's hints; an empty one keeps its own, a fifth is dropped.
    edit->SetCalendarHints({"Rok späť", "", "Ďalší mesiac", "Ďalší rok", "navyše"});
    EXPECT_EQ(edit->CalendarHints().size(), 4u);
    EXPECT_EQ(popup->Buttons(0)->Hint(), "Rok späť");
    EXPECT_EQ(popup->Buttons(1)->Hint(), "Previous Month");
}

// A new date edit and a new calendar take the program's formats; a window that gives its own
// keeps them.
TEST_F(DateControlsTest, ANewDateEditShowsTheProgramsDateFormat) {
    const FormatSettings program = Application().Formats();
    const struct {
        int language;
        const char* text;
        const char* title;
    } cases[] = {{2, "14.03.2027", "marec, 2027"}, {3, "14.03.2027", "březen, 2027"}, {1, "14/03/2027", "March, 2027"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        Application().SetFormats(FormatSettings::ForLanguage(c.language));
        auto* edit = new TDateEdit(form);
        edit->SetParent(form);
        edit->SetDate(EncodeDate(2027, 3, 14));
        EXPECT_EQ(edit->Text(), c.text);
        EXPECT_EQ(edit->Date(), EncodeDate(2027, 3, 14));
        edit->Button()->Click();
        EXPECT_EQ(static_cast<TPopupCalendar*>(edit->Popup())->TitleLabel()->Caption(), c.title);
        testing::Key(edit->Widget(), Qt::Key_Escape);
        auto* calendar = new TKvCalendar(form);
        EXPECT_EQ(calendar->Settings().ShortDateFormat, FormatSettings::ForLanguage(c.language).ShortDateFormat);
    }
    Application().SetFormats(FormatSettings::ForLanguage(2));
    auto* english = NewDateEdit(10, 10, 1); // the window's own choice stands
    english->SetDate(EncodeDate(2027, 3, 14));
    EXPECT_EQ(english->Text(), "14/03/2027");
    Application().SetFormats(program);
}

TEST_F(DateControlsTest, DateEditKeysAndBlankText) {
    auto* edit = NewDateEdit(20, 20, 3);
    int changes = 0;
    edit->OnChange = [&](TComponent*) { ++changes; };
    EXPECT_EQ(edit->Text(), "  .  .    ");
    EXPECT_EQ(edit->Date(), 0);
    testing::Render(*edit, "dateedit-blank-cs");
    edit->SetFocus();
    QApplication::processEvents();
    testing::Key(edit->Widget(), Qt::Key_Plus, Qt::NoModifier, "+");
    EXPECT_EQ(edit->Text(), "  .  .    ");
    testing::Key(edit->Widget(), Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(edit->Text(), "11.12.2026"); // tomorrow
    testing::Key(edit->Widget(), Qt::Key_Minus, Qt::KeypadModifier, "-");
    testing::Key(edit->Widget(), Qt::Key_Minus, Qt::KeypadModifier, "-");
    EXPECT_EQ(edit->Text(), "09.12.2026");
    testing::Key(edit->Widget(), Qt::Key_T, Qt::NoModifier, "T");
    EXPECT_EQ(edit->Date(), EncodeDate(2026, 12, 10));
    EXPECT_EQ(changes, 4);
    edit->SetDate(EncodeDate(2026, 12, 10));
    EXPECT_FALSE(edit->Modified()); // the same date
    for (int language : kLanguages) {
        edit->SetFormatSettings(FormatSettings::ForLanguage(language));
        testing::Render(*edit, PngName("dateedit-filled", language));
    }
    EXPECT_EQ(edit->Date(), EncodeDate(2026, 12, 10)); // the date outlives the change of format

    // Typing over the mask with a four-digit year.
    edit->SetText("");
    edit->LineEdit()->setCursorPosition(0);
    for (QChar c : QString("01021960")) testing::Key(edit->Widget(), Qt::Key_0 + (c.unicode() - '0'), Qt::NoModifier, c);
    EXPECT_EQ(edit->Text(), "01.02.1960");
    EXPECT_EQ(edit->Date(), EncodeDate(1960, 2, 1));

    edit->SetDefaultToday(true);
    edit->SetDate(0);
    EXPECT_EQ(edit->Text(), "10.12.2026");
}

TEST_F(DateControlsTest, AClickIntoAnEmptyDateTypesFromItsFirstDigit) {
    // The mouse lands among the blanks, wherever it is pressed; typing fills the day first.
    for (int x : {8, 40, 95}) {
        auto* edit = NewDateEdit(20, 20, 2);
        QTest::mouseClick(edit->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 12));
        EXPECT_TRUE(edit->Focused());
        QTest::keyClicks(edit->Widget(), "15031980");
        EXPECT_EQ(edit->Text(), "15.03.1980") << "pressed at " << x;
        EXPECT_EQ(edit->Date(), EncodeDate(1980, 3, 15));
        // A date already there keeps the caret where the mouse put it.
        QTest::mouseClick(edit->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(95, 12));
        EXPECT_GT(edit->LineEdit()->cursorPosition(), 0);
        delete edit;
    }
}

TEST_F(DateControlsTest, DateEditChecksItsTextOnExit) {
    auto* edit = NewDateEdit(20, 20, 2);
    auto* other = NewDateEdit(20, 60, 2);
    edit->SetCheckOnExit(true);
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    edit->SetFocus();
    QApplication::processEvents();
    other->SetFocus(); // blank: no error
    QApplication::processEvents();
    edit->SetText("31.02.2004");
    edit->SetFocus();
    QApplication::processEvents();
    other->SetFocus();
    QApplication::processEvents();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "''31.02.2004'' is not a valid date");
    EXPECT_EQ(edit->Text(), "31.02.2004");
    EXPECT_TRUE(edit->Focused()); // the edit takes the focus back
}

TEST_F(DateControlsTest, DialogStylePicksTheDateInTheDialog) {
    auto* edit = NewDateEdit(20, 20, 1);
    edit->SetCalendarStyle(TCalendarStyle::csDialog);
    EXPECT_EQ(edit->Popup(), nullptr);
    TResponder responder;
    int shown = 0;
    responder.OnShowModal = [&](TForm& f) {
        auto& dialog = static_cast<TSelectDateDlg&>(f);
        EXPECT_EQ(dialog.DialogDate(), EncodeDate(2026, 12, 10)); // no date opens on today
        if (shown++ == 0) {
            for (int language : kLanguages) {
                dialog.Calendar->SetFormatSettings(FormatSettings::ForLanguage(language));
                dialog.CalendarChange(dialog.Calendar);
                testing::Render(dialog, PngName("selectdate", language));
            }
            dialog.Calendar->SetFocus();
            QApplication::processEvents();
            testing::Key(dialog.Calendar->Widget(), Qt::Key_PageUp, Qt::ControlModifier);
            testing::Key(dialog.Calendar->Widget(), Qt::Key_Left);
            EXPECT_EQ(dialog.TitleLabel->Caption(), "prosinec, 2025"); // Czech, rendered last
            dialog.OkButton->Click();
        } else {
            testing::Key(dialog.Calendar->Widget(), Qt::Key_Escape);
        }
        return mrNone;
    };
    edit->ButtonClick();
    EXPECT_EQ(edit->Text(), "09/12/2025");
    edit->SetText("");
    edit->ButtonClick();
    EXPECT_EQ(edit->Date(), 0);
    EXPECT_EQ(shown, 2);
}

TEST_F(DateControlsTest, ComboEditButtonAndClickKey) {
    auto* edit = new TComboEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 160, 24);
    edit->SetGlyphKind(TGlyphKind::gkEllipsis);
    edit->SetText("report.dat");
    int clicks = 0;
    edit->OnButtonClick = [&](TComponent*) { ++clicks; };
    Click(*edit->Button(), 4, 4);
    edit->SetFocus();
    QApplication::processEvents();
    testing::Key(edit->Widget(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
    edit->SetReadOnly(true);
    edit->ButtonClick();
    EXPECT_EQ(clicks, 2);
    edit->SetReadOnly(false);
    edit->SetHeight(5); // grows back to hold its text
    EXPECT_GT(edit->Height(), 12);
    edit->SetHeight(24);
    testing::Render(*edit, "comboedit-ellipsis");
}

TEST_F(DateControlsTest, DirectoryEditAsksTheFolderDialog) {
    TempFolder temp;
    const std::filesystem::path& dir = temp.path();
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    auto* edit = new TDirectoryEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 260, 24);
    edit->SetMultipleDirs(true);
    TResponder responder;
    std::string opened;
    responder.OnDialog = [&](QDialog& d) {
        auto& files = static_cast<QFileDialog&>(d);
        opened = files.directory().absolutePath().toStdString();
        files.selectFile(QString::fromStdString((dir / (edit->Text().empty() ? "a" : "b")).string()));
        return int(QDialog::Accepted);
    };
    edit->ButtonClick();
    EXPECT_EQ(opened, "/");
    EXPECT_EQ(edit->Text(), (dir / "a").string());
    edit->ButtonClick(); // a second folder is appended
    EXPECT_EQ(edit->Text(), (dir / "a").string() + ";" + (dir / "b").string());
    testing::Render(*edit, "directoryedit");

    // A file dropped from the desktop gives its folder.
    edit->SetMultipleDirs(false);
    edit->SetAcceptFiles(true);
    std::ofstream((dir / "b" / "notes.txt").string()) << "x";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "b" / "notes.txt").string()))});
    int drops = 0;
    edit->OnDropFiles = [&](TComponent*) { ++drops; };
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the widget: the application passes drops on only during a real drag.
    static_cast<QObject*>(edit->Widget())->event(&drop);
    EXPECT_EQ(edit->Text(), (dir / "b").string() + "/");
    EXPECT_EQ(drops, 1);
}

} // namespace
} // namespace kvz
