#include "scheduling/UlohaChild.h"

#include "core/AnyYearDates.h"
#include "core/Data1.h"
#include "core/DataModuleParts.h"
#include "core/FrameServices.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/Info.h"
#include "scheduling/Pay.h"
#include "scheduling/TaskOperations.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTableView>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

namespace kvz {

namespace {

const char* L(const char* en, const char* sk, const char* cz) {
    const int l = Language();
    return l == 2 ? sk : l == 3 ? cz : en;
}

// The task fields the grids read, from the record the fields look at.
TaskCellSource ReadTaskCell(TDataSet& t) {
    TaskCellSource s;
    s.Number = t.FieldByName("Number").AsString();
    const TField& date = t.FieldByName("Date");
    s.Date = date.IsNull() ? 0 : date.AsDateTime();
    s.Time = t.FieldByName("Time").AsString();
    s.Color = static_cast<uint32_t>(t.FieldByName("Color").AsInteger());
    s.Uloha = t.FieldByName("Uloha").AsString();
    return s;
}

SettingsStore* Settings(FrameState& frame) { return frame.Settings; }

uint64_t Mix(uint64_t hash, uint64_t value) {
    hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
    return hash;
}

} // namespace

// Counts what the task table's data source reports of its rows: each record written back and
// each opening or closing. Deletions, reloads and edits through another dataset show in the
// rows themselves (see CurrentTableStamp).
class TUlohaChildForm::TableWatch : public TDataLink {
public:
    explicit TableWatch(uint64_t& posts) : posts_(posts) {}

protected:
    void ActiveChanged() override { ++posts_; }
    void UpdateData() override { ++posts_; }
    void DataSetChanged() override {}
    void DataSetScrolled(int) override {}

private:
    uint64_t& posts_;
};

TUlohaChildForm::TUlohaChildForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame) {
    SetName("UlohaChildForm");
    SetFormStyle(TFormStyle::fsMDIChild);
    BuildControls();
    tableWatch_ = std::make_unique<TableWatch>(tablePosts_);
    tableWatch_->SetDataSource(data_.UlohaSource);
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    SetClientSize(980, 620);
    FormCreate();
    FormShow();
}

TUlohaChildForm::~TUlohaChildForm() {
    // The controls go after this body; their last events must not reach this window.
    PageControl1->OnChange = nullptr;
    MonthCalendar1->OnClick = nullptr;
    MonthCalendar1->OnFocusLost = nullptr;
    TreeView1->OnChange = nullptr;
    ListView1->OnSelectItem = nullptr;
    ListView1->OnClick = nullptr;
    // The task table outlives the window: its filter must never reach a freed window, also when
    // the frame window frees it without closing it.
    if (frame_.TasksWindow == this) frame_.TasksWindow = nullptr;
    if (data_.TaskTable) {
        data_.TaskTable->SetFiltered(false);
    }
}

TVolgaTable& TUlohaChildForm::Tasks() const { return *data_.TaskTable; }

