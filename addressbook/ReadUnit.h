// The import dialog: one source (another user's send-to folder, the Windows Address Book, a
// dBASE file, the files of version 2.1, the backups) and one group of tables.
#pragma once

#include "addressbook/Exchange.h"
#include "addressbook/WabImport.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kvz {

class TReadForm : public TForm {
public:
    TReadForm(TComponent* owner, ExchangeContext& context, WabContactSource& wab);

    TLabel* Label1;
    TCheckBox* CheckBox1; // another user's send-to folder
    TCheckBox* CheckBox2; // Windows Address Book
    TCheckBox* CheckBox3; // backups
    TCheckBox* CheckBox7; // dBASE file
    TCheckBox* CheckBox8; // version 2.1
    TCheckBox* CheckBox4; // address
    TCheckBox* CheckBox5; // tasks
    TCheckBox* CheckBox9; // links
    TCheckBox* CheckBox6; // all
    TButton* BitBtn3;
    TButton* BitBtn2;
    TButton* BitBtn1;

    // The folder the user picks, from the desktop; none when he cancels.
    std::function<std::optional<std::filesystem::path>()> ChooseFolder;
    // A file the user picks with the dialog's filter ("Dbase file (*.dbf)"...); none when he cancels.
    std::function<std::optional<std::filesystem::path>(const std::string& filter)> PickFile;
    // The field assignment dialog.
    AskAssignment AskFields;

    void FormShow(TComponent* sender);
    void CheckBoxClick(TCheckBox* box);
    void BitBtn1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);
    void Label1Click(TComponent* sender);
    std::optional<TableGroup> CheckedGroup() const;

private:
    ExchangeContext& context_;
    WabContactSource& wab_;
};

// The file dialog of the imports; none when cancelled.
std::optional<std::filesystem::path> PickImportFile(const std::string& filter);

} // namespace kvz
