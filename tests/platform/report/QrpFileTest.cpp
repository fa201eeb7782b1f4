#include "ReportTesting.h"
#include "TempFolder.h"

#include "platform/report/QrpFile.h"
#include "platform/report/ReportMessages.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include <unistd.h>

namespace kvz {
namespace {

const std::string SamplePath = std::string(KVZ_TEST_DATA) + "/report/sample.qrp";

TEST(QrpFile, FixtureRoundTripsByteForByte) {
    const std::string bytes = ReadWholeFile(SamplePath);
    const TPreparedReport report = ReadPreparedReport(bytes, "sample.qrp");
    EXPECT_EQ(WritePreparedReport(report), bytes);

    EXPECT_EQ(report.Title, "Prehľad položiek");
    EXPECT_EQ(report.PageWidth, 21000);
    EXPECT_FALSE(report.Landscape);
    ASSERT_EQ(report.Pages.size(), 2u);
    ASSERT_EQ(report.Pages[0].Items.size(), 4u);
    const TPreparedItem& band = report.Pages[0].Items[0];
    EXPECT_EQ(band.Kind, TPreparedKind::Rectangle);
    EXPECT_EQ(band.PenColor, ReportNoColor);
    EXPECT_EQ(band.Fill, 0xC0C0C0u);
    const TPreparedItem& text = report.Pages[0].Items[2];
    EXPECT_EQ(text.Text, "Žltý kôň\nĎábelské ódy: úžasné\t\"x\" \\ \x01");
    EXPECT_EQ(text.FontName, "Tahoma");
    EXPECT_EQ(text.FontSize, 140);
    EXPECT_EQ(text.FontStyle, rfBold | rfItalic);
    EXPECT_EQ(text.FontColor, 0x0000FFu); // RRGGBB "FF0000" is red, stored as 0x00BBGGRR
    EXPECT_EQ(text.Alignment, taCenter);
    EXPECT_TRUE(text.WordWrap);
    EXPECT_EQ(report.Pages[0].Items[3].Sides, 15);
    EXPECT_EQ(report.Pages[0].Items[3].PenWidth, 53);
    EXPECT_EQ(report.Pages[1].Items[0].Kind, TPreparedKind::Line);
}

TEST(QrpFile, PreparedPagesSurviveSaveAndLoad) {
    test::TTinyDataSet data;
    test::FillNames(data, 40);
    data.Open();
    TReportLayout layout;
    test::BuildLayout(layout, data, {.pageHeader = 10, .title = 20, .columnHeader = 8, .child = 2, .columns = 2});
    layout.SetTitle("Štítky – Čížek");
    layout.BandOfKind(TBandKind::Detail)->Frame().SetAll(true);
    layout.BandOfKind(TBandKind::PageHeader)->SetColor(0xC0C0C0);
    const TPreparedReport report = Prepare(layout);
    TempFolder folder;
    const auto path = folder.path() / "zostava.qrp";
    SavePreparedReport(report, path);
    EXPECT_EQ(LoadPreparedReport(path), report);
    EXPECT_EQ(ReadWholeFile(path), WritePreparedReport(report));
}

TEST(QrpFile, FailedSaveKeepsTheOldFile) {
    TempFolder folder;
    const auto path = folder.path() / "zostava.qrp";
    WriteFileDurably(path, "old");
    TPreparedReport report;
    report.Pages.resize(1);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_THROW(SavePreparedReport(report, path), EReportError);
        EXPECT_EQ(ReadWholeFile(path), "old");
    }
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(QrpFile, MissingFileIsReportedInTheUsersLanguage) {
    SetReportLanguage(2);
    try {
        LoadPreparedReport("/nonexistent/zostava.qrp");
        ADD_FAILURE();
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Súbor \"/nonexistent/zostava.qrp\" sa nedá prečítať: ", 0), 0u)
            << e.what();
    }
    SetReportLanguage(1);
}

// Only a regular file is read, and never beyond the size limit: a pipe would wait for a
// writer for ever, a device would fill the memory.
TEST(QrpFile, OnlyARegularFileIsReadAndNeverBeyondTheLimit) {
    TempFolder folder;
    const auto fifo = folder.path() / "pipe.qrp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto device = folder.path() / "zero.qrp";
    std::filesystem::create_symlink("/dev/zero", device);
    const auto dir = folder.path() / "folder.qrp";
    std::filesystem::create_directory(dir);
    SetReportLanguage(3);
    for (const auto& path : {fifo, device, dir}) {
        try {
            LoadPreparedReport(path);
            ADD_FAILURE() << path;
        } catch (const EReportError& e) {
            EXPECT_EQ(std::string(e.what()), "\"" + path.string() + "\" není soubor, který by obsahoval sestavu.");
        }
    }
    SetReportLanguage(1);
    // A regular file that grows past the limit while it is read is cut at the limit and refused.
    const auto big = folder.path() / "big.qrp";
    {
        std::ofstream out(big, std::ios::binary);
        out.seekp(std::streamoff(QrpMaxFileSize) + 10);
        out.put('x');
    }
    try {
        LoadPreparedReport(big);
        ADD_FAILURE();
    } catch (const EReportError& e) {
        EXPECT_NE(std::string(e.what()).find("too long"), std::string::npos) << e.what();
    }
}

struct BadFileCase {
    const char* name;
    std::string bytes;
    int line;
    std::string message;
};

std::string Valid(const std::string& item = "line 0 0 100 0 000000 26") {
    return "KV-Zirt prepared report 1\ntitle \"T\"\npaper 21000 29700 portrait auto\npages 1\npage 1 1\n" + item +
           "\nend\n";
}

