#include "controls/kvOutlookBarLayout.h"

using namespace kvz;
using namespace kvz::outlook;

TEST(OutlookBarLayout, HeaderStripsStackAroundTheOpenOne) {
    struct Case {
        std::vector<bool> visible;
        int active;
        std::vector<TRect> rects;
    };
    const TRect client = Rect(0, 0, 60, 300);
    const std::vector<Case> cases = {
        {{true, true, true}, 1, {Rect(0, 0, 60, 22), Rect(0, 22, 60, 278), Rect(0, 278, 60, 300)}},
        {{true, true, true}, 0, {Rect(0, 0, 60, 256), Rect(0, 256, 60, 278), Rect(0, 278, 60, 300)}},
        {{true, true, true}, 2, {Rect(0, 0, 60, 22), Rect(0, 22, 60, 44), Rect(0, 44, 60, 300)}},
        // An invisible header takes no strip.
        {{true, false, true}, 0, {Rect(0, 0, 60, 278), Rect(0, 256, 60, 278), Rect(0, 278, 60, 300)}},
        {{true, false}, 0, {Rect(0, 0, 60, 300), Rect(0, 278, 60, 300)}},
        // No open header: every strip at the top.
        {{true, false, true}, -1, {Rect(0, 0, 60, 22), Rect(0, 22, 60, 44), Rect(0, 22, 60, 44)}},
    };
    for (const Case& c : cases)
        for (int i = 0; i < int(c.rects.size()); ++i)
            EXPECT_EQ(HeaderRect(client, i, c.visible, c.active, 22), c.rects[size_t(i)]) << "active " << c.active << " header " << i;
    EXPECT_EQ(HeaderRect(client, 3, {true, true, true}, 1, 22), TRect{});
    EXPECT_EQ(HeaderRect(Rect(2, 2, 58, 298), 1, {true, true, true}, 1, 22), Rect(2, 24, 58, 276));
}

TEST(OutlookBarLayout, ClicksAndKeysAlwaysLeaveAVisibleHeaderOpen) {
    struct Case {
        std::vector<bool> visible;
        int index, active, click, prior, next;
    };
    const std::vector<Case> cases = {
        // The frame window's bar: its second header is hidden; clicking the open first one keeps it.
        {{true, false}, 0, 0, 0, 0, 0},
        {{true, true, true}, 1, 1, 2, 0, 2},
        {{true, true, true}, 0, 1, 0, 0, 1},
        {{true, true, true}, 2, 2, 2, 1, 2},
        {{true, false, true}, 0, 0, 2, 0, 2},
        {{true, false, true}, 2, 0, 2, 0, 2},
        {{false, true, false}, 1, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(CaptionClickTarget(c.index, c.active, c.visible), c.click);
        EXPECT_EQ(PriorHeader(c.index, c.visible), c.prior);
        EXPECT_EQ(NextHeader(c.index, c.visible), c.next);
    }
}

TEST(OutlookBarLayout, ButtonsGoDownFromBelowTheScrollButtonAndHideWhenScrolledOrOutOfRoom) {
    ButtonArea area{.headerWidth = 60, .headerHeight = 200, .captionHeight = 22, .firstButtonTop = 5,
                    .upScrollBottom = 33, .downScrollHeight = 10, .scrollOffset = 2};
    ButtonSlot large{true, TOutlookButtonStyle::bsLarge, 50, 70};
    ButtonSlot small{true, TOutlookButtonStyle::bsSmall, 56, 20};
    ButtonSlot missing{false};
    ButtonPlaces p = ArrangeButtons(area, {large, large, large, missing, small, large});
    std::vector<std::optional<TPoint>> want = {TPoint{5, -500}, TPoint{5, -500}, TPoint{5, 34}, std::nullopt,
                                               TPoint{2, 106}, TPoint{5, 128 + 1000}};
    EXPECT_EQ(p.places, want);
    EXPECT_EQ(p.lastPlaced, 4);

    area.scrollOffset = 0;
    area.upScrollBottom = 0;
    p = ArrangeButtons(area, {small});
    EXPECT_EQ(p.places[0], (TPoint{2, 27}));
}

TEST(OutlookBarLayout, AutoSizedButtonsFollowTheSettings) {
    struct Case {
        TOutlookButtonStyle style;
        TOutlookViewStyle view;
        TRect bounds;
    };
    const std::vector<Case> cases = {
        {TOutlookButtonStyle::bsSmall, TOutlookViewStyle::vsNormal, Bounds(2, 7, 56, 20)},
        {TOutlookButtonStyle::bsLarge, TOutlookViewStyle::vsNormal, Bounds(5, 7, 50, 70)},
        {TOutlookButtonStyle::bsLarge, TOutlookViewStyle::vsWindowsXP, Bounds(5, 7, 50, 70)},
        {TOutlookButtonStyle::bsLarge, TOutlookViewStyle::vsAdvanced, Bounds(2, 7, 56, 70)},
        {TOutlookButtonStyle::bsLarge, TOutlookViewStyle::vsWindows2000, Bounds(2, 7, 56, 70)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AutoButtonBounds({c.style, c.view, 50, 70, 20}, 60, 7), c.bounds) << int(c.view);
}

TEST(OutlookBarLayout, StoredViewStylesFollowTheDialogsList) {
    const std::vector<TOutlookViewStyle> stored = {TOutlookViewStyle::vsNormal, TOutlookViewStyle::vsBig, TOutlookViewStyle::vsAdvanced,
                                            TOutlookViewStyle::vsWindows2000, TOutlookViewStyle::vsWindowsXP};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ViewStyleFromSetting(i), stored[size_t(i)]);
        EXPECT_EQ(ViewStyleToSetting(stored[size_t(i)]), i);
    }
    EXPECT_EQ(ViewStyleFromSetting(-1), std::nullopt);
    EXPECT_EQ(ViewStyleFromSetting(5), std::nullopt);
}

TEST(OutlookBarLayout, GradientBands) {
    auto bands = GradientBands(TGradientType::gtt2b, Rect(0, 0, 10, 512), clBlack, clBlue);
    ASSERT_EQ(bands.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(bands[size_t(i)].second, RGB(0, 0, i));
        EXPECT_EQ(bands[size_t(i)].first, Rect(0, 2 * i, 10, 2 * i + 2));
    }
    // From the edges to the centre; a strip one pixel wide or high keeps the start colour.
    auto sides = GradientBands(TGradientType::gts2c, Rect(0, 0, 5, 3), clBlack, clWhite);
    EXPECT_EQ(sides.front(), std::make_pair(Rect(0, 0, 1, 3), clBlack));
    EXPECT_EQ(sides.back(), std::make_pair(Rect(2, 0, 3, 3), clWhite));
    for (TGradientType t : {TGradientType::gts2c, TGradientType::gttb2c})
        for (const auto& band : GradientBands(t, Rect(0, 0, 1, 1), clGray, clWhite)) EXPECT_EQ(band.second, clGray);
    EXPECT_TRUE(GradientBands(TGradientType::gts2c, Rect(0, 0, 0, 10), clGray, clWhite).empty());
}
