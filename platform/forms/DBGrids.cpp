#include "platform/forms/DBGrids.h"

#include "platform/forms/Dialogs.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kvz {

// ---- TColumn ----------------------------------------------------------------------------

int TColumn::Index() const {
    const auto& items = grid_.columns_.items_;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<int>(i);
    return -1;
}

void TColumn::SetIndex(int index) {
    auto& items = grid_.columns_.items_;
    const int from = Index();
    index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
    if (from < 0 || from == index) return;
    auto column = std::move(items[static_cast<size_t>(from)]);
    items.erase(items.begin() + from);
    items.insert(items.begin() + index, std::move(column));
    grid_.ColumnsChanged();
}

void TColumn::SetFieldName(std::string name) {
    fieldName_ = std::move(name);
    grid_.ColumnsChanged();
}

TField* TColumn::Field() const {
    TDataSet* ds = grid_.DataSet();
    return ds && ds->Active() && !fieldName_.empty() ? ds->FindField(fieldName_) : nullptr;
}

std::string TColumn::TitleCaption() const {
    if (titleSet_) return title_;
    TField* field = Field();
    return field ? field->DisplayLabel() : fieldName_;
}

void TColumn::SetTitleCaption(std::string caption) {
    title_ = std::move(caption);
    titleSet_ = true;
    grid_.ColumnLayoutChanged();
}

int TColumn::Width() const {
    if (width_ >= 0) return width_;
    TField* field = Field();
    const QFontMetrics metrics(grid_.Font().ToQFont());
    const int chars = field ? field->DisplayWidth() : 10;
    const int text = metrics.horizontalAdvance(QLatin1Char('0')) * chars + 8;
    const int title = QFontMetrics(grid_.titleFont_.ToQFont()).horizontalAdvance(ToQString(TitleCaption())) + 12;
    return std::max(text, title);
}

void TColumn::SetWidth(int width) {
    width_ = width;
    grid_.ColumnLayoutChanged();
}

TAlignment TColumn::Alignment() const {
    if (alignmentSet_) return alignment_;
    TField* field = Field();
    return field ? field->Alignment() : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    alignmentSet_ = true;
    grid_.model_->Repaint();
}

TColor TColumn::Color() const { return colorSet_ ? color_ : grid_.Color(); }

void TColumn::SetColor(TColor color) {
    color_ = color;
    colorSet_ = true;
    grid_.model_->Repaint();
}

TFont TColumn::Font() const { return fontSet_ ? font_ : grid_.Font(); }

void TColumn::SetFont(const TFont& font) {
    font_ = font;
    fontSet_ = true;
    grid_.model_->Repaint();
}

void TColumn::SetVisible(bool visible) {
    visible_ = visible;
    grid_.ColumnLayoutChanged();
}

// ---- TDBGridColumns ---------------------------------------------------------------------

TColumn& TDBGridColumns::Add() {
    if (default_) items_.clear();
    default_ = false;
    items_.push_back(std::make_unique<TColumn>(grid_));
    grid_.ColumnsChanged();
    return *items_.back();
}

void TDBGridColumns::Clear() {
    items_.clear();
    default_ = false;
    grid_.ColumnsChanged();
}

void TDBGridColumns::Delete(int index) {
    items_.erase(items_.begin() + index);
    grid_.ColumnsChanged();
}

void TDBGridColumns::RestoreDefaults() {
    default_ = true;
    grid_.ColumnsChanged();
}

void TDBGridColumns::EndUpdate() {
    if (updating_ == 0 || --updating_ > 0) return;
    const bool columns = columnsPending_, layout = layoutPending_;
    columnsPending_ = layoutPending_ = false;
    if (columns)
        grid_.ColumnsChanged(); // lays the view out as well
    else if (layout)
        grid_.LayoutChanged();
}

// ---- TBookmarkList ----------------------------------------------------------------------

const TBookmark& TBookmarkList::Items(int index) const {
    Compact();
    return items_.at(static_cast<size_t>(index));
}

