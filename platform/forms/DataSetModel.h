// A table model over any dataset, for grids: row i is the i-th row of the dataset's view, read
// with ReadRecordAt, so painting never moves the dataset's cursor and fires no dataset event.
// The model follows the dataset through a data link: a changed dataset resets it or inserts and
// removes rows, a changed record repaints its row, a scroll moves CurrentRow. While the dataset
// edits or inserts, the current row shows the record being edited (an inserted record is an
// extra row until it is posted or cancelled).
#pragma once

#include "platform/data/DB.h"
#include "platform/forms/Graphics.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

// How one cell shows: the grid fills it in and its events may change it. The dataset's fields
// read the cell's row meanwhile.
struct TCellStyle {
    TFont Font;
    TColor Background = clWindow;
    TAlignment Alignment = TAlignment::taLeftJustify;
    // Drawn as selected (a marked row), whatever the view's selection.
    bool Highlight = false;
};

// The data role under which a cell says it is drawn as selected (TCellStyle::Highlight).
constexpr int kHighlightRole = Qt::UserRole + 1;

class TDataSetModel : public QAbstractTableModel {
public:
    explicit TDataSetModel(QObject* parent = nullptr);
    ~TDataSetModel() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const;

    // The columns: their fields are looked up by name whenever the dataset's layout changes
    // (a name the dataset lacks gives an empty column). Until set: every visible field.
    void SetColumnFieldNames(std::vector<std::string> names);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TField* ColumnField(int column) const;

    // The dataset's record as a row of the model; -1 when there is none.
    int CurrentRow() const { return currentRow_; }
    // The row of the record being inserted; -1 when the dataset is not inserting.
    int InsertRow() const { return insertRow_; }
    // While the model follows a change of the dataset (the view's rows move under it then,
    // which must not move the dataset).
    bool Following() const { return following_ > 0; }
    // Moves the dataset onto a row (one scroll, with its events); false when it did not get there.
    bool MoveTo(int row);
    // Runs f with the dataset's fields reading that row (the active record for the current
    // row); false when the row cannot be read.
    bool WithRow(int row, const std::function<void()>& f);
    // Forgets what was read and repaints (cell styles depend on more than the data).
    void Repaint();
    void RepaintRow(int row);

    // The style of a cell: filled with the defaults, then handed to this event with the
    // fields reading the cell's row.
    std::function<void(int row, int column, TField* field, TCellStyle& style)> OnCellStyle;
    TCellStyle DefaultStyle;
    // The titles of the columns (the field's display label when not set).
    std::function<std::string(int column, TField* field)> OnTitle;
    // After CurrentRow changed (the dataset scrolled, was reopened or changed).
    std::function<void(int row)> OnCurrentRowChanged;
    // After the columns were rebuilt.
    std::function<void()> OnLayoutChanged;
    // Whether a column's cells may be edited in place (none when not set).
    std::function<bool(int column)> OnCanEdit;
    // Moves onto the row and puts the dataset into edit state; false when it cannot (the error
    // has gone to the application's handler).
    bool BeginEdit(int row);
    // The bookmark of a row as last read; empty when none.
    TBookmark RowBookmark(int row) const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    class Link;
    friend class Link;
    struct FollowScope;
    struct Cell {
        QString Text;
        QVariant Font, Background, Foreground;
        Qt::Alignment Alignment;
        bool Highlight = false;
    };
    struct CachedRow {
        int Row = -1;
        TBookmark Bookmark;
        std::vector<Cell> Cells;
    };

    void ActiveChanged();
    void LayoutChanged();
    void Sync();
    void RecordChanged();
    void Scrolled();
    void UpdateCurrentRow();
    int StoreCount() const;
    int StoredRowOf(int row) const;
    const CachedRow* Fetch(int row) const;
    void FillRow(CachedRow& cached) const;
    void ForgetRows() const;

    std::unique_ptr<Link> link_;
    std::vector<std::string> columnNames_;
    bool ownColumns_ = false;
    unsigned layouts_ = 0; // how many times the rows were laid out
    std::vector<TField*> columns_;
    int rows_ = 0;
    int currentRow_ = -1;
    int insertRow_ = -1;
    int following_ = 0;
    mutable bool errorShown_ = false; // one box for a failing read, not one per painted cell
    // Rows read for painting: a few screens, slot by row number; the buffers are reused.
    mutable std::vector<CachedRow> cache_;
    mutable std::unique_ptr<TRecordBuffer> buffer_;
};

} // namespace kvz
