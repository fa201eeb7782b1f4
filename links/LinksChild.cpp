#include "links/LinksChild.h"

#include "core/Data1.h"
#include "core/DataModuleParts.h"
#include "core/FrameImages.h"
#include "core/FrameServices.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/SmallRoutines.h"
#include "core/SourceDatForm.h"
#include "engine/VolgaTbl.h"
#include "links/LinkIcons.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/ScopeGuard.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kvz {

QString PlainTextToolTip(const std::string& text) {
    QString html = QString::fromStdString(text).toHtmlEscaped();
    html.replace("\r\n", "<br>");
    html.replace('\n', "<br>");
    // Rich text that shows the text as typed: Qt would read a plain "<b>" as a tag.
    return "<qt><p style='white-space:pre'>" + html + "</p></qt>";
}

namespace {

constexpr int kShowNormal = 1;
constexpr int kShellSuccess = 32; // the desktop's answers above this opened the path
constexpr TColor kEvenRowColor = TColor(0x0000FFFF); // yellow
constexpr int kTypeFontLimit = 10, kDialogFontLimit = 16;

// Without the program's settings (a window made alone) the window keeps its settings to itself.
SettingsStore& Settings(FrameState& frame) {
    static SettingsStore own;
    return frame.Settings ? *frame.Settings : own;
}

QColor QtColor(TColor c) {
    const uint32_t v = static_cast<uint32_t>(c);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

} // namespace

TLinksChildForm::TLinksChildForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame), search_(data, frame) {
    SetName("LinksChildForm");
    SetFormStyle(TFormStyle::fsMDIChild);
    SetHelpContext(kHelpContext);
    BuildControls();
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    // Up and Down move through the links from whichever control has the focus.
    SetKeyPreview(true);
    OnKeyDown = [this](TComponent*, uint16_t& key, TShiftState) { FormKeyDown(key); };
    SetClientSize(684, 440);
    frame_.LinksWindow = this;
    frame_.LinksSearch = this;
    FormCreate();
    FormShow();
}

TLinksChildForm::~TLinksChildForm() {
    // The controls go after this body; their last events must not reach this window.
    OnKeyDown = nullptr;
    PageControl1->OnChange = nullptr;
    TreeView1->OnChange = nullptr;
    LinksListView->OnSelectItem = nullptr;
    TypeComboBox->OnSelect = nullptr;
    // The links table outlives the window: its filter must never ask a freed window.
    if (frame_.LinksWindow == this) frame_.LinksWindow = nullptr;
    if (frame_.LinksSearch == this) frame_.LinksSearch = nullptr;
    if (TVolgaTable* t = data_.LinksTable) {
        try {
            if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
            t->SetFiltered(false);
        } catch (...) {
            // A table that cannot rebuild its view is shown again by the next window.
        }
    }
}

TVolgaTable& TLinksChildForm::Links() const { return *data_.LinksTable; }

LinkTables TLinksChildForm::Tables() const {
    return {*data_.LinksTable, *data_.LinksTypeTable, data_.LockFileName(TableId::Links),
            data_.LockFileName(TableId::LinksType), *frame_.Locks, frame_.NetworkMode, frame_.UserPrefix};
}

