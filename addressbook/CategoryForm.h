// The category dialog: the names of the five user address categories (text settings 20 to
// 24), after the three fixed ones.
#pragma once

#include "core/ModuleServices.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <array>

namespace kvz {

class TAddForm : public TForm {
public:
    TAddForm(TComponent* owner, FrameState& frame);

    std::array<TEdit*, 8> Edits; // Edit1 to Edit3 the fixed categories, Edit4 to Edit8 the user's
    TButton* BitBtn1;            // OK

    void FormShow(TComponent* sender);
    // Stores the names and closes; names that are too long or repeat another are refused
    // with a message, and the dialog stays open.
    void BitBtn1Click(TComponent* sender);

private:
    FrameState& frame_;
};

} // namespace kvz
