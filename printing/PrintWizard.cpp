#include "printing/PrintWizard.h"

#include "addressbook/ModuleSearches.h"
#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/GridRows.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysInfo.h"
#include "printing/LinkReportForm.h"
#include "printing/ReportSelectionForm.h"
#include "printing/TaskReportForm.h"
#include "printing/Vyber.h"
#include "printing/ZostavyChild.h"
#include "scheduling/TaskCells.h"

#include <QAbstractScrollArea>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace kvz {

namespace {

TPrintWizardForm* theWizard = nullptr;

// Catalogue texts of the wizard's fixed captions.
constexpr int kMsgDate = 102, kMsgStart = 103, kMsgEnd = 104, kMsgProject = 110, kMsgPartialProject = 111;
constexpr int kMsgAll = 121, kMsgFileType = 123, kMsgSelection = 179;

// Help topics by kind; the last one with no kind chosen.
constexpr int kKindHelp[5] = {17, 16, 15, 40, 39};
constexpr int kNoKindHelp = 20;

// The report window's print kind for the wizard's address kinds.
constexpr int kPrintKindOf[3] = {PrintEnvelopes, PrintLabels, PrintSummary};

// The summary's column fields and caption labels in the layout, first to third.
const char* const kSummaryFields[3] = {"QRDBText4", "QRDBText2", "QRDBText3"};
const char* const kSummaryCaptions[3] = {"QRLabel3", "QRLabel6", "QRLabel7"};
constexpr int kStandardColumns[3] = {0, 13, 14};

using Texts = const char* const[3];
const char* Tr(const Texts& t) { return InLanguage(t); }

// Item lists of the current language (the captions stand in the caption table).
Texts kKinds[5] = {{"Envelopes - employ address database", "Obálky - použije sa databáza adries",
                    "Obálky - použije se databáze adres"},
                   {"Labels - employ address database", "Samolepiace štítky - použije sa databáza adries",
                    "Samolepící štítky - použije se databáze adres"},
                   {"Address summary - employ address database", "Prehľad adries - použije sa databáza adries",
                    "Přehled adres - použije se databáze adres"},
                   {"Tasks summary - employ tasks database", "Prehľad úloh - použije sa databáza úloh",
                    "Přehled úkolů - použije se databáze úkolů"},
                   {"Links summary - employ links database", "Prehľad odkazov - použije sa databáza odkazov",
                    "Přehled odkazů - použije se databáze odkazů"}};
Texts kRecordItems[3] = {{"All records", "Všetky záznamy", "Všechny"},
                         {"Actual", "Aktuálny", "Aktuální"},
                         {"Own choice", "Vlastný výber", "Vlastní výběr"}};
Texts kSurveyItems[3] = {{"Title + Address 1 + Address 2", "Názov + Adresa 1 + Adresa 2", "Název + Adresa 1 + Adresa 2"},
                         {"Name + Address 1 + Address 2", "Meno + Adresa 1 + Adresa 2", "Jméno + Adresa 1 + Adresa 2"},
                         {"Other items", "Vlastný výber", "Vlastní výběr"}};
Texts kAddressItems[2] = {{"Address 1", "Adresa 1", "Adresa 1"}, {"Address 2", "Adresa 2", "Adresa 2"}};
Texts kPositionItems[3] = {{"In the middle", "V strede", "Ve středě"},
                           {"On the right", "Vpravo", "Vpravo"},
                           {"On the left", "Vľavo", "Vlevo"}};
Texts kFeedItems[2] = {{"With insertion top", "S vkladaním zhora", "Se zaváděním shora"},
                       {"With insertion bottom", "S vkladaním zospodu", "Se zaváděním zespod"}};
const char* const kEnvelopeFormats[3] = {"C6 - 114 x 162 mm", "C5 - 162 x 229 mm", "DL - 110 x 220 mm"};
const char* const kStyles[4] = {"Normal", "Classic", "Elegant", "Office"};

void Fill(TComboBox* combo, const std::vector<std::string>& items, int index = 0) {
    combo->Items().Clear();
    for (const std::string& item : items) combo->Items().Add(item);
    combo->SetItemIndex(index < combo->Items().Count() ? index : -1);
}

std::vector<std::string> ItemsOf(TComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->Items().Count(); ++i) items.push_back(combo->Items()[i]);
    return items;
}

void FillGroup(TRadioGroup* group, const Texts* items, int count) {
    const int index = group->ItemIndex();
    group->Items().Clear();
    for (int i = 0; i < count; ++i) group->Items().Add(Tr(items[i]));
    group->SetItemIndex(index < count ? index : -1);
}

TFont MemoFont(const char* name, int size, unsigned style) {
    TFont f;
    f.Name = name;
    f.Size = size;
    f.Style = style;
    return f;
}

} // namespace

// The envelope feed: the printer, and the envelope going in from the top or the bottom with the
// address where the position puts it.
class TWizardFeedPicture : public TCustomControl {
public:
    explicit TWizardFeedPicture(TComponent* owner) : TCustomControl(owner) { Widget()->setMinimumSize(170, 150); }
    void SetFeed(int feed, int position) {
        feed_ = feed;
        position_ = position;
        Invalidate();
    }

protected:
    void Paint(TCanvas& canvas) override {
        QPainter& p = canvas.Painter();
        p.setRenderHint(QPainter::Antialiasing);
        const int top = feed_ == 0 ? 40 : 8;
        // The printer.
        p.setPen(QColor(80, 80, 80));
        p.setBrush(QColor(200, 200, 205));
        p.drawRoundedRect(QRect(20, top + 20, 130, 60), 6, 6);
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(QRect(40, top + 30, 90, 6));
        // The envelope, above the slot or below it.
        const QRect envelope = feed_ == 0 ? QRect(45, 6, 80, 50) : QRect(45, top + 70, 80, 50);
        p.setBrush(Qt::white);
        p.drawRect(envelope);
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRect(envelope.right() - 16, envelope.top() + 4, 12, 14)); // the stamp
        const int shift = position_ == 1 ? 14 : position_ == 2 ? -14 : 0;
        p.setBrush(QColor(0, 255, 255));
        p.drawRect(QRect(envelope.center().x() - 14 + shift, envelope.center().y() - 2, 28, 14));
        // The arrow of the feed.
        p.setPen(QPen(QColor(0, 0, 160), 2));
        const int x = 25;
        if (feed_ == 0) {
            p.drawLine(x, 10, x, 40);
            p.drawLine(x, 40, x - 5, 33);
            p.drawLine(x, 40, x + 5, 33);
        } else {
            p.drawLine(x, top + 118, x, top + 86);
            p.drawLine(x, top + 86, x - 5, top + 93);
            p.drawLine(x, top + 86, x + 5, top + 93);
        }
    }

private:
    int feed_ = 0, position_ = 0;
};

// The label sheet: the columns of labels as the edits set them.
class TWizardSheetPicture : public TCustomControl {
public:
    explicit TWizardSheetPicture(TComponent* owner) : TCustomControl(owner) { Widget()->setMinimumSize(110, 150); }
    void SetColumns(int columns) {
        columns_ = std::clamp(columns, 1, 5);
        Invalidate();
    }

protected:
    void Paint(TCanvas& canvas) override {
        QPainter& p = canvas.Painter();
        const QRect sheet(5, 5, 100, 140);
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(sheet);
        const int margin = 6, gap = 3, rowGap = 4;
        const int width = (sheet.width() - 2 * margin - (columns_ - 1) * gap) / columns_;
        p.setBrush(QColor(255, 255, 210));
        for (int c = 0; c < columns_; ++c)
            for (int y = sheet.top() + margin; y + 20 < sheet.bottom() - margin; y += 20 + rowGap)
                p.drawRect(QRect(sheet.left() + margin + c * (width + gap), y, width, 20));
    }

private:
    int columns_ = 3;
};