void TLinksChildForm::BuildControls() {
    Label1 = MakeControl<TLabel>(this, this, "Label1");
    Label2 = MakeControl<TLabel>(this, this, "Label2");
    Label3 = MakeControl<TLabel>(this, this, "Label3");
    Label4 = MakeControl<TLabel>(this, this, "Label4");
    Label5 = MakeControl<TLabel>(this, this, "Label5");
    for (TLabel* l : {Label1, Label2, Label3, Label4, Label5}) l->SetFont({"", 0, clWindowText, fsBold});
    auto edit = [&](const char* name, const char* field) {
        auto* e = MakeControl<TDBEdit>(this, this, name);
        e->SetDataSource(data_.LinksSource);
        e->SetDataField(field);
        e->SetColor(clAqua);
        return e;
    };
    DBEdit1 = edit("DBEdit1", "Name");
    DBEdit2 = edit("DBEdit2", "Type");
    DBEdit3 = edit("DBEdit3", "Note");
    DBEdit4 = edit("DBEdit4", "Path");
    Bevel1 = MakeControl<TBevel>(this, this, "Bevel1");
    Image1 = MakeControl<TImage>(this, this, "Image1");
    Image1->SetStretch(true);
    Image1->SetProportional(true);
    TypeComboBox = MakeControl<TComboBox>(this, this, "TypeComboBox");
    TypeComboBox->SetStyle(TComboBoxStyle::csDropDownList);
    TypeComboBox->OnSelect = [this](TComponent*) { TypeComboBoxClick(); };
    EditTypeButton = MakeControl<TButton>(this, this, "EditTypeButton");
    EditTypeButton->SetCaption("<<");
    EditTypeButton->Hide();
    EditTypeButton->OnClick = [this](TComponent*) { EditTypeButtonClick(); };
    KvDBLookupCombo1 = MakeControl<TKvDBLookupCombo>(this, this, "KvDBLookupCombo1");
    KvDBLookupCombo1->SetLookupSource(data_.LinksTypeSource);
    KvDBLookupCombo1->SetLookupField("LinksType");
    KvDBLookupCombo1->SetDropDownCount(8);
    KvDBLookupCombo1->Hide();
    KvDBLookupCombo1->OnChange = [this](TComponent*) { KvDBLookupCombo1Change(); };

    PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1");
    auto sheet = [&](const char* name) {
        auto* s = MakeControl<TTabSheet>(this, PageControl1, name);
        s->SetPageControl(PageControl1);
        return s;
    };
    TabSheet1 = sheet("TabSheet1");
    TabSheet2 = sheet("TabSheet2");
    PageControl1->OnChange = [this](TComponent*) { PageControl1Change(); };

    TreeView1 = MakeControl<TTreeView>(this, TabSheet1, "TreeView1");
    TreeView1->SetReadOnly(true);
    TreeView1->SetColor(clInfoBk);
    TreeView1->OnChange = [this](TComponent*, TTreeNode*) { TreeView1Click(); };
    LinksListView = MakeControl<TListView>(this, TabSheet1, "LinksListView");
    LinksListView->SetViewStyle(TViewStyle::vsReport);
    LinksListView->SetColor(clInfoBk);
    LinksListView->SetShowHint(true);
    LinksListView->SetMultiSelect(!frame_.NetworkMode);
    for (auto [caption, width] : {std::pair{"Name", 150}, {"Path", 300}, {"Type", 80}, {"N", 1}})
        LinksListView->AddColumn(caption, width);
    auto* list = static_cast<QTreeWidget*>(LinksListView->Widget());
    list->setColumnHidden(3, true); // the record key, by which a row finds its link
    list->setIconSize(QSize(16, 16));
    LinksListView->OnSelectItem = [this](TComponent*, TListItem*, bool selected) {
        if (selected) LinksListViewClick();
    };
    auto* split = new QSplitter(Qt::Horizontal, TabSheet1->Widget());
    split->addWidget(TreeView1->Widget());
    split->addWidget(LinksListView->Widget());
    split->setStretchFactor(1, 1);
    split->setSizes({150, 520});
    auto* listBox = new QVBoxLayout(TabSheet1->Widget());
    listBox->setContentsMargins(2, 2, 2, 2);
    listBox->addWidget(split);

    DBGrid1 = MakeControl<TDBGrid>(this, TabSheet2, "DBGrid1");
    DBGrid1->SetDataSource(data_.LinksSource);
    for (auto [field, width] : {std::pair{"Name", 150}, {"Type", 150}, {"Path", 200}, {"Note", 200}}) {
        TColumn& c = DBGrid1->Columns().Add();
        c.SetFieldName(field);
        c.SetWidth(width);
    }
    DBGrid1->OnCellClick = [this](TComponent*, TColumn&) { DBGrid1CellClick(); };
    auto* gridBox = new QVBoxLayout(TabSheet2->Widget());
    gridBox->setContentsMargins(2, 2, 2, 2);
    gridBox->addWidget(DBGrid1->Widget());

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    auto item = [&](const char* name) { return AddMenuItem(this, PopupMenu1->Items(), name); };
    EditlinksMenuPopup = item("EditlinksMenuPopup");
    DelMenuLinksPopup = item("DelMenuLinksPopup");
    AddToTaskPopup = item("AddToTaskPopup");
    RunLinkPopup = item("RunLinkPopup");
    Separator1 = item("Separator1");
    Separator1->SetCaption("-");
    EditFileTypePopup = item("EditFileTypePopup");
    DeleteFileTypePopup = item("DeleteFileTypePopup");
    NewFileTypePopou = item("NewFileTypePopou");
    // The link items ask the frame for its commands, which it runs when they are on.
    EditlinksMenuPopup->OnClick = [this](TComponent*) { Request(Command::Edit); };
    DelMenuLinksPopup->OnClick = [this](TComponent*) { Request(Command::Delete); };
    AddToTaskPopup->OnClick = [this](TComponent*) { Request(Command::AddToTask); };
    RunLinkPopup->OnClick = [this](TComponent*) { Request(Command::RunLink); };
    EditFileTypePopup->OnClick = [this](TComponent*) { EditFileTypePopupClick(); };
    DeleteFileTypePopup->OnClick = [this](TComponent*) { DeleteFileTypePopupClick(); };
    NewFileTypePopou->OnClick = [this](TComponent*) { NewFileTypePopouClick(); };
    // The link items show the pictures of the frame's commands they ask for.
    const TImageList& pictures = DataModuleParts().ImageList1;
    for (auto [item, picture] : {std::pair{EditlinksMenuPopup, int(imgEdit)}, {DelMenuLinksPopup, int(imgDelete)},
                                 {AddToTaskPopup, int(imgAddToTask)}, {RunLinkPopup, int(imgRunLink)}})
        if (picture < pictures.Count()) item->SetBitmap(TBitmap(pictures.GetImage(picture)));
    TreeView1->SetPopupMenu(PopupMenu1);
    LinksListView->SetPopupMenu(PopupMenu1);
    // A link changes only between Edit and Save: a key typed into a box or a cell at another
    // time would change the table outside its writer.
    SetFieldsReadOnly(true);

    // Name, icon and type filter on top, type and note below, the path across, the pages under.
    auto* top = new QGridLayout;
    top->setHorizontalSpacing(6);
    top->setVerticalSpacing(2);
    top->addWidget(Label1->Widget(), 0, 0, 1, 3);
    top->addWidget(DBEdit1->Widget(), 1, 0, 1, 3);
    Bevel1->Widget()->setFixedSize(40, 40);
    Image1->Widget()->setFixedSize(32, 32);
    top->addWidget(Bevel1->Widget(), 0, 3, 2, 1, Qt::AlignCenter);
    top->addWidget(Image1->Widget(), 0, 3, 2, 1, Qt::AlignCenter);
    top->addWidget(Label5->Widget(), 0, 4);
    top->addWidget(TypeComboBox->Widget(), 1, 4);
    top->addWidget(Label2->Widget(), 2, 0);
    top->addWidget(Label3->Widget(), 2, 2);
    top->addWidget(DBEdit2->Widget(), 3, 0);
    top->addWidget(KvDBLookupCombo1->Widget(), 3, 0);
    EditTypeButton->Widget()->setFixedWidth(28);
    top->addWidget(EditTypeButton->Widget(), 3, 1);
    top->addWidget(DBEdit3->Widget(), 3, 2, 1, 3);
    top->addWidget(Label4->Widget(), 4, 0);
    top->addWidget(DBEdit4->Widget(), 5, 0, 1, 5);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(2, 3);
    top->setColumnMinimumWidth(4, 145);
    auto* all = new QVBoxLayout(ClientWidget());
    all->setContentsMargins(6, 6, 6, 6);
    all->addLayout(top);
    all->addWidget(PageControl1->Widget(), 1);
}

