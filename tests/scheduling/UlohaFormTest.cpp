#include "scheduling/Uloha.h"

#include "TaskTesting.h"
#include "TempFolder.h"
#include "core/TableLocks.h"
#include "core/FrameServices.h"
#include "core/Users.h"
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Clock.h"
#include "scheduling/RegularPays.h"
#include "scheduling/TaskEditorService.h"
#include "scheduling/UlohaLoad.h"

#include <gtest/gtest.h>

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
        responder.OnMessageBox = [&](const TMessageBoxParams& params) {
            boxes.push_back(params.Text);
            return IDOK;
        };
        TUlohaForm form(nullptr, context);
        return form.ShowModal();
    }

    FixedClock clock{kToday + EncodeTime(10, 37, 45, 0)};
    ScopedClock scoped{clock};
    TempFolder dir;
    std::vector<TaskSaveResult> saved;
    std::vector<std::string> boxes;
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
        f.CzButton->SetChecked(true);
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
