#include "scheduling/Uloha.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "core/FrameServices.h"
#include "core/Users.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Files.h"
#include "scheduling/RegularPays.h"
#include "scheduling/TaskEditorService.h"
#include "scheduling/UlohaLoad.h"

#include <gtest/gtest.h>

#include <deque>

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

namespace kvz {
namespace {

const TDateTime kToday = EncodeDate(2024, 12, 30);

class UlohaFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        SetLanguage(1);
        TaskEditorState() = TaskEditorFlags{};
    }
    void TearDown() override { SetLanguage(1); }

    TaskEditorContext Context(TaskEditorProgram& p, int module = TasksModule) {
        TaskEditorContext c{*p.data, p.frame};
        c.Module = module;
        c.LogonName = "jano";
        c.OnSaved = [this](const TaskSaveResult& r) { saved.push_back(r); };
        c.OnCancelled = [this] { ++cancelled; };
        return c;
    }

    // Runs the editor modally; the script drives it once it shows.
    int Run(TaskEditorContext& context, const std::function<int(TUlohaForm&)>& script) {
        TResponder responder;
        responder.OnShowModal = [&](TForm& f) { return script(static_cast<TUlohaForm&>(f)); };
        responder.OnMessageBox = [&](const TMessageBoxParams& params) -> int {
            boxes.push_back(params.Text);
            if (answers.empty()) return IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
        TUlohaForm form(nullptr, context);
        return form.ShowModal();
    }

    FixedClock clock{kToday + EncodeTime(10, 37, 45, 0)};
    ScopedClock scoped{clock};
    TempFolder dir;
    std::vector<TaskSaveResult> saved;
    std::vector<std::string> boxes;
    std::deque<int> answers; // of the boxes in turn; OK when none is left
    int cancelled = 0;
};

TEST_F(UlohaFormTest, ARangePickedOnTheCalendarWritesOneTaskPerDay) {
    TaskEditorProgram p(dir.path());
    TaskEditorContext c = Context(p);
    const int result = Run(c, [&](TUlohaForm& f) {
        f.MonthCalendar1->SetRange(kToday + 2, kToday); // picked from the last day back
        EXPECT_EQ(f.DatumLabel->Caption(), "30/12/2024 .. 01/01/2025");
        f.UlohaMemo->SetText("Inventory");
        f.ComboBox1->SetItemIndex(16);
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    });
    EXPECT_EQ(result, mrOk);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Kind, TaskSaveKind::NewSeries);
    const std::vector<std::string> codes = p.CodesOf("Inventory");
    ASSERT_EQ(codes.size(), 3u);
    LocateRecordCode(p.Tasks(), codes.back());
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kToday + 2);
    EXPECT_EQ(p.Tasks().FieldByName("Time").AsString(), "10:37:00");
    EXPECT_EQ(p.Tasks().FieldByName("Priority").AsString(), "R");
    EXPECT_EQ(p.Tasks().Tag(), 1);
}

TEST_F(UlohaFormTest, AnEmptyTextKeepsTheEditorOpenWithOneMessage) {
    TaskEditorProgram p(dir.path());
    const std::vector<RowValues> before = AllRows(p.Tasks());
    TaskEditorContext c = Context(p);
    Run(c, [&](TUlohaForm& f) {
        f.MonthCalendar1->SetRange(kToday, kToday + 30);
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_FALSE(TaskEditorState().CloseAfterSave);
        return mrCancel;
    });
    EXPECT_EQ(boxes, std::vector<std::string>{"Have to assign the description of the task!"});
    EXPECT_EQ(AllRows(p.Tasks()), before);
}

TEST_F(UlohaFormTest, ATaskWithABadStoredTimeShowsNothingOfItAndOkWritesNothing) {
    TaskEditorProgram p(dir.path());
    p.Save([] {
        TaskSaveRequest r;
        r.Task.Text = "Stored";
        r.Task.Date = r.Task.EndDate = kToday;
        return r;
    }());
    TVolgaTable& t = p.Tasks();
    const std::string code = p.CodesOf("Stored").front();
    p.locks.WriteSharedTable(t, p.LockFile(), false, kEditorSavePoll, [&] {
        LocateRecordCode(t, code);
        t.Edit();
        t.FieldByName("EndTask").SetAsString("7 o'clock");
        t.Post();
    });
    LocateRecordCode(t, code);
    const std::vector<RowValues> before = AllRows(t);
    TaskEditorState().TaskEditMode = true;
    TaskEditorContext c = Context(p);
    Run(c, [&](TUlohaForm& f) {
        EXPECT_EQ(f.UlohaMemo->Text(), "");
        EXPECT_EQ(f.LoadError(), "This is not a valid time: \"7 o'clock\"");
        f.UlohaMemo->SetText("Typed over");
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrNone);
        return mrCancel;
    });
    EXPECT_EQ(boxes.size(), 2u); // at the load and at OK
    EXPECT_EQ(AllRows(t), before);
}

