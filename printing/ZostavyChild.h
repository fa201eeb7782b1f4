// The report window (module 2 of the frame window): labels, envelopes and the address summary
// over the address table or the own choice of addresses, with the label sheet, the envelope
// and the sender address. The rules live beside it (AddressLayouts, LabelSheet, EnvelopeSetup,
// SenderFiles, ReportData); this window places controls, keeps the settings and calls them.
#pragma once

#include "addressbook/ModuleSearches.h"
#include "core/ModuleServices.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/report/PreparedReport.h"
#include "printing/AddressLayouts.h"
#include "printing/EnvelopeSetup.h"
#include "printing/LabelSheet.h"
#include "printing/ReportData.h"
#include "printing/ReportSources.h"
#include "printing/SenderFiles.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kvz {

class TDataModule1;
class TEnvelopeMiniatureControl;
class TVolgaTable;


// What prints: the report window's print kinds.
enum TPrintKind { PrintLabels = 0, PrintEnvelopes = 1, PrintSummary = 2 };

// The report window's state that lives for the whole run.
struct ReportsRunState {
    int ReportSource = 0;        // 0 addresses, 1 tasks, 2 links
    bool ShowFeedPicture = true; // a change of the envelope position shows the feed picture
    bool LabelAutoAdjust = true; // the sheet edits follow each other
    bool NewSenderMode = false;  // Use writes a new sender file
    int SelectedEnvelopeBlock = 1;
    std::filesystem::path CurrentSenderFile;
};
ReportsRunState& ReportsState();

class TZostavyChildForm : public TForm, public ModuleWindow, public ReportsSearchServices {
public:
    TZostavyChildForm(TComponent* owner, TDataModule1& data, FrameState& frame);
    ~TZostavyChildForm() override;

    // ---- what the frame window asks ----
    TForm& Form() override { return *this; }
    int Module() const override { return ReportsModule; }
    RecordBarState State(const ModuleContext& context) const override;
    void Run(Command command) override;
    void FormShow() override;
    void UlozDoPola() override;
    // The address block of the envelope picked, the arrows' positions cleared, the format C6.
    void ResetModuleState() override;
    void ApplySetting(ModuleSetting setting, int value) override;
    std::optional<TColor> PartColor(SetupTarget target) const override;
    void SetPartColor(SetupTarget target, TColor color) override;
    std::optional<TFont> PartFont(SetupTarget target) const override;
    void SetPartFont(SetupTarget target, const TFont& font) override;
    ModuleSearch* Search() override { return &search_; }
    void ShowListField(const std::string& fieldName) override;

    // ---- the window's operations ----
    // By the print kind: prepares the data, places the fields and shows the pages (envelopes
    // in the envelope preview); the address table's filter is off again on every path.
    void PreviewReport();
    void PrintReport();
    void SaveReport();
    void OpenReport();
    void FontChange();
    // The pages of the address report of the print kind, as preview, print and save make them.
    TPreparedReport PrepareAddressReport(bool forPrint);
    // The pages of whatever the data source shows (addresses or an embedded report window).
    TPreparedReport PrepareChosenReport(bool forPrint);
    // What Print sends to the printer: the chosen report, envelopes each on the envelope's paper.
    TPreparedReport PreparePrintedReport();
    void SpocitajStitky();
    void SetEnvelopeFeedOffset(int feed);
    void DoladStitky();
    void DoladObalky();
    void HorePosun();
    void DolePosun();
    void LeftPosun();
    void RightPosun();
    // The data set the layouts are bound to now.
    TDataSet* BoundDataSet() const { return bound_; }
    TReportData& ReportData() { return reportData_; }
    const std::string& SenderText() const { return senderText_; }
    int LabelsOnSheet() const { return LabelsPerSheet(Layouts.Labels); }

