// The task editor: a new task or a daily series, a change of the current or the selected
// tasks, a clone, an incoming invoice, or the regular payments, on three pages. The window
// places the controls and gathers what they hold; what is shown comes from UlohaLoad, what OK
// writes from TaskSave and RegularPays.
#pragma once

#include "controls/KVCtrls.h"
#include "controls/KVDBCtrl.h"
#include "controls/ToolEdit.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCGrids.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "scheduling/RegularPays.h"
#include "scheduling/UlohaControls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvz {

class TDataModule1;
class TVolgaTable;
struct FrameState;

// The editor's mode flags, one set for the program.
struct TaskEditorFlags {
    bool TaskEditMode = false;  // change rows instead of adding them
    bool TaskCloneMode = false; // with TaskEditMode: load the current row, add the entry as new rows
    bool TaskEditorOpen = false;
    bool CloseAfterSave = true;
    TDateTime EditedTaskDate = 0;
    // Whether the last regular-payment data read was this year's.
    bool PaymentDataCurrent = true;
};
TaskEditorFlags& TaskEditorState();

// What the editor is opened over: the program's tables and state, and what the opener offers.
struct TaskEditorContext {
    TDataModule1& Data;
    FrameState& Frame;
    // The opener's active module: 3 scheduling, 4 links (the links module's current link
    // pre-fills a new task).
    int Module = 3;
    std::string DateCaption{}; // the scheduling window's date label
    TDateTime CurrentDay = 0; // the scheduling window's day; 0: today
    std::vector<std::string> SelectedKeys{};
    bool SeriesSelected = false;
    std::vector<std::string> SeriesKeys{};
    // The edited rows as they stood when the editor opened (a change, not a clone).
    std::vector<TaskRowStamp> Begun{};
    std::string LinkName{}, LinkPath{};
    std::string LogonName{};
    // After a save, with what was written; after Cancel.
    std::function<void(const TaskSaveResult&)> OnSaved{};
    std::function<void()> OnCancelled{};
    // While the editor is open (editorOpen) the program's sub-project filter keeps the
    // sub-projects of the project the editor names; told again on every change of it.
    std::function<void(bool editorOpen, const std::string& project)> OnProjectFilter{};
};

class TUlohaForm : public TForm {
public:
    TUlohaForm(TComponent* owner, TaskEditorContext& context);
    ~TUlohaForm() override;

    // Handlers.
    void FormCreate(TComponent* sender);
    void FormShow(TComponent* sender);
    void FormActivate(TComponent* sender);
    void FormClose(TComponent* sender, TCloseAction& action);
    void BitBtn1Click(TComponent* sender);
    void CancelButtonClick(TComponent* sender);
    void BitBtn2Click(TComponent* sender);
    void MonthCalendar1Click(TComponent* sender);
    void DateTimePicker1Change(TComponent* sender);
    void Button1Click(TComponent* sender);
    void ProjectComboBoxChange(TComponent* sender);
    void SubProjectComboBoxChange(TComponent* sender);
    void Button9Click(TComponent* sender);
    void BankaComboBoxChange(TComponent* sender);
    void ComboBox2Change(TComponent* sender);
    void DateEdit3Change(TComponent* sender);
    void DateEdit2Change(TComponent* sender);
    void Edit6Change(TComponent* sender);
    void TabSheet3Show(TComponent* sender);
    void SkButtonClick(TComponent* sender);
    void CzButtonClick(TComponent* sender);
    void FillEBankList();

    // What the pages hold, as the save takes it.
    TaskSaveRequest Request() const;
    EditorPage ActivePage() const;
    // Why the task could not be shown (a stored time that is no time); empty when it was.
    const std::string& LoadError() const { return loadError_; }

    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2, *TabSheet3;
    TPanel* Panel1;
    TButton *BitBtn1, *BitBtn2, *CancelButton;

    // The task page.
    TLabel *Label1, *DatumLabel, *Label2, *MonthTitle;
    TButton *MonthBackButton, *MonthForwardButton;
    TRangeCalendar* MonthCalendar1;
    TLabel *CasLabel, *Label4, *Label6, *Label15, *Label16, *Label3, *Label5, *Label7, *UlohaLabel;
    TTimePicker *DateTimePicker1, *DateTimePicker2, *DateTimePicker3;
    TComboBox *ComboBox1, *OwnersComboBox, *RepeatComboBox;
    TColorComboBox* ColorComboBox1;
    TCheckBox* CheckBox1;
    TMemo* UlohaMemo;
    TLabel* Label8;
    TEdit* PathEdit;
    TButton* Button1;
    TCheckBox* RunCheckBox;
    TLabel *Label9, *Label10, *Label11, *Label12, *Label13, *Label14;
    TComboBox *ProjectComboBox, *SubProjectComboBox;
    TEdit *StartProjEdit, *EndProjEdit, *StartSubEdit, *EndSubEdit;
    TCheckBox* CompleteCheckBox;

    // The invoice page.
    TLabel *Label28, *Label17, *Label18, *Label19, *Label20, *Label21, *Label25, *Label26, *Label29, *Label30,
        *Label31, *Label22, *Label24, *Label32, *Label33;
    TDateEdit *DateEdit3, *DateEdit2, *DateEdit1;
    TEdit *Edit6, *Edit1, *Edit4, *Edit2, *Edit3, *Edit5;
    TUpDown* UpDown1;
    TComboBox *ComboBox2, *BankaComboBox, *OwnersComboBox2;
    TButton* Button9;
    TCheckBox *RunCheckBox2, *CheckBox11, *PayCheckBox;
    TColorComboBox* ColorComboBox11;
    TTimePicker* DateTimePicker11;

    // The payments page.
    TKvSpeedButton *SkButton, *CzButton;
    TLabel* Label40;
    TCheckBox* CheckBox2;
    TPanel* Panel2;
    TLabel *Label35, *Label36, *Label37, *Label38, *Label39;
    TDBCtrlGrid* DBCtrlGrid1;
    TDBMemo* DBMemo1;
    TDBDateEdit* DBDateEdit1;
    TDBText* DBText1;
    TLabel *Label23, *Label27, *Label34;
    TDBEdit* DBEdit1;
    TKvDBComboBox *KvDBComboBox1, *KvDBComboBox2, *KvDBComboBox3;
    TVolgaTable* VolgaTable1;
    TDataSource* DataSource1;

private:
    void BuildTaskPage();
    void BuildInvoicePage();
    void BuildPaymentsPage();
    void SetCaptions();
    void ShowMonthTitle();
    void FillOwners(const std::vector<std::string>& owners);
    void FillProjects();
    void FillSubProjects(const std::string& project);
    void ShowProjectSpan(const std::string& project);
    void ShowSubProjectSpan(const std::string& subProject);
    void LoadTask();
    void LoadInvoice();
    void OpenCountry(PaymentCountry country);
    PaymentCountry Country() const;
    void ShowRefusal(const std::string& text);
    // After another computer's change of the edited task: the editor shows the task anew.
    void ReloadAfterOtherChange();
    void TellProjectFilter(bool editorOpen);

    TaskEditorContext& context_;
    TaskEditorFlags& flags_;
    std::string loadError_;
    std::string kindsError_; // why the list of payment kinds could not be opened
    std::string currentKey_;
    bool linking_ = false; // the invoice dates move each other; no echo
};

} // namespace kvz
