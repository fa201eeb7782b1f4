#include "controls/KVDBCtrl.h"

#include "controls/KvPlacement.h"
#include "engine/DbUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Convert.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>
#include <QWheelEvent>

#include <map>
#include <optional>

namespace kvz {

// The marking rules' view of the grid: the dataset's current row and the grid's marked rows,
// each with the key it had when it was marked, so that it is found again after a refresh.
class TKvDBGrid::Marks : public TRowMarks {
public:
    explicit Marks(TKvDBGrid& grid) : grid_(grid) {}
    TBookmark Current() const override { return grid_.DataSet()->GetBookmark(); }
    bool CurrentMarked() const override { return grid_.SelectedRows().CurrentRowSelected(); }
    void SetCurrentMarked(bool marked) override {
        if (marked) Keys[Current()] = grid_.RecordKey();
        grid_.SelectedRows().SetCurrentRowSelected(marked);
    }
    void ClearMarks() override {
        grid_.SelectedRows().Clear();
        Keys.clear();
    }
    int Compare(const TBookmark& a, const TBookmark& b) const override {
        return grid_.DataSet()->CompareBookmarks(a, b);
    }
    bool MoveBy(int distance) override { return grid_.DataSet()->MoveBy(distance) != 0; }

    std::map<TBookmark, std::string> Keys;

private:
    TKvDBGrid& grid_;
};

// Wheel turns over the rows go to the grid before the view scrolls.
class TKvDBGrid::Wheel : public QObject {
public:
    Wheel(TKvDBGrid& grid) : QObject(grid.View()), grid_(grid) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        if (delta == 0) return false;
        TShiftState shift = 0;
        if (wheel->modifiers() & Qt::ShiftModifier) shift |= ssShift;
        if (wheel->modifiers() & Qt::ControlModifier) shift |= ssCtrl;
        if (wheel->modifiers() & Qt::AltModifier) shift |= ssAlt;
        const QPoint at = wheel->position().toPoint();
        bool handled = false;
        Guarded([&] { handled = grid_.MouseWheel(delta < 0, shift, at.x(), at.y()); });
        return handled;
    }

private:
    TKvDBGrid& grid_;
};

