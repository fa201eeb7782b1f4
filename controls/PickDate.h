// The month calendar and the two ways of picking a date with it: the calendar that drops down
// under a date edit and the "Select a Date" dialog.
#pragma once

#include "controls/CalendarModel.h"
#include "controls/KVCtrls.h"
#include "controls/ToolEdit.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/FormatSettings.h"

#include <string>
#include <vector>

namespace kvz {

// The preferred size of the drop-down calendar at 96 pixels per inch.
constexpr TPoint CalendarPopupSize{187, 124};

// A month grid: the day names over six weeks, weekends in their colour, the date selected.
class TKvCalendar : public TCustomControl {
public:
    explicit TKvCalendar(TComponent* owner);

    TCalendarModel& Model() { return model_; }
    const FormatSettings& Settings() const { return fs_; }
    void SetFormatSettings(const FormatSettings& fs);

    TDateTime CalendarDate() const { return model_.CalendarDate(); }
    void SetCalendarDate(TDateTime date) { model_.SetCalendarDate(date); }
    int Day() const { return model_.Day(); }
    void SetDay(int day) { model_.SetDay(day); }
    int Month() const { return model_.Month(); }
    void SetMonth(int month) { model_.SetMonth(month); }
    int Year() const { return model_.Year(); }
    void SetYear(int year) { model_.SetYear(year); }
    bool ReadOnly() const { return model_.ReadOnly(); }
    void SetReadOnly(bool on) { model_.SetReadOnly(on); }
    TDayOfWeekName StartOfWeek() const { return model_.StartOfWeek(); }
    void SetStartOfWeek(TDayOfWeekName day);
    bool UseCurrentDate() const { return model_.UseCurrentDate(); }
    void SetUseCurrentDate(bool on);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor color);
    TDaysOfWeek Weekends() const { return model_.Weekends(); }
    void SetWeekends(TDaysOfWeek days);

    std::string DayCellText(int col, int row) const { return model_.DayCellText(col, row, fs_); }
    int MonthLength() const { return model_.MonthLength(); }
    bool IsWeekendColumn(int col) const { return model_.IsWeekendColumn(col); }
    void MonthBack() { model_.MonthBack(); }
    void MonthForward() { model_.MonthForward(); }
    void YearBack() { model_.YearBack(); }
    void YearForward() { model_.YearForward(); }
    virtual void RefreshMonth() { Invalidate(); }
    // The cell under a point of the client area.
    void CellAt(int x, int y, int& col, int& row) const;
    TRect CellRect(int col, int row) const;

    TNotifyEvent OnChange;

protected:
    void Paint(TCanvas& canvas) override;
    virtual void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    virtual void NotifyDateChange();

private:
    TCalendarModel model_;
    FormatSettings fs_ = Application().Formats(); // the program's language unless the window says otherwise
    TColor weekendColor_ = clRed;
};

// The calendar inside the drop-down: it never takes the focus and marks today.
class TLocCalendar : public TKvCalendar {
public:
    explicit TLocCalendar(TComponent* owner);

protected:
    void DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) override;
};

// The calendar that drops down under a date edit, with the month and year steps above it.
class TPopupCalendar : public TPopupWindow {
public:
    explicit TPopupCalendar(TCustomComboEdit* edit);

    TLocCalendar* Calendar() const { return calendar_; }
    TKvLabel* TitleLabel() const { return title_; }
    // Previous year, previous month, next month, next year.
    TKvTimerSpeedButton* Buttons(int index) const { return buttons_[index]; }
    void SetFormatSettings(const FormatSettings& fs);

    TPopupValue GetPopupValue() const override;
    void SetPopupValue(const TPopupValue& value) override;
    bool PopupKeyDown(uint16_t key, TShiftState shift) override;
    bool PopupKeyPress(char32_t key) override;

protected:
    void Resize() override;
    void ColorChanged() override;

private:
    void UpdateTitle();
    void FitSize();
    TLocCalendar* calendar_ = nullptr;
    TKvLabel* title_ = nullptr;
    TKvTimerSpeedButton* buttons_[4] = {};
};

// "Select a Date": the calendar with its steps, OK and Cancel.
class TSelectDateDlg : public TForm {
public:
    explicit TSelectDateDlg(TComponent* owner);

    TKvCalendar* Calendar;
    TKvLabel* TitleLabel;
    TKvTimerSpeedButton* PrevYearBtn;
    TKvTimerSpeedButton* PrevMonthBtn;
    TKvTimerSpeedButton* NextMonthBtn;
    TKvTimerSpeedButton* NextYearBtn;
    TButton* OkButton;
    TButton* CancelButton;

    // No date (0) shows today.
    void ShowDateInDialog(TDateTime date);
    TDateTime DialogDate() const { return Calendar->CalendarDate(); }

    void PrevYearBtnClick(TComponent* sender);
    void PrevMonthBtnClick(TComponent* sender);
    void NextMonthBtnClick(TComponent* sender);
    void NextYearBtnClick(TComponent* sender);
    void CalendarChange(TComponent* sender);
    void CalendarDblClick(TComponent* sender);
    void TopPanelDblClick(TComponent* sender);
    void FormKeyDown(TComponent* sender, uint16_t& key, TShiftState shift);
};

// The drop-down calendar of the edit, scaled to the screen's pixel density.
TPopupCalendar* MakeCalendarPopup(TCustomComboEdit* edit);
// Only for a TPopupCalendar: sets its calendar's week and its buttons' hints (the first four
// lines; an empty line keeps a button's own hint).
void ConfigureCalendarPopup(TPopupWindow* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                            TColor weekendColor, const std::vector<std::string>* buttonHints);
// A non-empty caption replaces "Select a Date".
TSelectDateDlg* MakeDateDialog(const std::string& caption, const FormatSettings& fs);
// Shows the dialog at the date (no date shows today); true and the chosen date on OK, the date
// unchanged otherwise.
bool PickDateInDialog(TDateTime& date, const std::string& caption, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                      TColor weekendColor, const std::vector<std::string>* buttonHints,
                      const FormatSettings& fs = FormatSettings::ForLanguage(1));
// The desktop's font for dialogs.
void SetDialogFont(TFont& font);

} // namespace kvz
