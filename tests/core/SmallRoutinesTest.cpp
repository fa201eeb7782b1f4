#include "core/SmallRoutines.h"
#include "platform/rtl/SysInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kvz {
namespace {

TEST(SmallRoutines, ShellOpenFileGoesThroughTheInstalledOpener) {
    EXPECT_EQ(ShellOpenFile("temko", "", "", 1), kShellNoAssociation);
    std::string seen;
    SetShellOpener([&](const std::string& file, const std::string& params, const std::string& folder, int show) {
        seen = file + "|" + params + "|" + folder + "|" + std::to_string(show);
        return 42;
    });
    EXPECT_EQ(ShellOpenFile("/opt/kvzirt/temko", "Jana*heslo", "/opt/kvzirt", 1), 42);
    EXPECT_EQ(seen, "/opt/kvzirt/temko|Jana*heslo|/opt/kvzirt|1");
    SetShellOpener(nullptr);
    EXPECT_EQ(ShellOpenFile("x", "", "", 1), kShellNoAssociation);
}

TEST(SmallRoutines, Folders) {
    ::setenv("KVZIRT_SHARED_DOCUMENTS", "/srv/shared docs", 1);
    std::string path;
    GetSharedDocumentsFolder(path);
    EXPECT_EQ(path, "/srv/shared docs");
    GetSpecialFolderPath(sfCommonDocuments, path);
    EXPECT_EQ(path, "/srv/shared docs");
    path = "kept";
    GetSpecialFolderPath(0x7777, path);
    EXPECT_EQ(path, "kept");
    ::unsetenv("KVZIRT_SHARED_DOCUMENTS");
}

TEST(SmallRoutines, TextColorForBackground) {
    struct Case { uint32_t background, expected; };
    for (const Case& c : {Case{0x808000, 0x00FFFF}, Case{0x000000, 0x00FFFF}, Case{0x0000FF, 0xFFFFFF},
                          Case{0xFF00FF, 0xFFFFFF}, Case{0xC0C0C0, 0x000000}, Case{0xFFFFFF, 0x000000},
                          Case{0x00A5FF, 0x123456}, Case{0x80000008, 0x123456}})
        EXPECT_EQ(TextColorForBackground(c.background, 0x123456), c.expected) << std::hex << c.background;
}

TEST(SmallRoutines, ShowOneAddressColumn) {
    struct Grid : AddressColumns {
        std::vector<std::pair<std::string, int>> columns{{"Firma", 100}, {"Mesto", 80}};
        void ClearColumns() override { columns.clear(); }
        void AddColumn(const std::string& field, int width) override { columns.emplace_back(field, width); }
    } grid;
    ShowOneAddressColumn(grid, "Priezvisko");
    EXPECT_EQ(grid.columns, (std::vector<std::pair<std::string, int>>{{"Priezvisko", 230}}));
}

} // namespace
} // namespace kvz
