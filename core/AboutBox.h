// The about box: the program's name, version and addresses, and a page that thanks the people
// who tested it.
#pragma once

#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace kvz {

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* owner);

    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2;
    TLabel *ProductName, *Version, *WebLabel, *MailLabel;
    TLabel *ThanksLabel, *ThanksText;
    TListBox* TestersList;
    TButton* OKButton;

    void FormShow(TComponent* sender);
    void WebLabelClick(TComponent* sender);
    void MailLabelClick(TComponent* sender);
};

} // namespace kvz
