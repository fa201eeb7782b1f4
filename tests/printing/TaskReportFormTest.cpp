// The task and link selection windows inside the report window: the data source selector
// embeds one at a time, their controls choose the rows, and the report window's preview
// prints the embedded window's layout; pictures in the three languages.
#include "core/Data1.h"
#include "core/Main.h"
#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/rtl/Files.h"
#include "printing/LinkReportForm.h"
#include "printing/TaskReportForm.h"
#include "printing/ZostavyChild.h"

#include "PdfTesting.h"
#include "ReportsTesting.h"
#include "TempFolder.h"
#include "core/FrameTesting.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <gtest/gtest.h>

namespace kvz {
namespace {

class SelectionWindowTest : public ReportsProgramTest {
protected:
    void TearDown() override {
        if (frame) frame->CloseActiveModule();
        RegisteredReportSources() = ReportSourceRegistry{};
        ReportsProgramTest::TearDown();
        SetReportLanguage(1);
    }
    void Start(int language) {
        WriteSettings(language);
        StartProgram();
        RegisterReportSelectionWindows(*data);
        SetReportLanguage(language);
        OpenReports();
    }
    void Write(TableId id, const std::vector<std::vector<std::pair<std::string, std::string>>>& rows) {
        TVolgaTable& t = *data->TableOf(id);
        ProgramLocks().WriteSharedTable(t, data->LockFileName(id), false, kRecordCommandPoll, [&] {
            if (id == TableId::Links)
                while (!t.IsEmpty()) {
                    t.First();
                    t.Delete();
                }
            for (const auto& row : rows) {
                t.Append();
                for (const auto& [field, value] : row) t.FieldByName(field).SetAsString(value);
                t.Post();
            }
        });
    }
    // The report window's data source selector set as the user does.
    void ChooseSource(int item) {
        reports->ComboBox1->SetItemIndex(item);
        reports->ComboBox1Click();
    }
    template <class Window> Window* Embedded() { return dynamic_cast<Window*>(reports->EmbeddedSource()); }
    // What the frame's preview would show, as text.
    std::string PreviewText(const std::string& name) {
        const auto pdf = temp.path() / (name + ".pdf");
        WritePdf(reports->PrepareChosenReport(false), pdf);
        if (const char* dir = std::getenv("KVZ_RENDER_DIR"))
            testing::RunTool("pdftoppm", "-png -r 60 -f 1 -l 1 " + testing::ShellQuoted(pdf) + " " +
                                             testing::ShellQuoted(std::string(dir) + "/" + name));
        return testing::PdfText(pdf);
    }
    static void Select(TComboBox* combo, const std::string& text) {
        combo->SetItemIndex(combo->Items().IndexOf(text));
        ASSERT_GE(combo->ItemIndex(), 0) << text;
    }

};

#define EXPECT_HAS(text, what) EXPECT_NE((text).find(what), std::string::npos) << (what) << "\n" << (text)
#define EXPECT_LACKS(text, what) EXPECT_EQ((text).find(what), std::string::npos) << (what) << "\n" << (text)

TEST_F(SelectionWindowTest, LinkWindowPrintsTheChosenTypeAndLeavesNoFilterBehind) {
    Start(1);
    Write(TableId::LinksType, {{{"LinksType", "Say \"hi\""}}, {{"LinksType", "Web*"}}});
    Write(TableId::Links, {{{"Name", "Quoted one"}, {"Type", "Say \"hi\""}, {"Path", "/srv/q"}},
                           {{"Name", "Starred one"}, {"Type", "Web*"}, {"Path", "https://example.org"}},
                           {{"Name", "Plain one"}, {"Type", "Web"}, {"Path", "https://example.com"}}});
    ASSERT_EQ(reports->ComboBox1->Items().Count(), 3);
    ChooseSource(2);
    auto* links = Embedded<TLinksReportForm>();
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(ReportsState().ReportSource, 2);
    EXPECT_EQ(links->ComboBox1->ItemIndex(), 2);
    EXPECT_FALSE(data->LinksTable->OnFilterRecord());

    Select(links->TypeComboBox, "Web*");
    links->BitBtn1Click();
    std::string text = PreviewText("link_window_starred");
    if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_HAS(text, "Links summary");
    EXPECT_HAS(text, "Starred one");
    EXPECT_LACKS(text, "Plain one");
    EXPECT_LACKS(text, "Quoted one");

    Select(links->TypeComboBox, "Say \"hi\"");
    links->BitBtn1Click();
    text = PreviewText("link_window_quoted");
    EXPECT_HAS(text, "Quoted one");
    EXPECT_LACKS(text, "Starred one");

    links->BitBtn2Click(); // "All"
    text = PreviewText("link_window_all");
    for (const char* name : {"Quoted one", "Starred one", "Plain one"}) EXPECT_HAS(text, name);

    // Its own selector asks for the tasks: the task window takes its place once the click is over.
    links->BitBtn1Click();
    links->ComboBox1->SetItemIndex(1);
    links->ComboBox1->OnSelect(links->ComboBox1);
    QApplication::processEvents();
    EXPECT_NE(Embedded<TTasksReportForm>(), nullptr);
    EXPECT_EQ(reports->ComboBox1->ItemIndex(), 1);
    EXPECT_EQ(ReportsState().ReportSource, 1);
    EXPECT_EQ(data->LinksTable->Filter(), "");
    EXPECT_FALSE(data->LinksTable->Filtered());
    EXPECT_TRUE(data->LinksTable->OnFilterRecord());
}

TEST_F(SelectionWindowTest, TaskWindowPrintsTheChosenTasksInTheChosenLayout) {
    Start(1);
    Write(TableId::Projects, {{{"ProjectName", "Allegro"}}, {{"ProjectName", "All\"in"}}});
    Write(TableId::SubProjects, {{{"ProjectName", "Allegro"}, {"SubProjectName", "Fast"}},
                                 {{"ProjectName", "Allegro"}, {"SubProjectName", "Slow"}},
                                 {{"ProjectName", "All\"in"}, {"SubProjectName", "Inner"}}});
    Write(TableId::Tasks, {{{"Uloha", "Run quickly"}, {"Project", "Allegro"}, {"SubProject", "Fast"}, {"Color", "16777215"}},
                           {{"Uloha", "Walk slowly"}, {"Project", "Allegro"}, {"SubProject", "Slow"}, {"Color", "16777215"}},
                           {{"Uloha", "Quoted work"}, {"Project", "All\"in"}, {"SubProject", "Inner"}, {"Color", "16777215"}}});
    ChooseSource(1);
    auto* tasks = Embedded<TTasksReportForm>();
    ASSERT_NE(tasks, nullptr);
    EXPECT_EQ(tasks->PageControl1->ActivePage(), tasks->TabSheet2); // the full summary first
    Select(tasks->ProjectComboBox, "Allegro");
    tasks->ProjectComboBoxChange();
    EXPECT_EQ(tasks->SubProjectComboBox->Items().Count(), 3);
    Select(tasks->SubProjectComboBox, "Fast");
    tasks->BitBtn2Click();
    std::string text = PreviewText("task_window_full");
    if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_HAS(text, "Tasks complette summary");
    EXPECT_HAS(text, "Run quickly");
    EXPECT_LACKS(text, "Walk slowly");
    EXPECT_LACKS(text, "Quoted work");

    tasks->PageControl1->SetActivePage(tasks->TabSheet1);
    Select(tasks->ProjectComboBox, "All\"in");
    tasks->ProjectComboBoxChange();
    tasks->BitBtn2Click();
    text = PreviewText("task_window_brief");
    EXPECT_HAS(text, "Tasks summary");
    EXPECT_LACKS(text, "Tasks complette summary");
    EXPECT_HAS(text, "Quoted work");
    EXPECT_LACKS(text, "Run quickly");

    tasks->BitBtn3Click(); // "All"
    EXPECT_EQ(tasks->ProjectComboBox->ItemIndex(), 0);
    text = PreviewText("task_window_all");
    for (const char* task : {"Run quickly", "Walk slowly", "Quoted work"}) EXPECT_HAS(text, task);

    // Back to the addresses: the window goes and leaves no filter on tasks or sub-projects.
    ChooseSource(0);
    EXPECT_EQ(reports->EmbeddedSource(), nullptr);
    EXPECT_EQ(ReportsState().ReportSource, 0);
    EXPECT_FALSE(data->TaskTable->Filtered());
    EXPECT_FALSE(data->SubProjectTable->Filtered());
    EXPECT_EQ(data->SubProjectTable->RecordCount(), 3);
}

// The task grid shows its dates, in the language's form, and its column titles whole.
TEST_F(SelectionWindowTest, TaskGridColumnsHoldTheirDatesAndTitles) {
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(language);
        Start(language);
        Write(TableId::Tasks, {{{"Uloha", "Run"}, {"Date", "28/12/2026"}, {"Time", "23:59"}}});
        ChooseSource(1);
        auto* tasks = Embedded<TTasksReportForm>();
        ASSERT_NE(tasks, nullptr);
        QCoreApplication::sendPostedEvents();
        TKvDBGrid& grid = *tasks->Grid;
        const QFontMetrics metrics(grid.View()->font());
        const FormatSettings fs = FormatSettings::ForLanguage(language);
        const std::string date = FormatDateTime(fs.ShortDateFormat, EncodeDate(2026, 12, 28), fs);
        EXPECT_EQ(grid.Model().data(grid.Model().index(0, 1), Qt::DisplayRole).toString().toStdString(), date);
        for (auto [column, sample] : {std::pair{1, date}, {2, std::string("23:59")}}) {
            const int room = grid.View()->columnWidth(column) - 8;
            EXPECT_GE(room, metrics.horizontalAdvance(QString::fromStdString(sample))) << sample;
            EXPECT_GE(room, QFontMetrics(grid.View()->horizontalHeader()->font())
                                .horizontalAdvance(QString::fromStdString(grid.Columns()[column].TitleCaption())));
        }
        ChooseSource(0);
        frame->CloseActiveModule();
        reports = nullptr;
        frame->Free();
        frame = nullptr;
        data.reset();
        std::filesystem::remove_all(temp.path() / "KvZirtData");
    }
}

TEST_F(SelectionWindowTest, PicturesInThreeLanguages) {
    const char* names[] = {"", "en", "sk", "cs"};
    const struct {
        int language;
        const char *tasks, *links;
    } captions[] = {{1, "Extendet survey", "Basic summary"}, {2, "Úplný prehľad", "Stručný prehľad"},
                    {3, "Úplný přehled", "Stručný přehled"}};
    for (const auto& c : captions) {
        Start(c.language);
        ChooseSource(1);
        auto* tasks = Embedded<TTasksReportForm>();
        ASSERT_NE(tasks, nullptr);
        EXPECT_EQ(tasks->TabSheet2->Caption(), c.tasks);
        QCoreApplication::sendPostedEvents();
        testing::SaveWindowPicture(*frame, std::string("task_selection_") + names[c.language]);
        ChooseSource(2);
        auto* links = Embedded<TLinksReportForm>();
        ASSERT_NE(links, nullptr);
        EXPECT_EQ(links->TabSheet1->Caption(), c.links);
        QCoreApplication::sendPostedEvents();
        testing::SaveWindowPicture(*frame, std::string("link_selection_") + names[c.language]);
        ChooseSource(0);
        frame->CloseActiveModule();
        reports = nullptr;
        frame->Free();
        frame = nullptr;
        data.reset();
        std::filesystem::remove_all(temp.path() / "KvZirtData");
    }
}

} // namespace
} // namespace kvz