void TUlohaChildForm::BuildControls() {
    StatusLabel = MakeControl<TLabel>(this, this, "StatusLabel");
    DateLabel = MakeControl<TLabel>(this, this, "DateLabel");
    KvLabel1 = MakeControl<TLabel>(this, this, "KvLabel1");
    for (TLabel* l : {StatusLabel, DateLabel}) l->SetFont({"Tahoma", 14, clNavy, fsBold | fsItalic});
    KvLabel1->SetFont({"Tahoma", 12, clMaroon, fsBold | fsItalic});
    KvLabel1->Hide();
    MonthCalendar1 = MakeControl<TMonthCalendar>(this, this, "MonthCalendar1");
    MonthCalendar1->SetShowHint(true);
    MonthCalendar1->OnClick = [this](TComponent*) { MonthCalendar1Click(); };
    // A day moved to by the keyboard is shown once the calendar is left.
    MonthCalendar1->OnFocusLost = [this](TComponent*) {
        if (std::floor(MonthCalendar1->Date()) != std::floor(CurrentDay)) MonthCalendar1Click();
    };

    PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1");
    auto sheet = [&](const char* name) {
        auto* s = MakeControl<TTabSheet>(this, PageControl1, name);
        s->SetPageControl(PageControl1);
        return s;
    };
    DayTabSheet = sheet("DayTabSheet");
    WeekTabSheet = sheet("WeekTabSheet");
    MonthTabSheet = sheet("MonthTabSheet");
    TabSheet1 = sheet("TabSheet1");
    TabSheet2 = sheet("TabSheet2");
    PageControl1->OnChange = [this](TComponent*) { PageControl1Change(); };

    StringGrid1 = MakeControl<TTaskStringGrid>(this, DayTabSheet, "StringGrid1", TaskView::Day, 7, 25);
    StringGrid1->SetDefaultSizes(52, 22, 50);
    StringGrid2 = MakeControl<TTaskStringGrid>(this, WeekTabSheet, "StringGrid2", TaskView::Week, 8, 25);
    StringGrid2->SetDefaultSizes(49, 22, 24);
    StringGrid3 = MakeControl<TTaskStringGrid>(this, MonthTabSheet, "StringGrid3", TaskView::Month, 25, 32);
    StringGrid3->SetDefaultSizes(16, 16, 24);
    StringGrid1->OnClick = [this](TComponent*) { StringGrid1Click(); };
    StringGrid2->OnClick = [this](TComponent*) { StringGrid2Click(); };
    StringGrid3->OnClick = [this](TComponent*) { StringGrid3Click(); };
    for (TTaskStringGrid* g : {StringGrid2, StringGrid3}) {
        g->OnMouseDown = [this](TComponent*, TMouseButton button, TShiftState, int, int) { GridMouseDown(button); };
        g->OnMouseMove = [this, g](TComponent*, TShiftState, int x, int y) { GridMouseMove(*g, x, y); };
        g->OnMouseUp = [this](TComponent*, TMouseButton, TShiftState, int, int) { GridMouseUp(); };
        g->OnKeyDown = [this, g](TComponent*, uint16_t&, TShiftState shift) { GridKeyDown(*g, shift); };
    }
    for (auto [grid, sheetOf] : {std::pair{StringGrid1, DayTabSheet}, {StringGrid2, WeekTabSheet}, {StringGrid3, MonthTabSheet}}) {
        auto* box = new QVBoxLayout(sheetOf->Widget());
        box->setContentsMargins(2, 2, 2, 2);
        box->addWidget(grid->Widget());
    }

    TaskKvGrid = MakeControl<TKvDBGrid>(this, TabSheet1, "TaskKvGrid");
    TaskKvGrid->SetTitleButtons(true);
    (new QVBoxLayout(TabSheet1->Widget()))->addWidget(TaskKvGrid->Widget());
    TaskKvGrid->OnTitleBtnClick = [this](TComponent*, int column, TField*) { TaskKvGridTitleClick(column); };
    TaskKvGrid->OnCellClick = [this](TComponent*, TColumn&) { TaskKvGridCellClick(); };
    TaskKvGrid->OnMouseUp = [this](TComponent*, TMouseButton, TShiftState, int, int) {
        if (!Tasks().IsEmpty() && !Tasks().FieldByName("Number").AsString().empty()) ShowLabel();
    };

    TreeView1 = MakeControl<TTreeView>(this, TabSheet2, "TreeView1");
    TreeView1->SetReadOnly(true);
    TreeView1->SetColor(clInfoBk);
    TFont treeFont = TreeView1->Font();
    treeFont.Color = clInfoText;
    TreeView1->SetFont(treeFont);
    FillProjectTreeImages(treeImages_);
    TreeView1->SetImages(&treeImages_);
    TreeView1->OnChange = [this](TComponent*, TTreeNode*) { TreeView1Click(); };
    ListView1 = MakeControl<TListView>(this, TabSheet2, "ListView1");
    ListView1->SetViewStyle(TViewStyle::vsReport);
    const std::pair<const char*, int> listColumns[] = {{"Task", 200}, {"Date", 85}, {"Time", 60}, {"Start", 60},
                                                       {"End", 60},   {"Owner", 80}, {"N", 1}};
    for (auto [caption, width] : listColumns) ListView1->AddColumn(caption, width);
    // The last column carries the task's key and is not meant to be seen.
    QHeaderView* listHeader = static_cast<QTreeWidget*>(ListView1->Widget())->header();
    listHeader->setStretchLastSection(false);
    listHeader->setMinimumSectionSize(1);
    listHeader->setSectionResizeMode(6, QHeaderView::Fixed);
    listHeader->resizeSection(6, 1);
    ListView1->OnClick = [this](TComponent*) { ListView1Click(); };
    ListView1->OnSelectItem = [this](TComponent*, TListItem*, bool selected) {
        if (selected) ListView1Click();
    };
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(TreeView1->Widget());
    split->addWidget(ListView1->Widget());
    split->setStretchFactor(1, 1);
    split->setSizes({200, 500});
    (new QVBoxLayout(TabSheet2->Widget()))->addWidget(split);

    UlohaDbGrid = MakeControl<TKvDBGrid>(this, this, "UlohaDbGrid");
    UlohaDbGrid->OnCellClick = [this](TComponent*, TColumn&) { UlohaDbGridCellClick(); };
    UlohaDbGrid->OnExit = [this](TComponent*) { GridExit(*UlohaDbGrid); };
    for (TKvDBGrid* g : {TaskKvGrid, UlohaDbGrid})
        g->OnMouseDown = [this](TComponent* sender, TMouseButton button, TShiftState, int, int) { Panel2MouseDown(sender, button); };
    TaskKvGrid->OnExit = [this](TComponent*) { GridExit(*TaskKvGrid); };
    DBMemo1 = MakeControl<TDBMemo>(this, this, "DBMemo1");
    DBMemo1->SetDataField("Uloha");

    Panel1 = MakeControl<TPanel>(this, this, "Panel1");
    auto button = [&](const char* name) {
        auto* b = MakeControl<TKvSpeedButton>(this, Panel1, name);
        b->SetFlat(false);
        return b;
    };
    AktualButton = button("AktualButton");
    AllJobsButton = button("AllJobsButton");
    CompleteButton = button("CompleteButton");
    FailureButton = button("FailureButton");
    AktualButton->OnClick = [this](TComponent*) { AktualButtonClick(); };
    AllJobsButton->OnClick = [this](TComponent*) { AllJobsButtonClick(); };
    CompleteButton->OnClick = [this](TComponent*) { CompleteButtonClick(); };
    FailureButton->OnClick = [this](TComponent*) { FailureButtonClick(); };
    // One group in which at most one is down and all may be up; the rule keeps their state.
    for (TKvSpeedButton* b : {AllJobsButton, CompleteButton, FailureButton}) {
        b->SetGroupIndex(1);
        b->SetAllowAllUp(true);
    }
    auto* buttons = new QHBoxLayout(Panel1->Widget());
    buttons->setContentsMargins(2, 2, 2, 2);
    for (TKvSpeedButton* b : {AktualButton, AllJobsButton, CompleteButton, FailureButton}) {
        b->Widget()->setMinimumSize(58, 26);
        buttons->addWidget(b->Widget());
    }

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    auto item = [&](const char* name) { return AddMenuItem(this, PopupMenu1->Items(), name); };
    AddPopup = item("AddPopup");
    DeletePopup = item("DeletePopup");
    EditPopup = item("EditPopup");
    CloneTaskPopup = item("CloneTaskPopup");
    DetailPopup = item("DetailPopup");
    SetupPopupMenu = item("SetupPopupMenu");
    PayPopup = item("PayPopup");
    AddPopup->OnClick = [this](TComponent*) { AddPopupClick(); };
    DeletePopup->OnClick = [this](TComponent*) { DeletePopupClick(); };
    EditPopup->OnClick = [this](TComponent*) { EditPopupClick(); };
    CloneTaskPopup->OnClick = [this](TComponent*) { CloneTaskPopupClick(); };
    DetailPopup->OnClick = [this](TComponent*) { DetailPopupClick(); };
    SetupPopupMenu->OnClick = [this](TComponent*) { SetupPopupMenuClick(); };
    PayPopup->OnClick = [this](TComponent*) { PayPopupClick(); };
    PopupMenu1->OnPopup = [this](TComponent*) { PopupMenu1Popup(); };
    for (TControl* c : std::initializer_list<TControl*>{this, StringGrid1, StringGrid2, StringGrid3, MonthCalendar1, ListView1})
        c->SetPopupMenu(PopupMenu1);

    auto* labels = new QHBoxLayout;
    labels->addWidget(StatusLabel->Widget());
    labels->addWidget(DateLabel->Widget());
    labels->addStretch();
    labels->addWidget(KvLabel1->Widget());
    auto* side = new QVBoxLayout;
    side->addWidget(MonthCalendar1->Widget());
    side->addWidget(Panel1->Widget());
    side->addWidget(UlohaDbGrid->Widget(), 2);
    side->addWidget(DBMemo1->Widget(), 1);
    MonthCalendar1->Widget()->setMinimumSize(260, 190);
    auto* body = new QHBoxLayout;
    body->addWidget(PageControl1->Widget(), 1);
    body->addLayout(side);
    auto* column = new QVBoxLayout(ClientWidget());
    column->addLayout(labels);
    column->addLayout(body, 1);
}

