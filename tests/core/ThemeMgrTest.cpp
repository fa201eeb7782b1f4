#include "core/ThemeMgr.h"

using namespace kvz;

TEST(ThemeMgrTest, ThemesAreNeverInUseAndTheFirstManagerIsTheMainOne) {
    EXPECT_FALSE(InitThemeLibrary());
    FreeThemeLibrary();
    EXPECT_FALSE(UseThemes());
    EXPECT_FALSE(ThemeServices().ThemesAvailable());
    EXPECT_FALSE(ThemeServices().ThemesEnabled());

    TComponent form;
    auto* first = new TThemeManager(&form);
    auto* second = new TThemeManager(&form);
    EXPECT_TRUE(first->IsMainManager());
    EXPECT_FALSE(second->IsMainManager());
    // Every option but the animation take-over and the alternate tab-sheet drawing.
    EXPECT_EQ(first->Options(), 262135u);
    first->CollectForms();
}
