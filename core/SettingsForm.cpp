#include "core/SettingsForm.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "platform/forms/GridRows.h"
#include "platform/forms/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace kvz {

namespace {

constexpr int kStandardSourceItems = 13;   // messages 7, 8, 9, 22, 10 .. 18
constexpr int kFirstUserAddressField = 31; // the address table's own fields start here
constexpr int kAddressFontLimit = 22, kSmallFontLimit = 12, kLinksNameFontLimit = 16;
constexpr int kSetupHelpContext = 23;

const std::array<std::array<const char*, 3>, 2> kColourFont = {{
    {"Colour...", "Farba...", "Barva..."}, {"Font...", "Písmo...", "Písmo..."}}};
const std::array<std::array<const char*, 3>, 2> kFeedItems = {{
    {"Envelope fed from the top", "Obálka podávaná zhora", "Obálka podávaná shora"},
    {"Envelope fed from the bottom", "Obálka podávaná zdola", "Obálka podávaná zdola"}}};
const std::array<std::array<const char*, 3>, 3> kPositionItems = {{
    {"Middle", "Stred", "Střed"}, {"Left", "Vľavo", "Vlevo"}, {"Right", "Vpravo", "Vpravo"}}};
const std::array<std::array<const char*, 3>, 7> kDays = {{
    {"Monday", "Pondelok", "Pondělí"}, {"Tuesday", "Utorok", "Úterý"}, {"Wednesday", "Streda", "Středa"},
    {"Thursday", "Štvrtok", "Čtvrtek"}, {"Friday", "Piatok", "Pátek"}, {"Saturday", "Sobota", "Sobota"},
    {"Sunday", "Nedeľa", "Neděle"}}};
const std::array<std::array<const char*, 3>, 4> kGradients = {{
    {"Left to Right", "Zľava doprava", "Zleva doprava"}, {"Side to center", "Od okrajov do stredu", "Od okrajů do středu"},
    {"Top to Bottom", "Zhora nadol", "Shora dolů"}, {"Bottom to Center", "Zdola do stredu", "Zdola do středu"}}};
const std::array<std::array<const char*, 3>, 2> kBackStyles = {{
    {"Gradient background", "Prechodové pozadie", "Přechodové pozadí"},
    {"Standard background", "Štandardné pozadie", "Standardní pozadí"}}};
const char* const kViewStyles[] = {"Normal", "Big", "Advanced", "Windows 2000", "Windows XP"};
// clang-format on

int LanguageIndex() {
    int language = Language();
    return language >= 1 && language <= 3 ? language - 1 : 0;
}

template <size_t N>
void FillItems(TStrings& items, const std::array<std::array<const char*, 3>, N>& texts) {
    items.Clear();
    for (const auto& t : texts) items.Add(t[size_t(LanguageIndex())]);
}

} // namespace

std::vector<std::string> LinksSourceItems(const std::vector<std::string>& addressFieldNames) {
    std::vector<std::string> items;
    namespace M = MessageId;
    for (int id : {M::Name, M::FirstName, M::Surname, M::City, M::Function, M::Phone1, M::Phone2, M::HomePhone,
                   M::Mobil, M::Fax, M::Mail, M::Account, M::Bank})
        items.push_back(GetMessageText(id));
    for (size_t i = kFirstUserAddressField; i < addressFieldNames.size(); ++i) items.push_back(addressFieldNames[i]);
    return items;
}

// The standard entries map to their fields; the rest are field names already.
std::string LinksSourceField(int index, const std::vector<std::string>& items) {
    std::string field;
    if (index < 0) return field;
    if (index < kStandardSourceItems)
        AddressFieldByComboIndex(index, "", field);
    else if (index < int(items.size()))
        field = items[size_t(index)];
    return field;
}