// The frozen columns: a second view over the same model and selection, laid over the left of
// the grid's cells, that shows only the frozen columns and scrolls only up and down with it.
// It never edits and never takes the focus: a press moves the grid's current row.
class TKvDBGrid::FrozenDelegate : public QStyledItemDelegate {
public:
    FrozenDelegate(TKvDBGrid& grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        grid_.View()->itemDelegate()->paint(painter, option, index);
        if (index.column() == grid_.FrozenCount() - 1) {
            // The edge the other columns scroll under.
            painter->save();
            painter->setPen(grid_.View()->palette().color(QPalette::Dark));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override { return nullptr; }

private:
    TKvDBGrid& grid_;
};

class TKvDBGrid::FrozenHeader : public QHeaderView {
public:
    explicit FrozenHeader(TKvDBGrid& grid) : QHeaderView(Qt::Horizontal), grid_(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int section) const override {
        grid_.PaintHeaderSection(*painter, rect, Qt::Horizontal, section,
                                 [&] { QHeaderView::paintSection(painter, rect, section); });
    }

private:
    TKvDBGrid& grid_;
};

class TKvDBGrid::FrozenView : public QTableView {
public:
    explicit FrozenView(TKvDBGrid& grid) : QTableView(grid.View()), grid_(grid) {
        QTableView* main = grid.View();
        setHorizontalHeader(new FrozenHeader(grid));
        setModel(main->model());
        setSelectionModel(main->selectionModel());
        setItemDelegate(new FrozenDelegate(grid, this));
        setFocusPolicy(Qt::NoFocus);
        setEditTriggers(NoEditTriggers);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrap(false);
        verticalHeader()->hide();
        horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        horizontalHeader()->setHighlightSections(false);
        main->viewport()->stackUnder(this);
        connect(main->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, main->verticalScrollBar(), &QScrollBar::setValue);
        hide();
    }

    // Takes the grid's columns, rows and options, and its place over the frozen cells.
    void Follow(int count) {
        QTableView* main = grid_.View();
        if (count <= 0 || !model()) {
            hide();
            return;
        }
        const int columns = model()->columnCount();
        int width = 0;
        for (int i = 0; i < columns; ++i) {
            const bool shown = i < count && !main->isColumnHidden(i);
            setColumnHidden(i, !shown);
            if (shown) {
                setColumnWidth(i, main->columnWidth(i));
                width += main->columnWidth(i);
            }
        }
        verticalHeader()->setDefaultSectionSize(main->verticalHeader()->defaultSectionSize());
        verticalHeader()->setMinimumSectionSize(main->verticalHeader()->minimumSectionSize());
        setVerticalScrollMode(main->verticalScrollMode());
        setShowGrid(main->showGrid());
        setPalette(main->palette());
        setFont(main->font());
        horizontalHeader()->setFont(main->horizontalHeader()->font());
        horizontalHeader()->setVisible(main->horizontalHeader()->isVisible());
        horizontalHeader()->setFixedHeight(main->horizontalHeader()->height());
        const int frame = main->frameWidth();
        const int left = main->verticalHeader()->isVisible() ? main->verticalHeader()->width() : 0;
        const int top = main->horizontalHeader()->isVisible() ? main->horizontalHeader()->height() : 0;
        setGeometry(frame + left, frame, std::min(width, main->viewport()->width()), main->viewport()->height() + top);
        verticalScrollBar()->setValue(main->verticalScrollBar()->value());
        show();
        raise();
    }

private:
    TKvDBGrid& grid_;
};

// Presses on the titles: buttons that go down while the mouse holds them.
class TKvDBGrid::TitleTracker : public QObject {
public:
    TitleTracker(TKvDBGrid& grid, QHeaderView& header) : QObject(&header), grid_(grid), header_(header) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        bool handled = false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            Guarded([&] { handled = grid_.TitlePress(header_, *static_cast<QMouseEvent*>(event)); });
            break;
        case QEvent::MouseMove:
            if (!grid_.tracking_) break;
            grid_.TitleMove(header_, static_cast<QMouseEvent*>(event)->position().toPoint());
            handled = true;
            break;
        case QEvent::MouseButtonRelease:
            if (!grid_.tracking_) break;
            Guarded([&] { grid_.TitleRelease(header_, static_cast<QMouseEvent*>(event)->position().toPoint()); });
            handled = true;
            break;
        default: break;
        }
        return handled;
    }

private:
    TKvDBGrid& grid_;
    QHeaderView& header_;
};

namespace {

// A press on a frozen cell moves the current row there; the cursor stays in the free columns.
class FrozenCells : public QObject {
public:
    FrozenCells(QTableView& view, std::function<void(int row, TShiftState shift)> press)
        : QObject(&view), view_(view), press_(std::move(press)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return true;
        const int row = view_.rowAt(mouse->position().toPoint().y());
        TShiftState shift = 0;
        if (mouse->modifiers() & Qt::ShiftModifier) shift |= ssShift;
        if (mouse->modifiers() & Qt::ControlModifier) shift |= ssCtrl;
        if (row >= 0) Guarded([&] { press_(row, shift); });
        return true;
    }

private:
    QTableView& view_;
    std::function<void(int, TShiftState)> press_;
};

} // namespace

