#include "printing/TaskReportLayouts.h"
#include "printing/TaskReportSelection.h"

#include "scheduling/SchedulingTesting.h"

#include "core/Messages.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"

#include "PdfTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace kvz {
namespace {

using testing::PdfText;
using testing::RunTool;
std::string Quote(const std::filesystem::path& p) { return testing::ShellQuoted(p); }

struct Task {
    std::string Uloha{}, Project{}, SubProject{}, Owner{};
    TDateTime Date = EncodeDate(2026, 3, 10);
    int RepFreq = 0;
    bool Completed = false, Remind = false, Run = false;
};

struct TaskReportTest : ::testing::Test {
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    TDataModule1* data = nullptr;

    void SetUp() override {
        testing::EnsureApplication();
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), false);
        data = program->data.get();
    }
    void TearDown() override { SetLanguage(1); }

    TTaskTables Tables() const { return {data->TaskTable, data->ProjectTable, data->SubProjectTable, data->OwnersTable}; }

    void AddTasks(const std::vector<Task>& tasks) {
        TVolgaTable& t = *data->TaskTable;
        program->locks.WriteSharedTable(t, data->LockFileName(TableId::Tasks), false, kRecordCommandPoll, [&] {
            for (const Task& r : tasks) {
                t.Append();
                t.FieldByName("Date").SetAsDateTime(r.Date);
                t.FieldByName("Time").SetAsString("10:00");
                t.FieldByName("Uloha").SetAsString(r.Uloha);
                t.FieldByName("Color").SetAsInteger(0xFFFFFF);
                t.FieldByName("Project").SetAsString(r.Project);
                t.FieldByName("SubProject").SetAsString(r.SubProject);
                t.FieldByName("Owner").SetAsString(r.Owner);
                t.FieldByName("RepFreq").SetAsInteger(r.RepFreq);
                t.FieldByName("Repeat").SetAsBoolean(r.RepFreq != 0);
                t.FieldByName("Completed").SetAsBoolean(r.Completed);
                t.FieldByName("Mesage").SetAsBoolean(r.Remind);
                t.FieldByName("Run").SetAsBoolean(r.Run);
                t.Post();
            }
        });
    }

    void AddProjects(const std::vector<std::pair<std::string, std::vector<std::string>>>& projects) {
        for (const auto& [project, subs] : projects) {
            program->AddRows(TableId::Projects, {{{"ProjectName", project}}});
            for (const std::string& sub : subs)
                program->AddRows(TableId::SubProjects, {{{"ProjectName", project}, {"SubProjectName", sub}}});
        }
    }

    std::vector<std::string> Shown() const {
        std::vector<std::string> tasks;
        TVolgaTable& t = *data->TaskTable;
        for (t.First(); !t.Eof(); t.Next()) tasks.push_back(t.FieldByName("Uloha").AsString());
        return tasks;
    }
};

TEST(TaskFilterText, TermsInOrderQuotedAndOnlyWhenChosen) {
    const struct {
        TTaskChoice choice;
        std::string text;
    } cases[] = {
        {{}, ""},
        {{.ProjectIndex = 0, .Project = "Home", .DateFrom = "  .  .    ", .DateTo = "  .  .    "}, ""},
        {{.DateTo = "05.03.2026"}, "Date<=\"05.03.2026\""},
        {{.ProjectIndex = 2, .Project = "Home", .SubProjectIndex = 1, .SubProject = "Roof", .DateFrom = "01.03.2026",
          .DateTo = "31.03.2026", .OwnerIndex = 3, .Owner = "Jano"},
         "Project=\"Home\" and SubProject=\"Roof\" and Date>=\"01.03.2026\" and Date<=\"31.03.2026\" and Owner=\"Jano\""},
        {{.ProjectIndex = 1, .Project = "Say \"hi\"", .OwnerIndex = 1, .Owner = "\""},
         "Project=\"Say \"\"hi\"\"\" and Owner=\"\"\"\""},
        {{.ProjectIndex = 1, .Project = "A*", .SubProjectIndex = 1, .SubProject = "50%"},
         "Project=\"A*\" and SubProject=\"50%\""},
    };
    for (const auto& c : cases) EXPECT_EQ(TaskFilterText(c.choice), c.text);
    EXPECT_FALSE(HoldsDate(""));
    EXPECT_FALSE(HoldsDate("  .  .    "));
    EXPECT_TRUE(HoldsDate(" 1.03.2026"));
}