TEST_F(UlohaFormTest, AnEditShowsTheTaskAndWritesItBack) {
    TaskEditorProgram p(dir.path());
    p.Save([] {
        TaskSaveRequest r;
        r.Task.Text = "Call Eva";
        r.Task.Date = r.Task.EndDate = kToday - 3;
        r.Task.Time = EncodeTime(9, 15, 0, 0);
        r.Task.Priority = 3;
        r.Task.RepFreq = 2;
        return r;
    }());
    LocateRecordCode(p.Tasks(), p.CodesOf("Call Eva").front());
    TaskEditorState().TaskEditMode = true;
    TaskEditorContext c = Context(p);
    Run(c, [&](TUlohaForm& f) {
        EXPECT_EQ(f.ActiveControl(), f.UlohaMemo); // typing goes into the text at once
        EXPECT_EQ(f.UlohaMemo->Text(), "Call Eva");
        EXPECT_EQ(f.ComboBox1->ItemIndex(), 3);
        EXPECT_EQ(f.RepeatComboBox->ItemIndex(), 2);
        EXPECT_EQ(f.MonthCalendar1->Date(), kToday - 3);
        EXPECT_FALSE(f.TabSheet2->TabVisible());
        // Without a project the project's boxes stay empty.
        for (const std::string& text : {f.ProjectComboBox->Text(), f.StartProjEdit->Text(), f.EndProjEdit->Text(),
                                        f.SubProjectComboBox->Text(), f.StartSubEdit->Text()})
            EXPECT_EQ(text, "");
        f.UlohaMemo->SetText("Call Eva again");
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    });
    EXPECT_EQ(p.CodesOf("Call Eva").size(), 0u);
    ASSERT_EQ(p.CodesOf("Call Eva again").size(), 1u);
    EXPECT_EQ(p.Tasks().FieldByName("RepFreq").AsInteger(), 2);
    EXPECT_FALSE(TaskEditorState().TaskEditMode);
}

TEST_F(UlohaFormTest, FromTheLinksModuleTheTaskOpensTheFileAndOnlyTheTaskPageShows) {
    TaskEditorProgram p(dir.path());
    TaskEditorContext c = Context(p, LinksModule);
    c.LinkName = "Report";
    c.LinkPath = "/home/jano/report.odt";
    Run(c, [&](TUlohaForm& f) {
        EXPECT_EQ(f.ActiveControl(), f.UlohaMemo);
        EXPECT_EQ(f.UlohaMemo->Text(), "Open this file :  Report");
        EXPECT_EQ(f.PathEdit->Text(), "/home/jano/report.odt");
        EXPECT_TRUE(f.RunCheckBox->Checked());
        EXPECT_FALSE(f.TabSheet2->TabVisible());
        EXPECT_FALSE(f.TabSheet3->TabVisible());
        return mrCancel;
    });
}

TEST_F(UlohaFormTest, OwnersStartWithTheLogonNameOrUnknownAndStandOnceAfterEveryActivation) {
    TaskEditorProgram p(dir.path());
    p.locks.WriteSharedTable(*p.data->OwnersTable, p.data->LockFileName(TableId::Owners), false, kEditorSavePoll, [&] {
        p.data->OwnersTable->Append();
        p.data->OwnersTable->FieldByName("OwnerName").SetAsString("Eva");
        p.data->OwnersTable->Post();
    });
    for (bool listed : {false, true}) {
        WriteUserList(dir.path(), listed ? std::vector<std::string>{"fero", "jano"} : std::vector<std::string>{"fero"});
        TaskEditorContext c = Context(p);
        Run(c, [&](TUlohaForm& f) {
            f.FormActivate(&f);
            f.FormActivate(&f);
            const std::vector<std::string> owners = f.OwnersComboBox->Items().ToVector();
            EXPECT_EQ(owners.front(), listed ? "jano" : "Unknown");
            EXPECT_EQ(std::count(owners.begin(), owners.end(), "Eva"), 1);
            EXPECT_EQ(f.OwnersComboBox2->Items().ToVector(), owners);
            return mrCancel;
        });
    }
}

TEST_F(UlohaFormTest, TheInvoiceDatesFollowEachOtherAndTheInvoiceIsSaved) {
    TaskEditorProgram p(dir.path());
    TaskEditorContext c = Context(p);
    Run(c, [&](TUlohaForm& f) {
        f.PageControl1->SetActivePage(f.TabSheet2);
        f.DateEdit3->SetText("01/03/2005");
        f.DateEdit3Change(f.DateEdit3);
        EXPECT_EQ(f.Edit6->Text(), "0");
        f.Edit6->SetText("14");
        f.Edit6Change(f.Edit6);
        EXPECT_EQ(f.DateEdit2->Text(), "15/03/2005");
        f.DateEdit2->SetText("31/03/2005");
        f.DateEdit2Change(f.DateEdit2);
        EXPECT_EQ(f.Edit6->Text(), "30");
        f.BitBtn1Click(f.BitBtn1); // no amount
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.Edit5->SetText("120");
        f.ComboBox2->SetItemIndex(3);
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    });
    EXPECT_EQ(boxes, std::vector<std::string>{"They aren't complete all items"});
    EXPECT_EQ(p.CodesOf("Pay invoice from day 01/03/2005 into rate 120EUR maturity until at 31/03/2005").size(), 1u);
}

