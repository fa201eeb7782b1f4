#include "scheduling/UlohaControls.h"

#include "core/AnyYearDates.h"
#include "platform/forms/Graphics.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimeEdit>

#include <algorithm>
#include <cmath>
#include <string>

namespace kvz {

namespace {

// A click in a time edit selects the part it lands in (hours, minutes or seconds), so that the
// digits typed next replace it: a part that is only clicked into takes no more digits.
class SelectClickedPart : public QObject {
public:
    explicit SelectClickedPart(QTimeEdit* edit) : QObject(edit), edit_(edit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease)
            if (auto* line = qobject_cast<QLineEdit*>(watched); line && !line->hasSelectedText())
                edit_->setSelectedSection(edit_->currentSection());
        return false;
    }

private:
    QTimeEdit* edit_;
};

} // namespace

TTimePicker::TTimePicker(TComponent* owner) : TWinControl(owner, new TControlWidget<QTimeEdit>(this, HomeWidget(owner))) {
    Edit()->setDisplayFormat("HH:mm:ss");
    if (auto* line = Edit()->findChild<QLineEdit*>()) line->installEventFilter(new SelectClickedPart(Edit()));
    QObject::connect(Edit(), &QTimeEdit::timeChanged, Edit(), [this] {
        if (OnChange) OnChange(this);
    });
    SetBounds(0, 0, 90, 21);
}

QTimeEdit* TTimePicker::Edit() const { return static_cast<QTimeEdit*>(Widget()); }

TDateTime TTimePicker::Time() const {
    const QTime t = Edit()->time();
    TDateTime value = 0;
    TryEncodeTime(t.hour(), t.minute(), t.second(), 0, value);
    return value;
}

void TTimePicker::SetTime(TDateTime time) {
    int hour = 0, min = 0, sec = 0, msec = 0;
    DecodeTime(time, hour, min, sec, msec);
    Edit()->setTime(QTime(hour, min, sec));
}

TRangeCalendar::TRangeCalendar(TComponent* owner) : TKvCalendar(owner), pick_(CalendarDate()) {}

void TRangeCalendar::SetRange(TDateTime from, TDateTime to) {
    extending_ = true;
    SetCalendarDate(DateOf(std::min(from, to)));
    extending_ = false;
    pick_.Pick(from);
    pick_.ExtendTo(to);
    PickChanged();
}

void TRangeCalendar::LeafMonth(int step) {
    leafing_ = true;
    if (step < 0) MonthBack();
    else MonthForward();
    leafing_ = false;
    PickChanged();
}

void TRangeCalendar::PickChanged() {
    Invalidate();
    if (OnRangeChange) OnRangeChange(this);
}

void TRangeCalendar::ExtendBy(const std::function<void()>& move) {
    const TDateTime first = pick_.First(), last = pick_.Last();
    extending_ = true;
    move();
    extending_ = false;
    pick_.ExtendTo(CalendarDate());
    if (pick_.First() != first || pick_.Last() != last) PickChanged();
    else Invalidate();
}

int TRangeCalendar::WeekColumnWidth() const { return ClientWidth() / 8; }

TRect TRangeCalendar::DayCellRect(int col, int row) const {
    const int left = WeekColumnWidth(), w = ClientWidth() - left, h = ClientHeight();
    return Rect(left + col * w / 7, row * h / 7, left + (col + 1) * w / 7, (row + 1) * h / 7);
}

TRect TRangeCalendar::WeekNumberRect(int row) const {
    const int h = ClientHeight();
    return Rect(0, row * h / 7, WeekColumnWidth(), (row + 1) * h / 7);
}

bool TRangeCalendar::DayCellAt(int x, int y, int& col, int& row) const {
    const int left = WeekColumnWidth();
    if (x < left) return false;
    const int w = std::max(1, ClientWidth() - left), h = std::max(1, ClientHeight());
    col = std::clamp((x - left) * 7 / w, 0, 6);
    row = std::clamp(y * 7 / h, 0, 6);
    return true;
}

int TRangeCalendar::WeekNumberOfRow(int row) const {
    if (row < 1 || row > 6) return 0;
    for (int col = 0; col < 7; ++col) {
        const int day = const_cast<TRangeCalendar*>(this)->Model().CellDay(col, row);
        TDateTime date = 0;
        if (day > 0 && TryEncodeDate(Year(), Month(), day, date)) return IsoWeekOfDate(date);
    }
    return 0;
}

