// The export dialog and its code page question.
#pragma once

#include "addressbook/ExportTables.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kvz {

// The XML code page: nine named encodings, Western European first chosen.
class TEncodingForm : public TForm {
public:
    explicit TEncodingForm(TComponent* owner);
    TLabel* Label2;
    TComboBox* ComboBox1;
    TButton* BitBtn1;
    // The encoding that OK chose; none when the dialog closed otherwise.
    std::optional<std::string> Chosen;

    void FormShow(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
};

class TExportForm : public TForm {
public:
    TExportForm(TComponent* owner, ExchangeContext& context);

    TLabel* Label1;
    TCheckBox* CheckBox1; // dBASE
    TCheckBox* CheckBox2; // workbook
    TCheckBox* CheckBox3; // XML
    TCheckBox* CheckBox4; // address
    TCheckBox* CheckBox5; // tasks
    TCheckBox* CheckBox7; // links
    TCheckBox* CheckBox6; // all
    TButton* BitBtn3;
    TButton* BitBtn2;
    TButton* BitBtn1;

    // The encoding of the XML files; the code page dialog replaces it.
    std::string ExportEncoding = "windows-1252";
    // The folder the user picks, from the desktop; none when he cancels. The frame window's
    // folder browser unless a caller sets another.
    std::function<std::optional<std::filesystem::path>()> ChooseFolder;
    // The files the last OK wrote.
    std::vector<std::filesystem::path> Written;

    void FormShow(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);
    // The group of the checked table box; none when no box is checked.
    std::optional<TableGroup> CheckedGroup() const;

private:
    ExchangeContext& context_;
};

// The folder browser from the desktop; none when cancelled.
std::optional<std::filesystem::path> ChooseExchangeFolder();

} // namespace kvz
