// The standard controls keep what they show in their widgets and raise their events for what
// the user does.
#include "forms/FormsTesting.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QMimeData>
#include <QUrl>

#include <stdexcept>
#include <string>
#include <vector>

namespace kvz {
namespace {

using testing::FormsTest;

TEST_F(FormsTest, EditsTakeWhatTheirPropertiesAllow) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    form.Show();
    int changes = 0;
    edit->OnChange = [&](TComponent*) { ++changes; };

    edit->SetCharCase(TEditCharCase::ecUpperCase);
    testing::TypeText(edit->Widget(), "nove");
    EXPECT_EQ(edit->Text(), "NOVE");
    EXPECT_TRUE(edit->Modified());

    edit->SetReadOnly(true);
    testing::TypeText(edit->Widget(), "x");
    EXPECT_EQ(edit->Text(), "NOVE");

    // The widget's text is the control's, in the control's case however it came.
    static_cast<QLineEdit*>(edit->Widget())->setText("set elsewhere");
    EXPECT_EQ(edit->Text(), "SET ELSEWHERE");
    EXPECT_EQ(changes, 5);
    edit->SetMaxLength(0);
    EXPECT_EQ(edit->MaxLength(), 0);
}

TEST_F(FormsTest, ComboBoxesTellTheUsersChoiceAndNotTheProgramsOwn) {
    TForm form(nullptr);
    auto* combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->SetStyle(TComboBoxStyle::csDropDownList);
    std::vector<std::string> changes;
    combo->OnChange = [&](TComponent*) { changes.push_back(combo->Text()); };
    int tag = 7;
    combo->Items().Add("Praha");
    combo->Items().AddObject("Bratislava", &tag);
    combo->Items().Add("Brno");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "Bratislava");
    EXPECT_EQ(combo->Items().Objects(1), &tag);
    EXPECT_TRUE(changes.empty());

    auto* widget = static_cast<QComboBox*>(combo->Widget());
    widget->setCurrentIndex(2);
    emit widget->activated(2);
    EXPECT_EQ(changes, std::vector<std::string>{"Brno"});

    combo->SetSorted(true);
    EXPECT_EQ(combo->Items().ToVector(), (std::vector<std::string>{"Bratislava", "Brno", "Praha"}));
    EXPECT_EQ(combo->Text(), "Brno");
    EXPECT_EQ(combo->Items().Objects(0), &tag);
    EXPECT_EQ(combo->Items().IndexOf("PRAHA"), 2);
}

