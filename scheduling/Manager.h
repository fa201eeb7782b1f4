// The project manager: projects and their partial projects added, renamed and deleted, each
// change written at once through the shared-table writer (ProjectWrites).
#pragma once

#include "controls/ToolEdit.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "scheduling/ProjectWrites.h"

#include <functional>
#include <string>

namespace kvz {

class TDataModule1;
struct FrameState;

// The five tool buttons of an edit panel and the panel itself after each step.
enum class ListPanelStep { New, Edit, PostOrCancel };
struct ListPanelButtons {
    bool New, Edit, Post, Cancel, Delete;
    int NewImage; // 19 while a new row is typed, else 4
    bool PanelShown;
    bool operator==(const ListPanelButtons&) const = default;
};
ListPanelButtons PanelButtonsAfter(ListPanelStep step);

// The edit-mode flags, kept for the whole run.
struct ManagerEditModes {
    bool ProjectEditMode = false;
    bool SubProjectEditMode = false;
    bool OwnerEditMode = false;
};
ManagerEditModes& RunEditModes();

// Two questions before a delete: the row, then its tasks. Yes is the platform's 6.
std::string DeleteQuestion(int firstMessage, const std::string& name, int secondMessage);

class TManagerForm : public TForm {
public:
    TManagerForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    void FormShow();
    void ProjectGridCellClick();
    void ToolButton1Click();  // new project
    void ToolButton2Click();  // edit project
    void ToolButton3Click();  // post project
    void ToolButton4Click();  // cancel project
    void ToolButton5Click();  // delete project
    void ToolButton11Click(); // the same five for partial projects
    void ToolButton22Click();
    void ToolButton33Click();
    void ToolButton44Click();
    void ToolButton55Click();

    // Run after the dialog closes while the scheduling window is the active module.
    std::function<void()> RefreshTasksWindow;

    TLabel* KvLabel1;
    TLabel* KvLabel2;
    TDBGrid* ProjectGrid;
    TPanel* Panel1;
    TLabel* Label2;
    TEdit* Edit1;
    TLabel* Label3;
    TDateEdit* DateTimePicker1;
    TLabel* Label4;
    TDateEdit* DateTimePicker2;
    TToolBar* ToolBar1;
    TToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton4, *ToolButton5;
    TDBGrid* SubProjectGrid;
    TPanel* Panel2;
    TLabel* Label1;
    TComboBox* ProjectComboBox;
    TLabel* Label5;
    TEdit* Edit2;
    TLabel* Label6;
    TDateEdit* DateTimePicker3;
    TLabel* Label7;
    TDateEdit* DateTimePicker4;
    TToolBar* ToolBar2;
    TToolButton *ToolButton11, *ToolButton22, *ToolButton33, *ToolButton44, *ToolButton55;
    TButton* BitBtn1;

private:
    void SetPanel(bool projects, ListPanelStep step);
    void Refilter();
    std::string DateText(TDateEdit& picker) const;
    void SetPicker(TDateEdit& picker, const std::string& text, bool todayWhenEmpty);
    SharedTableTarget Target(int table) const;
    TImageList images_;
    TDataModule1& data_;
    FrameState& frame_;
};

} // namespace kvz
