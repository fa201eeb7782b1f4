#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

namespace kvz {
namespace {

using testing::FormsTest;

// Hears of the components it watches going away.
class Watcher : public TComponent {
public:
    std::vector<std::string> gone;
    void Watch(TComponent* c) { c->FreeNotification(this); }

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove) gone.push_back(c->Name());
    }
};

// A small window as the program's windows are written: controls as members, handlers as methods.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner) : TForm(owner) {
        SetCaption("Test");
        SetClientSize(200, 100);
        Panel1->SetName("Panel1");
        Panel1->SetParent(this);
        Panel1->SetHeight(20);
        Panel1->SetAlign(TAlign::alTop);
        Edit1->SetName("Edit1");
        Edit1->SetParent(this);
        Edit1->SetAlign(TAlign::alClient);
        OkButton->SetName("OkButton");
        OkButton->SetParent(Panel1);
        OkButton->SetModalResult(mrOk);
        OnCreate = [this](TComponent*) { log.push_back("create"); };
        OnShow = [this](TComponent*) { log.push_back("show"); };
        OnHide = [this](TComponent*) { log.push_back("hide"); };
        OnCloseQuery = [this](TComponent*, bool& can) {
            log.push_back("closequery");
            can = allowClose;
        };
        OnClose = [this](TComponent*, TCloseAction&) { log.push_back("close"); };
        OnDestroy = [this](TComponent*) { destroyLog->push_back("destroy " + Caption()); };
    }
    TCustomControl* Panel1 = new TCustomControl(this);
    TEdit* Edit1 = new TEdit(this);
    TButton* OkButton = new TButton(this);
    std::vector<std::string> log;
    std::vector<std::string>* destroyLog = &log;
    bool allowClose = true;
};

TEST_F(FormsTest, OwnerFreesItsComponentsAndTellsThoseWhoAsked) {
    Watcher watcher;
    std::vector<std::string> destroyed;
    auto* form = new TTestForm(nullptr);
    form->destroyLog = &destroyed;
    watcher.Watch(form->Edit1);
    watcher.Watch(form->OkButton);
    ASSERT_EQ(form->Panel1->ControlCount(), 1);
    // A control freed on its own leaves its parent.
    delete form->OkButton;
    EXPECT_EQ(form->Panel1->ControlCount(), 0);
    EXPECT_EQ(watcher.gone, std::vector<std::string>{"OkButton"});
    form->Free();
    EXPECT_EQ(watcher.gone, (std::vector<std::string>{"OkButton", "Edit1"}));
    EXPECT_EQ(destroyed, std::vector<std::string>{"destroy Test"});
}

TEST_F(FormsTest, AlignedControlsShareTheClientArea) {
    TTestForm form(nullptr);
    EXPECT_EQ(form.Panel1->BoundsRect(), Rect(0, 0, 200, 20));
    EXPECT_EQ(form.Edit1->BoundsRect(), Rect(0, 20, 200, 100));
    form.SetClientSize(300, 150);
    EXPECT_EQ(form.Edit1->BoundsRect(), Rect(0, 20, 300, 150));
    form.Panel1->Hide();
    EXPECT_EQ(form.Edit1->BoundsRect(), Rect(0, 0, 300, 150));
}

TEST_F(FormsTest, ShowModalReturnsTheResultOfTheButtonAndRunsTheEventsInOrder) {
    TResponder responder;
    TTestForm form(nullptr);
    responder.OnShowModal = [](TForm& f) {
        static_cast<TTestForm&>(f).Edit1->SetText("typed");
        static_cast<TTestForm&>(f).OkButton->Click();
        return mrNone;
    };
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(form.Edit1->Text(), "typed");
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.log, (std::vector<std::string>{"create", "show", "closequery", "close", "hide"}));
}

TEST_F(FormsTest, AVetoedCloseKeepsTheModalFormOpen) {
    TResponder responder;
    TTestForm form(nullptr);
    form.allowClose = false;
    int rounds = 0;
    responder.OnShowModal = [&](TForm& f) {
        if (++rounds == 2) static_cast<TTestForm&>(f).allowClose = true;
        f.Close();
        return mrNone;
    };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(rounds, 2);
}

TEST_F(FormsTest, AModalFormWithNobodyToAnswerFailsInsteadOfWaiting) {
    TResponder responder;
    TTestForm form(nullptr);
    EXPECT_THROW(form.ShowModal(), std::logic_error);
    EXPECT_FALSE(form.Visible());
    EXPECT_THROW(ShowMessageBox("Unexpected", "Test", MB_OK), std::logic_error);
}

