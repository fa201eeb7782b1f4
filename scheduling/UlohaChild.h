// The scheduling window: the task table in a day, a week and a month grid, a survey grid and a
// project tree with a task list, beside a calendar, the current task's text, a small task grid
// and the All / Compl. / Failure buttons. The rules live in TaskCells and Recurrence; this
// window places controls, fills the grids' prepared cells and calls the rules.
#pragma once

#include "controls/KVCtrls.h"
#include "controls/KVDBCtrl.h"
#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "scheduling/Recurrence.h"
#include "scheduling/TaskCells.h"
#include "scheduling/TaskDayIndex.h"
#include "scheduling/TaskEditorService.h"
#include "scheduling/TaskSelection.h"
#include "scheduling/UlohaChildGrids.h"

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <string>
#include <vector>

namespace kvz {

class TDataModule1;
class TVolgaTable;

// How the task editor is asked for from this window.
enum class TaskEditorCall { Insert, Edit, Clone };

// Settings slots of the window, by their names in the settings store.
namespace UlohaSlots {
inline constexpr int GridBack = Slot::TasksGridBack, MemoBack = Slot::TasksMemoBack;
inline constexpr int GridFontColor = Slot::TasksGridFontColor, MemoFontColor = Slot::TasksMemoFontColor;
inline constexpr int GridFontSize = Slot::TasksGridFontSize, MemoFontSize = Slot::TasksMemoFontSize;
inline constexpr int MemoStyle = Slot::TasksMemoStyle, GridStyle = Slot::TasksGridStyle;
inline constexpr int CalendarMonthBack = Slot::CalendarMonthBack, CalendarTitleBack = Slot::CalendarTitleBack;
inline constexpr int CalendarTitleText = Slot::CalendarTitleText, CalendarText = Slot::CalendarText;
inline constexpr int WeekNumbers = Slot::WeekNumbers, StartPage = Slot::TasksPage;
inline constexpr int SmallGridWidths[4] = {Slot::TasksGridWidth1, Slot::TasksGridWidth2, Slot::TasksGridWidth3,
                                           Slot::TasksGridWidth4};
inline constexpr int SurveyWidths[4] = {Slot::TasksSurveyWidth1, Slot::TasksSurveyWidth2, Slot::TasksSurveyWidth3,
                                        Slot::TasksSurveyWidth4};
inline constexpr int MemoFontNameText = TextSlot::TasksMemoFontName, GridFontNameText = TextSlot::TasksGridFontName;
} // namespace UlohaSlots

class TUlohaChildForm : public TForm, public ModuleWindow, public TasksWindowServices, private TaskFilterHost {
public:
    TUlohaChildForm(TComponent* owner, TDataModule1& data, FrameState& frame);
    ~TUlohaChildForm() override;

    // ---- what the frame window asks ----
    TForm& Form() override { return *this; }
    int Module() const override { return TasksModule; }
    RecordBarState State(const ModuleContext& context) const override;
    // The record commands as the frame window ran them for the tasks, the detail, the grid
    // size and the payments.
    void Run(Command command) override;
    std::optional<TableId> RecordTable() const override { return TableId::Tasks; }
    void TablesChanged() override { PageControl1Change(); }
    void ApplySetting(ModuleSetting setting, int value) override;
    void FormShow() override;
    void UlozDoPola() override;
    void UlohaTable1FilterRecord(TDataSet& dataSet, bool& accept) override;
    bool DayPageShown() const override { return PageControl1->ActivePageIndex() == 0; }
    TDateTime SelectedTaskDate() const override { return CurrentDay; }
    void PageControlChange() { PageControl1Change(); }
    TDateTime CalendarDate() const { return MonthCalendar1->Date(); }
    void SetCalendarDate(TDateTime date);
    void SetDayGridReadOnly(bool on);
    void SetListGridReadOnly(bool on);
    std::vector<std::string> SelectedRecordCodes() const override;
    std::vector<std::string> CheckedTaskCodes() const { return {}; }
    void ChangeFirstDay(int value);
    void SetWeekNumbers(bool on) { MonthCalendar1->SetWeekNumbers(on); }
    // Saves the task table and starts the companion reminder program.
    void AktualButtonClick();
    // The detail balloon beside the clicked task.
    void ViewDetail();
    // The paid invoice task done (the payment form's "Paid bills" reaches the task table the
    // same way, without this window).
    void StopInvoiceRemind(const std::string& key);
    void ShowMaximisedGrid(bool on);

