// Dialogs driven through the form layer as a person uses them: Enter, Escape, Tab, Alt and a
// letter, a larger desktop font, and a form freed while it is shown modally.
#include "forms/FormsTesting.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/GridRows.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace kvz {
namespace {

using testing::FormsTest;

// Captions by language (0 English, 1 Slovak, 2 Czech).
using Captions = std::array<const char*, 3>;
const Captions WindowCaption{"New user", "Nový užívateľ", "Nový uživatel"};
const Captions NameCaption{"&Name", "&Meno", "&Jméno"};
const Captions PasswordCaption{"&Password", "&Heslo", "&Heslo"};
const Captions RetypeCaption{"&Retype password", "&Potvrdiť heslo", "&Potvrdit heslo"};
const Captions HelpCaption{"&Help", "&Pomoc", "&Pomoc"};
const Captions CancelCaption{"&Cancel", "&Zrušiť", "&Zrušit"};

// A dialog as the program's dialogs are written: labelled edits laid out by Qt, OK as the
// default button, Cancel as the cancel button.
class TNewUserDialog : public TForm {
public:
    TNewUserDialog(TComponent* owner, int language) : TForm(owner) {
        SetName("NewUserDialog");
        SetBorderStyle(TFormBorderStyle::bsDialog);
        SetPosition(TPosition::poScreenCenter);
        SetCaption(WindowCaption[language]);
        auto* grid = new QGridLayout;
        int row = 0;
        for (auto [label, edit, caption] : {std::tuple{Label1, Edit1, NameCaption}, std::tuple{Label2, Edit2, PasswordCaption},
                                            std::tuple{Label3, Edit3, RetypeCaption}}) {
            label->SetParent(this);
            label->SetCaption(caption[language]);
            label->SetFocusControl(edit);
            edit->SetParent(this);
            grid->addWidget(label->Widget(), row, 0);
            grid->addWidget(edit->Widget(), row++, 1);
        }
        Edit1->SetName("Edit1");
        Edit2->SetName("Edit2");
        Edit3->SetName("Edit3");
        for (TEdit* password : {Edit2, Edit3}) {
            password->SetPasswordChar('*');
            password->SetMaxLength(8);
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        for (auto [button, caption] : {std::pair{OkButton, "OK"}, std::pair{HelpButton, HelpCaption[language]},
                                       std::pair{CancelButton, CancelCaption[language]}}) {
            button->SetParent(this);
            button->SetCaption(caption);
            buttons->addWidget(button->Widget());
        }
        OkButton->SetName("OkButton");
        OkButton->SetDefault(true);
        OkButton->SetModalResult(mrOk);
        OkButton->OnClick = [this](TComponent* s) { OkButtonClick(s); };
        CancelButton->SetName("CancelButton");
        CancelButton->SetCancel(true);
        CancelButton->SetModalResult(mrCancel);
        auto* column = new QVBoxLayout(ClientWidget());
        column->addLayout(grid);
        column->addStretch();
        column->addLayout(buttons);
        SetClientSize(320, 150);
    }

    TLabel* Label1 = new TLabel(this);
    TLabel* Label2 = new TLabel(this);
    TLabel* Label3 = new TLabel(this);
    TEdit* Edit1 = new TEdit(this);
    TEdit* Edit2 = new TEdit(this);
    TEdit* Edit3 = new TEdit(this);
    TButton* OkButton = new TButton(this);
    TButton* HelpButton = new TButton(this);
    TButton* CancelButton = new TButton(this);
    std::string UserName;

private:
    void OkButtonClick(TComponent*) { UserName = Edit1->Text(); }
};

// Shows the dialog modally and hands it to the script once it shows.
TModalResult ShowWith(TForm& form, const std::function<void(TNewUserDialog&)>& script) {
    TResponder responder;
    responder.OnShowModal = [&](TForm& f) {
        script(static_cast<TNewUserDialog&>(f));
        return mrNone;
    };
    return form.ShowModal();
}

TEST_F(FormsTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
    struct Case {
        Qt::Key key;
        const char* focus;
        TModalResult result;
    };
    for (Case c : {Case{Qt::Key_Return, "Edit1", mrOk}, Case{Qt::Key_Enter, "Edit2", mrOk},
                   Case{Qt::Key_Escape, "Edit1", mrCancel}, Case{Qt::Key_Return, "CancelButton", mrCancel}}) {
        TNewUserDialog dialog(nullptr, 0);
        auto* focus = static_cast<TWinControl*>(dialog.FindComponent(c.focus));
        EXPECT_EQ(ShowWith(dialog, [&](TNewUserDialog& d) {
                      d.Edit1->SetText("Eva");
                      focus->SetFocus();
                      testing::TypeKey(focus->Widget(), c.key);
                  }),
                  c.result)
            << c.focus;
        EXPECT_EQ(dialog.UserName, c.result == mrOk ? "Eva" : "");
        EXPECT_FALSE(dialog.Visible());
        EXPECT_EQ(dialog.Edit1->Text(), "Eva");
    }
}

TEST_F(FormsTest, EscapeClosesAModalFormWithoutACancelButtonButNotAModelessOne) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    TResponder responder;
    responder.OnShowModal = [&](TForm&) {
        testing::TypeKey(edit->Widget(), Qt::Key_Escape);
        return mrNone;
    };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    form.Show();
    testing::TypeKey(edit->Widget(), Qt::Key_Escape);
    EXPECT_TRUE(form.Visible());
}

TEST_F(FormsTest, TabFollowsTheTabOrderAndAltWithALetterFocusesTheLabelsEdit) {
    TNewUserDialog dialog(nullptr, 0);
    dialog.Edit3->SetTabOrder(0);
    EXPECT_EQ(dialog.Edit3->TabOrder(), 0);
    EXPECT_EQ(dialog.Edit1->TabOrder(), 1);
    dialog.Show();
    QApplication::setActiveWindow(dialog.Widget());
    dialog.Edit3->SetFocus();
    std::vector<std::string> visited;
    for (int i = 0; i < 3; ++i) {
        testing::TypeKey(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(dialog.ActiveControl() ? dialog.ActiveControl()->Name() : "");
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"Edit1", "Edit2", "OkButton"}));

