// The dataset grid over a large engine table: it paints by reading rows by position (the
// dataset never scrolls for a paint), and its current row and the dataset's follow each other.
#include "TempFolder.h"
#include "bench/AddressRows.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>

#include <numeric>
#include <random>

namespace kvz {
namespace {

constexpr int kRows = 100000;


// One big table file for the whole test program; each test opens it afresh.
const std::filesystem::path& BigTable() {
    static TempFolder folder;
    static const std::filesystem::path file = [] {
        TVolgaCursor c;
        bench::DefineAddressTable(c);
        bench::FillAddressRows(c, kRows);
        const auto path = folder.path() / "Jano_address.d";
        c.SaveToFile(path);
        return path;
    }();
    return file;
}

class DBGridTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        table.SetTableName(BigTable().string());
        table.AfterScroll = [this](TDataSet&) { ++scrolls; };
        table.Open();
        source.SetDataSet(&table);
        form.SetClientSize(600, 400);
        grid->SetParent(&form);
        grid->SetAlign(TAlign::alClient);
        grid->SetDataSource(&source);
        form.Show();
        QApplication::processEvents();
    }
    int ViewRow() const { return grid->View()->currentIndex().row(); }
    void Paint() { testing::Render(*grid); }

    struct Application {
        Application() { testing::EnsureApplication(); }
    } application; // before the first widget
    TVolgaTable table;
    TDataSource source;
    TForm form{nullptr};
    TDBGrid* grid = new TDBGrid(&form);
    int scrolls = 0;
};

TEST_F(DBGridTest, PaintsARowPerRecordWithoutScrollingTheDataset) {
    ASSERT_EQ(grid->Model().rowCount(), kRows);
    EXPECT_EQ(grid->Columns().Count(), table.FieldCount());
    EXPECT_EQ(grid->Columns()[1].TitleCaption(), "Firma");
    scrolls = 0;
    Paint();
    grid->View()->scrollToBottom();
    Paint();
    grid->View()->verticalScrollBar()->setValue(kRows / 2);
    Paint();
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(table.RecNo(), 1);
    // The painted cells are the rows at their positions.
    const QModelIndex last = grid->Model().index(kRows - 1, 0);
    EXPECT_EQ(grid->Model().data(last, Qt::DisplayRole).toString(), QString("%1").arg(kRows - 1, 8, 10, QChar('0')));
    EXPECT_EQ(grid->Model().data(grid->Model().index(1, 3), Qt::DisplayRole).toString().toStdString(),
              [&] {
                  table.Next();
                  return table.FieldByName("Priezvisko").AsString();
              }());
}