// ---- creation, showing, closing ----

void TLinksChildForm::FormCreate() {
    frame_.ActiveModule = LinksModule;
    Progress(0);
    if (TForm* main = Application().MainForm()) Application().SetHelpFile(main->HelpFile());
    // The grid's marked rows feed the frame's delete of several links; in network mode one
    // link is written at a time.
    TDBGridOptions options = DBGrid1->Options();
    options = frame_.NetworkMode ? (options & ~TDBGridOptions(dgMultiSelect)) : (options | dgMultiSelect);
    DBGrid1->SetOptions(options);
}

void TLinksChildForm::SetTexts() {
    SetMessageCaption(*Label1, MessageId::Name);
    SetMessageCaption(*Label2, MessageId::Type);
    SetMessageCaption(*Label3, MessageId::Note);
    SetMessageCaption(*Label4, MessageId::Path);
    SetMessageCaption(*Label5, MessageId::Display);
    const int titles[] = {MessageId::Name, MessageId::Type, MessageId::Path, MessageId::Note};
    for (int i = 0; i < 4; ++i) DBGrid1->Columns()[i].SetTitleCaption(GetMessageText(titles[i]));
    LinksListView->Columns(0)->SetCaption(GetMessageText(MessageId::Name));
    LinksListView->Columns(1)->SetCaption(GetMessageText(MessageId::Path));
    LinksListView->Columns(2)->SetCaption(GetMessageText(MessageId::Type));
    ApplyCaptions(*this, "TLinksChildForm", Language());
}

