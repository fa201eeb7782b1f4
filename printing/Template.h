// The label-sheet template dialog: the report window's sheet geometry kept under a name in the
// data module's template table, and taken back into the report window's sheet edits.
#pragma once

#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "printing/LabelSheet.h"

#include <optional>
#include <string>

namespace kvz {

class TDataModule1;
class TZostavyChildForm;

enum class TTemplateMode { New, Open };

// A text of a sheet edit as a value: the user's number format first, then the other decimal
// separator (a template may have been saved under another language); columns are whole numbers.
std::optional<Centi> ParseTemplateValue(TSheetEdit edit, std::string_view text, const FormatSettings& fs);

class TTemplateForm : public TForm {
public:
    TTemplateForm(TComponent* owner, TDataModule1& data, TZostavyChildForm& reports, TTemplateMode mode);
    ~TTemplateForm() override;

    void FormShow();
    void LoadDataForSave();
    void LoadDataFromDatabase();
    void DBLookupListBox1Click();
    void BitBtn1Click(); // Use
    void BitBtn2Click(); // Edit
    void BitBtn3Click(); // Save
    void BitBtn4Click(); // Cancel
    void BitBtn7Click(); // Delete
    void BitBtn5Click(); // OK
    void BitBtn6Click(); // Help
    void FormClose();

    bool EditFlag() const { return editFlag_; }
    // The dialog's edit of a sheet value.
    TEdit* EditOf(TSheetEdit edit) const;

    TEdit* Edit1;
    TLabel* Label1;
    TLabel* Label2;
    TGroupBox* StitkyPanel;
    TEdit* PocetStlpcovEdit;
    TEdit* SirkaEdit;
    TEdit* VyskaEdit;
    TEdit* MedzeraEdit;
    TEdit* LavyOkrajEdit;
    TEdit* HornyOkrajEdit;
    TEdit* HornaMedzeraEdit;
    TLabel* SheetLabels[6];
    TDBGrid* DBLookupListBox1;
    TPanel* Panel1;
    TButton* BitBtn1;
    TButton* BitBtn2;
    TButton* BitBtn7;
    TPanel* Panel2;
    TButton* BitBtn3;
    TButton* BitBtn4;
    TButton* BitBtn5;
    TButton* BitBtn6;

private:
    void SetEditing(bool editing);
    TEdit* ReportEditOf(TSheetEdit edit) const;

    TDataModule1& data_;
    TZostavyChildForm& reports_;
    TTemplateMode mode_;
    bool editFlag_ = false;
    bool closed_ = false;
};

} // namespace kvz
