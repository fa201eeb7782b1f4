// The task operations in their windows: cells chosen in the week grid, the pop-up commands, the
// detail balloon, the payment order form and the Actual button, driven headless.
#include "scheduling/Info.h"
#include "scheduling/Pay.h"
#include "scheduling/TaskOperations.h"
#include "scheduling/UlohaChild.h"

#include "core/DataModuleParts.h"
#include "platform/forms/DropSource.h"
#include "platform/forms/Responder.h"

#include "SchedulingTesting.h"

#include <QApplication>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>

namespace kvz {
namespace {

// Sunday 5 January 2025, noon.
constexpr TDateTime kToday = 45662.5;
TDateTime D(int y, int m, int d) { return DateOfDay(y, m, d); }

struct FakeFrame : FrameServices {
    std::vector<std::pair<std::string, std::string>> paid;
    void HideSplitEnableButton() override {}
    void SubProjectTableFilterRecord(TDataSet&, bool&) override {}
    void PayFacture(const std::string& file, const std::string& type) override { paid.emplace_back(file, type); }
    void DownloadPays(int) override {}
    void UpdateTemko() override {}
};

class FakeDrag : public TDragRunner {
public:
    Qt::DropAction Exec(QWidget*, std::unique_ptr<QMimeData> data, Qt::DropActions allowed) override {
        texts.push_back(data->text().toStdString());
        offered = allowed;
        return Qt::CopyAction;
    }
    std::vector<std::string> texts;
    Qt::DropActions offered;
};

class TaskOperationsWindowTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), false);
        program->frame.Frame = &frame;
    }
    void TearDown() override {
        if (window) window->Free();
        window = nullptr;
        program.reset();
        SetLanguage(2);
    }
    TUlohaChildForm& Open(int page) {
        program->settings.Nastavenia[UlohaSlots::StartPage] = page;
        window = new TUlohaChildForm(nullptr, *program->data, program->frame);
        window->FormShow();
        window->Show();
        window->SetBounds(0, 0, 1000, 700);
        QApplication::processEvents();
        return *window;
    }
    TVolgaTable& Tasks() { return *program->data->TaskTable; }
    // Changes fields of a task through the writer.
    void Change(const std::string& key, const std::function<void(TVolgaTable&)>& change) {
        TVolgaTable& t = Tasks();
        const bool filtered = t.Filtered();
        t.SetFiltered(false);
        program->locks.WriteSharedTable(t, program->data->LockFileName(TableId::Tasks), false, kRecordCommandPoll, [&] {
            ASSERT_TRUE(t.Locate("Number", Variant(key), 0)) << key;
            t.Edit();
            change(t);
            t.Post();
        });
        t.SetFiltered(filtered);
    }
    void MakeInvoice(const std::string& key, const std::string& account) {
        Change(key, [&](TVolgaTable& t) {
            t.FieldByName("Task_type").SetAsString("F");
            t.FieldByName("Acount_pay").SetAsString(account);
            t.FieldByName("Bank_pay").SetAsString("1100");
            t.FieldByName("Var_pay").SetAsString("2025001");
            t.FieldByName("Const_pay").SetAsString("0308");
            t.FieldByName("Value_pay").SetAsString("123,45");
            t.FieldByName("Path").SetAsString("https://bank.example/pay");
            t.FieldByName("Run").SetAsBoolean(true);
        });
    }
    bool Exists(const std::string& key) {
        const bool filtered = Tasks().Filtered();
        Tasks().SetFiltered(false);
        const bool found = Tasks().Locate("Number", Variant(key), 0);
        Tasks().SetFiltered(filtered);
        return found;
    }
    bool Completed(const std::string& key) {
        Tasks().SetFiltered(false);
        EXPECT_TRUE(Tasks().Locate("Number", Variant(key), 0)) << key;
        return Tasks().FieldByName("Completed").AsBoolean();
    }
    void FiveTasksToday() {
        program->AddTasks({{"T0000001", D(2025, 1, 5), "08:00", "First"},
                           {"T0000002", D(2025, 1, 5), "09:00", "Second", 0x123456},
                           {"T0000003", D(2025, 1, 5), "10:00", "Third"},
                           {"T0000004", D(2025, 1, 5), "11:00", "Fourth"},
                           {"T0000005", D(2025, 1, 5), "12:00", "Fifth"},
                           {"OTHERDAY", D(2025, 1, 9), "12:00", "Elsewhere"}});
    }

    FixedClock clock{kToday};
    ScopedClock useClock{clock};
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    FakeFrame frame;
    TUlohaChildForm* window = nullptr;
    TResponder responder;
};