void TBookmarkList::Compact() const {
    if (unmarked_ == 0) return;
    // The latest place of each bookmark still marked, in the order they were marked.
    std::unordered_set<TBookmark> seen;
    seen.reserve(marked_.size());
    std::vector<TBookmark> kept;
    kept.reserve(marked_.size());
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (marked_.count(*it) && seen.insert(*it).second) kept.push_back(std::move(*it));
    std::reverse(kept.begin(), kept.end());
    items_ = std::move(kept);
    unmarked_ = 0;
}

bool TBookmarkList::Find(const TBookmark& bookmark) const { return !bookmark.empty() && marked_.count(bookmark) > 0; }

bool TBookmarkList::CurrentRowSelected() const {
    TDataSet* ds = grid_.DataSet();
    return ds && ds->Active() && Find(ds->GetBookmark());
}

void TBookmarkList::SetCurrentRowSelected(bool selected) {
    TDataSet* ds = grid_.DataSet();
    if (!ds || !ds->Active()) return;
    const TBookmark bookmark = ds->GetBookmark();
    if (bookmark.empty() || Find(bookmark) == selected) return;
    if (selected) {
        marked_.insert(bookmark);
        items_.push_back(bookmark);
    } else {
        marked_.erase(bookmark);
        ++unmarked_;
    }
    if (unmarked_ > marked_.size() + 64) Compact();
    grid_.model_->RepaintRow(grid_.model_->CurrentRow());
}

void TBookmarkList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    marked_.clear();
    unmarked_ = 0;
    grid_.model_->Repaint();
}

void TBookmarkList::Delete() {
    TDataSet* ds = grid_.DataSet();
    if (!ds) return;
    Compact();
    // From the dataset's last row up, so that no deletion moves a row still to be deleted and
    // each is found at once; rows the dataset cannot place go latest marked first.
    std::vector<std::pair<int, size_t>> order;
    order.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) order.emplace_back(ds->BookmarkRecNo(items_[i]), i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<bool> done(items_.size());
    ds->DisableControls();
    // What was deleted leaves the list, also when a deletion fails.
    struct Finish {
        TBookmarkList& list;
        TDataSet* ds;
        std::vector<bool>& done;
        ~Finish() {
            size_t kept = 0;
            for (size_t i = 0; i < list.items_.size(); ++i) {
                if (done[i])
                    list.marked_.erase(list.items_[i]);
                else
                    list.items_[kept++] = std::move(list.items_[i]);
            }
            list.items_.resize(kept);
            ds->EnableControls();
        }
    } finish{*this, ds, done};
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const TBookmark& bookmark = items_[it->second];
        if (ds->BookmarkValid(bookmark)) {
            ds->GotoBookmark(bookmark);
            ds->Delete();
        }
        done[it->second] = true;
    }
}

bool TBookmarkList::Refresh() {
    TDataSet* ds = grid_.DataSet();
    Compact();
    const size_t before = items_.size();
    std::erase_if(items_, [&](const TBookmark& b) {
        if (ds && ds->BookmarkValid(b)) return false;
        marked_.erase(b);
        return true;
    });
    if (items_.size() != before) grid_.model_->Repaint();
    return items_.size() != before;
}

void TBookmarkList::Assign(std::vector<TBookmark> items) {
    items_ = std::move(items);
    marked_.clear();
    marked_.insert(items_.begin(), items_.end());
    unmarked_ = items_.size() - marked_.size(); // a bookmark given twice is kept once
    grid_.model_->Repaint();
}

// ---- Drawing ----------------------------------------------------------------------------