TEST_F(UlohaFormTest, ThePaymentsPageMakesItsMissingFilesAndTheServiceRunsTheEditor) {
    TaskEditorProgram p(dir.path());
    class Host : public TaskEditorHost {
    public:
        std::string DateCaption() const override { return "Monday 30.12.2024"; }
        void EditorClosed() override { ++closed; }
        int closed = 0;
    } host;
    TaskEditorService service(*p.data, p.frame);
    TResponder responder;
    responder.OnMessageBox = [&](const TMessageBoxParams& params) {
        boxes.push_back(params.Text);
        return IDOK;
    };
    responder.OnShowModal = [&](TForm& form) {
        auto& f = static_cast<TUlohaForm&>(form);
        EXPECT_EQ(f.DatumLabel->Caption(), "Monday 30.12.2024");
        f.PageControl1->SetActivePage(f.TabSheet3);
        f.TabSheet3Show(&f);
        EXPECT_EQ(f.Label40->Caption(), "Slovak pays");
        EXPECT_EQ(f.CheckBox2->Caption(), "Nezahrnúť platby staršie ako 30/12/2024");
        f.CzButton->SetDown(true);
        f.CzButtonClick(f.CzButton);
        EXPECT_EQ(f.Label40->Caption(), "Czech pays");
        f.BitBtn1Click(f.BitBtn1); // no due dates
        return mrCancel;
    };
    EXPECT_EQ(service.OpenForInsert(host), mrCancel);
    EXPECT_EQ(host.closed, 1);
    EXPECT_EQ(p.settings.Nastavenia[95], 1);
    for (const char* file : {"platby_sk.d", "platby_sk_data.d", "platby_cz.d", "platby_cz_data.d"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / file)) << file;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("platby_cz_data.d"), std::string::npos);
    EXPECT_FALSE(service.PaymentDataCurrent());
}

// Two payment kinds of the Slovak list, for the pictures.
void AddKinds(const std::filesystem::path& folder) {
    EnsurePaymentFiles(folder, PaymentCountry::Slovak);
    TVolgaTable k;
    OpenPaymentTable(k, folder, "platby_sk.d");
    const char* kinds[][3] = {{"Daň z motorových vozidiel", "Ročné zúčtovanie", "DMV"}, {"Preddavok na daň", "", "DPH"}};
    for (const auto& kind : kinds) {
        k.Append();
        k.FieldByName("Uloha").SetAsString(kind[0]);
        k.FieldByName("Note").SetAsString(kind[1]);
        k.FieldByName("Project").SetAsString(kind[2]);
        k.FieldByName("Date").SetAsDateTime(EncodeDate(2024, 1, 31));
        k.FieldByName("Before_date").SetAsInteger(3);
        k.FieldByName("Mesage").SetAsBoolean(true);
        k.FieldByName("Run").SetAsBoolean(false);
        k.Post();
    }
    k.ApplyChanges();
}

// Every caption of a label, check box, radio button and button fits the room it has.
void ExpectCaptionsFit(TForm& form, const std::string& where) {
    for (QWidget* w : form.Widget()->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form.Widget())) continue;
        QString text;
        int room = w->width();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap()) continue;
            text = label->text();
            room -= 2 * label->margin();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            // A push button's hint has a minimum width of its own; its text is what must fit.
            const int needed = qobject_cast<QPushButton*>(w) ? w->fontMetrics().horizontalAdvance(text) + 8
                                                             : w->sizeHint().width();
            if (needed > w->width())
                ADD_FAILURE() << where << ": " << text.toStdString() << " needs " << needed << " has "
                              << w->width();
            continue;
        } else {
            continue;
        }
        if (text.isEmpty()) continue;
        const int needed = w->fontMetrics().horizontalAdvance(text);
        EXPECT_LE(needed, room) << where << ": " << text.toStdString();
    }
}

