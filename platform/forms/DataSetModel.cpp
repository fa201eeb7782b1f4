#include "platform/forms/DataSetModel.h"

#include "platform/forms/Forms.h"

#include <QFont>

#include <algorithm>

namespace kvz {

namespace {

// Rows kept for painting: more than a tall screen holds, so that one paint reads each row once.
constexpr size_t kCachedRows = 256;

Qt::Alignment QtAlignment(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case TAlignment::taCenter: return Qt::AlignCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

bool Editing(const TDataSet* ds) { return ds && (ds->State() == dsEdit || ds->State() == dsInsert); }

} // namespace

class TDataSetModel::Link : public TDataLink {
public:
    explicit Link(TDataSetModel& model) : model_(&model) {}
    // The model is going: the link leaves its source without telling it.
    void Detach() {
        model_ = nullptr;
        SetDataSource(nullptr);
    }

protected:
    void ActiveChanged() override {
        if (model_) model_->ActiveChanged();
    }
    void LayoutChanged() override {
        if (model_) model_->LayoutChanged();
    }
    void DataSetChanged() override {
        if (model_) model_->Sync();
    }
    void EditingChanged() override {
        if (model_) model_->Sync();
    }
    void DataSetScrolled(int) override {
        if (model_) model_->Scrolled();
    }
    void RecordChanged(TField*) override {
        if (model_) model_->RecordChanged();
    }

private:
    TDataSetModel* model_;
};

TDataSetModel::TDataSetModel(QObject* parent)
    : QAbstractTableModel(parent), link_(std::make_unique<Link>(*this)), cache_(kCachedRows) {}

TDataSetModel::~TDataSetModel() { link_->Detach(); }

TDataSource* TDataSetModel::DataSource() const { return link_->DataSource(); }
void TDataSetModel::SetDataSource(TDataSource* source) {
    const unsigned layouts = layouts_;
    link_->SetDataSource(source);
    // The link tells only when the source's dataset opens or closes it; the rows are laid out
    // once either way.
    if (layouts_ == layouts) ActiveChanged();
}
TDataSet* TDataSetModel::DataSet() const { return link_->DataSet(); }
bool TDataSetModel::Active() const { return link_->Active(); }

void TDataSetModel::SetColumnFieldNames(std::vector<std::string> names) {
    if (Active()) {
        // The fields shown already (a grid's default columns are the visible fields that the
        // model shows when it opens): the rows stay as they are, only the titles are new.
        std::vector<TField*> fields;
        fields.reserve(names.size());
        for (const std::string& name : names) fields.push_back(DataSet()->FindField(name));
        if (!fields.empty() && fields == columns_) {
            columnNames_ = std::move(names);
            ownColumns_ = true;
            emit headerDataChanged(Qt::Horizontal, 0, ColumnCount() - 1);
            if (OnLayoutChanged) OnLayoutChanged();
            return;
        }
    }
    columnNames_ = std::move(names);
    ownColumns_ = true;
    LayoutChanged();
}

TField* TDataSetModel::ColumnField(int column) const {
    return column >= 0 && column < ColumnCount() ? columns_[static_cast<size_t>(column)] : nullptr;
}

int TDataSetModel::StoreCount() const { return Active() ? std::max(DataSet()->RecordCount(), 0) : 0; }

int TDataSetModel::StoredRowOf(int row) const { return insertRow_ >= 0 && row > insertRow_ ? row - 1 : row; }

void TDataSetModel::ForgetRows() const {
    for (CachedRow& cached : cache_) cached.Row = -1;
    errorShown_ = false;
}

void TDataSetModel::ActiveChanged() { LayoutChanged(); }

struct TDataSetModel::FollowScope {
    explicit FollowScope(TDataSetModel& m) : model(m) { ++model.following_; }
    ~FollowScope() { --model.following_; }
    TDataSetModel& model;
};

void TDataSetModel::LayoutChanged() {
    ++layouts_;
    FollowScope follow(*this);
    beginResetModel();
    columns_.clear();
    buffer_.reset();
    insertRow_ = -1;
    if (Active()) {
        TDataSet& ds = *DataSet();
        if (!ownColumns_) {
            for (TField* field : ds.Fields().List())
                if (field->Visible()) columns_.push_back(field);
        } else {
            for (const std::string& name : columnNames_) columns_.push_back(ds.FindField(name));
        }
        buffer_ = ds.NewRecordBuffer();
    }
    rows_ = StoreCount();
    if (Active() && DataSet()->State() == dsInsert) {
        insertRow_ = DataSet()->Eof() ? rows_ : 0;
        ++rows_;
    }
    ForgetRows();
    endResetModel();
    currentRow_ = -2; // reported again
    UpdateCurrentRow();
    if (OnLayoutChanged) OnLayoutChanged();
}

void TDataSetModel::Sync() {
    if (!Active()) return;
    FollowScope follow(*this);
    TDataSet& ds = *DataSet();
    const int count = StoreCount();
    int newInsert = -1;
    if (ds.State() == dsInsert)
        newInsert = insertRow_ >= 0 ? insertRow_ : (ds.Eof() || currentRow_ < 0) ? count : std::min(currentRow_, count);
    const int newRows = count + (newInsert >= 0 ? 1 : 0);
    const int oldRows = rows_;
    ForgetRows();
    if (insertRow_ < 0 && newInsert >= 0 && newRows == rows_ + 1) {
        beginInsertRows(QModelIndex(), newInsert, newInsert);
        insertRow_ = newInsert;
        rows_ = newRows;
        endInsertRows();
    } else if (insertRow_ >= 0 && newInsert < 0 && newRows == rows_ - 1) { // the insert was cancelled
        beginRemoveRows(QModelIndex(), insertRow_, insertRow_);
        insertRow_ = -1;
        rows_ = newRows;
        endRemoveRows();
    } else if (insertRow_ < 0 && newInsert < 0 && newRows == rows_ - 1 && currentRow_ >= 0 && currentRow_ < rows_) {
        beginRemoveRows(QModelIndex(), currentRow_, currentRow_); // the current record was deleted
        rows_ = newRows;
        endRemoveRows();
    } else if (newRows != rows_) {
        beginResetModel();
        insertRow_ = newInsert;
        rows_ = newRows;
        endResetModel();
    } else {
        insertRow_ = newInsert; // a posted insert keeps its row
    }
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, std::max(ColumnCount() - 1, 0)));
    if (rows_ != oldRows) currentRow_ = -2; // the view's rows moved under it: report the row again
    UpdateCurrentRow();
}