// Paints a cell as the style says, also when it is selected (a handler's colour for a
// highlighted cell wins over the palette's): the background, and the text clipped at the
// cell's edges as the platform's grids show it. Then the grid may draw over it.
class TDBGrid::Delegate : public QStyledItemDelegate {
public:
    Delegate(TDBGrid& grid) : QStyledItemDelegate(grid.Widget()), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) || index.data(kHighlightRole).toBool();
        if (grid_.defaultDrawing_) {
            const QPalette& pal = option.palette;
            const QVariant back = index.data(Qt::BackgroundRole), fore = index.data(Qt::ForegroundRole);
            const QVariant font = index.data(Qt::FontRole);
            painter->fillRect(option.rect, back.isValid() && (!selected || fore.isValid()) ? back.value<QColor>()
                                           : selected                                   ? pal.color(QPalette::Highlight)
                                                                                        : pal.color(QPalette::Base));
            painter->setPen(fore.isValid() ? fore.value<QColor>()
                                           : pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
            // The view sets no state per cell; what a cell sets, the next one sets again.
            painter->setFont(font.isValid() ? font.value<QFont>() : option.font);
            const auto align = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            painter->drawText(option.rect.adjusted(2, 0, -2, 0), int(align | Qt::TextSingleLine),
                              index.data(Qt::DisplayRole).toString());
            if (option.state & QStyle::State_HasFocus) {
                QStyleOptionFocusRect focus;
                focus.QStyleOption::operator=(option);
                focus.backgroundColor = pal.color(QPalette::Highlight);
                grid_.View()->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, grid_.View());
            }
        }
        const int column = index.column();
        if (!grid_.DrawsColumnCells() || column >= grid_.columns_.Count()) return;
        TGridDrawState state = 0;
        if (selected) state |= gdSelected;
        if (option.state & QStyle::State_HasFocus) state |= gdFocused;
        const int row = index.row();
        Guarded([&] {
            grid_.model_->WithRow(row, [&] {
                TCanvas canvas(*painter);
                grid_.DrawColumnCell(canvas, FromQRect(option.rect), column, grid_.columns_[column], state);
            });
        });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // The dataset edits before the editor opens, so that a refusal shows no editor.
        if (!grid_.CanEditShow(index.column()) || !grid_.model_->BeginEdit(index.row())) return nullptr;
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // No more characters can be typed than the field holds.
        TField* field = grid_.columns_[index.column()].Field();
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && field && field->DataType() == ftString)
            line->setMaxLength(field->Size());
        if (editor) grid_.EditorCreated(editor);
        return editor;
    }

private:
    TDBGrid& grid_;
};

// ---- TDBGrid ----------------------------------------------------------------------------

// The table view reports keys, mouse and focus to the grid; it paints its viewport itself
// (the grid's cells are drawn by the delegate).
class TDBGrid::GridView : public TControlWidget<QTableView> {
public:
    using TControlWidget<QTableView>::TControlWidget;

    // All rows changed their height (their header did not tell the view).
    void RowsResized() {
        updateGeometries();
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent* e) override { QTableView::paintEvent(e); }
};

// A header whose sections a descendant of the grid may paint.
class TDBGrid::Header : public QHeaderView {
public:
    Header(TDBGrid& grid, Qt::Orientation orientation) : QHeaderView(orientation), grid_(grid) {}
    // The indicator column has its fixed width: measuring the rows' titles for it would cost
    // every move of the current row, whose mark changes a title.
    QSize sizeHint() const override {
        if (orientation() == Qt::Vertical) return {minimumWidth(), defaultSectionSize()};
        return QHeaderView::sizeHint();
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int section) const override {
        grid_.PaintHeaderSection(*painter, rect, orientation(), section,
                                 [&] { QHeaderView::paintSection(painter, rect, section); });
    }

private:
    TDBGrid& grid_;
};

void TDBGrid::PaintHeaderSection(QPainter&, const QRect&, Qt::Orientation, int,
                                 const std::function<void()>& standard) const {
    standard();
}

