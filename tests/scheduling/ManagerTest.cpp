#include "scheduling/Manager.h"
#include "scheduling/Owners.h"

#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"

#include "SchedulingTesting.h"

#include <QApplication>
#include <QTableView>

namespace kvz {
namespace {

TDateTime D(int y, int m, int d) { return DateOfDay(y, m, d); }

class ManagerTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        RunEditModes() = {};
    }
    void TearDown() override { SetLanguage(2); }
    std::unique_ptr<SchedulingProgram> Program(bool network = false) { return std::make_unique<SchedulingProgram>(dir.path(), network); }
    static std::vector<std::string> Column(TVolgaTable& t, const char* field) {
        std::vector<std::string> out;
        const bool filtered = t.Filtered();
        t.SetFiltered(false);
        for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(field).AsString());
        t.SetFiltered(filtered);
        return out;
    }
    // The table as another program reads it from its file.
    std::vector<std::string> OnDisk(TableId id, const char* field) {
        SchedulingProgram other(dir.path(), false);
        return Column(*other.data->TableOf(id), field);
    }
    TempFolder dir;
    TResponder responder;
};

TEST_F(ManagerTest, PanelStatesTable) {
    const struct { ListPanelStep step; ListPanelButtons b; } cases[] = {
        {ListPanelStep::New, {true, false, true, true, false, 19, true}},
        {ListPanelStep::Edit, {false, true, true, true, false, 4, true}},
        {ListPanelStep::PostOrCancel, {true, true, false, false, true, 4, false}},
    };
    for (const auto& c : cases) EXPECT_EQ(PanelButtonsAfter(c.step), c.b) << int(c.step);
}

TEST_F(ManagerTest, ANewProjectIsWrittenWithItsDatesAndUser) {
    auto p = Program();
    TManagerForm form(nullptr, *p->data, p->frame);
    form.FormShow();
    form.ToolButton1Click();
    EXPECT_TRUE(form.Panel1->Visible());
    EXPECT_EQ(form.ToolButton1->ImageIndex(), 19);
    form.Edit1->SetText("Roof");
    form.DateTimePicker1->SetDate(D(2025, 3, 1));
    form.DateTimePicker2->SetDate(D(2025, 4, 30));
    form.ToolButton3Click();
    EXPECT_FALSE(form.Panel1->Visible());
    EXPECT_EQ(OnDisk(TableId::Projects, "ProjectName"), std::vector<std::string>{"Roof"});
    EXPECT_EQ(OnDisk(TableId::Projects, "StartProj"), std::vector<std::string>{"01/03/2025"});
    EXPECT_EQ(OnDisk(TableId::Projects, "EndProj"), std::vector<std::string>{"30/04/2025"});
    EXPECT_EQ(OnDisk(TableId::Projects, "User"), std::vector<std::string>{"Jano"});
    EXPECT_EQ(form.KvLabel2->Caption(), "Roof");
    EXPECT_EQ(form.ProjectComboBox->Text(), "Roof");
    // An empty name posts nothing.
    form.ToolButton1Click();
    form.ToolButton3Click();
    EXPECT_EQ(OnDisk(TableId::Projects, "ProjectName").size(), 1u);
}

// Renaming changes only the project's row: tasks and sub-projects keep the old name.
TEST_F(ManagerTest, ARenameDoesNotCascade) {
    auto p = Program();
    p->AddRows(TableId::Projects, {{{"ProjectName", "Old"}, {"StartProj", "01/01/2025"}}});
    p->AddRows(TableId::SubProjects, {{{"ProjectName", "Old"}, {"SubProjectName", "Part"}}});
    p->AddTasks({{"T1", D(2025, 1, 1), "10:00", "x", 0, 0, "Old"}});
    TManagerForm form(nullptr, *p->data, p->frame);
    form.FormShow();
    form.ToolButton2Click();
    EXPECT_EQ(form.Edit1->Text(), "Old");
    EXPECT_EQ(form.DateTimePicker1->Date(), D(2025, 1, 1));
    form.Edit1->SetText("New");
    form.ToolButton3Click();
    EXPECT_EQ(OnDisk(TableId::Projects, "ProjectName"), std::vector<std::string>{"New"});
    EXPECT_EQ(OnDisk(TableId::SubProjects, "ProjectName"), std::vector<std::string>{"Old"});
    EXPECT_EQ(OnDisk(TableId::Tasks, "Project"), std::vector<std::string>{"Old"});
}

