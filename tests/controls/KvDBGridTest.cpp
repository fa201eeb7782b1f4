// The data-aware grid over engine tables with Slovak text: marking rows with keys and clicks
// (also over 100,000 rows), requests that change the table, marks that outlive a refresh only
// as the same records, coloured cells and title buttons with sort marks.
#include "TempFolder.h"
#include "bench/AddressRows.h"
#include "controls/KVDBCtrl.h"
#include "controls/KvPlacement.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include <map>

namespace kvz {
namespace {

// One table file of each size for the whole test program; each test opens it afresh.
std::filesystem::path AddressTable(int rows) {
    static TempFolder folder;
    static std::map<int, std::filesystem::path> files;
    auto& file = files[rows];
    if (file.empty()) {
        TVolgaCursor c;
        bench::DefineAddressTable(c);
        bench::FillAddressRows(c, rows);
        file = folder.path() / ("Jano" + std::to_string(rows) + "_address.d");
        c.SaveToFile(file);
    }
    return file;
}

class KvDBGridTest : public testing::FormsTest {
protected:
    void Open(int rows) {
        std::filesystem::copy_file(AddressTable(rows), folder.path() / "t_address.d");
        table.SetTableName((folder.path() / "t_address.d").string());
        table.Open();
        source.SetDataSet(&table);
        form.SetClientSize(640, 300);
        grid->SetParent(&form);
        grid->SetAlign(TAlign::alClient);
        grid->SetDataSource(&source);
        grid->SetMultiSelect(true);
        form.Show();
        QApplication::processEvents();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { testing::TypeKey(grid->View(), key, mods); }
    void ClickRow(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTableView* view = grid->View();
        view->scrollTo(grid->Model().index(row, 2));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, view->visualRect(grid->Model().index(row, 2)).center());
    }
    std::vector<std::string> MarkedNumbers() {
        std::vector<std::string> numbers;
        const TBookmark here = table.GetBookmark();
        for (int i = 0; i < grid->SelectedRows().Count(); ++i) {
            table.GotoBookmark(grid->SelectedRows().Items(i));
            numbers.push_back(table.FieldByName("Number").AsString());
        }
        table.GotoBookmark(here);
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    struct Application {
        Application() { testing::EnsureApplication(); }
    } application;
    TempFolder folder;
    TVolgaTable table;
    TDataSource source;
    TForm form{nullptr};
    TKvDBGrid* grid = new TKvDBGrid(&form);
};

TEST_F(KvDBGridTest, KeysAndClicksMarkRowsOverAHundredThousand) {
    Open(100000);
    ASSERT_EQ(grid->Model().rowCount(), 100000);
    table.MoveBy(49999);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(MarkedNumbers(), (std::vector<std::string>{"00049999", "00050000", "00050001"}));
    EXPECT_EQ(table.RecNo(), 50002);
    // A plain step clears the marks and moves on.
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    EXPECT_EQ(table.RecNo(), 50003);

    // A click marks only the clicked row, Ctrl+click toggles.
    table.First();
    ClickRow(2);
    EXPECT_EQ(MarkedNumbers(), (std::vector<std::string>{"00000002"}));
    ClickRow(4, Qt::ControlModifier);
    ClickRow(5, Qt::ControlModifier);
    ClickRow(2, Qt::ControlModifier);
    EXPECT_EQ(MarkedNumbers(), (std::vector<std::string>{"00000004", "00000005"}));
    // Ctrl with End clears, and so does switching MultiSelect off through Options.
    EXPECT_TRUE(grid->Options() & dgMultiSelect);
    grid->SetOptions(grid->Options() & ~dgMultiSelect);
    EXPECT_FALSE(grid->MultiSelect());
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    EXPECT_TRUE(grid->MultiSelect());
    // The wheel moves a record at a time, unless the window takes it.
    table.First();
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(50, 50), grid->View()->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->View()->viewport(), &e);
    };
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(table.RecNo(), 3);
    wheel(120);
    EXPECT_EQ(table.RecNo(), 2);
    grid->OnMouseWheelUp = [](TComponent*, TShiftState, int, int, bool& handled) { handled = true; };
    wheel(120);
    EXPECT_EQ(table.RecNo(), 2);
    // The last row: Down appends a record.
    Key(Qt::Key_End, Qt::ControlModifier);
    table.Last();
    Key(Qt::Key_Down);
    EXPECT_EQ(table.State(), dsInsert);
    table.Cancel();
}

TEST_F(KvDBGridTest, ChangesGoThroughTheWindowWhenItAsksForThem) {
    Open(20);
    TResponder responder;
    std::vector<TBookmark> asked;
    int appends = 0;
    grid->OnDeleteRecords = [&](TComponent*, const std::vector<TBookmark>& rows) { asked = rows; };
    grid->OnAppendRecord = [&](TComponent*) { ++appends; };
    table.MoveBy(3);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    // Refused: nothing happens, the key is taken.
    responder.MessageBoxAnswers = {IDNO};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Delete all selected records?");
    EXPECT_TRUE(asked.empty());
    responder.MessageBoxAnswers = {IDYES};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(table.RecordCount(), 20); // the grid itself changed nothing
    table.Last();
    Key(Qt::Key_Down);
    Key(Qt::Key_Insert);
    EXPECT_EQ(appends, 2);
    EXPECT_EQ(table.State(), dsBrowse);

    // Without the window's events the grid deletes itself: one record, asked as one.
    grid->OnDeleteRecords = nullptr;
    responder.MessageBoxAnswers = {IDYES};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(responder.MessageBoxes.back().Text, "Delete record?");
    EXPECT_EQ(table.RecordCount(), 19);
}

TEST_F(KvDBGridTest, MarksOutliveARefreshOnlyAsTheSameRecords) {
    Open(20);
    grid->SetMarkKeyFields("Number");
    table.MoveBy(5);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(MarkedNumbers(), (std::vector<std::string>{"00000005", "00000006", "00000007"}));
    {
        // Another computer deletes one of them and adds a record at the top.
        TVolgaTable other;
        other.SetTableName(table.TableName());
        other.Open();
        ASSERT_TRUE(other.Locate("Number", Variant(std::string("00000006")), {}));
        other.Delete();
        other.First();
        other.Insert();
        other.FieldByName("Number").SetAsString("0000000A");
        other.FieldByName("Priezvisko").SetAsString("Šťastná");
        other.Post();
        other.ApplyChanges();
        other.CommitChanges();
    }
    table.Refresh();
    EXPECT_EQ(table.RecordCount(), 20);
    EXPECT_EQ(MarkedNumbers(), (std::vector<std::string>{"00000005", "00000007"}));
}

TEST_F(KvDBGridTest, ColouredCellsTitleButtonsAndSortMarks) {
    Open(100);
    grid->SetTitleButtons(true);
    grid->Columns().Add().SetFieldName("Number");
    for (const char* name : {"Priezvisko", "Meno", "Mesto", "Telefon1", "Poznamka"}) grid->Columns().Add().SetFieldName(name);
    grid->OnGetCellParams = [](TComponent*, TField* field, TFont& font, TColor& background, bool highlight) {
        if (highlight || !field) return;
        if (field->FieldName() == "Mesto" && field->AsString() == "Košice") background = RGB(255, 224, 224);
        if (field->FieldName() == "Priezvisko" && field->AsString().starts_with("Ž")) font.Style |= 1; // bold
    };
    grid->OnGetBtnParams = [](TComponent*, TField* field, TFont&, TColor& background, TSortMarker& marker, bool) {
        if (field->FieldName() == "Priezvisko") marker = TSortMarker::smDown;
        if (field->FieldName() == "Mesto") {
            marker = TSortMarker::smUp;
            background = RGB(255, 255, 200);
        }
    };
    std::vector<int> pressed;
    grid->OnCheckButton = [](TComponent*, int column, TField*, bool& enabled) { enabled = column != 0; };
    grid->OnTitleBtnClick = [&](TComponent*, int column, TField*) { pressed.push_back(column); };
    const int widths[] = {70, 110, 90, 120, 130, 60};
    for (int i = 0; i < 6; ++i) grid->Columns()[i].SetWidth(widths[i]);
    QHeaderView* header = grid->View()->horizontalHeader();
    auto title = [&](int column) {
        return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    };
    auto drag = [&](int column) { // the mouse moves with the button held
        QMouseEvent move(QEvent::MouseMove, title(column), header->viewport()->mapToGlobal(title(column)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title(0)); // refused: a beep
    EXPECT_EQ(grid->PressedTitle(), -1);
    // The title goes down while the mouse holds it, comes up when the mouse leaves it, and
    // counts only when released over it.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, title(3));
    EXPECT_EQ(grid->PressedTitle(), 3);
    testing::SaveWindowPicture(form, "kvdbgrid_title_down");
    drag(4);
    EXPECT_EQ(grid->PressedTitle(), -1);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, title(4));
    EXPECT_TRUE(pressed.empty());
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, title(3));
    drag(4);
    drag(3);
    EXPECT_EQ(grid->PressedTitle(), 3);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, title(3));
    EXPECT_EQ(pressed, (std::vector<int>{3}));
    EXPECT_EQ(grid->PressedTitle(), -1);