TKvDBGrid::TKvDBGrid(TComponent* owner)
    : TDBGrid(owner), marks_(std::make_unique<Marks>(*this)), layoutLink_(std::make_unique<TIniLink>()),
      marking_(std::make_unique<TRowMarking>(*marks_)) {
    layoutLink_->OnSave = [this] { SaveLayout(); };
    layoutLink_->OnLoad = [this] { RestoreLayout(); };
    // A dataset read anew (a refresh, another computer's rows) keeps the marks of the same
    // records only.
    auto changed = [this] { Guarded([this] { FindMarksAgain(); }); };
    QObject::connect(&Model(), &QAbstractItemModel::modelReset, View(), changed);
    View()->viewport()->installEventFilter(new Wheel(*this));
    frozen_ = new FrozenView(*this);
    frozen_->viewport()->installEventFilter(new Wheel(*this));
    frozen_->viewport()->installEventFilter(
        new FrozenCells(*frozen_, [this](int row, TShiftState shift) { FrozenPress(row, shift); }));
    for (QHeaderView* header : {View()->horizontalHeader(), frozen_->horizontalHeader()})
        header->viewport()->installEventFilter(new TitleTracker(*this, *header));
    QObject::connect(frozen_->horizontalHeader(), &QHeaderView::sectionClicked, View(), [this](int section) {
        if (section < Columns().Count()) Guarded([&] { TitleClick(Columns()[section]); });
    });
    // The view brings a new current cell into view first; then it must not lie under the frozen
    // columns.
    QObject::connect(View()->selectionModel(), &QItemSelectionModel::currentChanged, View(),
                     [this] { KeepCurrentInView(); });
    auto follow = [this] { UpdateFrozenView(); };
    QObject::connect(&Model(), &QAbstractItemModel::modelReset, View(), follow);
    QObject::connect(View()->horizontalHeader(), &QHeaderView::geometriesChanged, View(), follow);
    QObject::connect(View()->verticalHeader(), &QHeaderView::geometriesChanged, View(), follow);
    QObject::connect(View()->horizontalScrollBar(), &QScrollBar::rangeChanged, View(), follow);
    QObject::connect(View()->verticalScrollBar(), &QScrollBar::rangeChanged, View(), follow);
    QObject::connect(&Model(), &QAbstractItemModel::dataChanged, View(),
                     [this, changed](const QModelIndex& from, const QModelIndex& to) {
                         if (from.row() == 0 && to.row() == Model().rowCount() - 1) changed();
                     });
}

TKvDBGrid::~TKvDBGrid() = default;

bool TKvDBGrid::MouseWheel(bool down, TShiftState shift, int x, int y) {
    bool handled = false;
    if (const auto& event = down ? OnMouseWheelDown : OnMouseWheelUp) event(this, shift, x, y, handled);
    if (handled) return true;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || !CanFocus()) return false;
    if (!Focused()) SetFocus();
    return ds->MoveBy(down ? 1 : -1) != 0;
}

void TKvDBGrid::SetOptions(TDBGridOptions options) {
    TDBGrid::SetOptions(options);
    marking_->MultiSelect = options & dgMultiSelect;
    if (!marking_->MultiSelect) marks_->Keys.clear();
    View()->horizontalHeader()->viewport()->update();
}

void TKvDBGrid::SetMultiSelect(bool on) { SetOptions(on ? Options() | dgMultiSelect : Options() & ~dgMultiSelect); }

bool TKvDBGrid::ClearSelection() const { return marking_->ClearSelection; }
void TKvDBGrid::SetClearSelection(bool on) { marking_->ClearSelection = on; }

void TKvDBGrid::SetShowGlyphs(bool on) {
    showGlyphs_ = on;
    Model().Repaint();
}

void TKvDBGrid::SetTitleButtons(bool on) {
    titleButtons_ = on;
    SetOptions(Options());
}

void TKvDBGrid::SetFixedCols(int count) {
    fixedCols_ = std::max(count, 0);
    UpdateFrozenView();
    if (SelectedIndex() < FirstFreeColumn()) SetSelectedIndex(FirstFreeColumn());
    Model().Repaint();
    View()->horizontalHeader()->viewport()->update();
}

int TKvDBGrid::FrozenCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || Columns().Count() < 2) return 0;
    return std::min(fixedCols_, Columns().Count() - 1);
}

int TKvDBGrid::FixedCols() const {
    TDataSet* ds = DataSet();
    return ds && ds->Active() ? FrozenCount() : fixedCols_;
}

int TKvDBGrid::FirstFreeColumn() const {
    const int frozen = FrozenCount();
    for (int i = frozen; i < Columns().Count(); ++i)
        if (Columns()[i].Visible() && View()->columnWidth(i) > 0) return i;
    return std::min(frozen, std::max(Columns().Count() - 1, 0));
}

void TKvDBGrid::UpdateFrozenView() {
    if (!frozen_) return;
    const int count = FrozenCount();
    // Pixel steps: the free columns slide under the frozen ones without jumps.
    View()->setHorizontalScrollMode(count > 0 ? QAbstractItemView::ScrollPerPixel : QAbstractItemView::ScrollPerItem);
    frozen_->Follow(count);
}

void TKvDBGrid::KeepCurrentInView() {
    const int count = FrozenCount();
    const QModelIndex current = View()->currentIndex();
    if (count == 0 || !current.isValid() || current.column() < count) return;
    int frozenWidth = 0;
    for (int i = 0; i < count; ++i)
        if (!View()->isColumnHidden(i)) frozenWidth += View()->columnWidth(i);
    const int left = View()->columnViewportPosition(current.column());
    if (left < frozenWidth) {
        QScrollBar* bar = View()->horizontalScrollBar();
        bar->setValue(bar->value() - (frozenWidth - left));
    }
}