void TDataSetModel::RecordChanged() {
    if (currentRow_ < 0) return;
    RepaintRow(currentRow_);
}

void TDataSetModel::Scrolled() { UpdateCurrentRow(); }

void TDataSetModel::UpdateCurrentRow() {
    int row = -1;
    if (Active()) {
        TDataSet& ds = *DataSet();
        if (ds.State() == dsInsert)
            row = insertRow_;
        else if (!ds.IsEmpty())
            row = ds.RecNo() - 1;
        if (row >= rows_) row = -1;
    }
    if (row == currentRow_) return;
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0 && old < rows_) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    if (OnCurrentRowChanged) OnCurrentRowChanged(row);
}

bool TDataSetModel::MoveTo(int row) {
    if (!Active() || row < 0 || row >= rows_) return false;
    if (row == currentRow_) return true;
    TDataSet& ds = *DataSet();
    if (Editing(&ds)) {
        // Posting keeps the rows; an untouched insert is cancelled and its row goes.
        const int insertRow = insertRow_, rows = rows_;
        ds.CheckBrowseMode();
        if (insertRow >= 0 && rows_ < rows && row > insertRow) --row;
        if (row >= rows_) return false;
    }
    if (ds.IsSequenced()) ds.SetRecNo(row + 1);
    if (const int now = ds.RecNo() - 1; now != row) ds.MoveBy(row - now);
    UpdateCurrentRow();
    return currentRow_ == row;
}

bool TDataSetModel::WithRow(int row, const std::function<void()>& f) {
    if (!Active() || row < 0 || row >= rows_) return false;
    TDataSet& ds = *DataSet();
    if (row == insertRow_ || (row == currentRow_ && Editing(&ds))) {
        f();
        return true;
    }
    if (!buffer_ || !ds.ReadRecordAt(StoredRowOf(row), *buffer_)) return false;
    TRecordReadScope scope(ds, *buffer_);
    f();
    return true;
}

void TDataSetModel::Repaint() {
    ForgetRows();
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, std::max(ColumnCount() - 1, 0)));
}

void TDataSetModel::RepaintRow(int row) {
    if (row < 0 || row >= rows_) return;
    CachedRow& cached = cache_[static_cast<size_t>(row) % cache_.size()];
    if (cached.Row == row) cached.Row = -1;
    emit dataChanged(index(row, 0), index(row, std::max(ColumnCount() - 1, 0)));
}