// Over a long table each change of the columns lays out every row again: a window that builds
// its columns in a batch lets the view take them once, and sees them all.
TEST_F(DBGridTest, ColumnsMadeInABatchReachTheViewOnce) {
    int resets = 0;
    QObject::connect(&grid->Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    const char* const fields[] = {"Priezvisko", "Meno", "Mesto", "Telefon1", "E_Mail", "IBAN"};
    TDBGridColumns& columns = grid->Columns();
    columns.BeginUpdate();
    columns.Clear();
    columns.BeginUpdate(); // batches nest
    int width = 40;
    for (const char* field : fields) {
        TColumn& column = columns.Add();
        column.SetFieldName(field);
        column.SetTitleCaption(std::string("T ") + field);
        column.SetWidth(width += 10);
    }
    columns.EndUpdate();
    EXPECT_EQ(resets, 0);
    columns.EndUpdate();
    EXPECT_EQ(resets, 1);
    ASSERT_EQ(grid->Model().columnCount(), 6);
    ASSERT_EQ(grid->Model().rowCount(), kRows);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(grid->Model().headerData(i, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
                  std::string("T ") + fields[i]);
        EXPECT_EQ(grid->View()->columnWidth(i), 50 + 10 * i);
    }
    EXPECT_EQ(grid->Model().data(grid->Model().index(0, 0), Qt::DisplayRole).toString().toStdString(),
              table.FieldByName("Priezvisko").AsString());

    // A title or width changed in a batch alone lays the columns out without new rows.
    columns.BeginUpdate();
    columns[2].SetWidth(123);
    columns[2].SetTitleCaption("Town");
    columns.EndUpdate();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(grid->View()->columnWidth(2), 123);
    EXPECT_EQ(grid->Model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Town");
    // Outside a batch each change still shows at once.
    columns[3].SetWidth(77);
    EXPECT_EQ(grid->View()->columnWidth(3), 77);
}

// A grid given a long table lays its rows out once: its default columns are the fields the
// rows show already. Columns of other fields lay them out again.
TEST_F(DBGridTest, AGridTakesItsTableWithOneLayoutOfTheRows) {
    TForm other(nullptr);
    auto* fresh = new TDBGrid(&other);
    int resets = 0;
    QObject::connect(&fresh->Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    fresh->SetDataSource(&source);
    EXPECT_EQ(resets, 1);
    ASSERT_EQ(fresh->Columns().Count(), table.FieldCount());
    EXPECT_EQ(fresh->Model().columnCount(), table.FieldCount());
    EXPECT_EQ(fresh->Model().rowCount(), kRows);
    EXPECT_EQ(fresh->Model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Firma");
    EXPECT_EQ(fresh->Model().data(fresh->Model().index(0, 3), Qt::DisplayRole).toString().toStdString(),
              table.FieldByName("Priezvisko").AsString());
    fresh->Columns().Add().SetFieldName("Mesto");
    EXPECT_EQ(fresh->Model().columnCount(), 1);
    EXPECT_EQ(fresh->Model().data(fresh->Model().index(0, 0), Qt::DisplayRole).toString().toStdString(),
              table.FieldByName("Mesto").AsString());
    EXPECT_GT(resets, 1);
}

// A new font gives every row of a long table the new height, to its last row.
TEST_F(DBGridTest, ANewFontResizesEveryRow) {
    const int before = grid->DefaultRowHeight();
    TFont font = grid->Font();
    font.Size = 24;
    grid->SetFont(font);
    const int height = grid->DefaultRowHeight();
    ASSERT_GT(height, before);
    QTableView* view = grid->View();
    EXPECT_EQ(view->verticalHeader()->sectionSize(kRows - 1), height);
    EXPECT_EQ(view->verticalHeader()->length(), kRows * height);
    QApplication::processEvents();
    view->scrollToBottom();
    Paint();
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), kRows - 1);
    EXPECT_EQ(view->rowHeight(kRows - 1), height);
    grid->SetDefaultRowHeight(before);
    EXPECT_EQ(view->verticalHeader()->length(), kRows * before);
}

TEST_F(DBGridTest, CurrentRowFollowsTheDatasetBothWays) {
    scrolls = 0;
    table.MoveBy(41);
    EXPECT_EQ(ViewRow(), 41);
    table.Last();
    EXPECT_EQ(ViewRow(), kRows - 1);
    table.SetRecNo(500);
    EXPECT_EQ(ViewRow(), 499);
    EXPECT_EQ(scrolls, 3);

    // The view's current row moves the dataset, once per move.
    scrolls = 0;
    grid->View()->setCurrentIndex(grid->Model().index(90000, 2));
    EXPECT_EQ(table.RecNo(), 90001);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(grid->SelectedField(), &table.FieldByName("Meno"));
    testing::Key(grid->View(), Qt::Key_Down);
    EXPECT_EQ(table.RecNo(), 90002);
    testing::Key(grid->View(), Qt::Key_PageDown);
    EXPECT_GT(table.RecNo(), 90003);
    EXPECT_EQ(ViewRow() + 1, table.RecNo());
    EXPECT_EQ(scrolls, 3);
}

TEST_F(DBGridTest, EditingInsertingAndDeletingReshapeTheRows) {
    table.SetRecNo(10);
    table.Insert();
    EXPECT_EQ(grid->Model().rowCount(), kRows + 1);
    EXPECT_EQ(ViewRow(), 9);
    EXPECT_EQ(grid->Model().headerData(9, Qt::Vertical, Qt::DisplayRole).toString(), "*");
    table.FieldByName("Firma").SetAsString("Nová firma");
    EXPECT_EQ(grid->Model().data(grid->Model().index(9, 1), Qt::DisplayRole).toString(), "Nová firma");
    EXPECT_EQ(grid->Model().data(grid->Model().index(10, 0), Qt::DisplayRole).toString(), "00000009");
    table.Cancel();
    EXPECT_EQ(grid->Model().rowCount(), kRows);
    // An untouched insert goes when the grid moves on, to the record that was clicked.
    table.Insert();
    grid->View()->setCurrentIndex(grid->Model().index(12, 0));
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.RecNo(), 12);
    table.SetRecNo(10);
    EXPECT_EQ(grid->Model().data(grid->Model().index(9, 0), Qt::DisplayRole).toString(), "00000009");

    ASSERT_EQ(table.RecNo(), 10);
    EXPECT_EQ(ViewRow(), 9);
    table.Edit();
    table.FieldByName("Firma").SetAsString("Zmenená");
    EXPECT_EQ(grid->Model().data(grid->Model().index(9, 1), Qt::DisplayRole).toString(), "Zmenená");
    table.Post();
    table.Delete();
    EXPECT_EQ(grid->Model().rowCount(), kRows - 1);
    EXPECT_EQ(grid->Model().data(grid->Model().index(9, 0), Qt::DisplayRole).toString(), "00000010");
    EXPECT_EQ(ViewRow() + 1, table.RecNo());
}

TEST_F(DBGridTest, CellEditorsEditTheDatasetFirstAndMovingOnPosts) {
    QTableView* view = grid->View();
    const QModelIndex firma = grid->Model().index(4, 1);
    view->setCurrentIndex(firma);
    view->edit(firma);
    EXPECT_EQ(table.State(), dsEdit); // before the editor shows
    auto* editor = view->indexWidget(firma) ? view->indexWidget(firma) : view->focusWidget();
    ASSERT_NE(editor, nullptr);
    view->itemDelegate()->setModelData(editor, view->model(), firma); // what Enter does
    EXPECT_EQ(table.RecNo(), 5);
    ASSERT_TRUE(grid->Model().setData(firma, "Nová", Qt::EditRole));
    EXPECT_EQ(table.FieldByName("Firma").AsString(), "Nová");
    view->setCurrentIndex(grid->Model().index(5, 1));
    EXPECT_EQ(table.State(), dsBrowse);
    table.SetRecNo(5);
    EXPECT_EQ(table.FieldByName("Firma").AsString(), "Nová");

    // A read-only grid opens no editor and leaves the dataset alone.
    grid->SetReadOnly(true);
    view->edit(grid->Model().index(2, 1));
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DBGridTest, CellsTakeTheirStyleFromColumnsAndTheRowTheyShow) {
    grid->Columns().Add().SetFieldName("Priezvisko");
    TColumn& town = grid->Columns().Add();
    town.SetFieldName("Mesto");
    town.SetTitleCaption("Town");
    town.SetWidth(90);
    town.SetAlignment(taRightJustify);
    ASSERT_EQ(grid->Model().columnCount(), 2);
    EXPECT_EQ(grid->View()->columnWidth(1), 90);
    EXPECT_EQ(grid->Model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Town");
    EXPECT_EQ(grid->Model().data(grid->Model().index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);

    // A handler colours rows by what they hold; its fields read the painted row.
    struct ColouringGrid : TDBGrid {
        using TDBGrid::TDBGrid;
        void QueryCellStyle(int, TColumn&, TField*, TCellStyle& style, bool) override {
            if (DataSet()->FieldByName("Number").AsString().back() == '7') style.Background = clYellow;
        }
    };
    auto* coloured = new ColouringGrid(&form);
    coloured->SetParent(&form);
    coloured->SetDataSource(&source);
    scrolls = 0;
    EXPECT_EQ(coloured->Model().data(coloured->Model().index(17, 0), Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    EXPECT_FALSE(coloured->Model().data(coloured->Model().index(18, 0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(scrolls, 0);
}

TEST_F(DBGridTest, MarkedRowsAreKeptAsBookmarks) {
    grid->SetOptions(grid->Options() | dgMultiSelect);
    table.SetRecNo(3);
    grid->SelectedRows().SetCurrentRowSelected(true);
    table.SetRecNo(5);
    grid->SelectedRows().SetCurrentRowSelected(true);
    testing::Render(*grid, "dbgrid-marked");
    EXPECT_EQ(grid->SelectedRows().Count(), 2);
    EXPECT_TRUE(grid->Model().data(grid->Model().index(2, 0), kHighlightRole).toBool()); // marked rows show selected
    EXPECT_FALSE(grid->Model().data(grid->Model().index(3, 0), kHighlightRole).toBool());
    grid->SelectedRows().Delete();
    EXPECT_EQ(grid->Model().rowCount(), kRows - 2);
    EXPECT_EQ(grid->Model().data(grid->Model().index(2, 0), Qt::DisplayRole).toString(), "00000003");
    grid->SetOptions(grid->Options() & ~dgMultiSelect);
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
}

// Marking, the check of the marks after a refresh, a paint and the deletion cost no more than
// the rows and the marks together: at this size any of them growing with their product would
// not finish.
TEST_F(DBGridTest, AHundredThousandMarkedRowsAreDeletedAndTheOthersStay) {
    constexpr int kMany = 150000;
    TempFolder folder;
    const auto file = folder.path() / "Jano_marks.d";
    {
        TVolgaCursor c;
        bench::DefineAddressTable(c);
        bench::FillAddressRows(c, kMany);
        c.SaveToFile(file);
    }
    TVolgaTable marks;
    marks.SetTableName(file.string());
    marks.SetIndexFieldNames("Priezvisko;Meno"); // places in the view are not places in the file
    marks.Open();
    TDataSource marksSource;
    marksSource.SetDataSet(&marks);
    grid->SetDataSource(&marksSource);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    auto number = [&] { return std::stoi(marks.FieldByName("Number").AsString()); };

    // Every record whose number is not a multiple of three, visited in no order.
    std::vector<int> places(kMany);
    std::iota(places.begin(), places.end(), 1);
    std::shuffle(places.begin(), places.end(), std::mt19937(3));
    TBookmarkList& list = grid->SelectedRows();
    std::vector<int> again;
    for (int recNo : places) {
        marks.SetRecNo(recNo);
        if (number() % 3 == 0) continue;
        list.SetCurrentRowSelected(true);
        if (again.size() < 2000) again.push_back(recNo);
    }
    ASSERT_EQ(list.Count(), 100000);
    // Unmarked and marked again: counted once, now the latest marked.
    for (int recNo : again) {
        marks.SetRecNo(recNo);
        list.SetCurrentRowSelected(false);
    }
    EXPECT_EQ(list.Count(), 100000 - 2000);
    for (int recNo : again) {
        marks.SetRecNo(recNo);
        list.SetCurrentRowSelected(true);
    }
    ASSERT_EQ(list.Count(), 100000);
    marks.SetRecNo(again.back());
    EXPECT_EQ(list.Items(list.Count() - 1), marks.GetBookmark());

    // The table read again: every mark still names its record.
    marks.Refresh();
    EXPECT_FALSE(list.Refresh());
    ASSERT_EQ(list.Count(), 100000);
    Paint();
    for (int row = 0; row < 40; ++row) {
        const QModelIndex index = grid->Model().index(row, 0);
        const bool multiple = grid->Model().data(index, Qt::DisplayRole).toString().toInt() % 3 == 0;
        EXPECT_EQ(grid->Model().data(index, kHighlightRole).toBool(), !multiple) << row;
    }

    list.Delete();
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(marks.RecordCount(), kMany - 100000);
    std::vector<bool> seen(kMany);
    for (marks.First(); !marks.Eof(); marks.Next()) {
        const int n = number();
        ASSERT_EQ(n % 3, 0) << n;
        ASSERT_FALSE(seen[static_cast<size_t>(n)]) << n;
        seen[static_cast<size_t>(n)] = true;
    }
    grid->SetDataSource(nullptr);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// Dates and yes/no values show as the interface language writes them, whatever the dataset's
// own settings; a field's own display format and words stay.
TEST(DBGridCells, DatesAndYesNoInTheInterfaceLanguage) {
    testing::EnsureApplication();
    TVolgaTable table;
    table.FieldDefs().Add("Date", ftDate);
    table.FieldDefs().Add("Completed", ftBoolean);
    table.FieldDefs().Add("Run", ftBoolean);
    table.Open();
    static_cast<TBooleanField&>(table.FieldByName("Run")).SetDisplayValues("Hej;Ne");
    table.AppendRecord({Variant(EncodeDate(2026, 12, 11)), Variant(false), Variant(true)});
    TDataSource source;
    source.SetDataSet(&table);
    TForm form{nullptr};
    TDBGrid* grid = new TDBGrid(&form);
    grid->SetParent(&form);
    grid->SetDataSource(&source);
    const FormatSettings program = Application().Formats();
    struct Case {
        int language;
        const char *date, *no;
    };
    for (const Case& c : {Case{1, "11/12/2026", "False"}, {2, "11.12.2026", "Nie"}, {3, "11.12.2026", "Ne"}}) {
        Application().SetFormats(FormatSettings::ForLanguage(c.language));
        grid->Model().Repaint();
        auto cell = [&](int column) { return grid->Model().data(grid->Model().index(0, column), Qt::DisplayRole).toString(); };
        EXPECT_EQ(cell(0).toStdString(), c.date) << c.language;
        EXPECT_EQ(cell(1).toStdString(), c.no) << c.language;
        EXPECT_EQ(cell(2).toStdString(), "Hej") << c.language;
    }
    Application().SetFormats(program);
    // What the field gives as its text stays in the dataset's own form.
    EXPECT_EQ(table.FieldByName("Date").AsString(), "11/12/2026");
}

} // namespace
} // namespace kvz
