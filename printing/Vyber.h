// The summary column chooser: which address fields fill the summary's three columns.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <string>

namespace kvz {

class TReportLayout;

// The field of a choice (0 "Name" Firma ... 14 "Address 2" Adresa_2); empty for another index.
std::string PolozkyFieldName(int index);
// The catalogue number of a choice's text.
int PolozkyTextId(int index);
constexpr int kPolozkyCount = 15;

class TPolozkyForm : public TForm {
public:
    TPolozkyForm(TComponent* owner, TReportLayout& summary);
    void FormShow();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void BitBtn1Click(); // OK: the headings go to the summary's column headings
    void BitBtn2Click(); // Cancel: the columns as they were when the chooser opened

    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TComboBox* ComboBox1;
    TComboBox* ComboBox2;
    TComboBox* ComboBox3;
    TButton* BitBtn1;
    TButton* BitBtn2;

private:
    void Chosen(TComboBox* box, TLabel* label, const char* element);
    TReportLayout& summary_;
    std::string openedFields_[3];
};

} // namespace kvz
