#include "scheduling/Manager.h"

#include "core/Data1.h"
#include "core/FrameImages.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FormatSettings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace kvz {

namespace {

std::string Msg(int id) { return GetMessageText(id); }

enum { kProjects, kSubProjects, kTasks };

} // namespace

ListPanelButtons PanelButtonsAfter(ListPanelStep step) {
    switch (step) {
    case ListPanelStep::New: return {true, false, true, true, false, imgInserting, true};
    case ListPanelStep::Edit: return {false, true, true, true, false, imgInsert, true};
    case ListPanelStep::PostOrCancel: break;
    }
    return {true, true, false, false, true, imgInsert, false};
}

ManagerEditModes& RunEditModes() {
    static ManagerEditModes modes;
    return modes;
}

std::string DeleteQuestion(int firstMessage, const std::string& name, int secondMessage) {
    return Msg(firstMessage) + name + Msg(secondMessage);
}

TManagerForm::TManagerForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame) {
    SetName("ManagerForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(46);
    FillToolImages(images_);
    KvLabel1 = MakeControl<TLabel>(this, this, "KvLabel1");
    KvLabel2 = MakeControl<TLabel>(this, this, "KvLabel2");
    for (TLabel* l : {KvLabel1, KvLabel2}) l->SetFont({"Tahoma", 14, clNavy, fsBold | fsItalic});

    auto side = [&](bool projects, TDBGrid*& grid, TPanel*& panel, TToolBar*& bar, const char* gridName,
                    const char* panelName, const char* barName) {
        grid = MakeControl<TDBGrid>(this, this, gridName);
        grid->SetReadOnly(true);
        panel = MakeControl<TPanel>(this, this, panelName);
        panel->Hide();
        bar = MakeControl<TToolBar>(this, this, barName);
        bar->SetImages(&images_);
        (void)projects;
    };
    side(true, ProjectGrid, Panel1, ToolBar1, "ProjectGrid", "Panel1", "ToolBar1");
    side(false, SubProjectGrid, Panel2, ToolBar2, "SubProjectGrid", "Panel2", "ToolBar2");
    Label2 = MakeControl<TLabel>(this, Panel1, "Label2");
    Edit1 = MakeControl<TEdit>(this, Panel1, "Edit1");
    Edit1->SetMaxLength(30);
    Label3 = MakeControl<TLabel>(this, Panel1, "Label3");
    DateTimePicker1 = MakeControl<TDateEdit>(this, Panel1, "DateTimePicker1");
    Label4 = MakeControl<TLabel>(this, Panel1, "Label4");
    DateTimePicker2 = MakeControl<TDateEdit>(this, Panel1, "DateTimePicker2");
    Label1 = MakeControl<TLabel>(this, Panel2, "Label1");
    ProjectComboBox = MakeControl<TComboBox>(this, Panel2, "ProjectComboBox");
    Label5 = MakeControl<TLabel>(this, Panel2, "Label5");
    Edit2 = MakeControl<TEdit>(this, Panel2, "Edit2");
    Edit2->SetMaxLength(30);
    Label6 = MakeControl<TLabel>(this, Panel2, "Label6");
    DateTimePicker3 = MakeControl<TDateEdit>(this, Panel2, "DateTimePicker3");
    Label7 = MakeControl<TLabel>(this, Panel2, "Label7");
    DateTimePicker4 = MakeControl<TDateEdit>(this, Panel2, "DateTimePicker4");
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    for (TDateEdit* p : {DateTimePicker1, DateTimePicker2, DateTimePicker3, DateTimePicker4}) {
        p->SetFormatSettings(fs);
        p->SetDate(std::floor(Now()));
    }
    auto panelLayout = [](TPanel* panel, std::initializer_list<std::pair<TControl*, TControl*>> rows) {
        auto* g = new QGridLayout(panel->Widget());
        int r = 0;
        for (auto [label, edit] : rows) {
            g->addWidget(label->Widget(), r, 0);
            g->addWidget(edit->Widget(), r++, 1);
        }
        g->setRowStretch(r, 1);
    };
    panelLayout(Panel1, {{Label2, Edit1}, {Label3, DateTimePicker1}, {Label4, DateTimePicker2}});
    panelLayout(Panel2, {{Label1, ProjectComboBox}, {Label5, Edit2}, {Label6, DateTimePicker3}, {Label7, DateTimePicker4}});

    auto tool = [&](TToolBar* bar, const char* name, int image, void (TManagerForm::*handler)()) {
        auto* b = MakeControl<TToolButton>(this, bar, name);
        b->SetImageIndex(image);
        b->OnClick = [this, handler](TComponent*) { (this->*handler)(); };
        return b;
    };
    ToolButton1 = tool(ToolBar1, "ToolButton1", imgInsert, &TManagerForm::ToolButton1Click);
    ToolButton2 = tool(ToolBar1, "ToolButton2", imgEdit, &TManagerForm::ToolButton2Click);
    ToolButton3 = tool(ToolBar1, "ToolButton3", imgPost, &TManagerForm::ToolButton3Click);
    ToolButton4 = tool(ToolBar1, "ToolButton4", imgCancel, &TManagerForm::ToolButton4Click);
    ToolButton5 = tool(ToolBar1, "ToolButton5", imgDelete, &TManagerForm::ToolButton5Click);
    ToolButton11 = tool(ToolBar2, "ToolButton11", imgInsert, &TManagerForm::ToolButton11Click);
    ToolButton22 = tool(ToolBar2, "ToolButton22", imgEdit, &TManagerForm::ToolButton22Click);
    ToolButton33 = tool(ToolBar2, "ToolButton33", imgPost, &TManagerForm::ToolButton33Click);
    ToolButton44 = tool(ToolBar2, "ToolButton44", imgCancel, &TManagerForm::ToolButton44Click);
    ToolButton55 = tool(ToolBar2, "ToolButton55", imgDelete, &TManagerForm::ToolButton55Click);
    for (TToolButton* b : {ToolButton3, ToolButton4, ToolButton33, ToolButton44}) b->SetEnabled(false);
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);

    ProjectGrid->SetDataSource(data_.ProjectSource);
    SubProjectGrid->SetDataSource(data_.SubProjectSource);
    const std::pair<const char*, int> projectColumns[] = {{"ProjectName", 140}, {"StartProj", 80}, {"EndProj", 80}};
    for (auto [field, width] : projectColumns) {
        TColumn& c = ProjectGrid->Columns().Add();
        c.SetFieldName(field);
        c.SetWidth(width);
    }
    const std::pair<const char*, int> subColumns[] = {{"SubProjectName", 140}, {"StartSubProj", 80}, {"EndSubProj", 80}};
    for (auto [field, width] : subColumns) {
        TColumn& c = SubProjectGrid->Columns().Add();
        c.SetFieldName(field);
        c.SetWidth(width);
    }
    ProjectGrid->OnCellClick = [this](TComponent*, TColumn&) { ProjectGridCellClick(); };

    auto* labels = new QHBoxLayout;
    labels->addWidget(KvLabel1->Widget());
    labels->addWidget(KvLabel2->Widget(), 1);
    auto column = [](TDBGrid* grid, TPanel* panel, TToolBar* bar) {
        auto* v = new QVBoxLayout;
        v->addWidget(grid->Widget(), 1);
        v->addWidget(panel->Widget(), 1);
        auto* h = new QHBoxLayout;
        h->addStretch();
        h->addWidget(bar->Widget());
        h->addStretch();
        v->addLayout(h);
        return v;
    };
    auto* sides = new QHBoxLayout;
    sides->addLayout(column(ProjectGrid, Panel1, ToolBar1));
    sides->addLayout(column(SubProjectGrid, Panel2, ToolBar2));
    auto* ok = new QHBoxLayout;
    ok->addStretch();
    ok->addWidget(BitBtn1->Widget());
    ok->addStretch();
    auto* all = new QVBoxLayout(ClientWidget());
    all->addLayout(labels);
    all->addLayout(sides, 1);
    all->addLayout(ok);
    SetClientSize(617, 281);
    OnShow = [this](TComponent*) { FormShow(); };
    OnClose = [this](TComponent*, TCloseAction&) {
        if (frame_.ActiveModule == TasksModule && RefreshTasksWindow) RefreshTasksWindow();
    };
}