void TUlohaChildForm::FormCreate() {
    const TDateTime today = std::floor(Now());
    MonthCalendar1->SetDate(today);
    DateLabel->SetCaption(FormatDateTime("ddddd", today, FormatSettings::ForLanguage(Language())));
    frame_.ActiveModule = TasksModule;
    // The task table's record filter is this window's while it lives (the data module calls
    // through frame_.TasksWindow, cleared when the window goes).
    frame_.TasksWindow = this;
    TDataSource* source = data_.UlohaSource;
    for (TKvDBGrid* g : {TaskKvGrid, UlohaDbGrid}) {
        g->SetDataSource(source);
        const TDBGridOptions o = g->Options();
        g->SetOptions(frame_.NetworkMode ? (o & ~dgMultiSelect) : (o | dgMultiSelect));
    }
    DBMemo1->SetDataSource(source);
    // A shared table changes only through its writer: what is typed here while the window
    // browses would reach the file unasked with the next save, or block every save in network
    // mode. The task editor opens the grids while it is open.
    SetDayGridReadOnly(true);
    SetListGridReadOnly(true);
    DBMemo1->SetReadOnly(true);
    const struct { const char* field; int width; } survey[] = {{"Priority", 12}, {"Date", 59},     {"Time", 65},
                                                                {"Uloha", 225},   {"Project", 95}, {"SubProject", 95},
                                                                {"Completed", 70}};
    for (const auto& c : survey) {
        TColumn& col = TaskKvGrid->Columns().Add();
        col.SetFieldName(c.field);
        col.SetWidth(c.width);
    }
    const struct { const char* field; int width; } small[] = {{"Priority", 10}, {"Date", 53}, {"Time", 55}, {"Uloha", 120}};
    for (const auto& c : small) {
        TColumn& col = UlohaDbGrid->Columns().Add();
        col.SetFieldName(c.field);
        col.SetWidth(c.width);
    }
    auto colours = [this](TKvDBGrid* grid) {
        return [this, grid](TComponent*, TField* field, TFont& font, TColor& background, bool) {
            if (!field || field->FieldName() == "Priority" || !grid->DataSet()) return;
            const uint32_t color = static_cast<uint32_t>(grid->DataSet()->FieldByName("Color").AsInteger());
            if (color == 0xFFFFFF) return;
            background = color;
            font.Color = ContrastTextColor(color, clBlack);
        };
    };
    TaskKvGrid->OnGetCellParams = colours(TaskKvGrid);
    UlohaDbGrid->OnGetCellParams = colours(UlohaDbGrid);
}

int TUlohaChildForm::FirstDay() const { return firstDay_; }

void TUlohaChildForm::SetCaptionsForLanguage() {
    DayTabSheet->SetCaption(L("Day", "Deň", "Den"));
    WeekTabSheet->SetCaption(L("Week", "Týždeň", "Týden"));
    MonthTabSheet->SetCaption(L("Month", "Mesiac", "Měsíc"));
    TabSheet1->SetCaption(L("Survey", "Prehľad", "Přehled"));
    TabSheet2->SetCaption(L("List", "Zoznam", "Seznam"));
    AktualButton->SetCaption(L("Actual", "Aktual", "Aktual"));
    AllJobsButton->SetCaption(L("All", "Všetko", "Vše"));
    CompleteButton->SetCaption(L("Compl.", "Spln.", "Splněn"));
    FailureButton->SetCaption(L("Failure", "Nespl.", "Nespl."));
    StatusLabel->SetCaption(StatusTextOf(TaskStatusText::TaskFor, Language()));
    MonthCalendar1->SetHint(L("Calendar", "Kalendár", "Kalendář"));
    const char* date = L("Date", "Dátum", "Datum");
    const char* time = L("Time", "Čas", "Čas");
    const char* task = L("Task", "Úloha", "Úkol");
    const char* const surveyTitles[7] = {"P", date, time, task, L("Project", "Projekt", "Projekt"),
                                         L("Partial project", "Podprojekt", "Podprojekt"),
                                         L("Complete", "Hotovo", "Ukončeno")};
    for (int i = 0; i < TaskKvGrid->Columns().Count() && i < 7; ++i)
        TaskKvGrid->Columns()[i].SetTitleCaption(surveyTitles[i]);
    for (int i = 0; i < UlohaDbGrid->Columns().Count() && i < 4; ++i)
        UlohaDbGrid->Columns()[i].SetTitleCaption(surveyTitles[i]);
    const char* const list[6] = {task, date, time, L("Start", "Štart", "Start"), L("End", "Stop", "Stop"),
                                 L("Owner", "Vykonáva", "Vykonavatel")};
    for (int i = 0; i < 6; ++i) ListView1->Columns(i)->SetCaption(list[i]);
    AddPopup->SetCaption(L("New task", "Nová úloha", "Nový úkol"));
    DeletePopup->SetCaption(L("Delete task", "Zmazať úlohu", "Smazať úkol"));
    EditPopup->SetCaption(L("Edit task", "Upraviť úlohu", "Změnit úkol"));
    CloneTaskPopup->SetCaption(L("Clone task", "Klonovať úlohu", "Klonuj úkol"));
    DetailPopup->SetCaption(L("View detail", "Zobraziť detail", "Zobrazit detail"));
    SetupPopupMenu->SetCaption(L("Setup", "Nastavenie", "Nastavení"));
    PayPopup->SetCaption(L("Pay invoice", "Zaplatiť faktútu", "Zaplatit fakturu"));
}

void TUlohaChildForm::ApplyViewSettings() {
    SettingsStore* s = Settings(frame_);
    if (!s) return;
    const auto& n = s->Nastavenia;
    const auto& t = s->NastaveniaText;
    using namespace UlohaSlots;
    TFont gridFont{t[GridFontNameText], n[GridFontSize], TColor(n[GridFontColor]), StyleOfCode(n[GridStyle]).value_or(0)};
    TFont memoFont{t[MemoFontNameText], n[MemoFontSize], TColor(n[MemoFontColor]), StyleOfCode(n[MemoStyle]).value_or(0)};
    for (TKvDBGrid* g : {TaskKvGrid, UlohaDbGrid}) {
        g->SetColor(TColor(n[GridBack]));
        g->SetFont(gridFont);
    }
    DBMemo1->SetColor(TColor(n[MemoBack]));
    DBMemo1->SetFont(memoFont);
    MonthCalendar1->SetColors(TColor(n[CalendarMonthBack]), TColor(n[CalendarTitleBack]), TColor(n[CalendarTitleText]),
                              TColor(n[CalendarText]));
    if (n[WeekNumbers] == 0 || n[WeekNumbers] == 1) MonthCalendar1->SetWeekNumbers(n[WeekNumbers] == 1);
    // Dates show four-digit years: a stored width too narrow for them is widened.
    const int dateWidth = QFontMetrics(gridFont.ToQFont()).horizontalAdvance(QStringLiteral("00/00/0000")) + 8;
    for (int i = 0; i < 4; ++i) {
        if (n[SmallGridWidths[i]] > 0 && i < UlohaDbGrid->Columns().Count())
            UlohaDbGrid->Columns()[i].SetWidth(n[SmallGridWidths[i]]);
        if (n[SurveyWidths[i]] > 0 && i < TaskKvGrid->Columns().Count())
            TaskKvGrid->Columns()[i].SetWidth(n[SurveyWidths[i]]);
    }
    for (TKvDBGrid* g : {TaskKvGrid, UlohaDbGrid})
        if (g->Columns().Count() > 1 && g->Columns()[1].Width() < dateWidth) g->Columns()[1].SetWidth(dateWidth);
}

