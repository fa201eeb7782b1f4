#include "printing/LinkReport.h"

#include "PdfTesting.h"
#include "scheduling/SchedulingTesting.h"

#include "core/Messages.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

struct LinkReportTest : ::testing::Test {
    TempFolder dir;
    std::unique_ptr<SchedulingProgram> program;
    TDataModule1* data = nullptr;

    void SetUp() override {
        testing::EnsureApplication();
        SetLanguage(1);
        program = std::make_unique<SchedulingProgram>(dir.path(), false);
        data = program->data.get();
        // Only the links of the tests.
        TVolgaTable& links = *data->LinksTable;
        links.SetFiltered(false);
        while (!links.IsEmpty()) {
            links.First();
            links.Delete();
        }
    }
    void TearDown() override {
        SetLanguage(1);
        SetReportLanguage(1);
    }

    void AddLinks(const std::vector<std::array<std::string, 4>>& rows) { // name, type, path, note
        for (const auto& [name, type, path, note] : rows)
            program->AddRows(TableId::Links, {{{"Name", name}, {"Type", type}, {"Path", path}, {"Note", note}}});
    }

    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        TVolgaTable& t = *data->LinksTable;
        for (t.First(); !t.Eof(); t.Next()) names.push_back(t.FieldByName("Name").AsString());
        return names;
    }
};

TEST(LinkFilterText, AllIsEmptyAndTypesAreQuoted) {
    const struct {
        int index;
        std::string type, text;
    } cases[] = {
        {0, "Web", ""},
        {1, "Web", "Type=\"Web\""},
        {2, "Say \"hi\"", "Type=\"Say \"\"hi\"\"\""},
        {3, "A*", "Type=\"A*\""},
        {4, "\"", "Type=\"\"\"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(LinkFilterText(c.index, c.type), c.text) << c.type;
}

// Types with a quote or a wildcard character pick their own links and no others.
TEST_F(LinkReportTest, HostileTypesPickExactlyTheirLinks) {
    const std::vector<std::string> types = {"Say \"hi\"", "A*", "Ab", "50%", "500", "Wh?", "Why", "All", "Allegro", "\""};
    for (const std::string& type : types) AddLinks({{"link of " + type, type, "/tmp/x", ""}});
    TLinkSelection selection(data->LinksTable, data->LinksTypeTable);
    for (const std::string& type : types) {
        selection.Select(1, type);
        EXPECT_EQ(Shown(), std::vector<std::string>{"link of " + type}) << type;
    }
    selection.Select(0, "All");
    EXPECT_EQ(Shown().size(), types.size());
    selection.Select(1, "Web");
    EXPECT_TRUE(Shown().empty());
    selection.ShowAll();
    EXPECT_EQ(Shown().size(), types.size());
}

// While the window is open only the filter text decides; on close the record filter handler
// is back and no type filter is left to be added to the links window's own.
TEST_F(LinkReportTest, CloseGivesTheHandlerBackAndClearsTheTypeFilter) {
    program->AddRows(TableId::LinksType, {{{"LinksType", "Web"}}, {{"LinksType", "Say \"hi\""}}});
    AddLinks({{"home", "Web", "http://example.org", ""}, {"notes", "Text", "/tmp/notes", ""}});
    data->LinksTable->SetOnFilterRecord([](TDataSet&, bool& accept) { accept = false; });
    {
        TLinkSelection selection(data->LinksTable, data->LinksTypeTable);
        EXPECT_FALSE(data->LinksTable->OnFilterRecord());
        const std::vector<std::string> items = selection.TypeItems();
        ASSERT_GE(items.size(), 3u);
        EXPECT_EQ(items.front(), "All");
        EXPECT_EQ(std::vector<std::string>(items.end() - 2, items.end()), (std::vector<std::string>{"Web", "Say \"hi\""}));
        selection.Select(1, "Web");
        EXPECT_EQ(Shown(), std::vector<std::string>{"home"});
    }
    EXPECT_TRUE(data->LinksTable->OnFilterRecord());
    EXPECT_EQ(data->LinksTable->Filter(), "");
    EXPECT_FALSE(data->LinksTable->Filtered());
}

// The summary prints the chosen links and nothing else, with its captions in each language.
TEST_F(LinkReportTest, LayoutPrintsTheChosenLinksInEachLanguage) {
    AddLinks({{"Project plan", "Documents", "/home/jano/plan.odt", "due in May"},
              {"Budget", "Documents", "/home/jano/budget.ods", "yearly"},
              {"News site", "Web pages", "https://example.org/news", "morning read"},
              {"Editor", "Programs", "/usr/bin/editor", "for notes"}});
    const struct {
        int language;
        std::vector<std::string> captions;
    } languages[] = {
        {1, {"Links summary", "Page number :", "Name :", "Type :", "Path :", "Note :"}},
        {2, {"Prehľad odkazov", "Číslo strany :", "Názov :", "Typ :", "Cesta :", "Poznámka :"}},
        {3, {"Přehled odkazů", "Číslo strany :", "Název :", "Typ :", "Cesta :", "Poznámka :"}},
    };
    TLinkSelection selection(data->LinksTable, data->LinksTypeTable);
    selection.Select(1, "Documents");
    for (const auto& l : languages) {
        SCOPED_TRACE(l.language);
        SetLanguage(l.language);
        SetReportLanguage(l.language);
        const auto layout = MakeLinkLayout();
        BindLinkLayout(*layout, *data->LinksTable);
        const std::filesystem::path pdf = dir.path() / ("links" + std::to_string(l.language) + ".pdf");
        WritePdf(PrepareReport(*layout), pdf);
        const std::string text = testing::PdfText(pdf);
        if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
        for (const std::string& e : l.captions) EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text;
        for (const char* e : {"Project plan", "Budget", "/home/jano/plan.odt", "due in May", "yearly", "Documents"})
            EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text;
        for (const char* e : {"News site", "Editor", "Web pages", "Programs", "example.org", "morning read"})
            EXPECT_EQ(text.find(e), std::string::npos) << e << "\n" << text;
        if (const char* out = std::getenv("KVZ_RENDER_DIR"))
            testing::RunTool("pdftoppm", "-png -r 70 -f 1 -l 1 " + testing::ShellQuoted(pdf) + " " +
                                             testing::ShellQuoted(std::string(out) + "/links" + std::to_string(l.language)));
    }
}

} // namespace
} // namespace kvz
