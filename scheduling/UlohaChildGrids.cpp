#include "scheduling/UlohaChildGrids.h"

#include "platform/forms/Graphics.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QTableView>
#include <QPainter>
#include <QTextCharFormat>

#include <functional>

#include <cmath>

namespace kvz {

// The grid's model: the non-fixed cells are its items, the fixed row and column its headers.
class TTaskStringGrid::Model : public QAbstractTableModel {
public:
    explicit Model(TTaskStringGrid& grid) : grid_(grid) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : grid_.rowCount_ - 1; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : grid_.colCount_ - 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        const TaskCell* cell = cells ? cells->At(index.column() + 1, index.row() + 1) : nullptr;
        switch (role) {
        case Qt::DisplayRole:
            return cell ? ToQString(CutCellText(cell->Text, grid_.view_, grid_.enlarged_)) : QVariant();
        case Qt::ToolTipRole: return cell ? ToQString(cell->Text) : QVariant();
        case Qt::BackgroundRole: return ToQColor(cell ? cell->Color : grid_.gridColor_);
        case Qt::ForegroundRole: return cell ? ToQColor(ContrastTextColor(cell->Color, 0)) : QVariant();
        case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignLeft | Qt::AlignTop);
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        const auto& titles = orientation == Qt::Horizontal ? columnTitles : rowTitles;
        return section < int(titles.size()) ? ToQString(titles[size_t(section)]) : QVariant();
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void TitlesChanged(Qt::Orientation o, int count) { emit headerDataChanged(o, 0, std::max(0, count - 1)); }

    const TaskCellGrid* cells = nullptr;
    std::vector<std::string> columnTitles, rowTitles;

private:
    TTaskStringGrid& grid_;
};

TTaskStringGrid::TTaskStringGrid(TComponent* owner, TaskView view, int colCount, int rowCount)
    : TWinControl(owner, new TControlWidget<QTableView>(this, HomeWidget(owner))), view_(view), colCount_(colCount),
      rowCount_(rowCount), model_(std::make_unique<Model>(*this)) {
    QTableView* v = View();
    v->setModel(model_.get());
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->setWordWrap(false);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    v->horizontalHeader()->setMinimumSectionSize(16);
    v->verticalHeader()->setMinimumSectionSize(14);
    v->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    v->setTextElideMode(Qt::ElideNone);
    QObject::connect(v, &QTableView::clicked, v, [this](const QModelIndex&) {
        Guarded([&] {
            if (OnClick) OnClick(this);
        });
    });
}

TTaskStringGrid::~TTaskStringGrid() {
    if (QTableView* v = View()) v->setModel(nullptr);
}

QTableView* TTaskStringGrid::View() const { return static_cast<QTableView*>(Widget()); }

void TTaskStringGrid::SetColumnTitles(const std::vector<std::string>& titles) {
    model_->columnTitles = titles;
    model_->TitlesChanged(Qt::Horizontal, colCount_ - 1);
}

void TTaskStringGrid::SetRowTitles(const std::vector<std::string>& titles) {
    model_->rowTitles = titles;
    model_->TitlesChanged(Qt::Vertical, rowCount_ - 1);
}

std::string TTaskStringGrid::ColumnTitle(int col) const {
    return col >= 1 && col <= int(model_->columnTitles.size()) ? model_->columnTitles[size_t(col - 1)] : std::string();
}

std::string TTaskStringGrid::RowTitle(int row) const {
    return row >= 1 && row <= int(model_->rowTitles.size()) ? model_->rowTitles[size_t(row - 1)] : std::string();
}

void TTaskStringGrid::SetCells(const TaskCellGrid* cells) {
    model_->cells = cells;
    model_->Reset();
}

std::string TTaskStringGrid::CellText(int col, int row) const {
    return model_->cells ? model_->cells->KeyAt(col, row) : std::string();
}

std::string TTaskStringGrid::KeyAt(int x, int y) const {
    const QModelIndex i = View()->indexAt(QPoint(x, y));
    return i.isValid() ? CellText(i.column() + 1, i.row() + 1) : std::string();
}

std::string TTaskStringGrid::ShownText(int col, int row) const {
    return model_->data(model_->index(row - 1, col - 1), Qt::DisplayRole).toString().toStdString();
}

void TTaskStringGrid::SetEnlarged(bool on) {
    if (enlarged_ == on) return;
    enlarged_ = on;
    model_->Reset();
}

int TTaskStringGrid::Col() const {
    const QModelIndex i = View()->currentIndex();
    return i.isValid() ? i.column() + 1 : 0;
}

int TTaskStringGrid::Row() const {
    const QModelIndex i = View()->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void TTaskStringGrid::SelectCell(int col, int row) { View()->setCurrentIndex(model_->index(row - 1, col - 1)); }

void TTaskStringGrid::SetDefaultSizes(int colWidth, int rowHeight, int firstColWidth) {
    QTableView* v = View();
    v->horizontalHeader()->setMinimumSectionSize(colWidth);
    v->horizontalHeader()->setDefaultSectionSize(colWidth);
    v->verticalHeader()->setDefaultSectionSize(rowHeight);
    v->verticalHeader()->setMinimumWidth(firstColWidth);
}

void TTaskStringGrid::SetColWidth(int col, int width) {
    if (col == 0)
        View()->verticalHeader()->setMinimumWidth(width);
    else
        View()->horizontalHeader()->resizeSection(col - 1, width);
}

void TTaskStringGrid::SetGridColor(TColor color) {
    gridColor_ = color;
    model_->Reset();
}

void FillProjectTreeImages(TImageList& images) {
    images.Clear();
    auto draw = [&](const std::function<void(QPainter&)>& paint) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        paint(p);
        p.end();
        images.AddImage(image);
    };
    const QColor line(96, 72, 24), folder(236, 196, 92), inside(250, 226, 150);
    draw([](QPainter& p) { // a sheet with lines of tasks
        p.setPen(QColor(80, 80, 96));
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 10, 13);
        p.setPen(QColor(40, 90, 170));
        for (int y = 4; y <= 11; y += 3) p.drawLine(5, y, 11, y);
    });
    draw([&](QPainter& p) { // a closed folder
        p.setPen(line);
        p.setBrush(folder);
        p.drawRect(1, 3, 5, 2);
        p.drawRect(1, 5, 13, 8);
    });
    draw([&](QPainter& p) { // the folder open
        p.setPen(line);
        p.setBrush(folder);
        p.drawRect(1, 3, 5, 2);
        p.drawRect(1, 5, 11, 8);
        p.setBrush(inside);
        p.drawPolygon(QPolygon({QPoint(3, 8), QPoint(15, 8), QPoint(12, 13), QPoint(1, 13)}));
    });
}