TEST_F(FormsTest, MemoLinesAreTheWidgetsTextAndTheLimitHolds) {
    TMemo memo(nullptr);
    memo.Lines().Add("first");
    memo.Lines().Add("druhý");
    EXPECT_EQ(memo.Text(), "first\ndruhý");
    EXPECT_EQ(memo.Lines().Count(), 2);
    memo.Lines().Delete(0);
    EXPECT_EQ(memo.Lines().ToVector(), std::vector<std::string>{"druhý"});
    memo.Lines().SetText("a\r\nb\r\n");
    EXPECT_EQ(memo.Lines().ToVector(), (std::vector<std::string>{"a", "b"}));
    // An empty last line is a line: it stays one through the list's changes.
    memo.Lines().Assign(std::vector<std::string>{"a", "b", ""});
    EXPECT_EQ(memo.Lines().ToVector(), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(memo.Lines().Text(), "a\nb\n\n");
    memo.Lines().Put(0, "c");
    EXPECT_EQ(memo.Lines().ToVector(), (std::vector<std::string>{"c", "b", ""}));
    memo.SetMaxLength(5);
    memo.Lines().SetText("a");
    static_cast<QPlainTextEdit*>(memo.Widget())->insertPlainText("cdefgh");
    EXPECT_EQ(memo.Text().size(), 5u);
}

TEST_F(FormsTest, ButtonsOfStateFollowClicksAndSettings) {
    TForm form(nullptr);
    auto* check = new TCheckBox(&form);
    auto* radios = new TRadioGroup(&form);
    check->SetParent(&form);
    radios->SetParent(&form);
    int checkClicks = 0, radioClicks = 0;
    check->OnClick = [&](TComponent*) { ++checkClicks; };
    radios->OnClick = [&](TComponent*) { ++radioClicks; };
    check->SetChecked(true);
    EXPECT_EQ(check->State(), TCheckBoxState::cbChecked);
    EXPECT_EQ(checkClicks, 1);

    radios->Items().SetText("Local\nNetwork\nServer\n");
    radios->SetColumns(2);
    EXPECT_EQ(radios->ItemIndex(), -1);
    static_cast<QAbstractButton*>(radios->Buttons(2))->click();
    EXPECT_EQ(radios->ItemIndex(), 2);
    EXPECT_EQ(radioClicks, 1);
    radios->SetItemIndex(-1);
    EXPECT_EQ(radios->ItemIndex(), -1);
    radios->Items().Delete(0);
    EXPECT_EQ(radios->Items().ToVector(), (std::vector<std::string>{"Network", "Server"}));
}

TEST_F(FormsTest, PageControlsLetAHandlerRefuseTheUsersChangeOfPage) {
    TForm form(nullptr);
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    auto* first = new TTabSheet(&form);
    auto* second = new TTabSheet(&form);
    first->SetCaption("&Address");
    first->SetPageControl(pages);
    second->SetPageControl(pages);
    second->SetCaption("Notes");
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(second->Caption(), "Notes");
    EXPECT_EQ(static_cast<QTabWidget*>(pages->Widget())->tabText(1), "Notes");
    bool allow = false;
    int changes = 0;
    pages->OnChanging = [&](TComponent*, bool& a) { a = allow; };
    pages->OnChange = [&](TComponent*) { ++changes; };
    auto* tabs = static_cast<QTabWidget*>(pages->Widget());
    tabs->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(pages->ActivePage(), first);
    allow = true;
    tabs->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_EQ(changes, 1);
    pages->SetActivePage(first);
    EXPECT_EQ(changes, 1);
    second->SetParent(nullptr);
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(second->Caption(), "Notes");
}

TEST_F(FormsTest, TreesAndListsHandOutTheirItemsAsNodesAndRows) {
    TTreeView tree(nullptr);
    TTreeNode* root = tree.AddChild(nullptr, "Projects");
    TTreeNode* child = tree.AddChildObject(root, "Home", &tree);
    EXPECT_EQ(child->Parent(), root);
    EXPECT_EQ(child->Level(), 1);
    EXPECT_EQ(root->Item(0)->Data(), &tree);
    TTreeNode* changed = nullptr;
    tree.OnChange = [&](TComponent*, TTreeNode* node) { changed = node; };
    tree.SetSelected(child);
    EXPECT_EQ(changed, child);
    root->Delete();
    EXPECT_EQ(tree.TopCount(), 0);

    TListView list(nullptr);
    list.SetViewStyle(TViewStyle::vsReport);
    list.AddColumn("Name", 120);
    list.AddColumn("Phone", 80);
    TListItem* row = list.AddItem("Eva");
    row->AddSubItem("555 01");
    EXPECT_EQ(list.Columns(1)->Caption(), "Phone");
    EXPECT_EQ(list.Items(0)->SubItems(0), "555 01");
    row->SetSelected(true);
    EXPECT_EQ(list.Selected(), row);
}

TEST_F(FormsTest, UpDownCountsInItsEditWithinItsLimits) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    auto* updown = new TUpDown(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 40, 21);
    updown->SetMax(3);
    updown->SetAssociate(edit);
    EXPECT_EQ(updown->Left(), 50);
    EXPECT_EQ(edit->Text(), "0");
    edit->SetText("2");
    updown->Press(TUDBtnType::btNext);
    updown->Press(TUDBtnType::btNext);
    EXPECT_EQ(edit->Text(), "3");
    updown->SetWrap(true);
    updown->Press(TUDBtnType::btNext);
    EXPECT_EQ(updown->Position(), 0);
}

TEST_F(FormsTest, ScrollBoxesScrollToTheirControlsAndPaintWithoutComplaint) {
    static std::vector<std::string> warnings;
    warnings.clear();
    auto previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg) warnings.push_back(text.toStdString());
    });
    TForm form(nullptr);
    form.SetClientSize(200, 100);
    auto* box = new TScrollBox(&form);
    box->SetParent(&form);
    box->SetAlign(TAlign::alClient);
    auto* far = new TButton(&form);
    far->SetParent(box);
    far->SetBounds(10, 300, 75, 25);
    form.Show();
    EXPECT_GE(box->ClientWidget()->height(), 325);
    testing::SaveWindowPicture(form, "scroll_box");
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
}