TEST_F(UlohaFormTest, ThePagesInThreeLanguagesShowEveryCaptionWhole) {
    const char* const languages[] = {"en", "sk", "cs"};
    for (int language = 1; language <= 3; ++language) {
        SetLanguage(language);
        TempFolder folder;
        TaskEditorProgram p(folder.path());
        p.settings.NastaveniaText[26] = "https://ib.bank.example";
        AddKinds(folder.path());
        TaskEditorContext c = Context(p);
        c.DateCaption = "30.12.2024";
        Run(c, [&](TUlohaForm& f) {
            f.MonthCalendar1->SetRange(kToday, kToday + 2);
            f.UlohaMemo->SetText("Inventory of the store");
            TTabSheet* pages[] = {f.TabSheet1, f.TabSheet2, f.TabSheet3};
            for (int i = 0; i < 3; ++i) {
                f.PageControl1->SetActivePage(pages[i]);
                if (i == 2) f.TabSheet3Show(&f);
                const std::string name = std::string("task_editor_") + std::to_string(i + 1) + "_" + languages[language - 1];
                testing::SaveWindowPicture(f, name);
                ExpectCaptionsFit(f, name);
                if (i == 1) {
                    // The term's arrows show, against the right edge of its edit.
                    QWidget* edit = f.Edit6->Widget();
                    QWidget* arrows = f.UpDown1->Widget();
                    EXPECT_GE(arrows->width(), 15) << name;
                    EXPECT_EQ(arrows->height(), edit->height()) << name;
                    EXPECT_NEAR(arrows->mapTo(f.Widget(), QPoint(0, 0)).x(),
                                edit->mapTo(f.Widget(), QPoint(edit->width(), 0)).x(), 1)
                        << name;
                }
            }
            return mrCancel;
        });
    }
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The scheduling window as the service sees it: a series selected, its rows' codes.
class SeriesHost : public TaskEditorHost {
public:
    std::vector<std::string> series;
    std::vector<TaskSaveResult> saved;
    std::vector<std::string> SeriesTaskKeys() const override { return series; }
    std::vector<std::string> SelectedTaskKeys() const override { return series; }
    void TasksSaved(const TaskSaveResult& result) override { saved.push_back(result); }
};

TEST_F(UlohaFormTest, TheServiceReplacesASelectedSeriesAndTellsTheCompanionProgram) {
    TempFolder runtime;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string oldRuntime = old ? old : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    std::vector<std::string> messages;
    {
        CompanionLink companion(WindowSocketPath("TMainForm", "Temko"));
        ASSERT_TRUE(companion.Listening());
        companion.OnMessage = [&](int message, long wParam, long lParam) {
            messages.push_back(std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
        };
        TaskEditorProgram p(dir.path());
        p.Save([] {
            TaskSaveRequest r;
            r.Task.Text = "Old series";
            r.Task.Date = kToday;
            r.Task.EndDate = kToday + 2;
            return r;
        }());
        SeriesHost host;
        host.series = p.CodesOf("Old series");
        LocateRecordCode(p.Tasks(), host.series.back());
        TaskEditorService service(*p.data, p.frame);
        TResponder responder;
        responder.OnShowModal = [&](TForm& form) {
            auto& f = static_cast<TUlohaForm&>(form);
            EXPECT_EQ(f.UlohaMemo->Text(), "Old series");
            f.UlohaMemo->SetText("New series");
            f.BitBtn1Click(f.BitBtn1);
            return mrNone;
        };
        EXPECT_EQ(service.OpenForEdit(host), mrOk);
        ASSERT_EQ(host.saved.size(), 1u);
        EXPECT_EQ(host.saved[0].Kind, TaskSaveKind::ReplaceSeries);
        EXPECT_TRUE(p.CodesOf("Old series").empty());
        EXPECT_EQ(p.CodesOf("New series").size(), 3u);
        for (int i = 0; i < 100 && messages.empty(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    if (old) ::setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(messages, std::vector<std::string>{"1125 1003375 0"});
}

TEST_F(UlohaFormTest, ACloneFromTheServiceAddsTheCopyOnToday) {
    TaskEditorProgram p(dir.path());
    p.Save([] {
        TaskSaveRequest r;
        r.Task.Text = "Weekly report";
        r.Task.Date = r.Task.EndDate = kToday - 7;
        return r;
    }());
    const std::string code = p.CodesOf("Weekly report").front();
    LocateRecordCode(p.Tasks(), code);
    TaskEditorHost host;
    TaskEditorService service(*p.data, p.frame);
    TResponder responder;
    responder.OnShowModal = [&](TForm& form) {
        auto& f = static_cast<TUlohaForm&>(form);
        EXPECT_EQ(f.MonthCalendar1->Date(), kToday);
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    };
    EXPECT_EQ(service.Clone(host), mrOk);
    const std::vector<std::string> codes = p.CodesOf("Weekly report");
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes.front(), code); // the original keeps its day
    LocateRecordCode(p.Tasks(), codes.back());
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), kToday);
    EXPECT_FALSE(TaskEditorState().TaskCloneMode);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// A click on a day of the calendar, with Shift held when asked.
void ClickDay(TRangeCalendar& calendar, int day, bool shift = false) {
    for (int row = 1; row <= 6; ++row)
        for (int col = 0; col < 7; ++col) {
            if (calendar.Model().CellDay(col, row) != day) continue;
            const TRect r = calendar.DayCellRect(col, row);
            const QPointF at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
            QWidget* w = calendar.Widget();
            const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
            QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, mods);
            QApplication::sendEvent(w, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, mods);
            QApplication::sendEvent(w, &release);
            return;
        }
    ADD_FAILURE() << "no cell shows day " << day;
}

QPoint CentreOfDay(TRangeCalendar& calendar, int day) {
    for (int row = 1; row <= 6; ++row)
        for (int col = 0; col < 7; ++col)
            if (calendar.Model().CellDay(col, row) == day) {
                const TRect r = calendar.DayCellRect(col, row);
                return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
            }
    return {};
}

TEST_F(UlohaFormTest, TheCalendarPicksARangeByMouseAcrossAMonthEndAndShowsWeekNumbers) {
    TRangeCalendar calendar(nullptr);
    calendar.SetBounds(0, 0, 280, 180);
    calendar.SetRange(kToday, kToday);
    // December 2024 from Monday: the 1st (a Sunday) alone in week 48, the 30th in week 1 of 2025.
    EXPECT_EQ(calendar.WeekNumberOfRow(1), 48);
    EXPECT_EQ(calendar.WeekNumberOfRow(6), 1);

    // A click on a week number picks nothing.
    testing::Press(calendar, 2, calendar.DayCellRect(0, 3).Top + 4);
    EXPECT_EQ(calendar.Date(), kToday);

    // Leafing to January keeps the pick; a Shift-click there extends it over the year end.
    ClickDay(calendar, 30);
    calendar.LeafMonth(+1);
    EXPECT_EQ(calendar.Date(), kToday);
    EXPECT_EQ(calendar.Month(), 1);
    ClickDay(calendar, 2, true);
    EXPECT_EQ(calendar.Date(), kToday);
    EXPECT_EQ(calendar.EndDate(), EncodeDate(2025, 1, 2));

    // A drag picks from the day pressed to the day let go.
    const QPoint from = CentreOfDay(calendar, 8), to = CentreOfDay(calendar, 5);
    testing::Press(calendar, from.x(), from.y());
    testing::Move(calendar, (from.x() + to.x()) / 2, from.y());
    testing::Move(calendar, to.x(), to.y());
    testing::Release(calendar, to.x(), to.y());
    EXPECT_EQ(calendar.Date(), EncodeDate(2025, 1, 5));
    EXPECT_EQ(calendar.EndDate(), EncodeDate(2025, 1, 8));

    // Shift with an arrow key extends from the day first picked.
    calendar.Widget()->show();
    calendar.Widget()->activateWindow();
    ClickDay(calendar, 20); // takes the focus
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), calendar.Widget());
    testing::Key(calendar.Widget(), Qt::Key_Right, Qt::ShiftModifier);
    testing::Key(calendar.Widget(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(calendar.Date(), EncodeDate(2025, 1, 20));
    EXPECT_EQ(calendar.EndDate(), EncodeDate(2025, 1, 22));

    // No more than 31 days.
    ClickDay(calendar, 1);
    calendar.LeafMonth(+1);
    ClickDay(calendar, 15, true);
    EXPECT_EQ(calendar.Date(), EncodeDate(2025, 1, 1));
    EXPECT_EQ(calendar.EndDate(), EncodeDate(2025, 1, 31));

    // A plain click picks one day again.
    ClickDay(calendar, 3);
    EXPECT_EQ(calendar.Date(), EncodeDate(2025, 2, 3));
    EXPECT_EQ(calendar.EndDate(), EncodeDate(2025, 2, 3));
}

TEST_F(UlohaFormTest, TheWeekStartsOnTheDayOfTheSettingAndOnMondayForAnythingElse) {
    struct Case {
        int setting;
        TDayOfWeekName first;
    };
    for (const Case& c : {Case{0, TDayOfWeekName::Mon}, Case{8, TDayOfWeekName::Mon}, Case{1, TDayOfWeekName::Mon},
                          Case{3, TDayOfWeekName::Wed}, Case{7, TDayOfWeekName::Sun}}) {
        TaskEditorProgram p(dir.path());
        p.settings.Nastavenia[22] = c.setting;
        TaskEditorContext context = Context(p);
        Run(context, [&](TUlohaForm& f) {
            EXPECT_EQ(f.MonthCalendar1->StartOfWeek(), c.first) << c.setting;
            return mrCancel;
        });
    }
}

// The host that records what the editor tells the program's sub-project filter.
class FilterHost : public TaskEditorHost {
public:
    std::vector<std::pair<bool, std::string>> calls;
    void EditorProjectFilter(bool open, const std::string& project) override { calls.emplace_back(open, project); }
};

TEST_F(UlohaFormTest, WhileTheEditorIsOpenTheSubProjectFilterFollowsItsProject) {
    TaskEditorProgram p(dir.path());
    TDataModule1& d = *p.data;
    p.locks.WriteSharedTable(*d.ProjectTable, d.LockFileName(TableId::Projects), false, kEditorSavePoll, [&] {
        for (const char* name : {"Dom", "Byt"}) {
            d.ProjectTable->Append();
            d.ProjectTable->FieldByName("ProjectName").SetAsString(name);
            d.ProjectTable->FieldByName("StartProj").SetAsString(std::string(name) + " 1.3.");
            d.ProjectTable->Post();
        }
    });
    p.locks.WriteSharedTable(*d.SubProjectTable, d.LockFileName(TableId::SubProjects), false, kEditorSavePoll, [&] {
        for (auto [project, sub] : {std::pair{"Dom", "Strecha"}, std::pair{"Byt", "Kuchyna"}, std::pair{"Dom", "Okna"}}) {
            d.SubProjectTable->Append();
            d.SubProjectTable->FieldByName("ProjectName").SetAsString(project);
            d.SubProjectTable->FieldByName("SubProjectName").SetAsString(sub);
            d.SubProjectTable->FieldByName("StartSubProj").SetAsString(std::string(sub).substr(0, 4) + " 1.3.");
            d.SubProjectTable->Post();
        }
    });
    FilterHost host;
    TaskEditorService service(d, p.frame);
    TResponder responder;
    responder.OnShowModal = [&](TForm& form) {
        auto& f = static_cast<TUlohaForm&>(form);
        EXPECT_TRUE(TaskEditorState().TaskEditorOpen);
        EXPECT_EQ(f.ProjectComboBox->Items().ToVector(), (std::vector<std::string>{"Dom", "Byt"}));
        f.ProjectComboBox->SetText("Dom");
        f.ProjectComboBoxChange(f.ProjectComboBox);
        EXPECT_EQ(f.StartProjEdit->Text(), "Dom 1.3.");
        EXPECT_EQ(f.SubProjectComboBox->Items().ToVector(), (std::vector<std::string>{"Strecha", "Okna"}));
        EXPECT_EQ(f.SubProjectComboBox->Text(), "Strecha");
        EXPECT_EQ(f.StartSubEdit->Text(), "Stre 1.3.");
        return mrCancel;
    };
    service.OpenForInsert(host);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.front(), std::make_pair(true, std::string()));
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), std::make_pair(true, std::string("Dom"))),
              host.calls.end());
    EXPECT_EQ(host.calls.back(), std::make_pair(false, std::string()));
    EXPECT_FALSE(TaskEditorState().TaskEditorOpen);
}

