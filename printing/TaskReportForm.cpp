#include "printing/TaskReportForm.h"

#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysInfo.h"
#include "scheduling/TaskCells.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QHBoxLayout>

namespace kvz {

namespace {
constexpr int kHelpContext = 40;

void Fill(TComboBox* combo, const std::vector<std::string>& items) {
    combo->Items().Clear();
    for (const std::string& item : items) combo->Items().Add(item);
    combo->SetItemIndex(0);
}
} // namespace

TTasksReportForm::TTasksReportForm(TComponent* owner, TWinControl* parent, TDataModule1& data)
    : TReportSelectionForm(owner, parent, 1), data_(data), brief_(MakeBriefTaskLayout()), full_(MakeFullTaskLayout()) {
    SetName("TasksReportForm");
    SetHelpContext(kHelpContext);
    auto label = [this](const char* name) { return MakeControl<TLabel>(this, this, name); };
    auto combo = [this](const char* name) {
        auto* c = MakeControl<TComboBox>(this, this, name);
        c->SetStyle(TComboBoxStyle::csDropDownList);
        
        return c;
    };
    Label2 = label("Label2");
    ProjectComboBox = combo("ProjectComboBox");
    ProjectComboBox->OnSelect = [this](TComponent*) { ProjectComboBoxChange(); };
    Label5 = label("Label5");
    SubProjectComboBox = combo("SubProjectComboBox");
    Label6 = label("Label6");
    OwnersComboBox = combo("OwnersComboBox");
    Label7 = label("Label7");
    DateEdit1 = MakeControl<TDateEdit>(this, this, "DateEdit1");
    Label8 = label("Label8");
    DateEdit2 = MakeControl<TDateEdit>(this, this, "DateEdit2");
    int row = 0;
    for (auto [caption, control] : {std::pair<TControl*, TControl*>{Label2, ProjectComboBox}, {Label5, SubProjectComboBox},
                                    {Label6, OwnersComboBox}, {Label7, DateEdit1}, {Label8, DateEdit2}}) {
        Choices->addWidget(caption->Widget(), row, 0);
        Choices->addWidget(control->Widget(), row++, 1);
    }
    BitBtn2 = MakeControl<TButton>(this, this, "BitBtn2");
    BitBtn3 = MakeControl<TButton>(this, this, "BitBtn3");
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    for (TButton* b : {BitBtn2, BitBtn3, BitBtn1}) Buttons->addWidget(b->Widget());
    Buttons->addStretch(1);
    TabSheet1 = AddSampleTab("TabSheet1", TSampleKind::BriefRows);
    TabSheet2 = AddSampleTab("TabSheet2", TSampleKind::FullBlocks);
    PageControl1->SetActivePage(TabSheet2);

    Grid->SetName("UlohaDbGrid");
    Grid->SetDataSource(data_.UlohaSource);
    for (auto [field, width] : {std::pair{"Priority", 10}, {"Date", 53}, {"Time", 55}, {"Uloha", 120}}) {
        TColumn& column = Grid->Columns().Add();
        column.SetFieldName(field);
        column.SetWidth(width);
    }
    Grid->Columns()[0].SetTitleCaption("P");
    // A coloured task shows its colour behind the date, time and text, with a readable ink.
    Grid->OnGetCellParams = [this](TComponent*, TField* field, TFont& font, TColor& background, bool) {
        if (!field || field->FieldName() == "Priority" || !Grid->DataSet()) return;
        const TField* colour = Grid->DataSet()->FindField("Color");
        if (!colour || colour->IsNull()) return;
        const auto color = static_cast<uint32_t>(colour->AsInteger());
        if (color == 0xFFFFFF) return;
        background = color;
        font.Color = ContrastTextColor(color, clBlack);
    };
    FormShow();
}

TTasksReportForm::~TTasksReportForm() {
    // Every task and sub-project shows again in the other windows.
    selection_.reset();
    brief_->SetDataSet(nullptr);
    full_->SetDataSet(nullptr);
}

TReportLayout& TTasksReportForm::ChosenLayout() { return PageControl1->ActivePage() == TabSheet1 ? *brief_ : *full_; }

void TTasksReportForm::FormShow() {
    selection_ = std::make_unique<TTaskSelection>(
        TTaskTables{data_.TaskTable, data_.ProjectTable, data_.SubProjectTable, data_.OwnersTable});
    Fill(ProjectComboBox, selection_->ProjectItems());
    Fill(SubProjectComboBox, {GetMessageText(MessageId::AllModules)});
    Fill(OwnersComboBox, selection_->OwnerItems(GetWindowsUserName()));
    if (data_.TaskTable) {
        BindBriefTaskLayout(*brief_, *data_.TaskTable);
        BindFullTaskLayout(*full_, *data_.TaskTable);
    }
    FillSources();
    const std::string colon = " :";
    Label2->SetCaption(GetMessageText(MessageId::Project) + colon);
    Label5->SetCaption(GetMessageText(MessageId::PartialProject) + colon);
    Label6->SetCaption(GetMessageText(MessageId::Owner) + colon);
    Label7->SetCaption(GetMessageText(MessageId::Start) + colon);
    Label8->SetCaption(GetMessageText(MessageId::End) + colon);
    Label3->SetCaption(ByLanguage(" Data source : ", " Zdroj údajov : ", " Zdroj údajů : "));
    BitBtn3->SetCaption(GetMessageText(MessageId::AllModules));
    Grid->Columns()[1].SetTitleCaption(GetMessageText(MessageId::TaskDate));
    Grid->Columns()[2].SetTitleCaption(GetMessageText(MessageId::Time));
    Grid->Columns()[3].SetTitleCaption(GetMessageText(MessageId::Task));
    // The date and time columns hold the longest date of the language and its title whole.
    const QFontMetrics metrics(Grid->View()->font());
    const QFontMetrics titles(Grid->View()->horizontalHeader()->font());
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const std::string longestDate = FormatDateTime(fs.ShortDateFormat, EncodeDate(2026, 12, 28), fs);
    for (auto [column, sample] : {std::pair{1, longestDate}, {2, std::string("23:59")}}) {
        const int text = metrics.horizontalAdvance(QString::fromStdString(sample));
        const int title = titles.horizontalAdvance(QString::fromStdString(Grid->Columns()[column].TitleCaption()));
        Grid->Columns()[column].SetWidth(std::max(text, title) + 16);
    }
    BitBtn1->SetCaption(GetMessageText(MessageId::Help));
    KvLabel1->SetCaption(ByLanguage("Selected tasks ", "Vybrané úlohy ", "Vybrané úkoly "));
    Label4->SetCaption(ByLanguage(" Selection tasks for printing : ", " Výber úloh pre tlač : ", " Výběr úkolů pro tisk : "));
    TabSheet1->SetCaption(ByLanguage("Basic survey", "Stručný prehľad", "Stručný přehled"));
    TabSheet2->SetCaption(ByLanguage("Extendet survey", "Úplný prehľad", "Úplný přehled"));
    BitBtn2->SetCaption(ByLanguage("Selection", "Výber", "Výběr"));
    FitTabs();
    if (TMainForm* frame = MainForm()) frame->LoadToStatusBar(3);
}

void TTasksReportForm::ProjectComboBoxChange() {
    Fill(SubProjectComboBox, selection_->SubProjectItems(ProjectComboBox->Text()));
}

void TTasksReportForm::BitBtn2Click() {
    selection_->Select({.ProjectIndex = ProjectComboBox->ItemIndex(),
                        .Project = ProjectComboBox->Text(),
                        .SubProjectIndex = SubProjectComboBox->ItemIndex(),
                        .SubProject = SubProjectComboBox->Text(),
                        .DateFrom = DateEdit1->Text(),
                        .DateTo = DateEdit2->Text(),
                        .OwnerIndex = OwnersComboBox->ItemIndex(),
                        .Owner = OwnersComboBox->Text()});
}

void TTasksReportForm::BitBtn3Click() {
    selection_->ShowAll();
    DateEdit1->SetText("");
    DateEdit2->SetText("");
    for (TComboBox* c : {ProjectComboBox, SubProjectComboBox, OwnersComboBox}) c->SetItemIndex(0);
}

void TTasksReportForm::BitBtn1Click() { Application().HelpContext(Application().HelpFile(), kHelpContext); }

} // namespace kvz