TEST_F(FormsTest, StatusBarPanelsKeepTheirWidthsAndTheLastTakesTheRest) {
    TForm form(nullptr);
    form.SetClientSize(400, 100);
    auto* bar = new TStatusBar(&form);
    bar->SetParent(&form);
    bar->AddPanel(100)->SetText("Eva");
    bar->AddPanel(50)->SetText("NUM");
    form.Show();
    EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());
    EXPECT_EQ(bar->Panels(0)->Text(), "Eva");
    bar->SetSimplePanel(true);
    bar->SetSimpleText("Loading");
    EXPECT_EQ(bar->SimpleText(), "Loading");
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

TEST_F(FormsTest, DraggingBetweenControlsAndFromOtherPrograms) {
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    auto* target = new TEdit(&form);
    list->SetParent(&form);
    target->SetParent(&form);
    list->SetName("List");
    list->Items().Add("Eva");
    list->SetItemIndex(0);
    std::vector<std::string> log;
    target->OnDragOver = [&](TComponent*, const TDragObject& source, int, int, TDragState, bool& accept) {
        accept = source.Source == list || (source.Data && source.Data->hasUrls());
    };
    target->OnDragDrop = [&](TComponent*, const TDragObject& source, int, int) {
        if (source.Source == list) log.push_back("dropped " + list->Items()[list->ItemIndex()]);
        if (source.Source == nullptr) log.push_back("file " + source.Data->urls().value(0).toLocalFile().toStdString());
    };
    list->OnStartDrag = [&](TComponent*, QMimeData& data) { data.setText("Eva"); };
    list->OnEndDrag = [&](TComponent*, TComponent* where, int, int) { log.push_back(where == target ? "end on edit" : "end"); };

    TResponder responder;
    responder.OnDrag = [&](TControl& source, const QMimeData& data) {
        EXPECT_EQ(&source, list);
        EXPECT_EQ(data.text(), "Eva");
        return TDropAnswer{target, 3, 4};
    };
    list->BeginDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{"dropped Eva", "end on edit"}));

    // A file from the desktop: the events the window system sends.
    log.clear();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/card.vcf")});
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->Widget(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->Widget(), &drop);
    EXPECT_EQ(log, std::vector<std::string>{"file /tmp/card.vcf"});

    responder.OnDrag = nullptr;
    EXPECT_THROW(list->BeginDrag(true), std::logic_error);
}

