// The field assignment dialog: the user pairs fields of the own table with fields of the
// table being imported, when the two differ in structure.
#pragma once

#include "addressbook/Exchange.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <optional>

namespace kvz {

class TDataSet;

// The name of a field's kind (messages 82 to 86); empty for kinds without one.
std::string FieldKindText(TFieldType type);

class TAssignForm : public TForm {
public:
    TAssignForm(TComponent* owner, TDataSet& target, TDataSet& source);

    TGroupBox* GroupBox1;
    TLabel* Label3;
    TComboBox* ComboBox1;
    TLabel* Label2;
    TEdit* Edit1;
    TGroupBox* GroupBox2;
    TLabel* Label4;
    TComboBox* ComboBox2;
    TLabel* Label5;
    TEdit* Edit2;
    TButton* Button1;
    TListBox* ListBox1;
    TButton* SpeedButton1;
    TButton* BitBtn3;
    TButton* BitBtn2;
    TButton* BitBtn1;

    // Set by OK: the pairs of the list, in order.
    bool AssignConfirmed = false;
    FieldAssignment Assignment;

    void FormShow(TComponent* sender);
    void ComboBox1Change(TComponent* sender);
    void ComboBox2Change(TComponent* sender);
    void Button1Click(TComponent* sender);
    void SpeedButton1Click(TComponent* sender);
    void BitBtn1Click(TComponent* sender);
    void BitBtn3Click(TComponent* sender);

private:
    TDataSet& target_;
    TDataSet& source_;
};

// Shows the dialog modally; none when it was cancelled.
std::optional<FieldAssignment> ShowAssignDialog(TDataSet& target, TDataSet& source);

} // namespace kvz