struct TPrintWizardForm::LinksHandler {
    explicit LinksHandler(TDataModule1& data)
        : table(data.LinksTable), handler(table ? table->OnFilterRecord() : TFilterRecordEvent()),
          restore(std::function<void()>([this, &data] {
              // Only into the table it came from, and only where nothing took its place meanwhile.
              if (table && data.LinksTable == table && !table->OnFilterRecord() && handler)
                  table->SetOnFilterRecord(handler);
          })) {
        if (table) table->SetOnFilterRecord(nullptr);
    }
    TVolgaTable* table;
    TFilterRecordEvent handler;
    ScopeGuard<std::function<void()>> restore;
};

void RegisterPrintWizard(TDataModule1& data) {
    RegisteredModules().Dialogs["TPrintWizardForm"] = [&data] {
        TMainForm* main = MainForm();
        auto* reports = main ? dynamic_cast<TZostavyChildForm*>(main->Module()) : nullptr;
        if (!reports) return static_cast<int>(mrCancel);
        ShowPrintWizard(data, *reports);
        return static_cast<int>(mrNone);
    };
}

TPrintWizardForm* OpenPrintWizard() { return theWizard; }

TPrintWizardForm& ShowPrintWizard(TDataModule1& data, TZostavyChildForm& reports) {
    if (theWizard && theWizard->Owner() == &reports) {
        theWizard->Show();
        theWizard->Widget()->raise();
        theWizard->Widget()->activateWindow();
        return *theWizard;
    }
    if (theWizard) theWizard->Free(); // over a report window that is no longer shown
    auto* wizard = new TPrintWizardForm(reports, data);
    wizard->Show();
    return *wizard;
}

// ---- building ----