// Another program deletes the task while it is open in the editor: OK shows that error's own
// text, keeps the editor open with what was typed, and leaves the table and its lock free.
TEST_F(UlohaFormTest, ADatabaseErrorShowsItsOwnTextAndKeepsTheEditorOpen) {
    TaskEditorProgram p(dir.path(), true);
    p.Save([] {
        TaskSaveRequest r;
        r.Task.Text = "Shared";
        r.Task.Date = r.Task.EndDate = kToday;
        return r;
    }());
    const std::string code = p.CodesOf("Shared").front();
    LocateRecordCode(p.Tasks(), code);
    TaskEditorState().TaskEditMode = true;
    TaskEditorContext c = Context(p);
    Run(c, [&](TUlohaForm& f) {
        TaskEditorProgram other(dir.path(), true);
        other.locks.WriteSharedTable(other.Tasks(), other.LockFile(), true, kEditorSavePoll, [&] {
            LocateRecordCode(other.Tasks(), code);
            other.Tasks().Delete();
        });
        f.UlohaMemo->SetText("Changed meanwhile");
        f.BitBtn1Click(f.BitBtn1);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_EQ(f.UlohaMemo->Text(), "Changed meanwhile");
        return mrCancel;
    });
    EXPECT_EQ(boxes, std::vector<std::string>{"The record was deleted by another user."});
    EXPECT_TRUE(saved.empty());
    EXPECT_GE(cancelled, 1);
    EXPECT_FALSE(p.locks.TableLockHeld());
    EXPECT_FALSE(p.locks.IsFileInUse(p.LockFile()));
    TaskEditorProgram check(dir.path(), true);
    EXPECT_TRUE(check.CodesOf("Shared").empty());
    EXPECT_TRUE(check.CodesOf("Changed meanwhile").empty());
}