TDBGrid::TDBGrid(TComponent* owner)
    : TWinControl(owner, new GridView(this)), model_(std::make_unique<TDataSetModel>()) {
    QTableView* view = View();
    view->setHorizontalHeader(new Header(*this, Qt::Horizontal));
    view->setVerticalHeader(new Header(*this, Qt::Vertical));
    view->horizontalHeader()->setSectionsClickable(true);
    view->verticalHeader()->setSectionsClickable(true);
    model_->OnCellStyle = [this](int row, int column, TField* field, TCellStyle& style) {
        StyleCell(row, column, field, style);
    };
    model_->OnTitle = [this](int column, TField*) {
        return column < columns_.Count() ? columns_[column].TitleCaption() : std::string();
    };
    model_->OnCurrentRowChanged = [this](int row) { CurrentRowChanged(row); };
    model_->OnLayoutChanged = [this] { LayoutChanged(); };
    model_->OnCanEdit = [this](int column) { return CanEditShow(column); };
    view->setModel(model_.get());
    view->setItemDelegate(new Delegate(*this));
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    view->setWordWrap(false);
    view->horizontalHeader()->setHighlightSections(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
                     [this](const QModelIndex& current, const QModelIndex&) {
                         if (current.isValid()) ViewCurrentChanged(current.row(), current.column());
                     });
    QObject::connect(view, &QTableView::clicked, view, [this](const QModelIndex& index) {
        if (index.column() < columns_.Count()) Guarded([&] { CellClick(columns_[index.column()]); });
    });
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view, [this](int section) {
        if (section < columns_.Count()) Guarded([&] { TitleClick(columns_[section]); });
    });
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, view, [this](int section, int, int size) {
        if (syncing_ || section >= columns_.Count()) return;
        columns_[section].width_ = size;
        Guarded([this] { ColWidthsChanged(); });
    });
    auto scrolled = [this] { Guarded([this] { TopLeftChanged(); }); };
    QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged, view, scrolled);
    QObject::connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, view, scrolled);
    SetColor(clWindow);
    titleFont_ = Font();
    View()->verticalHeader()->setMinimumSectionSize(8);
    FitRowHeight();
    ApplyOptions();
    SetBounds(0, 0, 320, 120);
}

TDBGrid::~TDBGrid() {
    // The view goes with the widget; it must not keep asking the model meanwhile.
    if (QTableView* view = View()) view->setModel(nullptr);
}

QTableView* TDBGrid::View() const { return static_cast<QTableView*>(Widget()); }

void TDBGrid::SetDataSource(TDataSource* source) {
    selectedRows_.Clear();
    model_->SetDataSource(source);
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    if (!(options & dgMultiSelect)) selectedRows_.Clear();
    options_ = options;
    ApplyOptions();
}

void TDBGrid::SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