void TKvDBGrid::FrozenPress(int row, TShiftState shift) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    if (CanFocus() && !Focused()) SetFocus();
    View()->setCurrentIndex(Model().index(row, std::max(SelectedIndex(), FirstFreeColumn())));
    if (MultiSelect()) marking_->Click(shift & ssCtrl);
}

void TKvDBGrid::LayoutChanged() {
    TDBGrid::LayoutChanged();
    UpdateFrozenView();
    const int first = FirstFreeColumn();
    if (FrozenCount() > 0 && View()->currentIndex().isValid() && SelectedIndex() < first) SetSelectedIndex(first);
}

void TKvDBGrid::ColWidthsChanged() {
    TDBGrid::ColWidthsChanged();
    UpdateFrozenView();
}

void TKvDBGrid::Resize() {
    TDBGrid::Resize();
    UpdateFrozenView();
}

// ---- Title buttons ----------------------------------------------------------------------

bool TKvDBGrid::QueryTitleButton(int column) {
    if (column < 0 || column >= Columns().Count()) return false;
    bool enabled = true;
    if (OnCheckButton) OnCheckButton(this, column, Columns()[column].Field(), enabled);
    return enabled;
}

void TKvDBGrid::TitleButtonClick(int column, TField* field) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, column, field);
}

bool TKvDBGrid::TitlePress(QHeaderView& header, QMouseEvent& event) {
    TDataSet* ds = DataSet();
    if (!titleButtons_ || !ds || !ds->Active()) return false;
    const QPoint at = event.position().toPoint();
    const int section = header.logicalIndexAt(at);
    if (section < 0) return false;
    const bool resizing = Options() & dgColumnResize;
    // A press on a section's edge resizes the column (the frozen titles keep their widths).
    if (resizing && &header == View()->horizontalHeader()) {
        const int grip = header.style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, &header);
        const int from = header.sectionViewportPosition(section), to = from + header.sectionSize(section);
        if (at.x() - from <= grip || to - at.x() <= grip) return false;
    }
    // With resizing on, the right button presses a title as the left one does.
    if (event.button() != Qt::LeftButton && !(event.button() == Qt::RightButton && resizing)) return false;
    if (!QueryTitleButton(section)) {
        MessageBeep(0);
        return true;
    }
    tracking_ = true;
    pressed_ = true;
    pressedColumn_ = section;
    header.viewport()->update();
    return true;
}

void TKvDBGrid::TitleMove(QHeaderView& header, const QPoint& at) {
    const bool over = header.viewport()->rect().contains(at) && header.logicalIndexAt(at) == pressedColumn_;
    if (over == pressed_) return;
    pressed_ = over;
    header.viewport()->update();
}

void TKvDBGrid::TitleRelease(QHeaderView& header, const QPoint& at) {
    const int column = pressedColumn_;
    const bool counted = header.viewport()->rect().contains(at) && header.logicalIndexAt(at) == column;
    StopTracking();
    if (!counted || column < 0 || column >= Columns().Count()) return;
    TitleButtonClick(column, Columns()[column].Field());
    TDBGrid::TitleClick(Columns()[column]);
}

void TKvDBGrid::StopTracking() {
    if (!tracking_) return;
    tracking_ = false;
    pressed_ = false;
    pressedColumn_ = -1;
    View()->horizontalHeader()->viewport()->update();
    if (frozen_) frozen_->horizontalHeader()->viewport()->update();
}

void TKvDBGrid::DoExit() {
    StopTracking();
    TDBGrid::DoExit();
}

int TKvDBGrid::FieldGlyphIndex(TField* field) const {
    if (!showGlyphs_ || !field) return -1;
    if (!ReadOnly() && field->CanModify() && field->OnGetText && field->OnSetText) return -1;
    switch (field->DataType()) {
    case ftBlob: return 0;
    case ftMemo:
    case ftFmtMemo: return 1;
    case ftGraphic: return 2;
    default: return -1;
    }
}

bool TKvDBGrid::CanChange() const {
    TDataSet* ds = DataSet();
    return ds && ds->Active() && !ReadOnly() && ds->CanModify();
}