TEST_F(ManagerTest, EditCancelThenNewAddsARowAndLeavesTheEditedOne) {
    auto p = Program();
    p->AddRows(TableId::Projects, {{{"ProjectName", "P"}}});
    p->AddRows(TableId::SubProjects, {{{"ProjectName", "P"}, {"SubProjectName", "S1"}}});
    TManagerForm form(nullptr, *p->data, p->frame);
    form.FormShow();
    form.ToolButton22Click();
    EXPECT_EQ(form.DateTimePicker3->Date(), std::floor(Now())); // an empty start gives today
    form.ToolButton44Click();
    form.ToolButton11Click();
    EXPECT_EQ(form.Edit2->Text(), "");
    form.Edit2->SetText("S2");
    form.ToolButton33Click();
    EXPECT_EQ(OnDisk(TableId::SubProjects, "SubProjectName"), (std::vector<std::string>{"S1", "S2"}));
    EXPECT_EQ(OnDisk(TableId::SubProjects, "ProjectName"), (std::vector<std::string>{"P", "P"}));
}

TEST_F(ManagerTest, DeletingAProjectAsksTwiceAndTakesItsTasksOnlyOnYes) {
    for (int second : {IDYES, IDNO}) {
        SCOPED_TRACE(second);
        TempFolder folder;
        SchedulingProgram p(folder.path(), false);
        p.AddRows(TableId::Projects, {{{"ProjectName", "Gone"}}, {{"ProjectName", "Kept"}}});
        p.AddRows(TableId::SubProjects, {{{"ProjectName", "Gone"}, {"SubProjectName", "Part"}}});
        p.AddTasks({{"T1", D(2025, 1, 1), "10:00", "a", 0, 0, "Gone"}, {"T2", D(2025, 1, 1), "10:00", "b", 0, 0, "Gone"},
                    {"T3", D(2025, 1, 1), "10:00", "c", 0, 0, "Gone"}, {"T4", D(2025, 1, 1), "10:00", "d", 0, 0, "Kept"}});
        TManagerForm form(nullptr, *p.data, p.frame);
        form.FormShow();
        responder.MessageBoxAnswers = {IDYES, second};
        responder.MessageBoxes.clear();
        form.ToolButton5Click();
        ASSERT_EQ(responder.MessageBoxes.size(), 2u);
        EXPECT_EQ(responder.MessageBoxes[0].Text, "Want to remove project \"Gone\" for good ?");
        EXPECT_EQ(responder.MessageBoxes[0].Caption, GetMessageText(MessageId::WarningCaption));
        EXPECT_EQ(responder.MessageBoxes[1].Text,
                  "Project \"Gone\"  removed succesfully, want to remove all tasks  bind hereto project too ?");
        EXPECT_EQ(Column(*p.data->ProjectTable, "ProjectName"), std::vector<std::string>{"Kept"});
        EXPECT_EQ(Column(*p.data->SubProjectTable, "SubProjectName"), std::vector<std::string>{"Part"});
        EXPECT_EQ(Column(*p.data->TaskTable, "Number").size(), second == IDYES ? 1u : 4u);
    }
}

