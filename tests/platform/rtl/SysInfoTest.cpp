#include "platform/rtl/SysInfo.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(SysInfo, ShortFileExt) {
    EXPECT_EQ(ShortFileExt("/home/jano/my.folder/readme"), "/home/jano/my.folder/readme");
    EXPECT_EQ(ShortFileExt("C:\\my.dir\\readme"), "C:\\my.dir\\readme");
    EXPECT_EQ(ShortFileExt("report.html"), ".htm");
    EXPECT_EQ(ShortFileExt("a.d"), ".d");
}

TEST(SysInfo, FileTypeNameFallsBackToTheExtension) {
    SetShellTypeNameProvider(nullptr);
    EXPECT_EQ(GetShellFileTypeName("/tmp/offer.xyz"), "XYZ File");
    EXPECT_EQ(GetShellFileTypeName("/tmp/README"), "File");
    SetShellTypeNameProvider([](const std::string&) { return std::string("PDF document"); });
    EXPECT_EQ(GetShellFileTypeName("/tmp/a.pdf"), "PDF document");
    SetShellTypeNameProvider(nullptr);
    EXPECT_EQ(GetShellDisplayName("/tmp/folder/a.pdf"), "a.pdf");
}

TEST(SysInfo, VersionCodes) {
    struct Case { int platform, major, minor; const char* sp; uint32_t kernel; int code; };
    for (const Case& c : {Case{1, 4, 0, "", 0, 1}, Case{1, 4, 0, " B ", 0, 2}, Case{1, 4, 10, "", 0, 3},
                          Case{1, 4, 10, "A", 0, 4}, Case{1, 4, 10, "A", 262234, 5}, Case{1, 4, 90, "", 0, 5},
                          Case{1, 4, 91, "", 0, 0}, Case{2, 3, 51, "", 0, 8}, Case{2, 4, 0, "", 0, 9},
                          Case{2, 5, 0, "", 0, 10}, Case{2, 5, 1, "", 0, 11}, Case{2, 6, 0, "", 0, 0},
                          Case{3, 5, 1, "", 0, 0}}) {
        EXPECT_EQ(WindowsVersionCodeOf(c.platform, c.major, c.minor, c.sp, c.kernel), c.code)
            << c.platform << " " << c.major << "." << c.minor;
    }
    EXPECT_EQ(GetWindowsVersionCode(), 11);
    EXPECT_FALSE(GetWindowsUserName().empty());
    EXPECT_FALSE(ProgramFileName().empty());
    EXPECT_EQ(ModuleFileNameOf(nullptr), ProgramFileName());
    TFixedFileInfo info;
    EXPECT_FALSE(ReadFixedFileVersion(ProgramFileName(), info));
}

TEST(SysInfo, SharedDocumentsFolderFollowsTheEnvironment) {
    setenv("KVZIRT_SHARED_DOCUMENTS", "/srv/shared", 1);
    EXPECT_EQ(GetSharedDocumentsFolder(), "/srv/shared");
    EXPECT_EQ(SpecialFolderPathOf(sfCommonDocuments), "/srv/shared");
    unsetenv("KVZIRT_SHARED_DOCUMENTS");
    EXPECT_EQ(SpecialFolderPathOf(12345), "");
}

} // namespace
} // namespace kvz
