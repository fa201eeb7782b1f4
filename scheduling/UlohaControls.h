// The task editor's own controls: a time picker, the month calendar that picks a day or a
// range of up to 31 days, and the pictures of the payments page's country buttons.
#pragma once

#include "controls/PickDate.h"
#include "platform/forms/Controls.h"
#include "scheduling/UlohaLoad.h"

#include <functional>

class QTimeEdit;

namespace kvz {

// A time of day with hours, minutes and seconds.
class TTimePicker : public TWinControl {
public:
    explicit TTimePicker(TComponent* owner);
    // The time of day as the fraction of a date-time.
    TDateTime Time() const;
    void SetTime(TDateTime time);
    // After the user or the program changed the time.
    TNotifyEvent OnChange;

private:
    QTimeEdit* Edit() const;
};

// A month grid with the week numbers on its left whose click picks a day, and whose drag, or
// Shift with a click or an arrow key, extends the pick from the first day clicked, either way,
// up to 31 days. Leafing to another month keeps the pick, so that a range can cross a month end.
class TRangeCalendar : public TKvCalendar {
public:
    explicit TRangeCalendar(TComponent* owner);
    TDateTime Date() const { return pick_.First(); }
    TDateTime EndDate() const { return pick_.Last(); }
    // Picks the range (one day when both are the same) and shows its first day.
    void SetRange(TDateTime from, TDateTime to);
    // Shows the month before (-1) or after (+1) without changing the pick.
    void LeafMonth(int step);
    // The week number shown beside row 1..6 of the month (0 for a row without days).
    int WeekNumberOfRow(int row) const;
    // Where a day cell and a week number stand; the day cell under a point (false on the week
    // numbers).
    TRect DayCellRect(int col, int row) const;
    TRect WeekNumberRect(int row) const;
    bool DayCellAt(int x, int y, int& col, int& row) const;
    // After every change of the pick, and after leafing.
    TNotifyEvent OnRangeChange;

protected:
    void Paint(TCanvas& canvas) override;
    void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void NotifyDateChange() override;

private:
    int WeekColumnWidth() const;
    // Moves the cursor by the call and extends the pick to it.
    void ExtendBy(const std::function<void()>& move);
    void PickChanged();
    DateRangePick pick_;
    bool extending_ = false;
    bool leafing_ = false;
    bool dragging_ = false;
};

// The flag of the payments' country, drawn 21 by 14 inside a picture of 23 by 16 whose edge
// stays clear (the button takes its corner as the transparent colour).
TBitmap PaymentCountryGlyph(bool czech);

} // namespace kvz