void TUlohaChildForm::FormShow() {
    SetCaptionsForLanguage();
    const int language = Language();
    MonthCalendar1->Widget()->setLocale(language == 2   ? QLocale(QLocale::Slovak)
                                        : language == 3 ? QLocale(QLocale::Czech)
                                                        : QLocale(QLocale::English, QLocale::UnitedKingdom));
    ApplyViewSettings();
    ChangeFirstDay(frame_.Settings ? frame_.Settings->Nastavenia[Slot::FirstWeekDay] : 1);
    Tasks().SetFiltered(false);
    CurrentDay = std::floor(Now());
    MonthCalendar1->SetDate(CurrentDay);
    const int page = frame_.Settings ? frame_.Settings->Nastavenia[UlohaSlots::StartPage] : 0;
    PageControl1->SetActivePageIndex(page >= 0 && page <= 4 ? page : 0);
    // The survey page has no view of its own: it shows the tasks of the view shown last.
    if (PageControl1->ActivePageIndex() == 3) Refilter();
    PageControl1Change();
    ShowCaptions();
    FrameStatusText();
}

void TUlohaChildForm::ChangeFirstDay(int value) {
    // Every value outside 1..7 means Monday, as for the week grid and the task editor; the
    // calendar and the week grid take it from here alike.
    firstDay_ = FirstDayOfWeek(value);
    MonthCalendar1->SetFirstDayOfWeek(firstDay_);
    ShowCaptions();
}

void TUlohaChildForm::ShowCaptions() {
    static const char* const minutes[6] = {"  0-10", "  10-20", "  20-30", "  30-40", "  40-50", "  50-60"};
    StringGrid1->SetColumnTitles({minutes, minutes + 6});
    std::vector<std::string> hours3, hours1, hours;
    for (int r = 1; r <= 24; ++r) {
        hours3.push_back("   " + HourLabel(r));
        hours1.push_back(" " + HourLabel(r));
        hours.push_back(HourLabel(r));
    }
    StringGrid1->SetRowTitles(hours3);
    const TDateTime day = MonthCalendar1->Date();
    std::vector<std::string> week;
    for (TDateTime d : WeekDaysOf(day, FirstDay())) week.push_back(WeekTitle(d, FirstDay(), Language()));
    StringGrid2->SetColumnTitles(week);
    StringGrid2->SetRowTitles(hours1);
    StringGrid3->SetColumnTitles(hours);
    std::vector<std::string> days;
    for (int d = 1, n = DaysInMonthOfDate(CurrentDay ? CurrentDay : day); d <= n; ++d) days.push_back(std::to_string(d));
    StringGrid3->SetRowTitles(days);
}

void TUlohaChildForm::NaplnWeekPole() { WeekDays = WeekDaysOf(CurrentDay, FirstDay()); }

void TUlohaChildForm::NaplnMonthPole() { MonthDays = MonthDaysOf(CurrentDay); }

void TUlohaChildForm::Refilter() {
    indexCheckedNow_ = false;
    PrepareFilter();
    TVolgaTable& t = Tasks();
    // A record being written is written before the filter is left, as leaving it would; the
    // switching of the filter then changes no task.
    if (t.Active()) t.CheckBrowseMode();
    if (viewMode_ != TaskView::List && t.Active() && t.Filtered() && t.OnFilterRecord() && frame_.TasksWindow == this &&
        DayIndexCurrent()) {
        // The rows were read since their last change: the index answers for the record filter,
        // and the first task of the view is current as after switching the filter off and on.
        const std::vector<int> accepted = dayIndex_.Accepted(filter_);
        uint32_t low = UINT32_MAX, high = 0;
        for (int n : accepted) low = std::min(low, dayIndex_.RowId(n)), high = std::max(high, dayIndex_.RowId(n));
        std::vector<uint8_t> shown(accepted.empty() ? 0 : size_t(high - low) + 1, 0);
        for (int n : accepted) shown[dayIndex_.RowId(n) - low] = 1;
        t.SetRowIdentityFilter([&](uint32_t id) { return id >= low && id <= high && shown[id - low]; });
        try {
            t.RebuildView(true);
        } catch (...) {
            t.SetRowIdentityFilter(nullptr);
            throw;
        }
        t.SetRowIdentityFilter(nullptr);
        t.First();
        indexCheckedNow_ = true;
        return;
    }
    t.SetFiltered(false);
    // The unfiltered rows in the table's order: the day index is read again when they changed.
    if (viewMode_ != TaskView::List && !DayIndexCurrent()) ReadDayIndex();
    t.SetFiltered(true);
    indexCheckedNow_ = viewMode_ != TaskView::List && indexStamp_.has_value();
}

TUlohaChildForm::TableStamp TUlohaChildForm::CurrentTableStamp() const {
    TableStamp stamp;
    const TVolgaTable& t = Tasks();
    stamp.Posts = tablePosts_;
    stamp.Order = t.IndexFieldNames();
    stamp.SortOptions = unsigned(t.SortOptions());
    if (!t.Active() || !t.Cursor()) return stamp;
    // A row's bytes move when it is written or read again; a removed or added row changes the
    // list. Cheap beside reading the rows' fields.
    uint64_t hash = 0;
    for (const TVolgaRow* row : t.Cursor()->Rows()) {
        hash = Mix(hash, row->Id);
        hash = Mix(hash, row->State);
        hash = Mix(hash, reinterpret_cast<uintptr_t>(row->Bytes.data));
        hash = Mix(hash, row->Bytes.size);
    }
    stamp.Rows = t.Cursor()->Rows().size();
    stamp.Hash = hash;
    return stamp;
}

bool TUlohaChildForm::DayIndexCurrent() const { return indexStamp_ && *indexStamp_ == CurrentTableStamp(); }

void TUlohaChildForm::ReadDayIndex() {
    TVolgaTable& t = Tasks();
    dayIndex_.Clear();
    indexStamp_.reset();
    if (!t.Active() || t.Filtered() || t.RangeActive()) return;
    auto buffer = t.NewRecordBuffer();
    const std::vector<TVolgaRow*>& rows = t.ViewRows();
    for (int i = 0, n = t.RecordCount(); i < n; ++i) {
        if (size_t(i) >= rows.size() || !t.ReadRecordAt(i, *buffer)) return;
        TRecordReadScope scope(t, *buffer);
        dayIndex_.Add(ReadTaskCell(t), t.FieldByName("RepFreq").AsInteger(), rows[size_t(i)]->Id);
    }
    indexStamp_ = CurrentTableStamp();
}

void TUlohaChildForm::PageControl1Change() {
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const TDateTime day = MonthCalendar1->Date();
    const int page = PageControl1->ActivePageIndex();
    auto finish = [this] {
        if (!Tasks().IsEmpty() && !Tasks().FieldByName("Number").AsString().empty())
            ShowLabel();
        else
            KvLabel1->Hide();
        filterButtons_.AllUpAndRun();
        SyncFilterButtons();
    };
    switch (page) {
    case 0:
        viewMode_ = TaskView::Day;
        DateLabel->SetCaption(FormatDateTime("ddddd", day, fs));
        Refilter();
        LoadDayTasks();
        finish();
        break;
    case 1: {
        viewMode_ = TaskView::Week;
        const std::string label = WeekLabelText(IsoWeekOfDate(day), Language());
        if (!label.empty()) DateLabel->SetCaption(label);
        NaplnWeekPole();
        Refilter();
        LoadTasks();
        finish();
        break;
    }
    case 2: {
        viewMode_ = TaskView::Month;
        std::string month = GetMessageText(MessageId::MonthNames + MonthOfDate(day));
        DateLabel->SetCaption(month.substr(0, std::min<size_t>(month.size(), 10)));
        NaplnMonthPole();
        Refilter();
        LoadMonthTasks();
        finish();
        break;
    }
    case 4:
        viewMode_ = TaskView::List;
        node_ = {};
        Refilter();
        RebuildProjectTree();
        break;
    default: break;
    }
    indexCheckedNow_ = false;
    FrameStatusText();
}

