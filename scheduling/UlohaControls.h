// The task editor's own controls: a time picker, and the month calendar that picks a day or a
// range of up to 31 days.
#pragma once

#include "controls/PickDate.h"
#include "platform/forms/Controls.h"
#include "scheduling/UlohaLoad.h"

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

// A month grid whose click picks a day and whose Shift with a click or an arrow key extends
// the pick from the first day clicked, either way, up to 31 days.
class TRangeCalendar : public TKvCalendar {
public:
    explicit TRangeCalendar(TComponent* owner);
    TDateTime Date() const { return pick_.First(); }
    TDateTime EndDate() const { return pick_.Last(); }
    // Picks the range (one day when both are the same) and shows its first day.
    void SetRange(TDateTime from, TDateTime to);
    // After every change of the pick.
    TNotifyEvent OnRangeChange;

protected:
    void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void NotifyDateChange() override;

private:
    DateRangePick pick_;
    bool extending_ = false;
};

} // namespace kvz
