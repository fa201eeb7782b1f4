#include "controls/PickDate.h"

#include "controls/KvDateUtil.h"
#include "platform/rtl/Clock.h"

#include <cmath>

#include <QApplication>
#include <QFontDatabase>

#include <algorithm>
#include <memory>

namespace kvz {
namespace {

// The arrow glyphs: black triangles on white, pointing left (prev) or right, one or two.
TBitmap ArrowGlyph(bool next, int count) {
    TBitmap glyph(8, 6);
    for (int t = 0; t < count; ++t)
        for (int y = 0; y < 5; ++y) {
            const int d = std::abs(2 - y);
            for (int x = d; x < 3; ++x) {
                const int px = (count == 1 ? 2 : t * 4) + (next ? 2 - x : x);
                glyph.SetPixel(px, y, clBlack);
            }
        }
    glyph.SetTransparent(true);
    glyph.SetTransparentColor(clWhite);
    return glyph;
}

const char* const kButtonHints[4] = {"Previous Year", "Previous Month", "Next Month", "Next Year"};

TKvTimerSpeedButton* MakeStepButton(TComponent* owner, TWinControl* parent, int index) {
    auto* button = new TKvTimerSpeedButton(owner);
    button->SetParent(parent);
    button->SetGlyph(ArrowGlyph(index >= 2, index == 0 || index == 3 ? 2 : 1));
    button->SetHint(kButtonHints[index]);
    button->SetFlat(true);
    button->SetTransparent(true);
    return button;
}

void ApplyHints(TKvTimerSpeedButton* const buttons[4], const std::vector<std::string>* hints) {
    if (!hints) return;
    for (size_t i = 0; i < std::min<size_t>(hints->size(), 4); ++i)
        if (!(*hints)[i].empty()) buttons[i]->SetHint((*hints)[i]);
}

double ScreenScale() { return Screen().PixelsPerInch() / 96.0; }

// A cell that holds the widest day name in bold and a two-digit day, with room around them.
QSize CalendarCellSize(const TFont& font, const FormatSettings& fs) {
    QFont bold = font.ToQFont();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int width = metrics.horizontalAdvance("00");
    for (const std::string& name : fs.ShortDayNames) width = std::max(width, metrics.horizontalAdvance(ToQString(name)));
    return QSize(width + metrics.height() * 2 / 3, metrics.height() + metrics.height() / 3);
}

} // namespace

void SetDialogFont(TFont& font) {
    const QFont desktop = QApplication::font();
    font.Name = desktop.family().toStdString();
    font.Size = desktop.pointSize() > 0 ? desktop.pointSize() : 9;
    font.Color = clWindowText;
    font.Style = 0;
}

// ---- TKvCalendar ----

TKvCalendar::TKvCalendar(TComponent* owner) : TCustomControl(owner) {
    SetColor(clWindow);
    SetBounds(0, 0, 218, 113);
    Widget()->setFocusPolicy(Qt::StrongFocus);
    model_.OnChange = [this] {
        RefreshMonth();
        NotifyDateChange();
    };
}

void TKvCalendar::SetFormatSettings(const FormatSettings& fs) {
    fs_ = fs;
    Invalidate();
}

void TKvCalendar::SetStartOfWeek(TDayOfWeekName day) {
    if (day == StartOfWeek()) return;
    model_.SetStartOfWeek(day);
    RefreshMonth();
}

void TKvCalendar::SetUseCurrentDate(bool on) {
    model_.SetUseCurrentDate(on);
    if (on) RefreshMonth();
}

void TKvCalendar::SetWeekendColor(TColor color) {
    if (color == weekendColor_) return;
    weekendColor_ = color;
    Invalidate();
}

void TKvCalendar::SetWeekends(TDaysOfWeek days) {
    if (days == Weekends()) return;
    model_.SetWeekends(days);
    RefreshMonth();
}

void TKvCalendar::NotifyDateChange() {
    if (OnChange) OnChange(this);
}

TRect TKvCalendar::CellRect(int col, int row) const {
    const int w = ClientWidth(), h = ClientHeight();
    return Rect(col * w / 7, row * h / 7, (col + 1) * w / 7, (row + 1) * h / 7);
}

void TKvCalendar::CellAt(int x, int y, int& col, int& row) const {
    const int w = std::max(1, ClientWidth()), h = std::max(1, ClientHeight());
    col = std::clamp(x * 7 / w, 0, 6);
    row = std::clamp(y * 7 / h, 0, 6);
}

void TKvCalendar::Paint(TCanvas& canvas) {
    canvas.Brush.Color = Color();
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
    canvas.Painter().setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col) DrawCell(canvas, col, row, CellRect(col, row));
    // The line under the day names.
    const TRect header = CellRect(0, 0);
    canvas.Pen.Color = clBtnShadow;
    canvas.MoveTo(2, header.Bottom - 1);
    canvas.LineTo(ClientWidth() - 2, header.Bottom - 1);
    TCustomControl::Paint(canvas);
}

