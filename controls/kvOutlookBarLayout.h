// The outlook bar's rules, without a window: where each header's strip lies, which header a
// click or a key opens, where the buttons of a header go and how big they are, the stored
// numbers of the view styles, and the bands of a gradient.
#pragma once

#include "platform/forms/Graphics.h"

#include <optional>
#include <utility>
#include <vector>

namespace kvz {

enum class TOutlookViewStyle { vsNormal, vsBig, vsAdvanced, vsWindowsXP, vsWindows2000 };
enum class TOutlookButtonStyle { bsSmall, bsLarge };
enum class TGradientType { gtl2r, gts2c, gtt2b, gttb2c };

namespace outlook {

// The rectangle of header index inside the bar's client area (already shrunk by the border and
// the bevels). The headers before the active one stack at the top, those after it at the
// bottom, and the active one fills the space between; invisible headers take no strip. With no
// active header (-1) every strip stacks at the top. An index outside the list gives an empty
// rectangle.
TRect HeaderRect(const TRect& client, int index, const std::vector<bool>& visible, int active, int captionHeight);

// The header that Page Up (Prior) and Page Down (Next) open: the nearest visible one before or
// after index, or index itself when there is none, so that a key never closes the bar.
int PriorHeader(int index, const std::vector<bool>& visible);
int NextHeader(int index, const std::vector<bool>& visible);
// The header that a click on the caption strip of header index opens: that header, or when it
// is already open the last visible header, so that the bar keeps an open header.
int CaptionClickTarget(int index, int active, const std::vector<bool>& visible);

// A button slot by its button index; missing or invisible buttons are not placed.
struct ButtonSlot {
    bool placed = true;
    TOutlookButtonStyle style = TOutlookButtonStyle::bsLarge;
    int width = 0, height = 0;
};
struct ButtonArea {
    int headerWidth = 0, headerHeight = 0, captionHeight = 22, firstButtonTop = 5;
    int upScrollBottom = 0, downScrollHeight = 0, scrollOffset = 0;
};
constexpr int kScrolledAway = -500;   // Top of a button scrolled away above
constexpr int kBelowSight = 1000;     // added to the Top of a button that does not fit
struct ButtonPlaces {
    std::vector<std::optional<TPoint>> places;  // Left, Top by button index
    int lastPlaced = -1;
};
ButtonPlaces ArrangeButtons(const ButtonArea& area, const std::vector<ButtonSlot>& buttons);

// The size and place an AutoSize button takes from the header's settings.
struct ButtonSizing {
    TOutlookButtonStyle style = TOutlookButtonStyle::bsLarge;
    TOutlookViewStyle viewStyle = TOutlookViewStyle::vsNormal;
    int largeWidth = 60, largeHeight = 60, smallHeight = 20;
};
TRect AutoButtonBounds(const ButtonSizing& sizing, int headerWidth, int currentTop);

// Integer setting 85 holds the view style as the position in the settings dialog's list
// (Normal, Big, Advanced, Windows 2000, Windows XP), which is not the order of TOutlookViewStyle.
std::optional<TOutlookViewStyle> ViewStyleFromSetting(int stored);
int ViewStyleToSetting(TOutlookViewStyle style);

// One channel of a gradient colour at step i of d (0 for a one-step gradient).
int GradientChannel(int start, int end, int i, int d);
// The fills that draw a gradient over rect, in drawing order.
std::vector<std::pair<TRect, TColor>> GradientBands(TGradientType type, const TRect& rect, TColor start, TColor end);

} // namespace outlook
} // namespace kvz