// Last year's due date of 29 February lands on 28 February of a common year, and the user is
// told so.
TEST_F(UlohaFormTest, ALeapDayPaymentMovedToTheTwentyEighthIsSaid) {
    const FixedClock y2025(EncodeDate(2025, 1, 10) + 0.5);
    const ScopedClock scoped2025(y2025);
    TaskEditorProgram p(dir.path());
    EnsurePaymentFiles(dir.path(), PaymentCountry::Slovak);
    {
        TVolgaTable k;
        OpenPaymentTable(k, dir.path(), "platby_sk.d");
        k.Append();
        k.FieldByName("Uloha").SetAsString("Road tax");
        k.FieldByName("Project").SetAsString("DMV");
        k.FieldByName("Mesage").SetAsBoolean(true);
        k.Post();
        k.ApplyChanges();
        TVolgaTable d;
        OpenPaymentTable(d, dir.path(), "platby_sk_data.d");
        d.Append();
        d.FieldByName("Project").SetAsString("DMV");
        d.FieldByName("Date").SetAsDateTime(EncodeDate(2024, 2, 29));
        d.FieldByName("Uloha").SetAsString("Road tax due");
        d.Post();
        d.ApplyChanges();
    }
    TaskEditorContext c = Context(p);
    const int result = Run(c, [&](TUlohaForm& f) {
        f.PageControl1->SetActivePage(f.TabSheet3);
        f.TabSheet3Show(&f);
        f.BitBtn1Click(f.BitBtn1);
        return mrNone;
    });
    EXPECT_EQ(result, mrOk);
    ASSERT_EQ(p.CodesOf("Road tax due").size(), 1u);
    EXPECT_EQ(p.Tasks().FieldByName("Date").AsDateTime(), EncodeDate(2025, 2, 28));
    EXPECT_EQ(boxes, std::vector<std::string>{"1 payment due on 29 February was put on 28 February: this year has no "
                                              "29 February."});
    EXPECT_FALSE(TaskEditorState().PaymentDataCurrent);
}

} // namespace
} // namespace kvz