std::string TKvDBGrid::RecordKey() const {
    TDataSet* ds = DataSet();
    std::string key;
    const std::vector<TField*> fields =
        markKeyFields_.empty() ? ds->Fields().List() : ds->GetFieldList(markKeyFields_);
    for (TField* field : fields) {
        key += field->AsString();
        key += '\x1f';
    }
    return key;
}

void TKvDBGrid::ClearMarks() { marking_->Clear(); }

// ---- Saved layout -----------------------------------------------------------------------

TFormPlacement* TKvDBGrid::IniStorage() const { return layoutLink_->Placement(); }
void TKvDBGrid::SetIniStorage(TFormPlacement* placement) { layoutLink_->SetPlacement(placement); }

std::string TKvDBGrid::LayoutSection() const {
    if (!Columns().DefaultColumns()) return layoutLink_->RootSection() + ComponentIniName(this);
    const std::string root = layoutLink_->RootSection();
    TDataSet* ds = DataSet();
    return root.empty() || !ds ? std::string() : root + DataSetIniSection(*ds, "");
}

namespace {

// The words of a stored value split at commas and blanks; a word that is no number is nullopt.
std::vector<std::optional<int>> NumberWords(const std::string& text) {
    std::vector<std::optional<int>> numbers;
    std::string word;
    for (char c : text + ",") {
        if (c != ',' && c != ' ') {
            word += c;
            continue;
        }
        if (word.empty()) continue;
        int n = 0;
        numbers.push_back(TryStrToInt(word, n) ? std::optional<int>(n) : std::nullopt);
        word.clear();
    }
    return numbers;
}

} // namespace

void TKvDBGrid::SaveLayout() {
    TIniStorage* storage = layoutLink_->Storage();
    if (!storage || Name().empty()) return;
    const std::string section = LayoutSection();
    if (Columns().DefaultColumns()) {
        TDataSet* ds = DataSet();
        if (!ds || !ds->Active()) return;
        const std::string fields = storage->SectionName(DataSetIniSection(*ds, section));
        // A width the person dragged becomes the field's width in characters, as the fields
        // keep it; a column as wide as it makes itself (field or title) leaves the field alone.
        const int digit = std::max(QFontMetrics(Font().ToQFont()).horizontalAdvance(QLatin1Char('0')), 1);
        const QFontMetrics title(TitleFont().ToQFont());
        for (int i = 0; i < Columns().Count(); ++i) {
            TField* field = Columns()[i].Field();
            if (!field) continue;
            const int own = std::max(digit * field->DisplayWidth() + 8,
                                     title.horizontalAdvance(ToQString(Columns()[i].TitleCaption())) + 12);
            if (View()->columnWidth(i) != own)
                field->SetDisplayWidth(std::max((View()->columnWidth(i) - 8 + digit / 2) / digit, 1));
        }
        SaveFieldsLayout(*ds, storage->File(), fields);
        return;
    }
    EraseIniOrRegSection(storage, section);
    for (int i = 0; i < Columns().Count(); ++i) {
        const TColumn& column = Columns()[i];
        WriteIniOrRegString(storage, section, Name() + "." + column.FieldName(),
                            std::to_string(i) + "," + std::to_string(column.Width()));
    }
}

void TKvDBGrid::RestoreLayout() {
    TIniStorage* storage = layoutLink_->Storage();
    if (!storage || Name().empty()) return;
    const std::string section = LayoutSection();
    if (Columns().DefaultColumns()) {
        TDataSet* ds = DataSet();
        if (!ds || !ds->Active()) return;
        const std::string fields = storage->SectionName(DataSetIniSection(*ds, section));
        RestoreFieldsLayout(*ds, storage->File(), fields, false);
        Columns().RestoreDefaults(); // the columns take the fields' widths again
        return;
    }
    std::vector<std::pair<TColumn*, int>> places;
    for (int i = 0; i < Columns().Count(); ++i) {
        TColumn& column = Columns()[i];
        const auto words = NumberWords(ReadIniOrRegString(storage, section, Name() + "." + column.FieldName(), ""));
        int index = i;
        if (!words.empty() && words[0]) index = *words[0];
        // A width that cannot be one (a damaged file) keeps the column's own.
        if (words.size() > 1 && words[1] && *words[1] >= 0) column.SetWidth(std::min(*words[1], 4000));
        places.emplace_back(&column, index);
    }
    for (int position = 0; position < static_cast<int>(places.size()); ++position)
        for (auto& [column, index] : places)
            if (index == position) {
                column->SetIndex(position);
                break;
            }
}