std::string Damaged(int line, const std::string& reason) {
    return "The report \"x.qrp\" is damaged (line " + std::to_string(line) + ": " + reason + ").";
}

const std::string NotOurs = "The file \"x.qrp\" is not a report saved by this program.";

class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, IsRefusedWithTheLine) {
    const BadFileCase& c = GetParam();
    try {
        ReadPreparedReport(c.bytes, "x.qrp");
        ADD_FAILURE() << "read";
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
        EXPECT_EQ(e.Line(), c.line);
    }
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    return s.replace(s.find(from), from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFileTest,
    ::testing::Values(
        BadFileCase{"Empty", "", 1, NotOurs},
        BadFileCase{"OlderProgramsBinaryFile", std::string("\x05\x00\x00\x00QRPD\x01\x02", 10), 1, NotOurs},
        BadFileCase{"Pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n", 1, NotOurs},
        BadFileCase{"CarriageReturns", Replace(Valid(), "report 1\n", "report 1\r\n"), 1, NotOurs},
        BadFileCase{"NewerVersion", Replace(Valid(), "report 1", "report 2"), 1,
                    "The report \"x.qrp\" was saved by a newer version of the program."},
        BadFileCase{"HeaderOnly", "KV-Zirt prepared report 1", 1, Damaged(1, "the file ends too early")},
        BadFileCase{"NoTitle", Replace(Valid(), "title \"T\"\n", ""), 2, Damaged(2, "unexpected text")},
        BadFileCase{"UnclosedTitle", Replace(Valid(), "\"T\"", "\"T"), 2, Damaged(2, "an invalid text")},
        BadFileCase{"ZeroPaper", Replace(Valid(), "21000", "0"), 3, Damaged(3, "a number out of range")},
        BadFileCase{"LeadingZero", Replace(Valid(), "21000", "021000"), 3, Damaged(3, "a number out of range")},
        BadFileCase{"TwoBlanks", Replace(Valid(), "21000 ", "21000  "), 3, Damaged(3, "a number out of range")},
        BadFileCase{"UnknownOrientation", Replace(Valid(), "portrait", "upright"), 3, Damaged(3, "unexpected text")},
        BadFileCase{"TooManyPages", Replace(Valid(), "pages 1", "pages 100001"), 4,
                    Damaged(4, "a number out of range")},
        BadFileCase{"FewerPagesThanSaid", Replace(Valid(), "pages 1", "pages 2"), 7,
                    Damaged(7, "unexpected text")},
        BadFileCase{"PagesOutOfOrder", Replace(Valid(), "page 1 1", "page 2 1"), 5,
                    Damaged(5, "a number out of range")},
        BadFileCase{"MoreItemsThanThere", Replace(Valid(), "page 1 1", "page 1 3"), 7, Damaged(7, "unexpected text")},
        BadFileCase{"TooManyItems", Replace(Valid(), "page 1 1", "page 1 100001"), 5,
                    Damaged(5, "a number out of range")},
        BadFileCase{"UnknownItem", Valid("circle 0 0 10 10"), 6, Damaged(6, "unexpected text")},
        BadFileCase{"ShortItem", Valid("line 0 0 100 0 000000"), 6, Damaged(6, "unexpected text")},
        BadFileCase{"LongItem", Valid("line 0 0 100 0 000000 26 x"), 6, Damaged(6, "unexpected text")},
        BadFileCase{"CoordinateBeyondTenMetres", Valid("line 1000001 0 100 0 000000 26"), 6,
                    Damaged(6, "a number out of range")},
        BadFileCase{"NegativeTextWidth", Valid("text 0 0 -5 10 \"Arial\" 100 ---- 000000 none left wrap \"a\""), 6,
                    Damaged(6, "a number out of range")},
        BadFileCase{"LowerCaseColour", Valid("line 0 0 100 0 00ff00 26"), 6, Damaged(6, "unexpected text")},
        BadFileCase{"StyleLetterOutOfPlace", Valid("text 0 0 5 10 \"Arial\" 100 ib-- 000000 none left wrap \"a\""), 6,
                    Damaged(6, "unexpected text")},
        BadFileCase{"UnknownEscape", Valid("text 0 0 5 10 \"Arial\" 100 ---- 000000 none left wrap \"a\\q\""), 6,
                    Damaged(6, "an invalid text")},
        BadFileCase{"RawControlCharacter", Valid("text 0 0 5 10 \"Arial\" 100 ---- 000000 none left wrap \"a\tb\""),
                    6, Damaged(6, "an invalid text")},
        BadFileCase{"NotUtf8", Valid("text 0 0 5 10 \"Arial\" 100 ---- 000000 none left wrap \"\xBE\xE1\""), 6,
                    Damaged(6, "an invalid text")},
        BadFileCase{"OverlongUtf8", Valid("text 0 0 5 10 \"Arial\" 100 ---- 000000 none left wrap \"\xC0\xAF\""), 6,
                    Damaged(6, "an invalid text")},
        BadFileCase{"TextTooLong",
                    Valid("text 0 0 5 10 \"Arial\" 100 ---- 000000 none left wrap \"" + std::string(65537, 'a') +
                          "\""),
                    6, Damaged(6, "too long")},
        BadFileCase{"NoEnd", Replace(Valid(), "end\n", ""), 7, Damaged(7, "the file ends too early")},
        BadFileCase{"EndWithoutLineFeed", Replace(Valid(), "end\n", "end"), 7, Damaged(7, "the file ends too early")},
        BadFileCase{"SomethingAfterTheEnd", Valid() + "page 2 0\n", 8, Damaged(8, "unexpected text")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kvz
