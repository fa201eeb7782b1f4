#include "scheduling/Uloha.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysInfo.h"
#include "scheduling/UlohaRules.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

namespace {

constexpr int kHelpTask = 25, kHelpInvoice = 69, kHelpPayments = 70;

// Catalogue captions: the component, the message, what follows it.
struct MessageCaption {
    const char* Name;
    int Message;
    const char* Suffix;
};
constexpr MessageCaption kMessageCaptions[] = {
    {"Label1", MessageId::TaskFor, ""}, {"Label2", MessageId::Date, " :"}, {"CasLabel", MessageId::Time, " :"},
    {"Label4", MessageId::Priority, " :"}, {"Label6", MessageId::Owner, " :"}, {"Label24", MessageId::Owner, " :"},
    {"Label5", MessageId::Recall, " :"}, {"Label7", MessageId::Repeat, " :"}, {"UlohaLabel", MessageId::Task, " :"},
    {"Label15", MessageId::StartTask, ""}, {"Label10", MessageId::StartTask, ""}, {"Label13", MessageId::StartTask, ""},
    {"Label16", MessageId::EndTask, ""}, {"Label11", MessageId::EndTask, ""}, {"Label14", MessageId::EndTask, ""},
    {"Label3", MessageId::Highlight, ""}, {"Label22", MessageId::Highlight, ""}, {"CheckBox1", MessageId::Recall, ""},
    {"CheckBox11", MessageId::Recall, ""}, {"BitBtn2", MessageId::Help, ""}, {"CancelButton", MessageId::Cancel, ""},
    {"Label36", MessageId::Note, ":"}, {"Label28", MessageId::Invoice, ""}, {"Label17", MessageId::MakeOut, ""},
    {"Label18", MessageId::Ergo, ""}, {"Label19", MessageId::Days, ""}, {"Label20", MessageId::Maturity, ""},
    {"Label21", MessageId::Account, " :"}, {"Label25", MessageId::BankCode, ""}, {"Label26", MessageId::VarSymbol, ""},
    {"Label29", MessageId::ConstSymbol, ""}, {"Label30", MessageId::Sum, ""}, {"Label31", MessageId::EBank, ""},
    {"Label32", MessageId::PayDate, ""}, {"Label33", MessageId::At, ""},
};

constexpr const char* kOnOff[3][2] = {{"On", "Off"}, {"Zapnuté", "Vypnuté"}, {"Zapnuto", "Vypnuto"}};
constexpr const char* kYesNo[3][2] = {{"Yes", "No"}, {"Áno", "Nie"}, {"Ano", "Ne"}};
constexpr const char* kSkipPast[2] = {"Nezahrnúť platby staršie ako ", "Nezahrnout platby starší jako "};
constexpr const char* kCurrencies[] = {"sk", "kč", "USD", "EUR", "CAD"};

// Due dates of 29 February that this year has not were put on 28 February.
std::string MovedLeapDaysText(int count) {
    const std::string n = std::to_string(count);
    switch (Language()) {
    case 2: return "Platby splatné 29. februára (" + n + ") sú v úlohách 28. februára: tento rok nemá 29. februára.";
    case 3: return "Platby splatné 29. února (" + n + ") jsou v úkolech 28. února: letošní rok nemá 29. února.";
    default:
        return count == 1 ? "1 payment due on 29 February was put on 28 February: this year has no 29 February."
                          : n + " payments due on 29 February were put on 28 February: this year has no 29 February.";
    }
}

int LanguageIndex() {
    const int language = Language();
    return language >= 1 && language <= 3 ? language - 1 : 0;
}

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, const char* name) {
    return MakeControl<TLabel>(owner, parent, name);
}

void SetItems(TComboBox* box, const std::vector<std::string>& items) {
    box->Items().Clear();
    for (const std::string& item : items) box->Items().Add(item);
}

} // namespace

TaskEditorFlags& TaskEditorState() {
    static TaskEditorFlags flags;
    return flags;
}