SharedTableTarget TManagerForm::Target(int table) const {
    switch (table) {
    case kProjects: return {*data_.ProjectTable, data_.LockFileName(TableId::Projects), *frame_.Locks, frame_.NetworkMode, kEditorSavePoll};
    case kSubProjects:
        return {*data_.SubProjectTable, data_.LockFileName(TableId::SubProjects), *frame_.Locks, frame_.NetworkMode, kEditorSavePoll};
    default: return {*data_.TaskTable, data_.LockFileName(TableId::Tasks), *frame_.Locks, frame_.NetworkMode, kRecordCommandPoll};
    }
}

void TManagerForm::Refilter() {
    TVolgaTable& s = *data_.SubProjectTable;
    s.SetFiltered(false);
    s.SetFiltered(true);
}

void TManagerForm::FormShow() {
    KvLabel1->SetCaption(Msg(MessageId::Project) + " : ");
    Label2->SetCaption(Msg(MessageId::Project));
    Label1->SetCaption(Msg(MessageId::Project));
    Label3->SetCaption(Msg(MessageId::StartProject));
    Label6->SetCaption(Msg(MessageId::StartProject));
    Label4->SetCaption(Msg(MessageId::EndProject));
    Label7->SetCaption(Msg(MessageId::EndProject));
    Label5->SetCaption(Msg(MessageId::PartialProjectLabel));
    const int titles[2][3] = {{MessageId::Project, MessageId::Start, MessageId::End},
                              {MessageId::PartialProject, MessageId::Start, MessageId::End}};
    for (int i = 0; i < 3; ++i) {
        ProjectGrid->Columns()[i].SetTitleCaption(Msg(titles[0][i]));
        SubProjectGrid->Columns()[i].SetTitleCaption(Msg(titles[1][i]));
    }
    const int l = Language();
    SetCaption(l == 2 ? "Manažér projektov" : l == 3 ? "Manažér projektů" : "Project manager");
    TVolgaTable& p = *data_.ProjectTable;
    ProjectComboBox->Items().Clear();
    p.First();
    Refilter();
    if (!p.IsEmpty()) KvLabel2->SetCaption(p.FieldByName("ProjectName").AsString());
    std::string last;
    for (p.First(); !p.Eof(); p.Next()) {
        last = p.FieldByName("ProjectName").AsString();
        ProjectComboBox->Items().Add(last);
    }
    ProjectComboBox->SetText(last);
    p.First();
    Refilter();
}