void TLinksChildForm::FillTypeCombo() {
    // The type picked stays picked while it is there: the links shown stay those of that type.
    const std::string picked = TypeComboBox->ItemIndex() > 0 ? TypeComboBox->Text() : std::string();
    TypeComboBox->Items().Clear();
    TypeComboBox->Items().Add(GetMessageText(MessageId::AllModules));
    if (TVolgaTable* types = data_.LinksTypeTable; types && types->Active()) {
        types->SetFiltered(false);
        for (types->First(); !types->Eof(); types->Next()) TypeComboBox->Items().Add(types->FieldByName("LinksType").AsString());
    }
    int again = -1;
    for (int i = 1; i < TypeComboBox->Items().Count() && !picked.empty() && again < 0; ++i)
        if (TypeComboBox->Items()[i] == picked) again = i;
    TypeComboBox->SetItemIndex(again > 0 ? again : 0);
    // A picked type that is gone filters no more: "All" shows every link.
    if (!picked.empty() && again <= 0 && !treePick_ && !editing_ && Links().Active() && Links().Filtered() &&
        !frame_.Filters.LinksFilterActive)
        Links().SetFiltered(false);
}

void TLinksChildForm::Progress(int position) {
    if (frame_.Frame) frame_.Frame->SetProgress(position);
}

void TLinksChildForm::FormShow() {
    Progress(20);
    SetTexts();
    Progress(40);
    FillTypeCombo();
    Progress(70);
    StateChanged();
    Progress(80);
    ApplyLook();
    Progress(90);
    PageControl1->SetActivePageIndex(Settings(frame_).Nastavenia[Slot::LinksPage] == 1 ? 1 : 0);
    PageControl1Change();
    // The icon of the link the boxes show, where the list left the table.
    SetDataLinks();
    StateChanged();
    Progress(100);
}

void TLinksChildForm::AktualizeData() {
    FillTypeCombo();
    PageControl1Change();
    SetDataLinks();
}

void TLinksChildForm::FormClose(TCloseAction& action) {
    action = TCloseAction::caFree;
    if (Links().State() == dsEdit || Links().State() == dsInsert) Links().Cancel();
}

// ---- look ----

std::array<TLinksChildForm::LookPart, 3> TLinksChildForm::LookParts() const {
    return {{{DBEdit1, Slot::LinksNameBack, Slot::LinksNameFontColor, Slot::LinksNameFontSize, Slot::LinksNameStyle,
              TextSlot::LinksNameFontName},
             {DBEdit2, Slot::LinksTypeBack, Slot::LinksTypeFontColor, Slot::LinksTypeFontSize, Slot::LinksTypeStyle,
              TextSlot::LinksTypeFontName},
             {DBGrid1, Slot::LinksGridBack, Slot::LinksGridFontColor, Slot::LinksGridFontSize, Slot::LinksGridStyle,
              TextSlot::LinksGridFontName}}};
}

void TLinksChildForm::ApplyLook() {
    const SettingsStore& s = Settings(frame_);
    for (const LookPart& p : LookParts()) {
        p.control->SetColor(TColor(static_cast<uint32_t>(s.Nastavenia[size_t(p.back)])));
        TFont font = p.control->Font();
        font.Color = TColor(static_cast<uint32_t>(s.Nastavenia[size_t(p.fontColor)]));
        if (s.Nastavenia[size_t(p.size)] > 0) font.Size = s.Nastavenia[size_t(p.size)];
        if (auto style = StyleOfCode(s.Nastavenia[size_t(p.style)])) font.Style = *style;
        if (const std::string& name = s.NastaveniaText[size_t(p.name)]; !name.empty()) font.Name = name;
        p.control->SetFont(font);
    }
    KvDBLookupCombo1->SetColor(DBEdit2->Color());
    // The note and path boxes look like the type box, at their own size.
    SpreadTypeLook(true, true);
}

void TLinksChildForm::SpreadTypeLook(bool colour, bool font) {
    for (TControl* c : {static_cast<TControl*>(DBEdit3), static_cast<TControl*>(DBEdit4), static_cast<TControl*>(KvDBLookupCombo1)}) {
        if (colour) c->SetColor(DBEdit2->Color());
        if (font) {
            TFont f = DBEdit2->Font();
            f.Size = c->Font().Size;
            c->SetFont(f);
        }
    }
}