void TKvCalendar::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) {
    const std::string text = DayCellText(col, row);
    const bool selected = row > 0 && col == model_.SelectedCol() && row == model_.SelectedRow();
    canvas.Font = Font();
    if (selected) {
        QPainter& p = canvas.Painter();
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(Widget()->hasFocus() || !Widget()->focusPolicy() ? clHighlight : clBtnShadow));
        p.drawRoundedRect(ToQRect(rect).adjusted(1, 1, -1, -1), 3, 3);
        canvas.Font.Color = clHighlightText;
    } else if (IsWeekendColumn(col)) {
        canvas.Font.Color = weekendColor_;
    } else if (row == 0) {
        canvas.Font.Color = clWindowText;
    }
    if (row == 0) canvas.Font.Style |= fsBold;
    canvas.Brush.Style = TBrushStyle::bsClear;
    TRect r = rect;
    canvas.DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TKvCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (Widget()->focusPolicy() != Qt::NoFocus) Widget()->setFocus(Qt::MouseFocusReason);
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    int col, row;
    CellAt(x, y, col, row);
    model_.ClickCell(col, row);
}

void TKvCalendar::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key && model_.KeyDown(key, shift)) key = 0;
}

void TKvCalendar::KeyPress(char32_t& key) {
    if (model_.KeyPress(key)) key = 0;
    TCustomControl::KeyPress(key);
}

// ---- TLocCalendar ----

TLocCalendar::TLocCalendar(TComponent* owner) : TKvCalendar(owner) {
    SetTabStop(false);
    // Keys reach it through the drop-down's edit, which keeps the focus.
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetUseCurrentDate(false);
}