// Names with a quote or a wildcard character pick their own tasks and no others; a name is
// matched whole, so "All" is not "Allegro".
TEST_F(TaskReportTest, HostileNamesPickExactlyTheirTasks) {
    const std::vector<std::string> names = {"Say \"hi\"", "A*", "Ab", "50%", "500", "Wh?", "Why", "All", "Allegro", "\""};
    std::vector<Task> tasks;
    for (const std::string& name : names) tasks.push_back({.Uloha = "task of " + name, .Project = name, .Owner = name});
    AddTasks(tasks);
    TTaskSelection selection(Tables());
    for (const std::string& name : names) {
        selection.Select({.ProjectIndex = 1, .Project = name});
        EXPECT_EQ(Shown(), std::vector<std::string>{"task of " + name}) << "project " << name;
        selection.Select({.OwnerIndex = 1, .Owner = name});
        EXPECT_EQ(Shown(), std::vector<std::string>{"task of " + name}) << "owner " << name;
    }
    selection.Select({});
    EXPECT_EQ(Shown().size(), names.size()); // no term: every task
}

TEST_F(TaskReportTest, DatesSubProjectsAndAll) {
    AddTasks({{.Uloha = "early", .Project = "P", .SubProject = "S1", .Date = EncodeDate(2026, 3, 1)},
              {.Uloha = "middle", .Project = "P", .SubProject = "S2", .Date = EncodeDate(2026, 3, 10)},
              {.Uloha = "late", .Project = "P", .SubProject = "S1", .Date = EncodeDate(2026, 3, 20)}});
    const FormatSettings& fs = data->TaskTable->Settings();
    auto shown = [&](TDateTime d) { return FormatDateTime(fs.ShortDateFormat, d, fs); };
    TTaskSelection selection(Tables());
    selection.Select({.DateTo = shown(EncodeDate(2026, 3, 10))});
    EXPECT_EQ(Shown(), (std::vector<std::string>{"early", "middle"}));
    selection.Select({.DateFrom = shown(EncodeDate(2026, 3, 5)), .DateTo = shown(EncodeDate(2026, 3, 15))});
    EXPECT_EQ(Shown(), (std::vector<std::string>{"middle"}));
    selection.Select({.ProjectIndex = 1, .Project = "P", .SubProjectIndex = 1, .SubProject = "S1"});
    EXPECT_EQ(Shown(), (std::vector<std::string>{"early", "late"}));
    selection.ShowAll();
    EXPECT_EQ(Shown().size(), 3u);
}

TEST_F(TaskReportTest, SubProjectListsMatchTheWholeNameAndCloseClearsTheFilters) {
    AddProjects({{"Allegro", {"Fast"}}, {"Beta", {"B1", "B2"}}, {"Say \"hi\"", {"Hello"}}});
    bool recordFilterCalled = false;
    data->TaskTable->SetOnFilterRecord([&](TDataSet&, bool& accept) { recordFilterCalled = accept = true; });
    {
        TTaskSelection selection(Tables());
        EXPECT_FALSE(data->TaskTable->OnFilterRecord()); // only the filter text decides while open
        EXPECT_EQ(selection.ProjectItems(), (std::vector<std::string>{"All", "Allegro", "Beta", "Say \"hi\""}));
        EXPECT_EQ(selection.SubProjectItems("Beta"), (std::vector<std::string>{"All", "B1", "B2"}));
        // "All" names no project: the list stays that of the project the table stands on.
        EXPECT_EQ(selection.SubProjectItems("All"), (std::vector<std::string>{"All", "B1", "B2"}));
        EXPECT_EQ(selection.SubProjectItems("Say \"hi\""), (std::vector<std::string>{"All", "Hello"}));
        EXPECT_EQ(selection.SubProjectItems("allegro"), (std::vector<std::string>{"All", "Fast"}));
        selection.Select({.ProjectIndex = 1, .Project = "Beta"});
        EXPECT_TRUE(data->SubProjectTable->Filtered());
        selection.Close();
    }
    EXPECT_FALSE(data->SubProjectTable->Filtered());
    EXPECT_EQ(data->SubProjectTable->Filter(), "");
    EXPECT_FALSE(data->TaskTable->Filtered());
    EXPECT_EQ(data->TaskTable->Filter(), "");
    EXPECT_TRUE(data->TaskTable->OnFilterRecord()); // given back
    EXPECT_EQ(data->SubProjectTable->RecordCount(), 4);
    (void)recordFilterCalled;
}

