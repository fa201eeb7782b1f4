#include "printing/ZostavyChild.h"

#include "core/Data1.h"
#include "core/FrameServices.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Responder.h"
#include "platform/report/QrpFile.h"
#include "platform/report/ReportFonts.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportRender.h"
#include "platform/rtl/ScopeGuard.h"
#include "printing/ObalkyPreview.h"
#include "printing/Poloha.h"
#include "printing/Vyber.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace kvz {

ReportsRunState& ReportsState() {
    static ReportsRunState state;
    return state;
}

// The envelope miniature: the outline, the stamp and the two blocks, the selected one aqua.
class TEnvelopeMiniatureControl : public TCustomControl {
public:
    TEnvelopeMiniatureControl(TComponent* owner, TEnvelopeMiniature& model) : TCustomControl(owner), model_(model) {
        SetName("ObalkyPanel");
        Widget()->setMinimumSize(170, 124);
    }
    std::function<void()> OnAddressUp, OnSenderUp;
    TRect AdresaShape() const { return {model_.AddressLeft, model_.AddressTop, model_.AddressLeft + 61, model_.AddressTop + 30}; }
    TRect OdosielatelShape() const { return {model_.SenderLeft, model_.SenderTop, model_.SenderLeft + 40, model_.SenderTop + 20}; }

protected:
    void Paint(TCanvas& canvas) override {
        canvas.Brush.Color = clWhite;
        canvas.Pen.Color = clBlack;
        canvas.Rectangle({2, 3, 2 + 164, 3 + 117});          // Shape1, the envelope
        canvas.Brush.Color = 0xE0E0E0;
        canvas.Rectangle({2 + 164 - 26, 3 + 6, 2 + 164 - 6, 3 + 30}); // Shape3, the stamp
        const bool address = ReportsState().SelectedEnvelopeBlock != 2;
        canvas.Brush.Color = address ? clAqua : clWhite;
        canvas.Rectangle(AdresaShape());
        canvas.Brush.Color = address ? clWhite : clAqua;
        canvas.Rectangle(OdosielatelShape());
    }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
        TCustomControl::MouseUp(button, shift, x, y);
        if (AdresaShape().Contains(x, y)) {
            if (OnAddressUp) OnAddressUp();
        } else if (OdosielatelShape().Contains(x, y)) {
            if (OnSenderUp) OnSenderUp();
        }
    }

private:
    TEnvelopeMiniature& model_;
};

namespace {

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetParent(parent);
    return c;
}

struct Texts {
    const char* t[3];
};

// The items of the window's choices; their captions stand in the caption table.
const Texts kChoiceItems[3]{{{"All records", "Všetky záznamy", "Všechny"}},
                            {{"Actual", "Aktuálny", "Aktuální"}},
                            {{"Own choice", "Vlastný výber", "Vlastní výběr"}}};
const Texts kPrintItems[3]{{{"Labels", "Štítky", "Štítky"}}, {{"Envelopes", "Obálky", "Obálky"}},
                           {{"Summary", "Prehľad", "Přehled"}}};
const Texts kPositionItems[3]{{{"In the middle", "V strede", "Ve středě"}}, {{"On the right", "Vpravo", "Vpravo"}},
                              {{"On the left", "Vľavo", "Vlevo"}}};
const Texts kAddressItems[3]{{{"Address 1", "Adresa 1", "Adresa 1"}}, {{"Address 2", "Adresa 2", "Adresa 2"}},
                             {{"Other items", "Iné údaje", "Jiné údaje"}}};
const Texts kNotANumber{{"\"%1\" is not a number.", "\"%1\" nie je číslo.", "\"%1\" není číslo."}};

const char* Tr(const Texts& t) { return InLanguage(t.t); }

constexpr const char* kLetters = "abcdefghijklmnoprstuvwxyz";

TReportFont ToReportFont(const TFont& f) {
    return {.Name = f.Name.empty() ? "Arial" : f.Name,
            .Size = double(f.Size > 0 ? f.Size : 10),
            .Bold = (f.Style & fsBold) != 0,
            .Italic = (f.Style & fsItalic) != 0,
            .Underline = (f.Style & fsUnderline) != 0,
            .StrikeOut = (f.Style & fsStrikeOut) != 0,
            .Color = ReportBlack};
}

TFont ToFont(const TReportFont& f) {
    TFont font;
    font.Name = f.Name;
    font.Size = int(f.Size + 0.5);
    font.Color = clBlack;
    font.Style = (f.Bold ? unsigned(fsBold) : 0u) | (f.Italic ? unsigned(fsItalic) : 0u) |
                 (f.Underline ? unsigned(fsUnderline) : 0u) | (f.StrikeOut ? unsigned(fsStrikeOut) : 0u);
    return font;
}

std::optional<std::filesystem::path> AskReportFile(bool save) {
    QFileDialog dialog(nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter("Quick Report file (*.qrp)");
        dialog.setDefaultSuffix("qrp");
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({"Zostava KV-Zirt (*.qrp)", QString::fromUtf8("Všetky súbory (*)")});
    }
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

std::optional<TReportFont> AskReportFont(const TReportFont& current) {
    QFont start(QString::fromStdString(SubstituteFontFamily(current.Name)));
    start.setPointSizeF(current.Size);
    start.setBold(current.Bold);
    start.setItalic(current.Italic);
    QFontDialog dialog(start, nullptr);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    const QFont f = dialog.selectedFont();
    return TReportFont{.Name = f.family().toStdString(),
                       .Size = f.pointSizeF() > 0 ? f.pointSizeF() : current.Size,
                       .Bold = f.bold(),
                       .Italic = f.italic(),
                       .Underline = f.underline(),
                       .StrikeOut = f.strikeOut(),
                       .Color = current.Color};
}

} // namespace

TZostavyChildForm::TZostavyChildForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), Senders(frame.DataFolder), data_(data), frame_(frame), search_(data, frame),
      reportData_(data, frame) {
    SetName("ZostavyChildForm");
    SetFormStyle(TFormStyle::fsMDIChild);
    AskSaveFile = [] { return AskReportFile(true); };
    AskOpenFile = [] { return AskReportFile(false); };
    AskFont = AskReportFont;
    BuildControls();
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    SetClientSize(980, 620);
    frame_.ReportsSearch = this;
    frame_.ActiveModule = ReportsModule;
    // FormCreate: the senders of the data folder and the stored choice.
    LoadSenderAddress();
    LoadSenderNames();
    FormShow();
}

TZostavyChildForm::~TZostavyChildForm() {
    FreeEmbedded();
    reportData_.FilterOff();
    if (frame_.ReportsSearch == this) frame_.ReportsSearch = nullptr;
    // The layouts may be bound to the repeated table, which goes with reportData_.
    Layouts.SetDataSet(nullptr);
    if (DBMemo1) DBMemo1->SetDataSource(nullptr);
}

TVolgaTable* TZostavyChildForm::Addresses() const { return data_.AddressTable; }

int TZostavyChildForm::Setting(int slot) const { return frame_.Settings ? frame_.Settings->Nastavenia[size_t(slot)] : 0; }

void TZostavyChildForm::SetSetting(int slot, int value) {
    if (frame_.Settings) frame_.Settings->Nastavenia[size_t(slot)] = value;
}