namespace {

QDate ToQDate(TDateTime date) {
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    return QDate(y, m, d);
}

} // namespace

TMonthCalendar::TMonthCalendar(TComponent* owner)
    : TWinControl(owner, new TControlWidget<QCalendarWidget>(this, HomeWidget(owner))) {
    QCalendarWidget* c = Calendar();
    c->setGridVisible(false);
    c->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    // Until the setting is applied the calendar begins its weeks on Sunday, as it always did.
    c->setFirstDayOfWeek(Qt::Sunday);
    QObject::connect(c, &QCalendarWidget::clicked, c, [this](QDate) {
        Guarded([&] {
            if (OnClick) OnClick(this);
        });
    });
    QObject::connect(c, &QCalendarWidget::activated, c, [this](QDate) {
        Guarded([&] {
            if (OnClick) OnClick(this);
        });
    });
    // The calendar's days are a view inside it that takes the focus in its place.
    focusWatch_ = QObject::connect(qApp, &QApplication::focusChanged, c, [this, c](QWidget* old, QWidget* now) {
        auto inside = [c](QWidget* w) { return w && (w == c || c->isAncestorOf(w)); };
        if (!inside(old) || inside(now)) return;
        Guarded([&] {
            if (OnFocusLost) OnFocusLost(this);
        });
    });
    ApplyColors();
}

// The widget goes after this part of the calendar; its last focus change must not reach it.
TMonthCalendar::~TMonthCalendar() { QObject::disconnect(focusWatch_); }

QCalendarWidget* TMonthCalendar::Calendar() const { return static_cast<QCalendarWidget*>(Widget()); }

TDateTime TMonthCalendar::Date() const {
    const QDate d = Calendar()->selectedDate();
    return EncodeDate(d.year(), d.month(), d.day());
}

void TMonthCalendar::SetDate(TDateTime date) {
    QSignalBlocker block(Calendar());
    Calendar()->setSelectedDate(ToQDate(std::floor(date)));
}

int TMonthCalendar::FirstDayOfWeek() const { return int(Calendar()->firstDayOfWeek()); }

void TMonthCalendar::SetFirstDayOfWeek(int day) {
    if (day >= 1 && day <= 7) Calendar()->setFirstDayOfWeek(Qt::DayOfWeek(day));
}

bool TMonthCalendar::WeekNumbers() const {
    return Calendar()->verticalHeaderFormat() == QCalendarWidget::ISOWeekNumbers;
}

void TMonthCalendar::SetWeekNumbers(bool on) {
    Calendar()->setVerticalHeaderFormat(on ? QCalendarWidget::ISOWeekNumbers : QCalendarWidget::NoVerticalHeader);
}

void TMonthCalendar::SetColors(TColor monthBack, TColor titleBack, TColor titleText, TColor text) {
    monthBack_ = monthBack;
    titleBack_ = titleBack;
    titleText_ = titleText;
    text_ = text;
    ApplyColors();
}

void TMonthCalendar::ApplyColors() {
    QCalendarWidget* c = Calendar();
    const QString title = ToQColor(titleBack_).name(), titleText = ToQColor(titleText_).name();
    c->setStyleSheet(QStringLiteral("#qt_calendar_navigationbar { background-color: %1; }"
                                    "#qt_calendar_navigationbar QToolButton { color: %2; }"
                                    "QCalendarWidget QAbstractItemView:enabled { background-color: %3; color: %4; }")
                         .arg(title, titleText, ToQColor(monthBack_).name(), ToQColor(text_).name()));
}

} // namespace kvz
