// The find window: modeless for the whole run. The user picks a field and types; the table of
// the active module moves, key by key, to the first record whose field begins with the text,
// letter case ignored. Picking a field also sorts the active module by it.
#pragma once

#include "addressbook/FieldChoices.h"
#include "addressbook/ModuleSearches.h"
#include "core/ModuleServices.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <string>
#include <vector>

namespace kvz {

class TDataModule1;

class TFindTextForm : public TForm {
public:
    TFindTextForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    TLabel* IndexLabel;
    TComboBox* IndexComboBox;
    TLabel* FindTextLabel;
    TEdit* FindEdit;

    // The search text, kept while the program runs.
    std::string SearchText;

    // Fills the field list for the active module (the scheduling module keeps the list).
    void NaplnUserField();
    void FormShow(TComponent* sender);
    void FormActivate(TComponent* sender);
    void IndexComboBoxChange(TComponent* sender);
    void FindEditChange(TComponent* sender);

    // The field of the chosen item; empty when none is chosen.
    std::string ChosenField() const;

private:
    // The active module's search; nullptr when it offers none.
    ModuleSearch* Search() const;
    TDataModule1& data_;
    FrameState& frame_;
    std::vector<FieldChoice> choices_;
    int listModule_ = NoModule; // the module the list was filled for
};

} // namespace kvz
