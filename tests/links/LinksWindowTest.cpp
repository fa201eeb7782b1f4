#include "links/Capture.h"
#include "links/LinkIcons.h"
#include "links/LinksChild.h"
#include "links/NewLink.h"

#include "core/SmallRoutines.h"
#include "core/SourceDatForm.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/ScopeGuard.h"

#include "LinksTesting.h"

#include <QFileDialog>
#include <QMimeData>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>

#include <fstream>
#include <map>

#include <sys/stat.h>

namespace kvz {
namespace {

class LinksWindowTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        program = std::make_unique<LinksProgram>(dir.path(), false);
    }
    void TearDown() override {
        if (window) window->Free();
        window = nullptr;
        SetShellOpener(nullptr);
        program.reset();
        SetLanguage(2);
    }
    TLinksChildForm& Open() {
        window = new TLinksChildForm(nullptr, *program->data, program->frame);
        window->OpenTaskEditor = [this](const std::string& name, const std::string& path) {
            taskEditorCalls.emplace_back(name, path);
            return int(mrOk);
        };
        window->OpenNewLinkDialog = [this] {
            TNewLinkForm form(nullptr, *program->data, program->frame);
            return int(form.ShowModal());
        };
        window->Show();
        QApplication::processEvents();
        return *window;
    }
    void SeveralKinds() {
        program->AddTypes({"Documents", "Web"});
        program->AddLinks({{"Offer", "/home/jano/offer.pdf", "Documents", "Monday"},
                           {"Sheet", "/home/jano/sums.ods", "Documents", ""},
                           {"Folder", dir.path().string(), "Documents", "a folder that exists"},
                           {"Program page", "https://kvzirt.example/", "Web", ""},
                           {"Second offer", "/home/jano/offer2.pdf", "Documents", ""}});
    }
    TTreeNode* TypeNode(const std::string& name) {
        for (int i = 0; i < window->TreeView1->TopCount(); ++i)
            if (window->TreeView1->TopItems(i)->Text() == name) return window->TreeView1->TopItems(i);
        return nullptr;
    }
    std::vector<std::string> ListedNames() {
        std::vector<std::string> names;
        for (int i = 0; i < window->LinksListView->ItemCount(); ++i) names.push_back(window->LinksListView->Items(i)->Caption());
        return names;
    }
    // Answers the link-type dialog with a text.
    void AnswerTypeDialog(const std::string& text) {
        responder.OnShowModal = [text](TForm& form) {
            auto& dialog = dynamic_cast<TSourceDatForm&>(form);
            dialog.Edit1->SetText(text);
            dialog.OkButtonClick(nullptr);
            return int(mrOk);
        };
    }

    TempFolder dir;
    std::unique_ptr<LinksProgram> program;
    TLinksChildForm* window = nullptr;
    TResponder responder;
    std::vector<std::pair<std::string, std::string>> taskEditorCalls;
};

TEST_F(LinksWindowTest, TheListShowsEveryLinkWithOneIconLookupPerKind) {
    SeveralKinds();
    ProgramLinkIcons().Clear();
    const int before = ProgramLinkIcons().Lookups();
    TLinksChildForm& w = Open();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"KV-Zirt", "Offer", "Sheet", "Folder", "Program page", "Second offer"}));
    // Web addresses (2), the missing ".pdf" and ".ods" files, and the folder.
    EXPECT_EQ(ProgramLinkIcons().Lookups() - before, 4);
    TListItem* offer = w.LinksListView->Items(1);
    EXPECT_EQ(offer->SubItems(0), "/home/jano/offer.pdf");
    EXPECT_EQ(offer->SubItems(1), "Documents");
    EXPECT_EQ(offer->SubItems(2).size(), 8u); // the record code
    auto* list = static_cast<QTreeWidget*>(w.LinksListView->Widget());
    EXPECT_FALSE(list->topLevelItem(1)->icon(0).isNull());
    // Rows alternate yellow and the list's colour, starting with yellow.
    EXPECT_EQ(list->topLevelItem(0)->background(0).color(), QColor(255, 255, 0));
    EXPECT_EQ(list->topLevelItem(1)->background(0).style(), Qt::NoBrush);
    EXPECT_EQ(list->topLevelItem(2)->background(2).color(), QColor(255, 255, 0));
    // The icon is the current link's, the one the boxes show.
    EXPECT_EQ(w.CurrentIconKey(), LinkIconCache::KeyOf(program->Links().FieldByName("Path").AsString()));
    EXPECT_EQ(LinkIconCache::KeyOf("/nowhere/a.HTML"), "name:.htm");
    EXPECT_EQ(LinkIconCache::KeyOf(dir.path().string()), "folder");
    EXPECT_EQ(LinkIconCache::KeyOf("https://e.org/x.pdf"), "url:");
}

