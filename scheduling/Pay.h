// The payment order form: a small window that stays on top of every window while the user pays
// an incoming invoice in the internet bank, showing the invoice's payment data in read-only
// fields whose texts the user drags into the bank's page. "Paid bills" marks the invoice task
// done through the task table, never through the scheduling window, which may be gone by then.
#pragma once

#include "platform/forms/DropSource.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kvz {

class TDataModule1;
struct FrameState;

// The message when the task shown is no invoice, the same words in every language.
inline constexpr const char* kNothingToPay = "Nie je co platit";

// A task paid in the internet bank: an incoming invoice ("F") or a regular payment ("P", "C").
inline bool PayableTaskType(std::string_view type) { return type == "F" || type == "P" || type == "C"; }

// What paying the current task comes to: its e-bank address opened, or why nothing opens. An
// empty address would hand the desktop the program's own working folder.
enum class PayStep { Open, NotPayable, NoAddress };
inline PayStep PayStepFor(std::string_view type, std::string_view path, bool payWithEBank) {
    if (!PayableTaskType(type)) return PayStep::NotPayable;
    return path.empty() || !payWithEBank ? PayStep::NoAddress : PayStep::Open;
}

class TPayForm : public TForm {
public:
    TPayForm(TComponent* owner, TDataModule1& data, FrameState& frame);

    void FormShow();
    void FormActivate();
    void FormClose(TCloseAction& action);
    void Edit1MouseDown(int x, int y);
    // The mouse moved over field n (1..5) with the buttons and keys in shift.
    void EditMouseMove(int n, TShiftState shift, int x, int y);
    void BitBtn1Click(); // paid
    void BitBtn2Click(); // cancel

    // The key of the invoice task whose data the form shows (empty until one was shown).
    const std::string& PayTaskNumber() const { return payTaskNumber_; }
    TEdit* Field(int n) const { return fields_.at(size_t(n - 1)); }

    TLabel* Label19;
    TLabel* Label31;
    TLabel* Label20;
    TLabel* Label21;
    TLabel* Label25;
    TEdit* Edit1;
    TEdit* Edit2;
    TEdit* Edit3;
    TEdit* Edit4;
    TEdit* Edit5;
    TButton* BitBtn3;
    TButton* BitBtn2;
    TButton* BitBtn1;
    TDropTextSource* DropSource1;

private:
    TDataModule1& data_;
    FrameState& frame_;
    std::array<TEdit*, 5> fields_{};
    std::string payTaskNumber_;
    int pressX_ = 0, pressY_ = 0;
    // The task that was no invoice when the form was activated last: told once, not at every
    // activation (closing the message activates the form again).
    std::optional<std::string> toldNothingFor_;
    bool telling_ = false;
};

} // namespace kvz
