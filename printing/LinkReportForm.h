// The link report selection window: inside the report window, it chooses the links the links
// summary prints, all of them or those of one type.
#pragma once

#include "printing/LinkReport.h"
#include "printing/ReportSelectionForm.h"

#include <memory>

namespace kvz {

class TDataModule1;

class TLinksReportForm : public TReportSelectionForm {
public:
    TLinksReportForm(TComponent* owner, TWinControl* parent, TDataModule1& data);
    ~TLinksReportForm() override;

    TReportLayout& ChosenLayout() override { return *layout_; }

    TLabel* Label1;
    TComboBox* TypeComboBox;
    TButton* BitBtn1; // "Selection"
    TButton* BitBtn2; // "All"
    TButton* BitBtn3; // Help
    TTabSheet* TabSheet1;

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

private:
    void FormShow();

    TDataModule1& data_;
    std::unique_ptr<TReportLayout> layout_;
    std::unique_ptr<TLinkSelection> selection_;
};

} // namespace kvz