// A mouse event as the grid's cells receive it (on the view's viewport).
void MouseOnCell(TTaskStringGrid& grid, QEvent::Type type, int col, int row, Qt::MouseButtons held = Qt::LeftButton) {
    QTableView* v = grid.View();
    const QPoint at = v->visualRect(v->model()->index(row - 1, col - 1)).center();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), v->viewport()->mapToGlobal(QPointF(at)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : held, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &e);
}

TEST_F(TaskOperationsWindowTest, DraggingOverWeekCellsChoosesTheirTasksForOneEdit) {
    program->AddTasks({{"MONDAY01", D(2024, 12, 30), "09:00", "Mon"}, {"TUESDAY1", D(2024, 12, 31), "10:00", "Tue"}});
    TUlohaChildForm& w = Open(1);
    TTaskStringGrid& g = *w.StringGrid2;
    ASSERT_EQ(g.CellText(1, 5), "MONDAY01");
    ASSERT_EQ(g.CellText(2, 6), "TUESDAY1");
    MouseOnCell(g, QEvent::MouseButtonPress, 1, 5);
    MouseOnCell(g, QEvent::MouseMove, 1, 5);
    EXPECT_EQ(w.SelectedTaskKeys(), (std::vector<std::string>{"MONDAY01"}));
    MouseOnCell(g, QEvent::MouseMove, 3, 5); // an empty cell
    MouseOnCell(g, QEvent::MouseMove, 2, 6);
    EXPECT_EQ(w.StatusLabel->Caption(), "Edit tasks for : 30/12/2024 .. 31/12/2024 ");
    EXPECT_FALSE(w.DateLabel->Visible());
    EXPECT_EQ(w.Tag(), 0); // until the button goes up
    MouseOnCell(g, QEvent::MouseButtonRelease, 2, 6);
    EXPECT_EQ(w.Tag(), 1);
    EXPECT_EQ(w.SelectedRecordCodes(), (std::vector<std::string>{"MONDAY01", "TUESDAY1"}));
    EXPECT_EQ(w.EditorHost().SelectedTaskKeys(), (std::vector<std::string>{"MONDAY01", "TUESDAY1"}));
    // The next press starts again.
    MouseOnCell(g, QEvent::MouseButtonPress, 1, 5);
    EXPECT_EQ(w.Tag(), 0);
    EXPECT_TRUE(w.SelectedTaskKeys().empty());
    EXPECT_EQ(w.StatusLabel->Caption(), "Task for : ");
    EXPECT_TRUE(w.DateLabel->Visible());
}

