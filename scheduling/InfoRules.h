// The rules of the detail balloon: where it opens beside the clicked point, its outline for each
// of the four tail corners, and the texts of a task's panel. No window here: the balloon and the
// scheduling window call them, and tests drive them as tables.
#pragma once

#include "platform/forms/Graphics.h"

#include <array>
#include <string>

namespace kvz {

// The balloon's size as made (the outline reaches x 430 and y 274).
inline constexpr int kInfoWidth = 431, kInfoHeight = 275;
// Height of one task panel and the scroll step.
inline constexpr int kInfoPanelHeight = 126;

// The corner at which the tail sits, towards the clicked point.
enum InfoOrientation : int { RightBelow = 0, RightAbove = 1, LeftBelow = 2, LeftAbove = 3 };

struct BalloonPlace {
    int Left = 0, Top = 0;
    int Orientation = RightBelow;
    bool operator==(const BalloonPlace&) const = default;
};

// Right of the point when 432 pixels remain to the screen's right edge, else left of it; below
// the point when it is in the screen's top 250 pixels and 250 remain below, else above. The
// balloon then stays whole on the screen: it is moved in from any edge it would cross.
BalloonPlace PlaceBalloon(TPoint click, const TRect& screen);

// The outline for the orientation: 12 points in window coordinates, the last one closing it.
using InfoOutline = std::array<TPoint, 12>;
InfoOutline InfoOutlineOf(int orientation);

// The texts of a task's panel in the program's language.
// The repetition (0 once .. 4 every year); empty for any other value.
std::string RepeatTextOf(int repFreq);
std::string YesNoText(bool on);
// The task's text, for an invoice ("F") followed by its account and variable symbol.
std::string InfoTaskText(const std::string& taskType, const std::string& uloha, const std::string& account,
                         const std::string& variableSymbol);

} // namespace kvz
