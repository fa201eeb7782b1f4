#include "printing/Template.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/ScopeGuard.h"
#include "printing/ZostavyChild.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace kvz {

namespace {

constexpr int kHelpContext = 67;

// The sheet values in the order "Use" copies them and with the fields that keep them.
struct TemplateValue {
    TSheetEdit Edit;
    const char* Field;
};
constexpr TemplateValue kValues[7] = {
    {TSheetEdit::TopMargin, "HornyOkraj"}, {TSheetEdit::Width, "Sirka"},   {TSheetEdit::Height, "Vyska"},
    {TSheetEdit::RowGap, "HornaMedzera"},  {TSheetEdit::Gap, "Medzera"},   {TSheetEdit::Margin, "LavaMedzera"},
    {TSheetEdit::Columns, "Stlpce"}};

const char* const kNotANumber[3] = {"\"%1\" is not a number.", "\"%1\" nie je číslo.", "\"%1\" není číslo."};

// Every field of a template row.
constexpr const char* kRowFields[8] = {"Name",         "HornyOkraj", "Sirka",       "Vyska",
                                       "HornaMedzera", "Medzera",    "LavaMedzera", "Stlpce"};

// The template file keeps its names in Windows-1250.
constexpr int kTemplateCodePage = 1250;
const char* const kNameNotStorable[3] = {
    "The name \"%1\" holds a letter that the template file cannot store. Use other letters.",
    "Názov \"%1\" obsahuje znak, ktorý súbor šablón nedokáže uložiť. Použite iné písmená.",
    "Název \"%1\" obsahuje znak, který soubor šablon nedokáže uložit. Použijte jiná písmena."};

std::string WithText(const char* const (&texts)[3], const std::string& text) {
    std::string message = InLanguage(texts);
    message.replace(message.find("%1"), 2, text);
    return message;
}

std::string NotANumber(const std::string& text) { return WithText(kNotANumber, text); }

} // namespace

std::optional<Centi> ParseTemplateValue(TSheetEdit edit, std::string_view text, const FormatSettings& fs) {
    std::optional<Centi> value = ParseCenti(text, fs);
    if (value && *value < 0) return std::nullopt;
    if (value && edit == TSheetEdit::Columns) return *value % 100 == 0 ? std::optional<Centi>(*value / 100) : std::nullopt;
    return value;
}