TEST_F(ManagerTest, RowsAreFoundByTheirExactKeyAndAnEmptyKeyChangesNothing) {
    auto p = Program();
    p->AddRows(TableId::Owners, {{{"OwnerName", "Eva"}}, {{"OwnerName", "Eva Nova"}}, {{"OwnerName", "eva"}}});
    const SharedTableTarget target{*p->data->OwnersTable, p->data->LockFileName(TableId::Owners), p->locks, false};
    EXPECT_FALSE(DeleteOwner(target, {}));
    EXPECT_FALSE(EditOwner(target, {}, "X"));
    EXPECT_EQ(Column(*p->data->OwnersTable, "OwnerName").size(), 3u);
    EXPECT_TRUE(DeleteOwner(target, {"", "Eva", ""}));
    EXPECT_EQ(Column(*p->data->OwnersTable, "OwnerName"), (std::vector<std::string>{"Eva Nova", "eva"}));
    // A row that is gone is reported, never replaced by a neighbour.
    EXPECT_THROW(DeleteOwner(target, {"", "Eva", ""}), EDatabaseError);
    EXPECT_THROW(EditOwner(target, {"NOSUCH01", "", ""}, "X"), EDatabaseError);
    EXPECT_EQ(Column(*p->data->OwnersTable, "OwnerName").size(), 2u);
    EXPECT_EQ(DeleteTasksNamed({*p->data->TaskTable, p->data->LockFileName(TableId::Tasks), p->locks, false}, "Project", ""), 0);
}

// In network mode a delete writes the shared file only under its lock, after a reload.
TEST_F(ManagerTest, NetworkDeletesWaitForTheLockAndReloadFirst) {
    auto p = Program(true);
    p->AddRows(TableId::Owners, {{{"OwnerName", "Eva"}}, {{"OwnerName", "Jan"}}});
    {
        // Another program adds an owner meanwhile.
        SchedulingProgram other(dir.path(), true);
        other.AddRows(TableId::Owners, {{{"OwnerName", "Ida"}}});
    }
    TTableLocks other;
    ASSERT_TRUE(other.LockTableFile(p->data->LockFileName(TableId::Owners)));
    p->locks.UnattendedWaitLimit = std::chrono::milliseconds(300);
    TOwnersForm form(nullptr, *p->data, p->frame);
    p->data->OwnersTable->First();
    responder.MessageBoxAnswers = {IDYES};
    EXPECT_THROW(form.ToolButton5Click(), FileError);
    EXPECT_EQ(OnDisk(TableId::Owners, "OwnerName"), (std::vector<std::string>{"Eva", "Jan", "Ida"}));
    other.UnlockTableFile();
    responder.MessageBoxAnswers = {IDYES};
    form.ToolButton5Click();
    EXPECT_EQ(OnDisk(TableId::Owners, "OwnerName"), (std::vector<std::string>{"Jan", "Ida"}));
}

TEST_F(ManagerTest, TheOwnersDialogAddsRenamesAndDeletes) {
    auto p = Program();
    TOwnersForm form(nullptr, *p->data, p->frame);
    form.FormShow();
    EXPECT_EQ(form.Caption(), "Owners");
    form.ToolButton1Click();
    form.Edit1->SetText("Eva");
    form.ToolButton3Click();
    EXPECT_EQ(OnDisk(TableId::Owners, "OwnerName"), std::vector<std::string>{"Eva"});
    EXPECT_EQ(OnDisk(TableId::Owners, "User"), std::vector<std::string>{"Jano"});
    p->AddTasks({{"T1", D(2025, 1, 1), "10:00", "x"}});
    form.ToolButton2Click();
    EXPECT_EQ(form.Edit1->Text(), "Eva");
    form.Edit1->SetText("");
    form.ToolButton3Click(); // an empty name changes nothing
    EXPECT_EQ(OnDisk(TableId::Owners, "OwnerName"), std::vector<std::string>{"Eva"});
    form.ToolButton2Click();
    form.Edit1->SetText("Eva Nová");
    form.ToolButton3Click();
    EXPECT_EQ(OnDisk(TableId::Owners, "OwnerName"), std::vector<std::string>{"Eva Nová"});
    responder.MessageBoxAnswers = {IDYES};
    form.ToolButton5Click();
    EXPECT_EQ(responder.MessageBoxes.back().Text, "Want to remove owner name \"Eva Nová\" for good ?");
    EXPECT_TRUE(OnDisk(TableId::Owners, "OwnerName").empty());
}