TEST_F(TaskOperationsWindowTest, ShiftAndAnArrowChooseTheCellTheyLeave) {
    program->AddTasks({{"MONDAY01", D(2024, 12, 30), "09:00", "Mon"}});
    TUlohaChildForm& w = Open(1);
    TTaskStringGrid& g = *w.StringGrid2;
    g.SelectCell(1, 5);
    g.SetFocus();
    testing::Key(g.View(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(w.SelectedTaskKeys(), (std::vector<std::string>{"MONDAY01"}));
    EXPECT_EQ(w.Tag(), 1);
    EXPECT_EQ(w.StatusLabel->Caption(), "Edit tasks for : 30/12/2024 .. 30/12/2024 ");
    testing::Key(g.View(), Qt::Key_Down);
    EXPECT_EQ(w.Tag(), 0);
    EXPECT_TRUE(w.SelectedTaskKeys().empty());
}

TEST_F(TaskOperationsWindowTest, ThePopUpCommandsAskTheFrameAndCloneOpensTheEditorOnACopy) {
    program->AddTasks({{"T0000001", D(2025, 1, 5), "08:00", "First"}});
    TUlohaChildForm& w = Open(0);
    std::vector<Command> asked;
    w.OnRequest = [&](Command c) {
        asked.push_back(c);
        if (!FrameRunsCommand(c)) w.Run(c);
    };
    std::vector<TaskEditorCall> opened;
    w.OpenTaskEditor = [&](TaskEditorCall call) { opened.push_back(call); };
    bool setup = false;
    w.OpenSetup = [&] { setup = true; };
    w.AddPopupClick();
    w.EditPopupClick();
    w.CloneTaskPopupClick();
    w.EditPopupClick(); // the clone flag belongs to one opening
    w.DeletePopupClick();
    w.PayPopupClick();
    w.SetupPopupMenuClick();
    EXPECT_EQ(asked, (std::vector<Command>{Command::Insert, Command::Edit, Command::Edit, Command::Edit, Command::Delete,
                                           Command::Pay}));
    EXPECT_EQ(opened, (std::vector<TaskEditorCall>{TaskEditorCall::Insert, TaskEditorCall::Edit, TaskEditorCall::Clone,
                                                   TaskEditorCall::Edit}));
    EXPECT_TRUE(setup);
    // Pay is on in the menu for an invoice only.
    Tasks().First();
    w.PopupMenu1Popup();
    EXPECT_FALSE(w.PayPopup->Enabled());
    MakeInvoice("T0000001", "2600");
    w.PopupMenu1Popup();
    EXPECT_TRUE(w.PayPopup->Enabled());
}

TEST_F(TaskOperationsWindowTest, ALeftPressInTheSmallGridGivesTheFontDialogItsFont) {
    TUlohaChildForm& w = Open(0);
    w.UlohaDbGrid->SetFont({"Serif", 13, clMaroon, fsBold});
    DataModuleParts().FontDialog1.Font = {};
    w.Panel2MouseDown(w.TaskKvGrid, TMouseButton::mbLeft);
    w.Panel2MouseDown(w.UlohaDbGrid, TMouseButton::mbRight);
    EXPECT_EQ(DataModuleParts().FontDialog1.Font, TFont{});
    w.Panel2MouseDown(w.UlohaDbGrid, TMouseButton::mbLeft);
    EXPECT_EQ(DataModuleParts().FontDialog1.Font, w.UlohaDbGrid->Font());
}

TEST_F(TaskOperationsWindowTest, ActualWritesTheTasksAndSaysWhenTheCompanionIsMissing) {
    program->AddTasks({{"T0000001", D(2025, 1, 5), "08:00", "First"}});
    TUlohaChildForm& w = Open(0);
    Tasks().SetTag(1);
    responder.MessageBoxAnswers = {IDOK};
    w.AktualButtonClick();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Error in start.");
    EXPECT_EQ(Tasks().Tag(), 0);
    EXPECT_FALSE(program->locks.TableLockHeld());
    // Present: started, and nothing said.
    program->frame.ProgramFolder = dir.path();
    std::filesystem::copy_file("/bin/true", dir.path() / "temko");
    w.AktualButtonClick();
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
}

TEST_F(TaskOperationsWindowTest, StopInvoiceRemindCompletesTheTaskWithTheKeyOnly) {
    program->AddTasks({{"T0000001", D(2025, 1, 5), "08:00", "First"}, {"T0000002", D(2025, 1, 5), "09:00", "Second"}});
    TUlohaChildForm& w = Open(0);
    Tasks().First();
    w.StopInvoiceRemind("");
    w.StopInvoiceRemind("T000");
    EXPECT_FALSE(Completed("T0000001"));
    EXPECT_FALSE(Completed("T0000002"));
    w.StopInvoiceRemind("T0000002");
    EXPECT_FALSE(Completed("T0000001"));
    EXPECT_TRUE(Completed("T0000002"));
}

// ---- the balloon ----

TEST_F(TaskOperationsWindowTest, TheBalloonListsTheDaysTasksAndScrollsToTheFifth) {
    FiveTasksToday();
    TInfoForm b(nullptr, *program->data, program->frame, "T0000003", RightBelow);
    b.Show();
    QApplication::processEvents();
    EXPECT_EQ(b.InfoCount(), 5);
    EXPECT_EQ(b.Label1->Caption(), "5");
    EXPECT_EQ(b.InfoIndex(), 1);
    EXPECT_EQ(b.ScrollBox1->Left(), 10);
    EXPECT_EQ(b.ScrollBox1->Width(), 411);
    for (int n = 1; n <= 5; ++n) {
        const std::string key = "T000000" + std::to_string(n);
        EXPECT_EQ(b.PanelLabel(n, "Info")->Caption(), key);
        EXPECT_EQ(b.PanelLabel(n, "VLabel6_")->Caption(), std::to_string(7 + n < 10 ? 0 : 1) + std::to_string((7 + n) % 10) + ":00");
        EXPECT_EQ(b.PanelLabel(n, "VLabel4_")->Caption(), "05/01/2025");
    }
    EXPECT_EQ(b.PanelLabel(1, "VLabel3_")->Caption(), "First");
    // A colour that is none of the sixteen gets black text.
    EXPECT_EQ(b.PanelLabel(2, "VLabel3_")->Font().Color, clBlack);
    EXPECT_EQ(b.PanelLabel(1, "VLabel1_")->Caption(), GetMessageText(MessageId::Task));
    for (int i = 0; i < 6; ++i) b.SpinButton1DownClick();
    EXPECT_EQ(b.InfoIndex(), 5);
    EXPECT_EQ(b.KeyInView(), "T0000005");
    EXPECT_EQ(static_cast<QScrollArea*>(b.ScrollBox1->Widget())->verticalScrollBar()->value(), 4 * kInfoPanelHeight);
    b.SpinButton1UpClick();
    EXPECT_EQ(b.KeyInView(), "T0000004");
    int edits = 0;
    std::string current;
    b.EditTask = [&] {
        ++edits;
        current = Tasks().FieldByName("Number").AsString();
    };
    b.SpeedButton2Click();
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(current, "T0000004");
}

TEST_F(TaskOperationsWindowTest, ABalloonOfOneTaskHasNoBadgeAndNoSpinButton) {
    program->AddTasks({{"ALONE001", D(2025, 1, 5), "08:00", "Alone"}});
    TInfoForm b(nullptr, *program->data, program->frame, "ALONE001", LeftAbove);
    b.Show();
    QApplication::processEvents();
    EXPECT_EQ(b.InfoCount(), 1);
    EXPECT_FALSE(b.Label1->Visible());
    EXPECT_FALSE(b.SpinButton1->Visible());
    EXPECT_FALSE(b.Panel1->Visible());
    EXPECT_EQ(b.ScrollBox1->Left(), 16);
    EXPECT_EQ(b.ScrollBox1->Width(), 405);
    EXPECT_EQ(b.Outline()[4], (TPoint{405, 274}));
}

// The second press of delete finds the panel's task gone and deletes nothing else.
TEST_F(TaskOperationsWindowTest, TheBalloonsDeleteTwiceDeletesOneTask) {
    FiveTasksToday();
    TInfoForm b(nullptr, *program->data, program->frame, "T0000001", RightBelow);
    int changed = 0;
    b.TasksChanged = [&] { ++changed; };
    b.SpinButton1DownClick();
    ASSERT_EQ(b.KeyInView(), "T0000002");
    responder.MessageBoxAnswers = {IDNO};
    b.SpeedButton1Click();
    EXPECT_TRUE(Exists("T0000002"));
    responder.MessageBoxAnswers = {IDYES, IDYES};
    b.SpeedButton1Click();
    EXPECT_FALSE(Exists("T0000002"));
    EXPECT_TRUE(b.PanelGone(2));
    EXPECT_FALSE(b.SpeedButton1->Enabled());
    b.SpeedButton1Click();
    Tasks().SetFiltered(false);
    EXPECT_EQ(Tasks().RecordCount(), 5);
    for (const char* key : {"T0000001", "T0000003", "T0000004", "T0000005", "OTHERDAY"}) EXPECT_TRUE(Exists(key)) << key;
    EXPECT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[1].Text, GetMessageText(MessageId::DeleteTasks));
    EXPECT_EQ(responder.MessageBoxes[1].Caption, GetMessageText(MessageId::WarningCaption));
    EXPECT_EQ(changed, 1);
    // The panels before and after still act.
    b.SpinButton1DownClick();
    EXPECT_TRUE(b.SpeedButton1->Enabled());
}

// A task that another deleted meanwhile: its panel is disabled, nothing else is touched.
TEST_F(TaskOperationsWindowTest, ATaskGoneSinceTheBalloonOpenedDisablesItsPanel) {
    FiveTasksToday();
    TInfoForm b(nullptr, *program->data, program->frame, "T0000001", RightBelow);
    DeleteTaskByKey(TaskTableTarget(*program->data, program->frame), "T0000001");
    int edits = 0;
    b.EditTask = [&] { ++edits; };
    b.SpeedButton2Click();
    b.SpeedButton3Click();
    EXPECT_EQ(edits, 0);
    EXPECT_TRUE(b.PanelGone(1));
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

TEST_F(TaskOperationsWindowTest, PayOpensTheAddressOfAPaymentTaskOnly) {
    FiveTasksToday();
    MakeInvoice("T0000001", "2600123456");
    Change("T0000002", [](TVolgaTable& t) {
        t.FieldByName("Task_type").SetAsString("F");
        t.FieldByName("Path").SetAsString("https://bank.example");
        t.FieldByName("Run").SetAsBoolean(false);
    });
    Change("T0000003", [](TVolgaTable& t) {
        t.FieldByName("Task_type").SetAsString("P");
        t.FieldByName("Path").SetAsString("https://bank.example/p");
        t.FieldByName("Run").SetAsBoolean(true);
    });
    Change("T0000004", [](TVolgaTable& t) {
        t.FieldByName("Task_type").SetAsString("X");
        t.FieldByName("Path").SetAsString("https://bank.example/x");
        t.FieldByName("Run").SetAsBoolean(true);
    });
    TInfoForm b(nullptr, *program->data, program->frame, "T0000001", RightBelow);
    EXPECT_NE(b.PanelLabel(1, "VLabel3_")->Caption().find(GetMessageText(MessageId::AtAccount) + "2600123456" + GetMessageText(MessageId::VariableSign) + "2025001"),
              std::string::npos);
    for (int n = 1; n <= 5; ++n) {
        b.SpeedButton3Click();
        b.SpinButton1DownClick();
    }
    EXPECT_EQ(frame.paid, (std::vector<std::pair<std::string, std::string>>{{"https://bank.example/pay", "F"},
                                                                          {"https://bank.example/p", "P"}}));
}

// The balloon opens beside the clicked point and whole on the screen, also at its edges.
TEST_F(TaskOperationsWindowTest, TheWindowOpensTheBalloonBesideTheClickOnTheScreen) {
    FiveTasksToday();
    TUlohaChildForm& w = Open(0);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const TPoint clicks[] = {{area.left() + 5, area.top() + 5},
                             {area.right() - 2, area.top() + 5},
                             {area.left() + 5, area.bottom() - 2},
                             {area.right() - 2, area.bottom() - 2}};
    for (const TPoint& click : clicks) {
        w.ClickPoint = click;
        w.ClickedTaskKey = "T0000003";
        bool shown = false;
        responder.OnShowModal = [&](TForm& f) {
            shown = true;
            auto& b = dynamic_cast<TInfoForm&>(f);
            const BalloonPlace expected = PlaceBalloon(click, {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
            EXPECT_EQ(b.Outline(), InfoOutlineOf(expected.Orientation));
            EXPECT_GE(b.Left(), area.left());
            EXPECT_GE(b.Top(), area.top());
            EXPECT_LE(b.Left() + kInfoWidth, area.right() + 1);
            EXPECT_LE(b.Top() + kInfoHeight, area.bottom() + 1);
            EXPECT_EQ(b.InfoCount(), 5);
            return mrOk;
        };
        w.ViewDetail();
        EXPECT_TRUE(shown);
    }
    // Nothing clicked: the current task's balloon, beside the pointer.
    w.ClickedTaskKey.clear();
    bool shown = false;
    responder.OnShowModal = [&](TForm& f) {
        shown = true;
        EXPECT_EQ(dynamic_cast<TInfoForm&>(f).InfoCount(), 5);
        return mrOk;
    };
    w.ViewDetail();
    EXPECT_TRUE(shown);
}

// The payment form must work beside the bank's page: the balloon closes before the payment runs.
TEST_F(TaskOperationsWindowTest, PayFromTheBalloonClosesItFirst) {
    FiveTasksToday();
    MakeInvoice("T0000003", "2600");
    TUlohaChildForm& w = Open(0);
    w.ClickPoint = {100, 100};
    w.ClickedTaskKey = "T0000001";
    responder.OnShowModal = [&](TForm& f) {
        auto& b = dynamic_cast<TInfoForm&>(f);
        b.SpinButton1DownClick();
        b.SpinButton1DownClick();
        b.SpeedButton3Click();
        EXPECT_TRUE(frame.paid.empty()); // not while the balloon is up
        return mrNone;
    };
    w.ViewDetail();
    EXPECT_EQ(frame.paid, (std::vector<std::pair<std::string, std::string>>{{"https://bank.example/pay", "F"}}));
}

TEST_F(TaskOperationsWindowTest, TheBalloonInEveryOrientationAndLanguage) {
    FiveTasksToday();
    MakeInvoice("T0000001", "SK31 1200 0000 1987 4263 7541");
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        for (int o : {RightBelow, RightAbove, LeftBelow, LeftAbove}) {
            TInfoForm b(nullptr, *program->data, program->frame, "T0000001", o);
            b.Show();
            QApplication::processEvents();
            const QImage picture = testing::SaveWindowPicture(b, "info_o" + std::to_string(o) + "_l" + std::to_string(language));
            EXPECT_FALSE(picture.isNull());
            // The outline's mask leaves the corner outside the body out of the window.
            EXPECT_FALSE(b.Widget()->mask().contains(QPoint(1, 45)));
            EXPECT_TRUE(b.Widget()->mask().contains(QPoint(200, 120)));
        }
    }
}

// ---- the payment order form ----

TEST_F(TaskOperationsWindowTest, ThePaymentFormShowsTheInvoiceAndDragsItsFieldsOut) {
    FiveTasksToday();
    MakeInvoice("T0000002", "2600123456");
    Change("T0000003", [](TVolgaTable& t) { t.FieldByName("Task_type").SetAsString("F"); });
    Tasks().Locate("Number", Variant("T0000002"), 0);
    TPayForm pay(nullptr, *program->data, program->frame);
    pay.FormShow();
    pay.FormActivate();
    EXPECT_EQ(pay.PayTaskNumber(), "T0000002");
    EXPECT_EQ(pay.Edit1->Text(), "2600123456");
    EXPECT_EQ(pay.Edit2->Text(), "1100");
    EXPECT_EQ(pay.Edit3->Text(), "2025001");
    EXPECT_EQ(pay.Edit4->Text(), "0308");
    EXPECT_EQ(pay.Edit5->Text(), "123,45");
    EXPECT_EQ(pay.BitBtn1->Caption(), GetMessageText(MessageId::PaidBills));
    EXPECT_EQ(pay.DropSource1->Dragtypes(), dtCopyBit | dtLinkBit);
    FakeDrag fake;
    ScopedDragRunner use(fake);
    struct Case {
        int field;
        TShiftState shift;
        int x, y;
        bool drags;
    };
    const Case cases[] = {
        {1, ssLeft, 15, 5, true},          {1, ssLeft, 14, 14, false},         {1, ssLeft, 5, -5, true},
        {1, ssLeft | ssShift, 25, 5, false}, {1, ssRight, 25, 5, false},     {1, ssLeft | ssRight, 25, 5, false},
        {1, ssLeft | ssCtrl, 25, 5, false},  {3, ssLeft, 5, 15, true},
    };
    for (const Case& c : cases) {
        fake.texts.clear();
        pay.Edit1MouseDown(5, 5);
        pay.EditMouseMove(c.field, c.shift, c.x, c.y);
        EXPECT_EQ(fake.texts.size(), c.drags ? 1u : 0u) << c.field << " " << c.shift << " " << c.x << "," << c.y;
        if (c.drags && !fake.texts.empty()) {
            EXPECT_EQ(fake.texts[0], pay.Field(c.field)->Text());
        }
    }
    EXPECT_EQ(fake.offered, Qt::CopyAction | Qt::LinkAction);
    // An empty field drags nothing, whatever the others hold.
    Tasks().Locate("Number", Variant("T0000003"), 0);
    pay.FormActivate();
    EXPECT_EQ(pay.PayTaskNumber(), "T0000003");
    EXPECT_EQ(pay.Edit1->Text(), "");
    fake.texts.clear();
    pay.Edit1MouseDown(5, 5);
    pay.EditMouseMove(1, ssLeft, 40, 5);
    EXPECT_TRUE(fake.texts.empty());
}

// "Paid bills" completes the invoice last shown, even when the table has moved since; with
// nothing shown it completes nothing.
TEST_F(TaskOperationsWindowTest, PaidBillsCompletesTheInvoiceShownAndNothingElse) {
    FiveTasksToday();
    MakeInvoice("T0000004", "2600");
    {
        Tasks().Locate("Number", Variant("T0000001"), 0);
        auto* pay = new TPayForm(nullptr, *program->data, program->frame);
        responder.MessageBoxAnswers = {IDOK};
        pay->FormActivate();
        pay->FormActivate(); // told once for the same task
        ASSERT_EQ(responder.MessageBoxes.size(), 1u);
        EXPECT_EQ(responder.MessageBoxes[0].Text, kNothingToPay);
        EXPECT_EQ(pay->PayTaskNumber(), "");
        pay->BitBtn1Click();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Tasks().SetFiltered(false);
    for (const char* key : {"T0000001", "T0000002", "T0000003", "T0000004", "T0000005"}) EXPECT_FALSE(Completed(key)) << key;
    Tasks().Locate("Number", Variant("T0000004"), 0);
    auto* pay = new TPayForm(nullptr, *program->data, program->frame);
    pay->FormActivate();
    Tasks().First();
    pay->BitBtn1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Completed("T0000004"));
    EXPECT_FALSE(Completed("T0000001"));
}

// The form outlives the scheduling window and still completes the invoice.
TEST_F(TaskOperationsWindowTest, ThePaymentFormOutlivesTheSchedulingWindow) {
    FiveTasksToday();
    MakeInvoice("T0000005", "2600");
    Open(0);
    program->frame.Module = window;
    Tasks().SetFiltered(false);
    Tasks().Locate("Number", Variant("T0000005"), 0);
    auto* pay = new TPayForm(nullptr, *program->data, program->frame);
    pay->FormActivate();
    window->Free();
    window = nullptr;
    program->frame.Module = nullptr;
    pay->BitBtn1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Completed("T0000005"));
}

TEST_F(TaskOperationsWindowTest, ThePaymentFormInEveryLanguage) {
    FiveTasksToday();
    MakeInvoice("T0000001", "SK31 1200 0000 1987 4263 7541");
    Tasks().Locate("Number", Variant("T0000001"), 0);
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TPayForm pay(nullptr, *program->data, program->frame);
        pay.Show();
        pay.FormActivate();
        QApplication::processEvents();
        testing::SaveWindowPicture(pay, "pay_l" + std::to_string(language));
        EXPECT_EQ(pay.Label20->Caption(), GetMessageText(MessageId::VarSymbolShort));
        EXPECT_EQ(pay.BitBtn2->Caption(), GetMessageText(MessageId::Cancel));
        pay.OnClose = nullptr;
    }
}

} // namespace
} // namespace kvz
