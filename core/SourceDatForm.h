// The link-type dialog of the links window: a text typed, or taken from a value of the address
// table through "<<Edit".
#pragma once

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <string>
#include <vector>

namespace kvz {

class TDataSet;

// The values of the field in the rows of the dataset, in row order, each once; the dataset's
// current row stays. None when the dataset is closed or has no such field.
std::vector<std::string> LookupValues(TDataSet& dataSet, const std::string& fieldName);

class TSourceDatForm : public TForm {
public:
    static constexpr int kHelpContext = 47;

    // addressTable may be null (no values to offer); lookupField names its field shown.
    TSourceDatForm(TComponent* owner, TDataSet* addressTable, std::string lookupField);

    TEdit* Edit1;
    TButton* EditTypeButton;
    // The address values to pick from. The data-aware lookup combo stands here as a plain combo
    // box over the values of the lookup field.
    TComboBox* KvDBLookupCombo1;
    TButton* OkButton;
    TButton* CancelButton;
    TButton* HelpButton;

    // The links window's variables: the text shown at the start unless LinkTypeNoPrefill, and
    // the text entered after OK (left alone on Cancel).
    bool LinkTypeNoPrefill = false;
    std::string LinkTypeText;

    void FormCreate(TComponent* sender);
    void FormShow(TComponent* sender);
    void EditTypeButtonClick(TComponent* sender);
    void KvDBLookupCombo1Select(TComponent* sender);
    void OkButtonClick(TComponent* sender);
    void HelpButtonClick(TComponent* sender);

private:
    TDataSet* addressTable_;
    std::string lookupField_;
};

} // namespace kvz