void TKvDBGrid::FindMarksAgain() {
    TDataSet* ds = DataSet();
    TBookmarkList& list = SelectedRows();
    if (list.Count() == 0 || !ds || !ds->Active() || ds->State() != dsBrowse) return;
    // The key each marked row has now, and where each wanted key stands first.
    std::map<TBookmark, std::string> now;
    std::map<std::string, TBookmark> found;
    for (const auto& [bookmark, key] : marks_->Keys) found.emplace(key, TBookmark());
    // The rows are read by position: the dataset does not move.
    auto buffer = ds->NewRecordBuffer();
    const int count = ds->RecordCount();
    for (int i = 0; i < count && buffer && ds->ReadRecordAt(i, *buffer); ++i) {
        TRecordReadScope scope(*ds, *buffer);
        const std::string key = RecordKey();
        if (marks_->Keys.count(buffer->Bookmark)) now[buffer->Bookmark] = key;
        if (auto it = found.find(key); it != found.end() && it->second.empty()) it->second = buffer->Bookmark;
    }
    std::vector<TBookmark> items;
    std::map<TBookmark, std::string> keys;
    for (int i = 0; i < list.Count(); ++i) {
        const TBookmark& old = list.Items(i);
        auto known = marks_->Keys.find(old);
        if (known == marks_->Keys.end()) {
            if (ds->BookmarkValid(old)) items.push_back(old);
            continue;
        }
        // The same row still holding the record, else the record where it stands now.
        auto still = now.find(old);
        const TBookmark& at = still != now.end() && still->second == known->second ? old : found[known->second];
        if (at.empty() || keys.count(at)) continue; // the record is gone
        items.push_back(at);
        keys[at] = known->second;
    }
    bool same = static_cast<int>(items.size()) == list.Count();
    for (int i = 0; same && i < list.Count(); ++i) same = items[static_cast<size_t>(i)] == list.Items(i);
    marks_->Keys = std::move(keys);
    if (!same) list.Assign(std::move(items));
}

void TKvDBGrid::SelectionStep(int direction, bool shift) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    marking_->Step(direction, shift);
    if (direction > 0 && ds->Eof() && CanChange() && (Options() & dgEditing)) AppendRecord();
}

void TKvDBGrid::AppendRecord() {
    if (OnAppendRecord)
        OnAppendRecord(this);
    else
        DataSet()->Append();
}