void TZostavyChildForm::BuildControls() {
    auto* columns = new QHBoxLayout(ClientWidget());

    // ---- the address lists and the letter jump ----
    auto* lists = new QVBoxLayout;
    auto* top = new QHBoxLayout;
    DBLookupListBox1 = Make<TDBGrid>(this, this, "DBLookupListBox1");
    TrackBar1 = Make<TTrackBar>(this, this, "TrackBar1");
    TrackBar1->SetMin(0);
    TrackBar1->SetMax(24);
    TrackBar1->Widget()->setProperty("orientation", int(Qt::Vertical));
    LetterLabel = Make<TLabel>(this, this, "LetterLabel");
    LetterLabel->SetCaption("A\nB\nC\nD\nE\nF\nG\nH\nI\nJ\nK\nL\nM\nN\nO\nP\nR\nS\nT\nU\nV\nW\nX\nY\nZ");
    top->addWidget(DBLookupListBox1->Widget(), 1);
    top->addWidget(TrackBar1->Widget());
    top->addWidget(LetterLabel->Widget());
    lists->addLayout(top, 3);
    auto* choiceButtons = new QHBoxLayout;
    AddButton = Make<TButton>(this, this, "AddButton");
    DelRepButton = Make<TButton>(this, this, "DelRepButton");
    DeleteReportButton = Make<TButton>(this, this, "DeleteReportButton");
    for (TButton* b : {AddButton, DelRepButton, DeleteReportButton}) choiceButtons->addWidget(b->Widget());
    lists->addLayout(choiceButtons);
    DBLookupListBox2 = Make<TDBGrid>(this, this, "DBLookupListBox2");
    lists->addWidget(DBLookupListBox2->Widget(), 2);
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) {
        g->SetOptions(dgRowSelect | dgAlwaysShowSelection);
        g->SetReadOnly(true);
    }
    DBLookupListBox1->SetDataSource(data_.DataSourceZirt);
    DBLookupListBox2->SetDataSource(data_.DataSource1);
    columns->addLayout(lists, 3);

    // ---- what prints ----
    auto* middle = new QVBoxLayout;
    SourcePanel = Make<TPanel>(this, this, "SourcePanel");
    auto* sourceRow = new QHBoxLayout(SourcePanel->Widget());
    Label3 = Make<TLabel>(this, SourcePanel, "Label3");
    ComboBox1 = Make<TComboBox>(this, SourcePanel, "ComboBox1");
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    sourceRow->addWidget(Label3->Widget());
    sourceRow->addWidget(ComboBox1->Widget(), 1);
    middle->addWidget(SourcePanel->Widget());
    FieldValueGroup = Make<TRadioGroup>(this, this, "FieldValueGroup");
    CheckBox1 = Make<TCheckBox>(this, this, "CheckBox1");
    ObalkyAdresyRadioGroup = Make<TRadioGroup>(this, this, "ObalkyAdresyRadioGroup");
    SelectComboBox = Make<TComboBox>(this, this, "SelectComboBox");
    SelectComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    middle->addWidget(FieldValueGroup->Widget());
    middle->addWidget(CheckBox1->Widget());
    middle->addWidget(ObalkyAdresyRadioGroup->Widget());
    middle->addWidget(SelectComboBox->Widget());

    // ---- the sender ----
    SenderBox = Make<TGroupBox>(this, this, "SenderBox");
    auto* sender = new QGridLayout(SenderBox->Widget());
    Label2 = Make<TLabel>(this, SenderBox, "Label2");
    Memo1 = Make<TMemo>(this, SenderBox, "Memo1");
    Memo1->SetReadOnly(true);
    UpDown5 = Make<TUpDown>(this, SenderBox, "UpDown5");
    UpDown5->Widget()->setFixedSize(18, 24);
    UpDown5->SetMin(0);
    BitBtn1 = Make<TButton>(this, SenderBox, "BitBtn1");
    BitBtn2 = Make<TButton>(this, SenderBox, "BitBtn2");
    BitBtn3 = Make<TButton>(this, SenderBox, "BitBtn3");
    BitBtn4 = Make<TButton>(this, SenderBox, "BitBtn4");
    sender->addWidget(Label2->Widget(), 0, 0, 1, 3);
    sender->addWidget(UpDown5->Widget(), 0, 3);
    sender->addWidget(Memo1->Widget(), 1, 0, 1, 4);
    // Two rows of two buttons, so that the window's three columns fit its first-start size.
    sender->addWidget(BitBtn4->Widget(), 2, 0, 1, 2);
    sender->addWidget(BitBtn1->Widget(), 2, 2, 1, 2);
    sender->addWidget(BitBtn2->Widget(), 3, 0, 1, 2);
    sender->addWidget(BitBtn3->Widget(), 3, 2, 1, 2);
    middle->addWidget(SenderBox->Widget(), 1);
    columns->addLayout(middle, 3);

    // ---- the envelope and the label sheet ----
    auto* right = new QVBoxLayout;
    ObalkaBox = Make<TGroupBox>(this, this, "ObalkaBox");
    auto* envelope = new QGridLayout(ObalkaBox->Widget());
    PolohaRadioGroup = Make<TRadioGroup>(this, ObalkaBox, "PolohaRadioGroup");
    ObalkaComboBox = Make<TComboBox>(this, ObalkaBox, "ObalkaComboBox");
    ObalkaComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    for (int i = 0; i < EnvelopeFormatCount(); ++i) ObalkaComboBox->Items().Add(EnvelopeFormat(i).Caption);
    StyleObalkaComboBox = Make<TComboBox>(this, ObalkaBox, "StyleObalkaComboBox");
    StyleObalkaComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    for (const char* s : {"Normal", "Classic", "Elegant", "Office"}) StyleObalkaComboBox->Items().Add(s);
    OdosielatelCheckBox = Make<TCheckBox>(this, ObalkaBox, "OdosielatelCheckBox");
    ObalkyPanel = new TEnvelopeMiniatureControl(this, Miniature);
    ObalkyPanel->SetParent(ObalkaBox);
    UpDown3 = Make<TUpDown>(this, ObalkaBox, "UpDown3");
    UpDown4 = Make<TUpDown>(this, ObalkaBox, "UpDown4");
    for (TUpDown* u : {UpDown3, UpDown4}) {
        u->SetMin(-1000);
        u->SetMax(1000);
        u->Widget()->setFixedSize(18, 24);
    }
    DefaultObalkaButton = Make<TButton>(this, ObalkaBox, "DefaultObalkaButton");
    envelope->addWidget(ObalkaComboBox->Widget(), 0, 0, 1, 2);
    envelope->addWidget(StyleObalkaComboBox->Widget(), 1, 0, 1, 2);
    envelope->addWidget(PolohaRadioGroup->Widget(), 2, 0, 3, 1);
    envelope->addWidget(ObalkyPanel->Widget(), 2, 1, 3, 1);
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(UpDown3->Widget());
    arrows->addWidget(UpDown4->Widget());
    arrows->addStretch();
    arrows->addWidget(DefaultObalkaButton->Widget());
    envelope->addWidget(OdosielatelCheckBox->Widget(), 5, 0);
    envelope->addLayout(arrows, 5, 1);
    right->addWidget(ObalkaBox->Widget());

    StitkyPanel = Make<TGroupBox>(this, this, "StitkyPanel");
    auto* sheet = new QGridLayout(StitkyPanel->Widget());
    Label1 = Make<TLabel>(this, StitkyPanel, "Label1");
    PocetStlpcovEdit = Make<TEdit>(this, StitkyPanel, "PocetStlpcovEdit");
    sheet->addWidget(Label1->Widget(), 0, 0);
    sheet->addWidget(PocetStlpcovEdit->Widget(), 0, 1);
    TEdit** edits[6] = {&SirkaEdit, &VyskaEdit, &LavyOkrajEdit, &MedzeraEdit, &HornyOkrajEdit, &HornaMedzeraEdit};
    const char* names[6] = {"SirkaEdit", "VyskaEdit", "LavyOkrajEdit", "MedzeraEdit", "HornyOkrajEdit", "HornaMedzeraEdit"};
    for (int i = 0; i < 6; ++i) {
        SheetLabels[i] = Make<TLabel>(this, StitkyPanel, ("SheetLabel" + std::to_string(i + 1)).c_str());
        *edits[i] = Make<TEdit>(this, StitkyPanel, names[i]);
        (*edits[i])->Widget()->setMinimumWidth(64);
        sheet->addWidget(SheetLabels[i]->Widget(), 1 + i, 0);
        sheet->addWidget((*edits[i])->Widget(), 1 + i, 1);
    }
    RamikCheckBox = Make<TCheckBox>(this, StitkyPanel, "RamikCheckBox");
    sheet->addWidget(RamikCheckBox->Widget(), 7, 0, 1, 2);
    SelectPanel = Make<TPanel>(this, StitkyPanel, "SelectPanel");
    SelectPanel->Widget()->setMinimumSize(200, 122);
    SelectPanel->SetColor(clWhite);
    DBMemo1 = Make<TDBMemo>(this, SelectPanel, "DBMemo1");
    DBMemo1->SetReadOnly(true);
    DBMemo1->SetBounds(8, 6, 180, 100);
    sheet->addWidget(SelectPanel->Widget(), 0, 2, 7, 1);
    auto* sampleRow = new QHBoxLayout;
    UpDown1 = Make<TUpDown>(this, StitkyPanel, "UpDown1");
    UpDown2 = Make<TUpDown>(this, StitkyPanel, "UpDown2");
    for (TUpDown* u : {UpDown1, UpDown2}) {
        u->SetMin(-30);
        u->SetMax(30);
        u->Widget()->setFixedSize(18, 24);
    }
    DefaultAdresButton = Make<TButton>(this, StitkyPanel, "DefaultAdresButton");
    sampleRow->addWidget(UpDown1->Widget());
    sampleRow->addWidget(UpDown2->Widget());
    sampleRow->addStretch();
    sampleRow->addWidget(DefaultAdresButton->Widget());
    sheet->addLayout(sampleRow, 7, 2);
    sheet->setColumnStretch(2, 1);
    right->addWidget(StitkyPanel->Widget());
    right->addStretch();
    columns->addLayout(right, 4);

    // ---- handlers ----
    FieldValueGroup->OnClick = [this](TComponent*) { FieldValueGroupClick(); };
    CheckBox1->OnClick = [this](TComponent*) { CheckBox1Click(); };
    ObalkyAdresyRadioGroup->OnClick = [this](TComponent*) { ObalkyAdresyRadioGroupClick(); };
    SelectComboBox->OnChange = [this](TComponent*) { SelectComboBoxChange(); };
    SelectComboBox->OnDblClick = [this](TComponent*) {
        if (SelectComboBox->ItemIndex() == 2) SelectComboBoxChange();
    };
    ComboBox1->OnChange = [this](TComponent*) { ComboBox1Click(); };
    StyleObalkaComboBox->OnChange = [this](TComponent*) { StyleObalkaComboBoxChange(); };
    ObalkaComboBox->OnChange = [this](TComponent*) { ObalkaComboBoxClick(); };
    PolohaRadioGroup->OnClick = [this](TComponent*) { PolohaRadioGroupClick(); };
    OdosielatelCheckBox->OnClick = [this](TComponent*) { OdosielatelCheckBoxClick(); };
    RamikCheckBox->OnClick = [this](TComponent*) { RamikCheckBoxClick(); };
    DefaultObalkaButton->OnClick = [this](TComponent*) { DefaultObalkaButtonClick(); };
    DefaultAdresButton->OnClick = [this](TComponent*) { DefaultAdresButtonClick(); };
    AddButton->OnClick = [this](TComponent*) { AddButtonClick(); };
    DelRepButton->OnClick = [this](TComponent*) { DelRepButtonClick(); };
    DeleteReportButton->OnClick = [this](TComponent*) { DeleteReportButtonClick(); };
    DBLookupListBox1->OnDblClick = [this](TComponent*) { AddButtonClick(); };
    DBLookupListBox1->OnCellClick = [this](TComponent*, TColumn&) { SetReportsPosition(); };
    DBLookupListBox2->OnDblClick = [this](TComponent*) { DelRepButtonClick(); };
    const std::pair<TEdit*, TSheetEdit> sheetEdits[] = {
        {PocetStlpcovEdit, TSheetEdit::Columns}, {SirkaEdit, TSheetEdit::Width},  {VyskaEdit, TSheetEdit::Height},
        {LavyOkrajEdit, TSheetEdit::Margin},     {MedzeraEdit, TSheetEdit::Gap},  {HornyOkrajEdit, TSheetEdit::TopMargin},
        {HornaMedzeraEdit, TSheetEdit::RowGap}};
    for (auto [edit, which] : sheetEdits) edit->OnChange = [this, which](TComponent*) { SheetEditChange(which); };
    PocetStlpcovEdit->OnExit = [this](TComponent*) { PocetStlpcovEditExit(); };
    UpDown1->OnClick = [this](TComponent*, TUDBtnType b) { UpDown1Click(b); };
    UpDown2->OnClick = [this](TComponent*, TUDBtnType b) { UpDown2Click(b); };
    UpDown3->OnClick = [this](TComponent*, TUDBtnType b) { UpDown3Click(b); };
    UpDown4->OnClick = [this](TComponent*, TUDBtnType b) { UpDown4Click(b); };
    UpDown5->OnClick = [this](TComponent*, TUDBtnType b) { UpDown5Click(b); };
    ObalkyPanel->OnAddressUp = [this] { AdresaShapeMouseUp(); };
    ObalkyPanel->OnSenderUp = [this] { OdosielatelShapeMouseUp(); };
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TComponent*) { BitBtn2Click(); };
    BitBtn3->OnClick = [this](TComponent*) { BitBtn3Click(); };
    BitBtn4->OnClick = [this](TComponent*) { BitBtn4Click(); };
    TrackBar1->OnChange = [this](TComponent*) { TrackBar1Change(); };
}

