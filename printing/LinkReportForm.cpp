#include "printing/LinkReportForm.h"

#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "platform/forms/MakeControl.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace kvz {

namespace {
constexpr int kHelpContext = 39;
}

TLinksReportForm::TLinksReportForm(TComponent* owner, TWinControl* parent, TDataModule1& data)
    : TReportSelectionForm(owner, parent, 2), data_(data), layout_(MakeLinkLayout()) {
    SetName("LinksReportForm");
    SetHelpContext(kHelpContext);
    Label1 = MakeControl<TLabel>(this, this, "Label1");
    TypeComboBox = MakeControl<TComboBox>(this, this, "TypeComboBox");
    TypeComboBox->SetStyle(TComboBoxStyle::csDropDownList);
        Choices->addWidget(Label1->Widget(), 0, 0);
    Choices->addWidget(TypeComboBox->Widget(), 0, 1);
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    BitBtn3 = MakeControl<TButton>(this, this, "BitBtn3");
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
    for (TButton* b : {BitBtn1, BitBtn2, BitBtn3}) Buttons->addWidget(b->Widget());
    Buttons->addStretch(1);
    TabSheet1 = AddSampleTab("TabSheet1", TSampleKind::LinkBlocks);
    Grid->SetName("LinkDbGrid");
    Grid->SetDataSource(data_.LinksSource);
    for (auto [field, width] : {std::pair{"Name", 121}, {"Type", 118}, {"Note", 200}}) {
        TColumn& column = Grid->Columns().Add();
        column.SetFieldName(field);
        column.SetWidth(width);
    }
    FormShow();
}

TLinksReportForm::~TLinksReportForm() {
    // The type chosen here must not go on filtering the links window.
    selection_.reset();
    layout_->SetDataSet(nullptr);
}

void TLinksReportForm::FormShow() {
    Label1->SetCaption(GetMessageText(MessageId::FileType));
    BitBtn2->SetCaption(GetMessageText(MessageId::AllModules));
    BitBtn1->SetCaption(GetMessageText(MessageId::Selection));
    Label3->SetCaption(ByLanguage(" Data source : ", " Zdroj údajov : ", " Zdroj údajů : "));
    BitBtn3->SetCaption(GetMessageText(MessageId::Help));
    Grid->Columns()[0].SetTitleCaption(GetMessageText(MessageId::Name));
    Grid->Columns()[1].SetTitleCaption(GetMessageText(MessageId::Type));
    Grid->Columns()[2].SetTitleCaption(GetMessageText(MessageId::Note));
    Label4->SetCaption(ByLanguage(" Selection links for printing : ", " Výber odkazov pre tlač : ", " Výběr odkazů pro tisk : "));
    TabSheet1->SetCaption(ByLanguage("Basic summary", "Stručný prehľad", "Stručný přehled"));
    KvLabel1->SetCaption(ByLanguage("Selected links : ", "Vybrané odkazy : ", "Vybraný odkazy : "));
    FillSources();
    selection_ = std::make_unique<TLinkSelection>(data_.LinksTable, data_.LinksTypeTable);
    TypeComboBox->Items().Clear();
    for (const std::string& item : selection_->TypeItems()) TypeComboBox->Items().Add(item);
    TypeComboBox->SetItemIndex(0);
    if (data_.LinksTable) BindLinkLayout(*layout_, *data_.LinksTable);
    FitTabs();
    if (TMainForm* frame = MainForm()) frame->LoadToStatusBar(4);
}

void TLinksReportForm::BitBtn1Click() { selection_->Select(TypeComboBox->ItemIndex(), TypeComboBox->Text()); }

void TLinksReportForm::BitBtn2Click() { selection_->ShowAll(); }

void TLinksReportForm::BitBtn3Click() { Application().HelpContext(Application().HelpFile(), kHelpContext); }

} // namespace kvz
