// The dataset grid: a QTableView over a TDataSetModel. Rows are read by position for painting;
// the view's current row moves the dataset and the dataset's moves move the view. Columns,
// titles, widths, alignment and colours come from the fields and from the grid's columns; a
// descendant or a handler styles each cell (QueryCellStyle) and may draw it (OnDrawColumnCell).
#pragma once

#include "platform/data/DB.h"
#include "platform/forms/Controls.h"
#include "platform/forms/DataSetModel.h"

#include <QTableView>

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace kvz {

class TDBGrid;

enum TDBGridOption : unsigned {
    dgEditing = 1,
    dgAlwaysShowEditor = 2,
    dgTitles = 4,
    dgIndicator = 8,
    dgColumnResize = 16,
    dgColLines = 32,
    dgRowLines = 64,
    dgTabs = 128,
    dgRowSelect = 256,
    dgAlwaysShowSelection = 512,
    dgConfirmDelete = 1024,
    dgCancelOnExit = 2048,
    dgMultiSelect = 4096,
};
using TDBGridOptions = unsigned;
constexpr TDBGridOptions kDefaultGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                               dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

// States of a drawn cell.
enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

// One column: the field it shows (by name, found again whenever the dataset's layout changes),
// its title, width in pixels, alignment, colour and font. A property not set follows the field
// or the grid.
class TColumn {
public:
    explicit TColumn(TDBGrid& grid) : grid_(grid) {}
    int Index() const;
    void SetIndex(int index);
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name);
    TField* Field() const;
    std::string TitleCaption() const;
    void SetTitleCaption(std::string caption);
    int Width() const;
    void SetWidth(int width);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    TColor Color() const;
    void SetColor(TColor color);
    TFont Font() const;
    void SetFont(const TFont& font);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

private:
    friend class TDBGrid;
    TDBGrid& grid_;
    std::string fieldName_;
    std::string title_;
    bool titleSet_ = false;
    int width_ = -1; // -1: from the field's display width
    bool alignmentSet_ = false;
    TAlignment alignment_ = taLeftJustify;
    bool colorSet_ = false;
    TColor color_ = clWindow;
    bool fontSet_ = false;
    TFont font_;
    bool visible_ = true;
    bool readOnly_ = false;
};

// The columns of a grid. Without columns of its own the grid shows every visible field, and
// the list holds those default columns (made again whenever the dataset's layout changes).
class TDBGridColumns {
public:
    explicit TDBGridColumns(TDBGrid& grid) : grid_(grid) {}
    int Count() const { return static_cast<int>(items_.size()); }
    TColumn& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    TColumn& Items(int index) const { return (*this)[index]; }
    // A column of the grid's own; the first one ends the default columns.
    TColumn& Add();
    void Clear();
    void Delete(int index);
    // Whether the columns are the default ones of the fields.
    bool DefaultColumns() const { return default_; }
    // Back to the default columns.
    void RestoreDefaults();
    // Changes between BeginUpdate and EndUpdate reach the view once, at the last EndUpdate: each
    // one alone would lay out every row of the grid again.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

private:
    friend class TDBGrid;
    friend class TColumn;
    TDBGrid& grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    bool default_ = true;
    int updating_ = 0;
    bool columnsPending_ = false; // the columns' fields changed meanwhile
    bool layoutPending_ = false; // a title, width or visibility changed meanwhile
};

// The rows a person marked (MultiSelect), as bookmarks in the order they were marked. Whether a
// row is marked is known at once however many are (the grid asks for every row it paints).
class TBookmarkList {
public:
    explicit TBookmarkList(TDBGrid& grid) : grid_(grid) {}
    int Count() const { return static_cast<int>(marked_.size()); }
    const TBookmark& Items(int index) const;
    bool Find(const TBookmark& bookmark) const;
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool selected);
    void Clear();
    // Deletes the marked records from the dataset, and empties the list.
    void Delete();
    // Drops bookmarks of records that are gone; true when one was dropped.
    bool Refresh();
    // Replaces the marks (the same records found again after the dataset was read anew).
    void Assign(std::vector<TBookmark> items);