void TDBGrid::ApplyOptions() {
    QTableView* view = View();
    view->horizontalHeader()->setVisible(options_ & dgTitles);
    view->verticalHeader()->setVisible(options_ & dgIndicator);
    view->verticalHeader()->setFixedWidth(options_ & dgIndicator ? 14 : 0);
    view->horizontalHeader()->setSectionResizeMode((options_ & dgColumnResize) ? QHeaderView::Interactive
                                                                               : QHeaderView::Fixed);
    view->setShowGrid(options_ & (dgColLines | dgRowLines));
    view->setSelectionBehavior((options_ & dgRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    view->setTabKeyNavigation(options_ & dgTabs);
    model_->Repaint();
}

int TDBGrid::DefaultRowHeight() const { return View()->verticalHeader()->defaultSectionSize(); }

void TDBGrid::SetDefaultRowHeight(int height) {
    rowHeightSet_ = true;
    SetRowHeight(height);
}

void TDBGrid::SetTitleFont(const TFont& font) {
    titleFont_ = font;
    View()->horizontalHeader()->setFont(font.ToQFont());
}

int TDBGrid::SelectedIndex() const {
    const QModelIndex current = View()->currentIndex();
    return current.isValid() ? current.column() : std::max(lastColumn_, 0);
}

void TDBGrid::SetSelectedIndex(int index) {
    if (index < 0 || index >= columns_.Count()) return;
    const int row = std::max(model_->CurrentRow(), 0);
    if (model_->rowCount() > 0) View()->setCurrentIndex(model_->index(row, index));
    lastColumn_ = index;
}

TField* TDBGrid::SelectedField() const {
    const int index = SelectedIndex();
    return index < columns_.Count() ? columns_[index].Field() : nullptr;
}

int TDBGrid::TopRow() const { return std::max(View()->rowAt(0), 0); }

int TDBGrid::VisibleRowCount() const {
    const int height = View()->viewport()->height();
    const int row = View()->verticalHeader()->defaultSectionSize();
    return row > 0 ? height / row : 0;
}

bool TDBGrid::RowSelected(int row) const {
    return (options_ & dgMultiSelect) && selectedRows_.Count() > 0 && selectedRows_.Find(model_->RowBookmark(row));
}

bool TDBGrid::CanEditShow(int column) const {
    if (readOnly_ || !(options_ & dgEditing) || (options_ & dgRowSelect) || column >= columns_.Count()) return false;
    const TColumn& c = columns_[column];
    TField* field = c.Field();
    TDataSet* ds = DataSet();
    return !c.ReadOnly() && field && ds && ds->CanModify() && !field->ReadOnly() && !field->IsBlob();
}

void TDBGrid::StyleCell(int row, int column, TField* field, TCellStyle& style) {
    if (column >= columns_.Count()) return;
    TColumn& c = columns_[column];
    style.Font = c.Font();
    style.Background = c.Color();
    style.Alignment = c.Alignment();
    style.Highlight = RowSelected(row);
    const bool highlight = style.Highlight || (row == model_->CurrentRow() && ((options_ & dgAlwaysShowSelection) || View()->hasFocus()));
    QueryCellStyle(row, c, field, style, highlight);
}

void TDBGrid::QueryCellStyle(int, TColumn&, TField*, TCellStyle&, bool) {}

void TDBGrid::CellClick(TColumn& column) {
    if (OnCellClick) OnCellClick(this, column);
}

void TDBGrid::TitleClick(TColumn& column) {
    if (OnTitleClick) OnTitleClick(this, column);
}

void TDBGrid::TopLeftChanged() {}
void TDBGrid::ColWidthsChanged() {}

void TDBGrid::DrawColumnCell(TCanvas& canvas, const TRect& rect, int dataCol, TColumn& column, TGridDrawState state) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, canvas, rect, dataCol, column, state);
}

namespace {

std::vector<std::string> VisibleFieldNames(const TDataSet* ds) {
    std::vector<std::string> names;
    if (ds && ds->Active())
        for (TField* field : ds->Fields().List())
            if (field->Visible()) names.push_back(field->FieldName());
    return names;
}

} // namespace

void TDBGrid::ColumnsChanged() {
    if (columns_.updating_ > 0) {
        columns_.columnsPending_ = true;
        return;
    }
    if (columns_.default_) {
        columns_.items_.clear();
        for (std::string& name : VisibleFieldNames(DataSet())) {
            columns_.items_.push_back(std::make_unique<TColumn>(*this));
            columns_.items_.back()->fieldName_ = std::move(name);
        }
    }
    std::vector<std::string> names;
    for (const auto& column : columns_.items_) names.push_back(column->fieldName_);
    model_->SetColumnFieldNames(std::move(names));
}

void TDBGrid::ColumnLayoutChanged() {
    if (columns_.updating_ > 0)
        columns_.layoutPending_ = true;
    else
        LayoutChanged();
}

void TDBGrid::LayoutChanged() {
    // Default columns follow the dataset's fields whenever its layout changes.
    if (columns_.default_) {
        std::vector<std::string> names = VisibleFieldNames(DataSet());
        bool same = names.size() == columns_.items_.size();
        for (size_t i = 0; same && i < names.size(); ++i) same = names[i] == columns_.items_[i]->fieldName_;
        if (!same) {
            ColumnsChanged(); // comes back here with the columns made
            return;
        }
    }
    syncing_ = true;
    QTableView* view = View();
    for (int i = 0; i < columns_.Count() && i < model_->ColumnCount(); ++i) {
        view->setColumnWidth(i, columns_[i].Width());
        view->setColumnHidden(i, !columns_[i].Visible());
    }
    syncing_ = false;
    model_->DefaultStyle.Font = Font();
    model_->DefaultStyle.Background = Color();
    CurrentRowChanged(model_->CurrentRow());
}