void TKvDBGrid::DeleteRecords() {
    TDataSet* ds = DataSet();
    if (!CanChange() || ds->IsEmpty()) return;
    TBookmarkList& list = SelectedRows();
    if (Options() & dgConfirmDelete) {
        const char* question = list.Count() < 2 ? "Delete record?" : "Delete all selected records?";
        if (ShowMessageBox(question, "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }
    if (OnDeleteRecords) {
        std::vector<TBookmark> rows;
        for (int i = 0; i < list.Count(); ++i) rows.push_back(list.Items(i));
        if (rows.empty()) rows.push_back(ds->GetBookmark());
        marks_->ClearMarks();
        OnDeleteRecords(this, rows);
    } else if (list.Count() > 0) {
        list.Delete();
        marks_->Keys.clear();
    } else {
        ds->Delete();
    }
}

void TKvDBGrid::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift); // OnKeyDown first, and once
    TDataSet* ds = DataSet();
    if (!key || !ds || !ds->Active()) return;
    const bool rowSelect = Options() & dgRowSelect;
    if (shift & ssCtrl) {
        switch (key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_UP:
        case VK_DOWN: ClearMarks(); break;
        case VK_LEFT:
            if (FrozenCount() > 0) {
                SetSelectedIndex(FirstFreeColumn());
                key = 0;
            }
            break;
        case VK_DELETE:
            DeleteRecords();
            key = 0;
            break;
        }
    } else {
        switch (key) {
        case VK_HOME:
            if (FrozenCount() > 0 && !rowSelect) {
                SetSelectedIndex(FirstFreeColumn());
                key = 0;
            } else if (Columns().Count() == 1 || rowSelect) {
                ClearMarks();
            }
            break;
        case VK_END:
            if (Columns().Count() == 1 || rowSelect) ClearMarks();
            break;
        case VK_LEFT:
            if (FrozenCount() > 0 && SelectedIndex() <= FirstFreeColumn()) key = 0;
            else if (rowSelect) ClearMarks();
            break;
        case VK_RIGHT:
            if (rowSelect) ClearMarks();
            break;
        case VK_UP:
        case VK_DOWN:
            if (ds->State() == dsBrowse) {
                SelectionStep(key == VK_UP ? -1 : 1, shift & ssShift);
                key = 0;
            }
            break;
        case VK_INSERT:
            ClearMarks();
            if (OnAppendRecord && CanChange() && (Options() & dgEditing)) {
                OnAppendRecord(this);
                key = 0;
            }
            break;
        case VK_ESCAPE:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_TAB: ClearMarks(); break;
        }
    }
    if (!key) return;
    // The base grid's keys, without firing OnKeyDown a second time.
    TKeyEvent handler = std::move(OnKeyDown);
    OnKeyDown = nullptr;
    struct Restore {
        TKeyEvent& slot;
        TKeyEvent& saved;
        ~Restore() { slot = std::move(saved); }
    } restore{OnKeyDown, handler};
    TDBGrid::KeyDown(key, shift);
}

void TKvDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TDBGrid::MouseDown(button, shift, x, y);
    TDataSet* ds = DataSet();
    if (button != TMouseButton::mbLeft || !ds || !ds->Active()) return;
    // The view has moved the current row to the press already.
    const QModelIndex index = View()->indexAt(QPoint(x, y));
    if (!index.isValid()) return;
    if (index.column() < FrozenCount()) SetSelectedIndex(FirstFreeColumn());
    if (MultiSelect()) marking_->Click(shift & ssCtrl);
}

void TKvDBGrid::QueryCellStyle(int row, TColumn& column, TField* field, TCellStyle& style, bool highlight) {
    TDBGrid::QueryCellStyle(row, column, field, style, highlight);
    if (column.Index() < FrozenCount()) style.Background = clBtnFace;
    if (OnGetCellParams) {
        OnGetCellParams(this, field, style.Font, style.Background, highlight);
    } else if (OnGetCellProps) {
        if (highlight) {
            TColor color = style.Font.Color;
            OnGetCellProps(this, field, style.Font, color);
            style.Font.Color = color;
        } else {
            OnGetCellProps(this, field, style.Font, style.Background);
        }
    }
}

bool TKvDBGrid::DrawsColumnCells() const { return showGlyphs_ || TDBGrid::DrawsColumnCells(); }

namespace {

const char* const kGlyphTexts[] = {"BLOB", "MEMO", "PICT"};

} // namespace

void TKvDBGrid::DrawColumnCell(TCanvas& canvas, const TRect& rect, int dataCol, TColumn& column, TGridDrawState state) {
    if (const int glyph = FieldGlyphIndex(column.Field()); glyph >= 0 && DefaultDrawing()) {
        // A small tag in place of data that has no text.
        QPainter& p = canvas.Painter();
        const QRect r = ToQRect(rect);
        p.fillRect(r, (state & gdSelected) ? View()->palette().color(QPalette::Highlight) : ToQColor(column.Color()));
        QFont font = p.font();
        font.setPointSizeF(std::max(font.pointSizeF() * 0.7, 5.0));
        p.setFont(font);
        const QFontMetrics metrics(font);
        const QString text = kGlyphTexts[glyph];
        QRect tag(0, 0, metrics.horizontalAdvance(text) + 6, metrics.height());
        tag.moveCenter(r.center());
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawRect(tag.adjusted(0, 0, -1, -1));
        p.drawText(tag, Qt::AlignCenter, text);
    }
    TDBGrid::DrawColumnCell(canvas, rect, dataCol, column, state);
}

bool TKvDBGrid::CanEditShow(int column) const {
    if (!TDBGrid::CanEditShow(column)) return false;
    TField* field = Columns()[column].Field();
    if (FieldGlyphIndex(field) >= 0) return false;
    bool allow = true;
    if (OnShowEditor) OnShowEditor(const_cast<TKvDBGrid*>(this), field, allow);
    return allow;
}