    // ---- the window's own handlers ----
    void FormCreate();
    void FormClose(TCloseAction& action);
    void PageControl1Change();
    void ShowCaptions();
    void NaplnWeekPole();
    void NaplnMonthPole();
    void LoadDayTasks();
    void LoadTasks();
    void LoadMonthTasks();
    void ShowLabel();
    void MonthCalendar1Click();
    void AllJobsButtonClick() { filterButtons_.Click(TaskFilterButton::All), SyncFilterButtons(); }
    void CompleteButtonClick() { filterButtons_.Click(TaskFilterButton::Completed), SyncFilterButtons(); }
    void FailureButtonClick() { filterButtons_.Click(TaskFilterButton::Failure), SyncFilterButtons(); }
    void StringGrid1Click();
    void StringGrid2Click();
    void StringGrid3Click();
    void ListView1Click();
    void TaskKvGridCellClick();
    void UlohaDbGridCellClick();
    void TaskKvGridTitleClick(int column);
    // A grid that loses the focus gets an Escape, which drops an edit left open in a cell.
    void GridExit(TKvDBGrid& grid);
    void TreeView1Click();
    // Several cells of the week (StringGrid2) and month (StringGrid3) grids chosen by the mouse
    // or by Shift and a key.
    void GridMouseDown(TMouseButton button);
    void GridMouseMove(TTaskStringGrid& grid, int x, int y);
    void GridMouseUp();
    void GridKeyDown(TTaskStringGrid& grid, TShiftState shift);
    // A left press in the small grid gives the shared font dialog its font.
    void Panel2MouseDown(TComponent* sender, TMouseButton button);
    void PopupMenu1Popup();
    void AddPopupClick();
    void DeletePopupClick();
    void EditPopupClick();
    void CloneTaskPopupClick();
    void DetailPopupClick() { ViewDetail(); }
    void SetupPopupMenuClick();
    void PayPopupClick();
    void LoadViewList();
    void RebuildProjectTree();

    // The unit-wide state the other windows read.
    TaskView TaskViewMode() const { return viewMode_; }
    TDateTime CurrentDay = 0;
    std::array<TDateTime, 7> WeekDays{};
    std::vector<TDateTime> MonthDays;
    std::string ClickedTaskKey;
    TPoint ClickPoint{};
    // The keys of the cells chosen together, in the order they were added; the window's Tag is
    // 1 while the task editor is to edit them all.
    const std::vector<std::string>& SelectedTaskKeys() const { return selection_.Keys(); }
    const TaskSelection& Selection() const { return selection_; }
    int FirstDay() const;
    const TaskCellGrid& DayCells() const { return dayCells_; }
    const TaskCellGrid& WeekCells() const { return weekCells_; }
    const TaskCellGrid& MonthCells() const { return monthCells_; }
    const std::vector<ProjectTreeItem>& ProjectTree() const { return tree_; }

    // What the task editor asks of this window when it opens it: the date label, the day, the
    // chosen tasks; what the window does after a save, a cancel and the editor's close.
    TaskEditorHost& EditorHost() { return editorHost_; }

    // Hooks the program sets: the task editor (Insert, Edit, clone; the program opens it through
    // the task editor service with this window as its host), the settings dialog, the frame
    // window's status bar text, the pay controls, the enlarge toggle's state.
    std::function<void(TaskEditorCall)> OpenTaskEditor;
    std::function<void()> OpenSetup;
    std::function<void()> FrameStatusBar;
    std::function<void(bool)> EnablePay;
    std::function<bool()> EnlargeToggleDown;

    // Controls.
    TLabel* StatusLabel;
    TLabel* DateLabel;
    TLabel* KvLabel1;
    TMonthCalendar* MonthCalendar1;
    TPageControl* PageControl1;
    TTabSheet* DayTabSheet;
    TTabSheet* WeekTabSheet;
    TTabSheet* MonthTabSheet;
    TTabSheet* TabSheet1;
    TTabSheet* TabSheet2;
    TTaskStringGrid* StringGrid1;
    TTaskStringGrid* StringGrid2;
    TTaskStringGrid* StringGrid3;
    TKvDBGrid* TaskKvGrid;
    TTreeView* TreeView1;
    TListView* ListView1;
    TKvDBGrid* UlohaDbGrid;
    TDBMemo* DBMemo1;
    TPanel* Panel1;
    TKvSpeedButton* AktualButton;
    TKvSpeedButton* AllJobsButton;
    TKvSpeedButton* CompleteButton;
    TKvSpeedButton* FailureButton;
    TPopupMenu* PopupMenu1;
    TMenuItem* AddPopup;
    TMenuItem* DeletePopup;
    TMenuItem* EditPopup;
    TMenuItem* CloneTaskPopup;
    TMenuItem* DetailPopup;
    TMenuItem* SetupPopupMenu;
    TMenuItem* PayPopup;

private:
    // TaskFilterHost: what the All / Compl. / Failure buttons change.
    void SetFiltered(bool on) override;
    void SetFilterExpression(const std::string& expression) override;
    void SetDateLabelVisible(bool on) override { DateLabel->SetVisible(on); }
    void SetStatus(TaskStatusText text) override;
    void PageRefresh() override { PageControl1Change(); }
    void FrameStatusText() override;

