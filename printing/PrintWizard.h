// The print wizard: five pages leading to envelopes, address labels, an address summary, a
// tasks summary or a links summary. It keeps nothing of its own: every choice goes at once into
// the report window and the task or link selection window inside it, and Finish asks the frame
// window for the report window's preview. One wizard at a time, over the report window it
// serves, and it goes with that window.
#pragma once

#include "controls/KvDBGrid.h"
#include "controls/PageMngr.h"
#include "controls/ToolEdit.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "printing/WizardPages.h"

#include <memory>

namespace kvz {

class TDataModule1;
class TZostavyChildForm;
class TTasksReportForm;
class TLinksReportForm;
class TWizardFeedPicture;
class TWizardSheetPicture;

// Offers the wizard to the frame window's "Wizard" button ("TPrintWizardForm"), over the report
// window that is shown.
void RegisterPrintWizard(TDataModule1& data);

// Shows the wizard over the report window, modeless; while one is open it is brought forward
// instead of a second one being made.
class TPrintWizardForm;
TPrintWizardForm& ShowPrintWizard(TDataModule1& data, TZostavyChildForm& reports);
// The wizard that is open, if any.
TPrintWizardForm* OpenPrintWizard();

class TPrintWizardForm : public TForm {
public:
    // Owned by the report window, so it closes with it.
    TPrintWizardForm(TZostavyChildForm& reports, TDataModule1& data);
    ~TPrintWizardForm() override;

    // The kind as the path rules see it.
    TWizardChoice Choice() const;

    // ---- pages and navigation ----
    TPageControl* Notebook1;
    TTabSheet *ReportType, *SelectData, *SelectDesing, *PrinterSetup, *ConfirmPage;
    TPageManager* PageManager1;
    TButton *BitBtn2, *Button2, *Button1, *BitBtn1; // Help, Back, Next, Cancel

    // ReportType
    TLabel *Label1, *Label16;
    TRadioGroup* RadioGroup1;

    // SelectData
    TPanel* AddressDataPanel;
    TLabel* Label2;
    TRadioGroup* FieldValueGroup;
    TDBGrid* DBLookupListBox1;
    TDBGrid* DBLookupListBox2;
    TButton *AddButton, *DelRepButton, *DeleteReportButton;
    TPanel* SelectTaskPanel;
    TLabel *Label3, *Label35, *Label36, *Label4, *Label34, *Label7, *Label5, *Label6;
    TComboBox *ProjectComboBox, *SubProjectComboBox, *OwnersComboBox;
    TDateEdit *DateEdit1, *DateEdit2;
    TButton* BitBtn4; // "All"
    TPanel* LinksPanel;
    TLabel *Label42, *Label44, *Label43, *Label45;
    TComboBox* TypeComboBox;
    TButton *BitBtn3, *BitBtn5; // "All", "Selection"

    // SelectDesing
    TPanel* DesingEnvelopePanel;
    TLabel *Label9, *Label14, *Label15, *Label17;
    TComboBox *SelectComboBox, *ObalkaComboBox, *StyleObalkaComboBox;
    TCheckBox* OdosielatelCheckBox;
    TPanel* DesingLabelPanel;
    TLabel *Label18, *Label20, *Label19, *Label21;
    TComboBox *SelectComboBox1, *StyleObalkaComboBox1;
    TCheckBox *CheckBox1, *RamikCheckBox;
    TPanel* SurveyPanel;
    TLabel* Label29;
    TRadioGroup* RadioGroup2;
    TPanel* TaskPanel;
    TLabel* Label37;
    TKvDBGrid* UlohaDbGrid;

    // PrinterSetup: the envelope's own controls, and the panels of the other kinds
    TPanel* EnvelopeSetupPanel;
    TRadioGroup *PolohaRadioGroup, *SetupObRadioGroup;
    TWizardFeedPicture* Image16;
    TPanel* LabelPrinterPanel;
    TLabel *Label24, *Label22, *Label26, *Label27, *Label23;
    TEdit* PocetStlpcovEdit;
    TUpDown* PocetStlpcovUpDown;
    TWizardSheetPicture* SheetPicture;
    TEdit *HornyOkrajEdit, *SirkaEdit, *VyskaEdit, *HornaMedzeraEdit, *LavyOkrajEdit, *MedzeraEdit;
    TLabel* SheetLabels[6];
    TPanel* SurveyPrinterPanel;
    TLabel *Label41, *Label30, *Label31, *Label32;
    TComboBox *ComboBox1, *ComboBox2, *ComboBox3;
    TButton* Button5;
    TPanel* TaskPrinterPanel;
    TLabel* Label40;
    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2;

    // ConfirmPage
    TPanel* ConfirmOwnPanel;
    TLabel* Label8;
    TButton* Button3;
    TPanel* ConfirmLabelPanel;
    TLabel* Label28;
    TDBMemo* DBMemo1;
    TUpDown *UpDown1, *UpDown2;
    TButton *DefaultAdresButton, *Button4;

    // ---- handlers ----
    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    void RadioGroup1Click();
    void PageManager1PageChanged();
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void FieldValueGroupClick();
    void SelectComboBoxChange();
    void SelectComboBox1Change();
    void ObalkaComboBoxClick();
    void StyleObalkaComboBoxClick();
    void StyleObalkaComboBox1Click();
    void OdosielatelCheckBoxClick();
    void RamikCheckBoxClick();
    void CheckBox1Click();
    void PocetStlpcovEditExit();
    void AddButtonClick();
    void DelRepButtonClick();
    void DeleteReportButtonClick();
    void DefaultAdresButtonClick();
    void UpDown1Click(TUDBtnType button);
    void UpDown2Click(TUDBtnType button);
    void SheetEditChange(int edit); // 0 top margin, 1 width, 2 height, 3 row gap, 4 margin, 5 gap
    void LoadLabelPrintParemeters();
    void Label22Click();
    void SetupObRadioGroupClick();
    void PolohaRadioGroupClick();
    void RadioGroup2Click();
    void SummaryColumnChange(int column);
    void Button5Click();
    void ProjectComboBoxChange();
    void BitBtn4Click();
    void SelectTask();
    void PageControl1Change();
    void TypeComboBoxChange();
    void BitBtn5Click();
    void BitBtn3Click();

private:
    void BuildPages();
    void BuildAddressPanels();
    void BuildTaskAndLinkPanels();
    void BuildSetupPanels();
    void BuildConfirmPanels();
    void ShowCaptions();
    TTasksReportForm* Tasks() const;
    TLinksReportForm* Links() const;
    int Setting(int slot) const;
    // The panels of the pages, by the kind.
    void ShowPanels();
    // The page's own controls show where none of its panels covers them.
    void ShowOwnControls();
    void TakeTaskLists();

    TZostavyChildForm& reports_;
    TDataModule1& data_;
    // The links table's record filter handler, taken away while the wizard is open so that only
    // the link report window's filter text applies; given back however the wizard ends.
    struct LinksHandler;
    std::unique_ptr<LinksHandler> linksHandler_;
    bool copyingSheet_ = false;
};

} // namespace kvz