TTemplateForm::TTemplateForm(TComponent* owner, TDataModule1& data, TZostavyChildForm& reports, TTemplateMode mode)
    : TForm(owner), data_(data), reports_(reports), mode_(mode) {
    SetName("TemplateForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    auto* column = new QVBoxLayout(ClientWidget());

    auto* nameRow = new QHBoxLayout;
    Label2 = MakeControl<TLabel>(this, this, "Label2");
    Edit1 = MakeControl<TEdit>(this, this, "Edit1");
    Edit1->SetMaxLength(255);
    nameRow->addWidget(Label2->Widget());
    nameRow->addWidget(Edit1->Widget(), 1);
    column->addLayout(nameRow);

    auto* middle = new QHBoxLayout;
    DBLookupListBox1 = MakeControl<TDBGrid>(this, this, "DBLookupListBox1");
    DBLookupListBox1->SetOptions(dgRowSelect | dgAlwaysShowSelection);
    DBLookupListBox1->SetReadOnly(true);
    DBLookupListBox1->SetDataSource(data_.TemplatesDataSource);
    DBLookupListBox1->Columns().Add().SetFieldName("Name");
    DBLookupListBox1->Widget()->setMinimumWidth(170);
    middle->addWidget(DBLookupListBox1->Widget(), 1);

    StitkyPanel = MakeControl<TGroupBox>(this, this, "StitkyPanel");
    auto* grid = new QGridLayout(StitkyPanel->Widget());
    TEdit** edits[6] = {&SirkaEdit, &VyskaEdit, &LavyOkrajEdit, &MedzeraEdit, &HornyOkrajEdit, &HornaMedzeraEdit};
    const char* names[6] = {"SirkaEdit", "VyskaEdit", "LavyOkrajEdit", "MedzeraEdit", "HornyOkrajEdit", "HornaMedzeraEdit"};
    const char* designs[6] = {"60", "35", "10", "3", "10", "10"};
    for (int i = 0; i < 6; ++i) {
        SheetLabels[i] = MakeControl<TLabel>(this, StitkyPanel, ("SheetLabel" + std::to_string(i + 1)).c_str());
        *edits[i] = MakeControl<TEdit>(this, StitkyPanel, names[i]);
        (*edits[i])->SetText(designs[i]);
        (*edits[i])->Widget()->setMinimumWidth(70);
        grid->addWidget(SheetLabels[i]->Widget(), i, 0);
        grid->addWidget((*edits[i])->Widget(), i, 1);
    }
    HornaMedzeraEdit->SetMaxLength(54);
    Label1 = MakeControl<TLabel>(this, StitkyPanel, "Label1");
    PocetStlpcovEdit = MakeControl<TEdit>(this, StitkyPanel, "PocetStlpcovEdit");
    grid->addWidget(Label1->Widget(), 6, 0);
    grid->addWidget(PocetStlpcovEdit->Widget(), 6, 1);
    PocetStlpcovEdit->Widget()->setMinimumWidth(70);
    middle->addWidget(StitkyPanel->Widget());
    column->addLayout(middle, 1);

    // The two button panels share one place.
    auto* panels = new QHBoxLayout;
    Panel1 = MakeControl<TPanel>(this, this, "Panel1");
    auto* row1 = new QHBoxLayout(Panel1->Widget());
    BitBtn1 = MakeControl<TButton>(this, Panel1, "BitBtn1");
    BitBtn2 = MakeControl<TButton>(this, Panel1, "BitBtn2");
    BitBtn7 = MakeControl<TButton>(this, Panel1, "BitBtn7");
    for (TButton* b : {BitBtn1, BitBtn2, BitBtn7}) row1->addWidget(b->Widget());
    Panel2 = MakeControl<TPanel>(this, this, "Panel2");
    auto* row2 = new QHBoxLayout(Panel2->Widget());
    BitBtn3 = MakeControl<TButton>(this, Panel2, "BitBtn3");
    BitBtn4 = MakeControl<TButton>(this, Panel2, "BitBtn4");
    for (TButton* b : {BitBtn3, BitBtn4}) row2->addWidget(b->Widget());
    for (TPanel* p : {Panel1, Panel2}) {
        p->SetBevelOuter(TBevelCut::bvNone);
        p->Widget()->layout()->setContentsMargins(0, 0, 0, 0);
        panels->addWidget(p->Widget());
    }
    panels->addStretch();
    BitBtn5 = MakeControl<TButton>(this, this, "BitBtn5");
    BitBtn6 = MakeControl<TButton>(this, this, "BitBtn6");
    panels->addWidget(BitBtn5->Widget());
    panels->addWidget(BitBtn6->Widget());
    for (TButton* b : {BitBtn1, BitBtn2, BitBtn7, BitBtn3, BitBtn4, BitBtn5, BitBtn6}) b->Widget()->setMinimumWidth(80);
    column->addLayout(panels);

    DBLookupListBox1->OnCellClick = [this](TComponent*, TColumn&) { DBLookupListBox1Click(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
    BitBtn4->OnClick = [this](TComponent*) { BitBtn4Click(); };
    BitBtn7->OnClick = [this](TComponent*) { BitBtn7Click(); };
    BitBtn5->OnClick = [this](TComponent*) { BitBtn5Click(); };
    BitBtn6->OnClick = [this](TComponent*) { BitBtn6Click(); };
    OnClose = [this](TComponent*, TCloseAction&) { FormClose(); };
    SetEditing(false);
    Edit1->SetReadOnly(true);
    SetClientSize(560, 360);
    FormShow();
}

// The report window recomputes its sheet again however the dialog ended.
TTemplateForm::~TTemplateForm() { FormClose(); }

TEdit* TTemplateForm::EditOf(TSheetEdit edit) const {
    switch (edit) {
    case TSheetEdit::Columns: return PocetStlpcovEdit;
    case TSheetEdit::Width: return SirkaEdit;
    case TSheetEdit::Height: return VyskaEdit;
    case TSheetEdit::Margin: return LavyOkrajEdit;
    case TSheetEdit::Gap: return MedzeraEdit;
    case TSheetEdit::TopMargin: return HornyOkrajEdit;
    case TSheetEdit::RowGap: break;
    }
    return HornaMedzeraEdit;
}

TEdit* TTemplateForm::ReportEditOf(TSheetEdit edit) const {
    switch (edit) {
    case TSheetEdit::Columns: return reports_.PocetStlpcovEdit;
    case TSheetEdit::Width: return reports_.SirkaEdit;
    case TSheetEdit::Height: return reports_.VyskaEdit;
    case TSheetEdit::Margin: return reports_.LavyOkrajEdit;
    case TSheetEdit::Gap: return reports_.MedzeraEdit;
    case TSheetEdit::TopMargin: return reports_.HornyOkrajEdit;
    case TSheetEdit::RowGap: break;
    }
    return reports_.HornaMedzeraEdit;
}

void TTemplateForm::SetEditing(bool editing) {
    Panel2->SetVisible(editing);
    Panel1->SetVisible(!editing);
    for (const TemplateValue& v : kValues) EditOf(v.Edit)->SetReadOnly(!editing);
    Edit1->SetReadOnly(!editing);
}

void TTemplateForm::FormShow() {
    SetHelpFile(Application().HelpFile());
    ApplyCaptions(*this, "TTemplateForm", Language());
    SetMessageCaption(*BitBtn6, MessageId::Help);
    SetMessageCaption(*BitBtn4, MessageId::Cancel);
    SetMessageCaption(*BitBtn3, MessageId::SaveTemplate);
    SetMessageCaption(*BitBtn1, MessageId::UseTemplate);
    SetMessageCaption(*BitBtn2, MessageId::EditTemplate);
    SetMessageCaption(*BitBtn7, MessageId::DeleteTemplate);
    // The captions differ in length by language; the sheet's column keeps the longest whole.
    int widest = 0;
    for (TLabel* label : {SheetLabels[0], SheetLabels[1], SheetLabels[2], SheetLabels[3], SheetLabels[4], SheetLabels[5], Label1}) {
        label->Widget()->setMinimumWidth(label->Widget()->sizeHint().width());
        widest = std::max(widest, label->Widget()->sizeHint().width());
    }
    StitkyPanel->Widget()->setMinimumWidth(widest + 70 + 50);
    if (mode_ == TTemplateMode::New) LoadDataForSave();
    else LoadDataFromDatabase();
}

void TTemplateForm::LoadDataForSave() {
    for (const TemplateValue& v : kValues) {
        const std::string text = ReportEditOf(v.Edit)->Text();
        EditOf(v.Edit)->SetText(text.empty() ? "0" : text);
    }
    Panel2->SetVisible(true);
    Panel1->SetVisible(false);
    Edit1->SetText("nazov sablony");
    Edit1->SetReadOnly(false);
}

void TTemplateForm::LoadDataFromDatabase() {
    ReportsState().LabelAutoAdjust = false;
    TDataSet& t = *data_.TemplatesMemoryTable;
    const bool any = !t.IsEmpty();
    const std::string name = any ? t.FieldByName("Name").AsString() : std::string();
    Edit1->SetText(name.empty() ? " " : name);
    for (const TemplateValue& v : kValues) {
        const std::string text = any ? t.FieldByName(v.Field).AsString() : std::string();
        EditOf(v.Edit)->SetText(text.empty() ? "0" : text);
    }
    Panel2->SetVisible(false);
    Panel1->SetVisible(true);
}

void TTemplateForm::DBLookupListBox1Click() { LoadDataFromDatabase(); }

// The template goes to the report window as one sheet, taken as it is: one value at a time
// through the sheet's following would refuse or recompute a sheet half old and half new.
void TTemplateForm::BitBtn1Click() {
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    TLabelSheetValues values = reports_.Sheet.Values();
    for (const TemplateValue& v : kValues) {
        const std::string text = EditOf(v.Edit)->Text();
        if (text.empty()) continue;
        const std::optional<Centi> value = ParseTemplateValue(v.Edit, text, fs);
        if (!value) {
            ShowMessage(NotANumber(text));
            return;
        }
        values.Set(v.Edit, *value);
    }
    const bool adjust = ReportsState().LabelAutoAdjust;
    ReportsState().LabelAutoAdjust = false;
    auto restore = OnScopeExit([adjust] { ReportsState().LabelAutoAdjust = adjust; });
    try {
        reports_.TakeLabelTemplate(values);
    } catch (const ELabelSheetError& error) {
        ShowMessage(error.what());
    }
}

void TTemplateForm::BitBtn2Click() {
    SetEditing(true);
    editFlag_ = true;
}

void TTemplateForm::BitBtn3Click() {
    // Every value is checked before anything is written; a refused one keeps the editing state.
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    std::string texts[7];
    for (int i = 0; i < 7; ++i) {
        TEdit* edit = EditOf(kValues[i].Edit);
        const std::string text = edit->Text();
        if (text.empty()) continue;
        const std::optional<Centi> value = ParseTemplateValue(kValues[i].Edit, text, fs);
        if (!value) {
            ShowMessage(NotANumber(text));
            edit->SetFocus();
            return;
        }
        texts[i] = kValues[i].Edit == TSheetEdit::Columns ? std::to_string(*value) : FormatCenti(*value, fs);
    }
    // A name the file cannot hold is refused before anything is posted: a row that the file
    // cannot take would make every later save fail.
    const std::string name = Edit1->Text();
    if (std::string bytes; !TryUtf8ToCodePage(name, kTemplateCodePage, bytes)) {
        ShowMessage(WithText(kNameNotStorable, name));
        Edit1->SetFocus();
        return;
    }
    TDataSet& t = *data_.TemplatesMemoryTable;
    const bool editing = editFlag_ && !t.IsEmpty();
    // What the row held, to take it back when the file cannot be written.
    std::vector<std::string> before;
    if (editing)
        for (const char* field : kRowFields)
            before.push_back(t.FieldByName(field).AsString());
    if (editing) t.Edit();
    else t.Append();
    try {
        if (!name.empty()) t.FieldByName("Name").SetAsString(name);
        for (int i = 0; i < 7; ++i)
            if (!texts[i].empty()) t.FieldByName(kValues[i].Field).SetAsString(texts[i]);
        t.Post();
    } catch (...) {
        t.Cancel();
        throw;
    }
    // Writing the file walks the table: the saved row is found again by its bookmark.
    const TBookmark row = t.GetBookmark();
    try {
        data_.WriteTemplates();
        t.GotoBookmark(row);
    } catch (...) {
        // The table stays what the file holds; the dialog stays in editing.
        t.GotoBookmark(row);
        if (editing) {
            t.Edit();
            size_t i = 0;
            for (const char* field : kRowFields)
                t.FieldByName(field).SetAsString(before[i++]);
            t.Post();
        } else {
            t.Delete();
        }
        throw;
    }
    SetEditing(false);
    editFlag_ = false;
}

void TTemplateForm::BitBtn4Click() {
    SetEditing(false);
    editFlag_ = false;
    DBLookupListBox1Click();
    SetModalResult(mrCancel);
}

void TTemplateForm::BitBtn7Click() {
    TDataSet& t = *data_.TemplatesMemoryTable;
    if (t.IsEmpty()) return;
    t.Delete();
    data_.WriteTemplates();
    LoadDataFromDatabase();
}

void TTemplateForm::BitBtn5Click() { SetModalResult(mrOk); }

void TTemplateForm::BitBtn6Click() { Application().HelpContext(HelpFile(), kHelpContext); }

void TTemplateForm::FormClose() {
    if (closed_) return;
    closed_ = true;
    ReportsState().LabelAutoAdjust = true;
}

} // namespace kvz