void TZostavyChildForm::ShowCaptions() {
    SetReportLanguage(Language());
    ApplyCaptions(*this, "TZostavyChildForm", Language());
    SenderBox->SetCaption("");
    auto fill = [](TRadioGroup* group, const Texts (&items)[3]) {
        group->Items().Clear();
        for (const Texts& t : items) group->Items().Add(Tr(t));
    };
    fill(FieldValueGroup, kChoiceItems);
    fill(ObalkyAdresyRadioGroup, kPrintItems);
    fill(PolohaRadioGroup, kPositionItems);
    SelectComboBox->Items().Clear();
    for (const Texts& t : kAddressItems) SelectComboBox->Items().Add(Tr(t));
}

void TZostavyChildForm::FormShow() {
    ready_ = false;
    ShowCaptions();
    PolohaRadioGroup->SetTag(0);
    // The lists' look from the settings.
    if (frame_.Settings) {
        TFont font;
        font.Name = frame_.Settings->NastaveniaText[TextSlot::ReportListFontName];
        font.Size = Setting(Slot::ReportListFontSize);
        font.Color = TColor(Setting(Slot::ReportListFontColor));
        font.Style = StyleOfCode(Setting(Slot::ReportListFontStyle)).value_or(0);
        for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) {
            g->SetColor(TColor(Setting(Slot::ReportListBack)));
            g->SetFont(font);
        }
    }
    auto clampIndex = [](int value, int count) { return value >= 0 && value < count ? value : 0; };
    PolohaRadioGroup->SetItemIndex(clampIndex(Setting(Slot::EnvelopePosition), 3));
    FieldValueGroup->SetItemIndex(clampIndex(Setting(Slot::ReportRecordChoice), 3));
    ObalkyAdresyRadioGroup->SetItemIndex(clampIndex(Setting(Slot::ReportPrintKind), 3));
    SelectComboBox->SetItemIndex(clampIndex(Setting(Slot::ReportAddressChoice), 2));
    ObalkaComboBox->SetItemIndex(clampIndex(Setting(Slot::EnvelopeFormat), EnvelopeFormatCount()));
    StyleObalkaComboBox->SetItemIndex(clampIndex(Setting(Slot::EnvelopeStyle), 4));
    RamikCheckBox->SetChecked(Setting(Slot::ReportOutline) == 1);
    OdosielatelCheckBox->SetChecked(Setting(Slot::PrintSender) == 1);
    FieldValueGroupClick();
    ObalkyAdresyRadioGroupClick();
    PolohaRadioGroupClick();
    SelectComboBoxChange();
    ObalkaComboBoxClick();
    StyleObalkaComboBoxChange();
    RamikCheckBoxClick();
    OdosielatelCheckBoxClick();
    PolohaRadioGroup->SetTag(1);
    // The data sources: addresses, and the report windows that are there.
    ComboBox1->Items().Clear();
    ComboBox1->Items().Add(GetMessageText(MessageId::AddressDatabase));
    if (RegisteredReportSources().Tasks) ComboBox1->Items().Add(GetMessageText(MessageId::TasksDatabase));
    if (RegisteredReportSources().Links) ComboBox1->Items().Add(GetMessageText(MessageId::LinksDatabase));
    ComboBox1->SetItemIndex(0);
    // The reports' titles name their printing jobs and PDF files.
    Layouts.Labels.SetTitle(Tr(kPrintItems[PrintLabels]));
    Layouts.Envelopes.SetTitle(Tr(kPrintItems[PrintEnvelopes]));
    Layouts.Summary.SetTitle(GetMessageText(MessageId::ItemsSummary));
    // The summary's captions.
    Layouts.Summary.Element("QRLabel1").SetCaption(GetMessageText(MessageId::ItemsSummary));
    Layouts.Summary.Element("QRLabel2").SetCaption(GetMessageText(MessageId::PageNumber));
    Layouts.Summary.Element("QRLabel3").SetCaption(GetMessageText(MessageId::Name));
    Layouts.Summary.Element("QRLabel6").SetCaption(GetMessageText(MessageId::Address1));
    Layouts.Summary.Element("QRLabel7").SetCaption(GetMessageText(MessageId::Address2));
    for (TReportLayout* layout : {&Layouts.Labels, &Layouts.Envelopes, &Layouts.Summary})
        layout->SetSettings(FormatSettings::ForLanguage(Language()));
    // The lists show and the table sorts by the stored sort field.
    ShowListField(SortField());
    if (Addresses() && Addresses()->Active()) {
        const std::string field = SearchField();
        if (Addresses()->IndexFieldNames() != field) Addresses()->SetIndexFieldNames(field);
    }
    const int source = Setting(Slot::ReportKind);
    ComboBox1->SetItemIndex(source >= 0 && source < ComboBox1->Items().Count() ? source : 0);
    ComboBox1Click();
    DBMemo1->SetLeft(Setting(Slot::LabelSampleLeft));
    DBMemo1->SetTop(Setting(Slot::LabelSampleTop));
    Miniature.AddressLeft = Setting(Slot::MiniatureAddressLeft);
    Miniature.AddressTop = Setting(Slot::MiniatureAddressTop);
    Miniature.Clamp();
    ObalkyPanel->Invalidate();
    ready_ = true;
}