    testing::TypeKey(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(dialog.ActiveControl(), dialog.Edit3);
    testing::TypeKey(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(dialog.ActiveControl(), dialog.Edit1);
}

// Rows of (label, control, control) into a grid: the labels are made and named, columns stay
// aligned over empty cells and spans, a whole row runs over every column, and Alt with a label's
// letter focuses its row's first control.
TEST_F(FormsTest, GridRowsLayTheLabelsAndControlsIntoColumns) {
    TForm form(nullptr);
    auto edit = [&](const char* name) {
        auto* e = new TEdit(&form);
        e->SetName(name);
        e->SetParent(&form);
        return e;
    };
    TEdit* name = edit("Name");
    TEdit* first = edit("First");
    TEdit* city = edit("City");
    TEdit* zip = edit("Zip");
    auto* note = new TLabel(&form);
    note->SetParent(&form);
    note->SetCaption("A note over every column");
    auto* grid = new QGridLayout(form.ClientWidget());
    const std::vector<TLabel*> labels = AddGridRows(*grid, &form, &form,
                                                    {
                                                        WholeRow(note),
                                                        {"NameLabel", {{name, 2}}},
                                                        {"CityLabel", {nullptr, city}},
                                                        {"", {first, zip}},
                                                    });
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0], nullptr);
    EXPECT_EQ(labels[3], nullptr);
    ASSERT_NE(labels[1], nullptr);
    EXPECT_EQ(form.FindComponent("NameLabel"), labels[1]);
    EXPECT_EQ(labels[1]->Parent(), &form);
    EXPECT_EQ(labels[1]->FocusControl(), name);
    EXPECT_EQ(labels[2]->FocusControl(), city); // the first control, not the empty cell
    auto at = [&](int r, int c) {
        QLayoutItem* item = grid->itemAtPosition(r, c);
        return item ? item->widget() : nullptr;
    };
    EXPECT_EQ(at(0, 0), note->Widget());
    EXPECT_EQ(at(0, 2), note->Widget());
    EXPECT_EQ(at(1, 0), labels[1]->Widget());
    EXPECT_EQ(at(1, 2), name->Widget());
    EXPECT_EQ(at(2, 1), nullptr);
    EXPECT_EQ(at(2, 2), city->Widget());
    EXPECT_EQ(at(3, 0), nullptr);
    EXPECT_EQ(at(3, 1), first->Widget());
    EXPECT_EQ(at(3, 2), zip->Widget());
    // More rows go below.
    AddGridRows(*grid, &form, &form, {{"ZipLabel", {zip}}});
    auto* zipLabel = dynamic_cast<TLabel*>(form.FindComponent("ZipLabel"));
    ASSERT_NE(zipLabel, nullptr);
    EXPECT_EQ(at(4, 0), zipLabel->Widget());

