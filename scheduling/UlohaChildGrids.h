// The scheduling window's own controls: the hour grids of the day, week and month pages, which
// paint only the cells prepared when they were filled, and the month calendar.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/rtl/DateTime.h"
#include "scheduling/TaskCells.h"

#include <QMetaObject>

#include <memory>
#include <string>
#include <vector>

class QTableView;
class QCalendarWidget;

namespace kvz {

// A string grid of task cells: row 0 and column 0 are its fixed titles, the other cells show
// the prepared cell's task text cut to the grid's length on the task's colour. A cell's text
// (CellText) is the key of the task it shows. OnClick follows a click on a cell.
class TTaskStringGrid : public TWinControl {
public:
    TTaskStringGrid(TComponent* owner, TaskView view, int colCount, int rowCount);
    ~TTaskStringGrid() override;

    int ColCount() const { return colCount_; }
    int RowCount() const { return rowCount_; }
    // Titles of row 0 (columns 1..) and of column 0 (rows 1..).
    void SetColumnTitles(const std::vector<std::string>& titles);
    void SetRowTitles(const std::vector<std::string>& titles);
    std::string ColumnTitle(int col) const;
    std::string RowTitle(int row) const;
    // The cells to paint; the grid keeps a pointer and repaints.
    void SetCells(const TaskCellGrid* cells);
    std::string CellText(int col, int row) const;
    // The key of the cell at the point (the coordinates of the mouse events); empty over a
    // title, an empty cell or nothing.
    std::string KeyAt(int x, int y) const;
    // What the painted cell shows (the cut text), for tests and pictures.
    std::string ShownText(int col, int row) const;
    bool Enlarged() const { return enlarged_; }
    void SetEnlarged(bool on);
    // The chosen cell (Col, Row), 1-based as the grid counts.
    int Col() const;
    int Row() const;
    void SelectCell(int col, int row);
    void SetDefaultSizes(int colWidth, int rowHeight, int firstColWidth);
    void SetColWidth(int col, int width);
    // Cells without a task: the grid's background.
    TColor GridColor() const { return gridColor_; }
    void SetGridColor(TColor color);
    QTableView* View() const;

private:
    class Model;
    TaskView view_;
    int colCount_, rowCount_;
    bool enlarged_ = false;
    TColor gridColor_ = 0x00FFFF;
    std::unique_ptr<Model> model_;
};

// The project tree's pictures, drawn by the program: the task lists (all tasks, a
// sub-project), a project's closed folder and its folder open while it is chosen.
enum ProjectTreeImage : int { kTaskListImage = 0, kProjectImage = 1, kOpenProjectImage = 2 };
void FillProjectTreeImages(TImageList& images);

// The month calendar: the month's days with week numbers, the first day of the week set, the
// title's and the month's colours. OnClick follows the choice of a day.
class TMonthCalendar : public TWinControl {
public:
    explicit TMonthCalendar(TComponent* owner);
    ~TMonthCalendar() override;
    TDateTime Date() const;
    // Sets the date without raising OnClick.
    void SetDate(TDateTime date);
    // 1 Monday .. 7 Sunday.
    int FirstDayOfWeek() const;
    void SetFirstDayOfWeek(int day);
    bool WeekNumbers() const;
    void SetWeekNumbers(bool on);
    // The calendar's colours: month background, title background, title text, text.
    TColor MonthBackColor() const { return monthBack_; }
    TColor TitleBackColor() const { return titleBack_; }
    TColor TitleTextColor() const { return titleText_; }
    TColor TextColor() const { return text_; }
    void SetColors(TColor monthBack, TColor titleBack, TColor titleText, TColor text);
    QCalendarWidget* Calendar() const;
    // The focus went from the calendar (or a part of it) to a control outside it.
    TNotifyEvent OnFocusLost;

private:
    void ApplyColors();
    // The application's focus changes, followed while the calendar lives.
    QMetaObject::Connection focusWatch_;
    TColor monthBack_ = 0xE6E6E6, titleBack_ = 0xA00000, titleText_ = 0xFFFFFF, text_ = 0;
};

} // namespace kvz