std::string TZostavyChildForm::SortField() const {
    return frame_.Settings ? frame_.Settings->NastaveniaText[TextSlot::AddressSortField] : std::string("Firma");
}

std::string TZostavyChildForm::SearchField() const { return ReportListField(SortField()); }

void TZostavyChildForm::ShowListField(const std::string& fieldName) {
    const std::string field = ReportListField(fieldName);
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) {
        g->Columns().Clear();
        g->Columns().Add().SetFieldName(field);
    }
}

RecordBarState TZostavyChildForm::State(const ModuleContext& c) const {
    RecordBarState s = RecordBarFor({ReportsModule, true, c.Offline, c.CategoriesOn, c.HasDialog, false, false});
    s.ChangeUser = ReportsState().ReportSource == 0;
    return s;
}

void TZostavyChildForm::ChooseSource(int source) {
    // The list holds the addresses, then the registered sources in their order.
    int item = 0;
    if (source == 1 && RegisteredReportSources().Tasks) item = 1;
    if (source == 2 && RegisteredReportSources().Links) item = RegisteredReportSources().Tasks ? 2 : 1;
    ComboBox1->SetItemIndex(item);
    ComboBox1Click();
}

void TZostavyChildForm::Run(Command command) {
    switch (command) {
    case Command::First:
        if (Addresses() && Addresses()->Active()) Addresses()->First();
        break;
    case Command::Last:
        if (Addresses() && Addresses()->Active()) Addresses()->Last();
        break;
    case Command::Preview: {
        // The current address stays current across the preview.
        std::string number;
        if (ReportsState().ReportSource == 0 && Addresses() && Addresses()->Active() && !Addresses()->IsEmpty())
            number = Addresses()->FieldByName("Number").AsString();
        auto relocate = OnScopeExit([&] {
            if (!number.empty() && Addresses() && Addresses()->Active())
                Addresses()->Locate("Number", Variant(number), loCaseInsensitive);
            if (CheckBox1->Checked()) {
                UnbindRepeatOne();
                reportData_.FreeRepeatOne();
            }
        });
        if (ReportsState().ReportSource == 0) SpocitajStitky();
        PreviewReport();
        break;
    }
    case Command::Print: PrintReport(); break;
    case Command::OpenReport: OpenReport(); break;
    case Command::SaveReport: SaveReport(); break;
    case Command::Font: FontChange(); break;
    case Command::AddressReport: ChooseSource(0); break;
    case Command::TasksReport: ChooseSource(1); break;
    case Command::LinksReport: ChooseSource(2); break;
    default: return;
    }
    StateChanged();
}

// ---- records and layouts ----

void TZostavyChildForm::UnbindRepeatOne() {
    if (!repeatSource_) return;
    FieldValueGroupClick();
    repeatSource_.reset();
}

