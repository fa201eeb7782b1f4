// The e-bank address dialog: up to five internet bank pages, kept in the text settings, that the
// task editor offers for an invoice and the payments page for each regular payment. OK keeps
// them in the settings file at once, so an address typed here outlives a program that stops.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <array>
#include <string>

namespace kvz {

struct FrameState;

// The longest e-bank address, in characters.
inline constexpr int kEBankAddressLength = 200;

class TAddBankForm : public TForm {
public:
    TAddBankForm(TComponent* owner, FrameState& frame);

    void FormShow();
    void BitBtn1Click(); // OK
    void BitBtn2Click(); // cancel
    void HelpButtonClick();

    // Field n (1..5) holds text setting 25 + n.
    TEdit* Field(int n) const { return fields_.at(size_t(n - 1)); }

    TEdit* Edit1;
    TEdit* Edit2;
    TEdit* Edit3;
    TEdit* Edit4;
    TEdit* Edit5;
    TButton* HelpButton;
    TButton* BitBtn2;
    TButton* BitBtn1;

private:
    // The text setting of field n; only with settings.
    std::string& EBankSlot(int n);
    FrameState& frame_;
    std::array<TEdit*, 5> fields_{};
};

} // namespace kvz
