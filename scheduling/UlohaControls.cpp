#include "scheduling/UlohaControls.h"

#include "platform/forms/Graphics.h"

#include <QPainter>
#include <QTimeEdit>

#include <cmath>

namespace kvz {

TTimePicker::TTimePicker(TComponent* owner) : TWinControl(owner, new TControlWidget<QTimeEdit>(this, HomeWidget(owner))) {
    Edit()->setDisplayFormat("HH:mm:ss");
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
    Invalidate();
    if (OnRangeChange) OnRangeChange(this);
}

void TRangeCalendar::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) {
    const int day = row > 0 ? Model().CellDay(col, row) : 0;
    TDateTime date = 0;
    if (day > 0 && TryEncodeDate(Year(), Month(), day, date) && pick_.Contains(date) && pick_.First() != pick_.Last()) {
        QPainter& p = canvas.Painter();
        p.setPen(Qt::NoPen);
        QColor band = ToQColor(clHighlight);
        band.setAlpha(70);
        p.setBrush(band);
        p.drawRect(ToQRect(rect));
    }
    TKvCalendar::DrawCell(canvas, col, row, rect);
}

void TRangeCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    extending_ = (shift & ssShift) != 0 && button == TMouseButton::mbLeft;
    TKvCalendar::MouseDown(button, shift, x, y);
    if (extending_) {
        pick_.ExtendTo(CalendarDate());
        extending_ = false;
        Invalidate();
        if (OnRangeChange) OnRangeChange(this);
    }
}

void TRangeCalendar::KeyDown(uint16_t& key, TShiftState shift) {
    extending_ = (shift & ssShift) != 0;
    TKvCalendar::KeyDown(key, shift);
    if (extending_) {
        pick_.ExtendTo(CalendarDate());
        extending_ = false;
        Invalidate();
        if (OnRangeChange) OnRangeChange(this);
    }
}

void TRangeCalendar::NotifyDateChange() {
    if (!extending_) {
        pick_.Pick(CalendarDate());
        Invalidate();
        if (OnRangeChange) OnRangeChange(this);
    }
    TKvCalendar::NotifyDateChange();
}

} // namespace kvz