void TZostavyChildForm::BindLayouts(TDataSet* dataSet) {
    bound_ = dataSet;
    Layouts.SetDataSet(dataSet);
}

void TZostavyChildForm::FieldValueGroupClick() {
    const int choice = FieldValueGroup->ItemIndex();
    BindLayouts(reportData_.SourceOf(choice));
    DBMemo1->SetDataSource(choice == OwnChoice ? data_.DataSource1 : data_.DataSourceZirt);
    if (choice != CurrentRecord && CheckBox1->Checked()) CheckBox1->SetChecked(false);
    if (choice >= 0) SetSetting(Slot::ReportRecordChoice, choice);
}

void TZostavyChildForm::CheckBox1Click() {
    if (CheckBox1->Checked() && FieldValueGroup->ItemIndex() != CurrentRecord) {
        FieldValueGroup->SetItemIndex(CurrentRecord);
        FieldValueGroupClick();
    }
}

void TZostavyChildForm::ObalkyAdresyRadioGroupClick() {
    const int kind = ObalkyAdresyRadioGroup->ItemIndex();
    ObalkaBox->SetEnabled(kind == PrintEnvelopes);
    StitkyPanel->SetEnabled(kind == PrintLabels);
    CheckBox1->SetEnabled(kind == PrintLabels);
    if (kind >= 0) SetSetting(Slot::ReportPrintKind, kind);
}

void TZostavyChildForm::SelectComboBoxChange() {
    const int item = SelectComboBox->ItemIndex();
    if (item == 0 || item == 1) {
        const std::string field = item == 0 ? "Adresa_1" : "Adresa_2";
        Layouts.SetAddressField(field);
        DBMemo1->SetDataField(field);
    } else if (item == 2 && ready_) {
        TPolozkyForm chooser(this, Layouts.Summary);
        chooser.ShowModal();
    }
    SetSetting(Slot::ReportAddressChoice, item == 1 ? 1 : 0);
}

void TZostavyChildForm::ComboBox1Click() {
    const int item = std::max(ComboBox1->ItemIndex(), 0);
    SetSetting(Slot::ReportKind, item);
    FreeEmbedded();
    // The list holds the addresses, then the registered sources in their order.
    int source = 0;
    if (item > 0) {
        const bool tasks = bool(RegisteredReportSources().Tasks);
        source = item == 1 && tasks ? 1 : 2;
    }
    ShowEmbedded(source);
    StateChanged(); // the frame follows the source (changing the user is for addresses only)
}

void TZostavyChildForm::ShowEmbedded(int source) {
    ReportsState().ReportSource = 0;
    if (source == 0) return;
    const ReportSourceMaker& maker = source == 1 ? RegisteredReportSources().Tasks : RegisteredReportSources().Links;
    if (!maker) return;
    embedded_ = maker(this, this);
    ReportsState().ReportSource = source;
    // Its own data source selector switches sources once its handler is over, as it goes.
    embedded_->SourceChosen = [this](int chosen) {
        QMetaObject::invokeMethod(
            Widget(),
            [this, chosen] {
                const int item = chosen == 2 && !RegisteredReportSources().Tasks ? 1 : chosen;
                ComboBox1->SetItemIndex(item < ComboBox1->Items().Count() ? item : 0);
                ComboBox1Click();
            },
            Qt::QueuedConnection);
    };
    embedded_->Form().SetBounds(0, 0, ClientWidth(), ClientHeight());
    embedded_->Form().Show();
    embedded_->Form().Widget()->raise();
    embedded_->Form().SetAlign(TAlign::alClient); // and it follows the window's size
}

void TZostavyChildForm::FreeEmbedded() {
    if (!embedded_) return;
    ReportSourceWindow* window = embedded_;
    embedded_ = nullptr;
    window->Form().Free();
    ReportsState().ReportSource = 0;
}

// ---- the envelope ----

void TZostavyChildForm::ObalkaComboBoxClick() {
    const int format = std::max(ObalkaComboBox->ItemIndex(), 0);
    ChooseEnvelopeFormat(Layouts.Envelopes, format, std::max(PolohaRadioGroup->ItemIndex(), 0));
    SetSetting(Slot::EnvelopeFormat, format);
}

void TZostavyChildForm::PolohaRadioGroupClick() {
    if (PolohaRadioGroup->Tag() != 1) return;
    const int position = PolohaRadioGroup->ItemIndex();
    SetEnvelopePosition(Layouts.Envelopes, std::max(ObalkaComboBox->ItemIndex(), 0), position);
    if (position >= 0) SetSetting(Slot::EnvelopePosition, position);
    if (ReportsState().ShowFeedPicture) {
        TPolohaObalkyForm picture(this, position, frame_.Settings ? frame_.Settings->PolohaObRadioGroup : 0);
        picture.ShowModal();
    }
}

void TZostavyChildForm::SetEnvelopeFeedOffset(int feed) {
    kvz::SetEnvelopeFeedOffset(Layouts.Envelopes, std::max(ObalkaComboBox->ItemIndex(), 0), feed);
}

void TZostavyChildForm::OdosielatelCheckBoxClick() {
    const bool on = OdosielatelCheckBox->Checked();
    Layouts.Envelopes.Element("QRLabel1").SetEnabled(on);
    SetSetting(Slot::PrintSender, on ? 1 : 0);
}

void TZostavyChildForm::StyleObalkaComboBoxChange() {
    ObnovNastavenie();
    const std::string style = StyleObalkaComboBox->Text();
    TReportFont sample = DefaultAddressFont(), fields = DefaultAddressFont();
    if (style == "Classic") sample = fields = {.Name = "Courier", .Size = 10, .Bold = true};
    else if (style == "Elegant") sample = fields = {.Name = "Times New Roman", .Size = 12, .Bold = true, .Italic = true};
    else if (style == "Office") {
        sample = {.Name = "Times New Roman", .Size = 11};
        fields = {.Name = "Times New Roman", .Size = 11, .Bold = true};
    }
    DBMemo1->SetFont(ToFont(sample));
    for (TReportElement* e : {&Layouts.Labels.Element("QRDBText1"), &Layouts.Envelopes.Element("QRDBText1")}) {
        e->SetFont(fields);
        e->SetHeight(Px(103));
    }
    TReportFont senderFont = fields;
    senderFont.Size = std::max(1.0, senderFont.Size - 2);
    Layouts.Envelopes.Element("QRLabel1").SetFont(senderFont);
    if (StyleObalkaComboBox->ItemIndex() >= 0) SetSetting(Slot::EnvelopeStyle, StyleObalkaComboBox->ItemIndex());
}

void TZostavyChildForm::DoladObalky() {
    ShiftEnvelopeFields(Layouts.Envelopes, std::max(ObalkaComboBox->ItemIndex(), 0), Miniature);
    SetSetting(Slot::MiniatureAddressLeft, Miniature.AddressLeft);
    SetSetting(Slot::MiniatureAddressTop, Miniature.AddressTop);
}

void TZostavyChildForm::AdresaShapeMouseUp() {
    UpDown3->SetPosition(0);
    UpDown4->SetPosition(0);
    ReportsState().SelectedEnvelopeBlock = 1;
    Miniature.Selected = 1;
    ObalkyPanel->Invalidate();
}