void TManagerForm::ProjectGridCellClick() {
    Refilter();
    const std::string name = data_.ProjectTable->IsEmpty() ? "" : data_.ProjectTable->FieldByName("ProjectName").AsString();
    KvLabel2->SetCaption(name);
    ProjectComboBox->SetText(name);
    TVolgaTable& s = *data_.SubProjectTable;
    Edit2->SetText(s.IsEmpty() ? "" : s.FieldByName("SubProjectName").AsString());
    SetPicker(*DateTimePicker3, s.IsEmpty() ? "" : s.FieldByName("StartSubProj").AsString(), true);
    SetPicker(*DateTimePicker4, s.IsEmpty() ? "" : s.FieldByName("EndSubProj").AsString(), true);
}

void TManagerForm::SetPanel(bool projects, ListPanelStep step) {
    const ListPanelButtons b = PanelButtonsAfter(step);
    TToolButton* const buttons[5] = {projects ? ToolButton1 : ToolButton11, projects ? ToolButton2 : ToolButton22,
                                     projects ? ToolButton3 : ToolButton33, projects ? ToolButton4 : ToolButton44,
                                     projects ? ToolButton5 : ToolButton55};
    const bool on[5] = {b.New, b.Edit, b.Post, b.Cancel, b.Delete};
    for (int i = 0; i < 5; ++i) buttons[i]->SetEnabled(on[i]);
    buttons[0]->SetImageIndex(b.NewImage);
    (projects ? Panel1 : Panel2)->SetVisible(b.PanelShown);
    (projects ? ProjectGrid : SubProjectGrid)->SetVisible(!b.PanelShown);
}

std::string TManagerForm::DateText(TDateEdit& picker) const {
    return FormatDateTime("ddddd", picker.Date(), FormatSettings::ForLanguage(Language()));
}

void TManagerForm::SetPicker(TDateEdit& picker, const std::string& text, bool todayWhenEmpty) {
    if (text.empty()) {
        if (todayWhenEmpty) picker.SetDate(std::floor(Now()));
        return;
    }
    TDateTime d = 0;
    if (!TryStrToDate(text, d, FormatSettings::ForLanguage(Language())))
        throw std::invalid_argument("'" + text + "' is not a valid date");
    picker.SetDate(d);
}

void TManagerForm::ToolButton1Click() {
    SetPanel(true, ListPanelStep::New);
    if (Edit1->CanFocus()) Edit1->SetFocus();
}

void TManagerForm::ToolButton2Click() {
    SetPanel(true, ListPanelStep::Edit);
    RunEditModes().ProjectEditMode = true;
    TVolgaTable& p = *data_.ProjectTable;
    if (p.IsEmpty()) return;
    if (const std::string n = p.FieldByName("ProjectName").AsString(); !n.empty()) Edit1->SetText(n);
    SetPicker(*DateTimePicker1, p.FieldByName("StartProj").AsString(), false);
    SetPicker(*DateTimePicker2, p.FieldByName("EndProj").AsString(), false);
}