void TDataSetModel::FillRow(CachedRow& cached) const {
    cached.Cells.resize(columns_.size());
    for (Cell& cell : cached.Cells) {
        cell.Text.clear();
        cell.Font = cell.Background = cell.Foreground = QVariant();
        cell.Alignment = Qt::AlignLeft | Qt::AlignVCenter;
        cell.Highlight = false;
    }
    cached.Bookmark.clear();
    auto fill = [&] {
        cached.Bookmark = buffer_ && DataSet()->State() == dsBlockRead ? buffer_->Bookmark : DataSet()->GetBookmark();
        for (size_t c = 0; c < columns_.size(); ++c) {
            TField* field = columns_[c];
            Cell& cell = cached.Cells[c];
            TCellStyle style = DefaultStyle;
            if (field) {
                // Dates and yes/no values as the interface language writes them.
                cell.Text = ToQString(DisplayTextIn(*field, Application().Formats()));
                style.Alignment = field->Alignment();
            }
            if (OnCellStyle) OnCellStyle(cached.Row, static_cast<int>(c), field, style);
            cell.Alignment = QtAlignment(style.Alignment);
            cell.Highlight = style.Highlight;
            if (!(style.Font == DefaultStyle.Font)) cell.Font = style.Font.ToQFont();
            if (style.Font.Color != DefaultStyle.Font.Color) cell.Foreground = ToQColor(style.Font.Color);
            if (style.Background != DefaultStyle.Background) cell.Background = ToQColor(style.Background);
        }
    };
    try {
        const_cast<TDataSetModel*>(this)->WithRow(cached.Row, fill);
    } catch (...) {
        if (!errorShown_) {
            errorShown_ = true;
            HandleApplicationException(std::current_exception());
        }
    }
}

const TDataSetModel::CachedRow* TDataSetModel::Fetch(int row) const {
    if (row < 0 || row >= rows_) return nullptr;
    CachedRow& cached = cache_[static_cast<size_t>(row) % cache_.size()];
    if (cached.Row != row) {
        cached.Row = row;
        FillRow(cached);
    }
    return &cached;
}

int TDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TDataSetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount(); }

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::TextAlignmentRole:
    case Qt::FontRole:
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case kHighlightRole: break;
    default: return {};
    }
    if (role == Qt::EditRole) {
        // The editor takes the value in the dataset's own form, which is what it reads back.
        TField* field = ColumnField(index.column());
        QString text;
        try {
            if (field) const_cast<TDataSetModel*>(this)->WithRow(index.row(), [&] { text = ToQString(field->DisplayText()); });
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
        return text;
    }
    const CachedRow* cached = Fetch(index.row());
    if (!cached || static_cast<size_t>(index.column()) >= cached->Cells.size()) return {};
    const Cell& cell = cached->Cells[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole: return cell.Text;
    case Qt::TextAlignmentRole: return QVariant::fromValue(cell.Alignment);
    case Qt::FontRole: return cell.Font;
    case Qt::BackgroundRole: return cell.Background;
    case kHighlightRole: return cell.Highlight;
    default: return cell.Foreground;
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        TField* field = ColumnField(section);
        if (role == Qt::DisplayRole) {
            if (OnTitle) return ToQString(OnTitle(section, field));
            return field ? ToQString(field->DisplayLabel()) : QVariant();
        }
        return {};
    }
    // The indicator: the current record, and whether it is being edited or inserted.
    if (role != Qt::DisplayRole || section != currentRow_) return {};
    if (section == insertRow_) return QStringLiteral("*");
    return Editing(DataSet()) ? QStringLiteral("I") : QStringLiteral("\u25B6");
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (OnCanEdit && OnCanEdit(index.column())) flags |= Qt::ItemIsEditable;
    return flags;
}

TBookmark TDataSetModel::RowBookmark(int row) const {
    const CachedRow* cached = Fetch(row);
    return cached ? cached->Bookmark : TBookmark();
}

bool TDataSetModel::BeginEdit(int row) {
    try {
        if (!MoveTo(row)) return false;
        DataSet()->Edit();
        return true;
    } catch (...) {
        HandleApplicationException(std::current_exception());
        return false;
    }
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TField* field = ColumnField(index.column());
    if (role != Qt::EditRole || !field) return false;
    try {
        if (!BeginEdit(index.row())) return false;
        if (field->Text() != value.toString().toStdString()) field->SetText(value.toString().toStdString());
        return true;
    } catch (...) {
        HandleApplicationException(std::current_exception());
        return false;
    }
}

} // namespace kvz