void TRangeCalendar::Paint(TCanvas& canvas) {
    canvas.Brush.Color = Color();
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
    canvas.Painter().setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col) DrawCell(canvas, col, row, DayCellRect(col, row));
    canvas.Font = Font();
    canvas.Font.Color = clGrayText;
    canvas.Brush.Style = TBrushStyle::bsClear;
    for (int row = 1; row <= 6; ++row) {
        const int week = WeekNumberOfRow(row);
        if (week == 0) continue;
        TRect r = WeekNumberRect(row);
        canvas.DrawText(std::to_string(week), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    // The lines under the day names and beside the week numbers.
    const TRect header = DayCellRect(0, 0);
    const int left = WeekColumnWidth();
    canvas.Pen.Color = clBtnShadow;
    canvas.MoveTo(left + 2, header.Bottom - 1);
    canvas.LineTo(ClientWidth() - 2, header.Bottom - 1);
    canvas.MoveTo(left - 1, header.Bottom + 2);
    canvas.LineTo(left - 1, ClientHeight() - 2);
    TCustomControl::Paint(canvas);
}

void TRangeCalendar::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) {
    const int day = row > 0 ? Model().CellDay(col, row) : 0;
    TDateTime date = 0;
    const bool isDay = day > 0 && TryEncodeDate(Year(), Month(), day, date);
    if (isDay && pick_.Contains(date) && pick_.First() != pick_.Last()) {
        QPainter& p = canvas.Painter();
        p.setPen(Qt::NoPen);
        QColor band = ToQColor(clHighlight);
        band.setAlpha(70);
        p.setBrush(band);
        p.drawRect(ToQRect(rect));
    }
    if (isDay && col == Model().SelectedCol() && row == Model().SelectedRow() && !pick_.Contains(date)) {
        // The cursor of a month leafed to is not a picked day: it shows as the others.
        canvas.Font = Font();
        if (IsWeekendColumn(col)) canvas.Font.Color = WeekendColor();
        canvas.Brush.Style = TBrushStyle::bsClear;
        TRect r = rect;
        canvas.DrawText(DayCellText(col, row), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    TKvCalendar::DrawCell(canvas, col, row, rect);
}

void TRangeCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (Widget()->focusPolicy() != Qt::NoFocus) Widget()->setFocus(Qt::MouseFocusReason);
    TCustomControl::MouseDown(button, shift, x, y);
    int col = 0, row = 0;
    if (button != TMouseButton::mbLeft || !DayCellAt(x, y, col, row)) return;
    if (Model().CellDay(col, row) == 0) return;
    dragging_ = true;
    if ((shift & ssShift) != 0) {
        ExtendBy([&] { Model().ClickCell(col, row); });
        return;
    }
    const TDateTime before = CalendarDate();
    Model().ClickCell(col, row);
    // A click on the day the cursor already stands on picks that day alone.
    if (CalendarDate() == before) {
        pick_.Pick(before);
        PickChanged();
    }
}

void TRangeCalendar::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    int col = 0, row = 0;
    if (!dragging_ || !DayCellAt(x, y, col, row) || Model().CellDay(col, row) == 0) return;
    ExtendBy([&] { Model().ClickCell(col, row); });
}

void TRangeCalendar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    dragging_ = false;
    TCustomControl::MouseUp(button, shift, x, y);
}

void TRangeCalendar::KeyDown(uint16_t& key, TShiftState shift) {
    if ((shift & ssShift) == 0) {
        TKvCalendar::KeyDown(key, shift);
        return;
    }
    TCustomControl::KeyDown(key, shift);
    if (!key) return;
    bool taken = false;
    ExtendBy([&] { taken = Model().KeyDown(key, shift & ~static_cast<TShiftState>(ssShift)); });
    if (taken) key = 0;
}

void TRangeCalendar::NotifyDateChange() {
    if (!extending_ && !leafing_) {
        pick_.Pick(CalendarDate());
        PickChanged();
    }
    TKvCalendar::NotifyDateChange();
}

TBitmap PaymentCountryGlyph(bool czech) {
    QImage image(23, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QRect flag(1, 1, 21, 14);
    const QColor white(255, 255, 255), red(215, 20, 26);
    if (czech) {
        p.fillRect(QRect(flag.left(), flag.top(), flag.width(), 7), white);
        p.fillRect(QRect(flag.left(), flag.top() + 7, flag.width(), 7), red);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(17, 69, 126));
        p.drawPolygon(QPolygonF({QPointF(1, 1), QPointF(11.5, 8), QPointF(1, 15)}));
    } else {
        const QColor blue(11, 78, 162);
        p.fillRect(QRect(1, 1, 21, 5), white);
        p.fillRect(QRect(1, 6, 21, 4), blue);
        p.fillRect(QRect(1, 10, 21, 5), red);
        // The shield towards the staff, pixel by pixel at this size: a white rim, red within,
        // the white double cross standing on the blue hills.
        auto fill = [&](int x, int y, int w, int h, const QColor& c) { p.fillRect(QRect(x, y, w, h), c); };
        fill(4, 3, 7, 8, white);
        fill(5, 11, 5, 1, white);
        fill(6, 12, 3, 1, white);
        fill(5, 4, 5, 6, red);
        fill(6, 10, 3, 1, red);
        fill(7, 4, 1, 5, white);
        fill(6, 5, 3, 1, white);
        fill(5, 7, 5, 1, white);
        fill(5, 9, 5, 1, blue);
        fill(6, 10, 3, 1, blue);
        fill(7, 11, 1, 1, blue);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::NoBrush);
    p.drawRect(flag.adjusted(0, 0, -1, -1));
    p.end();
    return TBitmap(image);
}

} // namespace kvz