void TDBGrid::CurrentRowChanged(int row) {
    QTableView* view = View();
    if (syncing_ || !view->selectionModel()) return;
    syncing_ = true;
    const int column = std::max(SelectedIndex(), 0);
    if (row >= 0 && column < model_->ColumnCount())
        view->setCurrentIndex(model_->index(row, column));
    else
        view->selectionModel()->clearCurrentIndex();
    syncing_ = false;
}

void TDBGrid::ViewCurrentChanged(int row, int column) {
    if (column != lastColumn_) {
        const int old = lastColumn_;
        lastColumn_ = column;
        if (old >= 0) Guarded([&] {
                if (OnColExit) OnColExit(this);
                if (OnColEnter) OnColEnter(this);
            });
    }
    if (syncing_ || model_->Following() || row == model_->CurrentRow()) return;
    const int old = model_->CurrentRow();
    bool moved = false;
    Guarded([&] { moved = model_->MoveTo(row); });
    model_->RepaintRow(old);
    model_->RepaintRow(model_->CurrentRow());
    if (!moved) CurrentRowChanged(model_->CurrentRow()); // the dataset refused: the view goes back
}

void TDBGrid::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    TDataSet* ds = DataSet();
    if (!key || !ds || !ds->Active()) return;
    if (key == VK_ESCAPE && (ds->State() == dsEdit || ds->State() == dsInsert)) {
        ds->Cancel();
        key = 0;
    } else if (key == VK_DOWN && shift == 0 && ds->State() == dsBrowse && model_->CurrentRow() == model_->rowCount() - 1 &&
               !readOnly_ && (options_ & dgEditing) && ds->CanModify()) {
        ds->Append();
        key = 0;
    } else if (key == VK_INSERT && shift == 0 && !readOnly_ && (options_ & dgEditing) && ds->CanModify()) {
        ds->Insert();
        key = 0;
    } else if (key == VK_DELETE && shift == ssCtrl && !readOnly_ && ds->CanModify() && !ds->IsEmpty()) {
        key = 0;
        if (!(options_ & dgConfirmDelete) || ShowMessageBox("Delete record?", "", MB_YESNO | MB_ICONQUESTION) == IDYES)
            ds->Delete();
    }
}

// The current row shows as highlighted only while the grid has the focus (see StyleCell).
void TDBGrid::DoEnter() {
    TWinControl::DoEnter();
    model_->RepaintRow(model_->CurrentRow());
}

void TDBGrid::DoExit() {
    TWinControl::DoExit();
    // An inserted record nobody typed into does not outlive the grid's focus (the grid's own
    // cell editor taking it is no leaving).
    TDataSet* ds = DataSet();
    QWidget* now = QApplication::focusWidget();
    if ((options_ & dgCancelOnExit) && ds && ds->State() == dsInsert && !ds->Modified() && !(now && View()->isAncestorOf(now)))
        ds->Cancel();
    model_->RepaintRow(model_->CurrentRow());
}

void TDBGrid::FitRowHeight() {
    // A line of the font with a little room, as compact as the platform's grids.
    if (!rowHeightSet_) SetRowHeight(QFontMetrics(Font().ToQFont()).height() + 6);
}

void TDBGrid::SetRowHeight(int height) {
    QHeaderView* rows = View()->verticalHeader();
    if (rows->defaultSectionSize() == height) return;
    // The header reports each row it resizes, and the view queues each report: over a long
    // table that is a walk of every row per report. One new layout of the view does the same.
    {
        const QSignalBlocker quiet(rows);
        rows->setDefaultSectionSize(height);
    }
    rows->viewport()->update();
    static_cast<GridView*>(View())->RowsResized();
}

void TDBGrid::FontChanged() {
    TWinControl::FontChanged();
    FitRowHeight();
    model_->DefaultStyle.Font = Font();
    model_->Repaint();
}

void TDBGrid::ColorChanged() {
    TWinControl::ColorChanged();
    model_->DefaultStyle.Background = Color();
    QPalette pal = View()->palette();
    pal.setColor(QPalette::Base, ToQColor(Color()));
    View()->setPalette(pal);
    model_->Repaint();
}

} // namespace kvz