private:
    // Drops from items_ the bookmarks unmarked since, and the earlier place of one marked again.
    void Compact() const;

    TDBGrid& grid_;
    mutable std::vector<TBookmark> items_;
    std::unordered_set<TBookmark> marked_;
    mutable size_t unmarked_ = 0; // entries of items_ that Compact drops
};

using TDrawColumnCellEvent = std::function<void(TComponent* sender, TCanvas& canvas, const TRect& rect, int dataCol,
                                                TColumn& column, TGridDrawState state)>;
using TDBGridClickEvent = std::function<void(TComponent* sender, TColumn& column)>;

class TDBGrid : public TWinControl {
public:
    explicit TDBGrid(TComponent* owner);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return model_->DataSource(); }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return model_->DataSet(); }
    TDBGridColumns& Columns() { return columns_; }
    const TDBGridColumns& Columns() const { return columns_; }
    TBookmarkList& SelectedRows() { return selectedRows_; }
    TDBGridOptions Options() const { return options_; }
    virtual void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    const TFont& TitleFont() const { return titleFont_; }
    void SetTitleFont(const TFont& font);
    // The column of the current cell (0-based among the columns) and its field.
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    TField* SelectedField() const;
    // The first data row shown at the top, and how many rows fit.
    int TopRow() const;
    int VisibleRowCount() const;
    QTableView* View() const;
    TDataSetModel& Model() const { return *model_; }

    TDrawColumnCellEvent OnDrawColumnCell;
    TDBGridClickEvent OnTitleClick, OnCellClick;
    TNotifyEvent OnColEnter, OnColExit;

protected:
    // The style of a data cell, with the dataset's fields reading its row: the column's colour,
    // font and alignment, then what a descendant makes of them. highlight: the row is the
    // current one or marked, and the grid shows it as selected.
    virtual void QueryCellStyle(int row, TColumn& column, TField* field, TCellStyle& style, bool highlight);
    // A data cell drawn over the default drawing (fields reading its row): OnDrawColumnCell.
    // Called only when DrawsColumnCells (a descendant that draws cells says so).
    virtual void DrawColumnCell(TCanvas& canvas, const TRect& rect, int dataCol, TColumn& column, TGridDrawState state);
    virtual bool DrawsColumnCells() const { return bool(OnDrawColumnCell); }
    // Whether a cell of the column may open its in-place editor: dgEditing, not read-only, not
    // row select, and a field that the dataset lets change (BLOBs are not edited in a cell).
    virtual bool CanEditShow(int column) const;
    // The in-place editor of a cell was made, before it shows the field's text.
    virtual void EditorCreated(QWidget* editor) { (void)editor; }
    // A click on a data cell (OnCellClick) and on a title (OnTitleClick).
    virtual void CellClick(TColumn& column);
    virtual void TitleClick(TColumn& column);
    // The rows or columns in view scrolled; the person resized a column.
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;
    void FontChanged() override;
    void ColorChanged() override;
    // After the columns were made again or changed (the view takes their widths and titles).
    virtual void LayoutChanged();
    // Whether a row is marked (MultiSelect).
    bool RowSelected(int row) const;
    // Paints a title (Qt::Horizontal, section = column) or an indicator cell (Qt::Vertical,
    // section = row); `standard` paints it as the header does, which is all this one does.
    virtual void PaintHeaderSection(QPainter& painter, const QRect& rect, Qt::Orientation orientation, int section,
                                    const std::function<void()>& standard) const;

private:
    friend class TColumn;
    friend class TDBGridColumns;
    friend class TBookmarkList;
    class Delegate;
    class GridView;
    class Header;

    void ColumnsChanged();
    // A column's title, width or visibility changed.
    void ColumnLayoutChanged();
    void CurrentRowChanged(int row);
    void ViewCurrentChanged(int row, int column);
    void ApplyOptions();
    void StyleCell(int row, int column, TField* field, TCellStyle& style);
    void FitRowHeight();
    void SetRowHeight(int height);

    std::unique_ptr<TDataSetModel> model_;
    TDBGridColumns columns_{*this};
    TBookmarkList selectedRows_{*this};
    TDBGridOptions options_ = kDefaultGridOptions;
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    bool syncing_ = false;
    bool rowHeightSet_ = false;
    int lastColumn_ = -1;
    TFont titleFont_;
};

} // namespace kvz