void TLinksChildForm::UlozDoPola() {
    SettingsStore& s = Settings(frame_);
    for (const LookPart& p : LookParts()) {
        const TFont font = p.control->Font();
        s.Nastavenia[size_t(p.back)] = static_cast<int>(p.control->Color());
        s.Nastavenia[size_t(p.fontColor)] = static_cast<int>(font.Color);
        s.Nastavenia[size_t(p.size)] = font.Size;
        if (auto code = StyleCodeOf(font.Style)) s.Nastavenia[size_t(p.style)] = *code;
        s.NastaveniaText[size_t(p.name)] = font.Name;
    }
}

void TLinksChildForm::VymenColor() {
    TColorDialog& dialog = DataModuleParts().ColorDialog1;
    if (dialog.Execute()) DBEdit2->SetColor(dialog.Color);
    SpreadTypeLook(true, false);
}

void TLinksChildForm::VymenFont() {
    TFontDialog& dialog = DataModuleParts().FontDialog1;
    auto restore = OnScopeExit([&dialog] { dialog.MaxFontSize = kDialogFontLimit; });
    dialog.MaxFontSize = kTypeFontLimit;
    dialog.Font = DBEdit2->Font();
    if (dialog.Execute()) DBEdit2->SetFont(dialog.Font);
    SpreadTypeLook(false, true);
}

// ---- lists ----

void TLinksChildForm::PageControl1Change() {
    SettingsStore& s = Settings(frame_);
    if (PageControl1->ActivePageIndex() != 0) {
        s.Nastavenia[Slot::LinksPage] = 1;
        return;
    }
    s.Nastavenia[Slot::LinksPage] = 0;
    // A link typed in place would be posted by the list's walk through the table.
    if (editing_) return;
    // The selected type survives the rebuild when it is still there.
    const std::optional<LinkTypeKey> selected = SelectedTypeKey();
    TreeView1->Clear();
    typeKeys_.clear();
    auto* tree = TreeView1->Widget();
    tree->setUpdatesEnabled(false);
    TTreeNode* all = TreeView1->AddChild(nullptr, GetMessageText(MessageId::AllLinks));
    TTreeNode* reselect = nullptr;
    if (TVolgaTable* types = data_.LinksTypeTable; types && types->Active()) {
        types->SetFiltered(false);
        for (types->First(); !types->Eof(); types->Next()) {
            LinkTypeKey key{types->FieldByName("Number").AsString(), types->FieldByName("LinksType").AsString()};
            TTreeNode* node = TreeView1->AddChild(nullptr, key.Name);
            if (selected && selected->Number == key.Number && selected->Name == key.Name) reselect = node;
            typeKeys_.push_back(std::move(key));
        }
    }
    // "All links" and each type with their pictures; a type's folder opens while it is picked.
    auto* items = static_cast<QTreeWidget*>(tree);
    const QIcon typeIcon = LinkTypeNodeIcon();
    for (int i = 0; i < items->topLevelItemCount(); ++i)
        items->topLevelItem(i)->setIcon(0, i == 0 ? AllLinksNodeIcon() : typeIcon);
    tree->setUpdatesEnabled(true);
    {
        // Selecting the node again must not run the click handler, which would reload again.
        auto handler = std::move(TreeView1->OnChange);
        TreeView1->OnChange = nullptr;
        auto restore = OnScopeExit([&] { TreeView1->OnChange = std::move(handler); });
        TreeView1->SetSelected(reselect ? reselect : all);
    }
    // The type picked in the tree keeps filtering under its name of now, or no more when gone.
    if (treePick_) treePick_ = reselect ? std::optional<std::string>(reselect->Text()) : std::nullopt;
    if (!reselect && Links().Filtered() && !frame_.Filters.LinksFilterActive && TypeComboBox->ItemIndex() <= 0)
        Links().SetFiltered(false);
    LoadLinkList();
}