// Ten thousand links of every common kind: the list shows each link's name, type, path and the
// icon of its kind, and building it asks the file system nothing (a share would answer each
// call slowly); only the current link's one path may be looked at, where its text leaves the
// kind open.
TEST_F(LinksWindowTest, TenThousandLinksAreListedWithTheIconOfTheirKindWithoutAskingTheDisk) {
    std::filesystem::create_directories(dir.path() / "Folder");
    std::ofstream(dir.path() / "letter.odt") << "x";
    struct Kind {
        std::string path, key;
    };
    const std::vector<Kind> kinds = {
        {"https://example.org/page", "url:"},
        {"ftp://files.example.org/f.zip", "url:"},
        {(dir.path() / "Folder").string(), "folder"},
        {"/srv/share/projects/", "folder"},
        {"/home/jano/offer.PDF", "name:.pdf"},
        {"/home/jano/sums.ods", "name:.ods"},
        {(dir.path() / "letter.odt").string(), "name:.odt"},
        {"/usr/bin/tool", "program"},
        {"C:\\Tools\\setup.exe", "program"},
        {"/home/jano/run.sh", "program"},
    };
    program->AddTypes({"Web", "Files"});
    std::vector<LinkRow> rows;
    std::map<std::string, std::string> expectedKey;
    for (int i = 0; i < 10000; ++i) {
        const Kind& k = kinds[size_t(i) % kinds.size()];
        // The same kind under a name of its own: "/usr/bin/tool" stays a program as "/usr/bin/tool7".
        const size_t dot = k.path.find_last_of('.');
        const bool keepsEnd = k.key == "url:" || k.path.back() == '/' || k.key == "folder" ||
                              dot == std::string::npos || k.path.find_last_of("/\\") > dot;
        std::string path = keepsEnd ? k.path : k.path.substr(0, dot) + std::to_string(i) + k.path.substr(dot);
        if (k.key == "program" && keepsEnd) path += std::to_string(i);
        if (k.key == "url:") path += std::to_string(i);
        expectedKey[path] = k.key;
        rows.push_back({"Link " + std::to_string(i), path, i % 2 ? "Web" : "Files", ""});
    }
    program->AddLinks(rows);
    ProgramLinkIcons().Clear();
    const int lookups = ProgramLinkIcons().Lookups();
    int statusCalls = 0;
    LinkIconCache::SetPathProbe([&](const std::string&) {
        ++statusCalls;
        return int32_t(-1);
    });
    auto restore = OnScopeExit([] { LinkIconCache::SetPathProbe(nullptr); });
    TLinksChildForm& w = Open();
    // Opening looks at the current link at most.
    EXPECT_LE(statusCalls, 1);
    statusCalls = 0;
    for (int rebuild = 0; rebuild < 5; ++rebuild) w.LoadLinkList();
    w.PageControl1Change();
    EXPECT_EQ(statusCalls, 0);

    const std::vector<std::string> names = program->Column("Name"), paths = program->Column("Path"),
                                   types = program->Column("Type"), codes = program->Column("Number");
    ASSERT_EQ(w.LinksListView->ItemCount(), int(names.size()));
    ASSERT_EQ(names.size(), 10001u); // and the sample link of a new table
    auto* list = static_cast<QTreeWidget*>(w.LinksListView->Widget());
    int wrong = 0;
    for (int i = 0; i < int(names.size()); ++i) {
        TListItem* item = w.LinksListView->Items(i);
        const size_t r = size_t(i);
        const auto kind = expectedKey.find(paths[r]);
        const std::string key = kind == expectedKey.end() ? "url:" : kind->second; // the sample is a web address
        const bool same = item->Caption() == names[r] && item->SubItems(0) == paths[r] &&
                          item->SubItems(1) == types[r] && item->SubItems(2) == codes[r] &&
                          list->topLevelItem(i)->icon(0).cacheKey() == ProgramLinkIcons().IconOfKey(key).cacheKey();
        if (!same && ++wrong <= 5) ADD_FAILURE() << "row " << i << ": " << names[r] << " " << paths[r] << " " << key;
    }
    EXPECT_EQ(wrong, 0);
    // One lookup per kind of icon, not per link.
    EXPECT_EQ(ProgramLinkIcons().Lookups() - lookups, 6);

    // The kinds look as the desktop shows them: a folder, a web page, a document, a program.
    EXPECT_FALSE(ProgramLinkIcons().IconOfKey("folder").isNull());
    EXPECT_FALSE(ProgramLinkIcons().IconOfKey("program").isNull());

    // The current link's one path: asked once, and the answer decides a name without extension.
    ASSERT_TRUE(program->Links().Locate("Path", Variant(std::string("/usr/bin/tool7")), 0));
    LinkIconCache::SetPathProbe([&](const std::string& path) {
        ++statusCalls;
        return path == "/usr/bin/tool7" ? int32_t(S_IFDIR | 0755) : int32_t(-1);
    });
    statusCalls = 0;
    w.SetDataLinks();
    EXPECT_EQ(statusCalls, 1);
    EXPECT_EQ(w.CurrentIconKey(), "folder");
    // A path whose text names its kind is not looked at.
    ASSERT_TRUE(program->Links().Locate("Path", Variant(std::string("/home/jano/offer4.PDF")), 0));
    w.SetDataLinks();
    EXPECT_EQ(statusCalls, 1);
    EXPECT_EQ(w.CurrentIconKey(), "name:.pdf");
}

// The kind of a path from its text alone, as the list shows it.
TEST(LinkIconKeys, TheKindOfAPathComesFromItsText) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://e.org", "url:"},          {"HTTPS://e.org/a.pdf", "url:"}, {"ftp://e.org/", "url:"},
        {"/home/jano/Documents", "folder"}, {"/home/jano/", "folder"},      {"C:\\Data\\", "folder"},
        {"C:\\Data\\Offers", "folder"}, {"", "name:"},                     {"/home/jano/.config", "folder"},
        {"/usr/bin/gimp", "program"},       {"/usr/local/sbin/tool", "program"}, {"D:\\setup.EXE", "program"},
        {"/opt/x/start.sh", "program"},     {"/home/jano/a.HTML", "name:.htm"}, {"/home/jano/a.tar.gz", "name:.gz"},
        {"/home/my.docs/readme", "folder"},
    };
    for (auto [path, key] : cases) EXPECT_EQ(LinkIconCache::KeyOf(path), key) << path;
}