    labels[2]->SetCaption("&City");
    form.Show();
    QApplication::setActiveWindow(form.Widget());
    name->SetFocus();
    testing::TypeKey(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(form.ActiveControl(), city);
}

TEST_F(FormsTest, F1ShowsTheHelpTopicOfTheFocusedControl) {
    TNewUserDialog dialog(nullptr, 0);
    dialog.SetHelpContext(53);
    dialog.Edit2->SetHelpContext(56);
    std::vector<int> topics;
    Application().OnHelp = [&](const std::string&, int context) {
        topics.push_back(context);
        return true;
    };
    dialog.Show();
    for (TEdit* edit : {dialog.Edit2, dialog.Edit1}) {
        edit->SetFocus();
        testing::TypeKey(edit->Widget(), Qt::Key_F1);
    }
    Application().OnHelp = nullptr;
    EXPECT_EQ(topics, (std::vector<int>{56, 53}));
}

TEST_F(FormsTest, PasswordEditsHideAndLimitWhatIsTyped) {
    TNewUserDialog dialog(nullptr, 0);
    dialog.Show();
    testing::TypeText(dialog.Edit2->Widget(), "geheimnis");
    EXPECT_EQ(dialog.Edit2->Text(), "geheimni");
    const QString shown = static_cast<QLineEdit*>(dialog.Edit2->Widget())->displayText();
    EXPECT_EQ(shown.size(), 8);
    EXPECT_NE(shown, "geheimni");
}

TEST_F(FormsTest, ALaidOutDialogGrowsWithTheDesktopFontAndLabelsNeverRunIntoEdits) {
    const QFont desktop = QApplication::font();
    for (int points : {9, 11, 16}) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        TNewUserDialog dialog(nullptr, 1);
        dialog.Show();
        for (auto [label, edit] : {std::pair{dialog.Label1, dialog.Edit1}, std::pair{dialog.Label3, dialog.Edit3}}) {
            EXPECT_LE(label->Left() + label->Width(), edit->Left()) << points << " pt";
            EXPECT_GE(label->Width(), QFontMetrics(font).horizontalAdvance("Potvrdiť heslo")) << points << " pt";
            EXPECT_EQ(label->Font().Size, points);
        }
        EXPECT_LE(dialog.CancelButton->Left() + dialog.CancelButton->Width(), dialog.ClientWidth());
        testing::SaveWindowPicture(dialog, "new_user_" + std::to_string(points) + "pt");
    }
    QApplication::setFont(desktop);
}

TEST_F(FormsTest, TheDialogInThreeLanguages) {
    for (int language : {0, 1, 2}) {
        TNewUserDialog dialog(nullptr, language);
        dialog.Show();
        QImage picture = testing::SaveWindowPicture(dialog, std::string("new_user_") + "esc"[language]);
        EXPECT_FALSE(picture.isNull());
        EXPECT_EQ(dialog.Widget()->windowTitle().toStdString(), WindowCaption[language]);
    }
}