TUlohaForm::TUlohaForm(TComponent* owner, TaskEditorContext& context)
    : TForm(owner), context_(context), flags_(TaskEditorState()) {
    SetName("UlohaForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(kHelpTask);

    PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1");
    TabSheet1 = MakeControl<TTabSheet>(this, nullptr, "TabSheet1");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet2 = MakeControl<TTabSheet>(this, nullptr, "TabSheet2");
    TabSheet2->SetPageControl(PageControl1);
    TabSheet3 = MakeControl<TTabSheet>(this, nullptr, "TabSheet3");
    TabSheet3->SetPageControl(PageControl1);
    BuildTaskPage();
    BuildInvoicePage();
    BuildPaymentsPage();

    Panel1 = MakeControl<TPanel>(this, this, "Panel1");
    Panel1->SetBevelOuter(TBevelCut::bvNone);
    BitBtn2 = MakeControl<TButton>(this, Panel1, "BitBtn2");
    CancelButton = MakeControl<TButton>(this, Panel1, "CancelButton");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    BitBtn1 = MakeControl<TButton>(this, Panel1, "BitBtn1");
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    auto* buttons = new QHBoxLayout(Panel1->Widget());
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(BitBtn2->Widget());
    buttons->addStretch();
    buttons->addWidget(BitBtn1->Widget());
    buttons->addWidget(CancelButton->Widget());
    auto* column = new QVBoxLayout(ClientWidget());
    column->addWidget(PageControl1->Widget(), 1);
    column->addWidget(Panel1->Widget());

    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    BitBtn2->OnClick = [this](TComponent* s) { BitBtn2Click(s); };
    CancelButton->OnClick = [this](TComponent* s) { CancelButtonClick(s); };
    OnCreate = [this](TComponent* s) { FormCreate(s); };
    OnShow = [this](TComponent* s) {
        FormShow(s);
        FormActivate(s);
    };
    OnClose = [this](TComponent* s, TCloseAction& action) { FormClose(s, action); };
    SetClientSize(730, 500);
}

TUlohaForm::~TUlohaForm() {
    if (flags_.TaskEditorOpen) TellProjectFilter(false);
    flags_.TaskEditorOpen = false;
}

void TUlohaForm::TellProjectFilter(bool editorOpen) {
    if (context_.OnProjectFilter) context_.OnProjectFilter(editorOpen, editorOpen ? ProjectComboBox->Text() : std::string());
}

void TUlohaForm::BuildTaskPage() {
    TWinControl* page = TabSheet1;
    Label1 = MakeLabel(this, page, "Label1");
    DatumLabel = MakeLabel(this, page, "DatumLabel");
    TFont big = DatumLabel->Font();
    big.Style |= fsBold;
    big.Size = 12;
    DatumLabel->SetFont(big);
    Label2 = MakeLabel(this, page, "Label2");
    MonthBackButton = MakeControl<TButton>(this, page, "MonthBackButton");
    MonthBackButton->SetCaption("<");
    MonthForwardButton = MakeControl<TButton>(this, page, "MonthForwardButton");
    MonthForwardButton->SetCaption(">");
    MonthTitle = MakeLabel(this, page, "MonthTitle");
    MonthTitle->SetAlignment(TAlignment::taCenter);
    MonthCalendar1 = MakeControl<TRangeCalendar>(this, page, "MonthCalendar1");
    MonthCalendar1->Widget()->setMinimumSize(250, 165);
    CasLabel = MakeLabel(this, page, "CasLabel");
    DateTimePicker1 = MakeControl<TTimePicker>(this, page, "DateTimePicker1");
    Label4 = MakeLabel(this, page, "Label4");
    ComboBox1 = MakeControl<TComboBox>(this, page, "ComboBox1");
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    for (int i = 0; i < kPriorityCount; ++i) ComboBox1->Items().Add(" Priority  " + PriorityLetter(i));
    Label15 = MakeLabel(this, page, "Label15");
    DateTimePicker2 = MakeControl<TTimePicker>(this, page, "DateTimePicker2");
    Label16 = MakeLabel(this, page, "Label16");
    DateTimePicker3 = MakeControl<TTimePicker>(this, page, "DateTimePicker3");
    Label6 = MakeLabel(this, page, "Label6");
    OwnersComboBox = MakeControl<TComboBox>(this, page, "OwnersComboBox");
    Label3 = MakeLabel(this, page, "Label3");
    ColorComboBox1 = MakeControl<TColorComboBox>(this, page, "ColorComboBox1");
    ColorComboBox1->SetColorValue(clWhite);
    Label5 = MakeLabel(this, page, "Label5");
    CheckBox1 = MakeControl<TCheckBox>(this, page, "CheckBox1");
    CheckBox1->SetChecked(true);
    Label7 = MakeLabel(this, page, "Label7");
    RepeatComboBox = MakeControl<TComboBox>(this, page, "RepeatComboBox");
    RepeatComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    UlohaLabel = MakeLabel(this, page, "UlohaLabel");
    UlohaMemo = MakeControl<TMemo>(this, page, "UlohaMemo");
    UlohaMemo->SetMaxLength(85);
    TFont bold = UlohaMemo->Font();
    bold.Style |= fsBold;
    UlohaMemo->SetFont(bold);
    Label8 = MakeLabel(this, page, "Label8");
    PathEdit = MakeControl<TEdit>(this, page, "PathEdit");
    Button1 = MakeControl<TButton>(this, page, "Button1");
    Button1->SetCaption("<<");
    RunCheckBox = MakeControl<TCheckBox>(this, page, "RunCheckBox");
    Label9 = MakeLabel(this, page, "Label9");
    ProjectComboBox = MakeControl<TComboBox>(this, page, "ProjectComboBox");
    Label10 = MakeLabel(this, page, "Label10");
    StartProjEdit = MakeControl<TEdit>(this, page, "StartProjEdit");
    Label11 = MakeLabel(this, page, "Label11");
    EndProjEdit = MakeControl<TEdit>(this, page, "EndProjEdit");
    Label12 = MakeLabel(this, page, "Label12");
    SubProjectComboBox = MakeControl<TComboBox>(this, page, "SubProjectComboBox");
    Label13 = MakeLabel(this, page, "Label13");
    StartSubEdit = MakeControl<TEdit>(this, page, "StartSubEdit");
    Label14 = MakeLabel(this, page, "Label14");
    EndSubEdit = MakeControl<TEdit>(this, page, "EndSubEdit");
    CompleteCheckBox = MakeControl<TCheckBox>(this, page, "CompleteCheckBox");

    // The date label spans the page, so that a long range does not push the fields aside.
    auto* title = new QHBoxLayout;
    title->addWidget(Label1->Widget());
    title->addWidget(DatumLabel->Widget(), 1);
    auto* calendar = new QVBoxLayout;
    calendar->addWidget(Label2->Widget());
    auto* month = new QHBoxLayout;
    MonthBackButton->Widget()->setFixedWidth(28);
    MonthForwardButton->Widget()->setFixedWidth(28);
    month->addWidget(MonthBackButton->Widget());
    month->addWidget(MonthTitle->Widget(), 1);
    month->addWidget(MonthForwardButton->Widget());
    calendar->addLayout(month);
    calendar->addWidget(MonthCalendar1->Widget(), 1);

    auto* fields = new QGridLayout;
    auto pair = [&](int row, int col, TControl* label, TControl* control, int span = 1) {
        fields->addWidget(label->Widget(), row, col);
        fields->addWidget(control->Widget(), row, col + 1, 1, span);
    };
    pair(0, 0, CasLabel, DateTimePicker1);
    pair(0, 2, Label4, ComboBox1);
    pair(1, 0, Label15, DateTimePicker2);
    pair(1, 2, Label16, DateTimePicker3);
    pair(2, 0, Label6, OwnersComboBox);
    pair(2, 2, Label3, ColorComboBox1);
    pair(3, 0, Label5, CheckBox1);
    pair(3, 2, Label7, RepeatComboBox);
    fields->addWidget(UlohaLabel->Widget(), 4, 0, Qt::AlignTop);
    fields->addWidget(UlohaMemo->Widget(), 4, 1, 1, 3);
    fields->setRowStretch(4, 1);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(calendar);
    top->addSpacing(8);
    top->addLayout(fields, 1);

    auto* bottom = new QGridLayout;
    bottom->addWidget(Label8->Widget(), 0, 0);
    auto* path = new QHBoxLayout;
    path->addWidget(PathEdit->Widget(), 1);
    Button1->Widget()->setFixedWidth(32);
    path->addWidget(Button1->Widget());
    path->addWidget(RunCheckBox->Widget());
    bottom->addLayout(path, 0, 1, 1, 5);
    bottom->addWidget(Label9->Widget(), 1, 0);
    bottom->addWidget(ProjectComboBox->Widget(), 1, 1);
    bottom->addWidget(Label10->Widget(), 1, 2);
    bottom->addWidget(StartProjEdit->Widget(), 1, 3);
    bottom->addWidget(Label11->Widget(), 1, 4);
    bottom->addWidget(EndProjEdit->Widget(), 1, 5);
    bottom->addWidget(Label12->Widget(), 2, 0);
    bottom->addWidget(SubProjectComboBox->Widget(), 2, 1);
    bottom->addWidget(Label13->Widget(), 2, 2);
    bottom->addWidget(StartSubEdit->Widget(), 2, 3);
    bottom->addWidget(Label14->Widget(), 2, 4);
    bottom->addWidget(EndSubEdit->Widget(), 2, 5);
    bottom->addWidget(CompleteCheckBox->Widget(), 3, 1);
    bottom->setColumnStretch(1, 2);
    bottom->setColumnStretch(3, 1);
    bottom->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(page->ClientWidget());
    layout->addLayout(title);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    MonthCalendar1->OnRangeChange = [this](TComponent* s) {
        MonthCalendar1Click(s);
        ShowMonthTitle();
    };
    MonthBackButton->OnClick = [this](TComponent*) { MonthCalendar1->LeafMonth(-1); };
    MonthForwardButton->OnClick = [this](TComponent*) { MonthCalendar1->LeafMonth(+1); };
    DateTimePicker1->OnChange = [this](TComponent* s) { DateTimePicker1Change(s); };
    Button1->OnClick = [this](TComponent* s) { Button1Click(s); };
    ProjectComboBox->OnChange = [this](TComponent* s) { ProjectComboBoxChange(s); };
    SubProjectComboBox->OnChange = [this](TComponent* s) { SubProjectComboBoxChange(s); };
}

void TUlohaForm::BuildInvoicePage() {
    TWinControl* page = TabSheet2;
    Label28 = MakeLabel(this, page, "Label28");
    TFont bold = Label28->Font();
    bold.Style |= fsBold;
    bold.Size = 11;
    Label28->SetFont(bold);
    Label17 = MakeLabel(this, page, "Label17");
    DateEdit3 = MakeControl<TDateEdit>(this, page, "DateEdit3");
    Label18 = MakeLabel(this, page, "Label18");
    Edit6 = MakeControl<TEdit>(this, page, "Edit6");
    Edit6->SetText("0");
    UpDown1 = MakeControl<TUpDown>(this, page, "UpDown1");
    UpDown1->SetMin(0);
    UpDown1->SetMax(9999);
    UpDown1->SetAssociate(Edit6);
    Label19 = MakeLabel(this, page, "Label19");
    Label20 = MakeLabel(this, page, "Label20");
    DateEdit2 = MakeControl<TDateEdit>(this, page, "DateEdit2");
    Label21 = MakeLabel(this, page, "Label21");
    Edit1 = MakeControl<TEdit>(this, page, "Edit1");
    Label25 = MakeLabel(this, page, "Label25");
    Edit4 = MakeControl<TEdit>(this, page, "Edit4");
    Label26 = MakeLabel(this, page, "Label26");
    Edit2 = MakeControl<TEdit>(this, page, "Edit2");
    Label29 = MakeLabel(this, page, "Label29");
    Edit3 = MakeControl<TEdit>(this, page, "Edit3");
    Label30 = MakeLabel(this, page, "Label30");
    Edit5 = MakeControl<TEdit>(this, page, "Edit5");
    ComboBox2 = MakeControl<TComboBox>(this, page, "ComboBox2");
    ComboBox2->SetStyle(TComboBoxStyle::csDropDownList);
    for (const char* currency : kCurrencies) ComboBox2->Items().Add(currency);
    Label31 = MakeLabel(this, page, "Label31");
    BankaComboBox = MakeControl<TComboBox>(this, page, "BankaComboBox");
    Button9 = MakeControl<TButton>(this, page, "Button9");
    Button9->SetCaption("<<Edit");
    RunCheckBox2 = MakeControl<TCheckBox>(this, page, "RunCheckBox2");
    RunCheckBox2->SetChecked(true);
    CheckBox11 = MakeControl<TCheckBox>(this, page, "CheckBox11");
    CheckBox11->SetChecked(true);
    PayCheckBox = MakeControl<TCheckBox>(this, page, "PayCheckBox");
    Label22 = MakeLabel(this, page, "Label22");
    ColorComboBox11 = MakeControl<TColorComboBox>(this, page, "ColorComboBox11");
    ColorComboBox11->SetColorValue(clWhite);
    Label24 = MakeLabel(this, page, "Label24");
    OwnersComboBox2 = MakeControl<TComboBox>(this, page, "OwnersComboBox2");
    Label32 = MakeLabel(this, page, "Label32");
    DateEdit1 = MakeControl<TDateEdit>(this, page, "DateEdit1");
    DateEdit1->SetDefaultToday(true);
    Label33 = MakeLabel(this, page, "Label33");
    DateTimePicker11 = MakeControl<TTimePicker>(this, page, "DateTimePicker11");

    auto* grid = new QGridLayout;
    grid->addWidget(Label28->Widget(), 0, 0, 1, 4);
    grid->addWidget(Label17->Widget(), 1, 0);
    grid->addWidget(DateEdit3->Widget(), 1, 1);
    auto* term = new QHBoxLayout;
    term->addWidget(Label18->Widget());
    Edit6->Widget()->setFixedWidth(56);
    // The arrows stand against the edit whose term they step, at the edit's height.
    auto* spin = new QHBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(Edit6->Widget());
    UpDown1->Widget()->setFixedSize(17, Edit6->Widget()->sizeHint().height());
    spin->addWidget(UpDown1->Widget());
    term->addLayout(spin);
    term->addWidget(Label19->Widget());
    term->addStretch();
    grid->addLayout(term, 1, 2, 1, 2);
    grid->addWidget(Label20->Widget(), 2, 0);
    grid->addWidget(DateEdit2->Widget(), 2, 1);
    grid->addWidget(Label21->Widget(), 3, 0);
    grid->addWidget(Edit1->Widget(), 3, 1);
    grid->addWidget(Label25->Widget(), 3, 2);
    grid->addWidget(Edit4->Widget(), 3, 3);
    grid->addWidget(Label26->Widget(), 4, 0);
    grid->addWidget(Edit2->Widget(), 4, 1);
    grid->addWidget(Label29->Widget(), 4, 2);
    grid->addWidget(Edit3->Widget(), 4, 3);
    grid->addWidget(Label30->Widget(), 5, 0);
    auto* sum = new QHBoxLayout;
    sum->addWidget(Edit5->Widget(), 1);
    sum->addWidget(ComboBox2->Widget());
    grid->addLayout(sum, 5, 1);
    grid->addWidget(Label31->Widget(), 6, 0);
    auto* bank = new QHBoxLayout;
    bank->addWidget(BankaComboBox->Widget(), 1);
    bank->addWidget(Button9->Widget());
    grid->addLayout(bank, 6, 1, 1, 3);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(RunCheckBox2->Widget());
    boxes->addWidget(CheckBox11->Widget());
    boxes->addWidget(PayCheckBox->Widget());
    boxes->addStretch();
    grid->addLayout(boxes, 7, 1, 1, 3);
    grid->addWidget(Label22->Widget(), 8, 0);
    grid->addWidget(ColorComboBox11->Widget(), 8, 1);
    grid->addWidget(Label24->Widget(), 8, 2);
    grid->addWidget(OwnersComboBox2->Widget(), 8, 3);
    grid->addWidget(Label32->Widget(), 9, 0);
    grid->addWidget(DateEdit1->Widget(), 9, 1);
    grid->addWidget(Label33->Widget(), 9, 2);
    grid->addWidget(DateTimePicker11->Widget(), 9, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(10, 1);
    new QVBoxLayout(page->ClientWidget());
    static_cast<QVBoxLayout*>(page->ClientWidget()->layout())->addLayout(grid);

    DateEdit3->OnChange = [this](TComponent* s) { DateEdit3Change(s); };
    DateEdit2->OnChange = [this](TComponent* s) { DateEdit2Change(s); };
    Edit6->OnChange = [this](TComponent* s) { Edit6Change(s); };
    DateTimePicker11->OnChange = [this](TComponent* s) { DateTimePicker1Change(s); };
    Button9->OnClick = [this](TComponent* s) { Button9Click(s); };
    BankaComboBox->OnChange = [this](TComponent* s) { BankaComboBoxChange(s); };
    ComboBox2->OnChange = [this](TComponent* s) { ComboBox2Change(s); };
}

void TUlohaForm::BuildPaymentsPage() {
    TWinControl* page = TabSheet3;
    VolgaTable1 = new TVolgaTable(this);
    VolgaTable1->SetName("VolgaTable1");
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(VolgaTable1);
    SkButton = MakeControl<TKvSpeedButton>(this, page, "SkButton");
    CzButton = MakeControl<TKvSpeedButton>(this, page, "CzButton");
    for (TKvSpeedButton* button : {SkButton, CzButton}) {
        button->SetGroupIndex(1);
        button->SetGlyph(PaymentCountryGlyph(button == CzButton));
        button->Widget()->setFixedSize(36, 28);
    }
    SkButton->SetDown(true);
    Label40 = MakeLabel(this, page, "Label40");
    TFont bold = Label40->Font();
    bold.Style |= fsBold;
    bold.Size = 11;
    Label40->SetFont(bold);
    CheckBox2 = MakeControl<TCheckBox>(this, page, "CheckBox2");
    CheckBox2->SetChecked(true);

    // The columns of the header and of the control grid's panel share their left edges.
    constexpr int kLeft[] = {4, 164, 284, 384, 536};
    constexpr int kWidth[] = {156, 116, 96, 148, 100};
    constexpr int kRowHeight = 64;
    Panel2 = MakeControl<TPanel>(this, page, "Panel2");
    Panel2->SetBevelOuter(TBevelCut::bvNone);
    Panel2->Widget()->setFixedHeight(22);
    TLabel** titles[] = {&Label35, &Label36, &Label37, &Label38, &Label39};
    const char* names[] = {"Label35", "Label36", "Label37", "Label38", "Label39"};
    for (int i = 0; i < 5; ++i) {
        *titles[i] = MakeLabel(this, Panel2, names[i]);
        (*titles[i])->SetBounds(kLeft[i], 3, kWidth[i], 16);
    }

    DBCtrlGrid1 = MakeControl<TDBCtrlGrid>(this, page, "DBCtrlGrid1");
    DBCtrlGrid1->SetRowCount(3);
    DBCtrlGrid1->SetDataSource(DataSource1);
    DBCtrlGrid1->Widget()->setFixedHeight(3 * kRowHeight);
    DBCtrlGrid1->Widget()->setMinimumWidth(kLeft[4] + kWidth[4] + 8);
    TWinControl* row = DBCtrlGrid1->Panel();
    DBMemo1 = MakeControl<TDBMemo>(this, row, "DBMemo1");
    DBMemo1->SetDataSource(DataSource1);
    DBMemo1->SetDataField("Uloha");
    DBMemo1->SetBounds(kLeft[0], 4, kWidth[0], kRowHeight - 10);
    DBDateEdit1 = MakeControl<TDBDateEdit>(this, row, "DBDateEdit1");
    DBDateEdit1->SetDataSource(DataSource1);
    DBDateEdit1->SetDataField("Date");
    DBDateEdit1->SetReadOnly(true);
    DBDateEdit1->SetBounds(kLeft[1], 4, kWidth[1], 22);
    DBText1 = MakeControl<TDBText>(this, row, "DBText1");
    DBText1->SetDataSource(DataSource1);
    DBText1->SetDataField("Note");
    DBText1->SetBounds(kLeft[1], 30, kWidth[1], 28);
    Label23 = MakeLabel(this, row, "Label23");
    Label23->SetBounds(kLeft[2], 4, kWidth[2], 16);
    DBEdit1 = MakeControl<TDBEdit>(this, row, "DBEdit1");
    DBEdit1->SetDataSource(DataSource1);
    DBEdit1->SetDataField("Before_date");
    DBEdit1->SetBounds(kLeft[2], 20, 44, 22);
    Label27 = MakeLabel(this, row, "Label27");
    Label27->SetBounds(kLeft[2], 44, kWidth[2], 16);
    KvDBComboBox2 = MakeControl<TKvDBComboBox>(this, row, "KvDBComboBox2");
    KvDBComboBox2->SetDataSource(DataSource1);
    KvDBComboBox2->SetDataField("Path");
    KvDBComboBox2->SetBounds(kLeft[3], 4, kWidth[3], 22);
    Label34 = MakeLabel(this, row, "Label34");
    Label34->SetBounds(kLeft[3], 30, kWidth[3] - 56, 28);
    Label34->SetWordWrap(true);
    KvDBComboBox3 = MakeControl<TKvDBComboBox>(this, row, "KvDBComboBox3");
    KvDBComboBox3->SetDataSource(DataSource1);
    KvDBComboBox3->SetDataField("Run");
    KvDBComboBox3->SetValues({"True", "False"});
    KvDBComboBox3->SetEnableValues(true);
    KvDBComboBox3->SetBounds(kLeft[3] + kWidth[3] - 54, 32, 54, 22);
    KvDBComboBox1 = MakeControl<TKvDBComboBox>(this, row, "KvDBComboBox1");
    KvDBComboBox1->SetDataSource(DataSource1);
    KvDBComboBox1->SetDataField("Mesage");
    KvDBComboBox1->SetValues({"True", "False"});
    KvDBComboBox1->SetEnableValues(true);
    KvDBComboBox1->SetBounds(kLeft[4], 4, kWidth[4], 22);

    auto* head = new QHBoxLayout;
    head->addWidget(SkButton->Widget());
    head->addWidget(CzButton->Widget());
    head->addSpacing(12);
    head->addWidget(Label40->Widget(), 1);
    auto* layout = new QVBoxLayout(page->ClientWidget());
    layout->addLayout(head);
    layout->addWidget(CheckBox2->Widget());
    layout->addWidget(Panel2->Widget());
    layout->addWidget(DBCtrlGrid1->Widget());
    layout->addStretch(1);

    SkButton->OnClick = [this](TComponent* s) { SkButtonClick(s); };
    CzButton->OnClick = [this](TComponent* s) { CzButtonClick(s); };
    PageControl1->OnChange = [this](TComponent* s) {
        if (PageControl1->ActivePage() == TabSheet3) TabSheet3Show(s);
    };
}

// ---- creation, showing, activation ----

void TUlohaForm::FormCreate(TComponent*) {
    flags_.TaskEditorOpen = true;
    TellProjectFilter(true);
    const SettingsStore* settings = context_.Frame.Settings;
    if (settings) {
        const auto& s = settings->Nastavenia;
        MonthCalendar1->SetColor(static_cast<TColor>(s[Slot::CalendarMonthBack]));
        TFont font = MonthCalendar1->Font();
        font.Color = static_cast<TColor>(s[Slot::CalendarText]);
        MonthCalendar1->SetFont(font);
        // The month's title stands on its own colour, as in the scheduling window's calendar.
        MonthTitle->SetTransparent(false);
        MonthTitle->SetColor(static_cast<TColor>(s[Slot::CalendarTitleBack]));
        TFont title = MonthTitle->Font();
        title.Color = static_cast<TColor>(s[Slot::CalendarTitleText]);
        title.Style |= fsBold;
        MonthTitle->SetFont(title);
        const int first = s[Slot::FirstWeekDay];
        // 1 Monday ... 7 Sunday; the calendar counts from Sunday.
        if (first >= 1 && first <= 7)
            MonthCalendar1->SetStartOfWeek(static_cast<TDayOfWeekName>(first % 7));
    }
    TVolgaTable* tasks = context_.Data.TaskTable;
    if (context_.Module == TasksModule && tasks && tasks->Active() && !tasks->IsEmpty()) {
        currentKey_ = tasks->FieldByName("Number").AsString();
        if (!currentKey_.empty()) flags_.EditedTaskDate = tasks->FieldByName("Date").AsDateTime();
    }
    std::vector<std::string> repeats;
    for (int message = MessageId::Once; message < MessageId::Once + 5; ++message)
        repeats.push_back(GetMessageText(message));
    SetItems(RepeatComboBox, repeats);
    RepeatComboBox->SetItemIndex(0);
    MonthCalendar1->SetFormatSettings(EditorFormat());
    for (TCustomDateEdit* edit : std::initializer_list<TCustomDateEdit*>{DateEdit1, DateEdit2, DateEdit3, DBDateEdit1})
        edit->SetFormatSettings(EditorFormat());
}

void TUlohaForm::FormShow(TComponent*) {
    if (!flags_.TaskEditMode) {
        const TDateTime day = context_.CurrentDay > 0 ? context_.CurrentDay : Today();
        MonthCalendar1->SetRange(day, day);
    }
    FillEBankList();
    ComboBox1->SetItemIndex(0);
    if (context_.Frame.Settings) {
        const int currency = context_.Frame.Settings->Nastavenia[Slot::CurrencyIndex];
        ComboBox2->SetItemIndex(currency >= 0 && currency < ComboBox2->Items().Count() ? currency : 0);
    }
    SetCaptions();
    ShowMonthTitle();
    if (PageControl1->ActivePage() == TabSheet3) TabSheet3Show(this);
}

void TUlohaForm::SetCaptions() {
    const int language = LanguageIndex();
    ApplyCaptions(*this, "TUlohaForm", Language());
    for (const MessageCaption& row : kMessageCaptions)
        if (auto* control = dynamic_cast<TControl*>(FindComponent(row.Name)))
            control->SetCaption(GetMessageText(row.Message) + row.Suffix);
    KvDBComboBox1->SetItems({kOnOff[language][0], kOnOff[language][1]});
    KvDBComboBox3->SetItems({kYesNo[language][0], kYesNo[language][1]});
}

void TUlohaForm::ShowMonthTitle() { MonthTitle->SetCaption(CalendarTitle(MonthCalendar1->CalendarDate(), EditorFormat())); }

void TUlohaForm::FillEBankList() {
    BankaComboBox->Items().Clear();
    KvDBComboBox2->Items().Clear();
    if (!context_.Frame.Settings) return;
    const SettingsStore& s = *context_.Frame.Settings;
    std::vector<std::string> banks;
    for (int k = TextSlot::FirstEBank; k <= TextSlot::LastEBank; ++k)
        if (!s.NastaveniaText[k].empty()) banks.push_back(s.NastaveniaText[k]);
    SetItems(BankaComboBox, banks);
    KvDBComboBox2->SetItems(banks);
    const int index = s.Nastavenia[Slot::EBankIndex];
    if (index >= 0 && index < static_cast<int>(banks.size())) BankaComboBox->SetItemIndex(index);
}

void TUlohaForm::FillOwners(const std::vector<std::string>& owners) {
    for (TComboBox* box : {OwnersComboBox, OwnersComboBox2}) {
        SetItems(box, owners);
        box->SetItemIndex(0);
    }
}

void TUlohaForm::FillProjects() {
    TVolgaTable* projects = context_.Data.ProjectTable;
    SetItems(ProjectComboBox, projects ? ColumnValues(*projects, "ProjectName") : std::vector<std::string>{});
}

void TUlohaForm::FillSubProjects(const std::string& project) {
    TellProjectFilter(flags_.TaskEditorOpen);
    TVolgaTable* subs = context_.Data.SubProjectTable;
    SetItems(SubProjectComboBox, subs ? SubProjectsOf(*subs, project) : std::vector<std::string>{});
}

void TUlohaForm::ShowProjectSpan(const std::string& project) {
    TVolgaTable* projects = context_.Data.ProjectTable;
    if (!projects || !projects->Active() || project.empty()) return;
    if (!projects->Locate("ProjectName", Variant(project), loCaseInsensitive | loPartialKey)) return;
    const std::string start = projects->FieldByName("StartProj").AsString();
    const std::string end = projects->FieldByName("EndProj").AsString();
    if (!start.empty()) StartProjEdit->SetText(start);
    if (!end.empty()) EndProjEdit->SetText(end);
}

void TUlohaForm::ShowSubProjectSpan(const std::string& subProject) {
    TVolgaTable* subs = context_.Data.SubProjectTable;
    if (subProject.empty() || !subs || !subs->Active()) {
        StartSubEdit->SetText("");
        EndSubEdit->SetText("");
        return;
    }
    const bool filtered = subs->Filtered();
    subs->SetFiltered(false);
    if (subs->Locate("SubProjectName", Variant(subProject), loCaseInsensitive | loPartialKey)) {
        const std::string start = subs->FieldByName("StartSubProj").AsString();
        const std::string end = subs->FieldByName("EndSubProj").AsString();
        if (!start.empty()) StartSubEdit->SetText(start);
        if (!end.empty()) EndSubEdit->SetText(end);
    }
    subs->SetFiltered(filtered);
}

void TUlohaForm::FormActivate(TComponent*) {
    TVolgaTable* tasks = context_.Data.TaskTable;
    const bool editing = flags_.TaskEditMode || flags_.TaskCloneMode;
    if (!editing) {
        if (context_.Module == TasksModule) {
            if (!context_.DateCaption.empty()) DatumLabel->SetCaption(context_.DateCaption);
            const TDateTime now = TimeOf(Now());
            for (TTimePicker* picker : {DateTimePicker1, DateTimePicker2, DateTimePicker3, DateTimePicker11})
                picker->SetTime(now);
            for (TDateEdit* edit : {DateEdit1, DateEdit3, DateEdit2}) edit->SetDate(Today());
        } else if (context_.Module == LinksModule) {
            TabSheet2->SetTabVisible(false);
            TabSheet3->SetTabVisible(false);
        }
        UlohaMemo->Lines().Clear();
        RepeatComboBox->SetItemIndex(0);
        if (context_.Module == LinksModule) {
            PathEdit->SetText(context_.LinkPath);
            UlohaMemo->SetText(GetMessageText(MessageId::OpenThisFile) + context_.LinkName);
            RunCheckBox->SetChecked(true);
        }
        FillProjects();
        FillOwners(OwnerChoices(context_.Frame.DataFolder, context_.LogonName, context_.Data.OwnersTable));
    } else if (tasks && tasks->Active() && !tasks->IsEmpty() && !currentKey_.empty()) {
        if (tasks->FieldByName("Task_type").AsString() == "F") LoadInvoice();
        else LoadTask();
    }
    if (PageControl1->ActivePage() == TabSheet3 && tasks) tasks->SetFiltered(false);
    // What is typed first goes where the entry begins: the task's text, or the invoice's issue date.
    if (PageControl1->ActivePage() == TabSheet1) SetActiveControl(UlohaMemo);
    else if (PageControl1->ActivePage() == TabSheet2) SetActiveControl(DateEdit3);
}

void TUlohaForm::LoadTask() {
    TVolgaTable& tasks = *context_.Data.TaskTable;
    const TDateTime day = flags_.TaskCloneMode ? Today() : flags_.EditedTaskDate;
    TaskValues v;
    try {
        v = TaskValuesOfRow(tasks, day);
    } catch (const std::invalid_argument& error) {
        // Nothing of the row is shown, and OK then writes nothing over it.
        loadError_ = error.what();
        ShowRefusal(loadError_);
        return;
    }
    PageControl1->SetActivePage(TabSheet1);
    TabSheet2->SetTabVisible(false);
    if (!context_.DateCaption.empty()) DatumLabel->SetCaption(context_.DateCaption);
    DateTimePicker1->SetTime(v.Time);
    ColorComboBox1->SetColorValue(v.Color);
    UlohaMemo->SetText(v.Text);
    CompleteCheckBox->SetChecked(v.Completed);
    RepeatComboBox->SetItemIndex(v.RepFreq);
    DateTimePicker2->SetTime(v.StartTime);
    DateTimePicker3->SetTime(v.EndTime);
    MonthCalendar1->SetRange(v.Date, v.Date);
    CheckBox1->SetChecked(v.Remind);
    FillProjects();
    StartProjEdit->SetText("");
    EndProjEdit->SetText("");
    if (!v.Project.empty()) {
        ProjectComboBox->SetText(v.Project);
        ShowProjectSpan(v.Project);
    }
    if (!v.Path.empty()) PathEdit->SetText(v.Path);
    FillSubProjects(v.Project);
    if (!v.SubProject.empty()) {
        SubProjectComboBox->SetText(v.SubProject);
        ShowSubProjectSpan(v.SubProject);
    }
    FillOwners(EditOwnerChoices(context_.LogonName, context_.Data.OwnersTable));
    if (!v.Owner.empty()) OwnersComboBox->SetText(v.Owner);
    RunCheckBox->SetChecked(v.Run);
    ComboBox1->SetItemIndex(v.Priority);
}

void TUlohaForm::LoadInvoice() {
    TVolgaTable& tasks = *context_.Data.TaskTable;
    InvoiceValues v;
    try {
        v = InvoiceValuesOfRow(tasks, EditorFormat());
    } catch (const std::invalid_argument& error) {
        loadError_ = error.what();
        ShowRefusal(loadError_);
        return;
    }
    PageControl1->SetActivePage(TabSheet2);
    TabSheet1->SetTabVisible(false);
    TabSheet3->SetTabVisible(false);
    linking_ = true;
    DateEdit3->SetText(v.IssueDate);
    DateEdit2->SetText(v.DueDate);
    Edit6->SetText(v.Term);
    linking_ = false;
    Edit1->SetText(v.Account);
    Edit4->SetText(v.BankCode);
    Edit2->SetText(v.VarSymbol);
    Edit3->SetText(v.ConstSymbol);
    Edit5->SetText(v.Amount);
    DateEdit1->SetText(v.PayDate);
    BankaComboBox->SetText(v.EBank);
    DateTimePicker11->SetTime(v.PayTime);
    RunCheckBox2->SetChecked(v.PayByEBank);
    CheckBox11->SetChecked(v.Remind);
    PayCheckBox->SetChecked(v.Paid);
    ColorComboBox11->SetColorValue(v.Color);
    FillOwners(EditOwnerChoices(context_.LogonName, context_.Data.OwnersTable));
    if (!v.Owner.empty()) OwnersComboBox2->SetText(v.Owner);
}

// ---- closing ----

void TUlohaForm::FormClose(TComponent*, TCloseAction&) {
    flags_.TaskEditorOpen = false;
    TellProjectFilter(false);
    if (context_.Module == TasksModule) {
        flags_.TaskEditMode = false;
        flags_.TaskCloneMode = false;
    }
    // The frame window's Edit may have left the table editing; every change was written at OK.
    if (TVolgaTable* tasks = context_.Data.TaskTable; tasks && (tasks->State() == dsEdit || tasks->State() == dsInsert))
        tasks->Cancel();
    // OK wrote what was changed in the payment kinds; closed any other way, it is dropped.
    if (VolgaTable1->Active()) {
        if (VolgaTable1->State() == dsEdit || VolgaTable1->State() == dsInsert) VolgaTable1->Cancel();
        VolgaTable1->CancelChanges();
    }
}

void TUlohaForm::CancelButtonClick(TComponent*) {
    flags_.CloseAfterSave = true;
    if (TVolgaTable* tasks = context_.Data.TaskTable; tasks && (tasks->State() == dsEdit || tasks->State() == dsInsert))
        tasks->Cancel();
    if (context_.OnCancelled) context_.OnCancelled();
}

void TUlohaForm::BitBtn2Click(TComponent*) {
    const int context = PageControl1->ActivePage() == TabSheet2   ? kHelpInvoice
                        : PageControl1->ActivePage() == TabSheet3 ? kHelpPayments
                                                                  : kHelpTask;
    Application().HelpContext({}, context);
}

// ---- OK ----

EditorPage TUlohaForm::ActivePage() const {
    if (PageControl1->ActivePage() == TabSheet2) return EditorPage::Invoice;
    if (PageControl1->ActivePage() == TabSheet3) return EditorPage::Payments;
    return EditorPage::Task;
}

TaskSaveRequest TUlohaForm::Request() const {
    TaskSaveRequest r;
    r.Page = ActivePage();
    r.EditMode = flags_.TaskEditMode;
    r.CloneMode = flags_.TaskCloneMode;
    r.SeriesSelected = context_.SeriesSelected;
    r.SeriesKeys = context_.SeriesKeys;
    r.SelectedKeys = context_.SelectedKeys;
    r.CurrentKey = currentKey_;
    r.Begun = context_.Begun;
    r.UserPrefix = context_.Frame.UserPrefix;
    TaskValues& t = r.Task;
    t.Date = MonthCalendar1->Date();
    t.EndDate = MonthCalendar1->EndDate();
    t.Time = DateTimePicker1->Time();
    t.Text = UlohaMemo->Text();
    t.Color = ColorComboBox1->ColorValue();
    t.Remind = CheckBox1->Checked();
    t.Priority = std::max(0, ComboBox1->ItemIndex());
    t.RepFreq = std::max(0, RepeatComboBox->ItemIndex());
    t.StartTime = DateTimePicker2->Time();
    t.EndTime = DateTimePicker3->Time();
    t.Owner = OwnersComboBox->Text();
    t.Project = ProjectComboBox->Text();
    t.SubProject = SubProjectComboBox->Text();
    t.Run = RunCheckBox->Checked();
    t.Path = PathEdit->Text();
    t.Completed = CompleteCheckBox->Checked();
    InvoiceValues& v = r.Invoice;
    // A date edit without a date shows its blank mask: that is no date.
    auto dateText = [](const TDateEdit* edit) {
        const std::string text = edit->Text();
        return text.find_first_of("0123456789") == std::string::npos ? std::string() : text;
    };
    v.IssueDate = dateText(DateEdit3);
    v.DueDate = dateText(DateEdit2);
    v.PayDate = dateText(DateEdit1);
    v.Term = Edit6->Text();
    v.Account = Edit1->Text();
    v.BankCode = Edit4->Text();
    v.VarSymbol = Edit2->Text();
    v.ConstSymbol = Edit3->Text();
    v.Amount = Edit5->Text();
    v.Currency = ComboBox2->Text();
    v.EBank = BankaComboBox->Text();
    v.PayByEBank = RunCheckBox2->Checked();
    v.Remind = CheckBox11->Checked();
    v.Paid = PayCheckBox->Checked();
    v.Color = ColorComboBox11->ColorValue();
    v.Owner = OwnersComboBox2->Text();
    v.PayTime = DateTimePicker11->Time();
    v.StartTime = DateTimePicker2->Time();
    v.EndTime = DateTimePicker3->Time();
    return r;
}

void TUlohaForm::ShowRefusal(const std::string& text) { ShowMessage(text); }

void TUlohaForm::BitBtn1Click(TComponent*) {
    flags_.CloseAfterSave = true;
    if (!loadError_.empty()) {
        // What was stored could not be shown: saving would overwrite it with what was not read.
        flags_.CloseAfterSave = false;
        ShowRefusal(loadError_);
        return;
    }
    TaskSaveRequest request = Request();
    std::unique_ptr<RegularPayments> payments;
    TVolgaTable& tasks = *context_.Data.TaskTable;
    if (request.Page == EditorPage::Payments) {
        payments = std::make_unique<RegularPayments>(*VolgaTable1, tasks, context_.Frame.DataFolder, Country(),
                                                     CheckBox2->Checked(), OwnersComboBox2->Text(),
                                                     context_.Frame.UserPrefix);
        payments->SetKindsError(kindsError_);
        payments->SetConfirmRemoval([this] {
            return ShowMessageBox(EmptyKindsQuestion(Country()), GetMessageText(MessageId::WarningCaption),
                                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
        });
        request.Payments = payments.get();
    } else if (VolgaTable1->Active() && (VolgaTable1->State() == dsEdit || VolgaTable1->State() == dsInsert ||
                                         VolgaTable1->ChangeCount() > 0)) {
        // What was changed in the payment kinds before another page's OK is kept too.
        try {
            VolgaTable1->ApplyChanges();
        } catch (const std::exception& error) {
            flags_.CloseAfterSave = false;
            Application().ShowException(error);
            return;
        }
    }
    TaskSaveResult result;
    try {
        TTableLocks own;
        TTableLocks& locks = context_.Frame.Locks ? *context_.Frame.Locks : own;
        result = SaveTasks(tasks, locks, context_.Data.LockFileName(TableId::Tasks), context_.Frame.NetworkMode, request);
    } catch (const PaymentsDeclined&) {
        flags_.CloseAfterSave = false;
        return;
    } catch (const TaskInputRefused& refused) {
        if (payments && payments->DatesRead()) flags_.PaymentDataCurrent = payments->DataCurrent();
        flags_.CloseAfterSave = false;
        ShowRefusal(refused.what());
        return;
    } catch (const TaskChangedElsewhere& changed) {
        // Another computer changed the task meanwhile and the user kept it: nothing was written.
        flags_.CloseAfterSave = false;
        if (changed.Choice == OtherChangeChoice::Reload) ReloadAfterOtherChange();
        return;
    } catch (const std::exception& error) {
        // The change was cancelled and the lock released; what was typed stays for another try.
        flags_.CloseAfterSave = false;
        if (context_.OnCancelled) context_.OnCancelled();
        Application().ShowException(error);
        return;
    }
    if (payments) flags_.PaymentDataCurrent = payments->DataCurrent();
    if (result.RowsAdded > 0) tasks.SetTag(1);
    if (context_.OnSaved) context_.OnSaved(result);
    if (payments && payments->MovedLeapDays() > 0) ShowMessage(MovedLeapDaysText(payments->MovedLeapDays()));
    if (flags_.CloseAfterSave) SetModalResult(mrOk);
}

void TUlohaForm::ReloadAfterOtherChange() {
    TVolgaTable& tasks = *context_.Data.TaskTable;
    std::vector<std::string> keys;
    for (const TaskRowStamp& stamp : context_.Begun) keys.push_back(stamp.Key);
    // The editor shows the task as the shared file has it now, and the next save starts from it.
    context_.Begun = StampTaskRows(tasks, keys);
    if (!currentKey_.empty()) LocateRecordCode(tasks, currentKey_);
    if (!tasks.IsEmpty()) flags_.EditedTaskDate = tasks.FieldByName("Date").AsDateTime();
    FormActivate(this);
}

// ---- smaller handlers ----

void TUlohaForm::MonthCalendar1Click(TComponent*) {
    DatumLabel->SetCaption(DateLabelText(MonthCalendar1->Date(), MonthCalendar1->EndDate(), EditorFormat()));
}

void TUlohaForm::DateTimePicker1Change(TComponent* sender) {
    const TDateTime time = sender == DateTimePicker11 ? DateTimePicker11->Time() : DateTimePicker1->Time();
    DateTimePicker2->SetTime(time);
    DateTimePicker3->SetTime(time);
}

void TUlohaForm::Button1Click(TComponent*) {
    const QString file = QFileDialog::getOpenFileName(Widget(), {}, QString::fromStdString(GetMyDocumentsFolder()),
                                                      "All files (*)");
    if (!file.isEmpty()) PathEdit->SetText(file.toStdString());
}

void TUlohaForm::ProjectComboBoxChange(TComponent*) {
    const std::string project = ProjectComboBox->Text();
    ShowProjectSpan(project);
    FillSubProjects(project);
    SubProjectComboBox->SetItemIndex(SubProjectComboBox->Items().Count() > 0 ? 0 : -1);
    ShowSubProjectSpan(SubProjectComboBox->Text());
}

void TUlohaForm::SubProjectComboBoxChange(TComponent*) { ShowSubProjectSpan(SubProjectComboBox->Text()); }

void TUlohaForm::Button9Click(TComponent*) {
    // The address this invoice pays with stays chosen, whatever the list becomes.
    const std::string chosen = BankaComboBox->Text();
    if (RunRegisteredDialog("TAddBankForm") != mrOk) return;
    FillEBankList();
    if (!chosen.empty()) BankaComboBox->SetText(chosen);
}

void TUlohaForm::BankaComboBoxChange(TComponent*) {
    if (context_.Frame.Settings) context_.Frame.Settings->Nastavenia[Slot::EBankIndex] = BankaComboBox->ItemIndex();
}

void TUlohaForm::ComboBox2Change(TComponent*) {
    if (context_.Frame.Settings) context_.Frame.Settings->Nastavenia[Slot::CurrencyIndex] = ComboBox2->ItemIndex();
}

void TUlohaForm::DateEdit3Change(TComponent*) {
    if (linking_) return;
    linking_ = true;
    DateEdit2->SetText(DateEdit3->Text());
    Edit6->SetText("0");
    linking_ = false;
}

void TUlohaForm::Edit6Change(TComponent*) {
    if (linking_) return;
    try {
        if (auto due = DueDateForTerm(DateEdit3->Text(), Edit6->Text(), EditorFormat())) {
            linking_ = true;
            DateEdit2->SetText(*due);
            linking_ = false;
        }
    } catch (const std::invalid_argument&) {
        // Half-typed: the save says what is wrong with it.
    }
}

void TUlohaForm::DateEdit2Change(TComponent*) {
    if (linking_) return;
    try {
        if (auto term = TermForDueDate(DateEdit3->Text(), DateEdit2->Text(), EditorFormat())) {
            linking_ = true;
            Edit6->SetText(*term);
            linking_ = false;
        }
    } catch (const std::invalid_argument&) {
    }
}

// ---- the payments page ----

PaymentCountry TUlohaForm::Country() const { return CzButton->Down() ? PaymentCountry::Czech : PaymentCountry::Slovak; }

void TUlohaForm::OpenCountry(PaymentCountry country) {
    const bool czech = country == PaymentCountry::Czech;
    Label40->SetCaption(GetMessageText(czech ? MessageId::CzechPays : MessageId::SlovakPays));
    CheckBox2->SetCaption(kSkipPast[czech ? 1 : 0] + EditorDateText(Today(), EditorFormat()));
    if (context_.Frame.Settings) context_.Frame.Settings->Nastavenia[Slot::PaymentCountry] = czech ? 1 : 0;
    try {
        if (VolgaTable1->Active() && VolgaTable1->ChangeCount() > 0) VolgaTable1->ApplyChanges();
        EnsurePaymentFiles(context_.Frame.DataFolder, country);
        OpenPaymentTable(*VolgaTable1, context_.Frame.DataFolder, PaymentKindsFile(country));
        kindsError_.clear();
    } catch (const std::exception& error) {
        // The page stays empty; the start of the program and the other pages go on.
        kindsError_ = error.what();
        VolgaTable1->Close();
        Application().ShowException(error);
    }
    DBCtrlGrid1->Invalidate();
}

void TUlohaForm::TabSheet3Show(TComponent*) {
    const int country = context_.Frame.Settings ? context_.Frame.Settings->Nastavenia[Slot::PaymentCountry] : 0;
    if (country == 0 || country == 1) {
        (country == 1 ? CzButton : SkButton)->SetDown(true);
        OpenCountry(country == 1 ? PaymentCountry::Czech : PaymentCountry::Slovak);
    }
    FillEBankList();
}

void TUlohaForm::SkButtonClick(TComponent*) {
    if (SkButton->Down()) OpenCountry(PaymentCountry::Slovak);
}

void TUlohaForm::CzButtonClick(TComponent*) {
    if (CzButton->Down()) OpenCountry(PaymentCountry::Czech);
}

} // namespace kvz
