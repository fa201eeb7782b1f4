// The sort-order dialog: the field by which the address list is sorted and which the quick
// list shows. The choice is stored on OK only.
#pragma once

#include "addressbook/FieldChoices.h"
#include "core/ModuleServices.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <vector>

namespace kvz {

class TDataModule1;

class TOrderForm : public TForm {
public:
    TOrderForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    TGroupBox* RadioGroup1; // " Order by : ", around the list of fields
    TListBox* ListBox1;     // scrolls when the user fields are many
    TButton* BitBtn1;       // OK

    void FormShow(TComponent* sender);
    void BitBtn1Click(TComponent* sender);

private:
    TDataModule1& data_;
    FrameState& frame_;
    std::vector<FieldChoice> choices_;
};

} // namespace kvz