void TLinksChildForm::LoadLinkList() {
    if (editing_) return;
    auto* list = static_cast<QTreeWidget*>(LinksListView->Widget());
    list->setUpdatesEnabled(false);
    auto enable = OnScopeExit([list] { list->setUpdatesEnabled(true); });
    LinksListView->Clear();
    listCodes_.clear();
    TVolgaTable& t = Links();
    if (!t.Active()) return;
    LinkIconCache& icons = ProgramLinkIcons();
    const QBrush even(QtColor(kEvenRowColor));
    t.DisableControls();
    auto controls = OnScopeExit([&t] { t.EnableControls(); });
    TField& name = t.FieldByName("Name");
    TField& path = t.FieldByName("Path");
    TField& type = t.FieldByName("Type");
    TField& number = t.FieldByName("Number");
    // The rows are made apart and added at once: the view lays itself out once, not once a row.
    // Icons come from the path's text (the file system is never asked here) and are shared by
    // key, so each row costs one look in a small cache.
    QList<QTreeWidgetItem*> rows;
    rows.reserve(t.RecordCount());
    std::string lastKey;
    const QIcon* lastIcon = nullptr;
    for (t.First(); !t.Eof(); t.Next()) {
        const std::string p = path.AsString();
        QTreeWidgetItem* w = LinksListView->NewItem();
        w->setText(0, QString::fromStdString(name.AsString()));
        w->setText(1, QString::fromStdString(p));
        w->setText(2, QString::fromStdString(type.AsString()));
        std::string code = number.AsString();
        w->setText(3, QString::fromStdString(code));
        listCodes_.push_back(std::move(code));
        std::string key = LinkIconCache::KeyOf(p);
        if (!lastIcon || key != lastKey) {
            lastIcon = &icons.IconOfKey(key);
            lastKey = std::move(key);
        }
        w->setIcon(0, *lastIcon);
        // Rows alternate yellow and the list's colour, starting with yellow.
        if (rows.size() % 2 == 0)
            for (int c = 0; c < 3; ++c) w->setBackground(c, even);
        rows.append(w);
    }
    list->addTopLevelItems(rows);
}

void TLinksChildForm::SetDataLinks() {
    TVolgaTable& t = Links();
    if (!t.Active() || t.IsEmpty()) return;
    const std::string path = t.FieldByName("Path").AsString();
    // One path, looked at on the disk where its text leaves the kind open.
    currentIconKey_ = LinkIconCache::KeyOnDisk(path);
    Image1->SetPicture(ProgramLinkIcons().IconOfKey(currentIconKey_).pixmap(32, 32).toImage());
}

void TLinksChildForm::LinksListViewClick() {
    TListItem* item = LinksListView->Selected();
    // A click beside every row selects nothing: the current link stays.
    if (!item) {
        SetListHint("");
        return;
    }
    if (editing_) return;
    const int index = item->Index();
    const std::string code = index >= 0 && index < int(listCodes_.size()) ? listCodes_[size_t(index)] : std::string();
    if (code.empty() || !Links().Locate("Number", Variant(code), 0)) {
        SetListHint("");
    } else {
        TVolgaTable& t = Links();
        SetListHint(t.FieldByName("Name").AsString() + "\r\n" + t.FieldByName("Type").AsString() + "\r\n" +
                    t.FieldByName("Path").AsString());
    }
    SetDataLinks();
}

void TLinksChildForm::SetListHint(const std::string& hint) {
    // Names are the user's own text: a "<" or a "|" in one is shown as typed, with every field
    // after it (the hint of a control is cut at "|", and Qt reads "<" as the start of a tag).
    QWidget* list = LinksListView->Widget();
    list->setStatusTip(QString::fromStdString(hint));
    const QString tip = PlainTextToolTip(hint);
    list->setToolTip(tip);
    auto* tree = static_cast<QTreeWidget*>(list);
    if (QTreeWidgetItem* item = tree->currentItem())
        for (int c = 0; c < tree->columnCount(); ++c) item->setToolTip(c, tip);
}

std::string TLinksChildForm::ListHintText() const { return LinksListView->Widget()->statusTip().toStdString(); }

void TLinksChildForm::WithFilterTypeFixed(const std::function<void()>& rebuild) {
    fixedAnswers_.reset();
    fixedAnswers_ = FilterAnswers{TypeComboBoxText(), SelectedTopLevelType()};
    auto release = OnScopeExit([this] { fixedAnswers_.reset(); });
    rebuild();
}

std::string TLinksChildForm::TypeComboBoxText() const {
    if (fixedAnswers_) return fixedAnswers_->comboText;
    // A type picked in the tree goes on filtering on the Survey page and through refreshes.
    if (treePick_) return *treePick_;
    return TypeComboBox->Text();
}

std::optional<std::string> TLinksChildForm::SelectedTopLevelType() const {
    if (fixedAnswers_) return fixedAnswers_->topLevelType;
    if (std::optional<LinkTypeKey> key = SelectedTypeKey()) return key->Name;
    return std::nullopt;
}

std::optional<LinkTypeKey> TLinksChildForm::SelectedTypeKey() const {
    TTreeNode* node = TreeView1->Selected();
    if (!node || node->Level() != 0) return std::nullopt;
    const int index = node->Index();
    // Node 0 is "All links", no type.
    if (index <= 0 || index > int(typeKeys_.size())) return std::nullopt;
    return typeKeys_[size_t(index - 1)];
}

