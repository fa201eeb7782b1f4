// The link-type dialog of the links window: a text typed, or taken from a value of the address
// table through "<<Edit".
#pragma once

#include "controls/KvLookup.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <string>

namespace kvz {

class TDataSet;
class TDataSource;

class TSourceDatForm : public TForm {
public:
    static constexpr int kHelpContext = 47;

    // addressTable may be null (no values to offer); lookupField names its field shown.
    TSourceDatForm(TComponent* owner, TDataSet* addressTable, std::string lookupField);

    TEdit* Edit1;
    TButton* EditTypeButton;
    // The address rows to pick a value from, shown by the lookup field.
    TKvDBLookupCombo* KvDBLookupCombo1;
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
    TDataSource* addressSource_;
    std::string lookupField_;
};

} // namespace kvz