    // The colours of the events reach the cells.
    table.First();
    int kosice = -1;
    for (int row = 0; row < 20 && kosice < 0; ++row)
        if (grid->Model().data(grid->Model().index(row, 3), Qt::DisplayRole).toString() == "Košice") kosice = row;
    ASSERT_GE(kosice, 1);
    EXPECT_EQ(grid->Model().data(grid->Model().index(kosice, 3), Qt::BackgroundRole).value<QColor>(), QColor(255, 224, 224));

    table.MoveBy(2);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    ClickRow(8, Qt::ControlModifier);
    grid->SetFocus();
    grid->View()->scrollTo(grid->Model().index(0, 0));
    testing::SaveWindowPicture(form, "kvdbgrid");
    EXPECT_EQ(grid->SelectedRows().Count(), 4);
    EXPECT_EQ(grid->FieldGlyphIndex(table.FindField("Poznamka")), 1);
    EXPECT_FALSE(grid->Model().flags(grid->Model().index(0, 5)) & Qt::ItemIsEditable);
}

TEST_F(KvDBGridTest, FrozenColumnsStayWhileTheGridScrollsSideways) {
    Open(100);
    for (const char* name : {"Number", "Priezvisko", "Meno", "Mesto", "Telefon1", "Poznamka", "Ulica", "PSC"})
        grid->Columns().Add().SetFieldName(name);
    for (int i = 0; i < grid->Columns().Count(); ++i) grid->Columns()[i].SetWidth(110);
    grid->SetFixedCols(2);
    grid->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(grid->FixedCols(), 2);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    auto* frozen = grid->View()->findChild<QTableView*>();
    ASSERT_NE(frozen, nullptr);
    ASSERT_TRUE(frozen->isVisible());
    EXPECT_EQ(frozen->width(), 220);
    EXPECT_FALSE(frozen->isColumnHidden(1));
    EXPECT_TRUE(frozen->isColumnHidden(2));

    // The cursor goes right to the last column: the free columns scroll, the frozen ones stay,
    // and a free column never ends up under them.
    for (int i = 0; i < 5; ++i) Key(Qt::Key_Right);
    EXPECT_EQ(grid->SelectedIndex(), 7);
    EXPECT_GT(grid->View()->horizontalScrollBar()->value(), 0);
    Key(Qt::Key_Home);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_GE(grid->View()->columnViewportPosition(2), 220);
    for (int i = 0; i < 5; ++i) Key(Qt::Key_Right);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_GE(grid->View()->columnViewportPosition(grid->SelectedIndex()), 220);
    // The rows scroll together.
    for (int i = 0; i < 30; ++i) Key(Qt::Key_Down);
    EXPECT_EQ(frozen->verticalScrollBar()->value(), grid->View()->verticalScrollBar()->value());
    EXPECT_GT(frozen->rowAt(0), 0);
    // A press on a frozen cell moves the row, not the cursor's column; Ctrl marks it.
    const int column = grid->SelectedIndex();
    const int row = frozen->rowAt(frozen->viewport()->height() / 2);
    QTest::mouseClick(frozen->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      frozen->visualRect(grid->Model().index(row, 0)).center());
    EXPECT_EQ(grid->Model().CurrentRow(), row);
    EXPECT_EQ(grid->SelectedIndex(), column);
    EXPECT_TRUE(grid->SelectedRows().CurrentRowSelected());
    testing::SaveWindowPicture(form, "kvdbgrid_frozen");

    // At least one column stays free; none frozen hides the second view.
    grid->SetFixedCols(20);
    EXPECT_EQ(grid->FixedCols(), 7);
    grid->SetFixedCols(0);
    EXPECT_FALSE(frozen->isVisible());
}