TEST_F(FormsTest, ErrorsOfHandlersReachTheDefaultHandlerAndAbortIsQuiet) {
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    TTestForm form(nullptr);
    form.OkButton->OnClick = [](TComponent*) { throw std::runtime_error("Disk full"); };
    EXPECT_THROW(form.OkButton->Click(), std::runtime_error); // a direct call: the error goes to the caller
    ASSERT_TRUE(responder.MessageBoxes.empty());
    QMetaObject::invokeMethod(form.OkButton->Widget(), "click");
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Disk full");
    EXPECT_EQ(responder.MessageBoxes[0].Caption, Application().Title());
    EXPECT_EQ(responder.MessageBoxes[0].Style, MB_OK | MB_ICONSTOP);
    form.OkButton->OnClick = [](TComponent*) { Abort(); };
    QMetaObject::invokeMethod(form.OkButton->Widget(), "click");
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
}

TEST_F(FormsTest, KeyPreviewLetsTheFormTakeKeysFirst) {
    TTestForm form(nullptr);
    std::vector<std::string> seen;
    form.OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState) {
        seen.push_back("form " + std::to_string(key));
        if (key == VK_ESCAPE) key = 0;
    };
    form.Edit1->OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState) { seen.push_back("edit " + std::to_string(key)); };
    form.Show();
    form.Edit1->SetFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), form.Edit1->Widget());
    testing::Key(form.Edit1->Widget(), Qt::Key_Escape);
    EXPECT_EQ(seen, std::vector<std::string>{"edit 27"});
    form.SetKeyPreview(true);
    testing::Key(form.Edit1->Widget(), Qt::Key_Escape);
    testing::Key(form.Edit1->Widget(), Qt::Key_Down);
    EXPECT_EQ(seen, (std::vector<std::string>{"edit 27", "form 27", "form 40", "edit 40"}));
}

TEST_F(FormsTest, MessageBoxHelpRunsHelpAndKeepsTheBoxOpen) {
    TResponder responder;
    responder.MessageBoxAnswers = {IDHELP, IDHELP, IDNO};
    int helps = 0;
    TMessageBoxParams params;
    params.Text = "Save?";
    params.Style = MB_YESNO | MB_HELP;
    params.OnHelp = [&] { ++helps; };
    EXPECT_EQ(ShowMessageBox(params), IDNO);
    EXPECT_EQ(helps, 2);
    EXPECT_EQ(responder.MessageBoxes.size(), 3u);
}

// The real box: Help runs the help and leaves the box open until a button closes it.
TEST_F(FormsTest, RealMessageBoxStaysOpenAfterHelp) {
    testing::Attended attended;
    int helps = 0;
    bool openAfterHelp = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::HelpRole) b->click();
        openAfterHelp = box->isVisible();
        box->button(QMessageBox::No)->click();
    });
    TMessageBoxParams params;
    params.Text = "Save?";
    params.Style = MB_YESNO | MB_HELP;
    params.OnHelp = [&] { ++helps; };
    EXPECT_EQ(ShowMessageBox(params), IDNO);
    EXPECT_EQ(helps, 1);
    EXPECT_TRUE(openAfterHelp);
}

TEST_F(FormsTest, ManualTimersFireAsTheirIntervalsFit) {
    TManualTimers clock;
    TTimer timer(nullptr);
    std::vector<long long> ticks;
    timer.SetInterval(500);
    timer.OnTimer = [&](TComponent*) {
        ticks.push_back(clock.Now());
        timer.SetInterval(100);
    };
    clock.Advance(499);
    EXPECT_TRUE(ticks.empty());
    clock.Advance(301);
    EXPECT_EQ(ticks, (std::vector<long long>{500, 600, 700, 800}));
    timer.SetEnabled(false);
    clock.Advance(1000);
    EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(FormsTest, PopupMenuRunsTheChosenItem) {
    TResponder responder;
    TPopupMenu menu(nullptr);
    auto* open = new TMenuItem(&menu);
    open->SetCaption("Open");
    menu.Items()->Add(open);
    int clicks = 0;
    open->OnClick = [&](TComponent*) { ++clicks; };
    responder.OnPopupMenu = [&](TPopupMenu& m) { return m.Items()->Items(0); };
    menu.Popup(10, 10);
    EXPECT_EQ(clicks, 1);
    delete open;
    EXPECT_EQ(menu.Items()->Count(), 0);
}

} // namespace
} // namespace kvz