void TLinksChildForm::TypeComboBoxClick() {
    if (editing_) return;
    treePick_.reset();
    TVolgaTable& t = Links();
    t.SetFiltered(false);
    if (TypeComboBox->ItemIndex() > 0) WithFilterTypeFixed([&t] { t.SetFiltered(true); });
    LoadLinkList();
    SetDataLinks();
}

void TLinksChildForm::TreeView1Click() {
    TTreeNode* node = TreeView1->Selected();
    if (!node || editing_) return;
    treePick_.reset();
    if (node->Index() > 0) treePick_ = node->Text();
    TVolgaTable& t = Links();
    t.SetFiltered(false);
    if (node->Index() > 0) WithFilterTypeFixed([&t] { t.SetFiltered(true); });
    LoadLinkList();
    SetDataLinks();
}

void TLinksChildForm::TriedLinks(const std::string& fieldName) {
    if (editing_) return;
    Links().SetIndexFieldNames(fieldName);
    WithFilterTypeFixed([this] { Links().RebuildView(false); });
    PageControl1Change();
}

std::vector<std::string> TLinksChildForm::SelectedRecordCodes() const {
    std::vector<std::string> codes;
    if (PageControl1->ActivePageIndex() == 0) {
        for (int i = 0; i < LinksListView->ItemCount(); ++i)
            if (LinksListView->Items(i)->Selected() && i < int(listCodes_.size())) codes.push_back(listCodes_[size_t(i)]);
        return codes;
    }
    TVolgaTable& t = *data_.LinksTable;
    const TBookmark here = t.IsEmpty() ? TBookmark() : t.GetBookmark();
    TBookmarkList& marked = DBGrid1->SelectedRows();
    for (int i = 0; i < marked.Count(); ++i) {
        const TBookmark& b = marked.Items(i);
        if (!t.BookmarkValid(b)) continue;
        t.GotoBookmark(b);
        codes.push_back(t.FieldByName("Number").AsString());
    }
    if (!here.empty() && t.BookmarkValid(here)) t.GotoBookmark(here);
    return codes;
}

// ---- commands ----

RecordBarState TLinksChildForm::State(const ModuleContext& c) const {
    RecordBarState s = RecordBarFor({LinksModule, true, c.Offline, c.CategoriesOn, c.HasDialog, editing_, false});
    // Adding to tasks needs a link and the task editor.
    s.AddToTask = s.AddToTask && static_cast<bool>(OpenTaskEditor) && !editing_;
    s.RunLink = s.RunLink && !editing_;
    s.Insert = s.Insert && static_cast<bool>(OpenNewLinkDialog);
    // While a link is typed in place nothing else moves or writes the links table: a move
    // would post the typed row, and Cancel could no longer put it back.
    if (editing_) s.Find = s.Filter = s.Refresh = s.Capture = s.Import = s.Export = s.ChangeUser = false;
    return s;
}

void TLinksChildForm::Run(Command command) {
    TVolgaTable& t = Links();
    switch (command) {
    case Command::First: t.First(); SetDataLinks(); break;
    case Command::Prior: t.Prior(); SetDataLinks(); break;
    case Command::Next: t.Next(); SetDataLinks(); break;
    case Command::Last: t.Last(); SetDataLinks(); break;
    case Command::Insert:
        if (!OpenNewLinkDialog) return;
        frame_.LinkEditMode = false;
        OpenNewLinkDialog();
        break;
    case Command::Edit:
        if (t.IsEmpty()) return;
        if (frame_.NetworkMode) {
            // In network mode the link is typed in the dialog while nothing is locked.
            if (!OpenNewLinkDialog) return;
            frame_.LinkEditMode = true;
            auto clear = OnScopeExit([this] { frame_.LinkEditMode = false; });
            OpenNewLinkDialog();
        } else {
            t.Edit();
            editing_ = true;
            SetFieldsReadOnly(false);
            frame_.LinkEditMode = true;
            EditTypeButton->Show();
            if (DBEdit1->CanFocus()) DBEdit1->SetFocus();
        }
        break;
    case Command::Post:
        if (editing_) {
            PostLinkInPlace(Tables());
            EndEdit();
            PageControl1Change();
            SetDataLinks();
        }
        break;
    case Command::Cancel:
        if (t.State() == dsEdit || t.State() == dsInsert) t.Cancel();
        EndEdit();
        break;
    case Command::Refresh:
        t.Refresh();
        if (data_.LinksTypeTable) data_.LinksTypeTable->Refresh();
        AktualizeData();
        SetDataLinks();
        break;
    case Command::Filter:
        RunRegisteredDialog("TFilterForm");
        break;
    case Command::FilterOff:
        t.SetFiltered(false);
        t.SetFilterText("");
        frame_.Filters.LinksFilterActive = false;
        PageControl1Change();
        break;
    case Command::AddToTask: AddToTask(); break;
    case Command::RunLink: RunLink(); break;
    default: return;
    }
    StateChanged();
}

