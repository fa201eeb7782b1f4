#include "core/Migration.h"
#include "core/VersionInfo.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

// The program folder of the older layout and the new data folder, side by side.
class MigrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(program / "Data" / "sub");
        fs::create_directories(program / "TEMPDATA"); // spelt as an old system may have it
        fs::create_directories(data);
        WriteFileDurably(program / "Data" / "Jano_address.d", "old address");
        WriteFileDurably(program / "Data" / "Jano_tasks.d", "old tasks");
        WriteFileDurably(program / "Data" / "sub" / "deep", "not copied");
        WriteFileDurably(program / "TEMPDATA" / "Jano_links.d", "old links");
        WriteFileDurably(program / "zirt.ini", "[ZirtSettings]\r\n");
        WriteFileDurably(data / "Jano_tasks.d", "new tasks");
        WriteFileDurably(data / "Zirt.ini", "new settings");
        WriteFileDurably(data / "report.dat", "new report");
        CheckDataVersion(program);
    }
    TempFolder root;
    fs::path program = root.path() / "program";
    fs::path data = root.path() / "KvZirtData" / "Data";
};

TEST_F(MigrationTest, CopiesFilesOnlyKeepsNewOnesThenMarksAndRenames) {
    ASSERT_TRUE(MigrationPending(program, CheckDataVersion(program).MigrationNeeded));
    MigrateDataFolder(program, data);
    EXPECT_EQ(ReadWholeFile(data / "Jano_address.d"), "old address");
    EXPECT_EQ(ReadWholeFile(data / "Jano_tasks.d"), "new tasks"); // never over a file of the new folder
    EXPECT_FALSE(fs::exists(data / "sub"));
    EXPECT_EQ(ReadWholeFile(data / "TempData" / "Jano_links.d"), "old links");
    EXPECT_FALSE(fs::exists(data / "Template"));
    // The old settings replace the new ones; a report the old folder lacks is kept.
    EXPECT_EQ(ReadWholeFile(data / "Zirt.ini"), "[ZirtSettings]\r\n");
    EXPECT_FALSE(fs::exists(data / "zirt.ini"));
    EXPECT_EQ(ReadWholeFile(data / "report.dat"), "new report");
    EXPECT_FALSE(CheckDataVersion(program).MigrationNeeded);
    EXPECT_FALSE(fs::exists(program / "Data"));
    EXPECT_EQ(ReadWholeFile(program / "OldData" / "Jano_address.d"), "old address");
    EXPECT_FALSE(MigrationPending(program, true));
}

TEST_F(MigrationTest, AFailedCopyKeepsTheOldDataAndTheMarkerForTheNextStart) {
    fs::create_symlink(program / "gone", program / "Data" / "broken.d");
    try {
        MigrateDataFolder(program, data);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("broken.d"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(CheckDataVersion(program).MigrationNeeded);
    EXPECT_TRUE(fs::exists(program / "Data" / "Jano_address.d"));
    EXPECT_FALSE(fs::exists(program / "OldData"));
    EXPECT_EQ(ReadWholeFile(data / "report.dat"), "new report");

    // Once the file is there, the next start finishes.
    fs::remove(program / "Data" / "broken.d");
    WriteFileDurably(program / "Data" / "broken.d", "mended");
    MigrateDataFolder(program, data);
    EXPECT_EQ(ReadWholeFile(data / "broken.d"), "mended");
    EXPECT_FALSE(CheckDataVersion(program).MigrationNeeded);

    std::vector<fs::path> failures;
    EXPECT_NE(CopyFolderFiles(root.path() / "none", data / "x", &failures), 0);
    EXPECT_EQ(failures, std::vector<fs::path>{root.path() / "none"});
}

TEST_F(MigrationTest, TheNoticeComesFirstAndAFailureIsShownNotHidden) {
    testing::EnsureApplication();
    TResponder responder;
    responder.OnMessageBox = [](const TMessageBoxParams&) { return IDOK; };
    RunDataMigration(program, data, false); // the marker said "copied"
    EXPECT_TRUE(responder.MessageBoxes.empty());
    fs::create_symlink(program / "gone", program / "Data" / "broken.d");
    RunDataMigration(program, data, true);
    ASSERT_EQ(responder.MessageBoxes.size(), 2u);
    EXPECT_EQ(responder.MessageBoxes[0].Caption, "Informácia");
    EXPECT_NE(responder.MessageBoxes[1].Text.find("broken.d"), std::string::npos);
    EXPECT_TRUE(fs::exists(program / "Data"));
}

} // namespace
} // namespace kvz