TPrintWizardForm::TPrintWizardForm(TZostavyChildForm& reports, TDataModule1& data)
    : TForm(&reports), reports_(reports), data_(data) {
    theWizard = this;
    SetName("PrintWizardForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetPosition(TPosition::poMainFormCenter);
    BuildPages();

    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    Button2 = MakeControl<TButton>(this, this, "Button2");
    Button1 = MakeControl<TButton>(this, this, "Button1");
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn1->SetCancel(true);
    LayOutWizard(ClientWidget(), Notebook1, BitBtn2, Button2, Button1, BitBtn1);
    SetClientSize(600, 470);

    // The page manager moves first, then runs the button's own handler on the new page.
    Button1->OnClick = [this](TComponent*) { Button1Click(); };
    Button2->OnClick = [this](TComponent*) { Button2Click(); };
    PageManager1 = new TPageManager(this);
    PageManager1->SetName("PageManager1");
    PageManager1->SetPageOwner(Notebook1);
    PageManager1->SetPriorBtn(Button2);
    PageManager1->SetNextBtn(Button1);
    PageManager1->OnPageChanged = [this](TComponent*) { PageManager1PageChanged(); };
    PageManager1->Loaded();

    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    RadioGroup1->OnClick = [this](TComponent*) { RadioGroup1Click(); };
    Button3->OnClick = [this](TComponent*) { Button4Click(); };
    Button4->OnClick = [this](TComponent*) { Button4Click(); };
    OnShow = [this](TComponent*) { FormShow(); };
    OnClose = [](TComponent*, TCloseAction& action) { action = TCloseAction::caFree; };

    // Only the report window's envelope position shows its feed picture, not the wizard's.
    ReportsState().ShowFeedPicture = false;
    for (TPanel* panel : {AddressDataPanel, SelectTaskPanel, LinksPanel, DesingEnvelopePanel, DesingLabelPanel,
                          SurveyPanel, TaskPanel, LabelPrinterPanel, SurveyPrinterPanel, TaskPrinterPanel,
                          ConfirmLabelPanel})
        panel->SetVisible(false);
    ShowOwnControls();
}

TPrintWizardForm::~TPrintWizardForm() {
    ReportsState().ShowFeedPicture = true;
    linksHandler_.reset();
    if (theWizard == this) theWizard = nullptr;
}

void TPrintWizardForm::BuildPages() {
    Notebook1 = MakeControl<TPageControl>(this, this, "Notebook1");
    static_cast<QTabWidget*>(Notebook1->Widget())->tabBar()->hide();
    auto page = [&](const char* name) {
        auto* sheet = MakeControl<TTabSheet>(this, nullptr, name);
        sheet->SetPageControl(Notebook1);
        return sheet;
    };
    ReportType = page("ReportType");
    SelectData = page("SelectData");
    SelectDesing = page("SelectDesing");
    PrinterSetup = page("PrinterSetup");
    ConfirmPage = page("ConfirmPage");

    Label1 = MakeControl<TLabel>(this, ReportType, "Label1");
    Label1->SetWordWrap(true);
    Label16 = MakeControl<TLabel>(this, ReportType, "Label16");
    RadioGroup1 = MakeControl<TRadioGroup>(this, ReportType, "RadioGroup1");
    for (const auto& t : kKinds) RadioGroup1->Items().Add(Tr(t));
    RadioGroup1->SetItemIndex(NoKind);
    auto* column = new QVBoxLayout(ReportType->Widget());
    column->addWidget(Label1->Widget());
    column->addSpacing(8);
    column->addWidget(Label16->Widget());
    column->addWidget(RadioGroup1->Widget());
    column->addStretch();

    BuildAddressPanels();
    BuildTaskAndLinkPanels();
    BuildSetupPanels();
    BuildConfirmPanels();

    // Each page: its panels over the page's own controls, all in one place.
    auto stack = [](TTabSheet* sheet, std::initializer_list<TControl*> layers) {
        auto* grid = new QGridLayout(sheet->Widget());
        for (TControl* c : layers) grid->addWidget(c->Widget(), 0, 0);
    };
    stack(SelectData, {AddressDataPanel, SelectTaskPanel, LinksPanel});
    stack(SelectDesing, {DesingEnvelopePanel, DesingLabelPanel, SurveyPanel, TaskPanel});
    stack(PrinterSetup, {EnvelopeSetupPanel, LabelPrinterPanel, SurveyPrinterPanel, TaskPrinterPanel});
    stack(ConfirmPage, {ConfirmOwnPanel, ConfirmLabelPanel});
}

namespace {

TPanel* Panel(TComponent* owner, TWinControl* parent, const char* name) {
    auto* panel = MakeControl<TPanel>(owner, parent, name);
    panel->SetBevelOuter(TBevelCut::bvNone);
    return panel;
}

TLabel* Wrapped(TComponent* owner, TWinControl* parent, const char* name) {
    auto* label = MakeControl<TLabel>(owner, parent, name);
    label->SetWordWrap(true);
    return label;
}

TComboBox* List(TComponent* owner, TWinControl* parent, const char* name) {
    auto* combo = MakeControl<TComboBox>(owner, parent, name);
    combo->SetStyle(TComboBoxStyle::csDropDownList);
    return combo;
}

// Rows of a caption and its control.
QGridLayout* Rows(std::initializer_list<std::pair<TControl*, TControl*>> rows) {
    auto* grid = new QGridLayout;
    int row = 0;
    for (auto [caption, control] : rows) {
        grid->addWidget(caption->Widget(), row, 0);
        grid->addWidget(control->Widget(), row++, 1);
    }
    grid->setColumnStretch(1, 1);
    return grid;
}

} // namespace

void TPrintWizardForm::BuildAddressPanels() {
    AddressDataPanel = Panel(this, SelectData, "AddressDataPanel");
    Label2 = Wrapped(this, AddressDataPanel, "Label2");
    FieldValueGroup = MakeControl<TRadioGroup>(this, AddressDataPanel, "FieldValueGroup");
    for (const auto& t : kRecordItems) FieldValueGroup->Items().Add(Tr(t));
    DBLookupListBox1 = MakeControl<TDBGrid>(this, AddressDataPanel, "DBLookupListBox1");
    DBLookupListBox2 = MakeControl<TDBGrid>(this, AddressDataPanel, "DBLookupListBox2");
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) {
        g->SetOptions(dgColLines | dgRowSelect);
        g->SetReadOnly(true);
    }
    DBLookupListBox1->SetDataSource(data_.DataSourceZirt);
    DBLookupListBox2->SetDataSource(data_.DataSource1);
    AddButton = MakeControl<TButton>(this, AddressDataPanel, "AddButton");
    DelRepButton = MakeControl<TButton>(this, AddressDataPanel, "DelRepButton");
    DeleteReportButton = MakeControl<TButton>(this, AddressDataPanel, "DeleteReportButton");
    {
        auto* grid = new QGridLayout(AddressDataPanel->Widget());
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(Label2->Widget(), 0, 0, 1, 4);
        grid->addWidget(FieldValueGroup->Widget(), 1, 0, Qt::AlignTop);
        grid->addWidget(DBLookupListBox1->Widget(), 1, 1, 2, 1);
        grid->addWidget(DBLookupListBox2->Widget(), 1, 2, 2, 1);
        auto* buttons = new QVBoxLayout;
        for (TButton* b : {AddButton, DelRepButton, DeleteReportButton}) buttons->addWidget(b->Widget());
        buttons->addStretch();
        grid->addLayout(buttons, 1, 3, 2, 1);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(2, 1);
    }
    FieldValueGroup->OnClick = [this](TComponent*) { FieldValueGroupClick(); };
    AddButton->OnClick = [this](TComponent*) { AddButtonClick(); };
    DelRepButton->OnClick = [this](TComponent*) { DelRepButtonClick(); };
    DeleteReportButton->OnClick = [this](TComponent*) { DeleteReportButtonClick(); };
    DBLookupListBox1->OnDblClick = [this](TComponent*) { AddButtonClick(); };
    DBLookupListBox2->OnDblClick = [this](TComponent*) { DelRepButtonClick(); };

    DesingEnvelopePanel = Panel(this, SelectDesing, "DesingEnvelopePanel");
    Label9 = MakeControl<TLabel>(this, DesingEnvelopePanel, "Label9");
    SelectComboBox = List(this, DesingEnvelopePanel, "SelectComboBox");
    Label14 = MakeControl<TLabel>(this, DesingEnvelopePanel, "Label14");
    ObalkaComboBox = List(this, DesingEnvelopePanel, "ObalkaComboBox");
    for (const char* f : kEnvelopeFormats) ObalkaComboBox->Items().Add(f);
    Label15 = MakeControl<TLabel>(this, DesingEnvelopePanel, "Label15");
    StyleObalkaComboBox = List(this, DesingEnvelopePanel, "StyleObalkaComboBox");
    Label17 = MakeControl<TLabel>(this, DesingEnvelopePanel, "Label17");
    OdosielatelCheckBox = MakeControl<TCheckBox>(this, DesingEnvelopePanel, "OdosielatelCheckBox");
    {
        auto* column = new QVBoxLayout(DesingEnvelopePanel->Widget());
        column->addLayout(Rows({{Label9, SelectComboBox}, {Label14, ObalkaComboBox}, {Label15, StyleObalkaComboBox},
                                {Label17, OdosielatelCheckBox}}));
        column->addStretch();
    }
    DesingLabelPanel = Panel(this, SelectDesing, "DesingLabelPanel");
    Label18 = MakeControl<TLabel>(this, DesingLabelPanel, "Label18");
    SelectComboBox1 = List(this, DesingLabelPanel, "SelectComboBox1");
    Label20 = MakeControl<TLabel>(this, DesingLabelPanel, "Label20");
    StyleObalkaComboBox1 = List(this, DesingLabelPanel, "StyleObalkaComboBox1");
    Label19 = MakeControl<TLabel>(this, DesingLabelPanel, "Label19");
    CheckBox1 = MakeControl<TCheckBox>(this, DesingLabelPanel, "CheckBox1");
    Label21 = MakeControl<TLabel>(this, DesingLabelPanel, "Label21");
    RamikCheckBox = MakeControl<TCheckBox>(this, DesingLabelPanel, "RamikCheckBox");
    {
        auto* column = new QVBoxLayout(DesingLabelPanel->Widget());
        column->addLayout(Rows({{Label18, SelectComboBox1}, {Label20, StyleObalkaComboBox1}, {Label19, CheckBox1},
                                {Label21, RamikCheckBox}}));
        column->addStretch();
    }
    for (TComboBox* c : {StyleObalkaComboBox, StyleObalkaComboBox1})
        for (const char* s : kStyles) c->Items().Add(s);
    SurveyPanel = Panel(this, SelectDesing, "SurveyPanel");
    Label29 = Wrapped(this, SurveyPanel, "Label29");
    RadioGroup2 = MakeControl<TRadioGroup>(this, SurveyPanel, "RadioGroup2");
    {
        auto* column = new QVBoxLayout(SurveyPanel->Widget());
        column->addWidget(Label29->Widget());
        column->addWidget(RadioGroup2->Widget());
        column->addStretch();
    }

    SelectComboBox->OnChange = [this](TComponent*) { SelectComboBoxChange(); };
    SelectComboBox1->OnChange = [this](TComponent*) { SelectComboBox1Change(); };
    ObalkaComboBox->OnChange = [this](TComponent*) { ObalkaComboBoxClick(); };
    StyleObalkaComboBox->OnChange = [this](TComponent*) { StyleObalkaComboBoxClick(); };
    StyleObalkaComboBox1->OnChange = [this](TComponent*) { StyleObalkaComboBox1Click(); };
    OdosielatelCheckBox->OnClick = [this](TComponent*) { OdosielatelCheckBoxClick(); };
    RamikCheckBox->OnClick = [this](TComponent*) { RamikCheckBoxClick(); };
    CheckBox1->OnClick = [this](TComponent*) { CheckBox1Click(); };
    RadioGroup2->OnClick = [this](TComponent*) { RadioGroup2Click(); };
}