void TUlohaChildForm::FillCells(TaskView view, TaskCellGrid& cells, TTaskStringGrid& grid) {
    TVolgaTable& t = Tasks();
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const int firstDay = FirstDay();
    // The view's own filter alone, over rows read since their last change: the cells come from
    // the day index. A filter text (Compl., Failure) or any other state reads the filtered rows.
    // Checked by the refilter just before, on a page change; else the rows are looked at.
    const bool indexCurrent = std::exchange(indexCheckedNow_, false) || DayIndexCurrent();
    if (t.Filtered() && t.Filter().empty() && !t.RangeActive() && t.OnFilterRecord() && frame_.TasksWindow == this &&
        filter_.View == view && viewMode_ == view && indexCurrent) {
        std::string badTime;
        dayIndex_.FillCells(filter_, firstDay, fs, cells, badTime);
        grid.SetEnlarged(Enlarged());
        grid.SetCells(&cells);
        if (!badTime.empty()) throw std::invalid_argument(badTime);
        return;
    }
    std::vector<TaskCellEntry> entries;
    std::map<std::string, std::string, std::less<>> texts;
    std::string badTime;
    // Rows are read by position: the task table's cursor, and so the memo and the small grid,
    // stay where they are.
    auto buffer = t.NewRecordBuffer();
    const int count = t.RecordCount();
    entries.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        if (!t.ReadRecordAt(i, *buffer)) break;
        TaskCellSource task;
        {
            TRecordReadScope scope(t, *buffer);
            task = ReadTaskCell(t);
        }
        // A task without a time has no hour row; one whose time is no time is reported once the
        // other tasks are shown.
        if (task.Time.empty()) continue;
        try {
            entries.push_back(PlaceTask(view, task, firstDay, fs));
        } catch (const std::invalid_argument& e) {
            if (badTime.empty()) badTime = e.what();
            continue;
        }
        texts.try_emplace(task.Number, std::move(task.Uloha));
    }
    cells.Fill(std::move(entries), texts);
    grid.SetEnlarged(Enlarged());
    grid.SetCells(&cells);
    if (!badTime.empty()) throw std::invalid_argument(badTime);
}

bool TUlohaChildForm::Enlarged() const { return EnlargeToggleDown ? EnlargeToggleDown() : enlarged_; }