void TLinksChildForm::SetFieldsReadOnly(bool on) {
    for (TDBEdit* e : {DBEdit1, DBEdit2, DBEdit3, DBEdit4}) e->SetReadOnly(on);
    DBGrid1->SetReadOnly(on);
    // What would move the table or write it waits for the edit's end: the type choice, the
    // tree and the list, the other page, and the type commands of the pop-up menu.
    for (TControl* c : {static_cast<TControl*>(TypeComboBox), static_cast<TControl*>(TreeView1),
                        static_cast<TControl*>(LinksListView)})
        c->SetEnabled(on);
    static_cast<QTabWidget*>(PageControl1->Widget())->tabBar()->setEnabled(on);
    for (TMenuItem* item : {EditFileTypePopup, DeleteFileTypePopup, NewFileTypePopou}) item->SetEnabled(on);
}

void TLinksChildForm::EndEdit() {
    editing_ = false;
    SetFieldsReadOnly(true);
    frame_.LinkEditMode = false;
    EditTypeButton->Hide();
    KvDBLookupCombo1->Hide();
}

void TLinksChildForm::RunLink() {
    TVolgaTable& t = Links();
    if (!t.Active() || t.IsEmpty()) return;
    const std::string path = t.FieldByName("Path").AsString();
    if (!path.empty() && ShellOpenFile(path, "", "", kShowNormal) > kShellSuccess) return;
    ShowMessageBox(GetMessageText(MessageId::LinkCannotOpen) + path, Application().Title(),
                   MB_OK | MB_ICONWARNING);
}

void TLinksChildForm::AddToTask() {
    TVolgaTable& t = Links();
    if (!OpenTaskEditor || !t.Active() || t.IsEmpty()) return;
    OpenTaskEditor(t.FieldByName("Name").AsString(), t.FieldByName("Path").AsString());
}

void TLinksChildForm::FormKeyDown(uint16_t& key) {
    // A link being typed keeps its place.
    if (editing_) return;
    if (key != VK_UP && key != VK_DOWN) return;
    if (DBGrid1->Focused() && DBEdit1->CanFocus()) DBEdit1->SetFocus();
    Request(key == VK_UP ? Command::Prior : Command::Next);
}

void TLinksChildForm::EditTypeButtonClick() {
    KvDBLookupCombo1->Show();
    KvDBLookupCombo1->SetFocus();
}

void TLinksChildForm::KvDBLookupCombo1Change() {
    if (KvDBLookupCombo1->Value() != KvDBLookupCombo1->EmptyValue()) {
        TVolgaTable& t = Links();
        if (t.State() != dsEdit && t.State() != dsInsert) t.Edit();
        t.FieldByName("Type").SetAsString(KvDBLookupCombo1->Text());
    }
    KvDBLookupCombo1->Hide();
}

// ---- link types ----

bool TLinksChildForm::AskLinkType(std::string& text) {
    TSourceDatForm form(nullptr, data_.AddressTable,
                        Settings(frame_).NastaveniaText[TextSlot::LinksAddressField]);
    form.LinkTypeNoPrefill = false;
    form.LinkTypeText = text;
    if (form.ShowModal() != mrOk) return false;
    text = form.LinkTypeText;
    return true;
}

void TLinksChildForm::NewFileTypePopouClick() {
    if (editing_) return;
    std::string text;
    if (!AskLinkType(text) || text.empty()) return;
    if (AddLinkType(Tables(), text)) AktualizeData();
}

void TLinksChildForm::EditFileTypePopupClick() {
    if (editing_) return;
    const std::optional<LinkTypeKey> key = SelectedTypeKey();
    if (!key) return;
    std::string text = key->Name;
    if (!AskLinkType(text) || text.empty() || text == key->Name) return;
    RenameLinkType(Tables(), *key, text);
    AktualizeData();
}

void TLinksChildForm::DeleteFileTypePopupClick() {
    if (editing_) return;
    const std::optional<LinkTypeKey> key = SelectedTypeKey();
    if (!key) return;
    // Asked before any lock is taken: nobody waits on an open question.
    if (ShowMessageBox(GetMessageText(MessageId::DeleteRecord), GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    DeleteLinkType(Tables(), *key);
    AktualizeData();
}

} // namespace kvz