namespace kvz {
namespace {

// The payments page over its files: kinds and due dates of the Slovak payments, and payment
// tasks of both countries beside a task of the user's.
struct PaymentsFixture {
    explicit PaymentsFixture(const std::filesystem::path& folder) : p(folder) {
        EnsurePaymentFiles(folder, PaymentCountry::Slovak);
        TVolgaTable d;
        OpenPaymentTable(d, folder, "platby_sk_data.d");
        d.Append();
        d.FieldByName("Project").SetAsString("DPH");
        d.FieldByName("Date").SetAsDateTime(kToday + 20);
        d.FieldByName("Uloha").SetAsString("New VAT");
        d.Post();
        d.ApplyChanges();
        TVolgaTable& tasks = p.Tasks();
        p.locks.WriteSharedTable(tasks, p.LockFile(), false, kEditorSavePoll, [&] {
            for (auto [text, type] : {std::pair{"Old SK payment", "P"}, std::pair{"Old CZ payment", "C"},
                                      std::pair{"Own task", ""}}) {
                tasks.Append();
                tasks.FieldByName("Number").SetAsString(NewRecordKey());
                tasks.FieldByName("Date").SetAsDateTime(kToday);
                tasks.FieldByName("Uloha").SetAsString(text);
                tasks.FieldByName("Task_type").SetAsString(type);
                tasks.Post();
            }
        });
    }
    TaskEditorProgram p;
};

// The list of kinds could not be read, or no country is chosen (setting 95 is neither 0 nor 1):
// OK removes no payment task and says why in the user's language.
TEST_F(UlohaFormTest, WithoutAListOfPaymentKindsOkRemovesNothingAndSaysWhy) {
    struct Case {
        int language;
        int country; // setting 95
        bool damaged;
        const char* said;
    };
    for (const Case& c : {Case{2, 0, true, "Žiadna úloha platby nebola odstránená."},
                          Case{3, 2, false, "Není otevřen žádný seznam druhů plateb"},
                          Case{1, 2, false, "No list of payment kinds is open"}}) {
        SetLanguage(c.language);
        boxes.clear();
        TempFolder folder;
        PaymentsFixture f(folder.path());
        AddKinds(folder.path());
        if (c.damaged) WriteFileDurably(folder.path() / "platby_sk.d", "S\x01 these are no rows of a table");
        f.p.settings.Nastavenia[95] = c.country;
        const std::vector<RowValues> before = AllRows(f.p.Tasks());
        TaskEditorContext context = Context(f.p);
        Run(context, [&](TUlohaForm& form) {
            form.PageControl1->SetActivePage(form.TabSheet3);
            form.TabSheet3Show(&form);
            EXPECT_FALSE(form.VolgaTable1->Active());
            form.BitBtn1Click(form.BitBtn1);
            EXPECT_EQ(form.ModalResult(), mrNone);
            return mrCancel;
        });
        ASSERT_EQ(boxes.size(), c.damaged ? 2u : 1u) << c.language; // the failed open, then OK's refusal
        EXPECT_NE(boxes.back().find(c.said), std::string::npos) << boxes.back();
        if (c.damaged) {
            EXPECT_NE(boxes.back().find("\"platby_sk.d\""), std::string::npos) << boxes.back();
        }
        EXPECT_EQ(AllRows(f.p.Tasks()), before);
        EXPECT_EQ(FileRows(f.p.data->TableFileName(TableId::Tasks)), before);
        EXPECT_EQ(f.p.settings.Nastavenia[95], c.country);
    }
}

// A list of kinds that was read and holds none: OK asks before it removes the country's
// payment tasks; No keeps them and the editor open, Yes removes them.
TEST_F(UlohaFormTest, AnEmptyListOfPaymentKindsAsksBeforeOkRemovesTheCountrysPaymentTasks) {
    SetLanguage(2);
    PaymentsFixture f(dir.path());
    const std::vector<RowValues> before = AllRows(f.p.Tasks());
    TaskEditorContext context = Context(f.p);
    answers = {IDNO, IDYES};
    const int result = Run(context, [&](TUlohaForm& form) {
        form.PageControl1->SetActivePage(form.TabSheet3);
        form.TabSheet3Show(&form);
        EXPECT_TRUE(form.VolgaTable1->Active());
        EXPECT_TRUE(form.VolgaTable1->IsEmpty());
        form.BitBtn1Click(form.BitBtn1);
        EXPECT_EQ(form.ModalResult(), mrNone);
        EXPECT_EQ(AllRows(f.p.Tasks()), before);
        form.BitBtn1Click(form.BitBtn1);
        return mrNone;
    });
    EXPECT_EQ(result, mrOk);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], EmptyKindsQuestion(PaymentCountry::Slovak));
    EXPECT_NE(boxes[0].find("Zoznam druhov slovenských platieb"), std::string::npos);
    EXPECT_TRUE(f.p.CodesOf("Old SK payment").empty());
    EXPECT_EQ(f.p.CodesOf("Old CZ payment").size(), 1u);
    EXPECT_EQ(f.p.CodesOf("Own task").size(), 1u);
}

// What is changed in the kinds grid is written by OK (of any page) and dropped by Cancel.
TEST_F(UlohaFormTest, CancelWritesNothingOfTheChangedPaymentKinds) {
    TaskEditorProgram p(dir.path());
    AddKinds(dir.path());
    auto leadTimes = [&] {
        TVolgaTable check;
        OpenPaymentTable(check, dir.path(), "platby_sk.d");
        std::vector<int> days;
        for (check.First(); !check.Eof(); check.Next()) days.push_back(check.FieldByName("Before_date").AsInteger());
        return days;
    };
    // Changed as the grid changes it: one row posted, the other still being edited.
    auto change = [](TUlohaForm& form) {
        form.PageControl1->SetActivePage(form.TabSheet3);
        form.TabSheet3Show(&form);
        TVolgaTable& kinds = *form.VolgaTable1;
        kinds.First();
        kinds.Edit();
        kinds.FieldByName("Before_date").SetAsInteger(9);
        kinds.Post();
        kinds.Next();
        kinds.Edit();
        kinds.FieldByName("Before_date").SetAsInteger(8);
    };
    for (bool byButton : {true, false}) {
        TaskEditorContext context = Context(p);
        EXPECT_EQ(Run(context,
                      [&](TUlohaForm& form) {
                          change(form);
                          if (byButton) form.CancelButtonClick(form.CancelButton);
                          return mrCancel;
                      }),
                  mrCancel);
        EXPECT_EQ(leadTimes(), (std::vector<int>{3, 3})) << byButton;
    }
    TaskEditorContext context = Context(p);
    EXPECT_EQ(Run(context,
                  [&](TUlohaForm& form) {
                      change(form);
                      form.PageControl1->SetActivePage(form.TabSheet1);
                      form.UlohaMemo->SetText("Call the tax office");
                      form.BitBtn1Click(form.BitBtn1);
                      return mrNone;
                  }),
              mrOk);
    EXPECT_EQ(leadTimes(), (std::vector<int>{9, 8}));
}