void TPrintWizardForm::BuildTaskAndLinkPanels() {
    SelectTaskPanel = Panel(this, SelectData, "SelectTaskPanel");
    Label3 = Wrapped(this, SelectTaskPanel, "Label3");
    Label35 = MakeControl<TLabel>(this, SelectTaskPanel, "Label35");
    Label36 = Wrapped(this, SelectTaskPanel, "Label36");
    Label4 = MakeControl<TLabel>(this, SelectTaskPanel, "Label4");
    ProjectComboBox = List(this, SelectTaskPanel, "ProjectComboBox");
    Label34 = MakeControl<TLabel>(this, SelectTaskPanel, "Label34");
    SubProjectComboBox = List(this, SelectTaskPanel, "SubProjectComboBox");
    Label7 = MakeControl<TLabel>(this, SelectTaskPanel, "Label7");
    DateEdit1 = MakeControl<TDateEdit>(this, SelectTaskPanel, "DateEdit1");
    Label5 = MakeControl<TLabel>(this, SelectTaskPanel, "Label5");
    DateEdit2 = MakeControl<TDateEdit>(this, SelectTaskPanel, "DateEdit2");
    Label6 = MakeControl<TLabel>(this, SelectTaskPanel, "Label6");
    OwnersComboBox = List(this, SelectTaskPanel, "OwnersComboBox");
    BitBtn4 = MakeControl<TButton>(this, SelectTaskPanel, "BitBtn4");
    {
        auto* column = new QVBoxLayout(SelectTaskPanel->Widget());
        column->addWidget(Label3->Widget());
        column->addWidget(Label35->Widget());
        column->addLayout(Rows({{Label4, ProjectComboBox}, {Label34, SubProjectComboBox}, {Label7, DateEdit1},
                                {Label5, DateEdit2}, {Label6, OwnersComboBox}}));
        auto* all = new QHBoxLayout;
        all->addStretch();
        all->addWidget(BitBtn4->Widget());
        column->addLayout(all);
        column->addWidget(Label36->Widget());
        column->addStretch();
    }
    ProjectComboBox->OnChange = [this](TComponent*) { ProjectComboBoxChange(); };
    BitBtn4->OnClick = [this](TComponent*) { BitBtn4Click(); };

    TaskPanel = Panel(this, SelectDesing, "TaskPanel");
    Label37 = Wrapped(this, TaskPanel, "Label37");
    UlohaDbGrid = MakeControl<TKvDBGrid>(this, TaskPanel, "UlohaDbGrid");
    UlohaDbGrid->SetOptions(UlohaDbGrid->Options() | dgMultiSelect | dgRowSelect);
    UlohaDbGrid->SetReadOnly(true);
    UlohaDbGrid->SetDataSource(data_.UlohaSource);
    for (auto [field, width] : {std::pair{"Priority", 18}, {"Date", 72}, {"Time", 78}, {"Uloha", 220}}) {
        TColumn& c = UlohaDbGrid->Columns().Add();
        c.SetFieldName(field);
        c.SetWidth(width);
    }
    UlohaDbGrid->Columns()[0].SetTitleCaption("P");
    // A coloured task shows its colour behind its date, time and text, with a readable ink.
    UlohaDbGrid->OnGetCellParams = [this](TComponent*, TField* field, TFont& font, TColor& background, bool) {
        if (!field || field->FieldName() == "Priority" || !UlohaDbGrid->DataSet()) return;
        const TField* colour = UlohaDbGrid->DataSet()->FindField("Color");
        if (!colour || colour->IsNull()) return;
        const auto color = static_cast<uint32_t>(colour->AsInteger());
        if (color == 0xFFFFFF) return;
        background = color;
        font.Color = ContrastTextColor(color, clBlack);
    };
    {
        auto* column = new QVBoxLayout(TaskPanel->Widget());
        column->addWidget(Label37->Widget());
        column->addWidget(UlohaDbGrid->Widget(), 1);
    }

    LinksPanel = Panel(this, SelectData, "LinksPanel");
    Label42 = Wrapped(this, LinksPanel, "Label42");
    Label44 = MakeControl<TLabel>(this, LinksPanel, "Label44");
    Label45 = MakeControl<TLabel>(this, LinksPanel, "Label45");
    TypeComboBox = List(this, LinksPanel, "TypeComboBox");
    BitBtn5 = MakeControl<TButton>(this, LinksPanel, "BitBtn5");
    BitBtn3 = MakeControl<TButton>(this, LinksPanel, "BitBtn3");
    Label43 = Wrapped(this, LinksPanel, "Label43");
    {
        auto* column = new QVBoxLayout(LinksPanel->Widget());
        column->addWidget(Label42->Widget());
        column->addWidget(Label44->Widget());
        column->addLayout(Rows({{Label45, TypeComboBox}}));
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(BitBtn5->Widget());
        buttons->addWidget(BitBtn3->Widget());
        column->addLayout(buttons);
        column->addWidget(Label43->Widget());
        column->addStretch();
    }
    TypeComboBox->OnChange = [this](TComponent*) { TypeComboBoxChange(); };
    BitBtn5->OnClick = [this](TComponent*) { BitBtn5Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
}

void TPrintWizardForm::BuildSetupPanels() {
    EnvelopeSetupPanel = Panel(this, PrinterSetup, "EnvelopeSetupPanel");
    PolohaRadioGroup = MakeControl<TRadioGroup>(this, EnvelopeSetupPanel, "PolohaRadioGroup");
    SetupObRadioGroup = MakeControl<TRadioGroup>(this, EnvelopeSetupPanel, "SetupObRadioGroup");
    for (const auto& t : kPositionItems) PolohaRadioGroup->Items().Add(Tr(t));
    for (const auto& t : kFeedItems) SetupObRadioGroup->Items().Add(Tr(t));
    Image16 = MakeControl<TWizardFeedPicture>(this, EnvelopeSetupPanel, "Image16");
    {
        auto* row = new QHBoxLayout(EnvelopeSetupPanel->Widget());
        auto* groups = new QVBoxLayout;
        groups->addWidget(PolohaRadioGroup->Widget());
        groups->addWidget(SetupObRadioGroup->Widget());
        groups->addStretch();
        row->addLayout(groups, 1);
        row->addWidget(Image16->Widget());
    }
    PolohaRadioGroup->OnClick = [this](TComponent*) { PolohaRadioGroupClick(); };
    SetupObRadioGroup->OnClick = [this](TComponent*) { SetupObRadioGroupClick(); };

    LabelPrinterPanel = Panel(this, PrinterSetup, "LabelPrinterPanel");
    Label24 = Wrapped(this, LabelPrinterPanel, "Label24");
    Label22 = Wrapped(this, LabelPrinterPanel, "Label22");
    Label26 = Wrapped(this, LabelPrinterPanel, "Label26");
    Label27 = MakeControl<TLabel>(this, LabelPrinterPanel, "Label27");
    PocetStlpcovEdit = MakeControl<TEdit>(this, LabelPrinterPanel, "PocetStlpcovEdit");
    PocetStlpcovEdit->SetText("3");
    PocetStlpcovEdit->Widget()->setMaximumWidth(50);
    PocetStlpcovUpDown = MakeControl<TUpDown>(this, LabelPrinterPanel, "PocetStlpcovUpDown");
    PocetStlpcovUpDown->SetMin(1);
    PocetStlpcovUpDown->SetMax(5);
    PocetStlpcovUpDown->SetPosition(3);
    PocetStlpcovUpDown->Widget()->setFixedSize(18, 24);
    PocetStlpcovUpDown->OnClick = [this](TComponent*, TUDBtnType) {
        PocetStlpcovEdit->SetText(std::to_string(PocetStlpcovUpDown->Position()));
    };
    Label23 = Wrapped(this, LabelPrinterPanel, "Label23");
    SheetPicture = MakeControl<TWizardSheetPicture>(this, LabelPrinterPanel, "SheetPicture");
    TEdit** edits[6] = {&HornyOkrajEdit, &SirkaEdit, &VyskaEdit, &HornaMedzeraEdit, &LavyOkrajEdit, &MedzeraEdit};
    const char* names[6] = {"HornyOkrajEdit", "SirkaEdit", "VyskaEdit", "HornaMedzeraEdit", "LavyOkrajEdit", "MedzeraEdit"};
    const char* designValues[6] = {"10", "60", "35", "10", "10", "3"};
    auto* sheet = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        *edits[i] = MakeControl<TEdit>(this, LabelPrinterPanel, names[i]);
        (*edits[i])->SetText(designValues[i]);
        (*edits[i])->Widget()->setMaximumWidth(60);
        SheetLabels[i] = MakeControl<TLabel>(this, LabelPrinterPanel, ("SheetLabel" + std::to_string(i + 1)).c_str());
        sheet->addWidget(SheetLabels[i]->Widget(), i, 0);
        sheet->addWidget((*edits[i])->Widget(), i, 1);
        (*edits[i])->OnChange = [this, i](TComponent*) { SheetEditChange(i); };
    }
    sheet->setRowStretch(6, 1);
    {
        auto* column = new QVBoxLayout(LabelPrinterPanel->Widget());
        column->addWidget(Label24->Widget());
        column->addWidget(Label22->Widget());
        column->addWidget(Label26->Widget());
        auto* count = new QHBoxLayout;
        count->addWidget(Label27->Widget());
        count->addWidget(PocetStlpcovEdit->Widget());
        count->addWidget(PocetStlpcovUpDown->Widget());
        count->addStretch();
        column->addLayout(count);
        column->addWidget(Label23->Widget());
        auto* row = new QHBoxLayout;
        row->addWidget(SheetPicture->Widget());
        row->addLayout(sheet);
        row->addStretch();
        column->addLayout(row, 1);
    }
    // The template link looks like a link, underlined while the mouse is over it.
    TFont link;
    link.Color = clBlue;
    Label22->SetFont(link);
    Label22->SetCursor(crHandPoint);
    Label22->OnMouseEnter = [this, link](TComponent*) {
        TFont hover = link;
        hover.Style = fsUnderline;
        Label22->SetFont(hover);
    };
    Label22->OnMouseLeave = [this, link](TComponent*) { Label22->SetFont(link); };
    Label22->OnClick = [this](TComponent*) { Label22Click(); };
    PocetStlpcovEdit->OnChange = [this](TComponent*) { PocetStlpcovEditExit(); };
    PocetStlpcovEdit->OnExit = [this](TComponent*) { PocetStlpcovEditExit(); };

    SurveyPrinterPanel = Panel(this, PrinterSetup, "SurveyPrinterPanel");
    Label41 = Wrapped(this, SurveyPrinterPanel, "Label41");
    Label30 = MakeControl<TLabel>(this, SurveyPrinterPanel, "Label30");
    Label31 = MakeControl<TLabel>(this, SurveyPrinterPanel, "Label31");
    Label32 = MakeControl<TLabel>(this, SurveyPrinterPanel, "Label32");
    ComboBox1 = List(this, SurveyPrinterPanel, "ComboBox1");
    ComboBox2 = List(this, SurveyPrinterPanel, "ComboBox2");
    ComboBox3 = List(this, SurveyPrinterPanel, "ComboBox3");
    Button5 = MakeControl<TButton>(this, SurveyPrinterPanel, "Button5");
    {
        // The sample: the three column headings above their choosers.
        auto* column = new QVBoxLayout(SurveyPrinterPanel->Widget());
        column->addWidget(Label41->Widget());
        auto* sample = new QGridLayout;
        TFont heading;
        heading.Style = fsBold;
        int c = 0;
        for (auto [label, combo] : {std::pair{Label30, ComboBox1}, {Label31, ComboBox2}, {Label32, ComboBox3}}) {
            label->SetFont(heading);
            label->SetColor(clWhite);
            sample->addWidget(label->Widget(), 0, c);
            sample->addWidget(combo->Widget(), 1, c++);
        }
        column->addLayout(sample);
        auto* restore = new QHBoxLayout;
        restore->addStretch();
        restore->addWidget(Button5->Widget());
        column->addLayout(restore);
        column->addStretch();
    }
    ComboBox1->OnChange = [this](TComponent*) { SummaryColumnChange(0); };
    ComboBox2->OnChange = [this](TComponent*) { SummaryColumnChange(1); };
    ComboBox3->OnChange = [this](TComponent*) { SummaryColumnChange(2); };
    Button5->OnClick = [this](TComponent*) { Button5Click(); };

    TaskPrinterPanel = Panel(this, PrinterSetup, "TaskPrinterPanel");
    Label40 = Wrapped(this, TaskPrinterPanel, "Label40");
    PageControl1 = MakeControl<TPageControl>(this, TaskPrinterPanel, "PageControl1");
    auto tab = [&](const char* name, TSampleKind kind) {
        auto* sheetTab = MakeControl<TTabSheet>(this, nullptr, name);
        sheetTab->SetPageControl(PageControl1);
        auto* image = MakeControl<TImage>(this, sheetTab, (std::string(name) + "Image").c_str());
        image->SetPicture(SamplePicture(kind));
        image->SetCenter(true);
        image->Widget()->setMinimumSize(150, 200);
        (new QVBoxLayout(sheetTab->Widget()))->addWidget(image->Widget());
        return sheetTab;
    };
    TabSheet1 = tab("TabSheet1", TSampleKind::BriefRows);
    TabSheet2 = tab("TabSheet2", TSampleKind::FullBlocks);
    {
        auto* column = new QVBoxLayout(TaskPrinterPanel->Widget());
        column->addWidget(Label40->Widget());
        column->addWidget(PageControl1->Widget(), 1);
    }
    PageControl1->OnChange = [this](TComponent*) { PageControl1Change(); };
}