void TManagerForm::ToolButton3Click() {
    SetPanel(true, ListPanelStep::PostOrCancel);
    ManagerEditModes& modes = RunEditModes();
    const ProjectValues values{Edit1->Text(), DateText(*DateTimePicker1), DateText(*DateTimePicker2), {}};
    const bool editing = modes.ProjectEditMode;
    const ListRowKey key = ProjectKeyOfCurrent(*data_.ProjectTable);
    Edit1->SetText("");
    modes.ProjectEditMode = false;
    if (editing)
        EditProject(Target(kProjects), key, values);
    else
        InsertProject(Target(kProjects), values, frame_.UserPrefix);
    FormShow();
}

void TManagerForm::ToolButton4Click() {
    SetPanel(true, ListPanelStep::PostOrCancel);
    RunEditModes().ProjectEditMode = false;
    if (data_.ProjectTable->State() == dsEdit || data_.ProjectTable->State() == dsInsert) data_.ProjectTable->Cancel();
}

void TManagerForm::ToolButton5Click() {
    TVolgaTable& p = *data_.ProjectTable;
    if (p.IsEmpty()) return;
    const std::string name = p.FieldByName("ProjectName").AsString();
    const unsigned style = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    if (ShowMessageBox(DeleteQuestion(MessageId::RemoveProject, name, MessageId::ForGood),
                       Msg(MessageId::WarningCaption), style) != IDYES)
        return;
    if (!DeleteProject(Target(kProjects), ProjectKeyOfCurrent(p))) return;
    if (ShowMessageBox(DeleteQuestion(MessageId::ProjectNamed, name, MessageId::ProjectRemovedTasksToo),
                       Msg(MessageId::WarningCaption), style) == IDYES)
        DeleteTasksNamed(Target(kTasks), "Project", name);
    FormShow();
}

void TManagerForm::ToolButton11Click() {
    SetPanel(false, ListPanelStep::New);
    Edit2->SetText("");
    if (Edit2->CanFocus()) Edit2->SetFocus();
}

void TManagerForm::ToolButton22Click() {
    SetPanel(false, ListPanelStep::Edit);
    RunEditModes().SubProjectEditMode = true;
    TVolgaTable& s = *data_.SubProjectTable;
    Edit2->SetText(s.IsEmpty() ? "" : s.FieldByName("SubProjectName").AsString());
    SetPicker(*DateTimePicker3, s.IsEmpty() ? "" : s.FieldByName("StartSubProj").AsString(), true);
    SetPicker(*DateTimePicker4, s.IsEmpty() ? "" : s.FieldByName("EndSubProj").AsString(), true);
    // The sub-project stays with its own project unless the user picks another; the box may
    // still show the last project the list was filled with.
    if (!s.IsEmpty())
        if (const std::string project = s.FieldByName("ProjectName").AsString(); !project.empty())
            ProjectComboBox->SetText(project);
}

void TManagerForm::ToolButton33Click() {
    SetPanel(false, ListPanelStep::PostOrCancel);
    ManagerEditModes& modes = RunEditModes();
    const ProjectValues values{Edit2->Text(), DateText(*DateTimePicker3), DateText(*DateTimePicker4), ProjectComboBox->Text()};
    const bool editing = modes.SubProjectEditMode;
    const ListRowKey key = SubProjectKeyOfCurrent(*data_.SubProjectTable);
    Edit2->SetText("");
    modes.SubProjectEditMode = false;
    if (editing)
        EditSubProject(Target(kSubProjects), key, values);
    else
        InsertSubProject(Target(kSubProjects), values, frame_.UserPrefix);
}

void TManagerForm::ToolButton44Click() {
    SetPanel(false, ListPanelStep::PostOrCancel);
    RunEditModes().SubProjectEditMode = false;
    if (data_.SubProjectTable->State() == dsEdit || data_.SubProjectTable->State() == dsInsert) data_.SubProjectTable->Cancel();
}

void TManagerForm::ToolButton55Click() {
    TVolgaTable& s = *data_.SubProjectTable;
    if (s.IsEmpty()) return;
    const std::string name = s.FieldByName("SubProjectName").AsString();
    const unsigned style = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    if (ShowMessageBox(DeleteQuestion(MessageId::RemovePartialProject, name, MessageId::PartialForGood),
                       Msg(MessageId::WarningCaption), style) != IDYES)
        return;
    if (!DeleteSubProject(Target(kSubProjects), SubProjectKeyOfCurrent(s))) return;
    if (ShowMessageBox(
            DeleteQuestion(MessageId::PartialProjectNamed, name, MessageId::PartialRemovedTasksToo),
            Msg(MessageId::WarningCaption), style) == IDYES)
        DeleteTasksNamed(Target(kTasks), "SubProject", name);
}

} // namespace kvz