TEST_F(LinksWindowTest, TheTypeComboAndTheTreeFilterTheLinksByType) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    EXPECT_EQ(w.TypeComboBox->Items().Count(), 4); // All, HTML Document, Documents, Web
    w.TypeComboBox->SetItemIndex(3);
    w.TypeComboBoxClick();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Program page"}));
    w.TypeComboBox->SetItemIndex(0);
    w.TypeComboBoxClick();
    EXPECT_EQ(ListedNames().size(), 6u);
    w.TreeView1->SetSelected(TypeNode("Documents"));
    w.TreeView1Click();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Offer", "Sheet", "Folder", "Second offer"}));
    w.TreeView1->SetSelected(w.TreeView1->TopItems(0));
    w.TreeView1Click();
    EXPECT_EQ(ListedNames().size(), 6u);
}

TEST_F(LinksWindowTest, AClickBesideTheRowsKeepsTheCurrentLinkAndAClickOnARowMovesToIt) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    TVolgaTable& links = program->Links();
    links.First();
    w.LinksListView->Items(0)->SetSelected(false);
    w.LinksListViewClick();
    EXPECT_EQ(links.FieldByName("Name").AsString(), "KV-Zirt");
    w.LinksListView->Items(4)->SetSelected(true);
    w.LinksListViewClick();
    EXPECT_EQ(links.FieldByName("Name").AsString(), "Program page");
    EXPECT_EQ(w.LinksListView->Hint(), "Program page\r\nWeb\r\nhttps://kvzirt.example/");
    EXPECT_EQ(w.CurrentIconKey(), "url:");
}

TEST_F(LinksWindowTest, RunOpensTheLinkThroughTheDesktopAndSaysWhenItCannot) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    std::vector<std::string> opened;
    int answer = 42;
    SetShellOpener([&](const std::string& file, const std::string&, const std::string&, int) {
        opened.push_back(file);
        return answer;
    });
    program->Links().First();
    w.Run(Command::RunLink);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://www.kvzirt.example"}));
    EXPECT_TRUE(responder.MessageBoxes.empty());
    answer = 2; // file not found
    program->Links().Next();
    responder.MessageBoxAnswers = {IDOK};
    w.Run(Command::RunLink);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "The link could not be opened: /home/jano/offer.pdf");
}

TEST_F(LinksWindowTest, AddToTaskHandsTheCurrentLinkToTheTaskEditor) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    program->Links().Last();
    ASSERT_TRUE(w.State({false, false, [](std::string_view) { return true; }}).AddToTask);
    w.Run(Command::AddToTask);
    EXPECT_EQ(taskEditorCalls, (std::vector<std::pair<std::string, std::string>>{{"Second offer", "/home/jano/offer2.pdf"}}));
}

TEST_F(LinksWindowTest, TypesAreAddedRenamedWithAllTheirLinksAndDeletedKeepingTheirLinks) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    AnswerTypeDialog("Spreadsheets");
    w.NewFileTypePopouClick();
    EXPECT_NE(TypeNode("Spreadsheets"), nullptr);
    // Renaming the type shown: the filtered view empties as rows change, and none is skipped.
    w.TreeView1->SetSelected(TypeNode("Documents"));
    w.TreeView1Click();
    AnswerTypeDialog("Papers");
    w.EditFileTypePopupClick();
    std::vector<std::string> types = program->Column("Type");
    EXPECT_EQ(std::count(types.begin(), types.end(), "Papers"), 4);
    EXPECT_EQ(std::count(types.begin(), types.end(), "Documents"), 0);
    EXPECT_EQ(TypeNode("Documents"), nullptr);
    ASSERT_NE(TypeNode("Papers"), nullptr);
    // A cancelled dialog, or "All links", changes nothing.
    w.TreeView1->SetSelected(TypeNode("Papers"));
    responder.OnShowModal = [](TForm&) { return int(mrCancel); };
    w.EditFileTypePopupClick();
    w.TreeView1->SetSelected(w.TreeView1->TopItems(0));
    AnswerTypeDialog("Nothing");
    w.EditFileTypePopupClick();
    EXPECT_EQ(TypeNode("Nothing"), nullptr);
    // Delete asks first; the links keep their type text.
    w.TreeView1->SetSelected(TypeNode("Papers"));
    responder.MessageBoxAnswers = {IDNO, IDYES};
    w.DeleteFileTypePopupClick();
    EXPECT_NE(TypeNode("Papers"), nullptr);
    w.DeleteFileTypePopupClick();
    EXPECT_EQ(TypeNode("Papers"), nullptr);
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Want to remove this record for good ?");
    EXPECT_EQ(responder.MessageBoxes[0].Caption, "Warning : ");
    types = program->Column("Type");
    EXPECT_EQ(std::count(types.begin(), types.end(), "Papers"), 4);
}

TEST_F(LinksWindowTest, LocalEditChangesTheLinkInPlaceAndSaveWritesIt) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    TVolgaTable& links = program->Links();
    links.Last();
    EXPECT_TRUE(w.DBEdit1->ReadOnly());
    EXPECT_TRUE(w.DBGrid1->ReadOnly());
    w.Run(Command::Edit);
    EXPECT_FALSE(w.DBEdit3->ReadOnly());
    EXPECT_TRUE(program->frame.LinkEditMode);
    EXPECT_TRUE(w.State({false, false, [](std::string_view) { return true; }}).Post);
    links.FieldByName("Note").SetAsString("changed here");
    w.Run(Command::Post);
    EXPECT_FALSE(program->frame.LinkEditMode);
    EXPECT_TRUE(w.DBEdit3->ReadOnly());
    LinksProgram again(dir.path(), false);
    const std::vector<std::string> notes = again.Column("Note");
    EXPECT_EQ(notes.back(), "changed here");
}

