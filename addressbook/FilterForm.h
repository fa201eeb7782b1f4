// The filter dialog: up to five field and text pairs make the filter of the address table
// (address book active) or of the links table (links active). Each typed text is found
// anywhere in its field, as it stands.
#pragma once

#include "addressbook/FieldChoices.h"
#include "core/ModuleServices.h"
#include "platform/data/DB.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <array>
#include <vector>

namespace kvz {

class TDataModule1;

class TFilterForm : public TForm {
public:
    TFilterForm(TComponent* owner, TDataModule1& data, FrameState& frame);
    ~TFilterForm() override;

    std::array<TComboBox*, 5> ComboBoxes; // ComboBox1 to ComboBox5
    std::array<TLabel*, 5> EqualLabels;
    std::array<TEdit*, 5> Edits; // Edit1 to Edit5
    std::array<TLabel*, 4> AndLabels; // Label6 to Label9
    TCheckBox* CheckBox1; // case sensitive, hidden
    TButton* BitBtn3;     // help
    TButton* BitBtn2;     // cancel
    TButton* BitBtn1;     // OK

    void FillFieldList();
    void FormShow(TComponent* sender);
    void ComboBox1Change(TComponent* sender);
    void CheckBox1Click(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);
    void FormClose(TComponent* sender, TCloseAction& action);

    // The filter of the five rows with the chosen module's field names.
    std::string FilterText() const;

private:
    TDataSet* Table() const;
    std::string FieldOf(int row) const;
    TDataModule1& data_;
    // The active module's search; nullptr when it offers none.
    ModuleSearch* Search() const;
    FrameState& frame_;
    std::vector<FieldChoice> choices_;
    // The record filters of the tables, off while the dialog is open so that the filter text
    // alone applies, and back afterwards.
    TFilterRecordEvent addressFilter_, linksFilter_;
    bool applied_ = false;
};

} // namespace kvz