TEST_F(FormsTest, AFormFreedWhileShownModallyEndsTheModalLoop) {
    auto* dialog = new TNewUserDialog(nullptr, 0);
    bool destroyed = false;
    dialog->OnDestroy = [&](TComponent*) { destroyed = true; };
    EXPECT_EQ(ShowWith(*dialog, [&](TNewUserDialog& d) { d.Free(); }), mrCancel);
    EXPECT_TRUE(destroyed);
}

TEST_F(FormsTest, ACloseActionOfFreeFreesTheFormAfterTheEventLoopComesBack) {
    auto* dialog = new TNewUserDialog(nullptr, 0);
    bool destroyed = false;
    dialog->OnDestroy = [&](TComponent*) { destroyed = true; };
    dialog->OnClose = [](TComponent*, TCloseAction& action) { action = TCloseAction::caFree; };
    EXPECT_EQ(ShowWith(*dialog, [](TNewUserDialog& d) { d.OkButton->Click(); }), mrOk);
    EXPECT_FALSE(destroyed);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(destroyed);
}

TEST_F(FormsTest, AModalFormWithNoAnswerFailsNamingItself) {
    TNewUserDialog dialog(nullptr, 0);
    try {
        dialog.ShowModal();
        FAIL() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("NewUserDialog"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(FormsTest, AnOwnedDialogStandsOverItsOwnerAndKeepsItsSize) {
    auto* owner = new TForm(nullptr);
    owner->Show();
    auto* dialog = new TNewUserDialog(owner, 0);
    EXPECT_EQ(dialog->Widget()->parentWidget(), owner->Widget());
    EXPECT_TRUE(dialog->Widget()->isWindow());
    EXPECT_EQ(dialog->Widget()->minimumSize(), dialog->Widget()->maximumSize());
    dialog->SetFormStyle(TFormStyle::fsStayOnTop);
    EXPECT_TRUE(dialog->Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    // A window that stands over another but belongs to nobody outlives it.
    auto* other = new TForm(nullptr);
    other->Widget()->setParent(owner->Widget(), other->Widget()->windowFlags());
    bool freed = false;
    dialog->OnDestroy = [&](TComponent*) { freed = true; };
    owner->Free();
    EXPECT_TRUE(freed);
    other->SetCaption("still here");
    EXPECT_EQ(other->Caption(), "still here");
    other->Free();
}

TEST_F(FormsTest, GeometryIsTheWidgetsAfterALayoutOrTheUserMovesIt) {
    TForm form(nullptr);
    form.SetClientSize(300, 100);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(5, 5, 50, 20);
    edit->Widget()->move(40, 30);
    EXPECT_EQ(edit->Left(), 40);
    EXPECT_EQ(edit->Top(), 30);
    auto* row = new QHBoxLayout(form.ClientWidget());
    row->setContentsMargins(10, 10, 10, 10);
    row->addWidget(edit->Widget());
    form.Show();
    EXPECT_EQ(edit->Left(), 10);
    EXPECT_EQ(edit->Width(), form.ClientWidth() - 20);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The frame window: a tool bar and a status bar around the client area, a menu bar, and
// module windows shown in the client area one at a time.
class TFrameForm : public TForm {
public:
    explicit TFrameForm(TComponent* owner) : TForm(owner, TFormStyle::fsMDIForm) {
        SetCaption("KV-Zirt");
        ToolBar1->SetParent(this);
        StatusBar1->SetParent(this);
        StatusBar1->AddPanel(200)->SetText("Eva");
        FileMenu->SetCaption("&File");
        MainMenu1->Items()->Add(FileMenu);
        ExitItem->SetCaption("E&xit");
        FileMenu->Add(ExitItem);
        SetMenu(MainMenu1);
    }
    TToolBar* ToolBar1 = new TToolBar(this);
    TStatusBar* StatusBar1 = new TStatusBar(this);
    TMainMenu* MainMenu1 = new TMainMenu(this);
    TMenuItem* FileMenu = new TMenuItem(this);
    TMenuItem* ExitItem = new TMenuItem(this);
};

class TModuleForm : public TForm {
public:
    TModuleForm(TComponent* owner, const char* caption) : TForm(owner) {
        SetFormStyle(TFormStyle::fsMDIChild);
        SetCaption(caption);
        auto* memo = new TMemo(this);
        memo->SetParent(this);
        memo->SetAlign(TAlign::alClient);
        memo->SetText(caption);
    }
};

TEST_F(FormsTest, TheFrameWindowShowsOneModuleWindowInItsClientArea) {
    auto* frame = Application().CreateForm<TFrameForm>();
    ASSERT_EQ(Application().MainForm(), frame);
    EXPECT_NE(qobject_cast<QMainWindow*>(frame->Widget()), nullptr);
    auto* addresses = new TModuleForm(frame, "Addresses");
    auto* tasks = new TModuleForm(frame, "Tasks");
    // A saved place of the window is kept.
    frame->SetBounds(60, 40, 640, 420);
    frame->Show();
    EXPECT_EQ(frame->Left(), 60);
    EXPECT_EQ(frame->Top(), 40);
    addresses->Show();
    tasks->Show();
    EXPECT_EQ(frame->MDIChildCount(), 2);
    EXPECT_EQ(frame->ActiveMDIChild(), tasks);
    EXPECT_FALSE(tasks->Widget()->isWindow());
    EXPECT_FALSE(addresses->Widget()->isVisible());
    addresses->Show();
    EXPECT_EQ(frame->ActiveMDIChild(), addresses);
    // The module window fills what the tool bar and the status bar leave.
    QWidget* client = addresses->Widget()->parentWidget();
    EXPECT_EQ(client->y(), frame->ToolBar1->Height());
    EXPECT_EQ(client->y() + client->height(), frame->StatusBar1->Top());
    EXPECT_EQ(client->width(), frame->ClientWidth());

    auto* bar = qobject_cast<QMainWindow*>(frame->Widget())->menuBar();
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions()[0]->text(), "&File");
    frame->FileMenu->SetCaption("&Súbor");
    EXPECT_EQ(bar->actions()[0]->text(), "&Súbor");
    // A top item's caption, state and items change its own menu; the bar keeps its menus.
    QMenu* file = bar->actions()[0]->menu();
    frame->FileMenu->SetEnabled(false);
    EXPECT_FALSE(bar->actions()[0]->isEnabled());
    frame->FileMenu->SetEnabled(true);
    EXPECT_TRUE(bar->actions()[0]->isEnabled());
    auto* open = new TMenuItem(frame);
    open->SetCaption("Open");
    frame->FileMenu->Add(open);
    ASSERT_EQ(bar->actions()[0]->menu(), file);
    ASSERT_EQ(file->actions().size(), 2);
    EXPECT_EQ(file->actions()[1], open->Action());
    delete open;
    EXPECT_EQ(file->actions().size(), 1);
    // A top item that comes, hides or shows again changes the bar.
    auto* view = new TMenuItem(frame);
    view->SetCaption("&View");
    frame->MainMenu1->Items()->Add(view);
    ASSERT_EQ(bar->actions().size(), 2);
    frame->FileMenu->SetVisible(false);
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions()[0]->text(), "&View");
    frame->FileMenu->SetCaption("&File");
    frame->FileMenu->SetVisible(true);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "&File");
    EXPECT_EQ(bar->actions()[0]->menu()->actions().size(), 1);
    testing::SaveWindowPicture(*frame, "frame");
    frame->Free();
    EXPECT_EQ(Application().MainForm(), nullptr);
}

} // namespace
} // namespace kvz