void TPrintWizardForm::BuildConfirmPanels() {
    ConfirmOwnPanel = Panel(this, ConfirmPage, "ConfirmOwnPanel");
    Label8 = Wrapped(this, ConfirmOwnPanel, "Label8");
    Button3 = MakeControl<TButton>(this, ConfirmOwnPanel, "Button3");
    LayOutLastPage(ConfirmOwnPanel->Widget(), Label8, Button3);
    ConfirmLabelPanel = Panel(this, ConfirmPage, "ConfirmLabelPanel");
    Label28 = Wrapped(this, ConfirmLabelPanel, "Label28");
    // The address sample sits on a label of its own, as the report window's does.
    auto* label = Panel(this, ConfirmLabelPanel, "LabelSample");
    label->SetBevelOuter(TBevelCut::bvRaised);
    label->SetColor(clWhite);
    label->Widget()->setFixedSize(260, 140);
    DBMemo1 = MakeControl<TDBMemo>(this, label, "DBMemo1");
    DBMemo1->SetReadOnly(true);
    DBMemo1->SetDataSource(data_.DataSourceZirt);
    DBMemo1->SetDataField("Adresa_1");
    DBMemo1->SetFont(MemoFont("Arial", 11, fsBold));
    DBMemo1->SetBounds(8, 6, 220, 110);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(DBMemo1->Widget())) {
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setFrameShape(QFrame::NoFrame);
    }
    UpDown1 = MakeControl<TUpDown>(this, ConfirmLabelPanel, "UpDown1");
    UpDown2 = MakeControl<TUpDown>(this, ConfirmLabelPanel, "UpDown2");
    for (TUpDown* u : {UpDown1, UpDown2}) {
        u->SetMin(-30);
        u->SetMax(30);
        u->Widget()->setFixedSize(18, 24);
    }
    DefaultAdresButton = MakeControl<TButton>(this, ConfirmLabelPanel, "DefaultAdresButton");
    Button4 = MakeControl<TButton>(this, ConfirmLabelPanel, "Button4");
    {
        auto* column = new QVBoxLayout(ConfirmLabelPanel->Widget());
        column->addWidget(Label28->Widget());
        auto* row = new QHBoxLayout;
        row->addWidget(label->Widget());
        row->addWidget(UpDown1->Widget());
        row->addWidget(UpDown2->Widget());
        row->addWidget(DefaultAdresButton->Widget());
        row->addStretch();
        column->addLayout(row);
        column->addStretch();
        auto* finish = new QHBoxLayout;
        finish->addStretch();
        finish->addWidget(Button4->Widget());
        column->addLayout(finish);
    }
    UpDown1->OnClick = [this](TComponent*, TUDBtnType b) { UpDown1Click(b); };
    UpDown2->OnClick = [this](TComponent*, TUDBtnType b) { UpDown2Click(b); };
    DefaultAdresButton->OnClick = [this](TComponent*) { DefaultAdresButtonClick(); };
}