TSetupForm::TSetupForm(TComponent* owner, FrameState& frame, TDataModule1& data, SetupWindowServices& windows)
    : TForm(owner), frame_(frame), data_(data), windows_(windows) {
    SetName("SetupForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);

    auto named = [this](auto* control, const char* name, TWinControl* parent) {
        control->SetName(name);
        control->SetParent(parent);
        return control;
    };
    PageControl1 = named(new TPageControl(this), "PageControl1", this);
    auto sheet = [&](const char* name) {
        auto* s = new TTabSheet(this);
        s->SetName(name);
        s->SetPageControl(PageControl1);
        return s;
    };
    TabSheet1 = sheet("TabSheet1");
    TabSheet2 = sheet("TabSheet2");
    TabSheet3 = sheet("TabSheet3");
    TabSheet4 = sheet("TabSheet4");
    TabSheet5 = sheet("TabSheet5");

    auto button = [&](const char* name, TWinControl* parent) { return named(new TButton(this), name, parent); };
    auto shape = [&](const char* name, TWinControl* parent) {
        auto* s = named(new TShape(this), name, parent);
        s->Widget()->setFixedSize(40, 20);
        return s;
    };
    // A page: rows of caption, colour button, its sample and font button (either button may be
    // missing), the spare width to their right; more below them.
    auto page = [&](TTabSheet* sheet, std::initializer_list<TGridRow> rows) {
        auto* column = new QVBoxLayout(sheet->Widget());
        auto* grid = new QGridLayout;
        grid->setColumnStretch(4, 1);
        AddGridRows(*grid, this, sheet, rows);
        column->addLayout(grid);
        return std::pair{column, grid};
    };

    // Address book.
    Button1 = button("Button1", TabSheet1);
    Button2 = button("Button2", TabSheet1);
    Button3 = button("Button3", TabSheet1);
    Button4 = button("Button4", TabSheet1);
    Button5 = button("Button5", TabSheet1);
    Button7 = button("Button7", TabSheet1);
    Button6 = button("Button6", TabSheet1);
    Button8 = button("Button8", TabSheet1);
    AdrNameShape = shape("AdrNameShape", TabSheet1);
    AdrNoteShape = shape("AdrNoteShape", TabSheet1);
    AdrGridShape = shape("AdrGridShape", TabSheet1);
    CheckBox1 = named(new TCheckBox(this), "CheckBox1", TabSheet1);
    ComboBox1 = named(new TComboBox(this), "ComboBox1", TabSheet1);
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    Button9 = button("Button9", TabSheet1);
    {
        auto [column, grid] = page(TabSheet1, {
            {"AdrNameLabel", {Button1, AdrNameShape, Button2}},
            {"AdrNoteLabel", {Button3, AdrNoteShape, Button4}},
            {"AdrDetailLabel", {Button5, nullptr, Button7}},
            {"AdrGridLabel", {Button6, AdrGridShape, Button8}},
        });
        column->addSpacing(12);
        column->addWidget(CheckBox1->Widget());
        auto* categories = new QHBoxLayout;
        categories->addWidget(ComboBox1->Widget(), 1);
        categories->addWidget(Button9->Widget());
        column->addLayout(categories);
        column->addStretch();
    }

    // Reports.
    Button10 = button("Button10", TabSheet2);
    Button11 = button("Button11", TabSheet2);
    ReportShape = shape("ReportShape", TabSheet2);
    SetupObRadioGroup = named(new TRadioGroup(this), "SetupObRadioGroup", TabSheet2);
    PolohaRadioGroup = named(new TRadioGroup(this), "PolohaRadioGroup", TabSheet2);
    PrinterPanel = named(new TPanel(this), "PrinterPanel", TabSheet2);
    PrinterPanel->Widget()->setFixedSize(110, 70);
    PrinterPanel->SetBevelOuter(TBevelCut::bvLowered);
    EnvelopeShape = named(new TShape(this), "EnvelopeShape", PrinterPanel);
    EnvelopeShape->SetBounds(34, 6, 40, 28);
    EnvelopeShape->Brush.Color = clWhite;
    {
        auto [column, grid] = page(TabSheet2, {{"ReportLabel", {Button10, ReportShape, Button11}}});
        auto* envelope = new QHBoxLayout;
        envelope->addWidget(SetupObRadioGroup->Widget(), 1);
        envelope->addWidget(PolohaRadioGroup->Widget(), 1);
        envelope->addWidget(PrinterPanel->Widget(), 0, Qt::AlignTop);
        column->addSpacing(12);
        column->addLayout(envelope);
        column->addStretch();
    }

    // Links.
    Button14 = button("Button14", TabSheet3);
    Button15 = button("Button15", TabSheet3);
    Button12 = button("Button12", TabSheet3);
    Button13 = button("Button13", TabSheet3);
    Button16 = button("Button16", TabSheet3);
    Button17 = button("Button17", TabSheet3);
    LinksNameShape = shape("LinksNameShape", TabSheet3);
    LinksGridShape = shape("LinksGridShape", TabSheet3);
    ComboBox4 = named(new TComboBox(this), "ComboBox4", TabSheet3);
    ComboBox4->SetStyle(TComboBoxStyle::csDropDownList);
    {
        auto [column, grid] = page(TabSheet3, {
            {"LinksNameLabel", {Button14, LinksNameShape, Button15}},
            {"LinksDetailLabel", {Button12, nullptr, Button13}},
            {"LinksGridLabel", {Button16, LinksGridShape, Button17}},
            {"SourceLabel", {{ComboBox4, 3}}},
        });
        column->addStretch();
    }

    // Scheduling.
    Button18 = button("Button18", TabSheet4);
    Button19 = button("Button19", TabSheet4);
    Button20 = button("Button20", TabSheet4);
    Button21 = button("Button21", TabSheet4);
    Button22 = button("Button22", TabSheet4);
    Button23 = button("Button23", TabSheet4);
    Button24 = button("Button24", TabSheet4);
    Button25 = button("Button25", TabSheet4);
    CalBackShape = shape("CalBackShape", TabSheet4);
    CalTextShape = shape("CalTextShape", TabSheet4);
    CalTitleShape = shape("CalTitleShape", TabSheet4);
    CalTitleTextShape = shape("CalTitleTextShape", TabSheet4);
    TaskGridShape = shape("TaskGridShape", TabSheet4);
    TaskMemoShape = shape("TaskMemoShape", TabSheet4);
    CheckBox2 = named(new TCheckBox(this), "CheckBox2", TabSheet4);
    ComboBox2 = named(new TComboBox(this), "ComboBox2", TabSheet4);
    ComboBox2->SetStyle(TComboBoxStyle::csDropDownList);
    PSpinEdit = named(new TEdit(this), "PSpinEdit", TabSheet4);
    PSpinEdit->Widget()->setFixedWidth(48);
    PSpinUpDown = named(new TUpDown(this), "PSpinUpDown", TabSheet4);
    PSpinUpDown->SetMin(0);
    PSpinUpDown->SetMax(60);
    PSpinUpDown->SetAssociate(PSpinEdit);
    PSpinUpDown->Widget()->setFixedSize(16, PSpinEdit->Widget()->sizeHint().height());
    {
        auto [column, grid] = page(TabSheet4, {
            {"CalBackLabel", {Button18, CalBackShape}},
            {"CalTextLabel", {Button19, CalTextShape}},
            {"CalTitleLabel", {Button20, CalTitleShape}},
            {"CalTitleTextLabel", {Button21, CalTitleTextShape}},
            {"TaskGridLabel", {Button22, TaskGridShape, Button23}},
            {"TaskMemoLabel", {Button24, TaskMemoShape, Button25}},
            {"FirstDayLabel", {{ComboBox2, 3}}},
        });
        column->addWidget(CheckBox2->Widget());
        auto* remind = new QHBoxLayout;
        remind->addWidget(named(new TLabel(this), "RemindLabel", TabSheet4)->Widget());
        remind->addWidget(PSpinEdit->Widget());
        remind->addWidget(PSpinUpDown->Widget());
        remind->addWidget(named(new TLabel(this), "MinutesLabel", TabSheet4)->Widget());
        remind->addStretch();
        column->addLayout(remind);
        column->addStretch();
    }

    // Global.
    Button26 = button("Button26", TabSheet5);
    Button27 = button("Button27", TabSheet5);
    Button28 = button("Button28", TabSheet5);
    Button29 = button("Button29", TabSheet5);
    BackButton = button("BackButton", TabSheet5);
    ClearBack = button("ClearBack", TabSheet5);
    HeaderShape = shape("HeaderShape", TabSheet5);
    HeaderEndShape = shape("HeaderEndShape", TabSheet5);
    ComboBox3 = named(new TComboBox(this), "ComboBox3", TabSheet5);
    ComboBox3->SetStyle(TComboBoxStyle::csDropDownList);
    RadioGroup1 = named(new TRadioGroup(this), "RadioGroup1", TabSheet5);
    ViewStyle = named(new TRadioGroup(this), "ViewStyle", TabSheet5);
    Image1 = named(new TImage(this), "Image1", TabSheet5);
    Image1->SetStretch(true);
    Image1->Widget()->setFixedSize(120, 60);
    {
        auto [column, grid] = page(TabSheet5, {
            {"HeaderLabel", {Button26, HeaderShape, Button28}},
            {"", {Button27, HeaderEndShape, Button29}},
            {"GradientLabel", {{ComboBox3, 3}}},
        });
        auto* styles = new QHBoxLayout;
        styles->addWidget(RadioGroup1->Widget(), 1);
        styles->addWidget(ViewStyle->Widget(), 1);
        column->addLayout(styles);
        auto* background = new QHBoxLayout;
        auto* backButtons = new QVBoxLayout;
        backButtons->addWidget(BackButton->Widget());
        backButtons->addWidget(ClearBack->Widget());
        backButtons->addStretch();
        background->addLayout(backButtons);
        background->addWidget(Image1->Widget());
        background->addStretch();
        column->addLayout(background);
        column->addStretch();
    }

    BitBtn1 = button("BitBtn1", this);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    HelpButton = button("HelpButton", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpButton->Widget());
    buttons->addStretch();
    buttons->addWidget(BitBtn1->Widget());
    auto* client = new QVBoxLayout(ClientWidget());
    client->addWidget(PageControl1->Widget(), 1);
    client->addLayout(buttons);
    SetClientSize(600, 440);

    // Colours and fonts of the module windows.
    struct Pick {
        TButton* Button;
        SetupTarget Target;
        int FontLimit; // 0: a colour button
    };
    const Pick picks[] = {
        {Button1, SetupTarget::AddressName, 0}, {Button2, SetupTarget::AddressName, kAddressFontLimit},
        {Button3, SetupTarget::AddressNote, 0}, {Button4, SetupTarget::AddressNote, kSmallFontLimit},
        {Button6, SetupTarget::AddressGrid, 0}, {Button8, SetupTarget::AddressGrid, kSmallFontLimit},
        {Button10, SetupTarget::ReportLists, 0}, {Button11, SetupTarget::ReportLists, kSmallFontLimit},
        {Button14, SetupTarget::LinksName, 0}, {Button15, SetupTarget::LinksName, kLinksNameFontLimit},
        {Button16, SetupTarget::LinksGrid, 0}, {Button17, SetupTarget::LinksGrid, kSmallFontLimit},
        {Button18, SetupTarget::CalendarBack, 0}, {Button19, SetupTarget::CalendarText, 0},
        {Button20, SetupTarget::CalendarTitleBack, 0}, {Button21, SetupTarget::CalendarTitleText, 0},
        {Button22, SetupTarget::TaskGrids, 0}, {Button23, SetupTarget::TaskGrids, kSmallFontLimit},
        {Button24, SetupTarget::TaskMemo, 0}, {Button25, SetupTarget::TaskMemo, kSmallFontLimit},
    };
    for (const Pick& p : picks)
        p.Button->OnClick = [this, p](TComponent*) {
            if (p.FontLimit)
                windows_.PickFont(p.Target, p.FontLimit);
            else
                windows_.PickColor(p.Target);
            ShowSamples();
        };
    Button5->OnClick = [this](TComponent*) { windows_.VymenColor(AddressModule); };
    Button7->OnClick = [this](TComponent*) { windows_.VymenFont(AddressModule); };
    Button12->OnClick = [this](TComponent*) { windows_.VymenColor(LinksModule); };
    Button13->OnClick = [this](TComponent*) { windows_.VymenFont(LinksModule); };
    CheckBox1->OnClick = [this](TComponent* s) { CheckBox1Click(s); };
    Button9->OnClick = [this](TComponent* s) { Button9Click(s); };
    SetupObRadioGroup->OnClick = [this](TComponent* s) { SetupObRadioGroupClick(s); };
    PolohaRadioGroup->OnClick = [this](TComponent* s) { PolohaRadioGroupClick(s); };
    ComboBox4->OnChange = [this](TComponent* s) { ComboBox4Change(s); };
    CheckBox2->OnClick = [this](TComponent* s) { CheckBox2Click(s); };
    ComboBox2->OnChange = [this](TComponent* s) { ComboBox2Change(s); };
    Button26->OnClick = [this](TComponent*) { PickHeaderColor(Slot::HeaderColor); };
    Button27->OnClick = [this](TComponent*) { PickHeaderColor(Slot::HeaderEndColor); };
    Button28->OnClick = [this](TComponent* s) { Button28Click(s); };
    Button29->OnClick = [this](TComponent* s) { Button29Click(s); };
    ComboBox3->OnChange = [this](TComponent* s) { ComboBox3Change(s); };
    RadioGroup1->OnClick = [this](TComponent* s) { RadioGroup1Click(s); };
    ViewStyle->OnClick = [this](TComponent* s) { ViewStyleClick(s); };
    BackButton->OnClick = [this](TComponent* s) { BackButtonClick(s); };
    ClearBack->OnClick = [this](TComponent* s) { ClearBackClick(s); };
    BitBtn1->OnClick = [this](TComponent* s) { BitBtn1Click(s); };
    HelpButton->OnClick = [this](TComponent*) { Application().HelpContext(HelpFile(), kSetupHelpContext); };
    OnShow = [this](TComponent* s) { FormShow(s); };
    FormCreate(this);
}

void TSetupForm::FormCreate(TComponent*) {
    SetHelpFile(Application().HelpFile());
    const SettingsStore& s = *frame_.Settings;
    // The active module's page and the global page; the others are hidden with their controls off.
    const std::pair<TTabSheet*, int> pages[] = {
        {TabSheet1, AddressModule}, {TabSheet2, ReportsModule}, {TabSheet3, LinksModule}, {TabSheet4, TasksModule}};
    for (auto [page, module] : pages) {
        const bool active = frame_.ActiveModule == module;
        page->SetTabVisible(active);
        for (int i = 0; i < page->ControlCount(); ++i) page->Controls(i)->SetEnabled(active);
        if (active) PageControl1->SetActivePage(page);
    }
    if (frame_.ActiveModule < AddressModule || frame_.ActiveModule > LinksModule) PageControl1->SetActivePage(TabSheet5);
    if (frame_.ActiveModule == TasksModule) {
        PSpinUpDown->SetPosition(s.Nastavenia[Slot::ReminderLead]);
        CheckBox2->SetChecked(s.Nastavenia[Slot::WeekNumbers] == 1);
    }
    background_ = s.NastaveniaText[TextSlot::BackgroundFile];
    ShowSamples();
}

void TSetupForm::ShowSamples() {
    const std::pair<TShape*, SetupTarget> samples[] = {
        {AdrNameShape, SetupTarget::AddressName}, {AdrNoteShape, SetupTarget::AddressNote},
        {AdrGridShape, SetupTarget::AddressGrid}, {ReportShape, SetupTarget::ReportLists},
        {LinksNameShape, SetupTarget::LinksName}, {LinksGridShape, SetupTarget::LinksGrid},
        {CalBackShape, SetupTarget::CalendarBack}, {CalTextShape, SetupTarget::CalendarText},
        {CalTitleShape, SetupTarget::CalendarTitleBack}, {CalTitleTextShape, SetupTarget::CalendarTitleText},
        {TaskGridShape, SetupTarget::TaskGrids}, {TaskMemoShape, SetupTarget::TaskMemo}};
    for (auto [shape, target] : samples) {
        // A hidden page's window is not open: its samples are grey.
        shape->Brush.Color = shape->Enabled() ? windows_.TargetColor(target) : clGray;
        shape->Invalidate();
    }
    const SettingsStore& s = *frame_.Settings;
    HeaderShape->Brush.Color = TColor(s.Nastavenia[Slot::HeaderColor]);
    HeaderEndShape->Brush.Color = TColor(s.Nastavenia[Slot::HeaderEndColor]);
    HeaderShape->Invalidate();
    HeaderEndShape->Invalidate();
}

void TSetupForm::FormShow(TComponent*) {
    const int lang = LanguageIndex();
    ApplyCaptions(*this, "TSetupForm", Language());
    for (TButton* b : {Button1, Button3, Button5, Button6, Button10, Button14, Button12, Button16, Button18, Button19,
                       Button20, Button21, Button22, Button24, Button26, Button27})
        b->SetCaption(kColourFont[0][size_t(lang)]);
    for (TButton* b : {Button2, Button4, Button7, Button8, Button11, Button15, Button13, Button17, Button23, Button25})
        b->SetCaption(kColourFont[1][size_t(lang)]);
    CheckBox1->SetCaption(GetMessageText(MessageId::EnableSplitAddress));
    Button9->SetCaption(GetMessageText(MessageId::EditType));
    HelpButton->SetCaption(GetMessageText(MessageId::Help));

    SettingsStore& s = *frame_.Settings;
    CheckBox1->SetChecked(s.Nastavenia[Slot::Categories] == 1);
    CheckBox1Click(CheckBox1);
    ComboBox1->Items().Clear();
    for (int k = 20; k <= 24; ++k) ComboBox1->Items().Add(s.NastaveniaText[size_t(k)]);
    ComboBox1->SetItemIndex(0);

    FillItems(SetupObRadioGroup->Items(), kFeedItems);
    FillItems(PolohaRadioGroup->Items(), kPositionItems);
    if (SetupObRadioGroup->Enabled()) {
        SetupObRadioGroup->SetItemIndex(s.PolohaObRadioGroup);
        PolohaRadioGroup->SetItemIndex(s.Nastavenia[Slot::EnvelopePosition]);
        MoveEnvelope();
    }

    std::vector<std::string> fields;
    if (data_.AddressTable)
        for (int i = 0; i < data_.AddressTable->FieldDefs().Count(); ++i)
            fields.push_back(data_.AddressTable->FieldDefs()[i].Name());
    ComboBox4->Items().Clear();
    for (const std::string& item : LinksSourceItems(fields)) ComboBox4->Items().Add(item);
    ComboBox4->SetItemIndex(1);

    FillItems(ComboBox2->Items(), kDays);
    ComboBox2->SetItemIndex(s.Nastavenia[Slot::FirstWeekDay] - 1);

    FillItems(ComboBox3->Items(), kGradients);
    ComboBox3->SetItemIndex(s.Nastavenia[Slot::GradientType]);
    FillItems(RadioGroup1->Items(), kBackStyles);
    RadioGroup1->SetItemIndex(s.Nastavenia[Slot::BackStyle]);
    ViewStyle->Items().Clear();
    for (const char* v : kViewStyles) ViewStyle->Items().Add(v);
    ViewStyle->SetItemIndex(s.Nastavenia[Slot::ViewStyle]);
    if (!background_.empty()) Image1->LoadFromFile(background_);
    ShowSamples();
}

void TSetupForm::CheckBox1Click(TComponent*) {
    const bool on = CheckBox1->Checked() && CheckBox1->Enabled();
    ComboBox1->SetEnabled(on);
    Button9->SetEnabled(on);
}

void TSetupForm::Button9Click(TComponent*) {
    windows_.EditCategories();
    FormShow(this);
}

void TSetupForm::MoveEnvelope() {
    static constexpr int kLeft[] = {34, 47, 22};
    const int position = std::clamp(PolohaRadioGroup->ItemIndex(), 0, 2);
    EnvelopeShape->SetBounds(kLeft[position], SetupObRadioGroup->ItemIndex() == 1 ? 31 : 6, EnvelopeShape->Width(),
                             EnvelopeShape->Height());
}

void TSetupForm::SetupObRadioGroupClick(TComponent*) {
    const int feed = SetupObRadioGroup->ItemIndex();
    if (feed < 0) return;
    frame_.Settings->PolohaObRadioGroup = feed;
    MoveEnvelope();
    windows_.ApplyEnvelopeFeed(feed);
}

void TSetupForm::PolohaRadioGroupClick(TComponent*) {
    const int position = PolohaRadioGroup->ItemIndex();
    if (position < 0) return;
    frame_.Settings->Nastavenia[Slot::EnvelopePosition] = position;
    MoveEnvelope();
    windows_.SetEnvelopePosition(position);
}

void TSetupForm::ComboBox4Change(TComponent*) {
    std::vector<std::string> items;
    for (int i = 0; i < ComboBox4->Items().Count(); ++i) items.push_back(ComboBox4->Items()[i]);
    std::string field = LinksSourceField(ComboBox4->ItemIndex(), items);
    if (!field.empty()) frame_.Settings->NastaveniaText[TextSlot::LinksAddressField] = field;
}

void TSetupForm::CheckBox2Click(TComponent*) {
    if (!CheckBox2->Enabled()) return;
    frame_.Settings->Nastavenia[Slot::WeekNumbers] = CheckBox2->Checked() ? 1 : 0;
    windows_.SetWeekNumbers(CheckBox2->Checked());
}

void TSetupForm::ComboBox2Change(TComponent*) {
    if (ComboBox2->ItemIndex() < 0) return;
    frame_.Settings->Nastavenia[Slot::FirstWeekDay] = ComboBox2->ItemIndex() + 1;
    windows_.ChangeFirstDay(ComboBox2->ItemIndex() + 1);
}

OutlookLook TSetupForm::Look() const {
    const SettingsStore& s = *frame_.Settings;
    return {TColor(s.Nastavenia[Slot::HeaderColor]), TColor(s.Nastavenia[Slot::HeaderEndColor]),
            s.Nastavenia[Slot::GradientType], s.Nastavenia[Slot::BackStyle], s.Nastavenia[Slot::ViewStyle], background_};
}

void TSetupForm::PickHeaderColor(int slot) {
    QColorDialog dialog(ToQColor(TColor(frame_.Settings->Nastavenia[size_t(slot)])), Widget());
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    frame_.Settings->Nastavenia[size_t(slot)] = int(FromQColor(dialog.selectedColor()));
    ShowSamples();
}

void TSetupForm::Button28Click(TComponent*) { windows_.ApplyOutlookLook(Look()); }

void TSetupForm::Button29Click(TComponent*) {
    frame_.Settings->Nastavenia[Slot::HeaderColor] = int(kDefaultHeaderColor);
    frame_.Settings->Nastavenia[Slot::HeaderEndColor] = int(kDefaultHeaderEndColor);
    ShowSamples();
    windows_.ApplyOutlookLook(Look());
}

void TSetupForm::ComboBox3Change(TComponent*) {
    if (ComboBox3->ItemIndex() < 0) return;
    frame_.Settings->Nastavenia[Slot::GradientType] = ComboBox3->ItemIndex();
    windows_.ApplyOutlookLook(Look());
}

void TSetupForm::RadioGroup1Click(TComponent*) {
    if (RadioGroup1->ItemIndex() < 0) return;
    frame_.Settings->Nastavenia[Slot::BackStyle] = RadioGroup1->ItemIndex();
    windows_.ApplyOutlookLook(Look());
}

void TSetupForm::ViewStyleClick(TComponent*) {
    if (ViewStyle->ItemIndex() < 0) return;
    frame_.Settings->Nastavenia[Slot::ViewStyle] = ViewStyle->ItemIndex();
    windows_.ApplyOutlookLook(Look());
}

void TSetupForm::BackButtonClick(TComponent*) {
    if (!windows_.OutlookHasActiveHeader()) return;
    QFileDialog dialog(Widget());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("Bitmap (*.bmp)");
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string file = dialog.selectedFiles().front().toStdString();
    if (!Image1->LoadFromFile(file)) return;
    background_ = file;
    frame_.Settings->NastaveniaText[TextSlot::BackgroundFile] = file;
    frame_.Settings->Nastavenia[Slot::BackStyle] = 1;
    RadioGroup1->SetItemIndex(1);
    windows_.ApplyOutlookLook(Look());
}

// The file name stays in the settings: only the picture goes.
void TSetupForm::ClearBackClick(TComponent*) {
    background_.clear();
    Image1->SetPicture(QImage());
    windows_.ApplyOutlookLook(Look());
}

bool TSetupForm::EnsureCategoryField() {
    if (!data_.AddressTable || data_.AddressTable->FieldDefs().Find("Split_field")) return false;
    // The file the table was read from, not one named by the current folder and user.
    const bool rebuilt = data_.AddMissingFields(TableId::Address, data_.AddressTable->TableName(),
                                                {{"Split_field", ftString, 20}});
    if (rebuilt) windows_.FrameFormShow();
    return rebuilt;
}

void TSetupForm::BitBtn1Click(TComponent*) {
    SettingsStore& s = *frame_.Settings;
    // The open module stores its own look; the page shown for it says what else was chosen here.
    if (TabSheet4->TabVisible()) s.Nastavenia[Slot::ReminderLead] = PSpinUpDown->Position();
    windows_.UlozDoPola(frame_.ActiveModule);
    if (TabSheet1->TabVisible()) {
        // Categories are on only once the table has their field.
        if (CheckBox1->Checked()) EnsureCategoryField();
        s.Nastavenia[Slot::Categories] = CheckBox1->Checked() ? 1 : 0;
        windows_.ShowSplitEnableButton(CheckBox1->Checked());
    }
    // Whatever module is open: what was chosen here is kept even if the program stops.
    s.SaveSettings(frame_.DataFolder);
    if (Modal()) SetModalResult(mrOk);
}

} // namespace kvz