TEST_F(KvDBGridTest, TypingInACellReportsEveryChange) {
    Open(20);
    int changes = 0;
    grid->OnEditChange = [&](TComponent* sender) {
        EXPECT_EQ(sender, grid);
        ++changes;
    };
    grid->SetSelectedIndex(1);
    grid->SetFocus();
    QApplication::processEvents();
    testing::Key(grid->View(), Qt::Key_X, Qt::NoModifier, "x"); // opens the editor with the key
    QApplication::processEvents();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(table.State(), dsEdit);
    testing::Key(editor, Qt::Key_Y, Qt::NoModifier, "y");
    testing::Key(editor, Qt::Key_Backspace);
    EXPECT_TRUE(editor->text().endsWith("x"));
    EXPECT_EQ(changes, 3);
    editor->setText("set by the program"); // not the person
    EXPECT_EQ(changes, 3);
}

TEST_F(KvDBGridTest, ColumnLayoutComesBackThroughThePlacementAndDamageKeepsTheDefaults) {
    Open(30);
    grid->SetName("DBGrid1");
    for (const char* name : {"Number", "Priezvisko", "Meno", "Mesto"}) grid->Columns().Add().SetFieldName(name);
    const std::string file = (folder.path() / "layout.ini").string();
    auto* placement = new TFormPlacement(&form);
    placement->SetIniFileName(file);
    placement->SetIniSection("Tasks");
    placement->SetOptions(0);
    grid->SetIniStorage(placement);
    auto order = [&] {
        std::vector<std::string> names;
        for (int i = 0; i < grid->Columns().Count(); ++i) names.push_back(grid->Columns()[i].FieldName());
        return names;
    };
    placement->RestoreFormPlacement(); // nothing stored yet: the columns stay
    EXPECT_EQ(order(), (std::vector<std::string>{"Number", "Priezvisko", "Meno", "Mesto"}));
    grid->Columns()[3].SetIndex(0);
    grid->Columns()[2].SetWidth(150);
    grid->View()->horizontalHeader()->resizeSection(1, 77); // as the person drags it
    placement->SaveFormPlacement();
    EXPECT_EQ(IniFile(file).ReadString("Tasks\\TFormDBGrid1", "DBGrid1.Mesto", ""),
              "0," + std::to_string(grid->Columns()[0].Width()));
    EXPECT_EQ(IniFile(file).ReadString("Tasks\\TFormDBGrid1", "DBGrid1.Number", ""), "1,77");

    grid->Columns()[0].SetIndex(3);
    grid->Columns()[0].SetWidth(40);
    placement->RestoreFormPlacement();
    EXPECT_EQ(order(), (std::vector<std::string>{"Mesto", "Number", "Priezvisko", "Meno"}));
    EXPECT_EQ(grid->Columns()[1].Width(), 77);
    EXPECT_EQ(grid->Columns()[2].Width(), 150);
    EXPECT_EQ(grid->View()->columnWidth(1), 77);

    // A damaged or missing entry keeps what the column has; the others still come back.
    {
        IniFile ini(file);
        ini.WriteString("Tasks\\TFormDBGrid1", "DBGrid1.Mesto", "first,wide");
        ini.WriteString("Tasks\\TFormDBGrid1", "DBGrid1.Meno", "99,-40");
        ini.DeleteKey("Tasks\\TFormDBGrid1", "DBGrid1.Priezvisko");
        ini.UpdateFile();
    }
    grid->Columns()[0].SetWidth(61);
    grid->Columns()[3].SetWidth(62);
    placement->RestoreFormPlacement();
    EXPECT_EQ(order(), (std::vector<std::string>{"Mesto", "Number", "Priezvisko", "Meno"}));
    EXPECT_EQ(grid->Columns()[0].Width(), 61);
    EXPECT_EQ(grid->Columns()[3].Width(), 62);
    {
        IniFile ini(file);
        ini.EraseSection("Tasks\\TFormDBGrid1");
        ini.UpdateFile();
    }
    placement->RestoreFormPlacement();
    EXPECT_EQ(order(), (std::vector<std::string>{"Mesto", "Number", "Priezvisko", "Meno"}));

    // Without columns of its own the grid keeps the fields' layout, a dragged width as the
    // field's width in characters.
    grid->Columns().RestoreDefaults();
    table.FieldByName("Mesto").SetIndex(0);
    const int number = table.FieldByName("Number").DisplayWidth();
    grid->View()->horizontalHeader()->resizeSection(0, 300);
    placement->SaveFormPlacement();
    table.FieldByName("Mesto").SetIndex(5);
    table.FieldByName("Mesto").SetDisplayWidth(4);
    placement->RestoreFormPlacement();
    EXPECT_EQ(grid->Columns()[0].FieldName(), "Mesto");
    EXPECT_NEAR(grid->View()->columnWidth(0), 300, 8);
    EXPECT_EQ(table.FieldByName("Number").DisplayWidth(), number);
    grid->SetIniStorage(nullptr);
}

} // namespace
} // namespace kvz