TEST_F(LinksWindowTest, TheNewLinkDialogAddsALinkAndItsTypeAndRefreshesTheWindow) {
    TLinksChildForm& w = Open();
    const size_t before = ListedNames().size();
    responder.OnShowModal = [](TForm& form) {
        auto& d = dynamic_cast<TNewLinkForm&>(form);
        d.NameEdit->SetText("Price list");
        d.PathEdit->SetText("/home/jano/prices.ods");
        d.TypeEdit->SetText("Spreadsheet");
        d.BitBtn1Click();
        return int(mrNone);
    };
    w.Run(Command::Insert);
    EXPECT_EQ(ListedNames().size(), before + 1);
    EXPECT_EQ(w.TypeComboBox->Items().Count(), 3);
    EXPECT_NE(TypeNode("Spreadsheet"), nullptr);
}

TEST_F(LinksWindowTest, TabGoesDownTheDialogEachBoxWithItsButton) {
    TNewLinkForm d(nullptr, *program->data, program->frame);
    const std::vector<QWidget*> order{d.NameEdit->Widget(), d.TypeEdit->Widget(), d.EditTypeButton->Widget(),
                                      d.PathEdit->Widget(), d.Button1->Widget(), d.NoteEdit->Widget(), d.BitBtn1->Widget()};
    for (size_t i = 1; i < order.size(); ++i) EXPECT_EQ(order[i - 1]->nextInFocusChain(), order[i]) << i;
}

TEST_F(LinksWindowTest, ARefusedSaveKeepsTheDialogOpenWithWhatWasTyped) {
    TNewLinkForm d(nullptr, *program->data, program->frame);
    d.FormShow();
    d.NameEdit->SetText("Bad");
    d.PathEdit->SetText("http://e.org/\x07");
    responder.MessageBoxAnswers = {IDOK};
    d.BitBtn1Click();
    EXPECT_EQ(d.ModalResult(), mrNone);
    EXPECT_EQ(d.NameEdit->Text(), "Bad");
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "The path holds control characters and cannot be saved.");
}

TEST_F(LinksWindowTest, ACancelledFileDialogLeavesTheBoxesAlone) {
    TNewLinkForm d(nullptr, *program->data, program->frame);
    d.FormShow();
    d.NameEdit->SetText("Typed name");
    d.TypeEdit->SetText("Typed type");
    QString folder;
    responder.OnDialog = [&](QDialog& dialog) {
        folder = static_cast<QFileDialog&>(dialog).directory().absolutePath();
        return int(QDialog::Rejected);
    };
    d.Button1Click();
    EXPECT_EQ(d.NameEdit->Text(), "Typed name");
    EXPECT_EQ(d.TypeEdit->Text(), "Typed type");
    EXPECT_EQ(d.PathEdit->Text(), "");
    const std::string file = (dir.path() / "notes.txt").string();
    std::ofstream(file) << "x";
    responder.OnDialog = [&](QDialog& dialog) {
        static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(file));
        return int(QDialog::Accepted);
    };
    d.Button1Click();
    EXPECT_EQ(d.PathEdit->Text(), file);
    EXPECT_EQ(d.NameEdit->Text(), "notes.txt");
}

TEST_F(LinksWindowTest, UpAndDownInTheNameBoxMoveThroughTheLinksButNotWhileOneIsEdited) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    w.OnRequest = [&w](Command c) { w.Run(c); };
    TVolgaTable& links = program->Links();
    links.First();
    w.DBEdit1->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(w.DBEdit1->Focused());
    testing::Key(w.DBEdit1->Widget(), Qt::Key_Down);
    EXPECT_EQ(links.FieldByName("Name").AsString(), "Offer");
    testing::Key(w.DBEdit1->Widget(), Qt::Key_Down);
    testing::Key(w.DBEdit1->Widget(), Qt::Key_Up);
    EXPECT_EQ(links.FieldByName("Name").AsString(), "Offer");
    w.Run(Command::Edit);
    w.DBEdit1->SetFocus();
    QApplication::processEvents();
    testing::Key(w.DBEdit1->Widget(), Qt::Key_Down);
    EXPECT_EQ(links.FieldByName("Name").AsString(), "Offer");
    EXPECT_EQ(links.State(), dsEdit);
    w.Run(Command::Cancel);
}

// Find searches the links; nothing that moves or writes the table is on while a link is typed.
TEST_F(LinksWindowTest, FindIsOnAndWhatMovesTheTableIsOffWhileALinkIsEdited) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    const ModuleContext all{false, false, [](std::string_view) { return true; }};
    RecordBarState s = w.State(all);
    EXPECT_TRUE(s.Find && s.Filter && s.Refresh && s.Capture);
    EXPECT_NE(w.Search(), nullptr);
    w.Run(Command::Edit);
    s = w.State(all);
    EXPECT_TRUE(s.Post && s.Cancel);
    EXPECT_FALSE(s.Find || s.Filter || s.Refresh || s.Capture || s.First || s.Next || s.Import || s.Export ||
                 s.ChangeUser);
    EXPECT_FALSE(w.TypeComboBox->Enabled() || w.TreeView1->Enabled() || w.LinksListView->Enabled());
    EXPECT_FALSE(w.EditFileTypePopup->Enabled() || w.NewFileTypePopou->Enabled() || w.DeleteFileTypePopup->Enabled());
    w.Run(Command::Cancel);
    EXPECT_TRUE(w.State(all).Find);
    EXPECT_TRUE(w.TreeView1->Enabled() && w.EditFileTypePopup->Enabled());
}