    void BuildControls();
    void SetCaptionsForLanguage();
    void ApplyViewSettings();
    void SyncFilterButtons();
    TVolgaTable& Tasks() const;
    void Refilter();
    // The view's filter, prepared when the view changes and read for every task.
    void PrepareFilter();
    // Fills a grid's prepared cells from the tasks the filter lets through, without moving the
    // task table.
    void FillCells(TaskView view, TaskCellGrid& cells, TTaskStringGrid& grid);
    void TaskClick(TControl& control, const std::string& key, bool movesCalendar);
    bool Enlarged() const;
    // Runs a command as the frame window's button does, through the frame when it listens.
    void AskCommand(Command command);
    // Shows what the selection asks after a step.
    void ShowSelection(SelectionShow show);
    std::string TaskDateText(const std::string& key);
    // The record codes of the grid's marked rows in the order they were marked, when it has
    // more than one.
    std::vector<std::string> MarkedRecordCodes(TKvDBGrid& grid) const;
    void ShowOpenProject();

    class Host : public TaskEditorHost {
    public:
        explicit Host(TUlohaChildForm& w) : w_(w) {}
        std::string DateCaption() const override { return w_.DateLabel->Caption(); }
        TDateTime CurrentDay() const override { return w_.CurrentDay; }
        std::vector<std::string> SelectedTaskKeys() const override { return w_.SelectedRecordCodes(); }
        std::vector<std::string> SeriesTaskKeys() const override;
        void TasksSaved(const TaskSaveResult&) override;
        void EditingCancelled() override { w_.AskCommand(Command::Cancel); }
        void EditorClosed() override;

    private:
        TUlohaChildForm& w_;
    };

    TDataModule1& data_;
    FrameState& frame_;
    TImageList treeImages_{16, 16};
    TaskView viewMode_ = TaskView::Day;
    TaskFilterButtons filterButtons_{*this};
    TaskCellGrid dayCells_, weekCells_, monthCells_;
    std::vector<ProjectTreeItem> tree_;
    ProjectNodeChoice node_;
    TaskViewFilter filter_;
    // The task table by day, read again when the table's rows, their bytes or their order
    // changed since it was read; the grids are filled from it.
    struct TableStamp {
        size_t Rows = 0;
        uint64_t Hash = 0;
        uint64_t Posts = 0;
        std::string Order;
        unsigned SortOptions = 0;
        bool operator==(const TableStamp&) const = default;
    };
    TableStamp CurrentTableStamp() const;
    void ReadDayIndex();
    bool DayIndexCurrent() const;
    TaskDayIndex dayIndex_;
    std::optional<TableStamp> indexStamp_;
    // The refilter of this page change found the index current.
    bool indexCheckedNow_ = false;
    // Posts and reopenings of the task table, counted by a link to its data source.
    uint64_t tablePosts_ = 0;
    class TableWatch;
    std::unique_ptr<TableWatch> tableWatch_;
    // What the task list was filled with, and the tree nodes' places in the project tree.
    struct ListShown {
        TableStamp Stamp;
        bool Filtered = false;
        std::string FilterText;
        ProjectNodeChoice::Kind What = ProjectNodeChoice::None;
        std::string Text;
        int Language = 0;
        bool operator==(const ListShown&) const = default;
    };
    std::optional<ListShown> listShown_;
    std::unordered_map<const TTreeNode*, int> treePlaces_;
    TaskSelection selection_;
    Host editorHost_{*this};
    // The next Edit opens the task editor on a copy of the task (the Clone command).
    bool cloneNext_ = false;
    bool rootChosen_ = false;
    // A task is being typed in the editor (after Insert or Edit).
    bool editing_ = false, inserting_ = false;
    // Pay waits for a click on an invoice or a payment.
    bool payOn_ = false;
    // The frame window's enlarge toggle is down: side panels hidden, cell texts cut longer.
    bool enlarged_ = false;
    // The first day of the week, 1 Monday .. 7 Sunday, of the calendar and the week grid alike.
    int firstDay_ = 1;
};

} // namespace kvz
