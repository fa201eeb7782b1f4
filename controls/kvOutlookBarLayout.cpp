#include "controls/kvOutlookBarLayout.h"

#include <cmath>

namespace kvz::outlook {

namespace {

int Count(const std::vector<bool>& visible, int from, int to) {  // invisible in [from, to)
    int n = 0;
    for (int i = std::max(0, from); i < to && i < int(visible.size()); ++i) n += visible[size_t(i)] ? 0 : 1;
    return n;
}

bool Visible(const std::vector<bool>& visible, int i) { return i >= 0 && i < int(visible.size()) && visible[size_t(i)]; }

// The platform's MulDiv: a * b / c rounded to the nearest.
int MulDiv(int a, int b, int c) { return int(std::lround(double(a) * b / c)); }

} // namespace

TRect HeaderRect(const TRect& client, int index, const std::vector<bool>& visible, int active, int h) {
    int n = int(visible.size());
    if (index < 0 || index >= n) return {};
    TRect r = client;
    int hiddenBefore = Count(visible, 0, index), hiddenAfter = Count(visible, index + 1, n);
    if (active < 0 || index < active) {
        r.Top += (index - hiddenBefore) * h;
        r.Bottom = r.Top + h;
        return r;
    }
    r.Bottom -= (n - hiddenAfter - index - 1) * h;
    if (index == active)
        r.Top += (index - hiddenBefore) * h;
    else
        r.Top = r.Bottom - h;
    return r;
}

int PriorHeader(int index, const std::vector<bool>& visible) {
    for (int i = index - 1; i >= 0; --i)
        if (Visible(visible, i)) return i;
    return index;
}

int NextHeader(int index, const std::vector<bool>& visible) {
    for (int i = index + 1; i < int(visible.size()); ++i)
        if (Visible(visible, i)) return i;
    return index;
}

int CaptionClickTarget(int index, int active, const std::vector<bool>& visible) {
    if (index != active) return index;
    for (int i = int(visible.size()) - 1; i >= 0; --i)
        if (Visible(visible, i)) return i;
    return index;
}

ButtonPlaces ArrangeButtons(const ButtonArea& area, const std::vector<ButtonSlot>& buttons) {
    ButtonPlaces out;
    out.places.resize(buttons.size());
    int y = area.captionHeight + area.firstButtonTop;
    if (y < area.upScrollBottom) y = area.upScrollBottom + 1;
    for (int i = 0; i < int(buttons.size()); ++i) {
        const ButtonSlot& b = buttons[size_t(i)];
        if (!b.placed) continue;
        TPoint& p = out.places[size_t(i)].emplace();
        p.X = b.style == TOutlookButtonStyle::bsLarge ? (area.headerWidth - b.width) / 2 : 2;
        if (i < area.scrollOffset) {
            p.Y = kScrolledAway;
            continue;
        }
        if (y + b.height > area.headerHeight - area.downScrollHeight) {
            p.Y = y + kBelowSight;
        } else {
            p.Y = y;
            out.lastPlaced = i;
        }
        y += b.height + 2;
    }
    return out;
}

TRect AutoButtonBounds(const ButtonSizing& s, int headerWidth, int top) {
    if (s.style == TOutlookButtonStyle::bsSmall) return Bounds(2, top, headerWidth - 4, s.smallHeight);
    if (s.viewStyle == TOutlookViewStyle::vsAdvanced || s.viewStyle == TOutlookViewStyle::vsWindows2000)
        return Bounds(2, top, headerWidth - 4, s.largeHeight);
    return Bounds((headerWidth - s.largeWidth) / 2, top, s.largeWidth, s.largeHeight);
}

namespace {
constexpr TOutlookViewStyle kStoredViewStyles[] = {TOutlookViewStyle::vsNormal, TOutlookViewStyle::vsBig, TOutlookViewStyle::vsAdvanced,
                                            TOutlookViewStyle::vsWindows2000, TOutlookViewStyle::vsWindowsXP};
}

std::optional<TOutlookViewStyle> ViewStyleFromSetting(int stored) {
    if (stored < 0 || stored >= int(std::size(kStoredViewStyles))) return std::nullopt;
    return kStoredViewStyles[stored];
}

int ViewStyleToSetting(TOutlookViewStyle style) {
    for (int i = 0; i < int(std::size(kStoredViewStyles)); ++i)
        if (kStoredViewStyles[i] == style) return i;
    return 0;
}

int GradientChannel(int start, int end, int i, int d) {
    // A strip one or two pixels wide has no steps between its edges: it keeps the start colour.
    if (d == 0) return start & 0xFF;
    return (start + MulDiv(i, end - start, d)) & 0xFF;
}

std::vector<std::pair<TRect, TColor>> GradientBands(TGradientType type, const TRect& r, TColor start, TColor end) {
    std::vector<std::pair<TRect, TColor>> bands;
    if (r.Width() <= 0 || r.Height() <= 0) return bands;
    start = ColorToRGB(start);
    end = ColorToRGB(end);
    auto colour = [&](int i, int d) {
        return RGB(GradientChannel(GetRValue(start), GetRValue(end), i, d),
                   GradientChannel(GetGValue(start), GetGValue(end), i, d),
                   GradientChannel(GetBValue(start), GetBValue(end), i, d));
    };
    switch (type) {
    case TGradientType::gtl2r:
        for (int i = 0; i < 256; ++i)
            bands.push_back({Rect(r.Left + MulDiv(i, r.Width(), 256), r.Top, r.Left + MulDiv(i + 1, r.Width(), 256), r.Bottom),
                             colour(i, 255)});
        break;
    case TGradientType::gtt2b:
        for (int i = 0; i < 256; ++i)
            bands.push_back({Rect(r.Left, r.Top + MulDiv(i, r.Height(), 256), r.Right, r.Top + MulDiv(i + 1, r.Height(), 256)),
                             colour(i, 255)});
        break;
    case TGradientType::gts2c: {
        int half = r.Width() / 2;
        for (int i = 0; i <= half; ++i) {
            bands.push_back({Rect(r.Left + i, r.Top, r.Left + i + 1, r.Bottom), colour(i, half)});
            bands.push_back({Rect(r.Right - 1 - i, r.Top, r.Right - i, r.Bottom), colour(i, half)});
        }
        break;
    }
    case TGradientType::gttb2c: {
        int half = r.Height() / 2;
        for (int i = 0; i <= half; ++i) {
            bands.push_back({Rect(r.Left, r.Top + i, r.Right, r.Top + i + 1), colour(i, half)});
            bands.push_back({Rect(r.Left, r.Bottom - 1 - i, r.Right, r.Bottom - i), colour(i, half)});
        }
        break;
    }
    }
    return bands;
}

} // namespace kvz::outlook