// The capture window stays open beside an edit in place: what it would save waits, the type
// commands of the pop-up menu do nothing, and Cancel puts the row back as it was.
TEST_F(LinksWindowTest, TheCaptureWindowAndThePopUpMenuWaitForAnEditAndCancelRestoresTheRow) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    TVolgaTable& links = program->Links();
    TCaptureForm capture(nullptr, *program->data, program->frame);
    QMimeData before;
    before.setText("https://before.example/");
    ASSERT_TRUE(capture.DropURLTarget1Drop(before));
    links.Last();
    w.Run(Command::Edit);
    links.FieldByName("Note").SetAsString("half typed");
    int dialogs = 0;
    responder.OnShowModal = [&](TForm&) { return ++dialogs, int(mrOk); };
    responder.MessageBoxAnswers = {IDOK, IDOK, IDOK};
    QMimeData during;
    during.setText("https://during.example/");
    EXPECT_FALSE(capture.DropURLTarget1Drop(during));
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile("/home/jano/dropped.pdf")});
    EXPECT_EQ(capture.DropFileTarget1Drop(file), 0);
    EXPECT_EQ(dialogs, 0);
    // The dialog left open from before keeps what it holds and stays open.
    TNewLinkForm* open = capture.AddressDialog();
    ASSERT_NE(open, nullptr);
    open->BitBtn1Click();
    QApplication::processEvents();
    ASSERT_EQ(capture.AddressDialog(), open);
    EXPECT_EQ(open->PathEdit->Text(), "https://before.example/");
    ASSERT_EQ(responder.MessageBoxes.size(), 3u);
    for (const auto& box : responder.MessageBoxes)
        EXPECT_EQ(box.Text, "A link is being edited: save or cancel it first. Nothing was written.");
    // The type commands of the pop-up menu.
    w.TreeView1->SetSelected(TypeNode("Documents"));
    AnswerTypeDialog("Papers");
    w.EditFileTypePopupClick();
    w.NewFileTypePopouClick();
    EXPECT_EQ(links.State(), dsEdit);
    EXPECT_EQ(links.FieldByName("Note").AsString(), "half typed");
    w.Run(Command::Cancel);
    EXPECT_EQ(links.FieldByName("Name").AsString(), "Second offer");
    EXPECT_EQ(links.FieldByName("Note").AsString(), "");
    {
        LinksProgram again(dir.path(), false);
        EXPECT_EQ(again.Column("Note").back(), "");
        const std::vector<std::string> paths = again.Column("Path");
        EXPECT_EQ(std::count(paths.begin(), paths.end(), "https://during.example/"), 0);
        EXPECT_EQ(std::count(paths.begin(), paths.end(), "https://before.example/"), 0);
        const std::vector<std::string> types = again.Column("Type");
        EXPECT_EQ(std::count(types.begin(), types.end(), "Papers"), 0);
    }
    // Once the edit is over the waiting dialog saves.
    open->BitBtn1Click();
    QApplication::processEvents();
    const std::vector<std::string> paths = program->Column("Path");
    EXPECT_EQ(paths.back(), "https://before.example/");
}

// A type picked in the tree or the combo goes on filtering on the Survey page after a new
// link and after Refresh.
TEST_F(LinksWindowTest, TheTypePickedKeepsFilteringThroughANewLinkAndRefresh) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    TVolgaTable& links = program->Links();
    auto shown = [&] {
        std::vector<std::string> types;
        for (links.First(); !links.Eof(); links.Next()) types.push_back(links.FieldByName("Type").AsString());
        return types;
    };
    auto addLink = [&](const std::string& name, const std::string& type) {
        responder.OnShowModal = [name, type](TForm& form) {
            auto& d = dynamic_cast<TNewLinkForm&>(form);
            d.NameEdit->SetText(name);
            d.PathEdit->SetText("https://" + name + ".example/");
            d.TypeEdit->SetText(type);
            d.BitBtn1Click();
            return int(mrNone);
        };
        w.Run(Command::Insert);
    };
    w.TreeView1->SetSelected(TypeNode("Web"));
    w.TreeView1Click();
    w.PageControl1->SetActivePageIndex(1);
    w.PageControl1Change();
    EXPECT_EQ(shown(), (std::vector<std::string>{"Web"}));
    addLink("second", "Web");
    EXPECT_EQ(shown(), (std::vector<std::string>{"Web", "Web"}));
    w.Run(Command::Refresh);
    EXPECT_EQ(shown(), (std::vector<std::string>{"Web", "Web"}));
    // The combo's pick, the same.
    w.TypeComboBox->SetItemIndex(w.TypeComboBox->Items().IndexOf("Documents"));
    w.TypeComboBoxClick();
    EXPECT_EQ(shown().size(), 4u);
    addLink("third", "Documents");
    EXPECT_EQ(shown().size(), 5u);
    EXPECT_EQ(w.TypeComboBox->Text(), "Documents");
    w.Run(Command::Refresh);
    EXPECT_EQ(shown().size(), 5u);
    EXPECT_EQ(shown().front(), "Documents");
}

TEST_F(LinksWindowTest, TheListsHintShowsEveryFieldAsTyped) {
    program->AddLinks({{"Tom <b>bold</b> | and more", "/home/jano/a|b.txt", "x<y|z", ""}});
    TLinksChildForm& w = Open();
    const int last = w.LinksListView->ItemCount() - 1;
    w.LinksListView->Items(last)->SetSelected(true);
    w.LinksListViewClick();
    const std::string full = "Tom <b>bold</b> | and more\r\nx<y|z\r\n/home/jano/a|b.txt";
    EXPECT_EQ(w.ListHintText(), full);
    QTextDocument shown;
    shown.setHtml(w.LinksListView->Widget()->toolTip());
    EXPECT_EQ(shown.toPlainText().toStdString(), "Tom <b>bold</b> | and more\nx<y|z\n/home/jano/a|b.txt");
}

