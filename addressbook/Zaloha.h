// The send-to dialog: sends the chosen tables to the send-to folder, or makes the backup.
#pragma once

#include "addressbook/Exchange.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace kvz {

class TZalohaForm : public TForm {
public:
    TZalohaForm(TComponent* owner, ExchangeContext& context);

    TLabel* Label1;
    TCheckBox* CheckBox1; // send to
    TCheckBox* CheckBox2; // create backup
    TCheckBox* CheckBox4; // address
    TCheckBox* CheckBox3; // tasks
    TCheckBox* CheckBox6; // links
    TCheckBox* CheckBox5; // all
    TButton* BitBtn3;
    TButton* BitBtn2;
    TButton* BitBtn1;

    // The folder the user picks, from the desktop; none when he cancels.
    std::function<std::optional<std::filesystem::path>()> ChooseFolder;

    void FormShow(TComponent* sender);
    void CheckBox1Click(TComponent* sender);
    void CheckBox2Click(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);
    std::optional<TableGroup> CheckedGroup() const;

private:
    ExchangeContext& context_;
};

} // namespace kvz