void TUlohaChildForm::GridExit(TKvDBGrid& grid) {
    QCoreApplication::postEvent(grid.View(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

void TUlohaChildForm::LoadDayTasks() { FillCells(TaskView::Day, dayCells_, *StringGrid1); }
void TUlohaChildForm::LoadTasks() { FillCells(TaskView::Week, weekCells_, *StringGrid2); }
void TUlohaChildForm::LoadMonthTasks() { FillCells(TaskView::Month, monthCells_, *StringGrid3); }

void TUlohaChildForm::PrepareFilter() {
    filter_.View = viewMode_;
    filter_.CurrentDay = CurrentDay;
    filter_.WeekDays = WeekDays;
    filter_.MonthDays = MonthDays;
    filter_.Node = node_;
    filter_.Prepare();
}

void TUlohaChildForm::UlohaTable1FilterRecord(TDataSet& dataSet, bool& accept) {
    if (filter_.View == TaskView::List) {
        if (node_.What == ProjectNodeChoice::None) return;
        accept = ListViewAccepts(node_, dataSet.FieldByName("Project").AsString(), dataSet.FieldByName("SubProject").AsString());
        return;
    }
    // An empty date reads as 0.
    accept = filter_.Accepts({dataSet.FieldByName("Date").AsDateTime(), dataSet.FieldByName("RepFreq").AsInteger()}, {}, {});
}

void TUlohaChildForm::ShowLabel() {
    TVolgaTable& t = Tasks();
    if (t.IsEmpty() || t.FieldByName("Date").IsNull()) {
        KvLabel1->Hide();
        return;
    }
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    KvLabel1->SetCaption(CurrentTaskLabel(FormatDateTime("ddddd", t.FieldByName("Date").AsDateTime(), fs),
                                          t.FieldByName("Time").AsString(), Language()));
    KvLabel1->Show();
}

void TUlohaChildForm::MonthCalendar1Click() {
    Tasks().SetFiltered(false);
    CurrentDay = MonthCalendar1->Date();
    PageControl1Change();
    filterButtons_.AllUp();
    SyncFilterButtons();
    ShowCaptions();
}

void TUlohaChildForm::SetCalendarDate(TDateTime date) {
    MonthCalendar1->SetDate(date);
    MonthCalendar1Click();
}

void TUlohaChildForm::SyncFilterButtons() {
    AllJobsButton->SetDown(filterButtons_.Down() == TaskFilterButton::All);
    CompleteButton->SetDown(filterButtons_.Down() == TaskFilterButton::Completed);
    FailureButton->SetDown(filterButtons_.Down() == TaskFilterButton::Failure);
}

void TUlohaChildForm::SetFiltered(bool on) {
    if (on) PrepareFilter();
    Tasks().SetFiltered(on);
}

void TUlohaChildForm::SetFilterExpression(const std::string& expression) { Tasks().SetFilterText(expression); }

void TUlohaChildForm::SetStatus(TaskStatusText text) { StatusLabel->SetCaption(StatusTextOf(text, Language())); }

void TUlohaChildForm::FrameStatusText() {
    if (FrameStatusBar) FrameStatusBar();
    else StateChanged();
}

void TUlohaChildForm::TaskClick(TControl& control, const std::string& key, bool movesCalendar) {
    const QPoint at = QCursor::pos();
    ClickPoint = {at.x(), at.y()};
    ClickedTaskKey = key;
    if (key.empty()) {
        control.SetHint("");
        return;
    }
    TVolgaTable& t = Tasks();
    // The clicked task by its exact key; one that is gone leaves the table where it stood.
    if (!t.Locate("Number", Variant(key), {})) {
        control.SetHint("");
        return;
    }
    const bool pay = PayableTaskType(t.FieldByName("Task_type").AsString());
    payOn_ = pay;
    if (EnablePay) EnablePay(pay);
    else StateChanged();
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const TField& date = t.FieldByName("Date");
    const std::string dateText = date.IsNull() ? std::string() : FormatDateTime("ddddd", date.AsDateTime(), fs);
    control.SetHint(TaskClickHint(dateText, t.FieldByName("Time").AsString(), t.FieldByName("Uloha").AsString(), Language()));
    control.SetShowHint(true);
    if (movesCalendar && !date.IsNull()) {
        MonthCalendar1->SetDate(date.AsDateTime());
        CurrentDay = MonthCalendar1->Date();
    }
    if (!t.FieldByName("Number").AsString().empty()) ShowLabel();
}

void TUlohaChildForm::StringGrid1Click() { TaskClick(*StringGrid1, StringGrid1->CellText(StringGrid1->Col(), StringGrid1->Row()), false); }
void TUlohaChildForm::StringGrid2Click() { TaskClick(*StringGrid2, StringGrid2->CellText(StringGrid2->Col(), StringGrid2->Row()), true); }
void TUlohaChildForm::StringGrid3Click() { TaskClick(*StringGrid3, StringGrid3->CellText(StringGrid3->Col(), StringGrid3->Row()), true); }

void TUlohaChildForm::ListView1Click() {
    TListItem* item = ListView1->Selected();
    TaskClick(*ListView1, item ? item->SubItems(5) : ClickedTaskKey, true);
}

void TUlohaChildForm::TaskKvGridCellClick() {
    TaskClick(*TaskKvGrid, Tasks().IsEmpty() ? ClickedTaskKey : Tasks().FieldByName("Number").AsString(), true);
}

void TUlohaChildForm::UlohaDbGridCellClick() {
    TaskClick(*UlohaDbGrid, Tasks().IsEmpty() ? ClickedTaskKey : Tasks().FieldByName("Number").AsString(), true);
}

void TUlohaChildForm::TaskKvGridTitleClick(int column) {
    if (column < 0 || column >= int(kSurveyFields.size())) return;
    TVolgaTable& t = Tasks();
    const bool descending = RunSurveySortFlags().Click(column);
    t.SetIndexFieldNames(kSurveyFields[size_t(column)]);
    // The case-insensitive option the table had is dropped: the order is case-sensitive now.
    t.SetSortOptions(descending ? TVolgaSortOptions(vsoDescendSort) : TVolgaSortOptions(0));
    t.RebuildView();
}

void TUlohaChildForm::RebuildProjectTree() {
    std::vector<std::string> projects;
    std::vector<std::pair<std::string, std::string>> subs;
    auto readAll = [](TDataSet& table, const std::function<void(TDataSet&)>& row) {
        auto buffer = table.NewRecordBuffer();
        for (int i = 0, n = table.RecordCount(); i < n; ++i) {
            if (!table.ReadRecordAt(i, *buffer)) break;
            TRecordReadScope scope(table, *buffer);
            row(table);
        }
    };
    if (data_.ProjectTable && data_.ProjectTable->Active())
        readAll(*data_.ProjectTable, [&](TDataSet& t) { projects.push_back(t.FieldByName("ProjectName").AsString()); });
    if (data_.SubProjectTable && data_.SubProjectTable->Active()) {
        // Every sub-project, not only the current project's: the tree groups them itself.
        const bool filtered = data_.SubProjectTable->Filtered();
        data_.SubProjectTable->SetFiltered(false);
        readAll(*data_.SubProjectTable, [&](TDataSet& t) {
            subs.emplace_back(t.FieldByName("ProjectName").AsString(), t.FieldByName("SubProjectName").AsString());
        });
        data_.SubProjectTable->SetFiltered(filtered);
    }
    tree_ = BuildProjectTree(projects, subs, Language());
    TreeView1->OnChange = nullptr;
    TreeView1->Clear();
    std::vector<TTreeNode*> nodes;
    nodes.reserve(tree_.size());
    treePlaces_.clear();
    treePlaces_.reserve(tree_.size());
    for (const ProjectTreeItem& item : tree_) {
        TTreeNode* node = TreeView1->AddChild(item.Parent >= 0 ? nodes[size_t(item.Parent)] : nullptr, item.Text);
        node->SetImageIndex(!item.IsRoot && item.Parent < 0 ? kProjectImage : kTaskListImage);
        treePlaces_.emplace(node, int(nodes.size()));
        nodes.push_back(node);
    }
    ShowOpenProject();
    TreeView1->FullExpand();
    TreeView1->OnChange = [this](TComponent*, TTreeNode*) { TreeView1Click(); };
    node_ = {};
    LoadViewList();
}

void TUlohaChildForm::ShowOpenProject() {
    // A chosen project shows its folder open. Only a picture that changes is set: setting one
    // makes the tree look its node up among all the others.
    for (int i = 0; i < TreeView1->TopCount(); ++i) {
        TTreeNode* node = TreeView1->TopItems(i);
        if (node->ImageIndex() != kProjectImage && node->ImageIndex() != kOpenProjectImage) continue;
        const int image = node->Selected() ? kOpenProjectImage : kProjectImage;
        if (node->ImageIndex() != image) node->SetImageIndex(image);
    }
}

void TUlohaChildForm::TreeView1Click() {
    TTreeNode* selected = TreeView1->Selected();
    ShowOpenProject();
    if (!selected) return;
    // The node's place in the tree, counted from the top as the tree lists them (the order the
    // tree was built in).
    const auto place = treePlaces_.find(selected);
    node_ = NodeChoiceOf(tree_, place == treePlaces_.end() ? 0 : place->second);
    if (node_.What == ProjectNodeChoice::Root) {
        Tasks().SetFiltered(false);
    } else {
        Refilter();
        indexCheckedNow_ = false;
    }
    LoadViewList();
}

void TUlohaChildForm::LoadViewList() {
    TVolgaTable& t = Tasks();
    auto* widget = static_cast<QTreeWidget*>(ListView1->Widget());
    // The same tasks under the same choice are not read into the list again: it is shown as a
    // list filled anew is, with nothing chosen, from its top.
    ListShown shown{CurrentTableStamp(), t.Filtered(), t.Filter(), node_.What, node_.Text, Language()};
    if (listShown_ && *listShown_ == shown) {
        widget->clearSelection();
        widget->setCurrentItem(nullptr);
        widget->scrollToTop();
        return;
    }
    listShown_.reset();
    ListView1->Clear();
    widget->setUpdatesEnabled(false);
    auto buffer = t.NewRecordBuffer();
    int index = 0;
    for (int i = 0, n = t.RecordCount(); i < n; ++i) {
        if (!t.ReadRecordAt(i, *buffer)) break;
        TRecordReadScope scope(t, *buffer);
        TListItem* item = ListView1->AddItem(t.FieldByName("Uloha").AsString());
        for (const char* f : {"Date", "Time", "StartTask", "EndTask", "Owner", "Number"})
            item->AddSubItem(t.FieldByName(f).AsString());
        if (ListRowOnYellow(index++))
            if (QTreeWidgetItem* row = widget->topLevelItem(widget->topLevelItemCount() - 1))
                for (int c = 0; c < 7; ++c) row->setBackground(c, ToQColor(kEvenListRowColor));
    }
    widget->setUpdatesEnabled(true);
    listShown_ = std::move(shown);
}

void TUlohaChildForm::UlozDoPola() {
    SettingsStore* s = Settings(frame_);
    if (!s) return;
    auto& n = s->Nastavenia;
    using namespace UlohaSlots;
    const TFont gridFont = UlohaDbGrid->Font();
    const TFont memoFont = DBMemo1->Font();
    n[GridBack] = int(UlohaDbGrid->Color());
    n[MemoBack] = int(DBMemo1->Color());
    n[GridFontColor] = int(gridFont.Color);
    n[MemoFontColor] = int(memoFont.Color);
    n[MemoFontSize] = memoFont.Size;
    n[GridFontSize] = gridFont.Size;
    s->NastaveniaText[MemoFontNameText] = memoFont.Name;
    s->NastaveniaText[GridFontNameText] = gridFont.Name;
    if (auto code = StyleCodeOf(gridFont.Style)) n[GridStyle] = *code;
    if (auto code = StyleCodeOf(memoFont.Style)) n[MemoStyle] = *code;
    n[CalendarMonthBack] = int(MonthCalendar1->MonthBackColor());
    n[CalendarTitleBack] = int(MonthCalendar1->TitleBackColor());
    n[CalendarTitleText] = int(MonthCalendar1->TitleTextColor());
    n[CalendarText] = int(MonthCalendar1->TextColor());
}

void TUlohaChildForm::FormClose(TCloseAction& action) {
    TVolgaTable& t = Tasks();
    if (t.Tag() == 1) {
        std::string text;
        GetMessageText(MessageId::RemindNewTask, text);
        if (ShowMessageBox(text, "KV-Zirt", MB_YESNO | MB_ICONQUESTION) == IDYES) AktualButtonClick();
    }
    t.SetFiltered(false);
    if (SettingsStore* s = Settings(frame_)) {
        for (int i = 0; i < 4; ++i) {
            if (i < UlohaDbGrid->Columns().Count()) s->Nastavenia[UlohaSlots::SmallGridWidths[i]] = UlohaDbGrid->Columns()[i].Width();
            if (i < TaskKvGrid->Columns().Count()) s->Nastavenia[UlohaSlots::SurveyWidths[i]] = TaskKvGrid->Columns()[i].Width();
        }
        s->Nastavenia[UlohaSlots::StartPage] = PageControl1->ActivePageIndex();
    }
    if (frame_.TasksWindow == this) frame_.TasksWindow = nullptr;
    action = TCloseAction::caFree;
}

void TUlohaChildForm::AktualButtonClick() {
    // The companion starts in the folder the program works in.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    if (error) folder = frame_.ProgramFolder;
    if (frame_.Locks) WriteTaskTable(TaskTableTarget(data_, frame_));
    PageControl1Change();
    Tasks().SetFiltered(true);
    FrameStatusText();
    const bool started = StartCompanion(frame_.ProgramFolder, frame_.UserPrefix, folder);
    // The companion has the tasks the editor added, or is told it could not.
    Tasks().SetTag(0);
    if (!started) {
        static const char* const kErrorInStart[] = {"Error in start.", "Chyba pri spustení", "Chyba při spustění"};
        ShowMessage(InLanguage(kErrorInStart));
    }
}

void TUlohaChildForm::ViewDetail() {
    std::string key = ClickedTaskKey;
    TPoint point = ClickPoint;
    if (key.empty()) {
        // No task clicked yet: the current task, beside the pointer.
        if (Tasks().IsEmpty()) return;
        key = Tasks().FieldByName("Number").AsString();
        const QPoint at = QCursor::pos();
        point = {at.x(), at.y()};
    }
    if (key.empty()) return;
    // The screen with the clicked point, less the desktop's panels.
    QScreen* screen = QGuiApplication::screenAt(QPoint(point.X, point.Y));
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const BalloonPlace place = PlaceBalloon(point, {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
    TInfoForm balloon(nullptr, data_, frame_, key, place.Orientation);
    balloon.SetBounds(place.Left, place.Top, kInfoWidth, kInfoHeight);
    balloon.EditTask = [this] { AskCommand(Command::Edit); };
    balloon.TasksChanged = [this] { PageControl1Change(); };
    // The payment form is used beside the bank's page, which a modal balloon would block: the
    // balloon closes first, then the payment runs.
    std::optional<std::pair<std::string, std::string>> pay;
    balloon.Pay = [&](const std::string& path, const std::string& type) {
        pay.emplace(path, type);
        balloon.SetModalResult(mrOk);
    };
    balloon.ShowModal();
    if (pay && frame_.Frame) frame_.Frame->PayFacture(pay->first, pay->second);
}

void TUlohaChildForm::StopInvoiceRemind(const std::string& key) {
    if (!frame_.Locks) return;
    if (CompleteInvoiceTask(TaskTableTarget(data_, frame_), key)) PageControl1Change();
}

// ---- choosing several cells ----

void TUlohaChildForm::ShowSelection(SelectionShow show) {
    SetTag(selection_.Tag());
    switch (show) {
    case SelectionShow::Nothing: break;
    case SelectionShow::TaskFor:
        DateLabel->Show();
        KvLabel1->Show();
        StatusLabel->SetCaption(StatusTextOf(TaskStatusText::TaskFor, Language()));
        break;
    case SelectionShow::Range: {
        const auto& keys = selection_.Keys();
        const std::string first = TaskDateText(keys.front());
        // The last key's task stays current, as the editor then shows it.
        const std::string last = TaskDateText(keys.back());
        DateLabel->Hide();
        KvLabel1->Hide();
        StatusLabel->SetCaption(SelectionRangeText(first, last, Language()));
        break;
    }
    }
}

std::string TUlohaChildForm::TaskDateText(const std::string& key) {
    TVolgaTable& t = Tasks();
    if (key.empty() || !t.Locate("Number", Variant(key), 0)) return {};
    const TField& date = t.FieldByName("Date");
    return date.IsNull() ? std::string() : FormatDateTime("ddddd", date.AsDateTime(), FormatSettings::ForLanguage(Language()));
}

void TUlohaChildForm::GridMouseDown(TMouseButton button) {
    if (button != TMouseButton::mbLeft) return;
    ShowSelection(selection_.MouseDown());
}

void TUlohaChildForm::GridMouseMove(TTaskStringGrid& grid, int x, int y) {
    if (!selection_.Selecting()) return;
    ShowSelection(selection_.MouseMove(grid.KeyAt(x, y)));
}

void TUlohaChildForm::GridMouseUp() {
    selection_.MouseUp();
    SetTag(selection_.Tag());
}

void TUlohaChildForm::GridKeyDown(TTaskStringGrid& grid, TShiftState shift) {
    const bool withShift = (shift & ssShift) != 0;
    ShowSelection(selection_.KeyDown(withShift, grid.CellText(grid.Col(), grid.Row())));
    if (!withShift && &grid == StringGrid2) ShowLabel();
}

void TUlohaChildForm::Panel2MouseDown(TComponent* sender, TMouseButton button) {
    if (sender == UlohaDbGrid && button == TMouseButton::mbLeft) DataModuleParts().FontDialog1.Font = UlohaDbGrid->Font();
}

// ---- the pop-up menu ----

void TUlohaChildForm::AskCommand(Command command) {
    if (OnRequest) Request(command);
    else Run(command);
}

void TUlohaChildForm::PopupMenu1Popup() {
    TVolgaTable& t = Tasks();
    PayPopup->SetEnabled(!t.IsEmpty() && t.FieldByName("Task_type").AsString() == "F");
}

void TUlohaChildForm::AddPopupClick() { AskCommand(Command::Insert); }
void TUlohaChildForm::DeletePopupClick() { AskCommand(Command::Delete); }
void TUlohaChildForm::EditPopupClick() { AskCommand(Command::Edit); }

void TUlohaChildForm::CloneTaskPopupClick() {
    cloneNext_ = true;
    AskCommand(Command::Edit);
    cloneNext_ = false;
}

void TUlohaChildForm::SetupPopupMenuClick() {
    if (OpenSetup) OpenSetup();
}

void TUlohaChildForm::PayPopupClick() { AskCommand(Command::Pay); }

void TUlohaChildForm::Host::TasksSaved(const TaskSaveResult&) {
    w_.AskCommand(Command::Post);
    w_.TablesChanged();
    // The survey and list pages refresh no views: the label shows the saved task all the same.
    TVolgaTable& t = w_.Tasks();
    if (!t.IsEmpty() && !t.FieldByName("Number").AsString().empty()) w_.ShowLabel();
}

void TUlohaChildForm::Host::EditorClosed() {
    // Closed without a save (its close box, Escape): the frame window's buttons leave editing
    // as Cancel leaves it.
    if (w_.editing_) w_.AskCommand(Command::Cancel);
    w_.SetDayGridReadOnly(true);
    w_.SetListGridReadOnly(true);
    w_.selection_.Clear();
    w_.SetTag(0);
}

void TUlohaChildForm::ShowMaximisedGrid(bool on) {
    enlarged_ = on;
    for (TControl* c : std::initializer_list<TControl*>{DBMemo1, Panel1, UlohaDbGrid, MonthCalendar1}) c->SetVisible(!on);
    for (TTaskStringGrid* g : {StringGrid1, StringGrid2, StringGrid3}) g->SetEnlarged(on);
}

// ---- commands ----

RecordBarState TUlohaChildForm::State(const ModuleContext& c) const {
    RecordBarState s = RecordBarFor({TasksModule, true, c.Offline, c.CategoriesOn, c.HasDialog, editing_, inserting_});
    s.Pay = s.Pay && payOn_;
    return s;
}

void TUlohaChildForm::Run(Command command) {
    TVolgaTable& t = Tasks();
    switch (command) {
    case Command::Prior:
    case Command::Next:
        if (!t.IsEmpty()) SetCalendarDate(CalendarDate() + (command == Command::Next ? 1 : -1));
        break;
    case Command::Insert:
    case Command::Edit: {
        const bool insert = command == Command::Insert;
        SetDayGridReadOnly(false);
        if (insert) SetListGridReadOnly(false);
        else t.Edit();
        frame_.TaskEditMode = !insert;
        editing_ = true;
        inserting_ = insert;
        StateChanged();
        const TaskEditorCall call = insert ? TaskEditorCall::Insert : cloneNext_ ? TaskEditorCall::Clone : TaskEditorCall::Edit;
        cloneNext_ = false;
        if (OpenTaskEditor) OpenTaskEditor(call);
        else RunRegisteredDialog("TUlohaForm");
        if (insert && !frame_.PaymentDataCurrent && frame_.Frame) frame_.Frame->DownloadPays(1);
        break;
    }
    case Command::Post:
    case Command::Cancel:
        editing_ = inserting_ = false;
        SetDayGridReadOnly(true);
        SetListGridReadOnly(true);
        break;
    case Command::Refresh:
        for (TableId id : {TableId::Tasks, TableId::Projects, TableId::SubProjects, TableId::Owners})
            if (TVolgaTable* table = data_.TableOf(id)) table->Refresh();
        PageControl1Change();
        break;
    case Command::Detail: ViewDetail(); break;
    case Command::MaximiseGrid: ShowMaximisedGrid(true); break;
    case Command::RestoreGrid: ShowMaximisedGrid(false); break;
    case Command::Pay:
    case Command::PayInvoice: {
        // The button and the menu item alike: an invoice or a payment opens its own e-bank
        // address, or says why it cannot.
        if (t.IsEmpty() || !frame_.Frame) break;
        const std::string path = t.FieldByName("Path").AsString(), type = t.FieldByName("Task_type").AsString();
        switch (PayStepFor(type, path, t.FieldByName("Run").AsBoolean())) {
        case PayStep::Open: frame_.Frame->PayFacture(path, type); break;
        case PayStep::NoAddress: ShowMessage(GetMessageText(MessageId::NoEBankToPay)); break;
        case PayStep::NotPayable: break; // no task to pay: the frame has Pay off for it
        }
        break;
    }
    default: return;
    }
    StateChanged();
}

void TUlohaChildForm::ApplySetting(ModuleSetting setting, int value) {
    if (setting == ModuleSetting::WeekNumbers) SetWeekNumbers(value == 1);
    if (setting == ModuleSetting::FirstDay) {
        ChangeFirstDay(value);
        PageControl1Change();
    }
}

void TUlohaChildForm::SetDayGridReadOnly(bool on) { UlohaDbGrid->SetReadOnly(on); }

void TUlohaChildForm::SetListGridReadOnly(bool on) { TaskKvGrid->SetReadOnly(on); }

std::vector<std::string> TUlohaChildForm::MarkedRecordCodes(TKvDBGrid& grid) const {
    TBookmarkList& marked = grid.SelectedRows();
    if (!(grid.Options() & dgMultiSelect) || marked.Count() < 2) return {};
    // Read by position, as the grids paint them: the table may be editing (the frame's Edit)
    // and must not move.
    TVolgaTable& t = Tasks();
    auto buffer = t.NewRecordBuffer();
    std::vector<std::string> codes;
    for (int i = 0; i < marked.Count(); ++i) {
        const int place = t.BookmarkRecNo(marked.Items(i));
        if (place <= 0 || !t.ReadRecordAt(place - 1, *buffer)) continue;
        TRecordReadScope scope(t, *buffer);
        codes.push_back(t.FieldByName("Number").AsString());
    }
    return codes;
}

std::vector<std::string> TUlohaChildForm::SelectedRecordCodes() const {
    // The cells chosen together; else the rows marked in the small grid and then those of the
    // survey grid (a grid counts when it has more than one marked); else the current task.
    std::vector<std::string> codes;
    if (Tag() == 1 && !selection_.Keys().empty()) {
        codes = selection_.Keys();
    } else {
        codes = MarkedRecordCodes(*UlohaDbGrid);
        for (std::string& code : MarkedRecordCodes(*TaskKvGrid)) codes.push_back(std::move(code));
    }
    if (codes.empty() && !Tasks().IsEmpty()) codes.push_back(Tasks().FieldByName("Number").AsString());
    // A cell chosen again (A, B, A) is still one task.
    return DistinctKeys(std::move(codes));
}

std::vector<std::string> TUlohaChildForm::Host::SeriesTaskKeys() const {
    // Cells chosen together in the week or month grid that make one whole series are built anew
    // over its days; marked grid rows are each changed on their own.
    if (w_.Tag() != 1) return {};
    return SeriesOfChosen(w_.Tasks(), w_.SelectedRecordCodes());
}

} // namespace kvz