TEST_F(LinksWindowTest, TheTreeAndThePopUpMenuShowTheirPictures) {
    SeveralKinds();
    TLinksChildForm& w = Open();
    auto* tree = static_cast<QTreeWidget*>(w.TreeView1->Widget());
    ASSERT_GE(tree->topLevelItemCount(), 3);
    for (int i = 0; i < tree->topLevelItemCount(); ++i) EXPECT_FALSE(tree->topLevelItem(i)->icon(0).isNull()) << i;
    // A type's folder opens while it is picked.
    const QIcon type = tree->topLevelItem(1)->icon(0);
    EXPECT_NE(type.pixmap(16, 16, QIcon::Normal).toImage(), type.pixmap(16, 16, QIcon::Selected).toImage());
    for (TMenuItem* item : {w.EditlinksMenuPopup, w.DelMenuLinksPopup, w.AddToTaskPopup, w.RunLinkPopup})
        EXPECT_FALSE(item->Bitmap().Empty()) << item->Name();
}

// ---- the capture window ----

class CaptureTest : public LinksWindowTest {
protected:
    std::unique_ptr<QMimeData> Files(const std::vector<std::string>& files) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const std::string& f : files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(f)));
        data->setUrls(urls);
        return data;
    }
    std::string Shortcut(const char* name, const std::string& content) {
        const std::filesystem::path file = dir.path() / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
};

TEST_F(CaptureTest, SeveralDroppedFilesBecomeOneLinkEach) {
    TLinksChildForm& w = Open();
    const size_t before = ListedNames().size();
    TCaptureForm capture(nullptr, *program->data, program->frame);
    std::vector<std::string> shown;
    responder.OnShowModal = [&](TForm& form) {
        auto& d = dynamic_cast<TNewLinkForm&>(form);
        shown.push_back(d.PathEdit->Text());
        d.BitBtn1Click();
        return int(mrNone);
    };
    auto data = Files({"/home/jano/a.pdf", "/home/jano/b.odt", "/home/jano/c.txt"});
    EXPECT_EQ(capture.DropFileTarget1Drop(*data), 3);
    EXPECT_EQ(shown, (std::vector<std::string>{"/home/jano/a.pdf", "/home/jano/b.odt", "/home/jano/c.txt"}));
    EXPECT_EQ(ListedNames().size(), before + 3);
    const std::vector<std::string> names = program->Column("Name");
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()), (std::vector<std::string>{"a.pdf", "b.odt", "c.txt"}));
    (void)w;
}

TEST_F(CaptureTest, FilesThatClimbOrHoldControlCharactersAreRefusedWithTheirReason) {
    TCaptureForm capture(nullptr, *program->data, program->frame);
    int dialogs = 0;
    responder.OnShowModal = [&](TForm&) { return ++dialogs, int(mrCancel); };
    responder.MessageBoxAnswers = {IDOK};
    auto data = std::make_unique<QMimeData>();
    data->setData("text/uri-list", "file:///home/jano/../etc/passwd\r\nfile:///home/jano/ok.txt\r\n");
    EXPECT_EQ(capture.DropFileTarget1Drop(*data), 0);
    EXPECT_EQ(dialogs, 1); // the good one, cancelled
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("/home/jano/../etc/passwd"), std::string::npos);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("climbs"), std::string::npos);
}

TEST_F(CaptureTest, WebAddressesInEveryFormOpenTheAddressDialog) {
    TCaptureForm capture(nullptr, *program->data, program->frame);
    const std::string crlf = Shortcut("KV Zirt.url", "[InternetShortcut]\r\nURL=https://kvzirt.example/\r\n");
    const std::string lf = Shortcut("Unix.url", "[InternetShortcut]\nURL=https://unix.example/\n");
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        std::string url, title;
    };
    const Case cases[] = {
        {"moz", [](QMimeData& d) {
             const QString s = "https://e.org/page\nThe page";
             d.setData("text/x-moz-url", QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2));
         }, "https://e.org/page", "The page"},
        {"uri list", [](QMimeData& d) { d.setUrls({QUrl("https://e.org/list")}); }, "https://e.org/list", "https://e.org/list"},
        {"plain text", [](QMimeData& d) { d.setText("www.example.org"); }, "www.example.org", "www.example.org"},
        {"CR LF shortcut", [&](QMimeData& d) { d.setUrls({QUrl::fromLocalFile(QString::fromStdString(crlf))}); },
         "https://kvzirt.example/", "KV Zirt"},
        {"LF shortcut", [&](QMimeData& d) { d.setUrls({QUrl::fromLocalFile(QString::fromStdString(lf))}); },
         "https://unix.example/", "Unix"},
    };
    for (const Case& c : cases) {
        QMimeData data;
        c.fill(data);
        ASSERT_TRUE(OffersAddress(data)) << c.name;
        ASSERT_TRUE(capture.DropURLTarget1Drop(data)) << c.name;
        TNewLinkForm* d = capture.AddressDialog();
        ASSERT_NE(d, nullptr) << c.name;
        EXPECT_EQ(d->PathEdit->Text(), c.url) << c.name;
        EXPECT_EQ(d->NameEdit->Text(), c.title) << c.name;
    }
}

// What the window system hands over for a browser's drop: the address-and-title form under
// the name of a URI list, left out of the formats it lists.
class WindowSystemDrop : public QMimeData {
public:
    WindowSystemDrop(QByteArray mozUrl, QString uri) : mozUrl_(std::move(mozUrl)), uri_(std::move(uri)) {}
    QStringList formats() const override { return {"text/uri-list"}; }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        if (format == "text/x-moz-url") return mozUrl_;
        if (format == "text/uri-list") return uri_.toUtf8();
        return {};
    }

private:
    QByteArray mozUrl_;
    QString uri_;
};

QByteArray Utf16(const QString& s) { return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2); }