void TLocCalendar::DrawCell(TCanvas& canvas, int col, int row, const TRect& rect) {
    TKvCalendar::DrawCell(canvas, col, row, rect);
    if (!Model().CellIsToday(col, row)) return;
    QPainter& p = canvas.Painter();
    p.setPen(QPen(ToQColor(clHighlight), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(ToQRect(rect)).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
}

// ---- TPopupCalendar ----

TPopupCalendar::TPopupCalendar(TCustomComboEdit* edit) : TPopupWindow(edit) {
    SetColor(clBtnFace);
    TFont font;
    SetDialogFont(font);
    SetFont(font);
    SetShowHint(edit ? edit->ShowHint() : true);
    for (int i = 0; i < 4; ++i) buttons_[i] = MakeStepButton(this, this, i);
    buttons_[0]->OnClick = [this](TComponent*) { calendar_->YearBack(); };
    buttons_[1]->OnClick = [this](TComponent*) { calendar_->MonthBack(); };
    buttons_[2]->OnClick = [this](TComponent*) { calendar_->MonthForward(); };
    buttons_[3]->OnClick = [this](TComponent*) { calendar_->YearForward(); };
    title_ = new TKvLabel(this);
    title_->SetParent(this);
    title_->SetAutoSize(false);
    title_->SetAlignment(taCenter);
    title_->SetLayout(TTextLayout::tlCenter);
    title_->SetTransparent(true);
    title_->SetShadowSize(0);
    title_->OnDblClick = [this](TComponent*) { calendar_->SetCalendarDate(Today()); };
    calendar_ = new TLocCalendar(this);
    calendar_->SetParent(this);
    calendar_->SetParentColor(true);
    calendar_->OnChange = [this](TComponent*) { UpdateTitle(); };
    calendar_->OnMouseUp = [this](TComponent*, TMouseButton button, TShiftState shift, int x, int y) {
        if (button != TMouseButton::mbLeft || (shift & (ssShift | ssCtrl | ssAlt))) return;
        int col, row;
        calendar_->CellAt(x, y, col, row);
        if (calendar_->Model().CellDay(col, row)) Finish(true);
    };
    FitSize();
    UpdateTitle();
}

void TPopupCalendar::FitSize() {
    const double scale = ScreenScale();
    const QSize cell = CalendarCellSize(Font(), calendar_->Settings());
    const int bar = std::max(int(20 * scale), cell.height() + int(4 * scale));
    SetBounds(Left(), Top(), std::max(int(std::max(CalendarPopupSize.X, 180) * scale), cell.width() * 7 + int(4 * scale)),
              std::max(int(std::max(CalendarPopupSize.Y, 120) * scale), bar + cell.height() * 7 + int(2 * scale)));
    Resize();
}

void TPopupCalendar::Resize() {
    TPopupWindow::Resize();
    if (!calendar_) return;
    const double scale = ScreenScale();
    const int w = ClientWidth(), h = ClientHeight();
    const int bar = std::max(int(20 * scale), CalendarCellSize(Font(), calendar_->Settings()).height() + int(4 * scale));
    const int side = bar - int(4 * scale), top = int(2 * scale);
    buttons_[0]->SetBounds(int(2 * scale), top, side, side);
    buttons_[1]->SetBounds(int(2 * scale) + side, top, side, side);
    buttons_[2]->SetBounds(w - int(2 * scale) - 2 * side, top, side, side);
    buttons_[3]->SetBounds(w - int(2 * scale) - side, top, side, side);
    title_->SetBounds(int(2 * scale) + 2 * side, top, w - 4 * side - int(4 * scale), side);
    calendar_->SetBounds(int(2 * scale), bar, w - int(4 * scale), h - bar - int(2 * scale));
}

void TPopupCalendar::ColorChanged() {
    TPopupWindow::ColorChanged();
    if (calendar_) calendar_->SetColor(Color());
}

void TPopupCalendar::SetFormatSettings(const FormatSettings& fs) {
    calendar_->SetFormatSettings(fs);
    FitSize();
    UpdateTitle();
}

void TPopupCalendar::UpdateTitle() {
    TFont font = Font();
    font.Style = fsBold;
    title_->SetFont(font);
    title_->SetCaption(CalendarTitle(calendar_->CalendarDate(), calendar_->Settings()));
}

TPopupValue TPopupCalendar::GetPopupValue() const { return calendar_->CalendarDate(); }

void TPopupCalendar::SetPopupValue(const TPopupValue& value) {
    calendar_->SetCalendarDate(value && IsValidDateValue(*value) && *value != 0 ? std::trunc(*value) : Today());
    UpdateTitle();
}

bool TPopupCalendar::PopupKeyDown(uint16_t key, TShiftState shift) {
    if (TPopupWindow::PopupKeyDown(key, shift)) return true;
    if (key == VK_PRIOR) {
        shift & ssCtrl ? calendar_->YearBack() : calendar_->MonthBack();
        return true;
    }
    if (key == VK_NEXT) {
        shift & ssCtrl ? calendar_->YearForward() : calendar_->MonthForward();
        return true;
    }
    return calendar_->Model().KeyDown(key, shift);
}

bool TPopupCalendar::PopupKeyPress(char32_t key) {
    return TPopupWindow::PopupKeyPress(key) || calendar_->Model().KeyPress(key);
}

TPopupCalendar* MakeCalendarPopup(TCustomComboEdit* edit) { return new TPopupCalendar(edit); }

void ConfigureCalendarPopup(TPopupWindow* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                            TColor weekendColor, const std::vector<std::string>* buttonHints) {
    auto* calendarPopup = dynamic_cast<TPopupCalendar*>(popup);
    if (!calendarPopup || !calendarPopup->Calendar()) return;
    TKvCalendar* calendar = calendarPopup->Calendar();
    calendar->SetStartOfWeek(startOfWeek);
    calendar->SetWeekendColor(weekendColor);
    calendar->SetWeekends(weekends);
    TKvTimerSpeedButton* const buttons[4] = {calendarPopup->Buttons(0), calendarPopup->Buttons(1),
                                             calendarPopup->Buttons(2), calendarPopup->Buttons(3)};
    ApplyHints(buttons, buttonHints);
}

// ---- TSelectDateDlg ----

TSelectDateDlg::TSelectDateDlg(TComponent* owner) : TForm(owner) {
    SetCaption("Select a Date");
    SetBorderStyle(TFormBorderStyle::bsToolWindow);
    SetPosition(TPosition::poScreenCenter);
    TFont font;
    SetDialogFont(font);
    SetFont(font);
    SetShowHint(true);
    SetKeyPreview(true);
    const double scale = ScreenScale();
    auto px = [scale](int v) { return int(v * scale); };
    // Room for the desktop's font in every language: the cells follow the text.
    QSize cell(0, 0);
    for (int language = 1; language <= 3; ++language)
        cell = cell.expandedTo(CalendarCellSize(font, FormatSettings::ForLanguage(language)));
    const int width = std::max(px(222), cell.width() * 7 + px(12));
    const int calendarHeight = std::max(px(111), cell.height() * 7);
    const int top = px(26), buttonHeight = std::max(px(25), QFontMetrics(font.ToQFont()).height() + px(10));
    SetClientSize(width, top + calendarHeight + px(8) + buttonHeight + px(8));

    PrevYearBtn = MakeStepButton(this, this, 0);
    PrevMonthBtn = MakeStepButton(this, this, 1);
    NextMonthBtn = MakeStepButton(this, this, 2);
    NextYearBtn = MakeStepButton(this, this, 3);
    PrevYearBtn->SetName("PrevYearBtn");
    PrevMonthBtn->SetName("PrevMonthBtn");
    NextMonthBtn->SetName("NextMonthBtn");
    NextYearBtn->SetName("NextYearBtn");
    const int side = px(20);
    PrevYearBtn->SetBounds(px(4), px(3), side, side);
    PrevMonthBtn->SetBounds(px(4) + side, px(3), side, side);
    NextMonthBtn->SetBounds(width - px(4) - 2 * side, px(3), side, side);
    NextYearBtn->SetBounds(width - px(4) - side, px(3), side, side);
    PrevYearBtn->OnClick = [this](TComponent* s) { PrevYearBtnClick(s); };
    PrevMonthBtn->OnClick = [this](TComponent* s) { PrevMonthBtnClick(s); };
    NextMonthBtn->OnClick = [this](TComponent* s) { NextMonthBtnClick(s); };
    NextYearBtn->OnClick = [this](TComponent* s) { NextYearBtnClick(s); };

    TitleLabel = new TKvLabel(this);
    TitleLabel->SetName("TitleLabel");
    TitleLabel->SetParent(this);
    TitleLabel->SetAutoSize(false);
    TitleLabel->SetAlignment(taCenter);
    TitleLabel->SetLayout(TTextLayout::tlCenter);
    TitleLabel->SetTransparent(true);
    TitleLabel->SetShadowSize(0);
    TFont titleFont = font;
    titleFont.Color = clBlue;
    titleFont.Style = fsBold;
    TitleLabel->SetFont(titleFont);
    TitleLabel->SetBounds(px(4) + 2 * side, px(3), width - 4 * side - px(8), side);
    TitleLabel->OnDblClick = [this](TComponent* s) { TopPanelDblClick(s); };

    Calendar = new TKvCalendar(this);
    Calendar->SetName("Calendar");
    Calendar->SetParent(this);
    Calendar->SetColor(clWhite);
    Calendar->SetUseCurrentDate(false);
    Calendar->SetBounds(px(6), top, width - px(12), calendarHeight);
    Calendar->OnChange = [this](TComponent* s) { CalendarChange(s); };
    Calendar->OnDblClick = [this](TComponent* s) { CalendarDblClick(s); };

    const int buttonWidth = (width - px(18)) / 2;
    OkButton = new TButton(this);
    OkButton->SetName("OkButton");
    OkButton->SetParent(this);
    OkButton->SetCaption("OK");
    OkButton->SetModalResult(mrOk);
    OkButton->SetDefault(true);
    OkButton->SetBounds(px(6), top + calendarHeight + px(8), buttonWidth, buttonHeight);
    CancelButton = new TButton(this);
    CancelButton->SetName("CancelButton");
    CancelButton->SetParent(this);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetBounds(width - px(6) - buttonWidth, top + calendarHeight + px(8), buttonWidth, buttonHeight);

    OnKeyDown = [this](TComponent* s, uint16_t& key, TShiftState shift) { FormKeyDown(s, key, shift); };
    Calendar->SetCalendarDate(Today());
    CalendarChange(Calendar);
    SetActiveControl(Calendar);
}

void TSelectDateDlg::ShowDateInDialog(TDateTime date) {
    Calendar->SetCalendarDate(date == 0 || !IsValidDateValue(date) ? Today() : std::trunc(date));
    CalendarChange(Calendar);
}

void TSelectDateDlg::PrevYearBtnClick(TComponent*) { Calendar->YearBack(); }
void TSelectDateDlg::PrevMonthBtnClick(TComponent*) { Calendar->MonthBack(); }
void TSelectDateDlg::NextMonthBtnClick(TComponent*) { Calendar->MonthForward(); }
void TSelectDateDlg::NextYearBtnClick(TComponent*) { Calendar->YearForward(); }

void TSelectDateDlg::CalendarChange(TComponent*) {
    TitleLabel->SetCaption(CalendarTitle(Calendar->CalendarDate(), Calendar->Settings()));
}

void TSelectDateDlg::CalendarDblClick(TComponent*) { SetModalResult(mrOk); }
void TSelectDateDlg::TopPanelDblClick(TComponent*) { ShowDateInDialog(Today()); }

void TSelectDateDlg::FormKeyDown(TComponent*, uint16_t& key, TShiftState shift) {
    switch (key) {
    case VK_TAB: (shift & (ssShift | ssCtrl | ssAlt)) == ssShift ? Calendar->MonthBack() : Calendar->MonthForward(); break;
    case VK_RETURN: SetModalResult(mrOk); break;
    case VK_ESCAPE: SetModalResult(mrCancel); break;
    case VK_PRIOR: shift & ssCtrl ? Calendar->YearBack() : Calendar->MonthBack(); break;
    case VK_NEXT: shift & ssCtrl ? Calendar->YearForward() : Calendar->MonthForward(); break;
    default: return;
    }
    TitleLabel->Repaint();
}

TSelectDateDlg* MakeDateDialog(const std::string& caption, const FormatSettings& fs) {
    auto dialog = std::make_unique<TSelectDateDlg>(nullptr);
    if (!caption.empty()) dialog->SetCaption(caption);
    dialog->Calendar->SetFormatSettings(fs);
    dialog->CalendarChange(dialog->Calendar);
    return dialog.release();
}

bool PickDateInDialog(TDateTime& date, const std::string& caption, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                      TColor weekendColor, const std::vector<std::string>* buttonHints, const FormatSettings& fs) {
    const auto free = [](TSelectDateDlg* d) { d->Free(); };
    std::unique_ptr<TSelectDateDlg, decltype(free)> dialog(MakeDateDialog(caption, fs), free);
    dialog->ShowDateInDialog(date);
    dialog->Calendar->SetStartOfWeek(startOfWeek);
    dialog->Calendar->SetWeekends(weekends);
    dialog->Calendar->SetWeekendColor(weekendColor);
    TKvTimerSpeedButton* const buttons[4] = {dialog->PrevYearBtn, dialog->PrevMonthBtn, dialog->NextMonthBtn,
                                             dialog->NextYearBtn};
    ApplyHints(buttons, buttonHints);
    if (dialog->ShowModal() != mrOk) return false;
    date = dialog->DialogDate();
    return true;
}

} // namespace kvz
