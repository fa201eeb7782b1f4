#include "controls/KVDBCtrl.h"

#include "controls/KvPlacement.h"
#include "engine/DbUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Convert.h"

#include <QHeaderView>
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
    if (SelectedIndex() < FirstFreeColumn()) SetSelectedIndex(FirstFreeColumn());
    Model().Repaint();
    View()->horizontalHeader()->viewport()->update();
}

int TKvDBGrid::FirstFreeColumn() const {
    for (int i = fixedCols_; i < Columns().Count(); ++i)
        if (Columns()[i].Visible() && View()->columnWidth(i) > 0) return i;
    return std::min(fixedCols_, std::max(Columns().Count() - 1, 0));
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
    TDataSet* ds = DataSet();
    if (!storage || Name().empty()) return;
    const std::string section = LayoutSection();
    if (Columns().DefaultColumns()) {
        if (!ds || !ds->Active()) return;
        // A width the person dragged becomes the field's width in characters, as the fields
        // keep it.
        const int digit = std::max(QFontMetrics(Font().ToQFont()).horizontalAdvance(QLatin1Char('0')), 1);
        for (int i = 0; i < Columns().Count(); ++i)
            if (TField* field = Columns()[i].Field())
                field->SetDisplayWidth(std::max((View()->columnWidth(i) - 8 + digit / 2) / digit, 1));
        SaveFieldsLayout(*ds, storage->File(), storage->SectionName(DataSetIniSection(*ds, section)));
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
    TDataSet* ds = DataSet();
    if (!storage || Name().empty()) return;
    const std::string section = LayoutSection();
    if (Columns().DefaultColumns()) {
        if (!ds || !ds->Active()) return;
        RestoreFieldsLayout(*ds, storage->File(), storage->SectionName(DataSetIniSection(*ds, section)), false);
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
            if (fixedCols_ > 0) {
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
            if (fixedCols_ > 0 && Columns().Count() > 1 && !rowSelect) {
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
            if (fixedCols_ > 0 && SelectedIndex() <= FirstFreeColumn()) key = 0;
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
    if (index.column() < fixedCols_ && index.column() < Columns().Count() - 1) SetSelectedIndex(FirstFreeColumn());
    if (MultiSelect()) marking_->Click(shift & ssCtrl);
}

void TKvDBGrid::QueryCellStyle(int row, TColumn& column, TField* field, TCellStyle& style, bool highlight) {
    TDBGrid::QueryCellStyle(row, column, field, style, highlight);
    if (column.Index() < fixedCols_) style.Background = clBtnFace;
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

void TKvDBGrid::TitleClick(TColumn& column) {
    if (titleButtons_) {
        TDataSet* ds = DataSet();
        const int index = column.Index();
        bool enabled = ds && ds->Active() && index >= 0 && index < Columns().Count();
        if (enabled && OnCheckButton) OnCheckButton(this, index, column.Field(), enabled);
        if (!enabled) {
            MessageBeep(0);
            return;
        }
        if (OnTitleBtnClick) OnTitleBtnClick(this, index, column.Field());
    }
    TDBGrid::TitleClick(column);
}

void TKvDBGrid::TopLeftChanged() {
    TDBGrid::TopLeftChanged();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

namespace {

// An empty raised header section in a colour of its own.
void DrawSection(QPainter& painter, QHeaderView& header, const QRect& rect, int section, TColor background) {
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.rect = rect;
    option.section = section;
    option.orientation = header.orientation();
    option.state |= QStyle::State_Raised;
    option.palette.setColor(QPalette::Button, ToQColor(background));
    option.palette.setColor(QPalette::Window, ToQColor(background));
    header.style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, &header);
    if (background != clBtnFace) painter.fillRect(rect.adjusted(1, 1, -2, -2), ToQColor(background));
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
    if ((!titleButtons_ && fixedCols_ == 0) || section >= Columns().Count()) {
        standard();
        return;
    }
    const TColumn& column = Columns()[section];
    TFont font = TitleFont();
    TColor background = section < fixedCols_ ? clBtnShadow : clBtnFace;
    TSortMarker marker = TSortMarker::smNone;
    TField* field = column.Field();
    if (titleButtons_ && field && OnGetBtnParams)
        OnGetBtnParams(const_cast<TKvDBGrid*>(this), field, font, background, marker, false);
    painter.save();
    DrawSection(painter, *View()->horizontalHeader(), rect, section, background);
    const int markerWidth = marker == TSortMarker::smNone ? 0 : 8;
    const QRect textRect = rect.adjusted(4, 0, -(markerWidth ? markerWidth + 6 : 1), 0);
    const QFont qfont = font.ToQFont();
    painter.setFont(qfont);
    painter.setPen(ToQColor(font.Color));
    const QString caption = QFontMetrics(qfont).elidedText(ToQString(column.TitleCaption()), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
    if (markerWidth && rect.width() > markerWidth + 8) {
        // The sort mark: a small triangle pointing the way the rows run.
        const double x = rect.right() - 3 - markerWidth, y = rect.center().y();
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