// ---- life and navigation ----

int TPrintWizardForm::Setting(int slot) const {
    const SettingsStore* s = ProgramState().Settings;
    return s ? s->Nastavenia[size_t(slot)] : 0;
}

TTasksReportForm* TPrintWizardForm::Tasks() const { return dynamic_cast<TTasksReportForm*>(reports_.EmbeddedSource()); }
TLinksReportForm* TPrintWizardForm::Links() const { return dynamic_cast<TLinksReportForm*>(reports_.EmbeddedSource()); }

TWizardChoice TPrintWizardForm::Choice() const { return {RadioGroup1->ItemIndex(), RadioGroup2->ItemIndex() == 2}; }

void TPrintWizardForm::ShowCaptions() {
    ApplyCaptions(*this, "TPrintWizardForm", Language());
    FillGroup(RadioGroup1, kKinds, 5);
    FillGroup(FieldValueGroup, kRecordItems, 3);
    FillGroup(RadioGroup2, kSurveyItems, 3);
    FillGroup(PolohaRadioGroup, kPositionItems, 3);
    FillGroup(SetupObRadioGroup, kFeedItems, 2);
    for (TComboBox* c : {SelectComboBox, SelectComboBox1}) {
        const int index = c->ItemIndex();
        c->Items().Clear();
        for (const auto& t : kAddressItems) c->Items().Add(Tr(t));
        c->SetItemIndex(index);
    }
    BitBtn2->SetCaption(GetMessageText(MessageId::Help));
    BitBtn1->SetCaption(GetMessageText(MessageId::Cancel));
    Button2->SetCaption(GetMessageText(MessageId::Back));
    Button1->SetCaption(GetMessageText(MessageId::Next));
    Label45->SetCaption(GetMessageText(kMsgFileType));
    BitBtn3->SetCaption(GetMessageText(kMsgAll));
    BitBtn4->SetCaption(GetMessageText(kMsgAll));
    BitBtn5->SetCaption(GetMessageText(kMsgSelection));
    const std::string colon = " :";
    Label4->SetCaption(GetMessageText(kMsgProject) + colon);
    Label34->SetCaption(GetMessageText(kMsgPartialProject) + colon);
    Label6->SetCaption(GetMessageText(MessageId::Owner) + colon);
    Label7->SetCaption(GetMessageText(kMsgStart) + colon);
    Label5->SetCaption(GetMessageText(kMsgEnd) + colon);
    UlohaDbGrid->Columns()[1].SetTitleCaption(GetMessageText(kMsgDate));
    UlohaDbGrid->Columns()[2].SetTitleCaption(GetMessageText(MessageId::Time));
    UlohaDbGrid->Columns()[3].SetTitleCaption(GetMessageText(MessageId::Task));
    if (auto* tabs = qobject_cast<QTabWidget*>(PageControl1->Widget())) tabs->setMinimumWidth(tabs->tabBar()->sizeHint().width() + 16);
}

void TPrintWizardForm::FormShow() {
    ShowCaptions();
    // Only the filter text of the link report window applies to the links while the wizard is open.
    if (!linksHandler_) linksHandler_ = std::make_unique<LinksHandler>(data_);
    LoadLabelPrintParemeters();
    Fill(TypeComboBox, {GetMessageText(kMsgAll)});
    if (reports_.CheckBox1->Checked()) CheckBox1->SetChecked(true);
    // Both address lists show the field the address book sorts by.
    const std::string field = ReportListField(ProgramState().Settings ? ProgramState().Settings->NastaveniaText[TextSlot::AddressSortField] : "Firma");
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) {
        g->Columns().Clear();
        g->Columns().Add().SetFieldName(field);
    }
    if (data_.AddressTable && data_.AddressTable->Active() && data_.AddressTable->IndexFieldNames() != field)
        data_.AddressTable->SetIndexFieldNames(field);
    // The summary columns start as the standard ones.
    std::vector<std::string> columns;
    for (int i = 0; i < kPolozkyCount; ++i) columns.push_back(GetMessageText(PolozkyTextId(i)));
    for (TComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) Fill(c, columns);
    Button5Click();
    Fill(ProjectComboBox, {GetMessageText(kMsgAll)});
    Fill(SubProjectComboBox, {GetMessageText(kMsgAll)});
    Fill(OwnersComboBox, {GetMessageText(kMsgAll)});
    // The settings into the controls; the groups and boxes copy them into the report window.
    const int feed = ProgramState().Settings ? ProgramState().Settings->PolohaObRadioGroup : 0;
    auto index = [](int value, int count) { return value >= 0 && value < count ? value : -1; };
    SetupObRadioGroup->SetItemIndex(index(feed, 2));
    PolohaRadioGroup->SetItemIndex(index(Setting(Slot::EnvelopePosition), 3));
    FieldValueGroup->SetItemIndex(index(Setting(Slot::ReportRecordChoice), 3));
    FieldValueGroupClick();
    SelectComboBox->SetItemIndex(index(Setting(Slot::ReportAddressChoice), 2));
    SelectComboBox1->SetItemIndex(index(Setting(Slot::ReportAddressChoice), 2));
    ObalkaComboBox->SetItemIndex(index(Setting(Slot::EnvelopeFormat), 3));
    StyleObalkaComboBox->SetItemIndex(index(Setting(Slot::EnvelopeStyle), 4));
    StyleObalkaComboBox1->SetItemIndex(index(Setting(Slot::EnvelopeStyle), 4));
    RadioGroup2->SetItemIndex(index(Setting(Slot::ReportAddressChoice), 3));
    RadioGroup2Click();
    RamikCheckBox->SetChecked(Setting(Slot::ReportOutline) == 1);
    OdosielatelCheckBox->SetChecked(Setting(Slot::PrintSender) == 1);
    SetupObRadioGroupClick();
}

void TPrintWizardForm::BitBtn1Click() { Close(); }

void TPrintWizardForm::BitBtn2Click() {
    const int kind = RadioGroup1->ItemIndex();
    Application().HelpContext(Application().HelpFile(), kind >= 0 && kind < 5 ? kKindHelp[kind] : kNoKindHelp);
}

void TPrintWizardForm::RadioGroup1Click() {
    const int kind = RadioGroup1->ItemIndex();
    switch (kind) {
    case EnvelopesKind:
    case LabelsKind:
    case AddressSummaryKind:
        reports_.RequestCommand(Command::AddressReport);
        reports_.ObalkyAdresyRadioGroup->SetItemIndex(kPrintKindOf[kind]);
        reports_.ObalkyAdresyRadioGroupClick();
        break;
    case TasksSummaryKind:
        reports_.RequestCommand(Command::TasksReport);
        TakeTaskLists();
        break;
    case LinksSummaryKind:
        reports_.RequestCommand(Command::LinksReport);
        if (TLinksReportForm* links = Links()) Fill(TypeComboBox, ItemsOf(links->TypeComboBox));
        break;
    default:
        return;
    }
    (kind == LabelsKind ? Label28 : Label8)->SetCaption(WizardConfirmText(kind, Language()));
}

// The task window's lists, so that an item of the wizard is the same item there.
void TPrintWizardForm::TakeTaskLists() {
    TTasksReportForm* tasks = Tasks();
    if (!tasks) return;
    Fill(ProjectComboBox, ItemsOf(tasks->ProjectComboBox), tasks->ProjectComboBox->ItemIndex());
    Fill(SubProjectComboBox, ItemsOf(tasks->SubProjectComboBox), tasks->SubProjectComboBox->ItemIndex());
    Fill(OwnersComboBox, ItemsOf(tasks->OwnersComboBox), tasks->OwnersComboBox->ItemIndex());
    DateEdit1->SetText(tasks->DateEdit1->Text());
    DateEdit2->SetText(tasks->DateEdit2->Text());
}

