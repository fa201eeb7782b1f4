// The task report selection window: inside the report window, it chooses the tasks the task
// reports print (project, sub-project, dates, owner) and, by its active tab, the brief or the
// full layout.
#pragma once

#include "controls/ToolEdit.h"
#include "printing/ReportSelectionForm.h"
#include "printing/TaskReportLayouts.h"
#include "printing/TaskReportSelection.h"

#include <memory>

namespace kvz {

class TDataModule1;

class TTasksReportForm : public TReportSelectionForm {
public:
    TTasksReportForm(TComponent* owner, TWinControl* parent, TDataModule1& data);
    ~TTasksReportForm() override;

    // The brief layout on the first tab, the full one on the second.
    TReportLayout& ChosenLayout() override;

    TLabel *Label2, *Label5, *Label6, *Label7, *Label8;
    TComboBox* ProjectComboBox;
    TComboBox* SubProjectComboBox;
    TComboBox* OwnersComboBox;
    TDateEdit* DateEdit1;
    TDateEdit* DateEdit2;
    TButton* BitBtn2; // "Selection"
    TButton* BitBtn3; // "All"
    TButton* BitBtn1; // Help
    TTabSheet* TabSheet1;
    TTabSheet* TabSheet2;

    void ProjectComboBoxChange();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn1Click();

private:
    void FormShow();

    TDataModule1& data_;
    std::unique_ptr<TReportLayout> brief_, full_;
    std::unique_ptr<TTaskSelection> selection_;
};

} // namespace kvz