TEST_F(CaptureTest, ABrowsersTitleReachesTheNameBoxInEveryFormItTakes) {
    TCaptureForm capture(nullptr, *program->data, program->frame);
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        std::string url, title;
    };
    const Case cases[] = {
        {"URI list and title", [](QMimeData& d) {
             d.setData("text/uri-list", "https://e.org/page\r\n");
             d.setData("text/x-moz-url-desc", Utf16("Úvodná stránka"));
         }, "https://e.org/page", "Úvodná stránka"},
        {"UTF-8 address and title", [](QMimeData& d) { d.setData("text/x-moz-url", "https://u.org/\nČlánok"); },
         "https://u.org/", "Článok"},
        {"UTF-16 with its mark", [](QMimeData& d) {
             d.setData("text/x-moz-url", QByteArray("\xff\xfe", 2) + Utf16("https://b.org/\nMarked"));
         }, "https://b.org/", "Marked"},
        {"older browsers", [](QMimeData& d) { d.setData("_NETSCAPE_URL", "https://n.org/\nOld title"); },
         "https://n.org/", "Old title"},
        {"URI list alone", [](QMimeData& d) { d.setData("text/uri-list", "https://alone.org/\r\n"); },
         "https://alone.org/", "https://alone.org/"},
    };
    for (const Case& c : cases) {
        QMimeData data;
        c.fill(data);
        ASSERT_TRUE(OffersAddress(data)) << c.name;
        const DroppedAddress read = ReadDroppedUrl(data);
        EXPECT_EQ(read.Url, c.url) << c.name;
        EXPECT_EQ(read.Title, c.title) << c.name;
    }
    // Through the drop zone's copy, as the window system gives it.
    WindowSystemDrop x11(Utf16("https://x.org/a\nThe page of X"), "https://x.org/a\r\n");
    QMimeData copy;
    CopyDropData(x11, copy);
    ASSERT_TRUE(capture.DropURLTarget1Drop(copy));
    EXPECT_EQ(capture.AddressDialog()->PathEdit->Text(), "https://x.org/a");
    EXPECT_EQ(capture.AddressDialog()->NameEdit->Text(), "The page of X");
}

TEST_F(CaptureTest, AFileOfAnotherHostIsRefusedOnBothZones) {
    TCaptureForm capture(nullptr, *program->data, program->frame);
    QMimeData data;
    data.setData("text/uri-list", "file://otherhost/home/jano/a.pdf\r\nfile://localhost/home/jano/b.pdf\r\n");
    const DroppedFiles files = ReadDroppedFiles(data);
    EXPECT_EQ(files.Files, (std::vector<std::string>{"/home/jano/b.pdf"}));
    for (const char* list : {"file://otherhost/share/page.html\r\n", "FILE://otherhost/x.url\r\n"}) {
        QMimeData address;
        address.setData("text/uri-list", list);
        EXPECT_EQ(ReadDroppedUrl(address).Refusal, DropRefusal::NothingUsable) << list;
    }
    QMimeData moz;
    moz.setData("text/x-moz-url", Utf16("file://otherhost/x\nA file"));
    EXPECT_FALSE(ReadDroppedUrl(moz).Ok());
}