    // ---- handlers ----
    void FieldValueGroupClick();
    void CheckBox1Click();
    void ObalkyAdresyRadioGroupClick();
    void SelectComboBoxChange();
    void ComboBox1Click();
    // The data source selector set to the source (0 addresses, 1 tasks, 2 links) and run.
    void ChooseSource(int source);
    // Asks the frame window for a command (the print wizard's choices and its Finish).
    void RequestCommand(Command command) { Request(command); }
    // The task or link selection window shown inside, if any.
    ReportSourceWindow* EmbeddedSource() const { return embedded_; }
    void StyleObalkaComboBoxChange();
    void ObalkaComboBoxClick();
    void PolohaRadioGroupClick();
    void OdosielatelCheckBoxClick();
    void RamikCheckBoxClick();
    void DefaultObalkaButtonClick();
    void DefaultAdresButtonClick();
    void ObnovNastavenie();
    void AddButtonClick();
    void DelRepButtonClick();
    void DeleteReportButtonClick();
    void SheetEditChange(TSheetEdit edit);
    void PocetStlpcovEditExit();
    // A stored template: the whole sheet at once, shown in the sheet edits as it is, without
    // following; a sheet that cannot be printed is refused (ELabelSheetError) and nothing changes.
    void TakeLabelTemplate(const TLabelSheetValues& values);
    void UpDown1Click(TUDBtnType button);
    void UpDown2Click(TUDBtnType button);
    void UpDown3Click(TUDBtnType button);
    void UpDown4Click(TUDBtnType button);
    void AdresaShapeMouseUp();
    void OdosielatelShapeMouseUp();
    void BitBtn1Click(); // Change
    void BitBtn2Click(); // Use
    void BitBtn3Click(); // Delete
    void BitBtn4Click(); // New
    void UpDown5Click(TUDBtnType button);
    void TrackBar1Change();
    void SetReportsPosition();
    void LoadSenderAddress();
    void LoadSenderNames();
    void FormClose(TCloseAction& action);

    // ---- what tests and the desktop answer ----
    std::function<std::optional<std::filesystem::path>()> AskSaveFile, AskOpenFile;
    std::function<std::optional<TReportFont>(const TReportFont& current)> AskFont;

    // ---- the layouts and the rules ----
    TAddressLayouts Layouts;
    TLabelSheet Sheet;
    TEnvelopeMiniature Miniature;
    TSenderFiles Senders;

    // ---- controls ----
    TDBGrid* DBLookupListBox1;
    TDBGrid* DBLookupListBox2;
    TButton* AddButton;
    TButton* DelRepButton;
    TButton* DeleteReportButton;
    TRadioGroup* FieldValueGroup;
    TCheckBox* CheckBox1;
    TRadioGroup* ObalkyAdresyRadioGroup;
    TComboBox* SelectComboBox;
    TLabel* Label3;
    TComboBox* ComboBox1;
    TPanel* SourcePanel;
    TGroupBox* ObalkaBox;
    TRadioGroup* PolohaRadioGroup;
    TComboBox* ObalkaComboBox;
    TComboBox* StyleObalkaComboBox;
    TCheckBox* OdosielatelCheckBox;
    TEnvelopeMiniatureControl* ObalkyPanel;
    TUpDown* UpDown3;
    TUpDown* UpDown4;
    TButton* DefaultObalkaButton;
    TGroupBox* StitkyPanel;
    TLabel* Label1;
    TEdit* PocetStlpcovEdit;
    TEdit* SirkaEdit;
    TEdit* VyskaEdit;
    TEdit* LavyOkrajEdit;
    TEdit* MedzeraEdit;
    TEdit* HornyOkrajEdit;
    TEdit* HornaMedzeraEdit;
    TLabel* SheetLabels[6];
    TCheckBox* RamikCheckBox;
    TPanel* SelectPanel;
    TDBMemo* DBMemo1;
    TUpDown* UpDown1;
    TUpDown* UpDown2;
    TButton* DefaultAdresButton;
    TGroupBox* SenderBox;
    TLabel* Label2;
    TMemo* Memo1;
    TButton* BitBtn1;
    TButton* BitBtn2;
    TButton* BitBtn3;
    TButton* BitBtn4;
    TUpDown* UpDown5;
    TTrackBar* TrackBar1;
    TLabel* LetterLabel;

private:
    void BuildControls();
    void ShowCaptions();
    void BindLayouts(TDataSet* dataSet);
    // The layouts and the sample go back to the record choice's data before the repeated
    // table goes.
    void UnbindRepeatOne();
    void WriteSheetEdits();
    TEdit* SheetEditOf(TSheetEdit edit) const;
    void ShowEmbedded(int source);
    void FreeEmbedded();
    void SetSenderCaption(const std::string& text);
    void LoadSenderFile(const std::filesystem::path& file);
    int Setting(int slot) const;
    void SetSetting(int slot, int value);
    std::string SortField() const;
    std::string SearchField() const;
    TVolgaTable* Addresses() const;
    // The address layout chosen, made ready for its records.
    TReportLayout& ChosenAddressLayout(bool forPrint);
    // Runs the report work over the chosen records, the address filter put back whatever happens.
    void OverChosenRecords(const std::function<void()>& use);

    TDataModule1& data_;
    FrameState& frame_;
    ReportsSearch search_;
    TReportData reportData_;
    TDataSet* bound_ = nullptr;
    TDataSource* boundSource_ = nullptr;
    std::unique_ptr<TDataSource> repeatSource_;
    ReportSourceWindow* embedded_ = nullptr;
    std::string senderText_;
    bool writingSheet_ = false;
    bool movingTrack_ = false;
    bool ready_ = false;
};

} // namespace kvz