// The issue date is stored in the short date form of the language the invoice was saved under;
// the invoice is shown, changed and cloned under another language all the same.
TEST_F(UlohaFormTest, AnInvoiceSavedInSlovakIsEditedAndClonedInEnglish) {
    for (bool clone : {false, true}) {
        SetLanguage(2);
        TempFolder folder;
        TaskEditorProgram p(folder.path());
        TaskSaveRequest r;
        r.Page = EditorPage::Invoice;
        r.Invoice.IssueDate = "1.3.2005";
        r.Invoice.DueDate = "15.3.2005";
        r.Invoice.PayDate = "10.3.2005";
        r.Invoice.Term = "14";
        r.Invoice.Amount = "120";
        r.Invoice.Currency = "EUR";
        p.Save(r);
        TVolgaTable& t = p.Tasks();
        t.First();
        const std::string code = t.FieldByName("Number").AsString();
        EXPECT_EQ(t.FieldByName("Create_pay").AsString(), "1.3.2005");

        SetLanguage(1);
        TaskEditorState().TaskEditMode = true;
        TaskEditorState().TaskCloneMode = clone;
        TaskEditorContext context = Context(p);
        const int result = Run(context, [&](TUlohaForm& f) {
            EXPECT_EQ(f.LoadError(), "");
            EXPECT_EQ(f.PageControl1->ActivePage(), f.TabSheet2);
            EXPECT_EQ(f.DateEdit3->Text(), "01/03/2005");
            EXPECT_EQ(f.DateEdit2->Text(), "15/03/2005");
            EXPECT_EQ(f.Edit6->Text(), "14");
            EXPECT_EQ(f.DateEdit1->Text(), "10/03/2005");
            f.Edit5->SetText("130");
            f.BitBtn1Click(f.BitBtn1);
            return mrNone;
        });
        EXPECT_EQ(result, mrOk) << clone;
        EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes.front());
        std::vector<std::pair<std::string, std::string>> invoices; // record code, issue date as stored
        for (t.First(); !t.Eof(); t.Next())
            invoices.emplace_back(t.FieldByName("Number").AsString(), t.FieldByName("Create_pay").AsString() + " " +
                                                                           t.FieldByName("Value_pay").AsString());
        if (clone) {
            ASSERT_EQ(invoices.size(), 2u);
            EXPECT_NE(std::find(invoices.begin(), invoices.end(), std::pair{code, std::string("1.3.2005 120")}),
                      invoices.end());
            EXPECT_NE(std::find_if(invoices.begin(), invoices.end(),
                                   [&](const auto& i) { return i.first != code && i.second == "01/03/2005 130"; }),
                      invoices.end());
        } else {
            EXPECT_EQ(invoices, (std::vector<std::pair<std::string, std::string>>{{code, "01/03/2005 130"}}));
        }
    }
}

// The country is chosen with two speed buttons of one group, each with its flag.
TEST_F(UlohaFormTest, TheCountryIsChosenWithTwoSpeedButtonsWithTheirFlags) {
    TaskEditorProgram p(dir.path());
    TaskEditorContext context = Context(p);
    Run(context, [&](TUlohaForm& f) {
        f.PageControl1->SetActivePage(f.TabSheet3);
        f.TabSheet3Show(&f);
        EXPECT_NE(f.SkButton->GroupIndex(), 0);
        EXPECT_EQ(f.SkButton->GroupIndex(), f.CzButton->GroupIndex());
        EXPECT_FALSE(f.SkButton->Glyph().Empty());
        EXPECT_FALSE(f.CzButton->Glyph().Empty());
        EXPECT_NE(f.SkButton->Glyph().Image(), f.CzButton->Glyph().Image());
        EXPECT_TRUE(f.SkButton->Down());
        testing::Press(*f.CzButton, 10, 10);
        testing::Release(*f.CzButton, 10, 10);
        EXPECT_TRUE(f.CzButton->Down());
        EXPECT_FALSE(f.SkButton->Down());
        EXPECT_EQ(f.Label40->Caption(), "Czech pays");
        EXPECT_EQ(p.settings.Nastavenia[95], 1);
        EXPECT_NE(f.VolgaTable1->TableName().find("platby_cz.d"), std::string::npos);
        testing::Press(*f.SkButton, 10, 10);
        testing::Release(*f.SkButton, 10, 10);
        EXPECT_TRUE(f.SkButton->Down());
        EXPECT_FALSE(f.CzButton->Down());
        EXPECT_EQ(f.Label40->Caption(), "Slovak pays");
        EXPECT_EQ(p.settings.Nastavenia[95], 0);
        return mrCancel;
    });
}

} // namespace
} // namespace kvz