void TPrintWizardForm::ShowPanels() {
    TPanel* const panels[kWizardPanelCount] = {AddressDataPanel, SelectTaskPanel,   LinksPanel,       DesingEnvelopePanel,
                                               DesingLabelPanel, SurveyPanel,       TaskPanel,        LabelPrinterPanel,
                                               SurveyPrinterPanel, TaskPrinterPanel, ConfirmLabelPanel};
    const int kind = RadioGroup1->ItemIndex();
    for (int i = 0; i < kWizardPanelCount; ++i) {
        bool visible = WizardPanelVisible(TWizardPanel(i), kind);
        // The summary's columns are chosen only for other items than the standard ones.
        if (panels[i] == SurveyPrinterPanel) visible = visible && Choice().OtherSummaryColumns;
        panels[i]->SetVisible(visible);
    }
    ShowOwnControls();
}

void TPrintWizardForm::ShowOwnControls() {
    EnvelopeSetupPanel->SetVisible(!LabelPrinterPanel->Visible() && !SurveyPrinterPanel->Visible() &&
                                   !TaskPrinterPanel->Visible());
    ConfirmOwnPanel->SetVisible(!ConfirmLabelPanel->Visible());
    // Enter presses the Finish button that shows.
    Button3->SetDefault(!ConfirmLabelPanel->Visible());
    Button4->SetDefault(ConfirmLabelPanel->Visible());
}

void TPrintWizardForm::PageManager1PageChanged() {
    switch (PageManager1->PageIndex()) {
    case SelectDataPage:
        ShowPanels();
        if (RadioGroup1->ItemIndex() == NoKind) PageManager1->GoToPage(ReportTypePage, false);
        break;
    case SelectDesingPage:
        if (SelectTaskPanel->Visible()) SelectTask();
        break;
    case PrinterSetupPage:
        ShowPanels();
        if (TaskPrinterPanel->Visible())
            if (TTasksReportForm* tasks = Tasks()) PageControl1->SetActivePageIndex(tasks->PageControl1->ActivePageIndex());
        break;
    case kvz::ConfirmPage:
        // Next is off here: Enter finishes.
        SetActiveControl(ConfirmLabelPanel->Visible() ? Button4 : Button3);
        break;
    default:
        break;
    }
}

void TPrintWizardForm::Button1Click() {
    const int page = PageManager1->PageIndex();
    if (page <= ReportTypePage) return;
    const int target = WizardNextPage(page - 1, Choice());
    if (target != page) PageManager1->GoToPage(target, true);
}

void TPrintWizardForm::Button2Click() {
    const int page = PageManager1->PageIndex();
    if (page >= kvz::ConfirmPage) return;
    const int target = WizardPriorPage(page + 1, Choice());
    if (target != page) PageManager1->GoToPage(target, false);
}

void TPrintWizardForm::Button4Click() {
    // The wizard goes however the preview ends.
    auto close = OnScopeExit([this] { Close(); });
    Hide();
    reports_.RequestCommand(Command::Preview);
}

// ---- copies into the report window ----

void TPrintWizardForm::FieldValueGroupClick() {
    const int choice = FieldValueGroup->ItemIndex();
    reports_.FieldValueGroup->SetItemIndex(choice);
    reports_.FieldValueGroupClick();
    DBMemo1->SetDataSource(choice == OwnChoice ? data_.DataSource1 : data_.DataSourceZirt);
}

void TPrintWizardForm::SelectComboBoxChange() {
    reports_.SelectComboBox->SetItemIndex(SelectComboBox->ItemIndex());
    reports_.SelectComboBoxChange();
}

void TPrintWizardForm::SelectComboBox1Change() {
    const int item = SelectComboBox1->ItemIndex();
    reports_.SelectComboBox->SetItemIndex(item);
    reports_.SelectComboBoxChange();
    if (item == 0 || item == 1) DBMemo1->SetDataField(item == 0 ? "Adresa_1" : "Adresa_2");
}

void TPrintWizardForm::ObalkaComboBoxClick() {
    reports_.ObalkaComboBox->SetItemIndex(ObalkaComboBox->ItemIndex());
    reports_.ObalkaComboBoxClick();
}

void TPrintWizardForm::StyleObalkaComboBoxClick() {
    reports_.StyleObalkaComboBox->SetItemIndex(StyleObalkaComboBox->ItemIndex());
    reports_.StyleObalkaComboBoxChange();
}

void TPrintWizardForm::StyleObalkaComboBox1Click() {
    const int style = StyleObalkaComboBox1->ItemIndex();
    reports_.StyleObalkaComboBox->SetItemIndex(style);
    reports_.StyleObalkaComboBoxChange();
    switch (style) {
    case 0: DBMemo1->SetFont(MemoFont("Arial", 11, fsBold)); break;
    case 1: DBMemo1->SetFont(MemoFont("Courier", 10, fsBold)); break;
    case 2: DBMemo1->SetFont(MemoFont("Times New Roman", 12, fsBold | fsItalic)); break;
    case 3: DBMemo1->SetFont(MemoFont("Times New Roman", 11, 0)); break;
    default: break;
    }
}

// A set check box runs the report window's handler by itself.
void TPrintWizardForm::OdosielatelCheckBoxClick() { reports_.OdosielatelCheckBox->SetChecked(OdosielatelCheckBox->Checked()); }
void TPrintWizardForm::RamikCheckBoxClick() { reports_.RamikCheckBox->SetChecked(RamikCheckBox->Checked()); }
void TPrintWizardForm::CheckBox1Click() {
    reports_.CheckBox1->SetChecked(CheckBox1->Checked());
    // Repeating one address takes the current record; the wizard's record choice follows.
    FieldValueGroup->SetItemIndex(reports_.FieldValueGroup->ItemIndex());
}

namespace {
// The wizard's sheet edits in their order, with the report window's edit of the same name.
TEdit* ReportEdit(TZostavyChildForm& r, int edit) {
    TEdit* const edits[6] = {r.HornyOkrajEdit, r.SirkaEdit, r.VyskaEdit, r.HornaMedzeraEdit, r.LavyOkrajEdit, r.MedzeraEdit};
    return edits[edit];
}
} // namespace

void TPrintWizardForm::PocetStlpcovEditExit() {
    if (copyingSheet_) return;
    if (reports_.PocetStlpcovEdit->Text() != PocetStlpcovEdit->Text()) reports_.PocetStlpcovEdit->SetText(PocetStlpcovEdit->Text());
    reports_.PocetStlpcovEditExit();
    SheetPicture->SetColumns(int(reports_.Sheet.Values().Columns));
    // The report window recomputed the margin and the gap for the new count: show its values.
    TEdit* const own[6] = {HornyOkrajEdit, SirkaEdit, VyskaEdit, HornaMedzeraEdit, LavyOkrajEdit, MedzeraEdit};
    copyingSheet_ = true;
    auto done = OnScopeExit([this] { copyingSheet_ = false; });
    for (int i = 0; i < 6; ++i)
        if (own[i]->Text() != ReportEdit(reports_, i)->Text()) own[i]->SetText(ReportEdit(reports_, i)->Text());
}

void TPrintWizardForm::AddButtonClick() { reports_.AddButtonClick(); }
void TPrintWizardForm::DelRepButtonClick() { reports_.DelRepButtonClick(); }
void TPrintWizardForm::DeleteReportButtonClick() { reports_.DeleteReportButtonClick(); }