// The project box shows the last project after the list is filled: a sub-project of the first
// project, edited, stays with its own project.
TEST_F(ManagerTest, AnEditedSubProjectKeepsItsOwnProject) {
    auto p = Program();
    p->AddRows(TableId::Projects, {{{"ProjectName", "First"}}, {{"ProjectName", "Last"}}});
    p->AddRows(TableId::SubProjects, {{{"ProjectName", "First"}, {"SubProjectName", "Part"}}});
    TManagerForm form(nullptr, *p->data, p->frame);
    form.FormShow();
    EXPECT_EQ(form.ProjectComboBox->Text(), "Last");
    form.ToolButton22Click();
    EXPECT_EQ(form.ProjectComboBox->Text(), "First");
    form.Edit2->SetText("Part two");
    form.ToolButton33Click();
    EXPECT_EQ(OnDisk(TableId::SubProjects, "SubProjectName"), std::vector<std::string>{"Part two"});
    EXPECT_EQ(OnDisk(TableId::SubProjects, "ProjectName"), std::vector<std::string>{"First"});
    // Another project picked in the box moves it.
    form.ToolButton22Click();
    form.ProjectComboBox->SetText("Last");
    form.ToolButton33Click();
    EXPECT_EQ(OnDisk(TableId::SubProjects, "ProjectName"), std::vector<std::string>{"Last"});
}

// A name typed into the owners grid changes nothing: names change through the edit box, and the
// next save writes in both modes.
TEST_F(ManagerTest, TheOwnersGridTakesNoTyping) {
    for (const bool network : {false, true}) {
        SCOPED_TRACE(network);
        TempFolder folder;
        SchedulingProgram p(folder.path(), network);
        p.AddRows(TableId::Owners, {{{"OwnerName", "Eva"}}});
        TOwnersForm form(nullptr, *p.data, p.frame);
        form.Show();
        form.FormShow();
        QApplication::processEvents();
        form.Widget()->activateWindow();
        form.OwnersGrid->SetFocus();
        QApplication::processEvents();
        QTableView* view = form.OwnersGrid->View();
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_J);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(view, Qt::Key_Down);
        EXPECT_EQ(p.data->OwnersTable->State(), dsBrowse);
        EXPECT_EQ(p.data->OwnersTable->ChangeCount(), 0);
        form.ToolButton1Click();
        form.Edit1->SetText("Ida");
        form.ToolButton3Click();
        SchedulingProgram other(folder.path(), false);
        EXPECT_EQ(Column(*other.data->OwnersTable, "OwnerName"), (std::vector<std::string>{"Eva", "Ida"}));
    }
}

TEST_F(ManagerTest, Pictures) {
    auto p = Program();
    p->AddRows(TableId::Projects, {{{"ProjectName", "Home"}, {"StartProj", "01/01/2025"}, {"EndProj", "31/12/2025"}},
                                   {{"ProjectName", "Work"}}});
    p->AddRows(TableId::SubProjects, {{{"ProjectName", "Home"}, {"SubProjectName", "Roof"}}});
    p->AddRows(TableId::Owners, {{{"OwnerName", "Eva"}}, {{"OwnerName", "Jan"}}});
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TManagerForm manager(nullptr, *p->data, p->frame);
        manager.Show();
        testing::SaveWindowPicture(manager, "Manager_" + std::to_string(language) + "");
        manager.ToolButton1Click();
        manager.ToolButton11Click();
        testing::SaveWindowPicture(manager, "Manager_" + std::to_string(language) + "_edit");
        TOwnersForm owners(nullptr, *p->data, p->frame);
        owners.Show();
        testing::SaveWindowPicture(owners, "Owners_" + std::to_string(language) + "");
    }
}

} // namespace
} // namespace kvz