void TKvDBGrid::EditorCreated(QWidget* editor) {
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this] { Guarded([this] { EditorChanged(); }); });
}

void TKvDBGrid::EditorChanged() {
    if (OnEditChange) OnEditChange(this);
}

void TKvDBGrid::TopLeftChanged() {
    TDBGrid::TopLeftChanged();
    StopTracking();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

namespace {

// An empty raised header section in a colour of its own.
void DrawSection(QPainter& painter, QHeaderView& header, const QRect& rect, int section, TColor background,
                 bool down = false) {
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.rect = rect;
    option.section = section;
    option.orientation = header.orientation();
    option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    option.palette.setColor(QPalette::Button, ToQColor(background));
    option.palette.setColor(QPalette::Window, ToQColor(background));
    header.style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, &header);
    if (down) {
        // Drawn down: a shadow along the top and left edges, as a pressed button.
        painter.fillRect(rect.adjusted(0, 0, -1, -1), ToQColor(background).darker(112));
        painter.setPen(header.palette().color(QPalette::Shadow));
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
    } else if (background != clBtnFace) {
        painter.fillRect(rect.adjusted(1, 1, -2, -2), ToQColor(background));
    }
}

} // namespace

void TKvDBGrid::PaintHeaderSection(QPainter& painter, const QRect& rect, Qt::Orientation orientation, int section,
                                   const std::function<void()>& standard) const {
    if (orientation == Qt::Vertical) {
        if (!MultiSelect() || !RowSelected(section)) {
            standard();
            return;
        }
        // A marked row: the section as the header draws it, with a dot beside the indicator.
        QHeaderView* header = View()->verticalHeader();
        painter.save();
        DrawSection(painter, *header, rect, section, clBtnFace);
        const bool current = section == Model().CurrentRow();
        painter.setPen(header->palette().color(QPalette::ButtonText));
        painter.drawText(rect.adjusted(0, 0, -1, 0), (current ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter,
                         Model().headerData(section, Qt::Vertical, Qt::DisplayRole).toString());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(header->palette().color(QPalette::ButtonText));
        painter.drawEllipse(QPointF(current ? rect.left() + 2.5 : rect.center().x() + 0.5, rect.center().y() + 0.5), 2, 2);
        painter.restore();
        return;
    }
    if ((!titleButtons_ && FrozenCount() == 0) || section >= Columns().Count()) {
        standard();
        return;
    }
    const TColumn& column = Columns()[section];
    TFont font = TitleFont();
    TColor background = clBtnFace;
    const bool down = pressed_ && section == pressedColumn_;
    TSortMarker marker = TSortMarker::smNone;
    TField* field = column.Field();
    if (titleButtons_ && field && OnGetBtnParams)
        OnGetBtnParams(const_cast<TKvDBGrid*>(this), field, font, background, marker, down);
    painter.save();
    DrawSection(painter, *View()->horizontalHeader(), rect, section, background, down);
    if (section == FrozenCount() - 1) {
        painter.setPen(View()->palette().color(QPalette::Dark));
        painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    // A title drawn down shows its contents a pixel lower and to the right.
    const QRect inner = down ? rect.translated(1, 1) : rect;
    const int markerWidth = marker == TSortMarker::smNone ? 0 : 8;
    const QRect textRect = inner.adjusted(4, 0, -(markerWidth ? markerWidth + 6 : 1), 0);
    const QFont qfont = font.ToQFont();
    painter.setFont(qfont);
    painter.setPen(ToQColor(font.Color));
    const QString caption = QFontMetrics(qfont).elidedText(ToQString(column.TitleCaption()), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
    if (markerWidth && rect.width() > markerWidth + 8) {
        // The sort mark: a small triangle pointing the way the rows run.
        const double x = inner.right() - 3 - markerWidth, y = inner.center().y();
        QPainterPath path;
        if (marker == TSortMarker::smDown) {
            path.moveTo(x, y - 2);
            path.lineTo(x + markerWidth, y - 2);
            path.lineTo(x + markerWidth / 2.0, y + 3);
        } else {
            path.moveTo(x, y + 3);
            path.lineTo(x + markerWidth, y + 3);
            path.lineTo(x + markerWidth / 2.0, y - 2);
        }
        path.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(path, QColor(0x50, 0x50, 0x50));
    }
    painter.restore();
}

} // namespace kvz