void TPrintWizardForm::DefaultAdresButtonClick() {
    reports_.DefaultAdresButtonClick();
    DBMemo1->SetFont(MemoFont("Arial", 11, fsBold));
    DBMemo1->SetBounds(8, 6, DBMemo1->Width(), DBMemo1->Height());
}

void TPrintWizardForm::UpDown1Click(TUDBtnType button) {
    reports_.UpDown1Click(button); // up: the block one pixel up, down: one pixel down
    DBMemo1->SetTop(reports_.DBMemo1->Top());
}

void TPrintWizardForm::UpDown2Click(TUDBtnType button) {
    reports_.UpDown2Click(button);
    DBMemo1->SetLeft(reports_.DBMemo1->Left());
}

// ---- the label sheet ----

void TPrintWizardForm::SheetEditChange(int edit) {
    if (copyingSheet_) return;
    TEdit* const own[6] = {HornyOkrajEdit, SirkaEdit, VyskaEdit, HornaMedzeraEdit, LavyOkrajEdit, MedzeraEdit};
    TEdit* target = ReportEdit(reports_, edit);
    if (target->Text() != own[edit]->Text()) target->SetText(own[edit]->Text()); // the report window follows
    // What the report window recomputed from it.
    static const std::vector<int> kDependents[6] = {{3}, {4, 5}, {0, 3}, {}, {5}, {4}};
    copyingSheet_ = true;
    auto done = OnScopeExit([this] { copyingSheet_ = false; });
    for (int d : kDependents[edit]) own[d]->SetText(ReportEdit(reports_, d)->Text());
    // A value the report window refused: the wizard shows what it went back to.
    if (own[edit]->Text() != target->Text()) own[edit]->SetText(target->Text());
}

void TPrintWizardForm::LoadLabelPrintParemeters() {
    TEdit* const own[6] = {HornyOkrajEdit, SirkaEdit, VyskaEdit, HornaMedzeraEdit, LavyOkrajEdit, MedzeraEdit};
    copyingSheet_ = true;
    auto done = OnScopeExit([this] { copyingSheet_ = false; });
    for (int i = 0; i < 6; ++i) own[i]->SetText(ReportEdit(reports_, i)->Text());
    PocetStlpcovEdit->SetText(reports_.PocetStlpcovEdit->Text());
    PocetStlpcovUpDown->SetPosition(int(reports_.Sheet.Values().Columns));
    SheetPicture->SetColumns(int(reports_.Sheet.Values().Columns));
}

void TPrintWizardForm::Label22Click() {
    reports_.RequestCommand(Command::OpenTemplate);
    LoadLabelPrintParemeters();
}

// ---- the envelope ----

void TPrintWizardForm::SetupObRadioGroupClick() {
    const int feed = std::max(SetupObRadioGroup->ItemIndex(), 0);
    if (ProgramState().Settings) ProgramState().Settings->PolohaObRadioGroup = feed;
    reports_.SetEnvelopeFeedOffset(feed);
    PolohaRadioGroupClick();
}

void TPrintWizardForm::PolohaRadioGroupClick() {
    const int feed = std::max(SetupObRadioGroup->ItemIndex(), 0);
    Image16->SetFeed(feed, std::max(PolohaRadioGroup->ItemIndex(), 0));
    if (reports_.PolohaRadioGroup->Tag() != 1 || PolohaRadioGroup->ItemIndex() < 0) return;
    ReportsState().ShowFeedPicture = false;
    reports_.PolohaRadioGroup->SetItemIndex(PolohaRadioGroup->ItemIndex());
    reports_.PolohaRadioGroupClick();
}

// ---- the address summary ----

void TPrintWizardForm::RadioGroup2Click() {
    const int item = RadioGroup2->ItemIndex();
    if (item != 0 && item != 1) return; // other items: the columns page chooses
    TReportLayout& summary = reports_.Layouts.Summary;
    summary.Element(kSummaryFields[0]).SetDataField(item == 0 ? "Firma" : "Meno");
    summary.Element(kSummaryFields[1]).SetDataField("Adresa_1");
    summary.Element(kSummaryFields[2]).SetDataField("Adresa_2");
}

void TPrintWizardForm::SummaryColumnChange(int column) {
    TComboBox* const choosers[3] = {ComboBox1, ComboBox2, ComboBox3};
    TLabel* const captions[3] = {Label30, Label31, Label32};
    TReportLayout& summary = reports_.Layouts.Summary;
    summary.Element(kSummaryFields[column]).SetDataField(PolozkyFieldName(choosers[column]->ItemIndex()));
    captions[column]->SetCaption(choosers[column]->Text());
    summary.Element(kSummaryCaptions[column]).SetCaption(captions[column]->Caption());
}

void TPrintWizardForm::Button5Click() {
    TComboBox* const choosers[3] = {ComboBox1, ComboBox2, ComboBox3};
    TLabel* const captions[3] = {Label30, Label31, Label32};
    TReportLayout& summary = reports_.Layouts.Summary;
    for (int i = 0; i < 3; ++i) {
        const int choice = kStandardColumns[i];
        summary.Element(kSummaryFields[i]).SetDataField(PolozkyFieldName(choice));
        captions[i]->SetCaption(GetMessageText(PolozkyTextId(choice)));
        summary.Element(kSummaryCaptions[i]).SetCaption(captions[i]->Caption());
        choosers[i]->SetItemIndex(choice);
    }
}

// ---- tasks ----

void TPrintWizardForm::ProjectComboBoxChange() {
    TTasksReportForm* tasks = Tasks();
    if (!tasks) return;
    tasks->ProjectComboBox->SetItemIndex(ProjectComboBox->ItemIndex());
    tasks->ProjectComboBoxChange();
    Fill(SubProjectComboBox, ItemsOf(tasks->SubProjectComboBox), tasks->SubProjectComboBox->ItemIndex());
}

void TPrintWizardForm::BitBtn4Click() {
    DateEdit1->SetText("");
    DateEdit2->SetText("");
    for (TComboBox* c : {ProjectComboBox, SubProjectComboBox, OwnersComboBox}) c->SetItemIndex(0);
    if (TTasksReportForm* tasks = Tasks()) tasks->BitBtn3Click();
}

// The choices go into the task window, whose selection filters the task table (names quoted, so
// a double quote or a wildcard in them is taken as it stands).
void TPrintWizardForm::SelectTask() {
    TTasksReportForm* tasks = Tasks();
    if (!tasks) return;
    tasks->ProjectComboBox->SetItemIndex(ProjectComboBox->ItemIndex());
    tasks->ProjectComboBoxChange();
    tasks->SubProjectComboBox->SetItemIndex(SubProjectComboBox->ItemIndex());
    tasks->OwnersComboBox->SetItemIndex(OwnersComboBox->ItemIndex());
    tasks->DateEdit1->SetText(DateEdit1->Text());
    tasks->DateEdit2->SetText(DateEdit2->Text());
    tasks->BitBtn2Click();
}

void TPrintWizardForm::PageControl1Change() {
    if (TTasksReportForm* tasks = Tasks()) tasks->PageControl1->SetActivePageIndex(PageControl1->ActivePageIndex());
}

// ---- links ----

void TPrintWizardForm::TypeComboBoxChange() {
    if (TLinksReportForm* links = Links()) links->TypeComboBox->SetItemIndex(TypeComboBox->ItemIndex());
}

void TPrintWizardForm::BitBtn5Click() {
    if (TLinksReportForm* links = Links()) links->BitBtn1Click();
}

void TPrintWizardForm::BitBtn3Click() {
    if (TLinksReportForm* links = Links()) links->BitBtn2Click();
}

} // namespace kvz
