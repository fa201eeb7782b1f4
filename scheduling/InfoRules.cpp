#include "scheduling/InfoRules.h"

#include "core/Messages.h"

#include <algorithm>

namespace kvz {

BalloonPlace PlaceBalloon(TPoint click, const TRect& screen) {
    BalloonPlace p;
    const bool right = screen.Right - click.X >= 432;
    const bool below = click.Y - screen.Top < 250 && screen.Bottom - click.Y >= 250;
    p.Left = right ? click.X - 27 : click.X - 403;
    p.Top = below ? click.Y : click.Y - 272;
    p.Orientation = right ? (below ? RightBelow : RightAbove) : (below ? LeftBelow : LeftAbove);
    // Whole on the screen; on a screen smaller than the balloon its top left corner shows.
    p.Left = std::max(screen.Left, std::min(p.Left, screen.Right - kInfoWidth));
    p.Top = std::max(screen.Top, std::min(p.Top, screen.Bottom - kInfoHeight));
    return p;
}

InfoOutline InfoOutlineOf(int orientation) {
    // The body is the rectangle (0, 40) .. (430, 236) with its corners cut by 15 pixels; the
    // tail leaves it at the top or the bottom, on the left or the right.
    static const std::array<TPoint, 8> tails[4] = {
        {{{415, 236}, {430, 221}, {430, 55}, {415, 40}, {181, 40}, {25, 2}, {72, 40}, {15, 40}}},
        {{{72, 236}, {25, 274}, {181, 236}, {415, 236}, {430, 221}, {430, 55}, {415, 40}, {15, 40}}},
        {{{415, 236}, {430, 221}, {430, 55}, {415, 40}, {358, 40}, {405, 0}, {249, 40}, {15, 40}}},
        {{{249, 236}, {405, 274}, {358, 236}, {415, 236}, {430, 221}, {430, 55}, {415, 40}, {15, 40}}},
    };
    const auto& tail = tails[orientation >= 0 && orientation <= 3 ? orientation : 0];
    InfoOutline o{};
    o[0] = {0, 55};
    o[1] = {0, 221};
    o[2] = {15, 236};
    std::copy(tail.begin(), tail.end(), o.begin() + 3);
    o[11] = {0, 55};
    return o;
}

std::string RepeatTextOf(int repFreq) {
    return repFreq >= 0 && repFreq <= 4 ? GetMessageText(MessageId::Once + repFreq) : std::string();
}

std::string YesNoText(bool on) {
    return GetMessageText(on ? MessageId::Yes : MessageId::No);
}

std::string InfoTaskText(const std::string& taskType, const std::string& uloha, const std::string& account,
                         const std::string& variableSymbol) {
    if (taskType != "F") return uloha;
    return uloha + GetMessageText(MessageId::AtAccount) + account + GetMessageText(MessageId::VariableSign) +
           variableSymbol;
}

} // namespace kvz