TEST_F(CaptureTest, TheWindowFirstOpensBesideTheFrame) {
    const TRect screen = Bounds(0, 0, 1280, 1024);
    struct Case {
        TRect frame;
        TPoint at;
    } cases[] = {
        {Bounds(100, 50, 800, 600), {908, 50}},    // room on the right
        {Bounds(400, 80, 860, 600), {272, 80}},    // none on the right: on the left
        {Bounds(0, 0, 1280, 1000), {1152, 0}},     // the frame fills the screen: inside its right edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptureStartPosition(c.frame, 120, 80, screen), c.at) << c.frame.Left << "," << c.frame.Top;
}

TEST_F(CaptureTest, JunkDroppedOnTheAddressZoneIsRefusedAndOpensNoDialog) {
    TCaptureForm capture(nullptr, *program->data, program->frame);
    const std::string binary = Shortcut("bin.url", std::string("[InternetShortcut]\nURL=x\n\0\0", 28));
    const std::string noUrl = Shortcut("none.url", "[InternetShortcut]\r\n[Other]\r\nURL=http://x/\r\n");
    const std::string huge = Shortcut("huge.url", std::string(kMaxShortcutBytes + 10, 'u'));
    const std::string pdf = Shortcut("a.pdf", "%PDF");
    for (const std::string& file : {binary, noUrl, huge, pdf}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
        responder.MessageBoxAnswers = {IDOK};
        EXPECT_FALSE(capture.DropURLTarget1Drop(data)) << file;
        EXPECT_EQ(capture.AddressDialog(), nullptr) << file;
    }
    QMimeData control;
    control.setText("http://e.org/\x1b[31m");
    responder.MessageBoxAnswers = {IDOK};
    EXPECT_FALSE(capture.DropURLTarget1Drop(control));
    EXPECT_EQ(responder.MessageBoxes.size(), 5u);
    QMimeData empty;
    EXPECT_FALSE(OffersAddress(empty));
    EXPECT_FALSE(OffersFiles(empty));
}

// The address dialog stays open beside the work: the links window may close meanwhile.
TEST_F(CaptureTest, TheAddressDialogOutlivesTheLinksWindow) {
    Open();
    TCaptureForm capture(nullptr, *program->data, program->frame);
    QMimeData data;
    data.setText("https://outlives.example/");
    ASSERT_TRUE(capture.DropURLTarget1Drop(data));
    TNewLinkForm* d = capture.AddressDialog();
    window->Free();
    window = nullptr;
    EXPECT_EQ(program->frame.LinksWindow, nullptr);
    d->BitBtn1Click();
    QApplication::processEvents();
    const std::vector<std::string> paths = program->Column("Path");
    EXPECT_EQ(paths.back(), "https://outlives.example/");
}

TEST_F(CaptureTest, TheStoredPlaceIsBroughtBackOntoTheScreen) {
    const TRect screen = Bounds(0, 0, 1280, 1024);
    struct Case {
        int left, top;
        TPoint at;
    } cases[] = {
        {100, 200, {100, 200}}, {-500, 10, {0, 10}}, {5000, 5000, {1280 - 120, 1024 - 80}}, {1200, -3, {1160, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(ClampWindowPosition(c.left, c.top, 120, 80, screen), c.at) << c.left << "," << c.top;
    program->settings.Nastavenia[Slot::CaptureLeft] = -20000;
    program->settings.Nastavenia[Slot::CaptureTop] = 30000;
    TCaptureForm capture(nullptr, *program->data, program->frame);
    const QRect r = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_GE(capture.Left(), r.left());
    EXPECT_LE(capture.Top() + capture.Height(), r.bottom() + 1);
}

// ---- pictures to look at ----

TEST_F(LinksWindowTest, PicturesOfTheWindowAndDialogsInThreeLanguages) {
    SeveralKinds();
    // Every kind of icon: programs and a folder named by its closing separator too.
    program->AddLinks({{"Tool", "/usr/bin/kvtool", "Documents", ""},
                       {"Setup", "C:\\Tools\\setup.exe", "Documents", ""},
                       {"Share", "/srv/share/offers/", "Documents", ""}});
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        const std::string suffix = language == 1 ? "-en" : language == 2 ? "-sk" : "-cz";
        TLinksChildForm& w = Open();
        w.SetClientSize(760, 480);
        testing::SaveWindowPicture(w, "links-window" + suffix);
        w.PageControl1->SetActivePageIndex(1);
        w.PageControl1Change();
        testing::SaveWindowPicture(w, "links-survey" + suffix);
        w.PageControl1->SetActivePageIndex(0);
        w.PageControl1Change();
        window->Free();
        window = nullptr;
        TNewLinkForm d(nullptr, *program->data, program->frame);
        d.FormShow();
        d.FillFromFile("/home/jano/Dokumenty/ponuka.pdf");
        d.Show();
        testing::SaveWindowPicture(d, "links-newlink" + suffix);
        TCaptureForm capture(nullptr, *program->data, program->frame);
        capture.FormShow();
        capture.Show();
        const QImage picture = testing::SaveWindowPicture(capture, "links-capture" + suffix);
        EXPECT_FALSE(picture.isNull());
        const char* const captions[] = {"Capture", "Zachytiť", "Zachytit"};
        EXPECT_EQ(capture.Caption(), captions[language - 1]);
    }
}

// The new-link dialog's "<<" button stands whole inside the dialog, beside the path box.
TEST_F(LinksWindowTest, NewLinkBrowseButtonStandsInsideTheDialog) {
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(language);
        SetLanguage(language);
        TNewLinkForm d(nullptr, *program->data, program->frame);
        d.FormShow();
        d.Show();
        QApplication::processEvents();
        QWidget* client = d.ClientWidget();
        const QRect button(d.Button1->Widget()->mapTo(client, QPoint(0, 0)), d.Button1->Widget()->size());
        const QRect path(d.PathEdit->Widget()->mapTo(client, QPoint(0, 0)), d.PathEdit->Widget()->size());
        EXPECT_TRUE(client->rect().contains(button)) << button.right() << " > " << client->rect().right();
        EXPECT_LE(path.right(), button.left());
        EXPECT_GE(button.width(), d.Button1->Widget()->fontMetrics().horizontalAdvance("<<") + 16);
    }
}

// The module's texts in each language: the window's pages and menu, the capture window's
// zones, the dialog's title and the messages the window shows.
TEST_F(LinksWindowTest, TextsOfTheModuleInEachLanguage) {
    struct Case {
        int language;
        const char *caption, *survey, *newType, *fileZone, *addressZone, *cannotOpen, *refused;
    };
    const Case cases[] = {
        {1, "Links and files", "Survey", "New file type", "Drop files here", "Drop web addresses here",
         "The link could not be opened: ", "the shortcut file cannot be read."},
        {2, "Odkazy a súbory", "Prehľad", "Nový typ súboru", "Sem pustite súbory",
         "Sem pustite webové adresy", "Odkaz sa nepodarilo otvoriť: ", "súbor odkazu sa nedá prečítať."},
        {3, "Odkazy a soubory", "Přehled", "Nový typ souboru", "Sem pusťte soubory",
         "Sem pusťte webové adresy", "Odkaz se nepodařilo otevřít: ", "soubor odkazu nelze přečíst."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        SetLanguage(c.language);
        TLinksChildForm& w = Open();
        EXPECT_EQ(w.Caption(), c.caption);
        EXPECT_EQ(w.TabSheet2->Caption(), c.survey);
        EXPECT_EQ(w.NewFileTypePopou->Caption(), c.newType);
        window->Free();
        window = nullptr;
        TCaptureForm capture(nullptr, *program->data, program->frame);
        capture.FormShow();
        EXPECT_EQ(capture.Panel2->Hint(), c.fileZone);
        EXPECT_EQ(capture.Panel1->Hint(), c.addressZone);
        TNewLinkForm d(nullptr, *program->data, program->frame);
        d.FormShow();
        EXPECT_EQ(d.Caption(), "NewLinkForm");
        EXPECT_EQ(GetMessageText(MessageId::LinkCannotOpen), c.cannotOpen);
        EXPECT_EQ(DropRefusalText(DropRefusal::Unreadable), c.refused);
    }
}

} // namespace
} // namespace kvz