void TZostavyChildForm::ResetModuleState() {
    AdresaShapeMouseUp();
    if (ObalkaComboBox->ItemIndex() != 0 && ObalkaComboBox->Items().Count() > 0) {
        ObalkaComboBox->SetItemIndex(0);
        ObalkaComboBoxClick();
    }
}

void TZostavyChildForm::OdosielatelShapeMouseUp() {
    UpDown3->SetPosition(0);
    UpDown4->SetPosition(0);
    ReportsState().SelectedEnvelopeBlock = 2;
    Miniature.Selected = 2;
    ObalkyPanel->Invalidate();
}

void TZostavyChildForm::UpDown3Click(TUDBtnType button) {
    Miniature.Selected = ReportsState().SelectedEnvelopeBlock;
    if (button == TUDBtnType::btNext) Miniature.MoveRight();
    else Miniature.MoveLeft();
    ObalkyPanel->Invalidate();
}

void TZostavyChildForm::UpDown4Click(TUDBtnType button) {
    Miniature.Selected = ReportsState().SelectedEnvelopeBlock;
    // The up arrow moves the block up the envelope.
    if (button == TUDBtnType::btNext) Miniature.MoveUp();
    else Miniature.MoveDown();
    ObalkyPanel->Invalidate();
}

void TZostavyChildForm::DefaultObalkaButtonClick() {
    if (ShowMessageBox(GetMessageText(MessageId::RestoreEnvelopeForm),
                       GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    Miniature.AddressLeft = TEnvelopeMiniature::AddressLeft0;
    Miniature.AddressTop = TEnvelopeMiniature::AddressTop0;
    Miniature.SenderLeft = TEnvelopeMiniature::SenderLeft0;
    Miniature.SenderTop = TEnvelopeMiniature::SenderTop0;
    ObalkyPanel->Invalidate();
    ObnovNastavenie();
}

// ---- the label sheet ----

namespace {
// The value an edit shows; a column count is a whole number.
std::optional<Centi> ShownValue(TSheetEdit which, const std::string& text, const FormatSettings& fs) {
    std::optional<Centi> value = ParseCenti(text, fs);
    if (which == TSheetEdit::Columns && value)
        value = *value % 100 == 0 ? std::optional<Centi>(*value / 100) : std::nullopt;
    return value;
}
} // namespace

TEdit* TZostavyChildForm::SheetEditOf(TSheetEdit which) const {
    switch (which) {
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

// Each edit shows what the sheet holds; an edit that already shows that value keeps the text
// being typed ("10," on the way to "10,5").
void TZostavyChildForm::WriteSheetEdits() {
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const TLabelSheetValues& v = Sheet.Values();
    writingSheet_ = true;
    auto done = OnScopeExit([this] { writingSheet_ = false; });
    for (TSheetEdit which : {TSheetEdit::Columns, TSheetEdit::Width, TSheetEdit::Height, TSheetEdit::Margin,
                             TSheetEdit::Gap, TSheetEdit::TopMargin, TSheetEdit::RowGap}) {
        TEdit* edit = SheetEditOf(which);
        const Centi value = v.Get(which);
        if (ShownValue(which, edit->Text(), fs) == value) continue;
        edit->SetText(which == TSheetEdit::Columns ? std::to_string(value) : FormatCenti(value, fs));
    }
}

void TZostavyChildForm::SheetEditChange(TSheetEdit which) {
    if (writingSheet_) return;
    TEdit* edit = SheetEditOf(which);
    const std::string text = edit->Text();
    if (text.empty()) return;
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const std::optional<Centi> value = ShownValue(which, text, fs);
    // A refused value leaves the edits on what the sheet holds, which is what prints.
    auto showSheet = OnScopeExit([this] { WriteSheetEdits(); });
    if (!value) {
        std::string message = Tr(kNotANumber);
        message.replace(message.find("%1"), 2, text);
        throw ELabelSheetError(message);
    }
    Sheet.AutoAdjust = ReportsState().LabelAutoAdjust;
    Sheet.RowsOnLayout = LayoutRows(Layouts.Labels);
    Sheet.Change(which, *value);
}

void TZostavyChildForm::PocetStlpcovEditExit() {
    Layouts.Labels.Page().Columns = int(Sheet.Values().Columns);
}

void TZostavyChildForm::TakeLabelTemplate(const TLabelSheetValues& values) {
    CheckLabelSheet(values);
    Sheet.Assign(values);
    WriteSheetEdits();
    PocetStlpcovEditExit();
}

void TZostavyChildForm::SpocitajStitky() {
    // An edit left empty shows the value that prints.
    WriteSheetEdits();
    ApplyLabelSheet(Sheet.Values(), Layouts.Labels);
}

void TZostavyChildForm::RamikCheckBoxClick() {
    const bool on = RamikCheckBox->Checked();
    Layouts.Labels.FindBand("DetailBand1")->Frame().SetAll(on);
    SetSetting(Slot::ReportOutline, on ? 1 : 0);
}

void TZostavyChildForm::DoladStitky() {
    TReportBand& label = *Layouts.Labels.FindBand("DetailBand1");
    TReportElement& address = Layouts.Labels.Element("QRDBText1");
    address.SetBounds(Px(9 + DBMemo1->Left() - 7), Px(2 + DBMemo1->Top() - 3), label.Width() - Px(18),
                      label.Height() - Px(2));
    SetSetting(Slot::LabelSampleLeft, DBMemo1->Left());
    SetSetting(Slot::LabelSampleTop, DBMemo1->Top());
}

void TZostavyChildForm::HorePosun() { DBMemo1->SetTop(DBMemo1->Top() + 1); }
void TZostavyChildForm::DolePosun() { DBMemo1->SetTop(DBMemo1->Top() - 1); }
void TZostavyChildForm::LeftPosun() { DBMemo1->SetLeft(DBMemo1->Left() - 1); }
void TZostavyChildForm::RightPosun() { DBMemo1->SetLeft(DBMemo1->Left() + 1); }

void TZostavyChildForm::UpDown1Click(TUDBtnType button) {
    if (button == TUDBtnType::btPrev) HorePosun();
    else DolePosun();
}

void TZostavyChildForm::UpDown2Click(TUDBtnType button) {
    if (button == TUDBtnType::btPrev) LeftPosun();
    else RightPosun();
}

void TZostavyChildForm::DefaultAdresButtonClick() {
    if (ShowMessageBox(GetMessageText(MessageId::RestoreAddressForm),
                       GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    ObnovNastavenie();
}

void TZostavyChildForm::ObnovNastavenie() {
    TReportLayout& labels = Layouts.Labels;
    labels.Page().LeftMargin = labels.Page().RightMargin = labels.Page().TopMargin = labels.Page().BottomMargin = 10;
    labels.FindBand("ChildBand1")->SetHeight(Px(39));
    labels.Page().ColumnSpace = 3;
    DBMemo1->SetFont(ToFont(DefaultAddressFont()));
    DBMemo1->SetLeft(8);
    DBMemo1->SetTop(6);
    TReportElement& address = labels.Element("QRDBText1");
    address.SetLeft(Px(11));
    address.SetTop(Px(2));
    address.SetFont(DefaultAddressFont());
    address.SetHeight(Px(103));
    labels.FindBand("DetailBand1")->SetHeight(Px(108));
    RestoreEnvelopeFields(Layouts.Envelopes, std::max(ObalkaComboBox->ItemIndex(), 0));
    UpDown1->SetPosition(3);
    UpDown2->SetPosition(0);
    UpDown4->SetPosition(0);
    // The edits follow no one while the defaults go in, so that they end on the defaults.
    Sheet.RestoreDefaults();
    WriteSheetEdits();
}

// ---- the own choice ----

void TZostavyChildForm::AddButtonClick() {
    TVolgaTable* addresses = Addresses();
    if (!addresses || !addresses->Active() || addresses->IsEmpty()) return;
    TKvMemoryData& choice = *data_.ReportTable;
    try {
        choice.Append();
        for (const char* field : {"Adresa_1", "Adresa_2", "Firma", "Priezvisko", "Meno"})
            choice.FieldByName(field).SetAsString(addresses->FieldByName(field).AsString());
        choice.Post();
    } catch (const EDatabaseError&) {
        choice.Cancel();
        ShowMessage(GetMessageText(MessageId::ItemOnList));
    }
}

void TZostavyChildForm::DelRepButtonClick() {
    TKvMemoryData& choice = *data_.ReportTable;
    if (choice.Active() && !choice.IsEmpty()) choice.Delete();
}

void TZostavyChildForm::DeleteReportButtonClick() {
    // The frame's tool buttons go back to browsing first, as after a save.
    StateChanged();
    if (ShowMessageBox(GetMessageText(MessageId::RemoveAllItems), GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    TKvMemoryData& choice = *data_.ReportTable;
    choice.DisableControls();
    auto enable = OnScopeExit([&] { choice.EnableControls(); });
    choice.First();
    while (!choice.IsEmpty()) choice.Delete();
}

// ---- the letter jump ----

void TZostavyChildForm::TrackBar1Change() {
    if (movingTrack_ || !Addresses() || !Addresses()->Active()) return;
    const int position = std::clamp(TrackBar1->Position(), 0, 24);
    Addresses()->Locate(SearchField(), Variant(std::string(1, kLetters[position])), loCaseInsensitive | loPartialKey);
}

void TZostavyChildForm::SetReportsPosition() {
    TVolgaTable* addresses = Addresses();
    if (!addresses || !addresses->Active() || addresses->IsEmpty()) return;
    TField* stored = addresses->FindField(SortField());
    if (!stored || stored->AsString().empty()) return;
    const std::string value = addresses->FieldByName(SearchField()).AsString();
    if (value.empty()) return;
    const char first = value[0] >= 'A' && value[0] <= 'Z' ? char(value[0] - 'A' + 'a') : value[0];
    const char* at = std::strchr(kLetters, first);
    if (!at || first == 0) return;
    movingTrack_ = true;
    auto done = OnScopeExit([this] { movingTrack_ = false; });
    TrackBar1->SetPosition(int(at - kLetters));
}

// ---- the sender ----

void TZostavyChildForm::SetSenderCaption(const std::string& text) {
    senderText_ = text;
    Layouts.Envelopes.Element("QRLabel1").SetCaption(text);
}

void TZostavyChildForm::LoadSenderFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return;
    const std::string text = LoadSenderText(file);
    // Line for line: an empty last line is a line of the sender too.
    std::vector<std::string> lines;
    for (size_t from = 0; !text.empty();) {
        const size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    Memo1->Lines().Assign(lines);
    SetSenderCaption(text);
}

void TZostavyChildForm::LoadSenderAddress() { Senders.Scan(); }

void TZostavyChildForm::LoadSenderNames() {
    const int index = Senders.ValidIndex(Setting(Slot::SenderIndex));
    if (auto file = Senders.FileAt(index)) {
        ReportsState().CurrentSenderFile = *file;
        LoadSenderFile(*file);
    }
    UpDown5->SetMax(Senders.Count() - 1);
    UpDown5->SetPosition(Senders.Count() ? index : 0);
}

void TZostavyChildForm::UpDown5Click(TUDBtnType button) {
    if (Senders.Count() == 0) return;
    const int position = std::clamp(UpDown5->Position(), 0, Senders.Count() - 1);
    (void)button;
    UpDown5->SetPosition(position);
    if (auto file = Senders.FileAt(position)) {
        ReportsState().CurrentSenderFile = *file;
        LoadSenderFile(*file);
    }
}

void TZostavyChildForm::BitBtn4Click() {
    ReportsState().NewSenderMode = true;
    Memo1->SetReadOnly(false);
    Memo1->Lines().Clear();
    Memo1->SetFocus();
    BitBtn2->SetEnabled(true);
    BitBtn1->SetEnabled(false);
}

void TZostavyChildForm::BitBtn1Click() {
    Memo1->SetReadOnly(false);
    Memo1->SetFocus();
    BitBtn2->SetEnabled(true);
    BitBtn1->SetEnabled(false);
}

void TZostavyChildForm::BitBtn2Click() {
    ReportsRunState& state = ReportsState();
    const std::string text = Memo1->Lines().Text();
    std::filesystem::path file;
    Senders.Scan(); // what the folder holds now
    if (state.NewSenderMode) {
        file = Senders.Folder() / Senders.NextName();
    } else {
        // The sender in use is changed; without one, the first sender file is made.
        file = state.CurrentSenderFile.empty() ? Senders.Folder() / Senders.NextName() : state.CurrentSenderFile;
    }
    SaveSenderText(file, text);
    state.CurrentSenderFile = file;
    // A new sender is made once; the next Use changes it.
    state.NewSenderMode = false;
    Senders.Scan();
    const auto& names = Senders.Names();
    const auto at = std::find(names.begin(), names.end(), file.filename().string());
    UpDown5->SetMax(Senders.Count() - 1);
    if (at != names.end()) UpDown5->SetPosition(int(at - names.begin()));
    LoadSenderFile(file);
    BitBtn1->SetEnabled(true);
    Memo1->SetReadOnly(true);
}

void TZostavyChildForm::BitBtn3Click() {
    ReportsRunState& state = ReportsState();
    std::error_code ec;
    if (state.CurrentSenderFile.empty() || !std::filesystem::is_regular_file(state.CurrentSenderFile, ec)) return;
    if (ShowMessageBox(GetMessageText(MessageId::DeleteSender), GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SetSetting(Slot::SenderIndex, 0);
    if (!std::filesystem::remove(state.CurrentSenderFile, ec) && ec)
        throw std::runtime_error(ec.message() + ": " + state.CurrentSenderFile.string());
    state.CurrentSenderFile.clear();
    LoadSenderAddress();
    LoadSenderNames();
}

// ---- preview, print, save, open, font ----

void TZostavyChildForm::OverChosenRecords(const std::function<void()>& use) {
    // The repeated table of the last preparation goes now: nothing may stay bound to it.
    UnbindRepeatOne();
    auto filterOff = OnScopeExit([this] { reportData_.FilterOff(); });
    TDataSet* dataSet =
        reportData_.Prepare(FieldValueGroup->ItemIndex(), CheckBox1->Checked(), LabelsPerSheet(Layouts.Labels));
    if (dataSet != bound_) {
        // The repeated address: the layouts and the sample show it until they are bound back.
        BindLayouts(dataSet);
        repeatSource_ = std::make_unique<TDataSource>();
        repeatSource_->SetDataSet(dataSet);
        DBMemo1->SetDataSource(repeatSource_.get());
    }
    use();
}

TReportLayout& TZostavyChildForm::ChosenAddressLayout(bool forPrint) {
    switch (ObalkyAdresyRadioGroup->ItemIndex()) {
    case PrintEnvelopes:
        DoladObalky();
        if (forPrint) SetEnvelopeFeedOffset(frame_.Settings ? frame_.Settings->PolohaObRadioGroup : 0);
        return Layouts.Envelopes;
    case PrintSummary: return Layouts.Summary;
    default:
        if (forPrint) SpocitajStitky();
        DoladStitky();
        return Layouts.Labels;
    }
}

TPreparedReport TZostavyChildForm::PrepareAddressReport(bool forPrint) {
    TReportLayout& layout = ChosenAddressLayout(forPrint);
    TPreparedReport pages;
    OverChosenRecords([&] { pages = PrepareReport(layout); });
    return pages;
}

TPreparedReport TZostavyChildForm::PrepareChosenReport(bool forPrint) {
    if (ReportsState().ReportSource != 0 && embedded_) return PrepareReport(embedded_->ChosenLayout());
    return PrepareAddressReport(forPrint);
}

void TZostavyChildForm::PreviewReport() {
    if (ReportsState().ReportSource == 0 && ObalkyAdresyRadioGroup->ItemIndex() == PrintEnvelopes) {
        DoladObalky();
        TPreparedReport pages = PrepareAddressReport(false);
        TObalkyPreviewForm preview(this, *this, std::move(pages));
        preview.SetWindowState(TWindowState::wsMaximized);
        preview.ShowModal();
        return;
    }
    // The preview prepares the pages as they are looked at: the records stay chosen meanwhile.
    // Its page set-up stays off: the sheet and the paper are this window's.
    auto preview = [this](TReportLayout& layout) {
        TReportPreviewForm form(this, layout);
        form.SetLayout(nullptr);
        form.ShowModal();
    };
    if (ReportsState().ReportSource != 0 && embedded_) {
        preview(embedded_->ChosenLayout());
        return;
    }
    TReportLayout& layout = ChosenAddressLayout(false);
    OverChosenRecords([&] { preview(layout); });
}

TPreparedReport TZostavyChildForm::PreparePrintedReport() {
    TPreparedReport pages = PrepareChosenReport(true);
    if (ReportsState().ReportSource != 0 || ObalkyAdresyRadioGroup->ItemIndex() != PrintEnvelopes) return pages;
    // The envelope goes to the printer on its own paper: the envelope's part of the sheet.
    const TPageSetup& page = Layouts.Envelopes.Page();
    const TReportBand& envelope = *Layouts.Envelopes.FindBand("DetailObalkyBand");
    return CutPages(pages, page.LeftMargin, page.TopMargin, envelope.Width(), envelope.Height());
}

void TZostavyChildForm::PrintReport() {
    TPreparedReport pages = PreparePrintedReport();
    if (ReportsState().ReportSource == 0 && ObalkyAdresyRadioGroup->ItemIndex() == PrintEnvelopes) {
        TPolohaObalkyForm picture(this, PolohaRadioGroup->ItemIndex(),
                                  frame_.Settings ? frame_.Settings->PolohaObRadioGroup : 0);
        picture.ShowModal();
    }
    PrintReportWithDialog(pages, Widget());
}

void TZostavyChildForm::SaveReport() {
    const std::optional<std::filesystem::path> file = AskSaveFile ? AskSaveFile() : std::nullopt;
    if (!file) return;
    SavePreparedReport(PrepareChosenReport(true), *file);
}

void TZostavyChildForm::OpenReport() {
    const std::optional<std::filesystem::path> file = AskOpenFile ? AskOpenFile() : std::nullopt;
    if (!file) return;
    // The report layer refuses files of other programs, the older one's included.
    PreviewPreparedReport(LoadPreparedReport(*file), this);
}

void TZostavyChildForm::FontChange() {
    if (!AskFont) return;
    const std::optional<TReportFont> chosen = AskFont(ToReportFont(DBMemo1->Font()));
    if (!chosen) return;
    DBMemo1->SetFont(ToFont(*chosen));
    Layouts.Envelopes.Element("QRDBText1").SetFont(*chosen);
    Layouts.Envelopes.Element("QRLabel1").SetFont(*chosen);
    Layouts.Labels.Element("QRDBText1").SetFont(*chosen);
}

// ---- settings and closing ----

void TZostavyChildForm::UlozDoPola() {
    if (!frame_.Settings) return;
    SetSetting(Slot::ReportListBack, int(DBLookupListBox1->Color()));
    const TFont font = DBLookupListBox1->Font();
    SetSetting(Slot::ReportListFontColor, int(font.Color));
    if (font.Size > 0) SetSetting(Slot::ReportListFontSize, font.Size);
    if (!font.Name.empty()) frame_.Settings->NastaveniaText[TextSlot::ReportListFontName] = font.Name;
    if (auto code = StyleCodeOf(font.Style)) SetSetting(Slot::ReportListFontStyle, *code);
    SetSetting(Slot::EnvelopePosition, std::max(PolohaRadioGroup->ItemIndex(), 0));
}

void TZostavyChildForm::ApplySetting(ModuleSetting setting, int value) {
    if (setting == ModuleSetting::EnvelopeFeed) {
        SetEnvelopeFeedOffset(value);
    } else if (setting == ModuleSetting::EnvelopePosition && value >= 0 && value <= 2) {
        // The settings dialog changes the position without the feed picture.
        const bool show = ReportsState().ShowFeedPicture;
        ReportsState().ShowFeedPicture = false;
        auto restore = OnScopeExit([show] { ReportsState().ShowFeedPicture = show; });
        PolohaRadioGroup->SetItemIndex(value);
        PolohaRadioGroupClick();
    }
}

std::optional<TColor> TZostavyChildForm::PartColor(SetupTarget target) const {
    if (target != SetupTarget::ReportLists) return std::nullopt;
    return DBLookupListBox1->Color();
}

void TZostavyChildForm::SetPartColor(SetupTarget target, TColor color) {
    if (target != SetupTarget::ReportLists) return;
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) g->SetColor(color);
}

std::optional<TFont> TZostavyChildForm::PartFont(SetupTarget target) const {
    if (target != SetupTarget::ReportLists) return std::nullopt;
    return DBLookupListBox1->Font();
}

void TZostavyChildForm::SetPartFont(SetupTarget target, const TFont& font) {
    if (target != SetupTarget::ReportLists) return;
    for (TDBGrid* g : {DBLookupListBox1, DBLookupListBox2}) g->SetFont(font);
}

void TZostavyChildForm::FormClose(TCloseAction& action) {
    SetSetting(Slot::MiniatureAddressLeft, Miniature.AddressLeft);
    SetSetting(Slot::MiniatureAddressTop, Miniature.AddressTop);
    SetSetting(Slot::LabelSampleLeft, DBMemo1->Left());
    SetSetting(Slot::LabelSampleTop, DBMemo1->Top());
    SetSetting(Slot::SenderIndex, std::max(UpDown5->Position(), 0));
    SetSetting(Slot::ReportKind, 0);
    SetSetting(Slot::ReportPrintKind, std::max(ObalkyAdresyRadioGroup->ItemIndex(), 0));
    FreeEmbedded();
    reportData_.FilterOff();
    action = TCloseAction::caFree;
}

} // namespace kvz
