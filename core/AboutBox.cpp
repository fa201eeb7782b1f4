#include "core/AboutBox.h"

#include "core/Messages.h"
#include "core/SmallRoutines.h"

namespace kvz {

namespace {

constexpr const char* kWebPage = "http://www.kvzirt.example";
constexpr const char* kMailAddress = "info@kvzirt.example";

TLabel* PlaceLabel(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int top, int size,
              bool bold = false) {
    auto* label = new TLabel(owner);
    label->SetName(name);
    label->SetParent(parent);
    label->SetCaption(caption);
    TFont font = label->Font();
    font.Size = size;
    if (bold) font.Style = fsBold;
    label->SetFont(font);
    label->SetBounds(16, top, 300, label->Height());
    return label;
}

TLabel* Link(TLabel* label) {
    TFont font = label->Font();
    font.Color = clBlue;
    font.Style = fsUnderline;
    label->SetFont(font);
    label->SetCursor(crHandPoint);
    return label;
}

} // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
    SetName("AboutBox");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(360, 290);
    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetBounds(8, 8, 344, 236);
    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetName("TabSheet1");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetCaption("O programe KV-Zirt");
    TabSheet2 = new TTabSheet(this);
    TabSheet2->SetName("TabSheet2");
    TabSheet2->SetPageControl(PageControl1);
    TabSheet2->SetCaption("Poďakovanie");

    ProductName = PlaceLabel(this, TabSheet1, "ProductName", "KV-Zirt", 24, 20, true);
    Version = PlaceLabel(this, TabSheet1, "Version", "Version : 3.6", 72, 10);
    WebLabel = Link(PlaceLabel(this, TabSheet1, "WebLabel", kWebPage, 120, 9));
    MailLabel = Link(PlaceLabel(this, TabSheet1, "MailLabel", kMailAddress, 144, 9));
    WebLabel->OnClick = [this](TComponent* s) { WebLabelClick(s); };
    MailLabel->OnClick = [this](TComponent* s) { MailLabelClick(s); };

    ThanksLabel = PlaceLabel(this, TabSheet2, "ThanksLabel", " Poďakovanie : ", 8, 9, true);
    ThanksText = PlaceLabel(this, TabSheet2, "ThanksText",
                       "Chcel by som sa poďakovať týmto ľuďom za ich záujem, nápady, a podporu pri tvorbe a odladení "
                       "programu KV-Zirt.",
                       30, 9);
    ThanksText->SetAutoSize(false);
    ThanksText->SetWordWrap(true);
    ThanksText->SetBounds(16, 30, 308, 48);
    TestersList = new TListBox(this);
    TestersList->SetName("TestersList");
    TestersList->SetParent(TabSheet2);
    TestersList->SetBounds(16, 84, 308, 110);
    for (const char* tester : {"Ján Kováč", "Mária Horváthová", "Peter Šťastný", "Zuzana Čierna", "Štefan Ďurica"})
        TestersList->Items().Add(tester);

    OKButton = new TButton(this);
    OKButton->SetName("OKButton");
    OKButton->SetParent(this);
    OKButton->SetCaption("OK");
    OKButton->SetModalResult(mrOk);
    OKButton->SetDefault(true);
    OKButton->SetBounds(277, 254, 75, 25);
    OnShow = [this](TComponent* s) { FormShow(s); };
}

void TAboutBox::FormShow(TComponent*) {
    PageControl1->SetActivePageIndex(0);
    switch (Language()) {
    case 1:
        TabSheet1->SetCaption("About KV-Zirt");
        TabSheet2->SetCaption("Thanks");
        ThanksLabel->SetCaption("Thanks :");
        ThanksText->SetCaption("I would like to thanks to this people for the remindes, testing and advices of KV-Zirt. ");
        break;
    case 3:
        TabSheet1->SetCaption("O programu KV-Zirt");
        TabSheet2->SetCaption("Poděkování");
        ThanksLabel->SetCaption("Poděkování :");
        ThanksText->SetCaption("Ctěl bych teď poděkovat těmto lidem za jejich zájem, nápady, a podporu při tvorbě a "
                               "odladění programu KV-Zirt.");
        break;
    default: break; // Slovak is the designed text
    }
    SetCaption(TabSheet1->Caption());
}

void TAboutBox::WebLabelClick(TComponent*) { ShellOpenFile(kWebPage, "", "", 1); }

void TAboutBox::MailLabelClick(TComponent*) { ShellOpenFile(std::string("mailto:") + kMailAddress, "", "", 1); }

} // namespace kvz