TEST_F(TaskReportTest, OwnerList) {
    TTaskSelection selection(Tables());
    EXPECT_EQ(selection.OwnerItems("jano"), std::vector<std::string>{"All"});
    program->AddRows(TableId::Owners, {{{"OwnerName", "Fero"}}, {{"OwnerName", "Mara"}}});
    EXPECT_EQ(selection.OwnerItems("jano"), (std::vector<std::string>{"All", "jano", "Fero", "Mara"}));
}

TEST(TaskReportWords, RepeatCompletedAndYesNo) {
    const char* const repeat[] = {"Raz", "Kazdy Den", "Kazdy Tyzden", "Kazdy mesiac", "Kazdy rok"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(RepeatWord(i), repeat[i]);
    EXPECT_EQ(RepeatWord(-1), nullptr);
    EXPECT_EQ(RepeatWord(5), nullptr);
    EXPECT_STREQ(CompletedWord(true), "Ukoncene");
    EXPECT_STREQ(CompletedWord(false), "Neukoncene");
    EXPECT_STREQ(YesNoWord(true), "Hej");
    EXPECT_STREQ(YesNoWord(false), "Ne");
}

// Both layouts print the chosen tasks and nothing else, with their captions and words in
// each language.
TEST_F(TaskReportTest, LayoutsPrintTheChosenTasksInEachLanguage) {
    AddTasks({{.Uloha = "Paint the fence", .Project = "Home", .SubProject = "Garden", .Owner = "Jano", .RepFreq = 2,
               .Completed = true, .Remind = true},
              {.Uloha = "Fix the roof", .Project = "Home", .SubProject = "House", .Owner = "Mara", .RepFreq = 7},
              {.Uloha = "Write the offer", .Project = "Homework", .Owner = "Jano"},
              {.Uloha = "Call the bank", .Project = "Office", .Owner = "Fero", .RepFreq = 4}});
    const struct {
        int language;
        std::vector<std::string> brief, full;
    } languages[] = {
        {1, {"Tasks summary", "Page number :", "Owner", "Start", "Task"},
         {"Tasks complette summary", "Partial project", "Recall", "Completed"}},
        {2, {"Prehľad úloh", "Číslo strany :", "Vykonáva", "Štart", "Úloha"},
         {"Prehľad úloh úplný", "Podprojekt", "Spustiť", "Pripomínať"}},
        {3, {"Přehled úkolů", "Číslo strany :", "Provádí", "Start", "Úkol"},
         {"Přehled úkolů úplný", "Podprojekt", "Spustit", "Připomínat"}},
    };
    TTaskSelection selection(Tables());
    selection.Select({.ProjectIndex = 1, .Project = "Home"});
    for (const auto& l : languages) {
        SCOPED_TRACE(l.language);
        SetLanguage(l.language);
        SetReportLanguage(l.language);
        const auto brief = MakeBriefTaskLayout();
        BindBriefTaskLayout(*brief, *data->TaskTable);
        const auto full = MakeFullTaskLayout();
        BindFullTaskLayout(*full, *data->TaskTable);
        for (auto [layout, expected, name] :
             {std::tuple{brief.get(), &l.brief, "brief"}, std::tuple{full.get(), &l.full, "full"}}) {
            const std::filesystem::path pdf = dir.path() / (std::string(name) + std::to_string(l.language) + ".pdf");
            WritePdf(PrepareReport(*layout), pdf);
            const std::string text = PdfText(pdf);
            if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
            for (const std::string& e : *expected) EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text;
            for (const char* e : {"Paint the fence", "Fix the roof", "Jano", "Mara"})
                EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text;
            for (const char* e : {"Write the offer", "Call the bank", "Fero", "Homework", "Office"})
                EXPECT_EQ(text.find(e), std::string::npos) << e << "\n" << text;
            if (std::string(name) == "full") {
                for (const char* e : {"Kazdy Tyzden", "Ukoncene", "Neukoncene", "Hej", "Garden", "House"})
                    EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text;
                EXPECT_EQ(text.find("Kazdy rok"), std::string::npos); // RepFreq 7 keeps the word before it
            }
            if (const char* out = std::getenv("KVZ_RENDER_DIR"))
                RunTool("pdftoppm", "-png -r 70 -f 1 -l 1 " + Quote(pdf) + " " +
                                        Quote(std::string(out) + "/task_" + name + std::to_string(l.language)));
        }
    }
}

// The words of a PDF page with their boxes (pdftotext -bbox), in reading order.
struct PdfWord {
    std::string text;
    double xMin, yMin, xMax, yMax;
};

std::vector<PdfWord> PdfWords(const std::filesystem::path& pdf) {
    std::vector<PdfWord> words;
    const auto html = RunTool("pdftotext", "-bbox -f 1 -l 1 " + Quote(pdf) + " -");
    if (!html) return words;
    for (size_t at = html->find("<word "); at != std::string::npos; at = html->find("<word ", at + 1)) {
        PdfWord w{};
        const size_t close = html->find('>', at), end = html->find("</word>", at);
        if (std::sscanf(html->substr(at, close - at).c_str(), "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"",
                        &w.xMin, &w.yMin, &w.xMax, &w.yMax) != 4)
            continue;
        w.text = html->substr(close + 1, end - close - 1);
        words.push_back(w);
    }
    return words;
}

// Dates print as the language writes them, in the page header and in the tasks; every caption
// of the full layout ends before its value in the fonts that print them.
TEST_F(TaskReportTest, DatesInTheLanguageAndCaptionsClearOfTheirValues) {
    AddTasks({{.Uloha = "Úloha", .Project = "Domov", .SubProject = "Záhrada", .Owner = "Jano", .RepFreq = 2,
               .Completed = true, .Remind = true}});
    const struct {
        int language;
        const char *date, *captions;
    } languages[] = {{1, "10/03/2026", "Date"}, {2, "10.3.2026", "Dátum"}, {3, "10.3.2026", "Datum"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.language);
        SetLanguage(l.language);
        SetReportLanguage(l.language);
        const FormatSettings fs = FormatSettings::ForLanguage(l.language);
        const std::string today = FormatDateTime(fs.ShortDateFormat, Today(), fs);
        for (bool full : {false, true}) {
            SCOPED_TRACE(full);
            const auto layout = full ? MakeFullTaskLayout() : MakeBriefTaskLayout();
            if (full)
                BindFullTaskLayout(*layout, *data->TaskTable);
            else
                BindBriefTaskLayout(*layout, *data->TaskTable);
            const std::filesystem::path pdf = dir.path() / ("dates" + std::to_string(l.language) + (full ? "f" : "b") + ".pdf");
            WritePdf(PrepareReport(*layout), pdf);
            const std::vector<PdfWord> words = PdfWords(pdf);
            if (words.empty()) GTEST_SKIP() << "pdftotext is not installed";
            auto has = [&](const std::string& text) {
                return std::any_of(words.begin(), words.end(), [&](const PdfWord& w) { return w.text == text; });
            };
            EXPECT_TRUE(has(l.date)) << l.date;
            EXPECT_TRUE(has(today)) << today;
            EXPECT_TRUE(has(l.captions)) << l.captions;
            // No two words of one line overlap, and the captions stand as words of their own.
            for (size_t i = 0; i < words.size(); ++i)
                for (size_t j = i + 1; j < words.size(); ++j) {
                    const PdfWord &a = words[i], &b = words[j];
                    const bool sameLine = std::min(a.yMax, b.yMax) - std::max(a.yMin, b.yMin) > 2;
                    const bool overlap = std::min(a.xMax, b.xMax) - std::max(a.xMin, b.xMin) > 0.5;
                    EXPECT_FALSE(sameLine && overlap) << a.text << " and " << b.text;
                }
            if (full) {
                for (const char* glued : {"ÚlohaÚloha", "ÚkolÚloha", "TaskÚloha"}) EXPECT_FALSE(has(glued)) << glued;
            }
            if (const char* out = std::getenv("KVZ_RENDER_DIR"))
                RunTool("pdftoppm", "-png -r 70 -f 1 -l 1 " + Quote(pdf) + " " +
                                        Quote(std::string(out) + "/task_dates" + std::to_string(l.language) + (full ? "f" : "b")));
        }
    }
}

} // namespace
} // namespace kvz