TEST_F(FormsTest, TheClipboardCarriesTextPicturesAndTheProgramsOwnData) {
    Clipboard().SetAsText("Nový záznam");
    EXPECT_TRUE(Clipboard().HasText());
    EXPECT_EQ(Clipboard().AsText(), "Nový záznam");
    Clipboard().SetData("application/x-kvzirt-record", std::string("a\0b", 3));
    EXPECT_TRUE(Clipboard().HasFormat("application/x-kvzirt-record"));
    EXPECT_EQ(Clipboard().GetData("application/x-kvzirt-record"), std::string("a\0b", 3));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    Clipboard().SetPicture(picture);
    EXPECT_TRUE(Clipboard().HasPicture());
    EXPECT_EQ(Clipboard().Picture().pixelColor(1, 1), QColor(Qt::red));
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// Every standard control on one window, for a person to look at in each language.
TEST_F(FormsTest, TheStandardControlsInThreeLanguages) {
    struct Texts {
        const char *window, *general, *lists, *group, *check, *radio, *items, *label, *panel, *button;
    };
    const Texts languages[] = {
        {"Settings", "General", "Lists", "Options", "Autocreate backup", "Data folder", "Local\nNetwork\n", "&Name",
         "Ready", "Cancel"},
        {"Nastavenia", "Všeobecné", "Zoznamy", "Možnosti", "Automaticky zálohovať", "Dátový priečinok",
         "Lokálne\nSieťové\n", "&Meno", "Pripravený", "Zrušiť"},
        {"Nastavení", "Obecné", "Seznamy", "Možnosti", "Automaticky zálohovat", "Datová složka", "Místní\nSíťové\n",
         "&Jméno", "Připraven", "Zrušit"},
    };
    int language = 0;
    for (const Texts& t : languages) {
        TForm form(nullptr);
        form.SetCaption(t.window);
        form.SetClientSize(460, 330);
        auto* tool = new TToolBar(&form);
        tool->SetParent(&form);
        for (const char* caption : {"New", "Edit"}) {
            auto* b = new TToolButton(&form);
            b->SetCaption(caption);
            b->SetParent(tool);
        }
        tool->SetShowCaptions(true);
        auto* status = new TStatusBar(&form);
        status->SetParent(&form);
        status->AddPanel(120)->SetText(t.panel);
        auto* pages = new TPageControl(&form);
        pages->SetParent(&form);
        pages->SetAlign(TAlign::alClient);
        auto* general = new TTabSheet(&form);
        general->SetPageControl(pages);
        general->SetCaption(t.general);
        auto* lists = new TTabSheet(&form);
        lists->SetPageControl(pages);
        lists->SetCaption(t.lists);

        auto* group = new TGroupBox(&form);
        group->SetParent(general);
        group->SetCaption(t.group);
        group->SetBounds(8, 8, 210, 120);
        auto* check = new TCheckBox(&form);
        check->SetParent(group);
        check->SetCaption(t.check);
        check->SetBounds(10, 24, 190, 20);
        check->SetChecked(true);
        auto* label = new TLabel(&form);
        auto* edit = new TEdit(&form);
        label->SetParent(group);
        edit->SetParent(group);
        label->SetCaption(t.label);
        label->SetFocusControl(edit);
        label->SetLeft(10);
        label->SetTop(56);
        edit->SetBounds(70, 52, 100, edit->Height());
        edit->SetText("Eva");
        auto* updown = new TUpDown(&form);
        updown->SetAssociate(edit);
        auto* combo = new TComboBox(&form);
        combo->SetParent(group);
        combo->Items().SetText("Praha\nBrno\n");
        combo->SetItemIndex(0);
        combo->SetBounds(10, 86, 190, combo->Height());
        auto* radios = new TRadioGroup(&form);
        radios->SetParent(general);
        radios->SetCaption(t.radio);
        radios->Items().SetText(t.items);
        radios->SetItemIndex(0);
        radios->SetBounds(228, 8, 210, 80);
        auto* track = new TTrackBar(&form);
        track->SetParent(general);
        track->SetBounds(228, 96, 210, 32);
        auto* progress = new TProgressBar(&form);
        progress->SetParent(general);
        progress->SetBounds(8, 140, 430, 16);
        progress->SetPosition(60);
        auto* panel = new TPanel(&form);
        panel->SetParent(general);
        panel->SetCaption(t.panel);
        panel->SetBounds(8, 166, 300, 30);
        auto* shape = new TShape(&form);
        shape->SetParent(general);
        shape->SetShape(TShapeType::stRoundRect);
        shape->Brush.Color = clInfoBk;
        shape->SetBounds(318, 166, 40, 30);
        auto* bevel = new TBevel(&form);
        bevel->SetParent(general);
        bevel->SetShape(TBevelShape::bsTopLine);
        bevel->SetBounds(8, 204, 430, 2);
        auto* button = new TButton(&form);
        button->SetParent(general);
        button->SetCaption(t.button);
        button->SetBounds(363, 212, 75, 25);

        auto* memo = new TMemo(&form);
        memo->SetParent(lists);
        memo->SetBounds(8, 8, 140, 100);
        memo->SetText(std::string(t.window) + "\n" + t.general);
        auto* list = new TListBox(&form);
        list->SetParent(lists);
        list->Items().SetText(t.items);
        list->SetBounds(156, 8, 120, 100);
        auto* tree = new TTreeView(&form);
        tree->SetParent(lists);
        tree->SetBounds(284, 8, 154, 100);
        TTreeNode* root = tree->AddChild(nullptr, t.lists);
        tree->AddChild(root, t.general);
        root->SetExpanded(true);
        auto* view = new TListView(&form);
        view->SetParent(lists);
        view->SetViewStyle(TViewStyle::vsReport);
        view->AddColumn(t.label + 1, 150);
        view->AddColumn(t.panel, 150);
        view->AddItem("Eva")->AddSubItem("555 01");
        view->SetBounds(8, 116, 430, 110);

        form.Show();
        const std::string suffix(1, "esc"[language++]);
        EXPECT_FALSE(testing::SaveWindowPicture(form, "controls_general_" + suffix).isNull());
        pages->SetActivePage(lists);
        testing::SaveWindowPicture(form, "controls_lists_" + suffix);
        EXPECT_LE(label->Left() + label->Width(), edit->Left()) << t.label;
    }
}

} // namespace
} // namespace kvz
